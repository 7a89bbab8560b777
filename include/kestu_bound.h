// Bounding volumes: axis-aligned box, sphere, 2D circle and vertical column.
// The four-way tests answer -1 apart, 0 intersecting, 1 this holds the other,
// 2 the other holds this. In the 2D types a point (x, y) stands for world (x, z).
#pragma once
#include "kestu_export.h"
#include "kestu_geometry.h"

struct SBoundSphere;
struct SBoundCircle;
class CEye;

struct KESTU_API SBoundBox {
    D3DXVECTOR3 min;
    D3DXVECTOR3 max;

    SBoundBox() {}
    void Reset();
    void AddPoint(const D3DXVECTOR3* p);
    void AddBox(const SBoundBox* b);
    void AddSphere(const SBoundSphere* s);
    void GetCenter(D3DXVECTOR3& c) const { c = (min + max) * 0.5f; }
    int IsContain(const D3DXVECTOR3* p) const;
    int IsBound(const SBoundBox* b) const;
    int IsBound(const KESTULINE* l) const;
    int IsBound(const KESTUSEGMENT* s) const;
    SBoundBox* Transform(const D3DXMATRIX* m);
    int IntersectSphere(const SBoundSphere* s) const;
    // Behind-the-eye rejection: 1 when some corner lies in front of the eye.
    int TestVisible(CEye* eye) const;
};

struct KESTU_API SBoundSphere {
    D3DXVECTOR3 center;
    float radius = 0.0f;
    float radiusSq = 0.0f;

    SBoundSphere() {}
    void Reset()
    {
        radius = -1.0f;
        radiusSq = 0.0f;
    }
    int IsValid() const { return radius >= -0.001f ? 1 : 0; }
    void SetRadius(float r);
    void AddPoint(const D3DXVECTOR3* p);
    void AddSphere(const SBoundSphere* s);
    void AddBox(const SBoundBox* b);
    int IsContain(const D3DXVECTOR3* p) const;
    int Intersect2D(const KESTUPOINT2* p) const { return Intersect2D(p->x, p->y); }
    int Intersect2D(float x, float z) const;
    int Intersect2D(const SBoundCircle* c) const;
    int IntersectPlane(const D3DXPLANE* p) const;
    int IntersectPlane(const D3DXPLANE* p, int normalized) const;
    int IntersectLine(const KESTULINE* l) const;
    int IntersectSphere(const SBoundSphere* s) const;
};

struct KESTU_API SBoundCircle {
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
    float radiusSq = 0.0f;

    SBoundCircle() {}
    SBoundCircle(const KESTUPOINT2* centre, float r) : x(centre->x), y(centre->y) { SetRadius(r); }
    SBoundCircle(float cx, float cy, float r) : x(cx), y(cy) { SetRadius(r); }
    void SetRadius(float r);
    void AddPoint(const KESTUPOINT2* p) { AddPoint(p->x, p->y); }
    void AddPoint(float px, float py);
    void AddCircle(const SBoundCircle* c);
    void AddRect(const KESTURECT2* r);
    KESTURECT2* GetBoundRect(KESTURECT2* r) const;
    int IsBound(const SBoundCircle* c) const;
    int IsBound(float px, float py) const;
    int IsBound(const KESTUPOINT2* p) const { return IsBound(p->x, p->y); }
    int IsBound(const KESTULINE2* l) const;
    int IsBound(const KestuQuadRangle2D* q) const;
    int Intersect(const SBoundCircle* c) const;
};

// A vertical cylinder around the axis through (x, y) in world x/z, from bottom
// to top. The constructors that end in two floats take them as the height and
// the base, as InitHeight does.
struct KESTU_API SBoundColumn {
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
    float radiusSq = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;

    SBoundColumn() {}
    SBoundColumn(const KESTUPOINT2* centre, float r, float height, float base);
    SBoundColumn(float cx, float cy, float r, float height, float base);
    void SetRadius(float r);
    float GetHeight() const { return top - bottom; }
    void SetHeight(float h);
    void InitHeight(float h, float base);
    int IsBound(const D3DXVECTOR3* p) const;
    int IsBound(float px, float pz, float height) const;
    int IsBound(const SBoundColumn* c) const;
    int IsBound(const SBoundBox* b) const;
    int IsBound(const KESTULINE* l) const;
    SBoundBox* GetBoundBox(SBoundBox* b) const;
};
