#include <memory>
#include <vector>

#include "effects/particles/ParticleHeap.h"
#include "ParticleTestKit.h"

namespace {

TEST(ParticleHeap, HandsOutTheLowestFreeSlotInAddressOrder)
{
    const size_t before = ParticleHeapLiveSlots();
    std::vector<CParticle*> ps;
    for (int i = 0; i < 5; ++i) ps.push_back(new CParticle);
    EXPECT_EQ(ParticleHeapLiveSlots(), before + 5);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(reinterpret_cast<char*>(ps[i]) - reinterpret_cast<char*>(ps[i - 1]), 104) << i;
    delete ps[2];
    delete ps[1];
    CParticle* again = new CParticle;
    EXPECT_EQ(again, ps[1]) << "the lowest free slot first";
    delete again;
    for (int i : {0, 3, 4}) delete ps[i];
    EXPECT_EQ(ParticleHeapLiveSlots(), before);
}

TEST(ParticleHeap, LargerParticlesUseTheGeneralHeap)
{
    const size_t before = ParticleHeapLiveSlots();
    auto mesh = std::make_unique<CParticleMesh>();
    EXPECT_EQ(ParticleHeapLiveSlots(), before);
    CParticleBase* p = AllocParticle();
    EXPECT_EQ(ParticleHeapLiveSlots(), before + 1);
    delete p;
    EXPECT_EQ(ParticleHeapLiveSlots(), before);
}

TEST(ParticleHeap, ManyBlocksComeAndGo)
{
    const size_t before = ParticleHeapLiveSlots();
    std::vector<CParticleBase*> ps;
    for (int i = 0; i < 3000; ++i) ps.push_back(new CParticle);
    for (size_t i = 0; i < ps.size(); i += 2) delete ps[i];
    for (size_t i = 0; i < ps.size(); i += 2) ps[i] = new CParticle;
    for (CParticleBase* p : ps) delete p;
    EXPECT_EQ(ParticleHeapLiveSlots(), before);
}

// After every test no particle is left alive: what groups and the free list
// took, they gave back.
class NoParticleLeft : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_EQ(ParticleHeapLiveSlots(), 0u); }
};
const auto* const kNoParticleLeft = ::testing::AddGlobalTestEnvironment(new NoParticleLeft);

} // namespace
