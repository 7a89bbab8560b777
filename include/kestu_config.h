// The engine's configuration records and the global configuration and
// capability objects.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <ou_geometry.h>

#include "kestu_export.h"

class CKestuDevObjMng;

// The supported screen sizes.
enum ENUM_KESTU_RESOLUTION : int32_t {
    KESTU_RES_800X600 = 0,
    KESTU_RES_1024X768 = 1,
    KESTU_RES_1152X864 = 2,
    KESTU_RES_1280X720 = 3,
    KESTU_RES_1280X768 = 4,
    KESTU_RES_1280X960 = 5,
    KESTU_RES_1280X1024 = 6,
    KESTU_RES_1360X768 = 7,
    KESTU_RES_1440X900 = 8,
    KESTU_RES_1440X1050 = 9,
    KESTU_RES_1600X900 = 10,
    KESTU_RES_1600X1024 = 11,
    KESTU_RES_1600X1200 = 12,
    KESTU_RES_1920X1080 = 13,
    KESTU_RES_1920X1200 = 14,
    KESTU_RES_1920X1440 = 15,
    KESTU_RES_2048X1536 = 16,
    KESTU_RES_COUNT = 17
};

// How the device is created.
#define KESTU_CREATE_HAL_OR_REF 0 // hardware, falling back to the reference rasteriser
#define KESTU_CREATE_HAL_ONLY 1
#define KESTU_CREATE_REF_ONLY 2

#define KESTU_PATH_SIZE 520

// The start-up configuration of an engine with a device of its own.
struct KESTU_API KESTU_CONFIG {
    ENUM_KESTU_RESOLUTION eResolution;
    int32_t eHowToCreateDevice;
    BOOL bErrMsgBoxEnabled;
    int32_t eLogLevel;
    char szLogFile[KESTU_PATH_SIZE];
    unsigned char reserved1[KESTU_PATH_SIZE]; // never read nor copied into the global
    HINSTANCE hInstance;                      // must be non-zero
    DWORD dwReserved;
    char szWindowTitle[KESTU_PATH_SIZE];
    unsigned char reserved2[KESTU_PATH_SIZE]; // never read nor copied into the global
    BOOL bWindowed;
    BOOL bKeepWindowSize;
    RECT rcRender;
    BOOL bRenderRectEnabled;
    WNDPROC pfnWndProc;
    HICON hIcon;
    DWORD dwWindowStyle;
    DWORD dwWindowExStyle;
    BOOL bMenu;
    BOOL bBackBufferLockable;
    BOOL bUseDepthBuffer;
    DWORD dwMinDepthBits;
    DWORD dwMinStencilBits;
    BOOL bShowCursorWhenFullscreen;
    DWORD SwapEffect;           // a D3DSWAPEFFECT
    DWORD PresentationInterval; // a D3DPRESENT_INTERVAL_* value
    CKestuDevObjMng* pDevObjMng;
    BOOL bMultiThreaded;
    BOOL bAllowPureDevice;
    BOOL bSkipDeviceTest;
    D3DFORMAT fmtAllowed16[8]; // zero entries are empty slots
    D3DFORMAT fmtAllowed32[8];
    D3DFORMAT fmtTexture;
    D3DFORMAT fmtTextureAlpha;
    D3DFORMAT fmtTextureCompressed;
    D3DFORMAT fmtTextureCompressedAlpha;
    BYTE reserved3[128];

    KESTU_CONFIG();

    BOOL IsValidData() const;
    BOOL IsSpecialRenderRect() const;
    D3DFORMAT GetfmtTexture(int bAlpha, int bCompressed) const;
    // Reads the keys of one INI section; 0 when an argument is null or the file cannot be read.
    BOOL LoadFromIni(const char* file, const char* section);
};

// The configuration of an engine built on a device the client created.
struct KESTU_API KESTU_EXTRA_CONFIG {
    IDirect3DDevice8* pDevice;
    DWORD dwCreateFlags;
    D3DPRESENT_PARAMETERS* pPresentParams; // may be null
    ENUM_KESTU_RESOLUTION eResolution;
    BOOL bErrMsgBoxEnabled;
    int32_t eLogLevel;
    char szLogFile[KESTU_PATH_SIZE];
    unsigned char reserved1[KESTU_PATH_SIZE];
    HINSTANCE hInstance;
    DWORD dwReserved;
    BOOL bWindowed;
    CKestuDevObjMng* pDevObjMng;
    BOOL bMultiThreaded;
    BOOL bAllowPureDevice;
    BOOL bSkipDeviceTest;
    D3DFORMAT fmtTexture;
    D3DFORMAT fmtTextureAlpha;
    D3DFORMAT fmtTextureCompressed;
    D3DFORMAT fmtTextureCompressedAlpha;
    BYTE reserved3[128];

    KESTU_EXTRA_CONFIG();

    BOOL IsValidData() const;
    D3DFORMAT GetfmtTexture(int bAlpha, int bCompressed) const;
};

// What the engine learned about the display devices. Never cleared between builds.
struct KESTU_API KESTU_CAPS {
    DWORD bHalDevice;
    DWORD bHalFormat;
    DWORD dwReserved;
    DWORD dwRefreshRate[KESTU_RES_COUNT]; // highest rate seen per resolution
};
static_assert(sizeof(KESTU_CAPS) == 80, "KESTU_CAPS is shared with the client");

// The display description; one global instance, `hardware`. The device set-up
// takes the wanted colour depth from it, and the 2D layer its pixel layout.
struct KESTU_API SHardware {
    int32_t m_nPixelFormat; // 15, 16 or 32; set by the client only
    int32_t m_bIsCDDevice;
    int32_t m_bIsSurfaceLost; // set by the DirectDraw screen when a lock meets a lost surface
    int32_t m_bReserved1;
    int32_t m_bReserved2;
    int32_t m_bPrimaryInVideoMemory; // set by the DirectDraw screen after it builds its flip chain

    // constexpr so the global holds its defaults from load time on.
    constexpr SHardware()
        : m_nPixelFormat(16), m_bIsCDDevice(1), m_bIsSurfaceLost(0), m_bReserved1(1), m_bReserved2(1),
          m_bPrimaryInVideoMemory(0)
    {
    }
    SHardware(const SHardware&) = default;
    SHardware& operator=(const SHardware& other);

    int32_t PixelFormat() const { return m_nPixelFormat; }
    int32_t IsCDDevice() const { return m_bIsCDDevice; }
    int32_t IsSurfaceLost() const { return m_bIsSurfaceLost; }
};
static_assert(sizeof(SHardware) == 24, "SHardware is shared with the client");

extern KESTU_API SHardware hardware;

// The configuration in use plus the device's run-time state.
class KESTU_API CGfxConfig {
public:
    CGfxConfig();
    CGfxConfig(const CGfxConfig& other);
    CGfxConfig& operator=(const CGfxConfig& other);
    virtual ~CGfxConfig();

    void SetCfg(const KESTU_CONFIG* cfg);
    void SetCfg(const KESTU_EXTRA_CONFIG* ext);
    KESTU_CONFIG* GetCfg() { return &m_Cfg; }
    const KESTU_CONFIG* GetCfg() const { return &m_Cfg; }

    D3DPRESENT_PARAMETERS* GetPresentPara() { return &m_PresentPara; }
    const D3DPRESENT_PARAMETERS* GetPresentPara() const { return &m_PresentPara; }
    void SetPresentPara(const D3DPRESENT_PARAMETERS* para);
    D3DSURFACE_DESC* GetSDBackBuff() { return &m_SDBackBuff; }
    const D3DSURFACE_DESC* GetSDBackBuff() const { return &m_SDBackBuff; }
    void SetSDBackBuff(const D3DSURFACE_DESC* desc);
    D3DFORMAT GetCurrD3dFormat() const { return m_SDBackBuff.Format; }
    D3DMULTISAMPLE_TYPE GetCurrD3dMultisampleType() const { return m_SDBackBuff.MultiSampleType; }
    D3DFORMAT GetResourceD3DFormat() const { return D3DFMT_R5G6B5; }
    BOOL IsBackBufferLockable() const { return m_Cfg.bBackBufferLockable; }

    HWND GetRenderWnd() const { return m_hRenderWnd; }
    void SetRenderWnd(HWND hwnd) { m_hRenderWnd = hwnd; }
    GRECT* GetRenderRect() { return &m_rcRender; }
    const GRECT* GetRenderRect() const { return &m_rcRender; }
    // Width and height only; the area word stays as it was.
    void SetWinCx(int cx) { m_rcRender.width = cx; }
    void SetWinCy(int cy) { m_rcRender.height = cy; }

    // The display's pixel format as the 2D layer reports it.
    DWORD GetColorDepth() const;
    // Bits per pixel of the back buffer's format.
    DWORD GetCurrColorDepth() const;
    D3DDEVTYPE GetCurrDeviceType() const { return m_CurrDeviceType; }
    void SetCurrDeviceType(D3DDEVTYPE type) { m_CurrDeviceType = type; }

    KESTU_CONFIG m_Cfg;
    D3DPRESENT_PARAMETERS m_PresentPara;
    D3DSURFACE_DESC m_SDBackBuff;
    GRECT m_rcRender;
    D3DDEVTYPE m_CurrDeviceType;
    HWND m_hRenderWnd;
};

// The device's capabilities as the engine learned them.
class KESTU_API CGfxCaps {
public:
    CGfxCaps();
    virtual ~CGfxCaps();

    KESTU_CAPS* GetCaps() { return &m_Caps; }
    const KESTU_CAPS* GetCaps() const { return &m_Caps; }
    D3DCAPS8* GetD3dCaps() { return &m_D3dCaps; }
    const D3DCAPS8* GetD3dCaps() const { return &m_D3dCaps; }
    void SetD3dCaps(const D3DCAPS8* caps);
    char* AdapterInfo() { return m_szAdapterInfo; }
    const char* AdapterInfo() const { return m_szAdapterInfo; }
    void SetCreateFlags(DWORD flags) { m_dwCreateFlags = flags; }
    DWORD GetCreateFlags() const { return m_dwCreateFlags; }
    BOOL IsMultiThreaded() const { return (m_dwCreateFlags & 0x4) != 0; }
    BOOL IsPureDevice() const { return (m_dwCreateFlags & 0x10) != 0; }

    KESTU_CAPS m_Caps;
    D3DCAPS8 m_D3dCaps;
    DWORD m_dwCreateFlags;
    char m_szAdapterInfo[512];
};
