#include "kestu_d3dformat.h"

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
