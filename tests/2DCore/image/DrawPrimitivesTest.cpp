#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "MemBuf.h"
#include "support/replace_checks.h"
#include "kestu_pixelshade.h"
#include "kestu_xbm.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

// Pixels that differ from the background value.
Pixels Touched(MemBuf& b, uint32_t background = 0)
{
    Pixels out;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x)
            if (b.Get(x, y) != background) out.insert({x, y});
    return out;
}

// Counts how often each pixel is covered by the buffer's fills.
class CountingBuf : public MemBuf {
public:
    using DBUF::Clear;
    using MemBuf::MemBuf;
    void Clear(int colour, int x, int y, int w, int h) override
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) ++cover[{i, j}];
        DBUF::Clear(colour, x, y, w, h);
    }
    std::map<std::pair<int, int>, int> cover;
};

struct FormatCase {
    int format;
    int orientation;
    uint32_t colour;
    uint32_t stored;
};

class ClearByFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ClearByFormat, FillsOnlyTheClippedSquare)
{
    const FormatCase c = GetParam();
    MemBuf b(12, 9, c.format, c.orientation, 3);
    b.Clear(int(c.colour), -5, -5, 10, 10);
    Pixels expect;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) expect.insert({x, y});
    EXPECT_EQ(Touched(b), expect);
    EXPECT_EQ(b.Get(4, 4), c.stored);
    EXPECT_EQ(b.prepares, 1);
    EXPECT_EQ(b.unprepares, 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, ClearByFormat,
                         ::testing::Values(FormatCase{8, 1, 0x1234AB, 0xAB}, FormatCase{16, 1, 0xABCDEF, 0xCDEF},
                                           FormatCase{15, -1, 0x7C1F, 0x7C1F}, FormatCase{24, 1, 0x7F123456, 0x123456},
                                           FormatCase{32, -1, 0x80FF00FF, 0x80FF00FF}));

TEST(DrawPrimitives, ClearWithClipAndWholeBuffer)
{
    MemBuf b(8, 8, 16);
    GRECT clip(2, 2, 2, 3);
    b.Clear(0x1111, 0, 0, 8, 8, &clip);
    EXPECT_EQ(Touched(b).size(), 6u);
    EXPECT_EQ(b.Get(2, 2), 0x1111u);
    GRECT away(20, 20, 5, 5);
    b.Clear(0x2222, 0, 0, 8, 8, &away);
    EXPECT_EQ(b.Get(2, 2), 0x1111u);
    b.Clear(0x3333);
    EXPECT_EQ(Touched(b, 0x3333).size(), 0u);
}

TEST(DrawPrimitives, SetPixelOutsideDoesNotPrepare)
{
    MemBuf b(4, 4, 16);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {4, 0}, {0, 4}}) b.SetPixel(0xFFFF, x, y);
    EXPECT_EQ(b.prepares, 0);
    b.SetPixel(0x1234, GPOINT{3, 2});
    EXPECT_EQ(b.prepares, 1);
    EXPECT_EQ(Touched(b), (Pixels{{3, 2}}));
    EXPECT_EQ(b.GetPixel(3, 2), 0x1234);
}

TEST(DrawPrimitives, NothingIsDrawnWhenPrepareFails)
{
    MemBuf b(4, 4, 16);
    b.failPrepare = true;
    b.SetPixel(1, 1, 1);
    b.Clear(1);
    b.Line(1, 0, 0, 3, 3, nullptr);
    b.Decline(0, 0, 4, 4, 2);
    b.Convet565To555();
    EXPECT_EQ(b.GetPixelFormat(), 16);
    EXPECT_EQ(b.prepares, b.unprepares);
    b.failPrepare = false;
    EXPECT_TRUE(Touched(b).empty());
}

TEST(DrawPrimitives, GetPixelByFormat)
{
    MemBuf b8(2, 1, 8), b24(2, 1, 24), b32(2, 1, 32);
    b8.Put(1, 0, 0xFE);
    b24.Put(1, 0, 0xA1B2C3);
    b32.Put(1, 0, 0xF0A1B2C3);
    EXPECT_EQ(b8.GetPixel(1, 0), 0xFE);
    EXPECT_EQ(b24.GetPixel(1, 0), 0xA1B2C3);
    EXPECT_EQ(uint32_t(b32.GetPixel(1, 0)), 0xF0A1B2C3u);
}

TEST(DrawPrimitives, FastClear16SplitsTheWord)
{
    for (int orientation : {1, -1}) {
        MemBuf b(6, 3, 16, orientation);
        b.FastClear16(0x12345678, 1, 1, 3, 5);
        EXPECT_EQ(b.Get(1, 1), 0x5678u);
        EXPECT_EQ(b.Get(2, 1), 0x1234u);
        EXPECT_EQ(b.Get(3, 1), 0x5678u); // odd width: the last pixel takes the low half
        EXPECT_EQ(b.Get(3, 2), 0x5678u);
        EXPECT_EQ(Touched(b).size(), 6u);
    }
    MemBuf b8(6, 3, 8);
    b8.FastClear16(0x12345678);
    EXPECT_TRUE(Touched(b8).empty());
}

TEST(DrawPrimitives, OutlinedRectangles)
{
    CountingBuf one(6, 6, 16);
    one.Rectangle(0xFFFF, 2, 2, 1, 1, 0, nullptr);
    EXPECT_TRUE(Touched(one).empty());
    one.Rectangle(0xFFFF, 2, 2, 1, 1, 1, nullptr);
    EXPECT_EQ(Touched(one), (Pixels{{2, 2}}));

    CountingBuf two(6, 6, 16);
    two.Rectangle(0xFFFF, 1, 1, 2, 2, 0, nullptr);
    EXPECT_EQ(Touched(two), (Pixels{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
    for (const auto& [pt, n] : two.cover) EXPECT_EQ(n, 1) << pt.first << "," << pt.second;

    CountingBuf big(8, 8, 16);
    big.Rectangle(0xFFFF, 1, 1, 5, 4, 0, nullptr);
    Pixels ring;
    for (int x = 1; x <= 5; ++x) ring.insert({x, 1}), ring.insert({x, 4});
    for (int y = 1; y <= 4; ++y) ring.insert({1, y}), ring.insert({5, y});
    EXPECT_EQ(Touched(big), ring);
    for (const auto& [pt, n] : big.cover) EXPECT_EQ(n, 1) << pt.first << "," << pt.second;

    MemBuf empty(4, 4, 16);
    empty.Rectangle(0xFFFF, 2, 1, 0, 3, 0, nullptr);
    EXPECT_TRUE(Touched(empty).empty());
}

TEST(DrawPrimitives, ClippedRectangleDropsCutEdges)
{
    MemBuf b(10, 10, 16);
    GRECT clip(0, 0, 4, 10); // cuts the right edge away
    b.Rectangle(0xFFFF, 1, 1, 6, 3, 0, &clip);
    Pixels expect;
    for (int x = 1; x <= 3; ++x) expect.insert({x, 1}), expect.insert({x, 3});
    expect.insert({1, 2});
    EXPECT_EQ(Touched(b), expect);

    MemBuf c(10, 10, 16);
    GRECT top(0, 2, 10, 10); // cuts the top edge away
    c.Rectangle(0xFFFF, 1, 1, 3, 3, 0, &top);
    EXPECT_EQ(Touched(c), (Pixels{{1, 2}, {3, 2}, {1, 3}, {2, 3}, {3, 3}}));
}

TEST(DrawPrimitives, ClippedOutlineIsTheWholeOutlineInsideTheClip)
{
    // A clip must only hide pixels: where an edge meets a cut-away
    // neighbour, its end pixel still shows (no gap at the clip edge).
    MemBuf whole(12, 12, 16);
    whole.Rectangle(0xFFFF, 2, 2, 7, 6, 0, nullptr);
    const Pixels outline = Touched(whole);
    // Each side of the clip either leaves the rectangle's edge or cuts it.
    for (int cuts = 0; cuts < 16; ++cuts) {
        const int l = cuts & 1 ? 4 : 0, t = cuts & 2 ? 3 : 0;
        const int r = cuts & 4 ? 6 : 12, b = cuts & 8 ? 5 : 12;
        const GRECT clip(l, t, r - l, b - t);
        MemBuf clipped(12, 12, 16);
        clipped.Rectangle(0xFFFF, 2, 2, 7, 6, 0, &clip);
        Pixels expect;
        for (const auto& [x, y] : outline)
            if (x >= l && x < r && y >= t && y < b) expect.insert({x, y});
        EXPECT_EQ(Touched(clipped), expect) << "cuts " << cuts;
    }
}

struct LineCase {
    int x1, y1, x2, y2;
    std::vector<std::pair<int, int>> pixels;
};

class LineEnds : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineEnds, WritesFromStartUpToButNotIncludingEnd)
{
    const LineCase c = GetParam();
    MemBuf b(10, 10, 16);
    b.Line(0xFFFF, c.x1, c.y1, c.x2, c.y2, nullptr);
    EXPECT_EQ(Touched(b), Pixels(c.pixels.begin(), c.pixels.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineEnds,
    ::testing::Values(LineCase{0, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
                      LineCase{3, 0, 0, 0, {{0, 0}, {1, 0}, {2, 0}}}, // the walk starts at the left candidate
                      LineCase{2, 1, 2, 4, {{2, 1}, {2, 2}, {2, 3}}}, LineCase{0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
                      LineCase{5, 5, 5, 5, {}},
                      LineCase{-10, 5, 20, 5, {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}}},
                      LineCase{0, 0, 2, 6, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}}},
                      LineCase{20, 20, 30, 30, {}}));

TEST(DrawPrimitives, LineHonoursClip)
{
    MemBuf b(10, 10, 8);
    GRECT clip(2, 0, 3, 10);
    b.Line(7, 0, 4, 9, 4, &clip);
    EXPECT_EQ(Touched(b), (Pixels{{2, 4}, {3, 4}}));
}

TEST(DrawPrimitives, DeclineLevels)
{
    struct Case {
        int format, level;
        uint32_t in, out;
    };
    const Case cases[] = {
        {16, 1, 0xFFFF, 0x7BEF}, {16, 4, 0xFFFF, 0x0861}, {15, 1, 0x7FFF, 0x3DEF}, {32, 2, 0x80FF8040, 0x803F2010},
        {16, 0, 0xFFFF, 0xFFFF}, {16, 7, 0xFFFF, 0xFFFF}, {16, 5, 0xFFFF, 0x0000},
    };
    for (const Case& c : cases) {
        MemBuf b(4, 3, c.format);
        b.FillAll(c.in);
        b.Decline(1, 1, 2, 5, c.level);
        EXPECT_EQ(b.Get(1, 1), c.out) << c.format << " level " << c.level;
        EXPECT_EQ(b.Get(2, 2), c.out);
        EXPECT_EQ(b.Get(0, 1), c.in);
        EXPECT_EQ(b.Get(3, 2), c.in);
    }
}

TEST(DrawPrimitives, DeclineFastCoversThirtyTwoPixelsAndStaysInside)
{
    MemBuf wide(40, 2, 16);
    wide.FillAll(0xFFFF);
    wide.DeclineFast(2, 0, 1, 1);
    EXPECT_EQ(wide.Get(2, 0), 0x7BEFu);
    EXPECT_EQ(wide.Get(33, 0), 0x7BEFu);
    EXPECT_EQ(wide.Get(34, 0), 0xFFFFu);
    EXPECT_EQ(wide.Get(1, 0), 0xFFFFu);
    EXPECT_EQ(wide.Get(2, 1), 0xFFFFu);

    MemBuf edge(40, 2, 15);
    edge.FillAll(0x7FFF);
    edge.DeclineFast(30, 0, 2, 1); // 10 pixels remain before the right edge
    EXPECT_EQ(edge.Get(39, 1), 0x3DEFu);
    EXPECT_EQ(edge.Get(29, 1), 0x7FFFu);
}

TEST(DrawPrimitives, DeclineByPixelShade)
{
    CPixelShade shade;
    ASSERT_EQ(shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    MemBuf b(3, 1, 16);
    b.FillAll(0xFFFF);
    b.SetPixelShade(&shade);
    b.SetEnhanceGrade(-3);
    b.DeclineByPixelShade(0, 0, 3, 1);
    EXPECT_EQ(b.Get(0, 0), 0xFFFFu);
    b.SetEnhanceGrade(8);
    b.DeclineByPixelShade(0, 0, 1, 1);
    EXPECT_EQ(b.Get(0, 0), 0x7BEFu);
    EXPECT_EQ(b.Get(1, 0), 0xFFFFu);
    b.SetEnhanceGrade(-2);
    b.DeclineByPixelShade(2, 0, 1, 1);
    EXPECT_EQ(b.Get(2, 0), 0u);
    b.SetPixelShade(nullptr);
    b.SetEnhanceGrade(8);
    b.DeclineByPixelShade(1, 0, 1, 1);
    EXPECT_EQ(b.Get(1, 0), 0xFFFFu);
}

TEST(DrawPrimitives, FlatShadesByLevelMap)
{
    MemBuf b(40, 34, 16);
    b.FillAll(0xFFFF);
    std::vector<uint8_t> map(64 * 64, 8);
    // Map column 4, row 2 holds the block's first level.
    map[2 * 32 + 4] = 0;
    map[2 * 32 + 5] = 7;
    map[2 * 32 + 6] = 200;
    b.Flat(3, 1, 4, 2, 32, 32, map.data(), nullptr);
    EXPECT_EQ(b.Get(3, 1), 0u);
    EXPECT_EQ(b.Get(4, 1), (25u << 11) | (53u << 5) | 25u);
    EXPECT_EQ(b.Get(5, 1), b.Get(4, 1));
    EXPECT_EQ(b.Get(6, 1), 0xFFFFu);

    // A clipped rectangle reads the map at its own row stride.
    MemBuf c(8, 4, 15);
    c.FillAll(0x7FFF);
    std::vector<uint8_t> levels(5 * 3, 8);
    levels[1 * 5 + 2] = 4; // map row 1, column 2
    GRECT clip(2, 1, 10, 10);
    c.Flat(0, 0, 0, 0, 5, 3, levels.data(), &clip);
    EXPECT_EQ(c.Get(2, 1), 0x3DEFu);
    EXPECT_EQ(Touched(c, 0x7FFF).size(), 1u);

    MemBuf d(32, 32, 32);
    d.FillAll(0xFFFFFF);
    std::vector<uint8_t> zeros(1024, 0);
    d.Flat3232(0, 0, zeros.data());
    EXPECT_TRUE(Touched(d, 0xFFFFFF).empty());
}

TEST(DrawPrimitives, ConversionKeepsTransColourMatching)
{
    MemBuf b(2, 1, 16);
    b.Put(0, 0, 0xF81F);
    b.Put(1, 0, 0x07E0);
    b.SetTrans(0xF81F);
    b.Convet565To555();
    EXPECT_EQ(b.GetPixelFormat(), 15);
    EXPECT_EQ(b.Get(0, 0), uint32_t(b.GetTransColor()));
    EXPECT_EQ(b.Get(1, 0), 0x03E0u);
    b.Convet565To555(); // already 555: nothing
    EXPECT_EQ(b.Get(1, 0), 0x03E0u);
    b.Convet555To565();
    EXPECT_EQ(b.GetPixelFormat(), 16);
    EXPECT_EQ(b.Get(0, 0), 0xF81Fu);
    EXPECT_EQ(b.GetTransColor(), 0xF81F);

    MemBuf none(1, 1, 16);
    none.Convet565To555();
    EXPECT_EQ(none.GetTransColor(), -1);
}

class XbmSave : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::current_path() / "xbm_save";
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(XbmSave, EightBitIsRefusedWithoutAFile)
{
    MemBuf b(4, 4, 8);
    const auto path = dir / "eight.xbm";
    EXPECT_EQ(uint32_t(b.SaveToXBmpFile(path.string().c_str())), 0x80004005u);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(XbmSave, WritesHeaderAndRowsTopFirst)
{
    MemBuf b(3, 2, 16, -1, 2);
    b.Put(0, 0, 0x1111);
    b.Put(2, 1, 0x2222);
    b.SetTrans(0xF81F);
    const auto path = dir / "sixteen.xbm";
    ASSERT_EQ(b.SaveToXBmpFile(path.string().c_str()), 0);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 64u + 2 * 6);
    XBMFILEHEADER h;
    ASSERT_EQ(h.Read(bytes.data(), bytes.size()), 1);
    EXPECT_EQ(h.magic, XBM_MAGIC);
    EXPECT_EQ(h.width, 3u);
    EXPECT_EQ(h.height, 2u);
    EXPECT_EQ(h.bitsPerPixel, 16);
    EXPECT_EQ(h.pixelFormat, 16);
    EXPECT_EQ(h.transColor, 0xF81F);
    EXPECT_EQ(h.compressed + h.palette + h.alpha, 0);
    EXPECT_EQ(bytes[64], 0x11);
    EXPECT_EQ(bytes[64 + 6 + 4], 0x22);
    EXPECT_EQ(b.prepares, b.unprepares);

    const auto bad = dir / "missing" / "x.xbm";
    EXPECT_EQ(uint32_t(b.SaveToXBmpFile(bad.string().c_str())), 0x80004005u);
}

TEST_F(XbmSave, ReplacesWithoutFollowingLinksAndKeepsTheMode)
{
    MemBuf b(3, 2, 16, -1, 2);
    replacecheck::Scratch scratch("dbuf_xbm");
    const std::string path = scratch.Path("buffer.xbm");
    replacecheck::WriteText(path, "old", 0640);
    const replacecheck::PlantedLinks links(scratch, "buffer.xbm");
    ASSERT_EQ(b.SaveToXBmpFile(path.c_str()), 0);
    EXPECT_EQ(replacecheck::ReadText(path).size(), 64u + 2 * 6);
    links.ExpectReplaced(scratch, "buffer.xbm", 0640);
}

} // namespace

namespace {

TEST(DrawPrimitives, ThirtyTwoBitPixelsThroughA565Shade)
{
    CPixelShade shade;
    ASSERT_EQ(shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    MemBuf b(2, 1, 32);
    b.FillAll(0x80FFFFFF);
    b.SetPixelShade(&shade);
    b.SetEnhanceGrade(8);
    b.DeclineByPixelShade(0, 0, 1, 1);
    // 0xFFFF at level 8 is 0x7BEF: red 15, green 31, blue 15, widened back.
    EXPECT_EQ(b.Get(0, 0), 0x80787C78u);
    EXPECT_EQ(b.Get(1, 0), 0x80FFFFFFu);
}

} // namespace

namespace {

// Random calls with coordinates anywhere in the int range never write
// outside the buffer (ASan watches the exactly sized memory), and every
// Prepare is matched by an Unprepare.
TEST(DrawPrimitives, FarOffCoordinatesStayInside)
{
    std::mt19937 rng(11);
    const int edges[] = {INT32_MIN, INT32_MIN + 1, -70000,        -33,      -1, 0, 1, 5, 17, 31,
                         33,        70000,         INT32_MAX - 1, INT32_MAX};
    auto any = [&]() -> int {
        return rng() % 3 == 0 ? edges[rng() % (sizeof edges / sizeof edges[0])] : int(rng() % 60) - 15;
    };
    std::vector<uint8_t> levels(64 * 64, 3);
    for (int format : {8, 15, 16, 24, 32}) {
        MemBuf b(33, 17, format, format == 16 ? -1 : 1);
        for (int i = 0; i < 3000; ++i) {
            GRECT clip(any(), any(), any(), any());
            const GRECT* c = rng() % 2 ? &clip : nullptr;
            switch (rng() % 7) {
            case 0: b.Line(-1, any(), any(), any(), any(), c); break;
            case 1: b.Rectangle(-1, any(), any(), any(), any(), int(rng() % 2), c); break;
            case 2: b.Clear(-1, any(), any(), any(), any(), &clip); break;
            case 3: b.Decline(any(), any(), any(), any(), int(rng() % 6)); break;
            case 4: b.DeclineFast(any(), any(), any(), int(rng() % 6)); break;
            case 5: b.FastClear16(-1, any(), any(), any(), any()); break;
            default: b.Flat(int(rng() % 40) - 4, int(rng() % 24) - 4, 0, 0, 32, 32, levels.data(), c); break;
            }
        }
        EXPECT_EQ(b.prepares, b.unprepares);
    }
}

} // namespace
