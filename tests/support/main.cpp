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
// The sanitizer runtimes look these up when the program starts.
//
// intercept_tls_get_addr=0: this runtime takes a dynamic TLS block that
// starts 16 bytes into a page for one with an old glibc header and reads its
// bounds from the allocator's chunk header before it; the leak check's tracer
// then dies scanning that range, after tests that passed. The blocks are heap
// blocks the thread's TLS vector points to, so the check still reaches what
// they hold (selftest/leak_check_test.cpp shows both).
__attribute__((used, visibility("default"))) const char* __asan_default_options()
{
    return "detect_leaks=1:strict_string_checks=1:intercept_tls_get_addr=0";
}
__attribute__((used, visibility("default"))) const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
// The GL driver and its compiler keep allocations for the life of the process.
__attribute__((used, visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libGLX_mesa\n"
           "leak:libEGL_mesa\n"
           "leak:swrast_dri\n"
           "leak:libLLVM\n"
           "leak:libgallium\n"
           "leak:libglapi\n"
           "leak:libdrm\n";
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
