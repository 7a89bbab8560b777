// DXT1..DXT5 block decoding.
#include "d3d8/format.h"

namespace kestu::d3d8 {
namespace {

uint32_t Colour565(uint32_t v)
{
    uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return (r * 255 + 15) / 31 << 16 | (g * 255 + 31) / 63 << 8 | (b * 255 + 15) / 31;
}

uint32_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb, uint32_t div)
{
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t ca = (a >> shift) & 0xff, cb = (b >> shift) & 0xff;
        out |= ((ca * wa + cb * wb + div / 2) / div) << shift;
    }
    return out;
}

void ColourBlock(const uint8_t* p, uint32_t out[16], bool allowTransparent)
{
    uint32_t c0 = p[0] | (p[1] << 8), c1 = p[2] | (p[3] << 8);
    uint32_t pal[4];
    pal[0] = Colour565(c0) | 0xff000000u;
    pal[1] = Colour565(c1) | 0xff000000u;
    if (c0 > c1 || !allowTransparent) {
        pal[2] = Mix(pal[0], pal[1], 2, 1, 3) | 0xff000000u;
        pal[3] = Mix(pal[0], pal[1], 1, 2, 3) | 0xff000000u;
    } else {
        pal[2] = Mix(pal[0], pal[1], 1, 1, 2) | 0xff000000u;
        pal[3] = 0;
    }
    uint32_t bits = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<uint32_t>(p[7]) << 24);
    for (int i = 0; i < 16; ++i) out[i] = pal[(bits >> (i * 2)) & 3];
}

} // namespace

void DecodeDxtBlock(D3DFORMAT format, const uint8_t* b, uint32_t out[16])
{
    if (format == D3DFMT_DXT1) {
        ColourBlock(b, out, true);
        return;
    }
    ColourBlock(b + 8, out, false);
    if (format == D3DFMT_DXT2 || format == D3DFMT_DXT3) {
        for (int i = 0; i < 16; ++i) {
            uint32_t a = (b[i / 2] >> ((i & 1) * 4)) & 15;
            out[i] = (out[i] & 0x00ffffffu) | ((a * 17) << 24);
        }
        return;
    }
    uint32_t a0 = b[0], a1 = b[1];
    uint32_t alpha[8] = {a0, a1};
    if (a0 > a1) {
        for (uint32_t i = 1; i < 7; ++i) alpha[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
    } else {
        for (uint32_t i = 1; i < 5; ++i) alpha[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
        alpha[6] = 0;
        alpha[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(b[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i] = (out[i] & 0x00ffffffu) | (alpha[(bits >> (3 * i)) & 7] << 24);
}

} // namespace kestu::d3d8
