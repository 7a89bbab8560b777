#include <gtest/gtest.h>

#include "pointer_array.h"

namespace {

int g_items[16];
void* P(int i) { return &g_items[i]; }

TEST(PointerArrayTest, PackedRemovalMovesLaterSlotsDown)
{
    CPointerArray a;
    ASSERT_EQ(a.Build(4, 1, 4, 4, 0), S_OK);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a.InsertPointerGrow(P(i), 0), DWORD(i));
    EXPECT_TRUE(a.RemovePointer(DWORD(1)));
    EXPECT_TRUE(a.RemovePointer(P(3)));
    EXPECT_FALSE(a.RemovePointer(P(3)));
    EXPECT_FALSE(a.RemovePointer(DWORD(2)));
    ASSERT_EQ(a.m_dwUsedSize, 2u);
    EXPECT_EQ(a.m_ppData[0], P(0));
    EXPECT_EQ(a.m_ppData[1], P(2));
    EXPECT_EQ(a.GetPointer(2), nullptr);
    EXPECT_EQ(a.GetIndexOfPointer(P(2)), 1u);
}

TEST(PointerArrayTest, UnpackedRemovalKeepsIndicesAndLeavesHoles)
{
    CPointerArray a;
    ASSERT_EQ(a.Build(2, 0, 2, 2, 0), S_OK);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.InsertPointerGrow(P(i), 0), DWORD(i));
    EXPECT_TRUE(a.RemovePointer(DWORD(1)));
    EXPECT_EQ(a.GetPointer(1), nullptr);
    EXPECT_EQ(a.GetPointer(2), P(2));
    EXPECT_EQ(a.m_dwUsedSize, 5u);
    EXPECT_FALSE(a.IsInArray(P(1)));

    // Removing the last slots gives trailing holes back.
    EXPECT_TRUE(a.RemovePointer(P(4)));
    EXPECT_TRUE(a.RemovePointer(P(3)));
    EXPECT_EQ(a.m_dwUsedSize, 3u);

    // A hole is filled only when asked.
    EXPECT_EQ(a.InsertPointerGrow(P(7), 0), 3u);
    EXPECT_EQ(a.InsertPointerGrow(P(8), 1), 1u);
}

TEST(PointerArrayTest, GrowthFollowsTheStepAndPlainInsertStopsWhenFull)
{
    CPointerArray a;
    ASSERT_EQ(a.Build(3, 0, 5, 1, 0), S_OK);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.InsertPointer(P(i), 0), DWORD(i));
    EXPECT_EQ(a.InsertPointer(P(3), 0), 0xFFFFFFFFu);
    EXPECT_EQ(a.m_dwAllocSize, 3u);
    EXPECT_EQ(a.InsertPointerGrow(P(3), 0), 3u);
    EXPECT_EQ(a.m_dwAllocSize, 8u);
    EXPECT_EQ(a.m_dwGrowBy, 5u);
    EXPECT_EQ(a.m_dwInitSize, 3u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a.m_ppData[i], P(i));

    // An array built empty with no step still grows.
    CPointerArray b;
    ASSERT_EQ(b.Build(0, 1, 0, 0, 0), S_OK);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(b.InsertPointerGrow(P(i % 16), 0), DWORD(i));
    EXPECT_GE(b.m_dwAllocSize, 40u);
}

TEST(PointerArrayTest, ShrinkGivesBackSpareRoomDownToTheBaseSize)
{
    CPointerArray a;
    ASSERT_EQ(a.Build(4, 1, 8, 4, 0), S_OK);
    for (int i = 0; i < 12; ++i) a.InsertPointerGrow(P(i), 0);
    EXPECT_EQ(a.m_dwAllocSize, 12u);
    while (a.m_dwUsedSize > 5) a.RemovePointer(a.m_dwUsedSize - 1);
    EXPECT_EQ(a.Shrink(), S_OK);
    EXPECT_EQ(a.m_dwAllocSize, 8u); // 5 rounded up to the shrink step
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.m_ppData[i], P(i));
    EXPECT_EQ(a.Shrink(), S_FALSE);
    a.RemoveAllPointer();
    EXPECT_EQ(a.Shrink(), S_OK);
    EXPECT_EQ(a.m_dwAllocSize, 4u); // never below the base size
    EXPECT_EQ(a.GetPointer(0), nullptr);
}

TEST(PointerArrayTest, CopiesAreIndependent)
{
    CPointerArray a;
    a.Build(2, 0, 2, 2, 0);
    a.InsertPointerGrow(P(0), 0);
    a.InsertPointerGrow(P(1), 0);
    CPointerArray b(a);
    b.RemovePointer(DWORD(0));
    b.InsertPointerGrow(P(5), 0);
    EXPECT_EQ(a.GetPointer(0), P(0));
    EXPECT_EQ(a.m_dwUsedSize, 2u);
    EXPECT_EQ(b.GetPointer(0), nullptr);
    EXPECT_EQ(b.GetPointer(2), P(5));
    CPointerArray c;
    c = b;
    EXPECT_EQ(c.GetPointer(2), P(5));
    EXPECT_EQ(c.IsPacked(), 0);
    c.Release();
    EXPECT_EQ(c.GetPointer(2), nullptr);
    EXPECT_EQ(c.InsertPointerGrow(P(1), 0), 0u);
}

} // namespace
