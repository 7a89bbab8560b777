// CTextureList: loading textures by file name, unloading them, and reaching
// them by index (array mode) or id (manager mode).
#include <new>

#include "kestu_log.h"
#include "kestu_texture_list.h"
#include "core/util/SectionLock.h"

namespace {

void DestroyTexture(CTexture* texture)
{
    if (!texture) return;
    texture->Invalidate();
    texture->Release();
    delete texture;
}

} // namespace

HRESULT CTextureList::LoadTexture(DWORD* outIndex, const char* fileName, const TEXTURE_CONFIG* cfg, int bLoad)
{
    if (!outIndex || !fileName) return E_FAIL;
    if (!cfg) cfg = &m_CfgTexture;
    *outIndex = 0xFFFFFFFF;

    if (m_eMode == TEXTURELIST_MODE_MNG) {
        const DWORD index = m_pMng ? m_pMng->FindIndexByItemName(fileName) : IDXLIB_NONE;
        const CTexture* texture = nullptr;
        if (index < (m_pMng ? m_pMng->GetNumItems() : 0)) {
            *outIndex = m_pMng->GetItem(index)->GetID();
            texture = m_pMng->QueryTextureByIndex(index, bLoad, cfg);
        }
        if (texture) return 0;
        KestuSaveLog(KESTU_LOG_ERROR, "Failed load texture(%s) for MeshAni !\n", fileName);
        return E_FAIL;
    }

    if (!m_pArray) return 0;
    kestu::SectionLock guard(Section());
    const DWORD count = m_pArray->GetCount();
    for (DWORD i = 0; i < count; ++i) {
        const SNamedTexture* entry = EntryAt(i);
        if (entry && entry->IsSame(fileName)) {
            *outIndex = i;
            return 0;
        }
    }
    CTexture* texture = new (std::nothrow) CTexture;
    if (!texture) return E_OUTOFMEMORY;
    HRESULT hr = texture->Build(m_pDevice, fileName, cfg, -1, -1, 0, 0, 0xFFFFFFFF, 0);
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Failed load texture%d(%s) for MeshAni !\n", static_cast<int>(count), fileName);
        DestroyTexture(texture);
        return hr;
    }
    hr = texture->Restore();
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Failed restore texture%d(%s) for MeshAni !\n", static_cast<int>(count),
                     fileName);
        DestroyTexture(texture);
        return hr;
    }
    SNamedTexture* entry = new (std::nothrow) SNamedTexture(texture, fileName);
    const DWORD index = entry ? m_pArray->InsertPointerGrow(entry) : 0xFFFFFFFF;
    if (!entry || !entry->IsHaveName() || index == 0xFFFFFFFF) {
        delete entry;
        DestroyTexture(texture);
        return E_OUTOFMEMORY;
    }
    *outIndex = index;
    texture->SetID(index);
    return 0;
}

CTexture* CTextureList::QueryTexture(DWORD id, const TEXTURE_CONFIG* cfg, int bLoad)
{
    if (m_eMode != TEXTURELIST_MODE_MNG || !m_pMng || id == 0xFFFFFFFF) return nullptr;
    return m_pMng->QueryTexture(id, bLoad, cfg);
}

int CTextureList::ReleaseTexture(DWORD id, int bUnloadNow)
{
    if (m_eMode != TEXTURELIST_MODE_MNG || !m_pMng || id == 0xFFFFFFFF) return E_FAIL;
    return m_pMng->ReleaseTexture(id, bUnloadNow);
}

HRESULT CTextureList::ApplyAllTexturesReference() { return m_pMng ? m_pMng->ApplyAllTexturesReference() : E_FAIL; }

// The entry's slot is emptied but kept, so no other index moves and no later
// load takes this one.
void CTextureList::DeleteEntry(DWORD index)
{
    SNamedTexture* entry = EntryAt(index);
    if (!entry) return;
    DestroyTexture(entry->pTexture);
    delete entry;
    m_pArray->m_ppData[index] = nullptr;
}

HRESULT CTextureList::UnloadTexture(DWORD index, int flag)
{
    if (m_eMode == TEXTURELIST_MODE_MNG) {
        if (m_pMng) m_pMng->ReleaseTexture(index, flag);
        return 0;
    }
    kestu::SectionLock guard(Section());
    if (!EntryAt(index)) return E_FAIL;
    DeleteEntry(index);
    return 0;
}

HRESULT CTextureList::UnloadAllTexture()
{
    if (m_eMode == TEXTURELIST_MODE_MNG) return m_pMng ? m_pMng->UnloadAllTexture() : 0;
    if (!m_pArray) return 0;
    kestu::SectionLock guard(Section());
    const DWORD count = m_pArray->GetCount();
    for (DWORD i = 0; i < count; ++i) DeleteEntry(i);
    m_pArray->RemoveAllPointer();
    return 0;
}

DWORD CTextureList::GetNumTextures()
{
    if (m_eMode == TEXTURELIST_MODE_MNG) return m_pMng ? m_pMng->GetLoadedTextures() : 0;
    kestu::SectionLock guard(Section());
    DWORD n = 0;
    const DWORD count = m_pArray ? m_pArray->GetCount() : 0;
    for (DWORD i = 0; i < count; ++i)
        if (TextureAt(i)) ++n;
    return n;
}

CTexture* CTextureList::GetTexture(DWORD n)
{
    kestu::SectionLock guard(Section());
    return TextureAt(n);
}

IDirect3DTexture8* CTextureList::GetD3DTexture(DWORD n)
{
    kestu::SectionLock guard(Section());
    const CTexture* texture = TextureAt(n);
    return (texture && texture->IsBuilt()) ? texture->GetD3DTexture() : nullptr;
}

SNamedTexture* CTextureList::GetNamedTexture(DWORD index)
{
    if (m_eMode != TEXTURELIST_MODE_ARRAY) return nullptr;
    kestu::SectionLock guard(Section());
    return EntryAt(index);
}
