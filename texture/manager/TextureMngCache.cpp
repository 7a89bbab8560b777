// CTextureMng's cache: textures released to 0 stay loaded, oldest first,
// up to the capacity.
#include "kestu_texture_mng.h"
#include "core/util/SectionLock.h"

void CTextureMng::PushToCache(CTexture* texture)
{
    if (m_dwMaxCacheSize == 0 || !texture) return;
    kestu::SectionLock guard(Section());
    if (!texture->IsBuilt()) return;
    // A texture released to 0 again moves to the back: an older entry of its
    // own must not evict it when the list runs over.
    std::erase(m_Cache, texture);
    m_Cache.push_back(texture);
    CheckCacheLocked();
}

void CTextureMng::CheckCache()
{
    if (m_dwMaxCacheSize == 0) return;
    kestu::SectionLock guard(Section());
    CheckCacheLocked();
}

void CTextureMng::CheckCacheLocked()
{
    if (m_dwMaxCacheSize == 0) return;
    std::erase_if(m_Cache, [](const CTexture* t) { return !t->IsBuilt() || t->GetRef() > 0; });
    while (m_Cache.size() > m_dwMaxCacheSize) {
        CTexture* oldest = m_Cache.front();
        m_Cache.pop_front();
        if (oldest->IsBuilt() && oldest->GetRef() < 1) UnloadBuilt(oldest);
    }
}

void CTextureMng::ClearCache()
{
    if (m_dwMaxCacheSize == 0) return;
    kestu::SectionLock guard(Section());
    for (CTexture* texture : m_Cache)
        if (texture->IsBuilt() && texture->GetRef() < 1) UnloadBuilt(texture);
    m_Cache.clear();
}
