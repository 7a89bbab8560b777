#include "kestu_geometry.h"

#include <cmath>
#include <cstdint>

namespace {
constexpr float kTolerance = 0.001f;

D3DXVECTOR3 Reciprocal(const D3DXVECTOR3& v)
{
    // A zero component yields an infinite reciprocal on purpose.
    return D3DXVECTOR3(1.0f / v.x, 1.0f / v.y, 1.0f / v.z);
}
} // namespace

void KESTULINE::Build(float x0, float y0, float z0, float x1, float y1, float z1)
{
    origin = D3DXVECTOR3(x0, y0, z0);
    D3DXVECTOR3 d(x1 - x0, y1 - y0, z1 - z0);
    D3DXVec3Normalize(&direction, &d);
    inverse = Reciprocal(direction);
}

void KESTULINE::Normalize() { D3DXVec3Normalize(&direction, &direction); }

int KESTULINE::IsNormalized() const { return std::fabs(D3DXVec3Length(&direction) - 1.0f) < kTolerance ? 1 : 0; }

void KESTULINE::GetXY(float& x, float& y, float z) const
{
    float t = (z - origin.z) * inverse.z;
    x = origin.x + t * direction.x;
    y = origin.y + t * direction.y;
}

void KESTULINE::GetYZ(float x, float& y, float& z) const
{
    float t = (x - origin.x) * inverse.x;
    y = origin.y + t * direction.y;
    z = origin.z + t * direction.z;
}

void KESTULINE::GetZX(float& x, float y, float& z) const
{
    float t = (y - origin.y) * inverse.y;
    x = origin.x + t * direction.x;
    z = origin.z + t * direction.z;
}

int KESTULINE::IsIntersect(const D3DXPLANE* plane) const
{
    float denom = plane->a * direction.x + plane->b * direction.y + plane->c * direction.z;
    return std::fabs(denom) >= kTolerance ? 1 : 0;
}

int KESTULINE::GetIntersectPlane(const D3DXPLANE* plane, D3DXVECTOR3* hit, int normalized) const
{
    D3DXPLANE p = *plane;
    if (!normalized) D3DXPlaneNormalize(&p, plane);
    float denom = p.a * direction.x + p.b * direction.y + p.c * direction.z;
    if (std::fabs(denom) <= kTolerance) return 0;
    float s = -(p.a * origin.x + p.b * origin.y + p.c * origin.z + p.d) / denom;
    *hit = origin + s * direction;
    return 1;
}

int KESTULINE::IntersectTriangle(const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c,
                                 D3DXVECTOR3* hit) const
{
    D3DXVECTOR3 e1 = *b - *a;
    D3DXVECTOR3 e2 = *c - *b;
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &e1, &e2);
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &cross);

    float denom = D3DXVec3Dot(&n, &direction);
    if (std::fabs(denom) < kTolerance) return 0;
    D3DXVECTOR3 toA = *a - origin;
    float t = D3DXVec3Dot(&toA, &n) / denom;
    D3DXVECTOR3 h = origin + t * direction;
    *hit = h;

    // Project onto the plane of the two axes where the triangle is largest.
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    int u, v;
    if (ax > ay && ax > az) {
        u = 1;
        v = 2;
    } else if (ay > ax && ay > az) {
        u = 0;
        v = 2;
    } else {
        u = 0;
        v = 1;
    }
    const D3DXVECTOR3 A = *a - h, B = *b - h, C = *c - h;
    auto at = [](const D3DXVECTOR3& p, int i) { return i == 0 ? p.x : (i == 1 ? p.y : p.z); };
    float s1 = at(B, u) * at(A, v) - at(B, v) * at(A, u);
    float s2 = at(C, v) * at(A, u) - at(C, u) * at(A, v);
    float s3 = at(C, u) * at(B, v) - at(C, v) * at(B, u);
    if (s1 >= -kTolerance && s2 >= -kTolerance && s3 >= -kTolerance) return 1;
    if (s1 <= kTolerance && s2 <= kTolerance && s3 <= kTolerance) return 1;
    return 0;
}

void KESTUSEGMENT::Build(float x0, float y0, float z0, float x1, float y1, float z1)
{
    origin = D3DXVECTOR3(x0, y0, z0);
    D3DXVECTOR3 v(x1 - x0, y1 - y0, z1 - z0);
    length = D3DXVec3Length(&v);
    direction = v * (1.0f / length);
    inverse = Reciprocal(direction);
}

long KestuQuadRangle2D::Build(const KESTUPOINT2& p0, const KESTUPOINT2& p1, const KESTUPOINT2& p2,
                              const KESTUPOINT2& p3)
{
    m_Corners[0] = p0;
    m_Corners[1] = p1;
    m_Corners[2] = p2;
    m_Corners[3] = p3;
    for (int i = 0; i < 4; ++i) {
        const KESTUPOINT2& from = m_Corners[i];
        const KESTUPOINT2& to = m_Corners[(i + 1) % 4];
        m_Edges[i].Build(from.x, from.y, to.x, to.y);
    }
    return 0;
}

int KestuQuadRangle2D::IsContain(float x, float y) const
{
    for (const KESTULINE2& e : m_Edges) {
        if (e.a * x + e.b * y + e.c > 0.0f) return 0;
    }
    return 1;
}

int KestuQuadRangle2D::IsBound(const KESTURECT2& r) const
{
    const KESTUPOINT2 corners[4] = {{r.left, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.right, r.top}};
    int inside = 0;
    for (const KESTUPOINT2& p : corners) inside += IsContain(p);
    if (inside == 0) return -1;
    return inside == 4 ? 1 : 0;
}

int FloorToInt(float value)
{
    // Out-of-range and NaN values would make the conversion undefined.
    if (!(value == value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value < -2147483648.0f) return INT32_MIN;
    int t = static_cast<int>(value);
    if (value < 0.0f && static_cast<float>(t) > value) --t;
    return t;
}
