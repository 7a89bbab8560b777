// Billboard manager: 10,000 face-me billboards scattered over a field, each
// frame moved (UpdatePosition), culled against the camera's frustum and
// sorted far to near by the manager (FrameMove with auto-decide and BBSort
// every frame), in billboards per second. The reference, measured in the
// same run, is std::sort alone of the same depth keys, in the order the
// manager held them before its sort.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "RatioReport.h"
#include "kestu_bbmng.h"
#include "kestu_billboard.h"
#include "kestu_eye.h"

namespace {

constexpr int kBillboards = 10000;
constexpr float kDt = 1.0f / 60.0f;

struct Field {
    CEye eye;
    std::vector<std::unique_ptr<CBBFaceMe>> billboards;
    std::vector<D3DXVECTOR3> home;
    CBillboardMng mng;
    float now = 0.0f;

    Field()
    {
        srand(3);
        D3DXVECTOR3 pos(0, 2, -60), dir(0, 0, 1);
        eye.SetPos(&pos, 0);
        eye.SetDirection(&dir, nullptr, 1);
        mng.Build(1, kBillboards, 1024, 0);
        mng.SetSort(0.0f, BBSort);
        for (int i = 0; i < kBillboards; ++i) {
            SBBFaceMeInit init;
            init.dwValid = 1;
            init.vPos = D3DXVECTOR3((rand() % 2001 - 1000) * 0.1f, 0.0f, (rand() % 2001 - 1000) * 0.1f);
            auto bb = std::make_unique<CBBFaceMe>();
            bb->Build(&init);
            home.push_back(init.vPos);
            mng.InsertPointer(bb.get());
            billboards.push_back(std::move(bb));
        }
    }
    ~Field() { CBillboard::SetEye(nullptr); }

    // Every billboard sways along z; the camera turns slowly.
    void Move()
    {
        now += kDt;
        eye.Yaw(0.01f, 1);
        const float sway = std::sin(now * 3.0f);
        for (int i = 0; i < kBillboards; ++i) {
            const D3DXVECTOR3 p(home[i].x, home[i].y, home[i].z + sway * static_cast<float>(i % 7));
            billboards[i]->UpdatePosition(&p);
        }
    }
    void Frame()
    {
        Move();
        mng.FrameMove(now);
    }
    // The depth keys in the manager's present order.
    void Keys(std::vector<float>& out) const
    {
        out.resize(mng.GetCount());
        for (DWORD i = 0; i < mng.GetCount(); ++i) out[i] = mng.GetBillboard(i)->GetPos()->z;
    }
};

void BM_BillboardMng(benchmark::State& state)
{
    Field field;
    for (auto _ : state) {
        field.Frame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBillboards);
    state.counters["visible"] = field.mng.GetVisibleNumber();
}

void BM_Reference_StdSort(benchmark::State& state)
{
    Field field;
    std::vector<float> keys;
    for (auto _ : state) {
        state.PauseTiming();
        field.Move();
        field.Keys(keys);
        state.ResumeTiming();
        std::sort(keys.begin(), keys.end(), std::greater<float>());
        benchmark::DoNotOptimize(keys.data());
        state.PauseTiming();
        field.mng.FrameMove(field.now);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBillboards);
}

} // namespace

BENCHMARK(BM_Reference_StdSort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BillboardMng)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.compare.push_back({"BM_BillboardMng", "BM_Reference_StdSort"});
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}
