// CImageSurface: a Direct3D 8 surface used as a 2D buffer. Prepare and
// Unprepare lock and unlock the surface; copies between surfaces of one
// format take the Direct3D path.
#pragma once

#include <windows.h>
#include <d3d8.h>

#include "kestu_export.h"
#include "kestu_winbuf.h"

#if __has_include(<d3dx8tex.h>)
#include <d3dx8tex.h>
#define KESTU_HAS_D3DX_SURFACES 1
#endif

class KESTU_API CImageSurface : public WINDBUF {
public:
    CImageSurface();
    CImageSurface(IDirect3DDevice8* device, IDirect3DSurface8* surface);
    CImageSurface(IDirect3DDevice8* device, int w, int h, unsigned long usage);
    CImageSurface(IDirect3DDevice8* device, int w, int h, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample,
                  unsigned long usage, D3DPOOL pool);
    CImageSurface(const CImageSurface&) = delete;
    CImageSurface& operator=(const CImageSurface&) = delete;
    ~CImageSurface() override;

    using WINDBUF::Build;
    // Takes a reference on the surface for as long as the object keeps it.
    virtual HRESULT Build(IDirect3DDevice8* device, IDirect3DSurface8* surface);
    virtual HRESULT Build(IDirect3DDevice8* device, int w, int h, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample,
                          unsigned long usage, D3DPOOL pool);
    virtual HRESULT Build(IDirect3DDevice8* device, int w, int h, unsigned long usage, D3DPOOL pool);
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();
    virtual HRESULT Release();
    virtual HRESULT CloneSysMemImage();
    virtual HRESULT ColorFill(unsigned long colour, const RECT* rect);
#ifdef KESTU_HAS_D3DX_SURFACES
    virtual HRESULT SaveToDiskFile(const char* path, D3DXIMAGE_FILEFORMAT format, const RECT* rect);
    // Loads a picture file over the whole surface (the clone of a default-pool
    // surface, which then goes to the surface).
    virtual HRESULT Load(const char* path);
#endif
    virtual HRESULT Load(VPaper* src, PAINT_TYPE type, int x, int y, int w, int h, int sx, int sy, const GRECT* clip);

    using WINDBUF::Paint;
    int Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip) override;
    int Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip) override;
    int Paint(HWND window, int x, int y, int w, int h, int sx, int sy) override;
    int WhoAmI() override { return 7; }
    void* Prepare(GRECT* rect) override;
    void Unprepare() override;
    void Line(int colour, int x1, int y1, int x2, int y2, const GRECT* clip) override;

    HRESULT LockSurface(const RECT* rect, unsigned long flags);
    HRESULT UnlockSurface();
    int AbsLock();
    int AbsUnLock();
    HRESULT PaintFast(const RECT* rects, unsigned count, const POINT* points, IDirect3DSurface8* target);
    HRESULT PaintFast(IDirect3DSurface8* target);
    // Copies (sx, sy, sw, sh) of this surface to (dx, dy, dw, dh) of target
    // (null: the render target). Filter 1 copies unscaled: mode 1 through
    // CopyRects (falling back to a locked copy), mode 0 by locked copy. Other
    // filters scale through D3DX, magenta keyed (E_NOTIMPL in builds without
    // the D3DX surface functions).
    HRESULT Paint(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, unsigned long filter,
                  unsigned long mode, IDirect3DSurface8* target, const GRECT* clip);
    HRESULT Paint(unsigned long filter, PAINT_TYPE mode, IDirect3DSurface8* target, const GRECT* clip);

    int IsBuilt() const { return m_surface != nullptr ? 1 : 0; }
    IDirect3DSurface8* GetSurface() const { return m_surface; }
    IDirect3DSurface8* GetCanBeModifiedSurface() const { return m_desc.Pool == D3DPOOL_DEFAULT ? m_clone : m_surface; }
    IDirect3DSurface8* GetClone() const { return m_clone; }
    D3DFORMAT GetSurfacePixelFormat() const { return m_desc.Format; }
    DWORD GetUsage() const { return m_desc.Usage; }
    D3DPOOL GetPool() const { return m_desc.Pool; }
    int IsLocked() const { return m_locked.pBits != nullptr ? 1 : 0; }
    void* GetLockedBits() const { return m_locked.pBits; }
    const RECT& GetLockedRect() const { return m_lockedRect; }
    int IsAbsLock() const { return m_absLock; }
    int IsOwned() const { return m_owned; }
    // The result of the last Unprepare: 1 when nothing had to be unlocked or the unlock succeeded.
    int GetUnprepareResult() const { return m_unprepareResult; }
    static int GetCImageSurfaceNumber() { return s_count; }

private:
    void TakeDescription(const D3DSURFACE_DESC& desc);
    void ClearLockState();
    HRESULT CreateFor(IDirect3DDevice8* device, int w, int h, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample,
                      unsigned long usage, D3DPOOL pool, IDirect3DSurface8** out);
    HRESULT LockedCopy(const RECT& src, IDirect3DSurface8* target, const POINT& to);
    HRESULT ScaledPaint(const RECT& target, const RECT& source, unsigned long filter, IDirect3DSurface8* to);

    int m_owned;
    IDirect3DSurface8* m_surface;
    IDirect3DSurface8* m_clone;
    D3DSURFACE_DESC m_desc;
    IDirect3DDevice8* m_device;
    RECT m_lockedRect;
    D3DLOCKED_RECT m_locked;
    int m_absLock;
    int m_unprepareResult;

    static int s_count;
};
