// Surfaces: memory, descriptions, locks, colour keys, palette and clipper.
#include <cstring>

#include "ddraw/ddraw_objects.h"
#include "ddraw/ddraw_screen.h"
#include "gdi/gdi_display.h"
#include "win32/com_result.h"

namespace kestu::platform::ddraw {
namespace {

// Rows are padded beyond their bytes, as display drivers do.
LONG PitchFor(int width, int bits)
{
    const int64_t rowBytes = int64_t{width} * (bits / 8);
    return static_cast<LONG>(((rowBytes + 15) / 16) * 16 + 16);
}

bool RectInside(const RECT& r, int width, int height)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= width && r.bottom <= height;
}

} // namespace

SurfaceImpl::SurfaceImpl(DirectDrawImpl* owner, int width, int height, const Format& format, DWORD caps, bool primary)
    : owner_(owner), width_(width), height_(height), format_(format), caps_(caps), primary_(primary),
      modeSerial_(display::ModeSerial())
{
    owner_->AddRef();
    pitch_ = PitchFor(width, format.layout.bits);
    const uint64_t bytes = static_cast<uint64_t>(pitch_) * static_cast<uint64_t>(height);
    try {
        memory_.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        memory_.clear();
    }
    if (primary_) front_ = this;
    Screen::Get().Add(this);
}

SurfaceImpl::~SurfaceImpl()
{
    Screen& screen = Screen::Get();
    screen.Remove(this);
    screen.GiveVideo(videoBytes_);
    for (SurfaceImpl* back : backBuffers_) {
        back->DetachFromFront();
        back->Release();
    }
    if (palette_ != nullptr) palette_->Release();
    if (clipper_ != nullptr) clipper_->Release();
    owner_->SurfaceGone(this);
    owner_->Release();
}

void SurfaceImpl::AttachBackBuffer(SurfaceImpl* back)
{
    back->front_ = this;
    backBuffers_.push_back(back);
}

HRESULT SurfaceImpl::QueryInterface(REFIID riid, void** out)
{
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown)
        *out = static_cast<IUnknown*>(static_cast<IDirectDrawSurface4*>(this));
    else if (riid == IID_IDirectDrawSurface)
        *out = static_cast<IDirectDrawSurface*>(this);
    else if (riid == IID_IDirectDrawSurface3)
        *out = static_cast<IDirectDrawSurface3*>(this);
    else if (riid == IID_IDirectDrawSurface4)
        *out = static_cast<IDirectDrawSurface4*>(this);
    else if (riid == IID_IDirectDrawSurface7)
        *out = static_cast<IDirectDrawSurface7*>(this);
    else if (riid == IID_IDirectDrawGammaControl && primary_) {
        *out = static_cast<IDirectDrawGammaControl*>(new GammaImpl(this));
        return S_OK;
    } else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

PixelView SurfaceImpl::View()
{
    PixelView v;
    v.top = memory_.data();
    v.width = width_;
    v.height = height_;
    v.stride = pitch_;
    v.layout = format_.layout;
    return v;
}

void SurfaceImpl::FillPixelFormat(DDPIXELFORMAT& pf) const
{
    std::memset(&pf, 0, sizeof(pf));
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB | (format_.palettised() ? DDPF_PALETTEINDEXED8 : 0);
    pf.dwRGBBitCount = static_cast<DWORD>(format_.layout.bits);
    pf.dwRBitMask = format_.layout.rMask;
    pf.dwGBitMask = format_.layout.gMask;
    pf.dwBBitMask = format_.layout.bMask;
}

void SurfaceImpl::FillDesc(DDSURFACEDESC2& desc) const
{
    const DWORD size = desc.dwSize;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = size;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width_);
    desc.dwHeight = static_cast<DWORD>(height_);
    desc.lPitch = pitch_;
    desc.ddsCaps.dwCaps = caps_;
    FillPixelFormat(desc.ddpfPixelFormat);
    if (primary_ && !backBuffers_.empty()) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = static_cast<DWORD>(backBuffers_.size());
    }
    if (hasSrcKey_) {
        desc.dwFlags |= DDSD_CKSRCBLT;
        desc.ddckCKSrcBlt = srcKey_;
    }
    if (hasDestKey_) {
        desc.dwFlags |= DDSD_CKDESTBLT;
        desc.ddckCKDestBlt = destKey_;
    }
}

HRESULT SurfaceImpl::GetSurfaceDesc(LPDDSURFACEDESC2 desc)
{
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    FillDesc(*desc);
    return DD_OK;
}

HRESULT SurfaceImpl::GetSurfaceDesc(LPDDSURFACEDESC desc)
{
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 full{};
    full.dwSize = sizeof(full);
    FillDesc(full);
    NarrowDesc(full, *desc);
    return DD_OK;
}

void NarrowDesc(const DDSURFACEDESC2& full, DDSURFACEDESC& desc)
{
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(DDSURFACEDESC);
    desc.dwFlags = full.dwFlags;
    desc.dwWidth = full.dwWidth;
    desc.dwHeight = full.dwHeight;
    desc.lPitch = full.lPitch;
    desc.dwBackBufferCount = full.dwBackBufferCount;
    desc.dwRefreshRate = full.dwRefreshRate;
    desc.ddckCKSrcBlt = full.ddckCKSrcBlt;
    desc.ddckCKDestBlt = full.ddckCKDestBlt;
    desc.ddpfPixelFormat = full.ddpfPixelFormat;
    desc.ddsCaps.dwCaps = full.ddsCaps.dwCaps;
}

HRESULT SurfaceImpl::GetPixelFormat(LPDDPIXELFORMAT format)
{
    if (format == nullptr || format->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    FillPixelFormat(*format);
    return DD_OK;
}

HRESULT SurfaceImpl::GetCaps(LPDDSCAPS caps)
{
    if (caps == nullptr) return DDERR_INVALIDPARAMS;
    caps->dwCaps = caps_;
    return DD_OK;
}

HRESULT SurfaceImpl::GetCaps(LPDDSCAPS2 caps)
{
    if (caps == nullptr) return DDERR_INVALIDPARAMS;
    std::memset(caps, 0, sizeof(*caps));
    caps->dwCaps = caps_;
    return DD_OK;
}

HRESULT SurfaceImpl::LockImpl(LPRECT rect, DWORD flags, uint8_t** bits)
try {
    HRESULT injected;
    if (Screen::Get().Injected(host::DDrawCall::Lock, &injected)) return injected;
    if (lost_) return DDERR_SURFACELOST;
    if (locked_) return DDERR_SURFACEBUSY;
    RECT r{0, 0, width_, height_};
    if (rect != nullptr) {
        if (!RectInside(*rect, width_, height_)) return DDERR_INVALIDRECT;
        r = *rect;
    }
    locked_ = true;
    *bits =
        memory_.data() + static_cast<size_t>(r.top) * pitch_ + static_cast<size_t>(r.left) * (format_.layout.bits / 8);
    return DD_OK;
} catch (...) {
    return ExceptionResult();
}

HRESULT SurfaceImpl::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event)
{
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    uint8_t* bits = nullptr;
    const HRESULT hr = LockImpl(rect, flags, &bits);
    if (FAILED(hr)) return hr;
    FillDesc(*desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = bits;
    return DD_OK;
}

HRESULT SurfaceImpl::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event)
{
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    uint8_t* bits = nullptr;
    const HRESULT hr = LockImpl(rect, flags, &bits);
    if (FAILED(hr)) return hr;
    GetSurfaceDesc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = bits;
    return DD_OK;
}

HRESULT SurfaceImpl::Unlock(LPRECT rect)
{
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    ShowIfVisible(nullptr);
    return DD_OK;
}

HRESULT SurfaceImpl::Unlock(LPVOID data) { return Unlock(static_cast<LPRECT>(nullptr)); }

HRESULT SurfaceImpl::IsLost() { return lost_ ? DDERR_SURFACELOST : DD_OK; }

HRESULT SurfaceImpl::Restore()
{
    HRESULT injected;
    if (Screen::Get().Injected(host::DDrawCall::Restore, &injected)) return injected;
    if (front_ != nullptr && front_ != this) return front_->Restore();
    if (primary_ && modeSerial_ != display::ModeSerial()) {
        // A primary made for another mode cannot come back unless the mode matches again.
        const display::Mode& m = display::Current();
        if (m.width != width_ || m.height != height_ || m.bits != format_.layout.bits) return DDERR_WRONGMODE;
        modeSerial_ = display::ModeSerial();
    }
    lost_ = false;
    for (SurfaceImpl* back : backBuffers_) back->lost_ = false;
    ShowIfVisible(nullptr);
    return DD_OK;
}

HRESULT SurfaceImpl::SetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    const bool src = (flags & DDCKEY_SRCBLT) != 0;
    const bool dest = (flags & DDCKEY_DESTBLT) != 0;
    if (src == dest)
        return (flags & (DDCKEY_SRCOVERLAY | DDCKEY_DESTOVERLAY)) ? DDERR_UNSUPPORTED : DDERR_INVALIDPARAMS;
    bool& has = src ? hasSrcKey_ : hasDestKey_;
    DDCOLORKEY& stored = src ? srcKey_ : destKey_;
    if (key == nullptr) {
        has = false;
        return DD_OK;
    }
    stored = *key;
    if (!(flags & DDCKEY_COLORSPACE)) stored.dwColorSpaceHighValue = stored.dwColorSpaceLowValue;
    if (stored.dwColorSpaceHighValue < stored.dwColorSpaceLowValue) {
        has = false;
        return DDERR_INVALIDPARAMS;
    }
    has = true;
    return DD_OK;
}

HRESULT SurfaceImpl::GetColorKey(DWORD flags, LPDDCOLORKEY key)
{
    if (key == nullptr) return DDERR_INVALIDPARAMS;
    if (flags == DDCKEY_SRCBLT) {
        if (!hasSrcKey_) return DDERR_NOCOLORKEY;
        *key = srcKey_;
        return DD_OK;
    }
    if (flags == DDCKEY_DESTBLT) {
        if (!hasDestKey_) return DDERR_NOCOLORKEY;
        *key = destKey_;
        return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
}

HRESULT SurfaceImpl::SetPalette(LPDIRECTDRAWPALETTE palette)
{
    if (palette != nullptr && !format_.palettised()) return DDERR_INVALIDPIXELFORMAT;
    auto* next = static_cast<PaletteImpl*>(palette);
    if (next != nullptr) next->AddRef();
    if (palette_ != nullptr) palette_->Release();
    palette_ = next;
    if (primary_ && Screen::Get().shown() == this) Screen::Get().PaletteChanged();
    return DD_OK;
}

HRESULT SurfaceImpl::GetPalette(LPDIRECTDRAWPALETTE* out)
{
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = palette_;
    if (palette_ == nullptr) return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    return DD_OK;
}

HRESULT SurfaceImpl::SetClipper(LPDIRECTDRAWCLIPPER clipper)
{
    auto* next = static_cast<ClipperImpl*>(clipper);
    if (next != nullptr) next->AddRef();
    if (clipper_ != nullptr) clipper_->Release();
    clipper_ = next;
    return DD_OK;
}

HRESULT SurfaceImpl::GetClipper(LPDIRECTDRAWCLIPPER* out)
{
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = clipper_;
    if (clipper_ == nullptr) return DDERR_NOCLIPPERATTACHED;
    clipper_->AddRef();
    return DD_OK;
}

HRESULT SurfaceImpl::GetBltStatus(DWORD flags) { return lost_ ? DDERR_SURFACELOST : DD_OK; }
HRESULT SurfaceImpl::GetFlipStatus(DWORD flags) { return lost_ ? DDERR_SURFACELOST : DD_OK; }

HRESULT SurfaceImpl::AttachedImpl(LPDDSCAPS2 caps, SurfaceImpl** out)
{
    if (caps == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    // The chain in flip order: front, back 1, back 2, ...
    SurfaceImpl* front = front_;
    if (front == nullptr) return DDERR_NOTFOUND;
    std::vector<SurfaceImpl*> chain{front};
    chain.insert(chain.end(), front->backBuffers_.begin(), front->backBuffers_.end());
    size_t me = 0;
    while (me < chain.size() && chain[me] != this) ++me;
    for (size_t step = 1; step < chain.size(); ++step) {
        SurfaceImpl* candidate = chain[(me + step) % chain.size()];
        if ((candidate->caps_ & caps->dwCaps) == caps->dwCaps) {
            candidate->AddRef();
            *out = candidate;
            return DD_OK;
        }
    }
    return DDERR_NOTFOUND;
}

HRESULT SurfaceImpl::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* out)
{
    SurfaceImpl* s = nullptr;
    const HRESULT hr = AttachedImpl(caps, &s);
    if (out != nullptr) *out = s;
    return hr;
}

HRESULT SurfaceImpl::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out)
{
    SurfaceImpl* s = nullptr;
    const HRESULT hr = AttachedImpl(caps, &s);
    if (out != nullptr) *out = s;
    return hr;
}

void SurfaceImpl::ShowIfVisible(const RECT* dirty)
{
    Screen& screen = Screen::Get();
    if (primary_ && screen.shown() == this) screen.Present(dirty);
}

} // namespace kestu::platform::ddraw
