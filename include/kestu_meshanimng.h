// CMeshAniMng: the GMA meshes of one mesh index library (one GMA file per
// item). Meshes load when queried, carry reference counts, stay loaded in a
// bounded cache once released, share frame containers by mesh id, take their
// textures from the manager's one texture set and survive a lost device.
#pragma once
#include <deque>
#include <vector>

#include <windows.h>
#include <d3d8.h>

#include "kestu_export.h"
#include "index_lib.h"
#include "kestu_gmacontainer.h"
#include "kestu_meshanidata.h"
#include "kestu_texture_config.h"
#include "kestu_texture_list.h"

// Bytes of the library's share buffer reserved for a run of mesh loads.
#define KESTU_GMA_SHARE_BUFFER 0x100000

class KESTU_API CMeshAniMng : public CIndexLib {
protected:
    HRESULT OnNewItem(SIdxLibItem*& item) override;
    HRESULT OnDeleteItem(SIdxLibItem*& item) override;

public:
    CMeshAniMng();
    CMeshAniMng(const CMeshAniMng&) = delete;
    CMeshAniMng& operator=(const CMeshAniMng&) = delete;
    ~CMeshAniMng() override;

    virtual HRESULT Restore();
    virtual HRESULT Invalidate();

    // Textures from image files in the folder texturePath (array mode).
    // 0x8200010E when the library does not open.
    HRESULT Build(IDirect3DDevice8* device, const char* libraryPath, const char* texturePath, BOOL loadAll, float scale,
                  const TEXTURE_CONFIG* cfg, D3DPOOL meshPool, BOOL autoSkipNormal, BOOL normalSkipped,
                  BOOL autoShareCoord, BOOL shareCoord, BOOL multiThreaded, int libraryOption, DWORD maxCacheSize);
    // Textures by id from the texture index library (manager mode).
    HRESULT BuildUseTextureIndexLib(IDirect3DDevice8* device, const char* libraryPath, const char* textureLibraryPath,
                                    BOOL loadAll, float scale, const TEXTURE_CONFIG* cfg, D3DPOOL meshPool,
                                    BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord,
                                    BOOL loadTextureImmediately, BOOL multiThreaded, int libraryOption,
                                    DWORD maxCacheSize);
    void Release();

    // The mesh with its reference count raised (loaded when asked), or null.
    CMeshAniData* QueryMesh(DWORD id, BOOL load = TRUE, const TEXTURE_CONFIG* cfg = nullptr);
    CMeshAniData* QueryMeshByIndex(DWORD index, BOOL load = TRUE, const TEXTURE_CONFIG* cfg = nullptr);
    // S_OK when the count went up; 1 for no such item; E_FAIL when it is not loaded.
    HRESULT TryQueryGma(DWORD id);
    HRESULT TryQueryGmaByIndex(DWORD index);
    // The remaining count.
    int ReleaseMesh(DWORD id, BOOL unloadNow = FALSE);
    int ReleaseMeshByIndex(DWORD index, BOOL unloadNow = FALSE);

    HRESULT LoadMesh(DWORD id, const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT LoadMeshByIndex(DWORD index, const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT LoadMeshByMeshPointer(CMeshAniData* item, const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT UnloadMesh(DWORD id);
    HRESULT UnloadMeshByIndex(DWORD index);
    HRESULT UnloadMeshByMeshPointer(CMeshAniData* item);
    HRESULT UnloadAllMesh();
    HRESULT LoadAllMesh();
    HRESULT ReBuild();

    HRESULT ApplyReference(DWORD id, const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT ApplyReferenceByIndex(DWORD index, const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT ApplyAllMeshesReference();
    HRESULT ApplyAllTexturesReference() { return m_TexList.ApplyAllTexturesReference(); }

    // Hands a mesh built elsewhere to the item of its id.
    HRESULT AttachLoadedGmaMesh(CMeshAniData* data, int references);
    HRESULT AttachLoadedGmaTexture(CTexture* texture, int references);

    HRESULT ReloadAllTextures();
    HRESULT SetCfgTexture(const TEXTURE_CONFIG* cfg);
    HRESULT SetTexMipLevels(DWORD levels);
    HRESULT SetTexLOD(float lod);

    void PushToCache(CMeshAniData* item);
    void CheckCache(BOOL checkTextures);
    void ClearCache(BOOL clearTextures);

    // The container of a file: the shared one of its mesh id, or a new one.
    HRESULT FindOrCreatContainer(const CGmaFile& file, CAniMeshContainer*& container, const char* name,
                                 BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord, BOOL shareCoord);

    CMeshAniData* GetMeshData(DWORD id) const { return GetMeshDataByIndex(GetIndexFormID(id)); }
    CMeshAniData* GetMeshDataByIndex(DWORD index) const;
    DWORD GetNumMeshData() const { return m_dwNumItems; }

    void LockIdxLib();
    void UnlockIdxLib();
    BOOL TryLockIdxLib();

    BOOL IsBuilt() const { return m_bBuilt; }
    const char* GetTexPath() const { return m_szTexPath; }
    const char* GetTextureIndexLibPathname() const { return m_szTexPath; }
    const TEXTURE_CONFIG* GetCfgTexture() const { return &m_CfgTexture; }
    D3DPOOL GetTexPool() const { return m_CfgTexture.Pool; }
    float GetDefaultScale() const { return m_fDefaultScale; }
    BOOL IsDefaultAutoSkipNormal() const { return m_bAutoSkipNormal; }
    BOOL IsDefaultNormalSkipped() const { return m_bNormalSkipped; }
    BOOL IsDefaultbAutoShareCoord() const { return m_bAutoShareCoord; }
    BOOL IsDefaultbShareCoord() const { return m_bShareCoord; }
    BOOL IsDefaultLoadTextureImmediately() const { return m_bLoadTextureImmediately; }
    CAniMeshContainer* const* GetUniqueContainerList() const { return m_Unique.data(); }
    DWORD GetNumUniqueContainers() const { return static_cast<DWORD>(m_Unique.size()); }
    CAniMeshContainer* const* GetSharedContainerList() const { return m_Shared.data(); }
    DWORD GetNumSharedContainers() const { return static_cast<DWORD>(m_Shared.size()); }
    DWORD GetNumContainers() const { return GetNumUniqueContainers() + GetNumSharedContainers(); }
    CTextureList* GetTextureList() { return &m_TexList; }
    DWORD GetTextureNumber() { return m_TexList.GetNumTextures(); }
    BOOL IsUseTextureIndexLib() const { return m_TexList.IsUseTextureMng(); }
    float GetMeshLOD() const { return m_fMeshLOD; }
    void SetMeshLOD(float lod) { m_fMeshLOD = lod; }
    D3DPOOL GetMeshPool() const { return m_MeshPool; }
    BOOL IsMultiThreaded() const { return m_bMultiThreaded; }
    DWORD GetMaxCacheSize() const { return m_dwMaxCacheSize; }
    void SetMaxCacheSize(DWORD size) { m_dwMaxCacheSize = size; }
    BOOL IsCacheEnable() const { return m_dwMaxCacheSize > 0; }
    DWORD GetCacheSize() const { return static_cast<DWORD>(m_Cache.size()); }

private:
    CRITICAL_SECTION* Section() { return m_bMultiThreaded ? &m_Lock : nullptr; }
    HRESULT BuildCommon(IDirect3DDevice8* device, const char* libraryPath, const char* texturePath, float scale,
                        const TEXTURE_CONFIG* cfg, D3DPOOL meshPool, BOOL autoSkipNormal, BOOL normalSkipped,
                        BOOL autoShareCoord, BOOL shareCoord, BOOL multiThreaded, int libraryOption,
                        DWORD maxCacheSize);
    // Runs op on every item and every container of the manager, logging each failure, then texture on the set.
    void ForEachDeviceObject(HRESULT (CMeshAniData::*item)(), HRESULT (CAniMeshContainer::*container)(),
                             HRESULT (CTextureList::*texture)(), const char* itemMessage, const char* containerMessage,
                             const char* textureMessage);
    HRESULT FinishBuild(BOOL loadAll);
    // Drops one reference of a container of the manager, deleting it with its last.
    void DropContainer(CAniMeshContainer* container);
    static void Renumber(std::vector<CAniMeshContainer*>& list);
    void DeleteLock();

    IDirect3DDevice8* m_pDevice;
    BOOL m_bBuilt;
    char m_szTexPath[IDXLIB_PATH_SIZE];
    TEXTURE_CONFIG m_CfgTexture;
    float m_fDefaultScale;
    BOOL m_bAutoSkipNormal;
    BOOL m_bNormalSkipped;
    BOOL m_bAutoShareCoord;
    BOOL m_bShareCoord;
    BOOL m_bLoadTextureImmediately;
    std::vector<CAniMeshContainer*> m_Unique; // creation order
    std::vector<CAniMeshContainer*> m_Shared; // ascending mesh id
    std::vector<int> m_SavedRefs;             // over a lost device in the default pool
    CTextureList m_TexList;
    float m_fMeshLOD;
    D3DPOOL m_MeshPool;
    CRITICAL_SECTION m_Lock;
    BOOL m_bMultiThreaded;
    std::deque<CMeshAniData*> m_Cache; // oldest first
    DWORD m_dwMaxCacheSize;
};
