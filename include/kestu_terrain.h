// The static block terrain: N x N blocks (N a power of two, 2 to 32) built
// once from the client's data block, drawn from one vertex buffer through one
// index buffer that is refilled every frame with the index lists of the
// visible blocks at their level of detail. The terrain is the root of its
// quadtree; its blocks are the leaves.
#pragma once
#include "kestu_export.h"
#include "kestu_distlod.h"
#include "kestu_quadtree.h"
#include "kestu_terraindata.h"
#include "kestu_terrainlod.h"

class CTerrain;
class CTextureMng;

// One block: a leaf covering 4 x 4 cells over a 5 x 5 grid of the terrain's
// vertices. Cell (c, r) is split along its diagonal from (c, r) to
// (c + 1, r + 1).
class KESTU_API CTerrainBlock : public CQTLeaf {
public:
    CTerrainBlock();
    CTerrainBlock(const CTerrainBlock& other) = default;
    CTerrainBlock& operator=(const CTerrainBlock& other) = default;
    ~CTerrainBlock() override;

    float FillCornerAltitude(ENUM_OU_CORNER corner, float floor) override;
    float FillCenterAltitude(float floor) override;
    void FillBoundSphere(float floor) override;
    // Reports this block to the terrain (the context) while it tests
    // visibility, when the block is drawn at all.
    void OnSelect(void* context, int whole) override;

    void Set(WORD index, const STerrainBlockInit* record);
    void Set(WORD index, WORD texId, const WORD* indices25, const float* altitudes25, BYTE render, WORD cullMark);

    int IsRender() const { return m_byRender != 0; }
    void SetRender(BYTE render) { m_byRender = render; }
    WORD GetTexIdx() const { return m_wTexId; }
    void SetTexIdx(WORD texId) { m_wTexId = texId; }
    WORD GetIndex() const { return m_wBlockIndex; }
    // Grid points i are 0 to 24; nothing is checked.
    float GetAtitude(WORD i) const { return m_fAltitudes[i]; }
    void SetAtitude(WORD i, float altitude) { m_fAltitudes[i] = altitude; }
    WORD GetIndex(WORD i) const { return m_wIndices[i]; }
    void SetIndex(WORD i, WORD vertex) { m_wIndices[i] = vertex; }
    const WORD* GetIndices() const { return m_wIndices; }
    WORD GetCullMark() const { return m_wCullMark; }
    void SetCullMark(WORD mark) { m_wCullMark = mark; }

    // The height of the surface; points outside are answered from the
    // nearest cell. A point on a line between cells belongs to the low one.
    float GetAtitude(float x, float z) const;
    // The segment from `from` to `to` against cell (column, row), 0 to 3 each,
    // of the given size: the hit point in out and out, or null.
    D3DXVECTOR3* GetPointOfIntersection(D3DXVECTOR3* out, int column, int row, const D3DXVECTOR3* from,
                                        const D3DXVECTOR3* to, float cellWidth, float cellHeight) const;

private:
    WORD m_wIndices[25];
    WORD m_wTexId;
    float m_fAltitudes[25];
    WORD m_wBlockIndex;
    BYTE m_byRender;
    WORD m_wCullMark;
};

enum ENUM_TERRAIN_BUILDMODE : int32_t {
    TERRAIN_BUILD_ALL = 0,
    // The client hands its own blocks to CreateQuadtree; they stay its own.
    TERRAIN_BUILD_EXTERNBLOCKS = 1,
    // Taken as TERRAIN_BUILD_EXTERNBLOCKS: a tree over missing blocks cannot stand.
    TERRAIN_BUILD_NOBLOCKS = 2,
};

// One DrawIndexedPrimitive call.
// The start index is 32-bit: a large terrain gathers more than 65535 indices.
struct KESTU_API STerrainRenderInfo {
    DWORD type = D3DPT_TRIANGLELIST;
    DWORD startIndex = 0;
    WORD minIndex = 0;
    WORD numVertices = 0;
    WORD primitiveCount = 0;
    WORD texId = 0;
};

class KESTU_API CTerrain : public CQTNode {
public:
    // Side of a neighbouring terrain.
    enum { kNeighbourUp = 0, kNeighbourRight = 1, kNeighbourDown = 2, kNeighbourLeft = 3 };
    // The most render-info records one block can add in a frame: 12 inner
    // quad pieces and 4 border pieces.
    static constexpr DWORD kMaxRecordsPerBlock = 16;
    static constexpr DWORD kIndexBytesPerBlock = 640;

    CTerrain();
    // Owns buffers and arrays: a copy would free them twice.
    CTerrain(const CTerrain&) = delete;
    CTerrain& operator=(const CTerrain&) = delete;
    ~CTerrain() override;

    using CQTNode::Build;

    // Selection (against the frustum, or all blocks), levels of detail from
    // the frustum's eye when lodTest is set, and index gathering.
    virtual HRESULT UpdateVisibleState(const CFrustum* frustum, int frustumTest, int lodTest);
    virtual HRESULT Render();
    // Draws without touching texture stages or textures.
    virtual HRESULT RenderRough();
    // The data block's size is taken from its head: the client vouches for it.
    virtual HRESULT Build(IDirect3DDevice8* device, unsigned char* data, const SGfxDistLOD* distLOD,
                          float altitudeFloor, ENUM_TERRAIN_BUILDMODE mode, CTerrain** neighbourTerrains);
    // Completes a build of mode 1 with the client's blocks.
    virtual HRESULT CreateQuadtree(CTerrainBlock** blocks, unsigned char* records, float altitudeFloor);
    virtual HRESULT WriteDataBlock(unsigned char* head);
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();

    // The same over a block of dataSize bytes: a block shorter than its head
    // says, or whose records name vertices it does not have, is refused.
    HRESULT Build(IDirect3DDevice8* device, const unsigned char* data, uint64_t dataSize, const SGfxDistLOD* distLOD,
                  float altitudeFloor, ENUM_TERRAIN_BUILDMODE mode, CTerrain** neighbourTerrains);

    void Release();

    CTerrainBlock* GetBlock(DWORD i) const { return m_ppBlocks[i]; }
    CTerrainBlock* GetBlock(DWORD column, DWORD row) const { return m_ppBlocks[row * m_dwLength + column]; }
    // The block under a point; a point on a line between two blocks belongs to
    // the block that starts there, so GetBlock(left + c * w, bottom + r * h) is
    // block (c, r). Null outside the terrain or before it is built.
    CTerrainBlock* GetBlock(float x, float z) const;
    // Surface height; 0 outside the terrain.
    float GetAtitude(float x, float z) const;
    HRESULT BeginModifyVB(void** data, int copy);
    HRESULT EndModifyVB(int cancel);
    void SetMaxNumVisibleBlocks(DWORD n);
    void ReportVisibleBlock(WORD index);
    int IsBlockVisible(WORD index) const { return index < GetBlockNum() && m_pVisibleFlags[index]; }
    void CleanBlockVisible();

    DWORD GetMaxNumVisibleBlocks() const { return m_dwMaxVisibleBlocks; }
    const SGfxDistLOD* GetDistLOD() const { return &m_DistLOD; }
    BYTE GetMinLODLevel() const { return m_byMinLODLevel; }
    void SetMinLODLevel(BYTE level) { m_byMinLODLevel = level; }
    const SBoundBox* GetBoundbox() const { return &m_BoundBox; }
    const D3DXVECTOR3* GetNormals() const { return m_pNormals; }
    DWORD GetVertexNumber() const { return m_dwVertexCount; }
    DWORD GetVertexStride() const { return m_dwVertexStride; }
    DWORD GetVBSize() const { return m_dwVertexCount * m_dwVertexStride; }
    DWORD GetID() const { return m_dwID; }
    const char* GetInfo() const { return m_szInfo; }
    const D3DMATERIAL8* GetMaterial() const { return &m_Material; }
    IDirect3DVertexBuffer8* GetLocalVB() const { return m_pLocalVB; }
    IDirect3DVertexBuffer8* GetSysMemVB() const { return m_pSysMemVB; }
    IDirect3DVertexBuffer8* GetModifiableVB() const { return m_ePool == D3DPOOL_DEFAULT ? m_pSysMemVB : m_pLocalVB; }
    IDirect3DIndexBuffer8* GetIB() const { return m_pIB; }
    const char* GetTexLib() const { return m_szTexLib; }
    CTextureMng* GetTexMng() const { return m_pTexMng; }
    void SetTexMng(CTextureMng* manager) { m_pTexMng = manager; }
    const WORD* GetVisibleBlockIndices() const { return m_pVisibleList; }
    DWORD GetVisibleBlockNum() const { return m_dwVisibleCount; }
    DWORD GetTerrainLength() const { return m_dwLength; }
    DWORD GetFaceNum() const { return m_dwLength * m_dwLength * 32; }
    DWORD GetVisibleFaceNum() const { return m_dwVisibleFaces; }
    DWORD GetBlockNum() const { return m_dwLength * m_dwLength; }
    int IsTestVisible() const { return m_bTestingVisibility; }
    float GetBlockWidth() const { return m_fBlockWidth; }
    float GetBlockHeight() const { return m_fBlockHeight; }
    int IsBuilt() const { return m_bBuilt; }
    int IsValid() const { return m_pLocalVB != nullptr; }
    int IsCanRestore() const { return m_ePool != D3DPOOL_DEFAULT || m_pSysMemVB != nullptr; }
    D3DPOOL GetPool() const { return m_ePool; }
    DWORD SetPriority(DWORD priority);
    DWORD GetPriority() const;
    // The level of detail stored for a block this frame (255 before any).
    BYTE GetBlockLODLevel(DWORD i) const { return m_pLODLevels[i]; }
    // The draw calls gathered for this frame.
    const STerrainRenderInfo* GetRenderInfo() const { return m_pRenderInfo; }
    DWORD GetRenderInfoNum() const { return m_dwRenderInfoCount; }

protected:
    BYTE GetNeighborLODLevel(int side, BYTE ownLevel, DWORD position, const D3DXVECTOR3* eye);

private:
    BYTE DecideBlockLODlevel(WORD block, const D3DXVECTOR3* eye);
    void FillRenderInfoList(const D3DXVECTOR3* eye);
    void AddBlock(const CTerrainBlock* block, BYTE level, const BYTE neighbourLevels[4]);
    void AddList(const CTerrainIndexList* list, const CTerrainBlock* block);
    void AddCulledCells(const CTerrainBlock* block);
    HRESULT CreateVertexBuffer(const unsigned char* vertices);
    HRESULT AllocateFrameArrays(const unsigned char* normals);
    HRESULT LinkBlocks(float altitudeFloor);
    HRESULT DrawRecords(bool textured);

    int32_t m_bBuilt;
    int32_t m_bTestingVisibility;
    CTerrainBlock** m_ppBlocks;
    int32_t m_bExternBlocks;
    float m_fBlockWidth;
    float m_fBlockHeight;
    float m_fExtentX;
    float m_fExtentZ;
    DWORD m_dwDepth;
    DWORD m_dwLength;
    CTextureMng* m_pTexMng;
    char m_szTexLib[520];
    D3DMATERIAL8 m_Material;
    D3DPOOL m_ePool;
    IDirect3DDevice8* m_pDevice;
    IDirect3DVertexBuffer8* m_pLocalVB;
    IDirect3DVertexBuffer8* m_pSysMemVB;
    IDirect3DVertexBuffer8* m_pModifyVB;
    D3DXVECTOR3* m_pNormals;
    DWORD m_dwMaxVisibleBlocks;
    WORD* m_pVisibleList;
    BYTE* m_pVisibleFlags;
    BYTE* m_pLODLevels;
    CTerrain* m_pNeighbors[4];
    IDirect3DIndexBuffer8* m_pIB;
    WORD* m_pLockedIndices;
    STerrainRenderInfo* m_pRenderInfo;
    DWORD m_dwRenderInfoCount;
    DWORD m_dwRenderInfoCapacity;
    DWORD m_dwVisibleCount;
    DWORD m_dwVisibleFaces;
    SGfxDistLOD m_DistLOD;
    BYTE m_byMinLODLevel;
    SBoundBox m_BoundBox;
    DWORD m_dwFVF;
    DWORD m_dwVertexStride;
    DWORD m_dwVertexCount;
    DWORD m_dwID;
    char m_szInfo[256];
    int32_t m_bModifyByCopy;
    void* m_pModifyData;
    // The tree's view of the blocks, and the index gathering's cursor.
    CQTLeaf** m_ppLeafArray;
    DWORD m_dwIndexCursor;
};
