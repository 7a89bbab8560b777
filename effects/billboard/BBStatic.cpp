#include "effects/billboard/BBRows.h"
#include "kestu_billboard.h"
#include "kestu_eye.h"

CBBStatic::CBBStatic() { D3DXMatrixIdentity(&m_matWorld); }

HRESULT CBBStatic::Build(const SBBInit* init)
{
    const HRESULT hr = CBBRect::Build(init);
    if (FAILED(hr)) return hr;
    if (const auto* s = dynamic_cast<const SBBStaticInit*>(init)) {
        m_vDirection = s->vDirection;
        m_vUp = s->vUp;
    } else {
        m_vDirection = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
        m_vUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    }
    ApplyDirection();
    // The base decided with the direction the billboard had before.
    if (m_pEye != nullptr) DecideIsVisible();
    return S_OK;
}

void CBBStatic::ApplyDirection()
{
    D3DXVECTOR3 side;
    D3DXVec3Cross(&side, &m_vDirection, &m_vUp);
    kestu_bb::SetRows(m_matWorld, side, m_vUp, -m_vDirection);
    m_fPlaneD = D3DXVec3Dot(&m_vDirection, &m_vPos);
}

void CBBStatic::SetDirection(const D3DXVECTOR3* dir, const D3DXVECTOR3* up)
{
    if (dir != nullptr) m_vDirection = *dir;
    if (up != nullptr) m_vUp = *up;
    ApplyDirection();
}

int CBBStatic::DecideIsVisible()
{
    if (m_pEye == nullptr) return m_bVisible = 1;
    // The plane moves with the billboard.
    m_fPlaneD = D3DXVec3Dot(&m_vDirection, &m_vPos);
    m_bVisible = m_pEye->IsContain(&m_vPos) && D3DXVec3Dot(&m_vDirection, m_pEye->GetPos()) - m_fPlaneD > 0.0f ? 1 : 0;
    return m_bVisible;
}
