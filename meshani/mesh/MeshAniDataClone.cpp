// Cloned containers of a GMA mesh: copies of its vertices a caller may change.
#include <new>

#include "kestu_meshanidata.h"

DWORD CMeshAniData::PrepareEmptyCloneContainerPos()
{
    const DWORD slots = GetNumCloneSlots();
    DWORD slot = GMA_NO_CLONE_SLOT;
    // The hint serves only while its slot is free.
    if (m_dwFreeSlotHint < slots && !m_ClonedContainers[m_dwFreeSlotHint]) {
        slot = m_dwFreeSlotHint;
    } else if (slots == 0 || m_dwNumCloned + 32 >= slots) {
        slot = slots;
    } else {
        for (DWORD i = 0; i < slots && slot == GMA_NO_CLONE_SLOT; ++i)
            if (!m_ClonedContainers[i]) slot = i;
        if (slot == GMA_NO_CLONE_SLOT) slot = slots;
    }
    if (slot >= slots) m_ClonedContainers.resize(slots + 512, nullptr);
    m_dwFreeSlotHint = slot + 1;
    return slot;
}

DWORD CMeshAniData::FindNoUseClonedContainerIndex() const
{
    if (m_dwNumCloned >= GetNumCloneSlots()) return GMA_NO_CLONE_SLOT;
    for (DWORD i = 0; i < GetNumCloneSlots(); ++i)
        if (!m_ClonedContainers[i]) return i;
    return GMA_NO_CLONE_SLOT;
}

HRESULT CMeshAniData::AddClone(CAniMeshContainer* source, DWORD* outIndex, LPGMACLONECALLBACK callback, void* user)
{
    SClonedContainerInfo* info = new (std::nothrow) SClonedContainerInfo;
    CAniMeshContainer* copy = new (std::nothrow) CAniMeshContainer;
    if (!info || !copy) {
        delete info;
        delete copy;
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = source->Clone(copy, callback, user);
    if (FAILED(hr)) {
        delete info;
        delete copy;
        return hr;
    }
    DWORD slot;
    try {
        slot = PrepareEmptyCloneContainerPos();
    } catch (const std::bad_alloc&) {
        delete info;
        delete copy;
        return E_OUTOFMEMORY;
    }
    info->pContainer = copy;
    m_ClonedContainers[slot] = info;
    ++m_dwNumCloned;
    if (outIndex) *outIndex = slot;
    return S_OK;
}

HRESULT CMeshAniData::CloneContainerFromRaw(DWORD* outIndex, LPGMACLONECALLBACK callback, void* user)
{
    if (!m_pContainer) return E_FAIL;
    return AddClone(m_pContainer, outIndex, callback, user);
}

HRESULT CMeshAniData::CloneContainerFromCloned(DWORD source, DWORD* outIndex, LPGMACLONECALLBACK callback, void* user)
{
    if (!m_pContainer) return E_FAIL;
    if (source == GMA_OWN_CONTAINER) return AddClone(m_pContainer, outIndex, callback, user);
    CAniMeshContainer* from = GetClonedContainer(source);
    if (!from || !from->IsBuilt()) return E_FAIL;
    return AddClone(from, outIndex, callback, user);
}

CAniMeshContainer* CMeshAniData::GetClonedContainer(DWORD i) const
{
    if (i >= GetNumCloneSlots() || !m_ClonedContainers[i]) return nullptr;
    return m_ClonedContainers[i]->pContainer;
}

HRESULT CMeshAniData::DestoryClonedContainer(DWORD i)
{
    if (i >= GetNumCloneSlots() || !m_ClonedContainers[i]) return S_FALSE;
    if (m_dwCurrContainerIndex == i) {
        m_pCurrContainer = m_pContainer;
        m_dwCurrContainerIndex = GMA_OWN_CONTAINER;
    }
    delete m_ClonedContainers[i]->pContainer;
    delete m_ClonedContainers[i];
    m_ClonedContainers[i] = nullptr;
    --m_dwNumCloned;
    return S_OK;
}

void CMeshAniData::DestoryAllClonedContainer()
{
    for (DWORD i = 0; i < GetNumCloneSlots(); ++i) DestoryClonedContainer(i);
    m_ClonedContainers.clear();
    m_dwNumCloned = 0;
    m_dwFreeSlotHint = GMA_NO_CLONE_SLOT;
}

HRESULT CMeshAniData::SetCurrentContainer(DWORD i)
{
    if (i == GMA_OWN_CONTAINER) {
        m_pCurrContainer = m_pContainer;
        m_dwCurrContainerIndex = GMA_OWN_CONTAINER;
        return S_OK;
    }
    if (i >= GetNumCloneSlots()) return S_FALSE;
    if (!m_ClonedContainers[i]) return E_FAIL;
    m_pCurrContainer = m_ClonedContainers[i]->pContainer;
    m_dwCurrContainerIndex = i;
    return S_OK;
}
