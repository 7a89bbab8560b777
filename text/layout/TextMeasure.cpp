// The measuring operations of the layout: measure-only walks under
// temporary attributes, which are restored before they return.
#include <climits>

#include "kestu_textlayout.h"
#include "text/layout/TextLayout.h"

namespace {

bool Empty(const unsigned short* text, int length) { return length == 0 || (length == -1 && text[0] == 0); }

// Keeps the attributes as they were when it was made and puts them back.
class AttributeGuard {
public:
    explicit AttributeGuard(SGfxTextAttriBase* a) : m_a(a), m_saved(*a) {}
    ~AttributeGuard() { *m_a = m_saved; }
    AttributeGuard(const AttributeGuard&) = delete;
    AttributeGuard& operator=(const AttributeGuard&) = delete;
    const SGfxTextAttriBase& Saved() const { return m_saved; }

private:
    SGfxTextAttriBase* m_a;
    SGfxTextAttriBase m_saved;
};

} // namespace

HRESULT CGfxTextDeviceBase::CalcRect(const unsigned short* text, int length, unsigned int format, D3DRECT* rect,
                                     DWORD& lines)
{
    if (text == nullptr || rect == nullptr || m_pAttri == nullptr) return E_FAIL;
    if (Empty(text, length)) {
        rect->x2 = rect->x1;
        rect->y2 = rect->y1;
        lines = 0;
        return S_OK;
    }
    AttributeGuard guard(m_pAttri);
    m_pAttri->dwFormat = format;
    D3DRECT r = *rect;
    r.y2 = INT_MAX;
    const bool wraps = !(format & (GFXTF_NOWRAP | GFXTF_SINGLELINE));
    if (!wraps) r.x2 = INT_MAX;
    m_pAttri->rcLayout = {r.x1, r.y1, r.x2, r.y2};
    D3DRECT out{};
    DWORD n = 0;
    const HRESULT hr = DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, text, length, r.x1, r.y1, &out, &n,
                                            nullptr, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    // Wrapped text is no wider than the edge it wrapped at; text that is not
    // wrapped keeps its widest line.
    const LONG edge = guard.Saved().rcLayout.right;
    if (n > 1 && wraps && edge > out.x1 && out.x2 > edge) out.x2 = edge;
    *rect = out;
    lines = n;
    return S_OK;
}

HRESULT CGfxTextDeviceBase::GetLines(const unsigned short* text, int length, DWORD width, DWORD& lines)
{
    return CalcAllInfo_Lines(text, length, 0, 0, width, &lines, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr);
}

HRESULT CGfxTextDeviceBase::CalcAllInfo_Rect(const unsigned short* text, int length, unsigned int format, D3DRECT* rect,
                                             std::list<SGfxTextHyperlinkInfo>* links,
                                             std::list<SGfxTextSpaceInfo>* spaces, SGfxTextFindActiveHyperLink* find)
{
    if (links) links->clear();
    if (spaces) spaces->clear();
    if (text == nullptr || rect == nullptr || m_pAttri == nullptr) return E_FAIL;
    if (Empty(text, length)) {
        rect->x2 = rect->x1;
        rect->y2 = rect->y1;
        return S_OK;
    }
    AttributeGuard guard(m_pAttri);
    m_pAttri->dwFormat = format;
    D3DRECT r = *rect;
    r.y2 = INT_MAX;
    if (format & (GFXTF_NOWRAP | GFXTF_SINGLELINE)) r.x2 = INT_MAX;
    m_pAttri->rcLayout = {r.x1, r.y1, r.x2, r.y2};
    return DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, text, length, r.x1, r.y1, rect, nullptr, links,
                                spaces, find);
}

HRESULT CGfxTextDeviceBase::CalcAllInfo_Lines(const unsigned short* text, int length, int x, int y, DWORD width,
                                              DWORD* lines, std::list<SGfxTextHyperlinkInfo>* links,
                                              std::list<SGfxTextSpaceInfo>* spaces, SGfxTextFindActiveHyperLink* find,
                                              DWORD* height, const GPOINT*, const unsigned short**, const GPOINT*,
                                              const unsigned short**)
{
    if (lines) *lines = 0;
    if (links) links->clear();
    if (spaces) spaces->clear();
    if (text == nullptr || m_pAttri == nullptr) return E_FAIL;
    if (height) *height = 0;
    if (Empty(text, length)) return S_OK;
    AttributeGuard guard(m_pAttri);
    m_pAttri->rcLayout = {0, 0, 0, 0};
    if (width == 0) {
        m_pAttri->SetFormat(GFXTF_NOWRAP, 1);
    } else {
        m_pAttri->SetFormat(GFXTF_NOWRAP | GFXTF_SINGLELINE, 0);
        m_pAttri->rcLayout = {0, 0, LONG(width > unsigned(INT_MAX) ? INT_MAX : width), INT_MAX};
    }
    D3DRECT out{};
    DWORD n = 0;
    const HRESULT hr =
        DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, text, length, x, y, &out, &n, links, spaces, find);
    if (FAILED(hr)) return hr;
    if (lines) *lines = n;
    if (height) *height = out.y2 > out.y1 ? static_cast<DWORD>(out.y2 - out.y1) : 0UL;
    return S_OK;
}

HRESULT CGfxTextDeviceBase::CalcActivedHyperLink(SGfxTextFindActiveHyperLink* find, int x, int y,
                                                 const unsigned short* text, int length, unsigned int)
{
    if (text == nullptr) return E_FAIL;
    return DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, text, length, x, y, nullptr, nullptr, nullptr,
                                nullptr, find);
}

HRESULT CGfxTextDeviceBase::CalcHyperLinkInfo(std::list<SGfxTextHyperlinkInfo>* links, int x, int y,
                                              const unsigned short* text, int length)
{
    if (text == nullptr) return E_FAIL;
    return DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, text, length, x, y, nullptr, nullptr, links,
                                nullptr, nullptr);
}

HRESULT CGfxTextDeviceBase::CalcSpaceInfo(std::list<SGfxTextSpaceInfo>* spaces, int x, int y,
                                          const unsigned short* text, int length)
{
    if (text == nullptr) return E_FAIL;
    return DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, text, length, x, y, nullptr, nullptr, nullptr,
                                spaces, nullptr);
}
