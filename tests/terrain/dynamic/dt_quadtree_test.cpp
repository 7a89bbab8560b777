// The streamed terrain's growable quadtree and its object pools.
#include <gtest/gtest.h>

#include <vector>

#include "kestu.h"

namespace {

// A leaf that records what it hears.
class Leaf : public CQTDynamicLeaf {
public:
    explicit Leaf(float x = 0, float z = 0, float size = 1)
    {
        const KESTURECT2 r(x, z + size, x + size, z);
        SetRect(&r);
    }
    void OnAttach(void* context) override { attached.push_back(context); }
    void OnDetach(void* context) override { detached.push_back(context); }
    std::vector<void*> attached, detached;
};

CQTDynamicNode* Root(float x, float z, float size, CQTDNodePool* pool)
{
    CQTDynamicNode* root = CQTDynamicNode::NewNode(pool);
    const KESTURECT2 r(x, z + size, x + size, z);
    root->SetRect(&r);
    return root;
}

int CountNodes(const CQuadtree* node)
{
    if (!node || node->IsLeaf()) return 0;
    int n = 1;
    for (int c = 0; c < 4; ++c) n += CountNodes(node->GetChild(ENUM_OU_CORNER(c)));
    return n;
}

int Context = 0;

} // namespace

TEST(DTQuadtree, AttachDescendsCreatesNodesAndTellsOnlyADirectLeaf)
{
    CQTDNodePool pool;
    CQTDynamicNode* root = Root(0, 0, 8, &pool);
    Leaf near(0, 0), deep(5, 6), twin(5, 6);
    CQTDynamicNode* small = Root(0, 0, 2, &pool);
    EXPECT_EQ(root->AttachSubTree(&deep, &pool, &Context), S_OK);
    EXPECT_EQ(CountNodes(root), 3) << "nodes of 4 and 2 made on the way";
    ASSERT_EQ(deep.attached.size(), 1u);
    EXPECT_EQ(deep.attached[0], nullptr) << "the context reaches only a leaf under the first node";
    EXPECT_EQ(root->GetLeaf(5.5f, 6.5f), &deep);
    EXPECT_EQ(deep.GetParent()->GetRect()->GetWidth(), 2.0f);

    EXPECT_EQ(root->AttachSubTree(&deep, &pool, &Context), 1) << "the same block twice";
    EXPECT_EQ(CountNodes(root), 3);
    EXPECT_EQ(root->AttachSubTree(&twin, &pool, &Context), 1) << "the leaf there takes over the data";
    EXPECT_EQ(root->GetLeaf(5.5f, 6.5f), &deep);
    EXPECT_EQ(twin.GetParent(), nullptr);

    CQTDynamicNode* wide = Root(0, 0, 8, &pool);
    EXPECT_EQ(root->AttachSubTree(wide, &pool, nullptr), E_FAIL) << "as wide as the node";
    EXPECT_EQ(small->AttachSubTree(&near, &pool, &Context), S_OK);
    EXPECT_EQ(near.attached[0], &Context);
    // A node hangs at its own size, with the leaf it carries.
    EXPECT_EQ(root->AttachSubTree(small, &pool, nullptr), S_OK);
    EXPECT_EQ(root->GetLeaf(0.5f, 0.5f), &near);

    root->DestoryTreeNode(&pool, &Context);
    EXPECT_TRUE(root->IsEmpty());
    EXPECT_EQ(near.detached.back(), nullptr);
    EXPECT_EQ(near.GetParent(), nullptr);
    CQTDynamicNode::DeleteNode(root, &pool);
    CQTDynamicNode::DeleteNode(wide, &pool);
    EXPECT_EQ(pool.GetNumCreated() - pool.GetNumDestroyed(), pool.GetFreeCount());
}

TEST(DTQuadtree, DetachingTheOnlyLeafOfADeepBranchRemovesTheBranch)
{
    CQTDNodePool pool;
    CQTDynamicNode* root = Root(0, 0, 16, &pool);
    Leaf a(1, 1), b(14, 14);
    ASSERT_EQ(root->AttachSubTree(&a, &pool, nullptr), S_OK);
    ASSERT_EQ(root->AttachSubTree(&b, &pool, nullptr), S_OK);
    EXPECT_EQ(CountNodes(root), 7);
    EXPECT_EQ(root->DetachSubTree(&b, &pool, &Context), S_OK);
    EXPECT_EQ(b.detached.back(), nullptr);
    EXPECT_EQ(CountNodes(root), 4) << "the nodes of b's branch went back";
    EXPECT_EQ(pool.GetFreeCount(), 3u);
    EXPECT_EQ(root->DetachSubTree(&b, &pool, nullptr), 1) << "no longer there";
    Leaf stranger(1.2f, 1.2f, 1);
    EXPECT_EQ(root->DetachSubTree(&stranger, &pool, nullptr), E_FAIL) << "another leaf in the way";

    EXPECT_EQ(root->DetachLeaf(9.0f, 9.0f, &pool, nullptr), nullptr);
    EXPECT_EQ(root->DetachLeaf(1.5f, 1.5f, &pool, &Context), &a);
    EXPECT_TRUE(root->IsEmpty()) << "every node of the branch up to the root";
    EXPECT_EQ(pool.GetFreeCount(), 6u);
    CQTDynamicNode::DeleteNode(root, &pool);
}

TEST(DTQuadtree, APointOnTheCentreGoesLowAndTheRootGrowsTowardAPoint)
{
    CQTDNodePool pool;
    CQTDynamicNode* root = Root(0, 0, 2, &pool);
    Leaf a(0, 0), b(1, 1);
    ASSERT_EQ(root->AttachSubTree(&a, &pool, nullptr), S_OK);
    ASSERT_EQ(root->AttachSubTree(&b, &pool, nullptr), S_OK);
    EXPECT_EQ(root->GetLeaf(1.0f, 1.0f), &a) << "a point on the centre belongs to the low corner";

    CQTDynamicNode* grown = root->EnlargeTree(-1.0f, 5.0f, &pool); // x below centre, z above
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(root->GetParentChildIndex(), OU_CORNER_RIGHTBOTTOM);
    EXPECT_EQ(grown->GetRect()->left, -2.0f);
    EXPECT_EQ(grown->GetRect()->top, 4.0f);
    const struct {
        float x, z;
        ENUM_OU_CORNER corner;
    } ways[] = {{-9, -9, OU_CORNER_RIGHTTOP}, {99, -9, OU_CORNER_LEFTTOP}, {99, 99, OU_CORNER_LEFTBOTTOM}};
    CQTDynamicNode* top = grown;
    for (const auto& w : ways) {
        CQTDynamicNode* next = top->EnlargeTree(w.x, w.z, &pool);
        EXPECT_EQ(top->GetParentChildIndex(), w.corner);
        EXPECT_EQ(next->GetRect()->GetWidth(), 2.0f * top->GetRect()->GetWidth());
        top = next;
    }
    EXPECT_EQ(top->GetLeaf(1.5f, 1.5f), &b);
    EXPECT_EQ(top->GetTheOnlyOneNodeChild(), top->GetChild(OU_CORNER_LEFTBOTTOM));
    EXPECT_EQ(root->GetTheOnlyOneNodeChild(), nullptr) << "two leaves";
    top->DestoryTreeNode(&pool, nullptr);
    CQTDynamicNode::DeleteNode(top, &pool);
}

TEST(DTQuadtree, FillingAFullTreeAsksForEveryMissingLeaf)
{
    static std::vector<std::pair<float, float>> asked;
    asked.clear();
    CQTDNodePool pool;
    CQTDynamicNode* root = Root(0, 0, 8, &pool);
    Leaf have(2, 2, 2);
    ASSERT_EQ(root->AttachSubTree(&have, &pool, nullptr), S_OK);
    ASSERT_EQ(root->FillFullTreeWithoutLeaf(2.0f, &pool, [](float x, float z) { asked.emplace_back(x, z); }), S_OK);
    EXPECT_EQ(asked.size(), 15u);
    EXPECT_EQ(CountNodes(root), 5);
    for (const auto& [x, z] : asked) {
        EXPECT_EQ(std::fmod(x - 1.0f, 2.0f), 0.0f);
        EXPECT_FALSE(x == 3.0f && z == 3.0f) << "the attached cell is not asked for";
    }
    root->DestoryTreeNode(&pool, nullptr);
    CQTDynamicNode::DeleteNode(root, &pool);
}

TEST(DTQuadtree, NodesWithoutAPoolComeFromTheHeap)
{
    CQTDynamicNode* root = Root(0, 0, 4, nullptr);
    Leaf a(0, 0);
    EXPECT_EQ(root->AttachSubTree(&a, nullptr, nullptr), S_OK);
    EXPECT_EQ(root->DetachLeaf(0.5f, 0.5f, nullptr, nullptr), &a);
    CQTDynamicNode::DeleteNode(root, nullptr);
    CQTDynamicNode::DeleteNode(nullptr, nullptr);
}

TEST(DTPool, FreeListRecyclesFirstInFirstOut)
{
    CDTBlockInfoPool pool;
    EXPECT_TRUE(pool.SetFreeCount(3));
    EXPECT_EQ(pool.GetFreeCount(), 3u);
    EXPECT_EQ(pool.GetNumCreated(), 3u);
    SDTBlockInfo* a = pool.Alloc();
    SDTBlockInfo* b = pool.Alloc();
    EXPECT_EQ(a->dwTexID, 0xFFFFFFFFu);
    pool.Free(a);
    pool.Free(nullptr);
    EXPECT_EQ(pool.GetFreeCount(), 2u);
    SDTBlockInfo* c = pool.Alloc();
    EXPECT_NE(c, a) << "the oldest free object comes first";
    EXPECT_EQ(pool.Alloc(), a);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
    SDTBlockInfo* d = pool.Alloc();
    EXPECT_EQ(pool.GetNumCreated(), 4u);
    EXPECT_EQ(pool.GetPeak(), 4u);
    for (SDTBlockInfo* p : {a, b, c, d}) pool.Free(p);
    EXPECT_TRUE(pool.SetFreeCount(1));
    EXPECT_EQ(pool.GetNumDestroyed(), 3u);
    pool.DestroyAllFree();
    EXPECT_EQ(pool.GetFreeCount(), 0u);
    EXPECT_EQ(pool.GetNumDestroyed(), 4u);
    // A ring that wraps and grows keeps every object.
    std::vector<SDTBlockInfo*> held;
    for (int i = 0; i < 40; ++i) held.push_back(pool.Alloc());
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 25; ++i) pool.Free(held[(round * 7 + i) % 40]);
        for (int i = 0; i < 25; ++i) held[(round * 7 + i) % 40] = pool.Alloc();
    }
    for (SDTBlockInfo* p : held) pool.Free(p);
    EXPECT_EQ(pool.GetFreeCount(), 40u);
    EXPECT_EQ(pool.GetNumCreated() - pool.GetNumDestroyed(), 40u);
}
