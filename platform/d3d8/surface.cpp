// Surfaces: standalone (render targets, depth-stencil, image surfaces, the
// back buffer) or a level of a texture.
#include <cstring>
#include <new>

#include "d3d8/device.h"
#include "d3d8/format.h"
#include "d3d8/gl_context.h"
#include "d3d8/resource.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {
namespace {

void GlFormatOf(D3DFORMAT f, GLenum& format, GLenum& type)
{
    switch (f) {
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
        format = GL_DEPTH_COMPONENT;
        type = GL_UNSIGNED_SHORT;
        return;
    case D3DFMT_D24X8:
        format = GL_DEPTH_COMPONENT;
        type = GL_UNSIGNED_INT;
        return;
    case D3DFMT_D32:
        format = GL_DEPTH_COMPONENT;
        type = GL_FLOAT;
        return;
    case D3DFMT_D15S1:
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4:
        format = GL_DEPTH_STENCIL;
        type = GL_UNSIGNED_INT_24_8;
        return;
    default:
        format = GL_BGRA;
        type = GL_UNSIGNED_BYTE;
        return;
    }
}

} // namespace

// Allocates (data null) or fills one GL image from memory in Direct3D's layout.
void UploadImage(GLenum target, GLint level, D3DFORMAT format, UINT w, UINT h, const uint8_t* bits, UINT pitch,
                 const uint32_t* palette)
{
    GLenum glFormat, type;
    GlFormatOf(format, glFormat, type);
    GLenum internal = GlInternalFormat(format);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!bits) {
        glTexImage2D(target, level, static_cast<GLint>(internal), static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                     glFormat, type, nullptr);
        return;
    }
    if (glFormat == GL_DEPTH_COMPONENT && type == GL_UNSIGNED_SHORT) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / 2));
        glTexImage2D(target, level, static_cast<GLint>(internal), static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                     glFormat, type, bits);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        return;
    }
    if (glFormat != GL_BGRA) {
        glTexImage2D(target, level, static_cast<GLint>(internal), static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                     glFormat, type, nullptr);
        return;
    }
    std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
    DecodeSurface(format, bits, pitch, w, h, argb.data(), palette);
    glTexImage2D(target, level, static_cast<GLint>(internal), static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                 GL_BGRA, GL_UNSIGNED_BYTE, argb.data());
}

Surface::Surface(Device* device, UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable,
                 bool implicit)
    : Tracked(device, implicit), implicit(implicit), device_(device), width_(width), height_(height), format_(format),
      usage_(usage), pool_(pool), lockable_(lockable)
{
    trackedPool = pool;
    pitch_ = FormatPitch(format, width);
    bits_.assign(static_cast<size_t>(FormatSurfaceBytes(format, width, height)), 0);
    dirty_ = !(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL));
    device_->Track(this);
}

Surface::Surface(TextureStorage* owner, IUnknown* container, UINT level, UINT face, UINT width, UINT height)
    : Tracked(nullptr, false), device_(owner->device()), owner_(owner), container_(container), level_(level),
      face_(face), width_(width), height_(height), format_(owner->format()), usage_(owner->usage()),
      pool_(owner->pool()), lockable_(!(owner->usage() & D3DUSAGE_RENDERTARGET))
{
    pitch_ = FormatPitch(format_, width);
    bits_.assign(static_cast<size_t>(FormatSurfaceBytes(format_, width, height)), 0);
    dirty_ = !(usage_ & D3DUSAGE_RENDERTARGET);
}

Surface::~Surface()
{
    if (!owner_) {
        if (device_) {
            device_->Untrack(this);
            if (tex_ && GlMakeCurrent()) {
                device_->ForgetTexture(tex_);
                glDeleteTextures(1, &tex_);
            }
        }
    }
}

void Surface::Orphan()
{
    if (tex_) glDeleteTextures(1, &tex_);
    tex_ = 0;
    device_ = nullptr;
}

Device* Surface::device() const { return owner_ ? owner_->device() : device_; }
DWORD Surface::usage() const { return usage_; }
D3DPOOL Surface::pool() const { return pool_; }

HRESULT Surface::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DSurface8) {
        *ppv = static_cast<IDirect3DSurface8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG Surface::AddRef()
{
    if (container_) return container_->AddRef();
    return AddPublic();
}

ULONG Surface::Release()
{
    if (container_) return container_->Release();
    return ReleasePublic();
}

Tracked* Surface::keeper() { return container_ ? dynamic_cast<Tracked*>(container_) : this; }

HRESULT Surface::GetDevice(IDirect3DDevice8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    Device* d = device();
    *pp = d;
    if (!d) return D3DERR_INVALIDCALL;
    d->AddRef();
    return D3D_OK;
}

HRESULT Surface::GetContainer(REFIID riid, void** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (container_) return container_->QueryInterface(riid, pp) == S_OK ? D3D_OK : E_NOINTERFACE;
    Device* d = device();
    if (d && (riid == IID_IDirect3DDevice8 || riid == IID_IUnknown)) {
        *pp = static_cast<IDirect3DDevice8*>(d);
        d->AddRef();
        return D3D_OK;
    }
    return E_NOINTERFACE;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* d)
{
    if (!d) return D3DERR_INVALIDCALL;
    d->Format = format_;
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = usage_;
    d->Pool = pool_;
    d->Size = static_cast<UINT>(bits_.size());
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = width_;
    d->Height = height_;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags)
try {
    if (!out) return D3DERR_INVALIDCALL;
    if (locked_ || !lockable_) return D3DERR_INVALIDCALL;
    FormatInfo info;
    GetFormatInfo(format_, info);
    UINT x = 0, y = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            static_cast<UINT>(rect->right) > width_ || static_cast<UINT>(rect->bottom) > height_)
            return D3DERR_INVALIDCALL;
        x = static_cast<UINT>(rect->left);
        y = static_cast<UINT>(rect->top);
        if (info.blockBytes && ((x & 3) || (y & 3))) return D3DERR_INVALIDCALL;
    }
    uint8_t* base = Bits();
    size_t offset = info.blockBytes
                        ? static_cast<size_t>(y / 4) * pitch_ + static_cast<size_t>(x / 4) * info.blockBytes
                        : static_cast<size_t>(y) * pitch_ + static_cast<size_t>(x) * (info.bitsPerPixel / 8);
    out->Pitch = static_cast<INT>(pitch_);
    out->pBits = base + offset;
    locked_ = true;
    lockReadOnly_ = (flags & D3DLOCK_READONLY) != 0;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT Surface::UnlockRect()
{
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!lockReadOnly_) MarkDirty();
    return D3D_OK;
}

void Surface::MarkDirty()
{
    dirty_ = true;
    if (owner_) owner_->MarkDirty();
}

uint8_t* Surface::Bits()
{
    if (gpuNewer_) SyncFromGl();
    return bits_.data();
}

void Surface::SyncFromGl()
{
    gpuNewer_ = false;
    Device* d = device();
    if (!d || !GlMakeCurrent()) return;
    if (!d->ReadFramebuffer(this)) return;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (format_ == D3DFMT_D16_LOCKABLE) {
        glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_DEPTH_COMPONENT,
                     GL_UNSIGNED_SHORT, bits_.data());
        return;
    }
    if (IsDepthFormat(format_)) return;
    std::vector<uint32_t> argb(static_cast<size_t>(width_) * height_);
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA, GL_UNSIGNED_BYTE,
                 argb.data());
    for (UINT row = 0; row < height_; ++row)
        EncodeRow(format_, argb.data() + static_cast<size_t>(row) * width_,
                  bits_.data() + static_cast<size_t>(row) * pitch_, width_);
}

bool Surface::ReadArgb(std::vector<uint32_t>& out)
{
    out.assign(static_cast<size_t>(width_) * height_, 0);
    if (IsDepthFormat(format_)) return false;
    const uint8_t* bits = Bits();
    UINT version = 0;
    Device* d = device();
    const uint32_t* palette = d ? d->Palette(version) : nullptr;
    return DecodeSurface(format_, bits, pitch_, width_, height_, out.data(), palette);
}

GLenum Surface::GlTarget() const
{
    if (owner_ && owner_->cube()) return GL_TEXTURE_CUBE_MAP_POSITIVE_X + face_;
    return GL_TEXTURE_2D;
}

GLuint Surface::GlTexture()
{
    Device* d = device();
    if (!d) return 0;
    if (owner_) {
        UINT version = 0;
        d->Palette(version);
        return owner_->Prepare(version);
    }
    if (!tex_) {
        glGenTextures(1, &tex_);
        BindForUpload(GL_TEXTURE_2D, tex_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        UploadImage(GL_TEXTURE_2D, 0, format_, width_, height_, nullptr, pitch_, nullptr);
    }
    if (dirty_) UploadOwn();
    return tex_;
}

void Surface::UploadOwn()
{
    dirty_ = false;
    FormatInfo info;
    GetFormatInfo(format_, info);
    if (info.depth && format_ != D3DFMT_D16_LOCKABLE) return;
    UINT version = 0;
    const uint32_t* palette = device()->Palette(version);
    BindForUpload(GL_TEXTURE_2D, tex_);
    UploadImage(GL_TEXTURE_2D, 0, format_, width_, height_, bits_.data(), pitch_, palette);
}

} // namespace kestu::d3d8
