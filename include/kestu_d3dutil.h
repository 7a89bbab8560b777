// Small Direct3D helpers for clients: an arc-ball for mouse rotation, a
// look-at camera, and material, light, texture, cube-map and format helpers.
#pragma once
#include "d3d8.h"
#include "d3dx8.h"
#include "kestu_export.h"
#include "windows.h"

class KESTU_API CD3DArcBall {
public:
    CD3DArcBall() { Init(); }

    void Init();
    void SetWindow(int width, int height, float radius);
    void SetRadius(float translationRadius) { m_fRadiusTranslation = translationRadius; }
    void SetRightHanded(int rightHanded) { m_bRightHanded = rightHanded; }
    LRESULT HandleMouseMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    D3DXMATRIX* GetRotationMatrix() { return &m_matRotation; }
    D3DXMATRIX* GetRotationDeltaMatrix() { return &m_matRotationDelta; }
    D3DXMATRIX* GetTranslationMatrix() { return &m_matTranslation; }
    D3DXMATRIX* GetTranslationDeltaMatrix() { return &m_matTranslationDelta; }
    BOOL IsBeingDragged() const { return m_bDrag; }

private:
    D3DXVECTOR3 ScreenToVector(int x, int y);

    INT m_iWidth = 0;
    INT m_iHeight = 0;
    FLOAT m_fRadius = 1.0f;
    FLOAT m_fRadiusTranslation = 1.0f;
    D3DXQUATERNION m_qDown;
    D3DXQUATERNION m_qNow;
    D3DXMATRIX m_matRotation;
    D3DXMATRIX m_matRotationDelta;
    D3DXMATRIX m_matTranslation;
    D3DXMATRIX m_matTranslationDelta;
    BOOL m_bDrag = FALSE;
    BOOL m_bRightHanded = FALSE;
};

class KESTU_API CD3DCamera {
public:
    CD3DCamera();

    void SetViewParams(D3DXVECTOR3& eye, D3DXVECTOR3& lookAt, D3DXVECTOR3& up);
    void SetProjParams(float fov, float aspect, float nearPlane, float farPlane);

    D3DXVECTOR3 GetEyePt() const { return m_vEyePt; }
    D3DXVECTOR3 GetLookatPt() const { return m_vLookatPt; }
    D3DXVECTOR3 GetUpVec() const { return m_vUpVec; }
    D3DXVECTOR3 GetViewDir() const { return m_vViewDir; }
    D3DXVECTOR3 GetCross() const { return m_vCross; }
    D3DXMATRIX GetViewMatrix() const { return m_matView; }
    D3DXMATRIX GetBillboardMatrix() const { return m_matBillboard; }
    float GetFOV() const { return m_fFOV; }
    float GetAspect() const { return m_fAspect; }
    float GetNearPlane() const { return m_fNearPlane; }
    float GetFarPlane() const { return m_fFarPlane; }
    D3DXMATRIX GetProjMatrix() const { return m_matProj; }

private:
    D3DXVECTOR3 m_vEyePt;
    D3DXVECTOR3 m_vLookatPt;
    D3DXVECTOR3 m_vUpVec;
    D3DXVECTOR3 m_vViewDir;
    D3DXVECTOR3 m_vCross;
    D3DXMATRIX m_matView;
    D3DXMATRIX m_matBillboard;
    float m_fFOV = 0.0f;
    float m_fAspect = 0.0f;
    float m_fNearPlane = 0.0f;
    float m_fFarPlane = 0.0f;
    D3DXMATRIX m_matProj;
};

KESTU_API void D3DUtil_InitMaterial(D3DMATERIAL8& material, float r = 0.0f, float g = 0.0f, float b = 0.0f,
                                    float a = 1.0f);
KESTU_API void D3DUtil_InitLight(D3DLIGHT8& light, D3DLIGHTTYPE type, float x = 0.0f, float y = 0.0f, float z = 0.0f);
KESTU_API HRESULT D3DUtil_CreateTexture(IDirect3DDevice8* device, char* fileName, IDirect3DTexture8** texture,
                                        D3DFORMAT format = D3DFMT_UNKNOWN);
KESTU_API D3DXMATRIX D3DUtil_GetCubeMapViewMatrix(DWORD face);
KESTU_API D3DXQUATERNION D3DUtil_GetRotationFromCursor(HWND window, float trackballRadius = 1.0f);
KESTU_API const char* D3DUtil_D3DFormatToString(D3DFORMAT format, bool withPrefix = true);
