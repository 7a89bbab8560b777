#include <cmath>

#include "kestu_ppsdomain.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

constexpr float kTwoPi = 6.2831855f;

// Generates once after srand(seed) and checks that exactly `draws` draws
// were taken.
D3DXVECTOR3 GenerateAfter(const SPPS_DOMAIN& d, unsigned seed, int draws)
{
    srand(seed);
    D3DXVECTOR3 out;
    d.Generate(out);
    EXPECT_EQ(rand(), Draws(seed, draws + 1)[draws]) << "type " << d.DomainType;
    return out;
}

TEST(DomainBuild, DerivesTheFieldsOfEachType)
{
    const SPPS_DOMAIN tri(PPS_DOMAIN_TRIANGLE, 1, 1, 1, 3, 1, 1, 1, 4, 1);
    EXPECT_VEC3_EQ(tri.u, 2, 0, 0);
    EXPECT_VEC3_EQ(tri.v, 0, 3, 0);
    EXPECT_VEC3_EQ(tri.p2, 0, 0, 1);
    EXPECT_FLOAT_EQ(tri.fRadius1, -1);
    EXPECT_FLOAT_EQ(tri.fRadius1Sqr, 2);
    EXPECT_FLOAT_EQ(tri.fRadius2Sqr, 3);

    const SPPS_DOMAIN rect(PPS_DOMAIN_RECTANGLE, 0, 0, 2, 0, 5, 0, 4, 0, 0);
    EXPECT_VEC3_EQ(rect.u, 0, 5, 0);
    EXPECT_VEC3_EQ(rect.v, 4, 0, 0);
    EXPECT_VEC3_EQ(rect.p2, 0, 0, -1);
    EXPECT_FLOAT_EQ(rect.fRadius1, 2);

    const SPPS_DOMAIN disc(PPS_DOMAIN_DISC, 0, 0, 3, 0, 0, 2, 1, 4, 0);
    EXPECT_VEC3_EQ(disc.p2, 0, 0, 1);
    EXPECT_VEC3_EQ(disc.u, 1, 0, 0);
    EXPECT_VEC3_EQ(disc.v, 0, 1, 0);
    EXPECT_FLOAT_EQ(disc.fRadius1, 4);
    EXPECT_FLOAT_EQ(disc.fRadius2, 1);
    EXPECT_FLOAT_EQ(disc.fRadius1Sqr, -3);
    // A normal along x takes the y axis as the first basis vector.
    const SPPS_DOMAIN side(PPS_DOMAIN_DISC, 0, 0, 0, 5, 0, 0, 1, 1, 0);
    EXPECT_VEC3_EQ(side.u, 0, 1, 0);
    EXPECT_VEC3_EQ(side.v, 0, 0, 1);

    const SPPS_DOMAIN sphere(PPS_DOMAIN_SPHERE, 1, 2, 3, 0.5f, 2, 0, 0, 0, 0);
    EXPECT_FLOAT_EQ(sphere.fRadius1, 2);
    EXPECT_FLOAT_EQ(sphere.fRadius2, 0.5f);
    EXPECT_FLOAT_EQ(sphere.fRadius1Sqr, 4);
    EXPECT_FLOAT_EQ(sphere.fRadius2Sqr, 0.25f);

    const SPPS_DOMAIN cyl(PPS_DOMAIN_CYLINDER, 0, 1, 0, 0, 3, 0, 0.5f, 1, 0);
    EXPECT_VEC3_EQ(cyl.p2, 0, 2, 0);
    EXPECT_FLOAT_EQ(cyl.fRadius1Sqr, 1);
    EXPECT_FLOAT_EQ(cyl.fRadius2Sqr, 0.25f);
    EXPECT_VEC3_EQ(cyl.u, 1, 0, 0);
    EXPECT_VEC3_EQ(cyl.v, 0, 0, -1);
    const SPPS_DOMAIN flat(PPS_DOMAIN_CONE, 1, 1, 1, 1, 1, 1, 1, 1, 0);
    EXPECT_EQ(flat.fRadius2Sqr, 0.0f);

    const SPPS_DOMAIN box(PPS_DOMAIN_BOX, 1, 5, 0, 0, 2, 3);
    EXPECT_VEC3_EQ(box.p1, 0, 2, 0);
    EXPECT_VEC3_EQ(box.p2, 1, 5, 3);

    const SPPS_DOMAIN blob(PPS_DOMAIN_BLOB, 1, 2, 3, 2);
    EXPECT_FLOAT_EQ(blob.fRadius1, 2);
    EXPECT_FLOAT_EQ(blob.fRadius2, 0.5f * 0.3989423f);
    EXPECT_FLOAT_EQ(blob.fRadius2Sqr, -0.125f);

    const SPPS_DOMAIN plane(PPS_DOMAIN_PLANE, 0, 2, 0, 0, 3, 0);
    EXPECT_VEC3_EQ(plane.p2, 0, 1, 0);
    EXPECT_FLOAT_EQ(plane.fRadius1, -2);

    const SPPS_DOMAIN odd(static_cast<EPPS_DOMAIN_TYPE>(12), 1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(odd.DomainType, 12);
    EXPECT_VEC3_EQ(odd.p1, 0, 0, 0);
    static_assert(sizeof(SPPS_DOMAIN) == 68);
}

TEST(DomainBuild, ADegenerateTriangleHasNoFiniteNormalButStillGenerates)
{
    const SPPS_DOMAIN tri(PPS_DOMAIN_TRIANGLE, 1, 1, 1, 1, 1, 1, 1, 3, 1);
    EXPECT_FALSE(std::isfinite(tri.p2.x));
    const std::vector<float> u = Uniforms(5, 2);
    D3DXVECTOR3 p = GenerateAfter(tri, 5, 2);
    float s = u[0], t = u[1];
    if (s + t >= 1.0f) s = 1.0f - s, t = 1.0f - t;
    EXPECT_VEC3_EQ(p, 1, 1 + 2 * t, 1);
}

TEST(DomainGenerate, EachTypeTakesItsDrawsInOrder)
{
    const unsigned seed = 11;
    const std::vector<float> u = Uniforms(seed, 4);

    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 2, 3), seed, 0), 1, 2, 3);
    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_LINE, 1, 1, 1, 3, 1, 1), seed, 1), 1 + 2 * u[0], 1, 1);

    {
        float s = u[0], t = u[1];
        if (s + t >= 1.0f) s = 1.0f - s, t = 1.0f - t;
        EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_TRIANGLE, 0, 0, 0, 2, 0, 0, 0, 4, 0), seed, 2), 2 * s,
                       4 * t, 0);
    }
    // The first draw scales the second side.
    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_RECTANGLE, 0, 0, 0, 2, 0, 0, 0, 4, 0), seed, 2), 2 * u[1],
                   4 * u[0], 0);
    {
        const float theta = u[0] * kTwoPi, r = 1 + 2 * u[1];
        EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_DISC, 0, 0, 0, 0, 0, 1, 1, 3, 0), seed, 2),
                       r * std::cos(theta), r * std::sin(theta), 0);
    }
    {
        // The unit cube's draws go to z, y, x; the fourth draw picks the radius.
        D3DXVECTOR3 d(u[2] - 0.5f, u[1] - 0.5f, u[0] - 0.5f);
        D3DXVec3Normalize(&d, &d);
        const float r = 1 + u[3];
        EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, 0, 0, 1, 2), seed, 4), d.x * r, d.y * r,
                       d.z * r);
        // Equal radii: on the surface, no radius draw.
        const D3DXVECTOR3 on = GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, 0, 0, 2, 2), seed, 3);
        EXPECT_FLOAT_EQ(D3DXVec3Length(&on), 2);
    }
    {
        const float t = u[0], theta = u[1] * kTwoPi, r = 1 + u[2];
        const SPPS_DOMAIN cyl(PPS_DOMAIN_CYLINDER, 0, 0, 0, 0, 2, 0, 1, 2, 0);
        const D3DXVECTOR3 c = GenerateAfter(cyl, seed, 3);
        const float a = r * std::cos(theta), b = r * std::sin(theta);
        EXPECT_VEC3_EQ(c, cyl.u.x * a + cyl.v.x * b, 2 * t, cyl.u.z * a + cyl.v.z * b);
        const SPPS_DOMAIN cone(PPS_DOMAIN_CONE, 0, 0, 0, 0, 2, 0, 1, 2, 0);
        const D3DXVECTOR3 k = GenerateAfter(cone, seed, 3);
        EXPECT_VEC3_EQ(k, (cone.u.x * a + cone.v.x * b) * t, 2 * t, (cone.u.z * a + cone.v.z * b) * t);
    }
    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_BOX, 0, 0, 0, 1, 2, 4), seed, 3), u[0], 2 * u[1], 4 * u[2]);
    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_PLANE, 1, 2, 3, 0, 1, 0), seed, 0), 0, 0, 0);
    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(static_cast<EPPS_DOMAIN_TYPE>(13)), seed, 0), 0, 0, 0);
}

TEST(DomainGenerate, TheConeNarrowsToItsApex)
{
    // t is the first draw: with t = 0 (rand() returning 0) the point is p1.
    const SPPS_DOMAIN cone(PPS_DOMAIN_CONE, 1, 1, 1, 1, 3, 1, 1, 2, 0);
    for (unsigned seed = 0; seed < 300000; ++seed) {
        if (Draws(seed, 1)[0] != 0) continue;
        EXPECT_VEC3_EQ(GenerateAfter(cone, seed, 3), 1, 1, 1);
        return;
    }
    FAIL() << "no seed starts with a zero draw";
}

TEST(DomainGenerate, BlobDrawsNormalDeviatesPerAxis)
{
    srand(21);
    const float x = RandNormal(2);
    const float y = RandNormal(2);
    const float z = RandNormal(2);
    const int after = rand();
    srand(21);
    D3DXVECTOR3 p;
    SPPS_DOMAIN(PPS_DOMAIN_BLOB, 1, 2, 3, 2).Generate(p);
    EXPECT_EQ(p.x, 1 + x);
    EXPECT_EQ(p.y, 2 + y);
    EXPECT_EQ(p.z, 3 + z);
    EXPECT_EQ(rand(), after);
    // No deviation: the centre itself, without a draw.
    EXPECT_VEC3_EQ(GenerateAfter(SPPS_DOMAIN(PPS_DOMAIN_BLOB, 1, 2, 3, 0), 4, 0), 1, 2, 3);
}

TEST(DomainRandom, NormalDrawFollowsTheRejectionSteps)
{
    for (unsigned seed : {1u, 2u, 99u}) {
        const std::vector<int> r = Draws(seed, 64);
        int i = 0;
        float y;
        for (;;) {
            y = -std::log(r[i++] * kU);
            const float u2 = r[i++] * kU;
            const float d = y - 1.0f;
            if (!(u2 > std::exp(-0.5f * d * d))) break;
        }
        const float expected = (r[i] & 1) ? y * 3.0f * 1.2539185f : -y * 3.0f * 1.2539185f;
        srand(seed);
        EXPECT_EQ(RandNormal(3.0f), expected);
        EXPECT_EQ(rand(), r[i + 1]);
    }
    EXPECT_EQ(RandNormal(-1.0f), 0.0f);
    srand(8);
    EXPECT_EQ(RandUniform(), Draws(8, 1)[0] * kU);
    srand(8);
    const D3DXVECTOR3 cube = RandUnitCube();
    const std::vector<float> u = Uniforms(8, 3);
    EXPECT_VEC3_EQ(cube, u[2], u[1], u[0]);
}

TEST(DomainWithin, ContainmentPerType)
{
    const SPPS_DOMAIN sphere(PPS_DOMAIN_SPHERE, 0, 0, 0, 1, 2);
    EXPECT_EQ(sphere.IsWithin(D3DXVECTOR3(1.5f, 0, 0)), 1);
    EXPECT_EQ(sphere.IsWithin(D3DXVECTOR3(0.5f, 0, 0)), 0);
    EXPECT_EQ(sphere.IsWithin(D3DXVECTOR3(0, 2, 0)), 1);
    EXPECT_EQ(sphere.IsWithin(D3DXVECTOR3(0, 2.01f, 0)), 0);
    const SPPS_DOMAIN surface(PPS_DOMAIN_SPHERE, 0, 0, 0, 2, 2);
    EXPECT_EQ(surface.IsWithin(D3DXVECTOR3(0, 0, 2)), 1);
    EXPECT_EQ(surface.IsWithin(D3DXVECTOR3(0, 0, 1.9f)), 0);

    const SPPS_DOMAIN cyl(PPS_DOMAIN_CYLINDER, 0, 0, 0, 0, 4, 0, 0.5f, 1, 0);
    EXPECT_EQ(cyl.IsWithin(D3DXVECTOR3(0.75f, 2, 0)), 1);
    EXPECT_EQ(cyl.IsWithin(D3DXVECTOR3(0.25f, 2, 0)), 0);
    EXPECT_EQ(cyl.IsWithin(D3DXVECTOR3(0.75f, 4.1f, 0)), 0);
    EXPECT_EQ(cyl.IsWithin(D3DXVECTOR3(0.75f, -0.1f, 0)), 0);
    const SPPS_DOMAIN cone(PPS_DOMAIN_CONE, 0, 0, 0, 0, 4, 0, 0.5f, 1, 0);
    // Halfway up, the cone's shell runs from 0.25 to 0.5.
    EXPECT_EQ(cone.IsWithin(D3DXVECTOR3(0.4f, 2, 0)), 1);
    EXPECT_EQ(cone.IsWithin(D3DXVECTOR3(0.75f, 2, 0)), 0);
    EXPECT_EQ(cone.IsWithin(D3DXVECTOR3(0.2f, 2, 0)), 0);

    const SPPS_DOMAIN box(PPS_DOMAIN_BOX, 0, 0, 0, 1, 1, 1);
    EXPECT_EQ(box.IsWithin(D3DXVECTOR3(1, 0, 0.5f)), 1);
    EXPECT_EQ(box.IsWithin(D3DXVECTOR3(1, 1.001f, 0.5f)), 0);

    const SPPS_DOMAIN plane(PPS_DOMAIN_PLANE, 0, 1, 0, 0, 1, 0);
    EXPECT_EQ(plane.IsWithin(D3DXVECTOR3(5, 1, 5)), 1);
    EXPECT_EQ(plane.IsWithin(D3DXVECTOR3(5, 0.99f, 5)), 0);

    for (EPPS_DOMAIN_TYPE t : {PPS_DOMAIN_NONE, PPS_DOMAIN_POINT, PPS_DOMAIN_LINE, PPS_DOMAIN_TRIANGLE,
                               PPS_DOMAIN_RECTANGLE, PPS_DOMAIN_DISC, static_cast<EPPS_DOMAIN_TYPE>(11)}) {
        const SPPS_DOMAIN d(t, 0, 0, 0, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(d.IsWithin(D3DXVECTOR3(0, 0, 0)), 0) << t;
    }
}

TEST(DomainWithin, BlobAnswersWithOneDraw)
{
    const SPPS_DOMAIN blob(PPS_DOMAIN_BLOB, 0, 0, 0, 1);
    const D3DXVECTOR3 at(0.5f, 0, 0);
    const float g = blob.fRadius2 * std::exp(0.25f * blob.fRadius2Sqr);
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        srand(seed);
        const std::vector<int> r = Draws(seed, 2);
        EXPECT_EQ(blob.IsWithin(at), r[0] * kU < g ? 1 : 0);
        EXPECT_EQ(rand(), r[1]);
    }
}

TEST(DomainMove, MovesTheAnchorAndKeepsTheShape)
{
    SPPS_DOMAIN box(PPS_DOMAIN_BOX, 0, 0, 0, 1, 2, 3);
    box.MoveTo(D3DXVECTOR3(10, 10, 10));
    EXPECT_VEC3_EQ(box.p1, 10, 10, 10);
    EXPECT_VEC3_EQ(box.p2, 11, 12, 13);
    SPPS_DOMAIN plane(PPS_DOMAIN_PLANE, 0, 0, 0, 0, 1, 0);
    plane.MoveTo(D3DXVECTOR3(0, 5, 0));
    EXPECT_EQ(plane.IsWithin(D3DXVECTOR3(0, 4.9f, 0)), 0);
    EXPECT_EQ(plane.IsWithin(D3DXVECTOR3(0, 5.1f, 0)), 1);
    SPPS_DOMAIN disc(PPS_DOMAIN_DISC, 0, 0, 0, 0, 0, 1, 0, 1, 0);
    disc.MoveTo(D3DXVECTOR3(0, 0, 2));
    EXPECT_FLOAT_EQ(disc.fRadius1Sqr, -2);
    SPPS_DOMAIN point(PPS_DOMAIN_POINT, 1, 1, 1);
    point.MoveTo(D3DXVECTOR3(3, 4, 5));
    EXPECT_VEC3_EQ(GenerateAfter(point, 1, 0), 3, 4, 5);
}

} // namespace
