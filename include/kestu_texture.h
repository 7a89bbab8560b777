// CTexture: a Direct3D 8 texture that is at the same time a 2D buffer (the
// 2D painters lock it through Prepare and paint into it) and an item of a
// texture library (the texture manager keeps one per library entry).
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8tex.h>

#include "index_lib.h"
#include "kestu_export.h"
#include "kestu_paper.h"
#include "kestu_texture_config.h"

// The quad vertex of the screen paints: XYZRHW | DIFFUSE | TEX1.
#define KESTU_FVF_TEXTURE_QUAD 0x144

class KESTU_API CTexture : public DBUF, public SIdxLibItem {
public:
    CTexture();
    // A copy shares the Direct3D textures and holds references of its own on
    // them, so both objects release what they hold.
    CTexture(const CTexture& other);
    CTexture& operator=(const CTexture& other);
    ~CTexture() override;

    // The 2D buffer side.
    using DBUF::Build;
    int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) override;
    int Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip) override;
    int WhoAmI() override { return 8; }
    // The locked bits of the rectangle of level 0 (null: the whole level), or null.
    void* Prepare(GRECT* rect) override;
    // Unlocks level 0; GetUnprepareResult tells whether that succeeded.
    void Unprepare() override;
    virtual HRESULT ColorFill(DWORD argb, const RECT* rect, DWORD level);
    virtual HRESULT SaveToDiskFile(const char* path, D3DXIMAGE_FILEFORMAT format);
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();
    // Draws the src part of the texture over dst of the render target as an
    // alpha-blended quad; 1 when drawn. Null rectangles mean the whole texture
    // and the whole render target.
    virtual int Paint(RECT* src, RECT* dst);

    // The library side: drops the Direct3D textures; name, id, size,
    // configuration and reference count stay.
    void Release() override;

    // An empty texture.
    HRESULT Build(IDirect3DDevice8* device, int width, int height, DWORD levels, DWORD usage, D3DFORMAT format,
                  D3DPOOL pool, DWORD id, int bAutoRestore);
    // An empty texture in the format and pool of the configuration (null: the defaults).
    HRESULT Build(IDirect3DDevice8* device, int width, int height, DWORD levels, DWORD usage, const TEXTURE_CONFIG* cfg,
                  DWORD id, int bAutoRestore);
    // Wraps a texture made elsewhere; no reference is added and none released.
    HRESULT Build(IDirect3DDevice8* device, IDirect3DTexture8* texture, DWORD id, int bAutoRestore);
    // Decodes an image file held in memory.
    HRESULT Build(IDirect3DDevice8* device, const void* data, DWORD size, const TEXTURE_CONFIG* cfg, int width,
                  int height, DWORD usage, DWORD colorKey, DWORD id, int bAlphaHint, int bAutoRestore);
    // Decodes an image file, with auto-restore.
    HRESULT Build(IDirect3DDevice8* device, const char* path, const TEXTURE_CONFIG* cfg, int width, int height,
                  DWORD usage, DWORD colorKey, DWORD id, int bAlphaHint);

    HRESULT CloneSysMemTexture();

    HRESULT LockSurface(const RECT* rect, DWORD flags, DWORD level);
    HRESULT UnlockSurface(DWORD level);
    BOOL AbsLock();
    BOOL AbsUnLock();

    HRESULT SetLOD(float lod);
    float GetLOD() const { return m_CfgTexture.fLOD; }
    HRESULT SetMipLevels(DWORD levels);
    DWORD SetPriority(DWORD priority);
    DWORD GetPriority();
    void PreLoad();

    // Takes over the textures of src, which must carry this texture's id.
    HRESULT Splice(CTexture* src);
    HRESULT GetSurfaceLevel(DWORD level, IDirect3DSurface8** surface);
    HRESULT SetRenderState() { return 0; }
    void SetVectorColor(BYTE a, BYTE r, BYTE g, BYTE b)
    {
        m_dwVectorColor = (DWORD(a) << 24) | (DWORD(r) << 16) | (DWORD(g) << 8) | DWORD(b);
    }
    DWORD GetVectorColor() const { return m_dwVectorColor; }

    // Run-time ids count down from 0xFFFFFFFE.
    static DWORD GenID();

    TEXTURE_CONFIG* GetCfgTexture() { return &m_CfgTexture; }
    const TEXTURE_CONFIG* GetCfgTexture() const { return &m_CfgTexture; }
    int IsAutoRestore() const { return m_bAutoRestore; }
    IDirect3DTexture8* GetD3DTexture() const { return m_pTexture; }
    IDirect3DTexture8* GetSysMemTexture() const { return m_pSysMemTexture; }
    IDirect3DTexture8* GetCanBeModifiedD3DTexture() const
    {
        return m_CfgTexture.Pool == D3DPOOL_DEFAULT ? m_pSysMemTexture : m_pTexture;
    }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }
    DWORD GetUsage() const { return m_dwUsage; }
    D3DPOOL GetPool() const { return m_CfgTexture.Pool; }
    DWORD GetMipLevels() const { return m_CfgTexture.dwMipLevels; }
    D3DFORMAT GetFormat() const { return m_Format; }
    DWORD GetTexWidth() const { return m_dwWidth; }
    DWORD GetTexHeight() const { return m_dwHeight; }
    int IsOwnTexture() const { return m_bOwnTexture; }
    int IsBuilt() const { return m_bBuilt; }
    int IsValid() const { return m_pTexture != nullptr ? 1 : 0; }
    int IsCanRestore() const { return (m_CfgTexture.Pool != D3DPOOL_DEFAULT || m_pSysMemTexture != nullptr) ? 1 : 0; }
    int IsLocked() const { return m_LockedRect.pBits != nullptr ? 1 : 0; }
    void* GetLockedBits() const { return m_LockedRect.pBits; }
    int GetLockedPitch() const { return m_LockedRect.Pitch; }
    const RECT& GetLockedRect() const { return m_rcLocked; }
    DWORD GetLockedLevel() const { return m_dwLockedLevel; }
    int IsAbsLock() const { return m_bAbsLock; }
    // The result of the last Unprepare: 1 when nothing was locked or the unlock succeeded.
    int GetUnprepareResult() const { return m_nUnprepareResult; }

    int GetRef() const { return m_nRef; }
    void SetRef(int ref) { m_nRef = ref; }
    int AddRef() { return ++m_nRef; }
    int SubRef()
    {
        if (m_nRef > 0) --m_nRef;
        return m_nRef;
    }
    void ClearRef() { m_nRef = 0; }

    static DWORD m_dwRunTimeID;

private:
    HRESULT BeginBuild(IDirect3DDevice8* device, DWORD usage, D3DPOOL pool) const;
    HRESULT EndBuild(IDirect3DDevice8* device, IDirect3DTexture8* made, IDirect3DTexture8* copy, int bOwn, D3DPOOL pool,
                     DWORD usage, DWORD id, int bAutoRestore);
    HRESULT DecodeDroppingLevels(IDirect3DDevice8* device, const void* data, DWORD size, const D3DXIMAGE_INFO& info,
                                 int width, int height, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD mipFilter,
                                 DWORD colorKey, IDirect3DTexture8** out);
    static HRESULT CloneToSystemMemory(IDirect3DDevice8* device, IDirect3DTexture8* texture, IDirect3DTexture8** out);
    void FillBufferFields();
    void ClearLockState();
    void ApplyLOD(IDirect3DTexture8* texture) const;
    void TakeTexture(const CTexture& other);
    void DropReferences();
    int DrawQuad(const RECT& src, const RECT& dst, float scaleX, float scaleY);

    int m_bOwnTexture;
    TEXTURE_CONFIG m_CfgTexture;
    DWORD m_dwWidth;
    DWORD m_dwHeight;
    IDirect3DTexture8* m_pTexture;
    IDirect3DTexture8* m_pSysMemTexture;
    IDirect3DDevice8* m_pDevice;
    D3DFORMAT m_Format;
    DWORD m_dwUsage;
    DWORD m_dwVectorColor;
    int m_bBuilt;
    int m_bAutoRestore;
    RECT m_rcLocked;
    DWORD m_dwLockedLevel;
    D3DLOCKED_RECT m_LockedRect;
    int m_bAbsLock;
    int m_nRef;
    int m_nUnprepareResult;
};
