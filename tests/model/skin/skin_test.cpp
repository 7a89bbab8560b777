// Skins: their bone tables, binding, records, copies and building.
#include <cstring>

#include "kestu_bytes.h"
#include "model/archive/LogText.h"
#include "skeleton_fixture.h"

namespace {

using namespace modeltest;

D3DXMATRIX Moved(float x)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, 0, 0);
    return m;
}

TEST(Skin, BoneTablesGrowByDoubling)
{
    CSkAniSkin skin;
    CSkAniBone bones[5];
    for (int i = 0; i < 3; ++i) {
        const D3DXMATRIX m = Moved(float(i));
        skin.AddBone(&bones[i], &m);
    }
    EXPECT_EQ(skin.GetBoneNumber(), 3u);
    EXPECT_EQ(skin.GetBoneCapacity(), 4u);
    skin.AddBone(&bones[3], static_cast<const float*>(nullptr));
    const D3DXMATRIX four = Moved(4);
    skin.AddBone(&bones[4], &four._11);
    EXPECT_EQ(skin.GetBoneCapacity(), 8u);
    EXPECT_EQ(skin.GetMatrixList()[2]._41, 2.0f);
    EXPECT_EQ(skin.GetMatrixList()[3]._41, 0.0f);
    EXPECT_EQ(skin.GetMatrixList()[4]._41, 4.0f);
    EXPECT_EQ(skin.GetBoneList()[4], &bones[4]);
    const D3DXMATRIX over[2] = {Moved(9), Moved(8)};
    skin.SetBoneMatrixList(over, 2);
    EXPECT_EQ(skin.GetMatrixList()[1]._41, 8.0f);
    skin.ClearBone();
    EXPECT_EQ(skin.GetBoneNumber(), 0u);
    EXPECT_EQ(skin.GetBoneCapacity(), 8u);

    // Copies own their tables.
    skin.AddBone(&bones[0], &over[0]);
    CSkAniSkin copy(skin);
    CSkAniSkin assigned;
    assigned = skin;
    EXPECT_EQ(assigned.GetBoneCapacity(), 1u);
    copy.GetMatrixList()[0]._41 = 77;
    assigned.GetMatrixList()[0]._41 = 66;
    EXPECT_EQ(skin.GetMatrixList()[0]._41, 9.0f);
}

class SkinBinding : public SkeletonLogTest {
protected:
    void SetUp() override
    {
        SkeletonLogTest::SetUp();
        for (const char* name : {"a", "b", "c"}) {
            CSkAniBone* bone = new CSkAniBone();
            bone->SetName(name);
            s.AddBone(name, bone);
        }
        s.SetSKLFileName("hero");
    }
    CSkeleton s;
};

TEST_F(SkinBinding, StopsAtTheFirstMissingBone)
{
    CSkAniSkin skin;
    const D3DXMATRIX m = Moved(1);
    for (const char* name : {"a", "x", "c"}) skin.AddBoneToList(name, &m);
    skin.AddBoneToList(nullptr, &m);
    EXPECT_EQ(skin.GetBoneNameList().size(), 3u);
    EXPECT_EQ(skin.GenerateBoneList(&s), E_FAIL);
    EXPECT_EQ(skin.GetBoneNumber(), 1u);
    EXPECT_EQ(skin.GetBoneList()[0], s.GetBoneByName("a"));
    char line[300];
    std::snprintf(line, sizeof line, Kestu::logtext::kSkinBoneMissing, "hero", "x");
    EXPECT_NE(Log().find(line), std::string::npos);
    // A skeleton without bones binds nothing and reports nothing.
    CSkeleton empty;
    const std::string before = Log();
    EXPECT_EQ(skin.GenerateBoneList(&empty), 0);
    EXPECT_EQ(skin.GetBoneNumber(), 0u);
    EXPECT_EQ(Log(), before);
}

TEST_F(SkinBinding, RecordsKeepTheirBoneList)
{
    // An unbound skin writes its name list back unchanged.
    CSkAniSkin skin;
    skin.SetMeshData(MiniMesh().release());
    for (const char* name : {"c", "abcd"}) {
        const D3DXMATRIX m = Moved(float(std::strlen(name)));
        skin.AddBoneToList(name, &m);
    }
    const std::vector<BYTE> bytes = Store([&](COUArchive& ar, DWORD& n) { return skin.Serialize(ar, n, 0, 1, 0); });
    EXPECT_EQ(kestu::GetU32(bytes.data()), 1u); // the MSD flag
    CSkAniSkin back;
    ASSERT_EQ(Load(bytes, [&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 0, 0, 0); }), 0);
    ASSERT_EQ(back.GetBoneNameList().size(), 2u);
    EXPECT_EQ(back.GetBoneNameList().back().first, "abcd");
    EXPECT_EQ(back.GetBoneNameList().back().second._41, 4.0f);
    EXPECT_EQ(Store([&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 0, 1, 0); }), bytes);
    // "abcd" is stored with L = 8 before its matrix at the end.
    const size_t tail = bytes.size() - 64 - 8 - 4;
    EXPECT_EQ(kestu::GetU32(bytes.data() + tail), 8u);

    // Bound, it writes the bound bones' names.
    back.GenerateBoneList(&s);
    EXPECT_EQ(back.GetBoneNumber(), 1u);
    const std::vector<BYTE> bound = Store([&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 0, 1, 0); });
    EXPECT_LT(bound.size(), bytes.size());

    // Names longer than the reader's buffer are refused.
    std::vector<BYTE> longName = bytes;
    kestu::PutU32(longName.data() + tail, 264);
    CSkAniSkin refused;
    EXPECT_EQ(Load(longName, [&](COUArchive& ar, DWORD& n) { return refused.Serialize(ar, n, 0, 0, 0); }), E_FAIL);
    // A huge bone count stops at the end of the data.
    std::vector<BYTE> many = bytes;
    kestu::PutU32(many.data() + tail - 4 - 64 - 4 - 4, 0x7FFFFFFF);
    CSkAniSkin tooMany;
    EXPECT_EQ(Load(many, [&](COUArchive& ar, DWORD& n) { return tooMany.Serialize(ar, n, 0, 0, 0); }), E_FAIL);
}

class SkinBuild : public ModelDevice {};

TEST_F(SkinBuild, PaletteOnlyForListedBones)
{
    CMeshDataMng mng;
    mng.Build(device);
    if (mng.SetSkeletonRenderPath(KESTU_SKLPATH_VS) != 1) GTEST_SKIP() << "no vertex shaders";
    CSkAniSkin bare;
    bare.SetMeshData(MiniMesh().release());
    bare.Build(device);
    EXPECT_EQ(bare.GetPalette(), nullptr);
    EXPECT_EQ(bare.GetMeshData()->IsBuildVSMode(), 0);

    CSkeleton s;
    MakeCharacter(s);
    CSkAniSkin* arms = s.GetSkinByName("arms");
    arms->EnableNormalCalc(1);
    EXPECT_EQ(arms->GetMeshData()->IsNormalCalcEnabled(), 1);
    EXPECT_GE(arms->Build(device), 0);
    EXPECT_NE(arms->GetPalette(), nullptr);
    EXPECT_EQ(arms->GetMeshData()->IsBuildVSMode(), 1);
    s.Release();
    bare.Release();
    bare.SetMeshData(nullptr);
    mng.Release();
}

} // namespace
