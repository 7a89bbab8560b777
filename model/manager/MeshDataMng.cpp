// The mesh-data manager: life, sharing by name, callbacks.
#include "kestu_meshdatamng.h"

namespace Kestu {

int CMeshDataMng::m_bIsUsingCache = 1;
int CMeshDataMng::m_bTexCoordExpand = 1;

CMeshDataMng::CMeshDataMng() {}

CMeshDataMng::CMeshDataMng(const CMeshDataMng& other) { CopyFrom(other); }

CMeshDataMng& CMeshDataMng::operator=(const CMeshDataMng& other)
{
    if (this != &other) {
        Invalidate();
        CopyFrom(other);
    }
    return *this;
}

void CMeshDataMng::CopyFrom(const CMeshDataMng& other)
{
    m_bBuilt = other.m_bBuilt;
    m_pDevice = other.m_pDevice;
    m_dwFrame = other.m_dwFrame;
    m_strTexturePath = other.m_strTexturePath;
    m_dwCacheLimit = other.m_dwCacheLimit;
    m_dwEvent = other.m_dwEvent;
    m_pEventMesh = other.m_pEventMesh;
    m_dwCallBackCounter = other.m_dwCallBackCounter;
    m_callbacks.clear();
    for (const auto& [key, record] : other.m_callbacks)
        m_callbacks.emplace(key, std::make_unique<SPfnRenderCallBackData>(*record));
    m_names = other.m_names;
    m_slots.clear();
    for (const auto& slot : other.m_slots) m_slots.push_back(slot ? std::make_unique<SMeshDataCache>(*slot) : nullptr);
    m_freeIds = other.m_freeIds;
    m_constants = other.m_constants;
    // Shaders belong to one manager each: the copy makes its own.
    if (m_bBuilt && other.m_dwVS[0] != 0) Restore();
}

CMeshDataMng::~CMeshDataMng()
{
    for (auto& [key, record] : m_callbacks)
        if (record->pfn) record->pfn(KESTU_MESHEVENT_MANAGEREND, 0, record->dwUserValue, 0);
    m_callbacks.clear();
    Invalidate();
}

long CMeshDataMng::Build(IDirect3DDevice8* device)
{
    m_pDevice = device;
    m_bBuilt = 1;
    Restore();
    return 0;
}

long CMeshDataMng::Release()
{
    Invalidate();
    m_constants.clear();
    m_slots.clear();
    m_freeIds.clear();
    m_names.clear();
    return 0;
}

DWORD CMeshDataMng::AddMeshData(const char* name, CMeshDataBase* mesh)
{
    const std::string key = name ? name : "";
    if (m_names.count(key)) return 0xFFFFFFFF;
    auto record = std::make_unique<SMeshDataCache>();
    record->pMesh = mesh;
    DWORD id;
    if (m_freeIds.empty()) {
        // 0xFFFFFFFF means "no id": the slots stop short of it.
        if (m_slots.size() >= 0xFFFFFFFFu) return 0xFFFFFFFF;
        id = static_cast<DWORD>(m_slots.size());
        m_slots.push_back(std::move(record));
    } else {
        id = m_freeIds.front();
        m_freeIds.pop_front();
        m_slots[id] = std::move(record);
    }
    if (mesh) {
        mesh->SetMeshID(id);
        mesh->SetMeshDataMng(this);
    }
    m_names[key] = id;
    return id;
}

void CMeshDataMng::ReleaseMeshData(CMeshDataBase* mesh)
{
    if (!m_bIsUsingCache || !mesh) return;
    const DWORD id = mesh->GetMeshID();
    for (auto it = m_names.begin(); it != m_names.end(); ++it)
        if (it->second == id) {
            m_names.erase(it);
            break;
        }
    ReleaseCachedData(id);
}

void CMeshDataMng::ReleaseCachedData(DWORD meshId)
{
    if (!Slot(meshId)) return;
    m_slots[meshId].reset();
    m_freeIds.push_back(meshId);
}

CMeshDataBase* CMeshDataMng::GetMeshData(const char* name)
{
    auto it = m_names.find(name ? name : "");
    if (it == m_names.end()) return nullptr;
    SMeshDataCache* slot = Slot(it->second);
    return slot ? slot->pMesh : nullptr;
}

CMeshDataBase* CMeshDataMng::GetMeshData(DWORD id)
{
    SMeshDataCache* slot = Slot(id);
    return slot ? slot->pMesh : nullptr;
}

DWORD CMeshDataMng::GetIndexByName(const char* name)
{
    auto it = m_names.find(name ? name : "");
    return it == m_names.end() ? 0xFFFFFFFF : it->second;
}

void CMeshDataMng::RegisterCallBack(PFN_MESHDATA_CALLBACK fn, const char* name, DWORD_PTR userValue)
{
    auto record = std::make_unique<SPfnRenderCallBackData>();
    record->strName = name ? name : "";
    record->dwUserValue = userValue;
    record->pfn = fn;
    // A counter that has come round skips the keys still in use.
    while (m_callbacks.count(m_dwCallBackCounter)) ++m_dwCallBackCounter;
    m_callbacks.emplace(m_dwCallBackCounter++, std::move(record));
}

void CMeshDataMng::NotifyCallBack(DWORD event, CMeshDataBase* mesh)
{
    m_dwEvent = event;
    m_pEventMesh = mesh;
    for (auto& [key, record] : m_callbacks)
        if (record->pfn) record->pfn(event, reinterpret_cast<DWORD_PTR>(mesh), record->dwUserValue, 0);
}

} // namespace Kestu
