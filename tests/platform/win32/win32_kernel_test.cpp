#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "host/host_win32.h"
#include "windows.h"

namespace {

namespace fs = std::filesystem;

TEST(Win32Kernel, CriticalSectionIsRecursiveAndExcludesOtherThreads)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs)) << "the owner may enter again";
    EnterCriticalSection(&cs);
    EXPECT_EQ(cs.RecursionCount, 3);

    auto tryFromOtherThread = [&cs] {
        BOOL got = FALSE;
        std::thread t([&] {
            got = TryEnterCriticalSection(&cs);
            if (got) LeaveCriticalSection(&cs);
        });
        t.join();
        return got;
    };
    EXPECT_FALSE(tryFromOtherThread());
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    EXPECT_FALSE(tryFromOtherThread()) << "still held once";
    LeaveCriticalSection(&cs);
    EXPECT_EQ(cs.RecursionCount, 0);
    EXPECT_TRUE(tryFromOtherThread());

    // Counting under contention: the section really excludes.
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);
                ++counter;
                LeaveCriticalSection(&cs);
                LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 8000);
    DeleteCriticalSection(&cs);
}

TEST(Win32Kernel, SingleByteTextRoundTripsThroughSixteenBitStrings)
{
    char all[256];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i == 0 ? 1 : i);
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, all, 256, nullptr, 0), 256);
    WCHAR wide[256];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, all, 256, wide, 256), 256);
    for (int i = 1; i < 256; ++i) EXPECT_EQ(wide[i], static_cast<WCHAR>(i));
    char back[256];
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 256, back, 256, nullptr, &usedDefault), 256);
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(std::memcmp(all, back, 256), 0);

    // -1 counts the terminating zero; a short buffer fails.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // Characters outside the code page become the default character.
    const WCHAR chinese[] = {u'A', 0x4E2D, 0};
    char out[4];
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, chinese, -1, out, 4, "*", &usedDefault), 3);
    EXPECT_STREQ(out, "A*");
    EXPECT_TRUE(usedDefault);
}

TEST(Win32Kernel, Utf8And1252Conversions)
{
    const char utf8[] = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"; // a, e-acute, U+4E2D, U+1F600
    WCHAR wide[8];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 8), 6);
    EXPECT_EQ(wide[1], 0x00E9);
    EXPECT_EQ(wide[2], 0x4E2D);
    EXPECT_EQ(wide[3], 0xD83D);
    EXPECT_EQ(wide[4], 0xDE00);
    char back[16];
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, back, 16, nullptr, nullptr), 11);
    EXPECT_STREQ(back, utf8);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3", 1, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3", 1, wide, 8), 1);
    EXPECT_EQ(wide[0], 0xFFFD);

    ASSERT_EQ(MultiByteToWideChar(1252, 0, "\x80\x81", 2, wide, 8), 2);
    EXPECT_EQ(wide[0], 0x20AC);
    EXPECT_EQ(wide[1], 0x0081);
    ASSERT_EQ(WideCharToMultiByte(1252, 0, wide, 2, back, 16, nullptr, nullptr), 2);
    EXPECT_EQ(static_cast<unsigned char>(back[0]), 0x80);
    EXPECT_EQ(MultiByteToWideChar(936, 0, "a", 1, wide, 8), 0);
}

TEST(Win32Kernel, StringHelpersAndMulDiv)
{
    EXPECT_EQ(lstrcmpiA("Frame_Root", "frame_ROOT"), 0);
    EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
    EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
    EXPECT_EQ(lstrlenA(nullptr), 0);
    char buf[4];
    lstrcpynA(buf, "abcdef", 4);
    EXPECT_STREQ(buf, "abc");

    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {12, 96, 72, 16}, {-12, 96, 72, -16},     {1, 1, 2, 1},
        {-1, 1, 2, -1},   {1, 1, 3, 0},           {2, 1, 3, 1},
        {5, 3, 0, -1},    {0x7FFFFFFF, 2, 1, -1}, {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {7, -5, -2, 18},
    };
    for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Win32Kernel, IsBadReadPtrTellsMappedFromUnmapped)
{
    int local[4] = {};
    EXPECT_FALSE(IsBadReadPtr(local, sizeof(local)));
    EXPECT_FALSE(IsBadReadPtr(nullptr, 0));
    EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
    long page = sysconf(_SC_PAGESIZE);
    void* p = mmap(nullptr, static_cast<size_t>(page) * 3, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    char* base = static_cast<char*>(p);
    ASSERT_EQ(mprotect(base + page * 2, static_cast<size_t>(page), PROT_NONE), 0);
    EXPECT_FALSE(IsBadReadPtr(base, static_cast<UINT_PTR>(page) * 2));
    EXPECT_TRUE(IsBadReadPtr(base, static_cast<UINT_PTR>(page) * 2 + 1)) << "last byte on the guard page";
    EXPECT_TRUE(IsBadReadPtr(base + page * 2 + 10, 1));
    EXPECT_FALSE(IsBadWritePtr(base, static_cast<UINT_PTR>(page)));
    EXPECT_TRUE(IsBadWritePtr(base + page, static_cast<UINT_PTR>(page) + 1));
    munmap(p, static_cast<size_t>(page) * 3);
}

TEST(Win32Kernel, VersionRecordAndSystemInfo)
{
    host::ResetWin32();
    OSVERSIONINFOEXA ex{};
    ex.dwOSVersionInfoSize = sizeof(ex);
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&ex)));
    EXPECT_EQ(ex.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(ex.dwOSVersionInfoSize, 156u);

    OSVERSIONINFOEXA w98{};
    w98.dwMajorVersion = 4;
    w98.dwMinorVersion = 10;
    w98.dwBuildNumber = 0x040A08AE;
    w98.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    std::strcpy(w98.szCSDVersion, "A ");
    w98.wServicePackMajor = 0x7777;
    host::SetVersionRecord(w98);
    OSVERSIONINFOA plain{};
    plain.dwOSVersionInfoSize = sizeof(plain);
    ASSERT_TRUE(GetVersionExA(&plain));
    EXPECT_EQ(plain.dwMajorVersion, 4u);
    EXPECT_EQ(plain.dwMinorVersion, 10u);
    EXPECT_STREQ(plain.szCSDVersion, "A ");
    EXPECT_EQ(plain.dwOSVersionInfoSize, 148u);

    OSVERSIONINFOA bad{};
    bad.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(GetVersionExA(&bad));
    host::ResetWin32();
    ASSERT_TRUE(GetVersionExA(&plain));
    EXPECT_EQ(plain.dwMajorVersion, 5u);

    SYSTEM_INFO si;
    GetSystemInfo(&si);
    EXPECT_NE(si.dwProcessorType, static_cast<DWORD>(PROCESSOR_INTEL_386));
    EXPECT_NE(si.dwProcessorType, static_cast<DWORD>(PROCESSOR_INTEL_486));
    EXPECT_GE(si.dwNumberOfProcessors, 1u);
    EXPECT_EQ(si.dwPageSize, static_cast<DWORD>(sysconf(_SC_PAGESIZE)));
}

TEST(Win32Kernel, ClockCanBeDrivenByTheHost)
{
    host::SetClock(1000);
    EXPECT_EQ(timeGetTime(), 1000u);
    EXPECT_EQ(GetTickCount(), 1000u);
    Sleep(250); // advances the fixed clock at once
    EXPECT_EQ(timeGetTime(), 1250u);
    host::AdvanceClock(0xFFFFFFFFu - 1250u + 5u);
    EXPECT_EQ(timeGetTime(), 4u) << "wraps at 2^32 like the system timer";
    LARGE_INTEGER f, c;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    ASSERT_TRUE(QueryPerformanceCounter(&c));
    EXPECT_EQ(c.QuadPart / f.QuadPart, (0x100000000LL + 4) / 1000);

    host::UseRealClock();
    DWORD a = timeGetTime();
    Sleep(20);
    DWORD b = timeGetTime();
    EXPECT_GE(b - a, 20u);
    host::ResetWin32();
}

TEST(Win32Kernel, FilesAndFoldersAcceptBackslashes)
{
    fs::path dir = fs::temp_directory_path() / ("kestu_files_" + std::to_string(getpid()));
    fs::remove_all(dir);
    std::string win = dir.string() + "\\ScreenShot";
    ASSERT_TRUE(CreateDirectoryA(dir.string().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(win.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(win.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA((win + "\\a\\b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(fs::is_directory(dir / "ScreenShot"));
    EXPECT_EQ(GetFileAttributesA(win.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    std::string file = win + "\\Scn0000.bmp";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);
    EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
    char buf[8] = {};
    ASSERT_TRUE(ReadFile(h, buf, 8, &n, nullptr));
    EXPECT_EQ(n, 4u);
    EXPECT_STREQ(buf, "6789");
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    ASSERT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_TRUE(fs::exists(dir / "ScreenShot" / "Scn0000.bmp"));

    EXPECT_FALSE(DeleteFileA(win.c_str())) << "a folder is not a file";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(DeleteFileA(file.c_str()));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    fs::remove_all(dir);
}

} // namespace
