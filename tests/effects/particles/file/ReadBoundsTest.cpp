// What one particle file or script may ask for as a whole: each bound just
// under, at and over, in both forms. The inputs are written by the engine's
// own writers from managers a client builds, which are not bounded.
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "FullManager.h"
#include "support/log_capture.h"

namespace {

using Mng = CParticleSystemMng;

struct Shape {
    DWORD systems = 1;
    DWORD groups = 1;  // in each system
    DWORD max = 0;     // each group's maximum
    DWORD actions = 0; // in each system
};

void Build(CParticleSystemMng& mng, const Shape& shape)
{
    for (DWORD s = 0; s < shape.systems; ++s) {
        CParticleSystem* system = mng.NewSystem();
        for (DWORD g = 0; g < shape.groups; ++g) {
            system->NewGroup();
            // No particles made at load: the bounds are on what is asked for.
            system->LastGroup()->SetSpecified(1);
            system->LastGroup()->SetMaxParticleNumber(shape.max);
        }
        for (DWORD a = 0; a < shape.actions; ++a) system->AddAction(new SPPS_ACTION_GRAVITY);
    }
}

enum class Form { Binary, Script };

HRESULT Read(CParticleSystemMng& mng, Form form, const std::string& input)
{
    if (form == Form::Binary) {
        std::stringstream in(input);
        return mng.Serialize(in, 0);
    }
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(input.size()), input.data());
    const HRESULT hr = mng.CreateFromScript(chunk);
    chunk.clear();
    return hr;
}

std::string Write(CParticleSystemMng& mng, Form form)
{
    return form == Form::Binary ? ppstest::Binary(mng) : ppstest::Script(mng);
}

class ReadBounds : public kestu_test::LogTest {
protected:
    void SetUp() override
    {
        kestu_test::LogTest::SetUp();
        std::remove(kLog);
        kestu_test::SetLog(kLog, 4);
    }
    void TearDown() override
    {
        std::remove(kLog);
        kestu_test::LogTest::TearDown();
    }
    static constexpr const char* kLog = "read_bounds.log";
};

TEST_F(ReadBounds, EachBoundJustUnderAtAndOver)
{
    constexpr DWORD kVisitMax = static_cast<DWORD>(Mng::kMaxReadActionVisits / 4) - 1; // 4 actions, 1 group
    static_assert(kVisitMax + 1 <= Mng::kMaxReadParticles, "the visits case stays inside the particle bound");
    const struct {
        const char* name;
        Shape shape;
        bool accepted;
    } kCases[] = {
        {"systems under", {Mng::kMaxReadSystems - 1, 0, 0, 0}, true},
        {"systems at", {Mng::kMaxReadSystems, 0, 0, 0}, true},
        {"systems over", {Mng::kMaxReadSystems + 1, 0, 0, 0}, false},
        {"groups under", {1, Mng::kMaxReadGroups - 1, 0, 0}, true},
        {"groups at", {1, Mng::kMaxReadGroups, 0, 0}, true},
        {"groups over", {1, Mng::kMaxReadGroups + 1, 0, 0}, false},
        {"groups over, across systems", {2, Mng::kMaxReadGroups / 2 + 1, 0, 0}, false},
        {"particles under", {1, 1, Mng::kMaxReadParticles - 1, 0}, true},
        {"particles at", {1, 1, Mng::kMaxReadParticles, 0}, true},
        {"particles over", {1, 1, Mng::kMaxReadParticles + 1, 0}, false},
        {"particles at, across systems", {2, 1, Mng::kMaxReadParticles / 2, 0}, true},
        {"particles over, across systems", {2, 1, Mng::kMaxReadParticles / 2 + 1, 0}, false},
        {"particles far over", {1, 1, 4000000000u, 0}, false},
        {"visits under", {1, 1, kVisitMax - 1, 4}, true},
        {"visits at", {1, 1, kVisitMax, 4}, true},
        {"visits over", {1, 1, kVisitMax + 1, 4}, false},
        {"visits over, across systems", {2, 1, kVisitMax / 2 + 1, 4}, false},
    };
    for (const auto& c : kCases) {
        CParticleSystemMng source;
        Build(source, c.shape);
        for (Form form : {Form::Binary, Form::Script}) {
            SCOPED_TRACE(std::string(c.name) + (form == Form::Binary ? " (file)" : " (script)"));
            const std::string input = Write(source, form);
            std::remove(kLog);
            CParticleSystemMng mng;
            EXPECT_EQ(Read(mng, form, input), c.accepted ? 0 : E_FAIL);
            const std::string log = kestu_test::ReadFile(kLog);
            if (c.accepted) {
                ASSERT_EQ(mng.GetSystemCount(), c.shape.systems);
                CParticleSystem* last = mng.LastSystem();
                if (c.shape.groups) {
                    ASSERT_EQ(last->GetGroupCount(), c.shape.groups);
                    EXPECT_EQ(last->LastGroup()->GetMaxParticleNumber(), c.shape.max) << "kept as stored";
                }
                EXPECT_EQ(last->GetActionCount(), c.shape.actions);
                EXPECT_EQ(log, "<missing>");
            } else {
                EXPECT_EQ(mng.GetSystemCount(), 0u) << "nothing of a refused input stays";
                EXPECT_EQ(mng.GetParticleMethodMng()->GetMethodCount(), 0u);
                EXPECT_NE(log.find("refused"), std::string::npos) << log;
            }
            mng.Clear();
        }
    }
}

// A refused input leaves the manager as a new one: the next read starts with
// the whole allowance.
TEST_F(ReadBounds, ARefusedReadLeavesTheManagerReusable)
{
    CParticleSystemMng over, fits;
    Build(over, {1, 1, Mng::kMaxReadParticles + 1, 0});
    Build(fits, {1, 1, Mng::kMaxReadParticles, 0});
    fits.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD)->SetName("q");
    fits.FirstSystem()->SetMethodName("q");
    for (Form form : {Form::Binary, Form::Script}) {
        CParticleSystemMng mng;
        ASSERT_EQ(Read(mng, form, Write(over, form)), E_FAIL);
        ASSERT_EQ(Read(mng, form, Write(fits, form)), 0);
        ASSERT_EQ(mng.GetSystemCount(), 1u);
        EXPECT_EQ(mng.FirstSystem()->GetMethod(), mng.GetParticleMethodMng()->GetMethodByName("q"));
        EXPECT_EQ(Write(mng, form), Write(fits, form));
        mng.Clear();
    }
}

// The input that made the first step of a reader take seconds and most of a
// gigabyte: 100 groups of 65,536 under one SOURCE of a huge rate. Over the
// bound now, it is refused before a step runs.
TEST_F(ReadBounds, HundredGroupsUnderOneSourceAreRefused)
{
    std::string script = "{\nMethodSet\nMethodNum\t1\nMethodType\t2\n{\nMethod\tq\n}\n}\n"
                         "SystemNum\t1\nParticleSystem\tboom\n{\nMapMethodName\tq\nGroupSize\t100\n";
    for (int g = 0; g < 100; ++g)
        script += "Group\tg" + std::to_string(g) + "\n{\nGroupID\t" + std::to_string(g) +
                  "\nbSpecifiedParticles\tfalse\nbInWorldSpace\tfalse\nMaxParticleNumber\t65536\n}\n";
    script += "Action\tsrc\n{\nActionID\t271\nBaseInfo\n{\nvalidity\n{\nnValidity\t2\n}\n}\nfRate\t1e12\n}\n}\n}\n";
    CParticleSystemMng mng;
    EXPECT_EQ(Read(mng, Form::Script, script), E_FAIL);
    EXPECT_EQ(mng.GetSystemCount(), 0u);
    mng.Logic(0.05f);
    EXPECT_EQ(mng.GetTotalParticleNum(), 0u);
}

} // namespace
