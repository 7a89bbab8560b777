// CGfxTextDeviceBase::DrawTextToBufferBase: the layout walk.
#include "text/layout/TextLayout.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "kestu_textmarkup.h"

namespace kestu::text {

int TextLength(const unsigned short* text)
{
    int n = 0;
    while (text[n] != 0 && n < INT_MAX) ++n;
    return n;
}

Token Classify(const unsigned short* text, int pos, int length, const SGfxTextAttriBase& a)
{
    Token t;
    t.ch = text[pos];
    const int n = MarkupCodeAt(text + pos, size_t(length - pos));
    if (n == 0) return t;
    const unsigned short kind = text[pos + 1];
    const bool spaceOn = a.IsHaveFormat(GFXTF_SPACEITEM) || (!a.bStripCodes && !a.bInterpretCodes);
    if (kind == '3' && (spaceOn && !a.bStripCodes)) {
        t.kind = Token::Space;
        t.length = n;
        t.width = MarkupNumber(text + pos + 2, 3);
        t.height = MarkupNumber(text + pos + 5, 3);
        t.id = MarkupNumber(text + pos + 8, 4);
        return t;
    }
    if (a.bStripCodes) {
        t.kind = Token::Code;
        t.length = n;
        return t;
    }
    if (!a.bInterpretCodes || kind == '0') return t;  // laid out as characters
    if (kind == '&') {
        t.kind = Token::Amp;
        t.length = 2;
        t.ch = '&';
        return t;
    }
    t.kind = Token::Code;
    t.length = n;
    return t;
}

int MeasureWord(int& height, const SGfxTextAttriBase& a, const CGfxFont& font, const unsigned short* text,
                int pos, int length, int type, int gap)
{
    int sum = 0;
    bool any = false;
    for (int i = pos; i < length;) {
        const Token t = Classify(text, i, length, a);
        if (t.kind == Token::Code) {
            i += t.length;
            continue;
        }
        if (t.kind == Token::Space) {
            if (t.width <= 0) {
                i += t.length;
                continue;
            }
            if (any) break;
            height = std::max(height, t.height);
            return t.width;
        }
        sum += font.GetCxFont(t.ch, type) + gap;
        any = true;
        const int next = i + t.length;
        if (next >= length || CGfxTextDeviceBase::CanBreakBetween(t.ch, text[next])) break;
        i = next;
    }
    return any ? sum - gap : 0;
}

} // namespace kestu::text

using namespace kestu::text;

namespace {

struct Target {
    uint8_t* bits;
    int pitch, width, height;
    D3DFORMAT format;
};

bool LinesDrawable(D3DFORMAT f)
{
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5;
}

// Columns x0..x1-1 of row y, inside the buffer.
void HLine(const Target& t, long long x0, long long x1, long long y, DWORD c)
{
    if (y < 0 || y >= t.height) return;
    x0 = std::max<long long>(x0, 0);
    x1 = std::min<long long>(x1, t.width);
    uint8_t* row = t.bits + intptr_t(y) * t.pitch;
    for (long long x = x0; x < x1; ++x) {
        if (t.format == D3DFMT_A8R8G8B8 || t.format == D3DFMT_X8R8G8B8) {
            const uint32_t v = uint32_t(c);
            std::memcpy(row + x * 4, &v, 4);
        } else {
            const uint16_t v = t.format == D3DFMT_R5G6B5
                                   ? uint16_t(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F))
                                   : uint16_t(((c >> 9) & 0x7C00) | ((c >> 6) & 0x03E0) | ((c >> 3) & 0x001F));
            std::memcpy(row + x * 2, &v, 2);
        }
    }
}

void Frame(const Target& t, long long l, long long top, long long r, long long b, DWORD c)
{
    if (l < 0 || top < 0 || r >= t.width || b >= t.height || r <= l || b <= top) return;
    HLine(t, l, r, top, c);
    HLine(t, l, r, b - 1, c);
    for (long long y = top; y < b; ++y) {
        HLine(t, l, l + 1, y, c);
        HLine(t, r - 1, r, y, c);
    }
}

} // namespace

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
                                                 const unsigned short* text, int length, int x, int y,
                                                 D3DRECT* outRect, DWORD* outLines,
                                                 std::list<SGfxTextHyperlinkInfo>* links,
                                                 std::list<SGfxTextSpaceInfo>* spaces,
                                                 SGfxTextFindActiveHyperLink* find)
{
    using L = long long;
    if (m_pFont == nullptr || m_pAttri == nullptr || text == nullptr) return E_FAIL;
    SGfxTextAttriBase a = *m_pAttri;
    RECT rc = a.rcLayout;
    if (rc.left > rc.right) std::swap(rc.left, rc.right);
    if (rc.top > rc.bottom) std::swap(rc.top, rc.bottom);
    const int len = length == -1 ? TextLength(text) : length;
    if (len <= 0) return S_OK;
    const int W = width == -1 ? INT_MAX : width;
    const int H = height == -1 ? INT_MAX : height;
    rc.left = std::max<LONG>(rc.left, 0);
    rc.top = std::max<LONG>(rc.top, 0);
    rc.right = std::min<LONG>(rc.right, W);
    rc.bottom = std::min<LONG>(rc.bottom, H);
    if (a.IsHaveFormat(GFXTF_NOWRAP)) {
        rc.right = W;
        rc.bottom = H;
    }
    if (find) find->nLinkID = -1;

    const bool singleLine = a.IsHaveFormat(GFXTF_SINGLELINE);
    const bool noWrap = a.IsHaveFormat(GFXTF_NOWRAP);
    const bool wordWrap = a.IsHaveFormat(GFXTF_WORDWRAP) && !noWrap && !singleLine;
    // Glyphs, advances and lines all come from the attributes' font type, so
    // a cell never outgrows its line.
    const int type = a.nFontType;
    const int lineH = m_pFont->GetCyFont(0, type);
    const int gap = a.nCharGap;
    const Target target{static_cast<uint8_t*>(bits), pitch, W, H, format};

    L penX = x, penY = y;
    DWORD lines = 1;
    bool linkOpen = false, active = false, colourChanged = false, lineHasItem = false, breaking = false;
    int linkId = -1;
    struct Colours {
        DWORD color, bk, b, c;
    } saved{a.dwColor, a.dwBkColor, a.dwLinkValueB, a.dwLinkValueC};
    SGfxTextHyperlinkInfo piece;
    if (penX == rc.right) return E_FAIL;

    // The tallest space item of the line that starts at pos, when taller than the text.
    const auto scanLineHeight = [&](int pos) -> L {
        int best = 0;
        L px = x;
        bool any = false;
        for (int j = pos; j < len;) {
            const unsigned short c = text[j];
            if (c == '\n' && j > 0 && text[j - 1] == '\r') {
                ++j;
                continue;
            }
            if (c == '\r' || c == '\n') {
                if (singleLine) {
                    ++j;
                    continue;
                }
                break;
            }
            const Token t = Classify(text, j, len, a);
            if (t.kind == Token::Code) {
                j += t.length;
                continue;
            }
            if (wordWrap) {
                int h = 0;
                const L w = MeasureWord(h, a, *m_pFont, text, j, len, type, gap);
                if (w > 0 && w <= L(rc.right) - rc.left && w > L(rc.right) - px && any) break;
            }
            const L w = t.kind == Token::Space ? t.width : m_pFont->GetCxFont(t.ch, type);
            if (t.kind != Token::Space && w == 0) {
                j += t.length;
                continue;
            }
            if (px + w > rc.right && (singleLine || !noWrap) && any) break;
            if (t.kind == Token::Space) best = std::max(best, t.height);
            px += w + gap;
            any = true;
            j += t.length;
        }
        return best > lineH ? best : 0;
    };
    const auto closePiece = [&](int at) {
        piece.right = int(penX);
        piece.wCount = uint16_t(at - piece.wFirst);
        if (find && find->nLinkID == -1 && piece.left <= find->x && find->x < piece.right && piece.top <= find->y &&
            find->y < piece.bottom)
            find->nLinkID = piece.nLinkID;
        if (links) links->push_back(piece);
    };
    const auto beginPiece = [&](int first) {
        piece = SGfxTextHyperlinkInfo();
        piece.left = int(penX);
        piece.top = int(penY);
        piece.bottom = int(penY + lineH);
        piece.nLinkID = linkId;
        piece.wFirst = uint16_t(first);
    };
    const auto restoreColours = [&]() {
        if (!colourChanged) return;
        a.dwColor = saved.color;
        a.dwBkColor = saved.bk;
        a.dwLinkValueB = saved.b;
        a.dwLinkValueC = saved.c;
        colourChanged = false;
    };
    const auto saveColours = [&]() {
        saved = {a.dwColor, a.dwBkColor, a.dwLinkValueB, a.dwLinkValueC};
        colourChanged = true;
    };
    // at: where the line ends (a link piece closes there); next: where the
    // following line's text starts, past the whole break.
    const auto newLine = [&](int at, int next) {
        ++lines;
        if (linkOpen) closePiece(at);
        penY += a.nLineGap + lineH;
        const L lower = scanLineHeight(next) - lineH;
        if (lower > 0) penY += lower;
        penX = x;
        if (linkOpen) beginPiece(next);
        lineHasItem = false;
    };
    const auto resetResult = [&]() {
        m_CallbackResult.dwColor = a.dwLinkColor;
        m_CallbackResult.dwBkColor = a.dwBkColor;
        m_CallbackResult.dwValueB = a.dwLinkValueB;
        m_CallbackResult.dwValueC = a.dwLinkValueC;
        m_CallbackResult.nMode = a.nLinkMode;
    };

    {
        const L lower = scanLineHeight(0) - lineH;
        if (lower > 0) penY += lower;
    }
    resetResult();

    DWORD placed = 0;
    L maxX = x, maxY = y;
    unsigned short prev = 0;
    for (int i = 0; i < len;) {
        const unsigned short c = text[i];
        if (c == '\r' || c == '\n') {
            const int next = c == '\r' && i + 1 < len && text[i + 1] == '\n' ? i + 2 : i + 1;
            if (!singleLine) newLine(i, next);
            i = next;
            continue;
        }
        const Token t = Classify(text, i, len, a);
        if (t.kind == Token::Code) {
            if (!a.bStripCodes) {
                const unsigned short* d = text + i + 2;
                switch (text[i + 1]) {
                case '1': {
                    const int v = MarkupNumber(d, 2);
                    if (v <= 15) {
                        a.dwColor = (a.dwColor & 0xFF000000) | Kestu_GetCharColorByIndex(ENUM_CHAR_COLOR_INDEX(v));
                    } else if (v == 99) {
                        a.dwColor = m_pAttri->dwColor;
                        if (a.IsHaveFormat(GFXTF_OUTLINE)) {
                            a.dwOutlineColor = m_pAttri->dwOutlineColor;
                            a.SetFormat(GFXTF_OUTLINE, 0);
                        }
                    }
                    break;
                }
                case '2':
                case '5': {
                    const DWORD rgb = (DWORD)(std::min(MarkupNumber(d, 3), 255)) << 16 |
                                              (DWORD)(std::min(MarkupNumber(d + 3, 3), 255)) << 8 |
                                              (DWORD)(std::min(MarkupNumber(d + 6, 3), 255));
                    if (text[i + 1] == '2') {
                        a.dwColor = (a.dwColor & 0xFF000000) | rgb;
                    } else {
                        a.dwOutlineColor = (a.dwOutlineColor & 0xFF000000) | rgb;
                        a.SetFormat(GFXTF_OUTLINE, 1);
                    }
                    break;
                }
                case '<': {
                    if (linkOpen) {
                        restoreColours();
                        closePiece(i);
                    }
                    linkId = MarkupNumber(d, 4);
                    active = linkId == a.nActiveLinkID;
                    resetResult();
                    if (a.pfnHyperlink) {
                        a.pfnHyperlink(&m_CallbackResult, linkId, a.nActiveLinkID, &a, text, text + i + t.length);
                        saveColours();
                        a.dwColor = m_CallbackResult.dwColor;
                        a.dwBkColor = m_CallbackResult.dwBkColor;
                        a.dwLinkValueB = m_CallbackResult.dwValueB;
                        a.dwLinkValueC = m_CallbackResult.dwValueC;
                    } else if (a.IsHaveFormat(GFXTF_ACTIVELINK) && active) {
                        saveColours();
                        a.dwColor = a.dwActiveLinkColor;
                    } else if (a.IsHaveFormat(GFXTF_LINK)) {
                        saveColours();
                        a.dwColor = a.dwLinkColor;
                    }
                    linkOpen = true;
                    beginPiece(i + t.length);
                    if (m_CallbackResult.nMode == 1)
                        active = true;
                    else if (m_CallbackResult.nMode != 0)
                        active = false;
                    break;
                }
                case '>':
                    active = false;
                    if (linkOpen) {
                        linkOpen = false;
                        restoreColours();
                        closePiece(i);
                    }
                    break;
                default:
                    break;
                }
            }
            i += t.length;
            continue;
        }
        const unsigned short ch = t.ch;
        const bool isSpace = t.kind == Token::Space;

        if (wordWrap) {
            if (breaking && CanBreakBetween(prev, ch)) breaking = false;
            int h = 0;
            const L w = MeasureWord(h, a, *m_pFont, text, i, len, type, gap);
            if (w == 0) {
                i += t.length;
                continue;
            }
            const L room = L(rc.right) - penX;
            if (w > L(rc.right) - rc.left) {
                breaking = true;
                if (room < 1 && lineHasItem) {
                    newLine(i, i);
                    continue;
                }
            } else if ((w > room || room < 1) && !breaking && lineHasItem) {
                newLine(i, i);
                continue;
            }
        }

        const L w = isSpace ? t.width : m_pFont->GetCxFont(ch, type);
        if (!isSpace && w == 0) {
            prev = ch;
            i += t.length;
            continue;
        }
        if (penX + w > rc.right) {
            if (singleLine) break;
            if (!noWrap && lineHasItem) newLine(i, i);
        }
        if (isSpace && spaces) {
            SGfxTextSpaceInfo s;
            s.left = int(penX);
            s.top = int(penY + lineH - t.height);
            s.right = int(penX + w);
            s.bottom = int(penY + lineH);
            s.nID = t.id;
            spaces->push_back(s);
        }
        if (bits != nullptr && !isSpace) {
            if (w < 1 || penX < 0 || penY < 0 || penX + w > W || penY + lineH > H) {
                if (placed == 0 && y >= 0) return E_FAIL;
            } else {
                m_pFont->DrawCharClipped(bits, int(penX), int(penY), pitch, format, ch, a.dwColor, type,
                                         a.IsHaveFormat(GFXTF_OUTLINE), a.dwOutlineColor, W, H);
            }
        }
        const L row = penY + lineH + a.nUnderlineOffset;
        if (linkOpen && active && bits != nullptr && w > 0 && LinesDrawable(format) && penX >= rc.left &&
            penY >= rc.top && penX + w <= rc.right && row <= rc.bottom) {
            const int next = i + t.length;
            const bool last = next >= len || text[next] == 0 || text[next] == '\n' || text[next] == '\r' ||
                              (text[next] == '&' && next + 1 < len && text[next + 1] == '>');
            HLine(target, penX, std::min<L>(penX + w + (last ? 0 : gap), rc.right), row, a.dwColor);
        }
        ++placed;
        lineHasItem = true;
        maxY = std::max(maxY, penY);
        penX += w + gap;
        maxX = std::max(maxX, penX);
        prev = ch;
        i += t.length;
    }

    L right = x, bottom = y;
    if (placed > 0) {
        bottom = maxY + lineH;
        right = std::max<L>(maxX - gap, x);
        if (bits != nullptr && a.IsHaveFormat(GFXTF_FRAME) && LinesDrawable(format)) {
            Frame(target, rc.left, rc.top, rc.right, rc.bottom, a.dwFrameColor);
            Frame(target, x, y, right, bottom, a.dwFrameColor);
        }
    }
    if (outRect) {
        outRect->x1 = x;
        outRect->y1 = y;
        outRect->x2 = LONG(std::min<L>(right, INT_MAX));
        outRect->y2 = LONG(std::min<L>(bottom, INT_MAX));
    }
    if (outLines) *outLines = placed > 0 ? lines : 0;
    return S_OK;
}
