#include <gtest/gtest.h>

#include <vector>

#include "kestu_chain.h"

namespace {

struct Tracked : CGfxChainItem {
    explicit Tracked(int id, int* deaths = nullptr) : id(id), deaths(deaths) {}
    ~Tracked() override
    {
        if (deaths) ++*deaths;
    }
    int id;
    int* deaths;
};

int Id(CGfxChainItem* item) { return item ? static_cast<Tracked*>(item)->id : -1; }

std::vector<int> Ids(CGfxChainHeader& h)
{
    std::vector<int> ids;
    for (CGfxChainItem* i = h.ViewFirst(); i; i = i->Next()) ids.push_back(Id(i));
    return ids;
}

// Checks the sentinel and link invariants of a chain.
void ExpectWellFormed(CGfxChainHeader& h)
{
    int n = 0;
    CGfxChainItem* prev = &h;
    for (CGfxChainItem* i = h.ViewFirst(); i; i = i->Next()) {
        EXPECT_EQ(i->Previous(), prev);
        EXPECT_EQ(i->GetHeader(), &h);
        prev = i;
        ++n;
    }
    EXPECT_EQ(n, h.GetNum());
    EXPECT_EQ(static_cast<CGfxChainItem&>(h).Next(), h.ViewFirst());
}

struct ChainOf : ::testing::Test {
    CGfxChainHeader h;
    Tracked a{1}, b{2}, c{3}, d{4};
    void SetUp() override
    {
        for (Tracked* t : {&a, &b, &c, &d}) h.Add(t);
    }
    void TearDown() override { h.OutAll(); }
};

TEST(Chain, EmptyChainAnswersNull)
{
    CGfxChainHeader h;
    EXPECT_EQ(h.First(), nullptr);
    EXPECT_EQ(h.Last(), nullptr);
    EXPECT_EQ(h.Next(), nullptr);
    EXPECT_EQ(h.Previous(), nullptr);
    EXPECT_EQ(h.ViewNext(), nullptr);
    EXPECT_EQ(h.ViewPrevious(), nullptr);
    EXPECT_EQ(h.NextCycle(), nullptr);
    EXPECT_EQ(h.PreviousCycle(), nullptr);
    EXPECT_EQ(h.MoveTo(2), nullptr);
    EXPECT_EQ(h.Remove(), nullptr);
    EXPECT_EQ(h.OutChain(), nullptr);
    EXPECT_EQ(h.OutAll(), 1);
    EXPECT_EQ(h.RemoveAll(), 1);
    EXPECT_EQ(h.GetNum(), 0);
}

TEST_F(ChainOf, WalkingAndCycling)
{
    EXPECT_EQ(Ids(h), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Id(h.Current()), 1);
    h.Last();
    EXPECT_EQ(h.Next(), nullptr);
    EXPECT_EQ(h.Current(), nullptr);
    EXPECT_EQ(Id(h.NextCycle()), 1);
    h.Next();
    h.Next();
    h.Next();
    h.Next();
    EXPECT_EQ(Id(h.PreviousCycle()), 4);
    EXPECT_EQ(Id(h.NextCycle()), 1);
    EXPECT_EQ(Id(h.PreviousCycle()), 4);
    EXPECT_EQ(h.First(), &a);
    EXPECT_EQ(h.Previous(), nullptr);
    EXPECT_EQ(h.Current(), &a);
    EXPECT_EQ(h.ViewPrevious(), nullptr);
    EXPECT_EQ(Id(h.ViewNext()), 2);
}

TEST_F(ChainOf, MoveTo)
{
    EXPECT_EQ(h.MoveTo(0), &a);
    EXPECT_EQ(h.MoveTo(-3), &a);
    EXPECT_EQ(h.MoveTo(3), &d);
    EXPECT_EQ(h.MoveTo(4), nullptr);
    EXPECT_EQ(h.Current(), &d);
}

TEST_F(ChainOf, AddMovesAnItemToTheTail)
{
    h.Add(&b);
    EXPECT_EQ(Ids(h), (std::vector<int>{1, 3, 4, 2}));
    EXPECT_EQ(h.GetNum(), 4);
    ExpectWellFormed(h);
}

TEST_F(ChainOf, UnlinkingMovesTheCursor)
{
    h.MoveTo(2);
    a.DisConnect();
    EXPECT_EQ(h.Current(), &b); // the new first
    h.MoveTo(1);
    d.DisConnect();
    EXPECT_EQ(h.Current(), &c); // the new last
    h.First();
    EXPECT_EQ(h.OutChain(), &b);
    EXPECT_EQ(Ids(h), (std::vector<int>{3}));
    ExpectWellFormed(h);
}

TEST_F(ChainOf, InsertBeforeCurrentOnFirst)
{
    Tracked e{5};
    h.First();
    EXPECT_EQ(h.InsertBeforeCurrent(&e), 1);
    EXPECT_EQ(h.ViewFirst(), &e);
    EXPECT_EQ(h.Current(), &a);
    EXPECT_EQ(Ids(h), (std::vector<int>{5, 1, 2, 3, 4}));
    ExpectWellFormed(h);
    Tracked f{6};
    h.Last();
    h.Next();
    EXPECT_EQ(h.InsertBeforeCurrent(&f), 0); // no current item: nothing is linked
    EXPECT_EQ(f.GetHeader(), nullptr);
    h.OutAll(); // e lives only in this test
}

TEST(Chain, RemoveDeletesAndReturnsTheNext)
{
    int deaths = 0;
    CGfxChainHeader h;
    h.Add(new Tracked(1, &deaths));
    h.Add(new Tracked(2, &deaths));
    h.Add(new Tracked(3, &deaths));
    h.First();
    EXPECT_EQ(Id(h.Remove()), 2);
    h.Last();
    EXPECT_EQ(h.Remove(), nullptr);
    EXPECT_EQ(Id(h.Current()), 2);
    EXPECT_EQ(Id(h.Remove()), -1);
    EXPECT_EQ(h.GetNum(), 0);
    EXPECT_EQ(deaths, 3);

    h.Insert(new Tracked(7, &deaths));
    h.Insert(new Tracked(8, &deaths));
    EXPECT_EQ(Ids(h), (std::vector<int>{8, 7}));
    EXPECT_EQ(h.RemoveAll(), 1);
    EXPECT_EQ(deaths, 5);
    EXPECT_EQ(h.GetNum(), 0);
    EXPECT_EQ(h.ViewFirst(), nullptr);
}

TEST(PtrChain, RemovesOnlyTheFirstMatch)
{
    CGfxPtrChainHeader h;
    int x = 0, y = 0;
    CGfxPtrChainItem* first = nullptr;
    EXPECT_EQ(h.AddPointer(&x, &first), 1);
    h.AddPointer(&y, nullptr);
    h.AddPointer(&x, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPointer(), &x);
    EXPECT_EQ(h.RemovePointer(&x), 1);
    EXPECT_EQ(h.GetNum(), 2);
    EXPECT_EQ(static_cast<CGfxPtrChainItem*>(h.ViewFirst())->GetPointer(), &y);
    int z = 0;
    EXPECT_EQ(h.RemovePointer(&z), 0);
    h.RemoveAll();
}

} // namespace
