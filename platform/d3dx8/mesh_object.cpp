#include "d3dx8/mesh_object.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "d3dx8fvf.h"

namespace kestu::d3dx {
namespace {

D3DPOOL PoolOf(DWORD options, DWORD systemBit, DWORD managedBit)
{
    if (options & systemBit) return D3DPOOL_SYSTEMMEM;
    if (options & managedBit) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, bool vertex)
{
    DWORD usage = 0;
    if (options & (vertex ? D3DXMESH_VB_WRITEONLY : D3DXMESH_IB_WRITEONLY)) usage |= D3DUSAGE_WRITEONLY;
    if (options & (vertex ? D3DXMESH_VB_DYNAMIC : D3DXMESH_IB_DYNAMIC)) usage |= D3DUSAGE_DYNAMIC;
    if (options & (vertex ? D3DXMESH_VB_SOFTWAREPROCESSING : D3DXMESH_IB_SOFTWAREPROCESSING))
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    if (options & D3DXMESH_DONOTCLIP) usage |= D3DUSAGE_DONOTCLIP;
    if (options & D3DXMESH_POINTS) usage |= D3DUSAGE_POINTS;
    if (options & D3DXMESH_RTPATCHES) usage |= D3DUSAGE_RTPATCHES;
    if (options & D3DXMESH_NPATCHES) usage |= D3DUSAGE_NPATCHES;
    return usage;
}

class Mesh final : public ID3DXMesh {
public:
    Mesh(IDirect3DDevice8* device, DWORD options, DWORD fvf) : device_(device), options_(options), fvf_(fvf)
    {
        device_->AddRef();
        GetFvfLayout(fvf, layout_);
    }
    ~Mesh() override
    {
        if (vb_) vb_->Release();
        if (ib_) ib_->Release();
        device_->Release();
    }

    HRESULT Allocate(DWORD faces, DWORD vertices)
    {
        IDirect3DVertexBuffer8* vb = nullptr;
        IDirect3DIndexBuffer8* ib = nullptr;
        const bool wide = (options_ & D3DXMESH_32BIT) != 0;
        HRESULT hr = device_->CreateVertexBuffer(vertices * layout_.stride, UsageOf(options_, true), fvf_,
                                                 PoolOf(options_, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &vb);
        if (FAILED(hr)) return hr;
        hr = device_->CreateIndexBuffer(faces * 3 * (wide ? 4 : 2), UsageOf(options_, false),
                                        wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                        PoolOf(options_, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &ib);
        if (FAILED(hr)) {
            vb->Release();
            return hr;
        }
        if (vb_) vb_->Release();
        if (ib_) ib_->Release();
        vb_ = vb;
        ib_ = ib;
        faces_ = faces;
        vertices_ = vertices;
        attributes_.assign(faces, 0);
        table_.clear();
        return S_OK;
    }

    HRESULT Read(MeshData& out)
    {
        out = MeshData{};
        out.fvf = fvf_;
        out.layout = layout_;
        out.vertexCount = vertices_;
        out.vertices.resize((size_t)vertices_ * layout_.stride);
        out.indices.resize((size_t)faces_ * 3);
        out.attributes = attributes_;
        BYTE* p = nullptr;
        HRESULT hr = vb_->Lock(0, 0, &p, D3DLOCK_READONLY);
        if (FAILED(hr)) return hr;
        std::memcpy(out.vertices.data(), p, out.vertices.size());
        vb_->Unlock();
        hr = ib_->Lock(0, 0, &p, D3DLOCK_READONLY);
        if (FAILED(hr)) return hr;
        if (options_ & D3DXMESH_32BIT) {
            std::memcpy(out.indices.data(), p, out.indices.size() * 4);
        } else {
            for (size_t i = 0; i < out.indices.size(); ++i) {
                uint16_t v;
                std::memcpy(&v, p + i * 2, 2);
                out.indices[i] = v;
            }
        }
        ib_->Unlock();
        return S_OK;
    }

    HRESULT Write(const MeshData& data)
    {
        if (data.fvf != fvf_) return D3DERR_INVALIDCALL;
        if (!(options_ & D3DXMESH_32BIT) && data.vertexCount > 0xFFFF) return D3DERR_INVALIDCALL;
        if (data.vertexCount != vertices_ || data.FaceCount() != faces_) {
            HRESULT hr = Allocate(data.FaceCount(), data.vertexCount);
            if (FAILED(hr)) return hr;
        }
        BYTE* p = nullptr;
        HRESULT hr = vb_->Lock(0, 0, &p, 0);
        if (FAILED(hr)) return hr;
        std::memcpy(p, data.vertices.data(), data.vertices.size());
        vb_->Unlock();
        hr = ib_->Lock(0, 0, &p, 0);
        if (FAILED(hr)) return hr;
        if (options_ & D3DXMESH_32BIT) {
            std::memcpy(p, data.indices.data(), data.indices.size() * 4);
        } else {
            for (size_t i = 0; i < data.indices.size(); ++i) {
                const uint16_t v = (uint16_t)data.indices[i];
                std::memcpy(p + i * 2, &v, 2);
            }
        }
        ib_->Unlock();
        attributes_ = data.attributes;
        return S_OK;
    }

    void SetTable(std::vector<AttributeRange> table) { table_ = std::move(table); }
    const std::vector<AttributeRange>& Table() const { return table_; }

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ID3DXBaseMesh || riid == IID_ID3DXMesh) {
            AddRef();
            *object = static_cast<ID3DXMesh*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // ID3DXBaseMesh
    HRESULT DrawSubset(DWORD attribId) override
    {
        HRESULT hr = device_->SetStreamSource(0, vb_, layout_.stride);
        if (SUCCEEDED(hr)) hr = device_->SetIndices(ib_, 0);
        if (SUCCEEDED(hr)) hr = device_->SetVertexShader(fvf_);
        if (FAILED(hr)) return hr;
        if (!table_.empty()) {
            for (const AttributeRange& r : table_)
                if (r.attribId == attribId && r.faceCount > 0) {
                    hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, r.vertexStart, r.vertexCount,
                                                       r.faceStart * 3, r.faceCount);
                    if (FAILED(hr)) return hr;
                }
            return S_OK;
        }
        // Unsorted faces: one draw per run of the attribute.
        for (DWORD f = 0; f < faces_;) {
            if (attributes_[f] != attribId) {
                ++f;
                continue;
            }
            DWORD end = f;
            while (end < faces_ && attributes_[end] == attribId) ++end;
            hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertices_, f * 3, end - f);
            if (FAILED(hr)) return hr;
            f = end;
        }
        return S_OK;
    }
    DWORD GetNumFaces() override { return faces_; }
    DWORD GetNumVertices() override { return vertices_; }
    DWORD GetFVF() override { return fvf_; }
    HRESULT GetDeclaration(DWORD declaration[MAX_FVF_DECL_SIZE]) override
    {
        if (!declaration) return D3DERR_INVALIDCALL;
        return D3DXDeclaratorFromFVF(fvf_, declaration);
    }
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(LPDIRECT3DDEVICE8* device) override
    {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return S_OK;
    }
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, LPD3DXMESH* cloneMesh) override
    {
        if (!cloneMesh || !device) return D3DERR_INVALIDCALL;
        *cloneMesh = nullptr;
        try {
            MeshData data, converted;
            HRESULT hr = Read(data);
            if (FAILED(hr)) return hr;
            if (!ConvertFvf(data, fvf, converted)) return D3DERR_INVALIDCALL;
            // Keeps 32-bit indices when the vertices need them.
            if (converted.vertexCount > 0xFFFF) options |= D3DXMESH_32BIT;
            ID3DXMesh* m = nullptr;
            hr = MeshFromData(converted, options, device, &m);
            if (FAILED(hr)) return hr;
            static_cast<Mesh*>(m)->SetTable(table_);
            *cloneMesh = m;
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT CloneMesh(DWORD options, const DWORD* declaration, LPDIRECT3DDEVICE8 device, LPD3DXMESH* cloneMesh) override
    {
        DWORD fvf = 0;
        if (!declaration || FAILED(D3DXFVFFromDeclarator(declaration, &fvf))) return D3DERR_INVALIDCALL;
        return CloneMeshFVF(options, fvf, device, cloneMesh);
    }
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* vertexBuffer) override
    {
        if (!vertexBuffer) return D3DERR_INVALIDCALL;
        vb_->AddRef();
        *vertexBuffer = vb_;
        return S_OK;
    }
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* indexBuffer) override
    {
        if (!indexBuffer) return D3DERR_INVALIDCALL;
        ib_->AddRef();
        *indexBuffer = ib_;
        return S_OK;
    }
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override
    {
        if (!data) return D3DERR_INVALIDCALL;
        return vb_->Lock(0, 0, data, flags);
    }
    HRESULT UnlockVertexBuffer() override { return vb_->Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override
    {
        if (!data) return D3DERR_INVALIDCALL;
        return ib_->Lock(0, 0, data, flags);
    }
    HRESULT UnlockIndexBuffer() override { return ib_->Unlock(); }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) override
    {
        if (!attribTableSize && !attribTable) return D3DERR_INVALIDCALL;
        if (attribTableSize) *attribTableSize = (DWORD)table_.size();
        if (attribTable)
            for (size_t i = 0; i < table_.size(); ++i)
                attribTable[i] = {table_[i].attribId, table_[i].faceStart, table_[i].faceCount, table_[i].vertexStart,
                                  table_[i].vertexCount};
        return S_OK;
    }
    HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) override
    {
        if (!adjacency) return D3DERR_INVALIDCALL;
        MeshData data;
        HRESULT hr = Read(data);
        if (FAILED(hr)) return hr;
        std::vector<uint32_t> reps(data.vertexCount);
        for (uint32_t v = 0; v < data.vertexCount; ++v)
            reps[v] = pointReps && pointReps[v] < data.vertexCount ? pointReps[v] : v;
        const std::vector<DWORD> adj = AdjacencyFromReps(data, reps);
        std::copy(adj.begin(), adj.end(), adjacency);
        return S_OK;
    }
    HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) override
    {
        if (!pointReps) return D3DERR_INVALIDCALL;
        MeshData data;
        HRESULT hr = Read(data);
        if (FAILED(hr)) return hr;
        const std::vector<uint32_t> reps = PointRepsFromAdjacency(data, adjacency);
        std::copy(reps.begin(), reps.end(), pointReps);
        return S_OK;
    }
    HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) override
    {
        if (!adjacency || epsilon < 0) return D3DERR_INVALIDCALL;
        MeshData data;
        HRESULT hr = Read(data);
        if (FAILED(hr)) return hr;
        const std::vector<DWORD> adj = ComputeAdjacency(data, epsilon);
        std::copy(adj.begin(), adj.end(), adjacency);
        return S_OK;
    }

    // ID3DXMesh
    HRESULT LockAttributeBuffer(DWORD, DWORD** data) override
    {
        if (!data) return D3DERR_INVALIDCALL;
        *data = attributes_.empty() ? nullptr : attributes_.data();
        return S_OK;
    }
    HRESULT UnlockAttributeBuffer() override { return S_OK; }
    HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                     LPD3DXBUFFER* vertexRemap, LPD3DXMESH* optMesh) override
    {
        if (!optMesh) return D3DERR_INVALIDCALL;
        *optMesh = nullptr;
        ID3DXMesh* copy = nullptr;
        HRESULT hr = CloneMeshFVF(flags & 0x00FFFFFF, fvf_, device_, &copy);
        if (FAILED(hr)) return hr;
        hr = copy->OptimizeInplace(flags & 0xFF000000u, adjacencyIn, adjacencyOut, faceRemap, vertexRemap);
        if (FAILED(hr)) {
            copy->Release();
            return hr;
        }
        *optMesh = copy;
        return S_OK;
    }
    HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                            LPD3DXBUFFER* vertexRemap) override
    {
        if (vertexRemap) *vertexRemap = nullptr;
        try {
            MeshData data;
            HRESULT hr = Read(data);
            if (FAILED(hr)) return hr;
            std::vector<DWORD> adjacency;
            if (adjacencyIn) adjacency.assign(adjacencyIn, adjacencyIn + (size_t)faces_ * 3);
            OptimizeResult result;
            if (!OptimizeMesh(data, flags, adjacencyIn ? &adjacency : nullptr, result)) return D3DXERR_INVALIDMESH;
            hr = Write(data);
            if (FAILED(hr)) return hr;
            table_ = result.table;
            if (adjacencyOut) {
                if (!adjacencyIn) adjacency = ComputeAdjacency(data, 0.0f);
                std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
            }
            if (faceRemap) std::copy(result.faceRemap.begin(), result.faceRemap.end(), faceRemap);
            if (vertexRemap) {
                hr = D3DXCreateBuffer((DWORD)(result.vertexRemap.size() * 4), vertexRemap);
                if (FAILED(hr)) return hr;
                if (!result.vertexRemap.empty())
                    std::memcpy((*vertexRemap)->GetBufferPointer(), result.vertexRemap.data(),
                                result.vertexRemap.size() * 4);
            }
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

private:
    std::atomic<ULONG> refs_{1};
    IDirect3DDevice8* device_;
    DWORD options_;
    DWORD fvf_;
    FvfLayout layout_;
    DWORD faces_ = 0;
    DWORD vertices_ = 0;
    IDirect3DVertexBuffer8* vb_ = nullptr;
    IDirect3DIndexBuffer8* ib_ = nullptr;
    std::vector<DWORD> attributes_;
    std::vector<AttributeRange> table_;
};

} // namespace

HRESULT CreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                   ID3DXMesh** out)
{
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    FvfLayout layout;
    if (!device || numFaces == 0 || numVertices == 0 || !GetFvfLayout(fvf, layout) || layout.positionBytes == 0)
        return D3DERR_INVALIDCALL;
    if (!(options & D3DXMESH_32BIT) && numVertices > 0xFFFF) return D3DERR_INVALIDCALL;
    Mesh* m = nullptr;
    try {
        m = new Mesh(device, options, fvf);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = m->Allocate(numFaces, numVertices);
    if (FAILED(hr)) {
        m->Release();
        return hr;
    }
    *out = m;
    return S_OK;
}

HRESULT ReadMesh(ID3DXBaseMesh* mesh, MeshData& out)
{
    auto* m = dynamic_cast<Mesh*>(mesh);
    return m ? m->Read(out) : D3DERR_INVALIDCALL;
}

HRESULT WriteMesh(ID3DXBaseMesh* mesh, const MeshData& data)
{
    auto* m = dynamic_cast<Mesh*>(mesh);
    return m ? m->Write(data) : D3DERR_INVALIDCALL;
}

HRESULT MeshFromData(const MeshData& data, DWORD options, IDirect3DDevice8* device, ID3DXMesh** out)
{
    ID3DXMesh* m = nullptr;
    HRESULT hr = CreateMesh(data.FaceCount(), data.vertexCount, options, data.fvf, device, &m);
    if (FAILED(hr)) return hr;
    hr = WriteMesh(m, data);
    if (FAILED(hr)) {
        m->Release();
        return hr;
    }
    *out = m;
    return S_OK;
}

} // namespace kestu::d3dx

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device,
                          LPD3DXMESH* mesh)
{
    return kestu::d3dx::CreateMesh(numFaces, numVertices, options, fvf, device, mesh);
}

HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, const DWORD* declaration,
                       LPDIRECT3DDEVICE8 device, LPD3DXMESH* mesh)
{
    DWORD fvf = 0;
    if (mesh) *mesh = nullptr;
    if (!declaration || FAILED(D3DXFVFFromDeclarator(declaration, &fvf))) return D3DERR_INVALIDCALL;
    return kestu::d3dx::CreateMesh(numFaces, numVertices, options, fvf, device, mesh);
}
