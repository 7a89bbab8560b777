// CTexture builds: settings, formats chosen per image, dropped levels, level
// of detail, ids, wrapping, copies and the failures of every build.
#include <gtest/gtest.h>

#include <cstring>

#include "host/host_d3d8.h"
#include "kestu_log.h"
#include "kestu_texture.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

TEST(TextureConfigTest, DefaultsAndReset)
{
    TEXTURE_CONFIG cfg;
    EXPECT_EQ(cfg.bAlpha, 0);
    EXPECT_EQ(cfg.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(cfg.dwFilter, 3u);
    EXPECT_EQ(cfg.dwMipFilter, 1u);
    EXPECT_EQ(cfg.dwMipLevels, 0xFFFFFFFFu);
    EXPECT_EQ(cfg.fLOD, 1.0f);
    EXPECT_EQ(cfg.dwDropLevels, 0u);
    EXPECT_EQ(cfg.bCompressed, 0);
    cfg.bAlpha = 1;
    cfg.fLOD = 0.25f;
    TEXTURE_CONFIG copy;
    copy = cfg;
    EXPECT_EQ(std::memcmp(&copy, &cfg, sizeof cfg), 0);
    copy.Reset();
    EXPECT_EQ(copy.bAlpha, 0);
    EXPECT_EQ(copy.fLOD, 1.0f);
}

class TextureBuildTest : public TextureTest {};

TEST_F(TextureBuildTest, EmptyTextureFillsTheBufferFields)
{
    const struct {
        D3DFORMAT format;
        int trans;
        int bits;
        int pixelFormat;
    } cases[] = {{D3DFMT_R5G6B5, 0xF81F, 16, 16},
                 {D3DFMT_A8R8G8B8, static_cast<int>(0xFFFF00FF), 32, 102032 & 0xFF},
                 {D3DFMT_A4R4G4B4, 0, 16, 16},
                 {D3DFMT_X1R5G5B5, 0x7C1F, 16, 15}};
    for (const auto& c : cases) {
        CTexture tex;
        ASSERT_EQ(tex.Build(dev, 24, 8, 1, 0, c.format, D3DPOOL_MANAGED, 5, 0), S_OK) << c.format;
        EXPECT_TRUE(tex.IsBuilt());
        EXPECT_TRUE(tex.IsValid());
        EXPECT_EQ(tex.GetID(), 5u);
        EXPECT_EQ(tex.GetFormat(), c.format);
        EXPECT_EQ(tex.GetTexWidth(), 24u);
        EXPECT_EQ(tex.GetTexHeight(), 8u);
        EXPECT_EQ(tex.GetMipLevels(), 1u);
        EXPECT_EQ(tex.GetRect().width, 24);
        EXPECT_EQ(tex.GetRect().height, 8);
        EXPECT_EQ(tex.GetTransColor(), c.trans);
        EXPECT_EQ(tex.GetPixelWidth(), c.bits);
        EXPECT_EQ(tex.GetPixelFormat(), c.pixelFormat);
        EXPECT_EQ(tex.PitchCx(), c.bits * 24 / 8);
        EXPECT_EQ(tex.PitchCy(), 8);
        EXPECT_EQ(tex.WhoAmI(), 8);
    }
}

TEST_F(TextureBuildTest, EmptyTextureFromSettingsTakesTheConfiguredFormat)
{
    TEXTURE_CONFIG cfg;
    cfg.bAlpha = 1;
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 16, 16, 0, 0, &cfg, 0xFFFFFFFF, 0), S_OK);
    EXPECT_EQ(tex.GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(tex.GetMipLevels(), 5u);
    cfg.bAlpha = 0;
    cfg.bCompressed = 1;
    ASSERT_EQ(tex.Build(dev, 16, 16, 1, 0, &cfg, 0xFFFFFFFF, 0), S_OK);
    EXPECT_EQ(tex.GetFormat(), D3DFMT_DXT1);
    g_GfxConfig.GetCfg()->fmtTexture = D3DFMT_X1R5G5B5;
    ASSERT_EQ(tex.Build(dev, 16, 16, 1, 0, nullptr, 0xFFFFFFFF, 0), S_OK);
    EXPECT_EQ(tex.GetFormat(), D3DFMT_X1R5G5B5);
}

TEST_F(TextureBuildTest, AlphaAndFormatFollowTheImage)
{
    const struct {
        const char* what;
        D3DXIMAGE_FILEFORMAT type;
        D3DFORMAT source;
        int cfgAlpha, compressed, hint;
        D3DFORMAT want;
        int alphaAfter;
    } cases[] = {
        {"tga without alpha", D3DXIFF_TGA, D3DFMT_X8R8G8B8, 0, 0, 0, D3DFMT_A8R8G8B8, 1},
        {"bmp with hint", D3DXIFF_BMP, D3DFMT_R5G6B5, 0, 0, 1, D3DFMT_A8R8G8B8, 0},
        {"bmp", D3DXIFF_BMP, D3DFMT_R5G6B5, 0, 0, 0, D3DFMT_R5G6B5, 0},
        {"bmp asked for alpha", D3DXIFF_BMP, D3DFMT_R5G6B5, 1, 0, 0, D3DFMT_A8R8G8B8, 1},
        {"png with alpha", D3DXIFF_PNG, D3DFMT_A8R8G8B8, 0, 0, 0, D3DFMT_A8R8G8B8, 1},
        {"jpg", D3DXIFF_JPG, D3DFMT_X8R8G8B8, 0, 0, 0, D3DFMT_R5G6B5, 0},
        {"dds dxt2", D3DXIFF_DDS, D3DFMT_DXT2, 0, 1, 0, D3DFMT_DXT2, 1},
        {"dds dxt1", D3DXIFF_DDS, D3DFMT_DXT1, 0, 1, 0, D3DFMT_DXT1, 0},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> image = ImageFile(c.type, c.source, 16, 16);
        ASSERT_FALSE(image.empty()) << c.what;
        TEXTURE_CONFIG cfg;
        cfg.bAlpha = c.cfgAlpha;
        cfg.bCompressed = c.compressed;
        CTexture tex;
        ASSERT_EQ(
            tex.Build(dev, image.data(), static_cast<DWORD>(image.size()), &cfg, -1, -1, 0, 0, 0xFFFFFFFF, c.hint, 0),
            S_OK)
            << c.what;
        EXPECT_EQ(tex.GetFormat(), c.want) << c.what;
        EXPECT_EQ(tex.GetCfgTexture()->bAlpha, c.alphaAfter) << c.what;
        EXPECT_EQ(tex.GetTexWidth(), 16u) << c.what;
    }
}

TEST_F(TextureBuildTest, DroppedLevelsShrinkToAPowerOfTwoSquare)
{
    const struct {
        UINT w, h;
        DWORD drop;
        UINT side;
        DWORD levels;
    } cases[] = {{200, 100, 2, 64, 7}, {4, 4, 10, 1, 1}, {16, 16, 1, 8, 4}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> image = ImageFile(D3DXIFF_BMP, D3DFMT_X8R8G8B8, c.w, c.h);
        TEXTURE_CONFIG cfg;
        cfg.dwDropLevels = c.drop;
        CTexture tex;
        ASSERT_EQ(tex.Build(dev, image.data(), static_cast<DWORD>(image.size()), &cfg, -1, -1, 0, 0, 1, 0, 0), S_OK)
            << c.w;
        EXPECT_EQ(tex.GetTexWidth(), c.side) << c.w;
        EXPECT_EQ(tex.GetTexHeight(), c.side) << c.w;
        EXPECT_EQ(tex.GetMipLevels(), c.levels) << c.w;
    }
}

// Without filtering the kept levels are the file's smaller levels copied as
// they are; a wide image fills the top of each square level.
TEST_F(TextureBuildTest, UnfilteredDropCopiesTheMatchingPartOfEachLevel)
{
    const std::vector<uint8_t> image = ImageFile(D3DXIFF_BMP, D3DFMT_X8R8G8B8, 64, 16);
    TEXTURE_CONFIG cfg;
    cfg.dwDropLevels = 1;
    cfg.dwFilter = D3DX_FILTER_NONE;
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, image.data(), static_cast<DWORD>(image.size()), &cfg, -1, -1, 0, 0, 1, 0, 0), S_OK);
    ASSERT_EQ(tex.GetTexWidth(), 32u);
    ASSERT_EQ(tex.GetTexHeight(), 32u);
    EXPECT_EQ(tex.GetMipLevels(), 6u);
    const std::vector<uint16_t> top = Texels<uint16_t>(tex.GetD3DTexture(), 0);
    ASSERT_EQ(top.size(), 32u * 32u);
    // Level 1 of the image: 2-texel checker blocks of blue and red, 8 rows.
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 32; ++x)
            ASSERT_EQ(top[y * 32 + x], ((x / 2 + y / 2) & 1) ? 0xF800 : 0x001F) << x << "," << y;
    const std::vector<uint16_t> last = Texels<uint16_t>(tex.GetD3DTexture(), 5);
    ASSERT_EQ(last.size(), 1u);
}

TEST_F(TextureBuildTest, LevelOfDetail)
{
    const std::vector<uint8_t> image = ImageFile(D3DXIFF_PNG, D3DFMT_X8R8G8B8, 256, 256);
    const struct {
        float lod;
        DWORD d3dLod;
    } atLoad[] = {{0.95f, 0}, {0.85f, 1}, {0.5f, 4}, {0.0f, 8}};
    for (const auto& c : atLoad) {
        TEXTURE_CONFIG cfg;
        cfg.fLOD = c.lod;
        CTexture tex;
        ASSERT_EQ(tex.Build(dev, image.data(), static_cast<DWORD>(image.size()), &cfg, -1, -1, 0, 0, 1, 0, 0), S_OK);
        ASSERT_EQ(tex.GetMipLevels(), 9u);
        EXPECT_EQ(tex.GetD3DTexture()->GetLOD(), c.d3dLod) << c.lod;
        EXPECT_EQ(tex.GetLOD(), c.lod);
    }
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, image.data(), static_cast<DWORD>(image.size()), nullptr, -1, -1, 0, 0, 1, 0, 0), S_OK);
    tex.SetLOD(1.7f);
    EXPECT_EQ(tex.GetLOD(), 1.0f);
    EXPECT_EQ(tex.GetD3DTexture()->GetLOD(), 0u);
    tex.SetLOD(-0.2f);
    EXPECT_EQ(tex.GetLOD(), 0.0f);
    EXPECT_EQ(tex.GetD3DTexture()->GetLOD(), 8u);
    tex.SetLOD(0.5f);
    EXPECT_EQ(tex.GetD3DTexture()->GetLOD(), 4u);
}

TEST_F(TextureBuildTest, RunTimeIdsCountDownAndAreKeptOnRebuild)
{
    CTexture a, b;
    ASSERT_EQ(a.Build(dev, 4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
    ASSERT_EQ(b.Build(dev, 4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
    EXPECT_LT(a.GetID(), 0xFFFFFFFFu);
    EXPECT_EQ(b.GetID(), a.GetID() - 1);
    EXPECT_EQ(CTexture::m_dwRunTimeID, b.GetID());
    const DWORD first = a.GetID();
    ASSERT_EQ(a.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
    EXPECT_EQ(a.GetID(), first);
    ASSERT_EQ(a.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 42, 0), S_OK);
    EXPECT_EQ(a.GetID(), 42u);
}

TEST_F(TextureBuildTest, FailuresKeepAnEarlierBuild)
{
    const std::vector<uint8_t> png = ImageFile(D3DXIFF_PNG, D3DFMT_X8R8G8B8, 16, 16);
    const std::vector<uint8_t> truncated(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    const char noImage[] = "these bytes are no image at all";
    IDirect3DTexture8* made = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &made), S_OK);

    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 3, 0), S_OK);
    EXPECT_EQ(tex.Build(nullptr, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 3, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(nullptr, 8, 8, 1, 0, nullptr, 3, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(nullptr, made, 3, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(dev, static_cast<IDirect3DTexture8*>(nullptr), 3, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(dev, static_cast<const void*>(nullptr), 10, nullptr, -1, -1, 0, 0, 3, 0, 0),
              KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(dev, static_cast<const char*>(nullptr), nullptr, -1, -1, 0, 0, 3, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(dev, Path("missing.png").c_str(), nullptr, -1, -1, 0, 0, 3, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(tex.Build(dev, 8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 3, 0),
              KESTUERR_INVALIDPARAM);
    EXPECT_TRUE(FAILED(tex.Build(dev, noImage, sizeof noImage, nullptr, -1, -1, 0, 0, 3, 0, 0)));
    EXPECT_TRUE(
        FAILED(tex.Build(dev, truncated.data(), static_cast<DWORD>(truncated.size()), nullptr, -1, -1, 0, 0, 3, 0, 0)));
    EXPECT_TRUE(tex.IsBuilt());
    EXPECT_EQ(tex.GetTexWidth(), 8u);

    // A lost device fails every build unless the configuration spares the test.
    host::D3D8LoseDevices();
    EXPECT_EQ(tex.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 3, 0), D3DERR_DEVICELOST);
    EXPECT_EQ(tex.Build(dev, png.data(), static_cast<DWORD>(png.size()), nullptr, -1, -1, 0, 0, 3, 0, 0),
              D3DERR_DEVICELOST);
    g_GfxConfig.GetCfg()->bSkipDeviceTest = 1;
    EXPECT_EQ(tex.Build(dev, png.data(), static_cast<DWORD>(png.size()), nullptr, -1, -1, 0, 0, 3, 0, 0), S_OK);
    host::D3D8RegainDevices();
    D3DPRESENT_PARAMETERS pp = DeviceParameters();
    EXPECT_EQ(dev->Reset(&pp), S_OK);
    made->Release();
}

TEST_F(TextureBuildTest, FromFileReadsTheWholeFile)
{
    WriteFile("image.tga", ImageFile(D3DXIFF_TGA, D3DFMT_X8R8G8B8, 8, 4));
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, Path("image.tga").c_str(), nullptr, -1, -1, 0, 0, 0xFFFFFFFF, 0), S_OK);
    EXPECT_EQ(tex.GetTexWidth(), 8u);
    EXPECT_EQ(tex.GetTexHeight(), 4u);
    EXPECT_TRUE(tex.IsAutoRestore());
    EXPECT_EQ(tex.GetFormat(), D3DFMT_A8R8G8B8);
}

TEST_F(TextureBuildTest, WrappedTextureIsNeitherReferencedNorReleased)
{
    IDirect3DTexture8* made = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &made), S_OK);
    {
        CTexture tex;
        ASSERT_EQ(tex.Build(dev, made, 9, 0), S_OK);
        EXPECT_EQ(tex.GetD3DTexture(), made);
        EXPECT_FALSE(tex.IsOwnTexture());
        EXPECT_EQ(tex.GetPool(), D3DPOOL_MANAGED);
        EXPECT_EQ(tex.GetMipLevels(), 2u);
        CTexture copy(tex);
        EXPECT_EQ(copy.GetD3DTexture(), made);
    }
    EXPECT_EQ(made->AddRef(), 2u);
    made->Release();
    EXPECT_EQ(made->Release(), 0u);
}

TEST_F(TextureBuildTest, CopiesHoldTheirOwnReferences)
{
    CTexture* tex = new CTexture;
    ASSERT_EQ(tex->Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, 4, 1), S_OK);
    ASSERT_EQ(tex->Restore(), S_OK);
    IDirect3DTexture8* d3d = tex->GetD3DTexture();
    IDirect3DTexture8* copy = tex->GetSysMemTexture();
    ASSERT_NE(d3d, nullptr);
    ASSERT_NE(copy, nullptr);
    d3d->AddRef();
    copy->AddRef();
    {
        CTexture a(*tex);
        CTexture b;
        b = a;
        b = *tex;
        EXPECT_EQ(b.GetD3DTexture(), d3d);
    }
    delete tex;
    // Only the references taken above are left: nothing was released twice.
    EXPECT_EQ(d3d->Release(), 0u);
    EXPECT_EQ(copy->Release(), 0u);
}

TEST_F(TextureBuildTest, ReferenceCountAndSplice)
{
    CTexture tex;
    EXPECT_EQ(tex.SubRef(), 0);
    EXPECT_EQ(tex.AddRef(), 1);
    EXPECT_EQ(tex.AddRef(), 2);
    EXPECT_EQ(tex.SubRef(), 1);
    tex.ClearRef();
    EXPECT_EQ(tex.GetRef(), 0);

    CTexture src;
    ASSERT_EQ(src.Build(dev, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 77, 0), S_OK);
    IDirect3DTexture8* d3d = src.GetD3DTexture();
    EXPECT_EQ(tex.Splice(nullptr), E_INVALIDARG);
    EXPECT_EQ(tex.Splice(&src), E_INVALIDARG); // ids differ
    tex.SetID(77);
    EXPECT_EQ(tex.Splice(&src), S_OK);
    EXPECT_TRUE(tex.IsBuilt());
    EXPECT_EQ(tex.GetD3DTexture(), d3d);
    EXPECT_EQ(tex.GetTexWidth(), 16u);
    EXPECT_EQ(tex.PitchCx(), 64);
    EXPECT_FALSE(src.IsBuilt());
    EXPECT_EQ(src.GetD3DTexture(), nullptr);
}

TEST_F(TextureBuildTest, ReleaseKeepsNameIdSizeSettingsAndCount)
{
    TEXTURE_CONFIG cfg;
    cfg.dwFilter = D3DX_FILTER_POINT;
    CTexture tex;
    tex.SetName("tree.png");
    ASSERT_EQ(tex.Build(dev, 16, 8, 1, 0, &cfg, 12, 0), S_OK);
    tex.AddRef();
    tex.dwUserData = 5;
    tex.Release();
    EXPECT_FALSE(tex.IsBuilt());
    EXPECT_FALSE(tex.IsValid());
    EXPECT_EQ(tex.GetFormat(), D3DFMT_UNKNOWN);
    EXPECT_STREQ(tex.GetName(), "tree.png");
    EXPECT_EQ(tex.GetID(), 12u);
    EXPECT_EQ(tex.GetTexWidth(), 16u);
    EXPECT_EQ(tex.GetCfgTexture()->dwFilter, static_cast<DWORD>(D3DX_FILTER_POINT));
    EXPECT_EQ(tex.GetRef(), 1);
    EXPECT_EQ(tex.dwUserData, 0u);
    EXPECT_EQ(tex.GetSurfaceLevel(0, nullptr), KESTUERR_NOTEXTURE);
}

TEST_F(TextureBuildTest, SaveToDiskFile)
{
    CTexture tex;
    EXPECT_EQ(tex.SaveToDiskFile(Path("none.bmp").c_str(), D3DXIFF_BMP), KESTUERR_SURFACENOTBUILT);
    ASSERT_EQ(tex.Build(dev, 8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 1, 0), S_OK);
    ASSERT_EQ(tex.ColorFill(0xFF102030, nullptr, 0), S_OK);
    ASSERT_TRUE(tex.AbsLock());
    EXPECT_EQ(tex.SaveToDiskFile(Path("locked.bmp").c_str(), D3DXIFF_BMP), KESTUERR_GENERIC);
    ASSERT_TRUE(tex.AbsUnLock());
    ASSERT_EQ(tex.SaveToDiskFile(Path("saved.png").c_str(), D3DXIFF_PNG), S_OK);
    CTexture back;
    ASSERT_EQ(back.Build(dev, Path("saved.png").c_str(), nullptr, -1, -1, 0, 0, 2, 1), S_OK);
    const std::vector<uint32_t> texels = Texels<uint32_t>(back.GetD3DTexture());
    ASSERT_EQ(texels.size(), 64u);
    EXPECT_EQ(texels[0], 0xFF102030u);
}

} // namespace
