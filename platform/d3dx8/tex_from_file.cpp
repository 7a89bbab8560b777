// Textures and cube textures from image files, and image information.
#include "d3dx8/image_codec.h"
#include "d3dx8/image_filter.h"
#include "d3dx8/surface_access.h"
#include "d3dx8/tex_fill.h"
#include "d3dx8/tex_requirements.h"
#include "d3dx8tex.h"

using namespace kestu::d3dx;

namespace {

D3DFORMAT ChooseFormat(D3DFORMAT asked, const ImageFile& file, D3DCOLOR colorKey)
{
    if (asked != D3DFMT_UNKNOWN && (UINT)asked != D3DX_DEFAULT) return asked;
    D3DFORMAT f = file.format;
    if (f == D3DFMT_P8 || f == D3DFMT_A8P8) f = D3DFMT_A8R8G8B8;
    if (colorKey) f = WithAlpha(f);
    return f;
}

HRESULT Decode(LPCVOID data, UINT size, ImageFile& file)
{
    if (!data || size == 0) return D3DERR_INVALIDCALL;
    return DecodeImageFile(static_cast<const uint8_t*>(data), size, false, file);
}

// Decodes the file and resolves both filters: what every texture-from-file starts with.
HRESULT DecodeWithFilters(LPCVOID data, UINT size, DWORD filter, DWORD mipFilter, ImageFile& file, DWORD& f, DWORD& mf)
{
    if (!ResolveFilter(filter, kFilterTriangle | kFilterDither, f) || !ResolveFilter(mipFilter, kFilterBox, mf))
        return D3DERR_INVALIDCALL;
    return Decode(data, size, file);
}

// Fits size, levels and format to the device; palettes are expanded to 32 bits.
HRESULT FitToDevice(LPDIRECT3DDEVICE8 device, D3DRESOURCETYPE type, const ImageFile& file, D3DCOLOR colorKey,
                    DWORD usage, D3DFORMAT format, UINT& w, UINT& h, UINT& levels, D3DFORMAT& fmt)
{
    fmt = ChooseFormat(format, file, colorKey);
    HRESULT hr = CheckRequirements(device, type, &w, &h, &levels, usage, &fmt);
    if (FAILED(hr)) return hr;
    if (fmt == D3DFMT_P8 || fmt == D3DFMT_A8P8) fmt = D3DFMT_A8R8G8B8;
    return S_OK;
}

// Hands out a filled texture with the file's information, or releases it.
template <class T>
HRESULT Deliver(T* texture, HRESULT filled, const ImageFile& file, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                T** out)
{
    if (FAILED(filled)) {
        texture->Release();
        return filled;
    }
    FillImageInfo(file, srcInfo);
    FillPalette(file, palette);
    *out = texture;
    return S_OK;
}

} // namespace

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID srcData, UINT srcDataSize, D3DXIMAGE_INFO* srcInfo)
{
    if (!srcData || srcDataSize == 0 || !srcInfo) return D3DERR_INVALIDCALL;
    ImageFile file;
    HRESULT hr = DecodeImageFile(static_cast<const uint8_t*>(srcData), srcDataSize, true, file);
    if (FAILED(hr)) return hr;
    FillImageInfo(file, srcInfo);
    return S_OK;
}

HRESULT D3DXGetImageInfoFromFileA(LPCSTR srcFile, D3DXIMAGE_INFO* srcInfo)
{
    if (!srcFile || !srcInfo) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (FAILED(ReadWholeFile(srcFile, bytes)) || bytes.empty()) return D3DXERR_INVALIDDATA;
    return D3DXGetImageInfoFromFileInMemory(bytes.data(), (UINT)bytes.size(), srcInfo);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 device, LPCVOID srcData, UINT srcDataSize, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                            PALETTEENTRY* palette, LPDIRECT3DTEXTURE8* texture)
{
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    try {
        ImageFile file;
        DWORD f, mf;
        HRESULT hr = DecodeWithFilters(srcData, srcDataSize, filter, mipFilter, file, f, mf);
        if (FAILED(hr)) return hr;
        UINT w = (width == 0 || width == D3DX_DEFAULT) ? file.width : width;
        UINT h = (height == 0 || height == D3DX_DEFAULT) ? file.height : height;
        UINT levels = mipLevels;
        D3DFORMAT fmt;
        hr = FitToDevice(device, D3DRTYPE_TEXTURE, file, colorKey, usage, format, w, h, levels, fmt);
        if (FAILED(hr)) return hr;
        IDirect3DTexture8* tex = nullptr;
        hr = device->CreateTexture(w, h, levels, usage, fmt, pool, &tex);
        if (FAILED(hr)) return hr;
        hr = FillLevels([tex](UINT l, IDirect3DSurface8** s) { return tex->GetSurfaceLevel(l, s); },
                        tex->GetLevelCount(), file, 0, f, mf, colorKey);
        return Deliver(tex, hr, file, srcInfo, palette, texture);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 device, LPCVOID srcData, UINT srcDataSize,
                                          LPDIRECT3DTEXTURE8* texture)
{
    return D3DXCreateTextureFromFileInMemoryEx(device, srcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                               0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               nullptr, nullptr, texture);
}

HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                     LPDIRECT3DTEXTURE8* texture)
{
    if (texture) *texture = nullptr;
    if (!device || !srcFile || !texture) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (FAILED(ReadWholeFile(srcFile, bytes)) || bytes.empty()) return D3DXERR_INVALIDDATA;
    return D3DXCreateTextureFromFileInMemoryEx(device, bytes.data(), (UINT)bytes.size(), width, height, mipLevels,
                                               usage, format, pool, filter, mipFilter, colorKey, srcInfo, palette,
                                               texture);
}

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, LPDIRECT3DTEXTURE8* texture)
{
    return D3DXCreateTextureFromFileExA(device, srcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 device, LPCVOID srcData, UINT srcDataSize, UINT size,
                                                UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                                D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                                LPDIRECT3DCUBETEXTURE8* cubeTexture)
{
    if (!device || !cubeTexture) return D3DERR_INVALIDCALL;
    *cubeTexture = nullptr;
    try {
        ImageFile file;
        DWORD f, mf;
        HRESULT hr = DecodeWithFilters(srcData, srcDataSize, filter, mipFilter, file, f, mf);
        if (FAILED(hr)) return hr;
        UINT s = (size == 0 || size == D3DX_DEFAULT) ? std::max(file.width, file.height) : size;
        UINT h = s;
        UINT levels = mipLevels;
        D3DFORMAT fmt;
        hr = FitToDevice(device, D3DRTYPE_CUBETEXTURE, file, colorKey, usage, format, s, h, levels, fmt);
        if (FAILED(hr)) return hr;
        IDirect3DCubeTexture8* cube = nullptr;
        hr = device->CreateCubeTexture(s, levels, usage, fmt, pool, &cube);
        if (FAILED(hr)) return hr;
        for (uint32_t face = 0; face < 6 && SUCCEEDED(hr); ++face)
            hr = FillLevels(
                [cube, face](UINT l, IDirect3DSurface8** surf) {
                    return cube->GetCubeMapSurface((D3DCUBEMAP_FACES)face, l, surf);
                },
                cube->GetLevelCount(), file, face, f, mf, colorKey);
        return Deliver(cube, hr, file, srcInfo, palette, cubeTexture);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXCreateCubeTextureFromFileInMemory(LPDIRECT3DDEVICE8 device, LPCVOID srcData, UINT srcDataSize,
                                              LPDIRECT3DCUBETEXTURE8* cubeTexture)
{
    return D3DXCreateCubeTextureFromFileInMemoryEx(device, srcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                   D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                   nullptr, nullptr, cubeTexture);
}

HRESULT D3DXCreateCubeTextureFromFileExA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, UINT size, UINT mipLevels,
                                         DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                         D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                         LPDIRECT3DCUBETEXTURE8* cubeTexture)
{
    if (cubeTexture) *cubeTexture = nullptr;
    if (!device || !srcFile || !cubeTexture) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (FAILED(ReadWholeFile(srcFile, bytes)) || bytes.empty()) return D3DXERR_INVALIDDATA;
    return D3DXCreateCubeTextureFromFileInMemoryEx(device, bytes.data(), (UINT)bytes.size(), size, mipLevels, usage,
                                                   format, pool, filter, mipFilter, colorKey, srcInfo, palette,
                                                   cubeTexture);
}

HRESULT D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, LPDIRECT3DCUBETEXTURE8* cubeTexture)
{
    return D3DXCreateCubeTextureFromFileExA(device, srcFile, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                            cubeTexture);
}
