// The commands of kestu-pack, each returning the process exit code.
#pragma once
#include <string>
#include <vector>

#include "common/tool_cli.h"

namespace kpack {

// One file to put in a library: "PATH", "ID=PATH" or "ID:NAME=PATH".
struct PackEntry {
    bool hasId = false;
    unsigned id = 0;
    std::string name; // empty: the file name of the path
    std::string path;
};

bool ParsePackEntry(const std::string& text, PackEntry& out);

int Create(const std::string& lib, const std::vector<PackEntry>& entries, bool stream);
int Add(const std::string& lib, const std::vector<PackEntry>& entries);
int List(const std::string& lib);
// Refuses (exit 2) an item whose file would be the library or another item's file.
int Extract(const ktool::Cli& cli, const std::string& lib, const std::string& folder, const std::vector<unsigned>& ids);
int Remove(const std::string& lib, const std::vector<unsigned>& ids);

} // namespace kpack
