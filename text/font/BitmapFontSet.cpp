// Loading the bitmap fonts and their character-index table. Every size and
// index is checked against the files here, so the glyph lookups trust what
// they find; a font is committed only when it has loaded whole.
#include <cstdio>
#include <cstring>
#include <vector>

#include "kestu_crt.h"
#include "kestu_font.h"
#include "ou_strings.h"

namespace {

struct File {
    FILE* f = nullptr;
    explicit File(const char* path) : f(kestu_fopen(path, "rb")) {}
    ~File()
    {
        if (f) std::fclose(f);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    // The file's length, or -1.
    long Length()
    {
        if (std::fseek(f, 0, SEEK_END) != 0) return -1;
        const long n = std::ftell(f);
        if (n < 0 || std::fseek(f, 0, SEEK_SET) != 0) return -1;
        return n;
    }
    bool Read(void* out, size_t n) { return n == 0 || std::fread(out, 1, n, f) == n; }
};

void JoinPath(char (&out)[KESTU_FONT_PATH], const char* folder, const char* name)
{
    OU_SafeStrCpy(out, KESTU_FONT_PATH, folder);
    OU_SafeStrCat(out, KESTU_FONT_PATH, name);
}

} // namespace

CBitmapFontSet::CBitmapFontSet(int maxRowBytes) : m_nMaxRowBytes(maxRowBytes) {}

CBitmapFontSet::~CBitmapFontSet() { Release(); }

int CBitmapFontSet::Build(const char* folder, const char* const* names, int count, const char* tibName,
                          int* directFlags)
{
    if (folder == nullptr || (tibName == nullptr && directFlags == nullptr)) return 0;
    if (m_bBuilt) Release();
    // The set has room for four fonts; anything else is refused.
    if (names == nullptr || count < 1 || count > KESTU_FONT_MAX) return 0;
    for (int i = 0; i < count; ++i)
        if (names[i] == nullptr) return 0;

    OU_SafeStrCpy(m_szFolder, KESTU_FONT_PATH, folder);
    m_nFontCount = count;
    for (int i = 0; i < count; ++i) OU_SafeStrCpy(m_szNames[i], KESTU_FONT_PATH, names[i]);

    bool needTable = true;
    if (directFlags != nullptr) {
        needTable = false;
        for (int i = 0; i < count; ++i) {
            m_fonts[i].direct = directFlags[i];
            if (directFlags[i])
                m_fonts[i].slots = KESTU_FONT_CODES;
            else
                needTable = true;
        }
    }
    bool ok = true;
    if (tibName == nullptr) {
        for (int i = 0; i < count; ++i) {
            m_fonts[i].direct = 1;
            m_fonts[i].slots = KESTU_FONT_CODES;
        }
    } else if (needTable) {
        ok = LoadTib(tibName) != 0;
    }
    for (int i = 0; ok && i < count; ++i) ok = LoadFont(i) != 0;
    if (!ok) {
        Release();
        return 0;
    }
    m_bBuilt = 1;
    return 1;
}

int CBitmapFontSet::LoadTib(const char* tibName)
{
    char path[KESTU_FONT_PATH];
    JoinPath(path, m_szFolder, tibName);
    File file(path);
    if (file.f == nullptr) return 0;
    const long length = file.Length();
    uint8_t head[tgTibInit::kSize];
    tgTibInit tib;
    if (length < long(tgTibInit::kSize) || !file.Read(head, sizeof head) || !tib.Read(head, sizeof head) ||
        !tib.IsValid() || tib.dwFontCount != uint32_t(m_nFontCount) || tib.dwFontCount > KESTU_FONT_MAX)
        return 0;
    if (uint64_t(length) < tgTibInit::kSize + uint64_t(tib.dwFontCount) * KESTU_FONT_TIB_TABLE) return 0;

    std::vector<uint8_t> bytes(KESTU_FONT_TIB_TABLE);
    for (int i = 0; i < m_nFontCount; ++i) {
        Font& font = m_fonts[i];
        if (font.direct) {
            font.slots = KESTU_FONT_CODES;
            if (std::fseek(file.f, long(KESTU_FONT_TIB_TABLE), SEEK_CUR) != 0) return 0;
            continue;
        }
        const uint32_t slots = tib.dwSlotCount[i];
        if (slots > KESTU_FONT_CODES || !file.Read(bytes.data(), bytes.size())) return 0;
        std::unique_ptr<uint16_t[]> table(new uint16_t[KESTU_FONT_CODES]);
        for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
            const uint16_t slot = uint16_t(bytes[2 * c] | (bytes[2 * c + 1] << 8));
            // A slot beyond the font's glyphs would be read out of bounds later.
            if (slot != KESTU_FONT_NO_GLYPH && slot >= slots) return 0;
            table[c] = slot;
        }
        font.slots = slots;
        font.table = std::move(table);
    }
    return 1;
}

int CBitmapFontSet::LoadFont(int i)
{
    if (i < 0 || i >= m_nFontCount || i >= KESTU_FONT_MAX) return 0;
    Font& font = m_fonts[i];
    if (font.glyphs) return 0;
    if (!font.direct && !font.table) return 0;

    char path[KESTU_FONT_PATH];
    JoinPath(path, m_szFolder, m_szNames[i]);
    File file(path);
    if (file.f == nullptr) return 0;
    const long length = file.Length();
    if (length <= long(SFNTHEADER::kSize)) return 0;
    uint8_t head[SFNTHEADER::kSize];
    SFNTHEADER header;
    if (!file.Read(head, sizeof head) || !header.Read(head, sizeof head) || !header.IsValid()) return 0;

    const uint32_t rowBytes = header.byBytesPerRow;
    const uint32_t rows = header.wCellHeight;
    const uint32_t glyphBytes = header.byBytesPerGlyph;
    if (rowBytes < 1 || int(rowBytes) > m_nMaxRowBytes || rows < 1 || glyphBytes != rowBytes * rows) return 0;
    // The 2D painter expands a glyph into a 24,000-byte scratch image.
    if (64 + uint64_t(rowBytes) * 8 * rows * 2 > CPointFontBuffer::kScratchSize) return 0;
    const uint64_t body = uint64_t(KESTU_FONT_CODES) * glyphBytes + KESTU_FONT_WIDTH_TABLE;
    if (uint64_t(length) - SFNTHEADER::kSize != body) return 0;

    std::vector<uint8_t> bytes(body);
    if (!file.Read(bytes.data(), bytes.size())) return 0;
    const uint8_t* cells = bytes.data();
    const uint8_t* pairs = bytes.data() + (body - KESTU_FONT_WIDTH_TABLE);

    const auto counted = [&](uint32_t c) {
        return font.direct || (font.table[c] != KESTU_FONT_NO_GLYPH && font.table[c] < font.slots);
    };
    std::unique_ptr<uint8_t[]> widths(new uint8_t[KESTU_FONT_CODES]);
    uint64_t sum = 0, n = 0;
    for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
        widths[c] = pairs[2 * c];
        if (counted(c)) {
            sum += widths[c];
            ++n;
        }
    }
    int average = n ? int(sum / n) : 0;
    if (average > header.wCellWidth) average = header.wCellWidth;

    const size_t glyphSize = size_t(font.slots) * glyphBytes;
    std::unique_ptr<uint8_t[]> glyphs(new uint8_t[glyphSize > 0 ? glyphSize : 1]());
    if (font.direct) {
        std::memcpy(glyphs.get(), cells, size_t(KESTU_FONT_CODES) * glyphBytes);
    } else {
        std::vector<bool> filled(font.slots, false);
        for (uint32_t c = 0; c < KESTU_FONT_CODES; ++c) {
            const uint16_t slot = font.table[c];
            if (slot == KESTU_FONT_NO_GLYPH || slot >= font.slots || filled[slot]) continue;
            filled[slot] = true;
            std::memcpy(glyphs.get() + size_t(slot) * glyphBytes, cells + size_t(c) * glyphBytes, glyphBytes);
        }
    }
    font.header = header;
    font.widths = std::move(widths);
    font.averageWidth = average;
    font.cellHeight = int(rows);
    font.bytesPerGlyph = glyphBytes;
    font.glyphs = std::move(glyphs);
    return 1;
}

int CBitmapFontSet::UnloadFont(int i)
{
    if (i < 0 || i >= m_nFontCount || !m_bBuilt || !m_fonts[i].glyphs) return 0;
    m_fonts[i].glyphs.reset();
    m_fonts[i].widths.reset();
    return 1;
}

void CBitmapFontSet::Release()
{
    for (Font& font : m_fonts) {
        font.glyphs.reset();
        font.table.reset();
        font.widths.reset();
        font.slots = 0;
        font.bytesPerGlyph = 0;
        font.averageWidth = 0;
        font.cellHeight = 0;
    }
    m_nFontCount = 0;
    m_bBuilt = 0;
}

int CBitmapFontSet::IsFontLoaded(int i) const
{
    return i >= 0 && i < m_nFontCount && i < KESTU_FONT_MAX && m_bBuilt && m_fonts[i].glyphs ? 1 : 0;
}

const CBitmapFontSet::Font* CBitmapFontSet::LoadedFont(int type) const
{
    return IsFontLoaded(type) ? &m_fonts[type] : nullptr;
}

const uint8_t* CBitmapFontSet::GlyphCell(int type, uint16_t code) const
{
    const Font* font = LoadedFont(type);
    if (font == nullptr) return nullptr;
    uint32_t slot = code;
    if (!font->direct) {
        slot = font->table[code];
        if (slot == KESTU_FONT_NO_GLYPH) slot = font->table['?'];
        if (slot == KESTU_FONT_NO_GLYPH) return nullptr;
    }
    return font->glyphs.get() + size_t(slot) * font->bytesPerGlyph;
}
