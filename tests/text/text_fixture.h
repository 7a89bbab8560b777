// Shared pieces of the text tests: the layout, small bitmap fonts written
// byte by byte (glyphs drawn as text pictures), fonts rendered from DejaVu
// Sans by the kestu-font tool, and 16-bit strings.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_font.h"
#include "kestu_textlayout.h"

namespace text_test {

// A 16-bit string the engine's text calls take.
inline const unsigned short* U(const std::u16string& s) { return reinterpret_cast<const unsigned short*>(s.c_str()); }
inline unsigned short* UW(std::u16string& s) { return reinterpret_cast<unsigned short*>(s.data()); }

// The texture text's layout with its drawing entries open to the tests.
class Layout : public CGfxTextDeviceBase {
public:
    explicit Layout(CGfxFont* font) : CGfxTextDeviceBase(font, &attri) {}
    using CGfxTextDeviceBase::DrawTextToBuffer;
    using CGfxTextDeviceBase::DrawTextToBufferBase;
    SGfxTextAttriBase attri;
};

// A glyph as rows of '#' (ink) and '.' (background), leftmost pixel first.
using Picture = std::vector<std::string>;

// A font of 8-pixel-wide cells: codes without a glyph are background and
// take `otherWidth`.
struct SynthFont {
    uint8_t rowBytes = 1;
    uint16_t height = 8;
    uint16_t cellWidth = 8;
    uint8_t otherWidth = 0;
    std::map<uint16_t, Picture> glyphs;
    std::map<uint16_t, uint8_t> widths;
};

inline std::vector<uint8_t> FontBytes(const SynthFont& f, SFNTHEADER header = SFNTHEADER())
{
    header.wCellWidth = f.cellWidth;
    header.wCellHeight = f.height;
    header.byBytesPerRow = f.rowBytes;
    header.byBytesPerGlyph = uint8_t(f.rowBytes * f.height);
    const size_t glyph = size_t(f.rowBytes) * f.height;
    std::vector<uint8_t> bytes(SFNTHEADER::kSize + KESTU_FONT_CODES * glyph + KESTU_FONT_WIDTH_TABLE, 0xFF);
    header.Write(bytes.data());
    uint8_t* cells = bytes.data() + SFNTHEADER::kSize;
    uint8_t* pairs = cells + KESTU_FONT_CODES * glyph;
    for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
        pairs[2 * c] = f.otherWidth;
        pairs[2 * c + 1] = uint8_t(f.height);
    }
    for (const auto& [code, rows] : f.glyphs) {
        for (size_t y = 0; y < rows.size() && y < f.height; ++y)
            for (size_t x = 0; x < rows[y].size() && x < size_t(f.rowBytes) * 8; ++x)
                if (rows[y][x] == '#') cells[code * glyph + y * f.rowBytes + x / 8] &= uint8_t(~(0x80 >> (x % 8)));
        pairs[2 * code] = uint8_t(rows.empty() ? 0 : rows[0].size());
    }
    for (const auto& [code, w] : f.widths) pairs[2 * code] = w;
    return bytes;
}

// A TIB of the given tables (code -> slot; codes not named map to 65535).
inline std::vector<uint8_t> TibBytes(const std::vector<std::map<uint16_t, uint16_t>>& tables,
                                     std::vector<uint32_t> slots = {}, uint32_t count = ~0u)
{
    tgTibInit head;
    head.dwFontCount = count == ~0u ? uint32_t(tables.size()) : count;
    for (size_t i = 0; i < tables.size() && i < 4; ++i) {
        uint32_t n = 0;
        for (const auto& [code, slot] : tables[i]) n = std::max<uint32_t>(n, slot + 1u);
        head.dwSlotCount[i] = i < slots.size() ? slots[i] : n;
    }
    std::vector<uint8_t> bytes(tgTibInit::kSize);
    head.Write(bytes.data());
    kestu::ByteWriter w(bytes);
    for (const auto& table : tables)
        for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
            const auto it = table.find(uint16_t(c));
            w.U16(it == table.end() ? KESTU_FONT_NO_GLYPH : it->second);
        }
    return bytes;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The test fonts: 'A' a box, 'B' a vertical bar, '-' a dash, '?' a cross,
// ' ' empty; every other code background, 4 pixels wide.
inline SynthFont TestFont()
{
    SynthFont f;
    f.otherWidth = 4;
    f.glyphs['A'] = {"######..", "#....#..", "#....#..", "#....#..", "#....#..", "#....#..", "######..", "........"};
    f.glyphs['B'] = {"#.......", "#.......", "#.......", "#.......", "#.......", "#.......", "#.......", "........"};
    f.glyphs['-'] = {"........", "........", "........", "..####..", "........", "........", "........", "........"};
    f.glyphs['?'] = {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#"};
    f.widths['A'] = 7;
    f.widths['B'] = 2;
    f.widths['-'] = 6;
    f.widths['?'] = 8;
    f.widths[' '] = 4;
    return f;
}

#ifdef KESTU_TOOLS_BUILD_DIR
// A folder with the fonts of the tool: "sans14.fnt", "sans11.fnt",
// "sans18.fnt" (Latin-1 and a few CJK codes) and their table "sans.tib".
inline std::string ToolFonts(const std::string& folder)
{
    const std::string tool = std::string(KESTU_TOOLS_BUILD_DIR) + "/kestu-font";
    std::filesystem::create_directories(folder);
    const std::string command = tool +
                                " --font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf --ranges 0x20-0x7E,0xA0-0xFF"
                                " --tib " +
                                folder + "/sans.tib " + folder + "/sans14.fnt:14 " + folder + "/sans11.fnt:11 " +
                                folder + "/sans18.fnt:18";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder + "/";
}
#endif

} // namespace text_test
