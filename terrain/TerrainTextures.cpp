// The texture lookups of the terrains and their water.
#include "terrain/TerrainTextures.h"

#if __has_include("kestu_texture_mng.h")
#include "kestu_texture.h"
#include "kestu_texture_mng.h"

IDirect3DBaseTexture8* TerrainTextureOf(const CTexture* texture) { return texture ? texture->GetD3DTexture() : nullptr; }

DWORD TerrainTextureID(const CTexture* texture) { return texture ? texture->GetID() : 0xFFFFFFFF; }

CTexture* TerrainTextureItem(const CTextureMng* manager, DWORD id)
{
    if (!manager) return nullptr;
    const DWORD index = manager->GetIndexFormID(id);
    if (index >= manager->m_dwNumItems || !manager->m_ppItems[index]) return nullptr;
    return static_cast<CTexture*>(manager->m_ppItems[index]);
}

int TerrainTextureMngIsBuilt(const CTextureMng* manager) { return manager && manager->IsBuilt(); }

CTexture* TerrainQueryTexture(CTextureMng* manager, DWORD id)
{
    return manager ? manager->QueryTexture(id, 1, nullptr, D3DFMT_UNKNOWN, -1, -1, 0, 4, 4, 0) : nullptr;
}

void TerrainReleaseTexture(CTextureMng* manager, DWORD id)
{
    if (manager) manager->ReleaseTexture(id, 1);
}
#else
IDirect3DBaseTexture8* TerrainTextureOf(const CTexture*) { return nullptr; }
DWORD TerrainTextureID(const CTexture*) { return 0xFFFFFFFF; }
CTexture* TerrainTextureItem(const CTextureMng*, DWORD) { return nullptr; }
int TerrainTextureMngIsBuilt(const CTextureMng* manager) { return manager != nullptr; }
CTexture* TerrainQueryTexture(CTextureMng*, DWORD) { return nullptr; }
void TerrainReleaseTexture(CTextureMng*, DWORD) {}
#endif

IDirect3DBaseTexture8* TerrainTextureById(const CTextureMng* manager, DWORD id)
{
    return TerrainTextureOf(TerrainTextureItem(manager, id));
}
