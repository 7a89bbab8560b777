// Path helpers shared by the companion sources.
#pragma once
#include <string>

namespace ou {

// '\' separates folders as well as '/'; the file system wants '/'.
inline std::string NativePath(const char* path)
{
    std::string out(path ? path : "");
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

} // namespace ou

#include <cstdint>
#include <cstdio>
#include <vector>

namespace ou {

// Reads a whole file. 0 on success, -1 when it cannot be opened, -2 when it
// cannot be read or held.
inline int ReadFileBytes(const char* path, std::vector<uint8_t>& out)
{
    out.clear();
    std::FILE* f = std::fopen(NativePath(path).c_str(), "rb");
    if (!f) return -1;
    int result = 0;
    try {
        uint8_t chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) {
            if (out.size() + n > 0xFFFFFFFFu) {
                result = -2;
                break;
            }
            out.insert(out.end(), chunk, chunk + n);
        }
        if (std::ferror(f)) result = -2;
    } catch (...) {
        result = -2;
    }
    std::fclose(f);
    if (result) out.clear();
    return result;
}

} // namespace ou
