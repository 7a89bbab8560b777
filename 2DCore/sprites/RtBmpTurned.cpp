// RTBMP paints that turn the sprite: mirrored or upside down, stretched and rotated.
#include <cmath>
#include <cstdint>

#include "2DCore/sprites/RtBmpPaint.h"
#include "2DCore/kernels/KernelTable.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_rtbmp.h"

using namespace kestu::rtbmp;

namespace {

using namespace kestu::kernels;

// The turned paints write 16-bit pixels only: a table for each of 5-6-5 and
// 5-5-5, one column per turn.
template <class Fn>
using TurnRow = KernelRow<Fn, kTurnColumns>;

constexpr TurnRow<RleFn> kRuns565[] = {
    {PT_KEY, {BltRleCopy16, BltRleCopyMirrorH16, BltRleCopyFlipV16}},
    {PT_COPY, {BltRleCopy16, BltRleCopyMirrorH16, BltRleCopyFlipV16}},
    {PT_GRAY, {BltRleGray565, BltRleGrayMirrorH565, BltRleGrayFlipV565}},
    {PT_HALF, {BltRleHalf565, BltRleHalfMirrorH565, BltRleHalfFlipV565}},
    {PT_GRAYHALF, {BltRleGrayHalf565, BltRleGrayHalfMirrorH565, BltRleGrayHalfFlipV565}},
};
constexpr TurnRow<RleFn> kRuns555[] = {
    {PT_KEY, {BltRleCopy16, BltRleCopyMirrorH16, BltRleCopyFlipV16}},
    {PT_COPY, {BltRleCopy16, BltRleCopyMirrorH16, BltRleCopyFlipV16}},
    {PT_GRAY, {BltRleGray555, BltRleGrayMirrorH555, BltRleGrayFlipV555}},
    {PT_HALF, {BltRleHalf555, BltRleHalfMirrorH555, BltRleHalfFlipV555}},
    {PT_GRAYHALF, {BltRleGrayHalf555, BltRleGrayHalfMirrorH555, BltRleGrayHalfFlipV555}},
};
// The source filters work on both 16-bit layouts alike.
constexpr TurnRow<RleMaskFn> kMasked[] = {
    {PT_SOURCEFILTER, {BltRleSourceFilter16, BltRleSourceFilterMirrorH16, BltRleSourceFilterFlipV16}},
    {PT_SOURCEFILTERHALF, {BltRleSourceFilterHalf16, BltRleSourceFilterHalfMirrorH16, BltRleSourceFilterHalfFlipV16}},
};
constexpr TurnRow<RleLevelFn> kGraded565[] = {
    {PT_TRANSGRADE, {BltRleTransGrade565, BltRleTransGradeMirrorH565, BltRleTransGradeFlipV565}}};
constexpr TurnRow<RleLevelFn> kGraded555[] = {
    {PT_TRANSGRADE, {BltRleTransGrade555, BltRleTransGradeMirrorH555, BltRleTransGradeFlipV555}}};
constexpr TurnRow<RleAlphaFn> kAlpha565[] = {{PT_ALPHA, {BltRleAlpha565, BltRleAlphaMirrorH565, BltRleAlphaFlipV565}}};
constexpr TurnRow<RleAlphaFn> kAlpha555[] = {{PT_ALPHA, {BltRleAlpha555, BltRleAlphaMirrorH555, BltRleAlphaFlipV555}}};
constexpr TurnRow<RlePackedAlphaFn> kPacked565[] = {
    {PT_ALPHA, {BltRleAlphaCompressed565, BltRleAlphaCompressedMirrorH565, BltRleAlphaCompressedFlipV565}}};
constexpr TurnRow<RlePackedAlphaFn> kPacked555[] = {
    {PT_ALPHA, {BltRleAlphaCompressed555, BltRleAlphaCompressedMirrorH555, BltRleAlphaCompressedFlipV555}}};

// The stretched paints, by destination.
constexpr KernelRow<RleStretchFn> kStretched[] = {
    {PT_KEY, {BltRleStretch565To32, BltRleStretch16, BltRleStretch16}},
    {PT_COPY, {BltRleStretch565To32, BltRleStretch16, BltRleStretch16}},
};
constexpr KernelRow<RleStretchAlphaFn> kStretchedAlpha[] = {
    {PT_ALPHA, {nullptr, BltRleStretchAlpha565, BltRleStretchAlpha555}}};
constexpr KernelRow<RleStretchPackedFn> kStretchedPacked[] = {
    {PT_ALPHA, {nullptr, BltRleStretchAlphaCompressed565, BltRleStretchAlphaCompressed555}}};

} // namespace

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
        const bool is565 = dest->GetPixelFormat() == 16;
        const size_t column = size_t(turn);
        const int step = dest->GetOrientation() * dest->PitchCx();
        void* d = static_cast<uint8_t*>(base) + intptr_t(step) * t.y + intptr_t(t.x) * 2;
        const uint32_t* rows = m_rowOffsets + firstRow;
        const int width = t.width * 2, n = t.height, skip = int(firstColumn * 2), sw = m_rect.width;
        const uint16_t mask = uint16_t(m_sourceFilterMask);
        const auto* alphaRaw = static_cast<const uint8_t*>(m_alphaData);
        if (const RleFn k = PickKernel(is565 ? kRuns565 : kRuns555, paintType, column)) {
            k(d, m_rowOffsets, rows, width, n, step, skip);
        } else if (const RleMaskFn k = PickKernel(kMasked, paintType, column)) {
            k(d, m_rowOffsets, rows, width, n, step, skip, mask);
        } else if (const RleLevelFn k = PickKernel(is565 ? kGraded565 : kGraded555, paintType, column)) {
            k(d, m_rowOffsets, rows, width, n, step, skip, m_transGrade);
        } else if (paintType == PT_ALPHA && alphaRaw != nullptr) {
            if (m_alphaCompressed)
                PickKernel(is565 ? kPacked565 : kPacked555, paintType,
                           column)(d, m_rowOffsets, rows, alphaRaw,
                                   reinterpret_cast<const uint32_t*>(alphaRaw) + firstRow, width, n, step, sw, skip);
            else
                PickKernel(is565 ? kAlpha565 : kAlpha555, paintType, column)(
                    d, m_rowOffsets, rows, alphaRaw + size_t(firstRow) * size_t(sw), width, n, step, sw, skip);
        }
    }
    dest->Unprepare();
    return 1;
}

int RTBMP::StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                        const GRECT* clip)
{
    if (dest == nullptr || m_rowOffsets == nullptr) return 0;
    if (!(w > 0 && h > 0 && sw > 0 && sh > 0 && int64_t(sx) + sw > 0 && int64_t(sy) + sh > 0 && sx < m_rect.width &&
          sy < m_rect.height))
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
        const size_t column = DepthColumn(destBits == 16, is565);
        if (const RleStretchFn k = PickKernel(kStretched, paintType, column)) {
            k(d, m_rowOffsets, rows, dw, dh, srcw, srch, step, skip);
        } else if (paintType == PT_ALPHA && alphaRaw != nullptr) {
            if (!m_alphaCompressed) {
                const uint8_t* a = alphaRaw + size_t(top) * size_t(m_rect.width);
                if (const RleStretchAlphaFn k = PickKernel(kStretchedAlpha, paintType, column))
                    k(d, m_rowOffsets, rows, a, dw, dh, srcw, srch, m_rect.width, step, skip);
            } else {
                const auto* alphaRows = reinterpret_cast<const uint32_t*>(alphaRaw) + top;
                if (const RleStretchPackedFn k = PickKernel(kStretchedPacked, paintType, column))
                    k(d, m_rowOffsets, rows, alphaRaw, alphaRows, dw, dh, srcw, srch, m_rect.width, step, skip);
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
