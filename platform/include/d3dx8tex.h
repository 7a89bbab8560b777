// D3DX 8 textures and surfaces: image files, loading, saving and filtering.
#pragma once
#include "d3d8.h"
#include "d3dx8core.h"
#include "kestu_platform_api.h"
#include "wingdi.h"

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT ((UINT)-1)
#endif

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (8 << 16)

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// ---- Image information ----
KESTU_PLATFORM_API HRESULT D3DXGetImageInfoFromFileA(LPCSTR srcFile, D3DXIMAGE_INFO* srcInfo);
KESTU_PLATFORM_API HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID srcData, UINT srcDataSize, D3DXIMAGE_INFO* srcInfo);
#define D3DXGetImageInfoFromFile D3DXGetImageInfoFromFileA

// ---- Surfaces ----
// Rectangles may be null (the whole surface or image). Filters are
// D3DX_FILTER_ values with the mirror and dither flags, or D3DX_DEFAULT
// (triangle with dither). A non-zero colour key turns source pixels of that
// A8R8G8B8 value into transparent black.
KESTU_PLATFORM_API HRESULT D3DXLoadSurfaceFromFileA(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY* destPalette,
                                                    const RECT* destRect, LPCSTR srcFile, const RECT* srcRect,
                                                    DWORD filter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo);
KESTU_PLATFORM_API HRESULT D3DXLoadSurfaceFromFileInMemory(LPDIRECT3DSURFACE8 destSurface,
                                                           const PALETTEENTRY* destPalette, const RECT* destRect,
                                                           LPCVOID srcData, UINT srcDataSize, const RECT* srcRect,
                                                           DWORD filter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo);
KESTU_PLATFORM_API HRESULT D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY* destPalette,
                                                      const RECT* destRect, LPDIRECT3DSURFACE8 srcSurface,
                                                      const PALETTEENTRY* srcPalette, const RECT* srcRect, DWORD filter,
                                                      D3DCOLOR colorKey);
KESTU_PLATFORM_API HRESULT D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 destSurface, const PALETTEENTRY* destPalette,
                                                     const RECT* destRect, LPCVOID srcMemory, D3DFORMAT srcFormat,
                                                     UINT srcPitch, const PALETTEENTRY* srcPalette, const RECT* srcRect,
                                                     DWORD filter, D3DCOLOR colorKey);
KESTU_PLATFORM_API HRESULT D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat,
                                                  LPDIRECT3DSURFACE8 srcSurface, const PALETTEENTRY* srcPalette,
                                                  const RECT* srcRect);
#define D3DXLoadSurfaceFromFile D3DXLoadSurfaceFromFileA
#define D3DXSaveSurfaceToFile D3DXSaveSurfaceToFileA

// ---- Textures ----
// Rounds the size, level count and format to what the device can create:
// D3DX_DEFAULT or 0 sizes become 256, level counts 0 or D3DX_DEFAULT the
// full chain, D3DFMT_UNKNOWN A8R8G8B8; unsupported formats become the
// nearest supported one. Any pointer may be null.
KESTU_PLATFORM_API HRESULT D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 device, UINT* width, UINT* height,
                                                        UINT* numMipLevels, DWORD usage, D3DFORMAT* format,
                                                        D3DPOOL pool);
KESTU_PLATFORM_API HRESULT D3DXCheckCubeTextureRequirements(LPDIRECT3DDEVICE8 device, UINT* size, UINT* numMipLevels,
                                                            DWORD usage, D3DFORMAT* format, D3DPOOL pool);
KESTU_PLATFORM_API HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 device, UINT width, UINT height, UINT mipLevels,
                                             DWORD usage, D3DFORMAT format, D3DPOOL pool, LPDIRECT3DTEXTURE8* texture);
KESTU_PLATFORM_API HRESULT D3DXCreateCubeTexture(LPDIRECT3DDEVICE8 device, UINT size, UINT mipLevels, DWORD usage,
                                                 D3DFORMAT format, D3DPOOL pool, LPDIRECT3DCUBETEXTURE8* cubeTexture);

KESTU_PLATFORM_API HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile,
                                                      LPDIRECT3DTEXTURE8* texture);
KESTU_PLATFORM_API HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, UINT width,
                                                        UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                                        D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                                        D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                                        LPDIRECT3DTEXTURE8* texture);
KESTU_PLATFORM_API HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 device, LPCVOID srcData,
                                                             UINT srcDataSize, LPDIRECT3DTEXTURE8* texture);
KESTU_PLATFORM_API HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 device, LPCVOID srcData,
                                                               UINT srcDataSize, UINT width, UINT height,
                                                               UINT mipLevels, DWORD usage, D3DFORMAT format,
                                                               D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                                               D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                                               PALETTEENTRY* palette, LPDIRECT3DTEXTURE8* texture);
#define D3DXCreateTextureFromFile D3DXCreateTextureFromFileA
#define D3DXCreateTextureFromFileEx D3DXCreateTextureFromFileExA

// A cube DDS fills the six faces; any other image is put on every face.
KESTU_PLATFORM_API HRESULT D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile,
                                                          LPDIRECT3DCUBETEXTURE8* cubeTexture);
KESTU_PLATFORM_API HRESULT D3DXCreateCubeTextureFromFileExA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, UINT size,
                                                            UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                                            D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                                            LPDIRECT3DCUBETEXTURE8* cubeTexture);
KESTU_PLATFORM_API HRESULT D3DXCreateCubeTextureFromFileInMemory(LPDIRECT3DDEVICE8 device, LPCVOID srcData,
                                                                 UINT srcDataSize, LPDIRECT3DCUBETEXTURE8* cubeTexture);
KESTU_PLATFORM_API HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 device, LPCVOID srcData,
                                                                   UINT srcDataSize, UINT size, UINT mipLevels,
                                                                   DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                                   DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                                                   D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette,
                                                                   LPDIRECT3DCUBETEXTURE8* cubeTexture);
#define D3DXCreateCubeTextureFromFile D3DXCreateCubeTextureFromFileA
#define D3DXCreateCubeTextureFromFileEx D3DXCreateCubeTextureFromFileExA

// DDS keeps every level (and face) in the texture's format; other formats
// take level 0 (the positive-x face of a cube).
KESTU_PLATFORM_API HRESULT D3DXSaveTextureToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat,
                                                  LPDIRECT3DBASETEXTURE8 srcTexture, const PALETTEENTRY* srcPalette);
#define D3DXSaveTextureToFile D3DXSaveTextureToFileA

// Rebuilds the levels below srcLevel (D3DX_DEFAULT: 0) from the level above
// each, with the filter (D3DX_DEFAULT: box); D3DX_FILTER_NONE leaves them.
KESTU_PLATFORM_API HRESULT D3DXFilterTexture(LPDIRECT3DBASETEXTURE8 baseTexture, const PALETTEENTRY* palette,
                                             UINT srcLevel, DWORD filter);
#define D3DXFilterCubeTexture D3DXFilterTexture
