// CTextureMng: applying reference counts, attaching textures built elsewhere,
// new settings, rebuilding, and both lost-device schemes.
#include "kestu_log.h"
#include "kestu_texture_mng.h"
#include "core/util/SectionLock.h"
#include "core/device/DeviceUnbind.h"

namespace {

// Every texture of the library runs its own Invalidate or Restore.
HRESULT OnEveryTexture(const CTextureMng& mng, HRESULT (CTexture::*op)())
{
    HRESULT hr = 0;
    for (DWORD i = 0; i < mng.GetNumItems(); ++i)
        if (CTexture* texture = mng.GetTextureByIndex(i)) hr |= (texture->*op)();
    return hr;
}

} // namespace

HRESULT CTextureMng::ApplyReferenceByIndex(DWORD index, const TEXTURE_CONFIG* cfg, D3DFORMAT, int width, int height,
                                           DWORD usage, DWORD, DWORD, DWORD colorKey)
{
    kestu::SectionLock guard(Section());
    CTexture* texture = GetTextureByIndex(index);
    if (!texture) return E_FAIL;
    if (texture->IsBuilt()) {
        if (texture->GetRef() > 0) return 1;
        UnloadBuilt(texture);
        return 0;
    }
    if (texture->GetRef() < 1) return 1;
    const HRESULT hr = LoadOne(texture, nullptr, cfg, width, height, usage, colorKey);
    if (FAILED(hr)) {
        LogLoadFailure(texture);
        return hr;
    }
    return 0;
}

HRESULT CTextureMng::ApplyReference(DWORD id, const TEXTURE_CONFIG* cfg, D3DFORMAT format, int width, int height,
                                    DWORD usage, DWORD filter, DWORD mipFilter, DWORD colorKey)
{
    kestu::SectionLock guard(Section());
    const DWORD index = GetIndexFormID(id);
    if (index >= m_dwNumItems) return E_FAIL;
    return ApplyReferenceByIndex(index, cfg, format, width, height, usage, filter, mipFilter, colorKey);
}

HRESULT CTextureMng::ApplyAllTexturesReference()
{
    if (!m_bBuilt) return E_FAIL;
    kestu::SectionLock guard(Section());
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (texture && texture->IsBuilt() && texture->GetRef() <= 0) UnloadBuilt(texture);
    }
    return LoadRun(nullptr, true, -1, -1, 0, 0);
}

HRESULT CTextureMng::AttachLoadedTexture(CTexture* texture, int addRef)
{
    if (!texture || !texture->IsBuilt() || texture->GetID() == 0xFFFFFFFF) return E_INVALIDARG;
    kestu::SectionLock guard(Section());
    CTexture* entry = GetTexture(texture->GetID());
    if (!entry) return E_FAIL;
    HRESULT result = 0;
    if (entry->IsBuilt()) {
        texture->Invalidate();
        texture->Release();
        result = 1;
    } else {
        const HRESULT hr = entry->Splice(texture);
        if (FAILED(hr)) return hr;
        // The entry is built now and is unloaded like any loaded texture.
        ++m_dwLoadedTextures;
    }
    entry->SetRef(entry->GetRef() + addRef);
    return result;
}

HRESULT CTextureMng::SetCfgTexture(const TEXTURE_CONFIG* cfg)
{
    if (!cfg) return E_FAIL;
    m_CfgTexture = *cfg;
    if (!m_bBuilt) return 0;
    kestu::SectionLock guard(Section());
    HRESULT hr = 0;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (!texture) continue;
        if (!texture->IsBuilt()) {
            *texture->GetCfgTexture() = m_CfgTexture;
            continue;
        }
        hr = ReloadTexture(texture, -1, -1, m_CfgTexture);
    }
    return hr;
}

// Unloads a built texture and loads it again by id with the manager's device,
// its own usage and the given size and settings; its count stays.
HRESULT CTextureMng::ReloadTexture(CTexture* texture, int width, int height, TEXTURE_CONFIG cfg)
{
    const int count = texture->GetRef();
    const DWORD usage = texture->GetUsage();
    UnloadBuilt(texture);
    const HRESULT hr = LoadTexture(texture->GetID(), m_pDevice, D3DFMT_UNKNOWN, width, height, usage, 4, 4, 0, &cfg);
    if (FAILED(hr)) LogLoadFailure(texture);
    texture->SetRef(count);
    return hr;
}

HRESULT CTextureMng::Rebuild()
{
    if (!m_bBuilt) return KESTUERR_GENERIC;
    kestu::SectionLock guard(Section());
    HRESULT hr = 0;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (!texture || !texture->IsBuilt()) continue;
        const int width = static_cast<int>(texture->GetTexWidth());
        const int height = static_cast<int>(texture->GetTexHeight());
        hr = ReloadTexture(texture, width, height, *texture->GetCfgTexture());
    }
    return hr;
}

HRESULT CTextureMng::Invalidate()
{
    if (!m_bBuilt) return KESTUERR_GENERIC;
    kestu::SectionLock guard(Section());
    if (m_CfgTexture.Pool != D3DPOOL_DEFAULT) return OnEveryTexture(*this, &CTexture::Invalidate);
    m_RefCounts.assign(m_dwNumItems, 0);
    m_bHasRefCounts = 1;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (!texture) continue;
        m_RefCounts[i] = static_cast<DWORD>(texture->GetRef());
        if (IDirect3DTexture8* d3d = texture->GetD3DTexture()) UnbindFromDevice(d3d);
        UnloadBuilt(texture);
    }
    return 0;
}

HRESULT CTextureMng::Restore()
{
    if (!m_bBuilt) return E_FAIL;
    kestu::SectionLock guard(Section());
    if (m_CfgTexture.Pool != D3DPOOL_DEFAULT) return OnEveryTexture(*this, &CTexture::Restore);
    if (!m_bHasRefCounts) return 0;
    for (DWORD i = 0; i < m_dwNumItems; ++i) {
        CTexture* texture = GetTextureByIndex(i);
        if (!texture) continue;
        UnloadBuilt(texture);
        texture->SetRef(i < m_RefCounts.size() ? static_cast<int>(m_RefCounts[i]) : 0);
    }
    const HRESULT hr = LoadRun(nullptr, true, -1, -1, 0, 0);
    m_RefCounts.clear();
    m_bHasRefCounts = 0;
    return hr;
}
