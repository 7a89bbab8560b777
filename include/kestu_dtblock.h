// CDynamicTerrainBlock: one square block of the streamed terrain, a leaf of
// the terrain's dynamic quadtree. It holds a 5 x 5 vertex grid built from the
// client's record, its texture and optional light map, optional water (a flat
// quad or a 5 x 5 waving surface), a level of detail chosen every frame, and
// the index list that stitches it to its neighbours. Its owner creates it
// from a pool, builds, attaches, selects and draws it.
#pragma once
#include "kestu_export.h"
#include "kestu_dtquadtree.h"
#include "kestu_dtrecords.h"
#include "kestu_terrainlod.h"

class CDynamicTerrain;
class CShaderLight;
class IShaderContext;

class KESTU_API CDynamicTerrainBlock : public CQTDynamicLeaf {
public:
    static constexpr DWORD kMaxStride = sizeof(SDTVertexEx);

    CDynamicTerrainBlock();
    // Copies hold their own vertices and water.
    CDynamicTerrainBlock(const CDynamicTerrainBlock& other) = default;
    CDynamicTerrainBlock& operator=(const CDynamicTerrainBlock& other) = default;
    ~CDynamicTerrainBlock() override;

    void Build(CDynamicTerrain* owner, int column, int row, const SDynamicTerrainBlockInitHeader* data, int windowWidth,
               BOOL queryTexture, CTextureMng* textures, float width, float height, const SDTBWaterInit* water,
               CShaderLight* light, BOOL softLight, CTexture* lightMap, const D3DXMATRIX* lightMapTransform,
               DWORD sceneId);
    // Back to the empty state; the texture goes back to the manager when one
    // is given. Flags, map position and water stay.
    void Release(CTextureMng* textures);
    // Vertices of the format the flags ask for. Always 0: the block carries
    // room for 25 vertices of the widest format.
    HRESULT InitVer();
    void SafeDestoryVer();
    // Asks the owner's scene test whether the light map still belongs; a
    // refusal drops light map and matrix. 0 without scene or light map.
    int TestValidLightMap();

    // The level pass: chooses the level from the eye distance and the
    // altitude range, and lists the block in the context.
    void FrameMove(SDTVisibleTestInfo* info);
    void FrameMoveWater(const SWaveWaterPara* para, const CTrigonometricfunctionTable* sine);
    void SoftCalcLight();
    // 1 without vertices or owner; E_FAIL without an index list.
    HRESULT Render(IDirect3DDevice8* device);
    HRESULT RenderWater(IDirect3DDevice8* device);

    void OnSelect(void* context, int whole) override;
    // Records the block's position and texture in the context's list.
    void OnDetach(void* context) override;
    // Takes over the source block's vertices, water, altitude range, flags,
    // texture and light map: a block attached where one already hangs.
    void UpdateData(const CQuadtree* source) override;
    void Move(const D3DXVECTOR3* delta, void* connect) override;
    void Move(float dx, float dy, float dz, void* connect) override;
    void Move2D(float dx, float dz, void* connect) override;
    void MoveAltitude(float dy, void* connect) override;

    void SetWaterVertexDiffuse(DWORD colour);
    // The level of the neighbour on that side, 0 without one.
    BYTE GetNeighborLODLevel(int side);
    void UpdateMBIndex(int windowWidth);

    BYTE* GetVerBase(DWORD i) { return m_bHasVertices ? m_Vertices + i * m_dwStride : nullptr; }
    const BYTE* GetVerBase(DWORD i) const { return m_bHasVertices ? m_Vertices + i * m_dwStride : nullptr; }
    SDTVertex* GetVer(DWORD i) { return reinterpret_cast<SDTVertex*>(GetVerBase(i)); }
    SDTVertexEx* GetVerNormal(DWORD i) { return reinterpret_cast<SDTVertexEx*>(GetVerBase(i)); }
    SDTVertexNoDiffuse* GetVerNoDiffuse(DWORD i) { return reinterpret_cast<SDTVertexNoDiffuse*>(GetVerBase(i)); }
    SDTVertexExNoDiffuse* GetVerNormalNoDiffuse(DWORD i)
    {
        return reinterpret_cast<SDTVertexExNoDiffuse*>(GetVerBase(i));
    }
    const SDTVertexEx* GetWaterVer(DWORD i) const { return i < m_dwNumWaterVer ? &m_WaterVer[i] : nullptr; }
    DWORD GetNumWaterVer() const { return m_dwNumWaterVer; }
    float GetWaterAltitude() const { return m_fWaterAltitude; }

    DWORD GetFVF() const { return m_dwFVF; }
    DWORD GetVertexStride() const { return m_dwStride; }
    float GetMaxAltitudeDiff() const { return m_fMaxAltDiff; }
    BYTE GetLODLevel() const { return m_byLOD; }
    int GetMBIndex() const { return m_nMBIndex; }
    const SMapBlockPos& GetMBPos() const { return m_MBPos; }
    DWORD GetSceneID() const { return m_dwSceneID; }
    CDynamicTerrain* GetOwner() const { return m_pOwner; }
    const CTerrainIndexList* GetPattern() const { return m_pPattern; }
    CShaderLight* GetShaderLight() const { return m_pShaderLight; }
    void SetShaderLight(CShaderLight* light) { m_pShaderLight = light; }
    int IsHaveShaderLight() const { return m_pShaderLight != nullptr; }
    // The vertex-shader constants drawn with this block (Render with a shader).
    IShaderContext* GetShaderContext() const { return m_pShaderContext; }
    void SetShaderContext(IShaderContext* context) { m_pShaderContext = context; }
    CTexture* GetTexture() const { return m_pTexture; }
    IDirect3DBaseTexture8* GetD3DTexture() const;
    DWORD GetTextureID() const;
    CTexture* GetLightMap() const { return m_pLightMap; }
    IDirect3DBaseTexture8* GetLightMapD3DTexture() const;
    DWORD GetLightMapTextureID() const;
    const D3DXMATRIX* GetLightMapTransMatrix() const { return m_pLightMapTM; }
    int IsHaveFlag(WORD mask) const { return (m_wFlags & mask) != 0; }
    void ModifyFlag(WORD set, WORD clear) { m_wFlags = static_cast<WORD>((m_wFlags | set) & ~clear); }
    int IsHide() const { return IsHaveFlag(DTB_FLAG_HIDE); }
    int IsHaveWater() const { return IsHaveFlag(DTB_FLAG_WATER); }
    int IsWaveWater() const
    {
        return (m_wFlags & (DTB_FLAG_WATER | DTB_FLAG_WAVEWATER)) == (DTB_FLAG_WATER | DTB_FLAG_WAVEWATER);
    }
    BYTE GetWaterID() const { return m_byWaterID; }

private:
    void ResetLinks();
    void BuildWater(const SDTBWaterInit* water);
    // The index list from this block's level and its neighbours', kept until
    // the next level pass.
    const CTerrainIndexList* ChoosePattern();
    void ShiftOwnData(float dx, float dy, float dz, const void* connect);

    alignas(4) BYTE m_Vertices[25 * kMaxStride];
    BOOL m_bHasVertices;
    DWORD m_dwFVF;
    DWORD m_dwStride;
    float m_fMaxAltDiff;
    CTexture* m_pTexture;
    CTexture* m_pLightMap;
    const D3DXMATRIX* m_pLightMapTM;
    CDynamicTerrain* m_pOwner;
    const CTerrainIndexList* m_pPattern;
    SDTVertexEx m_WaterVer[25];
    DWORD m_dwNumWaterVer;
    float m_fWaterAltitude;
    WORD m_wFlags;
    BYTE m_byLOD;
    BYTE m_byWaterID;
    SMapBlockPos m_MBPos;
    int m_nMBIndex;
    DWORD m_dwSceneID;
    CShaderLight* m_pShaderLight;
    IShaderContext* m_pShaderContext;
};

// The pool of blocks, and the pool of position records (made as {0, 0, -1}).
class KESTU_API CDTBlockPool : public CDTObjectPool<CDynamicTerrainBlock> {};
class KESTU_API CDTBlockInfoPool : public CDTObjectPool<SDTBlockInfo> {};
