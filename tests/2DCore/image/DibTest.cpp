#include <cstring>
#include <vector>

#include "screens/ScreensTestUtil.h"
#include "kestu_winbuf.h"

using namespace screens_test;

namespace {

class DibTest : public PlatformTest {};

TEST_F(DibTest, PitchAndFormatFollowTheRequestedDepth)
{
    HWND w = MakeWindow(0, 0, 64, 64);
    struct Case {
        int bits, width, pitch, dibBits, pixelWidth, format;
    };
    const Case cases[] = {
        {16, 101, 204, 16, 16, 16}, {8, 101, 104, 8, 8, 8},  {15, 3, 8, 16, 16, 15},
        {24, 3, 12, 24, 24, 24},    {32, 3, 12, 32, 32, 32}, {1, 40, 8, 1, 1, 1},
    };
    for (const Case& c : cases) {
        CDIB dib;
        ASSERT_EQ(dib.Build(c.bits, c.width, 10, w), 1) << c.bits;
        EXPECT_EQ(dib.PitchCx(), c.pitch) << c.bits;
        EXPECT_EQ(dib.PitchCy(), 10);
        EXPECT_EQ(dib.GetHeader().biBitCount, c.dibBits) << c.bits;
        EXPECT_EQ(dib.GetHeader().biHeight, -10);
        EXPECT_EQ(dib.GetPixelWidth(), c.pixelWidth) << c.bits;
        EXPECT_EQ(dib.GetPixelFormat(), c.format) << c.bits;
        EXPECT_EQ(dib.WhoAmI(), 5);
        EXPECT_EQ(dib.GetPpgfx() != nullptr, c.bits == 8);
    }
}

TEST_F(DibTest, ThirtyTwoBitBufferDrawsIntoItsWholeDib)
{
    HWND w = MakeWindow(0, 0, 16, 16);
    CDIB dib;
    ASSERT_EQ(dib.Build(32, 5, 3, w), 1);
    dib.SetWindow(w);
    dib.Clear(0x00123456); // every pixel of every row: overruns a 24-bit section
    dib.Show();
    EXPECT_EQ(WindowPixel(w, 4, 2), 0x123456u);
}

TEST_F(DibTest, SixteenBitPixelsShowAs565)
{
    HWND w = MakeWindow(0, 0, 40, 30);
    CDIB dib;
    ASSERT_EQ(dib.Build(16, 8, 4, w), 1);
    dib.SetWindow(w);
    dib.Clear(0xF800);
    dib.SetPixel(0x07E0, 3, 1);
    dib.SetPosition(10, 5);
    EXPECT_NE(dib.Show(), 0);
    EXPECT_EQ(WindowPixel(w, 10, 5), 0xFF0000u);
    EXPECT_EQ(WindowPixel(w, 13, 6), 0x00FF00u);
    EXPECT_EQ(WindowPixel(w, 9, 5), 0u);
    // A part: (2, 1) of the buffer shown at screen position + (2, 1).
    dib.Clear(0x001F);
    EXPECT_NE(dib.Show(2, 1, 1, 1), 0);
    EXPECT_EQ(WindowPixel(w, 12, 6), 0x0000FFu);
    EXPECT_EQ(WindowPixel(w, 11, 6), 0xFF0000u);
}

TEST_F(DibTest, EightBitColourTableFollowsThePaletteObject)
{
    HWND w = MakeWindow(0, 0, 16, 16);
    std::vector<CCOL> c = RampColours();
    COLORTABLE table;
    ASSERT_EQ(table.Build(c.data()), 1);
    CDIB dib;
    ASSERT_EQ(dib.Build(8, 4, 4, w), 1);
    dib.SetWindow(w);
    dib.GetPpgfx()->SelectIn(&table);
    ASSERT_NE(dib.Prepare(nullptr), nullptr);
    const PALETTEENTRY e = PaletteEntry(table.GetHpal(), 77);
    EXPECT_EQ(dib.GetDibColorTable()[77].rgbRed, e.peRed);
    EXPECT_EQ(dib.GetDibColorTable()[77].rgbBlue, e.peBlue);

    const PALETTEENTRY red{250, 1, 2, PC_RESERVED};
    SetPaletteEntries(table.GetHpal(), 77, 1, &red);
    dib.Prepare(nullptr); // counter unchanged: the table stays
    EXPECT_EQ(dib.GetDibColorTable()[77].rgbRed, e.peRed);
    dib.GetPpgfx()->RealizeFromColorTable(w);
    dib.Prepare(nullptr);
    EXPECT_EQ(dib.GetDibColorTable()[77].rgbRed, 250);
    dib.Clear(77);
    dib.Show();
    EXPECT_EQ(WindowPixel(w, 3, 3), 0xFA0102u);
}

TEST_F(DibTest, CopiesShareTheSectionAndThePaletteObject)
{
    HWND w = MakeWindow(0, 0, 16, 16);
    CDIB dib;
    ASSERT_EQ(dib.Build(8, 4, 4, w), 1);
    dib.SetWindow(w);
    {
        CDIB copy(dib);
        EXPECT_EQ(static_cast<HBITMAP>(copy), static_cast<HBITMAP>(dib));
        EXPECT_EQ(copy.GetPpgfx(), dib.GetPpgfx());
        CDIB assigned;
        assigned = dib;
    }
    // The copies are gone; the original's section still shows.
    EXPECT_NE(dib.Show(), 0);
    BITMAP bm{};
    EXPECT_NE(GetObjectA(static_cast<HBITMAP>(dib), sizeof(bm), &bm), 0);
}

TEST_F(DibTest, ReplaceTurnsAColourIntoTheTransColour)
{
    HWND w = MakeWindow(0, 0, 16, 16);
    CDIB dib;
    ASSERT_EQ(dib.Build(16, 3, 2, w), 1);
    dib.Clear(0x1234);
    dib.SetPixel(0x4321, 1, 1);
    dib.SetTransColor(0xF81F);
    dib.Replace(0x1234);
    EXPECT_EQ(dib.GetPixel(0, 0), 0xF81F);
    EXPECT_EQ(dib.GetPixel(1, 1), 0x4321);
}

TEST_F(DibTest, AdjustToCenterUsesTheClientArea)
{
    HWND w = MakeWindow(0, 0, 640, 480);
    CDIB dib;
    ASSERT_EQ(dib.Build(16, 100, 50, w), 1);
    dib.SetWindow(w);
    dib.AdjustToCenter();
    EXPECT_EQ(dib.GetXScreen(), 270);
    EXPECT_EQ(dib.GetYScreen(), 215);
}

} // namespace
