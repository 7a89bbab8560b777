// DirectDraw palettes; changes to the primary's palette show at once.
#include <cstring>

#include "ddraw/ddraw_objects.h"
#include "ddraw/ddraw_screen.h"
#include "win32/com_result.h"

namespace kestu::platform::ddraw {

PaletteImpl::PaletteImpl(DWORD caps, const PALETTEENTRY* entries, int count)
    : caps_(caps), entries_(entries, entries + count)
{
}

HRESULT PaletteImpl::QueryInterface(REFIID riid, void** out)
{
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDirectDrawPalette) return E_NOINTERFACE;
    *out = static_cast<IDirectDrawPalette*>(this);
    AddRef();
    return S_OK;
}

HRESULT PaletteImpl::GetCaps(LPDWORD caps)
{
    if (caps == nullptr) return DDERR_INVALIDPARAMS;
    *caps = caps_;
    return DD_OK;
}

HRESULT PaletteImpl::GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries)
{
    if (entries == nullptr || flags != 0 || base >= entries_.size() || count > entries_.size() - base)
        return DDERR_INVALIDPARAMS;
    std::memcpy(entries, &entries_[base], count * sizeof(PALETTEENTRY));
    return DD_OK;
}

HRESULT PaletteImpl::SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries)
{
    if (entries == nullptr || flags != 0 || start >= entries_.size() || count > entries_.size() - start)
        return DDERR_INVALIDPARAMS;
    std::memcpy(&entries_[start], entries, count * sizeof(PALETTEENTRY));
    Screen& screen = Screen::Get();
    if (screen.shown() != nullptr && screen.shown()->palette() == this) screen.PaletteChanged();
    return DD_OK;
}

HRESULT ClipperImpl::QueryInterface(REFIID riid, void** out)
{
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDirectDrawClipper) return E_NOINTERFACE;
    *out = static_cast<IDirectDrawClipper*>(this);
    AddRef();
    return S_OK;
}

HRESULT ClipperImpl::GetHWnd(HWND* hwnd)
{
    if (hwnd == nullptr) return DDERR_INVALIDPARAMS;
    *hwnd = window_;
    return DD_OK;
}

HRESULT ClipperImpl::SetHWnd(DWORD flags, HWND hwnd)
{
    if (flags != 0) return DDERR_INVALIDPARAMS;
    window_ = hwnd;
    return DD_OK;
}

HRESULT ClipperImpl::IsClipListChanged(BOOL* changed)
{
    if (changed == nullptr) return DDERR_INVALIDPARAMS;
    *changed = FALSE;
    return DD_OK;
}

GammaImpl::GammaImpl(SurfaceImpl* surface) : surface_(surface) { surface_->AddRef(); }
GammaImpl::~GammaImpl() { surface_->Release(); }

HRESULT GammaImpl::QueryInterface(REFIID riid, void** out)
{
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IDirectDrawGammaControl) {
        *out = static_cast<IDirectDrawGammaControl*>(this);
        AddRef();
        return S_OK;
    }
    return surface_->QueryInterface(riid, out);
}

HRESULT GammaImpl::GetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp)
{
    if (ramp == nullptr || flags != 0) return DDERR_INVALIDPARAMS;
    *ramp = Screen::Get().gamma();
    return DD_OK;
}

HRESULT GammaImpl::SetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp)
{
    if (ramp == nullptr || (flags & ~static_cast<DWORD>(DDSGR_CALIBRATE)) != 0) return DDERR_INVALIDPARAMS;
    Screen& screen = Screen::Get();
    if (!screen.gammaCap()) return DDERR_UNSUPPORTED;
    screen.SetGamma(*ramp);
    if (screen.shown() == surface_) screen.Present(nullptr);
    return DD_OK;
}

} // namespace kestu::platform::ddraw

HRESULT DirectDrawCreateClipper(DWORD dwFlags, LPDIRECTDRAWCLIPPER* lplpDDClipper, IUnknown* pUnkOuter)
try {
    if (lplpDDClipper == nullptr) return DDERR_INVALIDPARAMS;
    *lplpDDClipper = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    if (dwFlags != 0) return DDERR_INVALIDPARAMS;
    *lplpDDClipper = new kestu::platform::ddraw::ClipperImpl();
    return DD_OK;
} catch (...) {
    return kestu::platform::ExceptionResult();
}
