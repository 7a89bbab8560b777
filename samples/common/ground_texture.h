// The grass-and-earth ground texture of the terrain sample clients: value
// noise over lattices that wrap, so it repeats from block to block without
// a seam.
#pragma once
#include <algorithm>

#include <kestu.h>

#include "../../tools/kestu-terrain/terrain_gen.h"

namespace sample {

// Value noise over a lattice that wraps every `size` texels, so that the
// texture repeats from block to block without a seam.
inline float TileNoise(uint32_t seed, int x, int y, int cell, int size)
{
    const int period = size / cell;
    const int ix = x / cell, iy = y / cell;
    float tx = float(x % cell) / cell, ty = float(y % cell) / cell;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    auto at = [&](int i, int j) { return terrain_gen::Lattice(seed, i % period, j % period); };
    const float a = at(ix, iy), b = at(ix + 1, iy), c = at(ix, iy + 1), d = at(ix + 1, iy + 1);
    const float low = a + (b - a) * tx, high = c + (d - c) * tx;
    return low + (high - low) * ty;
}

// A grass-and-earth texel (0xAARRGGBB) of the 128 x 128 ground texture.
inline uint32_t GroundTexel(int x, int y)
{
    const float n = 0.55f * TileNoise(3, x, y, 16, 128) + 0.45f * TileNoise(4, x, y, 4, 128);
    const float earth = std::max(0.0f, TileNoise(5, x, y, 32, 128) - 0.6f) * 1.5f;
    const int r = int(70 + 60 * n + 70 * earth), g = int(110 + 80 * n - 10 * earth), b = int(40 + 30 * n);
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// A grass-and-earth texture with a few mip levels.
inline HRESULT MakeGroundTexture(IDirect3DDevice8* device, IDirect3DTexture8** out)
{
    HRESULT hr = D3DXCreateTexture(device, 128, 128, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, out);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT lr{};
    hr = (*out)->LockRect(0, &lr, nullptr, 0);
    if (FAILED(hr)) return hr;
    for (int y = 0; y < 128; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
        for (int x = 0; x < 128; ++x) row[x] = GroundTexel(x, y);
    }
    (*out)->UnlockRect(0);
    return D3DXFilterTexture(*out, nullptr, 0, D3DX_DEFAULT);
}

} // namespace sample
