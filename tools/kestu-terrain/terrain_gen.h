// Height fields and the static terrain data blocks made from them, written
// through the engine's own head and record writers (STerrainInit and
// STerrainBlockInit). Header-only: the kestu-terrain tool, the tests, the
// benchmarks and the sample client share it.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <kestu.h>
#include <kestu_bytes.h>

namespace terrain_gen {

// The vertex of generated terrains: position, normal, one texture coordinate
// pair that repeats once per block.
struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD kFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
static_assert(sizeof(Vertex) == 32, "generated vertices are 32 bytes");

struct Params {
    DWORD depth = 4;         // 2 to 6: N = 2^(depth - 1) blocks per side
    float blockSize = 16.0f; // width and depth of a block
    float originX = 0.0f;    // low corner of the terrain
    float originZ = 0.0f;
    // The ground the noise and the basin are laid over, in world units: a
    // world size of 0 means this terrain's own square. Tiles that share one
    // world meet without a step.
    float worldX = 0.0f, worldZ = 0.0f, worldSize = 0.0f;
    float relief = 12.0f;   // height of the hills
    float base = 4.0f;      // lifts the whole field
    float roughness = 0.0f; // a jitter of each grid point, up to half this either way
    uint32_t seed = 1;
    // Texture ids by height: below sandLine, below rockLine, above.
    WORD sandTexture = 1, grassTexture = 2, rockTexture = 3;
    float sandLine = 3.0f, rockLine = 11.0f;
    D3DPOOL pool = D3DPOOL_MANAGED;
};

// (4N + 1)^2 heights, row-major, row 0 at the smallest z.
struct HeightField {
    DWORD side = 0;
    std::vector<float> heights;
    float At(DWORD column, DWORD row) const { return heights[row * side + column]; }
};

inline float Lattice(uint32_t seed, int32_t x, int32_t z)
{
    uint32_t h = seed * 0x9E3779B1u ^ static_cast<uint32_t>(x) * 0x85EBCA77u ^ static_cast<uint32_t>(z) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<float>(h & 0xFFFF) / 65535.0f;
}

// Smooth value noise over a lattice of the given cell size, 0 to 1.
inline float ValueNoise(uint32_t seed, float x, float z, float cell)
{
    const float fx = x / cell, fz = z / cell;
    const int32_t ix = static_cast<int32_t>(std::floor(fx)), iz = static_cast<int32_t>(std::floor(fz));
    float tx = fx - ix, tz = fz - iz;
    tx = tx * tx * (3.0f - 2.0f * tx);
    tz = tz * tz * (3.0f - 2.0f * tz);
    const float a = Lattice(seed, ix, iz), b = Lattice(seed, ix + 1, iz);
    const float c = Lattice(seed, ix, iz + 1), d = Lattice(seed, ix + 1, iz + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * tz;
}

// Rolling hills from three octaves of value noise, with a basin in the
// middle of the field where water can stand.
inline HeightField MakeHeightField(const Params& p)
{
    HeightField field;
    const DWORD n = 1u << (p.depth - 1);
    field.side = 4 * n + 1;
    field.heights.resize(size_t(field.side) * field.side);
    const float step = p.blockSize / 4.0f;
    const bool own = !(p.worldSize > 0.0f);
    const float extent = own ? p.blockSize * n : p.worldSize;
    const float wx = own ? p.originX : p.worldX, wz = own ? p.originZ : p.worldZ;
    for (DWORD r = 0; r < field.side; ++r) {
        for (DWORD c = 0; c < field.side; ++c) {
            const float x = p.originX - wx + c * step, z = p.originZ - wz + r * step;
            float h = 0.6f * ValueNoise(p.seed, x, z, extent * 0.35f) +
                      0.3f * ValueNoise(p.seed + 1, x, z, extent * 0.12f) +
                      0.1f * ValueNoise(p.seed + 2, x, z, extent * 0.05f);
            const float dx = x / extent - 0.5f, dz = z / extent - 0.5f;
            const float basin = std::exp(-(dx * dx + dz * dz) * 18.0f);
            const float jitter = Lattice(p.seed + 3, static_cast<int32_t>(std::lround(x / step)),
                                         static_cast<int32_t>(std::lround(z / step))) -
                                 0.5f;
            field.heights[r * field.side + c] = p.base + p.relief * (h - 0.75f * basin) + p.roughness * jitter;
        }
    }
    return field;
}

// The whole data block: head, vertices, normals and one record per block.
inline std::vector<uint8_t> MakeDataBlock(const HeightField& field, const Params& p)
{
    const DWORD n = (field.side - 1) / 4;
    const DWORD count = field.side * field.side;
    const float step = p.blockSize / 4.0f;

    STerrainInit head;
    head.SetID(p.seed);
    head.SetInfo("generated height field");
    head.SetTexLib("terrain.lib");
    head.SetDepth(p.depth);
    head.SetLength(n);
    head.SetBlockSize(p.blockSize, p.blockSize);
    head.SetExtent(static_cast<float>(n) * p.blockSize, static_cast<float>(n) * p.blockSize);
    head.SetFVF(kFVF);
    head.SetVertexStride(sizeof(Vertex));
    head.SetVertexNumber(count);
    head.SetPool(p.pool);
    D3DMATERIAL8 material{};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    head.SetMaterial(&material);
    SBoundBox box;
    box.min = D3DXVECTOR3(p.originX, 3.4e38f, p.originZ);
    box.max = D3DXVECTOR3(p.originX + n * p.blockSize, -3.4e38f, p.originZ + n * p.blockSize);
    for (float h : field.heights) {
        box.min.y = std::min(box.min.y, h);
        box.max.y = std::max(box.max.y, h);
    }
    head.SetBoundBox(&box);

    std::vector<Vertex> vertices(count);
    for (DWORD r = 0; r < field.side; ++r) {
        for (DWORD c = 0; c < field.side; ++c) {
            const float l = field.At(c > 0 ? c - 1 : c, r), rt = field.At(c + 1 < field.side ? c + 1 : c, r);
            const float b = field.At(c, r > 0 ? r - 1 : r), t = field.At(c, r + 1 < field.side ? r + 1 : r);
            D3DXVECTOR3 normal((l - rt) / (2.0f * step), 1.0f, (b - t) / (2.0f * step));
            D3DXVec3Normalize(&normal, &normal);
            vertices[r * field.side + c] = {p.originX + c * step,
                                            field.At(c, r),
                                            p.originZ + r * step,
                                            normal.x,
                                            normal.y,
                                            normal.z,
                                            c * 0.25f,
                                            r * 0.25f};
        }
    }

    std::vector<uint8_t> out;
    kestu::ByteWriter w(out);
    w.Bytes(head.GetBytes(), STerrainInit::kSize);
    for (const Vertex& v : vertices) {
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v}) w.F32(f);
    }
    for (const Vertex& v : vertices) {
        for (float f : {v.nx, v.ny, v.nz}) w.F32(f);
    }
    for (DWORD br = 0; br < n; ++br) {
        for (DWORD bc = 0; bc < n; ++bc) {
            WORD indices[25];
            float altitudes[25];
            float sum = 0.0f;
            for (DWORD r = 0; r < 5; ++r) {
                for (DWORD c = 0; c < 5; ++c) {
                    const DWORD column = bc * 4 + c, row = br * 4 + r;
                    indices[r * 5 + c] = static_cast<WORD>(row * field.side + column);
                    altitudes[r * 5 + c] = field.At(column, row);
                    sum += altitudes[r * 5 + c];
                }
            }
            const float mean = sum / 25.0f;
            const WORD tex = mean < p.sandLine ? p.sandTexture : mean < p.rockLine ? p.grassTexture : p.rockTexture;
            STerrainBlockInit record;
            record.Set(tex, indices, altitudes, 255, 1, 65535);
            w.Bytes(record.GetBytes(), STerrainBlockInit::kSize);
        }
    }
    return out;
}

inline std::vector<uint8_t> MakeDataBlock(const Params& p) { return MakeDataBlock(MakeHeightField(p), p); }

} // namespace terrain_gen
