// CTextureMng: the texture service. One texture library (an item library
// whose entries are whole image files, each under a name and an id) turned
// into textures on demand, with reference counts, a bounded cache of released
// textures, an optional lock and both lost-device schemes.
#pragma once
#include <windows.h>
#include <d3d8.h>

#include <deque>
#include <vector>

#include "index_lib.h"
#include "kestu_export.h"
#include "kestu_texture.h"

// Bytes of the library's share buffer reserved for a run of texture loads.
#define KESTU_TEXTURE_SHARE_BUFFER 0x80000

class KESTU_API CTextureMng : public CIndexLib {
protected:
    HRESULT OnNewItem(SIdxLibItem*& item) override;
    HRESULT OnDeleteItem(SIdxLibItem*& item) override;

public:
    CTextureMng();
    // A copy takes the library's path (its table is read again on demand),
    // the configuration, device, priority and cache capacity, and a lock of
    // its own when multi-threaded. Textures belong to one manager only, so
    // the copy starts with no texture loaded, no counts and an empty cache.
    CTextureMng(const CTextureMng& other);
    CTextureMng& operator=(const CTextureMng& other);
    ~CTextureMng() override;

    virtual HRESULT Invalidate();
    virtual HRESULT Restore();

    // The load tail of the operations below: format, filter and mip filter
    // are accepted and not used (the configuration decides them); width,
    // height, usage and colour key go to the texture's build.
    HRESULT Build(IDirect3DDevice8* device, const char* path, const TEXTURE_CONFIG* cfg = nullptr, int bLoadAll = 0,
                  DWORD reserved = 0, int bMultiThreaded = 0, int loadFlag = 1, DWORD cacheCapacity = 0);
    // A manager without a library: configuration and lock only.
    HRESULT Build(const TEXTURE_CONFIG* cfg, D3DPOOL pool, int bMultiThreaded);
    HRESULT ReLoadLib(const char* path);
    void Release();

    CTexture* QueryTexture(DWORD id, int bLoad = 1, const TEXTURE_CONFIG* cfg = nullptr,
                           D3DFORMAT format = D3DFMT_UNKNOWN, int width = -1, int height = -1, DWORD usage = 0,
                           DWORD filter = 4, DWORD mipFilter = 4, DWORD colorKey = 0);
    CTexture* QueryTextureByIndex(DWORD index, int bLoad = 1, const TEXTURE_CONFIG* cfg = nullptr,
                                  D3DFORMAT format = D3DFMT_UNKNOWN, int width = -1, int height = -1, DWORD usage = 0,
                                  DWORD filter = 4, DWORD mipFilter = 4, DWORD colorKey = 0);
    // 0 when the count went up, 1 for no such texture, E_FAIL when not built.
    HRESULT TryQueryTexture(DWORD id);
    HRESULT TryQueryTextureByIndex(DWORD index);
    // The remaining count.
    int ReleaseTexture(DWORD id, int bUnloadNow = 0);
    int ReleaseTextureByIndex(DWORD index, int bUnloadNow = 0);

    HRESULT LoadTexture(DWORD id, IDirect3DDevice8* device = nullptr, D3DFORMAT format = D3DFMT_UNKNOWN, int width = -1,
                        int height = -1, DWORD usage = 0, DWORD filter = 4, DWORD mipFilter = 4, DWORD colorKey = 0,
                        const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT LoadTextureByIndex(DWORD index, IDirect3DDevice8* device = nullptr, D3DFORMAT format = D3DFMT_UNKNOWN,
                               int width = -1, int height = -1, DWORD usage = 0, DWORD filter = 4, DWORD mipFilter = 4,
                               DWORD colorKey = 0, const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT LoadTextureByTexturePointer(CTexture* texture, IDirect3DDevice8* device = nullptr,
                                        D3DFORMAT format = D3DFMT_UNKNOWN, int width = -1, int height = -1,
                                        DWORD usage = 0, DWORD filter = 4, DWORD mipFilter = 4, DWORD colorKey = 0,
                                        const TEXTURE_CONFIG* cfg = nullptr);
    HRESULT LoadAllTexture(IDirect3DDevice8* device = nullptr, D3DFORMAT format = D3DFMT_UNKNOWN, int width = -1,
                           int height = -1, DWORD usage = 0, DWORD filter = 4, DWORD mipFilter = 4, DWORD colorKey = 0);

    HRESULT UnloadTexture(DWORD id);
    HRESULT UnloadTextureByIndex(DWORD index);
    HRESULT UnloadTextureByTexturePointer(CTexture* texture);
    HRESULT UnloadAllTexture();

    // Loads a referenced texture that is not built, unloads a built one that
    // is not referenced.
    HRESULT ApplyReference(DWORD id, const TEXTURE_CONFIG* cfg = nullptr, D3DFORMAT format = D3DFMT_UNKNOWN,
                           int width = -1, int height = -1, DWORD usage = 0, DWORD filter = 4, DWORD mipFilter = 4,
                           DWORD colorKey = 0);
    HRESULT ApplyReferenceByIndex(DWORD index, const TEXTURE_CONFIG* cfg = nullptr, D3DFORMAT format = D3DFMT_UNKNOWN,
                                  int width = -1, int height = -1, DWORD usage = 0, DWORD filter = 4,
                                  DWORD mipFilter = 4, DWORD colorKey = 0);
    HRESULT ApplyAllTexturesReference();

    // Hands a texture built elsewhere to the entry of its id.
    HRESULT AttachLoadedTexture(CTexture* texture, int addRef);

    HRESULT SetCfgTexture(const TEXTURE_CONFIG* cfg);
    HRESULT Rebuild();

    HRESULT SetMipLevels(DWORD levels);
    void SetPriority(DWORD priority);
    void SetLOD(float lod);
    void PreLoad();

    void CheckCache();
    void ClearCache();

    int IsCacheEnable() const { return m_dwMaxCacheSize > 0 ? 1 : 0; }
    DWORD GetMaxCacheSize() const { return m_dwMaxCacheSize; }
    void SetMaxCacheSize(DWORD capacity) { m_dwMaxCacheSize = capacity; }
    DWORD GetCacheSize() const { return static_cast<DWORD>(m_Cache.size()); }
    DWORD GetLoadedTextures() const { return m_dwLoadedTextures; }
    int IsMultiThreaded() const { return m_bMultiThreaded; }
    int IsBuilt() const { return m_bBuilt; }
    const TEXTURE_CONFIG* GetCfgTexture() const { return &m_CfgTexture; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }
    void SetDevice(IDirect3DDevice8* device) { m_pDevice = device; }
    // The entry's texture, built or not, or null.
    CTexture* GetTexture(DWORD id) const { return GetTextureByIndex(GetIndexFormID(id)); }
    CTexture* GetTextureByIndex(DWORD index) const;
    IDirect3DTexture8* GetD3DTexture(DWORD id) const;
    D3DPOOL GetPool() const { return m_CfgTexture.Pool; }
    DWORD GetMipLevels() const { return m_CfgTexture.dwMipLevels; }
    DWORD GetPriority() const { return m_dwPriority; }
    float GetLOD() const { return m_CfgTexture.fLOD; }

protected:
    void PushToCache(CTexture* texture);
    void LockIdxLib();
    void UnlockIdxLib();
    BOOL TryIdxLib();

private:
    // The lock when the manager is multi-threaded, else null.
    CRITICAL_SECTION* Section() { return m_bMultiThreaded ? &m_Lock : nullptr; }

    HRESULT LoadOne(CTexture* texture, IDirect3DDevice8* device, const TEXTURE_CONFIG* cfg, int width, int height,
                    DWORD usage, DWORD colorKey);
    HRESULT LoadRun(IDirect3DDevice8* device, bool onlyReferenced, int width, int height, DWORD usage, DWORD colorKey);
    void LogLoadFailure(const CTexture* texture) const;
    HRESULT ReloadTexture(CTexture* texture, int width, int height, TEXTURE_CONFIG cfg);
    void UnloadBuilt(CTexture* texture);
    // The bodies of the public operations, run with the lock held.
    CTexture* QueryLocked(DWORD index, int bLoad, const TEXTURE_CONFIG* cfg, int width, int height, DWORD usage,
                          DWORD colorKey);
    HRESULT TryQueryLocked(DWORD index);
    int ReleaseLocked(DWORD index, int bUnloadNow);
    void CheckCacheLocked();
    void CreateLock(int bMultiThreaded);
    void DeleteLock();
    void CopySettings(const CTextureMng& other);

    int m_bBuilt;
    TEXTURE_CONFIG m_CfgTexture;
    IDirect3DDevice8* m_pDevice;
    DWORD m_dwPriority;
    std::vector<DWORD> m_RefCounts; // remembered over a device loss in the DEFAULT pool
    int m_bHasRefCounts;
    DWORD m_dwLoadedTextures;
    std::deque<CTexture*> m_Cache; // oldest first
    DWORD m_dwMaxCacheSize;
    CRITICAL_SECTION m_Lock;
    int m_bMultiThreaded;
};
