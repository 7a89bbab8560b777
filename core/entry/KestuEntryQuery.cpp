// The entry functions that answer queries about the device, the
// configuration, the capabilities and the resolution table.
#include <cstring>

#include <ou_strings.h>

#include "core/device/GfxD3DApp.h"
#include "core/entry/EntryGuard.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_api.h"
#include "kestu_log.h"

namespace {

WCHAR g_szAdapterInfoW[1024];
bool g_bAdapterInfoWConverted = false;

} // namespace

HRESULT Kestu_GetDevice(IDirect3DDevice8** device)
{
    if (!g_pGfxD3DApp) return KESTUERR_NOTBUILT;
    if (!device) return KESTUERR_INVALIDPARAM;
    *device = g_pGfxD3DApp->GetDevice();
    return 0;
}

IDirect3DDevice8* Kestu_GetDevice() { return g_pGfxD3DApp ? g_pGfxD3DApp->GetDevice() : nullptr; }

HRESULT Kestu_GetD3D(IDirect3D8** d3d)
{
    if (!g_pGfxD3DApp) return KESTUERR_NOTBUILT;
    if (!d3d) return KESTUERR_INVALIDPARAM;
    *d3d = g_pGfxD3DApp->GetD3D();
    return 0;
}

IDirect3D8* Kestu_GetD3D() { return g_pGfxD3DApp ? g_pGfxD3DApp->GetD3D() : nullptr; }

HRESULT Kestu_GetRenderTarget(IDirect3DSurface8** surface, DWORD)
{
    if (!g_pGfxD3DApp) return KESTUERR_NOTBUILT;
    if (!surface) return KESTUERR_INVALIDPARAM;
    if (!g_GfxConfig.IsBackBufferLockable()) return KESTUERR_NOTSUPPORTEDINMODE;
    return g_pGfxD3DApp->GetRenderTarget(surface);
}

CKestuDevObjMng* Kestu_GetDevObjMng() { return g_GfxConfig.GetCfg()->pDevObjMng; }

HRESULT Kestu_GetCaps(KESTU_CAPS* caps)
{
    if (!g_pGfxD3DApp) return KESTUERR_NOTBUILT;
    if (!caps) return KESTUERR_INVALIDPARAM;
    *caps = *g_GfxCaps.GetCaps();
    return 0;
}

HRESULT Kestu_GetD3dCaps(D3DCAPS8* caps)
{
    if (!g_pGfxD3DApp) return KESTUERR_NOTBUILT;
    if (!caps) return KESTUERR_INVALIDPARAM;
    *caps = *g_GfxCaps.GetD3dCaps();
    return 0;
}

HRESULT Kestu_GetSDBackBuff(D3DSURFACE_DESC* desc)
{
    if (!g_pGfxD3DApp) return KESTUERR_NOTBUILT;
    if (!desc) return KESTUERR_INVALIDPARAM;
    *desc = *g_GfxConfig.GetSDBackBuff();
    return 0;
}

HRESULT Kestu_GetCfg(KESTU_CONFIG* cfg)
{
    if (cfg) *cfg = *g_GfxConfig.GetCfg();
    return g_pGfxD3DApp ? 0 : KESTUERR_NOTBUILT;
}

const CGfxConfig* Kestu_GetCfg() { return &g_GfxConfig; }

HRESULT Kestu_GetCreateFlags(DWORD* flags)
{
    if (!flags) return KESTUERR_INVALIDPARAM;
    *flags = g_GfxCaps.GetCreateFlags();
    return 0;
}

D3DDEVTYPE Kestu_GetCurrDeviceType() { return g_GfxConfig.GetCurrDeviceType(); }
D3DFORMAT Kestu_GetCurrD3dFormat() { return g_GfxConfig.GetCurrD3dFormat(); }
D3DFORMAT Kestu_GetResourceD3DFormat() { return D3DFMT_R5G6B5; }
D3DPRESENT_PARAMETERS* Kestu_GetPresentPara() { return g_GfxConfig.GetPresentPara(); }
char* Kestu_GetAdapterInfoA() { return g_GfxCaps.AdapterInfo(); }

WCHAR* Kestu_GetAdapterInfoW()
{
    if (!g_bAdapterInfoWConverted) {
        g_bAdapterInfoWConverted = true;
        const int n = MultiByteToWideChar(0, 0, g_GfxCaps.AdapterInfo(), -1, g_szAdapterInfoW, 1024);
        g_szAdapterInfoW[n > 0 ? (n < 1024 ? n : 1023) : 0] = 0;
    }
    return g_szAdapterInfoW;
}

void Kestu_SetLogFilePathname(const char* path)
{
    if (!path || std::strlen(path) >= 256) return;
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    OU_SafeStrCpy(cfg->szLogFile, sizeof cfg->szLogFile, path);
}

HRESULT Kestu_EnumResolutions(std::list<int>* list)
{
    if (!g_pGfxD3DApp) return 1;
    return KestuGuarded<HRESULT>(E_OUTOFMEMORY, [&] { return g_pGfxD3DApp->EnumResolutions(list); });
}

HRESULT Kestu_EnumSpecificallyResolutions(DWORD adapter, BOOL windowedOnly, D3DFORMAT format, std::list<int>* list)
{
    if (!g_pGfxD3DApp || !list) return 1;
    return KestuGuarded<HRESULT>(
        E_OUTOFMEMORY, [&] { return g_pGfxD3DApp->EnumSpecificallyResolutions(adapter, windowedOnly, format, list); });
}

const char* Kestu_GetResolutionString(int res)
{
    return Kestu_GetResolutionText(static_cast<ENUM_KESTU_RESOLUTION>(res));
}

DWORD Kestu_GetColorDepth() { return g_GfxConfig.GetColorDepth(); }
