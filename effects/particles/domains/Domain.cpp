// Building a domain from its nine arguments, and moving it.
#include <algorithm>
#include <cmath>

#include "kestu_ppsdomain.h"

namespace {

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

// A unit basis (u, v) across the unit vector n.
void BasisAcross(const D3DXVECTOR3& n, D3DXVECTOR3& u, D3DXVECTOR3& v)
{
    D3DXVECTOR3 b(1.0f, 0.0f, 0.0f);
    if (std::fabs(D3DXVec3Dot(&b, &n)) > 0.999f) b = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    const float bn = D3DXVec3Dot(&b, &n);
    u = Normalized(D3DXVECTOR3(b.x - n.x * bn, b.y - n.y * bn, b.z - n.z * bn));
    D3DXVec3Cross(&v, &n, &u);
}

// The triangle and the parallelogram share their plane: p1 and the sides u, v.
void PlaneOfSides(SPPS_DOMAIN& d)
{
    const float lu = D3DXVec3Length(&d.u);
    const float lv = D3DXVec3Length(&d.v);
    d.fRadius1Sqr = lu;
    d.fRadius2Sqr = lv;
    const D3DXVECTOR3 uh(d.u.x / lu, d.u.y / lu, d.u.z / lu);
    const D3DXVECTOR3 vh(d.v.x / lv, d.v.y / lv, d.v.z / lv);
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &uh, &vh);
    d.p2 = Normalized(n);
    d.fRadius1 = -D3DXVec3Dot(&d.p2, &d.p1);
}

} // namespace

SPPS_DOMAIN::SPPS_DOMAIN()
    : DomainType(PPS_DOMAIN_NONE), p1(0, 0, 0), p2(0, 0, 0), u(0, 0, 0), v(0, 0, 0), fRadius1(0), fRadius2(0),
      fRadius1Sqr(0), fRadius2Sqr(0)
{
}

SPPS_DOMAIN::SPPS_DOMAIN(EPPS_DOMAIN_TYPE type, float a0, float a1, float a2, float a3, float a4, float a5, float a6,
                         float a7, float a8)
    : SPPS_DOMAIN()
{
    DomainType = type;
    const D3DXVECTOR3 A(a0, a1, a2), B(a3, a4, a5), C(a6, a7, a8);
    switch (type) {
    case PPS_DOMAIN_POINT: p1 = A; break;
    case PPS_DOMAIN_LINE:
        p1 = A;
        p2 = B - A;
        break;
    case PPS_DOMAIN_TRIANGLE:
        p1 = A;
        u = B - A;
        v = C - A;
        PlaneOfSides(*this);
        break;
    case PPS_DOMAIN_RECTANGLE:
        p1 = A;
        u = B;
        v = C;
        PlaneOfSides(*this);
        break;
    case PPS_DOMAIN_DISC:
        p1 = A;
        p2 = Normalized(B);
        fRadius1 = std::max(a6, a7);
        fRadius2 = std::min(a6, a7);
        BasisAcross(p2, u, v);
        fRadius1Sqr = -D3DXVec3Dot(&p2, &p1);
        break;
    case PPS_DOMAIN_SPHERE:
        p1 = A;
        fRadius1 = std::max(a3, a4);
        fRadius2 = std::min(a3, a4);
        fRadius1Sqr = fRadius1 * fRadius1;
        fRadius2Sqr = fRadius2 * fRadius2;
        break;
    case PPS_DOMAIN_CONE:
    case PPS_DOMAIN_CYLINDER: {
        p1 = A;
        p2 = B - A;
        fRadius1 = std::max(a6, a7);
        fRadius2 = std::min(a6, a7);
        fRadius1Sqr = fRadius1 * fRadius1;
        const float len2 = D3DXVec3LengthSq(&p2);
        fRadius2Sqr = len2 != 0.0f ? 1.0f / len2 : 0.0f;
        BasisAcross(Normalized(p2), u, v);
        break;
    }
    case PPS_DOMAIN_BOX:
        D3DXVec3Minimize(&p1, &A, &B);
        D3DXVec3Maximize(&p2, &A, &B);
        break;
    case PPS_DOMAIN_BLOB: {
        p1 = A;
        fRadius1 = a3;
        const float inv = 1.0f / a3;
        fRadius2 = inv * 0.3989423f;
        fRadius2Sqr = inv * inv * -0.5f;
        break;
    }
    case PPS_DOMAIN_PLANE:
        p1 = A;
        p2 = Normalized(B);
        fRadius1 = -D3DXVec3Dot(&p1, &p2);
        break;
    default: break;
    }
}

void SPPS_DOMAIN::MoveTo(const D3DXVECTOR3& pos)
{
    const D3DXVECTOR3 shift = pos - p1;
    p1 = pos;
    switch (DomainType) {
    case PPS_DOMAIN_BOX: p2 += shift; break;
    case PPS_DOMAIN_TRIANGLE:
    case PPS_DOMAIN_RECTANGLE:
    case PPS_DOMAIN_PLANE: fRadius1 = -D3DXVec3Dot(&p2, &p1); break;
    case PPS_DOMAIN_DISC: fRadius1Sqr = -D3DXVec3Dot(&p2, &p1); break;
    default: break;
    }
}
