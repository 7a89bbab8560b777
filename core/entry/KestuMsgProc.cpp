// The window-message hook.
#include "core/device/GfxD3DApp.h"
#include "core/entry/EntryGuard.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_api.h"
#include "kestu_log.h"

namespace {

int OnExitSizeMove(CGfxD3DApp& app, HWND hwnd, LRESULT& result)
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    if (!app.IsActive() || !cfg->bWindowed) return 1;
    GetWindowRect(hwnd, &g_rcWindow);
    GRECT* area = g_GfxConfig.GetRenderRect();
    const LONG width = g_rcWindow.right - g_rcWindow.left;
    const LONG height = g_rcWindow.bottom - g_rcWindow.top;
    const bool changed = width != area->width || height != area->height;
    area->Set(g_rcWindow.left, g_rcWindow.top, width, height);
    if (!changed) return 1;

    app.SetReady(FALSE);
    D3DPRESENT_PARAMETERS* pp = g_GfxConfig.GetPresentPara();
    pp->BackBufferWidth = static_cast<UINT>(width > 1 ? width : 1);
    pp->BackBufferHeight = static_cast<UINT>(height > 1 ? height : 1);
    if (FAILED(app.Resize3DEnvironment())) {
        Kestu_DisplayErrorMsg(KESTUERR_RESETFAILED, KESTU_MSGTYPE_FATAL);
        result = 0;
        return 0;
    }
    app.SetReady(TRUE);
    return 1;
}

int MsgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    CGfxD3DApp* app = g_pGfxD3DApp;
    if (!app) return 1;
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    IDirect3DDevice8* device = app->GetDevice();
    const BOOL windowed = cfg->bWindowed;

    switch (msg) {
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE) {
            app->SetActive(FALSE);
        } else {
            app->SetActive(TRUE);
            if (wParam == SIZE_MAXIMIZED || wParam == SIZE_RESTORED) PostMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
        }
        return 1;
    case WM_EXITSIZEMOVE:
        // No device to resize (after WM_CLOSE): nothing to do.
        if (!device) return 1;
        return OnExitSizeMove(*app, hwnd, result);
    case WM_PAINT:
        if (device && !app->IsReady() && windowed) app->PresentWhilePaused();
        return 1;
    case WM_CLOSE: app->Cleanup3DEnvironment(); return 1;
    case WM_SETCURSOR:
        if (app->IsActive() && app->IsReady() && device && !windowed) {
            SetCursor(nullptr);
            if (cfg->bShowCursorWhenFullscreen) device->ShowCursor(TRUE);
            result = 1;
            return 0;
        }
        return 1;
    case WM_MOUSEMOVE:
        if (app->IsActive() && app->IsReady() && device) {
            POINT pt{};
            GetCursorPos(&pt);
            ScreenToClient(g_GfxConfig.GetRenderWnd(), &pt);
            device->SetCursorPosition(static_cast<UINT>(pt.x), static_cast<UINT>(pt.y), 0);
        }
        return 1;
    case WM_GETMINMAXINFO:
        if (lParam) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = 100;
            info->ptMinTrackSize.y = 100;
        }
        return 1;
    case WM_NCHITTEST:
        if (!windowed) {
            result = HTCLIENT;
            return 0;
        }
        return 1;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND) {
            result = 1;
            return 0;
        }
        return 1;
    case WM_SYSCOMMAND:
        if ((wParam == SC_MOVE || wParam == SC_SIZE || wParam == SC_MAXIMIZE || wParam == SC_KEYMENU ||
             wParam == SC_MONITORPOWER) &&
            !windowed) {
            result = 1;
            return 0;
        }
        return 1;
    default: return 1;
    }
}

} // namespace

int Kestu_MsgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // On an exception the caller handles the message itself.
    return KestuGuarded(1, [&] { return MsgProc(hwnd, msg, wParam, lParam, result); });
}
