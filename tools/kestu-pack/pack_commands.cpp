#include "pack_commands.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "companion.h"

namespace kpack {

namespace {

bool ParseId(const std::string& text, unsigned& id)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (v >= 0xFFFFFFFFull)
        return false;
    id = static_cast<unsigned>(v);
    return true;
}

void Report(const char* what, const std::string& subject, HRESULT hr)
{
    std::fprintf(stderr, "kestu-pack: %s '%s' failed (0x%08" PRIX32 ")\n", what, subject.c_str(),
                 static_cast<uint32_t>(hr));
}

int AddEntries(CIndexLib& lib, const std::vector<EntrySpec>& entries)
{
    for (const EntrySpec& e : entries) {
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
                       : stream  ? lib.SaveAsStreamLib(path.c_str())
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

} // namespace

bool ParseEntrySpec(const std::string& text, EntrySpec& out)
{
    out = EntrySpec();
    const size_t eq = text.find('=');
    if (eq != std::string::npos) {
        const std::string head = text.substr(0, eq);
        const size_t colon = head.find(':');
        const std::string idText = head.substr(0, colon);
        if (ParseId(idText, out.id)) {
            out.hasId = true;
            if (colon != std::string::npos) {
                out.name = head.substr(colon + 1);
                if (out.name.empty() || out.name.size() >= IDXLIB_NAME_SIZE)
                    return false;
            }
            out.path = text.substr(eq + 1);
            return !out.path.empty();
        }
    }
    out.path = text;
    return !out.path.empty();
}

int Create(const std::string& lib, const std::vector<EntrySpec>& entries, bool stream)
{
    // A library that was never loaded starts empty; an old file at the path
    // is replaced only once the new one is complete.
    CIndexLib library;
    if (AddEntries(library, entries))
        return 1;
    return SaveLib(library, lib, stream ? 1 : 0);
}

int Add(const std::string& lib, const std::vector<EntrySpec>& entries)
{
    CIndexLib library;
    if (Open(library, lib, true) || AddEntries(library, entries))
        return 1;
    return SaveLib(library, lib, -1);
}

int List(const std::string& lib)
{
    CIndexLib library;
    if (Open(library, lib, false))
        return 1;
    for (DWORD i = 0; i < library.GetNumItems(); ++i) {
        const SIdxLibItem* item = library.GetItem(i);
        if (item)
            std::printf("%" PRIu32 "\t%" PRIu32 "\t%s\n", item->dwID, item->dwDataSize, item->szName);
    }
    return 0;
}

int Extract(const std::string& lib, const std::string& folder, const std::vector<unsigned>& ids)
{
    CIndexLib library;
    if (Open(library, lib, false))
        return 1;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ids.empty()) {
        const HRESULT hr = library.ExportAll(folder.c_str());
        if (FAILED(hr)) {
            Report("extracting into", folder, hr);
            return 1;
        }
        return 0;
    }
    for (unsigned id : ids) {
        const SIdxLibItem* item = library.GetItemByID(id);
        if (!item) {
            std::fprintf(stderr, "kestu-pack: no item with id %u\n", id);
            return 1;
        }
        const std::string name = OU_GetNameFromPathname(item->szName);
        if (name.empty() || name == "." || name == "..") {
            std::fprintf(stderr, "kestu-pack: item %u has no usable file name\n", id);
            return 1;
        }
        const HRESULT hr = library.Export(id, (folder + "/" + name).c_str());
        if (FAILED(hr)) {
            Report("extracting", name, hr);
            return 1;
        }
    }
    return 0;
}

int Remove(const std::string& lib, const std::vector<unsigned>& ids)
{
    CIndexLib library;
    if (Open(library, lib, false))
        return 1;
    for (unsigned id : ids) {
        if (FAILED(library.Remove(id))) {
            std::fprintf(stderr, "kestu-pack: no item with id %u\n", id);
            return 1;
        }
    }
    return SaveLib(library, lib, -1);
}

} // namespace kpack
