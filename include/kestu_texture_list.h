// CTextureList: the texture set of one mesh library. In array mode it owns
// named textures loaded from image files and names them by array index; in
// manager mode it owns a texture manager over a texture library and names
// them by library id.
#pragma once
#include <windows.h>
#include <d3d8.h>

#include "kestu_export.h"
#include "kestu_texture.h"
#include "kestu_texture_mng.h"
#include "pointer_array.h"

enum ENUM_TEXTURELIST_MODE : int32_t { TEXTURELIST_MODE_ARRAY = 0, TEXTURELIST_MODE_MNG = 1 };

// One entry of the array mode: an owned texture under a file name.
struct KESTU_API SNamedTexture {
    SNamedTexture() : pTexture(nullptr), pszName(nullptr) {}
    SNamedTexture(CTexture* texture, const char* name);
    // Copies share the texture and hold a name of their own.
    SNamedTexture(const SNamedTexture& other);
    SNamedTexture& operator=(const SNamedTexture& other);
    // Frees the name only; the list deletes the texture.
    virtual ~SNamedTexture();

    HRESULT SetName(const char* name);
    void ReleaseName();
    int IsHaveName() const { return pszName != nullptr && pszName[0] != '\0'; }
    // Byte for byte, case-sensitive; false without a name.
    int IsSame(const char* name) const;

    CTexture* pTexture;
    char* pszName;
};

class KESTU_API CTextureList {
public:
    CTextureList();
    CTextureList(const CTextureList&) = delete;
    CTextureList& operator=(const CTextureList&) = delete;
    virtual ~CTextureList();

    virtual void Release();
    virtual HRESULT BuildArrayMode(IDirect3DDevice8* device, const TEXTURE_CONFIG* cfg, DWORD initialCount = 512,
                                   DWORD growBy = 256, int bMultiThreaded = 0);
    virtual HRESULT BuildMngMode(IDirect3DDevice8* device, const TEXTURE_CONFIG* cfg, const char* libraryPath,
                                 int bMultiThreaded = 0, DWORD cacheCapacity = 0);
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();

    // The index (array mode) or id (manager mode) of a file name, loading as needed.
    HRESULT LoadTexture(DWORD* outIndex, const char* fileName, const TEXTURE_CONFIG* cfg = nullptr, int bLoad = 1);
    // Manager mode only.
    CTexture* QueryTexture(DWORD id, const TEXTURE_CONFIG* cfg = nullptr, int bLoad = 1);
    int ReleaseTexture(DWORD id, int bUnloadNow = 0);
    HRESULT ApplyAllTexturesReference();

    HRESULT UnloadTexture(DWORD index, int flag = 0);
    HRESULT UnloadAllTexture();
    DWORD GetNumTextures();
    CTexture* GetTexture(DWORD n);
    IDirect3DTexture8* GetD3DTexture(DWORD n);
    SNamedTexture* GetNamedTexture(DWORD index);

    HRESULT SetCfgTexture(const TEXTURE_CONFIG* cfg);
    HRESULT ReBuild();
    HRESULT SetMipLevels(DWORD levels);
    DWORD GetSetSingleMipLevels(DWORD n);
    HRESULT SetSetSingleMipLevels(DWORD n, DWORD levels);
    HRESULT SetSingleTexLOD(DWORD n, float lod);
    float GetSingleTexLOD(DWORD n);
    HRESULT SetTexLOD(float lod);

    int IsMultiThreaded() const { return m_bMultiThreaded; }
    ENUM_TEXTURELIST_MODE GetMode() const { return m_eMode; }
    int IsUseTextureArray() const { return m_eMode == TEXTURELIST_MODE_ARRAY ? 1 : 0; }
    int IsUseTextureMng() const { return m_eMode == TEXTURELIST_MODE_MNG ? 1 : 0; }
    CPointerArray* GetArray() const { return m_pArray; }
    CTextureMng* GetMng() const { return m_pMng; }
    int IsBuilt() const { return m_bBuilt; }
    DWORD GetMipLevels() const { return m_CfgTexture.dwMipLevels; }
    float GetTexLOD() const { return m_CfgTexture.fLOD; }
    D3DPOOL GetPool() const { return m_CfgTexture.Pool; }
    const TEXTURE_CONFIG* GetCfgTexture() const { return &m_CfgTexture; }
    // Gives back the array's spare room when it is worth it.
    HRESULT TestShrink();

protected:
    void LockArray();
    void UnlockArray();
    BOOL TryArray();

private:
    // The lock of an array-mode list built multi-threaded, else null.
    CRITICAL_SECTION* Section() { return m_bLockCreated ? &m_Lock : nullptr; }
    HRESULT BuildCommon(ENUM_TEXTURELIST_MODE mode, int bMultiThreaded, const TEXTURE_CONFIG* cfg);
    SNamedTexture* EntryAt(DWORD index) const;
    CTexture* TextureAt(DWORD n) const;
    HRESULT ReloadEntry(DWORD index, SNamedTexture* entry, const TEXTURE_CONFIG* cfg, int width, int height,
                        DWORD usage);
    void DeleteEntry(DWORD index);
    // Every entry's texture runs op, under the lock; the results ORed.
    HRESULT OnEveryTexture(HRESULT (CTexture::*op)());

    IDirect3DDevice8* m_pDevice;
    TEXTURE_CONFIG m_CfgTexture;
    int m_bBuilt;
    ENUM_TEXTURELIST_MODE m_eMode;
    CPointerArray* m_pArray;
    CTextureMng* m_pMng;
    CRITICAL_SECTION m_Lock;
    int m_bLockCreated;
    int m_bMultiThreaded;
};
