// CPointFontBuffer: glyph widths and painting one glyph into a 2D buffer
// through an XBM image held in its scratch area.
#include <cstring>

#include "kestu_font.h"
#include "kestu_xbm.h"

CPointFontBuffer::CPointFontBuffer() : CBitmapFontSet(255) {}

CPointFontBuffer::~CPointFontBuffer() = default;

int CPointFontBuffer::GetCxFont(int code, int type)
{
    const Font* font = LoadedFont(ResolveType(type));
    if (font == nullptr) return 0;
    if (code == 32) return (2 * font->averageWidth) / 3;
    if (code == 0) return font->averageWidth;
    return font->widths[uint16_t(code)];
}

int CPointFontBuffer::GetCyFont(int, int type)
{
    const Font* font = LoadedFont(ResolveType(type));
    return font ? font->cellHeight : 0;
}

int CPointFontBuffer::UnpackBitmap(unsigned short code, int inkColour, int backColour, int bitsPerPixel, int type)
{
    const Font* font = LoadedFont(type);
    if (font == nullptr) return 0;
    const uint8_t* cell = GlyphCell(type, code);
    const int rowBytes = font->header.byBytesPerRow;
    const int width = rowBytes * 8;
    const size_t count = size_t(width) * size_t(font->cellHeight);
    uint8_t* out = m_pixels;
    switch (bitsPerPixel) {
    case 8: {
        if (cell == nullptr) {
            std::memset(out, uint8_t(backColour), count);
            return 1;
        }
        for (size_t b = 0; b < count / 8; ++b)
            for (int bit = 0; bit < 8; ++bit) *out++ = uint8_t((cell[b] & (0x80 >> bit)) ? backColour : inkColour);
        return 1;
    }
    case 15:
    case 16: {
        // Two pixels per byte nibble through a small table: the glyph painter's hot loop.
        const uint16_t ink = uint16_t(inkColour), back = uint16_t(backColour);
        uint16_t* px = reinterpret_cast<uint16_t*>(out);
        if (cell == nullptr) {
            for (size_t i = 0; i < count; ++i) px[i] = back;
            return 1;
        }
        uint16_t nibble[16][4];
        for (int n = 0; n < 16; ++n)
            for (int bit = 0; bit < 4; ++bit) nibble[n][bit] = (n & (8 >> bit)) ? back : ink;
        for (size_t b = 0; b < count / 8; ++b, px += 8) {
            std::memcpy(px, nibble[cell[b] >> 4], 8);
            std::memcpy(px + 4, nibble[cell[b] & 15], 8);
        }
        return 1;
    }
    case 32: {
        uint32_t* px = reinterpret_cast<uint32_t*>(out);
        for (size_t i = 0; i < count; ++i)
            px[i] = uint32_t((cell && !(cell[i / 8] & (0x80 >> (i % 8)))) ? inkColour : backColour);
        return 1;
    }
    default: return 0;
    }
}

int CPointFontBuffer::Paint(DBUF* dst, int x, int y, int code, int foreground, int background, DWORD paintType,
                            const GRECT* clip, int type)
{
    type = ResolveType(type);
    const Font* font = LoadedFont(type);
    if (font == nullptr || dst == nullptr) return 0;
    if (background == foreground) background = 0;
    UnpackBitmap(static_cast<unsigned short>(code), foreground, background, 16, type);

    XBMFILEHEADER head;
    head.width = uint32_t(font->header.byBytesPerRow) * 8;
    head.height = uint32_t(font->cellHeight);
    head.bitsPerPixel = 16;
    head.pixelFormat = 16;
    head.transColor = background;
    head.Write(m_scratch);

    m_paint.Build(m_scratch);
    m_paint.SetTransColor(background);
    m_paint.SetBackGroundColor(background);
    m_paint.SetForeGroundColor(foreground);
    if (dst->WhoAmI() == KESTU_WHOAMI_TEXTURE)
        m_paint.PaintToTexture(dst, x, y, DWORD(paintType), clip);
    else
        m_paint.Paint(dst, x, y, DWORD(paintType), clip);
    return GetCxFont(code, type);
}
