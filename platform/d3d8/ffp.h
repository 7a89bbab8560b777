// The fixed-function pipeline as GLSL: a key describing every state that
// changes the generated code, and the generator. Programs translated from
// shader tokens plug into the same cache under their own keys.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

#include "d3d8types.h"

namespace kestu::d3d8 {

struct FfpStageKey {
    uint8_t colorOp, colorArg0, colorArg1, colorArg2;
    uint8_t alphaOp, alphaArg0, alphaArg1, alphaArg2;
    uint8_t resultArg;
    uint8_t texType;        // 0 none, 1 2D, 2 cube
    uint8_t coordIndex;     // vertex texture coordinate set
    uint8_t coordGen;       // TCI value >> 16
    uint8_t transformCount; // D3DTTFF count (0 = no transform)
    uint8_t projected;
    uint8_t pad[2];
};

struct FfpKey {
    uint32_t fvf;
    uint8_t rhw, lighting, specularEnable, localViewer;
    uint8_t normalize, diffuseSource, specularSource, ambientSource;
    uint8_t emissiveSource, blendMatrices, indexedBlend, vertexFog;
    uint8_t tableFog, fogEnable, rangeFog, fogUsesW;
    uint8_t clipMask, pointSprite, pointScale, points;
    uint8_t flatShade, alphaFunc, pad0, pad1;
    uint8_t lightTypes[8];
    FfpStageKey stages[8];

    FfpKey() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const FfpKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};

struct FfpKeyHash {
    size_t operator()(const FfpKey& k) const
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&k);
        uint64_t h = 1469598103934665603ull;
        for (size_t i = 0; i < sizeof(k); ++i) h = (h ^ p[i]) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};

// Attribute locations shared by the generator and the draw code.
enum FfpAttribute : unsigned {
    kAttrPosition = 0,
    kAttrWeights = 1,
    kAttrIndices = 2,
    kAttrNormal = 3,
    kAttrPointSize = 4,
    kAttrDiffuse = 5,
    kAttrSpecular = 6,
    kAttrTexCoord0 = 7,
};

// Layout of the uniform array "ffp" (vec4 each; matrices as four vec4).
struct FfpLight {
    float diffuse[4], specular[4], ambient[4], position[4], direction[4];
    float atten[4]; // range, a0, a1, a2
    float spot[4];  // cos(theta/2), cos(phi/2), falloff
};
struct FfpUniforms {
    float worldView[16];
    float normalMatrix[16];
    float view[16];
    float proj[16];
    float texMatrix[8][16];
    float matDiffuse[4], matAmbient[4], matSpecular[4], matEmissive[4];
    float globalAmbient[4];
    float fog[4]; // start, end, density
    float fogColor[4];
    float tfactor[4];
    float point[4];      // size, min, max, viewport height
    float pointScale[4]; // A, B, C
    float screen[4];     // 1/viewport width, 1/viewport height, target width, target height
    float misc[4];       // alpha reference (0..255), power
    float clipPlanes[6][4];
    FfpLight lights[8];
};
static_assert(sizeof(FfpUniforms) == 122 * 16, "the generated code indexes this layout");

// Texture coordinate components the FVF gives set `i` (1..4).
unsigned FvfTexCoordSize(uint32_t fvf, unsigned i);

struct FfpSource {
    std::string vertex;
    std::string fragment;
};
// With `pairedStages` false one of the two stages is a shader's, so the
// texture coordinates between them keep their four components.
FfpSource GenerateFfp(const FfpKey& key, bool pairedStages = true);

// The GLSL condition "a <func> b" of a D3DCMP_ function: the alpha test of the
// generated pipeline and of translated pixel shaders.
std::string CompareExpr(uint8_t func, const std::string& a, const std::string& b);

} // namespace kestu::d3d8
