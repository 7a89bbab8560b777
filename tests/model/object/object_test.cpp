// Objects of the skeletal model and their joints.
#include <cstring>

#include "kestu_bytes.h"
#include "skeleton_fixture.h"

namespace {

using namespace modeltest;

TEST(Object, Defaults)
{
    CSkAniBone bone;
    CSoftObject soft;
    CDummyObject dummy;
    for (CBaseObject* o : std::initializer_list<CBaseObject*>{&bone, &soft, &dummy}) {
        EXPECT_STREQ(o->GetName(), "What.the.Hell.is.this?");
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        EXPECT_EQ(*o->GetRootMatrix(), identity);
        EXPECT_EQ(*o->GetOffsetMatrix(), identity);
        EXPECT_EQ(o->GetBoundBox()->min, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(o->GetBoundBox()->max, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(o->GetMeshData(), nullptr);
    }
    EXPECT_EQ(soft.IsVisible(), 1);
    EXPECT_EQ(bone.IsVisible(), 0); // a new bone is hidden
    EXPECT_EQ(soft.GetMSDVersion(), 2u);
    EXPECT_EQ(soft.GetMSDFlag(), 1u);
    EXPECT_EQ(dummy.RenderRough(nullptr, 0), E_FAIL);
    EXPECT_EQ(soft.Render(nullptr), 0);
    EXPECT_EQ(soft.RenderRough(nullptr, 0), E_FAIL);
}

TEST(Object, AttachDetachAndJoints)
{
    CDummyObject parent, a, b;
    CJointFixed fixed;
    CJointAxis axis;
    EXPECT_EQ(parent.Attach(&a, &fixed), 1);
    EXPECT_EQ(parent.Attach(&a, &axis), 1);
    EXPECT_EQ(parent.GetChildren().at(&a), &fixed);
    EXPECT_EQ(parent.Detach(&b), 0);
    EXPECT_EQ(parent.Detach(&a), 1);
    EXPECT_TRUE(parent.GetChildren().empty());

    struct Limits : CJointFixed {
        const float* Get() const { return m_fLimits; }
    } joint;
    joint.SetJointFreedom(7, 1, 2, 3);
    joint.SetJointFreedom(5, 10, 20, 30);
    EXPECT_EQ(joint.Get()[0], 10.0f);
    EXPECT_EQ(joint.Get()[1], 2.0f);
    EXPECT_EQ(joint.Get()[2], 30.0f);
    EXPECT_EQ(joint.GetJointFreedom(), 0u);
    Limits copy(joint);
    EXPECT_EQ(copy.Get()[2], 30.0f);
}

TEST(Object, RigidWorldBoxFollowsWhenVisible)
{
    CRigidObject rigid;
    SBoundBox box;
    box.min = D3DXVECTOR3(-1, -1, -1);
    box.max = D3DXVECTOR3(1, 2, 3);
    rigid.SetBoundBox(&box);
    D3DXMATRIX move;
    D3DXMatrixTranslation(&move, 10, 0, 0);
    EXPECT_EQ(rigid.Transform(&move), 0);
    EXPECT_EQ(rigid.GetRootMatrix()->_41, 10.0f);
    EXPECT_EQ(rigid.GetBoundBox()->max, D3DXVECTOR3(11, 2, 3));
    rigid.EnableVisible(0);
    D3DXMatrixTranslation(&move, 20, 0, 0);
    rigid.Transform(&move);
    EXPECT_EQ(rigid.GetRootMatrix()->_41, 20.0f);
    EXPECT_EQ(rigid.GetBoundBox()->max, D3DXVECTOR3(11, 2, 3));
    EXPECT_EQ(rigid.Render(nullptr), 0);
    // Assignment takes the name and the world box, not the matrices.
    CRigidObject other;
    other = rigid;
    EXPECT_EQ(other.GetBoundBox()->max, D3DXVECTOR3(11, 2, 3));
    EXPECT_EQ(other.GetRootMatrix()->_41, 0.0f);
}

TEST(Object, RecordsRoundTrip)
{
    CSkAniBone bone;
    bone.EnableVisible(1);
    SBoundBox box;
    box.min = D3DXVECTOR3(-1, -2, -3);
    box.max = D3DXVECTOR3(4, 5, 6);
    bone.SetBoundBox(&box);
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, 0.1f, 0.2f, 0.3f);
    bone.SetRootMatrix(&m);
    CDummyObject child;
    bone.Attach(&child, nullptr);
    const std::vector<BYTE> bytes = Store([&](COUArchive& ar, DWORD& n) { return bone.Serialize(ar, n, 0, 1, 0); });
    ASSERT_EQ(bytes.size(), 4u + 24 + 128 + 4);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes.back(), 0);
    EXPECT_EQ(bytes[bytes.size() - 4], 1); // one child
    CSkAniBone back;
    ASSERT_EQ(Load(bytes, [&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 0, 0, 0); }), 0);
    EXPECT_EQ(back.IsVisible(), 1);
    EXPECT_EQ(*back.GetRootMatrix(), m);
    EXPECT_TRUE(back.GetChildren().empty());
    // Without a version the visible flag is not stored.
    bone.SetSKLVersion(0xFFFFFFFF);
    EXPECT_EQ(Store([&](COUArchive& ar, DWORD& n) { return bone.Serialize(ar, n, 0, 1, 0); }).size(), 156u);
    // A short record fails.
    EXPECT_EQ(Load(std::vector<BYTE>(bytes.begin(), bytes.end() - 1),
                   [&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 0, 0, 0); }),
              E_FAIL);
}

TEST(Object, SoftObjectMeshChunks)
{
    // Mesh data of the null kind come back as an empty mesh; an object
    // without mesh data writes an empty chunk of that kind.
    CSoftObject bare;
    const std::vector<BYTE> bytes = Store([&](COUArchive& ar, DWORD& n) { return bare.Serialize(ar, n, 2, 1, 0); });
    EXPECT_EQ(std::memcmp(bytes.data() + 132, "MESHDATA", 8), 0);
    CSoftObject back;
    ASSERT_EQ(Load(bytes, [&](COUArchive& ar, DWORD& n) { return back.Serialize(ar, n, 2, 0, 0); }), 0);
    ASSERT_NE(back.GetMeshData(), nullptr);
    EXPECT_EQ(back.GetMeshData()->GetMeshType(), DWORD(KESTU_MESHTYPE_NULL));
    EXPECT_EQ(back.IsMeshDataFromArchive(), 1);

    // An unknown mesh type leaves the object without mesh data.
    std::vector<BYTE> unknown = bytes;
    kestu::PutU32(unknown.data() + 132 + 8 + 32, 0x103);
    host::ClearDebugOutput();
    CSoftObject none;
    EXPECT_EQ(Load(unknown, [&](COUArchive& ar, DWORD& n) { return none.Serialize(ar, n, 2, 0, 0); }), 0);
    EXPECT_EQ(none.GetMeshData(), nullptr);
    EXPECT_NE(host::GetDebugOutputText().find("Error Mesh Type!\n"), std::string::npos);
    // A damaged chunk fails.
    EXPECT_EQ(Load(std::vector<BYTE>(bytes.begin(), bytes.begin() + 150),
                   [&](COUArchive& ar, DWORD& n) { return none.Serialize(ar, n, 2, 0, 0); }),
              E_FAIL);
}

TEST(Object, CopiesHoldTheirOwnReferences)
{
    MeshPtr<TestMesh> mesh = MiniMesh();
    mesh->AddRef();
    {
        CSoftObject soft;
        soft.SetName("soft");
        soft.SetMeshData(mesh.get());
        EXPECT_EQ(mesh->GetRef(), 2u);
        CSoftObject copy(soft);
        EXPECT_EQ(mesh->GetRef(), 3u);
        EXPECT_STREQ(copy.GetName(), "soft");
        CSoftObject assigned;
        assigned = soft;
        EXPECT_EQ(assigned.GetMeshData(), mesh.get());
        EXPECT_EQ(mesh->GetRef(), 4u);
        soft.SetMeshData(nullptr);
        EXPECT_EQ(mesh->GetRef(), 3u);
        EXPECT_EQ(soft.IsMeshDataFromArchive(), 0);
    }
    EXPECT_EQ(mesh->GetRef(), 1u);
}

} // namespace
