// Small vector helpers of the particle actions, and the plane of a triangle or
// rectangle domain that AVOID and BOUNCE share.
#pragma once
#include <cmath>

#include <d3dx8math.h>

#include "kestu_particle.h"
#include "kestu_particlegroup.h"
#include "kestu_ppsdomain.h"

inline D3DXVECTOR3 Vec(const float* f) { return D3DXVECTOR3(f[0], f[1], f[2]); }
inline float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
inline D3DXVECTOR3 Scaled(const D3DXVECTOR3& a, float s) { return D3DXVECTOR3(a.x * s, a.y * s, a.z * s); }
inline D3DXVECTOR3 Divided(const D3DXVECTOR3& a, float s) { return D3DXVECTOR3(a.x / s, a.y / s, a.z / s); }
inline float Length(const D3DXVECTOR3& a) { return std::sqrt(Dot(a, a)); }
// A zero vector stays zero.
inline D3DXVECTOR3 Normalized(const D3DXVECTOR3& a)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &a);
    return n;
}
inline void SetVelocity(CParticleBase* p, const D3DXVECTOR3& v) { p->SetVelocity(&v.x); }

// Calls f(i, j, d) once for every pair of particles, i before j in list
// order, with d the offset of j from i.
template <class F>
void ForEachPair(CParticleGroup* group, F f)
{
    const CParticleGroup::iterator end = group->end();
    for (CParticleGroup::iterator a = group->begin(); a != end; ++a) {
        CParticleBase* i = *a;
        const D3DXVECTOR3 pi = Vec(i->GetPosition());
        CParticleGroup::iterator b = a;
        for (++b; b != end; ++b) {
            CParticleBase* j = *b;
            f(i, j, Vec(j->GetPosition()) - pi);
        }
    }
}

// The coordinates of a point of a triangle's or rectangle's plane along its
// two sides: upos = (x - p1) . s1, vpos = (x - p1) . s2.
struct SidePlane {
    D3DXVECTOR3 s1;
    D3DXVECTOR3 s2;

    explicit SidePlane(const SPPS_DOMAIN& d)
    {
        const D3DXVECTOR3 n = Cross(d.u, d.v);
        const float nn = Dot(n, n);
        s1 = Divided(Cross(d.v, n), nn);
        s2 = Divided(Cross(n, d.u), nn);
    }
    // The offset o = x - p1 lies inside the triangle or the rectangle.
    bool Holds(const SPPS_DOMAIN& d, const D3DXVECTOR3& o) const
    {
        const float upos = Dot(o, s1);
        const float vpos = Dot(o, s2);
        if (d.DomainType == PPS_DOMAIN_TRIANGLE) return upos >= 0.0f && vpos >= 0.0f && upos + vpos <= 1.0f;
        return upos >= 0.0f && upos <= 1.0f && vpos >= 0.0f && vpos <= 1.0f;
    }
};

// The plane term of the plane-like domains: the disc keeps it in fRadius1Sqr.
inline float PlaneTerm(const SPPS_DOMAIN& d) { return d.DomainType == PPS_DOMAIN_DISC ? d.fRadius1Sqr : d.fRadius1; }

// The disc's annulus test at the offset o from its centre.
inline bool DiscHolds(const SPPS_DOMAIN& d, const D3DXVECTOR3& o)
{
    const float r2 = Dot(o, o);
    return d.fRadius2 * d.fRadius2 <= r2 && r2 <= d.fRadius1 * d.fRadius1;
}
