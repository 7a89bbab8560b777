// Helpers for the GDI tests: DIB sections and memory contexts.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/host_win32.h"
#include "support/image.h"
#include "windows.h"

namespace gdi_test {

// A BITMAPINFO with room for masks and a full colour table.
struct Info {
    BITMAPINFOHEADER header{};
    DWORD extra[256 + 3]{};
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
    RGBQUAD* colors() { return reinterpret_cast<RGBQUAD*>(extra); }
};

inline Info MakeInfo(int width, int height, int bits, DWORD compression = BI_RGB)
{
    Info info;
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = compression;
    return info;
}

// A memory context holding a new DIB section; released with the object.
struct DibDC {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint8_t* bits = nullptr;
    int width = 0, height = 0, stride = 0;

    DibDC(Info info)
    {
        dc = CreateCompatibleDC(nullptr);
        void* b = nullptr;
        bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &b, nullptr, 0);
        bits = static_cast<uint8_t*>(b);
        width = info.header.biWidth;
        height = info.header.biHeight < 0 ? -info.header.biHeight : info.header.biHeight;
        stride = ((width * info.header.biBitCount + 31) / 32) * 4;
        if (bitmap != nullptr) old = SelectObject(dc, bitmap);
    }
    ~DibDC()
    {
        if (old != nullptr) SelectObject(dc, old);
        if (bitmap != nullptr) DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DibDC(const DibDC&) = delete;
    DibDC& operator=(const DibDC&) = delete;

    uint32_t Pixel32(int x, int y) const // for 32-bit top-down sections
    {
        uint32_t v;
        std::memcpy(&v, bits + static_cast<size_t>(y) * stride + x * 4, 4);
        return v & 0xFFFFFF;
    }
};

// Keeps a 32-bit top-down section as PNG under build/test-output/ when the
// running test has failed, so the picture can be looked at.
inline void SaveIfFailed(const DibDC& dib, const std::string& name)
{
    if (dib.bits == nullptr) return;
    kestu_test::Image px;
    px.width = dib.width;
    px.height = dib.height;
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x) px.pixels.push_back(dib.Pixel32(x, y));
    kestu_test::SaveIfFailed(px, name);
}

// A 32-bit top-down DIB to read pixels from.
inline Info Top32(int w, int h) { return MakeInfo(w, -h, 32); }

} // namespace gdi_test
