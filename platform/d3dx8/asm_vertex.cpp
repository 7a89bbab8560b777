// vs 1.0 / 1.1: operands, register limits and instruction slots.
#include <cstring>
#include <set>

#include "asm_internal.h"

namespace kestu::d3dx::assembler {

namespace {
constexpr int kMaxSlots = 128;
constexpr DWORD kTemps = 12;
constexpr DWORD kInputs = 16;
constexpr DWORD kStaticConsts = 96;
constexpr DWORD kColors = 2;
constexpr DWORD kTexCoords = 8;

// Rows a matrix macro reads from its second source.
int MatrixRows(DWORD opcode)
{
    switch (opcode) {
    case D3DSIO_M4x4: return 4;
    case D3DSIO_M4x3: return 3;
    case D3DSIO_M3x4: return 4;
    case D3DSIO_M3x3: return 3;
    case D3DSIO_M3x2: return 2;
    default: return 1;
    }
}

class VertexAssembler {
public:
    VertexAssembler(bool validate, std::vector<DWORD>& code, std::vector<DWORD>& constants, Diagnostics& diag)
        : validate_(validate), code_(code), constants_(constants), diag_(diag)
    {
    }

    void Statement(const assembler::Statement& s, const Version& v)
    {
        line_ = s.line;
        const OpInfo* op = FindOp(s.name, v);
        if (!op) {
            Version probe;
            if (ParseVersion(s, probe))
                Error("the version may be given only once, on the first line");
            else if (IsKnownName(s.name))
                Error("'" + s.name + "' is not a vertex shader instruction");
            else
                Error("unknown instruction '" + s.name + "'");
            return;
        }
        if (s.coissue) return Error("co-issue ('+') exists only in pixel shaders");
        if (!s.modifiers.empty())
            return Error("vertex shader instructions take no modifiers ('_" + s.modifiers[0] + "')");
        const size_t expected = (op->dest ? 1 : 0) + (size_t)op->sources;
        if (s.operands.size() != expected)
            return Error("'" + s.name + "' takes " + std::to_string(expected) + " operand(s)");

        if (op->cls == OpClass::Def) return Def(s);
        if (op->cls == OpClass::Nop) {
            AddSlots(op->vsSlots);
            code_.push_back(D3DSIO_NOP);
            return;
        }

        Operand dst;
        std::string err;
        if (!ParseDestination(s.operands[0], dst, &err)) return Error(err);
        if (!CheckDestination(dst, *op)) return;

        std::vector<Operand> src(op->sources);
        std::set<DWORD> constants, inputs;
        for (int i = 0; i < op->sources; ++i) {
            if (!ParseSource(s.operands[1 + i], src[i], &err)) return Error(err);
            const int rows = i == 1 ? MatrixRows(op->opcode) : 1;
            if (!CheckSource(src[i], rows)) return;
            if (src[i].reg == RegKind::Const) constants.insert(src[i].number | (src[i].relative ? 0x80000000u : 0u));
            if (src[i].reg == RegKind::Input) inputs.insert(src[i].number);
        }
        if (validate_ && constants.size() > 1) return Error("only one constant register may be read per instruction");
        if (validate_ && inputs.size() > 1) return Error("only one input register may be read per instruction");

        if (validate_ && op->opcode == D3DSIO_FRC && dst.mask != 0x1 && dst.mask != 0x2 && dst.mask != 0x3)
            return Error("frc writes .x, .y or .xy");

        if (dst.reg == RegKind::Temp) tempWritten_[dst.number] = true;
        if (dst.reg == RegKind::Addr) addrWritten_ = true;
        if (dst.reg == RegKind::Position) positionWritten_ = true;
        AddSlots(op->vsSlots);

        code_.push_back(op->opcode);
        code_.push_back(DestinationToken(dst, 0, 0));
        for (const Operand& o : src) code_.push_back(SourceToken(o));
    }

    void Finish(int lastLine)
    {
        line_ = lastLine;
        if (!validate_) return;
        if (!positionWritten_) Error("oPos is not written");
    }

private:
    void Error(const std::string& text) { diag_.Error(line_, text); }

    void AddSlots(int n)
    {
        const bool wasWithin = slots_ <= kMaxSlots;
        slots_ += n;
        if (validate_ && wasWithin && slots_ > kMaxSlots)
            Error("too many instructions (limit " + std::to_string(kMaxSlots) + " slots)");
    }

    void Def(const assembler::Statement& s)
    {
        Operand dst;
        std::string err;
        if (!ParseDestination(s.operands[0], dst, &err)) return Error(err);
        if (dst.reg != RegKind::Const || dst.mask != 0xF) return Error("def needs a whole constant register");
        if (dst.number >= kStaticConsts)
            return Error("constant register c" + std::to_string(dst.number) + " out of range");
        float values[4];
        for (int i = 0; i < 4; ++i)
            if (!ParseFloat(s.operands[1 + i], values[i])) return Error("invalid number '" + s.operands[1 + i] + "'");
        constants_.push_back(0x80000000u | (1u << 25) | dst.number); // D3DVSD_CONST(n, 1)
        for (float f : values) {
            DWORD bits;
            static_assert(sizeof(bits) == sizeof(f));
            std::memcpy(&bits, &f, sizeof(bits));
            constants_.push_back(bits);
        }
    }

    bool CheckDestination(Operand& d, const OpInfo& op)
    {
        switch (d.reg) {
        case RegKind::Temp:
            if (d.number >= kTemps) return Fail("temporary register r" + std::to_string(d.number) + " out of range");
            break;
        case RegKind::Addr:
            if (d.number != 0) return Fail("a0 is the only address register");
            if (op.opcode != D3DSIO_MOV) return Fail("a0 can be written only by mov");
            if (d.mask != 0x1) return Fail("a0 must be written as a0.x");
            break;
        case RegKind::Position: break;
        case RegKind::Fog:
        case RegKind::PointSize:
            if (d.mask == 0xF) d.mask = 0x1;
            if (d.mask != 0x1) return Fail(std::string(RegisterName(d.reg)) + " has only an x component");
            break;
        case RegKind::Color:
            if (d.number >= kColors) return Fail("colour output oD" + std::to_string(d.number) + " out of range");
            break;
        case RegKind::TexCoordOut:
            if (d.number >= kTexCoords)
                return Fail("texture coordinate output oT" + std::to_string(d.number) + " out of range");
            break;
        default: return Fail("'" + d.text + "' cannot be written");
        }
        return true;
    }

    bool CheckSource(const Operand& o, int rows)
    {
        if (o.srcMod != D3DSPSM_NONE && o.srcMod != D3DSPSM_NEG)
            return Fail("vertex shader sources take only negation, in '" + o.text + "'");
        switch (o.reg) {
        case RegKind::Temp:
            if (o.number + rows > kTemps)
                return Fail("temporary register r" + std::to_string(o.number) + " out of range");
            if (validate_)
                for (int r = 0; r < rows; ++r)
                    if (!tempWritten_[o.number + r])
                        return Fail("r" + std::to_string(o.number + r) + " is read before it is written");
            break;
        case RegKind::Input:
            if (o.number + rows > kInputs) return Fail("input register v" + std::to_string(o.number) + " out of range");
            break;
        case RegKind::Const:
            if (o.relative) {
                // Matrix macros too: row n of the expansion reads c[a0.x + offset + n].
                if (validate_ && !addrWritten_) return Fail("a0 is read before it is written");
            } else if (validate_ && o.number + rows > kStaticConsts) {
                return Fail("constant register c" + std::to_string(o.number + rows - 1) + " out of range (c0-c95)");
            }
            break;
        default: return Fail("'" + o.text + "' cannot be read");
        }
        return true;
    }

    bool Fail(const std::string& text)
    {
        Error(text);
        return false;
    }

    bool validate_;
    std::vector<DWORD>& code_;
    std::vector<DWORD>& constants_;
    Diagnostics& diag_;
    int line_ = 0;
    int slots_ = 0;
    bool tempWritten_[kTemps] = {};
    bool addrWritten_ = false;
    bool positionWritten_ = false;
};
} // namespace

void AssembleVertex(const Version& v, const std::vector<Statement>& statements, bool validate, std::vector<DWORD>& code,
                    std::vector<DWORD>& constants, Diagnostics& diag)
{
    VertexAssembler a(validate, code, constants, diag);
    int last = 1;
    for (size_t i = 1; i < statements.size(); ++i) {
        a.Statement(statements[i], v);
        last = statements[i].line;
    }
    a.Finish(last);
}

} // namespace kestu::d3dx::assembler
