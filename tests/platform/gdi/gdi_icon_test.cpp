#include <gtest/gtest.h>

#include <vector>

#include "gdi_test_util.h"

using gdi_test::Info;
using gdi_test::MakeInfo;

namespace {

// Reads a bitmap as 32-bit pixels, top row first.
std::vector<uint32_t> ReadPixels(HBITMAP bm, int w, int h)
{
    HDC screen = GetDC(nullptr);
    Info info = MakeInfo(w, -h, 32);
    std::vector<uint32_t> out(static_cast<size_t>(w) * h, 0xDEADBEEF);
    EXPECT_EQ(GetDIBits(screen, bm, 0, static_cast<UINT>(h), out.data(), info.get(), DIB_RGB_COLORS), h);
    ReleaseDC(nullptr, screen);
    for (uint32_t& v : out) v &= 0xFFFFFF;
    return out;
}

} // namespace

TEST(GdiIcon, TheArrowIsAMonochromeCursorWithMasksStacked)
{
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(arrow, &ii));
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(ii.xHotspot, 0u);
    EXPECT_EQ(ii.yHotspot, 0u);
    EXPECT_EQ(ii.hbmColor, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(ii.hbmMask, sizeof(bm), &bm), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 64);
    EXPECT_EQ(bm.bmBitsPixel, 1);

    const std::vector<uint32_t> px = ReadPixels(ii.hbmMask, 32, 64);
    auto andMask = [&](int x, int y) { return px[static_cast<size_t>(y) * 32 + x]; };
    auto xorMask = [&](int x, int y) { return px[static_cast<size_t>(32 + y) * 32 + x]; };
    // The tip is drawn (AND 0) in black (XOR 0); inside the body it is white.
    EXPECT_EQ(andMask(0, 0), 0u);
    EXPECT_EQ(xorMask(0, 0), 0u);
    EXPECT_EQ(andMask(1, 5), 0u);
    EXPECT_EQ(xorMask(1, 5), 0xFFFFFFu);
    // Far corners are transparent: AND 1, XOR 0.
    EXPECT_EQ(andMask(31, 0), 0xFFFFFFu);
    EXPECT_EQ(xorMask(31, 0), 0u);
    EXPECT_EQ(andMask(31, 31), 0xFFFFFFu);
    int drawn = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) drawn += andMask(x, y) == 0;
    EXPECT_GT(drawn, 60);
    EXPECT_LT(drawn, 200);

    // The bitmaps handed out are copies the caller deletes; the cursor stays.
    EXPECT_TRUE(DeleteObject(ii.hbmMask));
    EXPECT_TRUE(DestroyCursor(arrow));
    EXPECT_TRUE(GetIconInfo(arrow, &ii));
    DeleteObject(ii.hbmMask);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)), nullptr);
}

TEST(GdiIcon, ColourIconsRoundTripThroughCreateIconIndirect)
{
    const BYTE maskBits[2 * 2] = {0x3F, 0, 0xFF, 0}; // 8 x 2: row 0 has the first two pixels drawn
    HBITMAP mask = CreateBitmap(8, 2, 1, 1, maskBits);
    const uint32_t colorBits[16] = {0x00FF0000, 0x0000FF00};
    HBITMAP color = CreateBitmap(8, 2, 1, 32, colorBits);
    ASSERT_NE(mask, nullptr);
    ASSERT_NE(color, nullptr);

    ICONINFO in{FALSE, 3, 1, mask, color};
    HICON cursor = CreateIconIndirect(&in);
    ASSERT_NE(cursor, nullptr);
    // The icon keeps copies: the caller's bitmaps may go.
    EXPECT_TRUE(DeleteObject(mask));
    EXPECT_TRUE(DeleteObject(color));

    ICONINFO out{};
    ASSERT_TRUE(GetIconInfo(cursor, &out));
    EXPECT_EQ(out.xHotspot, 3u);
    EXPECT_EQ(out.yHotspot, 1u);
    ASSERT_NE(out.hbmColor, nullptr);
    const std::vector<uint32_t> c = ReadPixels(out.hbmColor, 8, 2);
    EXPECT_EQ(c[0], 0xFF0000u);
    EXPECT_EQ(c[1], 0x00FF00u);
    const std::vector<uint32_t> m = ReadPixels(out.hbmMask, 8, 2);
    EXPECT_EQ(m[0], 0u);
    EXPECT_EQ(m[2], 0xFFFFFFu);
    DeleteObject(out.hbmMask);
    DeleteObject(out.hbmColor);

    // An icon is held at its centre.
    ICONINFO iconIn{TRUE, 0, 0, out.hbmMask, nullptr};
    EXPECT_EQ(CreateIconIndirect(&iconIn), nullptr); // that mask is gone
    HBITMAP mask2 = CreateBitmap(16, 32, 1, 1, nullptr);
    iconIn.hbmMask = mask2;
    HICON icon = CreateIconIndirect(&iconIn);
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(GetIconInfo(icon, &out));
    EXPECT_TRUE(out.fIcon);
    EXPECT_EQ(out.xHotspot, 8u);
    EXPECT_EQ(out.yHotspot, 8u);
    DeleteObject(out.hbmMask);
    DeleteObject(mask2);

    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_TRUE(DestroyCursor(cursor));
    EXPECT_FALSE(DestroyIcon(cursor));
    EXPECT_FALSE(GetIconInfo(cursor, &out));
}
