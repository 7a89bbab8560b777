#include "model/skinning/SkinKernel.h"

#include <immintrin.h>

#include <cstring>

namespace Kestu::skinning {

namespace {

inline uint32_t Slot(uint32_t bone) { return bone < kSlots ? bone : kIdentitySlot; }

inline float Effective(float w) { return w > kMinWeight ? w : 0.0f; }

inline void Store3(char* p, float x, float y, float z)
{
    const float v[3] = {x, y, z};
    std::memcpy(p, v, 12);
}

// Sums the influencing matrices (rows 0-3, twelve meaningful floats).
inline void SumMatrices(const D3DXMATRIX* table, const uint32_t* bones, const float* weights, uint32_t n,
                        float (&sum)[16])
{
    for (float& s : sum)
        s = 0.0f;
    for (uint32_t i = 0; i < n; ++i) {
        const float w = Effective(weights[i]);
        const float* m = &table[Slot(bones[i])]._11;
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
        float m[16];
        SumMatrices(job.positions, job.bones + v * n, job.weights + v * n, n, m);
        float x, y, z;
        std::memcpy(&x, p, 4);
        std::memcpy(&y, p + 1, 4);
        std::memcpy(&z, p + 2, 4);
        Store3(out, x * m[0] + y * m[4] + z * m[8] + m[12], x * m[1] + y * m[5] + z * m[9] + m[13],
               x * m[2] + y * m[6] + z * m[10] + m[14]);
        if (job.normals) {
            SumMatrices(job.normals, job.bones + v * n, job.weights + v * n, n, m);
            std::memcpy(&x, p + 3, 4);
            std::memcpy(&y, p + 4, 4);
            std::memcpy(&z, p + 5, 4);
            Store3(out + 12, x * m[0] + y * m[4] + z * m[8], x * m[1] + y * m[5] + z * m[9],
                   x * m[2] + y * m[6] + z * m[10]);
        }
    }
}

// Rows 0-1 and rows 2-3 of the weighted sum of the influencing matrices.
template <int N>
__attribute__((target("avx2,fma"))) inline void SumAvx2(const float* table, const uint32_t* bones,
                                                        const float* weights, uint32_t n, __m256& lo, __m256& hi)
{
    lo = _mm256_setzero_ps();
    hi = _mm256_setzero_ps();
    const uint32_t count = N > 0 ? static_cast<uint32_t>(N) : n;
    for (uint32_t i = 0; i < count; ++i) {
        const __m256 w = _mm256_set1_ps(Effective(weights[i]));
        const float* m = table + Slot(bones[i]) * 16;
        lo = _mm256_fmadd_ps(w, _mm256_loadu_ps(m), lo);
        hi = _mm256_fmadd_ps(w, _mm256_loadu_ps(m + 8), hi);
    }
}

// x*row0 + y*row1 + z*row2 + h*row3 of the rows in lo and hi.
__attribute__((target("avx2,fma"))) inline __m128 Apply(const float* p, float h, __m256 lo, __m256 hi)
{
    const __m256 xy = _mm256_setr_m128(_mm_broadcast_ss(p), _mm_broadcast_ss(p + 1));
    const __m256 zh = _mm256_setr_m128(_mm_broadcast_ss(p + 2), _mm_set1_ps(h));
    const __m256 t = _mm256_fmadd_ps(xy, lo, _mm256_mul_ps(zh, hi));
    return _mm_add_ps(_mm256_castps256_ps128(t), _mm256_extractf128_ps(t, 1));
}

__attribute__((target("avx2,fma"))) inline void Store3(char* p, __m128 v)
{
    _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
    _mm_store_ss(reinterpret_cast<float*>(p + 8), _mm_movehl_ps(v, v));
}

template <int N>
__attribute__((target("avx2,fma"))) void BlendFastAvx2(const SkinJob& job)
{
    const uint32_t n = job.perVertex;
    const float* positions = &job.positions[0]._11;
    const float* normals = job.normals ? &job.normals[0]._11 : nullptr;
    for (size_t v = 0; v < job.count; ++v) {
        const float* p = reinterpret_cast<const float*>(job.src + v * job.stride);
        char* out = job.dst + v * job.stride;
        const uint32_t* bones = job.bones + v * n;
        const float* weights = job.weights + v * n;
        __m256 lo, hi;
        SumAvx2<N>(positions, bones, weights, n, lo, hi);
        const __m128 position = Apply(p, 1.0f, lo, hi);
        if (normals) {
            SumAvx2<N>(normals, bones, weights, n, lo, hi);
            const __m128 normal = Apply(p + 3, 0.0f, lo, hi);
            Store3(out + 12, normal);
        }
        Store3(out, position);
    }
}

__attribute__((target("avx2,fma"))) void TransformOneAvx2(const char* src, char* dst, size_t stride, size_t count,
                                                          const D3DXMATRIX& m)
{
    const __m256 lo = _mm256_loadu_ps(&m._11);
    const __m256 hi = _mm256_loadu_ps(&m._31);
    for (size_t v = 0; v < count; ++v)
        Store3(dst + v * stride, Apply(reinterpret_cast<const float*>(src + v * stride), 1.0f, lo, hi));
}

bool HasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return avx2;
}

} // namespace

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
    if (!HasAvx2())
        return BlendFastPlain(job);
    switch (job.perVertex) {
    case 4: return BlendFastAvx2<4>(job);
    case 2: return BlendFastAvx2<2>(job);
    case 1: return BlendFastAvx2<1>(job);
    default: return BlendFastAvx2<0>(job);
    }
}

void Blend(const SkinJob& job)
{
    if (job.affine)
        BlendFast(job);
    else
        BlendExact(job);
}

void TransformOne(const char* src, char* dst, size_t stride, size_t count, const D3DXMATRIX& m)
{
    if (HasAvx2())
        return TransformOneAvx2(src, dst, stride, count, m);
    for (size_t v = 0; v < count; ++v) {
        float p[3];
        std::memcpy(p, src + v * stride, 12);
        Store3(dst + v * stride, p[0] * m._11 + p[1] * m._21 + p[2] * m._31 + m._41,
               p[0] * m._12 + p[1] * m._22 + p[2] * m._32 + m._42, p[0] * m._13 + p[1] * m._23 + p[2] * m._33 + m._43);
    }
}

} // namespace Kestu::skinning
