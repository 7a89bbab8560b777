// DEFAULT-pool texture lists in both modes whose textures have drawn, and
// are still bound, when the device is lost: each lets the device go in
// Invalidate and draws the same pixels after the reset and Restore.
#include <gtest/gtest.h>

#include "kestu_texture_list.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

class TextureListRecoverTest : public TextureTest {};

TEST_F(TextureListRecoverTest, BothModesDrawTheSamePixelsAfterALossThatFollowsADraw)
{
    WriteFile("a.bmp", ImageFile(D3DXIFF_BMP, D3DFMT_X8R8G8B8, 8, 8));
    const std::string lib = MakeLibrary("list.kidx", {{7, "a.tga", ImageFile(D3DXIFF_TGA, D3DFMT_X8R8G8B8, 8, 8)}});
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    for (bool array : {true, false}) {
        SCOPED_TRACE(array ? "array mode" : "manager mode");
        CTextureList list;
        DWORD id = 0;
        if (array) {
            ASSERT_EQ(list.BuildArrayMode(dev, &cfg), S_OK);
            ASSERT_EQ(list.LoadTexture(&id, Path("a.bmp").c_str()), S_OK);
        } else {
            ASSERT_EQ(list.BuildMngMode(dev, &cfg, lib.c_str()), S_OK);
            ASSERT_EQ(list.LoadTexture(&id, "a.tga"), S_OK);
        }
        ASSERT_NE(list.GetD3DTexture(id), nullptr);
        const std::vector<uint32_t> first = DrawLeavingBound(list.GetD3DTexture(id));
        ASSERT_EQ(first[0] & 0xFFFFFF, 0x0000FFu);

        LoseDevice();
        ASSERT_EQ(list.Invalidate(), S_OK);
        EXPECT_EQ(TextureOnStage(0), nullptr) << "Invalidate lets go of the stage its texture was bound to";
        ASSERT_EQ(ResetDevice(), S_OK);
        ASSERT_EQ(list.Restore(), S_OK);
        EXPECT_EQ(DrawLeavingBound(list.GetD3DTexture(id)), first);
        dev->SetTexture(0, nullptr);
    }
}

} // namespace
