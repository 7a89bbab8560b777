#include "gdi/gdi_display.h"

#include <algorithm>

#include "host/host_win32.h"
#include "winuser.h"

namespace kestu::platform::display {
namespace {

// The twenty static colours of a palette display: ten at each end.
constexpr PALETTEENTRY kStaticLow[10] = {
    {0, 0, 0, 0},     {128, 0, 0, 0},   {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
};
constexpr PALETTEENTRY kStaticHigh[10] = {
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0}, {255, 255, 255, 0},
};

std::vector<host::DisplayModeDesc> DefaultModes()
{
    std::vector<host::DisplayModeDesc> modes;
    const int sizes[][2] = {{640, 480},  {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},
                            {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1080}, {2048, 1536}};
    for (const auto& s : sizes)
        for (int bits : {8, 16, 32}) modes.push_back({s[0], s[1], bits});
    return modes;
}

// The screen size lives with the window code (GetSystemMetrics); this keeps
// the colour depth and the desktop size to return to after a mode change.
struct State {
    Mode desktop;
    Mode current;
    bool modeActive = false;
    bool use555 = false;
    unsigned serial = 0;
    std::vector<host::DisplayModeDesc> modes = DefaultModes();
    std::array<PALETTEENTRY, 256> system{};
    UINT use = SYSPAL_STATIC;
    const void* realized = nullptr;
};

void FillStatic(std::array<PALETTEENTRY, 256>& pal)
{
    for (int i = 0; i < 10; ++i) {
        pal[i] = kStaticLow[i];
        pal[246 + i] = kStaticHigh[i];
    }
}

State MakeState()
{
    State s;
    FillStatic(s.system);
    return s;
}

State& S()
{
    static State state = MakeState();
    return state;
}

} // namespace

const Mode& Current()
{
    State& s = S();
    s.current.width = GetSystemMetrics(SM_CXSCREEN);
    s.current.height = GetSystemMetrics(SM_CYSCREEN);
    if (!s.modeActive) s.current.bits = s.desktop.bits;
    s.current.is555 = s.current.bits == 16 && s.use555;
    return s.current;
}

const Mode& Desktop()
{
    State& s = S();
    if (!s.modeActive) {
        s.desktop.width = GetSystemMetrics(SM_CXSCREEN);
        s.desktop.height = GetSystemMetrics(SM_CYSCREEN);
    }
    s.desktop.is555 = s.desktop.bits == 16 && s.use555;
    return s.desktop;
}
unsigned ModeSerial() { return S().serial; }

bool ModeOffered(int width, int height, int bits)
{
    const auto& modes = S().modes;
    return std::any_of(modes.begin(), modes.end(), [&](const host::DisplayModeDesc& m) {
        return m.width == width && m.height == height && m.bits == bits;
    });
}

bool SetMode(int width, int height, int bits)
{
    if (!ModeOffered(width, height, bits)) return false;
    State& s = S();
    if (!s.modeActive) {
        Desktop();
        s.modeActive = true;
    }
    s.current.bits = bits;
    host::SetScreenSize(width, height);
    ++s.serial;
    return true;
}

void RestoreDesktop()
{
    State& s = S();
    if (s.modeActive) {
        s.modeActive = false;
        host::SetScreenSize(s.desktop.width, s.desktop.height);
    }
    ++s.serial;
}

void SetDesktopMode(const host::DisplayModeDesc& mode)
{
    State& s = S();
    s.modeActive = false;
    s.desktop.width = mode.width;
    s.desktop.height = mode.height;
    s.desktop.bits = mode.bits;
    host::SetScreenSize(mode.width, mode.height);
    ++s.serial;
}

void SetAvailableModes(const std::vector<host::DisplayModeDesc>& modes) { S().modes = modes; }

void Set16Bit555(bool use555)
{
    State& s = S();
    s.use555 = use555;
    s.desktop.is555 = s.desktop.bits == 16 && use555;
    s.current.is555 = s.current.bits == 16 && use555;
}

void ResetDisplay()
{
    State& s = S();
    s.desktop = Mode{};
    s.current = Mode{};
    s.use555 = false;
    s.modeActive = false;
    s.modes = DefaultModes();
    host::SetScreenSize(s.desktop.width, s.desktop.height);
    ++s.serial;
}

const std::array<PALETTEENTRY, 256>& SystemPalette() { return S().system; }
UINT SystemPaletteUse() { return S().use; }

UINT SetSystemPaletteUse(UINT use)
{
    if (use != SYSPAL_STATIC && use != SYSPAL_NOSTATIC && use != SYSPAL_NOSTATIC256) return SYSPAL_ERROR;
    State& s = S();
    const UINT previous = s.use;
    s.use = use;
    if (use == SYSPAL_STATIC) {
        FillStatic(s.system);
    } else if (use == SYSPAL_NOSTATIC) {
        // Black and white stay at the ends for the rest of the desktop.
        s.system[0] = PALETTEENTRY{0, 0, 0, 0};
        s.system[255] = PALETTEENTRY{255, 255, 255, 0};
    }
    return previous;
}

bool SystemEntryFree(int index)
{
    switch (S().use) {
    case SYSPAL_NOSTATIC: return index >= 1 && index <= 254;
    case SYSPAL_NOSTATIC256: return index >= 0 && index <= 255;
    default: return index >= 10 && index <= 245;
    }
}

void SetSystemEntry(int index, const PALETTEENTRY& entry)
{
    if (index < 0 || index > 255) return;
    S().system[index] = PALETTEENTRY{entry.peRed, entry.peGreen, entry.peBlue, 0};
}

const void* RealizedPalette() { return S().realized; }
void SetRealizedPalette(const void* palette) { S().realized = palette; }

void ResetSystemPalette()
{
    State& s = S();
    s.system = {};
    FillStatic(s.system);
    s.use = SYSPAL_STATIC;
    s.realized = nullptr;
}

} // namespace kestu::platform::display
