// The instruction table of vs 1.x and ps 1.x.
#include "asm_internal.h"

namespace kestu::d3dx::assembler {

namespace {
constexpr int kNoPs = -1;

// name, opcode, vertex, ps min, ps max, sources, dest, class, vertex slots
const OpInfo kOps[] = {
    {"nop", D3DSIO_NOP, true, 0, 4, 0, false, OpClass::Nop, 1},
    {"mov", D3DSIO_MOV, true, 0, 4, 1, true, OpClass::Arith, 1},
    {"add", D3DSIO_ADD, true, 0, 4, 2, true, OpClass::Arith, 1},
    {"sub", D3DSIO_SUB, true, 0, 4, 2, true, OpClass::Arith, 1},
    {"mad", D3DSIO_MAD, true, 0, 4, 3, true, OpClass::Arith, 1},
    {"mul", D3DSIO_MUL, true, 0, 4, 2, true, OpClass::Arith, 1},
    {"rcp", D3DSIO_RCP, true, kNoPs, 0, 1, true, OpClass::Arith, 1},
    {"rsq", D3DSIO_RSQ, true, kNoPs, 0, 1, true, OpClass::Arith, 1},
    {"dp3", D3DSIO_DP3, true, 0, 4, 2, true, OpClass::Arith, 1},
    {"dp4", D3DSIO_DP4, true, 2, 4, 2, true, OpClass::Arith, 1},
    {"min", D3DSIO_MIN, true, kNoPs, 0, 2, true, OpClass::Arith, 1},
    {"max", D3DSIO_MAX, true, kNoPs, 0, 2, true, OpClass::Arith, 1},
    {"slt", D3DSIO_SLT, true, kNoPs, 0, 2, true, OpClass::Arith, 1},
    {"sge", D3DSIO_SGE, true, kNoPs, 0, 2, true, OpClass::Arith, 1},
    {"exp", D3DSIO_EXP, true, kNoPs, 0, 1, true, OpClass::Arith, 10},
    {"log", D3DSIO_LOG, true, kNoPs, 0, 1, true, OpClass::Arith, 10},
    {"lit", D3DSIO_LIT, true, kNoPs, 0, 1, true, OpClass::Arith, 3},
    {"dst", D3DSIO_DST, true, kNoPs, 0, 2, true, OpClass::Arith, 1},
    {"lrp", D3DSIO_LRP, false, 0, 4, 3, true, OpClass::Arith, 0},
    {"frc", D3DSIO_FRC, true, kNoPs, 0, 1, true, OpClass::Arith, 3},
    {"m4x4", D3DSIO_M4x4, true, kNoPs, 0, 2, true, OpClass::Arith, 4},
    {"m4x3", D3DSIO_M4x3, true, kNoPs, 0, 2, true, OpClass::Arith, 3},
    {"m3x4", D3DSIO_M3x4, true, kNoPs, 0, 2, true, OpClass::Arith, 4},
    {"m3x3", D3DSIO_M3x3, true, kNoPs, 0, 2, true, OpClass::Arith, 3},
    {"m3x2", D3DSIO_M3x2, true, kNoPs, 0, 2, true, OpClass::Arith, 2},
    {"expp", D3DSIO_EXPP, true, kNoPs, 0, 1, true, OpClass::Arith, 1},
    {"logp", D3DSIO_LOGP, true, kNoPs, 0, 1, true, OpClass::Arith, 1},
    {"cnd", D3DSIO_CND, false, 0, 4, 3, true, OpClass::Arith, 0},
    {"cmp", D3DSIO_CMP, false, 2, 4, 3, true, OpClass::Arith, 0},
    {"bem", D3DSIO_BEM, false, 4, 4, 2, true, OpClass::Arith, 0},
    {"def", D3DSIO_DEF, true, 0, 4, 4, true, OpClass::Def, 0},
    {"phase", D3DSIO_PHASE, false, 4, 4, 0, false, OpClass::Phase, 0},

    // Texture addressing; the 1.4 forms take their coordinate as a source.
    {"texcoord", D3DSIO_TEXCOORD, false, 0, 3, 0, true, OpClass::Tex, 0},
    {"texcrd", D3DSIO_TEXCOORD, false, 4, 4, 1, true, OpClass::Tex, 0},
    {"tex", D3DSIO_TEX, false, 0, 3, 0, true, OpClass::Tex, 0},
    {"texld", D3DSIO_TEX, false, 4, 4, 1, true, OpClass::Tex, 0},
    {"texkill", D3DSIO_TEXKILL, false, 0, 4, 0, true, OpClass::Tex, 0},
    {"texdepth", D3DSIO_TEXDEPTH, false, 4, 4, 0, true, OpClass::Tex, 0},
    {"texbem", D3DSIO_TEXBEM, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texbeml", D3DSIO_TEXBEML, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texreg2ar", D3DSIO_TEXREG2AR, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texreg2gb", D3DSIO_TEXREG2GB, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texreg2rgb", D3DSIO_TEXREG2RGB, false, 2, 3, 1, true, OpClass::Tex, 0},
    {"texm3x2pad", D3DSIO_TEXM3x2PAD, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texm3x2tex", D3DSIO_TEXM3x2TEX, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texm3x2depth", D3DSIO_TEXM3x2DEPTH, false, 3, 3, 1, true, OpClass::Tex, 0},
    {"texm3x3pad", D3DSIO_TEXM3x3PAD, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texm3x3tex", D3DSIO_TEXM3x3TEX, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texm3x3diff", D3DSIO_TEXM3x3DIFF, false, 0, 0, 1, true, OpClass::Tex, 0},
    {"texm3x3spec", D3DSIO_TEXM3x3SPEC, false, 0, 3, 2, true, OpClass::Tex, 0},
    {"texm3x3vspec", D3DSIO_TEXM3x3VSPEC, false, 0, 3, 1, true, OpClass::Tex, 0},
    {"texm3x3", D3DSIO_TEXM3x3, false, 2, 3, 1, true, OpClass::Tex, 0},
    {"texdp3", D3DSIO_TEXDP3, false, 2, 3, 1, true, OpClass::Tex, 0},
    {"texdp3tex", D3DSIO_TEXDP3TEX, false, 2, 3, 1, true, OpClass::Tex, 0},
};
} // namespace

const OpInfo* FindOp(const std::string& name, const Version& version)
{
    for (const OpInfo& op : kOps) {
        if (name != op.name) continue;
        if (version.kind == ShaderKind::Vertex) return op.vertex ? &op : nullptr;
        return op.psMin >= 0 && version.minor >= op.psMin && version.minor <= op.psMax ? &op : nullptr;
    }
    return nullptr;
}

bool IsKnownName(const std::string& name)
{
    for (const OpInfo& op : kOps)
        if (name == op.name) return true;
    return false;
}

} // namespace kestu::d3dx::assembler
