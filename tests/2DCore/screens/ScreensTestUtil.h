// Shared helpers of the screen tests: windows, colour tables and pixels.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_ddraw.h"
#include "host/host_win32.h"
#include "kestu_colortable.h"
#include "support/window.h"
#include "windows.h"

namespace screens_test {

inline HWND MakeWindow(int x, int y, int w, int h) { return kestu_test::MakeWindow("screens", x, y, w, h); }

using kestu_test::WindowPixel;

inline uint32_t ScreenPixel(int x, int y)
{
    int w = 0, h = 0;
    std::vector<uint32_t> s = host::ReadScreen(&w, &h);
    if (x < 0 || y < 0 || x >= w || y >= h) return 0xDEADBEEF;
    return s[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
}

// Colour i is (red i, green 255 - i, blue i ^ 0x55).
inline std::vector<CCOL> RampColours()
{
    std::vector<CCOL> c(256);
    for (int i = 0; i < 256; ++i) c[size_t(i)] = CCOL{BYTE(i ^ 0x55), BYTE(255 - i), BYTE(i), 0};
    return c;
}

inline PALETTEENTRY PaletteEntry(HPALETTE pal, int i)
{
    PALETTEENTRY e{};
    GetPaletteEntries(pal, UINT(i), 1, &e);
    return e;
}

inline uint32_t Rgb(const PALETTEENTRY& e) { return (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue; }

// A fresh win32 and DirectDraw stand-in around each test.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::ResetWin32();
        host::ResetDDraw();
    }
    void TearDown() override
    {
        host::ResetDDraw();
        host::ResetWin32();
    }
};

} // namespace screens_test
