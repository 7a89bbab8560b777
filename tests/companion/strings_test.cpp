#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "ou_strings.h"
#include "support/temp_dir.h"

namespace {

struct CopyCase {
    const char* dst; // initial content (fits the buffer)
    unsigned long size;
    const char* src;
    const char* cpy; // expected after OU_SafeStrCpy
    const char* cat; // expected after OU_SafeStrCat
};

const CopyCase kCases[] = {
    {"", 8, "abc", "abc", "abc"},      {"xy", 8, "abcdef", "abcdef", "xyabcde"},
    {"xy", 4, "abcdef", "abc", "xya"}, {"xyz", 4, "abc", "abc", "xyz"},       // full: nothing appended
    {"xy", 1, "abc", "", ""},          {"", 7, "abcdef", "abcdef", "abcdef"}, // exact fit
    {"xy", 8, nullptr, "", "xy"},
};

TEST(SafeStrTest, CopyAndAppendTruncateAndTerminate)
{
    for (const CopyCase& c : kCases) {
        char buf[16];
        std::memset(buf, '#', sizeof(buf));
        OU_SafeStrCpy(buf, c.size, c.src);
        EXPECT_STREQ(buf, c.cpy) << c.dst << "/" << c.size;
        EXPECT_EQ(buf[c.size], '#') << "wrote past size";

        std::memset(buf, '#', sizeof(buf));
        std::strcpy(buf, c.size > 1 ? c.dst : "");
        const unsigned long n = OU_SafeStrCat(buf, c.size, c.src);
        EXPECT_STREQ(buf, c.cat) << c.dst << "/" << c.size;
        EXPECT_EQ(n, std::strlen(c.cat));
        EXPECT_EQ(buf[std::max<unsigned long>(c.size, std::strlen(c.dst) + 1)], '#');
    }
}

TEST(SafeStrTest, WideFormsFollowTheSameRules)
{
    for (const CopyCase& c : kCases) {
        auto widen = [](const char* s) {
            std::u16string w;
            for (; s && *s; ++s) w += static_cast<char16_t>(*s);
            return w;
        };
        char16_t buf[16];
        std::fill(std::begin(buf), std::end(buf), u'#');
        const std::u16string src = widen(c.src);
        OU_SafeStrCpyW(buf, c.size, c.src ? src.c_str() : nullptr);
        EXPECT_EQ(std::u16string(buf), widen(c.cpy));
        EXPECT_EQ(buf[c.size], u'#');

        std::fill(std::begin(buf), std::end(buf), u'#');
        const std::u16string dst = widen(c.size > 1 ? c.dst : "");
        std::copy(dst.c_str(), dst.c_str() + dst.size() + 1, buf);
        OU_SafeStrCatW(buf, c.size, c.src ? src.c_str() : nullptr);
        EXPECT_EQ(std::u16string(buf), widen(c.cat));
    }
}

TEST(SafeStrTest, SizeZeroWritesNothingAndUnterminatedDestinationIsCut)
{
    char buf[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(OU_SafeStrCpy(buf, 0, "xyz"), 0u);
    EXPECT_EQ(OU_SafeStrCat(buf, 0, "xyz"), 0u);
    EXPECT_EQ(std::memcmp(buf, "abcd", 4), 0);
    // No terminator inside the size: the string is cut to size - 1 and nothing appended.
    EXPECT_EQ(OU_SafeStrCat(buf, 4, "xyz"), 3u);
    EXPECT_STREQ(buf, "abc");
}

TEST(PathNameTest, NameFollowsTheLastSeparator)
{
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"a\\b/c.txt", "c.txt"},
        {"a/b\\c.txt", "c.txt"},
        {"c:file.x", "file.x"},
        {"plain", "plain"},
        {"dir/", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const char* name = OU_GetNameFromPathname(c.path);
        EXPECT_STREQ(name, c.name) << c.path;
        EXPECT_EQ(name, c.path + std::strlen(c.path) - std::strlen(c.name)); // points into the path
    }
    EXPECT_EQ(OU_GetNameFromPathname(static_cast<const char*>(nullptr)), nullptr);
}

class MediaFileTest : public TempDirTest {};

TEST_F(MediaFileTest, FindsFilesWithEitherSeparatorAndReportsMisses)
{
    std::filesystem::create_directories(dir_ / "sub");
    WriteText("sub/tex.bmp", "x");
    const std::string rel = std::filesystem::relative(dir_, std::filesystem::current_path()).string();

    char path[260];
    const std::string windowsName = rel + "\\sub\\tex.bmp";
    ASSERT_EQ(DXUtil_FindMediaFileCb(path, sizeof(path), windowsName.c_str()), S_OK);
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    EXPECT_TRUE(std::filesystem::equivalent(path, dir_ / "sub" / "tex.bmp"));

    EXPECT_LT(DXUtil_FindMediaFileCb(path, sizeof(path), "no_such_file.bmp"), 0);
    EXPECT_STREQ(path, "no_such_file.bmp");

    char tiny[8];
    EXPECT_LT(DXUtil_FindMediaFileCb(tiny, sizeof(tiny), windowsName.c_str()), 0);
    EXPECT_EQ(std::strlen(tiny), 7u);
    EXPECT_EQ(DXUtil_FindMediaFileCb(nullptr, 260, "x"), E_INVALIDARG);
}

TEST(ConvertStringTest, BoundedSingleByteCopies)
{
    char dst[6];
    EXPECT_EQ(DXUtil_ConvertAnsiStringToGenericCb(dst, "abcdefgh", sizeof(dst)), S_OK);
    EXPECT_STREQ(dst, "abcde");
    EXPECT_EQ(DXUtil_ConvertGenericStringToAnsiCb(dst, "\xc4\xe3", sizeof(dst)), S_OK);
    EXPECT_STREQ(dst, "\xc4\xe3");
    EXPECT_EQ(DXUtil_ConvertGenericStringToAnsiCb(dst, "a", 0), E_INVALIDARG);
    EXPECT_EQ(DXUtil_ConvertAnsiStringToGenericCb(dst, nullptr, 6), E_INVALIDARG);
}

class WriteStringTest : public TempDirTest {};

TEST_F(WriteStringTest, AppendsFormattedText)
{
    const std::string report = Path("report.txt");
    EXPECT_EQ(WriteString(report.c_str(), "id=%u name='%s'\n", 7u, "a.bmp"), 18);
    EXPECT_EQ(WriteString(report.c_str(), "%d", -3), 2);
    const auto bytes = ReadBytes("report.txt");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "id=7 name='a.bmp'\n-3");
    EXPECT_EQ(WriteString(Path("missing/dir/r.txt").c_str(), "x"), -1);
}

} // namespace
