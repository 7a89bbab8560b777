// Vertex shader outputs beyond position and colour: fog and point size, and
// fixed-function vertices (four-component coordinates, lit colours) feeding a
// pixel shader.
#include <cmath>

#include "shader_fixture.h"

namespace shadertest {
namespace {

using Outputs = ShaderTest;

TEST_F(Outputs, FogOutputBlendsTowardsFogColour)
{
    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmov oD0, c0\nmov oFog.x, c1.x\n");
    SetConstant(0, 0, 0, 1, 1);
    SetConstant(1, 0.25f, 0, 0, 0);
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0xFFFF0000);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    DrawClipQuad();
    EXPECT_TRUE(PixelNear(32, 32, Rgba(0.75f, 0, 0.25f, 1)));
    // The same fog after a pixel shader.
    DWORD ps = CreatePs("ps.1.1\nmov r0, v0\n");
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    SetConstant(1, 0.5f, 0, 0, 0);
    DrawClipQuad();
    EXPECT_TRUE(PixelNear(32, 32, Rgba(0.5f, 0, 0.5f, 1)));
}

TEST_F(Outputs, UserClipPlanesCutInClipSpace)
{
    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmov oD0, c0\n");
    SetConstant(0, 1, 1, 1, 1);
    const float plane[4] = {1, 0, 0, 0}; // keeps x >= 0: the right half
    ASSERT_EQ(dev->SetClipPlane(0, plane), D3D_OK);
    dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    DrawClipQuad();
    dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    EXPECT_TRUE(PixelNear(48, 32, 0xFFFFFF));
    EXPECT_TRUE(PixelNear(16, 32, 0x000000));
}

TEST_F(Outputs, PointSizeOutputSizesPoints)
{
    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmov oD0, c0\nmov oPts.x, c1.x\n");
    SetConstant(0, 1, 1, 1, 1);
    SetConstant(1, 9, 0, 0, 0);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    struct V {
        float x, y, z, u, v;
    } p = {0, 0, 0.5f, 0, 0};
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &p, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32 + 3, 32 - 3, 0xFFFFFF));
    EXPECT_TRUE(PixelNear(32 + 8, 32, 0x000000));
}

TEST_F(Outputs, FourComponentCoordinatesReachPixelShaderWhole)
{
    // A four-component set keeps its w (texm3x3vspec reads the eye vector
    // there); texcrd with _dw divides by it.
    struct V {
        float x, y, z, rhw;
        float t[4];
    };
    const float w = 2.f;
    const V q[4] = {{0, 0, 0.5f, 1, {0.5f, 0.25f, 0, w}},
                    {64, 0, 0.5f, 1, {0.5f, 0.25f, 0, w}},
                    {0, 64, 0.5f, 1, {0.5f, 0.25f, 0, w}},
                    {64, 64, 0.5f, 1, {0.5f, 0.25f, 0, w}}};
    DWORD ps = CreatePs("ps.1.4\ntexcrd r0.rgb, t0_dw.xyw\n");
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    ASSERT_EQ(dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4(0)), D3D_OK);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, Rgba(0.25f, 0.125f, 1.f, 1)));
}

TEST_F(Outputs, PixelShaderSeesVertexSpecularWhenSpecularIsOff)
{
    // With specular off lighting computes none: v1 is the vertex's own
    // specular colour, whatever the specular material source. With it on, v1
    // is the lit specular.
    D3DMATRIX id = d3d8test::Identity(), proj = d3d8test::Perspective(3.14159265f / 2, 1.f, 1.f, 100.f);
    dev->SetTransform(D3DTS_WORLD, &id);
    dev->SetTransform(D3DTS_VIEW, &id);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    D3DMATERIAL8 m{};
    m.Diffuse = {0.25f, 0.25f, 0.25f, 1};
    m.Specular = {0.5f, 0.75f, 1, 1};
    m.Power = 1.f;
    dev->SetMaterial(&m);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0, 0, 1};
    dev->SetLight(0, &light);
    dev->LightEnable(0, TRUE);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    struct V {
        float x, y, z, nx, ny, nz;
        D3DCOLOR specular;
    };
    const D3DCOLOR own = 0xFF408000u;
    const V q[4] = {
        {-4, 4, 2, 0, 0, -1, own}, {4, 4, 2, 0, 0, -1, own}, {-4, -4, 2, 0, 0, -1, own}, {4, -4, 2, 0, 0, -1, own}};
    const DWORD ps = CreatePs("ps.1.1\nmov r0, v1\n");
    ASSERT_NE(ps, 0u);
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    ASSERT_EQ(dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_SPECULAR), D3D_OK);
    const D3DCOLOR vertexColour = own, litMaterial = Rgba(0.5f, 0.75f, 1.f, 1);
    struct Case {
        BOOL specular;
        DWORD source;
        D3DCOLOR expected;
    } cases[] = {
        {FALSE, D3DMCS_MATERIAL, vertexColour},
        {FALSE, D3DMCS_COLOR2, vertexColour},
        {TRUE, D3DMCS_MATERIAL, litMaterial},
        {TRUE, D3DMCS_COLOR2, vertexColour}, // lit with the vertex colour as material, a full highlight
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "specular " << c.specular << " source " << c.source);
        dev->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
        dev->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, c.source);
        ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.f, 0), D3D_OK);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
        EXPECT_TRUE(PixelNear(32, 32, c.expected, 2));
    }
    dev->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
    dev->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
}

} // namespace
} // namespace shadertest
