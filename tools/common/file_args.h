// The files a tool's command line names, checked before anything is read or
// written: no output may be the same file as an input or another output, and
// no file argument may be a directory. "The same file" is decided on the file
// system, not on the spelling: the same device and inode where both exist,
// else the same absolute path once its existing part is resolved (links
// followed) and the rest normalised lexically, so "out/../x.fnt", "./x.fnt"
// and "link-to-here/x.fnt" all name x.fnt whether or not it exists yet.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tool_cli.h"

namespace ktool {

struct FileIdentity {
    bool exists = false;
    bool directory = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string resolved; // absolute, links of the existing part resolved

    explicit FileIdentity(const std::string& path)
    {
        namespace fs = std::filesystem;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            exists = true;
            directory = S_ISDIR(st.st_mode);
            device = st.st_dev;
            inode = st.st_ino;
        }
        std::error_code ec;
        fs::path absolute = fs::absolute(path, ec);
        if (ec) absolute = path;
        fs::path canonical = fs::weakly_canonical(absolute, ec);
        resolved = (ec ? absolute.lexically_normal() : canonical.lexically_normal()).string();
        // "dir/" and "dir" are one place.
        while (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
    }

    bool Same(const FileIdentity& other) const
    {
        if (exists && other.exists) return device == other.device && inode == other.inode;
        return resolved == other.resolved;
    }
};

inline bool SameFile(const std::string& a, const std::string& b) { return FileIdentity(a).Same(FileIdentity(b)); }

// The file arguments of one command. Inputs are read, outputs written; a file
// rewritten in place is both.
class FileArgs {
public:
    FileArgs& Input(std::string path, std::string what) { return Add(std::move(path), std::move(what), true, false); }
    FileArgs& Output(std::string path, std::string what) { return Add(std::move(path), std::move(what), false, true); }
    FileArgs& InOut(std::string path, std::string what) { return Add(std::move(path), std::move(what), true, true); }

    // 0 when the files may be used. An output that is the same file as
    // another argument is misuse (exit 2); a file argument that is a
    // directory fails (exit 1). Either is said on stderr. Linear in the
    // number of arguments, so a tool may check thousands of outputs.
    int Check(const Cli& cli) const
    {
        std::vector<FileIdentity> ids;
        ids.reserve(args_.size());
        for (const Arg& a : args_) ids.emplace_back(a.path);
        // Two existing files are the same exactly when their inodes are; a
        // path that does not exist yet is the same as another exactly when it
        // resolves to the same path, and an existing file resolves to one path.
        std::map<std::pair<dev_t, ino_t>, size_t> byInode;
        std::map<std::string, size_t> byPath;
        for (size_t i = 0; i < args_.size(); ++i) {
            size_t other = i;
            if (ids[i].exists) {
                const auto [it, added] = byInode.emplace(std::make_pair(ids[i].device, ids[i].inode), i);
                if (!added) other = it->second;
            }
            const auto [it, added] = byPath.emplace(ids[i].resolved, i);
            if (other == i && !added) other = it->second;
            if (other != i && (args_[i].output || args_[other].output)) {
                const Arg& a = args_[other];
                const Arg& b = args_[i];
                return cli.Misuse("%s '%s' and %s '%s' are the same file", a.what.c_str(), a.path.c_str(),
                                  b.what.c_str(), b.path.c_str());
            }
        }
        for (size_t i = 0; i < args_.size(); ++i)
            if (ids[i].directory)
                return cli.Fail("%s '%s' is a directory", args_[i].what.c_str(), args_[i].path.c_str());
        return 0;
    }

private:
    struct Arg {
        std::string path, what;
        bool input, output;
    };

    FileArgs& Add(std::string path, std::string what, bool input, bool output)
    {
        args_.push_back({std::move(path), std::move(what), input, output});
        return *this;
    }

    std::vector<Arg> args_;
};

} // namespace ktool
