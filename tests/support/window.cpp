#include "support/window.h"

#include <cstddef>

#include "host/host_win32.h"

namespace kestu_test {

HWND MakeWindow(const char* className, int x, int y, int width, int height, DWORD style, WNDPROC proc, HCURSOR cursor)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hCursor = cursor;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", style, x, y, width, height, nullptr, nullptr, nullptr, nullptr);
}

uint32_t WindowPixel(HWND window, int x, int y)
{
    host::WindowPixels px;
    if (!host::ReadWindowPixels(window, &px) || x < 0 || y < 0 || x >= px.width || y >= px.height) return 0xDEADBEEF;
    return px.pixels[static_cast<size_t>(y) * px.width + x] & 0xFFFFFF;
}

} // namespace kestu_test
