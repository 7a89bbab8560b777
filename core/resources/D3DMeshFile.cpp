#include "core/resources/D3DMeshFile.h"

#include <cstring>
#include <new>
#include <vector>

#include "core/device/DeviceState.h"
#include "ou_strings.h"
#include "windows.h"

namespace {

template <class T>
void SafeRelease(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

// The object's name converted into a 512-byte buffer; a longer name is cut
// to 511 bytes rather than failing the load.
HRESULT ReadName(IDirectXFileData* data, char* out)
{
    std::vector<char> buffer(512, '\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    HRESULT hr = data->GetName(buffer.data(), &length);
    if (FAILED(hr) && length > buffer.size()) {
        buffer.assign(length, '\0');
        hr = data->GetName(buffer.data(), &length);
    }
    if (FAILED(hr)) return hr;
    buffer.back() = '\0';
    if (buffer.size() > 512) buffer[511] = '\0';
    DXUtil_ConvertAnsiStringToGenericCb(out, buffer.data(), 512);
    out[511] = '\0';
    return S_OK;
}

} // namespace

CD3DMeshFrame::CD3DMeshFrame(const char* name)
{
    m_strName[0] = '\0';
    if (name) OU_SafeStrCpy(m_strName, sizeof(m_strName), name);
    m_strName[sizeof(m_strName) - 1] = '\0';
    D3DXMatrixIdentity(&m_mat);
}

CD3DMeshFrame::~CD3DMeshFrame()
{
    // The mesh goes with its frame even when Destroy was not called first.
    delete m_pMesh;
    delete m_pChild;
    delete m_pNext;
}

bool CD3DMeshFrame::ForEachMesh(bool (*callback)(CD3DMesh*, void*), void* context)
{
    if (m_pMesh) callback(m_pMesh, context);
    if (m_pChild) m_pChild->ForEachMesh(callback, context);
    if (m_pNext) m_pNext->ForEachMesh(callback, context);
    return true;
}

CD3DMesh* CD3DMeshFrame::FindMeshByName(const char* name)
{
    if (m_pMesh && lstrcmpiA(m_pMesh->m_strName, name) == 0) return m_pMesh;
    if (m_pChild)
        if (CD3DMesh* m = m_pChild->FindMeshByName(name)) return m;
    if (m_pNext)
        if (CD3DMesh* m = m_pNext->FindMeshByName(name)) return m;
    return nullptr;
}

CD3DMeshFrame* CD3DMeshFrame::FindFrameByName(const char* name)
{
    if (lstrcmpiA(m_strName, name) == 0) return this;
    if (m_pChild)
        if (CD3DMeshFrame* f = m_pChild->FindFrameByName(name)) return f;
    if (m_pNext)
        if (CD3DMeshFrame* f = m_pNext->FindFrameByName(name)) return f;
    return nullptr;
}

HRESULT CD3DMeshFrame::Destroy()
{
    if (m_pMesh) m_pMesh->Destroy();
    if (m_pChild) m_pChild->Destroy();
    if (m_pNext) m_pNext->Destroy();
    delete m_pMesh;
    m_pMesh = nullptr;
    delete m_pNext;
    m_pNext = nullptr;
    delete m_pChild;
    m_pChild = nullptr;
    return S_OK;
}

HRESULT CD3DMeshFrame::RestoreDeviceObjects(IDirect3DDevice8* device)
{
    if (m_pMesh) m_pMesh->RestoreDeviceObjects(device);
    if (m_pChild) m_pChild->RestoreDeviceObjects(device);
    if (m_pNext) m_pNext->RestoreDeviceObjects(device);
    return S_OK;
}

HRESULT CD3DMeshFrame::InvalidateDeviceObjects()
{
    if (m_pMesh) m_pMesh->InvalidateDeviceObjects();
    if (m_pChild) m_pChild->InvalidateDeviceObjects();
    if (m_pNext) m_pNext->InvalidateDeviceObjects();
    return S_OK;
}

HRESULT CD3DMeshFrame::Render(IDirect3DDevice8* device, bool opaque, bool translucent, const D3DXMATRIX* parentWorld)
{
    kestu::StateScope scope(device);
    const D3DMATRIX* kept = scope.KeepTransform(D3DTS_WORLD, parentWorld);
    if (!kept) return E_FAIL;
    const D3DXMATRIX saved(*kept);
    // Siblings share the parent's matrix: a loop keeps the stack to the depth
    // of the tree, however many siblings a file holds.
    for (CD3DMeshFrame* frame = this; frame; frame = frame->m_pNext) {
        D3DXMATRIX world;
        D3DXMatrixMultiply(&world, &frame->m_mat, &saved);
        device->SetTransform(D3DTS_WORLD, &world);
        if (frame->m_pMesh) frame->m_pMesh->Render(device, opaque, translucent);
        if (frame->m_pChild) frame->m_pChild->Render(device, opaque, translucent, &world);
    }
    return S_OK;
}

HRESULT CD3DMeshFile::Load(IDirect3DDevice8* device, void* source, DXFILELOADOPTIONS options)
{
    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file)) || !file) return E_FAIL;
    if (FAILED(file->RegisterTemplates(const_cast<unsigned char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES))) {
        file->Release();
        return E_FAIL;
    }
    IDirectXFileEnumObject* enumerator = nullptr;
    HRESULT hr = file->CreateEnumObject(source, options, &enumerator);
    if (FAILED(hr)) {
        file->Release();
        return hr;
    }
    IDirectXFileData* data = nullptr;
    while (SUCCEEDED(enumerator->GetNextDataObject(&data)) && data) {
        hr = LoadFrameObject(device, data, this);
        SafeRelease(data);
        if (FAILED(hr)) {
            enumerator->Release();
            file->Release();
            return E_FAIL;
        }
    }
    enumerator->Release();
    file->Release();
    return S_OK;
}

HRESULT CD3DMeshFile::LoadFromFile(IDirect3DDevice8* device, const char* fileName)
{
    char path[260] = {};
    char ansiPath[260] = {};
    DXUtil_FindMediaFileCb(path, sizeof(path), fileName ? fileName : "");
    DXUtil_ConvertGenericStringToAnsiCb(ansiPath, path, sizeof(ansiPath));
    return Load(device, ansiPath, DXFILELOAD_FROMFILE);
}

HRESULT CD3DMeshFile::LoadFromResource(IDirect3DDevice8* device, const char* resourceName, const char* resourceType)
{
    char typeAnsi[260] = {};
    DXUtil_ConvertGenericStringToAnsiCb(typeAnsi, resourceType ? resourceType : "", sizeof(typeAnsi));
    DXFILELOADRESOURCE resource{};
    resource.hModule = nullptr;
    resource.lpName = resourceName;
    resource.lpType = typeAnsi;
    return Load(device, &resource, DXFILELOAD_FROMRESOURCE);
}

HRESULT CD3DMeshFile::LoadFrameObject(IDirect3DDevice8* device, IDirectXFileData* data, CD3DMeshFrame* parent)
{
    const GUID* type = nullptr;
    HRESULT hr = data->GetType(&type);
    if (FAILED(hr)) return hr;
    if (!type) return S_OK;

    if (*type == TID_D3DRMMesh) {
        hr = LoadMeshObject(device, data, parent);
        if (FAILED(hr)) return hr;
    } else if (*type == TID_D3DRMFrameTransformMatrix) {
        DWORD size = 0;
        void* pointer = nullptr;
        hr = data->GetData(nullptr, &size, &pointer);
        if (FAILED(hr)) return hr;
        if (pointer && size >= sizeof(float) * 16) std::memcpy(&parent->m_mat, pointer, sizeof(float) * 16);
    } else if (*type == TID_D3DRMFrame) {
        char name[512] = {};
        hr = ReadName(data, name);
        if (FAILED(hr)) return hr;
        auto* frame = new (std::nothrow) CD3DMeshFrame(name);
        if (!frame) return E_OUTOFMEMORY;
        frame->m_pNext = parent->m_pChild;
        parent->m_pChild = frame;

        IDirectXFileObject* child = nullptr;
        while (SUCCEEDED(data->GetNextObject(&child)) && child) {
            IDirectXFileData* childData = nullptr;
            hr = S_OK;
            if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData))) &&
                childData) {
                hr = LoadFrameObject(device, childData, frame);
                childData->Release();
            }
            SafeRelease(child);
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

HRESULT CD3DMeshFile::LoadMeshObject(IDirect3DDevice8* device, IDirectXFileData* data, CD3DMeshFrame* parent)
{
    if (parent->m_pMesh) return E_FAIL;
    char name[512] = {};
    HRESULT hr = ReadName(data, name);
    if (FAILED(hr)) return hr;
    parent->m_pMesh = new (std::nothrow) CD3DMesh(name);
    if (!parent->m_pMesh) return E_OUTOFMEMORY;
    parent->m_pMesh->Create(device, data);
    return S_OK;
}

HRESULT CD3DMeshFile::Render(IDirect3DDevice8* device, const D3DXMATRIX* world)
{
    kestu::StateScope scope(device);
    const D3DMATRIX* kept = scope.KeepTransform(D3DTS_WORLD, world);
    if (!kept) return E_FAIL;
    const D3DXMATRIX saved(*kept);
    D3DXMATRIX combined;
    D3DXMatrixMultiply(&combined, &saved, &m_mat);
    device->SetTransform(D3DTS_WORLD, &combined);
    if (m_pChild) m_pChild->Render(device, true, false, &combined);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (m_pChild) m_pChild->Render(device, false, true, &combined);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    return S_OK;
}
