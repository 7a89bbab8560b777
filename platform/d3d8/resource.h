// Resource objects of the d3d8 stand-in: surfaces, textures, vertex and index
// buffers. Every resource keeps its bytes in system memory in Direct3D's
// layout; GL objects are made lazily and refreshed from dirty shadows.
#pragma once
#include <array>
#include <memory>
#include <vector>

#include "d3d8.h"
#include "d3d8/gl.h"
#include "d3d8/lifetime.h"

namespace kestu::d3d8 {

class Device;
class TextureStorage;

class PrivateData {
public:
    HRESULT Set(REFGUID guid, const void* data, DWORD size, DWORD flags);
    HRESULT Get(REFGUID guid, void* data, DWORD* size);
    HRESULT Free(REFGUID guid);
    ~PrivateData();

private:
    struct Entry {
        GUID guid;
        std::vector<uint8_t> bytes;
        IUnknown* unknown = nullptr;
    };
    std::vector<Entry> entries_;
};

// The common resource methods over a Direct3D interface.
template <class Interface>
class ResourceBase : public Interface, public Tracked {
public:
    ULONG AddRef() override { return AddPublic(); }
    ULONG Release() override { return ReleasePublic(); }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override { return private_.Set(g, d, s, f); }
    HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return private_.Get(g, d, s); }
    HRESULT FreePrivateData(REFGUID g) override { return private_.Free(g); }
    DWORD SetPriority(DWORD p) override
    {
        DWORD old = priority_;
        if (pool_ == D3DPOOL_MANAGED) priority_ = p;
        return pool_ == D3DPOOL_MANAGED ? old : 0;
    }
    DWORD GetPriority() override { return pool_ == D3DPOOL_MANAGED ? priority_ : 0; }

    Device* device() const { return device_; }
    D3DPOOL pool() const { return pool_; }
    DWORD usage() const { return usage_; }

protected:
    ResourceBase(Device* device, D3DPOOL pool, DWORD usage);
    ~ResourceBase() override;
    Device* device_;
    D3DPOOL pool_;
    DWORD usage_;
    DWORD priority_ = 0;
    PrivateData private_;
};

class Surface final : public IDirect3DSurface8, public Tracked {
public:
    // A standalone surface (render target, depth-stencil, image); an implicit
    // one (back buffer, automatic depth-stencil) is the device's own until
    // the application asks for it.
    Surface(Device* device, UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable,
            bool implicit = false);
    // A level or cube face of a texture; its references are the texture's.
    Surface(TextureStorage* owner, IUnknown* container, UINT level, UINT face, UINT width, UINT height);
    ~Surface() override;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override { return private_.Set(g, d, s, f); }
    HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return private_.Get(g, d, s); }
    HRESULT FreePrivateData(REFGUID g) override { return private_.Free(g); }
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;
    void Orphan() override;

    Device* device() const;
    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DFORMAT format() const { return format_; }
    DWORD usage() const;
    D3DPOOL pool() const;
    UINT pitch() const { return pitch_; }
    bool locked() const { return locked_; }
    const bool implicit = false; // back buffer or automatic depth-stencil
    // What carries the references of the surface: itself, or its texture.
    Tracked* keeper();
    TextureStorage* owner() const { return owner_; }
    UINT level() const { return level_; }
    UINT face() const { return face_; }

    // System-memory bytes, current (read back from GL when the GPU is newer).
    uint8_t* Bits();
    // The bytes changed in memory: GL must be refreshed.
    void MarkDirty();
    // GL rendered into the surface: memory must be refreshed before use.
    void MarkGpuNewer() { gpuNewer_ = true; }
    // The GL texture, target and level holding the surface (created and
    // refreshed on demand).
    GLuint GlTexture();
    GLenum GlTarget() const;
    // Reads the pixels as A8R8G8B8 top-down rows.
    bool ReadArgb(std::vector<uint32_t>& out);

private:
    friend class TextureStorage;
    void SyncFromGl();
    void UploadOwn();

    Device* device_ = nullptr;
    TextureStorage* owner_ = nullptr;
    IUnknown* container_ = nullptr;
    UINT level_ = 0, face_ = 0;
    UINT width_, height_;
    D3DFORMAT format_;
    DWORD usage_ = 0;
    D3DPOOL pool_ = D3DPOOL_DEFAULT;
    bool lockable_ = true;
    UINT pitch_ = 0;
    std::vector<uint8_t> bits_;
    bool locked_ = false;
    bool lockReadOnly_ = false;
    bool gpuNewer_ = false;
    bool dirty_ = true;
    GLuint tex_ = 0; // standalone surfaces only
    PrivateData private_;
};

// Mip chain (and cube faces) of a texture with its GL texture.
class TextureStorage {
public:
    TextureStorage(Device* device, IUnknown* container, bool cube, UINT size0w, UINT size0h, UINT levels,
                   D3DFORMAT format, DWORD usage, D3DPOOL pool);
    ~TextureStorage();

    Device* device() const { return device_; }
    D3DFORMAT format() const { return format_; }
    DWORD usage() const { return usage_; }
    D3DPOOL pool() const { return pool_; }
    bool cube() const { return cube_; }
    UINT levels() const { return levels_; }
    UINT faces() const { return cube_ ? 6 : 1; }
    Surface* surface(UINT face, UINT level) { return surfaces_[face * levels_ + level].get(); }
    DWORD lod = 0;
    GLint appliedBase = -1;
    IUnknown* container() const { return container_; }

    HRESULT LockRect(UINT face, UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT face, UINT level);
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    void MarkDirty() { dirty_ = true; }
    // Makes the GL texture current with memory; returns it (0 on failure).
    GLuint Prepare(UINT paletteVersion);
    GLuint glTexture() const { return tex_; }
    GLenum glBinding() const { return cube_ ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D; }
    void ReleaseGl();
    void EnsureGl();
    // Mip levels rendered by GL (render targets): read back before use.
    void AnyGpuNewer() {}

private:
    Device* device_;
    IUnknown* container_;
    bool cube_;
    UINT levels_;
    D3DFORMAT format_;
    DWORD usage_;
    D3DPOOL pool_;
    std::vector<std::unique_ptr<Surface>> surfaces_;
    GLuint tex_ = 0;
    bool dirty_ = true;
    UINT paletteVersion_ = ~0u;
};

// The texture interfaces share their GL storage through this base.
class TextureHolder {
public:
    virtual ~TextureHolder() = default;
    virtual TextureStorage* storage() = 0;
};

class Texture final : public ResourceBase<IDirect3DTexture8>, public TextureHolder {
public:
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    void PreLoad() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD lod) override;
    DWORD GetLOD() override;
    DWORD GetLevelCount() override { return storage_.levels(); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override { return storage_.GetLevelDesc(Level, pDesc); }
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* r, const RECT* rect, DWORD f) override
    {
        return storage_.LockRect(0, Level, r, rect, f);
    }
    HRESULT UnlockRect(UINT Level) override { return storage_.UnlockRect(0, Level); }
    HRESULT AddDirtyRect(const RECT* pDirtyRect) override;
    TextureStorage* storage() override { return &storage_; }
    void Orphan() override;

private:
    TextureStorage storage_;
};

class CubeTexture final : public ResourceBase<IDirect3DCubeTexture8>, public TextureHolder {
public:
    CubeTexture(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    void PreLoad() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD SetLOD(DWORD lod) override;
    DWORD GetLOD() override;
    DWORD GetLevelCount() override { return storage_.levels(); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override { return storage_.GetLevelDesc(Level, pDesc); }
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT Level, IDirect3DSurface8** pp) override;
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT Level, D3DLOCKED_RECT* r, const RECT* rect, DWORD f) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT Level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* pDirtyRect) override;
    TextureStorage* storage() override { return &storage_; }
    void Orphan() override;

private:
    TextureStorage storage_;
};

template <class Interface>
class Buffer : public ResourceBase<Interface> {
public:
    Buffer(Device* device, UINT length, DWORD usage, D3DPOOL pool);
    ~Buffer() override;
    void PreLoad() override {}
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    void Orphan() override;

    UINT length() const { return static_cast<UINT>(bits_.size()); }
    bool locked() const { return locks_ > 0; }
    const uint8_t* data() const { return bits_.data(); }
    // The GL buffer, refreshed from memory.
    GLuint Prepare(GLenum target);

protected:
    std::vector<uint8_t> bits_;
    int locks_ = 0;
    GLuint buffer_ = 0;
    UINT dirtyBegin_ = 0, dirtyEnd_ = 0;
};

class VertexBuffer final : public Buffer<IDirect3DVertexBuffer8> {
public:
    VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : Buffer(device, length, usage, pool), fvf_(fvf)
    {
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

private:
    DWORD fvf_;
};

class IndexBuffer final : public Buffer<IDirect3DIndexBuffer8> {
public:
    IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : Buffer(device, length, usage, pool), format_(format)
    {
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
    D3DFORMAT format() const { return format_; }

private:
    D3DFORMAT format_;
};

// GL internal format of a Direct3D format.
GLenum GlInternalFormat(D3DFORMAT format);
// Binds a texture for upload on a unit no stage samples from, so the
// device's record of the stage bindings stays true.
void BindForUpload(GLenum target, GLuint tex);

} // namespace kestu::d3d8
