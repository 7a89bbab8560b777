// Geometry free functions: point-in-triangle, segment-against-triangle tests,
// Cohen-Sutherland clipping by a 2D rectangle or a box, and vertex normals
// from a face list. A segment is origin + t * direction for 0 <= t <= 1.
#pragma once
#include "kestu_bound.h"
#include "d3d8.h"
#include "kestu_export.h"

// Three indices per face, 16- or 32-bit.
struct KESTU_API SFacesList {
    const void* indices = nullptr;
    D3DFORMAT format = D3DFMT_INDEX32;
    DWORD count = 0;
};

KESTU_API int GfxPointInTriangle(const D3DXVECTOR3* p, const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                                 float tolerance);
KESTU_API int GfxLineIntersectFace(float* t, D3DXVECTOR3* hit, const D3DXVECTOR3* origin, const D3DXVECTOR3* direction,
                                   const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                                   const D3DXVECTOR3* normal, D3DCULL cull);
KESTU_API int GfxLineIntersectTriangle(float* t, D3DXVECTOR3* hit, const D3DXVECTOR3* origin,
                                       const D3DXVECTOR3* direction, const SBoundBox* segmentBox, const D3DXVECTOR3* a,
                                       const D3DXVECTOR3* b, const D3DXVECTOR3* c, const D3DXVECTOR3* normal,
                                       D3DCULL cull, float tolerance);
KESTU_API int GfxLineIntersectTriList(DWORD* nearFace, float* nearT, DWORD* farFace, float* farT,
                                      const D3DXVECTOR3* origin, const D3DXVECTOR3* direction,
                                      const D3DXVECTOR3* vertices, DWORD stride, const SFacesList* faces, D3DCULL cull,
                                      float tolerance);
KESTU_API int GfxLineClipByRect(const KESTURECT2& rect, float& x0, float& y0, float& x1, float& y1);
KESTU_API int GfxLineClipByBox(const SBoundBox& box, D3DXVECTOR3& p0, D3DXVECTOR3& p1);
KESTU_API long GfxCalcVerNormalByFaces(D3DXVECTOR3* normals, DWORD normalStride, const D3DXVECTOR3* positions,
                                       DWORD positionStride, const SFacesList* faces, int weld, float positionTolerance,
                                       float angle);
