// The frames of a GMA mesh as Direct3D vertex buffers: CMeshFrame holds one
// frame, CAniMeshContainer all of them plus the shared texture coordinates.
// Containers are counted so that meshes of one mesh id share one, can be
// cloned into a copy a caller may change, and survive a lost device.
#pragma once
#include <cstdio>
#include <memory>
#include <vector>

#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include "kestu_export.h"
#include "kestu_bound.h"
#include "kestu_gmafile.h"

// A view on vertices: format, stride, count, the base address and the
// address of the first vertex's position, normal, diffuse colour and texture
// coordinates (null when the format lacks them).
struct KESTU_API SGmaVerticesEntry {
    DWORD dwFVF;
    DWORD dwStride;
    DWORD dwNumVertices;
    BYTE* pBase;
    BYTE* pPos;
    BYTE* pNormal;
    BYTE* pDiffuse;
    BYTE* pTexCoord;

    SGmaVerticesEntry();
    // Stride by format: 0x42 16, 0x52 28, 0x100 8, 0x142 24, any other 36.
    void Init(DWORD format, DWORD count, BYTE* base);

    // Vertex i's components (the format must have them).
    D3DXVECTOR3& Pos(DWORD i) const { return *reinterpret_cast<D3DXVECTOR3*>(pPos + size_t(i) * dwStride); }
    D3DXVECTOR3& Normal(DWORD i) const { return *reinterpret_cast<D3DXVECTOR3*>(pNormal + size_t(i) * dwStride); }
    DWORD& Diffuse(DWORD i) const { return *reinterpret_cast<DWORD*>(pDiffuse + size_t(i) * dwStride); }
    SCoords2d& TexCoord(DWORD i) const { return *reinterpret_cast<SCoords2d*>(pTexCoord + size_t(i) * dwStride); }
};

// How a container and its frames keep their vertices.
struct KESTU_API SGmaVertexStore {
    D3DPOOL pool = D3DPOOL_MANAGED;
    float scale = 1.0f;
    BOOL autoRestore = TRUE;
    BOOL normalSkipped = FALSE;
    BOOL coordSkipped = FALSE; // the texture coordinates live in the shared buffer

    // The default pool with auto restore: a system-memory copy is what changes
    // and what the device buffer is made from again.
    bool DefaultWithRestore() const { return pool == D3DPOOL_DEFAULT && autoRestore; }
    DWORD GetFVF() const;
    DWORD GetStride() const;
};

// Called on each frame's copied vertices while a container is cloned.
typedef void (*LPGMACLONECALLBACK)(SGmaVerticesEntry* vertices, DWORD frame, void* user);

class KESTU_API CMeshFrame {
public:
    CMeshFrame();
    virtual ~CMeshFrame();
    CMeshFrame(const CMeshFrame&) = delete;
    CMeshFrame& operator=(const CMeshFrame&) = delete;

    // Builds the frame from a read file frame. S_FALSE for a frame without
    // vertices (which keeps its position), E_FAIL when the file shares
    // coordinates, the frame keeps them and sharedCoords does not cover it.
    HRESULT Build(const SGmaFrame& fileFrame, IDirect3DDevice8* device, BOOL fileNormalSkipped, BOOL fileCoordShared,
                  D3DPOOL pool, float scale, BOOL autoRestore, BOOL flip, BOOL computeBox, BOOL normalSkipped,
                  BOOL coordSkipped, const std::vector<SCoords2d>* sharedCoords);
    void Release();
    // Default pool with auto restore: the device buffer from the restore copy.
    HRESULT Restore();
    HRESULT Invalidate();

    HRESULT BeginAccessVertices(SGmaVerticesEntry* entry);
    HRESULT EndAccessVertices(BOOL apply);
    // Copies the restore copy into the device buffer.
    HRESULT ApplyVBChange();

    // Same vertex count, positions within 0.01.
    BOOL IsSameFramework(const SGmaFrame& fileFrame) const;
    // destination becomes a copy with buffers of its own; callback sees the copied vertices.
    HRESULT Clone(CMeshFrame* destination, DWORD frameIndex, LPGMACLONECALLBACK callback, void* user);
    // The vertices as whole records: a normal (0, 1, 0) where the frame has
    // none, the texture coordinates from coords where it keeps none.
    HRESULT ReadFullVertices(std::vector<SGMAVertex>& out, const std::vector<SCoords2d>* coords);
    // Writes the vertices at the file's position as whole 36-byte records
    // (the form ReadFullVertices gives: u, v 0 where the frame keeps no
    // coordinates). S_OK; S_FALSE for an unbuilt frame, which writes
    // nothing; E_FAIL without a file or when a write fails.
    HRESULT SaveToDiskFile(FILE* file);
    // A built frame refuses a new scale (E_FAIL); an unbuilt one stores it.
    HRESULT SetScale(float scale);

    SBoundBox* GetBoundBox() { return &m_BoundBox; }
    void SetBoundBox(const SBoundBox& box) { m_BoundBox = box; }
    IDirect3DVertexBuffer8* GetVB() const { return m_pVB; }
    IDirect3DVertexBuffer8* GetRestoreVB() const { return m_pRestoreVB; }
    BYTE* GetVertices() { return m_SystemVertices.empty() ? nullptr : m_SystemVertices.data(); }
    BOOL IsSystemVerticesData() const { return !m_SystemVertices.empty(); }
    DWORD GetNumVertices() const { return m_dwNumVertices; }
    D3DPOOL GetD3DPool() const { return m_Store.pool; }
    float GetScale() const { return m_Store.scale; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }
    BOOL IsBuilt() const { return m_pDevice != nullptr; }
    float GetPosRef() const { return m_fPos; }
    void SetPosRef(float pos) { m_fPos = pos; }
    BOOL IsAutoRestore() const { return m_Store.autoRestore; }
    BOOL IsNormalSkipped() const { return m_Store.normalSkipped; }
    BOOL IsTexCoordSkipped() const { return m_Store.coordSkipped; }
    DWORD GetFVF() const { return m_Store.GetFVF(); }
    DWORD GetStride() const { return m_Store.GetStride(); }

private:
    HRESULT CreateBuffer(D3DPOOL pool, IDirect3DVertexBuffer8** out) const;
    IDirect3DVertexBuffer8* ChangeableVB() const { return m_Store.DefaultWithRestore() ? m_pRestoreVB : m_pVB; }

    SBoundBox m_BoundBox;
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DVertexBuffer8* m_pRestoreVB;
    std::vector<BYTE> m_SystemVertices;
    DWORD m_dwNumVertices;
    SGmaVertexStore m_Store;
    IDirect3DDevice8* m_pDevice;
    float m_fPos;
    BYTE* m_pLocked; // the buffer locked by BeginAccessVertices
};

class KESTU_API CAniMeshContainer {
public:
    CAniMeshContainer();
    virtual ~CAniMeshContainer();
    CAniMeshContainer(const CAniMeshContainer&) = delete;
    CAniMeshContainer& operator=(const CAniMeshContainer&) = delete;

    // Builds every frame of the read file. Normals are skipped as the file
    // says (autoSkipNormal) or as asked; texture coordinates leave the frames
    // only when the file shares them (autoShareCoord, or shareCoord asked)
    // and the device has vertex shaders 1.0 and two streams.
    HRESULT Build(const CGmaFile& file, IDirect3DDevice8* device, D3DPOOL pool, float scale, BOOL autoRestore,
                  BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord);
    void Release();
    HRESULT Invalidate();
    HRESULT Restore();
    HRESULT ApplyShareCoordVBChange();
    // Stores the scale; built frames keep theirs.
    void SetScale(float scale);
    BOOL IsSameFramework(const CGmaFile& file) const;
    HRESULT Clone(CAniMeshContainer* destination, LPGMACLONECALLBACK callback, void* user);
    HRESULT BeginAccessVertices(DWORD frame, SGmaVerticesEntry* entry);
    HRESULT EndAccessVertices(DWORD frame);
    // The shared texture coordinates as the buffers hold them now (empty when the frames keep theirs).
    HRESULT ReadSharedCoords(std::vector<SCoords2d>& out) const;

    BOOL IsShareContainer() const { return m_bShareContainer; }
    DWORD GetIndex() const { return m_dwIndex; }
    void SetIndex(DWORD index) { m_dwIndex = index; }
    int GetRef() const { return m_nRef; }
    void SetRef(int ref) { m_nRef = ref; }
    int AddRef() { return ++m_nRef; }
    int SubRef() { return --m_nRef; }
    void CleanUpRef() { m_nRef = 0; }
    DWORD GetMeshID() const { return m_dwMeshID; }
    D3DPOOL GetPool() const { return m_Store.pool; }
    float GetScale() const { return m_Store.scale; }
    BOOL IsAutoRestore() const { return m_Store.autoRestore; }
    BOOL IsNormalSkipped() const { return m_Store.normalSkipped; }
    BOOL IsTexCoordSkipped() const { return m_Store.coordSkipped; }
    DWORD GetVertexFVF() const { return m_Store.GetFVF(); }
    DWORD GetVertexStride() const { return m_Store.GetStride(); }
    IDirect3DVertexBuffer8* GetSharedTexCoordVB() const { return m_pSharedCoordVB; }
    CMeshFrame* GetMeshFrameList() const { return m_pFrames.get(); }
    CMeshFrame* GetMeshFrame(DWORD i) const { return i < m_dwNumFrames ? &m_pFrames[i] : nullptr; }
    BOOL IsBuilt() const { return m_pFrames != nullptr; }
    DWORD GetNumFrames() const { return m_dwNumFrames; }
    BOOL IsSystemVerticesData() const { return !m_Store.coordSkipped && m_Store.pool == D3DPOOL_SYSTEMMEM; }
    IDirect3DVertexBuffer8* GetVB(DWORD i) const { return i < m_dwNumFrames ? m_pFrames[i].GetVB() : nullptr; }
    BYTE* GetVertices(DWORD i) const { return i < m_dwNumFrames ? m_pFrames[i].GetVertices() : nullptr; }

private:
    // The buffer a change goes to: the restore copy in the default pool with auto restore.
    IDirect3DVertexBuffer8* ChangeableCoordVB() const
    {
        return m_pSharedCoordRestoreVB ? m_pSharedCoordRestoreVB : m_pSharedCoordVB;
    }

    BOOL m_bShareContainer;
    DWORD m_dwIndex;
    int m_nRef;
    DWORD m_dwMeshID;
    SGmaVertexStore m_Store;
    IDirect3DVertexBuffer8* m_pSharedCoordVB;
    IDirect3DVertexBuffer8* m_pSharedCoordRestoreVB;
    DWORD m_dwNumSharedCoords;
    std::unique_ptr<CMeshFrame[]> m_pFrames;
    DWORD m_dwNumFrames;
    IDirect3DDevice8* m_pDevice;
};

// One slot of a mesh's cloned containers.
struct SClonedContainerInfo {
    CAniMeshContainer* pContainer = nullptr;
};
