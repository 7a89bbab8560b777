#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MemBuf.h"
#include "screens/ScreensTestUtil.h"
#include "support/replace_checks.h"
#include "kestu_imageprobe.h"
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

class BmpFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/kestu_bmp_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const char* name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(BmpFiles, SaveBmpPadsTwentyFourBitRows)
{
    // 3 pixels of 24 bits: 9 bytes a row, padded to 12.
    const uint8_t pixels[2][9] = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}};
    EXPECT_EQ(Kestu_GetSaveBMPNeedBufferSize(3, 2, 9, D3DFMT_R8G8B8), 122u + 24);
    const std::string path = Path("rgb.bmp");
    ASSERT_EQ(Kestu_SaveBMP(path.c_str(), 3, 2, const_cast<uint8_t*>(&pixels[0][0]), 9, D3DFMT_R8G8B8, nullptr), 0);
    const std::vector<uint8_t> f = ReadAll(path);
    ASSERT_EQ(f.size(), 122u + 24);
    EXPECT_EQ(U32(f, 2), 146u);
    EXPECT_EQ(U32(f, 10), 122u);
    EXPECT_EQ(U32(f, 14), 108u);
    EXPECT_EQ(int32_t(U32(f, 22)), -2);
    EXPECT_EQ(U16(f, 28), 24u);
    EXPECT_EQ(U32(f, 34), 24u);
    EXPECT_EQ(std::memcmp(&f[122], pixels[0], 9), 0);
    EXPECT_EQ(f[122 + 9], 0);
    EXPECT_EQ(std::memcmp(&f[134], pixels[1], 9), 0);
}

TEST(BmpReplace, SaveBmpReplacesWithoutFollowingLinksAndKeepsTheMode)
{
    const uint8_t pixels[3] = {1, 2, 3};
    replacecheck::Scratch scratch("save_bmp");
    const std::string path = scratch.Path("shot.bmp");
    replacecheck::WriteText(path, "old", 0600);
    const replacecheck::PlantedLinks links(scratch, "shot.bmp");
    ASSERT_EQ(Kestu_SaveBMP(path.c_str(), 1, 1, const_cast<uint8_t*>(pixels), 3, D3DFMT_R8G8B8, nullptr), 0);
    EXPECT_EQ(ReadAll(path).size(), 122u + 4);
    links.ExpectReplaced(scratch, "shot.bmp", 0600);
}

TEST_F(BmpFiles, SaveBmpTurns565Into555AndWritesAlignedRowsDirectly)
{
    const uint16_t p565[2][2] = {{0xFFFF, 0xF800}, {0x07E0, 0x001F}};
    EXPECT_EQ(Kestu_GetSaveBMPNeedBufferSize(2, 2, 4, D3DFMT_R5G6B5), 122u + 8);
    std::vector<unsigned char> scratch(130, 0xAA);
    const std::string path = Path("565.bmp");
    ASSERT_EQ(Kestu_SaveBMP(path.c_str(), 2, 2, const_cast<uint16_t*>(&p565[0][0]), 4, D3DFMT_R5G6B5, scratch.data()),
              0);
    const std::vector<uint8_t> f = ReadAll(path);
    ASSERT_EQ(f.size(), 130u);
    EXPECT_EQ(U16(f, 122), 0x7FFFu);
    EXPECT_EQ(U16(f, 124), 0x7C00u);
    EXPECT_EQ(U16(f, 126), 0x03E0u);
    EXPECT_EQ(U16(f, 128), 0x001Fu);

    const uint32_t p32[2] = {0x00123456, 0x00ABCDEF};
    EXPECT_EQ(Kestu_GetSaveBMPNeedBufferSize(2, 1, 8, D3DFMT_X8R8G8B8), 0u);
    EXPECT_EQ(Kestu_GetSaveBMPNeedBufferSize(2, 1, 12, D3DFMT_X8R8G8B8), 122u + 8);
    const std::string p = Path("32.bmp");
    ASSERT_EQ(Kestu_SaveBMP(p.c_str(), 2, 1, const_cast<uint32_t*>(p32), 8, D3DFMT_X8R8G8B8, nullptr), 0);
    const std::vector<uint8_t> g = ReadAll(p);
    ASSERT_EQ(g.size(), 130u);
    EXPECT_EQ(U32(g, 126), 0x00ABCDEFu);

    EXPECT_EQ(Kestu_GetSaveBMPNeedBufferSize(2, 2, 2, D3DFMT_P8), 0u);
    const std::string bad = Path("p8.bmp");
    EXPECT_EQ(Kestu_SaveBMP(bad.c_str(), 2, 2, const_cast<uint16_t*>(&p565[0][0]), 2, D3DFMT_P8, nullptr), E_FAIL);
    EXPECT_FALSE(fs::exists(bad));
    EXPECT_EQ(Kestu_SaveBMP((dir / "none" / "x.bmp").string().c_str(), 2, 2, const_cast<uint16_t*>(&p565[0][0]), 4,
                            D3DFMT_R5G6B5, nullptr),
              E_FAIL);
}

TEST_F(BmpFiles, SaveBmp24ExpandsA565BufferBottomUp)
{
    MemBuf buf(3, 2, 16);
    buf.Put(0, 0, 0xFFFF);
    buf.Put(2, 1, 0x0821);
    std::string path = Path("b24.bmp");
    SaveBMP24(path.data(), 3, 2, &buf, nullptr);
    const std::vector<uint8_t> f = ReadAll(path);
    ASSERT_EQ(f.size(), 122u + 24);
    EXPECT_EQ(U32(f, 10), 122u);
    EXPECT_EQ(int32_t(U32(f, 22)), 2);
    // Bottom row first: pixel (2, 1) is at byte 6 of the first row.
    EXPECT_EQ(f[122 + 6], 8);   // blue 1 * 256 >> 5
    EXPECT_EQ(f[122 + 7], 4);   // green 1 * 256 >> 6
    EXPECT_EQ(f[122 + 8], 8);   // red
    EXPECT_EQ(f[134 + 0], 248); // (0, 0): 31 * 256 >> 5
    EXPECT_EQ(f[134 + 1], 252);
    // Asking for more than the buffer holds writes only what it has.
    std::string wide = Path("wide.bmp");
    SaveBMP24(wide.data(), 50, 50, &buf, nullptr);
    EXPECT_EQ(ReadAll(wide).size(), 122u + 24);
}

TEST_F(BmpFiles, FalseColourDumpUsesTheLowBytes)
{
    MemBuf buf(5, 2, 16);
    buf.Put(0, 0, 0x1203);
    buf.Put(4, 1, 0xFFFF);
    std::string path = Path("dump.bmp");
    SaveBMP(path.data(), 5, 2, &buf);
    const std::vector<uint8_t> f = ReadAll(path);
    ASSERT_EQ(f.size(), 122u + 1024 + 16);
    EXPECT_EQ(U32(f, 10), 122u + 1024);
    EXPECT_EQ(U16(f, 28), 8u);
    EXPECT_EQ(int32_t(U32(f, 22)), -2);
    const size_t pal = 122;
    EXPECT_EQ(U32(f, pal + 0), 0u);
    EXPECT_EQ(U32(f, pal + 4), 0x00FFFF00u); // blue 0, green 255, red 255
    EXPECT_EQ(U32(f, pal + 8), 0x00FF0000u);
    EXPECT_EQ(U32(f, pal + 12), 0x000000FFu);
    EXPECT_EQ(U32(f, pal + 4 * 255), 0x00FFFFFFu);
    EXPECT_EQ(f[pal + 1024 + 0], 0x03);
    EXPECT_EQ(f[pal + 1024 + 8 + 4], 0xFF); // rows of 5 bytes padded to 8

    host::ClearMessageBeeps();
    buf.failPrepare = true;
    std::string none = Path("none.bmp");
    SaveBMP(none.data(), 5, 2, &buf);
    EXPECT_FALSE(fs::exists(none));
    ASSERT_EQ(host::GetMessageBeeps().size(), 1u);
    EXPECT_EQ(host::GetMessageBeeps()[0], 0xFFFFFFFFu);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& b)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

std::vector<uint8_t> BmpHead(int32_t w, int32_t h)
{
    std::vector<uint8_t> b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    std::memcpy(&b[18], &w, 4);
    std::memcpy(&b[22], &h, 4);
    return b;
}

std::vector<uint8_t> TgaHead(uint16_t w, uint16_t h)
{
    std::vector<uint8_t> b(18, 0);
    b[2] = 2;
    std::memcpy(&b[12], &w, 2);
    std::memcpy(&b[14], &h, 2);
    return b;
}

TEST_F(BmpFiles, SizeProbesReadTheHeaders)
{
    WriteBytes(Path("up.bmp"), BmpHead(640, 480));
    WriteBytes(Path("down.BMP"), BmpHead(64, -32));
    WriteBytes(Path("zero.bmp"), BmpHead(0, 5));
    WriteBytes(Path("short.bmp"), std::vector<uint8_t>{'B', 'M', 0, 0});
    WriteBytes(Path("pic.TgA"), TgaHead(300, 17));
    WriteBytes(Path("pic.png"), TgaHead(300, 17));
    struct Case {
        const char* name;
        HRESULT result;
        DWORD w, h;
    };
    const Case cases[] = {
        {"up.bmp", 0, 640, 480},
        {"down.BMP", 0, 64, 32},
        {"zero.bmp", E_FAIL, 0, 5},
        {"short.bmp", KESTUERR_IMAGEHEADER, 0, 0},
        {"missing.bmp", KESTUERR_FILEOPEN, 0, 0},
        {"pic.TgA", 0, 300, 17},
        {"pic.png", E_FAIL, 0, 0},
    };
    for (const Case& c : cases) {
        DWORD w = 0, h = 0;
        EXPECT_EQ(GfxUtil_GetImageSize(w, h, Path(c.name).c_str()), c.result) << c.name;
        if (c.result == 0 || c.result == E_FAIL) {
            if (std::string(c.name) != "pic.png") {
                EXPECT_EQ(w, c.w) << c.name;
                EXPECT_EQ(h, c.h) << c.name;
            }
        }
    }
    DWORD w = 0, h = 0;
    EXPECT_EQ(GfxUtil_GetTgaSize(w, h, Path("missing.tga").c_str()), KESTUERR_FILEOPEN);

    const std::vector<uint8_t> bmp = BmpHead(7, -9), tga = TgaHead(5, 6);
    EXPECT_EQ(GfxUtil_GetImageSize(w, h, bmp.data()), 0);
    EXPECT_EQ(w, 7u);
    EXPECT_EQ(h, 9u);
    EXPECT_EQ(GfxUtil_GetImageSize(w, h, tga.data(), tga.size()), 0);
    EXPECT_EQ(w, 5u);
    EXPECT_EQ(h, 6u);
    EXPECT_EQ(GfxUtil_GetImageSize(w, h, static_cast<const BYTE*>(nullptr)), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(GfxUtil_GetBmpSize(w, h, bmp.data(), 20), KESTUERR_IMAGEHEADER);
    EXPECT_EQ(GfxUtil_GetImageSize(w, h, tga.data(), 10), KESTUERR_IMAGEHEADER);
}

TEST(TextureSize, SmallestPowerOfTwoHoldingBoth)
{
    const DWORD cases[][3] = {{0, 0, 1}, {1, 1, 1}, {300, 17, 512}, {512, 512, 512}, {2, 513, 1024}, {3, 0, 4}};
    for (const auto& c : cases) EXPECT_EQ(GfxUtil_FindMinSizeForTexture(c[0], c[1]), c[2]) << c[0] << "x" << c[1];
}

} // namespace
