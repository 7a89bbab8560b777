// Mirrored (left to right) and upside-down members of the copy, source filter,
// grey and alpha families. Each paints per pixel what its plain member paints.
#include "2DCore/kernels/Kernels.h"
#include "2DCore/kernels/PlacedRun.h"

using namespace kestu::kernels;

namespace {

template <class F>
uint16_t GreyOf(uint16_t p)
{
    constexpr int greenBits = F::kRedShift - 5;
    const int r = (p >> F::kRedShift) & 0x1F, g = (p >> 5) & ((1 << greenBits) - 1), b = p & 0x1F;
    const int v = (b >> 2) + (g >> 3) + (r >> 1);
    return static_cast<uint16_t>(v | (v << (F::kRedShift - 5)) | (v << F::kRedShift));
}

// Alpha bytes of a compressed plane by column, rows and columns in increasing order.
class CompressedColumns {
public:
    CompressedColumns(const void* base, const uint32_t* rowOffsets, int imageWidth)
        : base_(static_cast<const uint8_t*>(base)), entry_(reinterpret_cast<const uint8_t*>(rowOffsets)),
          imageWidth_(imageWidth)
    {
    }

    // The alpha byte at (column, row), or -1 outside every span.
    int At(int column, int row)
    {
        if (row != row_) {
            row_ = row;
            reader_ = AlphaSpanReader(base_ + Load32(entry_ + 4 * row), imageWidth_);
        }
        int value = -1;
        reader_.Cover(column, column + 1, [&](int, const uint8_t* a, int) { value = *a; });
        return value;
    }

private:
    const uint8_t* base_;
    const uint8_t* entry_;
    int imageWidth_;
    int row_ = -1;
    AlphaSpanReader reader_;
};

template <class F>
void AlphaMirror(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width, int rows,
                 int dstPitch, int alphaPitch, int leftSkip)
{
    PlacedRows<true>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip,
                     [&](uint8_t* out, uint16_t s, int column, int y) {
                         const int level = alpha[static_cast<intptr_t>(y) * alphaPitch + column] >> 4;
                         if (level != 0) Store16(out, BlendLevel<F>(s, Load16(out), level));
                     });
}

template <class F>
void CompressedMirror(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                      const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth, int leftSkip)
{
    CompressedColumns columns(alphaBase, alphaRowOffsets, imageWidth);
    PlacedRows<true>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip,
                     [&](uint8_t* out, uint16_t s, int column, int y) {
                         const int a = columns.At(column, y);
                         if (a >= 16) Store16(out, BlendLevel<F>(s, Load16(out), a >> 4));
                     });
}

} // namespace

void BltRleCopyMirrorH16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip)
{
    PlacedRows<true>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip,
                     [](uint8_t* out, uint16_t s, int, int) { Store16(out, s); });
}

void BltRleCopyFlipV16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip)
{
    BltRleCopy16(LastRow(dst, rows, dstPitch), runBase, rowOffsets, width, rows, -dstPitch, leftSkip);
}

void BltRleSourceFilterMirrorH16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                                 int dstPitch, int leftSkip, uint16_t mask)
{
    PlacedRows<true>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip,
                     [mask](uint8_t* out, uint16_t s, int, int) { Store16(out, static_cast<uint16_t>(s & mask)); });
}

void BltRleSourceFilterFlipV16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                               int dstPitch, int leftSkip, uint16_t mask)
{
    BltRleSourceFilter16(LastRow(dst, rows, dstPitch), runBase, rowOffsets, width, rows, -dstPitch, leftSkip, mask);
}

void BltRleGrayMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip)
{
    PlacedRows<true>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip,
                     [](uint8_t* out, uint16_t s, int, int) { Store16(out, GreyOf<Format565>(s)); });
}

void BltRleGrayMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                          int leftSkip)
{
    PlacedRows<true>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip,
                     [](uint8_t* out, uint16_t s, int, int) { Store16(out, GreyOf<Format555>(s)); });
}

void BltRleGrayFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip)
{
    BltRleGray565(LastRow(dst, rows, dstPitch), runBase, rowOffsets, width, rows, -dstPitch, leftSkip);
}

void BltRleGrayFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip)
{
    BltRleGray555(LastRow(dst, rows, dstPitch), runBase, rowOffsets, width, rows, -dstPitch, leftSkip);
}

void BltRleAlphaMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                           int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    AlphaMirror<Format565>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip);
}

void BltRleAlphaMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                           int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    AlphaMirror<Format555>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip);
}

void BltRleAlphaFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                         int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    BltRleAlpha565(LastRow(dst, rows, dstPitch), runBase, rowOffsets, alpha, width, rows, -dstPitch, alphaPitch,
                   leftSkip);
}

void BltRleAlphaFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                         int rows, int dstPitch, int alphaPitch, int leftSkip)
{
    BltRleAlpha555(LastRow(dst, rows, dstPitch), runBase, rowOffsets, alpha, width, rows, -dstPitch, alphaPitch,
                   leftSkip);
}

void BltRleAlphaCompressedMirrorH565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                     int leftSkip)
{
    CompressedMirror<Format565>(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows, dstPitch, imageWidth,
                                leftSkip);
}

void BltRleAlphaCompressedMirrorH555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                     int leftSkip)
{
    CompressedMirror<Format555>(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows, dstPitch, imageWidth,
                                leftSkip);
}

void BltRleAlphaCompressedFlipV565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                   const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                   int leftSkip)
{
    BltRleAlphaCompressed565(LastRow(dst, rows, dstPitch), runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows,
                             -dstPitch, imageWidth, leftSkip);
}

void BltRleAlphaCompressedFlipV555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                   const uint32_t* alphaRowOffsets, int width, int rows, int dstPitch, int imageWidth,
                                   int leftSkip)
{
    BltRleAlphaCompressed555(LastRow(dst, rows, dstPitch), runBase, rowOffsets, alphaBase, alphaRowOffsets, width, rows,
                             -dstPitch, imageWidth, leftSkip);
}
