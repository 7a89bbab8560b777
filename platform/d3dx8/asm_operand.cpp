// Register operands: names, numbers, relative addressing, masks, swizzles and
// source modifiers, and their parameter tokens.
#include <cctype>

#include "asm_internal.h"

namespace kestu::d3dx::assembler {

namespace {
std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace((unsigned char)s.front())) s.remove_prefix(1);
    while (!s.empty() && std::isspace((unsigned char)s.back())) s.remove_suffix(1);
    return s;
}

// Decimal digits at the front; false on none or on a value past the register field.
bool TakeNumber(std::string_view& s, DWORD& value)
{
    size_t i = 0;
    DWORD v = 0;
    while (i < s.size() && std::isdigit((unsigned char)s[i])) {
        v = v * 10 + (DWORD)(s[i] - '0');
        if (v > D3DSP_REGNUM_MASK) return false;
        ++i;
    }
    if (i == 0) return false;
    value = v;
    s.remove_prefix(i);
    return true;
}

int ComponentIndex(char c)
{
    switch (std::tolower((unsigned char)c)) {
    case 'x':
    case 'r': return 0;
    case 'y':
    case 'g': return 1;
    case 'z':
    case 'b': return 2;
    case 'w':
    case 'a': return 3;
    default: return -1;
    }
}

bool ParseRegister(std::string_view& s, Operand& out, std::string* error)
{
    size_t n = 0;
    while (n < s.size() && std::isalpha((unsigned char)s[n])) ++n;
    std::string name(s.substr(0, n));
    for (char& c : name) c = (char)std::tolower((unsigned char)c);
    s.remove_prefix(n);

    struct Named {
        const char* name;
        RegKind kind;
        bool numbered;
    };
    static const Named kNames[] = {
        {"r", RegKind::Temp, true},         {"v", RegKind::Input, true},         {"c", RegKind::Const, true},
        {"a", RegKind::Addr, true},         {"t", RegKind::Texture, true},       {"opos", RegKind::Position, false},
        {"ofog", RegKind::Fog, false},      {"opts", RegKind::PointSize, false}, {"od", RegKind::Color, true},
        {"ot", RegKind::TexCoordOut, true},
    };
    const Named* found = nullptr;
    for (const Named& k : kNames)
        if (name == k.name) found = &k;
    if (!found) {
        *error = "invalid register '" + out.text + "'";
        return false;
    }
    out.reg = found->kind;
    out.number = 0;
    if (!found->numbered) return true;

    if (found->kind == RegKind::Const && !s.empty() && s.front() == '[') {
        const size_t close = s.find(']');
        if (close == std::string_view::npos) {
            *error = "missing ']' in '" + out.text + "'";
            return false;
        }
        std::string_view inside = s.substr(1, close - 1);
        s.remove_prefix(close + 1);
        bool haveAddr = false, haveOffset = false;
        DWORD offset = 0;
        while (true) {
            inside = Trim(inside);
            if (inside.empty()) {
                *error = "invalid constant index in '" + out.text + "'";
                return false;
            }
            if (std::isdigit((unsigned char)inside.front())) {
                if (haveOffset || !TakeNumber(inside, offset)) {
                    *error = "invalid constant index in '" + out.text + "'";
                    return false;
                }
                haveOffset = true;
            } else {
                std::string_view a = inside.substr(0, 2);
                if (haveAddr || !(a == "a0" || a == "A0")) {
                    *error = "invalid constant index in '" + out.text + "'";
                    return false;
                }
                inside.remove_prefix(2);
                inside = Trim(inside);
                if (!inside.empty() && inside.front() == '.') {
                    inside.remove_prefix(1);
                    inside = Trim(inside);
                    if (inside.empty() || ComponentIndex(inside.front()) != 0) {
                        *error = "relative addressing uses a0.x only, in '" + out.text + "'";
                        return false;
                    }
                    inside.remove_prefix(1);
                }
                haveAddr = true;
            }
            inside = Trim(inside);
            if (inside.empty()) break;
            if (inside.front() != '+') {
                *error = "invalid constant index in '" + out.text + "'";
                return false;
            }
            inside.remove_prefix(1);
        }
        out.relative = haveAddr;
        out.number = offset;
        return true;
    }
    if (!TakeNumber(s, out.number)) {
        *error = "invalid register number in '" + out.text + "'";
        return false;
    }
    return true;
}

// ".xyzw" after a destination.
bool ParseMask(std::string_view comps, Operand& out, std::string* error)
{
    DWORD mask = 0;
    int last = -1;
    for (char c : comps) {
        const int i = ComponentIndex(c);
        if (i <= last) {
            *error = "invalid write mask in '" + out.text + "'";
            return false;
        }
        mask |= 1u << i;
        last = i;
    }
    if (comps.empty() || comps.size() > 4) {
        *error = "invalid write mask in '" + out.text + "'";
        return false;
    }
    out.mask = mask;
    return true;
}

// ".swizzle" after a source; a short swizzle repeats its last component.
bool ParseSwizzle(std::string_view comps, Operand& out, std::string* error)
{
    if (comps.empty() || comps.size() > 4) {
        *error = "invalid swizzle in '" + out.text + "'";
        return false;
    }
    DWORD sw = 0;
    int c = 0;
    for (size_t i = 0; i < 4; ++i) {
        if (i < comps.size()) {
            c = ComponentIndex(comps[i]);
            if (c < 0) {
                *error = "invalid swizzle in '" + out.text + "'";
                return false;
            }
        }
        sw |= (DWORD)c << (2 * i);
    }
    out.swizzle = sw;
    out.swizzleGiven = true;
    out.swizzleLength = (int)comps.size();
    return true;
}

std::string_view TakeWord(std::string_view& s)
{
    size_t i = 0;
    while (i < s.size() && std::isalnum((unsigned char)s[i])) ++i;
    std::string_view w = s.substr(0, i);
    s.remove_prefix(i);
    return w;
}
} // namespace

bool ParseDestination(std::string_view text, Operand& out, std::string* error)
{
    text = Trim(text);
    out = Operand();
    out.text = std::string(text);
    if (text.empty()) {
        *error = "missing operand";
        return false;
    }
    if (!ParseRegister(text, out, error)) return false;
    if (out.relative) {
        *error = "relative addressing is not allowed on a destination";
        return false;
    }
    text = Trim(text);
    if (text.empty()) return true;
    if (text.front() != '.') {
        *error = "unexpected '" + std::string(text) + "' after the destination";
        return false;
    }
    text.remove_prefix(1);
    std::string_view comps = TakeWord(text);
    if (!Trim(text).empty()) {
        *error = "unexpected '" + std::string(text) + "' after the destination";
        return false;
    }
    return ParseMask(comps, out, error);
}

bool ParseSource(std::string_view text, Operand& out, std::string* error)
{
    text = Trim(text);
    out = Operand();
    out.text = std::string(text);
    if (text.empty()) {
        *error = "missing operand";
        return false;
    }
    bool negate = false, complement = false;
    if (text.front() == '-') {
        negate = true;
        text = Trim(text.substr(1));
    }
    if (!text.empty() && text.front() == '1') {
        std::string_view rest = Trim(text.substr(1));
        if (!rest.empty() && rest.front() == '-') {
            complement = true;
            text = Trim(rest.substr(1));
        }
    }
    if (!ParseRegister(text, out, error)) return false;

    std::string modifier;
    bool haveMod = false;
    while (!text.empty()) {
        const char c = text.front();
        text.remove_prefix(1);
        if (c == '.' && !out.swizzleGiven) {
            if (!ParseSwizzle(TakeWord(text), out, error)) return false;
        } else if (c == '_' && !haveMod) {
            modifier = std::string(TakeWord(text));
            for (char& m : modifier) m = (char)std::tolower((unsigned char)m);
            haveMod = true;
        } else if (!std::isspace((unsigned char)c)) {
            *error = "unexpected text in source '" + out.text + "'";
            return false;
        }
    }

    if (complement && (negate || haveMod)) {
        *error = "'1-' does not combine with other modifiers in '" + out.text + "'";
        return false;
    }
    if (complement) {
        out.srcMod = D3DSPSM_COMP;
    } else if (!haveMod) {
        out.srcMod = negate ? D3DSPSM_NEG : D3DSPSM_NONE;
    } else if (modifier == "bias") {
        out.srcMod = negate ? D3DSPSM_BIASNEG : D3DSPSM_BIAS;
    } else if (modifier == "bx2") {
        out.srcMod = negate ? D3DSPSM_SIGNNEG : D3DSPSM_SIGN;
    } else if (modifier == "x2") {
        out.srcMod = negate ? D3DSPSM_X2NEG : D3DSPSM_X2;
    } else if ((modifier == "dz" || modifier == "db") && !negate) {
        out.srcMod = D3DSPSM_DZ;
    } else if ((modifier == "dw" || modifier == "da") && !negate) {
        out.srcMod = D3DSPSM_DW;
    } else {
        *error = "invalid source modifier '_" + modifier + "' in '" + out.text + "'";
        return false;
    }
    return true;
}

const char* RegisterName(RegKind kind)
{
    switch (kind) {
    case RegKind::Temp: return "r";
    case RegKind::Input: return "v";
    case RegKind::Const: return "c";
    case RegKind::Addr: return "a";
    case RegKind::Texture: return "t";
    case RegKind::Position: return "oPos";
    case RegKind::Fog: return "oFog";
    case RegKind::PointSize: return "oPts";
    case RegKind::Color: return "oD";
    case RegKind::TexCoordOut: return "oT";
    }
    return "?";
}

DWORD RegisterType(RegKind kind)
{
    switch (kind) {
    case RegKind::Temp: return D3DSPR_TEMP;
    case RegKind::Input: return D3DSPR_INPUT;
    case RegKind::Const: return D3DSPR_CONST;
    case RegKind::Addr: return D3DSPR_ADDR;
    case RegKind::Texture: return D3DSPR_TEXTURE;
    case RegKind::Position:
    case RegKind::Fog:
    case RegKind::PointSize: return D3DSPR_RASTOUT;
    case RegKind::Color: return D3DSPR_ATTROUT;
    case RegKind::TexCoordOut: return D3DSPR_TEXCRDOUT;
    }
    return D3DSPR_TEMP;
}

namespace {
DWORD RegisterNumber(const Operand& op)
{
    switch (op.reg) {
    case RegKind::Position: return D3DSRO_POSITION;
    case RegKind::Fog: return D3DSRO_FOG;
    case RegKind::PointSize: return D3DSRO_POINT_SIZE;
    default: return op.number & D3DSP_REGNUM_MASK;
    }
}
} // namespace

DWORD DestinationToken(const Operand& op, DWORD resultModifier, DWORD shift)
{
    return 0x80000000u | (RegisterType(op.reg) << D3DSP_REGTYPE_SHIFT) | RegisterNumber(op) | ((op.mask & 0xF) << 16) |
           (resultModifier & D3DSP_DSTMOD_MASK) | ((shift << D3DSP_DSTSHIFT_SHIFT) & D3DSP_DSTSHIFT_MASK);
}

DWORD SourceToken(const Operand& op)
{
    return 0x80000000u | (RegisterType(op.reg) << D3DSP_REGTYPE_SHIFT) | RegisterNumber(op) |
           (op.relative ? D3DVS_ADDRMODE_RELATIVE : 0u) | ((op.swizzle & 0xFF) << D3DVS_SWIZZLE_SHIFT) |
           (op.srcMod & D3DSP_SRCMOD_MASK);
}

} // namespace kestu::d3dx::assembler
