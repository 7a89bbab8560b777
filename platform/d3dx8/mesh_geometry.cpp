#include "d3dx8/mesh_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>

namespace kestu::d3dx {

bool GetFvfLayout(DWORD fvf, FvfLayout& out)
{
    out = FvfLayout{};
    if (fvf & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) return false;
    uint32_t at = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case 0: at = 0; break;
    case D3DFVF_XYZ: at = 12; break;
    case D3DFVF_XYZRHW: at = 16; break;
    default: at = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2 + 1); break;
    }
    out.positionBytes = at;
    if (fvf & D3DFVF_NORMAL) {
        out.normal = (int)at;
        at += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        out.psize = (int)at;
        at += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        out.diffuse = (int)at;
        at += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        out.specular = (int)at;
        at += 4;
    }
    out.texSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (out.texSets > 8) return false;
    for (uint32_t i = 0; i < out.texSets; ++i) {
        static const uint32_t kSizes[4] = {8, 12, 16, 4}; // FORMAT2, FORMAT3, FORMAT4, FORMAT1
        out.tex[i] = (int)at;
        out.texBytes[i] = kSizes[(fvf >> (16 + 2 * i)) & 3];
        at += out.texBytes[i];
    }
    out.stride = at;
    return at > 0;
}

D3DXVECTOR3 MeshData::Position(uint32_t v) const
{
    D3DXVECTOR3 p(0, 0, 0);
    if (layout.positionBytes >= 12) std::memcpy(&p, vertices.data() + (size_t)v * layout.stride, 12);
    return p;
}

void MeshData::SetPosition(uint32_t v, const D3DXVECTOR3& p)
{
    if (layout.positionBytes >= 12) std::memcpy(vertices.data() + (size_t)v * layout.stride, &p, 12);
}

void MeshData::SetNormal(uint32_t v, const D3DXVECTOR3& n)
{
    if (layout.normal >= 0) std::memcpy(vertices.data() + (size_t)v * layout.stride + layout.normal, &n, 12);
}

bool ConvertFvf(const MeshData& in, DWORD fvf, MeshData& out)
{
    MeshData r;
    if (!GetFvfLayout(fvf, r.layout)) return false;
    r.fvf = fvf;
    r.vertexCount = in.vertexCount;
    r.indices = in.indices;
    r.attributes = in.attributes;
    r.vertices.assign((size_t)r.vertexCount * r.layout.stride, 0);
    const FvfLayout& a = in.layout;
    const FvfLayout& b = r.layout;
    for (uint32_t v = 0; v < in.vertexCount; ++v) {
        const uint8_t* s = in.vertices.data() + (size_t)v * a.stride;
        uint8_t* d = r.vertices.data() + (size_t)v * b.stride;
        std::memcpy(d, s, std::min(a.positionBytes, b.positionBytes));
        auto copy = [&](int from, int to, uint32_t bytes) {
            if (from >= 0 && to >= 0) std::memcpy(d + to, s + from, bytes);
        };
        copy(a.normal, b.normal, 12);
        copy(a.psize, b.psize, 4);
        copy(a.diffuse, b.diffuse, 4);
        copy(a.specular, b.specular, 4);
        if (a.diffuse < 0 && b.diffuse >= 0) {
            const uint32_t white = 0xFFFFFFFFu;
            std::memcpy(d + b.diffuse, &white, 4);
        }
        for (uint32_t t = 0; t < b.texSets && t < a.texSets; ++t)
            std::memcpy(d + b.tex[t], s + a.tex[t], std::min(a.texBytes[t], b.texBytes[t]));
    }
    out = std::move(r);
    return true;
}

namespace {

// Representative vertex of each vertex: the first one at the same position
// (within epsilon), so that split vertices still join their faces.
std::vector<uint32_t> PointReps(const MeshData& mesh, float epsilon)
{
    std::vector<uint32_t> rep(mesh.vertexCount);
    std::vector<uint32_t> order(mesh.vertexCount);
    std::iota(order.begin(), order.end(), 0u);
    std::vector<D3DXVECTOR3> pos(mesh.vertexCount);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) pos[v] = mesh.Position(v);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return pos[a].x < pos[b].x || (pos[a].x == pos[b].x && a < b);
    });
    std::iota(rep.begin(), rep.end(), 0u);
    for (size_t i = 0; i < order.size(); ++i) {
        const uint32_t a = order[i];
        if (rep[a] != a) continue;
        for (size_t j = i + 1; j < order.size() && pos[order[j]].x - pos[a].x <= epsilon; ++j) {
            const uint32_t b = order[j];
            if (rep[b] != b) continue;
            if (std::fabs(pos[a].y - pos[b].y) <= epsilon && std::fabs(pos[a].z - pos[b].z) <= epsilon)
                rep[b] = std::min(a, rep[b]);
        }
    }
    // Make every representative the lowest index of its group.
    std::vector<uint32_t> lowest(mesh.vertexCount, UINT32_MAX);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) lowest[rep[v]] = std::min(lowest[rep[v]], v);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) rep[v] = lowest[rep[v]];
    return rep;
}

} // namespace

std::vector<DWORD> AdjacencyFromReps(const MeshData& mesh, const std::vector<uint32_t>& rep)
{
    const uint32_t faces = mesh.FaceCount();
    std::vector<DWORD> adj((size_t)faces * 3, 0xFFFFFFFFu);
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> open; // directed edge -> face*3+edge
    for (uint32_t f = 0; f < faces; ++f) {
        for (uint32_t e = 0; e < 3; ++e) {
            const uint32_t ia = mesh.indices[f * 3 + e], ib = mesh.indices[f * 3 + (e + 1) % 3];
            if (ia >= rep.size() || ib >= rep.size()) continue;
            const uint32_t a = rep[ia], b = rep[ib];
            if (a == b) continue;
            auto it = open.find({b, a});
            if (it != open.end()) {
                adj[it->second] = f;
                adj[f * 3 + e] = it->second / 3;
                open.erase(it);
            } else {
                open.emplace(std::make_pair(a, b), f * 3 + e);
            }
        }
    }
    return adj;
}

std::vector<DWORD> ComputeAdjacency(const MeshData& mesh, float epsilon)
{
    return AdjacencyFromReps(mesh, PointReps(mesh, epsilon));
}

std::vector<uint32_t> PointRepsFromAdjacency(const MeshData& mesh, const DWORD* adjacency)
{
    if (!adjacency) return PointReps(mesh, 0.0f);
    std::vector<uint32_t> parent(mesh.vertexCount);
    std::iota(parent.begin(), parent.end(), 0u);
    auto find = [&](uint32_t v) {
        while (parent[v] != v) v = parent[v] = parent[parent[v]];
        return v;
    };
    const uint32_t faces = mesh.FaceCount();
    for (uint32_t f = 0; f < faces; ++f)
        for (int e = 0; e < 3; ++e) {
            const DWORD g = adjacency[f * 3 + e];
            if (g >= faces) continue;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const uint32_t a = mesh.indices[f * 3 + i], b = mesh.indices[g * 3 + j];
                    if (a >= mesh.vertexCount || b >= mesh.vertexCount) continue;
                    const D3DXVECTOR3 pa = mesh.Position(a), pb = mesh.Position(b);
                    if (pa.x == pb.x && pa.y == pb.y && pa.z == pb.z) {
                        const uint32_t ra = find(a), rb = find(b);
                        if (ra != rb) parent[std::max(ra, rb)] = std::min(ra, rb);
                    }
                }
        }
    std::vector<uint32_t> reps(mesh.vertexCount);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) reps[v] = find(v);
    return reps;
}

void ComputeVertexNormals(MeshData& mesh, const DWORD* adjacency)
{
    if (mesh.layout.normal < 0) return;
    std::vector<uint32_t> rep(mesh.vertexCount);
    std::iota(rep.begin(), rep.end(), 0u);
    if (adjacency) rep = PointRepsFromAdjacency(mesh, adjacency);
    std::vector<D3DXVECTOR3> sum(mesh.vertexCount, D3DXVECTOR3(0, 0, 0));
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        const uint32_t i0 = mesh.indices[f * 3], i1 = mesh.indices[f * 3 + 1], i2 = mesh.indices[f * 3 + 2];
        if (i0 >= mesh.vertexCount || i1 >= mesh.vertexCount || i2 >= mesh.vertexCount) continue;
        const D3DXVECTOR3 p0 = mesh.Position(i0), p1 = mesh.Position(i1), p2 = mesh.Position(i2);
        D3DXVECTOR3 e1 = p1 - p0, e2 = p2 - p0, n;
        D3DXVec3Cross(&n, &e1, &e2);
        for (uint32_t i : {i0, i1, i2}) sum[rep[i]] += n;
    }
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) {
        D3DXVECTOR3 n = sum[rep[v]];
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (len > 0) n /= len;
        mesh.SetNormal(v, n);
    }
}

std::vector<AttributeRange> BuildAttributeTable(const MeshData& mesh)
{
    std::vector<AttributeRange> table;
    const uint32_t faces = mesh.FaceCount();
    for (uint32_t f = 0; f < faces;) {
        AttributeRange r{mesh.attributes[f], f, 0, 0, 0};
        uint32_t lo = UINT32_MAX, hi = 0;
        while (f < faces && mesh.attributes[f] == r.attribId) {
            for (int k = 0; k < 3; ++k) {
                lo = std::min(lo, mesh.indices[f * 3 + k]);
                hi = std::max(hi, mesh.indices[f * 3 + k]);
            }
            ++f;
            ++r.faceCount;
        }
        r.vertexStart = lo;
        r.vertexCount = hi - lo + 1;
        table.push_back(r);
    }
    return table;
}

namespace {

// Forsyth-style greedy ordering for a vertex cache of 16 entries: emit the
// face that scores best against the cache, preferring faces touching vertices
// with few faces left.
std::vector<uint32_t> CacheOrder(const MeshData& mesh, const std::vector<uint32_t>& faces)
{
    constexpr int kCache = 16;
    const size_t n = faces.size();
    std::vector<uint32_t> out;
    out.reserve(n);
    if (n == 0) return out;
    std::map<uint32_t, std::vector<uint32_t>> users; // vertex -> local face numbers
    for (uint32_t i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) users[mesh.indices[faces[i] * 3 + k]].push_back(i);
    std::map<uint32_t, int> remaining;
    for (auto& [v, u] : users) remaining[v] = (int)u.size();
    std::vector<bool> done(n, false);
    std::vector<uint32_t> cache;
    auto vertexScore = [&](uint32_t v) {
        float s = 0;
        auto it = std::find(cache.begin(), cache.end(), v);
        if (it != cache.end()) {
            const int pos = (int)(it - cache.begin());
            s = pos < 3 ? 0.75f : std::pow(1.0f - (float)(pos - 3) / (kCache - 3), 1.5f);
        }
        const int left = remaining[v];
        if (left > 0) s += 2.0f / std::sqrt((float)left);
        return s;
    };
    size_t scan = 0;
    for (size_t emitted = 0; emitted < n; ++emitted) {
        // Candidates: faces of cached vertices; else the next face not done.
        int best = -1;
        float bestScore = -1;
        for (uint32_t v : cache)
            for (uint32_t f : users[v]) {
                if (done[f]) continue;
                float s = 0;
                for (int k = 0; k < 3; ++k) s += vertexScore(mesh.indices[faces[f] * 3 + k]);
                if (s > bestScore || (s == bestScore && (int)f < best)) {
                    bestScore = s;
                    best = (int)f;
                }
            }
        if (best < 0) {
            while (done[scan]) ++scan;
            best = (int)scan;
        }
        done[best] = true;
        out.push_back(faces[best]);
        for (int k = 2; k >= 0; --k) {
            const uint32_t v = mesh.indices[faces[best] * 3 + k];
            --remaining[v];
            auto it = std::find(cache.begin(), cache.end(), v);
            if (it != cache.end()) cache.erase(it);
            cache.insert(cache.begin(), v);
        }
        if (cache.size() > kCache) cache.resize(kCache);
    }
    return out;
}

} // namespace

bool OptimizeMesh(MeshData& mesh, DWORD flags, std::vector<DWORD>* adjacency, OptimizeResult& result)
{
    constexpr DWORD kCompact = 0x01000000, kAttrSort = 0x02000000, kVertexCache = 0x04000000,
                    kStripReorder = 0x08000000, kIgnoreVerts = 0x10000000;
    const uint32_t faces = mesh.FaceCount();
    for (uint32_t i : mesh.indices)
        if (i >= mesh.vertexCount) return false;
    std::vector<uint32_t> order(faces);
    std::iota(order.begin(), order.end(), 0u);
    const bool sort = (flags & (kAttrSort | kVertexCache | kStripReorder)) != 0;
    if (sort) {
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return mesh.attributes[a] < mesh.attributes[b]; });
    }
    if (flags & (kVertexCache | kStripReorder)) {
        std::vector<uint32_t> reordered;
        for (size_t i = 0; i < order.size();) {
            size_t j = i;
            std::vector<uint32_t> group;
            while (j < order.size() && mesh.attributes[order[j]] == mesh.attributes[order[i]]) group.push_back(order[j++]);
            const std::vector<uint32_t> g = CacheOrder(mesh, group);
            reordered.insert(reordered.end(), g.begin(), g.end());
            i = j;
        }
        order = std::move(reordered);
    }
    // Faces in the new order.
    std::vector<uint32_t> indices((size_t)faces * 3);
    std::vector<DWORD> attributes(faces);
    std::vector<DWORD> newOfOld(faces);
    for (uint32_t f = 0; f < faces; ++f) {
        std::copy_n(mesh.indices.begin() + order[f] * 3, 3, indices.begin() + f * 3);
        attributes[f] = mesh.attributes[order[f]];
        newOfOld[order[f]] = f;
    }
    if (adjacency && adjacency->size() == (size_t)faces * 3) {
        std::vector<DWORD> adj((size_t)faces * 3);
        for (uint32_t f = 0; f < faces; ++f)
            for (int k = 0; k < 3; ++k) {
                const DWORD n = (*adjacency)[order[f] * 3 + k];
                adj[f * 3 + k] = n < faces ? newOfOld[n] : 0xFFFFFFFFu;
            }
        *adjacency = std::move(adj);
    }
    // Vertices: in first-use order when compacting or reordering, dropping unused ones on compact.
    std::vector<DWORD> vertexRemap(mesh.vertexCount);
    std::iota(vertexRemap.begin(), vertexRemap.end(), 0u);
    if (!(flags & kIgnoreVerts) && (flags & (kCompact | kAttrSort | kVertexCache | kStripReorder))) {
        std::vector<uint32_t> newIndex(mesh.vertexCount, UINT32_MAX);
        std::vector<DWORD> remap;
        for (uint32_t& i : indices) {
            if (newIndex[i] == UINT32_MAX) {
                newIndex[i] = (uint32_t)remap.size();
                remap.push_back(i);
            }
            i = newIndex[i];
        }
        if (!(flags & kCompact))
            for (uint32_t v = 0; v < mesh.vertexCount; ++v)
                if (newIndex[v] == UINT32_MAX) remap.push_back(v);
        std::vector<uint8_t> vertices(remap.size() * mesh.layout.stride);
        for (size_t v = 0; v < remap.size(); ++v)
            std::memcpy(vertices.data() + v * mesh.layout.stride,
                        mesh.vertices.data() + (size_t)remap[v] * mesh.layout.stride, mesh.layout.stride);
        mesh.vertices = std::move(vertices);
        mesh.vertexCount = (uint32_t)remap.size();
        vertexRemap = std::move(remap);
    }
    mesh.indices = std::move(indices);
    mesh.attributes = std::move(attributes);
    result.faceRemap.assign(order.begin(), order.end());
    result.vertexRemap = std::move(vertexRemap);
    result.table.clear();
    if (sort) result.table = BuildAttributeTable(mesh);
    return true;
}

bool BuildSphere(float radius, uint32_t slices, uint32_t stacks, MeshData& out)
{
    if (radius < 0 || slices < 2 || stacks < 2) return false;
    MeshData m;
    m.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    GetFvfLayout(m.fvf, m.layout);
    // Two poles and (stacks - 1) rings of `slices` vertices.
    m.vertexCount = 2 + (stacks - 1) * slices;
    m.vertices.assign((size_t)m.vertexCount * m.layout.stride, 0);
    const float pi = 3.14159265358979f;
    auto put = [&](uint32_t v, const D3DXVECTOR3& n) {
        m.SetPosition(v, n * radius);
        m.SetNormal(v, n);
    };
    put(0, D3DXVECTOR3(0, 0, 1));
    for (uint32_t s = 1; s < stacks; ++s) {
        const float phi = pi * (float)s / (float)stacks;
        for (uint32_t i = 0; i < slices; ++i) {
            const float theta = 2 * pi * (float)i / (float)slices;
            put(1 + (s - 1) * slices + i,
                D3DXVECTOR3(std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta), std::cos(phi)));
        }
    }
    const uint32_t bottom = m.vertexCount - 1;
    put(bottom, D3DXVECTOR3(0, 0, -1));
    auto ring = [&](uint32_t s, uint32_t i) { return 1 + (s - 1) * slices + (i % slices); };
    // Listed counter-clockwise below; stored the other way round.
    auto face = [&](uint32_t a, uint32_t b, uint32_t c) {
        m.indices.insert(m.indices.end(), {a, c, b});
        m.attributes.push_back(0);
    };
    // Clockwise seen from outside, so the default cull mode hides the inside.
    for (uint32_t i = 0; i < slices; ++i) face(0, ring(1, i + 1), ring(1, i));
    for (uint32_t s = 1; s + 1 < stacks; ++s)
        for (uint32_t i = 0; i < slices; ++i) {
            face(ring(s, i), ring(s, i + 1), ring(s + 1, i));
            face(ring(s, i + 1), ring(s + 1, i + 1), ring(s + 1, i));
        }
    for (uint32_t i = 0; i < slices; ++i) face(bottom, ring(stacks - 1, i), ring(stacks - 1, i + 1));
    out = std::move(m);
    return true;
}

} // namespace kestu::d3dx
