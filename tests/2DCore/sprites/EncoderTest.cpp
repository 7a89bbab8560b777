// XBmpBase: the run-length rows, the raw sections and the alpha plane.
#include <gtest/gtest.h>

#include "host/host_win32.h"
#include "sprites/SpriteTestUtil.h"

namespace {

using namespace sprite_test;

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
}

// The runs of one 16-bit row as words: skip, count, pixels..., skip...
std::vector<uint16_t> RowWords(const std::vector<uint8_t>& image, int height, int row)
{
    const size_t table = 64;
    const size_t begin = table + U32(image, table + 4 * size_t(row));
    const size_t end = row + 1 < height ? table + U32(image, table + 4 * size_t(row + 1)) : image.size();
    std::vector<uint16_t> words;
    for (size_t at = begin; at < end; at += 2) words.push_back(U16(image, at));
    return words;
}

constexpr uint16_t K = 0xF81F;

TEST(Encoder, SixteenBitRowsFollowTheRunFormat)
{
    struct Case {
        const char* name;
        std::vector<uint16_t> row;
        std::vector<uint16_t> words;
    };
    const std::vector<Case> cases = {
        {"opaque middle", {K, K, K, 0x1111, 0x2222, K, K, K}, {6, 4, 0x1111, 0x2222, 6}},
        {"fully opaque", {1, 2, 3}, {0, 6, 1, 2, 3}},
        {"key A B key", {K, 0xAAAA, 0xBBBB, K}, {2, 4, 0xAAAA, 0xBBBB, 2}},
        {"fully transparent", {K, K, K, K}, {8}},
        {"alternating", {1, K, 2}, {0, 2, 1, 2, 2, 2}},
        {"single opaque pixel", {7}, {0, 2, 7}},
    };
    for (const Case& c : cases) {
        const int w = int(c.row.size());
        const auto image = Encode16(c.row, Header(w, 1, 16, 16, true, K));
        EXPECT_EQ(U32(image, 64), 4u) << c.name;
        EXPECT_EQ(RowWords(image, 1, 0), c.words) << c.name;
        EXPECT_EQ(image.size(), 64 + 4 + 2 * c.words.size()) << c.name;
    }
}

TEST(Encoder, RowOffsetsCountFromTheTable)
{
    const std::vector<uint16_t> px = {K, K, 5, 6, K, K}; // 2 x 3
    const auto image = Encode16(px, Header(2, 3, 16, 16, true, K));
    EXPECT_EQ(U32(image, 64), 12u);
    EXPECT_EQ(U32(image, 68), 12u + 2);     // row 0: one skip word
    EXPECT_EQ(U32(image, 72), 12u + 2 + 8); // row 1: skip, count, two pixels
    EXPECT_EQ(RowWords(image, 3, 1), (std::vector<uint16_t>{0, 4, 5, 6}));
    EXPECT_EQ(RowWords(image, 3, 2), (std::vector<uint16_t>{4}));
}

TEST(Encoder, KeyOfMinusOneTakesTheFirstPixel)
{
    const std::vector<uint16_t> px = {9, 9, 3, 9};
    XBmpBase enc;
    std::vector<uint16_t> copy = px;
    enc.SetxbmpFileHead(copy.data(), Header(4, 1, 16, 16, true, -1));
    EXPECT_EQ(enc.GetHeader().transColor, 9);
    // A raw image keeps -1: it has no key to look for.
    XBmpBase raw;
    raw.SetxbmpFileHead(copy.data(), Header(4, 1, 16, 16, false, -1));
    EXPECT_EQ(raw.GetHeader().transColor, -1);
}

TEST(Encoder, RawSectionsArePackedRows)
{
    // A 3 x 2 raw 8-bit image is 70 bytes: the header and six indexes.
    std::vector<uint8_t> idx = {1, 2, 3, 99, 4, 5, 6, 99}; // pitch 4
    XBmpBase enc8;
    enc8.SetxbmpFileHead(idx.data(), Header(3, 2, 8, 8, false, -1));
    const std::string path = "raw8.xbm";
    ASSERT_EQ(enc8.Write8BIT(idx.data(), const_cast<char*>(path.c_str()), 4), 1);
    const auto file = ReadAll(path);
    ASSERT_EQ(file.size(), 70u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 64, file.end()), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));

    const std::vector<uint16_t> px = {0x1234, 0xABCD};
    const auto image = Encode16(px, Header(2, 1, 16, 16, false, K));
    ASSERT_EQ(image.size(), 68u);
    EXPECT_EQ(U16(image, 64), 0x1234);
    EXPECT_EQ(U16(image, 66), 0xABCD);
}

TEST(Encoder, PublicRawWritersMeasureTheirImage)
{
    // Called on their own, the raw writers leave a whole image behind:
    // width x height x bytes per pixel + 64, the header first.
    std::vector<uint8_t> idx = {1, 2, 3, 99, 4, 5, 6, 99}; // 3 x 2, pitch 4
    XBmpBase enc8;
    enc8.SetxbmpFileHead(idx.data(), Header(3, 2, 8, 8, false, -1));
    enc8.Write8BitNoCompressData(idx.data(), 4);
    ASSERT_EQ(enc8.GetSize(), 3u * 2 + 64);
    const std::vector<uint8_t> image8(enc8.GetData(), enc8.GetData() + enc8.GetSize());
    EXPECT_EQ(U32(image8, 0), 0x006D6278u);
    EXPECT_EQ(std::vector<uint8_t>(image8.begin() + 64, image8.end()), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    // A second call replaces the pixels instead of appending them.
    enc8.Write8BitNoCompressData(idx.data(), 4);
    EXPECT_EQ(enc8.GetSize(), 3u * 2 + 64);

    std::vector<uint16_t> px = {0x1234, 0xABCD, 0x0F0F, 0x5555, 0x7777, 0x1111}; // 2 x 2, pitch 3
    XBmpBase enc16;
    enc16.SetxbmpFileHead(px.data(), Header(2, 2, 16, 16, false, K));
    enc16.Write16BitNoCompressData(px.data(), 3);
    ASSERT_EQ(enc16.GetSize(), 2u * 2 * 2 + 64);
    const std::vector<uint8_t> image16(enc16.GetData(), enc16.GetData() + enc16.GetSize());
    EXPECT_EQ(U16(image16, 64), 0x1234);
    EXPECT_EQ(U16(image16, 66), 0xABCD);
    EXPECT_EQ(U16(image16, 68), 0x5555);
    EXPECT_EQ(U16(image16, 70), 0x7777);
}

TEST(Encoder, AlphaPlaneComesBeforeThePixels)
{
    // Worst case for the output size: every row one opaque pixel.
    std::vector<_WORD24> px(40);
    for (size_t i = 0; i < px.size(); ++i) px[i] = _WORD24{uint16_t(0x100 + i), uint8_t(200)};
    XBMFILEHEADER h = Header(1, 40, 16, 16, true, K);
    h.alpha = 1;
    h.alphaCompressed = 1;
    const auto image = Encode24(px, h);
    XBMFILEHEADER back;
    ASSERT_TRUE(back.Read(image.data(), image.size()));
    // Alpha plane: table of 40 entries, rows of skip 0, count 1, one level.
    EXPECT_EQ(back.alphaSize, 40u * 4 + 40u * 5);
    EXPECT_EQ(U32(image, 64), 160u);
    EXPECT_EQ(U16(image, 64 + 160), 0);
    EXPECT_EQ(U16(image, 64 + 162), 1);
    EXPECT_EQ(image[64 + 164], 200);
    // Pixel rows: skip 0, count 2, the colour.
    const size_t pixels = 64 + back.alphaSize;
    EXPECT_EQ(image.size(), pixels + 40 * 4 + 40 * 6);
    EXPECT_EQ(U16(image, pixels + U32(image, pixels + 4 * 39) + 4), 0x100 + 39);
    EXPECT_EQ(XbmCheckImage(image.data(), image.size()), 1);

    h.alphaCompressed = 0;
    h.compressed = 0;
    const auto raw = Encode24(px, h);
    ASSERT_TRUE(back.Read(raw.data(), raw.size()));
    EXPECT_EQ(back.alphaSize, 40u);
    EXPECT_EQ(raw.size(), 64u + 40 + 80);
    EXPECT_EQ(raw[64 + 39], 200);
    EXPECT_EQ(U16(raw, 64 + 40 + 2 * 39), 0x100 + 39);
}

TEST(Encoder, RowsTooWideForSixteenBitCountsAreRefused)
{
    std::vector<uint16_t> px(40000, 1);
    XBmpBase enc;
    enc.SetxbmpFileHead(px.data(), Header(40000, 1, 16, 16, true, K));
    EXPECT_EQ(enc.Convert16BIT(px.data(), 40000), 0);
    EXPECT_EQ(enc.GetSize(), 0u);
}

TEST(Encoder, UncreatableFileIsReportedWithItsCaption)
{
    host::ClearMessageBoxes();
    std::vector<uint16_t> px = {1, 2};
    char bad[] = "no_such_dir/x.xbm";
    struct Case {
        bool compressed;
        const char* caption;
    };
    for (const Case c : {Case{true, "Error"}, Case{false, "error"}}) {
        host::ClearMessageBoxes();
        XBmpBase enc;
        enc.SetxbmpFileHead(px.data(), Header(2, 1, 16, 16, c.compressed, K));
        EXPECT_EQ(enc.Write16BIT(px.data(), bad, 2), 0);
        const auto boxes = host::GetMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Not Create OutPut File!");
        EXPECT_EQ(boxes[0].caption, c.caption);
    }
}

} // namespace
