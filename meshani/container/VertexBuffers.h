// Small vertex-buffer chores of the frame containers.
#pragma once
#include <windows.h>
#include <d3d8.h>

namespace gmavb {

// A new buffer of bytes size in pool; filled from data when data is given.
HRESULT Create(IDirect3DDevice8* device, UINT bytes, DWORD fvf, D3DPOOL pool, const void* data,
               IDirect3DVertexBuffer8** out);
// Copies bytes from one buffer into another.
HRESULT Copy(IDirect3DVertexBuffer8* from, IDirect3DVertexBuffer8* to, UINT bytes);
// Reads bytes of a buffer into out.
HRESULT Read(IDirect3DVertexBuffer8* from, void* out, UINT bytes);
inline void SafeRelease(IDirect3DVertexBuffer8*& vb)
{
    if (vb) vb->Release();
    vb = nullptr;
}

} // namespace gmavb
