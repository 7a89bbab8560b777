#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kestu_ablight.h"

namespace {

constexpr HRESULT kBadParam = static_cast<HRESULT>(0x82000109);

std::vector<int> MapOf(const CABLightModel& m)
{
    const uint8_t* p = m.GetMap();
    return std::vector<int>(p, p + m.GetSize() * m.GetMapHeight());
}

TEST(LightModel, CircleOfFive)
{
    CABLightModel m;
    ASSERT_EQ(m.Build(KESTU_ABLIGHT_2DPOINT, 5, 8, 0, 100), 0);
    const std::vector<int> expect = {
        0, 0,  0,   0,  0, //
        0, 50, 50,  50, 0, //
        0, 50, 100, 50, 0, //
        0, 50, 50,  50, 0, //
        0, 0,  0,   0,  0,
    };
    EXPECT_EQ(MapOf(m), expect);
}

TEST(LightModel, EllipseIsShorterAndSymmetric)
{
    CABLightModel m;
    ASSERT_EQ(m.Build(KESTU_ABLIGHT_2DPOINT, 8, 16, 10, 90), 0);
    ASSERT_EQ(m.GetMapHeight(), 4);
    const std::vector<int> map = MapOf(m);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(map[j * 8 + i], map[j * 8 + 7 - i]) << i << "," << j;
            EXPECT_EQ(map[j * 8 + i], map[(3 - j) * 8 + i]) << i << "," << j;
            EXPECT_GE(map[j * 8 + i], 10);
            EXPECT_LE(map[j * 8 + i], 90);
        }
    EXPECT_GT(map[1 * 8 + 3], map[0 * 8 + 0]);
}

TEST(LightModel, RejectedBuilds)
{
    struct Case {
        int type, size, aspect, min, max;
    };
    for (const Case& c : {Case{0, 5, 257, 0, 10}, Case{0, 5, 0, 0, 10}, Case{0, 0, 8, 0, 10}, Case{0, 5, 8, 20, 10},
                          Case{0, 5, 8, -1, 10}, Case{1, 5, 8, 0, 10}}) {
        CABLightModel m;
        EXPECT_EQ(m.Build(static_cast<ENUM_KESTU_ABLIGHT_TYPE>(c.type), c.size, c.aspect, c.min, c.max), kBadParam)
            << c.type << " " << c.size << " " << c.aspect << " " << c.min << " " << c.max;
        EXPECT_FALSE(m.IsBuilt());
    }
}

TEST(LightModelManager, FindFreeModel)
{
    CABLightModeManger none;
    EXPECT_EQ(none.FindFreeModel(), -1);
    CABLightModeManger mgr;
    ASSERT_EQ(mgr.Build(3), 0);
    EXPECT_EQ(mgr.GetModelNumber(), 3);
    ASSERT_EQ(mgr.GetModel(0)->Build(KESTU_ABLIGHT_2DPOINT, 3, 8, 0, 10), 0);
    EXPECT_EQ(mgr.FindFreeModel(), 1);
}

class Grid : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(models.Build(2), 0);
        ASSERT_EQ(models.GetModel(0)->Build(KESTU_ABLIGHT_2DPOINT, 5, 8, 0, 100), 0);
        ASSERT_EQ(models.GetModel(1)->Build(KESTU_ABLIGHT_2DPOINT, 5, 8, 0, 60), 0);
        init.area = GRECT(0, 0, 100, 60);
        init.maxLights = 2;
        init.maxImpedients = 1;
        init.fillLevel = 3;
        init.modelManager = &models;
        ASSERT_EQ(grid.Build(&init), 0);
    }
    int Cell(int c, int r) const { return grid.GetGrid()[r * grid.GetColumns() + c]; }
    SABLight2DPoint Light(int x, int y, int model)
    {
        SABLight2DPoint l;
        l.x = x;
        l.y = y;
        l.model = model;
        return l;
    }

    CABLightModeManger models;
    SAlphaBufferInit2D init;
    CAlphaBuffer2D grid;
};

TEST_F(Grid, SizeAndFill)
{
    EXPECT_EQ(grid.GetColumns(), 12);
    EXPECT_EQ(grid.GetRows(), 7);
    EXPECT_EQ(Cell(11, 6), 3);
}

TEST_F(Grid, RejectedBuilds)
{
    SAlphaBufferInit2D bad = init;
    bad.cellHeight = 0;
    CAlphaBuffer2D g;
    EXPECT_EQ(g.Build(&bad), kBadParam);
    bad = init;
    bad.cellWidth = 0;
    EXPECT_EQ(g.Build(&bad), kBadParam);
    bad = init;
    bad.area = GRECT(0, 0, 7, 60);
    EXPECT_EQ(g.Build(&bad), kBadParam);
    bad = init;
    bad.modelManager = nullptr;
    EXPECT_EQ(g.Build(&bad), kBadParam);
    SAlphaBufferInit plain;
    EXPECT_EQ(g.Build(&plain), kBadParam);
    EXPECT_EQ(g.Build(nullptr), kBadParam);
    EXPECT_FALSE(g.IsBuild());
}

TEST_F(Grid, OverfullAddIsIgnored)
{
    SABLight2DPoint three[3] = {Light(8, 8, 0), Light(16, 16, 0), Light(24, 24, 0)};
    grid.AddLights(three, 3);
    EXPECT_EQ(grid.GetLightNumber(), 0);
    EXPECT_EQ(grid.IsDirty(), 0);
    grid.AddLights(three, 2);
    EXPECT_EQ(grid.GetLightNumber(), 2);
    EXPECT_EQ(grid.IsDirty(), 1);
    EXPECT_EQ(grid.GetLight(1)->IsDirty(), 1);
    SABImpedient2DLine two[2];
    grid.AddImpedients(two, 2);
    EXPECT_EQ(grid.GetImpedientNumber(), 0);
}

TEST_F(Grid, OverlappingLightsKeepTheBrighter)
{
    grid.FillValue(0, static_cast<GRECT*>(nullptr));
    // Centres in cells (3, 3) and (4, 3): the patterns overlap in columns 2..5.
    SABLight2DPoint lights[2] = {Light(3 * 8 + 1, 3 * 8 + 1, 0), Light(4 * 8 + 7, 3 * 8, 1)};
    grid.AddLights(lights, 2);
    grid.UpdateData();
    EXPECT_EQ(grid.IsDirty(), 0);
    EXPECT_EQ(Cell(3, 3), 100); // centre of the brighter light
    EXPECT_EQ(Cell(4, 3), 60);  // centre of the other beats the ring of 50
    EXPECT_EQ(Cell(5, 3), 30);  // only the dimmer light reaches here
    EXPECT_EQ(Cell(2, 3), 50);
    EXPECT_EQ(Cell(5, 2), 30);
    EXPECT_EQ(Cell(6, 3), 0);

    std::vector<uint8_t> before(grid.GetGrid(), grid.GetGrid() + 12 * 7);
    grid.GetLight(0)->Dirty(1);
    grid.UpdateData(); // stamping the same light again changes nothing
    EXPECT_EQ(std::vector<uint8_t>(grid.GetGrid(), grid.GetGrid() + 12 * 7), before);

    // A moved light leaves its old stamp until the client refills.
    static_cast<SABLight2DPoint*>(grid.GetLight(0))->x = 9 * 8;
    grid.GetLight(0)->Dirty(1);
    grid.Dirty(1);
    grid.UpdateData();
    EXPECT_EQ(Cell(3, 3), 100);
    EXPECT_EQ(Cell(9, 3), 100);
}

TEST_F(Grid, LightOverTheEdgeStampsOnlyTheInside)
{
    grid.FillValue(0, static_cast<GRECT*>(nullptr));
    SABLight2DPoint corner[2] = {Light(0, 0, 0), Light(99, 59, 0)};
    grid.AddLights(corner, 2);
    grid.UpdateData();
    EXPECT_EQ(Cell(0, 0), 100);
    EXPECT_EQ(Cell(1, 1), 50);
    EXPECT_EQ(Cell(11, 6), 50); // (99, 59) is past the last whole cell: its centre cell is (12, 7)
    EXPECT_EQ(Cell(10, 6), 0);
}

TEST_F(Grid, FillValueStaysInsideTheGrid)
{
    GPOINT past{99, 59}; // inside the area, beyond the last whole cell
    grid.FillValue(static_cast<unsigned char>(9), past);
    GPOINT inside{95, 55};
    grid.FillValue(static_cast<unsigned char>(7), inside);
    EXPECT_EQ(Cell(11, 6), 7);

    GRECT r{90, 50, 40, 40};
    grid.FillValue(5, &r);
    EXPECT_EQ(Cell(11, 6), 5);
    EXPECT_EQ(Cell(10, 6), 3);
    GRECT whole{-4, -4, 200, 200};
    grid.FillValue(6, &whole);
    EXPECT_EQ(Cell(0, 0), 6);
    EXPECT_EQ(Cell(11, 6), 6);
}

TEST_F(Grid, RectViews)
{
    SABRectData view;
    grid.GetRectData(view, nullptr);
    EXPECT_EQ(view.firstCell, grid.GetGrid());
    EXPECT_EQ(view.columns, 12);
    EXPECT_EQ(view.rect.width, 100);

    GRECT r{17, 9, 20, 10};
    grid.GetRectData(view, &r);
    EXPECT_EQ(view.firstCell, grid.GetGrid() + 1 * 12 + 2);
    EXPECT_EQ(view.rect.x, 17);

    GRECT outside{90, 50, 20, 5};
    grid.GetRectData(view, &outside);
    EXPECT_EQ(view.firstCell, nullptr);
    GRECT pastLastCell{90, 50, 10, 5}; // inside the area, but reaches pixel column 99
    grid.GetRectData(view, &pastLastCell);
    EXPECT_EQ(view.firstCell, nullptr);
}

TEST_F(Grid, ReleaseResets)
{
    grid.Release();
    EXPECT_FALSE(grid.IsBuild());
    EXPECT_EQ(grid.GetColumns(), 0);
    grid.UpdateData();
    ASSERT_EQ(grid.Build(&init), 0);
    EXPECT_EQ(grid.GetLightNumber(), 0);
}

} // namespace

namespace {

TEST(LightModel, CopyDataPlainAndMax)
{
    CABLightModel m;
    ASSERT_EQ(m.Build(KESTU_ABLIGHT_2DPOINT, 3, 8, 10, 90), 0);
    std::vector<uint8_t> cells(6 * 4, 70);
    SABRectData view;
    view.rect = GRECT(0, 0, 48, 32);
    view.columns = 6;
    view.rows = 4;
    view.firstCell = cells.data();
    GPOINT centre{2 * 8 + 3, 1 * 8};
    m.CopyData(view, centre, ABLM_COPY_MAX);
    EXPECT_EQ(cells[1 * 6 + 2], 90);
    EXPECT_EQ(cells[0 * 6 + 1], 70); // the pattern's rim (10) loses to 70
    m.CopyData(view, centre, ABLM_COPY_PLAIN);
    EXPECT_EQ(cells[0 * 6 + 1], 10);
    EXPECT_EQ(cells[0 * 6 + 0], 70);
    EXPECT_EQ(centre.x, 2 * 8 + 3);

    for (GPOINT far : {GPOINT{INT32_MAX, INT32_MAX}, GPOINT{INT32_MIN, INT32_MIN}, GPOINT{-100, 5}}) {
        m.CopyData(view, far, ABLM_COPY_PLAIN);
        EXPECT_EQ(cells[3 * 6 + 5], 70);
    }
}

} // namespace
