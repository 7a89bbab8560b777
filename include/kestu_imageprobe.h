// Cheap queries of picture sizes from BMP and TGA headers.
#pragma once

#include <windows.h>

#include <cstddef>

#include "kestu_export.h"
#include "kestu_log.h"

// From a file: 0, 0x8200010E (cannot open), 0x82000112 (header unreadable) or E_FAIL (zero size).
KESTU_API HRESULT GfxUtil_GetBmpSize(DWORD& width, DWORD& height, const char* path);
KESTU_API HRESULT GfxUtil_GetTgaSize(DWORD& width, DWORD& height, const char* path);
// By the path's last three characters: "BMP" or "TGA"; any other gives E_FAIL.
KESTU_API HRESULT GfxUtil_GetImageSize(DWORD& width, DWORD& height, const char* path);

// From a file's bytes in memory: 0x82000109 for null data. The forms without
// a size trust the caller to pass at least the header (26 bytes of BMP, 18 of TGA);
// the sized forms answer 0x82000112 for shorter data.
KESTU_API HRESULT GfxUtil_GetBmpSize(DWORD& width, DWORD& height, const BYTE* data);
KESTU_API HRESULT GfxUtil_GetTgaSize(DWORD& width, DWORD& height, const BYTE* data);
KESTU_API HRESULT GfxUtil_GetImageSize(DWORD& width, DWORD& height, const BYTE* data);
KESTU_API HRESULT GfxUtil_GetBmpSize(DWORD& width, DWORD& height, const BYTE* data, size_t size);
KESTU_API HRESULT GfxUtil_GetTgaSize(DWORD& width, DWORD& height, const BYTE* data, size_t size);
KESTU_API HRESULT GfxUtil_GetImageSize(DWORD& width, DWORD& height, const BYTE* data, size_t size);

// The smallest power of two, from 1 up, at least width and height.
KESTU_API DWORD GfxUtil_FindMinSizeForTexture(DWORD width, DWORD height);
