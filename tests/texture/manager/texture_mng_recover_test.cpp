// A DEFAULT-pool texture manager whose textures have drawn, and are still
// bound, when the device is lost: it lets the device go in Invalidate and
// draws the same pixels after the reset and Restore.
#include <gtest/gtest.h>

#include "kestu_texture_mng.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

class TextureMngRecoverTest : public TextureTest {};

TEST_F(TextureMngRecoverTest, DrawsTheSamePixelsAfterALossThatFollowsADraw)
{
    const auto stripes = [](UINT x, UINT) { return x < 4 ? 0xFF00FF00u : 0xFFFFFF00u; };
    const std::string lib =
        MakeLibrary("textures.kidx", {{1, "a.bmp", ImageFile(D3DXIFF_BMP, D3DFMT_X8R8G8B8, 8, 8)},
                                      {2, "b.tga", ImageFile(D3DXIFF_TGA, D3DFMT_X8R8G8B8, 8, 8, stripes)}});
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, lib.c_str(), &cfg, 0, 0, 0, 1, 0), S_OK);
    ASSERT_NE(mng.QueryTexture(1), nullptr);
    ASSERT_NE(mng.QueryTexture(2), nullptr);
    const std::vector<uint32_t> a = DrawLeavingBound(mng.GetD3DTexture(1));
    const std::vector<uint32_t> b = DrawLeavingBound(mng.GetD3DTexture(2));
    ASSERT_NE(a, b);
    ASSERT_EQ(TextureOnStage(0), mng.GetD3DTexture(2));

    LoseDevice();
    ASSERT_EQ(mng.Invalidate(), S_OK);
    EXPECT_EQ(TextureOnStage(0), nullptr) << "Invalidate lets go of the stage its texture was bound to";
    ASSERT_EQ(ResetDevice(), S_OK);
    ASSERT_EQ(mng.Restore(), S_OK);

    EXPECT_EQ(DrawLeavingBound(mng.GetD3DTexture(1)), a);
    EXPECT_EQ(DrawLeavingBound(mng.GetD3DTexture(2)), b);
    dev->SetTexture(0, nullptr);
    mng.Release();
}

} // namespace
