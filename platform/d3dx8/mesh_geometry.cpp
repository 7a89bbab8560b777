#include "d3dx8/mesh_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
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

// The cell of a coordinate in a grid of cells `width` wide, or the
// coordinate itself for width 0. Cells are centred on the multiples of their
// width, so that round coordinates sit in the middle of one. Kept in a
// double, which holds any quotient of floats, so cells never wrap or clamp;
// -0 and +0 are one cell.
double Cell(double v, double width)
{
    const double c = width == 0 ? v : std::floor(v / width + 0.5);
    return c + 0.0;
}

// The cell after `c`: far from zero, where a step of one does not move, the next double.
double NextCell(double c) { return c + 1 > c ? c + 1 : std::nextafter(c, INFINITY); }

struct CellKey {
    double x, y, z;
    bool operator==(const CellKey&) const = default;
};

uint64_t Mix(uint64_t v)
{
    v ^= v >> 33;
    v *= 0xFF51AFD7ED558CCDull;
    v ^= v >> 33;
    v *= 0xC4CEB9FE1A85EC53ull;
    return v ^ (v >> 33);
}

uint64_t Bits(double d)
{
    uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
}

// Cells numbered in the order first seen, found through an open-addressed
// table of cell numbers; `keyOf(cell)` gives a cell's key back, so the table
// holds four bytes a slot and stays small.
class CellTable {
public:
    explicit CellTable(size_t cells)
    {
        // A quarter full at most, so that a look for a missing cell mostly meets an empty slot.
        size_t capacity = 64;
        while (capacity < cells * 4) capacity *= 2;
        ids_.assign(capacity, kNone);
        used_.assign(capacity / 64, 0);
    }
    // The cell's number, a new one (`next`) when it was not there.
    template <class KeyOf>
    uint32_t Insert(const CellKey& key, uint32_t next, KeyOf keyOf)
    {
        size_t at = Slot(key);
        for (; ids_[at] != kNone; at = (at + 1) & (ids_.size() - 1))
            if (keyOf(ids_[at]) == key) return ids_[at];
        ids_[at] = next;
        used_[at / 64] |= uint64_t(1) << (at % 64);
        return next;
    }
    template <class KeyOf>
    uint32_t Find(const CellKey& key, KeyOf keyOf) const
    {
        // Most cells around a vertex are empty: a bit per slot answers them from a small array.
        const size_t first = Slot(key);
        if (!(used_[first / 64] >> (first % 64) & 1)) return kNone;
        for (size_t at = first; ids_[at] != kNone; at = (at + 1) & (ids_.size() - 1))
            if (keyOf(ids_[at]) == key) return ids_[at];
        return kNone;
    }
    static constexpr uint32_t kNone = UINT32_MAX;

private:
    size_t Slot(const CellKey& k) const
    {
        return size_t(Mix(Bits(k.x) ^ Mix(Bits(k.y) ^ Mix(Bits(k.z))))) & (ids_.size() - 1);
    }
    std::vector<uint32_t> ids_;
    std::vector<uint64_t> used_;
};

// Representative vertex of each vertex, so that split vertices still join
// their faces: vertices are taken in index order, and one not yet claimed
// claims every unclaimed vertex within epsilon of it (on each axis). Cells
// four epsilons wide hold the vertices, so a vertex looks only at the cells
// its epsilon box touches (one to two a side, about three in all), and a
// cell holds at most 64 vertices more than epsilon apart: the work is linear
// whatever the mesh's orientation. With epsilon 0 the cells are positions.
std::vector<uint32_t> PointReps(const MeshData& mesh, float epsilon)
{
    const uint32_t count = mesh.vertexCount;
    std::vector<uint32_t> rep(count);
    std::iota(rep.begin(), rep.end(), 0u);
    if (!(epsilon >= 0) || count == 0) return rep; // a negative or NaN epsilon joins nothing
    const bool all = std::isinf(epsilon);          // every finite position is within it
    std::vector<D3DXVECTOR3> pos(count);
    for (uint32_t v = 0; v < count; ++v) pos[v] = mesh.Position(v);
    // A position that is not finite is never within epsilon of another.
    std::vector<bool> claimed(count, false);
    // Vertices by cell, each cell's list in index order.
    const double width = 4.0 * double(epsilon);
    auto keyOfVertex = [&](uint32_t v) {
        const D3DXVECTOR3& p = pos[v];
        return all ? CellKey{0, 0, 0} : CellKey{Cell(p.x, width), Cell(p.y, width), Cell(p.z, width)};
    };
    std::vector<uint32_t> cellStart(epsilon == 0 ? 0 : size_t(count) + 2, 0), vertexCell(count, CellTable::kNone),
        firstOfCell;
    std::vector<CellKey> cellKeys;
    auto keyOfCell = [&](uint32_t cell) { return cellKeys[cell]; };
    CellTable table(count);
    firstOfCell.reserve(count);
    cellKeys.reserve(count);
    for (uint32_t v = 0; v < count; ++v) {
        const D3DXVECTOR3& p = pos[v];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            claimed[v] = true;
            continue;
        }
        const uint32_t cells = uint32_t(firstOfCell.size());
        const CellKey key = keyOfVertex(v);
        vertexCell[v] = table.Insert(key, cells, keyOfCell);
        if (vertexCell[v] == cells) {
            firstOfCell.push_back(v);
            cellKeys.push_back(key);
        }
        if (epsilon != 0) ++cellStart[vertexCell[v] + 2];
    }
    if (epsilon == 0) {
        // Cells are positions: each vertex stands for the first at its position.
        for (uint32_t v = 0; v < count; ++v)
            if (vertexCell[v] != CellTable::kNone) rep[v] = firstOfCell[vertexCell[v]];
        return rep;
    }
    const uint32_t cells = uint32_t(firstOfCell.size());
    for (uint32_t c = 0; c < cells; ++c) cellStart[c + 2] += cellStart[c + 1];
    std::vector<uint32_t> member(count);
    for (uint32_t v = 0; v < count; ++v)
        if (vertexCell[v] != CellTable::kNone) member[cellStart[vertexCell[v] + 1]++] = v;
    // cellStart[c] .. cellStart[c + 1] now holds cell c's vertices.

    for (uint32_t a = 0; a < count; ++a) {
        if (claimed[a]) continue;
        claimed[a] = true;
        const D3DXVECTOR3& p = pos[a];
        // The cells from one corner of the vertex's epsilon box to the other.
        const CellKey lo = all ? CellKey{0, 0, 0}
                               : CellKey{Cell(double(p.x) - epsilon, width), Cell(double(p.y) - epsilon, width),
                                         Cell(double(p.z) - epsilon, width)};
        const CellKey hi = all ? CellKey{0, 0, 0}
                               : CellKey{Cell(double(p.x) + epsilon, width), Cell(double(p.y) + epsilon, width),
                                         Cell(double(p.z) + epsilon, width)};
        for (double cx = lo.x; cx <= hi.x; cx = NextCell(cx))
            for (double cy = lo.y; cy <= hi.y; cy = NextCell(cy))
                for (double cz = lo.z; cz <= hi.z; cz = NextCell(cz)) {
                    const CellKey key{cx, cy, cz};
                    const uint32_t own = vertexCell[a];
                    const uint32_t cell = key == cellKeys[own] ? own : table.Find(key, keyOfCell);
                    if (cell == CellTable::kNone) continue;
                    for (uint32_t i = cellStart[cell]; i < cellStart[cell + 1]; ++i) {
                        const uint32_t b = member[i];
                        if (claimed[b]) continue;
                        if (std::fabs(p.x - pos[b].x) <= epsilon && std::fabs(p.y - pos[b].y) <= epsilon &&
                            std::fabs(p.z - pos[b].z) <= epsilon) {
                            claimed[b] = true;
                            rep[b] = a;
                        }
                    }
                }
    }
    return rep;
}

} // namespace

std::vector<DWORD> AdjacencyFromReps(const MeshData& mesh, const std::vector<uint32_t>& rep)
{
    const uint32_t faces = mesh.FaceCount();
    const uint32_t range = uint32_t(rep.size());
    std::vector<DWORD> adj((size_t)faces * 3, 0xFFFFFFFFu);
    // The two representatives an edge (face * 3 + edge) runs between, or none.
    auto ends = [&](uint32_t id, uint32_t& from, uint32_t& to) {
        const uint32_t f = id / 3, e = id % 3;
        const uint32_t ia = mesh.indices[f * 3 + e], ib = mesh.indices[f * 3 + (e + 1) % 3];
        if (ia >= range || ib >= range) return false;
        from = rep[ia];
        to = rep[ib];
        return from != to;
    };
    // Edges grouped by their lower end (a counting sort: linear), each group in face order.
    std::vector<uint32_t> start(size_t(range) + 1, 0), edges;
    uint32_t from = 0, to = 0;
    for (uint32_t id = 0; id < faces * 3; ++id)
        if (ends(id, from, to)) ++start[std::min(from, to) + 1];
    for (uint32_t v = 0; v < range; ++v) start[v + 1] += start[v];
    edges.resize(start[range]);
    for (uint32_t id = 0; id < faces * 3; ++id)
        if (ends(id, from, to)) edges[start[std::min(from, to)]++] = id;
    // start[v] is now where group v ends. Within a group, in face order, an
    // edge meets the first still open edge between the same two ends that runs
    // the other way; one that finds none stays open unless one its way already
    // is. open[hi * 2 + way] holds those edges while their group is walked.
    std::vector<uint32_t> open(size_t(range) * 2, UINT32_MAX);
    for (uint32_t v = 0, first = 0; v < range; first = start[v++]) {
        for (uint32_t i = first; i < start[v]; ++i) {
            const uint32_t id = edges[i];
            ends(id, from, to);
            const uint32_t hi = std::max(from, to), way = from == v ? 0 : 1;
            uint32_t& other = open[size_t(hi) * 2 + 1 - way];
            if (other != UINT32_MAX) {
                adj[other] = id / 3;
                adj[id] = other / 3;
                other = UINT32_MAX;
            } else if (open[size_t(hi) * 2 + way] == UINT32_MAX) {
                open[size_t(hi) * 2 + way] = id;
            }
        }
        for (uint32_t i = first; i < start[v]; ++i) {
            ends(edges[i], from, to);
            const uint32_t hi = std::max(from, to);
            open[size_t(hi) * 2] = open[size_t(hi) * 2 + 1] = UINT32_MAX;
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

// Forsyth's greedy ordering for a vertex cache of 16 entries, in linear
// time: the next face is the best scored among the live faces of the cached
// vertices (each vertex offers at most kOffered of them, so a vertex shared
// by thousands of faces costs no more than any other), or the next face not
// yet emitted when the cache offers none. A face scores the sum of its
// vertices' scores: recent use in the cache, plus a boost for vertices with
// few faces left.
class CacheOrderer {
public:
    explicit CacheOrderer(uint32_t vertexCount) : local_(vertexCount, kNone) {}

    std::vector<uint32_t> Order(const MeshData& mesh, const std::vector<uint32_t>& faces)
    {
        const uint32_t n = uint32_t(faces.size());
        // Vertices numbered within the group, so the work does not grow with the whole mesh.
        std::vector<uint32_t> corner(size_t(n) * 3), globals;
        for (uint32_t i = 0; i < n; ++i)
            for (int k = 0; k < 3; ++k) {
                const uint32_t v = mesh.indices[size_t(faces[i]) * 3 + k];
                if (local_[v] == kNone) {
                    local_[v] = uint32_t(globals.size());
                    globals.push_back(v);
                }
                corner[size_t(i) * 3 + k] = local_[v];
            }
        for (uint32_t v : globals) local_[v] = kNone;
        const uint32_t vertices = uint32_t(globals.size());

        // Each vertex's live corners (face * 3 + corner), and where each corner sits in that list.
        std::vector<uint32_t> start(vertices + 1, 0), live(vertices, 0), list(corner.size()), slot(corner.size());
        for (uint32_t v : corner) ++live[v];
        for (uint32_t v = 0; v < vertices; ++v) start[v + 1] = start[v] + live[v];
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (uint32_t c = 0; c < corner.size(); ++c) {
            slot[c] = fill[corner[c]]++;
            list[slot[c]] = c;
        }

        std::vector<int> cachePos(vertices, -1);
        std::vector<uint32_t> cache, next;
        auto vertexScore = [&](uint32_t v) {
            if (live[v] == 0) return -1.0f;
            const int pos = cachePos[v];
            float score = 0;
            if (pos >= 0) score = pos < 3 ? kLastFace : kCacheScore[pos - 3];
            return score + (live[v] < kValenceTable ? kValenceScore[live[v]] : 2.0f / std::sqrt(float(live[v])));
        };
        auto faceScore = [&](uint32_t f) {
            return vertexScore(corner[f * 3]) + vertexScore(corner[f * 3 + 1]) + vertexScore(corner[f * 3 + 2]);
        };

        std::vector<bool> done(n, false);
        std::vector<uint32_t> out;
        out.reserve(n);
        uint32_t scan = 0;
        for (uint32_t emitted = 0; emitted < n; ++emitted) {
            uint32_t best = kNone;
            float bestScore = -1;
            for (uint32_t v : cache) {
                const uint32_t offered = std::min(live[v], kOffered);
                for (uint32_t i = 0; i < offered; ++i) {
                    const uint32_t f = list[start[v] + i] / 3;
                    const float score = faceScore(f);
                    if (score > bestScore || (score == bestScore && f < best)) {
                        bestScore = score;
                        best = f;
                    }
                }
            }
            if (best == kNone) {
                while (done[scan]) ++scan;
                best = scan;
            }
            done[best] = true;
            out.push_back(faces[best]);
            for (uint32_t k = 0; k < 3; ++k) {
                // The corner leaves its vertex's live list; the list's last takes its place.
                const uint32_t c = best * 3 + k, v = corner[c];
                const uint32_t last = start[v] + --live[v];
                list[slot[c]] = list[last];
                slot[list[last]] = slot[c];
            }
            // The face's vertices go to the front of the cache; the oldest fall out.
            next.clear();
            for (uint32_t k = 0; k < 3; ++k) {
                const uint32_t v = corner[best * 3 + k];
                if (std::find(next.begin(), next.end(), v) == next.end()) next.push_back(v);
            }
            for (uint32_t v : cache)
                if (next.size() < kCache && std::find(next.begin(), next.end(), v) == next.end()) next.push_back(v);
            for (uint32_t v : cache) cachePos[v] = -1;
            for (size_t i = 0; i < next.size(); ++i) cachePos[next[i]] = int(i);
            cache.swap(next);
        }
        return out;
    }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    static constexpr uint32_t kCache = 16;
    static constexpr uint32_t kOffered = 8;
    static constexpr float kLastFace = 0.75f;
    static constexpr uint32_t kValenceTable = 32;
    static const std::array<float, kCache - 3> kCacheScore;
    static const std::array<float, kValenceTable> kValenceScore;

    std::vector<uint32_t> local_; // kNone outside the group being ordered
};

// Positions 3 to 15 of the cache: falling off with the power 1.5.
const std::array<float, CacheOrderer::kCache - 3> CacheOrderer::kCacheScore = [] {
    std::array<float, kCache - 3> t{};
    for (uint32_t i = 0; i < t.size(); ++i) t[i] = std::pow(1.0f - float(i) / float(kCache - 3), 1.5f);
    return t;
}();

// 2 / sqrt(faces left).
const std::array<float, CacheOrderer::kValenceTable> CacheOrderer::kValenceScore = [] {
    std::array<float, kValenceTable> t{};
    for (uint32_t i = 1; i < t.size(); ++i) t[i] = 2.0f / std::sqrt(float(i));
    return t;
}();

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
        CacheOrderer orderer(mesh.vertexCount);
        std::vector<uint32_t> reordered;
        for (size_t i = 0; i < order.size();) {
            size_t j = i;
            std::vector<uint32_t> group;
            while (j < order.size() && mesh.attributes[order[j]] == mesh.attributes[order[i]])
                group.push_back(order[j++]);
            const std::vector<uint32_t> g = orderer.Order(mesh, group);
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
