#include <cstring>
#include <list>
#include <new>

#include "core/entry/KestuScratchList.h"
#include "engine_fixture.h"
#include "support/window.h"

namespace {

struct DeviceCall {
    const char* name;
    std::function<HRESULT()> call;
};

// Every entry function that needs the application object or its device.
std::vector<DeviceCall> DeviceCalls()
{
    static IDirect3DDevice8* device;
    static IDirect3D8* d3d;
    static KESTU_CAPS caps;
    static D3DCAPS8 d3dCaps;
    static D3DSURFACE_DESC desc;
    return {
        {"PrepareForRender", [] { return Kestu_PrepareForRender(); }},
        {"Present", [] { return Kestu_Present(); }},
        {"Reset", [] { return Kestu_Reset(nullptr); }},
        {"ChangeDisplayMode", [] { return Kestu_ChangeDisplayMode(KESTU_RES_800X600, TRUE); }},
        {"SetWindowed", [] { return Kestu_SetWindowed(TRUE); }},
        {"GetDevice", [] { return Kestu_GetDevice(&device); }},
        {"GetD3D", [] { return Kestu_GetD3D(&d3d); }},
        {"GetCaps", [] { return Kestu_GetCaps(&caps); }},
        {"GetD3dCaps", [] { return Kestu_GetD3dCaps(&d3dCaps); }},
        {"GetSDBackBuff", [] { return Kestu_GetSDBackBuff(&desc); }},
    };
}

TEST_F(EngineTest, EntryFunctionsUnbuiltBuiltAndAfterClose)
{
    for (auto& c : DeviceCalls()) EXPECT_EQ(c.call(), KESTUERR_NOTBUILT) << c.name << " unbuilt";
    EXPECT_FALSE(Kestu_IsBuilt());
    EXPECT_EQ(Kestu_GetDevice(), nullptr);
    EXPECT_EQ(Kestu_GetD3D(), nullptr);
    EXPECT_FALSE(Kestu_IsValidDisplayMode(KESTU_RES_800X600));
    std::list<int> list;
    EXPECT_EQ(Kestu_EnumResolutions(&list), 1);
    EXPECT_EQ(Kestu_EnumSpecificallyResolutions(0, FALSE, D3DFMT_X8R8G8B8, &list), 1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(g_pKestuScratchList, nullptr);

    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_TRUE(Kestu_IsBuilt());
    EXPECT_FALSE(Kestu_IsExtraMode());
    for (auto& c : DeviceCalls()) EXPECT_EQ(c.call(), 0) << c.name << " built";
    EXPECT_NE(Kestu_GetDevice(), nullptr);
    EXPECT_NE(Kestu_GetD3D(), nullptr);
    EXPECT_TRUE(Kestu_IsValidDisplayMode(KESTU_RES_800X600));
    ASSERT_NE(g_pKestuScratchList, nullptr);
    EXPECT_TRUE(g_pKestuScratchList->empty());
    IDirect3DDevice8* device = nullptr;
    EXPECT_EQ(Kestu_GetDevice(nullptr), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(Kestu_GetDevice(&device), 0);
    EXPECT_EQ(device, Kestu_GetDevice());

    // WM_CLOSE releases the device but leaves the engine built.
    SendMessageA(RenderWnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Kestu_IsBuilt());
    EXPECT_EQ(Kestu_GetDevice(), nullptr);
    EXPECT_EQ(Kestu_GetD3D(), nullptr);
    for (const char* name : {"PrepareForRender", "Present", "Reset", "ChangeDisplayMode", "SetWindowed"})
        for (auto& c : DeviceCalls())
            if (std::strcmp(c.name, name) == 0) {
                EXPECT_EQ(c.call(), KESTUERR_NOTBUILT) << name << " after close";
            }
    EXPECT_FALSE(Kestu_IsValidDisplayMode(KESTU_RES_800X600));
    EXPECT_EQ(Kestu_GetDevice(&device), 0);
    EXPECT_EQ(device, nullptr);

    EXPECT_EQ(Kestu_Release(), 0);
    EXPECT_FALSE(Kestu_IsBuilt());
    EXPECT_EQ(g_pKestuScratchList, nullptr);
    for (auto& c : DeviceCalls()) EXPECT_EQ(c.call(), KESTUERR_NOTBUILT) << c.name << " released";
}

TEST_F(EngineTest, BuildRejectsBadRecordsAndWindows)
{
    EXPECT_EQ(Kestu_Build(nullptr, nullptr), KESTUERR_INVALIDPARAM);
    KESTU_CONFIG noInstance;
    EXPECT_EQ(Kestu_Build(&noInstance, nullptr), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(Kestu_Extra_Build(nullptr, nullptr), KESTUERR_INVALIDPARAM);

    ASSERT_EQ(Build(TRUE), 0);
    KESTU_EXTRA_CONFIG ext;
    ext.pDevice = Kestu_GetDevice();
    ext.hInstance = cfg.hInstance;
    EXPECT_EQ(Kestu_Extra_Build(&ext, nullptr), KESTUERR_INVALIDPARAM);
    EXPECT_TRUE(Kestu_IsBuilt()) << "a rejected record leaves the earlier build alone";
}

// An exception thrown inside an entry point (here by the client's manager)
// comes back as its failure result, with nothing left half built.
TEST_F(EngineTest, ExceptionsInsideBuildBecomeFailures)
{
    struct Throwing : CRecordingDevObjMng {
        HRESULT InitDeviceObjects(IDirect3DDevice8*) override { throw std::bad_alloc(); }
    } throwing;
    cfg.pDevObjMng = &throwing;
    EXPECT_EQ(Build(TRUE), E_OUTOFMEMORY);
    EXPECT_FALSE(Kestu_IsBuilt());
    EXPECT_EQ(Kestu_GetDevice(), nullptr);

    cfg.pDevObjMng = &mng;
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_NE(Kestu_GetDevice(), nullptr);
}

TEST_F(EngineTest, OwnWindowOfTheRenderClassSizedToTheResolution)
{
    cfg.eResolution = KESTU_RES_1024X768;
    std::strcpy(cfg.szWindowTitle, "Core test");
    ASSERT_EQ(Build(TRUE), 0);
    HWND wnd = RenderWnd();
    ASSERT_TRUE(IsWindow(wnd));
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    EXPECT_STREQ(name, "Kestu Render Window");
    char title[64] = {};
    GetWindowTextA(wnd, title, sizeof title);
    EXPECT_STREQ(title, "Core test");
    RECT client{};
    GetClientRect(wnd, &client);
    EXPECT_EQ(client.right - client.left, 1024);
    EXPECT_EQ(client.bottom - client.top, 768);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(Kestu_GetSDBackBuff(&desc), 0);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 768u);

    // A second build reuses the known window and releases the first device.
    std::strcpy(cfg.szWindowTitle, "Second");
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_EQ(RenderWnd(), wnd);
    GetWindowTextA(wnd, title, sizeof title);
    EXPECT_STREQ(title, "Second");
}

TEST_F(EngineTest, ClientWindowIsUsed)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = cfg.hInstance;
    wc.lpszClassName = "ClientWindow";
    RegisterClassA(&wc);
    HWND own = CreateWindowExA(0, "ClientWindow", "client", WS_OVERLAPPEDWINDOW, 0, 0, 900, 700, nullptr, nullptr,
                               cfg.hInstance, nullptr);
    ASSERT_NE(own, nullptr);
    cfg.bWindowed = TRUE;
    hardware.m_nPixelFormat = 32;
    ASSERT_EQ(Kestu_Build(&cfg, own), 0);
    EXPECT_EQ(RenderWnd(), own);
    EXPECT_EQ(host::ListWindows().size(), 1u);
}

TEST_F(EngineTest, GetCfgCopiesTheRecordAlsoWhenUnbuilt)
{
    KESTU_CONFIG out;
    out.eResolution = KESTU_RES_1920X1200;
    out.dwMinDepthBits = 99;
    EXPECT_EQ(Kestu_GetCfg(&out), KESTUERR_NOTBUILT);
    EXPECT_EQ(out.eResolution, KESTU_RES_800X600);
    EXPECT_EQ(out.dwMinDepthBits, 16u);
    EXPECT_EQ(out.hInstance, nullptr);

    cfg.eResolution = KESTU_RES_1024X768;
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_EQ(Kestu_GetCfg(&out), 0);
    EXPECT_EQ(out.eResolution, KESTU_RES_1024X768);
    Kestu_Release();
    KESTU_CONFIG after;
    EXPECT_EQ(Kestu_GetCfg(&after), KESTUERR_NOTBUILT);
    EXPECT_EQ(after.eResolution, KESTU_RES_1024X768);
    EXPECT_EQ(after.hInstance, cfg.hInstance);
    EXPECT_EQ(Kestu_GetCfg(), &g_GfxConfig);
    EXPECT_EQ(Kestu_GetDevObjMng(), &mng);
}

TEST_F(EngineTest, SetLogFilePathnameTakesOnlyShortPaths)
{
    const std::string keep = Kestu_GetCfg()->GetCfg()->szLogFile;
    Kestu_SetLogFilePathname(std::string(256, 'a').c_str());
    EXPECT_EQ(Kestu_GetCfg()->GetCfg()->szLogFile, keep);
    Kestu_SetLogFilePathname(nullptr);
    EXPECT_EQ(Kestu_GetCfg()->GetCfg()->szLogFile, keep);
    const std::string path(255, 'b');
    Kestu_SetLogFilePathname(path.c_str());
    EXPECT_EQ(Kestu_GetCfg()->GetCfg()->szLogFile, path);
}

TEST_F(EngineTest, QueriesReportTheDevice)
{
    cfg.bBackBufferLockable = FALSE;
    ASSERT_EQ(Build(FALSE), 0);
    IDirect3DSurface8* rt = nullptr;
    EXPECT_EQ(Kestu_GetRenderTarget(&rt, 0), KESTUERR_NOTSUPPORTEDINMODE);
    EXPECT_EQ(Kestu_GetResourceD3DFormat(), D3DFMT_R5G6B5);
    EXPECT_EQ(Kestu_GetCurrD3dFormat(), D3DFMT_R5G6B5);
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_HAL);
    EXPECT_EQ(Kestu_GetColorDepth(), 16u);
    EXPECT_EQ(Kestu_GetPresentPara()->BackBufferWidth, 800u);
    EXPECT_EQ(Kestu_GetPresentPara()->Windowed, FALSE);
    DWORD flags = 0;
    EXPECT_EQ(Kestu_GetCreateFlags(nullptr), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(Kestu_GetCreateFlags(&flags), 0);
    D3DDEVICE_CREATION_PARAMETERS cp{};
    Kestu_GetDevice()->GetCreationParameters(&cp);
    EXPECT_EQ(flags, cp.BehaviorFlags);

    const std::string a = Kestu_GetAdapterInfoA();
    EXPECT_FALSE(a.empty());
    const WCHAR* w = Kestu_GetAdapterInfoW();
    ASSERT_NE(w, nullptr);
    std::string narrowed;
    for (; *w; ++w) narrowed.push_back(static_cast<char>(*w));
    EXPECT_EQ(narrowed, a);
}

TEST_F(EngineTest, RenderTargetIsCachedAndDoesNotBlockAReset)
{
    cfg.bBackBufferLockable = TRUE;
    ASSERT_EQ(Build(TRUE), 0);
    IDirect3DSurface8* rt = nullptr;
    EXPECT_EQ(Kestu_GetRenderTarget(nullptr, 0), KESTUERR_INVALIDPARAM);
    ASSERT_EQ(Kestu_GetRenderTarget(&rt, 0), 0);
    IDirect3DSurface8* again = nullptr;
    ASSERT_EQ(Kestu_GetRenderTarget(&again, 0), 0);
    EXPECT_EQ(rt, again);
    EXPECT_EQ(Kestu_Reset(nullptr), 0);
    ASSERT_EQ(Kestu_GetRenderTarget(&rt, 0), 0);
    EXPECT_NE(rt, nullptr);
}

TEST_F(EngineTest, EnumResolutionsListsEachSizeOncePerFormatAndAdapter)
{
    host::D3D8SetDisplayModes({Mode(800, 600, 60, D3DFMT_R5G6B5), Mode(800, 600, 85, D3DFMT_R5G6B5),
                               Mode(800, 600, 60, D3DFMT_X8R8G8B8), Mode(1280, 800, 60, D3DFMT_X8R8G8B8),
                               Mode(1024, 768, 60, D3DFMT_R5G6B5), Mode(640, 480, 60, D3DFMT_R5G6B5)});
    host::D3D8SetAdapters({"first", "second"});
    ASSERT_EQ(Build(FALSE), 0);
    std::list<int> list = {42};
    EXPECT_EQ(Kestu_EnumResolutions(&list), 0);
    EXPECT_EQ(list, (std::list<int>{42, 0, 0, 1, 0, 0, 1}));

    std::list<int> specific;
    EXPECT_EQ(Kestu_EnumSpecificallyResolutions(0, FALSE, D3DFMT_R5G6B5, &specific), 0);
    EXPECT_EQ(specific, (std::list<int>{0, 1}));
    std::list<int> none;
    EXPECT_EQ(Kestu_EnumSpecificallyResolutions(7, FALSE, D3DFMT_R5G6B5, &none), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(Kestu_EnumSpecificallyResolutions(0, FALSE, D3DFMT_R5G6B5, nullptr), 1);
}

TEST_F(EngineTest, ExtraBuildAttachesToTheClientsDevice)
{
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    HWND wnd = kestu_test::MakeWindow("ExtraWindow", 0, 0, 320, 240);
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = wnd;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, wnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device), 0);

    KESTU_EXTRA_CONFIG ext;
    ext.pDevice = device;
    ext.hInstance = cfg.hInstance;
    ext.dwCreateFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    ext.pPresentParams = &pp;
    ext.pDevObjMng = &mng;
    ASSERT_EQ(Kestu_Extra_Build(&ext, wnd), 0);
    EXPECT_TRUE(Kestu_IsExtraMode());
    EXPECT_EQ(Kestu_GetDevice(), device);
    EXPECT_EQ(Kestu_GetPresentPara()->BackBufferWidth, 320u);
    DWORD flags = 0;
    Kestu_GetCreateFlags(&flags);
    EXPECT_EQ(flags, static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    EXPECT_EQ(mng.events, (std::vector<std::string>{"Init", "Activate"}));
    EXPECT_EQ(mng.lastDevice, device);

    Kestu_Release();
    EXPECT_EQ(mng.events.back(), "Invalidate");
    // The device is still the client's: only its own reference remains.
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST_F(EngineTest, ResolutionTable)
{
    for (int i = 0; i < KESTU_RES_COUNT; ++i) {
        auto res = static_cast<ENUM_KESTU_RESOLUTION>(i);
        const DWORD cx = Kestu_GetWinCxByRes(res), cy = Kestu_GetWinCyByRes(res);
        EXPECT_EQ(Kestu_GetResolutionString(i), std::to_string(cx) + "x" + std::to_string(cy));
        EXPECT_EQ(Kestu_GetResByWinCxCyColorDepth(cx, cy), res);
    }
    EXPECT_STREQ(Kestu_GetResolutionString(17), "UNKNOWN");
    EXPECT_STREQ(Kestu_GetResolutionString(-1), "UNKNOWN");
    EXPECT_EQ(Kestu_GetWinCxByRes(static_cast<ENUM_KESTU_RESOLUTION>(17)), 0u);
    EXPECT_EQ(Kestu_GetResByWinCxCyColorDepth(1280, 800), -1);
    EXPECT_EQ(Kestu_GetResByWinCxCyColorDepth(1600, 1024), KESTU_RES_1600X1024);
    EXPECT_EQ(Kestu_GetWinCxByRes(KESTU_RES_1360X768), 1360u);
    EXPECT_EQ(Kestu_GetWinCyByRes(KESTU_RES_1440X1050), 1050u);
}

} // namespace
