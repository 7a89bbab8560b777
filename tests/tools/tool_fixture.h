// Runs a built tool as a user runs it, in a folder of the test's, and keeps
// what it wrote to stdout and stderr (in a folder beside that one, so the
// tool's folder holds only what the tool made).
#pragma once
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/replace_checks.h"

extern char** environ;

namespace tooltest {

struct ToolOutput {
    int status = -1;
    std::string out, errors;
};

// Runs `tool` with `args` in `dir`, collecting stdout and stderr.
inline ToolOutput Tool(const std::filesystem::path& dir, const std::string& tool, std::vector<std::string> args)
{
    namespace fs = std::filesystem;
    const char* tools = std::getenv("KESTU_TOOLS_DIR");
#ifdef KESTU_TOOLS_BUILD_DIR
    if (tools == nullptr) tools = KESTU_TOOLS_BUILD_DIR;
#endif
    ToolOutput run;
    if (tools == nullptr) {
        ADD_FAILURE() << "KESTU_TOOLS_DIR is not set";
        return run;
    }
    const std::string exe = std::string(tools) + "/" + tool;
    const fs::path streams = dir.parent_path() / (dir.filename().string() + "_streams");
    fs::create_directories(streams);
    const std::string out = (streams / "stdout").string(), errors = (streams / "stderr").string();
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = replacecheck::ReadText(out);
    run.errors = replacecheck::ReadText(errors);
    fs::remove_all(streams);
    return run;
}

// Every regular file below `dir`, relative, with its text.
inline std::map<std::string, std::string> Files(const std::filesystem::path& dir)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    if (!fs::exists(dir)) return out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = replacecheck::ReadText(e.path().string());
    return out;
}

} // namespace tooltest
