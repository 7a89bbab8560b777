// vs/ps 1.x token streams and vertex declarations turned into GLSL.
//
// Translation happens once, when a shader is created: the body of main() is
// fixed then. Linking a pair only adds the declarations that depend on the
// draw (sampler kinds, interpolation, fog and alpha test).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "d3d8/ffp.h"
#include "d3d8shadertokens.h"

namespace kestu::d3d8 {

// Streams are read up to this many DWORDs looking for their end token.
constexpr size_t kMaxShaderTokens = 65536;
constexpr size_t kMaxDeclarationTokens = 4096;
// The register file of vs 1.1 as later hardware of this interface had it; the
// GLSL array is this size whatever a device reports (llvmpipe allows 4096
// vec4 of vertex uniforms, GL 3.3 drivers with real hardware at least 1024).
constexpr unsigned kVertexShaderConstants = 256;
constexpr unsigned kPixelShaderConstants = 8;
// Pixel-shader registers hold [-this, +this] in every version (the caps' MaxPixelShaderValue).
constexpr float kMaxPixelShaderValue = 8.f;

struct VertexElement {
    DWORD stream = 0;
    DWORD reg = 0;    // v register
    DWORD type = 0;   // D3DVSDT_*
    DWORD offset = 0; // bytes into the stream's vertex
};

struct VertexDeclaration {
    std::vector<DWORD> tokens; // as given, end token included
    std::vector<VertexElement> elements;
    struct ConstantLoad {
        DWORD reg = 0;
        std::vector<std::array<float, 4>> values;
    };
    std::vector<ConstantLoad> constants;
    DWORD fvf = 0; // the matching FVF for fixed-function vertex processing; 0 when none
};

// Bytes of one element of a D3DVSDT_* type; 0 for an unknown type.
unsigned VertexElementSize(DWORD type);
bool ParseDeclaration(const DWORD* tokens, VertexDeclaration& out);
// The stream-0 layout of an FVF in the registers fixed-function code reads;
// `indexedBlend` reads the last beta as four byte indices.
std::vector<VertexElement> ElementsFromFvf(DWORD fvf, bool indexedBlend);

struct TranslatedShader {
    std::vector<DWORD> tokens; // the function as given, end token included
    DWORD version = 0;
    std::string body;      // statements of main()
    std::string globals;   // helper functions and def constants
    uint32_t inputs = 0;   // vs: v registers read
    uint32_t coords = 0;   // ps: interpolated texture coordinates read
    uint32_t samplers = 0; // ps: stages sampled
    bool writesDepth = false;
};

// `constants` registers exist (at most kVertexShaderConstants): reading one
// beyond fails, a relative read beyond gives 0.
bool TranslateVertexShader(const DWORD* tokens, TranslatedShader& out, unsigned constants = kVertexShaderConstants);
bool TranslatePixelShader(const DWORD* tokens, TranslatedShader& out);

// What a program's GLSL depends on beyond the shaders' own code.
struct LinkOptions {
    bool flatShade = false;
    bool points = false;
    bool fogEnable = false;
    uint8_t tableFog = 0; // D3DFOG_* of the table (pixel) fog
    bool fogUsesW = false;
    uint8_t alphaFunc = 0;      // D3DCMP_*, 0 = no test
    uint8_t clipMask = 0;       // user clip planes enabled (vertex shaders: clip space)
    uint8_t cube[8] = {};       // stage has a cube texture
    uint8_t projected[8] = {};  // stage's coordinates are projected (D3DTTFF_PROJECTED)
    bool fixedFragment = false; // the texture stages, not a pixel shader, read the varyings
};

// A complete vertex shader writing the varyings the fixed-function fragment
// code reads (vDiffuse, vSpecular, vFog, vTex0-7).
std::string VertexShaderSource(const TranslatedShader& vs, const VertexDeclaration& decl, const LinkOptions& o);
// A complete fragment shader reading those varyings.
std::string PixelShaderSource(const TranslatedShader& ps, const LinkOptions& o);

// Shared by both translators: a float as exact GLSL text; a source operand's swizzle and modifier
// applied to an expression of type vec4.
std::string FloatText(float f);
std::string SwizzleText(DWORD swizzle);
std::string ApplySourceModifier(const std::string& value, DWORD modifier);
// Statements writing `value` to `reg` through a write mask (bit 0 = x).
std::string MaskedWrite(const std::string& reg, const std::string& value, DWORD mask);

} // namespace kestu::d3d8
