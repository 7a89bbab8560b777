// Building and releasing the engine, the frame cycle, resets and display modes.
#include <new>

#include "core/device/GfxD3DApp.h"
#include "core/entry/EntryGuard.h"
#include "core/entry/GfxGlobals.h"
#include "core/entry/KestuScratchList.h"
#include "kestu_api.h"
#include "kestu_log.h"

CKestuScratchList* g_pKestuScratchList = nullptr;

namespace {

IDirect3DDevice8* Device() { return g_pGfxD3DApp ? g_pGfxD3DApp->GetDevice() : nullptr; }

HRESULT CreateScratchList()
{
    delete g_pKestuScratchList;
    g_pKestuScratchList = new (std::nothrow) CKestuScratchList();
    return g_pKestuScratchList ? 0 : E_OUTOFMEMORY;
}

HRESULT Build(KESTU_CONFIG* cfg, HWND hwnd)
{
    if (!cfg || !cfg->IsValidData()) return KESTUERR_INVALIDPARAM;
    if (Kestu_IsBuilt()) Kestu_Release();
    g_GfxDevObjPair.SetFirst(cfg->pDevObjMng);
    g_GfxConfig.SetCfg(cfg);

    auto* app = new (std::nothrow) CGfxD3DApp();
    if (!app) return E_OUTOFMEMORY;
    HRESULT hr = app->CreateRenderWindow(hwnd);
    if (FAILED(hr)) {
        delete app;
        g_pGfxD3DApp = nullptr;
        return hr;
    }
    return CreateScratchList();
}

HRESULT BuildExtra(KESTU_EXTRA_CONFIG* ext, HWND hwnd)
{
    if (!ext || !ext->IsValidData() || !hwnd) return KESTUERR_INVALIDPARAM;
    if (Kestu_IsBuilt()) Kestu_Release();
    g_GfxDevObjPair.SetFirst(ext->pDevObjMng);
    g_GfxConfig.SetCfg(ext);

    auto* app = new (std::nothrow) CGfxD3DApp();
    if (!app) return E_OUTOFMEMORY;
    HRESULT hr = app->AttachClientDevice(ext, hwnd);
    if (FAILED(hr)) {
        // The device stays the client's; the destructor drops only the engine's own references.
        delete app;
        g_pGfxD3DApp = nullptr;
        return hr;
    }
    return CreateScratchList();
}

HRESULT PrepareForRender()
{
    if (!Device()) return KESTUERR_NOTBUILT;
    return g_pGfxD3DApp->PrepareForRender();
}

HRESULT Reset(D3DPRESENT_PARAMETERS* pp)
{
    if (!Device()) return KESTUERR_NOTBUILT;
    HRESULT hr = g_GfxDevObjPair.InvalidateDeviceObjects();
    if (FAILED(hr)) return hr;
    D3DPRESENT_PARAMETERS params = pp ? *pp : *g_GfxConfig.GetPresentPara();
    hr = g_pGfxD3DApp->SetupRenderWindow(&params);
    if (FAILED(hr)) return hr;
    if (pp) *pp = params;
    return g_GfxDevObjPair.ActivateDeviceObjects();
}

HRESULT ChangeDisplayMode(ENUM_KESTU_RESOLUTION res, BOOL windowed)
{
    if (!Device()) return KESTUERR_NOTBUILT;
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    D3DPRESENT_PARAMETERS pp = *g_GfxConfig.GetPresentPara();
    HRESULT hr = g_pGfxD3DApp->SelectParaByResolution(&pp, res, windowed);
    if (FAILED(hr)) return hr;
    g_GfxConfig.SetPresentPara(&pp);
    cfg->eResolution = res;
    if (!windowed == !cfg->bWindowed) return g_pGfxD3DApp->Resize3DEnvironment();

    HWND wnd = g_GfxConfig.GetRenderWnd();
    cfg->dwWindowStyle = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
    GetWindowRect(wnd, &g_rcWindow);
    if (!cfg->bWindowed) {
        const LONG cx = static_cast<LONG>(Kestu_GetWinCxByRes(res));
        const LONG cy = static_cast<LONG>(Kestu_GetWinCyByRes(res));
        g_rcWindow.right = g_rcWindow.left + cx;
        g_rcWindow.bottom = g_rcWindow.top + cy;
        const RECT& rr = cfg->rcRender;
        if (cfg->IsSpecialRenderRect())
            g_GfxConfig.GetRenderRect()->Set(rr.left, rr.top, rr.right - rr.left, rr.bottom - rr.top);
        else
            g_GfxConfig.GetRenderRect()->Set(0, 0, cx, cy);
    }
    return g_pGfxD3DApp->ToggleFullscreen(windowed);
}

BOOL IsValidDisplayMode(ENUM_KESTU_RESOLUTION res)
{
    if (!Device()) return FALSE;
    D3DPRESENT_PARAMETERS pp = *g_GfxConfig.GetPresentPara();
    // A display mode is valid when it can be shown: full screen, the state
    // every offered mode is for (a window takes only the desktop's format).
    return SUCCEEDED(g_pGfxD3DApp->SelectParaByResolution(&pp, res, FALSE)) ? TRUE : FALSE;
}

HRESULT SetWindowed(BOOL windowed)
{
    if (!Device()) return KESTUERR_NOTBUILT;
    return g_pGfxD3DApp->ToggleFullscreen(windowed);
}

} // namespace

HRESULT Kestu_Build(KESTU_CONFIG* cfg, HWND hwnd)
{
    return KestuGuarded<HRESULT>(
        E_OUTOFMEMORY, [&] { return Build(cfg, hwnd); }, [] { Kestu_Release(); });
}

HRESULT Kestu_Extra_Build(KESTU_EXTRA_CONFIG* ext, HWND hwnd)
{
    return KestuGuarded<HRESULT>(
        E_OUTOFMEMORY, [&] { return BuildExtra(ext, hwnd); }, [] { Kestu_Release(); });
}

HRESULT Kestu_Release()
{
    if (g_pGfxD3DApp) {
        g_pGfxD3DApp->Cleanup3DEnvironment();
        delete g_pGfxD3DApp;
        g_pGfxD3DApp = nullptr;
    }
    delete g_pKestuScratchList;
    g_pKestuScratchList = nullptr;
    return 0;
}

BOOL Kestu_IsBuilt() { return g_pGfxD3DApp != nullptr; }

BOOL Kestu_IsExtraMode() { return g_pGfxD3DApp && g_pGfxD3DApp->IsExtraMode() && g_pGfxD3DApp->GetDevice(); }

HRESULT Kestu_PrepareForRender()
{
    return KestuGuarded<HRESULT>(E_OUTOFMEMORY, [&] { return PrepareForRender(); });
}

HRESULT Kestu_Present()
{
    IDirect3DDevice8* device = Device();
    if (!device) return KESTUERR_NOTBUILT;
    return device->Present(nullptr, nullptr, nullptr, nullptr);
}

HRESULT Kestu_Reset(D3DPRESENT_PARAMETERS* pp)
{
    return KestuGuarded<HRESULT>(E_OUTOFMEMORY, [&] { return Reset(pp); });
}

HRESULT Kestu_ChangeDisplayMode(ENUM_KESTU_RESOLUTION res, BOOL windowed)
{
    return KestuGuarded<HRESULT>(E_OUTOFMEMORY, [&] { return ChangeDisplayMode(res, windowed); });
}

BOOL Kestu_IsValidDisplayMode(ENUM_KESTU_RESOLUTION res)
{
    return KestuGuarded<BOOL>(FALSE, [&] { return IsValidDisplayMode(res); });
}

HRESULT Kestu_SetWindowed(BOOL windowed)
{
    return KestuGuarded<HRESULT>(E_OUTOFMEMORY, [&] { return SetWindowed(windowed); });
}
