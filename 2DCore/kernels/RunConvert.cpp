// Run data converted between 565 and 555 in place, and single pixel reads.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

template <class Convert>
void ConvertRuns(void* runBase, const uint32_t* rowOffsets, int width, int rows, int leftSkip, Convert convert)
{
    if (width < 1 || rows < 1) return;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int, int n) {
            auto* p = const_cast<uint8_t*>(src); // the walk reads; the run block is the caller's writable data
            for (int i = 0; i < n / 2; ++i) Store16(p + 2 * i, convert(Load16(p + 2 * i)));
        });
    });
}

} // namespace

void RleConvert565To555(void* runBase, const uint32_t* rowOffsets, int width, int rows, int leftSkip)
{
    ConvertRuns(runBase, rowOffsets, width, rows, leftSkip,
                [](uint16_t p) { return static_cast<uint16_t>(((p >> 1) & 0x7FE0) | (p & 0x1F)); });
}

void RleConvert555To565(void* runBase, const uint32_t* rowOffsets, int width, int rows, int leftSkip)
{
    ConvertRuns(runBase, rowOffsets, width, rows, leftSkip,
                [](uint16_t p) { return static_cast<uint16_t>(((p & 0xFFE0) << 1) | (p & 0x1F)); });
}

int GetPixelByDepth(const void* pixel, int bitsPerPixel)
{
    const auto* p = static_cast<const uint8_t*>(pixel);
    switch (bitsPerPixel) {
    case 8: return p[0];
    case 15:
    case 16: return Load16(p);
    case 24: return p[0] | (p[1] << 8) | (p[2] << 16);
    case 32: return static_cast<int>(Load32(p));
    default: return 0;
    }
}
