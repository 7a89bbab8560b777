#include <cmath>
#include <new>

#include "effects/billboard/BBRows.h"
#include "kestu_billboard.h"
#include "kestu_log.h"

namespace {
const float kTwoPi = 6.28318530718f;
// More triangles than one draw of 16-bit vertex counts takes is no fan.
const DWORD kMaxSegmentCount = 0xFFFD;
} // namespace

CBBFan::CBBFan() { D3DXMatrixIdentity(&m_matWorld); }

HRESULT CBBFan::Build(const SBBInit* init)
{
    if (m_bBuilt) Release();
    SBBFanInit shape;
    if (const auto* fan = dynamic_cast<const SBBFanInit*>(init)) shape = *fan;
    if (shape.dwSegmentCount > kMaxSegmentCount) return static_cast<HRESULT>(0x82000109);
    m_dwSegmentCount = shape.dwSegmentCount;
    // The centre, then the rim closing on itself.
    m_dwVerNum = m_dwSegmentCount + 2;
    m_vDirection = shape.vDirection;
    m_vUp = shape.vUp;
    const HRESULT hr = CBB3d::Build(init);
    if (FAILED(hr)) return hr;
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    v[0].u = v[0].v = 0.0f;
    for (DWORD i = 1; i < m_dwVerNum; ++i) v[i].u = v[i].v = 1.0f;
    ModifyShape(shape.eFaceDir, shape.fHeight, shape.fRadius, static_cast<int>(shape.dwSegments));
    ApplyDirection();
    return S_OK;
}

HRESULT CBBFan::ModifyShape(ENUM_BBFAN_FACE_DIR faceDir, float height, float radius, int segments)
{
    m_eFaceDir = faceDir;
    m_fHeight = height;
    m_fRadius = radius;
    m_nSegments = segments;
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    if (v == nullptr) return S_OK;
    v[0].x = v[0].y = v[0].z = 0.0f;
    // A circle of no segments has no angle step; its rim stays on one point.
    const float step = segments > 0 ? kTwoPi / static_cast<float>(segments) : 0.0f;
    for (DWORD i = 1; i <= m_dwSegmentCount + 1; ++i) {
        const DWORD k = faceDir != BBFAN_FACE_FRONT ? m_dwSegmentCount - (i - 1) : i - 1;
        const float a = static_cast<float>(k) * step;
        v[i].x = std::cos(a) * radius;
        v[i].y = std::sin(a) * radius;
        v[i].z = height;
    }
    if (segments > 0 && m_dwSegmentCount == static_cast<DWORD>(segments)) {
        v[1].x = v[m_dwVerNum - 1].x;
        v[1].y = v[m_dwVerNum - 1].y;
        v[1].z = v[m_dwVerNum - 1].z;
    }
    return S_OK;
}

void CBBFan::ApplyDirection()
{
    D3DXVECTOR3 side;
    D3DXVec3Cross(&side, &m_vUp, &m_vDirection);
    kestu_bb::SetRows(m_matWorld, side, m_vUp, m_vDirection);
    DecideIsVisible();
}

void CBBFan::SetDirection(const D3DXVECTOR3* dir, const D3DXVECTOR3* up)
{
    if (dir != nullptr) m_vDirection = *dir;
    if (up != nullptr) m_vUp = *up;
    ApplyDirection();
}

void CBBFan::SetDiffuse(DWORD centre, DWORD rim)
{
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    if (v == nullptr) return;
    v[0].color = centre;
    for (DWORD i = 1; i < m_dwVerNum; ++i) v[i].color = rim;
}

HRESULT CBBFan::SetTexCoor(const D3DXVECTOR2& centre, const D3DXVECTOR2* rim)
{
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    if (v == nullptr) return KESTUERR_SURFACENOTBUILT;
    v[0].u = centre.x;
    v[0].v = centre.y;
    if (rim == nullptr) return S_OK;
    for (DWORD i = 1; i < m_dwVerNum; ++i) {
        v[i].u = rim[i - 1].x;
        v[i].v = rim[i - 1].y;
    }
    return S_OK;
}

HRESULT CBBFan::DrawShape(IDirect3DDevice8* device)
{
    // A fan of no triangles is no draw at all.
    if (m_dwSegmentCount == 0) return S_OK;
    return device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, m_dwSegmentCount, m_pVertices, sizeof(SKESTUBBVERTEX));
}
