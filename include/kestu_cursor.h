// Copies a Windows cursor into a Direct3D device's cursor image.
#pragma once
#include <windows.h>
#include <d3d8.h>

#include "kestu_export.h"

// addMark ORs a small grey mark into the top-left corner of the image.
KESTU_API HRESULT D3DUtil_SetDeviceCursor(IDirect3DDevice8* device, HCURSOR cursor, BOOL addMark);
