// The vertices of the array methods, written from the particles of a group.
#pragma once
#include <cstddef>

#include "kestu_particlegroup.h"
#include "kestu_ppsmethods.h"

namespace ppsvertex {

inline void Put(SPPS_VERTEX* v, float x, float y, float z, DWORD c)
{
    v->x = x;
    v->y = y;
    v->z = z;
    v->color = c;
}

// P, P+Y, P+X and the same triangle wound the other way.
inline void Triangle(SPPS_VERTEX* v, const float* p, DWORD c, float s)
{
    const float x = p[0], y = p[1], z = p[2];
    Put(v + 0, x, y, z, c);
    Put(v + 1, x, y + s, z, c);
    Put(v + 2, x + s, y, z, c);
    Put(v + 3, x, y, z, c);
    Put(v + 4, x + s, y, z, c);
    Put(v + 5, x, y + s, z, c);
}

// The square from P to P+X+Y as two triangles, each wound both ways.
inline void Quad(SPPS_VERTEX* v, const float* p, DWORD c, float s)
{
    const float x = p[0], y = p[1], z = p[2];
    const float xs = x + s, ys = y + s;
    Put(v + 0, x, y, z, c);
    Put(v + 1, x, ys, z, c);
    Put(v + 2, xs, y, z, c);
    Put(v + 3, x, y, z, c);
    Put(v + 4, xs, y, z, c);
    Put(v + 5, x, ys, z, c);
    Put(v + 6, xs, y, z, c);
    Put(v + 7, x, ys, z, c);
    Put(v + 8, xs, ys, z, c);
    Put(v + 9, xs, y, z, c);
    Put(v + 10, xs, ys, z, c);
    Put(v + 11, x, ys, z, c);
}

// Writes k vertices per particle in list order, up to the array's capacity.
template <class Fill> void FillGroup(const CParticleGroup& group, SPPS_METHOD_RES& res, DWORD k, Fill fill)
{
    auto* out = static_cast<SPPS_VERTEX*>(res.pVertices);
    if (!out) return;
    const size_t capacity = res.dwSize / (sizeof(SPPS_VERTEX) * k);
    size_t n = 0;
    group.ForEachParticle([&](CParticleBase* p) {
        if (n == capacity) return;
        fill(out, p->GetPosition(), p->GetColor());
        out += k;
        ++n;
    });
}

} // namespace ppsvertex
