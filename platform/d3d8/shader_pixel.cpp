// ps 1.0-1.4 token streams to GLSL fragment shaders.
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "d3d8/shader_translate.h"
#include "d3dx8/shader_tokens.h"

namespace kestu::d3d8 {
namespace {

using d3dx::ShaderInstruction;
using d3dx::ShaderParameter;

class PixelTranslator {
public:
    explicit PixelTranslator(TranslatedShader& out) : out_(out) {}
    bool Run(const DWORD* tokens);

private:
    bool Ps14() const { return minor_ >= 4; }
    DWORD Temps() const { return Ps14() ? 6 : 2; }
    DWORD Stages() const { return Ps14() ? 6 : 4; }
    bool Source(const ShaderParameter& p, std::string& text);
    bool Coordinate(const ShaderParameter& p, std::string& text);
    bool Arithmetic(const ShaderInstruction& ins);
    bool TextureOp(const ShaderInstruction& ins);
    bool TextureOp14(const ShaderInstruction& ins);
    std::string Sample(DWORD stage, const std::string& coord)
    {
        out_.samplers |= 1u << stage;
        return "Tex" + std::to_string(stage) + "(" + coord + ")";
    }
    std::string Coord(DWORD stage)
    {
        out_.coords |= 1u << stage;
        return "vTex" + std::to_string(stage);
    }
    void Flush()
    {
        body_ << pending_;
        pending_.clear();
    }

    TranslatedShader& out_;
    DWORD minor_ = 0;
    std::map<DWORD, std::array<float, 4>> defs_;
    std::ostringstream body_;
    std::string pending_; // the write of the last arithmetic instruction (for co-issue)
    std::vector<DWORD> pads_;
    int phase_ = 1;
    int serial_ = 0;
};

bool PixelTranslator::Source(const ShaderParameter& p, std::string& text)
{
    if (p.relative) return false;
    const DWORD n = p.number;
    std::string reg;
    switch (p.type) {
    case D3DSPR_TEMP:
        if (n >= Temps()) return false;
        reg = "r" + std::to_string(n);
        break;
    case D3DSPR_INPUT:
        if (n > 1 || (Ps14() && phase_ == 1)) return false;
        reg = n == 0 ? "vDiffuse" : "vSpecular";
        break;
    case D3DSPR_CONST:
        if (n >= kPixelShaderConstants) return false;
        reg = defs_.count(n) ? "d" + std::to_string(n) : "psc[" + std::to_string(n) + "]";
        break;
    case D3DSPR_TEXTURE:
        if (Ps14() || n >= Stages()) return false;
        reg = "t" + std::to_string(n);
        break;
    default: return false;
    }
    if (p.sourceModifier == D3DSPSM_DZ || p.sourceModifier == D3DSPSM_DW || p.sourceModifier > D3DSPSM_DW) return false;
    text = ApplySourceModifier(reg + SwizzleText(p.swizzle), p.sourceModifier);
    return true;
}

// The coordinate operand of texld/texcrd/texkill in ps 1.4.
bool PixelTranslator::Coordinate(const ShaderParameter& p, std::string& text)
{
    if (p.relative || p.number >= Stages()) return false;
    std::string v;
    if (p.type == D3DSPR_TEXTURE)
        v = Coord(p.number);
    else if (p.type == D3DSPR_TEMP && phase_ == 2)
        v = "r" + std::to_string(p.number);
    else
        return false;
    v += SwizzleText(p.swizzle);
    switch (p.sourceModifier) {
    case D3DSPSM_NONE: break;
    case D3DSPSM_DZ: v = "vec4(" + v + ".xy / " + v + ".z, " + v + ".zw)"; break;
    case D3DSPSM_DW: v = "vec4(" + v + ".xy / " + v + ".w, " + v + ".zw)"; break;
    default: return false;
    }
    text = v;
    return true;
}

bool PixelTranslator::Arithmetic(const ShaderInstruction& ins)
{
    const DWORD op = ins.opcode;
    std::string s[3];
    for (int i = 0; i < ins.sourceCount; ++i)
        if (!Source(ins.sources[i], s[i])) return false;
    std::string v;
    DWORD produced = 0xF;
    switch (op) {
    case D3DSIO_MOV: v = s[0]; break;
    case D3DSIO_ADD: v = "(" + s[0] + " + " + s[1] + ")"; break;
    case D3DSIO_SUB: v = "(" + s[0] + " - " + s[1] + ")"; break;
    case D3DSIO_MUL: v = "(" + s[0] + " * " + s[1] + ")"; break;
    case D3DSIO_MAD: v = "(" + s[0] + " * " + s[1] + " + " + s[2] + ")"; break;
    case D3DSIO_LRP: v = "(" + s[0] + " * " + s[1] + " + (vec4(1.0) - " + s[0] + ") * " + s[2] + ")"; break;
    case D3DSIO_DP3: v = "vec4(dot(" + s[0] + ".xyz, " + s[1] + ".xyz))"; break;
    case D3DSIO_DP4:
        if (minor_ < 2) return false;
        v = "vec4(dot(" + s[0] + ", " + s[1] + "))";
        break;
    case D3DSIO_CND:
        if (Ps14())
            v = "mix(" + s[2] + ", " + s[1] + ", greaterThan(" + s[0] + ", vec4(0.5)))";
        else
            v = "(" + s[0] + ".w > 0.5 ? " + s[1] + " : " + s[2] + ")";
        break;
    case D3DSIO_CMP:
        if (minor_ < 2) return false;
        v = "mix(" + s[2] + ", " + s[1] + ", greaterThanEqual(" + s[0] + ", vec4(0.0)))";
        break;
    case D3DSIO_BEM: {
        if (!Ps14() || phase_ != 1) return false;
        const std::string m = "bem[" + std::to_string(ins.destination.number % 8) + "]";
        v = "vec4(" + s[0] + ".x + " + m + ".x * " + s[1] + ".x + " + m + ".z * " + s[1] + ".y, " + s[0] + ".y + " + m +
            ".y * " + s[1] + ".x + " + m + ".w * " + s[1] + ".y, 0.0, 0.0)";
        produced = 0x3;
        break;
    }
    default: return false;
    }
    const ShaderParameter& d = ins.destination;
    std::string dest;
    if (d.type == D3DSPR_TEMP && d.number < Temps())
        dest = "r" + std::to_string(d.number);
    else if (d.type == D3DSPR_TEXTURE && !Ps14() && d.number < Stages())
        dest = "t" + std::to_string(d.number);
    else
        return false;
    static const char* const kShift[] = {"", " * 2.0", " * 4.0", " * 8.0"};
    if (d.shift > 0 && d.shift <= 3)
        v = "(" + v + kShift[d.shift] + ")";
    else if (d.shift < 0 && d.shift >= -3)
        v = "(" + v + (d.shift == -1 ? " * 0.5" : d.shift == -2 ? " * 0.25" : " * 0.125") + ")";
    else if (d.shift != 0)
        return false;
    if (d.resultModifier == D3DSPDM_SATURATE)
        v = "clamp(" + v + ", 0.0, 1.0)";
    else if (d.resultModifier != 0)
        return false;
    else
        v = "clamp(" + v + ", " + FloatText(-kMaxPixelShaderValue) + ", " + FloatText(kMaxPixelShaderValue) + ")";
    const std::string tmp = "q" + std::to_string(serial_++);
    const std::string calc = "    vec4 " + tmp + " = " + v + ";\n";
    const std::string write = MaskedWrite(dest, tmp, d.writeMask & produced);
    if (ins.coissue) {
        if (pending_.empty()) return false;
        body_ << calc << pending_ << write;
        pending_.clear();
    } else {
        Flush();
        body_ << calc;
        pending_ = write;
    }
    return true;
}

bool PixelTranslator::TextureOp(const ShaderInstruction& ins)
{
    const DWORD op = ins.opcode;
    const ShaderParameter& d = ins.destination;
    if (ins.coissue || d.type != D3DSPR_TEXTURE || d.number >= Stages() || d.shift != 0 || d.resultModifier)
        return false;
    const DWORD n = d.number;
    const std::string t = "t" + std::to_string(n);
    std::string s;
    if (ins.sourceCount >= 1) {
        const ShaderParameter& p = ins.sources[0];
        if (p.type != D3DSPR_TEXTURE || p.number >= n) return false; // reads an earlier stage
        if (!Source(p, s)) return false;
    }
    const bool padOp = op == D3DSIO_TEXM3x2PAD || op == D3DSIO_TEXM3x3PAD;
    const bool matrixOp = op == D3DSIO_TEXM3x2TEX || op == D3DSIO_TEXM3x2DEPTH || op == D3DSIO_TEXM3x3TEX ||
                          op == D3DSIO_TEXM3x3DIFF || op == D3DSIO_TEXM3x3SPEC || op == D3DSIO_TEXM3x3VSPEC ||
                          op == D3DSIO_TEXM3x3;
    if (!padOp && !matrixOp && !pads_.empty()) return false; // an unfinished matrix
    Flush();
    std::ostringstream& b = body_;
    const std::string c = Coord(n);
    auto dotRow = [&](DWORD stage) { return "dot(" + Coord(stage) + ".xyz, " + s + ".xyz)"; };
    switch (op) {
    case D3DSIO_TEX:
        out_.samplers |= 1u << n;
        b << "    " << t << " = TexP" << n << "(" << c << ");\n";
        break;
    case D3DSIO_TEXCOORD: b << "    " << t << " = vec4(clamp(" << c << ".xyz, 0.0, 1.0), 1.0);\n"; break;
    case D3DSIO_TEXKILL: b << "    if (any(lessThan(" << c << ".xyz, vec3(0.0)))) discard;\n"; break;
    case D3DSIO_TEXBEM:
    case D3DSIO_TEXBEML: {
        const std::string m = "bem[" + std::to_string(n) + "]";
        b << "    " << t << " = "
          << Sample(n, "vec3(" + c + ".x + " + m + ".x * " + s + ".x + " + m + ".z * " + s + ".y, " + c + ".y + " + m +
                           ".y * " + s + ".x + " + m + ".w * " + s + ".y, 0.0)")
          << ";\n";
        if (op == D3DSIO_TEXBEML)
            b << "    " << t << ".rgb *= clamp(" << s << ".z * beml[" << n << "].x + beml[" << n << "].y, 0.0, 1.0);\n";
        break;
    }
    case D3DSIO_TEXREG2AR:
        b << "    " << t << " = " << Sample(n, "vec3(" + s + ".w, " + s + ".x, 0.0)") << ";\n";
        break;
    case D3DSIO_TEXREG2GB:
        b << "    " << t << " = " << Sample(n, "vec3(" + s + ".y, " + s + ".z, 0.0)") << ";\n";
        break;
    case D3DSIO_TEXREG2RGB:
        if (minor_ < 2) return false;
        b << "    " << t << " = " << Sample(n, s + ".xyz") << ";\n";
        break;
    case D3DSIO_TEXDP3TEX:
        if (minor_ < 2) return false;
        b << "    " << t << " = " << Sample(n, "vec3(" + dotRow(n) + ", 0.0, 0.0)") << ";\n";
        break;
    case D3DSIO_TEXDP3:
        if (minor_ < 2) return false;
        b << "    " << t << " = vec4(" << dotRow(n) << ");\n";
        break;
    case D3DSIO_TEXM3x2PAD:
    case D3DSIO_TEXM3x3PAD: {
        const size_t limit = op == D3DSIO_TEXM3x2PAD ? 1 : 2;
        if (pads_.size() >= limit || (!pads_.empty() && pads_.front() >= 0x100 && op == D3DSIO_TEXM3x3PAD))
            return false;
        b << "    float pad" << n << " = " << dotRow(n) << ";\n";
        pads_.push_back(n | (op == D3DSIO_TEXM3x2PAD ? 0x100u : 0u));
        break;
    }
    case D3DSIO_TEXM3x2TEX:
    case D3DSIO_TEXM3x2DEPTH: {
        if (pads_.size() != 1 || !(pads_[0] & 0x100)) return false;
        if (op == D3DSIO_TEXM3x2DEPTH && minor_ < 3) return false;
        const std::string u = "pad" + std::to_string(pads_[0] & 0xFF);
        if (op == D3DSIO_TEXM3x2TEX) {
            b << "    " << t << " = " << Sample(n, "vec3(" + u + ", " + dotRow(n) + ", 0.0)") << ";\n";
        } else {
            b << "    { float w = " << dotRow(n) << "; gl_FragDepth = w == 0.0 ? 1.0 : clamp(" << u
              << " / w, 0.0, 1.0); }\n";
            out_.writesDepth = true;
        }
        pads_.clear();
        break;
    }
    case D3DSIO_TEXM3x3TEX:
    case D3DSIO_TEXM3x3DIFF:
    case D3DSIO_TEXM3x3SPEC:
    case D3DSIO_TEXM3x3VSPEC:
    case D3DSIO_TEXM3x3: {
        if (pads_.size() != 2 || (pads_[0] & 0x100) || (pads_[1] & 0x100)) return false;
        if (op == D3DSIO_TEXM3x3 && minor_ < 2) return false;
        const DWORD p0 = pads_[0], p1 = pads_[1];
        b << "    {\n        vec3 N = vec3(pad" << p0 << ", pad" << p1 << ", " << dotRow(n) << ");\n";
        if (op == D3DSIO_TEXM3x3SPEC || op == D3DSIO_TEXM3x3VSPEC) {
            if (op == D3DSIO_TEXM3x3SPEC) {
                const ShaderParameter& e = ins.sources[1];
                std::string es;
                if (e.type != D3DSPR_CONST || !Source(e, es)) return false;
                b << "        vec3 E = " << es << ".xyz;\n";
            } else {
                b << "        vec3 E = vec3(" << Coord(p0) << ".w, " << Coord(p1) << ".w, " << c << ".w);\n";
            }
            b << "        float nn = dot(N, N);\n";
            b << "        vec3 R = (nn == 0.0 ? 0.0 : 2.0 * dot(N, E) / nn) * N - E;\n";
            b << "        " << t << " = " << Sample(n, "R") << ";\n";
        } else if (op == D3DSIO_TEXM3x3) {
            b << "        " << t << " = vec4(N, 1.0);\n";
        } else {
            b << "        " << t << " = " << Sample(n, "N") << ";\n";
        }
        b << "    }\n";
        pads_.clear();
        break;
    }
    default: return false;
    }
    return true;
}

bool PixelTranslator::TextureOp14(const ShaderInstruction& ins)
{
    const DWORD op = ins.opcode;
    const ShaderParameter& d = ins.destination;
    if (ins.coissue || d.type != D3DSPR_TEMP || d.number >= Temps() || d.shift != 0 || d.resultModifier) return false;
    Flush();
    const std::string r = "r" + std::to_string(d.number);
    std::string c;
    switch (op) {
    case D3DSIO_TEX:
        if (!Coordinate(ins.sources[0], c)) return false;
        body_ << "    " << r << " = " << Sample(d.number, c + ".xyz") << ";\n";
        break;
    case D3DSIO_TEXCOORD:
        if (ins.sources[0].type != D3DSPR_TEXTURE || !Coordinate(ins.sources[0], c)) return false;
        body_ << MaskedWrite(r, "vec4(" + c + ".xyz, 1.0)", d.writeMask);
        break;
    case D3DSIO_TEXKILL: body_ << "    if (any(lessThan(" << r << ".xyz, vec3(0.0)))) discard;\n"; break;
    case D3DSIO_TEXDEPTH:
        if (d.number != 5 || phase_ != 2) return false;
        body_ << "    gl_FragDepth = r5.y == 0.0 ? 1.0 : clamp(r5.x / r5.y, 0.0, 1.0);\n";
        out_.writesDepth = true;
        break;
    default: return false;
    }
    return true;
}

bool PixelTranslator::Run(const DWORD* tokens)
{
    const size_t count = d3dx::ShaderTokenCount(tokens, kMaxShaderTokens);
    if (count == 0) return false;
    d3dx::ShaderTokenReader reader(tokens, count);
    if (!reader.IsPixelShader()) return false;
    out_.version = reader.Version();
    minor_ = out_.version & 0xFF;
    {
        d3dx::ShaderTokenReader pass(tokens, count);
        ShaderInstruction ins;
        while (pass.Next(ins)) {
            if (ins.opcode != D3DSIO_DEF) continue;
            if (ins.destination.type != D3DSPR_CONST || ins.destination.number >= kPixelShaderConstants) return false;
            std::array<float, 4> v;
            std::memcpy(v.data(), ins.constant, 16);
            defs_[ins.destination.number] = v;
        }
        if (pass.Failed()) return false;
    }
    ShaderInstruction ins;
    // ps 1.4 may texkill a coordinate register too.
    while (reader.Next(ins)) {
        const DWORD op = ins.opcode;
        if (op == D3DSIO_COMMENT || op == D3DSIO_DEF) continue;
        if (op == D3DSIO_NOP) {
            if (ins.coissue) return false;
            continue;
        }
        if (op == D3DSIO_PHASE) {
            if (!Ps14() || phase_ == 2) return false;
            Flush();
            phase_ = 2;
            continue;
        }
        const bool texture = op == D3DSIO_TEX || op == D3DSIO_TEXCOORD || op == D3DSIO_TEXKILL ||
                             (op >= D3DSIO_TEXBEM && op <= D3DSIO_TEXM3x3VSPEC) || op == D3DSIO_TEXREG2RGB ||
                             op == D3DSIO_TEXDP3TEX || op == D3DSIO_TEXM3x2DEPTH || op == D3DSIO_TEXDP3 ||
                             op == D3DSIO_TEXM3x3 || op == D3DSIO_TEXDEPTH;
        bool ok;
        if (!texture) {
            ok = pads_.empty() && Arithmetic(ins);
        } else if (Ps14()) {
            if (op == D3DSIO_TEXKILL && ins.destination.type == D3DSPR_TEXTURE && !ins.coissue &&
                ins.destination.number < Stages()) {
                Flush();
                body_ << "    if (any(lessThan(" << Coord(ins.destination.number) << ".xyz, vec3(0.0)))) discard;\n";
                ok = true;
            } else {
                ok = TextureOp14(ins);
            }
        } else {
            ok = TextureOp(ins);
        }
        if (!ok) return false;
    }
    if (reader.Failed() || !reader.AtEnd() || !pads_.empty()) return false;
    Flush();
    std::ostringstream g;
    for (auto& d : defs_)
        g << "const vec4 d" << d.first << " = vec4(" << FloatText(d.second[0]) << ", " << FloatText(d.second[1]) << ", "
          << FloatText(d.second[2]) << ", " << FloatText(d.second[3]) << ");\n";
    out_.globals = g.str();
    std::ostringstream b;
    for (DWORD i = 0; i < Temps(); ++i) b << "    vec4 r" << i << " = vec4(0.0);\n";
    if (!Ps14())
        for (DWORD i = 0; i < Stages(); ++i) b << "    vec4 t" << i << " = vec4(0.0);\n";
    if (out_.writesDepth) b << "    gl_FragDepth = gl_FragCoord.z;\n";
    out_.body = b.str() + body_.str();
    out_.tokens.assign(tokens, tokens + count);
    return true;
}

} // namespace

bool TranslatePixelShader(const DWORD* tokens, TranslatedShader& out)
{
    out = TranslatedShader();
    if (!tokens) return false;
    PixelTranslator t(out);
    if (t.Run(tokens)) return true;
    out = TranslatedShader();
    return false;
}

std::string PixelShaderSource(const TranslatedShader& ps, const LinkOptions& o)
{
    std::ostringstream s;
    const char* flat = o.flatShade ? "flat " : "";
    s << "#version 330 core\nuniform vec4 ffp[122];\nuniform vec4 psc[" << kPixelShaderConstants << "];\n";
    s << "uniform vec4 bem[8];\nuniform vec4 beml[8];\n";
    s << flat << "in vec4 vDiffuse;\n" << flat << "in vec4 vSpecular;\nin float vFog;\n";
    for (int i = 0; i < 8; ++i)
        if (ps.coords & (1u << i)) s << "in vec4 vTex" << i << ";\n";
    for (int i = 0; i < 8; ++i) {
        if (!(ps.samplers & (1u << i))) continue;
        if (o.cube[i]) {
            s << "uniform samplerCube s" << i << ";\nvec4 Tex" << i << "(vec3 c) { return texture(s" << i
              << ", c); }\n";
        } else {
            s << "uniform sampler2D s" << i << ";\nvec4 Tex" << i << "(vec3 c) { return texture(s" << i
              << ", c.xy); }\n";
        }
        // tex of ps 1.0-1.3 divides by the last component on projected stages.
        s << "vec4 TexP" << i << "(vec4 c) { return Tex" << i << "(c.xyz" << (o.projected[i] ? " / c.w" : "")
          << "); }\n";
    }
    s << ps.globals << "out vec4 fragColor;\nvoid main() {\n" << ps.body;
    s << "    vec4 colour = clamp(r0, 0.0, 1.0);\n";
    if (o.fogEnable) {
        std::string f = "vFog";
        if (o.tableFog == D3DFOG_LINEAR)
            f = "(ffp[53].y - vFog) / (ffp[53].y - ffp[53].x)";
        else if (o.tableFog == D3DFOG_EXP)
            f = "exp(-vFog * ffp[53].z)";
        else if (o.tableFog == D3DFOG_EXP2)
            f = "exp(-pow(vFog * ffp[53].z, 2.0))";
        s << "    colour.rgb = mix(ffp[54].rgb, colour.rgb, clamp(" << f << ", 0.0, 1.0));\n";
    }
    if (o.alphaFunc && o.alphaFunc != D3DCMP_ALWAYS)
        s << "    if (!(" << CompareExpr(o.alphaFunc, "floor(colour.a * 255.0 + 0.5)", "ffp[59].x") << ")) discard;\n";
    s << "    fragColor = colour;\n}\n";
    return s.str();
}

} // namespace kestu::d3d8
