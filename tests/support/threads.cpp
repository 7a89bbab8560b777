#include "support/threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

namespace testsupport {
namespace {

std::vector<std::string> ListOthers()
{
    namespace fs = std::filesystem;
    const std::string self = std::to_string(static_cast<long>(syscall(SYS_gettid)));
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/self/task", ec)) {
        const std::string tid = task.path().filename().string();
        if (tid == self) continue;
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (!std::getline(comm, name)) continue; // ended while we looked
        names.push_back(name + " (" + tid + ")");
    }
    return names;
}

} // namespace

std::vector<std::string> OtherThreads()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::vector<std::string> names = ListOthers();
    while (!names.empty() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        names = ListOthers();
    }
    return names;
}

} // namespace testsupport
