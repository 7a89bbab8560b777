// The pixel packing helpers and the channel masks of DirectDraw surfaces. The
// pixel-format codes (kestu_d3dformat.h) and the display description
// `hardware` (kestu_config.h) come along, so one include serves the 2D code.
#pragma once
#include <windows.h>
#include <d3d8types.h>

#include "kestu_config.h"
#include "kestu_d3dformat.h"
#include "kestu_export.h"

struct IDirectDrawSurface4;

// Channel layout of a 16-bit DirectDraw surface; channel bytes in the order blue, green, red.
struct KESTU_API _RGB16 {
    BYTE bMaxBlue, bMaxGreen, bMaxRed, bPad0;       // mask shifted down to bit 0
    BYTE bLossBlue, bLossGreen, bLossRed, bPad1;    // bits lost against 8 bits: 3 or 2
    BYTE bShiftBlue, bShiftGreen, bShiftRed, bPad2; // position of the mask's lowest bit
    DWORD dwMaskRed, dwMaskGreen, dwMaskBlue;

    _RGB16& operator=(const _RGB16& other);
    // Reads the channel masks of the surface's pixel format.
    void DDGetRGB16(IDirectDrawSurface4* surface);

    // Masks and shift positions of the last surface examined.
    static int32_t mRed, mGreen, mBlue;
    static int32_t pRed, pGreen, pBlue;
};
static_assert(sizeof(_RGB16) == 24, "_RGB16 is shared with the client");

extern KESTU_API _RGB16 g_PixelFormat16Info;

struct KESTU_API _RGBMASK {
    DWORD dwRed, dwGreen, dwBlue;
    _RGBMASK& operator=(const _RGBMASK& other);
};

// Packing: channels are reduced by shifting, never rounded.
KESTU_API WORD PackRGB565(BYTE r, BYTE g, BYTE b);
KESTU_API WORD PackRGB555(BYTE r, BYTE g, BYTE b);
KESTU_API WORD PackARGB1555(BYTE r, BYTE g, BYTE b, BYTE a); // alpha bit when a > 128
KESTU_API DWORD PackARGB(BYTE r, BYTE g, BYTE b, BYTE a);
KESTU_API DWORD PackRGB888(BYTE r, BYTE g, BYTE b);
// Converts a 24-bit colour to a 15, 16 or 32-bit pixel; anything else gives 0xFFFFFFFF.
KESTU_API DWORD PackPixelByDepth(int targetDepth, int sourceDepth, BYTE r, BYTE g, BYTE b);

// Splitting: channels come back at their own precision (5, 6 or 8 bits).
KESTU_API void SplitRGB565(const WORD* pixel, int32_t& r, int32_t& g, int32_t& b);
KESTU_API void SplitRGB555(const WORD* pixel, int32_t& r, int32_t& g, int32_t& b);
KESTU_API void SplitRGB888(const BYTE* pixel, int32_t& r, int32_t& g, int32_t& b);
// Depth 15, 16, 24 or 32; any other depth leaves r, g and b as they were.
KESTU_API void SplitPixelByDepth(const void* pixel, int depth, int32_t& r, int32_t& g, int32_t& b);
