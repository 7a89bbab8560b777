// Files and folders of kernel32 over the host file system ('\' maps to '/').
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "win32/win32_common.h"

using namespace kestu::platform::win32;

namespace kestu::platform::win32 {
// The file name of a module registered by the host; empty when unknown.
std::string ModuleFileName(HMODULE module, bool* found);
} // namespace kestu::platform::win32

namespace {

struct FileObject {
    int fd = -1;
};

struct FileTable {
    std::mutex mutex;
    std::map<HANDLE, std::unique_ptr<FileObject>> files;
    uintptr_t next = 0x100;
};

FileTable& Files()
{
    static FileTable table;
    return table;
}

int FdOf(HANDLE h)
{
    FileTable& t = Files();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.files.find(h);
    return it == t.files.end() ? -1 : it->second->fd;
}

bool ParentExists(const std::string& path)
{
    std::filesystem::path p(path);
    std::error_code ec;
    return !p.has_parent_path() || std::filesystem::is_directory(p.parent_path(), ec);
}

DWORD ErrorFromErrno(int e, const std::string& path)
{
    switch (e) {
    case ENOENT: return ParentExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOSPC: return 112; // ERROR_DISK_FULL
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_INVALID_PARAMETER;
    }
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

} // namespace

extern "C" {

BOOL DeleteFileA(LPCSTR fileName)
{
    if (fileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string path = HostPath(fileName);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (::unlink(path.c_str()) != 0) return Fail(ErrorFromErrno(errno, path));
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES)
{
    if (pathName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string path = HostPath(pathName);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (::mkdir(path.c_str(), 0777) != 0) return Fail(ErrorFromErrno(errno, path));
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName)
{
    if (pathName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string path = HostPath(pathName);
    if (::rmdir(path.c_str()) != 0) return Fail(ErrorFromErrno(errno, path));
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path = HostPath(fileName);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        SetLastError(ErrorFromErrno(errno, path));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (::access(path.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

BOOL CopyFileA(LPCSTR existingName, LPCSTR newName, BOOL failIfExists)
{
    if (existingName == nullptr || newName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::error_code ec;
    auto options =
        failIfExists ? std::filesystem::copy_options::none : std::filesystem::copy_options::overwrite_existing;
    std::string from = HostPath(existingName), to = HostPath(newName);
    if (!std::filesystem::exists(from, ec)) return Fail(ErrorFromErrno(ENOENT, from));
    if (failIfExists && std::filesystem::exists(to, ec)) return Fail(ERROR_FILE_EXISTS);
    if (!std::filesystem::copy_file(from, to, options, ec)) return Fail(ErrorFromErrno(ec.value(), to));
    return TRUE;
}

BOOL MoveFileA(LPCSTR existingName, LPCSTR newName)
{
    if (existingName == nullptr || newName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string from = HostPath(existingName), to = HostPath(newName);
    struct stat st;
    if (::stat(to.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS);
    if (::rename(from.c_str(), to.c_str()) != 0) return Fail(ErrorFromErrno(errno, from));
    return TRUE;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE)
{
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = HostPath(fileName);
    bool read = access & (GENERIC_READ | GENERIC_ALL);
    bool write = access & (GENERIC_WRITE | GENERIC_ALL);
    int flags = (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    struct stat st;
    bool existed = ::stat(path.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    switch (creation) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
        if (!write) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno, path));
        return INVALID_HANDLE_VALUE;
    }
    FileTable& t = Files();
    std::lock_guard<std::mutex> lock(t.mutex);
    HANDLE h = reinterpret_cast<HANDLE>(t.next);
    t.next += 4;
    auto file = std::make_unique<FileObject>();
    file->fd = fd;
    t.files[h] = std::move(file);
    SetLastError(existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                   : ERROR_SUCCESS);
    return h;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED)
{
    int fd = FdOf(file);
    if (read) *read = 0;
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && toRead > 0) return Fail(ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    while (done < toRead) {
        ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, toRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_READ_FAULT);
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED)
{
    int fd = FdOf(file);
    if (written) *written = 0;
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    if (buffer == nullptr && toWrite > 0) return Fail(ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, toWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (written) *written = done;
            return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : errno == ENOSPC ? 112 : ERROR_WRITE_FAULT);
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh)
{
    int fd = FdOf(file);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method)
{
    int fd = FdOf(file);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t offset = distanceHigh
                         ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                                static_cast<uint32_t>(distance))
                         : static_cast<int64_t>(distance);
    int whence = method == FILE_BEGIN     ? SEEK_SET
                 : method == FILE_CURRENT ? SEEK_CUR
                 : method == FILE_END     ? SEEK_END
                                          : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t base = whence == SEEK_SET ? 0 : ::lseek(fd, 0, whence);
    if (base < 0 || base + offset < 0) {
        SetLastError(131); // ERROR_NEGATIVE_SEEK
        return INVALID_SET_FILE_POINTER;
    }
    off_t at = ::lseek(fd, base + offset, SEEK_SET);
    if (at < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(at) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<uint64_t>(at));
}

BOOL SetEndOfFile(HANDLE file)
{
    int fd = FdOf(file);
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0 || ::ftruncate(fd, at) != 0) return Fail(ERROR_ACCESS_DENIED);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
    int fd = FdOf(file);
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    return ::fsync(fd) == 0 ? TRUE : Fail(ERROR_WRITE_FAULT);
}

BOOL CloseHandle(HANDLE object)
{
    FileTable& t = Files();
    std::unique_ptr<FileObject> file;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        auto it = t.files.find(object);
        if (it == t.files.end()) return Fail(ERROR_INVALID_HANDLE);
        file = std::move(it->second);
        t.files.erase(it);
    }
    return ::close(file->fd) == 0 ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    if (ec) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size < cwd.size() + 1) return static_cast<DWORD>(cwd.size() + 1);
    std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
    return static_cast<DWORD>(cwd.size());
}

BOOL SetCurrentDirectoryA(LPCSTR pathName)
{
    if (pathName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::string path = HostPath(pathName);
    if (::chdir(path.c_str()) != 0) return Fail(ErrorFromErrno(errno, path));
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    std::string name;
    if (module == nullptr || module == GetModuleHandleA(nullptr)) {
        std::error_code ec;
        name = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    } else {
        bool found = false;
        name = ModuleFileName(module, &found);
        if (!found) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
    }
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name.size() + 1 > size) {
        std::memcpy(fileName, name.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, name.c_str(), name.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(name.size());
}

} // extern "C"
