#include "ddraw/ddraw_window.h"

#include "win32/window_store.h"
#include "winuser.h"

namespace kestu::platform::ddraw {

bool IsWindowHandle(HWND window) { return window != nullptr && IsWindow(window) != FALSE; }

bool FindWindowTarget(HWND window, WindowTarget* out)
{
    if (!IsWindowHandle(window)) return false;
    WindowStore* store = GetWindowStore(window);
    if (store == nullptr || store->width <= 0 || store->height <= 0 ||
        store->pixels.size() < static_cast<size_t>(store->width) * store->height)
        return false;
    POINT origin{0, 0};
    if (!ClientToScreen(window, &origin)) return false;
    out->pixels = store->pixels.data();
    out->width = store->width;
    out->height = store->height;
    out->originX = origin.x;
    out->originY = origin.y;
    return true;
}

} // namespace kestu::platform::ddraw
