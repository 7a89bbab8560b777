// Table-driven paints: alpha bytes painted through the colour table, and the
// two-table shade blend of a raw source over the destination.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

void BltRleAlphaColorTable32Nop(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int,
                                const uint16_t*)
{
}

void BltRleAlphaColorTable16(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                             int width, int rows, int dstPitch, int alphaPitch, int leftSkip,
                             const uint16_t* colorTable)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const uint8_t* alphaRow = alpha;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t*, int pos, int n) {
            const uint8_t* a = alphaRow + (leftSkip + pos) / 2;
            uint8_t* out = row + pos;
            const int pixels = n / 2;
            int i = 0;
            for (; i + 4 <= pixels; i += 4) {
                const uint32_t four = Load32(a + i);
                if (four == 0) continue;
                for (int j = 0; j < 4; ++j) {
                    const uint8_t b = static_cast<uint8_t>(four >> (8 * j));
                    if (b != 0) Store16(out + 2 * (i + j), colorTable[b]);
                }
            }
            for (; i < pixels; ++i)
                if (a[i] != 0) Store16(out + 2 * i, colorTable[a[i]]);
        });
        row += dstPitch;
        alphaRow += alphaPitch;
    });
}

void BltShadeBlendKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                        const uint16_t* dstTable, const uint16_t* srcTable, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch) {
        for (int x = 0; x < width; ++x) {
            const uint16_t p = Load16(s + 2 * x);
            if (p == k) continue;
            Store16(d + 2 * x, static_cast<uint16_t>(dstTable[Load16(d + 2 * x)] + srcTable[p]));
        }
    }
}

void BltShadeBlendKey565To32(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch,
                             const uint16_t* dstTable, const uint16_t* srcTable, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch) {
        for (int x = 0; x < width; ++x) {
            const uint16_t p = Load16(s + 2 * x);
            if (p == k) continue;
            const uint16_t under = Reduce32To565(Load32(d + 4 * x));
            Store32(d + 4 * x, Expand565To32(static_cast<uint16_t>(dstTable[under] + srcTable[p])));
        }
    }
}
