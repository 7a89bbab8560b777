#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "screens/ScreensTestUtil.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_ddscreen.h"
#include "kestu_log.h"
#include "kestu_pixelformat.h"

using namespace screens_test;

namespace {

const char* kLog = "screens_dd.log";

std::string TakeLog()
{
    std::ifstream in(kLog, std::ios::binary);
    std::ostringstream s;
    if (in) s << in.rdbuf();
    in.close();
    std::remove(kLog);
    return s.str();
}

class DDScreenTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        saved = g_GfxConfig;
        KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
        std::snprintf(cfg->szLogFile, sizeof cfg->szLogFile, "%s", kLog);
        cfg->eLogLevel = 4;
        KestuSaveLog(KESTU_LOG_ERROR, "warm-up\n");
        TakeLog();
        hardware.m_bIsSurfaceLost = 0;
        window = MakeWindow(10, 20, 200, 100);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        std::remove(kLog);
        g_GfxConfig = saved;
        PlatformTest::TearDown();
    }
    // A 640 x 480 full screen of the given depth with an off-screen surface.
    void FullScreen(CDD& dd, int bits)
    {
        ASSERT_EQ(dd.SetDisplayMode(window, 640, 480, bits, 1, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), 1);
        ASSERT_NE(dd.GetOffScreenSurface(), nullptr);
        TakeLog();
    }
    CGfxConfig saved;
    HWND window = nullptr;
};

TEST_F(DDScreenTest, CooperativeLevelResultsAreLoggedWordForWord)
{
    CDD dd;
    ASSERT_NE(CDD::GetDD(), nullptr);
    struct Case {
        HRESULT hr;
        const char* text;
    };
    const Case cases[] = {
        {DDERR_HWNDALREADYSET, "SetCooperativeLevel:DDERR_HWNDALREADYSET \n"},
        {DDERR_EXCLUSIVEMODEALREADYSET, "SetCooperativeLevel:DDERR_EXCLUSIVEMODEALREADYSET\n "},
        {DDERR_HWNDSUBCLASSED, "SetCooperativeLevel:DDERR_HWNDSUBCLASSED\n "},
        {DDERR_OUTOFMEMORY, "SetCooperativeLevel:DDERR_OUTOFMEMORY\n "},
        {DDERR_INVALIDPARAMS, "SetCooperativeLevel:DDERR_INVALIDPARAMS\n "},
        {DDERR_INVALIDOBJECT, "SetCooperativeLevel:DDERR_INVALIDOBJECT\n "},
        {DDERR_GENERIC, ""},
    };
    for (const Case& c : cases) {
        host::InjectResult(host::DDrawCall::SetCooperativeLevel, c.hr, 1);
        EXPECT_EQ(dd.SetCooperativeLevel(window, DDSCL_NORMAL), 0);
        EXPECT_EQ(TakeLog(), c.text);
    }
    EXPECT_EQ(dd.SetCooperativeLevel(window, DDSCL_NORMAL), 1);
    EXPECT_EQ(TakeLog(), "SetCooperativeLevel:DD_OK \n");
}

TEST_F(DDScreenTest, DisplayModeResultsAreLoggedWordForWord)
{
    CDD dd;
    struct Case {
        HRESULT hr;
        const char* text;
    };
    const Case cases[] = {
        {DDERR_GENERIC, "SetDisplayMode:DDERR_GENERIC \n"},
        {DDERR_UNSUPPORTED, "SetDisplayMode:DDERR_UNSUPPORTED \n"},
        {DDERR_INVALIDOBJECT, "SetDisplayMode:DDERR_INVALIDOBJECT \n"},
        {DDERR_INVALIDMODE, "SetDisplayMode:DDERR_INVALIDMODE \n"},
        {DDERR_LOCKEDSURFACES, "SetDisplayMode:DDERR_LOCKEDSURFACES \n"},
        {DDERR_SURFACEBUSY, "SetDisplayMode:DDERR_SURFACEBUSY \n"},
        {DDERR_NOEXCLUSIVEMODE, "SetDisplayMode:DDERR_NOEXCLUSIVEMODE \n"},
        {DDERR_WASSTILLDRAWING, "SetDisplayMode:DDERR_WASSTILLDRAWING \n"},
        {DDERR_UNSUPPORTEDMODE, "SetDisplayMode:DDERR_UNSUPPORTEDMODE \n"},
        {DDERR_OUTOFMEMORY, ""},
    };
    for (const Case& c : cases) {
        host::InjectResult(host::DDrawCall::SetDisplayMode, c.hr, 1);
        EXPECT_EQ(dd.SetDisplayMode(window, 640, 480, 16, 0, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), 0);
        EXPECT_EQ(TakeLog(), std::string("SetCooperativeLevel:DD_OK \n") + c.text);
    }
    EXPECT_EQ(dd.SetDisplayMode(window, 640, 480, 16, 1, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), 1);
    EXPECT_EQ(TakeLog(), "SetCooperativeLevel:DD_OK \nSetDisplayMode:DD_OK \n");
    EXPECT_EQ(dd.GetPixelFormat(), 16);
    EXPECT_EQ(dd.GetPixelWidth(), 16);
    EXPECT_EQ(dd.GetWidth(), GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(DDScreenTest, RestoreFailureAtDestructionIsLogged)
{
    {
        CDD dd;
        host::InjectResult(host::DDrawCall::RestoreDisplayMode, DDERR_NOEXCLUSIVEMODE, 1);
    }
    EXPECT_EQ(TakeLog(), "Restore: DDERR_NOEXCLUSIVEMODE\n");
    EXPECT_EQ(CDD::GetDD(), nullptr);
}

TEST_F(DDScreenTest, LaterObjectsShareTheFirstObjectsDirectDraw)
{
    CDD first;
    IDirectDraw4* dd = CDD::GetDD();
    ASSERT_NE(dd, nullptr);
    EXPECT_NE(first.GetPpgfx(), nullptr);
    CDD second;
    EXPECT_EQ(CDD::GetDD(), dd);
    EXPECT_EQ(second.GetPpgfx(), nullptr);
    EXPECT_EQ(CDD::GetDriverCaps().dwSize, 380u);
}

TEST_F(DDScreenTest, SurfaceCountAndTheSharedPrimary)
{
    CDD screen;
    // Without a cooperative level no surface can be made: nothing is counted.
    CDD early(32, 32, 1);
    EXPECT_EQ(early.GetOffScreenSurface(), nullptr);
    EXPECT_EQ(CDD::GetCDDNumber(), 0);
    EXPECT_EQ(early.ReleaseSurface(), 0);
    EXPECT_EQ(CDD::GetCDDNumber(), 0);

    FullScreen(screen, 16);
    EXPECT_EQ(CDD::GetCDDNumber(), 1);
    {
        CDD sprite(32, 32, 1);
        ASSERT_NE(sprite.GetOffScreenSurface(), nullptr);
        EXPECT_EQ(sprite.GetPixelFormat(), 16);
        EXPECT_EQ(CDD::GetCDDNumber(), 2);
        EXPECT_EQ(sprite.ReleaseSurface(), 1);
        EXPECT_EQ(sprite.ReleaseSurface(), 0);
        EXPECT_EQ(CDD::GetCDDNumber(), 1);
        EXPECT_NE(CDD::GetPrimarySurface(), nullptr);
    }
    EXPECT_NE(CDD::GetDD(), nullptr);
    EXPECT_NE(CDD::GetPrimarySurface(), nullptr);
    EXPECT_EQ(screen.ReleaseSurface(), 1);
    EXPECT_EQ(CDD::GetPrimarySurface(), nullptr);
    EXPECT_EQ(CDD::GetCDDNumber(), 0);
}

TEST_F(DDScreenTest, ShowCopiesThroughTheWindowPosition)
{
    CDD screen;
    ASSERT_EQ(screen.SetDisplayMode(window, 1, DDSCL_NORMAL), 1);
    ASSERT_NE(screen.GetOffScreenSurface(), nullptr);
    ASSERT_EQ(screen.GetPixelFormat(), 32);
    screen.Clear(0x000000);
    screen.SetPixel(0xFF0000, 20, 0);
    screen.SetPixel(0x00FF00, 19, 0);
    screen.SetPixel(0x0000FF, 5, 5);
    screen.SetWindow(window);
    // Buffer (0, 0) at window (-20, 0): the window's left edge shows column 20.
    EXPECT_EQ(screen.Paint(window, -20, 0, 50, 10, 0, 0), 1);
    EXPECT_EQ(ScreenPixel(10, 20), 0xFF0000u);
    EXPECT_EQ(ScreenPixel(11, 20), 0u);
    EXPECT_EQ(ScreenPixel(9, 20), 0u);
    // Whole buffer at (3, 4) of the window.
    screen.SetPosition(3, 4);
    screen.Clear(0x000000, 0, 0, 20, 20);
    screen.SetPixel(0x0000FF, 5, 5);
    EXPECT_EQ(screen.Show(), 1);
    EXPECT_EQ(ScreenPixel(18, 29), 0x0000FFu);
    // Wholly outside the window: nothing to show.
    EXPECT_EQ(screen.Paint(window, 300, 0, 10, 10, 0, 0), 0);

    // A lost primary is restored and the copy repeated.
    host::LoseSurface(CDD::GetPrimarySurface());
    screen.SetPixel(0x00FF00, 5, 5);
    EXPECT_EQ(screen.Show(), 1);
    EXPECT_EQ(ScreenPixel(18, 29), 0x00FF00u);

    // With a clipper the copy goes through Blt.
    ASSERT_EQ(screen.AddToClipList(window), 1);
    screen.SetPixel(0xFFFFFF, 5, 5);
    EXPECT_EQ(screen.Show(), 1);
    EXPECT_EQ(ScreenPixel(18, 29), 0xFFFFFFu);
}

TEST_F(DDScreenTest, FlipShowsTheBackBuffer)
{
    CDD screen;
    screen.SetComplex(1);
    FullScreen(screen, 16);
    EXPECT_EQ(screen.GetWidth(), 640);
    EXPECT_EQ(screen.GetHeight(), 480);
    screen.Clear(0xF800);
    screen.SetPixel(0x001F, 7, 8);
    EXPECT_EQ(screen.Flip(), 1);
    EXPECT_EQ(ScreenPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(ScreenPixel(7, 8), 0x0000FFu);
    EXPECT_EQ(CDD::GetCDDNumber(), 1);
}

TEST_F(DDScreenTest, FillScreenFillsThePrimary)
{
    CDD screen;
    FullScreen(screen, 16);
    EXPECT_EQ(screen.FillScreen(window, 4, 5, 3, 2, 0x07E0), 1);
    EXPECT_EQ(ScreenPixel(4, 5), 0x00FF00u);
    EXPECT_EQ(ScreenPixel(6, 6), 0x00FF00u);
    EXPECT_EQ(ScreenPixel(7, 6), 0u);
    host::LoseAllSurfaces();
    EXPECT_EQ(screen.FillScreen(window, 0, 0, 1, 1, 0xFFFF), 0);
}

TEST_F(DDScreenTest, LocksWaitAndRestoreLostSurfaces)
{
    CDD screen;
    FullScreen(screen, 16);
    host::InjectStillDrawing(host::DDrawCall::Lock, 3);
    void* bits = screen.Prepare(nullptr);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(screen.PitchCx(), screen.GetSurfaceDesc().lPitch);
    screen.Unprepare();
    EXPECT_EQ(screen.GetUnprepareResult(), 1);

    host::LoseSurface(screen.GetOffScreenSurface());
    EXPECT_NE(screen.Prepare(nullptr), nullptr);
    EXPECT_EQ(hardware.IsSurfaceLost(), 1);
    screen.Unprepare();

    ASSERT_EQ(screen.AbsLock(), 1);
    EXPECT_EQ(screen.IsAbsLock(), 1);
    void* held = screen.Prepare(nullptr);
    screen.Unprepare();
    EXPECT_EQ(screen.Prepare(nullptr), held);
    EXPECT_EQ(screen.AbsUnLock(), 1);
    EXPECT_EQ(screen.IsAbsLock(), 0);
    // Unlocked again: a second unlock fails.
    screen.Unprepare();
    EXPECT_EQ(screen.GetUnprepareResult(), 0);
}

TEST_F(DDScreenTest, PaintBetweenScreensUsesTheDirectDrawCopyOrTheSoftwarePaint)
{
    CDD screen;
    FullScreen(screen, 16);
    CDD sprite(8, 8, 1);
    ASSERT_NE(sprite.GetOffScreenSurface(), nullptr);
    sprite.Clear(0xF81F);
    sprite.SetPixel(0x07E0, 1, 1);
    sprite.SetTransColor(0xF81F);
    screen.Clear(0x001F);
    EXPECT_EQ(sprite.Paint(&screen, 10, 10, 8, 8, 0, 0, PT_KEY, nullptr), 1);
    EXPECT_EQ(screen.GetPixel(11, 11), 0x07E0);
    EXPECT_EQ(screen.GetPixel(10, 10), 0x001F);
    EXPECT_EQ(sprite.Paint(&screen, 20, 10, 8, 8, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(screen.GetPixel(20, 10), 0xF81F);
    // Clipped away entirely.
    EXPECT_EQ(sprite.Paint(&screen, -8, 0, 8, 8, 0, 0, PT_COPY, nullptr), 0);
    // A half blend runs the software paint: (0x07E0 >> 1 & 0x7BEF) + (0x001F >> 1 & 0x7BEF).
    screen.SetPixel(0x001F, 31, 31);
    EXPECT_EQ(sprite.Paint(&screen, 30, 30, 8, 8, 0, 0, PT_HALF, nullptr), 1);
    EXPECT_EQ(screen.GetPixel(31, 31), ((0x07E0 >> 1) & 0x7BEF) + ((0x001F >> 1) & 0x7BEF));
    EXPECT_EQ(screen.GetPixel(30, 30), 0x001F);
}

class Brightness : public DDScreenTest {
protected:
    DDGAMMARAMP Current()
    {
        DDGAMMARAMP r{};
        IDirectDrawGammaControl* g = nullptr;
        EXPECT_EQ(CDD::GetPrimarySurface()->QueryInterface(IID_IDirectDrawGammaControl, reinterpret_cast<void**>(&g)),
                  DD_OK);
        if (g != nullptr) {
            g->GetGammaRamp(0, &r);
            g->Release();
        }
        return r;
    }
};

TEST_F(Brightness, LightenessShiftsTheBaseRamp)
{
    CDD screen;
    FullScreen(screen, 16);
    ASSERT_EQ(CDD::InitLightenessSetting(), DD_OK);
    const DDGAMMARAMP base = CDD::GetBaseGammaRamp();
    EXPECT_EQ(base.red[255], 65535);

    ASSERT_EQ(CDD::SetLighteness(3.0f), DD_OK);
    EXPECT_FLOAT_EQ(CDD::GetLighteness(), 2.0f);
    DDGAMMARAMP r = Current();
    EXPECT_EQ(r.red[0], base.red[255]);
    EXPECT_EQ(r.green[200], base.green[255]);

    ASSERT_EQ(CDD::SetLighteness(0.0f), DD_OK);
    r = Current();
    for (int i : {0, 100, 255}) EXPECT_EQ(r.blue[i], base.blue[0]) << i;

    ASSERT_EQ(CDD::SetLighteness(0.5f), DD_OK);
    r = Current();
    EXPECT_EQ(r.red[255], base.red[128]); // round(127.5) - 255 = -127
    EXPECT_EQ(r.red[126], base.red[0]);

    ASSERT_EQ(CDD::SetLighteness(1.0f), DD_OK);
    r = Current();
    for (int i = 0; i < 256; ++i) ASSERT_EQ(r.green[i], base.green[i]) << i;

    // A new base applied at the current brightness; the shown pixels follow.
    DDGAMMARAMP half = base;
    for (int i = 0; i < 256; ++i) half.red[i] = half.green[i] = half.blue[i] = WORD(i * 128);
    ASSERT_EQ(CDD::SetBaseGammaRamp(half, 1), DD_OK);
    screen.Clear(0xFFFF);
    screen.SetWindow(window);
    ASSERT_EQ(screen.Paint(window, 0, 0, 4, 4, 0, 0), 1);
    EXPECT_EQ(ScreenPixel(10, 20), 0x7F7F7Fu);
    EXPECT_EQ(CDD::SetBaseGammaRamp(base, 0), 0);
}

TEST_F(Brightness, WithoutGammaCapabilityNothingChanges)
{
    host::SetPrimaryGammaCap(false);
    CDD screen;
    FullScreen(screen, 16);
    EXPECT_EQ(CDD::InitLightenessSetting(), E_NOTIMPL);
    EXPECT_EQ(CDD::SetLighteness(0.5f), E_NOTIMPL);
    EXPECT_FLOAT_EQ(CDD::GetLighteness(), 1.0f);
}

TEST_F(DDScreenTest, EightBitPaletteReachesTheScreen)
{
    CDD screen;
    FullScreen(screen, 8);
    EXPECT_EQ(screen.GetPixelFormat(), 8);
    std::vector<CCOL> c = RampColours();
    COLORTABLE table;
    ASSERT_EQ(table.Build(c.data()), 1);
    ASSERT_EQ(screen.CreateColorTable(window, table.GetHpal()), 1);
    ASSERT_NE(CDD::GetDDPalette(), nullptr);
    auto* pal = dynamic_cast<DDPGFX*>(screen.GetPpgfx());
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(pal->GetDDPalette(), CDD::GetDDPalette());
    pal->SelectIn(&table);

    screen.Clear(0);
    screen.SetPixel(40, 2, 2);
    EXPECT_EQ(screen.Flip(), 0); // a primary without a flip chain cannot flip
    screen.SetWindow(window);
    ASSERT_EQ(screen.Paint(window, 0, 0, 8, 8, 0, 0), 1);
    const PALETTEENTRY e = PaletteEntry(table.GetHpal(), 40);
    EXPECT_EQ(ScreenPixel(12, 22), Rgb(e));

    const int flag = pal->GetFlag();
    ASSERT_EQ(pal->AssignInto(AD_COLOR, PALETTEENTRY{1, 2, 3, 0}, 40, 1), 1);
    EXPECT_EQ(pal->GetFlag(), flag + 1);
    EXPECT_EQ(ScreenPixel(12, 22), 0x010203u);

    // Realizing copies the table's usable range into the DirectDraw palette.
    const PALETTEENTRY grey{9, 9, 9, 0};
    SetPaletteEntries(table.GetHpal(), 40, 1, &grey);
    EXPECT_EQ(ScreenPixel(12, 22), 0x010203u);
    ASSERT_EQ(pal->RealizeFromColorTable(window), 1);
    EXPECT_EQ(pal->GetFlag(), flag + 2);
    EXPECT_EQ(ScreenPixel(12, 22), 0x090909u);
    PALETTEENTRY dd[256] = {};
    ASSERT_EQ(CDD::GetDDPalette()->GetEntries(0, 0, 256, dd), DD_OK);
    EXPECT_EQ(Rgb(dd[245]), Rgb(PaletteEntry(table.GetHpal(), 245)));

    ANIINFO info;
    info.type = ANI_FADETO;
    info.colour = PALETTEENTRY{255, 255, 255, 0};
    info.segments[0] = ANISEG{40, 1};
    pal->AniSetup(info);
    for (int i = 0; i < 16; ++i) pal->AniPal();
    EXPECT_EQ(ScreenPixel(12, 22), 0xFFFFFFu);
}

} // namespace
