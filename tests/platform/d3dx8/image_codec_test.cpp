// The image readers and writers on crafted files and round trips.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "d3dx8/image_codec.h"
#include "d3dx8/image_dxt.h"

using namespace kestu::d3dx;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Image Gradient(uint32_t w, uint32_t h)
{
    Image img;
    img.Allocate(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            img.Row(y)[x] = ((x * 37 + y * 11) & 0xFF) << 24 | (x * 255 / (w - 1)) << 16 | (y * 255 / (h - 1)) << 8 |
                            ((x ^ y) * 13 & 0xFF);
    return img;
}

// A BMP with a 40-byte header; `pixels` are the stored rows, palette BGRX.
Bytes MakeBmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const std::vector<uint32_t>& palette,
              const Bytes& pixels, const std::vector<uint32_t>& masks = {})
{
    Bytes b = {'B', 'M'};
    const uint32_t off = 14 + 40 + (uint32_t)masks.size() * 4 + (uint32_t)palette.size() * 4;
    Put32(b, off + (uint32_t)pixels.size());
    Put32(b, 0);
    Put32(b, off);
    Put32(b, 40);
    Put32(b, (uint32_t)w);
    Put32(b, (uint32_t)h);
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, compression);
    Put32(b, (uint32_t)pixels.size());
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, (uint32_t)palette.size());
    Put32(b, 0);
    for (uint32_t m : masks) Put32(b, m);
    for (uint32_t p : palette) Put32(b, p);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A TGA header without an image ID.
Bytes TgaHeader(uint8_t type, uint8_t mapType, uint16_t mapLen, uint8_t mapBits, uint16_t w, uint16_t h, uint8_t depth,
                uint8_t desc)
{
    Bytes b = {0, mapType, type};
    Put16(b, 0);
    Put16(b, mapLen);
    b.push_back(mapBits);
    Put32(b, 0);
    Put16(b, w);
    Put16(b, h);
    b.push_back(depth);
    b.push_back(desc);
    return b;
}

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint32_t> Decode(const Bytes& file, ImageFile* info = nullptr)
{
    ImageFile f;
    const HRESULT hr = DecodeImageFile(file.data(), file.size(), false, f);
    EXPECT_EQ(hr, S_OK);
    if (info) *info = f;
    if (FAILED(hr) || f.images.empty()) return {};
    return f.images[0].argb;
}

} // namespace

TEST(ImageBmp, EveryDepthDecodesToKnownPixels)
{
    const std::vector<uint32_t> pal = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00123456};
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        std::vector<uint32_t> expect; // top row first, 2x2
    };
    const std::vector<Case> cases = {
        // Bottom-up: the first stored row is the bottom one.
        {"1-bit",
         MakeBmp(2, 2, 1, 0, {0x00000000, 0x00FFFFFF}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}),
         D3DFMT_P8,
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF}},
        {"4-bit",
         MakeBmp(2, 2, 4, 0, pal, {0x01, 0, 0, 0, 0x23, 0, 0, 0}),
         D3DFMT_P8,
         {0xFFFF0000, 0xFF123456, 0xFF0000FF, 0xFF00FF00}},
        {"8-bit",
         MakeBmp(2, 2, 8, 0, pal, {3, 2, 0, 0, 1, 0, 0, 0}),
         D3DFMT_P8,
         {0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFFFF0000}},
        {"16-bit 555",
         MakeBmp(2, 2, 16, 0, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F}),
         D3DFMT_X1R5G5B5,
         {0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00}},
        {"16-bit 565 bitfields",
         MakeBmp(2, 2, 16, 3, {}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x00}, {0xF800, 0x07E0, 0x001F}),
         D3DFMT_R5G6B5,
         {0xFF0000FF, 0xFF000000, 0xFFFF0000, 0xFF00FF00}},
        {"24-bit",
         MakeBmp(2, 2, 24, 0, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
         D3DFMT_R8G8B8,
         {0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}},
        {"32-bit",
         MakeBmp(2, 2, 32, 0, {}, {1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99, 10, 11, 12, 99}),
         D3DFMT_X8R8G8B8,
         {0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}},
        {"top-down 8-bit",
         MakeBmp(2, -2, 8, 0, pal, {3, 2, 0, 0, 1, 0, 0, 0}),
         D3DFMT_P8,
         {0xFF123456, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}},
        // RLE8: row 0 (bottom): run of 2 x index 1; row 1: absolute 3 of {2,0,3}, padded.
        {"RLE8",
         MakeBmp(3, 2, 8, 1, pal, {2, 1, 1, 3, 0, 0, 0, 3, 2, 0, 3, 0, 0, 1}),
         D3DFMT_P8,
         {0xFFFF0000, 0xFF0000FF, 0xFF123456, 0xFF00FF00, 0xFF00FF00, 0xFF123456}},
        // RLE4: row 0: run of 3 alternating 2,1; delta to the next row; row 1: absolute 3 of {3,0,1}.
        {"RLE4",
         MakeBmp(3, 2, 4, 2, pal, {3, 0x21, 0, 0, 0, 3, 0x30, 0x10, 0, 1}),
         D3DFMT_P8,
         {0xFF123456, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageFile info;
        const std::vector<uint32_t> px = Decode(c.file, &info);
        EXPECT_EQ(info.fileFormat, kFileBmp);
        EXPECT_EQ(info.format, c.format);
        EXPECT_EQ(px, c.expect);
    }
}

TEST(ImageBmp, RunLengthSkipsLeaveTransparentBlack)
{
    // 4x3, rows bottom-up: row 0 is a run of two then an end of line; row 1
    // one pixel, a delta over two, one pixel, end of line; row 2 one pixel,
    // then the end of the picture. Entry 0 is opaque red, never used.
    const std::vector<uint32_t> pal = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456};
    const Bytes rle8 = {2, 1, 0, 0, 1, 2, 0, 2, 2, 0, 1, 3, 0, 0, 1, 1, 0, 1};
    const Bytes rle4 = {2, 0x11, 0, 0, 1, 0x20, 0, 2, 2, 0, 1, 0x30, 0, 0, 1, 0x10, 0, 1};
    const uint32_t g = 0xFF00FF00, b = 0xFF0000FF, k = 0xFF123456, none = 0;
    const std::vector<uint32_t> expect = {g, none, none, none, b, none, none, k, g, g, none, none};
    EXPECT_EQ(Decode(MakeBmp(4, 3, 8, 1, pal, rle8)), expect) << "RLE8";
    EXPECT_EQ(Decode(MakeBmp(4, 3, 4, 2, pal, rle4)), expect) << "RLE4";
    // A delta straight over whole rows, and a stream without its end marker.
    const Bytes overRows = {0, 2, 1, 2, 1, 3};
    EXPECT_EQ(Decode(MakeBmp(4, 3, 8, 1, pal, overRows)),
              (std::vector<uint32_t>{none, k, none, none, none, none, none, none, none, none, none, none}));
}

TEST(ImageBmp, DibWithoutFileHeaderAndAlphaBitfields)
{
    Bytes dib(MakeBmp(1, 1, 32, 3, {}, {0x10, 0x20, 0x30, 0x40}, {0xFF0000, 0xFF00, 0xFF}));
    dib.erase(dib.begin(), dib.begin() + 14);
    ImageFile info;
    EXPECT_EQ(Decode(dib, &info), std::vector<uint32_t>{0xFF302010});
    EXPECT_EQ(info.fileFormat, kFileDib);

    std::vector<uint8_t> written;
    ASSERT_EQ(EncodeBmp(Gradient(5, 3), true, written), S_OK);
    EXPECT_EQ(Decode(written, &info), Gradient(5, 3).argb);
    EXPECT_EQ(info.format, D3DFMT_A8R8G8B8);
}

TEST(ImageTga, VariantsDecodeToKnownPixels)
{
    // 16-bit, 4x4, bottom-up: bit 15 set on the odd pixels of the file
    // (red), clear on the even ones (blue).
    Bytes raw;
    for (int i = 0; i < 16; ++i) Put16(raw, (i & 1) ? 0xFC00 : 0x001F);
    std::vector<uint32_t> mixed(16);
    for (int i = 0; i < 16; ++i) mixed[(3 - i / 4) * 4 + i % 4] = (i & 1) ? 0xFFFF0000 : 0x000000FF;
    std::vector<uint32_t> opaque = mixed;
    for (uint32_t& p : opaque) p |= 0xFF000000;
    Bytes rle;
    for (int i = 0; i < 16; i += 2) {
        rle.push_back(0x00); // one raw pixel, then a run of one
        Put16(rle, 0x001F);
        rle.push_back(0x80);
        Put16(rle, 0xFC00);
    }
    Bytes mapped = {0x00, 0x7C, 0x1F, 0x80}; // entry 0 red without the bit, entry 1 blue with it
    for (int i = 0; i < 16; ++i) mapped.push_back((i & 1) ? 1 : 0);
    std::vector<uint32_t> mappedPixels(16);
    for (int i = 0; i < 16; ++i) mappedPixels[(3 - i / 4) * 4 + i % 4] = (i & 1) ? 0xFF0000FF : 0x00FF0000;
    std::vector<uint32_t> mappedOpaque = mappedPixels;
    for (uint32_t& p : mappedOpaque) p |= 0xFF000000;
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        std::vector<uint32_t> expect;
    };
    const std::vector<Case> cases = {
        {"24-bit bottom-up",
         Cat(TgaHeader(2, 0, 0, 0, 2, 2, 24, 0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         D3DFMT_R8G8B8,
         {0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}},
        {"32-bit top-down with alpha",
         Cat(TgaHeader(2, 0, 0, 0, 2, 1, 32, 0x28), {1, 2, 3, 4, 5, 6, 7, 8}),
         D3DFMT_A8R8G8B8,
         {0x04030201, 0x08070605}},
        {"right-to-left",
         Cat(TgaHeader(2, 0, 0, 0, 2, 1, 24, 0x30), {1, 2, 3, 4, 5, 6}),
         D3DFMT_R8G8B8,
         {0xFF060504, 0xFF030201}},
        {"16-bit with alpha bit",
         Cat(TgaHeader(2, 0, 0, 0, 2, 1, 16, 0x21), {0x00, 0xFC, 0x1F, 0x00}),
         D3DFMT_A1R5G5B5,
         {0xFFFF0000, 0x000000FF}},
        {"grey", Cat(TgaHeader(3, 0, 0, 0, 2, 1, 8, 0x20), {0x00, 0x80}), D3DFMT_L8, {0xFF000000, 0xFF808080}},
        {"colour-mapped",
         Cat(TgaHeader(1, 1, 2, 24, 3, 1, 8, 0x20), {0, 0, 255, 255, 0, 0, 1, 0, 1}),
         D3DFMT_P8,
         {0xFF0000FF, 0xFFFF0000, 0xFF0000FF}},
        // RLE: a run of 3 then one raw pixel, crossing the row boundary.
        {"RLE true-colour",
         Cat(TgaHeader(10, 0, 0, 0, 2, 2, 24, 0x20), {0x82, 1, 2, 3, 0x00, 4, 5, 6}),
         D3DFMT_R8G8B8,
         {0xFF030201, 0xFF030201, 0xFF030201, 0xFF060504}},
        {"RLE grey",
         Cat(TgaHeader(11, 0, 0, 0, 3, 1, 8, 0x20), {0x81, 7, 0x00, 9}),
         D3DFMT_L8,
         {0xFF070707, 0xFF070707, 0xFF090909}},
        // One attribute bit declared: bit 15 is the alpha of 16-bit pixels only.
        {"16-bit attribute alpha", Cat(TgaHeader(2, 0, 0, 0, 4, 4, 16, 0x01), raw), D3DFMT_A1R5G5B5, mixed},
        {"16-bit attribute alpha, RLE", Cat(TgaHeader(10, 0, 0, 0, 4, 4, 16, 0x01), rle), D3DFMT_A1R5G5B5, mixed},
        {"16-bit map entries, attribute alpha", Cat(TgaHeader(1, 1, 2, 16, 4, 4, 8, 0x01), mapped), D3DFMT_P8,
         mappedPixels},
        {"16-bit without attribute bits", Cat(TgaHeader(2, 0, 0, 0, 4, 4, 16, 0x00), raw), D3DFMT_X1R5G5B5, opaque},
        {"15-bit with an attribute bit", Cat(TgaHeader(2, 0, 0, 0, 4, 4, 15, 0x01), raw), D3DFMT_X1R5G5B5, opaque},
        {"15-bit map entries, attribute bit", Cat(TgaHeader(1, 1, 2, 15, 4, 4, 8, 0x01), mapped), D3DFMT_P8,
         mappedOpaque},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageFile info;
        EXPECT_EQ(Decode(c.file, &info), c.expect);
        EXPECT_EQ(info.fileFormat, kFileTga);
        EXPECT_EQ(info.format, c.format);
    }
}

TEST(ImagePpm, TextAndBinaryWithComments)
{
    const std::string text = "P3\n# a comment\n2 1 15\n15 0 0  0 15 0\n";
    EXPECT_EQ(Decode(Bytes(text.begin(), text.end())), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00}));
    const std::string grey = "P5 2 1 255\n";
    Bytes g(grey.begin(), grey.end());
    g.push_back(0x10);
    g.push_back(0xF0);
    EXPECT_EQ(Decode(g), (std::vector<uint32_t>{0xFF101010, 0xFFF0F0F0}));
}

TEST(ImageCodecs, RoundTripThroughEveryWriter)
{
    const Image src = Gradient(17, 9);
    Image opaque = src;
    for (uint32_t& p : opaque.argb) p |= 0xFF000000u;
    Image smooth;
    smooth.Allocate(17, 9);
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 17; ++x) smooth.Row(y)[x] = 0xFF000080u | (x * 15) << 16 | (y * 28) << 8;
    struct Case {
        const char* name;
        std::function<HRESULT(Bytes&)> write;
        ImageFileFormat format;
        const Image* expect;
        int tolerance;
    };
    const std::vector<Case> cases = {
        {"bmp 24", [&](Bytes& b) { return EncodeBmp(src, false, b); }, kFileBmp, &opaque, 0},
        {"bmp 32", [&](Bytes& b) { return EncodeBmp(src, true, b); }, kFileBmp, &src, 0},
        {"tga 24", [&](Bytes& b) { return EncodeTga(src, false, b); }, kFileTga, &opaque, 0},
        {"tga 32", [&](Bytes& b) { return EncodeTga(src, true, b); }, kFileTga, &src, 0},
        {"png rgb", [&](Bytes& b) { return EncodePng(src, false, b); }, kFilePng, &opaque, 0},
        {"png rgba", [&](Bytes& b) { return EncodePng(src, true, b); }, kFilePng, &src, 0},
        {"ppm", [&](Bytes& b) { return EncodePpm(src, b); }, kFilePpm, &opaque, 0},
        {"jpg", [&](Bytes& b) { return EncodeJpeg(smooth, 95, b); }, kFileJpg, &smooth, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file;
        ASSERT_EQ(c.write(file), S_OK);
        ImageFile info;
        const std::vector<uint32_t> px = Decode(file, &info);
        EXPECT_EQ(info.fileFormat, c.format);
        EXPECT_EQ(info.width, 17u);
        EXPECT_EQ(info.height, 9u);
        ASSERT_EQ(px.size(), c.expect->argb.size());
        if (c.tolerance == 0) {
            EXPECT_EQ(px, c.expect->argb);
        } else {
            int worst = 0;
            for (size_t i = 0; i < px.size(); ++i)
                for (int s = 0; s < 32; s += 8)
                    worst = std::max(worst, std::abs((int)(px[i] >> s & 255) - (int)(c.expect->argb[i] >> s & 255)));
            EXPECT_LE(worst, c.tolerance);
        }
    }
}

TEST(ImageCodecs, BrokenFilesFailCleanly)
{
    const std::vector<uint32_t> pal = {0, 0x00FFFFFF};
    Bytes huge = MakeBmp(100000, 100000, 24, 0, {}, {1, 2, 3});
    Bytes hugeRle = MakeBmp(20000, 20000, 8, 1, pal, {0, 1});
    Bytes badRun = MakeBmp(2, 2, 8, 1, pal, {5, 1, 0, 1});         // a run past the row end
    Bytes badDelta = MakeBmp(2, 2, 8, 1, pal, {0, 2, 9, 0, 0, 1}); // a jump outside
    Bytes badAbs = MakeBmp(2, 2, 8, 1, pal, {0, 3, 1, 1, 1, 0});   // absolute run past the row end
    Bytes shortRle = MakeBmp(2, 2, 8, 1, pal, {0, 4, 1});          // absolute run without its bytes
    Bytes bigPalette = MakeBmp(1, 1, 1, 0, std::vector<uint32_t>(3, 0), {0, 0, 0, 0});
    Bytes truncated = MakeBmp(4, 4, 24, 0, {}, Bytes(40, 0));
    Bytes lyingOffset = MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    lyingOffset[10] = 0xFF;
    const Bytes tgaShort = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0, 1, 2, 3};
    const Bytes tgaRleOver = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0x85, 1, 2, 3};
    const Bytes tgaRleShort = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 0x01, 1, 2, 3};
    const Bytes tgaBadDepth = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 7, 0, 1};
    const Bytes tgaMapShort = {0, 1, 1, 0, 0, 200, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 0};
    const std::string ppmShort = "P6 4 4 255\nabc", ppmBadMax = "P6 1 1 0\nabc", ppmText = "P3 1 1 255 1 2";
    const std::string ppmHuge = "P6 99999999 99999999 255\n";
    Bytes png;
    ASSERT_EQ(EncodePng(Gradient(8, 8), true, png), S_OK);
    Bytes pngCut(png.begin(), png.begin() + (long)png.size() / 2);
    Bytes pngHuge = png;
    pngHuge[16] = 0x7F; // width in the IHDR chunk (checksum now wrong too)
    Bytes jpg;
    ASSERT_EQ(EncodeJpeg(Gradient(16, 16), 80, jpg), S_OK);
    Bytes jpgHeaderOnly(jpg.begin(), jpg.begin() + 20);
    auto bytes = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"bmp huge", huge},
        {"bmp huge rle", hugeRle},
        {"bmp run past row", badRun},
        {"bmp delta outside", badDelta},
        {"bmp absolute past row", badAbs},
        {"bmp rle short", shortRle},
        {"bmp palette too big", bigPalette},
        {"bmp truncated", truncated},
        {"bmp lying offset", lyingOffset},
        {"bmp header only", Bytes(huge.begin(), huge.begin() + 20)},
        {"tga short", tgaShort},
        {"tga rle over", tgaRleOver},
        {"tga rle short", tgaRleShort},
        {"tga bad depth", tgaBadDepth},
        {"tga map short", tgaMapShort},
        {"ppm short", bytes(ppmShort)},
        {"ppm max 0", bytes(ppmBadMax)},
        {"ppm text short", bytes(ppmText)},
        {"ppm huge", bytes(ppmHuge)},
        {"png cut", pngCut},
        {"png huge", pngHuge},
        {"jpg header only", jpgHeaderOnly},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        ImageFile out;
        EXPECT_EQ(DecodeImageFile(file.data(), file.size(), false, out), D3DXERR_INVALIDDATA);
        EXPECT_TRUE(out.images.empty());
    }
}

TEST(ImageCodecs, InfoOnlyReadsHeadersWithoutPixels)
{
    Bytes bmp;
    ASSERT_EQ(EncodeBmp(Gradient(6, 4), false, bmp), S_OK);
    ImageFile info;
    ASSERT_EQ(DecodeImageFile(bmp.data(), bmp.size(), true, info), S_OK);
    EXPECT_EQ(info.width, 6u);
    EXPECT_EQ(info.height, 4u);
    EXPECT_EQ(info.format, D3DFMT_R8G8B8);
    EXPECT_TRUE(info.images.empty());
}

namespace {

// A DDS header (no file data) for one surface of the given pixel format.
Bytes DdsHeader(uint32_t w, uint32_t h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits, std::array<uint32_t, 4> masks,
                uint32_t levels = 1, uint32_t caps2 = 0)
{
    Bytes b = {'D', 'D', 'S', ' '};
    Put32(b, 124);
    Put32(b, 0x1007 | 0x1000 | (levels > 1 ? 0x20000 : 0));
    Put32(b, h);
    Put32(b, w);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, levels);
    for (int i = 0; i < 11; ++i) Put32(b, 0);
    Put32(b, 32);
    Put32(b, pfFlags);
    Put32(b, fourCC);
    Put32(b, bits);
    for (uint32_t m : masks) Put32(b, m);
    Put32(b, 0x1000);
    Put32(b, caps2);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    return b;
}

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return (uint32_t)a | (uint32_t)b << 8 | (uint32_t)c << 16 | (uint32_t)d << 24;
}

} // namespace

TEST(ImageDds, UncompressedAndBlockFormatsDecode)
{
    // DXT1 block: red and blue endpoints, texel indices 0, 1, 2, 3 in the first row.
    const Bytes dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0};
    // DXT3: explicit alpha F, 8, 0, F in the first row; colour all red.
    const Bytes dxt3 = Cat({0x8F, 0xF0, 0, 0, 0, 0, 0, 0}, {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0});
    // DXT5: alpha 255 and 0, first-row indices 0, 1, 2, 7.
    const Bytes dxt5 = Cat({255, 0, 0x88, 0x0E, 0, 0, 0, 0}, {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0});
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        std::vector<uint32_t> firstRow;
    };
    const std::vector<Case> cases = {
        {"A8R8G8B8",
         Cat(DdsHeader(2, 1, 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}), {1, 2, 3, 4, 5, 6, 7, 8}),
         D3DFMT_A8R8G8B8,
         {0x04030201, 0x08070605}},
        {"X1R5G5B5",
         Cat(DdsHeader(2, 1, 0x40, 0, 16, {0x7C00, 0x3E0, 0x1F, 0}), {0x00, 0x7C, 0x1F, 0x00}),
         D3DFMT_X1R5G5B5,
         {0xFFFF0000, 0xFF0000FF}},
        {"A4R4G4B4",
         Cat(DdsHeader(1, 1, 0x41, 0, 16, {0xF00, 0xF0, 0xF, 0xF000}), {0x0F, 0x80}),
         D3DFMT_A4R4G4B4,
         {0x880000FF}},
        {"R8G8B8",
         Cat(DdsHeader(1, 1, 0x40, 0, 24, {0xFF0000, 0xFF00, 0xFF, 0}), {1, 2, 3}),
         D3DFMT_R8G8B8,
         {0xFF030201}},
        {"L8", Cat(DdsHeader(2, 1, 0x20000, 0, 8, {0xFF, 0, 0, 0}), {0x10, 0xF0}), D3DFMT_L8, {0xFF101010, 0xFFF0F0F0}},
        {"DXT1",
         Cat(DdsHeader(4, 4, 0x4, FourCC('D', 'X', 'T', '1'), 0, {0, 0, 0, 0}), dxt1),
         D3DFMT_DXT1,
         {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}},
        {"DXT3",
         Cat(DdsHeader(4, 4, 0x4, FourCC('D', 'X', 'T', '3'), 0, {0, 0, 0, 0}), dxt3),
         D3DFMT_DXT3,
         {0xFFFF0000, 0x88FF0000, 0x00FF0000, 0xFFFF0000}},
        {"DXT5",
         Cat(DdsHeader(4, 4, 0x4, FourCC('D', 'X', 'T', '5'), 0, {0, 0, 0, 0}), dxt5),
         D3DFMT_DXT5,
         {0xFFFF0000, 0x00FF0000, 0xDAFF0000, 0x24FF0000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageFile info;
        const auto px = Decode(c.file, &info);
        EXPECT_EQ(info.fileFormat, kFileDds);
        EXPECT_EQ(info.format, c.format);
        ASSERT_GE(px.size(), c.firstRow.size());
        for (size_t i = 0; i < c.firstRow.size(); ++i)
            EXPECT_TRUE(std::abs((int)(px[i] >> 16 & 255) - (int)(c.firstRow[i] >> 16 & 255)) <= 2 &&
                        std::abs((int)(px[i] & 255) - (int)(c.firstRow[i] & 255)) <= 2 &&
                        std::abs((int)(px[i] >> 24) - (int)(c.firstRow[i] >> 24)) <= 2)
                << i << ": " << std::hex << px[i];
    }
}

TEST(ImageDds, LevelsCubesAndBrokenHeaders)
{
    // Three levels of a 4x2 L8 picture: 8 + 2 + 1 bytes.
    Bytes levels = Cat(DdsHeader(4, 2, 0x20000, 0, 8, {0xFF, 0, 0, 0}, 3), Bytes(11, 0x40));
    ImageFile info;
    ASSERT_EQ(DecodeImageFile(levels.data(), levels.size(), false, info), S_OK);
    EXPECT_EQ(info.mipLevels, 3u);
    ASSERT_EQ(info.images.size(), 3u);
    EXPECT_EQ(info.images[2].width, 1u);
    const Bytes cube = Cat(DdsHeader(1, 1, 0x20000, 0, 8, {0xFF, 0, 0, 0}, 1, 0xFE00), {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(DecodeImageFile(cube.data(), cube.size(), false, info), S_OK);
    EXPECT_TRUE(info.cube);
    ASSERT_EQ(info.images.size(), 6u);
    EXPECT_EQ(info.images[5].argb[0], 0xFF060606u);

    Bytes badPf = DdsHeader(1, 1, 0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0});
    badPf[76] = 31; // pixel-format size
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"levels short", Cat(DdsHeader(4, 2, 0x20000, 0, 8, {0xFF, 0, 0, 0}, 3), Bytes(10, 0x40))},
        {"cube with five faces", Cat(DdsHeader(1, 1, 0x20000, 0, 8, {0xFF, 0, 0, 0}, 1, 0x7E00), Bytes(6, 1))},
        {"cube short", Cat(DdsHeader(1, 1, 0x20000, 0, 8, {0xFF, 0, 0, 0}, 1, 0xFE00), Bytes(5, 1))},
        {"unknown four-cc", Cat(DdsHeader(4, 4, 0x4, FourCC('A', 'B', 'C', 'D'), 0, {0, 0, 0, 0}), Bytes(16, 0))},
        {"unknown masks", Cat(DdsHeader(1, 1, 0x40, 0, 32, {0xF, 0xF0, 0xF00, 0}), Bytes(4, 0))},
        {"huge", DdsHeader(1u << 20, 1u << 20, 0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0})},
        {"dxt short", Cat(DdsHeader(8, 8, 0x4, FourCC('D', 'X', 'T', '1'), 0, {0, 0, 0, 0}), Bytes(24, 0))},
        {"bad pixel-format size", Cat(badPf, Bytes(4, 0))},
        {"header only", Bytes(levels.begin(), levels.begin() + 60)},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        ImageFile out;
        EXPECT_EQ(DecodeImageFile(file.data(), file.size(), false, out), D3DXERR_INVALIDDATA);
        EXPECT_EQ(DecodeImageFile(file.data(), file.size(), true, out), D3DXERR_INVALIDDATA);
    }
}

TEST(ImageDxt, EncodedBlocksDecodeCloseToTheSource)
{
    // A colour ramp along x with an alpha ramp and, for DXT1, one transparent texel.
    Image img;
    img.Allocate(8, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x) img.Row(y)[x] = (x * 32 + 16) << 24 | (x * 30) << 16 | 0x8040 | (y & 1);
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        SCOPED_TRACE((int)f);
        Image src = img;
        if (f == D3DFMT_DXT1)
            for (uint32_t& p : src.argb) p |= 0xFF000000u;
        if (f == D3DFMT_DXT1) src.Row(1)[1] = 0;
        const uint32_t blockBytes = f == D3DFMT_DXT1 ? 8 : 16;
        std::vector<RawSurface> raw(1);
        raw[0] = {8, 4, Bytes(2 * blockBytes)};
        kestu::d3dx::EncodeDxt(f, src.argb.data(), 8, 4, raw[0].bytes.data(), 2 * blockBytes);
        Bytes dds;
        ASSERT_EQ(EncodeDds(f, 8, 4, 1, false, raw, dds), S_OK);
        ImageFile back;
        ASSERT_EQ(DecodeImageFile(dds.data(), dds.size(), false, back), S_OK);
        const auto& px = back.images[0].argb;
        for (size_t i = 0; i < px.size(); ++i) {
            if (f == D3DFMT_DXT1 && i == 9) {
                EXPECT_EQ(px[i] >> 24, 0u) << "transparent texel";
                continue;
            }
            for (int s = 0; s < 32; s += 8) {
                const int tolerance = s == 24 ? (f == D3DFMT_DXT3 ? 9 : 20) : 24;
                EXPECT_LE(std::abs((int)(px[i] >> s & 255) - (int)(src.argb[i] >> s & 255)), tolerance)
                    << i << " channel " << s << " " << std::hex << px[i] << " " << src.argb[i];
            }
        }
    }
}
