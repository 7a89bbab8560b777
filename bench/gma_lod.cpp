// The GMA level-of-detail simplification on hilly grids of 120 x 120 and
// 240 x 240 vertices (the latter a 2 MB mesh), per vertex, beside a plain
// reference in the same run: the collapse cost of every edge of the same grid
// computed once and sorted. A simplification that keeps its costs in a
// priority queue stays within a steady factor of the reference at both
// sizes; one that scans every vertex per collapse falls behind with the size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "RatioReport.h"
#include "meshani/convert/GmaLodSimplify.h"

namespace {

struct Mesh {
    std::vector<D3DXVECTOR3> positions, normals;
    std::vector<std::array<DWORD, 3>> faces;
};

const Mesh& Grid(int side)
{
    static Mesh meshes[2];
    Mesh& m = meshes[side > 120];
    if (!m.faces.empty()) return m;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const float x = float(c) / float(side), z = float(r) / float(side);
            m.positions.emplace_back(x, 0.05f * std::sin(9.0f * x) * std::cos(7.0f * z), z);
            m.normals.emplace_back(0.0f, 1.0f, 0.0f);
        }
    const DWORD stride = DWORD(side);
    for (int r = 0; r + 1 < side; ++r)
        for (int c = 0; c + 1 < side; ++c) {
            const DWORD a = DWORD(r) * stride + DWORD(c), b = a + 1, d = a + stride, e = d + 1;
            m.faces.push_back({a, d, b});
            m.faces.push_back({b, d, e});
        }
    return m;
}

void BM_GmaLodSimplify(benchmark::State& state)
{
    const Mesh& m = Grid(int(state.range(0)));
    for (auto _ : state) {
        gmalod::Result r;
        if (!gmalod::Simplify(m.positions, m.normals, m.faces, r)) {
            state.SkipWithError("the grid did not simplify");
            return;
        }
        benchmark::DoNotOptimize(r.collapsible);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(m.positions.size()));
}
BENCHMARK(BM_GmaLodSimplify)->Arg(120)->Arg(240)->Unit(benchmark::kMillisecond);

void BM_Reference_SortEdgeCosts(benchmark::State& state)
{
    const Mesh& m = Grid(int(state.range(0)));
    std::vector<std::pair<float, DWORD>> costs;
    for (auto _ : state) {
        costs.clear();
        for (const auto& f : m.faces)
            for (int k = 0; k < 3; ++k) {
                const D3DXVECTOR3 d = m.positions[f[k]] - m.positions[f[(k + 1) % 3]];
                costs.emplace_back(D3DXVec3LengthSq(&d), f[k]);
            }
        std::sort(costs.begin(), costs.end());
        benchmark::DoNotOptimize(costs.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(m.positions.size()));
}
BENCHMARK(BM_Reference_SortEdgeCosts)->Arg(120)->Arg(240)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_GmaLodSimplify/120", "BM_Reference_SortEdgeCosts/120"});
    table.compare.push_back({"BM_GmaLodSimplify/240", "BM_Reference_SortEdgeCosts/240"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
