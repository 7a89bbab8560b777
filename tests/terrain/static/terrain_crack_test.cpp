// Stitched borders on the device: a rough terrain drawn at several mixes of
// detail levels shows no background through it; two tiled terrains show
// cracks along their shared border until they know each other.
#include "terrain_fixture.h"

namespace {

constexpr D3DCOLOR kBackground = 0xFFFF00FF;

class TerrainCracks : public TerrainDevice {
protected:
    void SetUp() override
    {
        TerrainDevice::SetUp();
        D3DXMATRIX world, view, proj;
        D3DXMatrixIdentity(&world);
        const D3DXVECTOR3 eye(48.0f, 60.0f, 4.0f), at(64.0f, 0.0f, 30.0f), up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 7, 1.0f, 1.0f, 500.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        D3DLIGHT8 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
        light.Direction = {0.4f, -1.0f, 0.3f};
        device->SetLight(0, &light);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0xFF303030);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    }

    static terrain_gen::Params Rough(float originX)
    {
        terrain_gen::Params p;
        p.depth = 3;
        p.blockSize = 16.0f;
        p.originX = originX;
        p.worldSize = 128.0f;
        p.relief = 24.0f;
        p.roughness = 10.0f;
        p.seed = 11;
        return p;
    }

    // Draws the terrains with the level of detail decided from lodEye, and
    // counts the background pixels left.
    int DrawAndCountBackground(std::vector<CTerrain*> terrains, const D3DXVECTOR3& lodEye, const std::string& name)
    {
        const CFrustum eye = EyeAt(lodEye.x, lodEye.y, lodEye.z);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        for (CTerrain* t : terrains) {
            EXPECT_EQ(t->UpdateVisibleState(&eye, 0, 1), S_OK);
            EXPECT_EQ(t->Render(), S_OK);
        }
        device->EndScene();
        UINT w = 0, h = 0;
        const std::vector<uint32_t> px = Pixels(w, h);
        EXPECT_EQ(px.size(), size_t(kSize) * kSize);
        int background = 0;
        for (uint32_t p : px) background += (p & 0xFFFFFF) == (kBackground & 0xFFFFFF);
        if (background) Save(px, w, h, "terrain_cracks_" + name);
        return background;
    }

    static std::vector<int> LevelCounts(const CTerrain& t)
    {
        std::vector<int> counts(3, 0);
        for (DWORD i = 0; i < t.GetBlockNum(); ++i) ++counts.at(t.GetBlockLODLevel(i));
        return counts;
    }
};

} // namespace

TEST_F(TerrainCracks, NoBackgroundShowsAtAnyMixOfLevels)
{
    std::vector<uint8_t> left = terrain_gen::MakeDataBlock(Rough(0.0f));
    std::vector<uint8_t> right = terrain_gen::MakeDataBlock(Rough(64.0f));
    const D3DXVECTOR3 lodEye(40.0f, 30.0f, 30.0f);
    const struct {
        const char* name;
        float d0, d1;
        bool wantLevel1, wantLevel2;
    } mixes[] = {
        {"full_and_half", 45.0f, 1000.0f, true, false},
        {"three_levels", 35.0f, 70.0f, true, true},
        {"full_next_to_coarsest", 45.0f, 47.0f, false, true},
        {"half_and_coarsest", 0.0f, 60.0f, true, true},
    };
    for (const auto& mix : mixes) {
        const SGfxDistLOD lod = Thresholds(mix.d0, mix.d1);
        CTerrain a, b;
        CTerrain* aNeighbours[4] = {nullptr, &b, nullptr, nullptr};
        CTerrain* bNeighbours[4] = {nullptr, nullptr, nullptr, &a};
        ASSERT_EQ(Build(a, left, &lod, aNeighbours), S_OK);
        ASSERT_EQ(Build(b, right, &lod, bNeighbours), S_OK);
        EXPECT_EQ(DrawAndCountBackground({&a, &b}, lodEye, mix.name), 0) << mix.name;
        const std::vector<int> la = LevelCounts(a), lb = LevelCounts(b);
        EXPECT_EQ(la[0] + lb[0] > 0, mix.d0 > 0.0f) << mix.name;
        EXPECT_EQ(la[1] + lb[1] > 0, mix.wantLevel1) << mix.name;
        EXPECT_EQ(la[2] + lb[2] > 0, mix.wantLevel2) << mix.name;
    }
}

TEST_F(TerrainCracks, TiledTerrainsCrackUntilTheyKnowEachOther)
{
    std::vector<uint8_t> left = terrain_gen::MakeDataBlock(Rough(0.0f));
    std::vector<uint8_t> right = terrain_gen::MakeDataBlock(Rough(64.0f));
    // Left of the shared border everything is near: full detail; right of it half.
    const SGfxDistLOD lod = Thresholds(66.0f, 1000.0f);
    const D3DXVECTOR3 lodEye(0.0f, 0.0f, 40.0f);
    {
        CTerrain a, b;
        ASSERT_EQ(Build(a, left, &lod), S_OK);
        ASSERT_EQ(Build(b, right, &lod), S_OK);
        EXPECT_GT(DrawAndCountBackground({&a, &b}, lodEye, "strangers"), 0);
    }
    CTerrain a, b;
    CTerrain* aNeighbours[4] = {nullptr, &b, nullptr, nullptr};
    CTerrain* bNeighbours[4] = {nullptr, nullptr, nullptr, &a};
    ASSERT_EQ(Build(a, left, &lod, aNeighbours), S_OK);
    ASSERT_EQ(Build(b, right, &lod, bNeighbours), S_OK);
    EXPECT_EQ(DrawAndCountBackground({&a, &b}, lodEye, "neighbours"), 0);
}
