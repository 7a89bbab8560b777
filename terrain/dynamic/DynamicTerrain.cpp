// CDynamicTerrain: construction, Build from the client's records, Release,
// the pools and the accessors.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

#include "terrain/TerrainTextures.h"
#include "terrain/dynamic/DTOwnPools.h"
#include "core/device/DeviceUnbind.h"

namespace {

// Beyond this many blocks per side the map's block count leaves 32 bits.
constexpr DWORD kMaxStride = 32768;
constexpr float kMinBlockSize = 1e-4f;
constexpr float kMaxBlockSize = 1e8f;

template <class Pool, class Own>
HRESULT TakePool(Pool* given, Pool*& pool, BOOL& external, DWORD freeCount)
{
    if (given) {
        pool = given;
        external = TRUE;
        return S_OK;
    }
    external = FALSE;
    pool = new (std::nothrow) Own;
    if (!pool) return E_OUTOFMEMORY;
    pool->SetFreeCount(freeCount);
    return S_OK;
}

template <class Pool>
void DropPool(Pool*& pool, BOOL& external)
{
    if (pool && !external) {
        pool->DestroyAllFree();
        delete pool;
    }
    pool = nullptr;
    external = FALSE;
}

} // namespace

CDynamicTerrain::CDynamicTerrain()
    : m_bBuilt(0), m_pRoot(nullptr), m_nAttached(0), m_pTextureMng(nullptr), m_bReleaseTexture(0), m_Material{},
      m_nStride(0), m_fBlockWidth(4.0f), m_fBlockHeight(4.0f), m_fOutlyingWidth(8.0f), m_fOutlyingHeight(8.0f),
      m_nOutlyingStride(0), m_bShareWave(0), m_pWaves(nullptr), m_byNumWaves(0), m_bExternInfoPool(0),
      m_pInfoPool(nullptr), m_pMapBytes(nullptr), m_dwTextureStage(0), m_dwLightmapStage(0), m_bEnableLightmap(0),
      m_bBlockBaseLightmapTM(0), m_nMapBlocks(0), m_bExternBlockPool(0), m_pBlockPool(nullptr),
      m_bExternOutlyingPool(0), m_pOutlyingPool(nullptr), m_bExternNodePool(0), m_pNodePool(nullptr), m_pSine(nullptr),
      m_fLODDist(-1.0f), m_fLODDistSq(-1.0f), m_fLODAlt(-1.0f), m_bOutlying(0), m_pOutlyingRoot(nullptr),
      m_dwNumLocalOutlying(0), m_pOutlyingVB(nullptr), m_fAltitudeScale(0.005f), m_pwAltitudes(nullptr),
      m_pfAltitudes(nullptr), m_nGridSide(0), m_dwIBLength(8192), m_pfnSceneTest(nullptr)
{
    m_Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m_Material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    m_Material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    CTerrainLODIndexTable::AddRef();
}

CDynamicTerrain::~CDynamicTerrain()
{
    if (m_bBuilt) Release();
    CTerrainLODIndexTable::Release();
    ReleaseAllOutlyingIBs();
    if (m_pOutlyingVB) m_pOutlyingVB->Release();
    m_pOutlyingVB = nullptr;
}

HRESULT CDynamicTerrain::Build(const SDynamicTerrainInit* init, const SDTTextureResCfg* tex,
                               const SDTExternPoolCfg* pools, const SDTOutlyingCfg* outlying,
                               const SWaterWaveCfg* waves, const SDTLODCfg* lod, BYTE* mapBytes, DWORD poolSize,
                               const CTrigonometricfunctionTable* sine)
{
    if (!init || !init->IsValid() || !tex || !TerrainTextureMngIsBuilt(tex->pTextureMng)) return E_INVALIDARG;
    // Block sizes divide every position lookup and their squares must stay
    // ordinary floats for the distance tests; the block count must fit.
    auto sane = [](float size) { return size >= kMinBlockSize && size <= kMaxBlockSize; };
    if (!sane(init->fBlockWidth) || !sane(init->fBlockHeight) || init->dwBlockStride > kMaxStride) return E_INVALIDARG;
    if (m_bBuilt) Release();

    m_bOutlying = 0;
    m_pfnSceneTest = tex->pfnSceneTest;
    m_pTextureMng = tex->pTextureMng;
    m_bReleaseTexture = tex->bReleaseTexture != 0;

    HRESULT hr = TakePool<CDTBlockInfoPool, CDTBlockInfoPool>(pools ? pools->pInfoPool : nullptr, m_pInfoPool,
                                                              m_bExternInfoPool, poolSize);
    if (SUCCEEDED(hr))
        hr = TakePool<CDTBlockPool, CDTOwnBlockPool>(pools ? pools->pBlockPool : nullptr, m_pBlockPool,
                                                     m_bExternBlockPool, poolSize);
    if (SUCCEEDED(hr))
        hr = TakePool<CQTDNodePool, CDTOwnNodePool>(pools ? pools->pNodePool : nullptr, m_pNodePool, m_bExternNodePool,
                                                    poolSize / 4);
    if (FAILED(hr)) {
        Teardown();
        return hr;
    }

    m_dwTextureStage = tex->dwTextureStage >= 8 ? 7 : tex->dwTextureStage;
    m_dwLightmapStage = tex->dwLightmapStage >= 8 ? 7 : tex->dwLightmapStage;
    if (m_dwLightmapStage == m_dwTextureStage) m_dwLightmapStage = m_dwTextureStage + 1 >= 8 ? 0 : m_dwTextureStage + 1;
    m_bEnableLightmap = tex->bEnableLightmap != 0;
    m_bBlockBaseLightmapTM = tex->bBlockBaseLightmapTransMat != 0;

    // Unpacked: a far block keeps its slot index while others leave.
    m_ExternVisibleOutlying.Build(1024, 0, 2048, 2048, 0);
    m_LocalVisibleOutlying.Build(4096, 0, 4096, 4096, 0);
    // Packed: a client walks the block lists by their counts, so a block that
    // leaves (DetachBlock, Clip) must leave no null entry behind.
    m_LocalVisible.Build(2048, 1, 2048, 2048, 0);
    m_ExternVisible.Build(1024, 1, 2048, 2048, 0);
    m_Unloaded.Build(1024, 1, 1024, 1024, 0);
    m_Load.Build(2048, 1, 1024, 1024, 0);

    m_pMapBytes = mapBytes;
    m_nStride = int(init->dwBlockStride);
    m_nMapBlocks = m_nStride * m_nStride;
    m_fBlockWidth = init->fBlockWidth;
    m_fBlockHeight = init->fBlockHeight;
    m_Material = init->Material;
    m_pSine = sine;

    FreeWaves();
    if (waves && !waves->Entries.empty()) {
        const bool single = waves->bSingleWave != 0;
        const BYTE highest = waves->FindMaxWaterID();
        const DWORD count = single ? 1 : (highest == 255 ? 255 : highest + 1);
        m_pWaves = new (std::nothrow) SWaterWave[count];
        if (!m_pWaves) {
            Teardown();
            return E_OUTOFMEMORY;
        }
        m_byNumWaves = BYTE(count);
        m_bShareWave = single;
        // Entries are byte-packed: their waves are copied as bytes.
        if (single)
            std::memcpy(&m_pWaves[0], &waves->Entries.front().Wave, sizeof(SWaterWave));
        else
            for (const SWaterWaveEntry& e : waves->Entries)
                if (e.byID < count) std::memcpy(&m_pWaves[e.byID], &e.Wave, sizeof(SWaterWave));
    }

    SetLODParaDist(lod ? lod->fLODDist : FLT_MAX);
    m_fLODAlt = lod ? lod->fLODAlt : 0.0f;

    if (pools && pools->pOutlyingPool) {
        m_pOutlyingPool = pools->pOutlyingPool;
        m_bExternOutlyingPool = TRUE;
    } else {
        m_pOutlyingPool = nullptr;
        m_bExternOutlyingPool = FALSE;
    }
    hr = EnableOutlying(outlying);
    if (m_bOutlying && m_pOutlyingPool) m_pOutlyingPool->SetFreeCount(poolSize);
    if (FAILED(hr)) {
        Teardown();
        return hr;
    }
    m_bBuilt = TRUE;
    return hr;
}

void CDynamicTerrain::Release()
{
    if (m_bBuilt) Teardown();
}

void CDynamicTerrain::Teardown()
{
    FreeWaves();
    ReleaseAllOutlyingIBs();
    if (m_pOutlyingVB) m_pOutlyingVB->Release();
    m_pOutlyingVB = nullptr;
    if (m_pOutlyingRoot) DetachAllOutlyingBlock();
    if (m_pRoot) DetachAllBlock();
    m_fLODDist = m_fLODDistSq = m_fLODAlt = -1.0f;
    m_pTextureMng = nullptr;
    m_pMapBytes = nullptr;
    ReturnInfos(m_Unloaded);
    ReturnInfos(m_Load);
    m_ExternOutlyingPos.clear();
    for (CPointerArray* list :
         {&m_Unloaded, &m_Load, &m_ExternVisibleOutlying, &m_LocalVisibleOutlying, &m_LocalVisible, &m_ExternVisible}) {
        list->RemoveAllPointer();
        list->Release();
    }
    DropPool(m_pInfoPool, m_bExternInfoPool);
    DropPool(m_pNodePool, m_bExternNodePool);
    DropPool(m_pBlockPool, m_bExternBlockPool);
    DropPool(m_pOutlyingPool, m_bExternOutlyingPool);
    m_nMapBlocks = 0;
    m_nAttached = 0;
    m_pfnSceneTest = nullptr;
    m_nStride = 0;
    m_fBlockWidth = m_fBlockHeight = 4.0f;
    m_bOutlying = 0;
    m_Batches.clear();
    ResetOutlyingSettings();
    m_fOutlyingWidth = m_fOutlyingHeight = 8.0f;
    m_nOutlyingStride = 0;
    m_bBuilt = 0;
}

void CDynamicTerrain::FreeWaves()
{
    delete[] m_pWaves;
    m_pWaves = nullptr;
    m_byNumWaves = 0;
    m_bShareWave = 0;
}

HRESULT CDynamicTerrain::Invalidate()
{
    for (IDirect3DIndexBuffer8* ib : m_IBs) UnbindFromDevice(ib);
    ReleaseAllOutlyingIBs();
    return S_OK;
}

HRESULT CDynamicTerrain::Restore() { return S_OK; }

void CDynamicTerrain::SetLODParaDist(float d)
{
    m_fLODDist = d;
    m_fLODDistSq = d < 0.0f ? -1.0f : d * d;
}

const SWaterWave* CDynamicTerrain::GetWaterWave(BYTE id) const
{
    const DWORD index = m_bShareWave ? 0 : id;
    return m_pWaves && index < m_byNumWaves ? &m_pWaves[index] : nullptr;
}

SWaterWave* CDynamicTerrain::GetWaterWave(BYTE id)
{
    return const_cast<SWaterWave*>(static_cast<const CDynamicTerrain*>(this)->GetWaterWave(id));
}

BOOL CDynamicTerrain::IsValidScene(DWORD scene, const CTexture*& lightmap, const D3DXMATRIX*& matrix) const
{
    return m_pfnSceneTest ? m_pfnSceneTest(scene, lightmap, matrix) : TRUE;
}

DWORD CDynamicTerrain::GetNumAbandonedBlocks() const
{
    return m_pBlockPool && !m_bExternBlockPool ? m_pBlockPool->GetFreeCount() : 0;
}

void CDynamicTerrain::DestoryAllAbandonedBlocks()
{
    if (m_pBlockPool && !m_bExternBlockPool) m_pBlockPool->DestroyAllFree();
}

DWORD CDynamicTerrain::GetNumAbandonedOutlyingBlocks() const
{
    return m_pOutlyingPool && !m_bExternOutlyingPool ? m_pOutlyingPool->GetFreeCount() : 0;
}

void CDynamicTerrain::DestoryAllAbandonedOutlyingBlocks()
{
    if (m_pOutlyingPool && !m_bExternOutlyingPool) m_pOutlyingPool->DestroyAllFree();
}

void CDynamicTerrain::ReturnInfos(CPointerArray& list)
{
    if (m_pInfoPool)
        for (DWORD i = 0; i < list.GetCount(); ++i)
            m_pInfoPool->Free(static_cast<SDTBlockInfo*>(list.GetPointer(i)), 0);
    list.RemoveAllPointer();
}
