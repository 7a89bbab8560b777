// Critical sections (recursive) and interlocked operations.
#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>

#include "win32/win32_common.h"

namespace {

struct CriticalSectionLock {
    std::recursive_mutex mutex;
};

CriticalSectionLock* LockOf(LPCRITICAL_SECTION cs)
{
    return cs ? static_cast<CriticalSectionLock*>(cs->LockSemaphore) : nullptr;
}

HANDLE ThreadTag() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId())); }

void Acquired(LPCRITICAL_SECTION cs)
{
    cs->RecursionCount++;
    cs->LockCount = cs->RecursionCount - 1;
    cs->OwningThread = ThreadTag();
}

} // namespace

extern "C" {

// A thread's id never changes: asked of the kernel once per thread, since
// every critical-section entry and exit asks for it.
DWORD GetCurrentThreadId()
{
    static thread_local const DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
    return id;
}
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

void InitializeCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs == nullptr) return;
    *cs = CRITICAL_SECTION{};
    cs->LockCount = -1;
    cs->LockSemaphore = new CriticalSectionLock;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD spinCount)
{
    if (cs == nullptr) return FALSE;
    InitializeCriticalSection(cs);
    cs->SpinCount = spinCount;
    return TRUE;
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs)
{
    if (cs == nullptr) return;
    delete LockOf(cs);
    *cs = CRITICAL_SECTION{};
}

void EnterCriticalSection(LPCRITICAL_SECTION cs)
{
    CriticalSectionLock* lock = LockOf(cs);
    if (lock == nullptr) return;
    lock->mutex.lock();
    Acquired(cs);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs)
{
    CriticalSectionLock* lock = LockOf(cs);
    if (lock == nullptr || !lock->mutex.try_lock()) return FALSE;
    Acquired(cs);
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs)
{
    CriticalSectionLock* lock = LockOf(cs);
    // Leaving a section this thread does not hold is ignored.
    if (lock == nullptr || cs->RecursionCount <= 0 || cs->OwningThread != ThreadTag()) return;
    cs->RecursionCount--;
    cs->LockCount = cs->RecursionCount - 1;
    if (cs->RecursionCount == 0) cs->OwningThread = nullptr;
    lock->mutex.unlock();
}

LONG InterlockedIncrement(LONG volatile* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(LONG volatile* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand)
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}

} // extern "C"
