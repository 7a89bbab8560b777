#include <cstring>
#include <random>
#include <vector>

#include "screens/ScreensTestUtil.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_mmx.h"

using namespace screens_test;

namespace {

// Channel helpers of the reference formulas.
int R(uint16_t p) { return p >> 11; }
int G(uint16_t p) { return (p >> 5) & 63; }
int B(uint16_t p) { return p & 31; }
uint16_t Pack(int r, int g, int b) { return uint16_t((r & 31) << 11 | (g & 63) << 5 | (b & 31)); }

uint16_t RefLane(uint16_t s, uint16_t d, int a)
{
    auto ch = [a](int sc, int dc) {
        const int v = dc + (((sc + 64 - dc) * a) >> 8) - (a >> 2);
        return v < 0 ? 0 : v;
    };
    return Pack(ch(R(s), R(d)), ch(G(s), G(d)), ch(B(s), B(d)));
}

uint16_t RefLevel(uint16_t s, uint16_t d, int a)
{
    const int k = a >> 4;
    if (k == 0) return d;
    if (k == 15) return s;
    auto parts = [](int c, int n) {
        int sum = 0;
        for (int bit = 3, shift = 1; bit >= 0; --bit, ++shift)
            if (n & (1 << bit)) sum += c >> shift;
        return sum;
    };
    return Pack(parts(R(s), k) + parts(R(d), 16 - k), parts(G(s), k) + parts(G(d), 16 - k),
                parts(B(s), k) + parts(B(d), 16 - k));
}

uint16_t RefAverage(uint16_t s, uint16_t d) { return Pack((R(s) + R(d)) / 2, (G(s) + G(d)) / 2, (B(s) + B(d)) / 2); }

// A run-length sprite: per row, pairs of (skip bytes, copied pixels).
struct Sprite {
    std::vector<uint8_t> data;
    std::vector<DWORD> offsets;
    struct Run {
        int skipPixels;
        std::vector<uint16_t> pixels;
    };
    void AddRow(const std::vector<Run>& runs)
    {
        offsets.push_back(DWORD(data.size()));
        for (const Run& r : runs) {
            Put16(uint16_t(r.skipPixels * 2));
            Put16(uint16_t(r.pixels.size() * 2));
            for (uint16_t p : r.pixels) Put16(p);
        }
    }
    void Put16(uint16_t v)
    {
        data.push_back(uint8_t(v));
        data.push_back(uint8_t(v >> 8));
    }
};

class MmxTest : public PlatformTest {};

TEST_F(MmxTest, SwitchFollowsTheProcessor)
{
    host::SetProcessorType(PROCESSOR_INTEL_486);
    EXPECT_EQ(IsMMX(), 0);
    SetMMX(1);
    EXPECT_EQ(GetMMX(), 0);
    host::SetProcessorType(PROCESSOR_INTEL_386);
    EXPECT_EQ(IsMMX(), 0);
    host::SetProcessorType(PROCESSOR_INTEL_PENTIUM);
    EXPECT_EQ(IsMMX(), 1); // every x86-64 processor has MMX
    SetMMX(1);
    EXPECT_EQ(GetMMX(), 1);
    SetMMX(0);
    EXPECT_EQ(GetMMX(), 0);
}

TEST_F(MmxTest, HalveShiftsAndMasksEveryPixel)
{
    // Two rows of 6 pixels (a group and a remainder of 2) with 2 pixels of padding.
    std::vector<uint16_t> buf = {0xFFFF, 0x0821, 0xF800, 0x07E0, 0x001F, 0xFFFF, 0xAAAA, 0xAAAA,
                                 0x0821, 0x1234, 0xFFFF, 0x0001, 0xFFFF, 0x0821, 0xAAAA, 0xAAAA};
    std::vector<uint16_t> want = buf;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) want[y * 8 + x] = uint16_t((buf[y * 8 + x] >> 1) & 0x7BEF);
    MmxHalve16(buf.data(), 6, 2, 16);
    EXPECT_EQ(buf, want);
    EXPECT_EQ(buf[0], 0x7BEF);
    EXPECT_EQ(buf[1], 0x0000);
    EXPECT_EQ(buf[13], 0x0000);
}

TEST_F(MmxTest, KeyedHalfBlendAveragesExactly)
{
    const uint16_t key = 0xF81F;
    std::vector<uint16_t> dest(7 * 3), src(7 * 3, key);
    std::mt19937 rng(5);
    for (auto& d : dest) d = uint16_t(rng());
    std::vector<uint16_t> before = dest;
    MmxHalfColorKey16(dest.data(), src.data(), 7, 3, 14, 14, key);
    EXPECT_EQ(dest, before);

    for (int trial = 0; trial < 20; ++trial) {
        for (size_t i = 0; i < src.size(); ++i) {
            dest[i] = uint16_t(rng());
            const uint32_t pick = rng() % 4;
            src[i] = pick == 0 ? key : (pick == 1 ? dest[i] : uint16_t(rng()));
        }
        std::vector<uint16_t> want = dest;
        for (size_t i = 0; i < src.size(); ++i)
            if (src[i] != key) want[i] = RefAverage(src[i], dest[i]);
        MmxHalfColorKey16(dest.data(), src.data(), 7, 3, 14, 14, key);
        ASSERT_EQ(dest, want) << trial;
    }
}

TEST_F(MmxTest, SpriteBlitUsesTheLaneFormulaForGroupsAndLevelsForTheRest)
{
    std::mt19937 rng(9);
    for (int trial = 0; trial < 30; ++trial) {
        // One row: skip 1, copy 6 (a group and 2 single pixels), skip 2, copy 3.
        std::vector<uint16_t> a(6), b(3);
        for (auto& p : a) p = uint16_t(rng());
        for (auto& p : b) p = uint16_t(rng());
        Sprite sprite;
        sprite.AddRow({{1, a}, {2, b}});
        std::vector<uint8_t> alpha(12);
        for (auto& v : alpha) v = uint8_t(rng());
        std::vector<uint16_t> dest(12);
        for (auto& p : dest) p = uint16_t(rng());
        std::vector<uint16_t> want = dest;
        for (int i = 0; i < 4; ++i) want[1 + i] = RefLane(a[i], dest[1 + i], alpha[1 + i]);
        for (int i = 4; i < 6; ++i) want[1 + i] = RefLevel(a[i], dest[1 + i], alpha[1 + i]);
        for (int i = 0; i < 3; ++i) want[9 + i] = RefLevel(b[i], dest[9 + i], alpha[9 + i]);
        MmxSpriteBlit16(dest.data(), sprite.data.data(), sprite.offsets.data(), alpha.data(), 24, 1, 24, 12, 0);
        ASSERT_EQ(dest, want) << trial;
    }
}

TEST_F(MmxTest, SpriteBlitAlphaEdges)
{
    Sprite sprite;
    sprite.AddRow({{0, {0x1234, 0x5678, 0x9ABC, 0xDEF0}}, {0, {0xF800}}});
    std::vector<uint16_t> dest = {0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F};
    std::vector<uint8_t> alpha(5, 0);
    MmxSpriteBlit16(dest.data(), sprite.data.data(), sprite.offsets.data(), alpha.data(), 10, 1, 10, 5, 0);
    EXPECT_EQ(dest, std::vector<uint16_t>(5, 0x0F0F));
    alpha[4] = 0xF0; // level 15 stores the source
    MmxSpriteBlit16(dest.data(), sprite.data.data(), sprite.offsets.data(), alpha.data(), 10, 1, 10, 5, 0);
    EXPECT_EQ(dest[4], 0xF800);
}

TEST_F(MmxTest, LeftClipAndWidthCutTheRuns)
{
    // Row 0: copy 2, skip 1, copy 3. A clip of 2 pixels ends exactly at the end of
    // the first copy run: drawing starts with the skip run. w = 3 pixels cuts the last run.
    Sprite sprite;
    sprite.AddRow({{0, {0x1111, 0x2222}}, {1, {0x3333, 0x4444, 0x5555}}});
    sprite.AddRow({{1, {0x6666, 0x7777, 0x8888, 0x9999}}});
    std::vector<uint16_t> dest(8, 0); // 2 rows of 3 pixels + 1 of padding
    MmxSpriteHalf16(dest.data(), sprite.data.data(), sprite.offsets.data(), 6, 2, 8, 4);
    const uint16_t h3 = RefAverage(0x3333, 0), h4 = RefAverage(0x4444, 0);
    EXPECT_EQ(dest[0], 0);
    EXPECT_EQ(dest[1], h3);
    EXPECT_EQ(dest[2], h4);
    EXPECT_EQ(dest[3], 0);
    // Row 1: the clip of 2 pixels takes the skip and one copied pixel.
    EXPECT_EQ(dest[4], RefAverage(0x7777, 0));
    EXPECT_EQ(dest[5], RefAverage(0x8888, 0));
    EXPECT_EQ(dest[6], RefAverage(0x9999, 0));
    EXPECT_EQ(dest[7], 0);
}

TEST_F(MmxTest, HalfBlendGroupsAndSinglePixels)
{
    std::mt19937 rng(3);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<uint16_t> px(7);
        for (auto& p : px) p = uint16_t(rng());
        Sprite sprite;
        sprite.AddRow({{0, px}});
        std::vector<uint16_t> dest(7);
        for (auto& p : dest) p = uint16_t(rng());
        dest[5] = px[5]; // an equal single pixel is left
        std::vector<uint16_t> want = dest;
        for (int i = 0; i < 4; ++i) want[i] = uint16_t(((px[i] >> 1) & 0x7BEF) + ((dest[i] >> 1) & 0x7BEF));
        for (int i = 4; i < 7; ++i)
            if (px[i] != dest[i]) want[i] = RefAverage(px[i], dest[i]);
        MmxSpriteHalf16(dest.data(), sprite.data.data(), sprite.offsets.data(), 14, 1, 14, 0);
        ASSERT_EQ(dest, want) << trial;
    }
}

// A pair of an empty skip and an empty copy run cannot cover a row: the MMX
// loops and the paint kernels both stop there and touch nothing after it.
TEST_F(MmxTest, AnEmptyPairEndsTheRowAsInTheKernels)
{
    Sprite sprite;
    sprite.AddRow({{2, {0x1111}}, {0, {}}, {0, {0x2222, 0x3333}}});
    const std::vector<uint16_t> blank(6, 0);
    std::vector<uint16_t> half = blank, copied = blank;
    MmxSpriteHalf16(half.data(), sprite.data.data(), sprite.offsets.data(), 12, 1, 12, 0);
    const std::vector<uint32_t> offsets(sprite.offsets.begin(), sprite.offsets.end());
    BltRleCopy16(copied.data(), sprite.data.data(), offsets.data(), 12, 1, 12, 0);
    EXPECT_EQ(half, (std::vector<uint16_t>{0, 0, RefAverage(0x1111, 0), 0, 0, 0}));
    EXPECT_EQ(copied, (std::vector<uint16_t>{0, 0, 0x1111, 0, 0, 0}));
}

TEST_F(MmxTest, CompressedAlphaMatchesThePlainPlane)
{
    std::mt19937 rng(11);
    std::vector<uint16_t> a(5), b(2);
    for (auto& p : a) p = uint16_t(rng());
    for (auto& p : b) p = uint16_t(rng());
    Sprite sprite;
    sprite.AddRow({{2, a}, {1, b}});
    // The alpha plane in both forms: skip 2, 5 values, skip 1, 2 values.
    std::vector<uint8_t> plain(10, 0);
    std::vector<uint8_t> runs;
    auto put16 = [&runs](uint16_t v) {
        runs.push_back(uint8_t(v));
        runs.push_back(uint8_t(v >> 8));
    };
    put16(2);
    put16(5);
    for (int i = 0; i < 5; ++i) runs.push_back(plain[2 + i] = uint8_t(rng()));
    put16(1);
    put16(2);
    for (int i = 0; i < 2; ++i) runs.push_back(plain[8 + i] = uint8_t(rng()));
    const DWORD alphaOffsets[1] = {0};

    std::vector<uint16_t> d1(10), d2;
    for (auto& p : d1) p = uint16_t(rng());
    d2 = d1;
    for (int clip : {0, 3}) {
        std::vector<uint16_t> x = d1, y = d2;
        MmxSpriteBlit16(x.data(), sprite.data.data(), sprite.offsets.data(), plain.data(), 20 - 2 * clip, 1, 20, 10,
                        2 * clip);
        MmxSpriteBlitCompressed16(y.data(), sprite.data.data(), sprite.offsets.data(), runs.data(), alphaOffsets,
                                  20 - 2 * clip, 1, 20, 0, 2 * clip);
        EXPECT_EQ(x, y) << clip;
        EXPECT_NE(x, d1) << clip;
    }
}

} // namespace
