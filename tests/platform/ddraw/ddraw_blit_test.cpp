#include "ddraw_test_util.h"

using namespace ddraw_test;

namespace {

const DDPIXELFORMAT k565 = Format(16, 0xF800, 0x7E0, 0x1F);
const DDPIXELFORMAT k32 = Format(32, 0xFF0000, 0xFF00, 0xFF);

class DDrawBlit : public DDrawTest {
protected:
    void SetUp() override
    {
        DDrawTest::SetUp();
        ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    }

    // A 4 x 4 source: pixel (x, y) = 0x100 * y + x + 1, except a key value at (1, 1).
    IDirectDrawSurface4* Source(const DDPIXELFORMAT& pf, uint32_t key)
    {
        IDirectDrawSurface4* s = Offscreen(4, 4, DDSCAPS_SYSTEMMEMORY, &pf);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) PutPixel(s, x, y, (x == 1 && y == 1) ? key : 0x100u * y + x + 1);
        return s;
    }
};

} // namespace

TEST_F(DDrawBlit, CopyWithAndWithoutSourceKey)
{
    for (const DDPIXELFORMAT* pf : {&k565, &k32}) {
        SCOPED_TRACE(pf->dwRGBBitCount);
        const uint32_t key = 0xF81F;
        IDirectDrawSurface4* src = Source(*pf, key);
        IDirectDrawSurface4* dst = Offscreen(8, 8, DDSCAPS_SYSTEMMEMORY, pf);
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = 0x7777;
        ASSERT_EQ(dst->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);

        // Keyed blit without a key set is refused.
        RECT to{2, 2, 6, 6};
        EXPECT_EQ(dst->Blt(&to, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DDERR_NOCOLORKEY);
        DDCOLORKEY ck{key, key};
        ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &ck), DD_OK);
        ASSERT_EQ(dst->Blt(&to, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
        EXPECT_EQ(GetRaw(dst, 2, 2), 0x001u);
        EXPECT_EQ(GetRaw(dst, 3, 3), 0x7777u); // keyed pixel skipped
        EXPECT_EQ(GetRaw(dst, 5, 5), 0x304u);
        EXPECT_EQ(GetRaw(dst, 1, 1), 0x7777u);

        // BltFast honours the key only when asked.
        ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
        EXPECT_EQ(GetRaw(dst, 1, 1), 0x7777u);
        ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_NOCOLORKEY | DDBLTFAST_WAIT), DD_OK);
        EXPECT_EQ(GetRaw(dst, 1, 1), key);
        src->Release();
        dst->Release();
    }
}

TEST_F(DDrawBlit, StretchAndSourceRectangle)
{
    IDirectDrawSurface4* src = Source(k32, 0xABCDEF);
    IDirectDrawSurface4* dst = Offscreen(8, 8, DDSCAPS_SYSTEMMEMORY, &k32);
    RECT from{2, 0, 4, 2}; // pixels 0x003 0x004 / 0x103 0x104
    ASSERT_EQ(dst->Blt(nullptr, src, &from, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(GetRaw(dst, 0, 0), 0x003u);
    EXPECT_EQ(GetRaw(dst, 3, 3), 0x003u);
    EXPECT_EQ(GetRaw(dst, 4, 0), 0x004u);
    EXPECT_EQ(GetRaw(dst, 7, 7), 0x104u);
    EXPECT_EQ(GetRaw(dst, 0, 4), 0x103u);
    // Shrinking picks every other source pixel.
    IDirectDrawSurface4* tiny = Offscreen(2, 2, DDSCAPS_SYSTEMMEMORY, &k32);
    ASSERT_EQ(tiny->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(GetRaw(tiny, 1, 1), 0x203u);
    tiny->Release();
    src->Release();
    dst->Release();
}

TEST_F(DDrawBlit, RectanglesOutsideTheSurfacesAreRefused)
{
    IDirectDrawSurface4* src = Source(k32, 0);
    IDirectDrawSurface4* dst = Offscreen(8, 8, DDSCAPS_SYSTEMMEMORY, &k32);
    RECT off{6, 6, 10, 10}, empty{3, 3, 3, 5}, srcOff{-1, 0, 3, 3};
    EXPECT_EQ(dst->Blt(&off, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(&empty, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(nullptr, src, &srcOff, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->BltFast(5, 5, src, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->BltFast(0xFFFFFFFF, 0, src, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwROP = SRCAND;
    EXPECT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_ROP, &fx), DDERR_NORASTEROPHW);
    EXPECT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_ALPHASRC, &fx), DDERR_NOALPHAHW);
    fx.dwROP = SRCCOPY;
    EXPECT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_ROP, &fx), DD_OK);
    DDBLTFX small{};
    small.dwSize = 64;
    EXPECT_EQ(dst->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &small), DDERR_INVALIDPARAMS);
    // A locked surface is busy for blits.
    DDSURFACEDESC2 d = Desc();
    ASSERT_EQ(src->Lock(nullptr, &d, 0, nullptr), DD_OK);
    EXPECT_EQ(dst->BltFast(0, 0, src, nullptr, 0), DDERR_SURFACEBUSY);
    src->Unlock(nullptr);
    src->Release();
    dst->Release();
}

TEST_F(DDrawBlit, BltWithinOneSurfaceOverlaps)
{
    IDirectDrawSurface4* s = Offscreen(8, 1, DDSCAPS_SYSTEMMEMORY, &k32);
    for (int x = 0; x < 8; ++x) PutPixel(s, x, 0, static_cast<uint32_t>(x + 1));
    RECT from{0, 0, 6, 1};
    ASSERT_EQ(s->BltFast(2, 0, s, &from, 0), DD_OK);
    const uint32_t expected[8] = {1, 2, 1, 2, 3, 4, 5, 6};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(GetRaw(s, x, 0), expected[x]) << x;
    s->Release();
}

TEST_F(DDrawBlit, LostSurfacesAnswerUntilRestored)
{
    IDirectDrawSurface4* src = Source(k32, 0);
    IDirectDrawSurface4* dst = Offscreen(8, 8, DDSCAPS_SYSTEMMEMORY, &k32);
    host::LoseSurface(src);
    EXPECT_EQ(src->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(dst->IsLost(), DD_OK);
    EXPECT_EQ(dst->BltFast(0, 0, src, nullptr, 0), DDERR_SURFACELOST);
    host::LoseAllSurfaces();
    DDSURFACEDESC2 d = Desc();
    EXPECT_EQ(dst->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);

    // The engine's loop: restore, then lock again.
    int restores = 0;
    HRESULT hr;
    while ((hr = dst->Lock(nullptr, &d, DDLOCK_WAIT, nullptr)) == DDERR_SURFACELOST) {
        ASSERT_EQ(dst->Restore(), DD_OK);
        ++restores;
    }
    EXPECT_EQ(hr, DD_OK);
    EXPECT_EQ(restores, 1);
    dst->Unlock(nullptr);
    EXPECT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(src->IsLost(), DD_OK);

    host::InjectResult(host::DDrawCall::Restore, DDERR_WRONGMODE, 1);
    host::LoseSurface(src);
    EXPECT_EQ(src->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(src->Restore(), DD_OK);
    src->Release();
    dst->Release();
}

TEST_F(DDrawBlit, StillDrawingIsAnsweredTheGivenNumberOfTimes)
{
    IDirectDrawSurface4* src = Source(k32, 0);
    IDirectDrawSurface4* dst = Offscreen(8, 8, DDSCAPS_SYSTEMMEMORY, &k32);
    struct Case {
        host::DDrawCall call;
        HRESULT (*attempt)(IDirectDrawSurface4* dst, IDirectDrawSurface4* src);
    };
    const Case cases[] = {
        {host::DDrawCall::Lock,
         [](IDirectDrawSurface4* d, IDirectDrawSurface4*) {
             DDSURFACEDESC2 desc = Desc();
             const HRESULT hr = d->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
             if (SUCCEEDED(hr)) d->Unlock(nullptr);
             return hr;
         }},
        {host::DDrawCall::Blt, [](IDirectDrawSurface4* d,
                                  IDirectDrawSurface4* s) { return d->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr); }},
        {host::DDrawCall::BltFast,
         [](IDirectDrawSurface4* d, IDirectDrawSurface4* s) { return d->BltFast(1, 1, s, nullptr, DDBLTFAST_WAIT); }},
    };
    for (const Case& c : cases) {
        host::InjectStillDrawing(c.call, 3);
        int busy = 0;
        HRESULT hr;
        while ((hr = c.attempt(dst, src)) == DDERR_WASSTILLDRAWING) ++busy;
        EXPECT_EQ(hr, DD_OK);
        EXPECT_EQ(busy, 3);
    }
    src->Release();
    dst->Release();
}

TEST_F(DDrawBlit, EightBitSourcesConvertThroughTheirPalette)
{
    const DDPIXELFORMAT k8 = Format(8, 0, 0, 0);
    IDirectDrawSurface4* src = Offscreen(2, 1, DDSCAPS_SYSTEMMEMORY, &k8);
    IDirectDrawSurface4* dst = Offscreen(2, 1, DDSCAPS_SYSTEMMEMORY, &k32);
    PutPixel(src, 1, 0, 200);
    EXPECT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DDERR_NOPALETTEATTACHED);
    PALETTEENTRY entries[256] = {};
    entries[200] = PALETTEENTRY{0x12, 0x34, 0x56, 0};
    IDirectDrawPalette* pal = nullptr;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries, &pal, nullptr), DD_OK);
    ASSERT_EQ(src->SetPalette(pal), DD_OK);
    EXPECT_EQ(dst->SetPalette(pal), DDERR_INVALIDPIXELFORMAT);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(GetRaw(dst, 1, 0), 0x123456u);
    pal->Release();
    src->Release();
    dst->Release();
}

TEST_F(DDrawBlit, ExtremeRectanglesThroughAClipperAreClippedSafely)
{
    IDirectDrawSurface4* src = Source(k32, 0);
    IDirectDrawSurface4* dst = Offscreen(8, 8, DDSCAPS_SYSTEMMEMORY, &k32);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DirectDrawCreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(dst->SetClipper(clipper), DD_OK);
    RECT huge{INT32_MIN + 1, INT32_MIN + 1, INT32_MAX, INT32_MAX};
    // Without a window the clipper clips nothing: the rectangle must fit.
    EXPECT_EQ(dst->Blt(&huge, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    // With one, the rectangle is cut to the window and the surface; the
    // source is scaled over the whole huge rectangle, so one pixel lands.
    TestWindow window(0, 0, 4, 4);
    ASSERT_EQ(clipper->SetHWnd(0, window.hwnd), DD_OK);
    EXPECT_EQ(dst->Blt(&huge, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(GetRaw(dst, 0, 0), 0x203u);
    EXPECT_EQ(GetRaw(dst, 4, 4), 0u);
    RECT inverted{5, 5, 2, 2};
    EXPECT_EQ(dst->Blt(&inverted, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    clipper->Release();
    src->Release();
    dst->Release();
}
