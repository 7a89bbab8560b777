// How the terrain and its water reach the Direct3D textures of the texture
// service: by id through the manager's item table, without a reference.
#pragma once
#include "d3d8.h"

class CTexture;
class CTextureMng;

IDirect3DBaseTexture8* TerrainTextureOf(const CTexture* texture);
// Null when the manager has no texture of that id.
IDirect3DBaseTexture8* TerrainTextureById(const CTextureMng* manager, DWORD id);
