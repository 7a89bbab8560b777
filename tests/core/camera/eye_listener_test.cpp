#include <gtest/gtest.h>

#include <string>

#include "core/camera/EyeListener.h"
#include "kestu_eye.h"

namespace {

std::string g_log;
CEye* g_seen = nullptr;

void Changed(CEye* eye)
{
    g_log += "changed ";
    g_seen = eye;
}

void Destroyed(CEye* eye)
{
    g_log += "destroyed ";
    g_seen = eye;
}

constexpr SEyeListener kRecorder{Changed, Destroyed};

struct RecordingEye : CEye {
    void OnChanged() override { g_log += "own "; }
};

// Puts the engine's own listener (the billboards') back after each test.
class EyeListener : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        g_seen = nullptr;
    }
    void TearDown() override { SetEyeListener(m_saved); }

    const SEyeListener* m_saved = GetEyeListener();
};

TEST_F(EyeListener, HearsEveryChangeBeforeTheCameraOwnHook)
{
    SetEyeListener(&kRecorder);
    RecordingEye eye;
    eye.ApplyChange();
    EXPECT_EQ(g_log, "changed own ");
    EXPECT_EQ(g_seen, &eye);
    eye.MoveTo(1, 2, 3);
    eye.Yaw(0.5f, 0); // not applied: nobody is told
    EXPECT_EQ(g_log, "changed own changed own ");
}

TEST_F(EyeListener, HearsTheEndOfCamerasMadeBeforeItCame)
{
    auto* early = new CEye;
    SetEyeListener(&kRecorder);
    delete early;
    EXPECT_EQ(g_log, "destroyed ");
    EXPECT_EQ(g_seen, early);
}

TEST_F(EyeListener, WithoutOneCamerasChangeAndEndQuietly)
{
    SetEyeListener(&kRecorder);
    {
        CEye eye;
        SetEyeListener(nullptr);
        eye.ApplyChange();
    }
    EXPECT_EQ(g_log, "");
}

} // namespace
