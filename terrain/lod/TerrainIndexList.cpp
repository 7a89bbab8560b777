// CTerrainIndexList: one index list over a block's 25 vertices.
#include <algorithm>
#include <cstring>
#include <new>

#include "kestu_terrainlod.h"

CTerrainIndexList::CTerrainIndexList()
    : m_dwType(D3DPT_TRIANGLELIST), m_wIndexCount(0), m_wPrimitiveCount(0), m_pIndices(nullptr)
{
}

CTerrainIndexList::CTerrainIndexList(DWORD primitiveType, WORD indexCount, WORD primitiveCount, const WORD* indices)
    : CTerrainIndexList()
{
    Assign(primitiveType, indexCount, primitiveCount, indices);
}

CTerrainIndexList::CTerrainIndexList(DWORD count, const CTerrainIndexList* const* lists) : CTerrainIndexList()
{
    Concatenate(count, lists);
}

CTerrainIndexList::~CTerrainIndexList() { delete[] m_pIndices; }

void CTerrainIndexList::Assign(DWORD primitiveType, WORD indexCount, WORD primitiveCount, const WORD* indices)
{
    delete[] m_pIndices;
    m_pIndices = nullptr;
    m_dwType = primitiveType;
    m_wIndexCount = 0;
    m_wPrimitiveCount = 0;
    if (indexCount) {
        m_pIndices = new (std::nothrow) WORD[indexCount];
        if (!m_pIndices) return;
        std::memcpy(m_pIndices, indices, indexCount * sizeof(WORD));
    }
    m_wIndexCount = indexCount;
    m_wPrimitiveCount = primitiveCount;
}

bool CTerrainIndexList::Concatenate(DWORD count, const CTerrainIndexList* const* lists)
{
    WORD scratch[kMaxConcatenated];
    DWORD indices = 0, primitives = 0;
    DWORD type = D3DPT_TRIANGLELIST;
    for (DWORD i = 0; i < count; ++i) {
        const CTerrainIndexList* list = lists[i];
        if (!list || !list->IsValid() || indices + list->m_wIndexCount > kMaxConcatenated) {
            Assign(type, 0, 0, nullptr);
            return false;
        }
        if (i == 0) type = list->m_dwType;
        if (list->m_wIndexCount) std::memcpy(scratch + indices, list->m_pIndices, list->m_wIndexCount * sizeof(WORD));
        indices += list->m_wIndexCount;
        primitives += list->m_wPrimitiveCount;
    }
    Assign(type, static_cast<WORD>(indices), static_cast<WORD>(primitives), scratch);
    return IsValid();
}

WORD CTerrainIndexList::WriteRemapped(WORD* vertexCount, WORD** cursor, const WORD* remap) const
{
    WORD lo = 65535, hi = 0;
    WORD* out = *cursor;
    for (WORD i = 0; i < m_wIndexCount; ++i) {
        const WORD v = remap[m_pIndices[i]];
        out[i] = v;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    *cursor = out + m_wIndexCount;
    *vertexCount = static_cast<WORD>(hi - lo + 1);
    return lo;
}
