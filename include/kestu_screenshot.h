// Screenshots (24-bit BMP or JPEG under "ScreenShot\ScnNNNN"), the BMP
// writers and their buffer-size query.
#pragma once

#include <windows.h>
#include <d3d8types.h>
#include <ddraw.h>

#include "kestu_export.h"

class DBUF;

// The next free screenshot name; empty when the numbers are exhausted.
KESTU_API void MyGetFileName(char* name, int size, int jpeg);
// Creates every folder along the path (each prefix that ends before a '\').
KESTU_API void PrepareScreenShotFolder(const char* path);
// Writes a 16-bit picture (pitch in pixels) as a 24-bit BMP or a JPEG.
KESTU_API void SaveScreenToFile(const char* path, const WORD* pixels, int width, int height, int pitch, int jpeg);

KESTU_API int BMP_CopyScreen(IDirectDrawSurface4* surface, const char* path, int jpeg);
KESTU_API int BMP_CopyScreen(DBUF* buffer, const char* path, int jpeg);
KESTU_API int BMP_CopyScreen(IDirectDrawSurface4* surface, int jpeg);
KESTU_API int BMP_CopyScreen(DBUF* buffer, int jpeg);
// Saves a width x height copy of source under the next screenshot name.
KESTU_API int BMP_CopyScreen(IDirectDraw4* directDraw, IDirectDrawSurface4* source, int width, int height, int jpeg);

// A false-colour dump of the low bytes of a 16-bit buffer as an 8-bit BMP.
KESTU_API void SaveBMP(char* path, int width, int height, DBUF* buffer);
// A 565 buffer as a 24-bit BMP; scratch, when given, holds the whole file.
KESTU_API void SaveBMP24(char* path, int width, int height, DBUF* buffer, unsigned char* scratch);

// The scratch size Kestu_SaveBMP needs; 0 when it needs none.
KESTU_API DWORD Kestu_GetSaveBMPNeedBufferSize(DWORD width, DWORD height, DWORD pitch, D3DFORMAT format);
// 16-, 24- or 32-bit pixels as a top-down BMP; 0 or E_FAIL.
KESTU_API HRESULT Kestu_SaveBMP(const char* path, DWORD width, DWORD height, void* pixels, DWORD pitch,
                                D3DFORMAT format, unsigned char* scratch);

#if __has_include(<d3dx8tex.h>) && __has_include("kestu_api.h")
#include <d3dx8tex.h>
#define KESTU_HAS_BACKBUFFER_SAVE 1
// Saves (a part of) the engine device's back buffer: E_FAIL without device or path.
KESTU_API HRESULT GfxUtil_SaveBackBufferToFile(const char* path, D3DXIMAGE_FILEFORMAT format, const RECT* rect);
#endif
