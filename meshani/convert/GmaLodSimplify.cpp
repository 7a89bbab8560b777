#include "meshani/convert/GmaLodSimplify.h"

#include <cfloat>
#include <cmath>
#include <queue>
#include <set>

namespace gmalod {
namespace {

constexpr DWORD kNone = 0xFFFFFFFF;
// What a collapse that folds a face over costs: 2^127.
constexpr float kFoldOverCost = 1.7014117e38f;

// The summed plane equations: a², ab, ac, ad, b², bc, bd, c², cd, d², and the weight.
struct Quadric {
    double q[10] = {};
    double weight = 0.0;

    void Add(const Quadric& o)
    {
        for (int i = 0; i < 10; ++i) q[i] += o.q[i];
        weight += o.weight;
    }
};

struct Vertex {
    DWORD order = kNone;
    int target = -1;
    Quadric quadric;
    float cost = FLT_MAX;
    DWORD facesRemoved = 0;
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    std::set<int> neighbours;
    std::set<int> faces;
    bool removed = false;
    bool border = false;
};

// A vertex's cost when it was queued; stale once the vertex's stamp moved on.
struct Queued {
    float cost;
    int index;
    DWORD stamp;
};

// Lower costs first, equal costs by index: the order of a scan in index order
// that takes a later vertex only when it is strictly cheaper.
struct Later {
    bool operator()(const Queued& a, const Queued& b) const
    {
        return b.cost < a.cost || (!(a.cost < b.cost) && b.index < a.index);
    }
};

// One face around a vertex whose collapses are weighed.
struct Around {
    int v[3];
    D3DXVECTOR3 p[3];
    D3DXVECTOR3 before;
};

struct Face {
    DWORD order = kNone;
    int v[3];
    bool Has(int i) const { return v[0] == i || v[1] == i || v[2] == i; }
};

class Simplifier {
public:
    Simplifier(const std::vector<D3DXVECTOR3>& positions, const std::vector<D3DXVECTOR3>& normals,
               const std::vector<std::array<DWORD, 3>>& faces)
        : verts_(positions.size()), faces_(faces.size())
    {
        for (size_t i = 0; i < verts_.size(); ++i) {
            verts_[i].position = positions[i];
            verts_[i].normal = normals[i];
        }
        for (size_t f = 0; f < faces.size(); ++f)
            for (int k = 0; k < 3; ++k) faces_[f].v[k] = static_cast<int>(faces[f][k]);
    }

    void Run(Result& out)
    {
        Connect();
        AddFaceQuadrics();
        MarkBorders();
        stamps_.assign(verts_.size(), 0);
        for (size_t i = 0; i < verts_.size(); ++i) UpdateCost(static_cast<int>(i));
        DWORD vertexOrder = static_cast<DWORD>(verts_.size()) - 1;
        DWORD faceOrder = static_cast<DWORD>(faces_.size()) - 1;
        for (int v = Cheapest(); v >= 0; v = Cheapest()) Collapse(v, vertexOrder, faceOrder);
        Finish(out);
    }

private:
    void Connect()
    {
        for (size_t f = 0; f < faces_.size(); ++f)
            for (int k = 0; k < 3; ++k) {
                Vertex& v = verts_[faces_[f].v[k]];
                v.faces.insert(static_cast<int>(f));
                for (int j = 1; j < 3; ++j) {
                    const int other = faces_[f].v[(k + j) % 3];
                    if (other != faces_[f].v[k]) v.neighbours.insert(other);
                }
            }
    }

    void AddFaceQuadrics()
    {
        for (const Face& f : faces_) {
            const D3DXVECTOR3& p0 = verts_[f.v[0]].position;
            const D3DXVECTOR3 e1 = verts_[f.v[1]].position - p0, e2 = verts_[f.v[2]].position - p0;
            D3DXVECTOR3 m;
            D3DXVec3Cross(&m, &e1, &e2);
            const float length = D3DXVec3Length(&m);
            if (!(length > 0.0f)) continue; // a face without area adds nothing
            const double area = length / 2.0;
            m /= length;
            if (D3DXVec3Dot(&m, &verts_[f.v[0]].normal) < 0.0f) m = -m;
            const double a = m.x, b = m.y, c = m.z, d = -D3DXVec3Dot(&m, &p0);
            Quadric q;
            const double entries[10] = {a * a, a * b, a * c, a * d, b * b, b * c, b * d, c * c, c * d, d * d};
            for (int i = 0; i < 10; ++i) q.q[i] = entries[i] * area;
            q.weight = area;
            for (int k = 0; k < 3; ++k) verts_[f.v[k]].quadric.Add(q);
        }
    }

    void MarkBorders()
    {
        for (Vertex& v : verts_) {
            if (v.neighbours.empty()) continue;
            if (v.faces.empty()) {
                v.border = true;
                continue;
            }
            for (int n : v.neighbours) {
                int sharing = 0;
                for (int f : v.faces) sharing += faces_[f].Has(n) ? 1 : 0;
                if (sharing < 2) {
                    v.border = true;
                    break;
                }
            }
        }
    }

    // v's faces with their corners and normals (unnormalised), gathered once
    // for all the collapses of v that UpdateCost weighs.
    void GatherFaces(int v)
    {
        around_.clear();
        for (int fi : verts_[v].faces) {
            const Face& f = faces_[fi];
            Around a;
            for (int k = 0; k < 3; ++k) {
                a.v[k] = f.v[k];
                a.p[k] = verts_[f.v[k]].position;
            }
            const D3DXVECTOR3 a1 = a.p[1] - a.p[0], a2 = a.p[2] - a.p[0];
            D3DXVec3Cross(&a.before, &a1, &a2);
            around_.push_back(a);
        }
    }

    // A collapse of v onto t that turns one of v's other faces over (v's
    // faces gathered).
    bool FoldsOver(int v, int t) const
    {
        const D3DXVECTOR3& to = verts_[t].position;
        for (const Around& a : around_) {
            if (a.v[0] == t || a.v[1] == t || a.v[2] == t) continue;
            D3DXVECTOR3 q[3];
            for (int k = 0; k < 3; ++k) q[k] = a.v[k] == v ? to : a.p[k];
            D3DXVECTOR3 after, b1 = q[1] - q[0], b2 = q[2] - q[0];
            D3DXVec3Cross(&after, &b1, &b2);
            if (D3DXVec3Dot(&a.before, &after) < 0.0f) return true;
        }
        return false;
    }

    float Cost(int v, int u) const
    {
        Quadric q = verts_[v].quadric;
        q.Add(verts_[u].quadric);
        const double x = verts_[u].position.x, y = verts_[u].position.y, z = verts_[u].position.z;
        const double* Q = q.q;
        double e = Q[0] * x * x + Q[4] * y * y + Q[7] * z * z +
                   2.0 * (Q[1] * x * y + Q[2] * x * z + Q[5] * y * z + Q[3] * x + Q[6] * y + Q[8] * z) + Q[9];
        if (q.weight > 0.0) e /= q.weight;
        if (FoldsOver(v, u)) return kFoldOverCost;
        return static_cast<float>(e);
    }

    void UpdateCost(int v)
    {
        Vertex& vx = verts_[v];
        vx.target = -1;
        if (vx.neighbours.empty()) {
            vx.cost = -1.0f;
            return;
        }
        vx.cost = FLT_MAX;
        GatherFaces(v);
        for (int u : vx.neighbours) {
            const float c = Cost(v, u);
            if (vx.target < 0 || c < vx.cost) {
                vx.cost = c;
                vx.target = u;
            }
        }
        ++stamps_[v];
        if (MayCollapse(v) && !std::isnan(vx.cost)) queue_.push({vx.cost, v, stamps_[v]});
    }

    // A vertex without a target never collapses. Once a vertex may not
    // collapse it never may again: removal and borders stay, and a vertex
    // without neighbours gains none.
    bool MayCollapse(int v) const
    {
        const Vertex& vx = verts_[v];
        return !vx.removed && !vx.border && vx.target >= 0;
    }

    // The cheapest vertex that may collapse, the lowest index among equal
    // costs, as a scan in index order finds it: a NaN cost compares with
    // nothing, so it is taken only as the first vertex that may collapse.
    int Cheapest()
    {
        const int n = static_cast<int>(verts_.size());
        while (first_ < n && !MayCollapse(first_)) ++first_;
        if (first_ == n) return -1;
        if (std::isnan(verts_[first_].cost)) return first_;
        for (;;) {
            const Queued top = queue_.top();
            if (top.stamp == stamps_[top.index] && MayCollapse(top.index)) return top.index;
            queue_.pop();
        }
    }

    void Collapse(int v, DWORD& vertexOrder, DWORD& faceOrder)
    {
        Vertex& vx = verts_[v];
        const int t = vx.target;
        Vertex& tx = verts_[t];
        vx.order = vertexOrder--;
        vx.removed = true;
        // The survivor carries the error of what collapsed into it.
        tx.quadric.Add(vx.quadric);
        const std::vector<int> faces(vx.faces.begin(), vx.faces.end());
        for (int fi : faces) {
            Face& f = faces_[fi];
            if (f.Has(t)) {
                f.order = faceOrder--;
                ++vx.facesRemoved;
                for (int k = 0; k < 3; ++k) verts_[f.v[k]].faces.erase(fi);
            } else {
                for (int& i : f.v)
                    if (i == v) i = t;
                tx.faces.insert(fi);
            }
        }
        vx.faces.clear();
        for (int u : vx.neighbours) {
            Vertex& ux = verts_[u];
            ux.neighbours.erase(v);
            if (u != t) {
                ux.neighbours.insert(t);
                tx.neighbours.insert(u);
            }
        }
        vx.neighbours.clear();
        UpdateCost(t);
        for (int u : tx.neighbours) UpdateCost(u);
    }

    void Finish(Result& out)
    {
        const size_t n = verts_.size();
        DWORD kept = 0;
        for (Vertex& v : verts_)
            if (v.order == kNone) {
                v.order = kept++;
                v.target = -1;
            }
        out.order.resize(n);
        out.target.resize(n);
        out.facesRemoved.resize(n);
        for (size_t i = 0; i < n; ++i) {
            out.order[i] = verts_[i].order;
            out.target[i] = verts_[i].target >= 0 ? verts_[verts_[i].target].order : kNone;
            out.facesRemoved[i] = verts_[i].facesRemoved;
        }
        DWORD next = 0;
        out.faceOrder.resize(faces_.size());
        for (size_t f = 0; f < faces_.size(); ++f)
            out.faceOrder[f] = faces_[f].order == kNone ? next++ : faces_[f].order;
        out.collapsible = static_cast<DWORD>(n) - kept;
    }

    std::vector<Vertex> verts_;
    std::vector<Face> faces_;
    // Every vertex that may collapse with a cost other than NaN, at its
    // latest cost; older entries are skipped when they come up.
    std::priority_queue<Queued, std::vector<Queued>, Later> queue_;
    std::vector<DWORD> stamps_;
    int first_ = 0; // no vertex below it may collapse
    std::vector<Around> around_;
};

} // namespace

bool Simplify(const std::vector<D3DXVECTOR3>& positions, const std::vector<D3DXVECTOR3>& normals,
              const std::vector<std::array<DWORD, 3>>& faces, Result& out)
{
    if (faces.empty() || positions.empty() || normals.size() != positions.size()) return false;
    for (const auto& f : faces)
        for (DWORD i : f)
            if (i >= positions.size()) return false;
    Simplifier(positions, normals, faces).Run(out);
    return true;
}

} // namespace gmalod
