// DXT1..DXT5 block encoding (decoding is the device's).
#pragma once
#include <cstdint>

#include "d3d8types.h"

namespace kestu::d3dx {

// Encodes a w x h A8R8G8B8 picture (rows of `width` pixels) into blocks of
// `format`, rows of blocks `pitch` bytes apart. Edge blocks repeat the last
// pixels. DXT2 and DXT4 store colours multiplied by alpha.
void EncodeDxt(D3DFORMAT format, const uint32_t* argb, uint32_t width, uint32_t height, uint8_t* blocks,
               uint32_t pitch);

} // namespace kestu::d3dx
