// Each vertex shader instruction's result, written to oD0 and read back.
#include <cmath>

#include "shader_fixture.h"

namespace shadertest {
namespace {

struct VsCase {
    const char* name;
    const char* code; // after "mov oPos, v0"
    float r, g, b;
};

// r8 = c0, r9 = c3, r10 = c2, r11 = c1 and r0 = 0 on entry (one constant
// register per instruction).
const VsCase kVsCases[] = {
    {"mov", "mov oD0, c0", 0.25f, 0.5f, 0.75f},
    {"add", "add oD0, r8, c3", 0.375f, 0.75f, 1.f},
    {"sub", "sub oD0, r8, c3", 0.125f, 0.25f, 0.25f},
    {"mul_replicate", "mul oD0, r8, c3.y", 0.0625f, 0.125f, 0.1875f},
    {"mad", "mad oD0, r8, r10.z, c2.x", 0.f, 0.5f, 1.f},
    {"rcp", "rcp r0.x, c1.x\nrcp r0.y, c1.y\nrcp r0.z, c3.w\nmov oD0, r0", 0.25f, 0.0625f, 1.f / 6.f},
    {"rsq_abs", "rsq r0.xz, c1.y\nrsq r0.y, -c1.x\nmov oD0, r0", 0.25f, 0.5f, 0.25f},
    {"dp3", "dp3 oD0, r8, c3", 0.53125f, 0.53125f, 0.53125f},
    {"dp4", "mul r1, r8, c3.x\ndp4 oD0, r1, c0", 0.234375f, 0.234375f, 0.234375f},
    {"min_max", "min r0.xy, r8, c3\nmax r0.z, r8, c3\nmov oD0, r0", 0.125f, 0.25f, 0.75f},
    {"slt_sge", "slt r0.x, r9.x, c0.x\nsge r0.y, r9.x, c0.x\nsge r0.z, r8.y, c0.y\nmov oD0, r0", 1.f, 0.f, 1.f},
    {"exp", "exp r0, c2.w\nexp r0.y, c2.x\nmov oD0, r0", 0.594604f, 0.707107f, 0.594604f},
    {"log_abs", "def c10, -0.5, -0.25, 0.25, 0\nlog r0.xy, c3.z\nlog r0.z, -c1.x\nmul oD0, r0, c10", 0.5f, 0.25f, 0.5f},
    {"expp", "expp r0, c2.w\nmov oD0, r0", 0.5f, 0.25f, 0.594604f},
    {"logp", "def c10, 0.25, 0.5, 0.25, 0\nlogp r0, c3.w\nmul oD0, r0, c10", 0.5f, 0.75f, 0.646241f},
    {"lit", "def c11, 0.5, 0.5, 0, 2\nlit oD0, c11", 1.f, 0.5f, 0.25f},
    {"lit_facing_away", "def c11, -0.5, 0.5, 0, 2\nlit oD0, c11", 1.f, 0.f, 0.f},
    {"dst", "def c12, 9, 0.5, 0.75, 9\ndef c13, 9, 0.5, 9, 0.25\nmov r1, c12\ndst oD0, r1, c13", 1.f, 0.25f, 0.75f},
    {"frc", "def c14, 1.25, -0.25, 0, 0\nfrc r0.xy, c14\nmov oD0, r0", 0.25f, 0.75f, 0.f},
    {"m4x4", "def c4, 0, 1, 0, 0\ndef c5, 1, 0, 0, 0\ndef c6, 0, 0, 0.5, 0.25\ndef c7, 0, 0, 0, 0\nm4x4 oD0, r8, c4",
     0.5f, 0.25f, 0.625f},
    {"m3x3", "def c4, 0, 1, 0, 0\ndef c5, 1, 0, 0, 0\ndef c6, 0, 0, 0.5, 0.25\nm3x3 oD0.xyz, r8, c4", 0.5f, 0.25f,
     0.375f},
    {"m4x3", "def c4, 0, 1, 0, 0\ndef c5, 1, 0, 0, 0\ndef c6, 0, 0, 0.5, 0.25\nm4x3 oD0.xyz, r8, c4", 0.5f, 0.25f,
     0.625f},
    {"m3x4",
     "def c4, 0, 1, 0, 0\ndef c5, 1, 0, 0, 0\ndef c6, 0, 0, 0.5, 0.25\ndef c7, 1, 1, 1, 1\n"
     "m3x4 r0, r8, c4\nmul oD0, r0, r0.w",
     0.75f, 0.375f, 0.5625f},
    {"m3x2", "def c4, 0, 1, 0, 0\ndef c5, 1, 0, 0, 0\nmov r0, c3\nm3x2 r0.xy, r8, c4\nmov oD0, r0", 0.5f, 0.25f, 0.5f},
    {"relative", "mov a0.x, c1.w\nmov oD0, c[a0.x + 2]", 0.1f, 0.2f, 0.3f},
    {"relative_floors", "mov a0.x, c9.x\nmov oD0, c[a0.x + 3]", 0.6f, 0.7f, 0.8f},
    {"relative_outside_reads_zero", "mov a0.x, c9.y\nadd oD0, r8, c[a0.x + 1]", 0.25f, 0.5f, 0.75f},
    {"negate_swizzle", "mov oD0, -c2.wzyx", 0.75f, 0.f, 0.f},
    {"write_mask", "mov r0, c0\nmov r0.y, c3.x\nmov oD0, r0", 0.25f, 0.125f, 0.75f},
    {"colour_clamped", "mov oD0, c2", 0.f, 1.f, 1.f},
};

class VertexOps : public ShaderTest, public ::testing::WithParamInterface<VsCase> {};

TEST_P(VertexOps, WritesExpectedColour)
{
    const VsCase& c = GetParam();
    DWORD vs =
        CreateVs(QuadDeclaration(),
                 std::string("vs.1.1\nmov oPos, v0\nmov r8, c0\nmov r9, c3\nmov r10, c2\nmov r11, c1\nmov r0, c9.z\n") +
                     c.code + "\n");
    ASSERT_NE(vs, 0u);
    SetConstant(0, 0.25f, 0.5f, 0.75f, 1.f);
    SetConstant(1, 4.f, 16.f, 0.5f, 2.f);
    SetConstant(2, -0.5f, 1.5f, 2.f, -0.75f);
    SetConstant(3, 0.125f, 0.25f, 0.5f, 6.f);
    SetConstant(4, 0.1f, 0.2f, 0.3f, 1.f);
    SetConstant(5, 0.6f, 0.7f, 0.8f, 1.f);
    SetConstant(9, 2.7f, 300.f, 0.f, 0.f);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    DrawClipQuad();
    EXPECT_TRUE(PixelNear(32, 32, Rgba(c.r, c.g, c.b, 1.f), 2));
}

INSTANTIATE_TEST_SUITE_P(Table, VertexOps, ::testing::ValuesIn(kVsCases),
                         [](const ::testing::TestParamInfo<VsCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace shadertest
