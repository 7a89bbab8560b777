#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/host_win32.h"
#include "windows.h"

namespace {

namespace fs = std::filesystem;

const char kIni[] = "; leading comment\r\n"
                    "stray=before any section\r\n"
                    "[Display]\r\n"
                    "Width = 800\r\n"
                    "  height=600  \r\n"
                    "Title=\"Hello World\"\r\n"
                    "Single='quoted'\n"
                    "Mismatch=\"abc'\n"
                    "Inline=value ; not a comment\n"
                    "Empty=\n"
                    "NoEquals\n"
                    "width=999\n"
                    "[display]\n"
                    "Width=1024\n"
                    "[Other Section]\n"
                    "Key=v\n"
                    "[ Spaced ]\n"
                    "a = 1\n";

class Win32Ini : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("kestu_ini_" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "sub");
        path_ = (dir_ / "sub" / "test.ini").string();
        std::ofstream(path_, std::ios::binary) << kIni;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Get(const char* section, const char* key, const char* def, DWORD size = 256, DWORD* n = nullptr)
    {
        std::string buf(size + 4, '#');
        DWORD r = GetPrivateProfileStringA(section, key, def, buf.data(), size, path_.c_str());
        if (n) *n = r;
        return buf.substr(0, r);
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(Win32Ini, ValuesFollowTheProfileRules)
{
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        const char* expected;
    } cases[] = {
        {"display", "WIDTH", "x", "800"},         // first section and first key win, any case
        {"DISPLAY", "height", "x", "600"},        // blanks around key and value dropped
        {"Display", "Title", "x", "Hello World"}, // matching double quotes dropped
        {"Display", "Single", "x", "quoted"},     // matching single quotes dropped
        {"Display", "Mismatch", "x", "\"abc'"},   // unmatched quotes stay
        {"Display", "Inline", "x", "value ; not a comment"},
        {"Display", "Empty", "x", ""},              // present but empty: not the default
        {"Display", "Missing", "dflt  \t", "dflt"}, // default loses trailing blanks
        {"Display", "Missing", nullptr, ""},        // no default: empty
        {"No Such", "Width", "d", "d"},
        {"Spaced", "A", "x", "1"}, // section name trimmed
        {"Other Section", "key", "x", "v"},
        {"", "stray", "d", "d"}, // lines before any section belong to none
    };
    for (const Case& c : cases) {
        DWORD n = 0;
        EXPECT_EQ(Get(c.section, c.key, c.def, 256, &n), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(n, std::strlen(c.expected));
    }
}

TEST_F(Win32Ini, ValueTruncationAndTinyBuffers)
{
    DWORD n = 0;
    EXPECT_EQ(Get("Display", "Title", "", 6, &n), "Hello");
    EXPECT_EQ(n, 5u);
    char buf[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetPrivateProfileStringA("Display", "Title", "", buf, 1, path_.c_str()), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '#');
    EXPECT_EQ(GetPrivateProfileStringA("Display", "Title", "", buf, 0, path_.c_str()), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '#') << "a zero-sized buffer is not written";
    // The default is cut the same way.
    EXPECT_EQ(Get("Display", "Missing", "abcdef", 4, &n), "abc");
    EXPECT_EQ(n, 3u);
}

TEST_F(Win32Ini, EnumerationFormsListNamesWithDoubleZero)
{
    DWORD n = 0;
    std::string sections = Get(nullptr, "ignored", "d", 256, &n);
    EXPECT_EQ(sections, std::string("Display\0Other Section\0Spaced\0", 29));
    EXPECT_EQ(n, 29u);

    std::string keys = Get("DISPLAY", nullptr, "d", 256, &n);
    EXPECT_EQ(keys, std::string("Width\0height\0Title\0Single\0Mismatch\0Inline\0Empty\0NoEquals\0", 57));

    // Too small: the last string is cut and two zeros close the list; the
    // result is size - 2.
    std::string buf(12, '#');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, buf.data(), 12, path_.c_str()), 10u);
    EXPECT_EQ(buf, std::string("Display\0Ot\0\0", 12));
    EXPECT_EQ(GetPrivateProfileSectionNamesA(buf.data(), 2, path_.c_str()), 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '\0');

    // A missing section lists nothing.
    std::string none(4, '#');
    EXPECT_EQ(GetPrivateProfileStringA("none", nullptr, "d", none.data(), 4, path_.c_str()), 0u);
    EXPECT_EQ(none.substr(0, 2), std::string("\0\0", 2));
}

TEST_F(Win32Ini, MissingFileGivesTheDefaultAndBackslashPathsWork)
{
    std::string missing = (dir_ / "nope.ini").string();
    char buf[16];
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileStringA("a", "b", "def", buf, sizeof(buf), missing.c_str()), 3u);
    EXPECT_STREQ(buf, "def");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "def", buf, sizeof(buf), missing.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringA("a", "b", "def", buf, sizeof(buf), nullptr), 3u);

    std::string windowsStyle = dir_.string() + "\\sub\\test.ini";
    EXPECT_EQ(GetPrivateProfileStringA("Display", "Width", "", buf, sizeof(buf), windowsStyle.c_str()), 3u);
    EXPECT_STREQ(buf, "800");

    EXPECT_EQ(GetPrivateProfileIntA("Display", "Width", 5, path_.c_str()), 800u);
    EXPECT_EQ(GetPrivateProfileIntA("Display", "Missing", 5, path_.c_str()), 5u);
    EXPECT_EQ(GetPrivateProfileIntA("Display", "Title", 5, path_.c_str()), 0u);
}

} // namespace
