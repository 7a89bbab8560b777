// The safe-replace routine behind every writer of whole files.
#include "kestu_safefile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace kestu {

namespace {

std::string HostPath(const char* path)
{
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

// Eight letters or digits that nobody can guess ahead of time.
std::string RandomTag()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[8] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        uint64_t mix = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30) ^
                       (static_cast<uint64_t>(getpid()) << 17) ^ reinterpret_cast<uintptr_t>(&now);
        for (unsigned char& b : bytes) {
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            b = static_cast<unsigned char>(mix >> 56);
        }
    }
    std::string tag;
    for (unsigned char b : bytes) tag += kAlphabet[b % (sizeof kAlphabet - 1)];
    return tag;
}

// Creates a new file that did not exist, never through a link. The mode
// 0666 goes through the umask, which gives a new target its default mode.
int CreateExclusive(const std::string& target, std::string& temp)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 64; ++attempt) {
        temp = target + "." + RandomTag() + ".tmp";
        int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == ENAMETOOLONG) {
            // The target's own name leaves no room for a suffix.
            temp = folder + ".kestu." + RandomTag() + ".tmp";
            fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        }
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    temp.clear();
    return -1;
}

} // namespace

bool SafeFile::Open(const char* target)
{
    Abandon();
    if (target == nullptr || *target == '\0') return false;
    target_ = HostPath(target);
    if (target_.back() == '/') return false;
    const int fd = CreateExclusive(target_, temp_);
    if (fd < 0) return false;
    file_ = ::fdopen(fd, "w+b");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    failed_ = false;
    return true;
}

bool SafeFile::Write(const void* data, size_t size)
{
    if (file_ == nullptr || failed_) return false;
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
    return !failed_;
}

bool SafeFile::Commit()
{
    if (file_ == nullptr) return false;
    const int fd = ::fileno(file_);
    bool ok = !failed_ && std::fflush(file_) == 0 && std::ferror(file_) == 0 && ::fsync(fd) == 0;
    // The replaced file's permissions; a new file keeps the mode it was created with.
    struct stat old {};
    if (ok && ::stat(target_.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            ok = false;
        else
            ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(temp_.c_str(), target_.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp_.c_str());
    temp_.clear();
    return ok;
}

void SafeFile::Abandon()
{
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
    ::unlink(temp_.c_str());
    temp_.clear();
}

bool SafeReplaceFile(const char* target, const void* data, size_t size)
{
    SafeFile file;
    return file.Open(target) && file.Write(data, size) && file.Commit();
}

} // namespace kestu
