#include "kestu_d3dutil.h"
#include "ou_strings.h"

HRESULT D3DUtil_CreateTexture(IDirect3DDevice8* device, char* fileName, IDirect3DTexture8** texture, D3DFORMAT format)
{
    char path[260] = {};
    const HRESULT hr = DXUtil_FindMediaFileCb(path, sizeof(path), fileName);
    if (FAILED(hr)) return hr;
    return D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, format,
                                        D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                        D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, nullptr, nullptr, texture);
}
