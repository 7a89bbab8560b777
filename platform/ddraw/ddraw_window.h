// Where a window's client area lies on the virtual screen, and its pixels.
#pragma once
#include <cstdint>

#include "windef.h"

namespace kestu::platform::ddraw {

struct WindowTarget {
    uint32_t* pixels = nullptr; // X8R8G8B8, top-down, pitch = width
    int width = 0;
    int height = 0;
    int originX = 0; // client area's top-left in screen coordinates
    int originY = 0;
};

bool FindWindowTarget(HWND window, WindowTarget* out);
bool IsWindowHandle(HWND window);

} // namespace kestu::platform::ddraw
