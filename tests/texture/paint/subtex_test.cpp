// SSubTexInfo: the texture coordinates of one atlas cell.
#include <gtest/gtest.h>

#include "kestu_texture_subtex.h"

namespace {

TEST(SubTexInfoTest, CellCoordinates)
{
    SSubTexInfo cell;
    EXPECT_EQ(cell.GetSizeInPixel(), 32u);
    EXPECT_EQ(cell.dwTexID, 0xFFFFFFFFu);
    cell.Set(7, 2, 3, SUBTEXINFO_32);
    EXPECT_EQ(cell.dwTexID, 7u);
    EXPECT_FLOAT_EQ(cell.GetSize(), 0.125f);
    FRECT r;
    cell.CalcTexCoordinate(r);
    EXPECT_FLOAT_EQ(r.left, 0.25f);
    EXPECT_FLOAT_EQ(r.top, 0.375f);
    EXPECT_FLOAT_EQ(r.right, 0.375f);
    EXPECT_FLOAT_EQ(r.bottom, 0.5f);
    const struct {
        ENUM_OU_CORNER corner;
        float u, v;
    } corners[] = {{OU_CORNER_LEFTBOTTOM, 0.25f, 0.5f},
                   {OU_CORNER_RIGHTBOTTOM, 0.375f, 0.5f},
                   {OU_CORNER_RIGHTTOP, 0.375f, 0.375f},
                   {OU_CORNER_LEFTTOP, 0.25f, 0.375f},
                   {static_cast<ENUM_OU_CORNER>(9), 0.25f, 0.375f}};
    for (const auto& c : corners) {
        float u = -1, v = -1;
        cell.CalcTexCoordinate(u, v, c.corner);
        EXPECT_FLOAT_EQ(u, c.u) << c.corner;
        EXPECT_FLOAT_EQ(v, c.v) << c.corner;
    }
    // Columns count as unsigned: the last column lies far right, not left of 0.
    cell.Set(7, 0xFFFFFFFF, 0, SUBTEXINFO_256);
    cell.CalcTexCoordinate(r);
    EXPECT_GT(r.left, 1e9f);
}

} // namespace
