// Run-length copies: opaque runs copied, expanded to 32 bits, converted to
// 4444 texels or ANDed with the source filter mask.
#include <cstring>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
#include "2DCore/kernels/KernelWide.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

struct RleCopy {
    template <int N>
    __attribute__((always_inline)) static void Run(void* dst, const void* runBase, const uint32_t* rowOffsets,
                                                   int width, int rows, int dstPitch, int leftSkip)
    {
        auto* row = static_cast<uint8_t*>(dst);
        ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
            WalkRleRow(run, width, leftSkip,
                       [row](const uint8_t* src, int pos, int n) { CopyBytes<N>(row + pos, src, n); });
            row += dstPitch;
        });
    }
};

} // namespace

void BltRleCopy16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                  int leftSkip)
{
    if (width < 1 || rows < 1) return;
    RunWidest<RleCopy>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
}

void BltRleCopy565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + 2 * pos;
            const int pixels = n / 2;
            int i = 0;
            for (; i + 8 <= pixels; i += 8) StoreExpanded8(out + 4 * i, LoadPixels8(src + 2 * i));
            for (; i < pixels; ++i) Store32(out + 4 * i, Expand565To32(Load16(src + 2 * i)));
        });
        row += dstPitch;
    });
}

void BltRleCopy565To4444(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + pos;
            for (int i = 0; i < n / 2; ++i) Store16(out + 2 * i, Convert565To4444(Load16(src + 2 * i)));
        });
        row += dstPitch;
    });
}

void BltRleSourceFilter16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip, uint16_t mask)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const __m128i vmask = Splat16(mask);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row, mask, vmask](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + pos;
            const int pixels = n / 2;
            int i = 0;
            for (; i + 8 <= pixels; i += 8) StorePixels8(out + 2 * i, _mm_and_si128(LoadPixels8(src + 2 * i), vmask));
            for (; i < pixels; ++i) Store16(out + 2 * i, static_cast<uint16_t>(Load16(src + 2 * i) & mask));
        });
        row += dstPitch;
    });
}

void BltRleSourceFilter32Nop(void*, const void*, const uint32_t*, int, int, int, int, uint16_t) {}
