// RTBMP paints that turn the sprite: mirrored or upside down, stretched and rotated.
#include <cmath>
#include <cstdint>

#include "2DCore/sprites/RtBmpPaint.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_rtbmp.h"

using namespace kestu::rtbmp;

namespace {

using RunFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int);
using RunMaskFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int, uint16_t);
using RunGradeFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int, int);
using AlphaFn = void (*)(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int);
using PackedFn = void (*)(void*, const void*, const uint32_t*, const void*, const uint32_t*, int, int, int, int, int);

// Members by turn: none, mirrored, flipped.
struct Turned {
    RunFn copy[3];
    RunFn gray[3];
    RunMaskFn filter[3];
    RunFn half[3];
    RunFn grayHalf[3];
    RunMaskFn filterHalf[3];
    AlphaFn alpha[3];
    PackedFn packed[3];
    RunGradeFn grade[3];
};

const Turned k565 = {
    {BltRleCopy16, BltRleCopyMirrorH16, BltRleCopyFlipV16},
    {BltRleGray565, BltRleGrayMirrorH565, BltRleGrayFlipV565},
    {BltRleSourceFilter16, BltRleSourceFilterMirrorH16, BltRleSourceFilterFlipV16},
    {BltRleHalf565, BltRleHalfMirrorH565, BltRleHalfFlipV565},
    {BltRleGrayHalf565, BltRleGrayHalfMirrorH565, BltRleGrayHalfFlipV565},
    {BltRleSourceFilterHalf16, BltRleSourceFilterHalfMirrorH16, BltRleSourceFilterHalfFlipV16},
    {BltRleAlpha565, BltRleAlphaMirrorH565, BltRleAlphaFlipV565},
    {BltRleAlphaCompressed565, BltRleAlphaCompressedMirrorH565, BltRleAlphaCompressedFlipV565},
    {BltRleTransGrade565, BltRleTransGradeMirrorH565, BltRleTransGradeFlipV565},
};

const Turned k555 = {
    {BltRleCopy16, BltRleCopyMirrorH16, BltRleCopyFlipV16},
    {BltRleGray555, BltRleGrayMirrorH555, BltRleGrayFlipV555},
    {BltRleSourceFilter16, BltRleSourceFilterMirrorH16, BltRleSourceFilterFlipV16},
    {BltRleHalf555, BltRleHalfMirrorH555, BltRleHalfFlipV555},
    {BltRleGrayHalf555, BltRleGrayHalfMirrorH555, BltRleGrayHalfFlipV555},
    {BltRleSourceFilterHalf16, BltRleSourceFilterHalfMirrorH16, BltRleSourceFilterHalfFlipV16},
    {BltRleAlpha555, BltRleAlphaMirrorH555, BltRleAlphaFlipV555},
    {BltRleAlphaCompressed555, BltRleAlphaCompressedMirrorH555, BltRleAlphaCompressedFlipV555},
    {BltRleTransGrade555, BltRleTransGradeMirrorH555, BltRleTransGradeFlipV555},
};

}  // namespace

int RTBMP::InversePaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType,
                        PAINT_DIRECTION direction, const GRECT* clip)
{
    if (dest == nullptr || m_rowOffsets == nullptr) return 0;
    const int turn = direction == PD_MIRROR_H ? 1 : direction == PD_FLIP_V ? 2 : 0;
    int64_t X = x, Y = y, W = w, H = h, SX = sx, SY = sy;
    if (!ClampSource(X, Y, W, H, SX, SY, m_rect.width, m_rect.height, turn == 1, turn == 2)) return 0;
    GRECT bounds, t;
    if (!Bounds(dest, clip, bounds)) return 0;
    if (X < INT32_MIN || X > INT32_MAX || Y < INT32_MIN || Y > INT32_MAX) return 0;
    if (!t.Intersect(GRECT(LONG(X), LONG(Y), LONG(W), LONG(H)), bounds)) return 0;

    // The source column and row that the visible part starts from.
    int64_t firstColumn = t.x - X + SX, firstRow = t.y - Y + SY;
    if (turn == 1) firstColumn = SX + (X + W - (int64_t(t.x) + t.width));
    if (turn == 2) firstRow = SY + (Y + H - (int64_t(t.y) + t.height));

    void* base = dest->Prepare(nullptr);
    const int destBits = dest->GetPixelWidth();
    // The turned members write 16-bit pixels only.
    if (base != nullptr && destBits == 16 && m_pixelWidth == 16) {
        const Turned& k = dest->GetPixelFormat() == 16 ? k565 : k555;
        const int step = dest->GetOrientation() * dest->PitchCx();
        void* d = static_cast<uint8_t*>(base) + intptr_t(step) * t.y + intptr_t(t.x) * 2;
        const uint32_t* rows = m_rowOffsets + firstRow;
        const int width = t.width * 2, n = t.height, skip = int(firstColumn * 2), sw = m_rect.width;
        const uint16_t mask = uint16_t(m_sourceFilterMask);
        const auto* alphaRaw = static_cast<const uint8_t*>(m_alphaData);
        switch (paintType) {
        case PT_KEY:
        case PT_COPY: k.copy[turn](d, m_rowOffsets, rows, width, n, step, skip); break;
        case PT_GRAY: k.gray[turn](d, m_rowOffsets, rows, width, n, step, skip); break;
        case PT_SOURCEFILTER: k.filter[turn](d, m_rowOffsets, rows, width, n, step, skip, mask); break;
        case PT_HALF: k.half[turn](d, m_rowOffsets, rows, width, n, step, skip); break;
        case PT_GRAYHALF: k.grayHalf[turn](d, m_rowOffsets, rows, width, n, step, skip); break;
        case PT_SOURCEFILTERHALF: k.filterHalf[turn](d, m_rowOffsets, rows, width, n, step, skip, mask); break;
        case PT_TRANSGRADE: k.grade[turn](d, m_rowOffsets, rows, width, n, step, skip, m_transGrade); break;
        case PT_ALPHA:
            if (alphaRaw == nullptr) break;
            if (m_alphaCompressed)
                k.packed[turn](d, m_rowOffsets, rows, alphaRaw, reinterpret_cast<const uint32_t*>(alphaRaw) + firstRow,
                               width, n, step, sw, skip);
            else
                k.alpha[turn](d, m_rowOffsets, rows, alphaRaw + size_t(firstRow) * size_t(sw), width, n, step, sw,
                              skip);
            break;
        default: break;
        }
    }
    dest->Unprepare();
    return 1;
}

int RTBMP::StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                        const GRECT* clip)
{
    if (dest == nullptr || m_rowOffsets == nullptr) return 0;
    if (!(w > 0 && h > 0 && sw > 0 && sh > 0 && int64_t(sx) + sw > 0 && int64_t(sy) + sh > 0 &&
          sx < m_rect.width && sy < m_rect.height))
        return 0;
    GRECT bounds, t;
    if (!Bounds(dest, clip, bounds)) return 0;
    if (!t.Intersect(GRECT(x, y, w, h), bounds)) return 0;

    const float xr = float(sw) / float(w), yr = float(sh) / float(h);
    const int64_t nsx = sx + std::lround(float(int64_t(t.x) - x) * xr);
    const int64_t nsw = sw - std::lround(float(int64_t(w) - t.width) * xr);
    const int64_t nsy = sy + std::lround(float(int64_t(t.y) - y) * yr);
    const int64_t nsh = sh - std::lround(float(int64_t(h) - t.height) * yr);
    const int64_t l = std::max<int64_t>(nsx, 0), top = std::max<int64_t>(nsy, 0);
    const int64_t r = std::min<int64_t>(nsx + nsw, m_rect.width), b = std::min<int64_t>(nsy + nsh, m_rect.height);
    if (r <= l || b <= top) return 0;

    void* base = dest->Prepare(nullptr);
    if (base == nullptr) {
        dest->Unprepare();
        return 0;
    }
    const int destBits = dest->GetPixelWidth();
    if (m_pixelWidth == 16 && (destBits == 16 || destBits == 32)) {
        const int step = dest->GetOrientation() * dest->PitchCx();
        void* d = static_cast<uint8_t*>(base) + intptr_t(step) * t.y + intptr_t(t.x) * destBits / 8;
        const uint32_t* rows = m_rowOffsets + top;
        const int dw = t.width * 2, dh = t.height, srcw = int(r - l) * 2, srch = int(b - top), skip = int(l * 2);
        const bool is565 = dest->GetPixelFormat() == 16;
        const auto* alphaRaw = static_cast<const uint8_t*>(m_alphaData);
        if (paintType == PT_KEY || paintType == PT_COPY) {
            if (destBits == 16)
                BltRleStretch16(d, m_rowOffsets, rows, dw, dh, srcw, srch, step, skip);
            else
                BltRleStretch565To32(d, m_rowOffsets, rows, dw, dh, srcw, srch, step, skip);
        } else if (paintType == PT_ALPHA && destBits == 16 && alphaRaw != nullptr) {
            if (!m_alphaCompressed) {
                const uint8_t* a = alphaRaw + size_t(top) * size_t(m_rect.width);
                (is565 ? BltRleStretchAlpha565 : BltRleStretchAlpha555)(d, m_rowOffsets, rows, a, dw, dh, srcw, srch,
                                                                        m_rect.width, step, skip);
            } else {
                const auto* alphaRows = reinterpret_cast<const uint32_t*>(alphaRaw) + top;
                (is565 ? BltRleStretchAlphaCompressed565 : BltRleStretchAlphaCompressed555)(
                    d, m_rowOffsets, rows, alphaRaw, alphaRows, dw, dh, srcw, srch, m_rect.width, step, skip);
            }
        }
    }
    dest->Unprepare();
    return 1;
}

int RTBMP::RotatePaint(DBUF* dest, int x, int y, float angle, float spread, const GRECT* clip)
{
    if (dest == nullptr || m_rowOffsets == nullptr) return 1;
    const GRECT area = clip != nullptr ? *clip : GRECT(0, 0, dest->GetWidth(), dest->GetHeight());
    // Kept inside the destination whatever the clip rectangle says.
    GRECT inside;
    if (!inside.Intersect(area, GRECT(0, 0, dest->GetWidth(), dest->GetHeight()))) return 1;
    const int64_t left = int64_t(inside.x) - x, top = int64_t(inside.y) - y;
    const int64_t right = left + inside.width, bottom = top + inside.height;
    if (left < INT32_MIN || bottom > INT32_MAX || right > INT32_MAX || top < INT32_MIN) return 1;
    void* base = dest->Prepare(nullptr);
    if (base != nullptr && dest->GetPixelWidth() == 16 && m_pixelWidth == 16) {
        const int step = dest->GetOrientation() * dest->PitchCx();
        // The centre point may lie outside the buffer; the kernel writes only inside the rectangle.
        auto* centre = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(base) + uintptr_t(intptr_t(step) * y) +
                                               uintptr_t(intptr_t(x) * 2));
        BltRleRotate16(centre, m_rowOffsets, m_rowOffsets, m_rect.width, m_rect.height, step, int(left), int(right),
                       int(top), int(bottom), angle, spread);
    }
    dest->Unprepare();
    return 1;
}
