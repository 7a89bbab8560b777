// Stretched paints by nearest-lower integer stepping. Raw rectangles step
// rows and columns with integer accumulators; run-length rows step rows the
// same way and scale each run and each gap of a row on its own.
#include <algorithm>
#include <cstring>

#include "2DCore/kernels/AlphaBlendRun.h"
#include "2DCore/kernels/ColumnPlan.h"
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

// Copies bytes [offset, offset + bytes) of the first destination row of a
// group to its other k - 1 rows.
inline void Replicate(uint8_t* out, int dstPitch, int k, intptr_t offset, size_t bytes)
{
    for (int j = 1; j < k; ++j) std::memcpy(out + static_cast<intptr_t>(j) * dstPitch + offset, out + offset, bytes);
}

// Each source row is stepped once into the first destination row of its
// group; the written spans are then copied row-wise to the rest.
void StretchRaw(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstPitch,
                int srcPitch)
{
    if (dstWidth < 1 || dstHeight < 1 || srcWidth < 1 || srcHeight < 1) return;
    const auto* source = static_cast<const uint8_t*>(src);
    ColumnPlan plan;
    plan.Build(srcWidth, dstWidth, 0, dstWidth);
    StepRows(dst, dstHeight, srcHeight, dstPitch, [&](int sy, uint8_t* out, int k) {
        if (k == 0) return;
        plan.Apply(out, source + static_cast<intptr_t>(sy) * srcPitch);
        Replicate(out, dstPitch, k, 0, 2 * size_t(dstWidth));
    });
}

// Key pixels leave the destination alone and end the span copied down.
void StretchRawKeyed(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstPitch,
                     int srcPitch, uint32_t key)
{
    if (dstWidth < 1 || dstHeight < 1 || srcWidth < 1 || srcHeight < 1) return;
    const uint16_t k16 = static_cast<uint16_t>(key);
    const auto* source = static_cast<const uint8_t*>(src);
    StepRows(dst, dstHeight, srcHeight, dstPitch, [&](int sy, uint8_t* out, int k) {
        if (k == 0) return;
        const uint8_t* s = source + static_cast<intptr_t>(sy) * srcPitch;
        int spanStart = 0; // first column of the open span of written pixels
        SpreadColumns(srcWidth, dstWidth, 0, dstWidth, [&](int c, int i) {
            const uint16_t p = Load16(s + 2 * i);
            if (p != k16) {
                Store16(out + 2 * c, p);
                return;
            }
            if (k > 1 && c > spanStart) Replicate(out, dstPitch, k, 2 * spanStart, 2 * size_t(c - spanStart));
            spanStart = c + 1;
        });
        if (k > 1 && dstWidth > spanStart) Replicate(out, dstPitch, k, 2 * spanStart, 2 * size_t(dstWidth - spanStart));
    });
}

// Column stepping of one run-length row: gaps move on by floor(p * ratio),
// a run of n pixels spreads over floor(n * ratio) columns.
template <class Real>
struct ColumnScaler {
    Real ratio;
    int limit; // destination pixels of the rectangle; nothing is written beyond
    int column = 0;

    void Gap(int pixels) { column += static_cast<int>(pixels * ratio); }

    // write(sourceIndex, destinationColumn) for every covered column inside
    // the rectangle; those columns are consecutive, [*first, *end).
    template <class Write>
    void Run(int n, Write&& write, int* first = nullptr, int* end = nullptr)
    {
        const int m = static_cast<int>(n * ratio);
        const int j0 = std::max(0, -column), j1 = std::min(m, limit - column);
        SpreadColumns(n, m, j0, j1, [&](int j, int i) { write(i, column + j); });
        if (first) *first = column + j0;
        if (end) *end = column + std::max(j0, j1);
        column += m;
    }

    // Run for plain 16-bit copies, through a plan kept from run to run: the
    // covered columns are written at out, [*first, *end) as above.
    void Copy16(int n, ColumnPlan& plan, uint8_t* out, const uint8_t* src, int* first, int* end)
    {
        const int m = static_cast<int>(n * ratio);
        const int j0 = std::max(0, -column), j1 = std::min(m, limit - column);
        if (j0 < j1) {
            if (!plan.Covers(n, m, j0, j1)) plan.Build(n, m, j0, j1);
            plan.Apply(out + 2 * (column + j0), src);
        }
        *first = column + j0;
        *end = column + std::max(j0, j1);
        column += m;
    }
};

// pieceFn(scaler, src, firstSourceColumn, pixels, sourceRow, out, k) for every visible run.
template <class Real, class PieceFn>
void StretchRle(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight, int srcWidth,
                int srcHeight, int dstPitch, int leftSkip, PieceFn&& pieceFn)
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

// Blends into the first row of a group; consecutive blended columns form a
// span that is copied to the other rows, columns left alone are never copied.
template <class F>
struct AlphaWriter {
    int dstPitch;
    int k;
    uint8_t* out;
    int spanStart = 0, spanEnd = 0;

    void operator()(uint16_t s, int level, int column)
    {
        if (level == 0) {
            Flush();
            return;
        }
        if (column != spanEnd) {
            Flush();
            spanStart = column;
        }
        spanEnd = column + 1;
        uint8_t* p = out + 2 * column;
        Store16(p, BlendLevel<F>(s, Load16(p), level));
    }
    void Flush()
    {
        if (k > 1 && spanEnd > spanStart) Replicate(out, dstPitch, k, 2 * spanStart, 2 * size_t(spanEnd - spanStart));
        spanStart = spanEnd;
    }
};

template <class F>
void StretchAlpha(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int dstWidth,
                  int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch, int leftSkip)
{
    StretchRle<float>(
        dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
        [&](ColumnScaler<float>& scaler, const uint8_t* src, int column, int n, int sy, uint8_t* out, int k) {
            const uint8_t* a = alpha + static_cast<intptr_t>(sy) * alphaPitch + column;
            AlphaWriter<F> write{dstPitch, k, out};
            scaler.Run(n, [&](int i, int c) { write(Load16(src + 2 * i), a[i] >> 4, c); });
            write.Flush();
        });
}

template <class F>
void StretchAlphaCompressed(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                            const uint32_t* alphaRowOffsets, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                            int imageWidth, int dstPitch, int leftSkip)
{
    const auto* planeBase = static_cast<const uint8_t*>(alphaBase);
    const auto* planeEntry = reinterpret_cast<const uint8_t*>(alphaRowOffsets);
    int readerRow = -1;
    AlphaSpanReader spans;
    StretchRle<float>(
        dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
        [&](ColumnScaler<float>& scaler, const uint8_t* src, int column, int n, int sy, uint8_t* out, int k) {
            if (readerRow != sy) {
                readerRow = sy;
                spans = AlphaSpanReader(planeBase + Load32(planeEntry + 4 * sy), imageWidth);
            }
            AlphaWriter<F> write{dstPitch, k, out};
            int next = column;
            spans.Cover(column, column + n, [&](int x, const uint8_t* a, int count) {
                scaler.Gap(x - next);
                const uint8_t* s = src + 2 * (x - column);
                scaler.Run(count, [&](int i, int c) { write(Load16(s + 2 * i), a[i] >> 4, c); });
                next = x + count;
            });
            scaler.Gap(column + n - next);
            write.Flush();
        });
}

} // namespace

void BltStretchColorKey16(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                          int dstPitch, int srcPitch, uint32_t key)
{
    StretchRawKeyed(dst, src, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, srcPitch, key);
}

void BltStretch16(void* dst, const void* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstPitch,
                  int srcPitch)
{
    StretchRaw(dst, src, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, srcPitch);
}

void BltRleStretch16(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                     int srcWidth, int srcHeight, int dstPitch, int leftSkip)
{
    ColumnPlan plan;
    StretchRle<long double>(
        dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
        [&](ColumnScaler<long double>& scaler, const uint8_t* src, int, int n, int, uint8_t* out, int k) {
            int first = 0, end = 0;
            scaler.Copy16(n, plan, out, src, &first, &end);
            if (k > 1 && end > first) Replicate(out, dstPitch, k, 2 * first, 2 * size_t(end - first));
        });
}

void BltRleStretch565To32(void* dst, const void* runBase, const uint32_t* rowOffsets, int dstWidth, int dstHeight,
                          int srcWidth, int srcHeight, int dstPitch, int leftSkip)
{
    StretchRle<long double>(
        dst, runBase, rowOffsets, dstWidth, dstHeight, srcWidth, srcHeight, dstPitch, leftSkip,
        [&](ColumnScaler<long double>& scaler, const uint8_t* src, int, int n, int, uint8_t* out, int k) {
            int first = 0, end = 0;
            scaler.Run(
                n, [&](int i, int c) { Store32(out + 4 * c, Expand565To32(Load16(src + 2 * i))); }, &first, &end);
            if (k > 1 && end > first) Replicate(out, dstPitch, k, 4 * first, 4 * size_t(end - first));
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

void BltRleStretchAlphaCompressed565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int dstWidth, int dstHeight, int srcWidth,
                                     int srcHeight, int imageWidth, int dstPitch, int leftSkip)
{
    StretchAlphaCompressed<Format565>(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, dstWidth, dstHeight,
                                      srcWidth, srcHeight, imageWidth, dstPitch, leftSkip);
}

void BltRleStretchAlphaCompressed555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* alphaBase,
                                     const uint32_t* alphaRowOffsets, int dstWidth, int dstHeight, int srcWidth,
                                     int srcHeight, int imageWidth, int dstPitch, int leftSkip)
{
    StretchAlphaCompressed<Format555>(dst, runBase, rowOffsets, alphaBase, alphaRowOffsets, dstWidth, dstHeight,
                                      srcWidth, srcHeight, imageWidth, dstPitch, leftSkip);
}
