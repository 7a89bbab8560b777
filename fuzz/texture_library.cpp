// Any bytes as a texture library: the manager builds over it, loads every
// entry (each entry's bytes go through the texture's image build), queries,
// releases and applies references. The first byte picks the settings.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "d3d8.h"
#include "fuzz_device.h"
#include "kestu_texture_mng.h"

namespace {

TEXTURE_CONFIG Settings(uint8_t pick)
{
    TEXTURE_CONFIG cfg;
    cfg.dwDropLevels = pick & 3;
    cfg.dwFilter = (pick & 4) ? D3DX_FILTER_NONE : D3DX_FILTER_LINEAR;
    cfg.bAlpha = (pick >> 3) & 1;
    cfg.bCompressed = (pick >> 4) & 1;
    cfg.Pool = (pick & 32) ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    cfg.fLOD = (pick & 64) ? 0.5f : 1.0f;
    cfg.dwMipLevels = (pick & 128) ? 2 : D3DX_DEFAULT;
    return cfg;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IDirect3DDevice8* dev = FuzzDevice();
    if (!dev || size < 1) return 0;
    char path[] = "/tmp/kestu_fuzz_texture_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(path);
        return 0;
    }
    if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    const TEXTURE_CONFIG cfg = Settings(data[0]);
    CTextureMng mng;
    // A library with a bad entry builds with that entry's failure as its result.
    mng.Build(dev, path, &cfg, 1, 0, 0, 1, 2);
    if (mng.IsBuilt()) {
        for (DWORD i = 0; i < mng.GetNumItems(); ++i) {
            CTexture* tex = mng.QueryTextureByIndex(i);
            if (tex && tex->IsBuilt() && (tex->GetTexWidth() == 0 || !tex->IsValid())) std::abort();
        }
        mng.Invalidate();
        mng.Restore();
        for (DWORD i = 0; i < mng.GetNumItems(); ++i) mng.ReleaseTextureByIndex(i);
        mng.ApplyAllTexturesReference();
        if (mng.GetLoadedTextures() > mng.GetNumItems()) std::abort();
    }
    mng.Release();
    unlink(path);
    return 0;
}
