// The GMA mesh manager: queries, references, loading and unloading, and the shared containers.
#include <algorithm>

#include "kestu_log.h"
#include "kestu_meshanimng.h"
#include "core/util/SectionLock.h"

HRESULT CMeshAniMng::FindOrCreatContainer(const CGmaFile& file, CAniMeshContainer*& container, const char* name,
                                          BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord)
{
    container = nullptr;
    const SMeshAniHeader& h = file.header;
    const bool shared = h.IsShareContainer() != 0;
    auto at = std::lower_bound(m_Shared.begin(), m_Shared.end(), h.dwMeshID,
                               [](const CAniMeshContainer* c, DWORD id) { return c->GetMeshID() < id; });
    if (shared && at != m_Shared.end() && (*at)->GetMeshID() == h.dwMeshID) {
        // A shared container serves only meshes of its own frames and vertex counts.
        if (!(*at)->IsSameFramework(file)) {
            KestuSaveLog(KESTU_LOG_ERROR, "Error: '%s' does not fit the shared MeshAni Container MeshID=%d\n",
                         name ? name : "", static_cast<int>(h.dwMeshID));
            return E_FAIL;
        }
        (*at)->AddRef();
        container = *at;
        return S_OK;
    }
    CAniMeshContainer* c = new (std::nothrow) CAniMeshContainer;
    if (!c) return E_OUTOFMEMORY;
    HRESULT hr = c->Build(file, m_pDevice, m_MeshPool, m_fDefaultScale, FALSE, autoSkipNormal, normalSkipped,
                          autoShareCoord, shareCoord);
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to build MeshAni Container MeshID=%d\n", int(h.dwMeshID));
        delete c;
        return hr;
    }
    hr = c->Restore();
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to Restore MeshAni Container  MeshID=%d\n", int(h.dwMeshID));
        delete c;
        return hr;
    }
    c->SetRef(1);
    if (shared) {
        at = m_Shared.insert(at, c);
        Renumber(m_Shared);
    } else {
        c->SetIndex(static_cast<DWORD>(m_Unique.size()));
        m_Unique.push_back(c);
    }
    container = c;
    return S_OK;
}

void CMeshAniMng::Renumber(std::vector<CAniMeshContainer*>& list)
{
    for (size_t i = 0; i < list.size(); ++i) list[i]->SetIndex(static_cast<DWORD>(i));
}

void CMeshAniMng::DropContainer(CAniMeshContainer* c)
{
    std::vector<CAniMeshContainer*>& list = c->IsShareContainer() ? m_Shared : m_Unique;
    if (c->IsShareContainer() && c->SubRef() >= 1) return;
    auto it = std::find(list.begin(), list.end(), c);
    if (it != list.end()) {
        list.erase(it);
        Renumber(list);
    }
    c->Invalidate();
    c->Release();
    delete c;
}

HRESULT CMeshAniMng::LoadMeshByMeshPointer(CMeshAniData* item, const TEXTURE_CONFIG* cfg)
{
    if (!item || item->IsBuilt()) return E_FAIL;
    kestu::SectionLock lock(Section());
    const void* bytes = QueryItemDataToShareBufferByItem(item);
    if (!bytes) return E_OUTOFMEMORY;
    CGmaFile file;
    if (FAILED(file.Read(bytes, item->GetDataSize()))) {
        KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to build MeshAniData named '%s'\n", item->GetName());
        return E_FAIL;
    }
    CAniMeshContainer* container = nullptr;
    HRESULT hr = FindOrCreatContainer(file, container, item->GetName(), m_bAutoSkipNormal, m_bNormalSkipped,
                                      m_bAutoShareCoord, m_bShareCoord);
    if (FAILED(hr)) return hr;
    hr = item->Build(file, m_pDevice, m_szTexPath, &m_TexList, container, cfg, m_MeshPool, m_fDefaultScale, FALSE,
                     m_bAutoSkipNormal, m_bNormalSkipped, m_bAutoShareCoord, m_bShareCoord, m_bLoadTextureImmediately,
                     FALSE);
    if (FAILED(hr)) KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to build MeshAniData named '%s'\n", item->GetName());
    if (!item->IsBuilt()) {
        // The mesh gives back what it took: its textures and its place in the container.
        item->Release();
        DropContainer(container);
        return FAILED(hr) ? hr : E_FAIL;
    }
    hr = item->Restore();
    if (FAILED(hr)) KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to Restore MeshAniData named '%s'\n", item->GetName());
    return hr;
}

HRESULT CMeshAniMng::UnloadMeshByMeshPointer(CMeshAniData* item)
{
    if (!item) return E_FAIL;
    kestu::SectionLock lock(Section());
    CAniMeshContainer* c = item->GetContainer();
    if (c && item->IsExternContainer() &&
        (std::find(m_Shared.begin(), m_Shared.end(), c) != m_Shared.end() ||
         std::find(m_Unique.begin(), m_Unique.end(), c) != m_Unique.end()))
        DropContainer(c);
    item->Invalidate();
    item->Release();
    if (m_TexList.IsUseTextureArray()) m_TexList.TestShrink();
    return S_OK;
}

HRESULT CMeshAniMng::UnloadAllMesh()
{
    kestu::SectionLock lock(Section());
    m_TexList.UnloadAllTexture();
    for (std::vector<CAniMeshContainer*>* list : {&m_Unique, &m_Shared}) {
        for (CAniMeshContainer* c : *list) {
            if (c->IsBuilt()) c->Invalidate();
            c->Release();
            delete c;
        }
        list->clear();
    }
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (!item) continue;
        if (item->GetMeshPool() != D3DPOOL_DEFAULT || item->IsAutoRestoreMesh()) item->Invalidate();
        item->Release();
    }
    m_Cache.clear();
    return S_OK;
}

CMeshAniData* CMeshAniMng::QueryMeshByIndex(DWORD index, BOOL load, const TEXTURE_CONFIG* cfg)
{
    if (!m_bItemTableLoaded) Reload(1);
    CMeshAniData* item = GetMeshDataByIndex(index);
    if (!item) return nullptr;
    {
        kestu::SectionLock lock(Section());
        if (item->IsBuilt()) {
            if (cfg) item->SetTextureConfig(cfg);
        } else if (load) {
            const HRESULT hr = LoadMeshByMeshPointer(item, cfg);
            if (FAILED(hr) && hr != D3DERR_DEVICELOST) {
                KestuSaveLog(KESTU_LOG_ERROR, "Failed to Load Mesh(ID=%d,File=%s)\n", int(item->GetID()),
                             item->GetName());
                return nullptr;
            }
        }
        if (item->AddRef() != 1) return item;
    }
    // Wanted again: out of the cache.
    CheckCache(TRUE);
    return item;
}

CMeshAniData* CMeshAniMng::QueryMesh(DWORD id, BOOL load, const TEXTURE_CONFIG* cfg)
{
    if (!m_bItemTableLoaded) Reload(1);
    return QueryMeshByIndex(GetIndexFormID(id), load, cfg);
}

HRESULT CMeshAniMng::TryQueryGmaByIndex(DWORD index)
{
    CMeshAniData* item = GetMeshDataByIndex(index);
    if (!item) return S_FALSE;
    {
        kestu::SectionLock lock(Section());
        if (!item->IsBuilt()) return E_FAIL;
        if (item->AddRef() != 1) return S_OK;
    }
    CheckCache(TRUE);
    return S_OK;
}

HRESULT CMeshAniMng::TryQueryGma(DWORD id) { return TryQueryGmaByIndex(GetIndexFormID(id)); }

int CMeshAniMng::ReleaseMeshByIndex(DWORD index, BOOL unloadNow)
{
    CMeshAniData* item = GetMeshDataByIndex(index);
    if (!item) return 0;
    kestu::SectionLock lock(Section());
    const int count = item->SubRef();
    if (count < 1 && item->IsBuilt()) {
        if (!unloadNow && IsCacheEnable()) {
            PushToCache(item);
            return count;
        }
        UnloadMeshByMeshPointer(item);
        return 0;
    }
    return count;
}

int CMeshAniMng::ReleaseMesh(DWORD id, BOOL unloadNow) { return ReleaseMeshByIndex(GetIndexFormID(id), unloadNow); }

HRESULT CMeshAniMng::LoadMeshByIndex(DWORD index, const TEXTURE_CONFIG* cfg)
{
    CMeshAniData* item = GetMeshDataByIndex(index);
    return item ? LoadMeshByMeshPointer(item, cfg) : E_FAIL;
}

HRESULT CMeshAniMng::LoadMesh(DWORD id, const TEXTURE_CONFIG* cfg) { return LoadMeshByIndex(GetIndexFormID(id), cfg); }

HRESULT CMeshAniMng::UnloadMeshByIndex(DWORD index)
{
    CMeshAniData* item = GetMeshDataByIndex(index);
    return item ? UnloadMeshByMeshPointer(item) : E_FAIL;
}

HRESULT CMeshAniMng::UnloadMesh(DWORD id) { return UnloadMeshByIndex(GetIndexFormID(id)); }

HRESULT CMeshAniMng::ApplyReferenceByIndex(DWORD index, const TEXTURE_CONFIG* cfg)
{
    CMeshAniData* item = GetMeshDataByIndex(index);
    if (!item) return E_FAIL;
    if (item->IsBuilt() && item->GetRef() < 1) return UnloadMeshByMeshPointer(item);
    if (!item->IsBuilt() && item->GetRef() > 0) {
        const HRESULT hr = LoadMeshByMeshPointer(item, cfg);
        if (FAILED(hr))
            KestuSaveLog(KESTU_LOG_ERROR, "Failed to Load Mesh(ID=%d,File=%s)\n", int(item->GetID()), item->GetName());
        return hr;
    }
    return S_FALSE;
}

HRESULT CMeshAniMng::ApplyReference(DWORD id, const TEXTURE_CONFIG* cfg)
{
    return ApplyReferenceByIndex(GetIndexFormID(id), cfg);
}

HRESULT CMeshAniMng::ApplyAllMeshesReference()
{
    if (!m_bBuilt) return E_FAIL;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (item && item->IsBuilt() && item->GetRef() < 1) UnloadMeshByMeshPointer(item);
    }
    kestu::SectionLock lock(Section());
    HRESULT hr = QueryShareBuffer(KESTU_GMA_SHARE_BUFFER, 2);
    if (FAILED(hr)) return hr;
    hr = S_OK;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (!item || item->IsBuilt() || item->GetRef() < 1) continue;
        hr = LoadMeshByMeshPointer(item, nullptr);
        if (FAILED(hr))
            KestuSaveLog(KESTU_LOG_ERROR, "Failed to Load Mesh(ID=%d,File=%s)\n", int(item->GetID()), item->GetName());
    }
    ReleaseItemDataShareBuffer();
    return hr;
}

HRESULT CMeshAniMng::LoadAllMesh()
{
    if (!m_bBuilt) return E_FAIL;
    UnloadAllMesh();
    if (!m_bItemTableLoaded) Reload(1);
    kestu::SectionLock lock(Section());
    HRESULT hr = QueryShareBuffer(KESTU_GMA_SHARE_BUFFER, 2);
    if (FAILED(hr)) return hr;
    HRESULT result = S_OK;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (!item) continue;
        if (item->IsBuilt()) {
            item->Invalidate();
            item->Release();
        }
        hr = LoadMeshByMeshPointer(item, nullptr);
        if (FAILED(hr)) result = hr;
    }
    ReleaseItemDataShareBuffer();
    if (m_TexList.IsUseTextureMng()) m_TexList.ApplyAllTexturesReference();
    return result;
}

HRESULT CMeshAniMng::ReBuild()
{
    if (!m_bBuilt) return E_FAIL;
    if (m_dwNumItems == 0) return S_OK;
    UnloadAllMesh();
    return ApplyAllMeshesReference();
}
