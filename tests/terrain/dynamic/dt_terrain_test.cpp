// The streamed terrain's lifecycle: Build from its records, the pools, the
// waves, the level settings, the scene test, the software lighting pass and
// Release.
#include <map>

#include "dt_fixture.h"
#include "kestu_shaderlight.h"

namespace {

using DTLifecycle = DTTerrainTest;

BOOL g_SceneAnswer = TRUE;
DWORD g_SceneAsked = 0;
BOOL SceneTest(DWORD scene, const CTexture*& lightmap, const D3DXMATRIX*& matrix)
{
    g_SceneAsked = scene;
    return g_SceneAnswer;
}

} // namespace

TEST_F(DTLifecycle, BuildRefusesBadRecordsAndKeepsAnEarlierBuild)
{
    CDynamicTerrain t;
    SDynamicTerrainInit init;
    EXPECT_EQ(t.Build(nullptr, &tex, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(t.Build(&init, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    SDTTextureResCfg none;
    EXPECT_EQ(t.Build(&init, &none, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    CTextureMng unbuilt;
    none.pTextureMng = &unbuilt;
    EXPECT_EQ(t.Build(&init, &none, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    init.dwMode = 2;
    EXPECT_EQ(t.Build(&init, &tex, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    init.dwMode = 1;
    init.fBlockWidth = 0.0f;
    EXPECT_EQ(t.Build(&init, &tex, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_FALSE(t.IsBuilt());

    ASSERT_EQ(Build(t, 8, 4.0f), S_FALSE) << "built without a far ring";
    EXPECT_TRUE(t.IsBuilt());
    EXPECT_EQ(t.GetBlockStride(), 8);
    EXPECT_EQ(t.GetMaxNumMapBlocks(), 64);
    EXPECT_EQ(t.Build(nullptr, &tex, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_TRUE(t.IsBuilt()) << "a refused build leaves the earlier one";
    t.Release();
    EXPECT_FALSE(t.IsBuilt());
    EXPECT_EQ(t.GetBlockWidth(), 4.0f);
    EXPECT_EQ(t.GetLODParaDist(), -1.0f);
    t.Release();
}

TEST_F(DTLifecycle, PoolsAreFilledAheadAndStagesMadeDistinct)
{
    CDynamicTerrain t;
    tex.dwTextureStage = 9;
    tex.dwLightmapStage = 7;
    ASSERT_EQ(Build(t, 4, 4.0f, 7), S_FALSE);
    EXPECT_EQ(t.GetTextureStateIndex(), 7u);
    EXPECT_EQ(t.GetLightmapStateIndex(), 0u) << "both 7, the light map wraps to 0";
    EXPECT_EQ(t.GetNumAbandonedBlocks(), 7u);
    EXPECT_EQ(t.GetNodePool()->GetFreeCount(), 1u) << "7 / 4 nodes";
    EXPECT_EQ(t.GetInfoPool()->GetFreeCount(), 7u);
    t.DestoryAllAbandonedBlocks();
    EXPECT_EQ(t.GetNumAbandonedBlocks(), 0u);
    t.SetTextureStateIndex(3);
    EXPECT_EQ(t.GetTextureStateIndex(), 3u);

    CDynamicTerrain empty;
    tex.dwTextureStage = 2;
    tex.dwLightmapStage = 2;
    ASSERT_EQ(Build(empty, 4, 4.0f, 0), S_FALSE);
    EXPECT_EQ(empty.GetLightmapStateIndex(), 3u);
    EXPECT_EQ(empty.GetNumAbandonedBlocks(), 0u);
    EXPECT_EQ(Attach(empty, 0, 0), S_OK) << "an empty pool creates on demand";

    // Client pools are used and left alone.
    CDTBlockPool blocks;
    CQTDNodePool nodes;
    CDTBlockInfoPool infos;
    SDTExternPoolCfg pools;
    pools.pBlockPool = &blocks;
    pools.pNodePool = &nodes;
    pools.pInfoPool = &infos;
    CDynamicTerrain client;
    ASSERT_EQ(Build(client, 4, 4.0f, 5, nullptr, nullptr, &pools), S_FALSE);
    EXPECT_EQ(client.GetBlockPool(), &blocks);
    EXPECT_EQ(blocks.GetFreeCount(), 0u) << "the client fills its own pools";
    EXPECT_EQ(Attach(client, 1, 1), S_OK);
    EXPECT_EQ(client.DetachBlock(1, 1), S_OK);
    client.Release();
    EXPECT_EQ(blocks.GetFreeCount(), 1u);
    EXPECT_EQ(blocks.GetNumDestroyed(), 0u);
    EXPECT_GE(nodes.GetFreeCount(), 1u);
}

TEST_F(DTLifecycle, WavesByWaterIdSharedOrNot)
{
    SWaterWaveCfg cfg;
    SWaterWaveEntry e;
    e.byID = 0;
    e.Wave.fXLength = 5.0f;
    cfg.Entries.push_back(e);
    e.byID = 3;
    e.Wave.fXLength = 7.0f;
    cfg.Entries.push_back(e);
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 4, 4.0f, 4, nullptr, &cfg), S_FALSE);
    EXPECT_EQ(t.GetNumWaterWaves(), 4);
    EXPECT_FALSE(t.IsShareWavePara());
    EXPECT_EQ(t.GetWaterWave(0)->fXLength, 5.0f);
    EXPECT_EQ(t.GetWaterWave(1)->fXLength, 12.0f) << "ids not listed keep the defaults";
    EXPECT_EQ(t.GetWaterWave(3)->fXLength, 7.0f);
    EXPECT_EQ(t.GetWaterWave(4), nullptr);

    cfg.bSingleWave = 1;
    ASSERT_EQ(Build(t, 4, 4.0f, 4, nullptr, &cfg), S_FALSE);
    EXPECT_EQ(t.GetNumWaterWaves(), 1);
    EXPECT_TRUE(t.IsShareWavePara()) << "the switch of the configuration shares the first wave";
    EXPECT_EQ(t.GetWaterWave(5)->fXLength, 5.0f);

    SWaterWaveCfg high;
    e.byID = 255;
    high.Entries.push_back(e);
    e.byID = 254;
    e.Wave.fXLength = 9.0f;
    high.Entries.push_back(e);
    ASSERT_EQ(Build(t, 4, 4.0f, 4, nullptr, &high), S_FALSE);
    EXPECT_EQ(t.GetNumWaterWaves(), 255);
    EXPECT_EQ(t.GetWaterWave(254)->fXLength, 9.0f);
    EXPECT_EQ(t.GetWaterWave(255), nullptr) << "255 means no water";

    ASSERT_EQ(Build(t, 4, 4.0f, 4), S_FALSE);
    EXPECT_EQ(t.GetNumWaterWaves(), 0);
    EXPECT_EQ(t.GetWaterWaveArray(), nullptr);
}

TEST_F(DTLifecycle, LevelSettingsAndTheSceneTest)
{
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 4, 4.0f), S_FALSE);
    EXPECT_GT(t.GetLODParaDist(), 1e38f) << "no settings: full detail everywhere";
    EXPECT_EQ(t.GetLODParaAlt(), 0.0f);
    ASSERT_EQ(Attach(t, 1, 1), S_OK);
    CFrustum eye;
    const D3DXVECTOR3 away(1000.0f, 0.0f, 1000.0f);
    eye.SetPos(&away);
    ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, TRUE, 0.0f), S_OK);
    auto* block = static_cast<CDynamicTerrainBlock*>(t.GetLocalVisibleBlocks()->GetPointer(0));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->GetLODLevel(), 0);
    t.SetLODParaDist(10.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, TRUE, 0.0f), S_OK);
    EXPECT_EQ(block->GetLODLevel(), 2);
    t.SetLODParaDist(-5.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, TRUE, 0.0f), S_OK);
    EXPECT_EQ(block->GetLODLevel(), 0) << "a negative distance turns the rings off";

    SDTLODCfg lod;
    lod.fLODDist = 3.0f;
    lod.fLODAlt = 0.5f;
    ASSERT_EQ(Build(t, 4, 4.0f, 4, &lod), S_FALSE);
    EXPECT_EQ(t.GetLODParaDist(), 3.0f);
    EXPECT_EQ(t.GetLODParaAlt(), 0.5f);

    const CTexture* lightmap = nullptr;
    const D3DXMATRIX* matrix = nullptr;
    EXPECT_TRUE(t.IsValidScene(3, lightmap, matrix)) << "no scene test";
    tex.pfnSceneTest = SceneTest;
    ASSERT_EQ(Build(t, 4, 4.0f), S_FALSE);
    g_SceneAnswer = FALSE;
    EXPECT_FALSE(t.IsValidScene(42, lightmap, matrix));
    EXPECT_EQ(g_SceneAsked, 42u);

    // A block whose scene refuses its light map drops it.
    D3DXMATRIX m;
    SDynamicTerrainBlockInitEx r;
    CDynamicTerrainBlock b;
    b.Build(&t, 0, 0, &r, 4, FALSE, nullptr, 4, 4, nullptr, nullptr, FALSE, reinterpret_cast<CTexture*>(&m), &m, 7);
    EXPECT_EQ(b.TestValidLightMap(), 0);
    EXPECT_EQ(b.GetLightMap(), nullptr);
    EXPECT_EQ(b.GetLightMapTransMatrix(), nullptr);
    g_SceneAnswer = TRUE;
    b.Build(&t, 0, 0, &r, 4, FALSE, nullptr, 4, 4, nullptr, nullptr, FALSE, reinterpret_cast<CTexture*>(&m), &m, 7);
    EXPECT_EQ(b.TestValidLightMap(), 1);
    EXPECT_EQ(b.GetLightMapTransMatrix(), &m);
    b.Release(nullptr);
}

TEST_F(DTLifecycle, SoftwareLightingPassOverACircleOrEveryBlock)
{
    SDynamicTerrainInit init;
    init.dwBlockStride = 8;
    init.fBlockWidth = init.fBlockHeight = 4.0f;
    init.Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    init.Material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    CDynamicTerrain t;
    ASSERT_EQ(t.Build(&init, &tex, nullptr, nullptr, nullptr, nullptr, nullptr, 32, &sine), S_FALSE);
    t.SoftCalcLight(nullptr); // no tree yet: nothing to light

    CShaderLight light;
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_POINT; // light 0 shines as a sun from its position's direction
    sun.Diffuse = {0.25f, 0.25f, 0.25f, 1.0f};
    sun.Ambient = {0.25f, 0.25f, 0.25f, 1.0f};
    sun.Position = {0.0f, 100.0f, 0.0f};
    sun.Range = 1.0f;
    sun.Attenuation0 = 1.0f;
    light.AddLight(&sun);
    // Blocks over 4 x 4 map cells with normals, all in one unlit colour; the
    // block at (1, 1) is hidden and the one at (0, 1) has no light source.
    constexpr DWORD kUnlit = 0xFF112233;
    SDynamicTerrainBlockInitEx r;
    for (SDTVertexInfo& v : r.VerInfo) v.diffuse = kUnlit;
    for (int x = 0; x < 4; ++x)
        for (int z = 0; z < 4; ++z) {
            SDynamicTerrainBlockInitEx b = r;
            if (x == 1 && z == 1) b.wFlags |= DTB_FLAG_HIDE;
            CShaderLight* source = (x == 0 && z == 1) ? nullptr : &light;
            ASSERT_EQ(t.AttachBlock(x, z, &b, nullptr, 8, nullptr, source, 0, nullptr, nullptr, 0xFFFFFFFF), S_OK);
        }
    // The lit colour: the global ambient 0.25, then the light's ambient 0.25 and
    // its diffuse 0.25 from straight above on upward normals.
    CDynamicTerrainBlock lit;
    lit.Build(&t, 9, 9, &r, 8, FALSE, nullptr, 4.0f, 4.0f, nullptr, &light, TRUE, nullptr, nullptr, 0xFFFFFFFF);
    const DWORD litColour = lit.GetVerNormal(12)->diffuse;
    EXPECT_NEAR(int(litColour & 0xFF), 191, 1);
    lit.Release(nullptr);

    auto colours = [&] {
        std::map<std::pair<int, int>, DWORD> out;
        ForEachLeaf(t.GetTreeRoot(), [&](const CQuadtree* leaf) {
            auto* b = static_cast<CDynamicTerrainBlock*>(const_cast<CQuadtree*>(leaf));
            for (int v = 1; v < 25; ++v) EXPECT_EQ(b->GetVerNormal(v)->diffuse, b->GetVerNormal(0)->diffuse);
            out[{b->GetMBPos().x, b->GetMBPos().y}] = b->GetVerNormal(0)->diffuse;
        });
        return out;
    };
    // A small circle on the corner that four blocks share lights those of them that can be lit.
    const SBoundCircle corner(4.0f, 4.0f, 1.0f);
    t.SoftCalcLight(&corner);
    std::map<std::pair<int, int>, DWORD> seen = colours();
    ASSERT_EQ(seen.size(), 16u);
    for (const auto& [at, colour] : seen) {
        const bool inCircle = at.first < 2 && at.second < 2;
        const bool canLight = !(at.first == 1 && at.second == 1) && !(at.first == 0 && at.second == 1);
        EXPECT_EQ(colour, inCircle && canLight ? litColour : kUnlit) << at.first << "," << at.second;
    }
    // Without a circle every block that can be lit is.
    t.SoftCalcLight(nullptr);
    seen = colours();
    for (const auto& [at, colour] : seen) {
        const bool canLight = !(at.first == 1 && at.second == 1) && !(at.first == 0 && at.second == 1);
        EXPECT_EQ(colour, canLight ? litColour : kUnlit) << at.first << "," << at.second;
    }
    t.Release();
}
