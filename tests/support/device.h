// A Direct3D 8 device on a fake window, shared by the device fixtures.
#pragma once

#include <cstdint>

#include "d3d8.h"

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

}  // namespace testdevice
