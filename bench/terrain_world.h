// The static terrain of the terrain benchmarks: 64 x 64 blocks laid as 2 x 2
// tiled terrains of 32 x 32 on a headless device, and an eye circling over
// it, looking ahead and down.
#pragma once
#include <malloc.h>

#include <cmath>
#include <memory>
#include <vector>

#include "d3d8.h"
#include "kestu_terrain.h"
#include "support/device.h"
#include "../tools/kestu-terrain/terrain_gen.h"

namespace terrain_bench {

constexpr int kTiles = 2;
constexpr float kBlock = 16.0f;
constexpr float kWorld = kTiles * 32 * kBlock;
constexpr int kPath = 64;

struct World {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    std::unique_ptr<CTerrain> terrains[kTiles * kTiles];
    std::vector<SBoundSphere> spheres; // every block's, contiguous: the reference's best case
    std::vector<CFrustum> path;
    size_t terrainBytes = 0; // heap held by the four terrains
    bool ok = false;
};

// Bytes the process holds on the heap now.
inline size_t HeapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

inline World& GetWorld()
{
    static World w;
    if (w.device) return w;
    const D3DPRESENT_PARAMETERS pp = testdevice::DefaultParameters(64, 64, testdevice::FakeWindow(0xBE7C), true, false);
    if (FAILED(testdevice::CreateShared(pp, w.d3d, w.device))) return w;
    SGfxDistLOD lod;
    const float d[2] = {120.0f, 260.0f};
    lod.Set(d, 2, 0);
    const size_t before = HeapInUse();
    for (auto& t : w.terrains) t = std::make_unique<CTerrain>();
    for (int tz = 0; tz < kTiles; ++tz) {
        for (int tx = 0; tx < kTiles; ++tx) {
            terrain_gen::Params p;
            p.depth = 6;
            p.blockSize = kBlock;
            p.originX = tx * 32 * kBlock;
            p.originZ = tz * 32 * kBlock;
            p.worldSize = kWorld;
            p.relief = 60.0f;
            const std::vector<uint8_t> block = terrain_gen::MakeDataBlock(p);
            auto at = [&](int x, int z) -> CTerrain* {
                return x >= 0 && x < kTiles && z >= 0 && z < kTiles ? w.terrains[z * kTiles + x].get() : nullptr;
            };
            CTerrain* neighbours[4] = {at(tx, tz + 1), at(tx + 1, tz), at(tx, tz - 1), at(tx - 1, tz)};
            if (FAILED(
                    at(tx, tz)->Build(w.device, block.data(), block.size(), &lod, 0.0f, TERRAIN_BUILD_ALL, neighbours)))
                return w;
        }
    }
    w.terrainBytes = HeapInUse() - before;
    for (auto& t : w.terrains)
        for (DWORD i = 0; i < t->GetBlockNum(); ++i) w.spheres.push_back(*t->GetBlock(i)->GetSphere());
    // An eye circling over the ground, looking ahead and down.
    CFrustum raw;
    raw.InitRawFrustum(D3DX_PI / 3, 4.0f / 3.0f, 500.0f, 1.0f, 1, FRUSTUM_WIDEN_RATE);
    for (int k = 0; k < kPath; ++k) {
        const float a = 6.2831853f * k / kPath;
        const D3DXVECTOR3 eye(kWorld * 0.5f + 300.0f * std::cos(a), 90.0f, kWorld * 0.5f + 300.0f * std::sin(a));
        CFrustum f;
        f.SetByRawFrustum(&raw, -a, 0.35f, 0.0f, &eye);
        w.path.push_back(f);
    }
    w.ok = true;
    return w;
}

} // namespace terrain_bench
