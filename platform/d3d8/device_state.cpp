// Device state: render and stage states, transforms, lights, material,
// viewport, clip planes, streams, textures and palettes.
#include <cmath>
#include <cstring>

#include "d3d8/device.h"
#include "d3d8/shader_translate.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {
namespace {

DWORD F2D(float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.f;
    return m;
}

bool ValidRenderState(DWORD s)
{
    switch (s) {
    case D3DRS_ZENABLE:
    case D3DRS_FILLMODE:
    case D3DRS_SHADEMODE:
    case D3DRS_LINEPATTERN:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_LASTPIXEL:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_CULLMODE:
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
    case D3DRS_DITHERENABLE:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_FOGENABLE:
    case D3DRS_SPECULARENABLE:
    case D3DRS_ZVISIBLE:
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_EDGEANTIALIAS:
    case D3DRS_ZBIAS:
    case D3DRS_RANGEFOGENABLE:
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_CLIPPING:
    case D3DRS_LIGHTING:
    case D3DRS_AMBIENT:
    case D3DRS_FOGVERTEXMODE:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_VERTEXBLEND:
    case D3DRS_CLIPPLANEENABLE:
    case D3DRS_SOFTWAREVERTEXPROCESSING:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSPRITEENABLE:
    case D3DRS_POINTSCALEENABLE:
    case D3DRS_POINTSCALE_A:
    case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C:
    case D3DRS_MULTISAMPLEANTIALIAS:
    case D3DRS_MULTISAMPLEMASK:
    case D3DRS_PATCHEDGESTYLE:
    case D3DRS_PATCHSEGMENTS:
    case D3DRS_DEBUGMONITORTOKEN:
    case D3DRS_POINTSIZE_MAX:
    case D3DRS_INDEXEDVERTEXBLENDENABLE:
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_TWEENFACTOR:
    case D3DRS_BLENDOP:
    case D3DRS_POSITIONORDER:
    case D3DRS_NORMALORDER: return true;
    default: return s >= D3DRS_WRAP0 && s <= D3DRS_WRAP7;
    }
}

// Render states that only feed uniforms or GL state, not the generated code.
bool RenderStateIsUniform(DWORD s)
{
    switch (s) {
    case D3DRS_FOGCOLOR:
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_AMBIENT:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX:
    case D3DRS_POINTSCALE_A:
    case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C:
    case D3DRS_ALPHAREF: return true;
    default: return false;
    }
}

// Render states that change the generated code.
bool RenderStateShapesProgram(DWORD s)
{
    switch (s) {
    case D3DRS_LIGHTING:
    case D3DRS_SPECULARENABLE:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_VERTEXBLEND:
    case D3DRS_INDEXEDVERTEXBLENDENABLE:
    case D3DRS_FOGENABLE:
    case D3DRS_FOGVERTEXMODE:
    case D3DRS_FOGTABLEMODE:
    case D3DRS_RANGEFOGENABLE:
    case D3DRS_CLIPPLANEENABLE:
    case D3DRS_POINTSPRITEENABLE:
    case D3DRS_POINTSCALEENABLE:
    case D3DRS_SHADEMODE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC: return true;
    default: return false;
    }
}

bool TransformIndex(D3DTRANSFORMSTATETYPE t, int& kind, UINT& index)
{
    UINT v = static_cast<UINT>(t);
    if (v == D3DTS_VIEW) {
        kind = 0;
        index = 0;
        return true;
    }
    if (v == D3DTS_PROJECTION) {
        kind = 1;
        index = 0;
        return true;
    }
    if (v >= D3DTS_TEXTURE0 && v <= D3DTS_TEXTURE7) {
        kind = 2;
        index = v - D3DTS_TEXTURE0;
        return true;
    }
    if (v >= 256 && v < 512) {
        kind = 3;
        index = v - 256;
        return true;
    }
    return false;
}

} // namespace

void Device::SetDefaultRenderStates()
{
    std::memset(rs_, 0, sizeof(rs_));
    rs_[D3DRS_ZENABLE] = pp_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs_[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs_[D3DRS_ZWRITEENABLE] = TRUE;
    rs_[D3DRS_LASTPIXEL] = TRUE;
    rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs_[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs_[D3DRS_FOGSTART] = F2D(0.f);
    rs_[D3DRS_FOGEND] = F2D(1.f);
    rs_[D3DRS_FOGDENSITY] = F2D(1.f);
    rs_[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs_[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs_[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs_[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    rs_[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs_[D3DRS_CLIPPING] = TRUE;
    rs_[D3DRS_LIGHTING] = TRUE;
    rs_[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs_[D3DRS_COLORVERTEX] = TRUE;
    rs_[D3DRS_LOCALVIEWER] = TRUE;
    rs_[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs_[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs_[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs_[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs_[D3DRS_VERTEXBLEND] = D3DVBF_DISABLE;
    rs_[D3DRS_SOFTWAREVERTEXPROCESSING] = (behavior_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
    rs_[D3DRS_POINTSIZE] = F2D(1.f);
    rs_[D3DRS_POINTSIZE_MIN] = F2D(0.f);
    rs_[D3DRS_POINTSCALE_A] = F2D(1.f);
    rs_[D3DRS_POINTSCALE_B] = F2D(0.f);
    rs_[D3DRS_POINTSCALE_C] = F2D(0.f);
    rs_[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs_[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs_[D3DRS_PATCHEDGESTYLE] = D3DPATCHEDGE_DISCRETE;
    rs_[D3DRS_PATCHSEGMENTS] = F2D(1.f);
    rs_[D3DRS_DEBUGMONITORTOKEN] = D3DDMT_ENABLE;
    rs_[D3DRS_POINTSIZE_MAX] = F2D(64.f);
    rs_[D3DRS_COLORWRITEENABLE] = 0xF;
    rs_[D3DRS_TWEENFACTOR] = F2D(0.f);
    rs_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs_[D3DRS_POSITIONORDER] = D3DORDER_CUBIC;
    rs_[D3DRS_NORMALORDER] = D3DORDER_LINEAR;
}

void Device::ResetState()
{
    SetDefaultRenderStates();
    std::memset(tss_, 0, sizeof(tss_));
    for (DWORD i = 0; i < 8; ++i) {
        DWORD* t = tss_[i];
        t[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = i;
        t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        SetTexture(i, nullptr);
    }
    view_ = proj_ = Identity();
    for (auto& m : texMatrix_) m = Identity();
    for (auto& m : world_) m = Identity();
    lights_.clear();
    material_ = D3DMATERIAL8{};
    viewport_ = {0,   0,  renderTarget_ ? renderTarget_->width() : 0, renderTarget_ ? renderTarget_->height() : 0,
                 0.f, 1.f};
    std::memset(clipPlanes_, 0, sizeof(clipPlanes_));
    for (UINT i = 0; i < D3DMAXSTREAMS; ++i) SetStreamSource(i, nullptr, 0);
    SetIndices(nullptr, 0);
    vertexShader_ = 0;
    pixelShader_ = 0;
    programDirty_ = uniformsDirty_ = samplersDirty_ = worldDirty_ = rasterDirty_ = true;
    worldViewDirty_ = renderUniformsDirty_ = true;
    rasterKnown_ = 0;
    viewportKnown_ = false;
    worldDirtyMax_ = 255;
    boundColor_ = boundDepth_ = ~0u;
    attribFvf_ = ~0u;
}

HRESULT Device::BeginScene()
{
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    sceneCurrent_ = false;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    sceneCurrent_ = false;
    if (coop_ == Coop::Ok) glFlush();
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    DWORD s = static_cast<DWORD>(state);
    if (!ValidRenderState(s)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->rs[s] = value;
        return D3D_OK;
    }
    NoteStateChange();
    if (rs_[s] == value) return D3D_OK;
    rs_[s] = value;
    if (RenderStateIsUniform(s))
        renderUniformsDirty_ = true;
    else if (RenderStateShapesProgram(s))
        programDirty_ = true;
    if (s == D3DRS_CLIPPLANEENABLE || !RenderStateIsUniform(s)) rasterDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value)
{
    if (!value || !ValidRenderState(static_cast<DWORD>(state))) return D3DERR_INVALIDCALL;
    *value = rs_[state];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    if (stage >= 8 || type < D3DTSS_COLOROP || type > D3DTSS_RESULTARG || type == 12) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->tss[{stage, static_cast<DWORD>(type)}] = value;
        return D3D_OK;
    }
    NoteStateChange();
    if (tss_[stage][type] == value) return D3D_OK;
    tss_[stage][type] = value;
    switch (type) {
    case D3DTSS_ADDRESSU:
    case D3DTSS_ADDRESSV:
    case D3DTSS_ADDRESSW:
    case D3DTSS_BORDERCOLOR:
    case D3DTSS_MAGFILTER:
    case D3DTSS_MINFILTER:
    case D3DTSS_MIPFILTER:
    case D3DTSS_MIPMAPLODBIAS:
    case D3DTSS_MAXMIPLEVEL:
    case D3DTSS_MAXANISOTROPY: samplersDirty_ = true; break;
    case D3DTSS_BUMPENVMAT00:
    case D3DTSS_BUMPENVMAT01:
    case D3DTSS_BUMPENVMAT10:
    case D3DTSS_BUMPENVMAT11:
    case D3DTSS_BUMPENVLSCALE:
    case D3DTSS_BUMPENVLOFFSET: break;
    default: programDirty_ = true;
    }
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    if (!value || stage >= 8 || type < D3DTSS_COLOROP || type > D3DTSS_RESULTARG) return D3DERR_INVALIDCALL;
    *value = tss_[stage][type];
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m)
{
    int kind;
    UINT index;
    if (!m || !TransformIndex(state, kind, index)) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->transforms[static_cast<UINT>(state)] = *m;
        return D3D_OK;
    }
    NoteStateChange();
    switch (kind) {
    case 0: view_ = *m; break;
    case 1:
        if ((proj_._34 != 0.f) != (m->_34 != 0.f)) programDirty_ = true;
        proj_ = *m;
        break;
    case 2: texMatrix_[index] = *m; break;
    default:
        world_[index] = *m;
        worldDirty_ = true;
        worldDirtyMax_ = std::max(worldDirtyMax_, index);
        if (index == 0) worldViewDirty_ = true;
        return D3D_OK;
    }
    uniformsDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* m)
{
    int kind;
    UINT index;
    if (!m || !TransformIndex(state, kind, index)) return D3DERR_INVALIDCALL;
    switch (kind) {
    case 0: *m = view_; break;
    case 1: *m = proj_; break;
    case 2: *m = texMatrix_[index]; break;
    default: *m = world_[index]; break;
    }
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m)
{
    D3DMATRIX cur;
    if (!m || FAILED(GetTransform(state, &cur))) return D3DERR_INVALIDCALL;
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += cur.m[i][k] * m->m[k][j];
            r.m[i][j] = s;
        }
    return SetTransform(state, &r);
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* vp)
{
    if (!vp) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->hasViewport = true;
        recording_->viewport = *vp;
        return D3D_OK;
    }
    UINT w = renderTarget_ ? renderTarget_->width() : 0, h = renderTarget_ ? renderTarget_->height() : 0;
    // A MaxZ above 1 is kept as given and draws as 1, as the drivers do.
    if (vp->Width == 0 || vp->Height == 0 || vp->X > w || vp->Y > h || vp->Width > w - vp->X ||
        vp->Height > h - vp->Y || !(vp->MinZ >= 0.f && vp->MinZ <= 1.f) || !(vp->MaxZ >= 0.f))
        return D3DERR_INVALIDCALL;
    NoteStateChange();
    viewport_ = *vp;
    uniformsDirty_ = rasterDirty_ = renderUniformsDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* vp)
{
    if (!vp) return D3DERR_INVALIDCALL;
    *vp = viewport_;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL8* m)
{
    if (!m) return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->hasMaterial = true;
        recording_->material = *m;
        return D3D_OK;
    }
    NoteStateChange();
    material_ = *m;
    uniformsDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* m)
{
    if (!m) return D3DERR_INVALIDCALL;
    *m = material_;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT8* light)
{
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.f)) return D3DERR_INVALIDCALL;
    if (light->Type == D3DLIGHT_SPOT && (light->Theta < 0.f || light->Phi < light->Theta || light->Phi > 3.1416f))
        return D3DERR_INVALIDCALL;
    if (recording_) {
        recording_->lights[index].light = *light;
        return D3D_OK;
    }
    NoteStateChange();
    LightSlot& slot = lights_[index];
    if (slot.light.Type != light->Type) programDirty_ = true;
    slot.light = *light;
    uniformsDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT8* light)
{
    if (!light) return D3DERR_INVALIDCALL;
    auto it = lights_.find(index);
    if (it == lights_.end()) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable)
{
    NoteStateChange();
    auto it = lights_.find(index);
    if (it == lights_.end()) {
        // Enabling an unset light gives it the default: a white directional light along +z.
        LightSlot slot;
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1.f, 1.f, 1.f, 0.f};
        slot.light.Direction = {0.f, 0.f, 1.f};
        it = lights_.emplace(index, slot).first;
    }
    if (it->second.enabled != (enable != FALSE)) programDirty_ = uniformsDirty_ = true;
    it->second.enabled = enable != FALSE;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable)
{
    if (!enable) return D3DERR_INVALIDCALL;
    auto it = lights_.find(index);
    if (it == lights_.end()) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD index, const float* plane)
{
    if (!plane || index >= D3DMAXUSERCLIPPLANES) return D3DERR_INVALIDCALL;
    NoteStateChange();
    std::memcpy(clipPlanes_[index], plane, sizeof(float) * 4);
    uniformsDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD index, float* plane)
{
    if (!plane || index >= D3DMAXUSERCLIPPLANES) return D3DERR_INVALIDCALL;
    std::memcpy(plane, clipPlanes_[index], sizeof(float) * 4);
    return D3D_OK;
}

HRESULT Device::SetClipStatus(const D3DCLIPSTATUS8* s)
{
    if (!s) return D3DERR_INVALIDCALL;
    clipStatus_ = *s;
    return D3D_OK;
}

HRESULT Device::GetClipStatus(D3DCLIPSTATUS8* s)
{
    if (!s) return D3DERR_INVALIDCALL;
    *s = clipStatus_;
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    if (stage >= 8) return D3DERR_INVALIDCALL;
    TextureStorage* storage = nullptr;
    if (texture) {
        auto* holder = dynamic_cast<TextureHolder*>(texture);
        if (!holder || holder->storage()->pool() == D3DPOOL_SYSTEMMEM || holder->storage()->device() != this)
            return D3DERR_INVALIDCALL;
        storage = holder->storage();
    }
    NoteStateChange();
    if (textures_[stage] == texture) return D3D_OK;
    if (texture) dynamic_cast<Tracked*>(texture)->Hold();
    if (textures_[stage]) dynamic_cast<Tracked*>(textures_[stage])->Drop();
    textures_[stage] = texture;
    textureStorage_[stage] = storage;
    programDirty_ = true;
    samplersDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture8** pp)
{
    if (!pp || stage >= 8) return D3DERR_INVALIDCALL;
    *pp = textures_[stage];
    if (*pp) (*pp)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT n, IDirect3DVertexBuffer8* vb, UINT stride)
{
    if (n >= D3DMAXSTREAMS || stride > 255) return D3DERR_INVALIDCALL;
    auto* buffer = static_cast<VertexBuffer*>(vb);
    if (vb && !dynamic_cast<VertexBuffer*>(vb)) return D3DERR_INVALIDCALL;
    if (buffer && buffer->device() != this) return D3DERR_INVALIDCALL;
    NoteStateChange();
    if (buffer) buffer->Hold();
    if (streams_[n].buffer) streams_[n].buffer->Drop();
    streams_[n] = {buffer, stride};
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT n, IDirect3DVertexBuffer8** pp, UINT* stride)
{
    if (!pp || !stride || n >= D3DMAXSTREAMS) return D3DERR_INVALIDCALL;
    *pp = streams_[n].buffer;
    if (*pp) (*pp)->AddRef();
    *stride = streams_[n].stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* ib, UINT base)
{
    if (ib && !dynamic_cast<IndexBuffer*>(ib)) return D3DERR_INVALIDCALL;
    auto* buffer = static_cast<IndexBuffer*>(ib);
    if (buffer && buffer->device() != this) return D3DERR_INVALIDCALL;
    if (buffer) buffer->Hold();
    if (indices_) indices_->Drop();
    indices_ = buffer;
    baseVertex_ = base;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer8** pp, UINT* base)
{
    if (!pp || !base) return D3DERR_INVALIDCALL;
    *pp = indices_;
    if (*pp) (*pp)->AddRef();
    *base = baseVertex_;
    return D3D_OK;
}

HRESULT Device::SetPaletteEntries(UINT n, const PALETTEENTRY* entries)
{
    if (!entries || n > 0xFFFF) return D3DERR_INVALIDCALL;
    // PALETTEENTRY is peRed, peGreen, peBlue, peFlags; peFlags is the alpha.
    const auto* b = reinterpret_cast<const uint8_t*>(entries);
    auto& pal = palettes_[n];
    for (int i = 0; i < 256; ++i)
        pal[i] = (static_cast<uint32_t>(b[i * 4 + 3]) << 24) | (static_cast<uint32_t>(b[i * 4]) << 16) |
                 (static_cast<uint32_t>(b[i * 4 + 1]) << 8) | b[i * 4 + 2];
    if (n == currentPalette_) ++paletteVersion_;
    return D3D_OK;
}

HRESULT Device::GetPaletteEntries(UINT n, PALETTEENTRY* entries)
{
    auto it = palettes_.find(n);
    if (!entries || it == palettes_.end()) return D3DERR_INVALIDCALL;
    auto* b = reinterpret_cast<uint8_t*>(entries);
    for (int i = 0; i < 256; ++i) {
        uint32_t c = it->second[i];
        b[i * 4] = static_cast<uint8_t>(c >> 16);
        b[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
        b[i * 4 + 2] = static_cast<uint8_t>(c);
        b[i * 4 + 3] = static_cast<uint8_t>(c >> 24);
    }
    return D3D_OK;
}

HRESULT Device::SetCurrentTexturePalette(UINT n)
{
    if (palettes_.find(n) == palettes_.end()) return D3DERR_INVALIDCALL;
    if (n != currentPalette_) ++paletteVersion_;
    currentPalette_ = n;
    return D3D_OK;
}

HRESULT Device::GetCurrentTexturePalette(UINT* n)
{
    if (!n) return D3DERR_INVALIDCALL;
    *n = currentPalette_;
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* passes)
{
    if (!passes) return D3DERR_INVALIDCALL;
    *passes = 1;
    for (DWORD i = 0; i < 8; ++i) {
        DWORD op = tss_[i][D3DTSS_COLOROP];
        if (op == D3DTOP_DISABLE) break;
        if (op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE || op == D3DTOP_PREMODULATE)
            return D3DERR_UNSUPPORTEDCOLOROPERATION;
        if (op < D3DTOP_DISABLE || op > D3DTOP_LERP) return D3DERR_UNSUPPORTEDCOLOROPERATION;
        DWORD aop = tss_[i][D3DTSS_ALPHAOP];
        if (aop < D3DTOP_DISABLE || aop > D3DTOP_LERP || aop == D3DTOP_BUMPENVMAP || aop == D3DTOP_BUMPENVMAPLUMINANCE)
            return D3DERR_UNSUPPORTEDALPHAOPERATION;
    }
    return D3D_OK;
}

HRESULT Device::GetInfo(DWORD, void*, DWORD) { return S_FALSE; }

// State blocks.

HRESULT Device::BeginStateBlock()
try {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::EndStateBlock(DWORD* token)
try {
    if (!token || !recording_) return D3DERR_INVALIDCALL;
    *token = nextStateBlock_++;
    stateBlocks_[*token] = std::move(recording_);
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::ApplyStateBlock(DWORD token)
{
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    StateBlock& b = *it->second;
    for (auto& r : b.rs) SetRenderState(static_cast<D3DRENDERSTATETYPE>(r.first), r.second);
    for (auto& t : b.tss)
        SetTextureStageState(t.first.first, static_cast<D3DTEXTURESTAGESTATETYPE>(t.first.second), t.second);
    for (auto& t : b.transforms) SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(t.first), &t.second);
    for (auto& l : b.lights) {
        SetLight(l.first, &l.second.light);
        LightEnable(l.first, l.second.enabled);
    }
    if (b.hasMaterial) SetMaterial(&b.material);
    if (b.hasViewport) SetViewport(&b.viewport);
    // Shaders first: setting a vertex shader loads its declared constants,
    // which the block's own constants then override.
    if (b.hasShader) SetVertexShader(b.shader);
    if (b.hasPixelShader) SetPixelShader(b.pixelShader);
    for (auto& c : b.vsConstants) SetVertexShaderConstant(c.first, c.second.data(), 1);
    for (auto& c : b.psConstants) SetPixelShaderConstant(c.first, c.second.data(), 1);
    return D3D_OK;
}

HRESULT Device::CaptureStateBlock(DWORD token)
try {
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    StateBlock& b = *it->second;
    for (auto& r : b.rs) r.second = rs_[r.first];
    for (auto& t : b.tss) t.second = tss_[t.first.first][t.first.second];
    for (auto& t : b.transforms) GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(t.first), &t.second);
    for (auto& l : b.lights) {
        auto cur = lights_.find(l.first);
        if (cur != lights_.end()) l.second = cur->second;
    }
    if (b.hasMaterial) b.material = material_;
    if (b.hasViewport) b.viewport = viewport_;
    if (b.hasShader) b.shader = vertexShader_;
    if (b.hasPixelShader) b.pixelShader = pixelShader_;
    for (auto& c : b.vsConstants) c.second = vsConstants_[c.first];
    for (auto& c : b.psConstants) c.second = psConstants_[c.first];
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::DeleteStateBlock(DWORD token)
{
    if (recording_ || stateBlocks_.erase(token) == 0) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token)
try {
    if (!token || recording_ || type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE) return D3DERR_INVALIDCALL;
    auto b = std::make_unique<StateBlock>();
    bool pixel = type == D3DSBT_ALL || type == D3DSBT_PIXELSTATE;
    bool vertex = type == D3DSBT_ALL || type == D3DSBT_VERTEXSTATE;
    for (DWORD s = 0; s < 256; ++s) {
        if (!ValidRenderState(s)) continue;
        if (type == D3DSBT_ALL || (pixel && !RenderStateIsUniform(s)) || (vertex && RenderStateIsUniform(s)))
            b->rs[s] = rs_[s];
    }
    if (pixel)
        for (DWORD i = 0; i < 8; ++i)
            for (DWORD t = D3DTSS_COLOROP; t <= D3DTSS_RESULTARG; ++t)
                if (t != 12) b->tss[{i, t}] = tss_[i][t];
    if (vertex) {
        b->lights = lights_;
        b->hasShader = true;
        b->shader = vertexShader_;
        const DWORD constants = VertexShaderConstantCount();
        for (DWORD r = 0; r < constants; ++r) b->vsConstants[r] = vsConstants_[r];
    }
    if (pixel) {
        b->hasPixelShader = true;
        b->pixelShader = pixelShader_;
        for (DWORD r = 0; r < psConstants_.size(); ++r) b->psConstants[r] = psConstants_[r];
    }
    if (type == D3DSBT_ALL) {
        b->transforms[D3DTS_VIEW] = view_;
        b->transforms[D3DTS_PROJECTION] = proj_;
        for (UINT i = 0; i < 8; ++i) b->transforms[D3DTS_TEXTURE0 + i] = texMatrix_[i];
        b->transforms[256] = world_[0];
        b->hasMaterial = b->hasViewport = true;
        b->material = material_;
        b->viewport = viewport_;
    }
    *token = nextStateBlock_++;
    stateBlocks_[*token] = std::move(b);
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

} // namespace kestu::d3d8
