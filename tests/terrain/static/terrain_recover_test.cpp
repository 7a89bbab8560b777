// A DEFAULT-pool static terrain, textured from a DEFAULT-pool texture
// manager, that has drawn when the device is lost: after Invalidate, the
// reset and Restore it draws the same pixels.
#include "host/host_d3d8.h"
#include "kestu_texture_mng.h"
#include "terrain_fixture.h"
#include "../../../tools/kestu-terrain/streamed_gen.h"

class TerrainRecover : public TerrainDevice {};

TEST_F(TerrainRecover, DrawsTheSamePixelsAfterALossThatFollowsADraw)
{
    const std::string path = "terrain_recover_textures.lib"; // in the test's own working folder
    ASSERT_EQ(streamed_gen::MakeTextureLibrary(device, path, {{1, "red", 0xFF0000, 0.0f}, {2, "blue", 0x0000FF, 0.0f}}),
              S_OK);
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    CTextureMng library;
    ASSERT_EQ(library.Build(device, path.c_str(), &cfg, 0, 0, 0, 1, 0), S_OK);
    ASSERT_NE(library.QueryTexture(1), nullptr);
    ASSERT_NE(library.QueryTexture(2), nullptr);

    std::vector<uint8_t> block = FlatBlock(2);
    Head(block)->SetPool(D3DPOOL_DEFAULT);
    for (DWORD i = 0; i < 16; ++i) Record(block, i)->SetTexIdx(WORD(1 + (i % 3 == 0)));
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    ASSERT_EQ(t.Restore(), S_OK);
    t.SetTexMng(&library);
    ASSERT_EQ(t.UpdateVisibleState(nullptr, 0, 0), S_OK);

    const Camera camera({32.0f, 60.0f, 20.0f}, {32.0f, 0.0f, 32.0f}, {0.0f, 1.0f, 0.0f}, D3DX_PI / 3);
    const auto frame = [&] {
        camera.Apply();
        return DrawFrame(t);
    };
    const std::vector<uint32_t> before = frame();
    int red = 0, blue = 0;
    for (uint32_t p : before) {
        red += (p & 0xFFFFFF) == 0xFF0000;
        blue += (p & 0xFFFFFF) == 0x0000FF;
    }
    ASSERT_GT(red, 500);
    ASSERT_GT(blue, 500);

    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    ASSERT_EQ(t.Invalidate(), S_OK);
    ASSERT_EQ(library.Invalidate(), S_OK);
    IDirect3DVertexBuffer8* bound = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(bound, nullptr) << "Invalidate lets go of the vertex buffer the terrain had bound";
    if (bound) bound->Release();
    D3DPRESENT_PARAMETERS pp = testdevice::DefaultParameters(kSize, kSize, testdevice::FakeWindow(0x5150), true, false);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(t.Restore(), S_OK);
    ASSERT_EQ(library.Restore(), S_OK);

    const std::vector<uint32_t> after = frame();
    EXPECT_EQ(after, before);
    if (after != before) Save(after, kSize, kSize, "terrain_recover");
    t.Release();
    library.Release();
}
