// Ready-made shader contexts: cartoon shading with banded ramps, and an
// animated fire of three scrolled and scaled layers. The client brings the
// shader texts; these fix the constant registers they read.
#pragma once
#include "kestu_export.h"
#include "kestu_shader.h"

constexpr DWORD SHADER_CONTEXT_LIGHT = 0x1234;
constexpr DWORD SHADER_CONTEXT_FIRE = 0x1235;
constexpr DWORD SHADER_CONTEXT_TOON = 0x1236;

class KESTU_API CShaderToon : public IShaderContext {
public:
    CShaderToon() {}
    // Copies hold their own references to the ramps, so each copy's Release
    // (or destruction) lets go of exactly one.
    CShaderToon(const CShaderToon& other);
    CShaderToon& operator=(const CShaderToon& other);
    ~CShaderToon() override { Release(); }

    DWORD QueryInterface() const override { return SHADER_CONTEXT_TOON; }
    long UpdateConstant(IDirect3DDevice8* device) override;

    void SetColor(float r, float g, float b, float a);
    void SetLightPosition(float x, float y, float z) { m_vLightPosition = D3DXVECTOR3(x, y, z); }
    void SetLightPosition(D3DXVECTOR3& v) { m_vLightPosition = v; }
    void SetViewPosition(float x, float y, float z) { m_vViewPosition = D3DXVECTOR3(x, y, z); }
    void SetViewPosition(D3DXVECTOR3& v) { m_vViewPosition = v; }
    const D3DXVECTOR3& GetViewPosition() const { return m_vViewPosition; }

    int Build(IDirect3DDevice8* device);
    void Release();
    int IsBuilt() const { return m_bBuilt; }
    IDirect3DTexture8* GetRamp8() const { return m_pRamp8; }
    IDirect3DTexture8* GetRamp16() const { return m_pRamp16; }

protected:
    float m_fColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    D3DXVECTOR3 m_vLightPosition{5.0f, 5.0f, 5.0f};
    D3DXVECTOR3 m_vViewPosition{0.0f, 0.0f, 0.0f};
    IDirect3DTexture8* m_pRamp8 = nullptr;
    IDirect3DTexture8* m_pRamp16 = nullptr;
    int m_bBuilt = 0;
};

class KESTU_API CShaderFire : public IShaderContext {
public:
    CShaderFire() {}
    ~CShaderFire() override {}

    DWORD QueryInterface() const override { return SHADER_CONTEXT_FIRE; }
    long UpdateConstant(IDirect3DDevice8* device) override;

    void SetTime(float t) { m_fTime = t; }
    void SetScale1(float x, float y, float z, float w) { Set(m_vScale1, x, y, z, w); }
    void SetScale2(float x, float y, float z, float w) { Set(m_vScale2, x, y, z, w); }
    void SetScale3(float x, float y, float z, float w) { Set(m_vScale3, x, y, z, w); }
    void SetScroll1(float x, float y, float z, float w) { Set(m_vScroll1, x, y, z, w); }
    void SetScroll2(float x, float y, float z, float w) { Set(m_vScroll2, x, y, z, w); }
    void SetScroll3(float x, float y, float z, float w) { Set(m_vScroll3, x, y, z, w); }
    void SetDistortion1(float x, float y, float z, float w) { Set(m_vDistortion1, x, y, z, w); }
    void SetDistortion2(float x, float y, float z, float w) { Set(m_vDistortion2, x, y, z, w); }
    void SetDistortion3(float x, float y, float z, float w) { Set(m_vDistortion3, x, y, z, w); }
    void SetBias(float x, float y, float z, float w) { Set(m_vBias, x, y, z, w); }

protected:
    static void Set(float* v, float x, float y, float z, float w)
    {
        v[0] = x;
        v[1] = y;
        v[2] = z;
        v[3] = w;
    }

    float m_fTime = 0.0f;
    float m_vScale1[4] = {1.0f, 1.0f, 0.0f, 0.0f};
    float m_vScale2[4] = {2.0f, 2.0f, 0.0f, 0.0f};
    float m_vScale3[4] = {3.0f, 3.0f, 0.0f, 0.0f};
    float m_vScroll1[4] = {0.0f, 1.3f, 0.0f, 0.0f};
    float m_vScroll2[4] = {0.0f, 2.1f, 0.0f, 0.0f};
    float m_vScroll3[4] = {0.0f, 2.3f, 0.0f, 0.0f};
    float m_vDistortion1[4] = {0.1f, 0.2f, 0.0f, 0.0f};
    float m_vDistortion2[4] = {0.1f, 0.3f, 0.0f, 0.0f};
    float m_vDistortion3[4] = {0.1f, 0.1f, 0.0f, 0.0f};
    float m_vBias[4] = {0.5f, 0.1f, 0.0f, 0.0f};
};
