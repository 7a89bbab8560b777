// The processor-feature switch for MMX and the four-pixels-a-step forms of
// five 565 paint loops. Counts, widths and left clips of the run-length
// routines are in bytes (two per pixel).
#pragma once

#include <windows.h>

#include <cstdint>

#include "kestu_export.h"

// 1 when the processor has MMX.
KESTU_API int IsMMX();
// on != 0: the switch takes IsMMX(); on == 0: the switch is 0.
KESTU_API void SetMMX(int on);
KESTU_API int GetMMX();

// Alpha blend of a run-length sprite's copy runs over dest with an
// uncompressed alpha plane (one byte a pixel, rows alphaStride apart).
KESTU_API void MmxSpriteBlit16(void* dest, const uint8_t* sprite, const DWORD* rowOffsets, const uint8_t* alpha, int w,
                               int h, int destStride, int alphaStride, int leftClip);
// The same with a run-length alpha plane of its own row offsets, skip and
// count pairs (counts in pixels); alphaClip pixels of each alpha row are
// consumed before the row is walked.
KESTU_API void MmxSpriteBlitCompressed16(void* dest, const uint8_t* sprite, const DWORD* rowOffsets,
                                         const uint8_t* alpha, const DWORD* alphaRowOffsets, int w, int h,
                                         int destStride, int alphaClip, int leftClip);
// 50 % blend of a run-length sprite's copy runs with dest.
KESTU_API void MmxSpriteHalf16(void* dest, const uint8_t* sprite, const DWORD* rowOffsets, int w, int h, int destStride,
                               int leftClip);
// Every pixel halved in place; w in pixels, stride in bytes.
KESTU_API void MmxHalve16(void* buffer, int w, int h, int stride);
// 50 % blend of raw rows; source pixels equal to key leave dest. w in pixels.
KESTU_API void MmxHalfColorKey16(void* dest, const void* src, int w, int h, int destStride, int srcStride,
                                 uint16_t key);
