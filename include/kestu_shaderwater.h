// Kestu::CShaderWater: water drawn by a vertex and pixel shader pair. Four
// travelling geometry waves move the vertices of the client's water mesh,
// sixteen finer texture waves and noise shape the per-pixel normal through
// the bump texture of Kestu::CShaderWater_Tex, and the surface reflects the
// cube map of Kestu::CCubeEnv. The client owns the mesh, the texture
// generator and the cube; per frame it calls FrameMove and draws its mesh
// between RenderBeginPass and RenderEndPass.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include "kestu_cubeenv.h"
#include "kestu_export.h"
#include "kestu_shaderwatertex.h"

namespace Kestu {

// The settings of the four geometry waves.
struct KESTU_API GeoState {
    float fChop;           // strength of the horizontal displacement
    float fAngleDeviation; // degrees
    D3DXVECTOR2 vWindDir;  // (x, z)
    float fMinLength;      // world units
    float fMaxLength;
    float fAmpOverLen;
    float fReflectLv; // weight of the reflection
    float fBumpFactor;
    float fBumpDistOffset; // added to the eye distance in the bump attenuation
    float fBumpDistRange;  // divides that sum
    float fEnvRadius;      // radius of the reflection sphere
    int nFadingWave;       // 0..3
    float fFadeRate;
};

// One geometry wave.
struct KESTU_API GeoWaveDesc {
    float fPhase; // radians, 0..2 pi
    float fAmp;
    float fLen;
    float fFreq; // 2 pi / length
    float fDirX;
    float fDirZ;
    float fFade;
};

// The water vertex: position, normal, diffuse (alpha = wave weight and
// opacity), one texture coordinate.
struct KESTU_API ShaderWaterVertex {
    float x, y, z;
    float nx, ny, nz;
    DWORD diffuse;
    float u, v;
};

class KESTU_API CShaderWater {
public:
    static constexpr int kTexWaves = 16;
    static constexpr int kGeoWaves = 4;
    static constexpr int kSavedStates = 23;
    static constexpr DWORD kConstants = 30;
    static constexpr UINT kVertexSize = 36;

    CShaderWater();
    // Releases nothing: the owner calls Release.
    virtual ~CShaderWater() = default;

    // Fails on a device without 30 vertex-shader constants, four textures and
    // vertex and pixel shaders 1.1.
    static HRESULT IsSupportShaderWater(IDirect3DDevice8* device);

    virtual HRESULT Build(IDirect3DDevice8* device, CCubeEnv* cubeEnv, CShaderWater_Tex* waterTex);
    // Deletes the shaders; the object can be built again.
    virtual void Release();
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();
    // Advances the waves and draws the bump texture.
    virtual HRESULT FrameMove(float elapsed, D3DXVECTOR3 eye, D3DXVECTOR3 centre);
    // Loads the constants from the current transforms, saves and sets the
    // states, binds the textures and sets the shaders.
    virtual HRESULT RenderBeginPass();
    // Clears the shaders and sets the saved states back.
    virtual HRESULT RenderEndPass();

    float GetTexNoise() const { return m_TexState.fNoise; }
    void SetTexNoise(float noise) { m_TexState.fNoise = noise; }
    D3DXVECTOR2 GetTexWindDir() const { return m_TexState.vWindDir; }
    void SetTexWindDir(const D3DXVECTOR2& dir) { m_TexState.vWindDir = dir; }
    float GetTexAmpOverLen() const { return m_TexState.fAmpOverLen; }
    void SetTexAmpOverLen(float value) { m_TexState.fAmpOverLen = value; }
    D3DXVECTOR2 GetGeoWindDir() const { return m_GeoState.vWindDir; }
    void SetGeoWindDir(const D3DXVECTOR2& dir) { m_GeoState.vWindDir = dir; }
    float GetGeoAmpOverLen() const { return m_GeoState.fAmpOverLen; }
    void SetGeoAmpOverLen(float value) { m_GeoState.fAmpOverLen = value; }
    float GetReflectLv() const { return m_GeoState.fReflectLv; }
    void SetReflectLv(float value) { m_GeoState.fReflectLv = value; }
    int IsBuild() const { return m_bBuilt; }

    // The declaration of the water vertex for the vertex shader.
    static const DWORD* GetDeclaration();

protected:
    void InitTexState();
    void InitTexWave(int i);
    void InitGeoState();
    void InitGeoWave(int i);
    void UpdateTexWave(int i, float elapsed);
    void UpdateGeoWave(int i, float elapsed);
    // Fills the thirty constants from the transforms in force.
    void ComputeWaterParams(const D3DXMATRIX& world, const D3DXMATRIX& view, const D3DXMATRIX& proj,
                            float constants[kConstants][4]) const;
    void SetWaterParams();

    BOOL m_bBuilt;
    IDirect3DDevice8* m_pDevice;
    CShaderWater_Tex* m_pWaterTex;
    TexState m_TexState;
    TexWaveDesc m_TexWaves[kTexWaves];
    GeoState m_GeoState;
    GeoWaveDesc m_GeoWaves[kGeoWaves];
    DWORD m_dwSavedStates[kSavedStates];
    DWORD m_dwVertexShader;
    DWORD m_dwPixelShader;
    D3DXVECTOR3 m_vEye;
    D3DXVECTOR3 m_vEnvCentre;
    CCubeEnv* m_pCubeEnv;

private:
    void DeleteShaders();
};

} // namespace Kestu
