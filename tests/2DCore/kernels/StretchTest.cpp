// Stretch kernels: integer stepping of raw rectangles, per-run scaling of
// run-length rows, alpha blended once per source pixel and copied down.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/Reference.h"
#include "kernels/TestSprite.h"

using namespace kestu_test;

namespace {

// Source index i of n fills [floor(i * m / n), floor((i + 1) * m / n)).
int Lower(int i, int m, int n) { return static_cast<int>(static_cast<long long>(i) * m / n); }

TEST(StretchRaw, RandomMatchesBlocks)
{
    std::mt19937 rng(11);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iteration = 0; iteration < 300; ++iteration) {
        // Some rows wide enough for eight-column blocks, magnified and reduced.
        const bool wide = pick(0, 2) == 0;
        const int sw = wide ? pick(8, 70) : pick(1, 12), sh = pick(1, 6);
        const int dw = wide ? pick(1, 3 * sw) : pick(1, 30), dh = pick(1, 12);
        const bool keyed = pick(0, 1) == 1;
        RawImage img(sw, sh, 2);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x) img.Set(x, y, pick(0, 3) == 0 ? 0x1234 : static_cast<uint32_t>(rng()));
        Canvas actual(dw, dh, 2, 2, pick(0, 1) == 1);
        actual.Randomize(rng);
        Canvas expected = actual;
        if (keyed)
            BltStretchColorKey16(actual.At(0, 0), img.At(0, 0), dw, dh, sw, sh, actual.Pitch(), img.Pitch(), 0x1234);
        else
            BltStretch16(actual.At(0, 0), img.At(0, 0), dw, dh, sw, sh, actual.Pitch(), img.Pitch());
        for (int sy = 0; sy < sh; ++sy)
            for (int sx = 0; sx < sw; ++sx) {
                const uint32_t p = img.Get(sx, sy);
                if (keyed && p == 0x1234) continue;
                for (int y = Lower(sy, dh, sh); y < Lower(sy + 1, dh, sh); ++y)
                    for (int x = Lower(sx, dw, sw); x < Lower(sx + 1, dw, sw); ++x) expected.Set(x, y, p);
            }
        ASSERT_EQ(actual.bytes, expected.bytes) << sw << "x" << sh << " -> " << dw << "x" << dh;
    }
}

TEST(StretchRaw, VeryWideRowsStepExactly)
{
    // Widths on both sides of the change of column stepping at 65536.
    for (const int sw : {7, 65521}) {
        std::vector<uint16_t> src(sw);
        for (int i = 0; i < sw; ++i) src[i] = static_cast<uint16_t>(i * 40503u);
        for (const int dw : {65535, 65536, 70001}) {
            std::vector<uint16_t> out(2 * size_t(dw), 0), keyedOut(2 * size_t(dw), 0x5A5A);
            BltStretch16(out.data(), src.data(), dw, 2, sw, 1, 2 * dw, 2 * sw);
            BltStretchColorKey16(keyedOut.data(), src.data(), dw, 2, sw, 1, 2 * dw, 2 * sw, src[sw / 2]);
            for (int x = 0; x < dw; ++x) {
                const uint16_t p = src[static_cast<size_t>((static_cast<long long>(x) * sw + sw - 1) / dw)];
                const uint16_t k = p == src[sw / 2] ? 0x5A5A : p;
                ASSERT_EQ(out[x], p) << sw << " -> " << dw << " at " << x;
                ASSERT_EQ(out[dw + x], p) << sw << " -> " << dw << " at " << x;
                ASSERT_EQ(keyedOut[x], k) << sw << " -> " << dw << " at " << x;
                ASSERT_EQ(keyedOut[dw + x], k) << sw << " -> " << dw << " at " << x;
            }
        }
    }
}

TEST(StretchRaw, WorkedSizes)
{
    const uint16_t two[4] = {1, 2, 3, 4};
    std::vector<uint16_t> big(16, 0);
    BltStretch16(big.data(), two, 4, 4, 2, 2, 8, 4);
    EXPECT_EQ(big, (std::vector<uint16_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));

    std::vector<uint16_t> four(16);
    for (int i = 0; i < 16; ++i) four[i] = static_cast<uint16_t>(i);
    uint16_t small[4] = {};
    BltStretch16(small, four.data(), 2, 2, 4, 4, 4, 8);
    EXPECT_EQ(std::vector<uint16_t>(small, small + 4), (std::vector<uint16_t>{5, 7, 13, 15}));

    const uint16_t keyed[4] = {1, 9, 3, 4};
    std::vector<uint16_t> out(16, 0x77);
    BltStretchColorKey16(out.data(), keyed, 4, 4, 2, 2, 8, 4, 9);
    EXPECT_EQ(out, (std::vector<uint16_t>{1, 1, 0x77, 0x77, 1, 1, 0x77, 0x77, 3, 3, 4, 4, 3, 3, 4, 4}));
}

// One stretched row of a sprite as a list of segments: gaps and runs, cut
// where the kernels cut them.
struct Segment {
    bool run;
    int first, length; // source columns
};

std::vector<Segment> Segments(const Sprite& s, int row, int left, int width, bool byAlphaSpans)
{
    std::vector<Segment> out;
    for (int x = left; x < left + width; ++x) {
        const bool opaque = s.Opaque(x, row);
        const bool run = opaque && (!byAlphaSpans || s.Covered(x, row));
        bool boundary =
            x == left || out.back().run != run || (opaque && s.RunStart(x, row)) || (!opaque && s.SkipStart(x, row));
        if (byAlphaSpans && opaque && x > left && s.Opaque(x - 1, row) &&
            (s.Covered(x, row) != s.Covered(x - 1, row) || (s.Covered(x, row) && s.SpanStart(x, row))))
            boundary = true;
        if (boundary)
            out.push_back({run, x, 1});
        else
            ++out.back().length;
    }
    return out;
}

enum class Kind { Plain, To32, Alpha565, Alpha555, Compressed565, Compressed555 };

struct StretchCase {
    std::string name;
    Kind kind;
};

void PrintTo(const StretchCase& c, std::ostream* os) { *os << c.name; }

class RleStretch : public testing::TestWithParam<StretchCase> {};

TEST_P(RleStretch, RandomMatchesSegments)
{
    const Kind kind = GetParam().kind;
    const bool alpha = kind != Kind::Plain && kind != Kind::To32;
    const bool compressed = kind == Kind::Compressed565 || kind == Kind::Compressed555;
    const bool is565 = kind == Kind::Alpha565 || kind == Kind::Compressed565;
    std::mt19937 rng(static_cast<unsigned>(kind) + 21);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iteration = 0; iteration < 300; ++iteration) {
        const int w = pick(0, 2) == 0 ? pick(41, 120) : pick(1, 40), h = pick(1, 5);
        Sprite s = RandomSprite(rng, w, h);
        AddRandomAlpha(rng, s);
        const int left = pick(0, w - 1), width = pick(1, w - left), top = pick(0, h - 1), rows = pick(1, h - top);
        const int dw = pick(1, 3 * width), dh = pick(1, 3 * rows);
        const int bytes = kind == Kind::To32 ? 4 : 2;
        Canvas actual(dw, dh, bytes, 2, pick(0, 1) == 1);
        actual.Randomize(rng, &SmallPalette());
        Canvas expected = actual;
        const int pitch = actual.Pitch();
        void* d = actual.At(0, 0);
        switch (kind) {
        case Kind::Plain:
            BltRleStretch16(d, s.runs.data(), s.RowEntry(top), 2 * dw, dh, 2 * width, rows, pitch, 2 * left);
            break;
        case Kind::To32:
            BltRleStretch565To32(d, s.runs.data(), s.RowEntry(top), 2 * dw, dh, 2 * width, rows, pitch, 2 * left);
            break;
        case Kind::Alpha565:
            BltRleStretchAlpha565(d, s.runs.data(), s.RowEntry(top), s.AlphaRow(top), 2 * dw, dh, 2 * width, rows, w,
                                  pitch, 2 * left);
            break;
        case Kind::Alpha555:
            BltRleStretchAlpha555(d, s.runs.data(), s.RowEntry(top), s.AlphaRow(top), 2 * dw, dh, 2 * width, rows, w,
                                  pitch, 2 * left);
            break;
        case Kind::Compressed565:
            BltRleStretchAlphaCompressed565(d, s.runs.data(), s.RowEntry(top), s.alphaRuns.data(), s.AlphaRowEntry(top),
                                            2 * dw, dh, 2 * width, rows, w, pitch, 2 * left);
            break;
        case Kind::Compressed555:
            BltRleStretchAlphaCompressed555(d, s.runs.data(), s.RowEntry(top), s.alphaRuns.data(), s.AlphaRowEntry(top),
                                            2 * dw, dh, 2 * width, rows, w, pitch, 2 * left);
            break;
        }
        const long double wide = static_cast<long double>(2 * dw) / (2 * width);
        const float narrow = static_cast<float>(2 * dw) / static_cast<float>(2 * width);
        auto scaled = [&](int n) { return alpha ? static_cast<int>(n * narrow) : static_cast<int>(n * wide); };
        for (int r = 0; r < rows; ++r) {
            const int y0 = Lower(r, dh, rows), y1 = Lower(r + 1, dh, rows);
            if (y0 == y1) continue;
            int column = 0;
            for (const Segment& seg : Segments(s, top + r, left, width, compressed)) {
                const int m = scaled(seg.length);
                if (seg.run) {
                    for (int i = 0; i < seg.length; ++i) {
                        const uint16_t p = s.Pixel(seg.first + i, top + r);
                        for (int x = column + Lower(i, m, seg.length); x < column + Lower(i + 1, m, seg.length); ++x) {
                            if (x >= dw) continue;
                            uint32_t value = kind == Kind::To32 ? ref::Expand565To32(p) : p;
                            if (alpha) {
                                const int level = s.Alpha(seg.first + i, top + r) >> 4;
                                if (level == 0) continue;
                                value = ref::Blend16(p, static_cast<uint16_t>(expected.Get(x, y0)), level, is565);
                            }
                            for (int y = y0; y < y1; ++y) expected.Set(x, y, value);
                        }
                    }
                }
                column += m;
            }
        }
        ASSERT_EQ(actual.bytes, expected.bytes) << GetParam().name << " iteration " << iteration;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, RleStretch,
                         testing::Values(StretchCase{"Plain", Kind::Plain}, StretchCase{"To32", Kind::To32},
                                         StretchCase{"Alpha565", Kind::Alpha565},
                                         StretchCase{"Alpha555", Kind::Alpha555},
                                         StretchCase{"Compressed565", Kind::Compressed565},
                                         StretchCase{"Compressed555", Kind::Compressed555}),
                         [](const testing::TestParamInfo<StretchCase>& info) { return info.param.name; });

TEST(RleStretchCases, GapScaledOnItsOwn)
{
    // Runs of 2, a gap of 3, runs of 2 at ratio 1.5: the gap becomes 4 pixels.
    Sprite s = MakeSprite(7, {{0, 2, 3, 2}}, {1, 2, 0, 0, 0, 6, 7});
    std::vector<uint16_t> d(12, 0x55);
    BltRleStretch16(d.data(), s.runs.data(), s.RowEntry(0), 21, 1, 14, 1, 24, 0);
    EXPECT_EQ(d, (std::vector<uint16_t>{1, 2, 2, 0x55, 0x55, 0x55, 0x55, 6, 7, 7, 0x55, 0x55}));
}

TEST(RleStretchCases, MagnifiedAlphaRepeatsTheFirstRowBlend)
{
    Sprite s = MakeSprite(1, {{0, 1}}, {0xFFFF});
    s.alpha = {0x80};
    uint16_t d[2] = {0x0000, 0xFFFF}; // two destination rows, one column
    BltRleStretchAlpha565(d, s.runs.data(), s.RowEntry(0), s.alpha.data(), 2, 2, 2, 1, 1, 2, 0);
    EXPECT_EQ(d[0], 0x7BEF);
    EXPECT_EQ(d[1], 0x7BEF);
}

TEST(RleStretchCases, TransparentAlphaPixelLeavesEveryRowAlone)
{
    // One source row over three destination rows, each with its own
    // background: the middle pixel has alpha 0 and must not be copied down.
    Sprite s = MakeSprite(3, {{0, 3}}, {0xF800, 0x07E0, 0x001F});
    s.alpha = {0xF0, 0x00, 0xF0};
    uint16_t d[9] = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777, 0x0101, 0x0202};
    BltRleStretchAlpha565(d, s.runs.data(), s.RowEntry(0), s.alpha.data(), 6, 3, 6, 1, 3, 6, 0);
    EXPECT_NE(d[0], 0x1111);
    EXPECT_NE(d[2], 0x3333);
    for (int y = 1; y < 3; ++y) {
        EXPECT_EQ(d[3 * y], d[0]) << y;
        EXPECT_EQ(d[3 * y + 2], d[2]) << y;
    }
    EXPECT_EQ(d[1], 0x2222);
    EXPECT_EQ(d[4], 0x5555);
    EXPECT_EQ(d[7], 0x0101);
}

} // namespace
