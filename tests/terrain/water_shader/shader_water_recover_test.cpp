// A shader water that has drawn (its bump texture and cube map still bound
// after its pass) when the device is lost: the water, its textures and its
// cube invalidate, the reset succeeds, and after Restore (and the cube drawn
// again, as a client redraws it) the same pixels come out.
#include "host/host_d3d8.h"
#include "water_fixture.h"

namespace watertest {
namespace {

class ShaderWaterRecover : public WaterDevice {
protected:
    void TearDown() override
    {
        water.Release();
        tex.Release();
        cube.Release();
        WaterDevice::TearDown();
    }
    kestu_test::Image Frame()
    {
        const D3DXVECTOR3 eye = LookAcrossTheWater().eye;
        EXPECT_EQ(water.FrameMove(0.0f, eye, eye), 0);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        EXPECT_EQ(water.RenderBeginPass(), 0);
        std::vector<Kestu::ShaderWaterVertex> v;
        for (auto [x, z] :
             {std::pair{-60.f, -20.f}, {-60.f, 100.f}, {60.f, -20.f}, {60.f, -20.f}, {-60.f, 100.f}, {60.f, 100.f}})
            v.push_back(Kestu::ShaderWaterVertex{x, 0, z, 0, 1, 0, 0xFF000000, 0, 0});
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v.data(), sizeof(Kestu::ShaderWaterVertex)), D3D_OK);
        water.RenderEndPass();
        return Picture();
    }

    ColourCube cube;
    TexView tex;
    WaterView water;
};

TEST_F(ShaderWaterRecover, DrawsTheSamePixelsAfterALossThatFollowsADraw)
{
    ArmGuards();
    ASSERT_EQ(cube.Build(device), 0);
    ASSERT_EQ(tex.Build(device), 0);
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    water.m_TexState.fNoise = 0.0f;
    for (auto& w : water.m_TexWaves) w.fFade = 0.0f;
    water.SetReflectLv(1.0f);
    const kestu_test::Image before = Frame();
    int coloured = 0;
    for (uint32_t p : before.pixels) coloured += (p & 0xFFFFFF) != 0;
    ASSERT_GT(coloured, 1000) << "the cube shows in the water";
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(3, &bound);
    ASSERT_NE(bound, nullptr) << "the pass leaves its cube map bound";
    bound->Release();

    device->EndScene();
    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    EXPECT_EQ(water.Invalidate(), 0);
    EXPECT_EQ(tex.Invalidate(), 0);
    EXPECT_EQ(cube.Invalidate(), 0);
    for (DWORD stage = 0; stage < 4; ++stage) {
        device->GetTexture(stage, &bound);
        EXPECT_EQ(bound, nullptr) << "stage " << stage << " still holds a texture of the water";
        if (bound) bound->Release();
    }
    D3DPRESENT_PARAMETERS pp =
        testdevice::DefaultParameters(kWidth, kHeight, testdevice::FakeWindow(0x5150), true, false);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(cube.Restore(), 0);
    ASSERT_EQ(tex.Restore(), 0);
    ASSERT_EQ(water.Restore(), 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);

    const kestu_test::Image after = Frame();
    EXPECT_TRUE(kestu_test::ImagesNear(after, before, 0));
}

} // namespace
} // namespace watertest
