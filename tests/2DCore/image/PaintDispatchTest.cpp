#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>

#include "MemBuf.h"
#include "kestu_ablight.h"
#include "kestu_pixelshade.h"

namespace {

// A 16-bit source whose pixel (x, y) is 0x100 * y + x + 1, with one key pixel.
MemBuf Source16(int w, int h, int format = 16)
{
    MemBuf s(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.Put(x, y, uint32_t(0x100 * y + x + 1));
    return s;
}

int CountChanged(MemBuf& b, uint32_t background)
{
    int n = 0;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) n += b.Get(x, y) != background;
    return n;
}

TEST(PaintDispatch, ClippingResults)
{
    MemBuf src = Source16(40, 4), dst(30, 4, 16);
    EXPECT_EQ(src.Paint(&dst, 40, 0, 5, 5, 0, 0, PT_COPY, nullptr), 0);
    EXPECT_EQ(dst.prepares, 0);
    GRECT away(100, 100, 5, 5);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 5, 4, 0, 0, PT_COPY, &away), 0);
    EXPECT_EQ(dst.prepares, 0);

    EXPECT_EQ(src.Paint(&dst, -10, 0, 30, 4, 5, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(dst.Get(0, 0), src.Get(15, 0)); // column sx + 10
    EXPECT_EQ(dst.Get(19, 3), src.Get(34, 3));
    EXPECT_EQ(dst.Get(20, 0), 0u);
    EXPECT_EQ(dst.prepares, 1);
    EXPECT_EQ(src.prepares, 1);
    EXPECT_EQ(src.unprepares, 1);

    src.failPrepare = true;
    EXPECT_EQ(src.Paint(&dst, 0, 0, 4, 4, 0, 0, PT_COPY, nullptr), 0);
    EXPECT_EQ(dst.unprepares, dst.prepares);
    EXPECT_EQ(src.unprepares, src.prepares);
}

TEST(PaintDispatch, SourceRectangleIsKeptInsideTheSource)
{
    MemBuf src = Source16(4, 4), dst(10, 10, 16);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 10, 10, 2, 2, PT_COPY, nullptr), 1);
    EXPECT_EQ(dst.Get(0, 0), src.Get(2, 2));
    EXPECT_EQ(dst.Get(1, 1), src.Get(3, 3));
    EXPECT_EQ(CountChanged(dst, 0), 4);
}

TEST(PaintDispatch, CopyKindsFromSixteenBits)
{
    for (uint32_t type : {uint32_t(PT_COPY), 4u, 8u, 0x12345u}) {
        MemBuf src = Source16(3, 2), dst(3, 2, 16);
        src.SetTrans(0x0102);
        EXPECT_EQ(src.Paint(&dst, 0, 0, 3, 2, 0, 0, type, nullptr), 1);
        EXPECT_EQ(dst.mem, src.mem) << type;
    }
    MemBuf src = Source16(3, 2), to32(3, 2, 32);
    src.Put(0, 0, 0xFFFF);
    EXPECT_EQ(src.Paint(&to32, 0, 0, 3, 2, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(to32.Get(0, 0), 0xFFF8FCF8u); // channels shifted up by 3, 2 and 3
    EXPECT_EQ(to32.Get(1, 0), 0xFF000010u);
}

TEST(PaintDispatch, KeyedPaints)
{
    MemBuf src = Source16(3, 1), dst(3, 1, 16);
    dst.FillAll(0x7777);
    src.SetTrans(0x0002);
    src.Paint(&dst, 0, 0, 3, 1, 0, 0, PT_KEY, nullptr);
    EXPECT_EQ(dst.Get(0, 0), 1u);
    EXPECT_EQ(dst.Get(1, 0), 0x7777u);
    EXPECT_EQ(dst.Get(2, 0), 3u);

    // -1 keys nothing, so white is painted too.
    MemBuf white(2, 1, 16), under(2, 1, 16);
    white.FillAll(0xFFFF);
    white.Paint(&under, 0, 0, 2, 1, 0, 0, PT_KEY, nullptr);
    EXPECT_EQ(under.Get(1, 0), 0xFFFFu);

    MemBuf s32(2, 1, 32), d16(2, 1, 16);
    s32.FillAll(0x00FFFFFF);
    EXPECT_EQ(s32.Paint(&d16, 0, 0, 2, 1, 0, 0, PT_KEY, nullptr), 1);
    EXPECT_EQ(CountChanged(d16, 0), 0);
    EXPECT_EQ(s32.Paint(&d16, 0, 0, 2, 1, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(d16.Get(1, 0), 0xFFFFu);
}

TEST(PaintDispatch, EightBitSourcesUseTheByteBlitters)
{
    MemBuf src(5, 2, 8, 1, 3), dst(5, 2, 8); // padded source rows
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) src.Put(x, y, uint32_t(10 * y + x));
    src.SetTrans(11);
    dst.FillAll(0xEE);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 5, 2, 0, 0, PT_KEY, nullptr), 1);
    EXPECT_EQ(dst.Get(4, 0), 4u);
    EXPECT_EQ(dst.Get(0, 1), 10u);
    EXPECT_EQ(dst.Get(1, 1), 0xEEu);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 5, 2, 0, 0, PT_HALF, nullptr), 1);
    EXPECT_EQ(dst.Get(1, 1), 11u);

    // Index bytes are never copied into 16- or 32-bit pixels.
    for (int bits : {16, 32}) {
        MemBuf wide(5, 2, bits);
        wide.FillAll(0x1234);
        EXPECT_EQ(src.Paint(&wide, 0, 0, 5, 2, 0, 0, PT_COPY, nullptr), 1);
        EXPECT_EQ(CountChanged(wide, 0x1234), 0) << bits;
    }
}

TEST(PaintDispatch, SilhouettesAndTwoColour)
{
    // Key pixel in the middle of a 3 x 3 block, and a key ring around a 5 x 5.
    MemBuf src(3, 1, 16), dst(3, 1, 16);
    src.Put(0, 0, 5);
    src.Put(1, 0, 0x1F);
    src.Put(2, 0, 6);
    src.SetTrans(0x1F);
    src.SetForeGroundColor(0xF800);
    src.SetBackGroundColor(0x07E0);
    dst.FillAll(0x0001);
    src.Paint(&dst, 0, 0, 3, 1, 0, 0, PT_SILHOUETTE, nullptr);
    EXPECT_EQ(dst.Get(0, 0), 0xF800u);
    EXPECT_EQ(dst.Get(1, 0), 0x0001u);
    src.Paint(&dst, 0, 0, 3, 1, 0, 0, PT_TWOCOLOR, nullptr);
    EXPECT_EQ(dst.Get(1, 0), 0x07E0u);
    EXPECT_EQ(dst.Get(2, 0), 0xF800u);

    MemBuf ring(5, 5, 16), soft(5, 5, 16);
    ring.FillAll(0x1F);
    ring.Put(2, 2, 0xF800);
    ring.SetTrans(0x1F);
    ring.SetForeGroundColor(0xF800);
    ring.Paint(&soft, 0, 0, 5, 5, 0, 0, PT_SOFTSILHOUETTE, nullptr);
    EXPECT_EQ(soft.Get(2, 2), 0xF800u);
    EXPECT_EQ(soft.Get(1, 2), 0x7800u); // half of the foreground over black
    EXPECT_EQ(soft.Get(2, 3), 0x7800u);
    EXPECT_EQ(soft.Get(1, 1), 0u);
}

TEST(PaintDispatch, ShadeBlend)
{
    CPixelShade shade;
    ASSERT_EQ(shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    MemBuf src(2, 1, 16), dst(2, 1, 16);
    src.FillAll(0xFFFF);
    src.Put(1, 0, 0x1234);
    src.SetTrans(0x1234);
    dst.FillAll(0xFFFF);

    src.SetAlphaIndex(-3); // without a shade: nothing
    src.Paint(&dst, 0, 0, 2, 1, 0, 0, PT_SHADEBLEND, nullptr);
    EXPECT_EQ(dst.Get(0, 0), 0xFFFFu);
    dst.FillAll(0);
    src.SetPixelShade(&shade);
    src.Paint(&dst, 0, 0, 2, 1, 0, 0, PT_SHADEBLEND, nullptr); // with one: a keyed copy
    EXPECT_EQ(dst.Get(0, 0), 0xFFFFu);
    EXPECT_EQ(dst.Get(1, 0), 0u);

    src.SetAlphaIndex(24); // destination at level 8, source at level 24
    dst.FillAll(0xFFFF);
    src.Paint(&dst, 0, 0, 2, 1, 0, 0, PT_SHADEBLEND, nullptr);
    const uint16_t* a = static_cast<const uint16_t*>(shade.GetTable(8));
    const uint16_t* b = static_cast<const uint16_t*>(shade.GetTable(24));
    EXPECT_EQ(dst.Get(0, 0), uint16_t(a[0xFFFF] + b[0xFFFF]));
    EXPECT_EQ(dst.Get(1, 0), 0xFFFFu);

    src.SetAlphaIndex(-1);
    dst.FillAll(0x0101);
    src.Paint(&dst, 0, 0, 2, 1, 0, 0, PT_SHADEBLEND, nullptr);
    EXPECT_EQ(dst.Get(0, 0), 0x0101u);
}

// A 565 shade of 32 levels and a 16 x 8 light grid filled at level 8.
struct LitScene : ::testing::Test {
    CPixelShade shade;
    CABLightModeManger models;
    CAlphaBuffer2D grid;
    void SetUp() override
    {
        ASSERT_EQ(shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
        ASSERT_EQ(models.Build(1), 0);
        SAlphaBufferInit2D init;
        init.area = GRECT(0, 0, 16, 8);
        init.modelManager = &models;
        init.fillLevel = 8;
        ASSERT_EQ(grid.Build(&init), 0);
    }
};

TEST_F(LitScene, LightGrid)
{
    grid.GetGrid()[1] = 255; // beyond the shade's levels: takes its top level

    MemBuf src(16, 8, 16), dst(16, 8, 16), dst32(16, 8, 32);
    src.FillAll(0xFFFF);
    src.SetTrans(0x0001);
    src.SetPixelShade(&shade);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 16, 8, 0, 0, PT_ABLIGHT, nullptr), 1);
    EXPECT_EQ(CountChanged(dst, 0), 0); // no grid on the destination
    dst.SetAlphaBuffer(&grid);
    dst32.SetAlphaBuffer(&grid);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 16, 8, 0, 0, PT_ABLIGHT, nullptr), 1);
    EXPECT_EQ(dst.Get(0, 0), 0x7BEFu);
    EXPECT_EQ(dst.Get(7, 7), 0x7BEFu);
    EXPECT_EQ(dst.Get(8, 0), 0xFFFFu);
    EXPECT_EQ(src.Paint(&dst32, 0, 0, 16, 8, 0, 0, PT_ABLIGHT, nullptr), 1);
    EXPECT_EQ(CountChanged(dst32, 0), 0);
}

TEST_F(LitScene, TransColourMinusOnePaintsWhiteInEveryKeyedMode)
{
    // With -1 every pixel is painted: the result must equal a paint keyed on
    // a colour the source does not hold, and white must not be left out.

    // White, the low bits of -1, next to other colours; 0x1234 occurs nowhere.
    MemBuf src(16, 8, 16);
    src.FillAll(0xFFFF);
    src.Put(3, 2, 0x0000);
    src.Put(4, 2, 0x07E0);
    src.Put(9, 5, 0xF81F);
    src.SetForeGroundColor(0xF800);
    src.SetBackGroundColor(0x001F);
    src.SetTransGrade(6);
    src.SetPixelShade(&shade);
    src.SetAlphaIndex(24);
    constexpr uint32_t kBackground = 0x0841;
    for (DWORD mode :
         {PT_SILHOUETTE, PT_TWOCOLOR, PT_SOFTSILHOUETTE, PT_HALF, PT_TRANSGRADE, PT_SHADEBLEND, PT_ABLIGHT}) {
        MemBuf expected(16, 8, 16), actual(16, 8, 16);
        expected.FillAll(kBackground);
        actual.FillAll(kBackground);
        expected.SetAlphaBuffer(&grid);
        actual.SetAlphaBuffer(&grid);
        src.SetTrans(0x1234);
        ASSERT_EQ(src.Paint(&expected, 0, 0, 16, 8, 0, 0, mode, nullptr), 1);
        src.SetTrans(-1);
        ASSERT_EQ(src.Paint(&actual, 0, 0, 16, 8, 0, 0, mode, nullptr), 1);
        EXPECT_NE(actual.Get(0, 0), kBackground) << "mode " << mode;
        EXPECT_NE(actual.Get(15, 7), kBackground) << "mode " << mode;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(actual.Get(x, y), expected.Get(x, y)) << "mode " << mode << " at " << x << "," << y;
    }
}

TEST(PaintDispatch, Stretch)
{
    MemBuf src = Source16(2, 2), dst(4, 4, 16);
    EXPECT_EQ(src.StretchPaint(&dst, 0, 0, 4, 4, 2, 0, PT_COPY, 2, 2, nullptr), 0);
    EXPECT_EQ(src.StretchPaint(&dst, 0, 0, 4, 4, 0, 0, PT_COPY, 2, 2, nullptr), 1);
    EXPECT_EQ(dst.Get(1, 1), src.Get(0, 0));
    EXPECT_EQ(dst.Get(2, 1), src.Get(1, 0));
    EXPECT_EQ(dst.Get(3, 3), src.Get(1, 1));

    MemBuf clipped(4, 4, 16);
    EXPECT_EQ(src.StretchPaint(&clipped, -2, 0, 4, 4, 0, 0, PT_COPY, 2, 2, nullptr), 1);
    EXPECT_EQ(clipped.Get(0, 0), src.Get(1, 0));
    EXPECT_EQ(clipped.Get(1, 3), src.Get(1, 1));
    EXPECT_EQ(clipped.Get(2, 0), 0u);

    MemBuf keyed(4, 4, 16);
    src.SetTrans(int(src.Get(0, 0)));
    EXPECT_EQ(src.StretchPaint(&keyed, 0, 0, 4, 4, 0, 0, PT_KEY, 2, 2, nullptr), 1);
    EXPECT_EQ(keyed.Get(0, 0), 0u);
    EXPECT_EQ(keyed.Get(3, 0), src.Get(1, 0));
}

} // namespace

namespace {

// Paints from random places, sizes and source offsets anywhere in the int
// range never reach outside either buffer.
TEST(PaintDispatch, FarOffRectanglesStayInside)
{
    std::mt19937 rng(5);
    const int edges[] = {INT32_MIN, -70000, -9, -1, 0, 1, 7, 12, 70000, INT32_MAX};
    auto any = [&]() -> int { return rng() % 3 == 0 ? edges[rng() % 10] : int(rng() % 40) - 10; };
    const uint32_t types[] = {PT_KEY, PT_COPY, PT_SILHOUETTE, PT_HALF, PT_TRANSGRADE, 4};
    for (auto [sf, df] :
         {std::pair{16, 16}, std::pair{16, 32}, std::pair{8, 8}, std::pair{32, 16}, std::pair{24, 32}}) {
        MemBuf src(13, 9, sf), dst(11, 7, df, -1);
        src.SetTrans(1);
        for (int i = 0; i < 2000; ++i) {
            GRECT clip(any(), any(), any(), any());
            const uint32_t type = types[rng() % 6];
            if (rng() % 2)
                src.Paint(&dst, any(), any(), any(), any(), any(), any(), type, rng() % 2 ? &clip : nullptr);
            else
                src.StretchPaint(&dst, any(), any(), any(), any(), any(), any(), type % 2, any(), any(), nullptr);
        }
        EXPECT_EQ(dst.prepares, dst.unprepares);
        EXPECT_EQ(src.prepares, src.unprepares);
    }
}

} // namespace
