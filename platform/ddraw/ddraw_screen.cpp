#include "ddraw/ddraw_screen.h"

#include <algorithm>
#include <cstring>

#include "ddraw/ddraw_window.h"
#include "gdi/gdi_display.h"
#include "winuser.h"

namespace kestu::platform::ddraw {

Screen& Screen::Get()
{
    static Screen screen;
    return screen;
}

Screen::Screen() { ResetGamma(); }

void Screen::Remove(SurfaceImpl* s)
{
    surfaces_.erase(s);
    if (shown_ == s) shown_ = nullptr;
}

void Screen::LoseAll()
{
    for (SurfaceImpl* s : surfaces_) s->SetLost();
}

void Screen::SetGamma(const DDGAMMARAMP& ramp)
{
    gamma_ = ramp;
    gammaIdentity_ = true;
    for (int i = 0; i < 256 && gammaIdentity_; ++i)
        gammaIdentity_ = (gamma_.red[i] >> 8) == i && (gamma_.green[i] >> 8) == i && (gamma_.blue[i] >> 8) == i;
}

void Screen::ResetGamma()
{
    gammaIdentity_ = true;
    for (int i = 0; i < 256; ++i) {
        const WORD v = static_cast<WORD>(i * 257);
        gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = v;
    }
}

bool Screen::TakeVideo(uint64_t bytes)
{
    if (videoUsed_ + bytes > videoTotal_) return false;
    videoUsed_ += bytes;
    return true;
}

bool Screen::Injected(host::DDrawCall call, HRESULT* result)
{
    Injection& inj = injections_[static_cast<size_t>(call)];
    if (inj.times <= 0) return false;
    --inj.times;
    *result = inj.result;
    return true;
}

void Screen::Inject(host::DDrawCall call, HRESULT result, int times)
{
    injections_[static_cast<size_t>(call)] = Injection{result, times};
}

void Screen::ResetHost()
{
    injections_ = {};
    gammaCap_ = true;
    videoTotal_ = 64u << 20;
    ResetGamma();
}

uint32_t Screen::Gamma(uint32_t rgb) const
{
    const uint32_t r = gamma_.red[(rgb >> 16) & 0xFF] >> 8;
    const uint32_t g = gamma_.green[(rgb >> 8) & 0xFF] >> 8;
    const uint32_t b = gamma_.blue[rgb & 0xFF] >> 8;
    return (r << 16) | (g << 8) | b;
}

std::array<uint32_t, 256> Screen::PaletteLut(const SurfaceImpl& primary) const
{
    std::array<uint32_t, 256> lut{};
    if (primary.palette() != nullptr) {
        const auto& e = primary.palette()->entries();
        for (size_t i = 0; i < lut.size() && i < e.size(); ++i)
            lut[i] = Gamma((static_cast<uint32_t>(e[i].peRed) << 16) | (e[i].peGreen << 8) | e[i].peBlue);
    } else {
        const auto& sys = display::SystemPalette();
        for (size_t i = 0; i < lut.size(); ++i)
            lut[i] = Gamma((static_cast<uint32_t>(sys[i].peRed) << 16) | (sys[i].peGreen << 8) | sys[i].peBlue);
    }
    return lut;
}

namespace {

// Converts one row of the primary to shown pixels.
class RowShower {
public:
    RowShower(const SurfaceImpl& primary, const std::array<uint32_t, 256>& lut,
              uint32_t (*gamma)(const Screen&, uint32_t), const Screen& screen)
        : layout_(primary.format().layout), codec_(layout_, nullptr, 0), lut_(lut), gamma_(gamma), screen_(screen)
    {
    }
    uint32_t Pixel(const uint8_t* row, int x) const
    {
        if (layout_.bits == 8) return lut_[row[x]];
        return gamma_(screen_, codec_.RawToRgb(codec_.Raw(row, x)));
    }

private:
    PixelLayout layout_;
    PixelCodec codec_;
    const std::array<uint32_t, 256>& lut_;
    uint32_t (*gamma_)(const Screen&, uint32_t);
    const Screen& screen_;
};

} // namespace

void Screen::Present(const RECT* dirty)
{
    if (shown_ == nullptr || shown_->lost()) return;
    HWND window = shown_->clipper() != nullptr && shown_->clipper()->window() != nullptr
                      ? shown_->clipper()->window()
                      : (shown_->owner() != nullptr ? shown_->owner()->window() : nullptr);
    // The desktop shows the whole screen; the window the part under its client area.
    HWND desktop = GetDesktopWindow();
    WindowTarget target;
    if (FindWindowTarget(desktop, &target)) PresentTo(target, dirty);
    if (window != nullptr && window != desktop && FindWindowTarget(window, &target)) PresentTo(target, dirty);
}

void Screen::PresentTo(const WindowTarget& target, const RECT* dirty)
{
    RECT area{target.originX, target.originY, target.originX + target.width, target.originY + target.height};
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, shown_->width());
    area.bottom = std::min<LONG>(area.bottom, shown_->height());
    if (dirty != nullptr) {
        area.left = std::max(area.left, dirty->left);
        area.top = std::max(area.top, dirty->top);
        area.right = std::min(area.right, dirty->right);
        area.bottom = std::min(area.bottom, dirty->bottom);
    }
    if (area.right <= area.left || area.bottom <= area.top) return;

    const uint8_t* base = shown_->memory();
    if (gammaIdentity_ && shown_->format().layout == PixelLayout::Xrgb32()) {
        for (LONG y = area.top; y < area.bottom; ++y) {
            const uint8_t* row = base + static_cast<size_t>(y) * shown_->pitch() + static_cast<size_t>(area.left) * 4;
            uint32_t* out =
                target.pixels + static_cast<size_t>(y - target.originY) * target.width + (area.left - target.originX);
            std::memcpy(out, row, static_cast<size_t>(area.right - area.left) * 4);
        }
        return;
    }
    const auto lut = PaletteLut(*shown_);
    const RowShower shower(
        *shown_, lut, [](const Screen& s, uint32_t rgb) { return s.Gamma(rgb); }, *this);
    for (LONG y = area.top; y < area.bottom; ++y) {
        const uint8_t* row = base + static_cast<size_t>(y) * shown_->pitch();
        uint32_t* out = target.pixels + static_cast<size_t>(y - target.originY) * target.width;
        for (LONG x = area.left; x < area.right; ++x) out[x - target.originX] = shower.Pixel(row, x);
    }
}

void Screen::PaletteChanged()
{
    if (shown_ == nullptr || shown_->palette() == nullptr || !shown_->format().palettised()) return;
    const bool exclusive = shown_->owner() != nullptr && shown_->owner()->exclusive();
    const auto& entries = shown_->palette()->entries();
    for (size_t i = 0; i < entries.size() && i < 256; ++i)
        if (exclusive || display::SystemEntryFree(static_cast<int>(i)))
            display::SetSystemEntry(static_cast<int>(i), entries[i]);
    Present(nullptr);
}

std::vector<uint32_t> Screen::Shown(int* width, int* height)
{
    std::vector<uint32_t> out;
    if (width != nullptr) *width = 0;
    if (height != nullptr) *height = 0;
    if (shown_ == nullptr) return out;
    const int w = shown_->width(), h = shown_->height();
    out.resize(static_cast<size_t>(w) * h);
    const auto lut = PaletteLut(*shown_);
    const RowShower shower(
        *shown_, lut, [](const Screen& s, uint32_t rgb) { return s.Gamma(rgb); }, *this);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = shown_->memory() + static_cast<size_t>(y) * shown_->pitch();
        for (int x = 0; x < w; ++x) out[static_cast<size_t>(y) * w + x] = shower.Pixel(row, x);
    }
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    return out;
}

} // namespace kestu::platform::ddraw
