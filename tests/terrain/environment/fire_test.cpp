// The fire's grid: one random unburnt cell per interval while fuel lasts,
// every cell once per round, a refusing BurnCell, and the one-cell grid.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "kestu_fire.h"

namespace {

class TestFire : public CGfxFirePhysical {
public:
    using CGfxFirePhysical::Build;
    using CGfxFirePhysical::Logic;
    using CGfxFirePhysical::Release;
    using CGfxFirePhysical::ResetFuel;

    BOOL BurnCell(int row, int column, float& fuelUsed) override
    {
        burns.emplace_back(row, column);
        timesSeen.push_back(fuelUsed);
        if (!accept) return FALSE;
        if (fuel >= 0.0f) fuelUsed = fuel;
        return TRUE;
    }

    std::vector<std::pair<int, int>> burns;
    std::vector<float> timesSeen;
    bool accept = true;
    float fuel = 1.0f; // negative: leave the argument as it came
};

SFirePhysicalInit Init(int w, int h, float fuel, float interval)
{
    SFirePhysicalInit init;
    init.nWidth = w;
    init.nHeight = h;
    init.fFuel = fuel;
    init.fInterval = interval;
    return init;
}

} // namespace

TEST(Fire, BuildRefusesBadGrids)
{
    TestFire fire;
    for (const SFirePhysicalInit& bad :
         {Init(0, 3, 1, 1), Init(3, 0, 1, 1), Init(-2, -2, 1, 1), Init(65536, 65536, 1, 1), Init(0, 3, 0, 1)}) {
        EXPECT_EQ(fire.Build(bad), E_INVALIDARG);
        EXPECT_EQ(fire.GetUnburntNum(), 0);
        fire.Logic(100.0f); // nothing to burn
        EXPECT_TRUE(fire.burns.empty());
    }
    ASSERT_EQ(fire.Build(Init(3, 2, 5, 0.5f)), S_OK);
    EXPECT_EQ(fire.GetUnburntNum(), 6);
    // A second build starts from a fresh grid.
    ASSERT_EQ(fire.Build(Init(4, 4, 5, 0.5f)), S_OK);
    EXPECT_EQ(fire.GetUnburntNum(), 16);
}

TEST(Fire, EveryCellBurnsOncePerRound)
{
    TestFire fire;
    ASSERT_EQ(fire.Build(Init(4, 3, 100.0f, 0.5f)), S_OK);
    std::srand(7);
    float t = 1.0f;
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < 12; ++i, t += 1.0f) {
        fire.Logic(t);
        ASSERT_EQ(fire.burns.size(), size_t(i + 1));
        const auto cell = fire.burns.back();
        EXPECT_TRUE(seen.insert(cell).second) << "cell burnt twice in a round";
        EXPECT_GE(cell.first, 0);
        EXPECT_LT(cell.first, 3);
        EXPECT_GE(cell.second, 0);
        EXPECT_LT(cell.second, 4);
        EXPECT_EQ(fire.IsCellBurnt(cell.first, cell.second), 1);
        if (i < 11) {
            EXPECT_EQ(fire.GetUnburntNum(), 11 - i);
        }
    }
    // The round is over: the grid starts again with the last cell burnt.
    EXPECT_EQ(fire.GetUnburntNum(), 11);
    int burnt = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) burnt += fire.IsCellBurnt(r, c);
    EXPECT_EQ(burnt, 1);
    EXPECT_EQ(fire.IsCellBurnt(fire.burns.back().first, fire.burns.back().second), 1);
    EXPECT_FLOAT_EQ(fire.GetFuel(), 88.0f);
}

TEST(Fire, TheClockAndTheFuel)
{
    TestFire fire;
    ASSERT_EQ(fire.Build(Init(5, 5, 2.5f, 1.0f)), S_OK);
    fire.Logic(0.5f); // not past the first interval
    EXPECT_TRUE(fire.burns.empty());
    fire.Logic(1.5f);
    fire.Logic(2.0f); // within the interval of the last burn
    EXPECT_EQ(fire.burns.size(), 1u);
    EXPECT_EQ(fire.timesSeen[0], 1.5f); // the argument arrives holding the time
    EXPECT_EQ(fire.GetLastBurnTime(), 1.5f);

    // A refused burn moves the clock but burns nothing.
    fire.accept = false;
    fire.Logic(3.0f);
    EXPECT_EQ(fire.GetLastBurnTime(), 3.0f);
    EXPECT_EQ(fire.GetUnburntNum(), 24);
    EXPECT_FLOAT_EQ(fire.GetFuel(), 1.5f);

    // Left as it came, the argument takes the time off the fuel.
    fire.accept = true;
    fire.fuel = -1.0f;
    fire.Logic(4.25f);
    EXPECT_FLOAT_EQ(fire.GetFuel(), 1.5f - 4.25f);
    EXPECT_TRUE(fire.IsNoFuel());
    const size_t calls = fire.burns.size();
    fire.Logic(10.0f);
    EXPECT_EQ(fire.burns.size(), calls);

    // Fuel exactly 0 is no fuel.
    TestFire empty;
    empty.fuel = 1.0f;
    ASSERT_EQ(empty.Build(Init(2, 2, 1.0f, 0.0f)), S_OK);
    empty.Logic(1.0f);
    EXPECT_EQ(empty.GetFuel(), 0.0f);
    EXPECT_TRUE(empty.IsNoFuel());
    empty.Logic(2.0f);
    EXPECT_EQ(empty.burns.size(), 1u);
}

TEST(Fire, BuildsWithoutFuel)
{
    // Fuel 0 or below is a fire that has nothing to burn: it builds, reports
    // no fuel and its steps neither burn nor move the clock.
    for (const float fuel : {0.0f, -0.0f, -3.0f}) {
        SCOPED_TRACE(fuel);
        TestFire fire;
        ASSERT_EQ(fire.Build(Init(3, 2, fuel, 0.5f)), S_OK);
        EXPECT_EQ(fire.GetUnburntNum(), 6);
        EXPECT_EQ(fire.GetFuel(), fuel);
        EXPECT_TRUE(fire.IsNoFuel());
        fire.Logic(5.0f);
        fire.Logic(10.0f);
        EXPECT_TRUE(fire.burns.empty());
        EXPECT_EQ(fire.GetLastBurnTime(), 0.0f);
        EXPECT_EQ(fire.GetUnburntNum(), 6);
    }
}

TEST(Fire, OneCellGridKeepsBurning)
{
    TestFire fire;
    fire.fuel = 0.5f;
    ASSERT_EQ(fire.Build(Init(1, 1, 10.0f, 0.1f)), S_OK);
    for (int i = 1; i <= 4; ++i) {
        fire.Logic(float(i));
        ASSERT_EQ(fire.burns.size(), size_t(i));
        EXPECT_EQ(fire.burns.back(), std::make_pair(0, 0));
        EXPECT_EQ(fire.GetUnburntNum(), 0);
        EXPECT_EQ(fire.IsCellBurnt(0, 0), 1);
    }
    EXPECT_FLOAT_EQ(fire.GetFuel(), 8.0f);
    fire.ResetFuel();
    EXPECT_EQ(fire.GetUnburntNum(), 1);
    EXPECT_EQ(fire.IsCellBurnt(0, 0), 0);
}
