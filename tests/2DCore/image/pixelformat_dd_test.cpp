#include <gtest/gtest.h>

#include <cstring>

#include "host/host_ddraw.h"
#include "kestu_pixelformat.h"

namespace {

class RGB16Surface : public testing::Test {
protected:
    void SetUp() override
    {
        host::ResetDDraw();
        LPDIRECTDRAW dd1 = nullptr;
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd1, nullptr), DD_OK);
        ASSERT_EQ(dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&m_dd)), DD_OK);
        dd1->Release();
        ASSERT_EQ(m_dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    }
    void TearDown() override
    {
        if (m_dd) m_dd->Release();
        host::ResetDDraw();
    }

    IDirectDrawSurface4* Create(int bits, DWORD r, DWORD g, DWORD b)
    {
        DDSURFACEDESC2 d;
        std::memset(&d, 0, sizeof d);
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = 4;
        d.dwHeight = 4;
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        d.ddpfPixelFormat.dwSize = sizeof d.ddpfPixelFormat;
        d.ddpfPixelFormat.dwFlags = DDPF_RGB | (bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
        d.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits);
        d.ddpfPixelFormat.dwRBitMask = r;
        d.ddpfPixelFormat.dwGBitMask = g;
        d.ddpfPixelFormat.dwBBitMask = b;
        IDirectDrawSurface4* s = nullptr;
        EXPECT_EQ(m_dd->CreateSurface(&d, &s, nullptr), DD_OK);
        return s;
    }

    IDirectDraw4* m_dd = nullptr;
};

TEST_F(RGB16Surface, ReadsMasksMaximaLossesAndShifts)
{
    struct Case {
        DWORD r, g, b;
        BYTE maxB, maxG, maxR, lossB, lossG, lossR, shiftB, shiftG, shiftR;
    };
    const Case cases[] = {
        {0xF800, 0x07E0, 0x001F, 31, 63, 31, 3, 2, 3, 0, 5, 11},
        {0x7C00, 0x03E0, 0x001F, 31, 31, 31, 3, 3, 3, 0, 5, 10},
    };
    for (const Case& c : cases) {
        IDirectDrawSurface4* s = Create(16, c.r, c.g, c.b);
        ASSERT_NE(s, nullptr);
        _RGB16 info = {};
        info.DDGetRGB16(s);
        s->Release();
        SCOPED_TRACE(testing::Message() << std::hex << c.r);
        EXPECT_EQ(info.dwMaskRed, c.r);
        EXPECT_EQ(info.dwMaskGreen, c.g);
        EXPECT_EQ(info.dwMaskBlue, c.b);
        EXPECT_EQ(info.bMaxBlue, c.maxB);
        EXPECT_EQ(info.bMaxGreen, c.maxG);
        EXPECT_EQ(info.bMaxRed, c.maxR);
        EXPECT_EQ(info.bLossBlue, c.lossB);
        EXPECT_EQ(info.bLossGreen, c.lossG);
        EXPECT_EQ(info.bLossRed, c.lossR);
        EXPECT_EQ(info.bShiftBlue, c.shiftB);
        EXPECT_EQ(info.bShiftGreen, c.shiftG);
        EXPECT_EQ(info.bShiftRed, c.shiftR);
        EXPECT_EQ(_RGB16::mRed, static_cast<int32_t>(c.r));
        EXPECT_EQ(_RGB16::mGreen, static_cast<int32_t>(c.g));
        EXPECT_EQ(_RGB16::mBlue, static_cast<int32_t>(c.b));
        EXPECT_EQ(_RGB16::pRed, c.shiftR);
        EXPECT_EQ(_RGB16::pGreen, c.shiftG);
        EXPECT_EQ(_RGB16::pBlue, c.shiftB);
    }
}

TEST_F(RGB16Surface, PalettizedSurfaceEndsWithEmptyChannels)
{
    IDirectDrawSurface4* s = Create(8, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    _RGB16 info = {};
    info.bMaxRed = 99;
    info.DDGetRGB16(s); // must return: a zero mask has no lowest bit
    s->Release();
    EXPECT_EQ(info.dwMaskRed, 0u);
    EXPECT_EQ(info.bMaxRed, 0);
    EXPECT_EQ(info.bShiftRed, 0);
}

TEST_F(RGB16Surface, NullSurfaceChangesNothing)
{
    _RGB16 info = {};
    info.dwMaskRed = 0x1234;
    info.DDGetRGB16(nullptr);
    EXPECT_EQ(info.dwMaskRed, 0x1234u);
}

} // namespace
