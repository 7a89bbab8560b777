// The device and memory buffers of the mesh data and their uploads.
#include <new>

#include "kestu_meshdata.h"
#include "kestu_meshdatamng.h"

namespace Kestu {

namespace {

// A new buffer becomes the mesh's; when the mesh has one, that object takes
// over the new Direct3D buffer (whoever holds it sees the new one).
template <class Buffer>
long Install(CountedRef<Buffer>& held, Buffer* made, void** data)
{
    if (!made) return E_OUTOFMEMORY;
    if (held) {
        made->AddRef();
        *held.Get() = *made;
        made->Release();
    } else {
        held.Reset(made);
    }
    if (data) *data = nullptr;
    return held->IsBuilt() ? 0 : E_FAIL;
}

} // namespace

long CMeshDataBase::CreateVertexBuffer(DWORD usage, D3DPOOL pool, void** data)
{
    m_dwVBUsage = usage;
    m_dwVBPool = pool;
    return Install(m_pVB,
                   new (std::nothrow) CVertexBuffer(m_pDevice, GetVertexBufferSize(), dwVertexFVF, dwVertexStride,
                                                    usage, pool, nullptr),
                   data);
}

long CMeshDataBase::CreateIndexBuffer(DWORD usage, D3DPOOL pool, void** data)
{
    m_dwIBUsage = usage;
    m_dwIBPool = pool;
    return Install(m_pIB,
                   new (std::nothrow) CIndexBuffer(m_pDevice, GetIndexBufferSize(),
                                                   static_cast<D3DFORMAT>(dwIndexFormat), usage, pool, nullptr),
                   data);
}

long CMeshDataBase::CreateMemVertexBuffer(DWORD usage, D3DPOOL pool, void** data)
{
    m_dwVBUsage = usage;
    m_dwVBPool = pool;
    // A buffer that only this mesh holds is reused; one that a cached frame
    // also holds stays with the cache and the mesh takes a new one.
    CMemVertexBuffer* held = m_pMemVB.Get();
    if (held && held->GetRef() == 1 && held->GetLength() == GetVertexBufferSize() &&
        held->GetStride() == dwVertexStride && held->GetFVF() == dwVertexFVF) {
        if (data) *data = held->GetBuffer();
        return 0;
    }
    CMemVertexBuffer* made =
        new (std::nothrow) CMemVertexBuffer(GetVertexBufferSize(), dwVertexFVF, dwVertexStride, usage, pool, nullptr);
    if (!made) return E_OUTOFMEMORY;
    m_pMemVB.Reset(made);
    if (data) *data = made->GetBuffer();
    return 0;
}

long CMeshDataBase::UpdateVertexBuffer(const void* data)
{
    if (m_pfnCallBack) m_pfnCallBack(KESTU_MESHEVENT_UPLOAD, reinterpret_cast<DWORD_PTR>(data), 0, 0);
    if (!data) return E_FAIL;
    const D3DPOOL pool = static_cast<D3DPOOL>(m_dwVBPool);
    if (m_pMng && CMeshDataMng::IsUsingCache()) {
        long hr = CreateMemVertexBuffer(m_dwVBUsage, pool, nullptr);
        if (hr < 0) return hr;
        return m_pMemVB->Copy(data, GetVertexBufferSize());
    }
    if (!m_pVB || !m_pVB->IsBuilt()) {
        long hr = CreateVertexBuffer(m_dwVBUsage, pool, nullptr);
        if (hr < 0) return hr;
    }
    return m_pVB->Copy(data, GetVertexBufferSize());
}

long CMeshDataBase::UpdateVertexBuffer(CVertexBuffer* vb, const void* data)
{
    if (!vb) return E_FAIL;
    if (m_pfnCallBack) m_pfnCallBack(KESTU_MESHEVENT_UPLOAD, reinterpret_cast<DWORD_PTR>(data), 0, 0);
    return vb->Copy(data, GetVertexBufferSize());
}

long CMeshDataBase::UpdateIndexBuffer(const void* data)
{
    if (!m_pIB) {
        long hr = CreateIndexBuffer(m_dwIBUsage, static_cast<D3DPOOL>(m_dwIBPool), nullptr);
        if (hr < 0) return hr;
    }
    return m_pIB->Copy(data, GetIndexBufferSize());
}

long CMeshDataBase::UpdateIndexBuffer(CIndexBuffer* ib, const void* data)
{
    if (!m_pIB || !ib) return E_FAIL;
    return ib->Copy(data, GetIndexBufferSize());
}

} // namespace Kestu
