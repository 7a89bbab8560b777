// vs 1.0/1.1 token streams to GLSL vertex shaders.
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "d3d8/shader_translate.h"
#include "d3dx8/shader_tokens.h"

namespace kestu::d3d8 {
namespace {

using d3dx::ShaderInstruction;
using d3dx::ShaderParameter;

constexpr DWORD kTemps = 12;
constexpr DWORD kInputs = 16;

// Results whose special cases Direct3D defines: rcp/rsq of 1 are exactly 1,
// of 0 the largest float; log of 0 the most negative one.
const char* kHelpers = R"(
const float kFltMax = 3.402823466e38;
float Rcp(float x) { return x == 1.0 ? 1.0 : (x == 0.0 ? kFltMax : 1.0 / x); }
float Rsq(float x) { x = abs(x); return x == 1.0 ? 1.0 : (x == 0.0 ? kFltMax : inversesqrt(x)); }
float Log2(float x) { x = abs(x); return x == 0.0 ? -kFltMax : log2(x); }
vec4 Lit(vec4 s) {
    vec4 d = vec4(1.0, 0.0, 0.0, 1.0);
    float p = clamp(s.w, -127.9961, 127.9961);
    if (s.x > 0.0) { d.y = s.x; if (s.y > 0.0) d.z = pow(s.y, p); }
    return d;
}
vec4 Expp(float w) { float f = floor(w); return vec4(exp2(f), w - f, exp2(w), 1.0); }
vec4 Logp(float w) {
    float v = abs(w);
    if (v == 0.0) return vec4(-kFltMax, -kFltMax, -kFltMax, 1.0);
    float e = floor(log2(v));
    float m = v / exp2(e);
    if (m >= 2.0) { m *= 0.5; e += 1.0; } else if (m < 1.0) { m *= 2.0; e -= 1.0; }
    return vec4(e, m, log2(v), 1.0);
}
)";

class VertexTranslator {
public:
    VertexTranslator(TranslatedShader& out, unsigned constants) : out_(out), constants_(constants) {}

    bool Run(const DWORD* tokens);

private:
    bool Source(const ShaderParameter& p, std::string& text, int rowOffset = 0);
    bool Destination(const ShaderParameter& p, std::string& name, bool& address);
    bool Instruction(const ShaderInstruction& ins);

    TranslatedShader& out_;
    unsigned constants_;
    std::map<DWORD, std::array<float, 4>> defs_;
    std::ostringstream body_;
};

bool VertexTranslator::Source(const ShaderParameter& p, std::string& text, int rowOffset)
{
    const DWORD n = p.number + static_cast<DWORD>(rowOffset);
    if (p.relative && p.type != D3DSPR_CONST) return false;
    std::string reg;
    switch (p.type) {
    case D3DSPR_TEMP:
        if (n >= kTemps) return false;
        reg = "r" + std::to_string(n);
        break;
    case D3DSPR_INPUT:
        if (n >= kInputs) return false;
        reg = "v" + std::to_string(n);
        out_.inputs |= 1u << n;
        break;
    case D3DSPR_CONST:
        if (n >= constants_) return false;
        if (p.relative)
            reg = "C(a0.x + " + std::to_string(n) + ")";
        else if (defs_.count(n))
            reg = "d" + std::to_string(n);
        else
            reg = "vsc[" + std::to_string(n) + "]";
        break;
    default: return false;
    }
    if (p.sourceModifier != D3DSPSM_NONE && p.sourceModifier != D3DSPSM_NEG) return false;
    text = ApplySourceModifier(reg + SwizzleText(p.swizzle), p.sourceModifier);
    return true;
}

bool VertexTranslator::Destination(const ShaderParameter& p, std::string& name, bool& address)
{
    address = false;
    const DWORD n = p.number;
    if (p.shift != 0) return false;
    switch (p.type) {
    case D3DSPR_TEMP:
        if (n >= kTemps) return false;
        name = "r" + std::to_string(n);
        return true;
    case D3DSPR_ADDR:
        if (n != 0) return false;
        name = "a0";
        address = true;
        return true;
    case D3DSPR_RASTOUT:
        if (n > D3DSRO_POINT_SIZE) return false;
        name = n == D3DSRO_POSITION ? "oPos" : n == D3DSRO_FOG ? "oFog" : "oPts";
        return true;
    case D3DSPR_ATTROUT:
        if (n > 1) return false;
        name = "oD" + std::to_string(n);
        return true;
    case D3DSPR_TEXCRDOUT:
        if (n > 7) return false;
        name = "oT" + std::to_string(n);
        return true;
    default: return false;
    }
}

bool VertexTranslator::Instruction(const ShaderInstruction& ins)
{
    const DWORD op = ins.opcode;
    if (op == D3DSIO_NOP || op == D3DSIO_COMMENT || op == D3DSIO_DEF) return true;
    if (ins.coissue) return false;
    std::string s[3];
    const bool matrix = op >= D3DSIO_M4x4 && op <= D3DSIO_M3x2;
    for (int i = 0; i < ins.sourceCount; ++i)
        if (!(matrix && i == 1) && !Source(ins.sources[i], s[i])) return false;
    std::string value;
    DWORD produced = 0xF; // components the instruction defines
    switch (op) {
    case D3DSIO_MOV: value = s[0]; break;
    case D3DSIO_ADD: value = "(" + s[0] + " + " + s[1] + ")"; break;
    case D3DSIO_SUB: value = "(" + s[0] + " - " + s[1] + ")"; break;
    case D3DSIO_MAD: value = "(" + s[0] + " * " + s[1] + " + " + s[2] + ")"; break;
    case D3DSIO_MUL: value = "(" + s[0] + " * " + s[1] + ")"; break;
    case D3DSIO_RCP: value = "vec4(Rcp(" + s[0] + ".w))"; break;
    case D3DSIO_RSQ: value = "vec4(Rsq(" + s[0] + ".w))"; break;
    case D3DSIO_DP3: value = "vec4(dot(" + s[0] + ".xyz, " + s[1] + ".xyz))"; break;
    case D3DSIO_DP4: value = "vec4(dot(" + s[0] + ", " + s[1] + "))"; break;
    case D3DSIO_MIN: value = "min(" + s[0] + ", " + s[1] + ")"; break;
    case D3DSIO_MAX: value = "max(" + s[0] + ", " + s[1] + ")"; break;
    case D3DSIO_SLT: value = "vec4(lessThan(" + s[0] + ", " + s[1] + "))"; break;
    case D3DSIO_SGE: value = "vec4(greaterThanEqual(" + s[0] + ", " + s[1] + "))"; break;
    case D3DSIO_EXP: value = "vec4(exp2(" + s[0] + ".w))"; break;
    case D3DSIO_LOG: value = "vec4(Log2(" + s[0] + ".w))"; break;
    case D3DSIO_EXPP: value = "Expp(" + s[0] + ".w)"; break;
    case D3DSIO_LOGP: value = "Logp(" + s[0] + ".w)"; break;
    case D3DSIO_LIT: value = "Lit(" + s[0] + ")"; break;
    case D3DSIO_DST: value = "vec4(1.0, " + s[0] + ".y * " + s[1] + ".y, " + s[0] + ".z, " + s[1] + ".w)"; break;
    case D3DSIO_FRC: value = "fract(" + s[0] + ")"; break;
    case D3DSIO_M4x4:
    case D3DSIO_M4x3:
    case D3DSIO_M3x4:
    case D3DSIO_M3x3:
    case D3DSIO_M3x2: {
        const int rows = op == D3DSIO_M4x4 || op == D3DSIO_M3x4 ? 4 : op == D3DSIO_M3x2 ? 2 : 3;
        const bool four = op == D3DSIO_M4x4 || op == D3DSIO_M4x3;
        std::string parts[4] = {"0.0", "0.0", "0.0", "0.0"};
        for (int r = 0; r < rows; ++r) {
            std::string row;
            if (!Source(ins.sources[1], row, r)) return false;
            parts[r] = four ? "dot(" + s[0] + ", " + row + ")" : "dot(" + s[0] + ".xyz, " + row + ".xyz)";
        }
        value = "vec4(" + parts[0] + ", " + parts[1] + ", " + parts[2] + ", " + parts[3] + ")";
        produced = (1u << rows) - 1;
        break;
    }
    default: return false;
    }
    std::string dest;
    bool address = false;
    if (!ins.hasDestination || !Destination(ins.destination, dest, address)) return false;
    if (address && op != D3DSIO_MOV) return false;
    DWORD mask = ins.destination.writeMask & produced;
    if (ins.destination.resultModifier == D3DSPDM_SATURATE)
        value = "clamp(" + value + ", 0.0, 1.0)";
    else if (ins.destination.resultModifier != 0)
        return false;
    if (address) {
        body_ << MaskedWrite("a0", "ivec4(floor(" + value + "))", mask);
    } else {
        body_ << "    t = " << value << ";\n" << MaskedWrite(dest, "t", mask);
    }
    return true;
}

bool VertexTranslator::Run(const DWORD* tokens)
{
    const size_t count = d3dx::ShaderTokenCount(tokens, kMaxShaderTokens);
    if (count == 0) return false;
    d3dx::ShaderTokenReader reader(tokens, count);
    if (!reader.IsVertexShader()) return false;
    out_.version = reader.Version();
    // Constants defined in the code override the device's registers; collect
    // them first so that reads before the def see them too.
    {
        d3dx::ShaderTokenReader pass(tokens, count);
        ShaderInstruction ins;
        while (pass.Next(ins)) {
            if (ins.opcode != D3DSIO_DEF) continue;
            if (ins.destination.type != D3DSPR_CONST || ins.destination.number >= constants_) return false;
            std::array<float, 4> v;
            std::memcpy(v.data(), ins.constant, 16);
            defs_[ins.destination.number] = v;
        }
        if (pass.Failed()) return false;
    }
    ShaderInstruction ins;
    while (reader.Next(ins))
        if (!Instruction(ins)) return false;
    if (reader.Failed() || !reader.AtEnd()) return false;
    std::ostringstream g;
    g << kHelpers;
    for (auto& d : defs_)
        g << "const vec4 d" << d.first << " = vec4(" << FloatText(d.second[0]) << ", " << FloatText(d.second[1]) << ", "
          << FloatText(d.second[2]) << ", " << FloatText(d.second[3]) << ");\n";
    g << "vec4 C(int i) {\n    if (i < 0 || i >= " << constants_ << ") return vec4(0.0);\n";
    for (auto& d : defs_) g << "    if (i == " << d.first << ") return d" << d.first << ";\n";
    g << "    return vsc[i];\n}\n";
    out_.globals = g.str();
    out_.body = body_.str();
    out_.tokens.assign(tokens, tokens + count);
    return true;
}

} // namespace

bool TranslateVertexShader(const DWORD* tokens, TranslatedShader& out, unsigned constants)
{
    out = TranslatedShader();
    if (!tokens || constants > kVertexShaderConstants) return false;
    VertexTranslator t(out, constants);
    if (t.Run(tokens)) return true;
    out = TranslatedShader();
    return false;
}

std::string VertexShaderSource(const TranslatedShader& vs, const VertexDeclaration& decl, const LinkOptions& o)
{
    std::ostringstream s;
    const char* flat = o.flatShade ? "flat " : "";
    s << "#version 330 core\nuniform vec4 ffp[122];\nuniform vec4 vsc[" << kVertexShaderConstants << "];\n";
    uint32_t declared = 0;
    for (const VertexElement& e : decl.elements) declared |= 1u << e.reg;
    for (unsigned i = 0; i < kInputs; ++i) {
        if (!(vs.inputs & (1u << i))) continue;
        if (declared & (1u << i))
            s << "layout(location = " << i << ") in vec4 v" << i << ";\n";
        else
            s << "const vec4 v" << i << " = vec4(0.0, 0.0, 0.0, 1.0);\n";
    }
    s << flat << "out vec4 vDiffuse;\n" << flat << "out vec4 vSpecular;\nout float vFog;\n";
    for (int i = 0; i < 8; ++i) s << "out vec4 vTex" << i << ";\n";
    if (o.clipMask) s << "uniform vec4 clipPlanes[6];\nout float gl_ClipDistance[6];\n";
    s << vs.globals;
    s << "void main() {\n    vec4 t;\n    ivec4 a0 = ivec4(0);\n";
    for (DWORD i = 0; i < kTemps; ++i) s << "    vec4 r" << i << " = vec4(0.0);\n";
    s << "    vec4 oPos = vec4(0.0, 0.0, 0.0, 1.0);\n    vec4 oD0 = vec4(1.0);\n    vec4 oD1 = vec4(0.0);\n";
    s << "    vec4 oFog = vec4(1.0);\n    vec4 oPts = vec4(ffp[56].x);\n";
    for (int i = 0; i < 8; ++i) s << "    vec4 oT" << i << " = vec4(0.0, 0.0, 0.0, 1.0);\n";
    s << vs.body;
    // Direct3D's clip space to GL's: depth [0, w] to [-w, w], pixel centres
    // at integers, rows top-down.
    s << "    gl_Position = vec4(oPos.x + oPos.w * ffp[58].x, -oPos.y + oPos.w * ffp[58].y, 2.0 * oPos.z - oPos.w, "
         "oPos.w);\n";
    for (int i = 0; i < 6 && o.clipMask; ++i) {
        if (o.clipMask & (1 << i))
            s << "    gl_ClipDistance[" << i << "] = dot(oPos, clipPlanes[" << i << "]);\n";
        else
            s << "    gl_ClipDistance[" << i << "] = 1.0;\n";
    }
    s << "    vDiffuse = clamp(oD0, 0.0, 1.0);\n    vSpecular = clamp(oD1, 0.0, 1.0);\n";
    if (o.fogEnable && o.tableFog) {
        if (o.fogUsesW)
            s << "    vFog = gl_Position.w;\n";
        else
            s << "    vFog = (gl_Position.z / gl_Position.w) * 0.5 + 0.5;\n";
    } else {
        s << "    vFog = clamp(oFog.x, 0.0, 1.0);\n";
    }
    // The texture stages divide by w; only projected stages may see one other than 1.
    for (int i = 0; i < 8; ++i) {
        if (o.fixedFragment && !o.projected[i])
            s << "    vTex" << i << " = vec4(oT" << i << ".xyz, 1.0);\n";
        else
            s << "    vTex" << i << " = oT" << i << ";\n";
    }
    if (o.points) s << "    gl_PointSize = clamp(oPts.x, max(ffp[56].y, 1.0), max(ffp[56].z, 1.0));\n";
    s << "}\n";
    return s.str();
}

} // namespace kestu::d3d8
