// CTexture as a destination of the 2D painters: Prepare locks level 0 (or a
// rectangle of it) and keeps one lock for repeated requests; ColorFill fills
// a rectangle of a level with one colour.
#include <cstdint>

#include "kestu_log.h"
#include "kestu_pixelformat.h"
#include "kestu_texture.h"

void* CTexture::Prepare(GRECT* rect)
{
    if (IsLocked()) {
        const bool same =
            rect ? (rect->x == m_rcLocked.left && rect->y == m_rcLocked.top &&
                    rect->x + rect->width == m_rcLocked.right && rect->y + rect->height == m_rcLocked.bottom)
                 : (m_rcLocked.left == m_rcLocked.right || m_rcLocked.top == m_rcLocked.bottom);
        if (same) return m_LockedRect.pBits;
        if (FAILED(UnlockSurface(m_dwLockedLevel))) return nullptr;
    }
    RECT area{};
    if (rect) area = RECT{rect->x, rect->y, rect->x + rect->width, rect->y + rect->height};
    if (FAILED(LockSurface(rect ? &area : nullptr, 0, 0))) return nullptr;
    return m_LockedRect.pBits;
}

void CTexture::Unprepare() { m_nUnprepareResult = IsLocked() ? (SUCCEEDED(UnlockSurface(0)) ? 1 : 0) : 1; }

namespace {

DWORD FillValue(D3DFORMAT format, DWORD argb)
{
    const BYTE a = static_cast<BYTE>(argb >> 24), r = static_cast<BYTE>(argb >> 16), g = static_cast<BYTE>(argb >> 8),
               b = static_cast<BYTE>(argb);
    switch (format) {
    case D3DFMT_R5G6B5: return PackRGB565(r, g, b);
    case D3DFMT_X1R5G5B5: return PackRGB555(r, g, b);
    case D3DFMT_A1R5G5B5: return PackARGB1555(r, g, b, a);
    case D3DFMT_A4R4G4B4: return ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
    default: return argb;
    }
}

template <class Pixel>
void FillRows(BYTE* bits, int pitch, LONG width, LONG height, Pixel value)
{
    for (LONG y = 0; y < height; ++y) {
        Pixel* row = reinterpret_cast<Pixel*>(bits + static_cast<intptr_t>(pitch) * y);
        for (LONG x = 0; x < width; ++x) row[x] = value;
    }
}

} // namespace

HRESULT CTexture::ColorFill(DWORD argb, const RECT* rect, DWORD level)
{
    if (!m_pDevice || !m_pTexture) return KESTUERR_SURFACENOTBUILT;
    if (IsLocked() || m_Format < D3DFMT_A8R8G8B8 || m_Format > D3DFMT_A4R4G4B4) return KESTUERR_GENERIC;
    D3DSURFACE_DESC desc{};
    HRESULT hr = m_pTexture->GetLevelDesc(level, &desc);
    if (FAILED(hr)) return hr;
    D3DLOCKED_RECT locked{0, nullptr};
    hr = m_pTexture->LockRect(level, &locked, rect, 0);
    if (FAILED(hr)) return hr;
    // The size of the level locked (the level's own size when it is not level 0).
    const LONG width = rect ? rect->right - rect->left : static_cast<LONG>(desc.Width);
    const LONG height = rect ? rect->bottom - rect->top : static_cast<LONG>(desc.Height);
    const DWORD value = FillValue(m_Format, argb);
    BYTE* bits = static_cast<BYTE*>(locked.pBits);
    if (m_Format == D3DFMT_A8R8G8B8 || m_Format == D3DFMT_X8R8G8B8)
        FillRows<uint32_t>(bits, locked.Pitch, width, height, value);
    else
        FillRows<uint16_t>(bits, locked.Pitch, width, height, static_cast<uint16_t>(value));
    m_pTexture->UnlockRect(level);
    return hr;
}
