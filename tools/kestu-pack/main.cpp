// kestu-pack: creates, lists and extracts item libraries.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pack_commands.h"

namespace {

int Usage()
{
    std::fputs("usage:\n"
               "  kestu-pack create [--stream] LIB ENTRY...   new library from files\n"
               "  kestu-pack add LIB ENTRY...                 add or replace items\n"
               "  kestu-pack list LIB                         id, size and name of every item\n"
               "  kestu-pack extract LIB FOLDER [ID...]       write items (all by default) below FOLDER\n"
               "  kestu-pack remove LIB ID...                 drop items\n"
               "ENTRY is PATH, ID=PATH or ID:NAME=PATH; without an id the next free one is taken,\n"
               "without a name the file name of PATH.\n",
               stderr);
    return 2;
}

bool ParseIds(int argc, char** argv, int first, std::vector<unsigned>& ids)
{
    for (int i = first; i < argc; ++i) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(argv[i], &end, 10);
        if (!*argv[i] || *end || v >= 0xFFFFFFFFul)
            return false;
        ids.push_back(static_cast<unsigned>(v));
    }
    return true;
}

bool ParseEntries(int argc, char** argv, int first, std::vector<kpack::PackEntry>& entries)
{
    for (int i = first; i < argc; ++i) {
        kpack::PackEntry e;
        if (!kpack::ParsePackEntry(argv[i], e)) {
            std::fprintf(stderr, "kestu-pack: bad entry '%s'\n", argv[i]);
            return false;
        }
        entries.push_back(e);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    if (command == "create") {
        int at = 2;
        const bool stream = std::string(argv[at]) == "--stream";
        if (stream)
            ++at;
        std::vector<kpack::PackEntry> entries;
        if (at >= argc || !ParseEntries(argc, argv, at + 1, entries))
            return Usage();
        return kpack::Create(argv[at], entries, stream);
    }
    if (command == "add") {
        std::vector<kpack::PackEntry> entries;
        if (argc < 4 || !ParseEntries(argc, argv, 3, entries))
            return Usage();
        return kpack::Add(argv[2], entries);
    }
    if (command == "list")
        return argc == 3 ? kpack::List(argv[2]) : Usage();
    if (command == "extract") {
        std::vector<unsigned> ids;
        if (argc < 4 || !ParseIds(argc, argv, 4, ids))
            return Usage();
        return kpack::Extract(argv[2], argv[3], ids);
    }
    if (command == "remove") {
        std::vector<unsigned> ids;
        if (argc < 4 || !ParseIds(argc, argv, 3, ids))
            return Usage();
        return kpack::Remove(argv[2], ids);
    }
    return Usage();
}
