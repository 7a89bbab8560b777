// INI file reading with the rules of the Windows profile functions:
// sections and keys compare without regard to case, blanks around keys and
// values are dropped, a value in matching quotes loses them, lines starting
// with ';' are comments; the first of duplicate sections or keys wins.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::optional<std::string> LoadIniBytes(LPCSTR fileName)
{
    if (fileName == nullptr) return std::nullopt;
    std::string path = HostPath(fileName);
    FILE* f = ::kestu_fopen(path.c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::string bytes;
    // One allocation for an ordinary file; a file that grows meanwhile still reads whole.
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long length = std::ftell(f);
        if (length > 0) bytes.reserve(static_cast<size_t>(length));
        std::rewind(f);
    }
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

// Walks the file's lines: `onSection(name)` for each section header and
// `onEntry(key, value)` for each line inside a section, all views into
// `text`. Either returns false to stop the walk.
template <class OnSection, class OnEntry>
void WalkIni(std::string_view text, OnSection onSection, OnEntry onEntry)
{
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
        text.remove_prefix(3);
    bool inSection = false; // lines before the first section belong to none
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            line.remove_prefix(1);
            size_t close = line.find(']');
            if (close != std::string_view::npos) line = line.substr(0, close);
            inSection = true;
            if (!onSection(Trim(line))) return;
            continue;
        }
        if (!inSection) continue;
        std::string_view key = line, value;
        size_t eq = line.find('=');
        if (eq != std::string_view::npos) {
            key = Trim(line.substr(0, eq));
            value = Trim(line.substr(eq + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
        }
        if (!onEntry(key, value)) return;
    }
}

// One string: cut to size - 1 characters; returns the characters copied.
DWORD CopyString(std::string_view s, LPSTR out, DWORD size)
{
    if (out == nullptr || size == 0) return 0;
    size_t n = std::min<size_t>(s.size(), size - 1);
    if (n != 0) std::memcpy(out, s.data(), n); // an empty view may have no data
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

// A list of zero-terminated strings closed by a second zero. When it does not
// fit, the last string is cut and followed by two zeros, and the result is
// size - 2.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR out, DWORD size)
{
    if (out == nullptr || size == 0) return 0;
    size_t need = 1;
    for (std::string_view n : names) need += n.size() + 1;
    if (need <= size) {
        size_t at = 0;
        for (std::string_view n : names) {
            if (!n.empty()) std::memcpy(out + at, n.data(), n.size());
            at += n.size();
            out[at++] = '\0';
        }
        out[at] = '\0';
        if (at + 1 < size) out[at + 1] = '\0';
        return static_cast<DWORD>(names.empty() ? 0 : at);
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    size_t limit = size - 2, at = 0;
    for (std::string_view n : names) {
        if (at >= limit) break;
        size_t take = std::min(n.size(), limit - at);
        if (take != 0) std::memcpy(out + at, n.data(), take);
        at += take;
        if (at < limit) out[at++] = '\0';
    }
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

uint64_t NoCaseHash(std::string_view s)
{
    uint64_t h = 14695981039346656037ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return h ^ (h >> 32);
}

// Keeps the first of names that differ only in case, in order: one
// open-addressed table of indexes, so the work is linear in the names.
void KeepUniqueNames(std::vector<std::string_view>& names)
{
    size_t capacity = 16;
    while (capacity < names.size() * 2) capacity *= 2;
    std::vector<uint32_t> table(capacity, UINT32_MAX);
    size_t kept = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string_view n = names[i];
        size_t at = NoCaseHash(n) & (capacity - 1);
        bool seen = false;
        for (; table[at] != UINT32_MAX; at = (at + 1) & (capacity - 1))
            if (EqualsNoCase(names[table[at]], n)) {
                seen = true;
                break;
            }
        if (seen) continue;
        table[at] = static_cast<uint32_t>(kept);
        names[kept++] = n;
    }
    names.resize(kept);
}

} // namespace

extern "C" {

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned, DWORD size,
                               LPCSTR fileName)
{
    std::string_view def = defaultValue ? defaultValue : "";
    while (!def.empty() && (def.back() == ' ' || def.back() == '\t')) def.remove_suffix(1);

    std::optional<std::string> bytes = LoadIniBytes(fileName);
    if (!bytes) SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string_view text = bytes ? std::string_view(*bytes) : std::string_view();

    // Names listed, or the value of the key, from the first section of that name only.
    std::vector<std::string_view> names;
    std::optional<std::string_view> value;
    int state = 0; // 0 before the section, 1 inside it, 2 past it
    WalkIni(
        text,
        [&](std::string_view name) {
            if (section == nullptr)
                names.push_back(name);
            else if (state == 1)
                state = 2;
            else if (state == 0 && EqualsNoCase(name, section))
                state = 1;
            return state != 2;
        },
        [&](std::string_view k, std::string_view v) {
            if (state != 1) return true;
            if (key == nullptr)
                names.push_back(k);
            else if (EqualsNoCase(k, key))
                value = v;
            return !value;
        });
    if (section == nullptr || key == nullptr) {
        KeepUniqueNames(names);
        return CopyList(names, returned, size);
    }
    return CopyString(value ? *value : def, returned, size);
}

DWORD GetPrivateProfileSectionNamesA(LPSTR returned, DWORD size, LPCSTR fileName)
{
    return GetPrivateProfileStringA(nullptr, nullptr, nullptr, returned, size, fileName);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
{
    if (section == nullptr || key == nullptr) return static_cast<UINT>(defaultValue);
    char marker[2] = {'\x01', '\0'};
    char value[64];
    GetPrivateProfileStringA(section, key, marker, value, sizeof(value), fileName);
    if (std::strcmp(value, marker) == 0) return static_cast<UINT>(defaultValue);
    // Leading decimal digits; a value below zero gives zero.
    if (value[0] == '-') return 0;
    uint64_t v = 0;
    for (const char* p = value; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
    }
    return static_cast<UINT>(v);
}

} // extern "C"
