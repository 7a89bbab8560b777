// ps 1.0 - 1.4: texture and arithmetic stages, modifiers, co-issue and limits.
#include <cstring>
#include <set>

#include "asm_internal.h"

namespace kestu::d3dx::assembler {

namespace {
constexpr DWORD kConsts = 8;
constexpr DWORD kColors = 2;
constexpr int kArithPerPhase = 8;

struct Limits {
    DWORD temps, textures;
    int texOps;
};

Limits LimitsOf(const Version& v)
{
    if (v.minor >= 4) return {6, 6, 6};
    return {2, 4, 4};
}

class PixelAssembler {
public:
    PixelAssembler(const Version& v, bool hasPhase, bool validate, std::vector<DWORD>& code, Diagnostics& diag)
        : v_(v), lim_(LimitsOf(v)), ps14_(v.minor >= 4), hasPhase_(hasPhase), validate_(validate), code_(code),
          diag_(diag)
    {
        // Without a phase marker a 1.4 shader is all second phase.
        phase_ = (ps14_ && hasPhase) ? 1 : 2;
    }

    void Statement(const assembler::Statement& s)
    {
        line_ = s.line;
        const bool wasArith = lastWasArith_;
        const bool wasCoissued = lastWasCoissue_;
        const DWORD prevMask = lastMask_;
        lastWasArith_ = false;
        lastWasCoissue_ = false;

        const OpInfo* op = FindOp(s.name, v_);
        if (!op) {
            Version probe;
            if (ParseVersion(s, probe))
                Error("the version may be given only once, on the first line");
            else if (IsKnownName(s.name))
                Error("'" + s.name + "' is not a ps." + std::to_string(v_.major) + "." + std::to_string(v_.minor) +
                      " instruction");
            else
                Error("unknown instruction '" + s.name + "'");
            return;
        }
        const size_t expected = (op->dest ? 1 : 0) + (size_t)op->sources;
        if (s.operands.size() != expected)
            return Error("'" + s.name + "' takes " + std::to_string(expected) + " operand(s)");
        if (s.coissue && op->cls != OpClass::Arith) return Error("only arithmetic instructions can be co-issued");

        if (op->cls == OpClass::Def) return Def(s);
        if (validate_ && PendingMatrix() && op->opcode != D3DSIO_TEXM3x2PAD && op->opcode != D3DSIO_TEXM3x3PAD &&
            !IsMatrixEnd(op->opcode))
            Error("an unfinished texm3x2/texm3x3 sequence");
        anyInstruction_ = true;
        if (op->cls == OpClass::Phase) return Phase(s);
        if (op->cls == OpClass::Nop) {
            if (!s.modifiers.empty()) return Error("nop takes no modifiers");
            ++arith_;
            CheckArithCount();
            code_.push_back(D3DSIO_NOP);
            return;
        }

        DWORD resultMod = 0, shift = 0;
        if (!Modifiers(s, *op, resultMod, shift)) return;

        Operand dst;
        std::string err;
        if (!ParseDestination(s.operands[0], dst, &err)) return Error(err);
        std::vector<Operand> src(op->sources);
        for (int i = 0; i < op->sources; ++i)
            if (!ParseSource(s.operands[1 + i], src[i], &err)) return Error(err);

        if (op->cls == OpClass::Tex) {
            if (!(ps14_ ? Tex14(*op, dst, src) : Tex11(*op, dst, src))) return;
        } else {
            if (!Arith(*op, dst, src)) return;
            if (s.coissue) {
                if (validate_ && (!wasArith || wasCoissued))
                    return Error("'+' must follow an arithmetic instruction that is not co-issued itself");
                const DWORD a = prevMask, b = dst.mask;
                if (validate_ && ((a & b) != 0 || (a != 0x8 && b != 0x8) || (a | b) == 0x8))
                    return Error("a co-issued pair writes the colour and the alpha separately (.rgb and .a)");
            } else {
                ++arith_;
                CheckArithCount();
            }
            lastWasArith_ = true;
            lastWasCoissue_ = s.coissue;
            lastMask_ = dst.mask;
        }

        code_.push_back(op->opcode | (s.coissue ? D3DSI_COISSUE : 0u));
        code_.push_back(DestinationToken(dst, resultMod, shift));
        for (const Operand& o : src) code_.push_back(SourceToken(o));
    }

    void Finish(int lastLine)
    {
        line_ = lastLine;
        if (!validate_) return;
        if (PendingMatrix()) Error("an unfinished texm3x2/texm3x3 sequence");
        if (ps14_ && hasPhase_ && phase_ == 1) Error("phase marker missing");
        if (!rWritten_[0]) Error("r0 (the output colour) is not written");
    }

private:
    void Error(const std::string& text) { diag_.Error(line_, text); }
    bool Fail(const std::string& text)
    {
        Error(text);
        return false;
    }

    void CheckArithCount()
    {
        if (validate_ && arith_ == kArithPerPhase + 1)
            Error("too many arithmetic instructions (limit " + std::to_string(kArithPerPhase) +
                  (ps14_ ? " per phase)" : ")"));
    }

    void Def(const assembler::Statement& s)
    {
        if (!s.modifiers.empty()) return Error("def takes no modifiers");
        if (validate_ && anyInstruction_) return Error("def must come before all instructions");
        Operand dst;
        std::string err;
        if (!ParseDestination(s.operands[0], dst, &err)) return Error(err);
        if (dst.reg != RegKind::Const || dst.mask != 0xF) return Error("def needs a whole constant register");
        if (dst.number >= kConsts) return Error("constant register c" + std::to_string(dst.number) + " out of range");
        float values[4];
        for (int i = 0; i < 4; ++i)
            if (!ParseFloat(s.operands[1 + i], values[i])) return Error("invalid number '" + s.operands[1 + i] + "'");
        code_.push_back(D3DSIO_DEF);
        code_.push_back(DestinationToken(dst, 0, 0));
        for (float f : values) {
            DWORD bits;
            std::memcpy(&bits, &f, sizeof(bits));
            code_.push_back(bits);
        }
    }

    void Phase(const assembler::Statement& s)
    {
        if (!s.modifiers.empty()) return Error("phase takes no modifiers");
        if (phase_ == 2) return Error("only one phase marker is allowed");
        phase_ = 2;
        texOps_ = 0;
        arith_ = 0;
        arithSeen_ = false;
        code_.push_back(D3DSIO_PHASE);
    }

    bool Modifiers(const assembler::Statement& s, const OpInfo& op, DWORD& resultMod, DWORD& shift)
    {
        bool haveShift = false;
        for (const std::string& m : s.modifiers) {
            if (op.cls == OpClass::Tex || op.opcode == D3DSIO_BEM) return Fail("'" + s.name + "' takes no modifiers");
            DWORD sh = 0;
            if (m == "sat") {
                if (resultMod) return Fail("_sat given twice");
                resultMod = D3DSPDM_SATURATE;
                continue;
            }
            if (m == "x2")
                sh = 1;
            else if (m == "x4")
                sh = 2;
            else if (m == "d2")
                sh = 0xF;
            else if (ps14_ && m == "x8")
                sh = 3;
            else if (ps14_ && m == "d4")
                sh = 0xE;
            else if (ps14_ && m == "d8")
                sh = 0xD;
            else
                return Fail("invalid instruction modifier '_" + m + "'");
            if (haveShift) return Fail("only one of _x2, _x4, _d2 ... may be given");
            haveShift = true;
            shift = sh;
        }
        return true;
    }

    // ---- texture stage, 1.0 - 1.3 -----------------------------------------

    bool PendingMatrix() const { return matrixPads_ > 0; }
    static bool IsMatrixEnd(DWORD opcode)
    {
        switch (opcode) {
        case D3DSIO_TEXM3x2TEX:
        case D3DSIO_TEXM3x2DEPTH:
        case D3DSIO_TEXM3x3TEX:
        case D3DSIO_TEXM3x3SPEC:
        case D3DSIO_TEXM3x3VSPEC:
        case D3DSIO_TEXM3x3DIFF:
        case D3DSIO_TEXM3x3: return true;
        default: return false;
        }
    }

    bool Tex11(const OpInfo& op, const Operand& dst, const std::vector<Operand>& src)
    {
        if (dst.reg != RegKind::Texture) return Fail("texture instructions write a t register");
        if (dst.number >= lim_.textures)
            return Fail("texture register t" + std::to_string(dst.number) + " out of range");
        if (dst.mask != 0xF) return Fail("texture instructions take no write mask");
        if (validate_ && arithSeen_) return Fail("texture instructions must come before arithmetic instructions");
        if (validate_ && ++texOps_ == lim_.texOps + 1)
            Error("too many texture instructions (limit " + std::to_string(lim_.texOps) + ")");
        for (size_t i = 0; i < src.size(); ++i) {
            const Operand& o = src[i];
            if (op.opcode == D3DSIO_TEXM3x3SPEC && i == 1) {
                if (o.srcMod != D3DSPSM_NONE || o.swizzleGiven) return Fail("the eye ray register takes no modifiers");
                if (o.reg != RegKind::Const || o.number >= kConsts)
                    return Fail("texm3x3spec reads the eye ray from a c register");
                continue;
            }
            if (o.reg != RegKind::Texture || o.number >= lim_.textures)
                return Fail("texture instructions read t registers");
            if ((o.srcMod != D3DSPSM_NONE && o.srcMod != D3DSPSM_SIGN) || o.swizzleGiven)
                return Fail("texture sources take only _bx2, in '" + o.text + "'");
            if (validate_ && (o.number >= dst.number || !tWritten_[o.number]))
                return Fail("t" + std::to_string(o.number) + " must be written by an earlier texture instruction");
        }
        if (validate_ && tWritten_[dst.number] && op.opcode != D3DSIO_TEXKILL)
            return Fail("t" + std::to_string(dst.number) + " is already written");

        if (validate_) {
            const DWORD opc = op.opcode;
            const bool pad2 = opc == D3DSIO_TEXM3x2PAD, pad3 = opc == D3DSIO_TEXM3x3PAD;
            if (pad2 || pad3) {
                if (matrixPads_ == 0) {
                    matrixSize_ = pad2 ? 2 : 3;
                } else if ((pad2 && matrixSize_ != 2) || (pad3 && matrixSize_ != 3) || matrixPads_ >= matrixSize_ - 1 ||
                           dst.number != matrixNext_) {
                    return Fail("texm3x2pad/texm3x3pad out of sequence");
                }
                ++matrixPads_;
                matrixNext_ = dst.number + 1;
            } else if (IsMatrixEnd(opc)) {
                const int size = (opc == D3DSIO_TEXM3x2TEX || opc == D3DSIO_TEXM3x2DEPTH) ? 2 : 3;
                if (matrixPads_ != size - 1 || matrixSize_ != size || dst.number != matrixNext_)
                    return Fail("'" + std::string(op.name) +
                                "' must follow its pad instructions on consecutive registers");
                matrixPads_ = 0;
            }
        }
        if (op.opcode != D3DSIO_TEXKILL) tWritten_[dst.number] = true;
        return true;
    }

    // ---- texture stage, 1.4 -----------------------------------------------

    bool Tex14(const OpInfo& op, Operand& dst, const std::vector<Operand>& src)
    {
        if (validate_ && arithSeen_)
            return Fail("texture instructions must come before arithmetic instructions of a phase");
        if (validate_ && ++texOps_ == lim_.texOps + 1)
            Error("too many texture instructions (limit " + std::to_string(lim_.texOps) + " per phase)");
        if (op.opcode == D3DSIO_TEXKILL) {
            if (!(dst.reg == RegKind::Temp && dst.number < lim_.temps) &&
                !(dst.reg == RegKind::Texture && dst.number < lim_.textures))
                return Fail("texkill tests an r or t register");
            return true;
        }
        if (dst.reg != RegKind::Temp || dst.number >= lim_.temps)
            return Fail("'" + std::string(op.name) + "' writes an r register");
        if (op.opcode == D3DSIO_TEXDEPTH && dst.number != 5) return Fail("texdepth writes r5");
        for (const Operand& o : src) {
            const bool texReg = o.reg == RegKind::Texture && o.number < lim_.textures;
            const bool tempReg = o.reg == RegKind::Temp && o.number < lim_.temps;
            if (op.opcode == D3DSIO_TEXCOORD && !texReg) return Fail("texcrd reads a t register");
            if (op.opcode == D3DSIO_TEX) {
                if (!texReg && !(tempReg && phase_ == 2 && hasPhase_))
                    return Fail("texld reads a t register, or in the second phase an r register");
                if (validate_ && tempReg && !rWritten_[o.number])
                    return Fail("r" + std::to_string(o.number) + " is read before it is written");
            }
            if (o.srcMod != D3DSPSM_NONE && o.srcMod != D3DSPSM_DZ && o.srcMod != D3DSPSM_DW)
                return Fail("texture sources take only _dz or _dw");
            if (o.swizzleGiven && !(o.swizzleLength == 3 && (o.swizzle == 0xA4 || o.swizzle == 0xF4)))
                return Fail("texture sources select .xyz or .xyw");
        }
        rWritten_[dst.number] = true;
        return true;
    }

    // ---- arithmetic ---------------------------------------------------------

    bool Arith(const OpInfo& op, const Operand& dst, const std::vector<Operand>& src)
    {
        arithSeen_ = true;
        if (dst.reg == RegKind::Temp) {
            if (dst.number >= lim_.temps)
                return Fail("temporary register r" + std::to_string(dst.number) + " out of range");
        } else if (dst.reg == RegKind::Texture && !ps14_) {
            if (dst.number >= lim_.textures)
                return Fail("texture register t" + std::to_string(dst.number) + " out of range");
        } else {
            return Fail("'" + dst.text + "' cannot be written");
        }
        if (!ps14_ && dst.mask != 0xF && dst.mask != 0x7 && dst.mask != 0x8)
            return Fail("ps.1." + std::to_string(v_.minor) + " write masks are .rgba, .rgb and .a");
        if (op.opcode == D3DSIO_BEM) {
            if (!hasPhase_ || phase_ != 1) return Fail("bem belongs to the first phase");
            if (dst.mask != 0x3) return Fail("bem writes .rg");
        }

        std::set<DWORD> consts, inputs, textures;
        for (size_t i = 0; i < src.size(); ++i) {
            const Operand& o = src[i];
            switch (o.reg) {
            case RegKind::Temp:
                if (o.number >= lim_.temps)
                    return Fail("temporary register r" + std::to_string(o.number) + " out of range");
                if (validate_ && !rWritten_[o.number])
                    return Fail("r" + std::to_string(o.number) + " is read before it is written");
                break;
            case RegKind::Texture:
                if (ps14_) return Fail("t registers are read only by texld and texcrd");
                if (o.number >= lim_.textures)
                    return Fail("texture register t" + std::to_string(o.number) + " out of range");
                if (validate_ && !tWritten_[o.number])
                    return Fail("t" + std::to_string(o.number) + " is read before a texture instruction writes it");
                textures.insert(o.number);
                break;
            case RegKind::Const:
                if (o.relative) return Fail("pixel shaders have no relative addressing");
                if (o.number >= kConsts)
                    return Fail("constant register c" + std::to_string(o.number) + " out of range");
                consts.insert(o.number);
                break;
            case RegKind::Input:
                if (o.number >= kColors) return Fail("colour register v" + std::to_string(o.number) + " out of range");
                if (ps14_ && hasPhase_ && phase_ == 1) return Fail("v registers are read in the second phase only");
                inputs.insert(o.number);
                break;
            default: return Fail("'" + o.text + "' cannot be read");
            }
            if (o.srcMod == D3DSPSM_DZ || o.srcMod == D3DSPSM_DW) return Fail("_dz and _dw belong to texld and texcrd");
            if (!ps14_ && (o.srcMod == D3DSPSM_X2 || o.srcMod == D3DSPSM_X2NEG))
                return Fail("_x2 on a source needs ps.1.4");
            if (o.swizzleGiven) {
                const DWORD c = o.swizzle & 3;
                const bool replicate = o.swizzleLength == 1;
                const bool allowed = replicate && (c == 3 || (c == 2 && v_.minor >= 1) || ps14_);
                if (!allowed) return Fail("invalid source selector in '" + o.text + "'");
            }
        }
        if (validate_ && consts.size() > 2) return Fail("at most two constant registers per instruction");
        if (validate_ && inputs.size() > 2) return Fail("at most two colour registers per instruction");
        if (validate_ && !ps14_ && op.opcode == D3DSIO_CND &&
            !(src[0].reg == RegKind::Temp && src[0].number == 0 && src[0].swizzle == 0xFF && src[0].swizzleGiven))
            return Fail("cnd takes r0.a as its condition");

        if (dst.reg == RegKind::Temp)
            rWritten_[dst.number] = true;
        else
            tWritten_[dst.number] = true;
        return true;
    }

    Version v_;
    Limits lim_;
    bool ps14_;
    bool hasPhase_;
    bool validate_;
    std::vector<DWORD>& code_;
    Diagnostics& diag_;
    int line_ = 0;
    int phase_ = 2;
    int texOps_ = 0;
    int arith_ = 0;
    bool arithSeen_ = false;
    bool anyInstruction_ = false;
    bool lastWasArith_ = false;
    bool lastWasCoissue_ = false;
    DWORD lastMask_ = 0xF;
    int matrixPads_ = 0;
    int matrixSize_ = 0;
    DWORD matrixNext_ = 0;
    bool rWritten_[6] = {};
    bool tWritten_[6] = {};
};
} // namespace

void AssemblePixel(const Version& v, const std::vector<Statement>& statements, bool validate, std::vector<DWORD>& code,
                   Diagnostics& diag)
{
    bool hasPhase = false;
    for (size_t i = 1; i < statements.size(); ++i)
        if (statements[i].name == "phase") hasPhase = true;
    PixelAssembler a(v, hasPhase && v.minor >= 4, validate, code, diag);
    int last = 1;
    for (size_t i = 1; i < statements.size(); ++i) {
        a.Statement(statements[i]);
        last = statements[i].line;
    }
    a.Finish(last);
}

} // namespace kestu::d3dx::assembler
