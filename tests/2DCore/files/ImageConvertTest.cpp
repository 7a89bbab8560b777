// TGA and PCX pictures: reading, refusing, cropping and converting to XBM.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "host/host_win32.h"
#include "kestu_imageconvert.h"
#include "kestu_rtbmp.h"
#include "sprites/SpriteTestUtil.h"

namespace {

using namespace sprite_test;

struct Rgba {
    uint8_t r, g, b, a;
};

// A 32-bit TGA of the given type; pixels top row first.
std::vector<uint8_t> Tga(int w, int h, const std::vector<Rgba>& px, uint8_t type = 2, uint8_t depth = 32,
                         uint8_t descriptor = 8)
{
    std::vector<uint8_t> b(18, 0);
    b[2] = type;
    b[12] = uint8_t(w), b[13] = uint8_t(w >> 8), b[14] = uint8_t(h), b[15] = uint8_t(h >> 8);
    b[16] = depth;
    b[17] = descriptor;
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Rgba& p = px[size_t(y) * w + x];
            for (uint8_t c : {p.b, p.g, p.r, p.a}) b.push_back(c);
        }
    return b;
}

// A PCX with run-length encoded scan lines of the given planes.
std::vector<uint8_t> Pcx(int w, int h, int planes, const std::vector<uint8_t>& lines, int bytesPerLine = -1)
{
    std::vector<uint8_t> b(128, 0);
    b[0] = 10, b[1] = 5, b[2] = 1, b[3] = 8;
    b[8] = uint8_t(w - 1), b[9] = uint8_t((w - 1) >> 8), b[10] = uint8_t(h - 1), b[11] = uint8_t((h - 1) >> 8);
    b[65] = uint8_t(planes);
    const int bpl = bytesPerLine < 0 ? w : bytesPerLine;
    b[66] = uint8_t(bpl), b[67] = uint8_t(bpl >> 8);
    for (uint8_t v : lines) {
        if (v >= 0xC0) b.push_back(0xC1);
        b.push_back(v);
    }
    return b;
}

uint16_t P565(uint8_t r, uint8_t g, uint8_t b) { return uint16_t((r & 0xF8) << 8 | (g >> 2) << 5 | b >> 3); }

class ImageConvert : public ::testing::Test {
protected:
    void SetUp() override
    {
        host::ClearMessageBoxes();
        SetConvert565(1);
        mkdir("art", 0755);
        mkdir("out", 0755);
    }
    void TearDown() override { SetConvert565(1); }
    std::vector<host::MessageBoxRecord> Boxes() { return host::GetMessageBoxes(); }
};

TEST_F(ImageConvert, TgaPixelsBecomeColourAndAlphaRecords)
{
    const std::vector<Rgba> px = {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}, {16, 32, 64, 7}};
    WriteAll("art/four.tga", Tga(2, 2, px));
    for (BOOL is565 : {1, 0}) {
        SetConvert565(is565);
        TgaFile t;
        char path[] = "art\\four.tga";
        ASSERT_EQ(t.Read(path), 1);
        ASSERT_EQ(t.GetPicWidth(), 2);
        for (int i = 0; i < 4; ++i) {
            const Rgba& p = px[size_t(i)];
            const uint16_t want =
                is565 ? P565(p.r, p.g, p.b) : uint16_t((p.r & 0xF8) << 7 | (p.g >> 3) << 5 | p.b >> 3);
            EXPECT_EQ(uint16_t(t.GetTgaData(i % 2, i / 2)->color), want) << i;
            EXPECT_EQ(uint8_t(t.GetTgaData(i % 2, i / 2)->alpha), p.a) << i;
        }
        EXPECT_EQ(t.GetTgaData(2, 0), nullptr);
        EXPECT_EQ(t.GetPicSize(path), 16u);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ImageConvert, RefusedTgaFilesSayWhy)
{
    const std::vector<Rgba> one = {{1, 2, 3, 4}};
    WriteAll("art/d24.tga", Tga(1, 1, one, 2, 24));
    WriteAll("art/type3.tga", Tga(1, 1, one, 3));
    WriteAll("art/desc.tga", Tga(1, 1, one, 2, 32, 0x20));
    struct Case {
        const char* path;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {"art\\missing.tga", "Not find this File!", "Error"},
        {"art\\d24.tga", "art\\d24.tga isn't a 24bit color file or isn't a 32bit \"TGA\" color file!", "Error"},
        {"art\\type3.tga", "No format be surpported", ""},
        {"art\\desc.tga", "not write this part about this format", ""},
    };
    for (const Case& c : cases) {
        host::ClearMessageBoxes();
        TgaFile t;
        std::string path = c.path;
        EXPECT_EQ(t.Read(path.data()), 0) << c.path;
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u) << c.path;
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(t.GetTgaData(), nullptr);
    }
}

TEST_F(ImageConvert, TgaSizesBeyondTheFileAreRefused)
{
    // 65535 x 65535 x 4 does not fit 32 bits; the file holds one pixel.
    auto huge = Tga(1, 1, {{1, 2, 3, 4}});
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    WriteAll("art/huge.tga", huge);
    auto packed = huge;
    packed[2] = 10;
    WriteAll("art/hugepacked.tga", packed);
    auto cut = Tga(3, 3, std::vector<Rgba>(9, Rgba{1, 2, 3, 4}));
    cut.resize(cut.size() - 5);
    WriteAll("art/cut.tga", cut);
    for (const char* p : {"art/huge.tga", "art/hugepacked.tga", "art/cut.tga"}) {
        TgaFile t;
        std::string path = p;
        EXPECT_EQ(t.Read(path.data()), 0) << p;
        EXPECT_EQ(t.GetTgaData(), nullptr);
    }
    TgaFile t;
    char path[] = "art/huge.tga";
    EXPECT_EQ(t.GetPicSize(path), size_t(65535) * 65535 * 4);
}

TEST_F(ImageConvert, TranslateTgaCropsToTheOpaquePixelsButKeepsTheBottom)
{
    // 5 x 4: magenta (the key) everywhere but a 2 x 1 block at (1, 1).
    std::vector<Rgba> px(20, Rgba{255, 0, 255, 0});
    px[1 * 5 + 1] = {200, 100, 50, 255};
    px[1 * 5 + 2] = {10, 20, 30, 90};
    WriteAll("art/hero.tga", Tga(5, 4, px));
    SLBDATA params;
    char folder[] = "out";
    params.outputFolder = folder;
    char path[] = "art\\hero.tga";
    ASSERT_EQ(TranslateOneTGA(path, params), 1);
    EXPECT_EQ(params.crop.left, 1);
    EXPECT_EQ(params.crop.right, 2);
    EXPECT_EQ(params.crop.bottom, 3);
    ASSERT_TRUE(Exists("out/hero.XBM"));

    VPaper* sprite = nullptr;
    ASSERT_EQ(KestuXLoadXBmpFromFile("out\\hero.XBM", sprite), 0);
    EXPECT_EQ(sprite->WhoAmI(), KESTU_WHOAMI_RTBMP);
    EXPECT_EQ(sprite->GetWidth(), 2);
    EXPECT_EQ(sprite->GetHeight(), 3); // rows 1..3: the key rows below stay
    EXPECT_EQ(sprite->IsAlphaCompresse(), 1);
    EXPECT_EQ(sprite->GetTransColor(), 0xF81F);
    std::vector<uint16_t> out(6, 0);
    sprite->GetDataHead(out.data());
    EXPECT_EQ(out, (std::vector<uint16_t>{P565(200, 100, 50), P565(10, 20, 30), 0, 0, 0, 0}));
    delete sprite;
    std::remove("out/hero.XBM");
}

TEST_F(ImageConvert, AllKeyPictureWritesNothing)
{
    WriteAll("art/empty.tga", Tga(2, 2, std::vector<Rgba>(4, Rgba{255, 0, 255, 255})));
    SLBDATA params;
    char folder[] = "out";
    params.outputFolder = folder;
    char path[] = "art\\empty.tga";
    EXPECT_EQ(TranslateOneTGA(path, params), 1);
    EXPECT_FALSE(Exists("out/empty.XBM"));
}

TEST_F(ImageConvert, PathsWithoutSeparatorOrDotAreNamed)
{
    WriteAll("plainname", Tga(1, 1, {{9, 9, 9, 255}}));
    SLBDATA params;
    char folder[] = "out";
    params.outputFolder = folder;
    char path[] = "plainname";
    EXPECT_EQ(TranslateOneTGA(path, params), 1);
    EXPECT_TRUE(Exists("out/plainname.XBM"));
    std::remove("out/plainname.XBM");
    std::remove("plainname");

    host::ClearMessageBoxes();
    char folderMissing[] = "no_such_folder";
    params.outputFolder = folderMissing;
    char again[] = "art\\four.tga";
    WriteAll("art/four.tga", Tga(1, 1, {{9, 9, 9, 255}}));
    EXPECT_EQ(TranslateOneTGA(again, params), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Not Create OutPut File!");
    EXPECT_EQ(Boxes()[0].caption, "error");
}

TEST_F(ImageConvert, PcxRunsAndEightBitIndexes)
{
    // 0xC3 0x7F is three bytes 0x7F; the rest are literals.
    std::vector<uint8_t> file = Pcx(4, 2, 1, {});
    file.insert(file.end(), {0xC3, 0x7F, 0x01, 0x02, 0xC2, 0x05, 0x06, 0x07});
    WriteAll("art/idx.pcx", file);
    PcxFile p;
    char path[] = "art/idx.pcx";
    ASSERT_EQ(p.Read(path), 1);
    EXPECT_TRUE(p.Is8Bits());
    const auto* idx = static_cast<const uint8_t*>(p.GetPcxData());
    EXPECT_EQ(std::vector<uint8_t>(idx, idx + 8),
              (std::vector<uint8_t>{0x7F, 0x7F, 0x7F, 0x01, 0x02, 0x05, 0x05, 0x06}));
    // 8-bit pictures are refused by the converter.
    XBmpBase* out = nullptr;
    RECT crop{0, 0, 0, 0};
    EXPECT_EQ(ConvertPcxToXbmp(out, crop, &p, 0xF81F, 0), 0);
    EXPECT_EQ(out, nullptr);
}

TEST_F(ImageConvert, Pcx24ConvertsWithItsCrop)
{
    // 3 x 2, planes red, green, blue per row.
    const std::vector<uint8_t> lines = {255, 0, 10, 0, 0, 20, 255, 0, 30, // row 0
                                        1,   2, 3,  4, 5, 6,  7,   8, 9}; // row 1
    WriteAll("art/pic.pcx", Pcx(3, 2, 3, lines));
    PcxFile p;
    char path[] = "art/pic.pcx";
    ASSERT_EQ(p.Read(path), 1);
    ASSERT_EQ(p.GetPicWidth(), 3);
    const auto* px = static_cast<const uint16_t*>(p.GetPcxData());
    EXPECT_EQ(px[0], 0xF81F);
    EXPECT_EQ(px[2], uint16_t((10 * 32 >> 8) << 11 | (20 * 64 >> 8) << 5 | (30 * 32 >> 8)));
    EXPECT_EQ(p.GetPicSize(path), 6u);

    // A crop reaching past the right edge keeps to the picture: 2 columns from left 1.
    XBmpBase* out = nullptr;
    RECT crop{1, 0, 3, 1};
    ASSERT_EQ(ConvertPcxToXbmp(out, crop, &p, 0xF81F, XCONV_COMPRESS), 1);
    EXPECT_EQ(crop.right, 2);
    EXPECT_EQ(out->GetHeader().width, 2u);
    EXPECT_EQ(out->GetHeader().height, 2u);
    EXPECT_EQ(out->GetHeader().alpha, 0);
    EXPECT_EQ(XbmCheckImage(out->GetData(), out->GetSize()), 1);
    delete out;

    SLBDATA params;
    char folder[] = "out";
    params.outputFolder = folder;
    params.pixelFormat = 15;
    char winPath[] = "art\\pic.pcx";
    ASSERT_EQ(TranslateOne(winPath, params), 1);
    const auto file = ReadAll("out/pic.XBM");
    XBMFILEHEADER h;
    ASSERT_TRUE(h.Read(file.data(), file.size()));
    EXPECT_EQ(h.pixelFormat, 15);
    EXPECT_EQ(h.transColor, 0x7C1F);
    EXPECT_EQ(h.width, 3u);
    std::remove("out/pic.XBM");
}

TEST_F(ImageConvert, RefusedPcxFiles)
{
    auto fourBit = Pcx(2, 1, 1, {1, 2});
    fourBit[3] = 4;
    WriteAll("art/four.pcx", fourBit);
    WriteAll("art/narrow.pcx", Pcx(4, 1, 3, {1, 2, 3, 4, 5, 6}, 2));
    auto cut = Pcx(3, 2, 3, std::vector<uint8_t>(18, 1));
    cut.resize(cut.size() - 4);
    WriteAll("art/cut.pcx", cut);

    host::ClearMessageBoxes();
    PcxFile p;
    char four[] = "art\\four.pcx";
    EXPECT_EQ(p.Read(four), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "art\\four.pcx isn't a 24bit color file !");
    for (const char* name : {"art/narrow.pcx", "art/cut.pcx"}) {
        PcxFile q;
        std::string path = name;
        EXPECT_EQ(q.Read(path.data()), 0) << name;
        EXPECT_EQ(q.GetPcxData(), nullptr);
    }
    host::ClearMessageBoxes();
    char missing[] = "art/none.pcx";
    EXPECT_EQ(p.Read(missing), 0);
    EXPECT_EQ(Boxes().at(0).text, "Not find this File!");
}

TEST(PixelTools, DeclinedTableScalesEachChannel)
{
    std::vector<unsigned short> table(3 * 65536, 0xAAAA);
    BuildDeclinedTable(table.data(), 4, 16);
    EXPECT_EQ(table[65536 + 0xFFFF], 0x7BEF); // level 2
    EXPECT_EQ(table[0xFFFF], uint16_t((31 / 4) << 11 | (63 / 4) << 5 | 31 / 4));
    EXPECT_EQ(table[2 * 65536 + 0x0841], uint16_t((1 * 3 / 4) << 11 | (2 * 3 / 4) << 5 | 1 * 3 / 4));
    BuildDeclinedTable(table.data(), 2, 15);
    EXPECT_EQ(table[0x7FFF], uint16_t(15 << 10 | 15 << 5 | 15));
    std::vector<unsigned short> untouched(65536, 0xAAAA);
    BuildDeclinedTable(untouched.data(), 1, 16);
    BuildDeclinedTable(untouched.data(), 4, 24);
    EXPECT_EQ(untouched, std::vector<unsigned short>(65536, 0xAAAA));
}

TEST(PixelTools, PaletteSourcesConvert)
{
    RGBQUAD pal[256] = {};
    pal[1] = RGBQUAD{255, 128, 64, 0}; // blue, green, red
    const uint8_t src[2] = {1, 0};
    uint16_t d16[2] = {};
    EXPECT_EQ(ConvertPixelFormat(d16, 16, 16, src, 8, 8, pal, 2, 1), 1);
    EXPECT_EQ(d16[0], uint16_t((64 * 31 / 255) << 11 | (128 * 63 / 255) << 5 | 31));
    EXPECT_EQ(ConvertPixelFormat(d16, 16, 15, src, 8, 8, pal, 2, 1), 1);
    EXPECT_EQ(d16[0], uint16_t((64 * 31 / 255) << 10 | (128 * 31 / 255) << 5 | 31));
    uint8_t d24[6] = {};
    ConvertPixelFormat(d24, 24, 24, src, 8, 8, pal, 2, 1);
    EXPECT_EQ(std::vector<uint8_t>(d24, d24 + 3), (std::vector<uint8_t>{255, 128, 64}));
}

} // namespace
