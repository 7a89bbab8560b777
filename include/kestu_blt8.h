// Byte blitters for 8-bit (palette-index) images. Callers clip; strides are
// signed byte distances between rows.
#pragma once

#include <cstdint>

#include "kestu_export.h"

KESTU_API void BltColorKey8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key);
KESTU_API void BltCopy8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);

KESTU_API void BltColorKeySimple8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride,
                                  uint8_t key);
KESTU_API void BltSilhouette8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key,
                              uint8_t colour);
KESTU_API void BltCopySimple8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);
// Copies a strip 32 bytes wide; the width argument is not read.
KESTU_API void BltCopy32Columns8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);

KESTU_API void DarkenByMask8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride);
KESTU_API void DarkenByMaskScaled8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride);
KESTU_API void LightenByMaskScaled8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride);
KESTU_API void SetLowBits8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);

// Run-length sprite rows: rowOffsets[i] is added to base to find row i.
KESTU_API void BltRleSimple8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                             int leftClip);
KESTU_API void BltRleRemap8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                            int leftClip, const uint8_t* table);
KESTU_API void BltRle8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                       int leftClip);
KESTU_API void BltRleFill8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                           int leftClip, uint8_t fill);

KESTU_API void BltStretchColorKey8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride,
                                   uint8_t key, int xThreshold, int yThreshold, int xStep, int yStep, int xDecrement,
                                   int yDecrement, int xStart, int yStart, int xSwitch, int ySwitch);
KESTU_API void BltStretch8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, int xThreshold,
                           int yThreshold, int xStep, int yStep, int xDecrement, int yDecrement, int xStart, int yStart,
                           int xSwitch, int ySwitch);

KESTU_API void FillRect8(uint8_t* dst, int w, int h, int dstStride, uint8_t value);
