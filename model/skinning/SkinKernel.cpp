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
    for (float& s : sum) s = 0.0f;
    const char* base = reinterpret_cast<const char*>(table);
    for (uint32_t i = 0; i < n; ++i) {
        const float* m = reinterpret_cast<const float*>(base + offsets[i]);
        float w;
        std::memcpy(&w, weights + i, 4);
        for (int k = 0; k < 16; ++k) sum[k] += w * m[k];
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

// The matrices of a record's four slots. The offsets are read as plain
// integers: taking them out of a vector register costs more than the loads.
struct FourSlots {
    FourSlots(const char* table, const uint32_t* offsets)
    {
        uint64_t o01, o23;
        std::memcpy(&o01, offsets, 8);
        std::memcpy(&o23, offsets + 2, 8);
        m[0] = reinterpret_cast<const float*>(table + uint32_t(o01));
        m[1] = reinterpret_cast<const float*>(table + (o01 >> 32));
        m[2] = reinterpret_cast<const float*>(table + uint32_t(o23));
        m[3] = reinterpret_cast<const float*>(table + (o23 >> 32));
    }
    const float* m[4];
};

// Rows 0-1 (lo) and rows 2-3 (hi) of the weighted sum of four matrices.
KESTU_AVX2 inline void Sum4(const char* table, const uint32_t* offsets, __m256 w0, __m256 w1, __m256 w2, __m256 w3,
                            __m256& lo, __m256& hi)
{
    const FourSlots s(table, offsets);
    const float *m0 = s.m[0], *m1 = s.m[1], *m2 = s.m[2], *m3 = s.m[3];
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

// The four-influence loops' place in a job, in locals: the stores may alias
// the job as far as the compiler knows.
struct FourWalk {
    explicit FourWalk(const SkinJob& job)
        : positions(reinterpret_cast<const char*>(job.positions)), normals(reinterpret_cast<const char*>(job.normals)),
          in(job.src), out(job.dst), record(job.packed), stride(job.stride), left(job.count)
    {
    }
    void Next()
    {
        in += stride;
        out += stride;
        record += 8;
        --left;
    }
    const char* positions;
    const char* normals;
    const char* in;
    char* out;
    const uint32_t* record;
    size_t stride;
    size_t left;
};

// Four influences a vertex: the case the engine's meshes use most.
template <bool kNormals>
KESTU_AVX2 void BlendFour(const SkinJob& job)
{
    const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
    for (FourWalk f(job); f.left; f.Next()) {
        const char* in = f.in;
        char* out = f.out;
        const uint32_t* record = f.record;
        const __m256 w = _mm256_castps128_ps256(_mm_loadu_ps(reinterpret_cast<const float*>(record + 4)));
        const __m256 w0 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(0));
        const __m256 w1 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(1));
        const __m256 w2 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(2));
        const __m256 w3 = _mm256_permutevar8x32_ps(w, _mm256_set1_epi32(3));
        __m256 lo, hi;
        Sum4(f.positions, record, w0, w1, w2, w3, lo, hi);
        const __m128 position = Apply(_mm_blend_ps(_mm_loadu_ps(reinterpret_cast<const float*>(in)), one, 8), lo, hi);
        if constexpr (kNormals) {
            Sum4(f.normals, record, w0, w1, w2, w3, lo, hi);
            // The normal's floats 3-5, with h = 0.
            const __m128 n = _mm_loadu_ps(reinterpret_cast<const float*>(in + 12));
            Store3(out + 12, Apply(_mm_blend_ps(n, zero, 8), lo, hi));
        }
        Store3(out, position);
    }
}

#define KESTU_AVX512 __attribute__((target("avx512f,avx512vl,avx2,fma")))

// GCC 12's AVX-512 intrinsics fill unused lanes from a self-initialised
// placeholder, which -Wmaybe-uninitialized reports at low optimisation.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The weighted sum of four whole matrices, one register each.
KESTU_AVX512 inline __m512 Sum4(const char* table, const uint32_t* offsets, __m512 w0, __m512 w1, __m512 w2, __m512 w3)
{
    const FourSlots s(table, offsets);
    const __m512 m0 = _mm512_loadu_ps(s.m[0]), m1 = _mm512_loadu_ps(s.m[1]);
    const __m512 m2 = _mm512_loadu_ps(s.m[2]), m3 = _mm512_loadu_ps(s.m[3]);
    return _mm512_add_ps(_mm512_fmadd_ps(w0, m0, _mm512_mul_ps(w1, m1)),
                         _mm512_fmadd_ps(w2, m2, _mm512_mul_ps(w3, m3)));
}

// x*row0 + y*row1 + z*row2 + h*row3 for the rows in m, with x, y, z the first
// three floats of q and h any float of hs.
KESTU_AVX512 inline __m128 Apply(__m128 q, __m512 m, __m512 hs)
{
    const __m512i spread = _mm512_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 16, 16, 16, 16);
    const __m512 t = _mm512_mul_ps(_mm512_permutex2var_ps(_mm512_zextps128_ps512(q), spread, hs), m);
    const __m256 h =
        _mm256_add_ps(_mm512_castps512_ps256(t), _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(t), 1)));
    return _mm_add_ps(_mm256_castps256_ps128(h), _mm256_extractf128_ps(h, 1));
}

// BlendFour with a whole matrix a register and a masked store of the three
// floats: half the loads and stores.
template <bool kNormals>
KESTU_AVX512 void BlendFour512(const SkinJob& job)
{
    const __m512 ones = _mm512_set1_ps(1.0f);
    for (FourWalk f(job); f.left; f.Next()) {
        const char* in = f.in;
        char* out = f.out;
        const uint32_t* record = f.record;
        const __m512 w = _mm512_zextps128_ps512(_mm_loadu_ps(reinterpret_cast<const float*>(record + 4)));
        const __m512 w0 = _mm512_permutexvar_ps(_mm512_set1_epi32(0), w);
        const __m512 w1 = _mm512_permutexvar_ps(_mm512_set1_epi32(1), w);
        const __m512 w2 = _mm512_permutexvar_ps(_mm512_set1_epi32(2), w);
        const __m512 w3 = _mm512_permutexvar_ps(_mm512_set1_epi32(3), w);
        const __m128 p = _mm_loadu_ps(reinterpret_cast<const float*>(in));
        const __m128 position = Apply(p, Sum4(f.positions, record, w0, w1, w2, w3), ones);
        if constexpr (kNormals) {
            const __m128 n = _mm_loadu_ps(reinterpret_cast<const float*>(in + 12));
            _mm_mask_storeu_ps(out + 12, 7, Apply(n, Sum4(f.normals, record, w0, w1, w2, w3), _mm512_setzero_ps()));
        }
        _mm_mask_storeu_ps(out, 7, position);
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

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
        if (job.normals) std::memcpy(&normal, in + 12, 12);
        for (uint32_t i = 0; i < n; ++i) {
            const float w = job.weights[v * n + i];
            if (!(w > kMinWeight)) continue;
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
        if (job.normals) std::memcpy(out + 12, &sumN, 12);
    }
}

Simd BestSimd()
{
    static const Simd best = [] {
        if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return Simd::Plain;
        if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512vl")) return Simd::Avx2;
        return Simd::Avx512;
    }();
    return best;
}

void BlendFast(const SkinJob& job, Simd simd)
{
    if (simd > BestSimd()) simd = BestSimd();
    // The vector loops read 16 bytes at the position (and at the normal).
    const size_t needed = job.normals ? 28 : 16;
    if (simd == Simd::Plain || job.stride < needed) return BlendFastPlain(job);
    if (job.perVertex == 4) {
        if (simd == Simd::Avx512) return job.normals ? BlendFour512<true>(job) : BlendFour512<false>(job);
        return job.normals ? BlendFour<true>(job) : BlendFour<false>(job);
    }
    return BlendAny(job);
}

void BlendFast(const SkinJob& job) { BlendFast(job, BestSimd()); }

void Blend(const SkinJob& job)
{
    if (job.affine && job.packed)
        BlendFast(job);
    else
        BlendExact(job);
}

} // namespace Kestu::skinning
