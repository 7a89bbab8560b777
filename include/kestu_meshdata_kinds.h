// The kinds of mesh data: static (rigid geometry drawn in one call), null (no
// geometry) and dynamic (skinned: deformed in software, or drawn by the
// skinning vertex shaders in bone batches).
#pragma once
#include "kestu_export.h"
#include "kestu_meshdata.h"

namespace Kestu {

class KESTU_API CMeshDataStatic : public CMeshDataBase {
public:
    CMeshDataStatic() { dwMeshType = KESTU_MESHTYPE_STATIC; }
    explicit CMeshDataStatic(const SMeshDataBase& head) : CMeshDataBase(head) { dwMeshType = KESTU_MESHTYPE_STATIC; }
    CMeshDataStatic(const CMeshDataStatic&) = default;
    CMeshDataStatic& operator=(const CMeshDataStatic&) = default;

    long Build(IDirect3DDevice8* device) override;
    // The whole mesh in one draw; no material is set.
    long Render(D3DXMATRIX* palette, int setStreams) override;
    long RenderRough(D3DXMATRIX*, int, int) override { return 0; }
    long DrawSubset(D3DXMATRIX*, DWORD) override { return 0; }
    long Deform(CSkAniBone**, DWORD, const D3DXMATRIX*, D3DXMATRIX*, CVertexBuffer*) override { return 0; }

protected:
    ~CMeshDataStatic() override {}
};

class KESTU_API CMeshDataNull : public CMeshDataBase {
public:
    CMeshDataNull() { dwMeshType = KESTU_MESHTYPE_NULL; }
    explicit CMeshDataNull(const SMeshDataBase& head) : CMeshDataBase(head) { dwMeshType = KESTU_MESHTYPE_NULL; }
    CMeshDataNull(const CMeshDataNull&) = default;
    CMeshDataNull& operator=(const CMeshDataNull&) = default;

    long Build(IDirect3DDevice8*) override { return 0; }
    long Render(D3DXMATRIX*, int) override { return 0; }
    long RenderRough(D3DXMATRIX*, int, int) override { return 0; }
    long DrawSubset(D3DXMATRIX*, DWORD) override { return 0; }
    long Deform(CSkAniBone**, DWORD, const D3DXMATRIX*, D3DXMATRIX*, CVertexBuffer*) override { return 0; }

protected:
    ~CMeshDataNull() override {}
};

class KESTU_API CMeshDataDynamic : public CMeshDataBase {
public:
    static constexpr DWORD kMaxBones = 256;

    CMeshDataDynamic() { ResetTables(); }
    explicit CMeshDataDynamic(const SMeshDataBase& head) : CMeshDataBase(head) { ResetTables(); }
    CMeshDataDynamic(const CMeshDataDynamic&) = default;
    CMeshDataDynamic& operator=(const CMeshDataDynamic&) = default;

    long Build(IDirect3DDevice8* device) override;
    long Render(D3DXMATRIX* palette, int setStreams) override;
    long RenderRough(D3DXMATRIX* palette, int useMaterials, int setStreams) override;
    long DrawSubset(D3DXMATRIX* palette, DWORD subset) override;
    // Bone b's matrix is offsets[b] x its root matrix. Influences of bones at
    // or past boneCount contribute the undeformed vertex.
    long Deform(CSkAniBone** bones, DWORD boneCount, const D3DXMATRIX* offsets, D3DXMATRIX* palette,
                CVertexBuffer* target) override;
    long RenderBeginPass(D3DXMATRIX* palette, DWORD batch, DWORD subset) override;
    long RenderEndPass() override;

    const D3DXMATRIX* GetBoneMatrix(DWORD b) const { return b < kMaxBones ? &m_matBones[b] : nullptr; }
    const D3DXMATRIX* GetNormalMatrix(DWORD b) const { return b < kMaxBones ? &m_matNormals[b] : nullptr; }
    float GetNormalSign(DWORD b) const { return b < kMaxBones ? m_fNormalSign[b] : 1.0f; }

protected:
    ~CMeshDataDynamic() override {}
    // Identity bones and signs +1.
    void ResetTables();
    // Streams (when asked) and vertex blending off: what both draws begin with.
    long BeginDraw(int setStreams);
    // Draws one subset's faces, from its first index, batch by batch.
    long DrawSubsetFaces(D3DXMATRIX* palette, DWORD subset, DWORD firstIndex, DWORD faceCount);

    D3DXMATRIX m_matBones[kMaxBones];
    D3DXMATRIX m_matNormals[kMaxBones];
    float m_fNormalSign[kMaxBones];

    // What software skinning keeps between frames: the matrix slots (the
    // bones of the last call, identities past them) and the influences
    // packed for the fast loop, with the table stamp they were packed at.
    // Each slot on a cache line of its own: the skinning loops read whole
    // matrices, and a read split over two lines costs two.
    struct alignas(64) SkinSlot : D3DXMATRIX {
        SkinSlot() = default;
        SkinSlot(const D3DXMATRIX& m) : D3DXMATRIX(m) {}
    };
    std::vector<SkinSlot> m_skinPositions;
    std::vector<SkinSlot> m_skinNormals;
    DWORD m_dwSkinSlotsUsed = 0;
    std::vector<uint32_t> m_skinPacked;
    DWORD m_dwPackedStamp = 0;
    size_t m_packedEntries = 0;
    bool m_bPacked = false;
};

} // namespace Kestu

namespace Kestu {

class CMeshDataMng;

// Reads a "MESHDATA" chunk from its tag on: the tag (its text is not
// checked), the 36-byte head and the body into a new mesh data object of
// the stored type, which holds no reference yet. A manager given is set on
// the mesh before its body is read. Null for an unknown mesh type ("Error
// Mesh Type!\n" goes to the debugger output; *result holds 0, the body is
// not read) or a short or damaged chunk (*result holds E_FAIL); *result is 1
// when a mesh was read.
KESTU_API CMeshDataBase* ReadMeshDataChunk(COUArchive& ar, DWORD& byteCount, DWORD version, DWORD flags,
                                           DWORD materialVersion, int materialFlag, CMeshDataMng* manager = nullptr,
                                           long* result = nullptr);

} // namespace Kestu
