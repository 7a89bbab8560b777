// Kestu::CShaderWater_Tex: the textures the shader water samples. Its bump
// texture is a 256 x 256 normal map drawn again on the device every frame
// from sixteen travelling cosine waves and two scrolling layers of noise, in
// five passes over a cosine lookup table and a noise map. Also here: the
// scoped state guards the shader water and the cube environment draw under,
// and the two routines that turn shader text into a device shader.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include "kestu_export.h"

class CTexture;

namespace Kestu {

// The settings of the sixteen texture waves; the shader water owns them.
struct KESTU_API TexState {
    float fNoise;          // strength of the noise layers; enters the bump strength
    float fAngleDeviation; // degrees a wave may turn away from the wind
    D3DXVECTOR2 vWindDir;  // not normalised
    float fMaxLength;      // world units
    float fMinLength;
    float fAmpOverLen;     // steepness; enters the bump strength
    float fRippleScale;    // world units per repeat of the bump texture
    float fSpeedDeviation; // largest relative random change of a speed
    int nFadingWave;       // 0..15
    float fFadeRate;       // signed change of the fading wave's fade per unit of time
};

// One texture wave.
struct KESTU_API TexWaveDesc {
    float fPhase;        // periods, kept in (-1, 1)
    float fLength;       // texels of the bump texture
    float fSpeed;        // periods per unit of time
    D3DXVECTOR2 vDir;    // unit, texture space
    D3DXVECTOR2 vRepeat; // whole periods across the texture along u and v
    float fFade;         // 0..1
};

// Assemble shader text (exactly `length` characters) and create the shader;
// the assembler's code or the device's negative code on failure, else 0.
KESTU_API HRESULT CreateVertexShaderFromText(IDirect3DDevice8* device, const char* text, UINT length, DWORD* handle,
                                             const DWORD* declaration);
KESTU_API HRESULT CreatePixelShaderFromText(IDirect3DDevice8* device, const char* text, UINT length, DWORD* handle);

// Sets a render state for the life of the guard and puts the old value back
// when it ends. Does nothing until a device is given to the class.
class KESTU_API RenderStateGuard {
public:
    RenderStateGuard(D3DRENDERSTATETYPE state, DWORD value);
    ~RenderStateGuard();
    RenderStateGuard(const RenderStateGuard&) = delete;
    RenderStateGuard& operator=(const RenderStateGuard&) = delete;

    static void SetDevice(IDirect3DDevice8* device) { s_pDevice = device; }
    static IDirect3DDevice8* GetDevice() { return s_pDevice; }

private:
    DWORD m_dwSaved;
    int m_nState; // -1 when nothing was recorded

    static IDirect3DDevice8* s_pDevice;
};

// The same for a texture-stage state.
class KESTU_API TextureStageStateGuard {
public:
    TextureStageStateGuard(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    ~TextureStageStateGuard();
    TextureStageStateGuard(const TextureStageStateGuard&) = delete;
    TextureStageStateGuard& operator=(const TextureStageStateGuard&) = delete;

    static void SetDevice(IDirect3DDevice8* device) { s_pDevice = device; }
    static IDirect3DDevice8* GetDevice() { return s_pDevice; }

private:
    int m_nStage; // -1 when nothing was recorded
    DWORD m_dwSaved;
    int m_nType;

    static IDirect3DDevice8* s_pDevice;
};

class KESTU_API CShaderWater_Tex {
public:
    static constexpr UINT kBumpSize = 256;
    static constexpr UINT kQuadStride = 20;

    CShaderWater_Tex();
    // Releases nothing: copies share the textures, the owner calls Release.
    ~CShaderWater_Tex() = default;

    HRESULT Build(IDirect3DDevice8* device);
    // Frees the textures, the quad and the shaders; the object can be built again.
    void Release();
    HRESULT Invalidate();
    HRESULT Restore();
    HRESULT FrameMove(float elapsed);
    // Draws the bump texture from the settings and the sixteen waves.
    HRESULT RenderTex(TexState* state, TexWaveDesc* waves);

    CTexture* GetBumpTex() const { return m_pBumpTex; }
    CTexture* GetCosineLUT() const { return m_pCosineLUT; }
    int IsBuild() const { return m_bBuilt; }
    void SetTimeStep(float elapsed) { m_fTimeStep = elapsed; }

protected:
    HRESULT CreateBiasNoiseMap();
    HRESULT CreateCosineLUT();
    HRESULT CreateBumpTex();
    HRESULT CreateClearBuffer();
    void SetCompCosineEffParams(int pass, TexState* state, TexWaveDesc* waves);

    BOOL m_bBuilt;
    IDirect3DDevice8* m_pDevice;
    float m_fTimeStep;
    CTexture* m_pNoiseMap;
    CTexture* m_pCosineLUT;
    CTexture* m_pBumpTex;
    DWORD m_dwCosineVS;
    DWORD m_dwCosinePS;
    DWORD m_dwNoiseVS;
    DWORD m_dwNoisePS;
    IDirect3DVertexBuffer8* m_pQuad;
    float m_fCosineExponent;

private:
    void DeleteShaders();
    void DropTextures();
};

} // namespace Kestu
