#include "model/skinning/SkinKernel.h"

#include <immintrin.h>

#include <cstring>

namespace Kestu::skinning {

namespace {

constexpr uint32_t kMatrixBytes = sizeof(D3DXMATRIX);

inline uint32_t Slot(uint32_t bone) { return bone < kSlots ? bone : kIdentitySlot; }

inline float Effective(float w) { return w > kMinWeight ? w : 0.0f; }

inline void Store3(char* p, float x, float y, float z)
{
    const float v[3] = {x, y, z};
    std::memcpy(p, v, 12);
}

// Sums the influencing matrices (all sixteen floats).
inline void SumMatrices(const D3DXMATRIX* table, const uint32_t* offsets, const uint32_t* weights, uint32_t n,
                        float (&sum)[16])
{
    for (float& s : sum)
        s = 0.0f;
    const char* base = reinterpret_cast<const char*>(table);
    for (uint32_t i = 0; i < n; ++i) {
        const float* m = reinterpret_cast<const float*>(base + offsets[i]);
        float w;
        std::memcpy(&w, weights + i, 4);
        for (int k = 0; k < 16; ++k)
            sum[k] += w * m[k];
    }
}

void BlendFastPlain(const SkinJob& job)
{
    const uint32_t n = job.perVertex;
    for (size_t v = 0; v < job.count; ++v) {
        const float* p = reinterpret_cast<const float*>(job.src + v * job.stride);
        char* out = job.dst + v * job.stride;
        const uint32_t* offsets = job.packed + v * 2 * n;
        const uint32_t* weights = offsets + n;
        float m[16], q[6];
        std::memcpy(q, p, job.normals ? 24 : 12);
        SumMatrices(job.positions, offsets, weights, n, m);
        Store3(out, q[0] * m[0] + q[1] * m[4] + q[2] * m[8] + m[12], q[0] * m[1] + q[1] * m[5] + q[2] * m[9] + m[13],
               q[0] * m[2] + q[1] * m[6] + q[2] * m[10] + m[14]);
        if (job.normals) {
            SumMatrices(job.normals, offsets, weights, n, m);
            Store3(out + 12, q[3] * m[0] + q[4] * m[4] + q[5] * m[8], q[3] * m[1] + q[4] * m[5] + q[5] * m[9],
                   q[3] * m[2] + q[4] * m[6] + q[5] * m[10]);
        }
    }
}

#define KESTU_AVX2 __attribute__((target("avx2,fma")))

// Rows 0-1 (lo) and rows 2-3 (hi) of the weighted sum of four matrices.
KESTU_AVX2 inline void Sum4(const char* table, __m128i offsets, __m256 w0, __m256 w1, __m256 w2, __m256 w3,
                            __m256& lo, __m256& hi)
{
    const float* m0 = reinterpret_cast<const float*>(table + uint32_t(_mm_cvtsi128_si32(offsets)));
    const float* m1 = reinterpret_cast<const float*>(table + uint32_t(_mm_extract_epi32(offsets, 1)));
    const float* m2 = reinterpret_cast<const float*>(table + uint32_t(_mm_extract_epi32(offsets, 2)));
    const float* m3 = reinterpret_cast<const float*>(table + uint32_t(_mm_extract_epi32(offsets, 3)));
    // Two short chains instead of one long one.
    lo = _mm256_add_ps(_mm256_fmadd_ps(w0, _mm256_loadu_ps(m0), _mm256_mul_ps(w1, _mm256_loadu_ps(m1))),
                       _mm256_fmadd_ps(w2, _mm256_loadu_ps(m2), _mm256_mul_ps(w3, _mm256_loadu_ps(m3))));
    hi = _mm256_add_ps(_mm256_fmadd_ps(w0, _mm256_loadu_ps(m0 + 8), _mm256_mul_ps(w1, _mm256_loadu_ps(m1 + 8))),
                       _mm256_fmadd_ps(w2, _mm256_loadu_ps(m2 + 8), _mm256_mul_ps(w3, _mm256_loadu_ps(m3 + 8))));
}

// x*row0 + y*row1 + z*row2 + h*row3, with (x, y, z, h) in q.
KESTU_AVX2 inline __m128 Apply(__m128 q, __m256 lo, __m256 hi)
{
    const __m256 q8 = _mm256_castps128_ps256(q);
    const __m256 xy = _mm256_permutevar8x32_ps(q8, _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
    const __m256 zh = _mm256_permutevar8x32_ps(q8, _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3));
    const __m256 t = _mm256_fmadd_ps(xy, lo, _mm256_mul_ps(zh, hi));
    return _mm_add_ps(_mm256_castps256_ps128(t), _mm256_extractf128_ps(t, 1));
}

KESTU_AVX2 inline void Store3(char* p, __m128 v)
{
    _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
    _mm_store_ss(reinterpret_cast<float*>(p + 8), _mm_movehl_ps(v, v));
}

// Four influences a vertex: the case the engine's meshes use most.
KESTU_AVX2 void BlendFour(const SkinJob& job)
{
    const char* positions = reinterpret_cast<const char*>(job.positions);
    const char* normals = reinterpret_cast<const char*>(job.normals);
    const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
    for (size_t v = 0; v < job.count; ++v) {
        const char* in = job.src + v * job.stride;
        const uint32_t* record = job.packed + 8 * v;
        const __m128i slots = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record));
        const __m256 w = _mm256_castps128_ps256(_mm_loadu_ps(reinterpret_cast<const float*>(record + 4)));
        const __m256 w0 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(0));
        const __m256 w1 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(1));
        const __m256 w2 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(2));
        const __m256 w3 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(3));
        __m256 lo, hi;
        Sum4(positions, slots, w0, w1, w2, w3, lo, hi);
        const __m128 position = Apply(_mm_blend_ps(_mm_loadu_ps(reinterpret_cast<const float*>(in)), one, 8), lo, hi);
        if (normals) {
            Sum4(normals, slots, w0, w1, w2, w3, lo, hi);
            // The normal's floats 3-5, with h = 0.
            const __m128 n = _mm_loadu_ps(reinterpret_cast<const float*>(in + 12));
            Store3(job.dst + v * job.stride + 12, Apply(_mm_blend_ps(n, zero, 8), lo, hi));
        }
        Store3(job.dst + v * job.stride, position);
    }
}

// Any number of influences.
KESTU_AVX2 void BlendAny(const SkinJob& job)
{
    const uint32_t n = job.perVertex;
    const char* positions = reinterpret_cast<const char*>(job.positions);
    const char* normals = reinterpret_cast<const char*>(job.normals);
    const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
    for (size_t v = 0; v < job.count; ++v) {
        const char* in = job.src + v * job.stride;
        const uint32_t* offsets = job.packed + v * 2 * n;
        const float* weights = reinterpret_cast<const float*>(offsets + n);
        __m256 lo = _mm256_setzero_ps(), hi = _mm256_setzero_ps(), nlo = lo, nhi = hi;
        for (uint32_t i = 0; i < n; ++i) {
            const __m256 w = _mm256_broadcast_ss(weights + i);
            const float* m = reinterpret_cast<const float*>(positions + offsets[i]);
            lo = _mm256_fmadd_ps(w, _mm256_loadu_ps(m), lo);
            hi = _mm256_fmadd_ps(w, _mm256_loadu_ps(m + 8), hi);
            if (normals) {
                const float* t = reinterpret_cast<const float*>(normals + offsets[i]);
                nlo = _mm256_fmadd_ps(w, _mm256_loadu_ps(t), nlo);
                nhi = _mm256_fmadd_ps(w, _mm256_loadu_ps(t + 8), nhi);
            }
        }
        const __m128 position = Apply(_mm_blend_ps(_mm_loadu_ps(reinterpret_cast<const float*>(in)), one, 8), lo, hi);
        if (normals) {
            const __m128 q = _mm_loadu_ps(reinterpret_cast<const float*>(in + 12));
            Store3(job.dst + v * job.stride + 12, Apply(_mm_blend_ps(q, zero, 8), nlo, nhi));
        }
        Store3(job.dst + v * job.stride, position);
    }
}

bool HasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return avx2;
}

} // namespace

void PackInfluences(const uint32_t* bones, const float* weights, size_t vertices, uint32_t perVertex,
                    std::vector<uint32_t>& packed)
{
    packed.resize(vertices * perVertex * 2);
    for (size_t v = 0; v < vertices; ++v) {
        uint32_t* record = packed.data() + v * perVertex * 2;
        for (uint32_t i = 0; i < perVertex; ++i) {
            record[i] = Slot(bones[v * perVertex + i]) * kMatrixBytes;
            const float w = Effective(weights[v * perVertex + i]);
            std::memcpy(record + perVertex + i, &w, 4);
        }
    }
}

void BlendExact(const SkinJob& job)
{
    const uint32_t n = job.perVertex;
    for (size_t v = 0; v < job.count; ++v) {
        const char* in = job.src + v * job.stride;
        char* out = job.dst + v * job.stride;
        D3DXVECTOR3 position, normal, sumP(0, 0, 0), sumN(0, 0, 0);
        std::memcpy(&position, in, 12);
        if (job.normals)
            std::memcpy(&normal, in + 12, 12);
        for (uint32_t i = 0; i < n; ++i) {
            const float w = job.weights[v * n + i];
            if (!(w > kMinWeight))
                continue;
            const uint32_t slot = Slot(job.bones[v * n + i]);
            D3DXVECTOR3 t;
            D3DXVec3TransformCoord(&t, &position, &job.positions[slot]);
            sumP += w * t;
            if (job.normals) {
                D3DXVec3TransformNormal(&t, &normal, &job.normals[slot]);
                sumN += w * t;
            }
        }
        std::memcpy(out, &sumP, 12);
        if (job.normals)
            std::memcpy(out + 12, &sumN, 12);
    }
}

void BlendFast(const SkinJob& job)
{
    // The vector loops read 16 bytes at the position (and at the normal).
    const size_t needed = job.normals ? 28 : 16;
    if (!HasAvx2() || job.stride < needed)
        return BlendFastPlain(job);
    if (job.perVertex == 4)
        return BlendFour(job);
    return BlendAny(job);
}

void Blend(const SkinJob& job)
{
    if (job.affine && job.packed)
        BlendFast(job);
    else
        BlendExact(job);
}

} // namespace Kestu::skinning
