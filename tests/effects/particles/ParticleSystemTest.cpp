#include <memory>

#include "kestu_particlesystem.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "support/device.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

// Logs "action:group" on every run.
struct Recorder : SPPS_ACTION_BASE {
    Recorder(const char* name, std::vector<std::string>* log) : log(log)
    {
        SetName(name);
        validity.nValidity = 2;
    }
    HRESULT Update(CParticleGroup* group) override
    {
        log->push_back(std::string(GetName()) + ":" + group->GetName());
        return 0;
    }
    std::vector<std::string>* log;
};

// A system of two named groups served by one test method.
struct TwoGroups {
    TestMethod method;
    CParticleSystem system;
    std::vector<std::string> log;
    TwoGroups()
    {
        system.NewGroup();
        system.NewGroup();
        CParticleSystem::group_iterator it;
        system.FirstGroup(it)->SetName("a");
        system.LastGroup()->SetName("b");
        system.SetMethod(&method);
    }
    // Runs one frame and returns what the recorders logged.
    std::vector<std::string> Frame(float dt)
    {
        log.clear();
        method.log.clear();
        system.Logic(dt);
        return log;
    }
    ~TwoGroups() { system.Release(); }
};

TEST(ParticleSystem, RunsEachActionOverEachGroupThenUpdatesTheGroups)
{
    TwoGroups t;
    t.system.AddAction(new Recorder("x", &t.log));
    t.system.AddAction(new Recorder("y", &t.log));
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    t.system.SetRootMat(m);
    EXPECT_EQ(t.Frame(0.1f), (std::vector<std::string>{"x:a", "x:b", "y:a", "y:b"}));
    EXPECT_EQ(t.method.log, (std::vector<std::string>{"Update", "Update"}));
    EXPECT_EQ(t.system.LastGroup()->GetRootMat()->_42, 2.0f);
    EXPECT_EQ(t.system.FirstAction()->fDeltaTime, 0.1f);
}

TEST(ParticleSystem, LifeWindowWaitsRunsAndFinishes)
{
    TwoGroups t;
    t.system.AddAction(new Recorder("x", &t.log));
    t.system.fStartTime = 1;
    t.system.fLifeTime = 2;
    int runs = 0;
    // Elapsed 0.5 and 1.0 wait; 1.5 ... 2.5 run; 3.0 neither runs nor finishes.
    for (int i = 0; i < 6; ++i) {
        if (!t.Frame(0.5f).empty()) ++runs;
        EXPECT_EQ(t.system.IsPlayFinished(), 0);
    }
    EXPECT_EQ(runs, 3);
    EXPECT_TRUE(t.method.log.empty()) << "no group update at the window's end";
    t.Frame(0.5f);
    EXPECT_EQ(t.system.IsPlayFinished(), 1);
    // A restart does not bring the system back.
    t.system.ReStart();
    EXPECT_EQ(t.system.IsPlayFinished(), 1);
}

TEST(ParticleSystem, RepeatCycleRunsThenRests)
{
    TwoGroups t;
    t.system.AddAction(new Recorder("x", &t.log));
    t.system.fRepeatTime = 1;
    t.system.fExecuteTime = 0.5f;
    std::vector<bool> ran;
    for (int i = 0; i < 9; ++i) {
        ran.push_back(!t.Frame(0.2f).empty());
        EXPECT_EQ(ran.back(), !t.method.log.empty());
    }
    // Cycle 0.2, 0.4 run; 0.6 ... 1.4 rest; 1.6 becomes 0 and runs, then 0.2.
    EXPECT_EQ(ran, (std::vector<bool>{true, true, false, false, false, false, false, true, true}));
    t.system.fExecuteTime = 0;
    EXPECT_FALSE(t.Frame(0.2f).empty());
}

TEST(ParticleSystem, TwoGroupsAdvanceAnActionsClocksTwice)
{
    TwoGroups t;
    auto* x = new Recorder("x", &t.log);
    x->fLifeTime = 1;
    t.system.AddAction(x);
    int frames = 0;
    while (!t.Frame(0.125f).empty()) ++frames;
    // Each frame advances the action's clock twice: its one second is used
    // up in the fourth frame of 0.125 s.
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(x->GetElapsedTime(), 1.25f);
}

TEST(ParticleSystem, WithoutActionsTheGroupsStillUpdate)
{
    TwoGroups t;
    t.Frame(0.1f);
    EXPECT_EQ(t.method.log, (std::vector<std::string>{"Update", "Update"}));
}

TEST(ParticleSystem, BuildMakesADefaultGroupOfThreeParticles)
{
    TestMethod method;
    CParticleSystem s;
    s.SetMethod(&method);
    EXPECT_EQ(s.Build(nullptr), 0);
    ASSERT_EQ(s.GetGroupCount(), 1u);
    CParticleGroup* g = s.FirstGroup();
    EXPECT_EQ(g->GetParticlesNumber(), 3u);
    EXPECT_EQ(std::string(g->GetName()), std::to_string(g->GetID()));
    EXPECT_EQ(g->GetMethod(), &method);
    EXPECT_EQ(method.log, (std::vector<std::string>{"AddRef", "Build"}));
    s.NewGroup();
    EXPECT_EQ(s.LastGroup()->GetID(), g->GetID() + 1);
    EXPECT_EQ(s.LastGroup()->GetMethod(), nullptr);
    s.Release();
    EXPECT_EQ(method.GetResCount(), 0u);
}

TEST(ParticleSystem, SourcePositionMovesEverySourcesPositionDomain)
{
    CParticleSystem s;
    auto* a = new SPPS_ACTION_SOURCE(1, SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 1, 1), SPPS_DOMAIN(), SPPS_DOMAIN());
    auto* b = new SPPS_ACTION_SOURCE(1, SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, 0, 0, 1), SPPS_DOMAIN(), SPPS_DOMAIN());
    auto* g = new SPPS_ACTION_GRAVITY(0, -1, 0);
    s.AddAction(a);
    s.AddAction(g);
    s.AddAction(b);
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 5, 6, 7);
    s.SetSourcePos(&m);
    EXPECT_VEC3_EQ(a->position.p1, 5, 6, 7);
    EXPECT_VEC3_EQ(b->position.p1, 5, 6, 7);
    EXPECT_EQ(b->position.fRadius1, 1.0f);
    EXPECT_VEC3_EQ(g->vDirection, 0, -1, 0);
}

TEST(ParticleSystem, GroupsAndActionsAreFoundAndRemoved)
{
    TwoGroups t;
    auto* x = new Recorder("x", &t.log);
    auto* y = new Recorder("y", &t.log);
    t.system.AddAction(x);
    t.system.AddAction(y);
    EXPECT_EQ(t.system.GetActionByName("y"), y);
    EXPECT_EQ(t.system.GetActionByName("z"), nullptr);
    EXPECT_EQ(t.system.RemoveAction(x), 1);
    EXPECT_EQ(t.system.GetActionCount(), 1u);
    delete x; // handed back to the caller
    CParticleSystem::action_iterator ai;
    t.system.FirstAction(ai);
    EXPECT_EQ(t.system.NextAction(ai), y);
    EXPECT_EQ(t.system.NextAction(ai), nullptr);
    EXPECT_EQ(t.system.RemoveActionAll(), 1);
    EXPECT_EQ(t.system.RemoveActionAll(), 0);
    delete y;

    CParticleGroup* a = t.system.GetGroupByName("a");
    ASSERT_NE(a, nullptr);
    Place(*a, {0, 0, 0}, {0, 0, 0});
    Place(*a, {0, 0, 0}, {0, 0, 0});
    EXPECT_EQ(t.system.RemoveGroup(a->GetID()), 1);
    EXPECT_EQ(t.method.deleted.size(), 2u) << "a removed group gives its particles back";
    EXPECT_EQ(t.method.GetResCount(), 1u) << "and its record";
    EXPECT_EQ(t.system.RemoveGroup(123456789u), 0);
    CParticleSystem::group_iterator gi = t.system.EndGroupPosition();
    EXPECT_EQ(t.system.RemoveGroup(gi), 0);
    gi = t.system.FirstGroupPosition();
    EXPECT_EQ(t.system.NextGroup(gi), t.system.GetGroupByName("b"));
    EXPECT_EQ(t.system.NextGroup(gi), nullptr);

    CParticleGroup extra;
    extra.SetName("c");
    t.system.AddGroup(extra);
    EXPECT_NE(t.system.GetGroupByName("c"), &extra);
    EXPECT_EQ(t.system.GetGroupCount(), 2u);
}

TEST(ParticleSystem, ReleaseAllGroupInMethodFreesTheRecords)
{
    TwoGroups t;
    EXPECT_EQ(t.method.GetResCount(), 2u);
    EXPECT_EQ(t.system.ReleaseAllGroupInMethod(), 1);
    EXPECT_EQ(t.method.GetResCount(), 0u);
}

TEST(ParticleSystem, MethodNameBindsThroughTheManager)
{
    CParticleMethodMng mng;
    auto* m = new TestMethod;
    mng.AddMethod(m, PPS_METHOD_POINT);
    m->SetName("pts");
    TwoGroups t;
    t.system.SetParticleMethodMng(&mng);
    t.system.SetMethodName("pts");
    EXPECT_EQ(t.system.GetMethod(), m);
    EXPECT_EQ(t.system.FirstGroup()->GetMethod(), m);
    t.system.SetMethodName("none");
    EXPECT_STREQ(t.system.GetMethodName(), "none");
    EXPECT_EQ(t.system.GetMethod(), nullptr);
    EXPECT_EQ(t.system.FirstGroup()->GetMethod(), nullptr);
    t.system.Release();
}

class ParticleSystemDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        testdevice::CreateShared(testdevice::DefaultParameters(64, 64, testdevice::FakeWindow(0x2801), false, false),
                                 d3d, device);
        if (!device) GTEST_SKIP() << "no device";
    }
    void TearDown() override { testdevice::ReleaseShared(d3d, device); }
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

TEST_F(ParticleSystemDevice, RenderDrawsGroupsWithParticlesInsideTheScene)
{
    TwoGroups t;
    Place(*t.system.GetGroupByName("b"), {0, 0, 0}, {0, 0, 0});
    t.method.log.clear();
    EXPECT_EQ(t.system.Render(device, 1), 0);
    EXPECT_EQ(t.method.log, (std::vector<std::string>{"Render"})) << "the empty group is skipped";
    EXPECT_TRUE(t.method.sceneWasOpen);
    EXPECT_EQ(t.system.Render(device, 0), 0);
    EXPECT_FALSE(t.method.sceneWasOpen);
}

TEST(ParticleSystemMng, NewSystemsAreNumberedNamedAndFound)
{
    CParticleSystemMng mng;
    CParticleSystem* a = mng.NewSystem();
    CParticleSystem* b = mng.NewSystem();
    EXPECT_EQ(b->GetID(), a->GetID() + 1);
    EXPECT_EQ(std::string(b->GetName()), std::to_string(b->GetID()));
    EXPECT_EQ(a->GetParticleMethodMng(), mng.GetParticleMethodMng());
    a->SetName("smoke");
    EXPECT_EQ(mng.GetSystemByName("smoke"), a);
    EXPECT_EQ(mng.GetCurSystem(), nullptr);
    EXPECT_EQ(mng.GetCurSystemByName("smoke"), a);
    EXPECT_EQ(mng.GetCurSystem(), a);
    EXPECT_EQ(mng.GetCurSystemByName("fog"), nullptr);
    EXPECT_EQ(mng.GetCurSystem(), a);
    EXPECT_EQ(mng.GetSystem(static_cast<int>(b->GetID())), b);
    EXPECT_EQ(mng.FirstSystem(), a);
    EXPECT_EQ(mng.LastSystem(), b);
    CParticleSystemMng::iterator it = mng.FirstSystemPosition();
    EXPECT_EQ(mng.NextSystem(it), a);
    EXPECT_EQ(mng.NextSystem(it), b);
    EXPECT_EQ(mng.NextSystem(it), nullptr);
    const DWORD removed = a->GetID();
    EXPECT_EQ(mng.RemoveSystem(removed), 1);
    EXPECT_EQ(mng.GetCurSystem(), nullptr);
    EXPECT_EQ(mng.RemoveSystem(removed), 0);
    EXPECT_EQ(mng.GetSystemCount(), 1u);
    EXPECT_STREQ(mng.GetHeader(), "PPS_DAT_MNG");
    EXPECT_EQ(mng.GetMajorVer(), 0x1234u);
}

TEST(ParticleSystemMng, LogicReleasesFinishedSystemsAndKeepsThemListed)
{
    TestMethod method;
    CParticleSystemMng mng;
    CParticleSystem* s = mng.NewSystem();
    s->fLifeTime = 0.5f;
    s->SetMethod(&method);
    s->Build(nullptr);
    std::vector<std::string> log;
    s->AddAction(new Recorder("x", &log));
    mng.Logic(0.25f);
    EXPECT_EQ(log.size(), 1u);
    mng.Logic(0.5f);
    EXPECT_EQ(s->IsPlayFinished(), 1);
    EXPECT_EQ(s->GetGroupCount(), 1u);
    mng.Logic(0.25f);
    EXPECT_EQ(s->GetGroupCount(), 0u);
    EXPECT_EQ(s->GetActionCount(), 0u);
    EXPECT_EQ(method.deleted.size(), 3u);
    mng.Logic(0.25f);
    EXPECT_EQ(mng.GetSystemCount(), 1u);

    // VirutalLogic runs even a finished system, which only finishes again.
    mng.VirutalLogic(0.25f);
    EXPECT_EQ(s->IsPlayFinished(), 1);
}

TEST(ParticleSystemMng, TotalCountsTheFirstGroupOfEachSystem)
{
    TestMethod method;
    CParticleSystemMng mng;
    for (int i = 0; i < 2; ++i) {
        CParticleSystem* s = mng.NewSystem();
        s->NewGroup();
        s->NewGroup();
        s->SetMethod(&method);
        Place(*s->FirstGroup(), {0, 0, 0}, {0, 0, 0});
        Place(*s->LastGroup(), {0, 0, 0}, {0, 0, 0});
        Place(*s->LastGroup(), {0, 0, 0}, {0, 0, 0});
    }
    mng.NewSystem();
    EXPECT_EQ(mng.GetTotalParticleNum(), 2u);
    EXPECT_EQ(mng.Build(nullptr), 0);
    EXPECT_EQ(mng.Render(nullptr, 0), 0);
    mng.Clear();
    EXPECT_EQ(mng.GetSystemCount(), 0u);
    // The third system's default group has no method: its three particles
    // go straight back to the free list, not through the method.
    EXPECT_EQ(method.deleted.size(), 6u);
}

TEST(ParticleSystemMng, ValidWithMethodsAndNamedSystemsOnly)
{
    CParticleSystemMng mng;
    EXPECT_EQ(mng.IsValid(), 0);
    CParticleSystem* s = mng.NewSystem();
    EXPECT_EQ(mng.IsValid(), 0) << "systems but no methods";
    mng.GetParticleMethodMng()->AddMethod(new TestMethod, PPS_METHOD_POINT);
    EXPECT_EQ(mng.IsValid(), 0) << "a system without a method name";
    s->SetMethodName(mng.GetParticleMethodMng()->FirstMethod()->GetName());
    EXPECT_EQ(mng.IsValid(), 1);
    EXPECT_NE(s->GetMethod(), nullptr);
}

TEST(ParticleSystemMng, RootMatrixSourcePositionAndRestartReachEverySystem)
{
    CParticleSystemMng mng;
    CParticleSystem* a = mng.NewSystem();
    CParticleSystem* b = mng.NewSystem();
    auto* source = new SPPS_ACTION_SOURCE;
    b->AddAction(source);
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    mng.SetRootMat(m);
    EXPECT_EQ(a->GetRootMat()->_41, 1.0f);
    EXPECT_EQ(mng.GetRootMat()->_43, 3.0f);
    mng.SetSourcePos(&m);
    EXPECT_VEC3_EQ(source->position.p1, 1, 2, 3);
    source->fLifeTime = 5;
    source->fDeltaTime = 1;
    source->Execute(nullptr);
    EXPECT_EQ(source->GetElapsedTime(), 1.0f);
    mng.ReStart();
    EXPECT_EQ(source->GetElapsedTime(), 0.0f);
}

TEST(ParticleSystemMng, ReleasingTheMethodsLeavesNoSystemPointingAtThem)
{
    CParticleSystemMng mng;
    auto* m = new TestMethod;
    mng.GetParticleMethodMng()->AddMethod(m, PPS_METHOD_POINT);
    CParticleSystem* s = mng.NewSystem();
    s->SetMethodName(m->GetName());
    s->Build(nullptr);
    mng.ReleaseMethod();
    EXPECT_EQ(mng.GetParticleMethodMng(), nullptr);
    EXPECT_EQ(s->GetMethod(), nullptr);
    EXPECT_EQ(s->FirstGroup()->GetMethod(), nullptr);
    EXPECT_EQ(mng.IsValid(), 0);
    mng.Clear();
}

TEST(ParticleSystemMng, ARemovedSystemGivesBackItsParticlesAndRecords)
{
    TestMethod method;
    CParticleSystemMng mng;
    CParticleSystem* s = mng.NewSystem();
    s->SetMethod(&method);
    s->Build(nullptr);
    s->AddAction(new SPPS_ACTION_MOVE);
    CParticleSystemMng::iterator it = mng.FirstSystemPosition();
    EXPECT_EQ(mng.RemoveSystem(it), 1);
    EXPECT_TRUE(it == mng.EndSystemPosition());
    EXPECT_EQ(method.deleted.size(), 3u);
    EXPECT_EQ(method.GetResCount(), 0u);
    EXPECT_EQ(mng.RemoveSystem(it), 0);
}

TEST(ParticleSystemMng, DestructionClearsWhatIsLeft)
{
    TestMethod method;
    {
        CParticleSystemMng mng;
        CParticleSystem* s = mng.NewSystem();
        s->SetMethod(&method);
        s->Build(nullptr);
    }
    EXPECT_EQ(method.deleted.size(), 3u);
    EXPECT_EQ(method.GetResCount(), 0u);
}

} // namespace
