#include "support/log_capture.h"

#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

using kestu_test::LogTest;
using kestu_test::ReadFile;
using kestu_test::SetLog;
using kestu_test::WriteFile;

// The first write of a process is observable once only, so it runs in a fresh
// copy of the test program.
void FirstWriteScenario()
{
    const std::string path = "first_write.log";
    WriteFile(path, "old\n");
    bool ok = true;
    auto expect = [&](const char* step, const std::string& want) {
        const std::string got = ReadFile(path);
        if (got != want) {
            std::cerr << step << ": got [" << got << "] want [" << want << "]\n";
            ok = false;
        }
    };
    SetLog(path, 2);
    KestuSaveLog(KESTU_LOG_ERROR, "E0\n");
    expect("level 2 writes nothing", "old\n");
    SetLog(path, 3);
    KestuSaveLog(KESTU_LOG_INFO, "I1\n");
    expect("filtered information keeps the old file", "old\n");
    KestuSaveLog(KESTU_LOG_ERROR, "E1\n");
    expect("first written message starts a new file", "E1\n");
    KestuSaveLog(KESTU_LOG_ERROR, "E2");
    expect("later messages append", "E1\nE2");
    std::remove(path.c_str());
    std::exit(ok ? 0 : 1);
}

TEST(LogFirstWrite, DeletesTheOldFileOnTheFirstWrittenMessageOnly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FirstWriteScenario(), testing::ExitedWithCode(0), "");
}

TEST_F(LogTest, LevelGate)
{
    struct Case {
        int level;
        bool writesError, writesInfo;
    };
    const Case cases[] = {
        {0, false, false}, {1, false, false}, {2, false, false}, {3, true, false},
        {4, true, true},   {100, true, true}, {-1, true, true}, // negative levels count as huge
    };
    const std::string path = "level.log";
    for (const Case& c : cases) {
        std::remove(path.c_str());
        SetLog(path, c.level);
        KestuSaveLog(KESTU_LOG_ERROR, "E");
        KestuSaveLog(KESTU_LOG_INFO, "I");
        KestuSaveLog(7, "X"); // any non-zero kind is information
        std::string want;
        if (c.writesError) want += "E";
        if (c.writesInfo) want += "IX";
        if (want.empty()) want = "<missing>";
        EXPECT_EQ(ReadFile(path), want) << "level " << c.level;
    }
    std::remove(path.c_str());
}

TEST_F(LogTest, AppendsFormattedTextUnchanged)
{
    const std::string path = "format.log";
    std::remove(path.c_str());
    SetLog(path, 4);
    KestuSaveLog(KESTU_LOG_INFO, "Initialize3DEnvironment() %s:%d", "code", -5);
    KestuSaveLog(KESTU_LOG_ERROR, "[%08X]\r\n", 0x82000109u);
    EXPECT_EQ(ReadFile(path), "Initialize3DEnvironment() code:-5[82000109]\r\n");
    std::remove(path.c_str());
}

TEST_F(LogTest, LongMessagesAreCutAtTheBufferSize)
{
    const std::string path = "long.log";
    std::remove(path.c_str());
    SetLog(path, 4);
    const std::string big(5000, 'x');
    KestuSaveLog(KESTU_LOG_INFO, "%s", big.c_str());
    EXPECT_EQ(ReadFile(path), std::string(4095, 'x'));
    std::remove(path.c_str());
    KestuSaveLog(KESTU_LOG_INFO, "%s", std::string(4095, 'y').c_str());
    EXPECT_EQ(ReadFile(path), std::string(4095, 'y'));
    std::remove(path.c_str());
}

TEST_F(LogTest, UnopenablePathLosesTheMessageQuietly)
{
    SetLog("no_such_folder/sub/x.log", 4);
    KestuSaveLog(KESTU_LOG_ERROR, "lost\n");
    EXPECT_EQ(ReadFile("no_such_folder/sub/x.log"), "<missing>");
}

TEST_F(LogTest, DefaultConfigurationWritesNothing)
{
    g_GfxConfig.SetCfg(std::make_unique<KESTU_CONFIG>().get());
    EXPECT_STREQ(g_GfxConfig.GetCfg()->szLogFile, "Kestu.log");
    kestu_test::WriteFile("Kestu.log", "keep");
    KestuSaveLog(KESTU_LOG_ERROR, "dropped\n");
    EXPECT_EQ(ReadFile("Kestu.log"), "keep");
    std::remove("Kestu.log");
}

} // namespace
