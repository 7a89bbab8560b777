#include <cstring>

#include "kestu_meshbuffer.h"
#include "model/buffers/ComShare.h"

namespace Kestu {

CVertexBuffer::CVertexBuffer(IDirect3DDevice8* device, DWORD length, DWORD fvf, DWORD stride, DWORD usage, D3DPOOL pool,
                             const void* data)
    : m_pDevice(device), m_dwFVF(fvf), m_dwStride(stride), m_Pool(pool), m_dwUsage(usage), m_dwLength(length)
{
    Build();
    if (data) Copy(data, length);
}

CVertexBuffer::~CVertexBuffer()
{
    if (m_pVB) m_pVB->Release();
}

CVertexBuffer& CVertexBuffer::operator=(const CVertexBuffer& other)
{
    if (this == &other) return *this;
    m_pDevice = other.m_pDevice;
    m_dwFVF = other.m_dwFVF;
    m_dwStride = other.m_dwStride;
    m_Pool = other.m_Pool;
    m_dwUsage = other.m_dwUsage;
    m_dwLength = other.m_dwLength;
    m_bBuilt = other.m_bBuilt;
    m_dwStamp = other.m_dwStamp;
    ShareCom(m_pVB, other.m_pVB);
    return *this;
}

long CVertexBuffer::Build()
{
    if (m_bBuilt) return 0;
    if (!m_pDevice) return E_FAIL;
    const HRESULT hr = m_pDevice->CreateVertexBuffer(m_dwLength, m_dwUsage, m_dwFVF, m_Pool, &m_pVB);
    if (SUCCEEDED(hr) && m_pVB)
        m_bBuilt = 1;
    else
        m_pVB = nullptr;
    return hr;
}

long CVertexBuffer::Build(IDirect3DDevice8* device)
{
    m_pDevice = device;
    return Build();
}

long CVertexBuffer::Copy(const void* data, DWORD size)
{
    if (!m_bBuilt || !m_pVB || !data || size > m_dwLength) return E_FAIL;
    BYTE* bits = nullptr;
    HRESULT hr = m_pVB->Lock(0, 0, &bits, 0);
    if (FAILED(hr)) {
        OutputDebugStringA("Lock vb failed!\n\r");
        return hr;
    }
    std::memcpy(bits, data, size);
    hr = m_pVB->Unlock();
    if (FAILED(hr)) OutputDebugStringA("Unlock vb failed!\n\r");
    return hr;
}

long CVertexBuffer::Copy(const CMemVertexBuffer* source)
{
    if (!source || source->GetLength() < m_dwLength) return E_FAIL;
    return Copy(source->GetBuffer(), m_dwLength);
}

} // namespace Kestu
