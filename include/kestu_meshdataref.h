// Kestu::CMeshDataRef: an object's handle on shared mesh data, with the
// object's own vertex buffer that its deformed (or cached) vertices go to.
#pragma once
#include "kestu_export.h"
#include "kestu_meshdata.h"

namespace Kestu {

class KESTU_API CMeshDataRef {
public:
    CMeshDataRef() {}
    // Copies hold references of their own on the mesh data and the buffer.
    CMeshDataRef(const CMeshDataRef& other) = default;
    CMeshDataRef& operator=(const CMeshDataRef& other) = default;
    virtual ~CMeshDataRef() {}

    // Drops the held mesh data and holds a reference on the new one.
    void SetMeshData(CMeshDataBase* mesh) { m_pMeshData.Reset(mesh); }
    CMeshDataBase* GetMeshData() const { return m_pMeshData.Get(); }
    CVertexBuffer* GetVertexBuffer() const { return m_pVB.Get(); }

    // Takes mesh (when given), builds the mesh data when it is not built and
    // makes the handle's own vertex buffer. E_FAIL without mesh data.
    long Build(IDirect3DDevice8* device, CMeshDataBase* mesh = nullptr);
    // Drops the own vertex buffer on a shader path with the mesh in shader
    // mode; otherwise makes it (when missing) with the mesh's vertices.
    void CheckVertexBufUsing();
    long Render(D3DXMATRIX* palette);
    long RenderRough(D3DXMATRIX* palette, int flag);
    // Drops the own vertex buffer; the mesh data stays held.
    long Release();
    void SetMeshContext() {}
    void RestoreMeshContext() {}

private:
    // Stream 0 (and the cached frame copied into the own buffer); false when
    // nothing can draw.
    bool PrepareStreams(const D3DXMATRIX* palette);
    long MakeVertexBuffer();

    CountedRef<CVertexBuffer> m_pVB;
    CountedRef<CMeshDataBase> m_pMeshData;
};

// Strategies of mesh kinds; they carry no behaviour.
class KESTU_API IMeshStrategy {
public:
    virtual ~IMeshStrategy() {}
    virtual void Deform() {}
};
class KESTU_API CMeshStrategyDynamic : public IMeshStrategy {};
class KESTU_API CMeshStrategyStatic : public IMeshStrategy {};

} // namespace Kestu
