// Direct3D pixel format sizes and layouts.
#include "d3d8/format.h"

namespace kestu::d3d8 {

bool GetFormatInfo(D3DFORMAT format, FormatInfo& info)
{
    info = FormatInfo{};
    auto colour = [&](UINT bits, bool alpha) {
        info.bitsPerPixel = bits;
        info.alpha = alpha;
        info.color = true;
        return true;
    };
    switch (format) {
    case D3DFMT_A8R8G8B8: return colour(32, true);
    case D3DFMT_X8R8G8B8: return colour(32, false);
    case D3DFMT_R8G8B8: return colour(24, false);
    case D3DFMT_R5G6B5: return colour(16, false);
    case D3DFMT_X1R5G5B5: return colour(16, false);
    case D3DFMT_A1R5G5B5: return colour(16, true);
    case D3DFMT_A4R4G4B4: return colour(16, true);
    case D3DFMT_X4R4G4B4: return colour(16, false);
    case D3DFMT_R3G3B2: return colour(8, false);
    case D3DFMT_A8R3G3B2: return colour(16, true);
    case D3DFMT_A8: return colour(8, true);
    case D3DFMT_L8: return colour(8, false);
    case D3DFMT_A8L8: return colour(16, true);
    case D3DFMT_A4L4: return colour(8, true);
    case D3DFMT_A2B10G10R10: return colour(32, true);
    case D3DFMT_G16R16: return colour(32, false);
    case D3DFMT_P8: info.palettized = true; return colour(8, true);
    case D3DFMT_A8P8: info.palettized = true; return colour(16, true);
    case D3DFMT_DXT1:
        info.blockBytes = 8;
        info.alpha = true;
        info.color = true;
        return true;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        info.blockBytes = 16;
        info.alpha = true;
        info.color = true;
        return true;
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D16:
        info.bitsPerPixel = 16;
        info.depth = true;
        return true;
    case D3DFMT_D15S1:
        info.bitsPerPixel = 16;
        info.depth = info.stencil = true;
        return true;
    case D3DFMT_D32:
    case D3DFMT_D24X8:
        info.bitsPerPixel = 32;
        info.depth = true;
        return true;
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4:
        info.bitsPerPixel = 32;
        info.depth = info.stencil = true;
        return true;
    case D3DFMT_INDEX16: info.bitsPerPixel = 16; return true;
    case D3DFMT_INDEX32: info.bitsPerPixel = 32; return true;
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5: info.bitsPerPixel = 16; return true;
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_V16U16:
    case D3DFMT_W11V11U10:
    case D3DFMT_A2W10V10U10: info.bitsPerPixel = 32; return true;
    default: return false;
    }
}

bool IsCompressed(D3DFORMAT format)
{
    FormatInfo i;
    return GetFormatInfo(format, i) && i.blockBytes != 0;
}

bool IsDepthFormat(D3DFORMAT format)
{
    FormatInfo i;
    return GetFormatInfo(format, i) && i.depth;
}

UINT FormatPitch(D3DFORMAT format, UINT width)
{
    FormatInfo i;
    if (!GetFormatInfo(format, i)) return 0;
    if (i.blockBytes) return ((width + 3) / 4) * i.blockBytes;
    return width * (i.bitsPerPixel / 8);
}

UINT FormatRowCount(D3DFORMAT format, UINT height) { return IsCompressed(format) ? (height + 3) / 4 : height; }

UINT FormatSurfaceBytes(D3DFORMAT format, UINT width, UINT height)
{
    return FormatPitch(format, width) * FormatRowCount(format, height);
}

} // namespace kestu::d3d8
