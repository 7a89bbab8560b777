// Positions float cannot resolve at the terrain's block size: Clip and
// AttachBlock refuse them, and no walk of the tree runs away on them.
#include <cmath>
#include <limits>

#include "dt_device_fixture.h"

namespace {

using DTRange = DTTerrainTest;
using DTRangeFarRing = DTDeviceTest;

// Blocks of 0.02 resolve to 0.02 x 2^17 = 2621.44 units from the origin.
constexpr float kBlock = 0.02f;
constexpr float kReach = kBlock * 131072.0f;

int g_nRequests = 0;
void CountRequest(float, float) { ++g_nRequests; }

class Leaf : public CQTDynamicLeaf {
public:
    Leaf(float x, float z, float size)
    {
        const KESTURECT2 r(x, z + size, x + size, z);
        SetRect(&r);
    }
};

} // namespace

TEST_F(DTRange, ClipRefusesAViewFloatCannotResolveAndWorksOnAfterwards)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 64, kBlock), S_FALSE);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float x, z, r;
    } refused[] = {{1e6f, 1e6f, 0.2f}, {-1e6f, 0.5f, 0.2f},      {0.5f, 3e4f, 0.2f}, {kReach, 0.5f, 0.1f},
                   {0.5f, 0.5f, 1e5f}, {nan, 0.5f, 0.2f},        {0.5f, 0.5f, inf},  {0.5f, 0.5f, nan},
                   {inf, inf, 0.0f},   {-kReach, -kReach, 0.01f}};
    for (const auto& v : refused) {
        const SBoundCircle view(v.x, v.z, v.r);
        EXPECT_EQ(t.Clip(&view, 16, 0.0f, nullptr), E_FAIL) << v.x << ", " << v.z << ", " << v.r;
        EXPECT_EQ(t.GetTreeRoot(), nullptr);
        EXPECT_EQ(t.GetNumLoadBlocks(), 0u);
    }

    // Just inside the range the view streams as anywhere else.
    const SBoundCircle edge(kReach - 1.0f, 100.0f, 0.05f);
    ASSERT_EQ(t.Clip(&edge, 24, 0.0f, nullptr), S_OK);
    const auto load = Positions(t, true);
    ASSERT_FALSE(load.empty());
    for (const auto& p : load) {
        EXPECT_NEAR(p.first * kBlock, edge.x, 0.1f);
        EXPECT_NEAR(p.second * kBlock, edge.y, 0.1f);
    }
    for (const auto& p : load) ASSERT_EQ(Attach(t, p.first, p.second, 0.0f, 24), S_OK);
    EXPECT_EQ(Blocks(t), load);

    // A refused view leaves the tree as it was; the next good one moves on.
    const SBoundCircle far(1e6f, 1e6f, 0.2f);
    EXPECT_EQ(t.Clip(&far, 64, 0.0f, nullptr), E_FAIL);
    EXPECT_EQ(Blocks(t), load);
    const SBoundCircle home(0.5f, 0.5f, 0.05f);
    ASSERT_EQ(t.Clip(&home, 24, 0.0f, nullptr), S_OK);
    EXPECT_EQ(Positions(t, false), load) << "every block near the edge dropped";
    EXPECT_TRUE(Positions(t, true).count({25, 25}));
}

TEST_F(DTRange, AttachBlockRefusesAPositionFloatCannotResolve)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 64, kBlock, 4), S_FALSE);
    const DWORD free = t.GetBlockPool()->GetFreeCount();
    for (int x : {1 << 17, -(1 << 17) - 1, 1 << 24, 50000000}) {
        EXPECT_EQ(Attach(t, x, 3), E_FAIL) << x;
        EXPECT_EQ(Attach(t, 3, x), E_FAIL) << x;
    }
    EXPECT_EQ(t.GetTreeRoot(), nullptr);
    EXPECT_EQ(t.GetNumAttachedBlocks(), 0);
    EXPECT_EQ(t.GetBlockPool()->GetFreeCount(), free) << "every refused block went back";

    ASSERT_EQ(Attach(t, 3, 3, 0.0f, 24), S_OK);
    EXPECT_EQ(Attach(t, (1 << 17) - 2, 3, 0.0f, 24), S_OK) << "the far edge of the range";
    EXPECT_EQ(Attach(t, -(1 << 17) + 1, -(1 << 17) + 1, 0.0f, 24), S_OK);
    EXPECT_EQ(Attach(t, 1 << 20, 3, 0.0f, 64), E_FAIL) << "beyond it also with a grown tree";
    EXPECT_EQ(t.GetNumAttachedBlocks(), 3);
    EXPECT_EQ(Blocks(t).size(), 3u);
}

TEST(DTRangeTree, NoWalkDescendsBelowWhatFloatCanHalve)
{
    // At 1e6 floats lie 0.0625 apart: a node of 0.125 halves once, its
    // children no more.
    CQTDNodePool pool;
    CQTDynamicNode* root = CQTDynamicNode::NewNode(&pool);
    const KESTURECT2 r(1e6f, 1e6f + 0.125f, 1e6f + 0.125f, 1e6f);
    root->SetRect(&r);
    g_nRequests = 0;
    EXPECT_EQ(root->FillFullTreeWithoutLeaf(kBlock, &pool, CountRequest), S_OK);
    EXPECT_EQ(pool.GetNumCreated(), 5u) << "the root and its four children";
    EXPECT_EQ(g_nRequests, 0);

    Leaf tiny(1e6f, 1e6f, kBlock);
    ASSERT_EQ(tiny.GetRect()->GetWidth(), 0.0f) << "the block itself is lost to rounding";
    Leaf small(1e6f, 1e6f, 0.0625f / 4);
    EXPECT_EQ(root->AttachSubTree(&small, &pool, nullptr), E_FAIL);
    EXPECT_EQ(small.GetParent(), nullptr);

    root->DestoryTreeNode(&pool, nullptr);
    EXPECT_TRUE(root->IsEmpty());
    CQTDynamicNode::DeleteNode(root, &pool);
}

TEST_F(DTRangeFarRing, FarRingRefusesPositionsFloatCannotResolve)
{
    CDynamicTerrain t;
    const SDTOutlyingCfg ring;
    ASSERT_EQ(Build(t, 8, kBlock, 4, nullptr, nullptr, nullptr, &ring), S_OK);
    const SBoundCircle view(0.05f, 0.05f, 0.05f);
    EXPECT_EQ(t.Clip(&view, 16, 1e6f, nullptr), E_FAIL) << "the far circle reaches beyond the range";
    EXPECT_EQ(t.GetOutlyingRoot(), nullptr);
    const SBoundCircle far(1e6f, 1e6f, 1.0f);
    EXPECT_EQ(t.ClipOutlying(&far, nullptr, 64), E_FAIL);
    EXPECT_EQ(t.GetOutlyingRoot(), nullptr);
    const SDTOutlyingBlockInit corners;
    EXPECT_EQ(t.AttachExternOutlyingBlock(1 << 24, 0, &corners, 64, nullptr), E_FAIL);
    EXPECT_EQ(t.AttachExternOutlyingBlock(-3, 0, &corners, 8, nullptr), S_OK);
    EXPECT_EQ(t.Clip(&view, 16, 0.5f, nullptr), S_OK);
}
