// Turning a right-handed GMA file into the left-handed form with frame bound boxes.
#include <utility>

#include "kestu_gmatools.h"
#include "meshani/tools/GmaToolRunner.h"

HRESULT GfxUtil_PreprocessGMA(const char* path, BOOL removeNormals, BOOL computeBoxes)
{
    return gmatool::RunOnFile(path, [removeNormals, computeBoxes](CGmaFile& f) -> HRESULT {
        SMeshAniHeader& h = f.header;
        const bool prepared = h.IsLeftHandCoordSystem() && h.IsFrameBoundBox();
        if (f.frames.empty() || (prepared && !computeBoxes && (!removeNormals || h.IsNormalSkipped()))) return S_FALSE;
        if (removeNormals && !h.IsNormalSkipped()) {
            h.SetNormalSkipped(TRUE);
            f.lod.clear();
            f.trailing.clear();
        }
        if (!h.IsLeftHandCoordSystem()) {
            D3DXMATRIX turn;
            D3DXMatrixRotationX(&turn, -D3DX_PI / 2);
            const bool normals = !h.IsNormalSkipped();
            for (SGmaFrame& frame : f.frames)
                for (SGMAVertex& v : frame.vertices) {
                    D3DXVec3TransformCoord(&v.p, &v.p, &turn);
                    if (normals) {
                        D3DXVec3TransformCoord(&v.n, &v.n, &turn);
                        D3DXVec3Normalize(&v.n, &v.n);
                    }
                }
            // Each material list once: shared blocks are not turned once per frame.
            for (DWORD list = 0; list < f.GetNumMaterialLists(); ++list)
                for (SGmaMaterial& m : f.GetMaterials(list))
                    for (SMeshFaceInit& face : m.faces) std::swap(face.wIndex[1], face.wIndex[2]);
            // Bytes no section described could be taken for LOD data once left-handed.
            f.trailing.clear();
        }
        f.boundBoxes.resize(f.frames.size());
        for (size_t i = 0; i < f.frames.size(); ++i) {
            f.boundBoxes[i].Reset();
            for (const SGMAVertex& v : f.frames[i].vertices) f.boundBoxes[i].AddPoint(&v.p);
        }
        h.SetLeftHandCoordSystem(TRUE);
        h.SetFrameBoundBox(TRUE);
        return S_OK;
    });
}
