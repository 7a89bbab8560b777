// A small windowed device shared by the rendering tests of this folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/host.h"
#include "windows.h"
#include "d3d8.h"
#include "d3dx8.h"

class Core5Device : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 128;
    static constexpr UINT kHeight = 64;

    static void SetUpTestSuite()
    {
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = kWidth;
        pp.BackBufferHeight = kHeight;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));
        pp.Windowed = TRUE;
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
    }
    static void TearDownTestSuite()
    {
        if (device) device->Release();
        if (d3d) d3d->Release();
        device = nullptr;
        d3d = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(device, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }

    std::vector<uint32_t> Pixels()
    {
        std::vector<uint32_t> px;
        UINT w = 0, h = 0;
        EXPECT_TRUE(host::D3D8ReadRenderTarget(device, px, w, h));
        EXPECT_EQ(w, kWidth);
        EXPECT_EQ(h, kHeight);
        return px;
    }
    // Pixels in the rectangle [x0, x1) x [y0, y1) whose colour is not black.
    static int Lit(const std::vector<uint32_t>& px, UINT x0, UINT y0, UINT x1, UINT y1, uint32_t mask = 0xFFFFFF)
    {
        int n = 0;
        for (UINT y = y0; y < y1 && y < kHeight; ++y)
            for (UINT x = x0; x < x1 && x < kWidth; ++x)
                if (px.size() == kWidth * kHeight && (px[y * kWidth + x] & mask) != 0) ++n;
        return n;
    }
    // Keeps the frame when a test fails, for a look.
    void SaveOnFailure(const std::vector<uint32_t>& px, const char* name)
    {
        if (!::testing::Test::HasFailure()) return;
        const char* dir = std::getenv("KESTU_TEST_OUTPUT");
        if (!dir) return;
        host::WindowPixels wp;
        wp.width = kWidth;
        wp.height = kHeight;
        wp.pixels = px;
        host::SavePixelsPng(wp, std::string(dir) + "/" + name + ".png");
    }
    static uint64_t DrawCalls() { return host::D3D8GetCounters().drawCalls; }
    DWORD Render(D3DRENDERSTATETYPE type)
    {
        DWORD v = 0;
        device->GetRenderState(type, &v);
        return v;
    }
    DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type)
    {
        DWORD v = 0;
        device->GetTextureStageState(stage, type, &v);
        return v;
    }

    static IDirect3D8* d3d;
    static IDirect3DDevice8* device;
};
