#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kestu_geometry.h"

namespace {

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(KestuLine, BuildKeepsUnitDirectionAndReciprocals)
{
    KESTULINE line(0, 0, 0, 0, 0, 5);
    ExpectVec(line.direction, 0, 0, 1);
    EXPECT_TRUE(std::isinf(line.inverse.x));
    EXPECT_TRUE(std::isinf(line.inverse.y));
    EXPECT_FLOAT_EQ(line.inverse.z, 1.0f);
    float x = -1, y = -1;
    line.GetXY(x, y, 3.0f);
    EXPECT_FLOAT_EQ(x, 0.0f);
    EXPECT_FLOAT_EQ(y, 0.0f);
}

TEST(KestuLine, PointsAtAGivenCoordinateUseTheStoredReciprocals)
{
    KESTULINE line(0, 0, 0, 2, 4, 6);
    float y, z, x;
    line.GetYZ(1.0f, y, z);
    EXPECT_NEAR(y, 2.0f, 1e-5f);
    EXPECT_NEAR(z, 3.0f, 1e-5f);
    line.GetZX(x, 4.0f, z);
    EXPECT_NEAR(x, 2.0f, 1e-5f);
    EXPECT_NEAR(z, 6.0f, 1e-5f);
}

TEST(KestuLine, NormalizeLeavesTheReciprocalsAlone)
{
    KESTULINE line(0, 0, 0, 0, 0, 5);
    EXPECT_EQ(line.IsNormalized(), 1);
    line.direction = D3DXVECTOR3(2, 0, 0);
    EXPECT_EQ(line.IsNormalized(), 0);
    line.Normalize();
    ExpectVec(line.direction, 1, 0, 0);
    EXPECT_FLOAT_EQ(line.inverse.z, 1.0f);
    EXPECT_TRUE(std::isinf(line.inverse.x));
}

TEST(KestuLine, PlaneIntersection)
{
    KESTULINE down(0, 5, 0, 0, 4, 0);
    D3DXPLANE ground(0, 1, 0, 0);
    D3DXVECTOR3 hit(9, 9, 9);
    EXPECT_EQ(down.IsIntersect(&ground), 1);
    ASSERT_EQ(down.GetIntersectPlane(&ground, &hit, 1), 1);
    ExpectVec(hit, 0, 0, 0);

    KESTULINE flat(0, 5, 0, 1, 5, 0);
    hit = D3DXVECTOR3(9, 9, 9);
    EXPECT_EQ(flat.IsIntersect(&ground), 0);
    EXPECT_EQ(flat.GetIntersectPlane(&ground, &hit, 1), 0);
    ExpectVec(hit, 9, 9, 9);

    // An unnormalised plane is normalised first when asked.
    D3DXPLANE scaled(0, 2, 0, -4), unit(0, 1, 0, -2);
    D3DXVECTOR3 a, b;
    ASSERT_EQ(down.GetIntersectPlane(&scaled, &a, 0), 1);
    ASSERT_EQ(down.GetIntersectPlane(&unit, &b, 1), 1);
    ExpectVec(a, b.x, b.y, b.z);
    ExpectVec(a, 0, 2, 0);
}

TEST(KestuLine, TriangleIntersectionWritesTheHitEvenWhenOutside)
{
    const D3DXVECTOR3 a(0, 0, 0), b(1, 0, 0), c(0, 0, 1);
    D3DXVECTOR3 hit;
    KESTULINE inside(0.2f, 1, 0.2f, 0.2f, 0, 0.2f);
    EXPECT_EQ(inside.IntersectTriangle(&a, &b, &c, &hit), 1);
    ExpectVec(hit, 0.2f, 0, 0.2f);

    KESTULINE outside(2, 1, 2, 2, 0, 2);
    EXPECT_EQ(outside.IntersectTriangle(&a, &b, &c, &hit), 0);
    ExpectVec(hit, 2, 0, 2);

    KESTULINE onEdge(0.5f, 1, 0, 0.5f, 0, 0);
    EXPECT_EQ(onEdge.IntersectTriangle(&a, &b, &c, &hit), 1);
}

TEST(KestuSegment, LengthAndEnd)
{
    KESTUSEGMENT s;
    s.Build(1, 2, 3, 1, 2, 7);
    EXPECT_FLOAT_EQ(s.length, 4.0f);
    ExpectVec(s.GetEnd(), 1, 2, 7);
}

TEST(QuadRange, ContainsItsCornersAndEdgesConsistently)
{
    const KESTUPOINT2 p[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    KestuQuadRangle2D ccw, cw;
    EXPECT_EQ(ccw.Build(p[0], p[1], p[2], p[3]), 0);
    EXPECT_EQ(cw.Build(p[0], p[3], p[2], p[1]), 0);
    // Exactly one turning sense holds the centre.
    ASSERT_NE(ccw.IsContain(0.5f, 0.5f), cw.IsContain(0.5f, 0.5f));
    const KestuQuadRangle2D& q = ccw.IsContain(0.5f, 0.5f) ? ccw : cw;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(q.IsContain(p[i]), 1) << i;
    EXPECT_EQ(q.IsContain(0.5f, 0.0f), 1); // on an edge counts as inside
    EXPECT_EQ(q.IsContain(5.0f, 5.0f), 0);
    EXPECT_EQ(q.IsContain(-0.01f, 0.5f), 0);
    EXPECT_EQ(q.GerCornerList()[2].x, 1.0f);

    const KESTURECT2 inner{0.2f, 0.8f, 0.8f, 0.2f}, straddling{0.5f, 2.0f, 2.0f, 0.5f}, apart{3, 4, 4, 3};
    EXPECT_EQ(q.IsBound(inner), 1);
    EXPECT_EQ(q.IsBound(straddling), 0);
    EXPECT_EQ(q.IsBound(apart), -1);
}

TEST(FloorToInt, RoundsTowardMinusInfinity)
{
    const struct {
        float in;
        int out;
    } cases[] = {
        {0.0f, 0},
        {2.7f, 2},
        {-2.7f, -3},
        {-3.0f, -3},
        {-0.5f, -1},
        {5.0f, 5},
        {3e9f, std::numeric_limits<int>::max()},
        {-3e9f, std::numeric_limits<int>::min()},
    };
    for (const auto& c : cases) EXPECT_EQ(FloorToInt(c.in), c.out) << c.in;
}

} // namespace
