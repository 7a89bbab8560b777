// CShaderWater: the device check, building, restoring and releasing.
#include <cstring>

#include "kestu_shaderwater.h"
#include "terrain/water_shader/WaterShaderTexts.h"

namespace Kestu {

CShaderWater::CShaderWater()
    : m_bBuilt(0), m_pDevice(nullptr),
      m_pWaterTex(nullptr), m_TexState{}, m_TexWaves{}, m_GeoState{}, m_GeoWaves{}, m_dwSavedStates{},
      m_dwVertexShader(0), m_dwPixelShader(0), m_vEye(0.0f, 0.0f, 0.0f), m_vEnvCentre(0.0f, 0.0f, 0.0f),
      m_pCubeEnv(nullptr)
{
}

const DWORD* CShaderWater::GetDeclaration() { return WaterShaderTexts::kWaterDeclaration; }

HRESULT CShaderWater::IsSupportShaderWater(IDirect3DDevice8* device)
{
    D3DCAPS8 caps{};
    if (!device || FAILED(device->GetDeviceCaps(&caps))) return E_FAIL;
    if (caps.MaxVertexShaderConst < kConstants || caps.MaxSimultaneousTextures < 4 ||
        caps.VertexShaderVersion < D3DVS_VERSION(1, 1) || caps.PixelShaderVersion < D3DPS_VERSION(1, 1))
        return E_FAIL;
    return 0;
}

HRESULT CShaderWater::Build(IDirect3DDevice8* device, CCubeEnv* cubeEnv, CShaderWater_Tex* waterTex)
{
    if (m_bBuilt) return 0;
    if (FAILED(IsSupportShaderWater(device))) return E_FAIL;
    RenderStateGuard::SetDevice(device);
    TextureStageStateGuard::SetDevice(device);
    InitTexState();
    for (int i = 0; i < kTexWaves; ++i) InitTexWave(i);
    InitGeoState();
    for (int i = 0; i < kGeoWaves; ++i) InitGeoWave(i);
    m_pDevice = device;
    m_pCubeEnv = cubeEnv;
    m_pWaterTex = waterTex;
    if (!cubeEnv || !waterTex) return E_FAIL;
    if (FAILED(Restore())) return E_FAIL;
    m_bBuilt = 1;
    return 0;
}

void CShaderWater::DeleteShaders()
{
    if (!m_pDevice) return;
    if (m_dwVertexShader) m_pDevice->DeleteVertexShader(m_dwVertexShader);
    if (m_dwPixelShader) m_pDevice->DeletePixelShader(m_dwPixelShader);
    m_dwVertexShader = 0;
    m_dwPixelShader = 0;
}

HRESULT CShaderWater::Restore()
{
    if (!m_pDevice) return E_FAIL;
    // Shaders of an earlier restore would otherwise be lost; a failed restore keeps none.
    DeleteShaders();
    using namespace WaterShaderTexts;
    if (FAILED(CreateVertexShaderFromText(m_pDevice, kWaterVS.text, kWaterVS.length, &m_dwVertexShader,
                                          kWaterDeclaration)) ||
        FAILED(CreatePixelShaderFromText(m_pDevice, kWaterPS.text, kWaterPS.length, &m_dwPixelShader))) {
        DeleteShaders();
        return E_FAIL;
    }
    return 0;
}

HRESULT CShaderWater::Invalidate()
{
    DeleteShaders();
    return 0;
}

void CShaderWater::Release()
{
    Invalidate();
    m_bBuilt = 0;
}

HRESULT CShaderWater::FrameMove(float elapsed, D3DXVECTOR3 eye, D3DXVECTOR3 centre)
{
    m_vEye = eye;
    m_vEnvCentre = centre;
    if (m_pWaterTex) m_pWaterTex->SetTimeStep(elapsed);
    for (int i = 0; i < kTexWaves; ++i) UpdateTexWave(i, elapsed);
    if (m_pWaterTex) m_pWaterTex->RenderTex(&m_TexState, m_TexWaves);
    for (int i = 0; i < kGeoWaves; ++i) UpdateGeoWave(i, elapsed);
    return 0;
}

} // namespace Kestu
