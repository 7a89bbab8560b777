#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <ddraw.h>

#include "kestu_sysversion.h"
#include "host/host.h"

namespace {

_OS_VERSION_INFO Info(DWORD major, DWORD minor, DWORD umajor, DWORD uminor)
{
    _OS_VERSION_INFO i = {};
    i.osvi.dwMajorVersion = major;
    i.osvi.dwMinorVersion = minor;
    i.dwUnderlyingMajorVersion = umajor;
    i.dwUnderlyingMinorVersion = uminor;
    return i;
}

TEST(SysVersion, Classifications)
{
    const _OS_VERSION_INFO six = Info(6, 0, 6, 0);
    EXPECT_TRUE(IsEmulatedWindowsME(&six));
    EXPECT_TRUE(IsUnderlyingWindows98(&six));
    EXPECT_FALSE(IsEmulatedWindows2000(&six));
    EXPECT_FALSE(IsEmulatedWindowsWhistler(&six));
    const _OS_VERSION_INFO w95 = Info(4, 0, 4, 0), w98 = Info(4, 10, 4, 10), me = Info(4, 90, 4, 90);
    EXPECT_TRUE(IsEmulatedWindows95(&w95));
    EXPECT_TRUE(IsUnderlyingWindows95(&w95));
    EXPECT_FALSE(IsUnderlyingWindows98(&w95));
    EXPECT_TRUE(IsEmulatedWindows98(&w98));
    EXPECT_FALSE(IsEmulatedWindowsME(&w98));
    EXPECT_TRUE(IsEmulatedWindowsME(&me));
    const _OS_VERSION_INFO w2k = Info(5, 0, 5, 0), xp = Info(5, 1, 5, 1);
    EXPECT_TRUE(IsEmulatedWindows2000(&w2k));
    EXPECT_TRUE(IsEmulatedWindowsWhistler(&xp));
}

struct Version : ::testing::Test {
    void SetUp() override { host::ResetWin32(); }
    void TearDown() override { host::ResetWin32(); }
    void Set(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* sp)
    {
        OSVERSIONINFOEXA v = {};
        v.dwPlatformId = platform;
        v.dwMajorVersion = major;
        v.dwMinorVersion = minor;
        v.dwBuildNumber = build;
        std::strncpy(v.szCSDVersion, sp, sizeof(v.szCSDVersion) - 1);
        host::SetVersionRecord(v);
    }
    std::string Describe()
    {
        char text[256];
        EXPECT_EQ(DisplaySystemVersion(text, sizeof text), 1);
        return text;
    }
};

TEST_F(Version, Descriptions)
{
    Set(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998, "A ");
    EXPECT_EQ(Describe(), "Microsoft Windows 98 SE ");
    Set(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, "C");
    EXPECT_EQ(Describe(), "Microsoft Windows 95 OSR2 ");
    Set(VER_PLATFORM_WIN32s, 3, 1, 0, "");
    EXPECT_EQ(Describe(), "Microsoft Win32s ");

    host::SetRegistryString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType",
                            "ServerNT");
    Set(VER_PLATFORM_WIN32_NT, 4, 0, 0x10000 + 1381, "Service Pack 6");
    EXPECT_EQ(Describe(), "Microsoft Windows NT Server version 4.0 Service Pack 6 (Build 1381)\n");
    host::SetRegistryString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType",
                            "WinNT");
    Set(VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 2");
    EXPECT_EQ(Describe(), "Whistler Workstation Service Pack 2 (Build 2600)\n");
}

TEST_F(Version, DescriptionStaysInItsBuffer)
{
    Set(VER_PLATFORM_WIN32_NT, 4, 0, 1381, std::string(127, 'x').c_str());
    char text[40];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(DisplaySystemVersion(text, 16), 1);
    EXPECT_EQ(std::strlen(text), 15u);
    EXPECT_EQ(text[16], '#');
}

HRESULT FakeDirectInputCreate() { return S_OK; }

TEST_F(Version, DirectXProbeStopsAtTheFirstMissingPiece)
{
    host::UnregisterModule("ddraw.dll");
    EXPECT_EQ(GetDXVersion(), 0u); // no DirectDraw module at all
    EXPECT_NE(host::GetDebugOutputText().find("Couldn't LoadLibrary DDraw"), std::string::npos);
    ASSERT_EQ(host::GetMessageBoxes().size(), 1u);
    EXPECT_EQ(host::GetMessageBoxes()[0].caption, "Your DirectX run-time is damaged!");

    host::RegisterModule("ddraw.dll");
    host::RegisterProc("ddraw.dll", "DirectDrawCreate",
                       reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DirectDrawCreate)));
    EXPECT_EQ(GetDXVersion(), 0x200u); // DirectInput missing
    EXPECT_NE(host::GetDebugOutputText().find("Couldn't LoadLibrary DInput"), std::string::npos);

    host::RegisterModule("dinput.dll");
    host::RegisterProc("dinput.dll", "DirectInputCreateA",
                       reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&FakeDirectInputCreate)));
    const DWORD withInput = GetDXVersion();
    EXPECT_GE(withInput, 0x300u);
    EXPECT_LE(withInput, 0x600u); // no DirectMusic class registered
}

} // namespace
