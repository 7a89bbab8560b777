// CTextureMng: loading entries into textures, unloading them, queries and
// releases by id and by index.
#include "kestu_log.h"
#include "kestu_texture_mng.h"
#include "core/util/SectionLock.h"

void CTextureMng::LogLoadFailure(const CTexture* texture) const
{
    KestuSaveLog(KESTU_LOG_ERROR, "Failed to Load Texture(%s) of lib=%s\n", texture->GetName(), m_szLibPathname);
}

// Reads the entry's bytes into the share buffer and builds the texture from
// them; the caller holds the lock.
HRESULT CTextureMng::LoadOne(CTexture* texture, IDirect3DDevice8* device, const TEXTURE_CONFIG* cfg, int width,
                             int height, DWORD usage, DWORD colorKey)
{
    const void* data = QueryItemDataToShareBufferByItem(texture);
    if (!data) return E_OUTOFMEMORY;
    const TEXTURE_CONFIG config = cfg ? *cfg : m_CfgTexture;
    HRESULT hr = texture->Build(device ? device : m_pDevice, data, texture->GetDataSize(), &config, width, height,
                                usage, colorKey, texture->GetID(), 0, 0);
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to build Texture named '%s'\n", texture->GetName());
        return hr;
    }
    hr = texture->Restore();
    ++m_dwLoadedTextures;
    if (FAILED(hr)) KestuSaveLog(KESTU_LOG_ERROR, "Error: Failed to Restore Texture named '%s'\n", texture->GetName());
    return hr;
}

HRESULT CTextureMng::LoadTextureByTexturePointer(CTexture* texture, IDirect3DDevice8* device, D3DFORMAT, int width,
                                                 int height, DWORD usage, DWORD, DWORD, DWORD colorKey,
                                                 const TEXTURE_CONFIG* cfg)
{
    if (!texture || texture->IsBuilt()) return E_FAIL;
    kestu::SectionLock guard(Section());
    return LoadOne(texture, device, cfg, width, height, usage, colorKey);
}

HRESULT CTextureMng::LoadTextureByIndex(DWORD index, IDirect3DDevice8* device, D3DFORMAT format, int width, int height,
                                        DWORD usage, DWORD filter, DWORD mipFilter, DWORD colorKey,
                                        const TEXTURE_CONFIG* cfg)
{
    kestu::SectionLock guard(Section());
    if (!m_bItemTableLoaded) return E_FAIL;
    return LoadTextureByTexturePointer(GetTextureByIndex(index), device, format, width, height, usage, filter,
                                       mipFilter, colorKey, cfg);
}

HRESULT CTextureMng::LoadTexture(DWORD id, IDirect3DDevice8* device, D3DFORMAT format, int width, int height,
                                 DWORD usage, DWORD filter, DWORD mipFilter, DWORD colorKey, const TEXTURE_CONFIG* cfg)
{
    kestu::SectionLock guard(Section());
    if (!m_bItemTableLoaded) {
        const HRESULT hr = Reload(1);
        if (FAILED(hr)) return hr;
    }
    const DWORD index = GetIndexFormID(id);
    if (index >= m_dwNumItems) return E_FAIL;
    return LoadTextureByIndex(index, device, format, width, height, usage, filter, mipFilter, colorKey, cfg);
}

// Builds every entry that is not built (with onlyReferenced, only those with
// a count above 0) in one run over the share buffer; the caller holds the
// lock. The result is that of the last entry tried.
HRESULT CTextureMng::LoadRun(IDirect3DDevice8* device, bool onlyReferenced, int width, int height, DWORD usage,
                             DWORD colorKey)
{
    HRESULT hr = QueryShareBuffer(KESTU_TEXTURE_SHARE_BUFFER, 2);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (!texture || texture->IsBuilt() || (onlyReferenced && texture->GetRef() < 1)) continue;
        hr = LoadOne(texture, device, nullptr, width, height, usage, colorKey);
        if (onlyReferenced && FAILED(hr)) LogLoadFailure(texture);
    }
    ReleaseItemDataShareBuffer();
    return hr;
}

HRESULT CTextureMng::LoadAllTexture(IDirect3DDevice8* device, D3DFORMAT, int width, int height, DWORD usage, DWORD,
                                    DWORD, DWORD colorKey)
{
    kestu::SectionLock guard(Section());
    UnloadAllTexture();
    if (!m_bItemTableLoaded) {
        const HRESULT hr = Reload(1);
        if (FAILED(hr)) return hr;
    }
    return LoadRun(device, false, width, height, usage, colorKey);
}

void CTextureMng::UnloadBuilt(CTexture* texture)
{
    if (!texture || !texture->IsBuilt()) return;
    texture->Invalidate();
    texture->Release();
    if (m_dwLoadedTextures > 0) --m_dwLoadedTextures;
}

HRESULT CTextureMng::UnloadTextureByTexturePointer(CTexture* texture)
{
    if (!texture) return E_FAIL;
    kestu::SectionLock guard(Section());
    UnloadBuilt(texture);
    return 0;
}

HRESULT CTextureMng::UnloadTextureByIndex(DWORD index)
{
    kestu::SectionLock guard(Section());
    return UnloadTextureByTexturePointer(GetTextureByIndex(index));
}

HRESULT CTextureMng::UnloadTexture(DWORD id)
{
    kestu::SectionLock guard(Section());
    return UnloadTextureByIndex(GetIndexFormID(id));
}

HRESULT CTextureMng::UnloadAllTexture()
{
    kestu::SectionLock guard(Section());
    for (DWORD i = 0; i < m_dwNumItems; ++i) UnloadBuilt(GetTextureByIndex(i));
    m_dwLoadedTextures = 0;
    m_Cache.clear();
    return 0;
}

CTexture* CTextureMng::QueryLocked(DWORD index, int bLoad, const TEXTURE_CONFIG* cfg, int width, int height,
                                   DWORD usage, DWORD colorKey)
{
    CTexture* texture = GetTextureByIndex(index);
    if (!texture) return nullptr;
    if (!texture->IsBuilt() && bLoad) {
        const HRESULT hr = LoadOne(texture, nullptr, cfg, width, height, usage, colorKey);
        if (FAILED(hr) && hr != D3DERR_DEVICELOST) {
            LogLoadFailure(texture);
            return nullptr;
        }
    }
    texture->AddRef();
    return texture;
}

CTexture* CTextureMng::QueryTextureByIndex(DWORD index, int bLoad, const TEXTURE_CONFIG* cfg, D3DFORMAT, int width,
                                           int height, DWORD usage, DWORD, DWORD, DWORD colorKey)
{
    if (!m_bBuilt) return nullptr;
    kestu::SectionLock guard(Section());
    return QueryLocked(index, bLoad, cfg, width, height, usage, colorKey);
}

CTexture* CTextureMng::QueryTexture(DWORD id, int bLoad, const TEXTURE_CONFIG* cfg, D3DFORMAT, int width, int height,
                                    DWORD usage, DWORD, DWORD, DWORD colorKey)
{
    if (!m_bBuilt) return nullptr;
    kestu::SectionLock guard(Section());
    return QueryLocked(GetIndexFormID(id), bLoad, cfg, width, height, usage, colorKey);
}

// The count changes under the lock like every other count change.
HRESULT CTextureMng::TryQueryLocked(DWORD index)
{
    CTexture* texture = GetTextureByIndex(index);
    if (!texture) return 1;
    if (!texture->IsBuilt()) return E_FAIL;
    if (texture->AddRef() == 1) CheckCacheLocked();
    return 0;
}

HRESULT CTextureMng::TryQueryTextureByIndex(DWORD index)
{
    kestu::SectionLock guard(Section());
    return TryQueryLocked(index);
}

HRESULT CTextureMng::TryQueryTexture(DWORD id)
{
    kestu::SectionLock guard(Section());
    return TryQueryLocked(GetIndexFormID(id));
}

int CTextureMng::ReleaseLocked(DWORD index, int bUnloadNow)
{
    CTexture* texture = GetTextureByIndex(index);
    if (!texture) return 0;
    const int count = texture->SubRef();
    if (count < 1 && texture->IsBuilt()) {
        if (!bUnloadNow && m_dwMaxCacheSize > 0) {
            PushToCache(texture);
            return count;
        }
        UnloadBuilt(texture);
        return 0;
    }
    return count;
}

int CTextureMng::ReleaseTextureByIndex(DWORD index, int bUnloadNow)
{
    kestu::SectionLock guard(Section());
    return ReleaseLocked(index, bUnloadNow);
}

int CTextureMng::ReleaseTexture(DWORD id, int bUnloadNow)
{
    kestu::SectionLock guard(Section());
    return ReleaseLocked(GetIndexFormID(id), bUnloadNow);
}
