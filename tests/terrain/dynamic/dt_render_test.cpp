// Drawing the streamed terrain on the device: stitched levels without
// cracks, the vertex-shader path, and block water.
#include <filesystem>

#include "dt_device_fixture.h"

namespace {

class DTRender : public DTDeviceTest {
protected:
    // Streams the map around (x, z) and chooses the levels for the camera.
    void Stream(CDynamicTerrain& t, const streamed_gen::Map& map, float x, float z, float radius, CEye& eye)
    {
        const SBoundCircle view(x, z, radius);
        ASSERT_EQ(t.Clip(&view, 12, 0.0f, nullptr), S_OK);
        streamed_gen::Serve(t, map, 12);
        ASSERT_EQ(t.Clip(&view, 12, 0.0f, nullptr), S_OK);
        streamed_gen::Serve(t, map, 12);
        ASSERT_EQ(t.UpdateVisibleState(&eye, TRUE, TRUE, 0.0f), S_OK);
    }
    static std::vector<int> Levels(CDynamicTerrain& t)
    {
        std::vector<int> counts(3, 0);
        CPointerArray* list = t.GetLocalVisibleBlocks();
        for (DWORD i = 0; i < list->GetCount(); ++i)
            ++counts.at(static_cast<CDynamicTerrainBlock*>(list->GetPointer(i))->GetLODLevel());
        return counts;
    }
};

// Constants of a vertex shader that paints its geometry one colour.
class ColourContext : public IShaderContext {
public:
    DWORD QueryInterface() const override { return 0; }
    long UpdateConstant(IDirect3DDevice8* device) override
    {
        const D3DXMATRIX m = CombinedTransposed();
        device->SetVertexShaderConstant(0, &m, 4);
        const float colour[4] = {0.0f, 1.0f, 0.0f, 1.0f};
        return device->SetVertexShaderConstant(4, colour, 1);
    }
};

constexpr char kColourShader[] =
    "vs.1.1\ndp4 oPos.x, v0, c0\ndp4 oPos.y, v0, c1\ndp4 oPos.z, v0, c2\ndp4 oPos.w, v0, c3\nmov oD0, c4\n";

} // namespace

TEST_F(DTRender, StitchedLevelsLeaveNoCracks)
{
    streamed_gen::Map map;
    map.relief = 60.0f; // steep: a crack would show
    CDynamicTerrain t;
    SDTLODCfg lod;
    lod.fLODDist = 50.0f;
    lod.fLODAlt = 3.0f;
    ASSERT_EQ(Build(t, map.stride, map.blockSize, 64, &lod), S_FALSE);
    CEye eye;
    Look(eye, D3DXVECTOR3(250.0f, 55.0f, 215.0f), D3DXVECTOR3(250.0f, 0.0f, 255.0f));
    Stream(t, map, 250.0f, 250.0f, 150.0f, eye);
    const std::vector<int> levels = Levels(t);
    EXPECT_GT(levels[0], 0);
    EXPECT_GT(levels[1], 0);
    EXPECT_GT(levels[2], 0);
    FlatStates();
    std::vector<uint32_t> px = Frame([&] { EXPECT_EQ(t.Render(device, nullptr, nullptr), S_OK); }, "dt_cracks");
    EXPECT_EQ(Count(px, kBackground), 0) << "background shows through the terrain";
    if (Count(px, kBackground)) Save(px);

    // Control: blocks whose neighbours changed level without choosing their
    // lists again open cracks that the count sees.
    SDTVisibleTestInfo coarse;
    CPointerArray in, out;
    const D3DXVECTOR3 away(1e4f, 0.0f, 1e4f);
    coarse.pInside = &in;
    coarse.pOutside = &out;
    coarse.pEye = &away;
    coarse.bLOD = TRUE;
    coarse.nStride = map.stride;
    coarse.fD0 = 1.0f;
    coarse.fD1 = 4.0f;
    coarse.fD2 = 9.0f;
    CPointerArray* list = t.GetLocalVisibleBlocks();
    for (DWORD i = 0; i < list->GetCount(); i += 2)
        static_cast<CDynamicTerrainBlock*>(list->GetPointer(i))->FrameMove(&coarse);
    px = Frame([&] { t.Render(device, nullptr, nullptr); }, "dt_cracks_control");
    EXPECT_GT(Count(px, kBackground), 0);
}

TEST_F(DTRender, AVertexShaderStaysCurrentForTheBlocks)
{
    const streamed_gen::Map map;
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, map.stride, map.blockSize), S_FALSE);
    CEye eye;
    Look(eye, D3DXVECTOR3(100.0f, 80.0f, 99.0f), D3DXVECTOR3(100.0f, 0.0f, 100.0f));
    Stream(t, map, 100.0f, 100.0f, 60.0f, eye);
    ASSERT_GT(t.GetNumVisibleBlocks(), 0u);
    IShaderBase shader;
    shader.SetFVF(SDTVertexEx::FVF);
    ASSERT_EQ(shader.Assemble(kColourShader, sizeof kColourShader - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_EQ(shader.Build(device), 0);
    ColourContext context;
    CPointerArray* list = t.GetLocalVisibleBlocks();
    for (DWORD i = 0; i < list->GetCount(); ++i)
        static_cast<CDynamicTerrainBlock*>(list->GetPointer(i))->SetShaderContext(&context);
    FlatStates();
    const std::vector<uint32_t> px = Frame([&] { EXPECT_EQ(t.Render(device, nullptr, &shader), S_OK); }, "dt_shader");
    const uint32_t centre = px[(height / 2) * width + width / 2];
    EXPECT_EQ(centre & 0xFFFFFF, 0x00FF00u) << "the shader's colour, not the vertices' white";
    if ((centre & 0xFFFFFF) != 0x00FF00) Save(px);
    DWORD bound = 0;
    device->GetVertexShader(&bound);
    EXPECT_EQ(bound, shader.GetVertexShader());
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world._41, 0.0f);
    EXPECT_EQ(world._11, 1.0f) << "the world goes back to identity";
    shader.Release();

    // Without visible blocks only the world transforms are set.
    CDynamicTerrain empty;
    ASSERT_EQ(Build(empty, 8, 4.0f), S_FALSE);
    EXPECT_EQ(empty.Render(device, nullptr, nullptr), S_OK);
    EXPECT_EQ(empty.Render(nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(empty.RenderRough(device, nullptr), S_OK);
}

TEST_F(DTRender, BlockWaterDrawsOverItsGround)
{
    streamed_gen::Map map;
    map.waterLevel = 10.0f;
    CDynamicTerrain t;
    SWaterWaveCfg waves;
    SWaterWaveEntry e;
    waves.Entries.push_back(e);
    ASSERT_EQ(Build(t, map.stride, map.blockSize, 64, nullptr, &waves), S_FALSE);
    CEye eye;
    Look(eye, D3DXVECTOR3(150.0f, 120.0f, 149.0f), D3DXVECTOR3(150.0f, 0.0f, 150.0f));
    Stream(t, map, 150.0f, 150.0f, 90.0f, eye);
    int wet = 0;
    CPointerArray* list = t.GetLocalVisibleBlocks();
    for (DWORD i = 0; i < list->GetCount(); ++i)
        wet += static_cast<CDynamicTerrainBlock*>(list->GetPointer(i))->IsHaveWater();
    ASSERT_GT(wet, 0);
    ASSERT_LT(wet, int(list->GetCount()));
    t.FrameMoveAllWater(1.5f);
    t.SetAllWaterVertexDiffuse(0xFF0000FF);
    FlatStates();
    device->SetVertexShader(SDTVertexEx::FVF); // the rough draw sets no format
    const std::vector<uint32_t> ground = Frame([&] { t.RenderRough(device, nullptr); }, "dt_ground");
    const std::vector<uint32_t> px = Frame(
        [&] {
            t.RenderRough(device, nullptr);
            EXPECT_EQ(t.RenderAllWater(device, nullptr, nullptr), S_OK);
        },
        "dt_water");
    const int blue = Count(px, 0x0000FF);
    EXPECT_GT(blue, 0);
    EXPECT_LT(blue, int(px.size())) << "dry land stays";
    EXPECT_EQ(Count(ground, 0x0000FF), 0);
    const std::vector<uint32_t> one = Frame(
        [&] {
            t.RenderRough(device, nullptr);
            EXPECT_EQ(t.RenderWater(device, 3, nullptr, nullptr), S_OK);
        },
        "dt_water_other_id");
    EXPECT_EQ(Count(one, 0x0000FF), 0) << "no water of id 3";
}

TEST_F(DTRender, TexturesByBlockAndTheirReferences)
{
    const std::string path = (std::filesystem::current_path() / "dt_render_textures.lib").string();
    ASSERT_EQ(streamed_gen::MakeTextureLibrary(device, path, {{1, "red", 0xFF0000, 0.0f}, {2, "blue", 0x0000FF, 0.0f}}),
              S_OK);
    CTextureMng library;
    ASSERT_EQ(library.Build(device, path.c_str()), S_OK);
    tex.pTextureMng = &library;
    tex.bReleaseTexture = 1;
    CDynamicTerrain t;
    ASSERT_EQ(Build(t, 8, 4.0f), S_FALSE);
    EXPECT_EQ(library.GetD3DTexture(1), nullptr) << "loaded on demand";
    // Columns of red and blue blocks; every vertex maps into the texture.
    SDynamicTerrainBlockInitEx r;
    for (int v = 0; v < 25; ++v) r.VerInfo[v] = SDTVertexInfo{0xFFFFFFFF, float(v % 5) * 0.25f, float(v / 5) * 0.25f};
    for (int x = 0; x < 4; ++x)
        for (int z = 0; z < 4; ++z) {
            r.wTexID = WORD(x % 2 ? 2 : 1);
            ASSERT_EQ(t.AttachBlock(x, z, &r, nullptr, 8, nullptr, nullptr, 0, nullptr, nullptr, 0xFFFFFFFF), S_OK);
        }
    EXPECT_NE(library.GetD3DTexture(1), nullptr);
    EXPECT_NE(library.GetD3DTexture(2), nullptr);

    CEye eye;
    Look(eye, D3DXVECTOR3(8.0f, 30.0f, 7.9f), D3DXVECTOR3(8.0f, 0.0f, 8.0f));
    ASSERT_EQ(t.UpdateVisibleState(&eye, TRUE, FALSE, 0.0f), S_OK);
    ASSERT_EQ(t.GetNumVisibleBlocks(), 16u);
    FlatStates();
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    const std::vector<uint32_t> px = Frame([&] { EXPECT_EQ(t.Render(device, nullptr, nullptr), S_OK); }, "dt_textures");
    D3DVIEWPORT8 vp{};
    device->GetViewport(&vp);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (int x = 0; x < 4; ++x)
        for (int z = 0; z < 4; ++z) {
            const D3DXVECTOR3 centre(x * 4.0f + 2.0f, 0.0f, z * 4.0f + 2.0f);
            D3DXVECTOR3 screen;
            D3DXVec3Project(&screen, &centre, &vp, eye.GetProjMatrix(), eye.GetViewMatrix(), &identity);
            const uint32_t p = px[size_t(screen.y) * width + size_t(screen.x)] & 0xFFFFFF;
            EXPECT_EQ(p, x % 2 ? 0x0000FFu : 0xFF0000u) << x << "," << z;
        }

    // The red blocks leave: red's last reference goes, blue stays loaded.
    for (int z = 0; z < 4; ++z) {
        EXPECT_EQ(t.DetachBlock(0, z), S_OK);
        EXPECT_EQ(t.DetachBlock(2, z), S_OK);
    }
    EXPECT_EQ(library.GetD3DTexture(1), nullptr);
    EXPECT_NE(library.GetD3DTexture(2), nullptr);
    // A red block attached over a blue one: the block there takes red's
    // reference and gives blue's back.
    r.wTexID = 1;
    ASSERT_EQ(t.AttachBlock(1, 1, &r, nullptr, 8, nullptr, nullptr, 0, nullptr, nullptr, 0xFFFFFFFF), 1);
    EXPECT_NE(library.GetD3DTexture(1), nullptr);
    t.DetachAllBlock();
    EXPECT_EQ(library.GetD3DTexture(1), nullptr);
    EXPECT_EQ(library.GetD3DTexture(2), nullptr) << "every reference went back";
    t.Release();
    library.Release();
    std::filesystem::remove(path);
}
