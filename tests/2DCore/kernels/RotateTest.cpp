// Rotated paint: forward mapping about the sprite centre, clipped.
#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/TestSprite.h"

using namespace kestu_test;

namespace {

constexpr int kSize = 21;  // destination side; the point is its centre
constexpr uint16_t kBack = 0x7777;

struct Screen {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(kSize * kSize, kBack);
    uint16_t* Centre() { return pixels.data() + (kSize / 2) * kSize + kSize / 2; }
    uint16_t At(int x, int y) const { return pixels[(y + kSize / 2) * kSize + x + kSize / 2]; }
};

// 4 x 3 sprite with a transparent gap in its middle row.
Sprite Sample()
{
    return MakeSprite(4, {{0, 4}, {0, 1, 2, 1}, {0, 4}}, {1, 2, 3, 4, 5, 0, 0, 8, 9, 10, 11, 12});
}

void Rotate(Screen& screen, const Sprite& s, float angle, float spread, int l = -10, int r = 11, int t = -10, int b = 11)
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
            const int sx = x + 2, sy = y + 1;  // hw = 2, hh = 1
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
    EXPECT_EQ(screen.At(0, 0), kBack);  // source (2, 1) is transparent
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

}  // namespace
