// kestu-pack run as a program: extraction keeps the items' folders inside the
// output folder and refuses, before writing anything, what it cannot keep.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/replace_checks.h"
#include "tool_fixture.h"

namespace {

namespace fs = std::filesystem;
using replacecheck::ReadText;
using replacecheck::WriteText;
using tooltest::Files;
using tooltest::ToolOutput;

// Runs kestu-pack with `args` in `dir`.
ToolOutput Pack(const fs::path& dir, std::vector<std::string> args)
{
    return tooltest::Tool(dir, "kestu-pack", std::move(args));
}

TEST(KestuPack, ExtractKeepsFoldersInsideTheOutputFolder)
{
    replacecheck::Scratch scratch("kestu_pack_folders");
    WriteText(scratch.Path("one.txt"), "one", 0644);
    WriteText(scratch.Path("two.txt"), "two", 0644);
    ASSERT_EQ(Pack(scratch.Dir(),
                   {"create", "lib.kidx", "1:a/x.txt=one.txt", "2:b\\x.txt=two.txt", "3:/c/./d//x.txt=one.txt"})
                  .status,
              0);
    const ToolOutput all = Pack(scratch.Dir(), {"extract", "lib.kidx", "out"});
    EXPECT_EQ(all.status, 0) << all.errors;
    EXPECT_EQ(Files(scratch.Dir() / "out"),
              (std::map<std::string, std::string>{{"a/x.txt", "one"}, {"b/x.txt", "two"}, {"c/d/x.txt", "one"}}));
    // Chosen items, one named twice, into a folder that already holds an old copy.
    WriteText(scratch.Path("out/b/x.txt"), "old", 0600);
    EXPECT_EQ(Pack(scratch.Dir(), {"extract", "lib.kidx", "out", "2", "2"}).status, 0);
    EXPECT_EQ(ReadText(scratch.Path("out/b/x.txt")), "two");
    EXPECT_EQ(Pack(scratch.Dir(), {"extract", "lib.kidx", "out", "9"}).status, 1);
}

TEST(KestuPack, ExtractRefusesWhatItCannotKeepAndWritesNothing)
{
    const struct {
        const char* name;
        std::vector<std::string> entries;
        const char* message;
    } cases[] = {
        {"same file", {"1:a/x.txt=one.txt", "2:a\\x.txt=two.txt"}, "items 1 and 2 both extract to 'a/x.txt'"},
        {"file as folder", {"1:a=one.txt", "2:a/x.txt=two.txt"}, "item 1 extracts to 'a', a folder item 2 needs"},
        {"parent part", {"1:x.txt=one.txt", "2:..\\..\\evil.txt=two.txt"}, "item 2 ('..\\..\\evil.txt') has no usable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        replacecheck::Scratch scratch("kestu_pack_refuse");
        WriteText(scratch.Path("one.txt"), "one", 0644);
        WriteText(scratch.Path("two.txt"), "two", 0644);
        std::vector<std::string> create = {"create", "lib.kidx"};
        create.insert(create.end(), c.entries.begin(), c.entries.end());
        ASSERT_EQ(Pack(scratch.Dir(), create).status, 0);
        const ToolOutput run = Pack(scratch.Dir(), {"extract", "lib.kidx", "out/deep"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_TRUE(Files(scratch.Dir() / "out").empty());
        EXPECT_EQ(scratch.Entries(), (std::set<std::string>{"lib.kidx", "one.txt", "two.txt"}));
    }
}

TEST(KestuPack, ExtractDoesNotFollowALinkOutOfTheFolder)
{
    replacecheck::Scratch scratch("kestu_pack_link");
    WriteText(scratch.Path("one.txt"), "one", 0644);
    ASSERT_EQ(Pack(scratch.Dir(), {"create", "lib.kidx", "1:a/x.txt=one.txt"}).status, 0);
    fs::create_directories(scratch.Dir() / "out");
    fs::create_directories(scratch.Dir() / "elsewhere");
    fs::create_directory_symlink(scratch.Dir() / "elsewhere", scratch.Dir() / "out" / "a");
    const ToolOutput run = Pack(scratch.Dir(), {"extract", "lib.kidx", "out"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("cannot write 'a/x.txt' inside 'out'"), std::string::npos) << run.errors;
    EXPECT_TRUE(fs::is_empty(scratch.Dir() / "elsewhere"));
}

} // namespace
