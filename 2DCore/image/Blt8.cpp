#include "kestu_blt8.h"

#include <cstring>

namespace {

inline uint16_t Rd16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint8_t DarkenNibble(uint8_t d)
{
    const int low = (d & 0x0F) - 3;
    return static_cast<uint8_t>((d & 0xF0) | (low < 0 ? 0 : low));
}

inline uint8_t LightenNibble(uint8_t d)
{
    const int low = (d & 0x0F) + 3;
    return static_cast<uint8_t>((d & 0xF0) | (low > 15 ? 15 : low));
}

inline void KeyRow(uint8_t* d, const uint8_t* s, int w, uint8_t key)
{
    int i = 0;
    // Blocks of 16 through local copies, which the compiler turns into
    // vector compares and blends; unchanged bytes are written back as read.
    for (; i + 16 <= w; i += 16) {
        uint8_t sv[16], dv[16];
        std::memcpy(sv, s + i, 16);
        std::memcpy(dv, d + i, 16);
        for (int k = 0; k < 16; ++k) dv[k] = sv[k] == key ? dv[k] : sv[k];
        std::memcpy(d + i, dv, 16);
    }
    for (; i < w; ++i) {
        const uint8_t v = s[i];
        if (v != key) d[i] = v;
    }
}

template <typename Fn>
void ScaledByMask(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride, Fn fn)
{
    const int groups = w / 4;
    if (groups <= 0) return;
    int destRows = 0;
    for (int m = 0; m < h; ++m) {
        for (int g = 0; g < groups; ++g) {
            if (mask[4 * g] != 0) {
                const uint8_t v = fn(dst[3 * g]);
                dst[3 * g] = dst[3 * g + 1] = dst[3 * g + 2] = v;
            }
        }
        dst += dstStride;
        mask += maskStride;
        // Four mask rows make three destination rows.
        if (++destRows % 3 == 0 && m + 1 < h) {
            mask += maskStride;
            ++m;
        }
    }
}

enum class RunOp { Copy, Remap, Fill };

// One decoder serves the run-length family; they differ only in what a
// copy run and a skip run do to the destination.
template <RunOp op>
void RleRows(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride, int leftClip,
             const uint8_t* table, uint8_t fill)
{
    if (w <= 0) return;
    for (int row = 0; row < h; ++row, dst += dstStride) {
        const uint8_t* p = base + rowOffsets[row];
        // Consume the left clip; the run in which it ends is entered with
        // what is left of it.
        int clip = leftClip > 0 ? leftClip : 0;
        bool copyRun;
        int remaining;
        for (;;) {
            const int skip = Rd16(p);
            p += 2;
            if (skip > clip) {
                copyRun = false;
                remaining = skip - clip;
                break;
            }
            clip -= skip;
            const int count = Rd16(p);
            p += 2;
            if (count > clip) {
                copyRun = true;
                p += clip;
                remaining = count - clip;
                break;
            }
            p += count;
            clip -= count;
        }
        int x = 0;
        for (;;) {
            const int n = remaining < w - x ? remaining : w - x;
            if (copyRun) {
                if constexpr (op == RunOp::Remap) {
                    for (int i = 0; i < n; ++i) dst[x + i] = table[dst[x + i]];
                } else {
                    std::memcpy(dst + x, p, size_t(n));
                }
                p += remaining;
            } else if constexpr (op == RunOp::Fill) {
                std::memset(dst + x, fill, size_t(n));
            }
            x += n;
            if (x >= w) break;
            remaining = Rd16(p);
            p += 2;
            copyRun = !copyRun;
        }
    }
}

template <bool keyed>
void Stretch(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key, int xTh,
             int yTh, int xStep, int yStep, int xDec, int yDec, int xStart, int yStart, int xSwitch, int ySwitch)
{
    if (w <= 0) return;
    int yTerm = yStart;
    const uint8_t* srcRow = src;
    for (int r = h; r >= 1; --r, dst += dstStride) {
        if (yDec > 0 && (yTerm > yTh || (yTerm == yTh && r >= ySwitch))) {
            while (yTerm >= yTh) {
                yTerm -= yDec;
                srcRow += srcStride;
            }
        }
        int xTerm = xStart;
        const uint8_t* sp = srcRow;
        uint8_t* dp = dst;
        for (int c = w; c >= 1; --c) {
            if (xDec > 0) {
                if (c >= xSwitch) {
                    while (xTerm >= xTh) {
                        xTerm -= xDec;
                        ++sp;
                    }
                } else {
                    while (xTerm > xTh) {
                        xTerm -= xDec;
                        ++sp;
                    }
                }
            }
            const uint8_t v = *sp;
            if (!keyed || v != key) *dp = v;
            ++dp;
            xTerm += xStep;
        }
        yTerm += yStep;
    }
}

} // namespace

void BltColorKey8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key)
{
    if (w <= 0) return;
    for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) KeyRow(dst, src, w, key);
}

void BltColorKeySimple8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key)
{
    BltColorKey8(dst, src, w, h, dstStride, srcStride, key);
}

void BltCopy8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride)
{
    if (w <= 0) return;
    for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride) std::memmove(dst, src, size_t(w));
}

void BltCopySimple8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride)
{
    BltCopy8(dst, src, w, h, dstStride, srcStride);
}

void BltCopy32Columns8(uint8_t* dst, const uint8_t* src, int, int h, int dstStride, int srcStride)
{
    BltCopy8(dst, src, 32, h, dstStride, srcStride);
}

void BltSilhouette8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key,
                    uint8_t colour)
{
    for (int y = 0; y < h; ++y, dst += dstStride, src += srcStride)
        for (int i = 0; i < w; ++i)
            if (src[i] != key) dst[i] = colour;
}

void DarkenByMask8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride)
{
    const int n = w & ~3;
    if (n <= 0) return;
    for (int y = 0; y < h; ++y, dst += dstStride, mask += maskStride)
        for (int i = 0; i < n; ++i)
            if (mask[i] != 0) dst[i] = DarkenNibble(dst[i]);
}

void DarkenByMaskScaled8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride)
{
    ScaledByMask(dst, mask, w, h, dstStride, maskStride, DarkenNibble);
}

void LightenByMaskScaled8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride)
{
    ScaledByMask(dst, mask, w, h, dstStride, maskStride, LightenNibble);
}

void SetLowBits8(uint8_t* dst, const uint8_t*, int w, int h, int dstStride, int)
{
    const int n = w & ~3;
    if (n <= 0) return;
    // The row step is the rounded stride less the unrounded width, so rows
    // of a width that is not a multiple of 4 drift back by the remainder.
    const long step = long(dstStride & ~3) - w + n;
    for (int y = 0; y < h; ++y, dst += step)
        for (int i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(dst[i] | 3);
}

void BltRleSimple8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                   int leftClip)
{
    RleRows<RunOp::Copy>(dst, base, rowOffsets, w, h, dstStride, leftClip, nullptr, 0);
}

void BltRle8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride, int leftClip)
{
    RleRows<RunOp::Copy>(dst, base, rowOffsets, w, h, dstStride, leftClip, nullptr, 0);
}

void BltRleRemap8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                  int leftClip, const uint8_t* table)
{
    RleRows<RunOp::Remap>(dst, base, rowOffsets, w, h, dstStride, leftClip, table, 0);
}

void BltRleFill8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                 int leftClip, uint8_t fill)
{
    RleRows<RunOp::Fill>(dst, base, rowOffsets, w, h, dstStride, leftClip, nullptr, fill);
}

void BltStretchColorKey8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key,
                         int xThreshold, int yThreshold, int xStep, int yStep, int xDecrement, int yDecrement,
                         int xStart, int yStart, int xSwitch, int ySwitch)
{
    Stretch<true>(dst, src, w, h, dstStride, srcStride, key, xThreshold, yThreshold, xStep, yStep, xDecrement,
                  yDecrement, xStart, yStart, xSwitch, ySwitch);
}

void BltStretch8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, int xThreshold,
                 int yThreshold, int xStep, int yStep, int xDecrement, int yDecrement, int xStart, int yStart,
                 int xSwitch, int ySwitch)
{
    Stretch<false>(dst, src, w, h, dstStride, srcStride, 0, xThreshold, yThreshold, xStep, yStep, xDecrement,
                   yDecrement, xStart, yStart, xSwitch, ySwitch);
}

void FillRect8(uint8_t* dst, int w, int h, int dstStride, uint8_t value)
{
    if (w <= 0 || h <= 0) return;
    for (int y = 0; y < h; ++y, dst += dstStride) std::memset(dst, value, size_t(w));
}
