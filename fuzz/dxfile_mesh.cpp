// Any bytes as a text .x file through the mesh extraction the D3DX loaders
// use, then through the optimiser, adjacency and normals.
#include <cstddef>
#include <cstdint>

#include "d3dx8/mesh_xload.h"
#include "dxfile.h"

using namespace kestu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xfile::TemplateSet templates = xfile::StandardTemplates();
    xfile::Document doc;
    if (FAILED(xfile::ParseText(data, size, templates, doc))) return 0;
    d3dx::LoadedMesh loaded;
    if (FAILED(d3dx::ExtractXFileMeshes(doc, loaded))) return 0;
    d3dx::MeshData& mesh = loaded.mesh;
    if (mesh.vertices.size() != (size_t)mesh.vertexCount * mesh.layout.stride) __builtin_trap();
    if (mesh.indices.size() != (size_t)mesh.FaceCount() * 3) __builtin_trap();
    for (uint32_t i : mesh.indices)
        if (i >= mesh.vertexCount) __builtin_trap();
    std::vector<DWORD> adjacency = d3dx::ComputeAdjacency(mesh, 0.0f);
    d3dx::ComputeVertexNormals(mesh, adjacency.data());
    d3dx::OptimizeResult result;
    if (!d3dx::OptimizeMesh(mesh, 0x07000000, &adjacency, result)) __builtin_trap();
    for (uint32_t i : mesh.indices)
        if (i >= mesh.vertexCount) __builtin_trap();
    if (result.faceRemap.size() != mesh.FaceCount()) __builtin_trap();
    return 0;
}
