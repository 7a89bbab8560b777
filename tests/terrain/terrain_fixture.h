// A shared headless device and generated data blocks for the terrain tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/device.h"
#include "support/image.h"
#include "host/host.h"
#include "kestu_terrain.h"
#include "../../tools/kestu-terrain/terrain_gen.h"

// A picture of a failed test, under the test output folder.
inline void SaveTestPicture(const std::vector<uint32_t>& px, UINT w, UINT h, const std::string& name)
{
    kestu_test::Image image;
    image.width = int32_t(w);
    image.height = int32_t(h);
    image.pixels = px;
    host::SavePixelsPng(image, kestu_test::OutputPath(name));
}

class TerrainDevice : public testdevice::DeviceSuite<128, 128> {
protected:
    static constexpr UINT kSize = 128;

    // A flat field of N x N blocks of the given size at one altitude.
    static std::vector<uint8_t> FlatBlock(DWORD depth, float blockSize = 16.0f, float altitude = 0.0f,
                                          float originX = 0.0f, float originZ = 0.0f)
    {
        terrain_gen::Params p;
        p.depth = depth;
        p.blockSize = blockSize;
        p.relief = 0.0f;
        p.base = altitude;
        p.originX = originX;
        p.originZ = originZ;
        return terrain_gen::MakeDataBlock(p);
    }
    static STerrainInit* Head(std::vector<uint8_t>& block) { return reinterpret_cast<STerrainInit*>(block.data()); }
    static STerrainBlockInit* Record(std::vector<uint8_t>& block, DWORD i)
    {
        return reinterpret_cast<STerrainBlockInit*>(Head(block)->GetBlockInits() + i * STerrainBlockInit::kSize);
    }
    // Gives each block its own index as texture id, to find its draw records.
    static void TagBlocks(std::vector<uint8_t>& block)
    {
        const DWORD n = Head(block)->GetLength();
        for (DWORD i = 0; i < n * n; ++i) Record(block, i)->SetTexIdx(WORD(i));
    }
    static HRESULT Build(CTerrain& t, std::vector<uint8_t>& block, const SGfxDistLOD* lod = nullptr,
                         CTerrain** neighbours = nullptr)
    {
        return t.Build(device, block.data(), block.size(), lod, -1000.0f, TERRAIN_BUILD_ALL, neighbours);
    }
    // A frustum that only carries the eye of the level-of-detail decision.
    static CFrustum EyeAt(float x, float y, float z)
    {
        CFrustum f;
        const D3DXVECTOR3 p(x, y, z);
        f.SetPos(&p);
        return f;
    }
    static SGfxDistLOD Thresholds(float d0, float d1)
    {
        SGfxDistLOD lod;
        const float d[2] = {d0, d1};
        lod.Set(d, 2, 0);
        return lod;
    }
    // Identity world, a square perspective view from `eye`; unlit, depth
    // tested, both faces drawn.
    struct Camera {
        Camera(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, const D3DXVECTOR3& up, float fov)
        {
            D3DXMatrixIdentity(&world);
            D3DXMatrixLookAtLH(&view, &eye, &at, &up);
            D3DXMatrixPerspectiveFovLH(&proj, fov, 1.0f, 1.0f, 500.0f);
        }
        void Apply() const
        {
            testdevice::SetTransforms(device, world, view, proj);
            device->SetRenderState(D3DRS_LIGHTING, FALSE);
            device->SetRenderState(D3DRS_ZENABLE, TRUE);
            device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        }
        D3DXMATRIX world, view, proj;
    };
    // One cleared frame with `t` drawn in it.
    static std::vector<uint32_t> DrawFrame(CTerrain& t)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(t.Render(), S_OK);
        device->EndScene();
        UINT w = 0, h = 0;
        return Pixels(w, h);
    }
    static std::vector<uint32_t> Pixels(UINT& w, UINT& h)
    {
        std::vector<uint32_t> px;
        host::D3D8ReadRenderTarget(device, px, w, h);
        return px;
    }
    static void Save(const std::vector<uint32_t>& px, UINT w, UINT h, const std::string& name)
    {
        SaveTestPicture(px, w, h, name);
    }
};
