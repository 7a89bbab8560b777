// Direct3D 8 vertex and pixel shader token streams (vs 1.x, ps 1.x).
//
// A stream is one version token, then instructions, then the end token. An
// instruction is an instruction token (opcode in the low 16 bits, D3DSI_COISSUE
// for the second of a co-issued pixel-shader pair), then its destination
// parameter token (if any), then its source parameter tokens; "def" carries a
// destination token and four raw floats. A comment token carries its length
// in DWORDs in bits 16-30 and that many DWORDs of payload follow. Every
// parameter token has bit 31 set.
#pragma once
#include "d3d8caps.h" // the version macros
#include "windef.h"

typedef enum _D3DSHADER_INSTRUCTION_OPCODE_TYPE {
    D3DSIO_NOP = 0,
    D3DSIO_MOV = 1,
    D3DSIO_ADD = 2,
    D3DSIO_SUB = 3,
    D3DSIO_MAD = 4,
    D3DSIO_MUL = 5,
    D3DSIO_RCP = 6,
    D3DSIO_RSQ = 7,
    D3DSIO_DP3 = 8,
    D3DSIO_DP4 = 9,
    D3DSIO_MIN = 10,
    D3DSIO_MAX = 11,
    D3DSIO_SLT = 12,
    D3DSIO_SGE = 13,
    D3DSIO_EXP = 14,
    D3DSIO_LOG = 15,
    D3DSIO_LIT = 16,
    D3DSIO_DST = 17,
    D3DSIO_LRP = 18,
    D3DSIO_FRC = 19,
    D3DSIO_M4x4 = 20,
    D3DSIO_M4x3 = 21,
    D3DSIO_M3x4 = 22,
    D3DSIO_M3x3 = 23,
    D3DSIO_M3x2 = 24,

    D3DSIO_TEXCOORD = 64,
    D3DSIO_TEXKILL = 65,
    D3DSIO_TEX = 66,
    D3DSIO_TEXBEM = 67,
    D3DSIO_TEXBEML = 68,
    D3DSIO_TEXREG2AR = 69,
    D3DSIO_TEXREG2GB = 70,
    D3DSIO_TEXM3x2PAD = 71,
    D3DSIO_TEXM3x2TEX = 72,
    D3DSIO_TEXM3x3PAD = 73,
    D3DSIO_TEXM3x3TEX = 74,
    D3DSIO_TEXM3x3DIFF = 75,
    D3DSIO_TEXM3x3SPEC = 76,
    D3DSIO_TEXM3x3VSPEC = 77,
    D3DSIO_EXPP = 78,
    D3DSIO_LOGP = 79,
    D3DSIO_CND = 80,
    D3DSIO_DEF = 81,
    D3DSIO_TEXREG2RGB = 82,
    D3DSIO_TEXDP3TEX = 83,
    D3DSIO_TEXM3x2DEPTH = 84,
    D3DSIO_TEXDP3 = 85,
    D3DSIO_TEXM3x3 = 86,
    D3DSIO_TEXDEPTH = 87,
    D3DSIO_CMP = 88,
    D3DSIO_BEM = 89,

    D3DSIO_PHASE = 0xFFFD,
    D3DSIO_COMMENT = 0xFFFE,
    D3DSIO_END = 0xFFFF,

    D3DSIO_FORCE_DWORD = 0x7fffffff
} D3DSHADER_INSTRUCTION_OPCODE_TYPE;

// Instruction token.
#define D3DSI_OPCODE_MASK 0x0000FFFFu
#define D3DSI_COISSUE 0x40000000u
#define D3DSI_COMMENTSIZE_SHIFT 16
#define D3DSI_COMMENTSIZE_MASK 0x7FFF0000u
#define D3DSHADER_COMMENT(n) (((((DWORD)(n)) << D3DSI_COMMENTSIZE_SHIFT) & D3DSI_COMMENTSIZE_MASK) | D3DSIO_COMMENT)

// Parameter tokens: register number and type.
#define D3DSP_REGNUM_MASK 0x00000FFFu
#define D3DSP_REGTYPE_SHIFT 28
#define D3DSP_REGTYPE_MASK 0x70000000u

typedef enum _D3DSHADER_PARAM_REGISTER_TYPE {
    D3DSPR_TEMP = 0,
    D3DSPR_INPUT = 1,
    D3DSPR_CONST = 2,
    D3DSPR_ADDR = 3,
    D3DSPR_TEXTURE = 3,
    D3DSPR_RASTOUT = 4,
    D3DSPR_ATTROUT = 5,
    D3DSPR_TEXCRDOUT = 6,
    D3DSPR_FORCE_DWORD = 0x7fffffff
} D3DSHADER_PARAM_REGISTER_TYPE;

// Register numbers of D3DSPR_RASTOUT.
typedef enum _D3DVS_RASTOUT_OFFSETS {
    D3DSRO_POSITION = 0,
    D3DSRO_FOG = 1,
    D3DSRO_POINT_SIZE = 2,
    D3DSRO_FORCE_DWORD = 0x7fffffff
} D3DVS_RASTOUT_OFFSETS;

// Destination parameter: write mask, result modifier and shift.
#define D3DSP_WRITEMASK_0 0x00010000u
#define D3DSP_WRITEMASK_1 0x00020000u
#define D3DSP_WRITEMASK_2 0x00040000u
#define D3DSP_WRITEMASK_3 0x00080000u
#define D3DSP_WRITEMASK_ALL 0x000F0000u

#define D3DSP_DSTMOD_SHIFT 20
#define D3DSP_DSTMOD_MASK 0x00F00000u
#define D3DSPDM_NONE (0u << D3DSP_DSTMOD_SHIFT)
#define D3DSPDM_SATURATE (1u << D3DSP_DSTMOD_SHIFT)

// Signed 4-bit shift: 1 = _x2, 2 = _x4, 3 = _x8, 15 = _d2, 14 = _d4, 13 = _d8.
#define D3DSP_DSTSHIFT_SHIFT 24
#define D3DSP_DSTSHIFT_MASK 0x0F000000u

// Source parameter: relative addressing (vertex shader constants, by a0.x),
// swizzle and modifier.
#define D3DVS_ADDRESSMODE_SHIFT 13
#define D3DVS_ADDRESSMODE_MASK (1u << D3DVS_ADDRESSMODE_SHIFT)
#define D3DVS_ADDRMODE_ABSOLUTE (0u << D3DVS_ADDRESSMODE_SHIFT)
#define D3DVS_ADDRMODE_RELATIVE (1u << D3DVS_ADDRESSMODE_SHIFT)

// Two bits per output component, x in bits 16-17 ... w in bits 22-23.
#define D3DVS_SWIZZLE_SHIFT 16
#define D3DVS_SWIZZLE_MASK 0x00FF0000u
#define D3DVS_X_X (0u << D3DVS_SWIZZLE_SHIFT)
#define D3DVS_X_Y (1u << D3DVS_SWIZZLE_SHIFT)
#define D3DVS_X_Z (2u << D3DVS_SWIZZLE_SHIFT)
#define D3DVS_X_W (3u << D3DVS_SWIZZLE_SHIFT)
#define D3DVS_Y_X (0u << (D3DVS_SWIZZLE_SHIFT + 2))
#define D3DVS_Y_Y (1u << (D3DVS_SWIZZLE_SHIFT + 2))
#define D3DVS_Y_Z (2u << (D3DVS_SWIZZLE_SHIFT + 2))
#define D3DVS_Y_W (3u << (D3DVS_SWIZZLE_SHIFT + 2))
#define D3DVS_Z_X (0u << (D3DVS_SWIZZLE_SHIFT + 4))
#define D3DVS_Z_Y (1u << (D3DVS_SWIZZLE_SHIFT + 4))
#define D3DVS_Z_Z (2u << (D3DVS_SWIZZLE_SHIFT + 4))
#define D3DVS_Z_W (3u << (D3DVS_SWIZZLE_SHIFT + 4))
#define D3DVS_W_X (0u << (D3DVS_SWIZZLE_SHIFT + 6))
#define D3DVS_W_Y (1u << (D3DVS_SWIZZLE_SHIFT + 6))
#define D3DVS_W_Z (2u << (D3DVS_SWIZZLE_SHIFT + 6))
#define D3DVS_W_W (3u << (D3DVS_SWIZZLE_SHIFT + 6))
#define D3DVS_NOSWIZZLE (D3DVS_X_X | D3DVS_Y_Y | D3DVS_Z_Z | D3DVS_W_W)

#define D3DSP_SWIZZLE_SHIFT 16
#define D3DSP_SWIZZLE_MASK 0x00FF0000u
#define D3DSP_NOSWIZZLE ((0u << 16) | (1u << 18) | (2u << 20) | (3u << 22))
#define D3DSP_REPLICATERED ((0u << 16) | (0u << 18) | (0u << 20) | (0u << 22))
#define D3DSP_REPLICATEGREEN ((1u << 16) | (1u << 18) | (1u << 20) | (1u << 22))
#define D3DSP_REPLICATEBLUE ((2u << 16) | (2u << 18) | (2u << 20) | (2u << 22))
#define D3DSP_REPLICATEALPHA ((3u << 16) | (3u << 18) | (3u << 20) | (3u << 22))

#define D3DSP_SRCMOD_SHIFT 24
#define D3DSP_SRCMOD_MASK 0x0F000000u

typedef enum _D3DSHADER_PARAM_SRCMOD_TYPE {
    D3DSPSM_NONE = 0 << D3DSP_SRCMOD_SHIFT,    // r
    D3DSPSM_NEG = 1 << D3DSP_SRCMOD_SHIFT,     // -r
    D3DSPSM_BIAS = 2 << D3DSP_SRCMOD_SHIFT,    // r_bias
    D3DSPSM_BIASNEG = 3 << D3DSP_SRCMOD_SHIFT, // -r_bias
    D3DSPSM_SIGN = 4 << D3DSP_SRCMOD_SHIFT,    // r_bx2
    D3DSPSM_SIGNNEG = 5 << D3DSP_SRCMOD_SHIFT, // -r_bx2
    D3DSPSM_COMP = 6 << D3DSP_SRCMOD_SHIFT,    // 1-r
    D3DSPSM_X2 = 7 << D3DSP_SRCMOD_SHIFT,      // r_x2
    D3DSPSM_X2NEG = 8 << D3DSP_SRCMOD_SHIFT,   // -r_x2
    D3DSPSM_DZ = 9 << D3DSP_SRCMOD_SHIFT,      // r_dz: divide by z
    D3DSPSM_DW = 10 << D3DSP_SRCMOD_SHIFT,     // r_dw: divide by w
    D3DSPSM_FORCE_DWORD = 0x7fffffff
} D3DSHADER_PARAM_SRCMOD_TYPE;

// Version tokens (D3DVS_VERSION, D3DPS_VERSION) come with the caps in d3d8caps.h.
#define D3DVS_END() 0x0000FFFFu
#define D3DPS_END() 0x0000FFFFu
