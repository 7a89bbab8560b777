// Any bytes as a static terrain data block. A block the reader takes is run
// through a frame at full and at mixed detail, height lookups and the head
// writer, whose head must come out valid.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestu_terrain.h"
#include "support/device.h"

namespace {

IDirect3DDevice8* Device()
{
    static IDirect3D8* d3d = nullptr;
    static IDirect3DDevice8* device = nullptr;
    if (!device) {
        const D3DPRESENT_PARAMETERS pp =
            testdevice::DefaultParameters(16, 16, testdevice::FakeWindow(0xF022), true, false);
        testdevice::CreateShared(pp, d3d, device);
    }
    return device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IDirect3DDevice8* device = Device();
    if (!device) return 0;
    std::vector<uint8_t> block(data, data + size);
    SGfxDistLOD lod;
    const float thresholds[2] = {20.0f, 60.0f};
    lod.Set(thresholds, 2, 0);
    CTerrain terrain;
    if (FAILED(terrain.Build(device, block.data(), block.size(), &lod, 0.0f, TERRAIN_BUILD_ALL, nullptr))) {
        if (terrain.IsBuilt()) __builtin_trap();
        return 0;
    }
    if (terrain.UpdateVisibleState(nullptr, 0, 0) != S_OK) __builtin_trap();
    CFrustum eye;
    const D3DXVECTOR3 at(terrain.GetRect()->left, 10.0f, terrain.GetRect()->bottom);
    eye.SetPos(&at);
    if (terrain.UpdateVisibleState(&eye, 0, 1) != S_OK) __builtin_trap();
    const KESTURECT2* r = terrain.GetRect();
    for (float fx : {0.0f, 0.3f, 0.5f, 0.99f, 1.0f})
        for (float fz : {0.0f, 0.5f, 1.0f})
            terrain.GetAtitude(r->left + fx * (r->right - r->left), r->bottom + fz * (r->top - r->bottom));
    std::vector<uint8_t> head(STerrainInit::kSize);
    if (terrain.WriteDataBlock(head.data()) != S_OK || !reinterpret_cast<const STerrainInit*>(head.data())->IsValid())
        __builtin_trap();
    return 0;
}
