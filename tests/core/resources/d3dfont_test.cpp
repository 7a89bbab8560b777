#include <algorithm>
#include <string>

#include "window_device.h"
#include "kestu_d3dfont.h"

namespace {

class FontTest : public Core5Device {
protected:
    void SetUp() override
    {
        Core5Device::SetUp();
        host::D3D8SetCapsFilter(nullptr);
        device->SetTexture(0, nullptr);
    }
    void TearDown() override { host::D3D8SetCapsFilter(nullptr); }

    // Width of a string summed from GDI's per-character extents of the same font.
    static LONG GdiWidth(const char* face, int points, const char* text)
    {
        HDC dc = CreateCompatibleDC(nullptr);
        const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
        HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, face);
        HGDIOBJ old = SelectObject(dc, font);
        LONG sum = 0;
        for (const char* p = text; *p; ++p) {
            SIZE s{};
            GetTextExtentPoint32A(dc, p, 1, &s);
            sum += s.cx;
        }
        SelectObject(dc, old);
        DeleteObject(font);
        DeleteDC(dc);
        return sum;
    }
};

TEST(FontSpacing, ThreeTenthsOfTheXHeightRoundedUpWithTheFloatConstant)
{
    struct Case {
        LONG height;
        DWORD spacing;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {3, 1}, {10, 4}, {15, 5}, {20, 7}, {13, 4}, {30, 10}, {100, 31}};
    for (const Case& c : cases) EXPECT_EQ(CD3DFont::GlyphSpacing(c.height), c.spacing) << c.height;
}

TEST_F(FontTest, GlyphPixelsAppearWhereTheTextWasDrawnInItsColour)
{
    CD3DFont font("Arial", 12);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    SIZE ext{};
    ASSERT_EQ(font.GetTextExtent("Kestu", &ext), S_OK);
    EXPECT_NEAR(ext.cx, GdiWidth("Arial", 12, "Kestu"), 2);
    EXPECT_GT(ext.cy, 8);
    EXPECT_LT(ext.cy, 40);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(font.DrawTextA(8.0f, 8.0f, 0xFFFF0000, "Kestu"), S_OK);
    device->EndScene();
    const auto px = Pixels();
    const int inside = Lit(px, 8, 8, 8 + UINT(ext.cx), 8 + UINT(ext.cy));
    EXPECT_GT(inside, 20);
    EXPECT_EQ(Lit(px, 0, 0, kWidth, kHeight), inside);      // nothing outside the text box
    EXPECT_EQ(Lit(px, 0, 0, kWidth, kHeight, 0x00FFFF), 0); // red only
    SaveOnFailure(px, "font_glyphs");
}

TEST_F(FontTest, ScaledAndWorldTextShowGlyphs)
{
    CD3DFont font("Arial", 16, D3DFONT_BOLD);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // Centred, half the viewport tall: the glyphs sit around the middle.
    EXPECT_EQ(
        font.DrawTextScaled(0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0xFFFFFFFF, "HI", D3DFONT_CENTERED_X | D3DFONT_CENTERED_Y),
        S_OK);
    device->EndScene();
    auto px = Pixels();
    EXPECT_GT(Lit(px, kWidth / 2 - 24, kHeight / 2 - 16, kWidth / 2 + 24, kHeight / 2 + 16), 100);
    EXPECT_EQ(Lit(px, 0, 0, 24, kHeight), 0);
    SaveOnFailure(px, "font_scaled");

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    D3DXMATRIX world, view, proj;
    D3DXMatrixIdentity(&world);
    D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, float(kWidth) / kHeight, 1.0f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(font.Render3DText("HI", D3DFONT_CENTERED_X | D3DFONT_CENTERED_Y | D3DFONT_TWOSIDED), S_OK);
    device->EndScene();
    px = Pixels();
    EXPECT_GT(Lit(px, kWidth / 2 - 30, kHeight / 2 - 20, kWidth / 2 + 30, kHeight / 2 + 20), 30);
    EXPECT_EQ(Lit(px, 0, 0, 20, kHeight), 0);
    SaveOnFailure(px, "font_world");
    // Two-sided drawing leaves culling off: the saved value equalled the drawing value.
    EXPECT_EQ(Render(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
}

TEST_F(FontTest, CentringMeasuresTheFirstLineOnly)
{
    CD3DFont font("Arial", 10);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    SIZE one{};
    font.GetTextExtent("I", &one);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // A long second line must not pull the short first line off centre.
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "I\nWWWWWWWWWWWWWWWW", D3DFONT_CENTERED_X | D3DFONT_CENTERED_Y), S_OK);
    device->EndScene();
    const auto px = Pixels();
    const UINT top = (kHeight - UINT(one.cy)) / 2;
    UINT minX = kWidth, maxX = 0;
    for (UINT y = top; y < top + UINT(one.cy); ++y)
        for (UINT x = 0; x < kWidth; ++x)
            if (px[y * kWidth + x] & 0xFFFFFF) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_LE(minX, maxX);
    EXPECT_NEAR((minX + maxX) / 2.0, kWidth / 2.0, 3.0);
    // The second line starts one line height lower, back at the first line's start.
    EXPECT_EQ(Lit(px, 0, 0, kWidth, top), 0);
    EXPECT_GT(Lit(px, 0, top + UINT(one.cy), kWidth, kHeight), 20);
    SaveOnFailure(px, "font_centred");
}

TEST_F(FontTest, FiftyGlyphsPerDrawCall)
{
    CD3DFont font("Arial", 8);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    struct Case {
        std::string text;
        uint64_t calls;
    };
    const Case cases[] = {
        {"", 0},
        {"     ", 0},
        {"\x01\x7f\x80\xff"
         "\t",
         1}, // only 127 is drawn (an empty cell)
        {std::string(50, 'a'), 1},
        {std::string(51, 'a'), 2},
        {std::string(100, 'a'), 2},
        {std::string(101, 'a'), 3},
        {std::string(50, 'a') + std::string(10, ' ') + "\n", 1},
        {std::string(25, 'a') + "\xc3\xa9 \n" + std::string(25, 'a') + "b", 2},
    };
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (const Case& c : cases) {
        for (int op = 0; op < 3; ++op) {
            const uint64_t before = DrawCalls();
            HRESULT hr = op == 0   ? font.DrawTextA(0, 0, 0xFFFFFFFF, c.text.c_str())
                         : op == 1 ? font.DrawTextScaled(-1, -1, 0.5f, 0.1f, 0.1f, 0xFFFFFFFF, c.text.c_str())
                                   : font.Render3DText(c.text.c_str());
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(DrawCalls() - before, c.calls) << "op " << op << " text of " << c.text.size();
        }
    }
    device->EndScene();
}

TEST_F(FontTest, StatesAreAppliedAndOnlyDifferingOnesPutBack)
{
    CD3DFont font("Arial", 10);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    device->SetRenderState(D3DRS_ALPHAREF, 77);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "", D3DFONT_FILTERED), S_OK);
    device->EndScene();
    EXPECT_EQ(Render(D3DRS_ALPHAREF), 77u);
    EXPECT_EQ(Render(D3DRS_FOGENABLE), DWORD(TRUE));
    EXPECT_EQ(Render(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), DWORD(D3DTOP_SELECTARG2));
    // The minification filter was point before (equal to the drawing value), so
    // the filtered draw leaves it linear; magnification was linear and is put back.
    EXPECT_EQ(Stage(0, D3DTSS_MINFILTER), DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(Stage(0, D3DTSS_MAGFILTER), DWORD(D3DTEXF_LINEAR));
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);

    // A font built with the depth flag keeps depth testing on while it draws.
    CD3DFont deep("Arial", 10, D3DFONT_ZENABLE);
    ASSERT_EQ(deep.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(deep.RestoreDeviceObjects(), S_OK);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0); // nearer than the text's 0.9
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(deep.DrawTextA(4, 4, 0xFFFFFFFF, "WWW"), S_OK);
    EXPECT_EQ(font.DrawTextA(4, 30, 0xFFFFFFFF, "WWW"), S_OK);
    device->EndScene();
    const auto px = Pixels();
    EXPECT_EQ(Lit(px, 0, 0, kWidth, 28), 0);
    EXPECT_GT(Lit(px, 0, 28, kWidth, kHeight), 20);
    EXPECT_EQ(Render(D3DRS_ZENABLE), DWORD(FALSE));
    SaveOnFailure(px, "font_depth");
}

TEST_F(FontTest, DrawingNeedsDeviceBufferAndText)
{
    CD3DFont font("Arial", 10);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "a"), E_FAIL); // no device yet
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "a"), E_FAIL); // no vertex buffer yet
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    SIZE ext{};
    EXPECT_EQ(font.GetTextExtent(nullptr, &ext), E_FAIL);
    EXPECT_EQ(font.GetTextExtent("a", nullptr), E_FAIL);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const uint64_t before = DrawCalls();
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, nullptr), E_FAIL);
    EXPECT_EQ(font.DrawTextScaled(0, 0, 0, 1, 1, 0xFFFFFFFF, nullptr), E_FAIL);
    EXPECT_EQ(font.Render3DText(nullptr), E_FAIL);
    ASSERT_EQ(font.InvalidateDeviceObjects(), S_OK);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "abc"), E_FAIL);
    EXPECT_EQ(font.DrawTextScaled(0, 0, 0, 1, 1, 0xFFFFFFFF, "abc"), E_FAIL);
    EXPECT_EQ(font.Render3DText("abc"), E_FAIL);
    EXPECT_EQ(DrawCalls(), before);
    // Restored, it draws again; a second restore or init replaces its objects.
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "abc"), S_OK);
    EXPECT_EQ(DrawCalls(), before + 1);
    device->EndScene();
    font.InvalidateDeviceObjects();
    font.DeleteDeviceObjects();
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "abc"), E_FAIL);
}

TEST_F(FontTest, CreationFailuresPassTheDeviceCodeThrough)
{
    CD3DFont font("Arial", 10);
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, E_OUTOFMEMORY);
    EXPECT_EQ(font.InitDeviceObjects(device), E_OUTOFMEMORY);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.RestoreDeviceObjects(), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "a"), E_FAIL);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(font.DrawTextA(0, 0, 0xFFFFFFFF, "a"), S_OK);
    device->EndScene();
}

TEST_F(FontTest, AtlasShrinksToTheLargestTextureAndDrawsAtFullSize)
{
    CD3DFont big("Arial", 28);
    ASSERT_EQ(big.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(big.RestoreDeviceObjects(), S_OK);
    SIZE fullExt{};
    big.GetTextExtent("M", &fullExt);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    big.DrawTextA(0, 0, 0xFFFFFFFF, "M");
    device->EndScene();
    const int fullLit = Lit(Pixels(), 0, 0, kWidth, kHeight);

    host::D3D8SetCapsFilter([](D3DDEVTYPE, D3DCAPS8& caps) { caps.MaxTextureWidth = caps.MaxTextureHeight = 128; });
    CD3DFont shrunk("Arial", 28);
    ASSERT_EQ(shrunk.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(shrunk.RestoreDeviceObjects(), S_OK);
    SIZE ext{};
    shrunk.GetTextExtent("M", &ext);
    EXPECT_LT(ext.cx, fullExt.cx); // measured in the smaller atlas's texels
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(shrunk.DrawTextA(0, 0, 0xFFFFFFFF, "M"), S_OK);
    device->EndScene();
    const auto px = Pixels();
    const int lit = Lit(px, 0, 0, kWidth, kHeight);
    // Drawn divided by the shrink factor: about the size of the full glyph.
    EXPECT_GT(lit, fullLit / 2);
    EXPECT_LT(lit, fullLit * 2);
    SaveOnFailure(px, "font_shrunk");

    // A texture limit nothing fits into ends the build instead of shrinking forever.
    host::D3D8SetCapsFilter([](D3DDEVTYPE, D3DCAPS8& caps) { caps.MaxTextureWidth = caps.MaxTextureHeight = 4; });
    CD3DFont impossible("Arial", 28);
    EXPECT_TRUE(FAILED(impossible.InitDeviceObjects(device)));
}

} // namespace
