#include "2DCore/RawPaint16.h"

#include "2DCore/DrawPixels.h"

namespace kestu2d {

namespace {

inline uint16_t Average(uint16_t a, uint16_t b, bool is565)
{
    const uint32_t r = is565 ? 0xF800 : 0x7C00, g = is565 ? 0x07E0 : 0x03E0, bl = 0x001F;
    return static_cast<uint16_t>(((((a & r) + (b & r)) >> 1) & r) | ((((a & g) + (b & g)) >> 1) & g) |
                                 ((((a & bl) + (b & bl)) >> 1) & bl));
}

}  // namespace

void Silhouette16(void* dst, const void* src, int w, int h, int dStep, int sStep, uint32_t key, uint32_t fore)
{
    const uint16_t k = static_cast<uint16_t>(key), f = static_cast<uint16_t>(fore);
    uint8_t* d = static_cast<uint8_t*>(dst);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < h; ++y, d += dStep, s += sStep)
        for (int x = 0; x < w; ++x)
            if (Load16(s + 2 * x) != k) Store16(d + 2 * x, f);
}

void TwoColor16(void* dst, const void* src, int w, int h, int dStep, int sStep, uint32_t key, uint32_t fore,
                uint32_t back)
{
    const uint16_t k = static_cast<uint16_t>(key), f = static_cast<uint16_t>(fore), b = static_cast<uint16_t>(back);
    uint8_t* d = static_cast<uint8_t*>(dst);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < h; ++y, d += dStep, s += sStep)
        for (int x = 0; x < w; ++x) Store16(d + 2 * x, Load16(s + 2 * x) != k ? f : b);
}

void SoftSilhouette16(void* dst, const void* src, int w, int h, int dStep, int sStep, uint32_t key, uint32_t fore,
                      bool is565)
{
    const uint16_t k = static_cast<uint16_t>(key), f = static_cast<uint16_t>(fore);
    uint8_t* d = static_cast<uint8_t*>(dst);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    auto soften = [&](uint8_t* p) { Store16(p, Average(Load16(p), f, is565)); };
    for (int y = 0; y < h; ++y) {
        uint8_t* dr = d + intptr_t(dStep) * y;
        const uint8_t* sr = s + intptr_t(sStep) * y;
        for (int x = 0; x < w; ++x) {
            if (Load16(sr + 2 * x) == k) continue;
            Store16(dr + 2 * x, f);
            if (x < 1 || y < 1 || x > w - 2 || y > h - 2) continue;
            if (Load16(sr + 2 * (x - 1)) == k) soften(dr + 2 * (x - 1));
            if (Load16(sr + 2 * (x + 1)) == k) soften(dr + 2 * (x + 1));
            if (Load16(sr - sStep + 2 * x) == k) soften(dr - dStep + 2 * x);
            if (Load16(sr + sStep + 2 * x) == k) soften(dr + dStep + 2 * x);
        }
    }
}

void Stretch16(void* dst, const void* src, int dw, int dh, int sw, int sh, int dStep, int sStep, bool keyed,
               uint32_t key)
{
    if (dw < 1 || dh < 1 || sw < 1 || sh < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    uint8_t* d = static_cast<uint8_t*>(dst);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < dh; ++y, d += dStep) {
        const uint8_t* sr = s + intptr_t(sStep) * (int64_t(y) * sh / dh);
        for (int x = 0; x < dw; ++x) {
            const uint16_t p = Load16(sr + 2 * (int64_t(x) * sw / dw));
            if (!keyed || p != k) Store16(d + 2 * x, p);
        }
    }
}

}  // namespace kestu2d
