#include "kestu_pixelformat.h"

constinit _RGB16 g_PixelFormat16Info = {};

int32_t _RGB16::mRed = 0;
int32_t _RGB16::mGreen = 0;
int32_t _RGB16::mBlue = 0;
int32_t _RGB16::pRed = 0;
int32_t _RGB16::pGreen = 0;
int32_t _RGB16::pBlue = 0;

_RGB16& _RGB16::operator=(const _RGB16&) = default;
_RGBMASK& _RGBMASK::operator=(const _RGBMASK&) = default;

WORD PackRGB565(BYTE r, BYTE g, BYTE b) { return static_cast<WORD>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); }

WORD PackRGB555(BYTE r, BYTE g, BYTE b) { return static_cast<WORD>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); }

WORD PackARGB1555(BYTE r, BYTE g, BYTE b, BYTE a)
{
    return static_cast<WORD>(PackRGB555(r, g, b) | (a > 128 ? 0x8000 : 0));
}

DWORD PackARGB(BYTE r, BYTE g, BYTE b, BYTE a) { return (DWORD(a) << 24) | (DWORD(r) << 16) | (DWORD(g) << 8) | b; }

DWORD PackRGB888(BYTE r, BYTE g, BYTE b) { return (DWORD(r) << 16) | (DWORD(g) << 8) | b; }

DWORD PackPixelByDepth(int targetDepth, int sourceDepth, BYTE r, BYTE g, BYTE b)
{
    if (sourceDepth != 24) return 0xFFFFFFFFu;
    switch (targetDepth) {
    case 15: return PackRGB555(r, g, b);
    case 16: return PackRGB565(r, g, b);
    case 32: return PackRGB888(r, g, b);
    default: return 0xFFFFFFFFu;
    }
}

void SplitRGB565(const WORD* pixel, int32_t& r, int32_t& g, int32_t& b)
{
    const WORD p = *pixel;
    r = p >> 11;
    g = (p >> 5) & 63;
    b = p & 31;
}

void SplitRGB555(const WORD* pixel, int32_t& r, int32_t& g, int32_t& b)
{
    const WORD p = *pixel;
    r = (p >> 10) & 31;
    g = (p >> 5) & 31;
    b = p & 31;
}

void SplitRGB888(const BYTE* pixel, int32_t& r, int32_t& g, int32_t& b)
{
    r = pixel[2];
    g = pixel[1];
    b = pixel[0];
}

void SplitPixelByDepth(const void* pixel, int depth, int32_t& r, int32_t& g, int32_t& b)
{
    switch (depth) {
    case 15: SplitRGB555(static_cast<const WORD*>(pixel), r, g, b); break;
    case 16: SplitRGB565(static_cast<const WORD*>(pixel), r, g, b); break;
    case 24:
    case 32: SplitRGB888(static_cast<const BYTE*>(pixel), r, g, b); break;
    default: break;
    }
}
