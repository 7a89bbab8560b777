// The inline codes of the engine's 16-bit text ('&' followed by a code
// letter and digits) and the 16-colour text palette.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "kestu_export.h"

enum ENUM_CHAR_COLOR_INDEX : int32_t {
    CCI_WHITE = 0,
    CCI_YELLOW = 1,
    CCI_ORANGE = 2,
    CCI_RED = 3,
    CCI_BLACK = 4,
    CCI_BLUE = 5,
    CCI_NAVY = 6,
    CCI_LAVENDER = 7,
    CCI_SKY = 8,
    CCI_STEEL = 9,
    CCI_MAROON = 10,
    CCI_SALMON = 11,
    CCI_BROWN = 12,
    CCI_GREEN = 13,
    CCI_DARKGREEN = 14,
    CCI_GREY = 15,
};

// RGB of a palette index (no alpha byte); callers pass 0..15.
KESTU_API DWORD Kestu_GetCharColorByIndex(ENUM_CHAR_COLOR_INDEX index);
// 1 when s starts with a complete "&3" space code; each given pointer gets its field.
KESTU_API int Kestu_ReadTextSpace(const unsigned short* s, int* width, int* height, int* id);
// 1 when s starts with a complete "&<" link code; id gets the 4-digit value.
KESTU_API int Kestu_ReadTextHyperlink(const unsigned short* s, int* id);

KESTU_API int IsMarkupDigit(unsigned short c);
// Length of the code whose second character is c ('&' included), 0 for none.
KESTU_API int MarkupCodeLength(unsigned short c);
KESTU_API int MarkupCodeLengthAt(const unsigned short* s);
// 1 when s starts with a complete code of the grammar.
KESTU_API int IsMarkupCode(const unsigned short* s);
// '&' and three digits: the colour code of the 2D text.
KESTU_API int IsColourEscape(const unsigned short* s);

// The same tests on a string of `left` characters that need not end in a NUL:
// the length of the complete code at s, or 0.
KESTU_API int MarkupCodeAt(const unsigned short* s, size_t left);
// The decimal value of n digits at s (the caller has checked them).
KESTU_API int MarkupNumber(const unsigned short* s, int n);
