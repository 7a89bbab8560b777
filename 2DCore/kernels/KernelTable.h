// How the 2D paints pick their kernels: a table per kernel shape (the
// argument list the kernels of that table share), a row per paint mode and a
// column per destination (32-bit, 16-bit 5-6-5, 16-bit 5-5-5) or, for the
// turned paints, per turn. A new kernel, paint mode or instruction-set member
// is one entry of a table; the paints look kernels up and never name them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestu::kernels {

// Destination columns.
enum : size_t { kTo32, kTo565, kTo555, kDepthColumns };
constexpr size_t DepthColumn(bool dest16, bool is565) { return !dest16 ? kTo32 : is565 ? kTo565 : kTo555; }

// Turn columns of the turned 16-bit paints.
enum : size_t { kUpright, kMirrored, kFlipped, kTurnColumns };

template <class Fn, size_t Columns = kDepthColumns>
struct KernelRow {
    uint32_t mode;
    std::array<Fn, Columns> kernels; // null where the mode has no member
};

// The kernel of `mode` in `column`; null when the table has no row for the
// mode or the row no member for the column.
template <class Fn, size_t Columns, size_t Rows>
constexpr Fn PickKernel(const KernelRow<Fn, Columns> (&table)[Rows], uint32_t mode, size_t column)
{
    for (const KernelRow<Fn, Columns>& row : table)
        if (row.mode == mode) return row.kernels[column];
    return nullptr;
}

// ---- Kernel shapes -----------------------------------------------------------

// Raw rectangles: (dst, src, width, rows, dstPitch, srcPitch, ...).
using RawCopyFn = void (*)(void*, const void*, int, int, int, int, int bitsPerPixel);
using RawKeyFn = void (*)(void*, const void*, int, int, int, int, int bitsPerPixel, uint32_t key);
using RawColourFn = void (*)(void*, const void*, int, int, int, int, int bitsPerPixel, uint32_t key, uint32_t fore);
using RawTwoColourFn = void (*)(void*, const void*, int, int, int, int, int bitsPerPixel, uint32_t key, uint32_t fore,
                                uint32_t back);
using RawHalfFn = void (*)(void*, const void*, int, int, int, int, uint32_t key);
using RawGradeFn = void (*)(void*, const void*, int, int, int, int, int grade, uint32_t key);
using RawShadeBlendFn = void (*)(void*, const void*, int, int, int, int, const uint16_t*, const uint16_t*,
                                 uint32_t key);
using RawGridFn = void (*)(void*, const void*, int, int, int, int, int srcRowPitch, const uint8_t* firstCell,
                           int cellsPerRow, int cellWidth, int cellHeight, const uint16_t* const* tables, uint32_t key);

// Run-length sprites: (dst, runBase, rowOffsets, ...).
using RleFn = void (*)(void*, const void*, const uint32_t*, int width, int rows, int dstPitch, int leftSkip);
using RleMaskFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int, uint16_t mask);
using RleLevelFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int, int level);
using RleTableFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int, const uint16_t* table);
using RleGridFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int, const uint8_t* firstCell,
                           int cellsPerRow, int cellWidth, int cellHeight, const uint16_t* const* tables);
using RleAlphaFn = void (*)(void*, const void*, const uint32_t*, const uint8_t* alpha, int width, int rows,
                            int dstPitch, int alphaPitch, int leftSkip);
using RleAlphaMaskFn = void (*)(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int,
                                uint16_t mask);
using RleAlphaLevelFn = void (*)(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int,
                                 int level);
using RleAlphaTableFn = void (*)(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int,
                                 const uint16_t* table);
using RlePackedAlphaFn = void (*)(void*, const void*, const uint32_t*, const void* alphaBase, const uint32_t* alphaRows,
                                  int width, int rows, int dstPitch, int imageWidth, int leftSkip);
using RleMixAlphaFn = void (*)(void*, const void*, const uint32_t*, const void* plane, int firstRow, int width,
                               int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* table);
using RleStretchFn = void (*)(void*, const void*, const uint32_t*, int dstWidth, int dstHeight, int srcWidth,
                              int srcHeight, int dstPitch, int leftSkip);
using RleStretchAlphaFn = void (*)(void*, const void*, const uint32_t*, const uint8_t* alpha, int dstWidth,
                                   int dstHeight, int srcWidth, int srcHeight, int alphaPitch, int dstPitch,
                                   int leftSkip);
using RleStretchPackedFn = void (*)(void*, const void*, const uint32_t*, const void* alphaBase,
                                    const uint32_t* alphaRows, int dstWidth, int dstHeight, int srcWidth, int srcHeight,
                                    int imageWidth, int dstPitch, int leftSkip);

} // namespace kestu::kernels
