#include <cstring>
#include <new>

#include "kestu_d3dmesh.h"
#include "ou_strings.h"
#include "core/device/DeviceUnbind.h"

namespace {

template <class T>
void SafeRelease(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

} // namespace

CD3DMesh::CD3DMesh(const char* name)
{
    m_strName[0] = '\0';
    if (name) OU_SafeStrCpy(m_strName, sizeof(m_strName), name);
    m_strName[sizeof(m_strName) - 1] = '\0';
    m_pSysMemMesh = nullptr;
    m_pLocalMesh = nullptr;
    m_dwNumMaterials = 0;
    m_pMaterials = nullptr;
    m_pTextures = nullptr;
    m_bUseMaterials = true;
}

CD3DMesh::~CD3DMesh() { Destroy(); }

HRESULT CD3DMesh::Create(IDirect3DDevice8* device, const char* fileName)
{
    // A mesh loaded again lets go of what it held.
    Destroy();
    char path[260] = {};
    DXUtil_FindMediaFileCb(path, sizeof(path), fileName ? fileName : "");
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    HRESULT hr =
        D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, device, &adjacency, &materials, &m_dwNumMaterials, &m_pSysMemMesh);
    if (FAILED(hr)) {
        m_dwNumMaterials = 0;
        return hr;
    }
    return TakeMaterials(device, adjacency, materials);
}

HRESULT CD3DMesh::Create(IDirect3DDevice8* device, IDirectXFileData* data)
{
    Destroy();
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    HRESULT hr = D3DXLoadMeshFromXof(data, D3DXMESH_SYSTEMMEM, device, &adjacency, &materials, &m_dwNumMaterials,
                                     &m_pSysMemMesh);
    if (FAILED(hr)) {
        m_dwNumMaterials = 0;
        return hr;
    }
    return TakeMaterials(device, adjacency, materials);
}

HRESULT CD3DMesh::TakeMaterials(IDirect3DDevice8* device, ID3DXBuffer* adjacency, ID3DXBuffer* materials)
{
    HRESULT hr = m_pSysMemMesh->OptimizeInplace(
        D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
        adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr, nullptr, nullptr, nullptr);
    if (FAILED(hr)) {
        SafeRelease(adjacency);
        SafeRelease(materials);
        return hr;
    }

    hr = S_OK;
    if (materials && m_dwNumMaterials > 0) {
        m_pMaterials = new (std::nothrow) D3DMATERIAL8[m_dwNumMaterials];
        m_pTextures = m_pMaterials ? new (std::nothrow) IDirect3DTexture8*[m_dwNumMaterials] : nullptr;
        if (!m_pMaterials || !m_pTextures) {
            hr = E_OUTOFMEMORY;
        } else {
            const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
            for (DWORD i = 0; i < m_dwNumMaterials; ++i) {
                m_pMaterials[i] = records[i].MatD3D;
                m_pTextures[i] = nullptr;
                if (!records[i].pTextureFilename) continue;
                char name[260] = {};
                char path[260] = {};
                DXUtil_ConvertAnsiStringToGenericCb(name, records[i].pTextureFilename, sizeof(name));
                DXUtil_FindMediaFileCb(path, sizeof(path), name);
                if (FAILED(D3DXCreateTextureFromFileA(device, path, &m_pTextures[i]))) m_pTextures[i] = nullptr;
            }
        }
    }
    if (hr == E_OUTOFMEMORY) {
        // The arrays must match the count that Render and Destroy walk.
        delete[] m_pMaterials;
        delete[] m_pTextures;
        m_pMaterials = nullptr;
        m_pTextures = nullptr;
        m_dwNumMaterials = 0;
    }
    if (!m_pMaterials) m_dwNumMaterials = 0;
    SafeRelease(adjacency);
    SafeRelease(materials);
    return hr;
}

HRESULT CD3DMesh::SetVertexShader(IDirect3DDevice8* device, DWORD fvf)
{
    ID3DXMesh* newSystem = nullptr;
    ID3DXMesh* newLocal = nullptr;
    if (m_pSysMemMesh && FAILED(m_pSysMemMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, fvf, device, &newSystem)))
        return E_FAIL;
    if (m_pLocalMesh && FAILED(m_pLocalMesh->CloneMeshFVF(0, fvf, device, &newLocal))) {
        SafeRelease(newSystem);
        return E_FAIL;
    }
    SafeRelease(m_pSysMemMesh);
    SafeRelease(m_pLocalMesh);
    if (newSystem) m_pSysMemMesh = newSystem;
    if (newLocal) m_pLocalMesh = newLocal;
    if (m_pSysMemMesh) D3DXComputeNormals(m_pSysMemMesh, nullptr);
    if (m_pLocalMesh) D3DXComputeNormals(m_pLocalMesh, nullptr);
    return S_OK;
}

HRESULT CD3DMesh::RestoreDeviceObjects(IDirect3DDevice8* device)
{
    if (!m_pSysMemMesh) return E_FAIL;
    SafeRelease(m_pLocalMesh);
    if (FAILED(m_pSysMemMesh->CloneMeshFVF(0, m_pSysMemMesh->GetFVF(), device, &m_pLocalMesh))) {
        m_pLocalMesh = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CD3DMesh::InvalidateDeviceObjects()
{
    if (m_pLocalMesh) {
        IDirect3DVertexBuffer8* vb = nullptr;
        IDirect3DIndexBuffer8* ib = nullptr;
        if (SUCCEEDED(m_pLocalMesh->GetVertexBuffer(&vb)) && vb) {
            UnbindFromDevice(vb);
            vb->Release();
        }
        if (SUCCEEDED(m_pLocalMesh->GetIndexBuffer(&ib)) && ib) {
            UnbindFromDevice(ib);
            ib->Release();
        }
    }
    SafeRelease(m_pLocalMesh);
    return S_OK;
}

HRESULT CD3DMesh::Destroy()
{
    InvalidateDeviceObjects();
    if (m_pTextures) {
        for (DWORD i = 0; i < m_dwNumMaterials; ++i) SafeRelease(m_pTextures[i]);
    }
    delete[] m_pTextures;
    m_pTextures = nullptr;
    delete[] m_pMaterials;
    m_pMaterials = nullptr;
    SafeRelease(m_pSysMemMesh);
    m_dwNumMaterials = 0;
    return S_OK;
}

HRESULT CD3DMesh::Render(IDirect3DDevice8* device, bool drawOpaque, bool drawTranslucent)
{
    if (!m_pLocalMesh || !device) return E_FAIL;
    if (drawOpaque) {
        for (DWORD i = 0; i < m_dwNumMaterials; ++i) {
            if (m_bUseMaterials) {
                if (m_pMaterials[i].Diffuse.a < 1.0f) continue;
                device->SetMaterial(&m_pMaterials[i]);
                device->SetTexture(0, m_pTextures[i]);
            }
            m_pLocalMesh->DrawSubset(i);
        }
    }
    if (drawTranslucent && m_bUseMaterials) {
        for (DWORD i = 0; i < m_dwNumMaterials; ++i) {
            if (m_pMaterials[i].Diffuse.a == 1.0f) continue;
            device->SetMaterial(&m_pMaterials[i]);
            device->SetTexture(0, m_pTextures[i]);
            m_pLocalMesh->DrawSubset(i);
        }
    }
    return S_OK;
}
