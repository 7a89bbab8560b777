// Resampling, mip reduction and colour keys on neutral A8R8G8B8 images.
#pragma once
#include <cstdint>

#include "d3dx8/image_codec.h"

namespace kestu::d3dx {

// The values of the D3DX_FILTER_ flags.
constexpr uint32_t kFilterNone = 1;
constexpr uint32_t kFilterPoint = 2;
constexpr uint32_t kFilterLinear = 3;
constexpr uint32_t kFilterTriangle = 4;
constexpr uint32_t kFilterBox = 5;
constexpr uint32_t kFilterMirrorU = 0x10000;
constexpr uint32_t kFilterMirrorV = 0x20000;
constexpr uint32_t kFilterMirrorW = 0x40000;
constexpr uint32_t kFilterDither = 0x80000;
constexpr uint32_t kFilterDefault = 0xFFFFFFFFu;

// True when the filter word names a known filter with known flags.
bool FilterValid(uint32_t filter);

// Scales `src` to w x h. With kFilterNone nothing is scaled: the source is
// copied to the top-left corner and what lies outside it is transparent black.
// Other filters sample wrapping at the edges unless mirrored.
bool ResampleImage(const Image& src, uint32_t w, uint32_t h, uint32_t filter, Image& dst);

// Pixels equal to the key (compared as A8R8G8B8) become transparent black.
void ApplyColorKey(Image& image, uint32_t key);

} // namespace kestu::d3dx
