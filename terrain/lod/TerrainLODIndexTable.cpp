// CTerrainLODIndexTable: the fixed index lists, built once for all terrains.
// Triangle order inside each list fixes the winding the device sees: every
// triangle runs clockwise seen from above (x right, z up).
#include <iterator>
#include <new>

#include "kestu_terrainlod.h"

CTerrainIndexList* CTerrainLODIndexTable::s_pLevel2 = nullptr;
CTerrainIndexList* CTerrainLODIndexTable::s_pLevel1[16] = {};
CTerrainIndexList* CTerrainLODIndexTable::s_pLevel0Strip = nullptr;
DWORD CTerrainLODIndexTable::s_dwLevel0Plain[96] = {};
CTerrainIndexList* CTerrainLODIndexTable::s_pQuadPiece[16] = {};
CTerrainIndexList* CTerrainLODIndexTable::s_pBorderFull[4] = {};
CTerrainIndexList* CTerrainLODIndexTable::s_pBorderHalf[4] = {};
CTerrainIndexList* CTerrainLODIndexTable::s_pLevel0[16] = {};
CTerrainIndexList* CTerrainLODIndexTable::s_pLevel0Wedge[256] = {};
DWORD CTerrainLODIndexTable::s_dwBuilt = 0;
LONG CTerrainLODIndexTable::s_nUsers = 0;

namespace {

constexpr WORD kLevel2[] = {0, 20, 24, 4};
constexpr WORD kLevel1Fan[] = {12, 0, 10, 20, 22, 24, 14, 4, 2, 0};
// The edge midpoint each bit of a level-1 code removes from the fan.
constexpr WORD kLevel1Midpoint[4] = {22, 2, 10, 14};

constexpr WORD kStrip[] = {20, 21, 15, 16, 10, 11, 5,  6, 0, 1, 1, 1, 2, 1, 7, 6, 12, 11, 17, 16, 22, 21, 22,
                           22, 22, 23, 17, 18, 12, 13, 7, 8, 2, 3, 3, 3, 4, 3, 9, 8,  14, 13, 19, 18, 24, 23};

// Triangles that touch no block edge, by quad in row order.
struct Piece {
    WORD count;
    WORD indices[6];
};
constexpr Piece kQuadPieces[16] = {
    {0, {}},
    {3, {2, 6, 7}},
    {3, {2, 7, 8}},
    {0, {}},
    {3, {6, 10, 11}},
    {6, {6, 11, 12, 6, 12, 7}},
    {6, {7, 12, 13, 7, 13, 8}},
    {3, {8, 13, 14}},
    {3, {10, 16, 11}},
    {6, {11, 16, 17, 11, 17, 12}},
    {6, {12, 17, 18, 12, 18, 13}},
    {3, {13, 18, 14}},
    {0, {}},
    {3, {16, 22, 17}},
    {3, {17, 22, 18}},
    {0, {}},
};

constexpr WORD kBorderFull[4][12] = {
    {16, 20, 21, 16, 21, 22, 18, 22, 23, 18, 23, 24},
    {0, 6, 1, 1, 6, 2, 2, 8, 3, 3, 8, 4},
    {0, 5, 6, 5, 10, 6, 10, 15, 16, 15, 20, 16},
    {4, 8, 9, 8, 14, 9, 14, 18, 19, 18, 24, 19},
};
constexpr WORD kBorderHalf[4][6] = {
    {16, 20, 22, 18, 22, 24},
    {0, 6, 2, 2, 8, 4},
    {0, 10, 6, 10, 20, 16},
    {4, 8, 14, 14, 18, 24},
};

// Wedges fanned around vertex 12, by side and by how many levels coarser the
// neighbour on that side is.
constexpr WORD kWedgeFine[4][18] = {
    {20, 21, 12, 12, 21, 17, 17, 21, 22, 22, 23, 17, 17, 23, 12, 12, 23, 24},
    {0, 12, 1, 1, 12, 7, 1, 7, 2, 2, 7, 3, 3, 7, 12, 3, 12, 4},
    {0, 5, 12, 5, 11, 12, 5, 10, 11, 10, 15, 11, 11, 15, 12, 15, 20, 12},
    {4, 12, 9, 9, 12, 13, 13, 14, 9, 14, 13, 19, 19, 13, 12, 19, 12, 24},
};
constexpr WORD kWedgeOne[4][6] = {
    {20, 22, 12, 22, 24, 12},
    {0, 12, 2, 2, 12, 4},
    {10, 20, 12, 10, 12, 0},
    {12, 24, 14, 12, 14, 4},
};
constexpr WORD kWedgeTwo[4][3] = {
    {12, 20, 24},
    {12, 4, 0},
    {12, 0, 20},
    {12, 24, 4},
};

template <class T>
void Drop(T*& list)
{
    delete list;
    list = nullptr;
}

CTerrainIndexList* NewList(DWORD type, WORD count, WORD primitives, const WORD* indices)
{
    CTerrainIndexList* list = new (std::nothrow) CTerrainIndexList(type, count, primitives, indices);
    if (list && !list->IsValid()) Drop(list);
    return list;
}

CTerrainIndexList* NewConcatenation(DWORD count, const CTerrainIndexList* const* lists)
{
    CTerrainIndexList* list = new (std::nothrow) CTerrainIndexList;
    if (list && !list->Concatenate(count, lists)) Drop(list);
    return list;
}

// Frees a still-built table when the library goes away.
struct TableExit {
    ~TableExit()
    {
        if (CTerrainLODIndexTable::IsBuilt()) CTerrainLODIndexTable::Free();
    }
} g_tableExit;

} // namespace

void CTerrainLODIndexTable::AddRef()
{
    ++s_nUsers;
    if (s_nUsers >= 1 && !s_dwBuilt) Build();
}

void CTerrainLODIndexTable::Release()
{
    --s_nUsers;
    if (s_nUsers < 1 && s_dwBuilt) Free();
}

void CTerrainLODIndexTable::Free()
{
    Drop(s_pLevel2);
    for (CTerrainIndexList*& l : s_pLevel1) Drop(l);
    Drop(s_pLevel0Strip);
    for (CTerrainIndexList*& l : s_pQuadPiece) Drop(l);
    for (CTerrainIndexList*& l : s_pBorderFull) Drop(l);
    for (CTerrainIndexList*& l : s_pBorderHalf) Drop(l);
    for (CTerrainIndexList*& l : s_pLevel0) Drop(l);
    for (CTerrainIndexList*& l : s_pLevel0Wedge) Drop(l);
    s_dwBuilt = 0;
}

int CTerrainLODIndexTable::DecodeNeighborLODCode(BYTE code, BYTE* d0, BYTE* d1, BYTE* d2, BYTE* d3)
{
    BYTE* const out[4] = {d0, d1, d2, d3};
    for (int side = 0; side < 4; ++side) {
        const bool one = (code >> side) & 1;
        const bool two = (code >> (side + 4)) & 1;
        if (two && !one) return 0;
        *out[side] = static_cast<BYTE>(two ? 2 : one ? 1 : 0);
    }
    return 1;
}

void CTerrainLODIndexTable::Build()
{
    if (s_dwBuilt) Free();
    s_pLevel2 = NewList(D3DPT_TRIANGLEFAN, 4, 2, kLevel2);
    for (DWORD code = 0; code < 16; ++code) {
        WORD fan[std::size(kLevel1Fan)];
        WORD n = 0;
        for (WORD v : kLevel1Fan) {
            bool removed = false;
            for (int bit = 0; bit < 4; ++bit) removed = removed || ((code >> bit) & 1 && v == kLevel1Midpoint[bit]);
            if (!removed) fan[n++] = v;
        }
        s_pLevel1[code] = NewList(D3DPT_TRIANGLEFAN, n, static_cast<WORD>(n - 2), fan);
    }
    s_pLevel0Strip = NewList(D3DPT_TRIANGLESTRIP, std::size(kStrip), 44, kStrip);

    for (DWORD quad = 0, k = 0; quad < 16; ++quad) {
        const DWORD v = 5 * (quad / 4) + quad % 4;
        const DWORD tri[6] = {v, v + 5, v + 6, v, v + 6, v + 1};
        for (DWORD t : tri) s_dwLevel0Plain[k++] = t;
    }
    for (DWORD quad = 0; quad < 16; ++quad) {
        const Piece& p = kQuadPieces[quad];
        s_pQuadPiece[quad] = NewList(D3DPT_TRIANGLELIST, p.count, static_cast<WORD>(p.count / 3), p.indices);
    }
    for (DWORD side = 0; side < 4; ++side) {
        s_pBorderFull[side] = NewList(D3DPT_TRIANGLELIST, 12, 4, kBorderFull[side]);
        s_pBorderHalf[side] = NewList(D3DPT_TRIANGLELIST, 6, 2, kBorderHalf[side]);
    }

    const CTerrainIndexList* parts[20];
    for (DWORD code = 0; code < 16; ++code) {
        DWORD n = 0;
        for (const CTerrainIndexList* piece : s_pQuadPiece)
            if (piece && piece->GetIndexCount()) parts[n++] = piece;
        for (DWORD side = 0; side < 4; ++side)
            parts[n++] = (code >> side) & 1 ? s_pBorderHalf[side] : s_pBorderFull[side];
        s_pLevel0[code] = NewConcatenation(n, parts);
    }

    CTerrainIndexList* wedges[4][3] = {};
    for (DWORD side = 0; side < 4; ++side) {
        wedges[side][0] = NewList(D3DPT_TRIANGLELIST, 18, 6, kWedgeFine[side]);
        wedges[side][1] = NewList(D3DPT_TRIANGLELIST, 6, 2, kWedgeOne[side]);
        wedges[side][2] = NewList(D3DPT_TRIANGLELIST, 3, 1, kWedgeTwo[side]);
    }
    for (DWORD code = 0; code < 256; ++code) {
        BYTE d[4];
        if (!DecodeNeighborLODCode(static_cast<BYTE>(code), &d[0], &d[1], &d[2], &d[3])) continue;
        for (DWORD side = 0; side < 4; ++side) parts[side] = wedges[side][d[side]];
        s_pLevel0Wedge[code] = NewConcatenation(4, parts);
    }
    for (auto& side : wedges)
        for (CTerrainIndexList*& w : side) Drop(w);
    s_dwBuilt = 1;
}

DWORD CTerrainLODIndexTable::NeighbourCode(BYTE level, const BYTE neighbourLevels[4], bool* wedge)
{
    *wedge = false;
    DWORD code = 0;
    if (level == 1) {
        for (int side = 0; side < 4; ++side)
            if (neighbourLevels[side] == 2) code |= 1u << side;
        return code;
    }
    if (level != 0) return 0;
    for (int side = 0; side < 4; ++side) *wedge = *wedge || neighbourLevels[side] == 2 || neighbourLevels[side] == 3;
    for (int side = 0; side < 4; ++side) {
        if (neighbourLevels[side] == 1) code |= 1u << side;
        if (*wedge && neighbourLevels[side] == 2) code |= 0x11u << side;
    }
    return code;
}

const CTerrainIndexList* CTerrainLODIndexTable::ChoosePattern(BYTE level, const BYTE neighbourLevels[4])
{
    if (level >= 2) return s_pLevel2;
    bool wedge = false;
    const DWORD code = NeighbourCode(level, neighbourLevels, &wedge);
    if (level == 1) return s_pLevel1[code];
    return wedge ? s_pLevel0Wedge[code] : s_pLevel0[code];
}
