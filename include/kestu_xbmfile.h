// The XBM sprite file: loading into SBMP / RTBMP, saving, and XBmpBase, the
// encoder that turns 8-bit, 16-bit and 16-bit-with-alpha pixels into XBM bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "kestu_export.h"
#include "kestu_paper.h"
#include "kestu_xbm.h"

// Colour (565 or 555) and alpha of one picture pixel; alpha 0 is transparent.
#pragma pack(push, 1)
struct KESTU_API _WORD24 {
    uint16_t color;
    uint8_t alpha;
};
#pragma pack(pop)
static_assert(sizeof(_WORD24) == 3, "_WORD24 records are packed 3 bytes apart");

// 1 when sprite->Build(image) returned a positive value; 0 for a null image.
KESTU_API int CreateXBmp(void* image, VPaper*& sprite);
KESTU_API int CreateXBmp_old(void* image, VPaper*& sprite);
// 1 when `size` bytes at `image` hold an XBM image whose sections, row
// offsets and runs all lie inside those bytes, so that it can be built and
// painted safely; 0 otherwise.
KESTU_API int XbmCheckImage(const void* image, size_t size);
// 0, KESTUERR_FILEOPEN, KESTUERR_FILEREAD, E_OUTOFMEMORY, or KESTUERR_GENERIC
// when the bytes are not a buildable image. The sprite keeps the file's bytes.
KESTU_API HRESULT KestuXLoadXBmpFromFile(const char* path, VPaper*& sprite);
KESTU_API HRESULT KestuXSaveXBmpToFile(VPaper* sprite, const char* path);

class KESTU_API XBmpBase {
public:
    XBmpBase();
    ~XBmpBase();
    XBmpBase(const XBmpBase&) = delete;
    XBmpBase& operator=(const XBmpBase&) = delete;

    // Takes the header as the encoding parameters; with transparent colour
    // -1 and compression on, the first pixel becomes the key.
    void SetxbmpFileHead(unsigned short* pixels, XBMFILEHEADER header);
    void SetxbmpFileHead(_WORD24* pixels, XBMFILEHEADER header);
    void SetxbmpFileHead(unsigned char* pixels, XBMFILEHEADER header);

    // Encode and write a file: 1 on success, 0 when the file cannot be
    // created or the pixels cannot be encoded. `pitch` counts pixels.
    int Write8BIT(unsigned char* pixels, char* path, int pitch);
    int Write16BIT(unsigned short* pixels, char* path, int pitch);
    int Write16BIT(_WORD24* pixels, char* path, int pitch);
    // Encode and append to an open stream.
    void Write8BIT_Special(unsigned char* pixels, FILE* stream, int pitch);
    void Write16BIT_Special(unsigned short* pixels, FILE* stream, int pitch);
    void Write16BIT_Special(_WORD24* pixels, FILE* stream, int pitch);
    void Write8BitNoCompressData(unsigned char* pixels, int pitch);
    void Write16BitNoCompressData(unsigned short* pixels, int pitch);
    void Write16BitNoCompressData(_WORD24* pixels, int pitch);
    // Encode into the output buffer only: 1, or 0 when the size cannot be encoded.
    int Convert16BIT(unsigned short* pixels, int pitch);
    int Convert16BIT(_WORD24* pixels, int pitch);

    uint32_t GetSize() const { return m_length; }
    uint8_t* GetData() { return m_out.empty() ? nullptr : m_out.data(); }
    const XBMFILEHEADER& GetHeader() const { return m_header; }

private:
    bool Encodable() const;
    void Begin();
    void Write16BitAlpha(const _WORD24* pixels, int pitch);
    void Write16BitNoCompressAlpha(const _WORD24* pixels, int pitch);
    void Finish();
    int WriteFile(const char* path, const char* caption);

    uint32_t m_length;
    XBMFILEHEADER m_header;
    std::vector<uint8_t> m_out;
};
