// CTextDevice: drawing strings, counting their lines and breaking them into
// pages, all through one walk over the text.
#include <cstdio>
#include <vector>

#include "kestu_textdevice.h"
#include "kestu_textmarkup.h"
#include "text/markup/MarkupDecoder.h"

using kestu::text::DecodeMarkup;
using kestu::text::kUpToNul;
using kestu::text::MarkupCode;
using kestu::text::MarkupGrammar;

struct CTextDevice::Walk {
    DBUF* dst = nullptr; // null: the walk only counts
    int lines = 1;
    std::vector<size_t>* lineStarts = nullptr; // first character of each new line
};

STextOutPara& STextOutPara::operator=(const STextOutPara& other)
{
    m_pFont = other.m_pFont;
    m_nFontType = other.m_nFontType;
    m_nBackGround = other.m_nBackGround;
    m_nForeGround = other.m_nForeGround;
    m_nReserved = other.m_nReserved;
    m_nWordGap = other.m_nWordGap;
    m_nLineGap = other.m_nLineGap;
    m_PaintType = other.m_PaintType;
    m_pFont = GetFontByFontType(ENUM_FONT_TYPE(m_nFontType));
    return *this;
}

CTextDevice::CTextDevice(const CTextDevice& other)
    : STextOutPara(other), m_rcView(other.m_rcView), m_rcClip(other.m_rcClip),
      m_bShadow(other.m_bShadow), m_nLabelColor{other.m_nLabelColor[0], other.m_nLabelColor[1]},
      m_nReserved2{other.m_nReserved2[0], other.m_nReserved2[1]}, m_bAutoNewLine(other.m_bAutoNewLine),
      m_nRememberedColor(other.m_nRememberedColor)
{
    m_rcView.area = m_rcView.width * m_rcView.height;
    m_rcClip.area = m_rcClip.width * m_rcClip.height;
}

CTextDevice& CTextDevice::operator=(const CTextDevice& other)
{
    if (this == &other) return *this;
    STextOutPara::operator=(other);
    m_rcView = other.m_rcView;
    m_rcClip = other.m_rcClip;
    m_bShadow = other.m_bShadow;
    m_nLabelColor[0] = other.m_nLabelColor[0];
    m_nLabelColor[1] = other.m_nLabelColor[1];
    m_nReserved2[0] = other.m_nReserved2[0];
    m_nReserved2[1] = other.m_nReserved2[1];
    m_bAutoNewLine = other.m_bAutoNewLine;
    m_nRememberedColor = other.m_nRememberedColor;
    return *this;
}

CTextDevice::~CTextDevice() = default;

int CTextDevice::Advance(unsigned short ch) { return m_pFont ? m_pFont->GetCxFont(ch) : 0; }

int CTextDevice::FontHeight() { return m_pFont ? m_pFont->GetCyFont(0) : 0; }

int CTextDevice::Out(DBUF* dst, unsigned short ch, int x, int y)
{
    if (m_pFont == nullptr || dst == nullptr) return 0;
    if (m_rcView.width == 0 && m_rcView.height == 0) m_rcView = dst->GetRect();
    GRECT clip = m_rcView;
    if (m_rcClip.width != 0 && m_rcClip.height != 0) clip.Intersect(m_rcClip, m_rcView);
    m_pFont->Paint(dst, x, y, ch, m_nForeGround, m_nBackGround, m_PaintType, &clip);
    return m_pFont->GetCxFont(ch);
}

void CTextDevice::Run(Walk& walk, const unsigned short* text, int x, int y)
{
    const int lineStep = FontHeight() + m_nLineGap;
    const bool wrap = m_bAutoNewLine && !(m_rcView.width == 0 && m_rcView.height == 0);
    const int right = m_rcView.x + m_rcView.width;
    int penX = x, measureX = x;
    bool pending = false;
    size_t runStart = 0;

    const auto place = [&](unsigned short c) {
        const int advance = walk.dst ? Out(walk.dst, c, penX, y) : Advance(c);
        penX += advance + m_nWordGap;
    };
    const auto flush = [&](size_t last) {
        if (pending)
            for (size_t k = runStart; k <= last; ++k)
                if (text[k] != '\r' && text[k] != '\n') place(text[k]);
        pending = false;
        measureX = penX;
    };
    const auto newLine = [&](size_t next) {
        y += lineStep;
        penX = measureX = x;
        ++walk.lines;
        if (walk.lineStarts) walk.lineStarts->push_back(next);
    };

    for (size_t i = 0; text[i] != 0; ++i) {
        const unsigned short c = text[i];
        if (c == '\n' && i > 0 && text[i - 1] == '\r') continue;
        if (c == '\n' || c == '\r') {
            if (pending) flush(i - 1);
            newLine(i + 1 + (c == '\r' && text[i + 1] == '\n' ? 1 : 0));
            continue;
        }
        const MarkupCode code = c == '&' ? DecodeMarkup(text + i, kUpToNul, MarkupGrammar::Colour2D) : MarkupCode();
        if (code.kind != MarkupCode::None) {
            if (pending) flush(i - 1);
            const bool palette = code.kind == MarkupCode::Palette || code.kind == MarkupCode::PaletteBack;
            if (walk.dst && !m_bShadow && palette) {
                if (code.kind == MarkupCode::PaletteBack && m_nRememberedColor != -1) {
                    m_nForeGround = m_nRememberedColor;
                } else {
                    m_nRememberedColor = m_nForeGround;
                    m_nForeGround = TextColourByIndex(code.value);
                }
            }
            i += size_t(code.length) - 1;
            continue;
        }
        if (!wrap) {
            place(c);
            measureX = penX;
            continue;
        }
        const int advance = Advance(c);
        if (!pending) {
            pending = true;
            runStart = i;
            measureX = penX;
        }
        if (measureX + advance > right && (penX > x || runStart < i)) {
            if (penX > x) {
                // The pending word moves whole to the next line.
                const int word = measureX - penX;
                newLine(runStart);
                measureX = x + word + advance + m_nWordGap;
            } else {
                // A word wider than the line is broken where it meets the edge.
                flush(i - 1);
                newLine(i);
                pending = true;
                runStart = i;
                measureX = x + advance + m_nWordGap;
            }
            continue;
        }
        measureX += advance + m_nWordGap;
        if (c == ' ' || text[i + 1] == 0 || c > 255) {
            flush(i);
            if (penX > right) newLine(i + 1);
        }
    }
    if (pending) {
        size_t last = runStart;
        while (text[last + 1] != 0) ++last;
        flush(last);
    }
}

void CTextDevice::Out(DBUF* dst, unsigned short* text, int x, int y, int width)
{
    m_nRememberedColor = -1;
    if (width == -1)
        m_rcClip = GRECT();
    else
        m_rcClip = GRECT(x, y, width, FontHeight());
    if (dst == nullptr || text == nullptr || m_pFont == nullptr) {
        m_bShadow = 0;
        return;
    }
    const int foreground = m_nForeGround;
    if (m_bShadow) m_nForeGround = TextColourByIndex(CCI_BLACK);
    if (m_rcView.width == 0 && m_rcView.height == 0) m_rcView = dst->GetRect();
    Walk walk;
    walk.dst = dst;
    Run(walk, text, x, y);
    m_nForeGround = foreground;
    m_bShadow = 0;
}

void CTextDevice::OutInt(DBUF* dst, int value, int x, int y, int width)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", value);
    unsigned short text[16] = {};
    for (int i = 0; digits[i] != 0; ++i) text[i] = static_cast<unsigned char>(digits[i]);
    Out(dst, text, x, y, width);
}

int CTextDevice::GetOutputLineNumber(unsigned short* text)
{
    if (text == nullptr || text[0] == 0) return 0;
    Walk walk;
    Run(walk, text, 0, 0);
    return walk.lines;
}

void CTextDevice::GetOutputRect(GRECT& r, unsigned short* text)
{
    int widest = 0, line = 0;
    if (text != nullptr) {
        for (size_t i = 0; text[i] != 0; ++i) {
            const unsigned short c = text[i];
            if (c == '\r' || c == '\n') {
                line = 0;
                continue;
            }
            if (c == '&') {
                const MarkupCode code = DecodeMarkup(text + i, kUpToNul, MarkupGrammar::Colour2D);
                if (code.kind != MarkupCode::None) {
                    i += size_t(code.length) - 1;
                    continue;
                }
            }
            line += Advance(c) + m_nWordGap;
            if (line > widest) widest = line;
        }
    }
    r.width = widest;
    r.height = FontHeight() * GetOutputLineNumber(text);
}

int CTextDevice::Pagination(int* pageStarts, unsigned short* text, int linesPerPage, int maxEntries, int)
{
    if (pageStarts == nullptr || maxEntries < 1) return 1;
    pageStarts[0] = 0;
    if (text == nullptr || text[0] == 0 || linesPerPage < 1) return 1;
    std::vector<size_t> starts;
    Walk walk;
    walk.lineStarts = &starts;
    Run(walk, text, 0, 0);
    size_t length = 0;
    while (text[length] != 0) ++length;
    int entries = 1;
    for (size_t line = size_t(linesPerPage); entries < maxEntries; line += size_t(linesPerPage)) {
        if (line < size_t(walk.lines)) {
            pageStarts[entries++] = int(starts[line - 1]);
        } else {
            if (line == size_t(walk.lines)) pageStarts[entries++] = int(length);
            break;
        }
    }
    return 1;
}
