#include <gtest/gtest.h>

#include <vector>

#include "d3dx8/image_filter.h"

using namespace kestu::d3dx;

namespace {

// A one-row grey ramp; the blue channel carries the value.
Image Ramp(const std::vector<uint32_t>& values)
{
    Image img;
    img.Allocate((uint32_t)values.size(), 1);
    for (size_t i = 0; i < values.size(); ++i) img.argb[i] = 0xFF000000u | values[i];
    return img;
}

std::vector<uint32_t> Blue(const Image& img)
{
    std::vector<uint32_t> out;
    for (uint32_t p : img.argb) out.push_back(p & 0xFF);
    return out;
}

} // namespace

TEST(ImageFilter, KnownGradientThroughEveryFilter)
{
    const Image down = Ramp({0, 40, 80, 120});
    const Image up = Ramp({0, 100});
    const uint32_t mirror = kFilterMirrorU | kFilterMirrorV;
    const struct {
        const char* name;
        const Image* src;
        uint32_t width;
        uint32_t filter;
        std::vector<uint32_t> expect;
    } cases[] = {
        {"point down", &down, 2, kFilterPoint, {40, 120}},
        {"box down", &down, 2, kFilterBox, {20, 100}},
        {"linear down", &down, 2, kFilterLinear, {20, 100}},
        {"triangle down mirrored", &down, 2, kFilterTriangle | mirror, {25, 95}},
        {"linear up mirrored", &up, 4, kFilterLinear | mirror, {0, 25, 75, 100}},
        {"linear up wrapping", &up, 4, kFilterLinear, {25, 25, 75, 75}},
        {"point up", &up, 4, kFilterPoint | kFilterDither, {0, 0, 100, 100}},
        {"triangle up mirrored", &up, 4, kFilterTriangle | mirror, {0, 25, 75, 100}},
        {"none pads with transparent black", &up, 3, kFilterNone, {0, 100, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image out;
        ASSERT_TRUE(ResampleImage(*c.src, c.width, 1, c.filter, out));
        EXPECT_EQ(Blue(out), c.expect);
        if ((c.filter & 0xFFFF) == kFilterNone)
            EXPECT_EQ(out.argb[2], 0u);
        else
            EXPECT_EQ(out.argb[0] >> 24, 0xFFu);
    }
}

TEST(ImageFilter, TwoDimensionalBoxHalvingAveragesQuads)
{
    Image src;
    src.Allocate(4, 2);
    src.argb = {0x00000000, 0x40404040, 0x80808080, 0xFFFFFFFF, 0x40404040, 0x00000000, 0x80808080, 0x7F7F7F7F};
    Image out;
    ASSERT_TRUE(ResampleImage(src, 2, 1, kFilterBox, out));
    EXPECT_EQ(out.argb, (std::vector<uint32_t>{0x20202020, 0xA0A0A0A0}));
}

TEST(ImageFilter, FlagsAndColorKey)
{
    EXPECT_TRUE(FilterValid(kFilterTriangle | kFilterMirrorU | kFilterMirrorV | kFilterMirrorW | kFilterDither));
    EXPECT_FALSE(FilterValid(0));
    EXPECT_FALSE(FilterValid(6));
    EXPECT_FALSE(FilterValid(kFilterBox | 0x100000));

    Image img = Ramp({0xFF00FF, 0xFE00FF, 0xFF00FF});
    ApplyColorKey(img, 0xFFFF00FF);
    EXPECT_EQ(img.argb, (std::vector<uint32_t>{0, 0xFFFE00FF, 0}));
}
