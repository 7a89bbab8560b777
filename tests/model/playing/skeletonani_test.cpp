// The playing skeleton: play modes at the interval's ends, speeds, steps,
// frames, callbacks, the cache's use counts and drawing.
#include <chrono>
#include <cstring>

#include "skeleton_fixture.h"
#include "support/image.h"

namespace {

using namespace modeltest;

class Playing : public SkeletonLogTest {
protected:
    void SetUp() override
    {
        SkeletonLogTest::SetUp();
        CMeshDataMng::EnableCache(0);
        MakeCharacter(hero);
    }
    CSkeleton hero;
};

TEST_F(Playing, BuildAndDefaults)
{
    CSkeletonAni idle;
    EXPECT_EQ(idle.FrameMoveE(1.0f), E_FAIL);
    EXPECT_EQ(idle.Build(), E_FAIL);
    EXPECT_EQ(idle.GetPlayMode(), ANIPLAY_LOOP);
    EXPECT_EQ(idle.GetIntervalLength(), 2000.0f);
    idle.SetPlaySpeed(0);
    EXPECT_EQ(idle.GetPlaySpeed(), 0.0001f);
    idle.SetPlaySpeed(-3);
    EXPECT_EQ(idle.GetPlaySpeed(), 0.0001f);

    CSkeletonAni ani;
    ASSERT_EQ(ani.BuildFromSkeleton(&hero), 0);
    EXPECT_EQ(ani.GetCurrentAction(), 0u);
    EXPECT_FLOAT_EQ(ani.GetIntervalEnd(), 0.8f);
    ani.SetCurrentAction(1);
    EXPECT_FLOAT_EQ(ani.GetIntervalLength(), 1.0f);
    ani.SetCurrentAction(9);
    EXPECT_EQ(ani.GetCurrentAction(), 1u);
}

TEST_F(Playing, StepsBelowTheMinimumAccumulate)
{
    CSkeletonAni ani(&hero);
    ani.Build();
    ani.FrameMoveE(0.004f);
    ani.FrameMoveE(0.004f);
    EXPECT_EQ(ani.GetPlayTime(), 0.0f);
    ani.FrameMoveE(0.004f);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.012f);
    // Absolute times: steps below the minimum are ignored, not accumulated.
    ani.FrameMove(0.005f);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.012f);
    ani.FrameMove(0.1f);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.112f);
    ani.SetPlaySpeed(2);
    ani.FrameMove(0.2f);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.312f);
}

TEST_F(Playing, PlayModesAtTheEnds)
{
    struct Case {
        ENUM_ANIPLAY_MODE mode;
        int forward;
        float time, step;
        float expected;
        int forwardAfter, playing;
    } cases[] = {
        {ANIPLAY_ONCE, 1, 9.5f, 1, 10, 1, 0},
        {ANIPLAY_ONCE, 1, 5, 1, 6, 1, 1},
        {ANIPLAY_ONCE, 0, 0.5f, 1, 0, 0, 0},
        {ANIPLAY_ONCE, 1, 2, 11, 10, 1, 0},
        {ENUM_ANIPLAY_MODE(7), 1, 9.5f, 1, 10, 1, 0},
        {ANIPLAY_LOOP, 1, 9.5f, 1, 0, 1, 1},
        {ANIPLAY_LOOP, 0, 0.5f, 1, 10, 0, 1},
        {ANIPLAY_LOOP, 1, 1, 25, 6, 1, 1},
        {ANIPLAY_PINGPONG, 1, 9.5f, 1, 9.5f, 0, 1},
        {ANIPLAY_PINGPONG, 0, 0.5f, 1, 0.5f, 1, 1},
        {ANIPLAY_PINGPONG, 1, 1, 25, 6, 1, 1},
        {ANIPLAY_PINGPONG, 1, 1, 15, 4, 1, 1},
        {ANIPLAY_PINGPONG_ONCE, 1, 9.5f, 1, 9.5f, 0, 1},
        {ANIPLAY_PINGPONG_ONCE, 1, 2, 11, 10, 1, 0},
    };
    for (const Case& c : cases) {
        CSkeletonAni ani(&hero);
        ani.Build();
        ani.SetPlayInterval(0.0f, 10.0f);
        ani.SetPlayMode(c.mode);
        ani.EnbaleForward(c.forward);
        // The play time is set by stepping from 0 (forward) or the end (backward).
        ani.SetMinPricision(0);
        ani.EnbaleForward(1);
        ani.SetPlayMode(ANIPLAY_ONCE);
        if (c.time > 0) ani.FrameMoveE(c.time);
        ani.SetPlayMode(c.mode);
        ani.EnbaleForward(c.forward);
        ani.Play();
        ani.FrameMoveE(c.step);
        EXPECT_FLOAT_EQ(ani.GetPlayTime(), c.expected) << c.mode << " " << c.time << " " << c.step;
        EXPECT_EQ(ani.IsForward(), c.forwardAfter) << c.mode << " " << c.time << " " << c.step;
        EXPECT_EQ(ani.IsPlaying(), c.playing) << c.mode << " " << c.time << " " << c.step;
    }
}

TEST_F(Playing, PingPongOnceStopsAtTheSecondBounce)
{
    CSkeletonAni ani(&hero);
    ani.Build();
    ani.SetPlayInterval(0.0f, 1.0f);
    ani.SetPlayMode(ANIPLAY_PINGPONG_ONCE);
    for (int i = 0; i < 7; ++i) ani.FrameMoveE(0.25f);
    EXPECT_EQ(ani.IsPlaying(), 1);
    EXPECT_EQ(ani.IsForward(), 0);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.25f);
    ani.FrameMoveE(0.25f);
    EXPECT_EQ(ani.IsPlaying(), 0);
    EXPECT_EQ(ani.IsForward(), 1);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.0f);
    // Stopped: nothing moves until played again.
    EXPECT_EQ(ani.FrameMoveE(0.25f), 0);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), 0.0f);
}

TEST_F(Playing, ZeroLengthClipsNeverLoop)
{
    CSkeletonAni ani(&hero);
    ani.Build();
    const auto start = std::chrono::steady_clock::now();
    for (ENUM_ANIPLAY_MODE mode : {ANIPLAY_ONCE, ANIPLAY_LOOP, ANIPLAY_PINGPONG_ONCE, ANIPLAY_PINGPONG}) {
        ani.SetPlayMode(mode);
        ani.Play();
        ani.SetPlayInterval(0.0f, 0.0f);
        EXPECT_EQ(ani.FrameMoveE(1e9f), 0);
        ani.SetPlayInterval(0.0f, 1e-7f);
        EXPECT_EQ(ani.FrameMoveE(1e9f), 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

struct Heard {
    std::vector<std::pair<DWORD, DWORD>> events; // (event, frame)
};

void Listen(DWORD event, DWORD_PTR user, DWORD_PTR instance)
{
    auto* ani = reinterpret_cast<CSkeletonAni*>(instance);
    reinterpret_cast<Heard*>(user)->events.push_back({event, ani->GetCurrentFrame()});
}

TEST_F(Playing, FramesReachedAreToldInOrder)
{
    CSkeletonAni ani(&hero);
    ani.Build();
    Heard first, second;
    EXPECT_EQ(ani.RegisterCallBack("first", Listen, &first), 0u);
    EXPECT_EQ(ani.RegisterCallBack("second", Listen, &second), 1u);
    // 0.075 s into the walk (frames every 0.8/23 s) is frame 3.
    ani.FrameMoveE(0.075f);
    ASSERT_EQ(first.events.size(), 1u);
    EXPECT_EQ(first.events[0], std::make_pair(DWORD(KESTU_SKLANI_FRAME), 3u));
    EXPECT_EQ(second.events.size(), 1u);
    EXPECT_EQ(hero.GetCurrentFrame(), 3u);
    EXPECT_EQ(ani.GetLastEvent(), DWORD(KESTU_SKLANI_FRAME));
    // The same frame again tells nobody.
    ani.FrameMoveE(0.01f);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_EQ(ani.UnRegisterCallBack(0), 1);
    EXPECT_EQ(ani.UnRegisterCallBack(0), 0);
    ani.FrameMoveE(0.1f);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_EQ(second.events.size(), 2u);
    // Copies carry the callbacks.
    CSkeletonAni copy(ani);
    copy.Notify(KESTU_SKLANI_ACTION);
    EXPECT_EQ(second.events.back().first, DWORD(KESTU_SKLANI_ACTION));
    ani.Release();
    ani.Notify(KESTU_SKLANI_ACTION);
    EXPECT_EQ(second.events.size(), 3u);
}

TEST_F(Playing, FramesAndIntervalsAreChecked)
{
    CSkeletonAni ani(&hero);
    ani.Build();
    const float* times = hero.GetAction(0)->GetFrameTime();
    ani.SetCurrentFrame(5);
    EXPECT_EQ(ani.GetCurrentFrame(), 5u);
    EXPECT_FLOAT_EQ(ani.GetPlayTime(), times[4] + 0.001f);
    EXPECT_EQ(hero.GetCurrentFrame(), 0xFFFFFFFFu);
    ani.SetCurrentFrame(24);
    EXPECT_EQ(ani.GetCurrentFrame(), 5u);
    ani.SetCurrentFrame(0);
    EXPECT_EQ(ani.GetPlayTime(), 0.0f);

    ani.SetPlayInterval(2, 6);
    EXPECT_FLOAT_EQ(ani.GetIntervalStart(), times[1]);
    EXPECT_FLOAT_EQ(ani.GetIntervalEnd(), times[6]);
    ani.SetPlayInterval(0, 100);
    EXPECT_FLOAT_EQ(ani.GetIntervalStart(), 0.0f);
    EXPECT_FLOAT_EQ(ani.GetIntervalEnd(), times[23]);
    for (auto [first, last] : {std::pair{-1, 3}, std::pair{30, 3}, std::pair{2, -1}}) {
        ani.SetPlayInterval(first, last);
        EXPECT_FLOAT_EQ(ani.GetIntervalEnd(), times[23]) << first << " " << last;
    }
}

TEST_F(Playing, EveryActionPlayedCountsInTheCache)
{
    CMeshDataMng mng;
    CMeshDataMng::EnableCache(1);
    CSkeleton s;
    s.SetMeshManager(&mng);
    MakeCharacter(s);
    const DWORD body = s.GetSkinByName("body")->GetMeshData()->GetMeshID();
    CSkeletonAni ani(&s);
    ani.Build();
    const SMeshDataCache* record = mng.GetCacheRecord(body);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->useList.size(), 1u);
    EXPECT_EQ(record->useList[0], std::make_pair(0u, 1u));
    ani.SetCurrentAction(1);
    ASSERT_EQ(record->useList.size(), 2u);
    EXPECT_EQ(record->useList[0].second, 0u);
    EXPECT_EQ(record->useList[1], std::make_pair(1u, 1u));
    s.Release();
    mng.Release();
}

// Three characters on a device: walking, waving and walking later.
class PlayingDraw : public ModelDevice {
protected:
    void TearDown() override
    {
        hero.Release();
        mng.Release();
        ModelDevice::TearDown();
    }

    void Load()
    {
        hero.Release();
        mng.Build(device);
        hero.SetMeshManager(&mng);
        MakeCharacter(hero);
        hero.Build(device);
    }

    kestu_test::Image Draw()
    {
        D3DXMATRIX view, proj;
        const D3DXVECTOR3 eye(0, 1.0f, -4.2f), at(0, 0.9f, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1.0f, 0.1f, 20.0f);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        for (int i = 0; i < 3; ++i) {
            CSkeletonAni& ani = players[i];
            ani.BuildFromSkeleton(&hero);
            ani.SetCurrentAction(i == 1 ? 1 : 0);
            ani.FrameMoveE(0.1f + 0.3f * float(i));
            D3DXMATRIX at;
            D3DXMatrixTranslation(&at, -1.1f + 1.1f * float(i), 0, 0);
            ani.SetTransform(&at);
        }
        for (CSkeletonAni& ani : players) EXPECT_EQ(ani.Render(device), 0);
        device->EndScene();
        return kestu_test::ReadRenderTarget(device);
    }

    CMeshDataMng mng;
    CSkeleton hero;
    CSkeletonAni players[3];
};

TEST_F(PlayingDraw, SoftwareAndShaderPathsDrawTheSameFigures)
{
    Load();
    const kestu_test::Image software = Draw();
    ASSERT_EQ(software.width, int(kSize));
    // Something drew in each third of the picture.
    for (int third = 0; third < 3; ++third) {
        int lit = 0;
        for (UINT y = 0; y < kSize; ++y)
            for (UINT x = third * kSize / 3; x < (third + 1) * kSize / 3; ++x)
                lit += (software.pixels[y * kSize + x] & 0xFFFFFF) != 0;
        EXPECT_GT(lit, 10) << third;
    }
    kestu_test::SaveIfFailed(software, "software");
    // The world transform is the instance's again after drawing.
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, *players[2].GetTransform());

    Load();
    if (mng.SetSkeletonRenderPath(KESTU_SKLPATH_VS) != 1) GTEST_SKIP() << "no vertex shaders";
    Load();
    EXPECT_TRUE(hero.GetSkinByName("body")->GetMeshData()->IsShaderSkinned());
    const kestu_test::Image shaded = Draw();
    // Edges may differ by a pixel: compare the pictures' coverage row by row.
    int differing = 0;
    for (size_t p = 0; p < shaded.pixels.size(); ++p)
        differing += ((shaded.pixels[p] & 0xFFFFFF) != 0) != ((software.pixels[p] & 0xFFFFFF) != 0);
    EXPECT_LT(differing, int(kSize * kSize / 50));
    kestu_test::SaveIfFailed(shaded, "shader");
}

} // namespace
