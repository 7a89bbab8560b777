// Rotated paint: every opaque pixel mapped forward about the sprite centre,
// optionally written twice to close the gaps forward mapping leaves.
#include <cmath>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

// Truncation toward zero after an offset away from zero.
inline int RoundAway(long double v, long double offset)
{
    return static_cast<int>(v > 0 ? v + offset : v - offset);
}

}  // namespace

namespace {

// The body is inlined twice: once as plain x86-64 and once compiled for SSE3,
// where the extended-precision truncations use fisttp instead of switching
// the x87 rounding mode around every conversion (same results, several times
// faster).
__attribute__((always_inline)) inline void RotateBody(void* dst, const void* runBase, const uint32_t* rowOffsets,
                                                      int width, int height, int dstPitch, int left, int right,
                                                      int top, int bottom, float angle, float spread)
{
    if (width < 1 || height < 1 || right <= left || bottom <= top) return;
    const long double c = std::cos(static_cast<long double>(angle));
    const long double s = std::sin(static_cast<long double>(angle));
    const long double a = 0.5L - spread, b = 0.5L + spread;
    const int hw = width / 2, hh = height / 2;
    const intptr_t rowLength = dstPitch / 2;
    auto* out = static_cast<uint8_t*>(dst);
    auto put = [&](int x, int y, uint16_t p) {
        if (x >= left && x < right && y >= top && y < bottom) Store16(out + 2 * (y * rowLength + x), p);
    };
    ForEachRleRow(runBase, rowOffsets, height, [&](const uint8_t* run, int r) {
        const long double Y = hh - r;
        const float ys = static_cast<float>(Y * s);
        const long double yc = Y * c;
        WalkRleRow(run, 2 * width, 0, [&](const uint8_t* src, int pos, int n) {
            for (int i = 0; i < n / 2; ++i) {
                const long double dx = pos / 2 + i - hw;
                const long double X = dx * c - ys;
                const long double V = (-dx) * s - yc;
                const uint16_t p = Load16(src + 2 * i);
                const int xa = RoundAway(X, a), xb = RoundAway(X, b);
                const int ya = RoundAway(V, a), yb = RoundAway(V, b);
                put(xa, ya, p);
                if (xb != xa || yb != ya) put(xb, yb, p);
            }
        });
    });
}

__attribute__((target("sse3"))) void RotateSse3(void* dst, const void* runBase, const uint32_t* rowOffsets,
                                                 int width, int height, int dstPitch, int left, int right, int top,
                                                 int bottom, float angle, float spread)
{
    RotateBody(dst, runBase, rowOffsets, width, height, dstPitch, left, right, top, bottom, angle, spread);
}

void RotatePlain(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int height, int dstPitch,
                 int left, int right, int top, int bottom, float angle, float spread)
{
    RotateBody(dst, runBase, rowOffsets, width, height, dstPitch, left, right, top, bottom, angle, spread);
}

}  // namespace

void BltRleRotate16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int height, int dstPitch,
                    int left, int right, int top, int bottom, float angle, float spread)
{
    static const bool sse3 = __builtin_cpu_supports("sse3");
    (sse3 ? RotateSse3 : RotatePlain)(dst, runBase, rowOffsets, width, height, dstPitch, left, right, top, bottom,
                                     angle, spread);
}
