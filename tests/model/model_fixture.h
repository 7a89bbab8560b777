// Shared pieces of the skeletal-model tests: a headless device, the engine's
// skinning switches put back after each test, meshes made in memory and
// chunks read and written through memory files.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/device.h"
#include "host/host.h"
#include "kestu.h"
#include "ou_archive.h"
#include "ou_file.h"

namespace modeltest {

using namespace Kestu;

// A skinned mesh whose protected helpers the tests reach.
class TestMesh : public CMeshDataDynamic {
public:
    TestMesh() {}
    explicit TestMesh(const SMeshDataBase& head) : CMeshDataDynamic(head) {}
    using CMeshDataBase::ExpandTexCoord;
    using CMeshDataBase::GernerateMaterialSet;
    using CMeshDataBase::SetCurMaterial;
};

// Releases a mesh data object that a test made (count 0 or more).
struct MeshReleaser {
    void operator()(CMeshDataBase* m) const
    {
        while (m->GetRef() > 1) m->Release();
        m->Release();
    }
};
template <class T>
using MeshPtr = std::unique_ptr<T, MeshReleaser>;

// The vertex of FVF 0x152: position, normal, diffuse, one texture coordinate pair.
struct Vertex152 {
    float x, y, z;
    float nx, ny, nz;
    DWORD diffuse;
    float u, v;
};
static_assert(sizeof(Vertex152) == 36);

// A tube along x from -1 to 1 (rings x segments vertices) bound to `bones`
// bones spaced along it; each vertex takes its `perVertex` nearest bones with
// weights falling off with distance. Triangles of the left half use
// material 0, of the right half material 1 (when materials is 2).
struct TubeShape {
    int rings = 12;
    int segments = 10;
    int bones = 4;
    int perVertex = 4;
    int materials = 1;
    float radius = 0.3f;
};

inline float BoneCentre(int b, int bones) { return bones == 1 ? 0.0f : -1.0f + 2.0f * float(b) / float(bones - 1); }

inline void FillTube(CMeshDataBase& mesh, const TubeShape& t)
{
    std::vector<Vertex152> vertices;
    for (int r = 0; r < t.rings; ++r) {
        const float x = -1.0f + 2.0f * float(r) / float(t.rings - 1);
        for (int s = 0; s < t.segments; ++s) {
            const float a = 6.2831853f * float(s) / float(t.segments);
            Vertex152 v{};
            v.x = x;
            v.y = t.radius * std::cos(a);
            v.z = t.radius * std::sin(a);
            v.nx = 0;
            v.ny = std::cos(a);
            v.nz = std::sin(a);
            v.diffuse = 0xFFFFFFFF;
            v.u = float(r) / float(t.rings - 1);
            v.v = float(s) / float(t.segments);
            vertices.push_back(v);
        }
    }
    std::vector<WORD> indices;
    std::vector<DWORD> faceMaterials;
    for (int r = 0; r + 1 < t.rings; ++r)
        for (int s = 0; s < t.segments; ++s) {
            const WORD a = WORD(r * t.segments + s), b = WORD(r * t.segments + (s + 1) % t.segments);
            const WORD c = WORD(a + t.segments), d = WORD(b + t.segments);
            const DWORD m = t.materials > 1 && r >= (t.rings - 1) / 2 ? 1 : 0;
            for (WORD i : {a, c, b, b, c, d}) indices.push_back(i);
            faceMaterials.push_back(m);
            faceMaterials.push_back(m);
        }
    std::vector<DWORD> bones;
    std::vector<float> weights;
    for (const Vertex152& v : vertices) {
        std::vector<std::pair<float, int>> near;
        for (int b = 0; b < t.bones; ++b) near.push_back({std::fabs(v.x - BoneCentre(b, t.bones)), b});
        std::sort(near.begin(), near.end());
        float sum = 0;
        std::vector<float> w(t.perVertex);
        for (int i = 0; i < t.perVertex; ++i) {
            w[i] = i < t.bones ? 1.0f / (0.05f + near[i].first) : 0.0f;
            sum += w[i];
        }
        for (int i = 0; i < t.perVertex; ++i) {
            bones.push_back(i < t.bones ? DWORD(near[i].second) : 0xFFFFFFFF);
            weights.push_back(w[i] / sum);
        }
    }
    mesh.SetVertexStride(sizeof(Vertex152));
    mesh.SetVertexFVF(0x152);
    mesh.SetVerticesNum(DWORD(vertices.size()));
    mesh.SetIndicesNum(DWORD(indices.size()));
    mesh.SetIndexFormat(D3DFMT_INDEX16);
    mesh.SetPrimitiveType(D3DPT_TRIANGLELIST);
    mesh.SetPrimitiveCount(DWORD(indices.size() / 3));
    mesh.SetVertexData(reinterpret_cast<const char*>(vertices.data()), DWORD(vertices.size() * sizeof(Vertex152)));
    mesh.SetIndexData(reinterpret_cast<const char*>(indices.data()), DWORD(indices.size() * 2));
    mesh.SetBonesPerVertex(DWORD(t.perVertex));
    mesh.SetVerInfluneceBuf(bones.data(), DWORD(bones.size()));
    mesh.SetVerWeightBuf(weights.data(), DWORD(weights.size()));
    mesh.SetPrimitiveMaterialList(faceMaterials.data());
    for (int m = 0; m < t.materials; ++m) {
        CMaterialData material;
        material.mtl.Diffuse = {1, 1, 1, 1};
        material.mtl.Ambient = {1, 1, 1, 1};
        material.dwBlendMode = 0;
        mesh.AddMaterial(&material);
    }
}

inline MeshPtr<TestMesh> MakeTube(const TubeShape& t)
{
    MeshPtr<TestMesh> mesh(new TestMesh());
    FillTube(*mesh, t);
    EXPECT_EQ(mesh->GernerateMaterialSet(), 0);
    return mesh;
}

// Four vertices, two triangles, two influences each, the last vertex a
// duplicate of vertex 1, one material.
inline MeshPtr<TestMesh> MiniMesh(DWORD indexFormat = D3DFMT_INDEX16)
{
    MeshPtr<TestMesh> mesh(new TestMesh());
    const Vertex152 v[4] = {{0, 0, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                            {1, 0, 0, 0, 0, -1, 0xFFFFFFFF, 1, 0},
                            {0, 1, 0, 0, 0, -1, 0xFFFFFFFF, 0, 1},
                            {1, 0, 0, 0, 0, -1, 0xFFFFFFFF, 1, 0}};
    mesh->SetVertexStride(36);
    mesh->SetVertexFVF(0x152);
    mesh->SetVerticesNum(4);
    mesh->SetIndicesNum(6);
    mesh->SetIndexFormat(indexFormat);
    mesh->SetPrimitiveCount(2);
    mesh->SetVertexData(reinterpret_cast<const char*>(v), sizeof(v));
    if (indexFormat == D3DFMT_INDEX32) {
        const DWORD idx[6] = {0, 1, 2, 2, 3, 0};
        mesh->SetIndexData(reinterpret_cast<const char*>(idx), sizeof(idx));
    } else {
        const WORD idx[6] = {0, 1, 2, 2, 3, 0};
        mesh->SetIndexData(reinterpret_cast<const char*>(idx), sizeof(idx));
    }
    const DWORD bones[8] = {0, 1, 1, 0xFFFFFFFF, 2, 0, 1, 0xFFFFFFFF};
    const float weights[8] = {0.75f, 0.25f, 1.0f, 0.0f, 0.5f, 0.5f, 1.0f, 0.0f};
    mesh->SetBonesPerVertex(2);
    mesh->SetVerInfluneceBuf(bones, 8);
    mesh->SetVerWeightBuf(weights, 8);
    const DWORD redundant[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 1};
    mesh->SetVertexRedundantBuf(redundant, 4);
    mesh->SetVertexRedundantNum(1);
    const DWORD faces[2] = {0, 0};
    mesh->SetPrimitiveMaterialList(faces);
    CMaterialData material;
    material.dwMtlID = 7;
    material.dwBlendMode = 2;
    material.mtl.Diffuse = {0.5f, 0.25f, 1, 1};
    material.mtl.Power = 8;
    material.SetTextureID(42);
    material.SetTextureFileName("skin.png");
    mesh->AddMaterial(&material);
    EXPECT_EQ(mesh->GernerateMaterialSet(), 0);
    return mesh;
}

// Writes a chunk into memory; the bytes.
inline std::vector<BYTE> WriteChunk(CMeshDataBase& mesh, DWORD version, DWORD flags, long* result = nullptr)
{
    COUMemFile file;
    file.Open(nullptr, OU_FILE_CREATE);
    DWORD count = 0;
    {
        COUArchive ar(&file, OU_ARCHIVE_STORE);
        const long hr = mesh.Serialize(version, flags, ar, count, 1, 1, 0);
        if (result) *result = hr;
        ar.Close();
    }
    EXPECT_EQ(count, file.GetBuffer().size());
    return file.GetBuffer();
}

// Reads a chunk from its tag on.
inline CMeshDataBase* ReadChunk(const std::vector<BYTE>& bytes, DWORD version, DWORD flags,
                                CMeshDataMng* manager = nullptr, DWORD* consumed = nullptr)
{
    COUMemFile file(bytes.data(), bytes.size());
    file.Open(nullptr, OU_FILE_READ);
    COUArchive ar(&file, OU_ARCHIVE_LOAD);
    DWORD count = 0;
    CMeshDataBase* mesh = ReadMeshDataChunk(ar, count, version, flags, 1, 0, manager);
    if (consumed) *consumed = count;
    return mesh;
}

// Puts the engine-wide skinning switches back as a new process has them.
inline void ResetSkinningStatics()
{
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
    CMeshDataMng::m_nSklAniMaxConstantRegisterCount = 0;
    CMeshDataMng::m_nSkinMaxContainBones = 0;
    CMeshDataMng::EnableCache(1);
    CMeshDataMng::EnableTexCoordExpand(1);
}

// A fuzz target's seed corpus folder: under KESTU_SOURCE_DIR, else the
// nearest one above the working folder (tests run inside the build tree).
inline std::filesystem::path CorpusFolder(const std::string& target)
{
    const std::filesystem::path below = std::filesystem::path("fuzz") / "corpus" / target;
    if (const char* source = std::getenv("KESTU_SOURCE_DIR")) return std::filesystem::path(source) / below;
    for (std::filesystem::path at = std::filesystem::current_path(); !at.empty(); at = at.parent_path()) {
        if (std::filesystem::is_directory(at / below)) return at / below;
        if (at == at.parent_path()) break;
    }
    return below;
}

// A seed of a fuzz target's corpus: its file name and bytes.
struct FuzzSeed {
    std::string name;
    std::vector<BYTE> bytes;
};

// The corpus holds exactly what the writer writes now; KESTU_WRITE_SEEDS=1
// rewrites it.
inline void ExpectCorpus(const std::string& target, const std::vector<FuzzSeed>& seeds)
{
    const std::filesystem::path dir = CorpusFolder(target);
    const bool rewrite = std::getenv("KESTU_WRITE_SEEDS") != nullptr;
    if (rewrite) std::filesystem::create_directories(dir);
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    for (const FuzzSeed& seed : seeds) {
        const std::filesystem::path path = dir / seed.name;
        if (rewrite)
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(seed.bytes.data()), std::streamsize(seed.bytes.size()));
        std::ifstream in(path, std::ios::binary);
        const std::vector<BYTE> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stored, seed.bytes) << seed.name;
    }
}

// A 64x64 device with depth, shared by a suite.
class ModelDevice : public ::testing::Test {
protected:
    static constexpr UINT kSize = 64;

    static void SetUpTestSuite()
    {
        const D3DPRESENT_PARAMETERS pp =
            testdevice::DefaultParameters(kSize, kSize, testdevice::FakeWindow(0x4D44), true, false);
        ASSERT_EQ(testdevice::CreateShared(pp, d3d, device), D3D_OK);
    }
    static void TearDownTestSuite() { testdevice::ReleaseShared(d3d, device); }
    void SetUp() override
    {
        ASSERT_NE(device, nullptr);
        ResetSkinningStatics();
    }
    void TearDown() override
    {
        host::D3D8SetCapsFilter(nullptr);
        host::D3D8SetVertexShaderConstants(0);
        ResetSkinningStatics();
    }

    static inline IDirect3D8* d3d = nullptr;
    static inline IDirect3DDevice8* device = nullptr;
};

} // namespace modeltest
