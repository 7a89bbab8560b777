#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kestu_gfxfont.h"
#include "support/temp_dir.h"
#include "text_fixture.h"

using namespace text_test;

namespace {

class GfxFontTest : public TempDirTest {
protected:
    // Font 0: the test font in table mode with only 'A', '-' and '?' mapped,
    // 'A' in the last slot; every other code 7 wide.
    void SetUp() override
    {
        TempDirTest::SetUp();
        SynthFont f = TestFont();
        f.otherWidth = 7;
        WriteBytes("g.fnt", FontBytes(f));
        WriteBytes("g.tib", TibBytes({{{'-', 0}, {'?', 1}, {'A', 2}}}));
        char name[] = "g.fnt";
        char* names[] = {name};
        ASSERT_EQ(font.Build(Path("").c_str(), names, 1, "g.tib", nullptr), 1);
    }
    // ink as '#', outline as 'o', untouched as '.' of a 32-bit buffer.
    std::vector<std::string> Rows(const std::vector<uint32_t>& px, int w, int h, uint32_t ink, uint32_t ring)
    {
        std::vector<std::string> rows;
        for (int y = 0; y < h; ++y) {
            std::string r;
            for (int x = 0; x < w; ++x) {
                const uint32_t v = px[size_t(y * w + x)];
                r += v == ink ? '#' : v == ring ? 'o' : '.';
            }
            rows.push_back(r);
        }
        return rows;
    }
    CGfxFont font;
};

} // namespace

TEST_F(GfxFontTest, WidthsAndTypes)
{
    // Average of the mapped codes ('-' 6, '?' 8, 'A' 7) is 7: the space is 3 here.
    EXPECT_EQ(font.GetCxFont(0, 0), 7);
    EXPECT_EQ(font.GetCxFont(32, 0), 3);
    EXPECT_EQ(font.GetCxFont('A', -1), 7);
    EXPECT_EQ(font.GetCyFont('A', 9), 8);
    font.SetFontType(7);
    EXPECT_EQ(font.GetFontType(), 0);
    font.SetFontType(3);
    EXPECT_EQ(font.GetFontType(), 3);
    EXPECT_EQ(font.GetCxFont('A', -1), 0); // type 3 holds no font
    EXPECT_TRUE(CGfxFont::IsValidFormat(D3DFMT_A1R5G5B5));
    EXPECT_FALSE(CGfxFont::IsValidFormat(D3DFMT_A4R4G4B4));
}

TEST_F(GfxFontTest, UnmappedCodeDrawsQuestionMarkWithItsOwnAdvance)
{
    std::vector<uint32_t> px(8 * 8, 0);
    EXPECT_EQ(font.DrawCharToBuffer(px.data(), 0, 0, 32, D3DFMT_A8R8G8B8, 0x4E00, 0xFF00FF00, 0, 0, 0), 7);
    const auto rows = Rows(px, 8, 8, 0xFF00FF00, 1);
    EXPECT_EQ(rows[0], "#......#");
    EXPECT_EQ(rows[3], "...##...");
}

TEST_F(GfxFontTest, LastSlotReadsOnlyItsOwnRows)
{
    // 'A' sits in the last slot: the blitter must not read beyond it (ASan).
    std::vector<uint32_t> px(8 * 8, 0);
    font.DrawCharToBuffer(px.data(), 0, 0, 32, D3DFMT_X8R8G8B8, 'A', 0x00123456, 0, 1, 0x00ABCDEF);
    const auto rows = Rows(px, 8, 8, 0x00123456, 0x00ABCDEF);
    EXPECT_EQ(rows[0], "######o.");
    EXPECT_EQ(rows[1], "#oooo#o.");
    EXPECT_EQ(rows[7], "oooooo..");
}

TEST_F(GfxFontTest, OutlineTouchesFourNeighboursOnly)
{
    std::vector<uint32_t> px(8 * 8, 0);
    font.DrawCharToBuffer(px.data(), 0, 0, 32, D3DFMT_A8R8G8B8, '-', 0xFFFFFFFF, 0, 1, 0xFF000000);
    const auto rows = Rows(px, 8, 8, 0xFFFFFFFF, 0xFF000000);
    EXPECT_EQ(rows[1], "........");
    EXPECT_EQ(rows[2], "..oooo..");
    EXPECT_EQ(rows[3], ".o####o.");
    EXPECT_EQ(rows[4], "..oooo..");
    // Plain drawing leaves the background as it is.
    std::vector<uint32_t> plain(8 * 8, 5);
    font.DrawCharToBuffer(plain.data(), 0, 0, 32, D3DFMT_A8R8G8B8, '-', 0xFFFFFFFF, 0, 0, 0xFF000000);
    EXPECT_EQ(Rows(plain, 8, 8, 0xFFFFFFFF, 0xFF000000)[2], "........");
    EXPECT_EQ(plain[2 * 8 + 3], 5u);
}

TEST_F(GfxFontTest, SixteenBitFormats)
{
    struct Case {
        D3DFORMAT format;
        DWORD colour;
        uint16_t expected;
    } cases[] = {
        {D3DFMT_R5G6B5, 0xFFFF8040, uint16_t((0xFF >> 3) << 11 | (0x80 >> 2) << 5 | (0x40 >> 3))},
        {D3DFMT_X1R5G5B5, 0xFFFF8040, uint16_t((0xFF >> 3) << 10 | (0x80 >> 3) << 5 | (0x40 >> 3))},
        {D3DFMT_A1R5G5B5, 0xFFFF8040, uint16_t(0x8000 | (0xFF >> 3) << 10 | (0x80 >> 3) << 5 | (0x40 >> 3))},
        {D3DFMT_A1R5G5B5, 0x00FF8040, uint16_t((0xFF >> 3) << 10 | (0x80 >> 3) << 5 | (0x40 >> 3))},
    };
    for (const Case& c : cases) {
        std::vector<uint16_t> px(16 * 8, 0);
        font.DrawCharToBuffer(px.data(), 4, 1, 32, c.format, '-', c.colour, 0, 0, 0);
        EXPECT_EQ(px[4 * 16 + 4 + 2], c.expected) << c.format;
        EXPECT_EQ(px[4 * 16 + 4 + 1], 0);
    }
    std::vector<uint32_t> px(8 * 8, 0);
    EXPECT_EQ(font.DrawCharToBuffer(px.data(), 0, 0, 32, D3DFMT_A4R4G4B4, '-', 0xFFFFFFFF, 0, 0, 0), 6);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0u), 64);
}

TEST_F(GfxFontTest, ClippedDrawingStaysInTheBuffer)
{
    // A 5 x 5 buffer: the 8 x 8 cell of '?' at (2, 2) is cut at both edges.
    std::vector<uint32_t> px(5 * 5, 0);
    font.DrawCharClipped(px.data(), 2, 2, 20, D3DFMT_A8R8G8B8, '?', 0xFFFFFFFF, 0, 1, 0xFF000000, 5, 5);
    EXPECT_EQ(px[2 * 5 + 2], 0xFFFFFFFFu);
    EXPECT_EQ(px[4 * 5 + 4], 0xFFFFFFFFu);
    EXPECT_EQ(px[0], 0u);
}
