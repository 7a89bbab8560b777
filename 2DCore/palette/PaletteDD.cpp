// DDPGFX: the palette object of the DirectDraw screen.
#include <ddraw.h>

#include "kestu_palette.h"

int DDPGFX::AniPal()
{
    int result = 0;
    if (!BeginStep(&result)) return result;
    HPALETTE pal = GetHpalRealized();
    for (int s = 0; s < m_info.segmentCount; ++s) {
        const ANISEG& g = m_info.segments[s];
        if (g.count <= 0) continue;
        if (pal != nullptr) SetPaletteEntries(pal, UINT(g.start), UINT(g.count), &m_current[g.start]);
        if (m_ddPalette != nullptr) m_ddPalette->SetEntries(0, DWORD(g.start), DWORD(g.count), &m_current[g.start]);
    }
    PrepareNextStep();
    return 1;
}

int DDPGFX::AssignPal()
{
    HPALETTE pal = GetHpalRealized();
    if (pal == nullptr) return 0;
    PALETTEENTRY e[256] = {};
    GetPaletteEntries(pal, 0, 256, e);
    const int s = UsableStart(), n = UsableCount();
    SetPaletteEntries(pal, UINT(s), UINT(n), &e[s]);
    if (m_ddPalette != nullptr) m_ddPalette->SetEntries(0, DWORD(s), DWORD(n), &e[s]);
    RaiseFlag();
    return 1;
}

int DDPGFX::AssignInto(AD mode, PALETTEENTRY colour, int start, int count)
{
    if (!ClampRange(start, count)) return 0;
    const RGBQUAD* rgb = m_colorTable != nullptr ? m_colorTable->GetRGB() : nullptr;
    if (mode == AD_COLORTABLE && rgb == nullptr) return 0;
    for (int i = start; i < start + count; ++i)
        m_current[i] = mode == AD_COLORTABLE ? PALETTEENTRY{rgb[i].rgbRed, rgb[i].rgbGreen, rgb[i].rgbBlue, 0}
                                             : PALETTEENTRY{colour.peRed, colour.peGreen, colour.peBlue, 0};
    if (m_ddPalette != nullptr) m_ddPalette->SetEntries(0, DWORD(start), DWORD(count), &m_current[start]);
    HPALETTE pal = GetHpalRealized();
    if (pal != nullptr) SetPaletteEntries(pal, UINT(start), UINT(count), &m_current[start]);
    RaiseFlag();
    return 1;
}

int DDPGFX::RealizeFromColorTable(HWND)
{
    HPALETTE pal = GetHpalRealized();
    if (pal != nullptr && m_ddPalette != nullptr) {
        PALETTEENTRY e[256] = {};
        GetPaletteEntries(pal, 0, 256, e);
        m_ddPalette->SetEntries(0, DWORD(UsableStart()), DWORD(UsableCount()), &e[UsableStart()]);
    }
    RaiseFlag();
    return 1;
}
