// Textures and cube textures over one GL texture each.
#include <algorithm>

#include "d3d8/device.h"
#include "d3d8/format.h"
#include "d3d8/gl_context.h"
#include "d3d8/resource.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {

void UploadImage(GLenum target, GLint level, D3DFORMAT format, UINT w, UINT h, const uint8_t* bits, UINT pitch,
                 const uint32_t* palette);

TextureStorage::TextureStorage(Device* device, IUnknown* container, bool cube, UINT w, UINT h, UINT levels,
                               D3DFORMAT format, DWORD usage, D3DPOOL pool)
    : device_(device), container_(container), cube_(cube), levels_(levels), format_(format), usage_(usage), pool_(pool)
{
    for (UINT face = 0; face < faces(); ++face)
        for (UINT level = 0; level < levels; ++level)
            surfaces_.push_back(std::make_unique<Surface>(this, container, level, face, std::max(1u, w >> level),
                                                          std::max(1u, h >> level)));
}

TextureStorage::~TextureStorage()
{
    if (device_ && tex_ && GlMakeCurrent()) {
        device_->ForgetTexture(tex_);
        glDeleteTextures(1, &tex_);
    }
}

void TextureStorage::ReleaseGl()
{
    if (tex_) glDeleteTextures(1, &tex_);
    tex_ = 0;
    device_ = nullptr;
    for (auto& s : surfaces_) s->device_ = nullptr;
}

void TextureStorage::EnsureGl()
{
    if (tex_) return;
    glGenTextures(1, &tex_);
    GLenum binding = glBinding();
    BindForUpload(binding, tex_);
    glTexParameteri(binding, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(binding, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_ - 1));
    for (auto& s : surfaces_) {
        UploadImage(s->GlTarget(), static_cast<GLint>(s->level_), format_, s->width_, s->height_, nullptr, s->pitch_,
                    nullptr);
    }
    dirty_ = true;
}

GLuint TextureStorage::Prepare(UINT paletteVersion)
{
    if (!device_) return 0;
    EnsureGl();
    FormatInfo info;
    GetFormatInfo(format_, info);
    if (info.palettized && paletteVersion != paletteVersion_) {
        paletteVersion_ = paletteVersion;
        for (auto& s : surfaces_) s->dirty_ = true;
        dirty_ = true;
    }
    if (!dirty_) return tex_;
    dirty_ = false;
    UINT version = 0;
    const uint32_t* palette = device_->Palette(version);
    BindForUpload(glBinding(), tex_);
    for (auto& s : surfaces_) {
        if (!s->dirty_) continue;
        s->dirty_ = false;
        UploadImage(s->GlTarget(), static_cast<GLint>(s->level_), format_, s->width_, s->height_, s->bits_.data(),
                    s->pitch_, palette);
    }
    return tex_;
}

HRESULT TextureStorage::LockRect(UINT face, UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD flags)
try {
    if (level >= levels_ || face >= faces()) return D3DERR_INVALIDCALL;
    return surface(face, level)->LockRect(out, rect, flags);
} catch (...) {
    return platform::ExceptionResult();
}

HRESULT TextureStorage::UnlockRect(UINT face, UINT level)
{
    if (level >= levels_ || face >= faces()) return D3DERR_INVALIDCALL;
    return surface(face, level)->UnlockRect();
}

HRESULT TextureStorage::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    if (level >= levels_ || !desc) return D3DERR_INVALIDCALL;
    return surface(0, level)->GetDesc(desc);
}

// Texture.

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, pool, usage),
      storage_(device, static_cast<IDirect3DTexture8*>(this), false, width, height, levels, format, usage, pool)
{
}

HRESULT Texture::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || riid == IID_IDirect3DBaseTexture8 ||
        riid == IID_IDirect3DTexture8) {
        *ppv = static_cast<IDirect3DTexture8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

void Texture::PreLoad()
{
    if (pool_ == D3DPOOL_MANAGED && device_ && GlMakeCurrent()) {
        UINT version = 0;
        device_->Palette(version);
        storage_.Prepare(version);
    }
}

DWORD Texture::SetLOD(DWORD lod)
{
    if (pool_ != D3DPOOL_MANAGED) return 0;
    DWORD old = storage_.lod;
    storage_.lod = std::min(lod, storage_.levels() - 1);
    return old;
}

DWORD Texture::GetLOD() { return pool_ == D3DPOOL_MANAGED ? storage_.lod : 0; }

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (level >= storage_.levels()) return D3DERR_INVALIDCALL;
    *pp = storage_.surface(0, level);
    (*pp)->AddRef();
    return D3D_OK;
}

HRESULT Texture::AddDirtyRect(const RECT* rect)
{
    if (rect && (rect->left >= rect->right || rect->top >= rect->bottom)) return D3DERR_INVALIDCALL;
    for (UINT l = 0; l < storage_.levels(); ++l) storage_.surface(0, l)->MarkDirty();
    return D3D_OK;
}

void Texture::Orphan()
{
    storage_.ReleaseGl();
    device_ = nullptr;
}

// Cube texture.

CubeTexture::CubeTexture(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, pool, usage),
      storage_(device, static_cast<IDirect3DCubeTexture8*>(this), true, edge, edge, levels, format, usage, pool)
{
}

HRESULT CubeTexture::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || riid == IID_IDirect3DBaseTexture8 ||
        riid == IID_IDirect3DCubeTexture8) {
        *ppv = static_cast<IDirect3DCubeTexture8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

void CubeTexture::PreLoad()
{
    if (pool_ == D3DPOOL_MANAGED && device_ && GlMakeCurrent()) {
        UINT version = 0;
        device_->Palette(version);
        storage_.Prepare(version);
    }
}

DWORD CubeTexture::SetLOD(DWORD lod)
{
    if (pool_ != D3DPOOL_MANAGED) return 0;
    DWORD old = storage_.lod;
    storage_.lod = std::min(lod, storage_.levels() - 1);
    return old;
}

DWORD CubeTexture::GetLOD() { return pool_ == D3DPOOL_MANAGED ? storage_.lod : 0; }

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    if (level >= storage_.levels() || static_cast<UINT>(face) >= 6) return D3DERR_INVALIDCALL;
    *pp = storage_.surface(static_cast<UINT>(face), level);
    (*pp)->AddRef();
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* r, const RECT* rect, DWORD f)
{
    return storage_.LockRect(static_cast<UINT>(face), level, r, rect, f);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level)
{
    return storage_.UnlockRect(static_cast<UINT>(face), level);
}

HRESULT CubeTexture::AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* rect)
{
    if (static_cast<UINT>(face) >= 6) return D3DERR_INVALIDCALL;
    if (rect && (rect->left >= rect->right || rect->top >= rect->bottom)) return D3DERR_INVALIDCALL;
    for (UINT l = 0; l < storage_.levels(); ++l) storage_.surface(static_cast<UINT>(face), l)->MarkDirty();
    return D3D_OK;
}

void CubeTexture::Orphan()
{
    storage_.ReleaseGl();
    device_ = nullptr;
}

} // namespace kestu::d3d8
