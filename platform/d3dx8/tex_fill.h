// Filling the levels of a texture or a cube face from a decoded file.
#pragma once
#include <functional>

#include "d3d8.h"
#include "d3dx8tex.h"
#include "d3dx8/image_codec.h"

namespace kestu::d3dx {

// Level `level` of the target as a surface (one reference, released by the caller).
using LevelSurface = std::function<HRESULT(UINT level, IDirect3DSurface8** surface)>;

// Writes every level: level 0 from the file's image scaled with `filter`,
// lower levels from the file when it holds them at the right size, else
// reduced from the level above with `mipFilter` (left alone when that is
// D3DX_FILTER_NONE). `face` picks the face of a cube file.
HRESULT FillLevels(const LevelSurface& level, UINT levels, const ImageFile& file, uint32_t face, DWORD filter,
                   DWORD mipFilter, D3DCOLOR colorKey);

void FillImageInfo(const ImageFile& file, D3DXIMAGE_INFO* info);
void FillPalette(const ImageFile& file, PALETTEENTRY* palette);

} // namespace kestu::d3dx
