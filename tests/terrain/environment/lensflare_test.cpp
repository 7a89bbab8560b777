// Lens flare and sun: where the light meets the screen, how the pieces are
// strung and sized, the sun's fade and additive draw, and pieces without a
// texture.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/entry/GfxGlobals.h"
#include "env_textures.h"
#include "kestu_billboard.h"
#include "kestu_eye.h"
#include "kestu_lensflare.h"
#include "support/device.h"

namespace {

const DWORD kWhite = 1, kWide = 2, kRed = 3;

class Lensflare : public testdevice::DeviceSuite<64, 64> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        saved = *g_GfxConfig.GetSDBackBuff();
        D3DSURFACE_DESC desc = saved;
        desc.Width = desc.Height = 64;
        g_GfxConfig.SetSDBackBuff(&desc);
        textures.Make(device, "flare.kidx",
                      {{kWhite, bbtest::Solid(0xFFFFFFFF)},
                       {kWide, bbtest::Tga(8, 4, [](int, int) { return 0xFFFFFFFFu; })},
                       {kRed, bbtest::Solid(0xFFFF0000)}});
        eye.SetViewingFrustum(D3DX_PI / 2, 1.0f, 1.0f, 500.0f, 1.0f, 0, 0, FRUSTUM_WIDEN_RATE);
        Face(D3DXVECTOR3(0, 0, 1));
    }
    void TearDown() override
    {
        g_GfxConfig.SetSDBackBuff(&saved);
        CBillboard::SetEye(nullptr);
    }
    void Face(D3DXVECTOR3 dir)
    {
        D3DXVECTOR3 pos(0, 0, 0), up(0, 1, 0);
        eye.SetPos(&pos, 0);
        eye.SetDirection(&dir, &up, 1);
    }
    // The light direction that meets the near plane at (fx, fy) of its half
    // width and height (+y up) with the eye at the origin facing +z.
    D3DXVECTOR3 LightAt(float fx, float fy) const
    {
        const FSIZE& window = *eye.GetViewportSize();
        return D3DXVECTOR3(fx * window.cx * 0.5f, fy * window.cy * 0.5f, eye.GetNearZ());
    }
    SGfxLensflareInit Init(const std::vector<SGfxLensflarePiece>& pieces, D3DXVECTOR3 light)
    {
        SGfxLensflareInit init;
        init.pDevice = device;
        init.pEye = &eye;
        init.vLightDir = light;
        init.pPieces = pieces.data();
        init.nPieceNum = int32_t(pieces.size());
        return init;
    }
    SGfxLensflarePiece Piece(DWORD tex, float position, float centreW, float centreH, float edgeW, float edgeH)
    {
        SGfxLensflarePiece p;
        p.pTexMng = textures.Mng();
        p.wTexID = WORD(tex);
        p.fPosition = position;
        p.rcTexture = FRECT(0, 0, 1, 1);
        p.fCenterWidth = centreW;
        p.fCenterHeight = centreH;
        p.fEdgeWidth = edgeW;
        p.fEdgeHeight = edgeH;
        return p;
    }
    static void ExpectPlaced(const CBB2d* bb, float x, float y, float w, float h, const char* what)
    {
        EXPECT_FLOAT_EQ(bb->GetPos()->x, x) << what;
        EXPECT_FLOAT_EQ(bb->GetPos()->y, y) << what;
        const FRECT& r = *bb->GetScreenRect();
        EXPECT_NEAR(r.right - r.left, w, 1e-4f) << what;
        EXPECT_NEAR(r.bottom - r.top, h, 1e-4f) << what;
        EXPECT_NEAR(r.left + r.right, 0.0f, 1e-4f) << what; // centred on the position
        EXPECT_NEAR(r.top + r.bottom, 0.0f, 1e-4f) << what;
        EXPECT_TRUE(bb->IsVisible()) << what;
    }
    // The flare drawn over a cleared target; its result is checked.
    template <class Flare>
    static kestu_test::Image Drawn(Flare& flare, D3DCOLOR clear, HRESULT expected = S_OK)
    {
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
        device->BeginScene();
        EXPECT_EQ(flare.Render(device), expected);
        device->EndScene();
        return Picture();
    }
    static uint32_t At(const kestu_test::Image& img, int x, int y) { return img.pixels[size_t(y) * 64 + x] & 0xFFFFFF; }
    static DWORD State(D3DRENDERSTATETYPE s)
    {
        DWORD v = 0xDEADBEEF;
        device->GetRenderState(s, &v);
        return v;
    }

    D3DSURFACE_DESC saved{};
    envtest::Textures textures;
    CEye eye;
};

} // namespace

TEST_F(Lensflare, RefusesRecordsItCannotUseAndKeepsItsOwnPieces)
{
    std::vector<SGfxLensflarePiece> pieces = {Piece(kWhite, 0.0f, 0.1f, 0.1f, 0.1f, 0.1f)};
    using Spoil = void (*)(SGfxLensflareInit&);
    CGfxLensflare flare;
    for (Spoil spoil :
         {+[](SGfxLensflareInit& i) { i.pDevice = nullptr; }, +[](SGfxLensflareInit& i) { i.pEye = nullptr; },
          +[](SGfxLensflareInit& i) { i.pPieces = nullptr; }, +[](SGfxLensflareInit& i) { i.nPieceNum = 0; },
          +[](SGfxLensflareInit& i) { i.nPieceNum = -2; }}) {
        SGfxLensflareInit bad = Init(pieces, D3DXVECTOR3(0, 0, 1));
        spoil(bad);
        EXPECT_EQ(flare.Build(bad), E_INVALIDARG);
        EXPECT_FALSE(flare.IsBuilt());
        flare.DecideVisibility(device);
        EXPECT_FALSE(flare.IsVisible());
        EXPECT_EQ(flare.Render(device), S_FALSE);
    }
    ASSERT_EQ(flare.Build(Init(pieces, D3DXVECTOR3(0, 0, 4))), S_OK);
    EXPECT_EQ(flare.GetLightDir(), D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(flare.GetPieceNum(), 1);
    pieces[0].fCenterWidth = 0.7f; // the flare holds a copy
    EXPECT_FLOAT_EQ(flare.GetPiece(0)->fCenterWidth, 0.1f);
    EXPECT_EQ(flare.GetPiece(1), nullptr);
    EXPECT_EQ(flare.GetBillboard(0)->GetTexID(), kWhite);
    flare.Release();
    EXPECT_FALSE(flare.IsBuilt());
    EXPECT_EQ(flare.GetPieceNum(), 0);
}

TEST_F(Lensflare, PiecesFollowTheLightFromCentreToCorner)
{
    // A at the light, B half way (its height from the texture's aspect), C
    // at the mirror point.
    const std::vector<SGfxLensflarePiece> pieces = {Piece(kWhite, 0.0f, 0.25f, 0.25f, 0.5f, 0.125f),
                                                    Piece(kWide, 0.5f, 0.1f, 0.0f, 0.1f, 0.3f),
                                                    Piece(kWhite, 1.0f, 0.2f, 0.2f, 0.4f, 0.4f)};
    const struct {
        float fx, fy; // the light on the near plane
        int x, y;     // its pixel
        float ratio;
    } cases[] = {
        {0.0f, 0.0f, 32, 32, 0.0f},
        {-0.9999f, 0.9999f, 0, 0, 1.0f},                   // the top-left corner
        {0.5f, 0.0f, 48, 32, 16.0f / std::sqrt(2048.0f)},  // a quarter screen right
        {0.0f, -0.5f, 32, 48, 16.0f / std::sqrt(2048.0f)}, // a quarter screen down
    };
    for (const auto& c : cases) {
        CGfxLensflare flare;
        ASSERT_EQ(flare.Build(Init(pieces, LightAt(c.fx, c.fy))), S_OK);
        flare.DecideVisibility(device);
        ASSERT_TRUE(flare.IsVisible()) << c.fx << "," << c.fy;
        EXPECT_EQ(flare.GetLightX(), c.x);
        EXPECT_EQ(flare.GetLightY(), c.y);
        EXPECT_NEAR(flare.GetCenterDistRatio(), c.ratio, 1e-5f);
        const float r = flare.GetCenterDistRatio(), dx = float(c.x - 32), dy = float(c.y - 32);
        ExpectPlaced(flare.GetBillboard(0), float(c.x), float(c.y), 64 * (0.25f + 0.25f * r), 64 * (0.25f - 0.125f * r),
                     "A");
        ExpectPlaced(flare.GetBillboard(1), float(c.x) - dx, float(c.y) - dy, 6.4f, 3.2f, "B");
        ExpectPlaced(flare.GetBillboard(2), float(c.x) - 2 * dx, float(c.y) - 2 * dy, 64 * (0.2f + 0.2f * r),
                     64 * (0.2f + 0.2f * r), "C");
    }
}

TEST_F(Lensflare, DrawsItsPiecesOnlyWhileTheLightIsOnScreen)
{
    const std::vector<SGfxLensflarePiece> pieces = {Piece(kWhite, 0.0f, 0.25f, 0.25f, 0.25f, 0.25f),
                                                    Piece(kRed, 1.0f, 0.125f, 0.125f, 0.125f, 0.125f)};
    CGfxLensflare flare;
    ASSERT_EQ(flare.Build(Init(pieces, LightAt(-0.5f, 0.5f))), S_OK); // light at (16, 16)
    flare.DecideVisibility(device);
    ASSERT_TRUE(flare.IsVisible());
    const kestu_test::Image img = Drawn(flare, 0xFF000000);
    EXPECT_EQ(At(img, 16, 16), 0xFFFFFFu);
    EXPECT_EQ(At(img, 48, 48), 0xFF0000u);
    EXPECT_EQ(At(img, 32, 32), 0u);
    EXPECT_EQ(At(img, 16, 26), 0u); // past the white piece's 16-pixel square
    EXPECT_EQ(State(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u); // blending is the caller's

    // Turned away, beside, or with the light in front but off screen.
    const D3DXVECTOR3 before = *flare.GetBillboard(0)->GetPos();
    for (D3DXVECTOR3 dir :
         {D3DXVECTOR3(0, 0, -1), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(1, 0, 0.3f), D3DXVECTOR3(0, -1, 1)}) {
        Face(dir);
        flare.DecideVisibility(device);
        EXPECT_FALSE(flare.IsVisible()) << dir.x << "," << dir.y << "," << dir.z;
        EXPECT_EQ(*flare.GetBillboard(0)->GetPos(), before);
        for (uint32_t p : Drawn(flare, 0xFF000000, S_FALSE).pixels) ASSERT_EQ(p & 0xFFFFFF, 0u);
    }
    // The light square to the view: no ray towards it meets the near plane.
    Face(D3DXVECTOR3(0, 0, 1));
    CGfxLensflare beside;
    ASSERT_EQ(beside.Build(Init(pieces, D3DXVECTOR3(1, 0, 0))), S_OK);
    beside.DecideVisibility(device);
    EXPECT_FALSE(beside.IsVisible());
    EXPECT_EQ(beside.Render(device), S_FALSE);
    // No render target size known: nothing to place the light on.
    D3DSURFACE_DESC none = *g_GfxConfig.GetSDBackBuff();
    none.Width = none.Height = 0;
    g_GfxConfig.SetSDBackBuff(&none);
    flare.DecideVisibility(device);
    EXPECT_FALSE(flare.IsVisible());
}

TEST_F(Lensflare, PieceWithoutItsTextureIsAPlainSquare)
{
    SGfxLensflarePiece noManager = Piece(kWhite, 0.0f, 0.25f, 0.0f, 0.25f, 0.0f);
    noManager.pTexMng = nullptr;
    const SGfxLensflarePiece unknown = Piece(99, 1.0f, 0.125f, 0.0f, 0.125f, 0.0f);
    CGfxLensflare flare;
    ASSERT_EQ(flare.Build(Init({noManager, unknown}, LightAt(-0.5f, 0.0f))), S_OK); // light at (16, 32)
    flare.DecideVisibility(device);
    ASSERT_TRUE(flare.IsVisible());
    ExpectPlaced(flare.GetBillboard(0), 16, 32, 16, 16, "no manager");
    ExpectPlaced(flare.GetBillboard(1), 48, 32, 8, 8, "unknown id");
    const kestu_test::Image img = Drawn(flare, 0xFF000000);
    for (auto [x, y, c] : {std::tuple{16, 32, 0xFFFFFFu},
                           {9, 25, 0xFFFFFFu},
                           {23, 39, 0xFFFFFFu},
                           {16, 42, 0u},
                           {48, 32, 0xFFFFFFu},
                           {48, 38, 0u},
                           {32, 32, 0u}})
        EXPECT_EQ(At(img, x, y), c) << x << "," << y;
}

TEST_F(Lensflare, SunFadesFromFullAtTheCentreToBlackAtTheCorners)
{
    const std::vector<SGfxLensflarePiece> pieces = {Piece(kWhite, 0.0f, 0.25f, 0.25f, 0.25f, 0.25f),
                                                    Piece(kRed, 1.0f, 0.125f, 0.125f, 0.125f, 0.125f)};
    const DWORD colour = 0xC08040;
    const D3DCOLOR back = 0xFF102030;
    CGfxSun sun;
    ASSERT_EQ(sun.Build(Init(pieces, LightAt(0, 0)), colour), S_OK);
    EXPECT_EQ(sun.GetSunColor(), colour);
    kestu_test::Image img = Drawn(sun, back);
    EXPECT_EQ(sun.GetCurrColor(), colour);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(sun.GetBillboard(0)->GetVertex2dBuffer()[k].color, colour);
    // The disc and the red piece (both at the centre) add to the background.
    EXPECT_EQ(At(img, 32, 32), 0xFFA070u);
    EXPECT_EQ(At(img, 32, 38), 0xD0A070u);
    EXPECT_EQ(At(img, 5, 5), 0x102030u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(State(D3DRS_FOGENABLE), 0u);
    EXPECT_EQ(State(D3DRS_SRCBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(State(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));
    EXPECT_EQ(State(D3DRS_BLENDOP), DWORD(D3DBLENDOP_ADD));

    // Half way to the corner the disc shows the faded colour.
    ASSERT_EQ(sun.Build(Init(pieces, LightAt(-0.5f, 0.5f)), colour), S_OK);
    img = Drawn(sun, back);
    const float f = 1.0f - sun.GetCenterDistRatio();
    EXPECT_NEAR(f, 0.5f, 1e-5f);
    const DWORD faded = (DWORD(f * 192 + 0.5f) << 16) | (DWORD(f * 128 + 0.5f) << 8) | DWORD(f * 64 + 0.5f);
    EXPECT_EQ(sun.GetCurrColor(), faded);
    EXPECT_TRUE(kestu_test::ChannelsNear(At(img, 16, 16), faded + 0x102030, 1)) << std::hex << At(img, 16, 16);

    // At the corner it is black: nothing is added.
    ASSERT_EQ(sun.Build(Init(pieces, LightAt(-0.9999f, 0.9999f)), colour), S_OK);
    img = Drawn(sun, back);
    EXPECT_EQ(sun.GetCurrColor(), 0u);
    EXPECT_EQ(At(img, 3, 3), 0x102030u);
    EXPECT_EQ(At(img, 62, 62), 0xFF2030u); // the red piece at the mirror corner

    // Behind the eye: nothing drawn, nothing left on.
    Face(D3DXVECTOR3(0, 0, -1));
    for (uint32_t p : Drawn(sun, back, S_FALSE).pixels) ASSERT_EQ(p & 0xFFFFFF, 0x102030u);
    CGfxSun unbuilt;
    EXPECT_EQ(unbuilt.Render(device), S_FALSE);
}

TEST_F(Lensflare, SunWithoutItsTextureIsASquareOfItsColour)
{
    SGfxLensflarePiece disc = Piece(42, 0.0f, 0.25f, 0.0f, 0.25f, 0.0f);
    CGfxSun sun;
    ASSERT_EQ(sun.Build(Init({disc}, LightAt(0, 0)), 0x406080), S_OK);
    const kestu_test::Image img = Drawn(sun, 0xFF000000);
    EXPECT_EQ(At(img, 32, 32), 0x406080u);
    EXPECT_EQ(At(img, 25, 25), 0x406080u);
    EXPECT_EQ(At(img, 32, 42), 0u);
}
