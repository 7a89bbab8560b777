#include <gtest/gtest.h>

#include "host/host_win32.h"
#include "ddraw.h"
#include "windows.h"

namespace {

int Answer() { return 42; }

class Win32Module : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::ResetWin32();
        host::RegisterResource("Res0.dll", RT_RCDATA, MAKEINTRESOURCEA(345), {1, 2, 3, 4, 5});
        host::RegisterResource("Res0.dll", RT_RCDATA, MAKEINTRESOURCEA(7), {});
        host::RegisterResource("Res0.dll", "TABLES", "Colours", {9, 8});
        host::RegisterProc("Res0.dll", "Answer", reinterpret_cast<FARPROC>(Answer));
    }
    void TearDown() override { host::ResetWin32(); }
};

TEST_F(Win32Module, RawDataResourcesOfALoadedModule)
{
    HMODULE m = LoadLibraryA("C:\\Game\\Data\\res0.DLL"); // matched by its last component
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(LoadLibraryA("res0"), m) << "the extension defaults to .dll";

    HRSRC r = FindResourceA(m, MAKEINTRESOURCEA(345), RT_RCDATA);
    ASSERT_NE(r, nullptr);
    HGLOBAL g = LoadResource(m, r);
    ASSERT_NE(g, nullptr);
    auto* bytes = static_cast<const uint8_t*>(LockResource(g));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(SizeofResource(m, r), 5u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4], 5);

    HRSRC empty = FindResourceA(m, MAKEINTRESOURCEA(7), RT_RCDATA);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SizeofResource(m, empty), 0u);
    EXPECT_NE(LockResource(LoadResource(m, empty)), nullptr);

    EXPECT_NE(FindResourceA(m, "colours", "tables"), nullptr) << "string names ignore case";
    EXPECT_EQ(FindResourceA(m, "#345", "#10"), r) << "\"#n\" names the integer id";
    EXPECT_EQ(FindResourceA(m, MAKEINTRESOURCEA(346), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceA(m, MAKEINTRESOURCEA(345), RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));

    EXPECT_EQ(reinterpret_cast<int (*)()>(GetProcAddress(m, "Answer"))(), 42);
    EXPECT_EQ(GetProcAddress(m, "Missing"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

    // Two loads need two frees; then the module is gone.
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_NE(FindResourceA(m, MAKEINTRESOURCEA(345), RT_RCDATA), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(FindResourceA(m, MAKEINTRESOURCEA(345), RT_RCDATA), nullptr);
    EXPECT_EQ(LoadResource(m, r), nullptr);
    EXPECT_FALSE(FreeLibrary(m));
    EXPECT_EQ(GetModuleHandleA("res0.dll"), nullptr);
}

TEST_F(Win32Module, UnknownModulesFailAndSystemModulesResolveOwnFunctions)
{
    EXPECT_EQ(LoadLibraryA("DINPUT.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);

    HMODULE k = GetModuleHandleA("KERNEL32");
    ASSERT_NE(k, nullptr);
    auto tick = reinterpret_cast<DWORD (*)()>(GetProcAddress(k, "GetTickCount"));
    ASSERT_NE(tick, nullptr);
    host::SetClock(777);
    EXPECT_EQ(tick(), 777u);

    // C++ functions of the platform are found by their plain names too.
    HMODULE gdi = GetModuleHandleA("gdi32.dll");
    ASSERT_NE(gdi, nullptr);
    EXPECT_EQ(GetProcAddress(gdi, "GetBkColor"), reinterpret_cast<FARPROC>(&GetBkColor));
    EXPECT_EQ(GetProcAddress(gdi, "GetBkColo"), nullptr);
    // The version probe's first steps.
    HMODULE ddraw = LoadLibraryA("DDRAW.DLL");
    ASSERT_NE(ddraw, nullptr);
    EXPECT_EQ(GetProcAddress(ddraw, "DirectDrawCreate"), reinterpret_cast<FARPROC>(&DirectDrawCreate));
    EXPECT_TRUE(FreeLibrary(ddraw));

    host::RegisterModule("d3d9.DLL");
    EXPECT_NE(LoadLibraryA("d3d9.dll"), nullptr);
    host::UnregisterModule("d3d9.dll");
    EXPECT_EQ(LoadLibraryA("d3d9.dll"), nullptr);

    // The executable's own resources.
    host::RegisterResource("", RT_RCDATA, MAKEINTRESOURCEA(1), {0xAB});
    HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(1), RT_RCDATA);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(*static_cast<uint8_t*>(LockResource(LoadResource(nullptr, r))), 0xAB);
    char name[8];
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), name, sizeof(name)), 8u);
    EXPECT_EQ(name[7], '\0') << "a cut name is still terminated";
}

} // namespace
