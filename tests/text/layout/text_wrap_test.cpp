// Where the layout breaks lines and places characters: long words without a
// break point, prose, East Asian text, codes and links inside words, explicit
// breaks and space items, checked against hand-worked layouts, against a
// plain re-statement of the wrapping rules, and on words of thousands of
// characters.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kestu_textlayout.h"
#include "kestu_textmarkup.h"
#include "support/temp_dir.h"
#include "text_fixture.h"

using namespace text_test;

namespace {

// Each glyph is one ink pixel in its cell's top-left corner, so the drawn
// pixels are the pen positions. Cells 8 high; 'a' 5 wide, 'b' 3, 'W' 9,
// U+4E00 8, U+3002 6, the space half the average width (2), the rest 4.
SynthFont DotFont()
{
    SynthFont f;
    f.otherWidth = 4;
    const std::u16string inked = u"abW &<>0123456789()\".,!?-\u4E00\u3002\u201C\u201D";
    for (char16_t c : inked) {
        f.glyphs[c] = {"#"};
        f.widths[c] = 4;
    }
    f.widths['a'] = 5;
    f.widths['b'] = 3;
    f.widths['W'] = 9;
    f.widths[0x4E00] = 8;
    f.widths[0x3002] = 6;
    return f;
}

constexpr int kLineStep = 10; // 8-pixel cells and the line gap 2
constexpr int kGap = 2;

// What one walk produced: the pen of every drawn glyph in reading order,
// and the measurements.
struct Laid {
    HRESULT hr = E_FAIL;
    std::vector<std::pair<int, int>> pens; // (x, y)
    D3DRECT rect{};
    DWORD lines = 0;
    std::list<SGfxTextHyperlinkInfo> links;
    std::list<SGfxTextSpaceInfo> spaces;
};

class TextWrap : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        WriteBytes("dot.fnt", FontBytes(DotFont()));
        const char* names[] = {"dot.fnt"};
        int flags[] = {1};
        ASSERT_EQ(font.Build(Path("").c_str(), names, 1, nullptr, flags), 1);
        ASSERT_EQ(font.GetCxFont(' ', 0), 2);
    }

    // Lays the text out in the rectangle (0, 0, right, unbounded) with the
    // flags: measuring only, then drawing into a buffer that holds every
    // line; both walks must agree on what they measure.
    Laid Lay(const std::u16string& s, unsigned flags, int right)
    {
        layout.attri.dwFormat = flags;
        layout.attri.rcLayout = {0, 0, right, 0x7FFFFFFF};
        Laid measured;
        measured.hr =
            layout.DrawTextToBufferBase(nullptr, 0, -1, -1, D3DFMT_A8R8G8B8, U(s), int(s.size()), 0, 0, &measured.rect,
                                        &measured.lines, &measured.links, &measured.spaces, nullptr);
        const int width = right + 16;
        const int height = std::max<int>(measured.rect.y2, 0) + 16;
        std::vector<uint32_t> px(size_t(width) * size_t(height), 0);
        Laid out;
        out.hr = layout.DrawTextToBufferBase(px.data(), width * 4, width, height, D3DFMT_A8R8G8B8, U(s), int(s.size()),
                                             0, 0, &out.rect, &out.lines, &out.links, &out.spaces, nullptr);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (px[size_t(y) * size_t(width) + size_t(x)] != 0) out.pens.emplace_back(x, y);
        EXPECT_EQ(measured.hr, out.hr);
        EXPECT_EQ(measured.rect.x2, out.rect.x2);
        EXPECT_EQ(measured.rect.y2, out.rect.y2);
        EXPECT_EQ(measured.lines, out.lines);
        EXPECT_EQ(Pieces(measured.links), Pieces(out.links));
        EXPECT_EQ(measured.spaces.size(), out.spaces.size());
        return out;
    }

    // The pens of lines of placed characters, each line starting at x 0 and
    // `kLineStep` below the one before.
    std::vector<std::pair<int, int>> PensOf(const std::vector<std::u16string>& lines) const
    {
        std::vector<std::pair<int, int>> pens;
        for (size_t k = 0; k < lines.size(); ++k) {
            int x = 0;
            for (char16_t c : lines[k]) {
                pens.emplace_back(x, int(k) * kLineStep);
                x += font.GetCxFont(c, 0) + kGap;
            }
        }
        return pens;
    }

    // A link piece as (id, first, count, left, top, right).
    static std::vector<std::vector<int>> Pieces(const std::list<SGfxTextHyperlinkInfo>& links)
    {
        std::vector<std::vector<int>> v;
        for (const SGfxTextHyperlinkInfo& l : links)
            v.push_back({l.nLinkID, l.wFirst, l.wCount, l.left, l.top, l.right});
        return v;
    }

    CGfxFont font;
    Layout layout{&font};
};

std::string Narrow(const std::u16string& s)
{
    std::string n;
    for (char16_t c : s) n += c < 128 ? char(c) : '?';
    return n;
}

} // namespace

// Hand-worked layouts. Advances (width + gap 2): 'a' 7, 'b' 5, 'W' 11, ' ' 4,
// U+4E00 10, U+3002 8, '&' and digits 6. A character is placed where it does
// not pass the right edge, so a line of a holds k with 7(k - 1) + 5 <= right.
TEST_F(TextWrap, LinesOfHandWorkedTexts)
{
    const unsigned ww = GFXTF_WORDWRAP;
    struct Case {
        std::u16string text;
        unsigned flags;
        int right;
        std::vector<std::u16string> lines;
    } cases[] = {
        // A word wider than the box is broken where it meets the edge, with
        // or without word wrap: three a in 24 (19 + 7 passes it).
        {u"aaaaaaaaaa", ww, 24, {u"aaa", u"aaa", u"aaa", u"a"}},
        {u"aaaaaaaaaa", 0, 24, {u"aaa", u"aaa", u"aaa", u"a"}},
        {u"aaaaaa", ww, 5, {u"a", u"a", u"a", u"a", u"a", u"a"}},
        // A box narrower than one character still places one a line.
        {u"aaaa", ww, 4, {u"a", u"a", u"a", u"a"}},
        // Codes take no room and do not break the word; "&&" is one '&' (6).
        {u"aa&103aa&2255000000aa&199aa", ww, 24, {u"aaa", u"aaa", u"aa"}},
        {u"aa&&aa&&", ww, 24, {u"aa&", u"aa&"}},
        // The long word starts right after the short one that fits (a, b
        // and the space are 16); its end continues the line it broke on.
        {u"ab aaaaaaa", ww, 24, {u"ab a", u"aaa", u"aaa"}},
        // After the long word a space ends it; "ab" (10) then goes where it fits.
        {u"aaaaaaa ab ab", ww, 24, {u"aaa", u"aaa", u"a ab", u" ab"}},
        {u"aaaaaaa ab ab", 0, 24, {u"aaa", u"aaa", u"a ab", u" ab"}},
        // Prose: words move whole, and a space belongs to the word after it
        // (" ab" is 14). Without word wrap the edge splits words.
        {u"ab ab ab ab", ww, 30, {u"ab ab", u" ab ab"}},
        {u"ab ab ab ab", ww, 24, {u"ab", u" ab", u" ab", u" ab"}},
        {u"ab ab ab ab", 0, 24, {u"ab a", u"b ab ", u"ab"}},
        // East Asian text breaks after any character, never before U+3002
        // nor after U+201C: "一。" is one word, "“一" another.
        {u"\u4E00\u4E00\u4E00\u3002\u201C\u4E00\u4E00",
         ww,
         30,
         {u"\u4E00\u4E00", u"\u4E00\u3002", u"\u201C\u4E00\u4E00"}},
        // Latin glued to East Asian text: the word ends after U+4E00 (29 wide).
        {u"aaa\u4E00aaa\u4E00", ww, 30, {u"aaa\u4E00", u"aaa\u4E00"}},
        // Explicit breaks inside a long word; "\r\n" is one break, "\n\r" two.
        {u"aaaaa\naaaaa\r\naa\n\raa", ww, 24, {u"aaa", u"aa", u"aaa", u"aa", u"aa", u"", u"aa"}},
        // Opening and closing characters hold on to their neighbours: " (ab)"
        // is one word of 26.
        {u"ab (ab) ab", ww, 30, {u"ab", u" (ab)", u" ab"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(Narrow(k.text) + " in " + std::to_string(k.right));
        const Laid laid = Lay(k.text, k.flags, k.right);
        ASSERT_EQ(laid.hr, S_OK);
        EXPECT_EQ(laid.pens, PensOf(k.lines));
        EXPECT_EQ(laid.lines, DWORD(k.lines.size()));
        EXPECT_EQ(laid.rect.y2, LONG(k.lines.size() - 1) * kLineStep + 8);
    }
}

// A link inside a long word: one piece per line it covers, each from the
// pen where it begins on that line to where it ends, and the text's
// rectangle is the widest line less its last gap.
TEST_F(TextWrap, LinkPiecesInsideALongWord)
{
    // 0: a a &<0001(2..7) a(8) a(9) a(10) a(11) &>(12) a a
    const std::u16string text = u"aa&<0001aaaa&>aa";
    const Laid laid = Lay(text, GFXTF_WORDWRAP | GFXTF_LINK, 24);
    ASSERT_EQ(laid.hr, S_OK);
    EXPECT_EQ(laid.pens, PensOf({u"aaa", u"aaa", u"aa"}));
    const std::vector<std::vector<int>> pieces = {
        {1, 8, 1, 14, 0, 21}, // the third a of the first line
        {1, 9, 3, 0, 10, 21}, // the whole second line
    };
    EXPECT_EQ(Pieces(laid.links), pieces);
    EXPECT_EQ(laid.rect.x2, 19);
    EXPECT_EQ(laid.rect.y2, 28);
}

// Space items take their own width, end words and lower the line they sit on
// by what they stand above the text.
TEST_F(TextWrap, SpaceItemsAroundALongWord)
{
    // A 6 x 20 item between two long words in 24: "aaa" lines, the item
    // after the seventh a (x 7, advance 8), then a from x 15.
    const std::u16string text = u"aaaaaaa&30060200009aaaa";
    const Laid laid = Lay(text, GFXTF_WORDWRAP | GFXTF_SPACEITEM, 24);
    ASSERT_EQ(laid.hr, S_OK);
    // Line 3 holds the item and is lowered by 20 - 8 = 12.
    const std::vector<std::pair<int, int>> pens = {{0, 0},  {7, 0},   {14, 0}, {0, 10}, {7, 10}, {14, 10},
                                                   {0, 32}, {15, 32}, {0, 42}, {7, 42}, {14, 42}};
    EXPECT_EQ(laid.pens, pens);
    ASSERT_EQ(laid.spaces.size(), 1u);
    const SGfxTextSpaceInfo& s = laid.spaces.front();
    EXPECT_EQ(s.left, 7);
    EXPECT_EQ(s.right, 13);
    EXPECT_EQ(s.top, 20);
    EXPECT_EQ(s.bottom, 40);
    EXPECT_EQ(s.nID, 9);
    EXPECT_EQ(laid.lines, 4u);
    EXPECT_EQ(laid.rect.y2, 50);
}

namespace {

// The wrapping rules restated plainly, measuring the rest of the word at
// every character: pens and line count of text laid out from (0, 0) in a
// box `right` wide, codes interpreted, no space items.
struct Reference {
    const CGfxFont& font;
    const std::u16string& s;
    int right;
    bool wordWrap;

    // The characters a position stands for: a code (no character), "&&"
    // (one '&'), or one character.
    struct Token {
        bool code;
        int length;
        char16_t ch;
    };
    Token At(size_t i) const
    {
        const auto* p = U(s) + i;
        if (s[i] == '&' && IsMarkupCode(p)) {
            if (s[i + 1] == '&') return {false, 2, u'&'};
            if (s[i + 1] != '0') return {true, MarkupCodeLengthAt(p), 0};
        }
        return {false, 1, s[i]};
    }
    int Width(char16_t c) const { return font.GetCxFont(c, 0); }

    int MeasureWord(size_t i) const
    {
        int sum = 0;
        bool any = false;
        while (i < s.size()) {
            const Token t = At(i);
            const size_t next = i + size_t(t.length);
            if (!t.code) {
                sum += Width(t.ch) + kGap;
                any = true;
                if (next >= s.size() || CGfxTextDeviceBase::CanBreakBetween(t.ch, s[next])) break;
            }
            i = next;
        }
        return any ? sum - kGap : 0;
    }

    std::pair<std::vector<std::pair<int, int>>, DWORD> Run() const
    {
        std::vector<std::pair<int, int>> pens;
        int x = 0, line = 0;
        bool lineHasItem = false, breaking = false;
        char16_t prev = 0;
        const auto newLine = [&] {
            ++line;
            x = 0;
            lineHasItem = false;
        };
        for (size_t i = 0; i < s.size();) {
            if (s[i] == '\r' || s[i] == '\n') {
                i += s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n' ? 2 : 1;
                newLine();
                continue;
            }
            const Token t = At(i);
            if (t.code) {
                i += size_t(t.length);
                continue;
            }
            if (wordWrap) {
                if (breaking && CGfxTextDeviceBase::CanBreakBetween(prev, t.ch)) breaking = false;
                const int w = MeasureWord(i);
                const int room = right - x;
                if (w > right) {
                    breaking = true;
                    if (room < 1 && lineHasItem) newLine();
                } else if ((w > room || room < 1) && !breaking && lineHasItem) {
                    newLine();
                }
            }
            const int w = Width(t.ch);
            if (x + w > right && lineHasItem) newLine();
            pens.emplace_back(x, line * kLineStep);
            x += w + kGap;
            lineHasItem = true;
            prev = t.ch;
            i += size_t(t.length);
        }
        return {pens, pens.empty() ? 0u : DWORD(line + 1)};
    }
};

} // namespace

TEST_F(TextWrap, AgreesWithThePlainRulesOnRandomTexts)
{
    const std::u16string pieces[] = {u"a",           u"a",      u"aaaa",   u"aaaaaaaaaaaa", u"b",      u"W",
                                     u" ",           u" ",      u"\u4E00", u"\u3002",       u"\u201C", u"(",
                                     u")",           u",",      u"\n",     u"\r\n",         u"&103",   u"&199",
                                     u"&2010020030", u"&<0001", u"&>",     u"&&",           u"&012",   u"&",
                                     u"&1"};
    std::mt19937 rng(11);
    const int rights[] = {4, 5, 13, 24, 37, 60};
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        const int count = 5 + int(rng() % 60);
        for (int k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
        const int right = rights[round % std::size(rights)];
        const bool wordWrap = round % 3 != 0;
        SCOPED_TRACE(Narrow(text) + " in " + std::to_string(right));
        const Laid laid = Lay(text, (wordWrap ? unsigned(GFXTF_WORDWRAP) : 0u) | GFXTF_LINK, right);
        ASSERT_EQ(laid.hr, S_OK);
        const auto [pens, lines] = Reference{font, text, right, wordWrap}.Run();
        ASSERT_EQ(laid.pens, pens);
        ASSERT_EQ(laid.lines, lines);
    }
}

// Words of thousands of characters, with colour codes and a link inside,
// break into lines of k characters in a table of widths.
TEST_F(TextWrap, WordsOfThousandsOfCharacters)
{
    constexpr int kChars = 6000, kLinkFrom = 1000, kLinkTo = 4000; // link over characters 1000..3999
    std::u16string text;
    std::vector<uint16_t> position(kChars + 1); // of each a, and the end of the link's characters
    for (int i = 0; i < kChars; ++i) {
        if (i == kLinkFrom) text += u"&<0042";
        if (i == kLinkTo) {
            position[kChars] = uint16_t(text.size());
            text += u"&>";
        }
        if (i % 7 == 3) text += u"&103";
        if (i % 11 == 5) text += u"&199";
        position[size_t(i)] = uint16_t(text.size());
        text += u'a';
    }
    ASSERT_LT(text.size(), 65536u);
    for (const int right : {5, 24, 200, 201, 1000}) {
        for (const unsigned flags : {unsigned(GFXTF_WORDWRAP), 0u}) {
            SCOPED_TRACE(std::to_string(right) + (flags ? " word wrap" : ""));
            const int k = (right - 5) / 7 + 1; // a per line
            const Laid laid = Lay(text, flags | GFXTF_LINK, right);
            ASSERT_EQ(laid.hr, S_OK);
            ASSERT_EQ(laid.pens.size(), size_t(kChars));
            for (int i = 0; i < kChars; ++i)
                ASSERT_EQ(laid.pens[size_t(i)], std::make_pair(7 * (i % k), (i / k) * kLineStep)) << "a " << i;
            const int lines = (kChars + k - 1) / k;
            EXPECT_EQ(laid.lines, DWORD(lines));
            EXPECT_EQ(laid.rect.x2, 7 * k - 2);
            EXPECT_EQ(laid.rect.y2, (lines - 1) * kLineStep + 8);
            // CalcRect, which the text device measures with, walks the same lines.
            D3DRECT r{0, 0, right, 0};
            DWORD n = 0;
            ASSERT_EQ(layout.CalcRect(U(text), int(text.size()), flags, &r, n), S_OK);
            EXPECT_EQ(n, DWORD(lines));
            EXPECT_EQ(r.x2, 7 * k - 2);
            EXPECT_EQ(r.y2, (lines - 1) * kLineStep + 8);
            // One piece per line the link covers, starting at its first a
            // there and ending after its last. A link that begins on a full
            // line leaves an empty piece at that line's end.
            std::vector<std::vector<int>> pieces;
            if (kLinkFrom % k == 0)
                pieces.push_back({42, position[kLinkFrom], 0, 7 * k, (kLinkFrom / k - 1) * kLineStep, 7 * k});
            for (int first = kLinkFrom; first < kLinkTo;) {
                const int end = std::min((first / k + 1) * k, kLinkTo);
                const int count = (end < kLinkTo ? position[size_t(end)] : position[kChars]) - position[size_t(first)];
                pieces.push_back({42, position[size_t(first)], count, 7 * (first % k), (first / k) * kLineStep,
                                  7 * ((end - 1) % k) + 7});
                first = end;
            }
            EXPECT_EQ(Pieces(laid.links), pieces);
        }
    }
}
