// The global fonts, their shared buffer and the global 2D text device, in
// the order they are constructed when the library loads.
#include "kestu_font.h"
#include "kestu_textdevice.h"

XFont FontASCII_Stroke00(2, &g_FontBuffer);
XFont FontASCII_Stroke01(1, &g_FontBuffer);
XFont FontASCII_Stroke02(0, &g_FontBuffer);
XFont& FontChineseGB = FontASCII_Stroke01;
XFont& FontChineseKC = FontASCII_Stroke01;
XFont& FontASCII = FontASCII_Stroke02;
XFont& FontASCII_AA = FontASCII_Stroke02;
CPointFontBuffer g_FontBuffer;
CTextDevice g_TextDevice;

XFont::XFont() : m_nFontType(0), m_pBuffer(&g_FontBuffer) {}
XFont::~XFont() = default;

XFont* GetFontByFontType(ENUM_FONT_TYPE type)
{
    switch (type) {
    case 0: return &FontASCII_Stroke02;
    case 1: return &FontASCII_Stroke01;
    case 2: return &FontASCII_Stroke00;
    default: return nullptr;
    }
}
