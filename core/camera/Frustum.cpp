#include "kestu_frustum.h"

#include <cmath>

namespace {
D3DXVECTOR3 Normalized(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}
} // namespace

CFrustum::CFrustum() : m_vPos(0.0f, 0.0f, 0.0f)
{
    for (int i = 0; i < 5; ++i) {
        m_fWiden[i] = 1.0f;
        m_bLimited[i] = 1;
    }
}

void CFrustum::InitRawFrustumEx(float fov, float aspect, float farDist, ENUM_FRUSTUM_WIDEN_MODE mode, float w0,
                                float w1, float w2, float w3, float w4, int limit0, int limit1, int limit2, int limit3,
                                int limit4)
{
    m_vPos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_fFarDist = farDist;
    m_eWidenMode = mode;
    const int limits[5] = {limit0, limit1, limit2, limit3, limit4};
    for (int i = 0; i < 5; ++i) m_bLimited[i] = limits[i];
    const float w[5] = {w0, w1, w2, w3, w4};
    if (mode == FRUSTUM_WIDEN_RATE || mode == FRUSTUM_WIDEN_DIST) {
        for (int i = 0; i < 5; ++i) m_fWiden[i] = w[i];
    }

    const float F = farDist;
    if (mode == FRUSTUM_WIDEN_RATE) {
        const float right = std::tan(fov * aspect * w1 * 0.5f) * F;
        const float left = std::tan(fov * aspect * w0 * 0.5f) * F;
        const float top = std::tan(fov * w3 * 0.5f) * F;
        const float bottom = std::tan(fov * w2 * 0.5f) * F;
        const float z = F * w4;
        m_vFar[0] = D3DXVECTOR3(right, top, z);
        m_vFar[1] = D3DXVECTOR3(-left, top, z);
        m_vFar[2] = D3DXVECTOR3(-left, -bottom, z);
        m_vFar[3] = D3DXVECTOR3(right, -bottom, z);
        for (int i = 0; i < 4; ++i) {
            m_vNear[i] = m_vPos;
            m_vRay[i] = Normalized(m_vFar[i] - m_vPos);
        }
    } else if (mode == FRUSTUM_WIDEN_DIST) {
        const float t = std::tan(fov * 0.5f);
        const float h = t * F;
        const float wd = t * F * aspect;
        const D3DXVECTOR3& p = m_vPos;
        m_vNear[0] = D3DXVECTOR3(p.x + w1, p.y + w3, p.z);
        m_vNear[1] = D3DXVECTOR3(p.x - w0, p.y + w3, p.z);
        m_vNear[2] = D3DXVECTOR3(p.x - w0, p.y - w2, p.z);
        m_vNear[3] = D3DXVECTOR3(p.x + w1, p.y - w2, p.z);
        m_vFar[0] = D3DXVECTOR3(wd + w1, h + w3, F + w4);
        m_vFar[1] = D3DXVECTOR3(-wd - w0, h + w3, F + w4);
        m_vFar[2] = D3DXVECTOR3(-wd - w0, -h - w2, F + w4);
        m_vFar[3] = D3DXVECTOR3(wd + w1, -h - w2, F + w4);
        for (int i = 0; i < 4; ++i) m_vRay[i] = Normalized(m_vFar[i] - m_vNear[i]);
    }
    for (D3DXVECTOR3& ray : m_vRay) ray = Normalized(ray);
    InitPlane();
}

void CFrustum::InitRawFrustum(float fov, float aspect, float farDist, float widen, int limited,
                              ENUM_FRUSTUM_WIDEN_MODE mode)
{
    InitRawFrustumEx(fov, aspect, farDist, mode, widen, widen, widen, widen, widen, limited, limited, limited, limited,
                     limited);
}

void CFrustum::InitByRays(const D3DXVECTOR3* pos, float farDist, const D3DXVECTOR3 rays[4], int limit0, int limit1,
                          int limit2, int limit3, int limit4)
{
    m_vPos = *pos;
    m_fFarDist = farDist;
    m_eWidenMode = FRUSTUM_WIDEN_RATE;
    const int limits[5] = {limit0, limit1, limit2, limit3, limit4};
    for (int i = 0; i < 5; ++i) {
        m_fWiden[i] = 1.0f;
        m_bLimited[i] = limits[i];
    }
    D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 4; ++i) {
        m_vRay[i] = Normalized(rays[i]);
        m_vFar[i] = m_vPos + farDist * m_vRay[i];
        sum += m_vFar[i];
    }
    D3DXVECTOR3 toCentre = sum / 4.0f - m_vPos;
    const float L = D3DXVec3Length(&toCentre);
    if (L > 0.0f) {
        for (int i = 0; i < 4; ++i) m_vFar[i] = m_vPos + (farDist / L) * farDist * m_vRay[i];
    }
    InitPlane();
}

void CFrustum::SetByRawFrustum(const CFrustum* raw, float yaw, float pitch, float roll, const D3DXVECTOR3* pos)
{
    // Copy the source corners first: the source may be this object.
    const CFrustum source = raw ? *raw : *this;
    m_vPos = *pos;
    if (raw && raw != this) {
        m_fFarDist = raw->m_fFarDist;
        for (int i = 0; i < 5; ++i) {
            m_fWiden[i] = raw->m_fWiden[i];
            m_bLimited[i] = raw->m_bLimited[i];
        }
        m_eWidenMode = raw->m_eWidenMode;
    }
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, roll);
    m._41 = pos->x;
    m._42 = pos->y;
    m._43 = pos->z;
    for (int i = 0; i < 4; ++i) {
        D3DXVec3TransformCoord(&m_vFar[i], &source.m_vFar[i], &m);
        m_vRay[i] = Normalized(m_vFar[i] - m_vPos);
    }
    if (m_eWidenMode == FRUSTUM_WIDEN_RATE) {
        for (D3DXVECTOR3& n : m_vNear) n = m_vPos;
    } else if (m_eWidenMode == FRUSTUM_WIDEN_DIST) {
        for (int i = 0; i < 4; ++i) D3DXVec3TransformCoord(&m_vNear[i], &source.m_vNear[i], &m);
    }
    InitPlane();
}

void CFrustum::InitPlane()
{
    D3DXPlaneFromPoints(&m_Planes[4], &m_vFar[1], &m_vFar[0], &m_vFar[3]);
    if (m_eWidenMode == FRUSTUM_WIDEN_RATE) {
        D3DXPlaneFromPoints(&m_Planes[0], &m_vPos, &m_vFar[1], &m_vFar[2]);
        D3DXPlaneFromPoints(&m_Planes[1], &m_vPos, &m_vFar[3], &m_vFar[0]);
        D3DXPlaneFromPoints(&m_Planes[2], &m_vPos, &m_vFar[2], &m_vFar[3]);
        D3DXPlaneFromPoints(&m_Planes[3], &m_vPos, &m_vFar[0], &m_vFar[1]);
    } else if (m_eWidenMode == FRUSTUM_WIDEN_DIST) {
        D3DXPlaneFromPoints(&m_Planes[0], &m_vNear[1], &m_vFar[1], &m_vFar[2]);
        D3DXPlaneFromPoints(&m_Planes[1], &m_vNear[3], &m_vFar[3], &m_vFar[0]);
        D3DXPlaneFromPoints(&m_Planes[2], &m_vNear[2], &m_vFar[2], &m_vFar[3]);
        D3DXPlaneFromPoints(&m_Planes[3], &m_vNear[0], &m_vFar[0], &m_vFar[1]);
    }
}

float CFrustum::WidenMean() const
{
    return (m_fWiden[0] + m_fWiden[1] + m_fWiden[2] + m_fWiden[3] + m_fWiden[4]) * 0.2f;
}

float CFrustum::Distance(int face, const D3DXVECTOR3* p) const
{
    const D3DXPLANE& pl = m_Planes[face];
    return pl.a * p->x + pl.b * p->y + pl.c * p->z + pl.d;
}

int CFrustum::IsContain(const D3DXVECTOR3* p) const
{
    for (int i = 0; i < 5; ++i) {
        // A NaN distance fails the comparison and so counts as inside.
        if (m_bLimited[i] && Distance(i, p) < -1.0f) return 0;
    }
    return 1;
}

int CFrustum::IsContainFast(const D3DXVECTOR3* p) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_bLimited[i] && Distance(i, p) < 0.0f) return 0;
    }
    return 1;
}

int CFrustum::IntersectSphere(const SBoundSphere* s) const
{
    int tested = 0, inside = 0;
    for (int i = 0; i < 5; ++i) {
        if (!m_bLimited[i]) continue;
        ++tested;
        float d = Distance(i, &s->center);
        if (d < -s->radius) return -1;
        if (d > s->radius) ++inside;
    }
    return inside == tested ? 1 : 0;
}

int CFrustum::IsIntersectSegment(const D3DXVECTOR3* a, const D3DXVECTOR3* b) const
{
    for (int i = 0; i < 5; ++i) {
        if (!m_bLimited[i]) continue;
        float da = Distance(i, a), db = Distance(i, b);
        if (!((da < 0.0f && db > 0.0f) || (da > 0.0f && db < 0.0f))) continue;
        D3DXVECTOR3 x;
        if (D3DXPlaneIntersectLine(&x, &m_Planes[i], a, b) && IsContain(&x)) return 1;
        if (D3DXPlaneIntersectLine(&x, &m_Planes[i], b, a) && IsContain(&x)) return 1;
    }
    return 0;
}
