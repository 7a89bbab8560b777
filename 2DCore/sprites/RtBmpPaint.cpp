// RTBMP paints at full size and of a sub-rectangle: clipping, the kernel
// arguments and the choice of run-length kernel.
#include <algorithm>
#include <cstdint>

#include "2DCore/sprites/RtBmpPaint.h"
#include "2DCore/image/ShadeTables.h"
#include "2DCore/kernels/KernelTable.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_ablight.h"
#include "kestu_pixelshade.h"
#include "kestu_rtbmp.h"

namespace kestu::rtbmp {

namespace {

// Cuts one axis of the source to the sprite; a reversed axis moves the
// destination from the other end.
void ClampAxis(int64_t& pos, int64_t& len, int64_t& src, int size, bool reversed)
{
    if (src < 0) {
        if (!reversed) pos -= src;
        len += src;
        src = 0;
    }
    if (src + len > size) {
        const int64_t cut = src + len - size;
        if (reversed) pos += cut;
        len -= cut;
    }
}

} // namespace

bool ClampSource(int64_t& x, int64_t& y, int64_t& w, int64_t& h, int64_t& sx, int64_t& sy, int spriteW, int spriteH,
                 bool mirror, bool flip)
{
    ClampAxis(x, w, sx, spriteW, mirror);
    ClampAxis(y, h, sy, spriteH, flip);
    return w > 0 && h > 0;
}

bool Bounds(DBUF* dest, const GRECT* clip, GRECT& bounds)
{
    bounds = GRECT(0, 0, dest->GetWidth(), dest->GetHeight());
    return clip == nullptr || bounds.Intersect(*clip);
}

} // namespace kestu::rtbmp

using namespace kestu::rtbmp;

bool RTBMP::ClipSub(DBUF* dest, int x, int y, int w, int h, int sx, int sy, const GRECT* clip, Visible& v) const
{
    if (dest == nullptr || m_rowOffsets == nullptr) return false;
    int64_t X = x, Y = y, W = w, H = h, SX = sx, SY = sy;
    if (!ClampSource(X, Y, W, H, SX, SY, m_rect.width, m_rect.height, false, false)) return false;
    if (X < INT32_MIN || X > INT32_MAX || Y < INT32_MIN || Y > INT32_MAX) return false;
    GRECT bounds;
    if (!Bounds(dest, clip, bounds)) return false;
    if (!v.dst.Intersect(GRECT(LONG(X), LONG(Y), LONG(W), LONG(H)), bounds)) return false;
    v.firstRow = int(v.dst.y - Y + SY);
    v.leftSkip = int((v.dst.x - X + SX) * m_pixelWidth / 8);
    return true;
}

int RTBMP::Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    Visible v;
    if (!ClipSub(dest, x, y, m_rect.width, m_rect.height, 0, 0, clip, v)) return 0;
    void* base = dest->Prepare(nullptr);
    if (base != nullptr) Dispatch(dest, base, v, paintType, false);
    dest->Unprepare();
    return 1;
}

int RTBMP::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    Visible v;
    if (!ClipSub(dest, x, y, w, h, sx, sy, clip, v)) return 0;
    void* base = dest->Prepare(nullptr);
    if (base != nullptr) Dispatch(dest, base, v, paintType, true);
    dest->Unprepare();
    return 1;
}

int RTBMP::PaintNoClip(DBUF* dest, int x, int y, PAINT_TYPE paintType)
{
    // The destination bounds are kept all the same: a sprite placed partly
    // outside must not write past the buffer.
    Paint(dest, x, y, paintType, nullptr);
    return 1;
}

namespace {

using namespace kestu::kernels;
using kestu2d::Table16;

// The kernels of a 16-bit sprite, by destination.
constexpr KernelRow<RleFn> kRuns[] = {
    {PT_KEY, {BltRleCopy565To32, BltRleCopy16, BltRleCopy16}},
    {PT_COPY, {BltRleCopy565To32, BltRleCopy16, BltRleCopy16}},
    {PT_GRAY, {BltRleGray565To32, BltRleGray565, BltRleGray555}},
    {PT_HALF, {BltRleHalf32Nop, BltRleHalf565, BltRleHalf555}},
    {PT_GRAYHALF, {BltRleGrayHalf32Nop, BltRleGrayHalf565, BltRleGrayHalf555}},
};
constexpr KernelRow<RleMaskFn> kMasked[] = {
    {PT_SOURCEFILTER, {BltRleSourceFilter32Nop, BltRleSourceFilter16, BltRleSourceFilter16}},
    {PT_SOURCEFILTERHALF, {BltRleSourceFilterHalf32Nop, BltRleSourceFilterHalf16, BltRleSourceFilterHalf16}},
};
// Enhance takes the enhance grade, translucency the translucency grade.
constexpr KernelRow<RleLevelFn> kLevelled[] = {
    {PT_ENHANCE, {BltRleEnhance32Nop, BltRleEnhance565, BltRleEnhance555}},
    {PT_TRANSGRADE, {BltRleTransGrade32Nop, BltRleTransGrade565, BltRleTransGrade555}},
};
// A shade level's table, or a palette for 8-bit runs.
constexpr KernelRow<RleTableFn> kTabled[] = {
    {PT_PIXELSHADE, {BltRlePixelShade32Nop, BltRlePixelShade16, BltRlePixelShade16}},
    {PT_PIXELSHADEHALF, {BltRlePixelShadeHalf32Nop, BltRlePixelShadeHalf565, BltRlePixelShadeHalf555}},
    {PT_COLORTABLE, {BltRleColorTable32Nop, BltRleColorTable16, BltRleColorTable16}},
};
constexpr KernelRow<RleGridFn> kLightGrids[] = {{PT_ABLIGHT, {BltRleABLight32Nop, BltRleABLight16, BltRleABLight16}}};
// With an alpha plane stored raw.
constexpr KernelRow<RleAlphaFn> kAlpha[] = {
    {PT_ALPHA, {BltRleAlpha32, BltRleAlpha565, BltRleAlpha555}},
    {PT_ALPHARESERVED, {BltRleAlphaReserved32Nop, BltRleAlphaReserved565Nop, BltRleAlphaReserved555Nop}},
};
constexpr KernelRow<RleAlphaMaskFn> kAlphaMasked[] = {
    {PT_ALPHASOURCEFILTER, {BltRleAlphaSourceFilter32Nop, BltRleAlphaSourceFilter565, BltRleAlphaSourceFilter555}}};
constexpr KernelRow<RleAlphaLevelFn> kAlphaLevelled[] = {
    {PT_ALPHATRANSGRADE, {BltRleAlphaTransGrade32Nop, BltRleAlphaTransGrade565, BltRleAlphaTransGrade555}}};
constexpr KernelRow<RleAlphaTableFn> kAlphaTabled[] = {
    {PT_ALPHACOLORTABLE, {BltRleAlphaColorTable32Nop, BltRleAlphaColorTable16, BltRleAlphaColorTable16}}};
// With an alpha plane stored as runs.
constexpr KernelRow<RlePackedAlphaFn> kPackedAlpha[] = {
    {PT_ALPHA, {BltRleAlphaCompressed32, BltRleAlphaCompressed565, BltRleAlphaCompressed555}}};
constexpr KernelRow<RleMixAlphaFn> kMixAlpha[] = {
    {PT_MIXALPHA, {BltRleMixAlpha32Nop, BltRleMixAlpha565, BltRleMixAlpha555}}};

// The paints into 32 bits that the sub-rectangle paint has.
bool SubRectTo32(DWORD paintType)
{
    return paintType == PT_KEY || paintType == PT_COPY || paintType == PT_GRAY || paintType == PT_ALPHA;
}

} // namespace

int RTBMP::Dispatch(DBUF* dest, void* destBase, const Visible& v, DWORD paintType, bool subRect)
{
    const int destBits = dest->GetPixelWidth();
    if (destBits != 16 && destBits != 32) return 0;
    const bool d16 = destBits == 16;
    const size_t column = DepthColumn(d16, dest->GetPixelFormat() == 16);
    const int step = dest->GetOrientation() * dest->PitchCx();
    void* d = static_cast<uint8_t*>(destBase) + intptr_t(step) * v.dst.y + intptr_t(v.dst.x) * destBits / 8;
    const void* base = m_rowOffsets;
    const uint32_t* rows = m_rowOffsets + v.firstRow;
    const int width = v.dst.width * m_pixelWidth / 8;
    const int n = v.dst.height;
    const int skip = v.leftSkip;
    const int sw = m_rect.width;

    const auto* alphaRaw = static_cast<const uint8_t*>(m_alphaData);
    const bool rawAlpha = alphaRaw != nullptr && !m_alphaCompressed;
    const bool packedAlpha = alphaRaw != nullptr && m_alphaCompressed;
    const uint8_t* alpha = rawAlpha ? alphaRaw + size_t(v.firstRow) * size_t(sw) : nullptr;
    const uint32_t* alphaRows = packedAlpha ? reinterpret_cast<const uint32_t*>(alphaRaw) + v.firstRow : nullptr;
    const auto* table = static_cast<const uint16_t*>(m_colorTable);
    const uint16_t mask = uint16_t(m_sourceFilterMask);
    const CPixelShade* shade = m_pixelShade;

    // 8-bit runs hold palette indexes: only the colour-table paint reads them.
    if (m_pixelWidth == 8) {
        if (paintType == PT_COLORTABLE && table != nullptr && (!subRect || d16))
            PickKernel(kTabled, paintType, column)(d, base, rows, width, n, step, skip, table);
        return 1;
    }
    if (m_pixelWidth != 16) return 1;
    if (!d16 && subRect && !SubRectTo32(paintType)) return 1;
    // A texture's sub-rectangle copy converts to its 4-4-4-4 pixels.
    if (d16 && subRect && (paintType == PT_KEY || paintType == PT_COPY) && dest->WhoAmI() == KESTU_WHOAMI_TEXTURE) {
        BltRleCopy565To4444(d, base, rows, width, n, step, skip);
        return 1;
    }

    if (const RleFn k = PickKernel(kRuns, paintType, column)) {
        k(d, base, rows, width, n, step, skip);
    } else if (const RleMaskFn k = PickKernel(kMasked, paintType, column)) {
        k(d, base, rows, width, n, step, skip, mask);
    } else if (const RleLevelFn k = PickKernel(kLevelled, paintType, column)) {
        k(d, base, rows, width, n, step, skip, paintType == PT_ENHANCE ? m_enhanceGrade : m_transGrade);
    } else if (paintType == PT_ALPHA) {
        if (rawAlpha)
            PickKernel(kAlpha, paintType, column)(d, base, rows, alpha, width, n, step, sw, skip);
        else if (packedAlpha)
            PickKernel(kPackedAlpha, paintType, column)(d, base, rows, alphaRaw, alphaRows, width, n, step, sw, skip);
    } else if (paintType == PT_ALPHACOLORTABLE) {
        if (table == nullptr) return 1;
        if (rawAlpha)
            PickKernel(kAlphaTabled, paintType, column)(d, base, rows, alpha, width, n, step, sw, skip, table);
        else if (packedAlpha && d16)
            // The alpha bytes themselves are the indexes, one byte a pixel.
            PickKernel(kTabled, PT_COLORTABLE, column)(d, alphaRaw, alphaRows, v.dst.width, n, step, skip / 2, table);
    } else if (const RleAlphaMaskFn k = PickKernel(kAlphaMasked, paintType, column)) {
        if (rawAlpha) k(d, base, rows, alpha, width, n, step, sw, skip, mask);
    } else if (const RleMixAlphaFn k = PickKernel(kMixAlpha, paintType, column)) {
        if (packedAlpha && table != nullptr) k(d, base, rows, alphaRaw, v.firstRow, width, n, step, sw, skip, table);
    } else if (const RleAlphaLevelFn k = PickKernel(kAlphaLevelled, paintType, column)) {
        if (rawAlpha) k(d, base, rows, alpha, width, n, step, sw, skip, m_transGrade);
    } else if (paintType == PT_PIXELSHADE || paintType == PT_PIXELSHADEHALF) {
        // Grade -3 paints unshaded; -2 (not for the half paint) takes the enhance kernel at level 32.
        const bool half = paintType == PT_PIXELSHADEHALF;
        if (shade == nullptr) return 1;
        if (m_enhanceGrade == -3) {
            PickKernel(kRuns, half ? PT_HALF : PT_COPY, column)(d, base, rows, width, n, step, skip);
        } else if (m_enhanceGrade == -2 && !half) {
            PickKernel(kLevelled, PT_ENHANCE, column)(d, base, rows, width, n, step, skip, 32);
        } else if (m_enhanceGrade >= 0) {
            const uint16_t* level = Table16(shade, m_enhanceGrade);
            if (level != nullptr) PickKernel(kTabled, paintType, column)(d, base, rows, width, n, step, skip, level);
        }
    } else if (paintType == PT_ABLIGHT) {
        kestu2d::LightGrid grid;
        if (kestu2d::PrepareLightGrid(dest->GetAlphaBuffer(), shade, v.dst, grid))
            PickKernel(kLightGrids, paintType, column)(d, base, rows, width, n, step, skip, grid.view.firstCell,
                                                       grid.view.columns, grid.view.cellWidth, grid.view.cellHeight,
                                                       grid.tables);
    } else if (paintType == PT_ALPHARESERVED) {
        if (shade != nullptr && rawAlpha)
            PickKernel(kAlpha, paintType, column)(d, base, rows, alpha, width, n, step, sw, skip);
    }
    return 1;
}
