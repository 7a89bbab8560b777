#include <cstdlib>
#include <cstring>

#include "engine_fixture.h"
#include "support/image.h"
#include "support/window.h"

namespace {

using Events = std::vector<std::string>;

TEST_F(EngineTest, DeviceEventsReachTheClientInOrder)
{
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_EQ(mng.events, (Events{"Init", "Activate"}));
    EXPECT_EQ(mng.lastDevice, Kestu_GetDevice());
    mng.events.clear();
    EXPECT_EQ(Kestu_Reset(nullptr), 0);
    EXPECT_EQ(mng.events, (Events{"Invalidate", "Activate"}));
    mng.events.clear();
    Kestu_Release();
    EXPECT_EQ(mng.events, (Events{"Invalidate"}));
}

TEST_F(EngineTest, FailingInitDeviceObjectsFailsTheBuild)
{
    mng.initResult = E_OUTOFMEMORY;
    EXPECT_EQ(Build(TRUE), E_OUTOFMEMORY);
    EXPECT_FALSE(Kestu_IsBuilt());
    EXPECT_EQ(mng.events, (Events{"Init", "Invalidate"}));
}

TEST_F(EngineTest, LostDeviceIsResetByPrepareForRender)
{
    cfg.eLogLevel = 4;
    std::strcpy(cfg.szLogFile, "core2_lost.log");
    ASSERT_EQ(Build(FALSE), 0);
    mng.events.clear();
    EXPECT_EQ(Kestu_PrepareForRender(), 0);

    host::D3D8LoseDevices();
    EXPECT_EQ(Kestu_PrepareForRender(), D3DERR_DEVICELOST);
    EXPECT_EQ(Kestu_Present(), D3DERR_DEVICELOST);
    EXPECT_TRUE(mng.events.empty());

    host::D3D8RegainDevices();
    host::D3D8InjectFailure(host::D3D8Failure::Reset, D3DERR_DRIVERINTERNALERROR, 1);
    EXPECT_EQ(Kestu_PrepareForRender(), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(mng.events, (Events{"Invalidate"}));
    const std::string log = ReadFile("core2_lost.log");
    EXPECT_NE(log.find("Resize3DEnvironment()failed to Reset Err=D3DERR_DRIVERINTERNALERROR\n"), std::string::npos);
    EXPECT_NE(log.find("Kestu-PrepareForRender(): return D3DERR_DRIVERINTERNALERROR\n"), std::string::npos);

    mng.events.clear();
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_EQ(mng.events, (Events{"Invalidate", "Activate"}));
    mng.events.clear();
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_TRUE(mng.events.empty());
    EXPECT_EQ(Kestu_Present(), 0);
}

TEST_F(EngineTest, ChangeDisplayModeFullScreen)
{
    ASSERT_EQ(Build(FALSE), 0);
    mng.events.clear();
    EXPECT_EQ(Kestu_ChangeDisplayMode(KESTU_RES_1024X768, FALSE), 0);
    EXPECT_EQ(mng.events, (Events{"Invalidate", "Activate"}));
    D3DSURFACE_DESC desc{};
    Kestu_GetSDBackBuff(&desc);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 768u);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(Kestu_GetCfg()->GetCfg()->eResolution, KESTU_RES_1024X768);
    EXPECT_EQ(Kestu_GetCfg()->GetRenderRect()->width, 1024);
    EXPECT_EQ(Kestu_GetCfg()->GetRenderRect()->area, 1024 * 768);
    D3DVIEWPORT8 vp{};
    Kestu_GetDevice()->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 1024u);
    EXPECT_EQ(vp.Height, 768u);
}

TEST_F(EngineTest, ChangeDisplayModeWindowedResizesTheWindow)
{
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_EQ(Kestu_ChangeDisplayMode(KESTU_RES_1280X1024, TRUE), 0);
    RECT client{};
    GetClientRect(RenderWnd(), &client);
    EXPECT_EQ(client.right, 1280);
    EXPECT_EQ(client.bottom, 1024);
    D3DSURFACE_DESC desc{};
    Kestu_GetSDBackBuff(&desc);
    EXPECT_EQ(desc.Width, 1280u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
}

TEST_F(EngineTest, UnofferedResolutionIsRefusedAndChangesNothing)
{
    host::D3D8SetDisplayModes({Mode(800, 600, 60, D3DFMT_R5G6B5), Mode(1024, 768, 60, D3DFMT_R5G6B5)});
    ASSERT_EQ(Build(FALSE), 0);
    EXPECT_TRUE(Kestu_IsValidDisplayMode(KESTU_RES_1024X768));
    EXPECT_FALSE(Kestu_IsValidDisplayMode(KESTU_RES_1920X1080));
    mng.events.clear();
    EXPECT_EQ(Kestu_ChangeDisplayMode(KESTU_RES_1920X1080, FALSE), KESTUERR_NOVALIDMODE);
    EXPECT_TRUE(mng.events.empty());
    EXPECT_EQ(Kestu_GetCfg()->GetCfg()->eResolution, KESTU_RES_800X600);
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
}

TEST_F(EngineTest, WindowedAndFullScreenSwitch)
{
    cfg.eResolution = KESTU_RES_1024X768;
    ASSERT_EQ(Build(TRUE), 0);
    mng.events.clear();
    EXPECT_EQ(Kestu_SetWindowed(TRUE), 0);
    EXPECT_TRUE(mng.events.empty()) << "switching to the state in force touches nothing";

    EXPECT_EQ(Kestu_SetWindowed(FALSE), 0);
    EXPECT_EQ(mng.events, (Events{"Invalidate", "Activate"}));
    EXPECT_FALSE(Kestu_GetCfg()->GetCfg()->bWindowed);
    EXPECT_FALSE(Kestu_GetPresentPara()->Windowed);
    D3DSURFACE_DESC desc{};
    Kestu_GetSDBackBuff(&desc);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Kestu_PrepareForRender(), 0);

    // Back to a window: a full-screen refresh rate must not follow.
    EXPECT_EQ(Kestu_SetWindowed(TRUE), 0);
    EXPECT_TRUE(Kestu_GetCfg()->GetCfg()->bWindowed);
    EXPECT_TRUE(Kestu_GetPresentPara()->Windowed);
    EXPECT_EQ(Kestu_GetPresentPara()->FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(Kestu_Present(), 0);
}

TEST_F(EngineTest, ChangeDisplayModeWithSwitch)
{
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_EQ(Kestu_ChangeDisplayMode(KESTU_RES_1024X768, FALSE), 0);
    EXPECT_FALSE(Kestu_GetCfg()->GetCfg()->bWindowed);
    D3DSURFACE_DESC desc{};
    Kestu_GetSDBackBuff(&desc);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 768u);
}

TEST_F(EngineTest, WindowReachesAFullScreenModeOfAnotherDepth)
{
    // A window on the 32-bit desktop; the client then asks for 16 bits.
    ASSERT_EQ(Build(TRUE), 0);
    hardware.m_nPixelFormat = 16;
    EXPECT_TRUE(Kestu_IsValidDisplayMode(KESTU_RES_1024X768));
    EXPECT_FALSE(Kestu_IsValidDisplayMode(KESTU_RES_1920X1080));
    // A window can only take the desktop's format.
    EXPECT_EQ(Kestu_ChangeDisplayMode(KESTU_RES_1024X768, TRUE), KESTUERR_NOWINDOWABLEDEVICES);
    EXPECT_TRUE(Kestu_GetCfg()->GetCfg()->bWindowed);

    EXPECT_EQ(Kestu_ChangeDisplayMode(KESTU_RES_1024X768, FALSE), 0);
    EXPECT_FALSE(Kestu_GetCfg()->GetCfg()->bWindowed);
    EXPECT_FALSE(Kestu_GetPresentPara()->Windowed);
    D3DSURFACE_DESC desc{};
    Kestu_GetSDBackBuff(&desc);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 768u);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_EQ(Kestu_Present(), 0);
}

TEST_F(EngineTest, ResizedWindowResizesTheBackBuffer)
{
    cfg.bKeepWindowSize = TRUE;
    ASSERT_EQ(Build(TRUE), 0);
    HWND wnd = RenderWnd();
    SetWindowPos(wnd, nullptr, 0, 0, 640, 500, SWP_NOMOVE | SWP_NOZORDER);
    mng.events.clear();
    LRESULT result = 7;
    EXPECT_EQ(Kestu_MsgProc(wnd, WM_EXITSIZEMOVE, 0, 0, result), 1);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(mng.events, (Events{"Invalidate", "Activate"}));
    D3DSURFACE_DESC desc{};
    Kestu_GetSDBackBuff(&desc);
    EXPECT_EQ(desc.Width, 640u);
    EXPECT_EQ(desc.Height, 500u);
    EXPECT_TRUE(g_pGfxD3DApp->IsReady());

    mng.events.clear();
    EXPECT_EQ(Kestu_MsgProc(wnd, WM_EXITSIZEMOVE, 0, 0, result), 1);
    EXPECT_TRUE(mng.events.empty()) << "an unchanged size needs no reset";
}

TEST_F(EngineTest, MessagesBeforeAnyBuildAreLeftToTheCaller)
{
    const UINT messages[] = {WM_SIZE,           WM_EXITSIZEMOVE, WM_PAINT,         WM_CLOSE,
                             WM_SETCURSOR,      WM_MOUSEMOVE,    WM_GETMINMAXINFO, WM_NCHITTEST,
                             WM_POWERBROADCAST, WM_SYSCOMMAND,   WM_KEYDOWN};
    for (UINT msg : messages) {
        LRESULT result = 1234;
        EXPECT_EQ(Kestu_MsgProc(nullptr, msg, 0, 0, result), 1) << msg;
        EXPECT_EQ(result, 1234) << msg;
    }
}

TEST_F(EngineTest, MessageTable)
{
    struct Case {
        BOOL windowed;
        UINT msg;
        WPARAM wParam;
        int handled; // the hook's return
        LRESULT result;
    } cases[] = {
        {TRUE, WM_SYSCOMMAND, SC_KEYMENU, 1, -1}, {FALSE, WM_SYSCOMMAND, SC_KEYMENU, 0, 1},
        {FALSE, WM_SYSCOMMAND, SC_MOVE, 0, 1},    {FALSE, WM_SYSCOMMAND, SC_MONITORPOWER, 0, 1},
        {FALSE, WM_SYSCOMMAND, SC_CLOSE, 1, -1},  {FALSE, WM_SYSCOMMAND, SC_KEYMENU + 1, 1, -1},
        {TRUE, WM_NCHITTEST, 0, 1, -1},           {FALSE, WM_NCHITTEST, 0, 0, HTCLIENT},
        {TRUE, WM_POWERBROADCAST, 0, 0, 1},       {TRUE, WM_POWERBROADCAST, 7, 0, 1},
        {TRUE, WM_POWERBROADCAST, 4, 1, -1},      {FALSE, WM_SETCURSOR, 0, 0, 1},
        {TRUE, WM_SETCURSOR, 0, 1, -1},           {TRUE, WM_KEYDOWN, 0, 1, -1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Build(c.windowed), 0);
        LRESULT result = -1;
        EXPECT_EQ(Kestu_MsgProc(RenderWnd(), c.msg, c.wParam, 0, result), c.handled)
            << c.msg << " " << c.wParam << " windowed " << c.windowed;
        EXPECT_EQ(result, c.result) << c.msg << " " << c.wParam << " windowed " << c.windowed;
        Kestu_Release();
    }
}

TEST_F(EngineTest, SizeMessagesSetActivityAndMinMaxInfo)
{
    ASSERT_EQ(Build(TRUE), 0);
    HWND wnd = RenderWnd();
    LRESULT result = 0;
    EXPECT_EQ(Kestu_MsgProc(wnd, WM_SIZE, SIZE_MINIMIZED, 0, result), 1);
    EXPECT_FALSE(g_pGfxD3DApp->IsActive());
    EXPECT_EQ(Kestu_MsgProc(wnd, WM_SIZE, SIZE_RESTORED, 0, result), 1);
    EXPECT_TRUE(g_pGfxD3DApp->IsActive());
    MSG posted{};
    ASSERT_TRUE(PeekMessageA(&posted, wnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(posted.message, static_cast<UINT>(WM_EXITSIZEMOVE));

    MINMAXINFO info{};
    EXPECT_EQ(Kestu_MsgProc(wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), result), 1);
    EXPECT_EQ(info.ptMinTrackSize.x, 100);
    EXPECT_EQ(info.ptMinTrackSize.y, 100);
}

TEST_F(EngineTest, MouseMovesTheDeviceCursor)
{
    ASSERT_EQ(Build(FALSE), 0);
    host::SetCursorPosition(37, 21);
    LRESULT result = 0;
    EXPECT_EQ(Kestu_MsgProc(RenderWnd(), WM_MOUSEMOVE, 0, 0, result), 1);
    host::D3D8CursorState state;
    ASSERT_TRUE(host::D3D8GetCursorState(Kestu_GetDevice(), state));
    POINT p{37, 21};
    ScreenToClient(RenderWnd(), &p);
    EXPECT_EQ(state.x, static_cast<UINT>(p.x));
    EXPECT_EQ(state.y, static_cast<UINT>(p.y));
}

TEST_F(EngineTest, FullScreenShowsTheClassCursorOnTheDevice)
{
    HWND wnd = kestu_test::MakeWindow("CursorWindow", 0, 0, 800, 600, WS_POPUP, DefWindowProcA,
                                      LoadCursorA(nullptr, IDC_ARROW));
    cfg.bShowCursorWhenFullscreen = TRUE;
    cfg.bWindowed = FALSE;
    ASSERT_EQ(Kestu_Build(&cfg, wnd), 0);
    host::D3D8CursorState state;
    ASSERT_TRUE(host::D3D8GetCursorState(Kestu_GetDevice(), state));
    EXPECT_TRUE(state.visible);
    EXPECT_TRUE(state.hasImage);
}

} // namespace

namespace {

TEST_F(EngineTest, FramesArePresentedIntoTheRenderWindow)
{
    ASSERT_EQ(Build(TRUE), 0);
    IDirect3DDevice8* device = Kestu_GetDevice();
    for (D3DCOLOR colour : {0xFF2040C0u, 0xFFC04020u}) {
        ASSERT_EQ(Kestu_PrepareForRender(), 0);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
        ASSERT_EQ(Kestu_Present(), 0);
        const kestu_test::Image pixels = kestu_test::ReadWindow(RenderWnd());
        ASSERT_EQ(pixels.width, 800);
        ASSERT_EQ(pixels.height, 600);
        EXPECT_TRUE(kestu_test::PixelNear(pixels, 400, 300, colour & 0xFFFFFFu, 2, "present"));
        if (HasFailure()) break;
    }
}

} // namespace

namespace {

TEST_F(EngineTest, PaintPresentsOnlyWhileNotReady)
{
    ASSERT_EQ(Build(TRUE), 0);
    LRESULT result = 0;
    host::D3D8ResetCounters();
    EXPECT_EQ(Kestu_MsgProc(RenderWnd(), WM_PAINT, 0, 0, result), 1);
    EXPECT_EQ(host::D3D8GetCounters().presents, 0u);
    g_pGfxD3DApp->SetReady(FALSE);
    EXPECT_EQ(Kestu_MsgProc(RenderWnd(), WM_PAINT, 0, 0, result), 1);
    EXPECT_EQ(host::D3D8GetCounters().presents, 1u);
}

TEST_F(EngineTest, FailedResizeReportsAndClosesTheWindow)
{
    cfg.bKeepWindowSize = TRUE;
    ASSERT_EQ(Build(TRUE), 0);
    HWND wnd = RenderWnd();
    SetWindowPos(wnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    host::D3D8InjectFailure(host::D3D8Failure::Reset, D3DERR_DRIVERINTERNALERROR, 1);
    LRESULT result = 5;
    EXPECT_EQ(Kestu_MsgProc(wnd, WM_EXITSIZEMOVE, 0, 0, result), 0);
    EXPECT_EQ(result, 0);
    // "Could not reset the Direct3D device." closes the render window, which releases the device.
    EXPECT_EQ(Kestu_GetDevice(), nullptr);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(Kestu_PrepareForRender(), KESTUERR_NOTBUILT);
}

TEST_F(EngineTest, FullScreenDeviceThatCannotWindowIsReplaced)
{
    // The hardware refuses the desktop format, the reference device takes everything.
    mng.confirm = [](const D3DCAPS8& caps, DWORD, D3DFORMAT format) -> HRESULT {
        return caps.DeviceType == D3DDEVTYPE_HAL && format == D3DFMT_X8R8G8B8 ? E_FAIL : 0;
    };
    ASSERT_EQ(Build(FALSE), 0);
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_HAL);
    mng.events.clear();
    EXPECT_EQ(Kestu_SetWindowed(TRUE), 0);
    EXPECT_EQ(mng.events, (Events{"Invalidate", "Init", "Activate"}));
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_REF);
    EXPECT_TRUE(Kestu_GetCfg()->GetCfg()->bWindowed);
    EXPECT_TRUE(Kestu_GetPresentPara()->Windowed);
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_EQ(Kestu_Present(), 0);
}

TEST_F(EngineTest, NoDeviceThatCanWindowKeepsFullScreen)
{
    mng.confirm = [](const D3DCAPS8&, DWORD, D3DFORMAT format) -> HRESULT {
        return format == D3DFMT_X8R8G8B8 ? E_FAIL : 0;
    };
    ASSERT_EQ(Build(FALSE), 0);
    mng.events.clear();
    EXPECT_EQ(Kestu_SetWindowed(TRUE), E_FAIL);
    EXPECT_TRUE(mng.events.empty());
    EXPECT_FALSE(Kestu_GetCfg()->GetCfg()->bWindowed);
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
}

} // namespace
