#include <gtest/gtest.h>

#include "BBAniBuffer.h"

using bbtest::Buffer;
using bbtest::Timed;

namespace {

struct Group {
    CAnimation** animations = nullptr;
    DWORD count = 0;
    ~Group() { DeleteBBAnimationGroup(animations, count); }
    CBBAni* At(DWORD i) const { return static_cast<CBBAni*>(animations[i]); }
};

DWORD Build(Group& g, const std::vector<uint8_t>& bytes)
{
    g.count = BuildBBAnimationGroup(g.animations, bytes.data(), static_cast<DWORD>(bytes.size()));
    return g.count;
}

TEST(BBAnimationGroup, BuildsEveryAnimationWithItsFrames)
{
    bbtest::Animation wide = Timed({0.5f, 1.0f}, 20);
    wide.frames[1] = {21, 1.0f, 0.25f, 0.75f, 0.1f, 0.2f, 3.0f, 4.0f, 0.5f, 0.25f, 1.0f, 0.75f};
    wide.recordSize = 64; // records step by the stored size between animations
    const auto bytes = Buffer({Timed({0.1f, 0.2f, 0.3f}, 10), wide, Timed({2.0f}, 30)});
    Group g;
    ASSERT_EQ(Build(g, bytes), 3u);
    EXPECT_EQ(g.At(0)->GetFrameNumber(), 3u);
    EXPECT_EQ(g.At(1)->GetFrameNumber(), 2u);
    EXPECT_EQ(g.At(2)->GetFrameNumber(), 1u);
    EXPECT_EQ(g.At(2)->GetFrame(0)->m_Init.dwTextureID, 30u);
    const BBANIMATION_FRAME_INIT& f = g.At(1)->GetFrame(1)->m_Init;
    EXPECT_EQ(f.dwTextureID, 21u);
    EXPECT_FLOAT_EQ(f.ptHotSpot.x, 0.25f);
    EXPECT_FLOAT_EQ(f.vOffset.y, 0.2f);
    EXPECT_FLOAT_EQ(f.size.cx, 3.0f);
    EXPECT_FLOAT_EQ(f.rcTexture.bottom, 0.75f);
    EXPECT_FLOAT_EQ(g.At(1)->GetFrame(1)->GetDefaultTime(), 1.0f);
    EXPECT_TRUE(g.At(0)->IsBuilt());
}

TEST(BBAnimationGroup, RefusesBadHeadsCountsAndRecordSizes)
{
    bbtest::Animation small = Timed({0.1f});
    small.recordSize = 40;
    const std::vector<std::vector<uint8_t>> bad = {
        Buffer({Timed({0.1f})}, 2),     // version
        Buffer({Timed({0.1f})}, 1, 1),  // second word
        Buffer({}),                     // no animations
        Buffer({Timed({0.1f}), small}), // frame records smaller than a frame
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        Group g;
        EXPECT_EQ(Build(g, bad[i]), 0u) << "case " << i;
        EXPECT_EQ(g.animations, nullptr);
    }
    Group none;
    EXPECT_EQ(BuildBBAnimationGroup(none.animations, nullptr, 100), 0u);
}

// An animation of no frames is kept as an empty one, and the animations
// around it are built.
TEST(BBAnimationGroup, AnAnimationWithoutFramesIsKeptEmpty)
{
    bbtest::Animation empty;
    bbtest::Animation emptyNoSize;
    emptyNoSize.recordSize = 0;
    const auto bytes = Buffer({Timed({0.1f, 0.2f}, 5), empty, Timed({0.3f}, 6), emptyNoSize});
    Group g;
    ASSERT_EQ(Build(g, bytes), 4u);
    EXPECT_EQ(g.At(0)->GetFrameNumber(), 2u);
    EXPECT_EQ(g.At(2)->GetFrame(0)->m_Init.dwTextureID, 6u);
    for (DWORD i : {1u, 3u}) {
        CBBAni* e = g.At(i);
        EXPECT_EQ(e->GetFrameNumber(), 0u) << i;
        EXPECT_EQ(e->GetFrame(0), &g_BBAFEmpty) << i;
        e->Play(1.0f, ANIPLAY_LOOP, 1, 0.0f);
        e->FrameMove(2.5f);
        e->SetPosition(0.5f);
        e->SetCurrentFrame(3);
        EXPECT_EQ(e->GetCurrentFrame(), &g_BBAFEmpty) << i;
    }
    // A range that starts at the empty one.
    CAnimation** range = nullptr;
    ASSERT_EQ(BuildBBAnimationGroup(range, bytes.data(), DWORD(bytes.size()), 1, 2), 2u);
    EXPECT_EQ(static_cast<CBBAni*>(range[1])->GetFrameNumber(), 1u);
    DeleteBBAnimationGroup(range, 2);
}

TEST(BBAnimationGroup, EveryShortenedBufferIsRefused)
{
    const auto bytes = Buffer({Timed({0.1f, 0.2f}), Timed({0.3f})});
    for (size_t n = 0; n < bytes.size(); ++n) {
        Group g;
        EXPECT_EQ(BuildBBAnimationGroup(g.animations, bytes.data(), static_cast<DWORD>(n)), 0u) << n;
    }
    // A count that claims more animations than the bytes can hold.
    auto lying = bytes;
    lying[4] = 0xFF, lying[5] = 0xFF, lying[6] = 0xFF, lying[7] = 0xFF;
    Group g;
    EXPECT_EQ(Build(g, lying), 0u);
    // A frame count whose records would run past the end.
    auto longFrames = bytes;
    longFrames[36] = 0xFF, longFrames[37] = 0xFF, longFrames[38] = 0xFF, longFrames[39] = 0x0F;
    EXPECT_EQ(Build(g, longFrames), 0u);
}

TEST(BBAnimationGroup, BuildsARangeOfAnimations)
{
    const auto bytes = Buffer({Timed({0.1f}, 1), Timed({0.1f}, 2), Timed({0.1f}, 3)});
    const DWORD n = static_cast<DWORD>(bytes.size());
    Group g;
    g.count = BuildBBAnimationGroup(g.animations, bytes.data(), n, 1, 2);
    ASSERT_EQ(g.count, 2u);
    EXPECT_EQ(g.At(0)->GetFrame(0)->m_Init.dwTextureID, 2u);
    EXPECT_EQ(g.At(1)->GetFrame(0)->m_Init.dwTextureID, 3u);
    CAnimation** none = nullptr;
    EXPECT_EQ(BuildBBAnimationGroup(none, bytes.data(), n, 0, 0), 0u);
    EXPECT_EQ(BuildBBAnimationGroup(none, bytes.data(), n, 3, 1), 0u);
    EXPECT_EQ(BuildBBAnimationGroup(none, bytes.data(), n, 2, 2), 0u);
    EXPECT_EQ(none, nullptr);
}

TEST(BBAnimationFrame, RecordsRoundTripAndValidity)
{
    BBANIMATION_FRAME_INIT init;
    init.dwTextureID = 7;
    init.fTime = 0.25f;
    init.size = FSIZE(2.0f, 3.0f);
    CBBAFrame frame;
    ASSERT_EQ(frame.Build(&init), 1);
    uint8_t bytes[48] = {};
    EXPECT_EQ(frame.WriteInitToBuffer(bytes), 1);
    EXPECT_EQ(frame.WriteInitToBuffer(nullptr), 0);
    CBBAFrame back;
    EXPECT_EQ(back.ReadInitfromBuffer(nullptr), 0);
    EXPECT_FALSE(back.IsBuilt());
    ASSERT_EQ(back.BuildFromRecord(bytes), 1);
    EXPECT_EQ(back.m_Init.dwTextureID, 7u);
    EXPECT_FLOAT_EQ(back.m_Init.size.cy, 3.0f);
    EXPECT_TRUE(back.IsValid());
    back.ChangeTimeReferenceFromDefault(2.0f);
    back.ChangeTimeReferenceFromCurrent(2.0f);
    EXPECT_FLOAT_EQ(back.m_Init.fTime, 1.0f);
    back.ResetTimeReference();
    EXPECT_FLOAT_EQ(back.m_Init.fTime, 0.25f);
    EXPECT_TRUE(g_BBAFEmpty.IsEmpty());
    back.m_Init.rcTexture.right = 0.0f;
    EXPECT_FALSE(back.IsValid());
}

} // namespace
