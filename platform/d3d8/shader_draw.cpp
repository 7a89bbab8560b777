// Drawing with shaders: program linking for the shader/fixed-function
// combinations, declaration-driven vertex attributes and constant uploads.
#include <algorithm>
#include <cstring>

#include "d3d8/draw_common.h"
#include "d3d8/gl_context.h"
#include "d3d8/shader_state.h"

namespace kestu::d3d8 {
namespace {

void SetAttribute(const VertexElement& e, GLsizei stride, size_t offset)
{
    const void* at = reinterpret_cast<const void*>(offset + e.offset);
    switch (e.type) {
    case D3DVSDT_D3DCOLOR: glVertexAttribPointer(e.reg, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at); break;
    case D3DVSDT_UBYTE4: glVertexAttribPointer(e.reg, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at); break;
    case D3DVSDT_SHORT2: glVertexAttribPointer(e.reg, 2, GL_SHORT, GL_FALSE, stride, at); break;
    case D3DVSDT_SHORT4: glVertexAttribPointer(e.reg, 4, GL_SHORT, GL_FALSE, stride, at); break;
    default: glVertexAttribPointer(e.reg, static_cast<GLint>(e.type + 1), GL_FLOAT, GL_FALSE, stride, at); break;
    }
    glEnableVertexAttribArray(e.reg);
}

} // namespace

ShaderState::~ShaderState()
{
    if (!GlMakeCurrent()) return;
    for (auto& p : programs)
        if (p.second.base.program) glDeleteProgram(p.second.base.program);
}

void ShaderState::Forget(bool vertex, DWORD handle)
{
    const bool current = GlMakeCurrent();
    for (auto it = programs.begin(); it != programs.end();) {
        if ((vertex ? it->first.vertexShader : it->first.pixelShader) == handle) {
            if (current && it->second.base.program) glDeleteProgram(it->second.base.program);
            it = programs.erase(it);
        } else {
            ++it;
        }
    }
}

ShaderState& Device::Shaders()
{
    if (!shaders_) shaders_ = std::make_shared<ShaderState>();
    return *shaders_;
}

HRESULT Device::DrawProgrammable(D3DPRIMITIVETYPE type, UINT primCount, UINT startVertex, const uint8_t* upVertices,
                                 UINT upStride, UINT upVertexCount, const void* upIndices, D3DFORMAT upIndexFormat,
                                 bool indexed, UINT startIndex)
{
    ShaderState& st = Shaders();
    const VertexShaderObject* vso = nullptr;
    if (vertexShader_ & 1) {
        auto it = st.vertexShaders.find(vertexShader_);
        if (it == st.vertexShaders.end()) return D3DERR_INVALIDCALL;
        vso = &it->second;
    }
    const PixelShaderObject* pso = nullptr;
    if (pixelShader_) {
        auto it = st.pixelShaders.find(pixelShader_);
        if (it == st.pixelShaders.end()) return D3DERR_INVALIDCALL;
        pso = &it->second;
    }
    const bool programmableVertex = vso && vso->hasFunction;
    const DWORD fvf = vso ? vso->declaration.fvf : vertexShader_;
    if (!programmableVertex && (fvf & D3DFVF_POSITION_MASK) == 0) return D3DERR_INVALIDCALL;
    const bool points = type == D3DPT_POINTLIST;

    // The fixed-function half's key; a pixel shader reads the coordinates of
    // every stage up to the last it uses, whatever the stage operations say.
    FfpKey k = MakeFfpKey(programmableVertex ? DWORD(D3DFVF_XYZ) : fvf, points);
    LinkOptions o;
    for (int i = 0; i < 8; ++i) {
        if (!textures_[i]) continue;
        o.cube[i] = textureStorage_[i]->cube() ? 1 : 0;
    }
    if (pso) {
        const uint32_t used = pso->code.coords | pso->code.samplers;
        int last = -1;
        for (int i = 0; i < 8; ++i)
            if (used & (1u << i)) last = i;
        for (int i = 0; i < 8; ++i) {
            FfpStageKey& s = k.stages[i];
            s = FfpStageKey{};
            if (i > last) {
                s.colorOp = D3DTOP_DISABLE;
                continue;
            }
            s.colorOp = s.alphaOp = D3DTOP_SELECTARG1;
            s.colorArg1 = s.alphaArg1 = D3DTA_TEXTURE;
            s.texType = o.cube[i] ? 2 : 1;
            // Stage operations do not matter here; coordinates still follow the stage states.
            const DWORD* t = tss_[i];
            s.coordIndex = static_cast<uint8_t>(std::min<DWORD>(t[D3DTSS_TEXCOORDINDEX] & 0xffff, 7));
            s.coordGen = static_cast<uint8_t>((t[D3DTSS_TEXCOORDINDEX] >> 16) & 0xf);
            s.transformCount = static_cast<uint8_t>(std::min<DWORD>(t[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xff, 4));
            s.projected = (t[D3DTSS_TEXTURETRANSFORMFLAGS] & D3DTTFF_PROJECTED) ? 1 : 0;
            // Pixel shaders read all four components (texm3x3vspec's eye vector
            // is in w): four-component coordinates pass through undivided.
            const unsigned sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
            if (!programmableVertex && !s.coordGen && !s.transformCount && s.coordIndex < sets &&
                FvfTexCoordSize(fvf, s.coordIndex) == 4)
                s.projected = 1;
        }
    }
    if (programmableVertex) {
        // Vertex processing is the shader's: keep only what the fragment half reads.
        FfpKey f = k;
        k = FfpKey();
        k.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;
        k.specularEnable = f.specularEnable;
        k.fogEnable = f.fogEnable;
        k.tableFog = f.tableFog;
        k.fogUsesW = f.fogUsesW;
        k.points = f.points;
        k.pointSprite = f.pointSprite;
        k.flatShade = f.flatShade;
        k.alphaFunc = f.alphaFunc;
        std::memcpy(k.stages, f.stages, sizeof(k.stages));
        // User clip planes are in clip space for vertex shaders.
        k.clipMask = static_cast<uint8_t>(rs_[D3DRS_CLIPPLANEENABLE] & 0x3f);
    }
    for (int i = 0; i < 8; ++i) o.projected[i] = (tss_[i][D3DTSS_TEXTURETRANSFORMFLAGS] & D3DTTFF_PROJECTED) ? 1 : 0;
    o.fixedFragment = !pso;
    o.flatShade = k.flatShade;
    o.clipMask = programmableVertex ? k.clipMask : 0;
    o.points = points;
    o.fogEnable = k.fogEnable;
    o.tableFog = k.fogEnable ? k.tableFog : 0;
    o.fogUsesW = k.fogUsesW;
    o.alphaFunc = k.alphaFunc;

    // Vertex layout and the range the draw reads.
    std::vector<VertexElement> owned;
    const std::vector<VertexElement>* elements = nullptr;
    if (vso) {
        elements = &vso->declaration.elements;
    } else {
        owned = ElementsFromFvf(fvf, k.indexedBlend != 0);
        elements = &owned;
    }
    const UINT count = PrimitiveVertexCount(type, primCount);
    const uint8_t* indexData = nullptr;
    UINT indexSize = 2;
    if (indexed) {
        if (upVertices) {
            indexSize = upIndexFormat == D3DFMT_INDEX32 ? 4 : 2;
            indexData = static_cast<const uint8_t*>(upIndices);
        } else {
            // As in the fixed-function path, locked buffers draw from the bytes they hold now.
            if (!indices_) return D3DERR_INVALIDCALL;
            indexSize = indices_->format() == D3DFMT_INDEX32 ? 4 : 2;
            if (static_cast<uint64_t>(startIndex) + count > indices_->length() / indexSize) return D3DERR_INVALIDCALL;
            indexData = indices_->data() + static_cast<size_t>(startIndex) * indexSize;
        }
    }
    uint64_t lastVertex = 0;
    if (indexed) {
        const uint32_t maxIndex = MaxIndex(indexData, count, indexSize);
        lastVertex = (upVertices ? 0 : baseVertex_) + static_cast<uint64_t>(maxIndex);
    } else {
        lastVertex = static_cast<uint64_t>(startVertex) + count - 1;
    }
    uint32_t streamsUsed = 0;
    DWORD streamBytes[D3DMAXSTREAMS] = {};
    for (const VertexElement& e : *elements) {
        streamsUsed |= 1u << e.stream;
        streamBytes[e.stream] = std::max<DWORD>(streamBytes[e.stream], e.offset + VertexElementSize(e.type));
    }
    for (UINT s = 0; s < D3DMAXSTREAMS; ++s) {
        if (!(streamsUsed & (1u << s))) continue;
        UINT stride = 0;
        uint64_t length = 0;
        if (upVertices) {
            if (s != 0) return D3DERR_INVALIDCALL;
            stride = upStride;
            length = static_cast<uint64_t>(upVertexCount) * upStride;
        } else {
            if (!streams_[s].buffer) return D3DERR_INVALIDCALL;
            stride = streams_[s].stride;
            length = streams_[s].buffer->length();
        }
        if (stride == 0 || stride < streamBytes[s]) return D3DERR_INVALIDCALL;
        if (lastVertex * stride + streamBytes[s] > length) return D3DERR_INVALIDCALL;
    }
    for (int i = 0; i < 8; ++i) {
        if (!textures_[i] || !k.stages[i].texType) continue;
        TextureStorage* t = textureStorage_[i];
        for (UINT f = 0; f < t->faces(); ++f)
            for (UINT l = 0; l < t->levels(); ++l)
                if (t->surface(f, l)->locked() || t->surface(f, l) == renderTarget_) return D3DERR_INVALIDCALL;
    }
    if (coop_ != Coop::Ok) return D3D_OK;
    if (!MakeCurrentForScene()) return D3DERR_DRIVERINTERNALERROR;

    Activate();
    // Sampler settings stay valid while only this path draws the same stages;
    // a fixed-function draw in between may have set up fewer.
    uint32_t stageMask = 0;
    for (int i = 0; i < 8; ++i)
        if (k.stages[i].texType) stageMask |= 1u << i;
    if (Host().counters.drawCalls != st.samplerDraw || stageMask != st.samplerStages) samplersDirty_ = true;
    ++Host().counters.drawCalls;
    st.samplerDraw = Host().counters.drawCalls;
    st.samplerStages = stageMask;
    Host().counters.primitives += primCount;
    glBindVertexArray(vao_);
    BindFramebuffer();
    ApplyRasterState();

    // The program of this combination.
    ShaderProgramKey key;
    key.vertexShader = vertexShader_;
    key.pixelShader = pixelShader_;
    key.ffp = k;
    for (int i = 0; i < 8; ++i) key.projected |= static_cast<uint32_t>(o.projected[i]) << i;
    auto found = st.programs.find(key);
    if (found == st.programs.end()) {
        std::string vertex, fragment;
        if (programmableVertex) vertex = VertexShaderSource(vso->code, vso->declaration, o);
        if (pso) fragment = PixelShaderSource(pso->code, o);
        if (!programmableVertex || !pso) {
            FfpSource f = GenerateFfp(k, false);
            if (!programmableVertex) vertex = std::move(f.vertex);
            if (!pso) fragment = std::move(f.fragment);
        }
        ShaderProgram p;
        p.base.program = LinkProgram(vertex, fragment);
        if (GLuint prog = p.base.program) {
            FindFfpConstants(p.base);
            p.vsConstants = glGetUniformLocation(prog, "vsc");
            p.psConstants = glGetUniformLocation(prog, "psc");
            p.bumpMatrix = glGetUniformLocation(prog, "bem");
            p.bumpLuminance = glGetUniformLocation(prog, "beml");
            p.clipPlanes = glGetUniformLocation(prog, "clipPlanes");
            BindProgramSlots(prog);
            program_ = nullptr;
        }
        ++Host().counters.programsBuilt;
        found = st.programs.emplace(key, std::move(p)).first;
    }
    ShaderProgram& prog = found->second;
    // The fixed-function path finds its own program again after this draw.
    programDirty_ = true;
    key_ = k;
    if (!prog.base.program) return D3DERR_INVALIDCALL;
    if (program_ != &prog.base) glUseProgram(prog.base.program);
    program_ = &prog.base;

    const bool rhw = !programmableVertex && k.rhw;
    ApplyViewport(rhw);
    UploadUniforms(rhw);
    if (prog.vsConstants >= 0) {
        const size_t bytes = sizeof(float) * 4 * kVertexShaderConstants;
        if (prog.vsLoaded.size() != kVertexShaderConstants ||
            std::memcmp(prog.vsLoaded.data(), vsConstants_.data(), bytes) != 0) {
            prog.vsLoaded.assign(vsConstants_.begin(), vsConstants_.begin() + kVertexShaderConstants);
            glUniform4fv(prog.vsConstants, kVertexShaderConstants, prog.vsLoaded[0].data());
        }
    }
    if (prog.psConstants >= 0 && (!prog.psValid || prog.psLoaded != psConstants_)) {
        prog.psLoaded = psConstants_;
        prog.psValid = true;
        glUniform4fv(prog.psConstants, kPixelShaderConstants, prog.psLoaded[0].data());
    }
    if (prog.clipPlanes >= 0) glUniform4fv(prog.clipPlanes, 6, clipPlanes_[0]);
    if (prog.bumpMatrix >= 0 || prog.bumpLuminance >= 0) {
        float m[8][4], l[8][4];
        for (int i = 0; i < 8; ++i) {
            const DWORD* t = tss_[i];
            m[i][0] = DwordToFloat(t[D3DTSS_BUMPENVMAT00]);
            m[i][1] = DwordToFloat(t[D3DTSS_BUMPENVMAT01]);
            m[i][2] = DwordToFloat(t[D3DTSS_BUMPENVMAT10]);
            m[i][3] = DwordToFloat(t[D3DTSS_BUMPENVMAT11]);
            l[i][0] = DwordToFloat(t[D3DTSS_BUMPENVLSCALE]);
            l[i][1] = DwordToFloat(t[D3DTSS_BUMPENVLOFFSET]);
            l[i][2] = l[i][3] = 0.f;
        }
        if (prog.bumpMatrix >= 0) glUniform4fv(prog.bumpMatrix, 8, m[0]);
        if (prog.bumpLuminance >= 0) glUniform4fv(prog.bumpLuminance, 8, l[0]);
    }
    BindTextures();

    // Attributes, stream by stream.
    attribBuffer_ = 0;
    attribFvf_ = ~0u;
    for (GLuint i = 0; i < 16; ++i) glDisableVertexAttribArray(i);
    for (UINT s = 0; s < D3DMAXSTREAMS; ++s) {
        if (!(streamsUsed & (1u << s))) continue;
        GLuint vbo;
        size_t offset = 0;
        GLsizei stride;
        if (upVertices) {
            vbo = UploadUserVertices(upVertices, static_cast<size_t>(upVertexCount) * upStride);
            stride = static_cast<GLsizei>(upStride);
        } else {
            vbo = streams_[s].buffer->Prepare(GL_ARRAY_BUFFER);
            stride = static_cast<GLsizei>(streams_[s].stride);
            if (indexed) offset = static_cast<size_t>(baseVertex_) * streams_[s].stride;
        }
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        for (const VertexElement& e : *elements)
            if (e.stream == s) SetAttribute(e, stride, offset);
    }
    IssueDraw(type, count, startVertex, indexed, upVertices != nullptr, indexData, indexSize, startIndex);
    return D3D_OK;
}

} // namespace kestu::d3d8
