// Saving the engine device's back buffer through D3DX.
#include "kestu_screenshot.h"

#ifdef KESTU_HAS_BACKBUFFER_SAVE
#include "kestu_api.h"

HRESULT GfxUtil_SaveBackBufferToFile(const char* path, D3DXIMAGE_FILEFORMAT format, const RECT* rect)
{
    IDirect3DDevice8* device = Kestu_GetDevice();
    if (device == nullptr || path == nullptr) return E_FAIL;
    IDirect3DSurface8* back = nullptr;
    const HRESULT got = device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
    if (FAILED(got) || back == nullptr) return got;
    const HRESULT hr = D3DXSaveSurfaceToFileA(path, format, back, nullptr, rect);
    back->Release();
    return hr;
}

#endif
