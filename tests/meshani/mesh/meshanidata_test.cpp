// GMA mesh data on a device: textures by name and by id, drawing, winding,
// level of detail, clones, saving and a lost device.
#include <gtest/gtest.h>

#include <algorithm>

#include "gma_fixtures.h"
#include "index_lib.h"
#include "kestu_gmaconvert.h"
#include "kestu_meshani.h"
#include "kestu_meshanidata.h"
#include "kestu_texture_list.h"
#include "meshani_device.h"

using namespace gmatest;

namespace {

bool Reddish(uint32_t p) { return ((p >> 16) & 0xFF) > 0xC0 && ((p >> 8) & 0xFF) < 0x40; }
bool Greenish(uint32_t p) { return ((p >> 8) & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x40; }

} // namespace

class MeshAniData : public MeshAniFolderDevice {
protected:
    HRESULT BuildArrayMode(CMeshAniData& mesh, const CGmaFile& f, D3DPOOL pool = D3DPOOL_MANAGED,
                           BOOL autoRestore = FALSE)
    {
        const std::vector<BYTE> bytes = Bytes(f);
        return mesh.Build(bytes.data(), DWORD(bytes.size()), device, Path("tex").c_str(), nullptr, nullptr, nullptr,
                          pool, 1.0f, autoRestore, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE);
    }
    std::vector<uint32_t> Draw(CMeshAniData& mesh, DWORD frame, HRESULT* result = nullptr)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        LookAtOrigin();
        device->BeginScene();
        const HRESULT hr = mesh.Render(frame, nullptr);
        device->EndScene();
        if (result) *result = hr;
        return Pixels();
    }
    int Count(const std::vector<uint32_t>& px, bool (*pred)(uint32_t), UINT x0, UINT x1)
    {
        int n = 0;
        for (UINT y = 0; y < kHeight; ++y)
            for (UINT x = x0; x < x1; ++x) n += px.size() == kWidth * kHeight && pred(px[y * kWidth + x]) ? 1 : 0;
        return n;
    }
};

// Textures by file name from the texture folder; each half of the grid in its own colour.
TEST_F(MeshAniData, DrawsItsMaterialsWithTheirTextures)
{
    Grid g;
    CMeshAniData mesh;
    ASSERT_EQ(BuildArrayMode(mesh, g.File()), S_OK);
    EXPECT_TRUE(mesh.IsBuilt());
    EXPECT_EQ(mesh.GetNumFrames(), 2u);
    EXPECT_TRUE(mesh.IsAni());
    EXPECT_EQ(mesh.GetNumAttributes(1), 2);
    EXPECT_EQ(mesh.GetNumFaces(1), DWORD(2 * g.FacesPerHalf()));
    EXPECT_EQ(mesh.GetNumTextures(0), 2u);
    ASSERT_NE(mesh.GetTexture(0, 1), nullptr);
    EXPECT_EQ(mesh.GetTexture(5, 0), nullptr);
    std::vector<DWORD> ids;
    ASSERT_EQ(mesh.GetTextureIDs(ids), S_OK);
    EXPECT_EQ(ids, (std::vector<DWORD>{0, 1, 0, 1})); // array indices, one per attribute
    HRESULT hr = E_FAIL;
    const std::vector<uint32_t> px = Draw(mesh, 1, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_GT(Count(px, Reddish, 0, kWidth / 2), 100);
    EXPECT_EQ(Count(px, Greenish, 0, kWidth / 2 - 4), 0);
    EXPECT_GT(Count(px, Greenish, kWidth / 2, kWidth), 100);
    SaveOnFailure(px, "meshanidata_textures");
    EXPECT_EQ(mesh.Render(2, nullptr), E_FAIL); // no such frame
}

// A 1.3 file takes its textures by name; a 1.4 file in a manager-mode set queries them by id.
TEST_F(MeshAniData, OldFilesByNameNewFilesById)
{
    Grid g;
    CMeshAniData old;
    ASSERT_EQ(BuildArrayMode(old, g.File(1, 3)), S_OK);
    EXPECT_NE(old.GetTexture(0, 0), nullptr);

    CIndexLib lib;
    const std::string libPath = Path("tex.kidx");
    ASSERT_EQ(lib.Load(libPath.c_str(), 0, 1, 1, 0), S_OK);
    ASSERT_EQ(lib.Import(Path("tex/left.png").c_str(), 11, "left.png"), S_OK);
    ASSERT_EQ(lib.Import(Path("tex/right.png").c_str(), 12, "right.png"), S_OK);
    ASSERT_EQ(lib.Save(), S_OK);
    CTextureList textures;
    ASSERT_EQ(textures.BuildMngMode(device, nullptr, libPath.c_str(), FALSE, 0), S_OK);
    CMeshAniData mesh;
    const std::vector<BYTE> bytes = Bytes(g.File());
    ASSERT_EQ(mesh.Build(bytes.data(), DWORD(bytes.size()), device, Path("unused").c_str(), &textures, nullptr, nullptr,
                         D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              S_OK);
    EXPECT_TRUE(mesh.IsExternTextures());
    ASSERT_NE(textures.GetMng()->GetTexture(12), nullptr);
    EXPECT_EQ(textures.GetMng()->GetTexture(12)->GetRef(), 2); // one query per frame's attribute
    const std::vector<uint32_t> px = Draw(mesh, 0);
    EXPECT_GT(Count(px, Greenish, kWidth / 2, kWidth), 100);
    mesh.Release();
    EXPECT_EQ(textures.GetMng()->GetTexture(12)->GetRef(), 0); // the mesh gave its references back
}

TEST_F(MeshAniData, RefusesWhatItCannotBuild)
{
    Grid g;
    CMeshAniData mesh;
    const std::vector<BYTE> bytes = Bytes(g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_TEXCOORD));
    EXPECT_EQ(mesh.Build(bytes.data(), DWORD(bytes.size()), device, "", nullptr, nullptr, nullptr, D3DPOOL_MANAGED,
                         1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              E_FAIL);
    const std::vector<BYTE> good = Bytes(g.File());
    EXPECT_EQ(mesh.Build(good.data(), DWORD(good.size() - 10), device, "", nullptr, nullptr, nullptr, D3DPOOL_MANAGED,
                         1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              E_FAIL);
    EXPECT_FALSE(mesh.IsBuilt());
    // A face beyond its frame's vertices leaves that attribute out.
    CGmaFile f = g.File();
    f.frames[0].materials[1].faces[0].wIndex[2] = 500;
    ASSERT_EQ(BuildArrayMode(mesh, f), S_OK);
    EXPECT_FALSE(mesh.GetMeshAttribute(0, 1)->IsBuilt());
    EXPECT_EQ(mesh.DrawSubset(1, 0, nullptr, nullptr), E_FAIL);
    EXPECT_TRUE(mesh.GetMeshAttribute(1, 1)->IsBuilt());
}

// Right-handed faces turn once per build, and the read file is not touched.
TEST_F(MeshAniData, BuildingTwiceTurnsTheWindingOnce)
{
    Grid g;
    const CGmaFile right = g.File(1, 4, 0);
    const std::vector<BYTE> bytes = Bytes(right);
    const std::vector<BYTE> copy = bytes;
    CMeshAniData mesh;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(mesh.Build(bytes.data(), DWORD(bytes.size()), device, Path("tex").c_str(), nullptr, nullptr, nullptr,
                             D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
                  S_OK);
        const std::vector<WORD>& idx = mesh.GetMeshAttribute(0, 0)->GetSourceIndices();
        const SMeshFaceInit& face = right.frames[0].materials[0].faces[0];
        EXPECT_EQ(idx[0], face.wIndex[0]);
        EXPECT_EQ(idx[1], face.wIndex[2]);
        EXPECT_EQ(idx[2], face.wIndex[1]);
    }
    EXPECT_EQ(bytes, copy);
}

TEST_F(MeshAniData, LevelOfDetailFromTheConverter)
{
    Grid g;
    g.cols = 8;
    g.rows = 6;
    g.amplitude = 0.3f;
    const std::string src = Path("g.gma"), dst = Path("g_lod.gma");
    ASSERT_EQ(g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_MATERIALS).Save(src.c_str()), S_OK);
    CGmaFile lodFile;
    ASSERT_TRUE(ConvertLod(src, dst, lodFile));
    const WORD collapsible = lodFile.lod[0].aCollapsible[0];
    ASSERT_GT(collapsible, 0);

    CMeshAniData mesh;
    mesh.EnableLod(TRUE);
    ASSERT_EQ(BuildArrayMode(mesh, lodFile), S_OK);
    ASSERT_TRUE(mesh.IsLodEnable());
    CMeshAttribute* a = mesh.GetMeshAttribute(0, 0);
    const WORD full = a->GetNumIndices();
    mesh.SetLod(1.0f);
    EXPECT_EQ(a->GetCurrNumIndices(), full);
    mesh.SetLod(0.0f);
    EXPECT_LT(a->GetCurrNumIndices(), full);
    EXPECT_EQ(a->GetPrimitiveInfoList()->aList[0].dwNumVertices, DWORD(g.VerticesPerHalf() - collapsible));
    // Every index left points at a vertex that stays.
    for (WORD n = 0; n < a->GetCurrNumIndices(); ++n)
        EXPECT_LT(a->GetCurrentIndices()[n], a->GetLowestIndex() + g.VerticesPerHalf() - collapsible);
    const WORD coarse = a->GetCurrNumIndices();
    mesh.SetLod(-3.0f);
    EXPECT_EQ(a->GetCurrNumIndices(), coarse);
    EXPECT_EQ(mesh.GetLod(), 0.0f);
    mesh.SetLod(7.0f);
    EXPECT_EQ(a->GetCurrNumIndices(), full);
    EXPECT_EQ(Draw(mesh, 1).size(), size_t(kWidth * kHeight));

    // Without LOD records the build says so and switches LOD off.
    CMeshAniData plain;
    plain.EnableLod(TRUE);
    EXPECT_EQ(BuildArrayMode(plain, g.File()), E_FAIL);
    EXPECT_FALSE(plain.IsLodEnable());
}

TEST_F(MeshAniData, CollapseRecordsThatLoopAreNotFollowed)
{
    // A single triangle with records whose targets point at each other.
    CGmaFile f;
    f.header.wMinorVersion = 4;
    f.header.SetLeftHandCoordSystem(TRUE);
    SGmaFrame fr;
    fr.vertices = {Vertex(0, 0, 0, 0, 0), Vertex(1, 0, 0, 1, 0), Vertex(0, 1, 0, 0, 1)};
    fr.materials = {Material("left.png", 0, {{{0, 1, 2}}})};
    fr.wNumMaterials = 1;
    f.frames.push_back(fr);
    SMeshFrameLodInfo rec;
    rec.aVertices = {{0, 2, 0}, {1, 2, 0}, {2, 1, 7}};
    rec.aCollapsible = {2};
    f.lod.push_back(rec);
    CMeshAniData mesh;
    mesh.EnableLod(TRUE);
    ASSERT_EQ(BuildArrayMode(mesh, f), S_OK);
    mesh.SetLod(0.0f);
    const CMeshAttribute* a = mesh.GetMeshAttribute(0, 0);
    EXPECT_EQ(a->GetCurrNumIndices(), 0); // more faces said removed than there are
    EXPECT_LE(a->GetPrimitiveInfoList()->aList[0].dwNumVertices, 3u);
}

TEST_F(MeshAniData, SkipFlagsAndTheIndicatedColour)
{
    Grid g;
    CGmaFile f = g.File();
    f.header.wEnvMapAttribID = 0;
    f.header.wExchangeAttribID = 1;
    CMeshAniData mesh;
    ASSERT_EQ(BuildArrayMode(mesh, f), S_OK);
    EXPECT_TRUE(mesh.IsHaveEnvMapAttrib(0));
    EXPECT_FALSE(mesh.IsHaveIndicatedColorAttrib());
    LookAtOrigin();
    device->BeginScene();
    host::D3D8ResetCounters();
    EXPECT_EQ(mesh.Render(0, nullptr, TRUE, TRUE, FALSE, 0), S_OK);
    EXPECT_EQ(host::D3D8GetCounters().drawCalls, 0u);
    EXPECT_EQ(mesh.Render(0, nullptr, TRUE, FALSE, FALSE, 0), S_OK);
    EXPECT_EQ(host::D3D8GetCounters().drawCalls, 1u);
    device->EndScene();

    // The indicated-colour attribute takes the colour through the texture factor.
    f.header.wEnvMapAttribID = GMA_NO_ATTRIB;
    f.header.wExchangeAttribID = GMA_NO_ATTRIB;
    f.header.wIndicatedColorAttribID = 0;
    ASSERT_EQ(BuildArrayMode(mesh, f), S_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    LookAtOrigin();
    device->BeginScene();
    EXPECT_EQ(mesh.Render(0, nullptr, FALSE, FALSE, TRUE, 0xFF0000FF), S_OK);
    device->EndScene();
    std::vector<uint32_t> px = Pixels();
    EXPECT_EQ(Count(px, Reddish, 0, kWidth / 2), 0); // red texture x blue factor
    EXPECT_GT(Count(px, Greenish, kWidth / 2, kWidth), 100);
    DWORD op = 0;
    device->GetTextureStageState(0, D3DTSS_COLORARG2, &op);
    EXPECT_EQ(op, DWORD(D3DTA_CURRENT)); // put back

    // A material whose texture is missing is left out quietly.
    f.frames[0].materials[0].head.szTexture[0] = 0;
    ASSERT_EQ(BuildArrayMode(mesh, f), S_OK);
    device->BeginScene();
    EXPECT_EQ(mesh.DrawSubset(0, 0, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(mesh.RenderForceColor(0, 0xFFFFFFFF, nullptr), S_OK);
    EXPECT_EQ(mesh.RenderRough(0, nullptr, TRUE), S_OK);
    device->EndScene();
}

TEST_F(MeshAniData, ClonesAndTheirSlots)
{
    Grid g;
    CMeshAniData mesh;
    ASSERT_EQ(BuildArrayMode(mesh, g.File()), S_OK);
    EXPECT_EQ(mesh.CloneContainerFromCloned(3, nullptr, nullptr, nullptr), E_FAIL);
    DWORD a = 0, b = 0, c = 0, d = 0;
    auto shift = [](SGmaVerticesEntry* e, DWORD, void*) {
        for (DWORD i = 0; i < e->dwNumVertices; ++i) e->Pos(i).x += 100.0f; // out of sight
    };
    ASSERT_EQ(mesh.CloneContainerFromRaw(&a, nullptr, nullptr), S_OK);
    ASSERT_EQ(mesh.CloneContainerFromRaw(&b, shift, nullptr), S_OK);
    ASSERT_EQ(mesh.CloneContainerFromCloned(a, &c, nullptr, nullptr), S_OK);
    EXPECT_EQ(mesh.GetNumClonedContaineres(), 3u);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_EQ(mesh.CloneContainerFromCloned(9999, nullptr, nullptr, nullptr), E_FAIL);
    ASSERT_EQ(mesh.SetCurrentContainer(b), S_OK);
    EXPECT_EQ(Count(Draw(mesh, 0), Reddish, 0, kWidth), 0);
    ASSERT_EQ(mesh.DestoryClonedContainer(b), S_OK);
    EXPECT_EQ(mesh.GetCurrentContainerIndex(), GMA_OWN_CONTAINER);
    EXPECT_GT(Count(Draw(mesh, 0), Reddish, 0, kWidth), 100);
    EXPECT_EQ(mesh.DestoryClonedContainer(b), S_FALSE);
    EXPECT_EQ(mesh.SetCurrentContainer(b), E_FAIL);
    EXPECT_EQ(mesh.SetCurrentContainer(100000), S_FALSE);
    ASSERT_EQ(mesh.CloneContainerFromRaw(&d, nullptr, nullptr), S_OK);
    EXPECT_TRUE(d != a && d != c); // never a slot in use
    EXPECT_NE(mesh.GetClonedContainer(a), mesh.GetClonedContainer(c));
    EXPECT_EQ(mesh.FindNoUseClonedContainerIndex(), b);
    mesh.DestoryAllClonedContainer();
    EXPECT_EQ(mesh.GetNumClonedContaineres(), 0u);
}

// What SaveToDiskFile writes is what its header says: a left-handed 1.4 file
// with whole vertices and bound boxes, which reads and plays again.
TEST_F(MeshAniData, SavedFilesDescribeThemselves)
{
    Grid g;
    g.frames = 3;
    const CGmaFile right = g.File(1, 4, GMA_FLAG_NORMAL_SKIPPED | GMA_FLAG_SHARE_MATERIALS);
    CMeshAniData mesh;
    ASSERT_EQ(BuildArrayMode(mesh, right), S_OK);
    const std::string out = Path("saved.gma");
    ASSERT_EQ(mesh.SaveToDiskFile(out.c_str()), S_OK);
    CGmaFile r;
    ASSERT_EQ(r.Load(out.c_str()), S_OK);
    EXPECT_EQ(r.header.wMinorVersion, 4);
    EXPECT_TRUE(r.header.IsLeftHandCoordSystem());
    EXPECT_TRUE(r.header.IsFrameBoundBox());
    EXPECT_FALSE(r.header.IsNormalSkipped());
    EXPECT_TRUE(r.header.IsFrameShareMaterials());
    ASSERT_EQ(r.frames.size(), 3u);
    EXPECT_FLOAT_EQ(r.frames[2].fPos, 2.0f / 3.0f);
    const SGMAVertex& v = r.frames[2].vertices[5];
    EXPECT_NEAR(v.p.y, right.frames[2].vertices[5].p.z, 1e-6f); // turned to left-handed
    EXPECT_EQ(v.u, right.frames[2].vertices[5].u);
    EXPECT_EQ(r.sharedMaterials[1].faces[0].wIndex[1], right.sharedMaterials[1].faces[0].wIndex[2]);
    EXPECT_EQ(DWORD{r.sharedMaterials[1].head.dwTextureID}, 12u); // the file's id, not the array index
    CMeshAni player;
    EXPECT_EQ(player.BuildFromFile(out.c_str(), 1), S_OK);
    EXPECT_EQ(player.GetNumFrames(), 4u);
    CMeshAniData again;
    ASSERT_EQ(BuildArrayMode(again, r), S_OK);
    EXPECT_EQ(again.GetMeshAttribute(0, 1)->GetSourceIndices(), mesh.GetMeshAttribute(0, 1)->GetSourceIndices());
    CMeshAniData unbuilt;
    EXPECT_EQ(unbuilt.SaveToDiskFile(out.c_str()), E_FAIL);
}

TEST_F(MeshAniData, DefaultPoolMeshSurvivesALostDevice)
{
    Grid g;
    CMeshAniData mesh;
    ASSERT_EQ(BuildArrayMode(mesh, g.File(), D3DPOOL_DEFAULT, TRUE), S_OK);
    EXPECT_GT(Count(Draw(mesh, 0), Reddish, 0, kWidth), 100);
    ASSERT_EQ(mesh.Invalidate(), S_OK);
    EXPECT_EQ(mesh.GetMeshAttribute(0, 0)->GetIB(), nullptr);
    // The client lets go of what the device still has bound.
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    D3DPRESENT_PARAMETERS pp = Parameters();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(mesh.Restore(), S_OK);
    EXPECT_GT(Count(Draw(mesh, 1), Reddish, 0, kWidth), 100);
    // A playing mesh walks the frames of this mesh.
    CMeshAni player;
    ASSERT_EQ(player.Build(&mesh), S_OK);
    EXPECT_EQ(player.GetNumFrames(), 3u);
    EXPECT_FLOAT_EQ(player.GetRawTimeRefList()[1], 0.5f);
    CMeshAniData empty;
    EXPECT_EQ(player.Build(&empty), E_FAIL);
    mesh.Release();
}
