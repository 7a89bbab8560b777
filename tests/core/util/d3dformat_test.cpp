#include <gtest/gtest.h>

#include "kestu_d3dformat.h"

namespace {

TEST(PixelFormat, D3DFormatMappings)
{
    struct Case {
        D3DFORMAT fmt;
        DWORD bits;
        PIXELFORMAT pf;
        DWORD key;
    };
    const Case cases[] = {
        {D3DFMT_R8G8B8, 24, 24, 0},
        {D3DFMT_A8R8G8B8, 32, 102032, 0xFFFF00FF},
        {D3DFMT_X8R8G8B8, 32, 32, 0xFFFF00FF},
        {D3DFMT_R5G6B5, 16, 16, 0xF81F},
        {D3DFMT_X1R5G5B5, 16, 15, 0x7C1F},
        {D3DFMT_A1R5G5B5, 16, 101015, 0xFC1F},
        {D3DFMT_A4R4G4B4, 16, 16, 0},
        {D3DFMT_P8, 8, 8, 0},
        {D3DFMT_D16_LOCKABLE, 16, 103016, 0},
        {D3DFMT_D32, 32, 101032, 0},
        {D3DFMT_D15S1, 16, 102016, 0},
        {D3DFMT_D24S8, 32, 104032, 0},
        {D3DFMT_D24X8, 32, 103032, 0},
        {D3DFMT_D24X4S4, 32, 105032, 0},
        {D3DFMT_D16, 16, 101016, 0},
        {D3DFMT_UNKNOWN, 0, 105033, 0},
        {D3DFMT_DXT1, 0, 105033, 0},
        {D3DFMT_L8, 0, 105033, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fmt));
        EXPECT_EQ(GetBitCountByD3DFormat(c.fmt), c.bits);
        EXPECT_EQ(GetPixelFormatByD3DFormat(c.fmt), c.pf);
        EXPECT_EQ(GetColorKeyByD3DFormat(c.fmt), c.key);
        // Every code maps back to its format, except A4R4G4B4 which shares 565's code.
        if (c.pf == PIXELFORMAT_UNKNOWN)
            EXPECT_EQ(FormatFromBitDepth(c.pf), D3DFMT_UNKNOWN);
        else if (c.fmt == D3DFMT_A4R4G4B4)
            EXPECT_EQ(FormatFromBitDepth(c.pf), D3DFMT_R5G6B5);
        else
            EXPECT_EQ(FormatFromBitDepth(c.pf), c.fmt);
    }
    for (PIXELFORMAT unknown : {0, 1, 17, 101017, 105034, -16})
        EXPECT_EQ(FormatFromBitDepth(unknown), D3DFMT_UNKNOWN) << unknown;
}

} // namespace
