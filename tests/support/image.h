// Pictures read back from a device or a window, compared with a tolerance per
// channel. A failed comparison writes the actual and the expected picture as
// PNG under build/test-output/ (the KESTU_TEST_OUTPUT folder CTest passes),
// named after the test: <Suite>.<Test>[-<what>]-actual.png and -expected.png.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "d3d8.h"
#include "host/host_win32.h"
#include "windows.h"

namespace kestu_test {

// X8R8G8B8 pixels, top-down, pitch = width.
using Image = host::WindowPixels;

// "<Suite>.<Test>" of the running test, safe as a file name.
std::string CurrentTestName();
// Where a picture called `name` goes: <output folder>/<name>.png.
std::string OutputPath(const std::string& name);

// The device's render target, or an empty picture.
Image ReadRenderTarget(IDirect3DDevice8* device);
// What the window shows, or an empty picture.
Image ReadWindow(HWND window);

// Every channel selected by `mask` differs by at most `tolerance`.
bool ChannelsNear(uint32_t a, uint32_t b, int tolerance, uint32_t mask = 0xFFFFFF);

// The pictures have one size and every pixel is near its counterpart.
testing::AssertionResult ImagesNear(const Image& actual, const Image& expected, int tolerance,
                                    const std::string& what = "", uint32_t mask = 0xFFFFFF);
// One pixel is near the expected colour; the expected picture is the actual
// one with that pixel set to the colour.
testing::AssertionResult PixelNear(const Image& actual, int x, int y, uint32_t expected, int tolerance,
                                   const std::string& what = "");

// Keeps the picture (<name>-actual.png) when the running test has failed.
void SaveIfFailed(const Image& picture, const std::string& what = "");

} // namespace kestu_test
