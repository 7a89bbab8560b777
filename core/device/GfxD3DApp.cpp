#include "core/device/GfxD3DApp.h"

#include <cstring>

#include "core/entry/GfxGlobals.h"
#include "kestu_api.h"
#include "kestu_log.h"

CGfxD3DApp* g_pGfxD3DApp = nullptr;
RECT g_rcWindow = {0, 0, 0, 0};

namespace {

const char kRenderWindowClass[] = "Kestu Render Window";

// The class procedure when the client gives none: the engine's hook first,
// the default procedure for whatever the hook leaves to the caller.
LRESULT CALLBACK GfxRenderWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Kestu_MsgProc(hwnd, msg, wParam, lParam, result) == 0) return result;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

RECT GfxWindowRectAround(const RECT& client, const KESTU_CONFIG& cfg)
{
    RECT rc = client;
    AdjustWindowRect(&rc, cfg.dwWindowStyle, cfg.bMenu);
    if (rc.left < 0) {
        rc.right -= rc.left;
        rc.left = 0;
    }
    if (rc.top < 0) {
        rc.bottom -= rc.top;
        rc.top = 0;
    }
    return rc;
}

CGfxD3DApp::CGfxD3DApp()
    : m_pRenderTarget(nullptr), m_dwNumAdapters(0), m_dwAdapter(0), m_bActive(FALSE), m_bReady(FALSE),
      m_bExtraMode(FALSE), m_pD3D(nullptr), m_pd3dDevice(nullptr)
{
    std::memset(m_Adapters, 0, sizeof m_Adapters);
    g_pGfxD3DApp = this;
}

CGfxD3DApp::~CGfxD3DApp()
{
    if (m_bReady) Cleanup3DEnvironment();
    // A build that failed half-way may still hold the Direct3D object.
    if (m_pd3dDevice && !m_bExtraMode) m_pd3dDevice->Release();
    m_pd3dDevice = nullptr;
    if (m_pD3D) m_pD3D->Release();
    m_pD3D = nullptr;
    ReleaseRenderTarget();
    if (g_pGfxD3DApp == this) g_pGfxD3DApp = nullptr;
}

HRESULT CGfxD3DApp::RestoreWindowStyles()
{
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    HWND wnd = g_GfxConfig.GetRenderWnd();
    SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>(cfg->dwWindowStyle));
    SetWindowLongA(wnd, GWL_EXSTYLE, static_cast<LONG>(cfg->dwWindowExStyle));
    return 0;
}

HRESULT CGfxD3DApp::CreateRenderWindow(HWND hwnd)
{
    if (m_bReady) Cleanup3DEnvironment();
    m_bExtraMode = FALSE;

    m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!m_pD3D) return Kestu_DisplayErrorMsg(KESTUERR_NODIRECT3D, KESTU_MSGTYPE_FATAL);

    HRESULT hr = BuildDeviceList();
    if (FAILED(hr)) {
        if (m_pD3D) m_pD3D->Release();
        m_pD3D = nullptr;
        return Kestu_DisplayErrorMsg(hr, KESTU_MSGTYPE_FATAL);
    }

    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    HWND known = g_GfxConfig.GetRenderWnd();
    if (known && !IsWindow(known)) known = nullptr;
    if (hwnd) {
        g_GfxConfig.SetRenderWnd(hwnd);
    } else if (!known) {
        WNDCLASSA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = cfg->pfnWndProc ? cfg->pfnWndProc : GfxRenderWndProc;
        wc.hInstance = cfg->hInstance;
        wc.hIcon = cfg->hIcon;
        wc.lpszClassName = kRenderWindowClass;
        RegisterClassA(&wc);

        // Sized to the resolution: the render area is not known before the window is.
        const RECT rc = GfxWindowRectAround({0, 0, static_cast<LONG>(Kestu_GetWinCxByRes(cfg->eResolution)),
                                             static_cast<LONG>(Kestu_GetWinCyByRes(cfg->eResolution))},
                                            *cfg);
        HWND created = CreateWindowExA(cfg->dwWindowExStyle, kRenderWindowClass, cfg->szWindowTitle, cfg->dwWindowStyle,
                                       CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left, rc.bottom - rc.top, nullptr,
                                       nullptr, cfg->hInstance, nullptr);
        g_GfxConfig.SetRenderWnd(created);
        known = nullptr;
    }
    HWND wnd = g_GfxConfig.GetRenderWnd();
    if (hwnd || known) {
        SetWindowTextA(wnd, cfg->szWindowTitle);
        SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>(cfg->dwWindowStyle));
        SetWindowLongA(wnd, GWL_EXSTYLE, static_cast<LONG>(cfg->dwWindowExStyle));
    }

    cfg->dwWindowStyle = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
    GetWindowRect(wnd, &g_rcWindow);
    RECT client{};
    GetClientRect(wnd, &client);

    GRECT* area = g_GfxConfig.GetRenderRect();
    if (cfg->IsSpecialRenderRect()) {
        area->Set(cfg->rcRender.left + client.left, cfg->rcRender.top + client.top,
                  cfg->rcRender.right - cfg->rcRender.left, cfg->rcRender.bottom - cfg->rcRender.top);
    } else {
        area->Set(0, 0, static_cast<LONG>(Kestu_GetWinCxByRes(cfg->eResolution)),
                  static_cast<LONG>(Kestu_GetWinCyByRes(cfg->eResolution)));
    }

    hr = Initialize3DEnvironment();
    if (SUCCEEDED(hr)) {
        m_bReady = TRUE;
        return 0;
    }
    if (m_pD3D) m_pD3D->Release();
    m_pD3D = nullptr;
    return Kestu_DisplayErrorMsg(hr, KESTU_MSGTYPE_FATAL);
}

HRESULT CGfxD3DApp::AttachClientDevice(const KESTU_EXTRA_CONFIG* ext, HWND hwnd)
{
    if (m_bReady) Cleanup3DEnvironment();
    if (!ext || !ext->pDevice || !hwnd) return KESTUERR_INVALIDPARAM;

    m_bExtraMode = TRUE;
    m_pd3dDevice = ext->pDevice;
    IDirect3D8* d3d = nullptr;
    HRESULT hr = m_pd3dDevice->GetDirect3D(&d3d);
    if (FAILED(hr)) return hr;
    m_pD3D = d3d;
    if (!m_pD3D) return hr;

    g_GfxConfig.SetRenderWnd(hwnd);
    if (ext->pPresentParams) g_GfxConfig.SetPresentPara(ext->pPresentParams);

    D3DCAPS8 caps{};
    m_pd3dDevice->GetDeviceCaps(&caps);
    g_GfxCaps.SetD3dCaps(&caps);
    g_GfxCaps.SetCreateFlags(ext->dwCreateFlags);
    ReadBackBufferDesc();

    hr = g_GfxDevObjPair.InitDeviceObjects(m_pd3dDevice);
    if (FAILED(hr)) return hr;
    hr = g_GfxDevObjPair.ActivateDeviceObjects();
    if (FAILED(hr)) return hr;
    m_bActive = TRUE;
    return 0;
}

HRESULT CGfxD3DApp::Cleanup3DEnvironment()
{
    m_bActive = FALSE;
    m_bReady = FALSE;
    ReleaseRenderTarget();
    if (!m_pd3dDevice) {
        m_bExtraMode = FALSE;
        return 0;
    }
    HRESULT hr = g_GfxDevObjPair.InvalidateDeviceObjects();
    if (FAILED(hr)) return hr;
    if (!m_bExtraMode) m_pd3dDevice->Release();
    if (m_pD3D) m_pD3D->Release();
    m_pd3dDevice = nullptr;
    m_pD3D = nullptr;
    m_bExtraMode = FALSE;
    return hr;
}

HRESULT CGfxD3DApp::PresentWhilePaused()
{
    ReleaseRenderTarget();
    if (!m_pd3dDevice) return KESTUERR_NOTBUILT;
    return m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

HRESULT CGfxD3DApp::GetRenderTarget(IDirect3DSurface8** surface)
{
    if (!surface) return KESTUERR_INVALIDPARAM;
    if (!m_pRenderTarget) {
        if (!m_pd3dDevice) return KESTUERR_NOTBUILT;
        IDirect3DSurface8* rt = nullptr;
        HRESULT hr = m_pd3dDevice->GetRenderTarget(&rt);
        if (FAILED(hr)) return hr;
        m_pRenderTarget = rt;
    }
    *surface = m_pRenderTarget;
    return 0;
}

void CGfxD3DApp::ReleaseRenderTarget()
{
    if (m_pRenderTarget) m_pRenderTarget->Release();
    m_pRenderTarget = nullptr;
}

void CGfxD3DApp::ReadBackBufferDesc()
{
    IDirect3DSurface8* back = nullptr;
    if (m_pd3dDevice && SUCCEEDED(m_pd3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) && back) {
        D3DSURFACE_DESC desc{};
        back->GetDesc(&desc);
        g_GfxConfig.SetSDBackBuff(&desc);
        back->Release();
    }
}
