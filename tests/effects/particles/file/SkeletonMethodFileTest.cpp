// The skeletal-model method's record in the particle binary file.
#include <list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_bytes.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "FullManager.h"
#include "SkeletonKit.h"

namespace {

std::string Record(const CMethodSklAni& method)
{
    std::stringstream out;
    EXPECT_EQ(const_cast<CMethodSklAni&>(method).Serialize(out, 1), 0);
    return out.str();
}

std::string Bytes(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

TEST(SkeletonMethodFile, RecordIsTheNameThePathAndTheCountedActionPaths)
{
    CMethodSklAni method;
    method.SetName("skl");
    method.SetSkeletonPath("chars/hero");
    method.Clear();
    std::vector<uint8_t> b;
    b.reserve(64); // GCC 12 at -O2 misreads the first small write as an overflow
    kestu::ByteWriter w(b);
    w.U32(3);
    w.Bytes("skl", 3);
    w.U32(10);
    w.Bytes("chars/hero", 10);
    w.U32(0);
    EXPECT_EQ(Record(method), Bytes(b)) << "no action paths";

    // A stored record: the paths in the order listed.
    w.PatchU32(21, 2);
    w.U32(1);
    w.Bytes("a", 1);
    w.U32(2);
    w.Bytes("bb", 2);
    CMethodSklAni back;
    back.SetSkeletonPath("old");
    std::stringstream in(Bytes(b));
    ASSERT_EQ(back.Serialize(in, 0), 0);
    EXPECT_STREQ(back.GetName(), "skl");
    EXPECT_STREQ(back.GetSkeletonPath(), "chars/hero");
    EXPECT_EQ(back.GetActionPaths(), (std::list<std::string>{"a", "bb"}));
    EXPECT_EQ(Record(back), Bytes(b));

    // Reading another record replaces the list.
    std::stringstream again(Record(method));
    ASSERT_EQ(back.Serialize(again, 0), 0);
    EXPECT_EQ(back.GetActionCount(), 0u);
}

TEST(SkeletonMethodFile, RefusesPathsBeyond255BytesAndCountsBeyondTheRecord)
{
    CMethodSklAni method;
    method.SetName("skl");
    method.SetSkeletonPath(std::string(255, 's').c_str());
    CParticleGroup group;
    group.SetMethod(&method);
    method.AddActionPath(std::string(255, 'a').c_str());
    method.AddActionPath("b");
    group.Release();
    const std::string good = Record(method);
    {
        CMethodSklAni back;
        std::stringstream in(good);
        ASSERT_EQ(back.Serialize(in, 0), 0);
        EXPECT_EQ(back.GetActionPaths().front(), std::string(255, 'a'));
    }
    const size_t path = 4 + 3, count = path + 4 + 255, first = count + 4;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"skeleton path of 256 bytes", path, 256},
        {"action path of 256 bytes", first, 256},
        {"more paths than the record holds", count, 3},
        {"a count near the u32 limit", count, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        for (int i = 0; i < 4; ++i) bad[c.at + i] = char(c.value >> (8 * i));
        CMethodSklAni back;
        back.SetName("before");
        back.SetSkeletonPath("kept");
        std::stringstream in(bad);
        EXPECT_EQ(back.Serialize(in, 0), E_FAIL) << c.what;
        EXPECT_STREQ(back.GetName(), "before") << c.what;
        EXPECT_STREQ(back.GetSkeletonPath(), "kept") << c.what;
        EXPECT_EQ(back.GetActionCount(), 0u) << c.what;
    }
    // Writing cuts a longer path to what reads back.
    method.SetSkeletonPath(std::string(300, 'x').c_str());
    CMethodSklAni back;
    std::stringstream in(Record(method));
    ASSERT_EQ(back.Serialize(in, 0), 0);
    EXPECT_EQ(std::string(back.GetSkeletonPath()), std::string(255, 'x'));
}

// A whole manager with a skeletal-model method and a system bound to it.
TEST(SkeletonMethodFile, AManagerRoundTripKeepsTheMethodAndItsBinding)
{
    CParticleSystemMng mng;
    CMethodSklAni* method = skltest::AddCrowd(mng, {"chars/wave", "chars/lie"});
    EXPECT_EQ(method->GetActionCount(), 2u);
    const std::string first = ppstest::Binary(mng);

    CParticleSystemMng loaded;
    std::stringstream in(first);
    ASSERT_EQ(loaded.Serialize(in, 0), 0);
    EXPECT_EQ(ppstest::Binary(loaded), first);
    CParticleMethodMng* methods = loaded.GetParticleMethodMng();
    EXPECT_EQ(methods->GetMethodTypeByName("walkers"), DWORD{PPS_METHOD_SKLANI});
    auto* back = dynamic_cast<CMethodSklAni*>(methods->GetMethodByName("walkers"));
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->GetSkeletonPath(), "chars/hero");
    EXPECT_EQ(back->GetActionPaths(), (std::list<std::string>{"chars/wave", "chars/lie"}));
    CParticleGroup* people = loaded.GetSystemByName("crowd")->GetGroupByName("people");
    ASSERT_NE(people, nullptr);
    EXPECT_EQ(people->GetMethod(), back);
    // Nothing is loaded: the group has a record without a skeleton, and
    // running the system leaves it alone.
    ASSERT_NE(back->GetRes(people), nullptr);
    EXPECT_EQ(back->GetRes(people)->pSkeleton, nullptr);
    loaded.Logic(0.1f);
    EXPECT_EQ(back->Render(nullptr, people), 1);
    loaded.Clear();
}

} // namespace
