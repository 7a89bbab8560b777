// DBUF::Paint and DBUF::StretchPaint: clipping, addresses and the choice of
// inner loop for a raw source.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "2DCore/image/ShadeTables.h"
#include "2DCore/kernels/KernelTable.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_ablight.h"
#include "kestu_blt8.h"
#include "kestu_paper.h"
#include "kestu_pixelshade.h"

namespace {

class PreparedPair {
public:
    PreparedPair(DBUF& dest, DBUF& src) : m_dest(dest), m_src(src)
    {
        m_destBase = dest.Prepare(nullptr);
        m_srcBase = src.Prepare(nullptr);
    }
    ~PreparedPair()
    {
        m_src.Unprepare();
        m_dest.Unprepare();
    }
    PreparedPair(const PreparedPair&) = delete;
    PreparedPair& operator=(const PreparedPair&) = delete;
    bool ok() const { return m_destBase != nullptr && m_srcBase != nullptr; }
    void* destBase() const { return m_destBase; }
    void* srcBase() const { return m_srcBase; }

private:
    DBUF& m_dest;
    DBUF& m_src;
    void* m_destBase = nullptr;
    void* m_srcBase = nullptr;
};

using namespace kestu::kernels;
using kestu2d::Table16;

// The kernels of a 16-bit source, by destination.
constexpr KernelRow<RawCopyFn> kCopies[] = {{PT_COPY, {BltCopy565To32, BltCopyAnyDepth, BltCopyAnyDepth}}};
constexpr KernelRow<RawKeyFn> kKeyed[] = {{PT_KEY, {BltColorKey565To32, BltColorKey16, BltColorKey16}}};
constexpr KernelRow<RawColourFn> kColoured[] = {
    {PT_SILHOUETTE, {BltSilhouette32Nop, BltSilhouette16, BltSilhouette16}},
    {PT_SOFTSILHOUETTE, {BltSoftSilhouette32Nop, BltSoftSilhouette565, BltSoftSilhouette555}},
};
constexpr KernelRow<RawTwoColourFn> kTwoColoured[] = {{PT_TWOCOLOR, {BltTwoColor32Nop, BltTwoColor16, BltTwoColor16}}};
constexpr KernelRow<RawHalfFn> kHalves[] = {{PT_HALF, {BltHalfKey32Nop, BltHalfKey565, BltHalfKey555}}};
constexpr KernelRow<RawGradeFn> kGraded[] = {
    {PT_TRANSGRADE, {BltTransGradeKey32Nop, BltTransGradeKey565, BltTransGradeKey555}}};
constexpr KernelRow<RawShadeBlendFn> kShadeBlends[] = {
    {PT_SHADEBLEND, {BltShadeBlendKey565To32, BltShadeBlendKey16, BltShadeBlendKey16}}};
constexpr KernelRow<RawGridFn> kLightGrids[] = {{PT_ABLIGHT, {nullptr, BltABLightKey16, BltABLightKey16}}};

// Modes that skip the trans colour through a 16-bit comparison in their kernels.
bool KeyedMode(DWORD paintType)
{
    switch (paintType) {
    case PT_SILHOUETTE:
    case PT_TWOCOLOR:
    case PT_SOFTSILHOUETTE:
    case PT_HALF:
    case PT_TRANSGRADE:
    case PT_SHADEBLEND:
    case PT_ABLIGHT: return true;
    default: return false;
    }
}

// A 16-bit value that no pixel of the rows holds, or -1 when every value occurs.
int UnusedValue16(const uint8_t* rows, int width, int height, int rowStep)
{
    uint64_t seen[65536 / 64] = {};
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = rows + intptr_t(y) * rowStep;
        for (int x = 0; x < width; ++x, p += 2) {
            const unsigned v = unsigned(p[0] | p[1] << 8);
            seen[v / 64] |= uint64_t(1) << (v % 64);
        }
    }
    for (size_t i = 0; i < std::size(seen); ++i)
        if (~seen[i] != 0) return int(i * 64 + size_t(__builtin_ctzll(~seen[i])));
    return -1;
}

} // namespace

int DBUF::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    if (dest == nullptr) return 0;
    GRECT bounds(0, 0, dest->m_rect.width, dest->m_rect.height);
    if (clip != nullptr && !bounds.Intersect(*clip)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, w, h), bounds)) return 0;
    // The source side is kept inside the source image as well, so a caller's
    // slip cannot make the kernels read outside it.
    const int64_t sx0 = int64_t(sx) + t.x - x, sy0 = int64_t(sy) + t.y - y;
    const int64_t l = std::max<int64_t>(sx0, 0), top = std::max<int64_t>(sy0, 0);
    const int64_t r = std::min<int64_t>(sx0 + t.width, m_rect.width),
                  b = std::min<int64_t>(sy0 + t.height, m_rect.height);
    if (r <= l || b <= top) return 0;
    const GRECT s(LONG(l), LONG(top), LONG(r - l), LONG(b - top));
    t = GRECT(LONG(t.x + (l - sx0)), LONG(t.y + (top - sy0)), s.width, s.height);

    PreparedPair prep(*dest, *this);
    if (!prep.ok()) return 0;
    uint8_t* d = dest->PixelAddress(prep.destBase(), t.x, t.y);
    const uint8_t* src = PixelAddress(prep.srcBase(), s.x, s.y);
    const int tw = t.width, th = t.height;
    const int dStep = static_cast<int>(dest->RowStep());
    const int sStep = static_cast<int>(RowStep());
    const int destBits = dest->m_pixelWidth;
    uint32_t key = static_cast<uint32_t>(GetTransColor());

    if (m_pixelWidth == 8) {
        // Index bytes mean nothing in a 16- or 32-bit buffer: they are not copied there.
        if (destBits != 8) return 1;
        // Rows of an 8-bit source are a pitch apart, padded or not.
        if (paintType == PT_KEY)
            BltColorKey8(d, src, tw, th, dStep, sStep, static_cast<uint8_t>(key));
        else
            BltCopy8(d, src, tw, th, dStep, sStep);
        return 1;
    }

    if (m_pixelWidth == 16) {
        if (destBits != 16 && destBits != 32) return 1;
        const size_t column = DepthColumn(destBits == 16, m_pixelFormat == 16);
        const uint32_t fore = static_cast<uint32_t>(m_foreColor), back = static_cast<uint32_t>(m_backColor);
        if (GetTransColor() == -1 && KeyedMode(paintType)) {
            // -1 matches no pixel, but the kernels compare 16 bits: a key that
            // no painted pixel holds keys nothing. Only a rectangle holding all
            // 65536 values has none; it keeps the low bits of -1.
            const int unused = UnusedValue16(src, tw, th, sStep);
            if (unused >= 0) key = static_cast<uint32_t>(unused);
        }
        const RawCopyFn copy = PickKernel(kCopies, PT_COPY, column);
        auto keyed = [&] {
            // -1 matches no 16-bit pixel: such a keyed paint is a copy.
            if (GetTransColor() == -1)
                copy(d, src, tw, th, dStep, sStep, 16);
            else
                PickKernel(kKeyed, PT_KEY, column)(d, src, tw, th, dStep, sStep, 16, key);
        };
        if (const RawColourFn k = PickKernel(kColoured, paintType, column)) {
            k(d, src, tw, th, dStep, sStep, 16, key, fore);
        } else if (const RawTwoColourFn k = PickKernel(kTwoColoured, paintType, column)) {
            k(d, src, tw, th, dStep, sStep, 16, key, fore, back);
        } else if (const RawHalfFn k = PickKernel(kHalves, paintType, column)) {
            k(d, src, tw, th, dStep, sStep, key);
        } else if (const RawGradeFn k = PickKernel(kGraded, paintType, column)) {
            k(d, src, tw, th, dStep, sStep, m_transGrade, key);
        } else if (paintType == PT_KEY) {
            keyed();
        } else if (paintType == PT_SHADEBLEND) {
            if (m_pixelShade == nullptr) return 1;
            if (m_alphaIndex == -3) {
                keyed();
                return 1;
            }
            if (m_alphaIndex < 0) return 1;
            const int total = static_cast<int>(m_pixelShade->GetTotalLevel());
            const uint16_t* a = Table16(m_pixelShade, total - m_alphaIndex);
            const uint16_t* b = Table16(m_pixelShade, m_alphaIndex);
            if (a == nullptr || b == nullptr) return 1;
            PickKernel(kShadeBlends, paintType, column)(d, src, tw, th, dStep, sStep, a, b, key);
        } else if (paintType == PT_ABLIGHT) {
            const RawGridFn k = PickKernel(kLightGrids, paintType, column);
            kestu2d::LightGrid grid;
            if (k == nullptr || !kestu2d::PrepareLightGrid(dest->m_alphaBuffer, m_pixelShade, t, grid)) return 1;
            k(d, src, tw, th, dStep, sStep, m_pitch, grid.view.firstCell, grid.view.columns, grid.view.cellWidth,
              grid.view.cellHeight, grid.tables, key);
        } else {
            copy(d, src, tw, th, dStep, sStep, 16);
        }
        return 1;
    }

    if (m_pixelWidth == 24 || m_pixelWidth == 32) {
        // The 32-bit loops read four bytes a pixel; a 24-bit source only
        // takes the byte copy.
        const bool s32 = m_pixelWidth == 32;
        if (paintType == PT_KEY && destBits == 32 && s32)
            BltColorKey32(d, src, tw, th, dStep, sStep, m_pixelWidth, key);
        else if (paintType == PT_COPY && destBits == 16 && s32)
            BltCopy32To565(d, src, tw, th, dStep, sStep, m_pixelWidth);
        else if (paintType == PT_COPY && destBits == 32)
            BltCopyAnyDepth(d, src, tw, th, dStep, sStep, m_pixelWidth);
    }
    return 1;
}

int DBUF::StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                       const GRECT* clip)
{
    if (dest == nullptr) return 0;
    if (!(w > 0 && h > 0 && sw > 0 && sh > 0 && int64_t(sx) + sw > 0 && int64_t(sy) + sh > 0 && sx < m_rect.width &&
          sy < m_rect.height))
        return 0;
    GRECT bounds(0, 0, dest->m_rect.width, dest->m_rect.height);
    if (clip != nullptr && !bounds.Intersect(*clip)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, w, h), bounds)) return 0;

    const double xr = double(sw) / w;
    const float yr = float(sh) / float(h);
    const int64_t nsx = sx + std::llround(double(int64_t(t.x) - x) * xr);
    const int64_t nsw = sw - std::llround(double(int64_t(w) - t.width) * xr);
    const int64_t nsy = sy + std::llround(float(int64_t(t.y) - y) * yr);
    const int64_t nsh = sh - std::llround(float(int64_t(h) - t.height) * yr);
    if (nsw <= 0 || nsh <= 0) return 0;
    const int64_t l = std::max<int64_t>(nsx, 0), top = std::max<int64_t>(nsy, 0);
    const int64_t r = std::min<int64_t>(nsx + nsw, m_rect.width), b = std::min<int64_t>(nsy + nsh, m_rect.height);
    if (r <= l || b <= top) return 0;
    const GRECT s(LONG(l), LONG(top), LONG(r - l), LONG(b - top));

    PreparedPair prep(*dest, *this);
    if (!prep.ok()) return 0;
    // Only a 16-bit source is stretched, into a 16-bit destination.
    if (m_pixelWidth == 16 && dest->m_pixelWidth == 16 && (paintType == PT_KEY || paintType == PT_COPY)) {
        uint8_t* d = dest->PixelAddress(prep.destBase(), t.x, t.y);
        const uint8_t* src = PixelAddress(prep.srcBase(), s.x, s.y);
        const int dStep = static_cast<int>(dest->RowStep()), sStep = static_cast<int>(RowStep());
        // -1 keys nothing: that keyed stretch is a plain one.
        if (paintType == PT_KEY && GetTransColor() != -1)
            BltStretchColorKey16(d, src, t.width, t.height, s.width, s.height, dStep, sStep,
                                 static_cast<uint32_t>(GetTransColor()));
        else
            BltStretch16(d, src, t.width, t.height, s.width, s.height, dStep, sStep);
    }
    return 1;
}
