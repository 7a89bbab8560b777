// The far ring: its settings, its vertex grid, clipping with local and
// extern far blocks, batches of dynamic index buffers, drawing, and the
// recovery of a lost device.
#include "dt_device_fixture.h"

namespace {

using DTFarRing = DTDeviceTest;
using DTFarRingAlone = DTTerrainTest;

SDTOutlyingCfg Ring(int ratio, const float* grid = nullptr, int side = 0, DWORD length = 8192)
{
    SDTOutlyingCfg cfg;
    cfg.nRatio = ratio;
    cfg.pfAltitudes = grid;
    cfg.nGridSide = side;
    cfg.dwIBLength = length;
    return cfg;
}

} // namespace

TEST_F(DTFarRingAlone, WithoutTheEngineThereIsNoDeviceForTheRing)
{
    CDynamicTerrain t;
    const SDTOutlyingCfg ring = Ring(2);
    EXPECT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &ring), E_FAIL);
    EXPECT_FALSE(t.IsBuilt());
    EXPECT_FALSE(t.IsEnableOutlying());
}

TEST_F(DTFarRing, SettingsRatioStrideGridAndIndexLength)
{
    CDynamicTerrain t;
    const SDTOutlyingCfg standard;
    ASSERT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &standard), S_OK)
        << "the default settings build a flat ring";
    EXPECT_TRUE(t.IsEnableOutlying());
    EXPECT_EQ(t.GetOutlyingBlockStride(), 4);
    EXPECT_EQ(t.GetOutlyingBlockWidth(), 8.0f);
    EXPECT_EQ(t.GetOutlyingAltitude(2, 2), 0.0f);
    EXPECT_NE(t.GetOutlyingVB(), nullptr);
    EXPECT_EQ(t.EnableOutlying(&standard), S_FALSE) << "already enabled";

    const struct {
        int stride, ratio;
        HRESULT hr;
        int farStride;
    } ratios[] = {
        {5, 0, S_OK, 5}, {5, 2, S_OK, 2}, {1, 2, E_INVALIDARG, 0}, {254, 1, S_OK, 254}, {255, 1, E_INVALIDARG, 0}};
    for (const auto& r : ratios) {
        const SDTOutlyingCfg cfg = Ring(r.ratio);
        EXPECT_EQ(Build(t, r.stride, 4.0f, 4, nullptr, nullptr, nullptr, &cfg), r.hr) << r.stride << "/" << r.ratio;
        if (r.hr == S_OK) {
            EXPECT_EQ(t.GetOutlyingBlockStride(), r.farStride);
            EXPECT_EQ(t.GetOutlyingBlockWidth(), 4.0f * std::max(r.ratio, 1));
        }
    }

    SDTOutlyingCfg zero = Ring(2);
    zero.dwIBLength = 0;
    ASSERT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &zero), S_OK);
    EXPECT_EQ(t.GetOutlyingIBLength(), 8192u);

    // Grid side 9 over a far stride of 4: every second sample.
    std::vector<float> grid(81);
    for (int i = 0; i < 81; ++i) grid[i] = float(i);
    const SDTOutlyingCfg sampled = Ring(2, grid.data(), 9);
    ASSERT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &sampled), S_OK);
    for (int z = 0; z <= 4; ++z)
        for (int x = 0; x <= 4; ++x) EXPECT_EQ(t.GetOutlyingAltitude(x, z), float(2 * z * 9 + 2 * x));
    BYTE* data = nullptr;
    ASSERT_EQ(t.GetOutlyingVB()->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    const auto* v = reinterpret_cast<const D3DXVECTOR3*>(data);
    EXPECT_EQ(v[3 * 5 + 1], D3DXVECTOR3(8.0f, float(6 * 9 + 2), 24.0f));
    t.GetOutlyingVB()->Unlock();

    // Word heights are scaled.
    std::vector<WORD> words(81, 200);
    SDTOutlyingCfg scaled = Ring(2, nullptr, 9);
    scaled.pwAltitudes = words.data();
    scaled.fAltitudeScale = 0.25f;
    ASSERT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &scaled), S_OK);
    EXPECT_TRUE(t.IsWordAltSceneAltTabe());
    EXPECT_EQ(t.GetOutlyingAltitude(1, 1), 50.0f);
    scaled.fAltitudeScale = 0.0f;
    EXPECT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &scaled), E_INVALIDARG);

    // A grid with fewer samples than the far map has corners is refused.
    const SDTOutlyingCfg coarse = Ring(2, grid.data(), 4);
    EXPECT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &coarse), E_INVALIDARG);
    const SDTOutlyingCfg tiny = Ring(2, grid.data(), 1);
    EXPECT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &tiny), E_INVALIDARG);
    EXPECT_FALSE(t.IsBuilt());

    SDTOutlyingCfg off = Ring(2);
    off.bEnable = 0;
    EXPECT_EQ(Build(t, 8, 4.0f, 4, nullptr, nullptr, nullptr, &off), S_FALSE);
    EXPECT_EQ(t.RenderOutlying(device, nullptr), S_FALSE);
}

TEST_F(DTFarRing, ClipAttachesLocalBlocksAndAsksForExternOnes)
{
    const streamed_gen::Map map; // 64 blocks of 8
    const std::vector<float> grid = map.FarGrid(17);
    const SDTOutlyingCfg ring = Ring(4, grid.data(), 17); // far blocks of 32, 16 per side
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, map.stride, map.blockSize, 16, nullptr, nullptr, nullptr, &ring), S_OK);
    EXPECT_EQ(t.AttachExternOutlyingBlock(3, 3, nullptr, 8, nullptr), E_INVALIDARG);
    SDTOutlyingBlockInit corners;
    EXPECT_EQ(t.AttachExternOutlyingBlock(3, 3, &corners, 8, nullptr), E_FAIL) << "a position on the far map";

    // The area reaches two far blocks beyond the far map on every side.
    const KESTURECT2 area(-64.0f, 576.0f, 576.0f, -64.0f);
    const SBoundCircle view(40.0f, 40.0f, 30.0f);
    ASSERT_EQ(t.Clip(&view, 8, 100.0f, &area), S_OK);
    EXPECT_GT(t.GetNumLocalOutlyingBlocks(), 10u);
    EXPECT_TRUE(t.IsNeedExternOutlyingBlocks());
    for (const SMapBlockPos& p : t.GetExternOutlyingBlockPos()) {
        EXPECT_TRUE(p.x < 0 || p.y < 0) << "only beyond the map's low edges here";
        EXPECT_GE(p.x, -2);
        EXPECT_GE(p.y, -2);
    }
    EXPECT_EQ(t.GetTotalNumOutlyingBlocks(), t.GetNumLocalOutlyingBlocks() + t.GetNumExternOutlyingBlocks());
    streamed_gen::Serve(t, map, 8);
    int local = 0, ext = 0;
    ForEachLeaf(t.GetOutlyingRoot(), [&](const CQuadtree* leaf) {
        (static_cast<const CDTOutlyingBlock*>(leaf)->IsLocal() ? local : ext)++;
    });
    EXPECT_EQ(DWORD(local), t.GetNumLocalOutlyingBlocks());
    EXPECT_EQ(DWORD(ext), t.GetNumExternOutlyingBlocks());
    // A local far block's corners come from the grid.
    auto* block = static_cast<CDTOutlyingBlock*>(t.GetOutlyingRoot()->GetLeaf(48.0f, 48.0f));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->GetIndices()[0], 1 * 17 + 1);
    EXPECT_EQ(block->GetCorner(OU_CORNER_LEFTBOTTOM)->y, grid[17 + 1]);

    // The ring follows the view: far blocks left behind go back to the pool.
    const SBoundCircle moved(480.0f, 480.0f, 30.0f);
    ASSERT_EQ(t.Clip(&moved, 8, 100.0f, &area), S_OK);
    EXPECT_EQ(t.GetOutlyingRoot()->GetLeaf(48.0f, 48.0f), nullptr);
    EXPECT_GT(t.GetNumAbandonedOutlyingBlocks(), 0u);
    EXPECT_EQ(t.DetachOutlyingBlock(15, 15), S_OK);
    EXPECT_EQ(t.DetachOutlyingBlock(15, 15), E_FAIL);

    // A far circle that the far tree cannot reach is reported by Clip.
    EXPECT_EQ(t.Clip(&moved, 1, 5000.0f, &area), E_FAIL);
    t.DetachAllOutlyingBlock();
    EXPECT_EQ(t.GetOutlyingRoot(), nullptr);
}

TEST_F(DTFarRing, BatchesOfIndexBuffersDrawTheRing)
{
    const streamed_gen::Map map;
    const SDTOutlyingCfg ring = Ring(1); // far blocks of 8, 64 per side: 4096 of them
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, map.stride, map.blockSize, 16, nullptr, nullptr, nullptr, &ring), S_OK);
    const SBoundCircle view(256.0f, 256.0f, 1.0f);
    ASSERT_EQ(t.Clip(&view, 8, 400.0f, nullptr), S_OK);
    EXPECT_EQ(t.GetNumLocalOutlyingBlocks(), 4096u);
    CEye all;
    Look(all, D3DXVECTOR3(256.0f, 1000.0f, 255.0f), D3DXVECTOR3(256.0f, 0.0f, 256.0f), D3DX_PI / 2);
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, TRUE, 0.0f), S_OK);
    ASSERT_EQ(t.GetNumLocalVisibleOutlyingBlocks(), 4096u);
    const auto& batches = t.GetOutlyingBatches();
    ASSERT_EQ(batches.size(), 7u) << "682 blocks per buffer of 8192 indices";
    EXPECT_EQ(batches[0].wPrimitiveCount, 2 * 682);
    EXPECT_EQ(batches[6].wPrimitiveCount, 2 * (4096 - 6 * 682));
    EXPECT_EQ(batches[0].dwType, DWORD(D3DPT_TRIANGLELIST));
    EXPECT_EQ(batches[0].wMinIndex, 0);
    EXPECT_EQ(t.GetNumOutlyingIBs(), 7u);

    // The distance test leaves the near ground to the streamed blocks.
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, TRUE, 100.0f), S_OK);
    EXPECT_LT(t.GetNumLocalVisibleOutlyingBlocks(), 4096u - 400u);
    // With few blocks the spare buffers are cut to four.
    const SBoundCircle small(256.0f, 256.0f, 1.0f);
    ASSERT_EQ(t.Clip(&small, 8, 20.0f, nullptr), S_OK);
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, TRUE, 0.0f), S_OK);
    EXPECT_EQ(t.GetOutlyingBatches().size(), 1u);
    EXPECT_EQ(t.GetNumOutlyingIBs(), 5u);

    // Drawn from above, the ring covers the middle of the frame.
    CEye eye;
    Look(eye, D3DXVECTOR3(256.0f, 60.0f, 255.0f), D3DXVECTOR3(256.0f, 0.0f, 256.0f));
    FlatStates();
    const std::vector<uint32_t> px = Frame([&] { EXPECT_EQ(t.RenderOutlying(device, nullptr), S_OK); }, "dt_ring");
    const uint32_t centre = px[(height / 2) * width + width / 2];
    EXPECT_EQ(centre & 0xFFFFFF, 0xFFFFFFu);
    if ((centre & 0xFFFFFF) != 0xFFFFFF) Save(px);
}

TEST_F(DTFarRing, TheRingComesBackAfterALostDevice)
{
    const SDTOutlyingCfg ring = Ring(1);
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 16, 8.0f, 16, nullptr, nullptr, nullptr, &ring), S_OK);
    const SBoundCircle view(64.0f, 64.0f, 1.0f);
    ASSERT_EQ(t.Clip(&view, 8, 200.0f, nullptr), S_OK);
    CEye all;
    Look(all, D3DXVECTOR3(64.0f, 1000.0f, 63.0f), D3DXVECTOR3(64.0f, 0.0f, 64.0f), D3DX_PI / 2);
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, TRUE, 0.0f), S_OK);
    ASSERT_GT(t.GetNumOutlyingIBs(), 0u);

    // Without the terrain's Invalidate its default-pool buffers block the reset.
    events.terrain = &t;
    events.forward = false;
    host::D3D8LoseDevices();
    EXPECT_EQ(Kestu_PrepareForRender(), D3DERR_DEVICELOST);
    host::D3D8RegainDevices();
    EXPECT_LT(Kestu_PrepareForRender(), 0);

    events.forward = true;
    ASSERT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_EQ(t.GetNumOutlyingIBs(), 0u);
    ASSERT_NE(t.GetOutlyingVB(), nullptr) << "the managed vertex buffer lives on";
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, TRUE, 0.0f), S_OK);
    EXPECT_GT(t.GetNumOutlyingIBs(), 0u);
    CEye eye;
    Look(eye, D3DXVECTOR3(64.0f, 40.0f, 63.0f), D3DXVECTOR3(64.0f, 0.0f, 64.0f));
    FlatStates();
    const std::vector<uint32_t> px = Frame([&] { EXPECT_EQ(t.RenderOutlying(device, nullptr), S_OK); }, "dt_ring_lost");
    EXPECT_EQ(Count(px, kBackground), 0);
    if (Count(px, kBackground)) Save(px);
}
