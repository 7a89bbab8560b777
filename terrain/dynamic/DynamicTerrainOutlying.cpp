// CDynamicTerrain: the far ring of coarse blocks beyond the streamed ones.
// Local far blocks (on the far map) share one vertex buffer of the whole far
// grid and are drawn in batches through dynamic 16-bit index buffers; extern
// far blocks are asked of the client and carry their own corners.
#include <algorithm>
#include <cmath>

#include "core/entry/GfxGlobals.h"
#include "core/entry/KestuScratchList.h"
#include "kestu_api.h"
#include "terrain/dynamic/DTMapCell.h"
#include "terrain/dynamic/DTOwnPools.h"

namespace {

// What the far-ring request callback of a running ClipOutlying writes to.
CKestuScratchList* g_pOutlyingLocal = nullptr;
std::vector<SMapBlockPos>* g_pOutlyingExtern = nullptr;
KESTURECT2 g_OutlyingMapRect;
KESTURECT2 g_OutlyingArea;
float g_fOutlyingInvWidth = 1.0f;
float g_fOutlyingInvHeight = 1.0f;

bool InRect(const KESTURECT2& r, float x, float z) { return r.left <= x && x < r.right && r.bottom <= z && z < r.top; }

void AddOutlyingRequest(float x, float z)
{
    if (!InRect(g_OutlyingArea, x, z)) return;
    const int column = FloorToCell(x * g_fOutlyingInvWidth), row = FloorToCell(z * g_fOutlyingInvHeight);
    if (InRect(g_OutlyingMapRect, x, z))
        g_pOutlyingLocal->push_back(SKestuScratchEntry{DWORD(column), DWORD(row)});
    else
        g_pOutlyingExtern->push_back(SMapBlockPos(column, row));
}

// A batch counts the vertices it spans in 16 bits.
constexpr int kMaxGridVertices = 65535;
// An index buffer holds at least one block, and its primitive count fits 16 bits.
constexpr DWORD kMinIBLength = 12;
constexpr DWORD kMaxIBLength = 65535;
constexpr DWORD kIBBlockCost = 12;

} // namespace

void CDynamicTerrain::ResetOutlyingSettings()
{
    m_bOutlying = 0;
    m_pfAltitudes = nullptr;
    m_pwAltitudes = nullptr;
    m_nGridSide = 0;
    m_fAltitudeScale = 0.005f;
    m_nOutlyingStride = 0;
    m_dwIBLength = 8192;
}

HRESULT CDynamicTerrain::EnableOutlying(const SDTOutlyingCfg* cfg)
{
    const bool enable = cfg && cfg->bEnable;
    if (enable == (m_bOutlying != 0)) return S_FALSE;
    HRESULT hr = S_OK;
    if (!cfg) {
        ResetOutlyingSettings();
    } else {
        m_bOutlying = cfg->bEnable;
        m_pfAltitudes = cfg->pfAltitudes;
        m_pwAltitudes = cfg->pwAltitudes;
        m_fAltitudeScale = cfg->fAltitudeScale;
        m_nGridSide = cfg->nGridSide;
        DWORD length = cfg->dwIBLength ? cfg->dwIBLength : 8192;
        const DWORD deviceLimit = g_GfxCaps.GetD3dCaps()->MaxVertexIndex;
        if (deviceLimit) length = std::min(length, deviceLimit);
        m_dwIBLength = std::min(length, kMaxIBLength);
        const int ratio = std::max(cfg->nRatio, 1);
        m_nOutlyingStride = m_nStride / ratio;
        m_fOutlyingWidth = float(ratio) * m_fBlockWidth;
        m_fOutlyingHeight = float(ratio) * m_fBlockHeight;
        if (m_nOutlyingStride == 0 || m_dwIBLength < kMinIBLength) hr = E_INVALIDARG;
        // Every vertex of the far grid must be reachable by a 16-bit index.
        if ((m_nOutlyingStride + 1) * (m_nOutlyingStride + 1) > kMaxGridVertices) hr = E_INVALIDARG;
        if (SUCCEEDED(hr) && enable) {
            const bool flat = !m_pwAltitudes && !m_pfAltitudes;
            if (m_pwAltitudes && !(m_fAltitudeScale >= 0.000001f)) hr = E_INVALIDARG;
            // The grid must have a sample for every far-grid vertex.
            if (!flat && (m_nGridSide < 2 || m_nGridSide - 1 < m_nOutlyingStride)) hr = E_INVALIDARG;
        }
        if (FAILED(hr)) m_bOutlying = 0;
    }
    if (m_bOutlying) {
        if (!m_ExternVisibleOutlying.GetData()) m_ExternVisibleOutlying.Build(1024, 0, 2048, 2048, 0);
        if (!m_LocalVisibleOutlying.GetData()) m_LocalVisibleOutlying.Build(4096, 0, 4096, 4096, 0);
        if (!m_pOutlyingPool) {
            m_pOutlyingPool = new (std::nothrow) CDTOwnOutlyingPool;
            m_bExternOutlyingPool = FALSE;
            if (!m_pOutlyingPool) hr = E_OUTOFMEMORY;
        }
        m_Batches.clear();
        if (SUCCEEDED(hr)) hr = CreateOutlyingVB();
        if (SUCCEEDED(hr)) return hr;
        m_bOutlying = 0;
    }
    // Disabled (or refused): the far blocks leave with the buffers.
    if (m_pOutlyingRoot) DetachAllOutlyingBlock();
    m_ExternVisibleOutlying.Release();
    m_LocalVisibleOutlying.Release();
    m_Batches.clear();
    ReleaseAllOutlyingIBs();
    if (m_pOutlyingVB) m_pOutlyingVB->Release();
    m_pOutlyingVB = nullptr;
    return hr;
}

int CDynamicTerrain::GridStep() const
{
    if ((!m_pwAltitudes && !m_pfAltitudes) || m_nOutlyingStride <= 0) return 0;
    return (m_nGridSide - 1) / m_nOutlyingStride;
}

float CDynamicTerrain::GetOutlyingAltitude(int x, int z) const
{
    const int step = GridStep();
    if (step <= 0 || x < 0 || z < 0 || x > m_nOutlyingStride || z > m_nOutlyingStride) return 0.0f;
    const size_t i = size_t(z) * size_t(step) * size_t(m_nGridSide) + size_t(x) * size_t(step);
    return m_pwAltitudes ? GetSceneAltFromWordAlt(i) : m_pfAltitudes[i];
}

HRESULT CDynamicTerrain::CreateOutlyingVB()
{
    IDirect3DDevice8* device = Kestu_GetDevice();
    if (!device) return E_FAIL;
    if (m_pOutlyingVB) m_pOutlyingVB->Release();
    m_pOutlyingVB = nullptr;
    const int n = m_nOutlyingStride + 1;
    HRESULT hr = device->CreateVertexBuffer(UINT(n * n) * sizeof(D3DXVECTOR3), D3DUSAGE_WRITEONLY, D3DFVF_XYZ,
                                            D3DPOOL_MANAGED, &m_pOutlyingVB);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    hr = m_pOutlyingVB->Lock(0, 0, &data, 0);
    if (FAILED(hr)) return hr;
    auto* out = reinterpret_cast<D3DXVECTOR3*>(data);
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x)
            *out++ = D3DXVECTOR3(float(x) * m_fOutlyingWidth, GetOutlyingAltitude(x, z), float(z) * m_fOutlyingHeight);
    return m_pOutlyingVB->Unlock();
}

void CDynamicTerrain::ReleaseAllOutlyingIBs()
{
    for (IDirect3DIndexBuffer8* ib : m_IBs)
        if (ib) ib->Release();
    m_IBs.clear();
}

HRESULT CDynamicTerrain::ClipOutlying(const SBoundCircle* circle, const KESTURECT2* area, int maxGrow)
{
    if (!m_bBuilt || !m_bOutlying || !g_pKestuScratchList) return E_FAIL;
    if (!circle) return E_INVALIDARG;
    const KESTURECT2 mapRect(0.0f, float(m_nOutlyingStride) * m_fOutlyingHeight,
                             float(m_nOutlyingStride) * m_fOutlyingWidth, 0.0f);
    bool enlarged = false;
    const HRESULT hr = FitRoot(m_pOutlyingRoot, circle, maxGrow, m_fOutlyingWidth, m_fOutlyingHeight, &enlarged);
    if (FAILED(hr)) return hr;

    CKestuScratchList& local = *g_pKestuScratchList;
    local.clear();
    m_ExternOutlyingPos.clear();
    g_pOutlyingLocal = &local;
    g_pOutlyingExtern = &m_ExternOutlyingPos;
    g_OutlyingMapRect = mapRect;
    g_OutlyingArea = area ? *area : mapRect;
    g_fOutlyingInvWidth = 1.0f / m_fOutlyingWidth;
    g_fOutlyingInvHeight = 1.0f / m_fOutlyingHeight;
    const KESTURECT2 box(circle->x - circle->radius, circle->y + circle->radius, circle->x + circle->radius,
                         circle->y - circle->radius);
    ClipTree(m_pOutlyingRoot, m_pOutlyingRoot, circle, &box,
             SClipKind{m_fOutlyingWidth, AddOutlyingRequest, &CDynamicTerrain::LeaveOutlying});
    if (enlarged) CollapseRoot(m_pOutlyingRoot);

    m_dwNumLocalOutlying = DWORD(local.size());
    for (const SKestuScratchEntry& e : local) AttachLocalOutlyingBlock(int(e.a), int(e.b), 32);
    local.clear();
    return S_OK;
}

HRESULT CDynamicTerrain::AttachLocalOutlyingBlock(int x, int z, int maxGrow)
{
    CDTOutlyingBlock* block = m_pOutlyingPool->Alloc(0);
    if (!block) return E_OUTOFMEMORY;
    block->BuildLocal(this, x, z);
    const HRESULT hr = InsertLeaf(m_pOutlyingRoot, block, maxGrow, m_fOutlyingWidth, m_fOutlyingHeight);
    if (FAILED(hr) || hr == 1) ReleaseOutlyingToPool(block);
    return hr;
}

HRESULT CDynamicTerrain::AttachExternOutlyingBlock(int x, int z, const SDTOutlyingBlockInit* corners, int maxGrow,
                                                   STestBlockVisibleContext* test)
{
    if (!m_bBuilt || !m_bOutlying) return E_FAIL;
    if (!corners) return E_INVALIDARG;
    if (x >= 0 && x < m_nOutlyingStride && z >= 0 && z < m_nOutlyingStride) return E_FAIL;
    CDTOutlyingBlock* block = m_pOutlyingPool->Alloc(0);
    if (!block) return E_OUTOFMEMORY;
    block->BuildExtern(this, x, z, corners);
    const HRESULT hr = InsertLeaf(m_pOutlyingRoot, block, maxGrow, m_fOutlyingWidth, m_fOutlyingHeight);
    if (FAILED(hr) || hr == 1) {
        ReleaseOutlyingToPool(block);
        return hr;
    }
    if (test) {
        test->bVisible = test->pFrustum && test->pFrustum->IsContainFast(block->GetCenter());
        if (test->bVisible) block->SetListIndex(m_ExternVisibleOutlying.InsertPointerGrow(block, 0));
    }
    return hr;
}

HRESULT CDynamicTerrain::DetachOutlyingBlock(int x, int z)
{
    if (!m_pOutlyingRoot) return E_FAIL;
    // The block also leaves the far visible lists it stands in.
    SDTOutlyingDetachInfo lists;
    lists.pLocal = &m_LocalVisibleOutlying;
    lists.pExtern = &m_ExternVisibleOutlying;
    CQuadtree* leaf = m_pOutlyingRoot->DetachLeaf((float(x) + 0.5f) * m_fOutlyingWidth,
                                                  (float(z) + 0.5f) * m_fOutlyingHeight, m_pNodePool, &lists);
    if (!leaf) return E_FAIL;
    ReleaseOutlyingToPool(static_cast<CDTOutlyingBlock*>(leaf));
    CollapseRoot(m_pOutlyingRoot);
    return S_OK;
}

void CDynamicTerrain::DetachAllOutlyingBlock()
{
    if (!m_pOutlyingRoot) return;
    DetachTree(m_pOutlyingRoot, &CDynamicTerrain::LeaveOutlying);
    m_LocalVisibleOutlying.RemoveAllPointer();
    m_ExternVisibleOutlying.RemoveAllPointer();
    CQTDynamicNode::DeleteNode(m_pOutlyingRoot, m_pNodePool);
    m_pOutlyingRoot = nullptr;
}

void CDynamicTerrain::LeaveOutlying(CQuadtree* leaf)
{
    auto* block = static_cast<CDTOutlyingBlock*>(leaf);
    SDTOutlyingDetachInfo lists;
    lists.pLocal = &m_LocalVisibleOutlying;
    lists.pExtern = &m_ExternVisibleOutlying;
    block->OnDetach(&lists);
    ReleaseOutlyingToPool(block);
}

void CDynamicTerrain::ReleaseOutlyingToPool(CDTOutlyingBlock* block)
{
    block->Release();
    m_pOutlyingPool->Free(block, 0);
}

HRESULT CDynamicTerrain::UpdateOutlyingVisible(CFrustum* frustum, float outlyingRadius)
{
    m_LocalVisibleOutlying.RemoveAllPointer();
    m_ExternVisibleOutlying.RemoveAllPointer();
    SDTOutlyingVisibleTestInfo info;
    info.pLocal = &m_LocalVisibleOutlying;
    info.pExtern = &m_ExternVisibleOutlying;
    if (outlyingRadius >= 0.001f) {
        info.fEyeX = frustum->GetPos()->x;
        info.fEyeZ = frustum->GetPos()->z;
        info.fNearSq = outlyingRadius * outlyingRadius;
        info.bDistTest = 1;
    }
    m_pOutlyingRoot->SelectSubTreeByFrustum(frustum, &info);
    return UpdateLocalOutlyingVisible();
}

HRESULT CDynamicTerrain::UpdateLocalOutlyingVisible()
{
    m_Batches.clear();
    const DWORD count = m_LocalVisibleOutlying.GetCount();
    void** blocks = m_LocalVisibleOutlying.GetData();
    IDirect3DDevice8* device = count ? Kestu_GetDevice() : nullptr;
    if (count && !device) return E_FAIL;
    DWORD next = 0;
    for (WORD buffer = 0; next < count; ++buffer) {
        if (buffer >= m_IBs.size()) {
            IDirect3DIndexBuffer8* ib = nullptr;
            const HRESULT hr =
                device->CreateIndexBuffer(m_dwIBLength * sizeof(WORD), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                          D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib);
            if (FAILED(hr)) return hr;
            m_IBs.push_back(ib);
        }
        BYTE* data = nullptr;
        HRESULT hr = m_IBs[buffer]->Lock(0, 0, &data, D3DLOCK_DISCARD);
        if (FAILED(hr)) return hr;
        auto* out = reinterpret_cast<WORD*>(data);
        SOutlyingBatch batch;
        WORD low = 0xFFFF, high = 0;
        for (DWORD room = m_dwIBLength; next < count && room >= kIBBlockCost; ++next) {
            const auto* block = static_cast<const CDTOutlyingBlock*>(blocks[next]);
            if (!block) continue;
            for (int i = 0; i < 6; ++i) {
                const WORD index = block->GetIndices()[i];
                *out++ = index;
                low = std::min(low, index);
                high = std::max(high, index);
            }
            batch.wPrimitiveCount = WORD(batch.wPrimitiveCount + 2);
            room -= kIBBlockCost;
        }
        hr = m_IBs[buffer]->Unlock();
        if (FAILED(hr)) return hr;
        if (!batch.wPrimitiveCount) continue;
        batch.wMinIndex = low;
        batch.wNumVertices = WORD(high - low + 1);
        batch.wBuffer = buffer;
        m_Batches.push_back(batch);
    }
    // At most four spare buffers stay for the frames to come.
    while (m_IBs.size() > m_Batches.size() + 4) {
        m_IBs.back()->Release();
        m_IBs.pop_back();
    }
    return S_OK;
}
