// Each action's effect on hand-placed particles.
#include <cmath>

#include "kestu_ppsactions.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

void Step(SPPS_ACTION_BASE& a, CParticleGroup& g, float dt)
{
    a.fDeltaTime = dt;
    EXPECT_EQ(a.Update(&g), 0);
}

float Speed(const CParticleBase* p)
{
    const D3DXVECTOR3 v = Velocity(p);
    return D3DXVec3Length(&v);
}

TEST(Bounce, OffAPlaneReversesTheNormalPartOfCrossersOnly)
{
    MethodGroup g;
    CParticleBase* crosser = Place(g.group, {0, 0.5f, 0}, {1, -1, 0});
    CParticleBase* above = Place(g.group, {0, 2, 0}, {0, -1, 0});
    CParticleBase* lands = Place(g.group, {0, 1, 0}, {0, -1, 0});
    SPPS_ACTION_BOUNCE b(1, 1, 0, PPS_DOMAIN_PLANE, 0, 0, 0, 0, 1, 0);
    Step(b, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(crosser), 1, 1, 0);
    EXPECT_EQ(crosser->GetVelocity2(), 2.0f);
    EXPECT_VEC3_EQ(Velocity(above), 0, -1, 0);
    EXPECT_VEC3_EQ(Velocity(lands), 0, -1, 0);
}

TEST(Bounce, FrictionOnlyAboveTheCutoff)
{
    for (float cutoff : {1.0f, 0.5f}) {
        MethodGroup g;
        CParticleBase* p = Place(g.group, {0, 0.5f, 0}, {1, -1, 0});
        SPPS_ACTION_BOUNCE b(0.5f, 0.5f, cutoff, PPS_DOMAIN_PLANE, 0, 0, 0, 0, 1, 0);
        Step(b, g.group, 1);
        // |vt|^2 is 1: equal to the cutoff means no friction.
        EXPECT_VEC3_EQ(Velocity(p), cutoff == 1.0f ? 1.0f : 0.5f, 0.5f, 0);
    }
}

TEST(Bounce, TriangleEdgesAreInclusive)
{
    MethodGroup g;
    CParticleBase* onEdge = Place(g.group, {0.5f, 1, 0.5f}, {0, -2, 0});
    CParticleBase* outside = Place(g.group, {-0.01f, 1, 0.5f}, {0, -2, 0});
    SPPS_ACTION_BOUNCE b(1, 1, 0, PPS_DOMAIN_TRIANGLE, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    Step(b, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(onEdge), 0, 2, 0);
    EXPECT_VEC3_EQ(Velocity(outside), 0, -2, 0);
}

TEST(Bounce, RectangleAndDiscTestTheirExtent)
{
    MethodGroup g;
    CParticleBase* inRect = Place(g.group, {0.5f, 1, 0.5f}, {0, -2, 0});
    CParticleBase* pastRect = Place(g.group, {1.5f, 1, 0.5f}, {0, -2, 0});
    SPPS_ACTION_BOUNCE rect(1, 1, 0, PPS_DOMAIN_RECTANGLE, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    Step(rect, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(inRect), 0, 2, 0);
    EXPECT_VEC3_EQ(Velocity(pastRect), 0, -2, 0);

    MethodGroup h;
    CParticleBase* ring = Place(h.group, {1.5f, 1, 0}, {0, -2, 0});
    CParticleBase* hole = Place(h.group, {0.5f, 1, 0}, {0, -2, 0});
    SPPS_ACTION_BOUNCE disc(1, 1, 0, PPS_DOMAIN_DISC, 0, 0, 0, 0, 1, 0, 1, 2, 0);
    Step(disc, h.group, 1);
    EXPECT_VEC3_EQ(Velocity(ring), 0, 2, 0);
    EXPECT_VEC3_EQ(Velocity(hole), 0, -2, 0);
}

TEST(Bounce, SphereShell)
{
    MethodGroup g;
    CParticleBase* outward = Place(g.group, {1.5f, 0, 0}, {1, 0, 0});
    CParticleBase* inward = Place(g.group, {1.5f, 0, 0}, {-1, 1, 0});
    CParticleBase* entering = Place(g.group, {2.05f, 0, 0}, {-1, 0, 0});
    SPPS_ACTION_BOUNCE b(0.5f, 0.25f, 0, PPS_DOMAIN_SPHERE, 0, 0, 0, 1, 2);
    Step(b, g.group, 0.1f);
    EXPECT_VEC3_EQ(Velocity(outward), 1, 0, 0);
    EXPECT_VEC3_EQ(Velocity(inward), 1, 1, 0) << "reversed without resilience or friction";
    EXPECT_VEC3_EQ(Velocity(entering), 0.25f, 0, 0);
}

TEST(AvoidAndBounce, ShapelessAndOtherDomainsChangeNothing)
{
    const EPPS_DOMAIN_TYPE none[] = {PPS_DOMAIN_NONE,
                                     PPS_DOMAIN_POINT,
                                     PPS_DOMAIN_LINE,
                                     PPS_DOMAIN_CONE,
                                     PPS_DOMAIN_CYLINDER,
                                     PPS_DOMAIN_BOX,
                                     PPS_DOMAIN_BLOB,
                                     static_cast<EPPS_DOMAIN_TYPE>(11),
                                     static_cast<EPPS_DOMAIN_TYPE>(13)};
    for (EPPS_DOMAIN_TYPE t : none) {
        MethodGroup g;
        CParticleBase* p = Place(g.group, {0, 0.5f, 0}, {0.5f, -1, 0});
        SPPS_ACTION_BOUNCE b(1, 1, 0, t, 0, 0, 0, 0, 1, 0, 1, 2, 0);
        Step(b, g.group, 1);
        SPPS_ACTION_AVOID a(1, 5, 0.1f);
        a.domain = SPPS_DOMAIN(t, 0, 0, 0, 0, 1, 0, 1, 2, 0);
        Step(a, g.group, 1);
        EXPECT_VEC3_EQ(Velocity(p), 0.5f, -1, 0) << t;
    }
    MethodGroup g;
    CParticleBase* p = Place(g.group, {0, 0.5f, 0}, {0.5f, -1, 0});
    SPPS_ACTION_AVOID plane(1, 5, 0.1f);
    plane.domain = SPPS_DOMAIN(PPS_DOMAIN_PLANE, 0, 0, 0, 0, 1, 0);
    Step(plane, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(p), 0.5f, -1, 0);
}

TEST(Avoid, TurnsHeadingParticlesAndKeepsTheirSpeed)
{
    const SPPS_DOMAIN domains[] = {
        SPPS_DOMAIN(PPS_DOMAIN_TRIANGLE, -1, 0, -1, 2, 0, -1, -1, 0, 2),
        SPPS_DOMAIN(PPS_DOMAIN_RECTANGLE, -1, 0, -1, 2, 0, 0, 0, 0, 2),
        SPPS_DOMAIN(PPS_DOMAIN_DISC, 0, 0, 0, 0, 1, 0, 0.1f, 2, 0),
        SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, -1, 0, 0.5f, 0.5f),
    };
    for (const SPPS_DOMAIN& d : domains) {
        MethodGroup g;
        CParticleBase* heading = Place(g.group, {0.2f, 1, 0.1f}, {0, -1, 0.05f});
        CParticleBase* away = Place(g.group, {0.2f, 1, 0.1f}, {0, 1, 0});
        SPPS_ACTION_AVOID a(1, 3, 0.1f);
        a.domain = d;
        const float before = Speed(heading);
        Step(a, g.group, 1);
        EXPECT_NEAR(Speed(heading), before, 1e-5f) << d.DomainType;
        EXPECT_GT(std::fabs(Velocity(heading).x) + std::fabs(Velocity(heading).z - 0.05f), 1e-3f) << d.DomainType;
        EXPECT_VEC3_EQ(Velocity(away), 0, 1, 0);
    }
}

TEST(Avoid, WithoutLookAheadPlaneLikeDomainsChangeNothing)
{
    for (EPPS_DOMAIN_TYPE t : {PPS_DOMAIN_TRIANGLE, PPS_DOMAIN_RECTANGLE, PPS_DOMAIN_DISC}) {
        MethodGroup g;
        CParticleBase* p = Place(g.group, {0.2f, 1, 0.1f}, {0, -1, 0});
        SPPS_ACTION_AVOID a(1, 0, 0.1f);
        a.domain = SPPS_DOMAIN(t, -1, 0, -1, 2, 0, 0, 0, 0, 2);
        Step(a, g.group, 1);
        EXPECT_VEC3_EQ(Velocity(p), 0, -1, 0) << t;
    }
    MethodGroup g;
    CParticleBase* still = Place(g.group, {0, 1, 0}, {0, 0, 0});
    SPPS_ACTION_AVOID a(1, 3, 0.1f);
    a.domain = SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, 0, 0, 0.5f, 0.5f);
    Step(a, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(still), 0, 0, 0) << "a particle at rest heads nowhere";
}

TEST(Damp, ScalesInsideTheSpeedBandOnly)
{
    MethodGroup g;
    CParticleBase* low = Place(g.group, {0, 0, 0}, {1, 0, 0});
    CParticleBase* mid = Place(g.group, {0, 0, 0}, {2, 0, 0});
    CParticleBase* high = Place(g.group, {0, 0, 0}, {3, 0, 0});
    SPPS_ACTION_DAMP d(0, 0.5f, 1, 9, 1);
    Step(d, g.group, 0.5f);
    EXPECT_VEC3_EQ(Velocity(low), 1, 0, 0);
    EXPECT_VEC3_EQ(Velocity(high), 3, 0, 0);
    EXPECT_VEC3_EQ(Velocity(mid), 1, 0, 0);
    EXPECT_EQ(mid->GetVelocity2(), 4.0f) << "the stored squared speed is not refreshed";
    // A second DAMP in the same step sees the speed from before the first.
    Step(d, g.group, 0.5f);
    EXPECT_VEC3_EQ(Velocity(mid), 0.5f, 0, 0);

    const float v[3] = {2, 2, 2};
    mid->SetVelocity(v);
    SPPS_ACTION_DAMP zero(0, 0, 0, 100, 0);
    Step(zero, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(mid), 0, 0, 0);
    SPPS_ACTION_DAMP defaults;
    mid->SetVelocity(v);
    Step(defaults, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(mid), 2, 2, 2);
}

TEST(Diffuse, ChangesNothing)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {1, 2, 3}, {4, 5, 6});
    SPPS_ACTION_DIFFUSE d(2, PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    EXPECT_EQ(d.dwSize, 180u);
    srand(4);
    Step(d, g.group, 1);
    EXPECT_VEC3_EQ(Position(p), 1, 2, 3);
    EXPECT_VEC3_EQ(Velocity(p), 4, 5, 6);
    EXPECT_EQ(rand(), Draws(4, 1)[0]);
}

TEST(Explode, PushesByTheGaussianOfTheWave)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {3, 4, 0}, {0, 0, 0});
    CParticleBase* centre = Place(g.group, {1, 1, 1}, {0, 1, 0});
    SPPS_ACTION_EXPLODE e(1, 1, 1, 2, 10, 0.5f, 0.001f, 1.5f);
    const D3DXVECTOR3 d(2, 3, -1);
    const float distSqr = 14, dist = std::sqrt(14.0f);
    const float s = 1.0f / 0.5f, inexp = -0.5f * (s * s), norm = 0.3989423f * s;
    const float off = 3.0f - dist;
    const float f = std::exp(off * off * inexp) * norm * (10 * 0.1f) / ((distSqr + 0.001f) * dist);
    Step(e, g.group, 0.1f);
    EXPECT_VEC3_EQ(Velocity(p), d.x * f, d.y * f, d.z * f);
    Step(e, g.group, 0.1f);
    EXPECT_VEC3_EQ(Velocity(p), 2 * d.x * f, 2 * d.y * f, 2 * d.z * f) << "the front stays where fAge puts it";
    EXPECT_VEC3_EQ(Velocity(centre), 0, 1, 0);

    SPPS_ACTION_EXPLODE flat(0, 0, 0, 1, 1, 0);
    Step(flat, g.group, 0.1f);
    for (CParticleBase* q : g.group) EXPECT_TRUE(std::isfinite(Velocity(q).x) && std::isfinite(Velocity(q).y));
}

TEST(Follow, EachParticlePullsTheOneBefore)
{
    MethodGroup g;
    SPPS_ACTION_FOLLOW f(2, 0.5f, 10);
    Step(f, g.group, 0.5f);
    CParticleBase* only = Place(g.group, {0, 0, 0}, {1, 0, 0});
    Step(f, g.group, 0.5f);
    EXPECT_VEC3_EQ(Velocity(only), 1, 0, 0);
    CParticleBase* second = Place(g.group, {0, 2, 0}, {0, 0, 0});
    CParticleBase* far = Place(g.group, {0, 20, 0}, {0, 0, 0});
    Step(f, g.group, 0.5f);
    const float k = 1.0f / ((4 + 0.5f) * 2);
    EXPECT_VEC3_EQ(Velocity(only), 1, 2 * k, 0);
    EXPECT_VEC3_EQ(Velocity(second), 0, 0, 0) << "18 apart is beyond the radius";
    EXPECT_VEC3_EQ(Velocity(far), 0, 0, 0);
    SPPS_ACTION_FOLLOW wide(2, 0.5f, 400);
    Step(wide, g.group, 0.5f);
    EXPECT_VEC3_EQ(Velocity(second), 0, 0, 0);
}

TEST(Gravitate, PairsPullEquallyAndOppositely)
{
    MethodGroup g;
    CParticleBase* a = Place(g.group, {0, 0, 0}, {0, 0, 0});
    CParticleBase* b = Place(g.group, {1, 0, 0}, {0, 0, 0});
    CParticleBase* c = Place(g.group, {0, 0, 3}, {0, 0, 0});
    SPPS_ACTION_GRAVITATE grav(1, 0, 2);
    Step(grav, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(a), 1, 0, 0);
    EXPECT_VEC3_EQ(Velocity(b), -1, 0, 0);
    EXPECT_VEC3_EQ(Velocity(c), 0, 0, 0);
    SPPS_ACTION_GRAVITATE exact(1, 0, 1);
    Step(exact, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(a), 1, 0, 0) << "a pair exactly fMaxRadius apart is left alone";
}

TEST(Gravity, AddsItsAccelerationTimesTheStep)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {0, 0, 0}, {1, 2, 0});
    SPPS_ACTION_GRAVITY grav(0, -10, 0);
    Step(grav, g.group, 0.1f);
    Step(grav, g.group, 0.1f);
    EXPECT_VEC3_EQ(Velocity(p), 1, 0, 0);
    EXPECT_FLOAT_EQ(p->GetVelocity2(), 1.0f);
}

TEST(Jet, AcceleratesNearParticlesByDrawnVectors)
{
    MethodGroup g;
    CParticleBase* near = Place(g.group, {1, 0, 0}, {0, 0, 0});
    CParticleBase* far = Place(g.group, {50, 0, 0}, {0, 0, 0});
    SPPS_ACTION_JET plain;
    Step(plain, g.group, 1);
    EXPECT_VEC3_EQ(Velocity(near), 0, 0, 0) << "the default domain draws nothing";

    SPPS_ACTION_JET jet(0, 0, 0, 2, 1, 10);
    jet.domain = SPPS_DOMAIN(PPS_DOMAIN_LINE, 0, 0, 0, 0, 4, 0);
    srand(9);
    const std::vector<int> r = Draws(9, 2);
    Step(jet, g.group, 0.5f);
    const float a = 4 * (r[0] * kU);
    EXPECT_VEC3_EQ(Velocity(near), 0, a * (1.0f / 2.0f), 0);
    EXPECT_VEC3_EQ(Velocity(far), 0, 0, 0);
    EXPECT_EQ(rand(), r[1]) << "one draw, for the near particle only";
}

TEST(Kill, RemovesParticlesPastTheAgeWhenEnabled)
{
    MethodGroup g;
    CParticleBase* young = Place(g.group, {0, 0, 0}, {0, 0, 0});
    CParticleBase* old = Place(g.group, {0, 0, 0}, {0, 0, 0});
    CParticleBase* last = Place(g.group, {0, 0, 0}, {0, 0, 0});
    young->SetLifeTime(60);
    old->SetLifeTime(60.5f);
    last->SetLifeTime(61);
    SPPS_ACTION_KILL off(60, 0);
    Step(off, g.group, 1);
    EXPECT_EQ(g.group.GetParticlesNumber(), 3u);
    SPPS_ACTION_KILL on(60, 1);
    Step(on, g.group, 1);
    EXPECT_EQ(Particles(g.group), (std::vector<CParticleBase*>{young}));
    EXPECT_EQ(g.method.deleted, (std::vector<CParticleBase*>{old, last}));
}

TEST(Match, NeighboursShareVelocity)
{
    MethodGroup g;
    CParticleBase* a = Place(g.group, {0, 0, 0}, {0, 0, 0});
    CParticleBase* b = Place(g.group, {1, 0, 0}, {2, 4, 0});
    SPPS_ACTION_MATCH m;
    m.fMaxRadius = 2;
    m.fEpsilon = 0;
    m.fMagnitude = 1;
    Step(m, g.group, 0.5f);
    EXPECT_VEC3_EQ(Velocity(a), 1, 2, 0);
    EXPECT_VEC3_EQ(Velocity(b), 1, 2, 0);
    SPPS_ACTION_MATCH none;
    Step(none, g.group, 0.5f);
    EXPECT_VEC3_EQ(Velocity(a), 1, 2, 0);
}

TEST(Move, AgesAndMovesWithoutRefreshingTheSpeed)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {1, 1, 1}, {2, 0, -4});
    p->GetVelocity()[0] = 6;
    SPPS_ACTION_MOVE m;
    Step(m, g.group, 0.5f);
    Step(m, g.group, 0.5f);
    EXPECT_EQ(p->GetLifeTime(), 1.0f);
    EXPECT_VEC3_EQ(Position(p), 7, 1, -3);
    EXPECT_EQ(p->GetVelocity2(), 20.0f);
}

TEST(Orbit, PullsTowardsTheCentre)
{
    MethodGroup g;
    CParticleBase* near = Place(g.group, {3, 4, 0}, {0, 0, 0});
    CParticleBase* far = Place(g.group, {300, 0, 0}, {0, 0, 0});
    SPPS_ACTION_ORBIT o(0, 0, 0, 2, 1, 10);
    Step(o, g.group, 0.5f);
    const float k = 1.0f / (25 + 1 + 5);
    EXPECT_VEC3_EQ(Velocity(near), -3 * k, -4 * k, 0);
    EXPECT_VEC3_EQ(Velocity(far), 0, 0, 0);
    SPPS_ACTION_ORBIT everywhere(0, 0, 0, 2, 0, 1.0e8f);
    Step(everywhere, g.group, 0.5f);
    EXPECT_LT(Velocity(far).x, 0.0f);
}

TEST(Sink, RemovesByPositionOrVelocity)
{
    MethodGroup g;
    CParticleBase* slow = Place(g.group, {5, 5, 5}, {0, 1, 0});
    CParticleBase* fast = Place(g.group, {0, 0, 0}, {0, 2, 0});
    CParticleBase* slower = Place(g.group, {9, 9, 9}, {0.5f, 0, 0});
    SPPS_ACTION_SINK velocity(1, 1, PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    Step(velocity, g.group, 1);
    EXPECT_EQ(Particles(g.group), (std::vector<CParticleBase*>{fast}));
    EXPECT_EQ(g.method.deleted, (std::vector<CParticleBase*>{slow, slower}));
    SPPS_ACTION_SINK outside(0, 0, PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    Step(outside, g.group, 1);
    EXPECT_EQ(g.group.GetParticlesNumber(), 1u) << "the particle at the origin is inside";
    SPPS_ACTION_SINK other(2, 1, PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    Step(other, g.group, 1);
    EXPECT_EQ(g.group.GetParticlesNumber(), 1u);
    SPPS_ACTION_SINK inside(0, 1, PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    Step(inside, g.group, 1);
    EXPECT_EQ(g.group.GetParticlesNumber(), 0u);
}

TEST(Source, EmitsTheRateWithTheDrawnRemainder)
{
    for (unsigned seed = 1; seed < 40; ++seed) {
        MethodGroup g;
        SPPS_ACTION_SOURCE s(7, SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 2, 3), SPPS_DOMAIN(PPS_DOMAIN_POINT, 0, 1, 0),
                             SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 0, 0));
        srand(seed);
        const float u = Draws(seed, 1)[0] * kU;
        Step(s, g.group, 0.5f);
        EXPECT_EQ(g.group.GetParticlesNumber(), u < 0.5f ? 4u : 3u) << seed;
        for (CParticleBase* p : g.group) {
            EXPECT_VEC3_EQ(Position(p), 1, 2, 3);
            EXPECT_VEC3_EQ(Velocity(p), 0, 1, 0);
            EXPECT_EQ(p->GetColor(), 0xFFFF0000u);
        }
    }
}

TEST(Source, KeepsTheGroupWithinItsMaximum)
{
    MethodGroup g;
    g.group.SetMaxParticleNumber(5);
    SPPS_ACTION_SOURCE s(12, SPPS_DOMAIN(), SPPS_DOMAIN(), SPPS_DOMAIN());
    Step(s, g.group, 0.25f);
    EXPECT_EQ(g.group.GetParticlesNumber(), 3u);
    Step(s, g.group, 0.5f);
    EXPECT_EQ(g.group.GetParticlesNumber(), 5u) << "room for 2 of 5";
    Step(s, g.group, 0.5f);
    EXPECT_EQ(g.group.GetParticlesNumber(), 5u);
    SPPS_ACTION_SOURCE endless(1.0e30f, SPPS_DOMAIN(), SPPS_DOMAIN(), SPPS_DOMAIN());
    g.group.SetMaxParticleNumber(8);
    Step(endless, g.group, 1.0e10f);
    EXPECT_EQ(g.group.GetParticlesNumber(), 8u);
}

TEST(Source, DrawsEachBirthInOrder)
{
    MethodGroup g;
    // A particle waits in the pool, so that the birth makes none (a new
    // particle would draw its start velocity).
    Place(g.group, {0, 0, 0}, {0, 0, 0});
    g.group.Release();
    g.group.SetMethod(&g.method);
    SPPS_ACTION_SOURCE s;
    s.fRate = 1;
    s.size = SPPS_DOMAIN(PPS_DOMAIN_LINE, 0, 0, 0, 1, 0, 0);
    s.fAgeSigma = 1;
    CParticle colour; // made before the draws are pinned: it takes one itself
    srand(5);
    std::vector<D3DXVECTOR3> expected(2);
    float ignored;
    {
        (void)RandUniform();
        SPPS_DOMAIN().Generate(expected[0]);
        D3DXVECTOR3 size;
        s.size.Generate(size);
        s.velocity.Generate(expected[0]);
        s.color.Generate(expected[1]);
        ignored = RandNormal(1);
    }
    const int after = rand();
    (void)ignored;
    srand(5);
    Step(s, g.group, 1);
    ASSERT_EQ(g.group.GetParticlesNumber(), 1u);
    CParticleBase* p = g.group.FirstParticle();
    EXPECT_EQ(rand(), after);
    EXPECT_EQ(Velocity(p), expected[0]);
    colour.SetColor(&expected[1].x);
    EXPECT_EQ(p->GetColor(), colour.GetColor());
}

TEST(Vortex, TurnsAboutTheAxisKeepingTheDistance)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {2, 1, 0}, {5, 0, 0});
    CParticleBase* edge = Place(g.group, {0, 0, 3}, {0, 0, 0});
    CParticleBase* far = Place(g.group, {0, 0, 4}, {0, 0, 0});
    CParticleBase* centre = Place(g.group, {0, 0, 0}, {0, 0, 0});
    SPPS_ACTION_VORTEX v(0, 0, 0, D3DXVECTOR3(0, 1, 0), 1, 0, 3);
    Step(v, g.group, 0.5f);
    const D3DXVECTOR3 turned = Position(p);
    EXPECT_NEAR(D3DXVec3Length(&turned), std::sqrt(5.0f), 1e-5f);
    EXPECT_FLOAT_EQ(Position(p).y, 1);
    EXPECT_NE(Position(p).z, 0.0f);
    EXPECT_VEC3_EQ(Velocity(p), 5, 0, 0);
    EXPECT_NE(Position(edge).x, 0.0f) << "exactly at the radius it turns";
    EXPECT_VEC3_EQ(Position(far), 0, 0, 4);
    EXPECT_VEC3_EQ(Position(centre), 0, 0, 0);
}

TEST(ColorCtrl, BlendsChannelByChannel)
{
    MethodGroup g;
    CParticleBase* young = Place(g.group, {0, 0, 0}, {0, 0, 0});
    CParticleBase* mid = Place(g.group, {0, 0, 0}, {0, 0, 0});
    CParticleBase* old = Place(g.group, {0, 0, 0}, {0, 0, 0});
    mid->SetLifeTime(1);
    old->SetLifeTime(2);
    SPPS_ACTION_COLORCTRL c(0, 0, 0x00000000, 0x00FF00FF, 2, 0);
    Step(c, g.group, 0.1f);
    EXPECT_EQ(young->GetColor(), 0x00000000u);
    EXPECT_EQ(mid->GetColor(), 0x007F007Fu);
    EXPECT_EQ(old->GetColor(), 0x00FF00FFu);
    SPPS_ACTION_COLORCTRL down(0, 0, 0xFF80FF00, 0x00000080, 2, 0);
    Step(down, g.group, 0.1f);
    EXPECT_EQ(mid->GetColor(), 0x80408040u);
    SPPS_ACTION_COLORCTRL instant(0, 0, 0x11111111, 0x22222222, 0, 0);
    Step(instant, g.group, 0.1f);
    EXPECT_EQ(young->GetColor(), 0x22222222u) << "a blend over no time shows the end colour";
}

TEST(ColorCtrl, SuddenLoopAlternates)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {0, 0, 0}, {0, 0, 0});
    SPPS_ACTION_COLORCTRL c(0, 1, 0xFF000001, 0xFF000002, 1, 1);
    const std::pair<float, DWORD> ages[] = {{0.5f, 1}, {1.0f, 1}, {1.5f, 2}, {2.0f, 2}};
    for (const auto& [age, low] : ages) {
        p->SetLifeTime(age);
        Step(c, g.group, 0.1f);
        EXPECT_EQ(p->GetColor(), 0xFF000000u | low) << age;
    }
    // Past a whole loop the offset moves on and the blend goes forth again.
    SPPS_ACTION_COLORCTRL blend(0, 0, 0x00000000, 0x00000064, 1, 1);
    p->SetLifeTime(1.5f);
    Step(blend, g.group, 0.1f);
    EXPECT_EQ(p->GetColor(), 0x00000032u);
    p->SetLifeTime(2.25f);
    Step(blend, g.group, 0.1f);
    EXPECT_EQ(blend.GetLoopOffset(), 2.0f);
    EXPECT_EQ(p->GetColor(), 0x00000019u);
}

} // namespace
