// Raw rectangle copies: unchanged, converted between 565 and 32 bits, to 4444
// texels, and with a colour key that leaves the destination under key pixels.
#include <cstring>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
#include "2DCore/kernels/KernelWide.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

// Calls op(dstRow, srcRow) for every row.
template <class Op>
inline void ForEachRawRow(void* dst, const void* src, int rows, int dstPitch, int srcPitch, Op&& op)
{
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch) op(d, s);
}

} // namespace

void BltCopyAnyDepth(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel)
{
    if (width < 1 || rows < 1) return;
    const int bytes = width * bitsPerPixel / 8;
    if (bytes < 1) return;
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch,
                  [bytes](uint8_t* d, const uint8_t* s) { std::memcpy(d, s, bytes); });
}

void BltCopy565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int)
{
    if (width < 1 || rows < 1) return;
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width](uint8_t* d, const uint8_t* s) {
        int x = 0;
        for (; x + 8 <= width; x += 8) StoreExpanded8(d + 4 * x, LoadPixels8(s + 2 * x));
        for (; x < width; ++x) Store32(d + 4 * x, Expand565To32(Load16(s + 2 * x)));
    });
}

void BltCopy32To565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int)
{
    if (width < 1 || rows < 1) return;
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width](uint8_t* d, const uint8_t* s) {
        for (int x = 0; x < width; ++x) Store16(d + 2 * x, Reduce32To565(Load32(s + 4 * x)));
    });
}

namespace {

// Pixels equal to the key leave the destination alone. Blocks of four
// vectors without a key pixel are stored whole; a ragged end is one more
// vector overlapping the one before it, which writes the same pixels again.
struct ColorKey16 {
    template <int N>
    __attribute__((always_inline)) static void Run(void* dst, const void* src, int width, int rows, int dstPitch,
                                                   int srcPitch, uint16_t k)
    {
        using V = typename Wide<N>::Pixels;
        using M = typename Wide<N>::Mask;
        constexpr int kLanes = N / 2;
        auto put = [k](uint8_t* d, const uint8_t* s) {
            const V p = *reinterpret_cast<const V*>(s);
            V& out = *reinterpret_cast<V*>(d);
            out = reinterpret_cast<const M&>(p) == static_cast<int16_t>(k) ? out : p;
        };
        ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [&](uint8_t* d, const uint8_t* s) {
            int x = 0;
            for (; x + 4 * kLanes <= width; x += 4 * kLanes) {
                const V a = *reinterpret_cast<const V*>(s + 2 * x);
                const V b = *reinterpret_cast<const V*>(s + 2 * x + N);
                const V c = *reinterpret_cast<const V*>(s + 2 * x + 2 * N);
                const V e = *reinterpret_cast<const V*>(s + 2 * x + 3 * N);
                const M keyed = (a == k) | (b == k) | (c == k) | (e == k);
                if (!AnyLane<N>(keyed)) {
                    *reinterpret_cast<V*>(d + 2 * x) = a;
                    *reinterpret_cast<V*>(d + 2 * x + N) = b;
                    *reinterpret_cast<V*>(d + 2 * x + 2 * N) = c;
                    *reinterpret_cast<V*>(d + 2 * x + 3 * N) = e;
                    continue;
                }
                for (int i = 0; i < 4; ++i) put(d + 2 * x + i * N, s + 2 * x + i * N);
            }
            if (x == width) return;
            if (width >= kLanes) {
                for (; x + kLanes < width; x += kLanes) put(d + 2 * x, s + 2 * x);
                put(d + 2 * (width - kLanes), s + 2 * (width - kLanes));
                return;
            }
            for (; x < width; ++x) {
                const uint16_t p = Load16(s + 2 * x);
                if (p != k) Store16(d + 2 * x, p);
            }
        });
    }
};

} // namespace

void BltColorKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    RunWidest<ColorKey16>(dst, src, width, rows, dstPitch, srcPitch, static_cast<uint16_t>(key));
}

void BltColorKey32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const __m128i vkey = _mm_set1_epi32(static_cast<int>(key));
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width, key, vkey](uint8_t* d, const uint8_t* s) {
        int x = 0;
        for (; x + 4 <= width; x += 4) {
            const __m128i sp = LoadPixels8(s + 4 * x);
            const __m128i skip = _mm_cmpeq_epi32(sp, vkey);
            const int bits = _mm_movemask_epi8(skip);
            if (bits == 0xFFFF) continue;
            StorePixels8(d + 4 * x, bits == 0 ? sp : Select(skip, LoadPixels8(d + 4 * x), sp));
        }
        for (; x < width; ++x) {
            const uint32_t p = Load32(s + 4 * x);
            if (p != key) Store32(d + 4 * x, p);
        }
    });
}

void BltColorKey565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    const __m128i vkey = Splat16(k);
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width, k, vkey](uint8_t* d, const uint8_t* s) {
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            const __m128i sp = LoadPixels8(s + 2 * x);
            const __m128i skip = _mm_cmpeq_epi16(sp, vkey);
            const int bits = _mm_movemask_epi8(skip);
            if (bits == 0xFFFF) continue;
            if (bits == 0) {
                StoreExpanded8(d + 4 * x, sp);
                continue;
            }
            const __m128i zero = _mm_setzero_si128();
            const __m128i lo = Expand565To32x4(_mm_unpacklo_epi16(sp, zero));
            const __m128i hi = Expand565To32x4(_mm_unpackhi_epi16(sp, zero));
            StorePixels8(d + 4 * x, Select(_mm_unpacklo_epi16(skip, skip), LoadPixels8(d + 4 * x), lo));
            StorePixels8(d + 4 * x + 16, Select(_mm_unpackhi_epi16(skip, skip), LoadPixels8(d + 4 * x + 16), hi));
        }
        for (; x < width; ++x) {
            const uint16_t p = Load16(s + 2 * x);
            if (p != k) Store32(d + 4 * x, Expand565To32(p));
        }
    });
}

void BltColorKey565To4444(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int,
                          uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width, k](uint8_t* d, const uint8_t* s) {
        for (int x = 0; x < width; ++x) {
            const uint16_t p = Load16(s + 2 * x);
            if (p != k) Store16(d + 2 * x, Convert565To4444(p));
        }
    });
}

void BltColorKey32SetAlpha(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int,
                           uint32_t key)
{
    if (width < 1 || rows < 1) return;
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width, key](uint8_t* d, const uint8_t* s) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = Load32(s + 4 * x);
            if (p != key) Store32(d + 4 * x, p | 0xFF000000u);
        }
    });
}
