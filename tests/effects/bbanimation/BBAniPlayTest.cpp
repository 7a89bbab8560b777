#include <gtest/gtest.h>

#include <cmath>

#include "BBAniBuffer.h"

namespace {

// Three frames ending at 0.1, 0.2 and 0.3 s.
class BBAniPlay : public ::testing::Test {
protected:
    void SetUp() override { Make(ani, {0.1f, 0.2f, 0.3f}); }
    static void Make(CBBAni& a, std::initializer_list<float> times)
    {
        const auto bytes = bbtest::Buffer({bbtest::Timed(times)});
        ASSERT_EQ(a.Build(bytes.data() + KESTU_BBANI_GROUPHEADER_SIZE + KESTU_BBANI_HEADER_SIZE,
                          static_cast<DWORD>(times.size())),
                  1);
    }
    CBBAni ani;
};

TEST_F(BBAniPlay, LoopWrapsPastTheEnd)
{
    ani.Play(10.0f, ANIPLAY_LOOP, 1, 0.0f);
    ani.FrameMove(10.25f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 2u);
    ani.FrameMove(10.35f);
    EXPECT_NEAR(ani.GetTimeReference(), 0.05f, 1e-5f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 0u);
    EXPECT_TRUE(ani.IsPlaying());
    // Backward the position wraps the other way.
    ani.Play(0.0f, ANIPLAY_LOOP, 0, 0.0f);
    ani.FrameMove(0.05f);
    EXPECT_NEAR(ani.GetTimeReference(), 0.25f, 1e-5f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 2u);
}

TEST_F(BBAniPlay, OnceStopsAtTheEnd)
{
    ani.Play(0.0f, ANIPLAY_ONCE, 1, 0.0f);
    ani.FrameMove(0.15f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 1u);
    ani.FrameMove(1.0f);
    EXPECT_FALSE(ani.IsPlaying());
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.3f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 2u);
    ani.FrameMove(2.0f);
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.3f) << "a stopped animation keeps its place";
}

TEST_F(BBAniPlay, PingPongOnceTurnsThenStopsAtTheStart)
{
    ani.Play(0.0f, ANIPLAY_PINGPONG_ONCE, 1, 0.0f);
    ani.FrameMove(0.4f);
    EXPECT_TRUE(ani.IsPlaying());
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.3f);
    ani.FrameMove(0.55f);
    EXPECT_NEAR(ani.GetTimeReference(), 0.15f, 1e-5f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 1u);
    ani.FrameMove(1.0f);
    EXPECT_FALSE(ani.IsPlaying());
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.0f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 0u);
}

TEST_F(BBAniPlay, PingPongLoopTurnsAtEachEnd)
{
    ani.Play(0.0f, ANIPLAY_PINGPONG, 1, 0.0f);
    for (float now : {0.5f, 1.0f, 1.5f, 2.0f}) {
        ani.FrameMove(now);
        EXPECT_TRUE(ani.IsPlaying());
    }
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.0f);
    ani.FrameMove(2.1f);
    EXPECT_NEAR(ani.GetTimeReference(), 0.1f, 1e-5f);
}

TEST_F(BBAniPlay, PositionsAndFrames)
{
    ani.SetPosition(0.5f);
    EXPECT_NEAR(ani.GetTimeReference(), 0.15f, 1e-6f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 1u);
    EXPECT_NEAR(ani.GetPosition(), 0.5f, 1e-6f);
    ani.SetCurrentFrame(7);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 2u);
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.2f) << "forward: the frame's start";
    ani.Play(0.0f, ANIPLAY_ONCE, 0, -1.0f);
    ani.SetCurrentFrame(1);
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.2f) << "backward: the frame's end";
    EXPECT_EQ(ani.GetFrame(9), ani.GetFrame(0));
    ani.SetCycle(1, 2);
    EXPECT_FLOAT_EQ(ani.GetStartTime(), 0.1f);
    EXPECT_FLOAT_EQ(ani.GetDuration(), 0.2f);
    EXPECT_EQ(ani.GetActiveFrameNumber(), 2u);
}

TEST_F(BBAniPlay, FrameHeadsMarkTheFirstMoveIntoAFrame)
{
    ani.Play(0.0f, ANIPLAY_LOOP, 1, 0.0f);
    ani.FrameMove(0.01f);
    ani.FrameMove(0.02f);
    EXPECT_TRUE(ani.IsFirstFrame());
    EXPECT_FALSE(ani.IsFirstFrameHead()) << "still in frame 0";
    ani.FrameMove(0.25f);
    EXPECT_TRUE(ani.IsLastFrameHead());
    EXPECT_TRUE(ani.IsXFrameHead(2));
    ani.FrameMove(0.26f);
    EXPECT_FALSE(ani.IsLastFrameHead());
    EXPECT_TRUE(ani.IsLastFrame());
    EXPECT_FALSE(ani.IsMiddleFrame());
}

TEST_F(BBAniPlay, SpeedChangesScaleTheTimeStamps)
{
    ani.ChangeSpeedFromDefault(2.0f);
    EXPECT_FLOAT_EQ(ani.GetFrame(2)->m_Init.fTime, 0.6f);
    ani.Play(0.0f, ANIPLAY_ONCE, 1, 0.0f);
    ani.FrameMove(0.3f);
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 1u) << "half speed";
    ani.ChangeSpeedFromCurrent(0.5f);
    EXPECT_FLOAT_EQ(ani.GetFrame(2)->m_Init.fTime, 0.3f);
    ani.ResetSpeed();
    EXPECT_FLOAT_EQ(ani.GetFrame(1)->m_Init.fTime, 0.2f);
}

TEST_F(BBAniPlay, CheckedStepsEndWithTheEmptyFrame)
{
    ani.Play(0.0f, ANIPLAY_ONCE, 1, 0.0f);
    EXPECT_EQ(ani.GetNextFrameChk(0.15f), ani.GetFrame(1));
    EXPECT_EQ(ani.GetNextFrameChk(0.5f), &g_BBAFEmpty);
    EXPECT_FALSE(ani.IsPlaying());
    EXPECT_EQ(ani.GetCurrentFrameIdx(), 2u);
    EXPECT_EQ(ani.GetPreviousFrame(0.62f), ani.GetFrame(1));
    EXPECT_EQ(ani.GetPreviousFrameChk(1.0f), &g_BBAFEmpty);
    EXPECT_FLOAT_EQ(ani.GetTimeReference(), 0.0f);
    EXPECT_EQ(ani.GetNextFrameCyclic(1.35f), ani.GetFrame(0));
    EXPECT_NEAR(ani.GetTimeReference(), 0.05f, 1e-5f);
    EXPECT_EQ(ani.GetNextFrame(5.0f), ani.GetFrame(2));
    EXPECT_EQ(ani.GetPreviousFrameCyclic(5.05f), ani.GetFrame(2));
}

TEST_F(BBAniPlay, ExtremesOfTheFrameSizes)
{
    BBANIMATION_FRAME_INIT init;
    const float widths[3] = {2.0f, 1.0f, 2.0f}, heights[3] = {1.0f, 1.0f, 3.0f};
    for (DWORD i = 0; i < 3; ++i) {
        init.size = FSIZE(widths[i], heights[i]);
        ani.GetFrame(i)->Build(&init);
    }
    float v = 0.0f;
    EXPECT_EQ(ani.GetMaxWidth(v), 2u) << "a later frame of equal width wins";
    EXPECT_FLOAT_EQ(v, 2.0f);
    EXPECT_EQ(ani.GetMinHeight(v), 0u) << "the first of the smallest";
    EXPECT_EQ(ani.GetMaxHeight(v), 2u);
    EXPECT_EQ(ani.GetMinWidth(v), 1u);
    CBBAni none;
    EXPECT_EQ(none.GetMaxWidth(v), 0u);
    EXPECT_FLOAT_EQ(v, 0.0f);
}

TEST(BBAniPlayBad, CyclesOfNoLengthNeverLoopForever)
{
    // Every frame ends at 0: a loop has nothing to wrap by.
    CBBAni flat;
    const auto bytes = bbtest::Buffer({bbtest::Timed({0.0f, 0.0f})});
    ASSERT_EQ(flat.Build(bytes.data() + 44, 2), 1);
    flat.Play(0.0f, ANIPLAY_LOOP, 1, 0.0f);
    flat.FrameMove(1.0e9f);
    EXPECT_FLOAT_EQ(flat.GetTimeReference(), 0.0f);
    flat.Play(0.0f, ANIPLAY_LOOP, 0, 1.0f);
    flat.FrameMove(1.0e9f);
    EXPECT_FLOAT_EQ(flat.GetTimeReference(), 0.0f);
    EXPECT_EQ(flat.GetNextFrameCyclic(2.0e9f), flat.GetFrame(0));

    // A huge step on a short cycle lands inside the cycle at once.
    CBBAni tiny;
    const auto small = bbtest::Buffer({bbtest::Timed({0.001f, 0.002f})});
    ASSERT_EQ(tiny.Build(small.data() + 44, 2), 1);
    tiny.Play(0.0f, ANIPLAY_LOOP, 1, 0.0f);
    tiny.FrameMove(1.0e7f);
    EXPECT_GE(tiny.GetTimeReference(), 0.0f);
    EXPECT_LE(tiny.GetTimeReference(), 0.002f);
    tiny.FrameMove(std::nanf(""));
    EXPECT_LE(tiny.GetTimeReference(), 0.002f);

    // A sequence of no frames builds empty, also over frames built before.
    CBBAni empty;
    EXPECT_EQ(empty.Build(bytes.data() + 44, 0), 1);
    EXPECT_EQ(empty.GetCurrentFrame(), &g_BBAFEmpty);
    empty.Play(0.0f, ANIPLAY_LOOP, 1, 0.0f);
    empty.FrameMove(1.0f);
    EXPECT_EQ(tiny.Build(nullptr, 0), 1);
    EXPECT_EQ(tiny.GetFrameNumber(), 0u);
    EXPECT_EQ(tiny.GetCurrentFrame(), &g_BBAFEmpty);
    tiny.FrameMove(2.0e7f);
}

TEST(BBAniCopy, ACopyOwnsItsFrames)
{
    CBBAni a;
    const auto bytes = bbtest::Buffer({bbtest::Timed({0.1f, 0.2f}, 5)});
    ASSERT_EQ(a.Build(bytes.data() + 44, 2), 1);
    CBBAni b(a);
    a.Release();
    EXPECT_EQ(b.GetFrameNumber(), 2u);
    EXPECT_EQ(b.GetFrame(1)->m_Init.dwTextureID, 6u);
}

} // namespace
