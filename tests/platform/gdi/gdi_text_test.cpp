#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gdi_test_util.h"

using gdi_test::DibDC;
using gdi_test::Top32;

namespace {

HFONT MakeFont(int height, int weight = FW_NORMAL, DWORD quality = ANTIALIASED_QUALITY)
{
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, quality, VARIABLE_PITCH, "DejaVu Sans");
}

SIZE Extent(HDC dc, const char* text)
{
    SIZE s{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s));
    return s;
}

struct Coverage {
    int lit = 0;     // fully covered pixels
    int partial = 0; // between background and text colour
    RECT bounds{1 << 30, 1 << 30, -1, -1};
};

Coverage Measure(const DibDC& dib, uint32_t background)
{
    Coverage c;
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x) {
            const uint32_t v = dib.Pixel32(x, y);
            if (v == background) continue;
            if (v == 0xFFFFFF)
                ++c.lit;
            else
                ++c.partial;
            c.bounds.left = std::min<LONG>(c.bounds.left, x);
            c.bounds.top = std::min<LONG>(c.bounds.top, y);
            c.bounds.right = std::max<LONG>(c.bounds.right, x + 1);
            c.bounds.bottom = std::max<LONG>(c.bounds.bottom, y + 1);
        }
    return c;
}

class GdiText : public ::testing::Test {
protected:
    void SetUp() override { dc = CreateCompatibleDC(nullptr); }
    void TearDown() override { DeleteDC(dc); }
    HDC dc = nullptr;
};

} // namespace

TEST_F(GdiText, MetricsFollowTheRequestedHeight)
{
    struct Case {
        int height;
        bool cell; // positive heights ask for the cell, negative for the em
    };
    for (const Case c : {Case{-20, false}, Case{-11, false}, Case{24, true}, Case{40, true}}) {
        SCOPED_TRACE(c.height);
        HFONT font = MakeFont(c.height);
        ASSERT_NE(font, nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        if (c.cell) {
            EXPECT_NEAR(tm.tmHeight, c.height, 1);
        } else {
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -c.height);
            EXPECT_GT(tm.tmInternalLeading, 0);
        }
        EXPECT_GT(tm.tmAscent, tm.tmDescent);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_EQ(Extent(dc, "Ag").cy, tm.tmHeight);
        SelectObject(dc, old);
        EXPECT_TRUE(DeleteObject(font));
    }
}

TEST_F(GdiText, ExtentsAddUpAndDependOnTheLetters)
{
    HFONT font = MakeFont(-16);
    HGDIOBJ old = SelectObject(dc, font);
    const SIZE ab = Extent(dc, "ab");
    EXPECT_EQ(ab.cx, Extent(dc, "a").cx + Extent(dc, "b").cx);
    EXPECT_LT(Extent(dc, "iiii").cx, Extent(dc, "WWWW").cx);
    EXPECT_EQ(Extent(dc, "").cx, 0);
    SIZE s{};
    EXPECT_FALSE(GetTextExtentPoint32A(dc, "x", -1, &s));
    EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "x", 1, &s));

    HFONT bold = MakeFont(-16, FW_BOLD);
    SelectObject(dc, bold);
    EXPECT_GT(Extent(dc, "Hello world").cx, ab.cx);
    const LONG boldWidth = Extent(dc, "Hello world").cx;
    SelectObject(dc, font);
    EXPECT_GT(boldWidth, Extent(dc, "Hello world").cx);
    SelectObject(dc, old);
    DeleteObject(bold);
    DeleteObject(font);
}

TEST_F(GdiText, GlyphsAreRenderedInsideTheirCell)
{
    for (DWORD quality : {static_cast<DWORD>(ANTIALIASED_QUALITY), static_cast<DWORD>(NONANTIALIASED_QUALITY)}) {
        SCOPED_TRACE(quality);
        DibDC dib(Top32(64, 32));
        HFONT font = MakeFont(-20, FW_NORMAL, quality);
        HGDIOBJ old = SelectObject(dib.dc, font);
        SetTextColor(dib.dc, RGB(255, 255, 255));
        SetBkColor(dib.dc, RGB(0, 0, 0));
        SetTextAlign(dib.dc, TA_TOP);
        const SIZE ext = Extent(dib.dc, "Hi");
        ASSERT_TRUE(ExtTextOutA(dib.dc, 4, 2, ETO_OPAQUE, nullptr, "Hi", 2, nullptr));
        const Coverage c = Measure(dib, 0);
        EXPECT_GT(c.lit, 20);
        if (quality == ANTIALIASED_QUALITY)
            EXPECT_GT(c.partial, 0);
        else
            EXPECT_EQ(c.partial, 0);
        EXPECT_GE(c.bounds.left, 4);
        EXPECT_LE(c.bounds.right, 4 + ext.cx);
        EXPECT_GE(c.bounds.top, 2);
        EXPECT_LE(c.bounds.bottom, 2 + ext.cy);
        gdi_test::SaveIfFailed(dib, quality == ANTIALIASED_QUALITY ? "gdi_text_antialiased" : "gdi_text_mono");
        SelectObject(dib.dc, old);
        DeleteObject(font);
    }
}

TEST_F(GdiText, BackgroundModesAndAlignment)
{
    HFONT font = MakeFont(-16);
    DibDC dib(Top32(80, 40));
    HGDIOBJ old = SelectObject(dib.dc, font);
    HBRUSH grey = CreateSolidBrush(RGB(0x40, 0x40, 0x40));
    const RECT all{0, 0, 80, 40};
    FillRect(dib.dc, &all, grey);
    SetTextColor(dib.dc, RGB(255, 255, 255));
    SetBkColor(dib.dc, RGB(0, 0, 255));
    TEXTMETRICA tm{};
    GetTextMetricsA(dib.dc, &tm);

    // Opaque mode paints the text cell in the background colour.
    EXPECT_EQ(GetBkMode(dib.dc), OPAQUE);
    ASSERT_TRUE(TextOutA(dib.dc, 10, 10, "-", 1));
    EXPECT_EQ(dib.Pixel32(10, 10), 0x0000FFu);
    EXPECT_EQ(dib.Pixel32(9, 10), 0x404040u);

    // Transparent mode leaves it; the baseline reference moves the glyph up.
    FillRect(dib.dc, &all, grey);
    EXPECT_EQ(SetBkMode(dib.dc, TRANSPARENT), OPAQUE);
    SetTextAlign(dib.dc, TA_BASELINE | TA_LEFT);
    ASSERT_TRUE(TextOutA(dib.dc, 10, 30, "I", 1));
    const Coverage c = Measure(dib, 0x404040);
    EXPECT_GT(c.lit, 0);
    EXPECT_LE(c.bounds.bottom, 31);
    EXPECT_GE(c.bounds.top, 30 - tm.tmAscent);

    // Right alignment ends the text at the reference point.
    FillRect(dib.dc, &all, grey);
    SetTextAlign(dib.dc, TA_TOP | TA_RIGHT);
    ASSERT_TRUE(TextOutA(dib.dc, 70, 5, "W", 1));
    const Coverage r = Measure(dib, 0x404040);
    EXPECT_LE(r.bounds.right, 70);
    EXPECT_GE(r.bounds.left, 70 - Extent(dib.dc, "W").cx);

    // ETO_OPAQUE with a rectangle fills exactly that rectangle.
    FillRect(dib.dc, &all, grey);
    const RECT box{50, 20, 60, 25};
    ASSERT_TRUE(ExtTextOutA(dib.dc, 0, 0, ETO_OPAQUE, &box, "", 0, nullptr));
    EXPECT_EQ(dib.Pixel32(50, 20), 0x0000FFu);
    EXPECT_EQ(dib.Pixel32(59, 24), 0x0000FFu);
    EXPECT_EQ(dib.Pixel32(60, 24), 0x404040u);
    gdi_test::SaveIfFailed(dib, "gdi_text_background");
    SelectObject(dib.dc, old);
    DeleteObject(grey);
    DeleteObject(font);
}

TEST_F(GdiText, UnknownFaceNamesFallBackToAnInstalledFont)
{
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "No Such Face 123");
    ASSERT_NE(font, nullptr);
    LOGFONTA lf{};
    EXPECT_EQ(GetObjectA(font, sizeof(lf), &lf), static_cast<int>(sizeof(LOGFONTA)));
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(std::string(lf.lfFaceName), "No Such Face 123");
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_GT(Extent(dc, "abc").cx, 0);
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(font));
}

TEST_F(GdiText, UnderlineAndStrikeOutSpanTheText)
{
    struct Case {
        bool underline;
        bool strike;
    };
    for (const Case c : {Case{true, false}, Case{false, true}}) {
        SCOPED_TRACE(c.underline ? "underline" : "strike-out");
        HFONT font = CreateFontA(-20, 0, 0, 0, FW_NORMAL, FALSE, c.underline, c.strike, DEFAULT_CHARSET, 0, 0,
                                 NONANTIALIASED_QUALITY, VARIABLE_PITCH, "DejaVu Sans");
        DibDC dib(Top32(80, 40));
        HGDIOBJ old = SelectObject(dib.dc, font);
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(dib.dc, &tm));
        EXPECT_EQ(tm.tmUnderlined != 0, c.underline);
        EXPECT_EQ(tm.tmStruckOut != 0, c.strike);
        SetTextColor(dib.dc, RGB(255, 255, 255));
        SetBkMode(dib.dc, TRANSPARENT);
        SetTextAlign(dib.dc, TA_BASELINE);
        // Spaces draw no glyph pixels: every lit pixel belongs to the line.
        ASSERT_TRUE(TextOutA(dib.dc, 5, 25, "    ", 4));
        const Coverage cov = Measure(dib, 0);
        EXPECT_EQ(cov.bounds.left, 5);
        EXPECT_EQ(cov.bounds.right, 5 + Extent(dib.dc, "    ").cx);
        if (c.underline) {
            EXPECT_GT(cov.bounds.top, 25);
        } else {
            EXPECT_LT(cov.bounds.bottom, 25);
            EXPECT_GT(cov.bounds.top, 25 - tm.tmAscent);
        }
        gdi_test::SaveIfFailed(dib, c.underline ? "gdi_text_underline" : "gdi_text_strikeout");
        SelectObject(dib.dc, old);
        DeleteObject(font);
    }
}
