#include "d3dx8/tex_requirements.h"

#include <algorithm>

#include "d3d8caps.h"
#include "d3dx8tex.h"

namespace kestu::d3dx {

bool DeviceSupportsFormat(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format)
{
    IDirect3D8* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d) return false;
    D3DDEVICE_CREATION_PARAMETERS cp{};
    D3DDISPLAYMODE mode{};
    bool ok = SUCCEEDED(device->GetCreationParameters(&cp)) && SUCCEEDED(device->GetDisplayMode(&mode));
    if (ok) ok = SUCCEEDED(d3d->CheckDeviceFormat(cp.AdapterOrdinal, cp.DeviceType, mode.Format, usage, type, format));
    d3d->Release();
    return ok;
}

D3DFORMAT WithAlpha(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_L8:
    case D3DFMT_P8: return D3DFMT_A8R8G8B8;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5: return D3DFMT_A1R5G5B5;
    case D3DFMT_X4R4G4B4: return D3DFMT_A4R4G4B4;
    case D3DFMT_R3G3B2: return D3DFMT_A8R3G3B2;
    default: return format;
    }
}

D3DFORMAT NearestSupportedFormat(IDirect3DDevice8* device, DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format)
{
    if (DeviceSupportsFormat(device, usage, type, format)) return format;
    bool alpha = true;
    switch (format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R3G3B2:
    case D3DFMT_L8:
    case D3DFMT_G16R16: alpha = false; break;
    default: break;
    }
    static const D3DFORMAT kAlpha[] = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_X8R8G8B8,
                                       D3DFMT_R5G6B5};
    static const D3DFORMAT kOpaque[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8,
                                        D3DFMT_A1R5G5B5};
    if (format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5) {
        // Keep sixteen bits when the device offers them.
        for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5})
            if (DeviceSupportsFormat(device, usage, type, f)) return f;
    }
    for (D3DFORMAT f : alpha ? kAlpha : kOpaque)
        if (DeviceSupportsFormat(device, usage, type, f)) return f;
    return format;
}

uint32_t FullMipChain(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t s = std::max(width, height); s > 1; s >>= 1) ++levels;
    return levels;
}

namespace {
uint32_t NextPow2(uint32_t v)
{
    uint32_t p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}
bool IsDxt(D3DFORMAT f)
{
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}
} // namespace

HRESULT CheckRequirements(IDirect3DDevice8* device, D3DRESOURCETYPE type, UINT* width, UINT* height, UINT* levels,
                          DWORD usage, D3DFORMAT* format)
{
    if (!device) return D3DERR_INVALIDCALL;
    D3DCAPS8 caps{};
    HRESULT hr = device->GetDeviceCaps(&caps);
    if (FAILED(hr)) return hr;
    UINT w = width ? *width : D3DX_DEFAULT, h = height ? *height : D3DX_DEFAULT;
    if (w == 0 || w == D3DX_DEFAULT) w = 256;
    if (h == 0 || h == D3DX_DEFAULT) h = 256;
    UINT l = levels ? *levels : D3DX_DEFAULT;
    D3DFORMAT f = format ? *format : D3DFMT_UNKNOWN;
    if (f == D3DFMT_UNKNOWN || (UINT)f == D3DX_DEFAULT) f = D3DFMT_A8R8G8B8;
    f = NearestSupportedFormat(device, usage, type, f);

    const bool cube = type == D3DRTYPE_CUBETEXTURE;
    const DWORD tc = caps.TextureCaps;
    bool pow2 = cube ? (tc & D3DPTEXTURECAPS_CUBEMAP_POW2) != 0 : (tc & D3DPTEXTURECAPS_POW2) != 0;
    if (pow2 && !cube && (tc & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) && l == 1) pow2 = false;
    if (pow2) {
        w = NextPow2(w);
        h = NextPow2(h);
    }
    if (cube || (tc & D3DPTEXTURECAPS_SQUAREONLY)) w = h = std::max(w, h);
    if (caps.MaxTextureWidth && w > caps.MaxTextureWidth) w = caps.MaxTextureWidth;
    if (caps.MaxTextureHeight && h > caps.MaxTextureHeight) h = caps.MaxTextureHeight;
    if (cube) w = h = std::min(w, h);
    if (IsDxt(f)) {
        w = (w + 3) & ~3u;
        h = (h + 3) & ~3u;
    }
    const UINT full = FullMipChain(w, h);
    const bool mips = (tc & (cube ? D3DPTEXTURECAPS_MIPCUBEMAP : D3DPTEXTURECAPS_MIPMAP)) != 0;
    if (l == 0 || l == D3DX_DEFAULT || l > full) l = full;
    if (!mips) l = 1;
    if (width) *width = w;
    if (height) *height = h;
    if (levels) *levels = l;
    if (format) *format = f;
    return S_OK;
}

} // namespace kestu::d3dx

HRESULT D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 device, UINT* width, UINT* height, UINT* numMipLevels,
                                     DWORD usage, D3DFORMAT* format, D3DPOOL)
{
    return kestu::d3dx::CheckRequirements(device, D3DRTYPE_TEXTURE, width, height, numMipLevels, usage, format);
}

HRESULT D3DXCheckCubeTextureRequirements(LPDIRECT3DDEVICE8 device, UINT* size, UINT* numMipLevels, DWORD usage,
                                         D3DFORMAT* format, D3DPOOL)
{
    UINT h = size ? *size : D3DX_DEFAULT;
    return kestu::d3dx::CheckRequirements(device, D3DRTYPE_CUBETEXTURE, size, &h, numMipLevels, usage, format);
}

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, LPDIRECT3DTEXTURE8* texture)
{
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    HRESULT hr = D3DXCheckTextureRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
    if (FAILED(hr)) return hr;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture);
}

HRESULT D3DXCreateCubeTexture(LPDIRECT3DDEVICE8 device, UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, LPDIRECT3DCUBETEXTURE8* cubeTexture)
{
    if (!device || !cubeTexture) return D3DERR_INVALIDCALL;
    *cubeTexture = nullptr;
    HRESULT hr = D3DXCheckCubeTextureRequirements(device, &size, &mipLevels, usage, &format, pool);
    if (FAILED(hr)) return hr;
    return device->CreateCubeTexture(size, mipLevels, usage, format, pool, cubeTexture);
}
