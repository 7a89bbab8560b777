// Sky tent: the fan on top, the planes of the box, and the draw that keeps
// the camera's rotation but not its place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "env_textures.h"
#include "kestu_billboard.h"
#include "kestu_log.h"
#include "kestu_skytent.h"
#include "support/device.h"

namespace {

// One colour per plane, in plane order.
const uint32_t kColours[6] = {0xFF4080FF, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFFFF00FF};
const WORD kFirstId = 10;

class SkyTent : public testdevice::DeviceSuite<64, 64> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        // Other suites' cameras have registered with the billboards and are gone.
        CBillboard::SetEye(nullptr);
        std::vector<std::pair<DWORD, std::vector<uint8_t>>> images;
        for (int i = 0; i < 6; ++i) images.emplace_back(kFirstId + i, bbtest::Solid(kColours[i]));
        textures.Make(device, "skytent.kidx", images);
    }
    // A 100-wide tent whose rim is as high above the eye as the bottom is
    // below it, so the box closes.
    SGfxSkyTentInit Init(bool top, bool sides, bool bottom)
    {
        SGfxSkyTentInit init;
        init.pDevice = device;
        init.pTexMng = textures.Mng();
        if (top) init.wTexID[SKYTENT_TOP] = kFirstId;
        for (int i = SKYTENT_POSX; sides && i <= SKYTENT_NEGZ; ++i) init.wTexID[i] = WORD(kFirstId + i);
        if (bottom) init.wTexID[SKYTENT_BOTTOM] = kFirstId + SKYTENT_BOTTOM;
        init.fSize = 100.0f;
        init.fEaveHeight = 20.0f;
        init.fTopHeight = 30.0f;
        init.fBottomDepth = 20.0f;
        return init;
    }
    static D3DXMATRIX View(D3DXVECTOR3 eye, D3DXVECTOR3 dir, D3DXVECTOR3 up = D3DXVECTOR3(0, 1, 0))
    {
        D3DXMATRIX view;
        const D3DXVECTOR3 at = eye + dir;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        return view;
    }
    // The tent drawn through `view` over a black target whose depth would
    // reject anything drawn with the depth test on.
    static kestu_test::Image Draw(CGfxSkyTent& tent, const D3DXMATRIX& view)
    {
        D3DXMATRIX proj, world;
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 1.0f, 1.0f, 500.0f);
        D3DXMatrixIdentity(&world);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.0f, 0);
        device->BeginScene();
        EXPECT_EQ(tent.Render(device), S_OK);
        device->EndScene();
        return Picture();
    }
    static uint32_t At(const kestu_test::Image& img, int x, int y)
    {
        return img.pixels[size_t(y) * 64 + x] | 0xFF000000;
    }
    static DWORD State(D3DRENDERSTATETYPE s)
    {
        DWORD v = 0xDEADBEEF;
        device->GetRenderState(s, &v);
        return v;
    }
    // A local corner of a billboard placed in the world.
    static D3DXVECTOR3 World(CBillboard* bb, const SKESTUBBVERTEX& v)
    {
        D3DXMATRIX m = *bb->GetMatWorld();
        m._41 = bb->GetPos()->x;
        m._42 = bb->GetPos()->y;
        m._43 = bb->GetPos()->z;
        D3DXVECTOR3 out;
        const D3DXVECTOR3 local(v.x, v.y, v.z);
        D3DXVec3TransformCoord(&out, &local, &m);
        return out;
    }

    envtest::Textures textures;
};

} // namespace

TEST_F(SkyTent, DefaultRecordDrawsNothingButRestoresTheTransforms)
{
    CGfxSkyTent tent;
    EXPECT_EQ(tent.Build(SGfxSkyTentInit{}), S_OK);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tent.GetPlane(ENUM_SKYTENT_PLANE(i)), nullptr) << i;

    D3DXMATRIX proj, world, view = View(D3DXVECTOR3(3, 4, 5), D3DXVECTOR3(1, 0, 0));
    D3DXMatrixTranslation(&world, 7.0f, 8.0f, 9.0f);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 1.0f, 1.0f, 500.0f);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    // States the tent must set, left as a caller might have them.
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetVertexShader(KESTU_BBVERTEX2D_FVF);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    EXPECT_EQ(tent.Render(device), S_OK);
    device->EndScene();
    for (uint32_t p : Picture().pixels) ASSERT_EQ(p & 0xFFFFFF, 0u);
    EXPECT_EQ(State(D3DRS_ALPHATESTENABLE), 0u);
    EXPECT_EQ(State(D3DRS_ALPHABLENDENABLE), 0u);
    const struct {
        DWORD stage;
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    } stages[] = {{0, D3DTSS_COLOROP, D3DTOP_SELECTARG1},
                  {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
                  {0, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
                  {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
                  {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE}};
    for (const auto& st : stages) {
        DWORD v = 0xDEADBEEF;
        device->GetTextureStageState(st.stage, st.type, &v);
        EXPECT_EQ(v, st.value) << "stage " << st.stage << " state " << st.type;
    }
    DWORD shader = 0;
    device->GetVertexShader(&shader);
    EXPECT_EQ(shader, DWORD(KESTU_BBVERTEX_FVF));

    D3DXMATRIX after;
    device->GetTransform(D3DTS_VIEW, &after);
    EXPECT_EQ(std::memcmp(&after, &view, sizeof after), 0);
    device->GetTransform(D3DTS_WORLD, &after);
    EXPECT_EQ(std::memcmp(&after, &world, sizeof after), 0);
    // Depth stays off for the caller to restore.
    EXPECT_EQ(State(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(State(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(tent.Render(nullptr), KESTUERR_SURFACENOTBUILT);
}

TEST_F(SkyTent, TopIsAFourSidedPyramidOverTheBox)
{
    CGfxSkyTent tent;
    ASSERT_EQ(tent.Build(Init(true, false, false)), S_OK);
    for (int i = 1; i < 6; ++i) EXPECT_EQ(tent.GetPlane(ENUM_SKYTENT_PLANE(i)), nullptr) << i;
    EXPECT_EQ(tent.GetPlane(ENUM_SKYTENT_PLANE(6)), nullptr);
    EXPECT_EQ(tent.GetPlane(ENUM_SKYTENT_PLANE(-1)), nullptr);
    auto* fan = dynamic_cast<CBBFan*>(tent.GetPlane(SKYTENT_TOP));
    ASSERT_NE(fan, nullptr);
    EXPECT_EQ(*fan->GetPos(), D3DXVECTOR3(0.0f, 30.0f, 0.0f));
    EXPECT_EQ(fan->GetTexID(), DWORD(kFirstId));
    EXPECT_EQ(fan->GetSegmentCount(), 4u);
    EXPECT_EQ(fan->GetSegments(), 4);
    EXPECT_FLOAT_EQ(fan->GetHeight(), 10.0f);
    EXPECT_FLOAT_EQ(fan->GetRadius(), 100.0f / 1.4142135f);
    ASSERT_EQ(fan->GetVerNum(), 6u);

    const SKESTUBBVERTEX* v = fan->GetVertex3dBuffer();
    const float uv[6][2] = {{0.5f, 0.5f}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(v[i].u, uv[i][0]) << i;
        EXPECT_EQ(v[i].v, uv[i][1]) << i;
    }
    // The apex over the eye, the rim on the box's top corners.
    const D3DXVECTOR3 apex = World(fan, v[0]);
    EXPECT_NEAR(apex.x, 0.0f, 1e-4f);
    EXPECT_NEAR(apex.y, 30.0f, 1e-4f);
    EXPECT_NEAR(apex.z, 0.0f, 1e-4f);
    int corners = 0;
    for (int i = 1; i < 5; ++i) {
        const D3DXVECTOR3 p = World(fan, v[i]);
        EXPECT_NEAR(p.y, 20.0f, 1e-3f) << i;
        EXPECT_NEAR(std::fabs(p.x), 50.0f, 1e-3f) << i;
        EXPECT_NEAR(std::fabs(p.z), 50.0f, 1e-3f) << i;
        corners |= 1 << ((p.x > 0) * 2 + (p.z > 0));
    }
    EXPECT_EQ(corners, 0xF); // each corner once
}

TEST_F(SkyTent, PlanesCloseTheBoxFacingIn)
{
    CGfxSkyTent tent;
    ASSERT_EQ(tent.Build(Init(true, true, true)), S_OK);
    const struct {
        ENUM_SKYTENT_PLANE plane;
        D3DXVECTOR3 pos, dir, up, half; // half: the plane's half extents in x, y, z
    } cases[] = {
        {SKYTENT_POSX, {50, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, 20, 50}},
        {SKYTENT_NEGX, {-50, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 20, 50}},
        {SKYTENT_POSZ, {0, 0, 50}, {0, 0, -1}, {0, 1, 0}, {50, 20, 0}},
        {SKYTENT_NEGZ, {0, 0, -50}, {0, 0, 1}, {0, 1, 0}, {50, 20, 0}},
        {SKYTENT_BOTTOM, {0, -20, 0}, {0, 1, 0}, {0, 0, 1}, {50, 0, 50}},
    };
    for (const auto& c : cases) {
        auto* plane = dynamic_cast<CBBStatic*>(tent.GetPlane(c.plane));
        ASSERT_NE(plane, nullptr) << c.plane;
        EXPECT_EQ(*plane->GetPos(), c.pos) << c.plane;
        EXPECT_EQ(*plane->GetDirection(), c.dir) << c.plane;
        EXPECT_EQ(*plane->GetUp(), c.up) << c.plane;
        EXPECT_EQ(plane->GetTexID(), DWORD(kFirstId + c.plane));
        for (int k = 0; k < 4; ++k) {
            const D3DXVECTOR3 p = World(plane, plane->GetVertex3dBuffer()[k]) - c.pos;
            EXPECT_NEAR(std::fabs(p.x), c.half.x, 1e-4f) << c.plane << " corner " << k;
            EXPECT_NEAR(std::fabs(p.y), c.half.y, 1e-4f) << c.plane << " corner " << k;
            EXPECT_NEAR(std::fabs(p.z), c.half.z, 1e-4f) << c.plane << " corner " << k;
        }
    }
}

TEST_F(SkyTent, MissingDeviceFailsAndARebuildStartsOver)
{
    CGfxSkyTent tent;
    for (bool top : {true, false}) {
        SGfxSkyTentInit init = Init(top, true, true);
        init.pDevice = nullptr;
        EXPECT_EQ(tent.Build(init), KESTUERR_INVALIDPARAM) << top;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(tent.GetPlane(ENUM_SKYTENT_PLANE(i)), nullptr) << i;
    }
    ASSERT_EQ(tent.Build(Init(true, true, true)), S_OK);
    for (int i = 0; i < 6; ++i) EXPECT_NE(tent.GetPlane(ENUM_SKYTENT_PLANE(i)), nullptr) << i;
    ASSERT_EQ(tent.Build(Init(false, true, false)), S_OK);
    EXPECT_EQ(tent.GetPlane(SKYTENT_TOP), nullptr);
    EXPECT_EQ(tent.GetPlane(SKYTENT_BOTTOM), nullptr);
    EXPECT_NE(tent.GetPlane(SKYTENT_NEGZ), nullptr);
    tent.Release();
    EXPECT_EQ(tent.GetPlane(SKYTENT_NEGZ), nullptr);
}

TEST_F(SkyTent, MovingTheEyeLeavesTheSkyTurningItDoesNot)
{
    CGfxSkyTent tent;
    ASSERT_EQ(tent.Build(Init(true, true, true)), S_OK);
    const D3DXVECTOR3 east(1, 0, 0), south(0, 0, -1);
    const kestu_test::Image home = Draw(tent, View(D3DXVECTOR3(0, 0, 0), east));
    // Drawn although the cleared depth rejects everything: the tent draws
    // without the depth test.
    EXPECT_EQ(At(home, 32, 32), kColours[SKYTENT_POSX]);
    EXPECT_EQ(At(home, 32, 1), kColours[SKYTENT_TOP]);
    EXPECT_EQ(At(home, 32, 62), kColours[SKYTENT_BOTTOM]);
    // Far from the origin the picture is the same.
    const kestu_test::Image away = Draw(tent, View(D3DXVECTOR3(900, -300, 450), east));
    EXPECT_TRUE(kestu_test::ImagesNear(away, home, 0, "moved"));
    // Turning shows the other planes.
    EXPECT_EQ(At(Draw(tent, View(D3DXVECTOR3(900, -300, 450), south)), 32, 32), kColours[SKYTENT_NEGZ]);
    EXPECT_EQ(At(Draw(tent, View(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(-1, 0, 0))), 32, 32), kColours[SKYTENT_NEGX]);
    EXPECT_EQ(At(Draw(tent, View(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1))), 32, 32), kColours[SKYTENT_POSZ]);
    EXPECT_EQ(At(Draw(tent, View(D3DXVECTOR3(5, 5, 5), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1))), 32, 32),
              kColours[SKYTENT_TOP]);
}

TEST_F(SkyTent, HidesNothingDrawnAfterIt)
{
    CGfxSkyTent tent;
    ASSERT_EQ(tent.Build(Init(true, true, true)), S_OK);
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 1.0f, 1.0f, 500.0f);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    const D3DXMATRIX view = View(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0));
    device->SetTransform(D3DTS_VIEW, &view);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    ASSERT_EQ(tent.Render(device), S_OK);
    // A white square deeper than the sky (the side at distance 50 lies at
    // depth 0.98), drawn with the depth test back on.
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    const SKESTUBBVERTEX2D quad[4] = {{24, 40, 0.99f, 1, 0xFFFFFFFF, 0, 0},
                                      {24, 24, 0.99f, 1, 0xFFFFFFFF, 0, 0},
                                      {40, 40, 0.99f, 1, 0xFFFFFFFF, 0, 0},
                                      {40, 24, 0.99f, 1, 0xFFFFFFFF, 0, 0}};
    device->SetVertexShader(KESTU_BBVERTEX2D_FVF);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
    device->EndScene();
    const kestu_test::Image img = Picture();
    EXPECT_EQ(At(img, 32, 32), 0xFFFFFFFFu);
    EXPECT_EQ(At(img, 32, 20), kColours[SKYTENT_POSX]);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

TEST_F(SkyTent, PlanesWithoutTheirTexturesDrawPlain)
{
    for (bool manager : {false, true}) {
        SGfxSkyTentInit init = Init(true, true, true);
        if (!manager) init.pTexMng = nullptr;
        for (WORD& id : init.wTexID) id = WORD(id + 100); // none in the library
        CGfxSkyTent tent;
        ASSERT_EQ(tent.Build(init), S_OK);
        for (int i = 0; i < 6; ++i) EXPECT_NE(tent.GetPlane(ENUM_SKYTENT_PLANE(i)), nullptr) << i;
        // Lighting is the caller's; unlit, the planes show their white vertices.
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        const kestu_test::Image img = Draw(tent, View(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0)));
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        for (int y : {1, 32, 62}) EXPECT_EQ(At(img, 32, y), 0xFFFFFFFFu) << manager << " row " << y;
    }
}
