#include "d3dx8/tex_fill.h"

#include "d3dx8/image_filter.h"
#include "d3dx8/surface_access.h"

namespace kestu::d3dx {

HRESULT FillLevels(const LevelSurface& level, UINT levels, const ImageFile& file, uint32_t face, DWORD filter,
                   DWORD mipFilter, D3DCOLOR colorKey)
{
    if (file.images.empty()) return D3DXERR_INVALIDDATA;
    const uint32_t fileLevels = file.cube || !file.raw.empty() ? file.mipLevels : 1;
    const uint32_t base = (file.cube ? face : 0) * fileLevels;
    Image previous;
    bool resized = false;
    for (UINT l = 0; l < levels; ++l) {
        IDirect3DSurface8* surface = nullptr;
        HRESULT hr = level(l, &surface);
        if (FAILED(hr)) return hr;
        D3DSURFACE_DESC desc;
        hr = surface->GetDesc(&desc);
        if (FAILED(hr)) {
            surface->Release();
            return hr;
        }
        const bool inFile = l < fileLevels && base + l < file.images.size();
        const Image* stored = inFile ? &file.images[base + l] : nullptr;
        Image current;
        if (stored && !resized && stored->width == desc.Width && stored->height == desc.Height) {
            // The file's own level: raw bytes when nothing changes them.
            if (!colorKey && base + l < file.raw.size() && desc.Format == file.format) {
                hr = WriteSurfaceRaw(surface, file.raw[base + l]);
                current = *stored;
            } else {
                current = *stored;
                if (colorKey) ApplyColorKey(current, colorKey);
                hr = WriteSurface(surface, nullptr, current, kFilterPoint, 0);
            }
        } else if (l == 0) {
            if (!stored) {
                surface->Release();
                return D3DXERR_INVALIDDATA;
            }
            Image keyed = *stored;
            if (colorKey) ApplyColorKey(keyed, colorKey);
            resized = true;
            hr = ResampleImage(keyed, desc.Width, desc.Height, filter, current)
                     ? WriteSurface(surface, nullptr, current, kFilterPoint, 0)
                     : E_OUTOFMEMORY;
        } else if ((mipFilter & 0xFFFF) == kFilterNone) {
            surface->Release();
            return S_OK;
        } else {
            resized = true;
            hr = ResampleImage(previous, desc.Width, desc.Height, mipFilter, current)
                     ? WriteSurface(surface, nullptr, current, kFilterPoint, 0)
                     : E_OUTOFMEMORY;
        }
        surface->Release();
        if (FAILED(hr)) return hr;
        previous = std::move(current);
    }
    return S_OK;
}

void FillImageInfo(const ImageFile& file, D3DXIMAGE_INFO* info)
{
    if (!info) return;
    info->Width = file.width;
    info->Height = file.height;
    info->Depth = file.depth;
    info->MipLevels = file.mipLevels;
    info->Format = file.format;
    info->ResourceType = file.cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
    info->ImageFileFormat = (D3DXIMAGE_FILEFORMAT)file.fileFormat;
}

void FillPalette(const ImageFile& file, PALETTEENTRY* palette)
{
    if (!palette || file.palette.size() < 256) return;
    for (int i = 0; i < 256; ++i) {
        const uint32_t p = file.palette[i];
        palette[i].peRed = (BYTE)(p >> 16);
        palette[i].peGreen = (BYTE)(p >> 8);
        palette[i].peBlue = (BYTE)p;
        palette[i].peFlags = (BYTE)(p >> 24);
    }
}

} // namespace kestu::d3dx
