#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/replace_checks.h"
#include "kestu_safefile.h"

namespace {

using replacecheck::Mode;
using replacecheck::ReadText;
using replacecheck::Scratch;
using replacecheck::WriteText;

TEST(SafeFile, NewFileTakesTheDefaultModeAndReplacedFilesKeepTheirs)
{
    Scratch scratch("safe_modes");
    const mode_t old = ::umask(027);
    EXPECT_TRUE(kestu::SafeReplaceFile(scratch.Path("new.txt").c_str(), "abc", 3));
    ::umask(old);
    EXPECT_EQ(ReadText(scratch.Path("new.txt")), "abc");
    EXPECT_EQ(Mode(scratch.Path("new.txt")), 0640u);

    for (mode_t mode : {0600u, 0755u, 0444u}) {
        const std::string path = scratch.Path("old" + std::to_string(mode) + ".txt");
        WriteText(path, "old content", mode);
        EXPECT_TRUE(kestu::SafeReplaceFile(path.c_str(), "new", 3));
        EXPECT_EQ(ReadText(path), "new");
        EXPECT_EQ(Mode(path), mode);
    }
    EXPECT_EQ(scratch.Entries().size(), 4u); // no temporary left
}

TEST(SafeFile, TemporaryIsUniqueAndBesideTheTarget)
{
    Scratch scratch("safe_temp");
    const std::string target = scratch.Path("sub\\t.bin"); // '\' separates folders too
    std::filesystem::create_directories(scratch.Dir() / "sub");
    kestu::SafeFile a(target.c_str()), b(target.c_str());
    ASSERT_TRUE(a.IsOpen());
    ASSERT_TRUE(b.IsOpen());
    EXPECT_NE(a.TempPath(), b.TempPath());
    EXPECT_EQ(std::filesystem::path(a.TempPath()).parent_path(), scratch.Dir() / "sub");
    EXPECT_TRUE(std::filesystem::is_regular_file(a.TempPath()));
    // The stream reads back what was written, for writers that seek.
    ASSERT_TRUE(a.Write("hello", 5));
    std::rewind(a.Stream());
    char back[5] = {};
    EXPECT_EQ(std::fread(back, 1, 5, a.Stream()), 5u);
    EXPECT_EQ(std::string(back, 5), "hello");
    b.Abandon();
    EXPECT_FALSE(std::filesystem::exists(scratch.Dir() / "sub" / "t.bin"));
    ASSERT_TRUE(a.Commit());
    EXPECT_EQ(ReadText(scratch.Path("sub/t.bin")), "hello");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Dir() / "sub"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(SafeFile, FailuresKeepTheOldFileAndLeaveNoTemporary)
{
    Scratch scratch("safe_fail");
    const std::string path = scratch.Path("keep.txt");
    WriteText(path, "good", 0600);
    {
        kestu::SafeFile failed(path.c_str());
        ASSERT_TRUE(failed.Write("half", 4));
        failed.Fail();
        EXPECT_FALSE(failed.Write("more", 4));
        EXPECT_FALSE(failed.Commit());
    }
    {
        kestu::SafeFile dropped(path.c_str());
        ASSERT_TRUE(dropped.Write("never", 5));
    } // destroyed without Commit
    EXPECT_EQ(ReadText(path), "good");
    EXPECT_EQ(Mode(path), 0600u);

    std::filesystem::create_directories(scratch.Dir() / "folder");
    EXPECT_FALSE(kestu::SafeReplaceFile(scratch.Path("folder").c_str(), "x", 1));
    EXPECT_FALSE(kestu::SafeReplaceFile(scratch.Path("missing/x.txt").c_str(), "x", 1));
    EXPECT_FALSE(kestu::SafeReplaceFile("", "x", 1));
    EXPECT_FALSE(kestu::SafeReplaceFile(nullptr, "x", 1));
    EXPECT_EQ(scratch.Entries(), (std::set<std::string>{"keep.txt", "folder"}));
}

} // namespace
