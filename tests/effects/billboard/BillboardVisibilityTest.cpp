#include <gtest/gtest.h>

#include "BBAniBuffer.h"
#include "BillboardKit.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_bbanimation.h"

using bbtest::EyeScope;
using bbtest::Valid;

namespace {

const float kPi = 3.14159265f;

TEST(BillboardVisibility, WorldKindsFollowTheFrustum)
{
    EyeScope scope;
    EXPECT_EQ(CBillboard::GetEye(), &scope.eye);
    CBBFaceMe face;
    CBBVertical vertical;
    CBBFan fan;
    SBBRectInit init = Valid(SBBRectInit{});
    SBBFanInit fanInit = Valid(SBBFanInit{});
    ASSERT_EQ(face.Build(&init), S_OK);
    EXPECT_TRUE(face.IsVisible()) << "decided at build when a camera is set";
    ASSERT_EQ(vertical.Build(&init), S_OK);
    ASSERT_EQ(fan.Build(&fanInit), S_OK);
    for (CBillboard* bb : std::initializer_list<CBillboard*>{&face, &vertical, &fan}) {
        const D3DXVECTOR3 ahead(0, 0, 5), behind(0, 0, -20), aside(80, 0, 0);
        bb->UpdatePosition(&ahead);
        EXPECT_TRUE(bb->IsVisible());
        EXPECT_NEAR(bb->GetDistInLineOfSight(), 15.0f, 1e-4f);
        bb->UpdatePosition(&behind);
        EXPECT_FALSE(bb->IsVisible());
        EXPECT_FLOAT_EQ(bb->GetDistInLineOfSight(), -1.0f);
        EXPECT_FALSE(bb->FastDecideIsVisible());
        bb->UpdatePosition(&aside);
        EXPECT_FALSE(bb->IsVisible());
        EXPECT_TRUE(bb->FastDecideIsVisible()) << "in front of the camera plane, outside the frustum";
    }
}

TEST(BillboardVisibility, AStaticBillboardShowsOnlyItsFront)
{
    EyeScope scope;
    SBBStaticInit init = Valid(SBBStaticInit{});
    init.vDirection = D3DXVECTOR3(0, 0, -1); // faces the camera
    CBBStatic bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_TRUE(bb.IsVisible());
    const D3DXVECTOR3 away(0, 0, 1);
    bb.SetDirection(&away, nullptr);
    EXPECT_FALSE(bb.DecideIsVisible()) << "seen from behind, inside the frustum";
    // Built facing away, and built again facing the camera: the flag after
    // each build is that of the direction just built.
    init.vDirection = away;
    CBBStatic back;
    ASSERT_EQ(back.Build(&init), S_OK);
    EXPECT_FALSE(back.IsVisible());
    init.vDirection = D3DXVECTOR3(0, 0, -1);
    ASSERT_EQ(back.Build(&init), S_OK);
    EXPECT_TRUE(back.IsVisible());
    // Facing +x from the origin, then moved left of the camera: its front
    // now faces the camera, whatever the plane was where it stood before.
    const D3DXVECTOR3 right(1, 0, 0), left(-3, 0, 10);
    bb.SetDirection(&right, nullptr);
    EXPECT_FALSE(bb.DecideIsVisible());
    bb.UpdatePosition(&left);
    EXPECT_TRUE(bb.IsVisible()) << "the facing plane moves with the billboard";
}

TEST(BillboardVisibility, WithoutACameraNothingIsCulled)
{
    CBillboard::SetEye(nullptr);
    CBBFaceMe bb;
    SBBRectInit init = Valid(SBBRectInit{});
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_FALSE(bb.IsVisible()) << "no decision at build";
    const D3DXVECTOR3 p(1, 2, 3);
    bb.UpdatePosition(&p);
    EXPECT_TRUE(bb.IsVisible());
    EXPECT_FLOAT_EQ(bb.GetDistInLineOfSight(), 0.0f);
}

TEST(BillboardVisibility, TwoDimensionalBillboardsMeetTheBackBuffer)
{
    const D3DSURFACE_DESC saved = *g_GfxConfig.GetSDBackBuff();
    D3DSURFACE_DESC desc = saved;
    desc.Width = 320;
    desc.Height = 200;
    g_GfxConfig.SetSDBackBuff(&desc);
    SBB2dInit init = Valid(SBB2dInit{});
    init.rcScreen = FRECT(0, 0, 10, 10);
    init.vPos = D3DXVECTOR3(100, 100, 0);
    CBB2d bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_TRUE(bb.IsVisible());
    const struct {
        float x, y;
        bool visible;
    } cases[] = {{-5, -5, true}, {-10, 50, false}, {315, 195, true}, {320, 0, false}, {0, 200, false}};
    for (const auto& c : cases) {
        bb.UpdatePosition(c.x, c.y);
        EXPECT_EQ(bb.IsVisible() != 0, c.visible) << c.x << "," << c.y;
        EXPECT_EQ(bb.FastDecideIsVisible() != 0, c.visible);
    }
    g_GfxConfig.SetSDBackBuff(&saved);
}

TEST(BillboardVisibility, MultiDirectionalPictureFollowsTheViewingAngle)
{
    std::vector<bbtest::Animation> dirs;
    for (DWORD d = 0; d < 4; ++d) dirs.push_back(bbtest::Timed({0.5f, 1.0f}, 10 * d));
    const auto bytes = bbtest::Buffer(dirs);
    SBBMultiDirInit init = Valid(SBBMultiDirInit{});
    init.pAniBuffer = bytes.data();
    init.dwAniBufferSize = static_cast<DWORD>(bytes.size());
    init.dwMultiDirAniNumber = 1;
    init.dwDirectionNumber = 4;
    CBBMultiDir bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_EQ(bb.GetSDAniNumber(), 4u);
    ASSERT_EQ(bb.GetAniNumber(), 1u);
    // More directions than the buffer has animations: nothing to show them with.
    SBBMultiDirInit wide = init;
    wide.dwDirectionNumber = 5;
    CBBMultiDir lacking;
    ASSERT_EQ(lacking.Build(&wide), S_OK);
    EXPECT_EQ(lacking.GetAniNumber(), 0u);
    EXPECT_EQ(lacking.GetSDAniNumber(), 4u);

    EyeScope scope(D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(-1, 0, 0));
    bb.PlayAni(0, 0.0f, ANIPLAY_LOOP, 1, 0.0f);
    DWORD seen[4];
    const D3DXVECTOR3 around[4] = {{10, 0, 0}, {0, 0, -10}, {-10, 0, 0}, {0, 0, 10}};
    for (int i = 0; i < 4; ++i) {
        D3DXVECTOR3 look = -around[i];
        scope.MoveTo(around[i], look);
        bb.FrameMove(0.25f + i * 0.0001f);
        seen[i] = bb.GetTexID();
        EXPECT_EQ(seen[i] % 10, 0u) << "frame 0 of the shared clock";
    }
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) EXPECT_NE(seen[i], seen[j]) << "each side has its own picture";
    // Turning the billboard by a quarter is walking a quarter round it.
    bb.SetDirection(kPi / 2);
    bb.FrameMove(0.75f);
    EXPECT_EQ(bb.GetTexID() % 10, 1u) << "the clock went on";
    EXPECT_NE(bb.GetTexID() / 10, seen[3] / 10);
}

} // namespace
