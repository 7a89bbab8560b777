// CDynamicTerrain: the streamed terrain. A square map of equal blocks that
// the client hands over block by block as the camera moves, drawn with
// per-block levels of detail and stitched borders, plus an optional ring of
// coarse far blocks.
//
// A frame: Clip with the view circle when the camera moved; the client reads
// the unloaded and the load lists and answers each wanted position with
// AttachBlock (and each extern far position with AttachExternOutlyingBlock);
// UpdateVisibleState with the frustum; the water's FrameMoveAllWater; then
// Render (or RenderRough), RenderAllWater and RenderOutlying.
//
// Clip publishes its load list, record pool and block-size reciprocals in
// process-wide values for its callbacks: two terrains must not clip at once.
//
// Float resolves a block only so far from the origin: a view box or a block
// (far block) reaching beyond 131072 blocks (far blocks) of the origin along
// either axis is refused with E_FAIL by Clip, ClipOutlying, AttachBlock and
// AttachExternOutlyingBlock.
// The far ring is clipped through the engine's shared scratch list and
// reaches the device through Kestu_GetDevice: it works while the engine is
// built.
#pragma once
#include "kestu_export.h"
#include <vector>

#include "kestu_bound.h"
#include "kestu_dtblock.h"
#include "kestu_dtoutlying.h"
#include "kestu_frustum.h"
#include "pointer_array.h"

class IShaderBase;
class IShaderContext;

class CQTDynamicNode;

class KESTU_API CDynamicTerrain {
public:
    // One DrawIndexedPrimitive of the local far blocks.
    struct SOutlyingBatch {
        DWORD dwType = D3DPT_TRIANGLELIST;
        WORD wStartIndex = 0;
        WORD wMinIndex = 0;
        WORD wNumVertices = 0;
        WORD wPrimitiveCount = 0;
        WORD wBuffer = 0;
    };

    CDynamicTerrain();
    // A copy would share pools, lists and blocks and free them twice.
    CDynamicTerrain(const CDynamicTerrain&) = delete;
    CDynamicTerrain& operator=(const CDynamicTerrain&) = delete;
    virtual ~CDynamicTerrain();

    // ---- lifecycle ----

    // S_OK with a far ring, S_FALSE without one; E_INVALIDARG for a missing
    // or invalid record, E_OUTOFMEMORY, or the far ring's failure.
    HRESULT Build(const SDynamicTerrainInit* init, const SDTTextureResCfg* tex, const SDTExternPoolCfg* pools,
                  const SDTOutlyingCfg* outlying, const SWaterWaveCfg* waves, const SDTLODCfg* lod, BYTE* mapBytes,
                  DWORD poolSize, const CTrigonometricfunctionTable* sine);
    void Release();
    // Gives back the far ring's index buffers; they are made again by the
    // next UpdateVisibleState.
    HRESULT Invalidate();
    HRESULT Restore();

    // A negative distance turns the distance levels off.
    void SetLODParaDist(float d);
    void SetLODParaAlt(float a) { m_fLODAlt = a; }
    // The wave of a water id (wave 0 when the waves are shared), or null.
    const SWaterWave* GetWaterWave(BYTE id) const;
    SWaterWave* GetWaterWave(BYTE id);
    // The client's scene test, TRUE without one.
    BOOL IsValidScene(DWORD scene, const CTexture*& lightmap, const D3DXMATRIX*& matrix) const;
    void InquireWaterWave(float&, float&, float&, float, float) {}

    int IsBuilt() const { return m_bBuilt; }
    CQTDynamicNode* GetTreeRoot() const { return m_pRoot; }
    int GetNumAttachedBlocks() const { return m_nAttached; }
    // The visible blocks on the map and beyond it. Both lists are packed: every
    // entry below GetCount() is a block, also right after DetachBlock, Clip or
    // DetachAllBlock (which take the blocks they remove out of the lists; the
    // order of the others is kept).
    CPointerArray* GetLocalVisibleBlocks() { return &m_LocalVisible; }
    CPointerArray* GetExternVisibleBlocks() { return &m_ExternVisible; }
    DWORD GetNumVisibleBlocks() const { return m_LocalVisible.GetCount() + m_ExternVisible.GetCount(); }
    int IsHaveExternVisibleBlock() const { return m_ExternVisible.GetCount() > 0; }
    int GetBlockStride() const { return m_nStride; }
    float GetBlockWidth() const { return m_fBlockWidth; }
    float GetBlockHeight() const { return m_fBlockHeight; }
    int GetMaxNumMapBlocks() const { return m_nMapBlocks; }
    float GetLODParaDist() const { return m_fLODDist; }
    float GetLODParaAlt() const { return m_fLODAlt; }
    const D3DMATERIAL8* GetMaterial() const { return &m_Material; }
    int IsQueryReleaseTexture() const { return m_bReleaseTexture; }
    CTextureMng* GetTextureMng() const { return m_pTextureMng; }
    int IsShareWavePara() const { return m_bShareWave; }
    const SWaterWave* GetWaterWaveArray() const { return m_pWaves; }
    BYTE GetNumWaterWaves() const { return m_byNumWaves; }
    DWORD GetTextureStateIndex() const { return m_dwTextureStage; }
    void SetTextureStateIndex(DWORD stage) { m_dwTextureStage = stage; }
    DWORD GetLightmapStateIndex() const { return m_dwLightmapStage; }
    void SetLightmapStateIndex(DWORD stage) { m_dwLightmapStage = stage; }
    int IsEnableLightmap() const { return m_bEnableLightmap; }
    void SetEnableLightmap(BOOL enable) { m_bEnableLightmap = enable; }
    int IsBlockBaseLightmapTransMat() const { return m_bBlockBaseLightmapTM; }
    void SetBlockBaseLightmapTransMat(BOOL enable) { m_bBlockBaseLightmapTM = enable; }
    // Blocks waiting in the terrain's own pool (0 for a client's pool).
    DWORD GetNumAbandonedBlocks() const;
    void DestoryAllAbandonedBlocks();
    CDTBlockPool* GetBlockPool() const { return m_pBlockPool; }
    CQTDNodePool* GetNodePool() const { return m_pNodePool; }
    CDTBlockInfoPool* GetInfoPool() const { return m_pInfoPool; }

    // ---- streaming ----

    // Drops the blocks that left the view circle and lists the positions
    // inside it that have no block. S_OK; S_FALSE when a far ring was asked
    // for and there is none; E_FAIL, E_OUTOFMEMORY or the far ring's failure.
    HRESULT Clip(const SBoundCircle* view, int maxGrow, float outlyingExtra, const KESTURECT2* outlyingRect);
    DWORD GetNumLoadBlocks() const { return m_Load.GetCount(); }
    const SDTBlockInfo* GetLoadBlockPos(DWORD i) const
    {
        return static_cast<const SDTBlockInfo*>(m_Load.GetPointer(i));
    }
    DWORD GetNumUnloadedBlocks() const { return m_Unloaded.GetCount(); }
    const SDTBlockInfo* GetUnloadedBlockPos(DWORD i) const
    {
        return static_cast<const SDTBlockInfo*>(m_Unloaded.GetPointer(i));
    }
    HRESULT AttachBlock(int x, int z, const SDynamicTerrainBlockInitHeader* data, const SDTBWaterInit* water,
                        int maxGrow, STestBlockVisibleContext* test, CShaderLight* light, int softLight,
                        CTexture* lightmap, const D3DXMATRIX* lightmapMatrix, DWORD scene);
    HRESULT DetachBlock(int x, int z);
    // Every block goes back to the pool and is reported in the unloaded list.
    void DetachAllBlock();
    // The visible blocks and their levels for the frame, and the far ring's.
    HRESULT UpdateVisibleState(CFrustum* frustum, BOOL byFrustum, BOOL lodOn, float outlyingRadius);

    // ---- far ring ----

    HRESULT EnableOutlying(const SDTOutlyingCfg* cfg);
    HRESULT ClipOutlying(const SBoundCircle* circle, const KESTURECT2* area, int maxGrow);
    HRESULT AttachExternOutlyingBlock(int x, int z, const SDTOutlyingBlockInit* corners, int maxGrow,
                                      STestBlockVisibleContext* test);
    HRESULT DetachOutlyingBlock(int x, int z);
    void DetachAllOutlyingBlock();
    DWORD GetNumAbandonedOutlyingBlocks() const;
    void DestoryAllAbandonedOutlyingBlocks();

    float GetOutlyingBlockWidth() const { return m_fOutlyingWidth; }
    float GetOutlyingBlockHeight() const { return m_fOutlyingHeight; }
    int GetOutlyingBlockStride() const { return m_nOutlyingStride; }
    int IsEnableOutlying() const { return m_bOutlying; }
    CQTDynamicNode* GetOutlyingRoot() const { return m_pOutlyingRoot; }
    DWORD GetNumLocalVisibleOutlyingBlocks() const { return m_LocalVisibleOutlying.GetCount(); }
    CPointerArray* GetLocalVisibleOutlyingBlocks() { return &m_LocalVisibleOutlying; }
    CPointerArray* GetExternVisibleOutlyingBlocks() { return &m_ExternVisibleOutlying; }
    DWORD GetNumVisibleOutlyingBlocks() const
    {
        return m_LocalVisibleOutlying.GetCount() + m_ExternVisibleOutlying.GetCount();
    }
    DWORD GetNumLocalOutlyingBlocks() const { return m_dwNumLocalOutlying; }
    // The extern far positions the last ClipOutlying asks the client for.
    const std::vector<SMapBlockPos>& GetExternOutlyingBlockPos() const { return m_ExternOutlyingPos; }
    int IsNeedExternOutlyingBlocks() const { return !m_ExternOutlyingPos.empty(); }
    DWORD GetNumExternOutlyingBlocks() const { return static_cast<DWORD>(m_ExternOutlyingPos.size()); }
    DWORD GetTotalNumOutlyingBlocks() const { return GetNumExternOutlyingBlocks() + m_dwNumLocalOutlying; }
    IDirect3DVertexBuffer8* GetOutlyingVB() const { return m_pOutlyingVB; }
    int IsWordAltSceneAltTabe() const { return m_pwAltitudes != nullptr; }
    DWORD GetOutlyingIBLength() const { return m_dwIBLength; }
    const std::vector<SOutlyingBatch>& GetOutlyingBatches() const { return m_Batches; }
    DWORD GetNumOutlyingIBs() const { return static_cast<DWORD>(m_IBs.size()); }
    // The altitude of far-ring grid point (x, z), 0 to the far stride each.
    float GetOutlyingAltitude(int x, int z) const;
    // Word altitude i of the far ring's height grid, scaled.
    float GetSceneAltFromWordAlt(DWORD i) const { return m_pwAltitudes[i] * m_fAltitudeScale; }

    // ---- drawing ----

    HRESULT Render(IDirect3DDevice8* device, const D3DXMATRIX* world, IShaderBase* shader);
    HRESULT RenderRough(IDirect3DDevice8* device, const D3DXMATRIX* world);
    HRESULT RenderWater(IDirect3DDevice8* device, BYTE id, const D3DXMATRIX* world, IShaderBase* shader);
    HRESULT RenderAllWater(IDirect3DDevice8* device, const D3DXMATRIX* world, IShaderBase* shader);
    HRESULT RenderOutlying(IDirect3DDevice8* device, const D3DXMATRIX* world);
    void FrameMoveWater(float time, BYTE id);
    void FrameMoveAllWater(float time);
    void SetAllWaterVertexDiffuse(DWORD colour);
    void SoftCalcLight(const SBoundCircle* circle);
    // Moves every block and the far ring by whole blocks (a shift of the
    // client's world origin). E_FAIL when not built or for no move.
    HRESULT SwitchTerrainSmoothly(int dx, int dz, int newStride, BYTE* bytes, float dy);

    // The stitching list of a block at level with neighbours at n0..n3.
    static const CTerrainIndexList* SelectStitchIndexBuffer(BYTE level, BYTE n0, BYTE n1, BYTE n2, BYTE n3);
    // The same from a ready 4-bit code.
    static const CTerrainIndexList* SelectStitchIndexBufferByCode(BYTE level, DWORD code);

private:
    // How Clip walks one of the two trees: the leaf size, the callback that
    // requests an empty cell, and what happens to a leaf that leaves.
    struct SClipKind {
        float fLeafWidth;
        void (*pfnRequest)(float x, float z);
        void (CDynamicTerrain::*pfnLeave)(CQuadtree* leaf);
    };

    // Release's work, also for a Build that fails part way.
    void Teardown();

    // Both trees.
    // Fits a root to the view box: grows it, or makes a first one sized by
    // doubling. enlarged tells whether it grew. E_FAIL for a box beyond where
    // float resolves leaves of width x height.
    HRESULT FitRoot(CQTDynamicNode*& root, const SBoundCircle* view, int maxGrow, float width, float height,
                    bool* enlarged);
    // Grows root toward the box's centre until it holds the box; undoes the
    // growth of this call when maxGrow runs out (E_FAIL) or no node is left
    // (E_OUTOFMEMORY). S_FALSE when it grew.
    HRESULT GrowToFit(CQTDynamicNode*& root, const KESTURECT2& box, int maxGrow);
    // Hangs a built leaf in the tree, growing it or making a first root of
    // 2 x 2 leaves; the result of AttachSubTree. E_FAIL for a leaf beyond
    // where float resolves leaves of width x height.
    HRESULT InsertLeaf(CQTDynamicNode*& root, CQuadtree* leaf, int maxGrow, float width, float height);
    void CollapseRoot(CQTDynamicNode*& root);
    void ClipTree(CQTDynamicNode*& root, CQTDynamicNode* node, const SBoundCircle* view, const KESTURECT2* box,
                  const SClipKind& kind);
    // Every leaf below node leaves; every node below goes back to the pool.
    void DetachTree(CQTDynamicNode* node, void (CDynamicTerrain::*leave)(CQuadtree* leaf));

    // Streaming.
    // A block that left the tree: reported in the unloaded list, out of the
    // visible lists and the count, released, back to the pool.
    void LeaveBlock(CQuadtree* leaf);
    void ReleaseBlockToPool(CDynamicTerrainBlock* block);
    void RemoveVisible(CDynamicTerrainBlock* block);
    void ReturnInfos(CPointerArray& list);

    // Far ring.
    HRESULT AttachLocalOutlyingBlock(int x, int z, int maxGrow);
    void LeaveOutlying(CQuadtree* leaf);
    void ReleaseOutlyingToPool(CDTOutlyingBlock* block);
    HRESULT UpdateOutlyingVisible(CFrustum* frustum, float outlyingRadius);
    HRESULT UpdateLocalOutlyingVisible();
    HRESULT CreateOutlyingVB();
    void ReleaseAllOutlyingIBs();
    void ResetOutlyingSettings();
    // Samples between far-grid vertices; 0 for a flat ring.
    int GridStep() const;

    // Drawing.
    HRESULT PrimeList(IDirect3DDevice8* device, CDynamicTerrainBlock* first, IShaderBase* shader,
                      const D3DXMATRIX* world, bool testLightmap, DWORD* lastTexture);
    void ApplyShader(IDirect3DDevice8* device, IShaderBase* shader, IShaderContext* context, const D3DXMATRIX* view,
                     const D3DXMATRIX* projection, const D3DXMATRIX* world);
    HRESULT DrawWater(IDirect3DDevice8* device, const D3DXMATRIX* world, IShaderBase* shader, bool anyId, BYTE id);
    void FreeWaves();

    BOOL m_bBuilt;
    CQTDynamicNode* m_pRoot;
    int m_nAttached;
    CPointerArray m_LocalVisible;
    CPointerArray m_ExternVisible;
    CTextureMng* m_pTextureMng;
    BOOL m_bReleaseTexture;
    D3DMATERIAL8 m_Material;
    int m_nStride;
    float m_fBlockWidth, m_fBlockHeight;
    float m_fOutlyingWidth, m_fOutlyingHeight;
    int m_nOutlyingStride;
    BOOL m_bShareWave;
    SWaterWave* m_pWaves;
    BYTE m_byNumWaves;
    CPointerArray m_Unloaded;
    CPointerArray m_Load;
    BOOL m_bExternInfoPool;
    CDTBlockInfoPool* m_pInfoPool;
    BYTE* m_pMapBytes;
    DWORD m_dwTextureStage;
    DWORD m_dwLightmapStage;
    BOOL m_bEnableLightmap;
    BOOL m_bBlockBaseLightmapTM;
    int m_nMapBlocks;
    BOOL m_bExternBlockPool;
    CDTBlockPool* m_pBlockPool;
    BOOL m_bExternOutlyingPool;
    CDTOutlyingPool* m_pOutlyingPool;
    BOOL m_bExternNodePool;
    CQTDNodePool* m_pNodePool;
    const CTrigonometricfunctionTable* m_pSine;
    float m_fLODDist;
    float m_fLODDistSq;
    float m_fLODAlt;

    // Far ring.
    BOOL m_bOutlying;
    CQTDynamicNode* m_pOutlyingRoot;
    CPointerArray m_LocalVisibleOutlying;
    CPointerArray m_ExternVisibleOutlying;
    DWORD m_dwNumLocalOutlying;
    std::vector<SMapBlockPos> m_ExternOutlyingPos;
    IDirect3DVertexBuffer8* m_pOutlyingVB;
    float m_fAltitudeScale;
    const WORD* m_pwAltitudes;
    const float* m_pfAltitudes;
    int m_nGridSide;
    std::vector<SOutlyingBatch> m_Batches;
    std::vector<IDirect3DIndexBuffer8*> m_IBs;
    DWORD m_dwIBLength;

    PFN_DTSCENETEST m_pfnSceneTest;
};
