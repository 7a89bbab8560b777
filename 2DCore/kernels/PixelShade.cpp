// Shade-table paints: every source pixel looked up in a level table, then
// optionally averaged with the destination, or looked up in the table that the
// 2D light grid names for the pixel's cell.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

inline void LookupRun(uint8_t* out, const uint8_t* src, int pixels, const uint16_t* table)
{
    int i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const uint64_t s = static_cast<uint64_t>(Load32(src + 2 * i)) | static_cast<uint64_t>(Load32(src + 2 * i + 4))
                                                                            << 32;
        const uint64_t r =
            static_cast<uint64_t>(table[s & 0xFFFF]) | static_cast<uint64_t>(table[(s >> 16) & 0xFFFF]) << 16 |
            static_cast<uint64_t>(table[(s >> 32) & 0xFFFF]) << 32 | static_cast<uint64_t>(table[s >> 48]) << 48;
        std::memcpy(out + 2 * i, &r, 8);
    }
    for (; i < pixels; ++i) Store16(out + 2 * i, table[Load16(src + 2 * i)]);
}

template <class F>
void ShadeHalf(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
               int leftSkip, const uint16_t* table)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row, table](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + pos;
            for (int i = 0; i < n / 2; ++i)
                Store16(out + 2 * i, HalfBlend<F>(table[Load16(src + 2 * i)], Load16(out + 2 * i)));
        });
        row += dstPitch;
    });
}

} // namespace

void BltRlePixelShade32Nop(void*, const void*, const uint32_t*, int, int, int, int, const uint16_t*) {}

void BltRlePixelShade16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip, const uint16_t* table)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip,
                   [row, table](const uint8_t* src, int pos, int n) { LookupRun(row + pos, src, n / 2, table); });
        row += dstPitch;
    });
}

void BltRlePixelShadeHalf32Nop(void*, const void*, const uint32_t*, int, int, int, int, const uint16_t*) {}

void BltRlePixelShadeHalf565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, const uint16_t* table)
{
    ShadeHalf<Format565>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, table);
}

void BltRlePixelShadeHalf555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows,
                             int dstPitch, int leftSkip, const uint16_t* table)
{
    ShadeHalf<Format555>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, table);
}

void BltABLightKey16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int,
                     const uint8_t* firstCell, int cellsPerRow, int cellWidth, int cellHeight,
                     const uint16_t* const* levelTables, uint32_t key)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key);
    const int fullCells = width / cellWidth;
    const int rest = width % cellWidth;
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    const uint8_t* gridRow = firstCell;
    int rowInCell = 0;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* cell = gridRow;
        int x = 0;
        auto paint = [&](int count) {
            const uint16_t* table = levelTables[*cell];
            for (int end = x + count; x < end; ++x) {
                const uint16_t p = Load16(s + 2 * x);
                if (p != k) Store16(d + 2 * x, table[p]);
            }
        };
        for (int c = 0; c < fullCells; ++c, ++cell) paint(cellWidth);
        if (rest > 0) paint(rest);
        d += dstPitch;
        s += srcPitch;
        if (++rowInCell == cellHeight) {
            rowInCell = 0;
            gridRow += cellsPerRow;
        }
    }
}

void BltRleABLight32Nop(void*, const void*, const uint32_t*, int, int, int, int, const uint8_t*, int, int, int,
                        const uint16_t* const*)
{
}

void BltRleABLight16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                     int leftSkip, const uint8_t* firstCell, int cellsPerRow, int cellWidth, int cellHeight,
                     const uint16_t* const* levelTables)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const uint8_t* gridRow = firstCell;
    int rowInCell = 0;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            const int column = pos / 2;
            const uint8_t* cell = gridRow + column / cellWidth;
            int phase = column % cellWidth;
            uint8_t* out = row + pos;
            const uint16_t* table = levelTables[*cell];
            for (int i = 0; i < n / 2; ++i) {
                if (phase == cellWidth) {
                    phase = 0;
                    table = levelTables[*++cell];
                }
                Store16(out + 2 * i, table[Load16(src + 2 * i)]);
                ++phase;
            }
        });
        row += dstPitch;
        if (++rowInCell == cellHeight) {
            rowInCell = 0;
            gridRow += cellsPerRow;
        }
    });
}
