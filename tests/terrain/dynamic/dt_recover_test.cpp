// A streamed terrain that has drawn its blocks, its water and its far ring
// when the device is lost: the client's device events invalidate and
// restore it around the engine's reset, and the next frame has the same
// pixels.
#include "dt_device_fixture.h"

namespace {

class DTRecover : public DTDeviceTest {};

} // namespace

TEST_F(DTRecover, BlocksWaterAndFarRingDrawTheSamePixelsAfterALossThatFollowsADraw)
{
    streamed_gen::Map map;
    map.waterLevel = 10.0f;
    SWaterWaveCfg waves;
    SWaterWaveEntry wave;
    waves.Entries.push_back(wave);
    SDTOutlyingCfg ring;
    ring.nRatio = 4;
    CDynamicTerrain t;
    ASSERT_TRUE(SUCCEEDED(Build(t, map.stride, map.blockSize, 64, nullptr, &waves, nullptr, &ring)));
    ASSERT_TRUE(t.IsEnableOutlying());
    events.terrain = &t;

    CEye eye;
    Look(eye, D3DXVECTOR3(150.0f, 260.0f, 149.0f), D3DXVECTOR3(150.0f, 0.0f, 150.0f), D3DX_PI / 2);
    const SBoundCircle view(150.0f, 150.0f, 90.0f);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(t.Clip(&view, 12, 400.0f, nullptr), S_OK);
        streamed_gen::Serve(t, map, 12);
    }
    const auto frame = [&](const char* name) {
        // A reset puts the device's states back to their defaults: the client sets its own again.
        Look(eye, D3DXVECTOR3(150.0f, 260.0f, 149.0f), D3DXVECTOR3(150.0f, 0.0f, 150.0f), D3DX_PI / 2);
        EXPECT_EQ(t.UpdateVisibleState(&eye, TRUE, TRUE, 0.0f), S_OK);
        t.FrameMoveAllWater(1.5f);
        t.SetAllWaterVertexDiffuse(0xFF0000FF);
        FlatStates();
        device->SetVertexShader(SDTVertexEx::FVF); // the rough draw sets no format
        return Frame(
            [&] {
                EXPECT_EQ(t.RenderRough(device, nullptr), S_OK);
                EXPECT_EQ(t.RenderAllWater(device, nullptr, nullptr), S_OK);
                EXPECT_EQ(t.RenderOutlying(device, nullptr), S_OK);
            },
            name);
    };
    const std::vector<uint32_t> before = frame("dt_recover_before");
    ASSERT_GT(t.GetNumOutlyingIBs(), 0u);
    ASSERT_GT(Count(before, 0x0000FF), 0) << "water is drawn";
    ASSERT_GT(Count(before, 0xFFFFFF), 0) << "ground and far ring are drawn";

    host::D3D8LoseDevices();
    EXPECT_EQ(Kestu_PrepareForRender(), D3DERR_DEVICELOST);
    host::D3D8RegainDevices();
    ASSERT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    const std::vector<uint32_t> after = frame("dt_recover_after");
    EXPECT_EQ(after, before);
    if (after != before) Save(after);
}
