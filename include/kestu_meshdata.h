// Kestu::CMeshDataBase: the shared, reference-counted geometry of one mesh
// part of a skeletal model — vertices, indices, materials and their subsets,
// bone influences, and the bone batches of the skinning shaders — with its
// "MESHDATA" archive chunk. Its kinds (static, null, skinned) draw and deform.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include <vector>

#include "kestu_bound.h"
#include "kestu_material.h"
#include "kestu_meshbuffer.h"

class COUArchive;

namespace Kestu {

class CMeshDataMng;
class CBaseObject;
class CSkAniBone;

enum : DWORD {
    KESTU_MESHTYPE_NULL = 0x100,
    KESTU_MESHTYPE_DYNAMIC = 0x101,
    KESTU_MESHTYPE_STATIC = 0x102,
};

// Events of the mesh data and its manager's callbacks.
enum : DWORD {
    KESTU_MESHEVENT_MATERIAL = 0x1000,    // a material was set
    KESTU_MESHEVENT_SUBSETBEGIN = 0x1001, // a subset is about to draw
    KESTU_MESHEVENT_SUBSETEND = 0x1002,   // a subset drew
    KESTU_MESHEVENT_MANAGEREND = 0x1F00,  // the manager ends
    KESTU_MESHEVENT_UPLOAD = 0x8000,      // vertices are about to be uploaded (param: the data)
    KESTU_MESHEVENT_NORMALS = 0x8001,     // normals were recomputed (param: the vertices)
};

// Bone batches of the skinning shaders.
constexpr DWORD KESTU_MAX_BONE_BATCHES = 10;
constexpr DWORD KESTU_MAX_BATCH_BONES = 59;

// (event, parameter, user value, 0): the parameter carries a mesh or data
// pointer, so it and the user value are pointer-sized.
using PFN_MESHDATA_CALLBACK = long (*)(DWORD event, DWORD_PTR param, DWORD_PTR user, DWORD reserved);

// The plain head of a mesh: nine 32-bit words, also the first 36 bytes of the chunk body.
struct SMeshDataBase {
    DWORD dwVertexStride = 0;
    DWORD dwVertexFVF = 0x152;
    DWORD dwPrimitiveType = D3DPT_TRIANGLELIST;
    DWORD dwVerticesNum = 0;
    DWORD dwIndicesNum = 0;
    DWORD dwIndexFormat = D3DFMT_INDEX16;
    DWORD dwSpare = 0;
    DWORD dwPrimitiveCount = 0;
    DWORD dwMeshType = KESTU_MESHTYPE_NULL;
};

class KESTU_API CMeshDataBase : public SMeshDataBase {
public:
    // Defaults, with 32-bit indices.
    CMeshDataBase();
    explicit CMeshDataBase(const SMeshDataBase& head);
    // A copy owns copies of the arrays and holds references of its own on
    // the buffers and streams; its reference count starts at 0.
    CMeshDataBase(const CMeshDataBase& other) = default;
    CMeshDataBase& operator=(const CMeshDataBase& other) = default;

    // One reference less; at zero everything is freed and the object destroyed.
    virtual long Release();
    // The chunk from its vertex-data size on (the object record reads the tag
    // and head). Reading: 1, or E_FAIL for a damaged chunk (the mesh is left
    // empty). A bone-batch palette offset that names no slot of its batch (not
    // a multiple of 4, or at or past 4 x the batch's bone count) is read as 0,
    // the batch's first bone, so that a damaged entry never reaches past the
    // batch's matrices; a later write stores the mended offset. Writing: 1,
    // or E_FAIL (nothing written) for a mesh whose arrays do not match their
    // counts.
    virtual long Serialize(DWORD version, DWORD flags, COUArchive& ar, DWORD& byteCount, DWORD materialVersion,
                           int store, int materialFlag);
    virtual long Render(D3DXMATRIX* palette, int setStreams) = 0;
    virtual long RenderRough(D3DXMATRIX* palette, int useMaterials, int setStreams) = 0;
    virtual long RenderWithMtlSet(CMaterialSet* set);
    virtual long DrawSubset(D3DXMATRIX* palette, DWORD subset) = 0;
    virtual long Build(IDirect3DDevice8* device);
    virtual long Deform(CSkAniBone** bones, DWORD boneCount, const D3DXMATRIX* offsets, D3DXMATRIX* palette,
                        CVertexBuffer* target) = 0;
    virtual long RenderBeginPass(D3DXMATRIX* palette, DWORD batch, DWORD subset);
    virtual long RenderEndPass();

    DWORD AddRef() { return ++m_dwRef.n; }
    DWORD GetRef() const { return m_dwRef.n; }

    // Head fields.
    DWORD GetVertexStride() const { return dwVertexStride; }
    void SetVertexStride(DWORD v) { dwVertexStride = v; }
    DWORD GetVertexFVF() const { return dwVertexFVF; }
    void SetVertexFVF(DWORD v) { dwVertexFVF = v; }
    DWORD GetVertexSize() const { return D3DXGetFVFVertexSize(dwVertexFVF); }
    DWORD GetVerticesNum() const { return dwVerticesNum; }
    void SetVerticesNum(DWORD v) { dwVerticesNum = v; }
    DWORD GetIndicesNum() const { return dwIndicesNum; }
    void SetIndicesNum(DWORD v) { dwIndicesNum = v; }
    DWORD GetPrimitiveType() const { return dwPrimitiveType; }
    void SetPrimitiveType(DWORD v) { dwPrimitiveType = v; }
    DWORD GetPrimitiveCount() const { return dwPrimitiveCount; }
    void SetPrimitiveCount(DWORD v) { dwPrimitiveCount = v; }
    DWORD GetIndexFormat() const { return dwIndexFormat; }
    void SetIndexFormat(DWORD v) { dwIndexFormat = v; }
    DWORD GetMeshType() const { return dwMeshType; }

    // Arrays. The setters copy what they are given; setting the vertex data
    // also makes the working copy that skinning writes.
    DWORD GetVertexBufferSize() const { return static_cast<DWORD>(m_vertexData.size()); }
    DWORD GetIndexBufferSize() const { return static_cast<DWORD>(m_indexData.size()); }
    void SetVertexData(const char* data, DWORD size);
    char* GetVertexData(DWORD* size = nullptr);
    char* GetWorkVertexData() { return m_workVertexData.empty() ? nullptr : m_workVertexData.data(); }
    void SetIndexData(const char* data, DWORD size);
    char* GetIndexData(DWORD* size = nullptr);
    // Influence and weight tables of vertex count x bones-per-vertex entries.
    // The tables may be changed through these pointers.
    DWORD* GetVerInfluneceBuf()
    {
        ++m_dwInfluenceStamp;
        return m_influences.empty() ? nullptr : m_influences.data();
    }
    void SetVerInfluneceBuf(const DWORD* bones, DWORD count);
    float* GetVerWeightBuf()
    {
        ++m_dwInfluenceStamp;
        return m_weights.empty() ? nullptr : m_weights.data();
    }
    void SetVerWeightBuf(const float* weights, DWORD count);
    DWORD GetBonesPerVertex() const { return m_dwBonesPerVertex; }
    void SetBonesPerVertex(DWORD v)
    {
        m_dwBonesPerVertex = v;
        ++m_dwInfluenceStamp;
    }
    // One entry per vertex: the vertex it duplicates, or 0xFFFFFFFF.
    DWORD* GetVertexRedundantBuf() { return m_redundant.empty() ? nullptr : m_redundant.data(); }
    void SetVertexRedundantBuf(const DWORD* table, DWORD count);
    DWORD GetVertexRedundantNum() const { return m_dwRedundantNum; }
    void SetVertexRedundantNum(DWORD v) { m_dwRedundantNum = v; }
    // Takes primitive-count entries: the material of each triangle.
    void SetPrimitiveMaterialList(const DWORD* list);
    const DWORD* GetPrimitiveMaterialList() const { return m_faceMaterials.empty() ? nullptr : m_faceMaterials.data(); }
    const DWORD* GetSubsetFirstIndex() const
    {
        return m_subsetFirstIndex.empty() ? nullptr : m_subsetFirstIndex.data();
    }
    const DWORD* GetSubsetFaceCount() const { return m_subsetFaceCount.empty() ? nullptr : m_subsetFaceCount.data(); }

    // Materials.
    DWORD GetMaterialNum() const { return static_cast<DWORD>(m_materials.size()); }
    DWORD GetCurMaterialIdx() const { return m_dwCurMaterial; }
    void AddMaterial(const CMaterialData* material);
    CMaterialData& GetMaterial(DWORD i);
    CMaterialData* GetMaterialByID(DWORD i);
    int SetMaterial(DWORD i, const CMaterialData& material);
    void SetTexturePath(const char* folder) { m_szTexturePath = folder; }
    const char* GetTexturePath() const { return m_szTexturePath; }

    int IsConvertCoord() const { return m_bConvertCoord; }
    void SetConverCoord(int v) { m_bConvertCoord = v; }
    void EnableNormalCalc(int v) { m_bNormalCalc = v; }
    int IsNormalCalcEnabled() const { return m_bNormalCalc; }
    SBoundBox* GetBoundBox() { return &m_bbox; }
    void SetBoundBox(const SBoundBox* box);

    CVertexBuffer* GetVertexBuffer() const { return m_pVB.Get(); }
    CMemVertexBuffer* GetMemVertexBuffer() const { return m_pMemVB.Get(); }
    CIndexBuffer* GetIndexBuffer() const { return m_pIB.Get(); }
    void SetVertexBuffer(CVertexBuffer* vb) { m_pVB.Reset(vb); }
    void SetMemVertexBuffer(CMemVertexBuffer* vb) { m_pMemVB.Reset(vb); }
    void SetIndexBuffer(CIndexBuffer* ib) { m_pIB.Reset(ib); }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }
    CBaseObject* GetCurParent() const { return m_pCurParent; }
    void SetCurParent(CBaseObject* parent) { m_pCurParent = parent; }
    PFN_MESHDATA_CALLBACK GetCallBackFn() const { return m_pfnCallBack; }
    void SetCallBackFn(PFN_MESHDATA_CALLBACK fn) { m_pfnCallBack = fn; }
    CMeshDataMng* GetMeshDataMng() const { return m_pMng; }
    void SetMeshDataMng(CMeshDataMng* mng) { m_pMng = mng; }
    DWORD GetMeshID() const { return m_dwMeshID; }
    void SetMeshID(DWORD id) { m_dwMeshID = id; }
    int IsBuilt() const { return m_bBuilt; }

    // Shader skinning.
    int IsBuildVSMode() const { return m_bVSMode; }
    DWORD GetPointLightNum() const { return m_dwPointLightNum; }
    void SetPointLightNum(DWORD n) { m_dwPointLightNum = n; }
    DWORD GetShaderBonesNum() const { return m_dwShaderBonesNum; }
    DWORD GetShaderStrideWeight() const { return m_dwStrideWeight; }
    DWORD GetShaderStrideIndex() const { return m_dwStrideIndex; }
    DWORD GetBoneBatchNum() const { return m_dwBatchNum; }
    DWORD GetBatchBoneCount(DWORD k) const { return k < m_dwBatchNum ? m_dwBoneCount[k] : 0; }
    const DWORD* GetBatchBoneList(DWORD k) const { return k < m_dwBatchNum ? m_boneList[k].data() : nullptr; }
    DWORD GetBatchFirstFace(DWORD k) const { return k < m_dwBatchNum ? m_dwBatchFirstFace[k] : 0; }
    const WORD* GetBatchPaletteIndex(DWORD k) const
    {
        return k < m_dwBatchNum && !m_paletteIdx[k].empty() ? m_paletteIdx[k].data() : nullptr;
    }
    DWORD GetMaxBatchBones() const { return m_dwMaxBatchBones; }
    // True when the current render path blends this mesh in the vertex
    // shader: a shader path, shader mode on, and its palette (or largest
    // batch) fits the path's constant registers. Otherwise it skins in software.
    int IsShaderSkinned() const;
    // Makes the weight and palette-offset streams of the shader paths and
    // switches shader mode on; 1 on success, 0 with shader mode off.
    int BuildVsVertexBuffer(IDirect3DDevice8* device, CSkAniBone** bones, DWORD boneCount);

    D3DVERTEXBLENDFLAGS GetBlendType() const { return m_BlendType; }
    void SetBlendType(D3DVERTEXBLENDFLAGS type) { m_BlendType = type; }
    void ConvertToBlendedMesh() { m_BlendType = D3DVBF_DISABLE; }
    long Update() { return UpdateVertexBuffer(GetWorkVertexData()); }
    long LoadTexture(IDirect3DDevice8*, const char*, DWORD) { return 1; }
    void GernerateSubSet() {}

    // Buffers.
    long CreateVertexBuffer(DWORD usage, D3DPOOL pool, void** data);
    long CreateIndexBuffer(DWORD usage, D3DPOOL pool, void** data);
    long CreateMemVertexBuffer(DWORD usage, D3DPOOL pool, void** data);
    long UpdateVertexBuffer(const void* data);
    long UpdateVertexBuffer(CVertexBuffer* vb, const void* data);
    long UpdateIndexBuffer(const void* data);
    long UpdateIndexBuffer(CIndexBuffer* ib, const void* data);

    // Editing.
    long ConvertCoord();
    void RecalculateInflunece(float threshold);

    // Preprocessing.
    long UpdateVertexNormal(void* vertices);
    long SplitIdxToLimitBones(int reorder);
    long BuildBoneVertexMemBuffer();
    void SplitMesh() {}
    int GetFaceUseBones(const WORD* face, DWORD* bones) const;
    int GetFaceUseBones(const DWORD* face, DWORD* bones) const;
    static int IsSameArray(const DWORD* a, DWORD na, const DWORD* b, DWORD nb);
    static int IsSimilarArray(const DWORD* a, DWORD na, const DWORD* b, DWORD nb, DWORD k);
    static int SetArrayToArray(DWORD* set, DWORD& size, const DWORD* add, DWORD n);

    // The material the mesh falls back to.
    static CMaterialData m_mtlInvalid;

protected:
    virtual ~CMeshDataBase();

    long SetCurMaterial(IDirect3DDevice8* device, DWORD i);
    long GernerateMaterialSet();
    void ExpandTexCoord();
    // Subsets for a chunk that carries none: each material's first run of faces.
    void SubsetsFromFaceList();
    // Empties the geometry after a failed read.
    void ClearGeometry();
    // The i-th index of the index data, whatever its width.
    DWORD IndexAt(size_t i) const;
    DWORD IndexSize() const { return dwIndexFormat == D3DFMT_INDEX32 ? 4 : 2; }
    // Sets the index buffer, stream 0 with the mesh's vertex buffer and the
    // vertex format as shader; the result of setting the shader.
    long SetStreams();
    // The DrawIndexedPrimitive of a subset or batch, with the error message.
    long DrawRange(DWORD firstIndex, DWORD faceCount);
    void NotifyManager(DWORD event);
    // The vertex count that the vertex data really hold.
    DWORD VerticesHeld() const;

    struct RefCount {
        DWORD n = 0;
        RefCount() {}
        RefCount(const RefCount&) {}
        RefCount& operator=(const RefCount&) { return *this; }
    };

    DWORD m_dwVBUsage = 0;
    DWORD m_dwVBPool = D3DPOOL_MANAGED;
    DWORD m_dwIBUsage = 0;
    DWORD m_dwIBPool = D3DPOOL_MANAGED;
    CountedRef<CVertexBuffer> m_pVB;
    CountedRef<CMemVertexBuffer> m_pMemVB;
    CountedRef<CIndexBuffer> m_pIB;
    std::vector<char> m_vertexData;
    std::vector<char> m_workVertexData;
    std::vector<char> m_indexData;
    std::vector<DWORD> m_influences;
    std::vector<float> m_weights;
    DWORD m_dwBonesPerVertex = 0;
    // Counts every change (or chance of one) to the influence tables.
    DWORD m_dwInfluenceStamp = 0;
    DWORD m_dwRedundantNum = 0;
    std::vector<DWORD> m_redundant;
    DWORD m_dwReserved = 0;
    DWORD m_dwMinVertexIndex = 0;
    std::vector<CMaterialData> m_materials;
    DWORD m_dwCurMaterial = 0xFFFFFFFF;
    CMaterialSet* m_pMtlSetOverride = nullptr;
    std::vector<DWORD> m_faceMaterials;
    std::vector<DWORD> m_subsetFirstIndex;
    std::vector<DWORD> m_subsetFaceCount;
    D3DVERTEXBLENDFLAGS m_BlendType = D3DVBF_DISABLE;
    CMeshDataMng* m_pMng = nullptr;
    DWORD m_dwMeshID = 0xFFFFFFFF;
    DWORD m_bBuilt = 0;
    RefCount m_dwRef;
    IDirect3DDevice8* m_pDevice = nullptr;
    const char* m_szTexturePath = nullptr;
    SBoundBox m_bbox;
    CBaseObject* m_pCurParent = nullptr;
    PFN_MESHDATA_CALLBACK m_pfnCallBack = nullptr;
    int m_bConvertCoord = 1;
    int m_bNormalCalc = 0;
    int m_bVSMode = 0;
    DWORD m_dwPointLightNum = 0;
    DWORD m_dwShaderBonesNum = 0;
    DWORD m_dwStrideWeight = 0;
    DWORD m_dwStrideIndex = 0;
    CountedRef<IDirect3DVertexBuffer8> m_pWeightStream;
    CountedRef<IDirect3DVertexBuffer8> m_pIndexStream[KESTU_MAX_BONE_BATCHES];
    DWORD m_dwBatchNum = 0;
    std::vector<DWORD> m_boneList[KESTU_MAX_BONE_BATCHES];
    DWORD m_dwBoneCount[KESTU_MAX_BONE_BATCHES] = {};
    std::vector<WORD> m_paletteIdx[KESTU_MAX_BONE_BATCHES];
    DWORD m_dwBatchFirstFace[KESTU_MAX_BONE_BATCHES] = {};
    DWORD m_dwMaxBatchBones = 0;
};

// Crease analysis: finds the vertices a crease angle would split (their
// count goes to the debugger output) and gives the caller new index and
// vertex arrays (char arrays allocated with new[]; free them with delete[]) with those vertices appended and the
// faces re-pointed. 0 on success, E_INVALIDARG for bad arguments.
KESTU_API long AdjustFaces(float tolerance, const char* vertices, DWORD vertexCount, DWORD stride, const void* indices,
                           DWORD faceCount, DWORD indexSize, void** newIndices, void** newVertices,
                           int* newVertexCount);

} // namespace Kestu
