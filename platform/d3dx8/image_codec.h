// Image files to and from a neutral A8R8G8B8 image. Every reader takes
// untrusted bytes: a short, lying or oversized file ends in
// D3DXERR_INVALIDDATA, never in an access outside the input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3d8types.h"
#include "d3dx8core.h"

namespace kestu::d3dx {

// The values of D3DXIMAGE_FILEFORMAT.
enum ImageFileFormat : uint32_t {
    kFileBmp = 0,
    kFileJpg = 1,
    kFileTga = 2,
    kFilePng = 3,
    kFileDds = 4,
    kFilePpm = 5,
    kFileDib = 6,
};

// Larger images are refused before anything is allocated for them.
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = 1ull << 24;

inline bool ImageSizeAllowed(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// One picture, rows top to bottom, pixels 0xAARRGGBB.
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> argb;

    bool Allocate(uint32_t w, uint32_t h, uint32_t fill = 0xFF000000u);
    uint32_t* Row(uint32_t y) { return argb.data() + (size_t)y * width; }
    const uint32_t* Row(uint32_t y) const { return argb.data() + (size_t)y * width; }
};

// A DDS surface as stored: its bytes in the file's own format.
struct RawSurface {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bytes;
};

// Everything a file holds. For DDS the surfaces go face by face, and within a
// face level by level; every other file has one surface.
struct ImageFile {
    ImageFileFormat fileFormat = kFileBmp;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
    uint32_t mipLevels = 1;
    D3DFORMAT format = D3DFMT_UNKNOWN; // the pixel format the file stores
    bool cube = false;
    bool volume = false;
    uint32_t faces = 1;
    std::vector<Image> images;     // decoded, one per surface
    std::vector<RawSurface> raw;   // DDS only: the stored bytes, one per surface
    std::vector<uint32_t> palette; // 256 entries when the file is palettised
};

// Reads any supported file; with infoOnly the pixels are not decoded (the
// header fields are still checked).
HRESULT DecodeImageFile(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out);

HRESULT DecodeBmp(const uint8_t* data, size_t size, bool infoOnly, bool withFileHeader, ImageFile& out);
HRESULT DecodeTga(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out);
HRESULT DecodePng(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out);
HRESULT DecodeJpeg(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out);
HRESULT DecodePpm(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out);
HRESULT DecodeDds(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out);

// Writers of one image. `alpha` keeps the alpha channel where the format can.
HRESULT EncodeBmp(const Image& image, bool alpha, std::vector<uint8_t>& out);
HRESULT EncodeTga(const Image& image, bool alpha, std::vector<uint8_t>& out);
HRESULT EncodePng(const Image& image, bool alpha, std::vector<uint8_t>& out);
HRESULT EncodeJpeg(const Image& image, int quality, std::vector<uint8_t>& out);
HRESULT EncodePpm(const Image& image, std::vector<uint8_t>& out);

// A DDS file of surfaces stored in `format` (face by face, level by level, as
// in ImageFile::raw). Formats without a DDS description are refused.
HRESULT EncodeDds(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t levels, bool cube,
                  const std::vector<RawSurface>& surfaces, std::vector<uint8_t>& out);

// Whole files: read into memory, replaced through kestu::SafeFile.
HRESULT ReadWholeFile(const char* path, std::vector<uint8_t>& out);
HRESULT WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes);

// Expands an n-bit channel value to 8 bits.
inline uint32_t ExpandBits(uint32_t v, uint32_t bits)
{
    if (bits == 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    return (v * 255u + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
}

} // namespace kestu::d3dx
