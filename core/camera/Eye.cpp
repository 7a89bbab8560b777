#include "kestu_eye.h"

#include <cmath>

#include "core/camera/EyeListener.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_resolution.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;
const D3DXVECTOR3 kWorldUp(0.0f, 1.0f, 0.0f);

constinit const SEyeListener* g_pListener = nullptr;

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 r;
    D3DXVec3Cross(&r, &a, &b);
    return r;
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

D3DXMATRIX AxisRotation(const D3DXVECTOR3& axis, float angle)
{
    D3DXMATRIX m;
    D3DXMatrixRotationAxis(&m, &axis, angle);
    return m;
}

void TurnVector(D3DXVECTOR3& v, const D3DXMATRIX& m) { D3DXVec3TransformNormal(&v, &v, &m); }

} // namespace

void SetEyeListener(const SEyeListener* listener) { g_pListener = listener; }

const SEyeListener* GetEyeListener() { return g_pListener; }

// ---- CViewingFrustum ----

CViewingFrustum::CViewingFrustum()
{
    m_ViewportSize.cx = 1.0f;
    m_ViewportSize.cy = 1.0f;
    SetViewingFrustum(1.0471976f, 1.0f, 1.0f, 100.0f, 1.1f, 0, 1, FRUSTUM_WIDEN_RATE);
}

CViewingFrustum::CViewingFrustum(float fov, float aspect, float nearZ, float farZ, float widen, int ortho, int limited,
                                 ENUM_FRUSTUM_WIDEN_MODE mode)
{
    m_ViewportSize.cx = 1.0f;
    m_ViewportSize.cy = 1.0f;
    SetViewingFrustum(fov, aspect, nearZ, farZ, widen, ortho, limited, mode);
}

void CViewingFrustum::SetViewingFrustumEx(float fov, float aspect, float nearZ, float farZ, int ortho,
                                          ENUM_FRUSTUM_WIDEN_MODE mode, float w0, float w1, float w2, float w3,
                                          float w4, int limit0, int limit1, int limit2, int limit3, int limit4)
{
    m_fFov = fov;
    m_fAspect = aspect;
    m_fFovX = fov * aspect;
    m_fNearZ = nearZ;
    m_fFarZ = farZ;
    m_bOrtho = ortho;
    m_eWidenMode = mode;
    const float w[5] = {w0, w1, w2, w3, w4};
    const int limits[5] = {limit0, limit1, limit2, limit3, limit4};
    for (int i = 0; i < 5; ++i) {
        m_fWiden[i] = w[i];
        m_bLimited[i] = limits[i];
    }
    ApplyViewingFrustum();
}

void CViewingFrustum::SetViewingFrustum(float fov, float aspect, float nearZ, float farZ, float widen, int ortho,
                                        int limited, ENUM_FRUSTUM_WIDEN_MODE mode)
{
    SetViewingFrustumEx(fov, aspect, nearZ, farZ, ortho, mode, widen, widen, widen, widen, widen, limited, limited,
                        limited, limited, limited);
}

void CViewingFrustum::SetOrthoMode(int ortho)
{
    if (ortho == m_bOrtho) return;
    m_bOrtho = ortho;
    ApplyViewingFrustum();
}

int CViewingFrustum::IsInViewportRect(float x, float y) const
{
    const float hw = m_ViewportSize.cx * 0.5f, hh = m_ViewportSize.cy * 0.5f;
    return -hw <= x && x <= hw && -hh <= y && y <= hh ? 1 : 0;
}

void CViewingFrustum::ApplyViewingFrustum()
{
    if (m_bOrtho) {
        // One world unit per 16 pixels of the configured screen height.
        const DWORD h = Kestu_GetWinCyByRes(g_GfxConfig.GetCfg()->eResolution);
        m_ViewportSize.cy = static_cast<float>(h) * 0.0625f;
        m_ViewportSize.cx = static_cast<float>(h) * m_fAspect * 0.0625f;
        D3DXMatrixOrthoLH(&m_matProj, m_ViewportSize.cx, m_ViewportSize.cy, m_fNearZ, m_fFarZ);
    } else {
        const float t = std::tan(m_fFov * 0.5f);
        m_ViewportSize.cy = 2.0f * t * m_fNearZ;
        m_ViewportSize.cx = 2.0f * t * m_fNearZ * m_fAspect;
        D3DXMatrixPerspectiveFovLH(&m_matProj, m_fFov, m_fAspect, m_fNearZ, m_fFarZ);
    }
    const float* w = m_fWiden;
    const int32_t* l = m_bLimited;
    m_RawFrustum.InitRawFrustumEx(m_fFov, m_fAspect, m_fFarZ, m_eWidenMode, w[0], w[1], w[2], w[3], w[4], l[0], l[1],
                                  l[2], l[3], l[4]);
    const D3DXVECTOR3 pos = m_vPos;
    InitRawFrustumEx(m_fFov, m_fAspect, m_fFarZ, m_eWidenMode, w[0], w[1], w[2], w[3], w[4], l[0], l[1], l[2], l[3],
                     l[4]);
    m_vPos = pos;
}

// ---- CEye ----

CEye::~CEye()
{
    if (g_pListener) g_pListener->destroyed(this);
}

CEye::CEye()
    : m_vUp(0.0f, 1.0f, 0.0f), m_vDir(0.0f, 0.0f, 1.0f), m_vRight(1.0f, 0.0f, 0.0f), m_fMaxLean(kHalfPi),
      m_fCosMaxLean(std::cos(kHalfPi))
{
    D3DXMatrixIdentity(&m_matView);
    D3DXMatrixIdentity(&m_matViewInv);
    D3DXMatrixIdentity(&m_matToScreen);
}

void CEye::SetPos(D3DXVECTOR3* pos, int apply)
{
    m_vPos = *pos;
    if (apply) ApplyChange();
}

void CEye::MoveTo(float x, float y, float z)
{
    m_vPos = D3DXVECTOR3(x, y, z);
    ApplyChange();
}

void CEye::SetDirection(const D3DXVECTOR3* dir, const D3DXVECTOR3* up, int apply)
{
    m_vDir = Normalized(*dir);
    if (up) m_vUp = Normalized(*up);
    m_vRight = Cross(m_vUp, m_vDir);
    m_vUp = Cross(m_vDir, m_vRight);
    if (apply) ApplyChange();
}

void CEye::Rotate(const D3DXMATRIX& m, bool up, bool right, bool dir)
{
    if (up) TurnVector(m_vUp, m);
    if (right) TurnVector(m_vRight, m);
    if (dir) TurnVector(m_vDir, m);
}

void CEye::CheckLean(const D3DXVECTOR3& savedDir, const D3DXVECTOR3& savedUp, int apply)
{
    if (!m_bLeanLimit || !(m_vUp.y < m_fCosMaxLean)) return;
    m_vDir = savedDir;
    m_vUp = savedUp;
    if (apply) ApplyChange();
}

void CEye::Pitch(float angle, int apply)
{
    if (angle == 0.0f) return;
    const D3DXVECTOR3 savedDir = m_vDir, savedUp = m_vUp;
    if (IsFree())
        Rotate(AxisRotation(m_vRight, angle), true, false, true);
    else
        Rotate(AxisRotation(Cross(kWorldUp, m_vDir), angle), true, true, true);
    if (apply) ApplyChange();
    CheckLean(savedDir, savedUp, apply);
}

void CEye::Yaw(float angle, int apply)
{
    if (angle == 0.0f) return;
    if (IsFree()) {
        Rotate(AxisRotation(m_vUp, angle), false, true, true);
    } else {
        D3DXMATRIX m;
        D3DXMatrixRotationY(&m, angle);
        Rotate(m, true, true, true);
    }
    if (apply) ApplyChange();
}

void CEye::Roll(float angle, int apply)
{
    if (angle == 0.0f) return;
    const D3DXVECTOR3 savedDir = m_vDir, savedUp = m_vUp;
    if (IsFree())
        Rotate(AxisRotation(m_vDir, angle), true, true, false);
    else
        Rotate(AxisRotation(D3DXVECTOR3(m_vDir.x, 0.0f, m_vDir.z), angle), true, true, true);
    if (apply) ApplyChange();
    CheckLean(savedDir, savedUp, apply);
}

void CEye::Turn(float pitch, float yaw, float roll)
{
    if (pitch == 0.0f && yaw == 0.0f && roll == 0.0f) return;
    const D3DXVECTOR3 savedDir = m_vDir, savedUp = m_vUp;
    if (IsFree()) {
        if (pitch != 0.0f) Rotate(AxisRotation(Cross(m_vUp, m_vDir), pitch), true, false, true);
        if (yaw != 0.0f) Rotate(AxisRotation(m_vUp, yaw), false, false, true);
        if (roll != 0.0f) Rotate(AxisRotation(m_vDir, roll), true, false, false);
    } else {
        if (pitch != 0.0f) Rotate(AxisRotation(Cross(kWorldUp, m_vDir), pitch), true, true, true);
        if (yaw != 0.0f) {
            D3DXMATRIX m;
            D3DXMatrixRotationY(&m, yaw);
            Rotate(m, true, true, true);
        }
        if (roll != 0.0f) Rotate(AxisRotation(D3DXVECTOR3(m_vDir.x, 0.0f, m_vDir.z), roll), true, true, true);
    }
    ApplyChange();
    CheckLean(savedDir, savedUp, 1);
}

void CEye::TurnTo(float pitch, float yaw, float roll)
{
    m_vUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    m_vDir = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    D3DXMATRIX m;
    D3DXMatrixRotationX(&m, pitch);
    Rotate(m, true, false, true);
    D3DXMatrixRotationY(&m, yaw);
    Rotate(m, true, false, true);
    D3DXMatrixRotationZ(&m, roll);
    Rotate(m, true, false, true);
    ApplyChange();
}

void CEye::MoveUp(float d, int apply)
{
    if (d == 0.0f) return;
    if (IsFree())
        m_vPos += Normalized(m_vUp) * d;
    else
        m_vPos.y += d;
    if (apply) ApplyChange();
}

void CEye::MoveRight(float d, int apply)
{
    if (d == 0.0f) return;
    m_vPos += Cross(IsFree() ? m_vUp : kWorldUp, m_vDir) * d;
    if (apply) ApplyChange();
}

void CEye::MoveForward(float d, int apply)
{
    if (d == 0.0f) return;
    if (IsFree())
        m_vPos += Normalized(m_vDir) * d;
    else
        m_vPos += Normalized(D3DXVECTOR3(m_vDir.x, 0.0f, m_vDir.z)) * d;
    if (apply) ApplyChange();
}

void CEye::Move(float up, float right, float forward)
{
    if (up == 0.0f && right == 0.0f && forward == 0.0f) return;
    MoveUp(up, 0);
    MoveRight(right, 0);
    MoveForward(forward, 0);
    ApplyChange();
}

void CEye::ForceLevel()
{
    m_vUp = kWorldUp;
    m_vDir = Cross(Cross(m_vUp, m_vDir), m_vUp);
    ApplyChange();
}

void CEye::SetCtrlMode(ENUM_EYECTRL_MODE mode)
{
    if (mode == m_eCtrlMode) return;
    m_eCtrlMode = mode;
    if (!IsFree() && m_vUp.y < m_fCosMaxLean) {
        m_vUp = kWorldUp;
        m_vDir.y = 0.0f;
        m_vDir = Normalized(m_vDir);
        ApplyChange();
    }
}

void CEye::SetMaxLean(float angle)
{
    if (angle > kHalfPi) angle = kHalfPi;
    m_fMaxLean = angle;
    m_fCosMaxLean = std::cos(angle);
}

void CEye::SetFixedFrustum(int fixed)
{
    if (fixed == m_bFixedFrustum) return;
    m_bFixedFrustum = fixed;
    if (fixed) {
        m_fFixedYaw = m_fYaw;
        m_fFixedPitch = m_fPitch;
        m_fFixedRoll = m_fRoll;
        m_FixedFrustum.SetByRawFrustum(&m_RawFrustum, m_fYaw, m_fPitch, 0.0f, &m_vPos);
        // While frozen the projection uses a four times larger near distance;
        // turning the freeze off rebuilds it with the stored near distance.
        const float nearZ = m_fNearZ;
        m_fNearZ = nearZ * 4.0f;
        ApplyViewingFrustum();
        m_fNearZ = nearZ;
    } else {
        ApplyViewingFrustum();
    }
}

void CEye::CalcUnwidenedFrustum(CFrustum* out) const
{
    out->InitRawFrustumEx(m_fFov, m_fAspect, m_fFarZ, FRUSTUM_WIDEN_RATE, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1, 1, 1, 1, 1);
    if (m_bFixedFrustum)
        out->SetByRawFrustum(nullptr, m_fFixedYaw, m_fFixedPitch, m_fFixedRoll, m_FixedFrustum.GetPos());
    else
        out->SetByRawFrustum(nullptr, m_fYaw, m_fPitch, m_fRoll, &m_vPos);
}

void CEye::UpdateFrustum() { SetByRawFrustum(&m_RawFrustum, m_fYaw, m_fPitch, 0.0f, &m_vPos); }

float CEye::GetDot(const D3DXVECTOR3* p) const { return D3DXVec3Dot(&m_vDir, p) - m_fViewPlaneDist; }

float CEye::GetRelAngel(float x, float z) const
{
    const float dx = m_vPos.x - x, dz = m_vPos.z - z;
    float a;
    if (dx != 0.0f)
        a = -std::atan(dz / dx);
    else
        a = dz > 0.0f ? -kHalfPi : (dz < 0.0f ? kHalfPi : 0.0f);
    return m_vPos.x > x ? a : a - kPi;
}

int CEye::Vec3TransToScreen(D3DXVECTOR3* out, const D3DXVECTOR3* in)
{
    D3DXVECTOR4 v;
    D3DXVec3Transform(&v, in, &m_matToScreen);
    const float k = 1.0f / v.w;
    *out = D3DXVECTOR3(v.x * k, v.y * k, v.z * k);
    return v.w >= m_fNearZ ? 1 : 0;
}

void CEye::GetPickedRay(int width, int height, int x, int y, D3DXVECTOR3* out) const
{
    const float vx = ((2.0f * x / width) - 1.0f) / m_matProj._11;
    const float vy = -((2.0f * y / height) - 1.0f) / m_matProj._22;
    const D3DXMATRIX& m = m_matViewInv;
    D3DXVECTOR3 ray(vx * m._11 + vy * m._21 + m._31, vx * m._12 + vy * m._22 + m._32, vx * m._13 + vy * m._23 + m._33);
    D3DXVec3Normalize(out, &ray);
}

void CEye::UpdateToScreenMatrix() { D3DXMatrixMultiply(&m_matToScreen, &m_matView, &m_matProj); }

void CEye::ApplyChange()
{
    const D3DXVECTOR3 at = m_vPos + m_vDir;
    // Looking straight up or down leaves world up without a sideways part;
    // take the camera's own up (or world forward) so the view stays finite.
    auto parallel = [this](const D3DXVECTOR3& v) {
        const D3DXVECTOR3 side = Cross(v, m_vDir);
        return D3DXVec3LengthSq(&side) < 1e-12f;
    };
    D3DXVECTOR3 up = kWorldUp;
    if (parallel(up)) {
        up = m_vUp;
        if (parallel(up)) up = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    }
    D3DXMatrixLookAtLH(&m_matView, &m_vPos, &at, &up);
    if (!D3DXMatrixInverse(&m_matViewInv, nullptr, &m_matView)) D3DXMatrixIdentity(&m_matViewInv);
    m_fViewPlaneDist = D3DXVec3Dot(&m_vPos, &m_vDir);

    const float x = m_vDir.x, y = m_vDir.y, z = m_vDir.z;
    if (x > 0.0f)
        m_fYaw = kHalfPi - std::atan(z / x);
    else if (x < 0.0f)
        m_fYaw = -std::atan(z / x) - kHalfPi;
    else
        m_fYaw = z >= 0.0f ? 0.0f : kPi;
    const float h = std::sqrt(z * z + x * x);
    if (h != 0.0f)
        m_fPitch = -std::atan(y / h);
    else
        m_fPitch = y < 0.0f ? kHalfPi : -kHalfPi;
    m_fRoll = 0.0f;

    SetByRawFrustum(&m_RawFrustum, m_fYaw, m_fPitch, 0.0f, &m_vPos);
    UpdateToScreenMatrix();
    if (g_pListener) g_pListener->changed(this);
    OnChanged();
}
