#include <gtest/gtest.h>

#include <host/host_win32.h>

#include <memory>

#include "kestu_trailemitter.h"

using namespace Kestu;

namespace {

D3DXMATRIX Shift(float x)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, 0.0f, 0.0f);
    return m;
}

// One segment from (0, 0, 0) to (0, 1, 0), sequence 7 of four frames at
// 0, 0.1, 0.2, 0.3 s that shift the carrier by the frame index along x.
class Emitter : public ::testing::Test {
protected:
    void SetUp() override
    {
        const D3DXVECTOR3 a(0, 0, 0), b(0, 1, 0);
        emitter.AddOutlineSegment(&a, &b, 0.0f, 1.0f);
        const float times[4] = {0.0f, 0.1f, 0.2f, 0.3f};
        const D3DXMATRIX shifts[4] = {Shift(0), Shift(1), Shift(2), Shift(3)};
        emitter.SetMatrixList(7, shifts, 4);
        emitter.SetFrameTimeList(7, times, 4);
        emitter.Init(&strategy);
        emitter.Build();
        host::ClearDebugOutput();
    }
    const D3DXVECTOR3* Points() const { return emitter.GetContext()->GetPositionList(); }
    CTrail_Strategy strategy{8};
    ITrail_Emitter emitter;
};

TEST_F(Emitter, OutlineSegmentsAndTheirCentres)
{
    EXPECT_EQ(emitter.GetOutlineSegCount(), 2u);
    EXPECT_EQ(emitter.GetOutlineCentres()[0], D3DXVECTOR3(0, 0.5f, 0)) << "the midpoint";
    const D3DXVECTOR3 c(5, 5, 5), a(1, 0, 0), b(2, 0, 0);
    emitter.AddOutlineSegment(&a, &b, 0.5f, 0.75f, &c);
    EXPECT_EQ(emitter.GetOutlineSegCount(), 4u);
    EXPECT_EQ(emitter.GetOutlineCentres()[1], c);
    for (int i = 0; i < 2; ++i) emitter.AddOutlineSegment(&a, &b, 0.0f, 0.0f);
    const D3DXVECTOR3* grown = emitter.GetOutlinePoints();
    emitter.AddOutlineSegment(&a, &b, 0.0f, 0.0f); // 8 + 2 points fit in 16
    EXPECT_EQ(emitter.GetOutlinePoints(), grown);
    EXPECT_EQ(emitter.GetOutlinePoints()[1], D3DXVECTOR3(0, 1, 0)) << "kept through every growth";
    EXPECT_FLOAT_EQ(emitter.GetOutlineParams()[3], 0.75f);
    emitter.ResetOutline();
    EXPECT_EQ(emitter.GetOutlineSegCount(), 0u);
}

TEST_F(Emitter, PlaysFramesUpToTheCurrentTime)
{
    emitter.SetCurrentSequence(7);
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u);
    EXPECT_FLOAT_EQ(emitter.GetTrailDuration(), 0.3f);
    EXPECT_EQ(emitter.GetContext()->GetStripsNumber(), 1u);
    emitter.FrameMove(0.25f);
    EXPECT_EQ(emitter.GetFrameIndex(), 3u);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 6) << "frames 0, 1 and 2, two points each";
    EXPECT_EQ(Points()[0], D3DXVECTOR3(2, 1, 0)) << "frame 2's second point, newest";
    EXPECT_EQ(Points()[5], D3DXVECTOR3(0, 0, 0));
    EXPECT_FLOAT_EQ(emitter.GetContext()->GetFrameParam(), 0.25f / 0.3f);
    emitter.FrameMove(0.01f);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 6) << "no new frame";

    emitter.SetSpeed(2.0f);
    emitter.FrameMove(0.03f); // 0.32: past the end, the sequence wraps to 0.02
    EXPECT_NEAR(emitter.GetCurrentTime(), 0.02f, 1e-5f);
    EXPECT_EQ(emitter.GetFrameIndex(), 1u);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 2) << "reset cleared the trail; frame 0 again";
}

TEST_F(Emitter, ALargeStepWrapsManyTimes)
{
    emitter.SetCurrentSequence(7);
    emitter.FrameMove(1.0f);
    EXPECT_NEAR(emitter.GetCurrentTime(), 0.1f, 1e-5f);
    EXPECT_EQ(emitter.GetFrameIndex(), 1u);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 2);
    // Steps so long that the time's rounding dwarfs the sequence.
    for (float step = 3.0e6f; step < 3.0e38f; step *= 1.37f) {
        emitter.FrameMove(step);
        ASSERT_GE(emitter.GetCurrentTime(), 0.0f) << step;
        ASSERT_LT(emitter.GetCurrentTime(), 0.3f) << step;
    }
    emitter.FrameMove(3.0e38f);
    EXPECT_GE(emitter.GetCurrentTime(), 0.0f);

    emitter.SetResetMode(0);
    EXPECT_EQ(emitter.IsAutoReset(), 0);
    const int before = emitter.GetContext()->GetActiveCount();
    emitter.FrameMove(0.3f);
    EXPECT_GE(emitter.GetContext()->GetActiveCount(), before) << "without reset the trail stays";
}

TEST_F(Emitter, ExplicitTrailTimesNarrowButNeverWiden)
{
    emitter.SetMaxTrailTime(0.2f);
    emitter.SetMinTrailTime(0.1f);
    emitter.SetCurrentSequence(7);
    EXPECT_FLOAT_EQ(emitter.GetMaxTrailTime(), 0.2f);
    EXPECT_FLOAT_EQ(emitter.GetMinTrailTime(), 0.1f);
    emitter.FrameMove(0.05f);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 0) << "before the min: nothing emitted";
    EXPECT_EQ(emitter.GetFrameIndex(), 1u);
    emitter.FrameMove(0.1f);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 2);

    emitter.SetMaxTrailTime(5.0f);
    emitter.SetMinTrailTime(-1.0f);
    emitter.SetCurrentSequence(7);
    EXPECT_FLOAT_EQ(emitter.GetMaxTrailTime(), 0.3f);
    EXPECT_FLOAT_EQ(emitter.GetMinTrailTime(), 0.0f);
    emitter.EnableTrailTimeExplicit(0);
    emitter.SetCurrentSequence(7);
    EXPECT_FLOAT_EQ(emitter.GetMaxTrailTime(), 0.3f);
}

TEST_F(Emitter, UnknownAndUnplayableSequencesAreRefused)
{
    emitter.SetCurrentSequence(7);
    emitter.SetCurrentSequence(99);
    EXPECT_EQ(host::GetDebugOutputText(), "Invalid ID specified\n");
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u);

    // A sequence of no length would wrap its time forever.
    const float zero[2] = {0.0f, 0.0f};
    const D3DXMATRIX two[2] = {Shift(0), Shift(1)};
    emitter.SetMatrixList(8, two, 2);
    emitter.SetFrameTimeList(8, zero, 2);
    emitter.SetCurrentSequence(8);
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u);
    // Matrices for fewer frames than the times.
    const float three[3] = {0.1f, 0.2f, 0.3f};
    emitter.SetMatrixList(9, two, 2);
    emitter.SetFrameTimeList(9, three, 3);
    emitter.SetCurrentSequence(9);
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u);

    // New lists for the sequence being played are played at once.
    const float longer[2] = {0.5f, 1.0f};
    emitter.SetMatrixList(7, two, 2);
    emitter.SetFrameTimeList(7, longer, 2);
    EXPECT_FLOAT_EQ(emitter.GetLastFrameTime(), 1.0f);
    EXPECT_EQ(emitter.GetFrameCount(), 2u);
    emitter.FrameMove(0.7f);
    EXPECT_EQ(emitter.GetFrameIndex(), 1u);
    // Times alone, without matrices for them, stop the play.
    emitter.SetMatrixList(7, nullptr, 0);
    EXPECT_EQ(emitter.GetFrameCount(), 0u);
    emitter.FrameMove(0.5f);
}

TEST_F(Emitter, WithoutAContextOnlyTheTimeMoves)
{
    ITrail_Emitter bare;
    const float times[2] = {0.1f, 0.2f};
    const D3DXMATRIX m[2] = {Shift(0), Shift(1)};
    const D3DXVECTOR3 a(0, 0, 0), b(1, 0, 0);
    bare.AddOutlineSegment(&a, &b, 0, 1);
    bare.SetMatrixList(1, m, 2);
    bare.SetFrameTimeList(1, times, 2);
    bare.FrameMove(0.05f); // no sequence yet
    EXPECT_FLOAT_EQ(bare.GetCurrentTime(), 0.05f);
    bare.SetCurrentSequence(1);
    bare.FrameMove(1.0f); // wraps with reset on, and no Init
    bare.Build();
    bare.RenderTrail();
    bare.UpdatePosition(0, 0);
    EXPECT_EQ(bare.GetContext(), nullptr);
}

TEST_F(Emitter, UpdatePositionPushesTheOutlineThroughTheWorldMatrix)
{
    const D3DXMATRIX world = Shift(10);
    emitter.SetWorldMatrix(&world);
    emitter.UpdatePosition(0, 0);
    EXPECT_EQ(emitter.GetContext()->GetActiveCount(), 2);
    EXPECT_EQ(Points()[0], D3DXVECTOR3(10, 1, 0));
    EXPECT_EQ(Points()[1], D3DXVECTOR3(10, 0, 0));
    EXPECT_EQ(emitter.GetContext()->GetCenterPosList()[0], D3DXVECTOR3(10, 0.5f, 0));
    EXPECT_FLOAT_EQ(emitter.GetContext()->GetTexCoordList()[0].x, 1.0f);
}

TEST_F(Emitter, SynchronizeFollowsActionChanges)
{
    STrailSyncRecord record{nullptr, nullptr, 7, 0};
    const auto self = reinterpret_cast<DWORD_PTR>(&emitter);
    const auto param = reinterpret_cast<DWORD_PTR>(&record);
    ITrail_Emitter::Synchronize(0x104, self, param);
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u);
    record.dwActionID = 3;
    ITrail_Emitter::Synchronize(0x102, self, param);
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u) << "0x102 does nothing";
    ITrail_Emitter::Synchronize(0x104, 0, param);
    ITrail_Emitter::Synchronize(0x104, self, 0);
    EXPECT_EQ(emitter.GetCurrentSequence(), 7u);
}

TEST_F(Emitter, CopiesOwnTheirListsAndShareTheData)
{
    auto* data = new ITrail_EmitterData;
    const float times[1] = {1.0f};
    data->SetFrameTimeList(1, times, 1);
    emitter.SetData(data);
    emitter.SetCurrentSequence(7);
    auto original = std::make_unique<ITrail_Emitter>(emitter);
    ITrail_Emitter copy(*original);
    EXPECT_EQ(data->GetRefCount(), 3u);
    original.reset();
    EXPECT_EQ(data->GetRefCount(), 2u);
    EXPECT_EQ(copy.GetOutlineSegCount(), 2u);
    EXPECT_EQ(copy.GetCurrentSequence(), 7u);
    ASSERT_NE(copy.GetContext(), nullptr);
    EXPECT_EQ(copy.GetContext()->GetPositionCntx(), nullptr) << "a copy builds its own trail";
    copy.Build();
    copy.FrameMove(0.25f);
    EXPECT_EQ(copy.GetContext()->GetActiveCount(), 6);
    ITrail_Emitter assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetFrameCount(), 4u);

    ITrail_EmitterData twin(*data);
    EXPECT_EQ(twin.GetRefCount(), 0u);
    ASSERT_EQ(twin.GetRecords().size(), 1u);
    EXPECT_NE(twin.GetRecords().at(1)->pFrameTimes, data->GetRecords().at(1)->pFrameTimes);
    data->Release();
    EXPECT_EQ(data->GetRefCount(), 3u) << "referenced: not deleted";
    emitter.SetData(nullptr);
    copy.SetData(nullptr);
    assigned.SetData(nullptr);
    EXPECT_EQ(data->GetRefCount(), 0u);
    data->Release();
    copy.Release();
    assigned.Release();
}

// Every order in which a client can end a strategy and the emitters that use
// it: nothing is called on a strategy that is gone and nothing leaks.
TEST(EmitterLifetimes, StrategyAndEmittersGoInAnyOrder)
{
    enum class End {
        ReleaseThenStrategyThenEmitters,
        EmittersThenStrategy,
        StrategyThenEmitters,
        StrategyThenReleaseAndUse,
        StrategyThenInitAnother,
        InitAgainWhileAlive,
    };
    for (End end : {End::ReleaseThenStrategyThenEmitters, End::EmittersThenStrategy, End::StrategyThenEmitters,
                    End::StrategyThenReleaseAndUse, End::StrategyThenInitAnother, End::InitAgainWhileAlive}) {
        SCOPED_TRACE(int(end));
        auto strategy = std::make_unique<CTrail_Strategy>(4);
        std::unique_ptr<ITrail_Emitter> emitters[2];
        for (auto& e : emitters) {
            e = std::make_unique<ITrail_Emitter>();
            const D3DXVECTOR3 a(0, 0, 0), b(0, 1, 0);
            e->AddOutlineSegment(&a, &b, 0.0f, 1.0f);
            e->Init(strategy.get());
            e->Build();
            e->UpdatePosition(0, 0);
            ASSERT_NE(e->GetContext()->GetPositionCntx(), nullptr);
        }
        CTrail_Strategy another(2);
        switch (end) {
        case End::ReleaseThenStrategyThenEmitters:
            for (auto& e : emitters) e->Release();
            strategy.reset();
            break;
        case End::EmittersThenStrategy:
            for (auto& e : emitters) e.reset(); // built trails go with their emitters
            strategy.reset();
            break;
        case End::StrategyThenEmitters:
        case End::StrategyThenReleaseAndUse:
        case End::StrategyThenInitAnother:
            strategy.reset();
            for (auto& e : emitters) {
                ASSERT_NE(e->GetContext(), nullptr);
                EXPECT_EQ(e->GetContext()->GetStrategy(), nullptr);
                EXPECT_EQ(e->GetContext()->GetPositionCntx(), nullptr) << "the strategy took its trail along";
            }
            if (end == End::StrategyThenReleaseAndUse) {
                // An emitter whose strategy went stays usable and inert.
                const int count = emitters[0]->GetContext()->GetActiveCount();
                emitters[0]->Build();
                emitters[0]->UpdatePosition(0, 0);
                emitters[0]->RenderTrail();
                EXPECT_EQ(emitters[0]->GetContext()->GetActiveCount(), count) << "no strategy took the push";
                EXPECT_EQ(emitters[0]->GetContext()->GetPositionCntx(), nullptr);
                emitters[0]->Release();
                EXPECT_EQ(emitters[0]->GetContext(), nullptr);
            }
            if (end == End::StrategyThenInitAnother) {
                emitters[1]->Init(&another);
                emitters[1]->Build();
                emitters[1]->UpdatePosition(0, 0);
                EXPECT_EQ(emitters[1]->GetContext()->GetActiveCount(), 2) << "both points of the segment";
            }
            break;
        case End::InitAgainWhileAlive:
            // The first trail is released when the emitter takes a new strategy.
            emitters[0]->Init(&another);
            EXPECT_EQ(emitters[0]->GetContext()->GetPositionCntx(), nullptr);
            emitters[0]->Build();
            EXPECT_EQ(emitters[0]->GetContext()->GetPositionListLen(), 4);
            strategy.reset();
            EXPECT_NE(emitters[0]->GetContext()->GetPositionCntx(), nullptr) << "not the strategy that went";
            break;
        }
        // Whatever is left goes here, emitters before `another`.
        for (auto& e : emitters) e.reset();
    }
}

} // namespace
