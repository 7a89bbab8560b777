// Software skinning (CMeshDataDynamic::Deform): 10,000 vertices of four
// weights each over 60 bones, positions only, in the same run as
// (a) a straightforward scalar loop of the formula (each influence's
//     homogeneous transform, summed with its weight) and
// (b) the floor: the same vertices transformed by one matrix, the fastest
//     way known here (one SIMD row broadcast per coordinate, stored in two
//     pieces or with one AVX-512 masked store, or the scalar loop the
//     compiler vectorises, whichever runs faster).
// Goals: at least 3 times the scalar loop, at least 30% of the floor. The
// counters x_scalar_loop and of_floor give the two ratios; each loop also
// runs alone for its plain rate.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "kestu.h"
#include "skinning_floor.h"
#include "stopwatch.h"

namespace {

using namespace Kestu;

constexpr DWORD kVertices = 10000;
constexpr DWORD kBones = 60;
constexpr DWORD kPerVertex = 4;
constexpr DWORD kStride = 36;

struct Rig {
    CMeshDataDynamic* mesh = nullptr;
    std::vector<CSkAniBone> bones;
    std::vector<CSkAniBone*> pointers;
    std::vector<D3DXMATRIX> offsets;
    std::vector<char> scratch;
    // The reference loop's own copies of the tables.
    std::vector<DWORD> boneTable;
    std::vector<float> weightTable;
};

Rig& GetRig()
{
    static Rig r;
    if (r.mesh) return r;
    std::mt19937 rng(25);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<float> vertices(kVertices * kStride / 4);
    for (DWORD v = 0; v < kVertices; ++v) {
        float* p = &vertices[v * kStride / 4];
        for (int i = 0; i < 6; ++i) p[i] = unit(rng);
        const DWORD white = 0xFFFFFFFF;
        std::memcpy(p + 6, &white, 4);
        p[7] = p[8] = 0.5f;
    }
    std::vector<DWORD> bones(kVertices * kPerVertex);
    std::vector<float> weights(kVertices * kPerVertex);
    for (DWORD v = 0; v < kVertices; ++v) {
        float sum = 0;
        for (DWORD i = 0; i < kPerVertex; ++i) {
            bones[v * kPerVertex + i] = rng() % kBones;
            weights[v * kPerVertex + i] = 0.1f + (unit(rng) + 1.0f);
            sum += weights[v * kPerVertex + i];
        }
        for (DWORD i = 0; i < kPerVertex; ++i) weights[v * kPerVertex + i] /= sum;
    }
    r.mesh = new CMeshDataDynamic();
    r.mesh->AddRef();
    r.mesh->SetVertexStride(kStride);
    r.mesh->SetVertexFVF(0x152);
    r.mesh->SetVerticesNum(kVertices);
    r.mesh->SetVertexData(reinterpret_cast<const char*>(vertices.data()), kVertices * kStride);
    r.mesh->SetBonesPerVertex(kPerVertex);
    r.mesh->SetVerInfluneceBuf(bones.data(), DWORD(bones.size()));
    r.mesh->SetVerWeightBuf(weights.data(), DWORD(weights.size()));
    r.bones.resize(kBones);
    r.offsets.resize(kBones);
    for (DWORD b = 0; b < kBones; ++b) {
        D3DXMATRIX rot, move;
        D3DXMatrixRotationYawPitchRoll(&rot, unit(rng), unit(rng), unit(rng));
        D3DXMatrixTranslation(&move, unit(rng), unit(rng), unit(rng));
        const D3DXMATRIX root = rot * move;
        r.bones[b].SetRootMatrix(&root);
        D3DXMatrixTranslation(&r.offsets[b], unit(rng), unit(rng), unit(rng));
        r.pointers.push_back(&r.bones[b]);
    }
    r.scratch.assign(kVertices * kStride, 0);
    r.boneTable = bones;
    r.weightTable = weights;
    CMeshDataMng::EnableCache(0);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
    return r;
}

// (a) The formula as written, one influence at a time.
void ScalarFormula(Rig& r)
{
    D3DXMATRIX m[kBones];
    for (DWORD b = 0; b < kBones; ++b) D3DXMatrixMultiply(&m[b], &r.offsets[b], r.bones[b].GetRootMatrix());
    const char* src = r.mesh->GetVertexData();
    const DWORD* bones = r.boneTable.data();
    const float* weights = r.weightTable.data();
    for (DWORD v = 0; v < kVertices; ++v) {
        const float* p = reinterpret_cast<const float*>(src + v * kStride);
        float* out = reinterpret_cast<float*>(r.scratch.data() + v * kStride);
        float x = 0, y = 0, z = 0;
        for (DWORD i = 0; i < kPerVertex; ++i) {
            const float w = weights[v * kPerVertex + i];
            if (w <= 0.0001f) continue;
            const D3DXMATRIX& t = m[bones[v * kPerVertex + i]];
            const float h = p[0] * t._14 + p[1] * t._24 + p[2] * t._34 + t._44;
            x += w * (p[0] * t._11 + p[1] * t._21 + p[2] * t._31 + t._41) / h;
            y += w * (p[0] * t._12 + p[1] * t._22 + p[2] * t._32 + t._42) / h;
            z += w * (p[0] * t._13 + p[1] * t._23 + p[2] * t._33 + t._43) / h;
        }
        out[0] = x;
        out[1] = y;
        out[2] = z;
    }
}

// (b) One matrix: the floor of bench/skinning_floor.h.
void OneMatrixSimd(const char* src, char* dst, const D3DXMATRIX& m)
{
    kestu_bench::OneMatrixSimd(src, dst, kVertices, kStride, m);
}

void OneMatrixMasked(const char* src, char* dst, const D3DXMATRIX& m)
{
    kestu_bench::OneMatrixMasked(src, dst, kVertices, kStride, m);
}

void OneMatrixPlain(const char* src, char* dst, const D3DXMATRIX& m)
{
    kestu_bench::OneMatrixPlain(src, dst, kVertices, kStride, m);
}

using kestu_bench::Seconds;

void Vertices(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kVertices);
    state.counters["vertices/s"] =
        benchmark::Counter(double(state.iterations()) * kVertices, benchmark::Counter::kIsRate);
}

void BM_SkinningDeform(benchmark::State& state)
{
    Rig& r = GetRig();
    const bool simd = kestu_bench::HasAvx2Fma(), masked = kestu_bench::HasAvx512Vl();
    double deform = 0, scalar = 0, simdFloor = 0, maskedFloor = 0, plainFloor = 0;
    for (auto _ : state) {
        const double d = Seconds([&] {
            r.mesh->Deform(r.pointers.data(), kBones, r.offsets.data(), nullptr, nullptr);
            benchmark::ClobberMemory();
        });
        scalar += Seconds([&] {
            ScalarFormula(r);
            benchmark::ClobberMemory();
        });
        if (simd)
            simdFloor += Seconds([&] {
                OneMatrixSimd(r.mesh->GetVertexData(), r.scratch.data(), r.offsets[0]);
                benchmark::ClobberMemory();
            });
        if (masked)
            maskedFloor += Seconds([&] {
                OneMatrixMasked(r.mesh->GetVertexData(), r.scratch.data(), r.offsets[0]);
                benchmark::ClobberMemory();
            });
        plainFloor += Seconds([&] {
            OneMatrixPlain(r.mesh->GetVertexData(), r.scratch.data(), r.offsets[0]);
            benchmark::ClobberMemory();
        });
        deform += d;
        state.SetIterationTime(d);
    }
    Vertices(state);
    double floor = plainFloor;
    if (simd) floor = std::min(floor, simdFloor);
    if (masked) floor = std::min(floor, maskedFloor);
    state.counters["x_scalar_loop"] = scalar / deform;
    state.counters["of_floor"] = floor / deform;
}
BENCHMARK(BM_SkinningDeform)->UseManualTime();

void BM_SkinningScalarFormula(benchmark::State& state)
{
    Rig& r = GetRig();
    for (auto _ : state) {
        ScalarFormula(r);
        benchmark::ClobberMemory();
    }
    Vertices(state);
}
BENCHMARK(BM_SkinningScalarFormula);

void BM_SkinningDeformAlone(benchmark::State& state)
{
    Rig& r = GetRig();
    for (auto _ : state) {
        r.mesh->Deform(r.pointers.data(), kBones, r.offsets.data(), nullptr, nullptr);
        benchmark::ClobberMemory();
    }
    Vertices(state);
}
BENCHMARK(BM_SkinningDeformAlone);

void BM_SkinningFloorOneMatrix(benchmark::State& state)
{
    Rig& r = GetRig();
    const bool simd = kestu_bench::HasAvx2Fma(), masked = kestu_bench::HasAvx512Vl();
    for (auto _ : state) {
        if (masked)
            OneMatrixMasked(r.mesh->GetVertexData(), r.scratch.data(), r.offsets[0]);
        else if (simd)
            OneMatrixSimd(r.mesh->GetVertexData(), r.scratch.data(), r.offsets[0]);
        else
            OneMatrixPlain(r.mesh->GetVertexData(), r.scratch.data(), r.offsets[0]);
        benchmark::ClobberMemory();
    }
    Vertices(state);
}
BENCHMARK(BM_SkinningFloorOneMatrix);

} // namespace
