// CShaderWater: the thirty vertex-shader constants and the pass that the
// client's water mesh is drawn in.
#include <array>
#include <cmath>

#include "core/device/DeviceState.h"
#include "kestu_shaderwater.h"
#include "kestu_texture.h"

namespace Kestu {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr DWORD kStages = 4;

void Row(float out[4], float x, float y, float z, float w)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
    out[3] = w;
}

void MatrixRows(const D3DXMATRIX& m, float out[][4])
{
    for (int r = 0; r < 4; ++r) Row(out[r], m(r, 0), m(r, 1), m(r, 2), m(r, 3));
}

// The pass blends by alpha and samples every stage linearly and wrapped.
constexpr std::array<kestu::StateRow, CShaderWater::kSavedStates> PassStates()
{
    constexpr D3DTEXTURESTAGESTATETYPE kFilters[3] = {D3DTSS_MIPFILTER, D3DTSS_MINFILTER, D3DTSS_MAGFILTER};
    constexpr D3DTEXTURESTAGESTATETYPE kAddresses[2] = {D3DTSS_ADDRESSU, D3DTSS_ADDRESSV};
    std::array<kestu::StateRow, CShaderWater::kSavedStates> rows{{
        {kestu::kRenderState, D3DRS_ALPHABLENDENABLE, TRUE},
        {kestu::kRenderState, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {kestu::kRenderState, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    }};
    size_t n = 3;
    for (int stage = 0; stage < int(kStages); ++stage)
        for (D3DTEXTURESTAGESTATETYPE type : kFilters) rows[n++] = {stage, DWORD(type), D3DTEXF_LINEAR};
    for (int stage = 0; stage < int(kStages); ++stage)
        for (D3DTEXTURESTAGESTATETYPE type : kAddresses) rows[n++] = {stage, DWORD(type), D3DTADDRESS_WRAP};
    return rows;
}
constexpr std::array<kestu::StateRow, CShaderWater::kSavedStates> kPassStates = PassStates();

} // namespace

void CShaderWater::ComputeWaterParams(const D3DXMATRIX& world, const D3DXMATRIX& view, const D3DXMATRIX& proj,
                                      float c[kConstants][4]) const
{
    const GeoState& g = m_GeoState;
    const TexState& t = m_TexState;
    D3DXMATRIX viewProj;
    D3DXMatrixMultiply(&viewProj, &view, &proj);
    MatrixRows(viewProj, c + 0);
    MatrixRows(world, c + 4);
    Row(c[8], 0.0f, 0.0f, 0.0f, g.fReflectLv);

    float k = 5.0f;
    if (g.fChop / (40.0f * kPi) < g.fAmpOverLen) k = g.fChop / (8.0f * kPi * g.fAmpOverLen);
    for (int i = 0; i < kGeoWaves; ++i) {
        const GeoWaveDesc& w = m_GeoWaves[i];
        c[9][i] = w.fFreq;
        c[10][i] = w.fPhase;
        c[11][i] = w.fAmp;
        c[12][i] = w.fDirX;
        c[13][i] = w.fDirZ;
        c[17][i] = w.fLen;
        c[19][i] = k * w.fDirX;
        c[20][i] = k * w.fDirZ;
        c[21][i] = w.fFreq * w.fDirX;
        c[22][i] = w.fFreq * w.fDirZ;
        c[23][i] = k * w.fFreq;
        c[24][i] = k * w.fFreq * w.fDirX * w.fDirX;
        c[25][i] = k * w.fFreq * w.fDirX * w.fDirZ;
        c[26][i] = k * w.fFreq * w.fDirZ * w.fDirZ;
    }
    const float bumpStrength = 2.0f * (t.fNoise + 4.0f) * g.fBumpFactor * t.fAmpOverLen * 2.0f * kPi;
    Row(c[14], g.fBumpDistOffset, 1.0f / g.fBumpDistRange, bumpStrength, 1.0f / t.fRippleScale);
    Row(c[15], m_vEye.x, m_vEye.y, m_vEye.z, 1.0f);
    const D3DXVECTOR3 d = m_vEnvCentre - m_vEye;
    Row(c[16], d.x, d.y, d.z, D3DXVec3Dot(&d, &d) - g.fEnvRadius * g.fEnvRadius);
    Row(c[18], -200.0f, -0.01f, 0.0f, 1.0f);
    Row(c[27], kPi, 1.0f / (2.0f * kPi), 2.0f * kPi, -kPi);
    Row(c[28], -1.0f / 6.0f, 1.0f / 120.0f, -1.0f / 5040.0f, 1.0f / 24.0f);
    Row(c[29], -0.5f, 1.0f, -1.0f / 720.0f, 0.0f);
}

void CShaderWater::SetWaterParams()
{
    D3DXMATRIX world, view, proj;
    m_pDevice->GetTransform(D3DTS_WORLD, &world);
    m_pDevice->GetTransform(D3DTS_VIEW, &view);
    m_pDevice->GetTransform(D3DTS_PROJECTION, &proj);
    float c[kConstants][4] = {};
    ComputeWaterParams(world, view, proj, c);
    m_pDevice->SetVertexShaderConstant(0, c, kConstants);
}

HRESULT CShaderWater::RenderBeginPass()
{
    IDirect3DDevice8* d = m_pDevice;
    if (!d) return 0;
    SetWaterParams();
    kestu::SaveStates(d, kPassStates.data(), kPassStates.size(), m_dwSavedStates);
    CTexture* bump = m_pWaterTex ? m_pWaterTex->GetBumpTex() : nullptr;
    IDirect3DTexture8* bumpTexture = bump ? bump->GetD3DTexture() : nullptr;
    for (DWORD stage = 0; stage < 3; ++stage) d->SetTexture(stage, bumpTexture);
    d->SetTexture(3, m_pCubeEnv ? m_pCubeEnv->GetCubeEnv() : nullptr);
    d->SetVertexShader(m_dwVertexShader);
    d->SetPixelShader(m_dwPixelShader);
    return 0;
}

HRESULT CShaderWater::RenderEndPass()
{
    IDirect3DDevice8* d = m_pDevice;
    if (!d) return 0;
    d->SetVertexShader(0);
    d->SetPixelShader(0);
    kestu::PutBackDiffering(d, kPassStates.data(), kPassStates.size(), m_dwSavedStates);
    return 0;
}

} // namespace Kestu
