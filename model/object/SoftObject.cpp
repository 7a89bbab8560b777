#include "kestu_meshdata_kinds.h"
#include "kestu_object.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

CSoftObject& CSoftObject::operator=(const CSoftObject& other)
{
    CBaseObject::operator=(other);
    m_MeshRef.SetMeshData(other.m_MeshRef.GetMeshData());
    return *this;
}

long CSoftObject::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag)
{
    long hr = CBaseObject::Serialize(ar, byteCount, version, store, flag);
    if (hr < 0) return hr;
    if (store) {
        if (CMeshDataBase* mesh = m_MeshRef.GetMeshData())
            return mesh->Serialize(m_dwMSDVersion, m_dwMSDFlag, ar, byteCount, version, 1, flag) < 0 ? E_FAIL : 0;
        // The reader always expects a chunk: an object without mesh data
        // writes an empty one of the null kind.
        CMeshDataNull* empty = new CMeshDataNull();
        empty->AddRef();
        hr = empty->Serialize(m_dwMSDVersion, m_dwMSDFlag, ar, byteCount, version, 1, flag);
        empty->Release();
        return hr < 0 ? E_FAIL : 0;
    }
    m_MeshRef.Release();
    m_MeshRef.SetMeshData(nullptr);
    long result = 0;
    CMeshDataBase* mesh =
        ReadMeshDataChunk(ar, byteCount, m_dwMSDVersion, m_dwMSDFlag, version, flag, nullptr, &result);
    m_bMeshFromArchive = 1;
    if (result < 0) return E_FAIL;
    m_MeshRef.SetMeshData(mesh);
    return 0;
}

long CSoftObject::Render(IDirect3DDevice8*)
{
    if (m_bVisible) m_MeshRef.Render(GetMatrixList());
    return 0;
}

long CSoftObject::RenderRough(IDirect3DDevice8*, int mode)
{
    if (m_bVisible) m_MeshRef.RenderRough(GetMatrixList(), mode);
    return E_FAIL;
}

} // namespace Kestu
