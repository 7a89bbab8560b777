// CImageSurface: copies through Direct3D, locked copies, loading from 2D
// buffers and line drawing under a partial lock.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "2DCore/image/DrawPixels.h"
#include "2DCore/image/LinePath.h"
#include "2DCore/image/WinBufClip.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_api.h"
#include "kestu_imagesurface.h"
#include "kestu_log.h"
#include "kestu_pixelformat.h"

namespace {

// The device's render target when target is null; released with the object.
class TargetRef {
public:
    TargetRef(IDirect3DDevice8* device, IDirect3DSurface8* target) : m_target(target)
    {
        if (m_target == nullptr && device != nullptr && SUCCEEDED(device->GetRenderTarget(&m_fetched)))
            m_target = m_fetched;
    }
    ~TargetRef()
    {
        if (m_fetched != nullptr) m_fetched->Release();
    }
    TargetRef(const TargetRef&) = delete;
    TargetRef& operator=(const TargetRef&) = delete;
    IDirect3DSurface8* get() const { return m_target; }

private:
    IDirect3DSurface8* m_target = nullptr;
    IDirect3DSurface8* m_fetched = nullptr;
};

} // namespace

int CImageSurface::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    if (dest != nullptr && dest->WhoAmI() == 7 && paintType == PT_COPY) {
        auto* target = static_cast<CImageSurface*>(dest);
        if (target->m_desc.Format == m_desc.Format && m_surface != nullptr && target->m_surface != nullptr) {
            if (w < 0 || h < 0) return 0;
            GRECT s, t;
            if (!kestu2d::ClipPaint(m_rect, dest->GetRect(), x, y, w, h, sx, sy, clip, &s, &t)) return 0;
            const RECT rect{s.x, s.y, s.x + s.width, s.y + s.height};
            const POINT point{t.x, t.y};
            if (FAILED(PaintFast(&rect, 1, &point, target->m_surface)))
                DBUF::Paint(dest, x, y, w, h, sx, sy, PT_COPY, clip);
            return 1;
        }
    }
    return DBUF::Paint(dest, x, y, w, h, sx, sy, paintType, clip);
}

int CImageSurface::Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    return Paint(dest, x, y, m_rect.width, m_rect.height, 0, 0, paintType, clip);
}

int CImageSurface::Paint(HWND, int, int, int, int, int, int) { return 1; }

HRESULT CImageSurface::PaintFast(const RECT* rects, unsigned count, const POINT* points, IDirect3DSurface8* target)
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    if (m_desc.MultiSampleType != D3DMULTISAMPLE_NONE) return KESTUERR_INVALIDPARAM;
    TargetRef to(m_device, target);
    if (to.get() == nullptr) return KESTUERR_SURFACENOTBUILT;
    return m_device->CopyRects(m_surface, rects, count, to.get(), points);
}

HRESULT CImageSurface::PaintFast(IDirect3DSurface8* target)
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    if (target == nullptr) return KESTUERR_INVALIDPARAM;
    D3DSURFACE_DESC td;
    if (FAILED(target->GetDesc(&td))) return KESTUERR_INVALIDPARAM;
    if (m_desc.MultiSampleType != D3DMULTISAMPLE_NONE || td.MultiSampleType != D3DMULTISAMPLE_NONE ||
        td.Width != m_desc.Width || td.Height != m_desc.Height || td.Pool != D3DPOOL_SYSTEMMEM ||
        m_desc.Pool != D3DPOOL_DEFAULT)
        return KESTUERR_INVALIDPARAM;
    return m_device->CopyRects(m_surface, nullptr, 0, target, nullptr);
}

HRESULT CImageSurface::LockedCopy(const RECT& src, IDirect3DSurface8* target, const POINT& to)
{
    D3DSURFACE_DESC td;
    if (FAILED(target->GetDesc(&td))) return KESTUERR_INVALIDPARAM;
    const int bytes = static_cast<int>(GetBitCountByD3DFormat(m_desc.Format)) / 8;
    if (bytes != 2 && bytes != 4) return KESTUERR_GENERIC;
    // Copying by this surface's pixel size is only sound into the same size.
    if (static_cast<int>(GetBitCountByD3DFormat(td.Format)) / 8 != bytes) return KESTUERR_FORMATMISMATCH;
    const LONG w = src.right - src.left, h = src.bottom - src.top;
    const RECT dst{to.x, to.y, to.x + w, to.y + h};
    if (dst.left < 0 || dst.top < 0 || dst.right > LONG(td.Width) || dst.bottom > LONG(td.Height))
        return KESTUERR_INVALIDPARAM;
    if (target == m_surface) return KESTUERR_INVALIDPARAM;
    D3DLOCKED_RECT from{0, nullptr}, into{0, nullptr};
    HRESULT hr = m_surface->LockRect(&from, &src, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    hr = target->LockRect(&into, &dst, 0);
    if (FAILED(hr)) {
        m_surface->UnlockRect();
        return hr;
    }
    for (LONG y = 0; y < h; ++y)
        std::memcpy(static_cast<uint8_t*>(into.pBits) + static_cast<intptr_t>(y) * into.Pitch,
                    static_cast<const uint8_t*>(from.pBits) + static_cast<intptr_t>(y) * from.Pitch,
                    static_cast<size_t>(w) * bytes);
    target->UnlockRect();
    m_surface->UnlockRect();
    return 0;
}

HRESULT CImageSurface::Paint(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, unsigned long filter,
                             unsigned long mode, IDirect3DSurface8* target, const GRECT* clip)
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    TargetRef to(m_device, target);
    if (to.get() == nullptr) return KESTUERR_SURFACENOTBUILT;
    const GRECT* render = Kestu_GetCfg()->GetRenderRect();
    GRECT c = clip != nullptr ? *clip : GRECT(0, 0, render->width, render->height);
    RECT s;
    s.left = std::max(sx, 0);
    s.top = std::max(sy, 0);
    s.right = std::min<LONG>(s.left + sw, LONG(m_desc.Width));
    s.bottom = std::min<LONG>(s.top + sh, LONG(m_desc.Height));
    RECT t;
    t.left = std::max<LONG>(dx, c.x);
    t.top = std::max<LONG>(dy, c.y);
    t.right = std::min<LONG>(dx + dw, c.x + c.width);
    t.bottom = std::min<LONG>(dy + dh, c.y + c.height);
    if (s.right <= s.left || s.bottom <= s.top || t.right <= t.left || t.bottom <= t.top) return 0;
    if (filter != 1) return ScaledPaint(t, s, filter, to.get());

    // Unscaled: the source follows the target's cut, so nothing lands outside the clip.
    s.left += t.left - dx;
    s.top += t.top - dy;
    s.right = std::min(s.right, s.left + (t.right - t.left));
    s.bottom = std::min(s.bottom, s.top + (t.bottom - t.top));
    if (s.right <= s.left || s.bottom <= s.top) return 0;
    const POINT point{t.left, t.top};
    if (mode == 1) {
        const HRESULT hr = m_device->CopyRects(m_surface, &s, 1, to.get(), &point);
        if (SUCCEEDED(hr)) return hr;
        return LockedCopy(s, to.get(), point);
    }
    if (mode == 0) return LockedCopy(s, to.get(), point);
    return 0;
}

HRESULT CImageSurface::Paint(unsigned long filter, PAINT_TYPE mode, IDirect3DSurface8* target, const GRECT* clip)
{
    return Paint(0, 0, int(m_desc.Width), int(m_desc.Height), 0, 0, int(m_desc.Width), int(m_desc.Height), filter,
                 static_cast<unsigned long>(mode), target, clip);
}

HRESULT CImageSurface::Load(VPaper* src, PAINT_TYPE type, int x, int y, int w, int h, int sx, int sy, const GRECT* clip)
{
    if (m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    if (src == nullptr) return KESTUERR_INVALIDPARAM;
    if (src->WhoAmI() == 7) return static_cast<CImageSurface*>(src)->Paint(this, x, y, w, h, sx, sy, type, clip);
    const int format = src->GetPixelFormat();
    if (format == 15 || format == 32) return KESTUERR_FORMATMISMATCH;
    if (format != 16) return KESTUERR_FORMATNOTSUPPORTED;
    if (m_desc.Format != D3DFMT_R5G6B5) return KESTUERR_FORMATMISMATCH;
    if (sx < 0 || sy < 0) return KESTUERR_INVALIDPARAM;

    const GRECT c = clip != nullptr ? *clip : src->GetRect();
    w = std::min(w, src->GetWidth() - sx);
    h = std::min(h, src->GetHeight() - sy);
    const int left = std::max<int>(c.x, x), top = std::max<int>(c.y, y);
    const int right = std::min<int>(c.x + c.width, x + w), bottom = std::min<int>(c.y + c.height, y + h);
    w = std::min(w, right - left);
    h = std::min(h, bottom - top);
    w = std::min(w, int(m_desc.Width));
    h = std::min(h, int(m_desc.Height));
    if (w == 0 || h == 0) return 0;
    if (w < 0 || h < 0) return KESTUERR_INVALIDPARAM;
    if (src->WhoAmI() != 4) return 0;
    if (left < 0 || top < 0 || left + w > int(m_desc.Width) || top + h > int(m_desc.Height))
        return KESTUERR_INVALIDPARAM;
    if (type != PT_KEY && type != PT_COPY) return 0;

    // A cut at the target's left or top moves the source by as much.
    const int srcX = sx + (left - x), srcY = sy + (top - y);
    DBUF* from = static_cast<DBUF*>(src);
    const RECT part{left, top, left + w, top + h};
    uint8_t* dst = nullptr;
    const bool lockHere = m_locked.pBits == nullptr;
    if (lockHere) {
        const HRESULT hr = LockSurface(&part, 0);
        if (FAILED(hr)) return hr;
        dst = static_cast<uint8_t*>(m_locked.pBits);
    } else {
        const RECT& l = m_lockedRect;
        const bool whole = l.left == 0 && l.top == 0 && l.right == 0 && l.bottom == 0;
        if (!whole && (part.left < l.left || part.top < l.top || part.right > l.right || part.bottom > l.bottom))
            return KESTUERR_GENERIC;
        const LONG ox = whole ? part.left : part.left - l.left, oy = whole ? part.top : part.top - l.top;
        dst = static_cast<uint8_t*>(m_locked.pBits) + static_cast<intptr_t>(oy) * m_locked.Pitch + ox * 2;
    }
    void* base = from->Prepare(nullptr);
    if (base != nullptr) {
        const intptr_t step = static_cast<intptr_t>(from->GetOrientation()) * from->PitchCx();
        const uint8_t* s = static_cast<uint8_t*>(base) + step * srcY + srcX * 2;
        if (type == PT_KEY)
            BltColorKey16(dst, s, w, h, m_locked.Pitch, static_cast<int>(step), 16,
                          static_cast<uint32_t>(src->GetTransColor()));
        else
            BltCopyAnyDepth(dst, s, w, h, m_locked.Pitch, static_cast<int>(step), 16);
    }
    from->Unprepare();
    if (lockHere) UnlockSurface();
    return 0;
}

void CImageSurface::Line(int colour, int x1, int y1, int x2, int y2, const GRECT* clip)
{
    if (m_surface == nullptr || (m_pixelWidth != 16 && m_pixelWidth != 32)) return;
    kestu2d::LinePath path;
    if (!kestu2d::ClipLine(x1, y1, x2, y2, m_rect.width, m_rect.height, clip, path)) return;

    // Only the line's box is locked, unless a lock is already held.
    const bool lockHere = m_locked.pBits == nullptr;
    RECT area{LONG(path.left), LONG(path.top), LONG(path.right + 1), LONG(path.bottom + 1)};
    if (lockHere && FAILED(LockSurface(&area, 0))) return;
    const RECT& l = m_lockedRect;
    const bool whole = l.left == 0 && l.top == 0 && l.right == 0 && l.bottom == 0;
    const RECT held = whole ? RECT{0, 0, LONG(m_desc.Width), LONG(m_desc.Height)} : l;
    const int bytes = m_pixelWidth / 8;
    kestu2d::WalkLine(path, [&](int64_t px, int64_t py) {
        if (px < held.left || px >= held.right || py < held.top || py >= held.bottom) return;
        uint8_t* p = static_cast<uint8_t*>(m_locked.pBits) + static_cast<intptr_t>(py - held.top) * m_locked.Pitch +
                     (px - held.left) * bytes;
        kestu2d::WritePixel(p, m_pixelFormat == 15 ? 15 : (bytes == 2 ? 16 : 32), colour);
    });
    if (lockHere) UnlockSurface();
}
