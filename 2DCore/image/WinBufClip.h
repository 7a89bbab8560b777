// The clipping of DBUF::Paint, for subclasses that copy with a faster path.
#pragma once

#include <algorithm>
#include <cstdint>

#include "ou_geometry.h"

namespace kestu2d {

// Cuts the target (x, y, w, h) to the destination's rectangle and the clip,
// and the matching source part to the source's rectangle. False when
// nothing is left; otherwise *src and *dst hold parts of equal size.
inline bool ClipPaint(const GRECT& srcRect, const GRECT& destRect, int x, int y, int w, int h, int sx, int sy,
                      const GRECT* clip, GRECT* src, GRECT* dst)
{
    GRECT bounds(0, 0, destRect.width, destRect.height);
    if (clip != nullptr && !bounds.Intersect(*clip)) return false;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, w, h), bounds)) return false;
    const int64_t sx0 = int64_t(sx) + t.x - x, sy0 = int64_t(sy) + t.y - y;
    const int64_t l = std::max<int64_t>(sx0, 0), top = std::max<int64_t>(sy0, 0);
    const int64_t r = std::min<int64_t>(sx0 + t.width, srcRect.width);
    const int64_t b = std::min<int64_t>(sy0 + t.height, srcRect.height);
    if (r <= l || b <= top) return false;
    *src = GRECT(LONG(l), LONG(top), LONG(r - l), LONG(b - top));
    *dst = GRECT(LONG(t.x + (l - sx0)), LONG(t.y + (top - sy0)), src->width, src->height);
    return true;
}

} // namespace kestu2d
