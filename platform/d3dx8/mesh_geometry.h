// Mesh data on the processor: vertices in an FVF layout, triangle indices
// and a per-face attribute. The D3DX mesh objects, the .x loader, the sphere
// builder and the optimiser all work on this form.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "d3d8types.h"
#include "d3dx8math.h"

namespace kestu::d3dx {

struct FvfLayout {
    uint32_t stride = 0;
    int normal = -1; // byte offsets, -1 when absent
    int diffuse = -1;
    int specular = -1;
    int psize = -1;
    uint32_t positionBytes = 0;
    uint32_t texSets = 0;
    int tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    uint32_t texBytes[8] = {};
};

// False for codes that are not a vertex format.
bool GetFvfLayout(DWORD fvf, FvfLayout& out);

struct MeshData {
    DWORD fvf = 0;
    FvfLayout layout;
    uint32_t vertexCount = 0;
    std::vector<uint8_t> vertices; // vertexCount * layout.stride bytes
    std::vector<uint32_t> indices; // three per face
    std::vector<DWORD> attributes; // one per face

    uint32_t FaceCount() const { return (uint32_t)attributes.size(); }
    D3DXVECTOR3 Position(uint32_t v) const;
    void SetPosition(uint32_t v, const D3DXVECTOR3& p);
    void SetNormal(uint32_t v, const D3DXVECTOR3& n);
};

struct AttributeRange {
    DWORD attribId;
    DWORD faceStart;
    DWORD faceCount;
    DWORD vertexStart;
    DWORD vertexCount;
};

// Copies vertices into a new format: components both formats have are
// copied, the others are zero.
bool ConvertFvf(const MeshData& in, DWORD fvf, MeshData& out);

// Three neighbour faces per face (0xFFFFFFFF for none): faces that share an
// edge, by vertices whose positions lie within epsilon.
std::vector<DWORD> ComputeAdjacency(const MeshData& mesh, float epsilon);
// The same with the vertex each vertex stands for given.
std::vector<DWORD> AdjacencyFromReps(const MeshData& mesh, const std::vector<uint32_t>& reps);
// Each vertex's lowest-index twin at the same position among faces joined by
// `adjacency` (all faces when null).
std::vector<uint32_t> PointRepsFromAdjacency(const MeshData& mesh, const DWORD* adjacency);

// Area-weighted vertex normals; vertices with equal positions are welded
// through `adjacency` when given (else only identical indices share).
void ComputeVertexNormals(MeshData& mesh, const DWORD* adjacency);

// The mesh optimiser. flags: D3DXMESHOPT_ bits. faceRemap[new] = old face;
// vertexRemap[new] = old vertex. Fills `table` when the faces end sorted by
// attribute. `adjacency` (in/out) follows the faces when not empty.
struct OptimizeResult {
    std::vector<DWORD> faceRemap;
    std::vector<DWORD> vertexRemap;
    std::vector<AttributeRange> table;
};
bool OptimizeMesh(MeshData& mesh, DWORD flags, std::vector<DWORD>* adjacency, OptimizeResult& result);

// Attribute ranges for a mesh whose faces are grouped by attribute.
std::vector<AttributeRange> BuildAttributeTable(const MeshData& mesh);

// A sphere of position and normal vertices around the origin.
bool BuildSphere(float radius, uint32_t slices, uint32_t stacks, MeshData& out);

// D3DMATERIAL8 and the texture file name of one material.
struct MaterialRecord {
    D3DMATERIAL8 material{};
    bool hasTexture = false;
    std::string texture;
};

} // namespace kestu::d3dx
