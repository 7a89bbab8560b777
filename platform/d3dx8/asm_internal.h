// Shared pieces of the vs/ps 1.x assembler: source statements, operands, the
// opcode table and the per-kind checkers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "d3d8shadertokens.h"

namespace kestu::d3dx::assembler {

enum class ShaderKind { Vertex, Pixel };

struct Version {
    ShaderKind kind = ShaderKind::Vertex;
    int major = 1;
    int minor = 0;
    DWORD Token() const
    {
        return (kind == ShaderKind::Vertex ? 0xFFFE0000u : 0xFFFF0000u) | ((DWORD)major << 8) | (DWORD)minor;
    }
};

// Collects messages as "(line): error: text"; stops collecting after a cap so
// that a hostile text cannot grow the error buffer without bound.
class Diagnostics {
public:
    explicit Diagnostics(std::string prefix) : prefix_(std::move(prefix)) {}
    void Error(int line, const std::string& text);
    bool HasErrors() const { return count_ != 0; }
    std::string Text() const;

private:
    std::string prefix_;
    std::vector<std::string> messages_;
    size_t count_ = 0;
};

// One instruction line: "+mul_x2_sat r0.rgb, t0, c1" gives coissue, name
// "mul", modifiers {"x2", "sat"} and three operand texts.
struct Statement {
    int line = 0;
    bool coissue = false;
    std::string name;
    std::vector<std::string> modifiers;
    std::vector<std::string> operands;
};

// Applies "#define NAME text" and "#undef NAME" lines (object-like macros),
// leaving blank lines in their place; other directives are errors. Nothing
// when macros expand too deep or too long (the error is in `diag`).
std::optional<std::string> Preprocess(std::string_view text, Diagnostics& diag);

// Splits the text into statements with comments (";", "//", "/* */") removed;
// the first statement is the version ("vs.1.1"). *openComment receives the
// line of a block comment left open at the end, or 0.
std::vector<Statement> SplitStatements(std::string_view text, int* openComment);
// "vs.1.1", "vs_1_1", "ps.1.4" ...; false for anything else.
bool ParseVersion(const Statement& s, Version& version);
// A float literal with an optional sign and "f" suffix.
bool ParseFloat(std::string_view text, float& value);

enum class RegKind { Temp, Input, Const, Addr, Texture, Position, Fog, PointSize, Color, TexCoordOut };

struct Operand {
    RegKind reg = RegKind::Temp;
    DWORD number = 0;
    bool relative = false; // c[a0.x + number]
    // Destination: write mask bits 0-3 (x, y, z, w). Source: four 2-bit selectors.
    DWORD mask = 0xF;
    DWORD swizzle = 0xE4;
    bool swizzleGiven = false;
    int swizzleLength = 0;
    DWORD srcMod = D3DSPSM_NONE;
    std::string text;
};

// Parses a register operand. Error text goes to *error and false is returned.
bool ParseDestination(std::string_view text, Operand& out, std::string* error);
bool ParseSource(std::string_view text, Operand& out, std::string* error);
const char* RegisterName(RegKind kind);

// Parameter tokens.
DWORD RegisterType(RegKind kind);
DWORD DestinationToken(const Operand& op, DWORD resultModifier, DWORD shift);
DWORD SourceToken(const Operand& op);

enum class OpClass { Arith, Tex, Def, Phase, Nop };

struct OpInfo {
    const char* name;
    DWORD opcode;
    bool vertex; // valid in vertex shaders
    int psMin;   // lowest pixel shader minor version, -1 when not a pixel instruction
    int psMax;   // highest pixel shader minor version
    int sources;
    bool dest;
    OpClass cls;
    int vsSlots; // instruction slots of a vertex instruction
};

const OpInfo* FindOp(const std::string& name, const Version& version);
bool IsKnownName(const std::string& name);

// Appends the tokens of one shader's statements (after the version) to code;
// vertex-shader constants defined with "def" go to constants.
void AssembleVertex(const Version& v, const std::vector<Statement>& statements, bool validate, std::vector<DWORD>& code,
                    std::vector<DWORD>& constants, Diagnostics& diag);
void AssemblePixel(const Version& v, const std::vector<Statement>& statements, bool validate, std::vector<DWORD>& code,
                   Diagnostics& diag);

} // namespace kestu::d3dx::assembler
