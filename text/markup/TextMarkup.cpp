// The code grammar of the 16-bit text and the text palette.
#include "kestu_textmarkup.h"

#include "text/markup/MarkupDecoder.h"

namespace {

constexpr DWORD kPalette[16] = {0xFFFFFF, 0xFFFF00, 0xE7651A, 0xFF0000, 0x000000, 0x0000FF, 0x04046E, 0x9696FF,
                                0x83B3E3, 0x1E6BB9, 0x6C0606, 0xFF5353, 0x391C10, 0x00FF00, 0x097909, 0x6A6B6E};

// Characters before the NUL, counted no further than the longest code.
size_t CodeRoom(const unsigned short* s)
{
    size_t n = 0;
    while (n < 12 && s[n] != 0) ++n;
    return n;
}

} // namespace

DWORD Kestu_GetCharColorByIndex(ENUM_CHAR_COLOR_INDEX index)
{
    return index >= 0 && index < 16 ? kPalette[index] : kPalette[0];
}

int IsMarkupDigit(unsigned short c) { return c >= 48 && c <= 57 ? 1 : 0; }

int MarkupCodeLength(unsigned short c)
{
    switch (c) {
    case '&':
    case '>': return 2;
    case '0':
    case '1': return 4;
    case '2':
    case '5': return 11;
    case '3': return 12;
    case '<': return 6;
    default: return 0;
    }
}

int MarkupCodeLengthAt(const unsigned short* s)
{
    if (s == nullptr || s[0] == 0) return 0;
    return MarkupCodeLength(s[1]);
}

int MarkupCodeAt(const unsigned short* s, size_t left)
{
    if (s == nullptr || left < 2 || s[0] != '&') return 0;
    const int n = MarkupCodeLength(s[1]);
    if (n == 0 || size_t(n) > left) return 0;
    for (int i = 2; i < n; ++i)
        if (!IsMarkupDigit(s[i])) return 0;
    return n;
}

int MarkupNumber(const unsigned short* s, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

int IsMarkupCode(const unsigned short* s) { return s != nullptr && MarkupCodeAt(s, CodeRoom(s)) > 0 ? 1 : 0; }

int IsColourEscape(const unsigned short* s)
{
    if (s == nullptr || s[0] != '&') return 0;
    for (int i = 1; i <= 3; ++i)
        if (!IsMarkupDigit(s[i])) return 0;
    return 1;
}

int Kestu_ReadTextSpace(const unsigned short* s, int* width, int* height, int* id)
{
    if (s == nullptr) return 0;
    const kestu::text::MarkupCode c = kestu::text::DecodeMarkup(s, CodeRoom(s));
    if (c.kind != kestu::text::MarkupCode::Space) return 0;
    if (width) *width = c.width;
    if (height) *height = c.height;
    if (id) *id = c.value;
    return 1;
}

int Kestu_ReadTextHyperlink(const unsigned short* s, int* id)
{
    if (s == nullptr) return 0;
    const kestu::text::MarkupCode c = kestu::text::DecodeMarkup(s, CodeRoom(s));
    if (c.kind != kestu::text::MarkupCode::LinkBegin) return 0;
    if (id) *id = c.value;
    return 1;
}
