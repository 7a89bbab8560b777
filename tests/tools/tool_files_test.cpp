// The files a tool is given: an output that is the same file as an input or
// another output is refused (exit 2) and a directory where a file belongs
// fails (exit 1), each said on stderr, before anything is read or written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "../../tools/common/file_args.h"
#include "support/replace_checks.h"
#include "tool_fixture.h"

namespace {

namespace fs = std::filesystem;
using replacecheck::ReadText;
using replacecheck::WriteText;
using tooltest::Files;
using tooltest::Tool;
using tooltest::ToolOutput;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A folder "sub" and a link "link" to it.
void MakeSubAndLink(const replacecheck::Scratch& scratch)
{
    fs::create_directories(scratch.Dir() / "sub");
    fs::create_directory_symlink(scratch.Dir() / "sub", scratch.Dir() / "link");
}

// A folder with a file, a subfolder, a link to that subfolder, a hard link
// and a symbolic link to the file.
struct Layout {
    replacecheck::Scratch scratch{"tool_files_layout"};
    Layout()
    {
        WriteText(scratch.Path("x.fnt"), "x", 0644);
        WriteText(scratch.Path("other.fnt"), "o", 0644);
        MakeSubAndLink(scratch);
        fs::create_hard_link(scratch.Dir() / "x.fnt", scratch.Dir() / "hard.fnt");
        fs::create_symlink(scratch.Dir() / "x.fnt", scratch.Dir() / "soft.fnt");
    }
    std::string P(const std::string& name) const { return scratch.Path(name); }
};

TEST(ToolFiles, SameFileComparesFilesNotSpellings)
{
    Layout l;
    const struct {
        std::string a, b;
        bool same;
    } cases[] = {
        {l.P("x.fnt"), l.P("x.fnt"), true},
        {l.P("x.fnt"), l.P("./sub/../x.fnt"), true},
        {l.P("x.fnt"), l.P("link/../x.fnt"), true}, // the link's folder is the scratch folder
        {l.P("x.fnt"), l.P("hard.fnt"), true},
        {l.P("x.fnt"), l.P("soft.fnt"), true},
        {l.P("x.fnt"), l.P("other.fnt"), false},
        {l.P("x.fnt"), l.P("sub/x.fnt"), false},
        {l.P("x.fnt"), l.P("new.fnt"), false},
        // Files that do not exist yet: their resolved paths.
        {l.P("new.fnt"), l.P("sub/../new.fnt"), true},
        {l.P("sub/new.fnt"), l.P("link/new.fnt"), true},
        {l.P("sub/new.fnt"), l.P("link//./new.fnt"), true},
        {l.P("sub/new.fnt"), l.P("sub/New.fnt"), false},
        {l.P("sub/new.fnt"), l.P("new.fnt"), false},
        {l.P("sub"), l.P("link/"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_EQ(ktool::SameFile(c.a, c.b), c.same);
        EXPECT_EQ(ktool::SameFile(c.b, c.a), c.same);
    }
    // A relative spelling resolves from the working folder.
    const fs::path here = fs::current_path();
    fs::current_path(l.scratch.Dir() / "sub");
    const bool relative = ktool::SameFile("../x.fnt", l.P("x.fnt")) && ktool::SameFile("new", l.P("link/new")) &&
                          !ktool::SameFile("x.fnt", l.P("x.fnt"));
    fs::current_path(here);
    EXPECT_TRUE(relative);
}

// Each command that takes a file, given a directory there: exit 1 with a
// line naming it, nothing written.
struct DirectoryCase {
    const char* tool;
    std::vector<std::string> args;
    const char* message;
};

// One folder for a table of cases: a case that wrote anything would show in
// its own comparison.
struct DirectoryScratch {
    replacecheck::Scratch scratch{"tool_files_directory"};
    DirectoryScratch()
    {
        fs::create_directories(scratch.Dir() / "d");
        WriteText(scratch.Path("flag_a.png"), "a", 0644);
        WriteText(scratch.Path("flag_b.png"), "b", 0644);
        EXPECT_EQ(Tool(scratch.Dir(), "kestu-gma", {"sample", "--frames", "2", "flag.gma"}).status, 0);
        EXPECT_EQ(Tool(scratch.Dir(), "kestu-pack", {"create", "lib.kidx", "7=flag_a.png", "9=flag_b.png"}).status, 0);
    }

    void ExpectRefused(const DirectoryCase& c) const
    {
        std::string line = c.tool;
        for (const std::string& a : c.args) line += " " + a;
        SCOPED_TRACE(line);
        const std::set<std::string> entries = scratch.Entries();
        const std::map<std::string, std::string> files = Files(scratch.Dir());
        const ToolOutput run = Tool(scratch.Dir(), c.tool, c.args);
        EXPECT_EQ(run.status, 1) << run.errors;
        EXPECT_TRUE(Has(run.errors, std::string(c.tool) + ": " + c.message + " is a directory")) << run.errors;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(scratch.Entries(), entries);
        EXPECT_TRUE(Files(scratch.Dir()) == files) << "a file changed";
        EXPECT_TRUE(fs::is_empty(scratch.Dir() / "d"));
    }
};

TEST(ToolFiles, gma_tool_directory_abort)
{
    const DirectoryCase cases[] = {
        {"kestu-gma", {"info", "d"}, "FILE 'd'"},
        {"kestu-gma", {"remove-normals", "d"}, "FILE 'd'"},
        {"kestu-gma", {"share-materials", "d"}, "FILE 'd'"},
        {"kestu-gma", {"share-texcoord", "d"}, "FILE 'd'"},
        {"kestu-gma", {"unshare-texcoord", "d/"}, "FILE 'd/'"},
        {"kestu-gma", {"preprocess", "--boxes", "d"}, "FILE 'd'"},
        {"kestu-gma", {"texture-ids", "d", "lib.kidx"}, "FILE 'd'"},
        {"kestu-gma", {"texture-ids", "flag.gma", "d"}, "TEXLIB 'd'"},
        {"kestu-gma", {"texture-ids", "flag.gma", "lib.kidx", "d"}, "LOG 'd'"},
        {"kestu-gma", {"attribute-map", "d", "out.gma"}, "SOURCE 'd'"},
        {"kestu-gma", {"attribute-map", "flag.gma", "d"}, "DEST 'd'"},
        {"kestu-gma", {"lod", "d", "out.gma"}, "SOURCE 'd'"},
        {"kestu-gma", {"lod", "flag.gma", "d"}, "DEST 'd'"},
        {"kestu-gma", {"sample", "d"}, "FILE 'd'"},
    };
    const DirectoryScratch dir;
    for (const DirectoryCase& c : cases) dir.ExpectRefused(c);
}

TEST(ToolFiles, OtherToolsRefuseADirectoryWhereAFileBelongs)
{
    const DirectoryCase cases[] = {
        {"kestu-pack", {"create", "d", "flag_a.png"}, "LIB 'd'"},
        {"kestu-pack", {"create", "new.kidx", "1=d"}, "ENTRY 'd'"},
        {"kestu-pack", {"add", "d", "flag_a.png"}, "LIB 'd'"},
        {"kestu-pack", {"add", "lib.kidx", "d"}, "ENTRY 'd'"},
        {"kestu-pack", {"list", "d"}, "LIB 'd'"},
        {"kestu-pack", {"extract", "d", "out"}, "LIB 'd'"},
        {"kestu-pack", {"remove", "d", "7"}, "LIB 'd'"},
        {"kestu-font", {"--font", "d", "out.fnt:12"}, "--font 'd'"},
        {"kestu-font", {"--font", "flag_a.png", "small.fnt:12", "d:14"}, "OUT 'd'"},
        {"kestu-font", {"--font", "flag_a.png", "--tib", "d", "small.fnt:12"}, "--tib 'd'"},
        {"kestu-terrain", {"d"}, "output 'd'"},
    };
    const DirectoryScratch dir;
    for (const DirectoryCase& c : cases) dir.ExpectRefused(c);

    // An item whose file would be a directory already in the folder stops the
    // extraction before an earlier item is written.
    replacecheck::Scratch scratch("tool_files_item_dir");
    WriteText(scratch.Path("flag_a.png"), "a", 0644);
    WriteText(scratch.Path("flag_b.png"), "b", 0644);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-pack", {"create", "lib.kidx", "7=flag_a.png", "9=flag_b.png"}).status, 0);
    fs::remove(scratch.Dir() / "flag_b.png");
    fs::create_directories(scratch.Dir() / "flag_b.png");
    WriteText(scratch.Path("flag_a.png"), "old", 0644);
    const ToolOutput run = Tool(scratch.Dir(), "kestu-pack", {"extract", "lib.kidx", ".", "7", "9"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.errors, "kestu-pack: the file of item 9 './flag_b.png' is a directory")) << run.errors;
    EXPECT_EQ(ReadText(scratch.Path("flag_a.png")), "old");
}

TEST(ToolFiles, gma_texture_ids_log_is_file)
{
    replacecheck::Scratch scratch("tool_files_log");
    WriteText(scratch.Path("flag_a.png"), "a", 0644);
    WriteText(scratch.Path("flag_b.png"), "b", 0644);
    MakeSubAndLink(scratch);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-gma", {"sample", "sub/flag.gma"}).status, 0);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-pack", {"create", "lib.kidx", "7=flag_a.png", "9=flag_b.png"}).status, 0);
    fs::create_hard_link(scratch.Dir() / "sub" / "flag.gma", scratch.Dir() / "hard.gma");
    const std::map<std::string, std::string> before = Files(scratch.Dir());

    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"texture-ids", "sub/flag.gma", "lib.kidx", "sub/flag.gma"}, "FILE 'sub/flag.gma' and LOG 'sub/flag.gma'"},
        {{"texture-ids", "sub/flag.gma", "lib.kidx", "./sub/../sub/flag.gma"}, "and LOG './sub/../sub/flag.gma'"},
        {{"texture-ids", "sub/flag.gma", "lib.kidx", "link/flag.gma"}, "and LOG 'link/flag.gma'"},
        {{"texture-ids", "sub/flag.gma", "lib.kidx", "hard.gma"}, "and LOG 'hard.gma'"},
        {{"texture-ids", "sub/flag.gma", "lib.kidx", "lib.kidx"}, "TEXLIB 'lib.kidx' and LOG 'lib.kidx'"},
        {{"texture-ids", "lib.kidx", "lib.kidx"}, "FILE 'lib.kidx' and TEXLIB 'lib.kidx'"},
        {{"attribute-map", "sub/flag.gma", "link/flag.gma"}, "SOURCE 'sub/flag.gma' and DEST 'link/flag.gma'"},
        {{"lod", "hard.gma", "sub/flag.gma"}, "SOURCE 'hard.gma' and DEST 'sub/flag.gma'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ToolOutput run = Tool(scratch.Dir(), "kestu-gma", c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(Has(run.errors, c.message)) << run.errors;
        EXPECT_TRUE(Has(run.errors, "are the same file")) << run.errors;
        EXPECT_FALSE(Has(run.errors, "unchanged")) << run.errors;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Files(scratch.Dir()) == before) << "a file changed";
    }

    // A log of its own is written, and the mesh takes the new ids.
    const ToolOutput run =
        Tool(scratch.Dir(), "kestu-gma", {"texture-ids", "sub/flag.gma", "lib.kidx", "link/ids.log"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(Has(ReadText(scratch.Path("sub/ids.log")), "Changed in UpdateGmaTexIDInMemory()"));
    EXPECT_TRUE(ReadText(scratch.Path("sub/flag.gma")) != before.at("sub/flag.gma"));
}

TEST(ToolFiles, font_outputs_alias)
{
    replacecheck::Scratch scratch("tool_files_font");
    WriteText(scratch.Path("face.ttf"), "not a font", 0644);
    WriteText(scratch.Path("x.fnt"), "old", 0644);
    MakeSubAndLink(scratch);
    const std::map<std::string, std::string> before = Files(scratch.Dir());
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--tib", "x.fnt", "x.fnt:12"}, "--tib 'x.fnt' and OUT 'x.fnt'"},
        {{"x.fnt:12", "x.fnt:14"}, "OUT 'x.fnt' and OUT 'x.fnt'"},
        {{"x.fnt:12", "sub/../x.fnt:14"}, "OUT 'x.fnt' and OUT 'sub/../x.fnt'"},
        {{"sub/new.fnt:12", "link/new.fnt:14"}, "OUT 'sub/new.fnt' and OUT 'link/new.fnt'"},
        {{"--tib", "link/t.tib", "a.fnt:12", "sub/t.tib:14"}, "--tib 'link/t.tib' and OUT 'sub/t.tib'"},
        {{"face.ttf:12"}, "--font 'face.ttf' and OUT 'face.ttf'"},
        {{"--tib", "./face.ttf", "a.fnt:12"}, "--font 'face.ttf' and --tib './face.ttf'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"--font", "face.ttf"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolOutput run = Tool(scratch.Dir(), "kestu-font", args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(Has(run.errors, std::string("kestu-font: ") + c.message + " are the same file")) << run.errors;
        EXPECT_TRUE(Files(scratch.Dir()) == before) << "a file changed";
        EXPECT_EQ(scratch.Entries(), (std::set<std::string>{"face.ttf", "x.fnt", "sub", "link"}));
    }

    // Outputs apart are all written.
    const char* face = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!fs::exists(face)) GTEST_SKIP() << face << " is not installed";
    const ToolOutput run =
        Tool(scratch.Dir(), "kestu-font", {"--font", face, "--tib", "link/t.tib", "x.fnt:12", "sub/x.fnt:14"});
    EXPECT_EQ(run.status, 0) << run.errors;
    for (const char* name : {"sub/t.tib", "x.fnt", "sub/x.fnt"}) EXPECT_GT(fs::file_size(scratch.Path(name)), 1000u);
    EXPECT_NE(fs::file_size(scratch.Path("x.fnt")), fs::file_size(scratch.Path("sub/x.fnt")));
}

TEST(ToolFiles, PackRefusesOutputsThatAreItsInputsOrEachOther)
{
    replacecheck::Scratch scratch("tool_files_pack");
    WriteText(scratch.Path("one.txt"), "one", 0644);
    WriteText(scratch.Path("two.txt"), "two", 0644);
    ASSERT_EQ(Tool(scratch.Dir(), "kestu-pack",
                   {"create", "lib.kidx", "1:lib.kidx=one.txt", "2:a/x.txt=two.txt", "3:b/x.txt=one.txt"})
                  .status,
              0);
    fs::create_directories(scratch.Dir() / "out" / "a");
    fs::create_directory_symlink(scratch.Dir() / "out" / "a", scratch.Dir() / "out" / "b");
    const std::map<std::string, std::string> before = Files(scratch.Dir());
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"create", "one.txt", "one.txt"}, "LIB 'one.txt' and ENTRY 'one.txt'"},
        {{"create", "new.kidx", "two.txt", "1=./new.kidx"}, "LIB 'new.kidx' and ENTRY './new.kidx'"},
        {{"add", "lib.kidx", "7=lib.kidx"}, "LIB 'lib.kidx' and ENTRY 'lib.kidx'"},
        // Item 1 would be written over the library while it is read.
        {{"extract", "lib.kidx", "."}, "LIB 'lib.kidx' and the file of item 1 './lib.kidx'"},
        // Items 2 and 3 meet through the link inside the folder.
        {{"extract", "lib.kidx", "out", "2", "3"}, "the file of item 2 'out/a/x.txt' and the file of item 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ToolOutput run = Tool(scratch.Dir(), "kestu-pack", c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(Has(run.errors, std::string("kestu-pack: ") + c.message)) << run.errors;
        EXPECT_TRUE(Files(scratch.Dir()) == before) << "a file changed";
        EXPECT_FALSE(fs::exists(scratch.Dir() / "new.kidx"));
    }
}

} // namespace
