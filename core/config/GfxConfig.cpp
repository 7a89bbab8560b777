#include "kestu_config.h"
#include "kestu_d3dformat.h"

#include <cstring>

#include <ou_strings.h>

CGfxConfig::CGfxConfig()
    : m_Cfg(), m_PresentPara{}, m_SDBackBuff{}, m_rcRender{}, m_CurrDeviceType(D3DDEVTYPE_HAL), m_hRenderWnd(nullptr)
{
}

CGfxConfig::CGfxConfig(const CGfxConfig& other)
    : m_Cfg(other.m_Cfg), m_PresentPara(other.m_PresentPara), m_SDBackBuff(other.m_SDBackBuff),
      m_rcRender(other.m_rcRender), m_CurrDeviceType(other.m_CurrDeviceType), m_hRenderWnd(other.m_hRenderWnd)
{
    m_rcRender.area = m_rcRender.width * m_rcRender.height;
}

CGfxConfig& CGfxConfig::operator=(const CGfxConfig&) = default;

CGfxConfig::~CGfxConfig() = default;

void CGfxConfig::SetCfg(const KESTU_CONFIG* cfg)
{
    if (!cfg) return;
    KESTU_CONFIG& d = m_Cfg;
    d.eResolution = cfg->eResolution;
    d.eHowToCreateDevice = cfg->eHowToCreateDevice;
    d.bErrMsgBoxEnabled = cfg->bErrMsgBoxEnabled;
    d.eLogLevel = cfg->eLogLevel;
    OU_SafeStrCpy(d.szLogFile, sizeof d.szLogFile, cfg->szLogFile);
    d.hInstance = cfg->hInstance;
    d.dwReserved = cfg->dwReserved;
    OU_SafeStrCpy(d.szWindowTitle, sizeof d.szWindowTitle, cfg->szWindowTitle);
    d.bWindowed = cfg->bWindowed;
    d.bKeepWindowSize = cfg->bKeepWindowSize;
    d.rcRender = cfg->rcRender;
    d.bRenderRectEnabled = cfg->bRenderRectEnabled;
    d.pfnWndProc = cfg->pfnWndProc;
    d.hIcon = cfg->hIcon;
    d.dwWindowStyle = cfg->dwWindowStyle;
    d.dwWindowExStyle = cfg->dwWindowExStyle;
    d.bMenu = cfg->bMenu;
    d.bBackBufferLockable = cfg->bBackBufferLockable;
    d.bUseDepthBuffer = cfg->bUseDepthBuffer;
    d.dwMinDepthBits = cfg->dwMinDepthBits;
    d.dwMinStencilBits = cfg->dwMinStencilBits;
    d.bShowCursorWhenFullscreen = cfg->bShowCursorWhenFullscreen;
    d.SwapEffect = cfg->SwapEffect;
    d.PresentationInterval = cfg->PresentationInterval;
    d.pDevObjMng = cfg->pDevObjMng;
    d.bMultiThreaded = cfg->bMultiThreaded;
    d.bAllowPureDevice = cfg->bAllowPureDevice;
    d.bSkipDeviceTest = cfg->bSkipDeviceTest;
    std::memcpy(d.fmtAllowed16, cfg->fmtAllowed16, sizeof d.fmtAllowed16);
    std::memcpy(d.fmtAllowed32, cfg->fmtAllowed32, sizeof d.fmtAllowed32);
    d.fmtTexture = cfg->fmtTexture;
    d.fmtTextureAlpha = cfg->fmtTextureAlpha;
    d.fmtTextureCompressed = cfg->fmtTextureCompressed;
    d.fmtTextureCompressedAlpha = cfg->fmtTextureCompressedAlpha;
    std::memset(d.reserved3, 0, sizeof d.reserved3);
}

// Fields the client's device decides (window, depth, format tables) keep their previous values.
void CGfxConfig::SetCfg(const KESTU_EXTRA_CONFIG* ext)
{
    if (!ext) return;
    KESTU_CONFIG& d = m_Cfg;
    std::memset(d.reserved3, 0, sizeof d.reserved3);
    d.eResolution = ext->eResolution;
    d.bErrMsgBoxEnabled = ext->bErrMsgBoxEnabled;
    d.eLogLevel = ext->eLogLevel;
    OU_SafeStrCpy(d.szLogFile, sizeof d.szLogFile, ext->szLogFile);
    d.hInstance = ext->hInstance;
    d.dwReserved = ext->dwReserved;
    d.bWindowed = ext->bWindowed;
    d.pDevObjMng = ext->pDevObjMng;
    d.bMultiThreaded = ext->bMultiThreaded;
    d.bAllowPureDevice = ext->bAllowPureDevice;
    d.bSkipDeviceTest = ext->bSkipDeviceTest;
    d.fmtTexture = ext->fmtTexture;
    d.fmtTextureAlpha = ext->fmtTextureAlpha;
    d.fmtTextureCompressed = ext->fmtTextureCompressed;
    d.fmtTextureCompressedAlpha = ext->fmtTextureCompressedAlpha;
}

void CGfxConfig::SetPresentPara(const D3DPRESENT_PARAMETERS* para)
{
    if (para) m_PresentPara = *para;
}

void CGfxConfig::SetSDBackBuff(const D3DSURFACE_DESC* desc)
{
    if (desc) m_SDBackBuff = *desc;
}

DWORD CGfxConfig::GetColorDepth() const { return static_cast<DWORD>(hardware.PixelFormat()); }

DWORD CGfxConfig::GetCurrColorDepth() const { return GetBitCountByD3DFormat(m_SDBackBuff.Format); }
