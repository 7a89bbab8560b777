// The texture lookups of the terrain and its water.
#include "terrain/TerrainTextures.h"

#if __has_include("kestu_texture_mng.h")
#include "kestu_texture.h"
#include "kestu_texture_mng.h"

IDirect3DBaseTexture8* TerrainTextureOf(const CTexture* texture) { return texture ? texture->GetD3DTexture() : nullptr; }

IDirect3DBaseTexture8* TerrainTextureById(const CTextureMng* manager, DWORD id)
{
    if (!manager) return nullptr;
    const DWORD index = manager->GetIndexFormID(id);
    if (index >= manager->m_dwNumItems || !manager->m_ppItems[index]) return nullptr;
    return TerrainTextureOf(static_cast<const CTexture*>(manager->m_ppItems[index]));
}
#else
IDirect3DBaseTexture8* TerrainTextureOf(const CTexture*) { return nullptr; }
IDirect3DBaseTexture8* TerrainTextureById(const CTextureMng*, DWORD) { return nullptr; }
#endif
