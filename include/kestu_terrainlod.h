// The level-of-detail index lists shared by every terrain block. A block is
// a 5 x 5 vertex grid (vertex v at column v % 5, row v / 5, row 0 at the
// smallest z); level 0 draws all 25 vertices, level 1 the 9 of a 2 x 2 grid,
// level 2 the 4 corners. Borders towards a coarser neighbour skip the
// vertices that neighbour lacks, so that no crack opens between them.
//
// Neighbour sides: 0 high z (vertices 20-24), 1 low z (0-4), 2 low x
// (0, 5, 10, 15, 20), 3 high x (4, 9, 14, 19, 24); bit i of a code is side i.
// A 4-bit code sets bit i when neighbour i is one level coarser. An 8-bit
// code gives each side a value d (0 same or finer, 1 one level coarser, 2 two
// levels coarser): bit i alone is 1, bits i and i + 4 are 2, bit i + 4 alone
// is invalid.
#pragma once
#include "kestu_export.h"
#include "d3d8.h"

class KESTU_API CTerrainIndexList {
public:
    CTerrainIndexList();
    CTerrainIndexList(DWORD primitiveType, WORD indexCount, WORD primitiveCount, const WORD* indices);
    // The concatenation of count lists: type of the first, counts summed.
    CTerrainIndexList(DWORD count, const CTerrainIndexList* const* lists);
    CTerrainIndexList(const CTerrainIndexList&) = delete;
    CTerrainIndexList& operator=(const CTerrainIndexList&) = delete;
    virtual ~CTerrainIndexList();

    // Re-assigns this list by concatenation; false (and an empty list) when
    // the result would pass 1024 indices or memory runs out.
    bool Concatenate(DWORD count, const CTerrainIndexList* const* lists);
    // Writes remap[index] for each index at *cursor and advances it. Returns
    // the smallest value written and stores largest - smallest + 1 in
    // *vertexCount (65535 and 2 for an empty list).
    WORD WriteRemapped(WORD* vertexCount, WORD** cursor, const WORD* remap) const;

    D3DPRIMITIVETYPE GetType() const { return static_cast<D3DPRIMITIVETYPE>(m_dwType); }
    WORD GetIndexCount() const { return m_wIndexCount; }
    WORD GetPrimitiveCount() const { return m_wPrimitiveCount; }
    const WORD* GetIndices() const { return m_pIndices; }
    // A list whose indices could not be allocated holds none.
    bool IsValid() const { return m_wIndexCount == 0 || m_pIndices != nullptr; }

    static constexpr DWORD kMaxConcatenated = 1024;

private:
    void Assign(DWORD primitiveType, WORD indexCount, WORD primitiveCount, const WORD* indices);

    DWORD m_dwType;
    WORD m_wIndexCount;
    WORD m_wPrimitiveCount;
    WORD* m_pIndices;
};

// The one process-wide table of index lists, built by the first terrain that
// takes a reference and freed when the last one gives it back. Lookups yield
// null while the table is not built.
class KESTU_API CTerrainLODIndexTable {
public:
    CTerrainLODIndexTable() = delete;

    static void AddRef();
    static void Release();
    static void Build();
    static void Free();
    static int IsBuilt() { return s_dwBuilt != 0; }
    static LONG GetUserCount() { return s_nUsers; }

    // Turns an 8-bit code into the four side values; 0 for an invalid code
    // (the outputs after the first invalid side are left unwritten).
    static int DecodeNeighborLODCode(BYTE code, BYTE* d0, BYTE* d1, BYTE* d2, BYTE* d3);

    static const CTerrainIndexList* GetLevel2() { return s_pLevel2; }
    static const CTerrainIndexList* GetLevel1(DWORD code4) { return s_pLevel1[code4 & 15]; }
    static const CTerrainIndexList* GetLevel0Strip() { return s_pLevel0Strip; }
    static const CTerrainIndexList* GetLevel0(DWORD code4) { return s_pLevel0[code4 & 15]; }
    static const CTerrainIndexList* GetLevel0Wedge(DWORD code8) { return s_pLevel0Wedge[code8 & 255]; }
    static const CTerrainIndexList* GetQuadPiece(DWORD quad) { return s_pQuadPiece[quad & 15]; }
    static const CTerrainIndexList* GetBorderFull(DWORD side) { return s_pBorderFull[side & 3]; }
    static const CTerrainIndexList* GetBorderHalf(DWORD side) { return s_pBorderHalf[side & 3]; }
    // The level-0 triangle list as 96 plain values: for each quad in row
    // order with v its low corner, (v, v+5, v+6) and (v, v+6, v+1).
    static const DWORD* GetLevel0Plain() { return s_dwLevel0Plain; }

    // The list for a block at level (0 to 2) whose neighbours, by side, are at
    // the given levels (a missing neighbour counts as 0).
    static const CTerrainIndexList* ChoosePattern(BYTE level, const BYTE neighbourLevels[4]);
    // The codes of that choice: the 4-bit code for level 1 and for level 0
    // without a neighbour two or more levels coarser, else the 8-bit code;
    // wedge reports which of the two level 0 takes.
    static DWORD NeighbourCode(BYTE level, const BYTE neighbourLevels[4], bool* wedge);

private:
    static CTerrainIndexList* s_pLevel2;
    static CTerrainIndexList* s_pLevel1[16];
    static CTerrainIndexList* s_pLevel0Strip;
    static DWORD s_dwLevel0Plain[96];
    static CTerrainIndexList* s_pQuadPiece[16];
    static CTerrainIndexList* s_pBorderFull[4];
    static CTerrainIndexList* s_pBorderHalf[4];
    static CTerrainIndexList* s_pLevel0[16];
    static CTerrainIndexList* s_pLevel0Wedge[256];
    static DWORD s_dwBuilt;
    static LONG s_nUsers;
};
