// 8-bit blitters: a 256 x 256 block of palette indexes copied into an
// 800 x 600 buffer, in bytes per second. References measured in the same run:
// memcpy of the same rows for the plain copy, and a plain byte loop with a
// branch for the keyed copy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "RatioReport.h"
#include "kestu_blt8.h"

namespace {

constexpr int kW = 800, kH = 600, kS = 256;

struct Buffers {
    std::vector<uint8_t> dst = std::vector<uint8_t>(kW * kH);
    std::vector<uint8_t> src = std::vector<uint8_t>(kS * kS);
    Buffers()
    {
        std::mt19937 rng(7);
        for (auto& b : src) b = static_cast<uint8_t>(rng() % 8); // one byte in eight is the key
    }
};

void Bytes(benchmark::State& state) { state.SetBytesProcessed(int64_t(state.iterations()) * kS * kS); }

void BM_BltCopy8(benchmark::State& state)
{
    Buffers b;
    for (auto _ : state) {
        BltCopy8(b.dst.data() + 3, b.src.data(), kS, kS, kW, kS);
        benchmark::DoNotOptimize(b.dst.data());
    }
    Bytes(state);
}

void BM_Reference_Memcpy(benchmark::State& state)
{
    Buffers b;
    for (auto _ : state) {
        for (int y = 0; y < kS; ++y) std::memcpy(b.dst.data() + 3 + y * kW, b.src.data() + y * kS, kS);
        benchmark::DoNotOptimize(b.dst.data());
    }
    Bytes(state);
}

void BM_BltColorKey8(benchmark::State& state)
{
    Buffers b;
    for (auto _ : state) {
        BltColorKey8(b.dst.data() + 3, b.src.data(), kS, kS, kW, kS, 0);
        benchmark::DoNotOptimize(b.dst.data());
    }
    Bytes(state);
}

void BM_Reference_KeyedByteLoop(benchmark::State& state)
{
    Buffers b;
    for (auto _ : state) {
        for (int y = 0; y < kS; ++y) {
            uint8_t* d = b.dst.data() + 3 + y * kW;
            const uint8_t* s = b.src.data() + y * kS;
            for (int x = 0; x < kS; ++x)
                if (s[x] != 0) d[x] = s[x];
        }
        benchmark::DoNotOptimize(b.dst.data());
    }
    Bytes(state);
}

} // namespace

BENCHMARK(BM_BltCopy8);
BENCHMARK(BM_Reference_Memcpy);
BENCHMARK(BM_BltColorKey8);
BENCHMARK(BM_Reference_KeyedByteLoop);

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_BltCopy8", "BM_Reference_Memcpy"});
    table.compare.push_back({"BM_BltColorKey8", "BM_Reference_KeyedByteLoop"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
