// The engine's own vertex and pixel shader texts (skinning, shader water and
// its texture generator, and shaders written against the stock contexts'
// register maps) must assemble, and must survive a disassembly round trip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "d3dx8.h"
#include "d3dx8/shader_tokens.h"
#include "d3dx_assemble.h"

namespace {

// Skinning: v0 position, v3 normal, v7 uv; v1/v5 weights, v2/v6 palette offsets.
std::string SkinVertexShader(int bones, bool lit, int pointLights, bool pixelPath)
{
    const int base = lit ? 18 : 5;
    std::string s = "vs.1.1\n";
    for (int b = 0; b < bones; ++b) {
        const std::string comp(1, "xyzw"[b % 4]);
        const std::string w = (b < 4 ? "v1." : "v5.") + comp;
        const std::string o = (b < 4 ? "v2." : "v6.") + comp;
        s += "mov a0.x, " + o + "\n";
        for (int row = 0; row < 3; ++row)
            s += "dp4 r0." + std::string(1, "xyz"[row]) + ", v0, c[a0.x + " + std::to_string(base + row) + "]\n";
        s += b == 0 ? "mul r1.xyz, r0.xyz, " + w + "\n" : "mad r1.xyz, r0.xyz, " + w + ", r1.xyz\n";
        if (lit) {
            for (int row = 0; row < 3; ++row)
                s += "dp3 r2." + std::string(1, "xyz"[row]) + ", v3, c[a0.x + " + std::to_string(base + row) + "]\n";
            s += "mul r2.xyz, r2.xyz, c[a0.x + " + std::to_string(base + 3) + "].x\n";
            s += b == 0 ? "mul r3.xyz, r2.xyz, " + w + "\n" : "mad r3.xyz, r2.xyz, " + w + ", r3.xyz\n";
        }
    }
    s += "mov r1.w, c0.y\n";
    const char* clipFrom = "r1";
    if (pointLights > 0) {
        s += "dp4 r8.x, r1, c6\ndp4 r8.y, r1, c7\ndp4 r8.z, r1, c8\nmov r8.w, c0.y\n";
        clipFrom = "r8";
    }
    for (int row = 0; row < 4; ++row)
        s += "dp4 oPos." + std::string(1, "xyzw"[row]) + ", " + clipFrom + ", c" + std::to_string(1 + row) + "\n";
    if (!lit) {
        s += "mov oD0, c0.y\nmov oT0.xy, v7\n";
        return s;
    }
    s += "dp3 r4.x, r3, c9\ndp3 r4.y, r3, c10\ndp3 r4.z, r3, c11\n"
         "dp3 r4.w, r4, r4\nrsq r4.w, r4.w\nmul r4.xyz, r4.xyz, r4.w\n"
         "dp3 r5.x, r4, c13\nmax r5.x, r5.x, c0.w\nmul r6, r5.x, c12\n";
    for (int l = 0; l < pointLights; ++l) {
        const std::string colour = "c" + std::to_string(14 + 2 * l), position = "c" + std::to_string(15 + 2 * l);
        s += "sub r7.xyz, " + position +
             ", r8\ndp3 r7.w, r7, r7\nrsq r7.w, r7.w\nmul r7.xyz, r7, r7.w\n"
             "dp3 r7.x, r4, r7\nmax r7.x, r7.x, c0.w\n";
        if (pixelPath)
            s += l == 0 ? "mul r9, r7.x, " + colour + "\n" : "mad r9, r7.x, " + colour + ", r9\n";
        else
            s += "mad r6, r7.x, " + colour + ", r6\n";
    }
    s += pixelPath ? "mov oD0, r6\n" : "add oD0, r6, c5\n";
    if (pixelPath && pointLights > 0) s += "mov oD1, r9\n";
    s += "mov oT0.xy, v7\n";
    return s;
}

const char kSkinPixel[] = "ps.1.1\n"
                          "tex t0\n"
                          "add r0.rgb, v0, c0        ; directional light + ambient\n"
                          "mul r0.rgb, r0, t0\n"
                          "+mov r0.a, t0.a\n";

const char kSkinPixelPointLights[] = "ps.1.1\n"
                                     "tex t0\n"
                                     "add r0.rgb, v0, v1\n"
                                     "add r0.rgb, r0, c0\n"
                                     "mul r0.rgb, r0, t0\n"
                                     "+mov r0.a, t0.a\n";

const char kCosineVertex[] = "vs.1.1\n"
                             "mov oPos, v0\n"
                             "mov r0.xy, v7\n"
                             "mov r0.zw, c4.xxxy        ; (u, v, 0, 1)\n"
                             "dp4 oT0.x, r0, c0\n"
                             "dp4 oT1.x, r0, c1\n"
                             "dp4 oT2.x, r0, c2\n"
                             "dp4 oT3.x, r0, c3\n"
                             "mov oT0.yzw, c4.xxxy\n"
                             "mov oT1.yzw, c4.xxxy\n"
                             "mov oT2.yzw, c4.xxxy\n"
                             "mov oT3.yzw, c4.xxxy\n";

const char kCosinePixel[] = "ps.1.1\n"
                            "tex t0\n"
                            "tex t1\n"
                            "tex t2\n"
                            "tex t3\n"
                            "mul r0, t0_bx2, c0\n"
                            "mad r0, t1_bx2, c1, r0\n"
                            "mad r0, t2_bx2, c2, r0\n"
                            "mad r0, t3_bx2, c3, r0\n"
                            "mad r0, r0, c4, c4\n";

const char kNoiseVertex[] = "vs.1.1\n"
                            "mov oPos, v0\n"
                            "mov r0.xy, v7\n"
                            "mov r0.zw, c4.xxxz\n"
                            "dp4 oT0.x, r0, c0\n"
                            "dp4 oT0.y, r0, c1\n"
                            "mov oT0.zw, c4.xxxz\n"
                            "dp4 oT1.x, r0, c2\n"
                            "dp4 oT1.y, r0, c3\n"
                            "mov oT1.zw, c4.xxxz\n"
                            "mov oD0, c5.xyzy\n"
                            "mov oD1, c5.xyzy\n";

const char kNoisePixel[] = "ps.1.1\n"
                           "tex t0\n"
                           "tex t1\n"
                           "add r0.rgb, t0_bias, t1_bias\n"
                           "+add r0.a, t0, t1\n"
                           "mad r0.rgb, r0, v0, v1\n";

const char kWaterVertex[] = "vs.1.1\n"
                            "; world position\n"
                            "dp4 r0.x, v0, c4\n"
                            "dp4 r0.y, v0, c5\n"
                            "dp4 r0.z, v0, c6\n"
                            "dp4 r0.w, v0, c7\n"
                            "; phase of each wave, one wave a component\n"
                            "mul r1, c12, r0.x\n"
                            "mad r1, c13, r0.z, r1\n"
                            "mul r1, r1, c9\n"
                            "add r1, r1, c10\n"
                            "add r1, r1, c27.x\n"
                            "mul r1, r1, c27.y\n"
                            "mov r2.xy, r1.zw\n"
                            "frc r1.xy, r1\n"
                            "frc r2.xy, r2\n"
                            "mov r1.zw, r2.xxxy\n"
                            "mad r1, r1, c27.z, c27.w\n"
                            "; sine and cosine series\n"
                            "mul r2, r1, r1\n"
                            "mul r3, r2, r1\n"
                            "mul r4, r3, r2\n"
                            "mul r5, r4, r2\n"
                            "mad r6, r3, c28.x, r1\n"
                            "mad r6, r4, c28.y, r6\n"
                            "mad r6, r5, c28.z, r6\n"
                            "mul r3, r2, r2\n"
                            "mul r4, r3, r2\n"
                            "mad r7, r2, c29.x, c29.y\n"
                            "mad r7, r3, c28.w, r7\n"
                            "mad r7, r4, c29.z, r7\n"
                            "; amplitude weighted by length and vertex alpha\n"
                            "mov r8, c17\n"
                            "max r8, r8, c29.w\n"
                            "min r8, r8, c29.y\n"
                            "mul r8, r8, c11\n"
                            "mul r8, r8, v5.w\n"
                            "; displaced position\n"
                            "dp4 r9.y, r8, r6\n"
                            "add r9.y, r9.y, r0.y\n"
                            "mul r10, r8, r7\n"
                            "mul r10, r10, v5.w\n"
                            "dp4 r9.x, r10, c19\n"
                            "dp4 r9.z, r10, c20\n"
                            "add r9.x, r9.x, r0.x\n"
                            "add r9.z, r9.z, r0.z\n"
                            "mov r9.w, r0.w\n"
                            "dp4 oPos.x, r9, c0\n"
                            "dp4 oPos.y, r9, c1\n"
                            "dp4 oPos.z, r9, c2\n"
                            "dp4 oPos.w, r9, c3\n"
                            "; view vector and distance\n"
                            "sub r11, r9, c15\n"
                            "dp3 r11.w, r11, r11\n"
                            "rsq r11.w, r11.w\n"
                            "mul r11.xyz, r11, r11.w\n"
                            "rcp r11.w, r11.w\n"
                            "; bump strength\n"
                            "add r2.x, r11.w, c14.x\n"
                            "mul r2.x, r2.x, c14.y\n"
                            "max r2.x, r2.x, c29.w\n"
                            "min r2.x, r2.x, c29.y\n"
                            "mul r2.x, r2.x, r2.x\n"
                            "mul r2.x, r2.x, c14.z\n"
                            "; slope sums\n"
                            "dp4 r3.x, r10, c21\n"
                            "dp4 r3.z, r10, c22\n"
                            "mul r4, r8, r6\n"
                            "dp4 r3.y, r4, c24\n"
                            "dp4 r3.w, r4, c25\n"
                            "dp4 r5.x, r4, c26\n"
                            "dp4 r5.y, r4, c23\n"
                            "; bump coordinates and the three matrix rows\n"
                            "mul oT0.xy, r0.xz, c14.w\n"
                            "mov oT0.zw, c18.zzzw\n"
                            "sub r6.x, c29.y, r3.y\n"
                            "mul oT1.x, r6.x, r2.x\n"
                            "mov oT1.y, -r3.x\n"
                            "mul oT1.z, -r3.w, r2.x\n"
                            "mul oT2.x, -r2.x, r3.x\n"
                            "sub oT2.y, r5.y, c29.y\n"
                            "mul oT2.z, -r2.x, r3.z\n"
                            "mul oT3.x, -r2.x, r3.w\n"
                            "mov oT3.y, -r3.z\n"
                            "sub r6.y, c29.y, r5.x\n"
                            "mul oT3.z, r6.y, r2.x\n"
                            "; where the view ray leaves the reflection sphere\n"
                            "dp3 r7.x, r11, c16\n"
                            "mul r7.y, r7.x, r7.x\n"
                            "sub r7.y, r7.y, c16.w\n"
                            "rsq r7.z, r7.y\n"
                            "rcp r7.z, r7.z\n"
                            "add r7.x, r7.x, r7.z\n"
                            "mad r8.xyz, r11, r7.x, -c16\n"
                            "mov oT1.w, -r8.x\n"
                            "mov oT2.w, -r8.y\n"
                            "mov oT3.w, -r8.z\n"
                            "; fog and colours\n"
                            "dp4 r1.w, r9, c3\n"
                            "add r1.w, r1.w, c18.x\n"
                            "mul oFog, r1.w, c18.y\n"
                            "mul oD0.xyz, v5, v5.w\n"
                            "mov oD0.w, v5.w\n"
                            "mov oD1, c8\n";

const char kWaterPixel[] = "ps.1.1\n"
                           "tex t0\n"
                           "texm3x3pad t1, t0_bx2\n"
                           "texm3x3pad t2, t0_bx2\n"
                           "texm3x3vspec t3, t0_bx2\n"
                           "mul r0, t3, v1.a\n"
                           "mul r0, r0, v0.a\n"
                           "add r0.rgb, r0, v0\n"
                           "+mov r0.a, v0.a\n";

const char kToonVertex[] = "vs.1.1\n"
                           "dp4 oPos.x, v0, c0\n"
                           "dp4 oPos.y, v0, c1\n"
                           "dp4 oPos.z, v0, c2\n"
                           "dp4 oPos.w, v0, c3\n"
                           "add r0, c5, -v0           // towards the light\n"
                           "dp3 r0.w, r0, r0\n"
                           "rsq r0.w, r0.w\n"
                           "mul r0, r0, r0.w\n"
                           "dp3 oT0.x, v3, r0\n"
                           "add r1, c6, -v0           // towards the viewer\n"
                           "dp3 r1.w, r1, r1\n"
                           "rsq r1.w, r1.w\n"
                           "mul r1, r1, r1.w\n"
                           "dp3 oT1.x, v3, r1\n"
                           "mov oD0, c4\n";

const char kToonPixel[] = "ps.1.1\n"
                          "tex t0\n"
                          "tex t1\n"
                          "mul r0, t0, v0\n"
                          "mul r0, r0, t1\n";

const char kFireVertex[] = "vs.1.1\n"
                           "m4x4 oPos, v0, c0\n"
                           "mov r1, c10\n"
                           "mul r0, v7, c14\n"
                           "mad oT0.xy, c11, r1.x, r0\n"
                           "mul r0, v7, c15\n"
                           "mad oT1.xy, c12, r1.x, r0\n"
                           "mul r0, v7, c16\n"
                           "mad oT2.xy, c13, r1.x, r0\n"
                           "mov oT3.xy, v7\n";

const char kFirePixel[] = "ps.1.1\n"
                          "tex t0\n"
                          "tex t1\n"
                          "tex t2\n"
                          "tex t3\n"
                          "mul r0, t0_bx2, c1\n"
                          "mad r0, t1_bx2, c2, r0\n"
                          "mad r0, t2_bx2, c3, r0\n"
                          "add r0, r0, c4\n"
                          "mul_sat r0, r0, t3\n";

// Two of the four light slots of the lighting context; the others repeat them.
const char kLightVertex[] = "vs.1.1\n"
                            "dp4 oPos.x, v0, c2\n"
                            "dp4 oPos.y, v0, c3\n"
                            "dp4 oPos.z, v0, c4\n"
                            "dp4 oPos.w, v0, c5\n"
                            "dp4 r0.x, v0, c6\n"
                            "dp4 r0.y, v0, c7\n"
                            "dp4 r0.z, v0, c8\n"
                            "dp3 r1.x, v3, c6\n"
                            "dp3 r1.y, v3, c7\n"
                            "dp3 r1.z, v3, c8\n"
                            "mov r2, c0\n"
                            "sub r3.xyz, c13, r0\n"
                            "dp3 r3.w, r3, r3\n"
                            "rsq r4.w, r3.w\n"
                            "mul r3.xyz, r3, r4.w\n"
                            "dst r4, r3.wwww, r4.wwww\n"
                            "dp3 r4.w, r4, c21\n"
                            "rcp r4.w, r4.w\n"
                            "dp3 r5.x, r1, r3\n"
                            "max r5.x, r5.x, c0.x\n"
                            "mul r5.x, r5.x, r4.w\n"
                            "mad r2, r5.x, c30, r2\n"
                            "sub r3.xyz, c14, r0\n"
                            "dp3 r3.w, r3, r3\n"
                            "rsq r4.w, r3.w\n"
                            "mul r3.xyz, r3, r4.w\n"
                            "dst r4, r3.wwww, r4.wwww\n"
                            "dp3 r4.w, r4, c22\n"
                            "rcp r4.w, r4.w\n"
                            "dp3 r5.x, r1, r3\n"
                            "max r5.x, r5.x, c0.x\n"
                            "mul r5.x, r5.x, r4.w\n"
                            "mad r2, r5.x, c31, r2\n"
                            "add r2, r2, c49\n"
                            "min oD0, r2, c1\n"
                            "mul r6.xy, v7, c82.x\n"
                            "add oT0.xy, r6, c81\n"
                            "mul oFog, r0.z, c90.x\n";

struct Text {
    const char* name;
    std::string source;
};

std::vector<Text> EngineTexts()
{
    std::vector<Text> texts = {
        {"skin pixel", kSkinPixel},       {"skin pixel, point lights", kSkinPixelPointLights},
        {"cosine vertex", kCosineVertex}, {"cosine pixel", kCosinePixel},
        {"noise vertex", kNoiseVertex},   {"noise pixel", kNoisePixel},
        {"water vertex", kWaterVertex},   {"water pixel", kWaterPixel},
        {"toon vertex", kToonVertex},     {"toon pixel", kToonPixel},
        {"fire vertex", kFireVertex},     {"fire pixel", kFirePixel},
        {"light vertex", kLightVertex},
    };
    for (int bones : {4, 8}) {
        const std::string b = std::to_string(bones) + " bones";
        texts.push_back({"skin unlit", SkinVertexShader(bones, false, 0, false)});
        for (int lights = 0; lights <= 2; ++lights) {
            texts.push_back({"skin lit", SkinVertexShader(bones, true, lights, false)});
            texts.push_back({"skin lit, pixel path", SkinVertexShader(bones, true, lights, true)});
        }
    }
    return texts;
}

} // namespace

TEST(D3DXEngineShaders, AssembleAndRoundTrip)
{
    for (const Text& t : EngineTexts()) {
        SCOPED_TRACE(std::string(t.name) + "\n" + t.source);
        const AssembleResult r = AssembleText(t.source);
        ASSERT_EQ(r.hr, S_OK) << r.errors;
        ASSERT_GE(r.code.size(), 2u);
        EXPECT_EQ(r.code.back(), 0x0000FFFFu);
        EXPECT_EQ(kestu::d3dx::ShaderTokenCount(r.code.data(), r.code.size()), r.code.size());

        const std::string text = kestu::d3dx::DisassembleShader(r.code.data(), r.code.size());
        ASSERT_FALSE(text.empty());
        const AssembleResult again = AssembleText(text);
        ASSERT_EQ(again.hr, S_OK) << again.errors << text;
        EXPECT_EQ(again.code, r.code) << text;
    }
}

TEST(D3DXEngineShaders, WaterVertexShaderSlotsCountTheFrcMacros)
{
    const AssembleResult r = AssembleText(kWaterVertex);
    ASSERT_EQ(r.hr, S_OK) << r.errors;
    kestu::d3dx::ShaderTokenReader reader(r.code.data(), r.code.size());
    kestu::d3dx::ShaderInstruction ins;
    int slots = 0;
    while (reader.Next(ins)) slots += ins.opcode == D3DSIO_FRC ? 3 : 1;
    ASSERT_TRUE(reader.AtEnd());
    ASSERT_LT(slots, 128);

    // Filling up to exactly 128 slots still assembles; one more does not.
    std::string full = kWaterVertex;
    for (int i = slots; i < 128; ++i) full += "mov r0, v0\n";
    EXPECT_EQ(AssembleText(full).hr, S_OK);
    const AssembleResult over = AssembleText(full + "mov r0, v0\n");
    EXPECT_EQ(over.hr, D3DXERR_INVALIDDATA);
    EXPECT_NE(over.errors.find("too many instructions"), std::string::npos);
}
