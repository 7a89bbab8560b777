#include <vector>

#include "screens/ScreensTestUtil.h"
#include "kestu_palette.h"

using namespace screens_test;

namespace {

class PaletteAnimation : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        std::vector<CCOL> c = RampColours();
        ASSERT_EQ(table.Build(c.data()), 1);
        pgfx.SelectIn(&table);
    }
    ANIINFO Info(int type, PALETTEENTRY colour, int start, int count, int framesPerStep = 0)
    {
        ANIINFO info;
        info.type = type;
        info.colour = colour;
        info.framesPerStep = framesPerStep;
        info.segments[0] = ANISEG{start, count};
        return info;
    }
    PALETTEENTRY Shown(int i) { return PaletteEntry(table.GetHpal(), i); }
    COLORTABLE table;
    PGFX pgfx;
};

TEST_F(PaletteAnimation, FadeToWhiteReachesItsTargetOnTheSixteenthCall)
{
    SetPaletteEntries(table.GetHpal(), 20, 1, std::vector<PALETTEENTRY>{{0, 0, 0, PC_RESERVED}}.data());
    const PALETTEENTRY start40 = Shown(40);
    ASSERT_EQ(pgfx.AniSetup(Info(ANI_FADETO, {255, 255, 255, 0}, 10, 236)), 1);
    EXPECT_TRUE(pgfx.IsAnimating());
    for (int call = 1; call <= 16; ++call) {
        ASSERT_EQ(pgfx.AniPal(), 1) << call;
        const int expected = call == 16 ? 255 : 15 * (call - 1);
        EXPECT_EQ(Shown(20).peRed, expected) << call;
        EXPECT_EQ(Shown(20).peBlue, expected) << call;
        const int step = (255 - start40.peGreen) / 16;
        EXPECT_EQ(Shown(40).peGreen, call == 16 ? 255 : start40.peGreen + step * (call - 1)) << call;
    }
    EXPECT_FALSE(pgfx.IsAnimating());
    EXPECT_EQ(pgfx.AniPal(), 0);
    EXPECT_EQ(Shown(20).peRed, 255);
}

TEST_F(PaletteAnimation, FramesPerStepHoldEachStepForThatManyExtraCalls)
{
    SetPaletteEntries(table.GetHpal(), 20, 1, std::vector<PALETTEENTRY>{{0, 0, 0, PC_RESERVED}}.data());
    ASSERT_EQ(pgfx.AniSetup(Info(ANI_FADETO, {255, 0, 0, 0}, 20, 1, 2)), 1);
    std::vector<int> reds;
    for (int call = 0; call < 12; ++call) {
        EXPECT_EQ(pgfx.AniPal(), 1);
        reds.push_back(Shown(20).peRed);
    }
    // Two waiting calls, then the first step; each later step after three calls.
    EXPECT_EQ(reds, (std::vector<int>{0, 0, 0, 0, 0, 15, 15, 15, 30, 30, 30, 45}));
}

TEST_F(PaletteAnimation, FadeFromAColourEndsOnTheTableColours)
{
    ASSERT_EQ(pgfx.AniSetup(Info(ANI_FADEFROM, {255, 255, 255, 0}, 10, 236)), 1);
    pgfx.AniPal();
    EXPECT_EQ(Rgb(Shown(100)), 0xFFFFFFu);
    for (int call = 2; call <= 16; ++call) pgfx.AniPal();
    for (int i : {10, 100, 245}) {
        const RGBQUAD& q = table.GetRGB()[i];
        EXPECT_EQ(Rgb(Shown(i)), (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue) << i;
    }
    EXPECT_EQ(pgfx.AniPal(), 0);
}

TEST_F(PaletteAnimation, FlashPulsesUntilStopped)
{
    SetPaletteEntries(table.GetHpal(), 30, 1, std::vector<PALETTEENTRY>{{0, 0, 0, PC_RESERVED}}.data());
    ASSERT_EQ(pgfx.AniSetup(Info(ANI_FLASH, {255, 255, 255, 0}, 30, 1)), 1);
    EXPECT_TRUE(pgfx.IsFlashing());
    std::vector<int> reds;
    for (int call = 0; call < 14; ++call) {
        pgfx.AniPal();
        reds.push_back(Shown(30).peRed);
    }
    EXPECT_EQ(reds, (std::vector<int>{0, 15, 30, 45, 60, 75, 75, 60, 45, 30, 15, 0, 0, 15}));
    pgfx.StopFlash();
    EXPECT_FALSE(pgfx.IsFlashing());
    EXPECT_EQ(pgfx.AniPal(), 1);
    EXPECT_EQ(pgfx.AniPal(), 1);
    EXPECT_EQ(pgfx.AniPal(), 0);
}

TEST_F(PaletteAnimation, CycleRotatesEverySegmentAndNeverEnds)
{
    ANIINFO info = Info(ANI_CYCLE, {}, 10, 4);
    info.segmentCount = 2;
    info.segments[1] = ANISEG{100, 3};
    std::vector<uint32_t> before;
    for (int i = 0; i < 256; ++i) before.push_back(Rgb(Shown(i)));
    ASSERT_EQ(pgfx.AniSetup(info), 1);
    pgfx.AniPal();
    pgfx.AniPal();
    EXPECT_EQ(Rgb(Shown(10)), before[13]);
    EXPECT_EQ(Rgb(Shown(11)), before[10]);
    EXPECT_EQ(Rgb(Shown(12)), before[11]);
    EXPECT_EQ(Rgb(Shown(13)), before[12]);
    EXPECT_EQ(Rgb(Shown(14)), before[14]);
    EXPECT_EQ(Rgb(Shown(100)), before[102]);
    for (int call = 0; call < 40; ++call) EXPECT_EQ(pgfx.AniPal(), 1);
    EXPECT_TRUE(pgfx.IsAnimating());
    pgfx.Reset();
    EXPECT_EQ(pgfx.AniPal(), 0);
}

TEST_F(PaletteAnimation, UnknownTypeAnimatesNothing)
{
    ASSERT_EQ(pgfx.AniSetup(Info(4, {1, 2, 3, 0}, 0, 256)), 1);
    EXPECT_FALSE(pgfx.IsAnimating());
    EXPECT_EQ(pgfx.AniPal(), 0);
}

TEST_F(PaletteAnimation, AssignIntoAndAssignPalChangeTheReservedEntries)
{
    ASSERT_EQ(pgfx.AssignInto(AD_COLOR, {9, 8, 7, 0}, 50, 3), 1);
    EXPECT_EQ(Rgb(Shown(50)), 0x090807u);
    EXPECT_EQ(Rgb(Shown(52)), 0x090807u);
    EXPECT_NE(Rgb(Shown(53)), 0x090807u);
    // Out-of-range requests are cut to the palette.
    EXPECT_EQ(pgfx.AssignInto(AD_COLOR, {1, 1, 1, 0}, 250, 100), 1);
    EXPECT_EQ(pgfx.AssignInto(AD_COLOR, {1, 1, 1, 0}, 300, 1), 0);
    ASSERT_EQ(pgfx.AssignPal(), 1);
    EXPECT_EQ(Shown(50).peRed, table.GetRGB()[50].rgbRed);
    EXPECT_EQ(Shown(50).peGreen, table.GetRGB()[50].rgbGreen);
}

TEST_F(PaletteAnimation, RealizeRaisesTheChangeCounter)
{
    HWND w = MakeWindow(0, 0, 32, 32);
    EXPECT_EQ(pgfx.GetFlag(), -1);
    EXPECT_EQ(pgfx.RealizeFromColorTable(w), 1);
    EXPECT_EQ(pgfx.RealizeFromColorTable(w), 1);
    EXPECT_EQ(pgfx.GetFlag(), 1);
}

TEST_F(PaletteAnimation, NoStaticModeSavesAndRestoresTheSystemColours)
{
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    pgfx.SetSystemPaletteToNoStatic();
    EXPECT_TRUE(pgfx.IsNoStatic());
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetSystemPaletteUse(dc), UINT(SYSPAL_NOSTATIC));
    const INT element = COLOR_WINDOW;
    const COLORREF changed = RGB(1, 2, 3);
    SetSysColors(1, &element, &changed);
    pgfx.RestoreSystemPalette();
    EXPECT_EQ(GetSystemPaletteUse(dc), UINT(SYSPAL_STATIC));
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), window);
}

} // namespace
