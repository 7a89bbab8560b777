// GLSL text shared by the vertex and pixel shader translators.
#include <cstdio>
#include <cstring>

#include "d3d8/shader_translate.h"

namespace kestu::d3d8 {

std::string FloatText(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, 4);
    char buf[40];
    std::snprintf(buf, sizeof(buf), "uintBitsToFloat(0x%08Xu)", static_cast<unsigned>(u));
    return buf;
}

std::string SwizzleText(DWORD swizzle)
{
    if (swizzle == 0xE4) return std::string();
    std::string s = ".";
    for (int i = 0; i < 4; ++i) s += "xyzw"[(swizzle >> (2 * i)) & 3];
    return s;
}

std::string ApplySourceModifier(const std::string& v, DWORD modifier)
{
    switch (modifier) {
    case D3DSPSM_NEG: return "(-" + v + ")";
    case D3DSPSM_BIAS: return "(" + v + " - vec4(0.5))";
    case D3DSPSM_BIASNEG: return "(vec4(0.5) - " + v + ")";
    case D3DSPSM_SIGN: return "(2.0 * " + v + " - vec4(1.0))";
    case D3DSPSM_SIGNNEG: return "(vec4(1.0) - 2.0 * " + v + ")";
    case D3DSPSM_COMP: return "(vec4(1.0) - " + v + ")";
    case D3DSPSM_X2: return "(2.0 * " + v + ")";
    case D3DSPSM_X2NEG: return "(-2.0 * " + v + ")";
    default: return v;
    }
}

std::string MaskedWrite(const std::string& reg, const std::string& value, DWORD mask)
{
    mask &= 0xF;
    if (mask == 0) return std::string();
    if (mask == 0xF) return "    " + reg + " = " + value + ";\n";
    std::string m;
    for (int i = 0; i < 4; ++i)
        if (mask & (1u << i)) m += "xyzw"[i];
    return "    " + reg + "." + m + " = (" + value + ")." + m + ";\n";
}

} // namespace kestu::d3d8
