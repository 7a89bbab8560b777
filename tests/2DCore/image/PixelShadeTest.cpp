#include <gtest/gtest.h>

#include <cstdint>

#include "kestu_pixelshade.h"

namespace {

const PIXELFORMAT k565 = static_cast<PIXELFORMAT>(16);
const PIXELFORMAT k555 = static_cast<PIXELFORMAT>(15);
constexpr int32_t kBadParam = static_cast<int32_t>(0x82000109);
constexpr int32_t kBadFormat = static_cast<int32_t>(0x8200010D);
constexpr int32_t kNotBuilt = static_cast<int32_t>(0x82000110);

uint16_t Entry(const CPixelShade& s, int level, uint32_t pixel)
{
    return static_cast<const uint16_t*>(s.GetTable(level))[pixel];
}

class LinearShade565 : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(shade.Build(k565, 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0); }
    CPixelShade shade;
};

TEST_F(LinearShade565, LevelsAndSymmetry)
{
    EXPECT_TRUE(shade.IsBuilt());
    EXPECT_EQ(shade.GetTableNumber(), 33u);
    EXPECT_EQ(shade.GetTotalLevel(), 32u);
    EXPECT_EQ(shade.GetPixelFormat(), k565);
    for (uint32_t p : {0x0000u, 0x0001u, 0x7BEFu, 0xF800u, 0xFFFFu}) EXPECT_EQ(Entry(shade, 0, p), 0) << p;
    EXPECT_EQ(Entry(shade, 8, 0xFFFF), 0x7BEF);
    EXPECT_EQ(shade.IsSymmetry(), 1);
    EXPECT_FLOAT_EQ(shade.GetParameter(8, 0), 0.5f);
    EXPECT_FLOAT_EQ(shade.GetParameter(24, 0), 1.5f);
    EXPECT_FLOAT_EQ(shade.GetParameter(32, 0), 10000.0f);
    EXPECT_FLOAT_EQ(shade.GetParameter(33, 0), 0.0f);
    // The top level multiplies by 10000: white stays white, and a dark grey
    // whose green share lies just below white's loses green altogether.
    EXPECT_EQ(Entry(shade, 32, 0xFFFF), 0xFFFF);
    EXPECT_EQ(Entry(shade, 32, 0x0841), 0xF81F);
    // Mid grey 0x7BEF (15, 31, 15) holds a green share of 31/61, just above
    // white's 63/125: green saturates, red and blue fall below zero and stay
    // 0 rather than wrapping into the neighbouring channel.
    EXPECT_EQ(Entry(shade, 32, 0x7BEF), 0x07E0);
    EXPECT_EQ(Entry(shade, 32, 0x8410), 0xF81F);
    EXPECT_EQ(shade.GetPartialColor(5), 0x00FFFFFFu);
}

TEST_F(LinearShade565, NormalLevelIsNearlyIdentity)
{
    const uint16_t* t = static_cast<const uint16_t*>(shade.GetTable(16));
    for (uint32_t p = 0; p < 65536; p += 97) {
        const int dr = int(p >> 11) - int(t[p] >> 11);
        const int dg = int((p >> 5) & 63) - int((t[p] >> 5) & 63);
        const int db = int(p & 31) - int(t[p] & 31);
        ASSERT_TRUE(dr >= 0 && dr <= 1 && dg >= 0 && dg <= 1 && db >= 0 && db <= 1) << p;
    }
}

TEST_F(LinearShade565, InvertedLevels)
{
    EXPECT_EQ(shade.GetInvertedTableIndexByLevel(5), 11);
    EXPECT_EQ(shade.GetInvertedTableIndexByLevel(16), -4);
    EXPECT_EQ(shade.GetInvertedTableIndexByLevel(20), -4);
    EXPECT_EQ(shade.GetInvertedTable(5), shade.GetTable(11));
}

TEST_F(LinearShade565, ResetLevelRetintsOneLevel)
{
    unsigned long red = 0xF800;
    const uint16_t before = Entry(shade, 8, 0x07E0);
    EXPECT_EQ(shade.ResetLevel(8, &red), 0);
    EXPECT_EQ(shade.GetPartialColor(8), 0xF800u);
    EXPECT_NE(Entry(shade, 8, 0x07E0), before);
    EXPECT_EQ(shade.GetPartialColor(9), 0x00FFFFFFu);
    EXPECT_EQ(shade.ResetLevel(33, nullptr), kBadParam);
    EXPECT_EQ(shade.ResetLevel(-1, nullptr), kBadParam);
    EXPECT_EQ(shade.ResetAllLevel(&red), 0);
    EXPECT_EQ(shade.GetPartialColor(32), 0xF800u);
}

TEST_F(LinearShade565, CopiesOwnTheirTables)
{
    CPixelShade copy(shade);
    EXPECT_NE(copy.GetTable(8), shade.GetTable(8));
    EXPECT_EQ(Entry(copy, 8, 0xFFFF), 0x7BEF);
    {
        CPixelShade assigned;
        assigned = copy;
        EXPECT_EQ(Entry(assigned, 8, 0xFFFF), 0x7BEF);
    }
    copy.Release();
    EXPECT_FALSE(copy.IsBuilt());
    EXPECT_EQ(Entry(shade, 8, 0xFFFF), 0x7BEF);
}

TEST(PixelShade, RejectedBuilds)
{
    CPixelShade s;
    EXPECT_EQ(s.Build(k565, 8, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), kBadParam);
    EXPECT_EQ(s.Build(static_cast<PIXELFORMAT>(24), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), kBadFormat);
    EXPECT_EQ(s.Build(k565, 0, 0, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), kBadParam);
    EXPECT_EQ(s.Build(k565, 257, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), kBadParam);
    EXPECT_EQ(s.Build(k565, 32, 16, nullptr, 1, static_cast<ENUM_KESTU_PIXELSHADE_FORMULA>(1)), kBadParam);
    EXPECT_FALSE(s.IsBuilt());
    EXPECT_EQ(s.ResetLevel(0, nullptr), kNotBuilt);
    EXPECT_EQ(s.ResetAllLevel(nullptr), kNotBuilt);
}

TEST(PixelShade, HandSetParametersDecideSymmetry)
{
    CPixelShade s;
    for (int i = 0; i <= 16; ++i) s.SetParameter(i, 0, i / 16.0f);
    ASSERT_EQ(s.Build(k565, 16, 16, nullptr, 0, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    EXPECT_EQ(s.IsSymmetry(), 1);
    s.SetParameter(2, 0, 2 / 16.0f + 0.01f);
    ASSERT_EQ(s.Build(k565, 16, 16, nullptr, 0, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    EXPECT_EQ(s.IsSymmetry(), 0);
    EXPECT_EQ(s.GetInvertedTableIndexByLevel(5), -4);
}

TEST(PixelShade, TotalOf256Fits)
{
    CPixelShade s;
    ASSERT_EQ(s.Build(k565, 256, 256, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    EXPECT_EQ(s.GetTableNumber(), 257u);
    EXPECT_NE(s.GetTable(256), nullptr);
    EXPECT_EQ(s.IsSymmetry(), 1);
    // Rebuilding with fewer levels drops the tables above the new count.
    ASSERT_EQ(s.Build(k565, 4, 2, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    EXPECT_EQ(s.GetTable(5), nullptr);
}

TEST(PixelShade, Table555CoversEverySixteenBitValue)
{
    CPixelShade s;
    ASSERT_EQ(s.Build(k555, 2, 1, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    const uint16_t* t = static_cast<const uint16_t*>(s.GetTable(1));
    EXPECT_EQ(t[0x7FFF], 0x7FFF);
    // A pixel with the unused top bit set shades like its low 15 bits.
    EXPECT_EQ(t[0xFFFF], t[0x7FFF]);
    EXPECT_EQ(t[0x8000], 0);
    EXPECT_EQ(t[0xC210], t[0x4210]);
}

TEST(PixelShade, BlackPartialColourIsNeutral)
{
    CPixelShade s;
    unsigned long black = 0;
    ASSERT_EQ(s.Build(k565, 2, 1, &black, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    // Brightening a saturated colour away from grey pushes a channel below
    // zero; it lands at 0, not wrapped.
    const uint16_t red = static_cast<const uint16_t*>(s.GetTable(0))[0xF800];
    EXPECT_EQ(red, 0);
    CPixelShade d;
    ASSERT_EQ(d.Build(k565, 4, 2, &black, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    const uint16_t bright = static_cast<const uint16_t*>(d.GetTable(3))[0xF801];
    EXPECT_EQ(bright & 0x7E0, 0);
    EXPECT_GT(bright >> 11, 0x10);
}

} // namespace

namespace {

TEST(PixelShade, ThirtyTwoBitTables)
{
    CPixelShade s;
    ASSERT_EQ(s.Build(static_cast<PIXELFORMAT>(32), 1, 1, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    const uint32_t* black = static_cast<const uint32_t*>(s.GetTable(0));
    const uint32_t* normal = static_cast<const uint32_t*>(s.GetTable(1));
    EXPECT_EQ(black[0xFFFFFF], 0u);
    // White at the normal level keeps (or loses at most one of) each channel.
    EXPECT_GE(normal[0xFFFFFF] & 0xFF, 0xFEu);
    EXPECT_GE((normal[0xFFFFFF] >> 16) & 0xFF, 0xFEu);
    EXPECT_EQ(normal[0xFFFFFF] >> 24, 0u);
    CPixelShade copy(s);
    EXPECT_EQ(static_cast<const uint32_t*>(copy.GetTable(1))[0x808080], normal[0x808080]);
}

} // namespace
