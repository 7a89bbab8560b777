// Worked numeric cases of the kernels: exact pixel values, clipping of runs
// and what stays untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/TestSprite.h"

using namespace kestu_test;

namespace {

using RunKernel =
    std::function<void(void* dst, const void* base, const uint32_t* rows, int width, int count, int pitch, int skip)>;

// One sprite row of a single copy run holding `pixels`, painted over `under`
// with the given left skip and visible width (pixels); returns the row.
std::vector<uint32_t> PaintRun(const RunKernel& kernel, const std::vector<uint16_t>& pixels,
                               const std::vector<uint32_t>& under, int dstBytes = 2, int left = 0, int width = -1)
{
    const int n = static_cast<int>(pixels.size());
    if (width < 0) width = n - left;
    Sprite s = MakeSprite(n, {{0, n}}, pixels);
    Canvas c(width, 1, dstBytes, 2);
    c.Fill(0xA5A5A5A5u);
    for (int x = 0; x < width; ++x) c.Set(x, 0, under[x]);
    kernel(c.At(0, 0), s.runs.data(), s.RowEntry(0), width * 2, 1, c.Pitch(), left * 2);
    std::vector<uint32_t> out;
    for (int x = -1; x <= width; ++x) out.push_back(c.Get(x, 0));
    const uint32_t guard = dstBytes == 2 ? 0xA5A5 : 0xA5A5A5A5u;
    EXPECT_EQ(out.front(), guard);
    EXPECT_EQ(out.back(), guard);
    return {out.begin() + 1, out.end() - 1};
}

uint32_t One(const RunKernel& kernel, uint16_t src, uint32_t dst, int dstBytes = 2)
{
    return PaintRun(kernel, {src}, {dst}, dstBytes)[0];
}

// The alpha family painted over one pixel with one alpha byte.
uint16_t OneAlpha(void (*fn)(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int),
                  uint16_t src, uint16_t dst, uint8_t alpha)
{
    Sprite s = MakeSprite(1, {{0, 1}}, {src});
    s.alpha = {alpha};
    uint16_t d = dst;
    fn(&d, s.runs.data(), s.RowEntry(0), s.alpha.data(), 2, 1, 2, 1, 0);
    return d;
}

uint16_t OneGraded(int grade, uint16_t src, uint16_t dst, uint8_t alpha)
{
    Sprite s = MakeSprite(1, {{0, 1}}, {src});
    s.alpha = {alpha};
    uint16_t d = dst;
    BltRleAlphaTransGrade565(&d, s.runs.data(), s.RowEntry(0), s.alpha.data(), 2, 1, 2, 1, 0, grade);
    return d;
}

RunKernel WithLevel(void (*fn)(void*, const void*, const uint32_t*, int, int, int, int, int), int level)
{
    return [fn, level](void* d, const void* b, const uint32_t* r, int w, int n, int p, int s) {
        fn(d, b, r, w, n, p, s, level);
    };
}

RunKernel WithMask(void (*fn)(void*, const void*, const uint32_t*, int, int, int, int, uint16_t), uint16_t mask)
{
    return [fn, mask](void* d, const void* b, const uint32_t* r, int w, int n, int p, int s) {
        fn(d, b, r, w, n, p, s, mask);
    };
}

struct PixelCase {
    const char* what;
    RunKernel kernel;
    uint16_t src;
    uint32_t dst;
    uint32_t expected;
    int dstBytes = 2;
};

TEST(KernelPixels, WorkedValues)
{
    const PixelCase cases[] = {
        {"565 to 4444 of white", BltRleCopy565To4444, 0xFFFF, 0, 0xFFFF},
        {"565 to 4444 of black", BltRleCopy565To4444, 0x0000, 0, 0xF000},
        {"565 white to 32", BltRleCopy565To32, 0xFFFF, 0, 0xFFF8FCF8u, 4},
        {"filter keeps red", WithMask(BltRleSourceFilter16, 0xF800), 0xFFFF, 0x1234, 0xF800},
        {"level 16 copies", WithLevel(BltRleEnhance565, 16), 0x1234, 0, 0x1234},
        {"level 16 keeps bit 15 of 555", WithLevel(BltRleEnhance555, 16), 0x9234, 0, 0x9234},
        {"level 0 is black", WithLevel(BltRleEnhance565, 0), 0xFFFF, 0x1234, 0x0000},
        {"level 8 halves white", WithLevel(BltRleEnhance565, 8), 0xFFFF, 0, 0x7BEF},
        {"level 3 truncates blue per term", WithLevel(BltRleEnhance565, 3), 0x000F, 0, 0x0001},
        {"level 17 keeps white", WithLevel(BltRleEnhance565, 17), 0xFFFF, 0, 0xFFFF},
        {"level 27 saturates red 16", WithLevel(BltRleEnhance565, 27), 16 << 11, 0, 0xF800},
        {"level 28 saturates red 4", WithLevel(BltRleEnhance565, 28), 4 << 11, 0, 0xF800},
        {"level 26 doubles red 8", WithLevel(BltRleEnhance565, 26), 8 << 11, 0, 16 << 11},
        {"level 26 saturates 555 red 20", WithLevel(BltRleEnhance555, 26), 20 << 10, 0, 0x7C00},
        {"level -3 is white", WithLevel(BltRleEnhance565, -3), 0x1234, 0, 0xFFFF},
        {"level 29 is white", WithLevel(BltRleEnhance565, 29), 0x1234, 0, 0xFFFF},
        {"level 32 is 555 white", WithLevel(BltRleEnhance555, 32), 0x1234, 0, 0x7FFF},
        {"grade 8 white over black", WithLevel(BltRleTransGrade565, 8), 0xFFFF, 0, 0x7BEF},
        {"grade 1 white over black", WithLevel(BltRleTransGrade565, 1), 0xFFFF, 0, (1 << 11) | (3 << 5) | 1},
        {"grade 0 keeps", WithLevel(BltRleTransGrade565, 0), 0xFFFF, 0x1234, 0x1234},
        {"grade 15 writes source", WithLevel(BltRleTransGrade565, 15), 0xABCD, 0x1234, 0xABCD},
        {"grade 16 writes source", WithLevel(BltRleTransGrade555, 16), 0xABCD, 0x1234, 0xABCD},
        {"555 grade drops bit 15", WithLevel(BltRleTransGrade555, 8), 0x7FFF, 0xFFFF, 0x7FFF},
        {"grey of white", BltRleGray565, 0xFFFF, 0, 29 | (58 << 5) | (29 << 11)},
        {"grey of red", BltRleGray565, 0xF800, 0, 15 | (30 << 5) | (15 << 11)},
        {"555 grey of white", BltRleGray555, 0x7FFF, 0, 25 | (25 << 5) | (25 << 10)},
        {"grey of white to 32", BltRleGray565To32, 0xFFFF, 0, 0xFFE8E8E8u, 4},
        {"half white over black", BltRleHalf565, 0xFFFF, 0, 0x7BEF},
        {"half of a pixel over itself", BltRleHalf555, 0x8421, 0x8421, 0x8421},
        {"555 half drops bit 15", BltRleHalf555, 0x8000, 0x8002, 0x0001},
        {"masked half keeps red", WithMask(BltRleSourceFilterHalf16, 0xF800), 0xFFFF, 0, 15 << 11},
        {"masked half of equal pair", WithMask(BltRleSourceFilterHalf16, 0xF800), 0x1234, 0x1234, 0x1234},
    };
    for (const PixelCase& c : cases) EXPECT_EQ(One(c.kernel, c.src, c.dst, c.dstBytes), c.expected) << c.what;
}

TEST(KernelPixels, SixteenLevels)
{
    struct Case {
        uint8_t alpha;
        uint16_t src, dst, expected;
    } cases[] = {
        {0x0F, 0xFFFF, 0x1234, 0x1234}, // level 0 keeps the destination
        {0xF0, 0xABCD, 0x1234, 0xABCD}, // level 15 writes the source
        {0x80, 0xF800, 0x0000, 15 << 11},
        {0x80, 0xFFFF, 0x0000, 0x7BEF},
        {0x10, 0xFFFF, 0x0000, (1 << 11) | (3 << 5) | 1},
        {0x70, 0x0000, 0xFFFF, (17 << 11) | (35 << 5) | 17}, // 9/16 of the destination
    };
    for (const Case& c : cases) EXPECT_EQ(OneAlpha(BltRleAlpha565, c.src, c.dst, c.alpha), c.expected) << int(c.alpha);
    // 555: level 0 writes the destination back whole; blending drops bit 15.
    EXPECT_EQ(OneAlpha(BltRleAlpha555, 0x7FFF, 0x8000, 0x00), 0x8000);
    EXPECT_EQ(OneAlpha(BltRleAlpha555, 0x7FFF, 0x8000, 0x80), 0x3DEF);
}

TEST(KernelPixels, AlphaScaledByGrade)
{
    const uint16_t src = 0xFFFF, dst = 0x0000;
    auto atLevel = [&](uint8_t alpha) { return OneAlpha(BltRleAlpha565, src, dst, alpha); };
    EXPECT_EQ(OneGraded(8, src, dst, 0xF0), atLevel(0x70));
    EXPECT_EQ(OneGraded(8, src, dst, 0x10), dst);
    EXPECT_EQ(OneGraded(4, src, dst, 0xF0), atLevel(0x30));
    EXPECT_EQ(OneGraded(3, src, dst, 0xF0), atLevel(0x10));
    EXPECT_EQ(OneGraded(15, src, 0x1234, 0xF0), src);
    for (int alpha = 0; alpha < 256; alpha += 17) {
        EXPECT_EQ(OneGraded(16, 0xABCD, 0x1234, uint8_t(alpha)),
                  OneAlpha(BltRleAlpha565, 0xABCD, 0x1234, uint8_t(alpha)));
        EXPECT_EQ(OneGraded(0, 0xABCD, 0x1234, uint8_t(alpha)), 0x1234);
        EXPECT_EQ(OneGraded(1, 0xABCD, 0x1234, uint8_t(alpha)), 0x1234);
    }
}

TEST(KernelPixels, AlphaInto32Bits)
{
    Sprite s = MakeSprite(2, {{0, 2}}, {0xF800, 0xFFFF});
    s.alpha = {0, 255};
    uint32_t d[2] = {0xFF123456u, 0xFF000000u};
    BltRleAlpha32(d, s.runs.data(), s.RowEntry(0), s.alpha.data(), 4, 1, 8, 2, 0);
    EXPECT_EQ(d[0], 0x00123456u); // alpha 0 still rewrites, with alpha byte 0
    EXPECT_EQ(d[1], 0x00F7FBF7u); // 248 * 255 >> 8 = 247, 252 -> 251
}

TEST(KernelRuns, LeftSkipAndCut)
{
    // Row: skip 2, copy 3, skip 1, copy 4.
    Sprite s = MakeSprite(10, {{2, 3, 1, 4}}, {0, 0, 11, 12, 13, 0, 21, 22, 23, 24});
    auto paint = [&](int left, int width) {
        Canvas c(width, 1, 2, 2);
        c.Fill(0x7777);
        BltRleCopy16(c.At(0, 0), s.runs.data(), s.RowEntry(0), width * 2, 1, c.Pitch(), left * 2);
        std::vector<uint32_t> row;
        for (int x = -2; x < width + 2; ++x) row.push_back(c.Get(x, 0));
        return row;
    };
    const uint32_t g = 0x7777;
    // Left skip ending exactly at the end of the first skip run.
    EXPECT_EQ(paint(2, 8), (std::vector<uint32_t>{g, g, 11, 12, 13, g, 21, 22, 23, 24, g, g}));
    // Left skip ending inside a copy run.
    EXPECT_EQ(paint(3, 4), (std::vector<uint32_t>{g, g, 12, 13, g, 21, g, g}));
    // Left skip ending exactly at the end of a copy run.
    EXPECT_EQ(paint(5, 3), (std::vector<uint32_t>{g, g, g, 21, 22, g, g}));
    // Visible part entirely inside a skip run.
    EXPECT_EQ(paint(0, 2), (std::vector<uint32_t>{g, g, g, g, g, g}));
    // A copy run cut at the visible width.
    EXPECT_EQ(paint(7, 2), (std::vector<uint32_t>{g, g, 22, 23, g, g}));
}

TEST(KernelRuns, LeftSkipInsideRunConverts)
{
    const auto row = PaintRun(BltRleCopy565To32, {0x0001, 0xF800, 0x07E0, 0x001F}, {0, 0, 0}, 4, 1);
    EXPECT_EQ(row, (std::vector<uint32_t>{0xFFF80000u, 0xFF00FC00u, 0xFF0000F8u}));
}

TEST(KernelRuns, OddRunsArePaintedWhole)
{
    const std::vector<uint16_t> three = {0x1111, 0xFFFF, 0xF81F};
    EXPECT_EQ(PaintRun(BltRleCopy16, three, {0, 0, 0}), (std::vector<uint32_t>{0x1111, 0xFFFF, 0xF81F}));
    EXPECT_EQ(PaintRun(WithMask(BltRleSourceFilter16, 0xF800), three, {0, 0, 0}),
              (std::vector<uint32_t>{0x1000, 0xF800, 0xF800}));
    EXPECT_EQ(PaintRun(WithLevel(BltRleEnhance565, 0), three, {1, 1, 1}), (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(PaintRun(WithLevel(BltRleTransGrade565, 8), {0xFFFF}, {0}), (std::vector<uint32_t>{0x7BEF}));
}

TEST(KernelRuns, EqualPairsOfMaskedHalfCountFromRunStart)
{
    // Pairs (0,1) and (2,3) counted from the first painted pixel; pixel 2
    // equals its destination but its partner does not, so it gets s & m.
    const std::vector<uint16_t> src = {0x1234, 0x5678, 0x9ABC, 0xFFFF, 0x4321};
    const std::vector<uint32_t> dst = {0x1234, 0x5678, 0x9ABC, 0x0000, 0x4321};
    EXPECT_EQ(PaintRun(WithMask(BltRleSourceFilterHalf16, 0xF800), src, dst),
              (std::vector<uint32_t>{0x1234, 0x5678, 0x9800, 0x7800, 0x4321}));
    // With a left skip of one pixel the pairs shift: (1,2), (3,4).
    EXPECT_EQ(PaintRun(WithMask(BltRleSourceFilterHalf16, 0xF800), src, {0x5678, 0x9ABC, 0x0000, 0x4321}, 2, 1),
              (std::vector<uint32_t>{0x5678, 0x9ABC, 0x7800, 0x4000}));
}

TEST(KernelRuns, ExpandKeepsTransparentPixels)
{
    // The whole sprite expanded into a plain buffer, as the image's data-head read does.
    Sprite s = MakeSprite(3, {{1, 2}, {0, 1, 2}}, {0, 0xAAAA, 0xBBBB, 0xCCCC, 0, 0});
    std::vector<uint16_t> buffer(6, 0x5555);
    BltRleCopy16(buffer.data(), s.runs.data(), s.RowEntry(0), 6, 2, 6, 0);
    EXPECT_EQ(buffer, (std::vector<uint16_t>{0x5555, 0xAAAA, 0xBBBB, 0xCCCC, 0x5555, 0x5555}));
}

TEST(KernelRuns, CompressedAlphaSpanLimitsThePaint)
{
    const int w = 24;
    std::vector<uint16_t> pixels(w, 0xFFFF);
    Sprite s = MakeSprite(w, {{0, w}}, pixels);
    s.alpha.assign(w, 0xF0);
    SetCompressedAlpha(s, {{10, 10, 4}});
    std::vector<uint16_t> d(w, 0x1234);
    BltRleAlphaCompressed565(d.data(), s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), s.AlphaRowEntry(0), 2 * w, 1,
                             2 * w, w, 0);
    for (int x = 0; x < w; ++x) EXPECT_EQ(d[x], x >= 10 && x < 20 ? 0xFFFF : 0x1234) << x;
}

TEST(KernelRuns, AlphaFollowsTheSourceColumn)
{
    Sprite s = MakeSprite(5, {{0, 5}}, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
    s.alpha = {0xF0, 0x00, 0xF0, 0x80, 0xF0};
    std::vector<uint16_t> d(4, 0);
    BltRleAlpha565(d.data(), s.runs.data(), s.RowEntry(0), s.alpha.data(), 8, 1, 8, 5, 2);
    EXPECT_EQ(d, (std::vector<uint16_t>{0x0000, 0xFFFF, 0x7BEF, 0xFFFF}));
    // Alpha bytes through the colour table: only non-zero bytes paint.
    std::vector<uint16_t> table(256);
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint16_t>(0x100 + i);
    s.alpha = {0, 7, 0, 7, 7};
    std::vector<uint16_t> e(5, 0x5555);
    BltRleAlphaColorTable16(e.data(), s.runs.data(), s.RowEntry(0), s.alpha.data(), 10, 1, 10, 5, 0, table.data());
    EXPECT_EQ(e, (std::vector<uint16_t>{0x5555, 0x107, 0x5555, 0x107, 0x107}));
    // 320 with the default mask at level 15 writes only red.
    s.alpha = {0xF0, 0xF0, 0xF0, 0xF0, 0xF0};
    std::vector<uint16_t> f(5, 0x1234);
    BltRleAlphaSourceFilter565(f.data(), s.runs.data(), s.RowEntry(0), s.alpha.data(), 10, 1, 10, 5, 0, 0xF800);
    EXPECT_EQ(f, std::vector<uint16_t>(5, 0xF800));
}

TEST(KernelRaw, CopiesAndKeys)
{
    const uint16_t src[4] = {0x1234, 0x1235, 0xFFFF, 0x1234};
    uint16_t d[6] = {0x9999, 0x9999, 0x9999, 0x9999, 0x9999, 0x9999};
    BltColorKey16(d + 1, src, 4, 1, 8, 8, 16, 0x1234);
    EXPECT_EQ(std::vector<uint16_t>(d, d + 6), (std::vector<uint16_t>{0x9999, 0x9999, 0x1235, 0xFFFF, 0x9999, 0x9999}));

    uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t out[8] = {};
    BltCopyAnyDepth(out, bytes, 3, 1, 8, 8, 16);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));

    const uint32_t src32[3] = {0x00FF00FFu, 0x000000FFu, 0x00123456u};
    uint32_t k[3] = {7, 7, 7}, a[3] = {7, 7, 7};
    BltColorKey32(k, src32, 3, 1, 12, 12, 32, 0x00FF00FFu);
    BltColorKey32SetAlpha(a, src32, 3, 1, 12, 12, 32, 0x00FF00FFu);
    EXPECT_EQ(std::vector<uint32_t>(k, k + 3), (std::vector<uint32_t>{7, 0x000000FFu, 0x00123456u}));
    EXPECT_EQ(std::vector<uint32_t>(a, a + 3), (std::vector<uint32_t>{7, 0xFF0000FFu, 0xFF123456u}));

    const uint32_t wide[2] = {0xFFFFFFFFu, 0x00070307u};
    uint16_t narrow[2] = {1, 1};
    BltCopy32To565(narrow, wide, 2, 1, 4, 8, 32);
    EXPECT_EQ(narrow[0], 0xFFFF);
    EXPECT_EQ(narrow[1], 0x0000);
    const uint16_t white = 0xFFFF;
    uint32_t expanded = 0;
    BltCopy565To32(&expanded, &white, 1, 1, 4, 2, 16);
    EXPECT_EQ(expanded, 0xFFF8FCF8u);
}

TEST(KernelRaw, ShadeBlendAddsWithoutSaturation)
{
    std::vector<uint16_t> identity(65536);
    for (int i = 0; i < 65536; ++i) identity[i] = static_cast<uint16_t>(i);
    const uint16_t src[3] = {0x0841, 0x8000, 0x7777};
    uint16_t d[3] = {0x0841, 0x8000, 0x1111};
    BltShadeBlendKey16(d, src, 3, 1, 6, 6, identity.data(), identity.data(), 0x7777);
    EXPECT_EQ(std::vector<uint16_t>(d, d + 3), (std::vector<uint16_t>{0x1082, 0x0000, 0x1111}));
    uint32_t d32 = 0xFF080808u; // 565 0x0841
    BltShadeBlendKey565To32(&d32, src, 1, 1, 4, 6, identity.data(), identity.data(), 0x7777);
    EXPECT_EQ(d32, 0xFF101010u);
}

TEST(KernelRaw, OddWidthGradesAndHalvesEveryColumn)
{
    const uint16_t src[5] = {0xFFFF, 0xFFFF, 0x0001, 0xFFFF, 0xFFFF};
    uint16_t g[5] = {0, 0, 0, 0, 0}, h[5] = {0, 0, 0, 0, 0};
    BltTransGradeKey565(g, src, 5, 1, 10, 10, 8, 0x0001);
    BltHalfKey565(h, src, 5, 1, 10, 10, 0x0001);
    EXPECT_EQ(std::vector<uint16_t>(g, g + 5), (std::vector<uint16_t>{0x7BEF, 0x7BEF, 0, 0x7BEF, 0x7BEF}));
    EXPECT_EQ(std::vector<uint16_t>(h, h + 5), (std::vector<uint16_t>{0x7BEF, 0x7BEF, 0, 0x7BEF, 0x7BEF}));
}

TEST(KernelLightGrid, CellsFollowColumnsAndRows)
{
    // Three level tables that tag the source with the level.
    std::vector<std::vector<uint16_t>> tables(3, std::vector<uint16_t>(65536));
    for (int t = 0; t < 3; ++t)
        for (int i = 0; i < 65536; ++i) tables[t][i] = static_cast<uint16_t>(0x1000 * (t + 1) + (i & 0xFF));
    const uint16_t* levels[3] = {tables[0].data(), tables[1].data(), tables[2].data()};
    // Grid of 3 x 2 cells of 8 x 8 pixels.
    const uint8_t grid[6] = {0, 1, 2, 2, 1, 0};
    std::vector<uint16_t> src(20 * 16, 5);
    std::vector<uint16_t> d(20 * 16, 0);
    BltABLightKey16(d.data(), src.data(), 20, 16, 40, 40, 40, grid, 3, 8, 8, levels, 0xFFFF);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(d[y * 20 + x], 0x1000 * (grid[(y / 8) * 3 + x / 8] + 1) + 5) << x << "," << y;

    // Run-length member: runs at columns 2-4 and 10-12 use the raw member's cells.
    Sprite s = MakeSprite(16, {{2, 3, 5, 3, 3}}, std::vector<uint16_t>(16, 9));
    std::vector<uint16_t> r(16, 0);
    BltRleABLight16(r.data(), s.runs.data(), s.RowEntry(0), 32, 1, 32, 0, grid, 3, 8, 8, levels);
    for (int x = 0; x < 16; ++x) {
        const bool opaque = (x >= 2 && x <= 4) || (x >= 10 && x <= 12);
        EXPECT_EQ(r[x], opaque ? 0x1000 * (grid[x / 8] + 1) + 9 : 0) << x;
    }
}

TEST(KernelRuns, ColorTableIndices)
{
    std::vector<uint16_t> table(256);
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint16_t>(i * 257);
    Sprite s = MakeSprite(6, {{1, 5}}, {0, 0, 255, 1, 0, 255}, 1);
    std::vector<uint16_t> d(6, 0x1111);
    BltRleColorTable16(d.data(), s.runs.data(), s.RowEntry(0), 6, 1, 12, 0, table.data());
    EXPECT_EQ(d, (std::vector<uint16_t>{0x1111, 0, 0xFFFF, 0x0101, 0, 0xFFFF}));
}

TEST(KernelRuns, EmptyRectanglesPaintNothing)
{
    Sprite s = MakeSprite(2, {{0, 2}}, {0xFFFF, 0xFFFF});
    uint16_t d[2] = {1, 2};
    BltRleCopy16(d, s.runs.data(), s.RowEntry(0), 0, 1, 4, 0);
    BltRleEnhance565(d, s.runs.data(), s.RowEntry(0), 4, 0, 4, 0, 0);
    BltTransGradeKey565(d, d, 0, 1, 4, 4, 8, 0);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], 2);
}

} // namespace
