// Half-and-half blends: the source averaged per channel with the destination,
// or the whole pixel averaged under the source filter mask.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

// Equal source and destination pixels are left alone (a 555 pixel keeps bit 15).
template <class F>
inline void HalfRun(uint8_t* out, const uint8_t* src, int pixels)
{
    int i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m128i s = LoadPixels8(src + 2 * i), d = LoadPixels8(out + 2 * i);
        StorePixels8(out + 2 * i, Select(_mm_cmpeq_epi16(s, d), d, HalfBlend8<F>(s, d)));
    }
    for (; i < pixels; ++i) {
        const uint16_t s = Load16(src + 2 * i), d = Load16(out + 2 * i);
        if (s != d) Store16(out + 2 * i, HalfBlend<F>(s, d));
    }
}

template <class F>
void HalfRle(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
             int leftSkip)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip,
                   [row](const uint8_t* src, int pos, int n) { HalfRun<F>(row + pos, src, n / 2); });
        row += dstPitch;
    });
}

template <class F>
void HalfKey(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    const __m128i vkey = Splat16(k);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch) {
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            const __m128i sp = LoadPixels8(s + 2 * x), dp = LoadPixels8(d + 2 * x);
            const __m128i keep = _mm_or_si128(_mm_cmpeq_epi16(sp, vkey), _mm_cmpeq_epi16(sp, dp));
            StorePixels8(d + 2 * x, Select(keep, dp, HalfBlend8<F>(sp, dp)));
        }
        for (; x < width; ++x) {
            const uint16_t sp = Load16(s + 2 * x), dp = Load16(d + 2 * x);
            if (sp != k && sp != dp) Store16(d + 2 * x, HalfBlend<F>(sp, dp));
        }
    }
}

inline uint16_t MaskedHalf(uint16_t s, uint16_t d, uint16_t m)
{
    return static_cast<uint16_t>(((static_cast<uint32_t>(s & m) + (d & m)) >> 1) & m);
}

} // namespace

void BltRleHalf32Nop(void*, const void*, const uint32_t*, int, int, int, int) {}

void BltRleHalf565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip)
{
    HalfRle<Format565>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
}

void BltRleHalf555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip)
{
    HalfRle<Format555>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
}

void BltRleSourceFilterHalf32Nop(void*, const void*, const uint32_t*, int, int, int, int, uint16_t) {}

// Pixels go in pairs counted from the first painted pixel of each run: a pair
// equal to its destination is left alone, otherwise both get the formula.
void BltRleSourceFilterHalf16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                              int dstPitch, int leftSkip, uint16_t mask)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const __m128i m = Splat16(mask);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row, mask, m](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + pos;
            const int pixels = n / 2;
            int i = 0;
            for (; i + 8 <= pixels; i += 8) {
                const __m128i s = LoadPixels8(src + 2 * i), d = LoadPixels8(out + 2 * i);
                const __m128i a = _mm_and_si128(s, m), b = _mm_and_si128(d, m);
                const __m128i avg =
                    _mm_and_si128(_mm_add_epi16(_mm_and_si128(a, b), _mm_srli_epi16(_mm_xor_si128(a, b), 1)), m);
                StorePixels8(out + 2 * i, Select(_mm_cmpeq_epi32(s, d), d, avg));
            }
            for (; i + 2 <= pixels; i += 2) {
                const uint32_t s = Load32(src + 2 * i), d = Load32(out + 2 * i);
                if (s == d) continue;
                Store16(out + 2 * i, MaskedHalf(static_cast<uint16_t>(s), static_cast<uint16_t>(d), mask));
                Store16(out + 2 * i + 2,
                        MaskedHalf(static_cast<uint16_t>(s >> 16), static_cast<uint16_t>(d >> 16), mask));
            }
            if (i < pixels) {
                const uint16_t s = Load16(src + 2 * i), d = Load16(out + 2 * i);
                if (s != d) Store16(out + 2 * i, MaskedHalf(s, d, mask));
            }
        });
        row += dstPitch;
    });
}

void BltHalfKey32Nop(void*, const void*, int, int, int, int, uint32_t) {}

void BltHalfKey565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key)
{
    HalfKey<Format565>(dst, src, width, rows, dstPitch, srcPitch, key);
}

void BltHalfKey555(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key)
{
    HalfKey<Format555>(dst, src, width, rows, dstPitch, srcPitch, key);
}
