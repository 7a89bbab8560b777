#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "d3dx8/shader_tokens.h"

using kestu::d3dx::DisassembleShader;
using kestu::d3dx::ShaderInstruction;
using kestu::d3dx::ShaderOpcodeLayout;
using kestu::d3dx::ShaderTokenCount;
using kestu::d3dx::ShaderTokenReader;

TEST(D3DXShaderTokens, DecodesParametersCommentsAndDefs)
{
    float half = 0.5f;
    DWORD halfBits;
    std::memcpy(&halfBits, &half, 4);
    const std::vector<DWORD> code = {0xFFFF0101,
                                     D3DSHADER_COMMENT(2),
                                     0x12345678,
                                     0x9ABCDEF0,
                                     D3DSIO_DEF,
                                     0xA00F0003,
                                     halfBits,
                                     0,
                                     0,
                                     halfBits,
                                     D3DSIO_TEX,
                                     0xB00F0000,
                                     D3DSIO_MUL,
                                     0x8F170000,
                                     0xB4E40000,
                                     0x90FF0001, // mul_d2_sat r0.rgb, t0_bx2, v1.a
                                     D3DSIO_MOV | D3DSI_COISSUE,
                                     0x80080000,
                                     0xA6FF0001,
                                     0x0000FFFF};
    ShaderTokenReader reader(code.data(), code.size());
    ASSERT_TRUE(reader.Valid());
    EXPECT_TRUE(reader.IsPixelShader());
    EXPECT_EQ(reader.Version(), 0xFFFF0101u);
    ShaderInstruction ins;

    ASSERT_TRUE(reader.Next(ins));
    EXPECT_EQ(ins.opcode, (DWORD)D3DSIO_COMMENT);
    EXPECT_EQ(ins.commentSize, 2u);
    EXPECT_EQ(ins.comment[1], 0x9ABCDEF0u);

    ASSERT_TRUE(reader.Next(ins));
    EXPECT_EQ(ins.opcode, (DWORD)D3DSIO_DEF);
    EXPECT_EQ(ins.destination.number, 3u);
    EXPECT_EQ(ins.constant[0], 0.5f);
    EXPECT_EQ(ins.constant[3], 0.5f);

    ASSERT_TRUE(reader.Next(ins));
    EXPECT_EQ(ins.opcode, (DWORD)D3DSIO_TEX);
    EXPECT_EQ(ins.sourceCount, 0);
    EXPECT_EQ(ins.destination.type, (DWORD)D3DSPR_TEXTURE);

    ASSERT_TRUE(reader.Next(ins));
    EXPECT_EQ(ins.opcode, (DWORD)D3DSIO_MUL);
    EXPECT_EQ(ins.destination.writeMask, 0x7u);
    EXPECT_EQ(ins.destination.shift, -1);
    EXPECT_EQ(ins.destination.resultModifier, (DWORD)D3DSPDM_SATURATE);
    ASSERT_EQ(ins.sourceCount, 2);
    EXPECT_EQ(ins.sources[0].sourceModifier, (DWORD)D3DSPSM_SIGN);
    EXPECT_EQ(ins.sources[1].swizzle, 0xFFu);
    EXPECT_EQ(ins.sources[1].type, (DWORD)D3DSPR_INPUT);
    EXPECT_EQ(ins.sources[1].number, 1u);

    ASSERT_TRUE(reader.Next(ins));
    EXPECT_TRUE(ins.coissue);
    EXPECT_EQ(ins.sources[0].sourceModifier, (DWORD)D3DSPSM_COMP);

    EXPECT_FALSE(reader.Next(ins));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(ShaderTokenCount(code.data(), code.size() + 0), code.size());
    EXPECT_EQ(DisassembleShader(code.data(), code.size()),
              "ps.1.1\ndef c3, 0.5, 0, 0, 0.5\ntex t0\nmul_d2_sat r0.xyz, t0_bx2, v1.w\n+mov r0.w, 1-c1.w\n");
}

TEST(D3DXShaderTokens, RelativeAddressingAndVertexRegisters)
{
    const std::vector<DWORD> code = {0xFFFE0101, D3DSIO_DP4, 0xC0010000, 0x90E40000, 0xA0E42012,
                                     D3DSIO_MOV, 0xE0030003, 0x81550007, 0x0000FFFF};
    ShaderTokenReader reader(code.data(), code.size());
    ShaderInstruction ins;
    ASSERT_TRUE(reader.Next(ins));
    EXPECT_TRUE(reader.IsVertexShader());
    EXPECT_EQ(ins.destination.type, (DWORD)D3DSPR_RASTOUT);
    EXPECT_TRUE(ins.sources[1].relative);
    EXPECT_EQ(ins.sources[1].number, 18u);
    EXPECT_EQ(DisassembleShader(code.data(), code.size()), "vs.1.1\ndp4 oPos.x, v0, c[a0.x + 18]\nmov oT3.xy, -r7.y\n");
}

TEST(D3DXShaderTokens, LayoutsDependOnTheVersion)
{
    bool dest = false;
    int sources = -1;
    ASSERT_TRUE(ShaderOpcodeLayout(D3DSIO_TEX, 0xFFFF0101, &dest, &sources));
    EXPECT_TRUE(dest);
    EXPECT_EQ(sources, 0);
    ASSERT_TRUE(ShaderOpcodeLayout(D3DSIO_TEX, 0xFFFF0104, &dest, &sources));
    EXPECT_EQ(sources, 1);
    ASSERT_TRUE(ShaderOpcodeLayout(D3DSIO_MAD, 0xFFFE0101, &dest, &sources));
    EXPECT_EQ(sources, 3);
    EXPECT_FALSE(ShaderOpcodeLayout(D3DSIO_TEX, 0xFFFE0101, &dest, &sources));
    EXPECT_FALSE(ShaderOpcodeLayout(D3DSIO_M4x4, 0xFFFF0101, &dest, &sources));
    EXPECT_FALSE(ShaderOpcodeLayout(200, 0xFFFF0101, &dest, &sources));
}

TEST(D3DXShaderTokens, MalformedStreamsFailWithoutOverreading)
{
    const std::vector<std::vector<DWORD>> bad = {
        {},                                                           // nothing
        {0xFFFE0200, 0x0000FFFF},                                     // vs.2.0
        {0x12345678, 0x0000FFFF},                                     // not a version
        {0xFFFE0101, D3DSIO_MOV, 0xC00F0000},                         // missing source
        {0xFFFE0101, D3DSIO_MOV, 0xC00F0000, 0x90E40000},             // no end token
        {0xFFFE0101, 0x90E40000, 0x0000FFFF},                         // parameter in place of an instruction
        {0xFFFE0101, D3DSIO_MOV, 0x400F0000, 0x90E40000, 0x0000FFFF}, // destination without bit 31
        {0xFFFE0101, 200, 0x0000FFFF},                                // unknown opcode
        {0xFFFF0101, D3DSHADER_COMMENT(5), 1, 2, 0x0000FFFF},         // comment runs past the end
        {0xFFFF0101, D3DSIO_DEF, 0xA00F0000, 0, 0},                   // def cut short
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        const std::vector<DWORD>& code = bad[i];
        ShaderTokenReader reader(code.data(), code.size());
        ShaderInstruction ins;
        int steps = 0;
        while (reader.Next(ins)) ++steps;
        EXPECT_FALSE(reader.AtEnd());
        EXPECT_EQ(ShaderTokenCount(code.data(), code.size()), 0u);
        EXPECT_EQ(DisassembleShader(code.data(), code.size()), "");
        EXPECT_LE(steps, 1);
    }
    EXPECT_EQ(ShaderTokenCount(nullptr, 10), 0u);
}
