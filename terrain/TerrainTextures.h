// How the terrains and their water reach the texture service: textures by id
// through the manager's item table (without a reference), or counted
// references taken and given back.
#pragma once
#include "d3d8.h"

class CTexture;
class CTextureMng;

IDirect3DBaseTexture8* TerrainTextureOf(const CTexture* texture);
// The texture's id, 0xFFFFFFFF without a texture.
DWORD TerrainTextureID(const CTexture* texture);
// The manager's texture of that id, or null; no reference is taken.
CTexture* TerrainTextureItem(const CTextureMng* manager, DWORD id);
// Null when the manager has no texture of that id.
IDirect3DBaseTexture8* TerrainTextureById(const CTextureMng* manager, DWORD id);
int TerrainTextureMngIsBuilt(const CTextureMng* manager);
// One counted reference with the engine's default texture request, or null.
CTexture* TerrainQueryTexture(CTextureMng* manager, DWORD id);
void TerrainReleaseTexture(CTextureMng* manager, DWORD id);
