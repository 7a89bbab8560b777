// Host control of the DirectDraw and GDI stand-ins: the display the virtual
// screen offers, driver caps, lost surfaces and injected results, and the
// shown picture of the virtual screen.
#pragma once
#include <cstdint>
#include <vector>

#include "ddraw.h"
#include "kestu_platform_api.h"

namespace host {

struct DisplayModeDesc {
    int width = 0;
    int height = 0;
    int bits = 0; // 8, 16 (565 or 555, see SetDisplay16Bit555) or 32
};

// The desktop mode the virtual screen starts in and returns to on
// RestoreDisplayMode (default 1024 x 768 x 32).
KESTU_PLATFORM_API void SetDesktopMode(const DisplayModeDesc& mode);
// The modes SetDisplayMode accepts; any other answers DDERR_INVALIDMODE.
KESTU_PLATFORM_API void SetAvailableModes(const std::vector<DisplayModeDesc>& modes);
// 16-bit modes use 555 pixels instead of 565.
KESTU_PLATFORM_API void SetDisplay16Bit555(bool use555);
// The current mode of the virtual screen.
KESTU_PLATFORM_API DisplayModeDesc GetCurrentMode();

// Driver capabilities. Without primary gamma the gamma ramp cannot be set.
KESTU_PLATFORM_API void SetPrimaryGammaCap(bool available);
// Video memory in bytes (default 64 MiB); surfaces asked for in video memory
// fail with DDERR_OUTOFVIDEOMEMORY beyond it.
KESTU_PLATFORM_API void SetVideoMemory(uint32_t bytes);

// Every live surface becomes lost, as after another application took the
// display; Restore brings each back.
KESTU_PLATFORM_API void LoseAllSurfaces();
KESTU_PLATFORM_API void LoseSurface(IDirectDrawSurface4* surface);

// Injected results: the next `times` calls of the kind answer `result`
// whatever their wait flags (a driver that reports itself busy), without
// doing anything.
enum class DDrawCall { Lock, Blt, BltFast, Flip, SetCooperativeLevel, SetDisplayMode, RestoreDisplayMode, Restore };
KESTU_PLATFORM_API void InjectResult(DDrawCall call, HRESULT result, int times);
inline void InjectStillDrawing(DDrawCall call, int times) { InjectResult(call, DDERR_WASSTILLDRAWING, times); }

// The virtual screen as shown: the primary surface after palette and gamma,
// X8R8G8B8, top-down, width x height of the current mode. Empty while no
// primary surface exists.
KESTU_PLATFORM_API std::vector<uint32_t> ReadScreen(int* width, int* height);

// Forget every injected result and return the display to its defaults.
// Live objects stay alive.
KESTU_PLATFORM_API void ResetDDraw();

} // namespace host
