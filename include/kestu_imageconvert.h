// TGA and PCX pictures and their conversion into XBM sprite files.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "kestu_export.h"
#include "kestu_xbmfile.h"

struct KESTU_API SLBDATA {
    char* outputFolder = nullptr;
    int pixelFormat = 16;     // 16 (565) or 15 (555)
    BOOL compress = 1;        // run-length pixel rows
    BOOL compressAlpha = 1;   // run-length alpha plane (TGA)
    RECT crop = {0, 0, 0, 0}; // inclusive; negative entries come from the non-key bounding box
};

struct KESTU_API TGAFILEHEADER {
    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 0;
    uint16_t colorMapFirst = 0;
    uint16_t colorMapLength = 0;
    uint8_t colorMapEntrySize = 0;
    uint16_t xOrigin = 0;
    uint16_t yOrigin = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 0;
    uint8_t descriptor = 0;
    // Field by field from the 18 stored bytes.
    void Read(const uint8_t bytes[18]);
};

struct KESTU_API TGAFILEFOOTER {
    uint32_t extensionOffset = 0;
    uint32_t developerOffset = 0;
    char signature[16] = {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-', 'T', 'A', 'R', 'G', 'A'};
    uint16_t terminator = 0;
};

// The 16-bit layout the TGA and PCX readers produce: 1 (the initial value)
// for 565, 0 for 555.
KESTU_API void SetConvert565(BOOL is565);
KESTU_API BOOL GetConvert565();

class KESTU_API TgaFile {
public:
    TgaFile() = default;
    ~TgaFile();
    TgaFile(const TgaFile&) = delete;
    TgaFile& operator=(const TgaFile&) = delete;

    // 1 on success; failures are reported in a message box and return 0.
    int Read(char* path);
    _WORD24* GetTgaData() const { return m_data; }
    _WORD24* GetTgaData(int x, int y) const;
    int GetPicWidth() const { return m_width; }
    int GetPicHeight() const { return m_height; }
    void DisplayTgaPic() {}
    // Width x height x 4 for a 32-bit file, 0 otherwise.
    size_t GetPicSize(char* path);
    const TGAFILEHEADER& GetHeader() const { return m_header; }

private:
    void Free();

    TGAFILEHEADER m_header;
    _WORD24* m_data = nullptr;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
};

struct KESTU_API PcxHeader {
    uint8_t manufacturer = 0;
    uint8_t version = 0;
    uint8_t encoding = 0;
    uint8_t bitsPerPixel = 0;
    uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    uint16_t hres = 0, vres = 0;
    uint8_t colorMap[48] = {};
    uint8_t reserved = 0;
    uint8_t planes = 0;
    uint16_t bytesPerLine = 0;
    uint16_t paletteInfo = 0;
    uint16_t screenWidth = 0, screenHeight = 0;
    uint8_t filler[54] = {};
    void Read(const uint8_t bytes[128]);
};

class KESTU_API PcxFile {
public:
    PcxFile() = default;
    ~PcxFile();
    PcxFile(const PcxFile&) = delete;
    PcxFile& operator=(const PcxFile&) = delete;

    int Read(char* path);
    int Is8Bits() const { return m_header.planes * m_header.bitsPerPixel == 8; }
    // 16-bit pixels for 24-bit files, index bytes for 8-bit files.
    void* GetPcxData() const { return m_data; }
    void* GetPcxData(int x, int y) const;
    int GetPicWidth() const { return m_width; }
    int GetPicHeight() const { return m_height; }
    size_t GetPicSize(char* path);
    static unsigned short MakePixel15BitBy24Bit(unsigned char r, unsigned char g, unsigned char b);
    static unsigned short MakePixel16BitBy24Bit(unsigned char r, unsigned char g, unsigned char b);
    const PcxHeader& GetHeader() const { return m_header; }

private:
    int ReadPcx24(FILE* f, long fileSize);
    int ReadPcx8(FILE* f, long fileSize);
    int ReadPcx8_Uncompress(FILE* f, long fileSize);
    int ReadIndexed(FILE* f, long fileSize, bool encoded);
    bool ReadScanLines(FILE* f, long fileSize, bool encoded, uint8_t*& lines, size_t& size);
    void Free();

    PcxHeader m_header;
    void* m_data = nullptr;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
};

// Converter flag bits.
enum : unsigned long {
    XCONV_ALPHA = 1,
    XCONV_COMPRESS = 4,
    XCONV_COMPRESS_ALPHA = 8,
    XCONV_8BIT = 16,
    XCONV_555 = 32,
};

// 1 with a new encoder in `out`, 0 when nothing was produced.
KESTU_API int ConvertTgaToXbmp(XBmpBase*& out, RECT& crop, TgaFile* picture, unsigned short key, unsigned long flags);
KESTU_API int ConvertPcxToXbmp(XBmpBase*& out, RECT& crop, PcxFile* picture, unsigned short key, unsigned long flags);
// Whole file conversions into the parameters' output folder: 0 when the
// picture cannot be read or the output file cannot be created, else 1.
KESTU_API int TranslateOne(char* path, SLBDATA& parameters);
KESTU_API int TranslateOneTGA(char* path, SLBDATA& parameters);

KESTU_API int ConvertPixelFormat(void* dst, int dstBits, int dstFormat, const void* src, int srcBits, int srcFormat,
                                 const RGBQUAD* palette, int width, int height);
KESTU_API void BuildDeclinedTable(unsigned short* table, int levels, int format);
