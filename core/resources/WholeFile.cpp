#include "core/resources/WholeFile.h"

#include <climits>
#include <new>

#include "kestu_safefile.h"

namespace {

struct FileCloser {
    int fd;
    ~FileCloser()
    {
        if (fd >= 0) _close(fd);
    }
};

} // namespace

BYTE* LoadWholeFile(const char* path, DWORD* size)
{
    if (!path) return nullptr;
    FileCloser file{_open(path, _O_RDONLY | _O_BINARY)};
    if (file.fd < 0) return nullptr;
    const long length = _filelength(file.fd);
    if (length <= 0) return nullptr;
    BYTE* buffer = new (std::nothrow) BYTE[length];
    if (!buffer) return nullptr;
    // Read until the whole length is in: a short read fails rather than
    // handing back an uninitialised tail.
    long got = 0;
    while (got < length) {
        const int n = _read(file.fd, buffer + got, static_cast<unsigned>(length - got));
        if (n <= 0) break;
        got += n;
    }
    if (got != length) {
        delete[] buffer;
        return nullptr;
    }
    if (size) *size = static_cast<DWORD>(length);
    return buffer;
}

int SaveWholeFile(const char* path, const void* data, DWORD size)
{
    if (!path || !data || size == 0 || size > static_cast<DWORD>(INT_MAX)) return -1;
    return kestu::SafeReplaceFile(path, data, size) ? static_cast<int>(size) : -1;
}
