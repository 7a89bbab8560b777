// kestu-pack: creates, lists and extracts item libraries.
#include <cstdio>
#include <string>
#include <vector>

#include "common/tool_cli.h"
#include "pack_commands.h"

namespace {

const ktool::Cli cli("kestu-pack",
                     "usage:\n"
                     "  kestu-pack create [--stream] LIB ENTRY...   new library from files\n"
                     "  kestu-pack add LIB ENTRY...                 add or replace items\n"
                     "  kestu-pack list LIB                         id, size and name of every item\n"
                     "  kestu-pack extract LIB FOLDER [ID...]       write items (all by default) below FOLDER\n"
                     "  kestu-pack remove LIB ID...                 drop items\n"
                     "ENTRY is PATH, ID=PATH or ID:NAME=PATH; without an id the next free one is taken,\n"
                     "without a name the file name of PATH.\n");

// Ids run from 0 to 0xFFFFFFFE; the last value marks no item.
bool ParseIds(int argc, char** argv, int first, std::vector<unsigned>& ids)
{
    for (int i = first; i < argc; ++i) {
        unsigned id = 0;
        if (!ktool::ParseInteger(argv[i], 0, 0xFFFFFFFEll, id)) {
            cli.Misuse("bad id '%s' (0 to 4294967294)", argv[i]);
            return false;
        }
        ids.push_back(id);
    }
    return true;
}

bool ParseEntries(int argc, char** argv, int first, std::vector<kpack::PackEntry>& entries)
{
    for (int i = first; i < argc; ++i) {
        kpack::PackEntry e;
        if (!kpack::ParsePackEntry(argv[i], e)) {
            cli.Misuse("bad entry '%s'", argv[i]);
            return false;
        }
        entries.push_back(e);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (ktool::Cli::AsksHelp(argc, argv)) return cli.Help();
    if (argc < 2) return cli.Misuse("no command given");
    const std::string command = argv[1];
    auto wrong = [&](const char* wants) { return cli.Misuse("'%s' takes %s", command.c_str(), wants); };
    if (command == "create") {
        int at = 2;
        const bool stream = at < argc && std::string(argv[at]) == "--stream";
        if (stream) ++at;
        if (at >= argc) return wrong("LIB and its entries");
        std::vector<kpack::PackEntry> entries;
        return ParseEntries(argc, argv, at + 1, entries) ? kpack::Create(argv[at], entries, stream) : 2;
    }
    if (command == "add") {
        if (argc < 4) return wrong("LIB and at least one entry");
        std::vector<kpack::PackEntry> entries;
        return ParseEntries(argc, argv, 3, entries) ? kpack::Add(argv[2], entries) : 2;
    }
    if (command == "list") return argc == 3 ? kpack::List(argv[2]) : wrong("one LIB");
    if (command == "extract") {
        if (argc < 4) return wrong("LIB, FOLDER and optional ids");
        std::vector<unsigned> ids;
        return ParseIds(argc, argv, 4, ids) ? kpack::Extract(argv[2], argv[3], ids) : 2;
    }
    if (command == "remove") {
        if (argc < 4) return wrong("LIB and at least one id");
        std::vector<unsigned> ids;
        return ParseIds(argc, argv, 3, ids) ? kpack::Remove(argv[2], ids) : 2;
    }
    return cli.Misuse("unknown command '%s'", command.c_str());
}
