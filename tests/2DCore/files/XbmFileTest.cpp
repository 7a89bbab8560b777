// Saving and loading XBM files: every variant round-trips, refused files
// give their codes, and CreateXBmp picks and reuses the sprite class.
#include <gtest/gtest.h>

#include <windows.h>

#include "kestu_bytes.h"
#include "kestu_log.h"
#include "kestu_rtbmp.h"
#include "kestu_sbmp.h"
#include "support/replace_checks.h"
#include "sprites/SpriteTestUtil.h"

namespace {

using namespace sprite_test;

constexpr uint16_t K = 0xF81F;

struct Variant {
    const char* name;
    int bits;
    bool compressed;
    bool alpha;
    bool alphaCompressed;
    bool palette;
};

// Builds the image bytes of a 7 x 5 sprite of the variant.
std::vector<uint8_t> MakeImage(const Variant& v, std::vector<uint16_t>& colours)
{
    const int w = 7, h = 5;
    colours = Pattern(w, h, K);
    XBMFILEHEADER hd = Header(w, h, v.bits, v.bits == 8 ? 8 : 16, v.compressed, v.bits == 8 ? 0 : K);
    if (v.bits == 8) {
        std::vector<uint8_t> idx(colours.size());
        for (size_t i = 0; i < idx.size(); ++i) idx[i] = colours[i] == K ? 0 : uint8_t(colours[i] | 1);
        for (size_t i = 0; i < idx.size(); ++i) colours[i] = idx[i];
        XBmpBase enc;
        enc.SetxbmpFileHead(idx.data(), hd);
        std::string path = std::string(v.name) + ".src.xbm";
        EXPECT_EQ(enc.Write8BIT(idx.data(), path.data(), w), 1);
        auto bytes = ReadAll(path);
        std::remove(path.c_str());
        if (v.palette) {
            // Splice a palette in behind the header.
            bytes[31] = 1;
            std::vector<uint8_t> pal(1024);
            for (size_t i = 0; i < pal.size(); ++i) pal[i] = uint8_t(i * 7);
            bytes.insert(bytes.begin() + 64, pal.begin(), pal.end());
        }
        return bytes;
    }
    if (v.alpha) {
        hd.alpha = 1;
        hd.alphaCompressed = v.alphaCompressed ? 1 : 0;
        std::vector<_WORD24> px(colours.size());
        for (size_t i = 0; i < px.size(); ++i) px[i] = _WORD24{colours[i], uint8_t(colours[i] == K ? 0 : 16 + i * 5)};
        return Encode24(px, hd);
    }
    return Encode16(colours, hd);
}

// The sprite's pixels as the test sees them: key where transparent.
std::vector<uint16_t> Decoded(VPaper* s, int bits)
{
    const int w = s->GetWidth(), h = s->GetHeight();
    std::vector<uint16_t> out(size_t(w) * h, bits == 8 ? 0 : K);
    if (s->WhoAmI() == KESTU_WHOAMI_RTBMP) {
        if (bits == 16) {
            s->GetDataHead(out.data());
        } else {
            std::vector<uint8_t> bytes(size_t(w) * h, 0);
            // An 8-bit run block decodes byte-wise through the same copy.
            std::vector<uint8_t> padded(bytes.size() + 1, 0);
            s->GetDataHead(reinterpret_cast<unsigned short*>(padded.data()));
            for (size_t i = 0; i < bytes.size(); ++i) out[i] = padded[i];
        }
        return out;
    }
    auto* sb = static_cast<SBMP*>(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = sb->GetPointer() + size_t(y) * sb->PitchCx() + size_t(x) * bits / 8;
            out[size_t(y) * w + x] = bits == 8 ? p[0] : uint16_t(p[0] | p[1] << 8);
        }
    return out;
}

const std::vector<Variant> kVariants = {
    {"raw8", 8, false, false, false, false},
    {"rle8", 8, true, false, false, true},
    {"raw16", 16, false, false, false, false},
    {"rle16", 16, true, false, false, false},
    {"rle16_alpha", 16, true, true, false, false},
    {"rle16_packedalpha", 16, true, true, true, false},
    {"raw16_packedalpha", 16, false, true, true, false},
    {"raw16_alpha", 16, false, true, false, false},
};

TEST(XbmFile, EveryVariantRoundTrips)
{
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.name);
        std::vector<uint16_t> colours;
        const auto image = MakeImage(v, colours);
        ASSERT_EQ(XbmCheckImage(image.data(), image.size()), 1);
        const std::string path = std::string(v.name) + ".xbm";
        WriteAll(path, image);

        VPaper* sprite = nullptr;
        ASSERT_EQ(KestuXLoadXBmpFromFile(path.c_str(), sprite), 0);
        ASSERT_NE(sprite, nullptr);
        EXPECT_EQ(sprite->WhoAmI(), v.compressed ? KESTU_WHOAMI_RTBMP : KESTU_WHOAMI_SBMP);
        EXPECT_EQ(sprite->IsCompressed(), v.compressed ? 1 : 0);
        EXPECT_EQ(sprite->GetWidth(), 7);
        EXPECT_EQ(sprite->GetHeight(), 5);
        EXPECT_EQ(sprite->IsAlpha(), v.alpha ? 1 : 0);
        EXPECT_EQ(sprite->IsAlphaCompresse(), v.alphaCompressed ? 1 : 0);
        EXPECT_EQ(sprite->GetColorTable() != nullptr, v.palette);
        EXPECT_EQ(Decoded(sprite, v.bits), colours);

        const std::string again = std::string(v.name) + ".again.xbm";
        ASSERT_EQ(KestuXSaveXBmpToFile(sprite, again.c_str()), 0);
        auto saved = ReadAll(again);
        // The saver fills in the pixel data size the encoder left 0.
        auto expected = image;
        XBMFILEHEADER hs;
        ASSERT_TRUE(hs.Read(saved.data(), saved.size()));
        for (int i = 44; i < 48; ++i) expected[i] = saved[i];
        EXPECT_EQ(saved, expected);
        if (v.compressed) {
            EXPECT_GT(hs.dataSize, 0u);
        }
        delete sprite;
        std::remove(path.c_str());
        std::remove(again.c_str());
    }
}

TEST(XbmFile, RefusedFilesGiveTheirCodes)
{
    std::vector<uint16_t> colours;
    const auto good = MakeImage(kVariants[3], colours);
    auto truncated = good;
    truncated.resize(good.size() - 1);
    auto badOffset = good;
    badOffset[64] = 0xFF; // row 0 offset far past the end
    auto badRun = good;
    badRun[64 + 4 * 5] = 0xFF; // row 0's first skip beyond the row
    badRun[64 + 4 * 5 + 1] = 0x7F;
    auto hugeRaw = MakeImage(kVariants[2], colours);
    hugeRaw[24] = 0xFF; // height 255 rows that are not there
    auto shortHeader = std::vector<uint8_t>(good.begin(), good.begin() + 40);
    // Bits per pixel and pixel format must name the same pixels.
    auto raw8As565 = MakeImage(kVariants[0], colours);
    raw8As565[29] = 16;
    auto raw16As8 = MakeImage(kVariants[2], colours);
    raw16As8[29] = 8;
    auto rle16As32 = good;
    rle16As32[29] = 32;
    auto rle8As555 = MakeImage(kVariants[1], colours);
    rle8As555[29] = 15;

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        HRESULT code;
    };
    const std::vector<Case> cases = {
        {"empty", {}, KESTUERR_GENERIC},
        {"short header", shortHeader, KESTUERR_GENERIC},
        {"truncated runs", truncated, KESTUERR_GENERIC},
        {"offset past end", badOffset, KESTUERR_GENERIC},
        {"skip past row", badRun, KESTUERR_GENERIC},
        {"raw rows missing", hugeRaw, KESTUERR_GENERIC},
        {"8 bits as 565", raw8As565, KESTUERR_GENERIC},
        {"16 bits as indexes", raw16As8, KESTUERR_GENERIC},
        {"16 bits as 32", rle16As32, KESTUERR_GENERIC},
        {"8-bit runs as 555", rle8As555, KESTUERR_GENERIC},
    };
    for (const Case& c : cases) {
        const std::string path = "refused.xbm";
        WriteAll(path, c.bytes);
        VPaper* sprite = new SBMP;
        EXPECT_EQ(KestuXLoadXBmpFromFile(path.c_str(), sprite), c.code) << c.name;
        EXPECT_EQ(sprite, nullptr) << c.name;
        std::remove(path.c_str());
    }
    VPaper* sprite = nullptr;
    EXPECT_EQ(KestuXLoadXBmpFromFile("no_such_file.xbm", sprite), KESTUERR_FILEOPEN);
    EXPECT_EQ(KestuXLoadXBmpFromFile(".", sprite), KESTUERR_FILEREAD);
}

TEST(XbmFile, ColourConversionKeepsToTheBufferItsPixelsFill)
{
    // 8-bit rows, exactly sized, under a header that claims 565.
    std::vector<uint8_t> px = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    const auto before = px;
    XBMFILEHEADER h = Header(3, 2, 8, 16, false, -1);
    SBMP s(&h, px.data(), -1);
    s.Convet565To555();
    s.Convet555To565();
    EXPECT_EQ(px, before);
    EXPECT_EQ(s.GetPixelFormat(), 16);

    // 16-bit rows convert in place.
    std::vector<uint16_t> wide = {0xFFFF, 0x07E0};
    XBMFILEHEADER hw = Header(2, 1, 16, 16, false, -1);
    SBMP sw(&hw, reinterpret_cast<unsigned char*>(wide.data()), -1);
    sw.Convet565To555();
    EXPECT_EQ(wide, (std::vector<uint16_t>{0x7FFF, 0x03E0}));
    EXPECT_EQ(sw.GetPixelFormat(), 15);
}

TEST(XbmFile, RunRowsAnywhereInTheBlockSaveWhole)
{
    // The encoder's rows, moved behind a gap and stored last row first.
    const int w = 7, h = 5;
    const auto colours = Pattern(w, h, K);
    const auto packed = Encode16(colours, Header(w, h, 16, 16, true, K));
    const size_t table = 64, runs = table + 4 * h;
    std::vector<uint8_t> moved(packed.begin(), packed.begin() + long(runs));
    moved.insert(moved.end(), 6, 0xEE);
    size_t runBytes = 0;
    for (int r = h - 1; r >= 0; --r) {
        const uint32_t from = kestu::GetU32(packed.data() + table + 4 * r);
        const uint32_t to =
            r + 1 < h ? kestu::GetU32(packed.data() + table + 4 * (r + 1)) : uint32_t(packed.size() - table);
        kestu::PutU32(moved.data() + table + 4 * r, uint32_t(moved.size() - table));
        moved.insert(moved.end(), packed.begin() + long(table + from), packed.begin() + long(table + to));
        runBytes += to - from;
    }
    // The last row must not lie before the first: swap rows 0 and 4 back.
    const uint32_t first = kestu::GetU32(moved.data() + table),
                   last = kestu::GetU32(moved.data() + table + 4 * (h - 1));
    kestu::PutU32(moved.data() + table, last);
    kestu::PutU32(moved.data() + table + 4 * (h - 1), first);
    auto expect = colours;
    for (int x = 0; x < w; ++x) std::swap(expect[size_t(x)], expect[size_t((h - 1) * w + x)]);

    const std::string path = "moved.xbm";
    WriteAll(path, moved);
    VPaper* sprite = nullptr;
    ASSERT_EQ(KestuXLoadXBmpFromFile(path.c_str(), sprite), 0);
    ASSERT_EQ(Decoded(sprite, 16), expect);
    // Saved over itself, the sprite loads back whole; its rows are packed.
    ASSERT_EQ(KestuXSaveXBmpToFile(sprite, path.c_str()), 0);
    EXPECT_EQ(ReadAll(path).size(), runs + runBytes);
    VPaper* again = nullptr;
    ASSERT_EQ(KestuXLoadXBmpFromFile(path.c_str(), again), 0);
    EXPECT_EQ(Decoded(again, 16), expect);
    EXPECT_EQ(static_cast<RTBMP*>(again)->GetBmpBitsSize(), runBytes);
    delete again;
    delete sprite;
    std::remove(path.c_str());
}

TEST(XbmFile, RowsSharedWholeConvertOnceOverlappingRowsAreRefused)
{
    // 2 x 3 at 16 bits; rows 0 and 2 are one stored row.
    auto image = [](uint32_t row1, uint32_t row2) {
        std::vector<uint8_t> bytes(64);
        Header(2, 3, 16, 16, true, K).Write(bytes.data());
        kestu::ByteWriter out(bytes);
        for (uint32_t offset : {12u, row1, row2}) out.U32(offset);
        for (uint16_t word : {0, 4, 0xFFFF, 0x07E0}) out.U16(word); // at 12: two pixels
        for (uint16_t word : {2, 2, 0x001F}) out.U16(word);         // at 20: key, one pixel
        return bytes;
    };
    const std::string path = "shared.xbm";
    WriteAll(path, image(20, 12));
    VPaper* sprite = nullptr;
    ASSERT_EQ(KestuXLoadXBmpFromFile(path.c_str(), sprite), 0);
    sprite->Convet565To555();
    EXPECT_EQ(Decoded(sprite, 16), (std::vector<uint16_t>{0x7FFF, 0x03E0, K, 0x001F, 0x7FFF, 0x03E0}));
    delete sprite;

    // Row 1 starting inside row 0 reads row 0's count as its skip; a
    // conversion of row 0 would rewrite what row 1 reads.
    WriteAll(path, image(14, 12));
    sprite = nullptr;
    EXPECT_EQ(KestuXLoadXBmpFromFile(path.c_str(), sprite), KESTUERR_GENERIC);
    EXPECT_EQ(sprite, nullptr);
    std::remove(path.c_str());
}

TEST(XbmFile, SaveRefusesNullArgumentsAndEmptySprites)
{
    SBMP empty;
    RTBMP emptyRuns;
    EXPECT_EQ(KestuXSaveXBmpToFile(nullptr, "never.xbm"), E_FAIL);
    EXPECT_EQ(KestuXSaveXBmpToFile(&empty, nullptr), E_FAIL);
    EXPECT_EQ(KestuXSaveXBmpToFile(&empty, "never.xbm"), E_FAIL);
    EXPECT_EQ(KestuXSaveXBmpToFile(&emptyRuns, "never.xbm"), E_FAIL);
    EXPECT_FALSE(Exists("never.xbm"));
}

TEST(XbmFile, SaveFailsWithoutAFileOrReplacesSafely)
{
    std::vector<uint16_t> colours;
    auto image = MakeImage(kVariants[3], colours);
    RTBMP sprite;
    sprite.Build(image.data());
    // A folder that is not there: the save fails and leaves nothing behind.
    EXPECT_EQ(sprite.SaveToXBmpFile("no_such_dir/a.xbm"), E_FAIL);
    EXPECT_FALSE(Exists("no_such_dir"));
    // Over an older file, beside links at the names a careless writer would use.
    replacecheck::Scratch scratch("xbm_save");
    const std::string path = scratch.Path("keep.xbm");
    replacecheck::WriteText(path, "old", 0600);
    const replacecheck::PlantedLinks links(scratch, "keep.xbm");
    ASSERT_EQ(sprite.SaveToXBmpFile(path.c_str()), 0);
    EXPECT_EQ(ReadAll(path).size(), image.size());
    links.ExpectReplaced(scratch, "keep.xbm", 0600);
}

TEST(XbmFile, CreateXBmpPicksAndReusesTheClass)
{
    std::vector<uint16_t> colours;
    auto raw = MakeImage(kVariants[2], colours);
    auto rle = MakeImage(kVariants[3], colours);
    VPaper* sprite = nullptr;
    EXPECT_EQ(CreateXBmp(nullptr, sprite), 0);
    ASSERT_EQ(CreateXBmp(raw.data(), sprite), 1);
    VPaper* first = sprite;
    EXPECT_EQ(sprite->WhoAmI(), KESTU_WHOAMI_SBMP);
    // Same kind: rebuilt in place.
    ASSERT_EQ(CreateXBmp(raw.data(), sprite), 1);
    EXPECT_EQ(sprite, first);
    // Other kind: replaced.
    ASSERT_EQ(CreateXBmp(rle.data(), sprite), 1);
    EXPECT_EQ(sprite->WhoAmI(), KESTU_WHOAMI_RTBMP);
    rle[30] = 2; // any non-zero compressed byte means runs
    EXPECT_EQ(CreateXBmp_old(rle.data(), sprite), 1);
    EXPECT_EQ(sprite->WhoAmI(), KESTU_WHOAMI_RTBMP);
    delete sprite;
}

} // namespace
