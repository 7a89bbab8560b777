// Lets go of what the device still has bound of a resource. An owner calls it
// before it releases a default-pool resource in Invalidate, so the device
// keeps no stream, index or texture binding to it across a reset.
#pragma once
#include <d3d8.h>

void UnbindFromDevice(IDirect3DVertexBuffer8* vb);
void UnbindFromDevice(IDirect3DIndexBuffer8* ib);
void UnbindFromDevice(IDirect3DBaseTexture8* texture);
