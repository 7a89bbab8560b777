// kestu-terrain: writes a static terrain data block made from a generated
// height field.
//
//   kestu-terrain <output> [depth 2..6] [seed] [block size]
#include <cstdio>

#include <kestu.h>
#include <ou_file.h>

#include "common/file_args.h"
#include "terrain_gen.h"

int main(int argc, char** argv)
{
    const ktool::Cli cli("kestu-terrain", "usage: kestu-terrain <output> [depth 2..6] [seed] [block size]\n");
    if (ktool::Cli::AsksHelp(argc, argv)) return cli.Help();
    if (argc < 2) return cli.Misuse("no output file named");
    if (argc > 5) return cli.Misuse("too many arguments");
    if (argv[1][0] == '-' && argv[1][1] != 0) return cli.Misuse("unknown option '%s'", argv[1]);
    terrain_gen::Params params;
    if (argc > 2 && !ktool::ParseInteger(argv[2], 2, 6, params.depth))
        return cli.Misuse("bad depth '%s' (2 to 6)", argv[2]);
    if (argc > 3 && !ktool::ParseInteger(argv[3], 0, 0xFFFFFFFFll, params.seed))
        return cli.Misuse("bad seed '%s' (0 to 4294967295)", argv[3]);
    if (argc > 4 && (!ktool::ParseFloat(argv[4], params.blockSize) || !(params.blockSize > 0.0f)))
        return cli.Misuse("bad block size '%s' (a number above 0)", argv[4]);
    if (const int status = ktool::FileArgs().Output(argv[1], "output").Check(cli)) return status;

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
