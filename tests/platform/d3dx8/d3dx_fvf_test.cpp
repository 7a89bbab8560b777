#include <gtest/gtest.h>

#include <vector>

#include "d3dx8.h"

TEST(D3DXFvf, VertexSizes)
{
    struct Case {
        DWORD fvf;
        UINT size;
    } cases[] = {
        {D3DFVF_XYZ, 12},
        {D3DFVF_XYZRHW, 16},
        {D3DFVF_XYZB1, 16},
        {D3DFVF_XYZB2, 20},
        {D3DFVF_XYZB3, 24},
        {D3DFVF_XYZB4, 28},
        {D3DFVF_XYZB5, 32},
        {D3DFVF_XYZB5 | D3DFVF_LASTBETA_UBYTE4, 32},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32}, // 0x112
        {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_PSIZE, 24},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, 28},
        {D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0) | D3DFVF_TEXCOORDSIZE1(1), 12 + 12 + 4},
        {D3DFVF_XYZ | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE4(2), 12 + 8 + 8 + 16},
        // Size bits of sets beyond the count do not count.
        {D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4(3), 20},
        {D3DFVF_XYZ | D3DFVF_TEX8, 12 + 64},
        {D3DFVF_NORMAL, 12},
        {0, 0},
        {D3DFVF_XYZ | D3DFVF_RESERVED0, 0},
        {D3DFVF_XYZ | 0x900, 0}, // nine texture sets
    };
    for (const Case& c : cases) EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size) << std::hex << c.fvf;
}

TEST(D3DXFvf, DeclaratorOfTheDefaultShaderFormat)
{
    DWORD decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(D3DXDeclaratorFromFVF(0x112, decl), S_OK);
    const DWORD expected[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                              D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3), D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_FLOAT2),
                              D3DVSD_END()};
    for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i) EXPECT_EQ(decl[i], expected[i]) << i;
    EXPECT_EQ(decl[0], 0x20000000u);
    EXPECT_EQ(decl[1], 0x40020000u);
    EXPECT_EQ(decl[4], 0xFFFFFFFFu);
}

TEST(D3DXFvf, BlendWeightsAndIndices)
{
    DWORD decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL, decl), S_OK);
    EXPECT_EQ(decl[2], D3DVSD_REG(D3DVSDE_BLENDWEIGHT, D3DVSDT_FLOAT3));
    EXPECT_EQ(decl[3], D3DVSD_REG(D3DVSDE_BLENDINDICES, D3DVSDT_UBYTE4));
    EXPECT_EQ(decl[4], D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3));

    ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4, decl), S_OK);
    EXPECT_EQ(decl[2], D3DVSD_REG(D3DVSDE_BLENDINDICES, D3DVSDT_UBYTE4));
    EXPECT_EQ(decl[3], D3DVSD_END());

    ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZB2, decl), S_OK);
    EXPECT_EQ(decl[2], D3DVSD_REG(D3DVSDE_BLENDWEIGHT, D3DVSDT_FLOAT2));
    EXPECT_EQ(decl[3], D3DVSD_END());

    EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_LASTBETA_UBYTE4, decl), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_RESERVED2, decl), D3DERR_INVALIDCALL);
}

TEST(D3DXFvf, DeclaratorRoundTripsEveryLayout)
{
    const DWORD positions[] = {0, D3DFVF_XYZ, D3DFVF_XYZRHW, D3DFVF_XYZB1, D3DFVF_XYZB3, D3DFVF_XYZB5};
    const DWORD extras[] = {0, D3DFVF_NORMAL, D3DFVF_NORMAL | D3DFVF_DIFFUSE,
                            D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR};
    const DWORD texSets[] = {D3DFVF_TEX0, D3DFVF_TEX1, D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1),
                             D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(3),
                             D3DFVF_TEX8 | D3DFVF_TEXCOORDSIZE3(7)};
    for (DWORD pos : positions)
        for (DWORD ubyte : {0u, (DWORD)D3DFVF_LASTBETA_UBYTE4})
            for (DWORD extra : extras)
                for (DWORD tex : texSets) {
                    const bool hasBetas = pos >= D3DFVF_XYZB1;
                    if (ubyte && !hasBetas) continue;
                    const DWORD fvf = pos | ubyte | extra | tex;
                    DWORD decl[MAX_FVF_DECL_SIZE];
                    ASSERT_EQ(D3DXDeclaratorFromFVF(fvf, decl), S_OK) << std::hex << fvf;
                    DWORD back = 0;
                    ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), S_OK) << std::hex << fvf;
                    EXPECT_EQ(back, fvf);
                }
}

TEST(D3DXFvf, DeclarationsWithoutAnFvfEquivalent)
{
    const DWORD constants[] = {D3DVSD_STREAM(0),
                               D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                               D3DVSD_CONST(4, 1),
                               0,
                               0,
                               0,
                               0,
                               D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR),
                               D3DVSD_END()};
    DWORD fvf = 0;
    ASSERT_EQ(D3DXFVFFromDeclarator(constants, &fvf), S_OK); // constant data is skipped
    EXPECT_EQ(fvf, (DWORD)(D3DFVF_XYZ | D3DFVF_DIFFUSE));

    const std::vector<std::vector<DWORD>> bad = {
        // second stream (the skinning layout)
        {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_STREAM(1), D3DVSD_REG(1, D3DVSDT_FLOAT4),
         D3DVSD_END()},
        // stream other than 0
        {D3DVSD_STREAM(1), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()},
        // normal before position
        {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()},
        // skip
        {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_SKIP(2), D3DVSD_END()},
        // a gap in texture sets
        {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(D3DVSDE_TEXCOORD1, D3DVSDT_FLOAT2), D3DVSD_END()},
        // diffuse as floats
        {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_FLOAT4), D3DVSD_END()},
        // shorts
        {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_SHORT2), D3DVSD_END()},
        // weights after a transformed position
        {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT4), D3DVSD_REG(1, D3DVSDT_FLOAT2), D3DVSD_END()},
        // data before any stream
        {D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        fvf = 0x1234;
        EXPECT_EQ(D3DXFVFFromDeclarator(bad[i].data(), &fvf), D3DERR_INVALIDCALL) << i;
    }
    EXPECT_EQ(D3DXFVFFromDeclarator(nullptr, &fvf), D3DERR_INVALIDCALL);
}
