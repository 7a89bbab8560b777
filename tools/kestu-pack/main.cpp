// kestu-pack: creates, lists and extracts item libraries.
#include <cstdio>
#include <string>
#include <vector>

#include "common/file_args.h"
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

// The library and entry files as inputs and outputs of the command.
int CheckFiles(const std::string& lib, bool readsLib, bool writesLib, const std::vector<kpack::PackEntry>& entries)
{
    ktool::FileArgs files;
    if (readsLib && writesLib)
        files.InOut(lib, "LIB");
    else if (writesLib)
        files.Output(lib, "LIB");
    else
        files.Input(lib, "LIB");
    for (const kpack::PackEntry& e : entries) files.Input(e.path, "ENTRY");
    return files.Check(cli);
}

} // namespace

int main(int argc, char** argv)
{
    if (ktool::Cli::AsksHelp(argc, argv)) return cli.Help();
    if (argc < 2) return cli.Misuse("no command given");
    const std::string command = argv[1];
    auto wrong = [&](const char* wants) { return cli.Misuse("'%s' takes %s", command.c_str(), wants); };
    std::vector<kpack::PackEntry> entries;
    if (command == "create") {
        int at = 2;
        const bool stream = at < argc && std::string(argv[at]) == "--stream";
        if (stream) ++at;
        if (at >= argc) return wrong("LIB and its entries");
        if (!ParseEntries(argc, argv, at + 1, entries)) return 2;
        const int status = CheckFiles(argv[at], false, true, entries);
        return status ? status : kpack::Create(argv[at], entries, stream);
    }
    if (command == "add") {
        if (argc < 4) return wrong("LIB and at least one entry");
        if (!ParseEntries(argc, argv, 3, entries)) return 2;
        const int status = CheckFiles(argv[2], true, true, entries);
        return status ? status : kpack::Add(argv[2], entries);
    }
    if (command == "list") {
        if (argc != 3) return wrong("one LIB");
        const int status = CheckFiles(argv[2], true, false, entries);
        return status ? status : kpack::List(argv[2]);
    }
    std::vector<unsigned> ids;
    if (command == "extract") {
        if (argc < 4) return wrong("LIB, FOLDER and optional ids");
        if (!ParseIds(argc, argv, 4, ids)) return 2;
        const int status = CheckFiles(argv[2], true, false, entries);
        return status ? status : kpack::Extract(cli, argv[2], argv[3], ids);
    }
    if (command == "remove") {
        if (argc < 4) return wrong("LIB and at least one id");
        if (!ParseIds(argc, argv, 3, ids)) return 2;
        const int status = CheckFiles(argv[2], true, true, entries);
        return status ? status : kpack::Remove(argv[2], ids);
    }
    return cli.Misuse("unknown command '%s'", command.c_str());
}
