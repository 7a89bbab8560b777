// The quad method's vertex data: 100,000 particles become 1.2 million
// vertices each frame (CMethodQuad::Update over a group whose particles came
// from the free list). The reference, measured in the same run, is a plain
// loop writing the same vertices from a flat array of positions and colours.
// The ratio is the engine's rate as a fraction of the plain loop's.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethods.h"
#include "RatioReport.h"

namespace {

constexpr DWORD kParticles = 100000;
constexpr float kSize = 0.1f;

struct FlatParticle {
    float x, y, z;
    DWORD color;
};

// The same particles both ways: positions and colours drawn once.
std::vector<FlatParticle> Positions()
{
    srand(5);
    std::vector<FlatParticle> out(kParticles);
    for (FlatParticle& p : out) {
        p.x = float(rand()) / 327.67f;
        p.y = float(rand()) / 327.67f;
        p.z = float(rand()) / 327.67f;
        p.color = 0xFF000000u | DWORD(rand()) << 8 | DWORD(rand() & 0xFF);
    }
    return out;
}

// The reference: twelve vertices per particle, position and colour, the
// square from P to P + (s, s) wound both ways.
void FlatQuads(const std::vector<FlatParticle>& in, SPPS_VERTEX* out)
{
    const float s = kSize;
    for (const FlatParticle& p : in) {
        const float x = p.x, y = p.y, z = p.z, xs = x + s, ys = y + s;
        const DWORD c = p.color;
        out[0] = {x, y, z, c};
        out[1] = {x, ys, z, c};
        out[2] = {xs, y, z, c};
        out[3] = {x, y, z, c};
        out[4] = {xs, y, z, c};
        out[5] = {x, ys, z, c};
        out[6] = {xs, y, z, c};
        out[7] = {x, ys, z, c};
        out[8] = {xs, ys, z, c};
        out[9] = {xs, y, z, c};
        out[10] = {xs, ys, z, c};
        out[11] = {x, ys, z, c};
        out += 12;
    }
}

void BM_Reference_FlatQuadVertices(benchmark::State& state)
{
    const std::vector<FlatParticle> particles = Positions();
    std::vector<SPPS_VERTEX> vertices(size_t{kParticles} * 12);
    for (auto _ : state) {
        FlatQuads(particles, vertices.data());
        benchmark::DoNotOptimize(vertices.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kParticles);
}

void BM_QuadMethodVertices(benchmark::State& state)
{
    const std::vector<FlatParticle> particles = Positions();
    CMethodQuad quad;
    quad.SetSize(kSize);
    CParticleGroup group;
    group.SetMaxParticleNumber(kParticles);
    group.SetMethod(&quad);
    if (quad.Build(nullptr, &group) != 0) {
        state.SkipWithError("no vertex array");
        return;
    }
    const float zero[3] = {0, 0, 0};
    for (const FlatParticle& p : particles) {
        const float at[3] = {p.x, p.y, p.z};
        group.Add(at, nullptr, nullptr, zero, zero, 0, 0);
        CParticleGroup::iterator it;
        group.LastParticle(it)->SetColor(p.color);
    }
    for (auto _ : state) {
        quad.Update(&group, 0.0f);
        benchmark::DoNotOptimize(quad.GetRes(&group)->pVertices);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kParticles);
    group.Release();
}

} // namespace

BENCHMARK(BM_Reference_FlatQuadVertices)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QuadMethodVertices)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_QuadMethodVertices", "BM_Reference_FlatQuadVertices"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
