// The clipped path of a line, shared by the buffers that draw lines.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "ou_geometry.h"

namespace kestu2d {

// A line cut to a box: the box (inclusive) and the visible end points.
struct LinePath {
    int64_t left = 0, top = 0, right = 0, bottom = 0;
    int64_t startX = 0, startY = 0, endX = 0, endY = 0;
    int64_t steps = 0; // pixels to walk; 0 when nothing is drawn

    bool Inside(int64_t x, int64_t y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Cuts the line to a width x height area and the optional clip rectangle,
// in 64 bits. Returns false when nothing of it is drawn.
inline bool ClipLine(int x1, int y1, int x2, int y2, int64_t width, int64_t height, const GRECT* clip, LinePath& path)
{
    int64_t left = std::min(x1, x2), top = std::min(y1, y2);
    int64_t right = std::max(x1, x2), bottom = std::max(y1, y2);
    auto cut = [&](int64_t cl, int64_t ct, int64_t cr, int64_t cb) {
        left = std::max(left, cl);
        top = std::max(top, ct);
        right = std::min(right, cr);
        bottom = std::min(bottom, cb);
        return left <= right && top <= bottom;
    };
    if (!cut(0, 0, width - 1, height - 1)) return false;
    if (clip != nullptr &&
        !cut(clip->x, clip->y, int64_t(clip->x) + clip->width - 1, int64_t(clip->y) + clip->height - 1))
        return false;

    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    struct Pt {
        int64_t x, y;
    };
    // Where the line crosses an edge; the product can pass 64 bits for
    // points far outside the buffer.
    auto along = [](int64_t offset, int64_t num, int64_t den, int64_t base) {
        const __int128 v = static_cast<__int128>(offset) * num / den + base;
        return static_cast<int64_t>(v > INT64_MAX ? INT64_MAX : (v < INT64_MIN ? INT64_MIN : v));
    };
    const Pt cand[4] = {
        dx == 0 ? Pt{left, top} : Pt{left, along(left - x1, dy, dx, y1)},
        dy == 0 ? Pt{left, top} : Pt{along(top - y1, dx, dy, x1), top},
        dx == 0 ? Pt{right, bottom} : Pt{right, along(right - x1, dy, dx, y1)},
        dy == 0 ? Pt{right, bottom} : Pt{along(bottom - y1, dx, dy, x1), bottom},
    };
    auto inside = [&](const Pt& p) { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; };
    int s = 0;
    while (s < 3 && !inside(cand[s])) ++s;
    if (s == 3) return false;
    const Pt start = cand[s];
    Pt end = cand[3];
    for (int e = s + 1; e < 4; ++e) {
        if (inside(cand[e]) && (cand[e].x != start.x || cand[e].y != start.y)) {
            end = cand[e];
            break;
        }
    }
    const int64_t steps = std::max(std::llabs(end.x - start.x), std::llabs(end.y - start.y));
    if (steps == 0) return false;
    path = LinePath{left, top, right, bottom, start.x, start.y, end.x, end.y, steps};
    return true;
}

// Walks the path, calling plot(x, y) for each point inside its box.
template <class Plot>
inline void WalkLine(const LinePath& path, Plot&& plot)
{
    const int64_t adx = std::llabs(path.endX - path.startX), ady = std::llabs(path.endY - path.startY);
    const int64_t n = path.steps;
    const int64_t sx = path.endX > path.startX ? 1 : (path.endX < path.startX ? -1 : 0);
    const int64_t sy = path.endY > path.startY ? 1 : (path.endY < path.startY ? -1 : 0);
    int64_t ex = 0, ey = 0, px = path.startX, py = path.startY;
    for (int64_t i = 0; i < n; ++i) {
        ex += adx;
        if (path.Inside(px, py)) plot(px, py);
        ey += ady;
        if (ex >= n / 2) {
            ex -= n;
            px += sx;
        }
        if (ey >= n / 2) {
            ey -= n;
            py += sy;
        }
    }
}

} // namespace kestu2d
