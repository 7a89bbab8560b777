// Headless Direct3D 8 devices on fake windows: the parameters and the
// making and releasing of a shared device, and a fixture whose suite shares one.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "d3d8.h"
#include "support/image.h"

namespace testdevice {

inline HWND FakeWindow(uintptr_t id) { return reinterpret_cast<HWND>(id); }

// A windowed, single back buffer of X8R8G8B8, copied on present.
inline D3DPRESENT_PARAMETERS DefaultParameters(UINT width, UINT height, HWND window, bool depth, bool lockable)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    if (depth) {
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    }
    if (lockable) pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return pp;
}

// Makes whichever of the Direct3D object and its device is still missing;
// the device stays null when it cannot be made.
inline HRESULT CreateShared(D3DPRESENT_PARAMETERS pp, IDirect3D8*& d3d, IDirect3DDevice8*& device)
{
    if (d3d == nullptr) d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (d3d == nullptr) return E_FAIL;
    if (device != nullptr) return D3D_OK;
    const HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    if (FAILED(hr)) device = nullptr;
    return hr;
}

inline void ReleaseShared(IDirect3D8*& d3d, IDirect3DDevice8*& device)
{
    if (device != nullptr) device->Release();
    if (d3d != nullptr) d3d->Release();
    device = nullptr;
    d3d = nullptr;
}

// The value a device holds for a render state or a texture-stage state.
inline DWORD RenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE type)
{
    DWORD v = 0;
    device->GetRenderState(type, &v);
    return v;
}

inline DWORD StageState(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE type)
{
    DWORD v = 0;
    device->GetTextureStageState(stage, type, &v);
    return v;
}

// Sets the world, view and projection transforms at once.
inline void SetTransforms(IDirect3DDevice8* device, const D3DMATRIX& world, const D3DMATRIX& view,
                          const D3DMATRIX& proj)
{
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
}

// One Direct3D object and one device for the whole test program: made on
// first use (the device with `pp`; later calls keep the first device) and
// released when the program's tests end. The device stays null when it
// cannot be made.
IDirect3D8* ProcessD3D();
IDirect3DDevice8* ProcessDevice(const D3DPRESENT_PARAMETERS& pp);

// A device of Width x Height (with a D24S8 depth buffer when Depth) made
// before the first test of a suite and released after its last.
template <UINT Width, UINT Height, bool Depth = true>
class DeviceSuite : public ::testing::Test {
protected:
    static constexpr UINT kWidth = Width;
    static constexpr UINT kHeight = Height;

    static void SetUpTestSuite()
    {
        ASSERT_EQ(CreateShared(DefaultParameters(Width, Height, FakeWindow(0x5150), Depth, false), d3d, device),
                  D3D_OK);
    }
    static void TearDownTestSuite() { ReleaseShared(d3d, device); }
    void SetUp() override { ASSERT_NE(device, nullptr); }

    // The render target; a test fails when it is not Width x Height.
    static kestu_test::Image Picture()
    {
        kestu_test::Image image = kestu_test::ReadRenderTarget(device);
        EXPECT_EQ(image.width, int32_t(Width));
        EXPECT_EQ(image.height, int32_t(Height));
        return image;
    }

    static inline IDirect3D8* d3d = nullptr;
    static inline IDirect3DDevice8* device = nullptr;
};

} // namespace testdevice
