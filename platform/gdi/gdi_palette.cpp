// Logical palettes, their realization into the system palette, and palette
// animation. Realization places entry i of a logical palette at system entry
// i when the current system-palette use leaves that entry free, which is
// what identity palettes of 8-bit games rely on.
#include <algorithm>
#include <cstring>

#include "gdi/gdi_display.h"
#include "gdi/gdi_objects.h"

using namespace kestu::platform;
using namespace kestu::platform::gdi;

namespace {

constexpr WORD kPaletteVersion = 0x300;

UINT CountFrom(const Palette& pal, UINT start, UINT count)
{
    if (start >= pal.entries.size()) return 0;
    return std::min<UINT>(count, static_cast<UINT>(pal.entries.size()) - start);
}

} // namespace

HPALETTE CreatePalette(const LOGPALETTE* plpal)
{
    if (plpal == nullptr || plpal->palVersion != kPaletteVersion || plpal->palNumEntries == 0) return nullptr;
    auto pal = std::make_unique<Palette>();
    const PALETTEENTRY* entries = plpal->palPalEntry;
    pal->entries.assign(entries, entries + plpal->palNumEntries);
    return static_cast<HPALETTE>(Register(std::move(pal)));
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries)
{
    Palette* pal = Lookup<Palette>(hpal);
    if (pal == nullptr) return 0;
    if (pPalEntries == nullptr) return static_cast<UINT>(pal->entries.size());
    const UINT n = CountFrom(*pal, iStart, cEntries);
    if (n > 0) std::memcpy(pPalEntries, &pal->entries[iStart], n * sizeof(PALETTEENTRY));
    return n;
}

UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries)
{
    Palette* pal = Lookup<Palette>(hpal);
    if (pal == nullptr || pal->stock || pPalEntries == nullptr) return 0;
    const UINT n = CountFrom(*pal, iStart, cEntries);
    if (n > 0) std::memcpy(&pal->entries[iStart], pPalEntries, n * sizeof(PALETTEENTRY));
    return n;
}

BOOL AnimatePalette(HPALETTE hPal, UINT iStartIndex, UINT cEntries, const PALETTEENTRY* ppe)
{
    Palette* pal = Lookup<Palette>(hPal);
    if (pal == nullptr || ppe == nullptr) return FALSE;
    const UINT n = CountFrom(*pal, iStartIndex, cEntries);
    const bool shown = display::RealizedPalette() == pal;
    for (UINT i = 0; i < n; ++i) {
        PALETTEENTRY& e = pal->entries[iStartIndex + i];
        // Only entries reserved for animation change.
        if ((e.peFlags & PC_RESERVED) == 0) continue;
        e.peRed = ppe[i].peRed;
        e.peGreen = ppe[i].peGreen;
        e.peBlue = ppe[i].peBlue;
        const int index = static_cast<int>(iStartIndex + i);
        if (shown && display::SystemEntryFree(index)) display::SetSystemEntry(index, e);
    }
    return TRUE;
}

UINT GetNearestPaletteIndex(HPALETTE h, COLORREF color)
{
    Palette* pal = Lookup<Palette>(h);
    if (pal == nullptr || pal->entries.empty()) return CLR_INVALID;
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    UINT best = 0;
    int bestDist = 1 << 30;
    for (UINT i = 0; i < pal->entries.size(); ++i) {
        const PALETTEENTRY& e = pal->entries[i];
        const int d =
            (e.peRed - r) * (e.peRed - r) + (e.peGreen - g) * (e.peGreen - g) + (e.peBlue - b) * (e.peBlue - b);
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd)
{
    DeviceContext* dc = LookupDC(hdc);
    Palette* pal = Lookup<Palette>(hPal);
    if (dc == nullptr || pal == nullptr) return nullptr;
    Palette* previous = dc->palette;
    if (previous != nullptr) --previous->selected;
    dc->palette = pal;
    ++pal->selected;
    return reinterpret_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return GDI_ERROR;
    const Palette& pal = SelectedPalette(*dc);
    // Memory contexts map colours for themselves; the system palette is untouched.
    if (dc->type == DeviceContext::Type::Memory || pal.stock) return 0;
    UINT mapped = 0;
    const int n = std::min<int>(static_cast<int>(pal.entries.size()), 256);
    for (int i = 0; i < n; ++i) {
        if (!display::SystemEntryFree(i)) continue;
        display::SetSystemEntry(i, pal.entries[i]);
        ++mapped;
    }
    display::SetRealizedPalette(&pal);
    return mapped;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries)
{
    if (LookupDC(hdc) == nullptr) return 0;
    if (pPalEntries == nullptr) return 256;
    if (iStart >= 256) return 0;
    const UINT n = std::min<UINT>(cEntries, 256 - iStart);
    std::memcpy(pPalEntries, &display::SystemPalette()[iStart], n * sizeof(PALETTEENTRY));
    return n;
}

UINT GetSystemPaletteUse(HDC hdc)
{
    if (LookupDC(hdc) == nullptr) return SYSPAL_ERROR;
    return display::SystemPaletteUse();
}

UINT SetSystemPaletteUse(HDC hdc, UINT use)
{
    if (LookupDC(hdc) == nullptr) return SYSPAL_ERROR;
    return display::SetSystemPaletteUse(use);
}
