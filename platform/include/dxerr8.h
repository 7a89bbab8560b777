// Symbolic names of DirectX result codes, for log lines.
#pragma once
#include "kestu_platform_api.h"
#include "windef.h"

// "D3DERR_DEVICELOST", "E_OUTOFMEMORY", "D3DXERR_INVALIDDATA", "DDERR_SURFACELOST" ...;
// "Unknown" for a code without a name. Where Direct3D and DirectDraw share a
// value the Direct3D name is given.
KESTU_PLATFORM_API const char* DXGetErrorString8A(HRESULT hr);
#define DXGetErrorString8 DXGetErrorString8A
