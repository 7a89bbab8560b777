#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "kestu_blt8.h"
#include "support/canvas.h"

namespace {

// A source block whose rows are `stride` bytes apart, in a small alphabet so
// that keys are hit often.
struct Block {
    Block(int w, int h, int stride, uint32_t seed) : stride(stride), bytes(size_t(stride) * h)
    {
        std::mt19937 rng(seed);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng() % 4);
    }
    int stride;
    std::vector<uint8_t> bytes;
};

class WidthsAroundBlocks : public ::testing::TestWithParam<int> {};

TEST_P(WidthsAroundBlocks, KeyedAndPlainCopiesTouchExactlyTheRectangle)
{
    const int w = GetParam(), h = 3, stride = w + 9;
    const Block src(w, h, stride, 1u + w);
    kestu_test::Canvas dst0(w, h, 1, 5);
    std::mt19937 rng(100u + w);
    dst0.Randomize(rng);
    const uint8_t key = 2;

    kestu_test::Canvas keyed = dst0, plain = dst0, simple = dst0;
    BltColorKey8(keyed.At(0, 0), src.bytes.data() + 2, w, h, keyed.Pitch(), stride, key);
    BltCopy8(plain.At(0, 0), src.bytes.data() + 2, w, h, plain.Pitch(), stride);
    BltColorKeySimple8(simple.At(0, 0), src.bytes.data() + 2, w, h, simple.Pitch(), stride, key);
    ASSERT_TRUE(plain.GuardsEqual(dst0)) << "w=" << w;
    ASSERT_TRUE(keyed.GuardsEqual(dst0)) << "w=" << w;
    ASSERT_TRUE(simple.GuardsEqual(dst0)) << "w=" << w;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t s = src.bytes[size_t(y) * stride + x + 2];
            const uint32_t old = dst0.Get(x, y);
            ASSERT_EQ(plain.Get(x, y), s) << "w=" << w << " x=" << x << " y=" << y;
            ASSERT_EQ(keyed.Get(x, y), s != key ? s : old) << "w=" << w << " x=" << x << " y=" << y;
            ASSERT_EQ(simple.Get(x, y), keyed.Get(x, y));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Blt8, WidthsAroundBlocks, ::testing::Values(1, 3, 15, 16, 17, 31, 32, 33, 127, 128, 129, 200));

TEST(Blt8, CopyFollowsNegativeStrides)
{
    std::vector<uint8_t> src = {1, 2, 3, 4, 5, 6}, dst(6, 0);
    BltCopy8(dst.data() + 3, src.data(), 3, 2, -3, 3); // bottom-up destination
    EXPECT_EQ(dst, (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
}

TEST(Blt8, SilhouetteAndFills)
{
    std::vector<uint8_t> src = {0, 5, 0, 7}, dst(4, 9);
    BltSilhouette8(dst.data(), src.data(), 4, 1, 4, 4, 0, 0xEE);
    EXPECT_EQ(dst, (std::vector<uint8_t>{9, 0xEE, 9, 0xEE}));

    std::vector<uint8_t> area(4 * 3, 1);
    FillRect8(area.data(), 0, 3, 4, 0x55);
    FillRect8(area.data(), 3, 0, 4, 0x55);
    EXPECT_EQ(area, std::vector<uint8_t>(12, 1));
    FillRect8(area.data() + 1, 2, 2, 4, 0x55);
    EXPECT_EQ(area, (std::vector<uint8_t>{1, 0x55, 0x55, 1, 1, 0x55, 0x55, 1, 1, 1, 1, 1}));

    std::vector<uint8_t> strip(40 * 2, 0), from(40 * 2);
    for (size_t i = 0; i < from.size(); ++i) from[i] = uint8_t(i + 1);
    BltCopy32Columns8(strip.data(), from.data(), 999, 2, 40, 40);
    EXPECT_EQ(strip[31], 32);
    EXPECT_EQ(strip[32], 0);
    EXPECT_EQ(strip[40 + 31], 72);
}

TEST(Blt8, NibbleEffects)
{
    std::vector<uint8_t> dst = {0x12, 0x3F, 0xA0, 0x07, 0x55}, mask = {1, 0, 1, 1, 1};
    DarkenByMask8(dst.data(), mask.data(), 5, 1, 5, 5); // width rounds down to 4
    EXPECT_EQ(dst, (std::vector<uint8_t>{0x10, 0x3F, 0xA0, 0x04, 0x55}));

    // Four mask rows of 8 make three destination rows of 6.
    std::vector<uint8_t> d(6 * 3, 0x25), m(8 * 4, 0);
    m[0] = 1;         // row 0, group 0
    m[8 + 4] = 1;     // row 1, group 1
    m[3 * 8 + 0] = 1; // row 3 is skipped
    d[6 + 3] = 0x2E;  // first byte of row 1, group 1
    LightenByMaskScaled8(d.data(), m.data(), 8, 4, 6, 8);
    EXPECT_EQ(d[0], 0x28);
    EXPECT_EQ(d[2], 0x28);
    EXPECT_EQ(d[3], 0x25);
    EXPECT_EQ(d[6 + 3], 0x2F);
    EXPECT_EQ(d[6 + 5], 0x2F);
    EXPECT_EQ(d[12], 0x25);
    DarkenByMaskScaled8(d.data(), m.data(), 8, 4, 6, 8);
    EXPECT_EQ(d[1], 0x25);

    std::vector<uint8_t> bits(8 * 2, 0x40);
    SetLowBits8(bits.data(), nullptr, 4, 2, 8, 8);
    EXPECT_EQ(bits, (std::vector<uint8_t>{0x43, 0x43, 0x43, 0x43, 0x40, 0x40, 0x40, 0x40, //
                                          0x43, 0x43, 0x43, 0x43, 0x40, 0x40, 0x40, 0x40}));
}

// Run-length rows: u16 skip, u16 count, count bytes, repeated.
struct Sprite {
    std::vector<uint8_t> data;
    std::vector<uint32_t> offsets;
    void Row(std::initializer_list<std::vector<int>> runs)
    {
        offsets.push_back(uint32_t(data.size()));
        for (const auto& run : runs) {
            const int skip = run[0], count = int(run.size()) - 1;
            data.push_back(uint8_t(skip));
            data.push_back(0);
            data.push_back(uint8_t(count));
            data.push_back(0);
            for (int i = 1; i <= count; ++i) data.push_back(uint8_t(run[size_t(i)]));
        }
    }
};

TEST(Blt8, RunLengthRowsWithLeftClipAndCut)
{
    Sprite s;
    s.Row({{1, 10, 11}, {2, 12}, {1}}); // . 10 11 . . 12 .
    s.Row({{0, 20, 21, 22, 23, 24}, {2}});
    const int w = 4, stride = 6;
    // The clip of 3 ends exactly at the end of the first copy run.
    std::vector<uint8_t> dst(stride * 2, 0xEE);
    BltRle8(dst.data(), s.data.data(), s.offsets.data(), w, 2, stride, 3);
    EXPECT_EQ(dst, (std::vector<uint8_t>{0xEE, 0xEE, 12, 0xEE, 0xEE, 0xEE, //
                                         23, 24, 0xEE, 0xEE, 0xEE, 0xEE}));

    std::vector<uint8_t> fill(stride * 2, 0xEE);
    BltRleFill8(fill.data(), s.data.data(), s.offsets.data(), w, 2, stride, 1, 0x00);
    EXPECT_EQ(fill, (std::vector<uint8_t>{10, 11, 0, 0, 0xEE, 0xEE, //
                                          21, 22, 23, 24, 0xEE, 0xEE}));

    // A copy run past the width is cut, and the next row starts at its own offset.
    std::vector<uint8_t> cut(stride * 2, 0xEE), simple(stride * 2, 0xEE);
    BltRle8(cut.data(), s.data.data(), s.offsets.data(), 3, 2, stride, 0);
    BltRleSimple8(simple.data(), s.data.data(), s.offsets.data(), 3, 2, stride, 0);
    EXPECT_EQ(cut, (std::vector<uint8_t>{0xEE, 10, 11, 0xEE, 0xEE, 0xEE, //
                                         20, 21, 22, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(simple, cut);

    std::vector<uint8_t> table(256);
    for (int i = 0; i < 256; ++i) table[size_t(i)] = uint8_t(255 - i);
    std::vector<uint8_t> under = {1, 2, 3, 4, 5, 6};
    BltRleRemap8(under.data(), s.data.data(), s.offsets.data(), 6, 1, stride, 0, table.data());
    EXPECT_EQ(under, (std::vector<uint8_t>{1, 253, 252, 4, 5, 249}));
}

TEST(Blt8, StretchStepsBothWays)
{
    const std::vector<uint8_t> src = {0, 1, 2, 3, 10, 11, 12, 13};
    std::vector<uint8_t> dst(8 * 2, 0xEE);
    // Doubling: the x term grows by 4 per pixel and drops by 8 per source step.
    BltStretch8(dst.data(), src.data(), 8, 2, 8, 4, 8, 2, 4, 2, 8, 2, 0, 0, 0, 0);
    EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0, 1, 1, 2, 2, 3, 3, 10, 10, 11, 11, 12, 12, 13, 13}));

    // Past the switch the reduction waits for the term to pass the threshold.
    std::vector<uint8_t> late(8, 0xEE);
    BltStretch8(late.data(), src.data(), 8, 1, 8, 4, 8, 2, 4, 2, 8, 2, 0, 0, 9, 0);
    EXPECT_EQ(late, (std::vector<uint8_t>{0, 0, 0, 1, 1, 2, 2, 3}));

    std::vector<uint8_t> keyed(8, 0xEE);
    BltStretchColorKey8(keyed.data(), src.data(), 8, 1, 8, 4, 1, 8, 2, 4, 2, 8, 2, 0, 0, 0, 0);
    EXPECT_EQ(keyed, (std::vector<uint8_t>{0, 0, 0xEE, 0xEE, 2, 2, 3, 3}));
}

} // namespace
