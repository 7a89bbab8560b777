// The GMA mesh manager: building over a mesh library, release, locking and texture settings.
#include <cstdio>
#include <new>

#include "kestu_log.h"
#include "kestu_meshanimng.h"
#include "ou_strings.h"
#include "core/util/SectionLock.h"

CMeshAniMng::CMeshAniMng()
    : m_pDevice(nullptr), m_bBuilt(FALSE), m_szTexPath{}, m_fDefaultScale(1.0f), m_bAutoSkipNormal(TRUE),
      m_bNormalSkipped(FALSE), m_bAutoShareCoord(FALSE), m_bShareCoord(FALSE), m_bLoadTextureImmediately(TRUE),
      m_fMeshLOD(1.0f), m_MeshPool(D3DPOOL_MANAGED), m_Lock{}, m_bMultiThreaded(FALSE), m_dwMaxCacheSize(0)
{
}

CMeshAniMng::~CMeshAniMng()
{
    Release();
    m_TexList.Release();
    CleanUp();
}

HRESULT CMeshAniMng::OnNewItem(SIdxLibItem*& item)
{
    item = new (std::nothrow) CMeshAniData;
    return item ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMeshAniMng::OnDeleteItem(SIdxLibItem*& item)
{
    CMeshAniData* data = static_cast<CMeshAniData*>(item);
    if (data) {
        data->Invalidate();
        data->Release();
        delete data;
    }
    item = nullptr;
    return S_OK;
}

void CMeshAniMng::DeleteLock() { kestu::CloseSection(m_Lock, m_bMultiThreaded); }

namespace {

bool CanOpen(const char* path)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return false;
    std::fclose(file);
    return true;
}

} // namespace

HRESULT CMeshAniMng::BuildCommon(IDirect3DDevice8* device, const char* libraryPath, const char* texturePath,
                                 float scale, const TEXTURE_CONFIG* cfg, D3DPOOL meshPool, BOOL autoSkipNormal,
                                 BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord, BOOL multiThreaded,
                                 int libraryOption, DWORD maxCacheSize)
{
    Release();
    kestu::OpenSection(m_Lock, m_bMultiThreaded, multiThreaded != FALSE);
    HRESULT hr = CanOpen(libraryPath) ? CIndexLib::Load(libraryPath, 0, libraryOption, 0, 1) : KESTUERR_FILEOPEN;
    if (FAILED(hr)) {
        DeleteLock();
        return hr;
    }
    m_pDevice = device;
    OU_SafeStrCpy(m_szTexPath, sizeof m_szTexPath, texturePath);
    m_bAutoSkipNormal = autoSkipNormal;
    m_bNormalSkipped = normalSkipped;
    m_bAutoShareCoord = autoShareCoord;
    m_bShareCoord = shareCoord;
    m_dwMaxCacheSize = maxCacheSize;
    m_MeshPool = meshPool;
    m_fDefaultScale = scale;
    if (cfg)
        m_CfgTexture = *cfg;
    else
        m_CfgTexture.Reset();
    return S_OK;
}

HRESULT CMeshAniMng::FinishBuild(BOOL loadAll)
{
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (!item) continue;
        item->SetTextureConfig(&m_CfgTexture);
        if (item->IsBuilt() && !item->IsExternTextures()) item->ReloadTextures();
    }
    m_bBuilt = TRUE;
    return loadAll ? LoadAllMesh() : S_OK;
}

HRESULT CMeshAniMng::Build(IDirect3DDevice8* device, const char* libraryPath, const char* texturePath, BOOL loadAll,
                           float scale, const TEXTURE_CONFIG* cfg, D3DPOOL meshPool, BOOL autoSkipNormal,
                           BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord, BOOL multiThreaded,
                           int libraryOption, DWORD maxCacheSize)
{
    HRESULT hr = BuildCommon(device, libraryPath, texturePath, scale, cfg, meshPool, autoSkipNormal, normalSkipped,
                             autoShareCoord, shareCoord, multiThreaded, libraryOption, maxCacheSize);
    if (FAILED(hr)) return hr;
    m_bLoadTextureImmediately = TRUE;
    hr = m_TexList.BuildArrayMode(device, &m_CfgTexture, 512, 256, multiThreaded);
    if (FAILED(hr)) return hr;
    return FinishBuild(loadAll);
}

HRESULT CMeshAniMng::BuildUseTextureIndexLib(IDirect3DDevice8* device, const char* libraryPath,
                                             const char* textureLibraryPath, BOOL loadAll, float scale,
                                             const TEXTURE_CONFIG* cfg, D3DPOOL meshPool, BOOL autoSkipNormal,
                                             BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord,
                                             BOOL loadTextureImmediately, BOOL multiThreaded, int libraryOption,
                                             DWORD maxCacheSize)
{
    if (!CanOpen(textureLibraryPath)) return KESTUERR_FILEOPEN;
    HRESULT hr = BuildCommon(device, libraryPath, textureLibraryPath, scale, cfg, meshPool, autoSkipNormal,
                             normalSkipped, autoShareCoord, shareCoord, multiThreaded, libraryOption, maxCacheSize);
    if (FAILED(hr)) return hr;
    m_bLoadTextureImmediately = loadTextureImmediately;
    hr = m_TexList.BuildMngMode(device, &m_CfgTexture, textureLibraryPath, multiThreaded, maxCacheSize);
    if (FAILED(hr)) return hr;
    return FinishBuild(loadAll);
}

void CMeshAniMng::Release()
{
    UnloadAllMesh();
    CleanUp();
    m_pDevice = nullptr;
    m_szTexPath[0] = 0;
    m_SavedRefs.clear();
    m_Cache.clear();
    m_MeshPool = D3DPOOL_MANAGED;
    m_fMeshLOD = 1.0f;
    m_fDefaultScale = 1.0f;
    m_bAutoSkipNormal = TRUE;
    m_bNormalSkipped = FALSE;
    m_bAutoShareCoord = FALSE;
    m_bShareCoord = FALSE;
    m_bLoadTextureImmediately = TRUE;
    DeleteLock();
    m_bBuilt = FALSE;
}

void CMeshAniMng::LockIdxLib() { kestu::EnterSection(Section()); }

void CMeshAniMng::UnlockIdxLib() { kestu::LeaveSection(Section()); }

BOOL CMeshAniMng::TryLockIdxLib() { return kestu::TryEnterSection(Section()); }

CMeshAniData* CMeshAniMng::GetMeshDataByIndex(DWORD index) const
{
    return m_bItemTableLoaded ? static_cast<CMeshAniData*>(GetItem(index)) : nullptr;
}

HRESULT CMeshAniMng::ReloadAllTextures()
{
    if (!m_bBuilt) return E_FAIL;
    if (!m_TexList.IsBuilt()) return S_OK;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (!item || !item->IsBuilt()) continue;
        item->SetTextureConfig(&m_CfgTexture);
        if (!item->IsExternTextures()) item->ReloadTextures();
    }
    return m_TexList.SetCfgTexture(&m_CfgTexture);
}

HRESULT CMeshAniMng::SetCfgTexture(const TEXTURE_CONFIG* cfg)
{
    if (cfg) m_CfgTexture = *cfg;
    if (m_bBuilt) ReloadAllTextures();
    return S_OK;
}

HRESULT CMeshAniMng::SetTexMipLevels(DWORD levels)
{
    m_CfgTexture.dwMipLevels = levels;
    return m_TexList.SetMipLevels(levels);
}

HRESULT CMeshAniMng::SetTexLOD(float lod)
{
    const HRESULT hr = m_TexList.SetTexLOD(lod);
    m_CfgTexture.fLOD = m_TexList.GetTexLOD();
    return hr;
}

HRESULT CMeshAniMng::AttachLoadedGmaMesh(CMeshAniData* data, int references)
{
    if (!data || !data->IsBuilt() || data->GetID() == 0xFFFFFFFF) return E_INVALIDARG;
    CMeshAniData* item = GetMeshData(data->GetID());
    if (!item) return E_FAIL;
    HRESULT hr = S_OK;
    if (item->IsBuilt()) {
        data->Invalidate();
        data->Release();
        hr = S_FALSE;
    } else {
        hr = item->Splice(data, this);
    }
    if (SUCCEEDED(hr)) item->SetRef(item->GetRef() + references);
    return hr;
}

HRESULT CMeshAniMng::AttachLoadedGmaTexture(CTexture* texture, int references)
{
    if (!m_TexList.IsBuilt() || !m_TexList.IsUseTextureMng() || !m_TexList.GetMng()) return E_FAIL;
    return m_TexList.GetMng()->AttachLoadedTexture(texture, references);
}
