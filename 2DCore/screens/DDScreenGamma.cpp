// CDD: the screen's brightness through the primary surface's gamma ramp.
#include <algorithm>
#include <cmath>

#include "kestu_ddscreen.h"

namespace {

// The primary's gamma control, E_NOTIMPL or E_FAIL when it cannot be had.
HRESULT GammaControl(IDirectDraw4* dd, IDirectDrawSurface4* primary, const DDCAPS_DX7& caps,
                     IDirectDrawGammaControl** out)
{
    *out = nullptr;
    if ((caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA) == 0) return E_NOTIMPL;
    if (dd == nullptr || primary == nullptr) return E_FAIL;
    return primary->QueryInterface(IID_IDirectDrawGammaControl, reinterpret_cast<void**>(out));
}

} // namespace

long CDD::InitLightenessSetting()
{
    m_fLighteness = 1.0f;
    IDirectDrawGammaControl* gamma = nullptr;
    HRESULT hr = GammaControl(m_lpDD, m_lpDDSPrimary, m_ddDriverCaps, &gamma);
    if (FAILED(hr) || gamma == nullptr) return hr;
    hr = gamma->GetGammaRamp(0, &m_OriginalGammaRamp);
    if (SUCCEEDED(hr)) m_BaseGammaRamp = m_OriginalGammaRamp;
    gamma->Release();
    return hr;
}

long CDD::SetLighteness(float f)
{
    IDirectDrawGammaControl* gamma = nullptr;
    HRESULT hr = GammaControl(m_lpDD, m_lpDDSPrimary, m_ddDriverCaps, &gamma);
    if (FAILED(hr) || gamma == nullptr) return hr;
    f = std::clamp(f, 0.0f, 2.0f);
    const int start = static_cast<int>(std::lround(255.0f * f)) - 255;
    DDGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i) {
        const int index = std::clamp(start + i, 0, 255);
        ramp.red[i] = m_BaseGammaRamp.red[index];
        ramp.green[i] = m_BaseGammaRamp.green[index];
        ramp.blue[i] = m_BaseGammaRamp.blue[index];
    }
    hr = gamma->SetGammaRamp(0, &ramp);
    if (SUCCEEDED(hr)) m_fLighteness = f;
    gamma->Release();
    return hr;
}

long CDD::SetBaseGammaRamp(const DDGAMMARAMP& ramp, int apply)
{
    m_BaseGammaRamp = ramp;
    return apply ? SetLighteness(m_fLighteness) : 0;
}
