// Host control of the d3d8 stand-in: what the adapters offer, device loss,
// injected failures, counters and read-back for tests.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kestu_platform_api.h"
#include "windows.h"
#include "d3d8.h"

namespace host {

// Display modes every adapter offers; an empty list restores the built-in one
// (16- and 32-bit, 640x480 up to 2048x1536, several refresh rates).
KESTU_PLATFORM_API void D3D8SetDisplayModes(const std::vector<D3DDISPLAYMODE>& modes);
KESTU_PLATFORM_API std::vector<D3DDISPLAYMODE> D3D8GetDisplayModes();
// The mode GetAdapterDisplayMode reports (the desktop).
KESTU_PLATFORM_API void D3D8SetDesktopMode(const D3DDISPLAYMODE& mode);

// Adapter descriptions; an empty list offers one adapter per EGL device (at least one).
KESTU_PLATFORM_API void D3D8SetAdapters(const std::vector<std::string>& descriptions);

// Called on the caps of every GetDeviceCaps so tests can lower them.
using D3D8CapsFilter = std::function<void(D3DDEVTYPE type, D3DCAPS8& caps)>;
KESTU_PLATFORM_API void D3D8SetCapsFilter(D3D8CapsFilter filter);

// Vertex-shader constant registers of every device: it is reported as
// MaxVertexShaderConst, constants and shaders created from now on must stay
// within it, and their relative reads beyond it give 0. Clients that need
// more take their software paths. 0 (the default) gives all 256; larger
// values give 256.
void D3D8SetVertexShaderConstants(UINT count);

// Device loss: every live device becomes lost (TestCooperativeLevel gives
// D3DERR_DEVICELOST); after D3D8RegainDevices it gives D3DERR_DEVICENOTRESET
// until Reset succeeds.
KESTU_PLATFORM_API void D3D8LoseDevices();
KESTU_PLATFORM_API void D3D8RegainDevices();

enum class D3D8Failure { CreateDevice, Reset, CreateResource, Present };
// The next `count` calls of the given kind fail with `hr`.
KESTU_PLATFORM_API void D3D8InjectFailure(D3D8Failure what, HRESULT hr, int count = 1);

struct D3D8Counters {
    uint64_t drawCalls = 0;
    uint64_t primitives = 0;
    uint64_t stateChanges = 0;  // render, stage and transform changes
    uint64_t programsBuilt = 0; // GLSL programs generated
    uint64_t presents = 0;
};
KESTU_PLATFORM_API D3D8Counters D3D8GetCounters();
KESTU_PLATFORM_API void D3D8ResetCounters();

// The current render target's pixels as A8R8G8B8, top-down, pitch = width.
KESTU_PLATFORM_API bool D3D8ReadRenderTarget(IDirect3DDevice8* device, std::vector<uint32_t>& pixels, UINT& width,
                                             UINT& height);
// The back buffer's pixels, likewise.
KESTU_PLATFORM_API bool D3D8ReadBackBuffer(IDirect3DDevice8* device, std::vector<uint32_t>& pixels, UINT& width,
                                           UINT& height);

// Cursor state the device keeps (for tests).
struct D3D8CursorState {
    bool visible = false;
    UINT x = 0, y = 0, hotX = 0, hotY = 0;
    bool hasImage = false;
};
KESTU_PLATFORM_API bool D3D8GetCursorState(IDirect3DDevice8* device, D3D8CursorState& state);

// Everything above back to its defaults.
KESTU_PLATFORM_API void D3D8ResetDefaults();

} // namespace host
