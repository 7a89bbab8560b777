// CQuadSquare: a node of an adaptive quadtree over a height field of 16-bit
// heights. Each node is a square with a centre vertex and four edge vertices
// and up to four children over its quarters. Height maps merge into the tree
// (AddHeightMap), the tree is thinned where it is flat (StaticCullData), and
// every frame Update switches edge vertices and children on and off by their
// error seen from the viewer, keeping neighbours consistent so that no cracks
// appear. The tree produces the flags; it draws nothing.
//
// Geometry is not stored in the nodes: it travels down the recursion in an
// SQuadCornerData, built by the client for the root and derived for each
// child by SetupCornerData. A node at level L with origin (x, z) covers
// [x, x + 2 * 2^L] x [z, z + 2 * 2^L]. Directions and edge vertices: 0 east
// (+x), 1 north (-z), 2 west (-x), 3 south (+z).
#pragma once
#include <d3d8.h>
#include <d3dx8math.h>

#include "kestu_export.h"

class CQuadSquare;

#pragma pack(push, 1)

struct KESTU_API SQSVertex {
    WORD wHeight = 0;
    // A per-vertex slot: averaged from the corners when a node is made, reset
    // when the node's errors are recomputed.
    DWORD dwValue = 0xFFFFFFFF;
};

struct KESTU_API SQuadCornerData {
    const SQuadCornerData* pParent = nullptr;
    CQuadSquare* pSquare = nullptr;
    BYTE byChildIndex = 0;
    BYTE byLevel = 0;
    int32_t nXOrg = 0;
    int32_t nZOrg = 0;
    // 0 at (x + 2 half, z), 1 at (x, z), 2 at (x, z + 2 half), 3 at (x + 2 half, z + 2 half).
    SQSVertex Verts[4];

    // Everything but the corners back to zero.
    void Reset();
};

#pragma pack(pop)

struct KESTU_API SQSHeightMapInfo {
    const WORD* pData = nullptr; // row by row
    int32_t nXOrigin = 0;
    int32_t nZOrigin = 0;
    int32_t nXSize = 0;    // samples used per row
    int32_t nZSize = 0;    // rows
    int32_t nRowWidth = 0; // samples from one row to the next in pData
    int32_t nScale = 0;    // log2 of the sample spacing

    // The bilinear height at (x, z); 0 outside the map and on its last row
    // and column.
    float Sample(int x, int z) const;
};

#pragma pack(push, 1)

class KESTU_API CQuadSquare {
public:
    // Flag bits: edge vertices, then children.
    static constexpr BYTE kEast = 0x01, kNorth = 0x02, kWest = 0x04, kSouth = 0x08;
    static constexpr BYTE ChildFlag(int i) { return BYTE(0x10 << i); }

    // Builds a node for the corner data and stores it there as the square;
    // its heights start at 0.
    explicit CQuadSquare(SQuadCornerData* cd);
    // A node owns its children: a copy would delete them twice.
    CQuadSquare(const CQuadSquare&) = delete;
    CQuadSquare& operator=(const CQuadSquare&) = delete;
    virtual ~CQuadSquare();

    void AddHeightMap(const SQuadCornerData& cd, const SQSHeightMapInfo& hm);
    // Drops the dynamic nodes, then removes the vertices and nodes whose
    // error times the threshold stays below their size.
    void StaticCullData(const SQuadCornerData& cd, float threshold);
    // Sets the shared detail threshold and refines the tree for the viewer.
    void Update(const SQuadCornerData& cd, const D3DXVECTOR3* viewer, float detail);
    void UpdateAux(const SQuadCornerData& cd, const D3DXVECTOR3* viewer, float centreError);
    // The node's largest error; refreshes its errors and height range and
    // those of everything below.
    float RecomputeErrorAndColor(const SQuadCornerData& cd);
    // The height of the static surface at (x, z); points outside the node
    // take its nearest edge.
    float GetHeight(const SQuadCornerData& cd, float x, float z) const;

    // Child and edge-vertex indices count by their low two bits.
    void SetupCornerData(SQuadCornerData* out, const SQuadCornerData& cd, unsigned char child) const;
    // The node of the same size in the direction, or null (outside the tree
    // or not made).
    CQuadSquare* GetNeighbor(unsigned long direction, const SQuadCornerData& cd) const;
    // With increment 1 the child counts of the vertex's own node and of its
    // alias on the neighbour grow, as NotifyChildDisable lets them fall.
    void EnableEdgeVertex(unsigned char index, const SQuadCornerData& cd, int increment);
    // A child made here (no height data has reached it) starts on the
    // surface between its corners.
    void EnableChild(unsigned char index, const SQuadCornerData& cd);
    // Walks the path (last entry first) enabling children; null for an empty path.
    CQuadSquare* EnableDescendant(int count, unsigned char path[], const SQuadCornerData& cd);
    // E_FAIL when the child exists, E_OUTOFMEMORY.
    HRESULT CreateChild(unsigned char index, const SQuadCornerData& cd);
    void NotifyChildDisable(const SQuadCornerData& cd, unsigned char child);
    void ResetTree();
    int CountNodes() const;

    CQuadSquare* GetChild(int i) const { return m_pChildren[i]; }
    const SQSVertex& GetVertex(int i) const { return m_Vertices[i]; }
    void SetVertexHeight(int i, WORD height) { m_Vertices[i].wHeight = height; }
    WORD GetError(int i) const { return m_wErrors[i]; }
    WORD GetMinHeight() const { return m_wMinHeight; }
    WORD GetMaxHeight() const { return m_wMaxHeight; }
    BYTE GetFlags() const { return m_byFlags; }
    int IsFlag(BYTE mask) const { return (m_byFlags & mask) ? 1 : 0; }
    void SetFlag(BYTE mask) { m_byFlags = BYTE(m_byFlags | mask); }
    void ResetFlag(BYTE mask) { m_byFlags = BYTE(m_byFlags & ~mask); }
    int GetEastCount() const { return m_byEastCount; }
    int GetSouthCount() const { return m_bySouthCount; }
    int IsStatic() const { return m_bStatic; }
    // Marks the node and its ancestors static.
    void SetStatic(const SQuadCornerData& cd);
    int IsDirty() const { return m_bDirty; }
    void SetDirty(int dirty) { m_bDirty = dirty ? 1 : 0; }

    static float GetDetailThreshold() { return ms_fDetailThreshold; }

private:
    void StaticCullAux(const SQuadCornerData& cd, float threshold, int targetLevel);
    // The alias of an edge vertex on the neighbour, made when missing; null
    // at the edge of the tree.
    CQuadSquare* EnableAlias(unsigned char index, const SQuadCornerData& cd);
    void ChangeCount(unsigned char index, int delta);
    void DropChildCounts(const SQuadCornerData& cd, unsigned char child);
    void ChildErrorsFromCorners(const SQSVertex* corners);
    void SpanCorners(const SQuadCornerData& cd);

    CQuadSquare* m_pChildren[4];
    // 0 centre, 1 east, 2 north, 3 west, 4 south.
    SQSVertex m_Vertices[5];
    // 0 east vertex, 1 south vertex, 2..5 children 0..3.
    WORD m_wErrors[6];
    WORD m_wMinHeight;
    WORD m_wMaxHeight;
    BYTE m_byFlags;
    BYTE m_byEastCount : 3;
    BYTE m_bySouthCount : 3;
    BYTE m_bStatic : 1;
    BYTE m_bDirty : 1;

    static float ms_fDetailThreshold;
};

#pragma pack(pop)
