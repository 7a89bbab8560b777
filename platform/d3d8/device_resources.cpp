// Resource creation, copies, render targets and Clear.
#include <algorithm>
#include <cstring>
#include <new>

#include "d3d8/device.h"
#include "d3d8/direct3d.h"
#include "d3d8/format.h"
#include "d3d8/gl_context.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {
namespace {

UINT MaxLevels(UINT w, UINT h)
{
    UINT n = 1;
    while (w > 1 || h > 1) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        ++n;
    }
    return n;
}

bool ValidPool(D3DPOOL p) { return p == D3DPOOL_DEFAULT || p == D3DPOOL_MANAGED || p == D3DPOOL_SYSTEMMEM; }

} // namespace

HRESULT Device::CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || h == 0 || w > 4096 || h > 4096 || !ValidPool(pool)) return D3DERR_INVALIDCALL;
    if (usage & ~static_cast<DWORD>(D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL | D3DUSAGE_DYNAMIC))
        return D3DERR_INVALIDCALL;
    if ((usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format)) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && !IsRenderTargetFormat(format)) return D3DERR_INVALIDCALL;
    if (IsCompressed(format) && ((w & 3) || (h & 3)) && (w > 2 || h > 2)) {
        // Block-compressed top levels come in whole blocks.
        if ((w & 3) || (h & 3)) return D3DERR_INVALIDCALL;
    }
    UINT max = MaxLevels(w, h);
    if (levels == 0) levels = max;
    if (levels > max) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    auto* t = new (std::nothrow) Texture(this, w, h, levels, usage, format, pool);
    if (!t) return E_OUTOFMEMORY;
    *out = t;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture8** out)
{
    if (out) *out = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DCubeTexture8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (edge == 0 || edge > 4096 || !ValidPool(pool)) return D3DERR_INVALIDCALL;
    if (usage & ~static_cast<DWORD>(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format)) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && !IsRenderTargetFormat(format)) return D3DERR_INVALIDCALL;
    if (IsCompressed(format) && (edge & 3)) return D3DERR_INVALIDCALL;
    UINT max = MaxLevels(edge, edge);
    if (levels == 0) levels = max;
    if (levels > max) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    auto* t = new (std::nothrow) CubeTexture(this, edge, levels, usage, format, pool);
    if (!t) return E_OUTOFMEMORY;
    *out = t;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || length > (256u << 20) || !ValidPool(pool)) return D3DERR_INVALIDCALL;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    auto* b = new (std::nothrow) VertexBuffer(this, length, usage, fvf, pool);
    if (!b) return E_OUTOFMEMORY;
    *out = b;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || length > (256u << 20) || !ValidPool(pool)) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    auto* b = new (std::nothrow) IndexBuffer(this, length, usage, format, pool);
    if (!b) return E_OUTOFMEMORY;
    *out = b;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CreateRenderTarget(UINT w, UINT h, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms, BOOL lockable,
                                   IDirect3DSurface8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || h == 0 || w > 4096 || h > 4096 || !IsRenderTargetFormat(format) || ms != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    *out = new Surface(this, w, h, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, lockable != FALSE);
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CreateDepthStencilSurface(UINT w, UINT h, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms,
                                          IDirect3DSurface8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || h == 0 || w > 4096 || h > 4096 || !IsDepthFormat(format) || ms != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    *out = new Surface(this, w, h, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, format == D3DFMT_D16_LOCKABLE);
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CreateImageSurface(UINT w, UINT h, D3DFORMAT format, IDirect3DSurface8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (w == 0 || h == 0 || w > 8192 || h > 8192 || !IsTextureFormat(format)) return D3DERR_INVALIDCALL;
    HRESULT hr = CheckResourceCreation();
    if (FAILED(hr)) return hr;
    *out = new Surface(this, w, h, format, 0, D3DPOOL_SYSTEMMEM, true);
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Device::CopyRects(IDirect3DSurface8* srcI, const RECT* rects, UINT count, IDirect3DSurface8* dstI,
                          const POINT* points)
{
    auto* src = dynamic_cast<Surface*>(srcI);
    auto* dst = dynamic_cast<Surface*>(dstI);
    if (!src || !dst || src == dst) return D3DERR_INVALIDCALL;
    if (src->format() != dst->format() || IsDepthFormat(src->format())) return D3DERR_INVALIDCALL;
    if (src->locked() || dst->locked()) return D3DERR_INVALIDCALL;
    if (count && !rects) return D3DERR_INVALIDCALL;
    FormatInfo info;
    GetFormatInfo(src->format(), info);
    const UINT unit = info.blockBytes ? 4 : 1;
    const UINT bytes = info.blockBytes ? info.blockBytes : info.bitsPerPixel / 8;
    RECT whole{0, 0, static_cast<LONG>(src->width()), static_cast<LONG>(src->height())};
    UINT n = count ? count : 1;
    // Validate everything before touching any byte.
    for (UINT i = 0; i < n; ++i) {
        const RECT& r = count ? rects[i] : whole;
        POINT p = points ? points[i] : POINT{r.left, r.top};
        if (r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top ||
            static_cast<UINT>(r.right) > src->width() || static_cast<UINT>(r.bottom) > src->height())
            return D3DERR_INVALIDCALL;
        if (p.x < 0 || p.y < 0 || static_cast<UINT>(p.x + (r.right - r.left)) > dst->width() ||
            static_cast<UINT>(p.y + (r.bottom - r.top)) > dst->height())
            return D3DERR_INVALIDCALL;
        if (unit > 1 && ((r.left | r.top | p.x | p.y) & 3)) return D3DERR_INVALIDCALL;
    }
    if (!GlMakeCurrent()) return D3DERR_DRIVERINTERNALERROR;
    const uint8_t* s = src->Bits();
    uint8_t* d = dst->Bits();
    for (UINT i = 0; i < n; ++i) {
        const RECT& r = count ? rects[i] : whole;
        POINT p = points ? points[i] : POINT{r.left, r.top};
        UINT cols = (static_cast<UINT>(r.right - r.left) + unit - 1) / unit;
        UINT rows = (static_cast<UINT>(r.bottom - r.top) + unit - 1) / unit;
        for (UINT y = 0; y < rows; ++y) {
            const uint8_t* from = s + static_cast<size_t>(r.top / static_cast<LONG>(unit) + y) * src->pitch() +
                                  static_cast<size_t>(r.left / static_cast<LONG>(unit)) * bytes;
            uint8_t* to = d + static_cast<size_t>(p.y / static_cast<LONG>(unit) + y) * dst->pitch() +
                          static_cast<size_t>(p.x / static_cast<LONG>(unit)) * bytes;
            std::memmove(to, from, static_cast<size_t>(cols) * bytes);
        }
    }
    dst->MarkDirty();
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture8* srcI, IDirect3DBaseTexture8* dstI)
{
    auto* srcH = dynamic_cast<TextureHolder*>(srcI);
    auto* dstH = dynamic_cast<TextureHolder*>(dstI);
    if (!srcH || !dstH) return D3DERR_INVALIDCALL;
    TextureStorage* src = srcH->storage();
    TextureStorage* dst = dstH->storage();
    if (src->pool() != D3DPOOL_SYSTEMMEM || dst->pool() != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (src->cube() != dst->cube() || src->format() != dst->format()) return D3DERR_INVALIDCALL;
    // The source level whose size matches the destination's top level.
    UINT first = 0;
    while (first < src->levels() && src->surface(0, first)->width() > dst->surface(0, 0)->width()) ++first;
    if (first >= src->levels() || src->surface(0, first)->width() != dst->surface(0, 0)->width() ||
        src->surface(0, first)->height() != dst->surface(0, 0)->height() || src->levels() - first < dst->levels())
        return D3DERR_INVALIDCALL;
    if (!GlMakeCurrent()) return D3DERR_DRIVERINTERNALERROR;
    for (UINT face = 0; face < dst->faces(); ++face)
        for (UINT l = 0; l < dst->levels(); ++l) {
            Surface* s = src->surface(face, first + l);
            Surface* d = dst->surface(face, l);
            std::memcpy(d->Bits(), s->Bits(),
                        static_cast<size_t>(d->pitch()) * FormatRowCount(d->format(), d->height()));
            d->MarkDirty();
        }
    return D3D_OK;
}

HRESULT Device::GetFrontBuffer(IDirect3DSurface8* destI)
{
    auto* dest = dynamic_cast<Surface*>(destI);
    if (!dest || dest->format() != D3DFMT_A8R8G8B8 || dest->locked()) return D3DERR_INVALIDCALL;
    if (!backBuffer_ || dest->width() < backBuffer_->width() || dest->height() < backBuffer_->height())
        return D3DERR_INVALIDCALL;
    std::vector<uint32_t> pixels;
    if (!GlMakeCurrent() || !backBuffer_->ReadArgb(pixels)) return D3DERR_INVALIDCALL;
    uint8_t* d = dest->Bits();
    for (UINT y = 0; y < backBuffer_->height(); ++y)
        std::memcpy(d + static_cast<size_t>(y) * dest->pitch(),
                    pixels.data() + static_cast<size_t>(y) * backBuffer_->width(),
                    static_cast<size_t>(backBuffer_->width()) * 4);
    dest->MarkDirty();
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(IDirect3DSurface8* rtI, IDirect3DSurface8* dsI)
{
    Surface* rt = renderTarget_;
    if (rtI) {
        rt = dynamic_cast<Surface*>(rtI);
        if (!rt || !(rt->usage() & D3DUSAGE_RENDERTARGET) || rt->device() != this) return D3DERR_INVALIDCALL;
    }
    if (!rt) return D3DERR_INVALIDCALL;
    auto* ds = dynamic_cast<Surface*>(dsI);
    if (dsI && (!ds || !(ds->usage() & D3DUSAGE_DEPTHSTENCIL) || ds->device() != this)) return D3DERR_INVALIDCALL;
    if (ds && (ds->width() < rt->width() || ds->height() < rt->height())) return D3DERR_INVALIDCALL;
    rt->keeper()->Hold();
    if (ds) ds->keeper()->Hold();
    if (renderTarget_) renderTarget_->keeper()->Drop();
    if (depthStencil_) depthStencil_->keeper()->Drop();
    renderTarget_ = rt;
    depthStencil_ = ds;
    viewport_ = {0, 0, rt->width(), rt->height(), 0.f, 1.f};
    uniformsDirty_ = rasterDirty_ = renderUniformsDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = renderTarget_;
    if (!renderTarget_) return D3DERR_NOTFOUND;
    renderTarget_->AddRef();
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = depthStencil_;
    if (!depthStencil_) return D3DERR_NOTFOUND;
    depthStencil_->AddRef();
    return D3D_OK;
}

void Device::BindFramebuffer()
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
    GLuint color = renderTarget_->GlTexture();
    GLenum target = renderTarget_->GlTarget();
    GLint level = static_cast<GLint>(renderTarget_->level());
    if (color != boundColor_ || target != boundColorTarget_ || level != boundColorLevel_) {
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, color, level);
        boundColor_ = color;
        boundColorTarget_ = target;
        boundColorLevel_ = level;
    }
    GLuint depth = depthStencil_ ? depthStencil_->GlTexture() : 0;
    FormatInfo info;
    if (depthStencil_) GetFormatInfo(depthStencil_->format(), info);
    GLenum attachment = info.stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    if (depth != boundDepth_ || attachment != boundDepthAttachment_) {
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
        if (depth) glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, attachment, GL_TEXTURE_2D, depth, 0);
        boundDepth_ = depth;
        boundDepthAttachment_ = attachment;
    }
}

void Device::ForgetTexture(GLuint tex)
{
    // GL reuses names: a new object under a cached name is not attached.
    if (tex == boundColor_ || tex == boundDepth_) boundColor_ = boundDepth_ = ~0u;
    for (auto& t : boundTextures_)
        if (t == tex) t = 0;
}

void Device::ForgetBuffer(GLuint buffer)
{
    if (buffer == attribBuffer_) attribFvf_ = ~0u;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil)
{
    if (count && !rects) return D3DERR_INVALIDCALL;
    if (flags & ~static_cast<DWORD>(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    FormatInfo info;
    if (depthStencil_) GetFormatInfo(depthStencil_->format(), info);
    if ((flags & D3DCLEAR_ZBUFFER) && !depthStencil_) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && !info.stencil) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.f && z <= 1.f)) return D3DERR_INVALIDCALL;
    if (coop_ != Coop::Ok || !flags) return D3D_OK;
    if (!GlMakeCurrent() || !renderTarget_) return D3DERR_DRIVERINTERNALERROR;
    Activate();
    BindFramebuffer();
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET) {
        bits |= GL_COLOR_BUFFER_BIT;
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(((color >> 16) & 0xff) / 255.f, ((color >> 8) & 0xff) / 255.f, (color & 0xff) / 255.f,
                     (color >> 24) / 255.f);
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        bits |= GL_DEPTH_BUFFER_BIT;
        glDepthMask(GL_TRUE);
        glClearDepth(z);
    }
    if (flags & D3DCLEAR_STENCIL) {
        bits |= GL_STENCIL_BUFFER_BIT;
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
    }
    glEnable(GL_SCISSOR_TEST);
    const LONG vx0 = static_cast<LONG>(viewport_.X), vy0 = static_cast<LONG>(viewport_.Y);
    const LONG vx1 = vx0 + static_cast<LONG>(viewport_.Width), vy1 = vy0 + static_cast<LONG>(viewport_.Height);
    D3DRECT all{vx0, vy0, vx1, vy1};
    for (DWORD i = 0; i < (count ? count : 1); ++i) {
        const D3DRECT& r = count ? rects[i] : all;
        LONG x0 = std::max(r.x1, vx0), y0 = std::max(r.y1, vy0), x1 = std::min(r.x2, vx1), y1 = std::min(r.y2, vy1);
        if (x1 <= x0 || y1 <= y0) continue;
        glScissor(x0, y0, x1 - x0, y1 - y0);
        glClear(bits);
    }
    glDisable(GL_SCISSOR_TEST);
    // The masks above are the draws' too.
    ForgetRaster({RasterGroup::Depth, RasterGroup::Stencil, RasterGroup::ColorMask});
    if (flags & D3DCLEAR_TARGET) renderTarget_->MarkGpuNewer();
    if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) depthStencil_->MarkGpuNewer();
    return D3D_OK;
}

} // namespace kestu::d3d8
