#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "support/replace_checks.h"
#include "ijl.h"

namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<unsigned char> rgb;
};

Decoded DecodeJpeg(const std::vector<unsigned char>& bytes)
{
    Decoded out;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * out.components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<size_t>(cinfo.output_scanline) * out.width * out.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::vector<unsigned char> data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return data;
    int c;
    while ((c = std::fgetc(f)) != EOF) data.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return data;
}

// A smooth BGR picture, top-down, with a bright block in its top-left corner.
std::vector<BYTE> MakePicture(int w, int h)
{
    std::vector<BYTE> bgr(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
            const bool block = x < w / 4 && y < h / 4;
            p[0] = static_cast<BYTE>(block ? 250 : 40 + x * 2); // blue
            p[1] = static_cast<BYTE>(block ? 250 : 60 + y);     // green
            p[2] = static_cast<BYTE>(block ? 250 : 200 - x);    // red
        }
    return bgr;
}

double MeanAbsoluteError(const std::vector<BYTE>& bgr, const Decoded& d)
{
    double sum = 0;
    for (size_t i = 0; i < bgr.size() / 3; ++i) {
        sum += std::abs(bgr[i * 3 + 2] - d.rgb[i * 3 + 0]);
        sum += std::abs(bgr[i * 3 + 1] - d.rgb[i * 3 + 1]);
        sum += std::abs(bgr[i * 3 + 0] - d.rgb[i * 3 + 2]);
    }
    return sum / static_cast<double>(bgr.size());
}

std::string TempPath(const char* name)
{
    // The working folder belongs to this test process alone.
    return (std::filesystem::current_path() / name).string();
}

} // namespace

TEST(IjlWriter, InitGivesWriterDefaults)
{
    JPEG_CORE_PROPERTIES p;
    std::memset(&p, 0xCD, sizeof(p));
    ASSERT_EQ(ijlInit(&p), IJL_OK);
    EXPECT_EQ(p.DIBColor, IJL_BGR);
    EXPECT_EQ(p.DIBChannels, 3u);
    EXPECT_EQ(p.DIBPadBytes, 0u);
    EXPECT_EQ(p.JPGColor, IJL_YCBCR);
    EXPECT_EQ(p.JPGChannels, 3u);
    EXPECT_EQ(p.jquality, 75u);
    EXPECT_EQ(p.DIBBytes, nullptr);
    EXPECT_EQ(p.JPGFile, nullptr);
    EXPECT_EQ(ijlFree(&p), IJL_OK);
}

TEST(IjlWriter, WholeImageToFileDecodesCloseToItsSource)
{
    const int w = 64, h = 48;
    std::vector<BYTE> bgr = MakePicture(w, h);
    // Over an older file, beside links at the names a careless writer would use.
    replacecheck::Scratch scratch("ijl_whole");
    const std::string path = scratch.Path("whole.jpg");
    replacecheck::WriteText(path, "old", 0600);
    const replacecheck::PlantedLinks links(scratch, "whole.jpg");

    // Set up the way the screenshot code does: the same buffer for both byte
    // pointers, the sizes on both sides, everything else from ijlInit.
    JPEG_CORE_PROPERTIES p;
    ASSERT_EQ(ijlInit(&p), IJL_OK);
    p.DIBBytes = bgr.data();
    p.JPGBytes = bgr.data();
    p.DIBWidth = p.JPGWidth = w;
    p.DIBHeight = h;
    p.JPGHeight = h;
    p.JPGFile = path.c_str();
    ASSERT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), IJL_OK);
    ASSERT_EQ(ijlFree(&p), IJL_OK);

    const Decoded d = DecodeJpeg(ReadFile(path));
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    ASSERT_EQ(d.components, 3);
    EXPECT_LT(MeanAbsoluteError(bgr, d), 4.0);
    // The bright block stays at the top-left: rows are written in their order.
    EXPECT_GT(d.rgb[(2 * w + 2) * 3 + 0], 230);
    EXPECT_LT(d.rgb[((h - 3) * w + 2) * 3 + 0], 220);
    links.ExpectReplaced(scratch, "whole.jpg", 0600);
}

TEST(IjlWriter, NegativeHeightIsBottomUpAndPadBytesAreSkipped)
{
    const int w = 30, h = 20;
    std::vector<BYTE> topDown = MakePicture(w, h);
    const DWORD pad = IJL_DIB_PAD_BYTES(w, 3);
    ASSERT_EQ(pad, 2u);
    std::vector<BYTE> bottomUp(static_cast<size_t>(w * 3 + pad) * h, 0xEE);
    for (int y = 0; y < h; ++y)
        std::memcpy(&bottomUp[static_cast<size_t>(h - 1 - y) * (w * 3 + pad)], &topDown[static_cast<size_t>(y) * w * 3],
                    static_cast<size_t>(w) * 3);

    std::vector<BYTE> jpeg(64 * 1024);
    JPEG_CORE_PROPERTIES p;
    ASSERT_EQ(ijlInit(&p), IJL_OK);
    p.DIBBytes = bottomUp.data();
    p.DIBWidth = w;
    p.DIBHeight = -h;
    p.DIBPadBytes = pad;
    p.JPGBytes = jpeg.data();
    p.JPGSizeBytes = static_cast<DWORD>(jpeg.size());
    p.jquality = 95;
    ASSERT_EQ(ijlWrite(&p, IJL_JBUFF_WRITEWHOLEIMAGE), IJL_OK);
    ASSERT_GT(p.JPGSizeBytes, 0u);
    jpeg.resize(p.JPGSizeBytes);
    const Decoded d = DecodeJpeg(jpeg);
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    EXPECT_LT(MeanAbsoluteError(topDown, d), 4.0);
}

TEST(IjlWriter, BadPropertiesAreRefusedWithoutTouchingTheFile)
{
    std::vector<BYTE> bgr = MakePicture(8, 8);
    const std::string path = TempPath("kestu_ijl_refused.jpg");
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("keep", f);
        std::fclose(f);
    }
    struct Case {
        const char* what;
        void (*change)(JPEG_CORE_PROPERTIES&);
        IJLERR expected;
    };
    const Case cases[] = {
        {"no pixels", [](JPEG_CORE_PROPERTIES& p) { p.DIBBytes = nullptr; }, IJL_INVALID_JPEG_PROPERTIES},
        {"zero width", [](JPEG_CORE_PROPERTIES& p) { p.DIBWidth = 0; }, IJL_INVALID_JPEG_PROPERTIES},
        {"jpeg size differs", [](JPEG_CORE_PROPERTIES& p) { p.JPGWidth = 9; }, IJL_INVALID_JPEG_PROPERTIES},
        {"channels", [](JPEG_CORE_PROPERTIES& p) { p.DIBChannels = 2; }, IJL_UNSUPPORTED_BYTES_PER_PIXEL},
        {"subsampling", [](JPEG_CORE_PROPERTIES& p) { p.JPGSubsampling = static_cast<IJL_JPGSUBSAMPLING>(7); },
         IJL_UNSUPPORTED_SUBSAMPLING},
        {"no file name", [](JPEG_CORE_PROPERTIES& p) { p.JPGFile = nullptr; }, IJL_INVALID_FILENAME},
        {"after free", [](JPEG_CORE_PROPERTIES& p) { ijlFree(&p); }, IJL_INVALID_JPEG_PROPERTIES},
    };
    for (const Case& c : cases) {
        JPEG_CORE_PROPERTIES p;
        ASSERT_EQ(ijlInit(&p), IJL_OK);
        p.DIBBytes = bgr.data();
        p.DIBWidth = p.JPGWidth = 8;
        p.DIBHeight = 8;
        p.JPGHeight = 8;
        p.JPGFile = path.c_str();
        c.change(p);
        EXPECT_EQ(ijlWrite(&p, IJL_JFILE_WRITEWHOLEIMAGE), c.expected) << c.what;
    }
    EXPECT_EQ(ReadFile(path), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
    std::remove(path.c_str());
}

TEST(IjlWriter, SmallBufferIsReported)
{
    std::vector<BYTE> bgr = MakePicture(16, 16);
    std::vector<BYTE> jpeg(16);
    JPEG_CORE_PROPERTIES p;
    ASSERT_EQ(ijlInit(&p), IJL_OK);
    p.DIBBytes = bgr.data();
    p.DIBWidth = 16;
    p.DIBHeight = 16;
    p.JPGBytes = jpeg.data();
    p.JPGSizeBytes = static_cast<DWORD>(jpeg.size());
    EXPECT_EQ(ijlWrite(&p, IJL_JBUFF_WRITEWHOLEIMAGE), IJL_BUFFER_TOO_SMALL);
    EXPECT_EQ(p.JPGSizeBytes, 16u);
}
