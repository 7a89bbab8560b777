#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "core/entry/GfxGlobals.h"
#include "kestu.h"

namespace {

HINSTANCE FakeInstance()
{
    static int dummy;
    return reinterpret_cast<HINSTANCE>(&dummy);
}

TEST(KestuConfig, ConstructorSetsEveryDefault)
{
    // Built over dirty memory so fields the constructor forgets would show.
    alignas(KESTU_CONFIG) unsigned char raw[sizeof(KESTU_CONFIG)];
    std::memset(raw, 0xCD, sizeof raw);
    KESTU_CONFIG& c = *new (raw) KESTU_CONFIG;

    EXPECT_EQ(c.eResolution, KESTU_RES_800X600);
    EXPECT_EQ(c.eHowToCreateDevice, 0);
    EXPECT_EQ(c.bErrMsgBoxEnabled, 0);
    EXPECT_EQ(c.eLogLevel, 2);
    EXPECT_STREQ(c.szLogFile, "Kestu.log");
    EXPECT_EQ(c.hInstance, nullptr);
    EXPECT_EQ(c.dwReserved, 0u);
    EXPECT_STREQ(c.szWindowTitle, "Kestu Application");
    EXPECT_EQ(c.bWindowed, 0);
    EXPECT_EQ(c.bKeepWindowSize, 0);
    EXPECT_EQ(c.rcRender.left, 0);
    EXPECT_EQ(c.rcRender.top, 0);
    EXPECT_EQ(c.rcRender.right, 0);
    EXPECT_EQ(c.rcRender.bottom, 0);
    EXPECT_EQ(c.bRenderRectEnabled, 0);
    EXPECT_EQ(c.pfnWndProc, nullptr);
    EXPECT_EQ(c.hIcon, nullptr);
    EXPECT_EQ(c.dwWindowStyle, 0x80080000u);
    EXPECT_EQ(c.dwWindowExStyle, 8u);
    EXPECT_EQ(c.bMenu, 0);
    EXPECT_EQ(c.bBackBufferLockable, 0);
    EXPECT_EQ(c.bUseDepthBuffer, 1);
    EXPECT_EQ(c.dwMinDepthBits, 16u);
    EXPECT_EQ(c.dwMinStencilBits, 0u);
    EXPECT_EQ(c.bShowCursorWhenFullscreen, 0);
    EXPECT_EQ(c.SwapEffect, 1u);
    EXPECT_EQ(c.PresentationInterval, 0x80000000u);
    EXPECT_EQ(c.pDevObjMng, nullptr);
    EXPECT_EQ(c.bMultiThreaded, 0);
    EXPECT_EQ(c.bAllowPureDevice, 0);
    EXPECT_EQ(c.bSkipDeviceTest, 0);
    const D3DFORMAT allowed16[8] = {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5};
    const D3DFORMAT allowed32[8] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(c.fmtAllowed16[i], allowed16[i]) << i;
        EXPECT_EQ(c.fmtAllowed32[i], allowed32[i]) << i;
    }
    EXPECT_EQ(c.fmtTexture, D3DFMT_R5G6B5);
    EXPECT_EQ(c.fmtTextureAlpha, D3DFMT_A8R8G8B8);
    EXPECT_EQ(c.fmtTextureCompressed, D3DFMT_DXT1);
    EXPECT_EQ(c.fmtTextureCompressedAlpha, D3DFMT_DXT2);
    for (BYTE b : c.reserved3) EXPECT_EQ(b, 0);
    c.~KESTU_CONFIG();
}

TEST(KestuConfig, ExtraConstructorSetsEveryDefault)
{
    alignas(KESTU_EXTRA_CONFIG) unsigned char raw[sizeof(KESTU_EXTRA_CONFIG)];
    std::memset(raw, 0xCD, sizeof raw);
    KESTU_EXTRA_CONFIG& e = *new (raw) KESTU_EXTRA_CONFIG;

    EXPECT_EQ(e.pDevice, nullptr);
    EXPECT_EQ(e.dwCreateFlags, 0u);
    EXPECT_EQ(e.pPresentParams, nullptr);
    EXPECT_EQ(e.eResolution, KESTU_RES_800X600);
    EXPECT_EQ(e.bErrMsgBoxEnabled, 0);
    EXPECT_EQ(e.eLogLevel, 2);
    EXPECT_STREQ(e.szLogFile, "Kestu.log");
    EXPECT_EQ(e.hInstance, nullptr);
    EXPECT_EQ(e.dwReserved, 0u);
    EXPECT_EQ(e.bWindowed, 0);
    EXPECT_EQ(e.pDevObjMng, nullptr);
    EXPECT_EQ(e.bMultiThreaded, 0);
    EXPECT_EQ(e.bAllowPureDevice, 0);
    EXPECT_EQ(e.bSkipDeviceTest, 0);
    EXPECT_EQ(e.fmtTexture, D3DFMT_R5G6B5);
    EXPECT_EQ(e.fmtTextureAlpha, D3DFMT_A8R8G8B8);
    EXPECT_EQ(e.fmtTextureCompressed, D3DFMT_DXT1);
    EXPECT_EQ(e.fmtTextureCompressedAlpha, D3DFMT_DXT2);
    for (BYTE b : e.reserved3) EXPECT_EQ(b, 0);
    e.~KESTU_EXTRA_CONFIG();
}

TEST(KestuConfig, ValidityNeedsInstanceAndForExtraAlsoDevice)
{
    KESTU_CONFIG c;
    EXPECT_FALSE(c.IsValidData());
    c.hInstance = FakeInstance();
    EXPECT_TRUE(c.IsValidData());

    KESTU_EXTRA_CONFIG e;
    e.hInstance = FakeInstance();
    EXPECT_FALSE(e.IsValidData());
    e.pDevice = reinterpret_cast<IDirect3DDevice8*>(&e); // only compared with null
    EXPECT_TRUE(e.IsValidData());
    e.hInstance = nullptr;
    EXPECT_FALSE(e.IsValidData());
}

TEST(KestuConfig, SpecialRenderRectNeedsFlagAndPositiveWidth)
{
    struct Case {
        BOOL enabled;
        LONG left, right;
        BOOL special;
    };
    const Case cases[] = {
        {1, 10, 11, TRUE}, {1, 10, 10, FALSE}, {1, 10, 9, FALSE}, {0, 10, 500, FALSE}, {7, -5, 0, TRUE},
    };
    for (const Case& k : cases) {
        KESTU_CONFIG c;
        c.bRenderRectEnabled = k.enabled;
        c.rcRender.left = k.left;
        c.rcRender.right = k.right;
        EXPECT_EQ(c.IsSpecialRenderRect() != 0, k.special != 0) << k.enabled << " " << k.left << " " << k.right;
    }
}

TEST(KestuConfig, TextureFormatSelectionTreatsNonZeroAsOne)
{
    KESTU_CONFIG c;
    c.fmtTexture = D3DFMT_X1R5G5B5;
    c.fmtTextureAlpha = D3DFMT_A4R4G4B4;
    c.fmtTextureCompressed = D3DFMT_DXT3;
    c.fmtTextureCompressedAlpha = D3DFMT_DXT5;
    KESTU_EXTRA_CONFIG e;
    e.fmtTexture = c.fmtTexture;
    e.fmtTextureAlpha = c.fmtTextureAlpha;
    e.fmtTextureCompressed = c.fmtTextureCompressed;
    e.fmtTextureCompressedAlpha = c.fmtTextureCompressedAlpha;

    struct Case {
        int alpha, compressed;
        D3DFORMAT expected;
    };
    const Case cases[] = {
        {0, 0, D3DFMT_X1R5G5B5}, {1, 0, D3DFMT_A4R4G4B4}, {0, 1, D3DFMT_DXT3},  {1, 1, D3DFMT_DXT5},
        {5, 0, D3DFMT_A4R4G4B4}, {0, -1, D3DFMT_DXT3},    {-3, 9, D3DFMT_DXT5},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(c.GetfmtTexture(k.alpha, k.compressed), k.expected) << k.alpha << "," << k.compressed;
        EXPECT_EQ(e.GetfmtTexture(k.alpha, k.compressed), k.expected) << k.alpha << "," << k.compressed;
    }
}

TEST(GfxConfig, SetCfgCopiesTheRecordAndClearsTheReservedTail)
{
    KESTU_CONFIG c;
    c.eResolution = KESTU_RES_1920X1080;
    c.eHowToCreateDevice = 2;
    c.eLogLevel = 4;
    std::strcpy(c.szLogFile, "other.log");
    std::strcpy(c.szWindowTitle, "Title");
    c.hInstance = FakeInstance();
    c.bKeepWindowSize = 1;
    c.rcRender = {1, 2, 3, 4};
    c.dwWindowStyle = 0x10000000;
    c.fmtAllowed16[3] = D3DFMT_A4R4G4B4;
    c.fmtAllowed32[7] = D3DFMT_R8G8B8;
    c.fmtTextureCompressedAlpha = D3DFMT_DXT4;
    std::memset(c.reserved3, 0x5A, sizeof c.reserved3);

    CGfxConfig g;
    g.SetCfg(&c);
    const KESTU_CONFIG& d = *g.GetCfg();
    EXPECT_EQ(d.eResolution, KESTU_RES_1920X1080);
    EXPECT_EQ(d.eHowToCreateDevice, 2);
    EXPECT_EQ(d.eLogLevel, 4);
    EXPECT_STREQ(d.szLogFile, "other.log");
    EXPECT_STREQ(d.szWindowTitle, "Title");
    EXPECT_EQ(d.hInstance, FakeInstance());
    EXPECT_EQ(d.bKeepWindowSize, 1);
    EXPECT_EQ(d.rcRender.bottom, 4);
    EXPECT_EQ(d.dwWindowStyle, 0x10000000u);
    EXPECT_EQ(d.fmtAllowed16[3], D3DFMT_A4R4G4B4);
    EXPECT_EQ(d.fmtAllowed32[7], D3DFMT_R8G8B8);
    EXPECT_EQ(d.fmtTextureCompressedAlpha, D3DFMT_DXT4);
    for (BYTE b : d.reserved3) EXPECT_EQ(b, 0);
}

TEST(GfxConfig, SetCfgBoundsUnterminatedStrings)
{
    KESTU_CONFIG c;
    std::memset(c.szLogFile, 'L', sizeof c.szLogFile);
    std::memset(c.szWindowTitle, 'T', sizeof c.szWindowTitle);
    CGfxConfig g;
    g.SetCfg(&c);
    EXPECT_EQ(std::strlen(g.GetCfg()->szLogFile), sizeof c.szLogFile - 1);
    EXPECT_EQ(std::strlen(g.GetCfg()->szWindowTitle), sizeof c.szWindowTitle - 1);
}

TEST(GfxConfig, ExtraBuildKeepsFormatTablesOfThePreviousBuild)
{
    CGfxConfig g;
    KESTU_CONFIG c;
    c.fmtAllowed16[0] = D3DFMT_X1R5G5B5;
    c.fmtAllowed32[1] = D3DFMT_R8G8B8;
    c.dwMinDepthBits = 24;
    std::strcpy(c.szWindowTitle, "First");
    g.SetCfg(&c);

    KESTU_EXTRA_CONFIG e;
    e.eResolution = KESTU_RES_1024X768;
    e.bErrMsgBoxEnabled = 1;
    e.eLogLevel = 5;
    std::strcpy(e.szLogFile, "extra.log");
    e.hInstance = FakeInstance();
    e.dwReserved = 9;
    e.bWindowed = 1;
    e.bMultiThreaded = 1;
    e.bAllowPureDevice = 1;
    e.bSkipDeviceTest = 1;
    e.fmtTexture = D3DFMT_A1R5G5B5;
    e.fmtTextureAlpha = D3DFMT_A4R4G4B4;
    e.fmtTextureCompressed = D3DFMT_DXT3;
    e.fmtTextureCompressedAlpha = D3DFMT_DXT5;
    g.SetCfg(&e);

    const KESTU_CONFIG& d = *g.GetCfg();
    EXPECT_EQ(d.eResolution, KESTU_RES_1024X768);
    EXPECT_EQ(d.bErrMsgBoxEnabled, 1);
    EXPECT_EQ(d.eLogLevel, 5);
    EXPECT_STREQ(d.szLogFile, "extra.log");
    EXPECT_EQ(d.hInstance, FakeInstance());
    EXPECT_EQ(d.dwReserved, 9u);
    EXPECT_EQ(d.bWindowed, 1);
    EXPECT_EQ(d.bMultiThreaded, 1);
    EXPECT_EQ(d.bAllowPureDevice, 1);
    EXPECT_EQ(d.bSkipDeviceTest, 1);
    EXPECT_EQ(d.fmtTexture, D3DFMT_A1R5G5B5);
    EXPECT_EQ(d.fmtTextureAlpha, D3DFMT_A4R4G4B4);
    EXPECT_EQ(d.fmtTextureCompressed, D3DFMT_DXT3);
    EXPECT_EQ(d.fmtTextureCompressedAlpha, D3DFMT_DXT5);
    // Untouched by the extra record:
    EXPECT_EQ(d.fmtAllowed16[0], D3DFMT_X1R5G5B5);
    EXPECT_EQ(d.fmtAllowed32[1], D3DFMT_R8G8B8);
    EXPECT_EQ(d.dwMinDepthBits, 24u);
    EXPECT_STREQ(d.szWindowTitle, "First");
}

TEST(GfxConfig, ConstructionCopiesAndQueries)
{
    CGfxConfig g;
    EXPECT_EQ(g.GetRenderWnd(), nullptr);
    EXPECT_EQ(g.GetRenderRect()->x, 0);
    EXPECT_EQ(g.GetRenderRect()->area, 0);
    EXPECT_EQ(g.GetCurrDeviceType(), D3DDEVTYPE_HAL);
    EXPECT_EQ(g.GetResourceD3DFormat(), D3DFMT_R5G6B5);
    EXPECT_STREQ(g.GetCfg()->szLogFile, "Kestu.log");

    g.GetRenderRect()->area = 7;
    g.SetWinCx(640);
    g.SetWinCy(480);
    EXPECT_EQ(g.GetRenderRect()->area, 7); // width and height only

    CGfxConfig assigned;
    assigned = g;
    EXPECT_EQ(assigned.GetRenderRect()->width, 640);
    EXPECT_EQ(assigned.GetRenderRect()->area, 7);
    const CGfxConfig copied(g);
    EXPECT_EQ(copied.GetRenderRect()->height, 480);
    EXPECT_EQ(copied.GetRenderRect()->area, 640 * 480);

    D3DSURFACE_DESC desc{};
    desc.Format = D3DFMT_X8R8G8B8;
    desc.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
    g.SetSDBackBuff(&desc);
    EXPECT_EQ(g.GetCurrD3dFormat(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(g.GetCurrD3dMultisampleType(), D3DMULTISAMPLE_2_SAMPLES);
    EXPECT_EQ(g.GetCurrColorDepth(), 32u);
    desc.Format = D3DFMT_DXT1;
    g.SetSDBackBuff(&desc);
    EXPECT_EQ(g.GetCurrColorDepth(), 0u);

    const SHardware saved = hardware;
    hardware.m_nPixelFormat = 15;
    EXPECT_EQ(g.GetColorDepth(), 15u);
    hardware = saved;
    EXPECT_EQ(g.GetColorDepth(), 16u);
}

TEST(GfxCaps, CreateFlagBits)
{
    CGfxCaps caps;
    EXPECT_EQ(caps.GetCreateFlags(), 0u);
    EXPECT_STREQ(caps.AdapterInfo(), "");
    caps.SetCreateFlags(0x4);
    EXPECT_TRUE(caps.IsMultiThreaded());
    EXPECT_FALSE(caps.IsPureDevice());
    caps.SetCreateFlags(0x10 | 0x40);
    EXPECT_FALSE(caps.IsMultiThreaded());
    EXPECT_TRUE(caps.IsPureDevice());
}

TEST(GfxGlobals, HoldDefaultsBeforeAnyBuild)
{
    EXPECT_EQ(g_GfxConfig.GetCfg()->eLogLevel, 2);
    EXPECT_EQ(g_GfxConfig.GetRenderWnd(), nullptr);
    EXPECT_EQ(g_GfxCaps.GetCreateFlags(), 0u);
    EXPECT_EQ(g_GfxDevObjPair.GetFirst(), nullptr);
    EXPECT_EQ(g_GfxDevObjPair.GetSecond(), nullptr);
}

} // namespace
