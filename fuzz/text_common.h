// Pieces shared by the text fuzz targets: a folder for the files, a small
// valid font, and the packed inputs that stand for whole font and table
// files (a font file is 65,536 cells plus a width table; the packed form
// names the first cells and widths and the rest is filled in).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kestu_bytes.h"
#include "kestu_font.h"

namespace text_fuzz {

inline const std::string& Folder()
{
    static std::string folder;
    if (folder.empty()) {
        char name[] = "/tmp/kestu_fuzz_text_XXXXXX";
        if (::mkdtemp(name) != nullptr) folder = std::string(name) + "/";
    }
    return folder;
}

inline bool Write(const std::string& name, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen((Folder() + name).c_str(), "wb");
    if (f == nullptr) return false;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return true;
}

// An 8 x 8 font: every code a diagonal stroke, widths 1..8 by code.
inline std::vector<uint8_t> SmallFont()
{
    SFNTHEADER h;
    h.wCellWidth = 8;
    h.wCellHeight = 8;
    h.byBytesPerRow = 1;
    h.byBytesPerGlyph = 8;
    std::vector<uint8_t> bytes(SFNTHEADER::kSize + KESTU_FONT_CODES * 8 + KESTU_FONT_WIDTH_TABLE, 0xFF);
    h.Write(bytes.data());
    uint8_t* cells = bytes.data() + SFNTHEADER::kSize;
    uint8_t* pairs = cells + KESTU_FONT_CODES * 8;
    for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
        for (int r = 0; r < 8; ++r) cells[c * 8 + r] = uint8_t(~(0x80 >> ((r + c) % 8)));
        pairs[2 * c] = uint8_t(1 + c % 8);
        pairs[2 * c + 1] = 8;
    }
    return bytes;
}

// Packed font: flags byte (bit 0 packed, bit 1 one byte short, bit 2 one
// byte long), then either the raw file or the 180-byte header, a u16 count
// of cells given and their bytes, and width pairs from code 0 on.
inline std::vector<uint8_t> UnpackFont(const uint8_t* data, size_t size)
{
    if (size < 1) return {};
    const uint8_t flags = data[0];
    kestu::ByteReader r(data + 1, size - 1);
    std::vector<uint8_t> file;
    if (!(flags & 1)) {
        file.assign(data + 1, data + size);
    } else {
        const uint8_t* head = r.View(SFNTHEADER::kSize);
        if (head == nullptr) return {};
        const size_t glyph = head[105];
        const size_t cellBytes = KESTU_FONT_CODES * glyph;
        file.assign(SFNTHEADER::kSize + cellBytes + KESTU_FONT_WIDTH_TABLE, 0xFF);
        std::memcpy(file.data(), head, SFNTHEADER::kSize);
        const size_t given = std::min<size_t>(r.U16() * glyph, std::min(cellBytes, r.left()));
        std::memcpy(file.data() + SFNTHEADER::kSize, r.View(given), given);
        uint8_t* widths = file.data() + SFNTHEADER::kSize + cellBytes;
        std::memset(widths, 0, KESTU_FONT_WIDTH_TABLE);
        const size_t pairs = std::min<size_t>(r.left(), KESTU_FONT_WIDTH_TABLE);
        std::memcpy(widths, r.View(pairs), pairs);
    }
    if ((flags & 2) && !file.empty()) file.pop_back();
    if (flags & 4) file.push_back(0);
    return file;
}

// Packed table: flags byte (bit 0 packed, bit 1 one byte short), then
// either the raw file or the 80-byte header and, per font the header
// names (at most 4), a u16 count of (code, slot) u16 pairs; other codes 65535.
inline std::vector<uint8_t> UnpackTib(const uint8_t* data, size_t size)
{
    if (size < 1) return {};
    const uint8_t flags = data[0];
    std::vector<uint8_t> file;
    if (!(flags & 1)) {
        file.assign(data + 1, data + size);
    } else {
        kestu::ByteReader r(data + 1, size - 1);
        const uint8_t* head = r.View(tgTibInit::kSize);
        if (head == nullptr) return {};
        const uint32_t count = std::min<uint32_t>(kestu::GetU32(head + 40), 4);
        file.assign(head, head + tgTibInit::kSize);
        for (uint32_t i = 0; i < count; ++i) {
            std::vector<uint16_t> table(KESTU_FONT_CODES, KESTU_FONT_NO_GLYPH);
            const uint32_t n = r.U16();
            for (uint32_t k = 0; k < n && r.ok(); ++k) {
                const uint16_t code = r.U16();
                const uint16_t slot = r.U16();
                if (r.ok()) table[code] = slot;
            }
            kestu::ByteWriter w(file);
            for (uint16_t v : table) w.U16(v);
        }
    }
    if ((flags & 2) && !file.empty()) file.pop_back();
    return file;
}

} // namespace text_fuzz
