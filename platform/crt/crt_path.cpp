// Path splitting and joining with the Windows C runtime's rules; '\' and
// '/' both separate folders.
#include <cstring>
#include <string>

#include "kestu_crt.h"

namespace {

void Put(char* out, size_t capacity, const char* begin, const char* end)
{
    if (out == nullptr) return;
    size_t n = static_cast<size_t>(end - begin);
    if (n > capacity - 1) n = capacity - 1;
    std::memcpy(out, begin, n);
    out[n] = '\0';
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

} // namespace

extern "C" {

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    if (path == nullptr) path = "";
    const char* p = path;
    const char* end = path + std::strlen(path);
    if (end - p >= 2 && p[1] == ':') {
        Put(drive, _MAX_DRIVE, p, p + 2);
        p += 2;
    } else {
        Put(drive, _MAX_DRIVE, p, p);
    }
    const char* lastSep = nullptr;
    for (const char* q = p; q < end; ++q)
        if (IsSeparator(*q)) lastSep = q;
    const char* name = lastSep ? lastSep + 1 : p;
    Put(dir, _MAX_DIR, p, name);
    const char* dot = nullptr;
    for (const char* q = name; q < end; ++q)
        if (*q == '.') dot = q;
    if (dot == nullptr) dot = end;
    Put(fname, _MAX_FNAME, name, dot);
    Put(ext, _MAX_EXT, dot, end);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext)
{
    if (path == nullptr) return;
    std::string out;
    if (drive && *drive) {
        out += drive[0];
        out += ':';
    }
    if (dir && *dir) {
        out += dir;
        if (!IsSeparator(out.back())) out += '\\';
    }
    if (fname) out += fname;
    if (ext && *ext) {
        if (*ext != '.') out += '.';
        out += ext;
    }
    // Bounded by the conventional buffer size instead of running past it.
    Put(path, _MAX_PATH, out.data(), out.data() + out.size());
}

} // extern "C"
