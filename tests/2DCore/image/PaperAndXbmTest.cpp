#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "MemBuf.h"
#include "kestu.h"

namespace {

TEST(Paper, FreshBufferDefaults)
{
    MemBuf b(0, 0, 8);
    MemBuf fresh = b; // copies keep the defaults
    EXPECT_EQ(fresh.GetTransColor(), -1);
    EXPECT_EQ(fresh.GetTransGrade(), 16);
    EXPECT_EQ(fresh.GetSourceFilterMask(), 0xF800);
    EXPECT_EQ(fresh.GetPixelWidth(), 8);
    EXPECT_EQ(fresh.GetPixelFormat(), 8);
    EXPECT_EQ(fresh.GetOrientation(), 1);
    EXPECT_EQ(fresh.PitchCx(), 0);
    EXPECT_EQ(fresh.GetPixelShade(), nullptr);
    EXPECT_EQ(fresh.GetAlphaBuffer(), nullptr);
    EXPECT_EQ(fresh.IsAlpha(), 0);
    EXPECT_EQ(fresh.IsAlphaCompresse(), 0);
}

TEST(Paper, TransGradeIsClamped)
{
    MemBuf b(1, 1, 16);
    for (auto [in, out] : {std::pair{-5, 0}, std::pair{40, 16}, std::pair{7, 7}}) {
        b.SetTransGrade(in);
        EXPECT_EQ(b.GetTransGrade(), out) << in;
    }
}

TEST(Paper, UnoverriddenPaintsDrawNothing)
{
    MemBuf src(4, 4, 16), dst(4, 4, 16);
    src.FillAll(0xFFFF);
    EXPECT_EQ(src.PaintNoClip(&dst, 0, 0, PT_COPY), 1);
    EXPECT_EQ(src.RotatePaint(&dst, 0, 0, 1.0f, 1.0f, nullptr), 1);
    EXPECT_EQ(src.InversePaint(&dst, 0, 0, 4, 4, 0, 0, PT_COPY, PD_MIRROR_H, nullptr), 1);
    EXPECT_EQ(src.Paint(&dst, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(src.GetDataHead(nullptr), 1);
    EXPECT_EQ(dst.prepares, 0);
    for (uint8_t byte : dst.mem) EXPECT_EQ(byte, 0);
}

TEST(XbmHeader, LayoutAndRoundTrip)
{
    static_assert(sizeof(XBMFILEHEADER) == 64);
    struct Field {
        size_t offset, expected;
    };
    const Field fields[] = {
        {offsetof(XBMFILEHEADER, magic), 0},        {offsetof(XBMFILEHEADER, reserved0), 4},
        {offsetof(XBMFILEHEADER, reserved1), 16},   {offsetof(XBMFILEHEADER, width), 20},
        {offsetof(XBMFILEHEADER, height), 24},      {offsetof(XBMFILEHEADER, bitsPerPixel), 28},
        {offsetof(XBMFILEHEADER, pixelFormat), 29}, {offsetof(XBMFILEHEADER, compressed), 30},
        {offsetof(XBMFILEHEADER, palette), 31},     {offsetof(XBMFILEHEADER, transColor), 32},
        {offsetof(XBMFILEHEADER, alpha), 36},       {offsetof(XBMFILEHEADER, ownBuffer), 37},
        {offsetof(XBMFILEHEADER, copyRows), 38},    {offsetof(XBMFILEHEADER, alphaCompressed), 39},
        {offsetof(XBMFILEHEADER, alphaSize), 40},   {offsetof(XBMFILEHEADER, dataSize), 44},
        {offsetof(XBMFILEHEADER, reserved2), 48},
    };
    for (const Field& f : fields) EXPECT_EQ(f.offset, f.expected);

    XBMFILEHEADER h;
    uint8_t bytes[64];
    h.Write(bytes);
    uint8_t defaults[64] = {'x', 'b', 'm'};
    defaults[28] = defaults[29] = 8;
    defaults[32] = defaults[33] = defaults[34] = defaults[35] = 0xFF;
    for (int i = 0; i < 64; ++i) EXPECT_EQ(bytes[i], defaults[i]) << i;

    h.width = 0x01020304;
    h.height = 0x0A0B0C0D;
    h.bitsPerPixel = 16;
    h.pixelFormat = 15;
    h.compressed = 1;
    h.palette = 1;
    h.transColor = 0x7C1F;
    h.alpha = 1;
    h.ownBuffer = 1;
    h.copyRows = 1;
    h.alphaCompressed = 1;
    h.alphaSize = 0x11223344;
    h.dataSize = 0x55667788;
    h.Write(bytes);
    // Each field lands at its own offset, little-endian.
    EXPECT_EQ(bytes[20], 0x04);
    EXPECT_EQ(bytes[23], 0x01);
    EXPECT_EQ(bytes[24], 0x0D);
    EXPECT_EQ(bytes[32], 0x1F);
    EXPECT_EQ(bytes[33], 0x7C);
    EXPECT_EQ(bytes[40], 0x44);
    EXPECT_EQ(bytes[47], 0x55);
    XBMFILEHEADER back;
    ASSERT_EQ(back.Read(bytes, sizeof bytes), 1);
    uint8_t again[64];
    back.Write(again);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(again[i], bytes[i]) << i;
    EXPECT_EQ(back.Read(bytes, 63), 0);
}

} // namespace
