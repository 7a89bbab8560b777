// Transform, lighting, fog, alpha test, blending, depth and stencil.
#include <cmath>
#include <cstring>

#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

DWORD F2D(float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};

class Pipeline : public DeviceTest {
protected:
    void SetUpCamera()
    {
        D3DMATRIX view = Identity();
        D3DMATRIX proj = Perspective(3.14159265f / 2, 1.f, 1.f, 100.f);
        dev->SetTransform(D3DTS_VIEW, &view);
        dev->SetTransform(D3DTS_PROJECTION, &proj);
        D3DMATRIX world = Identity();
        dev->SetTransform(D3DTS_WORLD, &world);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    // A quad facing the camera (normal -z) at depth z spanning [-s, s].
    void DrawLitQuad(float z, float s = 10.f)
    {
        LitVertex v[4] = {{-s, s, z, 0, 0, -1}, {s, s, z, 0, 0, -1}, {-s, -s, z, 0, 0, -1}, {s, -s, z, 0, 0, -1}};
        dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitVertex)), D3D_OK);
    }
    void SetWhiteMaterial()
    {
        D3DMATERIAL8 m{};
        m.Diffuse = {1, 1, 1, 1};
        m.Ambient = {1, 1, 1, 1};
        dev->SetMaterial(&m);
    }
};

TEST_F(Pipeline, TransformedTriangleLandsWhereTheProjectionPutsIt)
{
    SetUpCamera();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    struct V {
        float x, y, z;
        D3DCOLOR c;
    };
    // At z = 2 with a 90 degree field of view, x = 1 maps to three quarters of the width.
    V v[4] = {{0, 1, 2, 0xFFFF0000}, {1, 1, 2, 0xFFFF0000}, {0, 0, 2, 0xFFFF0000}, {1, 0, 2, 0xFFFF0000}};
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(33, 17, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(46, 30, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(49, 30, 0x000000, 0));
    EXPECT_TRUE(PixelNear(40, 33, 0x000000, 0));
    EXPECT_TRUE(PixelNear(30, 20, 0x000000, 0));
    // Moving the world moves the quad.
    D3DMATRIX world = Translation(-1, 0, 0);
    dev->SetTransform(D3DTS_WORLD, &world);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(20, 20, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(40, 20, 0x000000, 0));
}

// Lighting is per vertex: the quads are small enough that every vertex sees
// the light the same way, so the centre shows the vertex value.
TEST_F(Pipeline, LightTypes)
{
    SetUpCamera();
    SetWhiteMaterial();
    D3DLIGHT8 dir{};
    dir.Type = D3DLIGHT_DIRECTIONAL;
    dir.Diffuse = {0.5f, 0.25f, 1.f, 1.f};
    dir.Direction = {0, 0, 1};
    D3DLIGHT8 point{};
    point.Type = D3DLIGHT_POINT;
    point.Diffuse = {1, 1, 1, 1};
    point.Position = {0, 0, -96};
    point.Range = 1000.f;
    point.Attenuation1 = 0.02f; // about 1 / (0.02 * 100) at the quad
    D3DLIGHT8 outOfRange = point;
    outOfRange.Range = 50.f;
    D3DLIGHT8 spot{};
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = {1, 1, 1, 1};
    spot.Position = {0, 0, -96};
    spot.Direction = {0, 0, 1};
    spot.Range = 1000.f;
    spot.Attenuation0 = 1.f;
    spot.Theta = 0.2f;
    spot.Phi = 0.4f;
    spot.Falloff = 1.f;
    D3DLIGHT8 spotAway = spot;
    spotAway.Direction = {1, 0, 0};
    // Vertices at (+-2, +-2, 4) are 0.0283 rad off the axis: inside the
    // penumbra of a 0.02 / 0.06 cone.
    D3DLIGHT8 penumbra = spot;
    penumbra.Theta = 0.02f;
    penumbra.Phi = 0.06f;
    double rho = 100.0 / std::sqrt(100.0 * 100.0 + 8.0);
    double partial = (rho - std::cos(0.03)) / (std::cos(0.01) - std::cos(0.03));
    auto grey = [](double f) {
        auto v = static_cast<uint32_t>(std::lround(255 * f));
        return (v << 16) | (v << 8) | v;
    };
    struct Case {
        const char* name;
        D3DLIGHT8 light;
        uint32_t expected;
    } cases[] = {
        {"directional", dir, 0x8040FF},
        {"point", point, grey(1.0 / (0.02 * std::sqrt(100.0 * 100.0 + 8.0)))},
        {"point beyond range", outOfRange, 0x000000},
        {"spot on axis", spot, 0xFFFFFF},
        {"spot turned away", spotAway, 0x000000},
        {"spot penumbra", penumbra, grey(partial)},
    };
    for (auto& c : cases) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
        ASSERT_EQ(dev->SetLight(0, &c.light), D3D_OK);
        ASSERT_EQ(dev->LightEnable(0, TRUE), D3D_OK);
        DrawLitQuad(4.f, 2.f);
        EXPECT_TRUE(PixelNear(32, 32, c.expected, 3)) << c.name;
    }
    D3DLIGHT8 back{};
    ASSERT_EQ(dev->GetLight(0, &back), D3D_OK);
    EXPECT_EQ(back.Type, D3DLIGHT_SPOT);
    EXPECT_EQ(back.Theta, 0.02f);
    BOOL on = FALSE;
    ASSERT_EQ(dev->GetLightEnable(0, &on), D3D_OK);
    EXPECT_TRUE(on);
    EXPECT_EQ(dev->GetLight(77, &back), D3DERR_INVALIDCALL);
    D3DLIGHT8 bad = spot;
    bad.Phi = 0.1f; // smaller than Theta
    EXPECT_EQ(dev->SetLight(1, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetLight(1, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(Pipeline, AmbientEmissiveAndMaterialSources)
{
    SetUpCamera();
    D3DMATERIAL8 m{};
    m.Ambient = {1, 0, 0, 1};
    m.Emissive = {0, 0, 0.5f, 1};
    dev->SetMaterial(&m);
    dev->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(128, 128, 128));
    DrawLitQuad(4.f);
    EXPECT_TRUE(PixelNear(32, 32, 0x80007F, 2));
    // Diffuse from the vertex colour.
    D3DLIGHT8 dir{};
    dir.Type = D3DLIGHT_DIRECTIONAL;
    dir.Diffuse = {1, 1, 1, 1};
    dir.Direction = {0, 0, 1};
    dev->SetLight(1, &dir);
    dev->LightEnable(1, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0);
    m.Emissive = {0, 0, 0, 0};
    dev->SetMaterial(&m);
    struct V {
        float x, y, z, nx, ny, nz;
        D3DCOLOR c;
    } v[4] = {{-9, 9, 4, 0, 0, -1, 0xFF00FF00},
              {9, 9, 4, 0, 0, -1, 0xFF00FF00},
              {-9, -9, 4, 0, 0, -1, 0xFF00FF00},
              {9, -9, 4, 0, 0, -1, 0xFF00FF00}};
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x00FF00, 2));
    // With COLORVERTEX off the material's (black) diffuse is used.
    dev->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x000000, 2));
}

TEST_F(Pipeline, SpecularHighlightAndLocalViewer)
{
    SetUpCamera();
    D3DMATERIAL8 m{};
    m.Specular = {1, 1, 1, 1};
    m.Power = 1.f;
    dev->SetMaterial(&m);
    D3DLIGHT8 dir{};
    dir.Type = D3DLIGHT_DIRECTIONAL;
    dir.Specular = {1, 1, 1, 1};
    dir.Direction = {0, 0, 1};
    dev->SetLight(0, &dir);
    dev->LightEnable(0, TRUE);
    DrawLitQuad(4.f, 2.f);
    EXPECT_TRUE(PixelNear(32, 32, 0x000000, 2));
    dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    // The local viewer sees the vertices at (+-2, +-2, 4) off-axis.
    DrawLitQuad(4.f, 2.f);
    double vz = 4.0 / std::sqrt(24.0), vxy = 2.0 / std::sqrt(24.0);
    double hz = (vz + 1.0) / std::sqrt(2 * vxy * vxy + (vz + 1.0) * (vz + 1.0));
    auto v = static_cast<uint32_t>(std::lround(255 * hz));
    EXPECT_TRUE(PixelNear(32, 32, (v << 16) | (v << 8) | v, 3));
    dev->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    DrawLitQuad(4.f, 2.f);
    EXPECT_TRUE(PixelNear(32, 32, 0xFFFFFF, 2));
}

TEST_F(Pipeline, FogModes)
{
    SetUpCamera();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGCOLOR, D3DCOLOR_XRGB(0, 0, 255));
    dev->SetRenderState(D3DRS_FOGSTART, F2D(2.f));
    dev->SetRenderState(D3DRS_FOGEND, F2D(6.f));
    dev->SetRenderState(D3DRS_FOGDENSITY, F2D(0.25f));
    struct V {
        float x, y, z;
        D3DCOLOR c;
    } v[4] = {{-9, 9, 4, 0xFFFF0000}, {9, 9, 4, 0xFFFF0000}, {-9, -9, 4, 0xFFFF0000}, {9, -9, 4, 0xFFFF0000}};
    struct Case {
        const char* name;
        DWORD vertexMode, tableMode;
        float f;
    } cases[] = {
        {"vertex linear", D3DFOG_LINEAR, D3DFOG_NONE, 0.5f},
        {"table linear", D3DFOG_NONE, D3DFOG_LINEAR, 0.5f},
        {"vertex exp", D3DFOG_EXP, D3DFOG_NONE, std::exp(-1.f)},
        {"table exp2", D3DFOG_NONE, D3DFOG_EXP2, std::exp(-1.f)},
    };
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    for (auto& c : cases) {
        dev->SetRenderState(D3DRS_FOGVERTEXMODE, c.vertexMode);
        dev->SetRenderState(D3DRS_FOGTABLEMODE, c.tableMode);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
        auto r = static_cast<uint32_t>(std::lround(255 * c.f));
        auto b = static_cast<uint32_t>(std::lround(255 * (1 - c.f)));
        EXPECT_TRUE(PixelNear(32, 32, (r << 16) | b, 3)) << c.name;
    }
    // Pre-transformed vertices take the fog factor from the specular alpha.
    dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_NONE);
    dev->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    struct TL {
        float x, y, z, rhw;
        D3DCOLOR c, s;
    } t[4] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0x40000000},
              {64, 0, 0.5f, 1, 0xFFFF0000, 0x40000000},
              {0, 64, 0.5f, 1, 0xFFFF0000, 0x40000000},
              {64, 64, 0.5f, 1, 0xFFFF0000, 0x40000000}};
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, t, sizeof(TL)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x4000BF, 3));
}

TEST_F(Pipeline, AlphaTestComparesAgainstTheReference)
{
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x80);
    struct Case {
        DWORD func;
        uint8_t alpha;
        bool drawn;
    } cases[] = {{D3DCMP_GREATER, 0x81, true},   {D3DCMP_GREATER, 0x80, false}, {D3DCMP_GREATEREQUAL, 0x80, true},
                 {D3DCMP_LESS, 0x7F, true},      {D3DCMP_LESS, 0x80, false},    {D3DCMP_EQUAL, 0x80, true},
                 {D3DCMP_NOTEQUAL, 0x80, false}, {D3DCMP_NEVER, 0xFF, false},   {D3DCMP_ALWAYS, 0x00, true}};
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    for (auto& c : cases) {
        dev->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        DrawQuad(0, 0, 64, 64, D3DCOLOR_ARGB(c.alpha, 255, 255, 255));
        EXPECT_TRUE(PixelNear(5, 5, c.drawn ? 0xFFFFFF : 0, 0)) << "func " << c.func << " alpha " << int(c.alpha);
    }
}

TEST_F(Pipeline, BlendFactorsAndOperations)
{
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    // Destination (100, 200, 40), source (200, 100, 20) with alpha 64.
    struct Case {
        DWORD src, dst, op;
        uint32_t expected;
    } cases[] = {
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xC86414},
        {D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_ADD, 0x64C828},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0x7DAF23},
        {D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0x7DAF23},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFFFF3C},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_SUBTRACT, 0x640000},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0x006414},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MIN, 0x646414},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX, 0xC8C828},
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0x4E4E03},
        {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0x7A1611},
    };
    for (auto& c : cases) {
        dev->SetRenderState(D3DRS_SRCBLEND, c.src);
        dev->SetRenderState(D3DRS_DESTBLEND, c.dst);
        dev->SetRenderState(D3DRS_BLENDOP, c.op);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(100, 200, 40), 1.f, 0);
        DrawQuad(0, 0, 64, 64, D3DCOLOR_ARGB(64, 200, 100, 20));
        EXPECT_TRUE(PixelNear(5, 5, c.expected, 2)) << "src " << c.src << " dst " << c.dst << " op " << c.op;
    }
}

TEST_F(Pipeline, DepthCompareAndWriteEnable)
{
    struct Case {
        DWORD func;
        bool nearerDrawn, fartherDrawn;
    } cases[] = {{D3DCMP_LESS, true, false},   {D3DCMP_GREATER, false, true}, {D3DCMP_ALWAYS, true, true},
                 {D3DCMP_NEVER, false, false}, {D3DCMP_EQUAL, false, false},  {D3DCMP_GREATEREQUAL, false, true}};
    for (auto& c : cases) {
        dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
        DrawQuad(0, 0, 64, 64, 0xFF404040, 0.5f);
        dev->SetRenderState(D3DRS_ZFUNC, c.func);
        DrawQuad(0, 0, 32, 64, 0xFFFF0000, 0.25f);
        DrawQuad(32, 0, 64, 64, 0xFF00FF00, 0.75f);
        EXPECT_TRUE(PixelNear(5, 5, c.nearerDrawn ? 0xFF0000 : 0x404040, 0)) << "func " << c.func;
        EXPECT_TRUE(PixelNear(40, 5, c.fartherDrawn ? 0x00FF00 : 0x404040, 0)) << "func " << c.func;
    }
    // Without depth writes the first quad leaves the buffer untouched.
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    DrawQuad(0, 0, 64, 64, 0xFFFF0000, 0.25f);
    DrawQuad(0, 0, 64, 64, 0xFF0000FF, 0.5f);
    EXPECT_TRUE(PixelNear(5, 5, 0x0000FF, 0));
    // Depth disabled: everything lands.
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawQuad(0, 0, 64, 64, 0xFF00FF00, 0.9f);
    EXPECT_TRUE(PixelNear(5, 5, 0x00FF00, 0));
}

TEST_F(Pipeline, ViewportMaxZAboveOneDrawsAsOne)
{
    D3DVIEWPORT8 vp{0, 0, kWidth, kHeight, 0.f, 7.5f};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    D3DVIEWPORT8 back{};
    ASSERT_EQ(dev->GetViewport(&back), D3D_OK);
    EXPECT_EQ(back.MaxZ, 7.5f);
    D3DVIEWPORT8 bad = vp;
    bad.MaxZ = -0.5f;
    EXPECT_EQ(dev->SetViewport(&bad), D3DERR_INVALIDCALL);
    bad.MaxZ = std::nanf("");
    EXPECT_EQ(dev->SetViewport(&bad), D3DERR_INVALIDCALL);
    bad = vp;
    bad.MinZ = 1.5f;
    EXPECT_EQ(dev->SetViewport(&bad), D3DERR_INVALIDCALL);
    // A transformed quad at clip depth 0.5 lands at depth 0.5, which a
    // pre-transformed quad at 0.4 passes and one at 0.6 does not.
    SetUpCamera();
    D3DMATRIX id = Identity();
    dev->SetTransform(D3DTS_PROJECTION, &id);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    struct V {
        float x, y, z;
        D3DCOLOR c;
    };
    const V q[4] = {
        {-1, 1, 0.5f, 0xFF404040}, {1, 1, 0.5f, 0xFF404040}, {-1, -1, 0.5f, 0xFF404040}, {1, -1, 0.5f, 0xFF404040}};
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x404040, 0));
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    DrawQuad(0, 0, 32, 64, 0xFFFF0000, 0.4f);
    DrawQuad(32, 0, 64, 64, 0xFF00FF00, 0.6f);
    EXPECT_TRUE(PixelNear(10, 32, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(50, 32, 0x404040, 0));
}

TEST_F(Pipeline, StencilMasksASecondPass)
{
    dev->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    dev->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    dev->SetRenderState(D3DRS_STENCILREF, 3);
    dev->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    DrawQuad(0, 0, 32, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(5, 5, 0x000000, 0)); // colour writes were off
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    dev->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    dev->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    DrawQuad(0, 0, 64, 64, 0xFFFF0000);
    EXPECT_TRUE(PixelNear(5, 5, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(40, 5, 0x000000, 0));
    // Increment where the stencil is 3, then only the 4s pass.
    dev->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN);
    DrawQuad(0, 0, 16, 64, 0xFF00FF00);
    EXPECT_TRUE(PixelNear(5, 5, 0xFFFF00, 0)); // only green was written over red
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    dev->SetRenderState(D3DRS_STENCILREF, 4);
    dev->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    DrawQuad(0, 0, 64, 64, 0xFF0000FF);
    EXPECT_TRUE(PixelNear(5, 5, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(20, 5, 0xFF0000, 0));
}

TEST_F(Pipeline, VertexBlendingBetweenTwoWorlds)
{
    SetUpCamera();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DMATRIX w0 = Translation(-1, 0, 0), w1 = Translation(1, 0, 0);
    dev->SetTransform(D3DTS_WORLDMATRIX(0), &w0);
    dev->SetTransform(D3DTS_WORLDMATRIX(1), &w1);
    dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    struct V {
        float x, y, z, w;
        D3DCOLOR c;
    };
    // Weight 1 on the first world: the quad moves left.
    V left[4] = {
        {0, 1, 2, 1, 0xFFFF0000}, {0.5f, 1, 2, 1, 0xFFFF0000}, {0, 0, 2, 1, 0xFFFF0000}, {0.5f, 0, 2, 1, 0xFFFF0000}};
    dev->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(20, 20, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(40, 20, 0x000000, 0));
    // Weight 0: the second world, to the right.
    for (auto& v : left) v.w = 0;
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(20, 20, 0x000000, 0));
    EXPECT_TRUE(PixelNear(52, 20, 0xFF0000, 0));
    // Indexed blending picks world 7 through the packed indices.
    D3DMATRIX w7 = Translation(-1, -1, 0);
    dev->SetTransform(D3DTS_WORLDMATRIX(7), &w7);
    dev->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_0WEIGHTS);
    struct IV {
        float x, y, z;
        DWORD indices;
        D3DCOLOR c;
    } iv[4] = {
        {0, 1, 2, 7, 0xFF00FF00}, {0.5f, 1, 2, 7, 0xFF00FF00}, {0, 0, 2, 7, 0xFF00FF00}, {0.5f, 0, 2, 7, 0xFF00FF00}};
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    dev->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, iv, sizeof(IV)), D3D_OK);
    EXPECT_TRUE(PixelNear(20, 40, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(20, 20, 0x000000, 0));
}

TEST_F(Pipeline, UserClipPlaneCutsGeometry)
{
    SetUpCamera();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    float plane[4] = {-1, 0, 0, 0}; // keeps x <= 0
    ASSERT_EQ(dev->SetClipPlane(0, plane), D3D_OK);
    dev->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    struct V {
        float x, y, z;
        D3DCOLOR c;
    } v[4] = {{-9, 9, 4, 0xFFFFFFFF}, {9, 9, 4, 0xFFFFFFFF}, {-9, -9, 4, 0xFFFFFFFF}, {9, -9, 4, 0xFFFFFFFF}};
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(20, 32, 0xFFFFFF, 0));
    EXPECT_TRUE(PixelNear(44, 32, 0x000000, 0));
    float back[4];
    ASSERT_EQ(dev->GetClipPlane(0, back), D3D_OK);
    EXPECT_EQ(back[0], -1.f);
}

} // namespace
} // namespace d3d8test
