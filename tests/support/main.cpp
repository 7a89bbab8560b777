// The main of every test program. A run works in a folder of its own, named
// after the tests it runs, under the folder CTest starts it in: CTest runs
// single tests of one program in parallel processes, and tests write files
// with fixed names. The folder is removed when every test passed.
//
// When the tests have run, no thread but the main one may be left: the
// Direct3D objects released at the end take the GL context with them, and the
// driver's worker threads with it, so LeakSanitizer stops no thread that is
// halfway through ending.
//
// The sanitizer options and the folders the tests use are built into the
// program rather than passed by CTest, so a program started by hand behaves
// as under CTest; a variable set in the environment still wins.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "support/threads.h"

extern "C" {
// The sanitizer runtimes look these up when the program starts; the options
// come from tests/CMakeLists.txt, which says why each is there.
__attribute__((used, visibility("default"))) const char* __asan_default_options() { return KESTU_ASAN_OPTIONS; }
__attribute__((used, visibility("default"))) const char* __ubsan_default_options() { return KESTU_UBSAN_OPTIONS; }
__attribute__((used, visibility("default"))) const char* __lsan_default_suppressions()
{
    return KESTU_LSAN_SUPPRESSIONS;
}
}

namespace {

std::string FolderName(const std::string& filter)
{
    std::string name = filter.empty() || filter == "*" ? "all" : filter;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
    return "run-" + name.substr(0, 200);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("KESTU_TEST_OUTPUT", KESTU_TEST_OUTPUT_DIR, 0);
    setenv("KESTU_SOURCE_DIR", KESTU_SOURCE_DIR_PATH, 0);
    setenv("KESTU_TOOLS_DIR", KESTU_TOOLS_DIR_PATH, 0);
    // The tools the tests start run under the same options.
    setenv("ASAN_OPTIONS", __asan_default_options(), 0);
    testing::InitGoogleTest(&argc, argv);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path start = fs::current_path();
    const fs::path folder = start / FolderName(GTEST_FLAG_GET(filter));
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    fs::current_path(folder, ec);

    int result = RUN_ALL_TESTS();
    if (const auto left = testsupport::OtherThreads(); !left.empty()) {
        std::string names;
        for (const auto& n : left) names += " " + n;
        std::fprintf(stderr, "Threads still running after the tests:%s\n", names.c_str());
        result = 1;
    }
    if (result == 0) {
        fs::current_path(start, ec);
        fs::remove_all(folder, ec);
    }
    return result;
}
