#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "trig_table.h"

namespace {

TEST(TrigTableTest, SineOverSeveralPeriodsStaysWithinTolerance)
{
    const CTrigonometricfunctionTable table;
    double worst = 0.0;
    // Odd step so that samples fall between table entries; both signs, up to eight periods.
    for (double a = -8.0 * 2.0 * std::numbers::pi; a <= 8.0 * 2.0 * std::numbers::pi; a += 0.000731) {
        const float angle = static_cast<float>(a);
        worst = std::max(worst, std::fabs(table.Query(angle) - std::sin(static_cast<double>(angle))));
        worst = std::max(worst, std::fabs(table.QueryCos(angle) - std::cos(static_cast<double>(angle))));
    }
    EXPECT_LT(worst, 1e-5);
}

TEST(TrigTableTest, KnownAnglesAndNonFiniteInput)
{
    const CTrigonometricfunctionTable table;
    const float pi = std::numbers::pi_v<float>;
    EXPECT_NEAR(table.Query(0.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(table.Query(pi / 2), 1.0f, 1e-6f);
    EXPECT_NEAR(table.Query(3 * pi / 2), -1.0f, 1e-6f);
    EXPECT_NEAR(table.Query(5 * pi / 2), 1.0f, 1e-6f);
    EXPECT_NEAR(table.Query(-pi / 6), -0.5f, 1e-5f);
    EXPECT_EQ(table.Query(NAN), 0.0f);
    EXPECT_EQ(table.Query(INFINITY), 0.0f);
}

} // namespace
