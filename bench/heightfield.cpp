// The continuous-LOD heightfield over a 1025 x 1025 field from a moving eye:
// each frame Update refines the tree for the eye and the enabled nodes are
// walked into a triangle index list over the field's vertex grid. Measured in
// triangles per second beside a plain full-resolution index fill of the same
// grid (two triangles per cell) in the same run; the counters give the
// triangles per frame of each, so the time per frame compares too.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "RatioReport.h"
#include "terrain/heightfield_mesh.h"

namespace {

constexpr int kLevel = 9; // 1024 wide
constexpr int kPath = 256;

struct World {
    heightfield::Field field{kLevel};
    std::vector<D3DXVECTOR3> path;
    int staticNodes = 0;

    World()
    {
        const int32_t n = field.samples;
        for (int32_t z = 0; z < n; ++z)
            for (int32_t x = 0; x < n; ++x) {
                // Hills, ridges and a fine ripple; flat valleys where the tree can thin.
                const double hills = 3000.0 * std::sin(x * 0.011) * std::cos(z * 0.009);
                const double h = 9000.0 + std::max(hills, -1500.0) + 700.0 * std::sin(x * 0.05 + z * 0.031) +
                                 60.0 * std::sin(x * 0.31) * std::sin(z * 0.27);
                field.At(x, z) = WORD(h);
            }
        field.Build(2.0f);
        staticNodes = field.tree->CountNodes();
        // A low flight over the field, 150 above the ground.
        for (int i = 0; i < kPath; ++i) {
            const float a = 6.2831853f * float(i) / float(kPath);
            const float x = 512.0f + 380.0f * std::cos(a), z = 512.0f + 300.0f * std::sin(a);
            path.emplace_back(x, field.tree->GetHeight(field.root, x, z) + 150.0f, z);
        }
    }
};

World& GetWorld()
{
    static World w;
    return w;
}

struct IndexSink {
    std::vector<uint32_t>* out;
    uint32_t stride;
    void operator()(const heightfield::Point& a, const heightfield::Point& b, const heightfield::Point& c)
    {
        out->push_back(uint32_t(a.z) * stride + uint32_t(a.x));
        out->push_back(uint32_t(b.z) * stride + uint32_t(b.x));
        out->push_back(uint32_t(c.z) * stride + uint32_t(c.x));
    }
};

void BM_HeightfieldUpdateAndTriangles(benchmark::State& state)
{
    World& w = GetWorld();
    std::vector<uint32_t> indices;
    indices.reserve(size_t(3) << 20);
    IndexSink sink{&indices, uint32_t(w.field.samples)};
    const float detail = float(state.range(0));
    int k = 0;
    int64_t triangles = 0;
    for (auto _ : state) {
        w.field.tree->Update(w.field.root, &w.path[size_t(k++ % kPath)], detail);
        indices.clear();
        w.field.Triangles(sink);
        triangles += int64_t(indices.size() / 3);
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetItemsProcessed(triangles);
    state.counters["tris/frame"] = double(triangles) / double(state.iterations());
    state.counters["nodes_last"] = w.field.tree->CountNodes();
    state.counters["static_nodes"] = w.staticNodes;
}
BENCHMARK(BM_HeightfieldUpdateAndTriangles)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

// The reference: every cell of the same grid as two triangles.
void BM_FullResolutionIndexFill(benchmark::State& state)
{
    World& w = GetWorld();
    const uint32_t cells = uint32_t(w.field.samples - 1), stride = uint32_t(w.field.samples);
    std::vector<uint32_t> indices(size_t(cells) * cells * 6);
    for (auto _ : state) {
        uint32_t* p = indices.data();
        for (uint32_t z = 0; z < cells; ++z) {
            const uint32_t row = z * stride, next = row + stride;
            for (uint32_t x = 0; x < cells; ++x, p += 6) {
                p[0] = row + x;
                p[1] = next + x;
                p[2] = row + x + 1;
                p[3] = row + x + 1;
                p[4] = next + x;
                p[5] = next + x + 1;
            }
        }
        benchmark::DoNotOptimize(indices.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(cells) * cells * 2);
    state.counters["tris/frame"] = double(cells) * cells * 2;
}
BENCHMARK(BM_FullResolutionIndexFill)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_HeightfieldUpdateAndTriangles/4", "BM_FullResolutionIndexFill"});
    table.compare.push_back({"BM_HeightfieldUpdateAndTriangles/16", "BM_FullResolutionIndexFill"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
