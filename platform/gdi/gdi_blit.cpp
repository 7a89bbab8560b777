// Block transfers: BitBlt, StretchBlt, PatBlt, FillRect and single pixels.
#include "gdi/gdi_blit.h"

#include <algorithm>
#include <vector>

#include "gdi/gdi_objects.h"

namespace kestu::platform::gdi {
namespace {

uint32_t AllOnes(const PixelLayout& l) { return l.bits >= 32 ? 0xFFFFFFFFu : (1u << l.bits) - 1u; }

uint32_t Combine(Rop rop, uint32_t s, uint32_t d, uint32_t ones)
{
    switch (rop) {
    case Rop::NotCopy: return ~s & ones;
    case Rop::And: return s & d;
    case Rop::Paint: return s | d;
    case Rop::Invert: return s ^ d;
    case Rop::DestInvert: return ~d & ones;
    default: return s;
    }
}

// Raw source pixels as raw destination pixels, row by row.
class RowConverter {
public:
    RowConverter(const PixelView& dst, const PixelView& src)
        : dst_(dst.layout, dst.palette, dst.paletteSize), src_(src.layout, src.palette, src.paletteSize),
          sameRaw_(dst.layout == src.layout && (!dst.layout.indexed() || dst.layout.bits == src.layout.bits))
    {
    }
    uint32_t Convert(uint32_t srcRaw)
    {
        if (sameRaw_) return srcRaw;
        if (srcRaw == lastSrc_ && haveLast_) return lastDst_;
        lastSrc_ = srcRaw;
        lastDst_ = dst_.RgbToRaw(src_.RawToRgb(srcRaw));
        haveLast_ = true;
        return lastDst_;
    }
    bool sameRaw() const { return sameRaw_; }
    const PixelCodec& dst() const { return dst_; }
    const PixelCodec& src() const { return src_; }

private:
    PixelCodec dst_;
    PixelCodec src_;
    bool sameRaw_;
    bool haveLast_ = false;
    uint32_t lastSrc_ = 0;
    uint32_t lastDst_ = 0;
};

} // namespace

Rop RopFromCode(DWORD code)
{
    switch (code) {
    case SRCCOPY: return Rop::Copy;
    case NOTSRCCOPY: return Rop::NotCopy;
    case SRCAND: return Rop::And;
    case SRCPAINT: return Rop::Paint;
    case SRCINVERT: return Rop::Invert;
    case BLACKNESS: return Rop::Black;
    case WHITENESS: return Rop::White;
    case PATCOPY: return Rop::Pattern;
    case DSTINVERT: return Rop::DestInvert;
    default: return Rop::Unsupported;
    }
}

bool RopUsesSource(Rop rop)
{
    return rop == Rop::Copy || rop == Rop::NotCopy || rop == Rop::And || rop == Rop::Paint || rop == Rop::Invert;
}

bool ClipToView(int& x, int& y, int& w, int& h, int limitW, int limitH)
{
    if (w <= 0 || h <= 0) return false;
    int64_t x0 = x, y0 = y, x1 = int64_t{x} + w, y1 = int64_t{y} + h;
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, limitW);
    y1 = std::min<int64_t>(y1, limitH);
    if (x1 <= x0 || y1 <= y0) return false;
    x = static_cast<int>(x0);
    y = static_cast<int>(y0);
    w = static_cast<int>(x1 - x0);
    h = static_cast<int>(y1 - y0);
    return true;
}

void CopyRect(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int w, int h, Rop rop)
{
    RowConverter conv(dst, src);
    const uint32_t ones = AllOnes(dst.layout);
    const int bytesPP = dst.layout.bits / 8;
    const bool byteAligned = dst.layout.bits % 8 == 0;
    for (int row = 0; row < h; ++row) {
        uint8_t* d = dst.Row(dy + row);
        const uint8_t* s = src.Row(sy + row);
        if (rop == Rop::Copy && conv.sameRaw() && byteAligned) {
            std::memmove(d + static_cast<size_t>(dx) * bytesPP, s + static_cast<size_t>(sx) * bytesPP,
                         static_cast<size_t>(w) * bytesPP);
            continue;
        }
        for (int col = 0; col < w; ++col) {
            const uint32_t sv = conv.Convert(conv.src().Raw(s, sx + col));
            const uint32_t dv = rop == Rop::Copy ? 0 : conv.dst().Raw(d, dx + col);
            conv.dst().PutRaw(d, dx + col, Combine(rop, sv, dv, ones));
        }
    }
}

void StretchRect(const PixelView& dst, int dx, int dy, int dw, int dh, const PixelView& src, int sx, int sy, int sw,
                 int sh, Rop rop)
{
    int cx = dx, cy = dy, cw = dw, ch = dh;
    if (!ClipToView(cx, cy, cw, ch, dst.width, dst.height)) return;
    RowConverter conv(dst, src);
    const uint32_t ones = AllOnes(dst.layout);
    std::vector<int> columns(static_cast<size_t>(cw));
    for (int col = 0; col < cw; ++col) columns[col] = sx + static_cast<int>((int64_t{cx + col - dx} * sw) / dw);
    for (int row = 0; row < ch; ++row) {
        const int srow = sy + static_cast<int>((int64_t{cy + row - dy} * sh) / dh);
        uint8_t* d = dst.Row(cy + row);
        const uint8_t* s = src.Row(srow);
        for (int col = 0; col < cw; ++col) {
            const uint32_t sv = conv.Convert(conv.src().Raw(s, columns[col]));
            const uint32_t dv = rop == Rop::Copy ? 0 : conv.dst().Raw(d, cx + col);
            conv.dst().PutRaw(d, cx + col, Combine(rop, sv, dv, ones));
        }
    }
}

void FillRaw(const PixelView& dst, int x, int y, int w, int h, uint32_t raw, Rop rop)
{
    if (!ClipToView(x, y, w, h, dst.width, dst.height)) return;
    const PixelCodec codec(dst.layout, dst.palette, dst.paletteSize);
    const uint32_t ones = AllOnes(dst.layout);
    for (int row = 0; row < h; ++row) {
        uint8_t* d = dst.Row(y + row);
        if (rop == Rop::DestInvert) {
            for (int col = 0; col < w; ++col) codec.PutRaw(d, x + col, ~codec.Raw(d, x + col) & ones);
        } else if (dst.layout.bits == 32) {
            for (int col = 0; col < w; ++col) std::memcpy(d + static_cast<size_t>(x + col) * 4, &raw, 4);
        } else {
            for (int col = 0; col < w; ++col) codec.PutRaw(d, x + col, raw);
        }
    }
}

} // namespace kestu::platform::gdi

using namespace kestu::platform;
using namespace kestu::platform::gdi;

namespace {

uint32_t SolidRaw(const DeviceContext& dc, const PixelView& view, Rop rop)
{
    const PixelCodec codec(view.layout, view.palette, view.paletteSize);
    switch (rop) {
    case Rop::Black: return codec.RgbToRaw(0x000000);
    case Rop::White: return codec.RgbToRaw(0xFFFFFF);
    default: return dc.brush != nullptr ? ColorToRaw(dc, view, dc.brush->color) : 0;
    }
}

BOOL Transfer(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
              int hSrc, DWORD code)
{
    DeviceContext* dd = LookupDC(hdcDest);
    const Rop rop = RopFromCode(code);
    if (dd == nullptr || rop == Rop::Unsupported) return FALSE;
    const PixelView dst = TargetView(*dd);

    if (!RopUsesSource(rop)) {
        if (!dst.valid()) return TRUE;
        if (rop == Rop::Pattern && dd->brush != nullptr && dd->brush->hollow) return TRUE;
        FillRaw(dst, xDest, yDest, wDest, hDest, SolidRaw(*dd, dst, rop), rop);
        return TRUE;
    }

    DeviceContext* sd = LookupDC(hdcSrc);
    if (sd == nullptr || wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0) return FALSE;
    PixelView src = TargetView(*sd);
    if (!dst.valid() || !src.valid() || wDest == 0 || hDest == 0 || wSrc == 0 || hSrc == 0) return TRUE;

    // Work on a copy when source and destination share pixels.
    std::vector<uint8_t> copy;
    if (src.top == dst.top) {
        const size_t rowBytes = static_cast<size_t>((src.width * src.layout.bits + 31) / 32) * 4;
        copy.resize(rowBytes * src.height);
        for (int y = 0; y < src.height; ++y) std::memcpy(&copy[rowBytes * y], src.Row(y), rowBytes);
        src.top = copy.data();
        src.stride = static_cast<ptrdiff_t>(rowBytes);
    }

    if (wDest == wSrc && hDest == hSrc) {
        int x = xDest, y = yDest, w = wDest, h = hDest;
        if (!ClipToView(x, y, w, h, dst.width, dst.height)) return TRUE;
        int sx = xSrc + (x - xDest), sy = ySrc + (y - yDest);
        int ox = sx, oy = sy;
        if (!ClipToView(sx, sy, w, h, src.width, src.height)) return TRUE;
        x += sx - ox;
        y += sy - oy;
        CopyRect(dst, x, y, src, sx, sy, w, h, rop);
        return TRUE;
    }
    // Scaled: the source rectangle must lie inside the source.
    int sx = xSrc, sy = ySrc, sw = wSrc, sh = hSrc;
    if (!ClipToView(sx, sy, sw, sh, src.width, src.height) || sx != xSrc || sy != ySrc || sw != wSrc || sh != hSrc)
        return FALSE;
    StretchRect(dst, xDest, yDest, wDest, hDest, src, xSrc, ySrc, wSrc, hSrc, rop);
    return TRUE;
}

} // namespace

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    return Transfer(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop)
{
    return Transfer(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD code)
{
    const Rop rop = RopFromCode(code);
    if (RopUsesSource(rop)) return FALSE;
    return Transfer(hdc, x, y, w, h, nullptr, 0, 0, w, h, code);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto b = std::make_unique<Brush>();
    b->color = color;
    return static_cast<HBRUSH>(Register(std::move(b)));
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    DeviceContext* dc = LookupDC(hDC);
    Brush* brush = Lookup<Brush>(hbr);
    if (dc == nullptr || lprc == nullptr || brush == nullptr) return 0;
    const PixelView view = TargetView(*dc);
    if (!view.valid() || brush->hollow) return 1;
    const int64_t w = int64_t{lprc->right} - lprc->left, h = int64_t{lprc->bottom} - lprc->top;
    if (w <= 0 || h <= 0) return 1;
    FillRaw(view, lprc->left, lprc->top, static_cast<int>(std::min<int64_t>(w, INT32_MAX)),
            static_cast<int>(std::min<int64_t>(h, INT32_MAX)), ColorToRaw(*dc, view, brush->color));
    return 1;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return CLR_INVALID;
    const PixelView view = TargetView(*dc);
    if (!view.valid() || x < 0 || y < 0 || x >= view.width || y >= view.height) return CLR_INVALID;
    const PixelCodec codec(view.layout, view.palette, view.paletteSize);
    return RgbToColorRef(codec.Read(view.Row(y), x));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return CLR_INVALID;
    const PixelView view = TargetView(*dc);
    if (!view.valid() || x < 0 || y < 0 || x >= view.width || y >= view.height) return CLR_INVALID;
    const PixelCodec codec(view.layout, view.palette, view.paletteSize);
    codec.PutRaw(view.Row(y), x, ColorToRaw(*dc, view, color));
    return RgbToColorRef(codec.Read(view.Row(y), x));
}
