#include <gtest/gtest.h>

#include "BillboardKit.h"
#include "TgaLibrary.h"
#include "kestu_bbmng.h"
#include "kestu_texture_mng.h"
#include "support/device.h"

using bbtest::EyeScope;
using bbtest::Valid;

namespace {

const uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kBack = 0xFF000000;

class BillboardRender : public testdevice::DeviceSuite<64, 64, false> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        path = "bbrender.kidx";
        bbtest::MakeLibrary(path, {{1, bbtest::Solid(kRed)}, {2, bbtest::Solid(kBlue)}});
        ASSERT_GE(textures.Build(device, path.c_str()), 0);
        ASSERT_NE(textures.QueryTexture(1), nullptr);
        ASSERT_NE(textures.QueryTexture(2), nullptr);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBack, 1.0f, 0);
    }
    void TearDown() override
    {
        textures.Release();
        std::remove(path.c_str());
    }
    void LookFrom(EyeScope& scope)
    {
        device->SetTransform(D3DTS_VIEW, scope.eye.GetViewMatrix());
        device->SetTransform(D3DTS_PROJECTION, scope.eye.GetProjMatrix());
    }
    SBBFaceMeInit Init(DWORD tex, D3DXVECTOR3 pos)
    {
        SBBFaceMeInit init = Valid(SBBFaceMeInit{});
        init.pTexMng = &textures;
        init.dwTexID = tex;
        init.vPos = pos;
        init.fHalfWidth = init.fHalfHeight = 0.5f;
        return init;
    }
    std::string path;
    CTextureMng textures;
};

// The colour of one pixel, alpha set.
uint32_t At(const kestu_test::Image& img, int x, int y) { return img.pixels[size_t(y) * img.width + x] | 0xFF000000; }

TEST_F(BillboardRender, FaceMeBillboardsShareTheMatrixAndDrawAtTheirOwnPlaces)
{
    EyeScope scope(D3DXVECTOR3(0, 0.5f, -10), D3DXVECTOR3(0, 0, 1));
    LookFrom(scope);
    CBBFaceMe left, right;
    SBBFaceMeInit a = Init(1, D3DXVECTOR3(-3, 0, 0)), b = Init(2, D3DXVECTOR3(3, 0, 0));
    ASSERT_EQ(left.Build(&a), S_OK);
    ASSERT_EQ(right.Build(&b), S_OK);
    EXPECT_EQ(left.GetMatWorld(), right.GetMatWorld());
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(left.Render(device), D3D_OK);
    EXPECT_EQ(right.Render(device), D3D_OK);
    device->EndScene();
    const kestu_test::Image img = Picture();
    // x = +-3 at distance 10 with a 60 degree view: 32 +- 3/5.77 x 32 pixels.
    EXPECT_EQ(At(img, 15, 32), kRed);
    EXPECT_EQ(At(img, 48, 32), kBlue);
    EXPECT_EQ(At(img, 32, 32), kBack);
    EXPECT_EQ(At(img, 15, 10), kBack);
}

TEST_F(BillboardRender, VerticalBillboardsTurnOnlyAboutTheUpAxis)
{
    // Looking down at 45 degrees: a face-me quad tilts with the camera, a
    // vertical one stays upright and so looks shorter.
    EyeScope scope(D3DXVECTOR3(0, 7, -7), D3DXVECTOR3(0, -1, 1));
    LookFrom(scope);
    CBBFaceMe face;
    CBBVertical upright;
    SBBFaceMeInit init = Init(1, D3DXVECTOR3(0, 0, 0));
    init.fHalfHeight = 1.5f;
    ASSERT_EQ(face.Build(&init), S_OK);
    ASSERT_EQ(upright.Build(&init), S_OK);
    auto rows = [&](CBillboard& bb) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBack, 1.0f, 0);
        device->BeginScene();
        bb.Render(device);
        device->EndScene();
        const kestu_test::Image img = Picture();
        int n = 0;
        for (int y = 0; y < 64; ++y) n += At(img, 32, y) == kRed;
        return n;
    };
    const int faceRows = rows(face), uprightRows = rows(upright);
    EXPECT_GT(faceRows, 0);
    EXPECT_GT(uprightRows, 0);
    EXPECT_LT(uprightRows, faceRows);
}

TEST_F(BillboardRender, AManagerDrawsOnlyTheVisibleOnes)
{
    EyeScope scope(D3DXVECTOR3(0, 0.5f, -10), D3DXVECTOR3(0, 0, 1));
    LookFrom(scope);
    CBBFaceMe inFront, behind;
    SBBFaceMeInit a = Init(1, D3DXVECTOR3(0, 0, 0)), b = Init(2, D3DXVECTOR3(0, 0, -20));
    ASSERT_EQ(inFront.Build(&a), S_OK);
    ASSERT_EQ(behind.Build(&b), S_OK);
    CBillboardMng mng;
    ASSERT_EQ(mng.Build(1, 4, 4, 0), S_OK);
    mng.InsertPointer(&behind);
    mng.InsertPointer(&inFront);
    mng.SetAlphaRef(77);
    mng.FrameMove(0.0f);
    EXPECT_EQ(mng.GetVisibleNumber(), 1u);
    device->BeginScene();
    EXPECT_EQ(mng.Render(device), S_OK);
    device->EndScene();
    DWORD ref = 0, fvf = 0;
    device->GetRenderState(D3DRS_ALPHAREF, &ref);
    device->GetVertexShader(&fvf);
    EXPECT_EQ(ref, 77u);
    EXPECT_EQ(fvf, DWORD(KESTU_BBVERTEX_FVF));
    const kestu_test::Image img = Picture();
    EXPECT_EQ(At(img, 32, 32), kRed);
}

TEST_F(BillboardRender, TwoDimensionalAndFanBillboards)
{
    SBB2dInit init = Valid(SBB2dInit{});
    init.pTexMng = &textures;
    init.dwTexID = 2;
    init.rcScreen = FRECT(0, 0, 16, 8);
    init.vPos = D3DXVECTOR3(8, 40, 0);
    CBB2d flat;
    ASSERT_EQ(flat.Build(&init), S_OK);
    flat.Visible(1); // the engine's configuration has no back buffer here
    device->BeginScene();
    EXPECT_EQ(flat.Render(device), D3D_OK);
    device->EndScene();
    kestu_test::Image img = Picture();
    EXPECT_EQ(At(img, 15, 43), kBlue);
    EXPECT_EQ(At(img, 15, 36), kBack);
    EXPECT_EQ(At(img, 26, 43), kBack);
    flat.Visible(0);
    EXPECT_EQ(flat.Render(device), S_FALSE) << "an invisible 2D billboard draws nothing";

    EyeScope scope(D3DXVECTOR3(0, 0, -10), D3DXVECTOR3(0, 0, 1));
    LookFrom(scope);
    SBBFanInit fanInit = Valid(SBBFanInit{});
    fanInit.pTexMng = &textures;
    fanInit.dwTexID = 1;
    fanInit.dwSegmentCount = 8;
    fanInit.dwSegments = 8;
    fanInit.fRadius = 2.0f;
    fanInit.vDirection = D3DXVECTOR3(0, 0, -1);
    CBBFan fan;
    ASSERT_EQ(fan.Build(&fanInit), S_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBack, 1.0f, 0);
    device->BeginScene();
    EXPECT_EQ(fan.Render(device), D3D_OK);
    device->EndScene();
    img = Picture();
    EXPECT_EQ(At(img, 32, 32), kRed);
    EXPECT_EQ(At(img, 32 + 10, 32), kRed);
    EXPECT_EQ(At(img, 32 + 14, 32 - 14), kBack) << "outside the disc";
}

} // namespace
