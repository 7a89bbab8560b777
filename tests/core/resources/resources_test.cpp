#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "kestu_reslib.h"
#include "kestu_log.h"
#include "core/resources/WholeFile.h"
#include "host/host.h"
#include "support/replace_checks.h"

namespace {

struct Modules : ::testing::Test {
    void SetUp() override
    {
        host::ResetWin32();
        for (int m = 0; m < 3; ++m) {
            const std::string name = "res" + std::to_string(m) + ".dll";
            host::RegisterModule(name);
            // Resource k of module m holds the bytes {m, k}.
            for (int k : {0, 345, 999})
                host::RegisterResource(name, RT_RCDATA, MAKEINTRESOURCEA(k),
                                       {static_cast<uint8_t>(m), static_cast<uint8_t>(k & 0xFF), 0xEE});
        }
    }
    void TearDown() override { host::ResetWin32(); }
    const char* paths[3] = {"res0.dll", "res1.dll", "res2.dll"};
};

TEST_F(Modules, GlobalIdsPickModuleAndResource)
{
    CGfxRes res;
    ASSERT_EQ(res.Build(3, paths, 1000, 7), 0);
    EXPECT_TRUE(res.IsBuild());
    auto* bytes = static_cast<const uint8_t*>(res.GetRes(2345));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[1], 345 & 0xFF);
    EXPECT_EQ(res.GetResSize(2345), 3u);

    res.AbsLib(1);
    res.SetAbsLib(0);
    bytes = static_cast<const uint8_t*>(res.GetRes(2345));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 0);              // the absolute module
    EXPECT_EQ(res.GetResSize(2345), 3u); // still asks module 2
    res.AbsLib(0);

    EXPECT_EQ(res.GetRes(9345), nullptr); // beyond the last module
    EXPECT_EQ(res.GetResSize(9345), 0u);
    EXPECT_EQ(res.GetRes(1500), nullptr); // no such resource

    res.FreeLib(1);
    bytes = static_cast<const uint8_t*>(res.GetRes(1999)); // reloaded on demand
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 1);
    res.Release();
    EXPECT_FALSE(res.IsBuild());
    EXPECT_EQ(res.GetRes(0), nullptr);
}

TEST_F(Modules, BuildFailures)
{
    CGfxRes res;
    EXPECT_EQ(res.Build(0, paths, 1000, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(res.Build(3, nullptr, 1000, 0), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(res.Build(3, paths, 0, 0), KESTUERR_INVALIDPARAM);
    const char* bad[2] = {"res0.dll", "missing.dll"};
    EXPECT_EQ(res.Build(2, bad, 1000, 0), KESTUERR_FILEOPEN);
    EXPECT_FALSE(res.IsBuild());
}

TEST_F(Modules, ResetKeepsALoadedModule)
{
    CWinResLib lib("res0.dll");
    EXPECT_TRUE(lib.IsAvailable());
    EXPECT_EQ(lib.Reset("res1.dll"), 1);
    EXPECT_STREQ(lib.GetPath(), "res0.dll");
    EXPECT_EQ(lib.Reset(nullptr), 0);
    {
        CWinResLib copy = lib; // a copy never frees the module
        EXPECT_TRUE(copy.IsAvailable());
    }
    EXPECT_NE(lib.GetRes(345), nullptr);
    lib.FreeLib();
    EXPECT_FALSE(lib.IsAvailable());
    lib.ReloadLib();
    EXPECT_TRUE(lib.IsAvailable());
}

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

TEST(WholeFile, RoundTripAndFailures)
{
    const std::string path = TempPath("kestu_whole.bin");
    const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 250};
    EXPECT_EQ(SaveWholeFile(path.c_str(), data.data(), static_cast<DWORD>(data.size())), 6);
    DWORD size = 0;
    BYTE* back = LoadWholeFile(path.c_str(), &size);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::vector<uint8_t>(back, back + size), data);
    delete[] back;

    const std::string none = TempPath("kestu_whole_none.bin");
    std::remove(none.c_str());
    EXPECT_EQ(SaveWholeFile(none.c_str(), data.data(), 0), -1);
    EXPECT_EQ(LoadWholeFile(none.c_str(), &size), nullptr); // never created

    const std::string empty = TempPath("kestu_whole_empty.bin");
    std::ofstream(empty).close();
    size = 77;
    EXPECT_EQ(LoadWholeFile(empty.c_str(), &size), nullptr);
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(SaveWholeFile(path.c_str(), nullptr, 4), -1);
    std::remove(path.c_str());
    std::remove(empty.c_str());
}

TEST(WholeFile, ReplacesWithoutFollowingLinksAndKeepsTheMode)
{
    replacecheck::Scratch scratch("whole_file");
    const std::string path = scratch.Path("data.bin");
    replacecheck::WriteText(path, "old", 0600);
    const replacecheck::PlantedLinks links(scratch, "data.bin");
    EXPECT_EQ(SaveWholeFile(path.c_str(), "fresh", 5), 5);
    EXPECT_EQ(replacecheck::ReadText(path), "fresh");
    links.ExpectReplaced(scratch, "data.bin", 0600);
}

} // namespace
