#include "d3dx8/image_dxt.h"

#include <algorithm>
#include <cstring>

namespace kestu::d3dx {
namespace {

uint16_t To565(int r, int g, int b)
{
    return (uint16_t)(((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 | ((b * 31 + 127) / 255));
}

void From565(uint16_t c, int out[3])
{
    const int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    out[0] = (r << 3) | (r >> 2);
    out[1] = (g << 2) | (g >> 4);
    out[2] = (b << 3) | (b >> 2);
}

// Colour part of a block: endpoints at the extremes along the axis of
// greatest spread, indices by nearest palette entry.
void ColourBlock(const uint32_t px[16], bool oneBitAlpha, uint8_t out[8])
{
    bool transparent[16];
    bool anyTransparent = false;
    int c[16][3];
    for (int i = 0; i < 16; ++i) {
        c[i][0] = (px[i] >> 16) & 255;
        c[i][1] = (px[i] >> 8) & 255;
        c[i][2] = px[i] & 255;
        transparent[i] = oneBitAlpha && (px[i] >> 24) < 128;
        anyTransparent |= transparent[i];
    }
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
        if (!transparent[i])
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], c[i][k]);
                hi[k] = std::max(hi[k], c[i][k]);
            }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (hi[k] - lo[k] > hi[axis] - lo[axis]) axis = k;
    int minI = -1, maxI = -1;
    for (int i = 0; i < 16; ++i) {
        if (transparent[i]) continue;
        if (minI < 0 || c[i][axis] < c[minI][axis]) minI = i;
        if (maxI < 0 || c[i][axis] > c[maxI][axis]) maxI = i;
    }
    uint16_t c0 = 0, c1 = 0;
    if (minI >= 0) {
        c0 = To565(c[maxI][0], c[maxI][1], c[maxI][2]);
        c1 = To565(c[minI][0], c[minI][1], c[minI][2]);
    }
    // Four-colour mode needs c0 > c1; three-colour (with transparency) c0 <= c1.
    if (anyTransparent ? c0 > c1 : c0 < c1) std::swap(c0, c1);
    const bool four = c0 > c1;
    int pal[4][3];
    From565(c0, pal[0]);
    From565(c1, pal[1]);
    for (int k = 0; k < 3; ++k) {
        if (four) {
            pal[2][k] = (2 * pal[0][k] + pal[1][k] + 1) / 3;
            pal[3][k] = (pal[0][k] + 2 * pal[1][k] + 1) / 3;
        } else {
            pal[2][k] = (pal[0][k] + pal[1][k]) / 2;
            pal[3][k] = 0;
        }
    }
    uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        uint32_t best = 0;
        if (transparent[i]) {
            best = 3;
        } else {
            int bestDist = 1 << 30;
            for (uint32_t p = 0; p < (four ? 4u : 3u); ++p) {
                int d = 0;
                for (int k = 0; k < 3; ++k) d += (c[i][k] - pal[p][k]) * (c[i][k] - pal[p][k]);
                if (d < bestDist) {
                    bestDist = d;
                    best = p;
                }
            }
        }
        indices |= best << (2 * i);
    }
    out[0] = (uint8_t)c0;
    out[1] = (uint8_t)(c0 >> 8);
    out[2] = (uint8_t)c1;
    out[3] = (uint8_t)(c1 >> 8);
    std::memcpy(out + 4, &indices, 4);
}

void ExplicitAlpha(const uint32_t px[16], uint8_t out[8])
{
    for (int i = 0; i < 8; ++i) {
        const uint32_t a0 = ((px[2 * i] >> 24) * 15 + 127) / 255, a1 = ((px[2 * i + 1] >> 24) * 15 + 127) / 255;
        out[i] = (uint8_t)(a0 | a1 << 4);
    }
}

void InterpolatedAlpha(const uint32_t px[16], uint8_t out[8])
{
    int lo = 255, hi = 0;
    for (int i = 0; i < 16; ++i) {
        lo = std::min<int>(lo, (int)(px[i] >> 24));
        hi = std::max<int>(hi, (int)(px[i] >> 24));
    }
    int pal[8];
    pal[0] = hi;
    pal[1] = lo;
    for (int k = 1; k < 7; ++k) pal[k + 1] = ((7 - k) * hi + k * lo + 3) / 7; // eight-value mode (a0 > a1)
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        const int a = (int)(px[i] >> 24);
        int best = 0, bestDist = 1 << 30;
        for (int p = 0; p < (hi > lo ? 8 : 1); ++p) {
            const int d = std::abs(a - pal[p]);
            if (d < bestDist) {
                bestDist = d;
                best = p;
            }
        }
        bits |= (uint64_t)best << (3 * i);
    }
    out[0] = (uint8_t)hi;
    out[1] = (uint8_t)lo;
    for (int k = 0; k < 6; ++k) out[2 + k] = (uint8_t)(bits >> (8 * k));
}

} // namespace

void EncodeDxt(D3DFORMAT format, const uint32_t* argb, uint32_t width, uint32_t height, uint8_t* blocks, uint32_t pitch)
{
    const bool dxt1 = format == D3DFMT_DXT1;
    const bool premultiply = format == D3DFMT_DXT2 || format == D3DFMT_DXT4;
    const bool explicitAlpha = format == D3DFMT_DXT2 || format == D3DFMT_DXT3;
    const uint32_t blockBytes = dxt1 ? 8 : 16;
    for (uint32_t by = 0; by < (height + 3) / 4; ++by) {
        for (uint32_t bx = 0; bx < (width + 3) / 4; ++bx) {
            uint32_t px[16];
            for (uint32_t y = 0; y < 4; ++y)
                for (uint32_t x = 0; x < 4; ++x) {
                    const uint32_t sx = std::min(bx * 4 + x, width - 1), sy = std::min(by * 4 + y, height - 1);
                    uint32_t p = argb[(size_t)sy * width + sx];
                    if (premultiply) {
                        const uint32_t a = p >> 24;
                        auto mul = [a](uint32_t ch) { return (ch * a + 127) / 255; };
                        p = (a << 24) | mul((p >> 16) & 255) << 16 | mul((p >> 8) & 255) << 8 | mul(p & 255);
                    }
                    px[y * 4 + x] = p;
                }
            uint8_t* out = blocks + (size_t)by * pitch + (size_t)bx * blockBytes;
            if (dxt1) {
                ColourBlock(px, true, out);
            } else {
                if (explicitAlpha)
                    ExplicitAlpha(px, out);
                else
                    InterpolatedAlpha(px, out);
                ColourBlock(px, false, out + 8);
            }
        }
    }
}

} // namespace kestu::d3dx
