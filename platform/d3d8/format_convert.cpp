// Pixel conversion between Direct3D formats and A8R8G8B8.
#include <cstring>

#include "d3d8/format.h"

namespace kestu::d3d8 {
namespace {

// n-bit channel to 8 bits and back, both rounded, so a round trip is exact.
inline uint32_t Expand(uint32_t v, uint32_t max) { return (v * 255 + max / 2) / max; }
inline uint32_t Reduce(uint32_t v8, uint32_t max) { return (v8 * max + 127) / 255; }

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

inline uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Load32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void Store16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Store32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint32_t Lum(uint32_t c)
{
    uint32_t r = (c >> 16) & 0xff, g = (c >> 8) & 0xff, b = c & 0xff;
    return (r * 77 + g * 150 + b * 29 + 128) >> 8;
}

} // namespace

void DecodeRow(D3DFORMAT format, const uint8_t* s, uint32_t* d, UINT n, const uint32_t* palette)
{
    switch (format) {
    case D3DFMT_A8R8G8B8: std::memcpy(d, s, n * 4u); return;
    case D3DFMT_X8R8G8B8:
        for (UINT i = 0; i < n; ++i) d[i] = Load32(s + i * 4) | 0xff000000u;
        return;
    case D3DFMT_R8G8B8:
        for (UINT i = 0; i < n; ++i, s += 3) d[i] = Argb(0xff, s[2], s[1], s[0]);
        return;
    case D3DFMT_R5G6B5:
        for (UINT i = 0; i < n; ++i) {
            uint32_t v = Load16(s + i * 2);
            d[i] = Argb(0xff, Expand(v >> 11, 31), Expand((v >> 5) & 63, 63), Expand(v & 31, 31));
        }
        return;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        for (UINT i = 0; i < n; ++i) {
            uint32_t v = Load16(s + i * 2);
            uint32_t a = format == D3DFMT_X1R5G5B5 || (v & 0x8000) ? 0xff : 0;
            d[i] = Argb(a, Expand((v >> 10) & 31, 31), Expand((v >> 5) & 31, 31), Expand(v & 31, 31));
        }
        return;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        for (UINT i = 0; i < n; ++i) {
            uint32_t v = Load16(s + i * 2);
            uint32_t a = format == D3DFMT_X4R4G4B4 ? 0xff : (v >> 12) * 17;
            d[i] = Argb(a, ((v >> 8) & 15) * 17, ((v >> 4) & 15) * 17, (v & 15) * 17);
        }
        return;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2:
        for (UINT i = 0; i < n; ++i) {
            uint32_t v = format == D3DFMT_R3G3B2 ? s[i] : Load16(s + i * 2);
            uint32_t a = format == D3DFMT_R3G3B2 ? 0xff : v >> 8;
            d[i] = Argb(a, Expand((v >> 5) & 7, 7), Expand((v >> 2) & 7, 7), Expand(v & 3, 3));
        }
        return;
    case D3DFMT_A8:
        for (UINT i = 0; i < n; ++i) d[i] = static_cast<uint32_t>(s[i]) << 24;
        return;
    case D3DFMT_L8:
        for (UINT i = 0; i < n; ++i) d[i] = Argb(0xff, s[i], s[i], s[i]);
        return;
    case D3DFMT_A8L8:
        for (UINT i = 0; i < n; ++i) d[i] = Argb(s[i * 2 + 1], s[i * 2], s[i * 2], s[i * 2]);
        return;
    case D3DFMT_A4L4:
        for (UINT i = 0; i < n; ++i) {
            uint32_t l = (s[i] & 15) * 17;
            d[i] = Argb((s[i] >> 4) * 17, l, l, l);
        }
        return;
    case D3DFMT_A2B10G10R10:
        for (UINT i = 0; i < n; ++i) {
            uint32_t v = Load32(s + i * 4);
            d[i] = Argb(Expand(v >> 30, 3), Expand(v & 1023, 1023), Expand((v >> 10) & 1023, 1023),
                        Expand((v >> 20) & 1023, 1023));
        }
        return;
    case D3DFMT_G16R16:
        for (UINT i = 0; i < n; ++i) {
            uint32_t v = Load32(s + i * 4);
            d[i] = Argb(0xff, Expand(v & 0xffff, 65535), Expand(v >> 16, 65535), 0xff);
        }
        return;
    case D3DFMT_P8:
        for (UINT i = 0; i < n; ++i) d[i] = palette ? palette[s[i]] : Argb(0xff, s[i], s[i], s[i]);
        return;
    case D3DFMT_A8P8:
        for (UINT i = 0; i < n; ++i) {
            uint32_t c = palette ? palette[s[i * 2]] : Argb(0, s[i * 2], s[i * 2], s[i * 2]);
            d[i] = (c & 0x00ffffffu) | (static_cast<uint32_t>(s[i * 2 + 1]) << 24);
        }
        return;
    default: std::memset(d, 0, n * 4u); return;
    }
}

void EncodeRow(D3DFORMAT format, const uint32_t* s, uint8_t* d, UINT n)
{
    for (UINT i = 0; i < n; ++i) {
        uint32_t c = s[i];
        uint32_t a = c >> 24, r = (c >> 16) & 0xff, g = (c >> 8) & 0xff, b = c & 0xff;
        switch (format) {
        case D3DFMT_A8R8G8B8: Store32(d + i * 4, c); break;
        case D3DFMT_X8R8G8B8: Store32(d + i * 4, c | 0xff000000u); break;
        case D3DFMT_R8G8B8:
            d[i * 3] = static_cast<uint8_t>(b);
            d[i * 3 + 1] = static_cast<uint8_t>(g);
            d[i * 3 + 2] = static_cast<uint8_t>(r);
            break;
        case D3DFMT_R5G6B5: Store16(d + i * 2, (Reduce(r, 31) << 11) | (Reduce(g, 63) << 5) | Reduce(b, 31)); break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            uint32_t top = format == D3DFMT_X1R5G5B5 ? 0x8000 : (a >= 128 ? 0x8000 : 0);
            Store16(d + i * 2, top | (Reduce(r, 31) << 10) | (Reduce(g, 31) << 5) | Reduce(b, 31));
            break;
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            uint32_t aa = format == D3DFMT_X4R4G4B4 ? 15 : Reduce(a, 15);
            Store16(d + i * 2, (aa << 12) | (Reduce(r, 15) << 8) | (Reduce(g, 15) << 4) | Reduce(b, 15));
            break;
        }
        case D3DFMT_R3G3B2:
            d[i] = static_cast<uint8_t>((Reduce(r, 7) << 5) | (Reduce(g, 7) << 2) | Reduce(b, 3));
            break;
        case D3DFMT_A8R3G3B2:
            Store16(d + i * 2, (a << 8) | (Reduce(r, 7) << 5) | (Reduce(g, 7) << 2) | Reduce(b, 3));
            break;
        case D3DFMT_A8: d[i] = static_cast<uint8_t>(a); break;
        case D3DFMT_L8: d[i] = static_cast<uint8_t>(Lum(c)); break;
        case D3DFMT_A8L8:
            d[i * 2] = static_cast<uint8_t>(Lum(c));
            d[i * 2 + 1] = static_cast<uint8_t>(a);
            break;
        case D3DFMT_A4L4: d[i] = static_cast<uint8_t>((Reduce(a, 15) << 4) | Reduce(Lum(c), 15)); break;
        case D3DFMT_A2B10G10R10:
            Store32(d + i * 4,
                    (Reduce(a, 3) << 30) | (Reduce(b, 1023) << 20) | (Reduce(g, 1023) << 10) | Reduce(r, 1023));
            break;
        case D3DFMT_G16R16: Store32(d + i * 4, (Reduce(g, 65535) << 16) | Reduce(r, 65535)); break;
        default: break;
        }
    }
}

bool DecodeSurface(D3DFORMAT format, const uint8_t* bits, UINT pitch, UINT width, UINT height, uint32_t* dst,
                   const uint32_t* palette)
{
    FormatInfo info;
    if (!GetFormatInfo(format, info) || !info.color) return false;
    if (!info.blockBytes) {
        for (UINT y = 0; y < height; ++y)
            DecodeRow(format, bits + static_cast<size_t>(y) * pitch, dst + static_cast<size_t>(y) * width, width,
                      palette);
        return true;
    }
    uint32_t texels[16];
    for (UINT by = 0; by < (height + 3) / 4; ++by) {
        const uint8_t* row = bits + static_cast<size_t>(by) * pitch;
        for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
            DecodeDxtBlock(format, row + static_cast<size_t>(bx) * info.blockBytes, texels);
            for (UINT y = 0; y < 4; ++y) {
                UINT py = by * 4 + y;
                if (py >= height) break;
                for (UINT x = 0; x < 4; ++x) {
                    UINT px = bx * 4 + x;
                    if (px < width) dst[static_cast<size_t>(py) * width + px] = texels[y * 4 + x];
                }
            }
        }
    }
    return true;
}

} // namespace kestu::d3d8
