#include <gtest/gtest.h>

#include "BBAniBuffer.h"

namespace {

const float kPi = 3.14159265f;

// Four directions of three frames each; direction d shows textures 10d + frame.
class MultiDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<bbtest::Animation> dirs;
        for (DWORD d = 0; d < 4; ++d) dirs.push_back(bbtest::Timed({0.1f, 0.2f, 0.3f}, 10 * d));
        bytes = bbtest::Buffer(dirs);
        ASSERT_EQ(BuildBBAnimationGroup(set, bytes.data(), static_cast<DWORD>(bytes.size())), 4u);
        ASSERT_EQ(multi.Build(set, 4, 0.0f, 2.0f * kPi / 4.0f), 1);
    }
    void TearDown() override
    {
        multi.Release();
        DeleteBBAnimationGroup(set, 4);
    }
    std::vector<uint8_t> bytes;
    CAnimation** set = nullptr;
    CMultiDirBBAni multi;
};

TEST_F(MultiDir, TheAngleChoosesTheDirectionWhoseSectorHoldsIt)
{
    const struct {
        float angle;
        DWORD dir;
    } cases[] = {{0.0f, 0},       {0.3f, 0},     {kPi / 2, 1},        {kPi, 2},        {1.5f * kPi, 3},
                 {1.9f * kPi, 0}, {-kPi / 2, 3}, {5.0f * kPi / 2, 1}, {-7.0f * kPi, 2}};
    for (const auto& c : cases) EXPECT_EQ(multi.PickDirection(c.angle), c.dir) << c.angle;
}

TEST_F(MultiDir, DirectionsShareOneClock)
{
    multi.Play(0.0f, ANIPLAY_LOOP, 1, 0.0f);
    multi.FrameMove(0.05f, 0.0f);
    EXPECT_EQ(multi.GetCurrentFrame()->m_Init.dwTextureID, 0u);
    // Turning to direction 2 keeps the play time: its picture of frame 1.
    multi.FrameMove(0.15f, kPi);
    EXPECT_EQ(multi.GetCurrentDirection(), 2u);
    EXPECT_EQ(multi.GetCurrentFrame()->m_Init.dwTextureID, 21u);
    multi.FrameMove(0.25f, kPi / 2);
    EXPECT_EQ(multi.GetCurrentFrame()->m_Init.dwTextureID, 12u);
    EXPECT_TRUE(multi.IsPlaying());
    multi.Stop();
    EXPECT_FALSE(multi.IsPlaying());
    EXPECT_EQ(multi.GetFrameNumber(), 3u);
}

} // namespace
