// Replacing a file safely. The new content goes to a temporary file with a
// unique name in the target's folder, created exclusively and never through a
// symbolic link; only when all of it is written and on disk does it take the
// target's place by a rename. A failure at any step removes the temporary and
// leaves the old file as it was. The new file keeps the permissions of the
// file it replaces; a new one gets the default mode (0666 less the umask).
// Paths may separate folders with '\' as well as '/'.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "kestu_platform_api.h"

namespace kestu {

class KESTU_PLATFORM_API SafeFile {
public:
    SafeFile() = default;
    explicit SafeFile(const char* target) { Open(target); }
    // A file that was not committed is removed.
    ~SafeFile() { Abandon(); }
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary for `target` (dropping one still open). False when
    // the path is empty or the folder does not take a new file.
    bool Open(const char* target);
    bool IsOpen() const { return file_ != nullptr; }
    // The temporary, open for writing and reading, for writers that need a
    // stream; a write error on it makes Commit fail.
    std::FILE* Stream() const { return file_; }
    const std::string& TempPath() const { return temp_; }
    // False on a short write, and every later Commit fails.
    bool Write(const void* data, size_t size);
    // Marks the content as bad: Commit will fail and remove the temporary.
    void Fail() { failed_ = true; }
    // Flushes and syncs the temporary, gives it the replaced file's permissions
    // and renames it over the target. False (temporary removed, target
    // untouched) on any failure, an earlier one included.
    bool Commit();
    // Removes the temporary; the target is untouched.
    void Abandon();

private:
    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_;
    bool failed_ = false;
};

// Replaces `target` with `size` bytes at `data` through a SafeFile.
KESTU_PLATFORM_API bool SafeReplaceFile(const char* target, const void* data, size_t size);

} // namespace kestu
