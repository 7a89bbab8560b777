// The vertices of the array methods, written from the particles of a group.
#pragma once
#include <cstddef>
#include <cstdint>
#include <typeinfo>

#include <emmintrin.h>

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

// The square from P to P+X+Y as two triangles, each wound both ways. The
// four corners are made once as whole vertices and stored twelve times; the
// colour is put in by bits, never through float arithmetic.
inline void Quad(SPPS_VERTEX* v, const float* p, DWORD c, float s)
{
    const __m128 keepXyz = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    const __m128 colour = _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, static_cast<int32_t>(c)));
    const __m128 at = _mm_and_ps(_mm_loadu_ps(p), keepXyz);
    const __m128 a = _mm_or_ps(at, colour);
    const __m128 b = _mm_or_ps(_mm_add_ps(at, _mm_setr_ps(0, s, 0, 0)), colour);
    const __m128 d = _mm_or_ps(_mm_add_ps(at, _mm_setr_ps(s, 0, 0, 0)), colour);
    const __m128 e = _mm_or_ps(_mm_add_ps(at, _mm_setr_ps(s, s, 0, 0)), colour);
    float* out = &v->x;
    _mm_storeu_ps(out + 0, a);
    _mm_storeu_ps(out + 4, b);
    _mm_storeu_ps(out + 8, d);
    _mm_storeu_ps(out + 12, a);
    _mm_storeu_ps(out + 16, d);
    _mm_storeu_ps(out + 20, b);
    _mm_storeu_ps(out + 24, d);
    _mm_storeu_ps(out + 28, b);
    _mm_storeu_ps(out + 32, e);
    _mm_storeu_ps(out + 36, d);
    _mm_storeu_ps(out + 40, e);
    _mm_storeu_ps(out + 44, b);
}

// Writes k vertices per particle in list order, up to the array's capacity.
template <class Fill>
void FillGroup(const CParticleGroup& group, SPPS_METHOD_RES& res, DWORD k, Fill fill)
{
    auto* out = static_cast<SPPS_VERTEX*>(res.pVertices);
    if (!out) return;
    const size_t capacity = res.dwSize / (sizeof(SPPS_VERTEX) * k);
    size_t n = 0;
    // The lines of the type word, the position and the colour: a particle's
    // first bytes, bytes 24 to 35 and 68 to 71.
    group.ForEachParticleFetching<0, 36, 71>([&](CParticleBase* p) {
        if (n == capacity) return;
        // Particles from the free list are plain CParticles: their colour is
        // read without a virtual call.
        const DWORD c =
            typeid(*p) == typeid(CParticle) ? static_cast<CParticle*>(p)->CParticle::GetColor() : p->GetColor();
        fill(out, p->GetPosition(), c);
        out += k;
        ++n;
    });
}

} // namespace ppsvertex
