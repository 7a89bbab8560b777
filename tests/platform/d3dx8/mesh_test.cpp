// Meshes: the sphere, normals, cloning, the optimiser, drawing and the .x loaders.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>

#include "d3dx_device.h"
#include "xfile_fixture.h"

using namespace d3dxtest;

namespace {

struct PosNormal {
    D3DXVECTOR3 p, n;
};

std::string WriteText(const std::string& path, const char* text)
{
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

} // namespace

using MeshTest = D3DXDeviceTest;

TEST_F(MeshTest, SphereHasOutwardFacesAndUnitNormals)
{
    Released<ID3DXMesh> mesh;
    Released<ID3DXBuffer> adjacency;
    ASSERT_EQ(D3DXCreateSphere(dev, 2.0f, 6, 4, &mesh, &adjacency), D3D_OK);
    EXPECT_EQ(mesh->GetFVF(), (DWORD)(D3DFVF_XYZ | D3DFVF_NORMAL));
    EXPECT_EQ(mesh->GetNumVertices(), 2u + 3u * 6u);
    EXPECT_EQ(mesh->GetNumFaces(), 2u * 6u * 3u);
    ASSERT_EQ(adjacency->GetBufferSize(), mesh->GetNumFaces() * 12);
    // A closed surface: every edge has a neighbour.
    const DWORD* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    for (DWORD i = 0; i < mesh->GetNumFaces() * 3; ++i) EXPECT_LT(adj[i], mesh->GetNumFaces());

    PosNormal* v = nullptr;
    WORD* idx = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, (BYTE**)&v), D3D_OK);
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, (BYTE**)&idx), D3D_OK);
    for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
        EXPECT_NEAR(D3DXVec3Length(&v[i].p), 2.0f, 1e-5f);
        EXPECT_NEAR(D3DXVec3Length(&v[i].n), 1.0f, 1e-5f);
    }
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
        const D3DXVECTOR3 a = v[idx[f * 3]].p, b = v[idx[f * 3 + 1]].p, c = v[idx[f * 3 + 2]].p;
        D3DXVECTOR3 e1 = b - a, e2 = c - a, n, centre = (a + b + c) / 3.0f;
        D3DXVec3Cross(&n, &e1, &e2);
        EXPECT_GT(D3DXVec3Dot(&n, &centre), 0.0f) << "face " << f << " faces inwards";
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    Released<ID3DXMesh> none;
    EXPECT_EQ(D3DXCreateSphere(dev, 1.0f, 1, 4, &none, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(MeshTest, CloneComputeNormalsAndOptimize)
{
    // Two quads side by side, faces interleaved by attribute, one unused vertex.
    Released<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(4, 7, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, dev, &mesh), D3D_OK);
    D3DXVECTOR3* p = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, (BYTE**)&p), D3D_OK);
    const D3DXVECTOR3 pts[7] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 1, 0}, {2, 0, 0}, {9, 9, 9}};
    std::memcpy(p, pts, sizeof pts);
    mesh->UnlockVertexBuffer();
    WORD* idx = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, (BYTE**)&idx), D3D_OK);
    const WORD faces[12] = {0, 1, 2, 3, 2, 4, 0, 2, 3, 3, 4, 5};
    std::memcpy(idx, faces, sizeof faces);
    mesh->UnlockIndexBuffer();
    DWORD* attr = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attr), D3D_OK);
    attr[0] = 0;
    attr[1] = 1;
    attr[2] = 0;
    attr[3] = 1;
    mesh->UnlockAttributeBuffer();

    std::vector<DWORD> adjacency(12);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
    EXPECT_EQ(adjacency[0 * 3 + 2], 2u) << "faces 0 and 2 share edge 2-0";

    Released<ID3DXMesh> withNormals;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL, dev, &withNormals), D3D_OK);
    ASSERT_EQ(D3DXComputeNormals(withNormals.get(), nullptr), D3D_OK);
    PosNormal* pn = nullptr;
    ASSERT_EQ(withNormals->LockVertexBuffer(D3DLOCK_READONLY, (BYTE**)&pn), D3D_OK);
    EXPECT_NEAR(pn[2].p.x, 1.0f, 0);
    // Clockwise seen from -z: the normals face the viewer at -z.
    EXPECT_NEAR(pn[2].n.z, -1.0f, 1e-6f);
    EXPECT_NEAR(pn[6].n.z, 0.0f, 0) << "an unused vertex keeps a zero normal";
    withNormals->UnlockVertexBuffer();
    EXPECT_EQ(D3DXComputeNormals(mesh.get(), nullptr), D3DERR_INVALIDCALL) << "no normal in the format";

    std::vector<DWORD> faceRemap(4), adjOut(12);
    Released<ID3DXBuffer> vertexRemap;
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                    adjacency.data(), adjOut.data(), faceRemap.data(), &vertexRemap),
              D3D_OK);
    EXPECT_EQ(mesh->GetNumVertices(), 6u) << "the unused vertex is dropped";
    ASSERT_EQ(vertexRemap->GetBufferSize(), 6u * 4u);
    DWORD tableSize = 0;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &tableSize), D3D_OK);
    ASSERT_EQ(tableSize, 2u);
    D3DXATTRIBUTERANGE table[2];
    ASSERT_EQ(mesh->GetAttributeTable(table, &tableSize), D3D_OK);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 2u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 2u);
    // Faces of attribute 0 first; the remap names the old faces (old attribute = old face % 2).
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attr), D3D_OK);
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(attr[f], f < 2 ? 0u : 1u);
        EXPECT_EQ(faceRemap[f] % 2, attr[f]);
    }
    mesh->UnlockAttributeBuffer();
    // Geometry is unchanged: every new face has the positions of its old face.
    D3DXVECTOR3* np = nullptr;
    WORD* ni = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, (BYTE**)&np);
    mesh->LockIndexBuffer(D3DLOCK_READONLY, (BYTE**)&ni);
    for (int f = 0; f < 4; ++f)
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 now = np[ni[f * 3 + k]], was = pts[faces[faceRemap[f] * 3 + k]];
            EXPECT_TRUE(now.x == was.x && now.y == was.y && now.z == was.z) << f << "," << k;
        }
    // The adjacency follows the faces.
    for (int f = 0; f < 4; ++f)
        for (int k = 0; k < 3; ++k) {
            const DWORD before = adjacency[faceRemap[f] * 3 + k];
            const DWORD after = adjOut[f * 3 + k];
            if (before == 0xFFFFFFFFu)
                EXPECT_EQ(after, 0xFFFFFFFFu);
            else
                EXPECT_EQ(faceRemap[after], before);
        }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();

    // Drawing a subset draws its faces only.
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    host::D3D8ResetCounters();
    EXPECT_EQ(mesh->DrawSubset(1), D3D_OK);
    EXPECT_EQ(host::D3D8GetCounters().primitives, 2u);
    EXPECT_EQ(mesh->DrawSubset(7), D3D_OK);
    EXPECT_EQ(host::D3D8GetCounters().primitives, 2u);
    dev->EndScene();
}

TEST_F(MeshTest, AdjacencyWeldsSplitVerticesWhateverThePlane)
{
    // A k x k grid of quads, each with four vertices of its own, in the plane
    // x = 0, y = 0 or z = 0; copies of a grid point lie up to 0.004 apart.
    constexpr int k = 8;
    for (int axis = 0; axis < 3; ++axis)
        for (float epsilon : {0.0f, 0.01f}) {
            SCOPED_TRACE(testing::Message() << "axis " << axis << " epsilon " << epsilon);
            const float jitter = epsilon > 0 ? 0.004f : 0.0f;
            Released<ID3DXMesh> mesh;
            ASSERT_EQ(D3DXCreateMeshFVF(2 * k * k, 4 * k * k, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, dev, &mesh), D3D_OK);
            D3DXVECTOR3* p = nullptr;
            WORD* idx = nullptr;
            ASSERT_EQ(mesh->LockVertexBuffer(0, (BYTE**)&p), D3D_OK);
            ASSERT_EQ(mesh->LockIndexBuffer(0, (BYTE**)&idx), D3D_OK);
            for (int q = 0; q < k * k; ++q) {
                const int qx = q % k, qy = q / k;
                const int corner[4][2] = {{qx, qy}, {qx, qy + 1}, {qx + 1, qy + 1}, {qx + 1, qy}};
                for (int c = 0; c < 4; ++c) {
                    const float u = float(corner[c][0]) + jitter * float((q + c) % 3 - 1);
                    const float v = float(corner[c][1]) - jitter * float((q * 7 + c) % 3 - 1);
                    const float xyz[3][3] = {{0, u, v}, {u, 0, v}, {u, v, 0}};
                    p[q * 4 + c] = D3DXVECTOR3(xyz[axis][0], xyz[axis][1], xyz[axis][2]);
                }
                const WORD b = WORD(q * 4);
                const WORD tri[6] = {b, WORD(b + 1), WORD(b + 2), b, WORD(b + 2), WORD(b + 3)};
                std::memcpy(idx + q * 6, tri, sizeof tri);
            }
            mesh->UnlockIndexBuffer();
            mesh->UnlockVertexBuffer();
            std::vector<DWORD> adj(6 * k * k);
            ASSERT_EQ(mesh->GenerateAdjacency(epsilon, adj.data()), D3D_OK);
            int open = 0;
            for (DWORD f = 0; f < 2 * k * k; ++f)
                for (int e = 0; e < 3; ++e) {
                    const DWORD g = adj[f * 3 + e];
                    if (g == 0xFFFFFFFFu) {
                        ++open;
                        continue;
                    }
                    ASSERT_LT(g, DWORD(2 * k * k));
                    EXPECT_NE(std::find(adj.begin() + g * 3, adj.begin() + g * 3 + 3, f), adj.begin() + g * 3 + 3);
                }
            EXPECT_EQ(open, 4 * k) << "welded, only the border stays open";
        }
}

// Vertices fetched per face through a first-in first-out cache of 16.
double CacheMissesPerFace(const WORD* idx, DWORD faces)
{
    std::vector<WORD> fifo;
    int misses = 0;
    for (DWORD i = 0; i < faces * 3; ++i) {
        if (std::find(fifo.begin(), fifo.end(), idx[i]) != fifo.end()) continue;
        ++misses;
        fifo.push_back(idx[i]);
        if (fifo.size() > 16) fifo.erase(fifo.begin());
    }
    return double(misses) / faces;
}

TEST_F(MeshTest, VertexCacheOrderingKeepsFacesAndCutsCacheMisses)
{
    // A 40 x 40 grid with its faces shuffled, and a fan of 2000 faces.
    constexpr int k = 40;
    std::vector<WORD> grid;
    for (int y = 0; y < k; ++y)
        for (int x = 0; x < k; ++x) {
            const WORD a = WORD(y * (k + 1) + x), b = WORD(a + 1), c = WORD(a + k + 1), d = WORD(c + 1);
            grid.insert(grid.end(), {a, c, b, b, c, d});
        }
    std::vector<int> perm(grid.size() / 3);
    std::iota(perm.begin(), perm.end(), 0);
    std::shuffle(perm.begin(), perm.end(), std::mt19937(5));
    std::vector<WORD> shuffled;
    for (int f : perm) shuffled.insert(shuffled.end(), grid.begin() + f * 3, grid.begin() + f * 3 + 3);
    std::vector<WORD> fan;
    for (WORD i = 1; i <= 2000; ++i) fan.insert(fan.end(), {0, i, WORD(i + 1)});
    const struct {
        const char* name;
        std::vector<WORD> indices;
        DWORD vertices;
        double before, after; // misses per face at most
    } cases[] = {{"grid", shuffled, (k + 1) * (k + 1), 3.0, 0.8}, {"fan", fan, 2002, 1.07, 1.07}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DWORD faces = DWORD(c.indices.size() / 3);
        EXPECT_LE(CacheMissesPerFace(c.indices.data(), faces), c.before);
        Released<ID3DXMesh> mesh;
        ASSERT_EQ(D3DXCreateMeshFVF(faces, c.vertices, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, dev, &mesh), D3D_OK);
        WORD* idx = nullptr;
        ASSERT_EQ(mesh->LockIndexBuffer(0, (BYTE**)&idx), D3D_OK);
        std::copy(c.indices.begin(), c.indices.end(), idx);
        mesh->UnlockIndexBuffer();
        std::vector<DWORD> faceRemap(faces);
        ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_IGNOREVERTS, nullptr, nullptr,
                                        faceRemap.data(), nullptr),
                  D3D_OK);
        ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, (BYTE**)&idx), D3D_OK);
        std::vector<bool> seen(faces, false);
        for (DWORD f = 0; f < faces; ++f) {
            ASSERT_LT(faceRemap[f], faces);
            EXPECT_FALSE(seen[faceRemap[f]]);
            seen[faceRemap[f]] = true;
            EXPECT_TRUE(std::equal(idx + f * 3, idx + f * 3 + 3, c.indices.begin() + faceRemap[f] * 3));
        }
        EXPECT_LE(CacheMissesPerFace(idx, faces), c.after) << "was " << CacheMissesPerFace(c.indices.data(), faces);
        mesh->UnlockIndexBuffer();
    }
}

TEST_F(MeshTest, LoadMeshFromXMergesFramesAndMaterials)
{
    const std::string path = WriteText(TempPath("scene.x"), kTwoFrameX);
    Released<ID3DXMesh> mesh;
    Released<ID3DXBuffer> adjacency, materials;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, dev, &adjacency, &materials, &count, &mesh), D3D_OK);
    EXPECT_EQ(mesh->GetFVF(), (DWORD)(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
    EXPECT_EQ(mesh->GetOptions(), (DWORD)D3DXMESH_SYSTEMMEM);
    ASSERT_EQ(count, 2u);
    const D3DXMATERIAL* mats = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(mats[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(mats[0].MatD3D.Power, 8.0f);
    EXPECT_FLOAT_EQ(mats[0].MatD3D.Specular.g, 0.5f);
    ASSERT_NE(mats[0].pTextureFilename, nullptr);
    EXPECT_STREQ(mats[0].pTextureFilename, "red.bmp");
    EXPECT_FLOAT_EQ(mats[1].MatD3D.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(mats[1].MatD3D.Emissive.b, 0.3f);
    EXPECT_EQ(mats[1].pTextureFilename, nullptr);

    struct V {
        D3DXVECTOR3 p, n;
        float u, v;
    };
    V* v = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, (BYTE**)&v), D3D_OK);
    // Vertex 2 (1,1,0): scaled by the inner frame, moved by the outer one.
    EXPECT_FLOAT_EQ(v[2].p.x, 7.0f);
    EXPECT_FLOAT_EQ(v[2].p.y, 8.0f);
    EXPECT_FLOAT_EQ(v[2].p.z, 7.0f);
    EXPECT_FLOAT_EQ(v[2].n.z, -1.0f);
    EXPECT_FLOAT_EQ(v[2].u, 1.0f);
    EXPECT_FLOAT_EQ(v[2].v, 0.0f);
    mesh->UnlockVertexBuffer();
    DWORD* attr = nullptr;
    mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attr);
    EXPECT_EQ(attr[0], 0u);
    EXPECT_EQ(attr[1], 1u);
    mesh->UnlockAttributeBuffer();
    const DWORD* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    EXPECT_EQ(adj[2], 1u) << "the quad's triangles share the diagonal";
    std::remove(path.c_str());

    Released<ID3DXMesh> nothing;
    EXPECT_EQ(D3DXLoadMeshFromX("missing.x", 0, dev, nullptr, nullptr, nullptr, &nothing), DXFILEERR_FILENOTFOUND);
    EXPECT_EQ(nothing.get(), nullptr);
    const std::string empty = WriteText(TempPath("empty.x"), "xof 0303txt 0032\nFrame F { }\n");
    EXPECT_EQ(D3DXLoadMeshFromX(empty.c_str(), 0, dev, nullptr, nullptr, nullptr, &nothing),
              D3DXERR_LOADEDMESHASNODATA);
    const std::string bad =
        WriteText(TempPath("bad.x"), "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,7;; }\n");
    EXPECT_EQ(D3DXLoadMeshFromX(bad.c_str(), 0, dev, nullptr, nullptr, nullptr, &nothing), D3DXERR_INVALIDDATA);
    std::remove(empty.c_str());
    std::remove(bad.c_str());
}

TEST_F(MeshTest, LoadMeshFromXofTakesOneMeshUntransformed)
{
    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    Released<IDirectXFile> f(file);
    ASSERT_EQ(f->RegisterTemplates((void*)D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
    DXFILELOADMEMORY mem{(void*)kTwoFrameX, (DWORD)std::strlen(kTwoFrameX)};
    Released<IDirectXFileEnumObject> en;
    ASSERT_EQ(f->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &en), DXFILE_OK);
    Released<IDirectXFileData> quad;
    ASSERT_EQ(en->GetDataObjectByName("Quad", &quad), DXFILE_OK);
    Released<ID3DXMesh> mesh;
    Released<ID3DXBuffer> materials;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXof(quad.get(), D3DXMESH_MANAGED, dev, nullptr, &materials, &count, &mesh), D3D_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(mesh->GetOptions(), (DWORD)D3DXMESH_MANAGED);
    struct V {
        D3DXVECTOR3 p, n;
        float u, v;
    };
    V* v = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, (BYTE**)&v), D3D_OK);
    EXPECT_FLOAT_EQ(v[2].p.x, 1.0f);
    EXPECT_FLOAT_EQ(v[2].p.y, 1.0f);
    EXPECT_FLOAT_EQ(v[2].p.z, 0.0f);
    mesh->UnlockVertexBuffer();
    Released<IDirectXFileData> frame;
    ASSERT_EQ(en->GetDataObjectByName("Outer", &frame), DXFILE_OK);
    Released<ID3DXMesh> notMesh;
    EXPECT_EQ(D3DXLoadMeshFromXof(frame.get(), 0, dev, nullptr, nullptr, nullptr, &notMesh), D3DERR_INVALIDCALL);
}

TEST_F(MeshTest, PointRepsAndAdjacencyConvertBothWays)
{
    // Two triangles over one edge, each with its own three vertices.
    Released<ID3DXMesh> mesh;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 6, D3DXMESH_MANAGED, D3DFVF_XYZ, dev, &mesh), D3D_OK);
    D3DXVECTOR3* p = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, (BYTE**)&p), D3D_OK);
    const D3DXVECTOR3 pts[6] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}};
    std::memcpy(p, pts, sizeof pts);
    mesh->UnlockVertexBuffer();
    WORD* idx = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, (BYTE**)&idx), D3D_OK);
    for (WORD i = 0; i < 6; ++i) idx[i] = i;
    mesh->UnlockIndexBuffer();

    DWORD adjacency[6], reps[6], fromReps[6];
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
    EXPECT_EQ(adjacency[2], 1u) << "edge 2-0 of face 0 meets face 1";
    EXPECT_EQ(adjacency[5], 0u);
    EXPECT_EQ(adjacency[0], 0xFFFFFFFFu);
    ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency, reps), D3D_OK);
    EXPECT_EQ(reps[3], 2u);
    EXPECT_EQ(reps[5], 0u);
    EXPECT_EQ(reps[4], 4u);
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(reps, fromReps), D3D_OK);
    EXPECT_TRUE(std::equal(adjacency, adjacency + 6, fromReps));
    // Without point reps every vertex stands for itself: no shared edge.
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, fromReps), D3D_OK);
    for (DWORD a : fromReps) EXPECT_EQ(a, 0xFFFFFFFFu);
}
