// Mesh preprocessing: bone batches, set operations, vertex normals, creases.
#include <cmath>
#include <cstring>
#include <set>

#include "model_fixture.h"

namespace {

using namespace modeltest;

// The bones a batch's faces use must all be in the batch.
void ExpectFacesCovered(CMeshDataBase& mesh)
{
    const WORD* idx = reinterpret_cast<const WORD*>(mesh.GetIndexData());
    for (DWORD k = 0; k < mesh.GetBoneBatchNum(); ++k) {
        const DWORD first = mesh.GetBatchFirstFace(k);
        const DWORD end = k + 1 < mesh.GetBoneBatchNum() ? mesh.GetBatchFirstFace(k + 1) : mesh.GetPrimitiveCount();
        const DWORD* list = mesh.GetBatchBoneList(k);
        const std::set<DWORD> carried(list, list + mesh.GetBatchBoneCount(k));
        EXPECT_LE(mesh.GetBatchBoneCount(k), 59u);
        for (DWORD f = first; f < end; ++f) {
            DWORD bones[24];
            const int n = mesh.GetFaceUseBones(idx + 3 * f, bones);
            for (int i = 0; i < n; ++i)
                EXPECT_TRUE(carried.count(bones[i])) << "batch " << k << " face " << f << " bone " << bones[i];
        }
    }
}

TEST(BoneBatches, OneBoneSetAndOneMaterialMakeOneBatch)
{
    MeshPtr<TestMesh> mesh = MakeTube({4, 4, 3, 2, 1});
    ASSERT_EQ(mesh->SplitIdxToLimitBones(1), 0);
    ASSERT_EQ(mesh->GetBoneBatchNum(), 1u);
    EXPECT_EQ(mesh->GetBatchFirstFace(0), 0u);
    EXPECT_EQ(mesh->GetBatchBoneCount(0), 3u);
    EXPECT_EQ(mesh->GetMaxBatchBones(), 59u);
}

TEST(BoneBatches, AMaterialChangeStartsABatch)
{
    MeshPtr<TestMesh> mesh = MakeTube({5, 4, 2, 2, 2});
    ASSERT_EQ(mesh->SplitIdxToLimitBones(1), 0);
    ASSERT_EQ(mesh->GetBoneBatchNum(), 2u);
    EXPECT_EQ(mesh->GetBatchFirstFace(1), mesh->GetSubsetFirstIndex()[1] / 3);
    ExpectFacesCovered(*mesh);
}

TEST(BoneBatches, ASubsetStartsABatchEvenAfterFacesWithoutBones)
{
    // The first material's faces (rings 0-2) use no bone at all.
    MeshPtr<TestMesh> mesh = MakeTube({5, 4, 2, 2, 2});
    float* weights = mesh->GetVerWeightBuf();
    for (DWORD i = 0; i < 3 * 4 * 2; ++i) weights[i] = 0.0f;
    ASSERT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    ASSERT_EQ(mesh->GetBoneBatchNum(), 2u);
    EXPECT_EQ(mesh->GetBatchBoneCount(0), 0u);
    EXPECT_EQ(mesh->GetBatchFirstFace(1), mesh->GetSubsetFirstIndex()[1] / 3);
    ExpectFacesCovered(*mesh);
}

TEST(BoneBatches, ManyBonesAreCutIntoBatchesOfAtMost59)
{
    for (int reorder : {0, 1}) {
        MeshPtr<TestMesh> mesh = MakeTube({40, 6, 150, 4, 2});
        const std::vector<char> before(mesh->GetIndexData(), mesh->GetIndexData() + mesh->GetIndexBufferSize());
        ASSERT_EQ(mesh->SplitIdxToLimitBones(reorder), 0);
        EXPECT_GE(mesh->GetBoneBatchNum(), 3u);
        ExpectFacesCovered(*mesh);
        if (!reorder) {
            EXPECT_EQ(0, std::memcmp(before.data(), mesh->GetIndexData(), before.size()));
        }
        // Each palette offset names the slot of its bone in the batch.
        const DWORD n = mesh->GetVerticesNum();
        for (DWORD k = 0; k < mesh->GetBoneBatchNum(); ++k) {
            const WORD* offsets = mesh->GetBatchPaletteIndex(k);
            ASSERT_NE(offsets, nullptr);
            const DWORD* list = mesh->GetBatchBoneList(k);
            for (DWORD v = 0; v < n; ++v)
                for (DWORD i = 0; i < 4; ++i) {
                    const WORD o = offsets[v * 4 + i];
                    ASSERT_EQ(o % 4, 0);
                    ASSERT_LT(o / 4u, std::max(mesh->GetBatchBoneCount(k), 1u));
                    const DWORD bone = mesh->GetVerInfluneceBuf()[v * 4 + i];
                    const bool carried =
                        std::find(list, list + mesh->GetBatchBoneCount(k), bone) != list + mesh->GetBatchBoneCount(k);
                    if (mesh->GetVerWeightBuf()[v * 4 + i] > 0.0001f && carried) {
                        EXPECT_EQ(list[o / 4], bone);
                    }
                }
        }
    }
}

TEST(BoneBatches, ReorderGathersEqualBoneSetsAndLeavesEachRunsLastTriangle)
{
    // Five triangles of their own vertices, one bone each: A B A C A.
    MeshPtr<TestMesh> mesh(new TestMesh());
    const DWORD faceBone[5] = {1, 2, 1, 3, 1};
    std::vector<Vertex152> v(15);
    std::vector<WORD> idx(15);
    std::vector<DWORD> bones(15);
    for (WORD i = 0; i < 15; ++i) {
        v[i].x = float(i);
        v[i].y = float(i % 3 == 1);
        idx[i] = i;
        bones[i] = faceBone[i / 3];
    }
    const std::vector<float> weights(15, 1.0f);
    const DWORD materials[5] = {0, 0, 0, 0, 0};
    mesh->SetVertexStride(sizeof(Vertex152));
    mesh->SetVerticesNum(15);
    mesh->SetIndicesNum(15);
    mesh->SetPrimitiveCount(5);
    mesh->SetIndexFormat(D3DFMT_INDEX16);
    mesh->SetVertexData(reinterpret_cast<const char*>(v.data()), DWORD(v.size() * sizeof(Vertex152)));
    mesh->SetIndexData(reinterpret_cast<const char*>(idx.data()), 30);
    mesh->SetBonesPerVertex(1);
    mesh->SetVerInfluneceBuf(bones.data(), 15);
    mesh->SetVerWeightBuf(weights.data(), 15);
    mesh->SetPrimitiveMaterialList(materials);
    ASSERT_EQ(mesh->SplitIdxToLimitBones(1), 0);
    // The middle A follows the first; the last A keeps its place.
    const WORD* out = reinterpret_cast<const WORD*>(mesh->GetIndexData());
    const DWORD expected[5] = {0, 2, 1, 3, 4};
    for (int t = 0; t < 5; ++t) EXPECT_EQ(out[3 * t], 3 * expected[t]) << t;
}

TEST(BoneBatches, MoreThanTenBatchesKeepNone)
{
    MeshPtr<TestMesh> mesh = MakeTube({200, 4, 600, 4, 1});
    EXPECT_EQ(mesh->SplitIdxToLimitBones(0), E_FAIL);
    EXPECT_EQ(mesh->GetBoneBatchNum(), 0u);
}

TEST(BoneBatches, EmptyAndFaintInfluencesAddNoBone)
{
    MeshPtr<TestMesh> mesh = MakeTube({3, 3, 2, 2, 1});
    DWORD* bones = mesh->GetVerInfluneceBuf();
    float* weights = mesh->GetVerWeightBuf();
    const WORD face[3] = {0, 1, 2};
    bones[0] = 0xFFFFFFFF;
    weights[0] = 1.0f;
    bones[1] = 7;
    weights[1] = 0.00005f;
    bones[2] = 8;
    weights[2] = 0.00005f;
    bones[3] = 0xFFFFFFFF;
    bones[4] = 9;
    weights[4] = 0.0001f; // at the limit: used
    bones[5] = 0xFFFFFFFF;
    DWORD out[24];
    ASSERT_EQ(mesh->GetFaceUseBones(face, out), 1);
    EXPECT_EQ(out[0], 9u);
    // Corners and duplicates that name no vertex add nothing (and read nothing).
    const DWORD n = mesh->GetVerticesNum();
    const WORD outside[3] = {WORD(n), WORD(n + 1), 2};
    ASSERT_EQ(mesh->GetFaceUseBones(outside, out), 1);
    EXPECT_EQ(out[0], 9u);
    std::vector<DWORD> redundant(n, 0xFFFFFFFF);
    redundant[0] = 5000;
    mesh->SetVertexRedundantBuf(redundant.data(), n);
    ASSERT_EQ(mesh->GetFaceUseBones(face, out), 1);
    EXPECT_EQ(out[0], 9u);
    // Too many bones per vertex: nothing is done.
    mesh->SetBonesPerVertex(9);
    EXPECT_EQ(mesh->SplitIdxToLimitBones(0), 0);
    EXPECT_EQ(mesh->GetBoneBatchNum(), 0u);
}

TEST(SetOperations, SameSimilarAndUnion)
{
    const DWORD a[3] = {1, 2, 3}, b[3] = {3, 1, 2}, c[3] = {1, 5, 6};
    EXPECT_EQ(CMeshDataBase::IsSameArray(a, 3, b, 3), 1);
    EXPECT_EQ(CMeshDataBase::IsSameArray(a, 3, c, 3), 0);
    EXPECT_EQ(CMeshDataBase::IsSameArray(a, 2, b, 3), 0);
    EXPECT_EQ(CMeshDataBase::IsSameArray(nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(CMeshDataBase::IsSimilarArray(a, 3, c, 3, 1), 1);
    EXPECT_EQ(CMeshDataBase::IsSimilarArray(a, 3, c, 3, 2), 0);
    EXPECT_EQ(CMeshDataBase::IsSimilarArray(a, 3, c, 3, 0), 1);
    EXPECT_EQ(CMeshDataBase::IsSimilarArray(nullptr, 0, c, 3, 0), 0);
    DWORD set[59];
    DWORD size = 0;
    EXPECT_EQ(CMeshDataBase::SetArrayToArray(set, size, a, 3), 1);
    EXPECT_EQ(CMeshDataBase::SetArrayToArray(set, size, c, 3), 1);
    EXPECT_EQ(size, 5u);
    std::vector<DWORD> many(60);
    for (DWORD i = 0; i < 60; ++i) many[i] = 100 + i;
    EXPECT_EQ(CMeshDataBase::SetArrayToArray(set, size, many.data(), 60), 0);
    EXPECT_EQ(size, 59u);
}

long g_normalEvents = 0;
long CountNormals(DWORD event, DWORD_PTR, DWORD_PTR, DWORD)
{
    if (event == KESTU_MESHEVENT_NORMALS) ++g_normalEvents;
    return 0;
}

TEST(VertexNormals, FacesGiveTheNormalsAndDuplicatesShareThem)
{
    // A flat square in the z = 0 plane, wound to face -z, vertex 4 a duplicate of 1.
    MeshPtr<TestMesh> mesh(new TestMesh());
    Vertex152 v[5] = {};
    const float pos[5][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (int i = 0; i < 5; ++i) {
        v[i].x = pos[i][0];
        v[i].y = pos[i][1];
        v[i].nx = 9;
    }
    const WORD idx[6] = {0, 2, 1, 2, 3, 4};
    mesh->SetVertexStride(36);
    mesh->SetVertexFVF(0x152);
    mesh->SetVerticesNum(5);
    mesh->SetPrimitiveCount(2);
    mesh->SetIndicesNum(6);
    mesh->SetIndexFormat(D3DFMT_INDEX16);
    mesh->SetVertexData(reinterpret_cast<const char*>(v), sizeof(v));
    mesh->SetIndexData(reinterpret_cast<const char*>(idx), 12);
    const DWORD redundant[5] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 1};
    mesh->SetVertexRedundantBuf(redundant, 5);
    mesh->SetVertexRedundantNum(1);
    mesh->SetCallBackFn(CountNormals);
    g_normalEvents = 0;
    EXPECT_EQ(mesh->UpdateVertexNormal(mesh->GetVertexData()), 0);
    EXPECT_EQ(g_normalEvents, 1);
    const Vertex152* out = reinterpret_cast<const Vertex152*>(mesh->GetVertexData());
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(out[i].nx, 0.0f, 1e-6f) << i;
        EXPECT_NEAR(out[i].ny, 0.0f, 1e-6f) << i;
        EXPECT_NEAR(std::fabs(out[i].nz), 1.0f, 1e-6f) << i;
    }
    EXPECT_EQ(out[0].nz, out[3].nz);
    // Without normals in the format nothing changes and nobody is told.
    mesh->SetVertexFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    const std::vector<char> before(mesh->GetVertexData(), mesh->GetVertexData() + mesh->GetVertexBufferSize());
    EXPECT_EQ(mesh->UpdateVertexNormal(mesh->GetVertexData()), 0);
    EXPECT_EQ(g_normalEvents, 1);
    EXPECT_EQ(0, std::memcmp(before.data(), mesh->GetVertexData(), before.size()));
}

TEST(Creases, SharpEdgesGetVerticesOfTheirOwn)
{
    // Two triangles folded 90 degrees along the edge 0-1, and a flat pair.
    const float folded[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const WORD foldedFaces[6] = {0, 1, 2, 1, 0, 3};
    void* newIndices = nullptr;
    void* newVertices = nullptr;
    int count = 0;
    host::ClearDebugOutput();
    ASSERT_EQ(AdjustFaces(0.5f, reinterpret_cast<const char*>(folded), 4, 12, foldedFaces, 2, 2, &newIndices,
                          &newVertices, &count),
              0);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(host::GetDebugOutputText(), "Add vertex:2\n\r");
    const WORD* idx = static_cast<const WORD*>(newIndices);
    const float* pos = reinterpret_cast<const float*>(newVertices);
    // The second face now uses the new vertices, at the places of 0 and 1.
    EXPECT_EQ(idx[3], 5);
    EXPECT_EQ(idx[4], 4);
    EXPECT_EQ(idx[5], 3);
    EXPECT_EQ(0, std::memcmp(pos + 4 * 3, folded[0], 12));
    EXPECT_EQ(0, std::memcmp(pos + 5 * 3, folded[1], 12));
    delete[] static_cast<char*>(newIndices);
    delete[] static_cast<char*>(newVertices);

    const float flat[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    const WORD flatFaces[6] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(AdjustFaces(0.5f, reinterpret_cast<const char*>(flat), 4, 12, flatFaces, 2, 2, &newIndices, &newVertices,
                          &count),
              0);
    EXPECT_EQ(count, 4);
    delete[] static_cast<char*>(newIndices);
    delete[] static_cast<char*>(newVertices);
    EXPECT_EQ(AdjustFaces(0.5f, reinterpret_cast<const char*>(flat), 3, 12, flatFaces, 2, 2, &newIndices, &newVertices,
                          &count),
              E_INVALIDARG);
}

} // namespace
