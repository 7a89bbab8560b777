// D3DXCreateSphere, D3DXComputeNormals and the .x mesh loaders.
#include <cstring>
#include <new>

#include "d3dx8/mesh_object.h"
#include "d3dx8/mesh_xload.h"
#include "dxfile/xfile_objects.h"

using namespace kestu::d3dx;

namespace {

HRESULT AdjacencyBuffer(const MeshData& data, LPD3DXBUFFER* out)
{
    if (!out) return S_OK;
    const std::vector<DWORD> adj = ComputeAdjacency(data, 0.0f);
    HRESULT hr = D3DXCreateBuffer((DWORD)(adj.size() * 4), out);
    if (FAILED(hr)) return hr;
    if (!adj.empty()) std::memcpy((*out)->GetBufferPointer(), adj.data(), adj.size() * 4);
    return S_OK;
}

// D3DXMATERIAL records, then the texture names they point to.
HRESULT MaterialBuffer(const std::vector<MaterialRecord>& materials, LPD3DXBUFFER* out)
{
    if (!out) return S_OK;
    *out = nullptr;
    if (materials.empty()) return S_OK;
    size_t bytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const MaterialRecord& m : materials)
        if (m.hasTexture) bytes += m.texture.size() + 1;
    HRESULT hr = D3DXCreateBuffer((DWORD)bytes, out);
    if (FAILED(hr)) return hr;
    auto* base = static_cast<uint8_t*>((*out)->GetBufferPointer());
    auto* records = reinterpret_cast<D3DXMATERIAL*>(base);
    char* names = reinterpret_cast<char*>(base + materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < materials.size(); ++i) {
        records[i].MatD3D = materials[i].material;
        records[i].pTextureFilename = nullptr;
        if (materials[i].hasTexture) {
            std::memcpy(names, materials[i].texture.c_str(), materials[i].texture.size() + 1);
            records[i].pTextureFilename = names;
            names += materials[i].texture.size() + 1;
        }
    }
    return S_OK;
}

HRESULT FinishLoad(LoadedMesh& loaded, DWORD options, LPDIRECT3DDEVICE8 device, LPD3DXBUFFER* adjacency,
                   LPD3DXBUFFER* materials, PDWORD numMaterials, LPD3DXMESH* mesh)
{
    if (loaded.mesh.vertexCount > 0xFFFF) options |= D3DXMESH_32BIT;
    ID3DXMesh* m = nullptr;
    HRESULT hr = MeshFromData(loaded.mesh, options, device, &m);
    if (FAILED(hr)) return hr;
    LPD3DXBUFFER adj = nullptr, mats = nullptr;
    hr = AdjacencyBuffer(loaded.mesh, adjacency ? &adj : nullptr);
    if (SUCCEEDED(hr)) hr = MaterialBuffer(loaded.materials, materials ? &mats : nullptr);
    if (FAILED(hr)) {
        if (adj) adj->Release();
        if (mats) mats->Release();
        m->Release();
        return hr;
    }
    if (adjacency) *adjacency = adj;
    if (materials) *materials = mats;
    if (numMaterials) *numMaterials = (DWORD)loaded.materials.size();
    *mesh = m;
    return S_OK;
}

void ClearOutputs(LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, PDWORD numMaterials, LPD3DXMESH* mesh)
{
    if (adjacency) *adjacency = nullptr;
    if (materials) *materials = nullptr;
    if (numMaterials) *numMaterials = 0;
    if (mesh) *mesh = nullptr;
}

} // namespace

HRESULT D3DXCreateSphere(LPDIRECT3DDEVICE8 device, FLOAT radius, UINT slices, UINT stacks, LPD3DXMESH* mesh,
                         LPD3DXBUFFER* adjacency)
{
    if (mesh) *mesh = nullptr;
    if (adjacency) *adjacency = nullptr;
    if (!device || !mesh || radius < 0 || slices < 2 || stacks < 2) return D3DERR_INVALIDCALL;
    try {
        MeshData data;
        if (!BuildSphere(radius, slices, stacks, data)) return D3DERR_INVALIDCALL;
        HRESULT hr = MeshFromData(data, D3DXMESH_MANAGED, device, mesh);
        if (FAILED(hr)) return hr;
        hr = AdjacencyBuffer(data, adjacency);
        if (FAILED(hr)) {
            (*mesh)->Release();
            *mesh = nullptr;
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXComputeNormals(LPD3DXBASEMESH mesh, const DWORD* adjacency)
{
    if (!mesh || !(mesh->GetFVF() & D3DFVF_NORMAL)) return D3DERR_INVALIDCALL;
    try {
        MeshData data;
        HRESULT hr = ReadMesh(mesh, data);
        if (FAILED(hr)) return hr;
        ComputeVertexNormals(data, adjacency);
        return WriteMesh(mesh, data);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXLoadMeshFromX(LPCSTR filename, DWORD options, LPDIRECT3DDEVICE8 device, LPD3DXBUFFER* adjacency,
                          LPD3DXBUFFER* materials, PDWORD numMaterials, LPD3DXMESH* mesh)
{
    ClearOutputs(adjacency, materials, numMaterials, mesh);
    if (!filename || !device || !mesh) return D3DERR_INVALIDCALL;
    try {
        std::vector<uint8_t> bytes;
        HRESULT hr = kestu::xfile::LoadSource(const_cast<char*>(filename), DXFILELOAD_FROMFILE, bytes);
        if (FAILED(hr)) return hr;
        kestu::xfile::TemplateSet templates = kestu::xfile::StandardTemplates();
        kestu::xfile::Document doc;
        hr = kestu::xfile::ParseText(bytes.data(), bytes.size(), templates, doc);
        if (FAILED(hr)) return hr;
        LoadedMesh loaded;
        hr = ExtractXFileMeshes(doc, loaded);
        if (FAILED(hr)) return hr;
        return FinishLoad(loaded, options, device, adjacency, materials, numMaterials, mesh);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXLoadMeshFromXof(LPDIRECTXFILEDATA xofMesh, DWORD options, LPDIRECT3DDEVICE8 device, LPD3DXBUFFER* adjacency,
                            LPD3DXBUFFER* materials, PDWORD numMaterials, LPD3DXMESH* mesh)
{
    ClearOutputs(adjacency, materials, numMaterials, mesh);
    if (!xofMesh || !device || !mesh) return D3DERR_INVALIDCALL;
    std::shared_ptr<const kestu::xfile::Document> doc;
    std::shared_ptr<kestu::xfile::Node> node;
    if (!kestu::xfile::NodeOf(xofMesh, doc, node) || !node->tmpl || node->tmpl->id != TID_D3DRMMesh)
        return D3DERR_INVALIDCALL;
    try {
        LoadedMesh loaded;
        HRESULT hr = ExtractXMesh(*doc, *node, loaded);
        if (FAILED(hr)) return hr;
        if (loaded.mesh.FaceCount() == 0) return D3DXERR_LOADEDMESHASNODATA;
        return FinishLoad(loaded, options, device, adjacency, materials, numMaterials, mesh);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
