// The playing mesh: time tables, every play mode, speed, cycles, removed frames.
#include <gtest/gtest.h>

#include "gma_fixtures.h"
#include "kestu_meshani.h"

using namespace gmatest;

namespace {

// A file with frames at the given positions and duration.
std::vector<BYTE> Timeline(const std::vector<float>& positions, float duration)
{
    Grid g;
    g.frames = int(positions.size());
    CGmaFile f = g.File();
    f.header.fDuration = duration;
    for (size_t i = 0; i < positions.size(); ++i) f.frames[i].fPos = positions[i];
    return Bytes(f);
}

void BuildPlayer(CMeshAni& a, const std::vector<float>& positions, float duration)
{
    const std::vector<BYTE> b = Timeline(positions, duration);
    ASSERT_EQ(a.BuildFromFileInMemory(b.data(), DWORD(b.size()), 5), S_OK);
}

} // namespace

TEST(MeshAni, TimeTableAtEachSpeed)
{
    CMeshAni a;
    BuildPlayer(a, {0.0f, 0.25f, 0.5f, 0.75f}, 2.0f);
    EXPECT_EQ(a.GetAniDataID(), 5u);
    ASSERT_EQ(a.GetNumFrames(), 5u);
    const float* t = a.GetTimeTable();
    const float at1[] = {0.0f, 0.5f, 1.0f, 1.5f, 2.0f};
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(t[i], at1[i]) << i;
    a.SetSpeed(2.0f);
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(t[i], at1[i] / 2) << i;
    EXPECT_FLOAT_EQ(a.GetDuration(), 1.0f);
    EXPECT_EQ(a.GetRawTimeRefList()[4], 1.0f);
    EXPECT_FALSE(a.IsPlaying());
    EXPECT_EQ(a.GetPlayMode(), ANIPLAY_LOOP);
}

TEST(MeshAni, LoopWrapsForwardAndBackward)
{
    CMeshAni a;
    BuildPlayer(a, {0.0f, 0.25f, 0.5f, 0.75f}, 2.0f);
    a.Play(10.0f, ANIPLAY_LOOP, TRUE, 0.0f);
    ASSERT_TRUE(a.IsPlaying());
    a.FrameMove(12.1f);
    EXPECT_NEAR(a.GetCurrentTime(), 0.1f, 1e-4f);
    EXPECT_EQ(a.GetCurrentFrame(), 0u);
    a.FrameMove(13.2f);
    EXPECT_NEAR(a.GetCurrentTime(), 1.2f, 1e-4f);
    EXPECT_EQ(a.GetCurrentFrame(), 2u);
    EXPECT_EQ(a.GetPrevFrame(), 0u);
    a.Play(0.0f, ANIPLAY_LOOP, FALSE, 0.0f);
    a.FrameMove(0.3f);
    EXPECT_NEAR(a.GetCurrentTime(), 1.7f, 1e-4f);
    EXPECT_EQ(a.GetCurrentFrame(), 3u); // the end mark itself is never shown by time
}

TEST(MeshAni, OnceAndPingPongModes)
{
    struct Step {
        float time, current;
        DWORD frame;
        bool playing;
    };
    struct Case {
        ENUM_ANIPLAY_MODE mode;
        BOOL forward;
        std::vector<Step> steps;
    } cases[] = {
        {ANIPLAY_ONCE, TRUE, {{1.2f, 1.2f, 2, true}, {2.5f, 2.0f, 3, false}}},
        {ANIPLAY_ONCE, FALSE, {{0.4f, 0.0f, 0, false}}},
        {ENUM_ANIPLAY_MODE(9), TRUE, {{3.0f, 2.0f, 3, false}}},
        {ANIPLAY_PINGPONG_ONCE, TRUE, {{2.5f, 2.0f, 3, true}, {3.2f, 1.3f, 2, true}, {4.6f, 0.0f, 0, false}}},
        {ANIPLAY_PINGPONG, TRUE, {{2.5f, 2.0f, 3, true}, {4.6f, 0.0f, 0, true}, {5.2f, 0.6f, 1, true}}},
    };
    for (const Case& c : cases) {
        CMeshAni a;
        BuildPlayer(a, {0.0f, 0.25f, 0.5f, 0.75f}, 2.0f);
        a.Play(0.0f, c.mode, c.forward, 0.0f);
        for (const Step& s : c.steps) {
            a.FrameMove(s.time);
            EXPECT_NEAR(a.GetCurrentTime(), s.current, 1e-4f) << c.mode << " at " << s.time;
            EXPECT_EQ(a.GetCurrentFrame(), s.frame) << c.mode << " at " << s.time;
            EXPECT_EQ(bool(a.IsPlaying()), s.playing) << c.mode << " at " << s.time;
        }
    }
}

TEST(MeshAni, SpeedAndShortCycles)
{
    CMeshAni a;
    BuildPlayer(a, {0.0f, 0.25f, 0.5f, 0.75f}, 2.0f);
    a.PlayInSpeed(0.0f, 2.0f, ANIPLAY_LOOP, TRUE, 0.0f);
    a.FrameMove(0.6f);
    EXPECT_EQ(a.GetCurrentFrame(), 2u); // 0.6 of the 1.0 cycle at speed 2
    a.SetSpeed(-1.0f);
    EXPECT_FALSE(a.IsForward());
    EXPECT_EQ(a.GetSpeed(), 1.0f);
    a.SetSpeed(0.005f);
    EXPECT_FALSE(a.IsPlaying());
    EXPECT_EQ(a.GetSpeed(), 1.0f);
    // A cycle shorter than 0.03 does not play.
    CMeshAni b;
    BuildPlayer(b, {0.0f, 0.25f}, 0.04f);
    b.Play(0.0f, ANIPLAY_LOOP, TRUE, 0.0f);
    EXPECT_TRUE(b.IsPlaying());
    ASSERT_EQ(b.SetCycle(0, 1), S_OK);
    b.Play(0.0f, ANIPLAY_LOOP, TRUE, 0.0f);
    EXPECT_FALSE(b.IsPlaying());
}

TEST(MeshAni, CyclesAndFramePositions)
{
    CMeshAni a;
    BuildPlayer(a, {0.0f, 0.25f, 0.5f, 0.75f}, 2.0f);
    ASSERT_EQ(a.SetCycle(1, 3), S_OK);
    EXPECT_FLOAT_EQ(a.GetDuration(), 1.0f);
    EXPECT_EQ(a.GetTimeTable()[0], -1.0f);
    EXPECT_FLOAT_EQ(a.GetTimeTable()[3], 1.0f);
    EXPECT_EQ(a.GetPos(0), -1.0f);
    EXPECT_FLOAT_EQ(a.GetPos(2), 0.5f);
    // Frames the mesh does not have are refused and change nothing.
    EXPECT_EQ(a.SetCycle(2, 9), E_INVALIDARG);
    EXPECT_EQ(a.SetCycle(3, 2), E_INVALIDARG);
    EXPECT_EQ(a.GetCycleStart(), 1u);
    a.SetPosByFrame(0);
    EXPECT_EQ(a.GetCurrentFrame(), 1u);
    a.Rewind(FALSE);
    EXPECT_EQ(a.GetCurrentFrame(), 3u);
    EXPECT_EQ(a.SetAbsPosOfFrame(2, 0.9f), S_OK);
    EXPECT_FLOAT_EQ(a.GetRawTimeRefList()[2], 0.75f); // held below the next frame
    EXPECT_EQ(a.SetAbsPosOfFrame(0, 0.1f), E_FAIL);
    a.Play(0.0f, ANIPLAY_LOOP, TRUE, 0.0f);
    EXPECT_EQ(a.SetAbsPosOfFrame(2, 0.6f), E_FAIL);
    EXPECT_FLOAT_EQ(a.GetRawTimeRefList()[2], 0.75f);
}

TEST(MeshAni, CopiesOwnTheirArrays)
{
    CMeshAni* a = new CMeshAni;
    BuildPlayer(*a, {0.0f, 0.5f}, 1.0f);
    CMeshAni b(*a);
    CMeshAni c;
    c = *a;
    delete a; // the copies keep working
    b.Play(0.0f, ANIPLAY_LOOP, TRUE, 0.0f);
    b.FrameMove(0.6f);
    EXPECT_EQ(b.GetCurrentFrame(), 1u);
    EXPECT_EQ(c.GetTimeTable()[1], 0.5f);
}

class MeshAniFiles : public TempDir {};

TEST_F(MeshAniFiles, RemoveFramesAndSaveTheirPositions)
{
    Grid g;
    g.frames = 4;
    CGmaFile f = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_FRAME_BOUNDBOX);
    const std::string path = Save("r.gma", f);
    CMeshAni a;
    ASSERT_EQ(a.BuildFromFile(path.c_str(), 1), S_OK);
    EXPECT_EQ(a.RemoveFrame(4), E_FAIL); // the end mark
    ASSERT_EQ(a.RemoveFrame(1), S_OK);
    ASSERT_EQ(a.RemoveFrame(1), S_OK); // the second of the frames still there: file frame 2
    EXPECT_EQ(a.GetNumFrames(), 3u);
    ASSERT_EQ(a.SaveToGMA(path.c_str()), S_OK);
    CGmaFile r;
    ASSERT_EQ(r.Load(path.c_str()), S_OK);
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[1].vertices[3].p, f.frames[3].vertices[3].p);
    EXPECT_EQ(r.frames[1].fPos, 0.75f);
    ASSERT_EQ(r.boundBoxes.size(), 2u);
    EXPECT_EQ(r.boundBoxes[1].max.z, f.boundBoxes[3].max.z);
    // The last file frame stays.
    ASSERT_EQ(a.RemoveFrame(0), S_OK);
    EXPECT_EQ(a.RemoveFrame(0), E_FAIL);
    CMeshAni one;
    g.frames = 1;
    const std::string single = Save("one.gma", g.File());
    ASSERT_EQ(one.BuildFromFile(single.c_str(), 1), S_OK);
    EXPECT_EQ(one.RemoveFrame(0), E_FAIL);
    EXPECT_EQ(one.BuildFromFile(Path("missing.gma").c_str(), 1), E_FAIL);
    EXPECT_FALSE(one.IsBuilt());
}
