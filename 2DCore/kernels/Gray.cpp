// Grey paints of run-length sprites: v = blue/4 + green/8 + red/2 of the
// channel values, replicated into every channel.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

template <class F>
inline int GreyValue(uint16_t p)
{
    constexpr int greenBits = F::kRedShift - 5;
    const int r = (p >> F::kRedShift) & 0x1F;
    const int g = (p >> 5) & ((1 << greenBits) - 1);
    const int b = p & 0x1F;
    return (b >> 2) + (g >> 3) + (r >> 1);
}

template <class F>
inline uint16_t GreyPixel(uint16_t p)
{
    const int v = GreyValue<F>(p);
    return static_cast<uint16_t>(v | (v << (F::kRedShift - 5)) | (v << F::kRedShift));
}

template <class F>
inline __m128i Grey8(__m128i p)
{
    constexpr int greenBits = F::kRedShift - 5;
    const __m128i five = Splat16(0x1F);
    const __m128i r = _mm_and_si128(_mm_srli_epi16(p, F::kRedShift), five);
    const __m128i g = _mm_and_si128(_mm_srli_epi16(p, 5), Splat16((1 << greenBits) - 1));
    const __m128i b = _mm_and_si128(p, five);
    const __m128i v = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(b, 2), _mm_srli_epi16(g, 3)), _mm_srli_epi16(r, 1));
    return _mm_or_si128(_mm_or_si128(v, _mm_slli_epi16(v, F::kRedShift - 5)), _mm_slli_epi16(v, F::kRedShift));
}

template <class F>
void Grey(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch, int leftSkip)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + pos;
            const int pixels = n / 2;
            int i = 0;
            for (; i + 8 <= pixels; i += 8) StorePixels8(out + 2 * i, Grey8<F>(LoadPixels8(src + 2 * i)));
            for (; i < pixels; ++i) Store16(out + 2 * i, GreyPixel<F>(Load16(src + 2 * i)));
        });
        row += dstPitch;
    });
}

} // namespace

void BltRleGray565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + 2 * pos;
            const int pixels = n / 2;
            int i = 0;
            for (; i + 8 <= pixels; i += 8) StoreExpanded8(out + 4 * i, Grey8<Format565>(LoadPixels8(src + 2 * i)));
            for (; i < pixels; ++i) Store32(out + 4 * i, Expand565To32(GreyPixel<Format565>(Load16(src + 2 * i))));
        });
        row += dstPitch;
    });
}

void BltRleGray565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip)
{
    Grey<Format565>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
}

void BltRleGray555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                   int leftSkip)
{
    Grey<Format555>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
}
