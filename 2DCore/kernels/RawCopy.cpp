// Raw rectangle copies: unchanged, converted between 565 and 32 bits, to 4444
// texels, and with a colour key that leaves the destination under key pixels.
#include <cstring>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
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

}  // namespace

void BltCopyAnyDepth(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int bitsPerPixel)
{
    if (width < 1 || rows < 1) return;
    const int bytes = width * bitsPerPixel / 8;
    if (bytes < 1) return;
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [bytes](uint8_t* d, const uint8_t* s) { std::memcpy(d, s, bytes); });
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

void BltColorKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    const __m128i vkey = Splat16(k);
    ForEachRawRow(dst, src, rows, dstPitch, srcPitch, [width, k, vkey](uint8_t* d, const uint8_t* s) {
        int x = 0;
        // Blocks without key pixels are stored whole.
        for (; x + 32 <= width; x += 32) {
            const __m128i a = LoadPixels8(s + 2 * x), b = LoadPixels8(s + 2 * x + 16);
            const __m128i c = LoadPixels8(s + 2 * x + 32), e = LoadPixels8(s + 2 * x + 48);
            const __m128i ka = _mm_cmpeq_epi16(a, vkey), kb = _mm_cmpeq_epi16(b, vkey);
            const __m128i kc = _mm_cmpeq_epi16(c, vkey), ke = _mm_cmpeq_epi16(e, vkey);
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(ka, kb), _mm_or_si128(kc, ke))) == 0) {
                StorePixels8(d + 2 * x, a);
                StorePixels8(d + 2 * x + 16, b);
                StorePixels8(d + 2 * x + 32, c);
                StorePixels8(d + 2 * x + 48, e);
                continue;
            }
            StorePixels8(d + 2 * x, Select(ka, LoadPixels8(d + 2 * x), a));
            StorePixels8(d + 2 * x + 16, Select(kb, LoadPixels8(d + 2 * x + 16), b));
            StorePixels8(d + 2 * x + 32, Select(kc, LoadPixels8(d + 2 * x + 32), c));
            StorePixels8(d + 2 * x + 48, Select(ke, LoadPixels8(d + 2 * x + 48), e));
        }
        for (; x + 16 <= width; x += 16) {
            const __m128i a = LoadPixels8(s + 2 * x), b = LoadPixels8(s + 2 * x + 16);
            const __m128i ka = _mm_cmpeq_epi16(a, vkey), kb = _mm_cmpeq_epi16(b, vkey);
            if (_mm_movemask_epi8(_mm_or_si128(ka, kb)) == 0) {
                StorePixels8(d + 2 * x, a);
                StorePixels8(d + 2 * x + 16, b);
                continue;
            }
            StorePixels8(d + 2 * x, Select(ka, LoadPixels8(d + 2 * x), a));
            StorePixels8(d + 2 * x + 16, Select(kb, LoadPixels8(d + 2 * x + 16), b));
        }
        for (; x + 8 <= width; x += 8) {
            const __m128i sp = LoadPixels8(s + 2 * x);
            const __m128i skip = _mm_cmpeq_epi16(sp, vkey);
            StorePixels8(d + 2 * x, Select(skip, LoadPixels8(d + 2 * x), sp));
        }
        for (; x < width; ++x) {
            const uint16_t p = Load16(s + 2 * x);
            if (p != k) Store16(d + 2 * x, p);
        }
    });
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

void BltColorKey565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int,
                        uint32_t key)
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
