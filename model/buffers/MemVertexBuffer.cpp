#include <cstring>

#include "kestu_meshbuffer.h"

namespace Kestu {

CMemVertexBuffer::CMemVertexBuffer(DWORD length, DWORD fvf, DWORD stride, DWORD usage, D3DPOOL pool, const void* data)
    : m_dwFVF(fvf), m_dwStride(stride), m_Pool(pool), m_dwUsage(usage), m_dwLength(length)
{
    Build();
    if (data) Copy(data, length);
}

CMemVertexBuffer& CMemVertexBuffer::operator=(const CMemVertexBuffer& other)
{
    if (this == &other) return *this;
    m_dwFVF = other.m_dwFVF;
    m_dwStride = other.m_dwStride;
    m_Pool = other.m_Pool;
    m_dwUsage = other.m_dwUsage;
    m_dwLength = other.m_dwLength;
    m_bBuilt = other.m_bBuilt;
    m_dwStamp = other.m_dwStamp;
    m_data = other.m_data;
    m_data.resize(m_dwLength);
    return *this;
}

long CMemVertexBuffer::Build()
{
    if (m_data.size() != m_dwLength) m_data.resize(m_dwLength);
    return 0;
}

long CMemVertexBuffer::Copy(const void* data, DWORD size)
{
    if (size > m_dwLength || (size && !data)) return E_FAIL;
    if (m_data.size() < m_dwLength) m_data.resize(m_dwLength);
    if (size) std::memcpy(m_data.data(), data, size);
    return 0;
}

} // namespace Kestu
