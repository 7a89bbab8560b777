// Matrix macros addressed relatively, as skinning shaders write them: each
// row of the expansion reads c[a0.x + offset + row].
#include "shader_fixture.h"

namespace shadertest {
namespace {

struct SkinVertex {
    float x, y, z;
    float index; // first constant of the vertex's bone, relative to c9
    float nx, ny, nz;
};

std::vector<DWORD> SkinDeclaration()
{
    return {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(1, D3DVSDT_FLOAT1),
            D3DVSD_REG(2, D3DVSDT_FLOAT3), D3DVSD_END()};
}

class RelativeMatrices : public ShaderTest {
protected:
    // Bone 0 (c9-c11) throws the quad off the target; bone 1 (c12-c14) turns
    // it a quarter round, halves it and moves it right by 0.25.
    void SetBones() const
    {
        SetConstant(9, 4.f, 0.f, 0.f, 9.f);
        SetConstant(10, 0.f, 4.f, 0.f, 9.f);
        SetConstant(11, 0.f, 0.f, 1.f, 0.f);
        SetConstant(12, 0.f, -0.5f, 0.f, 0.25f);
        SetConstant(13, 0.5f, 0.f, 0.f, 0.f);
        SetConstant(14, 0.f, 0.f, 1.f, 0.f);
        SetConstant(0, 0.25f, 0.25f, 0.25f, 1.f);
    }

    std::vector<uint32_t> DrawSkinned(const std::string& transform)
    {
        const std::string text = "vs.1.1\nmov a0.x, v1.x\n" + transform +
                                 "mov r0.w, c0.w\nmov oPos, r0\nadd oD0.xyz, r3, c0\nmov oD0.w, c0.w\n";
        const DWORD vs = CreateVs(SkinDeclaration(), text);
        EXPECT_NE(vs, 0u);
        if (vs == 0) return {};
        EXPECT_EQ(dev->SetVertexShader(vs), D3D_OK);
        SetBones();
        EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.f, 0), D3D_OK);
        const SkinVertex q[4] = {
            {-1, 1, 0.5f, 3, 1, 0, 0}, {1, 1, 0.5f, 3, 1, 0, 0}, {-1, -1, 0.5f, 3, 1, 0, 0}, {1, -1, 0.5f, 3, 1, 0, 0}};
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(SkinVertex)), D3D_OK);
        return Read();
    }
};

TEST_F(RelativeMatrices, SkinnedVertexMatchesTheDotProductForm)
{
    const std::vector<uint32_t> macro = DrawSkinned("m4x3 r0.xyz, v0, c[a0.x + 9]\nm3x3 r3.xyz, v2, c[a0.x + 9]\n");
    // The quad now covers x in [-0.25, 0.75], y in [-0.5, 0.5] of clip space;
    // the normal (1, 0, 0) turned and halved is (0, 0.5, 0).
    EXPECT_TRUE(PixelNear(40, 32, Rgba(0.25f, 0.75f, 0.25f, 1.f), 2));
    EXPECT_TRUE(PixelNear(10, 32, 0xFF000000u, 0));
    EXPECT_TRUE(PixelNear(40, 8, 0xFF000000u, 0));
    const std::vector<uint32_t> rows =
        DrawSkinned("dp4 r0.x, v0, c[a0.x + 9]\ndp4 r0.y, v0, c[a0.x + 10]\ndp4 r0.z, v0, c[a0.x + 11]\n"
                    "dp3 r3.x, v2, c[a0.x + 9]\ndp3 r3.y, v2, c[a0.x + 10]\ndp3 r3.z, v2, c[a0.x + 11]\n");
    ASSERT_FALSE(macro.empty());
    EXPECT_EQ(macro, rows);
}

// Every macro against its rows of dot products, with a nonzero offset.
TEST_F(RelativeMatrices, EveryMacroReadsOffsetRows)
{
    struct Case {
        const char* macro;
        int rows;
        bool four; // dp4 rows, else dp3
        float r, g, b;
    };
    // c21-c24 against (0.5, 1, 0.75, 1); c20 would be read by a row off by one.
    const Case cases[] = {{"m4x4", 4, true, 0.9375f, 0.875f, 0.78125f},
                          {"m4x3", 3, true, 0.9375f, 0.875f, 0.78125f},
                          {"m3x4", 4, false, 0.6875f, 0.5f, 0.28125f},
                          {"m3x3", 3, false, 0.6875f, 0.5f, 0.28125f},
                          {"m3x2", 2, false, 0.6875f, 0.5f, 0.f}};
    const char* comp = "xyzw";
    SetConstant(0, 2.f, 0.f, 0.f, 0.f);
    SetConstant(20, 0.5f, 0.25f, 0.f, 0.125f);
    SetConstant(21, 0.f, 0.5f, 0.25f, 0.25f);
    SetConstant(22, 0.25f, 0.f, 0.5f, 0.375f);
    SetConstant(23, 0.125f, 0.125f, 0.125f, 0.5f);
    SetConstant(24, 0.75f, 0.5f, 0.25f, 0.f);
    // The unwritten components of the result stay 0.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.macro);
        const std::string head = "vs.1.1\nmov oPos, v0\nmov a0.x, c0.x\nmov r1, c1\nmov r0, c2\n";
        std::string dots;
        for (int r = 0; r < c.rows; ++r)
            dots += std::string(c.four ? "dp4" : "dp3") + " r0." + comp[r] + ", r1, c[a0.x + " +
                    std::to_string(19 + r) + "]\n";
        const std::string tail = "mov oD0, r0\n";
        SetConstant(1, 0.5f, 1.f, 0.75f, 1.f);
        SetConstant(2, 0.f, 0.f, 0.f, 0.f);
        std::vector<uint32_t> images[2];
        const std::string mask = c.rows == 4 ? "" : c.rows == 3 ? ".xyz" : ".xy";
        const std::string bodies[2] = {std::string(c.macro) + " r0" + mask + ", r1, c[a0.x + 19]\n", dots};
        for (int i = 0; i < 2; ++i) {
            const DWORD vs = CreateVs(QuadDeclaration(), head + bodies[i] + tail);
            ASSERT_NE(vs, 0u);
            ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
            ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080u, 1.f, 0), D3D_OK);
            DrawClipQuad();
            images[i] = Read();
        }
        ASSERT_FALSE(images[0].empty());
        EXPECT_EQ(images[0], images[1]);
        EXPECT_TRUE(PixelNear(32, 32, Rgba(c.r, c.g, c.b, 1.f), 1));
    }
}

} // namespace
} // namespace shadertest
