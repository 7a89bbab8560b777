// The engine's one application object: the Direct3D object, the device, the
// table of adapters, device types and display modes, and the render window.
#pragma once
#include <list>

#include "kestu_config.h"

#define GFX_MAX_ADAPTERS 10
#define GFX_MAX_DEVICES 5
#define GFX_MAX_DEVICE_MODES 150
#define GFX_MAX_GATHERED_MODES 100
#define GFX_MAX_FORMATS 20
#define GFX_MAX_ALLOWED_FORMATS 16

struct SGfxModeInfo {
    DWORD Width;
    DWORD Height;
    D3DFORMAT Format;
    DWORD RefreshRate;
    DWORD dwBehavior; // behaviour flags for CreateDevice
    D3DFORMAT DepthStencilFormat;
};

struct SGfxDeviceInfo {
    D3DDEVTYPE DeviceType;
    D3DCAPS8 d3dCaps;
    const char* strDesc; // "HAL" or "REF"
    BOOL bCanDoWindowed;
    DWORD dwNumModes;
    SGfxModeInfo modes[GFX_MAX_DEVICE_MODES];
    DWORD dwCurrentMode;
    BOOL bWindowed;
    BOOL bHasRequestedMode;
    D3DMULTISAMPLE_TYPE MultiSampleType;
};

struct SGfxAdapterInfo {
    D3DADAPTER_IDENTIFIER8 d3dAdapterIdentifier;
    D3DDISPLAYMODE d3ddmDesktop;
    DWORD dwNumDevices;
    SGfxDeviceInfo devices[GFX_MAX_DEVICES];
    DWORD dwCurrentDevice;
    UINT nOrdinal; // the adapter's own ordinal for Direct3D calls
};

class CGfxD3DApp {
public:
    CGfxD3DApp();
    virtual HRESULT RestoreWindowStyles();
    virtual HRESULT CreateRenderWindow(HWND hwnd);
    virtual HRESULT AttachClientDevice(const KESTU_EXTRA_CONFIG* ext, HWND hwnd);
    virtual HRESULT Cleanup3DEnvironment();
    virtual ~CGfxD3DApp();

    CGfxD3DApp(const CGfxD3DApp&) = delete;
    CGfxD3DApp& operator=(const CGfxD3DApp&) = delete;

    HRESULT BuildDeviceList();
    // Fills pp for res as the engine will show it: windowed or full screen.
    HRESULT SelectParaByResolution(D3DPRESENT_PARAMETERS* pp, ENUM_KESTU_RESOLUTION res, BOOL windowed);
    HRESULT Initialize3DEnvironment();
    HRESULT SetupRenderWindow(D3DPRESENT_PARAMETERS* pp);
    HRESULT Resize3DEnvironment();
    HRESULT PrepareForRender();
    HRESULT ToggleFullscreen(BOOL windowed);
    HRESULT ForceWindowed();
    HRESULT ReselectDevice();
    HRESULT PresentWhilePaused();
    HRESULT GetRenderTarget(IDirect3DSurface8** surface);
    // Appends the resolution of every display mode the Direct3D object offers.
    HRESULT EnumResolutions(std::list<int>* list);
    // Appends, without repeats, the resolutions of the stored modes of one adapter.
    HRESULT EnumSpecificallyResolutions(DWORD adapter, BOOL windowedOnly, D3DFORMAT format, std::list<int>* list);

    static int CompareDisplayModes(const void* a, const void* b);
    BOOL FindDeviceFormats(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT* depthStencil);

    BOOL IsExtraMode() const { return m_bExtraMode; }
    BOOL IsReady() const { return m_bReady; }
    BOOL IsActive() const { return m_bActive; }
    void SetReady(BOOL ready) { m_bReady = ready; }
    void SetActive(BOOL active) { m_bActive = active; }
    IDirect3D8* GetD3D() const { return m_pD3D; }
    IDirect3DDevice8* GetDevice() const { return m_pd3dDevice; }
    DWORD GetNumAdapters() const { return m_dwNumAdapters; }
    DWORD GetCurrentAdapter() const { return m_dwAdapter; }
    const SGfxAdapterInfo& GetAdapter(DWORD i) const { return m_Adapters[i]; }
    SGfxDeviceInfo& CurrentDevice() { return m_Adapters[m_dwAdapter].devices[m_Adapters[m_dwAdapter].dwCurrentDevice]; }
    SGfxModeInfo& CurrentMode()
    {
        SGfxDeviceInfo& d = CurrentDevice();
        return d.modes[d.dwCurrentMode];
    }

private:
    void ReleaseRenderTarget();
    void SetupViewport();
    void SetupDeviceCursor();
    void ReadBackBufferDesc();
    void CheckTextureFormats();
    BOOL HasAllowedMode(const SGfxDeviceInfo& dev, DWORD width, DWORD height, DWORD* mode) const;

    IDirect3DSurface8* m_pRenderTarget;
    SGfxAdapterInfo m_Adapters[GFX_MAX_ADAPTERS];
    DWORD m_dwNumAdapters;
    DWORD m_dwAdapter;
    BOOL m_bActive;
    BOOL m_bReady;
    BOOL m_bExtraMode;
    IDirect3D8* m_pD3D;
    IDirect3DDevice8* m_pd3dDevice;
};

// The application object while the engine is built.
extern CGfxD3DApp* g_pGfxD3DApp;
// The window rectangle (screen coordinates) remembered for placement after switches.
extern RECT g_rcWindow;

// The window rectangle around a client area for the configured style and
// menu, moved right and down where it would start at a negative coordinate.
RECT GfxWindowRectAround(const RECT& client, const KESTU_CONFIG& cfg);

// The allowed display formats for a display depth: 15 and 16 use the 16-bit
// table, 32 the 32-bit one; other depths have none. Returns the count.
int GfxAllowedFormatsForDepth(const KESTU_CONFIG& cfg, DWORD depth, D3DFORMAT out[8]);

// The first depth-stencil format the adapter takes with the format, trying
// candidates by the minimum depth and stencil bits, which are lowered in place
// as candidates fail. FALSE when none passes.
BOOL GfxFindDepthStencilFormat(IDirect3D8* d3d, UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD& minDepth,
                               DWORD& minStencil, D3DFORMAT* depthStencil);
