// Debug and interface lines: thick screen-space lines and bars, and
// one-pixel world-space lines, coloured by the device's texture factor.
#pragma once
#include "d3d8.h"
#include "d3dx8.h"
#include "kestu_export.h"

class KESTU_API CGfxLine2d {
public:
    CGfxLine2d() {}
    virtual ~CGfxLine2d() {}

    long Build();
    void Release() {}

    void BeginDrawLine2D(IDirect3DDevice8* device);
    void EndDrawLine2D(IDirect3DDevice8* device);
    long DrawLineQuick(IDirect3DDevice8* device, float x0, float y0, float x1, float y1, DWORD colour, float width,
                       float z);
    long DrawLineFastQuick(IDirect3DDevice8* device, float x, float y, float w, float h, DWORD colour, float z);
    long DrawLine(IDirect3DDevice8* device, float x0, float y0, float x1, float y1, DWORD colour, float width, float z);
    long DrawLineFast(IDirect3DDevice8* device, float x, float y, float w, float h, DWORD colour, float z);

private:
    long DrawQuad(IDirect3DDevice8* device, DWORD colour);

    DWORD m_dwStride = 0;
    DWORD m_dwSavedStates[4] = {};
    BOOL m_bBegun = FALSE;
};

class KESTU_API CGfxLine3d {
public:
    CGfxLine3d() {}

    long Build(IDirect3DDevice8* device);
    void Release() { m_pDevice = nullptr; }

    void BeginDrawLine3D();
    void EndDrawLine3D();
    long DrawLineQuick(const D3DXVECTOR3* a, const D3DXVECTOR3* b, DWORD colour);
    long DrawStripQuick(const D3DXVECTOR3* points, DWORD count, DWORD colour);
    long DrawLine(const D3DXVECTOR3* a, const D3DXVECTOR3* b, DWORD colour);
    long DrawStrip(const D3DXVECTOR3* points, DWORD count, DWORD colour);

private:
    DWORD m_dwStride = 0;
    D3DXVECTOR3 m_vStart;
    D3DXVECTOR3 m_vEnd;
    IDirect3DDevice8* m_pDevice = nullptr;
    DWORD m_dwSavedStates[2] = {};
    BOOL m_bBegun = FALSE;
};
