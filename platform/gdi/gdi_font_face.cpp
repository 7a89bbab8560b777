#include "gdi/gdi_font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace kestu::platform::gdi {
namespace {

// Windows-1252 code points of bytes 0x80..0x9F; the rest map to themselves.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t CodePoint(unsigned char c) { return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c; }

FT_Library Library()
{
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

struct Match {
    std::string file;
    int index = 0;
};

bool InitFontconfig()
{
    static const bool ready = [] {
        if (FcInit() == FcFalse) return false;
        // Hand fontconfig's caches back at exit so they are not reported as leaks.
        std::atexit([] { FcFini(); });
        return true;
    }();
    return ready;
}

bool FindFont(const LOGFONTA& lf, Match* out)
{
    if (!InitFontconfig()) return false;
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
    const bool fixed = (lf.lfPitchAndFamily & 0x3) == FIXED_PITCH;
    const char* family = face[0] != '\0' ? face : (fixed ? "monospace" : "sans-serif");

    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, lf.lfWeight >= FW_SEMIBOLD ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    FcChar8* file = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
    if (found) {
        out->file = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out->index = index;
    }
    FcPatternDestroy(match);
    return found;
}

} // namespace

struct FontFace::Impl {
    FT_Face face = nullptr;
    ~Impl()
    {
        if (face != nullptr) FT_Done_Face(face);
    }
};

std::shared_ptr<FontFace> OpenFace(const LOGFONTA& lf)
{
    FT_Library lib = Library();
    Match match;
    if (lib == nullptr || !FindFont(lf, &match)) return nullptr;
    auto impl = std::make_shared<FontFace::Impl>();
    if (FT_New_Face(lib, match.file.c_str(), match.index, &impl->face) != 0) {
        impl->face = nullptr;
        return nullptr;
    }
    FT_Face face = impl->face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;

    // The cell spans the font's Windows ascent and descent when it has them.
    double unitsUp = face->ascender, unitsDown = -static_cast<double>(face->descender);
    double strikeUnits = face->ascender / 3.0;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        unitsUp = os2->usWinAscent;
        unitsDown = os2->usWinDescent;
    }
    if (os2 != nullptr && os2->yStrikeoutPosition > 0) strikeUnits = os2->yStrikeoutPosition;
    const double upem = face->units_per_EM;
    double em;
    if (lf.lfHeight < 0)
        em = -static_cast<double>(lf.lfHeight);
    else
        em = (lf.lfHeight == 0 ? 16.0 : static_cast<double>(lf.lfHeight)) * upem / (unitsUp + unitsDown);
    em = std::clamp(em, 1.0, 2048.0);
    const FT_UInt pixels = static_cast<FT_UInt>(std::lround(em));
    if (FT_Set_Pixel_Sizes(face, 0, pixels == 0 ? 1 : pixels) != 0) return nullptr;

    auto out = std::make_shared<FontFace>();
    out->impl = impl;
    out->emPixels = static_cast<int>(pixels);
    out->ascent = static_cast<int>(std::lround(unitsUp * pixels / upem));
    out->descent = static_cast<int>(std::lround(unitsDown * pixels / upem));
    out->antialiased = lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == CLEARTYPE_QUALITY;
    out->fixedPitch = FT_IS_FIXED_WIDTH(face) != 0;
    out->weight = lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight;
    out->italic = lf.lfItalic != 0;
    out->underline = lf.lfUnderline != 0;
    out->strikeOut = lf.lfStrikeOut != 0;
    const double scale = pixels / upem;
    out->lineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    out->underlineOffset = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    out->strikeOutOffset = std::max(1, static_cast<int>(std::lround(strikeUnits * scale)));
    out->maxCharWidth = static_cast<int>((face->size->metrics.max_advance + 63) >> 6);
    out->aveCharWidth = out->GlyphFor('x').advance;
    return out;
}

const Glyph& FontFace::GlyphFor(unsigned char c)
{
    std::unique_ptr<Glyph>& slot = glyphs[c];
    if (slot) return *slot;
    slot = std::make_unique<Glyph>();
    Glyph& g = *slot;
    FT_Face face = impl->face;
    const FT_Int32 load = FT_LOAD_DEFAULT | (antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    if (FT_Load_Char(face, CodePoint(c), load) != 0) return g;
    FT_GlyphSlot gs = face->glyph;
    g.advance = static_cast<int>((gs->advance.x + 32) >> 6);
    if (FT_Render_Glyph(gs, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bm = gs->bitmap;
    g.left = gs->bitmap_left;
    g.top = gs->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.coverage.assign(static_cast<size_t>(g.width) * g.height, 0);
    for (int y = 0; y < g.height; ++y) {
        const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        for (int x = 0; x < g.width; ++x) {
            uint8_t v = 0;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                v = static_cast<uint8_t>(bm.num_grays == 256 ? row[x] : row[x] * 255 / std::max(1, bm.num_grays - 1));
            g.coverage[static_cast<size_t>(y) * g.width + x] = v;
        }
    }
    return g;
}

} // namespace kestu::platform::gdi
