// Terrain water: blocks found under the water level, shore alpha, waves,
// visibility by line and by the terrain, and the record's refusals.
#include <cmath>
#include <cstring>

#include "kestu_terrainwater.h"
#include "terrain_fixture.h"

namespace {

struct WaterVertex {
    float x, y, z;
    DWORD diffuse;
    float u, v;
};

std::vector<WaterVertex> Vertices(const CGfxTerrainWater& w)
{
    BYTE* p = nullptr;
    std::vector<WaterVertex> out(5u * w.GetBlockNum());
    if (FAILED(w.GetVB()->Lock(0, 0, &p, D3DLOCK_READONLY))) return {};
    std::memcpy(out.data(), p, out.size() * sizeof(WaterVertex));
    w.GetVB()->Unlock();
    return out;
}

class TerrainWater : public TerrainDevice {
protected:
    // 4 x 4 flat blocks of 16 at altitude 0 whose first column dips to -2.
    void SetUp() override
    {
        TerrainDevice::SetUp();
        block = FlatBlock(3);
        for (DWORD row = 0; row < 4; ++row)
            for (WORD k = 0; k < 25; ++k) Record(block, row * 4)->SetAtitude(k, (k % 5 == 0) ? -2.0f : 0.0f);
        ASSERT_EQ(Build(terrain, block), S_OK);
        ASSERT_EQ(terrain.UpdateVisibleState(nullptr, 0, 0), S_OK);
    }
    STerrainWaterInit Init(float altitude, BOOL wave)
    {
        STerrainWaterInit init;
        init.pDevice = device;
        init.pTerrains = &terrain;
        init.byTerrainCount = 1;
        init.fAltitude = altitude;
        init.bWave = wave;
        init.dwColor = 0xC0336699;
        for (int k = 0; k < 5; ++k) init.TexCoords[k] = FPOINT(float(k), 0.5f);
        return init;
    }

    std::vector<uint8_t> block;
    CTerrain terrain;
};

}  // namespace

TEST_F(TerrainWater, RefusesBadRecordsAndASecondBuild)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);
    for (auto spoil : {+[](STerrainWaterInit& i) { i.pDevice = nullptr; }, +[](STerrainWaterInit& i) { i.pTerrains = nullptr; },
                       +[](STerrainWaterInit& i) { i.byTerrainCount = 0; }, +[](STerrainWaterInit& i) { i.fAltitude = 0.0f; }}) {
        STerrainWaterInit bad = init;
        spoil(bad);
        EXPECT_EQ(w.Build(&bad), E_INVALIDARG);
    }
    const SWaterBlockInit wrongBlock[1] = {{0, 16, 1}};
    STerrainWaterInit listed = init;
    listed.pBlocks = wrongBlock;
    listed.wBlockCount = 1;
    EXPECT_EQ(w.Build(&listed), E_INVALIDARG);
    w.Release();
    ASSERT_EQ(w.Build(&init), S_OK);
    ASSERT_TRUE(w.IsBuilded());
    IDirect3DVertexBuffer8* vb = w.GetVB();
    EXPECT_EQ(w.Build(&init), E_FAIL);
    EXPECT_EQ(w.GetVB(), vb);
}

TEST_F(TerrainWater, NothingUnderTheWaterBuildsNothing)
{
    // Every grid point at 0.5 or higher, the water at 0.25.
    for (DWORD i = 0; i < 16; ++i)
        for (WORD k = 0; k < 25; ++k) terrain.GetBlock(i)->SetAtitude(k, 0.5f);
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(0.25f, 0);
    EXPECT_EQ(w.Build(&init), S_OK);
    EXPECT_FALSE(w.IsBuilded());
    EXPECT_EQ(w.Render(device), E_FAIL);
}

TEST_F(TerrainWater, BlocksFansAndShoreAlpha)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);  // column 0 dips to -2 at its left edge; the rest lies at 0
    ASSERT_EQ(w.Build(&init), S_OK);
    ASSERT_EQ(w.GetBlockNum(), 16);  // every block holds a point below 1.0
    EXPECT_EQ(w.GetFaceNum(), 64u);
    D3DVERTEXBUFFER_DESC desc;
    w.GetVB()->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.FVF, CGfxTerrainWater::kFVF);
    const std::vector<WaterVertex> v = Vertices(w);
    // Block 0: centre, then corners 0, 3, 2, 1 of the terrain block.
    const float xs[5] = {8, 0, 0, 16, 16}, zs[5] = {8, 0, 16, 16, 0};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(v[k].x, xs[k]) << k;
        EXPECT_EQ(v[k].z, zs[k]) << k;
        EXPECT_EQ(v[k].y, 0.0f);
        EXPECT_EQ(v[k].u, float(k));
    }
    // Depth 3 at the dipped corners: full colour; depth 1 elsewhere: alpha (1 - 0.1) x 2/3 x 0xC0.
    EXPECT_EQ(v[1].diffuse, 0xC0336699u);
    EXPECT_EQ(v[0].diffuse, (DWORD(0.9f * 0.6666667f * 192.0f) << 24) | 0x336699u);
    BYTE* ip = nullptr;
    ASSERT_EQ(w.GetIB()->Lock(0, 0, &ip, D3DLOCK_READONLY), S_OK);
    const WORD* ix = reinterpret_cast<const WORD*>(ip);
    EXPECT_EQ(std::vector<WORD>(ix + 6, ix + 12), std::vector<WORD>({5, 6, 7, 8, 9, 6}));
    w.GetIB()->Unlock();

    // The shore edges of the alpha ramp.
    CGfxTerrainWater shallow, deep;
    STerrainWaterInit at = Init(0.1f, 0);
    ASSERT_EQ(shallow.Build(&at), S_OK);
    EXPECT_EQ(Vertices(shallow)[0].diffuse >> 24, 0u);  // 0.1 deep
    at = Init(1.6f, 0);
    ASSERT_EQ(deep.Build(&at), S_OK);
    EXPECT_EQ(Vertices(deep)[0].diffuse >> 24, DWORD(DWORD(1.5f * 0.6666667f * 192.0f)));
}

TEST_F(TerrainWater, WavesMoveTheVisibleBlocks)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 1);
    ASSERT_EQ(w.Build(&init), S_OK);
    const SWaterWave& wave = w.GetWave();
    EXPECT_EQ(wave.fXLength, 120.0f);
    EXPECT_EQ(wave.fZLength, 130.0f);
    EXPECT_EQ(wave.fZFrequency, 2.5f);
    D3DVERTEXBUFFER_DESC desc;
    w.GetVB()->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);

    w.UpdateFrame(1.25f);
    const std::vector<WaterVertex> v = Vertices(w);
    // Block 5 (column 1, row 1): corner 0 sits 2 half blocks in along both axes.
    const float kx = 6.2831855f * 1.0f / 120.0f, kz = 6.2831855f * 2.5f / 130.0f;
    const float px = float(std::fmod(1.25 * 1.0, 6.2831854820251465)), pz = float(std::fmod(1.25 * 2.5, 6.2831854820251465));
    auto X = [&](int i) { return 0.2f * std::sin(float(i) * kx * 8.0f + px); };
    auto Z = [&](int j) { return 0.15f * std::sin(float(j) * kz * 8.0f + pz); };
    EXPECT_NEAR(v[25].y, X(3) + Z(3), 1e-5f);
    EXPECT_NEAR(v[26].y, X(2) + Z(2), 1e-5f);
    EXPECT_NEAR(v[27].y, X(2) + Z(4), 1e-5f);
    EXPECT_NEAR(v[28].y, X(4) + Z(4), 1e-5f);
    EXPECT_NEAR(v[29].y, X(4) + Z(2), 1e-5f);
    float h, sx, sz;
    w.InquireWave(h, sx, sz, 17.0f, 17.0f);
    EXPECT_NEAR(h, 1.0f + X(2) + Z(2), 1e-5f);
    EXPECT_NEAR(sx, (X(3) - X(2)) / 8.0f, 1e-5f);
    w.InquireWave(h, sx, sz, -50.0f, 1e6f);  // outside: the nearest entries
    EXPECT_TRUE(std::isfinite(h));

    // Hidden blocks keep their heights; a zero wavelength lifts everything together.
    w.SetBlockVisibled(5, 0);
    SWaterWave flat = wave;
    flat.fXLength = 0.0f;
    flat.fZLength = 0.0f;
    w.SetWave(flat);
    w.UpdateFrame(3.0f);
    const std::vector<WaterVertex> after = Vertices(w);
    EXPECT_EQ(after[25].y, v[25].y);
    EXPECT_FLOAT_EQ(after[0].y, after[4].y);
    EXPECT_FLOAT_EQ(after[0].y, after[79].y);
}

TEST_F(TerrainWater, WithoutWavesTheSheetStaysFlat)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);
    ASSERT_EQ(w.Build(&init), S_OK);
    w.UpdateFrame(2.0f);
    for (const WaterVertex& v : Vertices(w)) EXPECT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(w.GetRootmatrix()->_42, 1.0f);
    w.SetAltitude(3.0f);
    EXPECT_FLOAT_EQ(w.GetRootmatrix()->_42, 3.0f);
}

TEST_F(TerrainWater, LinesHideAndShowByBlockCentre)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);
    ASSERT_EQ(w.Build(&init), S_OK);
    // x < 30: the centres at x 8 and 24, two columns of four blocks.
    const KESTULINE2 line(1.0f, 0.0f, -30.0f);
    EXPECT_EQ(w.ClipWithLine(line), 8);
    EXPECT_EQ(w.ClipWithLine(line), 0);  // already hidden
    EXPECT_EQ(w.GetVisibleFaceNum(), 32u);
    EXPECT_EQ(w.SpreadWithLine(line), 8);
    EXPECT_EQ(w.GetVisibleFaceNum(), 64u);
}

TEST_F(TerrainWater, FollowsTheTerrainsVisibilityAndDraws)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);
    ASSERT_EQ(w.Build(&init), S_OK);
    terrain.SetMaxNumVisibleBlocks(4);
    ASSERT_EQ(terrain.UpdateVisibleState(nullptr, 0, 0), S_OK);
    EXPECT_EQ(w.GetVisibleFaceNum(), 16u);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(w.Render(device), S_OK);
    device->EndScene();
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_FLOAT_EQ(world._42, 1.0f);
    w.Release();
    EXPECT_FALSE(w.IsBuilded());
    EXPECT_EQ(w.GetBlockNum(), 0);
    EXPECT_EQ(w.Build(&init), S_OK);
}
