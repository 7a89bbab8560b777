#include "d3dx8/mesh_xload.h"

#include <cmath>
#include <cstring>
#include <map>

#include "d3dx8core.h"
#include "dxfile.h"

namespace kestu::d3dx {
namespace {

using xfile::Node;
using xfile::ReadAt;

bool IsType(const Node& n, const GUID& id) { return n.tmpl && n.tmpl->id == id; }

// Polygons as lists of indices, read from a count followed by MeshFace records.
bool ReadFaces(const std::vector<uint8_t>& data, size_t& at, std::vector<std::vector<uint32_t>>& faces)
{
    uint32_t count = 0;
    if (!ReadAt(data, at, count)) return false;
    at += 4;
    if (count > data.size() / 4) return false;
    faces.resize(count);
    for (auto& f : faces) {
        uint32_t n = 0;
        if (!ReadAt(data, at, n) || n > (data.size() - at) / 4) return false;
        at += 4;
        f.resize(n);
        for (uint32_t& i : f) {
            ReadAt(data, at, i);
            at += 4;
        }
    }
    return true;
}

bool ReadVectors(const std::vector<uint8_t>& data, size_t& at, std::vector<D3DXVECTOR3>& out)
{
    uint32_t count = 0;
    if (!ReadAt(data, at, count)) return false;
    at += 4;
    if (count > (data.size() - at) / 12) return false;
    out.resize(count);
    if (count) std::memcpy(out.data(), data.data() + at, (size_t)count * 12);
    at += (size_t)count * 12;
    return true;
}

HRESULT ReadMaterial(const xfile::Document& doc, const Node& n, MaterialRecord& m)
{
    float v[11];
    if (n.data.size() < sizeof v) return D3DXERR_INVALIDDATA;
    std::memcpy(v, n.data.data(), sizeof v);
    m.material = D3DMATERIAL8{};
    m.material.Diffuse = {v[0], v[1], v[2], v[3]};
    m.material.Power = v[4];
    m.material.Specular = {v[5], v[6], v[7], 1.0f};
    m.material.Emissive = {v[8], v[9], v[10], 1.0f};
    for (const xfile::Child& c : n.children) {
        auto t = doc.Resolve(c);
        if (!t || !IsType(*t, TID_D3DRMTextureFilename)) continue;
        const char* name = nullptr;
        if (ReadAt(t->data, 0, name) && name) {
            m.hasTexture = true;
            m.texture = name;
        }
        break;
    }
    return S_OK;
}

} // namespace

HRESULT ExtractXMesh(const xfile::Document& doc, const Node& node, LoadedMesh& out)
{
    out = LoadedMesh{};
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::vector<uint32_t>> faces;
    size_t at = 0;
    if (!ReadVectors(node.data, at, positions) || !ReadFaces(node.data, at, faces)) return D3DXERR_INVALIDDATA;
    for (const auto& f : faces) {
        if (f.size() < 3) return D3DXERR_INVALIDDATA;
        for (uint32_t i : f)
            if (i >= positions.size()) return D3DXERR_INVALIDDATA;
    }

    std::vector<D3DXVECTOR3> normals;
    std::vector<std::vector<uint32_t>> faceNormals;
    std::vector<float> uvs;
    std::vector<uint32_t> colours;
    std::vector<DWORD> faceMaterials;
    bool haveNormals = false, haveUvs = false, haveColours = false;
    for (const xfile::Child& c : node.children) {
        if (!c.node) continue;
        const Node& k = *c.node;
        size_t p = 0;
        if (IsType(k, TID_D3DRMMeshNormals)) {
            if (!ReadVectors(k.data, p, normals) || !ReadFaces(k.data, p, faceNormals)) return D3DXERR_INVALIDDATA;
            haveNormals = faceNormals.size() == faces.size();
            for (size_t f = 0; haveNormals && f < faces.size(); ++f) {
                haveNormals = faceNormals[f].size() == faces[f].size();
                for (uint32_t i : faceNormals[f]) haveNormals = haveNormals && i < normals.size();
            }
        } else if (IsType(k, TID_D3DRMMeshTextureCoords)) {
            uint32_t count = 0;
            if (!ReadAt(k.data, 0, count) || count > (k.data.size() - 4) / 8) return D3DXERR_INVALIDDATA;
            uvs.resize((size_t)count * 2);
            if (count) std::memcpy(uvs.data(), k.data.data() + 4, (size_t)count * 8);
            haveUvs = count >= positions.size();
        } else if (IsType(k, TID_D3DRMMeshVertexColors)) {
            uint32_t count = 0;
            if (!ReadAt(k.data, 0, count) || count > (k.data.size() - 4) / 20) return D3DXERR_INVALIDDATA;
            colours.assign(positions.size(), 0xFFFFFFFFu);
            for (uint32_t i = 0; i < count; ++i) {
                uint32_t index = 0;
                float rgba[4];
                ReadAt(k.data, 4 + (size_t)i * 20, index);
                std::memcpy(rgba, k.data.data() + 8 + (size_t)i * 20, 16);
                if (index >= positions.size()) continue;
                uint32_t c8[4];
                for (int ch = 0; ch < 4; ++ch)
                    c8[ch] = (uint32_t)std::lround(std::fmin(std::fmax(rgba[ch], 0.f), 1.f) * 255);
                colours[index] = c8[3] << 24 | c8[0] << 16 | c8[1] << 8 | c8[2];
            }
            haveColours = true;
        } else if (IsType(k, TID_D3DRMMeshMaterialList)) {
            uint32_t nMaterials = 0, nIndexes = 0;
            if (!ReadAt(k.data, 0, nMaterials) || !ReadAt(k.data, 4, nIndexes) || nIndexes > (k.data.size() - 8) / 4)
                return D3DXERR_INVALIDDATA;
            faceMaterials.resize(nIndexes);
            if (nIndexes) std::memcpy(faceMaterials.data(), k.data.data() + 8, (size_t)nIndexes * 4);
            for (const xfile::Child& mc : k.children) {
                auto m = doc.Resolve(mc);
                if (!m || !IsType(*m, TID_D3DRMMaterial)) continue;
                MaterialRecord rec;
                if (FAILED(ReadMaterial(doc, *m, rec))) return D3DXERR_INVALIDDATA;
                out.materials.push_back(std::move(rec));
            }
            (void)nMaterials;
        }
    }

    MeshData& mesh = out.mesh;
    mesh.fvf = D3DFVF_XYZ | (haveNormals ? D3DFVF_NORMAL : 0) | (haveColours ? D3DFVF_DIFFUSE : 0) |
               (haveUvs ? D3DFVF_TEX1 : 0);
    GetFvfLayout(mesh.fvf, mesh.layout);
    // A vertex per distinct (position, normal) pair.
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> made;
    auto vertexOf = [&](uint32_t pos, uint32_t nrm) {
        auto [it, fresh] = made.emplace(std::make_pair(pos, nrm), mesh.vertexCount);
        if (fresh) {
            mesh.vertices.resize(mesh.vertices.size() + mesh.layout.stride, 0);
            const uint32_t v = mesh.vertexCount++;
            mesh.SetPosition(v, positions[pos]);
            uint8_t* base = mesh.vertices.data() + (size_t)v * mesh.layout.stride;
            if (haveNormals) mesh.SetNormal(v, normals[nrm]);
            if (haveColours) std::memcpy(base + mesh.layout.diffuse, &colours[pos], 4);
            if (haveUvs) std::memcpy(base + mesh.layout.tex[0], &uvs[(size_t)pos * 2], 8);
        }
        return it->second;
    };
    for (size_t f = 0; f < faces.size(); ++f) {
        DWORD attr = 0;
        if (!faceMaterials.empty()) attr = f < faceMaterials.size() ? faceMaterials[f] : faceMaterials.back();
        const auto& poly = faces[f];
        for (size_t k = 1; k + 1 < poly.size(); ++k) {
            const size_t corners[3] = {0, k, k + 1};
            for (size_t c : corners) mesh.indices.push_back(vertexOf(poly[c], haveNormals ? faceNormals[f][c] : 0));
            mesh.attributes.push_back(attr);
        }
    }
    return S_OK;
}

namespace {

struct Walker {
    const xfile::Document& doc;
    LoadedMesh& out;
    bool any = false;

    HRESULT Frame(const Node& frame, const D3DXMATRIX& parent)
    {
        D3DXMATRIX world = parent;
        for (const xfile::Child& c : frame.children)
            if (c.node && IsType(*c.node, TID_D3DRMFrameTransformMatrix) && c.node->data.size() >= 64) {
                D3DXMATRIX local;
                std::memcpy(&local, c.node->data.data(), 64);
                D3DXMatrixMultiply(&world, &local, &parent);
            }
        return Children(frame, world);
    }

    HRESULT Children(const Node& n, const D3DXMATRIX& world)
    {
        for (const xfile::Child& c : n.children) {
            if (!c.node) continue;
            HRESULT hr = Object(*c.node, world);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

    HRESULT Object(const Node& n, const D3DXMATRIX& world)
    {
        if (IsType(n, TID_D3DRMFrame)) return Frame(n, world);
        if (!IsType(n, TID_D3DRMMesh)) return S_OK;
        LoadedMesh one;
        HRESULT hr = ExtractXMesh(doc, n, one);
        if (FAILED(hr)) return hr;
        Append(one, world);
        return S_OK;
    }

    void Append(LoadedMesh& one, const D3DXMATRIX& world)
    {
        MeshData& m = one.mesh;
        for (uint32_t v = 0; v < m.vertexCount; ++v) {
            D3DXVECTOR3 p = m.Position(v), q;
            D3DXVec3TransformCoord(&q, &p, &world);
            m.SetPosition(v, q);
            if (m.layout.normal >= 0) {
                D3DXVECTOR3 nrm;
                std::memcpy(&nrm, m.vertices.data() + (size_t)v * m.layout.stride + m.layout.normal, 12);
                D3DXVECTOR3 tn;
                D3DXVec3TransformNormal(&tn, &nrm, &world);
                D3DXVec3Normalize(&tn, &tn);
                m.SetNormal(v, tn);
            }
        }
        const DWORD materialBase = (DWORD)out.materials.size();
        for (DWORD& a : m.attributes) a += materialBase;
        out.materials.insert(out.materials.end(), one.materials.begin(), one.materials.end());
        if (!any) {
            out.mesh = std::move(m);
            any = true;
            return;
        }
        // Both meshes in the union of their formats.
        const DWORD fvf = out.mesh.fvf | m.fvf;
        MeshData a, b;
        ConvertFvf(out.mesh, fvf, a);
        ConvertFvf(m, fvf, b);
        const uint32_t base = a.vertexCount;
        a.vertices.insert(a.vertices.end(), b.vertices.begin(), b.vertices.end());
        a.vertexCount += b.vertexCount;
        for (uint32_t i : b.indices) a.indices.push_back(i + base);
        a.attributes.insert(a.attributes.end(), b.attributes.begin(), b.attributes.end());
        out.mesh = std::move(a);
    }
};

} // namespace

HRESULT ExtractXFileMeshes(const xfile::Document& doc, LoadedMesh& out)
{
    out = LoadedMesh{};
    Walker w{doc, out};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const auto& n : doc.top) {
        HRESULT hr = w.Object(*n, identity);
        if (FAILED(hr)) return hr;
    }
    if (!w.any || out.mesh.FaceCount() == 0) return D3DXERR_LOADEDMESHASNODATA;
    return S_OK;
}

} // namespace kestu::d3dx
