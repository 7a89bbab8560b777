// Terrain water: blocks found under the water level, shore alpha, waves and
// their sine table, the texture, visibility by line and by the terrain, and
// the record's refusals.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "kestu_terrainwater.h"
#include "kestu_texture.h"
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

} // namespace

TEST_F(TerrainWater, RefusesBadRecordsAndASecondBuild)
{
    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);
    for (auto spoil :
         {+[](STerrainWaterInit& i) { i.pDevice = nullptr; }, +[](STerrainWaterInit& i) { i.pTerrains = nullptr; },
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
    STerrainWaterInit init = Init(1.0f, 0); // column 0 dips to -2 at its left edge; the rest lies at 0
    ASSERT_EQ(w.Build(&init), S_OK);
    ASSERT_EQ(w.GetBlockNum(), 16); // every block holds a point below 1.0
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
    EXPECT_EQ(Vertices(shallow)[0].diffuse >> 24, 0u); // 0.1 deep
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
    const float px = float(std::fmod(1.25 * 1.0, 6.2831854820251465)),
                pz = float(std::fmod(1.25 * 2.5, 6.2831854820251465));
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
    w.InquireWave(h, sx, sz, -50.0f, 1e6f); // outside: the nearest entries
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
    EXPECT_EQ(w.ClipWithLine(line), 0); // already hidden
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

TEST_F(TerrainWater, DrawsWithItsTexture)
{
    // Left half red, right half blue; each block maps the whole texture once,
    // u growing with x.
    CTexture red, green;
    ASSERT_EQ(red.Build(device, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
    ASSERT_EQ(green.Build(device, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
    const RECT left{0, 0, 8, 16}, right{8, 0, 16, 16};
    ASSERT_EQ(red.ColorFill(0xFFFF0000, &left, 0), S_OK);
    ASSERT_EQ(red.ColorFill(0xFF0000FF, &right, 0), S_OK);
    ASSERT_EQ(green.ColorFill(0xFF00FF00, nullptr, 0), S_OK);

    CGfxTerrainWater w;
    STerrainWaterInit init = Init(1.0f, 0);
    init.pTexture = &red;
    const FPOINT uv[5] = {{0.5f, 0.5f}, {0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
    std::memcpy(init.TexCoords, uv, sizeof uv);
    ASSERT_EQ(w.Build(&init), S_OK);

    D3DXMATRIX view, proj;
    const D3DXVECTOR3 eye(32.0f, 80.0f, 32.0f), at(32.0f, 0.0f, 32.0f), up(0.0f, 0.0f, 1.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, 1.0f, 1.0f, 500.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTexture(0, nullptr);

    std::string last;
    auto draw = [&](const std::string& name) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(w.Render(device), S_OK);
        device->EndScene();
        UINT pw = 0, ph = 0;
        std::vector<uint32_t> px = Pixels(pw, ph);
        last = name;
        return px;
    };
    // The pixel over a point of the sheet.
    D3DVIEWPORT8 vp{};
    device->GetViewport(&vp);
    auto at2 = [&](const std::vector<uint32_t>& px, float x, float z) {
        const D3DXVECTOR3 p(x, 0.0f, z);
        D3DXVECTOR3 s;
        D3DXVec3Project(&s, &p, &vp, &proj, &view, w.GetRootmatrix());
        return px.at(size_t(s.y) * kSize + size_t(s.x)) & 0xFFFFFF;
    };

    std::vector<uint32_t> px = draw("water_texture");
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, red.GetD3DTexture());
    if (bound) bound->Release();
    bool ok = true;
    for (int bx = 0; bx < 4; ++bx)
        for (int bz = 0; bz < 4; ++bz) {
            const float x0 = 16.0f * float(bx), z0 = 16.0f * float(bz) + 8.0f;
            ok &= at2(px, x0 + 4.0f, z0) == 0xFF0000u && at2(px, x0 + 12.0f, z0) == 0x0000FFu;
            EXPECT_EQ(at2(px, x0 + 4.0f, z0), 0xFF0000u) << bx << "," << bz;
            EXPECT_EQ(at2(px, x0 + 12.0f, z0), 0x0000FFu) << bx << "," << bz;
        }
    if (!ok) Save(px, kSize, kSize, last);

    // Another texture replaces it at once; none leaves the stage empty.
    w.SetTexture(&green);
    px = draw("water_texture_replaced");
    EXPECT_EQ(at2(px, 20.0f, 24.0f), 0x00FF00u);
    EXPECT_EQ(at2(px, 44.0f, 40.0f), 0x00FF00u);
    w.SetTexture(nullptr);
    draw("water_no_texture");
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    if (bound) bound->Release();
    w.Release();
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    red.Release();
    green.Release();
}

TEST_F(TerrainWater, SineTableFollowsTheProcessorsSine)
{
    CTrigonometricfunctionTable table;
    CGfxTerrainWater byTable, bySine;
    STerrainWaterInit init = Init(1.0f, 1);
    ASSERT_EQ(bySine.Build(&init), S_OK);
    init.pSinTable = &table;
    ASSERT_EQ(byTable.Build(&init), S_OK);
    EXPECT_TRUE(byTable.IsHaveSinTable());
    EXPECT_FALSE(bySine.IsHaveSinTable());
    // A short wave, so that neighbouring table entries see different angles,
    // and times up to where the phase has wrapped many times.
    const SWaterWave wave{20.0f, 14.0f, 1.7f, 2.3f, 0.2f, 0.15f};
    byTable.SetWave(wave);
    bySine.SetWave(wave);
    for (float time : {0.0f, 0.37f, 2.9f, 61.25f, 4321.5f}) {
        byTable.UpdateFrame(time);
        bySine.UpdateFrame(time);
        const std::vector<WaterVertex> a = Vertices(byTable), b = Vertices(bySine);
        ASSERT_EQ(a.size(), b.size());
        float spread = 0.0f;
        for (size_t k = 0; k < a.size(); ++k) {
            // The table's error (below 1e-6) times the amplitudes, with the rounding of the sum.
            EXPECT_NEAR(a[k].y, b[k].y, 1e-6f) << time << " vertex " << k;
            spread = std::max(spread, std::fabs(b[k].y - b[0].y));
        }
        EXPECT_GT(spread, 0.05f) << "the wave lifts the sheet unevenly";
        for (float x : {3.0f, 17.0f, 40.5f})
            for (float z : {1.0f, 33.0f, 55.0f}) {
                float h1, sx1, sz1, h2, sx2, sz2;
                byTable.InquireWave(h1, sx1, sz1, x, z);
                bySine.InquireWave(h2, sx2, sz2, x, z);
                EXPECT_NEAR(h1, h2, 1e-6f);
                EXPECT_NEAR(sx1, sx2, 1e-6f);
                EXPECT_NEAR(sz1, sz2, 1e-6f);
            }
    }
}
