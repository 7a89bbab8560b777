// A small windowed device shared by the rendering tests of this folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/host.h"
#include "support/device.h"
#include "windows.h"
#include "d3d8.h"
#include "d3dx8.h"

class Core5Device : public testdevice::DeviceSuite<128, 64> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }

    std::vector<uint32_t> Pixels() { return Picture().pixels; }
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
    static void SaveOnFailure(const std::vector<uint32_t>& px, const char* name)
    {
        kestu_test::Image image;
        image.width = kWidth;
        image.height = kHeight;
        image.pixels = px;
        kestu_test::SaveIfFailed(image, name);
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
};
