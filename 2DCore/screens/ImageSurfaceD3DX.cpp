// CImageSurface: the paths that go through the D3DX surface functions.
#include "kestu_imagesurface.h"
#include "kestu_log.h"

#ifdef KESTU_HAS_D3DX_SURFACES

HRESULT CImageSurface::ScaledPaint(const RECT& target, const RECT& source, unsigned long filter, IDirect3DSurface8* to)
{
    return D3DXLoadSurfaceFromSurface(to, nullptr, &target, m_surface, nullptr, &source, DWORD(filter), 0xFFFF00FF);
}

HRESULT CImageSurface::SaveToDiskFile(const char* path, D3DXIMAGE_FILEFORMAT format, const RECT* rect)
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    if (m_locked.pBits != nullptr) return KESTUERR_GENERIC;
    return D3DXSaveSurfaceToFileA(path, format, m_surface, nullptr, rect);
}

HRESULT CImageSurface::Load(const char* path)
{
    if (m_device == nullptr || m_surface == nullptr) return KESTUERR_SURFACENOTBUILT;
    if (m_desc.Pool == D3DPOOL_DEFAULT && m_clone == nullptr) {
        const HRESULT cloned = CloneSysMemImage();
        if (FAILED(cloned)) return cloned;
    }
    IDirect3DSurface8* into = m_desc.Pool == D3DPOOL_DEFAULT ? m_clone : m_surface;
    const HRESULT hr =
        D3DXLoadSurfaceFromFileA(into, nullptr, nullptr, path, nullptr, D3DX_FILTER_TRIANGLE, 0, nullptr);
    if (FAILED(hr)) return hr;
    return Restore();
}

#else

HRESULT CImageSurface::ScaledPaint(const RECT&, const RECT&, unsigned long, IDirect3DSurface8*) { return E_NOTIMPL; }

#endif
