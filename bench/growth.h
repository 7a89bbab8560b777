// Growth of a cost with the input: each iteration does the same work on an
// input of size n and on one of size 4n, and the benchmark reports both
// processor times and their ratio ("growth"), each the fastest of the
// iterations, which other work on the machine disturbs least. Linear work
// grows 4x, n log n work a little more, quadratic work 16x. Inputs are kept
// small enough to stay in the processor's caches at both sizes, so that the
// growth measures the work rather than the memory hierarchy. Freed memory
// stays with the allocator: otherwise
// only the larger input's blocks go back to the system after every call and
// are faulted in afresh (slow under virtualisation), a cost that has nothing
// to do with how the work grows.
#pragma once

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <ctime>

namespace bench {

// The processor time of this thread: other work on a busy machine does not count.
inline double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

template <class Small, class Large>
void MeasureGrowth(benchmark::State& state, Small&& small, Large&& large)
{
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    double smallSeconds = 1e30, largeSeconds = 1e30;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        small();
        const double t1 = ThreadSeconds();
        large();
        const double t2 = ThreadSeconds();
        smallSeconds = std::min(smallSeconds, t1 - t0);
        largeSeconds = std::min(largeSeconds, t2 - t1);
        state.SetIterationTime(t2 - t0);
    }
    state.counters["n_ms"] = smallSeconds * 1e3;
    state.counters["4n_ms"] = largeSeconds * 1e3;
    state.counters["growth"] = smallSeconds > 0 ? largeSeconds / smallSeconds : 0;
}

} // namespace bench
