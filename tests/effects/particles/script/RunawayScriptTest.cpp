// A script that asks for billions: a group maximum of 4,000,000,000 and a
// source of 1e12 particles a second.
#include <string>

#include <gtest/gtest.h>

#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "FullManager.h"

namespace {

std::string Runaway(const char* max)
{
    return std::string("{\nMethodSet\nMethodNum\t1\nMethodType\t2\n{\nMethod\tq\n}\n}\n"
                       "SystemNum\t1\nParticleSystem\tboom\n{\nMapMethodName\tq\nGroupSize\t1\n"
                       "Group\tg\n{\nGroupID\t0\nbSpecifiedParticles\tfalse\nbInWorldSpace\tfalse\n"
                       "MaxParticleNumber\t") +
           max +
           "\n}\n"
           "Action\tsrc\n{\nActionID\t271\nBaseInfo\n{\nvalidity\n{\nnValidity\t2\n}\n}\n"
           "fRate\t1e12\n}\n"
           "}\n}\n";
}

TEST(RunawayScript, AMaximumBeyondTheBoundIsRefused)
{
    CParticleSystemMng mng;
    CDataChunk chunk;
    const std::string text = Runaway("4000000000");
    chunk.allocate(static_cast<int>(text.size()), text.data());
    EXPECT_EQ(mng.CreateFromScript(chunk), E_FAIL);
    chunk.clear();
    EXPECT_EQ(mng.GetSystemCount(), 0u);
}

// A source fills whatever room its group has in one step, however large.
TEST(RunawayScript, BirthsAreBoundedByTheRoomLeftAlone)
{
    CParticleSystemMng mng;
    ppstest::ReadScript(mng, Runaway("100000"));
    CParticleSystem* boom = mng.GetSystemByName("boom");
    ASSERT_NE(boom, nullptr);
    CParticleGroup* g = boom->FirstGroup();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetMaxParticleNumber(), 100000u);
    ASSERT_NE(boom->GetActionByName("src"), nullptr);
    EXPECT_EQ(dynamic_cast<SPPS_ACTION_SOURCE*>(boom->GetActionByName("src"))->fRate, 1e12f);

    mng.Logic(0.05f);
    EXPECT_EQ(g->GetParticlesNumber(), 100000u);

    // A larger group of the client's own gets all the room in the next step.
    g->SetMaxParticleNumber(250000);
    mng.Logic(0.05f);
    EXPECT_EQ(g->GetParticlesNumber(), 250000u);
    mng.Logic(0.05f);
    EXPECT_EQ(g->GetParticlesNumber(), 250000u) << "and no more";
    mng.Clear();
}

} // namespace
