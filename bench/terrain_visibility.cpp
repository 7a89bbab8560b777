// A static terrain's frame from a moving eye: UpdateVisibleState (frustum
// selection, levels of detail, index gathering) over 64 x 64 blocks, laid as
// 2 x 2 tiled terrains of 32 x 32, against the frustum test alone over the
// same blocks' spheres in the same run. Goal: at most 3 times its cost.
#include <benchmark/benchmark.h>

#include <chrono>

#include "terrain_world.h"

namespace {

using terrain_bench::GetWorld;
using terrain_bench::kPath;
using terrain_bench::World;

int FrustumOnly(const World& w, const CFrustum& f)
{
    int seen = 0;
    for (const SBoundSphere& s : w.spheres) seen += f.IntersectSphere(&s) >= 0;
    return seen;
}

void Blocks(benchmark::State& state, const World& w)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(w.spheres.size()));
    state.counters["blocks/s"] =
        benchmark::Counter(double(state.iterations()) * double(w.spheres.size()), benchmark::Counter::kIsRate);
}

void BM_TerrainUpdateVisibleState(benchmark::State& state)
{
    World& w = GetWorld();
    if (!w.ok) {
        state.SkipWithError("no device or terrain");
        return;
    }
    using Clock = std::chrono::steady_clock;
    double terrainSeconds = 0.0, frustumSeconds = 0.0;
    int k = 0, visible = 0;
    for (auto _ : state) {
        const CFrustum& f = w.path[k++ % kPath];
        const auto t0 = Clock::now();
        for (auto& t : w.terrains) t->UpdateVisibleState(&f, 1, 1);
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(visible += FrustumOnly(w, f));
        const auto t2 = Clock::now();
        const double terrain = std::chrono::duration<double>(t1 - t0).count();
        terrainSeconds += terrain;
        frustumSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(terrain);
    }
    Blocks(state, w);
    state.counters["x_frustum_test"] = terrainSeconds / frustumSeconds;
    DWORD drawn = 0;
    for (auto& t : w.terrains) drawn += t->GetVisibleBlockNum();
    state.counters["visible_last"] = drawn;
}
BENCHMARK(BM_TerrainUpdateVisibleState)->UseManualTime();

// The reference alone: one sphere test per block.
void BM_TerrainFrustumTestAlone(benchmark::State& state)
{
    World& w = GetWorld();
    if (!w.ok) {
        state.SkipWithError("no device or terrain");
        return;
    }
    int k = 0;
    for (auto _ : state) benchmark::DoNotOptimize(FrustumOnly(w, w.path[k++ % kPath]));
    Blocks(state, w);
}
BENCHMARK(BM_TerrainFrustumTestAlone);

} // namespace
