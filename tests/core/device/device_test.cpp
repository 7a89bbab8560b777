#include <cstdio>
#include <cstring>

#include "engine_fixture.h"

namespace {

const SGfxDeviceInfo& FirstDevice() { return g_pGfxD3DApp->GetAdapter(0).devices[0]; }

TEST_F(EngineTest, ModesAreMergedFilteredAndSorted)
{
    host::D3D8SetDisplayModes({
        Mode(1024, 768, 60, D3DFMT_R5G6B5), Mode(800, 600, 60, D3DFMT_X8R8G8B8), Mode(800, 600, 60, D3DFMT_R5G6B5),
        Mode(800, 600, 85, D3DFMT_R5G6B5), Mode(800, 600, 75, D3DFMT_R5G6B5), Mode(1024, 600, 60, D3DFMT_R5G6B5),
        Mode(1024, 480, 60, D3DFMT_R5G6B5), Mode(640, 400, 70, D3DFMT_R5G6B5), Mode(512, 384, 60, D3DFMT_R5G6B5),
        Mode(800, 600, 60, D3DFMT_R8G8B8), // a format neither table allows
    });
    ASSERT_EQ(Build(FALSE), 0);
    const SGfxDeviceInfo& dev = FirstDevice();
    EXPECT_STREQ(dev.strDesc, "HAL");
    struct Expected {
        DWORD w, h, rate;
        D3DFORMAT f;
    };
    // Higher format value first, then width, then height.
    const Expected order[] = {{800, 600, 85, D3DFMT_R5G6B5},
                              {1024, 480, 60, D3DFMT_R5G6B5},
                              {1024, 600, 60, D3DFMT_R5G6B5},
                              {1024, 768, 60, D3DFMT_R5G6B5},
                              {800, 600, 60, D3DFMT_X8R8G8B8}};
    ASSERT_EQ(dev.dwNumModes, std::size(order));
    for (size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(dev.modes[i].Width, order[i].w) << i;
        EXPECT_EQ(dev.modes[i].Height, order[i].h) << i;
        EXPECT_EQ(dev.modes[i].RefreshRate, order[i].rate) << i;
        EXPECT_EQ(dev.modes[i].Format, order[i].f) << i;
    }
    EXPECT_EQ(dev.dwCurrentMode, 0u);
    EXPECT_TRUE(dev.bHasRequestedMode);
    KESTU_CAPS caps{};
    ASSERT_EQ(Kestu_GetCaps(&caps), 0);
    EXPECT_EQ(caps.dwRefreshRate[KESTU_RES_800X600], 85u);
    EXPECT_EQ(caps.bHalDevice, 1u);
    EXPECT_EQ(Kestu_GetPresentPara()->FullScreen_RefreshRateInHz, 85u);
}

TEST_F(EngineTest, CompareDisplayModes)
{
    struct Case {
        D3DDISPLAYMODE a, b;
        int sign;
    } cases[] = {
        {Mode(800, 600, 60, D3DFMT_X8R8G8B8), Mode(800, 600, 60, D3DFMT_R5G6B5), 1},
        {Mode(1024, 768, 60, D3DFMT_R5G6B5), Mode(800, 600, 60, D3DFMT_R5G6B5), 1},
        {Mode(800, 480, 60, D3DFMT_R5G6B5), Mode(800, 600, 60, D3DFMT_R5G6B5), -1},
        {Mode(800, 600, 60, D3DFMT_R5G6B5), Mode(800, 600, 85, D3DFMT_R5G6B5), 0},
    };
    for (const Case& c : cases) {
        const int r = CGfxD3DApp::CompareDisplayModes(&c.a, &c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
        const int back = CGfxD3DApp::CompareDisplayModes(&c.b, &c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign);
    }
}

TEST_F(EngineTest, ManyModesStayWithinTheTables)
{
    std::vector<D3DDISPLAYMODE> modes;
    for (UINT w = 640; w < 640 + 8 * 130; w += 8)
        for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_X8R8G8B8}) modes.push_back(Mode(w, 600, 60, f));
    modes.push_back(Mode(800, 600, 60, D3DFMT_R5G6B5));
    host::D3D8SetDisplayModes(modes);
    std::vector<std::string> adapters;
    for (int i = 0; i < 14; ++i) adapters.push_back("adapter " + std::to_string(i));
    host::D3D8SetAdapters(adapters);
    ASSERT_EQ(Build(FALSE), 0);
    EXPECT_EQ(g_pGfxD3DApp->GetNumAdapters(), static_cast<DWORD>(GFX_MAX_ADAPTERS));
    for (DWORD a = 0; a < g_pGfxD3DApp->GetNumAdapters(); ++a)
        for (DWORD d = 0; d < g_pGfxD3DApp->GetAdapter(a).dwNumDevices; ++d)
            EXPECT_LE(g_pGfxD3DApp->GetAdapter(a).devices[d].dwNumModes, static_cast<DWORD>(GFX_MAX_GATHERED_MODES));
}

TEST_F(EngineTest, AdapterOrdinalReachesDirect3D)
{
    host::D3D8SetAdapters({"refused", "accepted"});
    // The first adapter offers no usable device, so the first record holds the second adapter.
    mng.confirm = [](const D3DCAPS8& caps, DWORD, D3DFORMAT) -> HRESULT {
        return caps.AdapterOrdinal == 0 ? E_FAIL : 0;
    };
    ASSERT_EQ(Build(FALSE), 0);
    ASSERT_EQ(g_pGfxD3DApp->GetNumAdapters(), 1u);
    EXPECT_EQ(g_pGfxD3DApp->GetAdapter(0).nOrdinal, 1u);
    D3DDEVICE_CREATION_PARAMETERS cp{};
    ASSERT_EQ(Kestu_GetDevice()->GetCreationParameters(&cp), 0);
    EXPECT_EQ(cp.AdapterOrdinal, 1u);
    EXPECT_STREQ(Kestu_GetAdapterInfoA(), "accepted");
}

TEST_F(EngineTest, DisplayDepthChoosesTheFormatTable)
{
    host::D3D8SetDisplayModes({Mode(800, 600, 60, D3DFMT_X1R5G5B5), Mode(800, 600, 60, D3DFMT_X8R8G8B8)});
    struct Case {
        int depth;
        HRESULT hr;
        D3DFORMAT format;
    } cases[] = {
        {16, 0, D3DFMT_X1R5G5B5},
        {15, 0, D3DFMT_X1R5G5B5}, // a 15-bit desktop builds like a 16-bit one
        {32, 0, D3DFMT_X8R8G8B8},
        {24, KESTUERR_NOVALIDMODE, D3DFMT_UNKNOWN},
    };
    for (const Case& c : cases) {
        hardware.m_nPixelFormat = c.depth;
        cfg.bWindowed = FALSE;
        EXPECT_EQ(Kestu_Build(&cfg, nullptr), c.hr) << c.depth;
        if (c.hr == 0) {
            EXPECT_EQ(Kestu_GetCurrD3dFormat(), c.format) << c.depth;
        }
        EXPECT_EQ(Kestu_IsBuilt(), c.hr == 0) << c.depth;
        Kestu_Release();
    }
}

TEST_F(EngineTest, DepthStencilFormatFollowsTheMinimums)
{
    struct Case {
        DWORD depth, stencil;
        HRESULT hr;
        D3DFORMAT format;
    } cases[] = {
        {16, 0, 0, D3DFMT_D16},
        {24, 0, 0, D3DFMT_D24X8},
        {32, 0, 0, D3DFMT_D32},
        {16, 8, 0, D3DFMT_D24S8},
        {15, 1, 0, D3DFMT_D24S8},
        {16, 9, KESTUERR_NOCOMPATIBLEDEVICES, D3DFMT_UNKNOWN},
        {40, 0, KESTUERR_NOCOMPATIBLEDEVICES, D3DFMT_UNKNOWN},
    };
    for (const Case& c : cases) {
        cfg.dwMinDepthBits = c.depth;
        cfg.dwMinStencilBits = c.stencil;
        EXPECT_EQ(Build(FALSE), c.hr) << c.depth << "/" << c.stencil;
        if (c.hr == 0) {
            EXPECT_EQ(Kestu_GetPresentPara()->AutoDepthStencilFormat, c.format) << c.depth << "/" << c.stencil;
            EXPECT_EQ(Kestu_GetPresentPara()->EnableAutoDepthStencil, TRUE);
        }
        Kestu_Release();
    }
    cfg.dwMinDepthBits = 40;
    cfg.bUseDepthBuffer = FALSE;
    EXPECT_EQ(Build(FALSE), 0) << "without a depth buffer no depth format is needed";
    EXPECT_EQ(Kestu_GetPresentPara()->EnableAutoDepthStencil, FALSE);
}

TEST_F(EngineTest, BehaviourFlagsFollowCapsAndConfirmation)
{
    struct Case {
        bool hwtl, pure, allowPure, multithreaded;
        DWORD refused; // flags the client refuses
        DWORD expected;
    } cases[] = {
        {true, true, true, false, 0, 0x50},      {true, true, false, false, 0, 0x40},
        {true, false, true, false, 0, 0x40},     {false, true, true, false, 0, 0x20},
        {true, true, false, true, 0, 0x44},      {true, false, false, false, 0x40, 0x80},
        {true, false, false, false, 0xC0, 0x20},
    };
    for (const Case& c : cases) {
        host::D3D8SetCapsFilter([c](D3DDEVTYPE, D3DCAPS8& caps) {
            caps.DevCaps &= ~static_cast<DWORD>(D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE);
            if (c.hwtl) caps.DevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT;
            if (c.pure) caps.DevCaps |= D3DDEVCAPS_PUREDEVICE;
        });
        mng.confirm = [c](const D3DCAPS8&, DWORD flags, D3DFORMAT) -> HRESULT {
            return (flags & 0xE0 & c.refused) ? E_FAIL : 0;
        };
        cfg.bAllowPureDevice = c.allowPure;
        cfg.bMultiThreaded = c.multithreaded;
        ASSERT_EQ(Build(FALSE), 0);
        DWORD flags = 0;
        Kestu_GetCreateFlags(&flags);
        EXPECT_EQ(flags, c.expected) << c.hwtl << c.pure << c.allowPure << c.multithreaded << " refused " << c.refused;
        Kestu_Release();
    }
}

TEST_F(EngineTest, ClientRefusingEveryCandidateFailsTheBuild)
{
    mng.confirm = [](const D3DCAPS8&, DWORD, D3DFORMAT) -> HRESULT { return E_FAIL; };
    EXPECT_EQ(Build(FALSE), KESTUERR_NOCOMPATIBLEDEVICES);
    EXPECT_FALSE(Kestu_IsBuilt());
}

TEST_F(EngineTest, ReferenceDeviceWhenHardwareIsRefused)
{
    mng.confirm = [](const D3DCAPS8& caps, DWORD, D3DFORMAT) -> HRESULT {
        return caps.DeviceType == D3DDEVTYPE_HAL ? E_FAIL : 0;
    };
    cfg.eLogLevel = 4;
    std::strcpy(cfg.szLogFile, "core2_ref.log");
    std::remove("core2_ref.log");
    ASSERT_EQ(Build(FALSE), 0);
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_REF);
    const std::string log = ReadFile("core2_ref.log");
    EXPECT_NE(log.find("switch eWantType to D3DDEVTYPE_REF"), std::string::npos);
    // The hardware accepted a format but kept no mode.
    EXPECT_NE(log.find("This application requires functionality that is\nnot available"), std::string::npos);
    EXPECT_NE(log.find("Kestu-BuildDeviceList():So, Select Adapter[0].device[0].modes["), std::string::npos);
    Kestu_Release();

    cfg.eHowToCreateDevice = KESTU_CREATE_HAL_ONLY;
    EXPECT_EQ(Build(FALSE), KESTUERR_NOVALIDMODE) << "hardware forced, only a reference device left";
}

TEST_F(EngineTest, ForcedTypesAndMissingResolution)
{
    host::D3D8SetDisplayModes({Mode(1024, 768, 60, D3DFMT_R5G6B5)});
    cfg.eHowToCreateDevice = KESTU_CREATE_HAL_ONLY;
    cfg.bErrMsgBoxEnabled = TRUE;
    EXPECT_EQ(Build(FALSE), KESTUERR_NOVALIDMODEHAL);
    auto boxes = host::GetMessageBoxes();
    ASSERT_FALSE(boxes.empty());
    for (auto& box : boxes) EXPECT_EQ(box.text.rfind("No valid display mode in HAL device.", 0), 0u);

    cfg.eHowToCreateDevice = KESTU_CREATE_REF_ONLY;
    EXPECT_EQ(Build(FALSE), KESTUERR_NOVALIDMODE);

    cfg.eResolution = KESTU_RES_1024X768;
    EXPECT_EQ(Build(FALSE), 0);
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_REF);
}

TEST_F(EngineTest, FailedHardwareCreationFallsBackToReferenceOnce)
{
    host::D3D8InjectFailure(host::D3D8Failure::CreateDevice, D3DERR_NOTAVAILABLE, 1);
    ASSERT_EQ(Build(FALSE), 0);
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_REF);
    D3DDEVICE_CREATION_PARAMETERS cp{};
    Kestu_GetDevice()->GetCreationParameters(&cp);
    EXPECT_EQ(cp.DeviceType, D3DDEVTYPE_REF);
    Kestu_Release();

    // Both device types fail: the build reports the failure instead of retrying without end.
    host::D3D8InjectFailure(host::D3D8Failure::CreateDevice, D3DERR_NOTAVAILABLE, 100);
    EXPECT_EQ(Build(FALSE), D3DERR_NOTAVAILABLE);
    EXPECT_FALSE(Kestu_IsBuilt());
}

TEST_F(EngineTest, TextureFormatsFallBackToWhatTheDeviceTakes)
{
    cfg.fmtTexture = static_cast<D3DFORMAT>(0);
    cfg.fmtTextureAlpha = D3DFMT_D16; // never a texture
    cfg.fmtTextureCompressed = D3DFMT_DXT1;
    cfg.fmtTextureCompressedAlpha = static_cast<D3DFORMAT>(0);
    ASSERT_EQ(Build(FALSE), 0);
    const KESTU_CONFIG* g = Kestu_GetCfg()->GetCfg();
    EXPECT_EQ(g->fmtTexture, D3DFMT_R5G6B5);
    EXPECT_EQ(g->fmtTextureAlpha, D3DFMT_R5G6B5);
    EXPECT_EQ(g->fmtTextureCompressed, D3DFMT_DXT1);
    EXPECT_EQ(g->fmtTextureCompressedAlpha, D3DFMT_R5G6B5);
}

TEST_F(EngineTest, BuildLogsTheSelection)
{
    cfg.eLogLevel = 4;
    std::strcpy(cfg.szLogFile, "core2_build.log");
    std::remove("core2_build.log");
    host::D3D8SetDisplayModes({Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(800, 600, 60, D3DFMT_R5G6B5)});
    ASSERT_EQ(Build(FALSE), 0);
    const std::string log = ReadFile("core2_build.log");
    EXPECT_NE(log.find("Kestu-BuildDeviceList():found a mode(mode 1) of iDevice[0] have req cx,cy\n"
                       "Kestu-BuildDeviceList():device[0]->modes[1] is valid\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Kestu-BuildDeviceList():found a mode(mode 1) of iDevice[1] have req cx,cy\n"
                       "Kestu-BuildDeviceList():device[1]->modes[1] is valid\n"),
              std::string::npos);
    EXPECT_NE(log.find("Kestu-BuildDeviceList():So, Select Adapter[0].device[0].modes[1]\n"), std::string::npos);
}

} // namespace

namespace {

TEST_F(EngineTest, HardwareWithoutTheModeLeadsToTheReferenceDevice)
{
    // The hardware keeps only 32-bit modes; a 16-bit display wants a 16-bit one.
    mng.confirm = [](const D3DCAPS8& caps, DWORD, D3DFORMAT format) -> HRESULT {
        return caps.DeviceType == D3DDEVTYPE_HAL && format != D3DFMT_X8R8G8B8 ? E_FAIL : 0;
    };
    ASSERT_EQ(Build(FALSE), 0);
    EXPECT_EQ(Kestu_GetCurrDeviceType(), D3DDEVTYPE_REF);
    EXPECT_EQ(Kestu_GetCurrD3dFormat(), D3DFMT_R5G6B5);
}

TEST_F(EngineTest, ClosedWindowIsReplacedByTheNextBuild)
{
    ASSERT_EQ(Build(TRUE), 0);
    HWND first = RenderWnd();
    SendMessageA(first, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(first));
    ASSERT_EQ(Build(TRUE), 0);
    EXPECT_TRUE(IsWindow(RenderWnd()));
    EXPECT_EQ(Kestu_PrepareForRender(), 0);
    EXPECT_EQ(Kestu_Present(), 0);
}

} // namespace
