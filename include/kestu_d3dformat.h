// The engine's pixel-format codes and their mappings to D3DFORMAT.
#pragma once
#include <windows.h>
#include <d3d8types.h>

#include "kestu_export.h"

// The engine's pixel-format codes.
typedef int32_t PIXELFORMAT;
#define PIXELFORMAT_P8 8
#define PIXELFORMAT_RGB555 15
#define PIXELFORMAT_RGB565 16
#define PIXELFORMAT_RGB888 24
#define PIXELFORMAT_XRGB8888 32
#define PIXELFORMAT_A1R5G5B5 101015
#define PIXELFORMAT_D16 101016
#define PIXELFORMAT_D32 101032
#define PIXELFORMAT_D15S1 102016
#define PIXELFORMAT_A8R8G8B8 102032
#define PIXELFORMAT_D16_LOCKABLE 103016
#define PIXELFORMAT_D24X8 103032
#define PIXELFORMAT_D24S8 104032
#define PIXELFORMAT_D24X4S4 105032
#define PIXELFORMAT_UNKNOWN 105033

// D3DFORMAT mappings.
KESTU_API DWORD GetBitCountByD3DFormat(D3DFORMAT format);          // 0 for unknown formats
KESTU_API PIXELFORMAT GetPixelFormatByD3DFormat(D3DFORMAT format); // PIXELFORMAT_UNKNOWN for unknown formats
KESTU_API DWORD GetColorKeyByD3DFormat(D3DFORMAT format);          // the format's magenta, or 0
KESTU_API D3DFORMAT FormatFromBitDepth(PIXELFORMAT pixelFormat);   // D3DFMT_UNKNOWN for unknown codes
