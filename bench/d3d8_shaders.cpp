// Vertices per second through a 30-instruction vertex shader (transform,
// normal transform, one directional light with specular, fog, texture
// coordinates) against the fixed-function pipeline lighting the same mesh,
// in one run on one device.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "RatioReport.h"
#include "bench_device.h"
#include "d3d8.h"
#include "d3dx8core.h"

namespace {

constexpr UINT kW = 256, kH = 256;
constexpr int kGrid = 128; // (kGrid + 1)^2 vertices

struct Vertex {
    float x, y, z, nx, ny, nz;
    D3DCOLOR c;
    float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

const char* kShader = R"(vs.1.1
m4x4 oPos, v0, c0
m3x3 r0.xyz, v3, c4
dp3 r1.x, r0, r0
rsq r1.x, r1.x
mul r0.xyz, r0, r1.x
dp3 r2.x, r0, c8
max r2.x, r2.x, c9.x
mul r3, v5, c10
mad r3, r3, r2.x, c11
m4x3 r4.xyz, v0, c12
add r5.xyz, c8, -r4
dp3 r1.y, r5, r5
rsq r1.y, r1.y
mul r5.xyz, r5, r1.y
dp3 r6.x, r0, r5
max r6.x, r6.x, c9.x
mul r6.x, r6.x, r6.x
mul r6.x, r6.x, r6.x
mul r6.x, r6.x, r6.x
mul oD1, c15, r6.x
mov oD0, r3
dp4 r7.x, v0, c2
mul r7.x, r7.x, c9.y
add r7.x, r7.x, c9.z
max r7.x, r7.x, c9.x
min oFog.x, r7.x, c9.w
mov oT0.xy, v7
add oT1.xy, v7, c9.y
mov r8, c16
mul oT2, r8, r7.x
)";

struct Scene {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    DWORD vs = 0;
    UINT vertices = 0, triangles = 0;
};

Scene& GetScene()
{
    static Scene s;
    if (s.dev) return s;
    s.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    s.dev = kestu_bench::CreateBenchDevice(s.d3d, kW, kH);
    std::vector<Vertex> v;
    std::vector<uint16_t> idx;
    for (int y = 0; y <= kGrid; ++y)
        for (int x = 0; x <= kGrid; ++x) {
            const float fx = -1.f + 2.f * x / kGrid, fy = -1.f + 2.f * y / kGrid;
            v.push_back(
                {fx, fy, 0.5f + 0.1f * std::sin(fx * 3), 0, 0, -1, 0xFFC08040, float(x) / kGrid, float(y) / kGrid});
        }
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) {
            const uint16_t a = static_cast<uint16_t>(y * (kGrid + 1) + x), b = static_cast<uint16_t>(a + 1),
                           c = static_cast<uint16_t>(a + kGrid + 1), d = static_cast<uint16_t>(c + 1);
            for (uint16_t i : {a, c, b, b, c, d}) idx.push_back(i);
        }
    s.vertices = static_cast<UINT>(v.size());
    s.triangles = static_cast<UINT>(idx.size() / 3);
    s.dev->CreateVertexBuffer(UINT(v.size() * sizeof(Vertex)), D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_MANAGED, &s.vb);
    BYTE* p = nullptr;
    s.vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v.data(), v.size() * sizeof(Vertex));
    s.vb->Unlock();
    s.dev->CreateIndexBuffer(UINT(idx.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &s.ib);
    s.ib->Lock(0, 0, &p, 0);
    std::memcpy(p, idx.data(), idx.size() * 2);
    s.ib->Unlock();

    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    D3DXAssembleShader(kShader, UINT(std::strlen(kShader)), 0, nullptr, &code, &errors);
    if (errors) {
        std::fprintf(stderr, "%s\n", static_cast<const char*>(errors->GetBufferPointer()));
        errors->Release();
    }
    const DWORD decl[] = {D3DVSD_STREAM(0),
                          D3DVSD_REG(0, D3DVSDT_FLOAT3),
                          D3DVSD_REG(3, D3DVSDT_FLOAT3),
                          D3DVSD_REG(5, D3DVSDT_D3DCOLOR),
                          D3DVSD_REG(7, D3DVSDT_FLOAT2),
                          D3DVSD_END()};
    if (code) {
        s.dev->CreateVertexShader(decl, static_cast<const DWORD*>(code->GetBufferPointer()), &s.vs, 0);
        code->Release();
    }
    float constants[17][4] = {};
    for (int i = 0; i < 4; ++i) constants[i][i] = 1.f;     // clip transform
    for (int i = 0; i < 3; ++i) constants[4 + i][i] = 1.f; // normal transform
    const float light[4] = {0.f, 0.f, -1.f, 0.f}, misc[4] = {0.f, 0.5f, 0.5f, 1.f};
    std::memcpy(constants[8], light, 16);
    std::memcpy(constants[9], misc, 16);
    for (int i = 0; i < 4; ++i) constants[10][i] = constants[11][i] = constants[15][i] = constants[16][i] = 0.5f;
    for (int i = 0; i < 3; ++i) constants[12 + i][i] = 1.f;
    s.dev->SetVertexShaderConstant(0, constants, 17);

    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 1};
    l.Specular = {1, 1, 1, 1};
    l.Direction = {0, 0, 1};
    s.dev->SetLight(0, &l);
    s.dev->LightEnable(0, TRUE);
    D3DMATERIAL8 m{};
    m.Diffuse = m.Ambient = {1, 1, 1, 1};
    m.Specular = {0.5f, 0.5f, 0.5f, 1};
    m.Power = 8;
    s.dev->SetMaterial(&m);
    s.dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    s.dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    s.dev->SetStreamSource(0, s.vb, sizeof(Vertex));
    s.dev->SetIndices(s.ib, 0);
    return s;
}

void Run(benchmark::State& state, bool shader)
{
    Scene& s = GetScene();
    if (!s.dev || (shader && !s.vs)) {
        state.SkipWithError("no device or shader");
        return;
    }
    s.dev->SetVertexShader(shader ? s.vs : kFvf);
    s.dev->SetRenderState(D3DRS_LIGHTING, shader ? FALSE : TRUE);
    constexpr int kDraws = 8;
    // Programs are built on first use; keep that out of the timing.
    s.dev->BeginScene();
    s.dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, s.vertices, 0, s.triangles);
    s.dev->EndScene();
    glFinish();
    for (auto _ : state) {
        s.dev->BeginScene();
        for (int i = 0; i < kDraws; ++i) s.dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, s.vertices, 0, s.triangles);
        s.dev->EndScene();
        glFinish();
    }
    state.counters["vertices/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kDraws * s.triangles * 3, benchmark::Counter::kIsRate);
}

void BM_D3D8_VertexShader30(benchmark::State& state) { Run(state, true); }
void BM_D3D8_FixedFunctionLit(benchmark::State& state) { Run(state, false); }

} // namespace

BENCHMARK(BM_D3D8_VertexShader30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_D3D8_FixedFunctionLit)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_D3D8_VertexShader30", "BM_D3D8_FixedFunctionLit"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
