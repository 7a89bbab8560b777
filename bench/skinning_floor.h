// The floor of software skinning: every vertex's position transformed by one
// matrix, the fastest way known here — one SIMD row broadcast per coordinate
// (stored in two pieces, or in one masked store with AVX-512), or the plain
// loop the compiler vectorises, whichever runs faster (callers time each and
// take the fastest).
#pragma once
#include <immintrin.h>

#include <cstddef>
#include <cstring>

#include <d3dx8.h>

namespace kestu_bench {

// x*row0 + y*row1 + z*row2 + row3 for the vertex at p, with the matrix's rows
// 0-1 in lo and 2-3 in hi.
__attribute__((target("avx2,fma"), always_inline)) inline __m128 OneVertex(const float* p, __m256 lo, __m256 hi)
{
    const __m256 xy = _mm256_setr_m128(_mm_broadcast_ss(p), _mm_broadcast_ss(p + 1));
    const __m256 zh = _mm256_setr_m128(_mm_broadcast_ss(p + 2), _mm_set1_ps(1.0f));
    const __m256 t = _mm256_fmadd_ps(xy, lo, _mm256_mul_ps(zh, hi));
    return _mm_add_ps(_mm256_castps256_ps128(t), _mm256_extractf128_ps(t, 1));
}

// The loops below are functions of their own on a 64-byte boundary, so their
// place on the instruction cache lines does not move with the code around
// them: at a few places (a loop starting in a line's first bytes) some
// processors run them 40% slower, which would lower the floor.

// Every vertex with AVX2 and FMA, stored in two pieces.
__attribute__((target("avx2,fma"), noinline, aligned(64))) inline void
OneMatrixSimd(const char* src, char* dst, size_t count, size_t stride, const D3DXMATRIX& m)
{
    const __m256 lo = _mm256_loadu_ps(&m._11), hi = _mm256_loadu_ps(&m._31);
    for (size_t v = 0; v < count; ++v) {
        const __m128 r = OneVertex(reinterpret_cast<const float*>(src + v * stride), lo, hi);
        char* out = dst + v * stride;
        _mm_storel_pi(reinterpret_cast<__m64*>(out), r);
        _mm_store_ss(reinterpret_cast<float*>(out + 8), _mm_movehl_ps(r, r));
    }
}

// The same with an AVX-512 masked store of the three floats in place of two
// stores: faster where the processor has it.
__attribute__((target("avx512f,avx512vl,avx2,fma"), noinline, aligned(64))) inline void
OneMatrixMasked(const char* src, char* dst, size_t count, size_t stride, const D3DXMATRIX& m)
{
    const __m256 lo = _mm256_loadu_ps(&m._11), hi = _mm256_loadu_ps(&m._31);
    for (size_t v = 0; v < count; ++v)
        _mm_mask_storeu_ps(dst + v * stride, 7, OneVertex(reinterpret_cast<const float*>(src + v * stride), lo, hi));
}

// The same in plain code for the compiler.
inline void OneMatrixPlain(const char* src, char* dst, size_t count, size_t stride, const D3DXMATRIX& m)
{
    for (size_t v = 0; v < count; ++v) {
        float p[3];
        std::memcpy(p, src + v * stride, 12);
        const float out[3] = {p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41,
                              p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42,
                              p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43};
        std::memcpy(dst + v * stride, out, 12);
    }
}

inline bool HasAvx2Fma() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

inline bool HasAvx512Vl()
{
    return HasAvx2Fma() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
}

} // namespace kestu_bench
