// CShaderWater_Tex: drawing the bump texture in five passes, four of cosine
// waves and one of noise, each adding to the last.
#include "core/device/DeviceState.h"
#include "kestu_shaderwatertex.h"
#include "kestu_texture.h"

namespace Kestu {

namespace {

constexpr int kCosinePasses = 4;
constexpr int kPasses = 5;
constexpr int kStages = 4;

// The noise pass's two scroll offsets, shared by every generator.
struct NoiseScroll {
    D3DXVECTOR4 a{20.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 b{0.0f, 20.0f, 0.0f, 0.0f};
    D3DXVECTOR4 c{20.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 d{0.0f, 20.0f, 0.0f, 0.0f};
};

NoiseScroll& SharedScroll()
{
    static NoiseScroll scroll;
    return scroll;
}

// The noise map repeats at whole texture coordinates, so the offsets drop
// whole turns and keep their precision however long the water runs.
float Advance(float offset, float step)
{
    const float next = offset + step;
    return next - static_cast<float>(static_cast<long long>(next));
}

} // namespace

void CShaderWater_Tex::SetCompCosineEffParams(int pass, TexState* state, TexWaveDesc* waves)
{
    IDirect3DDevice8* d = m_pDevice;
    if (pass < kCosinePasses) {
        float vs[5][4] = {};
        float ps[5][4] = {};
        for (int j = 0; j < 4; ++j) {
            const TexWaveDesc& w = waves[4 * pass + j];
            const float v[4] = {w.vRepeat.x, w.vRepeat.y, 0.0f, w.fPhase};
            const float p[4] = {0.25f * w.fFade * w.vDir.x, 1.0f, 0.25f * w.fFade * w.vDir.y, 1.0f};
            for (int k = 0; k < 4; ++k) {
                vs[j][k] = v[k];
                ps[j][k] = p[k];
            }
        }
        vs[4][1] = 1.0f;
        const float s = 0.5f / (state->fNoise + 4.0f);
        const float c4[4] = {s, 1.0f, s, 1.0f};
        for (int k = 0; k < 4; ++k) ps[4][k] = c4[k];
        d->SetVertexShaderConstant(0, vs, 5);
        d->SetPixelShaderConstant(0, ps, 5);
        return;
    }
    NoiseScroll& scroll = SharedScroll();
    scroll.a.w = Advance(scroll.a.w, 0.1f * m_fTimeStep);
    scroll.d.w = Advance(scroll.d.w, 0.1f * m_fTimeStep);
    const float q = 0.5f * state->fNoise / (state->fNoise + 4.0f);
    const float vs[6][4] = {{scroll.a.x, scroll.a.y, scroll.a.z, scroll.a.w},
                            {scroll.b.x, scroll.b.y, scroll.b.z, scroll.b.w},
                            {scroll.c.x, scroll.c.y, scroll.c.z, scroll.c.w},
                            {scroll.d.x, scroll.d.y, scroll.d.z, scroll.d.w},
                            {0.0f, 0.5f, 1.0f, 2.0f},
                            {q, 0.0f, q, 1.0f}};
    d->SetVertexShaderConstant(0, vs, 6);
}

HRESULT CShaderWater_Tex::RenderTex(TexState* state, TexWaveDesc* waves)
{
    IDirect3DDevice8* d = m_pDevice;
    IDirect3DSurface8* bump = nullptr;
    if (d && m_pBumpTex && m_pBumpTex->GetD3DTexture()) m_pBumpTex->GetD3DTexture()->GetSurfaceLevel(0, &bump);
    // Without its target the passes would land in the caller's frame.
    if (!bump) return 0;

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    kestu::StateScope saved(d);
    saved.KeepRenderTarget();
    d->SetRenderTarget(bump, nullptr);
    saved.Transform(D3DTS_PROJECTION, &identity);
    saved.Transform(D3DTS_VIEW, &identity);
    saved.Transform(D3DTS_WORLD, &identity);
    {
        RenderStateGuard blend(D3DRS_ALPHABLENDENABLE, TRUE);
        RenderStateGuard source(D3DRS_SRCBLEND, D3DBLEND_ONE);
        RenderStateGuard dest(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        RenderStateGuard depth(D3DRS_ZENABLE, FALSE);
        RenderStateGuard cull(D3DRS_CULLMODE, D3DCULL_NONE);
        TextureStageStateGuard addressU0(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressV0(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressU1(1, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressV1(1, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressU2(2, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressV2(2, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressU3(3, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        TextureStageStateGuard addressV3(3, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
        TextureStageStateGuard mip0(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard min0(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mag0(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mip1(1, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard min1(1, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mag1(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mip2(2, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard min2(2, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mag2(2, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mip3(3, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard min3(3, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        TextureStageStateGuard mag3(3, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);

        IDirect3DTexture8* cosine = m_pCosineLUT ? m_pCosineLUT->GetD3DTexture() : nullptr;
        IDirect3DTexture8* noise = m_pNoiseMap ? m_pNoiseMap->GetD3DTexture() : nullptr;
        for (int pass = 0; pass < kPasses; ++pass) {
            SetCompCosineEffParams(pass, state, waves);
            d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            d->SetRenderState(D3DRS_DESTBLEND, pass == 0 ? D3DBLEND_ZERO : D3DBLEND_ONE);
            if (pass < kCosinePasses) {
                d->SetVertexShader(m_dwCosineVS);
                d->SetPixelShader(m_dwCosinePS);
                for (DWORD stage = 0; stage < kStages; ++stage) d->SetTexture(stage, cosine);
            } else {
                d->SetVertexShader(m_dwNoiseVS);
                d->SetPixelShader(m_dwNoisePS);
                d->SetTexture(0, noise);
                d->SetTexture(1, noise);
            }
            d->SetStreamSource(0, m_pQuad, kQuadStride);
            d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }

        d->SetVertexShader(0);
        d->SetPixelShader(0);
        bump->Release();
        saved.Restore();
    }
    return 0;
}

} // namespace Kestu
