// Streaming: Clip sizes and grows the tree, asks for the blocks entering the
// view circle and drops those leaving it; AttachBlock, DetachBlock and
// DetachAllBlock keep the count and the visible lists; the whole terrain
// shifts by whole blocks.
#include <cmath>

#include "dt_fixture.h"

namespace {

class DTStream : public DTTerrainTest {
protected:
    // A camera high above (x, z) looking straight down.
    static void LookDown(CEye& eye, float x, float z, float height = 60.0f)
    {
        eye.SetViewingFrustum(D3DX_PI / 2, 1.0f, 1.0f, 1000.0f, 1.0f, 0, 1, FRUSTUM_WIDEN_RATE);
        D3DXVECTOR3 pos(x, height, z);
        const D3DXVECTOR3 dir(0.0f, -1.0f, 0.0f), up(0.0f, 0.0f, 1.0f);
        eye.SetPos(&pos, 0);
        eye.SetDirection(&dir, &up, 1);
    }
    static bool Listed(CPointerArray* list, const void* block)
    {
        for (DWORD i = 0; i < list->GetCount(); ++i)
            if (list->GetPointer(i) == block) return true;
        return false;
    }
    // Both visible lists hold a block in every counted entry.
    static void ExpectPacked(CDynamicTerrain& t)
    {
        for (CPointerArray* list : {t.GetLocalVisibleBlocks(), t.GetExternVisibleBlocks()})
            for (DWORD i = 0; i < list->GetCount(); ++i) EXPECT_NE(list->GetPointer(i), nullptr) << "entry " << i;
    }
};

} // namespace

TEST_F(DTStream, TheFirstClipSizesTheRootByDoubling)
{
    CDynamicTerrain t;
    const SBoundCircle view(10.0f, 10.0f, 6.0f);
    EXPECT_EQ(t.Clip(&view, 2, 0.0f, nullptr), E_FAIL) << "not built";
    ASSERT_EQ(Build(t, 64, 4.0f), S_FALSE);
    EXPECT_EQ(t.Clip(&view, 0, 0.0f, nullptr), E_FAIL);
    EXPECT_EQ(t.Clip(&view, 1, 0.0f, nullptr), E_FAIL) << "8 units do not reach 16";
    EXPECT_EQ(t.GetTreeRoot(), nullptr);
    EXPECT_EQ(t.GetNodePool()->GetNumCreated(), t.GetNodePool()->GetFreeCount()) << "the node went back";
    ASSERT_EQ(t.Clip(&view, 2, 0.0f, nullptr), S_OK);
    const KESTURECT2* r = t.GetTreeRoot()->GetRect();
    EXPECT_EQ(r->left, 4.0f);
    EXPECT_EQ(r->bottom, 4.0f);
    EXPECT_EQ(r->right, 20.0f);
    EXPECT_EQ(r->top, 20.0f);
    // Cells (1..4) x (1..4) whose circles touch the view circle.
    const auto load = Positions(t, true);
    EXPECT_TRUE(load.count({2, 2}));
    EXPECT_FALSE(load.count({4, 4})) << "(16..20) lies beyond the circle";
    EXPECT_EQ(t.GetNumUnloadedBlocks(), 0u);
}

TEST_F(DTStream, LeftOfAndBelowTheOriginTheRootStillCoversTheView)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 64, 4.0f), S_FALSE);
    const SBoundCircle view(-10.0f, -9.0f, 3.0f);
    ASSERT_EQ(t.Clip(&view, 4, 0.0f, nullptr), S_OK);
    const KESTURECT2* r = t.GetTreeRoot()->GetRect();
    EXPECT_LE(r->left, -13.0f);
    EXPECT_LE(r->bottom, -12.0f);
    EXPECT_EQ(r->left, -16.0f);
    const auto load = Positions(t, true);
    EXPECT_TRUE(load.count({-4, -3})) << "the cell under the circle's low-x edge";
    EXPECT_TRUE(load.count({-3, -3}));
    // The first root may leave part of the view outside; the next Clip grows it.
    ASSERT_EQ(t.Clip(&view, 4, 0.0f, nullptr), S_OK);
    EXPECT_TRUE(Positions(t, true).count({-2, -2}));
}

TEST_F(DTStream, AWalkAcrossTheMapStreamsBlocksInAndOut)
{
    const streamed_gen::Map map;
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, map.stride, map.blockSize, 32), S_FALSE);
    const float radius = 30.0f, half = 0.70710677f * map.blockSize;
    std::set<std::pair<int, int>> held;
    float widest = 0.0f;
    int requested = 0, dropped = 0;
    for (int step = 0; step <= 60; ++step) {
        const float x = 20.0f + 6.0f * step, z = 30.0f + 2.5f * step;
        const SBoundCircle view(x, z, radius);
        ASSERT_EQ(t.Clip(&view, 8, 0.0f, nullptr), S_OK) << step;
        const auto load = Positions(t, true), gone = Positions(t, false);
        for (const auto& p : load) EXPECT_FALSE(held.count(p)) << "asked for a block it holds";
        for (const auto& p : gone) {
            EXPECT_TRUE(held.count(p)) << "dropped a block it did not hold";
            const float cx = (p.first + 0.5f) * map.blockSize, cz = (p.second + 0.5f) * map.blockSize;
            EXPECT_GT(std::hypot(cx - x, cz - z), radius) << "dropped a block inside the circle";
        }
        requested += int(load.size());
        dropped += int(gone.size());
        EXPECT_EQ(streamed_gen::Serve(t, map, 8), int(load.size()));
        held = Blocks(t);
        EXPECT_EQ(t.GetNumAttachedBlocks(), int(held.size())) << "the count follows the drops";
        if (step == 0) continue; // the first root may not hold the whole view
        for (const auto& [bx, bz] : held) {
            const float cx = (bx + 0.5f) * map.blockSize, cz = (bz + 0.5f) * map.blockSize;
            EXPECT_LE(std::hypot(cx - x, cz - z), radius + 3.0f * half) << bx << "," << bz;
        }
        // Every cell well inside the circle is there.
        for (int bx = int(std::floor((x - radius) / map.blockSize)); bx * map.blockSize < x + radius; ++bx)
            for (int bz = int(std::floor((z - radius) / map.blockSize)); bz * map.blockSize < z + radius; ++bz) {
                const float cx = (bx + 0.5f) * map.blockSize, cz = (bz + 0.5f) * map.blockSize;
                if (std::hypot(cx - x, cz - z) < radius - half) {
                    EXPECT_TRUE(held.count({bx, bz})) << bx << "," << bz;
                }
            }
        widest = std::max(widest, t.GetTreeRoot()->GetRect()->GetWidth());
        const KESTURECT2* r = t.GetTreeRoot()->GetRect();
        EXPECT_TRUE(r->left <= x - radius && r->right > x + radius && r->bottom <= z - radius && r->top > z + radius);
    }
    EXPECT_GT(requested, 200);
    EXPECT_GT(dropped, 100);
    EXPECT_GE(widest, 256.0f) << "the root grew with the walk";
    // Blocks and nodes are recycled: far fewer are made than were attached.
    EXPECT_LT(int(t.GetBlockPool()->GetNumCreated()), requested / 2);
    EXPECT_EQ(int(t.GetBlockPool()->GetNumCreated()), t.GetNumAttachedBlocks() + int(t.GetNumAbandonedBlocks()));
}

TEST_F(DTStream, ABoxReachingTheRootsRightEdgeGrowsTheTree)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 64, 4.0f), S_FALSE);
    const SBoundCircle first(8.0f, 8.0f, 4.0f); // a first root of 2 x 2 blocks, 4..12
    ASSERT_EQ(t.Clip(&first, 4, 0.0f, nullptr), S_OK);
    const KESTURECT2 r = *t.GetTreeRoot()->GetRect();
    const SBoundCircle edge(r.right - 4.0f, 8.0f, 4.0f); // box right == root right
    ASSERT_EQ(t.Clip(&edge, 4, 0.0f, nullptr), S_OK);
    EXPECT_EQ(t.GetTreeRoot()->GetRect()->GetWidth(), 2.0f * r.GetWidth());
    const SBoundCircle away(5000.0f, 8.0f, 4.0f);
    EXPECT_EQ(t.Clip(&away, 2, 0.0f, nullptr), E_FAIL) << "more than maxGrow doublings away";
    EXPECT_EQ(t.GetTreeRoot()->GetRect()->GetWidth(), 2.0f * r.GetWidth()) << "the growth of the failed call is undone";
}

TEST_F(DTStream, DropsDetachmentsAndTheVisibleLists)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 8, 4.0f), S_FALSE);
    CEye eye;
    LookDown(eye, 16.0f, 16.0f);
    STestBlockVisibleContext test;
    test.pFrustum = &eye;
    for (int x = -1; x < 3; ++x)
        for (int z = 0; z < 3; ++z) ASSERT_EQ(Attach(t, x, z, 0.0f, 8, &test), S_OK);
    EXPECT_TRUE(test.bVisible);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 12);
    EXPECT_EQ(t.GetLocalVisibleBlocks()->GetCount(), 9u) << "attached blocks the frustum holds are listed at once";
    EXPECT_EQ(t.GetExternVisibleBlocks()->GetCount(), 3u) << "column -1 is beyond the map";
    EXPECT_EQ(t.DetachBlock(5, 5), E_FAIL);
    CQuadtree* leaf = t.GetTreeRoot()->GetLeaf(2.0f, 2.0f);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(t.DetachBlock(0, 0), S_OK);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 11);
    EXPECT_FALSE(Listed(t.GetLocalVisibleBlocks(), leaf));
    EXPECT_EQ(t.GetLocalVisibleBlocks()->GetCount(), 8u) << "the count follows the removal";
    EXPECT_EQ(t.GetNumVisibleBlocks(), 11u);
    ExpectPacked(t);
    EXPECT_EQ(t.DetachBlock(-1, 1), S_OK); // from the middle of the extern list
    EXPECT_EQ(t.GetExternVisibleBlocks()->GetCount(), 2u);
    ExpectPacked(t);
    ASSERT_EQ(Attach(t, -1, 1, 0.0f, 8, &test), S_OK);
    EXPECT_EQ(t.GetExternVisibleBlocks()->GetCount(), 3u);
    ExpectPacked(t);
    EXPECT_EQ(t.GetNumUnloadedBlocks(), 0u) << "DetachBlock reports nothing";

    // Attaching over an occupied cell: the block there takes over the data,
    // the new block goes back to the pool and the count stays.
    const DWORD free = t.GetNumAbandonedBlocks();
    EXPECT_EQ(Attach(t, 1, 1, 5.0f), 1);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 11);
    EXPECT_EQ(t.GetNumAbandonedBlocks(), free);
    auto* there = static_cast<CDynamicTerrainBlock*>(t.GetTreeRoot()->GetLeaf(6.0f, 6.0f));
    EXPECT_EQ(there->GetVerNormal(12)->p.y, 5.0f);

    // A Clip that drops blocks takes them out of the count and the lists.
    const SBoundCircle view(10.0f, 10.0f, 3.0f);
    ASSERT_EQ(t.Clip(&view, 8, 0.0f, nullptr), S_OK);
    const auto gone = Positions(t, false);
    EXPECT_FALSE(gone.empty());
    const size_t kept = Blocks(t).size();
    EXPECT_EQ(t.GetNumAttachedBlocks(), int(Blocks(t).size()));
    for (CPointerArray* list : {t.GetLocalVisibleBlocks(), t.GetExternVisibleBlocks()})
        for (DWORD i = 0; i < list->GetCount(); ++i)
            if (auto* b = static_cast<CDynamicTerrainBlock*>(list->GetPointer(i))) {
                EXPECT_NE(b->GetParent(), nullptr) << "a listed block that left the tree";
            }
    ExpectPacked(t);
    EXPECT_EQ(t.GetNumVisibleBlocks(), kept) << "every kept block was visible, and only those stay listed";

    t.DetachAllBlock();
    EXPECT_EQ(t.GetTreeRoot(), nullptr);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 0) << "nothing is attached after DetachAllBlock";
    EXPECT_EQ(t.GetNumVisibleBlocks(), 0u);
    EXPECT_EQ(t.GetNumUnloadedBlocks(), gone.size() + kept) << "every block reported after the dropped ones";
}

TEST_F(DTStream, DetachAllReportsEveryBlockAndTheRootCollapses)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 64, 4.0f), S_FALSE);
    ASSERT_EQ(Attach(t, 0, 0), S_OK);
    ASSERT_EQ(Attach(t, 9, 0), S_OK); // the root grows to 16 blocks
    EXPECT_EQ(t.GetTreeRoot()->GetRect()->GetWidth(), 64.0f);
    EXPECT_EQ(t.DetachBlock(9, 0), S_OK);
    EXPECT_EQ(t.GetTreeRoot()->GetRect()->GetWidth(), 8.0f) << "the root collapses to the branch that is left";
    ASSERT_EQ(Attach(t, 1, 0), S_OK);
    t.DetachAllBlock();
    EXPECT_EQ(Positions(t, false), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}}));
    EXPECT_EQ(t.GetNodePool()->GetNumCreated(), t.GetNodePool()->GetFreeCount());
    t.DetachAllBlock();
    EXPECT_EQ(t.DetachBlock(0, 0), E_FAIL);

    // Beyond maxGrow an attach fails and leaves no trace.
    ASSERT_EQ(Attach(t, 0, 0), S_OK);
    const KESTURECT2 before = *t.GetTreeRoot()->GetRect();
    const DWORD free = t.GetNumAbandonedBlocks();
    EXPECT_EQ(Attach(t, 100, 100, 0.0f, 2), E_FAIL);
    EXPECT_EQ(t.GetTreeRoot()->GetRect()->GetWidth(), before.GetWidth());
    EXPECT_EQ(t.GetNumAbandonedBlocks(), free);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 1);
}

TEST_F(DTStream, VisibilityLevelsAndTheFarRingSwitch)
{
    BYTE bytes[8 * 8];
    std::fill(bytes, bytes + 64, BYTE(7));
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 8, 4.0f, 8, nullptr, nullptr, nullptr, nullptr, bytes), S_FALSE);
    EXPECT_EQ(t.UpdateVisibleState(nullptr, TRUE, TRUE, 0.0f), E_FAIL);
    for (int x = -1; x < 2; ++x) ASSERT_EQ(Attach(t, x, 3), S_OK);
    ASSERT_EQ(Attach(t, 1, 4, 0.0f, 8, nullptr, DTB_FLAG_HIDE), S_OK);
    CEye eye;
    LookDown(eye, 4.0f, 14.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, TRUE, TRUE, 0.0f), S_OK);
    EXPECT_EQ(t.GetLocalVisibleBlocks()->GetCount(), 2u);
    EXPECT_EQ(t.GetExternVisibleBlocks()->GetCount(), 1u);
    EXPECT_TRUE(t.IsHaveExternVisibleBlock());
    int set = 0;
    for (BYTE b : bytes) set += b;
    EXPECT_EQ(set, 2) << "cleared, then one byte per visible block on the map";
    EXPECT_EQ(bytes[3 * 8 + 1], 1);
    // Looking away, nothing is visible.
    LookDown(eye, 4000.0f, 14.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, TRUE, TRUE, 0.0f), S_OK);
    EXPECT_EQ(t.GetNumVisibleBlocks(), 0u);
    ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, TRUE, 0.0f), S_OK);
    EXPECT_EQ(t.GetNumVisibleBlocks(), 3u) << "without the frustum every shown block";

    const SBoundCircle view(4.0f, 14.0f, 8.0f);
    EXPECT_EQ(t.Clip(&view, 8, 0.001f, nullptr), S_OK) << "no far ring asked for";
    EXPECT_EQ(t.Clip(&view, 8, 0.01f, nullptr), S_FALSE) << "a far ring asked for, none built";
}

TEST_F(DTStream, WholeTerrainShiftsByWholeBlocks)
{
    CDynamicTerrain t;
    EXPECT_EQ(t.SwitchTerrainSmoothly(1, 0, 0, nullptr, 0.0f), E_FAIL);
    ASSERT_EQ(Build(t, 8, 4.0f), S_FALSE);
    EXPECT_EQ(t.SwitchTerrainSmoothly(0, 0, 0, nullptr, 0.0f), E_FAIL);
    ASSERT_EQ(Attach(t, 2, 2, 1.0f), S_OK);
    ASSERT_EQ(Attach(t, 3, 2, 1.0f), S_OK);
    ASSERT_EQ(t.SwitchTerrainSmoothly(-2, 1, 0, nullptr, 0.0f), S_OK);
    EXPECT_EQ(Blocks(t), (std::set<std::pair<int, int>>{{0, 3}, {1, 3}}));
    auto* b = static_cast<CDynamicTerrainBlock*>(t.GetTreeRoot()->GetLeaf(2.0f, 14.0f));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetMBIndex(), 3 * 8 + 0);
    EXPECT_EQ(b->GetVerNormal(0)->p, D3DXVECTOR3(0.0f, 1.0f, 12.0f));

    // A new map stride with its own visibility bytes; a rise lifts everything.
    BYTE bytes[16 * 16] = {};
    ASSERT_EQ(t.SwitchTerrainSmoothly(1, 0, 16, bytes, 2.0f), S_OK);
    EXPECT_EQ(t.GetBlockStride(), 16);
    EXPECT_EQ(b->GetMBIndex(), 3 * 16 + 1);
    EXPECT_EQ(b->GetVerNormal(0)->p, D3DXVECTOR3(4.0f, 3.0f, 12.0f));
    CEye eye;
    LookDown(eye, 8.0f, 14.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, FALSE, 0.0f), S_OK);
    EXPECT_EQ(bytes[3 * 16 + 1], 1);
    EXPECT_EQ(bytes[3 * 16 + 2], 1);

    // Switching to another map: a new build starts empty.
    ASSERT_EQ(Build(t, 32, 2.0f), S_FALSE);
    EXPECT_EQ(t.GetTreeRoot(), nullptr);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 0);
    ASSERT_EQ(Attach(t, 31, 31), S_OK);
    EXPECT_EQ(t.GetTreeRoot()->GetRect()->left, 62.0f);
}

TEST_F(DTStream, WaterWavesMoveWithAClock)
{
    streamed_gen::Map map;
    map.stride = 16;
    map.waterLevel = 100.0f; // every block under water
    map.waterId = 2;
    SWaterWaveCfg waves;
    SWaterWaveEntry e;
    e.byID = 2;
    e.Wave.fXAmplitude = 0.5f;
    waves.Entries.push_back(e);
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, map.stride, map.blockSize, 8, nullptr, &waves), S_FALSE);
    const SBoundCircle view(20.0f, 20.0f, 10.0f);
    ASSERT_EQ(t.Clip(&view, 8, 0.0f, nullptr), S_OK);
    ASSERT_GT(streamed_gen::Serve(t, map, 8), 0);
    CFrustum all;
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, FALSE, 0.0f), S_OK);
    auto* b = static_cast<CDynamicTerrainBlock*>(t.GetLocalVisibleBlocks()->GetPointer(0));
    ASSERT_TRUE(b && b->IsWaveWater());
    const SDTVertexEx* w = b->GetWaterVer(7);
    std::vector<float> heights;
    for (float time : {0.0f, 0.25f, 0.5f, 0.75f}) {
        const float before = w->p.y;
        t.FrameMoveWater(time, 7); // no such wave: nothing moves
        EXPECT_EQ(w->p.y, before);
        t.FrameMoveAllWater(time);
        const SWaveWaterPara para(time, t.GetWaterWave(2));
        EXPECT_NEAR(w->p.y,
                    100.0f + para.fAmpX * std::sin(para.fWaveNumX * w->p.x + para.fPhaseX) +
                        para.fAmpZ * std::sin(para.fWaveNumZ * w->p.z + para.fPhaseZ),
                    1e-4f);
        heights.push_back(w->p.y);
        t.FrameMoveWater(time, 2);
        EXPECT_EQ(w->p.y, heights.back()) << "one wave, by id or for all";
    }
    EXPECT_NE(heights[0], heights[1]);
    t.SetAllWaterVertexDiffuse(0x80FFFFFF);
    EXPECT_EQ(w->diffuse, 0x80FFFFFFu);
}

TEST_F(DTStream, ABlockShiftedOffTheMapStillLeavesItsList)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 8, 4.0f), S_FALSE);
    ASSERT_EQ(Attach(t, 0, 0), S_OK);
    ASSERT_EQ(Attach(t, 1, 0), S_OK);
    CFrustum all;
    ASSERT_EQ(t.UpdateVisibleState(&all, FALSE, FALSE, 0.0f), S_OK);
    ASSERT_EQ(t.GetLocalVisibleBlocks()->GetCount(), 2u);
    ASSERT_EQ(t.SwitchTerrainSmoothly(-1, 0, 0, nullptr, 0.0f), S_OK); // (0, 0) is now (-1, 0), off the map
    EXPECT_EQ(t.DetachBlock(-1, 0), S_OK);
    for (DWORD i = 0; i < t.GetLocalVisibleBlocks()->GetCount(); ++i) {
        auto* b = static_cast<CDynamicTerrainBlock*>(t.GetLocalVisibleBlocks()->GetPointer(i));
        EXPECT_TRUE(!b || b->GetParent()) << "a block that left the tree is still listed";
    }
}
