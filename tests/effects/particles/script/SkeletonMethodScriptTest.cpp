// The skeletal-model method's block in the particle script.
#include <list>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "FullManager.h"
#include "SkeletonKit.h"

namespace {

using ppstest::ReadScript;

TEST(SkeletonMethodScript, BlockListsTheSkeletonAndEachActionPath)
{
    CMethodSklAni method;
    method.SetName("skl");
    method.SetSkeletonPath("chars/hero");
    CParticleGroup group;
    group.SetMethod(&method);
    method.AddActionPath("chars/wave");
    method.AddActionPath("chars/lie");
    group.Release();
    std::ostringstream out;
    EXPECT_EQ(method.WriteToScript(out), 0);
    const std::string text =
        "{\nMethod\tskl\nSkeletonPath\tchars/hero\nActionPath\tchars/wave\nActionPath\tchars/lie\n}\n";
    EXPECT_EQ(out.str(), text);

    CMethodSklAni back;
    ReadScript(back, text + "Method\tbeyond\n");
    EXPECT_STREQ(back.GetName(), "skl") << "the block ends at its \"}\"";
    EXPECT_STREQ(back.GetSkeletonPath(), "chars/hero");
    EXPECT_EQ(back.GetActionPaths(), (std::list<std::string>{"chars/wave", "chars/lie"}));
}

// Keys without a value are passed over; every ActionPath line is appended,
// nothing is loaded.
TEST(SkeletonMethodScript, HandWrittenBlocks)
{
    CMethodSklAni method;
    ReadScript(method, "{\n// walkers\nMethod\nMethod  crowd \nSkeletonPath\nSkeletonPath hero\n"
                       "ActionPath\nActionPath\twave\nActionPath\twave\nUnknown\t1\n}\n");
    EXPECT_STREQ(method.GetName(), "crowd");
    EXPECT_STREQ(method.GetSkeletonPath(), "hero");
    EXPECT_EQ(method.GetActionPaths(), (std::list<std::string>{"wave", "wave"}));
    EXPECT_EQ(method.GetResCount(), 0u);
}

TEST(SkeletonMethodScript, AManagerRoundTripKeepsTheMethodAndItsBinding)
{
    CParticleSystemMng mng;
    skltest::AddCrowd(mng, {"chars/wave"});
    const std::string first = ppstest::Script(mng);
    EXPECT_NE(first.find("MethodType\t5\n{\nMethod\twalkers\nSkeletonPath\tchars/hero\nActionPath\tchars/wave\n}\n"),
              std::string::npos);

    CParticleSystemMng loaded;
    ReadScript(loaded, first);
    EXPECT_EQ(ppstest::Script(loaded), first);
    auto* back = dynamic_cast<CMethodSklAni*>(loaded.GetParticleMethodMng()->GetMethodByName("walkers"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetActionPaths(), (std::list<std::string>{"chars/wave"}));
    EXPECT_EQ(loaded.GetSystemByName("crowd")->FirstGroup()->GetMethod(), back);
}

} // namespace
