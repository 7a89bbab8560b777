// CTerrain's draws: one DrawIndexedPrimitive per gathered record.
#include "kestu_log.h"
#include "kestu_terrain.h"
#include "terrain/TerrainTextures.h"

HRESULT CTerrain::DrawRecords(bool textured)
{
    if (!m_pDevice || !m_pLocalVB || !m_pIB) return KESTUERR_SURFACENOTBUILT;
    IDirect3DDevice8* d = m_pDevice;
    d->SetStreamSource(0, m_pLocalVB, m_dwVertexStride);
    d->SetIndices(m_pIB, 0);
    d->SetVertexShader(m_dwFVF);
    d->SetMaterial(&m_Material);
    HRESULT result = S_OK;
    for (DWORD r = 0; r < m_dwRenderInfoCount; ++r) {
        const STerrainRenderInfo& info = m_pRenderInfo[r];
        if (textured) d->SetTexture(0, TerrainTextureById(m_pTexMng, info.texId));
        result |= d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(info.type), info.minIndex, info.numVertices,
                                          info.startIndex, info.primitiveCount);
    }
    return result;
}

HRESULT CTerrain::Render()
{
    if (!m_pDevice) return KESTUERR_SURFACENOTBUILT;
    IDirect3DDevice8* d = m_pDevice;
    if (!m_pTexMng) {
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        d->SetTexture(0, nullptr);
        return DrawRecords(false);
    }
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    return DrawRecords(true);
}

HRESULT CTerrain::RenderRough() { return DrawRecords(false); }
