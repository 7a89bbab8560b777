// Losing the shared device of the GMA tests after a draw, and asking what it
// still has bound.
#pragma once
#include "host/host_d3d8.h"
#include "meshani_device.h"

namespace gmatest {

inline void LoseDevice()
{
    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
}

// Whether stream 0 or the indices still hold a buffer.
inline bool BuffersBound(IDirect3DDevice8* device)
{
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    UINT stride = 0, base = 0;
    device->GetStreamSource(0, &vb, &stride);
    device->GetIndices(&ib, &base);
    const bool bound = vb || ib;
    if (vb) vb->Release();
    if (ib) ib->Release();
    return bound;
}

} // namespace gmatest
