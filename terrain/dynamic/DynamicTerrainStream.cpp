// CDynamicTerrain: streaming. Clip drops the blocks that left the view
// circle and lists the empty positions inside it; the client answers with
// AttachBlock; UpdateVisibleState picks the frame's visible blocks and their
// levels.
#include <algorithm>
#include <cmath>

#include "kestu_dynamicterrain.h"
#include "terrain/TerrainTextures.h"
#include "terrain/dynamic/DTMapCell.h"

namespace {

// What the load-request callback of a running Clip writes to.
CPointerArray* g_pClipLoadList = nullptr;
CDTBlockInfoPool* g_pClipInfoPool = nullptr;
float g_fClipInvWidth = 1.0f;
float g_fClipInvHeight = 1.0f;

void AddLoadRequest(float x, float z)
{
    SDTBlockInfo* info = g_pClipInfoPool->Alloc(0);
    if (!info) return;
    info->Init(0xFFFFFFFF, FloorToCell(x * g_fClipInvWidth), FloorToCell(z * g_fClipInvHeight));
    if (g_pClipLoadList->InsertPointerGrow(info, 0) == 0xFFFFFFFF) g_pClipInfoPool->Free(info, 0);
}

bool OnMap(int x, int z, int stride) { return x >= 0 && x < stride && z >= 0 && z < stride; }

} // namespace

HRESULT CDynamicTerrain::Clip(const SBoundCircle* view, int maxGrow, float outlyingExtra,
                              const KESTURECT2* outlyingRect)
{
    if (!m_bBuilt) return E_FAIL;
    if (!view) return E_INVALIDARG;
    bool enlarged = false;
    HRESULT hr = FitRoot(m_pRoot, view, maxGrow, m_fBlockWidth, m_fBlockHeight, &enlarged);
    if (FAILED(hr)) return hr;

    ReturnInfos(m_Unloaded);
    ReturnInfos(m_Load);
    g_pClipLoadList = &m_Load;
    g_pClipInfoPool = m_pInfoPool;
    g_fClipInvWidth = 1.0f / m_fBlockWidth;
    g_fClipInvHeight = 1.0f / m_fBlockHeight;
    const KESTURECT2 box(view->x - view->radius, view->y + view->radius, view->x + view->radius,
                         view->y - view->radius);
    ClipTree(m_pRoot, m_pRoot, view, &box, SClipKind{m_fBlockWidth, AddLoadRequest, &CDynamicTerrain::LeaveBlock});
    if (enlarged || m_Unloaded.GetCount()) CollapseRoot(m_pRoot);

    if (!(outlyingExtra > 0.001f)) return S_OK;
    if (!m_bOutlying) return S_FALSE;
    SBoundCircle outer(view->x, view->y, 0.0f);
    const float radius = view->radius + outlyingExtra;
    outer.radius = radius;
    outer.radiusSq = radius > 0.0f ? radius * radius : 0.0f;
    hr = ClipOutlying(&outer, outlyingRect, maxGrow);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CDynamicTerrain::AttachBlock(int x, int z, const SDynamicTerrainBlockInitHeader* data,
                                     const SDTBWaterInit* water, int maxGrow, STestBlockVisibleContext* test,
                                     CShaderLight* light, int softLight, CTexture* lightmap,
                                     const D3DXMATRIX* lightmapMatrix, DWORD scene)
{
    if (!m_bBuilt) return E_FAIL;
    if (!data) return E_INVALIDARG;
    CDynamicTerrainBlock* block = m_pBlockPool->Alloc(0);
    if (!block) return E_OUTOFMEMORY;
    block->Build(this, x, z, data, m_nStride, m_bReleaseTexture, m_pTextureMng, m_fBlockWidth, m_fBlockHeight, water,
                 light, softLight, lightmap, lightmapMatrix, scene);

    // A block already there takes over this one's data and keeps its place.
    const D3DXVECTOR3* c = block->GetCenter();
    CQuadtree* there = m_pRoot ? m_pRoot->GetLeaf(c->x, c->z) : nullptr;
    auto* existing = there && there->IsLeaf() ? static_cast<CDynamicTerrainBlock*>(there) : nullptr;
    const DWORD oldTexture = existing ? existing->GetTextureID() : 0xFFFFFFFF;

    const HRESULT hr = InsertLeaf(m_pRoot, block, maxGrow, m_fBlockWidth, m_fBlockHeight);
    if (FAILED(hr)) {
        ReleaseBlockToPool(block);
        return hr;
    }
    if (hr == 1) {
        // The old texture reference goes; the new one moved to the block there.
        if (m_bReleaseTexture && oldTexture != 0xFFFFFFFF) TerrainReleaseTexture(m_pTextureMng, oldTexture);
        block->Release(nullptr);
        m_pBlockPool->Free(block, 0);
        if (existing && existing->GetParent())
            existing->GetParent()->UpdateAltitudeReversely(existing->GetParentChildIndex());
        return hr;
    }
    ++m_nAttached;
    if (test && !block->IsHide()) {
        test->bVisible = test->pFrustum && test->pFrustum->IsContainFast(c);
        if (test->bVisible) (OnMap(x, z, m_nStride) ? m_LocalVisible : m_ExternVisible).InsertPointerGrow(block, 0);
    }
    return hr;
}

HRESULT CDynamicTerrain::DetachBlock(int x, int z)
{
    if (!m_pRoot) return E_FAIL;
    CQuadtree* leaf = m_pRoot->DetachLeaf((float(x) + 0.5f) * m_fBlockWidth, (float(z) + 0.5f) * m_fBlockHeight,
                                          m_pNodePool, nullptr);
    if (!leaf) return E_FAIL;
    auto* block = static_cast<CDynamicTerrainBlock*>(leaf);
    RemoveVisible(block);
    ReleaseBlockToPool(block);
    --m_nAttached;
    CollapseRoot(m_pRoot);
    return S_OK;
}

void CDynamicTerrain::DetachAllBlock()
{
    if (!m_pRoot) return;
    m_LocalVisible.RemoveAllPointer();
    m_ExternVisible.RemoveAllPointer();
    DetachTree(m_pRoot, &CDynamicTerrain::LeaveBlock);
    CQTDynamicNode::DeleteNode(m_pRoot, m_pNodePool);
    m_pRoot = nullptr;
    m_nAttached = 0;
}

void CDynamicTerrain::LeaveBlock(CQuadtree* leaf)
{
    auto* block = static_cast<CDynamicTerrainBlock*>(leaf);
    SDTBlockDetachConnect report;
    report.pPool = m_pInfoPool;
    report.pList = &m_Unloaded;
    block->OnDetach(&report);
    RemoveVisible(block);
    ReleaseBlockToPool(block);
    --m_nAttached;
}

void CDynamicTerrain::ReleaseBlockToPool(CDynamicTerrainBlock* block)
{
    block->Release(m_bReleaseTexture ? m_pTextureMng : nullptr);
    m_pBlockPool->Free(block, 0);
}

void CDynamicTerrain::RemoveVisible(CDynamicTerrainBlock* block)
{
    // Both lists: a shift or a new stride may have moved the block across the
    // map's edge, and a block that took over hidden data may still be listed.
    for (CPointerArray* list : {&m_LocalVisible, &m_ExternVisible})
        if (list->GetCount() && list->RemovePointer(static_cast<void*>(block))) return;
}

HRESULT CDynamicTerrain::UpdateVisibleState(CFrustum* frustum, BOOL byFrustum, BOOL lodOn, float outlyingRadius)
{
    if (!frustum || IsBadReadPtr(frustum, sizeof(CFrustum))) return E_FAIL;
    if (m_pMapBytes) std::fill(m_pMapBytes, m_pMapBytes + m_nMapBlocks, BYTE(0));
    m_LocalVisible.RemoveAllPointer();
    m_ExternVisible.RemoveAllPointer();
    if (m_pRoot) {
        SDTVisibleTestInfo info;
        info.dwPassKind = DT_PASS_VISIBLE;
        info.pInside = &m_LocalVisible;
        info.pOutside = &m_ExternVisible;
        info.pEye = frustum->GetPos();
        info.bLOD = lodOn;
        info.pVisFlags = m_pMapBytes;
        info.nStride = m_nStride;
        info.fD0 = m_fLODDistSq;
        info.fD1 = 4.0f * m_fLODDistSq;
        info.fD2 = 9.0f * m_fLODDistSq;
        info.fT1 = m_fLODAlt;
        info.fT2 = 0.5f * m_fLODAlt;
        if (byFrustum)
            m_pRoot->SelectSubTreeByFrustum(frustum, &info);
        else
            m_pRoot->SelectAll(&info);
    }
    if (!m_bOutlying || !m_pOutlyingRoot) return S_OK;
    return UpdateOutlyingVisible(frustum, outlyingRadius);
}
