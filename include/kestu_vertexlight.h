// Fixed-function style lighting computed on the processor and written into
// the 32-bit diffuse colours of vertices.
#pragma once
#include "d3d8.h"
#include "d3dx8.h"
#include "kestu_export.h"
#include "kestu_intersect.h"

// Combine modes of GfxCalcVertexLight; any other value replaces.
constexpr DWORD VERTEXLIGHT_ADD = 1;
constexpr DWORD VERTEXLIGHT_MODULATE = 0x1000;

using PFN_VERTEXAMBIENTCALLBACK = void (*)(const D3DMATERIAL8* material, const D3DXCOLOR* ambient, DWORD value,
                                           DWORD* colour);

// Packs a float colour into 0xAARRGGBB: channels clamp to [0, 1] and round.
KESTU_API DWORD GfxPackVertexColor(const D3DXCOLOR& c);

KESTU_API long CalcualateVertexGlobalAmbientLight(const D3DMATERIAL8* material, DWORD* colours, DWORD stride,
                                                  DWORD count, const D3DXCOLOR* ambient);
KESTU_API long CalcualateVertexGlobalAmbientLightEx(const D3DMATERIAL8* material, DWORD* colours, DWORD stride,
                                                    DWORD count, const D3DXCOLOR* ambient, DWORD value,
                                                    PFN_VERTEXAMBIENTCALLBACK callback);
KESTU_API long CalcualateVertexGlobalAmbientLight_OneVertex(DWORD* colour, const D3DMATERIAL8* material,
                                                            const D3DXCOLOR* ambient);

KESTU_API long CalcualateVertexLight(const D3DMATERIAL8* material, const D3DLIGHT8* lights, DWORD lightCount,
                                     BYTE* vertices, DWORD colourOffset, DWORD stride, DWORD count,
                                     const D3DXVECTOR3* normal, int add, const D3DXCOLOR* ambient);
KESTU_API long CalcualateVertexLight_OneVertex(DWORD* colour, const D3DMATERIAL8* material, const D3DLIGHT8* lights,
                                               DWORD lightCount, const D3DXVECTOR3* position, const D3DXVECTOR3* normal,
                                               int add, const D3DXCOLOR* ambient);

KESTU_API long GfxCalcVertexLight(DWORD* colours, DWORD colourStride, const D3DXVECTOR3* positions,
                                  DWORD positionStride, const D3DXVECTOR3* normals, DWORD normalStride, DWORD count,
                                  const D3DLIGHT8* lights, DWORD lightCount, const D3DMATERIAL8* material, DWORD mode,
                                  const DWORD* steps, const float* scales, const SFacesList* faces);
