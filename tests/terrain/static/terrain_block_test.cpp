// One static terrain block: altitudes, sphere, height lookup and ray tests.
#include <gtest/gtest.h>

#include "kestu_terrain.h"

namespace {

// A block over [0, 8) x [0, 8): cells of 2 x 2.
struct TestBlock {
    explicit TestBlock(float (*height)(int column, int row))
    {
        WORD indices[25];
        float altitudes[25];
        for (int i = 0; i < 25; ++i) {
            indices[i] = WORD(i);
            altitudes[i] = height(i % 5, i / 5);
        }
        block.Set(3, 7, indices, altitudes, 1, 65535);
        const KESTURECT2 rect(0.0f, 8.0f, 8.0f, 0.0f);
        block.SetRect(&rect);
        block.FillAltitude(-100.0f);
        block.FillBoundSphere(-100.0f);
    }
    CTerrainBlock block;
};

} // namespace

TEST(TerrainBlock, FlatBlockIsFlatAndItsSphereHalfTheDiagonal)
{
    TestBlock t([](int, int) { return 5.0f; });
    for (float x : {0.0f, 1.3f, 4.0f, 7.9f})
        for (float z : {0.0f, 2.0f, 5.5f}) EXPECT_FLOAT_EQ(t.block.GetAtitude(x, z), 5.0f);
    const SBoundSphere* s = t.block.GetSphere();
    EXPECT_FLOAT_EQ(s->center.x, 4.0f);
    EXPECT_FLOAT_EQ(s->center.y, 5.0f);
    EXPECT_FLOAT_EQ(s->center.z, 4.0f);
    EXPECT_NEAR(s->radius, std::sqrt(32.0f), 1e-5f);
    EXPECT_FLOAT_EQ(t.block.GetCorner(OU_CORNER_RIGHTTOP)->y, 5.0f);
}

TEST(TerrainBlock, HeightFollowsTheSplitDiagonal)
{
    // Only grid point (1, 0) is raised: it belongs to the lower-right triangle of cell (0, 0).
    TestBlock t([](int c, int r) { return (c == 1 && r == 0) ? 4.0f : 0.0f; });
    EXPECT_FLOAT_EQ(t.block.GetAtitude(1.5f, 0.5f), 2.0f); // below the diagonal: (u - v) = 0.5
    EXPECT_FLOAT_EQ(t.block.GetAtitude(0.5f, 1.5f), 0.0f); // above it
    EXPECT_FLOAT_EQ(t.block.GetAtitude(1.0f, 1.0f), 0.0f); // on it: the diagonal's own height

    // A ramp in x: the lookup interpolates across cells and on every dividing line.
    TestBlock ramp([](int c, int) { return float(c); });
    for (float x : {0.0f, 1.0f, 2.0f, 4.0f, 5.0f, 6.0f, 7.5f})
        EXPECT_FLOAT_EQ(ramp.block.GetAtitude(x, 3.0f), x / 2.0f);
    // Outside: the nearest cell's plane, extended.
    EXPECT_FLOAT_EQ(ramp.block.GetAtitude(10.0f, 3.0f), 5.0f);
    EXPECT_FLOAT_EQ(ramp.block.GetAtitude(-2.0f, 3.0f), -1.0f);
}

TEST(TerrainBlock, CellsSplitAtTheirDiagonalWhenOblong)
{
    WORD indices[25];
    float altitudes[25] = {};
    for (int i = 0; i < 25; ++i) indices[i] = WORD(i);
    altitudes[1] = 4.0f; // grid point (1, 0)
    CTerrainBlock b;
    b.Set(0, 0, indices, altitudes, 1, 65535);
    const KESTURECT2 rect(0.0f, 4.0f, 16.0f, 0.0f); // cells 4 wide, 1 deep
    b.SetRect(&rect);
    // (3, 0.5) lies below the cell's diagonal from (0,0) to (4,1): in the raised triangle.
    EXPECT_FLOAT_EQ(b.GetAtitude(3.0f, 0.5f), 4.0f * 0.25f);
    // (1, 0.5) lies above it: flat.
    EXPECT_FLOAT_EQ(b.GetAtitude(1.0f, 0.5f), 0.0f);
}

TEST(TerrainBlock, RaysHitTheTriangleUnderThem)
{
    TestBlock t([](int c, int r) { return float(c + r); });
    D3DXVECTOR3 out;
    const D3DXVECTOR3 from(3.5f, 50.0f, 2.5f), to(3.5f, -50.0f, 2.5f); // cell (1, 1), below its diagonal
    ASSERT_EQ(t.block.GetPointOfIntersection(&out, 1, 1, &from, &to, 2.0f, 2.0f), &out);
    EXPECT_NEAR(out.y, t.block.GetAtitude(3.5f, 2.5f), 1e-4f);
    const D3DXVECTOR3 from2(2.5f, 50.0f, 3.5f), to2(2.5f, -50.0f, 3.5f); // above the diagonal
    ASSERT_EQ(t.block.GetPointOfIntersection(&out, 1, 1, &from2, &to2, 2.0f, 2.0f), &out);
    EXPECT_NEAR(out.y, t.block.GetAtitude(2.5f, 3.5f), 1e-4f);
    EXPECT_NEAR(out.x, 2.5f, 1e-4f);
    // From below the surface is culled; a ray beside the cell misses.
    EXPECT_EQ(t.block.GetPointOfIntersection(&out, 1, 1, &to, &from, 2.0f, 2.0f), nullptr);
    EXPECT_EQ(t.block.GetPointOfIntersection(&out, 0, 0, &from, &to, 2.0f, 2.0f), nullptr);
    // Cells outside the 4 x 4 grid are refused.
    for (auto cell : {std::pair{4, 0}, {0, 4}, {-1, 2}, {2, -1}})
        EXPECT_EQ(t.block.GetPointOfIntersection(&out, cell.first, cell.second, &from, &to, 2.0f, 2.0f), nullptr);
}

TEST(TerrainBlock, ReportsOnlyWhenDrawnAndWhileTheTerrainTests)
{
    CTerrainBlock b;
    b.OnSelect(nullptr, 1); // no terrain: nothing happens
    CTerrain t;
    b.OnSelect(&t, 1); // a terrain outside its visibility pass: not reported
    EXPECT_EQ(t.GetVisibleBlockNum(), 0u);
}
