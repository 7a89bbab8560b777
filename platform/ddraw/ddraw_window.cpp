#include "ddraw/ddraw_window.h"

#include "win32/window_store.h"

namespace kestu::platform {
WindowStore* GetWindowStore(HWND hwnd) __attribute__((weak));
}

namespace kestu::platform::ddraw {

bool IsWindowHandle(HWND window)
{
    if (window == nullptr) return false;
    // Without the window code linked in, any handle stands for a window.
    if (&GetWindowStore == nullptr) return true;
    return GetWindowStore(window) != nullptr;
}

bool FindWindowTarget(HWND window, WindowTarget* out)
{
    if (window == nullptr || &GetWindowStore == nullptr) return false;
    WindowStore* store = GetWindowStore(window);
    if (store == nullptr || store->width <= 0 || store->height <= 0 ||
        store->pixels.size() < static_cast<size_t>(store->width) * store->height)
        return false;
    out->pixels = store->pixels.data();
    out->width = store->width;
    out->height = store->height;
    out->originX = 0;
    out->originY = 0;
    return true;
}

} // namespace kestu::platform::ddraw
