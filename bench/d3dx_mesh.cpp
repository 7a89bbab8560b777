// Mesh adjacency and vertex-cache ordering at n and 4n in the same run (see
// growth.h): both must stay linear or n log n whatever the mesh's shape and
// orientation. Adjacency: an indexed grid of 100 x 100 and 200 x 200 points in
// the plane x = 0, y = 0 or z = 0, with exact (0) and near (0.001) welding.
// Vertex cache: a fan of 10,000 and 40,000 faces around one vertex, and a grid
// of 50 x 50 and 100 x 100 quads in shuffled order.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "growth.h"
#include "d3dx8/mesh_geometry.h"
#include "d3dx8mesh.h"

namespace {

using kestu::d3dx::MeshData;

MeshData Positions(uint32_t vertices)
{
    MeshData m;
    m.fvf = D3DFVF_XYZ;
    kestu::d3dx::GetFvfLayout(m.fvf, m.layout);
    m.vertexCount = vertices;
    m.vertices.assign(size_t(vertices) * m.layout.stride, 0);
    return m;
}

void AddFace(MeshData& m, uint32_t a, uint32_t b, uint32_t c)
{
    m.indices.insert(m.indices.end(), {a, b, c});
    m.attributes.push_back(0);
}

// k x k points, two faces per square, in the plane where `axis` is zero.
MeshData Grid(uint32_t k, int axis)
{
    MeshData m = Positions(k * k);
    for (uint32_t y = 0; y < k; ++y)
        for (uint32_t x = 0; x < k; ++x) {
            const float u = float(x) * 0.5f, v = float(y) * 0.5f;
            const float xyz[3][3] = {{0, u, v}, {u, 0, v}, {u, v, 0}};
            m.SetPosition(y * k + x, D3DXVECTOR3(xyz[axis][0], xyz[axis][1], xyz[axis][2]));
        }
    for (uint32_t y = 0; y + 1 < k; ++y)
        for (uint32_t x = 0; x + 1 < k; ++x) {
            const uint32_t a = y * k + x, b = a + 1, c = a + k, d = c + 1;
            AddFace(m, a, c, b);
            AddFace(m, b, c, d);
        }
    return m;
}

MeshData Fan(uint32_t faces)
{
    MeshData m = Positions(faces + 2);
    for (uint32_t i = 1; i <= faces; ++i) AddFace(m, 0, i, i + 1);
    return m;
}

MeshData ShuffledGrid(uint32_t quads)
{
    MeshData m = Grid(quads + 1, 2);
    std::vector<uint32_t> order(m.FaceCount());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    std::vector<uint32_t> indices;
    for (uint32_t f : order) indices.insert(indices.end(), m.indices.begin() + f * 3, m.indices.begin() + f * 3 + 3);
    m.indices = std::move(indices);
    return m;
}

void BM_GenerateAdjacency(benchmark::State& state)
{
    const int axis = int(state.range(0));
    const float epsilon = state.range(1) ? 0.001f : 0.0f;
    static const char* const kPlanes[3] = {"plane x=0", "plane y=0", "plane z=0"};
    state.SetLabel(std::string(kPlanes[axis]) + (epsilon > 0 ? ", epsilon 0.001" : ", exact"));
    const MeshData small = Grid(100, axis), large = Grid(200, axis);
    bench::MeasureGrowth(
        state, [&] { benchmark::DoNotOptimize(kestu::d3dx::ComputeAdjacency(small, epsilon)); },
        [&] { benchmark::DoNotOptimize(kestu::d3dx::ComputeAdjacency(large, epsilon)); });
}
BENCHMARK(BM_GenerateAdjacency)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);

void BM_OptimizeVertexCache(benchmark::State& state)
{
    const bool fan = state.range(0) == 0;
    state.SetLabel(fan ? "fan" : "shuffled grid");
    const MeshData small = fan ? Fan(10000) : ShuffledGrid(50);
    const MeshData large = fan ? Fan(40000) : ShuffledGrid(100);
    auto optimise = [](const MeshData& source) {
        MeshData mesh = source;
        kestu::d3dx::OptimizeResult result;
        kestu::d3dx::OptimizeMesh(mesh, D3DXMESHOPT_VERTEXCACHE, nullptr, result);
        benchmark::DoNotOptimize(mesh.indices.data());
    };
    bench::MeasureGrowth(
        state, [&] { optimise(small); }, [&] { optimise(large); });
}
BENCHMARK(BM_OptimizeVertexCache)->Arg(0)->Arg(1)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

} // namespace
