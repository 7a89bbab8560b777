// CGfxTextDeviceBase: lays out 16-bit marked-up text with the glyph font of
// the texture text, drawing it into locked pixels or only measuring it:
// line breaks, colour codes, outlines, hyperlinks, space items and frames.
#pragma once

#include <d3d8.h>

#include <list>

#include "kestu_export.h"
#include "kestu_gfxfont.h"
#include "ou_geometry.h"

// Format flags of the text attributes.
enum : unsigned int {
    GFXTF_NOWRAP = 0x002,     // characters past the right edge stay on their line
    GFXTF_SINGLELINE = 0x004, // line breaks skipped; the layout stops at the right edge
    GFXTF_WORDWRAP = 0x008,
    GFXTF_FRAME = 0x010, // frame the layout rectangle and the text
    GFXTF_ZTEST = 0x020,
    GFXTF_ZWRITE = 0x040,
    GFXTF_LINK = 0x080,       // links in the link colour
    GFXTF_ACTIVELINK = 0x100, // the active link in the active-link colour
    GFXTF_SPACEITEM = 0x200,  // "&3" codes take room
    GFXTF_OUTLINE = 0x400,    // outlined glyphs
};

struct SGfxTextAttriBase;

struct KESTU_API SGfxHyperlinkCallbackResult {
    DWORD dwColor = 0xFFFFFFFF;
    DWORD dwBkColor = 0;
    DWORD dwValueB = 0;
    DWORD dwValueC = 0xFFFFFFFF;
    int nMode = 0; // 0 keep the active state, 1 active, other not active
};

// Called at each link: (result, link id, active link id, working attributes,
// the whole string, the position after the link code); the result is unused.
typedef long (*PFN_GFXTEXT_HYPERLINK)(SGfxHyperlinkCallbackResult* result, int linkId, int activeLinkId,
                                      SGfxTextAttriBase* attributes, const unsigned short* text,
                                      const unsigned short* afterCode);

struct KESTU_API SGfxTextAttriBase {
    int nFontType = 0;
    DWORD dwColor = 0xFFFFFFFF;
    DWORD dwBkColor = 0;
    DWORD dwFrameColor = 0xFFFF0000;
    float fZ = 0.0f;
    int bStripCodes = 0;
    int bInterpretCodes = 1;
    int nCharGap = 2;
    int nLineGap = 2;
    unsigned int dwFormat = GFXTF_NOWRAP;
    RECT rcLayout = {0, 0, 0, 0};
    DWORD dwActiveLinkColor = 0xFFFF0000;
    DWORD dwLinkColor = 0xFF0000FF;
    int nActiveLinkID = -1;
    // Opaque black, so outlines switched on before a colour is given show.
    DWORD dwOutlineColor = 0xFF000000;
    int nLinkMode = 0;
    int nUnderlineOffset = 0;
    DWORD dwLinkValueB = 0;
    DWORD dwLinkValueC = 0xFFFFFFFF;
    DWORD dwReserved[2] = {0, 0};
    PFN_GFXTEXT_HYPERLINK pfnHyperlink = nullptr;
    int nPadLeft = 0;
    int nPadRight = 0;
    int nPadTop = 0;
    int nPadBottom = 0;

    bool IsHaveFormat(unsigned int bits) const { return (dwFormat & bits) != 0; }
    void SetFormat(unsigned int bits, int on) { dwFormat = on ? (dwFormat | bits) : (dwFormat & ~bits); }
    void ModifyFormat(unsigned int add, unsigned int remove)
    {
        dwFormat |= add;
        dwFormat &= ~remove;
    }
    bool IsNeedZValue() const { return IsHaveFormat(GFXTF_ZTEST | GFXTF_ZWRITE); }
    float GetValidZValue() const { return IsNeedZValue() ? fZ : 0.0f; }
};

// One line's piece of a link. A line break ends the piece without counting
// the break; the next line's piece starts after the whole break ("\r\n" too).
struct KESTU_API SGfxTextHyperlinkInfo {
    int left = 0, top = 0, right = 0, bottom = 0;
    int nLinkID = -1;
    unsigned short wFirst = 0; // first character of the piece in the string
    unsigned short wCount = 0; // characters of the piece
};

struct KESTU_API SGfxTextSpaceInfo {
    int left = 0, top = 0, right = 0, bottom = 0;
    int nID = -1;
};

struct KESTU_API SGfxTextFindActiveHyperLink {
    int nLinkID = -1; // output
    int x = 0, y = 0; // the point to test
};

class KESTU_API CGfxTextDeviceBase {
public:
    CGfxTextDeviceBase(const CGfxTextDeviceBase&) = default;
    CGfxTextDeviceBase& operator=(const CGfxTextDeviceBase&) = default;
    virtual ~CGfxTextDeviceBase();

    HRESULT Create(CGfxFont* font);
    void SetGfxFont(CGfxFont* font) { m_pFont = font; }
    CGfxFont* GetGfxFont() const { return m_pFont; }
    int GetFontHeight() const;

    HRESULT CalcRect(const unsigned short* text, int length, unsigned int format, D3DRECT* rect, DWORD& lines);
    HRESULT GetLines(const unsigned short* text, int length, DWORD width, DWORD& lines);
    HRESULT CalcAllInfo_Rect(const unsigned short* text, int length, unsigned int format, D3DRECT* rect,
                             std::list<SGfxTextHyperlinkInfo>* links, std::list<SGfxTextSpaceInfo>* spaces,
                             SGfxTextFindActiveHyperLink* find);
    HRESULT CalcAllInfo_Lines(const unsigned short* text, int length, int x, int y, DWORD width, DWORD* lines,
                              std::list<SGfxTextHyperlinkInfo>* links, std::list<SGfxTextSpaceInfo>* spaces,
                              SGfxTextFindActiveHyperLink* find, DWORD* height, const GPOINT*, const unsigned short**,
                              const GPOINT*, const unsigned short**);
    HRESULT CalcActivedHyperLink(SGfxTextFindActiveHyperLink* find, int x, int y, const unsigned short* text,
                                 int length, unsigned int unused);
    HRESULT CalcHyperLinkInfo(std::list<SGfxTextHyperlinkInfo>* links, int x, int y, const unsigned short* text,
                              int length);
    HRESULT CalcSpaceInfo(std::list<SGfxTextSpaceInfo>* spaces, int x, int y, const unsigned short* text, int length);

    // Word and break rules of the layout, for the client's own measuring.
    static int CanBreakBetween(unsigned short prev, unsigned short next);
    static int IsNoBreakAfter(unsigned short c);
    static int IsNoBreakBefore(unsigned short c);

protected:
    CGfxTextDeviceBase(CGfxFont* font, SGfxTextAttriBase* attributes) : m_pFont(font), m_pAttri(attributes) {}
    void SetTextAttriBase(SGfxTextAttriBase* attributes) { m_pAttri = attributes; }

    HRESULT DrawTextToBufferBase(void* bits, int pitch, int width, int height, D3DFORMAT format,
                                 const unsigned short* text, int length, int x, int y, D3DRECT* outRect,
                                 DWORD* outLines, std::list<SGfxTextHyperlinkInfo>* links,
                                 std::list<SGfxTextSpaceInfo>* spaces, SGfxTextFindActiveHyperLink* find);
    HRESULT DrawTextToBuffer(void* bits, int pitch, int width, int height, D3DFORMAT format, const unsigned short* text,
                             int length, int x, int y);

    CGfxFont* m_pFont;
    SGfxTextAttriBase* m_pAttri;
    SGfxHyperlinkCallbackResult m_CallbackResult;
};
