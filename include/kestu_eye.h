// The viewing frustum (a frustum with its projection) and the camera.
#pragma once
#include "kestu_export.h"
#include "kestu_frustum.h"
#include "ou_geometry.h"

class KESTU_API CViewingFrustum : public CFrustum {
public:
    CViewingFrustum();
    CViewingFrustum(float fov, float aspect, float nearZ, float farZ, float widen, int ortho, int limited,
                    ENUM_FRUSTUM_WIDEN_MODE mode);
    ~CViewingFrustum() override {}

    void SetViewingFrustumEx(float fov, float aspect, float nearZ, float farZ, int ortho, ENUM_FRUSTUM_WIDEN_MODE mode,
                             float w0, float w1, float w2, float w3, float w4, int limit0, int limit1, int limit2,
                             int limit3, int limit4);
    void SetViewingFrustum(float fov, float aspect, float nearZ, float farZ, float widen, int ortho, int limited,
                           ENUM_FRUSTUM_WIDEN_MODE mode);
    void SetOrthoMode(int ortho);
    int IsOrthoMode() const { return m_bOrtho; }
    int IsInViewportRect(float x, float y) const;

    float GetFOVX() const { return m_fFovX; }
    float GetFOV() const { return m_fFov; }
    float GetFOVY() const { return m_fFov; }
    float GetAspect() const { return m_fAspect; }
    float GetNearZ() const { return m_fNearZ; }
    float GetFarZ() const { return m_fFarZ; }
    const FSIZE* GetViewportSize() const { return &m_ViewportSize; }
    const D3DXMATRIX* GetProjMatrix() const { return &m_matProj; }
    const CFrustum* GetRawFrustum() const { return &m_RawFrustum; }

protected:
    virtual void ApplyViewingFrustum();

    float m_fFovX;
    float m_fFov;
    float m_fAspect;
    float m_fNearZ;
    float m_fFarZ;
    FSIZE m_ViewportSize;
    alignas(16) D3DXMATRIX m_matProj;
    CFrustum m_RawFrustum;
    int32_t m_bOrtho;
};

// 0 level mode, 1 free mode; other values behave as level mode.
enum ENUM_EYECTRL_MODE : int32_t {
    EYECTRL_LEVEL = 0,
    EYECTRL_FREE = 1,
};

class KESTU_API CEye : public CViewingFrustum {
public:
    CEye();
    ~CEye() override;

    void SetPos(D3DXVECTOR3* pos, int apply);
    void MoveTo(float x, float y, float z);
    void SetDirection(const D3DXVECTOR3* dir, const D3DXVECTOR3* up, int apply);
    void Pitch(float angle, int apply);
    void Yaw(float angle, int apply);
    void Roll(float angle, int apply);
    void Turn(float pitch, float yaw, float roll);
    void TurnTo(float pitch, float yaw, float roll);
    void MoveUp(float d, int apply);
    void MoveRight(float d, int apply);
    void MoveForward(float d, int apply);
    void Move(float up, float right, float forward);
    void ForceLevel();
    void SetCtrlMode(ENUM_EYECTRL_MODE mode);
    void SetMaxLean(float angle);
    void SetLeanLimit(int on) { m_bLeanLimit = on; }
    void SetFixedFrustum(int fixed);

    const CFrustum* GetFrustum() const { return m_bFixedFrustum ? &m_FixedFrustum : this; }
    const CFrustum* GetFixedFrustum() const { return &m_FixedFrustum; }
    void CalcUnwidenedFrustum(CFrustum* out) const;
    void UpdateFrustum();

    // A point on the eye's plane is not in front.
    int IsInFront(const D3DXVECTOR3* p) const { return D3DXVec3Dot(&m_vDir, p) > m_fViewPlaneDist ? 1 : 0; }
    virtual float GetDot(const D3DXVECTOR3* p) const;
    virtual float GetRelAngel(float x, float z) const;
    int Vec3TransToScreen(D3DXVECTOR3* out, const D3DXVECTOR3* in);
    void GetPickedRay(int width, int height, int x, int y, D3DXVECTOR3* out) const;
    virtual void UpdateToScreenMatrix();
    virtual void ApplyChange();
    virtual void OnChanged() {}

    const D3DXMATRIX* GetViewMatrix() const { return &m_matView; }
    const D3DXMATRIX* GetViewInverseMatrix() const { return &m_matViewInv; }
    const D3DXMATRIX* GetTransScreenMatrix() const { return &m_matToScreen; }
    const D3DXVECTOR3* GetUpVec() const { return &m_vUp; }
    const D3DXVECTOR3* GetDirection() const { return &m_vDir; }
    const D3DXVECTOR3* GetRightVec() const { return &m_vRight; }
    float GetYaw() const { return m_fYaw; }
    float GetPitch() const { return m_fPitch; }
    float GetRoll() const { return m_fRoll; }
    ENUM_EYECTRL_MODE GetCtrlMode() const { return m_eCtrlMode; }
    float GetMaxLean() const { return m_fMaxLean; }
    int IsLeanLimit() const { return m_bLeanLimit; }
    int IsFixedFrustum() const { return m_bFixedFrustum; }
    float GetFixedYaw() const { return m_fFixedYaw; }
    float GetFixedPitch() const { return m_fFixedPitch; }
    float GetFixedRoll() const { return m_fFixedRoll; }

private:
    bool IsFree() const { return m_eCtrlMode == EYECTRL_FREE; }
    void Rotate(const D3DXMATRIX& m, bool up, bool right, bool dir);
    // Puts direction and up back when the turn leaned past the limit.
    void CheckLean(const D3DXVECTOR3& savedDir, const D3DXVECTOR3& savedUp, int apply);

    D3DXMATRIX m_matView;
    D3DXMATRIX m_matViewInv;
    D3DXVECTOR3 m_vUp;
    D3DXVECTOR3 m_vDir;
    D3DXVECTOR3 m_vRight;
    float m_fYaw = 0.0f;
    float m_fPitch = 0.0f;
    float m_fRoll = 0.0f;
    ENUM_EYECTRL_MODE m_eCtrlMode = EYECTRL_LEVEL;
    alignas(16) D3DXMATRIX m_matToScreen;
    float m_fMaxLean;
    float m_fCosMaxLean;
    int32_t m_bLeanLimit = 1;
    int32_t m_bFixedFrustum = 0;
    CFrustum m_FixedFrustum;
    float m_fFixedYaw = 0.0f;
    float m_fFixedPitch = 0.0f;
    float m_fFixedRoll = 0.0f;
    float m_fViewPlaneDist = 0.0f;
};
