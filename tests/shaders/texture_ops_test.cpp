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
uint32_t Solid(UINT, UINT) { return 0xC040A0E0; }  // a 0.75, r 0.25, g 0.63, b 0.88
uint32_t Bump(UINT, UINT) { return 0xFF800000; }   // du 0.5, dv 0

class TextureOps : public ShaderTest {
protected:
    void TearDown() override
    {
        for (int i = 0; i < 2; ++i) dev->SetTexture(i, nullptr);
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

TEST_F(TextureOps, Ps14DependentReadInSecondPhase)
{
    uint32_t (*coords)(UINT, UINT) = [](UINT, UINT) -> uint32_t { return 0xFFC04000; };  // (0.75, 0.25)
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
}

TEST_F(TextureOps, DeclarationFeedsFixedFunctionVertexProcessing)
{
    const std::vector<DWORD> decl = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                                     D3DVSD_SKIP(1), D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    DWORD vs = CreateVs(decl, "");
    struct V {
        float x, y, z, unused;
        D3DCOLOR c;
    };
    const V q[4] = {{-1, 1, 0.5f, 9, 0xFF204080}, {1, 1, 0.5f, 9, 0xFF204080}, {-1, -1, 0.5f, 9, 0xFF204080},
                    {1, -1, 0.5f, 9, 0xFF204080}};
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x204080));
}

} // namespace
} // namespace shadertest
