#include "pack_commands.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "common/file_args.h"
#include "companion.h"

namespace kpack {

namespace {

bool ParseId(const std::string& text, unsigned& id)
{
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (v >= 0xFFFFFFFFull) return false;
    id = static_cast<unsigned>(v);
    return true;
}

void Report(const char* what, const std::string& subject, HRESULT hr)
{
    std::fprintf(stderr, "kestu-pack: %s '%s' failed (0x%08" PRIX32 ")\n", what, subject.c_str(),
                 static_cast<uint32_t>(hr));
}

int AddEntries(CIndexLib& lib, const std::vector<PackEntry>& entries)
{
    for (const PackEntry& e : entries) {
        const HRESULT hr =
            lib.Import(e.path.c_str(), e.hasId ? e.id : IDXLIB_NONE, e.name.empty() ? nullptr : e.name.c_str());
        if (FAILED(hr)) {
            Report("adding", e.path, hr);
            return 1;
        }
    }
    return 0;
}

int SaveLib(CIndexLib& lib, const std::string& path, int stream)
{
    const HRESULT hr = stream < 0 ? lib.Save(path.c_str())
                       : stream   ? lib.SaveAsStreamLib(path.c_str())
                                  : lib.SaveAsUnstreamLib(path.c_str());
    if (FAILED(hr)) {
        Report("writing", path, hr);
        return 1;
    }
    return 0;
}

int Open(CIndexLib& lib, const std::string& path, bool createIfMissing)
{
    const HRESULT hr = lib.Load(path.c_str(), 0, 1, createIfMissing ? 1 : 0, 1);
    if (FAILED(hr)) {
        Report("reading", path, hr);
        return 1;
    }
    return 0;
}

// The path an item extracts to, below the output folder: its name's folders
// ('\\' or '/') kept, empty and "." parts dropped. False when a part is ".."
// or nothing is left.
bool ExtractPath(const char* name, std::string& out)
{
    out.clear();
    std::string part;
    const std::string text = name;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\\' && text[i] != '/') {
            part += text[i];
            continue;
        }
        if (part == "..") return false;
        if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
        part.clear();
    }
    return !out.empty();
}

// Reports two items that would land on one file, or a file where another
// item needs a folder. True when there is such a clash.
bool ReportClash(const std::vector<const SIdxLibItem*>& items, const std::vector<std::string>& paths)
{
    std::map<std::string, size_t> files;
    for (size_t i = 0; i < paths.size(); ++i) {
        const auto [it, added] = files.emplace(paths[i], i);
        if (!added) {
            std::fprintf(stderr,
                         "kestu-pack: items %" PRIu32 " and %" PRIu32 " both extract to '%s'; nothing written\n",
                         items[it->second]->dwID, items[i]->dwID, paths[i].c_str());
            return true;
        }
    }
    for (size_t i = 0; i < paths.size(); ++i)
        for (size_t slash = paths[i].find('/'); slash != std::string::npos; slash = paths[i].find('/', slash + 1)) {
            const auto it = files.find(paths[i].substr(0, slash));
            if (it != files.end()) {
                std::fprintf(stderr,
                             "kestu-pack: item %" PRIu32 " extracts to '%s', a folder item %" PRIu32
                             " needs; nothing written\n",
                             items[it->second]->dwID, it->first.c_str(), items[i]->dwID);
                return true;
            }
        }
    return false;
}

bool Inside(const std::filesystem::path& path, const std::filesystem::path& root)
{
    const auto mismatch = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return mismatch.first == root.end();
}

} // namespace

bool ParsePackEntry(const std::string& text, PackEntry& out)
{
    out = PackEntry();
    const size_t eq = text.find('=');
    if (eq != std::string::npos) {
        const std::string head = text.substr(0, eq);
        const size_t colon = head.find(':');
        const std::string idText = head.substr(0, colon);
        if (ParseId(idText, out.id)) {
            out.hasId = true;
            if (colon != std::string::npos) {
                out.name = head.substr(colon + 1);
                if (out.name.empty() || out.name.size() >= IDXLIB_NAME_SIZE) return false;
            }
            out.path = text.substr(eq + 1);
            return !out.path.empty();
        }
    }
    out.path = text;
    return !out.path.empty();
}

int Create(const std::string& lib, const std::vector<PackEntry>& entries, bool stream)
{
    // A library that was never loaded starts empty; an old file at the path
    // is replaced only once the new one is complete.
    CIndexLib library;
    if (AddEntries(library, entries)) return 1;
    return SaveLib(library, lib, stream ? 1 : 0);
}

int Add(const std::string& lib, const std::vector<PackEntry>& entries)
{
    CIndexLib library;
    if (Open(library, lib, true) || AddEntries(library, entries)) return 1;
    return SaveLib(library, lib, -1);
}

int List(const std::string& lib)
{
    CIndexLib library;
    if (Open(library, lib, false)) return 1;
    for (DWORD i = 0; i < library.GetNumItems(); ++i) {
        const SIdxLibItem* item = library.GetItem(i);
        if (item) std::printf("%" PRIu32 "\t%" PRIu32 "\t%s\n", item->dwID, item->dwDataSize, item->szName);
    }
    return 0;
}

int Extract(const ktool::Cli& cli, const std::string& lib, const std::string& folder, const std::vector<unsigned>& ids)
{
    CIndexLib library;
    if (Open(library, lib, false)) return 1;
    // Every item's path is settled before anything is written.
    std::vector<const SIdxLibItem*> items;
    if (ids.empty()) {
        for (DWORD i = 0; i < library.GetNumItems(); ++i)
            if (library.GetItem(i)) items.push_back(library.GetItem(i));
    } else {
        for (unsigned id : ids) {
            const SIdxLibItem* item = library.GetItemByID(id);
            if (!item) {
                std::fprintf(stderr, "kestu-pack: no item with id %u\n", id);
                return 1;
            }
            if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(item);
        }
    }
    std::vector<std::string> paths(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        if (!ExtractPath(items[i]->szName, paths[i])) {
            std::fprintf(stderr, "kestu-pack: item %" PRIu32 " ('%s') has no usable path inside the folder\n",
                         items[i]->dwID, items[i]->szName);
            return 1;
        }
    if (ReportClash(items, paths)) return 1;
    // Names apart may still meet on the disk: through a link inside the
    // folder, or on the library itself.
    ktool::FileArgs files;
    files.Input(lib, "LIB");
    for (size_t i = 0; i < items.size(); ++i)
        files.Output((std::filesystem::path(folder) / paths[i]).string(),
                     "the file of item " + std::to_string(items[i]->dwID));
    if (const int status = files.Check(cli)) return status;

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path root = std::filesystem::canonical(folder, ec);
    if (ec) {
        std::fprintf(stderr, "kestu-pack: cannot use the folder '%s'\n", folder.c_str());
        return 1;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const std::filesystem::path target = root / paths[i];
        std::filesystem::create_directories(target.parent_path(), ec);
        // A link already in the folder must not carry the item outside it.
        const std::filesystem::path parent = std::filesystem::canonical(target.parent_path(), ec);
        if (ec || !Inside(parent, root)) {
            std::fprintf(stderr, "kestu-pack: cannot write '%s' inside '%s'\n", paths[i].c_str(), folder.c_str());
            return 1;
        }
        const HRESULT hr = library.Export(items[i]->dwID, (parent / target.filename()).string().c_str());
        if (FAILED(hr)) {
            Report("extracting", paths[i], hr);
            return 1;
        }
    }
    return 0;
}

int Remove(const std::string& lib, const std::vector<unsigned>& ids)
{
    CIndexLib library;
    if (Open(library, lib, false)) return 1;
    for (unsigned id : ids) {
        if (FAILED(library.Remove(id))) {
            std::fprintf(stderr, "kestu-pack: no item with id %u\n", id);
            return 1;
        }
    }
    return SaveLib(library, lib, -1);
}

} // namespace kpack
