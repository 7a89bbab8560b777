// Decoding and printing of vs/ps 1.x token streams.
#include "shader_tokens.h"

#include <cstdio>
#include <cstring>

namespace kestu::d3dx {

namespace {
bool IsVertex(DWORD version) { return (version & 0xFFFF0000u) == 0xFFFE0000u; }
DWORD Minor(DWORD version) { return version & 0xFF; }

struct OpName {
    DWORD opcode;
    const char* name;
    bool dest;
    int sources;
    bool vertex;
    bool pixel;
};

const OpName kOps[] = {
    {D3DSIO_NOP, "nop", false, 0, true, true},
    {D3DSIO_MOV, "mov", true, 1, true, true},
    {D3DSIO_ADD, "add", true, 2, true, true},
    {D3DSIO_SUB, "sub", true, 2, true, true},
    {D3DSIO_MAD, "mad", true, 3, true, true},
    {D3DSIO_MUL, "mul", true, 2, true, true},
    {D3DSIO_RCP, "rcp", true, 1, true, false},
    {D3DSIO_RSQ, "rsq", true, 1, true, false},
    {D3DSIO_DP3, "dp3", true, 2, true, true},
    {D3DSIO_DP4, "dp4", true, 2, true, true},
    {D3DSIO_MIN, "min", true, 2, true, false},
    {D3DSIO_MAX, "max", true, 2, true, false},
    {D3DSIO_SLT, "slt", true, 2, true, false},
    {D3DSIO_SGE, "sge", true, 2, true, false},
    {D3DSIO_EXP, "exp", true, 1, true, false},
    {D3DSIO_LOG, "log", true, 1, true, false},
    {D3DSIO_LIT, "lit", true, 1, true, false},
    {D3DSIO_DST, "dst", true, 2, true, false},
    {D3DSIO_LRP, "lrp", true, 3, false, true},
    {D3DSIO_FRC, "frc", true, 1, true, false},
    {D3DSIO_M4x4, "m4x4", true, 2, true, false},
    {D3DSIO_M4x3, "m4x3", true, 2, true, false},
    {D3DSIO_M3x4, "m3x4", true, 2, true, false},
    {D3DSIO_M3x3, "m3x3", true, 2, true, false},
    {D3DSIO_M3x2, "m3x2", true, 2, true, false},
    {D3DSIO_EXPP, "expp", true, 1, true, false},
    {D3DSIO_LOGP, "logp", true, 1, true, false},
    {D3DSIO_CND, "cnd", true, 3, false, true},
    {D3DSIO_CMP, "cmp", true, 3, false, true},
    {D3DSIO_BEM, "bem", true, 2, false, true},
    {D3DSIO_DEF, "def", true, 0, true, true},
    {D3DSIO_PHASE, "phase", false, 0, false, true},
    {D3DSIO_TEXKILL, "texkill", true, 0, false, true},
    {D3DSIO_TEXDEPTH, "texdepth", true, 0, false, true},
    {D3DSIO_TEXBEM, "texbem", true, 1, false, true},
    {D3DSIO_TEXBEML, "texbeml", true, 1, false, true},
    {D3DSIO_TEXREG2AR, "texreg2ar", true, 1, false, true},
    {D3DSIO_TEXREG2GB, "texreg2gb", true, 1, false, true},
    {D3DSIO_TEXREG2RGB, "texreg2rgb", true, 1, false, true},
    {D3DSIO_TEXM3x2PAD, "texm3x2pad", true, 1, false, true},
    {D3DSIO_TEXM3x2TEX, "texm3x2tex", true, 1, false, true},
    {D3DSIO_TEXM3x2DEPTH, "texm3x2depth", true, 1, false, true},
    {D3DSIO_TEXM3x3PAD, "texm3x3pad", true, 1, false, true},
    {D3DSIO_TEXM3x3TEX, "texm3x3tex", true, 1, false, true},
    {D3DSIO_TEXM3x3DIFF, "texm3x3diff", true, 1, false, true},
    {D3DSIO_TEXM3x3SPEC, "texm3x3spec", true, 2, false, true},
    {D3DSIO_TEXM3x3VSPEC, "texm3x3vspec", true, 1, false, true},
    {D3DSIO_TEXM3x3, "texm3x3", true, 1, false, true},
    {D3DSIO_TEXDP3, "texdp3", true, 1, false, true},
    {D3DSIO_TEXDP3TEX, "texdp3tex", true, 1, false, true},
};

bool ValidVersion(DWORD v)
{
    if ((v & 0xFF00) != 0x0100) return false;
    if (IsVertex(v)) return Minor(v) <= 1;
    return (v & 0xFFFF0000u) == 0xFFFF0000u && Minor(v) <= 4;
}

ShaderParameter DecodeDestination(DWORD t)
{
    ShaderParameter p;
    p.token = t;
    p.type = (t & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT;
    p.number = t & D3DSP_REGNUM_MASK;
    p.writeMask = (t >> 16) & 0xF;
    p.resultModifier = t & D3DSP_DSTMOD_MASK;
    const int raw = (int)((t & D3DSP_DSTSHIFT_MASK) >> D3DSP_DSTSHIFT_SHIFT);
    p.shift = raw >= 8 ? raw - 16 : raw;
    return p;
}

ShaderParameter DecodeSource(DWORD t)
{
    ShaderParameter p;
    p.token = t;
    p.type = (t & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT;
    p.number = t & D3DSP_REGNUM_MASK;
    p.relative = (t & D3DVS_ADDRMODE_RELATIVE) != 0;
    p.swizzle = (t & D3DSP_SWIZZLE_MASK) >> D3DSP_SWIZZLE_SHIFT;
    p.sourceModifier = t & D3DSP_SRCMOD_MASK;
    return p;
}
} // namespace

bool ShaderOpcodeLayout(DWORD opcode, DWORD version, bool* hasDestination, int* sources)
{
    const bool vertex = IsVertex(version);
    bool dest = false;
    int count = 0;
    if (!vertex && (opcode == D3DSIO_TEX || opcode == D3DSIO_TEXCOORD)) {
        dest = true;
        count = Minor(version) >= 4 ? 1 : 0;
    } else {
        const OpName* found = nullptr;
        for (const OpName& op : kOps)
            if (op.opcode == opcode && (vertex ? op.vertex : op.pixel)) found = &op;
        if (!found) return false;
        dest = found->dest;
        count = found->sources;
    }
    if (hasDestination) *hasDestination = dest;
    if (sources) *sources = count;
    return true;
}

const char* ShaderOpcodeName(DWORD opcode, DWORD version)
{
    const bool vertex = IsVertex(version);
    if (!vertex && opcode == D3DSIO_TEX) return Minor(version) >= 4 ? "texld" : "tex";
    if (!vertex && opcode == D3DSIO_TEXCOORD) return Minor(version) >= 4 ? "texcrd" : "texcoord";
    for (const OpName& op : kOps)
        if (op.opcode == opcode && (vertex ? op.vertex : op.pixel)) return op.name;
    return nullptr;
}

ShaderTokenReader::ShaderTokenReader(const DWORD* tokens, size_t count) : tokens_(tokens), count_(tokens ? count : 0)
{
    if (count_ == 0) return;
    version_ = tokens_[0];
    valid_ = ValidVersion(version_);
    failed_ = !valid_;
}

bool ShaderTokenReader::Next(ShaderInstruction& out)
{
    if (!valid_ || atEnd_ || failed_) return false;
    if (pos_ >= count_) {
        failed_ = true;
        return false;
    }
    const DWORD t = tokens_[pos_];
    out = ShaderInstruction();
    out.offset = pos_;
    const DWORD opcode = t & D3DSI_OPCODE_MASK;
    if (t == D3DVS_END()) {
        atEnd_ = true;
        return false;
    }
    if (opcode == D3DSIO_COMMENT) {
        const DWORD size = (t & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT;
        if (size > count_ - pos_ - 1) {
            failed_ = true;
            return false;
        }
        out.opcode = D3DSIO_COMMENT;
        out.comment = tokens_ + pos_ + 1;
        out.commentSize = size;
        pos_ += 1 + size;
        return true;
    }
    if (t & 0x80000000u) { // a parameter where an instruction belongs
        failed_ = true;
        return false;
    }
    bool dest = false;
    int sources = 0;
    if (!ShaderOpcodeLayout(opcode, version_, &dest, &sources)) {
        failed_ = true;
        return false;
    }
    out.opcode = opcode;
    out.coissue = (t & D3DSI_COISSUE) != 0;
    const size_t need = (dest ? 1 : 0) + (size_t)sources + (opcode == D3DSIO_DEF ? 4 : 0);
    if (need > count_ - pos_ - 1) {
        failed_ = true;
        return false;
    }
    size_t p = pos_ + 1;
    if (dest) {
        if (!(tokens_[p] & 0x80000000u)) {
            failed_ = true;
            return false;
        }
        out.hasDestination = true;
        out.destination = DecodeDestination(tokens_[p++]);
    }
    if (opcode == D3DSIO_DEF) {
        std::memcpy(out.constant, tokens_ + p, sizeof(out.constant));
        p += 4;
    }
    for (int i = 0; i < sources; ++i) {
        if (!(tokens_[p] & 0x80000000u)) {
            failed_ = true;
            return false;
        }
        out.sources[i] = DecodeSource(tokens_[p++]);
    }
    out.sourceCount = sources;
    pos_ = p;
    return true;
}

size_t ShaderTokenCount(const DWORD* tokens, size_t maxCount)
{
    ShaderTokenReader reader(tokens, maxCount);
    ShaderInstruction ins;
    size_t total = 1; // the version token
    while (reader.Next(ins)) {
        if (ins.opcode == D3DSIO_COMMENT)
            total += 1 + ins.commentSize;
        else
            total += 1 + (ins.hasDestination ? 1 : 0) + (size_t)ins.sourceCount + (ins.opcode == D3DSIO_DEF ? 4 : 0);
    }
    return reader.AtEnd() ? total + 1 : 0;
}

namespace {
std::string RegisterText(const ShaderParameter& p, bool vertex)
{
    char buf[48];
    switch (p.type) {
    case D3DSPR_TEMP: std::snprintf(buf, sizeof(buf), "r%u", (unsigned)p.number); break;
    case D3DSPR_INPUT: std::snprintf(buf, sizeof(buf), "v%u", (unsigned)p.number); break;
    case D3DSPR_CONST:
        if (p.relative)
            std::snprintf(buf, sizeof(buf), "c[a0.x + %u]", (unsigned)p.number);
        else
            std::snprintf(buf, sizeof(buf), "c%u", (unsigned)p.number);
        break;
    case 3: std::snprintf(buf, sizeof(buf), vertex ? "a%u" : "t%u", (unsigned)p.number); break;
    case D3DSPR_RASTOUT:
        std::snprintf(buf, sizeof(buf), "%s",
                      p.number == D3DSRO_POSITION ? "oPos"
                      : p.number == D3DSRO_FOG    ? "oFog"
                                                  : "oPts");
        break;
    case D3DSPR_ATTROUT: std::snprintf(buf, sizeof(buf), "oD%u", (unsigned)p.number); break;
    case D3DSPR_TEXCRDOUT: std::snprintf(buf, sizeof(buf), "oT%u", (unsigned)p.number); break;
    default: std::snprintf(buf, sizeof(buf), "?%u", (unsigned)p.number); break;
    }
    return buf;
}

std::string DestinationText(const ShaderParameter& p, bool vertex)
{
    std::string s = RegisterText(p, vertex);
    if (p.writeMask != 0xF) {
        s += '.';
        for (int i = 0; i < 4; ++i)
            if (p.writeMask & (1u << i)) s += "xyzw"[i];
    }
    return s;
}

std::string SourceText(const ShaderParameter& p, bool vertex)
{
    std::string s;
    const DWORD mod = p.sourceModifier;
    if (mod == D3DSPSM_NEG || mod == D3DSPSM_BIASNEG || mod == D3DSPSM_SIGNNEG || mod == D3DSPSM_X2NEG) s += '-';
    if (mod == D3DSPSM_COMP) s += "1-";
    s += RegisterText(p, vertex);
    if (mod == D3DSPSM_BIAS || mod == D3DSPSM_BIASNEG) s += "_bias";
    if (mod == D3DSPSM_SIGN || mod == D3DSPSM_SIGNNEG) s += "_bx2";
    if (mod == D3DSPSM_X2 || mod == D3DSPSM_X2NEG) s += "_x2";
    if (mod == D3DSPSM_DZ) s += "_dz";
    if (mod == D3DSPSM_DW) s += "_dw";
    if (p.swizzle != 0xE4) {
        const DWORD c[4] = {p.swizzle & 3, (p.swizzle >> 2) & 3, (p.swizzle >> 4) & 3, (p.swizzle >> 6) & 3};
        int len = 4;
        while (len > 1 && c[len - 1] == c[len - 2]) --len; // trailing repeats are implied
        s += '.';
        for (int i = 0; i < len; ++i) s += "xyzw"[c[i]];
    }
    return s;
}
} // namespace

std::string DisassembleShader(const DWORD* tokens, size_t count)
{
    ShaderTokenReader reader(tokens, count);
    if (!reader.Valid()) return std::string();
    const DWORD v = reader.Version();
    const bool vertex = reader.IsVertexShader();
    std::string out = vertex ? "vs." : "ps.";
    out += std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF) + "\n";
    ShaderInstruction ins;
    while (reader.Next(ins)) {
        if (ins.opcode == D3DSIO_COMMENT) continue;
        std::string line = ins.coissue ? "+" : "";
        line += ShaderOpcodeName(ins.opcode, v);
        if (ins.hasDestination) {
            const ShaderParameter& d = ins.destination;
            static const char* const kShift[] = {"", "_x2", "_x4", "_x8"};
            if (d.shift > 0 && d.shift <= 3) line += kShift[d.shift];
            if (d.shift < 0 && d.shift >= -3) line += d.shift == -1 ? "_d2" : d.shift == -2 ? "_d4" : "_d8";
            if (d.resultModifier == D3DSPDM_SATURATE) line += "_sat";
            line += " " + DestinationText(d, vertex);
        }
        if (ins.opcode == D3DSIO_DEF) {
            for (float f : ins.constant) {
                char buf[32];
                std::snprintf(buf, sizeof(buf), ", %.9g", (double)f);
                line += buf;
            }
        }
        for (int i = 0; i < ins.sourceCount; ++i) line += ", " + SourceText(ins.sources[i], vertex);
        out += line + "\n";
    }
    if (reader.Failed()) return std::string();
    return out;
}

} // namespace kestu::d3dx
