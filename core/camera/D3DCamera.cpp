#include "kestu_d3dutil.h"

CD3DCamera::CD3DCamera()
{
    D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 at(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    SetViewParams(eye, at, up);
    SetProjParams(D3DX_PI / 4.0f, 1.0f, 1.0f, 1000.0f);
}

void CD3DCamera::SetViewParams(D3DXVECTOR3& eye, D3DXVECTOR3& lookAt, D3DXVECTOR3& up)
{
    m_vEyePt = eye;
    m_vLookatPt = lookAt;
    m_vUpVec = up;
    const D3DXVECTOR3 dir = lookAt - eye;
    D3DXVec3Normalize(&m_vViewDir, &dir);
    const D3DXVECTOR3& v = m_vViewDir;
    m_vCross = D3DXVECTOR3(v.y * up.z - v.z * up.y, v.z * up.x - v.x * up.z, v.x * up.y - v.y * up.x);
    D3DXMatrixLookAtLH(&m_matView, &m_vEyePt, &m_vLookatPt, &m_vUpVec);
    D3DXMatrixInverse(&m_matBillboard, nullptr, &m_matView);
    m_matBillboard._41 = 0.0f;
    m_matBillboard._42 = 0.0f;
    m_matBillboard._43 = 0.0f;
}

void CD3DCamera::SetProjParams(float fov, float aspect, float nearPlane, float farPlane)
{
    m_fFOV = fov;
    m_fAspect = aspect;
    m_fNearPlane = nearPlane;
    m_fFarPlane = farPlane;
    D3DXMatrixPerspectiveFovLH(&m_matProj, fov, aspect, nearPlane, farPlane);
}
