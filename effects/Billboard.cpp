#include "kestu_billboard.h"

#include "kestu_eye.h"

namespace {
D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}
} // namespace

CEye* CBillboard::m_pEye = nullptr;
alignas(16) D3DXMATRIX CBBFaceMe::m_matWorldFaceMe = Identity();
alignas(16) D3DXMATRIX CBBVertical::m_matWorldBBVertical = Identity();

void CBBFaceMe::UpdateWorldMatrix(CEye* eye)
{
    D3DXMATRIX pitch, yaw;
    D3DXMatrixRotationX(&pitch, eye->GetPitch());
    D3DXMatrixRotationY(&yaw, eye->GetYaw());
    D3DXMatrixMultiply(&m_matWorldFaceMe, &pitch, &yaw);
    m_pEye = eye;
}

void CBBVertical::UpdateWorldMatrix(CEye* eye)
{
    D3DXMatrixRotationY(&m_matWorldBBVertical, eye->GetYaw());
    m_pEye = eye;
}
