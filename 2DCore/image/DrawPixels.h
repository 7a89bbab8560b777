// Per-pixel helpers of the DBUF drawing operations. Pixels are reached with
// memcpy: a subclass's memory carries no alignment promise.
#pragma once

#include <cstdint>
#include <cstring>

#include "2DCore/kernels/Unaligned.h"

namespace kestu2d {

using kestu::kernels::Load16;
using kestu::kernels::Load32;
using kestu::kernels::Store16;
using kestu::kernels::Store32;

inline void WritePixel(uint8_t* p, int format, int colour)
{
    const uint32_t c = static_cast<uint32_t>(colour);
    switch (format) {
    case 8: p[0] = static_cast<uint8_t>(c); break;
    case 15:
    case 16: Store16(p, static_cast<uint16_t>(c)); break;
    case 24:
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
        break;
    case 32: Store32(p, c); break;
    default: break;
    }
}

inline void FillPixels(uint8_t* row, int format, int colour, int n)
{
    switch (format) {
    case 8: std::memset(row, colour & 0xFF, size_t(n)); break;
    case 15:
    case 16: {
        const uint16_t v = static_cast<uint16_t>(colour);
        for (int i = 0; i < n; ++i) Store16(row + 2 * i, v);
        break;
    }
    case 24:
        for (int i = 0; i < n; ++i) WritePixel(row + 3 * i, 24, colour);
        break;
    case 32: {
        const uint32_t v = static_cast<uint32_t>(colour);
        for (int i = 0; i < n; ++i) Store32(row + 4 * i, v);
        break;
    }
    default: break;
    }
}

inline uint16_t Decline565(uint16_t p, int level)
{
    return static_cast<uint16_t>((((p & 0xF800) >> level) & 0xF800) | (((p & 0x07E0) >> level) & 0x07E0) |
                                 ((p & 0x001F) >> level));
}
inline uint16_t Decline555(uint16_t p, int level)
{
    return static_cast<uint16_t>((((p & 0x7C00) >> level) & 0x7C00) | (((p & 0x03E0) >> level) & 0x03E0) |
                                 ((p & 0x001F) >> level));
}
// Each colour byte shifted on its own; the top byte is kept.
inline uint32_t Decline32(uint32_t p, int level)
{
    const uint32_t b = (p & 0xFF) >> level, g = ((p >> 8) & 0xFF) >> level, r = ((p >> 16) & 0xFF) >> level;
    return (p & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

inline void DeclinePixels(uint8_t* row, int format, int level, int n)
{
    switch (format) {
    case 16:
        for (int i = 0; i < n; ++i) Store16(row + 2 * i, Decline565(Load16(row + 2 * i), level));
        break;
    case 15:
        for (int i = 0; i < n; ++i) Store16(row + 2 * i, Decline555(Load16(row + 2 * i), level));
        break;
    case 32:
        for (int i = 0; i < n; ++i) Store32(row + 4 * i, Decline32(Load32(row + 4 * i), level));
        break;
    default: break;
    }
}

// The fixed 32-pixel strip: a constant trip count the compiler unrolls.
inline void DeclinePixels32Wide(uint8_t* row, int format, int level) { DeclinePixels(row, format, level, 32); }

inline void ShadePixels(uint8_t* row, int format, const void* table, int shadeFormat, int n)
{
    if (format == 15 || format == 16) {
        if (shadeFormat == 32) return; // a 24-bit-indexed table has no 16-bit entries
        const uint16_t* t = static_cast<const uint16_t*>(table);
        for (int i = 0; i < n; ++i) Store16(row + 2 * i, t[Load16(row + 2 * i)]);
    } else if (format == 32) {
        for (int i = 0; i < n; ++i) {
            const uint32_t p = Load32(row + 4 * i);
            uint32_t rgb;
            if (shadeFormat == 32) {
                rgb = static_cast<const uint32_t*>(table)[p & 0xFFFFFF];
            } else {
                // Looked up at the table's 16-bit precision and widened back.
                const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                const uint16_t* t = static_cast<const uint16_t*>(table);
                if (shadeFormat == 15) {
                    const uint16_t s = t[((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)];
                    rgb = (((s >> 10) & 31u) << 19) | (((s >> 5) & 31u) << 11) | ((s & 31u) << 3);
                } else {
                    const uint16_t s = t[((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)];
                    rgb = (((s >> 11) & 31u) << 19) | (((s >> 5) & 63u) << 10) | ((s & 31u) << 3);
                }
            }
            Store32(row + 4 * i, (p & 0xFF000000u) | (rgb & 0xFFFFFF));
        }
    }
}

inline uint16_t Convert565To555(uint16_t p) { return static_cast<uint16_t>(((p >> 1) & 0x7FE0) | (p & 0x1F)); }
inline uint16_t Convert555To565(uint16_t p)
{
    return static_cast<uint16_t>((((p & 0xFFE0) << 1) | (p & 0x1F)) & 0xFFFF);
}
inline void ConvertPixels565To555(uint8_t* row, int n)
{
    for (int i = 0; i < n; ++i) Store16(row + 2 * i, Convert565To555(Load16(row + 2 * i)));
}
inline void ConvertPixels555To565(uint8_t* row, int n)
{
    for (int i = 0; i < n; ++i) Store16(row + 2 * i, Convert555To565(Load16(row + 2 * i)));
}

} // namespace kestu2d
