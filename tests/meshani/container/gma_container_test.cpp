// Frame containers: vertex formats, turning right-handed files, shared
// coordinates, empty frames, pools, lost devices and clones.
#include <cstdio>

#include <gtest/gtest.h>

#include "gma_fixtures.h"
#include "kestu_bytes.h"
#include "kestu_gmacontainer.h"
#include "meshani_device.h"

using namespace gmatest;

namespace {

std::vector<SGMAVertex> Read(CAniMeshContainer& c, DWORD frame)
{
    std::vector<SGMAVertex> out;
    std::vector<SCoords2d> coords;
    c.ReadSharedCoords(coords);
    EXPECT_TRUE(SUCCEEDED(c.GetMeshFrame(frame)->ReadFullVertices(out, &coords)));
    return out;
}

} // namespace

class GmaContainer : public MeshAniDevice {};

TEST_F(GmaContainer, RightHandedFilesTurnWithTheirNormals)
{
    Grid g;
    const CGmaFile right = g.File(1, 4, 0);
    CAniMeshContainer c;
    ASSERT_EQ(c.Build(right, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE), S_OK);
    EXPECT_EQ(c.GetVertexFVF(), 0x152u);
    EXPECT_EQ(c.GetMeshID(), 7u);
    ASSERT_EQ(c.GetNumFrames(), 2u);
    const std::vector<SGMAVertex> v = Read(c, 1);
    const SGMAVertex& a = right.frames[1].vertices[4];
    EXPECT_NEAR(v[4].p.y, a.p.z, 1e-6f);
    EXPECT_NEAR(v[4].p.z, -a.p.y, 1e-6f);
    EXPECT_NEAR(v[4].n.y, -1.0f, 1e-6f);
    EXPECT_EQ(v[4].u, a.u);
    // The box is computed from the turned vertices.
    EXPECT_NEAR(c.GetMeshFrame(0)->GetBoundBox()->max.z, g.height / 2, 1e-6f);
    EXPECT_FLOAT_EQ(c.GetMeshFrame(1)->GetPosRef(), 0.5f);
    // Left-handed, scaled, with boxes in the file: the vertices scale and the box follows them.
    const CGmaFile left = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_FRAME_BOUNDBOX);
    ASSERT_EQ(c.Build(left, device, D3DPOOL_MANAGED, 2.0f, FALSE, FALSE, TRUE, FALSE, FALSE), S_OK);
    EXPECT_EQ(c.GetVertexFVF(), 0x142u); // normals skipped as asked
    EXPECT_EQ(c.GetVertexStride(), 24u);
    const std::vector<SGMAVertex> s = Read(c, 0);
    EXPECT_EQ(s[5].p, left.frames[0].vertices[5].p * 2.0f);
    EXPECT_EQ(s[5].n, D3DXVECTOR3(0, 1, 0));
    EXPECT_FLOAT_EQ(c.GetMeshFrame(0)->GetBoundBox()->max.x, g.width);
    // Unscaled, the file's boxes are taken as they are.
    CGmaFile marked = left;
    marked.boundBoxes[1].max.x = 42.0f;
    ASSERT_EQ(c.Build(marked, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE), S_OK);
    EXPECT_EQ(c.GetMeshFrame(1)->GetBoundBox()->max.x, 42.0f);
    EXPECT_TRUE(c.IsSameFramework(left));
    marked.frames[1].fPos += 0.02f;
    EXPECT_FALSE(c.IsSameFramework(marked));
}

TEST_F(GmaContainer, SharedCoordinatesNeedTheFileAndTwoStreams)
{
    Grid g;
    const CGmaFile shared = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_TEXCOORD);
    CAniMeshContainer c;
    ASSERT_EQ(c.Build(shared, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, TRUE, FALSE), S_OK);
    EXPECT_TRUE(c.IsTexCoordSkipped());
    EXPECT_EQ(c.GetVertexFVF(), 0x52u);
    ASSERT_NE(c.GetSharedTexCoordVB(), nullptr);
    std::vector<SCoords2d> coords;
    ASSERT_EQ(c.ReadSharedCoords(coords), S_OK);
    ASSERT_EQ(coords.size(), size_t(g.Vertices()));
    EXPECT_EQ(coords[6].u, shared.sharedCoords[6].u);
    EXPECT_EQ(Read(c, 1)[6].v, shared.sharedCoords[6].v);
    // One stream: the frames take their coordinates back from the shared section.
    host::D3D8SetCapsFilter([](D3DDEVTYPE, D3DCAPS8& caps) { caps.MaxStreams = 1; });
    ASSERT_EQ(c.Build(shared, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, TRUE, FALSE), S_OK);
    EXPECT_FALSE(c.IsTexCoordSkipped());
    EXPECT_EQ(c.GetVertexFVF(), 0x152u);
    EXPECT_EQ(c.GetSharedTexCoordVB(), nullptr);
    EXPECT_EQ(Read(c, 1)[6].u, shared.sharedCoords[6].u);
    host::D3D8SetCapsFilter(nullptr);
    // A file without shared coordinates keeps them in the frames whatever is asked.
    const CGmaFile own = g.File();
    ASSERT_EQ(c.Build(own, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, TRUE), S_OK);
    EXPECT_FALSE(c.IsTexCoordSkipped());
    EXPECT_EQ(Read(c, 0)[6].u, own.frames[0].vertices[6].u);
}

TEST_F(GmaContainer, EmptyFramesAndSystemMemory)
{
    Grid g;
    g.frames = 3;
    CGmaFile f = g.File();
    f.frames[1].vertices.clear();
    f.frames[1].materials.clear();
    f.frames[1].wNumMaterials = 0;
    CMeshFrame frame;
    EXPECT_EQ(frame.Build(f.frames[1], device, FALSE, FALSE, D3DPOOL_MANAGED, 1.0f, FALSE, FALSE, TRUE, FALSE, FALSE,
                          nullptr),
              S_FALSE);
    EXPECT_FALSE(frame.IsBuilt());
    EXPECT_FLOAT_EQ(frame.GetPosRef(), 1.0f / 3.0f);
    CAniMeshContainer c;
    ASSERT_EQ(c.Build(f, device, D3DPOOL_SYSTEMMEM, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE), S_OK);
    EXPECT_TRUE(c.IsSystemVerticesData());
    EXPECT_EQ(c.GetVB(0), nullptr);
    ASSERT_NE(c.GetVertices(0), nullptr);
    EXPECT_EQ(c.GetVertices(1), nullptr);
    EXPECT_EQ(c.GetMeshFrame(1)->GetNumVertices(), 0u);
    EXPECT_EQ(Read(c, 2)[3].p, f.frames[2].vertices[3].p);
}

TEST_F(GmaContainer, DefaultPoolSurvivesALostDevice)
{
    Grid g;
    const CGmaFile f = g.File();
    CAniMeshContainer c;
    ASSERT_EQ(c.Build(f, device, D3DPOOL_DEFAULT, 1.0f, TRUE, TRUE, FALSE, FALSE, FALSE), S_OK);
    EXPECT_EQ(c.GetVB(0), nullptr); // the device buffer comes with Restore
    ASSERT_EQ(c.Restore(), S_OK);
    ASSERT_NE(c.GetVB(0), nullptr);
    // A change goes to the copy and then to the device buffer.
    SGmaVerticesEntry e;
    ASSERT_EQ(c.BeginAccessVertices(1, &e), S_OK);
    EXPECT_EQ(e.dwFVF, 0x152u);
    EXPECT_EQ(e.dwStride, 36u);
    e.Pos(2).x = 9.0f;
    ASSERT_EQ(c.EndAccessVertices(1), S_OK);
    ASSERT_EQ(c.Invalidate(), S_OK);
    EXPECT_EQ(c.GetVB(1), nullptr);
    D3DPRESENT_PARAMETERS pp = Parameters();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(c.Restore(), S_OK);
    IDirect3DVertexBuffer8* vb = c.GetVB(1);
    ASSERT_NE(vb, nullptr);
    BYTE* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    float x;
    std::memcpy(&x, data + 2 * 36, 4);
    vb->Unlock();
    EXPECT_EQ(x, 9.0f);
    EXPECT_EQ(Read(c, 0)[2].p, f.frames[0].vertices[2].p);
    // Default pool without auto restore has nothing to do on a loss.
    CAniMeshContainer d;
    ASSERT_EQ(d.Build(f, device, D3DPOOL_DEFAULT, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE), S_OK);
    EXPECT_NE(d.GetVB(0), nullptr);
    EXPECT_EQ(d.Invalidate(), S_FALSE);
    d.Release();
    c.Release();
}

TEST_F(GmaContainer, ClonesOwnTheirVertices)
{
    Grid g;
    const CGmaFile f = g.File();
    CAniMeshContainer c, copy;
    ASSERT_EQ(c.Build(f, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE), S_OK);
    auto lift = [](SGmaVerticesEntry* e, DWORD frame, void* user) {
        for (DWORD i = 0; i < e->dwNumVertices; ++i) e->Pos(i).y += 10.0f * float(frame + 1);
        ++*static_cast<int*>(user);
    };
    int calls = 0;
    ASSERT_EQ(c.Clone(&copy, lift, &calls), S_OK);
    EXPECT_EQ(calls, 2);
    EXPECT_NE(copy.GetVB(1), c.GetVB(1));
    EXPECT_FLOAT_EQ(Read(copy, 1)[0].p.y, f.frames[1].vertices[0].p.y + 20.0f);
    EXPECT_EQ(Read(c, 1)[0].p.y, f.frames[1].vertices[0].p.y);
    CAniMeshContainer unbuilt;
    EXPECT_EQ(unbuilt.Clone(&copy, nullptr, nullptr), E_FAIL);
    EXPECT_FALSE(copy.IsBuilt());
}

// A one-frame file laid out by hand, field by field: two vertices in the
// record form the header's flags select.
std::vector<BYTE> HandFile(bool normalSkipped, std::vector<BYTE>* vertexBytes)
{
    std::vector<BYTE> b;
    kestu::ByteWriter w(b);
    w.U16(1);
    w.U16(4);
    w.F32(1.0f);
    w.U32(1); // frames
    w.U32(0);
    for (int i = 0; i < 3; ++i) w.U16(0xFFFF);
    w.U32(GMA_FLAG_LEFT_HAND | (normalSkipped ? GMA_FLAG_NORMAL_SKIPPED : 0));
    w.Zeros(50);
    w.F32(0.0f);
    w.U16(2); // vertices
    w.U16(0); // materials
    std::vector<BYTE> v;
    kestu::ByteWriter vw(v);
    for (int i = 0; i < 2; ++i) {
        const float k = float(i + 1);
        for (float f : {k, -k, 0.5f * k}) w.F32(f), vw.F32(f);
        if (!normalSkipped)
            for (float f : {0.0f, 0.0f, -1.0f}) w.F32(f);
        for (float f : {0.0f, normalSkipped ? 1.0f : 0.0f, normalSkipped ? 0.0f : -1.0f}) vw.F32(f);
        w.U32(0xFF102030u + DWORD(i));
        vw.U32(0xFF102030u + DWORD(i));
        for (float f : {0.25f * k, 0.75f}) w.F32(f), vw.F32(f);
    }
    *vertexBytes = v;
    return b;
}

TEST_F(GmaContainer, FrameWritesItsVerticesAsWholeRecords)
{
    for (bool normalSkipped : {false, true}) {
        std::vector<BYTE> expected;
        const std::vector<BYTE> bytes = HandFile(normalSkipped, &expected);
        CGmaFile file;
        ASSERT_EQ(file.Read(bytes.data(), bytes.size()), S_OK);
        CAniMeshContainer c;
        ASSERT_EQ(c.Build(file, device, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE), S_OK);
        FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(c.GetMeshFrame(0)->SaveToDiskFile(out), S_OK);
        std::vector<BYTE> written(2 * 36 + 1);
        std::rewind(out);
        written.resize(std::fread(written.data(), 1, written.size(), out));
        std::fclose(out);
        EXPECT_EQ(written, expected) << (normalSkipped ? "normals skipped" : "with normals");
    }
    CMeshFrame unbuilt;
    FILE* out = std::tmpfile();
    EXPECT_EQ(unbuilt.SaveToDiskFile(out), S_FALSE);
    EXPECT_EQ(std::ftell(out), 0);
    std::fclose(out);
    EXPECT_EQ(unbuilt.SaveToDiskFile(nullptr), E_FAIL);
}
