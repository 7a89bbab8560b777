// Alpha-plane blends of run-length sprites: 16 levels into 565 and 555,
// 256 levels into 32-bit buffers, plain or compressed alpha planes.
#include "2DCore/kernels/AlphaBlendRun.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

// Compressed planes: each visible run is painted only where an alpha span
// covers its columns.
template <class RunOp>
void CompressedPlane(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                     const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth, int leftSkip,
                     int dstBytesPerPixel, RunOp&& runOp)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const auto* alphaEntry = reinterpret_cast<const uint8_t*>(alphaRowOffsets);
    const auto* alphaBlock = static_cast<const uint8_t*>(alphaBase);
    const int firstColumn = leftSkip / 2;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int y) {
        AlphaSpanReader spans(alphaBlock + Load32(alphaEntry + 4 * y), imageWidth);
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            const int begin = (leftSkip + pos) / 2;
            spans.Cover(begin, begin + n / 2, [&](int x, const uint8_t* a, int count) {
                const int offset = x - firstColumn;
                runOp(row + offset * dstBytesPerPixel, src + 2 * (x - begin), a, count);
            });
        });
        row += dstPitch;
    });
}

} // namespace

void BltRleAlpha32(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                   int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const uint8_t* alphaRow = alpha;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            AlphaRun32(row + 2 * pos, src, alphaRow + (leftSkip + pos) / 2, n / 2);
        });
        row += dstPitch;
        alphaRow += alphaPitch;
    });
}

void BltRleAlpha565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                    int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    AlphaPlane16<Format565>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip, 0xFFFF,
                            LevelScale());
}

void BltRleAlpha555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                    int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    AlphaPlane16<Format555>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip, 0xFFFF,
                            LevelScale());
}

void BltRleAlphaCompressed32(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                             const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                             int leftSkip)
{
    CompressedPlane(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows, dstPitch, imageWidth, leftSkip,
                    4, [](uint8_t* out, const uint8_t* src, const uint8_t* a, int n) { AlphaRun32(out, src, a, n); });
}

void BltRleAlphaCompressed565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                              const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                              int leftSkip)
{
    const LevelScale scale;
    CompressedPlane(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows, dstPitch, imageWidth, leftSkip,
                    2, [&scale](uint8_t* out, const uint8_t* src, const uint8_t* a, int n) {
                        AlphaRun16<Format565>(out, src, a, n, 0xFFFF, scale);
                    });
}

void BltRleAlphaCompressed555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                              const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                              int leftSkip)
{
    const LevelScale scale;
    CompressedPlane(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows, dstPitch, imageWidth, leftSkip,
                    2, [&scale](uint8_t* out, const uint8_t* src, const uint8_t* a, int n) {
                        AlphaRun16<Format555>(out, src, a, n, 0xFFFF, scale);
                    });
}

void BltRleAlphaSourceFilter32Nop(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int,
                                  uint16_t)
{
}

void BltRleAlphaSourceFilter565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                int width, int rows, int dstPitch, int alphaPitch, int leftSkip, uint16_t mask)
{
    AlphaPlane16<Format565>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip, mask,
                            LevelScale());
}

void BltRleAlphaSourceFilter555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                                int width, int rows, int dstPitch, int alphaPitch, int leftSkip, uint16_t mask)
{
    AlphaPlane16<Format555>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip, mask,
                            LevelScale());
}

void BltRleAlphaReserved32Nop(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int) {}
void BltRleAlphaReserved565Nop(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int) {}
void BltRleAlphaReserved555Nop(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int) {}
