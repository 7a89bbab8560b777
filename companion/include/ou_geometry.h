// Small value types of the companion library: integer and float rectangles,
// points, sizes and the 2D line used by ground-plane selection. Each takes
// its fields in order, in parentheses or braces; points and lines start
// unset, rectangles and sizes with the values given below. All are trivially
// copyable.
#pragma once
#include "companion_api.h"
#include "windef.h"

// Integer rectangle; area is kept equal to width * height by the operations
// below (callers that fill the fields by hand keep it themselves).
struct KESTU_COMPANION_API GRECT {
    LONG x = 0;
    LONG y = 0;
    LONG width = 0;
    LONG height = 0;
    LONG area = 0;

    GRECT() = default;
    // area becomes w * h.
    GRECT(LONG x_, LONG y_, LONG w, LONG h) { Set(x_, y_, w, h); }
    GRECT(LONG x_, LONG y_, LONG w, LONG h, LONG a) : x(x_), y(y_), width(w), height(h), area(a) {}

    void Set(LONG x_, LONG y_, LONG w, LONG h);
    // This becomes a ∩ b; returns 0 (and an empty rectangle) when they do not overlap.
    int Intersect(const GRECT& a, const GRECT& b);
    // This becomes this ∩ r; 0 when empty.
    int Intersect(const GRECT& r);
    // Non-zero when r lies wholly inside this rectangle.
    int IsContain(const GRECT& r) const;
    int IsEmpty() const { return width <= 0 || height <= 0; }
};

struct KESTU_COMPANION_API GPOINT {
    LONG x = 0;
    LONG y = 0;
    GPOINT() = default;
    GPOINT(LONG x_, LONG y_) : x(x_), y(y_) {}
};

struct KESTU_COMPANION_API FPOINT {
    float x;
    float y;
    FPOINT() = default;
    FPOINT(float x_, float y_) : x(x_), y(y_) {}
};

struct KESTU_COMPANION_API FSIZE {
    float cx = 0.0f;
    float cy = 0.0f;
    FSIZE() = default;
    FSIZE(float w, float h) : cx(w), cy(h) {}
    // Both extents strictly positive (and not NaN).
    int IsValid() const { return cx > 0.0f && cy > 0.0f; }
};

// Screen-style float rectangle.
struct KESTU_COMPANION_API FRECT {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    FRECT() = default;
    FRECT(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    // Non-zero when the two rectangles share an area of positive size; edges
    // may be given in either order.
    int IsIntersect(const FRECT& r) const;
};

// 2D point on the ground: the second coordinate is y in 2D code and z in
// ground-plane code; both names address the same float.
struct KESTU_COMPANION_API KESTUPOINT2 {
    float x;
    union {
        float y;
        float z;
    };
    KESTUPOINT2() = default;
    KESTUPOINT2(float x_, float y_) : x(x_), y(y_) {}
    float GetDist(const KESTUPOINT2& p) const;
};

// The line a*x + b*y + c = 0 with (a, b) of unit length, so that the value is
// the signed distance of a point. Build makes the left of the direction of
// travel positive (x to the right, y up): a polygon walked clockwise has its
// inside on the negative side of every edge.
struct KESTU_COMPANION_API KESTULINE2 {
    float a;
    float b;
    float c;
    KESTULINE2() = default;
    KESTULINE2(float a_, float b_, float c_) : a(a_), b(b_), c(c_) {}
    // Two equal points give the zero line (0, 0, 0).
    void Build(float x0, float y0, float x1, float y1);
    void Build(const KESTUPOINT2& p0, const KESTUPOINT2& p1) { Build(p0.x, p0.y, p1.x, p1.y); }
    float Distance(float x, float y) const { return a * x + b * y + c; }
    float Distance(const KESTUPOINT2& p) const { return a * p.x + b * p.y + c; }
};

// Float rectangle with the second axis growing upwards: top >= bottom.
struct KESTU_COMPANION_API KESTURECT2 {
    float left = 0.0f;
    float top = 1.0f;
    float right = 1.0f;
    float bottom = 0.0f;
    KESTURECT2() = default;
    KESTURECT2(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    // Non-zero when the rectangles overlap; touching edges count as overlap,
    // so that culling keeps what lies on a shared border.
    int IsIntersect(const KESTURECT2& r) const;
    // This becomes the smallest rectangle holding a and b (either may be this one).
    void UnionRect(const KESTURECT2& a, const KESTURECT2& b);
    // Widens the rectangle so that it holds the point.
    void UpdateBoundRect(const KESTUPOINT2* p);
    float GetWidth() const { return right - left; }
    float GetHeight() const { return top - bottom; }
};

// The corners of a rectangle, smallest coordinates first, then counter-clockwise
// with the second axis growing upwards: (left, bottom), (right, bottom),
// (right, top), (left, top). Quadtree children are numbered the same way.
enum ENUM_OU_CORNER : int32_t {
    OU_CORNER_LEFTBOTTOM = 0,
    OU_CORNER_RIGHTBOTTOM = 1,
    OU_CORNER_RIGHTTOP = 2,
    OU_CORNER_LEFTTOP = 3
};
