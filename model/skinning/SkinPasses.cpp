// One draw pass of the skinning shaders: the streams, the bone palette in the
// constant registers and the shaders of the render path.
#include <cstring>

#include "kestu_meshdata_kinds.h"
#include "kestu_meshdatamng.h"

namespace Kestu {

namespace {

// The palette's first register on a path, or -1 for a path without one.
int PaletteBase(int path)
{
    switch (path) {
    case KESTU_SKLPATH_VS: return 5;
    case KESTU_SKLPATH_VS_LIGHT:
    case KESTU_SKLPATH_VS_POINTLIGHTS:
    case KESTU_SKLPATH_VS_PS:
    case KESTU_SKLPATH_VS_PS_POINTLIGHTS: return 18;
    case KESTU_SKLPATH_MATERIAL: return 17;
    case KESTU_SKLPATH_MATERIAL_WIDE: return 32;
    default: return -1;
    }
}

ESkinShader ShaderOfPath(int path, DWORD pointLights, bool eight)
{
    const int wide = eight ? 1 : 0;
    switch (path) {
    case KESTU_SKLPATH_VS: return ESkinShader(SKIN_VS101 + wide);
    case KESTU_SKLPATH_VS_LIGHT: return ESkinShader(SKIN_VS101_LIGHT + wide);
    case KESTU_SKLPATH_VS_POINTLIGHTS:
        if (pointLights == 1) return ESkinShader(SKIN_VS101_LIGHT_P + wide);
        if (pointLights == 2) return ESkinShader(SKIN_VS101_LIGHT_P2 + wide);
        return ESkinShader(SKIN_VS101_LIGHT + wide);
    case KESTU_SKLPATH_VS_PS: return ESkinShader(SKIN_VSPS_LIGHT + wide);
    case KESTU_SKLPATH_VS_PS_POINTLIGHTS:
        if (pointLights == 1) return ESkinShader(SKIN_VSPS_LIGHT_P + wide);
        if (pointLights == 2) return ESkinShader(SKIN_VSPS_LIGHT_P2 + wide);
        return ESkinShader(SKIN_VSPS_LIGHT + wide);
    case KESTU_SKLPATH_MATERIAL: return ESkinShader(SKIN_VS2000_MATERIAL + wide);
    default: return ESkinShader(SKIN_VS2000_MATERIAL_P + wide);
    }
}

bool UsesPixelShader(int path) { return path == KESTU_SKLPATH_VS_PS || path == KESTU_SKLPATH_VS_PS_POINTLIGHTS; }

bool IsMaterialPath(int path) { return path == KESTU_SKLPATH_MATERIAL || path == KESTU_SKLPATH_MATERIAL_WIDE; }

} // namespace

int g_nSklPaletteBaseReg = 17;

int CMeshDataBase::IsShaderSkinned() const
{
    const int path = CMeshDataMng::GetSkeletonRenderPath();
    const int base = PaletteBase(path);
    if (!m_bVSMode || base < 0) return 0;
    const long bones = m_dwBatchNum > 0 ? long(m_dwMaxBatchBones) : long(m_dwShaderBonesNum);
    return base + 4 * bones <= CMeshDataMng::GetSklAniMaxConstantRegisterCount() ? 1 : 0;
}

long CMeshDataDynamic::RenderBeginPass(D3DXMATRIX* palette, DWORD batch, DWORD subset)
{
    const int path = CMeshDataMng::GetSkeletonRenderPath();
    if (!IsShaderSkinned()) return 0;
    if (!palette || !m_pDevice || !m_pMng) return E_FAIL;
    int base = PaletteBase(path);
    if (IsMaterialPath(path)) base = g_nSklPaletteBaseReg = path == KESTU_SKLPATH_MATERIAL ? 17 : 32;

    // The bones of this pass, each an entry of the palette.
    const bool batched = m_dwBatchNum > 0;
    if (batched && batch >= m_dwBatchNum) return E_FAIL;
    const DWORD bones = batched ? m_dwBoneCount[batch] : m_dwShaderBonesNum;
    const DWORD* list = batched ? m_boneList[batch].data() : nullptr;
    float* constants = m_pMng->GetVsConstantBuffer();
    const DWORD registers = m_pMng->GetVsConstantRegisters();
    if (!constants || DWORD(base) + 4 * bones > registers) return E_FAIL;
    for (DWORD s = 0; s < bones; ++s)
        if ((list ? list[s] : s) >= m_dwShaderBonesNum || (list ? list[s] : s) >= kMaxBones) return E_FAIL;

    m_pDevice->SetStreamSource(1, m_pWeightStream.Get(), m_dwStrideWeight);
    const long result = m_pDevice->SetStreamSource(2, m_pIndexStream[batched ? batch : 0].Get(), m_dwStrideIndex);

    if (IsMaterialPath(path)) {
        const CMaterialData& material = GetMaterial(subset);
        const D3DMATERIAL8& m = material.mtl;
        const float diffuse[4] = {m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Power};
        const float specular[4] = {m.Specular.r, m.Specular.g, m.Specular.b, 0.0f};
        std::memcpy(constants + 13 * 4, diffuse, sizeof(diffuse));
        std::memcpy(constants + 14 * 4, specular, sizeof(specular));
        m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    }
    for (DWORD s = 0; s < bones; ++s) {
        const DWORD bone = list ? list[s] : s;
        float* slot = constants + (base + 4 * s) * 4;
        std::memcpy(slot, &palette[bone]._11, 12 * sizeof(float));
        if (path != KESTU_SKLPATH_VS) slot[12] = m_fNormalSign[bone];
    }
    m_pDevice->SetVertexShaderConstant(0, constants, base + 4 * bones);

    const bool eight = m_dwBonesPerVertex > 4;
    m_pDevice->SetVertexShader(m_pMng->GetSkinVertexShader(ShaderOfPath(path, m_dwPointLightNum, eight), dwVertexFVF));
    if (UsesPixelShader(path)) {
        const bool points =
            path == KESTU_SKLPATH_VS_PS_POINTLIGHTS && (m_dwPointLightNum == 1 || m_dwPointLightNum == 2);
        m_pDevice->SetPixelShader(points ? m_pMng->GetVs_PsShader_Light_PS_P() : m_pMng->GetVs_PsShader_Light_PS());
    }
    return result;
}

long CMeshDataDynamic::RenderEndPass()
{
    const int path = CMeshDataMng::GetSkeletonRenderPath();
    if (!IsShaderSkinned() || !m_pDevice) return 0;
    m_pDevice->SetVertexShader(0);
    m_pDevice->SetStreamSource(1, nullptr, m_dwStrideWeight);
    m_pDevice->SetStreamSource(2, nullptr, m_dwStrideIndex);
    if (UsesPixelShader(path)) m_pDevice->SetPixelShader(0);
    return 0;
}

} // namespace Kestu
