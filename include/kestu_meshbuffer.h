// Reference-counted vertex and index buffers of the skeletal mesh data: on
// the device, and vertices in system memory (the form deformed frames are
// cached in). A buffer starts with count 0; its first keeper adds the first
// reference, and the last Release destroys it. Make them with new.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>

#include <vector>

namespace Kestu {

class CMemVertexBuffer;

// The reference count of a buffer: the last Release destroys it (a buffer
// nobody referenced is destroyed by its first Release).
class KESTU_API CCountedBuffer {
public:
    CCountedBuffer() {}
    CCountedBuffer(const CCountedBuffer&) = delete;
    CCountedBuffer& operator=(const CCountedBuffer&) { return *this; } // counts are never copied

    DWORD AddRef() { return ++m_dwRef; }
    DWORD GetRef() const { return m_dwRef; }
    DWORD Release();

protected:
    virtual ~CCountedBuffer() {}

private:
    DWORD m_dwRef = 0;
};

class KESTU_API CVertexBuffer : public CCountedBuffer {
public:
    CVertexBuffer() {}
    CVertexBuffer(IDirect3DDevice8* device, DWORD length, DWORD fvf, DWORD stride, DWORD usage, D3DPOOL pool,
                  const void* data);
    // Takes the description and shares the source's Direct3D buffer; the
    // reference count stays this object's.
    CVertexBuffer& operator=(const CVertexBuffer& other);

    long Build();
    long Build(IDirect3DDevice8* device);
    // Copies size bytes into the whole locked buffer; E_FAIL when not built
    // or size exceeds the length.
    long Copy(const void* data, DWORD size);
    long Copy(const CMemVertexBuffer* source);

    int IsBuilt() const { return m_bBuilt; }
    DWORD GetStamp() const { return m_dwStamp; }
    void SetStamp(DWORD stamp) { m_dwStamp = stamp; }
    DWORD GetStride() const { return m_dwStride; }
    DWORD GetFVF() const { return m_dwFVF; }
    DWORD GetLength() const { return m_dwLength; }
    IDirect3DVertexBuffer8* GetVtxBuf() const { return m_pVB; }
    operator IDirect3DVertexBuffer8*() const { return m_pVB; }

protected:
    ~CVertexBuffer() override;

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    IDirect3DVertexBuffer8* m_pVB = nullptr;
    DWORD m_dwFVF = 0x112;
    DWORD m_dwStride = 32;
    D3DPOOL m_Pool = D3DPOOL_MANAGED;
    DWORD m_dwUsage = 0;
    DWORD m_dwLength = 0;
    DWORD m_bBuilt = 0;
    DWORD m_dwStamp = 0xFFFFFFFF;
};

class KESTU_API CIndexBuffer : public CCountedBuffer {
public:
    CIndexBuffer() {}
    CIndexBuffer(IDirect3DDevice8* device, DWORD length, D3DFORMAT format, DWORD usage, D3DPOOL pool, const void* data);
    CIndexBuffer& operator=(const CIndexBuffer& other);

    long Build();
    long Build(IDirect3DDevice8* device);
    // E_FAIL without a Direct3D buffer, without data or for more bytes than the length.
    long Copy(const void* data, DWORD size);
    // Copies this buffer's length from a source at least as long.
    long Copy(CIndexBuffer* source);

    int IsBuilt() const { return m_bBuilt; }
    D3DFORMAT GetFormat() const { return m_Format; }
    DWORD GetLength() const { return m_dwLength; }
    IDirect3DIndexBuffer8* GetIdxBuf() const { return m_pIB; }
    operator IDirect3DIndexBuffer8*() const { return m_pIB; }

protected:
    ~CIndexBuffer() override;

private:
    IDirect3DDevice8* m_pDevice = nullptr;
    IDirect3DIndexBuffer8* m_pIB = nullptr;
    D3DFORMAT m_Format = D3DFMT_INDEX16;
    D3DPOOL m_Pool = D3DPOOL_MANAGED;
    DWORD m_dwUsage = 0;
    DWORD m_dwLength = 0;
    DWORD m_bBuilt = 0;
};

class KESTU_API CMemVertexBuffer : public CCountedBuffer {
public:
    CMemVertexBuffer() {}
    CMemVertexBuffer(DWORD length, DWORD fvf, DWORD stride, DWORD usage, D3DPOOL pool, const void* data);
    // Takes the description and a copy of the source's vertices; the
    // reference count stays this object's.
    CMemVertexBuffer& operator=(const CMemVertexBuffer& other);

    long Build();
    // E_FAIL when size exceeds the length.
    long Copy(const void* data, DWORD size);
    BYTE* GetBuffer() { return m_data.empty() ? nullptr : m_data.data(); }
    const BYTE* GetBuffer() const { return m_data.empty() ? nullptr : m_data.data(); }

    int IsBuilt() const { return m_bBuilt; }
    DWORD GetStamp() const { return m_dwStamp; }
    void SetStamp(DWORD stamp) { m_dwStamp = stamp; }
    DWORD GetStride() const { return m_dwStride; }
    DWORD GetFVF() const { return m_dwFVF; }
    DWORD GetLength() const { return m_dwLength; }

protected:
    ~CMemVertexBuffer() override {}

private:
    std::vector<BYTE> m_data;
    DWORD m_dwFVF = 0x112;
    DWORD m_dwStride = 32;
    D3DPOOL m_Pool = D3DPOOL_MANAGED;
    DWORD m_dwUsage = 0;
    DWORD m_dwLength = 0;
    DWORD m_bBuilt = 0;
    DWORD m_dwStamp = 0xFFFFFFFF;
};

// Holds one reference on a counted buffer (or mesh data): copies add one,
// destruction and reassignment give theirs back.
template <class T>
class CountedRef {
public:
    CountedRef() {}
    CountedRef(T* p) : m_p(p) { Take(); }
    CountedRef(const CountedRef& o) : m_p(o.m_p) { Take(); }
    CountedRef& operator=(const CountedRef& o)
    {
        Reset(o.m_p);
        return *this;
    }
    ~CountedRef() { Drop(); }
    void Reset(T* p = nullptr)
    {
        if (p == m_p) return;
        T* old = m_p;
        m_p = p;
        Take();
        if (old) old->Release();
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    void Take()
    {
        if (m_p) m_p->AddRef();
    }
    void Drop()
    {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    T* m_p = nullptr;
};

} // namespace Kestu
