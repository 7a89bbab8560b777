// Bounding volumes and ray probes.
#include <cmath>
#include <cstring>
#include <utility>

#include "d3dx8math.h"

BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* min, const D3DXVECTOR3* max, const D3DXVECTOR3* origin,
                       const D3DXVECTOR3* direction)
{
    const FLOAT lo[3] = {min->x, min->y, min->z};
    const FLOAT hi[3] = {max->x, max->y, max->z};
    const FLOAT o[3] = {origin->x, origin->y, origin->z};
    const FLOAT d[3] = {direction->x, direction->y, direction->z};
    FLOAT tmin = 0.0f, tmax = INFINITY;
    for (int i = 0; i < 3; ++i) {
        if (d[i] == 0.0f) {
            if (o[i] < lo[i] || o[i] > hi[i]) return FALSE;
            continue;
        }
        FLOAT t1 = (lo[i] - o[i]) / d[i];
        FLOAT t2 = (hi[i] - o[i]) / d[i];
        if (t1 > t2) std::swap(t1, t2);
        if (t1 > tmin) tmin = t1;
        if (t2 < tmax) tmax = t2;
        if (tmin > tmax) return FALSE;
    }
    return TRUE;
}

BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* centre, FLOAT radius, const D3DXVECTOR3* origin,
                          const D3DXVECTOR3* direction)
{
    const D3DXVECTOR3 oc = *origin - *centre;
    const FLOAT c = D3DXVec3Dot(&oc, &oc) - radius * radius;
    if (c <= 0.0f) return TRUE; // the origin is inside
    const FLOAT a = D3DXVec3Dot(direction, direction);
    const FLOAT b = D3DXVec3Dot(&oc, direction);
    if (a == 0.0f || b >= 0.0f) return FALSE; // pointing away
    return b * b - a * c >= 0.0f ? TRUE : FALSE;
}

namespace {
D3DXVECTOR3 PositionAt(const void* first, DWORD i, DWORD stride)
{
    D3DXVECTOR3 p;
    std::memcpy(&p, static_cast<const BYTE*>(first) + (size_t)i * stride, sizeof(p));
    return p;
}
} // namespace

HRESULT D3DXComputeBoundingBox(const void* firstPosition, DWORD count, DWORD stride, D3DXVECTOR3* min, D3DXVECTOR3* max)
{
    if (!firstPosition || !min || !max || count == 0) return E_INVALIDARG;
    D3DXVECTOR3 lo = PositionAt(firstPosition, 0, stride), hi = lo;
    for (DWORD i = 1; i < count; ++i) {
        const D3DXVECTOR3 p = PositionAt(firstPosition, i, stride);
        D3DXVec3Minimize(&lo, &lo, &p);
        D3DXVec3Maximize(&hi, &hi, &p);
    }
    *min = lo;
    *max = hi;
    return S_OK;
}

HRESULT D3DXComputeBoundingSphere(const void* firstPosition, DWORD count, DWORD stride, D3DXVECTOR3* centre,
                                  FLOAT* radius)
{
    if (!firstPosition || !centre || !radius || count == 0) return E_INVALIDARG;
    D3DXVECTOR3 sum(0, 0, 0);
    for (DWORD i = 0; i < count; ++i) sum += PositionAt(firstPosition, i, stride);
    const D3DXVECTOR3 c = sum / (FLOAT)count;
    FLOAT r2 = 0.0f;
    for (DWORD i = 0; i < count; ++i) {
        const D3DXVECTOR3 d = PositionAt(firstPosition, i, stride) - c;
        const FLOAT l2 = D3DXVec3LengthSq(&d);
        if (l2 > r2) r2 = l2;
    }
    *centre = c;
    *radius = std::sqrt(r2);
    return S_OK;
}

BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* origin,
                      const D3DXVECTOR3* direction, FLOAT* u, FLOAT* v, FLOAT* dist)
{
    const D3DXVECTOR3 e1 = *p1 - *p0, e2 = *p2 - *p0;
    D3DXVECTOR3 pv;
    D3DXVec3Cross(&pv, direction, &e2);
    const FLOAT det = D3DXVec3Dot(&e1, &pv);
    if (std::fabs(det) < 1e-12f) return FALSE;
    const FLOAT inv = 1.0f / det;
    const D3DXVECTOR3 tv = *origin - *p0;
    const FLOAT bu = D3DXVec3Dot(&tv, &pv) * inv;
    if (bu < 0.0f || bu > 1.0f) return FALSE;
    D3DXVECTOR3 qv;
    D3DXVec3Cross(&qv, &tv, &e1);
    const FLOAT bv = D3DXVec3Dot(direction, &qv) * inv;
    if (bv < 0.0f || bu + bv > 1.0f) return FALSE;
    const FLOAT t = D3DXVec3Dot(&e2, &qv) * inv;
    if (t < 0.0f) return FALSE;
    if (u) *u = bu;
    if (v) *v = bv;
    if (dist) *dist = t;
    return TRUE;
}
