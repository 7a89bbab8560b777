// Colour helpers shared by the software vertex lighting sources.
#pragma once
#include <cstring>

#include "kestu_vertexlight.h"

namespace vertexlight {

struct Color4 {
    float r, g, b, a;
};

inline DWORD PackChannel(float c)
{
    // Clamps below too (and turns NaN into 0): negative light colours are legal data.
    if (!(c > 0.0f)) return 0;
    if (c > 1.0f) c = 1.0f;
    return static_cast<DWORD>(c * 255.0f + 0.5f);
}

inline DWORD Pack(const Color4& c)
{
    return (PackChannel(c.a) << 24) | (PackChannel(c.r) << 16) | (PackChannel(c.g) << 8) | PackChannel(c.b);
}

inline Color4 Unpack(DWORD v)
{
    constexpr float k = 0.003921569f;
    return {float((v >> 16) & 0xFF) * k, float((v >> 8) & 0xFF) * k, float(v & 0xFF) * k, float(v >> 24) * k};
}

inline Color4 Mul(const D3DCOLORVALUE& a, const D3DCOLORVALUE& b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a};
}

inline Color4 Scale(const Color4& c, float s) { return {c.r * s, c.g * s, c.b * s, c.a * s}; }
inline Color4 Add(const Color4& a, const Color4& b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a}; }

inline DWORD AddSaturate(DWORD x, DWORD y)
{
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        DWORD s = ((x >> shift) & 0xFF) + ((y >> shift) & 0xFF);
        out |= (s > 0xFF ? 0xFFu : s) << shift;
    }
    return out;
}

// Strided slots may sit at any byte offset, so they are read and written bytewise.
inline DWORD LoadColor(const void* p)
{
    DWORD v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

inline void StoreColor(void* p, DWORD v) { std::memcpy(p, &v, sizeof(v)); }

inline D3DXVECTOR3 LoadVector(const void* p)
{
    D3DXVECTOR3 v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

inline DWORD GlobalAmbient(const D3DMATERIAL8& m, const D3DXCOLOR& ambient)
{
    return Pack({m.Ambient.r * ambient.r + m.Emissive.r, m.Ambient.g * ambient.g + m.Emissive.g,
                 m.Ambient.b * ambient.b + m.Emissive.b, m.Ambient.a * ambient.a + m.Emissive.a});
}

} // namespace vertexlight
