// Silhouettes, level-map shading, run-data conversion and pixel reads.
#include <gtest/gtest.h>

#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/TestSprite.h"

using namespace kestu_test;

namespace {

constexpr uint16_t kKey = 0xF81F;

TEST(Silhouette, OnePixelSoftensItsFourNeighbours)
{
    std::vector<uint16_t> src(25, kKey);
    src[12] = 0xFFFF; // centre of 5 x 5
    std::vector<uint16_t> d(25, 0x0000);
    BltSoftSilhouette565(d.data(), src.data(), 5, 5, 10, 10, 16, kKey, 0x1234);
    for (int i = 0; i < 25; ++i) {
        const uint16_t expected = i == 12 ? 0x1234 : (i == 7 || i == 11 || i == 13 || i == 17) ? 0x7BEF : 0;
        EXPECT_EQ(d[i], expected) << i;
    }
    // On the border the pixel is painted but softens nothing.
    std::vector<uint16_t> edge(9, kKey);
    edge[3] = 0xFFFF;
    std::vector<uint16_t> e(9, 0);
    BltSoftSilhouette555(e.data(), edge.data(), 3, 3, 6, 6, 16, kKey, 0x1234);
    EXPECT_EQ(e, (std::vector<uint16_t>{0, 0, 0, 0x1234, 0, 0, 0, 0, 0}));
}

TEST(Silhouette, SharedNeighbourBlendsOncePerPainter)
{
    // Key pixel at the centre of a 5-wide row block between two painted pixels.
    std::vector<uint16_t> src(15, kKey);
    src[5 + 1] = 0x001F;
    src[5 + 3] = 0x001F;
    std::vector<uint16_t> d(15, 0);
    BltSoftSilhouette565(d.data(), src.data(), 5, 3, 10, 10, 16, kKey, 0x8000);
    EXPECT_EQ(d[5 + 2], (0x1F / 2 + 0x1F) / 2); // 15, then (31 + 15) / 2
}

TEST(Silhouette, FlatAndTwoColour)
{
    const uint16_t src[4] = {kKey, 1, 2, kKey};
    uint16_t flat[4] = {9, 9, 9, 9}, two[4] = {9, 9, 9, 9}, nop[4] = {9, 9, 9, 9};
    BltSilhouette16(flat, src, 4, 1, 8, 8, 16, kKey, 0x4444);
    BltTwoColor16(two, src, 4, 1, 8, 8, 16, kKey, 0x4444, 0x3333);
    BltSilhouette32Nop(nop, src, 2, 1, 8, 8, 16, kKey, 0x4444);
    BltTwoColor32Nop(nop, src, 2, 1, 8, 8, 16, kKey, 0x4444, 0x3333);
    BltSoftSilhouette32Nop(nop, src, 2, 1, 8, 8, 16, kKey, 0x4444);
    EXPECT_EQ(std::vector<uint16_t>(flat, flat + 4), (std::vector<uint16_t>{9, 0x4444, 0x4444, 9}));
    EXPECT_EQ(std::vector<uint16_t>(two, two + 4), (std::vector<uint16_t>{0x3333, 0x4444, 0x4444, 0x3333}));
    EXPECT_EQ(std::vector<uint16_t>(nop, nop + 4), (std::vector<uint16_t>{9, 9, 9, 9}));
}

TEST(LevelMap, ShadesInEighths)
{
    struct Case {
        int level;
        uint16_t in, out565;
    } cases[] = {
        {7, 0xFFFF, (25 << 11) | (53 << 5) | 25},
        {200, 0xFFFF, (25 << 11) | (53 << 5) | 25},
        {8, 0xABCD, 0xABCD},
        {0, 0xFFFF, 0},
        {4, 0xFFFF, (15 << 11) | (31 << 5) | 15},
        {1, 0xFFFF, (3 << 11) | (7 << 5) | 3},
    };
    for (const Case& c : cases) {
        uint16_t p = c.in;
        const uint8_t level = static_cast<uint8_t>(c.level);
        BltFlat565(&p, &level, 2, 1, 1, 1);
        EXPECT_EQ(p, c.out565) << c.level;
    }
    // 555: bit 15 survives level 8 only.
    uint16_t keep = 0xFFFF, drop = 0xFFFF;
    const uint8_t eight = 8, seven = 7;
    BltFlat555(&keep, &eight, 2, 1, 1, 1);
    BltFlat555(&drop, &seven, 2, 1, 1, 1);
    EXPECT_EQ(keep, 0xFFFF);
    EXPECT_EQ(drop, (25 << 10) | (25 << 5) | 25);
}

TEST(LevelMap, EveryPixelUsesItsOwnLevel)
{
    // Width 5 inside a wider buffer: the sixth column is untouched.
    std::vector<uint16_t> d(2 * 6, 0xFFFF);
    const uint8_t map[10] = {0, 1, 2, 3, 8, 8, 4, 5, 6, 7};
    BltFlat565(d.data(), map, 12, 5, 2, 5);
    auto shade = [](int level) {
        uint16_t p = 0xFFFF;
        const uint8_t l = static_cast<uint8_t>(level);
        BltFlat565(&p, &l, 2, 1, 1, 1);
        return p;
    };
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(d[y * 6 + x], shade(map[y * 5 + x])) << x << "," << y;
        EXPECT_EQ(d[y * 6 + 5], 0xFFFF);
    }
    // The 32 x 32 block form walks its map with a stride of 32.
    std::vector<uint16_t> block(32 * 33, 0xFFFF);
    std::vector<uint8_t> levels(1024);
    for (int i = 0; i < 1024; ++i) levels[i] = static_cast<uint8_t>(i % 9);
    BltFlat3232_565(block.data(), levels.data(), 33 * 2);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) ASSERT_EQ(block[y * 33 + x], shade(levels[y * 32 + x]));
        EXPECT_EQ(block[y * 33 + 32], 0xFFFF);
    }
}

TEST(RunConvert, ConvertsOnlyPixelBytes)
{
    Sprite s = MakeSprite(4, {{4}, {1, 3}}, {0, 0, 0, 0, 0, 0xFFFF, 0x0020, 0xF800});
    const std::vector<uint8_t> before = s.runs;
    RleConvert565To555(s.runs.data(), s.RowEntry(0), 8, 2, 0);
    // Row 0 (a lone skip), the counts and the offsets stay; pixels change.
    std::vector<uint8_t> expected = before;
    auto put = [&](size_t at, uint16_t v) {
        expected[at] = static_cast<uint8_t>(v);
        expected[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    const size_t row1 = 8 + 2; // table, then row 0's skip
    put(row1 + 4, 0x7FFF);
    put(row1 + 6, 0x0000);
    put(row1 + 8, 0x7C00);
    EXPECT_EQ(s.runs, expected);
    RleConvert555To565(s.runs.data(), s.RowEntry(0), 8, 2, 0);
    put(row1 + 4, 0xFFDF);
    put(row1 + 6, 0x0000);
    put(row1 + 8, 0xF800);
    EXPECT_EQ(s.runs, expected);
}

TEST(PixelRead, ByDepth)
{
    const uint8_t bytes[4] = {0x11, 0x22, 0x33, 0x44};
    struct Case {
        int depth, expected;
    } cases[] = {{8, 0x11}, {15, 0x2211}, {16, 0x2211}, {24, 0x332211}, {32, 0x44332211}, {12, 0}, {0, 0}, {33, 0}};
    for (const Case& c : cases) EXPECT_EQ(GetPixelByDepth(bytes, c.depth), c.expected) << c.depth;
}

TEST(MixedAlpha, ByteLookupBySpans)
{
    Sprite s = MakeSprite(10, {{0, 10}}, std::vector<uint16_t>(10, 1));
    s.alpha = {0, 1, 2, 3, 0, 5, 6, 7, 8, 9};
    SetCompressedAlpha(s, {{1, 3, 1, 2, 3}}); // spans at 1-3 and 5-6; the rest skips past the width
    struct Case {
        int column, found, value;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {3, 1, 3}, {4, 0, 0}, {5, 1, 5}, {6, 1, 6}, {7, 0, 0}, {9, 0, 0}};
    for (const Case& c : cases) {
        uint8_t out = 0xEE;
        EXPECT_EQ(RleByteAt(c.column, 0, s.alphaRuns.data(), 10, &out), c.found) << c.column;
        EXPECT_EQ(out, c.found ? c.value : 0xEE) << c.column;
    }
}

} // namespace
