// Every kernel against the scalar reference on random sprites, run lengths,
// clips, orientations and effect arguments. The whole destination, guard
// margins included, must match byte for byte, and the guards must be intact.
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

constexpr int kMargin = 3;

struct Effect {
    uint16_t mask = 0xFFFF;
    int level = 0;
    int grade = 0;
    uint32_t key = 0;
    const uint16_t* table = nullptr;      // 65536 entries
    const uint16_t* table2 = nullptr;     // 65536 entries
    const uint16_t* colorTable = nullptr; // 256 entries
    const uint16_t* const* levelTables = nullptr;
    std::vector<uint8_t> grid;
    int gridColumns = 0, cellWidth = 1, cellHeight = 1;
};

struct Tables {
    std::vector<uint16_t> a, b, color;
    std::vector<std::vector<uint16_t>> levels;
    std::vector<const uint16_t*> levelPointers;
    Tables()
    {
        std::mt19937 rng(7);
        a.resize(65536);
        b.resize(65536);
        for (auto& v : a) v = static_cast<uint16_t>(rng());
        for (auto& v : b) v = static_cast<uint16_t>(rng());
        color.resize(256);
        for (auto& v : color) v = static_cast<uint16_t>(rng());
        levels.assign(4, std::vector<uint16_t>(65536));
        for (auto& t : levels)
            for (auto& v : t) v = static_cast<uint16_t>(rng());
        for (auto& t : levels) levelPointers.push_back(t.data());
    }
};

const Tables& SharedTables()
{
    static const Tables tables;
    return tables;
}

Effect RandomEffect(std::mt19937& rng, int visibleWidth, int rows)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const Tables& t = SharedTables();
    Effect e;
    const uint16_t masks[] = {0xFFFF, 0xF800, 0x07E0, 0x7BEF, static_cast<uint16_t>(rng())};
    e.mask = masks[pick(0, 4)];
    e.level = pick(-3, 32);
    e.grade = pick(0, 16);
    e.key = pick(0, 1) ? SmallPalette()[pick(0, int(SmallPalette().size()) - 1)] : static_cast<uint32_t>(rng());
    e.table = t.a.data();
    e.table2 = t.b.data();
    e.colorTable = t.color.data();
    e.levelTables = t.levelPointers.data();
    e.cellWidth = pick(1, 9);
    e.cellHeight = pick(1, 4);
    e.gridColumns = (visibleWidth + e.cellWidth - 1) / e.cellWidth;
    const int gridRows = (rows + e.cellHeight - 1) / e.cellHeight;
    e.grid.resize(size_t(e.gridColumns) * gridRows);
    for (auto& c : e.grid) c = static_cast<uint8_t>(pick(0, 3));
    return e;
}

// ---- run-length kernels ------------------------------------------------------

struct RleArgs {
    void* dst;
    const void* base;
    const uint32_t* rows;
    int width, count, pitch, skip;
};

RleArgs ArgsOf(const Sprite& s, const ref::View& v, Canvas& c)
{
    return {c.At(0, 0), s.runs.data(), s.RowEntry(v.top),       v.width * s.bytesPerPixel,
            v.rows,     c.Pitch(),     v.left * s.bytesPerPixel};
}

struct RleCase {
    std::string name;
    int dstBytes;
    int srcBytes;
    std::function<void(const Sprite&, const ref::View&, Canvas&, const Effect&)> kernel;
    std::function<void(const Sprite&, const ref::View&, Canvas&, const Effect&)> reference;
    int turn = 0; // 1 mirrored left to right, 2 upside down
};

// The rectangle's pixels mirrored (turn 1) or flipped (turn 2); its own inverse.
Canvas Turned(const Canvas& c, int turn)
{
    Canvas out = c;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const int tx = turn == 1 ? c.width - 1 - x : x, ty = turn == 2 ? c.height - 1 - y : y;
            out.Set(tx, ty, c.Get(x, y));
        }
    return out;
}

// Pairs from the first painted pixel of each run: a pair (or lone last pixel)
// equal to its destination stays, otherwise each pixel gets effect(s, d).
template <class EffectFn>
std::function<void(const Sprite&, const ref::View&, Canvas&, const Effect&)> PairRule(EffectFn fn)
{
    return [fn](const Sprite& s, const ref::View& v, Canvas& c, const Effect& e) {
        ref::ForEachPiece(s, v, [&](int dy, int sy, int dx, int sx, int n) {
            for (int i = 0; i < n; i += 2) {
                const int count = i + 1 < n ? 2 : 1;
                bool equal = true;
                for (int j = 0; j < count; ++j) equal = equal && s.Pixel(sx + i + j, sy) == c.Get(dx + i + j, dy);
                if (equal) continue;
                for (int j = 0; j < count; ++j)
                    c.Set(dx + i + j, dy, fn(s.Pixel(sx + i + j, sy), static_cast<uint16_t>(c.Get(dx + i + j, dy)), e));
            }
        });
    };
}

using ref::ForEachOpaque;

// A reference that maps each visible opaque pixel independently.
template <class PixelFn>
std::function<void(const Sprite&, const ref::View&, Canvas&, const Effect&)> PerPixel(PixelFn fn)
{
    return [fn](const Sprite& s, const ref::View& v, Canvas& c, const Effect& e) {
        ForEachOpaque(s, v, [&](int dx, int dy, int sx, int sy) { c.Set(dx, dy, fn(s, sx, sy, c.Get(dx, dy), e)); });
    };
}

#define RLE_KERNEL(call)                                                                                               \
    [](const Sprite& s, const ref::View& v, Canvas& c, [[maybe_unused]] const Effect& e) {                             \
        const RleArgs a = ArgsOf(s, v, c);                                                                             \
        call;                                                                                                          \
    }

#define RLE_ALPHA(fn, ...)                                                                                             \
    RLE_KERNEL(fn(a.dst, a.base, a.rows, s.AlphaRow(v.top), a.width, a.count, a.pitch, s.width, a.skip __VA_ARGS__))
#define RLE_PLAIN(fn, ...) RLE_KERNEL(fn(a.dst, a.base, a.rows, a.width, a.count, a.pitch, a.skip __VA_ARGS__))
#define RLE_COMPRESSED(fn)                                                                                             \
    RLE_KERNEL(fn(a.dst, a.base, a.rows, s.alphaRuns.data(), s.AlphaRowEntry(v.top), a.width, a.count, a.pitch,        \
                  s.width, a.skip))

uint32_t Unchanged(const Sprite&, int, int, uint32_t d, const Effect&) { return d; }

std::vector<RleCase> RleCases()
{
    using ref::Blend16;
    std::vector<RleCase> cases;
    auto alpha16 = [](bool is565, bool filtered, bool graded) {
        return PerPixel([=](const Sprite& s, int x, int y, uint32_t d, const Effect& e) -> uint32_t {
            const uint16_t src = filtered ? static_cast<uint16_t>(s.Pixel(x, y) & e.mask) : s.Pixel(x, y);
            int level = s.Alpha(x, y) >> 4;
            if (graded) level = ref::ScaleByGrade(level, e.grade);
            return Blend16(src, static_cast<uint16_t>(d), level, is565);
        });
    };
    auto compressed16 = [](bool is565) {
        return PerPixel([=](const Sprite& s, int x, int y, uint32_t d, const Effect&) -> uint32_t {
            if (!s.Covered(x, y)) return d;
            return Blend16(s.Pixel(x, y), static_cast<uint16_t>(d), s.Alpha(x, y) >> 4, is565);
        });
    };
    auto half = [](bool is565) {
        return PerPixel([=](const Sprite& s, int x, int y, uint32_t d, const Effect&) -> uint32_t {
            const uint16_t p = s.Pixel(x, y);
            return p == d ? d : ref::Half(p, static_cast<uint16_t>(d), is565);
        });
    };

    cases.push_back(
        {"RleCopy16", 2, 2, RLE_PLAIN(BltRleCopy16),
         PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect&) -> uint32_t { return s.Pixel(x, y); })});
    cases.push_back({"RleCopy565To32", 4, 2, RLE_PLAIN(BltRleCopy565To32),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect&) {
                         return ref::Expand565To32(s.Pixel(x, y));
                     })});
    cases.push_back({"RleCopy565To4444", 2, 2, RLE_PLAIN(BltRleCopy565To4444),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect&) -> uint32_t {
                         return ref::To4444(s.Pixel(x, y));
                     })});
    cases.push_back({"RleSourceFilter16", 2, 2, RLE_PLAIN(BltRleSourceFilter16, , e.mask),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect& e) -> uint32_t {
                         return s.Pixel(x, y) & e.mask;
                     })});
    cases.push_back({"RleSourceFilter32Nop", 4, 2, RLE_PLAIN(BltRleSourceFilter32Nop, , e.mask), PerPixel(Unchanged)});

    cases.push_back({"RleAlpha565", 2, 2, RLE_ALPHA(BltRleAlpha565), alpha16(true, false, false)});
    cases.push_back({"RleAlpha555", 2, 2, RLE_ALPHA(BltRleAlpha555), alpha16(false, false, false)});
    cases.push_back({"RleAlpha32", 4, 2, RLE_ALPHA(BltRleAlpha32),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t d, const Effect&) {
                         return ref::Blend32(s.Pixel(x, y), d, s.Alpha(x, y));
                     })});
    cases.push_back({"RleAlphaCompressed565", 2, 2, RLE_COMPRESSED(BltRleAlphaCompressed565), compressed16(true)});
    cases.push_back({"RleAlphaCompressed555", 2, 2, RLE_COMPRESSED(BltRleAlphaCompressed555), compressed16(false)});
    cases.push_back({"RleAlphaCompressed32", 4, 2, RLE_COMPRESSED(BltRleAlphaCompressed32),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t d, const Effect&) {
                         return s.Covered(x, y) ? ref::Blend32(s.Pixel(x, y), d, s.Alpha(x, y)) : d;
                     })});
    cases.push_back(
        {"RleAlphaSourceFilter565", 2, 2, RLE_ALPHA(BltRleAlphaSourceFilter565, , e.mask), alpha16(true, true, false)});
    cases.push_back({"RleAlphaSourceFilter555", 2, 2, RLE_ALPHA(BltRleAlphaSourceFilter555, , e.mask),
                     alpha16(false, true, false)});
    cases.push_back(
        {"RleAlphaSourceFilter32Nop", 4, 2, RLE_ALPHA(BltRleAlphaSourceFilter32Nop, , e.mask), PerPixel(Unchanged)});
    cases.push_back({"RleAlphaReserved565Nop", 2, 2, RLE_ALPHA(BltRleAlphaReserved565Nop), PerPixel(Unchanged)});
    cases.push_back({"RleAlphaReserved555Nop", 2, 2, RLE_ALPHA(BltRleAlphaReserved555Nop), PerPixel(Unchanged)});
    cases.push_back({"RleAlphaReserved32Nop", 4, 2, RLE_ALPHA(BltRleAlphaReserved32Nop), PerPixel(Unchanged)});
    cases.push_back(
        {"RleAlphaTransGrade565", 2, 2, RLE_ALPHA(BltRleAlphaTransGrade565, , e.grade), alpha16(true, false, true)});
    cases.push_back(
        {"RleAlphaTransGrade555", 2, 2, RLE_ALPHA(BltRleAlphaTransGrade555, , e.grade), alpha16(false, false, true)});
    cases.push_back(
        {"RleAlphaTransGrade32Nop", 4, 2, RLE_ALPHA(BltRleAlphaTransGrade32Nop, , e.grade), PerPixel(Unchanged)});

    cases.push_back({"RleAlphaColorTable16", 2, 2, RLE_ALPHA(BltRleAlphaColorTable16, , e.colorTable),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t d, const Effect& e) -> uint32_t {
                         const uint8_t b = s.Alpha(x, y);
                         return b ? e.colorTable[b] : d;
                     })});
    cases.push_back(
        {"RleAlphaColorTable32Nop", 4, 2, RLE_ALPHA(BltRleAlphaColorTable32Nop, , e.colorTable), PerPixel(Unchanged)});

    for (bool is565 : {true, false}) {
        cases.push_back({is565 ? "RleEnhance565" : "RleEnhance555", 2, 2,
                         is565 ? RLE_PLAIN(BltRleEnhance565, , e.level) : RLE_PLAIN(BltRleEnhance555, , e.level),
                         PerPixel([is565](const Sprite& s, int x, int y, uint32_t, const Effect& e) -> uint32_t {
                             return ref::Enhance(s.Pixel(x, y), e.level, is565);
                         })});
        cases.push_back({is565 ? "RleTransGrade565" : "RleTransGrade555", 2, 2,
                         is565 ? RLE_PLAIN(BltRleTransGrade565, , e.grade) : RLE_PLAIN(BltRleTransGrade555, , e.grade),
                         PerPixel([is565](const Sprite& s, int x, int y, uint32_t d, const Effect& e) -> uint32_t {
                             return ref::Grade(s.Pixel(x, y), static_cast<uint16_t>(d), e.grade, is565);
                         })});
        cases.push_back({is565 ? "RleGray565" : "RleGray555", 2, 2,
                         is565 ? RLE_PLAIN(BltRleGray565) : RLE_PLAIN(BltRleGray555),
                         PerPixel([is565](const Sprite& s, int x, int y, uint32_t, const Effect&) -> uint32_t {
                             return ref::Grey(s.Pixel(x, y), is565);
                         })});
        cases.push_back({is565 ? "RleHalf565" : "RleHalf555", 2, 2,
                         is565 ? RLE_PLAIN(BltRleHalf565) : RLE_PLAIN(BltRleHalf555), half(is565)});
        cases.push_back(
            {is565 ? "RlePixelShadeHalf565" : "RlePixelShadeHalf555", 2, 2,
             is565 ? RLE_PLAIN(BltRlePixelShadeHalf565, , e.table) : RLE_PLAIN(BltRlePixelShadeHalf555, , e.table),
             PerPixel([is565](const Sprite& s, int x, int y, uint32_t d, const Effect& e) -> uint32_t {
                 return ref::Half(e.table[s.Pixel(x, y)], static_cast<uint16_t>(d), is565);
             })});
    }
    cases.push_back({"RleEnhance32Nop", 4, 2, RLE_PLAIN(BltRleEnhance32Nop, , e.level), PerPixel(Unchanged)});
    cases.push_back({"RleTransGrade32Nop", 4, 2, RLE_PLAIN(BltRleTransGrade32Nop, , e.grade), PerPixel(Unchanged)});
    cases.push_back({"RleGray565To32", 4, 2, RLE_PLAIN(BltRleGray565To32),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect&) {
                         return ref::Expand565To32(ref::Grey(s.Pixel(x, y), true));
                     })});
    cases.push_back({"RleHalf32Nop", 4, 2, RLE_PLAIN(BltRleHalf32Nop), PerPixel(Unchanged)});
    cases.push_back({"RlePixelShade16", 2, 2, RLE_PLAIN(BltRlePixelShade16, , e.table),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect& e) -> uint32_t {
                         return e.table[s.Pixel(x, y)];
                     })});
    cases.push_back({"RlePixelShade32Nop", 4, 2, RLE_PLAIN(BltRlePixelShade32Nop, , e.table), PerPixel(Unchanged)});
    cases.push_back(
        {"RlePixelShadeHalf32Nop", 4, 2, RLE_PLAIN(BltRlePixelShadeHalf32Nop, , e.table), PerPixel(Unchanged)});
    cases.push_back(
        {"RleABLight16", 2, 2,
         RLE_PLAIN(BltRleABLight16, , e.grid.data(), e.gridColumns, e.cellWidth, e.cellHeight, e.levelTables),
         [](const Sprite& s, const ref::View& v, Canvas& c, const Effect& e) {
             ForEachOpaque(s, v, [&](int dx, int dy, int sx, int sy) {
                 const uint8_t level = e.grid[(dy / e.cellHeight) * e.gridColumns + dx / e.cellWidth];
                 c.Set(dx, dy, e.levelTables[level][s.Pixel(sx, sy)]);
             });
         }});
    cases.push_back(
        {"RleABLight32Nop", 4, 2,
         RLE_PLAIN(BltRleABLight32Nop, , e.grid.data(), e.gridColumns, e.cellWidth, e.cellHeight, e.levelTables),
         PerPixel(Unchanged)});
    cases.push_back({"RleColorTable16", 2, 1, RLE_PLAIN(BltRleColorTable16, , e.colorTable),
                     PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect& e) -> uint32_t {
                         return e.colorTable[s.Pixel(x, y)];
                     })});
    cases.push_back(
        {"RleColorTable32Nop", 4, 1, RLE_PLAIN(BltRleColorTable32Nop, , e.colorTable), PerPixel(Unchanged)});
    auto maskedHalf = [](uint16_t a, uint16_t b, const Effect& e) -> uint16_t { return ref::MaskedHalf(a, b, e.mask); };
    cases.push_back(
        {"RleSourceFilterHalf16", 2, 2, RLE_PLAIN(BltRleSourceFilterHalf16, , e.mask), PairRule(maskedHalf)});
    cases.push_back(
        {"RleSourceFilterHalf32Nop", 4, 2, RLE_PLAIN(BltRleSourceFilterHalf32Nop, , e.mask), PerPixel(Unchanged)});

    // Mirrored and upside-down members: the plain reference on the turned rectangle.
    auto copy =
        PerPixel([](const Sprite& s, int x, int y, uint32_t, const Effect&) -> uint32_t { return s.Pixel(x, y); });
    auto filter = PerPixel(
        [](const Sprite& s, int x, int y, uint32_t, const Effect& e) -> uint32_t { return s.Pixel(x, y) & e.mask; });
    auto grey = [](bool is565) {
        return PerPixel([is565](const Sprite& s, int x, int y, uint32_t, const Effect&) -> uint32_t {
            return ref::Grey(s.Pixel(x, y), is565);
        });
    };
    auto greyHalf = [](bool is565) {
        return [is565](uint16_t a, uint16_t b, const Effect&) -> uint16_t {
            const int v = ((a & 0x1F) + (b & 0x1F)) >> 1;
            return static_cast<uint16_t>(is565 ? v | (v << 6) | (v << 11) : v | (v << 5) | (v << 10));
        };
    };
    auto halfPair = [](bool is565) {
        return [is565](uint16_t a, uint16_t b, const Effect&) { return ref::Half(a, b, is565); };
    };
    auto gradePair = [](bool is565) {
        return [is565](uint16_t a, uint16_t b, const Effect& e) { return ref::Grade(a, b, e.grade, is565); };
    };
    cases.push_back({"RleCopyMirrorH16", 2, 2, RLE_PLAIN(BltRleCopyMirrorH16), copy, 1});
    cases.push_back({"RleCopyFlipV16", 2, 2, RLE_PLAIN(BltRleCopyFlipV16), copy, 2});
    cases.push_back({"RleSourceFilterMirrorH16", 2, 2, RLE_PLAIN(BltRleSourceFilterMirrorH16, , e.mask), filter, 1});
    cases.push_back({"RleSourceFilterFlipV16", 2, 2, RLE_PLAIN(BltRleSourceFilterFlipV16, , e.mask), filter, 2});
    cases.push_back({"RleGrayMirrorH565", 2, 2, RLE_PLAIN(BltRleGrayMirrorH565), grey(true), 1});
    cases.push_back({"RleGrayMirrorH555", 2, 2, RLE_PLAIN(BltRleGrayMirrorH555), grey(false), 1});
    cases.push_back({"RleGrayFlipV565", 2, 2, RLE_PLAIN(BltRleGrayFlipV565), grey(true), 2});
    cases.push_back({"RleGrayFlipV555", 2, 2, RLE_PLAIN(BltRleGrayFlipV555), grey(false), 2});
    cases.push_back({"RleAlphaMirrorH565", 2, 2, RLE_ALPHA(BltRleAlphaMirrorH565), alpha16(true, false, false), 1});
    cases.push_back({"RleAlphaMirrorH555", 2, 2, RLE_ALPHA(BltRleAlphaMirrorH555), alpha16(false, false, false), 1});
    cases.push_back({"RleAlphaFlipV565", 2, 2, RLE_ALPHA(BltRleAlphaFlipV565), alpha16(true, false, false), 2});
    cases.push_back({"RleAlphaFlipV555", 2, 2, RLE_ALPHA(BltRleAlphaFlipV555), alpha16(false, false, false), 2});
    cases.push_back(
        {"RleAlphaCompressedMirrorH565", 2, 2, RLE_COMPRESSED(BltRleAlphaCompressedMirrorH565), compressed16(true), 1});
    cases.push_back({"RleAlphaCompressedMirrorH555", 2, 2, RLE_COMPRESSED(BltRleAlphaCompressedMirrorH555),
                     compressed16(false), 1});
    cases.push_back(
        {"RleAlphaCompressedFlipV565", 2, 2, RLE_COMPRESSED(BltRleAlphaCompressedFlipV565), compressed16(true), 2});
    cases.push_back(
        {"RleAlphaCompressedFlipV555", 2, 2, RLE_COMPRESSED(BltRleAlphaCompressedFlipV555), compressed16(false), 2});
    cases.push_back({"RleGrayHalf565", 2, 2, RLE_PLAIN(BltRleGrayHalf565), PairRule(greyHalf(true))});
    cases.push_back({"RleGrayHalf555", 2, 2, RLE_PLAIN(BltRleGrayHalf555), PairRule(greyHalf(false))});
    cases.push_back({"RleGrayHalf32Nop", 4, 2, RLE_PLAIN(BltRleGrayHalf32Nop), PerPixel(Unchanged)});
    cases.push_back({"RleGrayHalfMirrorH565", 2, 2, RLE_PLAIN(BltRleGrayHalfMirrorH565), PairRule(greyHalf(true)), 1});
    cases.push_back({"RleGrayHalfMirrorH555", 2, 2, RLE_PLAIN(BltRleGrayHalfMirrorH555), PairRule(greyHalf(false)), 1});
    cases.push_back({"RleGrayHalfFlipV565", 2, 2, RLE_PLAIN(BltRleGrayHalfFlipV565), PairRule(greyHalf(true)), 2});
    cases.push_back({"RleGrayHalfFlipV555", 2, 2, RLE_PLAIN(BltRleGrayHalfFlipV555), PairRule(greyHalf(false)), 2});
    cases.push_back({"RleHalfMirrorH565", 2, 2, RLE_PLAIN(BltRleHalfMirrorH565), PairRule(halfPair(true)), 1});
    cases.push_back({"RleHalfMirrorH555", 2, 2, RLE_PLAIN(BltRleHalfMirrorH555), PairRule(halfPair(false)), 1});
    cases.push_back({"RleHalfFlipV565", 2, 2, RLE_PLAIN(BltRleHalfFlipV565), PairRule(halfPair(true)), 2});
    cases.push_back({"RleHalfFlipV555", 2, 2, RLE_PLAIN(BltRleHalfFlipV555), PairRule(halfPair(false)), 2});
    cases.push_back({"RleTransGradeMirrorH565", 2, 2, RLE_PLAIN(BltRleTransGradeMirrorH565, , e.grade),
                     PairRule(gradePair(true)), 1});
    cases.push_back({"RleTransGradeMirrorH555", 2, 2, RLE_PLAIN(BltRleTransGradeMirrorH555, , e.grade),
                     PairRule(gradePair(false)), 1});
    cases.push_back(
        {"RleTransGradeFlipV565", 2, 2, RLE_PLAIN(BltRleTransGradeFlipV565, , e.grade), PairRule(gradePair(true)), 2});
    cases.push_back(
        {"RleTransGradeFlipV555", 2, 2, RLE_PLAIN(BltRleTransGradeFlipV555, , e.grade), PairRule(gradePair(false)), 2});
    cases.push_back({"RleSourceFilterHalfMirrorH16", 2, 2, RLE_PLAIN(BltRleSourceFilterHalfMirrorH16, , e.mask),
                     PairRule(maskedHalf), 1});
    cases.push_back({"RleSourceFilterHalfFlipV16", 2, 2, RLE_PLAIN(BltRleSourceFilterHalfFlipV16, , e.mask),
                     PairRule(maskedHalf), 2});

    // Mixed alpha: the plane's byte picks a table colour, then half over the destination unless equal.
    auto mix = [](bool is565) {
        return PerPixel([is565](const Sprite& s, int x, int y, uint32_t d, const Effect& e) -> uint32_t {
            const uint16_t c = s.Covered(x, y) ? e.colorTable[s.Alpha(x, y)] : s.Pixel(x, y);
            return c == d ? d : ref::Half(c, static_cast<uint16_t>(d), is565);
        });
    };
#define RLE_MIX(fn)                                                                                                    \
    RLE_KERNEL(fn(a.dst, a.base, a.rows, s.alphaRuns.data(), v.top, a.width, a.count, a.pitch, s.width, a.skip,        \
                  e.colorTable))
    cases.push_back({"RleMixAlpha565", 2, 2, RLE_MIX(BltRleMixAlpha565), mix(true)});
    cases.push_back({"RleMixAlpha555", 2, 2, RLE_MIX(BltRleMixAlpha555), mix(false)});
    cases.push_back({"RleMixAlpha32Nop", 4, 2, RLE_MIX(BltRleMixAlpha32Nop), PerPixel(Unchanged)});
    return cases;
}

void PrintTo(const RleCase& c, std::ostream* os) { *os << c.name; }

class RleRandom : public testing::TestWithParam<RleCase> {};

TEST_P(RleRandom, MatchesReference)
{
    const RleCase& kc = GetParam();
    std::mt19937 rng(std::hash<std::string>()(kc.name) & 0xFFFFFFFF);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iteration = 0; iteration < 400; ++iteration) {
        const int shape = pick(0, 7);
        const int w = shape < 2 ? pick(1, 8) : (shape == 2 ? pick(91, 300) : pick(1, 90));
        const int h = pick(1, 6);
        Sprite s = RandomSprite(rng, w, h, kc.srcBytes);
        AddRandomAlpha(rng, s);
        ref::View v;
        v.left = pick(0, 2) == 0 ? 0 : pick(0, w - 1);
        v.width = pick(0, 2) == 0 ? w - v.left : pick(1, w - v.left);
        v.top = pick(0, h - 1);
        v.rows = pick(1, h - v.top);
        const Effect e = RandomEffect(rng, v.width, v.rows);
        Canvas expected(v.width, v.rows, kc.dstBytes, kMargin, pick(0, 1) == 1);
        expected.Randomize(rng, &SmallPalette());
        Canvas actual = expected;
        const Canvas before = expected;
        kc.kernel(s, v, actual, e);
        if (kc.turn != 0) {
            Canvas turned = Turned(expected, kc.turn);
            kc.reference(s, v, turned, e);
            expected = Turned(turned, kc.turn);
        } else {
            kc.reference(s, v, expected, e);
        }
        ASSERT_TRUE(expected.GuardsEqual(before));
        ASSERT_TRUE(actual.GuardsEqual(before)) << kc.name << " wrote outside its rectangle, iteration " << iteration;
        ASSERT_EQ(actual.bytes, expected.bytes)
            << kc.name << " iteration " << iteration << " w=" << w << " left=" << v.left << " width=" << v.width
            << " top=" << v.top << " rows=" << v.rows << " level=" << e.level << " grade=" << e.grade;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, RleRandom, testing::ValuesIn(RleCases()),
                         [](const testing::TestParamInfo<RleCase>& info) { return info.param.name; });

// ---- raw kernels ---------------------------------------------------------------

struct RawCase {
    std::string name;
    int dstBytes;
    int srcBytes;
    std::function<void(const RawImage&, int sx, int sy, Canvas&, const Effect&)> kernel;
    // Maps one source pixel over one destination pixel; returns the new destination.
    std::function<uint32_t(uint32_t s, uint32_t d, int x, int y, const Effect&)> pixel;
};

#define RAW_KERNEL(fn, ...)                                                                                            \
    [](const RawImage& img, int sx, int sy, Canvas& c, [[maybe_unused]] const Effect& e) {                             \
        fn(c.At(0, 0), img.At(sx, sy), c.width, c.height, c.Pitch(), img.Pitch() __VA_ARGS__);                         \
    }

std::vector<RawCase> RawCases()
{
    std::vector<RawCase> cases;
    auto keyed = [](auto fn) {
        return [fn](uint32_t s, uint32_t d, int x, int y, const Effect& e) -> uint32_t {
            return s == e.key ? d : fn(s, d, x, y, e);
        };
    };
    auto keyed16 = [](auto fn) {
        return [fn](uint32_t s, uint32_t d, int x, int y, const Effect& e) -> uint32_t {
            return s == (e.key & 0xFFFF) ? d : fn(s, d, x, y, e);
        };
    };
    cases.push_back({"CopyAnyDepth16", 2, 2, RAW_KERNEL(BltCopyAnyDepth, , 16),
                     [](uint32_t s, uint32_t, int, int, const Effect&) { return s; }});
    cases.push_back({"CopyAnyDepth32", 4, 4, RAW_KERNEL(BltCopyAnyDepth, , 32),
                     [](uint32_t s, uint32_t, int, int, const Effect&) { return s; }});
    cases.push_back({"Copy565To32", 4, 2, RAW_KERNEL(BltCopy565To32, , 16),
                     [](uint32_t s, uint32_t, int, int, const Effect&) { return ref::Expand565To32(uint16_t(s)); }});
    cases.push_back({"Copy32To565", 2, 4, RAW_KERNEL(BltCopy32To565, , 32),
                     [](uint32_t s, uint32_t, int, int, const Effect&) -> uint32_t { return ref::Reduce32To565(s); }});
    cases.push_back({"ColorKey16", 2, 2, RAW_KERNEL(BltColorKey16, , 16, e.key),
                     keyed16([](uint32_t s, uint32_t, int, int, const Effect&) { return s; })});
    cases.push_back({"ColorKey32", 4, 4, RAW_KERNEL(BltColorKey32, , 32, e.key),
                     keyed([](uint32_t s, uint32_t, int, int, const Effect&) { return s; })});
    cases.push_back(
        {"ColorKey565To32", 4, 2, RAW_KERNEL(BltColorKey565To32, , 16, e.key),
         keyed16([](uint32_t s, uint32_t, int, int, const Effect&) { return ref::Expand565To32(uint16_t(s)); })});
    cases.push_back(
        {"ColorKey565To4444", 2, 2, RAW_KERNEL(BltColorKey565To4444, , 16, e.key),
         keyed16([](uint32_t s, uint32_t, int, int, const Effect&) -> uint32_t { return ref::To4444(uint16_t(s)); })});
    cases.push_back({"ColorKey32SetAlpha", 4, 4, RAW_KERNEL(BltColorKey32SetAlpha, , 32, e.key),
                     keyed([](uint32_t s, uint32_t, int, int, const Effect&) { return s | 0xFF000000u; })});
    cases.push_back({"ShadeBlendKey16", 2, 2, RAW_KERNEL(BltShadeBlendKey16, , e.table, e.table2, e.key),
                     keyed16([](uint32_t s, uint32_t d, int, int, const Effect& e) -> uint32_t {
                         return uint16_t(e.table[d] + e.table2[s]);
                     })});
    cases.push_back({"ShadeBlendKey565To32", 4, 2, RAW_KERNEL(BltShadeBlendKey565To32, , e.table, e.table2, e.key),
                     keyed16([](uint32_t s, uint32_t d, int, int, const Effect& e) -> uint32_t {
                         return ref::Expand565To32(uint16_t(e.table[ref::Reduce32To565(d)] + e.table2[s]));
                     })});
    for (bool is565 : {true, false}) {
        cases.push_back({is565 ? "TransGradeKey565" : "TransGradeKey555", 2, 2,
                         is565 ? RAW_KERNEL(BltTransGradeKey565, , e.grade, e.key)
                               : RAW_KERNEL(BltTransGradeKey555, , e.grade, e.key),
                         keyed16([is565](uint32_t s, uint32_t d, int, int, const Effect& e) -> uint32_t {
                             return ref::Grade(uint16_t(s), uint16_t(d), e.grade, is565);
                         })});
        cases.push_back({is565 ? "HalfKey565" : "HalfKey555", 2, 2,
                         is565 ? RAW_KERNEL(BltHalfKey565, , e.key) : RAW_KERNEL(BltHalfKey555, , e.key),
                         keyed16([is565](uint32_t s, uint32_t d, int, int, const Effect&) -> uint32_t {
                             return s == d ? d : ref::Half(uint16_t(s), uint16_t(d), is565);
                         })});
    }
    cases.push_back({"TransGradeKey32Nop", 4, 2, RAW_KERNEL(BltTransGradeKey32Nop, , e.grade, e.key),
                     [](uint32_t, uint32_t d, int, int, const Effect&) { return d; }});
    cases.push_back({"HalfKey32Nop", 4, 2, RAW_KERNEL(BltHalfKey32Nop, , e.key),
                     [](uint32_t, uint32_t d, int, int, const Effect&) { return d; }});
    cases.push_back({"ABLightKey16", 2, 2,
                     [](const RawImage& img, int sx, int sy, Canvas& c, const Effect& e) {
                         BltABLightKey16(c.At(0, 0), img.At(sx, sy), c.width, c.height, c.Pitch(), img.Pitch(),
                                         img.Pitch(), e.grid.data(), e.gridColumns, e.cellWidth, e.cellHeight,
                                         e.levelTables, e.key);
                     },
                     keyed16([](uint32_t s, uint32_t, int x, int y, const Effect& e) -> uint32_t {
                         return e.levelTables[e.grid[(y / e.cellHeight) * e.gridColumns + x / e.cellWidth]][s];
                     })});
    return cases;
}

void PrintTo(const RawCase& c, std::ostream* os) { *os << c.name; }

class RawRandom : public testing::TestWithParam<RawCase> {};

TEST_P(RawRandom, MatchesReference)
{
    const RawCase& kc = GetParam();
    std::mt19937 rng(std::hash<std::string>()(kc.name) & 0xFFFFFFFF);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iteration = 0; iteration < 300; ++iteration) {
        // Some rows wide enough for the widest vector blocks.
        const int w = pick(0, 3) == 0 ? pick(61, 200) : pick(1, 60), h = pick(1, 5);
        RawImage img(w, h, kc.srcBytes);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t v = static_cast<uint32_t>(rng());
                if (pick(0, 1)) v = SmallPalette()[pick(0, int(SmallPalette().size()) - 1)];
                img.Set(x, y, v);
            }
        const int sx = pick(0, w - 1), sy = pick(0, h - 1);
        const int cw = pick(1, w - sx), ch = pick(1, h - sy);
        Effect e = RandomEffect(rng, cw, ch);
        if (pick(0, 1)) e.key = img.Get(sx + pick(0, cw - 1), sy + pick(0, ch - 1));
        Canvas expected(cw, ch, kc.dstBytes, kMargin, pick(0, 1) == 1);
        expected.Randomize(rng, &SmallPalette());
        Canvas actual = expected;
        const Canvas before = expected;
        kc.kernel(img, sx, sy, actual, e);
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x)
                expected.Set(x, y, kc.pixel(img.Get(sx + x, sy + y), expected.Get(x, y), x, y, e));
        ASSERT_TRUE(actual.GuardsEqual(before)) << kc.name << " wrote outside its rectangle, iteration " << iteration;
        ASSERT_EQ(actual.bytes, expected.bytes) << kc.name << " iteration " << iteration << " width " << cw;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, RawRandom, testing::ValuesIn(RawCases()),
                         [](const testing::TestParamInfo<RawCase>& info) { return info.param.name; });

} // namespace
