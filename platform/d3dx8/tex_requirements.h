// What a device can create: sizes, level counts and formats, rounded the way
// D3DX rounds them.
#pragma once
#include "d3d8.h"

namespace kestu::d3dx {

bool DeviceSupportsFormat(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

// The format itself when supported, else the nearest supported one.
D3DFORMAT NearestSupportedFormat(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

// The same format with an alpha channel (for colour keys), or the format.
D3DFORMAT WithAlpha(D3DFORMAT format);

uint32_t FullMipChain(uint32_t width, uint32_t height);

HRESULT CheckRequirements(IDirect3DDevice8* device, D3DRESOURCETYPE type, UINT* width, UINT* height, UINT* levels,
                          DWORD usage, D3DFORMAT* format);

} // namespace kestu::d3dx
