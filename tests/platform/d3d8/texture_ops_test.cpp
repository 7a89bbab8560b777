// Texture instructions of pixel shaders, and vertex shaders feeding the
// fixed-function texture stages.
#include <cstring>

#include "shader_fixture.h"

namespace shadertest {
namespace {

// 2x2 quadrants: red, green / blue, white (top row first).
uint32_t Quadrants(UINT x, UINT y)
{
    static const uint32_t c[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    return c[(y % 2) * 2 + (x % 2)];
}
uint32_t Solid(UINT, UINT) { return 0xC040A0E0; }         // a 0.75, r 0.25, g 0.63, b 0.88
uint32_t Bump(UINT, UINT) { return 0xFF800000; }          // du 0.5, dv 0
uint32_t BumpLuminance(UINT, UINT) { return 0xFF8000FF; } // du 0.5, dv 0, luminance 1

void SetFloat(IDirect3DDevice8* dev, DWORD stage, D3DTEXTURESTAGESTATETYPE type, float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    dev->SetTextureStageState(stage, type, d);
}

class TextureOps : public ShaderTest {
protected:
    void TearDown() override
    {
        for (int i = 0; i < 4; ++i) dev->SetTexture(i, nullptr);
        for (auto* t : textures) t->Release();
        ShaderTest::TearDown();
    }
    void Bind(DWORD stage, uint32_t (*fn)(UINT, UINT), UINT size)
    {
        IDirect3DTexture8* t = MakeTexture(size, size, D3DFMT_A8R8G8B8, fn);
        ASSERT_NE(t, nullptr);
        textures.push_back(t);
        ASSERT_EQ(dev->SetTexture(stage, t), D3D_OK);
        dev->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, 0);
    }
    void Run(const char* code)
    {
        DWORD ps = CreatePs(code);
        ASSERT_NE(ps, 0u);
        ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
        DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF);
    }
    std::vector<IDirect3DTexture8*> textures;
};

TEST_F(TextureOps, TexSamplesItsStage)
{
    Bind(0, Quadrants, 2);
    Run("ps.1.1\ntex t0\nmov r0, t0");
    EXPECT_TRUE(PixelNear(16, 16, 0xFF0000));
    EXPECT_TRUE(PixelNear(48, 16, 0x00FF00));
    EXPECT_TRUE(PixelNear(16, 48, 0x0000FF));
}

TEST_F(TextureOps, SamplerStatesFollowChangesBetweenShaderDraws)
{
    Bind(0, Quadrants, 2);
    DWORD ps = CreatePs("ps.1.1\ntex t0\nmov r0, t0");
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    // u = 1.27 at the probe: wrapped it is the left column, clamped the right one.
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF, 0, 0, 2, 1);
    EXPECT_TRUE(PixelNear(40, 16, 0xFF0000));
    dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF, 0, 0, 2, 1);
    EXPECT_TRUE(PixelNear(40, 16, 0x00FF00));
}

TEST_F(TextureOps, TexDividesProjectedCoordinates)
{
    Bind(0, Quadrants, 2);
    DWORD ps = CreatePs("ps.1.1\ntex t0\nmov r0, t0");
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    struct V {
        float x, y, z, rhw, t[4];
    };
    const V q[4] = {{0, 0, 0.5f, 1, {1.4f, 1.4f, 0, 2}},
                    {64, 0, 0.5f, 1, {1.4f, 1.4f, 0, 2}},
                    {0, 64, 0.5f, 1, {1.4f, 1.4f, 0, 2}},
                    {64, 64, 0.5f, 1, {1.4f, 1.4f, 0, 2}}};
    ASSERT_EQ(dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4(0)), D3D_OK);
    // (1.4, 1.4) wraps to the top left texel; divided by w = 2 it is the bottom right one.
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0xFF0000));
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT4 | D3DTTFF_PROJECTED);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0xFFFFFF));
}

TEST_F(TextureOps, TexkillDiscardsNegativeCoordinates)
{
    DWORD ps = CreatePs("ps.1.1\ntexkill t0\nmov r0, c0");
    SetPsConstant(0, 1.f, 0.5f, 0.f, 1.f);
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    DrawTexturedQuad(0, 0, 64, 64, 0xFFFFFFFF, -0.5f, 0.f, 0.5f, 1.f);
    EXPECT_TRUE(PixelNear(16, 32, 0x000000));
    EXPECT_TRUE(PixelNear(48, 32, 0xFF8000));
}

TEST_F(TextureOps, TexReg2ArAndGbReadCoordinatesFromAnotherStage)
{
    Bind(0, Solid, 1);
    Bind(1, Quadrants, 2);
    // (a, r) = (0.75, 0.25): the top right quadrant.
    Run("ps.1.1\ntex t0\ntexreg2ar t1, t0\nmov r0, t1");
    EXPECT_TRUE(PixelNear(32, 32, 0x00FF00));
    // (g, b) = (0.63, 0.88): the bottom right one.
    Run("ps.1.1\ntex t0\ntexreg2gb t1, t0\nmov r0, t1");
    EXPECT_TRUE(PixelNear(32, 32, 0xFFFFFF));
}

TEST_F(TextureOps, TexbemOffsetsByTheStageMatrix)
{
    Bind(0, Bump, 1);
    Bind(1, Quadrants, 2);
    auto setMatrix = [&](float m00) {
        DWORD d;
        std::memcpy(&d, &m00, 4);
        dev->SetTextureStageState(1, D3DTSS_BUMPENVMAT00, d);
    };
    setMatrix(0.f);
    Run("ps.1.1\ntex t0\ntexbem t1, t0\nmov r0, t1");
    EXPECT_TRUE(PixelNear(40, 40, 0xFFFFFF));
    // u' = u - 0.5 * du moves the probe into the left column.
    setMatrix(-0.5f);
    Run("ps.1.1\ntex t0\ntexbem t1, t0\nmov r0, t1");
    EXPECT_TRUE(PixelNear(40, 40, 0x0000FF));
}

TEST_F(TextureOps, TexbemlScalesByLuminance)
{
    Bind(0, BumpLuminance, 1);
    Bind(1, Quadrants, 2);
    SetFloat(dev, 1, D3DTSS_BUMPENVMAT00, 0.f);
    SetFloat(dev, 1, D3DTSS_BUMPENVLSCALE, 0.5f);
    SetFloat(dev, 1, D3DTSS_BUMPENVLOFFSET, 0.f);
    Run("ps.1.1\ntex t0\ntexbeml t1, t0\nmov r0, t1");
    EXPECT_TRUE(PixelNear(40, 40, 0x808080));
}

TEST_F(TextureOps, Ps14BemOffsetsCoordinatesForDependentRead)
{
    Bind(1, Bump, 1);
    Bind(2, Quadrants, 2);
    SetFloat(dev, 2, D3DTSS_BUMPENVMAT00, -0.5f);
    // r1 = stage 1's bump (coordinates t0); r2 = coordinates moved by stage 2's matrix.
    Run("ps.1.4\ntexld r1, t0\ntexcrd r2.rgb, t0\nbem r2.rg, r2, r1\nphase\ntexld r2, r2\nmov r0, r2");
    EXPECT_TRUE(PixelNear(40, 40, 0x0000FF));
    EXPECT_TRUE(PixelNear(40, 8, 0xFF0000));
}

// Rows of the matrices in coordinate sets 1 and 2 (and 3) of pre-transformed vertices.
struct MatrixVertex {
    float x, y, z, rhw;
    float t0[2], t1[3], t2[3], t3[3];
};
constexpr DWORD kMatrixFvf = D3DFVF_XYZRHW | D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE2(0) | D3DFVF_TEXCOORDSIZE3(1) |
                             D3DFVF_TEXCOORDSIZE3(2) | D3DFVF_TEXCOORDSIZE3(3);

void DrawMatrixQuad(IDirect3DDevice8* dev, const float r1[3], const float r2[3], const float r3[3])
{
    MatrixVertex q[4] = {};
    const float xy[4][2] = {{0, 0}, {64, 0}, {0, 64}, {64, 64}};
    for (int i = 0; i < 4; ++i) {
        q[i].x = xy[i][0];
        q[i].y = xy[i][1];
        q[i].z = 0.5f;
        q[i].rhw = 1;
        std::memcpy(q[i].t1, r1, 12);
        std::memcpy(q[i].t2, r2, 12);
        std::memcpy(q[i].t3, r3, 12);
    }
    ASSERT_EQ(dev->SetVertexShader(kMatrixFvf), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(MatrixVertex)), D3D_OK);
}

TEST_F(TextureOps, Texm3x2TexLooksUpByTwoDotProducts)
{
    Bind(0, Solid, 1); // (r, g, b) = (0.25, 0.63, 0.88)
    Bind(2, Quadrants, 2);
    for (DWORD s = 1; s < 4; ++s) dev->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, s);
    DWORD ps = CreatePs("ps.1.1\ntex t0\ntexm3x2pad t1, t0\ntexm3x2tex t2, t0\nmov r0, t2");
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    const float x[3] = {1, 0, 0}, z[3] = {0, 0, 1};
    DrawMatrixQuad(dev, x, z, z); // (0.25, 0.88): bottom left
    EXPECT_TRUE(PixelNear(32, 32, 0x0000FF));
    DrawMatrixQuad(dev, z, x, z); // (0.88, 0.25): top right
    EXPECT_TRUE(PixelNear(32, 32, 0x00FF00));
}

TEST_F(TextureOps, Texm3x3VspecReflectsConstantEyeIntoCube)
{
    const D3DCOLOR faces[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT r;
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &r, nullptr, 0), D3D_OK);
        const DWORD c = 0xFF000000u | faces[f];
        std::memcpy(r.pBits, &c, 4);
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0);
    }
    Bind(
        0, [](UINT, UINT) -> uint32_t { return 0xFF80FF80; }, 1); // normal +y
    ASSERT_EQ(dev->SetTexture(3, cube), D3D_OK);
    for (DWORD s = 1; s < 4; ++s) dev->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, s);
    DWORD ps = CreatePs("ps.1.1\ntex t0\ntexm3x3pad t1, t0_bx2\ntexm3x3pad t2, t0_bx2\n"
                        "texm3x3spec t3, t0_bx2, c0\nmov r0, t3");
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    const float r1[3] = {1, 0, 0}, r2[3] = {0, 1, 0}, r3[3] = {0, 0, 1};
    SetPsConstant(0, 1, 0, 0, 0); // eye along +x reflects to -x about a +y normal
    DrawMatrixQuad(dev, r1, r2, r3);
    EXPECT_TRUE(PixelNear(32, 32, faces[1]));
    SetPsConstant(0, 0.2f, 1, 0, 0); // mostly along the normal: back along +y
    DrawMatrixQuad(dev, r1, r2, r3);
    EXPECT_TRUE(PixelNear(32, 32, faces[2]));
    dev->SetTexture(3, nullptr);
    cube->Release();
}

TEST_F(TextureOps, Ps12TexReg2RgbTexDp3AndTexm3x3)
{
    Bind(0, Solid, 1);
    Bind(1, Quadrants, 2);
    // (r, g) = (0.25, 0.63): bottom left.
    Run("ps.1.2\ntex t0\ntexreg2rgb t1, t0\nmov r0, t1");
    EXPECT_TRUE(PixelNear(32, 32, 0x0000FF));
    for (DWORD s = 1; s < 4; ++s) dev->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, s);
    const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    DWORD dp3 = CreatePs("ps.1.2\ntex t0\ntexdp3 t1, t0\nmov r0, t1");
    ASSERT_EQ(dev->SetPixelShader(dp3), D3D_OK);
    DrawMatrixQuad(dev, x, y, z); // r of t0
    EXPECT_TRUE(PixelNear(32, 32, 0x404040));
    DWORD m3x3 = CreatePs("ps.1.2\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3 t3, t0\nmov r0, t3");
    ASSERT_EQ(dev->SetPixelShader(m3x3), D3D_OK);
    DrawMatrixQuad(dev, z, x, y); // (b, r, g)
    EXPECT_TRUE(PixelNear(32, 32, 0xE040A0));
}

TEST_F(TextureOps, Ps14DependentReadInSecondPhase)
{
    uint32_t (*coords)(UINT, UINT) = [](UINT, UINT) -> uint32_t { return 0xFFC04000; }; // (0.75, 0.25)
    Bind(0, coords, 1);
    Bind(1, Quadrants, 2);
    Run("ps.1.4\ntexld r0, t0\nphase\ntexld r1, r0\nmov r0, r1");
    EXPECT_TRUE(PixelNear(32, 32, 0x00FF00));
}

TEST_F(TextureOps, VertexShaderFeedsFixedFunctionStages)
{
    Bind(0, Quadrants, 2);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmov oT0, v7\nmov oD0, c0\n");
    SetConstant(0, 0.5f, 0.5f, 0.5f, 1.f);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    DrawClipQuad();
    EXPECT_TRUE(PixelNear(16, 16, 0x800000));
    EXPECT_TRUE(PixelNear(48, 48, 0x808080));
    // A w of 2 in oT0 divides nothing unless the stage projects.
    DWORD vsw = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmul oT0, v7, c1\nmov oD0, c0\n");
    SetConstant(1, 1, 1, 1, 2);
    ASSERT_EQ(dev->SetVertexShader(vsw), D3D_OK);
    DrawClipQuad();
    EXPECT_TRUE(PixelNear(48, 48, 0x808080));
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT4 | D3DTTFF_PROJECTED);
    DrawClipQuad();
    EXPECT_TRUE(PixelNear(48, 48, 0x800000));
}

TEST_F(TextureOps, DeclarationFeedsFixedFunctionVertexProcessing)
{
    const std::vector<DWORD> decl = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3), D3DVSD_SKIP(1),
                                     D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    DWORD vs = CreateVs(decl, "");
    struct V {
        float x, y, z, unused;
        D3DCOLOR c;
    };
    const V q[4] = {{-1, 1, 0.5f, 9, 0xFF204080},
                    {1, 1, 0.5f, 9, 0xFF204080},
                    {-1, -1, 0.5f, 9, 0xFF204080},
                    {1, -1, 0.5f, 9, 0xFF204080}};
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x204080));
}

} // namespace
} // namespace shadertest
