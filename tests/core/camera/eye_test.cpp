#include <gtest/gtest.h>

#include <cmath>

#include "kestu_billboard.h"
#include "kestu_eye.h"
#include "kestu_resolution.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707964f;

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

bool IsFinite(const D3DXMATRIX& m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!std::isfinite(m.m[r][c])) return false;
    return true;
}

TEST(ViewingFrustum, DefaultsAndViewport)
{
    CViewingFrustum v;
    EXPECT_FLOAT_EQ(v.GetFOV(), 1.0471976f);
    EXPECT_FLOAT_EQ(v.GetAspect(), 1.0f);
    EXPECT_FLOAT_EQ(v.GetNearZ(), 1.0f);
    EXPECT_FLOAT_EQ(v.GetFarZ(), 100.0f);
    EXPECT_EQ(v.IsOrthoMode(), 0);
    EXPECT_FLOAT_EQ(v.GetWidenRate(0), 1.1f);
    const float h = 2.0f * std::tan(1.0471976f * 0.5f);
    EXPECT_NEAR(v.GetViewportSize()->cy, h, 1e-5f);
    EXPECT_EQ(v.IsInViewportRect(v.GetViewportSize()->cx * 0.5f, 0), 1);
    EXPECT_EQ(v.IsInViewportRect(v.GetViewportSize()->cx * 0.5f + 0.01f, 0), 0);
}

TEST(Eye, Defaults)
{
    CEye eye;
    ExpectVec(*eye.GetDirection(), 0, 0, 1);
    ExpectVec(*eye.GetUpVec(), 0, 1, 0);
    ExpectVec(*eye.GetRightVec(), 1, 0, 0);
    ExpectVec(*eye.GetPos(), 0, 0, 0);
    EXPECT_EQ(eye.GetCtrlMode(), EYECTRL_LEVEL);
    EXPECT_EQ(eye.IsLeanLimit(), 1);
    EXPECT_FLOAT_EQ(eye.GetMaxLean(), kHalfPi);

    eye.ApplyChange();
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(eye.GetViewMatrix()->m[r][c], id.m[r][c], 1e-6f);
            EXPECT_NEAR(eye.GetTransScreenMatrix()->m[r][c], eye.GetProjMatrix()->m[r][c], 1e-6f);
        }
}

TEST(Eye, YawAndPitchFromDirection)
{
    const struct {
        D3DXVECTOR3 dir;
        float yaw;
        float pitch;
    } cases[] = {
        {{1, 0, 0}, kHalfPi, 0},  {{0, 0, -1}, kPi, 0},     {{-1, 0, 0}, -kHalfPi, 0},
        {{0, -1, 0}, 0, kHalfPi}, {{0, 1, 0}, 0, -kHalfPi}, {{0, -1, 1}, 0, kPi / 4},
    };
    for (const auto& c : cases) {
        CEye eye;
        eye.SetDirection(&c.dir, nullptr, 1);
        EXPECT_NEAR(eye.GetYaw(), c.yaw, 1e-5f) << c.dir.x << c.dir.y << c.dir.z;
        EXPECT_NEAR(eye.GetPitch(), c.pitch, 1e-5f) << c.dir.x << c.dir.y << c.dir.z;
        EXPECT_TRUE(IsFinite(*eye.GetViewMatrix()));
        EXPECT_TRUE(IsFinite(*eye.GetViewInverseMatrix()));
        EXPECT_TRUE(IsFinite(*eye.GetTransScreenMatrix()));
    }
}

TEST(Eye, LevelModeMoves)
{
    CEye eye;
    D3DXVECTOR3 dir(1, 1, 0);
    eye.SetDirection(&dir, nullptr, 1);
    eye.MoveUp(3, 1);
    ExpectVec(*eye.GetPos(), 0, 3, 0);
    D3DXVECTOR3 up(0, 1, 0);
    eye.SetDirection(&up, nullptr, 1);
    eye.MoveForward(5, 1); // the flat direction is zero
    ExpectVec(*eye.GetPos(), 0, 3, 0);
}

TEST(Eye, LeanLimitUndoesAPitchPastStraightDown)
{
    CEye eye;
    eye.ApplyChange();
    eye.Pitch(1.0f, 1);
    const D3DXVECTOR3 dir = *eye.GetDirection();
    eye.Pitch(1.0f, 1); // would pass straight down
    ExpectVec(*eye.GetDirection(), dir.x, dir.y, dir.z);
    EXPECT_GE(eye.GetUpVec()->y, 0.0f);
    EXPECT_TRUE(IsFinite(*eye.GetViewMatrix()));
}

TEST(Eye, SetMaxLeanClamps)
{
    CEye eye;
    eye.SetMaxLean(2.0f);
    EXPECT_FLOAT_EQ(eye.GetMaxLean(), kHalfPi);
}

TEST(Eye, ScreenProjectionAndPicking)
{
    CEye eye;
    D3DXVECTOR3 pos(1, 2, 3), dir(1, 0, 1);
    eye.SetPos(&pos, 0);
    eye.SetDirection(&dir, nullptr, 1);
    D3DXVECTOR3 out;
    const D3DXVECTOR3 behind(-5, 2, -5);
    EXPECT_EQ(eye.Vec3TransToScreen(&out, &behind), 0);
    const D3DXVECTOR3 ahead(11, 2, 13);
    EXPECT_EQ(eye.Vec3TransToScreen(&out, &ahead), 1);
    EXPECT_NEAR(out.x, 0, 1e-5f);
    EXPECT_NEAR(out.y, 0, 1e-5f);

    D3DXVECTOR3 ray;
    eye.GetPickedRay(800, 600, 400, 300, &ray);
    const float k = 1.0f / std::sqrt(2.0f);
    ExpectVec(ray, k, 0, k);
}

TEST(Eye, FrontTestsAndBoxVisibility)
{
    CEye eye;
    eye.ApplyChange();
    const D3DXVECTOR3 front(0, 0, 1), onPlane(5, 0, 0);
    EXPECT_EQ(eye.IsInFront(&front), 1);
    EXPECT_EQ(eye.IsInFront(&onPlane), 0);
    EXPECT_FLOAT_EQ(eye.GetDot(&front), 1.0f);
    SBoundBox behind, straddle;
    behind.min = D3DXVECTOR3(-1, -1, -5);
    behind.max = D3DXVECTOR3(1, 1, -1);
    straddle.min = D3DXVECTOR3(-1, -1, -5);
    straddle.max = D3DXVECTOR3(1, 1, 0.5f);
    EXPECT_EQ(behind.TestVisible(&eye), 0);
    EXPECT_EQ(straddle.TestVisible(&eye), 1);
}

TEST(Eye, RelativeAngleIsAlwaysDefined)
{
    CEye eye;
    eye.ApplyChange();
    EXPECT_TRUE(std::isfinite(eye.GetRelAngel(0, 0)));
    EXPECT_TRUE(std::isfinite(eye.GetRelAngel(0, 5)));
    EXPECT_NEAR(eye.GetRelAngel(-1, 0), 0.0f, 1e-6f);
    EXPECT_NEAR(eye.GetRelAngel(1, 0), -kPi, 1e-6f);
}

TEST(Eye, ChangesRefreshTheBillboardMatrices)
{
    CEye eye;
    D3DXVECTOR3 dir(1, 0, 0);
    eye.SetDirection(&dir, nullptr, 1);
    EXPECT_EQ(CBillboard::m_pEye, &eye);
    D3DXMATRIX yaw;
    D3DXMatrixRotationY(&yaw, kHalfPi);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(CBBVertical::m_matWorldBBVertical.m[r][c], yaw.m[r][c], 1e-6f);
            EXPECT_NEAR(CBBFaceMe::m_matWorldFaceMe.m[r][c], yaw.m[r][c], 1e-6f);
        }
    CBillboard::m_pEye = nullptr;
}

TEST(Eye, EyeFrustumFollowsTheView)
{
    CEye eye;
    D3DXVECTOR3 dir(-1, 0, 0);
    eye.SetDirection(&dir, nullptr, 1);
    const D3DXVECTOR3 ahead(-20, 0, 0), behind(20, 0, 0);
    EXPECT_EQ(eye.GetFrustum()->IsContain(&ahead), 1);
    EXPECT_EQ(eye.GetFrustum()->IsContain(&behind), 0);

    CFrustum unwidened;
    eye.CalcUnwidenedFrustum(&unwidened);
    EXPECT_EQ(unwidened.IsContain(&ahead), 1);
    EXPECT_EQ(unwidened.GetWidenRate(0), 1.0f);

    eye.SetFixedFrustum(1);
    D3DXVECTOR3 other(0, 0, 1);
    eye.SetDirection(&other, nullptr, 1);
    EXPECT_EQ(eye.GetFrustum()->IsContain(&ahead), 1); // frozen
    eye.SetFixedFrustum(0);
    eye.ApplyChange();
    EXPECT_EQ(eye.GetFrustum()->IsContain(&ahead), 0);
}

} // namespace

namespace {

TEST(ViewingFrustum, OrthographicViewportFollowsTheConfiguredResolution)
{
    CViewingFrustum v(1.0f, 4.0f / 3.0f, 1.0f, 100.0f, 1.0f, 1, 1, FRUSTUM_WIDEN_RATE);
    // The default configuration asks for 800x600.
    EXPECT_FLOAT_EQ(v.GetViewportSize()->cy, 37.5f);
    EXPECT_FLOAT_EQ(v.GetViewportSize()->cx, 37.5f * 4.0f / 3.0f);
    v.SetOrthoMode(0);
    EXPECT_LT(v.GetViewportSize()->cy, 37.5f);
}

TEST(Resolution, TableLookups)
{
    EXPECT_EQ(Kestu_GetWinCxByRes(KESTU_RES_800X600), 800u);
    EXPECT_EQ(Kestu_GetWinCyByRes(KESTU_RES_2048X1536), 1536u);
    EXPECT_EQ(Kestu_GetWinCxByRes(static_cast<ENUM_KESTU_RESOLUTION>(17)), 0u);
    EXPECT_EQ(Kestu_GetWinCyByRes(static_cast<ENUM_KESTU_RESOLUTION>(-1)), 0u);
    EXPECT_EQ(Kestu_GetResByWinCxCyColorDepth(1360, 768), KESTU_RES_1360X768);
    EXPECT_EQ(Kestu_GetResByWinCxCyColorDepth(1360, 769), static_cast<ENUM_KESTU_RESOLUTION>(-1));
    EXPECT_STREQ(Kestu_GetResolutionText(KESTU_RES_1920X1080), "1920x1080");
    EXPECT_STREQ(Kestu_GetResolutionText(static_cast<ENUM_KESTU_RESOLUTION>(40)), "UNKNOWN");
    for (int i = 0; i < KESTU_RES_COUNT; ++i) {
        const auto res = static_cast<ENUM_KESTU_RESOLUTION>(i);
        EXPECT_EQ(Kestu_GetResByWinCxCyColorDepth(Kestu_GetWinCxByRes(res), Kestu_GetWinCyByRes(res)), res);
    }
}

} // namespace

TEST(Eye, ADestroyedCameraIsNoLongerTheBillboards)
{
    CEye kept;
    {
        CEye gone;
        gone.ApplyChange();
        EXPECT_EQ(CBillboard::GetEye(), &gone);
    }
    EXPECT_EQ(CBillboard::GetEye(), nullptr);
    kept.ApplyChange();
    {
        CEye other;
    }
    EXPECT_EQ(CBillboard::GetEye(), &kept);
}
