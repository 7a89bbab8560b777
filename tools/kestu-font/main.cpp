// kestu-font: renders a TrueType or OpenType font through FreeType into the
// engine's 1-bit bitmap font files and, when asked, their character-index
// (TIB) table.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/file_args.h"
#include "kestu_bytes.h"
#include "kestu_font.h"
#include "kestu_safefile.h"

namespace {

struct Range {
    uint32_t first, last;
};

struct Output {
    std::string path;
    int size = 0;
};

const ktool::Cli cli("kestu-font",
                     "usage: kestu-font --font FILE [--ranges LIST] [--tib TABLE] [--face NAME] OUT:SIZE...\n"
                     "  Writes one bitmap font file OUT per output, its glyphs rendered at SIZE pixels\n"
                     "  (1 to 4 outputs), and with --tib the character-index table of all of them.\n"
                     "  LIST holds code ranges such as 0x20-0x7E,0x4E00-0x4E20 (default 0x20-0x7E).\n");

bool ParseRanges(const char* text, std::vector<Range>& out)
{
    std::string s(text);
    size_t at = 0;
    while (at <= s.size()) {
        const size_t end = std::min(s.find(',', at), s.size());
        const std::string part = s.substr(at, end - at);
        char* stop = nullptr;
        const unsigned long a = std::strtoul(part.c_str(), &stop, 0);
        unsigned long b = a;
        if (stop == part.c_str()) return false;
        if (*stop == '-') {
            const char* second = stop + 1;
            b = std::strtoul(second, &stop, 0);
            if (stop == second) return false;
        }
        if (*stop != 0 || a > b || b > 0xFFFF) return false;
        out.push_back({uint32_t(a), uint32_t(b)});
        at = end + 1;
    }
    return !out.empty();
}

struct Rendered {
    SFNTHEADER header;
    std::vector<uint8_t> cells;  // 65,536 cells, set bits are background
    std::vector<uint8_t> widths; // (cx, cy) pairs
    std::vector<bool> present;   // codes with a glyph
};

bool Render(FT_Face face, int size, const std::vector<Range>& ranges, const char* faceName, Rendered& out,
            std::string& error)
{
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0) {
        error = "cannot set the pixel size";
        return false;
    }
    const int ascender = int((face->size->metrics.ascender + 63) >> 6);
    const int descender = int((-face->size->metrics.descender + 63) >> 6);
    const int height = ascender + descender;
    const FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME;

    int cellWidth = 1;
    out.present.assign(KESTU_FONT_CODES, false);
    for (const Range& r : ranges)
        for (uint32_t c = r.first; c <= r.last; ++c) {
            const FT_UInt index = FT_Get_Char_Index(face, c);
            if (index == 0 || FT_Load_Glyph(face, index, flags) != 0) continue;
            const FT_GlyphSlot g = face->glyph;
            const int advance = int((g->advance.x + 32) >> 6);
            cellWidth = std::max({cellWidth, advance, g->bitmap_left + int(g->bitmap.width)});
            out.present[c] = true;
        }
    const int rowBytes = (cellWidth + 7) / 8;
    if (rowBytes > 4 || rowBytes * height > 255 || height < 1) {
        error = "glyphs too large for the format (at most 32 pixels wide and 255 bytes a glyph)";
        return false;
    }
    const int glyphBytes = rowBytes * height;
    out.cells.assign(size_t(KESTU_FONT_CODES) * glyphBytes, 0xFF);
    out.widths.assign(KESTU_FONT_WIDTH_TABLE, 0);
    for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
        if (!out.present[c] || FT_Load_Glyph(face, FT_Get_Char_Index(face, c), flags) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        uint8_t* cell = out.cells.data() + size_t(c) * glyphBytes;
        const FT_Bitmap& bm = g->bitmap;
        for (int row = 0; row < int(bm.rows); ++row) {
            const int y = ascender - g->bitmap_top + row;
            if (y < 0 || y >= height) continue;
            for (int col = 0; col < int(bm.width); ++col) {
                const int x = g->bitmap_left + col;
                if (x < 0 || x >= rowBytes * 8) continue;
                if (bm.buffer[row * bm.pitch + col / 8] & (0x80 >> (col % 8)))
                    cell[y * rowBytes + x / 8] &= uint8_t(~(0x80 >> (x % 8)));
            }
        }
        out.widths[2 * c] = uint8_t(std::min(255, int((g->advance.x + 32) >> 6)));
        out.widths[2 * c + 1] = uint8_t(height);
    }
    out.header.wCellWidth = uint16_t(cellWidth);
    out.header.wCellHeight = uint16_t(height);
    out.header.byBytesPerRow = uint8_t(rowBytes);
    out.header.byBytesPerGlyph = uint8_t(glyphBytes);
    std::memset(out.header.szFaceName, 0, sizeof out.header.szFaceName);
    std::strncpy(out.header.szFaceName, faceName, sizeof out.header.szFaceName - 1);
    return true;
}

bool WriteFont(const std::string& path, const Rendered& r)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(SFNTHEADER::kSize + r.cells.size() + r.widths.size());
    uint8_t head[SFNTHEADER::kSize];
    r.header.Write(head);
    kestu::ByteWriter w(bytes);
    w.Bytes(head, sizeof head);
    w.Bytes(r.cells.data(), r.cells.size());
    w.Bytes(r.widths.data(), r.widths.size());
    return kestu::SafeReplaceFile(path.c_str(), bytes.data(), bytes.size());
}

bool WriteTib(const std::string& path, const std::vector<Rendered>& fonts)
{
    tgTibInit tib;
    tib.dwFontCount = uint32_t(fonts.size());
    std::vector<uint8_t> bytes;
    kestu::ByteWriter w(bytes);
    w.Zeros(tgTibInit::kSize);
    for (size_t i = 0; i < fonts.size(); ++i) {
        uint32_t slot = 0;
        for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c)
            w.U16(fonts[i].present[c] ? uint16_t(slot++) : KESTU_FONT_NO_GLYPH);
        tib.dwSlotCount[i] = slot;
    }
    tib.Write(bytes.data());
    return kestu::SafeReplaceFile(path.c_str(), bytes.data(), bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    const char* fontPath = nullptr;
    const char* tibPath = nullptr;
    const char* faceName = nullptr;
    std::vector<Range> ranges;
    std::vector<Output> outputs;
    if (ktool::Cli::AsksHelp(argc, argv)) return cli.Help();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--font" && hasValue) {
            fontPath = argv[++i];
        } else if (arg == "--tib" && hasValue) {
            tibPath = argv[++i];
        } else if (arg == "--face" && hasValue) {
            faceName = argv[++i];
        } else if (arg == "--ranges" && hasValue) {
            if (!ParseRanges(argv[++i], ranges)) return cli.Misuse("bad range list '%s'", argv[i]);
        } else if (arg == "--font" || arg == "--tib" || arg == "--face" || arg == "--ranges") {
            return cli.Misuse("'%s' needs a value", arg.c_str());
        } else if (arg.rfind("--", 0) == 0) {
            return cli.Misuse("unknown option '%s'", arg.c_str());
        } else {
            const size_t colon = arg.rfind(':');
            if (colon == std::string::npos) return cli.Misuse("output '%s' has no :SIZE", arg.c_str());
            Output o;
            o.path = arg.substr(0, colon);
            if (o.path.empty()) return cli.Misuse("output '%s' has no file name", arg.c_str());
            if (!ktool::ParseInteger(arg.c_str() + colon + 1, 4, 64, o.size))
                return cli.Misuse("bad size in '%s' (4 to 64 pixels)", arg.c_str());
            outputs.push_back(o);
        }
    }
    if (fontPath == nullptr) return cli.Misuse("no --font given");
    if (outputs.empty()) return cli.Misuse("no OUT:SIZE given");
    if (outputs.size() > size_t(KESTU_FONT_MAX)) return cli.Misuse("more than %d outputs", int(KESTU_FONT_MAX));
    if (ranges.empty()) ranges.push_back({0x20, 0x7E});
    ktool::FileArgs files;
    files.Input(fontPath, "--font");
    if (tibPath) files.Output(tibPath, "--tib");
    for (const Output& o : outputs) files.Output(o.path, "OUT");
    if (const int status = files.Check(cli)) return status;

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, fontPath, 0, &face) != 0) {
        std::fprintf(stderr, "kestu-font: cannot open %s\n", fontPath);
        if (library) FT_Done_FreeType(library);
        return 1;
    }
    if (faceName == nullptr) faceName = face->family_name ? face->family_name : "unknown";
    std::vector<Rendered> fonts(outputs.size());
    int status = 0;
    // Every size is rendered before any file is written, so that a size that
    // does not fit leaves all the outputs as they were.
    for (size_t i = 0; i < outputs.size() && status == 0; ++i) {
        std::string error;
        if (!Render(face, outputs[i].size, ranges, faceName, fonts[i], error)) {
            std::fprintf(stderr, "kestu-font: %s at %d pixels: %s\n", outputs[i].path.c_str(), outputs[i].size,
                         error.c_str());
            status = 1;
        }
    }
    for (size_t i = 0; i < outputs.size() && status == 0; ++i)
        if (!WriteFont(outputs[i].path, fonts[i])) {
            std::fprintf(stderr, "kestu-font: cannot write %s\n", outputs[i].path.c_str());
            status = 1;
        }
    if (status == 0 && tibPath && !WriteTib(tibPath, fonts)) {
        std::fprintf(stderr, "kestu-font: cannot write %s\n", tibPath);
        status = 1;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return status;
}
