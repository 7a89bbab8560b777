#include <memory>

#include "kestu_ppsaction.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

struct Counter : SPPS_ACTION_BASE {
    Counter(int mode) { validity.nValidity = mode; }
    HRESULT Update(CParticleGroup*) override
    {
        ++runs;
        return 7;
    }
    int runs = 0;
};

// Calls Execute with step dt and says for each call whether Update ran.
std::vector<bool> Steps(Counter& a, float dt, int n)
{
    std::vector<bool> ran;
    for (int i = 0; i < n; ++i) {
        const int before = a.runs;
        a.fDeltaTime = dt;
        const HRESULT hr = a.Execute(nullptr);
        ran.push_back(a.runs > before);
        EXPECT_EQ(hr, a.runs > before ? 7 : 0);
    }
    return ran;
}

TEST(ActionGate, TimeWindowIsOpenStrictlyBetweenStartAndEnd)
{
    Counter a(2);
    a.fStartTime = 1;
    a.fLifeTime = 2;
    // Elapsed 0.5, 1.0 shut; 1.5, 2.0, 2.5 open; 3.0 on shut.
    EXPECT_EQ(Steps(a, 0.5f, 8), (std::vector<bool>{false, false, true, true, true, false, false, false}));
    EXPECT_EQ(a.GetElapsedTime(), 4.0f);
}

TEST(ActionGate, RepeatCycleRunsFirstAndRestsThenStartsAgain)
{
    Counter a(2);
    a.fRepeatTime = 1;
    a.fExecuteTime = 0.5f;
    // Cycle 0.25 open; 0.5 ... 1.5 shut; 1.75 becomes 0 and is open.
    EXPECT_EQ(Steps(a, 0.25f, 8), (std::vector<bool>{true, false, false, false, false, false, true, true}));
    a.fRepeatTime = 0;
    EXPECT_EQ(Steps(a, 0.25f, 3), (std::vector<bool>{true, true, true}));
}

TEST(ActionGate, ValidityModes)
{
    Counter once(1);
    EXPECT_EQ(Steps(once, 0.1f, 3), (std::vector<bool>{true, false, false}));
    once.ReStart();
    EXPECT_EQ(Steps(once, 0.1f, 1), (std::vector<bool>{false})) << "a spent run-once mode stays spent";
    for (int mode : {0, 3, 5, -1}) {
        Counter never(mode);
        EXPECT_EQ(Steps(never, 0.1f, 3), (std::vector<bool>{false, false, false})) << mode;
    }
    Counter coin(4);
    srand(42);
    const std::vector<float> u = Uniforms(42, 6);
    std::vector<bool> expected;
    for (float x : u) expected.push_back(x > 0.5f);
    EXPECT_EQ(Steps(coin, 0.1f, 6), expected);
}

TEST(ActionGate, OnceRunsOnTheFirstCallInsideTheWindow)
{
    Counter a(1);
    a.fStartTime = 0.2f;
    a.fLifeTime = 1;
    EXPECT_EQ(Steps(a, 0.15f, 3), (std::vector<bool>{false, true, false}));
}

TEST(ActionGate, EveryCallAdvancesTheClocks)
{
    // The window of one second shuts on the call that reaches it.
    Counter a(2);
    a.fLifeTime = 1;
    std::vector<bool> perCall = Steps(a, 0.125f, 10);
    EXPECT_EQ(perCall, (std::vector<bool>{true, true, true, true, true, true, true, false, false, false}));
    a.InitAction();
    EXPECT_EQ(a.fLifeTime, 0.0f);
    EXPECT_EQ(a.GetElapsedTime(), 0.0f);
}

TEST(ActionIds, EveryIdMakesItsClassAndOthersNothing)
{
    for (DWORD id = PPS_ACTION_AVOID; id <= PPS_ACTION_COLORCTRL; ++id) {
        std::unique_ptr<SPPS_ACTION_BASE> a(NewPPSAction(id));
        ASSERT_NE(a, nullptr) << id;
        EXPECT_EQ(a->GetActionID(), id);
        SPPS_ACTION_DATA header{};
        header.dwActionID = id;
        header.dwCRCNum = 77;
        std::unique_ptr<SPPS_ACTION_BASE> b(NewPPSAction(&header));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetActionID(), id);
        EXPECT_EQ(b->dwCRCNum, 77u);
        EXPECT_EQ(b->fLifeTime, 0.0f);
        EXPECT_EQ(b->CheckSum(), 1);
    }
    EXPECT_EQ(NewPPSAction(255), nullptr);
    EXPECT_EQ(NewPPSAction(273), nullptr);
    SPPS_ACTION_DATA header{};
    header.dwActionID = 300;
    EXPECT_EQ(NewPPSAction(&header), nullptr);
    EXPECT_EQ(NewPPSAction(static_cast<const SPPS_ACTION_DATA*>(nullptr)), nullptr);
}

} // namespace
