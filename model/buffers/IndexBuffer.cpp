#include <cstring>

#include "kestu_meshbuffer.h"
#include "model/buffers/ComShare.h"

namespace Kestu {

CIndexBuffer::CIndexBuffer(IDirect3DDevice8* device, DWORD length, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                           const void* data)
    : m_pDevice(device), m_Format(format), m_Pool(pool), m_dwUsage(usage), m_dwLength(length)
{
    Build();
    if (data) Copy(data, length);
}

CIndexBuffer::~CIndexBuffer()
{
    if (m_pIB) m_pIB->Release();
}

CIndexBuffer& CIndexBuffer::operator=(const CIndexBuffer& other)
{
    if (this == &other) return *this;
    m_pDevice = other.m_pDevice;
    m_Format = other.m_Format;
    m_Pool = other.m_Pool;
    m_dwUsage = other.m_dwUsage;
    m_dwLength = other.m_dwLength;
    m_bBuilt = other.m_bBuilt;
    ShareCom(m_pIB, other.m_pIB);
    return *this;
}

long CIndexBuffer::Build()
{
    if (m_bBuilt) return 0;
    if (!m_pDevice) return E_FAIL;
    const HRESULT hr = m_pDevice->CreateIndexBuffer(m_dwLength, m_dwUsage, m_Format, m_Pool, &m_pIB);
    if (SUCCEEDED(hr) && m_pIB)
        m_bBuilt = 1;
    else
        m_pIB = nullptr;
    return hr;
}

long CIndexBuffer::Build(IDirect3DDevice8* device)
{
    m_pDevice = device;
    return Build();
}

long CIndexBuffer::Copy(const void* data, DWORD size)
{
    if (!m_pIB || !data || size > m_dwLength) return E_FAIL;
    BYTE* bits = nullptr;
    HRESULT hr = m_pIB->Lock(0, 0, &bits, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(bits, data, size);
    m_pIB->Unlock();
    return 0;
}

long CIndexBuffer::Copy(CIndexBuffer* source)
{
    if (!m_pIB || !source || !source->m_pIB || source->m_dwLength < m_dwLength) return E_FAIL;
    BYTE* from = nullptr;
    const HRESULT hr = source->m_pIB->Lock(0, 0, &from, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    BYTE* to = nullptr;
    if (SUCCEEDED(m_pIB->Lock(0, 0, &to, 0))) {
        std::memcpy(to, from, m_dwLength);
        m_pIB->Unlock();
    }
    source->m_pIB->Unlock();
    return hr;
}

} // namespace Kestu
