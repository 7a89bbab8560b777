// CTexture over a real device reset: a DEFAULT-pool texture lives in a
// system-memory copy, lets its device texture go before the reset and makes
// it again afterwards.
#include <gtest/gtest.h>

#include "host/host_d3d8.h"
#include "kestu_log.h"
#include "kestu_texture.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

class TextureLostDeviceTest : public TextureTest {
protected:
    std::vector<uint32_t> Drawn(CTexture& tex)
    {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        dev->BeginScene();
        RECT dst{0, 0, 16, 16};
        const int drawn = tex.Paint(nullptr, &dst);
        dev->EndScene();
        if (!drawn) return {};
        std::vector<uint32_t> pixels = RenderTarget();
        std::vector<uint32_t> part;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) part.push_back(pixels[static_cast<size_t>(y) * kScreen + x] & 0xFFFFFF);
        return part;
    }
    HRESULT ResetDevice()
    {
        D3DPRESENT_PARAMETERS pp = DeviceParameters();
        return dev->Reset(&pp);
    }
};

TEST_F(TextureLostDeviceTest, DefaultPoolTextureSurvivesAReset)
{
    const std::vector<uint8_t> image = ImageFile(D3DXIFF_TGA, D3DFMT_X8R8G8B8, 16, 16);
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, image.data(), static_cast<DWORD>(image.size()), &cfg, -1, -1, 0, 0, 1, 0, 1), S_OK);
    EXPECT_EQ(tex.GetD3DTexture(), nullptr);
    ASSERT_NE(tex.GetSysMemTexture(), nullptr);
    EXPECT_EQ(tex.GetCanBeModifiedD3DTexture(), tex.GetSysMemTexture());
    EXPECT_TRUE(tex.IsCanRestore());
    EXPECT_EQ(tex.GetPool(), D3DPOOL_DEFAULT);
    EXPECT_TRUE(Drawn(tex).empty());

    ASSERT_EQ(tex.Restore(), S_OK);
    const std::vector<uint32_t> first = Drawn(tex);
    ASSERT_EQ(first.size(), 256u);
    EXPECT_EQ(first[0], 0x0000FFu);
    EXPECT_EQ(first[4], 0xFF0000u);

    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    EXPECT_TRUE(FAILED(ResetDevice())); // the device texture is still alive
    ASSERT_EQ(tex.Invalidate(), S_OK);
    EXPECT_EQ(tex.GetD3DTexture(), nullptr);
    ASSERT_EQ(ResetDevice(), S_OK);
    ASSERT_EQ(tex.Restore(), S_OK);
    EXPECT_EQ(Drawn(tex), first);
}

TEST_F(TextureLostDeviceTest, WrappedDefaultTextureIsCopiedAndRemadeAsItsOwn)
{
    IDirect3DTexture8* made = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &made), S_OK);
    {
        CTexture filler;
        ASSERT_EQ(filler.Build(dev, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, 1, 0), S_OK);
        ASSERT_EQ(filler.ColorFill(0xFF00FF00, nullptr, 0), S_OK);
        ASSERT_EQ(dev->UpdateTexture(filler.GetD3DTexture(), made), S_OK);
    }
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, made, 5, 1), S_OK);
    ASSERT_NE(tex.GetSysMemTexture(), nullptr);
    EXPECT_EQ(tex.GetD3DTexture(), made);
    const std::vector<uint32_t> first = Drawn(tex);
    ASSERT_EQ(first.size(), 256u);
    EXPECT_EQ(first[0], 0x00FF00u);

    ASSERT_EQ(tex.Invalidate(), S_OK);
    EXPECT_EQ(made->Release(), 0u); // the maker's reference was the only one
    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    ASSERT_EQ(ResetDevice(), S_OK);
    ASSERT_EQ(tex.Restore(), S_OK);
    EXPECT_TRUE(tex.IsOwnTexture());
    EXPECT_EQ(Drawn(tex), first);
}

TEST_F(TextureLostDeviceTest, OtherPoolsAreLeftAlone)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 1, 1), S_OK);
    IDirect3DTexture8* d3d = tex.GetD3DTexture();
    EXPECT_EQ(tex.Invalidate(), S_OK);
    EXPECT_EQ(tex.Restore(), S_OK);
    EXPECT_EQ(tex.GetD3DTexture(), d3d);
    EXPECT_EQ(tex.CloneSysMemTexture(), S_OK);
    EXPECT_NE(tex.GetSysMemTexture(), nullptr);

    // Without a copy a DEFAULT-pool texture cannot come back.
    CTexture plain;
    ASSERT_EQ(plain.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, 1, 0), S_OK);
    EXPECT_NE(plain.GetD3DTexture(), nullptr);
    EXPECT_FALSE(plain.IsCanRestore());
    EXPECT_EQ(plain.Invalidate(), S_OK);
    EXPECT_NE(plain.GetD3DTexture(), nullptr);
    CTexture empty;
    EXPECT_EQ(empty.CloneSysMemTexture(), KESTUERR_SURFACENOTBUILT);
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    *empty.GetCfgTexture() = cfg;
    EXPECT_EQ(empty.Restore(), KESTUERR_SURFACENOTBUILT);
}

} // namespace
