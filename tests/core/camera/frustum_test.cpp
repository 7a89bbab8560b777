#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kestu_frustum.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

float Dist(const D3DXPLANE& p, const D3DXVECTOR3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

CFrustum Square(float widen = 1.0f)
{
    CFrustum f;
    f.InitRawFrustum(kHalfPi, 1.0f, 10.0f, widen, 1, FRUSTUM_WIDEN_RATE);
    return f;
}

TEST(Frustum, Defaults)
{
    CFrustum f;
    EXPECT_EQ(*f.GetPos(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(f.GetFarDist(), 0.0f);
    EXPECT_EQ(f.GetWidenMode(), FRUSTUM_WIDEN_RATE);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.GetWidenRate(i), 1.0f);
        EXPECT_EQ(f.IsFaceLimited(i), 1);
    }
}

TEST(Frustum, RawLayoutAndInwardPlanes)
{
    CFrustum f = Square();
    const D3DXVECTOR3& c0 = *f.GetFarVec(0);
    EXPECT_NEAR(c0.x, 10, 1e-4f);
    EXPECT_NEAR(c0.y, 10, 1e-4f);
    EXPECT_NEAR(c0.z, 10, 1e-4f);
    EXPECT_GT(f.GetPlane(0)->a, 0.0f); // left plane faces +x
    const D3DXVECTOR3 centre(0, 0, 5);
    for (int i = 0; i < 5; ++i) EXPECT_GT(Dist(*f.GetPlane(i), centre), 0.0f) << i;
}

TEST(Frustum, ContainmentMargins)
{
    CFrustum f = Square();
    D3DXPLANE left = *f.GetPlane(0);
    D3DXPlaneNormalize(&left, &left);
    // Points on the z = 5 slice, outside the left face by 0.5 and 1.5 units.
    const D3DXVECTOR3 n(left.a, left.b, left.c);
    const D3DXVECTOR3 onFace(-5, 0, 5);
    const D3DXVECTOR3 half = onFace - 0.5f * n, oneHalf = onFace - 1.5f * n;
    EXPECT_EQ(f.IsContain(&half), 1);
    EXPECT_EQ(f.IsContain(&oneHalf), 0);
    EXPECT_EQ(f.IsContainFast(&half), 0);
    const D3DXVECTOR3 beyondFar(0, 0, 50);
    EXPECT_EQ(f.IsContainFast(&beyondFar), 1);
    EXPECT_EQ(f.IsContain(&beyondFar), 0);
}

TEST(Frustum, UnlimitedFacesPassEverything)
{
    CFrustum f;
    f.InitRawFrustum(kHalfPi, 1.0f, 10.0f, 1.0f, 0, FRUSTUM_WIDEN_RATE);
    const D3DXVECTOR3 far(1000, -1000, -1000);
    EXPECT_EQ(f.IsContain(&far), 1);
    SBoundSphere s;
    s.center = far;
    s.SetRadius(1);
    EXPECT_EQ(f.IntersectSphere(&s), 1);
}

TEST(Frustum, SphereAndSegment)
{
    CFrustum f = Square();
    SBoundSphere inside, touching, outside;
    inside.center = D3DXVECTOR3(0, 0, 5);
    inside.SetRadius(1);
    EXPECT_EQ(f.IntersectSphere(&inside), 1);
    // Distance to the far plane exactly r: not wholly inside.
    touching.center = D3DXVECTOR3(0, 0, 9);
    touching.SetRadius(1);
    EXPECT_EQ(f.IntersectSphere(&touching), 0);
    outside.center = D3DXVECTOR3(0, 0, -5);
    outside.SetRadius(1);
    EXPECT_EQ(f.IntersectSphere(&outside), -1);

    const D3DXVECTOR3 a(0, 0, 3), b(1, 0, 4), out(-20, 0, 5), in(0, 0, 5);
    EXPECT_EQ(f.IsIntersectSegment(&a, &b), 0); // wholly inside crosses nothing
    EXPECT_EQ(f.IsIntersectSegment(&out, &in), 1);
}

TEST(Frustum, DistanceModeWidening)
{
    CFrustum f;
    f.InitRawFrustumEx(kHalfPi, 1.0f, 10.0f, FRUSTUM_WIDEN_DIST, 2, 2, 1, 1, 5, 1, 1, 1, 1, 1);
    EXPECT_EQ(f.GetNearVec(0)->x, 2.0f);
    EXPECT_EQ(f.GetNearVec(1)->x, -2.0f);
    EXPECT_EQ(f.GetNearVec(0)->y, 1.0f);
    EXPECT_EQ(f.GetNearVec(2)->y, -1.0f);
    EXPECT_NEAR(f.GetFarVec(0)->z, 15.0f, 1e-5f);
    const D3DXPLANE& farPlane = *f.GetPlane(4);
    const D3DXVECTOR3 onFar(0, 0, 15);
    EXPECT_NEAR(Dist(farPlane, onFar), 0.0f, 1e-3f);
}

TEST(Frustum, WidenMean)
{
    CFrustum f;
    f.InitRawFrustumEx(kHalfPi, 1.0f, 10.0f, FRUSTUM_WIDEN_RATE, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1);
    EXPECT_NEAR(f.GetWidenRate(), 1.2f, 1e-6f);
    EXPECT_NEAR(f.GetWidenDist(), 1.2f, 1e-6f);
}

TEST(Frustum, PlacedFrustumFollowsRotation)
{
    CFrustum raw = Square();
    CFrustum placed;
    const D3DXVECTOR3 pos(100, 0, 0);
    placed.SetByRawFrustum(&raw, kHalfPi, 0, 0, &pos); // yaw 90 degrees: looks along +x
    const D3DXVECTOR3 ahead(105, 0, 0), behind(95, 0, 0);
    EXPECT_EQ(placed.IsContain(&ahead), 1);
    EXPECT_EQ(placed.IsContain(&behind), 0);
    EXPECT_EQ(placed.GetFarDist(), 10.0f);

    // Re-placing from its own corners keeps it where it is.
    CFrustum again = placed;
    const D3DXVECTOR3 same = pos;
    again.SetByRawFrustum(nullptr, 0, 0, 0, &same);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(again.GetFarVec(i)->x, placed.GetFarVec(i)->x + 100, 1e-3f);
    }
}

TEST(Frustum, WideningKeepsInsidePointsInside)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-15, 15);
    CFrustum narrow = Square(1.0f), wide = Square(1.1f);
    int checked = 0;
    for (int i = 0; i < 2000; ++i) {
        D3DXVECTOR3 p(u(rng), u(rng), u(rng) * 0.5f + 5);
        if (!narrow.IsContain(&p)) continue;
        ++checked;
        EXPECT_EQ(wide.IsContain(&p), 1) << p.x << "," << p.y << "," << p.z;
    }
    EXPECT_GT(checked, 100);
}

TEST(Frustum, InitByRaysPutsTheFarCentreAtTheDistance)
{
    const D3DXVECTOR3 pos(0, 0, 0);
    const D3DXVECTOR3 rays[4] = {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}};
    CFrustum f;
    f.InitByRays(&pos, 10.0f, rays, 1, 1, 1, 1, 1);
    D3DXVECTOR3 c(0, 0, 0);
    for (int i = 0; i < 4; ++i) c += *f.GetFarVec(i);
    c /= 4.0f;
    EXPECT_NEAR(D3DXVec3Length(&c), 10.0f, 1e-3f);
    const D3DXVECTOR3 inside(0, 0, 5);
    EXPECT_EQ(f.IsContain(&inside), 1);
}

} // namespace
