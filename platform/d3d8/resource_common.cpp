// Private data and GL formats shared by the resources.
#include <cstring>

#include "d3d8/device.h"
#include "d3d8/resource.h"

namespace kestu::d3d8 {

HRESULT PrivateData::Set(REFGUID guid, const void* data, DWORD size, DWORD flags)
{
    if (!data && size) return D3DERR_INVALIDCALL;
    if ((flags & D3DSPD_IUNKNOWN) && size != sizeof(IUnknown*)) return D3DERR_INVALIDCALL;
    Free(guid);
    Entry e;
    e.guid = guid;
    if (flags & D3DSPD_IUNKNOWN) {
        std::memcpy(&e.unknown, data, sizeof(IUnknown*));
        if (e.unknown) e.unknown->AddRef();
    } else {
        e.bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    }
    entries_.push_back(std::move(e));
    return D3D_OK;
}

HRESULT PrivateData::Get(REFGUID guid, void* data, DWORD* size)
{
    if (!size) return D3DERR_INVALIDCALL;
    for (auto& e : entries_) {
        if (e.guid != guid) continue;
        DWORD need = e.unknown ? static_cast<DWORD>(sizeof(IUnknown*)) : static_cast<DWORD>(e.bytes.size());
        if (!data || *size < need) {
            *size = need;
            return D3DERR_MOREDATA;
        }
        if (e.unknown) {
            e.unknown->AddRef();
            std::memcpy(data, &e.unknown, sizeof(IUnknown*));
        } else if (need) {
            std::memcpy(data, e.bytes.data(), need);
        }
        *size = need;
        return D3D_OK;
    }
    return D3DERR_NOTFOUND;
}

HRESULT PrivateData::Free(REFGUID guid)
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->guid != guid) continue;
        if (it->unknown) it->unknown->Release();
        entries_.erase(it);
        return D3D_OK;
    }
    return D3DERR_NOTFOUND;
}

PrivateData::~PrivateData()
{
    for (auto& e : entries_)
        if (e.unknown) e.unknown->Release();
}

template <class I>
ResourceBase<I>::ResourceBase(Device* device, D3DPOOL pool, DWORD usage)
    : Tracked(device, false), device_(device), pool_(pool), usage_(usage)
{
    trackedPool = pool;
    device_->Track(this);
}

template <class I>
ResourceBase<I>::~ResourceBase()
{
    if (device_) device_->Untrack(this);
}

template <class I>
HRESULT ResourceBase<I>::GetDevice(IDirect3DDevice8** pp)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = device_;
    if (!device_) return D3DERR_INVALIDCALL;
    device_->AddRef();
    return D3D_OK;
}

template class ResourceBase<IDirect3DTexture8>;
template class ResourceBase<IDirect3DCubeTexture8>;
template class ResourceBase<IDirect3DVertexBuffer8>;
template class ResourceBase<IDirect3DIndexBuffer8>;

void BindForUpload(GLenum target, GLuint tex)
{
    glActiveTexture(GL_TEXTURE15);
    glBindTexture(target, tex);
}

GLenum GlInternalFormat(D3DFORMAT f)
{
    switch (f) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8: return GL_RGB8;
    case D3DFMT_R5G6B5: return GL_RGB565;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: return GL_RGB5_A1;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: return GL_RGBA4;
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE: return GL_DEPTH_COMPONENT16;
    case D3DFMT_D24X8: return GL_DEPTH_COMPONENT24;
    case D3DFMT_D32: return GL_DEPTH_COMPONENT32F;
    case D3DFMT_D15S1:
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4: return GL_DEPTH24_STENCIL8;
    default: return GL_RGBA8;
    }
}

} // namespace kestu::d3d8
