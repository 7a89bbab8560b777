// The virtual screen behind DirectDraw: which primary surface is shown, the
// gamma ramp, driver caps the host offers, video memory, injected results,
// and the copy of the shown picture into the window's pixel store.
#pragma once
#include <array>
#include <set>
#include <vector>

#include "ddraw/ddraw_objects.h"
#include "ddraw/ddraw_window.h"
#include "host/host_ddraw.h"

namespace kestu::platform::ddraw {

class Screen {
public:
    static Screen& Get();

    // Live surfaces, for host-made loss.
    void Add(SurfaceImpl* s) { surfaces_.insert(s); }
    void Remove(SurfaceImpl* s);
    const std::set<SurfaceImpl*>& surfaces() const { return surfaces_; }
    void LoseAll();

    // The primary whose pixels are on the screen.
    void SetShown(SurfaceImpl* primary) { shown_ = primary; }
    SurfaceImpl* shown() const { return shown_; }

    // Copies the shown primary (within `dirty` in screen coordinates, or all
    // of it) to its window's pixel store.
    void Present(const RECT* dirty);
    // An 8-bit screen's palette is the system palette: the shown primary's
    // DirectDraw palette is copied into it (all entries in exclusive mode).
    void PaletteChanged();
    // The shown picture, X8R8G8B8 top-down.
    std::vector<uint32_t> Shown(int* width, int* height);

    const DDGAMMARAMP& gamma() const { return gamma_; }
    void SetGamma(const DDGAMMARAMP& ramp);
    void ResetGamma();
    bool gammaCap() const { return gammaCap_; }
    void SetGammaCap(bool on) { gammaCap_ = on; }

    uint64_t videoTotal() const { return videoTotal_; }
    uint64_t videoUsed() const { return videoUsed_; }
    void SetVideoTotal(uint64_t bytes) { videoTotal_ = bytes; }
    bool TakeVideo(uint64_t bytes);
    void GiveVideo(uint64_t bytes) { videoUsed_ -= bytes < videoUsed_ ? bytes : videoUsed_; }

    DirectDrawImpl* exclusiveOwner() const { return exclusive_; }
    void SetExclusiveOwner(DirectDrawImpl* dd) { exclusive_ = dd; }

    // True (with the result) when the host asked this call to fail.
    bool Injected(host::DDrawCall call, HRESULT* result);
    void Inject(host::DDrawCall call, HRESULT result, int times);
    void ResetHost();

private:
    Screen();
    // 0x00RRGGBB of each raw value of an 8-bit primary, gamma applied.
    std::array<uint32_t, 256> PaletteLut(const SurfaceImpl& primary) const;
    uint32_t Gamma(uint32_t rgb) const;
    void PresentTo(const WindowTarget& target, const RECT* dirty);

    std::set<SurfaceImpl*> surfaces_;
    SurfaceImpl* shown_ = nullptr;
    DDGAMMARAMP gamma_{};
    bool gammaIdentity_ = true; // lets 32-bit screens be copied row by row
    bool gammaCap_ = true;
    uint64_t videoTotal_ = 64u << 20;
    uint64_t videoUsed_ = 0;
    DirectDrawImpl* exclusive_ = nullptr;
    struct Injection {
        HRESULT result = DD_OK;
        int times = 0;
    };
    std::array<Injection, 8> injections_{};
};

} // namespace kestu::platform::ddraw
