// Helpers for the DirectDraw tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ddraw.h"
#include "host/host_ddraw.h"
#include "host/host_win32.h"
#include "support/window.h"

namespace ddraw_test {

template <class T>
void SafeRelease(T*& p)
{
    if (p != nullptr) p->Release();
    p = nullptr;
}

inline DDSURFACEDESC2 Desc()
{
    DDSURFACEDESC2 d;
    std::memset(&d, 0, sizeof(d));
    d.dwSize = sizeof(d);
    return d;
}

inline DDPIXELFORMAT Format(int bits, DWORD r, DWORD g, DWORD b)
{
    DDPIXELFORMAT pf;
    std::memset(&pf, 0, sizeof(pf));
    pf.dwSize = sizeof(pf);
    pf.dwFlags = DDPF_RGB | (bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
    pf.dwRGBBitCount = static_cast<DWORD>(bits);
    pf.dwRBitMask = r;
    pf.dwGBitMask = g;
    pf.dwBBitMask = b;
    return pf;
}

// A DirectDraw object at the version-4 interface, reset host state around it.
class DDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::ResetWin32();
        host::ResetDDraw();
        LPDIRECTDRAW dd1 = nullptr;
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd1, nullptr), DD_OK);
        ASSERT_EQ(dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)), DD_OK);
        dd1->Release();
    }
    void TearDown() override
    {
        SafeRelease(dd);
        host::ResetDDraw();
        host::ResetWin32();
    }

    IDirectDrawSurface4* Offscreen(int w, int h, DWORD memory = DDSCAPS_SYSTEMMEMORY, const DDPIXELFORMAT* pf = nullptr)
    {
        DDSURFACEDESC2 d = Desc();
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (pf != nullptr ? DDSD_PIXELFORMAT : 0);
        d.dwWidth = static_cast<DWORD>(w);
        d.dwHeight = static_cast<DWORD>(h);
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memory;
        if (pf != nullptr) d.ddpfPixelFormat = *pf;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
        return s;
    }

    IDirectDrawSurface4* Primary(DWORD backBuffers = 0)
    {
        DDSURFACEDESC2 d = Desc();
        d.dwFlags = DDSD_CAPS | (backBuffers ? DDSD_BACKBUFFERCOUNT : 0);
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | (backBuffers ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0);
        d.dwBackBufferCount = backBuffers;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
        return s;
    }

    IDirectDraw4* dd = nullptr;
};

// Writes one raw pixel through a lock.
inline HRESULT PutPixel(IDirectDrawSurface4* s, int x, int y, uint32_t raw)
{
    DDSURFACEDESC2 d = Desc();
    HRESULT hr = s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    if (FAILED(hr)) return hr;
    const int bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
    std::memcpy(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, &raw, static_cast<size_t>(bytes));
    return s->Unlock(nullptr);
}

inline uint32_t GetRaw(IDirectDrawSurface4* s, int x, int y)
{
    DDSURFACEDESC2 d = Desc();
    if (FAILED(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr))) return 0xDEADBEEF;
    uint32_t raw = 0;
    const int bytes = static_cast<int>(d.ddpfPixelFormat.dwRGBBitCount / 8);
    std::memcpy(&raw, static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, static_cast<size_t>(bytes));
    s->Unlock(nullptr);
    return raw;
}

inline uint32_t ShownPixel(int x, int y)
{
    int w = 0, h = 0;
    std::vector<uint32_t> screen = host::ReadScreen(&w, &h);
    if (x < 0 || y < 0 || x >= w || y >= h) return 0xDEADBEEF;
    return screen[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
}

} // namespace ddraw_test

namespace ddraw_test {

// A borderless window for exclusive mode and for the pixels a primary shows.
struct TestWindow : kestu_test::TestWindow {
    TestWindow(int x, int y, int width, int height)
        : kestu_test::TestWindow("DDraw Test Window", x, y, width, height, WS_POPUP | WS_VISIBLE)
    {
    }
};

} // namespace ddraw_test
