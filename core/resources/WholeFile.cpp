#include "core/resources/WholeFile.h"

#include <cstdio>
#include <new>
#include <string>

namespace {

struct FileCloser {
    int fd;
    ~FileCloser()
    {
        if (fd >= 0)
            _close(fd);
    }
};

// rename() wants the host's separators.
std::string HostPath(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace

BYTE* LoadWholeFile(const char* path, DWORD* size)
{
    if (!path)
        return nullptr;
    FileCloser file{_open(path, _O_RDONLY | _O_BINARY)};
    if (file.fd < 0)
        return nullptr;
    const long length = _filelength(file.fd);
    if (length <= 0)
        return nullptr;
    BYTE* buffer = new (std::nothrow) BYTE[length];
    if (!buffer)
        return nullptr;
    // Read until the whole length is in: a short read fails rather than
    // handing back an uninitialised tail.
    long got = 0;
    while (got < length) {
        const int n = _read(file.fd, buffer + got, static_cast<unsigned>(length - got));
        if (n <= 0)
            break;
        got += n;
    }
    if (got != length) {
        delete[] buffer;
        return nullptr;
    }
    if (size)
        *size = static_cast<DWORD>(length);
    return buffer;
}

int SaveWholeFile(const char* path, const void* data, DWORD size)
{
    if (!path || !data || size == 0)
        return -1;
    const std::string temp = std::string(path) + ".kestu-tmp";
    int fd = _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return -1;
    const int written = _write(fd, data, size);
    _close(fd);
    if (written != static_cast<int>(size) || std::rename(HostPath(temp).c_str(), HostPath(path).c_str()) != 0) {
        _unlink(temp.c_str());
        return -1;
    }
    return written;
}
