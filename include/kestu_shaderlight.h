// The shader context that feeds a vertex shader with up to four lights.
#pragma once
#include "kestu_export.h"
#include "kestu_shadercontexts.h"

struct KESTU_API SShaderLight {
    SShaderLight() : light{} {}

    int IsActive() const { return m_bActive; }
    // Squared distance of the light from the origin; -1 for a directional light.
    void CalcLight();

    D3DLIGHT8 light;
    int m_bActive = 0;
    float m_fLightValue = 0.0f;
    DWORD m_dwSpare = 0;
    DWORD m_dwSpare2[2] = {0, 0};
};

class KESTU_API CShaderLight : public IShaderContext {
public:
    static constexpr DWORD kMaxActiveLights = 4;

    CShaderLight();
    CShaderLight(const CShaderLight& other);
    CShaderLight& operator=(const CShaderLight& other);
    ~CShaderLight() override;

    DWORD QueryInterface() const override { return SHADER_CONTEXT_LIGHT; }
    long UpdateConstant(IDirect3DDevice8* device) override;

    DWORD AddLight(const D3DLIGHT8* light);
    int SetLight(DWORD index, const D3DLIGHT8* light);
    D3DLIGHT8* GetLight(DWORD index);
    int DelLight(DWORD index);
    int DelLightBatch(DWORD first, DWORD count);
    DWORD GetLightsNum() const { return m_dwLightCount; }

    void SetModelMatrix(const D3DXMATRIX* m);
    void SetRootMatrix(const D3DXMATRIX* m);

    void EnableUVOffset(int enable, int = 0) { m_bUVOffset = enable; }
    int IsEnableUVOffset() const { return m_bUVOffset; }
    void SetUVOrigin(float x, float y, float z, float w);
    void SetUVOrigin(const float* v);
    void SetUVOrigin(const D3DXVECTOR2& v);
    void SetUVOrigin(const D3DXVECTOR3& v);
    void SetUVOrigin(const D3DXVECTOR4& v);
    void SetUVScaleFactor(float s) { m_fUVScale = s; }
    float GetUVScaleFactor() const { return m_fUVScale; }
    void EnablePerPixel(int enable) { m_bPerPixel = enable; }
    int IsEnablePerPixel() const { return m_bPerPixel; }
    void EnableNegative(int enable) { m_bNegative = enable; }
    int IsNegative() const { return m_bNegative; }
    void SetFogIntensity(float f) { m_fFogIntensity = f; }
    float GetFogIntensity() const { return m_fFogIntensity; }

    DWORD GetLightCapacity() const { return m_dwCapacity; }
    const D3DXMATRIX& GetUVOffsetTexTM() const { return m_matUVOffset; }

private:
    void CalcActiveLights();
    void GenUVOffsetTexTM();
    void CopyFrom(const CShaderLight& other);

    int m_bUVOffset = 0;
    float m_vUVOrigin[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float m_fUVScale = 1.0f;
    int m_bPerPixel = 0;
    SShaderLight* m_pLights = nullptr;
    DWORD m_dwActive[kMaxActiveLights] = {0, 0, 0, 0};
    DWORD m_dwActiveCount = 0;
    DWORD m_dwLightCount = 0;
    DWORD m_dwCapacity = 0;
    int m_bNegative = 0;
    D3DXMATRIX m_matModel;
    D3DXMATRIX m_matModelInv;
    D3DXMATRIX m_matRoot;
    D3DXMATRIX m_matRootInv;
    D3DXMATRIX m_matUVOffset;
    float m_fFogIntensity = 0.0f;
    float m_fInvModelScale = 1.0f;
    float m_fInvModelScaleSq = 1.0f;
    float m_vAmbientScale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_vDiffuseScale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_vSpecularScale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};
