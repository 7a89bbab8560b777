// CMeshAniData: one loaded GMA mesh. The stored header, the materials and
// faces of every frame (CFrameAttribute, each a list of CMeshAttribute), the
// textures through a CTextureList, the frame container with the vertices, the
// cloned containers and the level-of-detail state. An item of the mesh index
// library: CMeshAniMng makes, loads and unloads it.
#pragma once
#include <functional>
#include <vector>

#include <windows.h>
#include <d3d8.h>

#include "kestu_export.h"
#include "index_lib.h"
#include "kestu_gmacontainer.h"
#include "kestu_gmafile.h"
#include "kestu_texture_config.h"

class CTexture;
class CTextureList;
class CMeshAniMng;

#define GMA_OWN_CONTAINER ((DWORD)-2)
#define GMA_NO_CLONE_SLOT ((DWORD)-1)

struct SPrimitiveInfo {
    DWORD dwPrimitiveType = D3DPT_TRIANGLELIST;
    DWORD dwMinIndex = 0;
    DWORD dwNumVertices = 0;
    DWORD dwStartIndex = 0;
    DWORD dwPrimitiveCount = 0;
};

struct KESTU_API SPrimitiveInfoList {
    std::vector<SPrimitiveInfo> aList;
    virtual ~SPrimitiveInfoList() = default;
    DWORD GetCount() const { return static_cast<DWORD>(aList.size()); }
    void CleanUp() { aList.clear(); }
};

// One material with its faces.
class KESTU_API CMeshAttribute {
public:
    CMeshAttribute();
    virtual ~CMeshAttribute();
    CMeshAttribute(const CMeshAttribute&) = delete;
    CMeshAttribute& operator=(const CMeshAttribute&) = delete;

    // E_INVALIDARG without faces or with an index at or beyond vertexLimit.
    // The faces are copied (winding swapped when asked) and never edited in place.
    HRESULT Build(BOOL systemIndices, const SMaterialInitHeaderEx& material, const std::vector<SMeshFaceInit>& faces,
                  IDirect3DDevice8* device, BOOL swapWinding, D3DPOOL pool, BOOL autoRestore, DWORD vertexLimit);
    void Release();
    HRESULT Restore();
    HRESULT Invalidate();
    // Drops the last `removed` vertices of the range and the faces that go
    // with them, redirecting the rest along the collapse records (numInfo of them).
    HRESULT CalculateLod(const SGMAVertexLodInfo* vertexInfo, DWORD numInfo, DWORD removed);

    // The material as the file has it.
    const SMaterialInitHeaderEx* GetMaterialInfo() const { return &m_Material; }
    const D3DMATERIAL8* GetD3DMaterial() const { return &m_Material.Material; }
    // The id or index of the texture in the mesh's texture set.
    DWORD GetTextureID() const { return m_dwTextureID; }
    void SetTextureID(DWORD id) { m_dwTextureID = id; }
    const SPrimitiveInfoList* GetPrimitiveInfoList() const { return &m_Primitives; }
    IDirect3DIndexBuffer8* GetIB() const { return m_pIB; }
    const WORD* GetIndicesData() const { return m_SystemIndices.empty() ? nullptr : m_SystemIndices.data(); }
    // The indices as drawn now (what the index buffer holds).
    const std::vector<WORD>& GetCurrentIndices() const { return m_CurrentIndices; }
    const std::vector<WORD>& GetSourceIndices() const { return m_SourceIndices; }
    WORD GetNumIndices() const { return m_wNumIndices; }
    WORD GetCurrNumIndices() const { return m_wCurrNumIndices; }
    WORD GetLowestIndex() const { return m_wLowest; }
    WORD GetHighestIndex() const { return m_wHighest; }
    BOOL IsBuilt() const { return m_bBuilt; }
    D3DPOOL GetPool() const { return m_Pool; }
    BOOL IsAutoRestore() const { return m_bAutoRestore; }

private:
    HRESULT CreateIB(D3DPOOL pool, IDirect3DIndexBuffer8** out) const;
    HRESULT Upload();

    SMaterialInitHeaderEx m_Material;
    DWORD m_dwTextureID;
    SPrimitiveInfoList m_Primitives;
    IDirect3DIndexBuffer8* m_pIB;
    IDirect3DIndexBuffer8* m_pRestoreIB;
    std::vector<WORD> m_SystemIndices;  // the indices in memory only (system pool)
    std::vector<WORD> m_SourceIndices;  // the faces as built, the source of every LOD
    std::vector<WORD> m_CurrentIndices; // what the buffers hold
    WORD m_wNumIndices;
    WORD m_wCurrNumIndices;
    WORD m_wLowest;
    WORD m_wHighest;
    BOOL m_bBuilt;
    D3DPOOL m_Pool;
    BOOL m_bAutoRestore;
    IDirect3DDevice8* m_pDevice;
};

// The materials of one frame (or of all frames when they share them).
class KESTU_API CFrameAttribute {
public:
    CFrameAttribute();
    virtual ~CFrameAttribute();
    CFrameAttribute(const CFrameAttribute&) = delete;
    CFrameAttribute& operator=(const CFrameAttribute&) = delete;

    // Extended material blocks: textures by file name from texturePath in
    // array mode, else queried by id. vertexLimit bounds the face indices.
    HRESULT Build(BOOL systemIndices, const std::vector<SGmaMaterial>& materials, IDirect3DDevice8* device,
                  CTextureList* textures, const char* texturePath, const TEXTURE_CONFIG* cfg, BOOL swapWinding,
                  D3DPOOL pool, BOOL autoRestore, BOOL loadImmediately, BOOL noTextureQuery, DWORD vertexLimit);
    // Old material blocks: textures always by file name.
    HRESULT BuildFromV13(BOOL systemIndices, const std::vector<SGmaMaterial>& materials, IDirect3DDevice8* device,
                         CTextureList* textures, const char* texturePath, const TEXTURE_CONFIG* cfg, BOOL swapWinding,
                         D3DPOOL pool, BOOL autoRestore, DWORD vertexLimit);
    void Release();
    HRESULT Restore();
    HRESULT Invalidate();
    // Every attribute k drops trunc(counts[k] x (1 - lod)) vertices.
    HRESULT CalculateLod(const std::vector<SGMAVertexLodInfo>& vertexInfo, const std::vector<WORD>& counts, float lod);

    WORD GetNumAttributes() const { return m_wNumAttributes; }
    CMeshAttribute* GetAttributeList() const { return m_pAttributes; }
    BOOL IsBuilt() const { return m_pAttributes != nullptr; }
    DWORD GetTextureID(WORD i) const;
    DWORD GetNumFaces() const;
    DWORD GetNumTextures() const;
    // Logs and gives null for an index out of range.
    CMeshAttribute* GetAttribute(WORD i) const;

private:
    HRESULT BuildAttributes(BOOL systemIndices, const std::vector<SGmaMaterial>& materials, IDirect3DDevice8* device,
                            BOOL swapWinding, D3DPOOL pool, BOOL autoRestore, DWORD vertexLimit);
    HRESULT LoadByName(CTextureList* textures, const char* texturePath, const SGmaMaterial& material,
                       const TEXTURE_CONFIG* cfg, DWORD& id) const;

    WORD m_wNumAttributes;
    CMeshAttribute* m_pAttributes;
};

class KESTU_API CMeshAniData : public SIdxLibItem {
public:
    CMeshAniData();
    CMeshAniData(const CMeshAniData&) = delete;
    CMeshAniData& operator=(const CMeshAniData&) = delete;

    // Builds from a GMA file of size bytes (or from a read file). texturePath
    // is the folder of the texture files; textures and container may be
    // given (they then belong to the caller); cfg null gives the defaults.
    HRESULT Build(const void* image, DWORD size, IDirect3DDevice8* device, const char* texturePath,
                  CTextureList* textures, CAniMeshContainer* container, const TEXTURE_CONFIG* cfg, D3DPOOL meshPool,
                  float scale, BOOL autoRestore, BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord,
                  BOOL shareCoord, BOOL loadTextureImmediately, BOOL noTextureQuery);
    HRESULT Build(const CGmaFile& file, IDirect3DDevice8* device, const char* texturePath, CTextureList* textures,
                  CAniMeshContainer* container, const TEXTURE_CONFIG* cfg, D3DPOOL meshPool, float scale,
                  BOOL autoRestore, BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord,
                  BOOL loadTextureImmediately, BOOL noTextureQuery);
    void Release() override;
    ~CMeshAniData() override;
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();

    HRESULT ReloadTextures();
    void SetTextureConfig(const TEXTURE_CONFIG* cfg);
    void SetLod(float lod);
    void EnableLod(BOOL enable) { m_bLodEnable = enable; }
    BOOL IsLodEnable() const { return m_bLodEnable; }
    float GetLod() const { return m_fLod; }

    CTexture* GetTexture(DWORD frame, WORD attribute) const;
    CMeshAttribute* GetMeshAttribute(DWORD frame, WORD attribute) const;
    WORD GetNumAttributes(DWORD frame) const;
    WORD GetNumMeshAttribute(DWORD frame) const { return GetNumAttributes(frame); }
    CFrameAttribute* GetFrameAttribute(DWORD frame) const;
    DWORD GetNumFaces(DWORD frame) const;
    DWORD GetNumTextures(DWORD frame) const;
    SBoundBox* GetBoundBox(DWORD frame) const;
    BOOL IsHaveEnvMapAttrib() const { return m_Header.wEnvMapAttribID != GMA_NO_ATTRIB; }
    BOOL IsHaveIndicatedColorAttrib() const { return m_Header.wIndicatedColorAttribID != GMA_NO_ATTRIB; }
    BOOL IsHaveExchangeAttrib() const { return m_Header.wExchangeAttribID != GMA_NO_ATTRIB; }
    BOOL IsHaveEnvMapAttrib(DWORD frame) const { return HasAttrib(m_Header.wEnvMapAttribID, frame); }
    BOOL IsHaveIndicatedColorAttrib(DWORD frame) const { return HasAttrib(m_Header.wIndicatedColorAttribID, frame); }
    BOOL IsHaveExchangeAttrib(DWORD frame) const { return HasAttrib(m_Header.wExchangeAttribID, frame); }
    // Appends the texture id of every attribute (repeats kept, none skipped).
    HRESULT GetTextureIDs(std::vector<DWORD>& ids) const;
    // Writes the mesh as a version 1.4 file that its header describes.
    HRESULT SaveToDiskFile(const char* path);
    // Takes everything of other (same id); other is left empty.
    HRESULT Splice(CMeshAniData* other, CMeshAniMng* manager);

    HRESULT CloneContainerFromRaw(DWORD* outIndex, LPGMACLONECALLBACK callback, void* user);
    HRESULT CloneContainerFromCloned(DWORD source, DWORD* outIndex, LPGMACLONECALLBACK callback, void* user);
    CAniMeshContainer* GetClonedContainer(DWORD i) const;
    HRESULT DestoryClonedContainer(DWORD i);
    void DestoryAllClonedContainer();
    HRESULT SetCurrentContainer(DWORD i);
    DWORD FindNoUseClonedContainerIndex() const;

    // Drawing with the current container.
    HRESULT DrawSubset(WORD attribute, DWORD frame, const D3DXMATRIX* matrix, const D3DCOLOR* colour);
    HRESULT DrawSubsetRough(WORD attribute, DWORD frame, const D3DXMATRIX* matrix, BOOL withTexture);
    HRESULT DrawSubsetWithExTex(WORD attribute, DWORD frame, IDirect3DBaseTexture8* texture, const D3DXMATRIX* matrix);
    HRESULT DrawSubsetForceColor(WORD attribute, DWORD frame, D3DCOLOR colour, const D3DXMATRIX* matrix);
    HRESULT DrawSubsetEnvMap(WORD attribute, DWORD frame);
    HRESULT Render(DWORD frame, const D3DXMATRIX* matrix);
    HRESULT Render(DWORD frame, const D3DXMATRIX* matrix, BOOL skipEnvMap, BOOL skipExchange, BOOL useColour,
                   D3DCOLOR colour);
    HRESULT RenderRough(DWORD frame, const D3DXMATRIX* matrix, BOOL withTexture);
    HRESULT RenderForceColor(DWORD frame, D3DCOLOR colour, const D3DXMATRIX* matrix);

    int GetRef() const { return m_nRef; }
    int AddRef() { return ++m_nRef; }
    int SubRef() { return m_nRef > 0 ? --m_nRef : m_nRef; }
    void SetRef(int ref) { m_nRef = ref; }
    void ClearRef() { m_nRef = 0; }

    DWORD GetNumClonedContaineres() const { return m_dwNumCloned; }
    BOOL IsHaveClonedContainer() const { return m_dwNumCloned > 0; }
    DWORD GetNumCloneSlots() const { return static_cast<DWORD>(m_ClonedContainers.size()); }
    CAniMeshContainer* GetCurrentContainer() const { return m_pCurrContainer; }
    DWORD GetCurrentContainerIndex() const { return m_dwCurrContainerIndex; }
    const SMeshAniHeader* GetMeshAniHeader() const { return &m_Header; }
    BOOL IsShareContainer() const { return m_Header.IsShareContainer(); }
    BOOL IsNormalSkipped() const { return m_Header.IsNormalSkipped(); }
    WORD GetEnvMapAttribID() const { return m_Header.wEnvMapAttribID; }
    WORD GetIndicatedColorAttribID() const { return m_Header.wIndicatedColorAttribID; }
    WORD GetExchangeAttribID() const { return m_Header.wExchangeAttribID; }
    D3DPOOL GetMeshPool() const { return m_MeshPool; }
    BOOL IsExternContainer() const { return m_bExternContainer; }
    CAniMeshContainer* GetContainer() const { return m_pContainer; }
    BOOL IsBuilt() const { return m_pContainer != nullptr; }
    BOOL IsExternTextures() const { return m_bExternTextures; }
    CTextureList* GetTextureList() const { return m_pTexList; }
    const TEXTURE_CONFIG* GetTextureConfig() const { return &m_CfgTexture; }
    D3DPOOL GetTexturePool() const { return m_CfgTexture.Pool; }
    const char* GetTexturePath() const { return m_szTexturePath; }
    DWORD GetNumFrames() const { return m_dwNumFrames; }
    BOOL IsAni() const { return m_dwNumFrames > 1; }
    BOOL IsAutoRestoreMesh() const { return m_bAutoRestore; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }

private:
    struct SFrameLod {
        std::vector<SGMAVertexLodInfo> aVertices;
        std::vector<WORD> aCollapsible;
    };

    BOOL HasAttrib(WORD id, DWORD frame) const { return id != GMA_NO_ATTRIB && id < GetNumAttributes(frame); }
    DWORD NumFrameAttributes() const
    {
        return m_Header.IsFrameShareMaterials() ? (m_dwNumFrames ? 1 : 0) : m_dwNumFrames;
    }
    // The frame's attributes; when there are none the caller's name goes to the log.
    const CFrameAttribute* LoggedFrameAttribute(DWORD frame, const char* function) const;
    HRESULT BuildFrameAttributes(const CGmaFile& file, BOOL systemIndices, const char* attributePath,
                                 BOOL loadImmediately, BOOL noTextureQuery);
    HRESULT CopyLod(const CGmaFile& file);
    void FreeLod();
    DWORD PrepareEmptyCloneContainerPos();
    HRESULT AddClone(CAniMeshContainer* source, DWORD* outIndex, LPGMACLONECALLBACK callback, void* user);
    // Stream set-up and the draws of one attribute of one frame of the current container.
    HRESULT Bind(DWORD frame, const D3DXMATRIX* matrix, CMeshAttribute*& attribute, WORD index);
    HRESULT DrawPrimitives(DWORD frame, CMeshAttribute* attribute);
    // Draws every attribute of the frame with draw; the first failure stops and is logged.
    HRESULT RenderLoop(DWORD frame, const char* subset, const char* render, const std::function<HRESULT(WORD)>& draw);

    std::vector<SClonedContainerInfo*> m_ClonedContainers;
    DWORD m_dwNumCloned;
    CAniMeshContainer* m_pCurrContainer;
    DWORD m_dwCurrContainerIndex;
    DWORD m_dwFreeSlotHint;
    IDirect3DDevice8* m_pDevice;
    SMeshAniHeader m_Header;
    D3DPOOL m_MeshPool;
    BOOL m_bExternContainer;
    CAniMeshContainer* m_pContainer;
    BOOL m_bExternTextures;
    CTextureList* m_pTexList;
    TEXTURE_CONFIG m_CfgTexture;
    char m_szTexturePath[IDXLIB_PATH_SIZE];
    DWORD m_dwNumFrames;
    CFrameAttribute* m_pFrameAttributes;
    BOOL m_bAutoRestore;
    BOOL m_bLodEnable;
    float m_fLod;
    std::vector<SFrameLod> m_Lod;
    int m_nRef;
};
