// CTextDevice: 16-bit strings drawn with the bitmap fonts into 2D buffers,
// one line or a wrapped paragraph, with the 2D colour code and a one-shot
// shadow; the global g_TextDevice; inserting text at placeholders.
#pragma once

#include <cstdint>

#include "kestu_export.h"
#include "kestu_font.h"
#include "kestu_paper.h"
#include "kestu_painttypes.h"
#include "ou_geometry.h"

struct KESTU_API STextOutPara {
    XFont* m_pFont = nullptr;
    int m_nFontType = FONT_TYPE_NONE;
    int m_nBackGround = 0;
    int m_nForeGround = 0;
    int m_nReserved = 0;
    int m_nWordGap = 1;
    int m_nLineGap = 2;
    PAINT_TYPE m_PaintType = PT_KEY;

    STextOutPara() = default;
    STextOutPara(const STextOutPara&) = default;
    // Copies every field, then takes the font of the font type.
    STextOutPara& operator=(const STextOutPara& other);

    void SetFont(ENUM_FONT_TYPE type)
    {
        m_nFontType = type;
        m_pFont = GetFontByFontType(type);
    }
};

class KESTU_API CTextDevice : public STextOutPara {
public:
    CTextDevice() = default;
    CTextDevice(const CTextDevice& other);
    CTextDevice& operator=(const CTextDevice& other);
    virtual ~CTextDevice();

    XFont* GetFont() const { return m_pFont; }
    void SetFont(XFont* font)
    {
        m_pFont = font;
        m_nFontType = font ? font->GetFontType() : FONT_TYPE_NONE;
    }
    using STextOutPara::SetFont;
    int GetFontType() const { return m_nFontType; }
    void SetPaintType(PAINT_TYPE type) { m_PaintType = type; }
    PAINT_TYPE GetPaintType() const { return m_PaintType; }
    void SetForeGround(int colour) { m_nForeGround = colour; }
    int GetForeGround() const { return m_nForeGround; }
    void SetBackGround(int colour) { m_nBackGround = colour; }
    int GetBackGround() const { return m_nBackGround; }
    void SetView(const GRECT* view) { m_rcView = view ? GRECT(view->x, view->y, view->width, view->height) : GRECT(); }
    const GRECT& GetView() const { return m_rcView; }
    void SetLineGap(int gap) { m_nLineGap = gap; }
    void SetWordGap(int gap) { m_nWordGap = gap; }
    void AutoNewLine(int on) { m_bAutoNewLine = on; }
    int IsAutoNewLine() const { return m_bAutoNewLine; }
    void SetShowShadowMood(int on) { m_bShadow = on; }
    int IsShowShadowMood() const { return m_bShadow; }
    void SetLabelColor(int colour, int index)
    {
        if (index == 0 || index == 1) m_nLabelColor[index] = colour;
    }
    STextOutPara& TextOutPara() { return *this; }
    void SetTransGrade(int grade)
    {
        if (m_pFont) m_pFont->SetTransGrade(grade);
    }

    // Draws a NUL-terminated string with the pen at (x, y); width -1: no clip band.
    void Out(DBUF* dst, unsigned short* text, int x, int y, int width);
    void OutInt(DBUF* dst, int value, int x, int y, int width);
    int Pagination(int* pageStarts, unsigned short* text, int linesPerPage, int maxEntries, int unused);
    int GetOutputLineNumber(unsigned short* text);
    void GetOutputRect(GRECT& r, unsigned short* text);

private:
    struct Walk;
    int Out(DBUF* dst, unsigned short ch, int x, int y);
    int Advance(unsigned short ch);
    int FontHeight();
    // The one walk of drawing, line counting and pagination.
    void Run(Walk& walk, const unsigned short* text, int x, int y);

    GRECT m_rcView;
    GRECT m_rcClip;
    int m_bShadow = 0;
    int m_nLabelColor[2] = {0, 0};
    int m_nReserved2[2] = {0, 0};
    int m_bAutoNewLine = 0;
    int m_nRememberedColor = -1;
};

extern KESTU_API CTextDevice g_TextDevice;

// Palette index 0..15 as a pixel of the screen's 16-bit format; others give index 0.
KESTU_API int TextColourByIndex(int index);

// Puts `insert` into `text` (capacity characters): where -1 at the front,
// -2 at the end, 0..99 in place of the placeholder "&0" + those two digits.
// 1 when changed, 0 when not.
KESTU_API int Gfx_StrInsertW(unsigned short* text, const unsigned short* insert, int where, DWORD capacity);
KESTU_API int Gfx_StrInsertA(char* text, const char* insert, int where, DWORD capacity);
