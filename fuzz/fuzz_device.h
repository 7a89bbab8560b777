// The one device of a fuzz target: a 16 x 16 windowed back buffer, made on
// first use; null when no device can be made.
#pragma once
#include <cstdint>

#include "d3d8.h"

inline IDirect3DDevice8* FuzzDevice()
{
    static IDirect3DDevice8* device = [] {
        IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
        IDirect3DDevice8* dev = nullptr;
        if (!d3d) return dev;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 16;
        pp.BackBufferHeight = 16;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
        pp.Windowed = TRUE;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev)))
            dev = nullptr;
        return dev;
    }();
    return device;
}
