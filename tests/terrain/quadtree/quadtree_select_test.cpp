// Quadtree selection: every query shape, whole and partial reports, flags.
#include "quadtree_fixture.h"

namespace {

// Counts the tests a node is put to.
class CountingNode : public CQTNode {
public:
    ENUM_QT_SELECT_RESULT SelectTestByFrustum(const CFrustum* f, void* c) override
    {
        ++tests;
        return CQTNode::SelectTestByFrustum(f, c);
    }
    int tests = 0;
};

std::vector<int> Selected(LeafGrid& g)
{
    std::vector<int> out;
    for (DWORD i = 0; i < g.size * g.size; ++i)
        if (g.leaves[i]->selected) out.push_back(int(i));
    return out;
}

} // namespace

TEST(QuadtreeSelect, PointOnlyStrictlyInside)
{
    LeafGrid g(3);
    EXPECT_EQ(g.root->SelectSubTreeByPoint(1.5f, 2.5f, nullptr), 1u);
    EXPECT_EQ(Selected(g), std::vector<int>({9}));
    EXPECT_EQ(g.Leaf(1, 2)->lastWhole, 0);
    g.Clear();
    // On the shared edge of two leaves (and on the root's centre): nothing.
    EXPECT_EQ(g.root->SelectSubTreeByPoint(1.0f, 2.5f, nullptr), 0u);
    EXPECT_EQ(g.root->SelectSubTreeByPoint(2.0f, 2.0f, nullptr), 0u);
    EXPECT_TRUE(Selected(g).empty());
}

TEST(QuadtreeSelect, RectangleWholeAndPartial)
{
    LeafGrid g(3);
    int context = 0;
    EXPECT_EQ(g.root->SelectSubTreeByRect(nullptr, &context), 16u);
    EXPECT_EQ(g.Leaf(3, 3)->lastWhole, 1);
    EXPECT_EQ(g.Leaf(3, 3)->lastContext, &context);
    g.Clear();
    const KESTURECT2 q(0.5f, 2.0f, 2.0f, 0.0f); // covers leaves (1,0), (1,1) whole; touches (0,*), (2,*)
    const DWORD n = g.root->SelectSubTreeByRect(&q, nullptr);
    EXPECT_EQ(n, DWORD(Selected(g).size()));
    EXPECT_EQ(g.Leaf(1, 0)->selected, 1);
    EXPECT_EQ(g.Leaf(1, 0)->lastWhole, 1);
    EXPECT_EQ(g.Leaf(0, 0)->selected, 1);
    EXPECT_EQ(g.Leaf(0, 0)->lastWhole, 0);
    EXPECT_EQ(g.Leaf(3, 3)->selected, 0);
}

TEST(QuadtreeSelect, CircleUsesTheNodeSpheres)
{
    LeafGrid g(4); // 8 x 8
    const SBoundCircle small(0.5f, 0.5f, 0.2f);
    EXPECT_EQ(g.root->SelectSubTreeByCircle(&small, nullptr, nullptr), 1u);
    EXPECT_EQ(g.Leaf(0, 0)->selected, 1);
    g.Clear();
    const SBoundCircle big(4.0f, 4.0f, 20.0f);
    EXPECT_EQ(g.root->SelectSubTreeByCircle(&big, nullptr, nullptr), 64u);
    EXPECT_EQ(g.Leaf(7, 7)->lastWhole, 1);
    g.Clear();
    const SBoundCircle far(40.0f, 40.0f, 1.0f);
    EXPECT_EQ(g.root->SelectSubTreeByCircle(&far, nullptr, nullptr), 0u);
}

TEST(QuadtreeSelect, TriangleCoversCutsAndSitsInside)
{
    LeafGrid g(3);
    // Clockwise seen from above (x right, z up): inside on the negative side.
    const KESTUPOINT2 big[3] = {{-1.0f, -1.0f}, {-1.0f, 9.0f}, {9.0f, -1.0f}};
    g.root->SelectSubTreeByTriangle(big, nullptr, nullptr, nullptr);
    EXPECT_EQ(g.Leaf(0, 0)->lastWhole, 1);
    EXPECT_EQ(g.Leaf(3, 3)->selected, 1);
    EXPECT_EQ(g.Leaf(3, 3)->lastWhole, 0);
    g.Clear();

    // Wholly inside one leaf, no corner of it covered: the vertex step.
    const KESTUPOINT2 tiny[3] = {{2.2f, 1.2f}, {2.3f, 1.6f}, {2.6f, 1.3f}};
    EXPECT_EQ(g.root->SelectSubTreeByTriangle(tiny, nullptr, nullptr, nullptr), 1u);
    EXPECT_EQ(g.Leaf(2, 1)->selected, 1);
    EXPECT_EQ(g.Leaf(2, 1)->lastWhole, 0);
    g.Clear();

    // A sliver through leaf (1,1) with no corner in it and no vertex in it: the edge step.
    const KESTUPOINT2 sliver[3] = {{0.5f, 1.45f}, {2.5f, 1.55f}, {2.5f, 1.45f}};
    g.root->SelectSubTreeByTriangle(sliver, nullptr, nullptr, nullptr);
    EXPECT_EQ(g.Leaf(1, 1)->selected, 1);
    EXPECT_EQ(g.Leaf(1, 2)->selected, 0);
    EXPECT_EQ(g.Leaf(1, 0)->selected, 0);
    g.Clear();
    EXPECT_EQ(g.root->SelectSubTreeByTriangle(nullptr, nullptr, nullptr, nullptr), 16u);
}

TEST(QuadtreeSelect, QuadrangleAndConvexPolygon)
{
    LeafGrid g(3);
    const KESTUPOINT2 quad[4] = {{0.5f, 0.5f}, {0.5f, 2.5f}, {2.5f, 2.5f}, {2.5f, 0.5f}};
    g.root->SelectSubTreeByQuadrangle(quad, nullptr, nullptr, nullptr);
    EXPECT_EQ(g.Leaf(1, 1)->lastWhole, 1);
    EXPECT_EQ(g.Leaf(0, 0)->selected, 1);
    EXPECT_EQ(g.Leaf(0, 0)->lastWhole, 0);
    EXPECT_EQ(g.Leaf(3, 0)->selected, 0);
    const std::vector<int> quadPick = Selected(g);
    g.Clear();

    KESTULINE2 lines[4];
    for (int i = 0; i < 4; ++i) lines[i].Build(quad[i], quad[(i + 1) % 4]);
    g.root->SelectSubTreeByConvexPolygon(lines, quad, 4, nullptr, nullptr);
    EXPECT_EQ(Selected(g), quadPick);
    g.Clear();
    EXPECT_EQ(g.root->SelectSubTreeByConvexPolygon(lines, quad, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(g.root->SelectSubTreeByConvexPolygon(nullptr, nullptr, 0, nullptr, nullptr), 16u);
}

TEST(QuadtreeSelect, LineSphereAndBoxOnTheBoundingSpheres)
{
    LeafGrid g(3);
    const KESTULINE vertical(0.5f, 10.0f, 0.5f, 0.5f, -10.0f, 0.5f);
    g.root->SelectSubTreeByLine(&vertical, nullptr);
    EXPECT_EQ(g.Leaf(0, 0)->selected, 1);
    EXPECT_EQ(g.Leaf(3, 3)->selected, 0);
    g.Clear();

    SBoundSphere sphere;
    sphere.center = D3DXVECTOR3(2.0f, 0.0f, 2.0f);
    sphere.SetRadius(100.0f);
    EXPECT_EQ(g.root->SelectSubTreeBySphere(&sphere, nullptr), 16u);
    EXPECT_EQ(g.Leaf(2, 2)->lastWhole, 1);
    g.Clear();
    sphere.SetRadius(0.3f);
    sphere.center = D3DXVECTOR3(3.5f, 0.0f, 0.5f);
    g.root->SelectSubTreeBySphere(&sphere, nullptr);
    EXPECT_EQ(Selected(g), std::vector<int>({3}));
    g.Clear();

    SBoundBox box;
    box.min = D3DXVECTOR3(-1, -1, -1);
    box.max = D3DXVECTOR3(5, 1, 5);
    g.root->SelectSubTreeByBox(&box, nullptr);
    EXPECT_EQ(Selected(g).size(), 16u);
    g.Clear();
    box.min = D3DXVECTOR3(10, -1, 10);
    box.max = D3DXVECTOR3(11, 1, 11);
    EXPECT_EQ(g.root->SelectSubTreeByBox(&box, nullptr), 0u);
}

TEST(QuadtreeSelect, FrustumHoldingEverythingTestsOnlyTheRoot)
{
    std::vector<std::unique_ptr<CountingLeaf>> leaves;
    std::vector<CQTLeaf*> array;
    for (int i = 0; i < 16; ++i) {
        leaves.push_back(std::make_unique<CountingLeaf>());
        array.push_back(leaves.back().get());
    }
    CountingNode root;
    CQTNode* rootPtr = &root;
    const KESTURECT2 rect(0, 4, 4, 0);
    ASSERT_EQ(KestuCreateQuadtree(3, &rect, array.data(), &rootPtr), S_OK);
    root.FillAltitude(0.0f);
    root.FillBoundSphere(0.0f);

    CFrustum raw, frustum;
    raw.InitRawFrustum(D3DX_PI / 3, 1.0f, 1000.0f, 1.0f, 1, FRUSTUM_WIDEN_RATE);
    const D3DXVECTOR3 eye(2.0f, 2.0f, -50.0f);
    frustum.SetByRawFrustum(&raw, 0.0f, 0.0f, 0.0f, &eye);
    EXPECT_EQ(root.SelectSubTreeByFrustum(&frustum, nullptr), 16u);
    EXPECT_EQ(root.tests, 1);
    for (auto& l : leaves) EXPECT_EQ(l->lastWhole, 1);

    // Looking away: the root is outside; the flags below keep their values.
    const D3DXVECTOR3 away(2.0f, 2.0f, 60.0f);
    frustum.SetByRawFrustum(&raw, 0.0f, 0.0f, 0.0f, &away);
    EXPECT_EQ(root.SelectSubTreeByFrustum(&frustum, nullptr), 0u);
    EXPECT_EQ(root.IsSelected(), 0);
    EXPECT_EQ(leaves[0]->IsSelected(), 1);
}
