#include "ddraw_test_util.h"

#include <memory>

using namespace ddraw_test;

namespace {

class DDrawPrimary : public DDrawTest {
protected:
    void SetUp() override
    {
        DDrawTest::SetUp();
        window = std::make_unique<TestWindow>(0, 0, 640, 480);
        ASSERT_NE(window->hwnd, nullptr);
    }
    void TearDown() override
    {
        window.reset();
        DDrawTest::TearDown();
    }
    void Exclusive(int w, int h, int bits)
    {
        ASSERT_EQ(dd->SetCooperativeLevel(window->hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(dd->SetDisplayMode(w, h, bits, 0, 0), DD_OK);
    }
    std::unique_ptr<TestWindow> window;
};

DDGAMMARAMP Ramp(double scale)
{
    DDGAMMARAMP r;
    for (int i = 0; i < 256; ++i) {
        const int v = static_cast<int>(i * 257 * scale);
        r.red[i] = r.green[i] = r.blue[i] = static_cast<WORD>(v > 65535 ? 65535 : v);
    }
    return r;
}

} // namespace

TEST_F(DDrawPrimary, PaletteAndGammaReachTheShownPixels)
{
    Exclusive(640, 480, 8);
    IDirectDrawSurface4* primary = Primary();
    ASSERT_NE(primary, nullptr);
    PALETTEENTRY entries[256] = {};
    entries[5] = PALETTEENTRY{200, 100, 50, 0};
    IDirectDrawPalette* pal = nullptr;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &pal, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(pal), DD_OK);
    ASSERT_EQ(PutPixel(primary, 10, 20, 5), DD_OK);
    EXPECT_EQ(ShownPixel(10, 20), 0xC86432u);

    // A new palette entry shows at once.
    PALETTEENTRY blue{0, 0, 255, 0};
    ASSERT_EQ(pal->SetEntries(0, 5, 1, &blue), DD_OK);
    EXPECT_EQ(ShownPixel(10, 20), 0x0000FFu);
    PALETTEENTRY back{};
    ASSERT_EQ(pal->GetEntries(0, 5, 1, &back), DD_OK);
    EXPECT_EQ(back.peBlue, 255);
    EXPECT_EQ(pal->SetEntries(0, 250, 10, &blue), DDERR_INVALIDPARAMS);

    // Gamma halves every channel.
    IDirectDrawGammaControl* gamma = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IDirectDrawGammaControl, reinterpret_cast<void**>(&gamma)), DD_OK);
    DDGAMMARAMP original;
    ASSERT_EQ(gamma->GetGammaRamp(0, &original), DD_OK);
    EXPECT_EQ(original.red[255], 65535);
    EXPECT_EQ(original.green[128], 128 * 257);
    DDGAMMARAMP half = Ramp(0.5);
    ASSERT_EQ(gamma->SetGammaRamp(0, &half), DD_OK);
    EXPECT_EQ(ShownPixel(10, 20), 0x00007Fu);
    host::SetPrimaryGammaCap(false);
    EXPECT_EQ(gamma->SetGammaRamp(0, &original), DDERR_UNSUPPORTED);
    host::SetPrimaryGammaCap(true);
    ASSERT_EQ(gamma->SetGammaRamp(0, &original), DD_OK);
    EXPECT_EQ(ShownPixel(10, 20), 0x0000FFu);
    gamma->Release();
    pal->Release();
    primary->Release();
}

TEST_F(DDrawPrimary, ThePrimaryPaletteBecomesTheSystemPalette)
{
    Exclusive(640, 480, 8);
    IDirectDrawSurface4* primary = Primary();
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 0};
    IDirectDrawPalette* pal = nullptr;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &pal, nullptr), DD_OK);
    ASSERT_EQ(primary->SetPalette(pal), DD_OK);
    HDC screen = GetDC(nullptr);
    PALETTEENTRY sys[256];
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, sys), 256u);
    // Exclusive mode owns every entry, the static ones included.
    EXPECT_EQ(sys[0].peBlue, 255);
    EXPECT_EQ(sys[128].peRed, 128);
    EXPECT_EQ(sys[255].peRed, 255);
    EXPECT_EQ(sys[255].peBlue, 0);
    PALETTEENTRY grey{77, 77, 77, 0};
    ASSERT_EQ(pal->SetEntries(0, 40, 1, &grey), DD_OK);
    ASSERT_EQ(GetSystemPaletteEntries(screen, 40, 1, sys), 1u);
    EXPECT_EQ(sys[0].peGreen, 77);
    ReleaseDC(nullptr, screen);
    pal->Release();
    primary->Release();
}

TEST_F(DDrawPrimary, WithoutPaletteThe8BitScreenUsesTheSystemColours)
{
    Exclusive(640, 480, 8);
    IDirectDrawSurface4* primary = Primary();
    ASSERT_EQ(PutPixel(primary, 0, 0, 249), DD_OK); // static red
    EXPECT_EQ(ShownPixel(0, 0), 0xFF0000u);
    primary->Release();
}

TEST_F(DDrawPrimary, FlipChainShowsTheBackBuffer)
{
    Exclusive(800, 600, 16);
    IDirectDrawSurface4* primary = Primary(1);
    ASSERT_NE(primary, nullptr);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface4* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    ASSERT_NE(back, nullptr);
    DDSCAPS2 primaryCaps{};
    primary->GetCaps(&primaryCaps);
    EXPECT_NE(primaryCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    EXPECT_NE(primaryCaps.dwCaps & DDSCAPS_FRONTBUFFER, 0u);

    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0xF800; // red in 565
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(ShownPixel(5, 5), 0u);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(ShownPixel(5, 5), 0xFF0000u);
    EXPECT_EQ(GetRaw(back, 5, 5), 0u); // the old front is now behind
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(ShownPixel(5, 5), 0u);

    EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
    host::InjectStillDrawing(host::DDrawCall::Flip, 1);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);

    // Losing the screen loses the chain; restoring the front restores it all.
    host::LoseAllSurfaces();
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(back->IsLost(), DD_OK);
    back->Release();
    primary->Release();
}

TEST_F(DDrawPrimary, APrimaryOfAnotherModeCannotBeRestored)
{
    Exclusive(640, 480, 16);
    IDirectDrawSurface4* primary = Primary();
    ASSERT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    EXPECT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(primary->IsLost(), DD_OK);

    IDirectDrawSurface4* second = nullptr;
    DDSURFACEDESC2 d = Desc();
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    EXPECT_EQ(dd->CreateSurface(&d, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    primary->Release();
    EXPECT_EQ(dd->CreateSurface(&d, &second, nullptr), DD_OK);
    second->Release();
}

TEST_F(DDrawPrimary, GammaControlBelongsToThePrimary)
{
    Exclusive(640, 480, 32);
    IDirectDrawSurface4* primary = Primary();
    IDirectDrawSurface4* off = Offscreen(4, 4);
    IDirectDrawGammaControl* gamma = nullptr;
    EXPECT_EQ(off->QueryInterface(IID_IDirectDrawGammaControl, reinterpret_cast<void**>(&gamma)), E_NOINTERFACE);
    ASSERT_EQ(primary->QueryInterface(IID_IDirectDrawGammaControl, reinterpret_cast<void**>(&gamma)), DD_OK);
    ASSERT_EQ(PutPixel(primary, 1, 1, 0x00808080), DD_OK);
    DDGAMMARAMP dark = Ramp(0.25);
    ASSERT_EQ(gamma->SetGammaRamp(0, &dark), DD_OK);
    EXPECT_EQ(ShownPixel(1, 1), 0x202020u);
    EXPECT_EQ(gamma->GetGammaRamp(0, nullptr), DDERR_INVALIDPARAMS);
    // The surface stays reachable through the gamma control.
    IDirectDrawSurface4* again = nullptr;
    ASSERT_EQ(gamma->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&again)), DD_OK);
    EXPECT_EQ(again, primary);
    again->Release();
    gamma->Release();
    off->Release();
    primary->Release();
}

TEST_F(DDrawPrimary, ClipperLimitsBltToItsWindow)
{
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface4* primary = Primary();
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window->hwnd), DD_OK);
    HWND got = nullptr;
    ASSERT_EQ(clipper->GetHWnd(&got), DD_OK);
    EXPECT_EQ(got, window->hwnd);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
    IDirectDrawSurface4* src = Offscreen(4, 4);
    EXPECT_EQ(primary->BltFast(0, 0, src, nullptr, DDBLTFAST_WAIT), DDERR_BLTFASTCANTCLIP);
    // A rectangle partly off the screen is clipped, not refused.
    RECT off{-2, -2, 2, 2};
    EXPECT_EQ(primary->Blt(&off, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(primary->SetClipper(nullptr), DD_OK);
    EXPECT_EQ(primary->Blt(&off, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    src->Release();
    clipper->Release();
    primary->Release();
}

TEST_F(DDrawPrimary, WindowedPrimaryLandsInTheWindowUnderItsClientArea)
{
    TestWindow placed(100, 50, 64, 32);
    ASSERT_EQ(dd->SetCooperativeLevel(placed.hwnd, DDSCL_NORMAL), DD_OK);
    IDirectDrawSurface4* primary = Primary();
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, placed.hwnd), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);

    // Blt onto the whole screen: only the window's client area takes it.
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0x00336699;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(GetRaw(primary, 100, 50), 0x336699u);
    EXPECT_EQ(GetRaw(primary, 99, 50), 0u);
    EXPECT_EQ(GetRaw(primary, 163, 81), 0x336699u);
    EXPECT_EQ(GetRaw(primary, 164, 81), 0u);
    EXPECT_EQ(placed.Pixel(0, 0), 0x336699u);
    EXPECT_EQ(placed.Pixel(63, 31), 0x336699u);

    // A pixel written through a lock shows at its place relative to the window.
    ASSERT_EQ(PutPixel(primary, 110, 60, 0x00FF0000), DD_OK);
    EXPECT_EQ(placed.Pixel(10, 10), 0xFF0000u);
    EXPECT_EQ(ShownPixel(110, 60), 0xFF0000u);
    clipper->Release();
    primary->Release();
}

TEST_F(DDrawPrimary, ExclusiveFlipsReachTheWindow)
{
    Exclusive(640, 480, 32);
    IDirectDrawSurface4* primary = Primary(2);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface4* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    for (uint32_t colour : {0x0000FFu, 0x00FF00u, 0xFF0000u}) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = colour;
        ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        EXPECT_EQ(window->Pixel(320, 240), colour);
    }
    // Three buffers: the first colour comes round again after a flip.
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(window->Pixel(0, 0), 0x0000FFu);
    back->Release();
    primary->Release();
}
