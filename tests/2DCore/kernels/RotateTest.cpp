// Rotated paint: forward mapping about the sprite centre, clipped.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/TestSprite.h"

using namespace kestu_test;

namespace {

constexpr int kSize = 21; // destination side; the point is its centre
constexpr uint16_t kBack = 0x7777;

struct Screen {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(kSize * kSize, kBack);
    uint16_t* Centre() { return pixels.data() + (kSize / 2) * kSize + kSize / 2; }
    uint16_t At(int x, int y) const { return pixels[(y + kSize / 2) * kSize + x + kSize / 2]; }
};

// 4 x 3 sprite with a transparent gap in its middle row.
Sprite Sample() { return MakeSprite(4, {{0, 4}, {0, 1, 2, 1}, {0, 4}}, {1, 2, 3, 4, 5, 0, 0, 8, 9, 10, 11, 12}); }

void Rotate(Screen& screen, const Sprite& s, float angle, float spread, int l = -10, int r = 11, int t = -10,
            int b = 11)
{
    BltRleRotate16(screen.Centre(), s.runs.data(), s.RowEntry(0), s.width, s.height, kSize * 2, l, r, t, b, angle,
                   spread);
}

TEST(Rotate, AngleZeroIsAPlainCentredPaint)
{
    const Sprite s = Sample();
    Screen screen;
    Rotate(screen, s, 0.0f, 0.0f);
    for (int y = -10; y <= 10; ++y)
        for (int x = -10; x <= 10; ++x) {
            const int sx = x + 2, sy = y + 1; // hw = 2, hh = 1
            const bool inside = sx >= 0 && sx < 4 && sy >= 0 && sy < 3 && s.Opaque(sx, sy);
            EXPECT_EQ(screen.At(x, y), inside ? s.Pixel(sx, sy) : kBack) << x << "," << y;
        }
}

TEST(Rotate, QuarterTurnIsCounterClockwise)
{
    const Sprite s = Sample();
    Screen screen;
    Rotate(screen, s, static_cast<float>(std::numbers::pi / 2), 0.0f);
    // Pixel (col, row) lands at (row - hh, -(col - hw)): the rightmost column on top.
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            if (s.Opaque(col, row)) {
                EXPECT_EQ(screen.At(row - 1, -(col - 2)), s.Pixel(col, row)) << col << "," << row;
            }
    EXPECT_EQ(screen.At(0, 0), kBack); // source (2, 1) is transparent
}

TEST(Rotate, SpreadWritesTheNeighbour)
{
    const Sprite one = MakeSprite(1, {{0, 1}}, {0x1234});
    // A tiny angle keeps the pixel at the origin; spread 0.25 widens the rounding.
    Screen plain, spread;
    Rotate(plain, one, 0.0f, 0.0f);
    Rotate(spread, one, 0.0f, 0.25f);
    EXPECT_EQ(plain.At(0, 0), 0x1234);
    EXPECT_EQ(spread.At(0, 0), 0x1234);
    int written = 0;
    for (uint16_t p : plain.pixels) written += p != kBack;
    EXPECT_EQ(written, 1);
    // At 45 degrees the far pixel of a 3 x 3 block has a coordinate near one half.
    const Sprite block = MakeSprite(3, {{0, 3}, {0, 3}, {0, 3}}, std::vector<uint16_t>(9, 0x4321));
    Screen a, b;
    Rotate(a, block, static_cast<float>(std::numbers::pi / 4), 0.0f);
    Rotate(b, block, static_cast<float>(std::numbers::pi / 4), 0.25f);
    int na = 0, nb = 0;
    for (uint16_t p : a.pixels) na += p != kBack;
    for (uint16_t p : b.pixels) nb += p != kBack;
    EXPECT_LE(na, 9);
    EXPECT_GT(nb, na);
}

TEST(Rotate, ClipRectangleBoundsEveryWrite)
{
    const Sprite block = MakeSprite(7, std::vector<RowRuns>(7, RowRuns{0, 7}), std::vector<uint16_t>(49, 0x4321));
    for (float angle : {0.0f, 0.3f, 1.0f, 2.5f, -0.7f}) {
        Screen screen;
        Rotate(screen, block, angle, 0.3f, -2, 3, -1, 2);
        for (int y = -10; y <= 10; ++y)
            for (int x = -10; x <= 10; ++x)
                if (x < -2 || x >= 3 || y < -1 || y >= 2) {
                    EXPECT_EQ(screen.At(x, y), kBack) << angle;
                }
    }
    Screen empty;
    Rotate(empty, block, 0.0f, 0.0f, 0, 0, -10, 11);
    EXPECT_EQ(empty.pixels, Screen().pixels);
}

// The definition, pixel by pixel in extended precision and in source order:
// the kernel's results must match it exactly, whichever way it computes them.
std::vector<uint16_t> Defined(const Sprite& s, int side, float angle, float spread)
{
    std::vector<uint16_t> screen(size_t(side) * side, kBack);
    const long double c = std::cos(static_cast<long double>(angle)), sn = std::sin(static_cast<long double>(angle));
    const long double a = 0.5L - spread, b = 0.5L + spread;
    auto away = [](long double v, long double offset) { return static_cast<int>(v > 0 ? v + offset : v - offset); };
    auto put = [&](int x, int y, uint16_t p) {
        if (x >= -side / 2 && x < side - side / 2 && y >= -side / 2 && y < side - side / 2)
            screen[size_t(y + side / 2) * side + size_t(x + side / 2)] = p;
    };
    for (int row = 0; row < s.height; ++row) {
        const long double Y = s.height / 2 - row;
        const float ys = static_cast<float>(Y * sn);
        const long double yc = Y * c;
        for (int col = 0; col < s.width; ++col) {
            if (!s.Opaque(col, row)) continue;
            const long double dx = col - s.width / 2;
            const long double X = dx * c - ys, V = (-dx) * sn - yc;
            const int xa = away(X, a), xb = away(X, b), ya = away(V, a), yb = away(V, b);
            put(xa, ya, s.Pixel(col, row));
            if (xb != xa || yb != ya) put(xb, yb, s.Pixel(col, row));
        }
    }
    return screen;
}

TEST(Rotate, MatchesTheExtendedPrecisionDefinitionExactly)
{
    constexpr int kSide = 141;
    std::mt19937 rng(44);
    const Sprite sprite = RandomSprite(rng, 73, 58);
    const float pi = std::numbers::pi_v<float>;
    // Angles and spreads that put coordinates exactly on rounding edges, and random ones.
    std::vector<float> angles = {0.0f, pi / 2, pi, -pi / 2, pi / 4, 3 * pi / 4, 1e-7f, -1e-7f, 2 * pi, 1e-3f};
    std::uniform_real_distribution<float> turn(-8.0f, 8.0f);
    for (int i = 0; i < 40; ++i) angles.push_back(turn(rng));
    for (float angle : angles)
        for (float spread : {0.0f, 0.25f, 0.5f, 0.3f, 0.75f, -0.2f, 1.5f}) {
            std::vector<uint16_t> screen(size_t(kSide) * kSide, kBack);
            uint16_t* centre = screen.data() + (kSide / 2) * kSide + kSide / 2;
            BltRleRotate16(centre, sprite.runs.data(), sprite.RowEntry(0), sprite.width, sprite.height, kSide * 2,
                           -kSide / 2, kSide - kSide / 2, -kSide / 2, kSide - kSide / 2, angle, spread);
            ASSERT_EQ(screen, Defined(sprite, kSide, angle, spread)) << "angle " << angle << " spread " << spread;
        }
}

} // namespace
