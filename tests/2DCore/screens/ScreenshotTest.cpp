#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "MemBuf.h"
#include "screens/ScreensTestUtil.h"
#include "kestu_pixelformat.h"
#include "kestu_screenshot.h"

using namespace screens_test;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

// A parsed 24-bit BMP: pixels as 0xRRGGBB, top-down.
struct Bmp24 {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

Bmp24 ParseBmp24(const std::vector<uint8_t>& b)
{
    Bmp24 out;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || U16(b, 28) != 24) return out;
    const uint32_t offset = U32(b, 10);
    const int w = int(U32(b, 18)), h = int(int32_t(U32(b, 22)));
    const size_t row = (size_t(w) * 3 + 3) & ~size_t(3);
    const int rows = h < 0 ? -h : h;
    if (b.size() < offset + row * rows) return out;
    out.width = w;
    out.height = rows;
    for (int y = 0; y < rows; ++y) {
        const size_t r = h < 0 ? size_t(y) : size_t(rows - 1 - y);
        const uint8_t* p = b.data() + offset + r * row;
        for (int x = 0; x < w; ++x) out.pixels.push_back(uint32_t(p[3 * x + 2]) << 16 | p[3 * x + 1] << 8 | p[3 * x]);
    }
    return out;
}

std::vector<uint8_t> DecodeJpeg(const std::string& path, int* w, int* h)
{
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return out;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *w = int(cinfo.output_width);
    *h = int(cinfo.output_height);
    out.resize(size_t(*w) * *h * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.data() + size_t(cinfo.output_scanline) * *w * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return out;
}

bool HasLine(const std::string& start)
{
    for (const std::string& line : host::GetDebugOutput())
        if (line.rfind(start, 0) == 0) return true;
    return false;
}

// Each test runs in an empty folder of its own.
class ScreenshotTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        old = fs::current_path();
        char tmpl[] = "/tmp/kestu_shots_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        fs::current_path(dir);
        host::ClearDebugOutput();
        savedFormat = hardware.m_nPixelFormat;
    }
    void TearDown() override
    {
        hardware.m_nPixelFormat = savedFormat;
        fs::current_path(old);
        fs::remove_all(dir);
        PlatformTest::TearDown();
    }
    void Touch(const std::string& path) { std::ofstream(path) << "x"; }
    fs::path old, dir;
    int savedFormat = 16;
};

TEST_F(ScreenshotTest, NamesTakeTheNextFreeNumber)
{
    char name[64];
    MyGetFileName(name, sizeof name, 0);
    EXPECT_STREQ(name, "ScreenShot\\Scn0000.bmp");
    fs::create_directory("ScreenShot");
    for (const char* f : {"ScreenShot/Scn0000.bmp", "ScreenShot/Scn0001.bmp", "ScreenShot/Scn0002.bmp"}) Touch(f);
    MyGetFileName(name, sizeof name, 0);
    EXPECT_STREQ(name, "ScreenShot\\Scn0003.bmp");
    MyGetFileName(name, sizeof name, 1);
    EXPECT_STREQ(name, "ScreenShot\\Scn0000.jpg");
    // A short buffer gets a cut name, never an overrun.
    char small[8];
    MyGetFileName(small, sizeof small, 0);
    EXPECT_STREQ(small, "ScreenS");
}

TEST_F(ScreenshotTest, BufferScreenshotIsAPadded24BitBmp)
{
    MemBuf buf(3, 2, 16);
    buf.Put(0, 0, 0xFFFF);
    buf.Put(1, 0, 0xF800);
    buf.Put(2, 1, 0x07E0);
    buf.Put(0, 1, 0x001F);
    ASSERT_EQ(BMP_CopyScreen(&buf, 0), 1);
    const std::vector<uint8_t> file = ReadAll("ScreenShot/Scn0000.bmp");
    ASSERT_EQ(file.size(), 54u + 12 * 2);
    EXPECT_EQ(U32(file, 2), 54u + 24);
    EXPECT_EQ(U32(file, 10), 54u);
    EXPECT_EQ(U32(file, 14), 40u);
    EXPECT_EQ(int32_t(U32(file, 22)), 2);
    EXPECT_EQ(U32(file, 34), 24u);
    const Bmp24 bmp = ParseBmp24(file);
    ASSERT_EQ(bmp.pixels.size(), 6u);
    EXPECT_EQ(bmp.pixels[0], 0xF8FCF8u);
    EXPECT_EQ(bmp.pixels[1], 0xF80000u);
    EXPECT_EQ(bmp.pixels[3], 0x0000F8u);
    EXPECT_EQ(bmp.pixels[5], 0x00FC00u);
    // Row padding bytes are zero.
    EXPECT_EQ(file[54 + 9], 0);
    EXPECT_EQ(file[54 + 11], 0);

    hardware.m_nPixelFormat = 15;
    MemBuf b555(1, 1, 15);
    b555.Put(0, 0, 0x7C00 | 0x03E0 | 0x0001);
    ASSERT_EQ(BMP_CopyScreen(&b555, "ScreenShot\\five.bmp", 0), 1);
    EXPECT_EQ(ParseBmp24(ReadAll("ScreenShot/five.bmp")).pixels.at(0), 0xF8F808u);
}

TEST_F(ScreenshotTest, ThirtyTwoBitBuffersKeepTheirColours)
{
    MemBuf buf(5, 3, 32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) buf.Put(x, y, uint32_t(x * 40) << 16 | uint32_t(y * 70) << 8 | 0x33);
    ASSERT_EQ(BMP_CopyScreen(&buf, "ScreenShot\\deep.bmp", 0), 1);
    const Bmp24 bmp = ParseBmp24(ReadAll("ScreenShot/deep.bmp"));
    ASSERT_EQ(bmp.width, 5);
    ASSERT_EQ(bmp.height, 3);
    EXPECT_EQ(bmp.pixels[2 * 5 + 4], uint32_t(160) << 16 | 140 << 8 | 0x33);
    EXPECT_EQ(bmp.pixels[1 * 5 + 1], uint32_t(40) << 16 | 70 << 8 | 0x33);
}

TEST_F(ScreenshotTest, JpegScreenshotDecodesToThePicture)
{
    MemBuf buf(16, 8, 16);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) buf.Put(x, y, x < 8 ? 0xF800 : 0x001F);
    ASSERT_EQ(BMP_CopyScreen(&buf, 1), 1);
    int w = 0, h = 0;
    const std::vector<uint8_t> rgb = DecodeJpeg("ScreenShot/Scn0000.jpg", &w, &h);
    ASSERT_EQ(w, 16);
    ASSERT_EQ(h, 8);
    auto near = [](int a, int b) { return std::abs(a - b) <= 24; };
    EXPECT_TRUE(near(rgb[(3 * 16 + 2) * 3 + 0], 0xF8) && near(rgb[(3 * 16 + 2) * 3 + 2], 0));
    EXPECT_TRUE(near(rgb[(4 * 16 + 13) * 3 + 0], 0) && near(rgb[(4 * 16 + 13) * 3 + 2], 0xF8));
}

TEST_F(ScreenshotTest, BigPicturesAreBmpOnly)
{
    MemBuf buf(2048, 1024, 16);
    buf.Put(5, 1023, 0xFFFF);
    ASSERT_EQ(BMP_CopyScreen(&buf, "ScreenShot\\big.jpg", 1), 1);
    EXPECT_TRUE(HasLine("DRAW_CopyScreen Error(5): Jpeg cannot support big picture!\n"));
    EXPECT_FALSE(fs::exists("ScreenShot/big.jpg"));
    ASSERT_EQ(BMP_CopyScreen(&buf, "ScreenShot\\big.bmp", 0), 1);
    const std::vector<uint8_t> file = ReadAll("ScreenShot/big.bmp");
    ASSERT_EQ(file.size(), 54u + 2048 * 3 * 1024);
    EXPECT_EQ(file[54 + 5 * 3], 0xF8); // the last row is written first
}

TEST_F(ScreenshotTest, WriteFailuresAreReported)
{
    Touch("blocker"); // a file where a folder would have to be
    MemBuf buf(4, 4, 16);
    ASSERT_EQ(BMP_CopyScreen(&buf, "blocker\\shot.bmp", 0), 1);
    EXPECT_TRUE(HasLine("DRAW_CopyScreen Error(2): Cannot open file named: blocker\\shot.bmp\n"));
    ASSERT_EQ(BMP_CopyScreen(&buf, "blocker\\shot.jpg", 1), 1);
    EXPECT_TRUE(HasLine("DRAW_CopyScreen Error(6)"));
    EXPECT_FALSE(fs::exists("blocker/shot.jpg"));
}

class SurfaceScreenshot : public ScreenshotTest {
protected:
    void SetUp() override
    {
        ScreenshotTest::SetUp();
        LPDIRECTDRAW dd1 = nullptr;
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd1, nullptr), DD_OK);
        ASSERT_EQ(dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)), DD_OK);
        dd1->Release();
        HWND w = MakeWindow(0, 0, 64, 64);
        ASSERT_EQ(dd->SetCooperativeLevel(w, DDSCL_NORMAL), DD_OK);
        DDSURFACEDESC2 d;
        std::memset(&d, 0, sizeof(d));
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = 6;
        d.dwHeight = 4;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        d.ddpfPixelFormat.dwFlags = DDPF_RGB;
        d.ddpfPixelFormat.dwRGBBitCount = 16;
        d.ddpfPixelFormat.dwRBitMask = 0xF800;
        d.ddpfPixelFormat.dwGBitMask = 0x07E0;
        d.ddpfPixelFormat.dwBBitMask = 0x001F;
        ASSERT_EQ(dd->CreateSurface(&d, &surface, nullptr), DD_OK);
        std::memset(&d, 0, sizeof(d));
        d.dwSize = sizeof(d);
        ASSERT_EQ(surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const uint16_t p = uint16_t(x == y ? 0xF800 : 0x07E0);
                std::memcpy(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + 2 * x, &p, 2);
            }
        surface->Unlock(nullptr);
    }
    void TearDown() override
    {
        if (surface != nullptr) surface->Release();
        if (dd != nullptr) dd->Release();
        ScreenshotTest::TearDown();
    }
    IDirectDraw4* dd = nullptr;
    IDirectDrawSurface4* surface = nullptr;
};

TEST_F(SurfaceScreenshot, SurfaceIsLockedWithRetriesAndSaved)
{
    host::InjectStillDrawing(host::DDrawCall::Lock, 2);
    ASSERT_EQ(BMP_CopyScreen(surface, 0), 1);
    const Bmp24 bmp = ParseBmp24(ReadAll("ScreenShot/Scn0000.bmp"));
    ASSERT_EQ(bmp.width, 6);
    EXPECT_EQ(bmp.pixels[3 * 6 + 3], 0xF80000u);
    EXPECT_EQ(bmp.pixels[3 * 6 + 2], 0x00FC00u);

    host::InjectResult(host::DDrawCall::Lock, DDERR_GENERIC, 1);
    EXPECT_EQ(BMP_CopyScreen(surface, "ScreenShot\\x.bmp", 0), 0);
    EXPECT_TRUE(HasLine("DRAW_CopyScreen Error(11): error in lock back buffer!\n"));
    EXPECT_FALSE(fs::exists("ScreenShot/x.bmp"));

    // A scaled copy of the surface under the next name.
    ASSERT_EQ(BMP_CopyScreen(dd, surface, 3, 2, 0), 1);
    const Bmp24 small = ParseBmp24(ReadAll("ScreenShot/Scn0001.bmp"));
    EXPECT_EQ(small.width, 3);
    EXPECT_EQ(small.height, 2);
}

} // namespace
