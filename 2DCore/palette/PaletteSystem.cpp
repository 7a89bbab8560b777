// The system palette's use and the inspection view of a palette.
#include <vector>

#include "kestu_palette.h"

namespace {

// Selects a palette of 256 black entries with the given flags into the screen
// DC, so that the system palette's free entries are taken by it.
void RealizeBlackPalette(BYTE flags)
{
    std::vector<uint8_t> bytes(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY), 0);
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(bytes.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) lp->palPalEntry[i] = PALETTEENTRY{0, 0, 0, flags};
    HPALETTE pal = CreatePalette(lp);
    if (pal == nullptr) return;
    HDC dc = GetDC(nullptr);
    if (dc != nullptr) {
        HPALETTE old = SelectPalette(dc, pal, FALSE);
        RealizePalette(dc);
        SelectPalette(dc, old, FALSE);
        ReleaseDC(nullptr, dc);
    }
    DeleteObject(pal);
}

} // namespace

void PGFX::SetSystemPaletteToNoStatic()
{
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return;
    SetSystemPaletteUse(dc, SYSPAL_NOSTATIC);
    ReleaseDC(nullptr, dc);
    for (int i = 0; i < 21; ++i) m_savedSysColors[i] = GetSysColor(m_sysElements[i]);
    m_noStatic = 1;
}

void PGFX::RestoreSystemPalette()
{
    if (!m_noStatic) return;
    HDC dc = GetDC(nullptr);
    if (dc != nullptr) {
        SetSystemPaletteUse(dc, SYSPAL_STATIC);
        ReleaseDC(nullptr, dc);
    }
    SetSysColors(21, m_sysElements, m_savedSysColors);
}

void PGFX::EmptySystemPalette() { RealizeBlackPalette(PC_RESERVED); }

void PGFX::SetSystemPaletteToNoUse() { RealizeBlackPalette(PC_NOCOLLAPSE); }

void PGFX::ShowPalette(HDC dc, int x, int y)
{
    for (int i = 0; i < 256; ++i) {
        HBRUSH brush = CreateSolidBrush(PALETTEINDEX(i));
        if (brush == nullptr) continue;
        const RECT r{x + (i % 16) * 20, y + (i / 16) * 20, x + (i % 16) * 20 + 20, y + (i / 16) * 20 + 20};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}
