// CTextureList: new settings, rebuilding from the files, mip levels and level
// of detail, for the whole list or one texture.
#include "kestu_log.h"
#include "kestu_texture_list.h"
#include "core/util/SectionLock.h"

// Builds the entry's texture again from its file; the caller holds the lock.
HRESULT CTextureList::ReloadEntry(DWORD index, SNamedTexture* entry, const TEXTURE_CONFIG* cfg, int width, int height,
                                  DWORD usage)
{
    CTexture* texture = entry->pTexture;
    texture->Invalidate();
    texture->Release();
    HRESULT hr = texture->Build(m_pDevice, entry->pszName, cfg, width, height, usage, 0, 0xFFFFFFFF, 0);
    if (SUCCEEDED(hr)) hr = texture->Restore();
    if (FAILED(hr))
        KestuSaveLog(KESTU_LOG_ERROR, "Failed load texture%d(%s) for MeshAni !\n", static_cast<int>(index),
                     entry->pszName);
    return hr;
}

HRESULT CTextureList::SetCfgTexture(const TEXTURE_CONFIG* cfg)
{
    if (!cfg) return E_FAIL;
    m_CfgTexture = *cfg;
    if (!m_bBuilt) return 0;
    if (m_eMode == TEXTURELIST_MODE_MNG) return m_pMng ? m_pMng->SetCfgTexture(&m_CfgTexture) : E_FAIL;
    kestu::SectionLock guard(Section());
    HRESULT hr = 0;
    const DWORD count = m_pArray ? m_pArray->GetCount() : 0;
    for (DWORD i = 0; i < count; ++i) {
        SNamedTexture* entry = EntryAt(i);
        if (!entry || !entry->pTexture) continue;
        if (!entry->pTexture->IsBuilt()) {
            *entry->pTexture->GetCfgTexture() = m_CfgTexture;
            continue;
        }
        if (entry->IsHaveName()) hr = ReloadEntry(i, entry, &m_CfgTexture, -1, -1, entry->pTexture->GetUsage());
    }
    return hr;
}

HRESULT CTextureList::ReBuild()
{
    if (!m_bBuilt) return E_FAIL;
    if (m_eMode == TEXTURELIST_MODE_MNG) {
        if (m_pMng) m_pMng->Rebuild();
        return 0;
    }
    kestu::SectionLock guard(Section());
    HRESULT hr = 0;
    const DWORD count = m_pArray ? m_pArray->GetCount() : 0;
    for (DWORD i = 0; i < count; ++i) {
        SNamedTexture* entry = EntryAt(i);
        if (!entry || !entry->pTexture || !entry->IsHaveName() || !entry->pTexture->IsBuilt()) continue;
        const CTexture* texture = entry->pTexture;
        const TEXTURE_CONFIG own = *texture->GetCfgTexture();
        hr = ReloadEntry(i, entry, &own, static_cast<int>(texture->GetTexWidth()),
                         static_cast<int>(texture->GetTexHeight()), texture->GetUsage());
    }
    return hr;
}

HRESULT CTextureList::SetMipLevels(DWORD levels)
{
    HRESULT hr = 0;
    if (m_eMode == TEXTURELIST_MODE_MNG) {
        if (m_pMng) hr |= m_pMng->SetMipLevels(levels);
    } else {
        kestu::SectionLock guard(Section());
        const DWORD count = m_pArray ? m_pArray->GetCount() : 0;
        for (DWORD i = 0; i < count; ++i)
            if (CTexture* texture = TextureAt(i)) hr |= texture->SetMipLevels(levels);
    }
    m_CfgTexture.dwMipLevels = levels;
    return hr;
}

DWORD CTextureList::GetSetSingleMipLevels(DWORD n)
{
    kestu::SectionLock guard(Section());
    const CTexture* texture = TextureAt(n);
    return (texture && texture->IsBuilt()) ? texture->GetMipLevels() : 0xFFFFFFFF;
}

HRESULT CTextureList::SetSetSingleMipLevels(DWORD n, DWORD levels)
{
    kestu::SectionLock guard(Section());
    CTexture* texture = TextureAt(n);
    if (!texture || (m_eMode == TEXTURELIST_MODE_MNG && !texture->IsBuilt())) return E_FAIL;
    return texture->SetMipLevels(levels);
}

HRESULT CTextureList::SetSingleTexLOD(DWORD n, float lod)
{
    kestu::SectionLock guard(Section());
    CTexture* texture = TextureAt(n);
    return texture ? texture->SetLOD(lod) : E_FAIL;
}

float CTextureList::GetSingleTexLOD(DWORD n)
{
    kestu::SectionLock guard(Section());
    const CTexture* texture = TextureAt(n);
    if (!texture || (m_eMode == TEXTURELIST_MODE_MNG && !texture->IsBuilt())) return 1.0f;
    return texture->GetLOD();
}

HRESULT CTextureList::SetTexLOD(float lod)
{
    HRESULT hr = 0;
    if (m_eMode == TEXTURELIST_MODE_MNG) {
        const DWORD count = m_pMng ? m_pMng->GetNumItems() : 0;
        for (DWORD i = 0; i < count; ++i) {
            CTexture* texture = m_pMng->GetTextureByIndex(i);
            if (texture && texture->IsValid()) hr |= texture->SetLOD(lod);
        }
    } else if (m_CfgTexture.Pool == D3DPOOL_MANAGED) {
        kestu::SectionLock guard(Section());
        const DWORD count = m_pArray ? m_pArray->GetCount() : 0;
        for (DWORD i = 0; i < count; ++i) {
            CTexture* texture = TextureAt(i);
            if (texture && texture->IsValid()) hr |= texture->SetLOD(lod);
        }
    }
    m_CfgTexture.fLOD = lod;
    return hr;
}
