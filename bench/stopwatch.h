// Times one call, for benchmarks that run their work and its reference in
// turn inside one benchmark and report manual times.
#pragma once
#include <chrono>

namespace kestu_bench {

// The seconds f() took.
template <class F>
double Seconds(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace kestu_bench
