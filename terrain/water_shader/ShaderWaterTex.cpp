// CShaderWater_Tex: building, releasing and restoring the bump texture, the
// cosine lookup table, the noise map, the full-target quad and the shaders.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "kestu_shaderwatertex.h"
#include "kestu_texture.h"
#include "terrain/water_shader/WaterShaderTexts.h"

namespace Kestu {

namespace {

constexpr DWORD kAutoId = 0xFFFFFFFFu;
constexpr float kHalfTexel = 1.0f / 512.0f;

struct QuadVertex {
    float x, y, z, u, v;
};
static_assert(sizeof(QuadVertex) == CShaderWater_Tex::kQuadStride, "the pass vertex is 20 bytes");

void DeleteTexture(CTexture*& texture)
{
    if (!texture) return;
    texture->Release();
    delete texture;
    texture = nullptr;
}

} // namespace

CShaderWater_Tex::CShaderWater_Tex()
    : m_bBuilt(0), m_pDevice(nullptr), m_fTimeStep(0.0f), m_pNoiseMap(nullptr), m_pCosineLUT(nullptr),
      m_pBumpTex(nullptr), m_dwCosineVS(0), m_dwCosinePS(0), m_dwNoiseVS(0), m_dwNoisePS(0), m_pQuad(nullptr),
      m_fCosineExponent(1.0f)
{
}

HRESULT CShaderWater_Tex::Build(IDirect3DDevice8* device)
{
    if (m_bBuilt) return 0;
    m_pDevice = device;
    if (!device || FAILED(Restore()) || FAILED(CreateBiasNoiseMap()) || FAILED(CreateCosineLUT()) ||
        FAILED(CreateBumpTex()) || FAILED(CreateClearBuffer())) {
        // Nothing half made stays behind.
        Release();
        return E_FAIL;
    }
    m_bBuilt = 1;
    return 0;
}

void CShaderWater_Tex::DropTextures()
{
    DeleteTexture(m_pNoiseMap);
    DeleteTexture(m_pCosineLUT);
    DeleteTexture(m_pBumpTex);
}

void CShaderWater_Tex::Release()
{
    DropTextures();
    if (m_pQuad) m_pQuad->Release();
    m_pQuad = nullptr;
    Invalidate();
    m_bBuilt = 0;
}

void CShaderWater_Tex::DeleteShaders()
{
    if (!m_pDevice) return;
    for (DWORD* vs : {&m_dwCosineVS, &m_dwNoiseVS}) {
        if (*vs) m_pDevice->DeleteVertexShader(*vs);
        *vs = 0;
    }
    for (DWORD* ps : {&m_dwCosinePS, &m_dwNoisePS}) {
        if (*ps) m_pDevice->DeletePixelShader(*ps);
        *ps = 0;
    }
}

HRESULT CShaderWater_Tex::Invalidate()
{
    DeleteShaders();
    if (m_pBumpTex) m_pBumpTex->Invalidate();
    return 0;
}

HRESULT CShaderWater_Tex::Restore()
{
    if (!m_pDevice) return E_FAIL;
    // Shaders from an earlier restore would otherwise be lost.
    DeleteShaders();
    using namespace WaterShaderTexts;
    if (FAILED(CreateVertexShaderFromText(m_pDevice, kCosineVS.text, kCosineVS.length, &m_dwCosineVS,
                                          kTexPassDeclaration)) ||
        FAILED(CreatePixelShaderFromText(m_pDevice, kCosinePS.text, kCosinePS.length, &m_dwCosinePS)) ||
        FAILED(
            CreateVertexShaderFromText(m_pDevice, kNoiseVS.text, kNoiseVS.length, &m_dwNoiseVS, kTexPassDeclaration)) ||
        FAILED(CreatePixelShaderFromText(m_pDevice, kNoisePS.text, kNoisePS.length, &m_dwNoisePS))) {
        DeleteShaders();
        return E_FAIL;
    }
    if (m_pBumpTex) m_pBumpTex->Restore();
    return 0;
}

HRESULT CShaderWater_Tex::FrameMove(float elapsed)
{
    m_fTimeStep = elapsed;
    return 0;
}

HRESULT CShaderWater_Tex::CreateBiasNoiseMap()
{
    m_pNoiseMap = new CTexture;
    if (FAILED(m_pNoiseMap->Build(m_pDevice, kBumpSize, kBumpSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, kAutoId, 1)))
        return E_FAIL;
    m_pNoiseMap->Restore();
    HRESULT hr = m_pNoiseMap->LockSurface(nullptr, 0, 0);
    if (FAILED(hr)) return hr;
    auto* row = static_cast<BYTE*>(m_pNoiseMap->GetLockedBits());
    for (UINT y = 0; y < kBumpSize; ++y, row += m_pNoiseMap->GetLockedPitch()) {
        auto* texel = reinterpret_cast<DWORD*>(row);
        for (UINT x = 0; x < kBumpSize; ++x) {
            const double a = std::rand() / 32767.0;
            const double b = std::rand() / 32767.0;
            const auto red = static_cast<DWORD>(a * 255.999);
            const auto blue = static_cast<DWORD>(b * 255.999);
            texel[x] = 0xFF000000u | (red << 16) | blue;
        }
    }
    m_pNoiseMap->UnlockSurface(0);
    return 0;
}

HRESULT CShaderWater_Tex::CreateCosineLUT()
{
    m_pCosineLUT = new CTexture;
    if (FAILED(m_pCosineLUT->Build(m_pDevice, kBumpSize, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, kAutoId, 1)))
        return E_FAIL;
    HRESULT hr = m_pCosineLUT->Restore();
    if (FAILED(hr)) return hr;
    hr = m_pCosineLUT->LockSurface(nullptr, 0, 0);
    if (FAILED(hr)) return hr;
    auto* texel = static_cast<DWORD*>(m_pCosineLUT->GetLockedBits());
    for (UINT i = 0; i < kBumpSize; ++i) {
        const float a = static_cast<float>(i) * (2.0f * D3DX_PI) / 255.0f;
        const float x = 0.5f * std::sin(a) + 0.5f;
        const float p = std::pow(x, m_fCosineExponent);
        const double value = (p * std::cos(a) + 1.0f) * 0.5f * 255.99899291992188;
        const DWORD byte = static_cast<DWORD>(static_cast<int>(value)) & 0xFFu;
        texel[i] = 0xFF000000u | (byte << 16) | 0x0000FF00u | byte;
    }
    m_pCosineLUT->UnlockSurface(0);
    return 0;
}

HRESULT CShaderWater_Tex::CreateBumpTex()
{
    m_pBumpTex = new CTexture;
    if (FAILED(m_pBumpTex->Build(m_pDevice, kBumpSize, kBumpSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                 D3DPOOL_DEFAULT, kAutoId, 1))) {
        DeleteTexture(m_pBumpTex);
        return E_FAIL;
    }
    m_pBumpTex->Restore();
    return 0;
}

HRESULT CShaderWater_Tex::CreateClearBuffer()
{
    const float h = kHalfTexel;
    const QuadVertex quad[4] = {
        {-1.0f, 1.0f, 0.5f, h, 1.0f + h},
        {1.0f, 1.0f, 0.5f, 1.0f + h, 1.0f + h},
        {-1.0f, -1.0f, 0.5f, h, h},
        {1.0f, -1.0f, 0.5f, 1.0f + h, h},
    };
    HRESULT hr = m_pDevice->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &m_pQuad);
    if (FAILED(hr)) {
        m_pQuad = nullptr;
        return hr;
    }
    BYTE* bits = nullptr;
    hr = m_pQuad->Lock(0, sizeof quad, &bits, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(bits, quad, sizeof quad);
    m_pQuad->Unlock();
    return 0;
}

} // namespace Kestu
