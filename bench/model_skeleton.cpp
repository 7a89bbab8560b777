// Playing skeletons: 100 instances of a 60-bone, 5,040-vertex creature (two
// bones a vertex, positions only) advanced by one step each, every step a new
// frame of the clip: the bones moved to it and the skin deformed in software.
// Rates are instances per second. References, in the same run:
//   the skinning floor: each instance's vertices transformed by one matrix
//     (bench/skinning_floor.h, the fastest of the SIMD and the plain loop);
//   the deformation alone (CalcDeform of the instance's frame).
// BM_SkeletonAnimation is the animation part a client adds for blended
// frames: the clip lookup, the slerp of two frames' keys, the hierarchy walk
// to model space and the bones moved; it must cost less than the skinning,
// so its ratio to BM_SkeletonDeform stays above 100%.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "../samples/common/sample_character.h"
#include "RatioReport.h"
#include "kestu.h"
#include "skinning_floor.h"

namespace {

using namespace Kestu;

constexpr int kInstances = 100;
constexpr int kArms = 5, kBonesPerArm = 12, kRings = 7, kSegments = 12;
constexpr DWORD kFrames = 30;
// A step of one and a half frames: every instance reaches a new frame.
constexpr float kStep = 1.5f / float(kFrames - 1);

struct Scene {
    CSkeleton skeleton;
    std::vector<CSkeletonAni> players;
    CSkAniSkin* skin = nullptr;
    CActionData* clip = nullptr;
    std::vector<D3DXMATRIX> relative, model;
    std::vector<char> scratch;
    std::vector<float> clocks;
};

Scene& GetScene()
{
    static std::unique_ptr<Scene> scene;
    if (scene) return *scene;
    CMeshDataMng::EnableCache(0);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
    scene = std::make_unique<Scene>();
    Scene& s = *scene;
    samplechar::Build(samplechar::Creature(kArms, kBonesPerArm, kRings, kSegments, kFrames), s.skeleton);
    s.skin = s.skeleton.GetSkinByIndex(0);
    s.clip = s.skeleton.GetAction(0)->GetCurActionData();
    s.players.resize(kInstances);
    for (int i = 0; i < kInstances; ++i) {
        s.players[i].BuildFromSkeleton(&s.skeleton);
        s.players[i].FrameMoveE(0.0123f * float(i));
        s.clocks.push_back(0.0123f * float(i));
    }
    s.relative.resize(s.clip->GetBoneNum());
    s.model.resize(s.clip->GetBoneNum());
    s.scratch.assign(s.skin->GetMeshData()->GetVertexBufferSize(), 0);
    return s;
}

void Instances(benchmark::State& state) { state.SetItemsProcessed(int64_t(state.iterations()) * kInstances); }

void BM_SkeletonFrameMove(benchmark::State& state)
{
    Scene& s = GetScene();
    for (auto _ : state) {
        for (CSkeletonAni& ani : s.players) ani.FrameMoveE(kStep);
        benchmark::ClobberMemory();
    }
    Instances(state);
}
BENCHMARK(BM_SkeletonFrameMove);

void BM_SkeletonAnimation(benchmark::State& state)
{
    Scene& s = GetScene();
    CAction* adapter = static_cast<CAction*>(s.skeleton.GetAction(0));
    const float* times = s.clip->GetFrameTime();
    for (auto _ : state) {
        for (float& clock : s.clocks) {
            clock += kStep;
            float t = clock;
            const DWORD next = s.clip->GetPositionByTime(t);
            const DWORD frame = next > 0 ? next - 1 : 0;
            const float span = times[next] - times[frame];
            const float blend = span > 0 ? (t - times[frame]) / span : 0.0f;
            s.clip->GenRMListSlerp(frame, next, blend, s.relative.data());
            s.clip->RM2TMSingleFrame(s.relative.data(), s.model.data());
            CSkAniBone** bones = adapter->GetBonePtrList();
            for (DWORD b = 0; b < adapter->GetBoneNumber(); ++b) bones[b]->Transform(&s.model[b]);
        }
        benchmark::ClobberMemory();
    }
    Instances(state);
}
BENCHMARK(BM_SkeletonAnimation);

void BM_SkeletonDeform(benchmark::State& state)
{
    Scene& s = GetScene();
    for (auto _ : state) {
        for (int i = 0; i < kInstances; ++i) s.skin->CalcDeform();
        benchmark::ClobberMemory();
    }
    Instances(state);
}
BENCHMARK(BM_SkeletonDeform);

template <bool Simd>
void SkinningFloor(benchmark::State& state)
{
    Scene& s = GetScene();
    if (Simd && !kestu_bench::HasAvx2Fma()) {
        state.SkipWithError("no AVX2 and FMA");
        return;
    }
    CMeshDataBase* mesh = s.skin->GetMeshData();
    const char* src = mesh->GetVertexData();
    const size_t count = mesh->GetVerticesNum(), stride = mesh->GetVertexStride();
    const D3DXMATRIX& m = *s.skeleton.GetBoneByIndex(7)->GetRootMatrix();
    for (auto _ : state) {
        for (int i = 0; i < kInstances; ++i) {
            if (Simd)
                kestu_bench::OneMatrixSimd(src, s.scratch.data(), count, stride, m);
            else
                kestu_bench::OneMatrixPlain(src, s.scratch.data(), count, stride, m);
        }
        benchmark::ClobberMemory();
    }
    Instances(state);
}

void BM_SkinningFloorSimd(benchmark::State& state) { SkinningFloor<true>(state); }
void BM_SkinningFloorPlain(benchmark::State& state) { SkinningFloor<false>(state); }
BENCHMARK(BM_SkinningFloorSimd);
BENCHMARK(BM_SkinningFloorPlain);

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.limits.push_back({"skinning floor", {"BM_SkinningFloorSimd", "BM_SkinningFloorPlain"}});
    table.compare.push_back({"BM_SkeletonFrameMove", "skinning floor"});
    table.compare.push_back({"BM_SkeletonDeform", "skinning floor"});
    table.compare.push_back({"BM_SkeletonAnimation", "BM_SkeletonDeform"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
