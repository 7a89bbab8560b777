// Version and system information, pointer probes.
#include <atomic>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "host/host_win32.h"
#include "win32/win32_common.h"

namespace {

OSVERSIONINFOEXA DefaultVersion()
{
    OSVERSIONINFOEXA v{};
    v.dwOSVersionInfoSize = sizeof(v);
    v.dwMajorVersion = 5;
    v.dwMinorVersion = 1;
    v.dwBuildNumber = 2600;
    v.dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::strcpy(v.szCSDVersion, "Service Pack 3");
    v.wServicePackMajor = 3;
    v.wSuiteMask = 0x100; // single-user terminal services
    v.wProductType = VER_NT_WORKSTATION;
    return v;
}

struct VersionState {
    std::mutex mutex;
    OSVERSIONINFOEXA version = DefaultVersion();
};

VersionState& Version()
{
    static VersionState state;
    return state;
}

// Probes one byte per page of [p, p + size) through the kernel, which
// reports unreadable pages instead of faulting.
bool Readable(const void* p, uintptr_t size)
{
    const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    uintptr_t start = reinterpret_cast<uintptr_t>(p);
    if (size - 1 > UINTPTR_MAX - start) return false; // wraps around the address space
    uintptr_t last = start + size - 1;
    constexpr size_t kBatch = 256;
    iovec remote[kBatch];
    char sink[kBatch];
    uintptr_t at = start;
    while (true) {
        size_t count = 0;
        while (count < kBatch) {
            remote[count] = iovec{reinterpret_cast<void*>(at), 1};
            ++count;
            uintptr_t next = (at / page + 1) * page;
            if (next > last || next < at) {
                at = last + 1;
                break;
            }
            at = next;
        }
        iovec local{sink, count};
        ssize_t n = ::process_vm_readv(::getpid(), &local, 1, remote, count, 0);
        if (n < 0 && (errno == ENOSYS || errno == EPERM)) return true; // cannot tell: assume readable
        if (n != static_cast<ssize_t>(count)) return false;
        if (at > last || at == 0) return true;
    }
}

// Whether every page of the range is mapped writable (from the process map).
bool Writable(const void* p, uintptr_t size)
{
    uintptr_t start = reinterpret_cast<uintptr_t>(p);
    if (size - 1 > UINTPTR_MAX - start) return false;
    uintptr_t end = start + size; // may be 0 only when the range ends at the top
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) return true;
    uintptr_t covered = start;
    char line[512];
    bool ok = false;
    while (std::fgets(line, sizeof(line), maps)) {
        unsigned long lo = 0, hi = 0;
        char perms[8] = {};
        if (std::sscanf(line, "%lx-%lx %7s", &lo, &hi, perms) != 3) continue;
        if (lo <= covered && covered < hi) {
            if (perms[1] != 'w') break;
            covered = hi;
            if (covered >= end) {
                ok = true;
                break;
            }
        }
    }
    std::fclose(maps);
    return ok;
}

} // namespace

extern "C" {

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD size = info->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    OSVERSIONINFOEXA v;
    {
        std::lock_guard<std::mutex> lock(Version().mutex);
        v = Version().version;
    }
    v.dwOSVersionInfoSize = size;
    v.szCSDVersion[sizeof(v.szCSDVersion) - 1] = '\0';
    std::memcpy(info, &v, size);
    return TRUE;
}

DWORD GetVersion()
{
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof(v);
    GetVersionExA(&v);
    DWORD build = v.dwPlatformId == VER_PLATFORM_WIN32_NT ? (v.dwBuildNumber & 0x7FFF) : 0x8000;
    return (v.dwMajorVersion & 0xFF) | ((v.dwMinorVersion & 0xFF) << 8) | (build << 16);
}

} // extern "C"

namespace {
// The processor type GetSystemInfo reports; 0: the default.
std::atomic<DWORD> g_processorType{0};
} // namespace

extern "C" {

void GetSystemInfo(LPSYSTEM_INFO info)
{
    if (info == nullptr) return;
    *info = SYSTEM_INFO{};
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    info->dwPageSize = static_cast<DWORD>(::sysconf(_SC_PAGESIZE));
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(0x10000));
    info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(0x7FFFFFFEFFFF));
    unsigned n = std::thread::hardware_concurrency();
    info->dwNumberOfProcessors = n ? n : 1;
    info->dwActiveProcessorMask =
        info->dwNumberOfProcessors >= 64 ? ~DWORD_PTR{0} : ((DWORD_PTR{1} << info->dwNumberOfProcessors) - 1);
    const DWORD type = g_processorType.load();
    info->dwProcessorType = type != 0 ? type : PROCESSOR_AMD_X8664;
    info->dwAllocationGranularity = 65536;
    info->wProcessorLevel = 6;
}

BOOL IsBadReadPtr(const void* p, UINT_PTR size)
{
    if (size == 0) return FALSE;
    if (p == nullptr) return TRUE;
    return Readable(p, size) ? FALSE : TRUE;
}

BOOL IsBadWritePtr(LPVOID p, UINT_PTR size)
{
    if (size == 0) return FALSE;
    if (p == nullptr) return TRUE;
    return Writable(p, size) ? FALSE : TRUE;
}

} // extern "C"

namespace host {

void SetVersionRecord(const OSVERSIONINFOEXA& version)
{
    std::lock_guard<std::mutex> lock(Version().mutex);
    Version().version = version;
    Version().version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
}

void SetProcessorType(DWORD type) { g_processorType.store(type); }

OSVERSIONINFOEXA GetVersionRecord()
{
    std::lock_guard<std::mutex> lock(Version().mutex);
    return Version().version;
}

} // namespace host

namespace kestu::platform::win32 {
void ResetVersion()
{
    host::SetVersionRecord(DefaultVersion());
    host::SetProcessorType(0);
}
} // namespace kestu::platform::win32
