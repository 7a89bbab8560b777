// CGfxTextDeviceBase: the font, the plain drawing entry and the layout walk's
// entry.
#include "text/layout/TextLayout.h"

#include <climits>

#include "text/layout/LayoutWalk.h"

namespace kestu::text {

int TextLength(const unsigned short* text)
{
    int n = 0;
    while (text[n] != 0 && n < INT_MAX) ++n;
    return n;
}

} // namespace kestu::text

CGfxTextDeviceBase::~CGfxTextDeviceBase() = default;

HRESULT CGfxTextDeviceBase::Create(CGfxFont* font)
{
    if (font == nullptr) return E_INVALIDARG;
    m_pFont = font;
    return S_OK;
}

int CGfxTextDeviceBase::GetFontHeight() const { return m_pFont ? m_pFont->GetCyFont(0, -1) : 0; }

HRESULT CGfxTextDeviceBase::DrawTextToBuffer(void* bits, int pitch, int width, int height, D3DFORMAT format,
                                             const unsigned short* text, int length, int x, int y)
{
    if (text != nullptr && (length == 0 || (length == -1 && text[0] == 0))) return S_OK;
    return DrawTextToBufferBase(bits, pitch, width, height, format, text, length, x, y, nullptr, nullptr, nullptr,
                                nullptr, nullptr);
}

HRESULT CGfxTextDeviceBase::DrawTextToBufferBase(void* bits, int pitch, int width, int height, D3DFORMAT format,
                                                 const unsigned short* text, int length, int x, int y, D3DRECT* outRect,
                                                 DWORD* outLines, std::list<SGfxTextHyperlinkInfo>* links,
                                                 std::list<SGfxTextSpaceInfo>* spaces,
                                                 SGfxTextFindActiveHyperLink* find)
{
    if (m_pFont == nullptr || m_pAttri == nullptr || text == nullptr) return E_FAIL;
    const int len = length == -1 ? kestu::text::TextLength(text) : length;
    if (len <= 0) return S_OK;
    kestu::text::LayoutWalk walk(*m_pFont, *m_pAttri, m_CallbackResult, {bits, pitch, width, height, format},
                                 {outRect, outLines, links, spaces, find}, text, len, x, y);
    return walk.Run();
}
