#include "model/skinning/SkinShaders.h"

#include <d3d8.h>

namespace Kestu::skinning {

namespace {

// What a vertex shader computes besides the blend.
enum class Output {
    Unlit,    // white (c0.y)
    Lit,      // ambient + lights in the first colour
    Split,    // directional term in the first colour, point lights in the second
    Material, // lit by the material constants, specular in the second colour
};

struct Form {
    int base;        // palette register of bone slot 0
    int pointLights; // 0, 1 or 2
    Output output;
};

Form FormOf(ESkinShader which)
{
    switch (static_cast<int>(which) & ~1) {
    case SKIN_VS101: return {5, 0, Output::Unlit};
    case SKIN_VS101_LIGHT: return {18, 0, Output::Lit};
    case SKIN_VS101_LIGHT_P: return {18, 1, Output::Lit};
    case SKIN_VS101_LIGHT_P2: return {18, 2, Output::Lit};
    case SKIN_VSPS_LIGHT: return {18, 0, Output::Split};
    case SKIN_VSPS_LIGHT_P: return {18, 1, Output::Split};
    case SKIN_VSPS_LIGHT_P2: return {18, 2, Output::Split};
    case SKIN_VS2000_MATERIAL: return {17, 0, Output::Material};
    default: return {32, 0, Output::Material};
    }
}

std::string C(int base, int offset) { return "c[a0.x + " + std::to_string(base + offset) + "]"; }

// Blends the position into r0.xyz and (lit forms) the signed normal into r1.xyz.
void Blend(std::string& s, const Form& f, int bones)
{
    const bool lit = f.output != Output::Unlit;
    for (int k = 0; k < bones; ++k) {
        const std::string weight = std::string(k < 4 ? "v1." : "v5.") + "xyzw"[k % 4];
        const std::string offset = std::string(k < 4 ? "v2." : "v6.") + "xyzw"[k % 4];
        s += "mov a0.x, " + offset + "\n";
        s += "m4x3 r2.xyz, v0, " + C(f.base, 0) + "\n";
        s += k == 0 ? "mul r0.xyz, r2, " + weight + "\n" : "mad r0.xyz, r2, " + weight + ", r0\n";
        if (lit) {
            s += "m3x3 r3.xyz, v3, " + C(f.base, 0) + "\n";
            s += "mul r4.x, " + weight + ", " + C(f.base, 3) + ".x\n";
            s += k == 0 ? "mul r1.xyz, r3, r4.x\n" : "mad r1.xyz, r3, r4.x, r1\n";
        }
    }
    s += "mov r0.w, c0.y\n";
}

void Normalize(std::string& s, const char* reg)
{
    const std::string r = reg;
    s += "dp3 " + r + ".w, " + r + ", " + r + "\n";
    s += "rsq " + r + ".w, " + r + ".w\n";
    s += "mul " + r + ".xyz, " + r + ", " + r + ".w\n";
}

// The light of a point light (colour c[colour], position c[colour + 1]) on
// the world normal r5 at the world position r8, added to acc (or starting it).
void PointLight(std::string& s, int colour, const char* acc, bool first)
{
    s += "sub r9, c" + std::to_string(colour + 1) + ", r8\n";
    Normalize(s, "r9");
    s += "dp3 r10.x, r5, r9\n";
    s += "max r10.x, r10.x, c0.w\n";
    const std::string c = "c" + std::to_string(colour);
    s += first ? "mul " + std::string(acc) + ", " + c + ", r10.x\n"
               : "mad " + std::string(acc) + ", " + c + ", r10.x, " + acc + "\n";
}

} // namespace

std::string VertexShaderText(ESkinShader which)
{
    const Form f = FormOf(which);
    const int bones = IsEightBoneShader(which) ? 8 : 4;
    std::string s = "vs.1.1\n";
    Blend(s, f, bones);
    if (f.output == Output::Unlit) {
        s += "m4x4 oPos, r0, c1\n";
        s += "mov oD0, c0.y\n";
        s += "mov oT0, v7\n";
        return s;
    }
    const bool world = f.pointLights > 0 || f.output == Output::Material;
    if (world) {
        s += "m4x3 r8.xyz, r0, c6\n";
        s += "mov r8.w, c0.y\n";
        s += "m4x4 oPos, r8, c1\n";
    } else {
        s += "m4x4 oPos, r0, c1\n";
    }
    s += "m3x3 r5.xyz, r1, c9\n";
    Normalize(s, "r5");
    const int direction = f.output == Output::Material ? 16 : 13;
    s += "dp3 r6.x, r5, c" + std::to_string(direction) + "\n";
    s += "max r6.x, r6.x, c0.w\n";
    switch (f.output) {
    case Output::Lit:
        s += "mov r7, c5\n";
        s += "mad r7, c12, r6.x, r7\n";
        for (int p = 0; p < f.pointLights; ++p) PointLight(s, 14 + 2 * p, "r7", false);
        s += "mov oD0, r7\n";
        break;
    case Output::Split:
        s += "mul oD0, c12, r6.x\n";
        if (f.pointLights > 0) {
            for (int p = 0; p < f.pointLights; ++p) PointLight(s, 14 + 2 * p, "r11", p == 0);
            s += "mov oD1, r11\n";
        }
        break;
    default:
        // Diffuse: ambient + the directional light, both by the material's diffuse colour.
        s += "mul r7, c15, r6.x\n";
        s += "mul r7, r7, c13\n";
        s += "add r7.xyz, r7, c5\n";
        s += "mov r7.w, c0.y\n";
        s += "mov oD0, r7\n";
        // Specular: the half vector between the eye and the light.
        s += "sub r9, c12, r8\n";
        Normalize(s, "r9");
        s += "add r9.xyz, r9, c16\n";
        Normalize(s, "r9");
        s += "dp3 r10.x, r5, c16\n";
        s += "dp3 r10.y, r5, r9\n";
        s += "mov r10.w, c13.w\n";
        s += "lit r10, r10\n";
        s += "mul oD1, c14, r10.z\n";
        break;
    }
    s += "mov oT0, v7\n";
    return s;
}

std::string PixelShaderText(int which)
{
    std::string s = "ps.1.1\ntex t0\n";
    s += which == 0 ? "add r1, v0, c0\n" : "add r1, v0, v1\nadd r1, r1, c0\n";
    s += "mul r0, t0, r1\n";
    s += "mov r0.a, t0.a\n";
    return s;
}

std::vector<DWORD> Declaration(DWORD fvf, bool eightBones)
{
    std::vector<DWORD> d;
    d.push_back(D3DVSD_STREAM(0));
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: d.push_back(D3DVSD_REG(0, D3DVSDT_FLOAT3)); break;
    case D3DFVF_XYZRHW: d.push_back(D3DVSD_REG(0, D3DVSDT_FLOAT4)); break;
    case 0: break;
    default:
        // Blend weights after the position are not read.
        d.push_back(D3DVSD_REG(0, D3DVSDT_FLOAT3));
        d.push_back(D3DVSD_SKIP(((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZRHW) / 2));
        break;
    }
    if (fvf & D3DFVF_NORMAL) d.push_back(D3DVSD_REG(3, D3DVSDT_FLOAT3));
    if (fvf & D3DFVF_PSIZE) d.push_back(D3DVSD_SKIP(1));
    if (fvf & D3DFVF_DIFFUSE) d.push_back(D3DVSD_SKIP(1));
    if (fvf & D3DFVF_SPECULAR) d.push_back(D3DVSD_SKIP(1));
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD t = 0; t < sets && t < 8; ++t) {
        static const DWORD kFloats[4] = {2, 3, 4, 1};
        const DWORD floats = kFloats[(fvf >> (16 + 2 * t)) & 3];
        if (t == 0)
            d.push_back(D3DVSD_REG(7, D3DVSDT_FLOAT1 + floats - 1));
        else
            d.push_back(D3DVSD_SKIP(floats));
    }
    d.push_back(D3DVSD_STREAM(1));
    d.push_back(D3DVSD_REG(1, D3DVSDT_FLOAT4));
    if (eightBones) d.push_back(D3DVSD_REG(5, D3DVSDT_FLOAT4));
    d.push_back(D3DVSD_STREAM(2));
    d.push_back(D3DVSD_REG(2, D3DVSDT_SHORT4));
    if (eightBones) d.push_back(D3DVSD_REG(6, D3DVSDT_SHORT4));
    d.push_back(D3DVSD_END());
    return d;
}

} // namespace Kestu::skinning
