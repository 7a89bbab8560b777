// Private: per-pixel run-length walks with a placement, for the mirrored and
// flipped members and the pairwise blends. Turning upside down is the plain
// walk started on the last row with the pitch negated; mirroring writes the
// k-th visible pixel of a row at column (visible pixels - 1 - k).
#pragma once

#include <cstdint>

#include "2DCore/kernels/AlphaBlendRun.h"
#include "2DCore/kernels/KernelCommon.h"

namespace kestu::kernels {

// Destination and pitch that paint the rows from the bottom up.
inline void* LastRow(void* dst, int rows, int dstPitch)
{
    return static_cast<uint8_t*>(dst) + static_cast<intptr_t>(rows - 1) * dstPitch;
}

template <bool Mirror>
inline uint8_t* PlacePixel(uint8_t* row, int visiblePixels, int index)
{
    return row + 2 * (Mirror ? visiblePixels - 1 - index : index);
}

// pixel(out, sourcePixel, sourceColumn) for every visible opaque pixel.
template <bool Mirror, class PixelOp>
inline void PlacedRows(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip, PixelOp&& pixel)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const int visible = width / 2;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int y) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            const int first = pos / 2;
            for (int i = 0; i < n / 2; ++i)
                pixel(PlacePixel<Mirror>(row, visible, first + i), Load16(src + 2 * i), (leftSkip + pos) / 2 + i, y);
        });
        row += dstPitch;
    });
}

// Pairs counted from the first painted pixel of each run: a pair (or a lone
// last pixel) equal to the destination under it is left alone, otherwise
// every pixel of it becomes effect(s, d).
template <bool Mirror, class Effect>
inline void PairedRows(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                       int leftSkip, Effect&& effect)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const int visible = width / 2;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            const int first = pos / 2, pixels = n / 2;
            for (int i = 0; i < pixels; i += 2) {
                const int count = i + 1 < pixels ? 2 : 1;
                uint8_t* out[2];
                uint16_t s[2], d[2];
                bool equal = true;
                for (int j = 0; j < count; ++j) {
                    out[j] = PlacePixel<Mirror>(row, visible, first + i + j);
                    s[j] = Load16(src + 2 * (i + j));
                    d[j] = Load16(out[j]);
                    equal = equal && s[j] == d[j];
                }
                if (equal) continue;
                for (int j = 0; j < count; ++j) Store16(out[j], effect(s[j], d[j]));
            }
        });
        row += dstPitch;
    });
}

} // namespace kestu::kernels
