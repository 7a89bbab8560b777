#include "meshani/container/VertexBuffers.h"

#include <cstring>

namespace gmavb {

HRESULT Create(IDirect3DDevice8* device, UINT bytes, DWORD fvf, D3DPOOL pool, const void* data,
               IDirect3DVertexBuffer8** out)
{
    *out = nullptr;
    if (!device || bytes == 0) return E_INVALIDARG;
    IDirect3DVertexBuffer8* vb = nullptr;
    HRESULT hr = device->CreateVertexBuffer(bytes, 0, fvf, pool, &vb);
    if (FAILED(hr)) return hr;
    if (data) {
        BYTE* p = nullptr;
        hr = vb->Lock(0, bytes, &p, 0);
        if (FAILED(hr)) {
            vb->Release();
            return hr;
        }
        std::memcpy(p, data, bytes);
        vb->Unlock();
    }
    *out = vb;
    return S_OK;
}

HRESULT Copy(IDirect3DVertexBuffer8* from, IDirect3DVertexBuffer8* to, UINT bytes)
{
    if (!from || !to) return E_FAIL;
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    HRESULT hr = from->Lock(0, bytes, &src, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    hr = to->Lock(0, bytes, &dst, 0);
    if (SUCCEEDED(hr)) {
        std::memcpy(dst, src, bytes);
        to->Unlock();
    }
    from->Unlock();
    return hr;
}

HRESULT Read(IDirect3DVertexBuffer8* from, void* out, UINT bytes)
{
    if (!from) return E_FAIL;
    BYTE* src = nullptr;
    const HRESULT hr = from->Lock(0, bytes, &src, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    std::memcpy(out, src, bytes);
    from->Unlock();
    return S_OK;
}

} // namespace gmavb
