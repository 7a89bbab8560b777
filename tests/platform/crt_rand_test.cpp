#include <gtest/gtest.h>

#include "windows.h"

// Placeholder removed once the C-runtime stand-in lands.
TEST(Build, WindowsTypesKeepTheirWidths)
{
    EXPECT_EQ(sizeof(DWORD), 4u);
    EXPECT_EQ(sizeof(LONG), 4u);
    EXPECT_EQ(sizeof(BOOL), 4u);
    EXPECT_EQ(sizeof(WCHAR), 2u);
    EXPECT_EQ(sizeof(WPARAM), sizeof(void*));
    EXPECT_EQ(sizeof(LPARAM), sizeof(void*));
    EXPECT_EQ(sizeof(HWND), sizeof(void*));
}
