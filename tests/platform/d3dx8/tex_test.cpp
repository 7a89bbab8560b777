// Textures and surfaces through a device: creation rounding, loading from
// files with filters and colour keys, saving, and mip filtering.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "d3d8caps.h"
#include "d3dx8/image_codec.h"
#include "d3dx8/image_dxt.h"
#include "support/replace_checks.h"
#include "d3dx_device.h"

using namespace d3dxtest;
using kestu::d3dx::Image;

namespace {

// 8x4: red rises with x, green with y; opaque.
Image Gradient(uint32_t w = 8, uint32_t h = 4)
{
    Image img;
    img.Allocate(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) img.Row(y)[x] = 0xFF000000u | (x * 32) << 16 | (y * 64) << 8 | 0x40;
    return img;
}

std::vector<uint8_t> Bmp(const Image& img, bool alpha = false)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(kestu::d3dx::EncodeBmp(img, alpha, out), S_OK);
    return out;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

using TexTest = D3DXDeviceTest;

TEST_F(TexTest, CreateTextureRoundsSizeLevelsAndFormat)
{
    struct Case {
        const char* name;
        DWORD removeCaps;
        DWORD addCaps;
        UINT w, h, levels;
        D3DFORMAT format;
        UINT ew, eh, elevels;
        D3DFORMAT eformat;
    };
    const Case cases[] = {
        {"defaults", 0, 0, D3DX_DEFAULT, 0, D3DX_DEFAULT, D3DFMT_UNKNOWN, 256, 256, 9, D3DFMT_A8R8G8B8},
        {"power of two", 0, D3DPTEXTURECAPS_POW2, 100, 60, 0, D3DFMT_X8R8G8B8, 128, 64, 8, D3DFMT_X8R8G8B8},
        {"square only", 0, D3DPTEXTURECAPS_SQUAREONLY, 16, 4, 2, D3DFMT_A8R8G8B8, 16, 16, 2, D3DFMT_A8R8G8B8},
        {"too many levels", 0, 0, 8, 8, 20, D3DFMT_A8R8G8B8, 8, 8, 4, D3DFMT_A8R8G8B8},
        {"no mipmaps", D3DPTEXTURECAPS_MIPMAP, 0, 8, 8, 0, D3DFMT_A8R8G8B8, 8, 8, 1, D3DFMT_A8R8G8B8},
        {"unsupported format", 0, 0, 4, 4, 1, D3DFMT_V8U8, 4, 4, 1, D3DFMT_A8R8G8B8},
        {"dxt to blocks", D3DPTEXTURECAPS_POW2, 0, 6, 10, 1, D3DFMT_DXT1, 8, 12, 1, D3DFMT_DXT1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host::D3D8SetCapsFilter([&](D3DDEVTYPE, D3DCAPS8& caps) {
            caps.TextureCaps = (caps.TextureCaps & ~c.removeCaps & ~D3DPTEXTURECAPS_NONPOW2CONDITIONAL) | c.addCaps;
            if (!(c.addCaps & D3DPTEXTURECAPS_POW2)) caps.TextureCaps &= ~D3DPTEXTURECAPS_POW2;
        });
        UINT w = c.w, h = c.h, levels = c.levels;
        D3DFORMAT f = c.format;
        ASSERT_EQ(D3DXCheckTextureRequirements(dev, &w, &h, &levels, 0, &f, D3DPOOL_MANAGED), D3D_OK);
        EXPECT_EQ(w, c.ew);
        EXPECT_EQ(h, c.eh);
        EXPECT_EQ(levels, c.elevels);
        EXPECT_EQ(f, c.eformat);
        Released<IDirect3DTexture8> tex;
        ASSERT_EQ(D3DXCreateTexture(dev, c.w, c.h, c.levels, 0, c.format, D3DPOOL_MANAGED, &tex), D3D_OK);
        D3DSURFACE_DESC desc;
        ASSERT_EQ(tex->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, c.ew);
        EXPECT_EQ(desc.Height, c.eh);
        EXPECT_EQ(desc.Format, c.eformat);
        EXPECT_EQ(tex->GetLevelCount(), c.elevels);
    }
}

TEST_F(TexTest, FromFileInMemoryKeepsPixelsAndBuildsMips)
{
    const Image src = Gradient();
    const auto bmp = Bmp(src);
    Released<IDirect3DTexture8> tex;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, bmp.data(), (UINT)bmp.size(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                  D3DX_FILTER_BOX, 0, &info, nullptr, &tex),
              D3D_OK);
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 4u);
    EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(tex->GetLevelCount(), 4u);
    D3DSURFACE_DESC desc;
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_R8G8B8) << "the file's format when the device has it";
    EXPECT_EQ(Pixels(tex.get(), 0), src.argb);
    // Level 1 is the 2x2 box average: red 16 + 64x, green 32 + 128y.
    const auto l1 = Pixels(tex.get(), 1);
    ASSERT_EQ(l1.size(), 8u);
    EXPECT_EQ(l1[0], 0xFF102040u);
    EXPECT_EQ(l1[5], 0xFF50A040u);
    const auto l3 = Pixels(tex.get(), 3);
    ASSERT_EQ(l3.size(), 1u);
    EXPECT_TRUE(Near(l3[0], 0xFF706040u, 1)) << std::hex << l3[0];
}

TEST_F(TexTest, ColourKeyAndExplicitSizeWithPointFilter)
{
    Image src = Gradient(4, 4);
    src.Row(1)[2] = 0xFFFF00FF;
    const auto bmp = Bmp(src);
    Released<IDirect3DTexture8> tex;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, bmp.data(), (UINT)bmp.size(), 8, 8, 1, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_NONE, 0xFFFF00FF,
                                                  nullptr, nullptr, &tex),
              D3D_OK);
    D3DSURFACE_DESC desc;
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8) << "a colour key needs alpha";
    const auto px = Pixels(tex.get());
    // The keyed pixel covers 2x2 texels at (4..5, 2..3), transparent black.
    EXPECT_EQ(px[2 * 8 + 4], 0u);
    EXPECT_EQ(px[3 * 8 + 5], 0u);
    EXPECT_EQ(px[2 * 8 + 6], src.Row(1)[3]);
    EXPECT_EQ(px[0], src.argb[0]);

    // Invalid filters are refused.
    Released<IDirect3DTexture8> none;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, bmp.data(), (UINT)bmp.size(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, 9, D3DX_DEFAULT, 0, nullptr, nullptr, &none),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(none.get(), nullptr);
    const uint8_t junk[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(dev, junk, sizeof junk, &none), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXCreateTextureFromFileA(dev, "missing.bmp", &none), D3DXERR_INVALIDDATA);
}

TEST_F(TexTest, DdsLevelsComeFromTheFileAndDxtStaysRaw)
{
    // Two A8R8G8B8 levels whose second level is not a box average.
    kestu::d3dx::RawSurface l0{4, 4, std::vector<uint8_t>(64, 0x11)}, l1{2, 2, std::vector<uint8_t>(16, 0xEE)};
    std::vector<uint8_t> dds;
    ASSERT_EQ(kestu::d3dx::EncodeDds(D3DFMT_A8R8G8B8, 4, 4, 2, false, {l0, l1}, dds), S_OK);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(dds.data(), (UINT)dds.size(), &info), D3D_OK);
    EXPECT_EQ(info.MipLevels, 2u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    Released<IDirect3DTexture8> tex;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, dds.data(), (UINT)dds.size(), D3DX_DEFAULT, D3DX_DEFAULT, 2, 0,
                                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  nullptr, nullptr, &tex),
              D3D_OK);
    EXPECT_EQ(Pixels(tex.get(), 1), std::vector<uint32_t>(4, 0xEEEEEEEEu));

    Image img;
    img.Allocate(8, 8);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) img.Row(y)[x] = 0xFF004000u | (x * 32) << 16;
    kestu::d3dx::RawSurface blocks{8, 8, std::vector<uint8_t>(32)};
    kestu::d3dx::EncodeDxt(D3DFMT_DXT1, img.argb.data(), 8, 8, blocks.bytes.data(), 16);
    ASSERT_EQ(kestu::d3dx::EncodeDds(D3DFMT_DXT1, 8, 8, 1, false, {blocks}, dds), S_OK);
    Released<IDirect3DTexture8> dxt;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, dds.data(), (UINT)dds.size(), 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                  &dxt),
              D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(dxt->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(lr.pBits, blocks.bytes.data(), 16), 0);
    EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(lr.pBits) + lr.Pitch, blocks.bytes.data() + 16, 16), 0);
    dxt->UnlockRect(0);
    // And the blocks decode close to the picture.
    const auto px = Pixels(dxt.get());
    for (size_t i = 0; i < px.size(); ++i) EXPECT_TRUE(Near(px[i], img.argb[i], 24)) << i;
}

TEST_F(TexTest, SurfaceFromSurfaceWithRectanglesFilterAndKey)
{
    Image src = Gradient(4, 4);
    src.Row(0)[1] = 0xFFFF00FF;
    const auto bmp = Bmp(src);
    Released<IDirect3DTexture8> a, b;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, bmp.data(), (UINT)bmp.size(), 0, 0, 1, 0, D3DFMT_A8R8G8B8,
                                                  D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr,
                                                  nullptr, &a),
              D3D_OK);
    ASSERT_EQ(D3DXCreateTexture(dev, 8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &b), D3D_OK);
    Released<IDirect3DSurface8> sa, sb;
    a->GetSurfaceLevel(0, &sa);
    b->GetSurfaceLevel(0, &sb);
    // Source (0,0)-(2,2) doubled into destination (2,2)-(6,6), magenta keyed.
    const RECT from{0, 0, 2, 2}, to{2, 2, 6, 6};
    ASSERT_EQ(
        D3DXLoadSurfaceFromSurface(sb.get(), nullptr, &to, sa.get(), nullptr, &from, D3DX_FILTER_POINT, 0xFFFF00FF),
        D3D_OK);
    const auto px = Pixels(sb.get());
    EXPECT_EQ(px[2 * 8 + 2], src.Row(0)[0]);
    EXPECT_EQ(px[3 * 8 + 3], src.Row(0)[0]);
    EXPECT_EQ(px[2 * 8 + 4], 0u) << "keyed";
    EXPECT_EQ(px[5 * 8 + 5], src.Row(1)[1]);
    EXPECT_EQ(px[0], 0u) << "outside the rectangle untouched";
    const RECT outside{6, 6, 10, 10};
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(sb.get(), nullptr, &outside, sa.get(), nullptr, nullptr, D3DX_DEFAULT, 0),
              D3DERR_INVALIDCALL);

    // From memory: R5G6B5 words.
    const uint16_t words[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    const RECT whole{0, 0, 2, 2};
    ASSERT_EQ(D3DXLoadSurfaceFromMemory(sb.get(), nullptr, &whole, words, D3DFMT_R5G6B5, 4, nullptr, &whole,
                                        D3DX_FILTER_NONE, 0),
              D3D_OK);
    const auto mem = Pixels(sb.get());
    EXPECT_EQ(mem[0], 0xFFFF0000u);
    EXPECT_EQ(mem[1], 0xFF00FF00u);
    EXPECT_EQ(mem[8], 0xFF0000FFu);
    EXPECT_EQ(mem[9], 0xFFFFFFFFu);
}

TEST_F(TexTest, SaveAndReloadThroughEveryFileFormat)
{
    Image src = Gradient(8, 4);
    src.Row(2)[3] = 0x80123456; // some alpha
    const auto bmp = Bmp(src, true);
    Released<IDirect3DTexture8> tex;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, bmp.data(), (UINT)bmp.size(), 0, 0, 2, 0, D3DFMT_A8R8G8B8,
                                                  D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT, 0, nullptr, nullptr,
                                                  &tex),
              D3D_OK);
    Released<IDirect3DSurface8> level0;
    tex->GetSurfaceLevel(0, &level0);
    const struct {
        D3DXIMAGE_FILEFORMAT format;
        const char* name;
        bool alpha;
        int tolerance;
    } cases[] = {
        {D3DXIFF_BMP, "a.bmp", true, 0},   {D3DXIFF_DIB, "a.dib", true, 0}, {D3DXIFF_TGA, "a.tga", true, 0},
        {D3DXIFF_PNG, "a.png", true, 0},   {D3DXIFF_DDS, "a.dds", true, 0}, {D3DXIFF_PPM, "a.ppm", false, 0},
        {D3DXIFF_JPG, "a.jpg", false, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TempPath(c.name);
        ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), c.format, level0.get(), nullptr, nullptr), D3D_OK);
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK);
        EXPECT_EQ(info.ImageFileFormat, c.format);
        EXPECT_EQ(info.Width, 8u);
        Released<IDirect3DTexture8> back;
        ASSERT_EQ(D3DXCreateTexture(dev, 8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &back), D3D_OK);
        Released<IDirect3DSurface8> s;
        back->GetSurfaceLevel(0, &s);
        ASSERT_EQ(
            D3DXLoadSurfaceFromFileA(s.get(), nullptr, nullptr, path.c_str(), nullptr, D3DX_FILTER_NONE, 0, nullptr),
            D3D_OK);
        const auto px = Pixels(s.get());
        ASSERT_EQ(px.size(), src.argb.size());
        long error = 0;
        for (size_t i = 0; i < px.size(); ++i) {
            const uint32_t expect = c.alpha ? src.argb[i] : src.argb[i] | 0xFF000000u;
            for (int sh = 0; sh < 32; sh += 8) error += std::abs((int)(px[i] >> sh & 255) - (int)(expect >> sh & 255));
        }
        // Exact for the lossless formats; JPEG within a mean error per channel.
        EXPECT_LE(error, (long)c.tolerance * (long)px.size() * 4);
        std::remove(path.c_str());
    }
    // A sub-rectangle.
    const RECT r{2, 1, 5, 3};
    const std::string part = TempPath("part.png");
    ASSERT_EQ(D3DXSaveSurfaceToFileA(part.c_str(), D3DXIFF_PNG, level0.get(), nullptr, &r), D3D_OK);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(part.c_str(), &info), D3D_OK);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 2u);
    std::remove(part.c_str());

    // The whole texture as DDS keeps both levels.
    const std::string dds = TempPath("tex.dds");
    ASSERT_EQ(D3DXSaveTextureToFileA(dds.c_str(), D3DXIFF_DDS, tex.get(), nullptr), D3D_OK);
    ASSERT_EQ(D3DXGetImageInfoFromFileA(dds.c_str(), &info), D3D_OK);
    EXPECT_EQ(info.MipLevels, 2u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    const auto bytes = ReadFile(dds);
    Released<IDirect3DTexture8> again;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(dev, bytes.data(), (UINT)bytes.size(), &again), D3D_OK);
    EXPECT_EQ(Pixels(again.get(), 1), Pixels(tex.get(), 1));
    std::remove(dds.c_str());
    // A failed save leaves no file behind.
    EXPECT_NE(D3DXSaveSurfaceToFileA("no/such/folder/x.bmp", D3DXIFF_BMP, level0.get(), nullptr, nullptr), D3D_OK);

    // Replacing a file never follows a link planted beside it and keeps its mode.
    replacecheck::Scratch scratch("d3dx_save");
    const std::string kept = scratch.Path("kept.png");
    replacecheck::WriteText(kept, "old", 0600);
    const replacecheck::PlantedLinks links(scratch, "kept.png");
    ASSERT_EQ(D3DXSaveSurfaceToFileA(kept.c_str(), D3DXIFF_PNG, level0.get(), nullptr, nullptr), D3D_OK);
    ASSERT_EQ(D3DXGetImageInfoFromFileA(kept.c_str(), &info), D3D_OK);
    links.ExpectReplaced(scratch, "kept.png", 0600);
}

TEST_F(TexTest, FilterTextureRebuildsLowerLevels)
{
    Released<IDirect3DTexture8> tex;
    ASSERT_EQ(D3DXCreateTexture(dev, 4, 4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
                0xFF000000u | (uint32_t)(x * 60) << 16 | (uint32_t)(y * 60);
    tex->UnlockRect(0);
    ASSERT_EQ(D3DXFilterTexture(tex.get(), nullptr, D3DX_DEFAULT, D3DX_DEFAULT), D3D_OK);
    EXPECT_EQ(Pixels(tex.get(), 1), (std::vector<uint32_t>{0xFF1E001E, 0xFF96001E, 0xFF1E0096, 0xFF960096}));
    EXPECT_EQ(Pixels(tex.get(), 2), (std::vector<uint32_t>{0xFF5A005A}));
    ASSERT_EQ(D3DXFilterTexture(tex.get(), nullptr, 0, D3DX_FILTER_POINT | D3DX_FILTER_MIRROR), D3D_OK);
    EXPECT_EQ(Pixels(tex.get(), 1), (std::vector<uint32_t>{0xFF3C003C, 0xFFB4003C, 0xFF3C00B4, 0xFFB400B4}));
    EXPECT_EQ(D3DXFilterTexture(tex.get(), nullptr, 5, D3DX_DEFAULT), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXFilterTexture(tex.get(), nullptr, 0, 77), D3DERR_INVALIDCALL);
}

TEST_F(TexTest, CubeTexturesFromDdsAndPlainImages)
{
    Released<IDirect3DCubeTexture8> cube;
    ASSERT_EQ(D3DXCreateCubeTexture(dev, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    for (int face = 0; face < 6; ++face) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(cube->LockRect((D3DCUBEMAP_FACES)face, 0, &lr, nullptr, 0), D3D_OK);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = 0xFF000000u | face;
        cube->UnlockRect((D3DCUBEMAP_FACES)face, 0);
    }
    const std::string path = TempPath("cube.dds");
    ASSERT_EQ(D3DXSaveTextureToFileA(path.c_str(), D3DXIFF_DDS, cube.get(), nullptr), D3D_OK);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    Released<IDirect3DCubeTexture8> back;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileA(dev, path.c_str(), &back), D3D_OK);
    for (int face = 0; face < 6; ++face) {
        Released<IDirect3DSurface8> s;
        ASSERT_EQ(back->GetCubeMapSurface((D3DCUBEMAP_FACES)face, 0, &s), D3D_OK);
        EXPECT_EQ(Pixels(s.get())[5], 0xFF000000u | (uint32_t)face);
    }
    std::remove(path.c_str());
    // A plain image lands on every face.
    const auto bmp = Bmp(Gradient(4, 4));
    Released<IDirect3DCubeTexture8> plain;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemory(dev, bmp.data(), (UINT)bmp.size(), &plain), D3D_OK);
    Released<IDirect3DSurface8> s5;
    ASSERT_EQ(plain->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, &s5), D3D_OK);
    EXPECT_EQ(Pixels(s5.get()), Gradient(4, 4).argb);
}

TEST_F(TexTest, RenderTargetsAreReadAndWrittenThroughACopy)
{
    Released<IDirect3DTexture8> target;
    ASSERT_EQ(D3DXCreateTexture(dev, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    Released<IDirect3DSurface8> rt;
    ASSERT_EQ(target->GetSurfaceLevel(0, &rt), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_NE(rt->LockRect(&lr, nullptr, 0), D3D_OK) << "the device refuses locks on render targets";

    const Image src = Gradient(4, 4);
    const auto bmp = Bmp(src);
    ASSERT_EQ(D3DXLoadSurfaceFromFileInMemory(rt.get(), nullptr, nullptr, bmp.data(), (UINT)bmp.size(), nullptr,
                                              D3DX_FILTER_NONE, 0, nullptr),
              D3D_OK);
    const std::string path = TempPath("rt.png");
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_PNG, rt.get(), nullptr, nullptr), D3D_OK);
    Released<IDirect3DTexture8> back;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(dev, path.c_str(), 0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                           D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &back),
              D3D_OK);
    EXPECT_EQ(Pixels(back.get()), src.argb);
    std::remove(path.c_str());
}

TEST_F(TexTest, SixteenBitTgaKeepsItsAttributeAlpha)
{
    // 4x4, top-down, one attribute bit: clear on the even pixels (transparent).
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 16, 0x21};
    for (int i = 0; i < 16; ++i) {
        const uint16_t v = (i & 1) ? 0xFC00 : 0x001F;
        tga.push_back((uint8_t)v);
        tga.push_back((uint8_t)(v >> 8));
    }
    for (D3DFORMAT f : {D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8}) {
        SCOPED_TRACE((int)f);
        Released<IDirect3DTexture8> tex;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, tga.data(), (UINT)tga.size(), D3DX_DEFAULT, D3DX_DEFAULT, 1,
                                                      0, f, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info,
                                                      nullptr, &tex),
                  D3D_OK);
        EXPECT_EQ(info.Format, D3DFMT_A1R5G5B5);
        const auto px = Pixels(tex.get());
        ASSERT_EQ(px.size(), 16u);
        for (size_t i = 0; i < 16; ++i) EXPECT_EQ(px[i], (i & 1) ? 0xFFFF0000u : 0x000000FFu) << i;
    }
}

TEST_F(TexTest, LoadsIntoEveryColourFormat)
{
    // Saturated colours and two alpha values survive every format exactly
    // (alpha only where the format has it).
    Image src;
    src.Allocate(4, 2);
    src.argb = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0x00FFFFFF, 0xFF000000, 0x00FF00FF, 0xFFFFFF00};
    const auto bmp = Bmp(src, true);
    const struct {
        D3DFORMAT format;
        bool alpha;
    } cases[] = {
        {D3DFMT_A8R8G8B8, true},  {D3DFMT_X8R8G8B8, false}, {D3DFMT_R8G8B8, false},     {D3DFMT_R5G6B5, false},
        {D3DFMT_X1R5G5B5, false}, {D3DFMT_A1R5G5B5, true},  {D3DFMT_A4R4G4B4, true},    {D3DFMT_X4R4G4B4, false},
        {D3DFMT_R3G3B2, false},   {D3DFMT_A8R3G3B2, true},  {D3DFMT_A2B10G10R10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((int)c.format);
        Released<IDirect3DTexture8> tex;
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, bmp.data(), (UINT)bmp.size(), 0, 0, 1, 0, c.format,
                                                      D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr,
                                                      nullptr, &tex),
                  D3D_OK);
        D3DSURFACE_DESC desc;
        tex->GetLevelDesc(0, &desc);
        ASSERT_EQ(desc.Format, c.format);
        const auto px = Pixels(tex.get());
        ASSERT_EQ(px.size(), src.argb.size());
        for (size_t i = 0; i < px.size(); ++i)
            EXPECT_EQ(px[i], c.alpha ? src.argb[i] : src.argb[i] | 0xFF000000u) << i << " " << std::hex << px[i];
    }

    // Block formats from a picture: close to the source after encoding.
    Image ramp;
    ramp.Allocate(6, 6);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 6; ++x) ramp.Row(y)[x] = 0xFF000080u | (x * 40) << 16;
    const auto rampBmp = Bmp(ramp);
    for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
        SCOPED_TRACE((int)f);
        Released<IDirect3DTexture8> tex;
        // 6x6 rounds up to whole blocks; the point filter stretches the picture over them.
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev, rampBmp.data(), (UINT)rampBmp.size(), 0, 0, 1, 0, f,
                                                      D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_NONE, 0, nullptr,
                                                      nullptr, &tex),
                  D3D_OK);
        const auto px = Pixels(tex.get());
        ASSERT_EQ(px.size(), 64u);
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 8; ++x) {
                const uint32_t expect = ramp.Row((2 * y + 1) * 6 / 16)[(2 * x + 1) * 6 / 16];
                EXPECT_TRUE(Near(px[y * 8 + x], expect, 16)) << x << "," << y << " " << std::hex << px[y * 8 + x];
            }
    }
}
