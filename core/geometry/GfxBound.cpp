#include "kestu_bound.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "kestu_eye.h"
#include "kestu_intersect.h"

namespace {

float RadiusSquared(float r) { return r > 0.0f ? r * r : 0.0f; }

void BoxCorners(const SBoundBox& b, D3DXVECTOR3 out[8])
{
    const D3DXVECTOR3& lo = b.min;
    const D3DXVECTOR3& hi = b.max;
    out[0] = lo;
    out[1] = hi;
    out[2] = D3DXVECTOR3(hi.x, lo.y, lo.z);
    out[3] = D3DXVECTOR3(lo.x, hi.y, lo.z);
    out[4] = D3DXVECTOR3(lo.x, lo.y, hi.z);
    out[5] = D3DXVECTOR3(hi.x, hi.y, lo.z);
    out[6] = D3DXVECTOR3(hi.x, lo.y, hi.z);
    out[7] = D3DXVECTOR3(lo.x, hi.y, hi.z);
}

// Shared by circles and spheres seen from above.
int ClassifyCircles(float dSq, float r0, float r1)
{
    float sum = r0 + r1;
    if (dSq > sum * sum) return -1;
    float diff = r0 - r1;
    if (dSq <= diff * diff) return r1 < r0 ? 1 : 2;
    return 0;
}

} // namespace

// ---- SBoundBox ----

void SBoundBox::Reset()
{
    min = D3DXVECTOR3(FLT_MAX, FLT_MAX, FLT_MAX);
    max = D3DXVECTOR3(-FLT_MAX, -FLT_MAX, -FLT_MAX);
}

void SBoundBox::AddPoint(const D3DXVECTOR3* p)
{
    if (p->x > max.x) max.x = p->x;
    if (p->x <= min.x) min.x = p->x;
    if (p->y > max.y) max.y = p->y;
    if (p->y <= min.y) min.y = p->y;
    if (p->z > max.z) max.z = p->z;
    if (p->z <= min.z) min.z = p->z;
}

void SBoundBox::AddBox(const SBoundBox* b)
{
    AddPoint(&b->max);
    AddPoint(&b->min);
}

void SBoundBox::AddSphere(const SBoundSphere* s)
{
    const float r = s->radius;
    D3DXVECTOR3 hi = s->center + D3DXVECTOR3(r, r, r);
    D3DXVECTOR3 lo = s->center - D3DXVECTOR3(r, r, r);
    AddPoint(&hi);
    AddPoint(&lo);
}

int SBoundBox::IsContain(const D3DXVECTOR3* p) const
{
    return min.x < p->x && p->x < max.x && min.y < p->y && p->y < max.y && min.z < p->z && p->z < max.z ? 1 : 0;
}

int SBoundBox::IsBound(const SBoundBox* b) const
{
    return min.x < b->max.x && b->min.x < max.x && min.y < b->max.y && b->min.y < max.y && min.z < b->max.z &&
                   b->min.z < max.z
               ? 1
               : 0;
}

int SBoundBox::IsBound(const KESTULINE* l) const
{
    return D3DXBoxBoundProbe(&min, &max, &l->origin, &l->direction) ? 1 : 0;
}

int SBoundBox::IsBound(const KESTUSEGMENT* s) const
{
    D3DXVECTOR3 p0 = s->origin;
    D3DXVECTOR3 p1 = s->origin + s->length * s->direction;
    return GfxLineClipByBox(*this, p0, p1);
}

SBoundBox* SBoundBox::Transform(const D3DXMATRIX* m)
{
    D3DXVECTOR3 corners[8];
    BoxCorners(*this, corners);
    Reset();
    for (D3DXVECTOR3& c : corners) {
        D3DXVECTOR3 t;
        D3DXVec3TransformCoord(&t, &c, m);
        AddPoint(&t);
    }
    return this;
}

int SBoundBox::IntersectSphere(const SBoundSphere* s) const
{
    const D3DXVECTOR3& c = s->center;
    const float r = s->radius;
    if (!IsContain(&c)) {
        if (c.x - max.x > r || c.y - max.y > r || c.z - max.z > r || min.x - c.x > r || min.y - c.y > r ||
            min.z - c.z > r)
            return -1;
    } else if (r <= c.x - min.x && r <= c.y - min.y && r <= c.z - min.z && r <= max.x - c.x && r <= max.y - c.y &&
               r <= max.z - c.z) {
        return 1;
    }
    D3DXVECTOR3 corners[8];
    BoxCorners(*this, corners);
    for (const D3DXVECTOR3& corner : corners) {
        if (!s->IsContain(&corner)) return 0;
    }
    return 2;
}

int SBoundBox::TestVisible(CEye* eye) const
{
    D3DXVECTOR3 corners[8];
    BoxCorners(*this, corners);
    for (const D3DXVECTOR3& corner : corners) {
        if (eye->IsInFront(&corner)) return 1;
    }
    return 0;
}

// ---- SBoundSphere ----

void SBoundSphere::SetRadius(float r)
{
    radius = r;
    radiusSq = RadiusSquared(r);
}

void SBoundSphere::AddPoint(const D3DXVECTOR3* p)
{
    if (!IsValid()) {
        center = *p;
        radius = 0.0f;
        radiusSq = 0.0f;
        return;
    }
    D3DXVECTOR3 d = *p - center;
    float dSq = D3DXVec3LengthSq(&d);
    if (dSq > radiusSq) {
        radiusSq = dSq;
        radius = std::sqrt(dSq);
    }
}

void SBoundSphere::AddSphere(const SBoundSphere* s)
{
    if (!IsValid()) {
        *this = *s;
        return;
    }
    D3DXVECTOR3 d = s->center - center;
    float r = D3DXVec3Length(&d) + s->radius;
    if (r > radius) SetRadius(r);
}

void SBoundSphere::AddBox(const SBoundBox* b)
{
    if (!IsValid()) {
        D3DXVECTOR3 c;
        b->GetCenter(c);
        AddPoint(&c);
    }
    D3DXVECTOR3 corners[8];
    BoxCorners(*b, corners);
    for (const D3DXVECTOR3& corner : corners) AddPoint(&corner);
}

int SBoundSphere::IsContain(const D3DXVECTOR3* p) const
{
    D3DXVECTOR3 d = *p - center;
    return D3DXVec3LengthSq(&d) <= radiusSq ? 1 : 0;
}

int SBoundSphere::Intersect2D(float x, float z) const
{
    float dx = center.x - x, dz = center.z - z;
    return dx * dx + dz * dz <= radiusSq ? 1 : -1;
}

int SBoundSphere::Intersect2D(const SBoundCircle* c) const
{
    float dx = center.x - c->x, dz = center.z - c->y;
    return ClassifyCircles(dx * dx + dz * dz, radius, c->radius);
}

int SBoundSphere::IntersectPlane(const D3DXPLANE* p) const
{
    float dist = p->a * center.x + p->b * center.y + p->c * center.z + p->d;
    if (dist < -radius) return -1;
    if (dist > radius) return 1;
    return 0;
}

int SBoundSphere::IntersectPlane(const D3DXPLANE* p, int normalized) const
{
    if (normalized) return IntersectPlane(p);
    D3DXPLANE n;
    D3DXPlaneNormalize(&n, p);
    return IntersectPlane(&n);
}

int SBoundSphere::IntersectLine(const KESTULINE* l) const
{
    D3DXVECTOR3 v = l->origin - center;
    float b = 2.0f * D3DXVec3Dot(&v, &l->direction);
    float disc = b * b - 4.0f * D3DXVec3Dot(&l->direction, &l->direction) * (D3DXVec3Dot(&v, &v) - radiusSq);
    return disc >= 0.0f ? 1 : -1;
}

int SBoundSphere::IntersectSphere(const SBoundSphere* s) const
{
    D3DXVECTOR3 d = center - s->center;
    return ClassifyCircles(D3DXVec3LengthSq(&d), radius, s->radius);
}

// ---- SBoundCircle ----

void SBoundCircle::SetRadius(float r)
{
    radius = r;
    radiusSq = RadiusSquared(r);
}

void SBoundCircle::AddPoint(float px, float py)
{
    float dx = px - x, dy = py - y;
    float dSq = dx * dx + dy * dy;
    if (dSq > radiusSq) {
        radiusSq = dSq;
        radius = std::sqrt(dSq);
    }
}

void SBoundCircle::AddCircle(const SBoundCircle* c)
{
    KESTUPOINT2 a, b;
    a.x = x;
    a.y = y;
    b.x = c->x;
    b.y = c->y;
    float r = a.GetDist(b) + c->radius;
    if (r > radius) SetRadius(r);
}

void SBoundCircle::AddRect(const KESTURECT2* r)
{
    AddPoint(r->left, r->top);
    AddPoint(r->left, r->bottom);
    AddPoint(r->right, r->bottom);
    AddPoint(r->right, r->top);
}

KESTURECT2* SBoundCircle::GetBoundRect(KESTURECT2* r) const
{
    r->left = x - radius;
    r->top = y + radius;
    r->right = x + radius;
    r->bottom = y - radius;
    return r;
}

int SBoundCircle::IsBound(const SBoundCircle* c) const
{
    float dx = x - c->x, dy = y - c->y;
    float sum = radius + c->radius;
    return dx * dx + dy * dy < sum * sum ? 1 : 0;
}

int SBoundCircle::IsBound(float px, float py) const
{
    float dx = x - px, dy = y - py;
    return dx * dx + dy * dy < radiusSq ? 1 : 0;
}

int SBoundCircle::IsBound(const KESTULINE2* l) const { return std::fabs(l->a * x + l->b * y + l->c) < radius ? 1 : 0; }

int SBoundCircle::IsBound(const KestuQuadRangle2D* q) const
{
    const KESTUPOINT2* corners = q->GerCornerList();
    for (int i = 0; i < 4; ++i) {
        if (IsBound(&corners[i])) return 1;
    }
    return q->IsContain(x, y);
}

int SBoundCircle::Intersect(const SBoundCircle* c) const
{
    float dx = x - c->x, dy = y - c->y;
    return ClassifyCircles(dx * dx + dy * dy, radius, c->radius);
}

// ---- SBoundColumn ----

SBoundColumn::SBoundColumn(const KESTUPOINT2* centre, float r, float height, float base) : x(centre->x), y(centre->y)
{
    SetRadius(r);
    InitHeight(height, base);
}

SBoundColumn::SBoundColumn(float cx, float cy, float r, float height, float base) : x(cx), y(cy)
{
    SetRadius(r);
    InitHeight(height, base);
}

void SBoundColumn::SetRadius(float r)
{
    radius = r;
    radiusSq = RadiusSquared(r);
}

void SBoundColumn::SetHeight(float h)
{
    bottom = (top + bottom - h) * 0.5f;
    top = bottom + h;
}

void SBoundColumn::InitHeight(float h, float base)
{
    bottom = base;
    top = base + h;
}

int SBoundColumn::IsBound(const D3DXVECTOR3* p) const { return IsBound(p->x, p->z, p->y); }

int SBoundColumn::IsBound(float px, float pz, float height) const
{
    if (!(bottom < height && height < top)) return 0;
    float dx = px - x, dz = pz - y;
    return dx * dx + dz * dz < radiusSq ? 1 : 0;
}

int SBoundColumn::IsBound(const SBoundColumn* c) const
{
    if (!(c->bottom < top && bottom < c->top)) return 0;
    float dx = x - c->x, dz = y - c->y;
    float sum = radius + c->radius;
    return dx * dx + dz * dz < sum * sum ? 1 : 0;
}

int SBoundColumn::IsBound(const SBoundBox* b) const
{
    SBoundBox own;
    return GetBoundBox(&own)->IsBound(b);
}

int SBoundColumn::IsBound(const KESTULINE* l) const
{
    SBoundBox box;
    GetBoundBox(&box);
    if (!D3DXBoxBoundProbe(&box.min, &box.max, &l->origin, &l->direction)) return 0;
    for (float h : {top, bottom}) {
        float t = (h - l->origin.y) * l->inverse.y;
        float px = l->origin.x + t * l->direction.x;
        float pz = l->origin.z + t * l->direction.z;
        float dx = px - x, dz = pz - y;
        if (dx * dx + dz * dz < radiusSq) return 1;
    }
    KESTULINE2 flat;
    flat.Build(l->origin.x, l->origin.z, l->origin.x + l->direction.x, l->origin.z + l->direction.z);
    return std::fabs(flat.a * x + flat.b * y + flat.c) > radius ? 0 : 1;
}

SBoundBox* SBoundColumn::GetBoundBox(SBoundBox* b) const
{
    b->min = D3DXVECTOR3(x - radius, bottom, y - radius);
    b->max = D3DXVECTOR3(x + radius, top, y + radius);
    return b;
}
