// Low-level file I/O and folders with the Windows C runtime's flags; paths
// take '\' as well as '/'.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "kestu_crt.h"

#undef fopen

namespace {

std::string Path(const char* path)
{
    std::string out = path ? path : "";
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

int PosixFlags(int flags)
{
    int out = 0;
    switch (flags & (_O_WRONLY | _O_RDWR)) {
    case _O_WRONLY: out = O_WRONLY; break;
    case _O_RDWR: out = O_RDWR; break;
    default: out = O_RDONLY; break;
    }
    if (flags & _O_APPEND) out |= O_APPEND;
    if (flags & _O_CREAT) out |= O_CREAT;
    if (flags & _O_TRUNC) out |= O_TRUNC;
    if (flags & _O_EXCL) out |= O_EXCL;
    return out | O_CLOEXEC;
}

} // namespace

extern "C" {

FILE* kestu_fopen(const char* path, const char* mode)
{
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    return std::fopen(Path(path).c_str(), mode);
}

int _open(const char* path, int flags, ...)
{
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    mode_t mode = 0;
    if (flags & _O_CREAT) {
        va_list args;
        va_start(args, flags);
        int pmode = va_arg(args, int);
        va_end(args);
        // Windows knows only read and write permission; read is always granted.
        mode = S_IRUSR | S_IRGRP | S_IROTH;
        if (pmode & _S_IWRITE) mode |= S_IWUSR | S_IWGRP;
    }
    return ::open(Path(path).c_str(), PosixFlags(flags), mode);
}

int _close(int fd) { return ::close(fd); }

int _read(int fd, void* buffer, unsigned int count)
{
    if (buffer == nullptr && count > 0) {
        errno = EINVAL;
        return -1;
    }
    if (count > 0x7FFFFFFFu) count = 0x7FFFFFFFu;
    return static_cast<int>(::read(fd, buffer, count));
}

int _write(int fd, const void* buffer, unsigned int count)
{
    if (buffer == nullptr && count > 0) {
        errno = EINVAL;
        return -1;
    }
    if (count > 0x7FFFFFFFu) count = 0x7FFFFFFFu;
    return static_cast<int>(::write(fd, buffer, count));
}

long _lseek(int fd, long offset, int origin) { return static_cast<long>(::lseek(fd, offset, origin)); }

long _tell(int fd) { return static_cast<long>(::lseek(fd, 0, SEEK_CUR)); }

long _filelength(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}

int _eof(int fd)
{
    off_t here = ::lseek(fd, 0, SEEK_CUR);
    struct stat st;
    if (here < 0 || ::fstat(fd, &st) != 0) return -1;
    return here >= st.st_size ? 1 : 0;
}

int _access(const char* path, int mode)
{
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    int m = F_OK;
    if (mode & 2) m |= W_OK;
    if (mode & 4) m |= R_OK;
    return ::access(Path(path).c_str(), m);
}

int _mkdir(const char* path)
{
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    return ::mkdir(Path(path).c_str(), 0777);
}

int _rmdir(const char* path) { return path ? ::rmdir(Path(path).c_str()) : -1; }
int _unlink(const char* path) { return path ? ::unlink(Path(path).c_str()) : -1; }
int _chdir(const char* path) { return path ? ::chdir(Path(path).c_str()) : -1; }

char* _getcwd(char* buffer, int size)
{
    if (buffer == nullptr) {
        std::string cwd(4096, '\0');
        if (::getcwd(cwd.data(), cwd.size()) == nullptr) return nullptr;
        return ::strdup(cwd.c_str());
    }
    if (size <= 0) {
        errno = EINVAL;
        return nullptr;
    }
    return ::getcwd(buffer, static_cast<size_t>(size));
}

} // extern "C"
