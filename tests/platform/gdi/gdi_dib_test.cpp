#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

#include "gdi_test_util.h"
#include "host/host_win32.h"
#include "support/window.h"

using gdi_test::DibDC;
using gdi_test::Info;
using gdi_test::MakeInfo;
using gdi_test::Top32;

namespace {

struct FormatCase {
    const char* name;
    int bits;
    DWORD compression;
    DWORD masks[3];
    uint32_t pixel;    // raw value written at (3, 1)
    uint32_t expected; // 0x00RRGGBB seen after the blit
};

void PutRaw(uint8_t* row, int x, int bits, uint32_t v)
{
    std::memcpy(row + x * (bits / 8), &v, static_cast<size_t>(bits / 8));
}

} // namespace

TEST(GdiDib, FormatsAndRowOrdersReachA32BitTarget)
{
    const FormatCase cases[] = {
        {"8-bit indexed", 8, BI_RGB, {}, 7, 0x102030},
        {"16-bit plain is 555", 16, BI_RGB, {}, 0x7C00, 0xFF0000},
        {"16-bit 565 fields", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0x07E0, 0x00FF00},
        {"16-bit 555 fields", 16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 0x0010, 0x000084},
        {"24-bit", 24, BI_RGB, {}, 0x123456, 0x123456},
        {"32-bit", 32, BI_RGB, {}, 0x00ABCDEF, 0xABCDEF},
        {"32-bit fields", 32, BI_BITFIELDS, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0x00112233, 0x332211},
    };
    for (const FormatCase& c : cases) {
        for (bool topDown : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (topDown ? " top-down" : " bottom-up"));
            Info info = MakeInfo(8, topDown ? -4 : 4, c.bits, c.compression);
            if (c.compression == BI_BITFIELDS) std::memcpy(info.extra, c.masks, sizeof(c.masks));
            if (c.bits == 8) info.colors()[7] = RGBQUAD{0x30, 0x20, 0x10, 0};
            DibDC src(info);
            ASSERT_NE(src.bitmap, nullptr);
            // Picture row 1 is stored second from the top or second from the bottom.
            const int stored = topDown ? 1 : src.height - 1 - 1;
            PutRaw(src.bits + static_cast<size_t>(stored) * src.stride, 3, c.bits, c.pixel);

            DibDC dst(Top32(8, 4));
            ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 8, 4, src.dc, 0, 0, SRCCOPY));
            EXPECT_EQ(dst.Pixel32(3, 1), c.expected);
            EXPECT_EQ(dst.Pixel32(3, 2), 0u);
            EXPECT_EQ(GetPixel(src.dc, 3, 1), RGB(c.expected >> 16, (c.expected >> 8) & 0xFF, c.expected & 0xFF));
        }
    }
}

TEST(GdiDib, GetObjectReportsSizePitchAndBits)
{
    struct Case {
        int bits;
        int width;
        LONG pitch;
    };
    for (const Case& c : {Case{16, 101, 204}, Case{8, 101, 104}, Case{24, 3, 12}, Case{32, 5, 20}}) {
        Info info = MakeInfo(c.width, -10, c.bits);
        void* bits = nullptr;
        HBITMAP bm = CreateDIBSection(nullptr, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bm, nullptr);
        BITMAP out{};
        EXPECT_EQ(GetObjectA(bm, sizeof(out), &out), static_cast<int>(sizeof(BITMAP)));
        EXPECT_EQ(out.bmWidth, c.width);
        EXPECT_EQ(out.bmHeight, 10);
        EXPECT_EQ(out.bmWidthBytes, c.pitch) << c.bits;
        EXPECT_EQ(out.bmBitsPixel, c.bits);
        EXPECT_EQ(out.bmBits, bits);
        EXPECT_EQ(GetObjectA(bm, sizeof(out) - 1, &out), 0);
        EXPECT_TRUE(DeleteObject(bm));
    }
}

TEST(GdiDib, BadHeadersAreRefused)
{
    struct Case {
        const char* what;
        Info info;
    };
    Info badSize = MakeInfo(4, 4, 32);
    badSize.header.biSize = 12;
    Info fields24 = MakeInfo(4, 4, 24, BI_BITFIELDS);
    fields24.extra[0] = fields24.extra[1] = fields24.extra[2] = 0xFF;
    Info zeroMask = MakeInfo(4, 4, 16, BI_BITFIELDS);
    Info planes = MakeInfo(4, 4, 32);
    planes.header.biPlanes = 2;
    const Case cases[] = {
        {"header size", badSize},
        {"zero width", MakeInfo(0, 4, 32)},
        {"zero height", MakeInfo(4, 0, 32)},
        {"bit count", MakeInfo(4, 4, 12)},
        {"fields on 24 bits", fields24},
        {"zero mask", zeroMask},
        {"planes", planes},
        {"compressed", MakeInfo(4, 4, 8, BI_RLE8)},
        {"huge", MakeInfo(1 << 20, 1 << 20, 32)},
    };
    for (Case c : cases) {
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, c.info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << c.what;
        EXPECT_EQ(bits, nullptr) << c.what;
    }
}

TEST(GdiDib, ColorTableChangesTheShownColours)
{
    Info info = MakeInfo(4, -1, 8);
    info.colors()[1] = RGBQUAD{0, 0, 255, 0};
    DibDC src(info);
    src.bits[2] = 1;
    DibDC dst(Top32(4, 1));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.Pixel32(2, 0), 0xFF0000u);

    const RGBQUAD green[2] = {{0, 0, 0, 0}, {0, 255, 0, 0}};
    EXPECT_EQ(SetDIBColorTable(src.dc, 0, 2, green), 2u);
    EXPECT_EQ(SetDIBColorTable(src.dc, 255, 4, green), 1u);
    EXPECT_EQ(SetDIBColorTable(src.dc, 256, 1, green), 0u);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.Pixel32(2, 0), 0x00FF00u);
    RGBQUAD back[2]{};
    EXPECT_EQ(GetDIBColorTable(src.dc, 0, 2, back), 2u);
    EXPECT_EQ(back[1].rgbGreen, 255);

    // A context holding a true-colour bitmap has no colour table.
    EXPECT_EQ(SetDIBColorTable(dst.dc, 0, 2, green), 0u);
}

TEST(GdiDib, BitBltClipsAgainstBothBitmaps)
{
    DibDC src(Top32(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint32_t v = static_cast<uint32_t>(0x10 * (y + 1) + x);
            std::memcpy(src.bits + y * src.stride + x * 4, &v, 4);
        }
    DibDC dst(Top32(6, 6));
    // Destination starts off the left/top edge; the source runs off its bottom/right.
    ASSERT_TRUE(BitBlt(dst.dc, -1, -1, 8, 8, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.Pixel32(0, 0), 0x21u); // source (1, 1)
    EXPECT_EQ(dst.Pixel32(2, 2), 0x43u); // source (3, 3)
    EXPECT_EQ(dst.Pixel32(3, 3), 0u);    // beyond the source: untouched
    // Source rectangle partly before the source: destination shifts with it.
    DibDC dst2(Top32(6, 6));
    ASSERT_TRUE(BitBlt(dst2.dc, 2, 2, 3, 3, src.dc, -1, -1, SRCCOPY));
    EXPECT_EQ(dst2.Pixel32(2, 2), 0u);
    EXPECT_EQ(dst2.Pixel32(3, 3), 0x10u);
    EXPECT_EQ(dst2.Pixel32(4, 4), 0x21u);
}

TEST(GdiDib, BitBltWithinOneBitmapOverlaps)
{
    DibDC dib(Top32(8, 1));
    for (int x = 0; x < 8; ++x) {
        const uint32_t v = static_cast<uint32_t>(x + 1);
        std::memcpy(dib.bits + x * 4, &v, 4);
    }
    ASSERT_TRUE(BitBlt(dib.dc, 2, 0, 6, 1, dib.dc, 0, 0, SRCCOPY));
    const uint32_t expected[8] = {1, 2, 1, 2, 3, 4, 5, 6};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dib.Pixel32(x, 0), expected[x]) << x;
}

TEST(GdiDib, StretchBltScalesByNearestPixel)
{
    Info info = MakeInfo(2, -2, 32);
    DibDC src(info);
    const uint32_t px[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    std::memcpy(src.bits, px, 8);
    std::memcpy(src.bits + src.stride, px + 2, 8);
    DibDC dst(Top32(4, 4));
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.Pixel32(0, 0), 0x0000FFu);
    EXPECT_EQ(dst.Pixel32(1, 1), 0x0000FFu);
    EXPECT_EQ(dst.Pixel32(2, 1), 0x00FF00u);
    EXPECT_EQ(dst.Pixel32(1, 2), 0xFF0000u);
    EXPECT_EQ(dst.Pixel32(3, 3), 0xFFFFFFu);
    EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 1, 1, 2, 2, SRCCOPY));
}

TEST(GdiDib, GetDIBitsExpandsAMonochromeMask)
{
    // 16 x 2, top row: left half set; bottom row: right half set.
    const BYTE rows[4] = {0xFF, 0x00, 0x00, 0xFF};
    HBITMAP mask = CreateBitmap(16, 2, 1, 1, rows);
    ASSERT_NE(mask, nullptr);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);

    Info info = MakeInfo(16, 2, 32); // bottom-up
    std::vector<uint32_t> out(32, 0xDEADBEEF);
    EXPECT_EQ(GetDIBits(screen, mask, 0, 2, out.data(), info.get(), DIB_RGB_COLORS), 2);
    // Bottom-up: the first row out is the bottom row of the picture.
    EXPECT_EQ(out[0] & 0xFFFFFF, 0u);
    EXPECT_EQ(out[15] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(out[16] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(out[31] & 0xFFFFFF, 0u);

    Info describe = MakeInfo(0, 0, 0);
    EXPECT_NE(GetDIBits(screen, mask, 0, 2, nullptr, describe.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(describe.header.biWidth, 16);
    EXPECT_EQ(describe.header.biHeight, 2);
    EXPECT_EQ(describe.header.biBitCount, 1);

    EXPECT_EQ(GetDIBits(screen, nullptr, 0, 2, out.data(), info.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_TRUE(DeleteObject(mask));
}

TEST(GdiDib, ObjectsHeldByAContextOutliveDeleteObject)
{
    HDC dc = CreateCompatibleDC(nullptr);
    Info info = Top32(2, 2);
    HBITMAP bm = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, nullptr, nullptr, 0);
    ASSERT_NE(bm, nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(GetObjectType(old), static_cast<DWORD>(OBJ_BITMAP));
    // Selected into one context, it cannot go into another or be deleted.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, bm), nullptr);
    EXPECT_FALSE(DeleteObject(bm));
    EXPECT_EQ(SelectObject(dc, old), bm);
    EXPECT_TRUE(DeleteObject(bm));
    // The handle is gone now.
    EXPECT_FALSE(DeleteObject(bm));
    EXPECT_EQ(SelectObject(dc, bm), nullptr);
    EXPECT_EQ(GetObjectA(bm, sizeof(BITMAP), nullptr), 0);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
}

TEST(GdiDib, FillRectResolvesPaletteIndexes)
{
    LOGPALETTE* lp = static_cast<LOGPALETTE*>(std::calloc(1, sizeof(LOGPALETTE) + 15 * sizeof(PALETTEENTRY)));
    lp->palVersion = 0x300;
    lp->palNumEntries = 16;
    lp->palPalEntry[0] = PALETTEENTRY{0, 0, 0, 0};
    reinterpret_cast<PALETTEENTRY*>(lp->palPalEntry)[5] = PALETTEENTRY{10, 20, 30, 0};
    HPALETTE pal = CreatePalette(lp);
    std::free(lp);
    ASSERT_NE(pal, nullptr);

    DibDC rgb(Top32(4, 4));
    DibDC idx(MakeInfo(4, -4, 8));
    HBRUSH brush = CreateSolidBrush(PALETTEINDEX(5));
    const RECT r{1, 1, 3, 3};
    for (DibDC* d : {&rgb, &idx}) {
        HPALETTE oldPal = SelectPalette(d->dc, pal, FALSE);
        EXPECT_NE(oldPal, nullptr);
        EXPECT_EQ(FillRect(d->dc, &r, brush), 1);
        SelectPalette(d->dc, oldPal, FALSE);
    }
    EXPECT_EQ(rgb.Pixel32(1, 1), 0x0A141Eu);
    EXPECT_EQ(rgb.Pixel32(3, 3), 0u);
    EXPECT_EQ(idx.bits[1 * idx.stride + 2], 5); // the index itself in an 8-bit bitmap
    EXPECT_EQ(idx.bits[0], 0);

    // Solid colours on an indexed bitmap take the nearest table entry.
    Info info = MakeInfo(2, -1, 8);
    info.colors()[9] = RGBQUAD{0, 0, 250, 0};
    DibDC near(info);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT all{0, 0, 2, 1};
    EXPECT_EQ(FillRect(near.dc, &all, red), 1);
    EXPECT_EQ(near.bits[0], 9);
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(pal));
}

TEST(GdiDib, DeviceCapsFollowTheDisplay)
{
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_GT(GetDeviceCaps(dc, HORZRES), 0);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    EXPECT_EQ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0, bits == 8);
    EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), bits == 8 ? 20 : -1);
    EXPECT_EQ(SetMapMode(dc, MM_TEXT), MM_TEXT);
    EXPECT_EQ(SetMapMode(dc, MM_TWIPS), 0);
    EXPECT_TRUE(GdiFlush());
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
}

TEST(GdiWindow, DibSectionsAreShownInTheWindow)
{
    host::ResetWin32();
    HWND hwnd = kestu_test::MakeWindow("GDI Test Window", 0, 0, 40, 30, WS_POPUP | WS_VISIBLE);
    ASSERT_NE(hwnd, nullptr);

    // An 8-bit bottom-up section with two colours, shown at (5, 5).
    Info info = MakeInfo(8, 4, 8);
    info.colors()[1] = RGBQUAD{0xFF, 0, 0, 0};
    info.colors()[2] = RGBQUAD{0, 0xFF, 0, 0};
    DibDC dib(info);
    std::memset(dib.bits, 1, static_cast<size_t>(dib.stride) * 4);
    dib.bits[0] = 2; // bottom-left pixel of the picture
    HDC wdc = GetDC(hwnd);
    ASSERT_NE(wdc, nullptr);
    ASSERT_TRUE(BitBlt(wdc, 5, 5, 8, 4, dib.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(GdiFlush());
    EXPECT_EQ(ReleaseDC(hwnd, wdc), 1);

    host::WindowPixels px;
    ASSERT_TRUE(host::ReadWindowPixels(hwnd, &px));
    auto at = [&](int x, int y) { return px.pixels[static_cast<size_t>(y) * px.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(5, 5), 0x0000FFu);
    EXPECT_EQ(at(5, 8), 0x00FF00u);
    EXPECT_EQ(at(12, 8), 0x0000FFu);
    EXPECT_EQ(at(4, 5), 0u);
    EXPECT_EQ(at(13, 5), 0u);

    // And back out again: the window's pixels blit into a memory bitmap.
    DibDC copy(Top32(2, 1));
    wdc = GetDC(hwnd);
    ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 2, 1, wdc, 4, 5, SRCCOPY));
    ReleaseDC(hwnd, wdc);
    EXPECT_EQ(copy.Pixel32(0, 0), 0u);
    EXPECT_EQ(copy.Pixel32(1, 0), 0x0000FFu);

    DestroyWindow(hwnd);
    EXPECT_EQ(GetDC(hwnd), nullptr);
    host::ResetWin32();
}

TEST(GdiWindow, TheScreenContextDrawsOnTheDesktop)
{
    host::ResetWin32();
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    const RECT r{10, 10, 20, 20};
    EXPECT_EQ(FillRect(screen, &r, green), 1);
    EXPECT_EQ(GetPixel(screen, 15, 15), RGB(0, 255, 0));
    host::WindowPixels px;
    ASSERT_TRUE(host::ReadWindowPixels(GetDesktopWindow(), &px));
    EXPECT_EQ(px.pixels[static_cast<size_t>(15) * px.width + 15] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(px.width, GetDeviceCaps(screen, HORZRES));
    DeleteObject(green);
    ReleaseDC(nullptr, screen);
    host::ResetWin32();
}

TEST(GdiStructures, FieldWidthsFollowTheFileFormats)
{
    EXPECT_EQ(sizeof(RGBQUAD), 4u);
    EXPECT_EQ(sizeof(PALETTEENTRY), 4u);
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), 40u);
    EXPECT_EQ(sizeof(BITMAPFILEHEADER), 14u);
    EXPECT_EQ(offsetof(BITMAPFILEHEADER, bfOffBits), 10u);
    EXPECT_EQ(sizeof(LOGFONTA), 60u);
    EXPECT_EQ(sizeof(TEXTMETRICA), 56u);
    EXPECT_EQ(offsetof(LOGPALETTE, palPalEntry), 4u);
    EXPECT_EQ(PALETTEINDEX(7), 0x01000007u);
}

TEST(GdiStock, StockObjectsDrawAndSurviveDeletion)
{
    DibDC dib(Top32(4, 1));
    const RECT r{0, 0, 2, 1};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ASSERT_NE(white, nullptr);
    EXPECT_EQ(GetObjectType(white), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_EQ(FillRect(dib.dc, &r, white), 1);
    EXPECT_EQ(dib.Pixel32(1, 0), 0xFFFFFFu);
    EXPECT_EQ(dib.Pixel32(2, 0), 0u);
    const RECT all{0, 0, 4, 1};
    EXPECT_EQ(FillRect(dib.dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
    EXPECT_EQ(dib.Pixel32(1, 0), 0xFFFFFFu);
    EXPECT_NE(GetStockObject(DEFAULT_PALETTE), nullptr);
    EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetObjectType(dib.dc), static_cast<DWORD>(OBJ_MEMDC));
}

TEST(GdiDib, PaletteIndexColourTablesAndCompatibleBitmaps)
{
    // DIB_PAL_COLORS: the table holds indexes into the context's palette.
    auto* lp = static_cast<LOGPALETTE*>(std::calloc(1, sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY)));
    lp->palVersion = 0x300;
    lp->palNumEntries = 4;
    reinterpret_cast<PALETTEENTRY*>(lp->palPalEntry)[3] = PALETTEENTRY{0x11, 0x22, 0x33, 0};
    HPALETTE pal = CreatePalette(lp);
    std::free(lp);
    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE oldPal = SelectPalette(dc, pal, FALSE);
    Info info = MakeInfo(2, -1, 8);
    info.header.biClrUsed = 2;
    const WORD indexes[2] = {0, 3};
    std::memcpy(info.extra, indexes, sizeof(indexes));
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, info.get(), DIB_PAL_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    static_cast<BYTE*>(bits)[1] = 1;
    HGDIOBJ old = SelectObject(dc, dib);
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0x11, 0x22, 0x33));

    // A bitmap compatible with a memory context takes the selected bitmap's layout.
    HBITMAP compatible = CreateCompatibleBitmap(dc, 3, 3);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(compatible, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmBitsPixel, 8);
    EXPECT_EQ(bm.bmBits, nullptr);
    SelectObject(dc, old);
    SelectPalette(dc, oldPal, FALSE);
    HBITMAP mono = CreateCompatibleBitmap(dc, 3, 3); // the default bitmap is monochrome
    ASSERT_EQ(GetObjectA(mono, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HDC screen = GetDC(nullptr);
    HBITMAP display = CreateCompatibleBitmap(screen, 3, 3);
    ASSERT_EQ(GetObjectA(display, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL));
    ReleaseDC(nullptr, screen);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(display), static_cast<HGDIOBJ>(mono), static_cast<HGDIOBJ>(compatible),
                      static_cast<HGDIOBJ>(dib), static_cast<HGDIOBJ>(pal)})
        EXPECT_TRUE(DeleteObject(o));
    DeleteDC(dc);
}

TEST(GdiHandles, ForeignAndStaleHandlesAreRefused)
{
    int junk[16] = {};
    HDC dc = reinterpret_cast<HDC>(junk);
    HGDIOBJ obj = junk;
    HPALETTE pal = reinterpret_cast<HPALETTE>(junk);
    RECT r{0, 0, 1, 1};
    SIZE s{};
    PALETTEENTRY e{};
    BITMAP bm{};
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), nullptr);
    EXPECT_FALSE(DeleteObject(obj));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetObjectA(obj, sizeof(bm), &bm), 0);
    EXPECT_EQ(GetObjectType(obj), 0u);
    EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(GetTextExtentPoint32A(dc, "a", 1, &s));
    EXPECT_FALSE(TextOutA(dc, 0, 0, "a", 1));
    EXPECT_EQ(GetPaletteEntries(pal, 0, 1, &e), 0u);
    EXPECT_FALSE(AnimatePalette(pal, 0, 1, &e));
    EXPECT_EQ(RealizePalette(dc), static_cast<UINT>(GDI_ERROR));
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 0);
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(junk)), nullptr);
    ICONINFO ii{};
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(junk), &ii));
    EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(junk)));
    // A DC from a real memory context rejects objects of the wrong kind.
    HDC mem = CreateCompatibleDC(nullptr);
    HPALETTE realPal = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(SelectObject(mem, realPal), nullptr);
    EXPECT_EQ(FillRect(mem, &r, reinterpret_cast<HBRUSH>(realPal)), 0);
    DeleteDC(mem);
}
