// A script that asks for billions: a group maximum of 4,000,000,000 and a
// source of 1e12 particles a second.
#include <string>

#include <gtest/gtest.h>

#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "FullManager.h"

namespace {

const char* const kRunaway = "{\nMethodSet\nMethodNum\t1\nMethodType\t2\n{\nMethod\tq\n}\n}\n"
                             "SystemNum\t1\nParticleSystem\tboom\n{\nMapMethodName\tq\nGroupSize\t1\n"
                             "Group\tg\n{\nGroupID\t0\nbSpecifiedParticles\tfalse\nbInWorldSpace\tfalse\n"
                             "MaxParticleNumber\t4000000000\n}\n"
                             "Action\tsrc\n{\nActionID\t271\nBaseInfo\n{\nvalidity\n{\nnValidity\t2\n}\n}\n"
                             "fRate\t1e12\n}\n"
                             "}\n}\n";

TEST(RunawayScript, GroupMaximumAndBirthsPerStepAreBounded)
{
    CParticleSystemMng mng;
    ppstest::ReadScript(mng, kRunaway);
    CParticleSystem* boom = mng.GetSystemByName("boom");
    ASSERT_NE(boom, nullptr);
    CParticleGroup* g = boom->FirstGroup();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetMaxParticleNumber(), CParticleGroup::kMaxStoredParticleNumber);
    ASSERT_NE(boom->GetActionByName("src"), nullptr);
    EXPECT_EQ(dynamic_cast<SPPS_ACTION_SOURCE*>(boom->GetActionByName("src"))->fRate, 1e12f);

    mng.Logic(0.05f);
    EXPECT_EQ(g->GetParticlesNumber(), CParticleGroup::kMaxStoredParticleNumber);

    // A maximum the client sets itself still gets no more births a step than
    // the source's bound.
    g->SetMaxParticleNumber(0xFFFFFFFFu);
    const DWORD before = g->GetParticlesNumber();
    mng.Logic(0.05f);
    EXPECT_EQ(g->GetParticlesNumber() - before, SPPS_ACTION_SOURCE::kMaxBirthsPerStep);
    mng.Clear();
}

} // namespace
