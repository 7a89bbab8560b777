// CGfxTextDevice3D: rendering text into textures and drawing it on the
// screen or in the world.
#include <d3dx8tex.h>
#include <mmsystem.h>

#include <cstring>

#include "kestu_imageprobe.h"
#include "kestu_log.h"
#include "kestu_textdevice3d.h"
#include "text/layout/TextLayout.h"

namespace {

bool EmptyText(const unsigned short* text, int length)
{
    return text == nullptr || length == 0 || (length == -1 && text[0] == 0);
}

std::u16string Key(const unsigned short* text, int length)
{
    const int n = length == -1 ? kestu::text::TextLength(text) : length;
    return std::u16string(reinterpret_cast<const char16_t*>(text), size_t(n > 0 ? n : 0));
}

void Fill(uint8_t* bits, int pitch, UINT width, UINT height, D3DFORMAT format, DWORD argb)
{
    if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) {
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) std::memcpy(bits + intptr_t(y) * pitch + x * 4, &argb, 4);
        return;
    }
    uint16_t v = format == D3DFMT_R5G6B5
                     ? uint16_t(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0) | ((argb >> 3) & 0x001F))
                     : uint16_t(((argb >> 9) & 0x7C00) | ((argb >> 6) & 0x03E0) | ((argb >> 3) & 0x001F));
    if (format == D3DFMT_A1R5G5B5 && (argb >> 24) != 0) v |= 0x8000;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) std::memcpy(bits + intptr_t(y) * pitch + x * 2, &v, 2);
}

} // namespace

HRESULT CGfxTextDevice3D::DrawTextToSur(IDirect3DSurface8* surface, const unsigned short* text, int length, int x,
                                        int y, int clear)
{
    if (surface == nullptr || EmptyText(text, length)) return S_FALSE;
    D3DSURFACE_DESC desc{};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    if (!CGfxFont::IsValidFormat(desc.Format)) return E_INVALIDARG;
    D3DLOCKED_RECT locked{};
    hr = surface->LockRect(&locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    uint8_t* bits = static_cast<uint8_t*>(locked.pBits);
    if (clear) {
        if ((m_Attri.dwBkColor >> 24) != 0) {
            Fill(bits, locked.Pitch, desc.Width, desc.Height, desc.Format, m_Attri.dwBkColor);
        } else {
            const size_t row = size_t(desc.Width) * (desc.Format <= D3DFMT_X8R8G8B8 ? 4 : 2);
            for (UINT r = 0; r < desc.Height; ++r) std::memset(bits + intptr_t(r) * locked.Pitch, 0, row);
        }
    }
    hr = S_OK;
    if ((m_Attri.dwColor >> 24) != 0)
        hr = DrawTextToBuffer(bits, locked.Pitch, int(desc.Width), int(desc.Height), desc.Format, text, length,
                              x + m_Attri.nPadLeft, y + m_Attri.nPadTop);
    surface->UnlockRect();
    return hr;
}

HRESULT CGfxTextDevice3D::DrawTextToSur(IDirect3DSurface8* surface, const unsigned short* text, int length, int x,
                                        int y, const D3DRECT* rect, unsigned int format, int clear)
{
    const SGfxTextAttri3D saved = m_Attri;
    m_Attri.dwFormat = format;
    if (rect) m_Attri.rcLayout = {rect->x1, rect->y1, rect->x2, rect->y2};
    const HRESULT hr = DrawTextToSur(surface, text, length, x, y, clear);
    m_Attri = saved;
    return hr;
}

HRESULT CGfxTextDevice3D::DrawTextToLevel0(CTexture* texture, const unsigned short* text, int length, int x, int y,
                                           const D3DRECT* rect, int clear)
{
    IDirect3DSurface8* level = nullptr;
    HRESULT hr = texture->GetD3DTexture()->GetSurfaceLevel(0, &level);
    if (FAILED(hr)) return hr;
    hr = rect ? DrawTextToSur(level, text, length, x, y, rect, m_Attri.dwFormat, clear)
              : DrawTextToSur(level, text, length, x, y, clear);
    level->Release();
    return hr;
}

HRESULT CGfxTextDevice3D::DrawTextOnTexture(CTexture*& texture, const unsigned short* text, int length, int width,
                                            int height, int x, int y, int keepPosition, DWORD mipLevels)
{
    HRESULT hr = S_OK;
    if (texture == nullptr) {
        hr = NewTexture(texture, DWORD(width), DWORD(height), mipLevels);
        if (FAILED(hr)) return hr;
    }
    if (texture->GetD3DTexture() == nullptr) {
        FreeTexture(texture);
        return KESTUERR_NOTEXTURE;
    }
    if (!keepPosition) {
        x -= m_Attri.rcLayout.left;
        y -= m_Attri.rcLayout.top;
    }
    const D3DRECT rect{0, 0, width, height};
    hr = DrawTextToLevel0(texture, text, length, x, y, &rect, 1);
    if (FAILED(hr)) FreeTexture(texture);
    return hr;
}

HRESULT CGfxTextDevice3D::RenderShared(const unsigned short* text, int length, int x, int y, int w, int h, bool for3D)
{
    const std::u16string key = Key(text, length);
    TCN& node = m_Shared;
    if (node.texture && !node.text.empty() && node.text == key && node.attri == m_Attri) return S_OK;
    if (!node.texture || node.texture->GetTexWidth() < DWORD(w) || node.texture->GetTexHeight() < DWORD(h)) {
        ReleaseNode(node);
        // Room for texts that come later: twice what this one needs.
        const DWORD tw = for3D ? DWORD(2 * w) : 2 * GfxUtil_FindMinSizeForTexture(DWORD(w), 1);
        const DWORD th = for3D ? DWORD(2 * h) : 2 * GfxUtil_FindMinSizeForTexture(DWORD(h), 1);
        const HRESULT hr = NewTexture(node.texture, tw, th, for3D ? 0 : 1);
        if (FAILED(hr)) return hr;
    }
    node.text.clear();
    const HRESULT hr = DrawTextOnTexture(node.texture, text, length, w, h, x, y, 1, 1);
    if (FAILED(hr)) {
        ReleaseNode(node);
        return hr;
    }
    if (for3D) D3DXFilterTexture(node.texture->GetD3DTexture(), nullptr, 0, m_dwMipFilter);
    node.text = key;
    node.attri = m_Attri;
    return S_OK;
}

HRESULT CGfxTextDevice3D::CachedTexture(const unsigned short* text, int length, int x, int y, int w, int h, int drawX,
                                        int drawY, bool for3D, CTexture*& texture)
{
    const std::u16string key = Key(text, length);
    TCN* node = nullptr;
    const Found found = FindCacheNode(key, x, y, w, h, node);
    if (node) {
        texture = node->texture;
        node->lastUse = timeGetTime();
        return S_OK;
    }
    if (found == Found::NoEntry && m_Cache.size() >= m_dwCacheCapacity) {
        // The smallest string goes, with all its textures.
        for (TCN& n : m_Cache.begin()->second) ReleaseNode(n);
        m_Cache.erase(m_Cache.begin());
    }
    texture = nullptr;
    const HRESULT hr = DrawTextOnTexture(texture, text, length, w, h, drawX, drawY, for3D ? 1 : 0, 1);
    if (FAILED(hr)) return hr;
    if (for3D && found == Found::NoEntry) D3DXFilterTexture(texture->GetD3DTexture(), nullptr, 0, m_dwMipFilter);
    AddCacheNode(key, x, y, w, h, texture, found == Found::NoEntry);
    return S_OK;
}

HRESULT CGfxTextDevice3D::DrawTextTo2D(const unsigned short* text, int length, int x, int y)
{
    if (EmptyText(text, length)) return S_FALSE;
    if (!m_bBuilt) return E_FAIL;
    const RECT saved = m_Attri.rcLayout;
    const bool noWrap = m_Attri.IsHaveFormat(GFXTF_NOWRAP);
    const auto finish = [&](HRESULT hr) {
        // The caller's layout rectangle and flags come back whatever happened.
        m_Attri.rcLayout = saved;
        if (noWrap) m_Attri.SetFormat(GFXTF_NOWRAP, 1);
        return hr;
    };
    D3DRECT r{x, y, saved.right, saved.bottom};
    DWORD lines = 0;
    HRESULT hr = CalcRect(text, length, m_Attri.dwFormat, &r, lines);
    if (FAILED(hr)) return finish(hr);
    r.x2 += m_Attri.nPadLeft + m_Attri.nPadRight;
    r.y2 += m_Attri.nPadTop + m_Attri.nPadBottom;
    if (noWrap) {
        m_Attri.SetFormat(GFXTF_NOWRAP, 0);
    } else {
        if (r.x2 < r.x1) r.x2 = r.x1;
        if (r.y2 < r.y1) r.y2 = r.y1;
    }
    m_Attri.rcLayout = {r.x1, r.y1, r.x2, r.y2};
    const int w = r.x2 - r.x1, h = r.y2 - r.y1;
    if (w < 1 || h < 1) return finish(S_FALSE);

    CTexture* texture = nullptr;
    const int rx = x - r.x1, ry = y - r.y1;
    if (!IsTextCaching()) {
        hr = RenderShared(text, length, rx, ry, w, h, false);
        if (FAILED(hr)) return finish(hr);
        texture = m_Shared.texture;
    } else {
        hr = CachedTexture(text, length, rx, ry, w, h, x, y, false, texture);
        if (FAILED(hr)) return finish(hr);
    }
    const float tw = float(texture->GetTexWidth()), th = float(texture->GetTexHeight());
    const float left = float(r.x1), top = float(r.y1);
    hr = PutTexTo2D(texture->GetD3DTexture(), 0.0f, 0.0f, float(w) / tw, float(h) / th, left, top,
                    left + float(w) * m_Attri.fScale2DX, top + float(h) * m_Attri.fScale2DY);
    return finish(hr);
}

HRESULT CGfxTextDevice3D::DrawTextTo2D(const unsigned short* text, int length, int x, int y, const D3DRECT* rect,
                                       unsigned int format, float scaleX, float scaleY)
{
    const SGfxTextAttri3D saved = m_Attri;
    m_Attri.dwFormat = format | (rect ? 0u : unsigned(GFXTF_NOWRAP));
    m_Attri.fScale2DX = scaleX;
    m_Attri.fScale2DY = scaleY;
    if (rect) m_Attri.rcLayout = {rect->x1, rect->y1, rect->x2, rect->y2};
    const HRESULT hr = DrawTextTo2D(text, length, x, y);
    m_Attri = saved;
    return hr;
}

HRESULT CGfxTextDevice3D::DrawTextTo3D(const unsigned short* text, int length)
{
    if (EmptyText(text, length)) return S_FALSE;
    if (!m_bBuilt) return E_FAIL;
    if (m_Attri.dwTexWidth == 0 || m_Attri.dwTexHeight == 0) m_Attri.SetFormat(GFXTF_NOWRAP, 1);
    if (m_Attri.IsHaveFormat(GFXTF_NOWRAP)) {
        D3DRECT r{0, 0, 0, 0};
        DWORD lines = 0;
        HRESULT hr = CalcRect(text, length, m_Attri.dwFormat, &r, lines);
        if (FAILED(hr)) return hr;
        const long w = long(r.x2 - r.x1) + m_Attri.nPadLeft + m_Attri.nPadRight;
        const long h = long(r.y2 - r.y1) + m_Attri.nPadTop + m_Attri.nPadBottom;
        if (w < 1 || h < 1) return S_FALSE;
        m_Attri.SetFormat(GFXTF_NOWRAP, 0);
        const D3DXVECTOR3 position = m_Attri.vPosition, direction = m_Attri.vDirection, up = m_Attri.vUp;
        hr = DrawTextTo3D(text, length, &position, &direction, &up, DWORD(w), DWORD(h), m_Attri.dwFormat,
                          m_Attri.fSize3DX, m_Attri.fSize3DY);
        m_Attri.SetFormat(GFXTF_NOWRAP, 1);
        return hr;
    }
    const int W = int(m_Attri.dwTexWidth), H = int(m_Attri.dwTexHeight);
    CTexture* texture = nullptr;
    HRESULT hr = S_OK;
    if (IsTextCaching()) {
        hr = CachedTexture(text, length, 0, 0, W, H, 0, 0, true, texture);
        if (FAILED(hr)) return hr;
    } else {
        hr = RenderShared(text, length, 0, 0, W, H, true);
        if (FAILED(hr)) return hr;
        texture = m_Shared.texture;
    }
    const float tw = float(texture->GetTexWidth()), th = float(texture->GetTexHeight());
    return PutTexTo3D(texture->GetD3DTexture(), 0.0f, 0.0f, float(W) / tw, float(H) / th, &m_Attri.vPosition,
                      &m_Attri.vDirection, &m_Attri.vUp, float(W) * m_Attri.fSize3DX, float(H) * m_Attri.fSize3DY);
}

HRESULT CGfxTextDevice3D::DrawTextTo3D(const unsigned short* text, int length, const D3DXVECTOR3* position,
                                       const D3DXVECTOR3* direction, const D3DXVECTOR3* up, DWORD width, DWORD height,
                                       unsigned int format, float sizeX, float sizeY)
{
    if (EmptyText(text, length)) return S_FALSE;
    if (position == nullptr || direction == nullptr || up == nullptr) return E_FAIL;
    const SGfxTextAttri3D saved = m_Attri;
    m_Attri.vPosition = *position;
    m_Attri.vDirection = *direction;
    m_Attri.vUp = *up;
    m_Attri.dwTexWidth = width;
    m_Attri.dwTexHeight = height;
    m_Attri.dwFormat = format;
    m_Attri.fSize3DX = sizeX;
    m_Attri.fSize3DY = sizeY;
    const HRESULT hr = DrawTextTo3D(text, length);
    m_Attri = saved;
    return hr;
}
