// The layout walk: line breaking, codes, glyphs, underlines, frames and the
// measurements, in one pass over the text.
#include "text/layout/LayoutWalk.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "kestu_textmarkup.h"

namespace kestu::text {

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

LayoutWalk::LayoutWalk(CGfxFont& font, const SGfxTextAttriBase& attributes, SGfxHyperlinkCallbackResult& result,
                       const LayoutTarget& target, const LayoutOutputs& outputs, const unsigned short* text, int length,
                       int x, int y)
    : m_font(font), m_caller(attributes), m_result(result), m_out(outputs), m_text(text), m_len(length), m_x(x), m_y(y),
      m_bits(static_cast<uint8_t*>(target.bits)), m_pitch(target.pitch), m_format(target.format), m_a(attributes),
      m_penX(x), m_penY(y), m_saved{m_a.dwColor, m_a.dwBkColor, m_a.dwLinkValueB, m_a.dwLinkValueC}, m_maxX(x),
      m_maxY(y)
{
    m_width = target.width == -1 ? INT_MAX : target.width;
    m_height = target.height == -1 ? INT_MAX : target.height;
    m_rc = m_a.rcLayout;
    if (m_rc.left > m_rc.right) std::swap(m_rc.left, m_rc.right);
    if (m_rc.top > m_rc.bottom) std::swap(m_rc.top, m_rc.bottom);
    m_rc.left = std::max<LONG>(m_rc.left, 0);
    m_rc.top = std::max<LONG>(m_rc.top, 0);
    m_rc.right = std::min<LONG>(m_rc.right, m_width);
    m_rc.bottom = std::min<LONG>(m_rc.bottom, m_height);
    m_singleLine = m_a.IsHaveFormat(GFXTF_SINGLELINE);
    m_noWrap = m_a.IsHaveFormat(GFXTF_NOWRAP);
    if (m_noWrap) {
        m_rc.right = m_width;
        m_rc.bottom = m_height;
    }
    m_wordWrap = m_a.IsHaveFormat(GFXTF_WORDWRAP) && !m_noWrap && !m_singleLine;
    // Glyphs, advances and lines all come from the attributes' font type, so
    // a cell never outgrows its line.
    m_type = m_a.nFontType;
    m_lineH = m_font.GetCyFont(0, m_type);
    m_gap = m_a.nCharGap;
}

Token LayoutWalk::Classify(int pos) const
{
    Token t;
    t.ch = m_text[pos];
    if (t.ch != '&') return t;
    t.code = DecodeMarkup(m_text + pos, size_t(m_len - pos));
    const MarkupCode::Kind kind = t.code.kind;
    if (kind == MarkupCode::None) return t;
    const SGfxTextAttriBase& a = m_a;
    const bool spaceOn = a.IsHaveFormat(GFXTF_SPACEITEM) || (!a.bStripCodes && !a.bInterpretCodes);
    if (kind == MarkupCode::Space && spaceOn && !a.bStripCodes) {
        t.kind = Token::Space;
        t.length = t.code.length;
        return t;
    }
    if (a.bStripCodes) {
        t.kind = Token::Code;
        t.length = t.code.length;
        return t;
    }
    if (!a.bInterpretCodes || kind == MarkupCode::Placeholder) return t; // laid out as characters
    if (kind == MarkupCode::Ampersand) {
        t.kind = Token::Amp;
        t.length = 2;
        return t;
    }
    t.kind = Token::Code;
    t.length = t.code.length;
    return t;
}

// The switches Classify reads; a link callback may change them.
int LayoutWalk::CodeSwitches() const
{
    return (m_a.bStripCodes ? 1 : 0) | (m_a.bInterpretCodes ? 2 : 0) | (m_a.IsHaveFormat(GFXTF_SPACEITEM) ? 4 : 0);
}

// The walk asks at every character for the rest of its word, so measuring
// afresh each time would be quadratic in the word's length: one pass over the
// word answers for every position in it.
LayoutWalk::L LayoutWalk::MeasureWord(int pos)
{
    const int key = CodeSwitches();
    const size_t at = size_t(pos) - size_t(m_wordsFrom);
    if (key != m_wordsKey || pos < m_wordsFrom || at >= m_words.size() || m_words[at] == LLONG_MIN) {
        MeasureWordsFrom(pos);
        m_wordsKey = key;
        return m_words.empty() ? 0 : m_words[0];
    }
    return m_words[at];
}

// From pos to the end of its word: the advances of its characters (each
// character's width plus the gap) less one gap. Positions past the last
// character measure what follows them: a space item's width, or nothing.
// Positions inside a code stay LLONG_MIN.
void LayoutWalk::MeasureWordsFrom(int pos)
{
    m_wordsFrom = pos;
    m_words.clear();
    L sum = 0, tail = 0;
    int lastChar = -1;
    for (int i = pos; i < m_len;) {
        const Token t = Classify(i);
        m_words.resize(size_t(i - pos), LLONG_MIN);
        m_words.push_back(sum); // the advances before i, for now
        if (t.kind == Token::Code || (t.kind == Token::Space && t.code.width <= 0)) {
            i += t.length;
            continue;
        }
        if (t.kind == Token::Space) {
            tail = t.code.width;
            break;
        }
        sum += m_font.GetCxFont(t.ch, m_type) + m_gap;
        lastChar = i;
        const int next = i + t.length;
        if (next >= m_len || CGfxTextDeviceBase::CanBreakBetween(t.ch, m_text[next])) break;
        i = next;
    }
    for (size_t k = 0; k < m_words.size(); ++k)
        if (m_words[k] != LLONG_MIN) m_words[k] = pos + L(k) <= lastChar ? sum - m_words[k] - m_gap : tail;
}

// The tallest space item of the line that starts at pos, when taller than the text.
LayoutWalk::L LayoutWalk::ScanLineHeight(int pos)
{
    int best = 0;
    L px = m_x;
    bool any = false;
    for (int j = pos; j < m_len && j <= m_lastTall;) {
        const unsigned short c = m_text[j];
        if (c == '\n' && j > 0 && m_text[j - 1] == '\r') {
            ++j;
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (m_singleLine) {
                ++j;
                continue;
            }
            break;
        }
        const Token t = Classify(j);
        if (t.kind == Token::Code) {
            j += t.length;
            continue;
        }
        if (m_wordWrap) {
            const L w = MeasureWord(j);
            if (w > 0 && w <= L(m_rc.right) - m_rc.left && w > L(m_rc.right) - px && any) break;
        }
        const L w = t.kind == Token::Space ? t.code.width : m_font.GetCxFont(t.ch, m_type);
        if (t.kind != Token::Space && w == 0) {
            j += t.length;
            continue;
        }
        if (px + w > m_rc.right && (m_singleLine || !m_noWrap) && any) break;
        if (t.kind == Token::Space) best = std::max(best, t.code.height);
        px += w + m_gap;
        any = true;
        j += t.length;
    }
    return best > m_lineH ? best : 0;
}

void LayoutWalk::LowerLine(int pos)
{
    const L lower = ScanLineHeight(pos) - m_lineH;
    if (lower > 0) m_penY += lower;
}

// at: where the line ends (a link piece closes there); next: where the
// following line's text starts, past the whole break.
void LayoutWalk::NewLine(int at, int next)
{
    ++m_lines;
    if (m_linkOpen) ClosePiece(at);
    m_penY += m_a.nLineGap + m_lineH;
    LowerLine(next);
    m_penX = m_x;
    if (m_linkOpen) BeginPiece(next);
    m_lineHasItem = false;
}

void LayoutWalk::BeginPiece(int first)
{
    m_piece = SGfxTextHyperlinkInfo();
    m_piece.left = int(m_penX);
    m_piece.top = int(m_penY);
    m_piece.bottom = int(m_penY + m_lineH);
    m_piece.nLinkID = m_linkId;
    m_piece.wFirst = uint16_t(first);
}

void LayoutWalk::ClosePiece(int at)
{
    m_piece.right = int(m_penX);
    m_piece.wCount = uint16_t(at - m_piece.wFirst);
    SGfxTextFindActiveHyperLink* find = m_out.find;
    if (find && find->nLinkID == -1 && m_piece.left <= find->x && find->x < m_piece.right && m_piece.top <= find->y &&
        find->y < m_piece.bottom)
        find->nLinkID = m_piece.nLinkID;
    if (m_out.links) m_out.links->push_back(m_piece);
}

void LayoutWalk::SaveColours()
{
    m_saved = {m_a.dwColor, m_a.dwBkColor, m_a.dwLinkValueB, m_a.dwLinkValueC};
    m_colourChanged = true;
}

void LayoutWalk::RestoreColours()
{
    if (!m_colourChanged) return;
    m_a.dwColor = m_saved.color;
    m_a.dwBkColor = m_saved.bk;
    m_a.dwLinkValueB = m_saved.b;
    m_a.dwLinkValueC = m_saved.c;
    m_colourChanged = false;
}

void LayoutWalk::ResetResult()
{
    m_result.dwColor = m_a.dwLinkColor;
    m_result.dwBkColor = m_a.dwBkColor;
    m_result.dwValueB = m_a.dwLinkValueB;
    m_result.dwValueC = m_a.dwLinkValueC;
    m_result.nMode = m_a.nLinkMode;
}

// A code at `at`, its text going on at `after`.
void LayoutWalk::Apply(const MarkupCode& code, int at, int after)
{
    switch (code.kind) {
    case MarkupCode::Palette:
        if (code.value <= 15)
            m_a.dwColor = (m_a.dwColor & 0xFF000000) | Kestu_GetCharColorByIndex(ENUM_CHAR_COLOR_INDEX(code.value));
        break;
    case MarkupCode::PaletteBack:
        m_a.dwColor = m_caller.dwColor;
        if (m_a.IsHaveFormat(GFXTF_OUTLINE)) {
            m_a.dwOutlineColor = m_caller.dwOutlineColor;
            m_a.SetFormat(GFXTF_OUTLINE, 0);
        }
        break;
    case MarkupCode::Colour: m_a.dwColor = (m_a.dwColor & 0xFF000000) | code.rgb; break;
    case MarkupCode::Outline:
        m_a.dwOutlineColor = (m_a.dwOutlineColor & 0xFF000000) | code.rgb;
        m_a.SetFormat(GFXTF_OUTLINE, 1);
        break;
    case MarkupCode::LinkBegin: BeginLink(code.value, at, after); break;
    case MarkupCode::LinkEnd: EndLink(at); break;
    default: break;
    }
}

void LayoutWalk::BeginLink(int id, int at, int after)
{
    if (m_linkOpen) {
        RestoreColours();
        ClosePiece(at);
    }
    m_linkId = id;
    m_active = m_linkId == m_a.nActiveLinkID;
    ResetResult();
    if (m_a.pfnHyperlink) {
        m_a.pfnHyperlink(&m_result, m_linkId, m_a.nActiveLinkID, &m_a, m_text, m_text + after);
        SaveColours();
        m_a.dwColor = m_result.dwColor;
        m_a.dwBkColor = m_result.dwBkColor;
        m_a.dwLinkValueB = m_result.dwValueB;
        m_a.dwLinkValueC = m_result.dwValueC;
    } else if (m_a.IsHaveFormat(GFXTF_ACTIVELINK) && m_active) {
        SaveColours();
        m_a.dwColor = m_a.dwActiveLinkColor;
    } else if (m_a.IsHaveFormat(GFXTF_LINK)) {
        SaveColours();
        m_a.dwColor = m_a.dwLinkColor;
    }
    m_linkOpen = true;
    BeginPiece(after);
    if (m_result.nMode == 1)
        m_active = true;
    else if (m_result.nMode != 0)
        m_active = false;
}

void LayoutWalk::EndLink(int at)
{
    m_active = false;
    if (!m_linkOpen) return;
    m_linkOpen = false;
    RestoreColours();
    ClosePiece(at);
}

// The word rule at a character: place it, skip it (a word of no width), or
// look at it again on the new line just begun.
LayoutWalk::Wrap LayoutWalk::WrapWord(int pos, unsigned short ch)
{
    if (m_breaking && CGfxTextDeviceBase::CanBreakBetween(m_prev, ch)) m_breaking = false;
    const L w = MeasureWord(pos);
    if (w == 0) return Wrap::Skip;
    const L room = L(m_rc.right) - m_penX;
    if (w > L(m_rc.right) - m_rc.left) {
        m_breaking = true;
        if (room < 1 && m_lineHasItem) {
            NewLine(pos, pos);
            return Wrap::Again;
        }
    } else if ((w > room || room < 1) && !m_breaking && m_lineHasItem) {
        NewLine(pos, pos);
        return Wrap::Again;
    }
    return Wrap::Place;
}

void LayoutWalk::RecordSpace(const Token& t, L w) const
{
    SGfxTextSpaceInfo s;
    s.left = int(m_penX);
    s.top = int(m_penY + m_lineH - t.code.height);
    s.right = int(m_penX + w);
    s.bottom = int(m_penY + m_lineH);
    s.nID = t.code.value;
    m_out.spaces->push_back(s);
}

// False when the walk must fail: nothing placed yet, and the first glyph
// does not fit the buffer.
bool LayoutWalk::DrawGlyph(unsigned short ch, L w)
{
    if (w < 1 || m_penX < 0 || m_penY < 0 || m_penX + w > m_width || m_penY + m_lineH > m_height)
        return !(m_placed == 0 && m_y >= 0);
    m_font.DrawCharClipped(m_bits, int(m_penX), int(m_penY), m_pitch, m_format, ch, m_a.dwColor, m_type,
                           m_a.IsHaveFormat(GFXTF_OUTLINE), m_a.dwOutlineColor, m_width, m_height);
    return true;
}

// Under a glyph of an active link; next: the position after the glyph.
void LayoutWalk::Underline(int next, L w)
{
    const L row = m_penY + m_lineH + m_a.nUnderlineOffset;
    if (!(m_linkOpen && m_active && m_bits != nullptr && w > 0 && LinesDrawable(m_format) && m_penX >= m_rc.left &&
          m_penY >= m_rc.top && m_penX + w <= m_rc.right && row <= m_rc.bottom))
        return;
    const bool last =
        next >= m_len || m_text[next] == 0 || m_text[next] == '\n' || m_text[next] == '\r' ||
        (m_text[next] == '&' && DecodeMarkup(m_text + next, size_t(m_len - next)).kind == MarkupCode::LinkEnd);
    const Target target{m_bits, m_pitch, m_width, m_height, m_format};
    HLine(target, m_penX, std::min<L>(m_penX + w + (last ? 0 : m_gap), m_rc.right), row, m_a.dwColor);
}

void LayoutWalk::Finish() const
{
    L right = m_x, bottom = m_y;
    if (m_placed > 0) {
        bottom = m_maxY + m_lineH;
        right = std::max<L>(m_maxX - m_gap, m_x);
        if (m_bits != nullptr && m_a.IsHaveFormat(GFXTF_FRAME) && LinesDrawable(m_format)) {
            const Target target{m_bits, m_pitch, m_width, m_height, m_format};
            Frame(target, m_rc.left, m_rc.top, m_rc.right, m_rc.bottom, m_a.dwFrameColor);
            Frame(target, m_x, m_y, right, bottom, m_a.dwFrameColor);
        }
    }
    if (m_out.rect) {
        m_out.rect->x1 = m_x;
        m_out.rect->y1 = m_y;
        m_out.rect->x2 = LONG(std::min<L>(right, INT_MAX));
        m_out.rect->y2 = LONG(std::min<L>(bottom, INT_MAX));
    }
    if (m_out.lines) *m_out.lines = m_placed > 0 ? m_lines : 0;
}

HRESULT LayoutWalk::Run()
{
    if (m_out.find) m_out.find->nLinkID = -1;
    if (m_penX == m_rc.right) return E_FAIL;
    // Past the last tall space item no line is lowered and none is scanned.
    for (int i = m_len - 1; i >= 0 && m_lastTall < 0; --i)
        if (m_text[i] == '&') {
            const MarkupCode code = DecodeMarkup(m_text + i, size_t(m_len - i));
            if (code.kind == MarkupCode::Space && code.height > m_lineH) m_lastTall = i;
        }
    LowerLine(0);
    ResetResult();
    for (int i = 0; i < m_len;) {
        const unsigned short c = m_text[i];
        if (c == '\r' || c == '\n') {
            const int next = c == '\r' && i + 1 < m_len && m_text[i + 1] == '\n' ? i + 2 : i + 1;
            if (!m_singleLine) NewLine(i, next);
            i = next;
            continue;
        }
        const Token t = Classify(i);
        if (t.kind == Token::Code) {
            if (!m_a.bStripCodes) Apply(t.code, i, i + t.length);
            i += t.length;
            continue;
        }
        const unsigned short ch = t.ch;
        const bool isSpace = t.kind == Token::Space;
        if (m_wordWrap) {
            const Wrap wrap = WrapWord(i, ch);
            if (wrap == Wrap::Again) continue;
            if (wrap == Wrap::Skip) {
                i += t.length;
                continue;
            }
        }
        const L w = isSpace ? t.code.width : m_font.GetCxFont(ch, m_type);
        if (!isSpace && w == 0) {
            m_prev = ch;
            i += t.length;
            continue;
        }
        if (m_penX + w > m_rc.right) {
            if (m_singleLine) break;
            if (!m_noWrap && m_lineHasItem) NewLine(i, i);
        }
        if (isSpace && m_out.spaces) RecordSpace(t, w);
        if (m_bits != nullptr && !isSpace && !DrawGlyph(ch, w)) return E_FAIL;
        Underline(i + t.length, w);
        ++m_placed;
        m_lineHasItem = true;
        m_maxY = std::max(m_maxY, m_penY);
        m_penX += w + m_gap;
        m_maxX = std::max(m_maxX, m_penX);
        m_prev = ch;
        i += t.length;
    }
    Finish();
    return S_OK;
}

} // namespace kestu::text
