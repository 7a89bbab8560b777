// A refused Reset leaves the device waiting for one that succeeds.
#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

class ResetRules : public DeviceTest {};

D3DPRESENT_PARAMETERS FullScreen(UINT width, UINT height)
{
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    pp.Windowed = FALSE;
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Flags = 0;
    return pp;
}

TEST_F(ResetRules, ARefusedResetLeavesTheDeviceNotResetUntilOneSucceeds)
{
    dev->EndScene();
    D3DPRESENT_PARAMETERS tooWide = DefaultParameters();
    tooWide.BackBufferWidth = 8193;
    struct Case {
        const char* name;
        D3DPRESENT_PARAMETERS pp;
        HRESULT refused;
        HRESULT keepTarget; // SetRenderTarget(NULL, NULL) after the refusal
    } cases[] = {
        {"full screen 32 x 32", FullScreen(32, 32), D3DERR_INVALIDCALL, D3D_OK},
        {"full screen 801 x 600", FullScreen(801, 600), D3DERR_INVALIDCALL, D3D_OK},
        {"full screen 0 x 0", FullScreen(0, 0), D3DERR_INVALIDCALL, D3D_OK},
        // Refused once the old back buffer is gone: there is no target to keep.
        {"windowed 8193 wide", tooWide, D3DERR_OUTOFVIDEOMEMORY, D3DERR_INVALIDCALL},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(dev->TestCooperativeLevel(), D3D_OK);
        EXPECT_EQ(dev->Reset(&c.pp), c.refused);
        EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
        EXPECT_EQ(dev->SetRenderTarget(nullptr, nullptr), c.keepTarget);
        EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
        // No parameters at all is refused without touching the state.
        EXPECT_EQ(dev->Reset(nullptr), D3DERR_INVALIDCALL);
        EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
        D3DPRESENT_PARAMETERS pp = DefaultParameters();
        ASSERT_EQ(dev->Reset(&pp), D3D_OK);
        EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    }
    EXPECT_EQ(dev->Reset(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    // The device reset last draws and presents.
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    DrawQuad(0, 0, 8, 8, 0xFF0000FF);
    EXPECT_TRUE(PixelNear(2, 2, 0x0000FF, 0));
    dev->EndScene();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    dev->BeginScene();
}

} // namespace
} // namespace d3d8test
