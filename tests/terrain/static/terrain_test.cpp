// The static terrain: build, visible blocks, levels of detail and their
// codes, gathered draw records, textures from the manager, heights, vertex
// editing and device loss.
#include <cstring>
#include <filesystem>
#include <map>

#include "kestu_texture_mng.h"
#include "terrain_fixture.h"
#include "../../../tools/kestu-terrain/streamed_gen.h"

namespace {

// The records of one block (its texture id is its index after TagBlocks).
std::vector<STerrainRenderInfo> RecordsOf(const CTerrain& t, WORD block)
{
    std::vector<STerrainRenderInfo> out;
    for (DWORD r = 0; r < t.GetRenderInfoNum(); ++r)
        if (t.GetRenderInfo()[r].texId == block) out.push_back(t.GetRenderInfo()[r]);
    return out;
}

std::vector<WORD> IndicesOf(const CTerrain& t, const STerrainRenderInfo& info, DWORD count)
{
    BYTE* data = nullptr;
    std::vector<WORD> out;
    if (FAILED(t.GetIB()->Lock(0, 0, &data, D3DLOCK_READONLY))) return out;
    const WORD* w = reinterpret_cast<const WORD*>(data) + info.startIndex;
    out.assign(w, w + count);
    t.GetIB()->Unlock();
    return out;
}

std::vector<WORD> Remapped(const CTerrainBlock* b, std::initializer_list<WORD> grid)
{
    std::vector<WORD> out;
    for (WORD g : grid) out.push_back(b->GetIndex(g));
    return out;
}

} // namespace

class Terrain : public TerrainDevice {};

TEST_F(Terrain, BuildsTheTreeOverItsBlocks)
{
    terrain_gen::Params p;
    p.depth = 3;
    p.blockSize = 8.0f;
    p.originX = 100.0f;
    p.originZ = -50.0f;
    const terrain_gen::HeightField field = terrain_gen::MakeHeightField(p);
    std::vector<uint8_t> block = terrain_gen::MakeDataBlock(field, p);
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    EXPECT_TRUE(t.IsBuilt());
    EXPECT_TRUE(t.IsValid());
    EXPECT_EQ(t.GetBlockNum(), 16u);
    EXPECT_EQ(t.GetFaceNum(), 16u * 32);
    EXPECT_EQ(t.GetVBSize(), 17u * 17 * 32);
    EXPECT_EQ(t.GetMaxNumVisibleBlocks(), 16u);
    EXPECT_EQ(t.GetBlock(DWORD(2), DWORD(1)), t.GetBlock(DWORD(6)));
    EXPECT_EQ(t.GetBlock(100.0f + 20.0f, -50.0f + 9.0f), t.GetBlock(DWORD(2), DWORD(1)));
    // A point on a line between blocks belongs to the block that starts there.
    for (DWORD r = 0; r < 4; ++r)
        for (DWORD c = 0; c < 4; ++c)
            EXPECT_EQ(t.GetBlock(100.0f + 8.0f * c, -50.0f + 8.0f * r), t.GetBlock(c, r)) << c << "," << r;
    EXPECT_EQ(t.GetBlock(132.0f, -40.0f), nullptr);
    EXPECT_EQ(t.GetBlock(110.0f, -18.0f), nullptr);
    // Grid points carry the field's heights, and every point lies on the surface.
    for (DWORD r = 0; r <= 16; r += 3)
        for (DWORD c = 0; c <= 15; c += 5)
            EXPECT_NEAR(t.GetAtitude(100.0f + 2.0f * c, -50.0f + 2.0f * r), field.At(c, r), 1e-3f) << c << "," << r;
    EXPECT_EQ(t.GetAtitude(99.0f, 0.0f), 0.0f);
    EXPECT_EQ(t.GetAtitude(132.0f, -40.0f), 0.0f);
    // The root's sphere holds every block's.
    for (DWORD i = 0; i < 16; ++i) {
        const SBoundSphere* s = t.GetBlock(i)->GetSphere();
        D3DXVECTOR3 d = s->center - t.GetSphere()->center;
        EXPECT_LE(D3DXVec3Length(&d) + s->radius, t.GetSphere()->radius * 1.0001f) << i;
    }
    terrain_gen::Vertex v0;
    std::memcpy(&v0, Head(block)->GetVertices(), sizeof v0);
    EXPECT_EQ(t.GetNormals()[0], D3DXVECTOR3(v0.nx, v0.ny, v0.nz));
}

TEST_F(Terrain, WithoutTestsEveryDrawnBlockIsALevelZeroStrip)
{
    std::vector<uint8_t> block = FlatBlock(3);
    TagBlocks(block);
    Record(block, 5)->SetRender(0);
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    EXPECT_EQ(t.UpdateVisibleState(nullptr, 0, 0), S_OK);
    EXPECT_EQ(t.GetVisibleBlockNum(), 15u);
    EXPECT_FALSE(t.IsBlockVisible(5));
    EXPECT_EQ(t.GetRenderInfoNum(), 15u);
    EXPECT_EQ(t.GetVisibleFaceNum(), 15u * 44);
    const STerrainRenderInfo info = RecordsOf(t, 3).at(0);
    EXPECT_EQ(info.type, DWORD(D3DPT_TRIANGLESTRIP));
    EXPECT_EQ(IndicesOf(t, info, 4), Remapped(t.GetBlock(DWORD(3)), {20, 21, 15, 16}));
    EXPECT_EQ(info.minIndex, t.GetBlock(DWORD(3))->GetIndex(WORD(0)));
    EXPECT_EQ(info.numVertices, t.GetBlock(DWORD(3))->GetIndex(WORD(24)) - info.minIndex + 1);

    t.SetMaxNumVisibleBlocks(3);
    EXPECT_EQ(t.UpdateVisibleState(nullptr, 0, 0), S_OK);
    EXPECT_EQ(t.GetVisibleBlockNum(), 3u);
    EXPECT_EQ(t.GetRenderInfoNum(), 3u);
    EXPECT_EQ(t.UpdateVisibleState(nullptr, 1, 0), KESTUERR_INVALIDPARAM);
}

TEST_F(Terrain, FrustumSelectsWhatTheCameraSees)
{
    std::vector<uint8_t> block = FlatBlock(4); // 8 x 8 blocks of 16 over [0, 128)
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    CFrustum raw, f;
    raw.InitRawFrustum(D3DX_PI / 4, 1.0f, 60.0f, 1.0f, 1, FRUSTUM_WIDEN_RATE);
    const D3DXVECTOR3 eye(8.0f, 10.0f, -10.0f);
    f.SetByRawFrustum(&raw, 0.0f, 0.0f, 0.0f, &eye);
    ASSERT_EQ(t.UpdateVisibleState(&f, 1, 0), S_OK);
    EXPECT_GT(t.GetVisibleBlockNum(), 0u);
    EXPECT_LT(t.GetVisibleBlockNum(), 64u);
    for (DWORD i = 0; i < 64; ++i) {
        const int sees = f.IntersectSphere(t.GetBlock(i)->GetSphere()) >= 0;
        EXPECT_EQ(t.IsBlockVisible(WORD(i)) != 0, sees != 0) << i;
    }
}

TEST_F(Terrain, OneLevelCoarserOnTheRightGivesCodeEight)
{
    std::vector<uint8_t> block = FlatBlock(3); // 4 x 4 blocks of 16
    TagBlocks(block);
    CTerrain t;
    const SGfxDistLOD lod = Thresholds(130.0f, 1000.0f);
    ASSERT_EQ(Build(t, block, &lod), S_OK);
    // Far to the left, level with the line between block (1,1) and the block above.
    const CFrustum eye = EyeAt(-100.0f, 0.0f, 32.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, 0, 1), S_OK);
    const WORD b = 5;
    EXPECT_EQ(t.GetBlockLODLevel(b), 0);
    EXPECT_EQ(t.GetBlockLODLevel(b + 1), 1);
    EXPECT_EQ(t.GetBlockLODLevel(b + 4), 0);
    const std::vector<STerrainRenderInfo> recs = RecordsOf(t, b);
    ASSERT_EQ(recs.size(), 16u); // 12 inner quad pieces, 4 border pieces
    const CTerrainBlock* blk = t.GetBlock(DWORD(b));
    EXPECT_EQ(IndicesOf(t, recs[15], 6), Remapped(blk, {4, 8, 14, 14, 18, 24}));
    EXPECT_EQ(recs[15].primitiveCount, 2);
    EXPECT_EQ(IndicesOf(t, recs[14], 3), Remapped(blk, {0, 5, 6}));
    EXPECT_EQ(recs[14].primitiveCount, 4);
    // The coarser block right of it draws its level-1 fan, unstitched.
    const std::vector<STerrainRenderInfo> right = RecordsOf(t, b + 1);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_EQ(right[0].type, DWORD(D3DPT_TRIANGLEFAN));
    EXPECT_EQ(right[0].primitiveCount, 8);
}

TEST_F(Terrain, CullMarksChooseTheCellsOfLevelZero)
{
    std::vector<uint8_t> block = FlatBlock(2);
    TagBlocks(block);
    Record(block, 0)->SetCullMark(0);
    Record(block, 1)->SetCullMark(0x8001); // first and last cell
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    ASSERT_EQ(t.UpdateVisibleState(nullptr, 0, 0), S_OK);
    EXPECT_TRUE(t.IsBlockVisible(0));
    EXPECT_TRUE(RecordsOf(t, 0).empty());
    const std::vector<STerrainRenderInfo> recs = RecordsOf(t, 1);
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].type, DWORD(D3DPT_TRIANGLELIST));
    EXPECT_EQ(recs[0].primitiveCount, 4);
    EXPECT_EQ(IndicesOf(t, recs[0], 12), Remapped(t.GetBlock(DWORD(1)), {0, 5, 6, 0, 6, 1, 18, 23, 24, 18, 24, 19}));
}

TEST_F(Terrain, BlocksPastTheLastThresholdAreCoarsest)
{
    std::vector<uint8_t> block = FlatBlock(3);
    CTerrain t;
    const SGfxDistLOD lod = Thresholds(10.0f, 20.0f);
    ASSERT_EQ(Build(t, block, &lod), S_OK);
    const CFrustum eye = EyeAt(5000.0f, 0.0f, 5000.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, 0, 1), S_OK);
    ASSERT_EQ(t.GetRenderInfoNum(), 16u);
    for (DWORD r = 0; r < 16; ++r) {
        EXPECT_EQ(t.GetRenderInfo()[r].type, DWORD(D3DPT_TRIANGLEFAN));
        EXPECT_EQ(t.GetRenderInfo()[r].primitiveCount, 2);
    }
    // A minimum level of 1 keeps the nearest blocks from full detail.
    t.SetMinLODLevel(1);
    const CFrustum near = EyeAt(1.0f, 0.0f, 1.0f);
    ASSERT_EQ(t.UpdateVisibleState(&near, 0, 1), S_OK);
    EXPECT_EQ(t.GetBlockLODLevel(0), 1);
}

TEST_F(Terrain, TwoLevelsCoarserTakesTheWedgeList)
{
    std::vector<uint8_t> block = FlatBlock(2); // blocks 0 (0,0), 1 (1,0), 2 (0,1), 3 (1,1)
    TagBlocks(block);
    CTerrain t;
    // Block 0 at distance 8, blocks 1 and 2 at ~17.9 (level 2 past 12), block 3 at ~33.9.
    const SGfxDistLOD lod = Thresholds(10.0f, 12.0f);
    ASSERT_EQ(Build(t, block, &lod), S_OK);
    const CFrustum eye = EyeAt(8.0f, 0.0f, 0.0f);
    ASSERT_EQ(t.UpdateVisibleState(&eye, 0, 1), S_OK);
    EXPECT_EQ(t.GetBlockLODLevel(0), 0);
    EXPECT_EQ(t.GetBlockLODLevel(1), 2);
    const std::vector<STerrainRenderInfo> recs = RecordsOf(t, 0);
    ASSERT_EQ(recs.size(), 1u);
    const CTerrainIndexList* wedge = CTerrainLODIndexTable::GetLevel0Wedge(0x99); // above and right: two levels
    EXPECT_EQ(recs[0].primitiveCount, wedge->GetPrimitiveCount());
    EXPECT_EQ(IndicesOf(t, recs[0], 3), Remapped(t.GetBlock(DWORD(0)), {12, 20, 24}));
}

TEST_F(Terrain, RecordListHoldsTheBusiestFrame)
{
    std::vector<uint8_t> block = FlatBlock(3);
    // Raised middle columns bring their blocks nearer an eye high above.
    for (DWORD i = 0; i < 16; ++i)
        if (i % 4 == 1 || i % 4 == 2) Record(block, i)->SetAtitude(12, 10.0f);
    CTerrain t;
    const SGfxDistLOD lod = Thresholds(995.0f, 5000.0f);
    ASSERT_EQ(Build(t, block, &lod), S_OK);
    const CFrustum above = EyeAt(32.0f, 1000.0f, 32.0f);
    ASSERT_EQ(t.UpdateVisibleState(&above, 0, 1), S_OK);
    for (DWORD i = 0; i < 16; ++i) EXPECT_EQ(t.GetBlockLODLevel(i), (i % 4 == 1 || i % 4 == 2) ? 0 : 1) << i;
    // Eight level-0 blocks beside a coarser one: 12 quad pieces and 4 borders
    // each, more than five records a block.
    EXPECT_EQ(t.GetRenderInfoNum(), 8u * 16 + 8);
    EXPECT_EQ(t.GetVisibleFaceNum(), 8u * (16 + 12 + 2) + 8u * 8);
}

TEST_F(Terrain, NeighbouringTerrainsShareLevelsAcrossTheirBorder)
{
    std::vector<uint8_t> left = FlatBlock(2, 16.0f, 0.0f, 0.0f, 0.0f);
    std::vector<uint8_t> right = FlatBlock(2, 16.0f, 0.0f, 32.0f, 0.0f);
    TagBlocks(left);
    const SGfxDistLOD lod = Thresholds(30.0f, 1000.0f);
    CTerrain a, b;
    CTerrain* aNeighbours[4] = {nullptr, &b, nullptr, nullptr};
    CTerrain* bNeighbours[4] = {nullptr, nullptr, nullptr, &a};
    ASSERT_EQ(Build(a, left, &lod, aNeighbours), S_OK);
    ASSERT_EQ(Build(b, right, &lod, bNeighbours), S_OK);
    const CFrustum eye = EyeAt(0.0f, 0.0f, 16.0f);
    ASSERT_EQ(a.UpdateVisibleState(&eye, 0, 1), S_OK);
    // Block 1 of a (x 16-32) is at level 0; the block right of it in b at level 1.
    EXPECT_EQ(a.GetBlockLODLevel(1), 0);
    const std::vector<STerrainRenderInfo> recs = RecordsOf(a, 1);
    ASSERT_EQ(recs.size(), 16u);
    EXPECT_EQ(IndicesOf(a, recs[15], 6), Remapped(a.GetBlock(DWORD(1)), {4, 8, 14, 14, 18, 24}));
}

TEST_F(Terrain, ExternalBlocksCompleteTheBuild)
{
    std::vector<uint8_t> block = FlatBlock(2, 16.0f, 2.0f);
    CTerrain t;
    EXPECT_EQ(t.CreateQuadtree(nullptr, nullptr, 0.0f), D3DERR_INVALIDCALL);
    ASSERT_EQ(t.Build(device, block.data(), block.size(), nullptr, 0.0f, TERRAIN_BUILD_EXTERNBLOCKS, nullptr), S_OK);
    EXPECT_FALSE(t.IsBuilt());
    CTerrainBlock own[4];
    CTerrainBlock* blocks[4] = {&own[0], &own[1], &own[2], &own[3]};
    ASSERT_EQ(t.CreateQuadtree(blocks, Head(block)->GetBlockInits(), 0.0f), S_OK);
    EXPECT_TRUE(t.IsBuilt());
    EXPECT_EQ(t.GetBlock(DWORD(3)), &own[3]);
    EXPECT_FLOAT_EQ(t.GetAtitude(20.0f, 20.0f), 2.0f);
    t.Release(); // the blocks stay the caller's
    EXPECT_EQ(own[3].GetIndex(), 3);
}

TEST_F(Terrain, VertexEditingAndDeviceLoss)
{
    std::vector<uint8_t> block = FlatBlock(2);
    Head(block)->SetPool(D3DPOOL_DEFAULT);
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    EXPECT_FALSE(t.IsValid());
    EXPECT_TRUE(t.IsCanRestore());
    EXPECT_NE(t.GetSysMemVB(), nullptr);
    void* data = nullptr;
    EXPECT_EQ(t.BeginModifyVB(&data, 0), KESTUERR_SURFACENOTBUILT);
    ASSERT_EQ(t.Restore(), S_OK);
    EXPECT_TRUE(t.IsValid());
    EXPECT_EQ(t.EndModifyVB(0), D3DERR_INVALIDCALL);

    std::vector<BYTE> copy(t.GetVBSize());
    data = copy.data();
    ASSERT_EQ(t.BeginModifyVB(&data, 1), S_OK);
    terrain_gen::Vertex v;
    std::memcpy(&v, copy.data(), sizeof v);
    EXPECT_EQ(v.x, 0.0f);
    v.y = 42.0f;
    std::memcpy(copy.data(), &v, sizeof v);
    ASSERT_EQ(t.EndModifyVB(0), S_OK);
    // Both the drawn buffer and the one that survives device loss changed.
    for (IDirect3DVertexBuffer8* vb : {t.GetLocalVB(), t.GetSysMemVB()}) {
        BYTE* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_READONLY), S_OK);
        float y;
        std::memcpy(&y, p + 4, 4);
        EXPECT_EQ(y, 42.0f);
        vb->Unlock();
    }
    EXPECT_EQ(t.Invalidate(), S_OK);
    EXPECT_FALSE(t.IsValid());
    EXPECT_EQ(t.Restore(), S_OK);
    EXPECT_TRUE(t.IsValid());

    void* direct = nullptr;
    ASSERT_EQ(t.BeginModifyVB(&direct, 0), S_OK);
    EXPECT_NE(direct, nullptr);
    EXPECT_EQ(t.BeginModifyVB(&direct, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.EndModifyVB(0), S_OK);
}

TEST_F(Terrain, DrawsItsRecordsAndReleases)
{
    std::vector<uint8_t> block = FlatBlock(2);
    CTerrain t;
    EXPECT_EQ(t.Render(), KESTUERR_SURFACENOTBUILT);
    ASSERT_EQ(Build(t, block), S_OK);
    ASSERT_EQ(t.UpdateVisibleState(nullptr, 0, 0), S_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(t.Render(), S_OK);
    EXPECT_EQ(t.RenderRough(), S_OK);
    device->EndScene();
    DWORD op = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, DWORD(D3DTOP_SELECTARG1));
    t.Release();
    EXPECT_FALSE(t.IsBuilt());
    EXPECT_EQ(t.GetIB(), nullptr);
    EXPECT_EQ(t.GetBlockNum(), 0u);
    ASSERT_EQ(Build(t, block), S_OK);
}

TEST_F(Terrain, DrawsEachRecordWithTheManagersTextureOfItsId)
{
    const std::string path = "terrain_static_textures.lib"; // in the test's own working folder
    ASSERT_EQ(
        streamed_gen::MakeTextureLibrary(
            device, path, {{1, "red", 0xFF0000, 0.0f}, {2, "blue", 0x0000FF, 0.0f}, {3, "green", 0x00FF00, 0.0f}}),
        S_OK);
    CTextureMng library;
    ASSERT_EQ(library.Build(device, path.c_str()), S_OK);
    ASSERT_NE(library.QueryTexture(1), nullptr);
    ASSERT_NE(library.QueryTexture(2), nullptr); // 3 stays unloaded

    // Blocks 0 (0,0), 1 (1,0), 2 (0,1), 3 (1,1) of 16: red, blue, green
    // (not loaded) and an id the library lacks.
    std::vector<uint8_t> block = FlatBlock(2);
    const WORD ids[4] = {1, 2, 3, 7};
    for (DWORD i = 0; i < 4; ++i) Record(block, i)->SetTexIdx(ids[i]);
    CTerrain t;
    ASSERT_EQ(Build(t, block), S_OK);
    t.SetTexMng(&library);
    ASSERT_EQ(t.UpdateVisibleState(nullptr, 0, 0), S_OK);

    const Camera camera({16.0f, 50.0f, 16.0f}, {16.0f, 0.0f, 16.0f}, {0.0f, 0.0f, 1.0f}, D3DX_PI / 4);
    camera.Apply(); // unlit white vertices: the texture alone shows
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);

    D3DVIEWPORT8 vp{};
    device->GetViewport(&vp);
    auto centreOf = [&](const std::vector<uint32_t>& px, DWORD b) {
        const D3DXVECTOR3 p(16.0f * float(b % 2) + 8.0f, 0.0f, 16.0f * float(b / 2) + 8.0f);
        D3DXVECTOR3 s;
        D3DXVec3Project(&s, &p, &vp, &camera.proj, &camera.view, &camera.world);
        return px.at(size_t(s.y) * kSize + size_t(s.x)) & 0xFFFFFF;
    };

    std::vector<uint32_t> px = DrawFrame(t);
    DWORD op = 0, arg1 = 0, arg2 = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &op);
    device->GetTextureStageState(0, D3DTSS_COLORARG1, &arg1);
    device->GetTextureStageState(0, D3DTSS_COLORARG2, &arg2);
    EXPECT_EQ(op, DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(arg1, DWORD(D3DTA_TEXTURE));
    EXPECT_EQ(arg2, DWORD(D3DTA_DIFFUSE));
    const uint32_t expected[4] = {0xFF0000, 0x0000FF, 0xFFFFFF, 0xFFFFFF};
    bool ok = true;
    for (DWORD b = 0; b < 4; ++b) {
        ok &= centreOf(px, b) == expected[b];
        EXPECT_EQ(centreOf(px, b), expected[b]) << "block " << b;
    }
    if (!ok) Save(px, kSize, kSize, "terrain_textures");
    // The lookup takes no reference: ours are the only ones.
    EXPECT_EQ(library.ReleaseTexture(2), 0);

    // Without the manager the blocks are drawn in their vertex colour alone.
    t.SetTexMng(nullptr);
    px = DrawFrame(t);
    for (DWORD b = 0; b < 4; ++b) EXPECT_EQ(centreOf(px, b), 0xFFFFFFu) << "block " << b;

    t.Release();
    library.ReleaseTexture(1);
    library.Release();
    std::filesystem::remove(path);
}
