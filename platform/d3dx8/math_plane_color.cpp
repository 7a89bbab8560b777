// Planes and colours.
#include <cmath>

#include "d3dx8math.h"

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p)
{
    const FLOAT len = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    if (len == 0.0f) {
        *out = D3DXPLANE(0, 0, 0, 0);
        return out;
    }
    const FLOAT inv = 1.0f / len;
    *out = D3DXPLANE(p->a * inv, p->b * inv, p->c * inv, p->d * inv);
    return out;
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    const D3DXVECTOR3 dir = *b - *a;
    const FLOAT denom = D3DXPlaneDotNormal(p, &dir);
    if (denom == 0.0f) return nullptr;
    const FLOAT t = -D3DXPlaneDotCoord(p, a) / denom;
    *out = *a + dir * t;
    return out;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal)
{
    *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(point, normal));
    return out;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, const D3DXVECTOR3* c)
{
    const D3DXVECTOR3 e1 = *b - *a, e2 = *c - *a;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return D3DXPlaneFromPointNormal(out, a, &n);
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m)
{
    const D3DXVECTOR4 v(p->a, p->b, p->c, p->d);
    D3DXVECTOR4 r;
    D3DXVec4Transform(&r, &v, m);
    *out = D3DXPLANE(r.x, r.y, r.z, r.w);
    return out;
}

D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s)
{
    const FLOAT grey = c->r * 0.2125f + c->g * 0.7154f + c->b * 0.0721f;
    *out = D3DXCOLOR(grey + s * (c->r - grey), grey + s * (c->g - grey), grey + s * (c->b - grey), c->a);
    return out;
}

D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s)
{
    *out = D3DXCOLOR(0.5f + s * (c->r - 0.5f), 0.5f + s * (c->g - 0.5f), 0.5f + s * (c->b - 0.5f), c->a);
    return out;
}
