#include "ou_strings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "path_util.h"

namespace {

template <typename C>
unsigned long BoundedLength(const C* s, unsigned long limit)
{
    unsigned long n = 0;
    while (n < limit && s[n] != 0) ++n;
    return n;
}

template <typename C>
unsigned long SafeCpy(C* dst, unsigned long size, const C* src)
{
    if (!dst || size == 0) return 0;
    const unsigned long n = src ? BoundedLength(src, size - 1) : 0;
    if (n) std::memmove(dst, src, n * sizeof(C));
    dst[n] = 0;
    return n;
}

template <typename C>
unsigned long SafeCat(C* dst, unsigned long size, const C* src)
{
    if (!dst || size == 0) return 0;
    unsigned long used = BoundedLength(dst, size);
    if (used >= size) {
        used = size - 1;
        dst[used] = 0;
    }
    if (!src) return used;
    const unsigned long n = BoundedLength(src, size - 1 - used);
    if (n) std::memmove(dst + used, src, n * sizeof(C));
    dst[used + n] = 0;
    return used + n;
}

HRESULT BoundedCopy(char* dst, const char* src, int size)
{
    if (!dst || !src || size < 1) return E_INVALIDARG;
    SafeCpy(dst, static_cast<unsigned long>(size), src);
    return S_OK;
}

} // namespace

unsigned long OU_SafeStrCpy(char* dst, unsigned long size, const char* src) { return SafeCpy(dst, size, src); }

unsigned long OU_SafeStrCat(char* dst, unsigned long size, const char* src) { return SafeCat(dst, size, src); }

unsigned long OU_SafeStrCpyW(WCHAR* dst, unsigned long size, const WCHAR* src) { return SafeCpy(dst, size, src); }

unsigned long OU_SafeStrCatW(WCHAR* dst, unsigned long size, const WCHAR* src) { return SafeCat(dst, size, src); }

const char* OU_GetNameFromPathname(const char* path)
{
    if (!path) return nullptr;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

char* OU_GetNameFromPathname(char* path)
{
    return const_cast<char*>(OU_GetNameFromPathname(static_cast<const char*>(path)));
}

unsigned long OU_ToNativePath(char* dst, unsigned long size, const char* path)
{
    if (!dst || size == 0) return 0;
    const std::string native = ou::NativePath(path ? path : "");
    if (native.size() >= size) {
        dst[0] = 0;
        return 0;
    }
    std::memcpy(dst, native.c_str(), native.size() + 1);
    return static_cast<unsigned long>(native.size());
}

HRESULT DXUtil_FindMediaFileCb(char* path, int size, const char* name)
{
    if (!path || !name || size < 1) return E_INVALIDARG;
    const std::string candidates[2] = {ou::NativePath(name), ou::NativePath(OU_GetNameFromPathname(name))};
    for (const std::string& candidate : candidates) {
        if (candidate.empty()) continue;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(candidate, ec)) continue;
        std::string full = std::filesystem::absolute(candidate, ec).lexically_normal().string();
        if (ec) full = candidate;
        if (full.size() >= static_cast<size_t>(size)) {
            SafeCpy(path, static_cast<unsigned long>(size), name);
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        SafeCpy(path, static_cast<unsigned long>(size), full.c_str());
        return S_OK;
    }
    SafeCpy(path, static_cast<unsigned long>(size), name);
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT DXUtil_ConvertAnsiStringToGenericCb(char* dst, const char* src, int size)
{
    return BoundedCopy(dst, src, size);
}

HRESULT DXUtil_ConvertGenericStringToAnsiCb(char* dst, const char* src, int size)
{
    return BoundedCopy(dst, src, size);
}

int WriteString(const char* path, const char* format, ...)
{
    if (!path || !format) return -1;
    std::FILE* f = std::fopen(ou::NativePath(path).c_str(), "ab");
    if (!f) return -1;
    va_list args;
    va_start(args, format);
    const int n = std::vfprintf(f, format, args);
    va_end(args);
    const bool closed = std::fclose(f) == 0;
    return (n < 0 || !closed) ? -1 : n;
}
