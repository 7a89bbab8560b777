// GLSL for the fixed-function pipeline.
#include <sstream>

#include "d3d8/ffp.h"

namespace kestu::d3d8 {
namespace {

// The constants live in one plain uniform array (laid out as FfpUniforms):
// per-draw updates then cost a copy, never a buffer reallocation. The pixel
// stage reads its few rows from an array of its own, so a new transform
// does not make the driver reload the pixel stage's constants.
const char* kUniformBlock = R"(
uniform vec4 ffp[122];
struct Light { vec4 diffuse; vec4 specular; vec4 ambient; vec4 position; vec4 direction; vec4 atten; vec4 spot; };
#define M4(b) mat4(ffp[b], ffp[(b) + 1], ffp[(b) + 2], ffp[(b) + 3])
#define worldView M4(0)
#define normalMatrix M4(4)
#define view M4(8)
#define proj M4(12)
#define TEXMATRIX(i) M4(16 + 4 * (i))
#define matDiffuse ffp[48]
#define matAmbient ffp[49]
#define matSpecular ffp[50]
#define matEmissive ffp[51]
#define globalAmbient ffp[52]
#define fogParams ffp[53]
#define fogColor ffp[54]
#define tfactor ffp[55]
#define pointParams ffp[56]
#define pointScale ffp[57]
#define screen ffp[58]
#define misc ffp[59]
#define CLIPPLANE(i) ffp[60 + (i)]
#define LIGHT(i) Light(ffp[66 + 7 * (i)], ffp[67 + 7 * (i)], ffp[68 + 7 * (i)], ffp[69 + 7 * (i)], ffp[70 + 7 * (i)], ffp[71 + 7 * (i)], ffp[72 + 7 * (i)])
)";

// Rows fogParams..misc of FfpUniforms.
const char* kPixelUniforms = R"(
uniform vec4 ffpPixel[7];
#define fogParams ffpPixel[0]
#define fogColor ffpPixel[1]
#define tfactor ffpPixel[2]
#define misc ffpPixel[6]
)";

bool StageActive(const FfpKey& k, int i)
{
    for (int s = 0; s <= i; ++s)
        if (k.stages[s].colorOp == D3DTOP_DISABLE || k.stages[s].colorOp == 0) return false;
    return true;
}

bool UsesTexture(const FfpStageKey& s)
{
    auto is = [](uint8_t a) { return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    bool ops = s.colorOp == D3DTOP_BLENDTEXTUREALPHA || s.colorOp == D3DTOP_BLENDTEXTUREALPHAPM ||
               s.alphaOp == D3DTOP_BLENDTEXTUREALPHA || s.alphaOp == D3DTOP_BLENDTEXTUREALPHAPM;
    return ops || is(s.colorArg0) || is(s.colorArg1) || is(s.colorArg2) || is(s.alphaArg0) || is(s.alphaArg1) ||
           is(s.alphaArg2);
}

// Whether an operation reads the stage's texture, through an argument it uses
// or by its own definition.
bool OpReadsTexture(uint8_t op, uint8_t a0, uint8_t a1, uint8_t a2)
{
    auto is = [](uint8_t a) { return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    switch (op) {
    case 0:
    case D3DTOP_DISABLE:
    case D3DTOP_BUMPENVMAP:
    case D3DTOP_BUMPENVMAPLUMINANCE: return false;
    case D3DTOP_SELECTARG1:
    case D3DTOP_PREMODULATE: return is(a1);
    case D3DTOP_SELECTARG2: return is(a2);
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM: return true;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP: return is(a0) || is(a1) || is(a2);
    default: return is(a1) || is(a2);
    }
}

std::string Arg(uint8_t a, int stage, bool alpha)
{
    std::string v;
    switch (a & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: v = "diffuse"; break;
    case D3DTA_CURRENT: v = "current"; break;
    case D3DTA_TEXTURE: v = "t" + std::to_string(stage); break;
    case D3DTA_TFACTOR: v = "tfactor"; break;
    case D3DTA_SPECULAR: v = "specular"; break;
    case D3DTA_TEMP: v = "temp"; break;
    default: v = "vec4(0.0)"; break;
    }
    if (a & D3DTA_COMPLEMENT) v = "(vec4(1.0) - " + v + ")";
    if ((a & D3DTA_ALPHAREPLICATE) || alpha) v = "vec4(" + v + ".a)";
    return v;
}

// Expression of a stage operation; the caller takes .rgb or .a.
std::string Op(uint8_t op, const std::string& a0, const std::string& a1, const std::string& a2, int stage)
{
    std::string t = "t" + std::to_string(stage);
    switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return "2.0 * " + a1 + " * " + a2;
    case D3DTOP_MODULATE4X: return "4.0 * " + a1 + " * " + a2;
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - vec4(0.5)";
    case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a1 + " + " + a2 + " - vec4(0.5))";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " * (vec4(1.0) - " + a1 + ")";
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + t + ".a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", tfactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - " + t + ".a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_PREMODULATE: return a1;
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return "vec4(" + a1 + ".rgb + " + a1 + ".a * " + a2 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATECOLOR_ADDALPHA:
        return "vec4(" + a1 + ".rgb * " + a2 + ".rgb + vec3(" + a1 + ".a), " + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return "vec4((1.0 - " + a1 + ".a) * " + a2 + ".rgb + " + a1 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return "vec4((vec3(1.0) - " + a1 + ".rgb) * " + a2 + ".rgb + vec3(" + a1 + ".a), " + a1 + ".a)";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(dot((" + a1 + ".rgb - 0.5) * 2.0, (" + a2 + ".rgb - 0.5) * 2.0), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD: return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    case D3DTOP_BUMPENVMAP:
    case D3DTOP_BUMPENVMAPLUMINANCE:
    default: return "current";
    }
}

std::string FogExpr(uint8_t mode, const std::string& d)
{
    switch (mode) {
    case D3DFOG_LINEAR: return "(fogParams.y - " + d + ") / (fogParams.y - fogParams.x)";
    case D3DFOG_EXP: return "exp(-(" + d + ") * fogParams.z)";
    case D3DFOG_EXP2: return "exp(-pow((" + d + ") * fogParams.z, 2.0))";
    default: return "1.0";
    }
}

} // namespace

unsigned FvfTexCoordSize(uint32_t fvf, unsigned i)
{
    switch ((fvf >> (16 + i * 2)) & 3) {
    case D3DFVF_TEXTUREFORMAT1: return 1;
    case D3DFVF_TEXTUREFORMAT3: return 3;
    case D3DFVF_TEXTUREFORMAT4: return 4;
    default: return 2;
    }
}

FfpSource GenerateFfp(const FfpKey& k, bool pairedStages)
{
    const uint32_t fvf = k.fvf;
    const bool hasNormal = (fvf & D3DFVF_NORMAL) != 0;
    const bool hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    const bool hasSpecular = (fvf & D3DFVF_SPECULAR) != 0;
    const bool hasPSize = (fvf & D3DFVF_PSIZE) != 0;
    const unsigned texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    const bool blending = !k.rhw && (k.blendMatrices > 0 || k.indexedBlend);
    const char* flat = k.flatShade ? "flat " : "";
    const bool tableFog = k.fogEnable && k.tableFog != D3DFOG_NONE;
    const bool vertexFog = k.fogEnable && !tableFog;

    std::ostringstream vs;
    vs << "#version 330 core\n" << kUniformBlock;
    vs << "layout(location = " << kAttrPosition << ") in vec4 aPos;\n";
    if (blending) {
        if (k.blendMatrices > 0) vs << "layout(location = " << kAttrWeights << ") in vec4 aWeights;\n";
        if (k.indexedBlend) vs << "layout(location = " << kAttrIndices << ") in vec4 aIndices;\n";
        vs << "layout(std140) uniform World { mat4 world[256]; };\n";
    }
    if (hasNormal) vs << "layout(location = " << kAttrNormal << ") in vec3 aNormal;\n";
    if (hasPSize) vs << "layout(location = " << kAttrPointSize << ") in float aPSize;\n";
    if (hasDiffuse) vs << "layout(location = " << kAttrDiffuse << ") in vec4 aDiffuse;\n";
    if (hasSpecular) vs << "layout(location = " << kAttrSpecular << ") in vec4 aSpecular;\n";
    for (unsigned i = 0; i < texCount; ++i)
        vs << "layout(location = " << (kAttrTexCoord0 + i) << ") in vec4 aTex" << i << ";\n";
    vs << flat << "out vec4 vDiffuse;\n" << flat << "out vec4 vSpecular;\nout float vFog;\n";
    if (k.clipMask) vs << "out float gl_ClipDistance[6];\n";

    // Which stages sample, and with which coordinates.
    bool sampled[8] = {};
    for (int i = 0; i < 8; ++i) sampled[i] = StageActive(k, i) && k.stages[i].texType && UsesTexture(k.stages[i]);
    // Coordinates that need no divide reach the pixel stage with just the
    // components it samples with.
    const char* varyingType[8] = {};
    for (int i = 0; i < 8; ++i) {
        if (!sampled[i]) continue;
        const bool divide = !pairedStages || k.stages[i].projected || (k.pointSprite && k.points);
        varyingType[i] = divide ? "vec4" : k.stages[i].texType == 2 ? "vec3" : "vec2";
        vs << "out " << varyingType[i] << " vTex" << i << ";\n";
    }

    vs << "void main() {\n";
    vs << "    vec3 eyePos = vec3(0.0);\n    vec3 N = vec3(0.0);\n";
    if (k.rhw) {
        vs << "    float w = aPos.w == 0.0 ? 1.0 : 1.0 / aPos.w;\n";
        vs << "    vec2 ndc = (aPos.xy + 0.5) * 2.0 / screen.zw - 1.0;\n";
        vs << "    gl_Position = vec4(ndc * w, (2.0 * aPos.z - 1.0) * w, w);\n";
        vs << "    eyePos = vec3(0.0, 0.0, w);\n";
    } else {
        vs << "    vec4 p = vec4(aPos.xyz, 1.0);\n";
        if (blending) {
            vs << "    float wsum = 0.0;\n    vec4 wp = vec4(0.0);\n    vec3 wn = vec3(0.0);\n";
            for (int j = 0; j < k.blendMatrices + 1; ++j) {
                std::string idx = k.indexedBlend ? "int(aIndices[" + std::to_string(j) + "])" : std::to_string(j);
                std::string wgt;
                if (j < k.blendMatrices) {
                    wgt = "aWeights[" + std::to_string(j) + "]";
                    vs << "    wsum += " << wgt << ";\n";
                } else {
                    wgt = "(1.0 - wsum)";
                }
                vs << "    { mat4 m = view * world[" << idx << "]; wp += " << wgt << " * (m * p);";
                if (hasNormal) vs << " wn += " << wgt << " * (mat3(m) * aNormal);";
                vs << " }\n";
            }
            vs << "    eyePos = wp.xyz;\n";
            if (hasNormal) vs << "    N = wn;\n";
        } else {
            vs << "    eyePos = (worldView * p).xyz;\n";
            if (hasNormal) vs << "    N = mat3(normalMatrix) * aNormal;\n";
        }
        if (hasNormal && k.normalize) vs << "    if (dot(N, N) > 0.0) N = normalize(N);\n";
        vs << "    vec4 clip = proj * vec4(eyePos, 1.0);\n";
        // Direct3D's depth range [0, w] to GL's [-w, w]; pixel centres at
        // integers; rows top-down.
        vs << "    gl_Position = vec4(clip.x + clip.w * screen.x, -clip.y + clip.w * screen.y, 2.0 * clip.z - clip.w, "
              "clip.w);\n";
        for (int i = 0; i < 6; ++i)
            if (k.clipMask & (1 << i))
                vs << "    gl_ClipDistance[" << i << "] = dot(vec4(eyePos, 1.0), CLIPPLANE(" << i << "));\n";
            else if (k.clipMask)
                vs << "    gl_ClipDistance[" << i << "] = 1.0;\n";
    }

    // Colours.
    vs << "    vec4 inDiffuse = " << (hasDiffuse ? "aDiffuse" : "vec4(1.0)") << ";\n";
    vs << "    vec4 inSpecular = " << (hasSpecular ? "aSpecular" : "vec4(0.0)") << ";\n";
    if (k.lighting && !k.rhw) {
        auto src = [&](uint8_t s, const char* material) -> std::string {
            if (s == D3DMCS_COLOR1 && hasDiffuse) return "inDiffuse";
            if (s == D3DMCS_COLOR2 && hasSpecular) return "inSpecular";
            return material;
        };
        vs << "    vec4 mDiffuse = " << src(k.diffuseSource, "matDiffuse") << ";\n";
        vs << "    vec4 mAmbient = " << src(k.ambientSource, "matAmbient") << ";\n";
        vs << "    vec4 mSpecular = " << src(k.specularSource, "matSpecular") << ";\n";
        vs << "    vec4 mEmissive = " << src(k.emissiveSource, "matEmissive") << ";\n";
        vs << "    vec3 ambient = globalAmbient.rgb;\n    vec3 diff = vec3(0.0);\n    vec3 specSum = vec3(0.0);\n";
        vs << "    vec3 V = " << (k.localViewer ? "-normalize(eyePos)" : "vec3(0.0, 0.0, -1.0)") << ";\n";
        for (int i = 0; i < 8; ++i) {
            uint8_t type = k.lightTypes[i];
            if (!type) continue;
            vs << "    {\n        Light l = LIGHT(" << i << ");\n";
            if (type == D3DLIGHT_DIRECTIONAL) {
                vs << "        vec3 L = -l.direction.xyz;\n        float att = 1.0;\n";
            } else {
                vs << "        vec3 d = l.position.xyz - eyePos;\n        float dist = length(d);\n";
                vs << "        vec3 L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);\n";
                vs << "        float att = dist > l.atten.x ? 0.0 : 1.0 / max(l.atten.y + l.atten.z * dist + l.atten.w "
                      "* "
                      "dist * dist, 1e-6);\n";
                if (type == D3DLIGHT_SPOT) {
                    vs << "        float rho = dot(-L, l.direction.xyz);\n";
                    vs << "        float spot = rho > l.spot.x ? 1.0 : (rho <= l.spot.y ? 0.0 : "
                          "pow(clamp((rho - l.spot.y) / max(l.spot.x - l.spot.y, 1e-6), 0.0, 1.0), l.spot.z));\n";
                    vs << "        att *= spot;\n";
                }
            }
            vs << "        ambient += att * l.ambient.rgb;\n";
            vs << "        float ndl = dot(N, L);\n";
            vs << "        if (ndl > 0.0) {\n";
            vs << "            diff += att * ndl * l.diffuse.rgb;\n";
            if (k.specularEnable) {
                vs << "            vec3 H = normalize(V + L);\n";
                vs << "            float ndh = max(dot(N, H), 0.0);\n";
                vs << "            if (ndh > 0.0) specSum += att * pow(ndh, misc.y) * l.specular.rgb;\n";
            }
            vs << "        }\n    }\n";
        }
        vs << "    vDiffuse = vec4(clamp(mAmbient.rgb * ambient + mDiffuse.rgb * diff + mEmissive.rgb, 0.0, 1.0), "
              "clamp(mDiffuse.a, 0.0, 1.0));\n";
        // With specular off lighting computes none, and the vertex's own
        // specular passes on as it is (a pixel shader reads it in v1).
        if (k.specularEnable)
            vs << "    vSpecular = vec4(clamp(mSpecular.rgb * specSum, 0.0, 1.0), inSpecular.a);\n";
        else
            vs << "    vSpecular = inSpecular;\n";
    } else {
        vs << "    vDiffuse = inDiffuse;\n    vSpecular = inSpecular;\n";
    }

    // Fog factor.
    if (vertexFog) {
        if (k.rhw || k.vertexFog == D3DFOG_NONE) {
            vs << "    vFog = vSpecular.a;\n";
        } else {
            std::string d = k.rangeFog ? "length(eyePos)" : "eyePos.z";
            vs << "    vFog = clamp(" << FogExpr(k.vertexFog, d) << ", 0.0, 1.0);\n";
        }
    } else if (tableFog) {
        // Table fog by eye depth (w) when the projection is perspective, else by device z.
        if (k.fogUsesW)
            vs << "    vFog = gl_Position.w;\n";
        else
            vs << "    vFog = (gl_Position.z / gl_Position.w) * 0.5 + 0.5;\n";
    } else {
        vs << "    vFog = 1.0;\n";
    }

    // Texture coordinates.
    for (int i = 0; i < 8; ++i) {
        if (!sampled[i]) continue;
        const FfpStageKey& s = k.stages[i];
        vs << "    {\n        vec4 tc;\n";
        unsigned dims = 4;
        if (k.pointSprite && k.points) {
            vs << "        tc = vec4(0.0, 0.0, 0.0, 1.0);\n";
            dims = 2;
        } else if (s.coordGen == 1) {
            vs << "        tc = vec4(N, 1.0);\n";
            dims = 3;
        } else if (s.coordGen == 2) {
            vs << "        tc = vec4(eyePos, 1.0);\n";
            dims = 3;
        } else if (s.coordGen == 3) {
            vs << "        tc = vec4(reflect(normalize(eyePos), N), 1.0);\n";
            dims = 3;
        } else if (s.coordIndex < texCount) {
            dims = FvfTexCoordSize(fvf, s.coordIndex);
            vs << "        vec4 a = aTex" << int(s.coordIndex) << ";\n";
            // Missing components: into a texture transform, the one after the
            // last is 1 (so the matrix's translation row applies) and the rest
            // 0; without one they are 0 and w is 1.
            const bool into = s.transformCount != 0;
            if (dims == 1)
                vs << "        tc = vec4(a.x, " << (into ? "1.0, 0.0, 0.0" : "0.0, 0.0, 1.0") << ");\n";
            else if (dims == 2)
                vs << "        tc = vec4(a.xy, " << (into ? "1.0, 0.0" : "0.0, 1.0") << ");\n";
            else if (dims == 3)
                vs << "        tc = vec4(a.xyz, 1.0);\n";
            else
                vs << "        tc = a;\n";
        } else {
            vs << "        tc = vec4(0.0, 0.0, 0.0, 1.0);\n";
        }
        if (s.transformCount && !(k.pointSprite && k.points)) {
            vs << "        tc = TEXMATRIX(" << i << ") * tc;\n";
            dims = s.transformCount;
        }
        if (s.projected && dims >= 2) {
            const char* last = dims == 2 ? "tc.y" : dims == 3 ? "tc.z" : "tc.w";
            vs << "        tc = vec4(tc.xyz, " << last << ");\n";
        } else {
            vs << "        tc.w = 1.0;\n";
        }
        vs << "        vTex" << i << " = " << varyingType[i] << "(tc);\n    }\n";
    }

    // Point size.
    if (k.points) {
        vs << "    float ps = " << (hasPSize ? "aPSize" : "pointParams.x") << ";\n";
        if (k.pointScale && !k.rhw) {
            vs << "    float de = length(eyePos);\n";
            vs << "    ps = pointParams.w * ps * sqrt(1.0 / max(pointScale.x + pointScale.y * de + pointScale.z * de * "
                  "de, 1e-6));\n";
        }
        vs << "    gl_PointSize = clamp(ps, max(pointParams.y, 1.0), max(pointParams.z, 1.0));\n";
    }
    vs << "}\n";

    // Fragment.
    std::ostringstream fs;
    fs << "#version 330 core\n" << kPixelUniforms;
    fs << flat << "in vec4 vDiffuse;\n" << flat << "in vec4 vSpecular;\nin float vFog;\n";
    for (int i = 0; i < 8; ++i) {
        if (!sampled[i]) continue;
        fs << "in " << varyingType[i] << " vTex" << i << ";\n";
        fs << "uniform " << (k.stages[i].texType == 2 ? "samplerCube" : "sampler2D") << " s" << i << ";\n";
    }
    fs << "out vec4 fragColor;\nvoid main() {\n";
    fs << "    vec4 diffuse = vDiffuse;\n    vec4 specular = vSpecular;\n";
    fs << "    vec4 current = diffuse;\n    vec4 temp = vec4(0.0);\n";
    for (int i = 0; i < 8; ++i) {
        if (!StageActive(k, i)) break;
        const FfpStageKey& s = k.stages[i];
        std::string t = "t" + std::to_string(i);
        if (sampled[i]) {
            const std::string v = "vTex" + std::to_string(i);
            std::string coord;
            if (k.pointSprite && k.points)
                coord = s.texType == 2 ? "vec3(gl_PointCoord, 0.0)" : "gl_PointCoord";
            else if (std::string(varyingType[i]) != "vec4")
                coord = v;
            else
                coord = v + (s.texType == 2 ? ".xyz / " : ".xy / ") + v + ".w";
            fs << "    vec4 " << t << " = texture(s" << i << ", " << coord << ");\n";
        }
        // With no texture bound, an operation that reads the texture passes
        // the incoming value through, as the drivers do.
        const bool unbound = !s.texType;
        std::string dst = s.resultArg == D3DTA_TEMP ? "temp" : "current";
        std::string colour =
            unbound && OpReadsTexture(s.colorOp, s.colorArg0, s.colorArg1, s.colorArg2)
                ? std::string("current")
                : Op(s.colorOp, Arg(s.colorArg0, i, false), Arg(s.colorArg1, i, false), Arg(s.colorArg2, i, false), i);
        uint8_t aop = s.alphaOp == D3DTOP_DISABLE || s.alphaOp == 0 ? uint8_t(D3DTOP_SELECTARG1) : s.alphaOp;
        std::string alpha =
            s.alphaOp == D3DTOP_DISABLE || s.alphaOp == 0 ||
                    (unbound && OpReadsTexture(aop, s.alphaArg0, s.alphaArg1, s.alphaArg2))
                ? std::string("current")
                : Op(aop, Arg(s.alphaArg0, i, true), Arg(s.alphaArg1, i, true), Arg(s.alphaArg2, i, true), i);
        fs << "    {\n        vec4 c = clamp(" << colour << ", 0.0, 1.0);\n";
        if (s.colorOp == D3DTOP_DOTPRODUCT3)
            fs << "        vec4 a = c;\n";
        else
            fs << "        vec4 a = clamp(" << alpha << ", 0.0, 1.0);\n";
        fs << "        " << dst << " = vec4(c.rgb, a.a);\n    }\n";
    }
    if (k.specularEnable) fs << "    current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    if (k.fogEnable) {
        if (tableFog)
            fs << "    float f = clamp(" << FogExpr(k.tableFog, "vFog") << ", 0.0, 1.0);\n";
        else
            fs << "    float f = clamp(vFog, 0.0, 1.0);\n";
        fs << "    current.rgb = mix(fogColor.rgb, current.rgb, f);\n";
    }
    if (k.alphaFunc && k.alphaFunc != D3DCMP_ALWAYS)
        fs << "    if (!(" << CompareExpr(k.alphaFunc, "floor(current.a * 255.0 + 0.5)", "misc.x") << ")) discard;\n";
    fs << "    fragColor = current;\n}\n";
    return {vs.str(), fs.str()};
}

std::string CompareExpr(uint8_t func, const std::string& a, const std::string& b)
{
    switch (func) {
    case D3DCMP_NEVER: return "false";
    case D3DCMP_LESS: return a + " < " + b;
    case D3DCMP_EQUAL: return a + " == " + b;
    case D3DCMP_LESSEQUAL: return a + " <= " + b;
    case D3DCMP_GREATER: return a + " > " + b;
    case D3DCMP_NOTEQUAL: return a + " != " + b;
    case D3DCMP_GREATEREQUAL: return a + " >= " + b;
    default: return "true";
    }
}

} // namespace kestu::d3d8
