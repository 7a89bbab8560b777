#include "kestu_intersect.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <vector>

#include "kestu_log.h"

namespace {

float Axis(const D3DXVECTOR3& v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }
float& Axis(D3DXVECTOR3& v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 r;
    D3DXVec3Cross(&r, &a, &b);
    return r;
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return D3DXVec3Dot(&a, &b); }

const D3DXVECTOR3& At(const D3DXVECTOR3* base, DWORD stride, DWORD index)
{
    return *reinterpret_cast<const D3DXVECTOR3*>(reinterpret_cast<const BYTE*>(base) + size_t(index) * stride);
}

D3DXVECTOR3& At(D3DXVECTOR3* base, DWORD stride, DWORD index)
{
    return *reinterpret_cast<D3DXVECTOR3*>(reinterpret_cast<BYTE*>(base) + size_t(index) * stride);
}

DWORD IndexAt(const SFacesList& faces, size_t i)
{
    if (faces.format == D3DFMT_INDEX16) return static_cast<const WORD*>(faces.indices)[i];
    return static_cast<const DWORD*>(faces.indices)[i];
}

// Culling and parallel rejection shared by the two face tests; returns the
// denominator's validity.
bool AcceptFace(float denom, D3DCULL cull)
{
    if (denom == 0.0f) return false;
    if (cull == D3DCULL_CCW && denom >= 0.0f) return false;
    if (cull == D3DCULL_CW && denom <= 0.0f) return false;
    return true;
}

// p lies on the line through u and v (as seen from p): 0 between them, 1 beyond.
int OnEdge(const D3DXVECTOR3& U, const D3DXVECTOR3& V) { return Dot(U, V) <= 0.0f ? 0 : 1; }

} // namespace

int GfxPointInTriangle(const D3DXVECTOR3* p, const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                       float tolerance)
{
    D3DXVECTOR3 n = Cross(*b - *a, *c - *b);
    D3DXVECTOR3 A = *a - *p, B = *b - *p, C = *c - *p;
    float d[3] = {Dot(n, Cross(A, B)), Dot(n, Cross(B, C)), Dot(n, Cross(C, A))};
    for (float& v : d) {
        if (v >= -tolerance && v <= tolerance) v = 0.0f;
    }
    if (d[0] == 0.0f) {
        if (d[1] == 0.0f && d[2] == 0.0f) return 0;
        return OnEdge(A, B);
    }
    if (d[1] == 0.0f) return OnEdge(B, C);
    if (d[2] == 0.0f) return OnEdge(C, A);
    bool allPositive = d[0] > 0.0f && d[1] > 0.0f && d[2] > 0.0f;
    bool allNegative = d[0] < 0.0f && d[1] < 0.0f && d[2] < 0.0f;
    return allPositive || allNegative ? -1 : 1;
}

int GfxLineIntersectFace(float* t, D3DXVECTOR3* hit, const D3DXVECTOR3* origin, const D3DXVECTOR3* direction,
                         const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c, const D3DXVECTOR3* normal,
                         D3DCULL cull)
{
    float localT;
    D3DXVECTOR3 localHit;
    if (!t) t = &localT;
    if (!hit) hit = &localHit;

    D3DXVECTOR3 n = normal ? *normal : Cross(*b - *a, *c - *b);
    float denom = Dot(n, *direction);
    if (!AcceptFace(denom, cull)) return 0;
    *t = Dot(*a - *origin, n) / denom;
    if (*t < 0.0f || *t > 1.0f) return 0;
    *hit = *origin + *t * *direction;
    return 1;
}

int GfxLineIntersectTriangle(float* t, D3DXVECTOR3* hit, const D3DXVECTOR3* origin, const D3DXVECTOR3* direction,
                             const SBoundBox* segmentBox, const D3DXVECTOR3* a, const D3DXVECTOR3* b,
                             const D3DXVECTOR3* c, const D3DXVECTOR3* normal, D3DCULL cull, float tolerance)
{
    float localT;
    D3DXVECTOR3 localHit;
    if (!t) t = &localT;
    if (!hit) hit = &localHit;

    SBoundBox tri;
    tri.Reset();
    tri.AddPoint(a);
    tri.AddPoint(b);
    tri.AddPoint(c);
    SBoundBox seg;
    if (!segmentBox) {
        seg.Reset();
        D3DXVECTOR3 end = *origin + *direction;
        seg.AddPoint(origin);
        seg.AddPoint(&end);
        segmentBox = &seg;
    }
    for (int i = 0; i < 3; ++i) {
        if (Axis(tri.max, i) < Axis(segmentBox->min, i) || Axis(segmentBox->max, i) < Axis(tri.min, i)) return 0;
    }

    D3DXVECTOR3 e1 = *b - *a, e2 = *c - *b;
    D3DXVECTOR3 cross = Cross(e1, e2);
    D3DXVECTOR3 n = normal ? *normal : cross;
    float denom = Dot(n, *direction);
    if (!AcceptFace(denom, cull)) return 0;
    *t = Dot(*a - *origin, n) / denom;
    if (*t < 0.0f || *t > 1.0f) return 0;
    D3DXVECTOR3 h = *origin + *t * *direction;
    *hit = h;

    float ax = std::fabs(cross.x), ay = std::fabs(cross.y), az = std::fabs(cross.z);
    int u, v;
    if (ax >= ay && ax >= az) {
        u = 1;
        v = 2;
    } else if (ay >= ax && ay >= az) {
        u = 0;
        v = 2;
    } else {
        u = 0;
        v = 1;
    }
    D3DXVECTOR3 A = *a - h, B = *b - h, C = *c - h;
    float s[3] = {
        Axis(B, u) * Axis(A, v) - Axis(B, v) * Axis(A, u),
        Axis(A, u) * Axis(C, v) - Axis(A, v) * Axis(C, u),
        Axis(C, u) * Axis(B, v) - Axis(C, v) * Axis(B, u),
    };
    bool below = false, above = false;
    for (float x : s) {
        below |= x < -tolerance;
        above |= x > tolerance;
    }
    return below && above ? 0 : 1;
}

int GfxLineIntersectTriList(DWORD* nearFace, float* nearT, DWORD* farFace, float* farT, const D3DXVECTOR3* origin,
                            const D3DXVECTOR3* direction, const D3DXVECTOR3* vertices, DWORD stride,
                            const SFacesList* faces, D3DCULL cull, float tolerance)
{
    SBoundBox seg;
    seg.Reset();
    D3DXVECTOR3 end = *origin + *direction;
    seg.AddPoint(origin);
    seg.AddPoint(&end);

    const bool wantAny = !nearFace && !nearT && !farFace && !farT;
    float bestNear = FLT_MAX, bestFar = -FLT_MAX;
    DWORD nearIndex = 0, farIndex = 0;
    bool hitAny = false;
    for (DWORD f = 0; f < faces->count; ++f) {
        const D3DXVECTOR3& a = At(vertices, stride, IndexAt(*faces, size_t(f) * 3));
        const D3DXVECTOR3& b = At(vertices, stride, IndexAt(*faces, size_t(f) * 3 + 1));
        const D3DXVECTOR3& c = At(vertices, stride, IndexAt(*faces, size_t(f) * 3 + 2));
        float t;
        if (!GfxLineIntersectTriangle(&t, nullptr, origin, direction, &seg, &a, &b, &c, nullptr, cull, tolerance))
            continue;
        hitAny = true;
        if (wantAny) break;
        if (t < bestNear) {
            bestNear = t;
            nearIndex = f;
        }
        if (t > bestFar) {
            bestFar = t;
            farIndex = f;
        }
    }
    if (nearFace) *nearFace = nearIndex;
    if (nearT) *nearT = bestNear;
    if (farFace) *farFace = farIndex;
    if (farT) *farT = bestFar;
    return hitAny ? 1 : 0;
}

int GfxLineClipByRect(const KESTURECT2& rect, float& x0, float& y0, float& x1, float& y1)
{
    auto code = [&rect](float x, float y) {
        int c = 0;
        if (x < rect.left)
            c |= 4;
        else if (x > rect.right)
            c |= 8;
        if (y < rect.bottom)
            c |= 2;
        else if (y > rect.top)
            c |= 1;
        return c;
    };
    const float dx = x1 - x0, dy = y1 - y0;
    int c0 = code(x0, y0), c1 = code(x1, y1);
    // Each step puts one end point on a boundary it was outside of, so four
    // steps per end point always settle it.
    for (int guard = 0; guard < 16; ++guard) {
        if ((c0 | c1) == 0) return 1;
        if (c0 & c1) return 0;
        const bool first = c0 != 0;
        const int c = first ? c0 : c1;
        float x, y;
        if (c & 4) {
            x = rect.left;
            y = y0 + (x - x0) * dy / dx;
        } else if (c & 8) {
            x = rect.right;
            y = y0 + (x - x0) * dy / dx;
        } else if (c & 2) {
            y = rect.bottom;
            x = x0 + (y - y0) * dx / dy;
        } else {
            y = rect.top;
            x = x0 + (y - y0) * dx / dy;
        }
        if (first) {
            x0 = x;
            y0 = y;
            c0 = code(x0, y0);
        } else {
            x1 = x;
            y1 = y;
            c1 = code(x1, y1);
        }
    }
    return 0;
}

int GfxLineClipByBox(const SBoundBox& box, D3DXVECTOR3& p0, D3DXVECTOR3& p1)
{
    auto code = [&box](const D3DXVECTOR3& p) {
        int c = 0;
        if (p.x < box.min.x)
            c |= 4;
        else if (p.x > box.max.x)
            c |= 8;
        if (p.y < box.min.y)
            c |= 2;
        else if (p.y > box.max.y)
            c |= 1;
        if (p.z < box.min.z)
            c |= 0x20;
        else if (p.z > box.max.z)
            c |= 0x10;
        return c;
    };
    const D3DXVECTOR3 d = p1 - p0;
    const D3DXVECTOR3 step[3] = {
        D3DXVECTOR3(1.0f, d.y / d.x, d.z / d.x),
        D3DXVECTOR3(d.x / d.y, 1.0f, d.z / d.y),
        D3DXVECTOR3(d.x / d.z, d.y / d.z, 1.0f),
    };
    struct Bit {
        int mask;
        int axis;
        bool low;
    };
    static constexpr Bit kOrder[6] = {{4, 0, true},  {8, 0, false},   {2, 1, true},
                                      {1, 1, false}, {0x20, 2, true}, {0x10, 2, false}};
    int c0 = code(p0), c1 = code(p1);
    for (int guard = 0; guard < 24; ++guard) {
        if ((c0 | c1) == 0) return 1;
        if (c0 & c1) return 0;
        const bool first = c0 != 0;
        const int c = first ? c0 : c1;
        const Bit* bit = kOrder;
        while (!(c & bit->mask)) ++bit;
        const float plane = Axis(bit->low ? box.min : box.max, bit->axis);
        D3DXVECTOR3 moved = p0 + (plane - Axis(p0, bit->axis)) * step[bit->axis];
        D3DXVECTOR3& target = first ? p0 : p1;
        if (moved == target) return 0;
        target = moved;
        (first ? c0 : c1) = code(target);
    }
    return 0;
}

namespace {

struct WeldContext {
    const D3DXVECTOR3* positions;
    DWORD positionStride;
    const D3DXVECTOR3* normals;
    DWORD normalStride;
    float positionTolerance;
    float angle;
};

// Orders vertices by position (larger first, equal within the tolerance), then
// by the angles of their normals (larger after, equal within the angle).
int CompareWeldVertices(const WeldContext& ctx, DWORD i, DWORD j)
{
    const D3DXVECTOR3& pi = At(ctx.positions, ctx.positionStride, i);
    const D3DXVECTOR3& pj = At(ctx.positions, ctx.positionStride, j);
    for (int k = 0; k < 3; ++k) {
        float a = Axis(pi, k), b = Axis(pj, k);
        if (std::fabs(a - b) <= ctx.positionTolerance) continue;
        return a > b ? -1 : 1;
    }
    D3DXVECTOR3 ni, nj;
    D3DXVec3Normalize(&ni, &At(ctx.normals, ctx.normalStride, i));
    D3DXVec3Normalize(&nj, &At(ctx.normals, ctx.normalStride, j));
    for (int k = 0; k < 3; ++k) {
        float a = std::acos(std::fmax(-1.0f, std::fmin(1.0f, Axis(ni, k))));
        float b = std::acos(std::fmax(-1.0f, std::fmin(1.0f, Axis(nj, k))));
        if (std::fabs(a - b) <= ctx.angle) continue;
        return a > b ? 1 : -1;
    }
    return 0;
}

// A merge sort: the comparison above is not a strict weak ordering (it has
// tolerances), which a merge sort tolerates without leaving its bounds.
void SortWeld(std::vector<DWORD>& v, const WeldContext& ctx)
{
    std::vector<DWORD> tmp(v.size());
    for (size_t width = 1; width < v.size(); width *= 2) {
        for (size_t lo = 0; lo < v.size(); lo += 2 * width) {
            size_t mid = std::min(lo + width, v.size()), hi = std::min(lo + 2 * width, v.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) tmp[k++] = CompareWeldVertices(ctx, v[j], v[i]) < 0 ? v[j++] : v[i++];
            while (i < mid) tmp[k++] = v[i++];
            while (j < hi) tmp[k++] = v[j++];
        }
        v.swap(tmp);
    }
}

} // namespace

long GfxCalcVerNormalByFaces(D3DXVECTOR3* normals, DWORD normalStride, const D3DXVECTOR3* positions,
                             DWORD positionStride, const SFacesList* faces, int weld, float positionTolerance,
                             float angle)
{
    if (!faces || (faces->format != D3DFMT_INDEX16 && faces->format != D3DFMT_INDEX32)) return KESTUERR_INVALIDPARAM;
    if (!(angle >= 0.0f && angle <= 3.1415927f)) return KESTUERR_INVALIDPARAM;
    if (faces->count == 0) return 0;

    std::vector<D3DXVECTOR3> faceNormals;
    std::vector<DWORD> vertices;
    try {
        faceNormals.resize(faces->count);
        vertices.resize(size_t(faces->count) * 3);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    for (DWORD f = 0; f < faces->count; ++f) {
        const D3DXVECTOR3& p0 = At(positions, positionStride, IndexAt(*faces, size_t(f) * 3));
        const D3DXVECTOR3& p1 = At(positions, positionStride, IndexAt(*faces, size_t(f) * 3 + 1));
        const D3DXVECTOR3& p2 = At(positions, positionStride, IndexAt(*faces, size_t(f) * 3 + 2));
        D3DXVECTOR3 n = Cross(p1 - p0, p2 - p1);
        D3DXVec3Normalize(&faceNormals[f], &n);
    }

    for (size_t i = 0; i < vertices.size(); ++i) vertices[i] = IndexAt(*faces, i);
    std::sort(vertices.begin(), vertices.end());
    vertices.erase(std::unique(vertices.begin(), vertices.end()), vertices.end());

    for (DWORD v : vertices) At(normals, normalStride, v) = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    for (size_t i = 0; i < size_t(faces->count) * 3; ++i)
        At(normals, normalStride, IndexAt(*faces, i)) += faceNormals[i / 3];
    if (!weld) return 0;

    const WeldContext ctx{positions, positionStride, normals, normalStride, positionTolerance, angle};
    SortWeld(vertices, ctx);

    const float cosAngle = std::cos(angle);
    size_t groupStart = 0;
    D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
    auto closeGroup = [&](size_t end) {
        D3DXVECTOR3 unit;
        D3DXVec3Normalize(&unit, &sum);
        for (size_t k = groupStart; k < end; ++k) At(normals, normalStride, vertices[k]) = unit;
    };
    for (size_t i = 0; i < vertices.size(); ++i) {
        D3DXVECTOR3& n = At(normals, normalStride, vertices[i]);
        D3DXVec3Normalize(&n, &n);
        if (i > 0) {
            const D3DXVECTOR3& prevN = At(normals, normalStride, vertices[i - 1]);
            const D3DXVECTOR3& p = At(positions, positionStride, vertices[i]);
            const D3DXVECTOR3& q = At(positions, positionStride, vertices[i - 1]);
            bool samePlace = std::fabs(p.x - q.x) < positionTolerance && std::fabs(p.y - q.y) < positionTolerance &&
                             std::fabs(p.z - q.z) < positionTolerance;
            if (samePlace && Dot(n, prevN) > cosAngle) {
                sum += n;
                continue;
            }
            closeGroup(i);
        }
        groupStart = i;
        sum = n;
    }
    closeGroup(vertices.size());
    return 0;
}
