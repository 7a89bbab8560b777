// The GMA mesh manager: the cache of released meshes and the lost device.
#include "kestu_log.h"
#include "kestu_meshanimng.h"
#include "core/util/SectionLock.h"
#include "core/device/DeviceUnbind.h"

namespace {

// What a drawn mesh may have left bound on the device: its frames' vertex
// buffers, its attributes' index buffers and textures.
void UnbindMesh(const CMeshAniData& mesh)
{
    if (const CAniMeshContainer* container = mesh.GetContainer()) {
        for (DWORD f = 0; f < container->GetNumFrames(); ++f) UnbindFromDevice(container->GetVB(f));
        UnbindFromDevice(container->GetSharedTexCoordVB());
    }
    for (DWORD f = 0; f < mesh.GetNumFrames(); ++f)
        for (WORD a = 0; a < mesh.GetNumAttributes(f); ++a) {
            if (const CMeshAttribute* attribute = mesh.GetMeshAttribute(f, a)) UnbindFromDevice(attribute->GetIB());
            if (const CTexture* texture = mesh.GetTexture(f, a)) UnbindFromDevice(texture->GetD3DTexture());
        }
}

} // namespace

void CMeshAniMng::PushToCache(CMeshAniData* item)
{
    if (!IsCacheEnable() || !item || !item->IsBuilt()) return;
    {
        kestu::SectionLock lock(Section());
        m_Cache.push_back(item);
    }
    CheckCache(TRUE);
}

void CMeshAniMng::CheckCache(BOOL checkTextures)
{
    if (!IsCacheEnable()) return;
    {
        kestu::SectionLock lock(Section());
        for (auto it = m_Cache.begin(); it != m_Cache.end();)
            it = (!(*it)->IsBuilt() || (*it)->GetRef() > 0) ? m_Cache.erase(it) : it + 1;
        while (m_Cache.size() > m_dwMaxCacheSize) {
            CMeshAniData* oldest = m_Cache.front();
            m_Cache.pop_front();
            if (oldest->IsBuilt() && oldest->GetRef() < 1) UnloadMeshByMeshPointer(oldest);
        }
    }
    if (checkTextures && m_TexList.IsUseTextureMng() && m_TexList.GetMng()) m_TexList.GetMng()->CheckCache();
}

void CMeshAniMng::ClearCache(BOOL clearTextures)
{
    if (!IsCacheEnable()) return;
    {
        kestu::SectionLock lock(Section());
        for (CMeshAniData* item : m_Cache)
            if (item->IsBuilt() && item->GetRef() < 1) UnloadMeshByMeshPointer(item);
        m_Cache.clear();
    }
    if (clearTextures && m_TexList.IsUseTextureMng() && m_TexList.GetMng()) m_TexList.GetMng()->ClearCache();
}

void CMeshAniMng::ForEachDeviceObject(HRESULT (CMeshAniData::*item)(), HRESULT (CAniMeshContainer::*container)(),
                                      HRESULT (CTextureList::*texture)(), const char* itemMessage,
                                      const char* containerMessage, const char* textureMessage)
{
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CMeshAniData* data = GetMeshDataByIndex(i);
        if (data && FAILED((data->*item)())) KestuSaveLog(KESTU_LOG_ERROR, itemMessage, int(data->GetID()));
    }
    for (const std::vector<CAniMeshContainer*>* list : {&m_Unique, &m_Shared})
        for (CAniMeshContainer* c : *list)
            if (FAILED((c->*container)())) KestuSaveLog(KESTU_LOG_ERROR, containerMessage, int(c->GetMeshID()));
    const HRESULT hr = (m_TexList.*texture)();
    if (FAILED(hr)) KestuSaveLog(KESTU_LOG_ERROR, textureMessage, int(hr));
}

HRESULT CMeshAniMng::Invalidate()
{
    kestu::SectionLock lock(Section());
    if (m_MeshPool != D3DPOOL_DEFAULT) {
        ForEachDeviceObject(&CMeshAniData::Invalidate, &CAniMeshContainer::Invalidate, &CTextureList::Invalidate,
                            "Error: failed to Invalidate MeshAniData (ID=%d)!\n",
                            "Error: failed to Invalidate MeshAniContainer (MeshID=%d)!\n",
                            "Error: failed to Invalidate MeshAni texture ! Err= %d\n");
        return S_OK;
    }
    // The default pool: everything goes, the counts are kept for Restore.
    m_SavedRefs.assign(m_dwNumItems, 0);
    for (DWORD i = 0; i < m_dwNumItems; ++i)
        if (CMeshAniData* item = GetMeshDataByIndex(i)) {
            m_SavedRefs[i] = item->GetRef();
            if (item->IsBuilt()) UnbindMesh(*item);
        }
    UnloadAllMesh();
    return S_OK;
}

HRESULT CMeshAniMng::Restore()
{
    kestu::SectionLock lock(Section());
    if (m_MeshPool != D3DPOOL_DEFAULT) {
        ForEachDeviceObject(&CMeshAniData::Restore, &CAniMeshContainer::Restore, &CTextureList::Restore,
                            "Error: failed to restore MeshAniData (ID=%d)!\r\n",
                            "Error: failed to restore MeshAniContainer (MeshID=%d)!\n",
                            "Error: failed to restore MeshAni texture ! Err= %d\n");
        return S_OK;
    }
    for (DWORD i = 0; i < m_SavedRefs.size() && i < m_dwNumItems; ++i) {
        CMeshAniData* item = GetMeshDataByIndex(i);
        if (!item || m_SavedRefs[i] <= 0) continue;
        if (item->IsBuilt()) UnloadMeshByMeshPointer(item);
        if (FAILED(LoadMesh(item->GetID())))
            KestuSaveLog(KESTU_LOG_ERROR, "Error: failed to reload MeshAniData (ID=%d)!\r\n", int(item->GetID()));
        item->SetRef(m_SavedRefs[i]);
    }
    m_SavedRefs.clear();
    return S_OK;
}
