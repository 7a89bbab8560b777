#include <gtest/gtest.h>

#include <string>

#include "kestu_textmarkup.h"
#include "text_fixture.h"

using text_test::U;

TEST(Markup, CodeLengthsByLetter)
{
    const std::pair<char16_t, int> table[] = {{u'&', 2}, {u'>', 2}, {u'0', 4}, {u'1', 4}, {u'2', 11}, {u'5', 11},
                                              {u'3', 12}, {u'<', 6}, {u'4', 0}, {u'x', 0}, {u'\0', 0}};
    for (const auto& [c, n] : table) EXPECT_EQ(MarkupCodeLength(c), n) << char(c);
    EXPECT_EQ(MarkupCodeLengthAt(nullptr), 0);
    EXPECT_EQ(MarkupCodeLengthAt(U(u"")), 0);
    EXPECT_EQ(MarkupCodeLengthAt(U(u"&")), 0);
    EXPECT_EQ(MarkupCodeLengthAt(U(u"&012")), 4);  // the placeholder counts 4
}

TEST(Markup, CompleteCodesOnly)
{
    const std::pair<std::u16string, int> cases[] = {
        {u"&&", 1},           {u"&>", 1},           {u"&012", 1},           {u"&115", 1},
        {u"&11x", 0},         {u"&1", 0},           {u"&2255000128", 1},    {u"&225500012", 0},
        {u"&3040016000", 0},  {u"&30400160001", 1}, {u"&5000000255", 1},    {u"&<0012", 1},
        {u"&<001", 0},        {u"&4000", 0},        {u"a&&", 0},            {u"&:12", 0},
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
    EXPECT_EQ(IsMarkupDigit(0xFF10), 0);  // a full-width digit is not one
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
