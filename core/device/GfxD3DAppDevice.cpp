// Device creation, resets, and the windowed/full-screen switch.
#include <cstring>

#include <dxerr8.h>
#include <ou_strings.h>

#include "core/device/GfxD3DApp.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_api.h"
#include "kestu_cursor.h"
#include "kestu_log.h"

namespace {

// Failures after which the reference rasteriser is still worth a try.
bool LeadsToReference(HRESULT hr)
{
    switch (static_cast<uint32_t>(hr)) {
    case 0x8876086Bu:
    case 0x8876081Cu:
    case 0x8876081Bu:
    case 0x8876081Au:
    case 0x88760819u:
    case 0x8876081Fu:
    case 0x88760822u: return true;
    default: return false;
    }
}

} // namespace

void CGfxD3DApp::SetupViewport()
{
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    D3DVIEWPORT8 vp{};
    bool read = false;
    if (!(g_GfxCaps.GetCreateFlags() & D3DCREATE_PUREDEVICE)) read = SUCCEEDED(m_pd3dDevice->GetViewport(&vp));
    if (cfg->IsSpecialRenderRect()) {
        const GRECT* area = g_GfxConfig.GetRenderRect();
        vp.X = static_cast<DWORD>(area->x);
        vp.Y = static_cast<DWORD>(area->y);
        vp.Width = static_cast<DWORD>(area->width);
        vp.Height = static_cast<DWORD>(area->height);
    } else {
        vp.X = 0;
        vp.Y = 0;
        vp.Width = g_GfxConfig.GetSDBackBuff()->Width;
        vp.Height = g_GfxConfig.GetSDBackBuff()->Height;
    }
    if (!read) {
        vp.MinZ = 0.0f;
        vp.MaxZ = 1.0f;
    }
    m_pd3dDevice->SetViewport(&vp);
}

void CGfxD3DApp::SetupDeviceCursor()
{
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    if (cfg->bWindowed || !cfg->bShowCursorWhenFullscreen) return;
    auto cursor = reinterpret_cast<HCURSOR>(GetClassLongA(g_GfxConfig.GetRenderWnd(), GCL_HCURSOR));
    D3DUtil_SetDeviceCursor(m_pd3dDevice, cursor, FALSE);
    m_pd3dDevice->ShowCursor(TRUE);
}

void CGfxD3DApp::CheckTextureFormats()
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    const SGfxAdapterInfo& adapter = m_Adapters[m_dwAdapter];
    const D3DDEVTYPE type = CurrentDevice().DeviceType;
    D3DDISPLAYMODE display{};
    m_pd3dDevice->GetDisplayMode(&display);
    auto check = [&](D3DFORMAT f) -> HRESULT {
        if (f == 0) return E_FAIL;
        return m_pD3D->CheckDeviceFormat(adapter.nOrdinal, type, display.Format, 0, D3DRTYPE_TEXTURE, f);
    };

    D3DFORMAT tex = cfg->fmtTexture, texAlpha = cfg->fmtTextureAlpha;
    D3DFORMAT comp = cfg->fmtTextureCompressed, compAlpha = cfg->fmtTextureCompressedAlpha;
    HRESULT hr = check(tex);
    if (FAILED(hr)) {
        KestuSaveLog(
            KESTU_LOG_ERROR,
            "warrning:Initialize3DEnvironment() Faild to Check the default 16 bit texture format ! Err= %d\r\n",
            static_cast<int>(hr));
        tex = display.Format;
        KestuSaveLog(KESTU_LOG_ERROR, "Initialize3DEnvironment()auto set default 16 bit texture format to %d\r\n",
                     static_cast<int>(tex));
    }
    hr = check(texAlpha);
    if (FAILED(hr)) {
        KestuSaveLog(
            KESTU_LOG_ERROR,
            "warrning: Initialize3DEnvironment()Faild to Check the default 32 bit texture format ! Err= %d\r\n",
            static_cast<int>(hr));
        texAlpha = display.Format;
        KestuSaveLog(KESTU_LOG_ERROR, "Initialize3DEnvironment()auto set default 32 bit texture format to %d\r\n",
                     static_cast<int>(texAlpha));
    }
    hr = check(comp);
    if (FAILED(hr)) {
        KestuSaveLog(
            KESTU_LOG_ERROR,
            "warrning: Initialize3DEnvironment()Faild to Check the default 16 bit Compressed texture format ! Err= "
            "%d\r\n",
            static_cast<int>(hr));
        comp = tex;
        KestuSaveLog(
            KESTU_LOG_ERROR,
            "Initialize3DEnvironment() auto set default 16 bit Compressed texture format to default 16 bit texture "
            "format(%d)\r\n",
            static_cast<int>(comp));
    }
    hr = check(compAlpha);
    if (FAILED(hr)) {
        KestuSaveLog(
            KESTU_LOG_ERROR,
            "warrning:Initialize3DEnvironment()  Faild to Check the default 32 bit Compressed texture format ! Err= "
            "%d\r\n",
            static_cast<int>(hr));
        compAlpha = texAlpha;
        KestuSaveLog(
            KESTU_LOG_ERROR,
            "Initialize3DEnvironment() auto set default 32 bit Compressed texture format to default 32 bit texture "
            "format(%d)\r\n",
            static_cast<int>(compAlpha));
    }
    cfg->fmtTexture = tex;
    cfg->fmtTextureAlpha = texAlpha;
    cfg->fmtTextureCompressed = comp;
    cfg->fmtTextureCompressedAlpha = compAlpha;
}

HRESULT CGfxD3DApp::Initialize3DEnvironment()
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    SGfxAdapterInfo& adapter = m_Adapters[m_dwAdapter];
    SGfxDeviceInfo& dev = CurrentDevice();
    const SGfxModeInfo mode = CurrentMode();
    HWND wnd = g_GfxConfig.GetRenderWnd();
    RestoreWindowStyles();

    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = dev.bWindowed;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = dev.MultiSampleType;
    pp.EnableAutoDepthStencil = cfg->bUseDepthBuffer;
    pp.SwapEffect = static_cast<D3DSWAPEFFECT>(cfg->SwapEffect);
    pp.AutoDepthStencilFormat = mode.DepthStencilFormat;
    pp.hDeviceWindow = wnd;
    if (!cfg->bWindowed) {
        pp.BackBufferWidth = mode.Width;
        pp.BackBufferHeight = mode.Height;
        pp.BackBufferFormat = mode.Format;
        pp.FullScreen_RefreshRateInHz = mode.RefreshRate;
        pp.FullScreen_PresentationInterval = cfg->PresentationInterval;
    } else {
        pp.BackBufferWidth = static_cast<UINT>(g_GfxConfig.GetRenderRect()->width);
        pp.BackBufferHeight = static_cast<UINT>(g_GfxConfig.GetRenderRect()->height);
        pp.BackBufferFormat = adapter.d3ddmDesktop.Format;
    }
    if (cfg->bBackBufferLockable) pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;

    HRESULT hr = m_pD3D->CreateDevice(adapter.nOrdinal, dev.DeviceType, wnd, mode.dwBehavior, &pp, &m_pd3dDevice);
    if (SUCCEEDED(hr)) {
        g_GfxConfig.SetPresentPara(&pp);
        if (cfg->bWindowed)
            SetWindowPos(wnd, HWND_NOTOPMOST, g_rcWindow.left, g_rcWindow.top, g_rcWindow.right - g_rcWindow.left,
                         g_rcWindow.bottom - g_rcWindow.top, SWP_SHOWWINDOW);
        D3DCAPS8 caps{};
        m_pd3dDevice->GetDeviceCaps(&caps);
        g_GfxCaps.SetD3dCaps(&caps);
        g_GfxCaps.SetCreateFlags(mode.dwBehavior);
        OU_SafeStrCpy(g_GfxCaps.AdapterInfo(), sizeof g_GfxCaps.m_szAdapterInfo,
                      adapter.d3dAdapterIdentifier.Description);
        ReadBackBufferDesc();
        SetupViewport();
        SetupDeviceCursor();
        CheckTextureFormats();
        g_GfxConfig.SetCurrDeviceType(dev.DeviceType);

        hr = g_GfxDevObjPair.InitDeviceObjects(m_pd3dDevice);
        if (SUCCEEDED(hr)) hr = g_GfxDevObjPair.ActivateDeviceObjects();
        if (SUCCEEDED(hr)) {
            m_bActive = TRUE;
            return 0;
        }
        g_GfxDevObjPair.InvalidateDeviceObjects();
        ReleaseRenderTarget();
        m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (!LeadsToReference(hr)) {
            KestuSaveLog(KESTU_LOG_ERROR, "Initialize3DEnvironment() Error: Faild to InitDeviceObjects ! Err= %d\n",
                         static_cast<int>(hr));
            return hr;
        }
    }
    m_pd3dDevice = nullptr;

    // Only a failed hardware device falls back, so a failing reference device ends the retries.
    if (dev.DeviceType != D3DDEVTYPE_HAL) return hr;
    Kestu_DisplayErrorMsg(hr, KESTU_MSGTYPE_SWITCHTOREF);
    m_dwAdapter = 0;
    SGfxAdapterInfo& first = m_Adapters[0];
    if (dev.bWindowed == cfg->bWindowed) {
        for (DWORD d = 0; d < first.dwNumDevices; ++d) {
            if (first.devices[d].DeviceType == D3DDEVTYPE_REF) {
                first.dwCurrentDevice = d;
                break;
            }
        }
    }
    if (first.devices[first.dwCurrentDevice].DeviceType == D3DDEVTYPE_REF) return Initialize3DEnvironment();
    return hr;
}

HRESULT CGfxD3DApp::SetupRenderWindow(D3DPRESENT_PARAMETERS* pp)
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    // A reset fails while anyone holds the back buffer, the cached render target included.
    ReleaseRenderTarget();
    HRESULT hr = m_pd3dDevice->Reset(pp);
    if (FAILED(hr)) return hr;

    ReadBackBufferDesc();
    g_GfxConfig.SetPresentPara(pp);
    HWND wnd = g_GfxConfig.GetRenderWnd();
    cfg->dwWindowStyle = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
    GetWindowRect(wnd, &g_rcWindow);
    RECT client{};
    GetClientRect(wnd, &client);

    const LONG cx = static_cast<LONG>(Kestu_GetWinCxByRes(cfg->eResolution));
    const LONG cy = static_cast<LONG>(Kestu_GetWinCyByRes(cfg->eResolution));
    GRECT* area = g_GfxConfig.GetRenderRect();
    const RECT& rr = cfg->rcRender;
    if (!cfg->bWindowed) {
        g_rcWindow.right = g_rcWindow.left + cx;
        g_rcWindow.bottom = g_rcWindow.top + cy;
        if (cfg->IsSpecialRenderRect())
            area->Set(rr.left, rr.top, rr.right - rr.left, rr.bottom - rr.top);
        else
            area->Set(0, 0, cx, cy);
    } else if (cfg->IsSpecialRenderRect()) {
        area->Set(rr.left + client.left, rr.top + client.top, rr.right - rr.left, rr.bottom - rr.top);
    } else if (!cfg->bKeepWindowSize) {
        const RECT rc =
            GfxWindowRectAround({g_rcWindow.left, g_rcWindow.top, g_rcWindow.left + cx, g_rcWindow.top + cy}, *cfg);
        g_rcWindow = rc;
        SetWindowPos(wnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(wnd, &client);
        area->Set(client.left, client.top, client.right - client.left, client.bottom - client.top);
    } else {
        GetWindowRect(wnd, &g_rcWindow);
        area->Set(g_rcWindow.left, g_rcWindow.top, g_rcWindow.right - g_rcWindow.left,
                  g_rcWindow.bottom - g_rcWindow.top);
    }

    D3DCAPS8 caps{};
    g_GfxCaps.SetCreateFlags(CurrentMode().dwBehavior);
    m_pd3dDevice->GetDeviceCaps(&caps);
    g_GfxCaps.SetD3dCaps(&caps);
    OU_SafeStrCpy(g_GfxCaps.AdapterInfo(), sizeof g_GfxCaps.m_szAdapterInfo,
                  m_Adapters[m_dwAdapter].d3dAdapterIdentifier.Description);
    SetupViewport();
    SetupDeviceCursor();
    return hr;
}

HRESULT CGfxD3DApp::Resize3DEnvironment()
{
    if (!m_pd3dDevice) return KESTUERR_NOTBUILT;
    HRESULT hr = g_GfxDevObjPair.InvalidateDeviceObjects();
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Resize3DEnvironment()failed to InvalidateDeviceObjects Err=%s\n",
                     DXGetErrorString8A(hr));
        return hr;
    }
    D3DPRESENT_PARAMETERS pp = *g_GfxConfig.GetPresentPara();
    hr = SetupRenderWindow(&pp);
    if (FAILED(hr)) {
        KestuSaveLog(KESTU_LOG_ERROR, "Resize3DEnvironment()failed to Reset Err=%s\n", DXGetErrorString8A(hr));
        return hr;
    }
    hr = g_GfxDevObjPair.ActivateDeviceObjects();
    if (FAILED(hr)) return hr;
    return 0;
}

HRESULT CGfxD3DApp::PrepareForRender()
{
    if (!m_pd3dDevice) return KESTUERR_NOTBUILT;
    HRESULT hr = m_pd3dDevice->TestCooperativeLevel();
    if (SUCCEEDED(hr)) return 0;
    if (hr == D3DERR_DEVICENOTRESET) {
        hr = Resize3DEnvironment();
        if (FAILED(hr)) KestuSaveLog(KESTU_LOG_ERROR, "Kestu-PrepareForRender(): return %s\n", DXGetErrorString8A(hr));
    }
    return hr;
}

HRESULT CGfxD3DApp::ToggleFullscreen(BOOL windowed)
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    if (!windowed == !cfg->bWindowed) return 0;
    if (!m_pd3dDevice) return KESTUERR_NOTBUILT;
    SGfxDeviceInfo& dev = CurrentDevice();
    if (!cfg->bWindowed && !dev.bCanDoWindowed) return ForceWindowed();

    m_bReady = FALSE;
    cfg->bWindowed = !cfg->bWindowed;
    dev.bWindowed = !dev.bWindowed;
    RestoreWindowStyles();

    const SGfxModeInfo& mode = CurrentMode();
    D3DPRESENT_PARAMETERS pp = *g_GfxConfig.GetPresentPara();
    pp.Windowed = dev.bWindowed;
    pp.MultiSampleType = dev.MultiSampleType;
    pp.AutoDepthStencilFormat = mode.DepthStencilFormat;
    pp.hDeviceWindow = g_GfxConfig.GetRenderWnd();
    if (!cfg->bWindowed) {
        pp.BackBufferWidth = mode.Width;
        pp.BackBufferHeight = mode.Height;
        pp.BackBufferFormat = mode.Format;
    } else {
        pp.BackBufferWidth = static_cast<UINT>(g_GfxConfig.GetRenderRect()->width);
        pp.BackBufferHeight = static_cast<UINT>(g_GfxConfig.GetRenderRect()->height);
        pp.BackBufferFormat = m_Adapters[m_dwAdapter].d3ddmDesktop.Format;
        // A windowed device takes no full-screen rate or interval.
        pp.FullScreen_RefreshRateInHz = 0;
        pp.FullScreen_PresentationInterval = 0;
    }
    g_GfxConfig.SetPresentPara(&pp);

    HRESULT hr = Resize3DEnvironment();
    if (FAILED(hr)) return cfg->bWindowed ? ForceWindowed() : E_FAIL;
    if (cfg->bWindowed)
        SetWindowPos(g_GfxConfig.GetRenderWnd(), HWND_NOTOPMOST, g_rcWindow.left, g_rcWindow.top,
                     g_rcWindow.right - g_rcWindow.left, g_rcWindow.bottom - g_rcWindow.top, SWP_SHOWWINDOW);
    m_bReady = TRUE;
    return 0;
}

HRESULT CGfxD3DApp::ForceWindowed()
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    if (!CurrentDevice().bCanDoWindowed) {
        BOOL found = FALSE;
        for (DWORD a = 0; a < m_dwNumAdapters && !found; ++a) {
            for (DWORD d = 0; d < m_Adapters[a].dwNumDevices && !found; ++d) {
                if (!m_Adapters[a].devices[d].bCanDoWindowed) continue;
                m_dwAdapter = a;
                m_Adapters[a].dwCurrentDevice = d;
                found = TRUE;
            }
        }
        if (!found) return E_FAIL;
    }
    CurrentDevice().bWindowed = TRUE;
    cfg->bWindowed = TRUE;
    m_bReady = FALSE;
    g_GfxDevObjPair.InvalidateDeviceObjects();
    ReleaseRenderTarget();
    if (m_pd3dDevice) {
        ULONG refs = m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (refs > 0) return Kestu_DisplayErrorMsg(KESTUERR_NONZEROREFCOUNT, KESTU_MSGTYPE_FATAL);
    }
    HRESULT hr = Initialize3DEnvironment();
    if (FAILED(hr)) return Kestu_DisplayErrorMsg(hr, KESTU_MSGTYPE_FATAL);
    m_bReady = TRUE;
    return 0;
}

HRESULT CGfxD3DApp::ReselectDevice()
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    if (!cfg->bWindowed && FAILED(ToggleFullscreen(FALSE))) {
        Kestu_DisplayErrorMsg(KESTUERR_RESETFAILED, KESTU_MSGTYPE_FATAL);
        return E_FAIL;
    }
    cfg->bWindowed = CurrentDevice().bWindowed;
    g_GfxDevObjPair.InvalidateDeviceObjects();
    ReleaseRenderTarget();
    if (m_pd3dDevice) {
        ULONG refs = m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (refs > 0) Kestu_DisplayErrorMsg(KESTUERR_NONZEROREFCOUNT, KESTU_MSGTYPE_FATAL);
    }
    HRESULT hr = Initialize3DEnvironment();
    if (FAILED(hr)) Kestu_DisplayErrorMsg(hr, KESTU_MSGTYPE_FATAL);
    return 0;
}
