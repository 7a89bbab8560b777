// Raw 16-bit paint loops that DBUF::Paint and DBUF::StretchPaint need beside
// the shared paint kernels.
#pragma once

#include <cstdint>

namespace kestu2d {

void Silhouette16(void* dst, const void* src, int w, int h, int dStep, int sStep, uint32_t key, uint32_t fore);
void TwoColor16(void* dst, const void* src, int w, int h, int dStep, int sStep, uint32_t key, uint32_t fore,
                uint32_t back);
void SoftSilhouette16(void* dst, const void* src, int w, int h, int dStep, int sStep, uint32_t key, uint32_t fore,
                      bool is565);
void Stretch16(void* dst, const void* src, int dw, int dh, int sw, int sh, int dStep, int sStep, bool keyed,
               uint32_t key);

}  // namespace kestu2d
