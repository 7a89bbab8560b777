// The static mesh, the mesh handle, and mesh-data copies, materials and edits.
#include <cstring>

#include "model_fixture.h"

namespace {

using namespace modeltest;

class Handles : public ModelDevice {};

TEST_F(Handles, StaticMeshDrawsInOneCall)
{
    MeshPtr<CMeshDataStatic> mesh(new CMeshDataStatic());
    FillTube(*mesh, {4, 4, 1, 1, 1});
    mesh->AddRef();
    ASSERT_EQ(mesh->Build(device), 0);
    EXPECT_EQ(mesh->IsBuilt(), 1);
    host::D3D8ResetCounters();
    device->BeginScene();
    EXPECT_EQ(mesh->Render(nullptr, 0), D3D_OK);
    device->EndScene();
    EXPECT_EQ(host::D3D8GetCounters().drawCalls, 1u);
    EXPECT_EQ(host::D3D8GetCounters().primitives, mesh->GetPrimitiveCount());
}

TEST_F(Handles, HandleWithoutMeshDataDoesNothing)
{
    CMeshDataRef ref;
    EXPECT_EQ(ref.Build(device, nullptr), E_FAIL);
    device->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(ref.Render(nullptr), 0);
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    EXPECT_EQ(device->GetStreamSource(0, &stream, &stride), D3D_OK);
    EXPECT_EQ(stream, nullptr);
}

TEST_F(Handles, HandleCopiesHoldTheirOwnReferences)
{
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    FillTube(*mesh, {4, 4, 2, 2, 1});
    {
        CMeshDataRef a;
        ASSERT_EQ(a.Build(device, mesh), 0);
        EXPECT_EQ(mesh->GetRef(), 1u);
        ASSERT_NE(a.GetVertexBuffer(), nullptr);
        EXPECT_EQ(a.GetVertexBuffer()->GetRef(), 1u);
        {
            CMeshDataRef b(a);
            CMeshDataRef c;
            c = a;
            EXPECT_EQ(mesh->GetRef(), 3u);
            EXPECT_EQ(a.GetVertexBuffer()->GetRef(), 3u);
        }
        EXPECT_EQ(mesh->GetRef(), 1u);
        a.Release();
        EXPECT_EQ(a.GetVertexBuffer(), nullptr);
        EXPECT_EQ(a.GetMeshData(), mesh);
    } // the last reference destroys the mesh data
}

TEST_F(Handles, HandleStartsWithTheBindPoseInBothCacheModes)
{
    for (int cache : {0, 1}) {
        CMeshDataMng::EnableCache(cache);
        CMeshDataDynamic* mesh = new CMeshDataDynamic();
        FillTube(*mesh, {3, 4, 1, 1, 1});
        CMeshDataRef ref;
        ASSERT_EQ(ref.Build(device, mesh), 0);
        ASSERT_NE(ref.GetVertexBuffer(), nullptr) << cache;
        BYTE* bits = nullptr;
        ASSERT_EQ(ref.GetVertexBuffer()->GetVtxBuf()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(0, std::memcmp(bits, mesh->GetVertexData(), mesh->GetVertexBufferSize()));
        ref.GetVertexBuffer()->GetVtxBuf()->Unlock();
    }
}

TEST_F(Handles, TheOwnBufferGoesOnAShaderPathAndComesBackWithoutOne)
{
    CMeshDataMng manager;
    manager.Build(device);
    CMeshDataMng::EnableCache(0);
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    FillTube(*mesh, {4, 4, 2, 2, 1});
    CMeshDataRef ref;
    ASSERT_EQ(ref.Build(device, mesh), 0);
    mesh->SetMeshDataMng(&manager);
    ASSERT_EQ(manager.SetSkeletonRenderPath(KESTU_SKLPATH_VS_LIGHT), 1);
    ASSERT_EQ(mesh->BuildVsVertexBuffer(device, nullptr, 2), 1);
    ref.CheckVertexBufUsing();
    EXPECT_EQ(ref.GetVertexBuffer(), nullptr);
    ASSERT_EQ(manager.SetSkeletonRenderPath(KESTU_SKLPATH_SOFTWARE), 1);
    ref.CheckVertexBufUsing();
    ASSERT_NE(ref.GetVertexBuffer(), nullptr);
    ref.Release();
    // Drawing without the buffer makes it again, with the latest vertices.
    CSkAniBone bones[2];
    D3DXMATRIX offsets[2], move;
    D3DXMatrixTranslation(&move, 0, 1, 0);
    bones[1].SetRootMatrix(&move);
    D3DXMatrixIdentity(&offsets[0]);
    D3DXMatrixIdentity(&offsets[1]);
    CSkAniBone* pointers[2] = {&bones[0], &bones[1]};
    mesh->Deform(pointers, 2, offsets, nullptr, ref.GetVertexBuffer());
    device->BeginScene();
    ref.Render(nullptr);
    device->EndScene();
    ASSERT_NE(ref.GetVertexBuffer(), nullptr);
    BYTE* bits = nullptr;
    ASSERT_EQ(ref.GetVertexBuffer()->GetVtxBuf()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(0, std::memcmp(bits, mesh->GetWorkVertexData(), mesh->GetVertexBufferSize()));
    ref.GetVertexBuffer()->GetVtxBuf()->Unlock();
    EXPECT_NE(0, std::memcmp(mesh->GetWorkVertexData(), mesh->GetVertexData(), mesh->GetVertexBufferSize()));
    mesh->SetMeshDataMng(nullptr);
}

TEST(MeshDataBase, CopiesOwnTheirArrays)
{
    MeshPtr<TestMesh> a = MakeTube({3, 3, 2, 2, 2});
    ASSERT_EQ(a->SplitIdxToLimitBones(0), 0);
    MeshPtr<TestMesh> b(new TestMesh(*a));
    EXPECT_EQ(b->GetRef(), 0u);
    EXPECT_NE(b->GetVertexData(), a->GetVertexData());
    EXPECT_EQ(0, std::memcmp(b->GetVertexData(), a->GetVertexData(), a->GetVertexBufferSize()));
    EXPECT_EQ(b->GetMaterialNum(), 2u);
    EXPECT_NE(b->GetBatchBoneList(0), a->GetBatchBoneList(0));
    b->GetVertexData()[0] = 1;
    a->GetVertexData()[0] = 2;
    *b = *a;
    EXPECT_EQ(b->GetVertexData()[0], 2);
}

TEST(MeshDataBase, MaterialsPastTheEndAreTheInvalidMaterial)
{
    MeshPtr<TestMesh> mesh = MakeTube({3, 3, 1, 1, 1});
    EXPECT_EQ(&mesh->GetMaterial(1), &CMeshDataBase::m_mtlInvalid);
    EXPECT_EQ(mesh->GetMaterialByID(1), nullptr);
    CMaterialData m;
    EXPECT_EQ(mesh->SetMaterial(1, m), 0);
    m.dwBlendMode = 2;
    EXPECT_EQ(mesh->SetMaterial(0, m), 1);
    EXPECT_EQ(mesh->GetMaterial(0).dwBlendMode, 2u);
    // A material index past the count touches no device state.
    EXPECT_EQ(mesh->SetCurMaterial(nullptr, 1), 1);
}

TEST(MeshDataBase, WindingFlipNeedsIndices)
{
    MeshPtr<TestMesh> mesh(new TestMesh());
    mesh->SetConverCoord(0);
    EXPECT_EQ(mesh->ConvertCoord(), E_FAIL);
    EXPECT_EQ(mesh->IsConvertCoord(), 0);
    const WORD idx[6] = {0, 1, 2, 3, 4, 5};
    mesh->SetIndexFormat(D3DFMT_INDEX16);
    mesh->SetIndexData(reinterpret_cast<const char*>(idx), 12);
    mesh->SetPrimitiveCount(2);
    EXPECT_EQ(mesh->ConvertCoord(), 0);
    EXPECT_EQ(mesh->IsConvertCoord(), 1);
    const WORD flipped[6] = {0, 2, 1, 3, 5, 4};
    EXPECT_EQ(0, std::memcmp(mesh->GetIndexData(), flipped, 12));
    mesh->SetIndexFormat(105);
    EXPECT_EQ(mesh->ConvertCoord(), E_FAIL);
}

// A mesh of influences only, three a vertex.
template <DWORD N>
MeshPtr<TestMesh> ThreeInfluences(const DWORD (&bones)[N], const float (&weights)[N])
{
    static_assert(N % 3 == 0);
    MeshPtr<TestMesh> mesh(new TestMesh());
    mesh->SetVerticesNum(N / 3);
    mesh->SetBonesPerVertex(3);
    mesh->SetVerInfluneceBuf(bones, N);
    mesh->SetVerWeightBuf(weights, N);
    return mesh;
}

TEST(MeshDataBase, InfluenceReductionSpreadsDroppedWeight)
{
    const DWORD bones[6] = {4, 5, 6, 1, 2, 3};
    const float weights[6] = {0.6f, 0.35f, 0.05f, 0.2f, 0.5f, 0.3f};
    MeshPtr<TestMesh> mesh = ThreeInfluences(bones, weights);
    mesh->RecalculateInflunece(0.25f);
    // Vertex 0 keeps 4 and 5; vertex 1 keeps 2 and 3: two a vertex.
    ASSERT_EQ(mesh->GetBonesPerVertex(), 2u);
    EXPECT_EQ(mesh->GetVerInfluneceBuf()[0], 4u);
    EXPECT_EQ(mesh->GetVerInfluneceBuf()[1], 5u);
    EXPECT_NEAR(mesh->GetVerWeightBuf()[0], 0.6f / 0.95f, 1e-6f);
    EXPECT_NEAR(mesh->GetVerWeightBuf()[1], 0.35f / 0.95f, 1e-6f);
    EXPECT_EQ(mesh->GetVerInfluneceBuf()[2], 2u);
    EXPECT_EQ(mesh->GetVerInfluneceBuf()[3], 3u);
    EXPECT_NEAR(mesh->GetVerWeightBuf()[2], 0.5f / 0.8f, 1e-6f);

    // Nothing dropped: the tables stay.
    mesh->RecalculateInflunece(0.01f);
    EXPECT_EQ(mesh->GetBonesPerVertex(), 2u);
    EXPECT_NEAR(mesh->GetVerWeightBuf()[0], 0.6f / 0.95f, 1e-6f);

    // Everything dropped: no weight is spread and no influence is left.
    mesh->RecalculateInflunece(1.0f);
    EXPECT_EQ(mesh->GetBonesPerVertex(), 0u);

    // A heavy influence without a bone is kept (it holds the vertex still),
    // with its share of the dropped weight.
    const DWORD rigidBones[3] = {0xFFFFFFFF, 7, 8};
    const float rigidWeights[3] = {0.6f, 0.35f, 0.05f};
    MeshPtr<TestMesh> rigid = ThreeInfluences(rigidBones, rigidWeights);
    rigid->RecalculateInflunece(0.1f);
    ASSERT_EQ(rigid->GetBonesPerVertex(), 2u);
    EXPECT_EQ(rigid->GetVerInfluneceBuf()[0], 0xFFFFFFFFu);
    EXPECT_EQ(rigid->GetVerInfluneceBuf()[1], 7u);
    EXPECT_NEAR(rigid->GetVerWeightBuf()[0], 0.6f / 0.95f, 1e-6f);
    EXPECT_NEAR(rigid->GetVerWeightBuf()[1], 0.35f / 0.95f, 1e-6f);
}

} // namespace
