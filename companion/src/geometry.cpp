#include "ou_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Products and sums in 64 bits: rectangles near the LONG limits must not overflow.
LONG Area(int64_t w, int64_t h) { return static_cast<LONG>(static_cast<uint32_t>(w * h)); }

int64_t Clamp32(int64_t v) { return std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); }

} // namespace

void GRECT::Set(LONG x_, LONG y_, LONG w, LONG h)
{
    x = x_;
    y = y_;
    width = w;
    height = h;
    area = Area(w, h);
}

int GRECT::Intersect(const GRECT& a, const GRECT& b)
{
    const int64_t left = std::max<int64_t>(a.x, b.x);
    const int64_t top = std::max<int64_t>(a.y, b.y);
    const int64_t right = std::min<int64_t>(int64_t(a.x) + a.width, int64_t(b.x) + b.width);
    const int64_t bottom = std::min<int64_t>(int64_t(a.y) + a.height, int64_t(b.y) + b.height);
    if (right <= left || bottom <= top) {
        x = static_cast<LONG>(left);
        y = static_cast<LONG>(top);
        width = height = area = 0;
        return 0;
    }
    Set(static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(Clamp32(right - left)),
        static_cast<LONG>(Clamp32(bottom - top)));
    return 1;
}

int GRECT::Intersect(const GRECT& r)
{
    const GRECT self = *this;
    return Intersect(self, r);
}

int GRECT::IsContain(const GRECT& r) const
{
    return r.x >= x && r.y >= y && int64_t(r.x) + r.width <= int64_t(x) + width &&
           int64_t(r.y) + r.height <= int64_t(y) + height;
}

int FRECT::IsIntersect(const FRECT& r) const
{
    const float l0 = std::min(left, right), r0 = std::max(left, right);
    const float t0 = std::min(top, bottom), b0 = std::max(top, bottom);
    const float l1 = std::min(r.left, r.right), r1 = std::max(r.left, r.right);
    const float t1 = std::min(r.top, r.bottom), b1 = std::max(r.top, r.bottom);
    return l0 < r1 && l1 < r0 && t0 < b1 && t1 < b0;
}

float KESTUPOINT2::GetDist(const KESTUPOINT2& p) const
{
    const float dx = p.x - x;
    const float dy = p.y - y;
    return std::sqrt(dx * dx + dy * dy);
}

void KESTULINE2::Build(float x0, float y0, float x1, float y1)
{
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0.0f)) {
        a = b = c = 0.0f;
        return;
    }
    a = -dy / len;
    b = dx / len;
    c = -(a * x0 + b * y0);
}

int KESTURECT2::IsIntersect(const KESTURECT2& r) const
{
    return left <= r.right && r.left <= right && bottom <= r.top && r.bottom <= top;
}

void KESTURECT2::UnionRect(const KESTURECT2& a, const KESTURECT2& b)
{
    const float l = std::min(a.left, b.left);
    const float t = std::max(a.top, b.top);
    const float r = std::max(a.right, b.right);
    const float bt = std::min(a.bottom, b.bottom);
    left = l;
    top = t;
    right = r;
    bottom = bt;
}

void KESTURECT2::UpdateBoundRect(const KESTUPOINT2* p)
{
    if (!p) return;
    left = std::min(left, p->x);
    right = std::max(right, p->x);
    top = std::max(top, p->y);
    bottom = std::min(bottom, p->y);
}
