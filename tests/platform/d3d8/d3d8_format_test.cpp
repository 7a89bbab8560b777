// Pixel format layouts, conversions and DXT decoding, exactly.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "d3d8/format.h"

namespace {

using namespace kestu::d3d8;

TEST(D3D8Format, PitchAndSizes)
{
    struct Case {
        D3DFORMAT f;
        UINT width, height, pitch, bytes;
    } cases[] = {{D3DFMT_A8R8G8B8, 5, 3, 20, 60}, {D3DFMT_R8G8B8, 5, 3, 15, 45}, {D3DFMT_R5G6B5, 5, 3, 10, 30},
                 {D3DFMT_L8, 5, 3, 5, 15},        {D3DFMT_DXT1, 5, 3, 16, 16},   {D3DFMT_DXT5, 8, 8, 32, 64},
                 {D3DFMT_DXT3, 1, 1, 16, 16},     {D3DFMT_D24S8, 4, 2, 16, 32},  {D3DFMT_INDEX16, 7, 1, 14, 14}};
    for (auto& c : cases) {
        EXPECT_EQ(FormatPitch(c.f, c.width), c.pitch) << c.f;
        EXPECT_EQ(FormatSurfaceBytes(c.f, c.width, c.height), c.bytes) << c.f;
    }
    EXPECT_EQ(FormatPitch(static_cast<D3DFORMAT>(999), 4), 0u);
    FormatInfo info;
    EXPECT_FALSE(GetFormatInfo(static_cast<D3DFORMAT>(999), info));
    ASSERT_TRUE(GetFormatInfo(D3DFMT_D15S1, info));
    EXPECT_TRUE(info.depth && info.stencil);
}

TEST(D3D8Format, EveryPackedValueSurvivesARoundTrip)
{
    // Decoding to 8 bits per channel and encoding back gives the same bits for
    // every representable value of the 16-bit formats.
    const D3DFORMAT sixteen[] = {D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_A8L8, D3DFMT_A8R3G3B2};
    for (D3DFORMAT f : sixteen) {
        std::vector<uint8_t> in(65536 * 2), out(65536 * 2);
        for (uint32_t v = 0; v < 65536; ++v) {
            in[v * 2] = static_cast<uint8_t>(v);
            in[v * 2 + 1] = static_cast<uint8_t>(v >> 8);
        }
        std::vector<uint32_t> argb(65536);
        DecodeRow(f, in.data(), argb.data(), 65536, nullptr);
        EncodeRow(f, argb.data(), out.data(), 65536);
        EXPECT_EQ(in, out) << "format " << f;
    }
    // Formats with spare bits set them on encode.
    const uint8_t x555[2] = {0x34, 0x12};
    uint32_t c = 0;
    DecodeRow(D3DFMT_X1R5G5B5, x555, &c, 1, nullptr);
    EXPECT_EQ(c >> 24, 0xFFu);
    uint8_t back[2];
    EncodeRow(D3DFMT_X1R5G5B5, &c, back, 1);
    EXPECT_EQ(back[1], 0x92);
    EXPECT_EQ(back[0], 0x34);
}

TEST(D3D8Format, DecodedValuesMatchTheLayouts)
{
    struct Case {
        D3DFORMAT f;
        std::vector<uint8_t> bytes;
        uint32_t argb;
    } cases[] = {
        {D3DFMT_A8R8G8B8, {0x11, 0x22, 0x33, 0x44}, 0x44332211},
        {D3DFMT_X8R8G8B8, {0x11, 0x22, 0x33, 0x00}, 0xFF332211},
        {D3DFMT_R8G8B8, {0x11, 0x22, 0x33}, 0xFF332211},
        {D3DFMT_R5G6B5, {0x00, 0xF8}, 0xFFFF0000},
        {D3DFMT_R5G6B5, {0xE0, 0x07}, 0xFF00FF00},
        {D3DFMT_A1R5G5B5, {0x1F, 0x00}, 0x000000FF},
        {D3DFMT_A4R4G4B4, {0x21, 0x43}, 0x44332211},
        {D3DFMT_A8, {0x80}, 0x80000000},
        {D3DFMT_L8, {0x40}, 0xFF404040},
        {D3DFMT_A8L8, {0x40, 0x80}, 0x80404040},
        {D3DFMT_A4L4, {0x2F}, 0x22FFFFFF},
        {D3DFMT_R3G3B2, {0xE0}, 0xFFFF0000},
    };
    for (auto& c : cases) {
        uint32_t got = 0;
        DecodeRow(c.f, c.bytes.data(), &got, 1, nullptr);
        EXPECT_EQ(got, c.argb) << "format " << c.f;
    }
    const uint32_t palette[256] = {0, 0x80FF8000};
    const uint8_t index = 1;
    uint32_t got = 0;
    DecodeRow(D3DFMT_P8, &index, &got, 1, palette);
    EXPECT_EQ(got, 0x80FF8000u);
}

TEST(D3D8Format, DxtBlocks)
{
    // DXT1, c0 > c1: four colours, red to blue.
    const uint8_t opaque[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4}; // rows: 0,1,2,3
    uint32_t t[16];
    DecodeDxtBlock(D3DFMT_DXT1, opaque, t);
    EXPECT_EQ(t[0], 0xFFFF0000u);
    EXPECT_EQ(t[1], 0xFF0000FFu);
    EXPECT_EQ(t[2], 0xFFAA0055u);
    EXPECT_EQ(t[3], 0xFF5500AAu);
    EXPECT_EQ(t[15], 0xFF5500AAu);
    // DXT1, c0 <= c1: index 3 is transparent black, index 2 the midpoint.
    const uint8_t punch[8] = {0x1F, 0x00, 0x00, 0xF8, 0xFE, 0x00, 0x00, 0x00};
    DecodeDxtBlock(D3DFMT_DXT1, punch, t);
    EXPECT_EQ(t[0], 0xFF800080u);
    EXPECT_EQ(t[1], 0x00000000u);
    EXPECT_EQ(t[2], 0x00000000u);
    EXPECT_EQ(t[4], 0xFF0000FFu);
    // DXT3: explicit 4-bit alpha.
    uint8_t dxt3[16] = {0x10, 0x32, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT3, dxt3, t);
    EXPECT_EQ(t[0], 0x00FFFFFFu);
    EXPECT_EQ(t[1], 0x11FFFFFFu);
    EXPECT_EQ(t[3], 0x33FFFFFFu);
    // DXT5: interpolated alpha, eight values.
    uint8_t dxt5[16] = {255, 0, 0x88, 0xC6, 0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Indices 0,1,2,3,4,5,6,7 in the first 8 texels.
    DecodeDxtBlock(D3DFMT_DXT5, dxt5, t);
    const uint32_t alphas[8] = {255, 0, 219, 182, 146, 109, 73, 36};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(t[i] >> 24, alphas[i]) << i;
    // Six-value mode: 0 and 255 at indices 6 and 7.
    uint8_t six[16] = {0, 255, 0x88, 0xC6, 0xFA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    DecodeDxtBlock(D3DFMT_DXT5, six, t);
    EXPECT_EQ(t[6] >> 24, 0u);
    EXPECT_EQ(t[7] >> 24, 255u);
    EXPECT_EQ(t[2] >> 24, 51u);
}

TEST(D3D8Format, SurfaceDecodeClipsPartialBlocks)
{
    // A 6x2 DXT1 surface: two blocks wide, one high; only the visible texels are written.
    uint8_t blocks[16] = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0, 0x1F, 0x00, 0x00, 0x00, 0, 0, 0, 0};
    std::vector<uint32_t> out(6 * 2, 0xDEADBEEF);
    ASSERT_TRUE(DecodeSurface(D3DFMT_DXT1, blocks, 16, 6, 2, out.data(), nullptr));
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[5], 0xFF0000FFu);
    EXPECT_EQ(out[11], 0xFF0000FFu);
    EXPECT_FALSE(DecodeSurface(D3DFMT_D16, blocks, 16, 2, 2, out.data(), nullptr));
}

} // namespace
