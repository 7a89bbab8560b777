// Shader objects: handles, stored declarations and functions, constants
// loaded from declarations, refusal of malformed token streams.
#include <cstring>

#include "d3d8shadertokens.h"
#include "shader_fixture.h"

namespace shadertest {
namespace {

using ShaderObjects = ShaderTest;

TEST_F(ShaderObjects, HandlesStoredTokensAndDeletion)
{
    std::vector<DWORD> decl = QuadDeclaration();
    std::vector<DWORD> code = Assemble("vs.1.1\nmov oPos, v0\nmov oD0, c0\n");
    DWORD vs = 0, vs2 = 0;
    ASSERT_EQ(dev->CreateVertexShader(decl.data(), code.data(), &vs, 0), D3D_OK);
    ASSERT_EQ(dev->CreateVertexShader(decl.data(), nullptr, &vs2, 0), D3D_OK);
    EXPECT_EQ(vs & 1, 1u); // never an FVF code
    EXPECT_NE(vs, vs2);

    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    DWORD current = 0;
    ASSERT_EQ(dev->GetVertexShader(&current), D3D_OK);
    EXPECT_EQ(current, vs);

    DWORD size = 0;
    ASSERT_EQ(dev->GetVertexShaderDeclaration(vs, nullptr, &size), D3D_OK);
    EXPECT_EQ(size, decl.size() * 4);
    std::vector<DWORD> back(size / 4);
    DWORD small = 4;
    EXPECT_EQ(dev->GetVertexShaderDeclaration(vs, back.data(), &small), D3DERR_MOREDATA);
    ASSERT_EQ(dev->GetVertexShaderDeclaration(vs, back.data(), &size), D3D_OK);
    EXPECT_EQ(back, decl);
    ASSERT_EQ(dev->GetVertexShaderFunction(vs, nullptr, &size), D3D_OK);
    EXPECT_EQ(size, code.size() * 4);
    back.resize(size / 4);
    ASSERT_EQ(dev->GetVertexShaderFunction(vs, back.data(), &size), D3D_OK);
    EXPECT_EQ(back, code);
    ASSERT_EQ(dev->GetVertexShaderFunction(vs2, nullptr, &size), D3D_OK);
    EXPECT_EQ(size, 0u); // fixed-function processing fed through the declaration

    std::vector<DWORD> pcode = Assemble("ps.1.1\nmov r0, v0\n");
    DWORD ps = 0;
    ASSERT_EQ(dev->CreatePixelShader(pcode.data(), &ps), D3D_OK);
    EXPECT_NE(ps, 0u);
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    ASSERT_EQ(dev->GetPixelShader(&current), D3D_OK);
    EXPECT_EQ(current, ps);
    ASSERT_EQ(dev->GetPixelShaderFunction(ps, nullptr, &size), D3D_OK);
    back.resize(size / 4);
    ASSERT_EQ(dev->GetPixelShaderFunction(ps, back.data(), &size), D3D_OK);
    EXPECT_EQ(back, pcode);

    ASSERT_EQ(dev->SetPixelShader(0), D3D_OK);
    ASSERT_EQ(dev->DeletePixelShader(ps), D3D_OK);
    EXPECT_EQ(dev->DeletePixelShader(ps), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShader(ps), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->DeleteVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->DeleteVertexShader(vs2), D3D_OK);
    EXPECT_EQ(dev->DeleteVertexShader(vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShader(vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->GetVertexShaderDeclaration(vs, nullptr, &size), D3DERR_INVALIDCALL);
    // A deleted shader that is still set draws nothing.
    struct V {
        float x, y, z, u, v;
    } q[3] = {};
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, q, sizeof(V)), D3DERR_INVALIDCALL);
}

TEST_F(ShaderObjects, DeclarationConstantsLoadWhenSet)
{
    const float k[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<DWORD> decl = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_CONST(94, 2)};
    for (float f : k) {
        DWORD d;
        std::memcpy(&d, &f, 4);
        decl.push_back(d);
    }
    decl.push_back(D3DVSD_END());
    DWORD vs = CreateVs(decl, "vs.1.1\nmov oPos, v0\n");
    float back[8] = {};
    ASSERT_EQ(dev->GetVertexShaderConstant(94, back, 2), D3D_OK);
    EXPECT_NE(back[7], 8.f); // not before the shader is set
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->GetVertexShaderConstant(94, back, 2), D3D_OK);
    EXPECT_EQ(std::memcmp(back, k, sizeof(k)), 0);
    D3DCAPS8 caps{};
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.MaxVertexShaderConst, 256u);
}

struct Malformed {
    const char* name;
    bool vertex;
    std::vector<DWORD> decl; // vertex shaders
    std::vector<DWORD> code; // empty: the declaration alone is at fault
};

const DWORD kPos = D3DVSD_REG(0, D3DVSDT_FLOAT3);
const DWORD kVs = D3DVS_VERSION(1, 1), kPs = D3DPS_VERSION(1, 1), kPs14 = D3DPS_VERSION(1, 4);
// Parameter tokens.
constexpr DWORD Reg(DWORD type, DWORD n, DWORD extra)
{
    return 0x80000000u | (type << D3DSP_REGTYPE_SHIFT) | n | extra;
}
const DWORD kOPos = Reg(D3DSPR_RASTOUT, 0, D3DSP_WRITEMASK_ALL);
const DWORD kV0 = Reg(D3DSPR_INPUT, 0, D3DSP_NOSWIZZLE);
const DWORD kR0 = Reg(D3DSPR_TEMP, 0, D3DSP_WRITEMASK_ALL);
const DWORD kT0 = Reg(D3DSPR_TEXTURE, 0, D3DSP_WRITEMASK_ALL);
const DWORD kT1 = Reg(D3DSPR_TEXTURE, 1, D3DSP_WRITEMASK_ALL);
const DWORD kT0s = Reg(D3DSPR_TEXTURE, 0, D3DSP_NOSWIZZLE);
const std::vector<DWORD> kDecl = {D3DVSD_STREAM(0), kPos, D3DVSD_END()};

const Malformed kMalformed[] = {
    {"no_end", true, kDecl, {kVs, D3DSIO_MOV, kOPos, kV0}},
    {"truncated_parameter", true, kDecl, {kVs, D3DSIO_MOV, kOPos}},
    {"pixel_version_as_vertex", true, kDecl, {kPs, D3DSIO_MOV, kOPos, kV0, D3DVS_END()}},
    {"version_2", true, kDecl, {D3DVS_VERSION(2, 0), D3DVS_END()}},
    {"unknown_opcode", true, kDecl, {kVs, 200, kOPos, kV0, D3DVS_END()}},
    {"pixel_opcode_in_vertex", true, kDecl, {kVs, D3DSIO_CND, kOPos, kV0, kV0, kV0, D3DVS_END()}},
    {"temp_out_of_range", true, kDecl, {kVs, D3DSIO_MOV, Reg(D3DSPR_TEMP, 12, D3DSP_WRITEMASK_ALL), kV0, D3DVS_END()}},
    {"input_out_of_range", true, kDecl, {kVs, D3DSIO_MOV, kOPos, Reg(D3DSPR_INPUT, 16, D3DSP_NOSWIZZLE), D3DVS_END()}},
    {"constant_out_of_range",
     true,
     kDecl,
     {kVs, D3DSIO_MOV, kOPos, Reg(D3DSPR_CONST, 256, D3DSP_NOSWIZZLE), D3DVS_END()}},
    {"relative_temp",
     true,
     kDecl,
     {kVs, D3DSIO_MOV, kOPos, Reg(D3DSPR_TEMP, 0, D3DSP_NOSWIZZLE | D3DVS_ADDRMODE_RELATIVE), D3DVS_END()}},
    {"matrix_rows_past_the_end",
     true,
     kDecl,
     {kVs, D3DSIO_M4x4, kOPos, kV0, Reg(D3DSPR_CONST, 254, D3DSP_NOSWIZZLE), D3DVS_END()}},
    {"output_read", true, kDecl, {kVs, D3DSIO_MOV, kR0, Reg(D3DSPR_RASTOUT, 0, D3DSP_NOSWIZZLE), D3DVS_END()}},
    {"comment_past_end", true, kDecl, {kVs, D3DSHADER_COMMENT(100), D3DVS_END()}},
    {"declaration_without_stream", true, {kPos, D3DVSD_END()}, {}},
    {"declaration_bad_type", true, {D3DVSD_STREAM(0), D3DVSD_REG(0, 9), D3DVSD_END()}, {}},
    {"declaration_register_twice", true, {D3DVSD_STREAM(0), kPos, kPos, D3DVSD_END()}, {}},
    {"declaration_tessellator", true, {D3DVSD_STREAM(0), kPos, 0x60000000u, D3DVSD_END()}, {}},
    {"ps_texture_register_out_of_range",
     false,
     {},
     {kPs, D3DSIO_TEX, Reg(D3DSPR_TEXTURE, 4, D3DSP_WRITEMASK_ALL), D3DPS_END()}},
    {"ps_texm3x3tex_without_pads", false, {}, {kPs, D3DSIO_TEX, kT0, D3DSIO_TEXM3x3TEX, kT1, kT0s, D3DPS_END()}},
    {"ps_unfinished_matrix", false, {}, {kPs, D3DSIO_TEX, kT0, D3DSIO_TEXM3x3PAD, kT1, kT0s, D3DPS_END()}},
    {"ps_coissue_first", false, {}, {kPs, D3DSIO_MOV | D3DSI_COISSUE, kR0, kT0s, D3DPS_END()}},
    {"ps_texbem_reads_later_stage",
     false,
     {},
     {kPs, D3DSIO_TEXBEM, kT0, Reg(D3DSPR_TEXTURE, 1, D3DSP_NOSWIZZLE), D3DPS_END()}},
    {"ps_vertex_opcode", false, {}, {kPs, D3DSIO_RCP, kR0, kT0s, D3DPS_END()}},
    {"ps14_texture_register_in_arithmetic", false, {}, {kPs14, D3DSIO_MOV, kR0, kT0s, D3DPS_END()}},
    {"ps14_two_phases", false, {}, {kPs14, D3DSIO_PHASE, D3DSIO_PHASE, D3DPS_END()}},
    {"ps_phase_before_14", false, {}, {kPs, D3DSIO_PHASE, D3DPS_END()}},
    {"ps_constant_out_of_range", false, {}, {kPs, D3DSIO_MOV, kR0, Reg(D3DSPR_CONST, 8, D3DSP_NOSWIZZLE), D3DPS_END()}},
};

class MalformedStreams : public ShaderTest, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedStreams, FailCreation)
{
    const Malformed& m = GetParam();
    // Room past the stream: a reader running on meets stray parameter tokens, not foreign memory.
    std::vector<DWORD> code = m.code;
    code.resize(code.size() + 256, 0x80000000u);
    DWORD h = 0xDEAD;
    if (m.vertex)
        EXPECT_EQ(dev->CreateVertexShader(m.decl.data(), m.code.empty() ? nullptr : code.data(), &h, 0),
                  D3DERR_INVALIDCALL);
    else
        EXPECT_EQ(dev->CreatePixelShader(code.data(), &h), D3DERR_INVALIDCALL);
    EXPECT_EQ(h, 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedStreams, ::testing::ValuesIn(kMalformed),
                         [](const ::testing::TestParamInfo<Malformed>& i) { return std::string(i.param.name); });

// A shader draws a locked vertex buffer from the bytes it holds now, as the
// fixed-function path does (dynamic buffers are drawn between locks).
TEST_F(ShaderObjects, LockedBuffersDrawFromWhatTheyHold)
{
    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmov oD0, c0\n");
    ASSERT_NE(vs, 0u);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    SetConstant(0, 0.f, 1.f, 0.f, 1.f);
    struct V {
        float x, y, z, u, v;
    };
    const V quad[4] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    BYTE* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, quad, sizeof quad);
    ASSERT_EQ(dev->SetStreamSource(0, vb, sizeof(V)), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_TRUE(PixelNear(32, 32, 0x00FF00, 2));
    vb->Unlock();
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST_F(ShaderObjects, CountersCountDrawsAndPrograms)
{
    DWORD vs = CreateVs(QuadDeclaration(), "vs.1.1\nmov oPos, v0\nmov oD0, c0\n");
    DWORD ps = CreatePs("ps.1.1\nmov r0, v0\n");
    host::D3D8ResetCounters();
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    DrawClipQuad();
    DrawClipQuad();
    ASSERT_EQ(dev->SetPixelShader(ps), D3D_OK);
    DrawClipQuad();
    DrawClipQuad();
    const host::D3D8Counters c = host::D3D8GetCounters();
    EXPECT_EQ(c.drawCalls, 4u);
    EXPECT_EQ(c.programsBuilt, 2u); // one per combination
}

} // namespace
} // namespace shadertest
