// CGfxFont: the bitmap fonts of the texture text, drawn glyph by glyph
// straight into locked pixels of five Direct3D formats, plain or outlined.
#pragma once

#include <d3d8.h>

#include "kestu_export.h"
#include "kestu_font.h"

class KESTU_API CGfxFont : public CBitmapFontSet {
public:
    CGfxFont();
    ~CGfxFont() override;

    using CBitmapFontSet::Build;
    int Build(const char* folder, char* const* names, int count, const char* tibName, int* directFlags)
    {
        return CBitmapFontSet::Build(folder, const_cast<const char* const*>(names), count, tibName, directFlags);
    }

    void SetFontType(int type)
    {
        if (type >= 0 && type <= 3) m_nFontType = type;
    }
    int GetFontType() const { return m_nFontType; }
    int GetCxFont(unsigned short code, int type) const;
    int GetCyFont(unsigned short code, int type) const;

    static int IsValidFormat(D3DFORMAT format);
    // Draws one glyph with its top-left at pixel (x, y) and returns its
    // advance; the caller keeps the whole cell inside the buffer.
    int DrawCharToBuffer(void* bits, int x, int y, int pitch, D3DFORMAT format, unsigned short code, DWORD colour,
                         int type, int outline, DWORD outlineColour) const;

    // The same, leaving out every pixel at or beyond the buffer's width and
    // height: a glyph cell may be wider than the advance the layout checked.
    int DrawCharClipped(void* bits, int x, int y, int pitch, D3DFORMAT format, unsigned short code, DWORD colour,
                        int type, int outline, DWORD outlineColour, int bufferWidth, int bufferHeight) const;

private:
    int ResolveType(int type) const { return type >= 0 && type <= 3 ? type : m_nFontType; }
};
