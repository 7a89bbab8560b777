// The one place where the particle manager reaches into the texture manager.
#pragma once

class CTextureMng;

// Reloads the texture manager's library from path when it has one open.
void ReloadOpenTextureLib(CTextureMng& textureMng, const char* path);
