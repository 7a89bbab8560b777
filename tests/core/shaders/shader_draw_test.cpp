#include <cstdlib>
#include <string>

#include "shader_device.h"
#include "host/host_win32.h"
#include "kestu_shaderlight.h"
#include "support/image.h"

namespace {

constexpr char kVertexText[] = "vs.1.1\n"
                               "dp4 oPos.x, v0, c0\n"
                               "dp4 oPos.y, v0, c1\n"
                               "dp4 oPos.z, v0, c2\n"
                               "dp4 oPos.w, v0, c3\n"
                               "mov oD0, c4\n";
constexpr char kPixelText[] = "ps.1.1\n"
                              "mov r0, v0\n";

struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

class ShaderDraw : public ShaderDevice {
protected:
    // One triangle over the whole target in clip space, drawn with the pair bound.
    void DrawCover(IShaderBase& pair, IShaderContext* context)
    {
        const Vertex tri[3] = {
            {-1, -1, 0.5f, 0, 0, -1, 0, 0}, {-1, 3, 0.5f, 0, 0, -1, 0, 0}, {3, -1, 0.5f, 0, 0, -1, 0, 0}};
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
        ASSERT_EQ(pair.SetDeviceShader(device, context), 0);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(Vertex)), D3D_OK);
        device->EndScene();
    }
    ::testing::AssertionResult CentreNear(uint32_t expected, int tolerance, const char* name)
    {
        const kestu_test::Image image = kestu_test::ReadRenderTarget(device);
        return kestu_test::PixelNear(image, image.width / 2, image.height / 2, expected, tolerance, name);
    }
};

TEST_F(ShaderDraw, AssembledPairDrawsWithTheContextsConstants)
{
    IShaderBase pair;
    ASSERT_EQ(pair.Assemble(kVertexText, sizeof(kVertexText) - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_EQ(pair.Assemble(kPixelText, sizeof(kPixelText) - 1, SHADER_TYPE_PIXEL), D3D_OK);
    ASSERT_EQ(pair.Build(device), 0);
    CShaderToon toon;
    toon.SetColor(0.2f, 0.8f, 0.4f, 1.0f);
    DrawCover(pair, &toon);
    EXPECT_TRUE(CentreNear(0x33CC66, 3, "shader_pair_toon"));

    // The world matrix reaches c0-c3: moved off screen, nothing covers the centre.
    D3DXMATRIX away;
    D3DXMatrixTranslation(&away, 10.0f, 0.0f, 0.0f);
    toon.SetTransform(D3DTS_WORLD, &away);
    DrawCover(pair, &toon);
    EXPECT_TRUE(CentreNear(0x000000, 3, "shader_pair_moved"));

    device->SetVertexShader(D3DFVF_XYZ);
    device->SetPixelShader(0);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    toon.Release();
    pair.Release();
}

TEST_F(ShaderDraw, LightContextFeedsTransformAndFirstDiffuse)
{
    // The lighting context's registers: c2-c5 the transform, c30 slot 0's diffuse.
    const char text[] = "vs.1.1\n"
                        "dp4 oPos.x, v0, c2\n"
                        "dp4 oPos.y, v0, c3\n"
                        "dp4 oPos.z, v0, c4\n"
                        "dp4 oPos.w, v0, c5\n"
                        "mov oD0, c30\n";
    IShaderBase pair;
    ASSERT_EQ(pair.Assemble(text, sizeof(text) - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_EQ(pair.Assemble(kPixelText, sizeof(kPixelText) - 1, SHADER_TYPE_PIXEL), D3D_OK);
    ASSERT_EQ(pair.Build(device), 0);
    CShaderLight context;
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {0.6f, 0.2f, 1.0f, 1.0f};
    context.AddLight(&light);
    DrawCover(pair, &context);
    EXPECT_TRUE(CentreNear(0x9933FF, 3, "shader_light"));
    context.DelLight(0); // an empty slot uploads black
    DrawCover(pair, &context);
    EXPECT_TRUE(CentreNear(0x000000, 3, "shader_light_empty"));
    device->SetVertexShader(D3DFVF_XYZ);
    device->SetPixelShader(0);
    pair.Release();
}

TEST_F(ShaderDraw, NonShaderModeDrawsWithTheFixedPipeline)
{
    IShaderBase pair;
    ASSERT_EQ(pair.Assemble(kVertexText, sizeof(kVertexText) - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_EQ(pair.Build(device), 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF4080C0);
    IShaderContext::EnableNonShader(1);
    DrawCover(pair, nullptr);
    IShaderContext::EnableNonShader(0);
    EXPECT_TRUE(CentreNear(0x4080C0, 3, "non_shader"));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pair.Release();
}

} // namespace
