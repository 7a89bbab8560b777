#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/host_ddraw.h"
#include "kestu_colortable.h"

namespace {

std::vector<CCOL> Ramp()
{
    std::vector<CCOL> c(256);
    for (int i = 0; i < 256; ++i) c[size_t(i)] = CCOL{BYTE(i), BYTE(255 - i), BYTE(i ^ 0x55), 0};
    return c;
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE pal)
{
    std::vector<PALETTEENTRY> e(256);
    EXPECT_EQ(GetPaletteEntries(pal, 0, 256, e.data()), 256u);
    return e;
}

std::vector<PALETTEENTRY> SystemEntries()
{
    std::vector<PALETTEENTRY> e(256);
    HDC dc = GetDC(nullptr);
    GetSystemPaletteEntries(dc, 0, 256, e.data());
    ReleaseDC(nullptr, dc);
    return e;
}

bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

// An 8-bit desktop, where the system keeps 20 static colours.
class SystemPaletteUse : public ::testing::Test {
protected:
    void SetUp() override
    {
        desktop = host::GetCurrentMode();
        host::SetDesktopMode({640, 480, 8});
    }
    void Use(UINT use)
    {
        HDC dc = GetDC(nullptr);
        saved = SetSystemPaletteUse(dc, use);
        ReleaseDC(nullptr, dc);
    }
    void TearDown() override
    {
        HDC dc = GetDC(nullptr);
        SetSystemPaletteUse(dc, saved);
        ReleaseDC(nullptr, dc);
        host::SetDesktopMode(desktop);
    }
    UINT saved = SYSPAL_STATIC;
    host::DisplayModeDesc desktop;
};

TEST_F(SystemPaletteUse, StaticColoursStayWhereTheSystemKeepsThem)
{
    Use(SYSPAL_STATIC);
    HDC dc = GetDC(nullptr);
    const int statics = GetDeviceCaps(dc, NUMCOLORS);
    ReleaseDC(nullptr, dc);
    ASSERT_EQ(statics, 20);

    const std::vector<CCOL> colours = Ramp();
    COLORTABLE table;
    EXPECT_EQ(table.Build(colours.data()), 1);
    EXPECT_EQ(table.GetCount(), 256u);
    ASSERT_NE(table.GetHpal(), nullptr);
    EXPECT_EQ(table.GetRGB()[7].rgbRed, colours[7].red);
    const auto e = EntriesOf(table.GetHpal());
    const auto sys = SystemEntries();
    for (int i = 0; i < 256; ++i) {
        if (i < 10 || i >= 246) {
            EXPECT_TRUE(Same(e[size_t(i)], sys[size_t(i)])) << i;
            EXPECT_EQ(e[size_t(i)].peFlags, 0) << i;
        } else {
            EXPECT_EQ(e[size_t(i)].peRed, colours[size_t(i)].red) << i;
            EXPECT_EQ(e[size_t(i)].peBlue, colours[size_t(i)].blue) << i;
            EXPECT_EQ(e[size_t(i)].peFlags, PC_RESERVED) << i;
        }
    }
}

TEST_F(SystemPaletteUse, NoStaticMakesBlackAndWhiteEnds)
{
    Use(SYSPAL_NOSTATIC);
    const std::vector<CCOL> colours = Ramp();
    COLORTABLE table;
    table.Build(colours.data());
    const auto e = EntriesOf(table.GetHpal());
    EXPECT_TRUE(Same(e[0], PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_TRUE(Same(e[255], PALETTEENTRY{255, 255, 255, 0}));
    EXPECT_EQ(e[255].peFlags, 0);
    EXPECT_EQ(e[1].peGreen, colours[1].green);
    EXPECT_EQ(e[1].peFlags, PC_RESERVED);
}

TEST_F(SystemPaletteUse, RestoreTouchesOnlyItsRange)
{
    Use(SYSPAL_STATIC);
    const std::vector<CCOL> colours = Ramp();
    for (SYSTEMPALETTETYPE type : {SYSTEMPALETTE_STATIC, SYSTEMPALETTE_NOSTATIC}) {
        COLORTABLE table;
        table.Build(colours.data());
        std::vector<PALETTEENTRY> marks(256, PALETTEENTRY{1, 2, 3, 0});
        SetPaletteEntries(table.GetHpal(), 0, 256, marks.data());
        table.RestoreLogicalPalette(type);
        const auto e = EntriesOf(table.GetHpal());
        const int first = type == SYSTEMPALETTE_STATIC ? 10 : 1;
        for (int i = 0; i < 256; ++i) {
            const bool restored = i >= first && i <= 255 - first;
            if (restored)
                EXPECT_EQ(e[size_t(i)].peRed, colours[size_t(i)].red) << type << " " << i;
            else
                EXPECT_TRUE(Same(e[size_t(i)], marks[size_t(i)])) << type << " " << i;
        }
    }
}

TEST(ColorTable, CopiesOwnTheirColoursAndPalette)
{
    const std::vector<CCOL> colours = Ramp();
    COLORTABLE a;
    a.Build(colours.data());
    {
        COLORTABLE b(a);
        EXPECT_NE(b.GetRGB(), a.GetRGB());
        EXPECT_NE(b.GetHpal(), a.GetHpal());
        EXPECT_EQ(b.GetRGB()[40].rgbGreen, colours[40].green);
        COLORTABLE c;
        c.Build(static_cast<unsigned char>(0));
        EXPECT_EQ(c.GetRGB()[40].rgbGreen, 0);
        c = a;
        EXPECT_EQ(c.GetRGB()[40].rgbGreen, colours[40].green);
    }
    // The original's palette survived the copies.
    EXPECT_EQ(EntriesOf(a.GetHpal()).size(), 256u);
    COLORTABLE empty, copy(empty);
    EXPECT_EQ(copy.GetRGB(), nullptr);
    EXPECT_EQ(copy.GetHpal(), nullptr);
}

TEST(PalIndexMetrix, TablesAndCopies)
{
    std::vector<BYTE> data(3 * 256);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i / 256 + 1);
    PALINDEXMETRIX m;
    EXPECT_EQ(m.Build(3, data.data()), 1);
    EXPECT_EQ(m.GetTable(2) - m.GetTable(0), 512);
    EXPECT_EQ(m.GetTable(2)[0], 3);
    PALINDEXMETRIX copy;
    copy = m;
    EXPECT_NE(copy.GetTable(0), m.GetTable(0));
    EXPECT_EQ(copy.GetTable(1)[255], 2);
    PALINDEXMETRIX again(copy);
    EXPECT_EQ(again.GetCount(), 3);
}

} // namespace

namespace {

TEST(ColorTable, RecordSizes)
{
    static_assert(sizeof(CCOL) == 4);
    static_assert(sizeof(BITMAPHEADER) == 40 + 1024);
    static_assert(sizeof(LPALETTE) == 1028);
    static_assert(sizeof(PALINDEXTABLE) == 256);
    const CCOL c{1, 2, 3, 4};
    RGBQUAD q;
    std::memcpy(&q, &c, 4);
    EXPECT_EQ(q.rgbBlue, 1);
    EXPECT_EQ(q.rgbRed, 3);
}

} // namespace
