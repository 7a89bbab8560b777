#include "effects/particles/ParticleTextureLib.h"

#include "kestu_texture_mng.h"

void ReloadOpenTextureLib(CTextureMng& textureMng, const char* path)
{
    if (textureMng.IsItemTableLoaded()) textureMng.ReLoadLib(path);
}
