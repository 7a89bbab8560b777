// Reading one code of the 16-bit text into what it means.
#include "text/markup/MarkupDecoder.h"

#include <algorithm>

#include "kestu_textmarkup.h"

namespace kestu::text {

namespace {

// "&1" + two digits at s, the same in both grammars.
void ReadPalette(const unsigned short* s, MarkupCode& c)
{
    c.value = MarkupNumber(s + 2, 2);
    c.kind = c.value == 99 ? MarkupCode::PaletteBack : MarkupCode::Palette;
}

// Three decimal components of three digits each, each at most 255.
DWORD ReadRgb(const unsigned short* d)
{
    return DWORD(std::min(MarkupNumber(d, 3), 255)) << 16 | DWORD(std::min(MarkupNumber(d + 3, 3), 255)) << 8 |
           DWORD(std::min(MarkupNumber(d + 6, 3), 255));
}

MarkupCode DecodeColour2D(const unsigned short* s, size_t left)
{
    MarkupCode c;
    if (left < 4 || !IsColourEscape(s)) return c;
    c.length = 4;
    if (s[1] == '1')
        ReadPalette(s, c);
    else
        c.kind = MarkupCode::Ignored;
    return c;
}

} // namespace

MarkupCode DecodeMarkup(const unsigned short* s, size_t left, MarkupGrammar grammar)
{
    if (grammar == MarkupGrammar::Colour2D) return DecodeColour2D(s, left);
    MarkupCode c;
    c.length = MarkupCodeAt(s, left);
    if (c.length == 0) return c;
    const unsigned short* d = s + 2;
    switch (s[1]) {
    case '&': c.kind = MarkupCode::Ampersand; break;
    case '>': c.kind = MarkupCode::LinkEnd; break;
    case '0':
        c.kind = MarkupCode::Placeholder;
        c.value = MarkupNumber(d, 2);
        break;
    case '1': ReadPalette(s, c); break;
    case '2':
    case '5':
        c.kind = s[1] == '2' ? MarkupCode::Colour : MarkupCode::Outline;
        c.rgb = ReadRgb(d);
        break;
    case '3':
        c.kind = MarkupCode::Space;
        c.width = MarkupNumber(d, 3);
        c.height = MarkupNumber(d + 3, 3);
        c.value = MarkupNumber(d + 6, 4);
        break;
    default: // '<', the only other letter with a length
        c.kind = MarkupCode::LinkBegin;
        c.value = MarkupNumber(d, 4);
        break;
    }
    return c;
}

} // namespace kestu::text
