// Drawing the streamed terrain with light maps: the blocks' light-map
// matrices and textures on the light-map stage, scenes switched along the
// extern list through the client's scene test, and the stage's own matrix
// given back afterwards.
#include <map>

#include "dt_device_fixture.h"
#include "kestu_texture.h"

namespace {

constexpr DWORD kRefusedScene = 13;
std::map<DWORD, int> g_SceneAsks;

BOOL SceneTest(DWORD scene, const CTexture*&, const D3DXMATRIX*&)
{
    ++g_SceneAsks[scene];
    return scene != kRefusedScene;
}

D3DXMATRIX UMatrix(float scale, float offset)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    m._11 = scale;
    m._31 = offset; // two coordinates into the transform: the third row moves them
    return m;
}

class DTLightmap : public DTDeviceTest {
protected:
    void SetUp() override
    {
        DTDeviceTest::SetUp();
        g_SceneAsks.clear();
        // Thirds of red, green and yellow along u; and plain blue.
        ASSERT_EQ(bands.Build(device, 24, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
        ASSERT_EQ(blue.Build(device, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0xFFFFFFFF, 0), S_OK);
        const RECT red{0, 0, 8, 8}, green{8, 0, 16, 8}, yellow{16, 0, 24, 8};
        ASSERT_EQ(bands.ColorFill(0xFFFF0000, &red, 0), S_OK);
        ASSERT_EQ(bands.ColorFill(0xFF00FF00, &green, 0), S_OK);
        ASSERT_EQ(bands.ColorFill(0xFFFFFF00, &yellow, 0), S_OK);
        ASSERT_EQ(blue.ColorFill(0xFF0000FF, nullptr, 0), S_OK);
    }
    void TearDown() override
    {
        bands.Release();
        blue.Release();
        DTDeviceTest::TearDown();
    }

    // White vertices whose texture coordinates span the block once.
    static SDynamicTerrainBlockInit Record()
    {
        SDynamicTerrainBlockInit r;
        for (int v = 0; v < 25; ++v)
            r.VerInfo[v] = SDTVertexInfo{0xFFFFFFFF, float(v % 5) * 0.25f, float(v / 5) * 0.25f};
        return r;
    }
    // Stage 0 the vertex colour, stage 1 times the light map read through
    // the texture coordinates of stage 0 and the stage's matrix.
    void LightmapStates()
    {
        FlatStates();
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
        device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
        device->SetTextureStageState(1, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(1, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
    // The pixel over the centre of block (x, z).
    uint32_t At(const std::vector<uint32_t>& px, const CEye& eye, int x, int z) const
    {
        D3DVIEWPORT8 vp{};
        device->GetViewport(&vp);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        const D3DXVECTOR3 centre(float(x) * 4.0f + 2.0f, 0.0f, float(z) * 4.0f + 2.0f);
        D3DXVECTOR3 s;
        D3DXVec3Project(&s, &centre, &vp, eye.GetProjMatrix(), eye.GetViewMatrix(), &identity);
        return px.at(size_t(s.y) * width + size_t(s.x)) & 0xFFFFFF;
    }
    static D3DXMATRIX StageMatrix(IDirect3DDevice8* d)
    {
        D3DXMATRIX m;
        d->GetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + 1), &m);
        return m;
    }

    CTexture bands, blue;
    // Into the red, the green and (the stage's own matrix) the yellow third.
    const D3DXMATRIX toRed = UMatrix(0.3f, 0.0f), toGreen = UMatrix(0.3f, 0.35f), own = UMatrix(0.3f, 0.69f);
};

} // namespace

TEST_F(DTLightmap, BlockMatricesAndScenesOnTheLightmapStage)
{
    tex.bEnableLightmap = 1;
    tex.bBlockBaseLightmapTransMat = 1;
    tex.pfnSceneTest = SceneTest;
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 4, 4.0f), S_FALSE);
    EXPECT_EQ(t.GetLightmapStateIndex(), 1u);
    const SDynamicTerrainBlockInit r = Record();
    // Local blocks (the 4 x 4 map) with both matrices; extern blocks beyond
    // it in scenes: 10 red, 11 green, 12 blue, 13 refused by the scene test.
    struct Placed {
        int x, z;
        CTexture* lightmap;
        const D3DXMATRIX* matrix;
        DWORD scene;
    } placed[] = {{0, 0, &bands, &toRed, 1},    {1, 0, &bands, &toGreen, 1},  {0, 1, &bands, &toGreen, 1},
                  {1, 1, &bands, &toRed, 1},    {4, 0, &bands, &toRed, 10},   {5, 0, &bands, &toRed, 10},
                  {4, 1, &bands, &toGreen, 11}, {5, 1, &bands, &toGreen, 11}, {6, 0, &blue, &toRed, 12},
                  {7, 0, &blue, &toRed, 12},    {7, 1, &blue, &toRed, 12},    {6, 1, &bands, &toGreen, 13}};
    for (const Placed& p : placed)
        ASSERT_EQ(t.AttachBlock(p.x, p.z, &r, nullptr, 8, nullptr, nullptr, 0, p.lightmap, p.matrix, p.scene), S_OK)
            << p.x << "," << p.z;
    CEye eye;
    Look(eye, D3DXVECTOR3(16.0f, 30.0f, 3.99f), D3DXVECTOR3(16.0f, 0.0f, 4.0f));
    ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, FALSE, 0.0f), S_OK);
    ASSERT_EQ(t.GetLocalVisibleBlocks()->GetCount(), 4u);
    CPointerArray* externs = t.GetExternVisibleBlocks();
    ASSERT_EQ(externs->GetCount(), 8u);

    LightmapStates();
    device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + 1), &own);
    device->SetTexture(1, blue.GetD3DTexture());
    std::vector<uint32_t> px = Frame([&] { EXPECT_EQ(t.Render(device, nullptr, nullptr), S_OK); }, "dt_lightmap");

    bool ok = true;
    auto expect = [&](int x, int z, uint32_t colour) {
        ok &= At(px, eye, x, z) == colour;
        EXPECT_EQ(At(px, eye, x, z), colour) << "block " << x << "," << z;
    };
    // The local blocks share the first one's matrix and light map.
    auto* first = static_cast<CDynamicTerrainBlock*>(t.GetLocalVisibleBlocks()->GetPointer(0));
    const uint32_t local = first->GetLightMapTransMatrix() == &toRed ? 0xFF0000u : 0x00FF00u;
    for (int x = 0; x < 2; ++x)
        for (int z = 0; z < 2; ++z) expect(x, z, local);
    // Each extern scene brings its own.
    expect(4, 0, 0xFF0000u);
    expect(5, 0, 0xFF0000u);
    expect(4, 1, 0x00FF00u);
    expect(5, 1, 0x00FF00u);
    expect(6, 0, 0x0000FFu);
    expect(7, 0, 0x0000FFu);
    expect(7, 1, 0x0000FFu);
    if (!ok) Save(px);

    // The scene test is asked when the scene changes along the list (and for
    // the first block), not for every block; a refused block has no light
    // map left to ask about.
    int runs = 0;
    DWORD last = 0xFFFFFFFF;
    for (DWORD i = 0; i < externs->GetCount(); ++i) {
        const DWORD scene = static_cast<CDynamicTerrainBlock*>(externs->GetPointer(i))->GetSceneID();
        runs += scene != last;
        last = scene;
    }
    const DWORD firstScene = static_cast<CDynamicTerrainBlock*>(externs->GetPointer(0))->GetSceneID();
    int asks = 0;
    for (const auto& [scene, n] : g_SceneAsks) asks += n;
    EXPECT_EQ(asks, 1 + runs - (firstScene == kRefusedScene ? 1 : 0));
    EXPECT_EQ(g_SceneAsks.count(1), 0u) << "local blocks are not tested";
    EXPECT_GT(g_SceneAsks[kRefusedScene], 0);
    CDynamicTerrainBlock* refused = nullptr;
    for (DWORD i = 0; i < externs->GetCount(); ++i) {
        auto* b = static_cast<CDynamicTerrainBlock*>(externs->GetPointer(i));
        if (b->GetSceneID() == kRefusedScene)
            refused = b;
        else
            EXPECT_NE(b->GetLightMap(), nullptr);
    }
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->GetLightMap(), nullptr) << "the refused scene's block drops its light map";
    EXPECT_EQ(refused->GetLightMapTransMatrix(), nullptr);

    // The stage's own matrix is back, the world is the identity.
    EXPECT_EQ(StageMatrix(device), own);
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));

    // Without block matrices the stage's own matrix serves every block and
    // stays; the scenes still bring their light maps, the local list none.
    t.SetBlockBaseLightmapTransMat(FALSE);
    device->SetTexture(1, blue.GetD3DTexture());
    px = Frame([&] { EXPECT_EQ(t.Render(device, nullptr, nullptr), S_OK); }, "dt_lightmap_stage_matrix");
    ok = true;
    for (int x = 0; x < 2; ++x)
        for (int z = 0; z < 2; ++z) expect(x, z, 0x0000FFu);
    expect(4, 0, 0xFFFF00u);
    expect(5, 1, 0xFFFF00u);
    expect(6, 0, 0x0000FFu);
    if (!ok) Save(px);
    EXPECT_EQ(StageMatrix(device), own);

    device->SetTexture(1, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    t.Release();
}

// A light map the device refuses (system memory cannot be bound) fails the
// draw after its block's matrix went onto the stage; the stage's own matrix
// comes back all the same, whichever list held the block.
TEST_F(DTLightmap, ARefusedLightmapStillGivesTheStageMatrixBack)
{
    tex.bEnableLightmap = 1;
    tex.bBlockBaseLightmapTransMat = 1;
    tex.pfnSceneTest = SceneTest;
    CTexture unbindable;
    ASSERT_EQ(unbindable.Build(device, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, 0xFFFFFFFF, 0), S_OK);
    const SDynamicTerrainBlockInit r = Record();
    struct Case {
        const char* list;
        int x; // the refused block; a local one at x 0 before an extern one
    } cases[] = {{"local", 0}, {"extern", 4}};
    for (const Case& c : cases) {
        CDynamicTerrain t;
        ASSERT_EQ(Build(t, 4, 4.0f), S_FALSE);
        if (c.x != 0) {
            ASSERT_EQ(t.AttachBlock(0, 0, &r, nullptr, 8, nullptr, nullptr, 0, &bands, &toGreen, 1), S_OK);
        }
        ASSERT_EQ(t.AttachBlock(c.x, 0, &r, nullptr, 8, nullptr, nullptr, 0, &unbindable, &toRed, 10), S_OK);
        CEye eye;
        Look(eye, D3DXVECTOR3(16.0f, 30.0f, 3.99f), D3DXVECTOR3(16.0f, 0.0f, 4.0f));
        ASSERT_EQ(t.UpdateVisibleState(&eye, FALSE, FALSE, 0.0f), S_OK);
        ASSERT_EQ(t.GetExternVisibleBlocks()->GetCount(), c.x != 0 ? 1u : 0u) << c.list;

        LightmapStates();
        device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + 1), &own);
        Frame([&] { EXPECT_EQ(t.Render(device, nullptr, nullptr), D3DERR_INVALIDCALL) << c.list; }, "dt_refused");
        EXPECT_EQ(StageMatrix(device), own) << c.list;
        t.Release();
    }
    device->SetTexture(1, nullptr);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    unbindable.Release();
}
