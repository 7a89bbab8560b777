#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "2DCore/MemBuf.h"
#include "kestu_pixelformat.h"
#include "kestu_textdevice.h"
#include "support/temp_dir.h"
#include "text_fixture.h"

using namespace text_test;

namespace {

// A device on the test font: 8-pixel cells, 'A' 7 wide, 'B' 2, '-' 6, ' ' 4,
// everything else 4 (and blank); word gap 1, line gap 2.
class TextDevice2D : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        WriteBytes("f.fnt", FontBytes(TestFont()));
        const char* names[] = {"f.fnt"};
        int flags[] = {1};
        ASSERT_EQ(buffer.Build(Path("").c_str(), names, 1, nullptr, flags), 1);
        device.SetFont(&font);
        device.SetForeGround(0x1111);
    }
    void TearDown() override
    {
        hardware.m_nPixelFormat = 16;
        TempDirTest::TearDown();
    }
    // The colour of the first ink pixel (top-left of 'A' or 'B') at (x, y).
    uint32_t At(MemBuf& dst, int x, int y) { return dst.Get(x, y); }

    CPointFontBuffer buffer;
    XFont font{0, &buffer};
    CTextDevice device;
};

} // namespace

TEST_F(TextDevice2D, ColourCodesChangeAndRestoreTheForeground)
{
    MemBuf dst(64, 16, 16);
    std::u16string s = u"B&103B&199B&1998B";
    device.Out(&dst, UW(s), 0, 0, -1);
    // Advances: B 2 + gap 1.
    EXPECT_EQ(At(dst, 0, 0), 0x1111u);
    EXPECT_EQ(At(dst, 3, 0), 0xF800u); // palette 3, red, on a 565 screen
    EXPECT_EQ(At(dst, 6, 0), 0x1111u); // 99 restores
    // The remembered colour stays: a second "&199" restores it again; then
    // "8" is a character of its own.
    EXPECT_EQ(At(dst, 9 + 5, 0), 0x1111u);
    EXPECT_EQ(device.GetForeGround(), 0x1111); // the string's foreground comes back
}

// The 2D text knows only '&' and three digits: any other such escape is four
// characters consumed without effect, although the layout of the texture
// text would read "&2" as the start of a longer code.
TEST_F(TextDevice2D, OtherEscapesAreFourCharactersWithoutEffect)
{
    MemBuf dst(64, 16, 16);
    std::u16string s = u"B&205B&012B";
    device.Out(&dst, UW(s), 0, 0, -1);
    EXPECT_EQ(At(dst, 3, 0), 0x1111u);
    EXPECT_EQ(At(dst, 6, 0), 0x1111u);
    EXPECT_EQ(At(dst, 9, 0), 0u);
    GRECT r;
    device.GetOutputRect(r, UW(s));
    EXPECT_EQ(r.width, 9);
    std::u16string cut = u"B&20"; // too short: drawn as characters
    device.GetOutputRect(r, UW(cut));
    EXPECT_EQ(r.width, 3 + 3 * 5);
}

TEST_F(TextDevice2D, FirstColourCodeNinetyNineSetsWhite)
{
    MemBuf dst(32, 16, 16);
    std::u16string s = u"&199B";
    device.Out(&dst, UW(s), 0, 0, -1);
    EXPECT_EQ(At(dst, 0, 0), 0xFFFFu);
}

TEST_F(TextDevice2D, PaletteFollowsTheScreenFormat)
{
    hardware.m_nPixelFormat = 15;
    EXPECT_EQ(TextColourByIndex(4), 0x0421);
    EXPECT_EQ(TextColourByIndex(2), 0x7183);
    EXPECT_EQ(TextColourByIndex(16), 0x7FFF);
    hardware.m_nPixelFormat = 16;
    EXPECT_EQ(TextColourByIndex(4), 0x0861);
    EXPECT_EQ(TextColourByIndex(15), 0x6B4D);
    EXPECT_EQ(TextColourByIndex(-1), 0xFFFF);
}

TEST_F(TextDevice2D, ShadowSkipsCodesForOneString)
{
    MemBuf dst(64, 16, 16);
    device.SetShowShadowMood(1);
    std::u16string s = u"B&103B";
    device.Out(&dst, UW(s), 0, 0, -1);
    EXPECT_EQ(At(dst, 0, 0), 0x0861u);
    EXPECT_EQ(At(dst, 3, 0), 0x0861u);
    EXPECT_FALSE(device.IsShowShadowMood());
    EXPECT_EQ(device.GetForeGround(), 0x1111);
    device.Out(&dst, UW(s), 0, 8, -1);
    EXPECT_EQ(At(dst, 3, 8), 0xF800u);
}

TEST_F(TextDevice2D, ClipBandAndView)
{
    MemBuf dst(64, 32, 16);
    std::u16string s = u"BBBB";
    device.Out(&dst, UW(s), 0, 0, 5); // band 5 wide: the first two B only
    EXPECT_EQ(At(dst, 3, 0), 0x1111u);
    EXPECT_EQ(At(dst, 6, 0), 0u);
    const GRECT view(0, 0, 7, 32);
    device.SetView(&view);
    device.Out(&dst, UW(s), 0, 10, -1);
    EXPECT_EQ(At(dst, 6, 10), 0x1111u);
    EXPECT_EQ(At(dst, 9, 10), 0u);
}

TEST_F(TextDevice2D, LineBreaks)
{
    std::u16string one = u"A\r\nA";
    std::u16string two = u"A\n\rA";
    std::u16string none = u"AB";
    EXPECT_EQ(device.GetOutputLineNumber(UW(one)), 2);
    EXPECT_EQ(device.GetOutputLineNumber(UW(two)), 3);
    EXPECT_EQ(device.GetOutputLineNumber(UW(none)), 1);
    EXPECT_EQ(device.GetOutputLineNumber(nullptr), 0);
    std::u16string empty;
    EXPECT_EQ(device.GetOutputLineNumber(UW(empty)), 0);

    MemBuf dst(32, 32, 16);
    device.Out(&dst, UW(one), 0, 0, -1);
    EXPECT_EQ(At(dst, 0, 10), 0x1111u); // second line at 8 + gap 2
    EXPECT_EQ(At(dst, 0, 0), 0x1111u);
}

TEST_F(TextDevice2D, WrappingMovesLatinWordsWholeAndBreaksAfterWideCharacters)
{
    device.AutoNewLine(1);
    const GRECT view(0, 0, 20, 64);
    device.SetView(&view);
    // "AA AA": A advances 8 with its gap, the space 5; the second word would
    // end at 29 > 20 and moves whole to the next line.
    MemBuf dst(32, 64, 16);
    std::u16string s = u"AA AA";
    device.Out(&dst, UW(s), 0, 0, -1);
    EXPECT_EQ(device.GetOutputLineNumber(UW(s)), 2);
    EXPECT_EQ(At(dst, 0, 10), 0x1111u);
    EXPECT_EQ(At(dst, 8, 10), 0x1111u);
    EXPECT_EQ(At(dst, 16, 0), 0u); // nothing of the second word stayed behind

    // Characters above 255 end a word each: five of 5 pixels wrap after three.
    std::u16string cjk = u"\u4E00\u4E01\u4E02\u4E03\u4E04";
    EXPECT_EQ(device.GetOutputLineNumber(UW(cjk)), 2);
    // A Latin word wider than the line is broken at the edge, not pushed down forever.
    std::u16string longWord = u"AAAAAAA";
    EXPECT_EQ(device.GetOutputLineNumber(UW(longWord)), 4);
}

TEST_F(TextDevice2D, OutputRectAndPagination)
{
    std::u16string s = u"AB&103\nA";
    GRECT r;
    device.GetOutputRect(r, UW(s));
    EXPECT_EQ(r.width, 8 + 3);
    EXPECT_EQ(r.height, 16);

    std::u16string text = u"a\nb\nc\nd\ne";
    int pages[4] = {-1, -1, -1, -1};
    EXPECT_EQ(device.Pagination(pages, UW(text), 2, 4, 0), 1);
    EXPECT_EQ(pages[0], 0);
    EXPECT_EQ(pages[1], 4);
    EXPECT_EQ(pages[2], 8);
    EXPECT_EQ(pages[3], -1);
    std::u16string even = u"a\nb\nc\nd";
    int two[4] = {-1, -1, -1, -1};
    device.Pagination(two, UW(even), 2, 4, 0);
    EXPECT_EQ(two[1], 4);
    EXPECT_EQ(two[2], 7); // the text ends on a page boundary: its end is stored
    int one[1] = {-1};
    device.Pagination(one, UW(text), 1, 1, 0);
    EXPECT_EQ(one[0], 0);
}

TEST_F(TextDevice2D, OutIntAndAssignment)
{
    MemBuf dst(64, 16, 16);
    device.OutInt(&dst, -42, 0, 0, -1); // '-' has ink at row 3 from x 2
    EXPECT_EQ(At(dst, 2, 3), 0x1111u);
    CTextDevice copy(device);
    EXPECT_EQ(copy.GetFont(), &font);
    CTextDevice assigned;
    assigned = device; // assignment takes the global font of the type
    EXPECT_EQ(assigned.GetFont(), &FontASCII_Stroke02);
    EXPECT_EQ(g_TextDevice.GetFontType(), FONT_TYPE_NONE);
}

TEST(StrInsert, FrontEndAndPlaceholders)
{
    std::u16string buf(64, u'\0');
    const std::u16string start = u"one &001 two &002 three";
    std::copy(start.begin(), start.end(), buf.begin());
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u"X"), 2, 64), 1);
    EXPECT_EQ(std::u16string(buf.c_str()), u"one &001 two X three");
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u">"), -1, 64), 1);
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u"<"), -2, 64), 1);
    EXPECT_EQ(std::u16string(buf.c_str()), u">one &001 two X three<");
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u"Y"), 7, 64), 0);
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u"Y"), 100, 64), 0);
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), nullptr, 1, 64), 0);
    // The text and the insertion must leave room for the NUL.
    const size_t n = std::u16string(buf.c_str()).size();
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u"12"), -2, (unsigned long)(n + 2)), 0);
    EXPECT_EQ(Gfx_StrInsertW(UW(buf), U(u"12"), -2, (unsigned long)(n + 3)), 1);

    // A placeholder is "&0" and two digits, so "&0123" names 12 and keeps the 3.
    char a[32] = "x&0123y";
    EXPECT_EQ(Gfx_StrInsertA(a, "Z", 123, sizeof a), 0);
    EXPECT_EQ(Gfx_StrInsertA(a, "Z", 12, sizeof a), 1);
    EXPECT_STREQ(a, "xZ3y");
}

TEST(StrInsert, LongTailsAndInsertionsFromTheTextItself)
{
    // A tail far beyond 16,384 characters moves whole.
    std::string text = "&05" + std::string(1, '7') + std::string(40000, 'q') + "end";
    text.resize(text.size() + 100, '\0');
    ASSERT_EQ(Gfx_StrInsertA(text.data(), "[inserted]", 57, (unsigned long)text.size()), 1);
    const std::string result(text.c_str());
    EXPECT_EQ(result.substr(0, 10), "[inserted]");
    EXPECT_EQ(result.size(), 10 + 40000 + 3);
    EXPECT_EQ(result.substr(result.size() - 3), "end");

    char self[32] = "abc";
    EXPECT_EQ(Gfx_StrInsertA(self, self + 1, -1, sizeof self), 1);
    EXPECT_STREQ(self, "bcabc");
}
