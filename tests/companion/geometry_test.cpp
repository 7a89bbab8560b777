#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <climits>

#include "ou_geometry.h"

namespace {

struct IntersectCase {
    GRECT a, b;
    int result;
    LONG x, y, w, h;
};

TEST(GRectTest, IntersectClipsAndReportsEmpty)
{
    const IntersectCase cases[] = {
        {{0, 0, 10, 10}, {5, 5, 10, 10}, 1, 5, 5, 5, 5},
        {{5, 5, 10, 10}, {0, 0, 10, 10}, 1, 5, 5, 5, 5},
        {{0, 0, 10, 10}, {2, 3, 4, 5}, 1, 2, 3, 4, 5},
        {{-8, -6, 10, 10}, {-10, -10, 5, 8}, 1, -8, -6, 3, 4},
        {{0, 0, 10, 10}, {10, 0, 5, 5}, 0, 0, 0, 0, 0}, // shares only an edge
        {{0, 0, 10, 10}, {20, 20, 5, 5}, 0, 0, 0, 0, 0},
        {{0, 0, 10, 0}, {0, 0, 10, 10}, 0, 0, 0, 0, 0}, // empty input
        {{INT_MAX - 5, 0, 10, 10}, {INT_MAX - 20, 2, 18, 3}, 1, INT_MAX - 5, 2, 3, 3},
    };
    for (const auto& c : cases) {
        GRECT r;
        EXPECT_EQ(r.Intersect(c.a, c.b), c.result) << c.a.x << "," << c.b.x;
        EXPECT_EQ(r.width, c.w);
        EXPECT_EQ(r.height, c.h);
        EXPECT_EQ(r.area, c.w * c.h);
        if (c.result) {
            EXPECT_EQ(r.x, c.x);
            EXPECT_EQ(r.y, c.y);
        }
        GRECT self = c.a;
        EXPECT_EQ(self.Intersect(c.b), c.result);
        EXPECT_EQ(self.width, c.w);
        EXPECT_EQ(self.height, c.h);
    }
}

TEST(GRectTest, ConstructionFillsTheArea)
{
    const GRECT r(2, 3, 4, 5);
    EXPECT_EQ(r.area, 20);
    const GRECT given{2, 3, 4, 5, 7}; // five fields are taken as they are
    EXPECT_EQ(given.area, 7);
    const GRECT zero{};
    EXPECT_EQ(zero.x | zero.y | zero.width | zero.height | zero.area, 0);
}

TEST(GRectTest, IsContainNeedsTheWholeRectangle)
{
    const GRECT outer{10, 10, 20, 20};
    EXPECT_TRUE(outer.IsContain(GRECT{10, 10, 20, 20}));
    EXPECT_TRUE(outer.IsContain(GRECT{15, 12, 5, 5}));
    EXPECT_FALSE(outer.IsContain(GRECT{9, 10, 5, 5}));
    EXPECT_FALSE(outer.IsContain(GRECT{25, 25, 6, 5}));
    EXPECT_FALSE(outer.IsContain(GRECT{0, 0, 100, 100}));
}

TEST(KestuLine2Test, BuildGivesUnitNormalAndSignedDistance)
{
    KESTULINE2 line;
    line.Build(0.0f, 0.0f, 3.0f, 4.0f);
    EXPECT_NEAR(line.a, -0.8f, 1e-6f);
    EXPECT_NEAR(line.b, 0.6f, 1e-6f);
    EXPECT_NEAR(line.c, 0.0f, 1e-6f);
    // (0, 5) lies 3 units to the left of the direction of travel.
    EXPECT_NEAR(line.Distance(0.0f, 5.0f), 3.0f, 1e-5f);
    EXPECT_NEAR(line.Distance(6.0f, 8.0f), 0.0f, 1e-5f);

    KESTULINE2 offset;
    offset.Build(1.0f, 2.0f, 1.0f, 7.0f); // the line x = 1, walked upwards
    EXPECT_NEAR(offset.Distance(-1.0f, 0.0f), 2.0f, 1e-6f);
    EXPECT_NEAR(offset.Distance(4.0f, 100.0f), -3.0f, 1e-6f);

    KESTULINE2 degenerate;
    degenerate.Build(2.0f, 2.0f, 2.0f, 2.0f);
    EXPECT_EQ(degenerate.a, 0.0f);
    EXPECT_EQ(degenerate.b, 0.0f);
    EXPECT_EQ(degenerate.c, 0.0f);
}

TEST(KestuLine2Test, PolygonInsideLiesOnTheNegativeSideOfItsEdges)
{
    // Walked clockwise (x right, second axis up) the inside is negative for every edge;
    // walked the other way every edge flips.
    const KESTUPOINT2 clockwise[4] = {{0, 0}, {0, 4}, {4, 4}, {4, 0}};
    const KESTUPOINT2 inside{1.0f, 3.0f}, outside{5.0f, 1.0f};
    int outsideNegative = 0;
    for (int i = 0; i < 4; ++i) {
        KESTULINE2 edge;
        edge.Build(clockwise[i], clockwise[(i + 1) % 4]);
        EXPECT_LT(edge.Distance(inside), 0.0f) << i;
        outsideNegative += edge.Distance(outside) < 0.0f;
        KESTULINE2 reversed;
        reversed.Build(clockwise[(i + 1) % 4], clockwise[i]);
        EXPECT_GT(reversed.Distance(inside), 0.0f) << i;
    }
    EXPECT_EQ(outsideNegative, 3);
}

TEST(KestuPoint2Test, DistanceAndAliasedSecondCoordinate)
{
    KESTUPOINT2 p{1.0f, 2.0f};
    EXPECT_FLOAT_EQ(p.GetDist(KESTUPOINT2{4.0f, 6.0f}), 5.0f);
    p.z = 7.0f;
    EXPECT_EQ(p.y, 7.0f);
    static_assert(sizeof(KESTUPOINT2) == 8);
    static_assert(sizeof(KESTULINE2) == 12);
    static_assert(sizeof(KESTURECT2) == 16);
    static_assert(sizeof(GRECT) == 20);
}

TEST(KestuRect2Test, DefaultIntersectAndUnion)
{
    const KESTURECT2 def;
    EXPECT_EQ(def.left, 0.0f);
    EXPECT_EQ(def.top, 1.0f);
    EXPECT_EQ(def.right, 1.0f);
    EXPECT_EQ(def.bottom, 0.0f);

    const KESTURECT2 base{0, 10, 10, 0};
    struct {
        KESTURECT2 r;
        int hit;
    } cases[] = {
        {{5, 15, 15, 5}, 1},  {{2, 8, 8, 2}, 1},    {{-5, 20, 20, -5}, 1}, {{10, 10, 20, 0}, 1}, // touching edge counts
        {{11, 10, 20, 0}, 0}, {{0, -1, 10, -5}, 0}, {{0, 30, 10, 11}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(base.IsIntersect(c.r) != 0, c.hit != 0) << c.r.left << "," << c.r.top;
        EXPECT_EQ(c.r.IsIntersect(base) != 0, c.hit != 0);
    }

    KESTURECT2 u{0, 1, 1, 0};
    u.UnionRect(u, KESTURECT2{-2, 5, 0.5f, 0.5f});
    EXPECT_EQ(u.left, -2.0f);
    EXPECT_EQ(u.top, 5.0f);
    EXPECT_EQ(u.right, 1.0f);
    EXPECT_EQ(u.bottom, 0.0f);

    KESTURECT2 bound{FLT_MAX, -FLT_MAX, -FLT_MAX, FLT_MAX};
    const KESTUPOINT2 pts[] = {{3, -1}, {-2, 4}, {1, 1}};
    for (const auto& p : pts) bound.UpdateBoundRect(&p);
    EXPECT_EQ(bound.left, -2.0f);
    EXPECT_EQ(bound.top, 4.0f);
    EXPECT_EQ(bound.right, 3.0f);
    EXPECT_EQ(bound.bottom, -1.0f);
}

TEST(FRectTest, IntersectNeedsSharedArea)
{
    const FRECT screen{0, 0, 640, 480};
    EXPECT_TRUE(screen.IsIntersect(FRECT{600, 400, 700, 500}));
    EXPECT_TRUE(screen.IsIntersect(FRECT{700, 500, 600, 400})); // edges given reversed
    EXPECT_FALSE(screen.IsIntersect(FRECT{640, 0, 700, 480}));  // touches the right edge only
    EXPECT_FALSE(screen.IsIntersect(FRECT{-50, -50, -1, -1}));
}

TEST(FSizeTest, ValidNeedsBothExtentsPositive)
{
    EXPECT_TRUE((FSIZE{1.0f, 0.5f}.IsValid()));
    EXPECT_FALSE((FSIZE{0.0f, 1.0f}.IsValid()));
    EXPECT_FALSE((FSIZE{1.0f, -1.0f}.IsValid()));
    EXPECT_FALSE((FSIZE{NAN, 1.0f}.IsValid()));
}

} // namespace
