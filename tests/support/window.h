// Windows for tests on the platform's in-memory desktop, and the pixels they
// show (presents, blits and GDI output land in a window's pixel store).
#pragma once
#include <cstdint>

#include "windows.h"

namespace kestu_test {

// A window of the given class, which is registered on first use (a class that
// exists already is kept). Null when the window cannot be made.
HWND MakeWindow(const char* className, int x, int y, int width, int height, DWORD style = WS_POPUP,
                WNDPROC proc = DefWindowProcA, HCURSOR cursor = nullptr);

// The 0xRRGGBB the window shows at (x, y); 0xDEADBEEF outside it.
uint32_t WindowPixel(HWND window, int x, int y);

// A window that lives as long as the test needs it.
class TestWindow {
public:
    TestWindow(const char* className, int x, int y, int width, int height, DWORD style = WS_POPUP)
        : hwnd(MakeWindow(className, x, y, width, height, style))
    {
    }
    ~TestWindow()
    {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    uint32_t Pixel(int x, int y) const { return WindowPixel(hwnd, x, y); }

    HWND hwnd = nullptr;
};

} // namespace kestu_test
