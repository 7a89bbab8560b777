// Clears and pre-transformed drawing.
#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

class DrawBasic : public DeviceTest {};

TEST_F(DrawBasic, ClearFillsTheViewportAndRectangles)
{
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(10, 20, 30), 1.f, 0), D3D_OK);
    EXPECT_TRUE(PixelNear(0, 0, 0x0A141E, 0));
    EXPECT_TRUE(PixelNear(63, 63, 0x0A141E, 0));
    D3DRECT r{8, 4, 16, 12};
    ASSERT_EQ(dev->Clear(1, &r, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.f, 0), D3D_OK);
    EXPECT_TRUE(PixelNear(8, 4, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(15, 11, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(16, 11, 0x0A141E, 0));
    EXPECT_TRUE(PixelNear(15, 12, 0x0A141E, 0));
    EXPECT_TRUE(PixelNear(7, 4, 0x0A141E, 0));
    // The viewport limits a clear.
    D3DVIEWPORT8 vp{32, 32, 16, 16, 0.f, 1.f};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 1.f, 0), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(47, 47, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(48, 48, 0x0A141E, 0));
    EXPECT_TRUE(PixelNear(31, 40, 0x0A141E, 0));
}

TEST_F(DrawBasic, ClearRejectsMissingBuffersAndBadArguments)
{
    EXPECT_EQ(dev->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 2.f, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface8* rt = nullptr;
    ASSERT_EQ(dev->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &rt), D3D_OK);
    ASSERT_EQ(dev->SetRenderTarget(rt, nullptr), D3D_OK);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.f, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface8* bb = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    IDirect3DSurface8* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D16, D3DMULTISAMPLE_NONE, &ds), D3D_OK);
    ASSERT_EQ(dev->SetRenderTarget(bb, ds), D3D_OK);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.f, 0), D3D_OK);
    dev->SetRenderTarget(bb, nullptr);
    bb->Release();
    ds->Release();
    rt->Release();
}

TEST_F(DrawBasic, PretransformedQuadCoversExactlyItsPixels)
{
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawQuad(10, 20, 30, 40, D3DCOLOR_XRGB(0, 0, 255));
    EXPECT_TRUE(PixelNear(10, 20, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(29, 39, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(9, 20, 0x000000, 0));
    EXPECT_TRUE(PixelNear(30, 20, 0x000000, 0));
    EXPECT_TRUE(PixelNear(10, 19, 0x000000, 0));
    EXPECT_TRUE(PixelNear(10, 40, 0x000000, 0));
}

TEST_F(DrawBasic, GouraudAndFlatShading)
{
    TLVertex v[3] = {{0, 0, 0.5f, 1, 0xFFFF0000}, {64, 0, 0.5f, 1, 0xFF00FF00}, {0, 64, 0.5f, 1, 0xFF0000FF}};
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetVertexShader(kTLFvf);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(TLVertex)), D3D_OK);
    auto px = Read();
    uint32_t mid = px[20 * kWidth + 20];
    EXPECT_GT(Channel(mid, 16), 40);
    EXPECT_GT(Channel(mid, 8), 40);
    EXPECT_GT(Channel(mid, 0), 40);
    dev->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(TLVertex)), D3D_OK);
    // Flat shading takes the first vertex's colour.
    EXPECT_TRUE(PixelNear(20, 20, 0xFF0000, 0));
}

TEST_F(DrawBasic, CullModesFollowScreenWinding)
{
    // Clockwise on screen (y down).
    TLVertex cw[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF}, {64, 0, 0.5f, 1, 0xFFFFFFFF}, {0, 64, 0.5f, 1, 0xFFFFFFFF}};
    TLVertex ccw[3] = {cw[0], cw[2], cw[1]};
    struct Case {
        DWORD cull;
        bool cwDrawn, ccwDrawn;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    dev->SetVertexShader(kTLFvf);
    for (auto& c : cases) {
        dev->SetRenderState(D3DRS_CULLMODE, c.cull);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(TLVertex));
        EXPECT_TRUE(PixelNear(5, 5, c.cwDrawn ? 0xFFFFFF : 0, 0)) << "cull " << c.cull;
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(TLVertex));
        EXPECT_TRUE(PixelNear(5, 5, c.ccwDrawn ? 0xFFFFFF : 0, 0)) << "cull " << c.cull;
    }
}

} // namespace
} // namespace d3d8test
