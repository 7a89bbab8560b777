// Little-endian header fields of the BMP writers.
#pragma once

#include <cstdint>
#include <vector>

namespace kestu2d {

inline void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

// The 14-byte file header and the 40-byte info header of a bottom-up
// 24-bit picture with padded rows.
inline std::vector<uint8_t> Bmp24Headers(int width, int height)
{
    const uint32_t row = (uint32_t(width) * 3 + 3) & ~3u;
    const uint32_t image = row * uint32_t(height);
    std::vector<uint8_t> h;
    h.push_back('B');
    h.push_back('M');
    PutU32(h, 54 + image);
    PutU32(h, 0);
    PutU32(h, 54);
    PutU32(h, 40);
    PutU32(h, uint32_t(width));
    PutU32(h, uint32_t(height));
    PutU16(h, 1);
    PutU16(h, 24);
    PutU32(h, 0);
    PutU32(h, image);
    for (int i = 0; i < 4; ++i) PutU32(h, 0);
    return h;
}

// The 122-byte header with a version-4 info header. Negative rows: top-down.
inline std::vector<uint8_t> Bmp122Header(int width, int rows, int bits, uint32_t paletteBytes, uint32_t image)
{
    std::vector<uint8_t> h;
    h.push_back('B');
    h.push_back('M');
    PutU32(h, 122 + paletteBytes + image);
    PutU32(h, 0);
    PutU32(h, 122 + paletteBytes);
    PutU32(h, 108);
    PutU32(h, uint32_t(width));
    PutU32(h, uint32_t(rows));
    PutU16(h, 1);
    PutU16(h, uint32_t(bits));
    PutU32(h, 0);
    PutU32(h, image);
    h.resize(122, 0);
    return h;
}

}  // namespace kestu2d
