#include "kestu_meshdata_kinds.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

CMeshDataBase* ReadMeshDataChunk(COUArchive& ar, DWORD& byteCount, DWORD version, DWORD flags, DWORD materialVersion,
                                 int materialFlag, CMeshDataMng* manager, long* result)
{
    if (result) *result = E_FAIL;
    SMeshDataBase head;
    try {
        char tag[8];
        record::Tag(ar, 0, nullptr, tag, byteCount);
        DWORD* words[] = {&head.dwVertexStride, &head.dwVertexFVF,      &head.dwPrimitiveType,
                          &head.dwVerticesNum,  &head.dwIndicesNum,     &head.dwIndexFormat,
                          &head.dwSpare,        &head.dwPrimitiveCount, &head.dwMeshType};
        for (DWORD* word : words) record::U32(ar, 0, *word, byteCount);
    } catch (HRESULT) {
        return nullptr;
    }
    CMeshDataBase* mesh = nullptr;
    switch (head.dwMeshType) {
    case KESTU_MESHTYPE_NULL: mesh = new CMeshDataNull(head); break;
    case KESTU_MESHTYPE_DYNAMIC: mesh = new CMeshDataDynamic(head); break;
    case KESTU_MESHTYPE_STATIC: mesh = new CMeshDataStatic(head); break;
    default:
        // Not a damaged chunk: the caller goes on without mesh data.
        OutputDebugStringA("Error Mesh Type!\n");
        if (result) *result = 0;
        return nullptr;
    }
    mesh->SetMeshDataMng(manager);
    if (mesh->Serialize(version, flags, ar, byteCount, materialVersion, 0, materialFlag) < 0) {
        mesh->Release();
        return nullptr;
    }
    if (result) *result = 1;
    return mesh;
}

} // namespace Kestu
