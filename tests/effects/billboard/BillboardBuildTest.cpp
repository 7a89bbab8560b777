#include <gtest/gtest.h>

#include <cmath>

#include "BBAniBuffer.h"
#include "BillboardKit.h"
#include "kestu_bbanimation.h"

using bbtest::ExpectCorner;
using bbtest::Valid;

namespace {

const float kPi = 3.14159265f;

TEST(BillboardBuild, ARectangleStandsOnItsBottomCentre)
{
    SBBFaceMeInit init = Valid(SBBFaceMeInit{});
    init.fHalfWidth = 2.0f;
    init.fHalfHeight = 3.0f;
    init.rcTexture = FRECT(0.25f, 0.0f, 0.75f, 0.5f);
    init.dwVertexColor[2] = 0xFF00FF00;
    CBBFaceMe bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_TRUE(bb.IsBuilt());
    const SKESTUBBVERTEX* v = bb.GetVertex3dBuffer();
    ExpectCorner(v[0], -2, 0, 0.25f, 0.5f);
    ExpectCorner(v[1], -2, 6, 0.25f, 0.0f);
    ExpectCorner(v[2], 2, 0, 0.75f, 0.5f);
    ExpectCorner(v[3], 2, 6, 0.75f, 0.0f);
    EXPECT_EQ(v[2].color, 0xFF00FF00u);
    EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
    EXPECT_EQ(bb.GetBBType(), KESTU_BB_FACEME);
    EXPECT_EQ(bb.GetVertexStride(), 24u);
    EXPECT_EQ(bb.GetMatWorld(), &CBBFaceMe::m_matWorldFaceMe);
    bb.UpdateVertexColor(0x80112233);
    EXPECT_EQ(bb.GetVertex3dBuffer()[3].color, 0x80112233u);
}

TEST(BillboardBuild, BadInitsAndAnimationBuffers)
{
    CBBVertical bb;
    EXPECT_EQ(bb.Build(nullptr), HRESULT(0x82000109));
    SBBVerticalInit init;
    EXPECT_EQ(bb.Build(&init), HRESULT(0x82000109)) << "no valid marker";
    init.dwValid = 1;
    const auto bad = bbtest::Buffer({bbtest::Timed({0.1f})}, 2);
    init.pAniBuffer = bad.data();
    init.dwAniBufferSize = static_cast<DWORD>(bad.size());
    EXPECT_EQ(bb.Build(&init), HRESULT(0x82000113));
    EXPECT_FALSE(bb.IsBuilt());

    const auto good = bbtest::Buffer({bbtest::Timed({0.1f}, 3), bbtest::Timed({0.2f}, 4)});
    init.pAniBuffer = good.data();
    init.dwAniBufferSize = static_cast<DWORD>(good.size());
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_EQ(bb.GetAniNumber(), 2u);
    EXPECT_EQ(bb.ReBuildAniGroup(nullptr, 10), HRESULT(0x82000109));
    EXPECT_EQ(bb.ReBuildAniGroup(bad.data(), static_cast<DWORD>(bad.size())), HRESULT(0x82000000));
    EXPECT_EQ(bb.GetAniNumber(), 2u) << "a failed rebuild keeps the old group";
    const auto one = bbtest::Buffer({bbtest::Timed({0.5f}, 9)});
    EXPECT_EQ(bb.ReBuildAniGroup(one.data(), static_cast<DWORD>(one.size())), S_OK);
    EXPECT_EQ(bb.GetAniNumber(), 1u);
}

TEST(BillboardBuild, CountsEveryLiveBillboard)
{
    const DWORD before = CBillboard::GetTotalNumber();
    {
        CBBFaceMe a;
        CBB2d b;
        CBBFan c;
        EXPECT_EQ(CBillboard::GetTotalNumber(), before + 3);
    }
    auto* many = new CBBFaceMe[5];
    EXPECT_EQ(CBillboard::GetTotalNumber(), before + 5);
    delete[] many;
    EXPECT_EQ(CBillboard::GetTotalNumber(), before);
}

TEST(BillboardBuild, ExtraFieldsComeOnlyFromRecordsThatHaveThem)
{
    // A rectangle record given to a static or a fan billboard carries no
    // direction, up or fan shape: the defaults hold.
    SBBRectInit rect = Valid(SBBRectInit{});
    CBBStatic still;
    ASSERT_EQ(still.Build(&rect), S_OK);
    EXPECT_EQ(*still.GetDirection(), D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(*still.GetUp(), D3DXVECTOR3(0, 1, 0));
    CBBFan fan;
    ASSERT_EQ(fan.Build(&rect), S_OK);
    EXPECT_EQ(fan.GetSegmentCount(), 0u);
    EXPECT_EQ(fan.GetVerNum(), 2u);
    EXPECT_EQ(fan.GetSegments(), 2);
    CBBMultiDir multi;
    ASSERT_EQ(multi.Build(&rect), S_OK);
    EXPECT_EQ(multi.GetAniNumber(), 0u);

    SBBStaticInit s = Valid(SBBStaticInit{});
    s.vDirection = D3DXVECTOR3(1, 0, 0);
    ASSERT_EQ(still.Build(&s), S_OK);
    EXPECT_EQ(*still.GetDirection(), D3DXVECTOR3(1, 0, 0));
    // Rows: direction x up, up, -direction.
    const D3DXMATRIX& m = *still.GetMatWorld();
    EXPECT_FLOAT_EQ(m._13, 1.0f);
    EXPECT_FLOAT_EQ(m._22, 1.0f);
    EXPECT_FLOAT_EQ(m._31, -1.0f);
}

TEST(BillboardBuild, FanShapes)
{
    SBBFanInit init = Valid(SBBFanInit{});
    init.dwSegmentCount = 4;
    init.dwSegments = 4;
    init.fRadius = 2.0f;
    init.fHeight = 0.5f;
    CBBFan fan;
    ASSERT_EQ(fan.Build(&init), S_OK);
    ASSERT_EQ(fan.GetVerNum(), 6u);
    const SKESTUBBVERTEX* v = fan.GetVertex3dBuffer();
    ExpectCorner(v[0], 0, 0, 0, 0);
    ExpectCorner(v[2], 0, 2, 1, 1);
    ExpectCorner(v[3], -2, 0, 1, 1);
    EXPECT_NEAR(v[4].y, -2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(v[5].z, 0.5f);
    // A full circle closes exactly: the first rim vertex is the last one.
    EXPECT_EQ(v[1].x, v[5].x);
    EXPECT_EQ(v[1].y, v[5].y);

    fan.ModifyShape(BBFAN_FACE_BACK, 0.0f, 1.0f, 8);
    // Back face: rim vertex 1 at 4 steps of 45 degrees, the last at 0.
    EXPECT_NEAR(fan.GetVertex3dBuffer()[1].x, -1.0f, 1e-5f);
    EXPECT_NEAR(fan.GetVertex3dBuffer()[1].y, 0.0f, 1e-5f);
    EXPECT_NEAR(fan.GetVertex3dBuffer()[5].x, 1.0f, 1e-5f);

    fan.SetDiffuse(0xFF0000FF, 0x00FF0000);
    EXPECT_EQ(fan.GetVertex3dBuffer()[0].color, 0xFF0000FFu);
    EXPECT_EQ(fan.GetVertex3dBuffer()[4].color, 0x00FF0000u);
    const D3DXVECTOR2 rim[5] = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}, {0.7f, 0.8f}, {0.9f, 1.0f}};
    EXPECT_EQ(fan.SetTexCoor(D3DXVECTOR2(0.5f, 0.5f), rim), S_OK);
    EXPECT_FLOAT_EQ(fan.GetVertex3dBuffer()[5].v, 1.0f);
    CBBFan unbuilt;
    EXPECT_EQ(unbuilt.SetTexCoor(D3DXVECTOR2(0.5f, 0.5f), rim), HRESULT(0x8200010B));

    init.dwSegmentCount = 0xFFFFFFFF;
    EXPECT_EQ(fan.Build(&init), HRESULT(0x82000109)) << "no fan of four billion triangles";
}

TEST(BillboardBuild, PicturesAndAnimationFramesPlaceTheCorners)
{
    SBBVerticalInit init = Valid(SBBVerticalInit{});
    init.fScaleX = 2.0f;
    CBBVertical bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    const FSIZE size(1.0f, 4.0f);
    bb.ApplyPicture(42, &size);
    EXPECT_EQ(bb.GetTexID(), 42u);
    const SKESTUBBVERTEX* v = bb.GetVertex3dBuffer();
    ExpectCorner(v[0], -1, -2, 0, 1);
    ExpectCorner(v[3], 1, 2, 1, 0);
    const FPOINT hot(0.0f, 1.0f);
    const FRECT tex(0.5f, 0.5f, 1.0f, 1.0f);
    bb.ApplyPicture(43, &size, &hot, &tex);
    ExpectCorner(v[0], 0, 0, 0.5f, 1.0f);
    ExpectCorner(v[3], 2, 4, 1.0f, 0.5f);

    CBBAFrame frame;
    BBANIMATION_FRAME_INIT f;
    f.dwTextureID = 77;
    f.size = FSIZE(2.0f, 1.0f);
    f.ptHotSpot = FPOINT(0.5f, 1.0f);
    f.vOffset = D3DXVECTOR2(0.25f, 0.0f);
    frame.Build(&f);
    bb.ApplyAnimationFrame(&frame);
    EXPECT_EQ(bb.GetTexID(), 77u);
    // W = 4: left = (0.25 x 2 - 0.5) x 4 = 0; top = 1 x 1.
    ExpectCorner(v[0], 0, 0, 0, 1);
    ExpectCorner(v[3], 4, 1, 1, 0);
    bb.SetTexID(5);
    bb.ApplyAnimationFrame(&frame);
    EXPECT_EQ(bb.GetTexID(), 5u) << "the frame last applied is not applied again";
}

TEST(BillboardBuild, TwoDimensionalCornersAndRotation)
{
    SBB2dInit init = Valid(SBB2dInit{});
    init.rcScreen = FRECT(0.0f, 0.0f, 20.0f, 10.0f);
    init.vPos = D3DXVECTOR3(100.0f, 50.0f, 0.0f);
    init.fRotation = 0.005f;
    CBB2d bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    EXPECT_EQ(bb.GetVertexStride(), 28u);
    EXPECT_EQ(bb.GetMatWorld(), nullptr);
    EXPECT_FLOAT_EQ(bb.GetDistInLineOfSight(), 0.0f);
    EXPECT_TRUE(bb.IsVertexDirty());
    bb.UpdateVertices();
    const SKESTUBBVERTEX2D* v = bb.GetVertex2dBuffer();
    EXPECT_FLOAT_EQ(v[0].x, 100.0f) << "0.005 rad is not turned";
    EXPECT_FLOAT_EQ(v[0].y, 60.0f);
    EXPECT_FLOAT_EQ(v[3].x, 120.0f);
    EXPECT_FLOAT_EQ(v[3].y, 50.0f);
    EXPECT_FLOAT_EQ(v[1].rhw, 1.0f);

    // A new rotation shows at once, without a move first.
    bb.SetRotation(kPi / 2);
    EXPECT_TRUE(bb.IsVertexDirty());
    bb.UpdateVertices();
    // About the centre (110, 55): (100, 60) goes to (105, 45).
    EXPECT_NEAR(v[0].x, 105.0f, 1e-4f);
    EXPECT_NEAR(v[0].y, 45.0f, 1e-4f);
    EXPECT_NEAR(v[3].x, 115.0f, 1e-4f);
    EXPECT_NEAR(v[3].y, 65.0f, 1e-4f);

    bb.SetRotation(0.0f);
    const FSIZE size(8.0f, 4.0f);
    bb.ApplyPicture(3, &size);
    EXPECT_FLOAT_EQ(bb.GetScreenRect()->left, -4.0f);
    EXPECT_FLOAT_EQ(bb.GetScreenRect()->bottom, 2.0f);
    bb.UpdatePosition(10.0f, 20.0f);
    bb.UpdateVertices();
    EXPECT_FLOAT_EQ(v[0].x, 6.0f);
    EXPECT_FLOAT_EQ(v[0].y, 22.0f);
    bb.Release();
    EXPECT_EQ(bb.GetRotation(), 0.0f);
    EXPECT_EQ(bb.GetVertex2dBuffer(), nullptr);
}

TEST(BillboardBuild, EffectsSetTheTextureOps)
{
    CBBFaceMe bb;
    bb.SetBBEffect(BB_EFFECT_ADD);
    EXPECT_EQ(bb.GetTexOp(), DWORD(D3DTOP_ADD));
    EXPECT_EQ(bb.GetTexArg2(), DWORD(D3DTA_TEXTURE));
    bb.SetBBEffect(BB_EFFECT_TFACTOR);
    EXPECT_EQ(bb.GetTexOp(), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(bb.GetTexArg2(), DWORD(D3DTA_TFACTOR));
    EXPECT_EQ(bb.GetTexFactor(), 0xFF7F7F7Fu);
    bb.SetBBEffect(BB_EFFECT_KEEP);
    EXPECT_EQ(bb.GetTexOp(), DWORD(D3DTOP_MODULATE)) << "effect 3 leaves the ops";
    EXPECT_EQ(bb.GetBBEffect(), BB_EFFECT_KEEP);
    bb.SetBBEffect(static_cast<ENUM_BB_EFFECT>(9));
    EXPECT_EQ(bb.GetTexOp(), DWORD(D3DTOP_SELECTARG1));

    SBBInit init;
    init.SetBBEffect(BB_EFFECT_TFACTOR);
    EXPECT_EQ(init.dwColorOp, 24u);
    EXPECT_EQ(init.dwColorArg2, DWORD(D3DTA_TFACTOR));
    init.SetBBEffect(BB_EFFECT_ADD);
    EXPECT_EQ(init.dwColorOp, DWORD(D3DTOP_ADD));
}

TEST(BillboardBuild, AnimationsPlayOnTheBillboard)
{
    const auto bytes = bbtest::Buffer({bbtest::Timed({0.1f, 0.2f}, 10), bbtest::Timed({0.5f}, 20)});
    SBBFaceMeInit init = Valid(SBBFaceMeInit{});
    init.pAniBuffer = bytes.data();
    init.dwAniBufferSize = static_cast<DWORD>(bytes.size());
    CBBFaceMe bb;
    ASSERT_EQ(bb.Build(&init), S_OK);
    bb.PlayAni(0, 0.0f, ANIPLAY_LOOP, 1, 0.0f);
    bb.FrameMove(0.15f);
    EXPECT_EQ(bb.GetTexID(), 11u);
    EXPECT_TRUE(bb.IsAniPlaying());
    bb.PlayAni(1, 1.0f, ANIPLAY_ONCE, 1, 0.0f);
    EXPECT_FALSE(bb.GetAni(0)->IsPlaying());
    bb.FrameMove(1.1f);
    EXPECT_EQ(bb.GetTexID(), 20u);
    bb.FrameMove(2.0f);
    EXPECT_FALSE(bb.IsAniPlaying());
    bb.PlayAni(7, 2.0f, ANIPLAY_LOOP, 1, 0.0f);
    EXPECT_EQ(bb.GetCurrAniIdx(), 1u) << "no animation 7";
    bb.ReplayAni(3.0f);
    EXPECT_TRUE(bb.IsAniPlaying());
    bb.StopAni();
    EXPECT_FALSE(bb.IsAniPlaying());
}

} // namespace
