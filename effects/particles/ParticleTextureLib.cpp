#include "effects/particles/ParticleTextureLib.h"

#if __has_include("kestu_texture_mng.h")
#include "kestu_texture_mng.h"

void ReloadOpenTextureLib(CTextureMng& textureMng, const char* path)
{
    if (textureMng.IsItemTableLoaded()) textureMng.ReLoadLib(path);
}
#else
// Until the texture manager is part of the engine no library can be open.
void ReloadOpenTextureLib(CTextureMng& textureMng, const char* path) {}
#endif
