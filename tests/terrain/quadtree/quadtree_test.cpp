// The quadtree base: layout, lookups, neighbours, linking, altitudes and moves.
#include "quadtree_fixture.h"

TEST(Quadtree, DepthTwoTreeTakesTheLeavesInCornerOrder)
{
    LeafGrid grid(2);
    ASSERT_EQ(grid.result, S_OK);
    CQTNode* root = grid.root.get();
    EXPECT_EQ(root->GetChild(OU_CORNER_LEFTBOTTOM), grid.Leaf(0, 0));
    EXPECT_EQ(root->GetChild(OU_CORNER_RIGHTBOTTOM), grid.Leaf(1, 0));
    EXPECT_EQ(root->GetChild(OU_CORNER_RIGHTTOP), grid.Leaf(1, 1));
    EXPECT_EQ(root->GetChild(OU_CORNER_LEFTTOP), grid.Leaf(0, 1));
    EXPECT_TRUE(root->IsRoot());
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(root->GetChild(ENUM_OU_CORNER(c))->GetParent(), root);
        EXPECT_EQ(root->GetChild(ENUM_OU_CORNER(c))->GetParentChildIndex(), c);
    }
    const KESTURECT2* r = grid.Leaf(1, 1)->GetRect();
    EXPECT_FLOAT_EQ(r->left, 1.0f);
    EXPECT_FLOAT_EQ(r->top, 2.0f);
    EXPECT_FLOAT_EQ(r->right, 2.0f);
    EXPECT_FLOAT_EQ(r->bottom, 1.0f);
}

TEST(Quadtree, DeeperTreesCoverTheRowMajorArray)
{
    LeafGrid grid(4);
    ASSERT_EQ(grid.result, S_OK);
    for (DWORD row = 0; row < 8; ++row) {
        for (DWORD col = 0; col < 8; ++col) {
            const KESTURECT2* r = grid.Leaf(col, row)->GetRect();
            EXPECT_FLOAT_EQ(r->left, float(col)) << col << "," << row;
            EXPECT_FLOAT_EQ(r->bottom, float(row)) << col << "," << row;
            EXPECT_EQ(grid.root->GetLeaf(col, row), grid.Leaf(col, row));
        }
    }
    EXPECT_EQ(grid.root->GetLeaf(DWORD(9)), grid.Leaf(1, 1));
}

TEST(Quadtree, RefusesDepthsThatCannotFormATree)
{
    CQTLeaf leaf;
    CQTLeaf* leaves[1] = {&leaf};
    const KESTURECT2 rect;
    CQTNode* root = nullptr;
    EXPECT_EQ(KestuCreateQuadtree(1, &rect, leaves, &root), E_INVALIDARG);
    EXPECT_EQ(root, nullptr);
}

TEST(Quadtree, DescentPutsCentreLinesOnTheLowSide)
{
    LeafGrid grid(3); // 4 x 4 leaves over [0, 4)
    CQTNode* root = grid.root.get();
    EXPECT_EQ(root->GetChildIndex(2.0f, 2.0f), OU_CORNER_LEFTBOTTOM);
    EXPECT_EQ(root->GetChildIndex(2.01f, 2.0f), OU_CORNER_RIGHTBOTTOM);
    EXPECT_EQ(root->GetChildIndex(2.01f, 2.01f), OU_CORNER_RIGHTTOP);
    EXPECT_EQ(root->GetChildIndex(2.0f, 2.01f), OU_CORNER_LEFTTOP);

    // The descent and the subtree walk agree everywhere, lines included.
    for (float x : {0.0f, 0.5f, 1.0f, 2.0f, 3.0f, 3.5f}) {
        for (float z : {0.0f, 1.0f, 1.5f, 2.0f, 3.0f}) {
            EXPECT_EQ(root->GetSubTree(x, z, 5), root->CQuadtree::GetLeaf(x, z)) << x << "," << z;
        }
    }
    EXPECT_EQ(root->CQuadtree::GetLeaf(1.0f, 1.0f), grid.Leaf(0, 0));
    EXPECT_EQ(root->CQuadtree::GetLeaf(2.0f, 2.0f), grid.Leaf(1, 1));
    EXPECT_EQ(root->CQuadtree::GetLeaf(2.0f, 0.5f), grid.Leaf(1, 0));
    EXPECT_EQ(root->CQuadtree::GetLeaf(0.0f, 0.0f), grid.Leaf(0, 0));
    EXPECT_EQ(root->GetSubTree(2.0f, 2.0f, 1), root->GetChild(OU_CORNER_LEFTBOTTOM));
    EXPECT_EQ(root->GetSubTree(3.0f, 3.0f, 1), root->GetChild(OU_CORNER_RIGHTTOP));
    EXPECT_EQ(root->GetSubTree(3.0f, 3.0f, 0), root);
}

TEST(Quadtree, LookupByPositionGivesALineToTheLeafItStarts)
{
    for (const float cell : {1.0f, 0.1f, 8.0f}) {
        SCOPED_TRACE(cell);
        LeafGrid grid(3, cell); // 4 x 4 leaves over [0, 4 * cell)
        CQTNode* root = grid.root.get();
        for (DWORD r = 0; r < 4; ++r) {
            for (DWORD c = 0; c < 4; ++c) {
                const float x = float(c) * cell, z = float(r) * cell;
                EXPECT_EQ(root->GetLeaf(x, z), grid.Leaf(c, r)) << c << "," << r; // the corner it starts
                EXPECT_EQ(root->GetLeaf(x + 0.5f * cell, z), grid.Leaf(c, r)) << c << "," << r;
                EXPECT_EQ(root->GetLeaf(x, z + 0.5f * cell), grid.Leaf(c, r)) << c << "," << r;
            }
        }
    }
}

TEST(Quadtree, LookupByPositionIsHalfOpen)
{
    LeafGrid grid(3);
    CQTNode* root = grid.root.get();
    EXPECT_EQ(root->GetLeaf(4.0f, 1.0f), nullptr);
    EXPECT_EQ(root->GetLeaf(1.0f, 4.0f), nullptr);
    EXPECT_EQ(root->GetLeaf(-0.001f, 1.0f), nullptr);
    EXPECT_EQ(root->GetLeaf(3.999f, 3.999f), grid.Leaf(3, 3));
}

TEST(Quadtree, ChildRectanglesAndLayout)
{
    CQuadtree node;
    const KESTURECT2 rect(-2.0f, 6.0f, 2.0f, 2.0f);
    node.SetRect(&rect);
    EXPECT_FLOAT_EQ(node.GetCenter()->x, 0.0f);
    EXPECT_FLOAT_EQ(node.GetCenter()->z, 4.0f);
    EXPECT_FLOAT_EQ(node.GetSphere()->radius, 4.0f * 0.70710677f);
    EXPECT_FLOAT_EQ(node.GetCorner(OU_CORNER_RIGHTBOTTOM)->x, 2.0f);
    EXPECT_FLOAT_EQ(node.GetCorner(OU_CORNER_RIGHTBOTTOM)->z, 2.0f);
    const struct {
        int corner;
        KESTURECT2 rect;
    } cases[] = {{0, {-2, 4, 0, 2}}, {1, {0, 4, 2, 2}}, {2, {0, 6, 2, 4}}, {3, {-2, 6, 0, 4}}};
    for (const auto& c : cases) {
        KESTURECT2 out(9, 9, 9, 9);
        node.CalcChildRect(&out, c.corner);
        EXPECT_FLOAT_EQ(out.left, c.rect.left) << c.corner;
        EXPECT_FLOAT_EQ(out.top, c.rect.top) << c.corner;
        EXPECT_FLOAT_EQ(out.right, c.rect.right) << c.corner;
        EXPECT_FLOAT_EQ(out.bottom, c.rect.bottom) << c.corner;
    }
    KESTURECT2 untouched(9, 9, 9, 9);
    node.CalcChildRect(&untouched, 4);
    EXPECT_FLOAT_EQ(untouched.left, 9.0f);
}

TEST(Quadtree, NeighboursAreNodesOfTheSameDepth)
{
    LeafGrid grid(3);
    // Inside one parent and across parents, in every direction.
    EXPECT_EQ(grid.Leaf(1, 1)->GetNeighbor(0), grid.Leaf(1, 2));
    EXPECT_EQ(grid.Leaf(1, 1)->GetNeighbor(1), grid.Leaf(1, 0));
    EXPECT_EQ(grid.Leaf(1, 1)->GetNeighbor(2), grid.Leaf(0, 1));
    EXPECT_EQ(grid.Leaf(1, 1)->GetNeighbor(3), grid.Leaf(2, 1));
    EXPECT_EQ(grid.Leaf(2, 2)->GetNeighbor(1), grid.Leaf(2, 1));
    EXPECT_EQ(grid.Leaf(2, 2)->GetNeighbor(2), grid.Leaf(1, 2));
    EXPECT_EQ(grid.Leaf(0, 3)->GetNeighbor(3), grid.Leaf(1, 3));
    EXPECT_EQ(grid.Leaf(3, 0)->GetNeighbor(0), grid.Leaf(3, 1));
    // Borders, the root and bad directions.
    EXPECT_EQ(grid.Leaf(0, 0)->GetNeighbor(1), nullptr);
    EXPECT_EQ(grid.Leaf(0, 0)->GetNeighbor(2), nullptr);
    EXPECT_EQ(grid.Leaf(3, 3)->GetNeighbor(0), nullptr);
    EXPECT_EQ(grid.Leaf(3, 3)->GetNeighbor(3), nullptr);
    EXPECT_EQ(grid.root->GetNeighbor(0), nullptr);
    EXPECT_EQ(grid.Leaf(1, 1)->GetNeighbor(4), nullptr);
    EXPECT_EQ(grid.root->GetChild(OU_CORNER_LEFTBOTTOM)->GetNeighbor(3), grid.root->GetChild(OU_CORNER_RIGHTBOTTOM));
}

TEST(Quadtree, LinkingRefusesLeavesAsParentsButNotEmptyNodes)
{
    CQTLeaf leaf;
    CQuadtree child;
    leaf.SetChild(OU_CORNER_LEFTBOTTOM, &child);
    EXPECT_EQ(leaf.GetChild(OU_CORNER_LEFTBOTTOM), nullptr);
    child.SetParent(&leaf, OU_CORNER_RIGHTTOP);
    EXPECT_EQ(child.GetParent(), nullptr);

    // A plain node with no children yet answers IsLeaf, and still takes its first child.
    CQuadtree parent;
    const KESTURECT2 rect(0, 2, 2, 0);
    parent.SetRect(&rect);
    EXPECT_TRUE(parent.IsLeaf());
    CQuadtree first;
    first.GetCorner(OU_CORNER_LEFTBOTTOM)->y = 5.0f;
    first.GetCorner(OU_CORNER_RIGHTTOP)->y = 7.0f;
    parent.SetChild(OU_CORNER_LEFTBOTTOM, &first);
    ASSERT_EQ(parent.GetChild(OU_CORNER_LEFTBOTTOM), &first);
    EXPECT_EQ(first.GetParent(), &parent);
    EXPECT_FALSE(parent.IsLeaf());
    // The child's corner touching the centre gives the centre altitude.
    EXPECT_FLOAT_EQ(parent.GetCenter()->y, 7.0f);
    EXPECT_FLOAT_EQ(parent.GetCorner(OU_CORNER_LEFTBOTTOM)->y, 5.0f);

    parent.SetChild(OU_CORNER_LEFTBOTTOM, nullptr);
    EXPECT_EQ(parent.GetChild(OU_CORNER_LEFTBOTTOM), nullptr);
    EXPECT_EQ(first.GetParent(), nullptr);
}

TEST(Quadtree, AltitudeFillsRespectTheFloorAndSpheresHoldTheSubtree)
{
    LeafGrid grid(3);
    // A peak in the middle of one leaf only: no corner of any inner node sees it.
    grid.Leaf(1, 1)->GetCenter()->y = 40.0f;
    grid.Leaf(2, 2)->GetCorner(OU_CORNER_LEFTBOTTOM)->y = -5.0f;
    grid.Leaf(1, 1)->GetCorner(OU_CORNER_RIGHTTOP)->y = 9.0f;
    grid.root->FillAltitude(-1.0f);
    EXPECT_FLOAT_EQ(grid.Leaf(2, 2)->GetCorner(OU_CORNER_LEFTBOTTOM)->y, -1.0f);
    // The root's centre is the top-right corner of the leaf below and left of it.
    EXPECT_FLOAT_EQ(grid.root->GetCenter()->y, 9.0f);
    grid.root->FillBoundSphere(-1.0f);
    const D3DXVECTOR3 peak(grid.Leaf(1, 1)->GetCenter()->x, 40.0f, grid.Leaf(1, 1)->GetCenter()->z);
    for (CQuadtree* node = grid.Leaf(1, 1); node; node = node->GetParent())
        EXPECT_TRUE(node->GetSphere()->IsContain(&peak));
}

TEST(Quadtree, MovesCarryTheWholeSubtree)
{
    LeafGrid grid(2);
    grid.root->Move(10.0f, 1.0f, -2.0f, nullptr);
    const KESTURECT2* r = grid.Leaf(1, 1)->GetRect();
    EXPECT_FLOAT_EQ(r->left, 11.0f);
    EXPECT_FLOAT_EQ(r->bottom, -1.0f);
    EXPECT_FLOAT_EQ(grid.Leaf(1, 1)->GetCenter()->y, 1.0f);
    grid.root->Move2D(-10.0f, 2.0f, nullptr);
    EXPECT_FLOAT_EQ(grid.Leaf(1, 1)->GetCorner(OU_CORNER_RIGHTTOP)->x, 2.0f);
    EXPECT_FLOAT_EQ(grid.Leaf(1, 1)->GetCorner(OU_CORNER_RIGHTTOP)->y, 1.0f);
    grid.root->MoveAltitude(3.0f, nullptr);
    EXPECT_FLOAT_EQ(grid.Leaf(0, 0)->GetSphere()->center.y, grid.Leaf(0, 0)->GetCenter()->y);
    EXPECT_FLOAT_EQ(grid.Leaf(0, 0)->GetCenter()->y, 4.0f);
    EXPECT_EQ(grid.root->GetLeaf(1.5f, 1.5f), grid.Leaf(1, 1));
}

TEST(Quadtree, ExternAltitudeAndDataUpdates)
{
    CQuadtree a, b;
    float grid25[25];
    for (int i = 0; i < 25; ++i) grid25[i] = float(i);
    a.FillExternAltitude(grid25, 3.0f);
    EXPECT_FLOAT_EQ(a.GetCenter()->y, 12.0f);
    EXPECT_FLOAT_EQ(a.GetCorner(OU_CORNER_LEFTBOTTOM)->y, 3.0f);
    EXPECT_FLOAT_EQ(a.GetCorner(OU_CORNER_RIGHTBOTTOM)->y, 4.0f);
    EXPECT_FLOAT_EQ(a.GetCorner(OU_CORNER_RIGHTTOP)->y, 24.0f);
    EXPECT_FLOAT_EQ(a.GetCorner(OU_CORNER_LEFTTOP)->y, 20.0f);
    const KESTURECT2 rect(5, 6, 6, 5);
    b.SetRect(&rect);
    b.UpdateData(&a);
    EXPECT_FLOAT_EQ(b.GetCorner(OU_CORNER_RIGHTTOP)->y, 24.0f);
    EXPECT_FLOAT_EQ(b.GetRect()->left, 5.0f);
    b.Select(1);
    b.CleanUp();
    EXPECT_EQ(b.IsSelected(), 0);
    EXPECT_FLOAT_EQ(b.GetCenter()->y, 0.0f);
    EXPECT_FLOAT_EQ(b.GetRect()->left, 5.0f);
}
