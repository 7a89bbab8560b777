#include <sstream>

#include "kestu_datachunk.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

TEST(MethodMng, NamesMethodsByTheRunningCounterAndFindsThem)
{
    CParticleMethodMng mng;
    auto* a = new TestMethod;
    auto* b = new TestMethod;
    mng.AddMethod(a, PPS_METHOD_QUAD);
    mng.AddMethod(b, PPS_METHOD_BB);
    EXPECT_EQ(b->GetID(), a->GetID() + 1);
    EXPECT_EQ(std::string(a->GetName()), std::to_string(a->GetID()));
    EXPECT_EQ(std::string(b->GetName()), std::to_string(b->GetID()));
    a->SetName("spark");
    EXPECT_EQ(mng.GetMethodByName("spark"), a);
    EXPECT_EQ(mng.GetMethodByName("spar"), nullptr);
    EXPECT_EQ(mng.GetMethodTypeByName("spark"), static_cast<DWORD>(PPS_METHOD_QUAD));
    EXPECT_EQ(mng.GetMethodTypeByName(b->GetName()), static_cast<DWORD>(PPS_METHOD_BB));
    EXPECT_EQ(mng.GetMethodTypeByName("none"), 0xFFFFFFFFu);
    EXPECT_EQ(mng.GetMethod(b->GetID()), b);
    EXPECT_EQ(mng.GetMethodCount(), 2u);
    EXPECT_EQ(mng.FirstMethod(), a);
    EXPECT_EQ(mng.LastMethod(), b);

    // NextMethod moves on first.
    CParticleMethodMng::iterator it = mng.FirstMethodPosition();
    EXPECT_EQ(mng.NextMethod(it), b);
    EXPECT_EQ(mng.NextMethod(it), nullptr);
    EXPECT_EQ(mng.NextMethod(it), nullptr);

    EXPECT_EQ(mng.RemoveMethod(a->GetID()), 1);
    EXPECT_EQ(mng.RemoveMethod(12345678), 0);
    EXPECT_EQ(mng.FirstMethod(), b);
    mng.Clear();
    EXPECT_EQ(mng.GetMethodCount(), 0u);
    EXPECT_EQ(mng.FirstMethod(), nullptr);
}

TEST(MethodMng, TypesBeyondSixMakeNothing)
{
    CParticleMethodMng mng;
    for (DWORD type : {7u, 0xFFFFFFFFu}) EXPECT_EQ(mng.NewMethod(type), nullptr) << type;
    EXPECT_EQ(mng.GetMethodCount(), 0u);
}

TEST(MethodBase, NameRecordRoundTripAndLimits)
{
    TestMethod m;
    m.SetName("glow");
    std::stringstream s;
    EXPECT_EQ(m.Serialize(s, 1), 0);
    EXPECT_EQ(s.str(), std::string("\x04\x00\x00\x00glow", 8));
    TestMethod back;
    EXPECT_EQ(back.Serialize(s, 0), 0);
    EXPECT_STREQ(back.GetName(), "glow");

    // The record holds at most 19 bytes of name; longer stored names are refused.
    m.SetName("abcdefghijklmnopqrstuvwxyz");
    std::stringstream cut;
    m.Serialize(cut, 1);
    EXPECT_EQ(cut.str().size(), 4u + 19u);
    std::stringstream longer(std::string("\x14\x00\x00\x00", 4) + std::string(20, 'x'));
    EXPECT_LT(back.Serialize(longer, 0), 0);
    EXPECT_TRUE(longer.fail());
    EXPECT_STREQ(back.GetName(), "glow");
    std::stringstream shortRecord(std::string("\x05\x00\x00\x00" "ab", 6));
    EXPECT_LT(back.Serialize(shortRecord, 0), 0);
    EXPECT_STREQ(back.GetName(), "glow");
}

TEST(MethodBase, ScriptNameLineAndBlockBound)
{
    TestMethod m;
    m.SetName("dust");
    std::ostringstream out;
    m.WriteToScript(out);
    EXPECT_EQ(out.str(), "{\nMethod\tdust\n");

    const std::string text = "{\n// comment\nMethod\nMethod  smoke \n}\n";
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    TestMethod back;
    EXPECT_EQ(back.CreateFromScript(chunk), 0);
    EXPECT_STREQ(back.GetName(), "smoke");
    EXPECT_EQ(chunk.getLine(true), "}");
    chunk.clear();

    const std::string nameless = "{\nPointSize 2\n}\nMethod later\n";
    chunk.allocate(static_cast<int>(nameless.size()), nameless.data());
    EXPECT_EQ(back.CreateFromScript(chunk), 1) << "the search stops at the block's end";
    EXPECT_STREQ(back.GetName(), "smoke");
    EXPECT_EQ(chunk.getLine(true), "Method later");
    chunk.clear();
}

TEST(MethodBase, RecordsAreZeroedAndFreedPerGroup)
{
    TestMethod m;
    CParticleGroup a, b;
    a.SetMethod(&m);
    b.SetMethod(&m);
    EXPECT_EQ(m.GetResCount(), 2u);
    const SPPS_METHOD_RES* res = m.GetRes(&a);
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(res->pVertices, nullptr);
    EXPECT_EQ(res->dwSize, 0u);
    EXPECT_EQ(res->pBillboards, nullptr);
    EXPECT_EQ(m.Render(nullptr, nullptr), 1) << "no record for a group never added";
    a.Release();
    EXPECT_EQ(m.GetResCount(), 1u);
    // b's record goes with the method.
}

} // namespace
