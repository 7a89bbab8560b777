// Mirrored and upside-down paints: where each source pixel lands.
#include <gtest/gtest.h>

#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "kernels/TestSprite.h"

using namespace kestu_test;

namespace {

TEST(TurnedPaint, MirrorPlacesColumnsRightToLeft)
{
    Sprite s = MakeSprite(3, {{0, 3}}, {0xA, 0xB, 0xC});
    std::vector<uint16_t> row(16, 0x77);
    BltRleCopyMirrorH16(row.data() + 10, s.runs.data(), s.RowEntry(0), 6, 1, 32, 0);
    EXPECT_EQ(row[9], 0x77);
    EXPECT_EQ(row[10], 0xC);
    EXPECT_EQ(row[11], 0xB);
    EXPECT_EQ(row[12], 0xA);
    EXPECT_EQ(row[13], 0x77);
}

TEST(TurnedPaint, MirrorWithClippedRight)
{
    // Sprite 5 wide, rectangle cut by 2 at the right: the left skip is 2
    // pixels and source columns 2, 3, 4 land in columns 2, 1, 0.
    Sprite s = MakeSprite(5, {{0, 5}}, {10, 11, 12, 13, 14});
    std::vector<uint16_t> row(5, 0x77);
    BltRleCopyMirrorH16(row.data(), s.runs.data(), s.RowEntry(0), 6, 1, 10, 4);
    EXPECT_EQ(row, (std::vector<uint16_t>{14, 13, 12, 0x77, 0x77}));
    // Cut by 2 at the left instead: the rightmost source columns drop.
    std::fill(row.begin(), row.end(), 0x77);
    BltRleCopyMirrorH16(row.data(), s.runs.data(), s.RowEntry(0), 6, 1, 10, 0);
    EXPECT_EQ(row, (std::vector<uint16_t>{12, 11, 10, 0x77, 0x77}));
}

TEST(TurnedPaint, MirroredFilterAndAlphaLevels)
{
    Sprite s = MakeSprite(4, {{0, 4}}, {0xFFFF, 0x8FFF, 0x7FFF, 0x0FFF});
    std::vector<uint16_t> row(4, 0);
    BltRleSourceFilterMirrorH16(row.data(), s.runs.data(), s.RowEntry(0), 8, 1, 8, 0, 0xF800);
    EXPECT_EQ(row, (std::vector<uint16_t>{0x0800, 0x7800, 0x8800, 0xF800}));

    Sprite two = MakeSprite(2, {{0, 2}}, {0x1111, 0x2222});
    two.alpha = {0x00, 0xF0};
    std::vector<uint16_t> bg(2, 0x5555);
    BltRleAlphaMirrorH565(bg.data(), two.runs.data(), two.RowEntry(0), two.alpha.data(), 4, 1, 4, 2, 0);
    EXPECT_EQ(bg, (std::vector<uint16_t>{0x2222, 0x5555}));
}

TEST(TurnedPaint, FlipPutsTheFirstRowAtTheBottom)
{
    Sprite s = MakeSprite(2, {{0, 2}, {0, 2}}, {1, 2, 3, 4});
    s.alpha = {0xF0, 0xF0, 0x00, 0x00};
    std::vector<uint16_t> d(4, 0x77);
    BltRleCopyFlipV16(d.data(), s.runs.data(), s.RowEntry(0), 4, 2, 4, 0);
    EXPECT_EQ(d, (std::vector<uint16_t>{3, 4, 1, 2}));
    std::vector<uint16_t> a(4, 0x77);
    BltRleAlphaFlipV565(a.data(), s.runs.data(), s.RowEntry(0), s.alpha.data(), 4, 2, 4, 2, 0);
    EXPECT_EQ(a, (std::vector<uint16_t>{0x77, 0x77, 1, 2}));
    // Upside-down grey-half writes the first source row at the bottom too.
    std::vector<uint16_t> g(4, 0);
    BltRleGrayHalfFlipV565(g.data(), s.runs.data(), s.RowEntry(0), 4, 2, 4, 0);
    EXPECT_EQ(g[2], 0); // blue 1 with blue 0 halves to 0
    EXPECT_EQ(g[0], 1 | (1 << 6) | (1 << 11));
}

TEST(TurnedPaint, CompressedRowStartingPastTheWidthKeepsTheRow)
{
    Sprite s = MakeSprite(3, {{0, 3}}, {1, 2, 3});
    s.alpha = {0xF0, 0xF0, 0xF0};
    SetCompressedAlpha(s, {{3}});
    std::vector<uint16_t> d(3, 0x77);
    BltRleAlphaCompressedMirrorH565(d.data(), s.runs.data(), s.RowEntry(0), s.alphaRuns.data(), s.AlphaRowEntry(0), 6,
                                    1, 6, 3, 0);
    EXPECT_EQ(d, std::vector<uint16_t>(3, 0x77));
}

TEST(TurnedPaint, GreyHalfPairsAndGrades)
{
    // Pure blue over black: v = 15.
    Sprite blue = MakeSprite(1, {{0, 1}}, {0x001F});
    uint16_t d565 = 0, d555 = 0;
    BltRleGrayHalf565(&d565, blue.runs.data(), blue.RowEntry(0), 2, 1, 2, 0);
    BltRleGrayHalf555(&d555, blue.runs.data(), blue.RowEntry(0), 2, 1, 2, 0);
    EXPECT_EQ(d565, 15 | (30 << 5) | (15 << 11));
    EXPECT_EQ(d555, 15 | (15 << 5) | (15 << 10));
    // A pair equal to its destination stays; one differing pixel greys both.
    Sprite pair = MakeSprite(2, {{0, 2}}, {0x1234, 0x5678});
    uint16_t same[2] = {0x1234, 0x5678}, oneOff[2] = {0x1234, 0x5679};
    BltRleGrayHalf565(same, pair.runs.data(), pair.RowEntry(0), 4, 1, 4, 0);
    BltRleGrayHalf565(oneOff, pair.runs.data(), pair.RowEntry(0), 4, 1, 4, 0);
    EXPECT_EQ(same[0], 0x1234);
    EXPECT_EQ(same[1], 0x5678);
    EXPECT_EQ(oneOff[0], 20 | (40 << 5) | (20 << 11));
    EXPECT_EQ(oneOff[1], 24 | (48 << 5) | (24 << 11));
    // Grades in a mirrored member: 0 keeps, 16 writes the mirrored sprite.
    Sprite three = MakeSprite(3, {{0, 3}}, {1, 2, 3});
    std::vector<uint16_t> keep(3, 9), write(3, 9);
    BltRleTransGradeMirrorH565(keep.data(), three.runs.data(), three.RowEntry(0), 6, 1, 6, 0, 0);
    BltRleTransGradeMirrorH565(write.data(), three.runs.data(), three.RowEntry(0), 6, 1, 6, 0, 16);
    EXPECT_EQ(keep, std::vector<uint16_t>(3, 9));
    EXPECT_EQ(write, (std::vector<uint16_t>{3, 2, 1}));
}

} // namespace
