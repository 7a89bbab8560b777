// Drawing: state to GL, the program cache, vertex attributes and the draw calls.
#include <algorithm>
#include <cstddef>
#include <cmath>
#include <cstring>

#include "d3d8/device.h"
#include "d3d8/draw_common.h"
#include "d3d8/format.h"
#include "d3d8/gl_context.h"
#include "d3d8/matrix.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {
namespace {

void ColourToFloat(D3DCOLOR c, float out[4])
{
    out[0] = ((c >> 16) & 0xff) / 255.f;
    out[1] = ((c >> 8) & 0xff) / 255.f;
    out[2] = (c & 0xff) / 255.f;
    out[3] = (c >> 24) / 255.f;
}

void CopyColour(const D3DCOLORVALUE& c, float out[4])
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

GLenum GlCompare(DWORD f)
{
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum GlBlend(DWORD b)
{
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum GlStencilOp(DWORD op)
{
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum GlAddress(DWORD a, bool mirrorOnce)
{
    switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return mirrorOnce ? GL_MIRROR_CLAMP_TO_EDGE : GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

// Bytes of one vertex of the FVF.
UINT FvfSize(DWORD fvf)
{
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: size = 12; break;
    case D3DFVF_XYZRHW: size = 16; break;
    case 0: size = 0; break;
    default: size = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2 + 1); break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    UINT tex = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT i = 0; i < tex && i < 8; ++i) size += 4 * FvfTexCoordSize(fvf, i);
    return size;
}

Device* g_activeDevice = nullptr;

// Parts of the fixed-function constants a generation changed: everything,
// rows 0-7 (world-view and normal matrices), rows 52-59 (from render states).
enum UniformPart : uint32_t { kUniformsAll = 1, kUniformsWorldView = 2, kUniformsRender = 4 };
// The pixel stage's rows, fog through misc, in the order its array has them.
constexpr GLsizei kPixelRows = 7;
static_assert(offsetof(FfpUniforms, misc) - offsetof(FfpUniforms, fog) == (kPixelRows - 1) * 16);
static_assert(offsetof(FfpUniforms, normalMatrix) == 4 * 16 && offsetof(FfpUniforms, globalAmbient) == 52 * 16 &&
                  offsetof(FfpUniforms, clipPlanes) == 60 * 16,
              "the partial loads follow the layout");

// What the caps report as MaxPrimitiveCount; larger counts would overflow.
constexpr UINT kMaxPrimitives = 0xFFFFF;

} // namespace

void Device::Activate()
{
    if (g_activeDevice == this) return;
    g_activeDevice = this;
    rasterDirty_ = programDirty_ = uniformsDirty_ = samplersDirty_ = worldDirty_ = true;
    worldViewDirty_ = renderUniformsDirty_ = true;
    worldDirtyMax_ = 255;
    rasterKnown_ = 0;
    viewportKnown_ = false;
    program_ = nullptr;
    for (auto& t : boundTextures_) t = 0;
    glBindBufferBase(GL_UNIFORM_BUFFER, 1, worldUbo_);
}

void Device::Deactivate()
{
    if (g_activeDevice == this) g_activeDevice = nullptr;
}

bool Device::MakeCurrentForScene()
{
    const std::thread::id thread = std::this_thread::get_id();
    if (inScene_ && sceneCurrent_ && sceneThread_ == thread) return true;
    if (!GlMakeCurrent()) return false;
    sceneCurrent_ = inScene_;
    sceneThread_ = thread;
    return true;
}

// Each group of GL raster state is set again only when the render states it
// comes from differ from the ones it was last set from.
template <size_t N>
bool Device::RasterGroupChanged(RasterGroup group, const std::array<DWORD, N>& now, std::array<DWORD, N>& last)
{
    const uint32_t bit = 1u << static_cast<unsigned>(group);
    if ((rasterKnown_ & bit) && now == last) return false;
    rasterKnown_ |= bit;
    last = now;
    return true;
}

void Device::ApplyRasterState()
{
    if (!rasterDirty_) return;
    rasterDirty_ = false;
    const DWORD* rs = rs_;
    if (!(rasterKnown_ & (1u << static_cast<unsigned>(RasterGroup::Fixed)))) {
        rasterKnown_ |= 1u << static_cast<unsigned>(RasterGroup::Fixed);
        glDisable(GL_DITHER);
        glEnable(GL_PROGRAM_POINT_SIZE);
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
        glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
        // Rows are stored top-down, so Direct3D's clockwise is GL's counter-clockwise.
        glFrontFace(GL_CCW);
    }
    // Depth.
    const bool depth = depthStencil_ && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    if (RasterGroupChanged(RasterGroup::Depth,
                           std::array<DWORD, 3>{depth, depth ? rs[D3DRS_ZFUNC] : 0, depth && rs[D3DRS_ZWRITEENABLE]},
                           appliedDepth_)) {
        if (depth) {
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GlCompare(rs[D3DRS_ZFUNC]));
        } else {
            glDisable(GL_DEPTH_TEST);
        }
        glDepthMask(depth && rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    }
    const DWORD bias = rs[D3DRS_ZBIAS];
    if (RasterGroupChanged(RasterGroup::Bias, std::array<DWORD, 1>{bias}, appliedBias_)) {
        if (bias) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glEnable(GL_POLYGON_OFFSET_LINE);
            glEnable(GL_POLYGON_OFFSET_POINT);
            glPolygonOffset(0.f, -static_cast<float>(bias));
        } else {
            glDisable(GL_POLYGON_OFFSET_FILL);
            glDisable(GL_POLYGON_OFFSET_LINE);
            glDisable(GL_POLYGON_OFFSET_POINT);
        }
    }
    // Stencil.
    FormatInfo info;
    if (depthStencil_) GetFormatInfo(depthStencil_->format(), info);
    const bool stencil = rs[D3DRS_STENCILENABLE] && info.stencil;
    const std::array<DWORD, 8> stencilNow = stencil ? std::array<DWORD, 8>{1,
                                                                           rs[D3DRS_STENCILFUNC],
                                                                           rs[D3DRS_STENCILREF] & 0xff,
                                                                           rs[D3DRS_STENCILMASK],
                                                                           rs[D3DRS_STENCILFAIL],
                                                                           rs[D3DRS_STENCILZFAIL],
                                                                           rs[D3DRS_STENCILPASS],
                                                                           rs[D3DRS_STENCILWRITEMASK]}
                                                    : std::array<DWORD, 8>{};
    if (RasterGroupChanged(RasterGroup::Stencil, stencilNow, appliedStencil_)) {
        if (stencil) {
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(GlCompare(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xff),
                          rs[D3DRS_STENCILMASK]);
            glStencilOp(GlStencilOp(rs[D3DRS_STENCILFAIL]), GlStencilOp(rs[D3DRS_STENCILZFAIL]),
                        GlStencilOp(rs[D3DRS_STENCILPASS]));
            glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
        } else {
            glDisable(GL_STENCIL_TEST);
            glStencilMask(0xFF);
        }
    }
    // Blending.
    const bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (RasterGroupChanged(RasterGroup::Blend, std::array<DWORD, 1>{blend}, appliedBlendEnable_)) {
        if (blend)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
    }
    if (blend && RasterGroupChanged(RasterGroup::BlendFunction,
                                    std::array<DWORD, 3>{rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], rs[D3DRS_BLENDOP]},
                                    appliedBlendFunction_)) {
        DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
        GLenum s = GlBlend(src), d = GlBlend(dst);
        if (src == D3DBLEND_BOTHSRCALPHA) {
            s = GL_SRC_ALPHA;
            d = GL_ONE_MINUS_SRC_ALPHA;
        } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
            s = GL_ONE_MINUS_SRC_ALPHA;
            d = GL_SRC_ALPHA;
        }
        glBlendFunc(s, d);
        switch (rs[D3DRS_BLENDOP]) {
        case D3DBLENDOP_SUBTRACT: glBlendEquation(GL_FUNC_SUBTRACT); break;
        case D3DBLENDOP_REVSUBTRACT: glBlendEquation(GL_FUNC_REVERSE_SUBTRACT); break;
        case D3DBLENDOP_MIN: glBlendEquation(GL_MIN); break;
        case D3DBLENDOP_MAX: glBlendEquation(GL_MAX); break;
        default: glBlendEquation(GL_FUNC_ADD); break;
        }
    }
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    if (RasterGroupChanged(RasterGroup::ColorMask, std::array<DWORD, 1>{mask}, appliedColorMask_))
        glColorMask(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE, mask & 4 ? GL_TRUE : GL_FALSE,
                    mask & 8 ? GL_TRUE : GL_FALSE);
    if (RasterGroupChanged(RasterGroup::Cull, std::array<DWORD, 1>{rs[D3DRS_CULLMODE]}, appliedCull_)) {
        switch (rs[D3DRS_CULLMODE]) {
        case D3DCULL_CW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
            break;
        case D3DCULL_CCW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
            break;
        default: glDisable(GL_CULL_FACE); break;
        }
    }
    if (RasterGroupChanged(RasterGroup::Fill, std::array<DWORD, 1>{rs[D3DRS_FILLMODE]}, appliedFill_)) {
        switch (rs[D3DRS_FILLMODE]) {
        case D3DFILL_POINT: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
        case D3DFILL_WIREFRAME: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
        default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
        }
    }
    const DWORD planes = rs[D3DRS_CLIPPLANEENABLE] & 0x3f;
    if (RasterGroupChanged(RasterGroup::ClipPlanes, std::array<DWORD, 1>{planes}, appliedClipPlanes_)) {
        for (int i = 0; i < 6; ++i) {
            if (planes & (1u << i))
                glEnable(GL_CLIP_DISTANCE0 + i);
            else
                glDisable(GL_CLIP_DISTANCE0 + i);
        }
    }
}

FfpKey Device::MakeFfpKey(DWORD fvf, bool points)
{
    FfpKey k;
    const DWORD* rs = rs_;
    k.fvf = fvf;
    k.rhw = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    k.lighting = rs[D3DRS_LIGHTING] && !k.rhw;
    k.specularEnable = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
    k.localViewer = rs[D3DRS_LOCALVIEWER] ? 1 : 0;
    k.normalize = rs[D3DRS_NORMALIZENORMALS] ? 1 : 0;
    if (rs[D3DRS_COLORVERTEX]) {
        k.diffuseSource = static_cast<uint8_t>(rs[D3DRS_DIFFUSEMATERIALSOURCE] & 3);
        k.specularSource = static_cast<uint8_t>(rs[D3DRS_SPECULARMATERIALSOURCE] & 3);
        k.ambientSource = static_cast<uint8_t>(rs[D3DRS_AMBIENTMATERIALSOURCE] & 3);
        k.emissiveSource = static_cast<uint8_t>(rs[D3DRS_EMISSIVEMATERIALSOURCE] & 3);
    }
    UINT pos = fvf & D3DFVF_POSITION_MASK;
    UINT betas = pos >= D3DFVF_XYZB1 ? (pos - D3DFVF_XYZB1) / 2 + 1 : 0;
    bool indexed = rs[D3DRS_INDEXEDVERTEXBLENDENABLE] && betas > 0;
    UINT weights = betas - ((indexed || (fvf & D3DFVF_LASTBETA_UBYTE4)) && betas ? 1 : 0);
    DWORD vb = rs[D3DRS_VERTEXBLEND];
    UINT blend = (vb >= 1 && vb <= 3) ? std::min<UINT>(vb, weights) : 0;
    if (vb == D3DVBF_0WEIGHTS) blend = 0;
    k.blendMatrices = static_cast<uint8_t>(blend);
    k.indexedBlend = indexed && vb != D3DVBF_DISABLE && vb != D3DVBF_TWEENING ? 1 : 0;
    k.fogEnable = rs[D3DRS_FOGENABLE] ? 1 : 0;
    if (k.fogEnable) {
        k.vertexFog = static_cast<uint8_t>(rs[D3DRS_FOGVERTEXMODE] & 3);
        k.tableFog = static_cast<uint8_t>(rs[D3DRS_FOGTABLEMODE] & 3);
        k.rangeFog = rs[D3DRS_RANGEFOGENABLE] ? 1 : 0;
        k.fogUsesW = proj_._34 != 0.f ? 1 : 0;
    }
    k.clipMask = k.rhw ? 0 : static_cast<uint8_t>(rs[D3DRS_CLIPPLANEENABLE] & 0x3f);
    k.points = points ? 1 : 0;
    if (points) {
        k.pointSprite = rs[D3DRS_POINTSPRITEENABLE] ? 1 : 0;
        k.pointScale = rs[D3DRS_POINTSCALEENABLE] ? 1 : 0;
    }
    k.flatShade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? 1 : 0;
    k.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? static_cast<uint8_t>(rs[D3DRS_ALPHAFUNC] & 0xf) : 0;
    std::vector<DWORD> active;
    if (k.lighting) {
        for (auto& l : lights_) {
            if (!l.second.enabled) continue;
            k.lightTypes[active.size()] = static_cast<uint8_t>(l.second.light.Type);
            active.push_back(l.first);
            if (active.size() == 8) break;
        }
    }
    if (active != activeLights_) {
        activeLights_ = std::move(active);
        uniformsDirty_ = true;
    }
    for (int i = 0; i < 8; ++i) {
        const DWORD* t = tss_[i];
        FfpStageKey& s = k.stages[i];
        s.colorOp = static_cast<uint8_t>(t[D3DTSS_COLOROP]);
        if (s.colorOp == D3DTOP_DISABLE) break;
        s.colorArg0 = static_cast<uint8_t>(t[D3DTSS_COLORARG0]);
        s.colorArg1 = static_cast<uint8_t>(t[D3DTSS_COLORARG1]);
        s.colorArg2 = static_cast<uint8_t>(t[D3DTSS_COLORARG2]);
        s.alphaOp = static_cast<uint8_t>(t[D3DTSS_ALPHAOP]);
        s.alphaArg0 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG0]);
        s.alphaArg1 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG1]);
        s.alphaArg2 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG2]);
        s.resultArg = static_cast<uint8_t>(t[D3DTSS_RESULTARG]);
        if (textures_[i]) {
            s.texType = textureStorage_[i]->cube() ? 2 : 1;
        }
        s.coordIndex = static_cast<uint8_t>(std::min<DWORD>(t[D3DTSS_TEXCOORDINDEX] & 0xffff, 7));
        s.coordGen = static_cast<uint8_t>((t[D3DTSS_TEXCOORDINDEX] >> 16) & 0xf);
        DWORD ttff = t[D3DTSS_TEXTURETRANSFORMFLAGS];
        s.transformCount = static_cast<uint8_t>(std::min<DWORD>(ttff & 0xff, 4));
        s.projected = (ttff & D3DTTFF_PROJECTED) ? 1 : 0;
    }
    return k;
}

bool Device::PrepareProgram(D3DPRIMITIVETYPE type)
{
    const bool points = type == D3DPT_POINTLIST;
    if (!programDirty_ && program_ && (key_.points != 0) == points) {
        return true;
    }
    programDirty_ = false;
    FfpKey k = MakeFfpKey(vertexShader_, points);
    key_ = k;
    auto it = programs_.find(k);
    if (it == programs_.end()) {
        FfpSource src = GenerateFfp(k);
        Program p;
        p.program = LinkProgram(src.vertex, src.fragment);
        if (p.program) {
            FindFfpConstants(p);
            BindProgramSlots(p.program);
        }
        ++Host().counters.programsBuilt;
        it = programs_.emplace(k, p).first;
    }
    Program* previous = program_;
    program_ = &it->second;
    if (!program_->program) return false;
    if (program_ != previous) glUseProgram(program_->program);
    return true;
}

void Device::UploadUniforms(bool rhw)
{
    FfpUniforms& u = uniforms_;
    uint32_t changed = 0;
    if (uniformsDirty_ || rhw != uniformsRhw_) {
        uniformsDirty_ = false;
        uniformsRhw_ = rhw;
        worldViewDirty_ = renderUniformsDirty_ = true;
        changed |= kUniformsAll;
        std::memcpy(u.view, &view_, 64);
        std::memcpy(u.proj, &proj_, 64);
        for (int i = 0; i < 8; ++i) std::memcpy(u.texMatrix[i], &texMatrix_[i], 64);
        CopyColour(material_.Diffuse, u.matDiffuse);
        CopyColour(material_.Ambient, u.matAmbient);
        CopyColour(material_.Specular, u.matSpecular);
        CopyColour(material_.Emissive, u.matEmissive);
        u.screen[0] = 1.f / static_cast<float>(std::max<DWORD>(viewport_.Width, 1));
        u.screen[1] = 1.f / static_cast<float>(std::max<DWORD>(viewport_.Height, 1));
        u.screen[2] = static_cast<float>(renderTarget_->width());
        u.screen[3] = static_cast<float>(renderTarget_->height());
        u.misc[1] = material_.Power;
        D3DMATRIX viewInv;
        Invert(view_, viewInv);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 4; ++j)
                u.clipPlanes[i][j] = viewInv.m[j][0] * clipPlanes_[i][0] + viewInv.m[j][1] * clipPlanes_[i][1] +
                                     viewInv.m[j][2] * clipPlanes_[i][2] + viewInv.m[j][3] * clipPlanes_[i][3];
        for (size_t i = 0; i < activeLights_.size(); ++i) {
            const D3DLIGHT8& l = lights_[activeLights_[i]].light;
            FfpLight& g = u.lights[i];
            CopyColour(l.Diffuse, g.diffuse);
            CopyColour(l.Specular, g.specular);
            CopyColour(l.Ambient, g.ambient);
            const D3DVECTOR& p = l.Position;
            for (int j = 0; j < 3; ++j)
                g.position[j] = p.x * view_.m[0][j] + p.y * view_.m[1][j] + p.z * view_.m[2][j] + view_.m[3][j];
            g.position[3] = 1.f;
            const D3DVECTOR& d = l.Direction;
            float dir[3];
            for (int j = 0; j < 3; ++j) dir[j] = d.x * view_.m[0][j] + d.y * view_.m[1][j] + d.z * view_.m[2][j];
            float len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
            for (int j = 0; j < 3; ++j) g.direction[j] = len > 0.f ? dir[j] / len : 0.f;
            g.direction[3] = 0.f;
            g.atten[0] = l.Range;
            g.atten[1] = l.Attenuation0;
            g.atten[2] = l.Attenuation1;
            g.atten[3] = l.Attenuation2;
            g.spot[0] = std::cos(l.Theta * 0.5f);
            g.spot[1] = std::cos(l.Phi * 0.5f);
            g.spot[2] = l.Falloff;
            g.spot[3] = 0.f;
        }
    }
    if (worldViewDirty_) {
        worldViewDirty_ = false;
        changed |= kUniformsWorldView;
        D3DMATRIX wv = Multiply(world_[0], view_);
        D3DMATRIX inv;
        Invert(wv, inv);
        D3DMATRIX normal = Transpose(inv);
        std::memcpy(u.worldView, &wv, 64);
        std::memcpy(u.normalMatrix, &normal, 64);
    }
    if (renderUniformsDirty_) {
        renderUniformsDirty_ = false;
        changed |= kUniformsRender;
        ColourToFloat(rs_[D3DRS_AMBIENT], u.globalAmbient);
        u.fog[0] = DwordToFloat(rs_[D3DRS_FOGSTART]);
        u.fog[1] = DwordToFloat(rs_[D3DRS_FOGEND]);
        u.fog[2] = DwordToFloat(rs_[D3DRS_FOGDENSITY]);
        if (u.fog[1] == u.fog[0]) u.fog[1] = u.fog[0] + 1e-6f;
        ColourToFloat(rs_[D3DRS_FOGCOLOR], u.fogColor);
        ColourToFloat(rs_[D3DRS_TEXTUREFACTOR], u.tfactor);
        u.point[0] = DwordToFloat(rs_[D3DRS_POINTSIZE]);
        u.point[1] = DwordToFloat(rs_[D3DRS_POINTSIZE_MIN]);
        u.point[2] = std::min(DwordToFloat(rs_[D3DRS_POINTSIZE_MAX]), 256.f);
        u.point[3] = static_cast<float>(viewport_.Height);
        u.pointScale[0] = DwordToFloat(rs_[D3DRS_POINTSCALE_A]);
        u.pointScale[1] = DwordToFloat(rs_[D3DRS_POINTSCALE_B]);
        u.pointScale[2] = DwordToFloat(rs_[D3DRS_POINTSCALE_C]);
        u.misc[0] = static_cast<float>(rs_[D3DRS_ALPHAREF] & 0xff);
    }
    if (changed) {
        ++uniformGeneration_;
        uniformChanges_ = changed;
    }
    if (program_->generation != uniformGeneration_ && program_->constants >= 0) {
        // A program that has all but the latest change loads only the rows it touched.
        const bool partial = program_->generation + 1 == uniformGeneration_ && !(uniformChanges_ & kUniformsAll);
        if (partial) {
            if (uniformChanges_ & kUniformsWorldView) glUniform4fv(program_->constants, 8, u.worldView);
            if ((uniformChanges_ & kUniformsRender) && program_->renderConstants >= 0)
                glUniform4fv(program_->renderConstants, 8, u.globalAmbient);
        } else {
            glUniform4fv(program_->constants, static_cast<GLsizei>(sizeof(FfpUniforms) / 16),
                         reinterpret_cast<const GLfloat*>(&u));
        }
        if (program_->pixelConstants >= 0 && (!partial || (uniformChanges_ & kUniformsRender)))
            glUniform4fv(program_->pixelConstants, kPixelRows, u.fog);
        program_->generation = uniformGeneration_;
    }
    if (worldDirty_ && (key_.blendMatrices || key_.indexedBlend)) {
        worldDirty_ = false;
        glBindBuffer(GL_UNIFORM_BUFFER, worldUbo_);
        glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(64) * (worldDirtyMax_ + 1), world_.data());
        worldDirtyMax_ = 0;
    }
}

void Device::BindTextures()
{
    const bool mirrorOnce = GlInformation().mirrorClampToEdge;
    UINT version = 0;
    Palette(version);
    for (int i = 0; i < 8; ++i) {
        const FfpStageKey& s = key_.stages[i];
        if (!s.texType || !textures_[i]) continue;
        TextureStorage* t = textureStorage_[i];
        GLuint tex = t->Prepare(version);
        // The unit is selected only for a bind or a parameter: nothing else here reads it.
        if (boundTextures_[i] != tex) {
            glActiveTexture(GL_TEXTURE0 + i);
            glBindTexture(t->glBinding(), tex);
            boundTextures_[i] = tex;
        }
        const DWORD* st = tss_[i];
        GLint base =
            static_cast<GLint>(std::min<DWORD>(std::max<DWORD>(t->lod, st[D3DTSS_MAXMIPLEVEL]), t->levels() - 1));
        if (base != t->appliedBase) {
            glActiveTexture(GL_TEXTURE0 + i);
            glTexParameteri(t->glBinding(), GL_TEXTURE_BASE_LEVEL, base);
            t->appliedBase = base;
        }
        if (samplersDirty_) {
            GLuint smp = samplers_[i];
            bool magLinear = st[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR;
            bool minLinear = st[D3DTSS_MINFILTER] >= D3DTEXF_LINEAR;
            DWORD mip = t->levels() > 1 ? st[D3DTSS_MIPFILTER] : DWORD(D3DTEXF_NONE);
            GLenum minf = minLinear ? GL_LINEAR : GL_NEAREST;
            if (mip == D3DTEXF_POINT) minf = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
            if (mip >= D3DTEXF_LINEAR) minf = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
            glSamplerParameteri(smp, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
            glSamplerParameteri(smp, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minf));
            glSamplerParameteri(smp, GL_TEXTURE_WRAP_S, static_cast<GLint>(GlAddress(st[D3DTSS_ADDRESSU], mirrorOnce)));
            glSamplerParameteri(smp, GL_TEXTURE_WRAP_T, static_cast<GLint>(GlAddress(st[D3DTSS_ADDRESSV], mirrorOnce)));
            glSamplerParameteri(smp, GL_TEXTURE_WRAP_R, static_cast<GLint>(GlAddress(st[D3DTSS_ADDRESSW], mirrorOnce)));
            float border[4];
            ColourToFloat(st[D3DTSS_BORDERCOLOR], border);
            glSamplerParameterfv(smp, GL_TEXTURE_BORDER_COLOR, border);
            glSamplerParameterf(smp, GL_TEXTURE_LOD_BIAS, DwordToFloat(st[D3DTSS_MIPMAPLODBIAS]));
            glBindSampler(static_cast<GLuint>(i), smp);
        }
    }
    samplersDirty_ = false;
}

void Device::SetupVertexAttributes(GLuint buffer, size_t offset, UINT stride)
{
    DWORD fvf = vertexShader_;
    bool indexed = key_.indexedBlend != 0;
    if (buffer == attribBuffer_ && offset == attribOffset_ && stride == attribStride_ && fvf == attribFvf_ &&
        indexed == attribIndexed_)
        return;
    attribBuffer_ = buffer;
    attribOffset_ = offset;
    attribStride_ = stride;
    attribFvf_ = fvf;
    attribIndexed_ = indexed;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    for (GLuint i = 0; i < 16; ++i) glDisableVertexAttribArray(i);
    auto attrib = [&](GLuint loc, GLint size, GLenum type, GLboolean norm, size_t at) {
        glEnableVertexAttribArray(loc);
        glVertexAttribPointer(loc, size, type, norm, static_cast<GLsizei>(stride),
                              reinterpret_cast<const void*>(offset + at));
    };
    size_t at = 0;
    UINT pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        attrib(kAttrPosition, 4, GL_FLOAT, GL_FALSE, at);
        at += 16;
    } else {
        attrib(kAttrPosition, 3, GL_FLOAT, GL_FALSE, at);
        at += 12;
        if (pos >= D3DFVF_XYZB1) {
            UINT betas = (pos - D3DFVF_XYZB1) / 2 + 1;
            bool lastIndices = indexed || (fvf & D3DFVF_LASTBETA_UBYTE4);
            UINT weights = betas - (lastIndices ? 1 : 0);
            if (weights) attrib(kAttrWeights, static_cast<GLint>(std::min(weights, 4u)), GL_FLOAT, GL_FALSE, at);
            if (indexed) attrib(kAttrIndices, 4, GL_UNSIGNED_BYTE, GL_FALSE, at + 4 * (betas - 1));
            at += 4 * betas;
        }
    }
    if (fvf & D3DFVF_NORMAL) {
        attrib(kAttrNormal, 3, GL_FLOAT, GL_FALSE, at);
        at += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        attrib(kAttrPointSize, 1, GL_FLOAT, GL_FALSE, at);
        at += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        attrib(kAttrDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, at);
        at += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        attrib(kAttrSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, at);
        at += 4;
    }
    UINT tex = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (UINT i = 0; i < tex && i < 8; ++i) {
        UINT n = FvfTexCoordSize(fvf, i);
        attrib(kAttrTexCoord0 + i, static_cast<GLint>(n), GL_FLOAT, GL_FALSE, at);
        at += 4 * n;
    }
}

HRESULT Device::Draw(D3DPRIMITIVETYPE type, UINT primCount, UINT startVertex, const uint8_t* upVertices, UINT upStride,
                     UINT upVertexCount, const void* upIndices, D3DFORMAT upIndexFormat, bool indexed, UINT startIndex,
                     UINT minIndex, UINT numVertices)
{
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN || primCount == 0 || primCount > kMaxPrimitives)
        return D3DERR_INVALIDCALL;
    if (!inScene_) return D3DERR_INVALIDCALL;
    if ((vertexShader_ & 1) || pixelShader_)
        return DrawProgrammable(type, primCount, startVertex, upVertices, upStride, upVertexCount, upIndices,
                                upIndexFormat, indexed, startIndex);
    DWORD fvf = vertexShader_;
    if ((fvf & D3DFVF_POSITION_MASK) == 0) return D3DERR_INVALIDCALL;
    const UINT count = PrimitiveVertexCount(type, primCount);
    const UINT vsize = FvfSize(fvf);
    // A texture cannot be sampled while it is the render target.
    for (int i = 0; i < 8; ++i) {
        if (tss_[i][D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
        if (!textures_[i]) continue;
        TextureStorage* t = textureStorage_[i];
        if (t->usage() & D3DUSAGE_RENDERTARGET) {
            for (UINT f = 0; f < t->faces(); ++f)
                for (UINT l = 0; l < t->levels(); ++l)
                    if (t->surface(f, l) == renderTarget_) return D3DERR_INVALIDCALL;
        }
    }
    GLuint vbo = 0;
    size_t vbOffset = 0;
    UINT stride = 0;
    UINT indexSize = 2;
    const uint8_t* indexData = nullptr;
    UINT vertexLimit = 0;
    if (upVertices) {
        stride = upStride;
        if (stride == 0 || stride < vsize) return D3DERR_INVALIDCALL;
        vertexLimit = upVertexCount;
        if (indexed) {
            indexSize = upIndexFormat == D3DFMT_INDEX32 ? 4 : 2;
            indexData = static_cast<const uint8_t*>(upIndices);
        }
    } else {
        StreamSlot& s = streams_[0];
        // A locked buffer still draws, from the bytes it holds now.
        if (!s.buffer || s.stride == 0 || s.stride < vsize) return D3DERR_INVALIDCALL;
        stride = s.stride;
        vertexLimit = s.buffer->length() / stride;
        if (indexed) {
            if (!indices_) return D3DERR_INVALIDCALL;
            indexSize = indices_->format() == D3DFMT_INDEX32 ? 4 : 2;
            if (static_cast<uint64_t>(startIndex) + count > indices_->length() / indexSize) return D3DERR_INVALIDCALL;
            indexData = indices_->data() + static_cast<size_t>(startIndex) * indexSize;
        }
    }
    // No GL read may leave the vertex data.
    uint64_t base = upVertices ? 0 : (indexed ? baseVertex_ : 0);
    if (indexed) {
        const uint32_t maxIndex = MaxIndex(indexData, count, indexSize);
        if (base + maxIndex >= vertexLimit) return D3DERR_INVALIDCALL;
        (void)minIndex;
        (void)numVertices;
    } else if (static_cast<uint64_t>(startVertex) + count > vertexLimit) {
        return D3DERR_INVALIDCALL;
    }
    if (coop_ != Coop::Ok) return D3D_OK;
    if (!MakeCurrentForScene()) return D3DERR_DRIVERINTERNALERROR;

    Activate();
    ++Host().counters.drawCalls;
    Host().counters.primitives += primCount;
    glBindVertexArray(vao_);
    BindFramebuffer();
    ApplyRasterState();
    if (!PrepareProgram(type)) return D3DERR_INVALIDCALL;
    const bool rhw = key_.rhw != 0;
    ApplyViewport(rhw);
    UploadUniforms(rhw);
    BindTextures();

    if (upVertices) {
        vbo = UploadUserVertices(upVertices, static_cast<size_t>(upVertexCount) * stride);
        attribBuffer_ = 0; // the stream buffer was re-specified
    } else {
        vbo = streams_[0].buffer->Prepare(GL_ARRAY_BUFFER);
        vbOffset = static_cast<size_t>(base) * stride;
    }
    SetupVertexAttributes(vbo, vbOffset, stride);
    IssueDraw(type, count, startVertex, indexed, upVertices != nullptr, indexData, indexSize, startIndex);
    return D3D_OK;
}

void Device::ApplyViewport(bool rhw)
{
    // Pre-transformed vertices are in render-target pixels.
    // MaxZ above 1 is drawn as 1.
    D3DVIEWPORT8 v = rhw ? D3DVIEWPORT8{0, 0, renderTarget_->width(), renderTarget_->height(), 0.f, 1.f} : viewport_;
    v.MaxZ = std::min(v.MaxZ, 1.f);
    // Setting the same viewport again still costs the GL driver a state change.
    if (viewportKnown_ && std::memcmp(&v, &appliedViewport_, sizeof(v)) == 0) return;
    viewportKnown_ = true;
    appliedViewport_ = v;
    glViewport(static_cast<GLint>(v.X), static_cast<GLint>(v.Y), static_cast<GLsizei>(v.Width),
               static_cast<GLsizei>(v.Height));
    glDepthRange(v.MinZ, v.MaxZ);
}

GLuint Device::UploadUserVertices(const uint8_t* data, size_t bytes)
{
    glBindBuffer(GL_ARRAY_BUFFER, upVbo_);
    // Orphan the old store first so the driver need not wait for earlier draws.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_DRAW);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STREAM_DRAW);
    return upVbo_;
}

void Device::IssueDraw(D3DPRIMITIVETYPE type, UINT count, UINT startVertex, bool indexed, bool userPointer,
                       const uint8_t* indexData, UINT indexSize, UINT startIndex)
{
    const GLenum mode = GlPrimitive(type);
    const GLenum indexType = indexSize == 4 ? GLenum(GL_UNSIGNED_INT) : GLenum(GL_UNSIGNED_SHORT);
    if (!indexed) {
        glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
    } else if (userPointer) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, upIbo_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * indexSize, indexData, GL_STREAM_DRAW);
        glDrawElements(mode, static_cast<GLsizei>(count), indexType, nullptr);
    } else {
        indices_->Prepare(GL_ELEMENT_ARRAY_BUFFER);
        glDrawElements(mode, static_cast<GLsizei>(count), indexType,
                       reinterpret_cast<const void*>(static_cast<size_t>(startIndex) * indexSize));
    }
    renderTarget_->MarkGpuNewer();
    if (depthStencil_ && rs_[D3DRS_ZENABLE] != D3DZB_FALSE) depthStencil_->MarkGpuNewer();
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT prims)
try {
    return Draw(type, prims, start, nullptr, 0, 0, nullptr, D3DFMT_UNKNOWN, false, 0, 0, 0);
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                     UINT prims)
try {
    return Draw(type, prims, 0, nullptr, 0, 0, nullptr, D3DFMT_UNKNOWN, true, startIndex, minIndex, numVertices);
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT prims, const void* data, UINT stride)
try {
    if (!data) return D3DERR_INVALIDCALL;
    UINT count = PrimitiveVertexCount(type, prims);
    HRESULT hr =
        Draw(type, prims, 0, static_cast<const uint8_t*>(data), stride, count, nullptr, D3DFMT_UNKNOWN, false, 0, 0, 0);
    // Direct3D leaves stream 0 and the indices unset after a user-pointer draw.
    if (SUCCEEDED(hr)) SetStreamSource(0, nullptr, 0);
    return hr;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT prims,
                                       const void* indices, D3DFORMAT format, const void* data, UINT stride)
try {
    if (!data || !indices || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
    if (numVertices == 0) return D3DERR_INVALIDCALL;
    HRESULT hr = Draw(type, prims, 0, static_cast<const uint8_t*>(data), stride, minIndex + numVertices, indices,
                      format, true, 0, minIndex, numVertices);
    if (SUCCEEDED(hr)) {
        SetStreamSource(0, nullptr, 0);
        SetIndices(nullptr, 0);
    }
    return hr;
} catch (...) {
    return platform::ExceptionResult();
}

} // namespace kestu::d3d8
