#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "kestu_config.h"

namespace {

void WriteIni(const std::string& path, const std::string& body)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << body;
}

// A record whose numeric fields all differ from what a missing key would store.
KESTU_CONFIG MarkedConfig()
{
    KESTU_CONFIG c;
    c.eResolution = KESTU_RES_1280X720;
    c.eLogLevel = 9;
    c.bBackBufferLockable = 5;
    c.bUseDepthBuffer = 6;
    c.SwapEffect = 3;
    c.dwMinDepthBits = 7;
    c.dwMinStencilBits = 8;
    c.PresentationInterval = 2;
    c.eHowToCreateDevice = 11;
    c.bMultiThreaded = 12;
    c.bAllowPureDevice = 13;
    c.bErrMsgBoxEnabled = 14;
    c.bWindowed = 15;
    c.rcRender = {16, 17, 18, 19};
    c.bRenderRectEnabled = 20;
    std::strcpy(c.szWindowTitle, "Marked");
    return c;
}

class ConfigIniTest : public testing::Test {
protected:
    void TearDown() override { std::remove(kIni); }
    static constexpr const char* kIni = "kestu_test.ini";
};

TEST_F(ConfigIniTest, ReadsEveryKey)
{
    WriteIni(kIni, "[other]\neLogLevel=1\n"
                   "[engine]\n"
                   "eResolution=13\neLogLevel=4\nbBackBufferLockable=1\nbUseDepthBuffer=0\nSwapEffect=2\n"
                   "dwMinDepthBits=24\ndwMinStencilBits=8\nPresentationInterval=1\neHowToCreateDevice=2\n"
                   "bMultiThreaded=1\nbAllowPureDevice=1\nbErrMsgBoxEnabled=1\nbWindowed=1\n"
                   "RenderRectLeft=10\nRenderRectTop=20\nRenderRectRight=330\nRenderRectBottom=260\n"
                   "bRenderRectEnabled=1\nszWindowTitle=My Game\n");
    KESTU_CONFIG c;
    ASSERT_TRUE(c.LoadFromIni(kIni, "engine"));
    EXPECT_EQ(c.eResolution, KESTU_RES_1920X1080);
    EXPECT_EQ(c.eLogLevel, 4);
    EXPECT_EQ(c.bBackBufferLockable, 1);
    EXPECT_EQ(c.bUseDepthBuffer, 0);
    EXPECT_EQ(c.SwapEffect, 2u);
    EXPECT_EQ(c.dwMinDepthBits, 24u);
    EXPECT_EQ(c.dwMinStencilBits, 8u);
    EXPECT_EQ(c.PresentationInterval, 1u);
    EXPECT_EQ(c.eHowToCreateDevice, 2);
    EXPECT_EQ(c.bMultiThreaded, 1);
    EXPECT_EQ(c.bAllowPureDevice, 1);
    EXPECT_EQ(c.bErrMsgBoxEnabled, 1);
    EXPECT_EQ(c.bWindowed, 1);
    EXPECT_EQ(c.rcRender.left, 10);
    EXPECT_EQ(c.rcRender.top, 20);
    EXPECT_EQ(c.rcRender.right, 330);
    EXPECT_EQ(c.rcRender.bottom, 260);
    EXPECT_EQ(c.bRenderRectEnabled, 1);
    EXPECT_STREQ(c.szWindowTitle, "My Game");
    EXPECT_TRUE(c.IsSpecialRenderRect());
}

TEST_F(ConfigIniTest, MissingKeysKeepNumbersAndStoreTheKeyDefaults)
{
    for (const char* body : {"[engine]\n", "[elsewhere]\neLogLevel=4\n", ""}) {
        WriteIni(kIni, body);
        KESTU_CONFIG c = MarkedConfig();
        ASSERT_TRUE(c.LoadFromIni(kIni, "engine")) << body;
        EXPECT_EQ(c.eResolution, KESTU_RES_1280X720);
        EXPECT_EQ(c.eLogLevel, 9);
        EXPECT_EQ(c.bBackBufferLockable, 5);
        EXPECT_EQ(c.bUseDepthBuffer, 6);
        EXPECT_EQ(c.dwMinDepthBits, 7u);
        EXPECT_EQ(c.dwMinStencilBits, 8u);
        EXPECT_EQ(c.eHowToCreateDevice, 11);
        EXPECT_EQ(c.bMultiThreaded, 12);
        EXPECT_EQ(c.bAllowPureDevice, 13);
        EXPECT_EQ(c.bErrMsgBoxEnabled, 14);
        EXPECT_EQ(c.bWindowed, 15);
        // Keys with defaults of their own:
        EXPECT_EQ(c.SwapEffect, 1u);
        EXPECT_EQ(c.PresentationInterval, 0x80000000u);
        EXPECT_EQ(c.rcRender.left, 0);
        EXPECT_EQ(c.rcRender.top, 0);
        EXPECT_EQ(c.rcRender.right, 0);
        EXPECT_EQ(c.rcRender.bottom, 0);
        EXPECT_EQ(c.bRenderRectEnabled, 0);
        EXPECT_STREQ(c.szWindowTitle, "Kestu Application");
    }
}

TEST_F(ConfigIniTest, NumbersAreTakenOnlyWhenTheValueStartsWithADigit)
{
    struct Case {
        const char* value;
        int32_t expected;
    };
    const Case cases[] = {
        {"4", 4},
        {"12abc", 12},
        {"0", 0},
        {"007", 7},
        {"", 9},
        {"-3", 9},
        {"+3", 9},
        {"abc", 9},
        {"\" 2\"", 9},
        {"\"\t3\"", 9},
        {"99999999999", INT32_MAX},
    };
    for (const Case& k : cases) {
        WriteIni(kIni, std::string("[s]\neLogLevel=") + k.value + "\n");
        KESTU_CONFIG c = MarkedConfig();
        ASSERT_TRUE(c.LoadFromIni(kIni, "s"));
        EXPECT_EQ(c.eLogLevel, k.expected) << "[" << k.value << "]";
    }
}

TEST_F(ConfigIniTest, RenderRectangleKeysAlwaysConvert)
{
    struct Case {
        const char* value;
        LONG expected;
    };
    const Case cases[] = {{"-20", -20}, {"abc", 0}, {"", 0}, {"15px", 15}, {"+7", 7}};
    for (const Case& k : cases) {
        WriteIni(kIni, std::string("[s]\nRenderRectLeft=") + k.value + "\nbRenderRectEnabled=" + k.value + "\n");
        KESTU_CONFIG c = MarkedConfig();
        ASSERT_TRUE(c.LoadFromIni(kIni, "s"));
        EXPECT_EQ(c.rcRender.left, k.expected) << "[" << k.value << "]";
        // The enable flag follows the digit rule; only a missing key stores its default.
        const bool digit = k.value[0] >= '0' && k.value[0] <= '9';
        EXPECT_EQ(c.bRenderRectEnabled, digit ? k.expected : 20) << "[" << k.value << "]";
    }
}

TEST_F(ConfigIniTest, SwapEffectAndPresentationIntervalMappings)
{
    struct Case {
        const char* value;
        DWORD swap, interval;
    };
    const Case cases[] = {
        {"0", 1, 0},           {"1", 1, 1},
        {"2", 2, 2},           {"3", 3, 4},
        {"4", 4, 8},           {"5", 1, 0x80000000u},
        {"7", 1, 0x80000000u}, {"x", 1, 0x80000000u},
        {"", 1, 0x80000000u},  {"-1", 1, 0x80000000u},
    };
    for (const Case& k : cases) {
        WriteIni(kIni, std::string("[s]\nSwapEffect=") + k.value + "\nPresentationInterval=" + k.value + "\n");
        KESTU_CONFIG c = MarkedConfig();
        ASSERT_TRUE(c.LoadFromIni(kIni, "s"));
        EXPECT_EQ(c.SwapEffect, k.swap) << "[" << k.value << "]";
        EXPECT_EQ(c.PresentationInterval, k.interval) << "[" << k.value << "]";
    }
}

TEST_F(ConfigIniTest, LongTitleIsCutToTheBuffer)
{
    WriteIni(kIni, "[s]\nszWindowTitle=" + std::string(700, 'T') + "\n");
    KESTU_CONFIG c;
    ASSERT_TRUE(c.LoadFromIni(kIni, "s"));
    EXPECT_EQ(std::strlen(c.szWindowTitle), sizeof c.szWindowTitle - 1);
    EXPECT_EQ(c.szWindowTitle[0], 'T');
}

TEST_F(ConfigIniTest, MissingFileOrNullArgumentsChangeNothing)
{
    WriteIni(kIni, "[s]\neLogLevel=4\n");
    alignas(KESTU_CONFIG) unsigned char raw[sizeof(KESTU_CONFIG)];
    std::memset(raw, 0xAB, sizeof raw);
    KESTU_CONFIG& c = *new (raw) KESTU_CONFIG;
    unsigned char before[sizeof(KESTU_CONFIG)];
    std::memcpy(before, raw, sizeof raw);

    EXPECT_FALSE(c.LoadFromIni("kestu_no_such_file.ini", "s"));
    EXPECT_FALSE(c.LoadFromIni(nullptr, "s"));
    EXPECT_FALSE(c.LoadFromIni(kIni, nullptr));
    EXPECT_EQ(std::memcmp(before, raw, sizeof raw), 0);
    c.~KESTU_CONFIG();
}

TEST_F(ConfigIniTest, FilesInFoldersAreFoundWithEitherSeparator)
{
    ::mkdir("kestu_ini_dir", 0755);
    WriteIni("kestu_ini_dir/sub.ini", "[s]\neLogLevel=5\n");
    for (const char* path : {"kestu_ini_dir/sub.ini", "kestu_ini_dir\\sub.ini", ".\\kestu_ini_dir\\sub.ini"}) {
        KESTU_CONFIG c;
        ASSERT_TRUE(c.LoadFromIni(path, "s")) << path;
        EXPECT_EQ(c.eLogLevel, 5) << path;
    }
    std::remove("kestu_ini_dir/sub.ini");
    ::rmdir("kestu_ini_dir");
}

TEST_F(ConfigIniTest, SurvivesArbitraryBytes)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    WriteIni(kIni, "[s]\neLogLevel=" + junk + "\n" + junk + "\nszWindowTitle=" + junk);
    KESTU_CONFIG c;
    EXPECT_TRUE(c.LoadFromIni(kIni, "s"));
    EXPECT_LT(std::strlen(c.szWindowTitle), sizeof c.szWindowTitle);
}

} // namespace
