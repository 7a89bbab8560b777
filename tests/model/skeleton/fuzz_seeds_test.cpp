// The seed corpus of the skeletal-archive fuzz target is what the engine's
// own writer writes of the sample character and a small creature, section by
// section and whole. KESTU_WRITE_SEEDS=1 rewrites it.
#include <fstream>
#include <iterator>

#include "skeleton_fixture.h"

namespace {

using namespace modeltest;

struct Seed {
    std::string name;
    std::vector<BYTE> bytes;
};

// The first byte: the section mask, and bit 0 for the cache.
Seed MakeSeed(const std::string& name, CSkeleton& s, BYTE how)
{
    Seed seed{name, {how}};
    const std::vector<BYTE> archive = StoreSkeleton(s, how & 0xF0);
    seed.bytes.insert(seed.bytes.end(), archive.begin(), archive.end());
    return seed;
}

std::vector<Seed> Seeds()
{
    CMeshDataMng::EnableCache(0);
    CSkeleton hero;
    MakeCharacter(hero);
    CSkeleton creature;
    samplechar::Build(samplechar::Creature(2, 3, 3, 4, 3), creature);
    creature.GetAction(0)->GetCurActionData()->SetACTFlag(KESTU_ACT_MATRICES | KESTU_ACT_BONEMAJOR |
                                                          KESTU_ACT_ORIGINTIMES);
    std::vector<Seed> seeds = {MakeSeed("hero_all", hero, 0xF0), MakeSeed("hero_all_cached", hero, 0xF1),
                               MakeSeed("hero_skeleton", hero, 0x80), MakeSeed("hero_skins", hero, 0x40),
                               MakeSeed("hero_actions", hero, 0x20), MakeSeed("creature", creature, 0xE1)};
    ResetSkinningStatics();
    return seeds;
}

TEST(SkeletonFuzzSeeds, AreTheWritersOwnBytes)
{
    const std::filesystem::path dir = CorpusFolder("model_skeleton");
    const bool rewrite = std::getenv("KESTU_WRITE_SEEDS") != nullptr;
    if (!rewrite) {
        ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    }
    for (const Seed& seed : Seeds()) {
        const std::filesystem::path path = dir / (seed.name + ".skel");
        if (rewrite) {
            std::filesystem::create_directories(dir);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(seed.bytes.data()),
                                                        std::streamsize(seed.bytes.size()));
        }
        std::ifstream in(path, std::ios::binary);
        const std::vector<BYTE> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stored, seed.bytes) << seed.name;
    }
}

} // namespace
