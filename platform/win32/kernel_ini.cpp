// INI file reading with the rules of the Windows profile functions:
// sections and keys compare without regard to case, blanks around keys and
// values are dropped, a value in matching quotes loses them, lines starting
// with ';' are comments; the first of duplicate sections or keys wins.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace {

struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

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
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

std::vector<IniSection> Parse(std::string_view text)
{
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
        text.remove_prefix(3);
    std::vector<IniSection> sections;
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
            sections.push_back(IniSection{std::string(Trim(line)), {}});
            continue;
        }
        if (sections.empty()) continue;   // lines before the first section belong to none
        IniEntry e;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            e.key = std::string(line);
        } else {
            e.key = std::string(Trim(line.substr(0, eq)));
            std::string_view v = Trim(line.substr(eq + 1));
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            e.value = std::string(v);
        }
        sections.back().entries.push_back(std::move(e));
    }
    return sections;
}

const IniSection* FindSection(const std::vector<IniSection>& sections, std::string_view name)
{
    for (const IniSection& s : sections)
        if (EqualsNoCase(s.name, name)) return &s;
    return nullptr;
}

// One string: cut to size - 1 characters; returns the characters copied.
DWORD CopyString(std::string_view s, LPSTR out, DWORD size)
{
    if (out == nullptr || size == 0) return 0;
    size_t n = std::min<size_t>(s.size(), size - 1);
    std::memcpy(out, s.data(), n);
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

// A list of zero-terminated strings closed by a second zero. When it does not
// fit, the last string is cut and followed by two zeros, and the result is
// size - 2.
DWORD CopyList(const std::vector<std::string>& names, LPSTR out, DWORD size)
{
    if (out == nullptr || size == 0) return 0;
    size_t need = 1;
    for (const std::string& n : names) need += n.size() + 1;
    if (need <= size) {
        size_t at = 0;
        for (const std::string& n : names) {
            std::memcpy(out + at, n.data(), n.size());
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
    for (const std::string& n : names) {
        if (at >= limit) break;
        size_t take = std::min(n.size(), limit - at);
        std::memcpy(out + at, n.data(), take);
        at += take;
        if (at < limit) out[at++] = '\0';
    }
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

std::vector<std::string> UniqueNames(const std::vector<std::string>& all)
{
    std::vector<std::string> out;
    for (const std::string& n : all) {
        bool seen = false;
        for (const std::string& o : out)
            if (EqualsNoCase(o, n)) {
                seen = true;
                break;
            }
        if (!seen) out.push_back(n);
    }
    return out;
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
    std::vector<IniSection> sections = bytes ? Parse(*bytes) : std::vector<IniSection>{};

    if (section == nullptr) {
        std::vector<std::string> names;
        for (const IniSection& s : sections) names.push_back(s.name);
        return CopyList(UniqueNames(names), returned, size);
    }
    const IniSection* s = FindSection(sections, section);
    if (key == nullptr) {
        std::vector<std::string> names;
        if (s != nullptr)
            for (const IniEntry& e : s->entries) names.push_back(e.key);
        return CopyList(UniqueNames(names), returned, size);
    }
    if (s != nullptr)
        for (const IniEntry& e : s->entries)
            if (EqualsNoCase(e.key, key)) return CopyString(e.value, returned, size);
    return CopyString(def, returned, size);
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
