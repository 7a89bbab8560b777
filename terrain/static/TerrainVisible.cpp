// CTerrain's frame: visible blocks, their levels of detail and the index
// lists gathered into the index buffer.
#include <algorithm>

#include "kestu_log.h"
#include "kestu_terrain.h"

namespace {

constexpr DWORD kIndicesPerBlock = CTerrain::kIndexBytesPerBlock / sizeof(WORD);
constexpr WORD kAllCells = 65535;

} // namespace

HRESULT CTerrain::UpdateVisibleState(const CFrustum* frustum, int frustumTest, int lodTest)
{
    if (!m_bBuilt) return D3DERR_INVALIDCALL;
    if ((frustumTest || lodTest) && !frustum) return KESTUERR_INVALIDPARAM;
    m_dwVisibleFaces = 0;
    m_dwRenderInfoCount = 0;
    CleanBlockVisible();
    m_bTestingVisibility = 1;
    if (frustumTest)
        SelectSubTreeByFrustum(frustum, this);
    else
        SelectAll(this);
    m_bTestingVisibility = 0;
    if (!m_pIB) return S_OK;
    BYTE* data = nullptr;
    HRESULT hr = m_pIB->Lock(0, 0, &data, 0);
    if (FAILED(hr)) return hr;
    m_pLockedIndices = reinterpret_cast<WORD*>(data);
    m_dwIndexCursor = 0;
    FillRenderInfoList(lodTest ? frustum->GetPos() : nullptr);
    m_pLockedIndices = nullptr;
    return m_pIB->Unlock();
}

BYTE CTerrain::DecideBlockLODlevel(WORD index, const D3DXVECTOR3* eye)
{
    const CTerrainBlock* block = m_ppBlocks[index];
    const D3DXVECTOR3* c = block->GetCenter();
    const float dx = eye->x - c->x, dy = eye->y - block->GetAtitude(WORD(12)), dz = eye->z - c->z;
    BYTE level = m_DistLOD.GetLevelQ(dx * dx + dy * dy + dz * dz);
    level = std::max(level, m_byMinLODLevel);
    // Past the last threshold a block is as far as it gets: the coarsest level.
    return std::min<BYTE>(level, 2);
}

BYTE CTerrain::GetNeighborLODLevel(int side, BYTE ownLevel, DWORD position, const D3DXVECTOR3* eye)
{
    CTerrain* other = side >= 0 && side < 4 ? m_pNeighbors[side] : nullptr;
    if (!other || !other->m_bBuilt || !eye) return ownLevel;
    const DWORD n = other->m_dwLength;
    if (position >= n) return ownLevel;
    DWORD index = 0;
    switch (side) {
    case kNeighbourUp: index = position; break;
    case kNeighbourRight: index = n * position; break;
    case kNeighbourDown: index = (n - 1) * n + position; break;
    default: index = (position + 1) * n - 1; break;
    }
    return other->DecideBlockLODlevel(static_cast<WORD>(index), eye);
}

void CTerrain::FillRenderInfoList(const D3DXVECTOR3* eye)
{
    const DWORD n = m_dwLength;
    static constexpr BYTE kSameLevel[4] = {0, 0, 0, 0};
    if (!eye) {
        for (DWORD v = 0; v < m_dwVisibleCount; ++v) {
            const CTerrainBlock* block = m_ppBlocks[m_pVisibleList[v]];
            if (block->IsRender()) AddBlock(block, 0, kSameLevel);
        }
        return;
    }
    for (DWORD v = 0; v < m_dwVisibleCount; ++v)
        m_pLODLevels[m_pVisibleList[v]] = DecideBlockLODlevel(m_pVisibleList[v], eye);
    for (DWORD v = 0; v < m_dwVisibleCount; ++v) {
        const DWORD i = m_pVisibleList[v];
        const CTerrainBlock* block = m_ppBlocks[i];
        if (!block->IsRender()) continue;
        const BYTE own = m_pLODLevels[i];
        const DWORD col = i % n, row = i / n;
        auto inside = [&](DWORD j) { return m_pVisibleFlags[j] ? m_pLODLevels[j] : own; };
        const BYTE levels[4] = {
            row + 1 < n ? inside(i + n) : GetNeighborLODLevel(kNeighbourUp, own, col, eye),
            row > 0 ? inside(i - n) : GetNeighborLODLevel(kNeighbourDown, own, col, eye),
            col > 0 ? inside(i - 1) : GetNeighborLODLevel(kNeighbourLeft, own, row, eye),
            col + 1 < n ? inside(i + 1) : GetNeighborLODLevel(kNeighbourRight, own, row, eye),
        };
        AddBlock(block, own, levels);
    }
}

void CTerrain::AddBlock(const CTerrainBlock* block, BYTE level, const BYTE neighbourLevels[4])
{
    if (level >= 2) {
        AddList(CTerrainLODIndexTable::GetLevel2(), block);
        return;
    }
    bool wedge = false;
    const DWORD code = CTerrainLODIndexTable::NeighbourCode(level, neighbourLevels, &wedge);
    if (level == 1) {
        AddList(CTerrainLODIndexTable::GetLevel1(code), block);
        return;
    }
    const WORD mark = block->GetCullMark();
    if (mark == 0) return;
    // A neighbour two levels coarser needs the wedge lists, or its border cracks.
    if (wedge && mark == kAllCells) {
        AddList(CTerrainLODIndexTable::GetLevel0Wedge(code), block);
        return;
    }
    const DWORD code4 = code & ~(code >> 4) & 15;
    if (code4 == 0) {
        if (mark == kAllCells)
            AddList(CTerrainLODIndexTable::GetLevel0Strip(), block);
        else
            AddCulledCells(block);
        return;
    }
    for (DWORD quad = 0; quad < 16; ++quad)
        if (mark == kAllCells || (mark >> quad) & 1) AddList(CTerrainLODIndexTable::GetQuadPiece(quad), block);
    for (DWORD side = 0; side < 4; ++side)
        AddList((code4 >> side) & 1 ? CTerrainLODIndexTable::GetBorderHalf(side)
                                    : CTerrainLODIndexTable::GetBorderFull(side),
                block);
}

void CTerrain::AddList(const CTerrainIndexList* list, const CTerrainBlock* block)
{
    if (!list || !list->GetPrimitiveCount()) return;
    if (m_dwRenderInfoCount >= m_dwRenderInfoCapacity ||
        m_dwIndexCursor + list->GetIndexCount() > GetBlockNum() * kIndicesPerBlock)
        return;
    WORD* cursor = m_pLockedIndices + m_dwIndexCursor;
    STerrainRenderInfo& info = m_pRenderInfo[m_dwRenderInfoCount++];
    info.type = list->GetType();
    info.startIndex = m_dwIndexCursor;
    info.minIndex = list->WriteRemapped(&info.numVertices, &cursor, block->GetIndices());
    info.primitiveCount = list->GetPrimitiveCount();
    info.texId = block->GetTexIdx();
    m_dwIndexCursor += list->GetIndexCount();
    m_dwVisibleFaces += list->GetPrimitiveCount();
}

void CTerrain::AddCulledCells(const CTerrainBlock* block)
{
    const WORD mark = block->GetCullMark();
    const DWORD* plain = CTerrainLODIndexTable::GetLevel0Plain();
    const WORD* remap = block->GetIndices();
    DWORD cells = 0;
    for (DWORD cell = 0; cell < 16; ++cell) cells += (mark >> cell) & 1;
    if (m_dwRenderInfoCount >= m_dwRenderInfoCapacity || m_dwIndexCursor + cells * 6 > GetBlockNum() * kIndicesPerBlock)
        return;
    WORD* out = m_pLockedIndices + m_dwIndexCursor;
    WORD lo = 65535, hi = 0;
    for (DWORD cell = 0; cell < 16; ++cell) {
        if (!((mark >> cell) & 1)) continue;
        for (DWORD k = 0; k < 6; ++k) {
            const WORD v = remap[plain[cell * 6 + k]];
            *out++ = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    STerrainRenderInfo& info = m_pRenderInfo[m_dwRenderInfoCount++];
    info.type = D3DPT_TRIANGLELIST;
    info.startIndex = m_dwIndexCursor;
    info.minIndex = lo;
    info.numVertices = static_cast<WORD>(hi - lo + 1);
    info.primitiveCount = static_cast<WORD>(cells * 2);
    info.texId = block->GetTexIdx();
    m_dwIndexCursor += cells * 6;
    m_dwVisibleFaces += cells * 2;
}
