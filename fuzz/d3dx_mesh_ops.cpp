// Any bytes as a mesh of position vertices and faces, through adjacency at an
// epsilon the input picks, point representatives and the optimiser. Checks
// what must hold: adjacency names real faces both ways, every face stays one
// face, the remaps are permutations.
// Layout: u8 vertex count, u8 face count, u8 flags, f32 epsilon, then
// x y z per vertex (f32; small integers pick grid points, others are raw
// floats), three u8 indices and a u8 attribute per face.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3dx8/mesh_geometry.h"
#include "d3dx8mesh.h"
#include "kestu_bytes.h"

using namespace kestu;

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

void CheckAdjacency(const d3dx::MeshData& mesh, const std::vector<DWORD>& adj)
{
    const uint32_t faces = mesh.FaceCount();
    Check(adj.size() == size_t(faces) * 3);
    for (uint32_t f = 0; f < faces; ++f)
        for (int e = 0; e < 3; ++e) {
            const DWORD g = adj[f * 3 + e];
            if (g == 0xFFFFFFFFu) continue;
            Check(g < faces);
            bool back = false;
            for (int k = 0; k < 3; ++k) back |= adj[g * 3 + k] == f;
            Check(back);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteReader in(data, size);
    d3dx::MeshData mesh;
    mesh.fvf = D3DFVF_XYZ;
    d3dx::GetFvfLayout(mesh.fvf, mesh.layout);
    mesh.vertexCount = in.U8();
    const uint32_t faces = in.U8();
    const uint8_t flags = in.U8();
    const float epsilon = in.F32();
    if (!in.ok() || mesh.vertexCount == 0) return 0;
    mesh.vertices.assign(size_t(mesh.vertexCount) * mesh.layout.stride, 0);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) {
        float p[3];
        for (float& c : p) {
            const uint8_t pick = in.U8();
            c = pick < 0xF0 ? float(pick % 8) * 0.25f : in.F32();
        }
        mesh.SetPosition(v, D3DXVECTOR3(p[0], p[1], p[2]));
    }
    for (uint32_t f = 0; f < faces && in.Has(4); ++f) {
        for (int k = 0; k < 3; ++k) mesh.indices.push_back(in.U8() % mesh.vertexCount);
        mesh.attributes.push_back(in.U8() % 4);
    }
    if (!in.ok()) return 0;

    const std::vector<DWORD> adj = d3dx::ComputeAdjacency(mesh, epsilon);
    CheckAdjacency(mesh, adj);
    const std::vector<uint32_t> reps = d3dx::PointRepsFromAdjacency(mesh, adj.data());
    Check(reps.size() == mesh.vertexCount);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) Check(reps[v] <= v);
    CheckAdjacency(mesh, d3dx::AdjacencyFromReps(mesh, reps));

    const d3dx::MeshData before = mesh;
    std::vector<DWORD> followed = adj;
    d3dx::OptimizeResult result;
    const DWORD optimise = DWORD(flags & 0x1F) << 24;
    Check(d3dx::OptimizeMesh(mesh, optimise, &followed, result));
    const uint32_t count = mesh.FaceCount();
    Check(count == before.FaceCount() && result.faceRemap.size() == count);
    std::vector<bool> seen(count, false);
    for (uint32_t f = 0; f < count; ++f) {
        const DWORD old = result.faceRemap[f];
        Check(old < count && !seen[old]);
        seen[old] = true;
        Check(mesh.attributes[f] == before.attributes[old]);
        for (int k = 0; k < 3; ++k) {
            const uint32_t now = mesh.indices[f * 3 + k], was = before.indices[old * 3 + k];
            Check(now < mesh.vertexCount && result.vertexRemap[now] == was);
        }
    }
    CheckAdjacency(mesh, followed);
    return 0;
}
