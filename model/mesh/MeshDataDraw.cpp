// Setting materials and streams and drawing index ranges of the mesh data.
#include <cstdio>

#include "kestu_meshdata.h"
#include "kestu_meshdatamng.h"

namespace Kestu {

namespace {

void TexturedStage(IDirect3DDevice8* device)
{
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

void BlendStates(IDirect3DDevice8* device)
{
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

} // namespace

long CMeshDataBase::SetCurMaterial(IDirect3DDevice8* device, DWORD i)
{
    if (i >= m_materials.size()) return 1;
    CMaterialData* material = &m_materials[i];
    if (m_pMtlSetOverride) {
        if (CMaterialData* fromSet = m_pMtlSetOverride->GetMtl(i)) material = fromSet;
    }
    device->SetMaterial(&material->mtl);
    if (IDirect3DTexture8* texture = material->GetTexture()) {
        device->SetTexture(0, texture);
        TexturedStage(device);
        switch (material->dwBlendMode) {
        case KESTU_MTL_BLEND_ALPHATEST:
            device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            BlendStates(device);
            break;
        case KESTU_MTL_BLEND_ALPHABLEND:
            device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            BlendStates(device);
            break;
        case KESTU_MTL_BLEND_KEEPSTATES: break;
        default:
            device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            break;
        }
    } else {
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device->SetTexture(0, nullptr);
    }
    m_dwCurMaterial = i;
    NotifyManager(KESTU_MESHEVENT_MATERIAL);
    return 0;
}

long CMeshDataBase::SetStreams()
{
    if (!m_pDevice) return E_FAIL;
    m_pDevice->SetIndices(m_pIB ? m_pIB->GetIdxBuf() : nullptr, 0);
    m_pDevice->SetStreamSource(0, m_pVB ? m_pVB->GetVtxBuf() : nullptr, m_pVB ? m_pVB->GetStride() : 0);
    return m_pDevice->SetVertexShader(m_pVB ? m_pVB->GetFVF() : dwVertexFVF);
}

long CMeshDataBase::DrawRange(DWORD firstIndex, DWORD faceCount)
{
    const HRESULT hr = m_pDevice->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(dwPrimitiveType),
                                                       m_dwMinVertexIndex, dwVerticesNum, firstIndex, faceCount);
    if (hr == D3DERR_INVALIDCALL) {
        char text[160];
        std::snprintf(text, sizeof(text), "DrawIndexedPrimitive error,%u,%u,%u,%u\n", m_dwReserved, m_dwMinVertexIndex,
                      dwVerticesNum, dwPrimitiveCount);
        OutputDebugStringA(text);
    }
    return hr;
}

long CMeshDataBase::RenderWithMtlSet(CMaterialSet* set)
{
    if (!m_pDevice) return E_FAIL;
    CMaterialSet* const saved = m_pMtlSetOverride;
    if (set) m_pMtlSetOverride = set;
    SetStreams();
    RenderBeginPass(nullptr, 0, 0);
    long result = 0;
    for (DWORD i = 0; i < m_materials.size(); ++i) {
        result = DrawSubset(nullptr, i);
        if (result < 0) {
            OutputDebugStringA("DrawSubset Failed!\n");
            m_pMtlSetOverride = saved;
            return result;
        }
    }
    RenderEndPass();
    m_pMtlSetOverride = saved;
    return result;
}

} // namespace Kestu
