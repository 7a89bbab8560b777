// Private helpers shared by the paint kernels: unaligned loads and stores,
// the run-length row walk, pixel-format traits and the scalar per-pixel
// arithmetic that the SIMD loops fall back to for their tails.
#pragma once

#include <cstdint>
#include <cstring>

#include "2DCore/kernels/Unaligned.h"

namespace kestu::kernels {

// Walks one run-length row, honouring the left skip and the visible width
// (both in source bytes). For every visible piece of a copy run it calls
// op(data, pos, n) (n may be 0 for a piece clipped to nothing): data points at
// the first visible byte of the piece, pos is its offset in source bytes from
// the visible left edge and n its length. Nothing beyond the visible width is
// read. A pair of an empty skip and an empty copy run cannot cover the row:
// it ends the walk, so a row that never reaches the width stops there.
template <class Op>
inline void WalkRleRow(const uint8_t* run, int width, int leftSkip, Op&& op)
{
    int remaining = width;
    int clip = leftSkip;
    int pos = 0;
    int skip = Load16(run);
    run += 2;
    const uint8_t* data = nullptr;
    int count = -1;
    while (skip < clip) {
        const int copy = Load16(run);
        run += 2;
        if (skip == 0 && copy == 0) return;
        clip -= skip;
        if (copy >= clip) {
            data = run + clip;
            count = copy - clip;
            run += copy;
            break;
        }
        clip -= copy;
        run += copy;
        skip = Load16(run);
        run += 2;
    }
    if (count < 0) {
        const int visible = skip - clip;
        pos += visible;
        remaining -= visible;
        if (remaining <= 0) return;
        count = Load16(run);
        run += 2;
        if (skip == 0 && count == 0) return;
        data = run;
        run += count;
    }
    for (;;) {
        if (count > remaining) count = remaining;
        op(data, pos, count);
        pos += count;
        remaining -= count;
        if (remaining <= 0) return;
        int gap = Load16(run);
        run += 2;
        if (gap > remaining) gap = remaining;
        pos += gap;
        remaining -= gap;
        if (remaining <= 0) return;
        count = Load16(run);
        run += 2;
        if (gap == 0 && count == 0) return;
        data = run;
        run += count;
    }
}

// Walks every row of a run-length block: rowOp(runOfRow, rowIndex).
template <class RowOp>
inline void ForEachRleRow(const void* runBase, const uint32_t* rowOffsets, int rows, RowOp&& rowOp)
{
    const auto* base = static_cast<const uint8_t*>(runBase);
    const auto* entry = reinterpret_cast<const uint8_t*>(rowOffsets);
    for (int y = 0; y < rows; ++y) rowOp(base + Load32(entry + 4 * y), y);
}

// j/16 of a value as sums and differences of the value shifted right by 1 to
// 4 bits, each term truncated on its own: whole*c + h1*(c>>1) + ... + h4*(c>>4).
struct Sixteenths {
    int8_t whole, h1, h2, h3, h4;
};

inline constexpr Sixteenths kSixteenths[16] = {
    {0, 0, 0, 0, 0}, {0, 0, 0, 0, 1},   {0, 0, 0, 1, 0},  {0, 0, 0, 1, 1},  {0, 0, 1, 0, 0}, {0, 0, 1, 0, 1},
    {0, 0, 1, 1, 0}, {0, 1, 0, 0, -1},  {0, 1, 0, 0, 0},  {0, 1, 0, 0, 1},  {0, 1, 0, 1, 0}, {0, 1, 0, 1, 1},
    {0, 1, 1, 0, 0}, {1, 0, 0, -1, -1}, {1, 0, 0, -1, 0}, {1, 0, 0, 0, -1},
};

// Evaluated in 16-bit unsigned arithmetic.
inline uint16_t ApplySixteenths(const Sixteenths& f, uint16_t c)
{
    const unsigned v = f.whole * c + f.h1 * (c >> 1) + f.h2 * (c >> 2) + f.h3 * (c >> 3) + f.h4 * (c >> 4);
    return static_cast<uint16_t>(v);
}

// The 4-bit alpha level scaled by the trans grade: 16 and above keep it,
// 0 gives 0, 1..15 take grade/16 of it by the sixteenths decomposition.
inline int ScaleLevelByGrade(int level, int grade)
{
    const unsigned g = static_cast<unsigned>(grade);
    if (g > 15) return level;
    return ApplySixteenths(kSixteenths[g], static_cast<uint16_t>(level));
}

struct Format565 {
    static constexpr uint16_t kRed = 0xF800;
    static constexpr uint16_t kGreen = 0x07E0;
    static constexpr uint16_t kBlue = 0x001F;
    static constexpr int kRedShift = 11;
    static constexpr uint16_t kAll = 0xFFFF;
    // Every bit except the lowest of each channel, for carry-free halving.
    static constexpr uint16_t kHalfMask = 0xF7DE;
};

struct Format555 {
    static constexpr uint16_t kRed = 0x7C00;
    static constexpr uint16_t kGreen = 0x03E0;
    static constexpr uint16_t kBlue = 0x001F;
    static constexpr int kRedShift = 10;
    static constexpr uint16_t kAll = 0x7FFF;
    static constexpr uint16_t kHalfMask = 0x7BDE;
};

// 16-level blend with weight w in 0..16 (level 15 is passed as 16). Per
// channel d + floor((s - d) * w / 16), which equals the truncated weighted sum.
template <class F>
inline uint16_t BlendWeight(uint16_t s, uint16_t d, int w)
{
    const int sr = (s & F::kRed) >> F::kRedShift, dr = (d & F::kRed) >> F::kRedShift;
    const int sg = s & F::kGreen, dg = d & F::kGreen;
    const int sb = s & F::kBlue, db = d & F::kBlue;
    const int r = dr + (((sr - dr) * w) >> 4);
    const int g = (dg + (((sg - dg) * w) >> 4)) & F::kGreen;
    const int b = db + (((sb - db) * w) >> 4);
    return static_cast<uint16_t>((r << F::kRedShift) | g | b);
}

// The 16 levels: 0 keeps the destination, 15 writes the source unchanged.
template <class F>
inline uint16_t BlendLevel(uint16_t s, uint16_t d, int level)
{
    if (level == 0) return d;
    if (level >= 15) return s;
    return BlendWeight<F>(s, d, level);
}

template <class F>
inline uint16_t HalfBlend(uint16_t s, uint16_t d)
{
    return static_cast<uint16_t>(((s & d) & F::kAll) + (((s ^ d) & F::kHalfMask) >> 1));
}

inline uint32_t Expand565To32(uint16_t p)
{
    return 0xFF000000u | (static_cast<uint32_t>(p & 0xF800) << 8) | (static_cast<uint32_t>(p & 0x07E0) << 5) |
           (static_cast<uint32_t>(p & 0x001F) << 3);
}

inline uint16_t Reduce32To565(uint32_t p)
{
    return static_cast<uint16_t>(((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F));
}

inline uint16_t Convert565To4444(uint16_t p)
{
    return static_cast<uint16_t>(0xF000 | ((p >> 4) & 0x0F00) | ((p >> 3) & 0x00F0) | ((p >> 1) & 0x000F));
}

// 256-level blend into a 32-bit pixel; the written alpha byte is 0.
inline uint32_t Blend565Over32(uint16_t s, uint32_t d, int a)
{
    const int sr = (s >> 8) & 0xF8, sg = (s >> 3) & 0xFC, sb = (s << 3) & 0xF8;
    const int dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
    const int r = dr + (((sr - dr) * a) >> 8);
    const int g = dg + (((sg - dg) * a) >> 8);
    const int b = db + (((sb - db) * a) >> 8);
    return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

} // namespace kestu::kernels
