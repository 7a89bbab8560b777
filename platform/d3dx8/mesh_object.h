// The D3DX mesh object over a device's vertex and index buffers.
#pragma once
#include <vector>

#include "d3dx8/mesh_geometry.h"
#include "d3dx8mesh.h"

namespace kestu::d3dx {

// Creates a mesh of the given size with empty buffers.
HRESULT CreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                   ID3DXMesh** out);

// The mesh's data as processor-side mesh data, and back (the buffers are
// remade when the counts change). False for meshes that are not ours.
HRESULT ReadMesh(ID3DXBaseMesh* mesh, MeshData& out);
HRESULT WriteMesh(ID3DXBaseMesh* mesh, const MeshData& data);

// A new mesh holding `data`.
HRESULT MeshFromData(const MeshData& data, DWORD options, IDirect3DDevice8* device, ID3DXMesh** out);

} // namespace kestu::d3dx
