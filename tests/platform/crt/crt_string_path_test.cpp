#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "windows.h"

namespace {

namespace fs = std::filesystem;

TEST(CrtPath, SplitPathTable)
{
    struct Case {
        const char* path;
        const char* drive;
        const char* dir;
        const char* fname;
        const char* ext;
    } cases[] = {
        {"C:\\Data\\Models\\hero.skl", "C:", "\\Data\\Models\\", "hero", ".skl"},
        {"Data/Models/hero", "", "Data/Models/", "hero", ""},
        {"hero.tar.gz", "", "", "hero.tar", ".gz"},
        {"dir.v2\\file", "", "dir.v2\\", "file", ""},
        {".hidden", "", "", "", ".hidden"},
        {"C:", "C:", "", "", ""},
        {"", "", "", "", ""},
        {"mixed\\sep/last.x", "", "mixed\\sep/", "last", ".x"},
    };
    for (const Case& c : cases) {
        char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
        _splitpath(c.path, drive, dir, fname, ext);
        EXPECT_STREQ(drive, c.drive) << c.path;
        EXPECT_STREQ(dir, c.dir) << c.path;
        EXPECT_STREQ(fname, c.fname) << c.path;
        EXPECT_STREQ(ext, c.ext) << c.path;
    }
    // Outputs may be omitted, and an over-long part is cut to its buffer.
    std::string longDir(400, 'd');
    longDir += "\\f.e";
    char dir[_MAX_DIR];
    _splitpath(longDir.c_str(), nullptr, dir, nullptr, nullptr);
    EXPECT_EQ(std::strlen(dir), static_cast<size_t>(_MAX_DIR - 1));

    char path[_MAX_PATH];
    _makepath(path, "c", "\\Data", "hero", "skl");
    EXPECT_STREQ(path, "c:\\Data\\hero.skl");
    _makepath(path, nullptr, "Data/", "hero", ".msd");
    EXPECT_STREQ(path, "Data/hero.msd");
    _makepath(path, "", "", "x", "");
    EXPECT_STREQ(path, "x");
}

TEST(CrtString, ComparisonConversionAndFormatting)
{
    EXPECT_EQ(_stricmp("Bip01 Head", "BIP01 HEAD"), 0);
    EXPECT_LT(_stricmp("a", "B"), 0);
    EXPECT_GT(_stricmp("b", "A"), 0);
    EXPECT_LT(_stricmp("_", "a"), 0) << "compares lower-cased characters";
    EXPECT_EQ(_strnicmp("ABCx", "abcy", 3), 0);
    EXPECT_NE(_strnicmp("ABCx", "abcy", 4), 0);
    EXPECT_EQ(stricmp("X", "x"), 0);
    char text[] = "MiXeD 123";
    EXPECT_STREQ(_strlwr(text), "mixed 123");
    EXPECT_STREQ(_strupr(text), "MIXED 123");

    char buf[40];
    EXPECT_STREQ(_itoa(-123, buf, 10), "-123");
    EXPECT_STREQ(_itoa(-1, buf, 16), "ffffffff");
    EXPECT_STREQ(_itoa(255, buf, 2), "11111111");
    EXPECT_STREQ(_ltoa(-1, buf, 16), "ffffffff") << "long is 32 bits on Windows";
    EXPECT_STREQ(_i64toa(-1, buf, 16), "ffffffffffffffff");
    EXPECT_STREQ(_itoa(35, buf, 36), "z");

    char small[6];
    std::memset(small, '#', sizeof(small));
    EXPECT_EQ(_snprintf(small, 6, "%d", 1234), 4);
    EXPECT_STREQ(small, "1234");
    std::memset(small, '#', sizeof(small));
    EXPECT_EQ(_snprintf(small, 4, "%d", 1234), 4) << "exact fit: no terminating zero";
    EXPECT_EQ(std::string(small, 5), "1234#");
    std::memset(small, '#', sizeof(small));
    EXPECT_EQ(_snprintf(small, 3, "%s", "abcdef"), -1);
    EXPECT_EQ(std::string(small, 4), "abc#");
}

TEST(CrtIo, LowLevelFilesAndFopenTakeBackslashes)
{
    fs::path dir = fs::temp_directory_path() / ("kestu_crt_" + std::to_string(getpid()));
    fs::remove_all(dir);
    std::string win = dir.string() + "\\sub";
    ASSERT_EQ(_mkdir(dir.string().c_str()), 0);
    ASSERT_EQ(_mkdir(win.c_str()), 0);
    EXPECT_EQ(_access(win.c_str(), 0), 0);

    std::string file = win + "\\whole.bin";
    int fd = _open(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_write(fd, "abcdef", 6), 6);
    EXPECT_EQ(_close(fd), 0);
    EXPECT_EQ(fs::file_size(dir / "sub" / "whole.bin"), 6u);

    fd = _open(file.c_str(), _O_RDONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_filelength(fd), 6);
    char buf[8] = {};
    EXPECT_EQ(_read(fd, buf, 8), 6);
    EXPECT_EQ(_eof(fd), 1);
    EXPECT_EQ(_lseek(fd, 2, SEEK_SET), 2);
    EXPECT_EQ(_read(fd, buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "cd");
    _close(fd);

    FILE* f = fopen(file.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'a');
    std::fclose(f);
    EXPECT_EQ(fopen((win + "\\missing").c_str(), "rb"), nullptr);
    EXPECT_EQ(_open((win + "\\missing").c_str(), _O_RDONLY), -1);
    EXPECT_EQ(_unlink(file.c_str()), 0);
    EXPECT_NE(_access(file.c_str(), 0), 0);
    fs::remove_all(dir);
}

} // namespace
