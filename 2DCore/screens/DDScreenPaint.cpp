// CDD: locks, copies between screens, showing on the primary and filling it.
#include <cstring>

#include "2DCore/image/WinBufClip.h"
#include "kestu_ddscreen.h"
#include "kestu_pixelformat.h"

void* CDD::LockLoop(RECT* rect)
{
    if (m_offScreen == nullptr) return nullptr;
    for (;;) {
        m_desc.dwSize = sizeof(m_desc);
        const HRESULT hr = m_offScreen->Lock(rect, &m_desc, DDLOCK_WAIT, nullptr);
        if (hr == DD_OK) {
            m_pitch = m_desc.lPitch;
            return m_desc.lpSurface;
        }
        if (hr == DDERR_WASSTILLDRAWING) continue;
        if (hr != DDERR_SURFACELOST) return nullptr;
        hardware.m_bIsSurfaceLost = 1;
        IDirectDrawSurface4* lost = m_complex ? m_lpDDSPrimary : m_offScreen;
        if (lost == nullptr || FAILED(lost->Restore())) return nullptr;
    }
}

void* CDD::Prepare(GRECT* r)
{
    if (m_absLock != nullptr) return m_absLock;
    if (r == nullptr) return LockLoop(nullptr);
    RECT part{r->x, r->y, r->x + r->width, r->y + r->height};
    return LockLoop(&part);
}

void CDD::Unprepare()
{
    if (m_absLock != nullptr) {
        m_unprepareResult = 1;
        return;
    }
    m_unprepareResult = m_offScreen != nullptr && m_offScreen->Unlock(nullptr) == DD_OK ? 1 : 0;
}

int CDD::AbsLock()
{
    if (m_absLock != nullptr) return 1;
    m_absLock = LockLoop(nullptr);
    return m_absLock != nullptr ? 1 : 0;
}

int CDD::AbsUnLock()
{
    if (m_offScreen == nullptr) return 0;
    const HRESULT hr = m_offScreen->Unlock(nullptr);
    m_absLock = nullptr;
    return hr == DD_OK ? 1 : 0;
}

int CDD::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    if (dest == nullptr || dest->WhoAmI() != 0 || (paintType != PT_KEY && paintType != PT_COPY))
        return DBUF::Paint(dest, x, y, w, h, sx, sy, paintType, clip);
    CDD* target = static_cast<CDD*>(dest);
    GRECT s, t;
    if (!kestu2d::ClipPaint(m_rect, dest->GetRect(), x, y, w, h, sx, sy, clip, &s, &t)) return 0;
    if (m_offScreen == nullptr || target->m_offScreen == nullptr) return 0;
    RECT from{s.x, s.y, s.x + s.width, s.y + s.height};
    const DWORD flags = paintType == PT_KEY ? DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT : DDBLTFAST_WAIT;
    return target->m_offScreen->BltFast(DWORD(t.x), DWORD(t.y), m_offScreen, &from, flags) == DD_OK ? 1 : 0;
}

void CDD::SetTransColor(int colour)
{
    if (m_offScreen != nullptr) {
        DDCOLORKEY key{static_cast<DWORD>(colour), static_cast<DWORD>(colour)};
        m_offScreen->SetColorKey(DDCKEY_SRCBLT, &key);
    }
    m_transColor = colour;
}

int CDD::Paint(HWND window, int x, int y, int w, int h, int sx, int sy)
{
    if (m_lpDDSPrimary == nullptr || m_offScreen == nullptr) return 0;
    RECT wr{};
    if (!GetWindowRect(window, &wr)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, w, h), GRECT(0, 0, wr.right - wr.left, wr.bottom - wr.top))) return 0;
    t = GRECT(t.x + wr.left, t.y + wr.top, t.width, t.height);
    if (!t.Intersect(GRECT(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)))) return 0;
    const int srcX = t.x - wr.left - x + sx, srcY = t.y - wr.top - y + sy;
    RECT src{srcX, srcY, srcX + t.width, srcY + t.height};
    if (m_lpDDClipper != nullptr) {
        RECT dst{t.x, t.y, t.x + t.width, t.y + t.height};
        return m_lpDDSPrimary->Blt(&dst, m_offScreen, &src, DDBLT_WAIT, nullptr) == DD_OK ? 1 : 0;
    }
    for (;;) {
        const HRESULT hr = m_lpDDSPrimary->BltFast(DWORD(t.x), DWORD(t.y), m_offScreen, &src, DDBLTFAST_WAIT);
        if (hr == DDERR_SURFACELOST) {
            if (FAILED(m_lpDDSPrimary->Restore())) return 0;
            continue;
        }
        return FAILED(hr) ? 0 : 1;
    }
}

int CDD::FillScreen(HWND, int x, int y, int w, int h, int colour)
{
    if (m_lpDDSPrimary == nullptr) return 0;
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof(fx));
    fx.dwSize = sizeof(fx); // the structure's size on this platform
    fx.dwFillColor = static_cast<DWORD>(colour);
    RECT r{x, y, x + w, y + h};
    return m_lpDDSPrimary->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL, &fx) == DD_OK ? 1 : 0;
}
