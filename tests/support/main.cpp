// The main of every test program. A run works in a folder of its own, named
// after the tests it runs, under the folder CTest starts it in: CTest runs
// single tests of one program in parallel processes, and tests write files
// with fixed names. The folder is removed when every test passed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

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
    testing::InitGoogleTest(&argc, argv);
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path start = fs::current_path();
    const fs::path folder = start / FolderName(GTEST_FLAG_GET(filter));
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    fs::current_path(folder, ec);

    const int result = RUN_ALL_TESTS();
    if (result == 0) {
        fs::current_path(start, ec);
        fs::remove_all(folder, ec);
    }
    return result;
}
