// The texture lookups of the terrains and their water.
#include "terrain/TerrainTextures.h"

#include "kestu_texture.h"
#include "kestu_texture_mng.h"

IDirect3DBaseTexture8* TerrainTextureOf(const CTexture* texture)
{
    return texture ? texture->GetD3DTexture() : nullptr;
}

DWORD TerrainTextureID(const CTexture* texture) { return texture ? texture->GetID() : 0xFFFFFFFF; }

CTexture* TerrainTextureItem(const CTextureMng* manager, DWORD id)
{
    return manager ? manager->GetTexture(id) : nullptr;
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

IDirect3DBaseTexture8* TerrainTextureById(const CTextureMng* manager, DWORD id)
{
    return TerrainTextureOf(TerrainTextureItem(manager, id));
}
