// Reading and writing device surfaces as neutral A8R8G8B8 images.
#pragma once
#include "d3d8.h"
#include "d3dx8/image_codec.h"

namespace kestu::d3dx {

// The surface's pixels inside `rect` (null: all) as A8R8G8B8. `palette` (256
// entries) serves P8 surfaces.
HRESULT ReadSurface(IDirect3DSurface8* surface, const RECT* rect, const PALETTEENTRY* palette, Image& out);

// The surface's stored bytes (whole surface), as a DDS surface record.
HRESULT ReadSurfaceRaw(IDirect3DSurface8* surface, RawSurface& out);
HRESULT WriteSurfaceRaw(IDirect3DSurface8* surface, const RawSurface& raw);

// Scales `src` into `rect` of the surface (null: all) with the filter and
// colour key, converting to the surface's format.
HRESULT WriteSurface(IDirect3DSurface8* surface, const RECT* rect, const Image& src, DWORD filter, D3DCOLOR colorKey);

// Filter words: D3DX_DEFAULT becomes `fallback`; false for invalid words.
bool ResolveFilter(DWORD filter, DWORD fallback, DWORD& out);

// A sub-rectangle of an image; false when it does not lie inside.
bool CropImage(const Image& src, const RECT* rect, Image& out);

} // namespace kestu::d3dx
