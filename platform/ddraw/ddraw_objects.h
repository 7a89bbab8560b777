// The DirectDraw objects. Each class implements every version of its
// interface at once; QueryInterface hands out the matching base.
#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include "ddraw.h"
#include "gdi/gdi_pixels.h"

namespace kestu::platform::ddraw {

class DirectDrawImpl;
class PaletteImpl;
class ClipperImpl;

class RefCounted {
public:
    virtual ~RefCounted() = default;
    ULONG AddRefImpl() { return ++refs_; }
    ULONG ReleaseImpl()
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    ULONG refs_ = 1;
};

class PaletteImpl final : public IDirectDrawPalette, public RefCounted {
public:
    PaletteImpl(DWORD caps, const PALETTEENTRY* entries, int count);
    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }
    HRESULT GetCaps(LPDWORD caps) override;
    HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) override;
    HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) override;

    const std::vector<PALETTEENTRY>& entries() const { return entries_; }

private:
    DWORD caps_;
    std::vector<PALETTEENTRY> entries_;
};

class ClipperImpl final : public IDirectDrawClipper, public RefCounted {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }
    HRESULT GetHWnd(HWND* hwnd) override;
    HRESULT SetHWnd(DWORD flags, HWND hwnd) override;
    HRESULT IsClipListChanged(BOOL* changed) override;

    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
};

class SurfaceImpl final : public IDirectDrawSurface,
                          public IDirectDrawSurface3,
                          public IDirectDrawSurface4,
                          public IDirectDrawSurface7,
                          public RefCounted {
public:
    struct Format {
        PixelLayout layout;
        bool palettised() const { return layout.indexed(); }
    };

    SurfaceImpl(DirectDrawImpl* owner, int width, int height, const Format& format, DWORD caps, bool primary);
    ~SurfaceImpl() override;
    bool allocated() const { return !memory_.empty(); }

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }

    // Version 1 and 3.
    HRESULT GetCaps(LPDDSCAPS caps) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
    HRESULT Unlock(LPVOID data) override;
    HRESULT IsLost() override;
    HRESULT Restore() override;

    // Version 4 and 7.
    HRESULT Blt(LPRECT dst, LPDIRECTDRAWSURFACE4 src, LPRECT srcRect, DWORD flags, LPDDBLTFX fx) override;
    HRESULT Blt(LPRECT dst, LPDIRECTDRAWSURFACE7 src, LPRECT srcRect, DWORD flags, LPDDBLTFX fx) override;
    HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 src, LPRECT srcRect, DWORD trans) override;
    HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 src, LPRECT srcRect, DWORD trans) override;
    HRESULT Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) override;
    HRESULT Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* out) override;
    HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out) override;
    HRESULT GetBltStatus(DWORD flags) override;
    HRESULT GetCaps(LPDDSCAPS2 caps) override;
    HRESULT GetClipper(LPDIRECTDRAWCLIPPER* out) override;
    HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT GetFlipStatus(DWORD flags) override;
    HRESULT GetPalette(LPDIRECTDRAWPALETTE* out) override;
    HRESULT GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
    HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT Unlock(LPRECT rect) override;

    // Shared with the rest of the stand-in.
    static SurfaceImpl* From(IDirectDrawSurface4* s) { return s == nullptr ? nullptr : static_cast<SurfaceImpl*>(s); }
    static SurfaceImpl* From(IDirectDrawSurface7* s) { return s == nullptr ? nullptr : static_cast<SurfaceImpl*>(s); }
    IDirectDrawSurface4* As4() { return this; }

    int width() const { return width_; }
    int height() const { return height_; }
    const Format& format() const { return format_; }
    DWORD caps() const { return caps_; }
    bool primary() const { return primary_; }
    bool lost() const { return lost_; }
    void SetLost() { lost_ = true; }
    LONG pitch() const { return pitch_; }
    uint8_t* memory() { return memory_.data(); }
    PixelView View();
    PaletteImpl* palette() const { return palette_; }
    ClipperImpl* clipper() const { return clipper_; }
    DirectDrawImpl* owner() const { return owner_; }
    SurfaceImpl* chainFront() const { return front_; }
    uint64_t bytes() const { return memory_.size(); }

    // Flip chains: the front buffer owns its back buffers.
    void AttachBackBuffer(SurfaceImpl* back);
    void DetachFromFront() { front_ = nullptr; }
    // Video memory taken for this surface, given back when it goes.
    void ChargeVideo(uint64_t bytes) { videoBytes_ = bytes; }

    void FillDesc(DDSURFACEDESC2& desc) const;
    void FillPixelFormat(DDPIXELFORMAT& pf) const;

private:
    HRESULT LockImpl(LPRECT rect, DWORD flags, uint8_t** bits);
    HRESULT BltImpl(LPRECT dst, SurfaceImpl* src, LPRECT srcRect, DWORD flags, LPDDBLTFX fx);
    HRESULT BltFastImpl(DWORD x, DWORD y, SurfaceImpl* src, LPRECT srcRect, DWORD trans);
    HRESULT FlipImpl(SurfaceImpl* target, DWORD flags);
    HRESULT AttachedImpl(LPDDSCAPS2 caps, SurfaceImpl** out);
    void ShowIfVisible(const RECT* dirty);

    DirectDrawImpl* owner_;
    int width_;
    int height_;
    Format format_;
    DWORD caps_;
    bool primary_;
    unsigned modeSerial_;
    LONG pitch_ = 0;
    std::vector<uint8_t> memory_;
    bool lost_ = false;
    bool locked_ = false;
    bool hasSrcKey_ = false;
    bool hasDestKey_ = false;
    DDCOLORKEY srcKey_{};
    DDCOLORKEY destKey_{};
    PaletteImpl* palette_ = nullptr;
    ClipperImpl* clipper_ = nullptr;
    SurfaceImpl* front_ = nullptr;          // the front buffer of the chain this belongs to
    std::vector<SurfaceImpl*> backBuffers_; // held by the front buffer
    uint64_t videoBytes_ = 0;
};

class DirectDrawImpl final : public IDirectDraw,
                             public IDirectDraw2,
                             public IDirectDraw4,
                             public IDirectDraw7,
                             public RefCounted {
public:
    DirectDrawImpl();
    ~DirectDrawImpl() override;

    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }

    HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) override;
    HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out, IUnknown* outer) override;
    HRESULT CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* out, IUnknown* outer) override;
    HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* out, IUnknown* outer) override;
    HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer) override;
    HRESULT GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) override;
    HRESULT GetDisplayMode(LPDDSURFACEDESC desc) override;
    HRESULT GetDisplayMode(LPDDSURFACEDESC2 desc) override;
    HRESULT RestoreDisplayMode() override;
    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp, DWORD refresh, DWORD flags) override;
    HRESULT GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total, LPDWORD free) override;
    HRESULT GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) override;
    HRESULT RestoreAllSurfaces() override;
    HRESULT TestCooperativeLevel() override;

    HWND window() const { return window_; }
    DWORD level() const { return level_; }
    bool exclusive() const { return (level_ & DDSCL_EXCLUSIVE) != 0; }
    void SurfaceGone(SurfaceImpl* s);

private:
    HRESULT CreateSurfaceImpl(const DDSURFACEDESC2& desc, SurfaceImpl** out);

    HWND window_ = nullptr;
    DWORD level_ = 0;
    bool changedMode_ = false;
    SurfaceImpl* primary_ = nullptr;
};

class GammaImpl final : public IDirectDrawGammaControl, public RefCounted {
public:
    explicit GammaImpl(SurfaceImpl* surface);
    ~GammaImpl() override;
    HRESULT QueryInterface(REFIID riid, void** out) override;
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }
    HRESULT GetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) override;
    HRESULT SetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) override;

private:
    SurfaceImpl* surface_;
};

// The pixel format of the current display mode.
SurfaceImpl::Format DisplayFormat();

// Copies a full description into the older, smaller one (what callers of the
// first interface versions pass).
void NarrowDesc(const DDSURFACEDESC2& full, DDSURFACEDESC& desc);

} // namespace kestu::platform::ddraw
