#include "ddraw_test_util.h"

using namespace ddraw_test;

TEST(DDrawCreate, InterfacesAndGuids)
{
    LPDIRECTDRAW dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    struct Case {
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {{&IID_IDirectDraw2, S_OK},
                          {&IID_IDirectDraw4, S_OK},
                          {&IID_IDirectDraw7, S_OK},
                          {&IID_IUnknown, S_OK},
                          {&IID_IDirectDrawSurface4, E_NOINTERFACE},
                          {&IID_IDirectDrawPalette, E_NOINTERFACE}};
    for (const Case& c : cases) {
        IUnknown* out = reinterpret_cast<IUnknown*>(1);
        EXPECT_EQ(dd->QueryInterface(*c.iid, reinterpret_cast<void**>(&out)), c.expected);
        if (c.expected == S_OK) {
            ASSERT_NE(out, nullptr);
            out->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
    }
    EXPECT_EQ(dd->AddRef(), 2u);
    EXPECT_EQ(dd->Release(), 1u);
    EXPECT_EQ(dd->Release(), 0u);

    void* dd7 = nullptr;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &dd7, IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_NE(dd7, nullptr);
    static_cast<IDirectDraw7*>(dd7)->Release();
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &dd7, IID_IDirectDraw4, nullptr), DDERR_INVALIDPARAMS);
    GUID other = IID_IDirectDraw;
    EXPECT_EQ(DirectDrawCreate(&other, &dd, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
    EXPECT_EQ(DirectDrawCreate(nullptr, nullptr, nullptr), DDERR_INVALIDPARAMS);
}

TEST(DDrawCreate, ErrorCodesHaveTheirDocumentedValues)
{
    EXPECT_EQ(static_cast<uint32_t>(DDERR_SURFACELOST), 0x887601C2u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_WASSTILLDRAWING), 0x8876021Cu);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_INVALIDRECT), 0x88760096u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_INVALIDPARAMS), 0x80070057u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_UNSUPPORTED), 0x80004001u);
    EXPECT_EQ(static_cast<uint32_t>(DDERR_GENERIC), 0x80004005u);
    EXPECT_EQ(sizeof(DDCAPS), 380u);
    EXPECT_EQ(sizeof(DDPIXELFORMAT), 32u);
    EXPECT_EQ(sizeof(DDGAMMARAMP), 1536u);
}

TEST_F(DDrawTest, CapsCheckTheirSizeAndOfferPrimaryGamma)
{
    DDCAPS driver{}, hel{};
    driver.dwSize = hel.dwSize = sizeof(DDCAPS);
    ASSERT_EQ(dd->GetCaps(&driver, &hel), DD_OK);
    EXPECT_NE(driver.dwCaps2 & DDCAPS2_PRIMARYGAMMA, 0u);
    EXPECT_NE(driver.dwCaps & DDCAPS_BLTSTRETCH, 0u);
    EXPECT_NE(driver.dwCKeyCaps & DDCKEYCAPS_SRCBLT, 0u);
    EXPECT_GT(driver.dwVidMemTotal, 0u);
    host::SetPrimaryGammaCap(false);
    ASSERT_EQ(dd->GetCaps(&driver, nullptr), DD_OK);
    EXPECT_EQ(driver.dwCaps2 & DDCAPS2_PRIMARYGAMMA, 0u);

    driver.dwSize = 316;
    EXPECT_EQ(dd->GetCaps(&driver, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->GetCaps(nullptr, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, CreateSurfaceValidatesItsDescription)
{
    DDSURFACEDESC2 d = Desc();
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 8;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_NOCOOPERATIVELEVELSET);
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);

    struct Case {
        const char* what;
        void (*change)(DDSURFACEDESC2&);
        HRESULT expected;
    };
    const Case cases[] = {
        {"32-bit size", [](DDSURFACEDESC2& x) { x.dwSize = 124; }, DDERR_INVALIDPARAMS},
        {"no width", [](DDSURFACEDESC2& x) { x.dwFlags &= ~DDSD_WIDTH; }, DDERR_INVALIDPARAMS},
        {"zero height", [](DDSURFACEDESC2& x) { x.dwHeight = 0; }, DDERR_INVALIDPARAMS},
        {"too wide", [](DDSURFACEDESC2& x) { x.dwWidth = 100000; }, DDERR_TOOBIGWIDTH},
        {"both memories", [](DDSURFACEDESC2& x) { x.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY; },
         DDERR_INVALIDCAPS},
        {"24-bit format",
         [](DDSURFACEDESC2& x) {
             x.dwFlags |= DDSD_PIXELFORMAT;
             x.ddpfPixelFormat = Format(24, 0xFF0000, 0xFF00, 0xFF);
         },
         DDERR_INVALIDPIXELFORMAT},
        {"primary with size", [](DDSURFACEDESC2& x) { x.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE; },
         DDERR_INVALIDPARAMS},
        {"flip chain in normal mode",
         [](DDSURFACEDESC2& x) {
             x.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
             x.dwBackBufferCount = 1;
             x.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
         },
         DDERR_NOEXCLUSIVEMODE},
    };
    for (const Case& c : cases) {
        DDSURFACEDESC2 x = d;
        c.change(x);
        s = reinterpret_cast<IDirectDrawSurface4*>(1);
        EXPECT_EQ(dd->CreateSurface(&x, &s, nullptr), c.expected) << c.what;
        EXPECT_EQ(s, nullptr) << c.what;
    }
}

TEST_F(DDrawTest, SurfaceFormatsPitchAndLocks)
{
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    struct Case {
        DDPIXELFORMAT pf;
        int bytes;
    };
    const Case cases[] = {{Format(8, 0, 0, 0), 1},
                          {Format(16, 0x7C00, 0x3E0, 0x1F), 2},
                          {Format(16, 0xF800, 0x7E0, 0x1F), 2},
                          {Format(32, 0xFF0000, 0xFF00, 0xFF), 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pf.dwRGBBitCount);
        IDirectDrawSurface4* s = Offscreen(101, 7, DDSCAPS_SYSTEMMEMORY, &c.pf);
        ASSERT_NE(s, nullptr);
        DDPIXELFORMAT pf{};
        pf.dwSize = sizeof(pf);
        ASSERT_EQ(s->GetPixelFormat(&pf), DD_OK);
        EXPECT_EQ(pf.dwRGBBitCount, c.pf.dwRGBBitCount);
        EXPECT_EQ(pf.dwGBitMask, c.pf.dwGBitMask);
        EXPECT_EQ((pf.dwFlags & DDPF_PALETTEINDEXED8) != 0, c.bytes == 1);

        DDSURFACEDESC2 d = Desc();
        ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_GE(d.lPitch, 101 * c.bytes);
        EXPECT_EQ(d.dwWidth, 101u);
        EXPECT_EQ(d.dwHeight, 7u);
        uint8_t* base = static_cast<uint8_t*>(d.lpSurface);
        DDSURFACEDESC2 again = Desc();
        EXPECT_EQ(s->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
        EXPECT_EQ(s->Unlock(nullptr), DD_OK);
        EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);

        RECT r{3, 2, 10, 5};
        ASSERT_EQ(s->Lock(&r, &d, 0, nullptr), DD_OK);
        EXPECT_EQ(static_cast<uint8_t*>(d.lpSurface), base + 2 * d.lPitch + 3 * c.bytes);
        EXPECT_EQ(s->Unlock(nullptr), DD_OK);
        RECT outside{90, 0, 102, 7};
        EXPECT_EQ(s->Lock(&outside, &d, 0, nullptr), DDERR_INVALIDRECT);
        DDSURFACEDESC2 small = Desc();
        small.dwSize = 124;
        EXPECT_EQ(s->Lock(nullptr, &small, 0, nullptr), DDERR_INVALIDPARAMS);
        s->Release();
    }
}

TEST_F(DDrawTest, VideoMemoryRunsOutAndSystemMemoryTakesOver)
{
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    host::SetVideoMemory(64 * 1024);
    DDSURFACEDESC2 d = Desc();
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 256;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_OUTOFVIDEOMEMORY);
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    ASSERT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
    DDSCAPS2 caps{};
    ASSERT_EQ(s->GetCaps(&caps), DD_OK);
    EXPECT_NE(caps.dwCaps & DDSCAPS_SYSTEMMEMORY, 0u);
    EXPECT_EQ(caps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    s->Release();

    // A small one fits in video memory, and its memory comes back on release.
    DDSCAPS2 any{};
    DWORD before = 0, during = 0, after = 0;
    ASSERT_EQ(dd->GetAvailableVidMem(&any, nullptr, &before), DD_OK);
    d.dwWidth = d.dwHeight = 16;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    ASSERT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
    dd->GetAvailableVidMem(&any, nullptr, &during);
    EXPECT_LT(during, before);
    s->Release();
    dd->GetAvailableVidMem(&any, nullptr, &after);
    EXPECT_EQ(after, before);
}

TEST_F(DDrawTest, DisplayModesAreOfferedByTheHost)
{
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    host::SetDesktopMode({800, 600, 32});
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    DDSURFACEDESC2 mode = Desc();
    ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 8u);
    EXPECT_NE(mode.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8, 0u);
    EXPECT_EQ(dd->SetDisplayMode(641, 480, 16, 0, 0), DDERR_INVALIDMODE);
    host::SetAvailableModes({{640, 480, 24}, {800, 600, 16}, {1024, 768, 16}});
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 24, 0, 0), DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 8, 0, 0), DD_OK); // already in that mode
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 32, 0, 0), DDERR_INVALIDMODE);

    host::SetDisplay16Bit555(true);
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    IDirectDrawSurface4* primary = Primary();
    ASSERT_NE(primary, nullptr);
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(pf);
    ASSERT_EQ(primary->GetPixelFormat(&pf), DD_OK);
    EXPECT_EQ(pf.dwGBitMask, 0x3E0u);
    primary->Release();

    EXPECT_EQ(dd->RestoreDisplayMode(), DD_OK);
    EXPECT_EQ(host::GetCurrentMode().width, 800);
    EXPECT_EQ(host::GetCurrentMode().bits, 32);

    // Releasing the object that changed the mode puts the desktop back.
    EXPECT_EQ(dd->SetDisplayMode(1024, 768, 16, 0, 0), DD_OK);
    SafeRelease(dd);
    EXPECT_EQ(host::GetCurrentMode().width, 800);
}

TEST_F(DDrawTest, CooperativeLevelFlagsAreChecked)
{
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    host::InjectResult(host::DDrawCall::SetCooperativeLevel, DDERR_HWNDSUBCLASSED, 1);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DDERR_HWNDSUBCLASSED);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
}

TEST_F(DDrawTest, TheFirstInterfacesReachTheLaterOnes)
{
    // What a version probe does: the entry point by name, a version-1 primary,
    // then the later surface interfaces.
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    ASSERT_NE(module, nullptr);
    using Create = HRESULT (*)(GUID*, LPDIRECTDRAW*, IUnknown*);
    auto create = reinterpret_cast<Create>(GetProcAddress(module, "DirectDrawCreate"));
    ASSERT_NE(create, nullptr);
    EXPECT_NE(GetProcAddress(module, "DirectDrawCreateEx"), nullptr);
    LPDIRECTDRAW dd1 = nullptr;
    ASSERT_EQ(create(nullptr, &dd1, nullptr), DD_OK);
    IDirectDraw2* dd2 = nullptr;
    ASSERT_EQ(dd1->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)), DD_OK);
    ASSERT_EQ(dd1->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);

    DDSURFACEDESC d;
    std::memset(&d, 0, sizeof(d));
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    LPDIRECTDRAWSURFACE s1 = nullptr;
    ASSERT_EQ(dd1->CreateSurface(&d, &s1, nullptr), DD_OK);
    IDirectDrawSurface3* s3 = nullptr;
    IDirectDrawSurface4* s4 = nullptr;
    ASSERT_EQ(s1->QueryInterface(IID_IDirectDrawSurface3, reinterpret_cast<void**>(&s3)), DD_OK);
    ASSERT_EQ(s1->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&s4)), DD_OK);
    DDSURFACEDESC got;
    std::memset(&got, 0, sizeof(got));
    got.dwSize = sizeof(got);
    ASSERT_EQ(s3->GetSurfaceDesc(&got), DD_OK);
    EXPECT_EQ(got.dwWidth, static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_NE(got.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE, 0u);
    s4->Release();
    s3->Release();
    EXPECT_EQ(s1->Release(), 0u);
    dd2->Release();
    EXPECT_EQ(dd1->Release(), 0u);
    FreeLibrary(module);
}
