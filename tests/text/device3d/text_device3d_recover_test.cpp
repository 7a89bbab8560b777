// A 3D text device that has drawn (a cached text, a shared text, a world
// text and a DEFAULT-pool inner buffer) when the device is lost: after
// Invalidate, the reset and Restore it draws the same pixels, the inner
// buffer with its text and without being drawn into again.
#include <gtest/gtest.h>

#include <string>

#include "host/host_d3d8.h"
#include "host/host_win32.h"
#include "kestu_textdevice3d.h"
#include "support/device.h"
#include "support/image.h"
#include "text_device3d_fixture.h"

using namespace text_test;

namespace {

class TextDevice3DRecover : public TextDevice3DSuite {
protected:
    TextDevice3DRecover() : TextDevice3DSuite("text3d_recover") {}

    // One frame of everything the text device draws; the inner buffer is
    // drawn from what it holds.
    kestu_test::Image Frame(CGfxTextDevice3D& text)
    {
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        D3DXMATRIX proj;
        D3DXMatrixOrthoLH(&proj, 64.0f, 64.0f, 0.0f, 10.0f);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        text.TextAttri().dwColor = 0xFFFFFF00;
        EXPECT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 2, 2), S_OK);
        const D3DXVECTOR3 at(-30.0f, -10.0f, 1.0f), right(1.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
        text.TextAttri().dwColor = 0xFF00FFFF;
        EXPECT_EQ(text.DrawTextTo3D(U(u"BA"), -1, &at, &right, &up, 0, 0, GFXTF_NOWRAP, 1.0f, 1.0f), S_OK);
        EXPECT_EQ(text.DrawInnerBufTo2D(0, 30, 40, 1.0f, 1.0f), S_OK);
        device->EndScene();
        return Picture();
    }
};

TEST_F(TextDevice3DRecover, DrawsTheSamePixelsAfterALossThatFollowsADraw)
{
    for (DWORD cache : {DWORD(0), DWORD(8)}) {
        SCOPED_TRACE(cache ? "cached texts" : "one shared text texture");
        CGfxTextDevice3D text;
        ASSERT_EQ(text.Create(device, &font, cache, 1, D3DFMT_A8R8G8B8, 0), S_OK);
        ASSERT_EQ(text.Restore(), S_OK);
        ASSERT_EQ(text.CreateInnerBuf(0, 30, 12, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT), S_OK);
        text.TextAttri().dwColor = 0xFFFF00FF;
        ASSERT_EQ(text.DrawTextToInnerBuf(0, U(u"AAB"), -1, 0, 0, 1), S_OK);
        const kestu_test::Image before = Frame(text);
        ASSERT_TRUE(kestu_test::PixelNear(before, 30, 40, 0xFF00FF, 8)) << "the inner buffer's text is drawn";

        host::D3D8LoseDevices();
        host::D3D8RegainDevices();
        ASSERT_EQ(text.Invalidate(), S_OK);
        D3DPRESENT_PARAMETERS pp =
            testdevice::DefaultParameters(kWidth, kHeight, testdevice::FakeWindow(0x5150), true, false);
        ASSERT_EQ(device->Reset(&pp), D3D_OK);
        ASSERT_EQ(text.Restore(), S_OK);

        EXPECT_TRUE(kestu_test::ImagesNear(Frame(text), before, 0));
        device->SetTexture(0, nullptr);
    }
}

} // namespace
