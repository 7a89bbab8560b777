// The environment sample's sky, sun and flare pictures, drawn texel by texel
// (0xAARRGGBB): a rain-washed sky whose sides repeat left to right so the
// four walls of the tent meet without a seam, a clear top, the hazy floor,
// and the additive sun and flare pieces, black where they add nothing.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "../common/ground_texture.h"

namespace sky_images {

const int kSideWidth = 128, kSideHeight = 64, kTopSize = 64, kGlowSize = 64;

struct Rgb {
    float r, g, b;
};
const Rgb kHaze{142, 155, 170};  // the fog's colour, at the horizon
const Rgb kUpper{104, 136, 184}; // high on the walls and at the top's rim
const Rgb kZenith{70, 108, 168};
const Rgb kCloud{206, 210, 218};
const Rgb kRainCloud{146, 152, 164};

inline Rgb Mix(Rgb a, Rgb b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline uint32_t Pack(Rgb c)
{
    auto ch = [](float v) { return uint32_t(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
    return 0xFF000000u | (ch(c.r) << 16) | (ch(c.g) << 8) | ch(c.b);
}
inline float Smooth(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// A wall: the horizon across the middle (the eye's height), haze below it,
// blue above, with clouds that thin out towards the eave.
inline uint32_t SideTexel(int x, int y)
{
    const float t = float(y) / float(kSideHeight - 1);
    const float up = (0.5f - t) * 2.0f; // 0 at the horizon, 1 at the eave
    if (up <= 0.0f) return Pack(kHaze);
    Rgb sky = Mix(kHaze, kUpper, std::pow(up, 0.6f));
    const float n =
        0.6f * sample::TileNoise(31, x, y * 2, 16, kSideWidth) + 0.4f * sample::TileNoise(32, x, y * 2, 4, kSideWidth);
    const float cover = Smooth(0.42f, 0.7f, n) * Smooth(0.0f, 0.12f, up) * (1.0f - Smooth(0.55f, 1.0f, up));
    const Rgb cloud = Mix(kCloud, kRainCloud, Smooth(0.55f, 0.85f, n));
    sky = Mix(sky, cloud, cover * 0.85f);
    return Pack(sky);
}

// The top, seen from below: the rim (the texture's edge) meets the walls'
// eave colour, deepening towards the apex.
inline uint32_t TopTexel(int x, int y)
{
    const float u = (float(x) + 0.5f) / kTopSize - 0.5f, v = (float(y) + 0.5f) / kTopSize - 0.5f;
    const float rim = std::max(std::fabs(u), std::fabs(v)) * 2.0f;
    return Pack(Mix(kZenith, kUpper, rim));
}

inline uint32_t FloorTexel(int, int) { return Pack(kHaze); }

// Distance from the picture's centre, 1 at the middle of an edge.
inline float Radius(int x, int y)
{
    const float h = kGlowSize * 0.5f;
    const float dx = (float(x) + 0.5f - h) / h, dy = (float(y) + 0.5f - h) / h;
    return std::sqrt(dx * dx + dy * dy);
}
inline uint32_t Glow(float level, Rgb tint) { return Pack({tint.r * level, tint.g * level, tint.b * level}); }

// The sun: a white core in a warm glow that dies out before the edge.
inline uint32_t SunTexel(int x, int y)
{
    const float r = Radius(x, y);
    const float core = 1.0f - Smooth(0.14f, 0.2f, r);
    const float glow = std::exp(-r * r * 7.0f) * 0.75f * (1.0f - Smooth(0.8f, 1.0f, r));
    const Rgb c{255.0f * core + 255.0f * glow, 250.0f * core + 214.0f * glow, 236.0f * core + 150.0f * glow};
    return Pack(c);
}

// A thin warm ring.
inline uint32_t RingTexel(int x, int y)
{
    const float r = Radius(x, y);
    const float ring = std::exp(-std::pow((r - 0.78f) / 0.07f, 2.0f)) * 0.24f + std::exp(-r * r * 5.0f) * 0.05f;
    return Glow(ring * (1.0f - Smooth(0.92f, 1.0f, r)), {255, 196, 130});
}

// A soft green-blue disc.
inline uint32_t BlobTexel(int x, int y)
{
    const float r = Radius(x, y);
    return Glow((1.0f - Smooth(0.55f, 0.95f, r)) * 0.2f, {150, 230, 210});
}

// A hexagon, the shape of the lens's aperture, brighter at its edge.
inline uint32_t HexTexel(int x, int y)
{
    const float h = kGlowSize * 0.5f;
    const float dx = std::fabs((float(x) + 0.5f - h) / h), dy = std::fabs((float(y) + 0.5f - h) / h);
    const float hex = std::max(dx * 0.866f + dy * 0.5f, dy);
    const float inside = 1.0f - Smooth(0.8f, 0.88f, hex);
    return Glow(inside * (0.12f + 0.1f * Smooth(0.5f, 0.85f, hex)), {160, 180, 255});
}

} // namespace sky_images
