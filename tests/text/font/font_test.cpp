#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "2DCore/MemBuf.h"
#include "kestu_font.h"
#include "support/temp_dir.h"
#include "text_fixture.h"

using namespace text_test;

namespace {

class FontFiles : public TempDirTest {
protected:
    std::string Folder() const { return Path(""); }
    // Writes f0.fnt (the test font), f1.fnt (the same at 2 pixels more per
    // code) and a table where font 1 has 'A' at slot 0 and '?' at slot 1.
    void WriteSet()
    {
        WriteBytes("f0.fnt", FontBytes(TestFont()));
        SynthFont wide = TestFont();
        wide.otherWidth = 6;
        WriteBytes("f1.fnt", FontBytes(wide));
        WriteBytes("set.tib", TibBytes({{{'A', 0}, {'B', 1}, {'?', 2}}, {{'A', 0}, {'?', 1}}}));
    }
};

const char* const kNames[] = {"f0.fnt", "f1.fnt"};

} // namespace

TEST(FontHeaders, DefaultsAndBytes)
{
    SFNTHEADER h;
    EXPECT_TRUE(h.IsValid());
    EXPECT_TRUE(h.IsFWithCxCy());
    EXPECT_STREQ(h.szFaceName, "Arial Unicode MS");
    uint8_t bytes[SFNTHEADER::kSize];
    h.Write(bytes);
    EXPECT_EQ(bytes[100], 16);
    EXPECT_EQ(bytes[104], 2);
    EXPECT_EQ(bytes[105], 32);
    EXPECT_EQ(kestu::GetU32(bytes + 176), 180u);
    bytes[2] = 1; // second word 1
    SFNTHEADER back;
    ASSERT_TRUE(back.Read(bytes, sizeof bytes));
    EXPECT_FALSE(back.IsValid());
    EXPECT_FALSE(back.Read(bytes, sizeof bytes - 1));

    tgTibInit t;
    uint8_t tib[tgTibInit::kSize];
    t.dwFontCount = 3;
    t.dwSlotCount[2] = 77;
    t.Write(tib);
    EXPECT_EQ(kestu::GetU32(tib + 40), 3u);
    EXPECT_EQ(kestu::GetU32(tib + 52), 77u);
    tgTibInit r;
    ASSERT_TRUE(r.Read(tib, sizeof tib));
    EXPECT_TRUE(r.IsValid());
    EXPECT_EQ(r.dwSlotCount[2], 77u);
}

TEST_F(FontFiles, DirectModeWidthsAndHeights)
{
    WriteSet();
    CPointFontBuffer buffer;
    int flags[] = {1, 1};
    ASSERT_EQ(buffer.Build(Folder().c_str(), kNames, 2, nullptr, flags), 1);
    EXPECT_TRUE(buffer.IsBuilt());
    EXPECT_TRUE(buffer.IsFontLoaded(1));
    EXPECT_FALSE(buffer.IsFontLoaded(2));
    EXPECT_EQ(buffer.GetCxFont('A', 0), 7);
    EXPECT_EQ(buffer.GetCxFont('x', 1), 6);
    EXPECT_EQ(buffer.GetCyFont('A', 0), 8);
    // Every code counts in direct mode: the mean is the filler width 4.
    EXPECT_EQ(buffer.GetCxFont(0, 0), 4);
    EXPECT_EQ(buffer.GetCxFont(32, 0), 2); // (2 * 4) / 3
    buffer.SetFontType(1);
    EXPECT_EQ(buffer.GetCxFont(0, -1), 5); // 65,531 codes of 6 and five narrower ones
    EXPECT_EQ(buffer.GetCxFont(32, -1), 3);
}

TEST_F(FontFiles, TableModeCountsOnlyMappedCodesAndFallsBackToQuestionMark)
{
    WriteSet();
    CPointFontBuffer buffer;
    ASSERT_EQ(buffer.Build(Folder().c_str(), kNames, 2, "set.tib", nullptr), 1);
    // Average of 'A' 7, 'B' 2 and '?' 8, capped at the cell width.
    EXPECT_EQ(buffer.GetCxFont(0, 0), 5);
    EXPECT_EQ(buffer.GetCxFont(32, 0), 3);
    EXPECT_EQ(buffer.GetFontRecord(1).slots, 2u);

    // 'Z' has no slot: it paints the '?' cross but advances by its own width.
    MemBuf dst(16, 8, 16);
    EXPECT_EQ(buffer.Paint(&dst, 0, 0, 'Z', 0xFFFF, 0x1234, PT_KEY, nullptr, 0), 4);
    EXPECT_EQ(dst.Get(0, 0), 0xFFFFu);
    EXPECT_EQ(dst.Get(7, 0), 0xFFFFu);
    EXPECT_EQ(dst.Get(1, 0), 0u); // background is the key: untouched
    EXPECT_EQ(dst.Get(3, 3), 0xFFFFu);
}

TEST_F(FontFiles, DirectFontStillSkipsItsTable)
{
    WriteSet();
    CPointFontBuffer buffer;
    int flags[] = {1, 0};
    ASSERT_EQ(buffer.Build(Folder().c_str(), kNames, 2, "set.tib", flags), 1);
    EXPECT_EQ(buffer.GetFontRecord(0).slots, 0x10000u);
    // Font 1 read the second table: 'B' is unmapped there and paints '?'.
    MemBuf dst(8, 8, 16);
    buffer.Paint(&dst, 0, 0, 'B', 0x0F0F, 0, PT_KEY, nullptr, 1);
    EXPECT_EQ(dst.Get(7, 7), 0x0F0Fu);
    EXPECT_EQ(dst.Get(0, 7), 0x0F0Fu);
    EXPECT_EQ(dst.Get(1, 6), 0x0F0Fu);
    EXPECT_EQ(dst.Get(0, 1), 0u);
}

TEST_F(FontFiles, PaintUsesBackgroundAsKeyAndZeroWhenColoursMatch)
{
    WriteSet();
    CPointFontBuffer buffer;
    int flags[] = {1};
    ASSERT_EQ(buffer.Build(Folder().c_str(), kNames, 1, nullptr, flags), 1);
    MemBuf dst(16, 8, 16);
    dst.FillAll(0x5555);
    EXPECT_EQ(buffer.Paint(&dst, 2, 0, 'B', 0x7777, 0x7777, PT_KEY, nullptr, -1), 2);
    // Equal colours: the background became 0 and stays transparent.
    EXPECT_EQ(dst.Get(2, 0), 0x7777u);
    EXPECT_EQ(dst.Get(3, 0), 0x5555u);
    EXPECT_EQ(dst.Get(2, 7), 0x5555u);
    // A clip keeps the glyph inside it.
    const GRECT clip(0, 0, 4, 3);
    buffer.Paint(&dst, 2, 0, 'B', 0x1111, 0x2222, PT_KEY, &clip, -1);
    EXPECT_EQ(dst.Get(2, 2), 0x1111u);
    EXPECT_EQ(dst.Get(2, 3), 0x7777u);
}

TEST_F(FontFiles, LoadAndUnloadOneFont)
{
    WriteSet();
    CPointFontBuffer buffer;
    ASSERT_EQ(buffer.Build(Folder().c_str(), kNames, 2, "set.tib", nullptr), 1);
    EXPECT_EQ(buffer.LoadFont(0), 0); // already loaded: kept
    EXPECT_TRUE(buffer.IsFontLoaded(0));
    EXPECT_EQ(buffer.UnloadFont(0), 1);
    EXPECT_FALSE(buffer.IsFontLoaded(0));
    EXPECT_EQ(buffer.GetCxFont('A', 0), 0);
    EXPECT_EQ(buffer.UnloadFont(0), 0);
    EXPECT_EQ(buffer.LoadFont(0), 1);
    EXPECT_EQ(buffer.GetCxFont('A', 0), 7);
    buffer.Release();
    EXPECT_FALSE(buffer.IsBuilt());
    EXPECT_EQ(buffer.GetCxFont('A', 0), 0);
}

TEST_F(FontFiles, BadFilesFailWholeAndLeaveTheBufferReusable)
{
    WriteSet();
    const auto font = FontBytes(TestFont());
    struct Case {
        const char* what;
        std::vector<uint8_t> fontBytes;
        std::vector<uint8_t> tibBytes;
    };
    std::vector<Case> cases;
    auto bad = font;
    bad[2] = 1;
    cases.push_back({"second word 1", bad, {}});
    bad = font;
    bad[0] = 2;
    cases.push_back({"version 2", bad, {}});
    cases.push_back({"one byte short", std::vector<uint8_t>(font.begin(), font.end() - 1), {}});
    bad = font;
    bad.push_back(0);
    cases.push_back({"one byte long", bad, {}});
    bad = font;
    bad[105] = 9;
    cases.push_back({"bytes per glyph not rows times row bytes", bad, {}});
    bad = font;
    bad[104] = 0;
    cases.push_back({"no row bytes", bad, {}});
    cases.push_back({"header only", std::vector<uint8_t>(font.begin(), font.begin() + 180), {}});
    cases.push_back({"empty", {}, {}});
    cases.push_back({"table count 2 for one font", font, TibBytes({{{'A', 0}}, {{'A', 0}}})});
    cases.push_back({"entry beyond the slots", font, TibBytes({{{'A', 0}, {'B', 5}}}, {2})});
    cases.push_back({"more slots than codes", font, TibBytes({{{'A', 0}}}, {0x10001})});
    auto tib = TibBytes({{{'A', 0}}});
    cases.push_back({"truncated table", font, std::vector<uint8_t>(tib.begin(), tib.end() - 2)});
    tib[0] = 0;
    cases.push_back({"table version 0", font, tib});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes("bad.fnt", c.fontBytes);
        WriteBytes("bad.tib", c.tibBytes.empty() ? TibBytes({{{'A', 0}}}) : c.tibBytes);
        CPointFontBuffer buffer;
        const char* names[] = {"bad.fnt"};
        EXPECT_EQ(buffer.Build(Folder().c_str(), names, 1, "bad.tib", nullptr), 0);
        EXPECT_FALSE(buffer.IsBuilt());
        EXPECT_FALSE(buffer.GetFontRecord(0).widths);
        EXPECT_FALSE(buffer.GetFontRecord(0).table);
        // The same object builds from good files afterwards.
        EXPECT_EQ(buffer.Build(Folder().c_str(), kNames, 2, "set.tib", nullptr), 1);
    }
}

TEST_F(FontFiles, BuildRefusals)
{
    WriteSet();
    CPointFontBuffer buffer;
    EXPECT_EQ(buffer.Build(Folder().c_str(), kNames, 2, nullptr, nullptr), 0);
    EXPECT_EQ(buffer.Build(nullptr, kNames, 2, "set.tib", nullptr), 0);
    const char* five[] = {"f0.fnt", "f0.fnt", "f0.fnt", "f0.fnt", "f0.fnt"};
    int flags[] = {1, 1, 1, 1, 1};
    EXPECT_EQ(buffer.Build(Folder().c_str(), five, 5, nullptr, flags), 0);
    EXPECT_EQ(buffer.Build(Folder().c_str(), five, 4, nullptr, flags), 1);
    const char* missing[] = {"f0.fnt", "none.fnt"};
    EXPECT_EQ(buffer.Build(Folder().c_str(), missing, 2, nullptr, flags), 0);
    EXPECT_FALSE(buffer.IsBuilt());
    EXPECT_EQ(buffer.Build(Folder().c_str(), kNames, 2, "none.tib", nullptr), 0);
}

TEST_F(FontFiles, ToolFontsLoad)
{
    const std::string folder = ToolFonts(Path("tool"));
    CPointFontBuffer buffer;
    const char* names[] = {"sans14.fnt", "sans11.fnt", "sans18.fnt"};
    ASSERT_EQ(buffer.Build(folder.c_str(), names, 3, "sans.tib", nullptr), 1);
    EXPECT_GT(buffer.GetCyFont('A', 0), buffer.GetCyFont('A', 1));
    EXPECT_GT(buffer.GetCyFont('A', 2), buffer.GetCyFont('A', 0));
    EXPECT_GT(buffer.GetCxFont('W', 0), buffer.GetCxFont('i', 0));
    EXPECT_EQ(buffer.GetFontRecord(0).slots, uint32_t(0x7F - 0x20 + 0x100 - 0xA0));
    // The glyph of 'l' has ink in its cell.
    MemBuf dst(32, 32, 16);
    buffer.Paint(&dst, 0, 0, 'l', 0xFFFF, 0, PT_KEY, nullptr, 0);
    int ink = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ink += dst.Get(x, y) == 0xFFFF;
    EXPECT_GT(ink, 5);
}

TEST(GlobalFonts, TypesAndAliases)
{
    EXPECT_EQ(GetFontByFontType(FONT_TYPE_0), &FontASCII_Stroke02);
    EXPECT_EQ(GetFontByFontType(FONT_TYPE_1), &FontASCII_Stroke01);
    EXPECT_EQ(GetFontByFontType(FONT_TYPE_2), &FontASCII_Stroke00);
    EXPECT_EQ(GetFontByFontType(ENUM_FONT_TYPE(3)), nullptr);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(GetFontByFontType(ENUM_FONT_TYPE(t))->GetFontType(), t);
    EXPECT_EQ(&FontChineseGB, &FontASCII_Stroke01);
    EXPECT_EQ(&FontChineseKC, &FontASCII_Stroke01);
    EXPECT_EQ(&FontASCII, &FontASCII_Stroke02);
    EXPECT_EQ(&FontASCII_AA, &FontASCII_Stroke02);
    EXPECT_EQ(FontASCII.GetFontBuffer(), &g_FontBuffer);
    XFont plain;
    EXPECT_EQ(plain.GetFontBuffer(), &g_FontBuffer);
    EXPECT_EQ(plain.GetFontType(), 0);
    // The grade is the shared buffer's, clamped.
    FontASCII.SetTransGrade(40);
    EXPECT_EQ(g_FontBuffer.GetTransGrade(), 16);
    FontChineseGB.SetTransGrade(-3);
    EXPECT_EQ(g_FontBuffer.GetTransGrade(), 0);
    FontChineseGB.SetTransGrade(16);
}
