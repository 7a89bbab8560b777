// Millisecond and performance clocks. The host can stop the clock and drive
// it by hand; then Sleep advances it instead of waiting.
#include <atomic>
#include <chrono>
#include <thread>

#include "host/host_win32.h"
#include "mmsystem.h"
#include "win32/win32_common.h"

namespace {

struct ClockState {
    std::atomic<bool> fixed{false};
    std::atomic<uint64_t> fixedMs{0};
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

ClockState& Clock()
{
    static ClockState state;
    return state;
}

// Microseconds since the clock's start.
uint64_t NowMicroseconds()
{
    ClockState& c = Clock();
    if (c.fixed) return c.fixedMs.load() * 1000;
    auto d = std::chrono::steady_clock::now() - c.start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(d).count());
}

constexpr int64_t kPerformanceFrequency = 10'000'000; // 100 ns ticks

} // namespace

extern "C" {

DWORD GetTickCount() { return static_cast<DWORD>(NowMicroseconds() / 1000); }

DWORD timeGetTime() { return static_cast<DWORD>(NowMicroseconds() / 1000); }

MMRESULT timeBeginPeriod(UINT period) { return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }
MMRESULT timeEndPeriod(UINT period) { return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (count == nullptr) return FALSE;
    count->QuadPart = static_cast<LONGLONG>(NowMicroseconds()) * (kPerformanceFrequency / 1'000'000);
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = kPerformanceFrequency;
    return TRUE;
}

void Sleep(DWORD milliseconds)
{
    ClockState& c = Clock();
    if (c.fixed) {
        c.fixedMs += milliseconds;
        return;
    }
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // extern "C"

namespace host {

void SetClock(DWORD milliseconds)
{
    Clock().fixedMs = milliseconds;
    Clock().fixed = true;
}

void AdvanceClock(DWORD milliseconds)
{
    ClockState& c = Clock();
    if (!c.fixed) {
        c.fixedMs = NowMicroseconds() / 1000;
        c.fixed = true;
    }
    c.fixedMs += milliseconds;
}

void UseRealClock()
{
    ClockState& c = Clock();
    // The real clock goes on from the fixed time, so it never runs backwards.
    if (c.fixed) {
        c.start = std::chrono::steady_clock::now() - std::chrono::milliseconds(c.fixedMs.load());
        c.fixed = false;
    }
}

} // namespace host

namespace kestu::platform::win32 {
void ResetClock() { host::UseRealClock(); }
} // namespace kestu::platform::win32
