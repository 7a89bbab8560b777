// A flight across a streamed map of 256 x 256 blocks: each frame the
// streamed terrain's update without drawing (Clip, the client's answers to
// its load requests, UpdateVisibleState with levels of detail, the far
// ring's index buffers, and the stitching list of every visible block), with
// the peak heap it holds; beside the static terrain's UpdateVisibleState over
// its 64 x 64 blocks from a moving eye in the same run.
#include <benchmark/benchmark.h>

#include <windows.h>

#include <chrono>
#include <cstring>

#include "kestu.h"
#include "kestu_texture_mng.h"
#include "terrain_world.h"
#include "../tools/kestu-terrain/streamed_gen.h"

namespace {

constexpr int kStride = 256;
constexpr float kBlock = 8.0f;
constexpr float kMapSize = kStride * kBlock;
constexpr float kViewRadius = 160.0f;
constexpr float kFarExtra = 600.0f;
constexpr int kFlightFrames = 1200;

struct Flight {
    streamed_gen::Map map;
    std::vector<float> heights; // (4 x 256 + 1)^2 grid points, row-major
    int side = 0;
    std::vector<float> farGrid;
    CTextureMng textures;
    CTrigonometricfunctionTable sine;
    std::unique_ptr<CDynamicTerrain> terrain;
    size_t baseline = 0, peak = 0;
    bool ok = false;
    bool farRing = false;

    float At(int column, int row) const { return heights[size_t(row) * side + column]; }
};

// The client's part: the record of a block from the precomputed heights.
void FillBlock(const Flight& f, int x, int z, SDynamicTerrainBlockInitEx& r)
{
    for (int v = 0; v < 25; ++v) {
        const int c = x * 4 + v % 5, w = z * 4 + v / 5;
        const bool on = c >= 0 && w >= 0 && c < f.side && w < f.side;
        r.fAltitude[v] = on ? f.At(c, w) : 0.0f;
    }
}

void Serve(Flight& f)
{
    CDynamicTerrain& t = *f.terrain;
    SDynamicTerrainBlockInitEx record;
    for (DWORD i = 0; i < t.GetNumLoadBlocks(); ++i) {
        const SDTBlockInfo* want = t.GetLoadBlockPos(i);
        FillBlock(f, want->Pos.x, want->Pos.y, record);
        t.AttachBlock(want->Pos.x, want->Pos.y, &record, nullptr, 16, nullptr, nullptr, 0, nullptr, nullptr,
                      0xFFFFFFFF);
    }
    for (const SMapBlockPos& pos : t.GetExternOutlyingBlockPos()) {
        const SDTOutlyingBlockInit corners;
        t.AttachExternOutlyingBlock(pos.x, pos.y, &corners, 16, nullptr);
    }
}

Flight& GetFlight()
{
    static Flight f;
    if (f.terrain) return f;
    terrain_bench::World& w = terrain_bench::GetWorld();
    if (!w.ok) return f;
    // The far ring reaches the device through the engine, attached to the
    // benchmark's device.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "KestuBenchWindow";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    KESTU_EXTRA_CONFIG ext;
    ext.pDevice = w.device;
    ext.hInstance = GetModuleHandleA(nullptr);
    ext.dwCreateFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    f.farRing = Kestu_Extra_Build(&ext, wnd) == 0;

    f.side = kStride * 4 + 1;
    f.heights.resize(size_t(f.side) * f.side);
    for (int r = 0; r < f.side; ++r)
        for (int c = 0; c < f.side; ++c)
            f.heights[size_t(r) * f.side + c] = f.map.Height(c * kBlock / 4, r * kBlock / 4);
    f.farGrid = f.map.FarGrid(kStride / 4 + 1);
    if (FAILED(f.textures.Build(nullptr, D3DPOOL_MANAGED, 0))) return f;

    f.baseline = terrain_bench::HeapInUse();
    f.terrain = std::make_unique<CDynamicTerrain>();
    SDynamicTerrainInit init;
    init.dwBlockStride = kStride;
    init.fBlockWidth = init.fBlockHeight = kBlock;
    SDTTextureResCfg tex;
    tex.pTextureMng = &f.textures;
    SDTOutlyingCfg ring;
    ring.nRatio = 4;
    ring.pfAltitudes = f.farGrid.data();
    ring.nGridSide = kStride / 4 + 1;
    SDTLODCfg lod;
    lod.fLODDist = 40.0f;
    lod.fLODAlt = 2.0f;
    const HRESULT hr =
        f.terrain->Build(&init, &tex, nullptr, f.farRing ? &ring : nullptr, nullptr, &lod, nullptr, 1024, &f.sine);
    f.ok = SUCCEEDED(hr);
    return f;
}

// The eye on the flight: across the map and back, ahead and down.
void FlightEye(int frame, CFrustum& eye, SBoundCircle& view)
{
    static CFrustum raw;
    static bool init = false;
    if (!init) {
        raw.InitRawFrustum(D3DX_PI / 3, 4.0f / 3.0f, 500.0f, 1.0f, 1, FRUSTUM_WIDEN_RATE);
        init = true;
    }
    const int leg = frame % (2 * kFlightFrames);
    const float s = float(leg < kFlightFrames ? leg : 2 * kFlightFrames - leg) / kFlightFrames;
    const float x = 200.0f + s * (kMapSize - 400.0f), z = 300.0f + s * (kMapSize - 700.0f);
    const float yaw = leg < kFlightFrames ? -0.7f : 2.44f;
    const D3DXVECTOR3 pos(x, 90.0f, z);
    eye.SetByRawFrustum(&raw, yaw, 0.35f, 0.0f, &pos);
    view = SBoundCircle(x, z, kViewRadius);
}

// One frame of the streamed terrain's update; the number of visible blocks.
DWORD Update(Flight& f, int frame)
{
    CDynamicTerrain& t = *f.terrain;
    CFrustum eye;
    SBoundCircle view;
    FlightEye(frame, eye, view);
    t.Clip(&view, 16, f.farRing ? kFarExtra : 0.0f, nullptr);
    Serve(f);
    t.UpdateVisibleState(&eye, TRUE, TRUE, f.farRing ? kViewRadius : 0.0f);
    DWORD chosen = 0;
    CPointerArray* lists[2] = {t.GetLocalVisibleBlocks(), t.GetExternVisibleBlocks()};
    for (CPointerArray* list : lists)
        for (DWORD i = 0; i < list->GetCount(); ++i) {
            auto* b = static_cast<CDynamicTerrainBlock*>(list->GetPointer(i));
            chosen += CDynamicTerrain::SelectStitchIndexBuffer(b->GetLODLevel(), b->GetNeighborLODLevel(0),
                                                               b->GetNeighborLODLevel(1), b->GetNeighborLODLevel(2),
                                                               b->GetNeighborLODLevel(3)) != nullptr;
        }
    return chosen;
}

void BM_DynamicTerrainFlight(benchmark::State& state)
{
    Flight& f = GetFlight();
    terrain_bench::World& w = terrain_bench::GetWorld();
    if (!f.ok || !w.ok) {
        state.SkipWithError("no device or terrain");
        return;
    }
    using Clock = std::chrono::steady_clock;
    double dynamicSeconds = 0.0, staticSeconds = 0.0;
    int frame = 0;
    DWORD visible = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(visible = Update(f, frame));
        const auto t1 = Clock::now();
        const CFrustum& still = w.path[frame % terrain_bench::kPath];
        for (auto& t : w.terrains) t->UpdateVisibleState(&still, 1, 1);
        const auto t2 = Clock::now();
        ++frame;
        const double seconds = std::chrono::duration<double>(t1 - t0).count();
        dynamicSeconds += seconds;
        staticSeconds += std::chrono::duration<double>(t2 - t1).count();
        f.peak = std::max(f.peak, terrain_bench::HeapInUse() - f.baseline);
        state.SetIterationTime(seconds);
    }
    state.counters["frames/s"] = benchmark::Counter(double(frame) / dynamicSeconds);
    state.counters["static_frames/s"] = benchmark::Counter(double(frame) / staticSeconds);
    state.counters["x_static"] = dynamicSeconds / staticSeconds;
    state.counters["visible_last"] = visible;
    state.counters["attached_last"] = f.terrain->GetNumAttachedBlocks();
    state.counters["peak_MB"] = double(f.peak) / (1024.0 * 1024.0);
    state.counters["static_MB"] = double(w.terrainBytes) / (1024.0 * 1024.0);
    state.counters["far_ring"] = f.farRing;
}
BENCHMARK(BM_DynamicTerrainFlight)->UseManualTime()->Iterations(2 * kFlightFrames);

} // namespace
