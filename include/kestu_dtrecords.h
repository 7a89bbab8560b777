// The records of the streamed terrain. The client fills them in memory and
// hands them over by pointer (terrain set-up, per-block data, per-block water,
// far-ring blocks); the terrain's traversals hand the small context records
// at the end to its blocks. Records without pointers keep their documented
// byte sizes; those that carry pointers hold them pointer-sized.
#pragma once
#include "kestu_export.h"
#include <vector>

#include "d3d8.h"
#include "d3dx8.h"
#include "kestu_terrainwater.h"

class CFrustum;
class CPointerArray;
class CTexture;
class CTextureMng;
class CDTBlockInfoPool;
class CDTBlockPool;
class CQTDNodePool;
class CDTOutlyingPool;

// ---- vertices of a block, by its flags ----

struct KESTU_API SDTVertexBase {
    SDTVertexBase() {} // the position stays unset
    D3DXVECTOR3 p;
};

struct KESTU_API SDTVertex : SDTVertexBase {
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    DWORD diffuse = 0xFFFFFFFF;
    float tu = 0.0f, tv = 0.0f;
};

struct KESTU_API SDTVertexEx : SDTVertexBase {
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    D3DXVECTOR3 n;
    DWORD diffuse = 0xFFFFFFFF;
    float tu = 0.0f, tv = 0.0f;
};

struct KESTU_API SDTVertexNoDiffuse : SDTVertexBase {
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX1;
    float tu = 0.0f, tv = 0.0f;
};

struct KESTU_API SDTVertexExNoDiffuse : SDTVertexBase {
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    D3DXVECTOR3 n;
    float tu = 0.0f, tv = 0.0f;
};

static_assert(sizeof(SDTVertexBase) == 12 && sizeof(SDTVertex) == 24 && sizeof(SDTVertexEx) == 36 &&
                  sizeof(SDTVertexNoDiffuse) == 20 && sizeof(SDTVertexExNoDiffuse) == 32,
              "block vertices keep the device layouts");

// Per-vertex input of a block record.
struct KESTU_API SDTVertexInfo {
    DWORD diffuse = 0xFFFFFFFF;
    float tu = 0.0f, tv = 0.0f;
};

struct KESTU_API SDTVertexTexInfo {
    float tu = 0.0f, tv = 0.0f;
};

// ---- block records ----

// Block flags. The client sets hidden, normals, no diffuse and full detail;
// the block sets or clears the two water flags itself when it is built.
enum : WORD {
    DTB_FLAG_HIDE = 0x01,
    DTB_FLAG_WATER = 0x02,
    DTB_FLAG_WAVEWATER = 0x04,
    DTB_FLAG_NORMAL = 0x08,
    DTB_FLAG_NODIFFUSE = 0x10,
    DTB_FLAG_FULLDETAIL = 0x20,
};

// The head of every block record; the body after it follows flags 0x08 and
// 0x10. Altitudes run in vertex order: vertex v at column v % 5 along x and
// row v / 5 along z.
struct KESTU_API SDynamicTerrainBlockInitHeader {
    WORD wFlags = 0;
    WORD wTexID = 0;
    float fAltitude[25] = {};

    int IsHaveFlag(WORD mask) const { return (wFlags & mask) != 0; }
    void ModifyFlag(WORD set, WORD clear) { wFlags = static_cast<WORD>((wFlags | set) & ~clear); }
};

struct SDynamicTerrainBlockInitEx;

// Flags 0x10 and 0x08 clear: a diffuse colour and texture coordinates per
// vertex. The extern altitude is a height the block's bounding volume must
// reach as well (objects standing on the block).
struct KESTU_API SDynamicTerrainBlockInit : SDynamicTerrainBlockInitHeader {
    SDynamicTerrainBlockInit();
    // Texture id, altitudes, vertex infos and extern altitude; the flags stay.
    SDynamicTerrainBlockInit& operator=(const SDynamicTerrainBlockInitEx& other);

    SDTVertexInfo VerInfo[25];
    float fExternAltitude;
};

// Flag 0x08: as above, then a normal per vertex.
struct KESTU_API SDynamicTerrainBlockInitEx : SDynamicTerrainBlockInit {
    SDynamicTerrainBlockInitEx();
    // Texture id, altitudes, vertex infos and extern altitude; the flags and
    // the normals stay.
    SDynamicTerrainBlockInitEx& operator=(const SDynamicTerrainBlockInit& other);

    D3DXVECTOR3 Normal[25];
};

// Flag 0x10: texture coordinates per vertex, no colour.
struct KESTU_API SDynamicTerrainBlockInit_NoDiffuse : SDynamicTerrainBlockInitHeader {
    SDynamicTerrainBlockInit_NoDiffuse();

    SDTVertexTexInfo TexInfo[25];
    float fExternAltitude;
};

// Flags 0x10 and 0x08.
struct KESTU_API SDynamicTerrainBlockInitEx_NoDiffuse : SDynamicTerrainBlockInit_NoDiffuse {
    SDynamicTerrainBlockInitEx_NoDiffuse();

    D3DXVECTOR3 Normal[25];
};

static_assert(sizeof(SDynamicTerrainBlockInitHeader) == 104 && sizeof(SDynamicTerrainBlockInit) == 408 &&
                  sizeof(SDynamicTerrainBlockInitEx) == 708 && sizeof(SDynamicTerrainBlockInit_NoDiffuse) == 308 &&
                  sizeof(SDynamicTerrainBlockInitEx_NoDiffuse) == 608,
              "block records keep their sizes: the client builds them");

// The water of one block; no record means no water.
struct KESTU_API SDTBWaterInit {
    float fFullDepth = 1.0f; // water this deep or deeper is opaque
    float fAltitude = 99.0f;
    DWORD dwColor = 0xFFFFFFFF; // its alpha is replaced by the depth alpha
    int nTexOrientation = 0;    // 0..3: one of four orientations of the texture
    DWORD dwWave = 0;           // non-zero: 25 vertices that move with waves
    BYTE byWaterID = 0xFF;      // the wave parameters; 0xFF none
    BYTE byReserved[3] = {0, 0, 0};
};
static_assert(sizeof(SDTBWaterInit) == 24, "water records are 24 bytes");

// A block's place on the map grid.
struct KESTU_API SMapBlockPos {
    SMapBlockPos() = default;
    SMapBlockPos(int column, int row) : x(column), y(row) {}
    // The block under a world position: floor(px / width), floor(pz / height).
    SMapBlockPos(float px, float pz, float width, float height);

    int x = 0;
    int y = 0;
};

// A map position with a texture id: a dropped block (its texture's id) or a
// load request (0xFFFFFFFF).
struct KESTU_API SDTBlockInfo {
    SDTBlockInfo() = default;
    SDTBlockInfo(DWORD id, float px, float pz, float width, float height) : Pos(px, pz, width, height), dwTexID(id) {}
    SDTBlockInfo(DWORD id, const SMapBlockPos& pos) : Pos(pos), dwTexID(id) {}
    void Init(DWORD id, int x, int y)
    {
        dwTexID = id;
        Pos.x = x;
        Pos.y = y;
    }
    void Reset() { *this = SDTBlockInfo(); }

    SMapBlockPos Pos;
    DWORD dwTexID = 0xFFFFFFFF;
};
static_assert(sizeof(SMapBlockPos) == 8 && sizeof(SDTBlockInfo) == 12, "position records keep their sizes");

// The corner altitudes of a far block, in the order (x0, z0), (x0, z1),
// (x1, z1), (x1, z0) of its rectangle.
struct KESTU_API SDTOutlyingBlockInit {
    float fAltitude[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
static_assert(sizeof(SDTOutlyingBlockInit) == 16, "far block records are 16 bytes");

// ---- terrain set-up ----

struct KESTU_API SDynamicTerrainInit {
    SDynamicTerrainInit();
    // Mode below 2.
    int IsValid() const { return dwMode < 2; }

    DWORD dwMode;
    DWORD dwBlockStride; // blocks per map side
    float fBlockWidth;
    float fBlockHeight;
    D3DMATERIAL8 Material; // the blocks' software lighting
    DWORD dwReserved[47];
};
static_assert(sizeof(SDynamicTerrainInit) == 272, "the terrain set-up is 272 bytes");

// The client's answer whether a block's light map and its matrix still belong
// to a scene; it may change both.
using PFN_DTSCENETEST = BOOL (*)(DWORD scene, const CTexture*& lightmap, const D3DXMATRIX*& matrix);

struct KESTU_API SDTTextureResCfg {
    CTextureMng* pTextureMng = nullptr; // required, and built
    DWORD bReleaseTexture = 0;          // blocks take counted textures and give them back
    DWORD dwReserved = 1;
    DWORD dwTextureStage = 0;  // stage of the base texture, 0..7
    DWORD dwLightmapStage = 1; // stage of the light map, 0..7, made distinct
    DWORD bEnableLightmap = 0;
    DWORD bBlockBaseLightmapTransMat = 0;
    PFN_DTSCENETEST pfnSceneTest = nullptr; // may be null: every scene is valid
};

// Pools the client supplies and keeps. For each of the first three a null
// pointer makes the terrain create and own one; the fourth is used when set.
struct KESTU_API SDTExternPoolCfg {
    CDTBlockInfoPool* pInfoPool = nullptr;
    CDTBlockPool* pBlockPool = nullptr;
    CQTDNodePool* pNodePool = nullptr;
    CDTOutlyingPool* pOutlyingPool = nullptr;
};

// The far ring: a height grid over the far map (16-bit words times a scale,
// or floats) sampled at the corners of far blocks of ratio x ratio blocks.
// Without either grid the ring lies flat at altitude 0.
struct KESTU_API SDTOutlyingCfg {
    BOOL bEnable = 1;
    const float* pfAltitudes = nullptr;
    float fAltitudeScale = 0.005f;
    const WORD* pwAltitudes = nullptr;
    int nGridSide = 0;       // samples per side
    int nRatio = 2;          // blocks per far block side
    DWORD dwIBLength = 8192; // indices per index buffer
};

struct KESTU_API SDTLODCfg {
    float fLODDist = 32.0f; // the first of three distance rings; the others lie at 2 and 3 times it
    float fLODAlt = 1.0f;   // altitude range below which flat blocks coarsen
};
static_assert(sizeof(SDTLODCfg) == 8, "the LOD settings are 8 bytes");

// ---- traversal contexts ----

enum : DWORD { DT_PASS_VISIBLE = 0, DT_PASS_SOFTLIGHT = 1 };

struct KESTU_API SDTSelectContext {
    DWORD dwPassKind = DT_PASS_VISIBLE;
};

struct KESTU_API SDTSoftCalcLightInfo : SDTSelectContext {
    SDTSoftCalcLightInfo() { dwPassKind = DT_PASS_SOFTLIGHT; }
};

// The visibility and level pass over the blocks.
struct KESTU_API SDTVisibleTestInfo : SDTSelectContext {
    CPointerArray* pInside = nullptr;  // blocks on the map
    CPointerArray* pOutside = nullptr; // blocks beyond it
    const D3DXVECTOR3* pEye = nullptr;
    BOOL bLOD = 0;                            // level choice enabled
    BYTE* pVisFlags = nullptr;                // one byte per map block, may be null
    int nStride = 0;                          // map blocks per side
    float fD0 = 0.0f, fD1 = 0.0f, fD2 = 0.0f; // squared distance rings
    float fT1 = 0.0f, fT2 = 0.0f;             // altitude-range thresholds
};

struct KESTU_API SDTOutlyingVisibleTestInfo {
    CPointerArray* pLocal = nullptr;
    CPointerArray* pExtern = nullptr;
    float fEyeX = 0.0f, fEyeZ = 0.0f;
    DWORD dwReserved = 0;
    float fNearSq = 0.0f; // blocks nearer than this are left to the streamed blocks
    DWORD bDistTest = 0;
};

struct KESTU_API SDTBlockDetachConnect {
    CDTBlockInfoPool* pPool = nullptr;
    CPointerArray* pList = nullptr;
};

struct KESTU_API SDTOutlyingDetachInfo {
    CPointerArray* pLocal = nullptr;
    CPointerArray* pExtern = nullptr;
};

struct KESTU_API SDTBMoveConnect {
    DWORD dwReserved = 0;
    DWORD dwStride = 0; // map width in blocks, for the moved block's index
};

// Given to AttachBlock: a block attached during the frame that the frustum
// holds is listed for drawing at once.
struct KESTU_API STestBlockVisibleContext {
    const CFrustum* pFrustum = nullptr;
    BOOL bVisible = 0; // out
};

// ---- water waves ----

#pragma pack(push, 1)
struct KESTU_API SWaterWaveEntry {
    BYTE byID = 0;
    SWaterWave Wave;
};
#pragma pack(pop)
static_assert(sizeof(SWaterWaveEntry) == 25, "wave entries are byte-packed");

struct KESTU_API SWaterWaveCfg {
    // The largest water id listed; 0 for an empty list.
    BYTE FindMaxWaterID() const;

    DWORD bSingleWave = 0; // the first wave serves every water id
    std::vector<SWaterWaveEntry> Entries;
};

// One wave at the current time.
struct KESTU_API SWaveWaterPara {
    SWaveWaterPara() = default;
    SWaveWaterPara(float time, const SWaterWave* wave) { Update(time, wave); }
    void Update(float time, const SWaterWave* wave);

    float fPhaseX = 0.0f, fPhaseZ = 0.0f;
    float fWaveNumX = 0.0f, fWaveNumZ = 0.0f;
    float fAmpX = 1.0f, fAmpZ = 0.5f;
};

// The colour with the alpha of water `depth` deep: 100 at the shore up to
// 255 at fullDepth.
KESTU_API DWORD CalcWaterVertexAlpha(DWORD colour, float depth, float fullDepth);

// The 16 texture-coordinate sets that tile one water texture over 2 x 2
// blocks in four orientations: set quadrant + 4 x orientation, 25 (u, v)
// pairs each. Filled once when the library loads.
KESTU_API void InitSubTileUVTable();
KESTU_API void GetSubTileUV(float* u, float* v, int orientation, int vertex, int quadrant);
