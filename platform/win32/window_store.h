// The pixels a window shows. Every window owns one store the size of its
// client area; Direct3D presents, DirectDraw primary surfaces and GDI blits
// land in it, and the host interface reads or saves it.
#pragma once
#include <cstdint>
#include <vector>

#include "windef.h"

namespace kestu::platform {

struct WindowStore {
    int32_t width = 0;            // client-area width in pixels
    int32_t height = 0;           // client-area height in pixels
    std::vector<uint32_t> pixels; // X8R8G8B8, top-down, pitch = width
};

// The store of a live window, resized with its client area; null when the
// handle is not a window.
WindowStore* GetWindowStore(HWND hwnd);

} // namespace kestu::platform
