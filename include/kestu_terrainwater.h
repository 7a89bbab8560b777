// CGfxTerrainWater: a flat sheet of water over static terrains placed side
// by side. Every terrain block that reaches below the water level gets one
// water block, a fan of four triangles around the block's centre; the shore
// fades out through the vertex alpha, which follows the depth. Optional waves
// lift the vertices by two travelling sine tables, one along x, one along z.
#pragma once
#include "kestu_export.h"
#include "kestu_terrain.h"
#include "trig_table.h"

class CTexture;

// One wave: lengths, speeds and heights along x and z.
struct KESTU_API SWaterWave {
    float fXLength = 12.0f;
    float fZLength = 13.0f;
    float fXFrequency = 1.0f;
    float fZFrequency = 2.0f;
    float fXAmplitude = 0.2f;
    float fZAmplitude = 0.15f;
};

struct KESTU_API SWaterBlockInit {
    BYTE byTerrain = 0;
    WORD wBlock = 0;
    BOOL bVisible = 1;
};

struct KESTU_API STerrainWaterInit {
    IDirect3DDevice8* pDevice = nullptr;
    CTerrain* pTerrains = nullptr; // the first of byTerrainCount terrains
    BYTE byTerrainCount = 0;
    float fAltitude = 0.0f; // world y of the water; above 0
    // Explicit water blocks; null lets Build find them from the altitudes.
    const SWaterBlockInit* pBlocks = nullptr;
    WORD wBlockCount = 0;
    DWORD dwColor = 0xFF0000FF; // deep water; its alpha is that of full depth
    CTexture* pTexture = nullptr;
    FPOINT TexCoords[5] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}; // centre first, then corners 0, 3, 2, 1
    BOOL bWave = 1;
    const CTrigonometricfunctionTable* pSinTable = nullptr;

    int IsValid() const { return pDevice && pTerrains && byTerrainCount > 0 && fAltitude > 0.0f; }
};

struct KESTU_API SWaterBlock {
    BYTE byTerrain = 0;
    BYTE byVisible = 1;
    WORD wBlock = 0;
    DWORD dwReserved0 = 0;
    DWORD dwReserved1 = 0;
    WORD wReserved2 = 0;
    // Corner 0 of the block in half-block steps from the water's low corner.
    WORD wXIndex = 0;
    WORD wZIndex = 0;
};

class KESTU_API CGfxTerrainWater {
public:
    static constexpr DWORD kFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    static constexpr DWORD kVertexSize = 24;

    CGfxTerrainWater();
    // Owns its buffers and tables: a copy would free them twice.
    CGfxTerrainWater(const CGfxTerrainWater&) = delete;
    CGfxTerrainWater& operator=(const CGfxTerrainWater&) = delete;
    virtual ~CGfxTerrainWater();

    virtual HRESULT Build(const STerrainWaterInit* init);
    virtual void Release();
    virtual HRESULT Render(IDirect3DDevice8* device);
    // Moves the waves to the absolute time in seconds.
    virtual void UpdateFrame(float time);
    virtual HRESULT SetAltitude(float altitude);
    // Hide (or show) the blocks whose centre lies on the negative side of the
    // line; the count of blocks changed.
    virtual WORD ClipWithLine(const KESTULINE2& line);
    virtual WORD SpreadWithLine(const KESTULINE2& line);

    void SetWave(const SWaterWave& wave);
    const SWaterWave& GetWave() const { return m_Wave; }
    // Height and slopes at (x, z) measured from the water's low corner.
    void InquireWave(float& height, float& slopeX, float& slopeZ, float x, float z) const;
    DWORD GetFaceNum() const { return 4u * m_wBlockCount; }
    DWORD GetVisibleFaceNum() const;
    void SetBlockVisibled(WORD index, BOOL visible) { m_pBlocks[index].byVisible = visible ? 1 : 0; }

    int IsBuilded() const { return m_pVB != nullptr; }
    IDirect3DVertexBuffer8* GetVB() const { return m_pVB; }
    IDirect3DIndexBuffer8* GetIB() const { return m_pIB; }
    void SetTexture(CTexture* texture) { m_pTexture = texture; }
    float GetAltitude() const { return m_fAltitude; }
    int IsWaveEnabled() const { return m_bWave; }
    const D3DXMATRIX* GetRootmatrix() const { return &m_matRoot; }
    const CTrigonometricfunctionTable* GetSinTable() const { return m_pSinTable; }
    int IsHaveSinTable() const { return m_pSinTable != nullptr; }
    void SetSinTable(const CTrigonometricfunctionTable* table) { m_pSinTable = table; }
    WORD GetBlockNum() const { return m_wBlockCount; }
    const SWaterBlock* GetBlocks() const { return m_pBlocks; }

protected:
    virtual int UpdateDyTable(float time);

private:
    CTerrainBlock* GetTerrBlock(int index) const;
    BOOL IsBlockVisible(DWORD index) const;
    HRESULT FillBuffers(const STerrainWaterInit* init, const KESTURECT2& rect);
    WORD ChangeWithLine(const KESTULINE2& line, BYTE from);

    CTerrain* m_pTerrains;
    BYTE m_byTerrainCount;
    float m_fAltitude;
    D3DXMATRIX m_matRoot;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    DWORD m_dwVertexCount;
    DWORD m_dwIndexCount;
    SWaterBlock* m_pBlocks;
    WORD m_wBlockCount;
    CTexture* m_pTexture;
    BOOL m_bWave;
    const CTrigonometricfunctionTable* m_pSinTable;
    SWaterWave m_Wave;
    float m_fXWaveNumber;
    float m_fZWaveNumber;
    float* m_pXTable;
    float* m_pZTable;
    int32_t m_nXTableSize;
    int32_t m_nZTableSize;
    float m_fHalfBlockWidth;
    float m_fHalfBlockDepth;
    DWORD m_dwColor;
};
