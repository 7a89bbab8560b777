// kestu-terrain: writes a static terrain data block made from a generated
// height field.
//
//   kestu-terrain <output> [depth 2..6] [seed] [block size]
#include <cstdio>
#include <cstdlib>

#include <kestu.h>
#include <ou_file.h>

#include "terrain_gen.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: kestu-terrain <output> [depth 2..6] [seed] [block size]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 5) return Usage();
    terrain_gen::Params params;
    if (argc > 2) params.depth = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    if (argc > 3) params.seed = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (argc > 4) params.blockSize = std::strtof(argv[4], nullptr);
    if (params.depth < 2 || params.depth > 6 || !(params.blockSize > 0.0f)) return Usage();

    const std::vector<uint8_t> block = terrain_gen::MakeDataBlock(params);
    const STerrainInit* head = reinterpret_cast<const STerrainInit*>(block.data());
    if (!head->IsValid() || head->GetDataBlockSize() != block.size()) {
        std::fprintf(stderr, "kestu-terrain: the generated block is not valid\n");
        return 1;
    }
    // The file takes the new bytes only once all of them are written.
    COUFile file;
    if (FAILED(file.Open(argv[1], OU_FILE_CREATE)) ||
        file.Write(block.data(), static_cast<DWORD>(block.size())) != block.size() || FAILED(file.Close())) {
        file.Abort();
        std::fprintf(stderr, "kestu-terrain: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %u x %u blocks, %u vertices, %zu bytes\n", argv[1], head->GetLength(), head->GetLength(),
                head->GetVertexNumber(), block.size());
    return 0;
}
