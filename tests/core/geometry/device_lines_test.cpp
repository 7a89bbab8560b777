#include <gtest/gtest.h>

#include <vector>

#include "kestu_line.h"
#include "kestu_rsmng.h"
#include "support/device.h"
#include "host/host.h"

namespace {

constexpr UINT kSize = 64;

class DeviceFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const D3DPRESENT_PARAMETERS pp =
            testdevice::DefaultParameters(kSize, kSize, testdevice::FakeWindow(0x4321), false, false);
        ASSERT_EQ(testdevice::CreateShared(pp, d3d, device), D3D_OK);
    }
    static void TearDownTestSuite() { testdevice::ReleaseShared(d3d, device); }
    void SetUp() override
    {
        ASSERT_NE(device, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    uint32_t Pixel(UINT x, UINT y)
    {
        std::vector<uint32_t> px;
        UINT w = 0, h = 0;
        EXPECT_TRUE(host::D3D8ReadRenderTarget(device, px, w, h));
        return px.empty() ? 0 : px[y * w + x] & 0xFFFFFF;
    }
    DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type)
    {
        DWORD v = 0;
        device->GetTextureStageState(stage, type, &v);
        return v;
    }
    DWORD Render(D3DRENDERSTATETYPE type)
    {
        DWORD v = 0;
        device->GetRenderState(type, &v);
        return v;
    }
    uint64_t StateChanges() { return host::D3D8GetCounters().stateChanges; }

    static IDirect3D8* d3d;
    static IDirect3DDevice8* device;
};
IDirect3D8* DeviceFixture::d3d = nullptr;
IDirect3DDevice8* DeviceFixture::device = nullptr;

using RSMng = DeviceFixture;

TEST_F(RSMng, WritesOnlyWhatDiffersAndRestores)
{
    CGfxRSMng rs;
    ASSERT_EQ(rs.Initialize(device), 0);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_ALPHAREF, 77);
    EXPECT_EQ(rs.BeginDrawTextTo2D(), 0);
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 8u);
    EXPECT_EQ(Stage(0, D3DTSS_MAGFILTER), DWORD(D3DTEXF_POINT));
    device->SetRenderState(D3DRS_ALPHAREF, 99);
    EXPECT_EQ(rs.BeginDrawTextTo2D(), 0); // ignored while begun
    EXPECT_EQ(rs.EndDrawTextTo2D(), 0);
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), DWORD(D3DTOP_SELECTARG1));
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 77u); // the value saved by the first Begin

    // Already in every wanted state: a second manager's Begin and End write nothing.
    rs.BeginDrawTextTo2D();
    const uint64_t before = StateChanges();
    CGfxRSMng again;
    again.Initialize(device);
    again.BeginDrawTextTo2D();
    again.EndDrawTextTo2D();
    EXPECT_EQ(StateChanges(), before);
    rs.EndDrawTextTo2D();
    EXPECT_EQ(rs.EndDrawTextTo2D(), 0); // End while idle: nothing
}

using Lines = DeviceFixture;

TEST_F(Lines, QuickDrawsNeedBegin)
{
    CGfxLine2d line;
    ASSERT_EQ(line.Build(), 0);
    const uint64_t before = StateChanges();
    EXPECT_EQ(line.DrawLineQuick(device, 0, 0, 10, 10, 0xFFFFFFFF, 2, 0.5f), S_FALSE);
    EXPECT_EQ(line.DrawLineFastQuick(device, 0, 0, 10, 10, 0xFFFFFFFF, 0.5f), S_FALSE);
    EXPECT_EQ(StateChanges(), before);
    CGfxLine3d line3;
    ASSERT_EQ(line3.Build(device), 0);
    const D3DXVECTOR3 a(0, 0, 0), b(1, 1, 1);
    EXPECT_EQ(line3.DrawLineQuick(&a, &b, 0xFFFFFFFF), S_FALSE);
}

TEST_F(Lines, ThickLineAndBarColourTheirPixels)
{
    CGfxLine2d line;
    line.Build();
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->BeginScene();
    EXPECT_EQ(line.DrawLine(device, 4, 20, 60, 20, 0xFFFF0000, 6, 0.5f), D3D_OK);
    EXPECT_EQ(line.DrawLineFast(device, 10, 40, 20, 10, 0xFF00FF00, 0.5f), D3D_OK);
    device->EndScene();
    EXPECT_EQ(Pixel(30, 20), 0xFF0000u);
    EXPECT_EQ(Pixel(30, 18), 0xFF0000u);
    EXPECT_EQ(Pixel(30, 26), 0u);
    EXPECT_EQ(Pixel(15, 45), 0x00FF00u);
    EXPECT_EQ(Pixel(35, 45), 0u);
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), DWORD(D3DTOP_MODULATE)); // stage 0 put back
    EXPECT_EQ(Render(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));      // left as Begin set it
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

TEST_F(Lines, WorldLinesThroughTheTransforms)
{
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    device->SetTransform(D3DTS_WORLD, &id);
    device->SetTransform(D3DTS_VIEW, &id);
    device->SetTransform(D3DTS_PROJECTION, &id);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    CGfxLine3d line;
    line.Build(device);
    const D3DXVECTOR3 a(-1, 0, 0.5f), b(1, 0, 0.5f);
    const D3DXVECTOR3 strip[3] = {{0, -1, 0.5f}, {0, 1, 0.5f}, {0.5f, 1, 0.5f}};
    device->BeginScene();
    EXPECT_EQ(line.DrawLine(&a, &b, 0xFF0000FF), D3D_OK);
    EXPECT_EQ(line.DrawStrip(strip, 3, 0xFFFFFF00), D3D_OK);
    line.BeginDrawLine3D();
    EXPECT_NE(line.DrawStripQuick(strip, 0, 0xFFFFFFFF), D3D_OK); // no points: nothing drawn
    line.EndDrawLine3D();
    device->EndScene();
    int blue = 0, yellow = 0;
    for (UINT x = 0; x < kSize; ++x) blue += Pixel(x, kSize / 2 - 1) == 0x0000FFu || Pixel(x, kSize / 2) == 0x0000FFu;
    for (UINT y = 0; y < kSize; ++y) yellow += Pixel(kSize / 2, y) == 0xFFFF00u || Pixel(kSize / 2 - 1, y) == 0xFFFF00u;
    EXPECT_GT(blue, 50);
    EXPECT_GT(yellow, 40);
    line.Release();
}

} // namespace
