#include <gtest/gtest.h>

#include <cstring>

#include "kestu_pixelformat.h"

namespace {

TEST(PixelFormat, PackersShiftWithoutRounding)
{
    struct Case {
        BYTE r, g, b;
        WORD p565, p555;
        DWORD p888;
    };
    const Case cases[] = {
        {0, 0, 0, 0x0000, 0x0000, 0x000000},
        {255, 255, 255, 0xFFFF, 0x7FFF, 0xFFFFFF},
        {255, 0, 0, 0xF800, 0x7C00, 0xFF0000},
        {0, 255, 0, 0x07E0, 0x03E0, 0x00FF00},
        {0, 0, 255, 0x001F, 0x001F, 0x0000FF},
        {7, 3, 7, 0x0000, 0x0000, 0x070307}, // below one step of each channel
        {8, 4, 8, 0x0821, 0x0401, 0x080408}, // exactly one step (555 green needs 8)
        {0x12, 0x34, 0x56, (0x12 >> 3) << 11 | (0x34 >> 2) << 5 | (0x56 >> 3),
         (0x12 >> 3) << 10 | (0x34 >> 3) << 5 | (0x56 >> 3), 0x123456},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b));
        EXPECT_EQ(PackRGB565(c.r, c.g, c.b), c.p565);
        EXPECT_EQ(PackRGB555(c.r, c.g, c.b), c.p555);
        EXPECT_EQ(PackRGB888(c.r, c.g, c.b), c.p888);
        EXPECT_EQ(PackARGB(c.r, c.g, c.b, 0xA5), 0xA5000000u | c.p888);
    }
}

TEST(PixelFormat, AlphaBitOf1555StartsAbove128)
{
    EXPECT_EQ(PackARGB1555(255, 0, 255, 0), 0x7C1F);
    EXPECT_EQ(PackARGB1555(255, 0, 255, 128), 0x7C1F);
    EXPECT_EQ(PackARGB1555(255, 0, 255, 129), 0xFC1F);
    EXPECT_EQ(PackARGB1555(0, 0, 0, 255), 0x8000);
}

TEST(PixelFormat, PackPixelByDepthConvertsOnly24BitSources)
{
    EXPECT_EQ(PackPixelByDepth(16, 24, 255, 0, 255), 0xF81Fu);
    EXPECT_EQ(PackPixelByDepth(15, 24, 255, 0, 255), 0x7C1Fu);
    EXPECT_EQ(PackPixelByDepth(32, 24, 255, 0, 255), 0xFF00FFu);
    EXPECT_EQ(PackPixelByDepth(16, 24, 255, 255, 255), 0xFFFFu); // zero-extended
    EXPECT_EQ(PackPixelByDepth(16, 32, 255, 0, 255), 0xFFFFFFFFu);
    EXPECT_EQ(PackPixelByDepth(16, 16, 255, 0, 255), 0xFFFFFFFFu);
    EXPECT_EQ(PackPixelByDepth(24, 24, 255, 0, 255), 0xFFFFFFFFu);
    EXPECT_EQ(PackPixelByDepth(8, 24, 255, 0, 255), 0xFFFFFFFFu);
}

TEST(PixelFormat, SplittersKeepChannelPrecision)
{
    int32_t r = -1, g = -1, b = -1;
    const WORD white = 0xFFFF;
    SplitRGB565(&white, r, g, b);
    EXPECT_EQ(r, 31);
    EXPECT_EQ(g, 63);
    EXPECT_EQ(b, 31);
    SplitRGB555(&white, r, g, b); // bit 15 is ignored
    EXPECT_EQ(r, 31);
    EXPECT_EQ(g, 31);
    EXPECT_EQ(b, 31);

    const WORD p = PackRGB565(0x12, 0x34, 0x56);
    SplitRGB565(&p, r, g, b);
    EXPECT_EQ(r, 0x12 >> 3);
    EXPECT_EQ(g, 0x34 >> 2);
    EXPECT_EQ(b, 0x56 >> 3);

    const BYTE bgrx[4] = {0x56, 0x34, 0x12, 0x99};
    SplitRGB888(bgrx, r, g, b);
    EXPECT_EQ(r, 0x12);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x56);
}

TEST(PixelFormat, SplitPixelByDepthDispatchesAndIgnoresOtherDepths)
{
    const WORD p16 = 0x7C1F; // magenta in 555, another colour in 565
    const BYTE p32[4] = {1, 2, 3, 4};
    struct Case {
        const void* pixel;
        int depth;
        int32_t r, g, b;
    };
    const Case cases[] = {
        {&p16, 15, 31, 0, 31},
        {&p16, 16, 15, 32, 31},
        {p32, 24, 3, 2, 1},
        {p32, 32, 3, 2, 1},
    };
    for (const Case& c : cases) {
        int32_t r = -1, g = -1, b = -1;
        SplitPixelByDepth(c.pixel, c.depth, r, g, b);
        EXPECT_EQ(r, c.r) << c.depth;
        EXPECT_EQ(g, c.g) << c.depth;
        EXPECT_EQ(b, c.b) << c.depth;
    }
    for (int depth : {0, 8, 17, 31}) {
        int32_t r = 7, g = 8, b = 9;
        SplitPixelByDepth(p32, depth, r, g, b);
        EXPECT_EQ(r, 7) << depth;
        EXPECT_EQ(g, 8) << depth;
        EXPECT_EQ(b, 9) << depth;
    }
}

TEST(PixelFormat, Rgb16StartsZeroAndCopiesAllBytes)
{
    EXPECT_EQ(g_PixelFormat16Info.dwMaskRed, 0u);
    EXPECT_EQ(g_PixelFormat16Info.bMaxGreen, 0);
    _RGB16 a = {};
    a.bMaxBlue = 31;
    a.bMaxGreen = 63;
    a.bMaxRed = 31;
    a.bLossBlue = 3;
    a.bLossGreen = 2;
    a.bLossRed = 3;
    a.bShiftBlue = 0;
    a.bShiftGreen = 5;
    a.bShiftRed = 11;
    a.dwMaskRed = 0xF800;
    a.dwMaskGreen = 0x07E0;
    a.dwMaskBlue = 0x001F;
    _RGB16 b = {};
    b = a;
    EXPECT_EQ(memcmp(&a, &b, sizeof a), 0);
}

} // namespace
