// Byte blitters for 8-bit (palette-index) images. Callers clip; strides are
// signed byte distances between rows.
#pragma once

#include <cstdint>

void BltColorKey8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key);
void BltCopy8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);

void BltColorKeySimple8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key);
void BltSilhouette8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key,
                    uint8_t colour);
void BltCopySimple8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);
// Copies a strip 32 bytes wide; the width argument is not read.
void BltCopy32Columns8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);

void DarkenByMask8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride);
void DarkenByMaskScaled8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride);
void LightenByMaskScaled8(uint8_t* dst, const uint8_t* mask, int w, int h, int dstStride, int maskStride);
void SetLowBits8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride);

// Run-length sprite rows: rowOffsets[i] is added to base to find row i.
void BltRleSimple8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                   int leftClip);
void BltRleRemap8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                  int leftClip, const uint8_t* table);
void BltRle8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride, int leftClip);
void BltRleFill8(uint8_t* dst, const uint8_t* base, const uint32_t* rowOffsets, int w, int h, int dstStride,
                 int leftClip, uint8_t fill);

void BltStretchColorKey8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, uint8_t key,
                         int xThreshold, int yThreshold, int xStep, int yStep, int xDecrement, int yDecrement,
                         int xStart, int yStart, int xSwitch, int ySwitch);
void BltStretch8(uint8_t* dst, const uint8_t* src, int w, int h, int dstStride, int srcStride, int xThreshold,
                 int yThreshold, int xStep, int yStep, int xDecrement, int yDecrement, int xStart, int yStart,
                 int xSwitch, int ySwitch);

void FillRect8(uint8_t* dst, int w, int h, int dstStride, uint8_t value);
