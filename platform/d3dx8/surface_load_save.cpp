// Surfaces from files, memory and other surfaces; surfaces and textures to
// files; mip levels rebuilt from the level above.
#include <algorithm>
#include <cstring>

#include "d3d8/format.h"
#include "d3dx8/image_codec.h"
#include "d3dx8/image_filter.h"
#include "d3dx8/surface_access.h"
#include "d3dx8/tex_fill.h"
#include "d3dx8tex.h"

using namespace kestu::d3dx;

namespace {

constexpr DWORD kDefaultImageFilter = kFilterTriangle | kFilterDither;

HRESULT LoadFromFileBytes(LPDIRECT3DSURFACE8 dest, const RECT* destRect, const uint8_t* data, size_t size,
                          const RECT* srcRect, DWORD filter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo)
{
    DWORD f;
    if (!dest || !ResolveFilter(filter, kDefaultImageFilter, f)) return D3DERR_INVALIDCALL;
    ImageFile file;
    HRESULT hr = DecodeImageFile(data, size, false, file);
    if (FAILED(hr)) return hr;
    Image src;
    if (!CropImage(file.images[0], srcRect, src)) return D3DERR_INVALIDCALL;
    hr = WriteSurface(dest, destRect, src, f, colorKey);
    if (SUCCEEDED(hr)) FillImageInfo(file, srcInfo);
    return hr;
}

// An image in the ARGB word layout is the A8R8G8B8 byte layout.
RawSurface RawOf(const Image& img)
{
    RawSurface raw;
    raw.width = img.width;
    raw.height = img.height;
    raw.bytes.resize(img.argb.size() * 4);
    std::memcpy(raw.bytes.data(), img.argb.data(), raw.bytes.size());
    return raw;
}

HRESULT EncodeImage(D3DXIMAGE_FILEFORMAT format, const Image& img, bool alpha, std::vector<uint8_t>& out)
{
    switch (format) {
    case D3DXIFF_BMP: return EncodeBmp(img, alpha, out);
    case D3DXIFF_DIB: {
        HRESULT hr = EncodeBmp(img, alpha, out);
        if (SUCCEEDED(hr)) out.erase(out.begin(), out.begin() + 14);
        return hr;
    }
    case D3DXIFF_TGA: return EncodeTga(img, alpha, out);
    case D3DXIFF_PNG: return EncodePng(img, alpha, out);
    case D3DXIFF_JPG: return EncodeJpeg(img, 90, out);
    case D3DXIFF_PPM: return EncodePpm(img, out);
    case D3DXIFF_DDS: return EncodeDds(D3DFMT_A8R8G8B8, img.width, img.height, 1, false, {RawOf(img)}, out);
    default: return D3DERR_INVALIDCALL;
    }
}

bool FormatHasAlpha(D3DFORMAT f)
{
    kestu::d3d8::FormatInfo info;
    return kestu::d3d8::GetFormatInfo(f, info) && info.alpha;
}

} // namespace

HRESULT D3DXLoadSurfaceFromFileInMemory(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY*, const RECT* destRect,
                                        LPCVOID srcData, UINT srcDataSize, const RECT* srcRect, DWORD filter,
                                        D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo)
{
    if (!srcData || srcDataSize == 0) return D3DERR_INVALIDCALL;
    try {
        return LoadFromFileBytes(destSurface, destRect, static_cast<const uint8_t*>(srcData), srcDataSize, srcRect,
                                 filter, colorKey, srcInfo);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXLoadSurfaceFromFileA(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY* destPalette, const RECT* destRect,
                                 LPCSTR srcFile, const RECT* srcRect, DWORD filter, D3DCOLOR colorKey,
                                 D3DXIMAGE_INFO* srcInfo)
{
    if (!destSurface || !srcFile) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (FAILED(ReadWholeFile(srcFile, bytes)) || bytes.empty()) return D3DXERR_INVALIDDATA;
    return D3DXLoadSurfaceFromFileInMemory(destSurface, destPalette, destRect, bytes.data(), (UINT)bytes.size(),
                                           srcRect, filter, colorKey, srcInfo);
}

HRESULT D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY*, const RECT* destRect,
                                   LPDIRECT3DSURFACE8 srcSurface, const PALETTEENTRY* srcPalette, const RECT* srcRect,
                                   DWORD filter, D3DCOLOR colorKey)
{
    DWORD f;
    if (!destSurface || !srcSurface || !ResolveFilter(filter, kDefaultImageFilter, f)) return D3DERR_INVALIDCALL;
    try {
        Image src;
        HRESULT hr = ReadSurface(srcSurface, srcRect, srcPalette, src);
        if (FAILED(hr)) return hr;
        return WriteSurface(destSurface, destRect, src, f, colorKey);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY*, const RECT* destRect,
                                  LPCVOID srcMemory, D3DFORMAT srcFormat, UINT srcPitch, const PALETTEENTRY* srcPalette,
                                  const RECT* srcRect, DWORD filter, D3DCOLOR colorKey)
{
    DWORD f;
    if (!destSurface || !srcMemory || !srcRect || !ResolveFilter(filter, kDefaultImageFilter, f))
        return D3DERR_INVALIDCALL;
    kestu::d3d8::FormatInfo info;
    if (!kestu::d3d8::GetFormatInfo(srcFormat, info) || !info.color) return D3DERR_INVALIDCALL;
    if (srcRect->left < 0 || srcRect->top < 0 || srcRect->right <= srcRect->left || srcRect->bottom <= srcRect->top)
        return D3DERR_INVALIDCALL;
    try {
        // The memory starts at the top-left of the whole source; decode the
        // span that holds the rectangle, then crop.
        const UINT w = (UINT)srcRect->right, h = (UINT)srcRect->bottom;
        if (!ImageSizeAllowed(w, h)) return D3DERR_INVALIDCALL;
        Image whole;
        if (!whole.Allocate(w, h)) return E_OUTOFMEMORY;
        uint32_t pal[256];
        for (int i = 0; i < 256; ++i)
            pal[i] = srcPalette ? (uint32_t)srcPalette[i].peFlags << 24 | (uint32_t)srcPalette[i].peRed << 16 |
                                      (uint32_t)srcPalette[i].peGreen << 8 | srcPalette[i].peBlue
                                : 0xFF000000u;
        if (!kestu::d3d8::DecodeSurface(srcFormat, static_cast<const uint8_t*>(srcMemory), srcPitch, w, h,
                                        whole.argb.data(), pal))
            return D3DERR_INVALIDCALL;
        Image src;
        if (!CropImage(whole, srcRect, src)) return D3DERR_INVALIDCALL;
        return WriteSurface(destSurface, destRect, src, f, colorKey);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat, LPDIRECT3DSURFACE8 srcSurface,
                               const PALETTEENTRY* srcPalette, const RECT* srcRect)
{
    if (!destFile || !srcSurface) return D3DERR_INVALIDCALL;
    try {
        D3DSURFACE_DESC desc;
        HRESULT hr = srcSurface->GetDesc(&desc);
        if (FAILED(hr)) return hr;
        std::vector<uint8_t> bytes;
        const bool whole = !srcRect || (srcRect->left == 0 && srcRect->top == 0 && (UINT)srcRect->right == desc.Width &&
                                        (UINT)srcRect->bottom == desc.Height);
        bool done = false;
        if (destFormat == D3DXIFF_DDS && whole) {
            // The surface's own format, byte for byte, when DDS can describe it.
            RawSurface raw;
            hr = ReadSurfaceRaw(srcSurface, raw);
            if (FAILED(hr)) return hr;
            done = SUCCEEDED(EncodeDds(desc.Format, desc.Width, desc.Height, 1, false, {raw}, bytes));
        }
        if (!done) {
            Image img;
            hr = ReadSurface(srcSurface, srcRect, srcPalette, img);
            if (FAILED(hr)) return hr;
            hr = EncodeImage(destFormat, img, FormatHasAlpha(desc.Format), bytes);
            if (FAILED(hr)) return hr;
        }
        return WriteWholeFile(destFile, bytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

namespace {

// Surface of (face, level) of a 2D or cube texture.
HRESULT SurfaceOf(LPDIRECT3DBASETEXTURE8 base, UINT face, UINT level, IDirect3DSurface8** out)
{
    switch (base->GetType()) {
    case D3DRTYPE_TEXTURE: return static_cast<IDirect3DTexture8*>(base)->GetSurfaceLevel(level, out);
    case D3DRTYPE_CUBETEXTURE:
        return static_cast<IDirect3DCubeTexture8*>(base)->GetCubeMapSurface((D3DCUBEMAP_FACES)face, level, out);
    default: return D3DERR_INVALIDCALL;
    }
}

} // namespace

HRESULT D3DXSaveTextureToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat, LPDIRECT3DBASETEXTURE8 srcTexture,
                               const PALETTEENTRY* srcPalette)
{
    if (!destFile || !srcTexture) return D3DERR_INVALIDCALL;
    const D3DRESOURCETYPE type = srcTexture->GetType();
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_CUBETEXTURE) return D3DERR_INVALIDCALL;
    if (destFormat != D3DXIFF_DDS) {
        IDirect3DSurface8* level0 = nullptr;
        HRESULT hr = SurfaceOf(srcTexture, 0, 0, &level0);
        if (FAILED(hr)) return hr;
        hr = D3DXSaveSurfaceToFileA(destFile, destFormat, level0, srcPalette, nullptr);
        level0->Release();
        return hr;
    }
    try {
        const bool cube = type == D3DRTYPE_CUBETEXTURE;
        const UINT levels = srcTexture->GetLevelCount();
        std::vector<RawSurface> surfaces;
        D3DSURFACE_DESC top{};
        for (UINT face = 0; face < (cube ? 6u : 1u); ++face)
            for (UINT l = 0; l < levels; ++l) {
                IDirect3DSurface8* s = nullptr;
                HRESULT hr = SurfaceOf(srcTexture, face, l, &s);
                if (FAILED(hr)) return hr;
                if (face == 0 && l == 0) s->GetDesc(&top);
                RawSurface raw;
                hr = ReadSurfaceRaw(s, raw);
                s->Release();
                if (FAILED(hr)) return hr;
                surfaces.push_back(std::move(raw));
            }
        std::vector<uint8_t> bytes;
        HRESULT hr = EncodeDds(top.Format, top.Width, top.Height, levels, cube, surfaces, bytes);
        if (hr == E_NOTIMPL) {
            // A format DDS cannot describe: the levels as A8R8G8B8.
            surfaces.clear();
            for (UINT face = 0; face < (cube ? 6u : 1u); ++face)
                for (UINT l = 0; l < levels; ++l) {
                    IDirect3DSurface8* s = nullptr;
                    hr = SurfaceOf(srcTexture, face, l, &s);
                    if (FAILED(hr)) return hr;
                    Image img;
                    hr = ReadSurface(s, nullptr, srcPalette, img);
                    s->Release();
                    if (FAILED(hr)) return hr;
                    surfaces.push_back(RawOf(img));
                }
            hr = EncodeDds(D3DFMT_A8R8G8B8, top.Width, top.Height, levels, cube, surfaces, bytes);
        }
        if (FAILED(hr)) return hr;
        return WriteWholeFile(destFile, bytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXFilterTexture(LPDIRECT3DBASETEXTURE8 baseTexture, const PALETTEENTRY* palette, UINT srcLevel, DWORD filter)
{
    DWORD f;
    if (!baseTexture || !ResolveFilter(filter, kFilterBox, f)) return D3DERR_INVALIDCALL;
    const D3DRESOURCETYPE type = baseTexture->GetType();
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_CUBETEXTURE) return D3DERR_INVALIDCALL;
    if (srcLevel == D3DX_DEFAULT) srcLevel = 0;
    const UINT levels = baseTexture->GetLevelCount();
    if (srcLevel >= levels) return D3DERR_INVALIDCALL;
    // No filter: nothing to rebuild (a crop of the level above is no mip level).
    if ((f & 0xFFFF) == kFilterNone) return S_OK;
    try {
        for (UINT face = 0; face < (type == D3DRTYPE_CUBETEXTURE ? 6u : 1u); ++face) {
            IDirect3DSurface8* s = nullptr;
            HRESULT hr = SurfaceOf(baseTexture, face, srcLevel, &s);
            if (FAILED(hr)) return hr;
            Image previous;
            hr = ReadSurface(s, nullptr, palette, previous);
            s->Release();
            if (FAILED(hr)) return hr;
            for (UINT l = srcLevel + 1; l < levels; ++l) {
                hr = SurfaceOf(baseTexture, face, l, &s);
                if (FAILED(hr)) return hr;
                D3DSURFACE_DESC desc;
                s->GetDesc(&desc);
                Image next;
                hr = ResampleImage(previous, desc.Width, desc.Height, f, next)
                         ? WriteSurface(s, nullptr, next, kFilterPoint, 0)
                         : E_OUTOFMEMORY;
                s->Release();
                if (FAILED(hr)) return hr;
                previous = std::move(next);
            }
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
