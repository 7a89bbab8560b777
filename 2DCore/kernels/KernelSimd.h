// Private SSE2 helpers of the paint kernels: eight 16-bit pixels per vector.
// Every helper gives exactly the result of its scalar twin in KernelCommon.h.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "2DCore/kernels/KernelCommon.h"

namespace kestu::kernels {

inline __m128i LoadPixels8(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void StorePixels8(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
inline __m128i Splat16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }

// Eight alpha bytes widened to 16-bit lanes.
inline __m128i LoadAlpha8(const uint8_t* a)
{
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)), _mm_setzero_si128());
}

// Per-lane 16-level blend with weights 0..16; see BlendWeight.
template <class F>
inline __m128i BlendWeight8(__m128i s, __m128i d, __m128i w)
{
    const __m128i blue = Splat16(F::kBlue), green = Splat16(F::kGreen);
    __m128i sr = _mm_srli_epi16(s, F::kRedShift), dr = _mm_srli_epi16(d, F::kRedShift);
    if constexpr (F::kRedShift == 10) {
        sr = _mm_and_si128(sr, blue);
        dr = _mm_and_si128(dr, blue);
    }
    const __m128i sg = _mm_and_si128(s, green), dg = _mm_and_si128(d, green);
    const __m128i sb = _mm_and_si128(s, blue), db = _mm_and_si128(d, blue);
    __m128i r = _mm_add_epi16(dr, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sr, dr), w), 4));
    __m128i g = _mm_add_epi16(dg, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sg, dg), w), 4));
    __m128i b = _mm_add_epi16(db, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sb, db), w), 4));
    r = _mm_slli_epi16(r, F::kRedShift);
    g = _mm_and_si128(g, green);
    return _mm_or_si128(_mm_or_si128(r, g), b);
}

// Per-lane 16 levels (0..15): level 0 keeps d, level 15 writes s bit for bit.
template <class F>
inline __m128i BlendLevel8(__m128i s, __m128i d, __m128i level)
{
    const __m128i top = _mm_cmpeq_epi16(level, Splat16(15));
    const __m128i w = _mm_sub_epi16(level, top);
    __m128i r = BlendWeight8<F>(s, d, w);
    if constexpr (F::kAll != 0xFFFF) {
        // Only bit 15 of a 555 pixel can differ from the arithmetic result.
        const __m128i zero = _mm_cmpeq_epi16(level, _mm_setzero_si128());
        const __m128i keep = _mm_or_si128(_mm_and_si128(zero, d), _mm_and_si128(top, s));
        r = _mm_or_si128(r, _mm_and_si128(keep, Splat16(0x8000)));
    }
    return r;
}

template <class F>
inline __m128i HalfBlend8(__m128i s, __m128i d)
{
    const __m128i both = _mm_and_si128(_mm_and_si128(s, d), Splat16(F::kAll));
    const __m128i diff = _mm_srli_epi16(_mm_and_si128(_mm_xor_si128(s, d), Splat16(F::kHalfMask)), 1);
    return _mm_add_epi16(both, diff);
}

// Four 565 pixels (the low or high half of s, widened to 32-bit lanes) as 0xFFRRGGBB.
inline __m128i Expand565To32x4(__m128i wide)
{
    const __m128i r = _mm_slli_epi32(_mm_and_si128(wide, _mm_set1_epi32(0xF800)), 8);
    const __m128i g = _mm_slli_epi32(_mm_and_si128(wide, _mm_set1_epi32(0x07E0)), 5);
    const __m128i b = _mm_slli_epi32(_mm_and_si128(wide, _mm_set1_epi32(0x001F)), 3);
    return _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, _mm_set1_epi32(static_cast<int>(0xFF000000u))));
}

// Eight 565 pixels expanded to 32 bits and stored at out.
inline void StoreExpanded8(uint8_t* out, __m128i s)
{
    const __m128i zero = _mm_setzero_si128();
    StorePixels8(out, Expand565To32x4(_mm_unpacklo_epi16(s, zero)));
    StorePixels8(out + 16, Expand565To32x4(_mm_unpackhi_epi16(s, zero)));
}

// mask ? a : b
inline __m128i Select(__m128i mask, __m128i a, __m128i b)
{
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

} // namespace kestu::kernels
