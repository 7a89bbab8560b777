// Building and drawing the skinned mesh data: subsets, batches and passes.
#include <algorithm>

#include "kestu_meshdata_kinds.h"
#include "kestu_meshdatamng.h"

namespace Kestu {

long CMeshDataDynamic::Build(IDirect3DDevice8* device)
{
    if (m_bBuilt) return 0;
    CMeshDataBase::Build(device);
    for (CMaterialData& material : m_materials) material.Build(device, m_szTexturePath);
    long hr = CreateVertexBuffer(D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED, nullptr);
    if (hr < 0) return hr;
    // The shader paths read the bind pose from this buffer.
    UpdateVertexBuffer(m_pVB.Get(), GetVertexData());
    hr = CreateIndexBuffer(D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED, nullptr);
    if (hr < 0) return hr;
    hr = UpdateIndexBuffer(GetIndexData());
    m_bBuilt = 1;
    return hr;
}

long CMeshDataDynamic::BeginDraw(int setStreams)
{
    long result = 0;
    if (setStreams) result = SetStreams();
    m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    return result;
}

long CMeshDataDynamic::Render(D3DXMATRIX* palette, int setStreams)
{
    if (!m_pDevice) return E_FAIL;
    const long result = BeginDraw(setStreams);
    for (DWORD i = 0; i < m_materials.size(); ++i) DrawSubset(palette, i);
    return result;
}

long CMeshDataDynamic::RenderRough(D3DXMATRIX* palette, int useMaterials, int setStreams)
{
    if (!m_pDevice) return E_FAIL;
    const long result = BeginDraw(setStreams);
    m_dwCurMaterial = 0xFFFFFFFF;
    for (DWORD i = 0; i < m_materials.size(); ++i) {
        if (useMaterials) {
            const CMaterialData& material = m_materials[i];
            m_pDevice->SetMaterial(&material.mtl);
            if (IDirect3DTexture8* texture = material.GetTexture()) m_pDevice->SetTexture(0, texture);
            m_dwCurMaterial = i;
        }
        const DWORD first = i < m_subsetFirstIndex.size() ? m_subsetFirstIndex[i] : 0;
        const DWORD faces = i < m_subsetFaceCount.size() ? m_subsetFaceCount[i] : 0;
        DrawSubsetFaces(palette, i, first, faces);
    }
    return result;
}

long CMeshDataDynamic::DrawSubset(D3DXMATRIX* palette, DWORD subset)
{
    if (!m_pDevice) return E_FAIL;
    SetCurMaterial(m_pDevice, subset);
    const DWORD first = subset < m_subsetFirstIndex.size() ? m_subsetFirstIndex[subset] : 0;
    const DWORD faces = subset < m_subsetFaceCount.size() ? m_subsetFaceCount[subset] : 0;
    m_dwCurMaterial = subset;
    return DrawSubsetFaces(palette, subset, first, faces);
}

long CMeshDataDynamic::DrawSubsetFaces(D3DXMATRIX* palette, DWORD subset, DWORD firstIndex, DWORD faceCount)
{
    NotifyManager(KESTU_MESHEVENT_SUBSETBEGIN);
    long result = 0;
    if (m_dwBatchNum == 0 || !IsShaderSkinned()) {
        result = RenderBeginPass(palette, 0, subset);
        if (faceCount != 0) result = DrawRange(firstIndex, faceCount);
        RenderEndPass();
    } else {
        const DWORD f = firstIndex / 3, end = f + faceCount;
        for (DWORD k = 0; k < m_dwBatchNum; ++k) {
            const DWORD g = m_dwBatchFirstFace[k];
            if (g < f) continue;
            if (g >= end) break;
            const DWORD stop = std::min(k + 1 < m_dwBatchNum ? m_dwBatchFirstFace[k + 1] : dwPrimitiveCount, end);
            result = RenderBeginPass(palette, k, subset);
            if (stop > g) result = DrawRange(3 * g, stop - g);
            RenderEndPass();
        }
    }
    NotifyManager(KESTU_MESHEVENT_SUBSETEND);
    return result;
}

} // namespace Kestu
