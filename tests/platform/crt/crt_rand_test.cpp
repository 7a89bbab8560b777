#include <gtest/gtest.h>

#include <cstdlib>

#include "host/host_win32.h"
#include "windows.h"

TEST(CrtRand, ClassicSequenceFromDefaultAndExplicitSeed)
{
    static_assert(RAND_MAX == 32767);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    srand(1);
    for (int v : expected) EXPECT_EQ(rand(), v);
    // std::rand is the same generator.
    srand(1);
    for (int v : expected) EXPECT_EQ(std::rand(), v);
    // The host reset starts the sequence again.
    host::ResetWin32();
    EXPECT_EQ(rand(), 41);
}

TEST(CrtRand, SeedsRestartTheSequenceAndStayInRange)
{
    srand(12345);
    int first[8];
    for (int& v : first) v = rand();
    srand(12345);
    for (int v : first) EXPECT_EQ(rand(), v);

    // Seed 0: x = 2531011, so the first draw is 2531011 >> 16 = 38.
    srand(0);
    EXPECT_EQ(rand(), 38);
    int maxSeen = 0;
    for (int i = 0; i < 200000; ++i) {
        int v = rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, RAND_MAX);
        maxSeen = std::max(maxSeen, v);
    }
    EXPECT_EQ(maxSeen, 32767);
}

TEST(WindowsTypes, KeepTheirWidths)
{
    EXPECT_EQ(sizeof(DWORD), 4u);
    EXPECT_EQ(sizeof(LONG), 4u);
    EXPECT_EQ(sizeof(BOOL), 4u);
    EXPECT_EQ(sizeof(WCHAR), 2u);
    EXPECT_EQ(sizeof(WPARAM), sizeof(void*));
    EXPECT_EQ(sizeof(LPARAM), sizeof(void*));
    EXPECT_EQ(sizeof(HWND), sizeof(void*));
    EXPECT_EQ(sizeof(OSVERSIONINFOA), 148u);
    EXPECT_EQ(sizeof(OSVERSIONINFOEXA), 156u);
}
