// Direct3D pixel formats: sizes, layouts and conversion to and from A8R8G8B8.
// Shared by the device and the D3DX image code.
#pragma once
#include <cstdint>

#include "d3d8types.h"

namespace kestu::d3d8 {

struct FormatInfo {
    UINT bitsPerPixel = 0; // 0 for block-compressed formats
    UINT blockBytes = 0;   // bytes per 4x4 block for DXT formats, else 0
    bool depth = false;
    bool stencil = false;
    bool alpha = false;
    bool palettized = false;
    bool color = false; // usable as a texture of colours (decodable)
};

// False for formats the stand-in does not know.
bool GetFormatInfo(D3DFORMAT format, FormatInfo& info);
bool IsCompressed(D3DFORMAT format);
bool IsDepthFormat(D3DFORMAT format);
// Bytes from one row (one row of 4x4 blocks for DXT) to the next.
UINT FormatPitch(D3DFORMAT format, UINT width);
// Rows of the pitch above that a surface of the height spans.
UINT FormatRowCount(D3DFORMAT format, UINT height);
UINT FormatSurfaceBytes(D3DFORMAT format, UINT width, UINT height);

// One row of `count` pixels to A8R8G8B8; formats without alpha give 0xFF.
// `palette` (256 A8R8G8B8 entries) is used for P8 and A8P8 and may be null.
void DecodeRow(D3DFORMAT format, const uint8_t* src, uint32_t* dst, UINT count, const uint32_t* palette);
// One row of A8R8G8B8 to the format (rounded to the nearest representable value).
void EncodeRow(D3DFORMAT format, const uint32_t* src, uint8_t* dst, UINT count);
// A whole surface (any decodable format, DXT included) to A8R8G8B8 rows of `width`.
bool DecodeSurface(D3DFORMAT format, const uint8_t* bits, UINT pitch, UINT width, UINT height, uint32_t* dst,
                   const uint32_t* palette);
// One 4x4 block of DXT1..DXT5 to 16 A8R8G8B8 texels, row by row.
void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]);

} // namespace kestu::d3d8
