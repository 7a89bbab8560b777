// One decoder for the codes of the 16-bit text: both text devices read a code
// here and apply what it means to their own state.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

namespace kestu::text {

// A code read at one position of the text.
struct MarkupCode {
    enum Kind : uint8_t {
        None,        // no code: the '&' is an ordinary character
        Ampersand,   // "&&": a literal '&'
        Placeholder, // "&0" + number: replaced before drawing
        Palette,     // "&1" + palette index (value)
        PaletteBack, // "&199": back to the colour before
        Colour,      // "&2" + text colour (rgb)
        Outline,     // "&5" + outline colour (rgb), outlines on
        Space,       // "&3" + width, height and id (value)
        LinkBegin,   // "&<" + link id (value)
        LinkEnd,     // "&>"
        Ignored,     // a 2D escape that means nothing
    };
    Kind kind = None;
    int length = 0; // characters, the '&' included
    int value = 0;
    int width = 0, height = 0;
    DWORD rgb = 0; // no alpha byte
};

// Layout: every code of the grammar. Colour2D: the 2D text's escape, '&' and
// three digits, of which only "&1" means anything.
enum class MarkupGrammar : uint8_t { Layout, Colour2D };

// A NUL ends any code, so a NUL-terminated string may pass this as `left`.
inline constexpr size_t kUpToNul = SIZE_MAX;

// The code at s, which holds `left` characters.
MarkupCode DecodeMarkup(const unsigned short* s, size_t left, MarkupGrammar grammar = MarkupGrammar::Layout);

} // namespace kestu::text
