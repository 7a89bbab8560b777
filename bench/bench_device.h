// The windowed device the drawing benchmarks measure on: a 32-bit back
// buffer of the given size, with a 24-bit depth buffer when asked for.
#pragma once
#include <cstdint>

#include "d3d8.h"

namespace kestu_bench {

inline IDirect3DDevice8* CreateBenchDevice(IDirect3D8* d3d, UINT width, UINT height, bool depth = false)
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    // Any window handle will do: the device draws off screen.
    pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0xBEEF));
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice8* dev = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    return dev;
}

} // namespace kestu_bench
