#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "d3d8shadertokens.h"
#include "d3dx8.h"
#include "d3dx8/shader_tokens.h"
#include "d3dx_assemble.h"

namespace {
DWORD FloatBits(float f)
{
    DWORD d;
    std::memcpy(&d, &f, sizeof(d));
    return d;
}
} // namespace

TEST(D3DXAssembler, VertexShaderTokens)
{
    const AssembleResult r = AssembleText("vs.1.1\n"
                                          "m4x4 oPos, v0, c0\n"
                                          "mov oD0, c4.x\n"
                                          "mov oT0.xy, v7\n"
                                          "mov a0.x, v2.x\n"
                                          "dp4 r0.x, v0, c[a0.x + 18]\n"
                                          "add r1, -r0.wzyx, c[ 5 + a0.x ].y\n"
                                          "mov oFog, r1.z\n");
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    const std::vector<DWORD> expected = {
        0xFFFE0101, D3DSIO_M4x4, 0xC00F0000, 0x90E40000, 0xA0E40000, D3DSIO_MOV, 0xD00F0000, 0xA0000004, D3DSIO_MOV,
        0xE0030000, 0x90E40007,  D3DSIO_MOV, 0xB0010000, 0x90000002, D3DSIO_DP4, 0x80010000, 0x90E40000, 0xA0E42012,
        D3DSIO_ADD, 0x800F0001,  0x811B0000, 0xA0552005, D3DSIO_MOV, 0xC0010001, 0x80AA0001, 0x0000FFFF};
    EXPECT_EQ(r.code, expected);
    EXPECT_TRUE(r.constants.empty());
}

TEST(D3DXAssembler, MatrixMacrosTakeRelativeAddresses)
{
    // A skinning shader's palette reads: every macro keeps the relative flag
    // and its offset; the device reads row n at c[a0.x + offset + n].
    const AssembleResult r = AssembleText("vs.1.1\n"
                                          "mov a0.x, v1.x\n"
                                          "m4x3 r0.xyz, v0, c[a0.x]\n"
                                          "m3x3 r3.xyz, v2, c[a0.x + 9]\n"
                                          "m4x4 oPos, v0, c[a0.x + 20]\n"
                                          "m3x4 r1, v2, c[7 + a0.x]\n"
                                          "m3x2 r2.xy, v2, c[a0.x + 1]\n");
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    const std::vector<DWORD> expected = {
        0xFFFE0101, D3DSIO_MOV, 0xB0010000,  0x90000001,  D3DSIO_M4x3, 0x80070000, 0x90E40000, 0xA0E42000,  D3DSIO_M3x3,
        0x80070003, 0x90E40002, 0xA0E42009,  D3DSIO_M4x4, 0xC00F0000,  0x90E40000, 0xA0E42014, D3DSIO_M3x4, 0x800F0001,
        0x90E40002, 0xA0E42007, D3DSIO_M3x2, 0x80030002,  0x90E40002,  0xA0E42001, 0x0000FFFF};
    EXPECT_EQ(r.code, expected);
    const AssembleResult early = AssembleText("vs.1.1\nm4x4 oPos, v0, c[a0.x + 4]\n");
    EXPECT_NE(early.errors.find("(2): error: a0 is read before it is written"), std::string::npos) << early.errors;
}

TEST(D3DXAssembler, PixelShaderTokens)
{
    const AssembleResult r = AssembleText("ps.1.1\n"
                                          "def c2, 1.0, 0.5f, 0, -1\n"
                                          "tex t0\n"
                                          "texm3x2pad t1, t0_bx2\n"
                                          "texm3x2tex t2, t0_bx2\n"
                                          "mul_x2_sat r0.rgb, t0_bx2, v0\n"
                                          "+mov r0.a, 1-c1.a\n"
                                          "lrp_d2 r1, -t1_bias, r0.b, -t2\n"
                                          "cnd r0, r0.a, r1, c2\n");
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    const std::vector<DWORD> expected = {
        0xFFFF0101, D3DSIO_DEF,       0xA00F0002,        FloatBits(1.0f), FloatBits(0.5f),
        0,          FloatBits(-1.0f), D3DSIO_TEX,        0xB00F0000,      D3DSIO_TEXM3x2PAD,
        0xB00F0001, 0xB4E40000,       D3DSIO_TEXM3x2TEX, 0xB00F0002,      0xB4E40000,
        D3DSIO_MUL, 0x81170000,       0xB4E40000,        0x90E40000,      D3DSIO_MOV | D3DSI_COISSUE,
        0x80080000, 0xA6FF0001,       D3DSIO_LRP,        0x8F0F0001,      0xB3E40001,
        0x80AA0000, 0xB1E40002,       D3DSIO_CND,        0x800F0000,      0x80FF0000,
        0x80E40001, 0xA0E40002,       0x0000FFFF};
    EXPECT_EQ(r.code, expected);
}

TEST(D3DXAssembler, PixelShader14Tokens)
{
    const AssembleResult r = AssembleText("ps.1.4\n"
                                          "texld r0, t0\n"
                                          "texcrd r1.rgb, t1_dw.xyw\n"
                                          "bem r2.rg, r0, r1\n"
                                          "phase\n"
                                          "texld r3, r2_dz\n"
                                          "mul_x8 r0, r3, v0\n"
                                          "add r0.rgb, r0_x2, -r1.g\n");
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    const std::vector<DWORD> expected = {0xFFFF0104, D3DSIO_TEX, 0x800F0000, 0xB0E40000, D3DSIO_TEXCOORD, 0x80070001,
                                         0xBAF40001, D3DSIO_BEM, 0x80030002, 0x80E40000, 0x80E40001,      D3DSIO_PHASE,
                                         D3DSIO_TEX, 0x800F0003, 0x89E40002, D3DSIO_MUL, 0x830F0000,      0x80E40003,
                                         0x90E40000, D3DSIO_ADD, 0x80070000, 0x87E40000, 0x81550001,      0x0000FFFF};
    EXPECT_EQ(r.code, expected);
}

TEST(D3DXAssembler, VertexDefsGoToTheConstantDeclaration)
{
    const AssembleResult r = AssembleText("vs.1.1\ndef c7, 1, 2.5, -3, 0.25\nmov oPos, c7\n");
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    const std::vector<DWORD> code = {0xFFFE0101, D3DSIO_MOV, 0xC00F0000, 0xA0E40007, 0x0000FFFF};
    EXPECT_EQ(r.code, code);
    const std::vector<DWORD> constants = {D3DVSD_CONST(7, 1), FloatBits(1), FloatBits(2.5f), FloatBits(-3),
                                          FloatBits(0.25f)};
    EXPECT_EQ(r.constants, constants);
}

TEST(D3DXAssembler, CommentsBlankLinesAndVersionForms)
{
    const AssembleResult r = AssembleText("; leading comment\r\n"
                                          "\r\n"
                                          "  VS_1_1   // version in the other spelling\r\n"
                                          "/* a block\r\n"
                                          "   comment */ mov oPos, v0 ; trailing\r\n"
                                          "MOV oD0, V5\r\n");
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    const std::vector<DWORD> expected = {0xFFFE0101, D3DSIO_MOV, 0xC00F0000, 0x90E40000,
                                         D3DSIO_MOV, 0xD00F0000, 0x90E40005, 0x0000FFFF};
    EXPECT_EQ(r.code, expected);
    EXPECT_EQ(AssembleText("vs.1.0\nmov oPos, v0").code.front(), 0xFFFE0100u);
    for (int minor = 0; minor <= 4; ++minor) {
        const std::string text = "ps.1." + std::to_string(minor) + "\nmov r0, v0\n";
        const AssembleResult p = AssembleText(text);
        ASSERT_EQ(p.hr, S_OK) << text << p.errors;
        EXPECT_EQ(p.code.front(), 0xFFFF0100u + (DWORD)minor);
    }
}

TEST(D3DXAssembler, ErrorsNameTheLine)
{
    struct Case {
        const char* text;
        const char* message; // "(line): error: ..." must contain this
    };
    std::string tooLong = "vs.1.1\nmov oPos, v0\n";
    for (int i = 0; i < 128; ++i) tooLong += "mov r0, v0\n";
    std::string tooLongMacros = "vs.1.1\n";
    for (int i = 0; i < 32; ++i) tooLongMacros += "m4x4 oPos, v0, c0\n";
    tooLongMacros += "mov r0, v0\n"; // slot 129
    std::string texTooMany = "ps.1.1\n";
    for (int i = 0; i < 4; ++i) texTooMany += "tex t" + std::to_string(i) + "\n";
    texTooMany += "texkill t1\nmov r0, t0\n";
    std::string arithTooMany = "ps.1.1\n";
    for (int i = 0; i < 9; ++i) arithTooMany += "mov r0, v0\n";
    const std::string tooLongText = tooLong;
    const std::string tooLongMacroText = tooLongMacros;

    const Case cases[] = {
        {"", "(1): error: the shader is empty"},
        {"vs.1.1\nmov oPos, v0 /* left\nopen\n", "(2): error: the comment opened here is not closed"},
        {"mov r0, v0\n", "(1): error: expected a version"},
        {"vs.2.0\nmov oPos, v0\n", "(1): error: expected a version"},
        {"vs.1.1\nfoo r0, v0\n", "(2): error: unknown instruction 'foo'"},
        {"vs.1.1\nmov oPos, v0\nvs.1.1\n", "(3): error: the version may be given only once"},
        {"vs.1.1\nmov oPos, v0\nadd r0, v0, v1\n", "(3): error: only one input register"},
        {"vs.1.1\nmov oPos, v0\nadd r0, c0, c1\n", "(3): error: only one constant register"},
        {"vs.1.1\nmov oPos, r0\n", "(2): error: r0 is read before it is written"},
        {"vs.1.1\nmov oPos, v0\nmov r12, v0\n", "(3): error: temporary register r12 out of range"},
        {"vs.1.1\nmov oPos, c96\n", "(2): error: constant register c96 out of range"},
        {"vs.1.1\nm4x4 oPos, v0, c93\n", "(2): error: constant register c96 out of range"},
        {"vs.1.1\nmov oPos, v16\n", "(2): error: input register v16 out of range"},
        {"vs.1.1\nmov oPos, v0\nmov oT8, v0\n", "(3): error: texture coordinate output oT8 out of range"},
        {"vs.1.1\nmov oPos, v0\nmov oD2, v0\n", "(3): error: colour output oD2 out of range"},
        {"vs.1.1\nmov v0, c0\n", "(2): error: 'v0' cannot be written"},
        {"vs.1.1\nmov r0, oPos\n", "(2): error: 'oPos' cannot be read"},
        {"vs.1.1\nmov r0, v0\n", "(2): error: oPos is not written"},
        {"vs.1.1\nmov oPos, v0\nmov a0, v0.x\n", "(3): error: a0 must be written as a0.x"},
        {"vs.1.1\nmov oPos, v0\nadd a0.x, v0, c0\n", "(3): error: a0 can be written only by mov"},
        {"vs.1.1\nmov oPos, c[a0.x]\n", "(2): error: a0 is read before it is written"},
        {"vs.1.1\nmov oPos, c[a0.y + 1]\n", "(2): error: relative addressing uses a0.x only"},
        {"vs.1.1\nmov oPos, c[a0.x - 1]\n", "(2): error: invalid constant index"},
        {"vs.1.1\nmov oPos, r[a0.x]\n", "(2): error: invalid register number"},
        {"vs.1.1\nmov oPos, v0\nmov oFog.y, v0\n", "(3): error: oFog has only an x component"},
        {"vs.1.1\nmul_sat oPos, v0, c0\n", "(2): error: vertex shader instructions take no modifiers"},
        {"vs.1.1\nmov oPos, v0_bx2\n", "(2): error: vertex shader sources take only negation"},
        {"vs.1.1\nmov oPos, v0\n+mov oD0, v0\n", "(3): error: co-issue"},
        {"vs.1.1\nmov oPos, v0\nfrc r0, v0\n", "(3): error: frc writes .x, .y or .xy"},
        {"vs.1.1\nmov oPos, v0\nmov r0.yx, v0\n", "(3): error: invalid write mask"},
        {"vs.1.1\nmov oPos, v0\nmov r0, v0.xyzwx\n", "(3): error: invalid swizzle"},
        {"vs.1.1\nmov oPos, v0\nmov r0, v0,\n", "(3): error: 'mov' takes 2 operand(s)"},
        {"vs.1.1\nmov oPos, v0\ntex t0\n", "(3): error: 'tex' is not a vertex shader instruction"},
        {"vs.1.1\ndef c0, 1, 2, three, 4\nmov oPos, v0\n", "(2): error: invalid number 'three'"},
        {tooLongText.c_str(), "(130): error: too many instructions (limit 128 slots)"},
        {tooLongMacroText.c_str(), "(34): error: too many instructions (limit 128 slots)"},
        {"ps.1.1\ntex t0\nmul r0, t0, t1\n", "(3): error: t1 is read before a texture instruction writes it"},
        {"ps.1.1\nmov r0, v0\ntex t0\n", "(3): error: texture instructions must come before arithmetic"},
        {texTooMany.c_str(), "(6): error: too many texture instructions (limit 4)"},
        {arithTooMany.c_str(), "(10): error: too many arithmetic instructions (limit 8)"},
        {"ps.1.1\nmov r0.rg, v0\n", "(2): error: ps.1.1 write masks are .rgba, .rgb and .a"},
        {"ps.1.1\nmov r0.rgb, v0\n+mov r1.rgb, v1\n", "(3): error: a co-issued pair writes the colour and the alpha"},
        {"ps.1.1\n+mov r0.a, v0\n", "(2): error: '+' must follow an arithmetic instruction"},
        {"ps.1.1\nmov r1, v0\ncnd r0, r1.a, v0, v1\n", "(3): error: cnd takes r0.a as its condition"},
        {"ps.1.1\nmov r0, c0_x2\n", "(2): error: _x2 on a source needs ps.1.4"},
        {"ps.1.1\nmov r0, v0.g\n", "(2): error: invalid source selector"},
        {"ps.1.0\nmov r0, v0.b\n", "(2): error: invalid source selector"},
        {"ps.1.1\nmul r0, c0, c1\nadd r0, r0, c2\nmad r0, c0, c1, c2\n", "(4): error: at most two constant registers"},
        {"ps.1.1\nmov r0, c8\n", "(2): error: constant register c8 out of range"},
        {"ps.1.1\nmov r2, v0\n", "(2): error: temporary register r2 out of range"},
        {"ps.1.1\nmov r0, v2\n", "(2): error: colour register v2 out of range"},
        {"ps.1.1\nmov r0, v0\ndef c0, 1, 2, 3, 4\n", "(3): error: def must come before all instructions"},
        {"ps.1.1\nmov_x3 r0, v0\n", "(2): error: invalid instruction modifier '_x3'"},
        {"ps.1.1\nmov_x8 r0, v0\n", "(2): error: invalid instruction modifier '_x8'"},
        {"ps.1.1\nmov_x2_d2 r0, v0\n", "(2): error: only one of _x2"},
        {"ps.1.1\nmov r0, -1-v0\n", "(2): error: '1-' does not combine"},
        {"ps.1.1\nmov r0, v0_abs\n", "(2): error: invalid source modifier '_abs'"},
        {"ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3tex t2, t0\nmov r0, t2\n",
         "(4): error: 'texm3x3tex' must follow its pad instructions"},
        {"ps.1.1\ntex t0\ntexm3x2pad t1, t0\nmov r0, t1\n", "(4): error: an unfinished texm3x2/texm3x3 sequence"},
        {"ps.1.1\ntex t0\ntex t0\nmov r0, t0\n", "(3): error: t0 is already written"},
        {"ps.1.1\ntex t1\ntexbem t0, t1\nmov r0, t0\n", "(3): error: t1 must be written by an earlier texture"},
        {"ps.1.1\ntex t0\ntexm3x3spec t3, t0, c0\n", "(3): error: 'texm3x3spec' must follow its pad"},
        {"ps.1.1\ntexld r0, t0\n", "(2): error: 'texld' is not a ps.1.1 instruction"},
        {"ps.1.1\nrcp r0, v0\n", "(2): error: 'rcp' is not a ps.1.1 instruction"},
        {"ps.1.1\ncmp r0, v0, v0, v1\n", "(2): error: 'cmp' is not a ps.1.1 instruction"},
        {"ps.1.1\ntex t0\n", "(2): error: r0 (the output colour) is not written"},
        {"ps.1.4\ntexld r0, t0\nmov r1, t0\n", "(3): error: t registers are read only by texld and texcrd"},
        {"ps.1.4\ntexld r0, t0\nmov r0, v0\nphase\nmov r0, r0\n",
         "(3): error: v registers are read in the second phase only"},
        {"ps.1.4\ntexld r0, t0\nphase\nbem r1.rg, r0, r0\n", "(4): error: bem belongs to the first phase"},
        {"ps.1.4\ntexld r0, t0\nmov r0, r0\ntexld r1, t1\n",
         "(4): error: texture instructions must come before arithmetic"},
        {"ps.1.4\ntexld r0, r1\n", "(2): error: texld reads a t register, or in the second phase an r register"},
        {"ps.1.4\ntexld r0, t0\nphase\nphase\n", "(4): error: only one phase marker"},
        {"ps.1.4\ntexcrd r0, t0.xzy\n", "(2): error: texture sources select .xyz or .xyw"},
        {"ps.1.4\ntexld r6, t0\n", "(2): error: 'texld' writes an r register"},
        {"ps.1.4\ntexdepth r4\nmov r0, r4\n", "(2): error: texdepth writes r5"},
        {"ps.1.4\nmov r0, c0_dz\n", "(2): error: _dz and _dw belong to texld and texcrd"},
        {"ps.1.1\nnop\nmov r0, v0\ndef c0, 0, 0, 0, 0\n", "(4): error: def must come before"},
        {"ps.1.4\nmov r0, v0\n+phase\n", "(3): error: only arithmetic instructions can be co-issued"},
    };
    for (const Case& c : cases) {
        const AssembleResult r = AssembleText(c.text);
        EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA) << c.text;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << c.text << "\n---\n" << r.errors;
        EXPECT_TRUE(r.code.empty());
    }
}

TEST(D3DXAssembler, ReportsEveryBadLineAndHonoursSkipValidation)
{
    const AssembleResult r = AssembleText("vs.1.1\nfoo r0\nmov oPos, v0\nbar\n");
    EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(r.errors.find("(2): error: unknown instruction 'foo'\n"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("(4): error: unknown instruction 'bar'\n"), std::string::npos) << r.errors;

    // Limits and ordering checks are skipped on request; syntax is still checked.
    const AssembleResult lax = AssembleText("vs.1.1\nmov r0, r1\nadd r2, c0, c1\n", D3DXASM_SKIPVALIDATION);
    EXPECT_EQ(lax.hr, S_OK) << lax.errors;
    EXPECT_EQ(lax.code.size(), 1u + 3 + 4 + 1);
    EXPECT_EQ(AssembleText("vs.1.1\nmov r0, q1\n", D3DXASM_SKIPVALIDATION).hr, D3DXERR_INVALIDDATA);

    // A stream of garbage yields a bounded number of messages.
    std::string junk = "vs.1.1\n";
    for (int i = 0; i < 5000; ++i) junk += "junk\n";
    const AssembleResult many = AssembleText(junk);
    EXPECT_EQ(many.hr, D3DXERR_INVALIDDATA);
    EXPECT_LT(many.errors.size(), 8000u);
    EXPECT_NE(many.errors.find("too many errors"), std::string::npos);
}

TEST(D3DXAssembler, OutputPointersAndArguments)
{
    const char text[] = "vs.1.1\nmov oPos, v0\n";
    LPD3DXBUFFER code = reinterpret_cast<LPD3DXBUFFER>(1), errors = reinterpret_cast<LPD3DXBUFFER>(1);
    EXPECT_EQ(D3DXAssembleShader(nullptr, 10, 0, nullptr, &code, &errors), D3DERR_INVALIDCALL);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(errors, nullptr);
    // Only validation, no buffers wanted.
    EXPECT_EQ(D3DXAssembleShader(text, sizeof(text) - 1, 0, nullptr, nullptr, nullptr), S_OK);
    // The length bounds the text: cut before the instruction, oPos is missing.
    EXPECT_EQ(D3DXAssembleShader(text, 7, 0, nullptr, nullptr, nullptr), D3DXERR_INVALIDDATA);
    // A success leaves no error buffer.
    errors = reinterpret_cast<LPD3DXBUFFER>(1);
    ASSERT_EQ(D3DXAssembleShader(text, sizeof(text) - 1, 0, nullptr, &code, &errors), S_OK);
    EXPECT_EQ(errors, nullptr);
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->GetBufferSize(), 5 * sizeof(DWORD));
    code->Release();
}

TEST(D3DXAssembler, FromFile)
{
    const char* dir = std::getenv("KESTU_TEST_OUTPUT");
    const std::string path = std::string(dir ? dir : ".") + "/d3dx_asm_test.vsh";
    {
        std::ofstream f(path, std::ios::binary);
        f << "vs.1.1\nm4x4 oPos, v0, c0\nmov oD0, v5\n";
    }
    LPD3DXBUFFER code = nullptr, constants = nullptr, errors = nullptr;
    HRESULT hr = D3DXAssembleShaderFromFileA(path.c_str(), 0, &constants, &code, &errors);
    AssembleResult r = TakeBuffers(hr, code, constants, errors);
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    EXPECT_EQ(r.code.size(), 1u + 4 + 3 + 1);

    {
        std::ofstream f(path, std::ios::binary);
        f << "vs.1.1\n\nmov oPos, r9\n";
    }
    code = constants = errors = nullptr;
    hr = D3DXAssembleShaderFromFileA(path.c_str(), 0, &constants, &code, &errors);
    r = TakeBuffers(hr, code, constants, errors);
    EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA);
    EXPECT_EQ(r.errors.rfind(path + "(3): error: r9 is read before it is written", 0), 0u) << r.errors;
    std::remove(path.c_str());

    code = constants = errors = nullptr;
    hr = D3DXAssembleShaderFromFileA((path + ".missing").c_str(), 0, &constants, &code, &errors);
    r = TakeBuffers(hr, code, constants, errors);
    EXPECT_EQ(r.hr, E_FAIL);
    EXPECT_NE(r.errors.find("cannot open"), std::string::npos);
    EXPECT_TRUE(r.code.empty());
}

TEST(D3DXBuffer, CountsReferencesAndStartsZeroed)
{
    LPD3DXBUFFER b = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(16, &b), S_OK);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetBufferSize(), 16u);
    const BYTE* p = static_cast<const BYTE*>(b->GetBufferPointer());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
    void* same = nullptr;
    ASSERT_EQ(b->QueryInterface(IID_ID3DXBuffer, &same), S_OK);
    EXPECT_EQ(same, b);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(b->QueryInterface(IID_ID3DXBuffer == IID_IUnknown ? GUID{} : GUID{1, 2, 3, {4}}, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(b->Release(), 1u);
    EXPECT_EQ(b->Release(), 0u);
    EXPECT_EQ(D3DXCreateBuffer(4, nullptr), E_INVALIDARG);
}

TEST(D3DXAssembler, EveryInstructionAssemblesToItsOpcode)
{
    struct Case {
        const char* text;
        std::vector<DWORD> opcodes;
    } cases[] = {
        {"vs.1.0\nmov r0, v0\nadd r1, r0, c0\nsub r1, r1, c1\nmad r1, r1, c2, r0\nmul r2, r1, v1\n"
         "rcp r3.x, r2.w\nrsq r3.y, r2.w\ndp3 r4.x, r1, r2\ndp4 r4.y, r1, r2\nmin r5, r1, r2\nmax r5, r5, c3\n"
         "slt r6, r1, r2\nsge r6, r1, r2\nmov oPos, r6\n",
         {D3DSIO_MOV, D3DSIO_ADD, D3DSIO_SUB, D3DSIO_MAD, D3DSIO_MUL, D3DSIO_RCP, D3DSIO_RSQ, D3DSIO_DP3, D3DSIO_DP4,
          D3DSIO_MIN, D3DSIO_MAX, D3DSIO_SLT, D3DSIO_SGE, D3DSIO_MOV}},
        {"vs.1.1\nexp r0, v0.x\nexpp r1, v0.y\nlog r2, v0.z\nlogp r3, v0.w\nlit r4, v1\ndst r5, r0, r1\n"
         "frc r6.xy, v2\nnop\nm3x2 r7.xy, v3, c0\nm3x3 r7.xyz, v3, c0\nm3x4 r8, v3, c0\nm4x3 r9.xyz, v0, c4\n"
         "m4x4 oPos, v0, c8\nmov oPts, v4.x\nmov oD1, r8\nmov oT7, r9\n",
         {D3DSIO_EXP, D3DSIO_EXPP, D3DSIO_LOG, D3DSIO_LOGP, D3DSIO_LIT, D3DSIO_DST, D3DSIO_FRC, D3DSIO_NOP, D3DSIO_M3x2,
          D3DSIO_M3x3, D3DSIO_M3x4, D3DSIO_M4x3, D3DSIO_M4x4, D3DSIO_MOV, D3DSIO_MOV, D3DSIO_MOV}},
        {"ps.1.1\ntex t0\ntexbem t1, t0\ntexbeml t2, t1\ntexreg2ar t3, t2\nmov r0, t3\n",
         {D3DSIO_TEX, D3DSIO_TEXBEM, D3DSIO_TEXBEML, D3DSIO_TEXREG2AR, D3DSIO_MOV}},
        {"ps.1.1\ntexcoord t0\ntexreg2gb t1, t0\ntexkill t2\nlrp r0, v0, t0, t1\nnop\n",
         {D3DSIO_TEXCOORD, D3DSIO_TEXREG2GB, D3DSIO_TEXKILL, D3DSIO_LRP, D3DSIO_NOP}},
        {"ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3spec t3, t0, c0\nmov r0, t3\n",
         {D3DSIO_TEX, D3DSIO_TEXM3x3PAD, D3DSIO_TEXM3x3PAD, D3DSIO_TEXM3x3SPEC, D3DSIO_MOV}},
        {"ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3tex t3, t0\nsub r0, t3, c0\n",
         {D3DSIO_TEX, D3DSIO_TEXM3x3PAD, D3DSIO_TEXM3x3PAD, D3DSIO_TEXM3x3TEX, D3DSIO_SUB}},
        {"ps.1.2\ntex t0\ntexreg2rgb t1, t0\ntexdp3tex t2, t0\ntexdp3 t3, t0\ncmp r0, t1, t2, t3\ndp4 r0, r0, c0\n",
         {D3DSIO_TEX, D3DSIO_TEXREG2RGB, D3DSIO_TEXDP3TEX, D3DSIO_TEXDP3, D3DSIO_CMP, D3DSIO_DP4}},
        {"ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\ntexm3x3pad t1, t0\n"
         "mov r0, t0\n",
         {}}, // a pad may not follow a finished 3x2 on an already written register
        {"ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\nadd r0, t0, t2\n",
         {D3DSIO_TEX, D3DSIO_TEXM3x2PAD, D3DSIO_TEXM3x2DEPTH, D3DSIO_ADD}},
        {"ps.1.4\ntexkill t0\ntexdepth r5\nphase\ntexld r1, r5\ncnd r0, r1, v0, v1\ncmp r0, r0, c0, r1\n",
         {D3DSIO_TEXKILL, D3DSIO_TEXDEPTH, D3DSIO_PHASE, D3DSIO_TEX, D3DSIO_CND, D3DSIO_CMP}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const AssembleResult r = AssembleText(c.text);
        if (c.opcodes.empty()) {
            EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA);
            continue;
        }
        ASSERT_EQ(r.hr, S_OK) << r.errors;
        std::vector<DWORD> opcodes;
        kestu::d3dx::ShaderTokenReader reader(r.code.data(), r.code.size());
        kestu::d3dx::ShaderInstruction ins;
        while (reader.Next(ins)) opcodes.push_back(ins.opcode);
        EXPECT_TRUE(reader.AtEnd());
        EXPECT_EQ(opcodes, c.opcodes);
    }
}

TEST(D3DXAssembler, ObjectLikeMacros)
{
    const AssembleResult plain = AssembleText("vs.1.1\nm4x4 oPos, v0, c0\ndef c9, 100, 0.5, 0, 1\nmov oD0, c4\n");
    ASSERT_EQ(plain.hr, S_OK) << plain.errors;
    const AssembleResult macro = AssembleText("#define POSITION v0\n"
                                              "  # define WVP c0   ; the combined matrix\n"
                                              "#define COLOUR TINT\n"
                                              "#define TINT c4\n"
                                              "#define e 7\n"
                                              "vs.1.1\n"
                                              "m4x4 oPos, POSITION, WVP\n"
                                              "def c9, 1e2, .5, 0, 1\n"
                                              "mov oD0, COLOUR\n"
                                              "#undef TINT\n");
    ASSERT_EQ(macro.hr, S_OK) << macro.errors;
    EXPECT_EQ(macro.code, plain.code);
    EXPECT_EQ(macro.constants, plain.constants);

    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"#define X r9\nvs.1.1\nmov oPos, X\n", "(3): error: r9 is read before it is written"},
        {"#define QQ QQ\nvs.1.1\nmov oPos, QQ\n", "(3): error: invalid register 'QQ'"},
        {"#define QQ ZZ\n#define ZZ QQ\nvs.1.1\nmov oPos, QQ\n", "(4): error: invalid register 'QQ'"},
        {"#define ZZ c0\n#undef ZZ\nvs.1.1\nmov oPos, ZZ\n", "(4): error: invalid register 'ZZ'"},
        {"vs.1.1\n#include \"other.vsh\"\nmov oPos, v0\n", "(2): error: unsupported directive '#include'"},
        {"#define F(x) x\nvs.1.1\nmov oPos, F(v0)\n", "(1): error: macros with arguments are not supported"},
        {"#define\nvs.1.1\nmov oPos, v0\n", "(1): error: #define needs a name"},
    };
    for (const Case& c : cases) {
        const AssembleResult r = AssembleText(c.text);
        EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA) << c.text;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << c.text << "\n---\n" << r.errors;
    }

    // Doubling macros stop at a limit instead of growing without bound.
    std::string bomb;
    for (int i = 0; i < 40; ++i)
        bomb += "#define M" + std::to_string(i + 1) + " M" + std::to_string(i) + " M" + std::to_string(i) + "\n";
    bomb += "vs.1.1\nmov oPos, M40\n";
    const AssembleResult r = AssembleText(bomb);
    EXPECT_EQ(r.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(r.errors.find("macro expansion too"), std::string::npos) << r.errors;
    std::string wide;
    for (int i = 0; i < 30; ++i)
        wide += "#define W" + std::to_string(i + 1) + " W" + std::to_string(i) + " W" + std::to_string(i) + "\n";
    wide += "vs.1.1\nmov oPos, W30\n"; // 2^30 names: past the output limit long before the depth limit
    const AssembleResult w = AssembleText(wide);
    EXPECT_EQ(w.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(w.errors.find("macro expansion too"), std::string::npos) << w.errors;
    // The expansion failure is the one message: no empty-shader complaint follows.
    EXPECT_EQ(w.errors.find("empty"), std::string::npos) << w.errors;
}

TEST(D3DXAssembler, LongSourcesAssembleWithOrWithoutMacros)
{
    // Over 1 MiB of comments around a valid shader.
    std::string padding;
    while (padding.size() < (3u << 19)) padding += "; a comment line that pads the source text out\n";
    const std::string body = "vs.1.1\nmov oPos, v0\n";
    const AssembleResult plain = AssembleText(body);
    ASSERT_EQ(plain.hr, S_OK) << plain.errors;
    for (const std::string& text :
         {padding + body + padding, "#define P v0\n" + padding + "vs.1.1\nmov oPos, P\n" + padding}) {
        const AssembleResult r = AssembleText(text);
        EXPECT_EQ(r.hr, S_OK) << r.errors.substr(0, 500);
        EXPECT_EQ(r.code, plain.code);
    }
}
