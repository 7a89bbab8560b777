// Meshes of the text .x format to processor-side mesh data.
#pragma once
#include <vector>

#include "d3dx8/mesh_geometry.h"
#include "dxfile/xfile_model.h"

namespace kestu::d3dx {

struct LoadedMesh {
    MeshData mesh;
    std::vector<MaterialRecord> materials;
};

// One Mesh data object, untransformed.
HRESULT ExtractXMesh(const xfile::Document& doc, const xfile::Node& node, LoadedMesh& out);

// Every mesh of a file, each carried through its frames' matrices, merged into
// one (materials concatenated). D3DXERR_LOADEDMESHASNODATA without meshes.
HRESULT ExtractXFileMeshes(const xfile::Document& doc, LoadedMesh& out);

} // namespace kestu::d3dx
