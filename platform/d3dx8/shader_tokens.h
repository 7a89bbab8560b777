// Walking and printing Direct3D 8 vs/ps 1.x token streams.
//
// ShaderTokenReader steps through a stream one instruction at a time and
// decodes its parameters; it never reads past the given count and stops with
// Failed() on anything malformed (unknown opcode, missing parameter bit,
// truncated stream), so it is safe on untrusted code. Typical use:
//
//     kestu::d3dx::ShaderTokenReader reader(tokens, count);
//     if (!reader.Valid()) return error;
//     kestu::d3dx::ShaderInstruction ins;
//     while (reader.Next(ins)) { ... ins.opcode, ins.destination, ins.sources[i] ... }
//     if (reader.Failed()) return error;
//
// DisassembleShader gives the text form that D3DXAssembleShader reads back.
#pragma once
#include <cstddef>
#include <string>

#include "d3d8shadertokens.h"

namespace kestu::d3dx {

struct ShaderParameter {
    DWORD token = 0;
    DWORD type = 0;           // D3DSPR_*
    DWORD number = 0;         // register number (D3DSRO_* for D3DSPR_RASTOUT)
    bool relative = false;    // constant indexed by a0.x + number
    DWORD writeMask = 0xF;    // destination: bit 0 = x ... bit 3 = w
    DWORD resultModifier = 0; // destination: D3DSPDM_*
    int shift = 0;            // destination: 1 = _x2, 2 = _x4, 3 = _x8, -1 = _d2, -2 = _d4, -3 = _d8
    DWORD swizzle = 0xE4;     // source: 2 bits a component, x in bits 0-1 (0xE4 = .xyzw)
    DWORD sourceModifier = 0; // source: D3DSPSM_*
};

struct ShaderInstruction {
    DWORD opcode = 0; // D3DSIO_*
    bool coissue = false;
    size_t offset = 0; // token index of the instruction token
    bool hasDestination = false;
    ShaderParameter destination;
    int sourceCount = 0;
    ShaderParameter sources[3];
    float constant[4] = {};         // D3DSIO_DEF values
    const DWORD* comment = nullptr; // D3DSIO_COMMENT payload
    DWORD commentSize = 0;          // in DWORDs
};

class ShaderTokenReader {
public:
    // count: DWORDs available at tokens.
    ShaderTokenReader(const DWORD* tokens, size_t count);

    bool Valid() const { return valid_; }
    bool IsVertexShader() const { return valid_ && (version_ & 0xFFFF0000u) == 0xFFFE0000u; }
    bool IsPixelShader() const { return valid_ && (version_ & 0xFFFF0000u) == 0xFFFF0000u; }
    DWORD Version() const { return version_; }

    // The next instruction (comments included); false at the end token or on
    // a malformed stream.
    bool Next(ShaderInstruction& out);
    bool AtEnd() const { return atEnd_; }
    bool Failed() const { return failed_; }

private:
    const DWORD* tokens_;
    size_t count_;
    size_t pos_ = 1;
    DWORD version_ = 0;
    bool valid_ = false;
    bool atEnd_ = false;
    bool failed_ = false;
};

// Destination and source counts of an opcode in a shader of the given version
// token; false for an opcode unknown to that kind of shader.
bool ShaderOpcodeLayout(DWORD opcode, DWORD version, bool* hasDestination, int* sources);
// The mnemonic ("m4x4", "texld"); null when unknown.
const char* ShaderOpcodeName(DWORD opcode, DWORD version);
// DWORDs of the stream up to and including the end token; 0 when the stream
// is malformed or has no end token within maxCount.
size_t ShaderTokenCount(const DWORD* tokens, size_t maxCount);
// One instruction per line after the version line; empty for a malformed stream.
std::string DisassembleShader(const DWORD* tokens, size_t count);

} // namespace kestu::d3dx
