// CGfxFont: widths and the glyph blitter of the texture text.
#include "kestu_gfxfont.h"

#include <cstring>

namespace {

// Glyphs are at most 32 pixels wide: a row fits one mask word.
constexpr int kMaxRowBytes = 4;

uint16_t To565(DWORD c) { return uint16_t(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F)); }

uint16_t To555(DWORD c, bool alphaBit)
{
    uint16_t v = uint16_t(((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x001F));
    if (alphaBit && (c >> 24) != 0) v |= 0x8000;
    return v;
}

// Ink of one row as a mask, pixel x at bit x; only the row's own bytes are read.
uint32_t InkRow(const uint8_t* row, int rowBytes)
{
    uint32_t ink = 0;
    for (int b = 0; b < rowBytes; ++b)
        for (int bit = 0; bit < 8; ++bit)
            if (!(row[b] & (0x80 >> bit))) ink |= 1u << (b * 8 + bit);
    return ink;
}

template <class P>
void Blit(uint8_t* origin, int pitch, const uint8_t* cell, int rowBytes, int rows, P colour, bool outline,
          P outlineColour, int columns, int visibleRows)
{
    const int width = rowBytes * 8;
    const uint32_t inside = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1);
    const uint32_t shown = columns >= 32 ? 0xFFFFFFFFu : ((1u << columns) - 1);
    if (visibleRows < rows) rows = visibleRows;
    uint32_t above = 0;
    uint32_t ink = InkRow(cell, rowBytes);
    for (int r = 0; r < rows; ++r) {
        const uint32_t below = r + 1 < rows ? InkRow(cell + size_t(r + 1) * rowBytes, rowBytes) : 0;
        const uint32_t edge = outline ? (((ink << 1) | (ink >> 1) | above | below) & ~ink & inside) : 0;
        P* px = reinterpret_cast<P*>(origin + intptr_t(r) * pitch);
        for (uint32_t m = (ink | edge) & shown; m != 0; m &= m - 1) {
            const int x = __builtin_ctz(m);
            P v = (ink >> x) & 1 ? colour : outlineColour;
            std::memcpy(px + x, &v, sizeof v);
        }
        above = ink;
        ink = below;
    }
}

} // namespace

CGfxFont::CGfxFont() : CBitmapFontSet(kMaxRowBytes) {}

CGfxFont::~CGfxFont() = default;

int CGfxFont::GetCxFont(unsigned short code, int type) const
{
    const Font* font = LoadedFont(ResolveType(type));
    if (font == nullptr) return 0;
    if (code == 32) return font->averageWidth / 2;
    if (code == 0) return font->averageWidth;
    return font->widths[code];
}

int CGfxFont::GetCyFont(unsigned short, int type) const
{
    const Font* font = LoadedFont(ResolveType(type));
    return font ? font->cellHeight : 0;
}

int CGfxFont::IsValidFormat(D3DFORMAT format)
{
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 ||
                   format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5
               ? 1
               : 0;
}

int CGfxFont::DrawCharToBuffer(void* bits, int x, int y, int pitch, D3DFORMAT format, unsigned short code, DWORD colour,
                               int type, int outline, DWORD outlineColour) const
{
    return DrawCharClipped(bits, x, y, pitch, format, code, colour, type, outline, outlineColour, 0x7FFFFFFF,
                           0x7FFFFFFF);
}

int CGfxFont::DrawCharClipped(void* bits, int x, int y, int pitch, D3DFORMAT format, unsigned short code, DWORD colour,
                              int type, int outline, DWORD outlineColour, int bufferWidth, int bufferHeight) const
{
    type = ResolveType(type);
    const int advance = GetCxFont(code, type);
    const Font* font = LoadedFont(type);
    const uint8_t* cell = GlyphCell(type, code);
    if (font == nullptr || cell == nullptr || bits == nullptr) return advance;
    const int rowBytes = font->header.byBytesPerRow;
    const int rows = font->cellHeight;
    uint8_t* base = static_cast<uint8_t*>(bits) + intptr_t(y) * pitch;
    const bool ring = outline != 0;
    const int columns = bufferWidth - x, visibleRows = bufferHeight - y;
    if (x < 0 || y < 0 || columns <= 0 || visibleRows <= 0) return advance;
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        Blit<uint32_t>(base + intptr_t(x) * 4, pitch, cell, rowBytes, rows, uint32_t(colour), ring,
                       uint32_t(outlineColour), columns, visibleRows);
        break;
    case D3DFMT_R5G6B5:
        Blit<uint16_t>(base + intptr_t(x) * 2, pitch, cell, rowBytes, rows, To565(colour), ring, To565(outlineColour),
                       columns, visibleRows);
        break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        const bool alphaBit = format == D3DFMT_A1R5G5B5;
        Blit<uint16_t>(base + intptr_t(x) * 2, pitch, cell, rowBytes, rows, To555(colour, alphaBit), ring,
                       To555(outlineColour, alphaBit), columns, visibleRows);
        break;
    }
    default: break;
    }
    return advance;
}
