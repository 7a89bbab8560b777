// Symbolic names of DirectX result codes, for log lines.
#pragma once
#include "windef.h"
#include "winerror.h"

// The code's name ("D3DERR_DEVICELOST", "E_OUTOFMEMORY", ...), or "Unknown".
// The text is static and never freed.
const char* DXGetErrorString8A(HRESULT hr);
#define DXGetErrorString8 DXGetErrorString8A
