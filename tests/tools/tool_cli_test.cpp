// The command-line manners every tool keeps, run as a user runs them: --help
// answers on stdout with 0, misuse says what was wrong with 2 and writes
// nothing, and a command that fails leaves its file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/replace_checks.h"
#include "tool_fixture.h"

namespace {

namespace fs = std::filesystem;
using replacecheck::ReadText;
using replacecheck::WriteText;
using tooltest::Tool;
using tooltest::ToolOutput;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char* const kTools[] = {"kestu-terrain", "kestu-gma", "kestu-pack", "kestu-font"};

TEST(ToolCli, HelpPrintsUsageOnStdoutAndWritesNothing)
{
    for (const char* tool : kTools)
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"info", "--help"}, {"out.bin", "-h"}}) {
            SCOPED_TRACE(std::string(tool) + " " + args.front() + " " + args.back());
            replacecheck::Scratch scratch("tool_help");
            const ToolOutput run = Tool(scratch.Dir(), tool, args);
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out.rfind("usage:", 0), 0u) << run.out;
            EXPECT_EQ(run.errors, "");
            EXPECT_TRUE(scratch.Entries().empty());
        }
}

TEST(ToolCli, MisuseSaysWhatWasWrongAndExitsTwo)
{
    const struct {
        const char* tool;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"kestu-terrain", {}, "no output file named"},
        {"kestu-terrain", {"--frobnicate"}, "unknown option '--frobnicate'"},
        {"kestu-terrain", {"t.ter", "2", "3", "4", "5"}, "too many arguments"},
        {"kestu-terrain", {"t.ter", "7"}, "bad depth '7'"},
        {"kestu-terrain", {"t.ter", "4x"}, "bad depth '4x'"},
        {"kestu-terrain", {"t.ter", "4", "seed"}, "bad seed 'seed'"},
        {"kestu-terrain", {"t.ter", "4", "-1"}, "bad seed '-1'"},
        {"kestu-terrain", {"t.ter", "4", "4294967296"}, "bad seed '4294967296'"},
        {"kestu-terrain", {"t.ter", "4", "1", "0"}, "bad block size '0'"},
        {"kestu-terrain", {"t.ter", "4", "1", "nan"}, "bad block size 'nan'"},
        {"kestu-terrain", {"t.ter", "4", "1", "1e99"}, "bad block size '1e99'"},
        {"kestu-terrain", {"t.ter", "4", "1", "16m"}, "bad block size '16m'"},
        {"kestu-gma", {}, "no command given"},
        {"kestu-gma", {"frobnicate", "x.gma"}, "unknown command 'frobnicate'"},
        {"kestu-gma", {"info"}, "'info' takes one FILE"},
        {"kestu-gma", {"lod", "a.gma"}, "'lod' takes SOURCE and DEST"},
        {"kestu-gma", {"preprocess", "--fast", "a.gma"}, "unknown preprocess option '--fast'"},
        {"kestu-gma", {"sample", "--frames", "many", "a.gma"}, "bad frame count 'many'"},
        {"kestu-gma", {"sample", "--grid", "8x", "a.gma"}, "bad grid '8x'"},
        {"kestu-gma", {"sample", "--version", "1.9", "a.gma"}, "bad version '1.9'"},
        {"kestu-pack", {}, "no command given"},
        {"kestu-pack", {"frobnicate", "x.kidx"}, "unknown command 'frobnicate'"},
        {"kestu-pack", {"remove", "x.kidx", "12x"}, "bad id '12x'"},
        {"kestu-pack", {"extract", "x.kidx", "out", "4294967295"}, "bad id '4294967295'"},
        {"kestu-pack", {"list"}, "'list' takes one LIB"},
        {"kestu-font", {"--font", "f.ttf", "--frobnicate", "a.fnt:12"}, "unknown option '--frobnicate'"},
        {"kestu-font", {"--font", "f.ttf", "a.fnt:twelve"}, "bad size in 'a.fnt:twelve'"},
        {"kestu-font", {"--font", "f.ttf", "a.fnt:99"}, "bad size in 'a.fnt:99'"},
        {"kestu-font", {"--font", "f.ttf", "a.fnt"}, "output 'a.fnt' has no :SIZE"},
        {"kestu-font", {"--font", "f.ttf", "--ranges", "0x7E-0x20", "a.fnt:12"}, "bad range list '0x7E-0x20'"},
        {"kestu-font", {"a.fnt:12"}, "no --font given"},
        {"kestu-font", {"--font"}, "'--font' needs a value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tool) + ": " + c.message);
        replacecheck::Scratch scratch("tool_misuse");
        const ToolOutput run = Tool(scratch.Dir(), c.tool, c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(Has(run.errors, std::string(c.tool) + ": " + c.message)) << run.errors;
        EXPECT_TRUE(Has(run.errors, "usage:")) << run.errors;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(scratch.Entries().empty());
    }
}

TEST(ToolCli, TerrainTakesItsNumbers)
{
    replacecheck::Scratch scratch("tool_terrain");
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-terrain", {"a.ter", "2", "17", "8.5"}).status, 0);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-terrain", {"b.ter", "2", "18", "8.5"}).status, 0);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-terrain", {"c.ter", "2", "17", "8.5"}).status, 0);
    const std::string a = ReadText(scratch.Path("a.ter"));
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a != ReadText(scratch.Path("b.ter"))) << "the seed was not used";
    EXPECT_TRUE(a == ReadText(scratch.Path("c.ter"))) << "one seed gave two terrains";
}

TEST(ToolCli, TextureIdsWithAMissingNameLeaveTheFileAsItWas)
{
    replacecheck::Scratch scratch("tool_texture_ids");
    WriteText(scratch.Path("flag_a.png"), "a", 0644);
    WriteText(scratch.Path("flag_b.png"), "b", 0644);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-gma", {"sample", "flag.gma"}).status, 0);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-pack", {"create", "half.kidx", "7=flag_a.png"}).status, 0);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-pack", {"create", "full.kidx", "7=flag_a.png", "9=flag_b.png"}).status, 0);
    const std::string before = ReadText(scratch.Path("flag.gma"));
    ASSERT_FALSE(before.empty());

    const ToolOutput missing = Tool(scratch.Dir(), "kestu-gma", {"texture-ids", "flag.gma", "half.kidx", "ids.log"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(Has(missing.errors, "not in half.kidx")) << missing.errors;
    EXPECT_TRUE(ReadText(scratch.Path("flag.gma")) == before) << "the file changed";
    EXPECT_TRUE(Has(ReadText(scratch.Path("ids.log")), "Cannot find the texture file 'flag_b.png'"));
    EXPECT_EQ(scratch.Entries(),
              (std::set<std::string>{"flag_a.png", "flag_b.png", "flag.gma", "half.kidx", "full.kidx", "ids.log"}));

    // With every name there the file takes the new ids.
    const ToolOutput found = Tool(scratch.Dir(), "kestu-gma", {"texture-ids", "flag.gma", "full.kidx"});
    EXPECT_EQ(found.status, 0) << found.errors;
    EXPECT_TRUE(ReadText(scratch.Path("flag.gma")) != before) << "the file kept its ids";
    const ToolOutput info = Tool(scratch.Dir(), "kestu-gma", {"info", "flag.gma"});
    EXPECT_TRUE(Has(info.out, "texture id 7, 'flag_a.png'")) << info.out;
    EXPECT_TRUE(Has(info.out, "texture id 9, 'flag_b.png'")) << info.out;
}

TEST(ToolCli, FontWritesNoOutputWhenOneSizeDoesNotFit)
{
    const char* face = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!fs::exists(face)) GTEST_SKIP() << face << " is not installed";
    replacecheck::Scratch scratch("tool_font");
    WriteText(scratch.Path("small.fnt"), "old", 0644);
    // 64 pixels is wider than the format's 32; the 12-pixel font comes first.
    const ToolOutput run =
        Tool(scratch.Dir(), "kestu-font", {"--font", face, "--tib", "t.tib", "small.fnt:12", "big.fnt:64"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.errors, "big.fnt at 64 pixels")) << run.errors;
    EXPECT_EQ(ReadText(scratch.Path("small.fnt")), "old");
    EXPECT_EQ(scratch.Entries(), std::set<std::string>{"small.fnt"});
}

} // namespace
