// The billboard method in the particle binary file: its record, the method
// set that holds it, and a whole manager.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "BillboardKit.h"
#include "kestu_bbmng.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "kestu_texture_mng.h"
#include "FullManager.h"

namespace {

using ppstest::Binary;

// The record of a method "glow" with texture 0x01020304, height 0.5 and
// width 2.0.
const std::string kGlowRecord("\x04\0\0\0glow"
                              "\x04\x03\x02\x01"
                              "\0\0\0\x3f"
                              "\0\0\0\x40",
                              8 + 12);

TEST(BillboardMethodFile, RecordIsByteExactAndReadsBack)
{
    CMethodBB glow;
    glow.SetName("glow");
    glow.SetTextureID(0x01020304u);
    glow.SetBBHeight(0.5f);
    glow.SetBBWidth(2.0f);
    std::stringstream out;
    ASSERT_EQ(glow.Serialize(out, 1), 0);
    EXPECT_EQ(out.str(), kGlowRecord);

    CMethodBB back;
    ASSERT_EQ(back.Serialize(out, 0), 0);
    EXPECT_STREQ(back.GetName(), "glow");
    EXPECT_EQ(back.GetTextureID(), 0x01020304u);
    EXPECT_EQ(back.GetBBHeight(), 0.5f);
    EXPECT_EQ(back.GetBBWidth(), 2.0f);

    // Cut anywhere, the record fails and leaves the method as it was.
    for (size_t cut = 0; cut < kGlowRecord.size(); ++cut) {
        std::stringstream in(kGlowRecord.substr(0, cut));
        CMethodBB m;
        m.SetName("keep");
        EXPECT_EQ(m.Serialize(in, 0), E_FAIL) << "cut at " << cut;
        EXPECT_STREQ(m.GetName(), "keep");
        EXPECT_EQ(m.GetTextureID(), 0u);
        EXPECT_EQ(m.GetBBHeight(), 0.1f);
    }
}

TEST(BillboardMethodFile, MethodSetMakesTheMethodWithTheManagersServices)
{
    const std::string set = std::string("\x01\0\0\0"
                                        "\x04\0\0\0",
                                        8) +
                            kGlowRecord;
    bbtest::EyeScope scope;
    CEye& eye = scope.eye;
    CTextureMng textures;
    CBillboardMng billboards;
    CParticleMethodMng mng;
    mng.SetEye(&eye);
    mng.SetTextureMng(&textures);
    mng.SetBillboardMng(&billboards);
    std::stringstream in(set);
    ASSERT_EQ(mng.Serialize(in, 0), 0);
    ASSERT_EQ(mng.GetMethodCount(), 1u);
    EXPECT_EQ(mng.GetMethodTypeByName("glow"), DWORD{PPS_METHOD_BB});
    auto* glow = dynamic_cast<CMethodBB*>(mng.GetMethodByName("glow"));
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->GetEye(), &eye);
    EXPECT_EQ(glow->GetTextureMng(), &textures);
    EXPECT_EQ(glow->GetBillboardMng(), &billboards);
    EXPECT_EQ(glow->IsUsedMng(), 1);
    EXPECT_EQ(glow->GetTextureID(), 0x01020304u) << "the stored id replaces the one given at creation";

    std::stringstream out;
    ASSERT_EQ(mng.Serialize(out, 1), 0);
    EXPECT_EQ(out.str(), set);
}

// Every method, a billboard method among them, and a system drawn by it.
void FillWithBillboards(CParticleSystemMng& mng)
{
    ppstest::FillManager(mng);
    ppstest::AddBillboardSystem(mng);
}

TEST(BillboardMethodFile, ManagerWithABillboardMethodSurvivesARoundTrip)
{
    CParticleSystemMng mng;
    FillWithBillboards(mng);
    const std::string first = Binary(mng);
    std::stringstream in(first);
    CParticleSystemMng loaded;
    ASSERT_EQ(loaded.Serialize(in, 0), 0);
    EXPECT_EQ(Binary(loaded), first);

    CParticleMethodMng* methods = loaded.GetParticleMethodMng();
    ASSERT_EQ(methods->GetMethodCount(), ppstest::MethodTypes().size() + 1);
    auto* bb = dynamic_cast<CMethodBB*>(methods->GetMethodByName("bb"));
    ASSERT_NE(bb, nullptr);
    EXPECT_EQ(bb->GetTextureID(), 0x80000007u);
    EXPECT_EQ(bb->GetBBHeight(), 0.75f);
    EXPECT_EQ(bb->GetBBWidth(), 1.25f);
    CParticleSystem* glow = loaded.GetSystemByName("glow");
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->GetMethod(), bb);
    CParticleGroup* motes = glow->GetGroupByName("motes");
    ASSERT_NE(motes, nullptr);
    EXPECT_NE(bb->GetRes(motes), nullptr) << "the group holds a record of the method";
}

TEST(BillboardMethodFile, ABadBillboardRecordLeavesTheManagerEmptyAndReusable)
{
    CParticleSystemMng mng;
    FillWithBillboards(mng);
    const std::string good = Binary(mng);
    // The billboard record follows the last method type word, 4.
    const size_t type = good.find(std::string("\x04\0\0\0\x02\0\0\0bb", 10));
    ASSERT_NE(type, std::string::npos);
    const size_t record = type + 4, end = record + 4 + 2 + 12;

    std::string longName = good;
    longName[record] = 20;
    std::string bigType = good;
    bigType[type] = 7;
    for (const std::string* bad : {&longName, &bigType}) {
        std::stringstream in(*bad);
        CParticleSystemMng loaded;
        ppstest::FillManager(loaded);
        EXPECT_EQ(loaded.Serialize(in, 0), E_FAIL);
        EXPECT_EQ(loaded.GetParticleMethodMng()->GetMethodCount(), 0u);
        EXPECT_EQ(loaded.GetSystemCount(), 0u);
        std::stringstream again(good);
        ASSERT_EQ(loaded.Serialize(again, 0), 0);
        EXPECT_EQ(Binary(loaded), good);
    }
    for (size_t cut = record; cut < end; ++cut) {
        std::stringstream in(good.substr(0, cut));
        CParticleSystemMng loaded;
        EXPECT_EQ(loaded.Serialize(in, 0), E_FAIL) << "cut at " << cut;
        EXPECT_EQ(loaded.GetParticleMethodMng()->GetMethodCount(), 0u) << "cut at " << cut;
    }
}

} // namespace
