// The skeleton: parts, frames, the cache, copies, shader constants and the registry.
#include <cstring>

#include "skeleton_fixture.h"

namespace {

using namespace modeltest;

class Skeleton : public SkeletonLogTest {};

TEST_F(Skeleton, NewSkeletonAndParts)
{
    CSkeleton s;
    D3DXVECTOR3 out;
    const D3DXVECTOR3 in(100, 200, 300);
    D3DXVec3TransformCoord(&out, &in, s.GetLocalTransform());
    EXPECT_EQ(out, D3DXVECTOR3(1, 3, 2));
    EXPECT_EQ(s.GetVSAmbientLight(), 0x77777777u);

    CSkAniBone* a = new CSkAniBone();
    CSkAniBone* b = new CSkAniBone();
    EXPECT_EQ(s.AddBone("a", a), 0u);
    EXPECT_EQ(s.AddBone("a", b), 0xFFFFFFFFu);
    EXPECT_EQ(s.AddBone("b", b), 1u);
    EXPECT_EQ(a->GetSkeleton(), &s);
    EXPECT_EQ(s.GetBoneIDByName("b"), 1u);
    EXPECT_EQ(s.GetBoneByIndex(1), b);
    EXPECT_EQ(s.GetBoneByIndex(2), nullptr);
    EXPECT_EQ(s.RemoveBone("a"), 1);
    EXPECT_EQ(s.GetBoneByName("a"), nullptr);
    EXPECT_EQ(s.RemoveBone(DWORD(1)), 1);
    EXPECT_EQ(s.RemoveBone(DWORD(1)), 0);
    host::ClearDebugOutput();
    EXPECT_EQ(s.GetBoneIDByName("b"), 0xFFFFFFFFu);
    EXPECT_NE(host::GetDebugOutputText().find("Bone name pool is empty<b>"), std::string::npos);
    // Removing does not destroy: the bones are the caller's again.
    delete a;
    delete b;

    // Adapters are filed under their own id or the next free one.
    CActionData clip;
    CAction* seven = new CAction();
    seven->SetID(7);
    seven->SetActionData(&clip);
    EXPECT_EQ(s.AddAction(seven), 7u);
    EXPECT_EQ(s.GetAction(7), seven);
    CAction* next = new CAction();
    next->SetActionData(&clip);
    EXPECT_EQ(s.AddAction(next), 1u);
    s.RemoveAllAction();
    delete seven;
    delete next;
}

TEST_F(Skeleton, AddActionGivesTheFiledId)
{
    CSkeleton s;
    MakeCharacter(s);
    CActionData* clip = s.GetAction(0)->GetCurActionData();
    CAction* seven = new CAction();
    seven->SetID(7);
    seven->SetActionData(clip);
    clip->AddRef();
    EXPECT_EQ(s.AddAction(seven), 7u);
    CAction* free = new CAction();
    free->SetActionData(clip);
    clip->AddRef();
    EXPECT_EQ(s.AddAction(free), 3u);
    EXPECT_EQ(s.GetLastAddActionID(), 3u);
    EXPECT_EQ(s.GetActionsNumber(), 4u);
}

TEST_F(Skeleton, TransformMovesBonesAndBox)
{
    CSkeleton s;
    MakeCharacter(s);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 1, 2, 3);
    s.SetTransform(&world);
    ASSERT_EQ(s.Transform(0, 6, nullptr), 0);
    EXPECT_EQ(s.GetCurrentAction(), 0u);
    EXPECT_EQ(s.GetCurrentFrame(), 6u);
    CActionData* walk = s.GetAction(0)->GetCurActionData();
    const DWORD head = s.GetBoneIDByName("head");
    EXPECT_EQ(std::memcmp(s.GetBone(head)->GetRootMatrix(), &walk->GetMatrixList()[6 * 12 + head], 64), 0);
    EXPECT_EQ(s.GetBone(head)->GetTransform()->_43, 3.0f);
    // The box holds the figure (0.01 scale, y and z exchanged): about 1.8 high in y.
    const SBoundBox* box = s.GetCurBoundBox();
    EXPECT_GT(box->max.y, 1.7f);
    EXPECT_LT(box->min.y, 0.1f);
    EXPECT_GT(box->max.x, 0.1f);
    // No such action; the other skeleton's call does nothing.
    EXPECT_EQ(s.Transform(9, 0, nullptr), E_FAIL);
    EXPECT_EQ(s.Transform(1, 3, &s), 0);
    EXPECT_EQ(s.GetCurrentFrame(), 6u);

    // SetCurrentRef clamps to the last frame; FrameMove plays action 0.
    s.SetCurrentRef(1, 500, nullptr);
    EXPECT_EQ(s.GetCurrentAction(), 1u);
    EXPECT_EQ(s.GetCurrentFrame(), 19u);
    EXPECT_EQ(s.FrameMove(0.45f), 0);
    EXPECT_EQ(s.GetCurrentFrame(), 13u);
    IActionAdapter* removed = s.GetAction(0);
    s.RemoveAction(0);
    EXPECT_EQ(s.FrameMove(0.1f), 0);
    EXPECT_EQ(s.GetCurrentFrame(), 13u);
    delete removed->GetCurActionData();
    delete removed;
}

TEST_F(Skeleton, SkinsDeformWithTheBones)
{
    CSkeleton s;
    CMeshDataMng::EnableCache(0);
    MakeCharacter(s);
    CSkAniSkin* arms = s.GetSkinByName("arms");
    CMeshDataBase* mesh = arms->GetMeshData();
    const std::vector<char> bind(mesh->GetVertexData(), mesh->GetVertexData() + mesh->GetVertexBufferSize());
    ASSERT_EQ(s.Transform(1, 10, nullptr), 0);
    const char* moved = mesh->GetWorkVertexData();
    // The waving forearm's tip moved well away from the bind pose.
    float far = 0;
    for (size_t v = 0; v < bind.size() / 36; ++v) {
        float a[3], b[3];
        std::memcpy(a, bind.data() + v * 36, 12);
        std::memcpy(b, moved + v * 36, 12);
        far = std::max(far, std::fabs(a[2] - b[2]));
    }
    EXPECT_GT(far, 20.0f);
}

TEST_F(Skeleton, CacheSharesMeshesAndFrames)
{
    CMeshDataMng mng;
    CMeshDataMng::EnableCache(1);
    {
        CSkeleton a, b;
        a.SetMeshManager(&mng);
        b.SetMeshManager(&mng);
        MakeCharacter(a);
        MakeCharacter(b);
        CMeshDataBase* body = a.GetSkinByName("body")->GetMeshData();
        EXPECT_EQ(b.GetSkinByName("body")->GetMeshData(), body);
        EXPECT_EQ(mng.GetMeshData("body"), body);
        EXPECT_EQ(body->GetRef(), 2u);

        // A deformed frame is cached and drawn from the cache later.
        a.UseAction(0);
        ASSERT_EQ(a.Transform(0, 3, nullptr), 0);
        EXPECT_EQ(mng.GetCachedData(body->GetMeshID(), 0, 3), 0);
        EXPECT_LT(mng.GetCachedData(body->GetMeshID(), 0, 4), 0);
        b.SetCurrentRef(0, 4, nullptr);
        EXPECT_EQ(mng.GetCachedData(body->GetMeshID(), 0, 4), 0);
        a.Release();
        EXPECT_EQ(mng.GetMeshData("body"), body);
    }
    // The last holder gave its slot back.
    EXPECT_EQ(mng.GetMeshData("body"), nullptr);
    EXPECT_EQ(mng.GetIndexByName("arms"), 0xFFFFFFFFu);
    mng.Release();
}

TEST_F(Skeleton, CloneAndDuplicate)
{
    CSkeleton hero;
    MakeCharacter(hero);
    CSkeleton clone;
    clone.Clone(hero);
    EXPECT_EQ(clone.IsShareBones(), 1);
    EXPECT_EQ(clone.GetBoneByName("head"), hero.GetBoneByName("head"));
    clone.Release();
    EXPECT_NE(hero.GetBoneByName("head"), nullptr);

    CSkeleton copy;
    ASSERT_EQ(copy.Duplicate(&hero, nullptr), 0);
    EXPECT_NE(copy.GetBoneByName("head"), hero.GetBoneByName("head"));
    EXPECT_EQ(copy.GetBoneIDByName("head"), hero.GetBoneIDByName("head"));
    EXPECT_EQ(copy.GetSkinByName("body")->GetMeshData(), hero.GetSkinByName("body")->GetMeshData());
    EXPECT_EQ(copy.GetSkinByName("body")->GetBoneList()[0]->GetSkeleton(), &copy);
    CActionData* walk = hero.GetAction(0)->GetCurActionData();
    EXPECT_EQ(copy.GetAction(0)->GetCurActionData(), walk);
    EXPECT_EQ(walk->GetRef(), 2u);
    EXPECT_EQ(StoreSkeleton(copy, KESTU_SKL_ALL), StoreSkeleton(hero, KESTU_SKL_ALL));
    // Moving the copy leaves the original's bones alone.
    const D3DXMATRIX before = *hero.GetBoneByName("head")->GetRootMatrix();
    ASSERT_EQ(copy.Transform(1, 7, nullptr), 0);
    EXPECT_EQ(std::memcmp(hero.GetBoneByName("head")->GetRootMatrix(), &before, 64), 0);
    copy.Release();
    EXPECT_EQ(walk->GetRef(), 1u);
}

TEST_F(Skeleton, TreeNodes)
{
    CSkeletonTreeNode root;
    root.SetName("root");
    for (const char* name : {"a", "b", "c"}) {
        CSkeletonTreeNode* child = new CSkeletonTreeNode();
        child->SetName(name);
        root.AddChild(child);
    }
    CSkeletonTreeNode* deep = new CSkeletonTreeNode();
    deep->SetName("deep");
    root.GetChild(1)->AddChild(deep);
    EXPECT_EQ(root.GetChildNum(), 3u);
    EXPECT_EQ(root.GetChild(3), nullptr);
    EXPECT_EQ(root.FindNodeByName("deep"), deep);
    EXPECT_EQ(deep->GetParent(), root.GetChild(1));
    CSkeletonTreeNode::NodeList list;
    auto where = list.end();
    root.GetChildList(list, where, 1);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list.front()->GetName(), "c");

    const std::vector<BYTE> bytes = Store([&](COUArchive& ar, DWORD& n) { return root.Serialize(ar, n, 0, 1); });
    CSkeletonTreeNode back;
    ASSERT_EQ(Load(bytes, [&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 0, 0); }), 0);
    ASSERT_NE(back.FindNodeByName("deep"), nullptr);
    EXPECT_STREQ(back.FindNodeByName("deep")->GetParent()->GetName(), "b");
    CSkeletonTreeNode copy;
    copy.Clone(&root, nullptr);
    EXPECT_EQ(copy.GetChildNum(), 3u);
    EXPECT_NE(copy.FindNodeByName("deep"), deep);

    // A hierarchy nested deeper than the walks allow is refused.
    std::vector<BYTE> nested;
    for (int i = 0; i < 2000; ++i)
        for (int b : {4, 0, 0, 0, int('n'), 0, 0, 0, 1, 0, 0, 0}) nested.push_back(BYTE(b));
    CSkeletonTreeNode refused;
    EXPECT_EQ(Load(nested, [&](COUArchive& ar, DWORD& n) { return refused.Serialize(ar, n, 0, 0); }), E_FAIL);
}

TEST(SkeletonManager, FilesByNumber)
{
    CSkeletonManager registry;
    CSkeleton a, b;
    EXPECT_EQ(registry.AddSkeleton(&a), 0u);
    EXPECT_EQ(registry.AddSkeleton(&b), 1u);
    EXPECT_EQ(registry.RemoveSkeleton(0), 1);
    EXPECT_EQ(registry.RemoveSkeleton(0), 0);
    EXPECT_EQ(registry.AddSkeleton(&a), 2u);
    EXPECT_EQ(registry.GetIndexByName("a"), 0xFFFFFFFFu);
    std::string name = "kept";
    EXPECT_EQ(registry.GetNameByIndex(1, name), 0);
    EXPECT_EQ(name, "kept");
    CSkeletonManager copy(registry);
    EXPECT_EQ(copy.AddSkeleton(&b), 3u);
}

} // namespace
