// Each pixel shader instruction and modifier, the result in r0 read back.
#include "shader_fixture.h"

namespace shadertest {
namespace {

struct PsCase {
    const char* name;
    const char* code;
    float r, g, b;
};

// c0 = (0.25, 0.5, 0.75, 1), c1 = (0.5, 0.25, 0.125, 0.75), c2 = (-0.5, 0.6, 0.1, 0.25), c3 = 0.5,
// c4 = (1, 1, 0, 0); v0 = (0.25, 0.5, 0.75, 1); t0 = the coordinates (0.5, 0.5) at the probe.
const PsCase kPsCases[] = {
    {"mov", "ps.1.1\nmov r0, c0", 0.25f, 0.5f, 0.75f},
    {"add", "ps.1.1\nadd r0, c0, c1", 0.75f, 0.75f, 0.875f},
    {"sub", "ps.1.1\nsub r0, c0, c1", 0.f, 0.25f, 0.625f},
    {"mul", "ps.1.1\nmul r0, c0, c1", 0.125f, 0.125f, 0.09375f},
    {"mad", "ps.1.1\nmad r0, c0, c1, c1", 0.625f, 0.375f, 0.21875f},
    {"lrp", "ps.1.1\nmov r1, c3\nlrp r0, r1, c0, c1", 0.375f, 0.375f, 0.4375f},
    {"dp3", "ps.1.1\ndp3 r0, c0, c1", 0.34375f, 0.34375f, 0.34375f},
    {"dp4", "ps.1.2\ndp4 r0, c1, c1", 0.890625f, 0.890625f, 0.890625f},
    {"cnd_true", "ps.1.1\nmov r0, c1\ncnd r0, r0.a, c0, c2", 0.25f, 0.5f, 0.75f},
    {"cnd_false", "ps.1.1\nmov r0, c2\ncnd r0, r0.a, c0, c1", 0.5f, 0.25f, 0.125f},
    {"cmp", "ps.1.2\nmov r1, c2\ncmp r0, r1, c0, c1", 0.5f, 0.5f, 0.75f},
    {"diffuse_input", "ps.1.1\nmov r0, v0", 0.25f, 0.5f, 0.75f},
    {"bias", "ps.1.1\nmov r1, c0\nmov r0, r1_bias", 0.f, 0.f, 0.25f},
    {"bx2", "ps.1.1\nmov r1, c0\nadd r0, r1_bx2, c3", 0.f, 0.5f, 1.f},
    {"dest_x2", "ps.1.1\nmul_x2 r0, c0, c1", 0.25f, 0.25f, 0.1875f},
    {"dest_x4", "ps.1.1\nmul_x4 r0, c0, c1", 0.5f, 0.5f, 0.375f},
    {"dest_d2", "ps.1.1\nadd_d2 r0, c0, c1", 0.375f, 0.375f, 0.4375f},
    {"negate", "ps.1.1\nadd r0, -c2, c3", 1.f, 0.f, 0.4f},
    {"complement", "ps.1.1\nmov r1, c1\nmov r0, 1-r1", 0.5f, 0.75f, 0.875f},
    {"replicate_alpha", "ps.1.1\nmov r0, c1.a", 0.75f, 0.75f, 0.75f},
    {"replicate_blue", "ps.1.1\nmov r0, c1.b", 0.125f, 0.125f, 0.125f},
    // Registers hold [-8, 8] in every version: 1.5 stays 1.5 until the output.
    {"range_8", "ps.1.1\nadd_x2 r1, c0, c1\nsub r0, r1, c3", 1.f, 1.f, 1.f},
    {"range_clamped_at_8", "ps.1.1\nadd_x4 r1, c0, c0\nadd_x4 r1, r1, r1\nmul_d2 r0, r1, c1.b", 0.5f, 0.5f, 0.5f},
    {"above_one_scaled_back_coissued",
     "ps.1.3\nadd_x4 r1, c0, c0\nmov r0, c3\nmul_d2 r0.rgb, r1, c1.b\n+cnd r0.a, r0.a, c0, c1", 0.125f, 0.25f, 0.375f},
    {"coissue_reads_before_writes", "ps.1.1\nmov r1, c1\nmov r1.rgb, c0\n+add r1.a, r1.b, c3.b\nmov r0, r1.a", 0.625f,
     0.625f, 0.625f},
    {"texcoord", "ps.1.1\ntexcoord t0\nmul r0, t0, c4", 0.5f, 0.5f, 0.f},
    // Two-component coordinates without a transform arrive with z = 0.
    {"texcoord_missing_z", "ps.1.1\ntexcoord t0\nmov r0, t0.b", 0.f, 0.f, 0.f},
    {"texcrd_missing_z_14", "ps.1.4\ntexcrd r1.rgb, t0\ncnd r0, r1.b, c0, c1", 0.5f, 0.25f, 0.125f},
    // ps 1.4 registers reach 8.
    {"range_14", "ps.1.4\nadd_x2 r1, c0, c1\nsub r0, r1, c3", 1.f, 1.f, 1.f},
    {"sat_14", "ps.1.4\nadd_x2_sat r1, c0, c1\nsub r0, r1, c3", 0.5f, 0.5f, 0.5f},
    {"source_x2_14", "ps.1.4\nmov r1, c1\nmov r0, r1_x2", 1.f, 0.5f, 0.25f},
    {"cnd_per_component_14", "ps.1.4\nmov r1, c2\ncnd r0, r1, c0, c1", 0.5f, 0.5f, 0.125f},
    {"texcrd_14", "ps.1.4\ntexcrd r1.rgb, t0\nmul r0, r1, c4", 0.5f, 0.5f, 0.f},
    {"phase_keeps_registers_14", "ps.1.4\ntexcrd r1.rgb, t0\nphase\nmad r0, r1, c4, v0", 0.75f, 1.f, 0.75f},
};

class PixelOps : public ShaderTest, public ::testing::WithParamInterface<PsCase> {};

TEST_P(PixelOps, WritesExpectedColour)
{
    const PsCase& c = GetParam();
    DWORD ps = CreatePs(c.code);
    ASSERT_NE(ps, 0u);
    SetPsConstant(0, 0.25f, 0.5f, 0.75f, 1.f);
    SetPsConstant(1, 0.5f, 0.25f, 0.125f, 0.75f);
    SetPsConstant(2, -0.5f, 0.6f, 0.1f, 0.25f);
    SetPsConstant(3, 0.5f, 0.5f, 0.5f, 0.5f);
    SetPsConstant(4, 1.f, 1.f, 0.f, 0.f);
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    // Texture coordinates 0..1 over the target meet (0.5, 0.5) at the probe's corner.
    DrawTexturedQuad(0, 0, 64, 64, 0xFF4080C0, -0.5f / 64, -0.5f / 64, 1 - 0.5f / 64, 1 - 0.5f / 64);
    EXPECT_TRUE(PixelNear(32, 32, Rgba(c.r, c.g, c.b, 1.f), 2));
}

INSTANTIATE_TEST_SUITE_P(Table, PixelOps, ::testing::ValuesIn(kPsCases),
                         [](const ::testing::TestParamInfo<PsCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace shadertest
