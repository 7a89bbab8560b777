// Checks for writers that replace whole files: a scratch folder, symbolic
// links planted at the temporary names writers once used, and the mode a
// replaced file keeps.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace replacecheck {

// A fresh folder under the working folder, removed with the object.
class Scratch {
public:
    explicit Scratch(const std::string& name) : dir_(std::filesystem::current_path() / "replace_tmp" / name)
    {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~Scratch() { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    // Every entry of the folder, links included.
    std::set<std::string> Entries() const
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) out.insert(e.path().filename().string());
        return out;
    }
    const std::filesystem::path& Dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text, mode_t mode)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    ::chmod(path.c_str(), mode);
}

inline mode_t Mode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// A victim file outside the target's name and links to it at every name a
// writer beside `target` could guess; writing `target` must leave all alone.
class PlantedLinks {
public:
    PlantedLinks(const Scratch& scratch, const std::string& targetName) : victim_(scratch.Path("victim.txt"))
    {
        WriteText(victim_, "victim", 0644);
        const std::string target = scratch.Path(targetName);
        for (const char* suffix : {".tmp", ".kestu-tmp", ".part~", ".XXXXXX"}) Link(target + suffix);
        Link(target + ".tmp" + std::to_string(static_cast<long>(::getpid())));
    }
    // After a successful write of `targetName`: the victim and the links are
    // as planted, the target has `mode` and no other file was left behind.
    void ExpectReplaced(const Scratch& scratch, const std::string& targetName, mode_t mode) const
    {
        EXPECT_EQ(ReadText(victim_), "victim");
        for (const std::string& link : links_) EXPECT_TRUE(std::filesystem::is_symlink(link)) << link;
        EXPECT_EQ(Mode(scratch.Path(targetName)), mode);
        std::set<std::string> others = scratch.Entries();
        others.erase("victim.txt");
        for (const std::string& link : links_) others.erase(std::filesystem::path(link).filename().string());
        EXPECT_EQ(others, std::set<std::string>{targetName});
    }

private:
    void Link(const std::string& at)
    {
        std::filesystem::create_symlink(victim_, at);
        links_.push_back(at);
    }
    std::string victim_;
    std::vector<std::string> links_;
};

} // namespace replacecheck
