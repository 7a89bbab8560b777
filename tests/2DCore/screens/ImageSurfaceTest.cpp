#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "MemBuf.h"
#include "screens/ScreensTestUtil.h"
#include "core/entry/GfxGlobals.h"
#include "host/host_d3d8.h"
#include "kestu_imagesurface.h"
#include "kestu_log.h"
#include "kestu_screenshot.h"

using namespace screens_test;

namespace {

IDirect3D8* g_d3d = nullptr;
IDirect3DDevice8* g_device = nullptr;

class DeviceEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (g_device != nullptr) g_device->Release();
        if (g_d3d != nullptr) g_d3d->Release();
        g_device = nullptr;
        g_d3d = nullptr;
    }
};
[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new DeviceEnvironment);

IDirect3DDevice8* Device()
{
    if (g_device == nullptr) {
        if (g_d3d == nullptr) g_d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (g_d3d == nullptr) return nullptr;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 32;
        pp.BackBufferHeight = 32;
        pp.BackBufferFormat = D3DFMT_R5G6B5;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_COPY;
        pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
        pp.Windowed = TRUE;
        pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        if (FAILED(g_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &g_device)))
            g_device = nullptr;
    }
    return g_device;
}

// A 16-bit memory buffer that reports itself as a sprite buffer.
class SpriteBuf : public MemBuf {
public:
    using MemBuf::MemBuf;
    int WhoAmI() override { return 4; }
};

uint32_t Pixel(CImageSurface& s, int x, int y)
{
    const uint8_t* base = static_cast<uint8_t*>(s.Prepare(nullptr));
    uint32_t v = 0;
    if (base != nullptr) std::memcpy(&v, base + y * s.PitchCx() + x * s.GetPixelWidth() / 8, s.GetPixelWidth() / 8);
    s.Unprepare();
    return v;
}

class ImageSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dev = Device();
        ASSERT_NE(dev, nullptr);
        count = CImageSurface::GetCImageSurfaceNumber();
    }
    IDirect3DDevice8* dev = nullptr;
    int count = 0;
};

TEST_F(ImageSurfaceTest, BuildDescribesTheSurface)
{
    CImageSurface s;
    ASSERT_EQ(s.Build(dev, 8, 4, 0, D3DPOOL_SYSTEMMEM), 0);
    EXPECT_TRUE(s.IsBuilt());
    EXPECT_EQ(s.WhoAmI(), 7);
    EXPECT_EQ(s.GetSurfacePixelFormat(), D3DFMT_R5G6B5);
    EXPECT_EQ(s.GetPixelFormat(), 16);
    EXPECT_EQ(s.GetPixelWidth(), 16);
    EXPECT_EQ(s.PitchCx(), 16);
    EXPECT_EQ(s.GetWidth(), 8);
    EXPECT_EQ(s.GetTransColor(), 0xF81F);
    EXPECT_EQ(CImageSurface::GetCImageSurfaceNumber(), count + 1);
    s.Release();
    EXPECT_EQ(CImageSurface::GetCImageSurfaceNumber(), count);
    EXPECT_FALSE(s.IsBuilt());
}

TEST_F(ImageSurfaceTest, BadBuildsAreRefusedAndFailedCreationsLogged)
{
    CImageSurface s;
    EXPECT_EQ(s.Build(dev, 8, 4, 0, D3DPOOL_MANAGED), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(s.Build(dev, 0, 4, 0, D3DPOOL_SYSTEMMEM), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(s.Build(nullptr, 8, 4, 0, D3DPOOL_SYSTEMMEM), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(s.Build(dev, static_cast<IDirect3DSurface8*>(nullptr)), KESTUERR_INVALIDPARAM);

    CGfxConfig saved = g_GfxConfig;
    KESTU_CONFIG* cfg = g_GfxConfig.GetCfg();
    std::snprintf(cfg->szLogFile, sizeof cfg->szLogFile, "%s", "screens_surface.log");
    cfg->eLogLevel = 4;
    KestuSaveLog(KESTU_LOG_ERROR, "x");
    std::remove("screens_surface.log");
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, E_OUTOFMEMORY, 1);
    EXPECT_EQ(s.Build(dev, 8, 4, 0, D3DPOOL_SYSTEMMEM), E_OUTOFMEMORY);
    std::ifstream in("screens_surface.log");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Faile to create surface: Usage = 0, Width = 8, Height = 4");
    std::remove("screens_surface.log");
    g_GfxConfig = saved;
    EXPECT_FALSE(s.IsBuilt());
    EXPECT_EQ(CImageSurface::GetCImageSurfaceNumber(), count);
}

TEST_F(ImageSurfaceTest, ColorFillPacksTheColourForEachFormat)
{
    struct Case {
        D3DFORMAT format;
        unsigned long colour;
        uint32_t pixel;
    };
    const Case cases[] = {
        {D3DFMT_R5G6B5, 0xFFFF8040, 0xFC08},       {D3DFMT_X1R5G5B5, 0x00FF8040, 0x7E08},
        {D3DFMT_A1R5G5B5, 0xFFFF8040, 0xFE08},     {D3DFMT_A1R5G5B5, 0x10FF8040, 0x7E08},
        {D3DFMT_X8R8G8B8, 0x12345678, 0x12345678}, {D3DFMT_A8R8G8B8, 0x87654321, 0x87654321},
    };
    for (const Case& c : cases) {
        CImageSurface s;
        ASSERT_EQ(s.Build(dev, 6, 5, c.format, D3DMULTISAMPLE_NONE, 0, D3DPOOL_SYSTEMMEM), 0);
        ASSERT_EQ(s.ColorFill(0, nullptr), 0);
        const RECT part{1, 2, 4, 4};
        ASSERT_EQ(s.ColorFill(c.colour, &part), 0) << c.format;
        EXPECT_EQ(Pixel(s, 1, 2), c.pixel) << c.format;
        EXPECT_EQ(Pixel(s, 3, 3), c.pixel) << c.format;
        EXPECT_EQ(Pixel(s, 4, 3), 0u) << c.format;
        EXPECT_EQ(Pixel(s, 1, 1), 0u) << c.format;
    }
    CImageSurface s;
    ASSERT_EQ(s.Build(dev, 4, 4, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_NE(s.Prepare(nullptr), nullptr);
    EXPECT_EQ(s.ColorFill(0xFFFFFFFF, nullptr), KESTUERR_GENERIC);
    s.Unprepare();
    EXPECT_EQ(Pixel(s, 0, 0), 0u);
    const RECT outside{2, 2, 5, 3};
    EXPECT_EQ(s.ColorFill(0xFFFFFFFF, &outside), KESTUERR_INVALIDPARAM);
}

TEST_F(ImageSurfaceTest, PrepareKeepsAMatchingLockAndAbsLockHoldsIt)
{
    CImageSurface s;
    ASSERT_EQ(s.Build(dev, 8, 8, 0, D3DPOOL_SYSTEMMEM), 0);
    void* a = s.Prepare(nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(s.Prepare(nullptr), a);
    EXPECT_TRUE(s.IsLocked());
    GRECT part(2, 2, 3, 3);
    EXPECT_NE(s.Prepare(&part), nullptr);
    EXPECT_EQ(s.GetLockedRect().left, 2);
    EXPECT_EQ(s.GetLockedRect().bottom, 5);
    s.Unprepare();
    EXPECT_EQ(s.GetUnprepareResult(), 1);
    EXPECT_FALSE(s.IsLocked());
    EXPECT_EQ(s.PitchCx(), 16);

    ASSERT_EQ(s.AbsLock(), 1);
    void* held = s.Prepare(nullptr);
    ASSERT_NE(held, nullptr);
    s.Unprepare();
    EXPECT_EQ(s.GetUnprepareResult(), 1);
    EXPECT_TRUE(s.IsLocked());
    EXPECT_EQ(s.Prepare(&part), nullptr); // another part cannot be had under the held lock
    EXPECT_EQ(s.AbsUnLock(), 1);
    EXPECT_FALSE(s.IsLocked());
    EXPECT_EQ(s.AbsUnLock(), 0);
}

TEST_F(ImageSurfaceTest, TakingOverASurfaceHoldsOneReference)
{
    IDirect3DSurface8* foreign = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(4, 4, D3DFMT_R5G6B5, &foreign), D3D_OK);
    {
        CImageSurface s;
        ASSERT_EQ(s.Build(dev, foreign), 0);
        EXPECT_FALSE(s.IsOwned());
        EXPECT_EQ(CImageSurface::GetCImageSurfaceNumber(), count);
        EXPECT_EQ(foreign->AddRef(), 3u);
        foreign->Release();
        // Rebuilding over it gives the reference back.
        ASSERT_EQ(s.Build(dev, 4, 4, 0, D3DPOOL_SYSTEMMEM), 0);
        EXPECT_EQ(foreign->AddRef(), 2u);
        foreign->Release();
        ASSERT_EQ(s.Build(dev, foreign), 0);
        EXPECT_EQ(CImageSurface::GetCImageSurfaceNumber(), count);
    }
    EXPECT_EQ(foreign->Release(), 0u);
}

TEST_F(ImageSurfaceTest, SurfaceToSurfacePaintCopiesOrFallsBackToTheSoftwarePaint)
{
    CImageSurface src, dst;
    ASSERT_EQ(src.Build(dev, 4, 4, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_EQ(dst.Build(dev, 8, 8, 0, D3DPOOL_SYSTEMMEM), 0);
    src.ColorFill(0xFFF800F8, nullptr); // magenta: the trans colour
    const RECT dot{1, 1, 2, 2};
    src.ColorFill(0xFF00FF00, &dot);
    dst.ColorFill(0xFF0000FF, nullptr);
    EXPECT_EQ(src.Paint(&dst, 2, 2, PT_KEY, nullptr), 1);
    EXPECT_EQ(Pixel(dst, 3, 3), 0x07E0u);
    EXPECT_EQ(Pixel(dst, 2, 2), 0x001Fu);
    EXPECT_EQ(src.Paint(&dst, 6, 6, 4, 4, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(Pixel(dst, 6, 6), 0xF81Fu);
    EXPECT_EQ(Pixel(dst, 7, 7), 0x07E0u);
    EXPECT_EQ(src.Paint(&dst, 8, 0, 4, 4, 0, 0, PT_COPY, nullptr), 0);

    // Under a held lock the Direct3D copy fails and the software copy runs.
    ASSERT_EQ(dst.AbsLock(), 1);
    EXPECT_EQ(src.Paint(&dst, 0, 0, 2, 2, 0, 0, PT_COPY, nullptr), 1);
    dst.AbsUnLock();
    EXPECT_EQ(Pixel(dst, 0, 0), 0xF81Fu);
    EXPECT_EQ(Pixel(dst, 1, 1), 0x07E0u);
}

TEST_F(ImageSurfaceTest, PaintFastWholeSurfaceNeedsAVideoSourceAndASystemTarget)
{
    CImageSurface video, system, small;
    ASSERT_EQ(video.Build(dev, 4, 4, 0, D3DPOOL_DEFAULT), 0);
    ASSERT_EQ(system.Build(dev, 4, 4, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_EQ(small.Build(dev, 2, 2, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_EQ(video.ColorFill(0xFFFF0000, nullptr), 0);
    EXPECT_EQ(video.PaintFast(system.GetSurface()), 0);
    EXPECT_EQ(Pixel(system, 3, 3), 0xF800u);
    EXPECT_EQ(video.PaintFast(small.GetSurface()), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(system.PaintFast(video.GetSurface()), KESTUERR_INVALIDPARAM);
    CImageSurface empty;
    EXPECT_EQ(empty.PaintFast(system.GetSurface()), KESTUERR_SURFACENOTBUILT);
}

TEST_F(ImageSurfaceTest, UnscaledPaintStaysInsideTheClip)
{
    CImageSurface src, dst;
    ASSERT_EQ(src.Build(dev, 4, 4, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_EQ(dst.Build(dev, 8, 8, 0, D3DPOOL_SYSTEMMEM), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const RECT p{x, y, x + 1, y + 1};
            src.ColorFill((unsigned long)(x * 64) << 16 | (unsigned long)(y * 64) << 8, &p);
        }
    const GRECT clip(2, 2, 6, 6);
    for (unsigned long mode : {0ul, 1ul}) {
        dst.ColorFill(0, nullptr);
        // At (0, 0) with the clip starting at (2, 2): only source (2..3, 2..3) lands, at (2, 2).
        ASSERT_EQ(src.Paint(0, 0, 4, 4, 0, 0, 4, 4, 1, mode, dst.GetSurface(), &clip), 0) << mode;
        EXPECT_EQ(Pixel(dst, 1, 1), 0u) << mode;
        EXPECT_EQ(Pixel(dst, 2, 2), 0x8400u) << mode;
        EXPECT_EQ(Pixel(dst, 3, 3), 0xC600u) << mode;
        EXPECT_EQ(Pixel(dst, 4, 4), 0u) << mode;
    }
}

TEST_F(ImageSurfaceTest, LoadFromASpriteBuffer)
{
    CImageSurface s;
    ASSERT_EQ(s.Build(dev, 8, 8, 0, D3DPOOL_SYSTEMMEM), 0);
    s.ColorFill(0, nullptr);
    SpriteBuf sprite(4, 4, 16);
    sprite.FillAll(0xF81F);
    sprite.Put(1, 1, 0x07E0);
    sprite.Put(2, 1, 0x001F);
    sprite.SetTransColor(0xF81F);
    const GRECT all(0, 0, 8, 8);
    EXPECT_EQ(s.Load(&sprite, PT_KEY, 3, 3, 4, 4, 0, 0, &all), 0);
    EXPECT_EQ(Pixel(s, 4, 4), 0x07E0u);
    EXPECT_EQ(Pixel(s, 3, 3), 0u);
    EXPECT_EQ(Pixel(s, 5, 4), 0x001Fu);
    // A clip that cuts the left moves the source with the target.
    const GRECT clip(2, 0, 6, 8);
    EXPECT_EQ(s.Load(&sprite, PT_COPY, 0, 0, 4, 4, 0, 0, &clip), 0);
    EXPECT_EQ(Pixel(s, 2, 1), 0x001Fu);
    EXPECT_EQ(Pixel(s, 1, 1), 0u);
    EXPECT_EQ(Pixel(s, 2, 0), 0xF81Fu);

    struct Case {
        int format;
        HRESULT result;
    };
    for (const Case& c :
         {Case{15, KESTUERR_FORMATMISMATCH}, Case{32, KESTUERR_FORMATMISMATCH}, Case{8, KESTUERR_FORMATNOTSUPPORTED}}) {
        SpriteBuf other(4, 4, c.format);
        EXPECT_EQ(s.Load(&other, PT_COPY, 0, 0, 4, 4, 0, 0, nullptr), c.result) << c.format;
    }
    CImageSurface wide;
    ASSERT_EQ(wide.Build(dev, 4, 4, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, D3DPOOL_SYSTEMMEM), 0);
    EXPECT_EQ(wide.Load(&sprite, PT_COPY, 0, 0, 4, 4, 0, 0, nullptr), KESTUERR_FORMATMISMATCH);
    EXPECT_EQ(s.Load(&sprite, PT_COPY, 20, 20, 4, 4, 0, 0, &all), KESTUERR_INVALIDPARAM);
}

TEST_F(ImageSurfaceTest, DefaultPoolSurfaceSurvivesInvalidateAndRestore)
{
    CImageSurface s;
    ASSERT_EQ(s.Build(dev, 4, 4, 0, D3DPOOL_DEFAULT), 0);
    ASSERT_EQ(s.ColorFill(0xFF00FF00, nullptr), 0);
    ASSERT_EQ(s.CloneSysMemImage(), 0);
    EXPECT_EQ(s.GetCanBeModifiedSurface(), s.GetClone());
    EXPECT_EQ(s.Invalidate(), 0);
    EXPECT_FALSE(s.IsBuilt());
    EXPECT_NE(s.GetClone(), nullptr);
    ASSERT_EQ(s.Restore(), 0);
    ASSERT_TRUE(s.IsBuilt());
    EXPECT_EQ(Pixel(s, 2, 2), 0x07E0u);
    CImageSurface system;
    ASSERT_EQ(system.Build(dev, 4, 4, 0, D3DPOOL_SYSTEMMEM), 0);
    EXPECT_EQ(system.Restore(), 0);
    EXPECT_EQ(system.GetCanBeModifiedSurface(), system.GetSurface());
}

TEST_F(ImageSurfaceTest, LineLocksItsBoxOrUsesTheHeldLock)
{
    CImageSurface s;
    ASSERT_EQ(s.Build(dev, 8, 8, 0, D3DPOOL_SYSTEMMEM), 0);
    s.ColorFill(0, nullptr);
    s.Line(0xFFFF, 1, 1, 6, 1, nullptr);
    EXPECT_FALSE(s.IsLocked());
    EXPECT_EQ(Pixel(s, 1, 1), 0xFFFFu);
    EXPECT_EQ(Pixel(s, 5, 1), 0xFFFFu);
    EXPECT_EQ(Pixel(s, 1, 2), 0u);
    ASSERT_EQ(s.AbsLock(), 1);
    s.Line(0x1234, 0, 0, 7, 7, nullptr);
    EXPECT_TRUE(s.IsLocked());
    s.AbsUnLock();
    EXPECT_EQ(Pixel(s, 3, 3), 0x1234u);
    EXPECT_EQ(Pixel(s, 3, 4), 0u);
}

} // namespace

#ifdef KESTU_HAS_D3DX_SURFACES
namespace {

TEST_F(ImageSurfaceTest, SavedFileLoadsBackIntoASurface)
{
    CImageSurface src, dst, video;
    ASSERT_EQ(src.Build(dev, 4, 3, 0, D3DPOOL_SYSTEMMEM), 0);
    src.ColorFill(0xFF0000FF, nullptr);
    const RECT dot{2, 1, 3, 2};
    src.ColorFill(0xFFFF0000, &dot);
    const std::string path = "screens_surface.bmp";
    ASSERT_EQ(src.SaveToDiskFile(path.c_str(), D3DXIFF_BMP, nullptr), 0);
    ASSERT_NE(src.Prepare(nullptr), nullptr);
    EXPECT_EQ(src.SaveToDiskFile(path.c_str(), D3DXIFF_BMP, nullptr), KESTUERR_GENERIC);
    src.Unprepare();

    ASSERT_EQ(dst.Build(dev, 4, 3, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_EQ(dst.Load(path.c_str()), 0);
    EXPECT_EQ(Pixel(dst, 2, 1), 0xF800u);
    EXPECT_EQ(Pixel(dst, 0, 0), 0x001Fu);
    // A default-pool surface loads through its clone.
    ASSERT_EQ(video.Build(dev, 4, 3, 0, D3DPOOL_DEFAULT), 0);
    ASSERT_EQ(video.Load(path.c_str()), 0);
    EXPECT_EQ(Pixel(video, 2, 1), 0xF800u);
    EXPECT_NE(video.GetClone(), nullptr);
    std::remove(path.c_str());
    CImageSurface empty;
    EXPECT_EQ(empty.Load(path.c_str()), KESTUERR_SURFACENOTBUILT);
}

TEST_F(ImageSurfaceTest, ScaledPaintStretchesAndKeysMagenta)
{
    CImageSurface src, dst;
    ASSERT_EQ(src.Build(dev, 2, 2, 0, D3DPOOL_SYSTEMMEM), 0);
    ASSERT_EQ(dst.Build(dev, 8, 8, 0, D3DPOOL_SYSTEMMEM), 0);
    src.ColorFill(0xFF00FF00, nullptr);
    const RECT key{1, 1, 2, 2};
    src.ColorFill(0xFFFF00FF, &key);
    dst.ColorFill(0xFFFFFFFF, nullptr);
    const GRECT clip(0, 0, 8, 8);
    ASSERT_EQ(src.Paint(2, 2, 4, 4, 0, 0, 2, 2, D3DX_FILTER_POINT, 0, dst.GetSurface(), &clip), 0);
    EXPECT_EQ(Pixel(dst, 2, 2), 0x07E0u);
    EXPECT_EQ(Pixel(dst, 3, 3), 0x07E0u);
    EXPECT_EQ(Pixel(dst, 5, 5), 0x0000u); // magenta turns transparent black
    EXPECT_EQ(Pixel(dst, 1, 1), 0xFFFFu);
    EXPECT_EQ(Pixel(dst, 6, 6), 0xFFFFu);
}

} // namespace
#endif

#ifdef KESTU_HAS_BACKBUFFER_SAVE
TEST(BackBufferSave, NeedsTheEngineDeviceAndAPath)
{
    EXPECT_EQ(GfxUtil_SaveBackBufferToFile(nullptr, D3DXIFF_BMP, nullptr), E_FAIL);
    EXPECT_EQ(GfxUtil_SaveBackBufferToFile("x.bmp", D3DXIFF_BMP, nullptr), E_FAIL); // no engine built
}
#endif
