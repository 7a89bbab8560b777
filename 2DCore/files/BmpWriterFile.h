// Little-endian header fields of the BMP writers.
#pragma once

#include <cstdint>
#include <vector>

#include "kestu_bytes.h"

namespace kestu2d {

// The 14-byte file header and the 40-byte info header of a bottom-up
// 24-bit picture with padded rows.
inline std::vector<uint8_t> Bmp24Headers(int width, int height)
{
    const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t image = row * uint32_t(height);
    std::vector<uint8_t> h;
    kestu::ByteWriter w(h);
    w.U8('B');
    w.U8('M');
    w.U32(54 + image);
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.U32(uint32_t(width));
    w.U32(uint32_t(height));
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(image);
    w.Zeros(16);
    return h;
}

// The 122-byte header with a version-4 info header. Negative rows: top-down.
inline std::vector<uint8_t> Bmp122Header(int width, int rows, int bits, uint32_t paletteBytes, uint32_t image)
{
    std::vector<uint8_t> h;
    kestu::ByteWriter w(h);
    w.U8('B');
    w.U8('M');
    w.U32(122 + paletteBytes + image);
    w.U32(0);
    w.U32(122 + paletteBytes);
    w.U32(108);
    w.U32(uint32_t(width));
    w.U32(uint32_t(rows));
    w.U16(1);
    w.U16(uint16_t(bits));
    w.U32(0);
    w.U32(image);
    w.Zeros(122 - w.size());
    return h;
}

} // namespace kestu2d
