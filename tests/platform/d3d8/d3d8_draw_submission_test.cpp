// Draws skip GL calls that would change nothing: state set elsewhere between
// draws, programs that missed constant changes and the viewport of
// pre-transformed draws must still take effect.
#include "d3d8_fixture.h"

namespace d3d8test {
namespace {

class DrawSubmission : public DeviceTest {
protected:
    struct Vertex {
        float x, y, z;
        D3DCOLOR c;
    };
    static constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

    // Untransformed geometry coloured by the texture factor alone.
    void UseFactorColour()
    {
        D3DMATRIX id = Identity();
        dev->SetTransform(D3DTS_VIEW, &id);
        dev->SetTransform(D3DTS_PROJECTION, &id);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    }

    // A quad over clip space [x0, x1] x [y0, y1] before the world transform.
    void DrawClipQuad(float x0, float y0, float x1, float y1)
    {
        const Vertex v[4] = {{x0, y0, 0.5f, 0xFFFFFFFF},
                             {x1, y0, 0.5f, 0xFFFFFFFF},
                             {x0, y1, 0.5f, 0xFFFFFFFF},
                             {x1, y1, 0.5f, 0xFFFFFFFF}};
        dev->SetVertexShader(kFvf);
        ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(Vertex)), D3D_OK);
    }
};

TEST_F(DrawSubmission, ClearBetweenDrawsKeepsTheWriteMasks)
{
    // Clear writes every channel and the depth; the draws after it must not.
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN);
    DrawQuad(0, 0, 32, 32, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(5, 5, 0x00FF00, 0));
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0), D3D_OK);
    DrawQuad(0, 0, 32, 32, 0xFFFFFFFF);
    EXPECT_TRUE(PixelNear(5, 5, 0x00FF00, 0));
    dev->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);

    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawQuad(32, 32, 64, 64, 0xFFFF0000, 0.2f);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0), D3D_OK);
    // Near, then far: without depth writes the far quad still lands.
    DrawQuad(32, 32, 64, 64, 0xFFFF0000, 0.2f);
    DrawQuad(32, 32, 64, 64, 0xFF0000FF, 0.8f);
    EXPECT_TRUE(PixelNear(40, 40, 0x0000FF, 0));
}

TEST_F(DrawSubmission, AlternatingProgramsGetTheirOwnConstants)
{
    UseFactorColour();
    // Alpha testing (always passing) gives a second program. Quad k moves
    // right by k eighths of the target and takes its own factor; some draws
    // change only the world, only the factor, or both.
    struct Step {
        bool alphaTest;
        int cell;
        D3DCOLOR factor;
    };
    const Step steps[] = {{false, 0, 0xFFFF0000}, {true, 1, 0xFF00FF00},  {false, 2, 0xFF0000FF},
                          {false, 3, 0xFFFFFFFF}, {false, 4, 0xFFFFFFFF}, {true, 5, 0xFFFFFF00},
                          {true, 6, 0xFFFFFF00},  {false, 7, 0xFF00FFFF}};
    for (const Step& s : steps) {
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, s.alphaTest);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
        dev->SetRenderState(D3DRS_TEXTUREFACTOR, s.factor);
        D3DMATRIX w = Translation(0.25f * static_cast<float>(s.cell), 0.f, 0.f);
        dev->SetTransform(D3DTS_WORLD, &w);
        DrawClipQuad(-1.f, 0.75f, -0.75f, 1.f);
    }
    for (const Step& s : steps) EXPECT_TRUE(PixelNear(8 * s.cell + 4, 4, s.factor & 0xFFFFFF, 0)) << s.cell;
    EXPECT_TRUE(PixelNear(4, 12, 0x000000, 0));
}

TEST_F(DrawSubmission, PretransformedDrawsUseTheWholeTarget)
{
    UseFactorColour();
    D3DVIEWPORT8 vp{32, 32, 16, 16, 0.f, 1.f};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
    DrawClipQuad(-1.f, -1.f, 1.f, 1.f);
    EXPECT_TRUE(PixelNear(40, 40, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(20, 20, 0x000000, 0));
    // Screen coordinates ignore the viewport; the next transformed draw
    // has it again.
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    DrawQuad(0, 0, 64, 64, 0xFFFF0000);
    EXPECT_TRUE(PixelNear(20, 20, 0xFF0000, 0));
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF0000FF);
    DrawClipQuad(-1.f, -1.f, 1.f, 1.f);
    EXPECT_TRUE(PixelNear(40, 40, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(20, 20, 0xFF0000, 0));
}

} // namespace
} // namespace d3d8test
