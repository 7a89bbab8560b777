// The shader texts. The bump passes write a normal map whose red and blue
// hold one half plus the wave slopes along u and v; the water shader moves
// the vertices by four Gerstner waves and reflects the cube map about the
// bump normal turned into the wave surface's frame.
#include "terrain/water_shader/WaterShaderTexts.h"

#include <d3d8.h>

namespace Kestu::WaterShaderTexts {

namespace {

template <size_t N>
constexpr Text Make(const char (&text)[N])
{
    return Text{text, static_cast<UINT>(N - 1)};
}

// c0-c3: (repeats u, repeats v, 0, phase) of the pass's four waves; c4 = (0, 1, 0, 0).
constexpr char kCosineVSText[] = "vs.1.1\n"
                                 "mov oPos, v0\n"
                                 "dp4 oT0.x, v7, c0\n"
                                 "mov oT0.yzw, c4.xxxy\n"
                                 "dp4 oT1.x, v7, c1\n"
                                 "mov oT1.yzw, c4.xxxy\n"
                                 "dp4 oT2.x, v7, c2\n"
                                 "mov oT2.yzw, c4.xxxy\n"
                                 "dp4 oT3.x, v7, c3\n"
                                 "mov oT3.yzw, c4.xxxy\n";

// c0-c3: (fade x direction u / 4, 1, fade x direction v / 4, 1); c4 = (s, 1, s, 1).
constexpr char kCosinePSText[] = "ps.1.1\n"
                                 "tex t0\n"
                                 "tex t1\n"
                                 "tex t2\n"
                                 "tex t3\n"
                                 "mul r0, t0_bx2, c0\n"
                                 "mad r0, t1_bx2, c1, r0\n"
                                 "mad r0, t2_bx2, c2, r0\n"
                                 "mad r0, t3_bx2, c3, r0\n"
                                 "mad r0, r0, c4, c4\n";

// c0, c1: the first sample's u and v rows; c2, c3: the second's; c4 = (0, 0.5, 1, 2); c5 = (q, 0, q, 1).
constexpr char kNoiseVSText[] = "vs.1.1\n"
                                "mov oPos, v0\n"
                                "dp4 oT0.x, v7, c0\n"
                                "dp4 oT0.y, v7, c1\n"
                                "mov oT0.zw, c4.xxxz\n"
                                "dp4 oT1.x, v7, c2\n"
                                "dp4 oT1.y, v7, c3\n"
                                "mov oT1.zw, c4.xxxz\n"
                                "mov oD0.xyz, c5\n"
                                "mov oD0.w, c4.x\n"
                                "mov oD1.xyz, c5\n"
                                "mov oD1.w, c4.x\n";

constexpr char kNoisePSText[] = "ps.1.1\n"
                                "tex t0\n"
                                "tex t1\n"
                                "add r0.rgb, t0_bias, t1_bias\n"
                                "+add r0.a, t0, t1\n"
                                "mad r0.rgb, r0, v0, v1\n";

// Constants: c0-c3 view x projection rows, c4-c7 world rows, c8 (0, 0, 0,
// reflection), c9 frequencies, c10 phases, c11 amplitudes, c12/c13 directions
// x/z, c14 (bump distance offset, 1 / range, bump strength, 1 / ripple
// scale), c15 eye, c16 (centre - eye, its square - radius squared), c17
// lengths, c18 (-200, -0.01, 0, 1), c19/c20 K x direction x/z, c21/c22
// frequency x direction x/z, c23 K x frequency, c24-c26 K x frequency x
// direction xx/xz/zz, c27 (pi, 1 / 2pi, 2pi, -pi), c28 and c29 the series.
constexpr char kWaterVSText[] = "vs.1.1\n"
                                "; world position\n"
                                "mul r0, v0.x, c4\n"
                                "mad r0, v0.y, c5, r0\n"
                                "mad r0, v0.z, c6, r0\n"
                                "add r0, r0, c7\n"
                                "; wave angles wrapped to [-pi, pi)\n"
                                "mul r1, c21, r0.x\n"
                                "mad r1, c22, r0.z, r1\n"
                                "add r1, r1, c10\n"
                                "add r1, r1, c27.x\n"
                                "mul r1, r1, c27.y\n"
                                "frc r2.xy, r1\n"
                                "frc r3.xy, r1.zwzw\n"
                                "mov r2.zw, r3.xxxy\n"
                                "mad r1, r2, c27.z, c27.w\n"
                                "; sine and cosine series\n"
                                "mul r2, r1, r1\n"
                                "mad r3, r2, c28.z, c28.y\n"
                                "mad r3, r2, r3, c28.x\n"
                                "mad r3, r2, r3, c29.y\n"
                                "mul r3, r3, r1\n"
                                "mul r4, r2, c29.z\n"
                                "add r4, r4, c28.w\n"
                                "mad r4, r2, r4, c29.x\n"
                                "mad r4, r2, r4, c29.y\n"
                                "; r5 = a S, r6 = a alpha C with a = amplitude x clamped length x alpha\n"
                                "mov r5, c17\n"
                                "max r5, r5, c18.z\n"
                                "min r5, r5, c18.w\n"
                                "mul r5, r5, c11\n"
                                "mul r5, r5, v5.w\n"
                                "mul r6, r5, r4\n"
                                "mul r6, r6, v5.w\n"
                                "mul r5, r5, r3\n"
                                "; displaced position\n"
                                "dp4 r7.x, r6, c19\n"
                                "dp4 r7.y, r5, c18.w\n"
                                "dp4 r7.z, r6, c20\n"
                                "mov r7.w, c18.z\n"
                                "add r7, r7, r0\n"
                                "; projection and fog\n"
                                "mul r8, r7.x, c0\n"
                                "mad r8, r7.y, c1, r8\n"
                                "mad r8, r7.z, c2, r8\n"
                                "mad r8, r7.w, c3, r8\n"
                                "mov oPos, r8\n"
                                "add r8.x, r8.w, c18.x\n"
                                "mul oFog.x, r8.x, c18.y\n"
                                "; unit view vector, eye distance in w\n"
                                "add r9, r7, -c15\n"
                                "dp3 r9.w, r9, r9\n"
                                "rsq r10.w, r9.w\n"
                                "mul r9.xyz, r9, r10.w\n"
                                "rcp r9.w, r10.w\n"
                                "; bump strength\n"
                                "add r10.x, r9.w, c14.x\n"
                                "mul r10.x, r10.x, c14.y\n"
                                "max r10.x, r10.x, c18.z\n"
                                "min r10.x, r10.x, c18.w\n"
                                "mul r10.x, r10.x, r10.x\n"
                                "mul r10.x, r10.x, c14.z\n"
                                "; slope sums (Cx, Cz, Sxx, Sxz) and (Szz, Ss)\n"
                                "dp4 r8.x, r6, c21\n"
                                "dp4 r8.y, r6, c22\n"
                                "dp4 r8.z, r5, c24\n"
                                "dp4 r8.w, r5, c25\n"
                                "dp4 r11.x, r5, c26\n"
                                "dp4 r11.y, r5, c23\n"
                                "; bump coordinate of the undisplaced position\n"
                                "mul oT0.xy, r0.xz, c14.w\n"
                                "mov oT0.zw, c18\n"
                                "; where the view ray leaves the reflection sphere, from its centre;\n"
                                "; a ray that misses takes its nearest point\n"
                                "dp3 r2.x, r9, c16\n"
                                "mad r2.y, r2.x, r2.x, -c16.w\n"
                                "max r2.y, r2.y, c18.z\n"
                                "rsq r2.z, r2.y\n"
                                "rcp r2.z, r2.z\n"
                                "add r2.x, r2.x, r2.z\n"
                                "mad r3.xyz, r9, r2.x, -c16\n"
                                "; rows of the surface frame, the eye vector in w\n"
                                "add r4.x, c18.w, -r8.z\n"
                                "mul r4.x, r4.x, r10.x\n"
                                "mov r4.y, -r8.x\n"
                                "mul r4.z, r8.w, -r10.x\n"
                                "mov r4.w, -r3.x\n"
                                "mov oT1, r4\n"
                                "mul r4.x, r8.x, r10.x\n"
                                "add r4.y, c18.w, -r11.y\n"
                                "mul r4.z, r8.y, r10.x\n"
                                "mov r4.w, -r3.y\n"
                                "mov oT2, r4\n"
                                "mul r4.x, r8.w, -r10.x\n"
                                "mov r4.y, -r8.y\n"
                                "add r4.z, c18.w, -r11.x\n"
                                "mul r4.z, r4.z, r10.x\n"
                                "mov r4.w, -r3.z\n"
                                "mov oT3, r4\n"
                                "; colours\n"
                                "mul oD0.xyz, v5, v5.w\n"
                                "mov oD0.w, v5.w\n"
                                "mov oD1, c8\n";

// Stage 3 holds the cube map; the specular alpha carries the reflection level.
constexpr char kWaterPSText[] = "ps.1.1\n"
                                "tex t0\n"
                                "texm3x3pad t1, t0_bx2\n"
                                "texm3x3pad t2, t0_bx2\n"
                                "texm3x3vspec t3, t0_bx2\n"
                                "mul r1, t3, v1.a\n"
                                "mad r0.rgb, r1, v0.a, v0\n"
                                "+mov r0.a, v0.a\n";

} // namespace

const Text kCosineVS = Make(kCosineVSText);
const Text kCosinePS = Make(kCosinePSText);
const Text kNoiseVS = Make(kNoiseVSText);
const Text kNoisePS = Make(kNoisePSText);
const Text kWaterVS = Make(kWaterVSText);
const Text kWaterPS = Make(kWaterPSText);

const DWORD kTexPassDeclaration[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(7, D3DVSDT_FLOAT2),
                                     D3DVSD_END()};
const DWORD kWaterDeclaration[] = {D3DVSD_STREAM(0),
                                   D3DVSD_REG(0, D3DVSDT_FLOAT3),
                                   D3DVSD_REG(3, D3DVSDT_FLOAT3),
                                   D3DVSD_REG(5, D3DVSDT_D3DCOLOR),
                                   D3DVSD_REG(7, D3DVSDT_FLOAT2),
                                   D3DVSD_END()};

} // namespace Kestu::WaterShaderTexts
