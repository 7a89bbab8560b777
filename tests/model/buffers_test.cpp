// Counted buffers, the static mesh, the mesh handle and mesh-data copies.
#include <cstring>

#include "model_fixture.h"

namespace {

using namespace modeltest;

TEST(MemVertexBuffer, CopiesWithinItsLengthAndCopiesKeepTheirContents)
{
    CMemVertexBuffer* a = new CMemVertexBuffer(16, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    a->AddRef();
    const char bytes[20] = "0123456789abcdefghi";
    EXPECT_EQ(a->Copy(bytes, 20), E_FAIL);
    EXPECT_EQ(a->Copy(bytes, 16), 0);
    EXPECT_EQ(0, std::memcmp(a->GetBuffer(), bytes, 16));
    EXPECT_EQ(a->IsBuilt(), 0);
    CMemVertexBuffer* b = new CMemVertexBuffer();
    b->AddRef();
    b->AddRef();
    *b = *a;
    EXPECT_EQ(b->GetRef(), 2u);
    EXPECT_EQ(b->GetLength(), 16u);
    EXPECT_EQ(0, std::memcmp(b->GetBuffer(), bytes, 16));
    EXPECT_EQ(b->Release(), 1u);
    EXPECT_EQ(b->Release(), 0u); // destroyed (ASan watches)
    EXPECT_EQ(a->Release(), 0u);
    // A buffer nobody referenced is destroyed by its first Release.
    (new CMemVertexBuffer())->Release();
}

TEST(CountedRef, CopiesAndResetsBalanceTheCount)
{
    CMemVertexBuffer* a = new CMemVertexBuffer(4, 0, 4, 0, D3DPOOL_MANAGED, nullptr);
    a->AddRef(); // the test's own
    {
        CountedRef<CMemVertexBuffer> r(a);
        EXPECT_EQ(a->GetRef(), 2u);
        CountedRef<CMemVertexBuffer> s = r;
        EXPECT_EQ(a->GetRef(), 3u);
        s = r;
        EXPECT_EQ(a->GetRef(), 3u);
        s.Reset();
        EXPECT_EQ(a->GetRef(), 2u);
    }
    EXPECT_EQ(a->GetRef(), 1u);
    a->Release();
}

class Buffers : public ModelDevice {};

TEST_F(Buffers, VertexAndIndexBuffersCopyOnlyWhatFits)
{
    CVertexBuffer* vb = new CVertexBuffer(device, 64, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    vb->AddRef();
    ASSERT_EQ(vb->IsBuilt(), 1);
    std::vector<char> data(80, 7);
    EXPECT_EQ(vb->Copy(data.data(), 80), E_FAIL);
    EXPECT_EQ(vb->Copy(data.data(), 64), D3D_OK);
    CMemVertexBuffer* shorter = new CMemVertexBuffer(32, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    shorter->AddRef();
    EXPECT_EQ(vb->Copy(shorter), E_FAIL);
    shorter->Release();
    // Assignment shares the Direct3D buffer.
    CVertexBuffer* other = new CVertexBuffer();
    other->AddRef();
    *other = *vb;
    EXPECT_EQ(other->GetVtxBuf(), vb->GetVtxBuf());
    EXPECT_EQ(other->GetRef(), 1u);
    other->Release();
    vb->Release();

    CIndexBuffer* ib = new CIndexBuffer(device, 12, D3DFMT_INDEX16, 0, D3DPOOL_MANAGED, nullptr);
    ib->AddRef();
    EXPECT_EQ(ib->Copy(data.data(), 13), E_FAIL);
    EXPECT_EQ(ib->Copy(nullptr, 12), E_FAIL);
    const WORD idx[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ib->Copy(idx, 12), 0);
    CIndexBuffer* twin = new CIndexBuffer(device, 12, D3DFMT_INDEX16, 0, D3DPOOL_MANAGED, nullptr);
    twin->AddRef();
    EXPECT_EQ(twin->Copy(ib), D3D_OK);
    BYTE* bits = nullptr;
    ASSERT_EQ(twin->GetIdxBuf()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(0, std::memcmp(bits, idx, 12));
    twin->GetIdxBuf()->Unlock();
    CIndexBuffer* small = new CIndexBuffer(device, 6, D3DFMT_INDEX16, 0, D3DPOOL_MANAGED, nullptr);
    small->AddRef();
    EXPECT_EQ(twin->Copy(small), E_FAIL);
    small->Release();
    twin->Release();
    ib->Release();
}

TEST_F(Buffers, AFailedCreationLeavesTheBufferUnbuilt)
{
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, E_OUTOFMEMORY);
    CVertexBuffer* vb = new CVertexBuffer(device, 64, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    vb->AddRef();
    EXPECT_EQ(vb->IsBuilt(), 0);
    const char data[4] = {};
    EXPECT_EQ(vb->Copy(data, 4), E_FAIL);
    EXPECT_EQ(vb->Build(), D3D_OK);
    EXPECT_EQ(vb->IsBuilt(), 1);
    vb->Release();
}

TEST_F(Buffers, StaticMeshDrawsInOneCall)
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

TEST_F(Buffers, HandleWithoutMeshDataDoesNothing)
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

TEST_F(Buffers, HandleCopiesHoldTheirOwnReferences)
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

TEST_F(Buffers, HandleStartsWithTheBindPoseInBothCacheModes)
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

TEST(MeshDataBase, InfluenceReductionSpreadsDroppedWeight)
{
    MeshPtr<TestMesh> mesh(new TestMesh());
    mesh->SetVerticesNum(2);
    mesh->SetBonesPerVertex(3);
    const DWORD bones[6] = {4, 5, 6, 1, 2, 3};
    const float weights[6] = {0.6f, 0.35f, 0.05f, 0.2f, 0.5f, 0.3f};
    mesh->SetVerInfluneceBuf(bones, 6);
    mesh->SetVerWeightBuf(weights, 6);
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
}

} // namespace
