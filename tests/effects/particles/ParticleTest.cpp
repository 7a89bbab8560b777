#include <memory>

#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

TEST(Particle, StartsWithOneVelocityComponentFromOneDraw)
{
    for (unsigned seed : {1u, 7u, 12345u}) {
        srand(seed);
        const int r = Draws(seed, 1)[0] % 100;
        CParticle p;
        float expected[3] = {0, 0, 0};
        expected[r % 3] = static_cast<float>(r) * 0.01f;
        EXPECT_EQ(p.GetVelocity()[0], expected[0]);
        EXPECT_EQ(p.GetVelocity()[1], expected[1]);
        EXPECT_EQ(p.GetVelocity()[2], expected[2]);
        EXPECT_EQ(p.GetWeight(), 1.0f);
        EXPECT_EQ(p.GetVelocity2(), 0.0f);
        EXPECT_EQ(p.GetColor(), 0xFFFFFFFFu);
        EXPECT_EQ(p.GetShape().dwData[0], 2u);
    }
}

TEST(Particle, SetVelocityDerivesSquaredSpeedAndDirection)
{
    CParticle p;
    const float v[3] = {3, 0, 4};
    p.SetVelocity(v);
    EXPECT_EQ(p.GetVelocity2(), 25.0f);
    EXPECT_VEC3_EQ(D3DXVECTOR3(p.GetVelocityNormal()), 0.6f, 0.0f, 0.8f);
    const float zero[3] = {0, 0, 0};
    p.SetVelocity(zero);
    EXPECT_VEC3_EQ(D3DXVECTOR3(p.GetVelocityNormal()), 0.0f, 0.0f, 0.0f);
}

TEST(Particle, FloatColourIsOpaqueAndKeepsTheLowByteOfEachChannel)
{
    struct Case {
        float rgb[3];
        DWORD expected;
    } cases[] = {
        {{1.0f, 0.5f, 0.0f}, 0xFFFF7F00},
        {{1.5f, 0.0f, 0.0f}, 0xFF7E0000},
        {{0.0f, 0.0f, -0.5f}, 0xFF000081},
        {{2.0f, 1.0f, 0.25f}, 0xFFFEFF3F},
    };
    for (const Case& c : cases) {
        CParticle p;
        p.SetColor(c.rgb);
        EXPECT_EQ(p.GetColor(), c.expected);
    }
}

TEST(Particle, ClearZeroesTheMotionAndKeepsColourAndShape)
{
    CParticle p;
    const float v[3] = {1, 2, 3};
    p.SetVelocity(v);
    p.SetPosition(v);
    p.SetLifeTime(4);
    p.SetColor(0x12345678u);
    SPPS_SHAPE shape{};
    shape.dwData[5] = 9;
    p.SetShape(shape);
    p.Clear();
    EXPECT_EQ(p.GetWeight(), 0.0f);
    EXPECT_EQ(p.GetLifeTime(), 0.0f);
    EXPECT_EQ(p.GetVelocity2(), 0.0f);
    EXPECT_VEC3_EQ(D3DXVECTOR3(p.GetVelocity()), 0, 0, 0);
    EXPECT_VEC3_EQ(D3DXVECTOR3(p.GetPosition()), 0, 0, 0);
    EXPECT_EQ(p.GetColor(), 0x12345678u);
    EXPECT_EQ(p.GetShape().dwData[5], 9u);
}

TEST(Particle, CopiesCarryEveryFieldOfTheirKind)
{
    CParticleMesh a;
    const float v[3] = {1, 2, 3};
    a.SetVelocity(v);
    a.SetPosition(v);
    a.SetLifeTime(2);
    a.SetWeight(5);
    a.SetColor(0xAABBCCDDu);
    a.SetMesh(reinterpret_cast<ID3DXMesh*>(&a));
    CParticleMesh b(a);
    EXPECT_EQ(b.GetVelocity2(), 14.0f);
    EXPECT_VEC3_EQ(Position(&b), 1, 2, 3);
    EXPECT_EQ(b.GetLifeTime(), 2.0f);
    EXPECT_EQ(b.GetWeight(), 5.0f);
    EXPECT_EQ(b.GetColor(), 0xAABBCCDDu);
    EXPECT_EQ(b.GetMesh(), a.GetMesh());
}

class FreeListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No group lives between tests, so the list is empty (or not made).
        if (ParticleFreeList) {
            ASSERT_EQ(ParticleFreeList->GetCount(), 0u);
        }
    }
};

TEST_F(FreeListTest, GivesBackInOrderAndHandsOutTheOldestUncleared)
{
    MethodGroup g;
    ASSERT_NE(ParticleFreeList, nullptr);
    CParticleBase* a = Place(g.group, {1, 2, 3}, {0, 1, 0}, 0xFF112233);
    CParticleBase* b = Place(g.group, {4, 5, 6}, {0, 2, 0});
    g.group.Release();
    EXPECT_EQ(ParticleFreeList->GetCount(), 2u);
    EXPECT_EQ(g.method.deleted, (std::vector<CParticleBase*>{a, b}));
    CParticleBase* first = AllocParticle();
    EXPECT_EQ(first, a);
    EXPECT_VEC3_EQ(Position(first), 1, 2, 3);
    EXPECT_VEC3_EQ(Velocity(first), 0, 1, 0);
    EXPECT_EQ(first->GetColor(), 0xFF112233u);
    FreeParticle(first);
    EXPECT_EQ(ParticleFreeList->Front(), b);
}

TEST_F(FreeListTest, TheLastGroupEmptiesTheListWhichStaysUsable)
{
    {
        MethodGroup one;
        auto two = std::make_unique<CParticleGroup>();
        EXPECT_EQ(ParticleFreeList->m_nUsers, 2);
        Place(one.group, {0, 0, 0}, {1, 0, 0});
        one.group.Release();
        two.reset();
        EXPECT_EQ(ParticleFreeList->GetCount(), 1u);
    }
    ASSERT_NE(ParticleFreeList, nullptr);
    EXPECT_EQ(ParticleFreeList->m_nUsers, 0);
    EXPECT_EQ(ParticleFreeList->GetCount(), 0u);
    // A later group's particle is made new, with its random start velocity.
    MethodGroup later;
    srand(3);
    CParticleBase* p = AllocParticle();
    const int r = Draws(3, 1)[0] % 100;
    EXPECT_EQ(p->GetVelocity()[r % 3], static_cast<float>(r) * 0.01f);
    FreeParticle(p);
}

TEST_F(FreeListTest, NewFromAPooledMethodClearsTheMotionOnly)
{
    MethodGroup g;
    CParticleBase* p = Place(g.group, {1, 2, 3}, {4, 5, 6}, 0xFF445566);
    g.group.Release();
    CParticleBase* again = g.method.New(&g.group, 5);
    EXPECT_EQ(again, p);
    EXPECT_EQ(again->GetWeight(), 0.0f);
    EXPECT_VEC3_EQ(Position(again), 0, 0, 0);
    EXPECT_VEC3_EQ(Velocity(again), 0, 0, 0);
    EXPECT_EQ(again->GetColor(), 0xFF445566u);
    g.method.Delete(&g.group, again);
}

} // namespace
