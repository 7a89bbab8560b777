// The seed corpus of the skeletal-archive fuzz target is what the engine's
// own writer writes of the sample character and a small creature, section by
// section and whole. KESTU_WRITE_SEEDS=1 rewrites it.
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
    // Names that fill the whole name buffer: 259 characters and a terminator.
    CSkeleton named;
    const std::string longest(259, 'n');
    CSkAniBone* bone = new CSkAniBone();
    bone->SetName(longest.c_str());
    named.AddBone(longest.c_str(), bone);
    std::vector<Seed> seeds = {MakeSeed("hero_all", hero, 0xF0),      MakeSeed("hero_all_cached", hero, 0xF1),
                               MakeSeed("hero_skeleton", hero, 0x80), MakeSeed("hero_skins", hero, 0x40),
                               MakeSeed("hero_actions", hero, 0x20),  MakeSeed("creature", creature, 0xE1),
                               MakeSeed("long_names", named, 0x80)};
    ResetSkinningStatics();
    return seeds;
}

TEST(SkeletonFuzzSeeds, AreTheWritersOwnBytes)
{
    std::vector<FuzzSeed> files;
    for (const Seed& seed : Seeds()) files.push_back({seed.name + ".skel", seed.bytes});
    ExpectCorpus("model_skeleton", files);
}

} // namespace
