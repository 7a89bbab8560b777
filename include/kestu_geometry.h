// Small geometry value types: planes, 3D lines and segments, 2D quadrangles.
#pragma once
#include "d3dx8math.h"
#include "kestu_export.h"
#include "ou_geometry.h"

// The plane a*x + b*y + c*z + d = 0.
struct KESTU_API SGPlane {
    float a, b, c, d;

    SGPlane() {}
    float distance(const D3DXVECTOR3* p) const { return a * p->x + b * p->y + c * p->z + d; }
};

// A 3D line: origin, unit direction and the direction's reciprocals (kept so
// that points at a given coordinate need no division).
struct KESTU_API KESTULINE {
    D3DXVECTOR3 origin;
    D3DXVECTOR3 direction;
    D3DXVECTOR3 inverse;

    KESTULINE() {}
    KESTULINE(float x0, float y0, float z0, float x1, float y1, float z1) { Build(x0, y0, z0, x1, y1, z1); }

    void Build(float x0, float y0, float z0, float x1, float y1, float z1);
    void Normalize();
    int IsNormalized() const;

    void GetXY(float& x, float& y, float z) const;
    void GetYZ(float x, float& y, float& z) const;
    void GetZX(float& x, float y, float& z) const;

    int IsIntersect(const D3DXPLANE* plane) const;
    int GetIntersectPlane(const D3DXPLANE* plane, D3DXVECTOR3* hit, int normalized) const;
    int IntersectTriangle(const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c, D3DXVECTOR3* hit) const;
};

// A 3D segment: a line plus the distance from its origin to its end.
struct KESTU_API KESTUSEGMENT : KESTULINE {
    float length;

    KESTUSEGMENT() {}
    void Build(float x0, float y0, float z0, float x1, float y1, float z1);
    D3DXVECTOR3 GetEnd() const { return origin + length * direction; }
};

// A 2D quadrangle given by four corners; edge i runs from corner i to corner i+1.
class KESTU_API KestuQuadRangle2D {
public:
    KestuQuadRangle2D() {}
    ~KestuQuadRangle2D() {}

    long Build(const KESTUPOINT2& p0, const KESTUPOINT2& p1, const KESTUPOINT2& p2, const KESTUPOINT2& p3);
    int IsContain(const KESTUPOINT2& p) const { return IsContain(p.x, p.y); }
    int IsContain(float x, float y) const;
    // -1 when no corner of r lies inside, 1 when all four do, 0 otherwise.
    int IsBound(const KESTURECT2& r) const;

    KESTULINE2* GetEdge() { return m_Edges; }
    const KESTULINE2* GetEdgeList() const { return m_Edges; }
    KESTUPOINT2* GerCorner() { return m_Corners; }
    const KESTUPOINT2* GerCornerList() const { return m_Corners; }

private:
    KESTULINE2 m_Edges[4];
    KESTUPOINT2 m_Corners[4];
};

// The largest integer not greater than the value.
KESTU_API int FloorToInt(float value);
