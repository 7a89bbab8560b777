#include "kestu_pixelformat.h"

constinit SHardware hardware;
constinit _RGB16 g_PixelFormat16Info = {};

int32_t _RGB16::mRed = 0;
int32_t _RGB16::mGreen = 0;
int32_t _RGB16::mBlue = 0;
int32_t _RGB16::pRed = 0;
int32_t _RGB16::pGreen = 0;
int32_t _RGB16::pBlue = 0;

SHardware& SHardware::operator=(const SHardware&) = default;
_RGB16& _RGB16::operator=(const _RGB16&) = default;
_RGBMASK& _RGBMASK::operator=(const _RGBMASK&) = default;

WORD PackRGB565(BYTE r, BYTE g, BYTE b)
{
    return static_cast<WORD>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

WORD PackRGB555(BYTE r, BYTE g, BYTE b)
{
    return static_cast<WORD>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

WORD PackARGB1555(BYTE r, BYTE g, BYTE b, BYTE a)
{
    return static_cast<WORD>(PackRGB555(r, g, b) | (a > 128 ? 0x8000 : 0));
}

DWORD PackARGB(BYTE r, BYTE g, BYTE b, BYTE a)
{
    return (DWORD(a) << 24) | (DWORD(r) << 16) | (DWORD(g) << 8) | b;
}

DWORD PackRGB888(BYTE r, BYTE g, BYTE b)
{
    return (DWORD(r) << 16) | (DWORD(g) << 8) | b;
}

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

namespace {

struct FormatRow {
    D3DFORMAT format;
    DWORD bitCount;
    PIXELFORMAT pixelFormat;
    DWORD colorKey;
};

// The order matters for FormatFromBitDepth: code 16 must find R5G6B5 before A4R4G4B4.
constexpr FormatRow kFormatRows[] = {
    {D3DFMT_R8G8B8, 24, PIXELFORMAT_RGB888, 0},
    {D3DFMT_A8R8G8B8, 32, PIXELFORMAT_A8R8G8B8, 0xFFFF00FFu},
    {D3DFMT_X8R8G8B8, 32, PIXELFORMAT_XRGB8888, 0xFFFF00FFu},
    {D3DFMT_R5G6B5, 16, PIXELFORMAT_RGB565, 0xF81Fu},
    {D3DFMT_X1R5G5B5, 16, PIXELFORMAT_RGB555, 0x7C1Fu},
    {D3DFMT_A1R5G5B5, 16, PIXELFORMAT_A1R5G5B5, 0xFC1Fu},
    {D3DFMT_A4R4G4B4, 16, PIXELFORMAT_RGB565, 0},
    {D3DFMT_P8, 8, PIXELFORMAT_P8, 0},
    {D3DFMT_D16_LOCKABLE, 16, PIXELFORMAT_D16_LOCKABLE, 0},
    {D3DFMT_D32, 32, PIXELFORMAT_D32, 0},
    {D3DFMT_D15S1, 16, PIXELFORMAT_D15S1, 0},
    {D3DFMT_D24S8, 32, PIXELFORMAT_D24S8, 0},
    {D3DFMT_D24X8, 32, PIXELFORMAT_D24X8, 0},
    {D3DFMT_D24X4S4, 32, PIXELFORMAT_D24X4S4, 0},
    {D3DFMT_D16, 16, PIXELFORMAT_D16, 0},
};

const FormatRow* FindFormat(D3DFORMAT format)
{
    for (const FormatRow& row : kFormatRows)
        if (row.format == format) return &row;
    return nullptr;
}

} // namespace

DWORD GetBitCountByD3DFormat(D3DFORMAT format)
{
    const FormatRow* row = FindFormat(format);
    return row ? row->bitCount : 0;
}

PIXELFORMAT GetPixelFormatByD3DFormat(D3DFORMAT format)
{
    const FormatRow* row = FindFormat(format);
    return row ? row->pixelFormat : PIXELFORMAT_UNKNOWN;
}

DWORD GetColorKeyByD3DFormat(D3DFORMAT format)
{
    const FormatRow* row = FindFormat(format);
    return row ? row->colorKey : 0;
}

D3DFORMAT FormatFromBitDepth(PIXELFORMAT pixelFormat)
{
    for (const FormatRow& row : kFormatRows)
        if (row.pixelFormat == pixelFormat) return row.format;
    return D3DFMT_UNKNOWN;
}
