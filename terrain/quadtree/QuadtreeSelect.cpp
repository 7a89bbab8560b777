// CQuadtree selection: one recursion for every query shape, and the node
// tests against each shape (2D shapes on the rectangle and corners, 3D ones
// on the bounding sphere).
#include <cfloat>

#include "kestu_quadtree.h"

namespace {

constexpr float kBig = 3.4028235e38f;

// The rectangle test shared by the 2D shapes: no overlap is outside.
bool Overlaps(const KESTURECT2& node, const KESTURECT2& bound) { return node.IsIntersect(bound) != 0; }

KESTURECT2 BoundOf(const KESTUPOINT2* points, DWORD count)
{
    KESTURECT2 r(kBig, -kBig, -kBig, kBig);
    for (DWORD i = 0; i < count; ++i) r.UpdateBoundRect(&points[i]);
    return r;
}

// A shape edge from a to b against the horizontal node edge z = v from p to q
// (swap the axes for a vertical one): the edge's ends strictly on both sides
// of v, and p and q strictly on both sides of the edge's line.
bool CrossesEdge(float a_across, float b_across, float v, const KESTULINE2& line, const KESTUPOINT2& p,
                 const KESTUPOINT2& q)
{
    if (!((a_across < v && b_across > v) || (a_across > v && b_across < v))) return false;
    const float dp = line.Distance(p), dq = line.Distance(q);
    return (dp < 0.0f && dq > 0.0f) || (dp > 0.0f && dq < 0.0f);
}

enum class InsideRule { StrictEdges, HalfOpenRect };

// The shared triangle, quadrangle and convex-polygon test, after the null
// checks: lines hold one edge line per vertex (edge i from vertex i to i + 1).
ENUM_QT_SELECT_RESULT PolygonTest(const KESTURECT2& rect, const D3DXVECTOR3* corners, const KESTUPOINT2* points,
                                  const KESTULINE2* lines, DWORD count, const KESTURECT2& bound, InsideRule rule)
{
    if (!Overlaps(rect, bound)) return QT_SELECT_OUTSIDE;
    int outside = 0;
    for (int k = 0; k < 4; ++k) {
        for (DWORD i = 0; i < count; ++i) {
            if (lines[i].Distance(corners[k].x, corners[k].z) >= 0.0f) {
                ++outside;
                break;
            }
        }
    }
    if (outside == 0) return QT_SELECT_INSIDE;
    if (outside < 4) return QT_SELECT_PARTIAL;

    if (rule == InsideRule::StrictEdges) {
        KESTULINE2 edges[4];
        static constexpr int kWalk[5] = {0, 3, 2, 1, 0};
        for (int e = 0; e < 4; ++e)
            edges[e].Build(corners[kWalk[e]].x, corners[kWalk[e]].z, corners[kWalk[e + 1]].x, corners[kWalk[e + 1]].z);
        for (DWORD i = 0; i < count; ++i) {
            bool in = true;
            for (const KESTULINE2& edge : edges) in = in && edge.Distance(points[i]) < 0.0f;
            if (in) return QT_SELECT_PARTIAL;
        }
    } else {
        for (DWORD i = 0; i < count; ++i) {
            const KESTUPOINT2& p = points[i];
            if (rect.left <= p.x && p.x < rect.right && rect.bottom <= p.z && p.z < rect.top) return QT_SELECT_PARTIAL;
        }
    }

    const KESTUPOINT2 c[4] = {{corners[0].x, corners[0].z},
                              {corners[1].x, corners[1].z},
                              {corners[2].x, corners[2].z},
                              {corners[3].x, corners[3].z}};
    for (DWORD i = 0; i < count; ++i) {
        const KESTUPOINT2& a = points[i];
        const KESTUPOINT2& b = points[(i + 1) % count];
        const KESTULINE2& line = lines[i];
        if (CrossesEdge(a.z, b.z, rect.bottom, line, c[0], c[1]) ||
            CrossesEdge(a.x, b.x, rect.right, line, c[1], c[2]) || CrossesEdge(a.z, b.z, rect.top, line, c[2], c[3]) ||
            CrossesEdge(a.x, b.x, rect.left, line, c[3], c[0]))
            return QT_SELECT_PARTIAL;
    }
    return QT_SELECT_OUTSIDE;
}

// Triangle and quadrangle: missing lines and bound are built from the points.
template <DWORD N>
ENUM_QT_SELECT_RESULT FixedPolygonTest(const KESTURECT2& rect, const D3DXVECTOR3* corners, const KESTUPOINT2* points,
                                       const KESTULINE2* lines, const KESTURECT2* bound, InsideRule rule)
{
    if (!points) return QT_SELECT_INSIDE;
    KESTULINE2 built[N];
    if (!lines) {
        for (DWORD i = 0; i < N; ++i) built[i].Build(points[i], points[(i + 1) % N]);
        lines = built;
    }
    const KESTURECT2 box = bound ? *bound : BoundOf(points, N);
    return PolygonTest(rect, corners, points, lines, N, box, rule);
}

} // namespace

template <class Test, class Recurse>
DWORD CQuadtree::SelectWith(void* context, Test&& test, Recurse&& recurse)
{
    const ENUM_QT_SELECT_RESULT r = test(this);
    if (r == QT_SELECT_OUTSIDE) {
        m_bSelected = 0;
        return 0;
    }
    if (r != QT_SELECT_PARTIAL && r != QT_SELECT_INSIDE) return 0;
    m_bSelected = 1;
    const int whole = r == QT_SELECT_INSIDE;
    if (IsLeaf()) {
        OnSelect(context, whole);
        return 1;
    }
    DWORD count = 0;
    for (CQuadtree* child : m_pChildren) {
        if (!child) continue;
        count += whole ? child->SelectAll(context) : recurse(child);
    }
    return count;
}

DWORD CQuadtree::SelectAll(void* context)
{
    m_bSelected = 1;
    if (IsLeaf()) {
        OnSelect(context, 1);
        return 1;
    }
    DWORD count = 0;
    for (CQuadtree* child : m_pChildren)
        if (child) count += child->SelectAll(context);
    return count;
}

// ---- tests ----

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByPoint(float x, float z, void*)
{
    const bool in = m_Rect.left < x && x < m_Rect.right && m_Rect.bottom < z && z < m_Rect.top;
    return in ? QT_SELECT_PARTIAL : QT_SELECT_OUTSIDE;
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByRect(const KESTURECT2* rect, void*)
{
    if (!rect) return QT_SELECT_INSIDE;
    if (!Overlaps(m_Rect, *rect)) return QT_SELECT_OUTSIDE;
    const bool within = rect->left <= m_Rect.left && rect->bottom <= m_Rect.bottom && m_Rect.right <= rect->right &&
                        m_Rect.top <= rect->top;
    return within ? QT_SELECT_INSIDE : QT_SELECT_PARTIAL;
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByCircle(const SBoundCircle* circle, const KESTURECT2* bound, void*)
{
    const float r = circle->radius;
    const KESTURECT2 box = bound ? *bound : KESTURECT2(circle->x - r, circle->y + r, circle->x + r, circle->y - r);
    if (!Overlaps(m_Rect, box)) return QT_SELECT_OUTSIDE;
    const float dx = m_Sphere.center.x - circle->x;
    const float dz = m_Sphere.center.z - circle->y;
    const float d2 = dx * dx + dz * dz;
    const float rs = m_Sphere.radius;
    const float sum = rs + r, diff = rs - r;
    if (d2 > sum * sum) return QT_SELECT_OUTSIDE;
    if (d2 <= diff * diff && rs <= r) return QT_SELECT_INSIDE;
    return QT_SELECT_PARTIAL;
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByTriangle(const KESTUPOINT2* points3, const KESTULINE2* lines3,
                                                      const KESTURECT2* bound, void*)
{
    return FixedPolygonTest<3>(m_Rect, m_vCorners, points3, lines3, bound, InsideRule::StrictEdges);
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByQuadrangle(const KESTUPOINT2* points4, const KESTULINE2* lines4,
                                                        const KESTURECT2* bound, void*)
{
    return FixedPolygonTest<4>(m_Rect, m_vCorners, points4, lines4, bound, InsideRule::HalfOpenRect);
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByConvexPolygon(const KESTULINE2* lines, const KESTUPOINT2* points,
                                                           DWORD count, const KESTURECT2* bound, void*)
{
    if (!lines) return QT_SELECT_INSIDE;
    if (count == 0 || !points) return QT_SELECT_OUTSIDE;
    const KESTURECT2 box = bound ? *bound : BoundOf(points, count);
    return PolygonTest(m_Rect, m_vCorners, points, lines, count, box, InsideRule::StrictEdges);
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByLine(const KESTULINE* line, void*)
{
    return m_Sphere.IntersectLine(line) == 1 ? QT_SELECT_PARTIAL : QT_SELECT_OUTSIDE;
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestBySphere(const SBoundSphere* sphere, void*)
{
    const int r = sphere->IntersectSphere(&m_Sphere);
    if (r == -1) return QT_SELECT_OUTSIDE;
    return r == 1 ? QT_SELECT_INSIDE : QT_SELECT_PARTIAL;
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByBox(const SBoundBox* box, void*)
{
    const int r = box->IntersectSphere(&m_Sphere);
    if (r == -1) return QT_SELECT_OUTSIDE;
    return r == 1 ? QT_SELECT_INSIDE : QT_SELECT_PARTIAL;
}

ENUM_QT_SELECT_RESULT CQuadtree::SelectTestByFrustum(const CFrustum* frustum, void*)
{
    const int r = frustum->IntersectSphere(&m_Sphere);
    if (r < 0) return QT_SELECT_OUTSIDE;
    return r > 0 ? QT_SELECT_INSIDE : QT_SELECT_PARTIAL;
}

// ---- selections ----

DWORD CQuadtree::SelectSubTreeByPoint(float x, float z, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByPoint(x, z, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByPoint(x, z, context); });
}

DWORD CQuadtree::SelectSubTreeByRect(const KESTURECT2* rect, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByRect(rect, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByRect(rect, context); });
}

DWORD CQuadtree::SelectSubTreeByCircle(const SBoundCircle* circle, const KESTURECT2* bound, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByCircle(circle, bound, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByCircle(circle, bound, context); });
}

DWORD CQuadtree::SelectSubTreeByTriangle(const KESTUPOINT2* points3, const KESTULINE2* lines3, const KESTURECT2* bound,
                                         void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByTriangle(points3, lines3, bound, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByTriangle(points3, lines3, bound, context); });
}

DWORD CQuadtree::SelectSubTreeByQuadrangle(const KESTUPOINT2* points4, const KESTULINE2* lines4,
                                           const KESTURECT2* bound, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByQuadrangle(points4, lines4, bound, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByQuadrangle(points4, lines4, bound, context); });
}

DWORD CQuadtree::SelectSubTreeByConvexPolygon(const KESTULINE2* lines, const KESTUPOINT2* points, DWORD count,
                                              const KESTURECT2* bound, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByConvexPolygon(lines, points, count, bound, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByConvexPolygon(lines, points, count, bound, context); });
}

DWORD CQuadtree::SelectSubTreeByLine(const KESTULINE* line, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByLine(line, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByLine(line, context); });
}

DWORD CQuadtree::SelectSubTreeBySphere(const SBoundSphere* sphere, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestBySphere(sphere, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeBySphere(sphere, context); });
}

DWORD CQuadtree::SelectSubTreeByBox(const SBoundBox* box, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByBox(box, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByBox(box, context); });
}

DWORD CQuadtree::SelectSubTreeByFrustum(const CFrustum* frustum, void* context)
{
    return SelectWith(
        context, [&](CQuadtree* n) { return n->SelectTestByFrustum(frustum, context); },
        [&](CQuadtree* c) { return c->SelectSubTreeByFrustum(frustum, context); });
}
