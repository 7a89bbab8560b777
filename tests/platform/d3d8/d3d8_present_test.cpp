// Present into a window's pixels.
#include "d3d8_fixture.h"
#include "host/host_win32.h"
#include "support/window.h"
#include "windows.h"

namespace d3d8test {
namespace {

class Present : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        window = kestu_test::MakeWindow("d3d8 present", 0, 0, 32, 32);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        UnregisterClassA("d3d8 present", nullptr);
        DeviceTest::TearDown();
    }
    uint32_t WindowPixel(int x, int y) const { return kestu_test::WindowPixel(window, x, y); }
    HWND window = nullptr;
};

TEST_F(Present, CopiesTheBackBufferIntoTheWindow)
{
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.f, 0);
    DrawQuad(0, 0, 32, 32, D3DCOLOR_XRGB(255, 0, 0));
    dev->EndScene();
    // The 64x64 back buffer is stretched into the 32x32 client area.
    ASSERT_EQ(dev->Present(nullptr, nullptr, window, nullptr), D3D_OK);
    EXPECT_EQ(WindowPixel(2, 2), 0xFF0000u);
    EXPECT_EQ(WindowPixel(15, 15), 0xFF0000u);
    EXPECT_EQ(WindowPixel(16, 16), 0x0000FFu);
    EXPECT_EQ(WindowPixel(31, 2), 0x0000FFu);
    // A source rectangle into a destination rectangle, one to one.
    RECT src{24, 24, 40, 40};
    RECT dst{0, 0, 16, 16};
    ASSERT_EQ(dev->Present(&src, &dst, window, nullptr), D3D_OK);
    EXPECT_EQ(WindowPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(WindowPixel(7, 7), 0xFF0000u);
    EXPECT_EQ(WindowPixel(8, 8), 0x0000FFu);
    EXPECT_EQ(WindowPixel(16, 16), 0x0000FFu); // outside the destination: the earlier frame
    EXPECT_EQ(WindowPixel(15, 15), 0x0000FFu);
    dev->BeginScene();
}

TEST_F(Present, RectanglesFarOutsideTheWindowAreRefusedOrClipped)
{
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 255, 0), 1.f, 0);
    dev->EndScene();
    ASSERT_EQ(dev->Present(nullptr, nullptr, window, nullptr), D3D_OK);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 0), 1.f, 0);
    // Sides wider or taller than 32 bits hold cannot be shown.
    const RECT tooWide{-2000000000, 0, 2000000000, 32}, tooTall{0, INT32_MIN, 32, INT32_MAX};
    EXPECT_EQ(dev->Present(nullptr, &tooWide, window, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Present(nullptr, &tooTall, window, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Present(&tooWide, nullptr, window, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(WindowPixel(16, 16), 0x00FF00u);
    // Wholly left of the window, one to one: nothing to copy.
    const RECT src{0, 0, 50, 32}, left{-100, 0, -50, 32};
    EXPECT_EQ(dev->Present(&src, &left, window, nullptr), D3D_OK);
    EXPECT_EQ(WindowPixel(0, 16), 0x00FF00u);
    // Huge but within 32 bits: the window shows a sliver of the middle.
    const RECT huge{-1000000000, -1000000000, 1000000000, 1000000000};
    EXPECT_EQ(dev->Present(nullptr, &huge, window, nullptr), D3D_OK);
    EXPECT_EQ(WindowPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(WindowPixel(31, 31), 0xFF0000u);
    dev->BeginScene();
}

TEST_F(Present, ShownCursorIsDrawnOverTheWindowOnly)
{
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.f, 0);
    dev->EndScene();
    // A 4x4 green cursor; one texel clear, one half transparent.
    IDirect3DSurface8* image = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &image), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(image->LockRect(&lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t alpha = (x == 3 && y == 0) ? 0u : (x == 0 && y == 3) ? 0x80u : 0xFFu;
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = (alpha << 24) | 0x00FF00u;
        }
    ASSERT_EQ(image->UnlockRect(), D3D_OK);
    ASSERT_EQ(dev->SetCursorProperties(1, 2, image), D3D_OK);
    image->Release(); // the device keeps its own copy
    dev->SetCursorPosition(10, 12, 0);
    dev->ShowCursor(TRUE);
    ASSERT_EQ(dev->Present(nullptr, nullptr, window, nullptr), D3D_OK);
    // The image's top-left corner lands at the position minus the hot spot.
    EXPECT_EQ(WindowPixel(9, 10), 0x00FF00u);
    EXPECT_EQ(WindowPixel(11, 12), 0x00FF00u);
    EXPECT_EQ(WindowPixel(12, 13), 0x00FF00u);
    EXPECT_EQ(WindowPixel(12, 10), 0x0000FFu); // clear texel
    EXPECT_EQ(WindowPixel(8, 10), 0x0000FFu);
    EXPECT_EQ(WindowPixel(9, 9), 0x0000FFu);
    EXPECT_EQ(WindowPixel(13, 13), 0x0000FFu);
    EXPECT_EQ(WindowPixel(9, 14), 0x0000FFu);
    const uint32_t half = WindowPixel(9, 13); // neither the frame nor the cursor alone
    EXPECT_NE(half, 0x0000FFu);
    EXPECT_NE(half, 0x00FF00u);
    EXPECT_EQ(half >> 16, 0u);
    // The back buffer keeps the frame as drawn.
    UINT w = 0, h = 0;
    std::vector<uint32_t> back = Read(&w, &h);
    ASSERT_EQ(back.size(), static_cast<size_t>(w) * h);
    for (uint32_t p : back) ASSERT_EQ(p & 0xFFFFFFu, 0x0000FFu);

    EXPECT_EQ(dev->ShowCursor(FALSE), TRUE);
    ASSERT_EQ(dev->Present(nullptr, nullptr, window, nullptr), D3D_OK);
    EXPECT_EQ(WindowPixel(9, 10), 0x0000FFu);
    EXPECT_EQ(WindowPixel(12, 13), 0x0000FFu);
    dev->BeginScene();
}

} // namespace
} // namespace d3d8test

namespace d3d8test {
namespace {

TEST_F(Present, FullScreenPresentAppliesTheGammaRamp)
{
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    pp.Windowed = FALSE;
    pp.BackBufferWidth = 640;
    pp.BackBufferHeight = 480;
    pp.BackBufferFormat = D3DFMT_R5G6B5;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    IDirect3DDevice8* full = nullptr;
    ASSERT_EQ(D3D()->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &full), D3D_OK);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(full->GetDisplayMode(&mode), D3D_OK);
    EXPECT_EQ(mode.Width, 640u);
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    D3DGAMMARAMP ramp;
    full->GetGammaRamp(&ramp);
    for (int i = 0; i < 256; ++i) ramp.red[i] = static_cast<WORD>((255 - i) * 257);
    full->SetGammaRamp(D3DSGR_NO_CALIBRATION, &ramp);
    ASSERT_EQ(full->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 0, 255), 1.f, 0), D3D_OK);
    ASSERT_EQ(full->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(WindowPixel(5, 5), 0x0000FFu);
    // Source rectangles need the copy swap effect.
    RECT src{0, 0, 8, 8};
    EXPECT_EQ(full->Present(&src, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(full->Release(), 0u);
}

} // namespace
} // namespace d3d8test
