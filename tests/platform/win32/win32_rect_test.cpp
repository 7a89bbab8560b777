#include <gtest/gtest.h>

#include "windows.h"

namespace {

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

TEST(Win32Rect, IntersectUnionSubtract)
{
    struct Case {
        RECT a, b;
        BOOL intersects;
        RECT intersection, unionRect;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, TRUE, {5, 5, 10, 10}, {0, 0, 15, 15}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, FALSE, {0, 0, 0, 0}, {0, 0, 20, 10}}, // touching edges
        {{0, 0, 10, 10}, {2, 2, 4, 4}, TRUE, {2, 2, 4, 4}, {0, 0, 10, 10}},
        {{0, 0, 0, 10}, {2, 2, 4, 4}, FALSE, {0, 0, 0, 0}, {2, 2, 4, 4}}, // empty one is ignored
    };
    for (const Case& c : cases) {
        RECT r;
        EXPECT_EQ(IntersectRect(&r, &c.a, &c.b), c.intersects);
        EXPECT_TRUE(Same(r, c.intersection));
        ASSERT_TRUE(UnionRect(&r, &c.a, &c.b));
        EXPECT_TRUE(Same(r, c.unionRect));
    }

    RECT src{0, 0, 10, 10}, r;
    RECT leftStrip{-5, -1, 3, 11};
    ASSERT_TRUE(SubtractRect(&r, &src, &leftStrip));
    EXPECT_TRUE(Same(r, RECT{3, 0, 10, 10}));
    RECT middle{3, 3, 6, 6};
    ASSERT_TRUE(SubtractRect(&r, &src, &middle));
    EXPECT_TRUE(Same(r, src)) << "a hole does not shrink the rectangle";
    RECT all{-1, -1, 11, 11};
    EXPECT_FALSE(SubtractRect(&r, &src, &all));
    EXPECT_TRUE(IsRectEmpty(&r));

    POINT inside{9, 9}, edge{10, 5};
    EXPECT_TRUE(PtInRect(&src, inside));
    EXPECT_FALSE(PtInRect(&src, edge)) << "right and bottom edges are outside";
    r = src;
    InflateRect(&r, 2, 1);
    OffsetRect(&r, 1, 1);
    EXPECT_TRUE(Same(r, RECT{-1, 0, 13, 12}));
}

} // namespace
