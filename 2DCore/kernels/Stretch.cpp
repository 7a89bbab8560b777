// Stretched paints by nearest-lower integer stepping. Raw rectangles step
// rows and columns with integer accumulators; run-length rows step rows the
// same way and scale each run and each gap of a row on its own.
#include "2DCore/kernels/AlphaBlendRun.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

// rowFn(sourceRow, firstDestinationRow, k) for every source row with its k
// destination rows (k may be 0).
template <class RowFn>
void StepRows(void* dst, int dstHeight, int srcHeight, int dstPitch, RowFn&& rowFn)
{
    auto* row = static_cast<uint8_t*>(dst);
    int acc = 0, produced = 0;
    for (int sy = 0; sy < srcHeight && produced < dstHeight; ++sy) {
        acc += dstHeight;
        int k = 0;
        while (acc >= srcHeight && produced + k < dstHeight) {
            acc -= srcHeight;
            ++k;
        }
        rowFn(sy, row + static_cast<intptr_t>(produced) * dstPitch, k);
        produced += k;
    }
}

template <bool Keyed>
void StretchRaw(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstPitch,
                int srcPitch, uint32_t key)
{
    if (dstWidth < 1 || dstHeight < 1 || srcWidth < 1 || srcHeight < 1) return;
    const uint16_t k16 = static_cast<uint16_t>(key);
    const auto* source = static_cast<const uint8_t*>(src);
    StepRows(dst, dstHeight, srcHeight, dstPitch, [&](int sy, uint8_t* out, int k) {
        if (k == 0) return;
        const uint8_t* s = source + static_cast<intptr_t>(sy) * srcPitch;
        int acc = 0, column = 0;
        for (int i = 0; i < srcWidth && column < dstWidth; ++i) {
            const uint16_t p = Load16(s + 2 * i);
            acc += dstWidth;
            while (acc >= srcWidth && column < dstWidth) {
                acc -= srcWidth;
                if (!Keyed || p != k16)
                    for (int j = 0; j < k; ++j) Store16(out + static_cast<intptr_t>(j) * dstPitch + 2 * column, p);
                ++column;
            }
        }
    });
}

// Column stepping of one run-length row: gaps move on by floor(p * ratio),
// a run of n pixels spreads over floor(n * ratio) columns.
template <class Real>
struct ColumnScaler {
    Real ratio;
    int limit;  // destination pixels of the rectangle; nothing is written beyond
    int column = 0;

    void Gap(int pixels) { column += static_cast<int>(pixels * ratio); }

    // write(sourceIndex, destinationColumn)
    template <class Write>
    void Run(int n, Write&& write)
    {
        const int m = static_cast<int>(n * ratio);
        int b = 0;
        for (int i = 0; i < n; ++i) {
            b += m;
            while (b >= n) {
                b -= n;
                if (column >= 0 && column < limit) write(i, column);
                ++column;
            }
        }
    }
};

// pieceFn(scaler, src, firstSourceColumn, pixels, sourceRow, out, k) for every visible run.
template <class Real, class PieceFn>
void StretchRle(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                int srcWidth, int srcHeight, int dstPitch, int leftSkip, PieceFn&& pieceFn)
{
    if (dstWidth < 1 || dstHeight < 1 || srcWidth < 1 || srcHeight < 1) return;
    const Real ratio = static_cast<Real>(dstWidth) / static_cast<Real>(srcWidth);
    const auto* base = static_cast<const uint8_t*>(runBase);
    const auto* entry = reinterpret_cast<const uint8_t*>(rowOffsets);
    StepRows(dst, dstHeight, srcHeight, dstPitch, [&](int sy, uint8_t* out, int k) {
        if (k == 0) return;
        ColumnScaler<Real> scaler{ratio, dstWidth / 2};
        int end = 0;
        WalkRleRow(base + Load32(entry + 4 * sy), srcWidth, leftSkip, [&](const uint8_t* src, int pos, int n) {
            scaler.Gap((pos - end) / 2);
            end = pos + n;
            pieceFn(scaler, src, (leftSkip + pos) / 2, n / 2, sy, out, k);
        });
    });
}

template <class F>
struct AlphaWriter {
    int dstPitch;
    int k;
    uint8_t* out;
    void operator()(uint16_t s, int level, int column) const
    {
        if (level == 0) return;
        uint8_t* p = out + 2 * column;
        const uint16_t v = BlendLevel<F>(s, Load16(p), level);
        for (int j = 0; j < k; ++j) Store16(p + static_cast<intptr_t>(j) * dstPitch, v);
    }
};

template <class F>
void StretchAlpha(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int dstWidth,
                  int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch, int leftSkip)
{
    StretchRle<float>(dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
                      [&](ColumnScaler<float>& scaler, const uint8_t* src, int column, int n, int sy, uint8_t* out, int k) {
                          const uint8_t* a = alpha + static_cast<intptr_t>(sy) * alphaPitch + column;
                          const AlphaWriter<F> write{dstPitch, k, out};
                          scaler.Run(n, [&](int i, int c) { write(Load16(src + 2 * i), a[i] >> 4, c); });
                      });
}

template <class F>
void StretchAlphaCompressed(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                            const uint32_t* alphaRowOffsets, int dstWidth, int dstHeight, int srcWidth,
                            int srcHeight, int imageWidth, int dstPitch, int leftSkip)
{
    const auto* planeBase = static_cast<const uint8_t*>(alphaBase);
    const auto* planeEntry = reinterpret_cast<const uint8_t*>(alphaRowOffsets);
    int readerRow = -1;
    AlphaSpanReader spans;
    StretchRle<float>(dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
                      [&](ColumnScaler<float>& scaler, const uint8_t* src, int column, int n, int sy, uint8_t* out, int k) {
                          if (readerRow != sy) {
                              readerRow = sy;
                              spans = AlphaSpanReader(planeBase + Load32(planeEntry + 4 * sy), imageWidth);
                          }
                          const AlphaWriter<F> write{dstPitch, k, out};
                          int next = column;
                          spans.Cover(column, column + n, [&](int x, const uint8_t* a, int count) {
                              scaler.Gap(x - next);
                              const uint8_t* s = src + 2 * (x - column);
                              scaler.Run(count, [&](int i, int c) { write(Load16(s + 2 * i), a[i] >> 4, c); });
                              next = x + count;
                          });
                          scaler.Gap(column + n - next);
                      });
}

}  // namespace

void BltStretchColorKey16(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                          int dstPitch, int srcPitch, uint32_t key)
{
    StretchRaw<true>(dst, src, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, srcPitch, key);
}

void BltStretch16(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstPitch,
                  int srcPitch)
{
    StretchRaw<false>(dst, src, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, srcPitch, 0);
}

void BltRleStretch16(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                     int srcWidth, int srcHeight, int dstPitch, int leftSkip)
{
    StretchRle<long double>(dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
                            [&](ColumnScaler<long double>& scaler, const uint8_t* src, int, int n, int, uint8_t* out, int k) {
                                scaler.Run(n, [&](int i, int c) {
                                    const uint16_t p = Load16(src + 2 * i);
                                    for (int j = 0; j < k; ++j) Store16(out + static_cast<intptr_t>(j) * dstPitch + 2 * c, p);
                                });
                            });
}

void BltRleStretch565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                          int srcWidth, int srcHeight, int dstPitch, int leftSkip)
{
    StretchRle<long double>(dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
                            [&](ColumnScaler<long double>& scaler, const uint8_t* src, int, int n, int, uint8_t* out, int k) {
                                scaler.Run(n, [&](int i, int c) {
                                    const uint32_t p = Expand565To32(Load16(src + 2 * i));
                                    for (int j = 0; j < k; ++j) Store32(out + static_cast<intptr_t>(j) * dstPitch + 4 * c, p);
                                });
                            });
}

void BltRleStretchAlpha565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                           int dstWidth, int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch,
                           int leftSkip)
{
    StretchAlpha<Format565>(dst, runBase, rowOffsets, alpha, dstWidth, dstHeight, srcWidth, srcHeight, alphaPitch,
                            dstPitch, leftSkip);
}

void BltRleStretchAlpha555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                           int dstWidth, int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch,
                           int leftSkip)
{
    StretchAlpha<Format555>(dst, runBase, rowOffsets, alpha, dstWidth, dstHeight, srcWidth, srcHeight, alphaPitch,
                            dstPitch, leftSkip);
}

void BltRleStretchAlphaCompressed565(void* dst, const void* runBase, const uint32_t* rowOffsets,
                                     const void* alphaBase, const uint32_t* alphaRowOffsets, int dstWidth,
                                     int dstHeight, int srcWidth, int srcHeight, int imageWidth, int dstPitch,
                                     int leftSkip)
{
    StretchAlphaCompressed<Format565>(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, dstWidth, dstHeight,
                                      srcWidth, srcHeight, imageWidth, dstPitch, leftSkip);
}

void BltRleStretchAlphaCompressed555(void* dst, const void* runBase, const uint32_t* rowOffsets,
                                     const void* alphaBase, const uint32_t* alphaRowOffsets, int dstWidth,
                                     int dstHeight, int srcWidth, int srcHeight, int imageWidth, int dstPitch,
                                     int leftSkip)
{
    StretchAlphaCompressed<Format555>(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, dstWidth, dstHeight,
                                      srcWidth, srcHeight, imageWidth, dstPitch, leftSkip);
}
