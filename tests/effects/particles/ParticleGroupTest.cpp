#include "kestu_ppsdomain.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

TEST(ParticleGroup, StartsEmptyWithItsLimits)
{
    CParticleGroup g;
    EXPECT_EQ(g.GetParticlesNumber(), 0u);
    EXPECT_EQ(g.GetMaxParticleNumber(), 10000u);
    EXPECT_EQ(g.GetMethod(), nullptr);
    EXPECT_EQ(g.FirstParticle(), nullptr);
    CParticleGroup::iterator it, end;
    EXPECT_EQ(g.FirstParticle(it), nullptr);
    EXPECT_EQ(g.LastParticle(end), nullptr);
    EXPECT_TRUE(it == end);
}

TEST(ParticleGroup, ForwardsToItsMethodAndReportsAsTheySay)
{
    MethodGroup g;
    EXPECT_EQ(g.method.log, (std::vector<std::string>{"AddRef"}));
    EXPECT_EQ(g.group.Render(nullptr), 0) << "an empty group draws nothing";
    EXPECT_EQ(g.method.log.size(), 1u);
    EXPECT_EQ(g.group.Build(nullptr), 0);
    Place(g.group, {0, 0, 0}, {1, 0, 0});
    EXPECT_EQ(g.group.Update(0.1f), 0);
    EXPECT_EQ(g.group.GetLastCount(), 1u);
    EXPECT_EQ(g.group.Render(nullptr), 0);
    EXPECT_EQ(g.method.log, (std::vector<std::string>{"AddRef", "Build", "Update", "Render"}));
    // A second AddRef keeps the record.
    SPPS_METHOD_RES* res = g.method.GetRes(&g.group);
    EXPECT_EQ(g.method.AddRef(&g.group), 1);
    EXPECT_EQ(g.method.GetRes(&g.group), res);
}

TEST(ParticleGroup, ReleaseGivesEveryParticleBackAndFreesTheRecord)
{
    MethodGroup g;
    g.group.Release();
    EXPECT_EQ(g.method.log.back(), "Release") << "an empty group still frees its record";
    EXPECT_EQ(g.method.GetRes(&g.group), nullptr);
    g.group.SetMethod(&g.method);
    CParticleBase* a = Place(g.group, {1, 0, 0}, {0, 0, 0});
    CParticleBase* b = Place(g.group, {2, 0, 0}, {0, 0, 0});
    g.group.Release();
    EXPECT_EQ(g.method.deleted, (std::vector<CParticleBase*>{a, b}));
    EXPECT_EQ(g.group.GetParticlesNumber(), 0u);
    EXPECT_EQ(AllocParticle(), a);
    FreeParticle(a);
}

TEST(ParticleGroup, RemoveAtMovesToTheFollowingParticle)
{
    MethodGroup g;
    CParticleBase* a = Place(g.group, {1, 0, 0}, {0, 0, 0});
    CParticleBase* b = Place(g.group, {2, 0, 0}, {0, 0, 0});
    CParticleBase* c = Place(g.group, {3, 0, 0}, {0, 0, 0});
    CParticleGroup::iterator it;
    g.group.FirstParticle(it);
    g.group.NextParticle(it);
    g.group.RemoveAt(it);
    EXPECT_EQ(*it, c);
    EXPECT_EQ(g.method.deleted, (std::vector<CParticleBase*>{b}));
    EXPECT_EQ(Particles(g.group), (std::vector<CParticleBase*>{a, c}));
    g.group.RemoveAt(it);
    g.group.FirstParticle(it);
    g.group.RemoveAt(it);
    EXPECT_EQ(g.group.GetParticlesNumber(), 0u);
    EXPECT_EQ(g.group.FirstParticle(), nullptr);
    g.group.RemoveAt(it); // at the end: nothing
}

TEST(ParticleGroup, PositionsOutliveRemovalsAndAdditionsUntilTheUpdate)
{
    MethodGroup g;
    std::vector<CParticleBase*> ps;
    for (int i = 0; i < 6; ++i) ps.push_back(Place(g.group, {float(i), 0, 0}, {0, 0, 0}));
    CParticleGroup::iterator held, it;
    g.group.FirstParticle(held);
    ++held;
    ++held; // at ps[2]
    // Remove the first, fourth and last through another walk.
    g.group.FirstParticle(it);
    g.group.RemoveAt(it);
    ++it;
    ++it;
    g.group.RemoveAt(it);
    ++it;
    g.group.RemoveAt(it);
    CParticleGroup::iterator end;
    EXPECT_EQ(g.group.LastParticle(end), ps[4]);
    EXPECT_TRUE(it == end);
    CParticleBase* late = Place(g.group, {9, 0, 0}, {0, 0, 0});
    EXPECT_EQ(*held, ps[2]);
    EXPECT_EQ(g.group.NextParticle(held), ps[2]);
    EXPECT_EQ(g.group.NextParticle(held), ps[4]);
    EXPECT_EQ(g.group.NextParticle(held), late);
    EXPECT_TRUE(held == end);
    EXPECT_EQ(g.group.NextParticle(held), nullptr);
    EXPECT_EQ(Particles(g.group), (std::vector<CParticleBase*>{ps[1], ps[2], ps[4], late}));
    EXPECT_EQ(g.group.GetParticlesNumber(), 4u);
    g.group.Update(0.1f);
    EXPECT_EQ(Particles(g.group), (std::vector<CParticleBase*>{ps[1], ps[2], ps[4], late}));
    EXPECT_EQ(g.group.GetLastCount(), 4u);
    // Removing the oldest, frame after frame, keeps the order.
    for (int frame = 0; frame < 3; ++frame) {
        g.group.FirstParticle(it);
        g.group.RemoveAt(it);
        Place(g.group, {0, 0, 0}, {0, 0, 0});
        g.group.Update(0.1f);
        EXPECT_EQ(g.group.GetParticlesNumber(), 4u);
    }
    EXPECT_EQ(Particles(g.group)[0], late);
}

TEST(ParticleGroup, SpawnDrawsVelocitiesFromTheSmallCylinder)
{
    MethodGroup g;
    EXPECT_EQ(g.group.Spawn(0), 1);
    EXPECT_EQ(g.group.GetParticlesNumber(), 0u);
    const SPPS_DOMAIN cyl(PPS_DOMAIN_CYLINDER, 0, -0.01f, 0.35f, 0, -0.01f, 0.37f, 0.021f, 0.019f, 0);
    // Pool particles are taken uncleared; new ones draw their start velocity.
    srand(17);
    std::vector<D3DXVECTOR3> expected;
    {
        CParticle first;
        D3DXVECTOR3 v;
        cyl.Generate(v);
        expected.push_back(v);
        CParticle second;
        cyl.Generate(v);
        expected.push_back(v);
    }
    srand(17);
    EXPECT_EQ(g.group.Spawn(2), 1);
    const std::vector<CParticleBase*> ps = Particles(g.group);
    ASSERT_EQ(ps.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Velocity(ps[i]), expected[i]);
        EXPECT_FLOAT_EQ(ps[i]->GetVelocity2(), D3DXVec3LengthSq(&expected[i]));
    }
    EXPECT_EQ(g.group.GetLastCount(), 2u);
}

TEST(ParticleGroup, AddPlacesThroughTheRootMatrixInWorldSpace)
{
    MethodGroup g;
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 10, 20, 30);
    g.group.SetRootMat(m);
    const float pos[3] = {1, 2, 3}, vel[3] = {0, 3, 4}, rgb[3] = {1, 0.5f, 0};
    g.group.Add(pos, pos, pos, vel, rgb, 0, 0);
    g.group.EnableParticleInWorldSpace(1);
    g.group.Add(pos, pos, pos, vel, rgb, 0, 0);
    const std::vector<CParticleBase*> ps = Particles(g.group);
    EXPECT_VEC3_EQ(Position(ps[0]), 1, 2, 3);
    EXPECT_VEC3_EQ(Position(ps[1]), 11, 22, 33);
    EXPECT_EQ(ps[1]->GetVelocity2(), 25.0f);
    EXPECT_EQ(ps[1]->GetColor(), 0xFFFF7F00u);
}

TEST(ParticleGroup, WithoutAMethodNothingCrashesAndParticlesGoToThePool)
{
    CParticleGroup g;
    g.SetMethod(nullptr);
    const float pos[3] = {0, 0, 0};
    g.Add(pos, pos, pos, pos, pos, 0, 0);
    EXPECT_EQ(g.GetParticlesNumber(), 0u) << "no method makes no particle";
    EXPECT_EQ(g.Build(nullptr), 0);
    g.Spawn(2);
    EXPECT_EQ(g.Update(0.1f), 0);
    EXPECT_EQ(g.Render(nullptr), 1);
    CParticleBase* first = g.FirstParticle();
    CParticleGroup::iterator it;
    g.FirstParticle(it);
    g.RemoveAt(it);
    EXPECT_EQ(ParticleFreeList->Front(), first);
    g.Release();
    EXPECT_EQ(ParticleFreeList->GetCount(), 2u);
}

TEST(ParticleGroup, CopiesTakeParticlesOfTheirOwn)
{
    MethodGroup g;
    g.group.SetName("fire");
    g.group.SetID(7);
    g.group.SetMaxParticleNumber(50);
    CParticleBase* a = Place(g.group, {1, 2, 3}, {4, 5, 6}, 0xFF010203);
    {
        CParticleGroup copy(g.group);
        EXPECT_STREQ(copy.GetName(), "fire");
        EXPECT_EQ(copy.GetID(), 7u);
        EXPECT_EQ(copy.GetMaxParticleNumber(), 50u);
        EXPECT_EQ(copy.GetMethod(), &g.method);
        ASSERT_EQ(copy.GetParticlesNumber(), 1u);
        CParticleBase* c = copy.FirstParticle();
        EXPECT_NE(c, a);
        EXPECT_VEC3_EQ(Position(c), 1, 2, 3);
        EXPECT_VEC3_EQ(Velocity(c), 4, 5, 6);
        EXPECT_EQ(c->GetColor(), 0xFF010203u);
        CParticleGroup assigned;
        assigned = copy;
        EXPECT_EQ(assigned.GetParticlesNumber(), 1u);
        EXPECT_NE(assigned.FirstParticle(), c);
    }
    // The copies gave their particles back; the original's is untouched.
    EXPECT_EQ(Particles(g.group), (std::vector<CParticleBase*>{a}));
    EXPECT_VEC3_EQ(Position(a), 1, 2, 3);
}

} // namespace
