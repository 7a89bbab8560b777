// Rotated paint: every opaque pixel mapped forward about the sprite centre,
// optionally written twice to close the gaps forward mapping leaves.
//
// The target coordinates are defined by extended-precision arithmetic. Most
// pixels get them from doubles, two coordinates per SSE2 vector: with sides
// and offsets below 2^16 every double value lies within 2^-32 of the extended
// one, so whenever each offset value stands more than kMargin from an integer
// (and each coordinate from zero) the truncations agree. The few pixels that
// do not, and paints outside those bounds, take the extended-precision path.
#include <emmintrin.h>

#include <cmath>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

constexpr int kNearSide = 1 << 16;
constexpr long double kNearOffset = 1 << 16;
constexpr double kMargin = 1.0 / (1 << 24);

// Truncation toward zero after an offset away from zero.
inline int RoundAway(long double v, long double offset) { return static_cast<int>(v > 0 ? v + offset : v - offset); }

// The two places a pixel goes: (xa, ya) always, (xb, yb) when it differs.
struct Landing {
    int xa, ya, xb, yb;
};

// The definition.
__attribute__((noinline)) Landing ExactLanding(int column, float ys, long double yc, long double c, long double s,
                                               long double a, long double b)
{
    const long double dx = column;
    const long double X = dx * c - ys;
    const long double V = (-dx) * s - yc;
    return {RoundAway(X, a), RoundAway(V, a), RoundAway(X, b), RoundAway(V, b)};
}

struct NearRotation {
    __m128d cs;   // (c, -s)
    __m128d offA; // a in both lanes
    __m128d offB;
};

// The landing from doubles; false when some value is too close to call.
inline bool NearLanding(const NearRotation& r, __m128d row, int column, Landing& out)
{
    const __m128d abs = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    const __m128d margin = _mm_set1_pd(kMargin), high = _mm_set1_pd(1.0 - kMargin);
    const __m128d xv = _mm_sub_pd(_mm_mul_pd(_mm_set1_pd(column), r.cs), row);
    // Away from zero: each offset takes its coordinate's sign.
    const __m128d sign = _mm_andnot_pd(abs, xv);
    const __m128d fa = _mm_add_pd(xv, _mm_xor_pd(r.offA, sign));
    const __m128d fb = _mm_add_pd(xv, _mm_xor_pd(r.offB, sign));
    const __m128i ia = _mm_cvttpd_epi32(fa), ib = _mm_cvttpd_epi32(fb);
    const __m128d ra = _mm_and_pd(_mm_sub_pd(fa, _mm_cvtepi32_pd(ia)), abs);
    const __m128d rb = _mm_and_pd(_mm_sub_pd(fb, _mm_cvtepi32_pd(ib)), abs);
    __m128d ok = _mm_and_pd(_mm_cmpgt_pd(_mm_and_pd(xv, abs), margin), _mm_cmpgt_pd(ra, margin));
    ok = _mm_and_pd(ok, _mm_cmplt_pd(ra, high));
    ok = _mm_and_pd(ok, _mm_and_pd(_mm_cmpgt_pd(rb, margin), _mm_cmplt_pd(rb, high)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&out), _mm_unpacklo_epi64(ia, ib));
    return _mm_movemask_pd(ok) == 3;
}

} // namespace

void BltRleRotate16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int height, int dstPitch,
                    int left, int right, int top, int bottom, float angle, float spread)
{
    if (width < 1 || height < 1 || right <= left || bottom <= top) return;
    const long double c = std::cos(static_cast<long double>(angle));
    const long double s = std::sin(static_cast<long double>(angle));
    const long double a = 0.5L - spread, b = 0.5L + spread;
    const int hw = width / 2, hh = height / 2;
    const intptr_t rowLength = dstPitch / 2;
    auto* out = static_cast<uint8_t*>(dst);
    // Unsigned differences test both ends of each range at once.
    const uint32_t spanX = uint32_t(right) - uint32_t(left), spanY = uint32_t(bottom) - uint32_t(top);
    auto put = [&](int x, int y, uint16_t p) {
        if (uint32_t(x) - uint32_t(left) < spanX && uint32_t(y) - uint32_t(top) < spanY)
            Store16(out + 2 * (y * rowLength + x), p);
    };
    // The comparisons also keep NaN and infinities out of the double path.
    const bool near = width <= kNearSide && height <= kNearSide && std::fabs(c) <= 1 && std::fabs(s) <= 1 &&
                      std::fabs(a) < kNearOffset && std::fabs(b) < kNearOffset;
    const NearRotation rotation = {_mm_set_pd(double(-s), double(c)), _mm_set1_pd(double(a)), _mm_set1_pd(double(b))};
    ForEachRleRow(runBase, rowOffsets, height, [&](const uint8_t* run, int r) {
        const long double Y = hh - r;
        const float ys = static_cast<float>(Y * s);
        const long double yc = Y * c;
        const __m128d row = _mm_set_pd(double(yc), double(ys));
        WalkRleRow(run, 2 * width, 0, [&](const uint8_t* src, int pos, int n) {
            const int first = pos / 2 - hw;
            for (int i = 0; i < n / 2; ++i) {
                const int column = first + i;
                Landing l;
                if (!near || !NearLanding(rotation, row, column, l)) l = ExactLanding(column, ys, yc, c, s, a, b);
                const uint16_t p = Load16(src + 2 * i);
                put(l.xa, l.ya, p);
                if (l.xb != l.xa || l.yb != l.ya) put(l.xb, l.yb, p);
            }
        });
    });
}
