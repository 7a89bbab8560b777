// What a draw pays to save and put back the device states it changes: the
// state scope against the same reads and writes made by hand, for the usual
// draw (a few render and stage states, a texture, a transform) and for one
// that saves more states than the scope holds in itself.
#include <benchmark/benchmark.h>

#include <vector>

#include "RatioReport.h"
#include "bench_device.h"
#include "core/device/DeviceState.h"
#include "d3d8.h"

namespace {

struct Device {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    IDirect3DTexture8* tex = nullptr;
};

Device& GetDevice()
{
    static Device d = [] {
        Device s;
        s.d3d = Direct3DCreate8(D3D_SDK_VERSION);
        s.dev = kestu_bench::CreateBenchDevice(s.d3d, 64, 64);
        s.dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &s.tex);
        return s;
    }();
    return d;
}

// The usual draw: blending, alpha test, depth, culling and stage 0.
const kestu::StateRow kUsual[] = {
    {kestu::kRenderState, D3DRS_ALPHABLENDENABLE, TRUE},
    {kestu::kRenderState, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {kestu::kRenderState, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {kestu::kRenderState, D3DRS_ALPHATESTENABLE, TRUE},
    {kestu::kRenderState, D3DRS_ZWRITEENABLE, FALSE},
    {kestu::kRenderState, D3DRS_CULLMODE, D3DCULL_NONE},
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
};

// More states than the scope holds in itself: five of every stage.
std::vector<kestu::StateRow> ManyRows()
{
    std::vector<kestu::StateRow> rows;
    for (int stage = 0; stage < 8; ++stage)
        for (const D3DTEXTURESTAGESTATETYPE type :
             {D3DTSS_TEXCOORDINDEX, D3DTSS_MAXMIPLEVEL, D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_ADDRESSU})
            rows.push_back({stage, DWORD(type), 3});
    return rows;
}

void ByScope(IDirect3DDevice8* dev, IDirect3DTexture8* tex, const kestu::StateRow* rows, size_t count,
             const D3DMATRIX& world)
{
    kestu::StateScope scope(dev);
    scope.Set(rows, count);
    scope.Texture(0, tex);
    scope.Transform(D3DTS_WORLD, &world);
}

void ByHand(IDirect3DDevice8* dev, IDirect3DTexture8* tex, const kestu::StateRow* rows, size_t count,
            const D3DMATRIX& world)
{
    DWORD saved[64];
    for (size_t i = 0; i < count; ++i) kestu::SaveState(dev, rows[i], &saved[i]);
    IDirect3DBaseTexture8* oldTexture = nullptr;
    dev->GetTexture(0, &oldTexture);
    dev->SetTexture(0, tex);
    D3DMATRIX oldWorld;
    dev->GetTransform(D3DTS_WORLD, &oldWorld);
    dev->SetTransform(D3DTS_WORLD, &world);

    dev->SetTransform(D3DTS_WORLD, &oldWorld);
    dev->SetTexture(0, oldTexture);
    if (oldTexture) oldTexture->Release();
    for (size_t i = count; i-- > 0;) kestu::PutBackDiffering(dev, rows[i].stage, rows[i].type, saved[i]);
}

template <auto Save>
void Run(benchmark::State& state, const kestu::StateRow* rows, size_t count)
{
    Device& d = GetDevice();
    D3DMATRIX world{};
    world._11 = world._22 = world._33 = world._44 = 2.0f;
    for (auto _ : state) Save(d.dev, d.tex, rows, count, world);
    state.SetItemsProcessed(state.iterations());
}

void BM_Scope_UsualDraw(benchmark::State& s) { Run<ByScope>(s, kUsual, std::size(kUsual)); }
void BM_ByHand_UsualDraw(benchmark::State& s) { Run<ByHand>(s, kUsual, std::size(kUsual)); }
void BM_Scope_LargeDraw(benchmark::State& s)
{
    static const std::vector<kestu::StateRow> rows = ManyRows();
    Run<ByScope>(s, rows.data(), rows.size());
}
void BM_ByHand_LargeDraw(benchmark::State& s)
{
    static const std::vector<kestu::StateRow> rows = ManyRows();
    Run<ByHand>(s, rows.data(), rows.size());
}

BENCHMARK(BM_Scope_UsualDraw);
BENCHMARK(BM_ByHand_UsualDraw);
BENCHMARK(BM_Scope_LargeDraw);
BENCHMARK(BM_ByHand_LargeDraw);

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_Scope_UsualDraw", "BM_ByHand_UsualDraw"});
    table.compare.push_back({"BM_Scope_LargeDraw", "BM_ByHand_LargeDraw"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
