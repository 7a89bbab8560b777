#include <gtest/gtest.h>

#include <string>

#include "kestu_textmarkup.h"
#include "text/markup/MarkupDecoder.h"
#include "text_fixture.h"

using kestu::text::DecodeMarkup;
using kestu::text::MarkupCode;
using kestu::text::MarkupGrammar;
using text_test::U;

TEST(Markup, CodeLengthsByLetter)
{
    const std::pair<char16_t, int> table[] = {{u'&', 2},  {u'>', 2}, {u'0', 4}, {u'1', 4}, {u'2', 11}, {u'5', 11},
                                              {u'3', 12}, {u'<', 6}, {u'4', 0}, {u'x', 0}, {u'\0', 0}};
    for (const auto& [c, n] : table) EXPECT_EQ(MarkupCodeLength(c), n) << char(c);
    EXPECT_EQ(MarkupCodeLengthAt(nullptr), 0);
    EXPECT_EQ(MarkupCodeLengthAt(U(u"")), 0);
    EXPECT_EQ(MarkupCodeLengthAt(U(u"&")), 0);
    EXPECT_EQ(MarkupCodeLengthAt(U(u"&012")), 4); // the placeholder counts 4
}

TEST(Markup, CompleteCodesOnly)
{
    const std::pair<std::u16string, int> cases[] = {
        {u"&&", 1},          {u"&>", 1},           {u"&012", 1},        {u"&115", 1},
        {u"&11x", 0},        {u"&1", 0},           {u"&2255000128", 1}, {u"&225500012", 0},
        {u"&3040016000", 0}, {u"&30400160001", 1}, {u"&5000000255", 1}, {u"&<0012", 1},
        {u"&<001", 0},       {u"&4000", 0},        {u"a&&", 0},         {u"&:12", 0},
    };
    for (const auto& [s, yes] : cases) {
        EXPECT_EQ(IsMarkupCode(U(s)), yes) << std::string(s.begin(), s.end());
        EXPECT_EQ(MarkupCodeAt(U(s), s.size()) > 0, yes == 1);
    }
    // A code must end inside the characters given.
    EXPECT_EQ(MarkupCodeAt(U(u"&115"), 3), 0);
    EXPECT_EQ(IsMarkupCode(nullptr), 0);
    EXPECT_EQ(IsMarkupDigit('0'), 1);
    EXPECT_EQ(IsMarkupDigit('9'), 1);
    EXPECT_EQ(IsMarkupDigit('/'), 0);
    EXPECT_EQ(IsMarkupDigit(':'), 0);
    EXPECT_EQ(IsMarkupDigit(0xFF10), 0); // a full-width digit is not one
}

TEST(Markup, SpaceAndLinkCodes)
{
    int w = 0, h = 0, id = 0;
    EXPECT_EQ(Kestu_ReadTextSpace(U(u"&30400161234rest"), &w, &h, &id), 1);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(id, 1234);
    EXPECT_EQ(Kestu_ReadTextSpace(U(u"&3040016123"), &w, nullptr, nullptr), 0);
    EXPECT_EQ(Kestu_ReadTextSpace(U(u"&30400161234"), nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(Kestu_ReadTextSpace(U(u"&<0001"), &w, &h, &id), 0);
    EXPECT_EQ(Kestu_ReadTextHyperlink(U(u"&<0042x"), &id), 1);
    EXPECT_EQ(id, 42);
    EXPECT_EQ(Kestu_ReadTextHyperlink(U(u"&<04x2"), &id), 0);
    EXPECT_EQ(Kestu_ReadTextHyperlink(U(u"&>"), nullptr), 0);
    EXPECT_EQ(IsColourEscape(U(u"&103")), 1);
    EXPECT_EQ(IsColourEscape(U(u"&999")), 1);
    EXPECT_EQ(IsColourEscape(U(u"&10")), 0);
    EXPECT_EQ(IsColourEscape(U(u"1103")), 0);
    EXPECT_EQ(MarkupNumber(U(u"0420"), 4), 420);
}

TEST(Markup, Palette)
{
    const DWORD rgb[16] = {0xFFFFFF, 0xFFFF00, 0xE7651A, 0xFF0000, 0x000000, 0x0000FF, 0x04046E, 0x9696FF,
                           0x83B3E3, 0x1E6BB9, 0x6C0606, 0xFF5353, 0x391C10, 0x00FF00, 0x097909, 0x6A6B6E};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Kestu_GetCharColorByIndex(ENUM_CHAR_COLOR_INDEX(i)), rgb[i]) << i;
}

TEST(Markup, DecoderReadsEachCodeOfTheLayout)
{
    struct Case {
        std::u16string s;
        MarkupCode::Kind kind;
        int length, value, width, height;
        DWORD rgb;
    };
    const Case cases[] = {
        {u"&&x", MarkupCode::Ampersand, 2, 0, 0, 0, 0},
        {u"&>", MarkupCode::LinkEnd, 2, 0, 0, 0, 0},
        {u"&042", MarkupCode::Placeholder, 4, 42, 0, 0, 0},
        {u"&115", MarkupCode::Palette, 4, 15, 0, 0, 0},
        {u"&150", MarkupCode::Palette, 4, 50, 0, 0, 0}, // read; the layout ignores it
        {u"&199", MarkupCode::PaletteBack, 4, 99, 0, 0, 0},
        {u"&2255000128", MarkupCode::Colour, 11, 0, 0, 0, 0xFF0080},
        {u"&2999256001", MarkupCode::Colour, 11, 0, 0, 0, 0xFFFF01}, // components stop at 255
        {u"&5000000160", MarkupCode::Outline, 11, 0, 0, 0, 0x0000A0},
        {u"&30400161234", MarkupCode::Space, 12, 1234, 40, 16, 0},
        {u"&<0042", MarkupCode::LinkBegin, 6, 42, 0, 0, 0},
        {u"&<04x2", MarkupCode::None, 0, 0, 0, 0, 0},
        {u"&4000", MarkupCode::None, 0, 0, 0, 0, 0},
        {u"x&11", MarkupCode::None, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const MarkupCode m = DecodeMarkup(U(c.s), c.s.size());
        const std::string name(c.s.begin(), c.s.end());
        EXPECT_EQ(m.kind, c.kind) << name;
        EXPECT_EQ(m.length, c.length) << name;
        EXPECT_EQ(m.value, c.value) << name;
        EXPECT_EQ(m.width, c.width) << name;
        EXPECT_EQ(m.height, c.height) << name;
        EXPECT_EQ(m.rgb, c.rgb) << name;
    }
    // The code must end inside the characters given; a NUL ends it too.
    EXPECT_EQ(DecodeMarkup(U(u"&115"), 3).kind, MarkupCode::None);
    EXPECT_EQ(DecodeMarkup(U(u"&<00"), kestu::text::kUpToNul).kind, MarkupCode::None);
    EXPECT_EQ(DecodeMarkup(U(u"&<0007"), kestu::text::kUpToNul).value, 7);
}

TEST(Markup, DecoderReadsTheEscapesOf2DText)
{
    const std::pair<std::u16string, MarkupCode::Kind> cases[] = {
        {u"&103", MarkupCode::Palette},        {u"&150", MarkupCode::Palette}, {u"&199", MarkupCode::PaletteBack},
        {u"&2001002003", MarkupCode::Ignored}, {u"&012", MarkupCode::Ignored}, {u"&999", MarkupCode::Ignored},
        {u"&<0001", MarkupCode::None},         {u"&&", MarkupCode::None},      {u"&10", MarkupCode::None},
    };
    for (const auto& [s, kind] : cases) {
        const MarkupCode m = DecodeMarkup(U(s), kestu::text::kUpToNul, MarkupGrammar::Colour2D);
        EXPECT_EQ(m.kind, kind) << std::string(s.begin(), s.end());
        EXPECT_EQ(m.length, kind == MarkupCode::None ? 0 : 4) << std::string(s.begin(), s.end());
    }
    EXPECT_EQ(DecodeMarkup(U(u"&150"), kestu::text::kUpToNul, MarkupGrammar::Colour2D).value, 50);
    EXPECT_EQ(DecodeMarkup(U(u"&103"), 3, MarkupGrammar::Colour2D).kind, MarkupCode::None);
}
