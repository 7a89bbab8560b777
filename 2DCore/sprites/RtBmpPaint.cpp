// RTBMP paints at full size and of a sub-rectangle: clipping, the kernel
// arguments and the choice of run-length kernel.
#include <algorithm>
#include <cstdint>

#include "2DCore/sprites/RtBmpPaint.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_ablight.h"
#include "kestu_pixelshade.h"
#include "kestu_rtbmp.h"

namespace kestu::rtbmp {

const uint16_t* Table16(const CPixelShade* shade, int level)
{
    if (shade == nullptr || !shade->IsBuilt() || static_cast<int>(shade->GetPixelFormat()) == 32) return nullptr;
    if (level < 0 || level > static_cast<int>(shade->GetTotalLevel())) return nullptr;
    return static_cast<const uint16_t*>(shade->GetTable(level));
}

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

}  // namespace

bool ClampSource(int64_t& x, int64_t& y, int64_t& w, int64_t& h, int64_t& sx, int64_t& sy, int spriteW,
                 int spriteH, bool mirror, bool flip)
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

}  // namespace kestu::rtbmp

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

// Runs the kernel made for the destination: 32 bits, 5-6-5 or 5-5-5.
template <class K32, class K565, class K555, class... Args>
void ByDepth(bool d16, bool is565, K32 k32, K565 k565, K555 k555, Args... args)
{
    if (!d16)
        k32(args...);
    else if (is565)
        k565(args...);
    else
        k555(args...);
}

// Runs the 16-bit or the 32-bit kernel for the destination.
template <class K16, class K32, class... Args>
void By16(bool d16, K16 k16, K32 k32, Args... args)
{
    if (d16)
        k16(args...);
    else
        k32(args...);
}

}  // namespace

int RTBMP::Dispatch(DBUF* dest, void* destBase, const Visible& v, DWORD paintType, bool subRect)
{
    const int destBits = dest->GetPixelWidth();
    if (destBits != 16 && destBits != 32) return 0;
    const bool d16 = destBits == 16;
    const bool is565 = dest->GetPixelFormat() == 16;
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

    // 8-bit runs hold palette indexes: only the colour-table paint reads them.
    if (m_pixelWidth == 8) {
        if (paintType == PT_COLORTABLE && table != nullptr && (!subRect || d16)) {
            By16(d16, BltRleColorTable16, BltRleColorTable32Nop, d, base, rows, width, n, step, skip, table);
        }
        return 1;
    }
    if (m_pixelWidth != 16) return 1;

    if (!d16 && subRect) {
        // Into 32 bits the sub-rectangle paint has only its 32-bit members.
        if (paintType == PT_KEY || paintType == PT_COPY)
            BltRleCopy565To32(d, base, rows, width, n, step, skip);
        else if (paintType == PT_GRAY)
            BltRleGray565To32(d, base, rows, width, n, step, skip);
        else if (paintType == PT_ALPHA && rawAlpha)
            BltRleAlpha32(d, base, rows, alpha, width, n, step, sw, skip);
        else if (paintType == PT_ALPHA && packedAlpha)
            BltRleAlphaCompressed32(d, base, rows, alphaRaw, alphaRows, width, n, step, sw, skip);
        return 1;
    }

    const CPixelShade* shade = m_pixelShade;
    switch (paintType) {
    case PT_KEY:
    case PT_COPY:
        if (!d16)
            BltRleCopy565To32(d, base, rows, width, n, step, skip);
        else if (subRect && dest->WhoAmI() == KESTU_WHOAMI_TEXTURE)
            BltRleCopy565To4444(d, base, rows, width, n, step, skip);
        else
            BltRleCopy16(d, base, rows, width, n, step, skip);
        break;
    case PT_ENHANCE:
        ByDepth(d16, is565, BltRleEnhance32Nop, BltRleEnhance565, BltRleEnhance555,
                d, base, rows, width, n, step, skip, m_enhanceGrade);
        break;
    case PT_GRAY:
        ByDepth(d16, is565, BltRleGray565To32, BltRleGray565, BltRleGray555, d, base, rows, width, n, step, skip);
        break;
    case PT_SOURCEFILTER:
        By16(d16, BltRleSourceFilter16, BltRleSourceFilter32Nop, d, base, rows, width, n, step, skip, mask);
        break;
    case PT_HALF:
        ByDepth(d16, is565, BltRleHalf32Nop, BltRleHalf565, BltRleHalf555, d, base, rows, width, n, step, skip);
        break;
    case PT_GRAYHALF:
        ByDepth(d16, is565, BltRleGrayHalf32Nop, BltRleGrayHalf565, BltRleGrayHalf555,
                d, base, rows, width, n, step, skip);
        break;
    case PT_SOURCEFILTERHALF:
        By16(d16, BltRleSourceFilterHalf16, BltRleSourceFilterHalf32Nop, d, base, rows, width, n, step, skip, mask);
        break;
    case PT_ALPHA:
        if (rawAlpha) {
            ByDepth(d16, is565, BltRleAlpha32, BltRleAlpha565, BltRleAlpha555,
                    d, base, rows, alpha, width, n, step, sw, skip);
        } else if (packedAlpha) {
            ByDepth(d16, is565, BltRleAlphaCompressed32, BltRleAlphaCompressed565, BltRleAlphaCompressed555,
                    d, base, rows, alphaRaw, alphaRows, width, n, step, sw, skip);
        }
        break;
    case PT_ALPHACOLORTABLE:
        if (table == nullptr) break;
        if (rawAlpha) {
            By16(d16, BltRleAlphaColorTable16, BltRleAlphaColorTable32Nop,
                 d, base, rows, alpha, width, n, step, sw, skip, table);
        } else if (packedAlpha && d16) {
            // The alpha bytes themselves are the indexes, one byte a pixel.
            BltRleColorTable16(d, alphaRaw, alphaRows, v.dst.width, n, step, skip / 2, table);
        }
        break;
    case PT_ALPHASOURCEFILTER:
        if (!rawAlpha) break;
        ByDepth(d16, is565, BltRleAlphaSourceFilter32Nop, BltRleAlphaSourceFilter565, BltRleAlphaSourceFilter555,
                d, base, rows, alpha, width, n, step, sw, skip, mask);
        break;
    case PT_MIXALPHA:
        if (!packedAlpha || table == nullptr) break;
        ByDepth(d16, is565, BltRleMixAlpha32Nop, BltRleMixAlpha565, BltRleMixAlpha555,
                d, base, rows, alphaRaw, v.firstRow, width, n, step, sw, skip, table);
        break;
    case PT_TRANSGRADE:
        ByDepth(d16, is565, BltRleTransGrade32Nop, BltRleTransGrade565, BltRleTransGrade555,
                d, base, rows, width, n, step, skip, m_transGrade);
        break;
    case PT_ALPHATRANSGRADE:
        if (!rawAlpha) break;
        ByDepth(d16, is565, BltRleAlphaTransGrade32Nop, BltRleAlphaTransGrade565, BltRleAlphaTransGrade555,
                d, base, rows, alpha, width, n, step, sw, skip, m_transGrade);
        break;
    case PT_PIXELSHADE: {
        if (shade == nullptr) break;
        if (m_enhanceGrade == -3) {
            By16(d16, BltRleCopy16, BltRleCopy565To32, d, base, rows, width, n, step, skip);
        } else if (m_enhanceGrade == -2) {
            ByDepth(d16, is565, BltRleEnhance32Nop, BltRleEnhance565, BltRleEnhance555,
                    d, base, rows, width, n, step, skip, 32);
        } else if (m_enhanceGrade >= 0) {
            const uint16_t* level = Table16(shade, m_enhanceGrade);
            if (level == nullptr) break;
            By16(d16, BltRlePixelShade16, BltRlePixelShade32Nop, d, base, rows, width, n, step, skip, level);
        }
        break;
    }
    case PT_PIXELSHADEHALF: {
        if (shade == nullptr) break;
        if (m_enhanceGrade == -3) {
            ByDepth(d16, is565, BltRleHalf32Nop, BltRleHalf565, BltRleHalf555, d, base, rows, width, n, step, skip);
        } else if (m_enhanceGrade >= 0) {
            const uint16_t* level = Table16(shade, m_enhanceGrade);
            if (level == nullptr) break;
            ByDepth(d16, is565, BltRlePixelShadeHalf32Nop, BltRlePixelShadeHalf565, BltRlePixelShadeHalf555,
                    d, base, rows, width, n, step, skip, level);
        }
        break;
    }
    case PT_ABLIGHT: {
        CAlphaBuffer* grid = dest->GetAlphaBuffer();
        if (shade == nullptr || grid == nullptr || Table16(shade, 0) == nullptr) break;
        SABRectData view;
        GRECT r = v.dst;
        grid->GetRectData(view, &r);
        if (view.firstCell == nullptr || view.cellWidth <= 0 || view.cellHeight <= 0) break;
        // A cell may hold any byte: levels above the top take the top table.
        const uint16_t* tables[256];
        const int top = static_cast<int>(shade->GetTotalLevel());
        for (int i = 0; i < 256; ++i) tables[i] = Table16(shade, i <= top ? i : top);
        if (d16)
            BltRleABLight16(d, base, rows, width, n, step, skip, view.firstCell, view.columns, view.cellWidth,
                            view.cellHeight, tables);
        else
            BltRleABLight32Nop(d, base, rows, width, n, step, skip, view.firstCell, view.columns, view.cellWidth,
                               view.cellHeight, tables);
        break;
    }
    case PT_ALPHARESERVED:
        if (shade == nullptr || !rawAlpha) break;
        ByDepth(d16, is565, BltRleAlphaReserved32Nop, BltRleAlphaReserved565Nop, BltRleAlphaReserved555Nop,
                d, base, rows, alpha, width, n, step, sw, skip);
        break;
    default: break;
    }
    return 1;
}
