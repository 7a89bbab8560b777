// CTextureList in array mode (textures from files by name) and in manager
// mode (textures from a library by id).
#include <gtest/gtest.h>

#include "host/host_d3d8.h"
#include "kestu_log.h"
#include "kestu_texture_list.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

class TextureListTest : public TextureTest {
protected:
    void SetUp() override
    {
        TextureTest::SetUp();
        if (HasFatalFailure()) return;
        for (const char* name : {"a.bmp", "A.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"})
            WriteFile(name, ImageFile(D3DXIFF_BMP, D3DFMT_R5G6B5, 8, 4));
    }
    DWORD Load(CTextureList& list, const std::string& name)
    {
        DWORD index = 0;
        EXPECT_EQ(list.LoadTexture(&index, Path(name).c_str()), S_OK) << name;
        return index;
    }
    HRESULT ResetDevice()
    {
        D3DPRESENT_PARAMETERS pp = DeviceParameters();
        return dev->Reset(&pp);
    }
};

TEST_F(TextureListTest, ArrayModeLoadsEachFileNameOnce)
{
    CTextureList list;
    ASSERT_EQ(list.BuildArrayMode(dev, nullptr), S_OK);
    EXPECT_TRUE(list.IsBuilt());
    EXPECT_TRUE(list.IsUseTextureArray());
    EXPECT_EQ(list.GetMng(), nullptr);
    EXPECT_EQ(Load(list, "a.bmp"), 0u);
    EXPECT_EQ(Load(list, "a.bmp"), 0u);
    EXPECT_EQ(Load(list, "A.bmp"), 1u); // names compare case-sensitively
    EXPECT_EQ(list.GetNumTextures(), 2u);
    CTexture* a = list.GetTexture(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetID(), 0u);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(list.GetD3DTexture(0), a->GetD3DTexture());
    ASSERT_NE(list.GetNamedTexture(1), nullptr);
    EXPECT_TRUE(list.GetNamedTexture(1)->IsSame(Path("A.bmp").c_str()));
    EXPECT_EQ(list.GetSetSingleMipLevels(0), 4u);
    EXPECT_EQ(list.GetSetSingleMipLevels(7), 0xFFFFFFFFu);

    EXPECT_EQ(list.LoadTexture(nullptr, "a.bmp"), E_FAIL);
    DWORD index = 0;
    EXPECT_EQ(list.LoadTexture(&index, nullptr), E_FAIL);
    EXPECT_TRUE(FAILED(list.LoadTexture(&index, Path("missing.bmp").c_str())));
    EXPECT_EQ(index, 0xFFFFFFFFu);
    EXPECT_NE(Log().find("Failed load texture2(" + Path("missing.bmp") + ") for MeshAni !\n"), std::string::npos)
        << Log();
    EXPECT_EQ(list.GetNumTextures(), 2u);

    // Manager-mode calls refuse an array-mode list.
    EXPECT_EQ(list.QueryTexture(0), nullptr);
    EXPECT_EQ(list.ReleaseTexture(0), E_FAIL);
    EXPECT_EQ(list.ApplyAllTexturesReference(), E_FAIL);
}

TEST_F(TextureListTest, UnloadEmptiesOneSlotAndNoIndexMoves)
{
    CTextureList list;
    ASSERT_EQ(list.BuildArrayMode(dev, nullptr, 2, 2, 1), S_OK);
    EXPECT_TRUE(list.IsMultiThreaded());
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) Load(list, name);
    CTexture* c = list.GetTexture(2);
    EXPECT_EQ(list.UnloadTexture(3), S_OK);
    EXPECT_EQ(list.GetTexture(3), nullptr);
    EXPECT_EQ(list.GetNamedTexture(3), nullptr);
    EXPECT_EQ(list.GetNumTextures(), 3u);
    EXPECT_EQ(list.GetTexture(2), c);
    EXPECT_EQ(list.UnloadTexture(3), E_FAIL);
    EXPECT_EQ(Load(list, "e.bmp"), 4u); // the emptied slot is not taken again
    EXPECT_EQ(Load(list, "d.bmp"), 5u);
    EXPECT_EQ(list.GetSingleTexLOD(3), 1.0f);
    EXPECT_EQ(list.SetSingleTexLOD(3, 0.5f), E_FAIL);
    EXPECT_EQ(list.SetSingleTexLOD(2, 0.5f), S_OK);
    EXPECT_EQ(list.GetSingleTexLOD(2), 0.5f);
    EXPECT_EQ(list.SetSetSingleMipLevels(3, 1), E_FAIL);
    EXPECT_EQ(list.SetSetSingleMipLevels(2, 1), S_OK);

    EXPECT_EQ(list.UnloadAllTexture(), S_OK);
    EXPECT_EQ(list.GetNumTextures(), 0u);
    EXPECT_EQ(Load(list, "a.bmp"), 0u);
    EXPECT_EQ(list.TestShrink(), 1);
    list.Release();
    EXPECT_FALSE(list.IsBuilt());
    EXPECT_EQ(list.GetArray(), nullptr);
}

TEST_F(TextureListTest, ArrayModeSettingsRebuildFromTheFiles)
{
    CTextureList list;
    ASSERT_EQ(list.BuildArrayMode(dev, nullptr), S_OK);
    Load(list, "a.bmp");
    Load(list, "b.bmp");
    CTexture* a = list.GetTexture(0);
    ASSERT_EQ(a->GetFormat(), D3DFMT_R5G6B5);
    TEXTURE_CONFIG cfg;
    cfg.bAlpha = 1;
    EXPECT_EQ(list.SetCfgTexture(nullptr), E_FAIL);
    EXPECT_EQ(list.SetCfgTexture(&cfg), S_OK);
    EXPECT_EQ(list.GetTexture(0), a);
    EXPECT_EQ(a->GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(a->GetID(), 0u);
    EXPECT_EQ(list.GetTexture(1)->GetID(), 1u);
    EXPECT_EQ(list.ReBuild(), S_OK);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(a->GetTexWidth(), 8u);
    EXPECT_EQ(a->GetFormat(), D3DFMT_A8R8G8B8);

    EXPECT_EQ(list.SetTexLOD(0.0f), S_OK);
    EXPECT_EQ(list.GetTexLOD(), 0.0f);
    EXPECT_EQ(a->GetD3DTexture()->GetLOD(), 3u);
    EXPECT_EQ(list.SetMipLevels(2), S_OK);
    EXPECT_EQ(list.GetMipLevels(), 2u);
}

// A DEFAULT-pool list: each texture keeps its system-memory copy over the
// reset and brings itself back.
TEST_F(TextureListTest, ArrayModeDefaultPoolComesBackAfterAReset)
{
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    CTextureList list;
    ASSERT_EQ(list.BuildArrayMode(dev, &cfg), S_OK);
    Load(list, "a.bmp");
    Load(list, "b.bmp");
    ASSERT_NE(list.GetD3DTexture(1), nullptr);
    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    ASSERT_EQ(list.Invalidate(), S_OK);
    EXPECT_EQ(list.GetD3DTexture(1), nullptr);
    ASSERT_EQ(ResetDevice(), S_OK);
    ASSERT_EQ(list.Restore(), S_OK);
    EXPECT_NE(list.GetD3DTexture(0), nullptr);
    EXPECT_NE(list.GetD3DTexture(1), nullptr);
    EXPECT_EQ(list.GetNumTextures(), 2u);
}

TEST_F(TextureListTest, ManagerModeHandsOutLibraryIds)
{
    const std::string lib =
        MakeLibrary("meshes.kidx", {{40, "wall.bmp", ImageFile(D3DXIFF_BMP, D3DFMT_R5G6B5, 8, 8)},
                                    {41, "roof.tga", ImageFile(D3DXIFF_TGA, D3DFMT_X8R8G8B8, 4, 4)}});
    CTextureList list;
    EXPECT_TRUE(FAILED(list.BuildMngMode(dev, nullptr, Path("missing.kidx").c_str())));
    EXPECT_FALSE(list.IsBuilt());
    ASSERT_EQ(list.BuildMngMode(dev, nullptr, lib.c_str(), 1, 4), S_OK);
    EXPECT_TRUE(list.IsUseTextureMng());
    ASSERT_NE(list.GetMng(), nullptr);
    EXPECT_TRUE(list.GetMng()->IsMultiThreaded());
    EXPECT_EQ(list.GetArray(), nullptr);

    DWORD id = 0;
    ASSERT_EQ(list.LoadTexture(&id, "roof.tga"), S_OK);
    EXPECT_EQ(id, 41u);
    CTexture* roof = list.GetTexture(41);
    ASSERT_NE(roof, nullptr);
    EXPECT_EQ(roof->GetRef(), 1);
    EXPECT_EQ(list.GetD3DTexture(41), roof->GetD3DTexture());
    EXPECT_EQ(list.GetNumTextures(), 1u);

    EXPECT_EQ(list.LoadTexture(&id, "chimney.bmp"), E_FAIL);
    EXPECT_EQ(id, 0xFFFFFFFFu);
    EXPECT_NE(Log().find("Failed load texture(chimney.bmp) for MeshAni !\n"), std::string::npos) << Log();

    EXPECT_EQ(list.QueryTexture(41), roof);
    EXPECT_EQ(list.QueryTexture(0xFFFFFFFF), nullptr);
    EXPECT_EQ(list.ReleaseTexture(41), 1);
    EXPECT_EQ(list.ReleaseTexture(0xFFFFFFFF), E_FAIL);
    EXPECT_EQ(list.UnloadTexture(41, 1), S_OK);
    EXPECT_FALSE(roof->IsBuilt());
    EXPECT_EQ(list.GetSingleTexLOD(41), 1.0f);
    EXPECT_EQ(list.GetSetSingleMipLevels(41), 0xFFFFFFFFu);
    EXPECT_EQ(list.SetSetSingleMipLevels(41, 2), E_FAIL);
    EXPECT_EQ(list.GetNamedTexture(0), nullptr);

    // The texture comes back when the reference does.
    roof->SetRef(1);
    EXPECT_EQ(list.ApplyAllTexturesReference(), S_OK);
    EXPECT_TRUE(roof->IsBuilt());
    TEXTURE_CONFIG cfg;
    cfg.fLOD = 0.0f;
    EXPECT_EQ(list.SetCfgTexture(&cfg), S_OK);
    EXPECT_EQ(list.GetMng()->GetLOD(), 0.0f);
    EXPECT_EQ(roof->GetRef(), 1);
    EXPECT_EQ(list.ReBuild(), S_OK);
    EXPECT_TRUE(roof->IsBuilt());
    EXPECT_EQ(list.Invalidate(), S_OK);
    EXPECT_EQ(list.Restore(), S_OK);
    EXPECT_TRUE(roof->IsBuilt());
    list.Release();
    EXPECT_EQ(list.GetMng(), nullptr);
}

TEST(NamedTextureTest, NamesAreOwnedPerEntry)
{
    SNamedTexture a(nullptr, "wall.bmp");
    EXPECT_TRUE(a.IsHaveName());
    EXPECT_TRUE(a.IsSame("wall.bmp"));
    EXPECT_FALSE(a.IsSame("Wall.bmp"));
    {
        SNamedTexture copy(a);
        SNamedTexture assigned;
        assigned = a;
        EXPECT_TRUE(copy.IsSame("wall.bmp"));
        EXPECT_NE(copy.pszName, a.pszName);
    }
    EXPECT_TRUE(a.IsSame("wall.bmp"));
    EXPECT_EQ(a.SetName(nullptr), S_OK);
    EXPECT_FALSE(a.IsHaveName());
    EXPECT_FALSE(a.IsSame("wall.bmp"));
    EXPECT_EQ(a.SetName(""), S_OK);
    EXPECT_FALSE(a.IsHaveName());
}

} // namespace
