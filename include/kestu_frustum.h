// The view volume: a pyramid with its apex at the eye, cut by a far plane,
// held as corners and as five inward-facing planes.
#pragma once
#include "kestu_bound.h"
#include "kestu_export.h"

// How the five widen values are read: 0 rates (half-angles and far distance
// scaled), 1 distances (faces moved outwards).
enum ENUM_FRUSTUM_WIDEN_MODE : int32_t {
    FRUSTUM_WIDEN_RATE = 0,
    FRUSTUM_WIDEN_DIST = 1,
};

// Faces 0 left, 1 right, 2 bottom, 3 top, 4 far. Corners in camera space:
// 0 (+x,+y), 1 (-x,+y), 2 (-x,-y), 3 (+x,-y).
class KESTU_API CFrustum {
public:
    CFrustum();
    virtual ~CFrustum() {}

    void InitRawFrustumEx(float fov, float aspect, float farDist, ENUM_FRUSTUM_WIDEN_MODE mode, float w0, float w1,
                          float w2, float w3, float w4, int limit0, int limit1, int limit2, int limit3, int limit4);
    void InitRawFrustum(float fov, float aspect, float farDist, float widen, int limited, ENUM_FRUSTUM_WIDEN_MODE mode);
    void InitByRays(const D3DXVECTOR3* pos, float farDist, const D3DXVECTOR3 rays[4], int limit0, int limit1,
                    int limit2, int limit3, int limit4);
    void SetByRawFrustum(const CFrustum* raw, float yaw, float pitch, float roll, const D3DXVECTOR3* pos);
    void SetPos(const D3DXVECTOR3* pos) { m_vPos = *pos; }

    const D3DXVECTOR3* GetPos() const { return &m_vPos; }
    float GetFarDist() const { return m_fFarDist; }
    const D3DXVECTOR3* GetFarVec(int i) const { return &m_vFar[i]; }
    const D3DXVECTOR3* GetNearVec(int i) const { return &m_vNear[i]; }
    const D3DXVECTOR3* GetRay(int i) const { return &m_vRay[i]; }
    const D3DXPLANE* GetPlane(int i) const { return &m_Planes[i]; }
    ENUM_FRUSTUM_WIDEN_MODE GetWidenMode() const { return m_eWidenMode; }
    float GetWidenRate(int i) const { return m_fWiden[i]; }
    float GetWidenDist(int i) const { return m_fWiden[i]; }
    float GetWidenRate() const { return WidenMean(); }
    float GetWidenDist() const { return WidenMean(); }
    int IsFaceLimited(int i) const { return m_bLimited[i]; }

    int IsContain(const D3DXVECTOR3* p) const;
    int IsContainFast(const D3DXVECTOR3* p) const;
    int IntersectSphere(const SBoundSphere* s) const;
    int IsIntersectSegment(const D3DXVECTOR3* a, const D3DXVECTOR3* b) const;

protected:
    void InitPlane();
    float WidenMean() const;
    float Distance(int face, const D3DXVECTOR3* p) const;

    float m_fFarDist = 0.0f;
    D3DXVECTOR3 m_vPos;
    D3DXVECTOR3 m_vFar[4];
    D3DXVECTOR3 m_vNear[4];
    D3DXVECTOR3 m_vRay[4];
    D3DXPLANE m_Planes[5];
    ENUM_FRUSTUM_WIDEN_MODE m_eWidenMode = FRUSTUM_WIDEN_RATE;
    float m_fWiden[5];
    int32_t m_bLimited[5];
};
