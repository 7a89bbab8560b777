// The engine's bitmap fonts: the font file header and the character-index
// (TIB) header, the set of up to four fonts both font holders load, the
// point-font buffer that paints glyphs into 2D buffers, the font handles and
// the global fonts.
#pragma once

#include <cstdint>
#include <memory>

#include "kestu_export.h"
#include "kestu_paper.h"
#include "kestu_sbmp.h"
#include "ou_geometry.h"

constexpr uint32_t KESTU_FONT_CODES = 0x10000;       // 16-bit character codes
constexpr uint32_t KESTU_FONT_WIDTH_TABLE = 0x20000; // (cx, cy) byte pairs
constexpr uint32_t KESTU_FONT_TIB_TABLE = 0x20000;   // u16 slots per code
constexpr uint16_t KESTU_FONT_NO_GLYPH = 0xFFFF;
constexpr int KESTU_FONT_MAX = 4;
constexpr size_t KESTU_FONT_PATH = 520;

// Head of every bitmap font file (180 bytes on disk).
struct KESTU_API SFNTHEADER {
    static constexpr size_t kSize = 180;
    uint16_t wVersion;
    uint16_t wZero;
    char szFaceName[32];
    char szBanner[64];
    uint16_t wCellWidth;
    uint16_t wCellHeight;
    uint8_t byBytesPerRow;
    uint8_t byBytesPerGlyph;
    uint8_t byUnused0;
    uint8_t byUnused1;
    uint32_t dwFlags;
    uint8_t reserved[64];
    uint32_t dwHeaderSize;

    SFNTHEADER();
    bool IsValid() const { return wVersion == 1 && wZero == 0; }
    bool IsFWithCxCy() const { return (dwFlags & 1) != 0; }
    void Write(uint8_t out[kSize]) const;
    // Reads the fields; 0 when fewer than 180 bytes are given.
    int Read(const uint8_t* bytes, size_t size);
};

// Head of the character-index table file (80 bytes on disk).
struct KESTU_API tgTibInit {
    static constexpr size_t kSize = 80;
    uint16_t wVersion;
    uint16_t wZero;
    char szSignature[32];
    uint32_t dwReserved;
    uint32_t dwFontCount;
    uint32_t dwSlotCount[4];
    uint8_t reserved[20];

    tgTibInit();
    bool IsValid() const { return wVersion == 1 && wZero == 0; }
    void Write(uint8_t out[kSize]) const;
    int Read(const uint8_t* bytes, size_t size);
};

enum ENUM_FONT_TYPE : int32_t {
    FONT_TYPE_0 = 0,
    FONT_TYPE_1 = 1,
    FONT_TYPE_2 = 2,
    FONT_TYPE_NONE = 255,
};

// Up to four bitmap fonts loaded from font files and one character-index
// table; the part the point-font buffer and the glyph font of the texture
// text share. Loading validates every size and index against the files, so
// the glyph lookups below trust what is loaded.
class KESTU_API CBitmapFontSet {
public:
    struct Font {
        int direct = 0;                    // all 65,536 codes, no code table
        std::unique_ptr<uint8_t[]> glyphs; // slot count x bytes per glyph
        SFNTHEADER header;
        uint32_t slots = 0;
        std::unique_ptr<uint16_t[]> table; // code -> slot, 65535 none
        uint32_t bytesPerGlyph = 0;
        int averageWidth = 0;
        int cellHeight = 0;
        std::unique_ptr<uint8_t[]> widths; // advance by code
    };

    CBitmapFontSet(const CBitmapFontSet&) = delete;
    CBitmapFontSet& operator=(const CBitmapFontSet&) = delete;
    virtual ~CBitmapFontSet();

    // 1 built, 0 failed (and released). `count` is 1..4.
    int Build(const char* folder, const char* const* names, int count, const char* tibName, int* directFlags);
    void Release();
    int LoadFont(int i);
    int UnloadFont(int i);
    int IsBuilt() const { return m_bBuilt; }
    int IsFontLoaded(int i) const;
    int GetFontCount() const { return m_nFontCount; }
    const Font& GetFontRecord(int i) const { return m_fonts[i]; }

    // The glyph cell of a code in a loaded font: its own slot, or the slot of
    // '?' when the font has none for it; null when neither exists.
    const uint8_t* GlyphCell(int type, uint16_t code) const;
    // The loaded font of a type, or null.
    const Font* LoadedFont(int type) const;

protected:
    // maxRowBytes: the widest glyph row (in bytes) the holder can draw.
    explicit CBitmapFontSet(int maxRowBytes);
    int LoadTib(const char* tibName);

    Font m_fonts[KESTU_FONT_MAX];
    int m_nFontCount = 0;
    int m_bBuilt = 0;
    char m_szFolder[KESTU_FONT_PATH] = {};
    char m_szNames[KESTU_FONT_MAX][KESTU_FONT_PATH] = {};
    int m_nFontType = 0;

private:
    int m_nMaxRowBytes;
};

// Holds the fonts of the 2D text and paints one glyph at a time into 2D
// buffers and textures through an in-memory XBM image.
class KESTU_API CPointFontBuffer : public CBitmapFontSet {
public:
    static constexpr size_t kScratchSize = 24000;

    CPointFontBuffer();
    ~CPointFontBuffer() override;

    virtual int GetCxFont(int code, int type);
    virtual int GetCyFont(int code, int type);

    void SetFontType(int type) { m_nFontType = type; }
    int GetFontType() const { return m_nFontType; }
    void SetTransGrade(int grade) { m_paint.SetTransGrade(grade); }
    int GetTransGrade() const { return m_paint.GetTransGrade(); }

    // Paints one glyph with its top-left at (x, y); returns its advance.
    int Paint(DBUF* dst, int x, int y, int code, int foreground, int background, DWORD paintType, const GRECT* clip,
              int type);

private:
    int ResolveType(int type) const { return type == -1 ? m_nFontType : type; }
    int UnpackBitmap(unsigned short code, int inkColour, int backColour, int bitsPerPixel, int type);

    SBMP m_paint;
    uint8_t m_scratch[kScratchSize] = {};
    uint8_t* m_pixels = m_scratch + 64;
};

// A font on a font buffer: one font type of it.
class KESTU_API XFont {
public:
    XFont();
    XFont(int type, CPointFontBuffer* buffer) : m_nFontType(type), m_pBuffer(buffer) {}
    XFont(const XFont&) = default;
    XFont& operator=(const XFont&) = default;
    virtual ~XFont();

    int GetCxFont(int code) { return m_pBuffer ? m_pBuffer->GetCxFont(code, m_nFontType) : 0; }
    int GetCyFont(int code) { return m_pBuffer ? m_pBuffer->GetCyFont(code, m_nFontType) : 0; }
    int Paint(DBUF* dst, int x, int y, int code, int foreground, int background, DWORD paintType, const GRECT* clip)
    {
        return m_pBuffer ? m_pBuffer->Paint(dst, x, y, code, foreground, background, paintType, clip, m_nFontType) : 0;
    }
    void SetTransGrade(int grade)
    {
        if (m_pBuffer) m_pBuffer->SetTransGrade(grade);
    }
    CPointFontBuffer* GetFontBuffer() const { return m_pBuffer; }
    void SetFontBuffer(CPointFontBuffer* buffer) { m_pBuffer = buffer; }
    int GetFontType() const { return m_nFontType; }
    void SetFontType(int type) { m_nFontType = type; }

private:
    GRECT m_rect;
    int m_nFontType = 0;
    CPointFontBuffer* m_pBuffer = nullptr;
};

extern KESTU_API XFont FontASCII_Stroke00;
extern KESTU_API XFont FontASCII_Stroke01;
extern KESTU_API XFont FontASCII_Stroke02;
extern KESTU_API XFont& FontChineseGB;
extern KESTU_API XFont& FontChineseKC;
extern KESTU_API XFont& FontASCII;
extern KESTU_API XFont& FontASCII_AA;
extern KESTU_API CPointFontBuffer g_FontBuffer;

// The global font of a type (0, 1, 2), or null.
KESTU_API XFont* GetFontByFontType(ENUM_FONT_TYPE type);
