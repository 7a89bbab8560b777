// CDTOutlyingBlock: one coarse quad of the streamed terrain's far ring, a
// leaf of the far-ring quadtree. A local block (on the far map) takes its
// corners from the vertex grid its terrain keeps for the whole ring and holds
// six indices into it; an extern block (beyond the far map) carries its own
// four corners from the client's record.
#pragma once
#include "kestu_export.h"
#include "kestu_dtquadtree.h"
#include "kestu_dtrecords.h"

class CDynamicTerrain;

class KESTU_API CDTOutlyingBlock : public CQTDynamicLeaf {
public:
    static constexpr DWORD FVF = D3DFVF_XYZ;
    static constexpr DWORD kNotListed = 0xFFFFFFFF;

    CDTOutlyingBlock();
    CDTOutlyingBlock(const CDTOutlyingBlock& other) = default;
    CDTOutlyingBlock& operator=(const CDTOutlyingBlock& other) = default;
    ~CDTOutlyingBlock() override;

    void BuildLocal(CDynamicTerrain* owner, int column, int row);
    void BuildExtern(CDynamicTerrain* owner, int column, int row, const SDTOutlyingBlockInit* corners);
    void Release();
    // Extern blocks: the quad from their own corners.
    HRESULT Render(IDirect3DDevice8* device);

    // Lists the block in the context's local or extern list, unless the
    // distance test finds it nearer than the near limit.
    void OnSelect(void* context, int whole) override;
    // Takes the block out of the list slot it was given, when it still holds it.
    void OnDetach(void* context) override;
    void Move(const D3DXVECTOR3* delta, void* connect) override;
    void Move(float dx, float dy, float dz, void* connect) override;
    void Move2D(float dx, float dz, void* connect) override;
    void MoveAltitude(float dy, void* connect) override;
    // Copies the other block's corner points when it is a leaf.
    void UpdateData(const CQuadtree* other) override;

    const D3DXVECTOR3* GetVer(DWORD i) const { return &m_Corner.vertices[i]; }
    DWORD GetFVF() const { return FVF; }
    DWORD GetVertexStride() const { return sizeof(D3DXVECTOR3); }
    const WORD* GetIndices() const { return m_Corner.indices; }
    void SetListIndex(DWORD index) { m_dwListIndex = index; }
    DWORD GetListIndex() const { return m_dwListIndex; }
    int IsLocal() const { return m_bLocal != 0; }

private:
    void StartBuild(const CDynamicTerrain* owner, int column, int row);
    // Corner altitudes in record order; the sphere holds them.
    void FitHeights(const float* altitudes);
    void Shift(float dx, float dy, float dz);

    // Six indices of a local block, or four corners of an extern one.
    union Corners {
        WORD indices[6];
        D3DXVECTOR3 vertices[4];
    } m_Corner;
    DWORD m_dwListIndex;
    DWORD m_bLocal;
};
static_assert(sizeof(D3DXVECTOR3) * 4 == 48, "a far block's corner data is 48 bytes");

class KESTU_API CDTOutlyingPool : public CDTObjectPool<CDTOutlyingBlock> {};
