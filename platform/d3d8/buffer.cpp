// Vertex and index buffers.
#include <algorithm>

#include "d3d8/device.h"
#include "d3d8/gl_context.h"
#include "d3d8/resource.h"

namespace kestu::d3d8 {

template <class I>
Buffer<I>::Buffer(Device* device, UINT length, DWORD usage, D3DPOOL pool) : ResourceBase<I>(device, pool, usage)
{
    bits_.assign(length, 0);
    dirtyBegin_ = 0;
    dirtyEnd_ = length;
}

template <class I>
Buffer<I>::~Buffer()
{
    if (this->device_ && buffer_ && GlMakeCurrent()) {
        this->device_->ForgetBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
    }
}

template <class I>
void Buffer<I>::Orphan()
{
    if (buffer_) glDeleteBuffers(1, &buffer_);
    buffer_ = 0;
    this->device_ = nullptr;
}

template <class I>
HRESULT Buffer<I>::Lock(UINT offset, UINT size, BYTE** pp, DWORD flags)
{
    if (!pp) return D3DERR_INVALIDCALL;
    *pp = nullptr;
    UINT length = static_cast<UINT>(bits_.size());
    if (size == 0) {
        if (offset > length) return D3DERR_INVALIDCALL;
        size = length - offset;
    }
    if (offset > length || size > length - offset) return D3DERR_INVALIDCALL;
    *pp = bits_.data() + offset;
    ++locks_;
    if (!(flags & D3DLOCK_READONLY)) {
        if (dirtyBegin_ >= dirtyEnd_) {
            dirtyBegin_ = offset;
            dirtyEnd_ = offset + size;
        } else {
            dirtyBegin_ = std::min(dirtyBegin_, offset);
            dirtyEnd_ = std::max(dirtyEnd_, offset + size);
        }
    }
    return D3D_OK;
}

template <class I>
HRESULT Buffer<I>::Unlock()
{
    if (locks_ <= 0) return D3DERR_INVALIDCALL;
    --locks_;
    return D3D_OK;
}

template <class I>
GLuint Buffer<I>::Prepare(GLenum target)
{
    if (!buffer_) {
        glGenBuffers(1, &buffer_);
        glBindBuffer(target, buffer_);
        glBufferData(target, static_cast<GLsizeiptr>(bits_.size()), bits_.data(),
                     (this->usage_ & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        if (locks_ == 0) dirtyBegin_ = dirtyEnd_ = 0;
        return buffer_;
    }
    glBindBuffer(target, buffer_);
    if (dirtyBegin_ < dirtyEnd_) {
        if (dirtyBegin_ == 0 && dirtyEnd_ == bits_.size())
            glBufferData(target, static_cast<GLsizeiptr>(bits_.size()), bits_.data(),
                         (this->usage_ & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        else
            glBufferSubData(target, dirtyBegin_, dirtyEnd_ - dirtyBegin_, bits_.data() + dirtyBegin_);
        // Writes may continue under a lock still held.
        if (locks_ == 0) dirtyBegin_ = dirtyEnd_ = 0;
    }
    return buffer_;
}

template class Buffer<IDirect3DVertexBuffer8>;
template class Buffer<IDirect3DIndexBuffer8>;

HRESULT VertexBuffer::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || riid == IID_IDirect3DVertexBuffer8) {
        *ppv = static_cast<IDirect3DVertexBuffer8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* d)
{
    if (!d) return D3DERR_INVALIDCALL;
    d->Format = D3DFMT_VERTEXDATA;
    d->Type = D3DRTYPE_VERTEXBUFFER;
    d->Usage = usage_;
    d->Pool = pool_;
    d->Size = length();
    d->FVF = fvf_;
    return D3D_OK;
}

HRESULT IndexBuffer::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource8 || riid == IID_IDirect3DIndexBuffer8) {
        *ppv = static_cast<IDirect3DIndexBuffer8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* d)
{
    if (!d) return D3DERR_INVALIDCALL;
    d->Format = format_;
    d->Type = D3DRTYPE_INDEXBUFFER;
    d->Usage = usage_;
    d->Pool = pool_;
    d->Size = length();
    return D3D_OK;
}

} // namespace kestu::d3d8
