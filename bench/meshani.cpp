// Frame-animated meshes. Per-frame playback of a 5,000-vertex, 30-frame GMA
// mesh for 200 instances: each instance's playing state steps (CMeshAni) and
// its vertices are blended between the current frame and the next through the
// engine's vertex access into a cloned container of its own. The floor is the
// plain loop that blends two contiguous float arrays of the same size
// (position and normal, 6 floats a vertex) into 200 outputs. Engine frame and
// floor frame run in turn inside one benchmark, so a busy machine slows both
// alike; "vs_floor" is the engine's rate over the floor's (goal: at least
// 0.5). Both count vertices per second. Also: the floor alone, the playing
// state alone (beside the floor the same way), and the LOD converter on
// 20,000 triangles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kestu.h"
#include "stopwatch.h"
#include "support/device.h"

namespace {

constexpr int kInstances = 200;
constexpr int kFrames = 30;
constexpr int kCols = 99, kRows = 49; // 100 x 50 = 5,000 vertices
constexpr int kVertices = (kCols + 1) * (kRows + 1);
static_assert(kVertices == 5000);

// A rippling sheet, one material, written and read back by the engine.
CGmaFile Sheet(int cols, int rows, int frames)
{
    CGmaFile f;
    f.header.wMinorVersion = 4;
    f.header.fDuration = 1.0f;
    f.header.SetLeftHandCoordSystem(TRUE);
    SGmaMaterial m;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const WORD a = WORD(r * (cols + 1) + c), b = WORD(a + 1), d = WORD(a + cols + 1), e = WORD(d + 1);
            m.faces.push_back({{a, d, b}});
            m.faces.push_back({{b, d, e}});
        }
    for (int i = 0; i < frames; ++i) {
        SGmaFrame fr;
        fr.fPos = float(i) / float(frames);
        for (int r = 0; r <= rows; ++r)
            for (int c = 0; c <= cols; ++c) {
                SGMAVertex v;
                const float x = float(c) / cols, y = float(r) / rows, t = 6.2831853f * fr.fPos;
                v.p = D3DXVECTOR3(x, y, 0.05f * std::sin(t + 9.0f * x) * std::cos(t + 7.0f * y));
                v.n = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
                v.diffuse = 0xFFFFFFFF;
                v.u = x;
                v.v = y;
                fr.vertices.push_back(v);
            }
        fr.materials = {m};
        fr.wNumMaterials = 1;
        f.frames.push_back(fr);
    }
    return f;
}

struct Scene {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    CMeshAniData mesh;
    std::vector<CMeshAni> players;
    std::vector<DWORD> clones;
};

Scene* GetScene()
{
    static Scene* s = nullptr;
    if (s) return s->device ? s : nullptr;
    s = new Scene;
    const D3DPRESENT_PARAMETERS pp =
        testdevice::DefaultParameters(64, 64, testdevice::FakeWindow(0xBE7C), false, false);
    if (FAILED(testdevice::CreateShared(pp, s->d3d, s->device))) return nullptr;
    std::vector<BYTE> bytes;
    if (FAILED(Sheet(kCols, kRows, kFrames).Write(bytes)) ||
        FAILED(s->mesh.Build(bytes.data(), DWORD(bytes.size()), s->device, "", nullptr, nullptr, nullptr,
                             D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, FALSE, TRUE)))
        return nullptr;
    s->players.resize(kInstances);
    s->clones.resize(kInstances);
    for (int i = 0; i < kInstances; ++i) {
        s->players[i].Build(&s->mesh);
        s->players[i].PlayInSpeed(0.0f, 0.5f + 0.01f * float(i), ANIPLAY_LOOP, TRUE, 0.0f);
        s->mesh.CloneContainerFromRaw(&s->clones[i], nullptr, nullptr);
    }
    return s;
}

using kestu_bench::Seconds;

// Vertices per second of the measured time; with the floor's time for the
// same frames, the ratio of the two rates.
void Rate(benchmark::State& state, double seconds, double floorSeconds)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kInstances * kVertices);
    if (floorSeconds > 0.0) state.counters["vs_floor"] = floorSeconds / std::max(1e-9, seconds);
}

// The floor: lerp two contiguous float arrays (6 floats a vertex) into each of 200 outputs.
class Floor {
public:
    Floor() : m_a(kFloats), m_b(kFloats), m_out(kInstances, std::vector<float>(kFloats))
    {
        for (size_t i = 0; i < kFloats; ++i) {
            m_a[i] = std::sin(float(i));
            m_b[i] = std::cos(float(i));
        }
    }
    void Frame()
    {
        for (int k = 0; k < kInstances; ++k) {
            float* __restrict o = m_out[k].data();
            const float* __restrict pa = m_a.data();
            const float* __restrict pb = m_b.data();
            for (size_t i = 0; i < kFloats; ++i) o[i] = pa[i] + (pb[i] - pa[i]) * m_t;
        }
        benchmark::ClobberMemory();
        m_t = m_t > 0.9f ? 0.1f : m_t + 0.01f;
    }

private:
    static constexpr size_t kFloats = size_t(kVertices) * 6;
    std::vector<float> m_a, m_b;
    std::vector<std::vector<float>> m_out;
    float m_t = 0.25f;
};

void BM_Floor_LerpFloatArrays(benchmark::State& state)
{
    Floor floor;
    double seconds = 0.0;
    for (auto _ : state) {
        const double d = Seconds([&] { floor.Frame(); });
        seconds += d;
        state.SetIterationTime(d);
    }
    Rate(state, seconds, 0.0);
}

// Blends frame `from` towards `to` by t into the destination entry: position and normal.
void Blend(const SGmaVerticesEntry& a, const SGmaVerticesEntry& b, const SGmaVerticesEntry& out, float t)
{
    const DWORD stride = out.dwStride, n = out.dwNumVertices;
    const BYTE* pa = a.pPos;
    const BYTE* pb = b.pPos;
    BYTE* po = out.pPos;
    for (DWORD i = 0; i < n; ++i, pa += stride, pb += stride, po += stride) {
        const float* fa = reinterpret_cast<const float*>(pa);
        const float* fb = reinterpret_cast<const float*>(pb);
        float* fo = reinterpret_cast<float*>(po);
        for (int k = 0; k < 6; ++k) fo[k] = fa[k] + (fb[k] - fa[k]) * t;
    }
}

// One frame of the 200 players: step, then blend into each one's clone.
void PlayAndBlend(Scene* s, float time)
{
    CAniMeshContainer* shared = s->mesh.GetContainer();
    for (int k = 0; k < kInstances; ++k) {
        CMeshAni& p = s->players[k];
        p.FrameMove(time);
        const DWORD from = p.GetCurrentFrame();
        const DWORD to = from + 1 < DWORD(kFrames) ? from + 1 : 0;
        const float* table = p.GetTimeTable();
        const float span = table[from + 1] - table[from];
        const float t = span > 0.0f ? (p.GetCurrentTime() - table[from]) / span : 0.0f;
        CAniMeshContainer* mine = s->mesh.GetClonedContainer(s->clones[k]);
        SGmaVerticesEntry a, b, out;
        shared->BeginAccessVertices(from, &a);
        shared->BeginAccessVertices(to, &b);
        mine->BeginAccessVertices(0, &out);
        Blend(a, b, out, t);
        mine->EndAccessVertices(0);
        shared->GetMeshFrame(to)->EndAccessVertices(FALSE);
        shared->GetMeshFrame(from)->EndAccessVertices(FALSE);
    }
    benchmark::ClobberMemory();
}

// Runs frame(time) and a floor frame in turn each iteration; the measured
// time is the engine's.
template <class EngineFrame>
void BesideTheFloor(benchmark::State& state, EngineFrame frame)
{
    Floor floor;
    float time = 0.0f;
    double engine = 0.0, floorSeconds = 0.0;
    for (auto _ : state) {
        time += 1.0f / 60.0f;
        const double d = Seconds([&] { frame(time); });
        floorSeconds += Seconds([&] { floor.Frame(); });
        engine += d;
        state.SetIterationTime(d);
    }
    Rate(state, engine, floorSeconds);
}

void BM_MeshAni_PlayAndBlend200(benchmark::State& state)
{
    Scene* s = GetScene();
    if (!s) {
        state.SkipWithError("no device");
        return;
    }
    BesideTheFloor(state, [s](float time) { PlayAndBlend(s, time); });
}

// The playing state alone: the time step and the frame choice of 200
// instances, counted as the vertices of the frames it chose.
void BM_MeshAni_FrameMove200(benchmark::State& state)
{
    Scene* s = GetScene();
    if (!s) {
        state.SkipWithError("no device");
        return;
    }
    BesideTheFloor(state, [s](float time) {
        for (CMeshAni& p : s->players) p.FrameMove(time);
        benchmark::DoNotOptimize(s->players.front().GetCurrentFrame());
    });
}

// The LOD converter on a 20,000-triangle sheet: read, simplify, write.
void BM_GmaLodConverter20kTriangles(benchmark::State& state)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestu_bench_gma";
    std::filesystem::create_directories(dir);
    const std::string src = (dir / "sheet.gma").string(), dst = (dir / "sheet_lod.gma").string();
    CGmaFile sheet = Sheet(100, 100, 1);
    if (FAILED(sheet.Save(src.c_str()))) {
        state.SkipWithError("cannot write the source");
        return;
    }
    for (auto _ : state) {
        CGMALodConverter c;
        if (c.Build(src.c_str(), dst.c_str()) != GMALOD_OK || c.LodConvert() != 1 || c.SaveConvertedFile() != 1) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.counters["triangles"] = double(sheet.frames[0].materials[0].faces.size());
    std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK(BM_Floor_LerpFloatArrays)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_MeshAni_PlayAndBlend200)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_MeshAni_FrameMove200)->Unit(benchmark::kMicrosecond)->UseManualTime();
BENCHMARK(BM_GmaLodConverter20kTriangles)->Unit(benchmark::kMillisecond)->Iterations(1);
