// CGfxTextDevice3D: the numbered inner buffers the client fills with text.
#include <d3dx8tex.h>

#include <cstring>

#include "kestu_imageprobe.h"
#include "kestu_log.h"
#include "kestu_textdevice3d.h"

HRESULT CGfxTextDevice3D::CreateInnerBuf(int i, DWORD width, DWORD height, unsigned int levels, DWORD usage,
                                         D3DFORMAT format, D3DPOOL pool)
{
    if (i < 0 || i >= m_nInnerBufs || m_pDevice == nullptr) return E_INVALIDARG;
    ReleaseInnerBuf(i);
    m_InnerWidth[size_t(i)] = width;
    m_InnerHeight[size_t(i)] = height;
    CTexture* texture = new CTexture();
    HRESULT hr = texture->Build(m_pDevice, int(GfxUtil_FindMinSizeForTexture(width, 1)),
                                int(GfxUtil_FindMinSizeForTexture(height, 1)), levels, usage, format, pool,
                                CTexture::GenID(), 1);
    if (SUCCEEDED(hr)) {
        D3DLOCKED_RECT locked{};
        IDirect3DTexture8* modifiable = texture->GetCanBeModifiedD3DTexture();
        hr = modifiable ? modifiable->LockRect(0, &locked, nullptr, 0) : KESTUERR_NOTEXTURE;
        if (SUCCEEDED(hr)) {
            D3DSURFACE_DESC desc{};
            modifiable->GetLevelDesc(0, &desc);
            for (UINT r = 0; r < desc.Height; ++r)
                std::memset(static_cast<uint8_t*>(locked.pBits) + intptr_t(r) * locked.Pitch, 0, size_t(locked.Pitch));
            modifiable->UnlockRect(0);
        }
        // A DEFAULT-pool buffer gets its device texture now, as the other pools do.
        if (SUCCEEDED(hr)) hr = texture->Restore();
    }
    if (FAILED(hr)) {
        delete texture;
        return hr;
    }
    m_InnerBufs[size_t(i)] = texture;
    return S_OK;
}

HRESULT CGfxTextDevice3D::ReleaseInnerBuf(int i)
{
    if (i == -1) {
        for (CTexture*& t : m_InnerBufs) FreeTexture(t);
        return S_OK;
    }
    if (i < 0 || i >= m_nInnerBufs) return E_INVALIDARG;
    FreeTexture(m_InnerBufs[size_t(i)]);
    return S_OK;
}

HRESULT CGfxTextDevice3D::DrawTextToInnerBuf(int i, const unsigned short* text, int length, int x, int y, int clear)
{
    if (text == nullptr || length == 0 || (length == -1 && text[0] == 0)) return S_OK;
    CTexture* texture = GetInnerBuffer(i);
    if (texture == nullptr) return E_FAIL;
    IDirect3DTexture8* shown = texture->GetD3DTexture();
    if (shown == nullptr) return KESTUERR_NOTEXTURE;
    // A DEFAULT-pool buffer is drawn in its system-memory copy and uploaded,
    // so that Restore brings its text back after a lost device.
    IDirect3DTexture8* kept = texture->GetSysMemTexture();
    IDirect3DTexture8* target = texture->GetPool() == D3DPOOL_DEFAULT && kept ? kept : shown;
    IDirect3DSurface8* level = nullptr;
    HRESULT hr = target->GetSurfaceLevel(0, &level);
    if (FAILED(hr)) return hr;
    hr = DrawTextToSur(level, text, length, x, y, clear);
    level->Release();
    if (SUCCEEDED(hr) && target->GetLevelCount() > 1) D3DXFilterTexture(target, nullptr, 0, m_dwMipFilter);
    if (SUCCEEDED(hr) && target != shown) hr = m_pDevice->UpdateTexture(target, shown);
    return hr;
}

HRESULT CGfxTextDevice3D::DrawTextToInnerBuf(int i, const unsigned short* text, int length, int x, int y,
                                             const D3DRECT* rect, unsigned int format, int clear)
{
    const SGfxTextAttri3D saved = m_Attri;
    m_Attri.dwFormat = format;
    if (rect) m_Attri.rcLayout = {rect->x1, rect->y1, rect->x2, rect->y2};
    const HRESULT hr = DrawTextToInnerBuf(i, text, length, x, y, clear);
    m_Attri = saved;
    return hr;
}

HRESULT CGfxTextDevice3D::DrawInnerBufTo2D(int i, int x, int y, float scaleX, float scaleY)
{
    CTexture* t = GetInnerBuffer(i);
    if (t == nullptr) return E_FAIL;
    return DrawInnerBufTo2D(i, 0, 0, int(m_InnerWidth[size_t(i)]), int(m_InnerHeight[size_t(i)]), x, y, scaleX, scaleY);
}

HRESULT CGfxTextDevice3D::DrawInnerBufTo2D(int i, int srcX, int srcY, int srcWidth, int srcHeight, int x, int y,
                                           float scaleX, float scaleY)
{
    CTexture* t = GetInnerBuffer(i);
    if (t == nullptr) return E_FAIL;
    const float tw = float(t->GetTexWidth()), th = float(t->GetTexHeight());
    return PutTexTo2D(t->GetD3DTexture(), float(srcX) / tw, float(srcY) / th, float(srcX + srcWidth) / tw,
                      float(srcY + srcHeight) / th, float(x), float(y), float(x) + float(srcWidth) * scaleX,
                      float(y) + float(srcHeight) * scaleY);
}

HRESULT CGfxTextDevice3D::DrawInnerBufTo3D(int i, const D3DXVECTOR3* position, const D3DXVECTOR3* direction,
                                           const D3DXVECTOR3* up, float sizeX, float sizeY)
{
    CTexture* t = GetInnerBuffer(i);
    if (t == nullptr) return E_FAIL;
    return DrawInnerBufTo3D(i, 0, 0, int(m_InnerWidth[size_t(i)]), int(m_InnerHeight[size_t(i)]), position, direction,
                            up, sizeX, sizeY);
}

HRESULT CGfxTextDevice3D::DrawInnerBufTo3D(int i, int srcX, int srcY, int srcWidth, int srcHeight,
                                           const D3DXVECTOR3* position, const D3DXVECTOR3* direction,
                                           const D3DXVECTOR3* up, float sizeX, float sizeY)
{
    CTexture* t = GetInnerBuffer(i);
    if (t == nullptr) return E_FAIL;
    const float tw = float(t->GetTexWidth()), th = float(t->GetTexHeight());
    return PutTexTo3D(t->GetD3DTexture(), float(srcX) / tw, float(srcY) / th, float(srcX + srcWidth) / tw,
                      float(srcY + srcHeight) / th, position, direction, up, float(srcWidth) * sizeX,
                      float(srcHeight) * sizeY);
}
