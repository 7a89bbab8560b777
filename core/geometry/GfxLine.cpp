#include "kestu_line.h"

#include <cmath>
#include <iterator>

#include "core/device/DeviceState.h"

namespace {

struct LineVertex2D {
    float x, y, z, rhw;
};

// The quad of every 2D line; rhw stays 1.
LineVertex2D g_LineVertices[4] = {
    {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}};

void SetQuad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3, float z)
{
    const float xs[4] = {x0, x1, x2, x3};
    const float ys[4] = {y0, y1, y2, y3};
    for (int i = 0; i < 4; ++i) {
        g_LineVertices[i].x = xs[i];
        g_LineVertices[i].y = ys[i];
        g_LineVertices[i].z = z;
    }
}

// Stage 0 draws the texture factor: colour and alpha for 2D lines, colour
// for 3D ones (the first two rows).
constexpr kestu::StateRow kFactorStates[] = {
    {0, D3DTSS_COLOROP, D3DTOP_SELECTARG1},
    {0, D3DTSS_COLORARG1, D3DTA_TFACTOR},
    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
    {0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR},
};
constexpr size_t kLine2DStates = std::size(kFactorStates);
constexpr size_t kLine3DStates = 2;

} // namespace

// ---- CGfxLine2d ----

long CGfxLine2d::Build()
{
    m_dwStride = D3DXGetFVFVertexSize(D3DFVF_XYZRHW);
    m_bBegun = FALSE;
    return 0;
}

void CGfxLine2d::BeginDrawLine2D(IDirect3DDevice8* device)
{
    if (m_bBegun) return;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    kestu::SaveStates(device, kFactorStates, kLine2DStates, m_dwSavedStates);
    m_bBegun = TRUE;
}

void CGfxLine2d::EndDrawLine2D(IDirect3DDevice8* device)
{
    if (!m_bBegun) return;
    kestu::PutBackDiffering(device, kFactorStates, kLine2DStates, m_dwSavedStates);
    m_bBegun = FALSE;
}

long CGfxLine2d::DrawQuad(IDirect3DDevice8* device, DWORD colour)
{
    device->SetTexture(0, nullptr);
    device->SetVertexShader(D3DFVF_XYZRHW);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, colour);
    return device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, g_LineVertices, m_dwStride);
}

long CGfxLine2d::DrawLineQuick(IDirect3DDevice8* device, float x0, float y0, float x1, float y1, DWORD colour,
                               float width, float z)
{
    if (!m_bBegun) return S_FALSE;
    float ax = x0, ay = y0, bx = x1, by = y1;
    if (!(x0 < x1 || (x0 == x1 && y1 < y0))) {
        ax = x1;
        ay = y1;
        bx = x0;
        by = y0;
    }
    const float h = width * 0.5f;
    float ox, oy;
    if (x0 == x1) {
        ox = h;
        oy = 0.0f;
    } else {
        const float s = (by - ay) / (bx - ax);
        oy = std::sqrt(h * h / (s * s + 1.0f));
        ox = -oy * s;
    }
    SetQuad(ax + ox, ay + oy, ax - ox, ay - oy, bx - ox, by - oy, bx + ox, by + oy, z);
    return DrawQuad(device, colour);
}

long CGfxLine2d::DrawLineFastQuick(IDirect3DDevice8* device, float x, float y, float w, float h, DWORD colour, float z)
{
    if (!m_bBegun) return S_FALSE;
    SetQuad(x, y + h, x, y, x + w, y, x + w, y + h, z);
    return DrawQuad(device, colour);
}

long CGfxLine2d::DrawLine(IDirect3DDevice8* device, float x0, float y0, float x1, float y1, DWORD colour, float width,
                          float z)
{
    BeginDrawLine2D(device);
    long hr = DrawLineQuick(device, x0, y0, x1, y1, colour, width, z);
    EndDrawLine2D(device);
    return hr;
}

long CGfxLine2d::DrawLineFast(IDirect3DDevice8* device, float x, float y, float w, float h, DWORD colour, float z)
{
    BeginDrawLine2D(device);
    long hr = DrawLineFastQuick(device, x, y, w, h, colour, z);
    EndDrawLine2D(device);
    return hr;
}

// ---- CGfxLine3d ----

long CGfxLine3d::Build(IDirect3DDevice8* device)
{
    m_pDevice = device;
    m_dwStride = D3DXGetFVFVertexSize(D3DFVF_XYZ);
    m_vStart = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_vEnd = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_bBegun = FALSE;
    return 0;
}

void CGfxLine3d::BeginDrawLine3D()
{
    if (m_bBegun || !m_pDevice) return;
    kestu::SaveStates(m_pDevice, kFactorStates, kLine3DStates, m_dwSavedStates);
    m_bBegun = TRUE;
}

void CGfxLine3d::EndDrawLine3D()
{
    if (!m_bBegun) return;
    kestu::PutBackDiffering(m_pDevice, kFactorStates, kLine3DStates, m_dwSavedStates);
    m_bBegun = FALSE;
}

long CGfxLine3d::DrawLineQuick(const D3DXVECTOR3* a, const D3DXVECTOR3* b, DWORD colour)
{
    if (!m_bBegun) return S_FALSE;
    m_vStart = *a;
    m_vEnd = *b;
    const D3DXVECTOR3 points[2] = {m_vStart, m_vEnd};
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetVertexShader(D3DFVF_XYZ);
    m_pDevice->SetRenderState(D3DRS_TEXTUREFACTOR, colour);
    return m_pDevice->DrawPrimitiveUP(D3DPT_LINELIST, 1, points, m_dwStride);
}

long CGfxLine3d::DrawStripQuick(const D3DXVECTOR3* points, DWORD count, DWORD colour)
{
    if (!m_bBegun) return S_FALSE;
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetVertexShader(D3DFVF_XYZ);
    m_pDevice->SetRenderState(D3DRS_TEXTUREFACTOR, colour);
    return m_pDevice->DrawPrimitiveUP(D3DPT_LINESTRIP, count ? count - 1 : 0, points, m_dwStride);
}

long CGfxLine3d::DrawLine(const D3DXVECTOR3* a, const D3DXVECTOR3* b, DWORD colour)
{
    BeginDrawLine3D();
    long hr = DrawLineQuick(a, b, colour);
    EndDrawLine3D();
    return hr;
}

long CGfxLine3d::DrawStrip(const D3DXVECTOR3* points, DWORD count, DWORD colour)
{
    BeginDrawLine3D();
    long hr = DrawStripQuick(points, count, colour);
    EndDrawLine3D();
    return hr;
}
