// Clipping helpers shared by the RTBMP paints.
#pragma once

#include <cstdint>

#include "kestu_paper.h"

namespace kestu::rtbmp {

// Cuts the source rectangle (sx, sy, w, h) to the sprite and moves the
// destination corner (x, y) with it; mirror and flip say which destination
// side a cut on the source's left or top removes. False when nothing is left.
bool ClampSource(int64_t& x, int64_t& y, int64_t& w, int64_t& h, int64_t& sx, int64_t& sy, int spriteW, int spriteH,
                 bool mirror, bool flip);

// The destination's rectangle cut by the clip rectangle; false when empty.
bool Bounds(DBUF* dest, const GRECT* clip, GRECT& bounds);

} // namespace kestu::rtbmp
