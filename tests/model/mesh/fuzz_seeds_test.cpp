// The seed corpus of the "MESHDATA" fuzz target is what the engine's own
// writer writes, in every version and flag. KESTU_WRITE_SEEDS=1 rewrites it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "model_fixture.h"

namespace {

using namespace modeltest;

struct Seed {
    std::string name;
    std::vector<BYTE> bytes;
};

// The first byte tells the fuzz target how to read: bit 0 version, bit 1
// batches, bit 2 texture-coordinate expansion.
Seed MakeSeed(const std::string& name, CMeshDataBase& mesh, BYTE how)
{
    const DWORD version = (how & 1) ? 2 : 0xFFFFFFFF;
    const DWORD flags = (how & 2) ? 5 : 1;
    Seed seed{name, {how}};
    const std::vector<BYTE> chunk = WriteChunk(mesh, version, flags);
    seed.bytes.insert(seed.bytes.end(), chunk.begin(), chunk.end());
    return seed;
}

std::vector<Seed> Seeds()
{
    std::vector<Seed> seeds;
    for (BYTE how = 0; how < 8; ++how) {
        MeshPtr<TestMesh> mini = MiniMesh(how & 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16);
        if (how & 2) mini->SplitIdxToLimitBones(1);
        seeds.push_back(MakeSeed("mini" + std::to_string(how), *mini, how));
    }
    MeshPtr<TestMesh> tube = MakeTube({5, 4, 70, 4, 2});
    tube->SplitIdxToLimitBones(1);
    seeds.push_back(MakeSeed("batched", *tube, 3));
    MeshPtr<TestMesh> eight = MakeTube({3, 3, 10, 8, 1});
    eight->SplitIdxToLimitBones(0);
    seeds.push_back(MakeSeed("eightbones", *eight, 3));
    MeshPtr<CMeshDataStatic> rigid(new CMeshDataStatic());
    FillTube(*rigid, {3, 3, 1, 1, 1});
    seeds.push_back(MakeSeed("static", *rigid, 1));
    MeshPtr<CMeshDataNull> empty(new CMeshDataNull());
    seeds.push_back(MakeSeed("null", *empty, 1));
    return seeds;
}

TEST(FuzzSeeds, AreTheWritersOwnBytes)
{
    std::vector<FuzzSeed> files;
    for (const Seed& seed : Seeds()) files.push_back({seed.name + ".chunk", seed.bytes});
    ExpectCorpus("model_meshdata", files);
}

} // namespace
