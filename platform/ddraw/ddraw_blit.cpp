// Blt, BltFast and Flip.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ddraw/ddraw_objects.h"
#include "ddraw/ddraw_screen.h"
#include "ddraw/ddraw_window.h"

namespace kestu::platform::ddraw {
namespace {

struct KeyRange {
    bool on = false;
    uint32_t low = 0;
    uint32_t high = 0;
    bool Matches(uint32_t v) const { return v >= low && v <= high; }
};

bool RectInside(const RECT& r, int width, int height)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
}

template <class T>
T Load(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}
template <class T>
void Store(uint8_t* p, T v)
{
    std::memcpy(p, &v, sizeof(T));
}

// Same-format copy of one row span honouring the keys (hot path).
template <class T>
void KeyedRow(uint8_t* d, const uint8_t* s, int count, const KeyRange& src, const KeyRange& dst)
{
    for (int i = 0; i < count; ++i) {
        const T sv = Load<T>(s + i * sizeof(T));
        if (src.on && src.Matches(sv)) continue;
        if (dst.on && !dst.Matches(Load<T>(d + i * sizeof(T)))) continue;
        Store<T>(d + i * sizeof(T), sv);
    }
}

// Copies src rectangle `from` (full, unclipped) onto dst rectangle `to`,
// drawing only the part inside `clip` (a sub-rectangle of `to`).
void Transfer(const PixelView& dst, const RECT& to, const RECT& clip, const PixelView& src, const RECT& from,
              const KeyRange& srcKey, const KeyRange& dstKey)
{
    const int64_t toW = int64_t{to.right} - to.left, toH = int64_t{to.bottom} - to.top;
    const int64_t fromW = int64_t{from.right} - from.left, fromH = int64_t{from.bottom} - from.top;
    const bool stretch = toW != fromW || toH != fromH;
    const bool same = dst.layout == src.layout;
    const int bpp = dst.layout.bits / 8;
    if (same && !stretch) {
        const int count = clip.right - clip.left;
        for (int y = clip.top; y < clip.bottom; ++y) {
            uint8_t* d = dst.Row(y) + static_cast<size_t>(clip.left) * bpp;
            const uint8_t* s = src.Row(static_cast<int>(from.top + (int64_t{y} - to.top))) +
                               static_cast<size_t>(from.left + (int64_t{clip.left} - to.left)) * bpp;
            if (!srcKey.on && !dstKey.on) {
                std::memmove(d, s, static_cast<size_t>(count) * bpp);
            } else if (bpp == 1) {
                KeyedRow<uint8_t>(d, s, count, srcKey, dstKey);
            } else if (bpp == 2) {
                KeyedRow<uint16_t>(d, s, count, srcKey, dstKey);
            } else {
                KeyedRow<uint32_t>(d, s, count, srcKey, dstKey);
            }
        }
        return;
    }
    const PixelCodec dc(dst.layout, dst.palette, dst.paletteSize);
    const PixelCodec sc(src.layout, src.palette, src.paletteSize);
    for (int y = clip.top; y < clip.bottom; ++y) {
        const int sy = from.top + static_cast<int>(((int64_t{y} - to.top) * fromH) / toH);
        const uint8_t* srow = src.Row(sy);
        uint8_t* drow = dst.Row(y);
        for (int x = clip.left; x < clip.right; ++x) {
            const int sx = from.left + static_cast<int>(((int64_t{x} - to.left) * fromW) / toW);
            const uint32_t sv = sc.Raw(srow, sx);
            if (srcKey.on && srcKey.Matches(sv)) continue;
            if (dstKey.on && !dstKey.Matches(dc.Raw(drow, x))) continue;
            dc.PutRaw(drow, x, same ? sv : dc.RgbToRaw(sc.RawToRgb(sv)));
        }
    }
}

// Palette of an 8-bit surface as a colour table, for conversions.
std::vector<RGBQUAD> ColorTable(const SurfaceImpl& s)
{
    std::vector<RGBQUAD> out;
    if (s.palette() == nullptr) return out;
    for (const PALETTEENTRY& e : s.palette()->entries()) out.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
    return out;
}

// A view of a surface with its pixels copied, when source and destination are one.
struct ViewHolder {
    PixelView view;
    std::vector<RGBQUAD> table;
    std::vector<uint8_t> copy;
};

ViewHolder MakeView(SurfaceImpl& s, bool detach)
{
    ViewHolder h;
    h.view = s.View();
    h.table = ColorTable(s);
    h.view.palette = h.table.empty() ? nullptr : h.table.data();
    h.view.paletteSize = static_cast<int>(h.table.size());
    if (detach) {
        h.copy.assign(s.memory(), s.memory() + s.bytes());
        h.view.top = h.copy.data();
    }
    return h;
}

// The clip rectangle a clipper gives on a surface: its window's client area
// (in screen coordinates for the primary).
bool ClipperRect(const SurfaceImpl& s, RECT* out)
{
    if (s.clipper() == nullptr || s.clipper()->window() == nullptr) return false;
    WindowTarget t;
    if (!FindWindowTarget(s.clipper()->window(), &t)) {
        *out = RECT{0, 0, s.width(), s.height()};
        return true;
    }
    if (s.primary())
        *out = RECT{t.originX, t.originY, t.originX + t.width, t.originY + t.height};
    else
        *out = RECT{0, 0, t.width, t.height};
    return true;
}

bool Intersect(RECT& r, const RECT& with)
{
    r.left = std::max(r.left, with.left);
    r.top = std::max(r.top, with.top);
    r.right = std::min(r.right, with.right);
    r.bottom = std::min(r.bottom, with.bottom);
    return r.left < r.right && r.top < r.bottom;
}

} // namespace

HRESULT SurfaceImpl::Blt(LPRECT dst, LPDIRECTDRAWSURFACE4 src, LPRECT srcRect, DWORD flags, LPDDBLTFX fx)
{
    return BltImpl(dst, From(src), srcRect, flags, fx);
}

HRESULT SurfaceImpl::Blt(LPRECT dst, LPDIRECTDRAWSURFACE7 src, LPRECT srcRect, DWORD flags, LPDDBLTFX fx)
{
    return BltImpl(dst, From(src), srcRect, flags, fx);
}

HRESULT SurfaceImpl::BltImpl(LPRECT dstRect, SurfaceImpl* src, LPRECT srcRect, DWORD flags, LPDDBLTFX fx)
{
    HRESULT injected;
    if (Screen::Get().Injected(host::DDrawCall::Blt, &injected)) return injected;
    if (fx != nullptr && fx->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
    // Raster operations other than a copy, mirroring and alpha are not offered in the caps.
    if ((flags & DDBLT_ROP) && (fx == nullptr || fx->dwROP != SRCCOPY)) return DDERR_NORASTEROPHW;
    if (flags & (DDBLT_DDFX | DDBLT_DDROPS | DDBLT_ROTATIONANGLE)) return DDERR_NODDROPSHW;
    if (flags & (DDBLT_ALPHADEST | DDBLT_ALPHASRC | DDBLT_ALPHAEDGEBLEND | DDBLT_ALPHASRCCONSTOVERRIDE |
                 DDBLT_ALPHADESTCONSTOVERRIDE | DDBLT_ALPHASRCSURFACEOVERRIDE | DDBLT_ALPHADESTSURFACEOVERRIDE))
        return DDERR_NOALPHAHW;
    if (flags & (DDBLT_ZBUFFER | DDBLT_DEPTHFILL)) return DDERR_NOZBUFFERHW;
    if (lost_ || (src != nullptr && src->lost_)) return DDERR_SURFACELOST;
    if (locked_ || (src != nullptr && src->locked_)) return DDERR_SURFACEBUSY;

    RECT to{0, 0, width_, height_};
    if (dstRect != nullptr) {
        to = *dstRect;
        if (to.left >= to.right || to.top >= to.bottom) return DDERR_INVALIDRECT;
    }
    RECT clip = to;
    RECT window;
    if (ClipperRect(*this, &window)) {
        if (!Intersect(clip, RECT{0, 0, width_, height_}) || !Intersect(clip, window)) return DD_OK;
    } else if (!RectInside(to, width_, height_)) {
        return DDERR_INVALIDRECT;
    }

    if (flags & DDBLT_COLORFILL) {
        if (fx == nullptr) return DDERR_INVALIDPARAMS;
        PixelView v = View();
        const PixelCodec codec(v.layout, nullptr, 0);
        for (int y = clip.top; y < clip.bottom; ++y)
            for (int x = clip.left; x < clip.right; ++x) codec.PutRaw(v.Row(y), x, fx->dwFillColor);
        ShowIfVisible(&clip);
        return DD_OK;
    }
    if (src == nullptr) return DDERR_INVALIDPARAMS;

    RECT from{0, 0, src->width_, src->height_};
    if (srcRect != nullptr) {
        from = *srcRect;
        if (!RectInside(from, src->width_, src->height_)) return DDERR_INVALIDRECT;
    }
    KeyRange srcKey, dstKey;
    if (flags & DDBLT_KEYSRCOVERRIDE) {
        if (fx == nullptr) return DDERR_INVALIDPARAMS;
        srcKey = {true, fx->ddckSrcColorkey.dwColorSpaceLowValue, fx->ddckSrcColorkey.dwColorSpaceHighValue};
    } else if (flags & DDBLT_KEYSRC) {
        if (!src->hasSrcKey_) return DDERR_NOCOLORKEY;
        srcKey = {true, src->srcKey_.dwColorSpaceLowValue, src->srcKey_.dwColorSpaceHighValue};
    }
    if (flags & DDBLT_KEYDESTOVERRIDE) {
        if (fx == nullptr) return DDERR_INVALIDPARAMS;
        dstKey = {true, fx->ddckDestColorkey.dwColorSpaceLowValue, fx->ddckDestColorkey.dwColorSpaceHighValue};
    } else if (flags & DDBLT_KEYDEST) {
        if (!hasDestKey_) return DDERR_NOCOLORKEY;
        dstKey = {true, destKey_.dwColorSpaceLowValue, destKey_.dwColorSpaceHighValue};
    }
    if (format_.palettised() != src->format_.palettised() && !(format_.layout == src->format_.layout) &&
        src->format_.palettised() && src->palette_ == nullptr)
        return DDERR_NOPALETTEATTACHED;

    ViewHolder d = MakeView(*this, false);
    ViewHolder s = MakeView(*src, src == this);
    Transfer(d.view, to, clip, s.view, from, srcKey, dstKey);
    ShowIfVisible(&clip);
    return DD_OK;
}

HRESULT SurfaceImpl::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 src, LPRECT srcRect, DWORD trans)
{
    return BltFastImpl(x, y, From(src), srcRect, trans);
}

HRESULT SurfaceImpl::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 src, LPRECT srcRect, DWORD trans)
{
    return BltFastImpl(x, y, From(src), srcRect, trans);
}

HRESULT SurfaceImpl::BltFastImpl(DWORD x, DWORD y, SurfaceImpl* src, LPRECT srcRect, DWORD trans)
{
    HRESULT injected;
    if (Screen::Get().Injected(host::DDrawCall::BltFast, &injected)) return injected;
    if (src == nullptr) return DDERR_INVALIDPARAMS;
    if (lost_ || src->lost_) return DDERR_SURFACELOST;
    if (locked_ || src->locked_) return DDERR_SURFACEBUSY;
    if (clipper_ != nullptr && clipper_->window() != nullptr) return DDERR_BLTFASTCANTCLIP;

    RECT from{0, 0, src->width_, src->height_};
    if (srcRect != nullptr) from = *srcRect;
    if (!RectInside(from, src->width_, src->height_)) return DDERR_INVALIDRECT;
    if (x > static_cast<DWORD>(width_) || y > static_cast<DWORD>(height_)) return DDERR_INVALIDRECT;
    const RECT to{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + (from.right - from.left),
                  static_cast<LONG>(y) + (from.bottom - from.top)};
    if (!RectInside(to, width_, height_)) return DDERR_INVALIDRECT;

    KeyRange srcKey, dstKey;
    if (trans & DDBLTFAST_SRCCOLORKEY) {
        if (!src->hasSrcKey_) return DDERR_NOCOLORKEY;
        srcKey = {true, src->srcKey_.dwColorSpaceLowValue, src->srcKey_.dwColorSpaceHighValue};
    }
    if (trans & DDBLTFAST_DESTCOLORKEY) {
        if (!hasDestKey_) return DDERR_NOCOLORKEY;
        dstKey = {true, destKey_.dwColorSpaceLowValue, destKey_.dwColorSpaceHighValue};
    }
    ViewHolder d = MakeView(*this, false);
    ViewHolder s = MakeView(*src, src == this);
    Transfer(d.view, to, to, s.view, from, srcKey, dstKey);
    ShowIfVisible(&to);
    return DD_OK;
}

HRESULT SurfaceImpl::Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) { return FlipImpl(From(target), flags); }
HRESULT SurfaceImpl::Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) { return FlipImpl(From(target), flags); }

HRESULT SurfaceImpl::FlipImpl(SurfaceImpl* target, DWORD flags)
{
    HRESULT injected;
    if (Screen::Get().Injected(host::DDrawCall::Flip, &injected)) return injected;
    if (!primary_ || backBuffers_.empty()) return DDERR_NOTFLIPPABLE;
    if (lost_) return DDERR_SURFACELOST;
    if (locked_) return DDERR_SURFACEBUSY;
    for (SurfaceImpl* b : backBuffers_)
        if (b->locked_) return DDERR_SURFACEBUSY;
    if (target != nullptr) {
        if (std::find(backBuffers_.begin(), backBuffers_.end(), target) == backBuffers_.end())
            return DDERR_INVALIDPARAMS;
        memory_.swap(target->memory_);
    } else {
        // The back buffer moves to the front, the front to the end of the chain.
        SurfaceImpl* previous = this;
        for (SurfaceImpl* b : backBuffers_) {
            previous->memory_.swap(b->memory_);
            previous = b;
        }
    }
    ShowIfVisible(nullptr);
    return DD_OK;
}

} // namespace kestu::platform::ddraw
