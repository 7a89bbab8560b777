// CDynamicTerrainBlock: the level pass, the choice of the stitching list and
// the two draws.
#include "kestu_dynamicterrain.h"

void CDynamicTerrainBlock::OnSelect(void* context, int whole)
{
    if (IsHide() || !context) return;
    switch (static_cast<SDTSelectContext*>(context)->dwPassKind) {
    case DT_PASS_VISIBLE: FrameMove(static_cast<SDTVisibleTestInfo*>(context)); break;
    case DT_PASS_SOFTLIGHT: SoftCalcLight(); break;
    default: break;
    }
}

void CDynamicTerrainBlock::FrameMove(SDTVisibleTestInfo* info)
{
    if (IsHaveFlag(DTB_FLAG_FULLDETAIL) || !info->bLOD) {
        m_pPattern = CTerrainLODIndexTable::GetLevel0Strip();
    } else {
        BYTE level = 0;
        if (info->fD0 > 0.0f) {
            // Flat blocks are capped toward coarser levels.
            int cap = -1;
            if (info->fT1 > 0.0f) cap = m_fMaxAltDiff < info->fT2 ? 2 : m_fMaxAltDiff < info->fT1 ? 1 : 0;
            const D3DXVECTOR3 d = m_vCenter - *info->pEye;
            const float dist = d.x * d.x + d.y * d.y + d.z * d.z;
            if (cap < 0)
                level = dist <= info->fD0 ? 0 : dist <= info->fD1 ? 1 : 2;
            else if (dist > info->fD2)
                level = 2;
            else if (dist > info->fD1)
                level = cap < 2 ? 1 : 2;
            else if (dist > info->fD0)
                level = BYTE(cap);
            else
                level = cap > 0 ? 1 : 0;
        }
        m_byLOD = level;
        m_pPattern = nullptr;
    }
    const bool inside = m_MBPos.x >= 0 && m_MBPos.x < info->nStride && m_MBPos.y >= 0 && m_MBPos.y < info->nStride;
    if (inside) {
        if (info->pInside) info->pInside->InsertPointerGrow(this, 0);
        if (info->pVisFlags) info->pVisFlags[m_nMBIndex] = 1;
    } else if (info->pOutside) {
        info->pOutside->InsertPointerGrow(this, 0);
    }
}

BYTE CDynamicTerrainBlock::GetNeighborLODLevel(int side)
{
    CQuadtree* n = GetNeighbor(side);
    // Every leaf of the block tree is a block, all at one depth.
    return n && n->IsLeaf() ? static_cast<CDynamicTerrainBlock*>(n)->m_byLOD : 0;
}

const CTerrainIndexList* CDynamicTerrainBlock::ChoosePattern()
{
    if (!m_pPattern)
        m_pPattern = CDynamicTerrain::SelectStitchIndexBuffer(m_byLOD, GetNeighborLODLevel(0), GetNeighborLODLevel(1),
                                                              GetNeighborLODLevel(2), GetNeighborLODLevel(3));
    return m_pPattern;
}

HRESULT CDynamicTerrainBlock::Render(IDirect3DDevice8* device)
{
    if (!m_bHasVertices || !m_pOwner) return S_FALSE;
    const CTerrainIndexList* pattern = ChoosePattern();
    if (!pattern || !pattern->GetIndices() || !(m_dwFVF & D3DFVF_POSITION_MASK)) return E_FAIL;
    return device->DrawIndexedPrimitiveUP(pattern->GetType(), 0, 25, pattern->GetPrimitiveCount(),
                                          pattern->GetIndices(), D3DFMT_INDEX16, m_Vertices, m_dwStride);
}

HRESULT CDynamicTerrainBlock::RenderWater(IDirect3DDevice8* device)
{
    if (!m_dwNumWaterVer || !m_pOwner) return S_FALSE;
    if (m_dwNumWaterVer == 4) return device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, m_WaterVer, sizeof(SDTVertexEx));
    const CTerrainIndexList* pattern = ChoosePattern();
    if (!pattern || !pattern->GetIndices()) return E_FAIL;
    return device->DrawIndexedPrimitiveUP(pattern->GetType(), 0, 25, pattern->GetPrimitiveCount(),
                                          pattern->GetIndices(), D3DFMT_INDEX16, m_WaterVer, sizeof(SDTVertexEx));
}
