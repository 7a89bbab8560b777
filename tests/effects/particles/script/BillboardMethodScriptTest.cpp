// The billboard method in the particle script: its block and a whole manager.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "FullManager.h"

namespace {

using ppstest::ReadScript;

TEST(BillboardMethodScript, BlockTextAndReadBack)
{
    CMethodBB glow;
    glow.SetName("glow");
    glow.SetTextureID(0x80000007u);
    glow.SetBBHeight(0.5f);
    glow.SetBBWidth(2.0f);
    std::ostringstream out;
    ASSERT_EQ(glow.WriteToScript(out), 0);
    EXPECT_EQ(out.str(), "{\nMethod\tglow\nTextureID\t2147483655\nBBHeight\t0.5\nBBWidth\t2\n}\n");

    CMethodBB back;
    EXPECT_EQ(ReadScript(back, out.str() + "after\n"), "after");
    EXPECT_STREQ(back.GetName(), "glow");
    EXPECT_EQ(back.GetTextureID(), 0x80000007u) << "ids beyond 2^31 survive";
    EXPECT_EQ(back.GetBBHeight(), 0.5f);
    EXPECT_EQ(back.GetBBWidth(), 2.0f);
}

TEST(BillboardMethodScript, HandWrittenBlock)
{
    CMethodBB m;
    // Keys without a value and comments change nothing; the block ends at
    // its "}".
    EXPECT_EQ(ReadScript(m, "{\n  Method   dust \nTextureID\nBBWidth 3.5\n// BBHeight 9\n"
                            "BBHeight\t0.25\nTextureID\tx\n}\nBBWidth\t9\n"),
              "BBWidth\t9");
    EXPECT_STREQ(m.GetName(), "dust");
    EXPECT_EQ(m.GetTextureID(), 0u) << "text that is not a number reads as 0";
    EXPECT_EQ(m.GetBBWidth(), 3.5f);
    EXPECT_EQ(m.GetBBHeight(), 0.25f);

    // A block without its "}" runs to the end of the text.
    CMethodBB open;
    EXPECT_EQ(ReadScript(open, "{\nMethod\tcut\nBBHeight\t4"), "");
    EXPECT_STREQ(open.GetName(), "cut");
    EXPECT_EQ(open.GetBBHeight(), 4.0f);
    EXPECT_EQ(open.GetBBWidth(), 0.1f);
}

TEST(BillboardMethodScript, ManagerWithABillboardMethodSurvivesARoundTrip)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    ppstest::AddBillboardSystem(mng);
    const std::string first = ppstest::Script(mng);
    EXPECT_NE(first.find("MethodType\t4\n{\nMethod\tbb\nTextureID\t2147483655\nBBHeight\t0.75\nBBWidth\t1.25\n}\n"),
              std::string::npos);

    CParticleSystemMng loaded;
    ReadScript(loaded, first);
    EXPECT_EQ(ppstest::Script(loaded), first);

    CParticleMethodMng* methods = loaded.GetParticleMethodMng();
    EXPECT_EQ(methods->GetMethodTypeByName("bb"), DWORD{PPS_METHOD_BB});
    auto* bb = dynamic_cast<CMethodBB*>(methods->GetMethodByName("bb"));
    ASSERT_NE(bb, nullptr);
    EXPECT_EQ(bb->GetBBHeight(), 0.75f);
    EXPECT_EQ(bb->GetBBWidth(), 1.25f);
    CParticleSystem* glow = loaded.GetSystemByName("glow");
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->GetMethod(), bb);
    ASSERT_NE(glow->GetGroupByName("motes"), nullptr);
    EXPECT_NE(bb->GetRes(glow->GetGroupByName("motes")), nullptr);
}

} // namespace
