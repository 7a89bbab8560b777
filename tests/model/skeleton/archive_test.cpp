// The skeletal archives: the sample character exported and imported in both
// modes, the record layouts, and damaged or unwritable files.
#include <filesystem>

#include "kestu_bytes.h"
#include "skeleton_fixture.h"
#include "support/temp_dir.h"

namespace {

using namespace modeltest;
using kestu::GetU32;

// Two skeletons hold the same parts when their archives are the same bytes.
void ExpectSameArchive(CSkeleton& a, CSkeleton& b)
{
    EXPECT_EQ(StoreSkeleton(a, KESTU_SKL_ALL), StoreSkeleton(b, KESTU_SKL_ALL));
}

class SkeletonArchive : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ResetSkinningStatics();
        CMeshDataMng::EnableCache(0);
        MakeCharacter(hero);
    }
    void TearDown() override
    {
        ResetSkinningStatics();
        TempDirTest::TearDown();
    }
    CSkeleton hero;
};

TEST_F(SkeletonArchive, PerExtensionFilesRoundTrip)
{
    ASSERT_EQ(hero.Export(Path("hero.any").c_str(), 0, KESTU_SKL_ALL), 0);
    for (const char* ext : {".skl", ".msd", ".act", ".mtl"})
        EXPECT_TRUE(std::filesystem::exists(Path(std::string("hero") + ext))) << ext;
    EXPECT_TRUE(ReadBytes("hero.mtl").empty());
    EXPECT_FALSE(std::filesystem::exists(Path("hero.any")));
    const std::vector<uint8_t> skl = ReadBytes("hero.skl");
    EXPECT_EQ(std::memcmp(skl.data(), "VERSION_", 8), 0);
    EXPECT_EQ(std::memcmp(skl.data() + 16, "BONEDATA", 8), 0);

    CSkeleton back;
    ASSERT_EQ(back.Import(Path("hero.x").c_str(), 0, KESTU_SKL_ALL), 0);
    EXPECT_STREQ(back.GetSKLFileName(), "hero");
    EXPECT_EQ(back.GetBonesNumber(), 12u);
    EXPECT_EQ(back.GetSkinsNumber(), 2u);
    EXPECT_EQ(back.GetActionsNumber(), 2u);
    ASSERT_NE(back.GetSkeletonTree(), nullptr);
    EXPECT_EQ(back.GetSkeletonTree()->GetNodeType(), DWORD(KESTU_NODE_HELPER));
    EXPECT_NE(back.GetObjectByName("r_hand_tip"), nullptr);
    // Every skin bound all its bones to the new skeleton's.
    CSkeleton::SkinMap::const_iterator it;
    for (CSkAniSkin* skin = back.FirstSkin(it); skin; skin = back.NextSkin(it)) {
        EXPECT_EQ(skin->GetBoneNumber(), skin->GetBoneNameList().size());
        EXPECT_EQ(skin->GetBoneList()[0]->GetSkeleton(), &back);
    }
    ExpectSameArchive(hero, back);
}

TEST_F(SkeletonArchive, SingleFileRoundTrip)
{
    ASSERT_EQ(hero.Export(Path("hero.kskl").c_str(), 1, KESTU_SKL_ALL), 0);
    CSkeleton back;
    ASSERT_EQ(back.Import(Path("hero.kskl").c_str(), 1, KESTU_SKL_ALL), 0);
    ExpectSameArchive(hero, back);
    // The clips play the same keys.
    CActionData* a = hero.GetAction(1)->GetCurActionData();
    CActionData* b = back.GetAction(1)->GetCurActionData();
    ASSERT_EQ(a->GetFrameNum(), b->GetFrameNum());
    EXPECT_EQ(std::memcmp(a->GetMatrixList(), b->GetMatrixList(), a->GetFrameNum() * 12 * sizeof(D3DXMATRIX)), 0);
    EXPECT_EQ(back.Import(Path("hero.kskl").c_str(), 1, 0), E_FAIL);
}

TEST_F(SkeletonArchive, SkinsWithoutBonesStayUnbound)
{
    ASSERT_EQ(hero.Export(Path("hero").c_str(), 0, KESTU_SKL_ALL), 0);
    CSkeleton skins;
    const std::string log = "unbound.log";
    ASSERT_EQ(skins.Import(Path("hero").c_str(), 0, KESTU_SKL_SKINS), 0);
    EXPECT_EQ(skins.GetSkinsNumber(), 2u);
    EXPECT_EQ(skins.GetSkinByName("body")->GetBoneNumber(), 0u);
    EXPECT_FALSE(skins.GetSkinByName("body")->GetBoneNameList().empty());
    // The bones arriving later bind them.
    ASSERT_EQ(skins.Import(Path("hero").c_str(), 0, KESTU_SKL_SKELETON), 0);
    EXPECT_EQ(skins.GetSkinByName("body")->GetBoneNumber(), skins.GetSkinByName("body")->GetBoneNameList().size());
}

TEST_F(SkeletonArchive, FailedOpensAndWrites)
{
    CSkeleton other;
    EXPECT_LT(other.Import(Path("missing").c_str(), 0, KESTU_SKL_ALL), 0);
    EXPECT_LT(other.Import(Path("missing.kskl").c_str(), 1, KESTU_SKL_ALL), 0);
    // A per-extension import stops at the first file it cannot open.
    ASSERT_EQ(hero.Export(Path("part").c_str(), 0, KESTU_SKL_SKELETON), 0);
    EXPECT_LT(other.Import(Path("part").c_str(), 0, KESTU_SKL_SKELETON | KESTU_SKL_SKINS), 0);
    EXPECT_EQ(other.GetBonesNumber(), 12u);

    EXPECT_LT(hero.Export(Path("no/such/folder/hero").c_str(), 0, KESTU_SKL_ALL), 0);
    // A skeleton that cannot be written leaves the good file in place.
    ASSERT_EQ(hero.Export(Path("good.kskl").c_str(), 1, KESTU_SKL_ALL), 0);
    const std::vector<uint8_t> good = ReadBytes("good.kskl");
    CSkAniBone* bad = new CSkAniBone();
    hero.AddBone(std::string(300, 'x').c_str(), bad);
    EXPECT_LT(hero.Export(Path("good.kskl").c_str(), 1, KESTU_SKL_ALL), 0);
    EXPECT_EQ(ReadBytes("good.kskl"), good);
}

TEST_F(SkeletonArchive, DamagedArchivesFailAndStayReusable)
{
    const std::vector<BYTE> bytes = StoreSkeleton(hero, KESTU_SKL_ALL);
    for (size_t n = 0; n < bytes.size(); n += 61) {
        CSkeleton cut;
        EXPECT_LT(LoadSkeleton(cut, std::vector<BYTE>(bytes.begin(), bytes.begin() + long(n)), KESTU_SKL_ALL), 0) << n;
        cut.Release();
        // A released skeleton loads the whole archive again.
        if (n % (61 * 20) == 0) {
            ASSERT_EQ(LoadSkeleton(cut, bytes, KESTU_SKL_ALL), 0);
            EXPECT_EQ(cut.GetActionsNumber(), 2u);
        }
    }
    // A skeleton section that fails half way leaves no part holding a freed bone.
    CSkeleton parts;
    ASSERT_EQ(LoadSkeleton(parts, bytes, KESTU_SKL_ALL), 0);
    const std::vector<BYTE> bones = StoreSkeleton(hero, KESTU_SKL_SKELETON);
    EXPECT_EQ(LoadSkeleton(parts, std::vector<BYTE>(bones.begin(), bones.begin() + long(bones.size() / 2)),
                           KESTU_SKL_SKELETON),
              E_FAIL);
    EXPECT_LT(parts.GetBonesNumber(), 12u);
    EXPECT_LT(parts.GetSkinByName("body")->GetBoneNumber(), parts.GetSkinByName("body")->GetBoneNameList().size());
    parts.Transform(0, 1, nullptr);
    parts.Transform(1, 2, nullptr);

    // A name entry longer than the readers' 260-byte buffer is refused.
    std::vector<BYTE> longName = bytes;
    const size_t first = 8 + 4 + 4 + 8 + 4;
    kestu::PutU32(longName.data() + first, 264);
    CSkeleton refused;
    EXPECT_EQ(LoadSkeleton(refused, longName, KESTU_SKL_ALL), E_FAIL);
}

// A skeleton section laid out by hand: one bone whose entry name has the
// given length and stored L, and a root node of the same name.
std::vector<BYTE> OneBoneSection(const std::string& name, DWORD entryLength)
{
    std::vector<BYTE> b;
    kestu::ByteWriter w(b);
    w.Bytes("VERSION_", 8);
    w.U32(2); // SKL version
    w.U32(0); // SKL flag: no helper objects
    w.Bytes("BONEDATA", 8);
    w.U32(1);
    w.U32(entryLength);
    w.Bytes(name.data(), std::min<size_t>(name.size(), entryLength));
    w.Zeros(entryLength - std::min<size_t>(name.size(), entryLength));
    w.U32(1); // visible
    w.Zeros(24);
    for (int m = 0; m < 2; ++m)
        for (int i = 0; i < 16; ++i) w.F32(i % 5 == 0 ? 1.0f : 0.0f);
    w.U32(0); // children
    // The hierarchy's root: the name with L = (length + 4) rounded down to 4.
    const DWORD nodeLength = DWORD((name.size() + 4) & ~size_t(3));
    w.U32(nodeLength);
    w.Bytes(name.data(), name.size());
    w.Zeros(nodeLength - name.size());
    w.U32(0);
    return b;
}

TEST_F(SkeletonArchive, NamesFillTheWholeNameBuffer)
{
    // 257 to 259 characters: L = 260, ending in one to three zero bytes.
    for (size_t length : {256, 257, 258, 259}) {
        const std::string name(length, char('a' + length % 26));
        const std::vector<BYTE> bytes = OneBoneSection(name, DWORD((length + 3) & ~size_t(3)));
        CSkeleton s;
        ASSERT_EQ(LoadSkeleton(s, bytes, KESTU_SKL_SKELETON), 0) << length;
        ASSERT_NE(s.GetBoneByName(name.c_str()), nullptr) << length;
        ASSERT_NE(s.GetSkeletonTree(), nullptr);
        EXPECT_EQ(std::string(s.GetSkeletonTree()->GetName()), name);
        EXPECT_EQ(StoreSkeleton(s, KESTU_SKL_SKELETON), bytes) << length;
        EXPECT_EQ(s.Export(Path("long.skl").c_str(), 1, KESTU_SKL_SKELETON), 0) << length;
        EXPECT_EQ(ReadBytes("long.skl"), bytes) << length;
    }
    // 260 characters fill L = 260 with no terminator; 264 do not fit.
    const std::string full(260, 'z');
    CSkeleton refused;
    EXPECT_EQ(LoadSkeleton(refused, OneBoneSection(full, 260), KESTU_SKL_SKELETON), E_FAIL);
    EXPECT_EQ(LoadSkeleton(refused, OneBoneSection(std::string(259, 'z'), 264), KESTU_SKL_SKELETON), E_FAIL);
    CSkeleton s;
    CSkAniBone* bone = new CSkAniBone();
    bone->SetName(full.c_str());
    s.AddBone(full.c_str(), bone);
    EXPECT_LT(s.Export(Path("full.skl").c_str(), 1, KESTU_SKL_SKELETON), 0);
}

TEST_F(SkeletonArchive, EntryNamesAndHeads)
{
    CSkeleton s;
    for (const char* name : {"abcd", "abcde"}) {
        CSkAniBone* bone = new CSkAniBone();
        bone->SetName(name);
        s.AddBone(name, bone);
    }
    const std::vector<BYTE> bytes = StoreSkeleton(s, KESTU_SKL_SKELETON);
    // Head (8 + 4 + 4 + 8), count, then "abcd" with L = 4 and no zero.
    size_t at = 24;
    EXPECT_EQ(GetU32(bytes.data() + at), 2u);
    EXPECT_EQ(GetU32(bytes.data() + at + 4), 4u);
    EXPECT_EQ(std::memcmp(bytes.data() + at + 8, "abcd", 4), 0);
    // The bone record: visible flag, box, two matrices, child count.
    at += 8 + 4 + 4 + 24 + 128 + 4;
    EXPECT_EQ(GetU32(bytes.data() + at), 8u);
    EXPECT_EQ(std::memcmp(bytes.data() + at + 4, "abcde\0\0\0", 8), 0);

    // An old file without "VERSION_": its bones carry no visible flag.
    std::vector<BYTE> old(bytes.begin() + 16, bytes.end());
    old.erase(old.begin() + 8 + 4 + 8, old.begin() + 8 + 4 + 8 + 4);
    old.erase(old.begin() + 8 + 4 + 8 + 156 + 12, old.begin() + 8 + 4 + 8 + 156 + 12 + 4);
    // No object section either: the flag keeps its value (1), so it stays.
    CSkeleton read;
    ASSERT_EQ(LoadSkeleton(read, old, KESTU_SKL_SKELETON), 0);
    EXPECT_EQ(read.GetSKLVersion(), 0xFFFFFFFFu);
    EXPECT_NE(read.GetBoneByName("abcde"), nullptr);
    EXPECT_EQ(read.GetBoneByName("abcd")->GetSKLVersion(), 0xFFFFFFFFu);

    // The clip head has no flag word; each record of version 2 starts with one.
    const std::vector<BYTE> clips = StoreSkeleton(hero, KESTU_SKL_ACTIONS);
    EXPECT_EQ(std::memcmp(clips.data() + 12, "ACTSDATA", 8), 0);
    EXPECT_EQ(GetU32(clips.data() + 20), 2u);
    EXPECT_EQ(GetU32(clips.data() + 24), 3u);
    EXPECT_EQ(std::memcmp(clips.data() + 28, "ACTSDATA", 8), 0);
}

TEST_F(SkeletonArchive, SkinHeadVersionMatchesEverySkin)
{
    hero.SetAllMSDVersion(0xFFFFFFFF);
    CSkeleton back;
    ASSERT_EQ(LoadSkeleton(back, StoreSkeleton(hero, KESTU_SKL_ALL), KESTU_SKL_ALL), 0);
    EXPECT_EQ(back.GetSkinsNumber(), 2u);
    EXPECT_EQ(back.GetSkinByName("arms")->GetMSDVersion(), 2u);
}

TEST_F(SkeletonArchive, SkinWithoutMeshDataReadsBack)
{
    CSkAniSkin* bare = new CSkAniSkin();
    bare->SetName("bare");
    const D3DXMATRIX* offset = hero.GetBoneByName("head")->GetOffsetMatrix();
    bare->AddBoneToList("head", offset);
    hero.AddSkin("bare", bare);
    CSkeleton back;
    ASSERT_EQ(LoadSkeleton(back, StoreSkeleton(hero, KESTU_SKL_ALL), KESTU_SKL_ALL), 0);
    CSkAniSkin* read = back.GetSkinByName("bare");
    ASSERT_NE(read, nullptr);
    ASSERT_NE(read->GetMeshData(), nullptr);
    EXPECT_EQ(read->GetMeshData()->GetMeshType(), DWORD(KESTU_MESHTYPE_NULL));
    EXPECT_EQ(read->GetBoneNumber(), 1u);
    EXPECT_EQ(back.GetActionsNumber(), 2u);
}

} // namespace
