#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "windows.h"

namespace {

// A 256-entry palette whose entry i is (i, 255 - i, i / 2) with the given flags.
HPALETTE MakeRamp(BYTE flags)
{
    auto* lp = static_cast<LOGPALETTE*>(std::calloc(1, sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY)));
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    PALETTEENTRY* e = lp->palPalEntry;
    for (int i = 0; i < 256; ++i)
        e[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), flags};
    HPALETTE pal = CreatePalette(lp);
    std::free(lp);
    return pal;
}

bool IsRampEntry(const PALETTEENTRY& e, int i) { return e.peRed == i && e.peGreen == 255 - i && e.peBlue == i / 2; }

class SystemPalette : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen = GetDC(nullptr);
        ASSERT_NE(screen, nullptr);
        SetSystemPaletteUse(screen, SYSPAL_STATIC);
        GetSystemPaletteEntries(screen, 0, 256, original.data());
    }
    void TearDown() override
    {
        SetSystemPaletteUse(screen, SYSPAL_STATIC);
        ReleaseDC(nullptr, screen);
    }
    std::array<PALETTEENTRY, 256> Read()
    {
        std::array<PALETTEENTRY, 256> out{};
        EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, out.data()), 256u);
        return out;
    }
    HDC screen = nullptr;
    std::array<PALETTEENTRY, 256> original{};
};

} // namespace

TEST_F(SystemPalette, StaticUseKeepsTwentyColoursWhenRealizing)
{
    // The static colours: black first, white last, the VGA reds at 1 and 249.
    EXPECT_EQ(original[0].peRed + original[0].peGreen + original[0].peBlue, 0);
    EXPECT_EQ(original[1].peRed, 128);
    EXPECT_EQ(original[249].peRed, 255);
    EXPECT_EQ(original[249].peGreen, 0);
    EXPECT_EQ(original[255].peBlue, 255);

    HPALETTE pal = MakeRamp(PC_RESERVED);
    ASSERT_NE(pal, nullptr);
    HPALETTE old = SelectPalette(screen, pal, FALSE);
    EXPECT_EQ(RealizePalette(screen), 236u);
    const auto sys = Read();
    for (int i = 0; i < 256; ++i) {
        if (i < 10 || i > 245)
            EXPECT_EQ(std::memcmp(&sys[i], &original[i], sizeof(PALETTEENTRY)), 0) << i;
        else
            EXPECT_TRUE(IsRampEntry(sys[i], i)) << i;
    }
    SelectPalette(screen, old, FALSE);
    EXPECT_TRUE(DeleteObject(pal));
}

TEST_F(SystemPalette, NoStaticUseFreesAllButBlackAndWhite)
{
    EXPECT_EQ(GetSystemPaletteUse(screen), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(SetSystemPaletteUse(screen, SYSPAL_NOSTATIC), static_cast<UINT>(SYSPAL_STATIC));
    EXPECT_EQ(GetSystemPaletteUse(screen), static_cast<UINT>(SYSPAL_NOSTATIC));
    EXPECT_EQ(SetSystemPaletteUse(screen, 9), static_cast<UINT>(SYSPAL_ERROR));

    HPALETTE pal = MakeRamp(PC_NOCOLLAPSE);
    HPALETTE old = SelectPalette(screen, pal, FALSE);
    EXPECT_EQ(RealizePalette(screen), 254u);
    auto sys = Read();
    EXPECT_EQ(sys[0].peRed + sys[0].peGreen + sys[0].peBlue, 0);
    EXPECT_EQ(sys[255].peRed + sys[255].peGreen + sys[255].peBlue, 3 * 255);
    for (int i = 1; i <= 254; ++i) EXPECT_TRUE(IsRampEntry(sys[i], i)) << i;

    // Back to static use: the twenty static colours return.
    EXPECT_EQ(SetSystemPaletteUse(screen, SYSPAL_STATIC), static_cast<UINT>(SYSPAL_NOSTATIC));
    sys = Read();
    for (int i : {0, 5, 9, 246, 250, 255}) EXPECT_EQ(std::memcmp(&sys[i], &original[i], 4), 0) << i;
    EXPECT_TRUE(IsRampEntry(sys[100], 100));
    SelectPalette(screen, old, FALSE);
    EXPECT_TRUE(DeleteObject(pal));
}

TEST_F(SystemPalette, AnimationChangesReservedEntriesAndTheRealizedColours)
{
    HPALETTE pal = MakeRamp(0);
    // Only entries 20..29 may be animated.
    PALETTEENTRY reserved[10];
    for (int i = 0; i < 10; ++i)
        reserved[i] = PALETTEENTRY{static_cast<BYTE>(20 + i), static_cast<BYTE>(235 - i),
                                   static_cast<BYTE>((20 + i) / 2), PC_RESERVED};
    EXPECT_EQ(SetPaletteEntries(pal, 20, 10, reserved), 10u);
    HPALETTE old = SelectPalette(screen, pal, FALSE);
    RealizePalette(screen);

    PALETTEENTRY white[16];
    for (auto& e : white) e = PALETTEENTRY{255, 255, 255, PC_RESERVED};
    EXPECT_TRUE(AnimatePalette(pal, 16, 16, white));

    PALETTEENTRY logical[16];
    EXPECT_EQ(GetPaletteEntries(pal, 16, 16, logical), 16u);
    const auto sys = Read();
    for (int i = 16; i < 32; ++i) {
        const bool animated = i >= 20 && i < 30;
        EXPECT_EQ(logical[i - 16].peRed == 255 && logical[i - 16].peGreen == 255, animated) << i;
        EXPECT_EQ(sys[i].peRed == 255 && sys[i].peGreen == 255, animated) << i;
    }
    SelectPalette(screen, old, FALSE);

    // A palette that is not realized changes only itself.
    HPALETTE other = MakeRamp(PC_RESERVED);
    EXPECT_TRUE(AnimatePalette(other, 100, 1, white));
    EXPECT_TRUE(IsRampEntry(Read()[100], 100));
    PALETTEENTRY e{};
    EXPECT_EQ(GetPaletteEntries(other, 100, 1, &e), 1u);
    EXPECT_EQ(e.peGreen, 255);
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_TRUE(DeleteObject(pal));
}

TEST(GdiPalette, EntryRangesAreBounded)
{
    HPALETTE pal = MakeRamp(0);
    ASSERT_NE(pal, nullptr);
    PALETTEENTRY out[8]{};
    EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 256u);
    EXPECT_EQ(GetPaletteEntries(pal, 252, 8, out), 4u);
    EXPECT_TRUE(IsRampEntry(out[3], 255));
    EXPECT_EQ(GetPaletteEntries(pal, 256, 1, out), 0u);
    EXPECT_EQ(SetPaletteEntries(pal, 254, 8, out), 2u);
    EXPECT_EQ(SetPaletteEntries(pal, 300, 1, out), 0u);
    EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(100, 155, 50)), 100u);
    WORD count = 0;
    EXPECT_EQ(GetObjectA(pal, sizeof(count), &count), 2);
    EXPECT_EQ(count, 256);
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_EQ(GetPaletteEntries(pal, 0, 1, out), 0u);

    LOGPALETTE lp{0x200, 1, {{1, 2, 3, 0}}};
    EXPECT_EQ(CreatePalette(&lp), nullptr);
    lp.palVersion = 0x300;
    lp.palNumEntries = 0;
    EXPECT_EQ(CreatePalette(&lp), nullptr);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}
