#include "kestu_shadercontexts.h"

namespace {

// A 1-texel-high grey ramp whose texel i has all four bytes = value(i).
template <class Value>
HRESULT MakeRamp(IDirect3DDevice8* device, UINT width, IDirect3DTexture8** out, Value value)
{
    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = device->CreateTexture(width, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT locked{};
    hr = texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    DWORD* texels = static_cast<DWORD*>(locked.pBits);
    for (UINT i = 0; i < width; ++i) {
        const DWORD b = value(i);
        texels[i] = b | (b << 8) | (b << 16) | (b << 24);
    }
    texture->UnlockRect(0);
    *out = texture;
    return D3D_OK;
}

void SetRampStage(IDirect3DDevice8* device, DWORD stage, IDirect3DTexture8* ramp)
{
    device->SetTexture(stage, ramp);
    device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
}

} // namespace

CShaderToon::CShaderToon(const CShaderToon& other)
    : IShaderContext(other), m_vLightPosition(other.m_vLightPosition), m_vViewPosition(other.m_vViewPosition),
      m_pRamp8(other.m_pRamp8), m_pRamp16(other.m_pRamp16), m_bBuilt(other.m_bBuilt)
{
    SetColor(other.m_fColor[0], other.m_fColor[1], other.m_fColor[2], other.m_fColor[3]);
    if (m_pRamp8) m_pRamp8->AddRef();
    if (m_pRamp16) m_pRamp16->AddRef();
}

CShaderToon& CShaderToon::operator=(const CShaderToon& other)
{
    if (this == &other) return *this;
    if (other.m_pRamp8) other.m_pRamp8->AddRef();
    if (other.m_pRamp16) other.m_pRamp16->AddRef();
    Release();
    IShaderContext::operator=(other);
    SetColor(other.m_fColor[0], other.m_fColor[1], other.m_fColor[2], other.m_fColor[3]);
    m_vLightPosition = other.m_vLightPosition;
    m_vViewPosition = other.m_vViewPosition;
    m_pRamp8 = other.m_pRamp8;
    m_pRamp16 = other.m_pRamp16;
    m_bBuilt = other.m_bBuilt;
    return *this;
}

void CShaderToon::SetColor(float r, float g, float b, float a)
{
    m_fColor[0] = r;
    m_fColor[1] = g;
    m_fColor[2] = b;
    m_fColor[3] = a;
}

int CShaderToon::Build(IDirect3DDevice8* device)
{
    if (!device) return E_FAIL;
    // Built again after a failure or a second call: drop what is there first.
    Release();
    HRESULT hr = MakeRamp(device, 16, &m_pRamp16, [](UINT i) -> DWORD { return i < 3 ? 0x7F : i < 8 ? 0xBF : 0xFF; });
    if (FAILED(hr)) return hr;
    hr = MakeRamp(device, 8, &m_pRamp8, [](UINT i) -> DWORD { return i == 0 ? 0x40 : i == 1 ? 0x80 : 0xFF; });
    if (FAILED(hr)) return hr;
    m_bBuilt = 1;
    return 1;
}

void CShaderToon::Release()
{
    if (m_pRamp8) {
        m_pRamp8->Release();
        m_pRamp8 = nullptr;
    }
    if (m_pRamp16) {
        m_pRamp16->Release();
        m_pRamp16 = nullptr;
    }
    m_bBuilt = 0;
}

long CShaderToon::UpdateConstant(IDirect3DDevice8* device)
{
    if (!device) return 0;
    if (!m_bBuilt) {
        Build(device);
        m_bBuilt = 1;
    }
    SetRampStage(device, 0, m_pRamp16);
    SetRampStage(device, 1, m_pRamp8);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);

    const D3DXMATRIX m = CombinedTransposed();
    device->SetVertexShaderConstant(0, &m, 4);
    device->SetVertexShaderConstant(4, m_fColor, 1);
    const float light[4] = {m_vLightPosition.x, m_vLightPosition.y, m_vLightPosition.z, 1.0f};
    device->SetVertexShaderConstant(5, light, 1);
    const float view[4] = {m_vViewPosition.x, m_vViewPosition.y, m_vViewPosition.z, 1.0f};
    device->SetVertexShaderConstant(6, view, 1);
    return 0;
}
