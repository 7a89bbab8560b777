// Enumeration of adapters, device types and display modes, and the choice of
// adapter, device and mode for a resolution.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <list>
#include <set>
#include <tuple>

#include "core/device/GfxD3DApp.h"
#include "core/entry/GfxGlobals.h"
#include "kestu_api.h"
#include "kestu_log.h"

namespace {

bool InTable(ENUM_KESTU_RESOLUTION res) { return res >= 0 && res < KESTU_RES_COUNT; }

bool Contains(const D3DFORMAT* list, int n, D3DFORMAT f) { return std::find(list, list + n, f) != list + n; }

} // namespace

int GfxAllowedFormatsForDepth(const KESTU_CONFIG& cfg, DWORD depth, D3DFORMAT out[8])
{
    const D3DFORMAT* table = nullptr;
    // A 15-bit desktop is a 16-bit desktop for the choice of formats.
    if (depth == 16 || depth == 15)
        table = cfg.fmtAllowed16;
    else if (depth == 32)
        table = cfg.fmtAllowed32;
    int n = 0;
    if (!table) return 0;
    for (int i = 0; i < 8; ++i)
        if (table[i] != 0) out[n++] = table[i];
    return n;
}

int CGfxD3DApp::CompareDisplayModes(const void* a, const void* b)
{
    const auto* m1 = static_cast<const D3DDISPLAYMODE*>(a);
    const auto* m2 = static_cast<const D3DDISPLAYMODE*>(b);
    if (m1->Format > m2->Format) return -1;
    if (m1->Format < m2->Format) return 1;
    if (m1->Width < m2->Width) return -1;
    if (m1->Width > m2->Width) return 1;
    if (m1->Height < m2->Height) return -1;
    if (m1->Height > m2->Height) return 1;
    return 0;
}

BOOL GfxFindDepthStencilFormat(IDirect3D8* d3d, UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD& minDepth,
                               DWORD& minStencil, D3DFORMAT* depthStencil)
{
    auto passes = [&](D3DFORMAT f) {
        if (!d3d) return false;
        if (FAILED(d3d->CheckDeviceFormat(adapter, type, adapterFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f)))
            return false;
        if (FAILED(d3d->CheckDepthStencilMatch(adapter, type, adapterFormat, adapterFormat, f))) return false;
        if (depthStencil) *depthStencil = f;
        return true;
    };

    if (minStencil == 0) {
        if (minDepth >= 25 && minDepth <= 32) {
            if (passes(D3DFMT_D32)) return TRUE;
            minDepth = 24;
        }
        if (minDepth >= 17 && minDepth <= 24) {
            if (passes(D3DFMT_D24X8)) return TRUE;
            minDepth = 16;
        }
        if (minDepth <= 16 && passes(D3DFMT_D16)) return TRUE;
    }
    if (minDepth <= 24) {
        if (minStencil <= 8) {
            if (passes(D3DFMT_D24S8)) return TRUE;
            minStencil = 4;
        }
        if (minStencil <= 4) {
            if (passes(D3DFMT_D24X4S4)) return TRUE;
            minDepth = 15;
            minStencil = 1;
        }
    }
    if (minDepth <= 15 && minStencil <= 1 && passes(D3DFMT_D15S1)) return TRUE;
    return FALSE;
}

BOOL CGfxD3DApp::FindDeviceFormats(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT* depthStencil)
{
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    return GfxFindDepthStencilFormat(m_pD3D, adapter, type, adapterFormat, cfg->dwMinDepthBits, cfg->dwMinStencilBits,
                                     depthStencil);
}

HRESULT CGfxD3DApp::BuildDeviceList()
{
    if (!m_pD3D) return KESTUERR_NODIRECT3D;
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    KESTU_CAPS* kcaps = g_GfxCaps.GetCaps();

    D3DFORMAT allowed[GFX_MAX_ALLOWED_FORMATS];
    int numAllowed = 0;
    for (D3DFORMAT f : cfg->fmtAllowed16)
        if (f != 0) allowed[numAllowed++] = f;
    for (D3DFORMAT f : cfg->fmtAllowed32)
        if (f != 0) allowed[numAllowed++] = f;

    const DWORD reqCx = Kestu_GetWinCxByRes(cfg->eResolution);
    const DWORD reqCy = Kestu_GetWinCyByRes(cfg->eResolution);
    D3DFORMAT wanted[8];
    const int numWanted = GfxAllowedFormatsForDepth(*cfg, Kestu_GetColorDepth(), wanted);

    BOOL halFound = FALSE, halHasMode = FALSE, halDesktop = FALSE;
    m_dwNumAdapters = 0;
    const UINT adapterCount = m_pD3D->GetAdapterCount();
    for (UINT ordinal = 0; ordinal < adapterCount && m_dwNumAdapters < GFX_MAX_ADAPTERS; ++ordinal) {
        SGfxAdapterInfo& adapter = m_Adapters[m_dwNumAdapters];
        std::memset(&adapter, 0, sizeof adapter);
        adapter.nOrdinal = ordinal;
        m_pD3D->GetAdapterIdentifier(ordinal, D3DENUM_NO_WHQL_LEVEL, &adapter.d3dAdapterIdentifier);
        m_pD3D->GetAdapterDisplayMode(ordinal, &adapter.d3ddmDesktop);

        // Distinct modes and formats; the tables are bounded, extra entries are dropped.
        D3DDISPLAYMODE modes[GFX_MAX_GATHERED_MODES];
        DWORD numModes = 0;
        D3DFORMAT formats[GFX_MAX_FORMATS];
        int numFormats = 1;
        formats[0] = adapter.d3ddmDesktop.Format;
        const UINT modeCount = m_pD3D->GetAdapterModeCount(ordinal);
        for (int a = 0; a < numAllowed; ++a) {
            for (UINT m = 0; m < modeCount; ++m) {
                D3DDISPLAYMODE dm{};
                if (FAILED(m_pD3D->EnumAdapterModes(ordinal, m, &dm))) continue;
                if (dm.Format != allowed[a] || dm.Width < 640 || dm.Height < 480) continue;
                DWORD i = 0;
                while (i < numModes &&
                       !(modes[i].Width == dm.Width && modes[i].Height == dm.Height && modes[i].Format == dm.Format))
                    ++i;
                if (i < numModes) {
                    modes[i].RefreshRate = std::max(modes[i].RefreshRate, dm.RefreshRate);
                } else {
                    if (numModes >= GFX_MAX_GATHERED_MODES) continue;
                    if (!Contains(formats, numFormats, dm.Format)) {
                        if (numFormats >= GFX_MAX_FORMATS) continue;
                        formats[numFormats++] = dm.Format;
                    }
                    modes[numModes++] = dm;
                }
                ENUM_KESTU_RESOLUTION res = Kestu_GetResByWinCxCyColorDepth(dm.Width, dm.Height);
                if (InTable(res)) kcaps->dwRefreshRate[res] = std::max(kcaps->dwRefreshRate[res], dm.RefreshRate);
            }
        }
        std::qsort(modes, numModes, sizeof modes[0], CompareDisplayModes);

        static const D3DDEVTYPE kTypes[2] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
        static const char* const kTypeTexts[2] = {"HAL", "REF"};
        for (int t = 0; t < 2 && adapter.dwNumDevices < GFX_MAX_DEVICES; ++t) {
            SGfxDeviceInfo& dev = adapter.devices[adapter.dwNumDevices];
            std::memset(&dev, 0, sizeof dev);
            dev.DeviceType = kTypes[t];
            m_pD3D->GetDeviceCaps(ordinal, dev.DeviceType, &dev.d3dCaps);
            dev.strDesc = kTypeTexts[t];
            dev.MultiSampleType = D3DMULTISAMPLE_NONE;

            BOOL usable[GFX_MAX_FORMATS] = {};
            DWORD behavior[GFX_MAX_FORMATS] = {};
            D3DFORMAT depth[GFX_MAX_FORMATS] = {};
            for (int f = 0; f < numFormats; ++f) {
                if (FAILED(m_pD3D->CheckDeviceType(ordinal, dev.DeviceType, formats[f], formats[f], FALSE))) continue;
                if (dev.DeviceType == D3DDEVTYPE_HAL) {
                    kcaps->bHalDevice = 1;
                    kcaps->bHalFormat = 1;
                    halFound = TRUE;
                    if (formats[f] == adapter.d3ddmDesktop.Format) halDesktop = TRUE;
                }
                const DWORD mt = cfg->bMultiThreaded ? D3DCREATE_MULTITHREADED : 0;
                DWORD candidates[4];
                int numCandidates = 0;
                if (dev.d3dCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
                    if ((dev.d3dCaps.DevCaps & D3DDEVCAPS_PUREDEVICE) && cfg->bAllowPureDevice)
                        candidates[numCandidates++] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
                    candidates[numCandidates++] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
                    candidates[numCandidates++] = D3DCREATE_MIXED_VERTEXPROCESSING;
                }
                candidates[numCandidates++] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
                BOOL confirmed = FALSE;
                for (int c = 0; c < numCandidates && !confirmed; ++c) {
                    if (SUCCEEDED(g_GfxDevObjPair.ConfirmDevice(&dev.d3dCaps, candidates[c] | mt, formats[f]))) {
                        behavior[f] = candidates[c] | mt;
                        confirmed = TRUE;
                    }
                }
                if (!confirmed) continue;
                if (cfg->bUseDepthBuffer && !FindDeviceFormats(ordinal, dev.DeviceType, formats[f], &depth[f]))
                    continue;
                usable[f] = TRUE;
            }

            for (DWORD m = 0; m < numModes && dev.dwNumModes < GFX_MAX_DEVICE_MODES; ++m) {
                int f = static_cast<int>(std::find(formats, formats + numFormats, modes[m].Format) - formats);
                if (f >= numFormats || !usable[f]) continue;
                SGfxModeInfo& mi = dev.modes[dev.dwNumModes++];
                mi.Width = modes[m].Width;
                mi.Height = modes[m].Height;
                mi.Format = modes[m].Format;
                mi.RefreshRate = modes[m].RefreshRate;
                mi.dwBehavior = behavior[f];
                mi.DepthStencilFormat = depth[f];
                if (dev.DeviceType == D3DDEVTYPE_HAL) halHasMode = TRUE;
            }

            for (DWORD m = 0; m < dev.dwNumModes; ++m) {
                if (dev.modes[m].Width != reqCx || dev.modes[m].Height != reqCy) continue;
                if (!Contains(wanted, numWanted, dev.modes[m].Format)) continue;
                dev.dwCurrentMode = m;
                dev.bHasRequestedMode = TRUE;
                KestuSaveLog(KESTU_LOG_INFO,
                             "Kestu-BuildDeviceList():found a mode(mode %d) of iDevice[%d] have req cx,cy\n",
                             static_cast<int>(m), t);
                KestuSaveLog(KESTU_LOG_INFO, "Kestu-BuildDeviceList():device[%d]->modes[%d] is valid\n",
                             static_cast<int>(adapter.dwNumDevices), static_cast<int>(m));
            }

            if (usable[0]) {
                dev.bCanDoWindowed = TRUE;
                dev.bWindowed = cfg->bWindowed;
            }
            if (dev.dwNumModes > 0) ++adapter.dwNumDevices;
        }
        if (adapter.dwNumDevices > 0) ++m_dwNumAdapters;
    }
    if (m_dwNumAdapters == 0) return KESTUERR_NOCOMPATIBLEDEVICES;

    D3DDEVTYPE want = cfg->eHowToCreateDevice == KESTU_CREATE_REF_ONLY ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
    BOOL retry = cfg->eHowToCreateDevice != KESTU_CREATE_HAL_ONLY && cfg->eHowToCreateDevice != KESTU_CREATE_REF_ONLY;
    for (DWORD a = 0; a < m_dwNumAdapters; ++a) {
        SGfxAdapterInfo& adapter = m_Adapters[a];
        for (DWORD d = 0; d < adapter.dwNumDevices; ++d) {
            SGfxDeviceInfo& dev = adapter.devices[d];
            const int ia = static_cast<int>(a), id = static_cast<int>(d);
            if (dev.DeviceType != want) {
                KestuSaveLog(KESTU_LOG_INFO,
                             "Kestu-BuildDeviceList():m_Adapters[%d].devices[%d].DeviceType != eWantType\n", ia, id);
                if (retry && want == D3DDEVTYPE_HAL) {
                    retry = FALSE;
                    want = D3DDEVTYPE_REF;
                    KestuSaveLog(KESTU_LOG_INFO, "switch eWantType to D3DDEVTYPE_REF");
                } else {
                    KestuSaveLog(
                        KESTU_LOG_INFO,
                        "Kestu-BuildDeviceList():Adapter[%d].device[%d] have mode number = %d, all are invalid mode\n",
                        ia, id, static_cast<int>(dev.dwNumModes));
                    continue;
                }
            }
            if (!dev.bCanDoWindowed && cfg->bWindowed) {
                KestuSaveLog(KESTU_LOG_INFO,
                             "Kestu-BuildDeviceList():m_Adapters[%d].devices[%d] cannot be windowed, retry=%d\n", ia,
                             id, retry);
                if (!retry)
                    return Kestu_DisplayErrorMsg(want == D3DDEVTYPE_HAL ? KESTUERR_NOWINDOWEDHAL
                                                                        : KESTUERR_NOWINDOWABLEDEVICES,
                                                 KESTU_MSGTYPE_FATAL);
                retry = FALSE;
                if (want == D3DDEVTYPE_HAL) Kestu_DisplayErrorMsg(KESTUERR_NOWINDOWEDHAL, KESTU_MSGTYPE_SWITCHTOREF);
            }
            if (dev.bHasRequestedMode) {
                m_dwAdapter = a;
                adapter.dwCurrentDevice = d;
                if (dev.DeviceType == D3DDEVTYPE_REF) {
                    if (!halFound)
                        Kestu_DisplayErrorMsg(KESTUERR_NOHARDWAREDEVICE, KESTU_MSGTYPE_SWITCHTOREF);
                    else if (!halHasMode)
                        Kestu_DisplayErrorMsg(KESTUERR_HALNOTCOMPATIBLE, KESTU_MSGTYPE_SWITCHTOREF);
                    else if (!halDesktop)
                        Kestu_DisplayErrorMsg(KESTUERR_NODESKTOPHAL, KESTU_MSGTYPE_SWITCHTOREF);
                }
                KestuSaveLog(KESTU_LOG_INFO, "Kestu-BuildDeviceList():So, Select Adapter[%d].device[%d].modes[%d]\n",
                             ia, id, static_cast<int>(dev.dwCurrentMode));
                g_GfxConfig.SetCurrDeviceType(dev.DeviceType);
                return 0;
            }
            KestuSaveLog(KESTU_LOG_INFO,
                         "Kestu-BuildDeviceList():m_Adapters[%d].devices[%d] not have valid mode, retry=%d\n", ia, id,
                         retry);
            if (!retry)
                return Kestu_DisplayErrorMsg(want == D3DDEVTYPE_HAL ? KESTUERR_NOVALIDMODEHAL : KESTUERR_NOVALIDMODE,
                                             KESTU_MSGTYPE_FATAL);
            retry = FALSE;
            if (want == D3DDEVTYPE_HAL) {
                Kestu_DisplayErrorMsg(KESTUERR_NOVALIDMODEHAL, KESTU_MSGTYPE_SWITCHTOREF);
                // The notice announces the reference rasteriser: look for it among the devices that follow.
                want = D3DDEVTYPE_REF;
            }
            KestuSaveLog(KESTU_LOG_INFO,
                         "Kestu-BuildDeviceList():Adapter[%d].device[%d] have mode number = %d, all are invalid mode\n",
                         ia, id, static_cast<int>(dev.dwNumModes));
        }
    }
    KestuSaveLog(KESTU_LOG_INFO, "Kestu-BuildDeviceList():Adapters[0]'s device number = %d, all have not valid mode,\n",
                 static_cast<int>(m_Adapters[0].dwNumDevices));
    return KESTUERR_NOVALIDMODE;
}

BOOL CGfxD3DApp::HasAllowedMode(const SGfxDeviceInfo& dev, DWORD width, DWORD height, DWORD* mode) const
{
    D3DFORMAT wanted[8];
    const int n = GfxAllowedFormatsForDepth(*g_GfxConfig.GetCfg(), Kestu_GetColorDepth(), wanted);
    for (DWORD m = 0; m < dev.dwNumModes; ++m) {
        if (dev.modes[m].Width == width && dev.modes[m].Height == height && Contains(wanted, n, dev.modes[m].Format)) {
            *mode = m;
            return TRUE;
        }
    }
    return FALSE;
}

HRESULT CGfxD3DApp::SelectParaByResolution(D3DPRESENT_PARAMETERS* pp, ENUM_KESTU_RESOLUTION res, BOOL windowed)
{
    if (!pp || m_dwNumAdapters == 0) return KESTUERR_NOVALIDMODE;
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    const DWORD cx = Kestu_GetWinCxByRes(res), cy = Kestu_GetWinCyByRes(res);
    const DWORD oldAdapter = m_dwAdapter;
    const DWORD oldDevice = m_Adapters[m_dwAdapter].dwCurrentDevice;
    const DWORD oldMode = CurrentDevice().dwCurrentMode;
    CurrentDevice().bHasRequestedMode = FALSE;

    auto select = [&](DWORD a, DWORD d, DWORD m) {
        m_dwAdapter = a;
        m_Adapters[a].dwCurrentDevice = d;
        SGfxDeviceInfo& dev = m_Adapters[a].devices[d];
        dev.dwCurrentMode = m;
        dev.bHasRequestedMode = TRUE;
        KestuSaveLog(KESTU_LOG_INFO, "SelectParaByResolution() : select mode:%d(%dx%dx%d)\n", static_cast<int>(m),
                     static_cast<int>(cx), static_cast<int>(cy), static_cast<int>(Kestu_GetColorDepth()));
    };

    DWORD mode = 0;
    if (HasAllowedMode(CurrentDevice(), cx, cy, &mode)) {
        select(m_dwAdapter, oldDevice, mode);
    } else {
        const int forced = cfg->eHowToCreateDevice;
        BOOL found = FALSE, haveOther = FALSE;
        DWORD oa = 0, od = 0, om = 0;
        for (DWORD a = 0; a < m_dwNumAdapters && !found; ++a) {
            for (DWORD d = 0; d < m_Adapters[a].dwNumDevices && !found; ++d) {
                if (a == oldAdapter && d == oldDevice) continue;
                const SGfxDeviceInfo& dev = m_Adapters[a].devices[d];
                if (forced == KESTU_CREATE_HAL_ONLY && dev.DeviceType != D3DDEVTYPE_HAL) continue;
                if (forced == KESTU_CREATE_REF_ONLY && dev.DeviceType != D3DDEVTYPE_REF) continue;
                if (!HasAllowedMode(dev, cx, cy, &mode)) continue;
                const bool isForced = forced == KESTU_CREATE_HAL_ONLY || forced == KESTU_CREATE_REF_ONLY;
                if (dev.DeviceType == D3DDEVTYPE_HAL || isForced) {
                    select(a, d, mode);
                    found = TRUE;
                } else {
                    haveOther = TRUE;
                    oa = a, od = d, om = mode;
                }
            }
        }
        if (!found && haveOther) {
            select(oa, od, om);
            found = TRUE;
        }
        if (!found) {
            m_dwAdapter = oldAdapter;
            m_Adapters[oldAdapter].dwCurrentDevice = oldDevice;
            CurrentDevice().dwCurrentMode = oldMode;
            return KESTUERR_NOVALIDMODE;
        }
    }

    const SGfxAdapterInfo& adapter = m_Adapters[m_dwAdapter];
    SGfxDeviceInfo& dev = CurrentDevice();
    const SGfxModeInfo& mi = CurrentMode();
    std::memset(pp, 0, sizeof *pp);
    pp->BackBufferCount = 1;
    // The state the caller is heading for decides the checks, not the one in
    // force: a window may switch to a full-screen mode the desktop lacks.
    pp->Windowed = windowed ? TRUE : FALSE;
    pp->MultiSampleType = dev.MultiSampleType;
    pp->SwapEffect = static_cast<D3DSWAPEFFECT>(cfg->SwapEffect);
    pp->EnableAutoDepthStencil = cfg->bUseDepthBuffer;
    pp->AutoDepthStencilFormat = mi.DepthStencilFormat;
    pp->hDeviceWindow = g_GfxConfig.GetRenderWnd();
    pp->BackBufferWidth = mi.Width;
    pp->BackBufferHeight = mi.Height;
    if (!windowed) {
        pp->BackBufferFormat = mi.Format;
        pp->FullScreen_RefreshRateInHz = mi.RefreshRate;
        pp->FullScreen_PresentationInterval = cfg->PresentationInterval;
    } else {
        if (mi.Format != adapter.d3ddmDesktop.Format) return KESTUERR_NOWINDOWABLEDEVICES;
        pp->BackBufferFormat = mi.Format;
    }
    if (cfg->bBackBufferLockable) pp->Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return 0;
}

HRESULT CGfxD3DApp::EnumResolutions(std::list<int>* list)
{
    if (!list) return 1;
    IDirect3D8* d3d = m_pD3D;
    bool own = false;
    if (!d3d) {
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (!d3d) return 1;
        own = true;
    }
    const KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    bool anyFormat = false;
    for (int i = 0; i < 8; ++i) anyFormat |= cfg->fmtAllowed16[i] != 0 || cfg->fmtAllowed32[i] != 0;
    const UINT adapters = d3d->GetAdapterCount();
    for (UINT a = 0; a < adapters && anyFormat; ++a) {
        std::set<std::tuple<DWORD, DWORD, int>> seen;
        const UINT count = d3d->GetAdapterModeCount(a);
        for (UINT m = 0; m < count; ++m) {
            D3DDISPLAYMODE dm{};
            if (FAILED(d3d->EnumAdapterModes(a, m, &dm))) continue;
            if (dm.Width < 640 || dm.Height < 480) continue;
            if (!seen.insert({dm.Width, dm.Height, static_cast<int>(dm.Format)}).second) continue;
            ENUM_KESTU_RESOLUTION res = Kestu_GetResByWinCxCyColorDepth(dm.Width, dm.Height);
            if (InTable(res)) list->push_back(res);
        }
    }
    if (own) d3d->Release();
    return 0;
}

HRESULT CGfxD3DApp::EnumSpecificallyResolutions(DWORD adapter, BOOL windowedOnly, D3DFORMAT format,
                                                std::list<int>* list)
{
    if (!list) return 1;
    if (adapter >= m_dwNumAdapters) return 0;
    const SGfxAdapterInfo& info = m_Adapters[adapter];
    for (DWORD d = 0; d < info.dwNumDevices; ++d) {
        const SGfxDeviceInfo& dev = info.devices[d];
        if (windowedOnly && !dev.bCanDoWindowed) continue;
        for (DWORD m = 0; m < dev.dwNumModes; ++m) {
            if (dev.modes[m].Format != format) continue;
            ENUM_KESTU_RESOLUTION res = Kestu_GetResByWinCxCyColorDepth(dev.modes[m].Width, dev.modes[m].Height);
            if (InTable(res) && std::find(list->begin(), list->end(), static_cast<int>(res)) == list->end())
                list->push_back(res);
        }
    }
    return 0;
}
