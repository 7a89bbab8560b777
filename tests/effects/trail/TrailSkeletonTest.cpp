// A trail emitter kept in step with a playing skeleton: the instance's frame
// callback reaches Synchronize, and the trail follows a bone frame by frame,
// across a change of action and round clips that loop.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "../../../samples/common/sample_character.h"
#include "../../../samples/common/sample_sword.h"
#include "TrailKit.h"
#include "kestu_trailemitter.h"

using namespace Kestu;

namespace {

const DWORD kSlide = 0, kLift = 1;
const float kFrameTime = 0.125f;

// The bone's key at a frame: clip kSlide moves it 10 cm along x a frame over
// five frames, clip kLift 5 cm along z a frame over nine, both 0.125 s apart.
D3DXMATRIX Key(DWORD clip, DWORD frame)
{
    D3DXMATRIX m;
    if (clip == kSlide)
        D3DXMatrixTranslation(&m, 10.0f * float(frame), 0, 0);
    else
        D3DXMatrixTranslation(&m, 0, 0, 5.0f * float(frame));
    return m;
}

// One bone, "hand", under the root helper; no skins.
samplechar::Figure Hand()
{
    samplechar::Figure f;
    f.bones = {{"hand", -1, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), 1.0f, 0, 0}};
    const samplechar::Pose slide = [](int, float phase) { return Key(kSlide, DWORD(phase * 4.0f + 0.5f)); };
    const samplechar::Pose lift = [](int, float phase) { return Key(kLift, DWORD(phase * 8.0f + 0.5f)); };
    f.clips = {{5, 4 * kFrameTime, slide}, {9, 8 * kFrameTime, lift}};
    return f;
}

// Where the playing skeleton really put the bone at each frame it showed.
struct Probe {
    CSkAniBone* bone = nullptr;
    D3DXMATRIX local;
    std::map<std::pair<DWORD, DWORD>, D3DXMATRIX> seen;

    static void Seen(DWORD event, DWORD_PTR user, DWORD_PTR instance)
    {
        auto* probe = reinterpret_cast<Probe*>(user);
        const auto* player = reinterpret_cast<const CSkeletonAni*>(instance);
        if (event == KESTU_SKLANI_FRAME)
            probe->seen[{player->GetCurrentAction(), player->GetCurrentFrame()}] =
                *probe->bone->GetRootMatrix() * probe->local;
    }
};

using Frames = std::vector<std::pair<DWORD, DWORD>>; // (clip, frame), newest first

class TrailOnSkeleton : public ::testing::Test {
protected:
    void SetUp() override
    {
        samplechar::Build(Hand(), skeleton);
        emitter.AddOutlineSegment(&hilt, &tip, 0.0f, 1.0f);
        D3DXMATRIX id;
        D3DXMatrixIdentity(&id);
        ASSERT_EQ(sample::FollowBone(emitter, skeleton, "hand", id).size(), 2u);
        emitter.Init(&strategy);
        emitter.Build();
        ASSERT_EQ(player.BuildFromSkeleton(&skeleton), 0);
        probe.bone = skeleton.GetBoneByName("hand");
        probe.local = *skeleton.GetLocalTransform();
        player.RegisterCallBack("probe", &Probe::Seen, &probe);
        player.RegisterCallBack("trail", &ITrail_Emitter::Synchronize, &emitter);
        ChangeAction(kSlide);
    }
    void TearDown() override
    {
        player.Release();
        emitter.Release();
        skeleton.Release();
    }

    // What a client does when it changes the action.
    void ChangeAction(DWORD clip)
    {
        player.SetCurrentAction(clip);
        player.Notify(KESTU_SKLANI_ACTION);
    }

    D3DXVECTOR3 At(const D3DXVECTOR3& p, std::pair<DWORD, DWORD> frame) const
    {
        const D3DXMATRIX m = Key(frame.first, frame.second) * probe.local;
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &p, &m);
        return out;
    }

    // The trail holds the blade at these frames, newest first, in its lists
    // and in the vertices it draws.
    void ExpectTrail(const Frames& frames) const
    {
        const ITrail_Context* ctx = emitter.GetContext();
        ASSERT_EQ(ctx->GetActiveCount(), int(2 * frames.size()));
        const D3DXVECTOR3* points = ctx->GetPositionList();
        const trailtest::Vertex* vertices = trailtest::Vertices(*ctx);
        for (size_t j = 0; j < frames.size(); ++j) {
            const D3DXVECTOR3 expected[2] = {At(tip, frames[j]), At(hilt, frames[j])};
            for (size_t side = 0; side < 2; ++side) {
                const size_t i = 2 * j + side;
                SCOPED_TRACE(testing::Message()
                             << "clip " << frames[j].first << " frame " << frames[j].second << " vertex " << i);
                EXPECT_NEAR(points[i].x, expected[side].x, 1e-5f);
                EXPECT_NEAR(points[i].y, expected[side].y, 1e-5f);
                EXPECT_NEAR(points[i].z, expected[side].z, 1e-5f);
                EXPECT_EQ(D3DXVECTOR3(vertices[i].x, vertices[i].y, vertices[i].z), points[i]);
            }
        }
    }

    // The skeleton showed the frame with its bone where the emitter's track has it.
    void ExpectBoneShownAt(DWORD clip, DWORD frame) const
    {
        const auto seen = probe.seen.find({clip, frame});
        ASSERT_NE(seen, probe.seen.end()) << "clip " << clip << " frame " << frame << " was never shown";
        const D3DXMATRIX track = Key(clip, frame) * probe.local;
        for (int e = 0; e < 16; ++e) EXPECT_NEAR(seen->second[e], track[e], 1e-5f);
    }

    // The frames of a clip from `shown` - 1 down to 0.
    static Frames Before(DWORD clip, DWORD shown)
    {
        Frames frames;
        for (DWORD f = shown; f-- > 0;) frames.push_back({clip, f});
        return frames;
    }

    const D3DXVECTOR3 hilt{0, 0, 0}, tip{0, 10, 0};
    CTrail_Strategy strategy{8};
    CSkeleton skeleton;
    ITrail_Emitter emitter;
    CSkeletonAni player;
    Probe probe;
};

TEST_F(TrailOnSkeleton, FollowsTheBoneFrameByFrame)
{
    // Synchronize reads the playing skeleton's head as its record.
    STrailSyncRecord head;
    std::memcpy(&head, static_cast<const void*>(&player), sizeof head);
    EXPECT_EQ(head.pSkeleton, &skeleton);
    EXPECT_EQ(head.dwActionID, kSlide);
    EXPECT_EQ(emitter.GetCurrentSequence(), kSlide);
    EXPECT_FLOAT_EQ(emitter.GetLastFrameTime(), 4 * kFrameTime);

    for (DWORD k = 1; k <= 3; ++k) {
        SCOPED_TRACE(testing::Message() << "step " << k);
        player.FrameMoveE(kFrameTime);
        ASSERT_EQ(player.GetCurrentFrame(), k);
        std::memcpy(&head, static_cast<const void*>(&player), sizeof head);
        EXPECT_EQ(head.dwFrame, k);
        ExpectBoneShownAt(kSlide, k);

        EXPECT_FLOAT_EQ(emitter.GetCurrentTime(), float(k) * kFrameTime);
        EXPECT_EQ(emitter.GetFrameIndex(), k);
        EXPECT_FLOAT_EQ(emitter.GetContext()->GetFrameParam(), float(k) / 4.0f);
        // The frames before the one shown, the newest first.
        ExpectTrail(Before(kSlide, k));
    }
}

// Steps that land the looping skeleton on its last frame, jump over it to
// the start (a step of 0.125 never shows it) or are longer than the clip.
class TrailOnLoopingSkeleton : public TrailOnSkeleton, public ::testing::WithParamInterface<float> {};

TEST_P(TrailOnLoopingSkeleton, StartsAgainWithEveryLoop)
{
    const float step = GetParam();
    const DWORD last = 4;
    int restarts = 0;
    DWORD before = 0;
    for (int i = 0; i < 40; ++i) {
        player.FrameMoveE(step);
        const DWORD shown = player.GetCurrentFrame();
        SCOPED_TRACE(testing::Message() << "step " << i << ", frame " << shown);
        if (shown < before) ++restarts;
        before = shown;
        if (shown == last) {
            // Reaching the last frame wraps the emitter's time and clears the trail.
            EXPECT_EQ(emitter.GetFrameIndex(), 0u);
            ExpectTrail({});
            continue;
        }
        EXPECT_FLOAT_EQ(emitter.GetCurrentTime(), float(shown) * kFrameTime);
        EXPECT_EQ(emitter.GetFrameIndex(), shown);
        ExpectTrail(Before(kSlide, shown));
    }
    EXPECT_GE(restarts, 4) << "the clip looped";
}

INSTANTIATE_TEST_SUITE_P(Steps, TrailOnLoopingSkeleton, ::testing::Values(0.125f, 0.2f, 0.3f, 0.45f, 0.7f));

TEST_F(TrailOnSkeleton, WithoutResetTheTrailRunsOnAcrossLoops)
{
    emitter.SetResetMode(0);
    for (int i = 0; i < 6; ++i) player.FrameMoveE(kFrameTime); // frames 1, 2, 3, 0, 1, 2
    ASSERT_EQ(player.GetCurrentFrame(), 2u);
    ExpectTrail({{kSlide, 1}, {kSlide, 0}, {kSlide, 2}, {kSlide, 1}, {kSlide, 0}});
}

TEST_F(TrailOnSkeleton, AnActionChangeCarriesTheTrailOnUntilTheNewClipStartsAgain)
{
    for (int i = 0; i < 3; ++i) player.FrameMoveE(kFrameTime);
    ChangeAction(kLift);
    EXPECT_EQ(emitter.GetCurrentSequence(), kLift);
    EXPECT_EQ(emitter.GetFrameCount(), 9u);
    ExpectTrail(Before(kSlide, 3));

    // The play time goes on in the new clip: its frames join the trail.
    player.FrameMoveE(kFrameTime);
    ASSERT_EQ(player.GetCurrentFrame(), 4u);
    ExpectTrail({{kLift, 3}, {kSlide, 2}, {kSlide, 1}, {kSlide, 0}});
    for (int i = 0; i < 3; ++i) player.FrameMoveE(kFrameTime);
    ASSERT_EQ(player.GetCurrentFrame(), 7u);
    ExpectTrail({{kLift, 6}, {kLift, 5}, {kLift, 4}, {kLift, 3}, {kSlide, 2}, {kSlide, 1}, {kSlide, 0}});

    // The new clip loops past its last frame: the trail starts again with it.
    player.FrameMoveE(kFrameTime);
    ASSERT_EQ(player.GetCurrentFrame(), 0u);
    ExpectTrail({});
    player.FrameMoveE(kFrameTime);
    player.FrameMoveE(kFrameTime);
    ExpectTrail(Before(kLift, 2));
    ExpectBoneShownAt(kLift, 2);

    // Back to the first clip.
    ChangeAction(kSlide);
    player.FrameMoveE(kFrameTime);
    ASSERT_EQ(player.GetCurrentFrame(), 3u);
    ExpectTrail({{kSlide, 2}, {kLift, 1}, {kLift, 0}});
}

TEST_F(TrailOnSkeleton, FrameMessagesItCannotPlaceAreIgnored)
{
    const auto self = reinterpret_cast<DWORD_PTR>(&emitter);
    STrailSyncRecord record{nullptr, &skeleton, kSlide, 2};
    ITrail_Emitter::Synchronize(KESTU_TRAIL_SYNC_FRAME, self, reinterpret_cast<DWORD_PTR>(&record));
    ExpectTrail(Before(kSlide, 2));

    const STrailSyncRecord bad[] = {
        {nullptr, &skeleton, 9, 1},      // no such action
        {nullptr, &skeleton, kSlide, 5}, // past the clip's last frame
        {nullptr, nullptr, kSlide, 1},   // no skeleton
    };
    for (const STrailSyncRecord& r : bad) {
        ITrail_Emitter::Synchronize(KESTU_TRAIL_SYNC_FRAME, self, reinterpret_cast<DWORD_PTR>(&r));
        EXPECT_FLOAT_EQ(emitter.GetCurrentTime(), 2 * kFrameTime);
        EXPECT_EQ(emitter.GetFrameIndex(), 2u);
    }
    ExpectTrail(Before(kSlide, 2));
}

} // namespace
