// The DirectDraw object: cooperative level, display modes, caps and creation
// of surfaces, palettes and clippers.
#include <cstring>

#include "ddraw/ddraw_objects.h"
#include "ddraw/ddraw_screen.h"
#include "ddraw/ddraw_window.h"
#include "gdi/gdi_display.h"
#include "win32/com_result.h"

namespace kestu::platform::ddraw {
namespace {

constexpr int kMaxSurfaceSide = 16384;
constexpr DWORD kMaxBackBuffers = 3;

DWORD SurfaceCaps()
{
    return DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_FRONTBUFFER | DDSCAPS_OFFSCREENPLAIN |
           DDSCAPS_PALETTE | DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY | DDSCAPS_VISIBLE |
           DDSCAPS_LOCALVIDMEM;
}

void FillCaps(DDCAPS& caps, bool driver)
{
    const DWORD size = caps.dwSize;
    std::memset(&caps, 0, sizeof(caps));
    caps.dwSize = size;
    caps.dwCaps = DDCAPS_BLT | DDCAPS_BLTCOLORFILL | DDCAPS_BLTSTRETCH | DDCAPS_COLORKEY | DDCAPS_CANCLIP |
                  DDCAPS_CANCLIPSTRETCHED | DDCAPS_CANBLTSYSMEM | DDCAPS_PALETTE;
    caps.dwCaps2 = DDCAPS2_CANRENDERWINDOWED | DDCAPS2_WIDESURFACES;
    if (driver && Screen::Get().gammaCap()) caps.dwCaps2 |= DDCAPS2_PRIMARYGAMMA;
    caps.dwCKeyCaps = DDCKEYCAPS_SRCBLT | DDCKEYCAPS_DESTBLT;
    caps.dwPalCaps = DDPCAPS_8BIT | DDPCAPS_PRIMARYSURFACE | DDPCAPS_ALLOW256;
    const Screen& s = Screen::Get();
    caps.dwVidMemTotal = driver ? static_cast<DWORD>(s.videoTotal()) : 0;
    caps.dwVidMemFree = driver ? static_cast<DWORD>(s.videoTotal() - s.videoUsed()) : 0;
    caps.ddsOldCaps.dwCaps = SurfaceCaps();
    caps.ddsCaps.dwCaps = SurfaceCaps();
    caps.dwSVBCaps = caps.dwVSBCaps = caps.dwSSBCaps = caps.dwCaps;
    caps.dwSVBCKeyCaps = caps.dwVSBCKeyCaps = caps.dwSSBCKeyCaps = caps.dwCKeyCaps;
}

void FillModeDesc(DDSURFACEDESC2& desc)
{
    const display::Mode& m = display::Current();
    const DWORD size = desc.dwSize;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = size;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc.dwWidth = static_cast<DWORD>(m.width);
    desc.dwHeight = static_cast<DWORD>(m.height);
    desc.lPitch = m.width * (m.bits / 8);
    desc.dwRefreshRate = 60;
    SurfaceImpl::Format f = DisplayFormat();
    DDPIXELFORMAT& pf = desc.ddpfPixelFormat;
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB | (f.palettised() ? DDPF_PALETTEINDEXED8 : 0);
    pf.dwRGBBitCount = static_cast<DWORD>(f.layout.bits);
    pf.dwRBitMask = f.layout.rMask;
    pf.dwGBitMask = f.layout.gMask;
    pf.dwBBitMask = f.layout.bMask;
}

// The layout a surface description asks for.
bool FormatFromDesc(const DDPIXELFORMAT& pf, SurfaceImpl::Format* out)
{
    if (pf.dwSize != sizeof(DDPIXELFORMAT)) return false;
    if ((pf.dwFlags & DDPF_PALETTEINDEXED8) != 0) {
        if (pf.dwRGBBitCount != 8) return false;
        out->layout = PixelLayout::Indexed(8);
        return true;
    }
    if ((pf.dwFlags & DDPF_RGB) == 0) return false;
    const PixelLayout asked{static_cast<int>(pf.dwRGBBitCount), pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask};
    for (const PixelLayout& l : {PixelLayout::Rgb555(), PixelLayout::Rgb565(), PixelLayout::Xrgb32()})
        if (asked == l) {
            out->layout = l;
            return true;
        }
    return false;
}

DDSURFACEDESC2 FromV1(const DDSURFACEDESC& d)
{
    DDSURFACEDESC2 out{};
    out.dwSize = sizeof(DDSURFACEDESC2);
    out.dwFlags = d.dwFlags;
    out.dwHeight = d.dwHeight;
    out.dwWidth = d.dwWidth;
    out.dwBackBufferCount = d.dwBackBufferCount;
    out.ddckCKSrcBlt = d.ddckCKSrcBlt;
    out.ddckCKDestBlt = d.ddckCKDestBlt;
    out.ddpfPixelFormat = d.ddpfPixelFormat;
    out.ddsCaps.dwCaps = d.ddsCaps.dwCaps;
    return out;
}

} // namespace

SurfaceImpl::Format DisplayFormat()
{
    const display::Mode& m = display::Current();
    SurfaceImpl::Format f;
    if (m.bits == 8)
        f.layout = PixelLayout::Indexed(8);
    else if (m.bits == 16)
        f.layout = m.is555 ? PixelLayout::Rgb555() : PixelLayout::Rgb565();
    else
        f.layout = PixelLayout::Xrgb32();
    return f;
}

DirectDrawImpl::DirectDrawImpl() = default;

DirectDrawImpl::~DirectDrawImpl()
{
    Screen& s = Screen::Get();
    if (changedMode_) {
        display::RestoreDesktop();
        s.LoseAll();
    }
    if (s.exclusiveOwner() == this) {
        s.SetExclusiveOwner(nullptr);
        s.ResetGamma();
    }
}

HRESULT DirectDrawImpl::QueryInterface(REFIID riid, void** out)
{
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirectDraw)
        *out = static_cast<IDirectDraw*>(this);
    else if (riid == IID_IDirectDraw2)
        *out = static_cast<IDirectDraw2*>(this);
    else if (riid == IID_IDirectDraw4)
        *out = static_cast<IDirectDraw4*>(this);
    else if (riid == IID_IDirectDraw7)
        *out = static_cast<IDirectDraw7*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT DirectDrawImpl::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer)
try {
    return DirectDrawCreateClipper(flags, out, outer);
} catch (...) {
    return ExceptionResult();
}

HRESULT DirectDrawImpl::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out, IUnknown* outer)
try {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (level_ == 0) return DDERR_NOCOOPERATIVELEVELSET;
    if (entries == nullptr) return DDERR_INVALIDPARAMS;
    int count = 0;
    if (flags & DDPCAPS_8BIT)
        count = 256;
    else if (flags & DDPCAPS_4BIT)
        count = 16;
    else if (flags & DDPCAPS_2BIT)
        count = 4;
    else if (flags & DDPCAPS_1BIT)
        count = 2;
    else
        return DDERR_INVALIDPARAMS;
    *out = new PaletteImpl(flags, entries, count);
    return DD_OK;
} catch (...) {
    return ExceptionResult();
}

HRESULT DirectDrawImpl::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* out, IUnknown* outer)
{
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    SurfaceImpl* s = nullptr;
    const HRESULT hr = CreateSurfaceImpl(FromV1(*desc), &s);
    if (SUCCEEDED(hr)) *out = static_cast<IDirectDrawSurface*>(s);
    return hr;
}

HRESULT DirectDrawImpl::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* out, IUnknown* outer)
{
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    SurfaceImpl* s = nullptr;
    const HRESULT hr = CreateSurfaceImpl(*desc, &s);
    if (SUCCEEDED(hr)) *out = static_cast<IDirectDrawSurface4*>(s);
    return hr;
}

HRESULT DirectDrawImpl::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer)
{
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    SurfaceImpl* s = nullptr;
    const HRESULT hr = CreateSurfaceImpl(*desc, &s);
    if (SUCCEEDED(hr)) *out = static_cast<IDirectDrawSurface7*>(s);
    return hr;
}

HRESULT DirectDrawImpl::CreateSurfaceImpl(const DDSURFACEDESC2& desc, SurfaceImpl** out)
try {
    if (level_ == 0) return DDERR_NOCOOPERATIVELEVELSET;
    DWORD caps = (desc.dwFlags & DDSD_CAPS) ? desc.ddsCaps.dwCaps : DDSCAPS_OFFSCREENPLAIN;
    if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
    Screen& screen = Screen::Get();

    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
        if (primary_ != nullptr) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        DWORD backBuffers = 0;
        if (caps & DDSCAPS_FLIP) {
            if (!(caps & DDSCAPS_COMPLEX) || !(desc.dwFlags & DDSD_BACKBUFFERCOUNT) || desc.dwBackBufferCount == 0)
                return DDERR_INVALIDCAPS;
            if (desc.dwBackBufferCount > kMaxBackBuffers) return DDERR_INVALIDPARAMS;
            if (!exclusive()) return DDERR_NOEXCLUSIVEMODE;
            backBuffers = desc.dwBackBufferCount;
        }
        const display::Mode& m = display::Current();
        const SurfaceImpl::Format f = DisplayFormat();
        const DWORD memCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_VISIBLE;
        const DWORD frontCaps = (caps & ~DDSCAPS_SYSTEMMEMORY) | memCaps | (backBuffers ? DDSCAPS_FRONTBUFFER : 0);
        auto* front = new SurfaceImpl(this, m.width, m.height, f, frontCaps, true);
        if (!front->allocated()) {
            front->Release();
            return DDERR_OUTOFMEMORY;
        }
        for (DWORD i = 0; i < backBuffers; ++i) {
            const DWORD backCaps = (DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM) |
                                   (i == 0 ? DDSCAPS_BACKBUFFER : 0);
            auto* back = new SurfaceImpl(this, m.width, m.height, f, backCaps, false);
            if (!back->allocated()) {
                back->Release();
                front->Release();
                return DDERR_OUTOFMEMORY;
            }
            front->AttachBackBuffer(back);
        }
        primary_ = front;
        screen.SetShown(front);
        *out = front;
        return DD_OK;
    }

    if (!(desc.dwFlags & DDSD_WIDTH) || !(desc.dwFlags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    if (desc.dwWidth == 0 || desc.dwHeight == 0) return DDERR_INVALIDPARAMS;
    if (desc.dwWidth > kMaxSurfaceSide) return DDERR_TOOBIGWIDTH;
    if (desc.dwHeight > kMaxSurfaceSide) return DDERR_TOOBIGHEIGHT;
    if (caps & (DDSCAPS_FLIP | DDSCAPS_BACKBUFFER | DDSCAPS_FRONTBUFFER)) return DDERR_INVALIDCAPS;
    SurfaceImpl::Format f = DisplayFormat();
    if ((desc.dwFlags & DDSD_PIXELFORMAT) && !FormatFromDesc(desc.ddpfPixelFormat, &f)) return DDERR_INVALIDPIXELFORMAT;
    if (!(caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)) && !(caps & DDSCAPS_TEXTURE))
        caps |= DDSCAPS_VIDEOMEMORY; // placed in video memory when it fits
    const bool video = (caps & DDSCAPS_VIDEOMEMORY) != 0;
    const bool asked = (desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0 && (desc.dwFlags & DDSD_CAPS);
    auto* s = new SurfaceImpl(this, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight), f,
                              video ? (caps | DDSCAPS_LOCALVIDMEM) : caps, false);
    if (!s->allocated()) {
        s->Release();
        return video ? DDERR_OUTOFVIDEOMEMORY : DDERR_OUTOFMEMORY;
    }
    if (video && !screen.TakeVideo(s->bytes())) {
        s->Release();
        if (asked) return DDERR_OUTOFVIDEOMEMORY;
        // Not asked for video memory: fall back to system memory.
        DDSURFACEDESC2 sys = desc;
        sys.dwFlags |= DDSD_CAPS;
        sys.ddsCaps.dwCaps = (caps & ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM)) | DDSCAPS_SYSTEMMEMORY;
        return CreateSurfaceImpl(sys, out);
    }
    if (video) s->ChargeVideo(s->bytes());
    if (desc.dwFlags & DDSD_CKSRCBLT) s->SetColorKey(DDCKEY_SRCBLT, const_cast<LPDDCOLORKEY>(&desc.ddckCKSrcBlt));
    if (desc.dwFlags & DDSD_CKDESTBLT) s->SetColorKey(DDCKEY_DESTBLT, const_cast<LPDDCOLORKEY>(&desc.ddckCKDestBlt));
    *out = s;
    return DD_OK;
} catch (...) {
    return ExceptionResult();
}

void DirectDrawImpl::SurfaceGone(SurfaceImpl* s)
{
    if (primary_ == s) primary_ = nullptr;
}

HRESULT DirectDrawImpl::GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps)
{
    if (driverCaps == nullptr && helCaps == nullptr) return DDERR_INVALIDPARAMS;
    if ((driverCaps != nullptr && driverCaps->dwSize != sizeof(DDCAPS)) ||
        (helCaps != nullptr && helCaps->dwSize != sizeof(DDCAPS)))
        return DDERR_INVALIDPARAMS;
    if (driverCaps != nullptr) FillCaps(*driverCaps, true);
    if (helCaps != nullptr) FillCaps(*helCaps, false);
    return DD_OK;
}

HRESULT DirectDrawImpl::GetDisplayMode(LPDDSURFACEDESC desc)
{
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 full{};
    full.dwSize = sizeof(full);
    FillModeDesc(full);
    NarrowDesc(full, *desc);
    return DD_OK;
}

HRESULT DirectDrawImpl::GetDisplayMode(LPDDSURFACEDESC2 desc)
{
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    FillModeDesc(*desc);
    return DD_OK;
}

HRESULT DirectDrawImpl::RestoreDisplayMode()
{
    Screen& s = Screen::Get();
    HRESULT injected;
    if (s.Injected(host::DDrawCall::RestoreDisplayMode, &injected)) return injected;
    if (s.exclusiveOwner() != nullptr && s.exclusiveOwner() != this) return DDERR_NOEXCLUSIVEMODE;
    const display::Mode& cur = display::Current();
    const display::Mode& desk = display::Desktop();
    if (cur.width != desk.width || cur.height != desk.height || cur.bits != desk.bits) {
        display::RestoreDesktop();
        s.LoseAll();
    }
    changedMode_ = false;
    return DD_OK;
}

HRESULT DirectDrawImpl::SetCooperativeLevel(HWND hwnd, DWORD flags)
{
    Screen& s = Screen::Get();
    HRESULT injected;
    if (s.Injected(host::DDrawCall::SetCooperativeLevel, &injected)) return injected;
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
    if (normal == exclusive || exclusive != fullscreen) return DDERR_INVALIDPARAMS;
    if (exclusive && hwnd == nullptr) return DDERR_INVALIDPARAMS;
    if (hwnd != nullptr && !IsWindowHandle(hwnd)) return DDERR_INVALIDPARAMS;
    if (exclusive && s.exclusiveOwner() != nullptr && s.exclusiveOwner() != this) return DDERR_EXCLUSIVEMODEALREADYSET;
    if (window_ != nullptr && hwnd != window_ && primary_ != nullptr) return DDERR_HWNDALREADYSET;
    window_ = hwnd;
    level_ = flags;
    if (exclusive)
        s.SetExclusiveOwner(this);
    else if (s.exclusiveOwner() == this)
        s.SetExclusiveOwner(nullptr);
    return DD_OK;
}

HRESULT DirectDrawImpl::SetDisplayMode(DWORD width, DWORD height, DWORD bpp)
{
    return SetDisplayMode(width, height, bpp, 0, 0);
}

HRESULT DirectDrawImpl::SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refresh, DWORD flags)
{
    Screen& s = Screen::Get();
    HRESULT injected;
    if (s.Injected(host::DDrawCall::SetDisplayMode, &injected)) return injected;
    if (level_ == 0) return DDERR_NOCOOPERATIVELEVELSET;
    if (s.exclusiveOwner() != nullptr && s.exclusiveOwner() != this) return DDERR_NOEXCLUSIVEMODE;
    if (width == 0 || height == 0 || width > 65535 || height > 65535) return DDERR_INVALIDPARAMS;
    // The virtual screen keeps 8-, 16- and 32-bit pixels only.
    if (bpp != 8 && bpp != 16 && bpp != 32) return DDERR_UNSUPPORTEDMODE;
    if (refresh != 0 && refresh != 60) return DDERR_UNSUPPORTEDMODE;
    // The mode in force needs no change, offered or not.
    const display::Mode& cur = display::Current();
    if (cur.width == static_cast<int>(width) && cur.height == static_cast<int>(height) &&
        cur.bits == static_cast<int>(bpp))
        return DD_OK;
    if (!display::ModeOffered(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp)))
        return DDERR_INVALIDMODE;
    display::SetMode(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp));
    s.LoseAll();
    changedMode_ = true;
    return DD_OK;
}

HRESULT DirectDrawImpl::GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total, LPDWORD free)
{
    if (caps == nullptr) return DDERR_INVALIDPARAMS;
    DDSCAPS2 caps2{};
    caps2.dwCaps = caps->dwCaps;
    return GetAvailableVidMem(&caps2, total, free);
}

HRESULT DirectDrawImpl::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free)
{
    if (caps == nullptr || (total == nullptr && free == nullptr)) return DDERR_INVALIDPARAMS;
    const Screen& s = Screen::Get();
    if (total != nullptr) *total = static_cast<DWORD>(s.videoTotal());
    if (free != nullptr) *free = static_cast<DWORD>(s.videoTotal() - s.videoUsed());
    return DD_OK;
}

HRESULT DirectDrawImpl::RestoreAllSurfaces()
{
    HRESULT result = DD_OK;
    for (SurfaceImpl* s : Screen::Get().surfaces())
        if (s->owner() == this && s->lost()) {
            const HRESULT hr = s->Restore();
            if (FAILED(hr)) result = hr;
        }
    return result;
}

HRESULT DirectDrawImpl::TestCooperativeLevel()
{
    const Screen& s = Screen::Get();
    if (exclusive()) return DD_OK;
    if (s.exclusiveOwner() != nullptr && s.exclusiveOwner() != this) return DDERR_EXCLUSIVEMODEALREADYSET;
    return DD_OK;
}

} // namespace kestu::platform::ddraw

using kestu::platform::ddraw::DirectDrawImpl;

HRESULT DirectDrawCreate(GUID* lpGUID, LPDIRECTDRAW* lplpDD, IUnknown* pUnkOuter)
try {
    if (lplpDD == nullptr) return DDERR_INVALIDPARAMS;
    *lplpDD = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    const auto special = reinterpret_cast<uintptr_t>(lpGUID);
    if (lpGUID != nullptr && special != DDCREATE_HARDWAREONLY && special != DDCREATE_EMULATIONONLY)
        return DDERR_INVALIDDIRECTDRAWGUID;
    *lplpDD = static_cast<IDirectDraw*>(new DirectDrawImpl());
    return DD_OK;
} catch (...) {
    return kestu::platform::ExceptionResult();
}

HRESULT DirectDrawCreateEx(GUID* lpGuid, LPVOID* lplpDD, REFIID iid, IUnknown* pUnkOuter)
try {
    if (lplpDD == nullptr) return DDERR_INVALIDPARAMS;
    *lplpDD = nullptr;
    if (iid != IID_IDirectDraw7) return DDERR_INVALIDPARAMS;
    LPDIRECTDRAW dd = nullptr;
    const HRESULT hr = DirectDrawCreate(lpGuid, &dd, pUnkOuter);
    if (FAILED(hr)) return hr;
    *lplpDD = static_cast<IDirectDraw7*>(static_cast<DirectDrawImpl*>(dd));
    return DD_OK;
} catch (...) {
    return kestu::platform::ExceptionResult();
}
