// The walk of the text layout: one pass that breaks lines, follows the
// codes, draws glyphs, underlines and frames, and measures.
#pragma once

#include <cstdint>

#include "kestu_textlayout.h"

namespace kestu::text {

// What stands at a position of the text under the attributes' code switches.
struct Token {
    enum Kind { Char, Code, Amp, Space } kind = Char;
    int length = 1;            // characters consumed
    unsigned short ch = 0;     // the character laid out (Char, Amp)
    int width = 0, height = 0, id = -1;  // a space item
};

Token Classify(const unsigned short* text, int pos, int length, const SGfxTextAttriBase& a);

// Width of the word that starts at pos; a space item is a word by itself
// and raises height to its own.
int MeasureWord(int& height, const SGfxTextAttriBase& a, const CGfxFont& font, const unsigned short* text,
                int pos, int length, int type, int gap);

int TextLength(const unsigned short* text);

} // namespace kestu::text
