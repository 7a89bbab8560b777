// TEXTURE_CONFIG: the eight settings that say how an image becomes a texture.
// Every texture request in the engine carries one.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8tex.h>

struct TEXTURE_CONFIG {
    int bAlpha;         // nonzero: the alpha member of the format set; 0: decided by the image
    D3DPOOL Pool;       // DEFAULT also selects the lost-device handling of the managers
    DWORD dwFilter;     // image filter handed to D3DX
    DWORD dwMipFilter;  // mip filter; NONE becomes BOX when the file lacks the levels asked for
    DWORD dwMipLevels;  // levels asked for; a texture's own copy holds the levels it has
    float fLOD;         // detail scale, 0.0 (smallest level only) to 1.0 (full detail)
    DWORD dwDropLevels; // top mip levels left out when an image file is decoded
    int bCompressed;    // nonzero: the compressed member of the format set

    TEXTURE_CONFIG() { Reset(); }
    TEXTURE_CONFIG(const TEXTURE_CONFIG&) = default;
    TEXTURE_CONFIG& operator=(const TEXTURE_CONFIG&) = default;

    void Reset()
    {
        bAlpha = 0;
        Pool = D3DPOOL_MANAGED;
        dwFilter = D3DX_FILTER_LINEAR;
        dwMipFilter = D3DX_FILTER_NONE;
        dwMipLevels = D3DX_DEFAULT;
        fLOD = 1.0f;
        dwDropLevels = 0;
        bCompressed = 0;
    }
};
static_assert(sizeof(TEXTURE_CONFIG) == 32, "TEXTURE_CONFIG is shared with the client");
