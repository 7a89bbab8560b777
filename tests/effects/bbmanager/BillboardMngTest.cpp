#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "BillboardKit.h"
#include "kestu_bbmng.h"

using bbtest::Valid;

namespace {

// A face-me billboard that counts its moves and can be told whether it is seen.
class Probe : public CBBFaceMe {
public:
    explicit Probe(float z = 0.0f, bool seen = true) : m_bSeen(seen)
    {
        SBBFaceMeInit init = Valid(SBBFaceMeInit{});
        init.vPos = D3DXVECTOR3(0.0f, 0.0f, z);
        Build(&init);
    }
    int DecideIsVisible() override { return m_bVisible = m_bSeen ? 1 : 0; }
    void FrameMove(float) override { ++moves; }
    bool m_bSeen;
    int moves = 0;
};

std::vector<float> Order(const CBillboardMng& mng)
{
    std::vector<float> z;
    for (DWORD i = 0; i < mng.GetCount(); ++i) z.push_back(mng.GetBillboard(i)->GetPos()->z);
    return z;
}

TEST(BBSortOrder, FarToNearAndEqualForEqualDepth)
{
    Probe a(1.0f), b(2.0f), c(2.0f);
    CBillboard* pa = &a;
    CBillboard* pb = &b;
    CBillboard* pc = &c;
    CBillboard* none = nullptr;
    EXPECT_EQ(BBSort(&pa, &pb), 1);
    EXPECT_EQ(BBSort(&pb, &pa), -1);
    EXPECT_EQ(BBSort(&pb, &pc), 0);
    EXPECT_EQ(BBSort(&pa, &pa), 0);
    EXPECT_EQ(BBSort(&none, &pa), 1) << "an empty entry goes last";
    EXPECT_EQ(BBSort(&pa, &none), -1);
}

TEST(BillboardMng, SortsOnlyWhenTheIntervalHasPassed)
{
    Probe near(1.0f), far(5.0f), mid(3.0f);
    CBillboardMng mng;
    ASSERT_EQ(mng.Build(0, 8, 8, 0), S_OK);
    mng.InsertPointer(&near);
    mng.InsertPointer(&far);
    mng.SetSort(1.0f, BBSort);
    EXPECT_TRUE(mng.IsSort());
    mng.FrameMove(0.5f);
    EXPECT_EQ(Order(mng), (std::vector<float>{1, 5}));
    mng.FrameMove(1.2f);
    EXPECT_EQ(Order(mng), (std::vector<float>{5, 1}));
    EXPECT_FLOAT_EQ(mng.GetLastSortTime(), 1.2f);
    mng.InsertPointer(&mid);
    mng.FrameMove(1.9f);
    EXPECT_EQ(Order(mng), (std::vector<float>{5, 1, 3})) << "0.7 s after the last sort";
    mng.FrameMove(2.3f);
    EXPECT_EQ(Order(mng), (std::vector<float>{5, 3, 1}));
    mng.ClearSort();
    EXPECT_FALSE(mng.IsSort());
    EXPECT_FLOAT_EQ(mng.GetSortInterval(), 1.0f);
}

int NearFirst(const void* a, const void* b) { return -BBSort(a, b); }

TEST(BillboardMng, AClientComparatorSeesBillboards)
{
    std::vector<std::unique_ptr<Probe>> probes;
    CBillboardMng mng;
    ASSERT_EQ(mng.Build(0, 4, 4, 0), S_OK);
    for (int i = 0; i < 40; ++i) {
        probes.push_back(std::make_unique<Probe>(static_cast<float>((i * 17) % 40)));
        mng.InsertPointerGrow(probes.back().get());
    }
    mng.SetSort(0.0f, NearFirst);
    mng.FrameMove(1.0f);
    const std::vector<float> z = Order(mng);
    for (size_t i = 1; i < z.size(); ++i) EXPECT_LE(z[i - 1], z[i]);
}

TEST(BillboardMng, AutoDecideMovesAndCountsOnlyTheVisible)
{
    Probe seen(0, true), hidden(0, false), other(0, true);
    CBillboardMng mng;
    ASSERT_EQ(mng.Build(0, 4, 4, 0), S_OK);
    for (Probe* p : {&seen, &hidden, &other}) mng.InsertPointer(p);
    mng.FrameMove(0.1f);
    EXPECT_EQ(mng.GetVisibleNumber(), 3u) << "without auto-decide: every entry";
    EXPECT_EQ(hidden.moves, 1);
    mng.SetAutoDecideVisible(1);
    mng.FrameMove(0.2f);
    EXPECT_EQ(mng.GetVisibleNumber(), 2u);
    EXPECT_EQ(hidden.moves, 1);
    EXPECT_EQ(seen.moves, 2);
}

TEST(BBMngPri, KeepsPriorityOrderWithInsertionOrderForTies)
{
    Probe a, b, c, d;
    CBBMngPri mng;
    EXPECT_EQ(mng.Insert(&a, 1), 0xFFFFFFFFu) << "no array yet";
    ASSERT_EQ(mng.Build(0, 4, 2, 0), S_OK);
    EXPECT_TRUE(mng.IsPacked());
    EXPECT_EQ(mng.Insert(&a, 5), 0u);
    EXPECT_EQ(mng.Insert(&b, 1), 0u);
    EXPECT_EQ(mng.Insert(&c, 5), 2u);
    EXPECT_EQ(mng.Insert(&d, 3), 1u);
    EXPECT_EQ(mng.Insert(&c, 0), 3u) << "already there";
    const void* order[4] = {&b, &d, &a, &c};
    for (DWORD i = 0; i < 4; ++i) EXPECT_EQ(mng.GetPointer(i), order[i]) << i;
    EXPECT_EQ(static_cast<SPriPointer*>(mng.m_ppData[3])->byPriority, 5);
    EXPECT_EQ(mng.GetIndexOfPointer(&a), 2u);
    EXPECT_TRUE(mng.IsInArray(&d));

    Probe e;
    EXPECT_EQ(mng.Insert(&e, 0), 0xFFFFFFFFu) << "full";
    EXPECT_EQ(mng.InsertGrow(&e, 4), 2u) << "before the first priority above 4";
    EXPECT_EQ(mng.GetAllocSize(), 6u);
    EXPECT_EQ(mng.Remove(&d), 1);
    EXPECT_EQ(mng.Remove(&d), 0);
    EXPECT_EQ(mng.Remove(DWORD(9)), 0);
    EXPECT_EQ(mng.GetPointer(1), &e);
    EXPECT_EQ(mng.GetPointer(2), &a);
    EXPECT_EQ(mng.GetCount(), 4u);
    EXPECT_EQ(mng.GetPointer(4), nullptr);
    mng.RemoveAllPointer();
    EXPECT_EQ(mng.GetCount(), 0u);
}

TEST(BBMngPri, MovesAndSortsTheBillboardsItsEntriesHold)
{
    Probe a(1.0f), b(4.0f, false), c(2.0f);
    CBBMngPri mng;
    ASSERT_EQ(mng.Build(1, 4, 4, 0), S_OK);
    mng.Insert(&a, 0);
    mng.Insert(&b, 1);
    mng.Insert(&c, 2);
    mng.SetSort(0.5f, BBSort);
    mng.FrameMove(1.0f);
    EXPECT_EQ(mng.GetVisibleNumber(), 2u);
    EXPECT_EQ(b.moves, 0);
    EXPECT_EQ(a.moves, 1);
    EXPECT_EQ(Order(mng), (std::vector<float>{4, 2, 1}));
    mng.Relase();
    EXPECT_EQ(mng.GetCount(), 0u);
    EXPECT_EQ(mng.GetAllocSize(), 0u);
}

} // namespace
