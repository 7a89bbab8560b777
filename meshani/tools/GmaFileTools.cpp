// The GMA file tools that change the vertex records and the material lists.
#include <new>

#include "kestu_gmatools.h"
#include "meshani/tools/GmaToolRunner.h"

namespace {

HRESULT RemoveNormals(CGmaFile& f)
{
    if (f.frames.empty() || f.header.IsNormalSkipped()) return S_FALSE;
    f.header.SetNormalSkipped(TRUE);
    // Level-of-detail data needs normals; what no section describes goes too.
    f.lod.clear();
    f.trailing.clear();
    return S_OK;
}

HRESULT ShareMaterials(CGmaFile& f)
{
    if (f.header.IsFrameShareMaterials() || f.frames.size() < 2) return S_FALSE;
    f.header.SetFrameShareMaterials(TRUE);
    f.sharedMaterials.swap(f.frames.back().materials);
    // Every head counts the shared blocks, so the file walks the same from any frame.
    for (SGmaFrame& frame : f.frames) {
        frame.materials.clear();
        frame.wNumMaterials = static_cast<WORD>(f.sharedMaterials.size());
    }
    // One record serves shared materials: the last frame's, whose blocks they are.
    if (!f.lod.empty()) {
        SMeshFrameLodInfo last = f.lod.back();
        f.lod.assign(1, last);
    }
    return S_OK;
}

HRESULT ShareTexCoord(CGmaFile& f)
{
    if (f.header.IsFrameShareTexCoord() || f.frames.size() < 2) return S_FALSE;
    try {
        const std::vector<SGMAVertex>& first = f.frames.front().vertices;
        f.sharedCoords.resize(first.size());
        for (size_t i = 0; i < first.size(); ++i) f.sharedCoords[i] = SCoords2d(first[i].u, first[i].v);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    f.header.SetFrameShareTexCoord(TRUE);
    for (SGmaFrame& frame : f.frames)
        for (SGMAVertex& v : frame.vertices) v.u = v.v = 0.0f;
    return S_OK;
}

HRESULT NoShareTexCoord(CGmaFile& f)
{
    if (!f.header.IsFrameShareTexCoord()) return S_FALSE;
    // A frame with more vertices than the shared section has no coordinates to take back.
    for (const SGmaFrame& frame : f.frames)
        if (frame.vertices.size() > f.sharedCoords.size()) return E_FAIL;
    for (SGmaFrame& frame : f.frames)
        for (size_t i = 0; i < frame.vertices.size(); ++i) {
            frame.vertices[i].u = f.sharedCoords[i].u;
            frame.vertices[i].v = f.sharedCoords[i].v;
        }
    f.sharedCoords.clear();
    f.header.SetFrameShareTexCoord(FALSE);
    return S_OK;
}

} // namespace

HRESULT GfxUtil_RemoveNormalsFormGMAFile(const char* path) { return gmatool::RunOnFile(path, RemoveNormals); }

HRESULT GfxUtil_RemoveNormalsFormGMAFileInMemory(BYTE* buffer, DWORD& size)
{
    return gmatool::RunInMemory(buffer, size, size, RemoveNormals);
}

HRESULT GfxUtil_TransformGMAFileToShareMaterials(const char* path) { return gmatool::RunOnFile(path, ShareMaterials); }

HRESULT GfxUtil_TransformGMAFileToShareMaterialsInMemory(BYTE* buffer, DWORD& size)
{
    return gmatool::RunInMemory(buffer, size, size, ShareMaterials);
}

HRESULT GfxUtil_TransformGMAFileToShareTexCoord(const char* path) { return gmatool::RunOnFile(path, ShareTexCoord); }

HRESULT GfxUtil_TransformGMAFileToShareTexCoordInMemory(BYTE* buffer, DWORD& size)
{
    return gmatool::RunInMemory(buffer, size, size, ShareTexCoord);
}

HRESULT GfxUtil_TransformGMAFileToNoShareTexCoord(const char* path)
{
    return gmatool::RunOnFile(path, NoShareTexCoord);
}

HRESULT GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(BYTE* buffer, DWORD& size, DWORD capacity)
{
    return gmatool::RunInMemory(buffer, size, capacity, NoShareTexCoord);
}

HRESULT GfxUtil_TransformGMAFileToNoShareTexCoordInMemory(BYTE* buffer, DWORD& size)
{
    return gmatool::RunInMemory(buffer, size, size, NoShareTexCoord);
}
