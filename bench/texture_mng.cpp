// The texture manager: loading every texture of a library of 200 PNG and 200
// DXT images, beside decoding the same bytes with D3DX alone in the same run
// (the manager's overhead is the ratio minus one; the goal is at most 10%);
// and querying and releasing a cached texture by id, beside the same count
// kept in a bare hash map (the goal is at least 10 million pairs a second).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_device.h"
#include "d3dx8.h"
#include "index_lib.h"
#include "kestu_api.h"
#include "kestu_texture_mng.h"

namespace {

constexpr int kEach = 200;
constexpr UINT kSide = 128;

struct Library {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    std::string path;
    std::vector<std::vector<uint8_t>> images; // in library order
    std::vector<DWORD> ids;
};

std::vector<uint8_t> Encode(IDirect3DDevice8* dev, D3DXIMAGE_FILEFORMAT type, D3DFORMAT format, int seed,
                            const std::string& scratch)
{
    IDirect3DTexture8* tex = nullptr;
    dev->CreateTexture(kSide, kSide, type == D3DXIFF_DDS ? 0 : 1, 0, format, D3DPOOL_SYSTEMMEM, &tex);
    std::vector<uint32_t> argb(kSide * kSide);
    for (UINT y = 0; y < kSide; ++y)
        for (UINT x = 0; x < kSide; ++x)
            argb[y * kSide + x] =
                0xFF000000u | ((x * 2 + seed) & 0xFF) << 16 | ((y * 2) & 0xFF) << 8 | ((x ^ y) & 0xFF);
    IDirect3DSurface8* top = nullptr;
    tex->GetSurfaceLevel(0, &top);
    const RECT whole{0, 0, static_cast<LONG>(kSide), static_cast<LONG>(kSide)};
    D3DXLoadSurfaceFromMemory(top, nullptr, nullptr, argb.data(), D3DFMT_A8R8G8B8, kSide * 4, nullptr, &whole,
                              D3DX_FILTER_NONE, 0);
    top->Release();
    if (type == D3DXIFF_DDS) D3DXFilterTexture(tex, nullptr, 0, D3DX_FILTER_BOX);
    D3DXSaveTextureToFileA(scratch.c_str(), type, tex, nullptr);
    tex->Release();
    std::ifstream in(scratch, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Library& GetLibrary()
{
    static Library lib;
    if (lib.dev) return lib;
    lib.d3d = Direct3DCreate8(D3D_SDK_VERSION);
    lib.dev = kestu_bench::CreateBenchDevice(lib.d3d, 64, 64);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestu_bench_texture_mng";
    std::filesystem::create_directories(dir);
    lib.path = (dir / "textures.kidx").string();
    const std::string scratch = (dir / "scratch").string();
    std::filesystem::remove(lib.path);
    CIndexLib pack;
    pack.Load(lib.path.c_str(), 0, 1, 1, 1);
    for (int i = 0; i < 2 * kEach; ++i) {
        const bool png = i < kEach;
        lib.images.push_back(
            Encode(lib.dev, png ? D3DXIFF_PNG : D3DXIFF_DDS, png ? D3DFMT_A8R8G8B8 : D3DFMT_DXT1, i, scratch));
        const std::string name = "texture" + std::to_string(i) + (png ? ".png" : ".dds");
        lib.ids.push_back(static_cast<DWORD>(1000 + i));
        pack.ImportFromMemory(lib.images.back().data(), static_cast<DWORD>(lib.images.back().size()), lib.ids.back(),
                              name.c_str());
    }
    pack.Save();
    return lib;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// D3DX alone: the same bytes, format, pool, filters and levels the manager
// asks for (the mip filter NONE becomes BOX: no file holds D3DX_DEFAULT levels).
void DecodeWithD3DX(const Library& lib, const TEXTURE_CONFIG& cfg)
{
    for (size_t i = 0; i < lib.images.size(); ++i) {
        const bool png = i < static_cast<size_t>(kEach);
        const D3DFORMAT format = Kestu_GetCfg()->GetCfg()->GetfmtTexture(png ? 1 : 0, cfg.bCompressed);
        IDirect3DTexture8* tex = nullptr;
        D3DXCreateTextureFromFileInMemoryEx(lib.dev, lib.images[i].data(), static_cast<UINT>(lib.images[i].size()),
                                            D3DX_DEFAULT, D3DX_DEFAULT, cfg.dwMipLevels, 0, format, cfg.Pool,
                                            cfg.dwFilter, D3DX_FILTER_BOX, 0, nullptr, nullptr, &tex);
        if (tex) tex->Release();
    }
}

void BM_TextureMng_LoadLibrary_VsD3DX(benchmark::State& state)
{
    Library& lib = GetLibrary();
    TEXTURE_CONFIG cfg;
    cfg.bCompressed = 1;
    CTextureMng mng;
    mng.Build(lib.dev, lib.path.c_str(), &cfg, 0, 0, 0, 1, 0);
    double manager = 0, reference = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        mng.LoadAllTexture();
        const auto t1 = std::chrono::steady_clock::now();
        mng.UnloadAllTexture();
        const auto t2 = std::chrono::steady_clock::now();
        DecodeWithD3DX(lib, cfg);
        const auto t3 = std::chrono::steady_clock::now();
        manager += Seconds(t0, t1) + Seconds(t1, t2);
        reference += Seconds(t2, t3);
    }
    if (mng.GetLoadedTextures() != 0 || mng.GetNumItems() != lib.images.size())
        state.SkipWithError("the library did not load");
    const double n = static_cast<double>(state.iterations());
    state.counters["manager_ms"] = manager / n * 1e3;
    state.counters["d3dx_ms"] = reference / n * 1e3;
    state.counters["ratio"] = manager / reference;
}

void BM_TextureMng_QueryRelease(benchmark::State& state)
{
    Library& lib = GetLibrary();
    CTextureMng mng;
    mng.Build(lib.dev, lib.path.c_str(), nullptr, 0, 0, static_cast<int>(state.range(0)), 1, 8);
    const DWORD id = lib.ids[kEach + 3];
    mng.QueryTexture(id);
    mng.ReleaseTexture(id); // cached, built, count 0
    for (auto _ : state) {
        benchmark::DoNotOptimize(mng.QueryTexture(id));
        benchmark::DoNotOptimize(mng.ReleaseTexture(id));
    }
    state.counters["pairs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["ratio_to_goal"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 10e6, benchmark::Counter::kIsRate);
}

// The same count kept in a hash map by id: the floor of a query and release.
void BM_Reference_HashMapCount(benchmark::State& state)
{
    Library& lib = GetLibrary();
    std::unordered_map<DWORD, int> counts;
    for (DWORD id : lib.ids) counts[id] = 0;
    const DWORD id = lib.ids[kEach + 3];
    for (auto _ : state) {
        benchmark::DoNotOptimize(++counts.find(id)->second);
        benchmark::DoNotOptimize(--counts.find(id)->second);
    }
    state.counters["pairs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_TextureMng_LoadLibrary_VsD3DX)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TextureMng_QueryRelease)->Arg(0)->Arg(1);
BENCHMARK(BM_Reference_HashMapCount);
