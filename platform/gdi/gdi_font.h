// Fonts: a LOGFONTA resolved through fontconfig to an installed face and
// rasterised with FreeType, one cached glyph per single-byte character.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "wingdi.h"

namespace kestu::platform::gdi {

struct Glyph {
    int left = 0; // from the pen to the bitmap's left edge
    int top = 0;  // from the baseline up to the bitmap's top row
    int width = 0;
    int height = 0;
    int advance = 0;               // pen movement in pixels
    std::vector<uint8_t> coverage; // width x height, 0..255
};

struct FontFace {
    int ascent = 0;
    int descent = 0;
    int emPixels = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    bool antialiased = false;
    bool fixedPitch = false;
    LONG weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int underlineOffset = 1; // rows below the baseline
    int strikeOutOffset = 4; // rows above the baseline
    int lineThickness = 1;

    int height() const { return ascent + descent; }
    const Glyph& GlyphFor(unsigned char c);

    struct Impl;
    std::shared_ptr<Impl> impl;
    std::array<std::unique_ptr<Glyph>, 256> glyphs;
};

// Opens the face a logical font asks for; null when no font can be found.
std::shared_ptr<FontFace> OpenFace(const LOGFONTA& lf);

} // namespace kestu::platform::gdi
