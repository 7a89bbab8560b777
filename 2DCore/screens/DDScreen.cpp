// CDD: the shared DirectDraw objects, surfaces, display modes and logging.
#include <cstring>

#include "2DCore/screens/DDScreenLog.h"
#include "kestu_ddscreen.h"
#include "kestu_log.h"
#include "kestu_pixelformat.h"

IDirectDraw4* CDD::m_lpDD = nullptr;
IDirectDrawSurface4* CDD::m_lpDDSPrimary = nullptr;
IDirectDrawClipper* CDD::m_lpDDClipper = nullptr;
IDirectDrawPalette* CDD::m_lpDDPOffScreen = nullptr;
int CDD::m_iCntr = 0;
DDCAPS_DX7 CDD::m_ddDriverCaps{};
DDPIXELFORMAT CDD::m_ddpf{};
int CDD::m_flgCtblChged = -1;
float CDD::m_fLighteness = 1.0f;
DDGAMMARAMP CDD::m_OriginalGammaRamp{};
DDGAMMARAMP CDD::m_BaseGammaRamp{};

namespace {

template <class T>
void SafeRelease(T*& p)
{
    if (p != nullptr) p->Release();
    p = nullptr;
}

DDSURFACEDESC2 EmptyDesc()
{
    DDSURFACEDESC2 d;
    std::memset(&d, 0, sizeof(d));
    d.dwSize = sizeof(d);
    return d;
}

} // namespace

CDD::CDD()
{
    m_desc = EmptyDesc();
    if (m_lpDD != nullptr) return;
    LPDIRECTDRAW dd = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &dd, nullptr)) || dd == nullptr) return;
    IDirectDraw4* dd4 = nullptr;
    const HRESULT hr = dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4));
    dd->Release();
    if (FAILED(hr) || dd4 == nullptr) return;
    m_lpDD = dd4;
    std::memset(&m_ddDriverCaps, 0, sizeof(m_ddDriverCaps));
    m_ddDriverCaps.dwSize = 380;
    m_lpDD->GetCaps(&m_ddDriverCaps, nullptr);
    m_lpDDSPrimary = nullptr;
    m_lpDDClipper = nullptr;
    m_lpDDPOffScreen = nullptr;
    m_flgCtblChged = -1;
    SetPpgfx(new DDPGFX());
}

CDD::CDD(int w, int h, int systemMemory)
{
    m_desc = EmptyDesc();
    if (m_lpDD == nullptr) return;
    if (CreateSurface(w, h, systemMemory)) ReadPixelFormat();
}

CDD::~CDD()
{
    ReleaseSurface();
    if (m_iCntr < 1 && m_lpDD != nullptr) {
        const HRESULT hr = m_lpDD->RestoreDisplayMode();
        if (const char* text = kestu2d::RestoreResultText(hr)) KestuSaveLog(0, "%s", text);
        ReleaseShared();
        SafeRelease(m_lpDD);
    }
    // The palette object goes with WINDBUF; its DirectDraw palette may be gone.
    if (auto* pal = dynamic_cast<DDPGFX*>(GetPpgfx())) pal->SetDDPalette(nullptr);
}

int CDD::SetCooperativeLevel(HWND window, unsigned long flags)
{
    if (m_lpDD == nullptr) return 0;
    const HRESULT hr = m_lpDD->SetCooperativeLevel(window, static_cast<DWORD>(flags));
    if (const char* text = kestu2d::CooperativeResultText(hr)) KestuSaveLog(0, "%s", text);
    return hr == DD_OK ? 1 : 0;
}

void CDD::ReadPixelFormat()
{
    if (m_lpDDSPrimary == nullptr) return;
    DDPIXELFORMAT pf;
    std::memset(&pf, 0, sizeof(pf));
    pf.dwSize = 32;
    const HRESULT hr = m_lpDDSPrimary->GetPixelFormat(&pf);
    if (hr == DDERR_INVALIDPARAMS || hr == DDERR_INVALIDOBJECT || hr == DDERR_UNSUPPORTEDFORMAT) return;
    m_ddpf = pf;
    const DWORD bits = pf.dwRGBBitCount;
    m_pixelWidth = static_cast<uint8_t>(bits);
    if (bits == 8)
        m_pixelFormat = 8;
    else if (bits == 16)
        m_pixelFormat = pf.dwGBitMask == 0x7E0 ? 16 : 15;
    else if (bits == 24)
        m_pixelFormat = 24;
    else
        m_pixelFormat = 32;
}

int CDD::CreateSurfaces(int createOffScreen)
{
    if (m_complex) {
        if (!CreateFlipSurface()) return 0;
    } else {
        if (!CreatePrimarySurface()) return 0;
        if (createOffScreen && !CreateSurface(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0))
            return 0;
    }
    ReadPixelFormat();
    return 1;
}

int CDD::SetDisplayMode(HWND window, int createOffScreen, unsigned long flags)
{
    if (!SetCooperativeLevel(window, flags)) return 0;
    CreateSurfaces(createOffScreen);
    return 1;
}

int CDD::SetDisplayMode(HWND window, int width, int height, int bits, int createOffScreen, unsigned long flags)
{
    if (!SetCooperativeLevel(window, flags)) return 0;
    const HRESULT hr = m_lpDD->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bits), 0, 0);
    if (const char* text = kestu2d::DisplayModeResultText(hr)) KestuSaveLog(0, "%s", text);
    if (hr != DD_OK) return 0;
    CreateSurfaces(createOffScreen);
    return 1;
}

int CDD::RestoreDisplayMode()
{
    if (m_lpDD == nullptr) return 0;
    const HRESULT hr = m_lpDD->RestoreDisplayMode();
    SafeRelease(m_lpDDClipper);
    return hr == DD_OK ? 1 : 0;
}

int CDD::CreatePrimarySurface()
{
    if (m_lpDD == nullptr) return 0;
    if (m_lpDDSPrimary != nullptr) return 1;
    DDSURFACEDESC2 d = EmptyDesc();
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(m_lpDD->CreateSurface(&d, &m_lpDDSPrimary, nullptr)) || m_lpDDSPrimary == nullptr) {
        m_lpDDSPrimary = nullptr;
        return 0;
    }
    ReadPixelFormat();
    // A palette of an earlier primary does not belong to this one.
    SafeRelease(m_lpDDPOffScreen);
    return 1;
}

int CDD::CreateFlipSurface()
{
    if (m_lpDD == nullptr) return 0;
    if (m_lpDDSPrimary == nullptr) {
        DDSURFACEDESC2 d = EmptyDesc();
        d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        d.dwBackBufferCount = 1;
        if (FAILED(m_lpDD->CreateSurface(&d, &m_lpDDSPrimary, nullptr)) || m_lpDDSPrimary == nullptr) {
            m_lpDDSPrimary = nullptr;
            return 0;
        }
    }
    if (m_offScreen != nullptr) return 1;
    m_desc = EmptyDesc();
    m_desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    m_desc.ddsCaps.dwCaps = DDSCAPS_BACKBUFFER;
    m_desc.dwWidth = static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN));
    m_desc.dwHeight = static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN));
    m_rect = GRECT(0, 0, LONG(m_desc.dwWidth), LONG(m_desc.dwHeight));
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (FAILED(m_lpDDSPrimary->GetAttachedSurface(&caps, &m_offScreen)) || m_offScreen == nullptr) {
        m_offScreen = nullptr;
        return 0;
    }
    // The screen metrics may still describe the desktop; the image must not
    // be larger than the back buffer it draws into.
    DDSURFACEDESC2 actual = EmptyDesc();
    if (SUCCEEDED(m_offScreen->GetSurfaceDesc(&actual))) {
        m_desc.dwWidth = actual.dwWidth;
        m_desc.dwHeight = actual.dwHeight;
        m_rect = GRECT(0, 0, LONG(actual.dwWidth), LONG(actual.dwHeight));
    }
    ++m_iCntr;
    DDSCAPS2 primaryCaps{};
    if (SUCCEEDED(m_lpDDSPrimary->GetCaps(&primaryCaps)))
        hardware.m_bPrimaryInVideoMemory = (primaryCaps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0 ? 1 : 0;
    return 1;
}

int CDD::CreateSurface(int w, int h, int systemMemory)
{
    if (m_lpDD == nullptr || w <= 0 || h <= 0) return 0;
    if (!CreatePrimarySurface()) return 0;
    if (m_offScreen != nullptr) return 1;
    m_desc = EmptyDesc();
    m_desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    m_desc.dwWidth = static_cast<DWORD>(w);
    m_desc.dwHeight = static_cast<DWORD>(h);
    m_desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (systemMemory ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
    HRESULT hr = m_lpDD->CreateSurface(&m_desc, &m_offScreen, nullptr);
    if (FAILED(hr) && !systemMemory) {
        m_desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        hr = m_lpDD->CreateSurface(&m_desc, &m_offScreen, nullptr);
    }
    if (FAILED(hr) || m_offScreen == nullptr) {
        m_offScreen = nullptr;
        return 0;
    }
    m_rect = GRECT(0, 0, w, h);
    ++m_iCntr;
    return 1;
}

void CDD::ReleaseShared()
{
    SafeRelease(m_lpDDPOffScreen);
    SafeRelease(m_lpDDClipper);
    SafeRelease(m_lpDDSPrimary);
}

int CDD::ReleaseSurface()
{
    if (m_offScreen == nullptr) return 0;
    if (m_complex && m_absLock != nullptr) {
        m_offScreen->Unlock(nullptr);
        m_absLock = nullptr;
    }
    SafeRelease(m_offScreen);
    --m_iCntr;
    if (m_iCntr <= 0) {
        m_iCntr = 0;
        if (auto* pal = dynamic_cast<DDPGFX*>(GetPpgfx())) pal->SetDDPalette(nullptr);
        ReleaseShared();
    }
    return 1;
}

int CDD::Flip()
{
    if (m_lpDDSPrimary == nullptr) return 0;
    const HRESULT hr = m_lpDDSPrimary->Flip(nullptr, DDFLIP_WAIT);
    return FAILED(hr) ? 0 : 1;
}

int CDD::AddToClipList(HWND window)
{
    if (m_lpDD == nullptr || m_lpDDSPrimary == nullptr) return 0;
    if (m_lpDDClipper == nullptr) {
        if (FAILED(m_lpDD->CreateClipper(0, &m_lpDDClipper, nullptr)) || m_lpDDClipper == nullptr) {
            m_lpDDClipper = nullptr;
            return 0;
        }
        m_lpDDSPrimary->SetClipper(m_lpDDClipper);
    }
    return m_lpDDClipper->SetHWnd(0, window) == DD_OK ? 1 : 0;
}

int CDD::CreateColorTable(HWND window, HPALETTE palette)
{
    if (m_lpDD == nullptr) return 0;
    if (m_lpDDPOffScreen == nullptr) {
        PALETTEENTRY e[256] = {};
        HDC dc = GetDC(window);
        if (dc != nullptr) {
            GetSystemPaletteEntries(dc, 0, 256, e);
            ReleaseDC(window, dc);
        }
        if (palette != nullptr) GetPaletteEntries(palette, 10, 236, &e[10]);
        if (FAILED(m_lpDD->CreatePalette(DDPCAPS_8BIT, e, &m_lpDDPOffScreen, nullptr)) || m_lpDDPOffScreen == nullptr) {
            m_lpDDPOffScreen = nullptr;
            return 0;
        }
        if (m_lpDDSPrimary != nullptr) m_lpDDSPrimary->SetPalette(m_lpDDPOffScreen);
    }
    if (auto* pal = dynamic_cast<DDPGFX*>(GetPpgfx())) pal->SetDDPalette(m_lpDDPOffScreen);
    return 1;
}
