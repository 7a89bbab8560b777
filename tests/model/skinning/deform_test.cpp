// Software skinning: the formula, its edge cases and where the result goes.
#include <cmath>
#include <cstring>
#include <random>

#include "model/skinning/SkinKernel.h"
#include "model_fixture.h"

namespace {

using namespace modeltest;

// Bones with root matrices rotating about z by a growing angle and moving.
struct Rig {
    explicit Rig(int count, float angle = 0.4f, bool mirror = false)
    {
        bones.resize(count);
        offsets.resize(count);
        pointers.resize(count);
        for (int b = 0; b < count; ++b) {
            D3DXMATRIX r, t;
            D3DXMatrixRotationZ(&r, angle * float(b));
            D3DXMatrixTranslation(&t, 0.1f * float(b), 0.05f, 0.0f);
            D3DXMATRIX root = r * t;
            if (mirror && b % 2) {
                D3DXMATRIX flip;
                D3DXMatrixScaling(&flip, -1, 1, 1);
                root = flip * root;
            }
            bones[b].SetRootMatrix(&root);
            D3DXMatrixTranslation(&offsets[b], 0.0f, -0.02f * float(b), 0.0f);
            pointers[b] = &bones[b];
        }
    }
    std::vector<CSkAniBone> bones;
    std::vector<D3DXMATRIX> offsets;
    std::vector<CSkAniBone*> pointers;
};

// The formula term by term, straight from the tables.
std::vector<float> Reference(CMeshDataBase& mesh, const Rig& rig, bool normals)
{
    const DWORD n = mesh.GetVerticesNum(), b = mesh.GetBonesPerVertex(), s = mesh.GetVertexStride() / 4;
    const float* src = reinterpret_cast<const float*>(mesh.GetVertexData());
    std::vector<float> out(src, src + size_t(n) * s);
    for (DWORD v = 0; v < n; ++v) {
        D3DXVECTOR3 p(0, 0, 0), q(0, 0, 0);
        for (DWORD i = 0; i < b; ++i) {
            const float w = mesh.GetVerWeightBuf()[v * b + i];
            if (w <= 0.0001f) continue;
            const DWORD j = mesh.GetVerInfluneceBuf()[v * b + i];
            const D3DXVECTOR3 in(src + size_t(v) * s), nin(src + size_t(v) * s + 3);
            D3DXVECTOR3 t = in, tn = nin;
            if (j < rig.bones.size()) {
                D3DXMATRIX m = rig.offsets[j] * *rig.bones[j].GetRootMatrix();
                D3DXVec3TransformCoord(&t, &in, &m);
                D3DXMATRIX inv, it;
                D3DXMatrixInverse(&inv, nullptr, &m);
                D3DXMatrixTranspose(&it, &inv);
                D3DXVec3TransformNormal(&tn, &nin, &it);
                if (D3DXMatrixfDeterminant(&m) < 0) tn = -tn;
            }
            p += w * t;
            q += w * tn;
        }
        std::memcpy(&out[size_t(v) * s], &p, 12);
        if (normals) std::memcpy(&out[size_t(v) * s + 3], &q, 12);
    }
    return out;
}

void ExpectNear(const float* got, const std::vector<float>& want, float tolerance)
{
    for (size_t i = 0; i < want.size(); ++i)
        if (std::memcmp(&got[i], &want[i], 4) != 0) { // colours are not floats
            ASSERT_NEAR(got[i], want[i], tolerance) << "float " << i;
        }
}

class Deform : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSkinningStatics();
        CMeshDataMng::EnableCache(0);
    }
    void TearDown() override { ResetSkinningStatics(); }
};

TEST_F(Deform, FollowsTheFormula)
{
    for (bool normals : {false, true})
        for (int perVertex : {1, 2, 3, 4, 8}) {
            SCOPED_TRACE(perVertex);
            Rig rig(10, 0.3f, normals);
            MeshPtr<TestMesh> mesh = MakeTube({12, 8, 10, perVertex, 1});
            mesh->EnableNormalCalc(normals);
            EXPECT_EQ(mesh->Deform(rig.pointers.data(), 10, rig.offsets.data(), nullptr, nullptr), 0);
            ExpectNear(reinterpret_cast<const float*>(mesh->GetWorkVertexData()), Reference(*mesh, rig, normals),
                       2e-5f);
            // The bind pose stays as loaded.
            MeshPtr<TestMesh> fresh = MakeTube({12, 8, 10, perVertex, 1});
            EXPECT_EQ(0, std::memcmp(mesh->GetVertexData(), fresh->GetVertexData(), mesh->GetVertexBufferSize()));
        }
}

TEST_F(Deform, NonAffineBonesDivideByW)
{
    Rig rig(4);
    D3DXMATRIX projective;
    D3DXMatrixIdentity(&projective);
    projective._14 = 0.25f;
    rig.bones[2].SetRootMatrix(&projective);
    MeshPtr<TestMesh> mesh = MakeTube({6, 6, 4, 4, 1});
    mesh->Deform(rig.pointers.data(), 4, rig.offsets.data(), nullptr, nullptr);
    ExpectNear(reinterpret_cast<const float*>(mesh->GetWorkVertexData()), Reference(*mesh, rig, false), 2e-5f);
}

TEST_F(Deform, BonesOutsideThisCallKeepTheVertex)
{
    Rig rig(6);
    MeshPtr<TestMesh> mesh = MakeTube({8, 4, 6, 2, 1});
    // First with all six bones, then with only three: bones 3-5 are stale.
    mesh->Deform(rig.pointers.data(), 6, rig.offsets.data(), nullptr, nullptr);
    mesh->Deform(rig.pointers.data(), 3, rig.offsets.data(), nullptr, nullptr);
    Rig fewer = rig;
    fewer.bones.resize(3);
    ExpectNear(reinterpret_cast<const float*>(mesh->GetWorkVertexData()), Reference(*mesh, fewer, false), 2e-5f);
}

TEST_F(Deform, FaintWeightsLeaveTheOriginAndDuplicatesCopy)
{
    Rig rig(2);
    MeshPtr<TestMesh> mesh = MakeTube({3, 3, 2, 2, 1});
    float* weights = mesh->GetVerWeightBuf();
    weights[0] = weights[1] = 0.0001f;
    // The last vertex duplicates vertex 4.
    const DWORD n = mesh->GetVerticesNum();
    std::vector<DWORD> redundant(n, 0xFFFFFFFF);
    redundant[n - 1] = 4;
    mesh->SetVertexRedundantBuf(redundant.data(), n);
    mesh->SetVertexRedundantNum(1);
    mesh->Deform(rig.pointers.data(), 2, rig.offsets.data(), nullptr, nullptr);
    const float* out = reinterpret_cast<const float*>(mesh->GetWorkVertexData());
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(0, std::memcmp(out + (n - 1) * 9, out + 4 * 9, 12));

    // With the first vertex a duplicate nothing is blended, only copied.
    MeshPtr<TestMesh> other = MakeTube({3, 3, 2, 2, 1});
    redundant.assign(n, 0xFFFFFFFF);
    redundant[0] = 2;
    other->SetVertexRedundantBuf(redundant.data(), n);
    other->Deform(rig.pointers.data(), 2, rig.offsets.data(), nullptr, nullptr);
    const float* src = reinterpret_cast<const float*>(other->GetVertexData());
    const float* work = reinterpret_cast<const float*>(other->GetWorkVertexData());
    EXPECT_EQ(0, std::memcmp(work + 9, src + 9, (n - 1) * 36));
    EXPECT_EQ(0, std::memcmp(work, src + 2 * 9, 12));
}

TEST_F(Deform, MatricesAndPaletteOfTheCall)
{
    Rig rig(3, 0.5f, true);
    MeshPtr<TestMesh> mesh = MakeTube({3, 3, 3, 2, 1});
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_VS_LIGHT, nullptr);
    std::vector<D3DXMATRIX> palette(3);
    mesh->Deform(rig.pointers.data(), 3, rig.offsets.data(), palette.data(), nullptr);
    for (DWORD b = 0; b < 3; ++b) {
        const D3DXMATRIX m = rig.offsets[b] * *rig.bones[b].GetRootMatrix();
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                EXPECT_NEAR(mesh->GetBoneMatrix(b)->m[r][c], m.m[r][c], 1e-6f);
                EXPECT_NEAR(palette[b].m[c][r], m.m[r][c], 1e-6f);
            }
        EXPECT_EQ(mesh->GetNormalSign(b), b % 2 ? -1.0f : 1.0f);
    }
}

class DeformUpload : public ModelDevice {};

TEST_F(DeformUpload, GoesToTheTargetWithTheCacheOff)
{
    CMeshDataMng::EnableCache(0);
    Rig rig(4);
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    FillTube(*mesh, {6, 6, 4, 4, 1});
    CMeshDataRef ref;
    ASSERT_EQ(ref.Build(device, mesh), 0);
    mesh->Deform(rig.pointers.data(), 4, rig.offsets.data(), nullptr, ref.GetVertexBuffer());
    BYTE* bits = nullptr;
    ASSERT_EQ(ref.GetVertexBuffer()->GetVtxBuf()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(0, std::memcmp(bits, mesh->GetWorkVertexData(), mesh->GetVertexBufferSize()));
    ref.GetVertexBuffer()->GetVtxBuf()->Unlock();
}

TEST_F(DeformUpload, FillsAFreshMemoryBufferWithTheCacheOn)
{
    CMeshDataMng manager;
    manager.Build(device);
    Rig rig(4);
    CMeshDataDynamic* mesh = new CMeshDataDynamic();
    FillTube(*mesh, {6, 6, 4, 4, 1});
    CMeshDataRef ref;
    ASSERT_EQ(ref.Build(device, mesh), 0);
    const DWORD id = manager.AddMeshData("tube", mesh);
    mesh->Deform(rig.pointers.data(), 4, rig.offsets.data(), nullptr, ref.GetVertexBuffer());
    CMemVertexBuffer* first = mesh->GetMemVertexBuffer();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(0, std::memcmp(first->GetBuffer(), mesh->GetWorkVertexData(), mesh->GetVertexBufferSize()));
    // The skeleton files the frame: the next deformation must not write into it.
    first->AddRef();
    ASSERT_EQ(manager.AddDataToCache(id, 0, 0, first, mesh->GetBoundBox()), 0);
    const std::vector<BYTE> cached(first->GetBuffer(), first->GetBuffer() + first->GetLength());
    Rig moved(4, 0.9f);
    mesh->Deform(moved.pointers.data(), 4, moved.offsets.data(), nullptr, ref.GetVertexBuffer());
    CMemVertexBuffer* second = mesh->GetMemVertexBuffer();
    ASSERT_NE(second, first);
    EXPECT_EQ(0, std::memcmp(first->GetBuffer(), cached.data(), cached.size()));
    EXPECT_EQ(first->GetRef(), 1u);
    // Drawing copies the mesh's current frame into the handle's buffer.
    device->BeginScene();
    ref.Render(nullptr);
    device->EndScene();
    BYTE* bits = nullptr;
    ASSERT_EQ(ref.GetVertexBuffer()->GetVtxBuf()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(0, std::memcmp(bits, second->GetBuffer(), second->GetLength()));
    ref.GetVertexBuffer()->GetVtxBuf()->Unlock();
    // A cached frame comes back.
    ASSERT_EQ(manager.GetCachedData(id, 0, 0), 0);
    EXPECT_EQ(mesh->GetMemVertexBuffer(), first);
    manager.Release();
}

TEST(SkinKernel, FastAndExactAgreeOnRandomInput)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const size_t count = 500, stride = 36;
    for (uint32_t perVertex : {1u, 2u, 4u, 5u, 8u}) {
        std::vector<char> src(count * stride), fast(count * stride), exact(count * stride);
        for (size_t i = 0; i < src.size() / 4; ++i) {
            const float f = unit(rng);
            std::memcpy(&src[i * 4], &f, 4);
        }
        std::vector<uint32_t> bones(count * perVertex);
        std::vector<float> weights(count * perVertex);
        for (size_t i = 0; i < bones.size(); ++i) {
            bones[i] = rng() % 300; // some past the palette
            weights[i] = i % 7 == 0 ? 0.00005f : (unit(rng) + 1.0f) / 2.0f;
        }
        std::vector<D3DXMATRIX> palette(skinning::kSlots), normals(skinning::kSlots);
        for (auto* table : {&palette, &normals})
            for (D3DXMATRIX& m : *table) {
                D3DXMATRIX r, t;
                D3DXMatrixRotationYawPitchRoll(&r, unit(rng), unit(rng), unit(rng));
                D3DXMatrixTranslation(&t, unit(rng), unit(rng), unit(rng));
                m = r * t;
            }
        D3DXMatrixIdentity(&palette[skinning::kIdentitySlot]);
        D3DXMatrixIdentity(&normals[skinning::kIdentitySlot]);
        skinning::SkinJob job;
        job.src = src.data();
        job.stride = stride;
        job.count = count;
        job.bones = bones.data();
        job.weights = weights.data();
        std::vector<uint32_t> packed;
        skinning::PackInfluences(bones.data(), weights.data(), count, perVertex, packed);
        job.packed = packed.data();
        job.perVertex = perVertex;
        job.positions = palette.data();
        job.affine = true;
        // Every loop this processor runs, with normals and without (where the
        // bytes past the position stay as they were).
        const D3DXMATRIX* const normalTables[] = {normals.data(), nullptr};
        for (int simd = 0; simd <= int(skinning::BestSimd()); ++simd)
            for (const D3DXMATRIX* normalTable : normalTables) {
                job.normals = normalTable;
                fast = src;
                exact = src;
                job.dst = fast.data();
                skinning::BlendFast(job, skinning::Simd(simd));
                job.dst = exact.data();
                skinning::BlendExact(job);
                for (size_t v = 0; v < count; ++v)
                    for (int c = 0; c < 9; ++c) {
                        float a, b;
                        std::memcpy(&a, &fast[v * stride + c * 4], 4);
                        std::memcpy(&b, &exact[v * stride + c * 4], 4);
                        ASSERT_NEAR(a, b, 1e-4f) << "vertex " << v << " float " << c << " loops " << simd
                                                 << (normalTable ? " with normals" : "");
                    }
            }
    }
}

} // namespace
