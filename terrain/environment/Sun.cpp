// CGfxSun: the sun disc's fading colour and the additive draw of the flare.
#include "kestu_billboard.h"
#include "kestu_lensflare.h"
#include "kestu_log.h"

namespace {

// One channel of the sun colour faded by f, rounded to nearest.
DWORD Fade(float f, DWORD channel)
{
    const float v = f * float(channel) * 0.003921569f;
    if (v >= 1.0f) return 255;
    if (v > 0.0f) return DWORD(v * 255.0f + 0.5f);
    return 0;
}

} // namespace

HRESULT CGfxSun::Build(const SGfxLensflareInit& init, DWORD colour)
{
    m_dwSunColor = colour;
    return CGfxLensflare::Build(init);
}

void CGfxSun::DecideVisibility(IDirect3DDevice8* device)
{
    CGfxLensflare::DecideVisibility(device);
    const float f = 1.0f - m_fCenterDistRatio;
    m_dwCurrColor = (Fade(f, (m_dwSunColor >> 16) & 0xFF) << 16) | (Fade(f, (m_dwSunColor >> 8) & 0xFF) << 8) |
                    Fade(f, m_dwSunColor & 0xFF);
    if (m_pBillboards == nullptr) return;
    SKESTUBBVERTEX2D* disc = m_pBillboards[0].GetVertex2dBuffer();
    if (disc == nullptr) return;
    for (int i = 0; i < 4; ++i) disc[i].color = m_dwCurrColor;
}

HRESULT CGfxSun::Render(IDirect3DDevice8* device)
{
    DecideVisibility(device);
    if (!m_bVisible) return S_FALSE;
    if (device == nullptr) return KESTUERR_SURFACENOTBUILT;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const HRESULT hr = CGfxLensflare::Render(device);
    if (SUCCEEDED(hr)) device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    return hr;
}
