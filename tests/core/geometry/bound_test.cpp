#include <gtest/gtest.h>

#include <cmath>

#include "kestu_bound.h"

namespace {

SBoundBox MakeBox(float x0, float y0, float z0, float x1, float y1, float z1)
{
    SBoundBox b;
    b.min = D3DXVECTOR3(x0, y0, z0);
    b.max = D3DXVECTOR3(x1, y1, z1);
    return b;
}

SBoundSphere MakeSphere(float x, float y, float z, float r)
{
    SBoundSphere s;
    s.center = D3DXVECTOR3(x, y, z);
    s.SetRadius(r);
    return s;
}

TEST(BoundBox, OnePointBoxHasNoInside)
{
    SBoundBox b;
    b.Reset();
    D3DXVECTOR3 p(1, 2, 3);
    b.AddPoint(&p);
    EXPECT_EQ(b.min, p);
    EXPECT_EQ(b.max, p);
    EXPECT_EQ(b.IsContain(&p), 0);
}

TEST(BoundBox, TouchingBoxesDoNotOverlap)
{
    SBoundBox a = MakeBox(0, 0, 0, 1, 1, 1), b = MakeBox(1, 0, 0, 2, 1, 1), c = MakeBox(0.5f, 0.5f, 0.5f, 3, 3, 3);
    EXPECT_EQ(a.IsBound(&b), 0);
    EXPECT_EQ(a.IsBound(&c), 1);
}

TEST(BoundBox, TransformByQuarterTurn)
{
    SBoundBox b = MakeBox(-1, -1, -2, 1, 1, 2);
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, 1.5707964f);
    b.Transform(&m);
    EXPECT_NEAR(b.min.x, -2, 1e-5f);
    EXPECT_NEAR(b.min.y, -1, 1e-5f);
    EXPECT_NEAR(b.min.z, -1, 1e-5f);
    EXPECT_NEAR(b.max.x, 2, 1e-5f);
    EXPECT_NEAR(b.max.y, 1, 1e-5f);
    EXPECT_NEAR(b.max.z, 1, 1e-5f);
}

TEST(BoundBox, SegmentAndLineProbes)
{
    SBoundBox b = MakeBox(0, 0, 0, 1, 1, 1);
    KESTUSEGMENT through;
    through.Build(-1, 0.5f, 0.5f, 2, 0.5f, 0.5f);
    KESTUSEGMENT beside;
    beside.Build(-1, 5, 0.5f, 2, 5, 0.5f);
    EXPECT_EQ(b.IsBound(&through), 1);
    EXPECT_EQ(b.IsBound(&beside), 0);
    KESTULINE towards(-1, 0.5f, 0.5f, 0, 0.5f, 0.5f);
    KESTULINE away(-1, 0.5f, 0.5f, -2, 0.5f, 0.5f);
    EXPECT_EQ(b.IsBound(&towards), 1);
    EXPECT_EQ(b.IsBound(&away), 0);
}

TEST(BoundBox, IntersectSphereFourWays)
{
    SBoundBox b = MakeBox(0, 0, 0, 10, 10, 10);
    const struct {
        SBoundSphere s;
        int expected;
    } cases[] = {
        {MakeSphere(5, 5, 5, 2), 1},         // box holds sphere
        {MakeSphere(5, 5, 5, 100), 2},       // sphere holds box
        {MakeSphere(20, 5, 5, 2), -1},       // apart
        {MakeSphere(11, 5, 5, 2), 0},        // crossing a face
        {MakeSphere(11.5f, 11.5f, 5, 2), 0}, // apart diagonally, the per-axis test says 0
    };
    for (const auto& c : cases) EXPECT_EQ(b.IntersectSphere(&c.s), c.expected) << c.s.center.x << " r=" << c.s.radius;
}

TEST(BoundSphere, GrowsFromPointsWithAFixedCentre)
{
    SBoundSphere s;
    EXPECT_EQ(s.IsValid(), 1);
    s.Reset();
    EXPECT_EQ(s.IsValid(), 0);
    D3DXVECTOR3 a(1, 2, 3), b(1, 2, 7);
    s.AddPoint(&a);
    EXPECT_EQ(s.IsValid(), 1);
    EXPECT_EQ(s.center, a);
    EXPECT_FLOAT_EQ(s.radius, 0.0f);
    s.AddPoint(&b);
    EXPECT_EQ(s.center, a);
    EXPECT_FLOAT_EQ(s.radius, 4.0f);
    EXPECT_FLOAT_EQ(s.radiusSq, 16.0f);
}

TEST(BoundSphere, AddBoxToEmptySphereCentresOnTheBox)
{
    SBoundSphere s;
    s.Reset();
    SBoundBox b = MakeBox(0, 0, 0, 2, 2, 2);
    s.AddBox(&b);
    EXPECT_EQ(s.center, D3DXVECTOR3(1, 1, 1));
    EXPECT_NEAR(s.radius, std::sqrt(3.0f), 1e-5f);
}

TEST(BoundSphere, Classifications)
{
    SBoundSphere big = MakeSphere(0, 0, 0, 5), small = MakeSphere(0, 0, 0, 2);
    EXPECT_EQ(big.IntersectSphere(&small), 1);
    EXPECT_EQ(small.IntersectSphere(&big), 2);
    SBoundSphere a = MakeSphere(0, 0, 0, 3), far = MakeSphere(10, 0, 0, 4), touching = MakeSphere(7, 0, 0, 4);
    EXPECT_EQ(a.IntersectSphere(&far), -1);
    EXPECT_EQ(a.IntersectSphere(&touching), 0);

    SBoundSphere r5 = MakeSphere(0, 0, 0, 5), r49 = MakeSphere(0, 0, 0, 4.9f);
    EXPECT_EQ(r5.Intersect2D(3, 4), 1);
    EXPECT_EQ(r49.Intersect2D(3, 4), -1);

    D3DXPLANE ground(0, 1, 0, 0), scaled(0, 2, 0, 0);
    SBoundSphere above = MakeSphere(0, 3, 0, 1), across = MakeSphere(0, 0.5f, 0, 1), below = MakeSphere(0, -3, 0, 1);
    EXPECT_EQ(above.IntersectPlane(&ground), 1);
    EXPECT_EQ(across.IntersectPlane(&ground), 0);
    EXPECT_EQ(below.IntersectPlane(&ground), -1);
    EXPECT_EQ(across.IntersectPlane(&scaled, 0), 0);

    KESTULINE hits(-10, 0, 0, 10, 0.5f, 0), misses(-10, 3, 0, 10, 3, 0);
    EXPECT_EQ(r5.IntersectLine(&hits), 1);
    EXPECT_EQ(small.IntersectLine(&misses), -1);
}

TEST(BoundCircle, StrictAndInclusiveTests)
{
    SBoundCircle c(0, 0, 1);
    EXPECT_EQ(c.IsBound(1.0f, 0.0f), 0);
    SBoundSphere s = MakeSphere(0, 0, 0, 1);
    EXPECT_EQ(s.Intersect2D(1.0f, 0.0f), 1);

    SBoundCircle d(2, 3, 1);
    KESTURECT2 r;
    d.GetBoundRect(&r);
    EXPECT_FLOAT_EQ(r.left, 1);
    EXPECT_FLOAT_EQ(r.top, 4);
    EXPECT_FLOAT_EQ(r.right, 3);
    EXPECT_FLOAT_EQ(r.bottom, 2);

    SBoundCircle big(0, 0, 5), small(1, 0, 1), away(20, 0, 1);
    EXPECT_EQ(big.Intersect(&small), 1);
    EXPECT_EQ(small.Intersect(&big), 2);
    EXPECT_EQ(big.Intersect(&away), -1);
    EXPECT_EQ(big.IsBound(&away), 0);
    EXPECT_EQ(big.IsBound(&small), 1);

    SBoundCircle grow(0, 0, 0);
    grow.AddPoint(3, 4);
    EXPECT_FLOAT_EQ(grow.radius, 5);
    grow.AddCircle(&away);
    EXPECT_FLOAT_EQ(grow.radius, 21);
}

TEST(BoundColumn, HeightsAndContainment)
{
    SBoundColumn col(0, 0, 1, 10, 0);
    EXPECT_FLOAT_EQ(col.bottom, 0);
    EXPECT_FLOAT_EQ(col.top, 10);
    col.SetHeight(4);
    EXPECT_FLOAT_EQ(col.bottom, 3);
    EXPECT_FLOAT_EQ(col.top, 7);
    D3DXVECTOR3 inside(0.5f, 5, 0), above(0.5f, 8, 0), edge(0.5f, 7, 0);
    EXPECT_EQ(col.IsBound(&inside), 1);
    EXPECT_EQ(col.IsBound(&above), 0);
    EXPECT_EQ(col.IsBound(&edge), 0);
    EXPECT_EQ(col.IsBound(0.0f, 0.5f, 5.0f), 1);
    SBoundBox b;
    col.GetBoundBox(&b);
    EXPECT_EQ(b.min, D3DXVECTOR3(-1, 3, -1));
    EXPECT_EQ(b.max, D3DXVECTOR3(1, 7, 1));
}

TEST(BoundColumn, LineTests)
{
    SBoundColumn col(0, 0, 1, 10, 0);
    KESTULINE down(0, 20, 0, 0, 19, 0);
    EXPECT_EQ(col.IsBound(&down), 1);
    // Passes the axis at a horizontal distance of 1.2 (between r and r*sqrt 2),
    // crossing the column's box.
    const float d = 1.2f * std::sqrt(2.0f);
    KESTULINE passA(-5, 5, -5 + d, 5, 5, 5 + d), passB(-5, 5, -5 - d, 5, 5, 5 - d);
    EXPECT_EQ(col.IsBound(&passA), 0);
    EXPECT_EQ(col.IsBound(&passB), 0);
    KESTULINE through(-5, 5, -5, 5, 5, 5);
    EXPECT_EQ(col.IsBound(&through), 1);
}

} // namespace
