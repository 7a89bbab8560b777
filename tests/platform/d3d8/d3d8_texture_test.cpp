// Texture stages, sampling, mip maps, cube maps, point sprites and render to texture.
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

uint32_t Solid(UINT, UINT) { return 0x80C04020; }
uint32_t Checker(UINT x, UINT y) { return ((x ^ y) & 1) ? 0xFFFFFFFF : 0xFF000000; }
// Each mip level its own colour (the fixture adds 1000 per level to x).
uint32_t PerLevel(UINT x, UINT)
{
    static const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    return colours[(x / 1000) % 6];
}
uint32_t Quadrants(UINT x, UINT y)
{
    if (y < 2) return x < 2 ? 0xFFFF0000 : 0xFF00FF00;
    return x < 2 ? 0xFF0000FF : 0xFFFFFFFF;
}

class Textures : public DeviceTest {};

TEST_F(Textures, PointSampledTexelsLandOnTheirPixels)
{
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Quadrants);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(0, 0, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(63, 0, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(0, 63, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(63, 63, 0xFFFFFF, 0));
    EXPECT_TRUE(PixelNear(31, 31, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(32, 32, 0xFFFFFF, 0));
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, StageOperations)
{
    // Texture (0x80, 0xC0, 0x40, 0x20) as ARGB, diffuse (0x40, 0x80, 0x40, 0xFF), tfactor (0xFF, 0x20, 0x20, 0x20).
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Solid);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF202020);
    const D3DCOLOR diffuse = 0x408040FF;
    struct Case {
        DWORD op, arg1, arg2, arg0;
        uint32_t expected;
    } cases[] = {
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xC04020},
        {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0x8040FF},
        {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0x601020},
        {D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xC12040},
        {D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF4080},
        {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF80FF},
        {D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xC100A0},
        {D3DTOP_ADDSIGNED2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF00FF},
        {D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0x400000},
        {D3DTOP_ADDSMOOTH, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xE070FF},
        {D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_TFACTOR, 0, 0x482820},
        {D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xA0408F},
        {D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xC04020},
        {D3DTOP_BLENDTEXTUREALPHAPM, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF60A0},
        {D3DTOP_BLENDCURRENTALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0x9040C7},
        {D3DTOP_MODULATEALPHA_ADDCOLOR, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF60A0},
        {D3DTOP_MODULATECOLOR_ADDALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xE090A0},
        {D3DTOP_MODULATEINVALPHA_ADDCOLOR, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF60A0},
        {D3DTOP_MODULATEINVCOLOR_ADDALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xA0B0FF},
        {D3DTOP_DOTPRODUCT3, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0x000000},
        {D3DTOP_MULTIPLYADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0x803040},
        {D3DTOP_LERP, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0x8840E3},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, 0, 0x3FBFDF},
        {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_DIFFUSE, 0, 0x808080},
        {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, 0, 0x202020},
    };
    for (auto& c : cases) {
        dev->SetTextureStageState(0, D3DTSS_COLOROP, c.op);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, c.arg1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, c.arg2);
        dev->SetTextureStageState(0, D3DTSS_COLORARG0, c.arg0);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        DrawTexturedQuad(0, 0, 64, 64, diffuse);
        EXPECT_TRUE(PixelNear(10, 10, c.expected, 3)) << "op " << c.op << " arg1 " << c.arg1;
    }
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, StageWithoutTexturePassesTheIncomingValue)
{
    // Nothing bound: an operation that reads the texture hands on what comes
    // in (the diffuse colour at stage 0); one that does not read it works as usual.
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x20406080);
    const D3DCOLOR diffuse = 0x80FF4020;
    struct Case {
        const char* name;
        DWORD stage; // the stage set up; stage 0 selects the diffuse colour when it is 1
        DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1;
        uint32_t expected; // blended 50:50 over blue (the alpha is the diffuse one)
    } cases[] = {
        {"selectarg1 texture", 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
         0x80208F},
        {"modulate texture by tfactor", 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_MODULATE,
         D3DTA_TEXTURE, 0x80208F},
        {"blend by the texture's alpha", 0, D3DTOP_BLENDTEXTUREALPHA, D3DTA_TFACTOR, D3DTA_TFACTOR, D3DTOP_SELECTARG1,
         D3DTA_TEXTURE, 0x80208F},
        {"texture argument not used", 0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_TFACTOR, D3DTOP_SELECTARG1,
         D3DTA_TEXTURE, 0x2030BF},
        {"second stage", 1, D3DTOP_ADD, D3DTA_TFACTOR, D3DTA_TEXTURE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0x80208F},
    };
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        dev->SetTextureStageState(c.stage, D3DTSS_COLOROP, c.colorOp);
        dev->SetTextureStageState(c.stage, D3DTSS_COLORARG1, c.colorArg1);
        dev->SetTextureStageState(c.stage, D3DTSS_COLORARG2, c.colorArg2);
        dev->SetTextureStageState(c.stage, D3DTSS_ALPHAOP, c.alphaOp);
        dev->SetTextureStageState(c.stage, D3DTSS_ALPHAARG1, c.alphaArg1);
        dev->SetTextureStageState(c.stage, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.f, 0);
        DrawTexturedQuad(0, 0, 64, 64, diffuse);
        EXPECT_TRUE(PixelNear(10, 10, c.expected, 2));
        dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
}

TEST_F(Textures, SecondStageAndTempRegister)
{
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Solid);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTexture(1, t);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF404040);
    // Stage 0 stores the texture in temp; current stays diffuse; stage 1 adds them.
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_TEMP);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEMP);
    dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    DrawTexturedQuad(0, 0, 64, 64, 0xFF000000);
    EXPECT_TRUE(PixelNear(10, 10, 0xFF8060, 3));
    // A disabled stage ends the cascade.
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev->SetTextureStageState(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    DrawTexturedQuad(0, 0, 64, 64, 0xFF000000);
    EXPECT_TRUE(PixelNear(10, 10, 0xC04020, 3));
    dev->SetTexture(0, nullptr);
    dev->SetTexture(1, nullptr);
    t->Release();
}

TEST_F(Textures, MipSelectionLodAndMaxMipLevel)
{
    IDirect3DTexture8* t = MakeTexture(32, 32, D3DFMT_X8R8G8B8, PerLevel, 0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetLevelCount(), 6u);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    // 32 texels over 8 pixels: level 2.
    DrawTexturedQuad(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(4, 4, 0x0000FF, 0));
    // Over 32 pixels: level 0.
    DrawTexturedQuad(16, 16, 48, 48, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(30, 30, 0xFF0000, 0));
    // MAXMIPLEVEL keeps the largest level out.
    dev->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, 1);
    DrawTexturedQuad(16, 16, 48, 48, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(30, 30, 0x00FF00, 0));
    dev->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, 0);
    // SetLOD does the same for managed textures and returns the old value.
    EXPECT_EQ(t->SetLOD(3), 0u);
    EXPECT_EQ(t->GetLOD(), 3u);
    DrawTexturedQuad(16, 16, 48, 48, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(30, 30, 0xFFFF00, 0));
    // A positive LOD bias picks a smaller level.
    t->SetLOD(0);
    dev->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, F2D(1.f));
    DrawTexturedQuad(16, 16, 48, 48, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(30, 30, 0x00FF00, 0));
    // Without a mip filter only level 0 is used.
    dev->SetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, 0);
    dev->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    DrawTexturedQuad(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(4, 4, 0xFF0000, 0));
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, AddressModesAndBorder)
{
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Quadrants);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    struct Case {
        DWORD mode;
        uint32_t at; // colour at u = 1.25, v = 0.1
    } cases[] = {{D3DTADDRESS_WRAP, 0xFF0000},
                 {D3DTADDRESS_MIRROR, 0x00FF00},
                 {D3DTADDRESS_CLAMP, 0x00FF00},
                 {D3DTADDRESS_BORDER, 0x123456}};
    dev->SetTextureStageState(0, D3DTSS_BORDERCOLOR, 0xFF123456);
    for (auto& c : cases) {
        dev->SetTextureStageState(0, D3DTSS_ADDRESSU, c.mode);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        // u runs 0..2 across 64 pixels: pixel 40 is u = 1.27.
        DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF, 0, 0, 2, 1);
        EXPECT_TRUE(PixelNear(40, 5, c.at, 0)) << "mode " << c.mode;
    }
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, LinearFilterBlendsNeighbours)
{
    IDirect3DTexture8* t = MakeTexture(2, 2, D3DFMT_X8R8G8B8, Checker);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    // The centre lies between all four texels.
    EXPECT_TRUE(PixelNear(32, 32, 0x808080, 8));
    EXPECT_TRUE(PixelNear(0, 0, 0x000000, 8));
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, CubeMapFacesAreSampledByDirection)
{
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    for (UINT f = 0; f < 6; ++f) {
        D3DLOCKED_RECT r;
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &r, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] = colours[f];
        ASSERT_EQ(cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0), D3D_OK);
    }
    dev->SetTexture(0, cube);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    struct V {
        float x, y, z, rhw;
        float s, t, r;
    };
    const float dirs[6][3] = {{1, 0.1f, 0.1f},  {-1, 0.1f, 0.1f}, {0.1f, 1, 0.1f},
                              {0.1f, -1, 0.1f}, {0.1f, 0.1f, 1},  {0.1f, 0.1f, -1}};
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0));
    for (int f = 0; f < 6; ++f) {
        const float* d = dirs[f];
        V v[4] = {{0, 0, 0.5f, 1, d[0], d[1], d[2]},
                  {64, 0, 0.5f, 1, d[0], d[1], d[2]},
                  {0, 64, 0.5f, 1, d[0], d[1], d[2]},
                  {64, 64, 0.5f, 1, d[0], d[1], d[2]}};
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
        EXPECT_TRUE(PixelNear(10, 10, colours[f] & 0xFFFFFF, 0)) << "face " << f;
    }
    dev->SetTexture(0, nullptr);
    cube->Release();
}

TEST_F(Textures, TextureTransformAndProjection)
{
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Quadrants);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    // Translate u by one half: the red quadrant moves right.
    D3DMATRIX m = Identity();
    m._31 = 0.5f;
    dev->SetTransform(D3DTS_TEXTURE0, &m);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(5, 5, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(40, 5, 0xFF0000, 0));
    // Projected: (u, v, 2) halves the coordinates.
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    D3DMATRIX p = Identity();
    p._33 = 2.f; // the third component (1) becomes 2
    dev->SetTransform(D3DTS_TEXTURE0, &p);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(60, 60, 0xFF0000, 0));
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, PointSpritesSpanTheTexture)
{
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Quadrants);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    dev->SetRenderState(D3DRS_POINTSIZE, F2D(16.f));
    TLTexVertex v = {32, 32, 0.5f, 1, 0xFFFFFFFF, 0, 0};
    dev->SetVertexShader(kTLTexFvf);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &v, sizeof(v)), D3D_OK);
    EXPECT_TRUE(PixelNear(26, 26, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(38, 26, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(26, 38, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(38, 38, 0xFFFFFF, 0));
    EXPECT_TRUE(PixelNear(20, 20, 0x000000, 0));
    // Point scale: size = viewport height * size * sqrt(1 / (A + B d + C d^2)).
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    dev->SetRenderState(D3DRS_POINTSIZE, F2D(0.25f));
    dev->SetRenderState(D3DRS_POINTSCALE_A, F2D(0.f));
    dev->SetRenderState(D3DRS_POINTSCALE_C, F2D(1.f));
    D3DMATRIX proj = Perspective(3.14159265f / 2, 1.f, 1.f, 100.f);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    struct P {
        float x, y, z;
        D3DCOLOR c;
    } p = {0, 0, 2, 0xFF00FF00};
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &p, sizeof(p)), D3D_OK);
    // 64 * 0.25 / 2 = 8 pixels wide around the centre.
    EXPECT_TRUE(PixelNear(29, 29, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(34, 34, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(26, 32, 0x000000, 0));
    EXPECT_TRUE(PixelNear(37, 32, 0x000000, 0));
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, PalettedTexturesFollowTheCurrentPalette)
{
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_P8, D3DPOOL_MANAGED, &t), D3D_OK);
    D3DLOCKED_RECT r;
    ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < 4; ++y) std::memset(static_cast<uint8_t*>(r.pBits) + y * r.Pitch, 7, 4);
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    uint8_t pal[256 * 4] = {};
    pal[7 * 4] = 0x11;     // red
    pal[7 * 4 + 1] = 0x22; // green
    pal[7 * 4 + 2] = 0x33; // blue
    pal[7 * 4 + 3] = 0xFF; // flags: alpha
    ASSERT_EQ(dev->SetPaletteEntries(2, reinterpret_cast<const PALETTEENTRY*>(pal)), D3D_OK);
    EXPECT_EQ(dev->SetCurrentTexturePalette(9), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetCurrentTexturePalette(2), D3D_OK);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(10, 10, 0x112233, 0));
    pal[7 * 4] = 0xAA;
    ASSERT_EQ(dev->SetPaletteEntries(2, reinterpret_cast<const PALETTEENTRY*>(pal)), D3D_OK);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(10, 10, 0xAA2233, 0));
    uint8_t back[256 * 4] = {};
    ASSERT_EQ(dev->GetPaletteEntries(2, reinterpret_cast<PALETTEENTRY*>(back)), D3D_OK);
    EXPECT_EQ(std::memcmp(back, pal, sizeof(pal)), 0);
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, RenderToTextureAndCubeFaces)
{
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
    IDirect3DSurface8 *bb = nullptr, *ds = nullptr;
    dev->GetRenderTarget(&bb);
    dev->GetDepthStencilSurface(&ds);
    ASSERT_EQ(dev->SetRenderTarget(level, nullptr), D3D_OK);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 255), 1.f, 0);
    DrawQuad(0, 0, 8, 16, D3DCOLOR_XRGB(255, 0, 0));
    EXPECT_TRUE(PixelNear(2, 2, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(12, 2, 0x0000FF, 0));
    // Drawing with the texture that is the current target is refused.
    dev->SetTexture(0, target);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &bb, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetRenderTarget(bb, ds), D3D_OK);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(10, 10, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(50, 10, 0x0000FF, 0));

    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &cube), D3D_OK);
    for (UINT f = 0; f < 6; ++f) {
        IDirect3DSurface8* face = nullptr;
        ASSERT_EQ(cube->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(f), 0, &face), D3D_OK);
        ASSERT_EQ(dev->SetRenderTarget(face, nullptr), D3D_OK);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(f * 40, 0, 0), 1.f, 0);
        face->Release();
    }
    ASSERT_EQ(dev->SetRenderTarget(bb, ds), D3D_OK);
    dev->SetTexture(0, cube);
    struct V {
        float x, y, z, rhw;
        float s, t, r;
    } v[4] = {
        {0, 0, 0.5f, 1, 0, 0, -1}, {64, 0, 0.5f, 1, 0, 0, -1}, {0, 64, 0.5f, 1, 0, 0, -1}, {64, 64, 0.5f, 1, 0, 0, -1}};
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0));
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0xC80000, 0));
    dev->SetTexture(0, nullptr);
    cube->Release();
    level->Release();
    target->Release();
    bb->Release();
    ds->Release();
}

} // namespace
} // namespace d3d8test

namespace d3d8test {
namespace {

TEST_F(Textures, GeneratedCoordinatesFromCameraSpace)
{
    IDirect3DTexture8* t = MakeTexture(4, 4, D3DFMT_A8R8G8B8, Quadrants);
    ASSERT_NE(t, nullptr);
    dev->SetTexture(0, t);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DMATRIX proj = Perspective(3.14159265f / 2, 1.f, 1.f, 100.f);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    // Camera-space position (x, y in [-4, 4] at z = 4) mapped to u = x/8 + 0.5, v = -y/8 + 0.5.
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    D3DMATRIX m{};
    m._11 = 0.125f;
    m._22 = -0.125f;
    m._41 = 0.5f;
    m._42 = 0.5f;
    m._44 = 1.f;
    dev->SetTransform(D3DTS_TEXTURE0, &m);
    struct V {
        float x, y, z;
    } v[4] = {{-4, 4, 4}, {4, 4, 4}, {-4, -4, 4}, {4, -4, 4}};
    dev->SetVertexShader(D3DFVF_XYZ);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(8, 8, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(56, 8, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(8, 56, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(56, 56, 0xFFFFFF, 0));
    // Camera-space normals: (0, 0, -1) becomes u = 0.5 - 0.5 z ... here all texels of one quadrant.
    struct N {
        float x, y, z, nx, ny, nz;
    } n[4] = {{-4, 4, 4, 1, 1, 0}, {4, 4, 4, 1, 1, 0}, {-4, -4, 4, 1, 1, 0}, {4, -4, 4, 1, 1, 0}};
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    D3DMATRIX id = Identity();
    dev->SetTransform(D3DTS_TEXTURE0, &id);
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, n, sizeof(N)), D3D_OK);
    EXPECT_TRUE(PixelNear(8, 8, 0xFFFFFF, 0)); // (1, 1) clamps to the bottom-right texel
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    dev->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(Textures, SpecularAddsAfterTheStages)
{
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    struct TL {
        float x, y, z, rhw;
        D3DCOLOR c, s;
    } t[4] = {{0, 0, 0.5f, 1, 0xFF400000, 0xFF004020},
              {64, 0, 0.5f, 1, 0xFF400000, 0xFF004020},
              {0, 64, 0.5f, 1, 0xFF400000, 0xFF004020},
              {64, 64, 0.5f, 1, 0xFF400000, 0xFF004020}};
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, t, sizeof(TL)), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0x400000, 0));
    dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, t, sizeof(TL)), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0x404020, 0));
    // The specular colour is also a stage argument.
    dev->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_SPECULAR);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, t, sizeof(TL)), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0x004020, 0));
}

} // namespace
} // namespace d3d8test
