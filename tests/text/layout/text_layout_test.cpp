#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include "kestu_textlayout.h"
#include "support/temp_dir.h"
#include "text_fixture.h"

using namespace text_test;

namespace {

// The test font (8-pixel cells; 'A' 7 wide, 'B' 2, '-' 6, ' ' 4, others 4),
// character gap 2 unless a test changes it; buffers 32-bit, 64 x 64.
class TextLayout : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        WriteBytes("l.fnt", FontBytes(TestFont()));
        const char* names[] = {"l.fnt"};
        int flags[] = {1};
        ASSERT_EQ(font.Build(Path("").c_str(), names, 1, nullptr, flags), 1);
    }
    HRESULT Draw(const std::u16string& s, int x = 0, int y = 0, D3DRECT* rect = nullptr, DWORD* lines = nullptr,
                 std::list<SGfxTextHyperlinkInfo>* links = nullptr, std::list<SGfxTextSpaceInfo>* spaces = nullptr)
    {
        return layout.DrawTextToBufferBase(px.data(), 64 * 4, 64, 64, D3DFMT_A8R8G8B8, U(s), -1, x, y, rect, lines,
                                           links, spaces, nullptr);
    }
    uint32_t At(int x, int y) const { return px[size_t(y * 64 + x)]; }

    CGfxFont font;
    Layout layout{&font};
    std::vector<uint32_t> px = std::vector<uint32_t>(64 * 64, 0);
};

} // namespace

TEST(LineBreakRules, EastAsianAndLatin)
{
    EXPECT_FALSE(CGfxTextDeviceBase::CanBreakBetween(0x4E00, 0x3002)); // before a closing character
    EXPECT_FALSE(CGfxTextDeviceBase::CanBreakBetween(0x201C, 0x4E00)); // after an opening character
    EXPECT_TRUE(CGfxTextDeviceBase::CanBreakBetween(0x4E00, 0x4E00));
    EXPECT_FALSE(CGfxTextDeviceBase::CanBreakBetween('a', 'b'));
    EXPECT_TRUE(CGfxTextDeviceBase::CanBreakBetween('a', ' '));
    EXPECT_TRUE(CGfxTextDeviceBase::CanBreakBetween('a', 0));
    EXPECT_FALSE(CGfxTextDeviceBase::CanBreakBetween(0, 'a'));
    EXPECT_TRUE(CGfxTextDeviceBase::CanBreakBetween(0x3002, 0xFF0C)); // closing after closing
    EXPECT_TRUE(CGfxTextDeviceBase::CanBreakBetween(0x201C, 0x3008)); // opening before opening
    EXPECT_FALSE(CGfxTextDeviceBase::CanBreakBetween('(', 'a'));
}

// Every code of the two lists and no other, below 256 and above.
TEST(LineBreakRules, OpeningAndClosingCharacters)
{
    const std::vector<unsigned short> opening = {0x0022, 0x0027, 0x0028, 0x003C, 0x005B, 0x0060, 0x007B, 0x2018,
                                                 0x201C, 0x3008, 0x300A, 0x3014, 0xFF08, 0xFF3B, 0xFF5B};
    const std::vector<unsigned short> closing = {
        0x0021, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x003A, 0x003B,
        0x003D, 0x003E, 0x003F, 0x0040, 0x005C, 0x005D, 0x005E, 0x005F, 0x007C, 0x007D, 0x007E, 0x00B1, 0x00B7, 0x00D7,
        0x00F7, 0x2014, 0x2019, 0x201D, 0x2026, 0x2236, 0x3002, 0x3009, 0x300B, 0x3015, 0xFF01, 0xFF03, 0xFF05, 0xFF09,
        0xFF0A, 0xFF0B, 0xFF0C, 0xFF0F, 0xFF1A, 0xFF1B, 0xFF1F, 0xFF3D, 0xFF5C, 0xFF5D, 0xFF5E, 0xFFE5};
    for (unsigned c = 0; c < 0x10000; ++c) {
        const auto in = [c](const std::vector<unsigned short>& list) {
            return std::find(list.begin(), list.end(), c) != list.end() ? 1 : 0;
        };
        ASSERT_EQ(CGfxTextDeviceBase::IsNoBreakAfter(uint16_t(c)), in(opening)) << c;
        ASSERT_EQ(CGfxTextDeviceBase::IsNoBreakBefore(uint16_t(c)), in(closing)) << c;
    }
}

TEST_F(TextLayout, LinkColourAndPiece)
{
    layout.attri.SetFormat(GFXTF_LINK, 1);
    layout.attri.dwColor = 0xFF111111;
    std::list<SGfxTextHyperlinkInfo> links;
    D3DRECT rect{};
    DWORD lines = 0;
    ASSERT_EQ(Draw(u"B&<0001B&>B", 0, 0, &rect, &lines, &links), S_OK);
    EXPECT_EQ(At(0, 0), 0xFF111111u);
    EXPECT_EQ(At(4, 0), 0xFF0000FFu); // B advances 2 + gap 2
    EXPECT_EQ(At(8, 0), 0xFF111111u);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links.front().wFirst, 7);
    EXPECT_EQ(links.front().wCount, 1);
    EXPECT_EQ(links.front().nLinkID, 1);
    EXPECT_EQ(links.front().left, 4);
    EXPECT_EQ(links.front().right, 8);
    EXPECT_EQ(links.front().bottom, 8);
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(rect.x2, 10); // 12 less the last gap
    EXPECT_EQ(rect.y2, 8);
}

TEST_F(TextLayout, LinkOverTwoLinesAndHitTest)
{
    layout.attri.SetFormat(GFXTF_NOWRAP, 0);
    layout.attri.rcLayout = {0, 0, 20, 64};
    std::list<SGfxTextHyperlinkInfo> links;
    // Four B of 4 each fill 16; the fifth wraps to x 0 on the next line.
    ASSERT_EQ(Draw(u"BB&<0009BBBB&>", 0, 0, nullptr, nullptr, &links), S_OK);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links.front().left, 8);
    EXPECT_EQ(links.back().left, 0);
    EXPECT_EQ(links.back().top, 10);
    SGfxTextFindActiveHyperLink find;
    find.x = 1;
    find.y = 12;
    ASSERT_EQ(layout.CalcActivedHyperLink(&find, 0, 0, U(u"BB&<0009BBBB&>"), -1, 0), S_OK);
    EXPECT_EQ(find.nLinkID, 9);
    find.x = 1;
    find.y = 1;
    layout.CalcActivedHyperLink(&find, 0, 0, U(u"BB&<0009BBBB&>"), -1, 0);
    EXPECT_EQ(find.nLinkID, -1);
}

TEST_F(TextLayout, LinkPieceEndsAtAnExplicitBreak)
{
    // The piece before a break holds none of the break's characters; the next
    // one starts after the whole break, "\r\n" included.
    struct Case {
        std::u16string text;
        uint16_t firstCount, secondFirst, secondCount;
    } cases[] = {
        {u"&<0002A\nA&>", 1, 8, 1},
        {u"&<0002A\rA&>", 1, 8, 1},
        {u"&<0002A\r\nA&>", 1, 9, 1},
        {u"&<0002A\n\nAB&>", 1, 9, 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.text.begin(), k.text.end()));
        std::list<SGfxTextHyperlinkInfo> links;
        DWORD lines = 0;
        ASSERT_EQ(Draw(k.text, 0, 0, nullptr, &lines, &links), S_OK);
        ASSERT_GE(links.size(), 2u);
        EXPECT_EQ(links.front().wFirst, 6);
        EXPECT_EQ(links.front().wCount, k.firstCount);
        EXPECT_EQ(links.front().right, 9); // one A: 7 + gap 2
        EXPECT_EQ(links.back().wFirst, k.secondFirst);
        EXPECT_EQ(links.back().wCount, k.secondCount);
        EXPECT_EQ(links.back().left, 0);
    }
}

TEST_F(TextLayout, OutlineOnAndOffByCodes)
{
    layout.attri.dwOutlineColor = 0xFF00FF00;
    ASSERT_EQ(Draw(u"&5255000000-&199-"), S_OK);
    // The first dash is outlined in red (alpha of the outline colour kept).
    EXPECT_EQ(At(2, 2), 0xFFFF0000u);
    EXPECT_EQ(At(2, 3), 0xFFFFFFFFu);
    // After "&199" the second dash (at 8) has no outline.
    EXPECT_EQ(At(10, 2), 0u);
    EXPECT_EQ(At(10, 3), 0xFFFFFFFFu);
    EXPECT_EQ(layout.attri.dwFormat & GFXTF_OUTLINE, 0u); // the caller's record is untouched
}

TEST_F(TextLayout, ColourCodes)
{
    layout.attri.dwColor = 0x80FFFFFF;
    ASSERT_EQ(Draw(u"&103B&2001002003B&116B&199B"), S_OK);
    EXPECT_EQ(At(0, 0), 0x80FF0000u);
    EXPECT_EQ(At(4, 0), 0x80010203u);
    EXPECT_EQ(At(8, 0), 0x80010203u); // 16 is consumed without effect
    EXPECT_EQ(At(12, 0), 0x80FFFFFFu);
    // Stripped codes take no room and change nothing; "&&" is one '&'.
    layout.attri.bStripCodes = 1;
    std::fill(px.begin(), px.end(), 0);
    D3DRECT r{};
    ASSERT_EQ(Draw(u"&103B", 0, 0, &r), S_OK);
    EXPECT_EQ(At(0, 0), 0x80FFFFFFu);
    layout.attri.bStripCodes = 0;
    D3DRECT amp{};
    ASSERT_EQ(Draw(u"&&", 0, 20, &amp), S_OK);
    EXPECT_EQ(amp.x2, 4); // one '&' of 4
}

TEST_F(TextLayout, SingleLineSkipsBreaksAndStopsAtTheEdge)
{
    layout.attri.dwFormat = GFXTF_SINGLELINE;
    layout.attri.rcLayout = {0, 0, 11, 64};
    D3DRECT r{};
    DWORD lines = 0;
    ASSERT_EQ(Draw(u"B\nBBB", 0, 0, &r, &lines), S_OK);
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(At(4, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(8, 0), 0xFFFFFFFFu);
    EXPECT_EQ(r.x2, 10); // the fourth B would pass 11 and ends the walk
}

TEST_F(TextLayout, SpaceItemLowersItsLine)
{
    layout.attri.SetFormat(GFXTF_SPACEITEM, 1);
    std::list<SGfxTextSpaceInfo> spaces;
    D3DRECT r{};
    ASSERT_EQ(Draw(u"B&30100400007B", 0, 0, &r, nullptr, nullptr, &spaces), S_OK);
    ASSERT_EQ(spaces.size(), 1u);
    const SGfxTextSpaceInfo& s = spaces.front();
    // 40 high on an 8-pixel line: the line drops by 32 and the item sits on its bottom.
    EXPECT_EQ(s.nID, 7);
    EXPECT_EQ(s.left, 4);
    EXPECT_EQ(s.right, 14);
    EXPECT_EQ(s.top, 0);
    EXPECT_EQ(s.bottom, 40);
    EXPECT_EQ(At(0, 32), 0xFFFFFFFFu);
    EXPECT_EQ(At(0, 0), 0u);
    EXPECT_EQ(At(16, 32), 0xFFFFFFFFu);
    EXPECT_EQ(r.y2, 40);
}

TEST_F(TextLayout, WordWrapMovesWordsAndBreaksLongOnes)
{
    layout.attri.dwFormat = GFXTF_WORDWRAP;
    layout.attri.rcLayout = {0, 0, 24, 64};
    DWORD lines = 0;
    D3DRECT r{};
    // B and the space advance 4 each. A space only ends a word after it, so
    // " BB" (10) is measured at 20 with 4 left and starts the second line.
    ASSERT_EQ(Draw(u"BB BB BB", 0, 0, &r, &lines), S_OK);
    EXPECT_EQ(lines, 2u);
    EXPECT_EQ(At(16, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(20, 0), 0u);
    EXPECT_EQ(At(4, 10), 0xFFFFFFFFu);
    EXPECT_EQ(layout.GetLines(U(u"AAAAAAAAA"), -1, 24, lines), S_OK);
    EXPECT_EQ(lines, 5u); // a word of nine A (9 each) is broken by characters, two a line
    EXPECT_EQ(layout.GetLines(U(u"AAAAAAAAA"), -1, 0, lines), S_OK);
    EXPECT_EQ(lines, 1u);
}

TEST_F(TextLayout, UnderlineOfTheActiveLinkAwayFromTheOrigin)
{
    layout.attri.dwFormat = GFXTF_ACTIVELINK;
    layout.attri.nActiveLinkID = 3;
    layout.attri.rcLayout = {30, 30, 60, 60};
    ASSERT_EQ(Draw(u"&<0003BB&>", 30, 30), S_OK);
    EXPECT_EQ(At(30, 30), 0xFFFF0000u);
    // The underline runs on the row below the cells: 2 + gap, then the last 2.
    EXPECT_EQ(At(30, 38), 0xFFFF0000u);
    EXPECT_EQ(At(35, 38), 0xFFFF0000u);
    EXPECT_EQ(At(36, 38), 0u);
}

TEST_F(TextLayout, FramesAndFailures)
{
    layout.attri.dwFormat = GFXTF_NOWRAP | GFXTF_FRAME;
    layout.attri.dwFrameColor = 0xFF00FF00;
    layout.attri.rcLayout = {0, 0, 40, 40};
    ASSERT_EQ(Draw(u"B", 10, 10), S_OK);
    EXPECT_EQ(At(10, 10), 0xFF00FF00u); // the text's frame over its first column
    EXPECT_EQ(At(11, 17), 0xFF00FF00u);
    // With no wrapping the layout rectangle is the buffer, which a frame cannot lie inside.
    EXPECT_EQ(At(0, 0), 0u);

    layout.attri.dwFormat = 0;
    layout.attri.rcLayout = {0, 0, 20, 64};
    EXPECT_EQ(Draw(u"B", 20, 0), E_FAIL); // the pen starts on the right edge
    layout.attri.dwFormat = GFXTF_NOWRAP;
    EXPECT_EQ(Draw(u"B", 63, 0), E_FAIL); // the first character does not fit the buffer
    EXPECT_EQ(Draw(u"", 0, 0), S_OK);
    EXPECT_EQ(layout.DrawTextToBufferBase(px.data(), 256, 64, 64, D3DFMT_A8R8G8B8, nullptr, -1, 0, 0, nullptr, nullptr,
                                          nullptr, nullptr, nullptr),
              E_FAIL);
    EXPECT_EQ(layout.Create(nullptr), E_INVALIDARG);
}

TEST_F(TextLayout, MeasuringMultiLineTextKeepsItsWidth)
{
    // The default attributes do not wrap and have a right edge of 0.
    D3DRECT r{5, 5, 0, 0};
    DWORD lines = 0;
    ASSERT_EQ(layout.CalcRect(U(u"AA\nB"), -1, GFXTF_NOWRAP, &r, lines), S_OK);
    EXPECT_EQ(lines, 2u);
    EXPECT_EQ(r.x2 - r.x1, 16);
    EXPECT_EQ(r.y2 - r.y1, 18);
    // Wrapped text is capped at the edge it wrapped at.
    layout.attri.rcLayout = {0, 0, 20, 0};
    D3DRECT w{0, 0, 20, 0};
    ASSERT_EQ(layout.CalcRect(U(u"BBBBBBBB"), -1, 0, &w, lines), S_OK);
    EXPECT_EQ(lines, 2u);
    EXPECT_LE(w.x2, 20);
    EXPECT_EQ(layout.attri.dwFormat, unsigned(GFXTF_NOWRAP)); // attributes restored

    DWORD height = 0;
    std::list<SGfxTextSpaceInfo> spaces;
    layout.attri.SetFormat(GFXTF_SPACEITEM, 1);
    ASSERT_EQ(layout.CalcAllInfo_Lines(U(u"&30100200001B"), -1, 0, 0, 100, &lines, nullptr, &spaces, nullptr, &height,
                                       nullptr, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(lines, 1u);
    EXPECT_EQ(height, 20u);
    EXPECT_EQ(spaces.size(), 1u);
    D3DRECT empty{3, 4, 9, 9};
    ASSERT_EQ(layout.CalcRect(U(u""), -1, 0, &empty, lines), S_OK);
    EXPECT_EQ(empty.x2, 3);
    EXPECT_EQ(lines, 0u);
    EXPECT_EQ(layout.CalcRect(nullptr, -1, 0, &empty, lines), E_FAIL);
}

TEST_F(TextLayout, CallbackSetsTheLinkColour)
{
    layout.attri.pfnHyperlink = [](SGfxHyperlinkCallbackResult* r, int id, int, SGfxTextAttriBase*,
                                   const unsigned short*, const unsigned short* after) -> long {
        r->dwColor = id == 5 && after[0] == 'B' ? 0xFF123456 : 0xFF000001;
        return 0;
    };
    ASSERT_EQ(Draw(u"&<0005B&>B"), S_OK);
    EXPECT_EQ(At(0, 0), 0xFF123456u);
    EXPECT_EQ(At(4, 0), 0xFFFFFFFFu);
}
