#include <sstream>
#include <typeinfo>

#include "kestu_datachunk.h"
#include "kestu_ppsmethods.h"
#include "kestu_texture_mng.h"
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

TEST(MethodMng, EachTypeMakesItsClassUnderTheNextNumber)
{
    CParticleMethodMng mng;
    const std::type_info* classes[] = {&typeid(CMethodPoint),       &typeid(CMethodTriangle), &typeid(CMethodQuad),
                                       &typeid(CMethodPointSprite), &typeid(CMethodBB),       &typeid(CMethodSklAni),
                                       &typeid(CMethodMesh)};
    DWORD first = 0;
    for (DWORD type = PPS_METHOD_POINT; type <= PPS_METHOD_MESH; ++type) {
        CPPS_METHOD_BASE* m = mng.NewMethod(type);
        ASSERT_NE(m, nullptr) << type;
        EXPECT_EQ(typeid(*m), *classes[type]) << type;
        if (type == PPS_METHOD_POINT) first = m->GetID();
        EXPECT_EQ(m->GetID(), first + type);
        EXPECT_EQ(std::string(m->GetName()), std::to_string(first + type));
        EXPECT_EQ(mng.GetMethodTypeByName(m->GetName()), type);
        EXPECT_EQ(mng.LastMethod(), m);
    }
    EXPECT_EQ(mng.GetMethodCount(), 7u);
    // Triangles and quads start at an edge of 0.1.
    EXPECT_EQ(static_cast<CMethodTriangle*>(mng.GetMethod(first + 1))->GetSize(), 0.1f);
    EXPECT_EQ(static_cast<CMethodQuad*>(mng.GetMethod(first + 2))->GetSize(), 0.1f);
    EXPECT_EQ(static_cast<CMethodPointSprite*>(mng.GetMethod(first + 3))->GetPointSize(), 1.0f);
}

// A method added by hand under the billboard type is not a billboard method:
// handing out the texture manager leaves it alone.
TEST(MethodMng, TextureManagerGoesToBillboardMethodsOnly)
{
    CParticleMethodMng mng;
    auto* stranger = new TestMethod;
    mng.AddMethod(stranger, PPS_METHOD_BB);
    auto* bb = static_cast<CMethodBB*>(mng.NewMethod(PPS_METHOD_BB));
    CTextureMng textures;
    mng.SetTextureMng(&textures);
    EXPECT_EQ(bb->GetTextureMng(), &textures);
    CParticleGroup group;
    for (int i = 0; i < 8; ++i) stranger->log.push_back("kept");
    group.SetMethod(stranger);
    EXPECT_EQ(stranger->log.size(), 9u);
    EXPECT_EQ(stranger->log.back(), "AddRef");
    group.Release();
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
    std::stringstream shortRecord(std::string("\x05\x00\x00\x00"
                                              "ab",
                                              6));
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
