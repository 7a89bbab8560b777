// The GMA file: every version's layout, the trailing sections, round trips and refused input.
#include <cstring>

#include <gtest/gtest.h>

#include "gma_fixtures.h"
#include "kestu_bytes.h"
#include "kestu_gmafile.h"

using namespace gmatest;

TEST(GmaHeader, DefaultsFlagsAndFormats)
{
    SMeshAniHeader h;
    EXPECT_EQ(h.wMajorVersion, 1);
    EXPECT_EQ(h.wMinorVersion, 2);
    EXPECT_EQ(h.wEnvMapAttribID, 0xFFFF);
    EXPECT_EQ(h.wIndicatedColorAttribID, 0xFFFF);
    EXPECT_EQ(h.wExchangeAttribID, 0xFFFF);
    EXPECT_EQ(DWORD{h.dwFlags}, 0u);
    EXPECT_EQ(h.GetFVF(), 0x152u);
    EXPECT_EQ(h.GetVertexStride(), 36u);
    h.SetNormalSkipped(TRUE);
    EXPECT_EQ(h.GetFVF(), 0x142u);
    EXPECT_EQ(h.GetVertexStride(), 24u);
    h.SetFrameShareTexCoord(TRUE);
    EXPECT_EQ(h.GetFVF(), 0x42u);
    EXPECT_EQ(h.GetVertexStride(), 16u);
    h.SetNormalSkipped(FALSE);
    EXPECT_EQ(h.GetFVF(), 0x52u);
    EXPECT_EQ(h.GetVertexStride(), 28u);
    EXPECT_EQ(DWORD{h.dwFlags}, DWORD(GMA_FLAG_SHARE_TEXCOORD));
    h.SetShareContainer(TRUE);
    h.SetLeftHandCoordSystem(TRUE);
    h.SetFrameBoundBox(TRUE);
    h.SetFrameShareMaterials(TRUE);
    EXPECT_EQ(DWORD{h.dwFlags}, 0x37u);
}

TEST(GmaHeader, AutoFixMakesAttributeIdsDistinct)
{
    struct Case {
        WORD in[3], out[3];
    } cases[] = {
        {{3, 3, 3}, {3, 4, 5}},
        {{0xFFFF, 2, 2}, {0xFFFF, 2, 3}},
        {{1, 2, 1}, {1, 2, 3}}, // the exchange id moves off the map id, then off the colour id
        {{0xFFFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0xFFFF, 0xFFFF}},
    };
    for (const Case& c : cases) {
        SMeshAniHeader h;
        h.wEnvMapAttribID = c.in[0];
        h.wIndicatedColorAttribID = c.in[1];
        h.wExchangeAttribID = c.in[2];
        h.AutoFixSpecialAttribID();
        EXPECT_EQ(h.wEnvMapAttribID, c.out[0]);
        EXPECT_EQ(h.wIndicatedColorAttribID, c.out[1]);
        EXPECT_EQ(h.wExchangeAttribID, c.out[2]);
    }
}

TEST(GmaHeader, VersionChecks)
{
    SMeshAniHeader h;
    const WORD accepted[][2] = {{0, 0}, {0, 9}, {1, 0}, {1, 3}, {1, 4}};
    for (const auto& v : accepted) {
        h.wMajorVersion = v[0];
        h.wMinorVersion = v[1];
        EXPECT_TRUE(h.IsValid(1, 4)) << v[0] << "." << v[1];
        EXPECT_TRUE(h.IsKnownVersion());
    }
    const WORD refused[][2] = {{1, 5}, {2, 0}};
    for (const auto& v : refused) {
        h.wMajorVersion = v[0];
        h.wMinorVersion = v[1];
        EXPECT_FALSE(h.IsValid(1, 4)) << v[0] << "." << v[1];
        EXPECT_FALSE(h.IsKnownVersion());
    }
    h.wMajorVersion = 1;
    h.wMinorVersion = 3;
    EXPECT_TRUE(h.IsOldMaterialLayout());
    h.wMajorVersion = 0;
    EXPECT_FALSE(h.IsOldMaterialLayout());
}

TEST(GmaFrame, EmptyFrames)
{
    SMeshAniFrame f;
    f.fPos = -1.0f;
    EXPECT_TRUE(f.IsEmpty());
    f.fPos = 0.0f;
    EXPECT_FALSE(f.IsEmpty());
    EXPECT_EQ(SMeshAniFrame::GetFrameSize(), 8u);
}

// Two frames with their own materials walk with 206-byte heads in 1.3 and
// 210-byte heads with texture ids in 1.4.
TEST(GmaFile, MaterialHeadsFollowTheVersion)
{
    Grid g;
    const size_t faces = g.FacesPerHalf();
    for (WORD minor : {3, 4}) {
        const std::vector<BYTE> bytes = Bytes(g.File(1, minor));
        const size_t head = minor == 3 ? 206 : 210;
        const size_t frame = 8 + g.Vertices() * 36 + 2 * (head + 6 * faces);
        ASSERT_EQ(bytes.size(), 76 + 2 * frame) << "1." << minor;
        CGmaFile f;
        ASSERT_EQ(f.Read(bytes.data(), bytes.size()), S_OK);
        ASSERT_EQ(f.frames.size(), 2u);
        EXPECT_EQ(f.GetLayout().frames[1], 76 + frame);
        const SGmaMaterial& m = f.frames[1].materials[1];
        EXPECT_STREQ(m.head.szTexture, "right.png");
        EXPECT_EQ(DWORD{m.head.dwTextureID}, minor == 3 ? GMA_NO_TEXTURE : 12u);
        EXPECT_EQ(m.faces.size(), faces);
        // The second block's face count sits right after the first block.
        const size_t firstBlock = 76 + 8 + g.Vertices() * 36;
        EXPECT_EQ(U16At(bytes, firstBlock + 204), faces);
        EXPECT_EQ(U16At(bytes, firstBlock + head + 6 * faces + 204), faces);
        EXPECT_EQ(f.frames[1].vertices[3].u, g.FrameVertices(1)[3].u);
    }
}

// Shared materials after the last frame's vertices, then the coordinates,
// the boxes and the LOD records, each where the sizes of the ones before say.
TEST(GmaFile, TrailingSectionsInLayoutOrder)
{
    Grid g;
    g.frames = 3;
    CGmaFile f =
        g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_MATERIALS | GMA_FLAG_SHARE_TEXCOORD | GMA_FLAG_FRAME_BOUNDBOX);
    for (size_t i = 0; i < 1; ++i) {
        SMeshFrameLodInfo rec;
        rec.aVertices.assign(g.Vertices(), SGMAVertexLodInfo{0, GMA_NO_TARGET, 0});
        rec.aVertices[5] = {5, 2, 1};
        rec.aCollapsible = {3, 0};
        f.lod.push_back(rec);
    }
    const std::vector<BYTE> bytes = Bytes(f);
    const size_t frame = 8 + g.Vertices() * 28;
    const size_t blocks = 2 * (210 + 6 * g.FacesPerHalf());
    const size_t coords = g.Vertices() * 8;
    CGmaFile r;
    ASSERT_EQ(r.Read(bytes.data(), bytes.size()), S_OK);
    const SGmaLayout& l = r.GetLayout();
    EXPECT_EQ(l.sharedMaterials, 76 + 3 * frame);
    EXPECT_EQ(l.sharedCoords, l.sharedMaterials + blocks);
    EXPECT_EQ(l.boundBoxes, l.sharedCoords + coords);
    EXPECT_EQ(l.lod, l.boundBoxes + 3 * 24);
    EXPECT_EQ(bytes.size(), l.lod + 4 + 12 * g.Vertices() + 2 * 2);
    EXPECT_EQ(l.trailing, 0u);
    ASSERT_EQ(r.lod.size(), 1u);
    EXPECT_EQ(r.lod[0].aVertices[5].dwCollapseTarget, 2u);
    EXPECT_EQ(r.lod[0].aCollapsible[0], 3);
    EXPECT_EQ(r.sharedCoords[4].u, f.sharedCoords[4].u);
    EXPECT_FLOAT_EQ(r.boundBoxes[2].max.x, g.width / 2);
    EXPECT_EQ(r.frames[2].vertices[0].u, 0.0f); // the frames keep no coordinates
}

TEST(GmaFile, EveryVersionAndFlagCombinationRoundTrips)
{
    Grid g;
    const WORD versions[][2] = {{1, 0}, {1, 2}, {1, 3}, {1, 4}, {0, 0}, {0, 7}};
    for (const auto& v : versions)
        for (DWORD flags = 0; flags < 64; ++flags) {
            CGmaFile f = g.File(v[0], v[1], flags);
            const std::vector<BYTE> bytes = Bytes(f);
            CGmaFile r;
            ASSERT_EQ(r.Read(bytes.data(), bytes.size()), S_OK) << v[0] << "." << v[1] << " flags " << flags;
            std::vector<BYTE> again;
            ASSERT_EQ(r.Write(again), S_OK);
            EXPECT_EQ(again, bytes) << v[0] << "." << v[1] << " flags " << flags;
            const std::vector<SGMAVertex> want = g.FrameVertices(1);
            const SGMAVertex& got = r.frames[1].vertices[7];
            EXPECT_EQ(got.p.z, want[7].p.z);
            EXPECT_EQ(got.diffuse, want[7].diffuse);
            if (flags & GMA_FLAG_NORMAL_SKIPPED)
                EXPECT_EQ(got.n.y, 1.0f); // a vertex without normal points up
            else
                EXPECT_EQ(got.n.z, -1.0f);
        }
}

TEST(GmaFile, RefusesShortMalformedAndUnknownFiles)
{
    Grid g;
    const std::vector<BYTE> good = Bytes(g.File());
    CGmaFile f;
    for (size_t cut : {size_t(0), size_t(75), size_t(80), good.size() / 2, good.size() - 1}) {
        EXPECT_EQ(f.Read(good.data(), cut), E_FAIL) << cut;
        EXPECT_TRUE(f.frames.empty());
    }
    EXPECT_EQ(f.Read(nullptr, 100), E_FAIL);
    for (WORD major : {1, 2}) {
        std::vector<BYTE> newer = good;
        newer[0] = BYTE(major);
        newer[2] = major == 1 ? 5 : 0;
        EXPECT_EQ(f.Read(newer.data(), newer.size()), E_FAIL);
    }
    // A frame count that the bytes cannot hold.
    std::vector<BYTE> lying = good;
    lying[8] = 0xFF;
    lying[9] = 0xFF;
    lying[10] = 0xFF;
    EXPECT_EQ(f.Read(lying.data(), lying.size()), E_FAIL);
    // A material's face count beyond the end.
    lying = good;
    lying[76 + 8 + g.Vertices() * 36 + 204] = 0xFF;
    lying[76 + 8 + g.Vertices() * 36 + 205] = 0xFF;
    EXPECT_EQ(f.Read(lying.data(), lying.size()), E_FAIL);
    EXPECT_EQ(f.Read(good.data(), good.size()), S_OK);
}

// Bytes after the sections are LOD records only when they parse as such;
// anything else is kept as it is and written back.
TEST(GmaFile, LodOnlyWhenPresent)
{
    Grid g;
    CGmaFile f = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_MATERIALS);
    f.trailing = {1, 2, 3};
    std::vector<BYTE> bytes = Bytes(f);
    CGmaFile r;
    ASSERT_EQ(r.Read(bytes.data(), bytes.size()), S_OK);
    EXPECT_TRUE(r.lod.empty());
    EXPECT_EQ(r.trailing, f.trailing);
    EXPECT_EQ(r.GetLayout().lod, 0u);
    // Right-handed files carry no LOD records: the same bytes stay trailing.
    f.trailing = {0, 0, 0, 0};
    f.header.SetLeftHandCoordSystem(FALSE);
    bytes = Bytes(f);
    ASSERT_EQ(r.Read(bytes.data(), bytes.size()), S_OK);
    EXPECT_TRUE(r.lod.empty());
    f.header.SetLeftHandCoordSystem(TRUE);
    bytes = Bytes(f);
    ASSERT_EQ(r.Read(bytes.data(), bytes.size()), S_OK);
    EXPECT_EQ(r.lod.size(), 1u); // an empty record: no vertices, no materials
    EXPECT_TRUE(r.trailing.empty());
}

TEST(GmaFile, WriterRefusesRecordsTheHeaderDoesNotDescribe)
{
    Grid g;
    std::vector<BYTE> out;
    CGmaFile f = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_FRAME_BOUNDBOX);
    f.boundBoxes.pop_back();
    EXPECT_EQ(f.Write(out), E_FAIL);
    f = g.File(1, 4, GMA_FLAG_SHARE_TEXCOORD);
    f.sharedCoords.pop_back();
    EXPECT_EQ(f.Write(out), E_FAIL);
    f = g.File();
    f.header.SetNormalSkipped(TRUE);
    f.lod.resize(f.frames.size());
    EXPECT_EQ(f.Write(out), E_FAIL); // LOD records need normals
    f = g.File();
    f.header.wMajorVersion = 2;
    EXPECT_EQ(f.Write(out), E_FAIL);
    f = g.File();
    f.frames[0].vertices.resize(70000);
    EXPECT_EQ(f.Write(out), E_FAIL);
    f = g.File();
    f.header.dwNumFrames = 99; // the writer counts the frames it writes
    ASSERT_EQ(f.Write(out), S_OK);
    EXPECT_EQ(U32At(out, 8), 2u);
}

TEST(GmaRecords, MaterialAndVertexAssignments)
{
    SMaterialInitHeader old;
    EXPECT_EQ(old.dwAddressU, 1u);
    EXPECT_EQ(old.GetOldSize(), 206u);
    old.wNumFaces = 3;
    std::strcpy(old.szTexture, "a.tga");
    EXPECT_EQ(old.GetOldSize(), 224u);
    SMaterialInitHeaderEx ex;
    EXPECT_EQ(DWORD{ex.dwTextureID}, GMA_NO_TEXTURE);
    ex.dwTextureID = 9;
    ex = old;
    EXPECT_EQ(DWORD{ex.dwTextureID}, 9u); // kept
    EXPECT_EQ(ex.wNumFaces, 3);
    EXPECT_STREQ(ex.szTexture, "a.tga");
    EXPECT_EQ(ex.GetSize(), 228u);

    SGMANormalSkippedVertex narrow;
    narrow.p = D3DXVECTOR3(1, 2, 3);
    narrow.u = 0.5f;
    SGMAVertex wide;
    wide = narrow;
    EXPECT_EQ(wide.n, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(wide.u, 0.5f);
    SGMANormalCoordSkipedVertex least;
    least = wide;
    EXPECT_EQ(least.p, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(sizeof(SGMALodVertex), 48u);
}

// The records a client takes in place from a file's bytes: a header and
// both material heads laid out by hand, field by field.
TEST(GmaRecords, LaidOutAsStored)
{
    std::vector<BYTE> h;
    kestu::ByteWriter w(h);
    w.U16(1);
    w.U16(4);
    w.F32(2.5f);
    w.U32(3);          // frames
    w.U32(0x01020304); // mesh id
    w.U16(0);
    w.U16(1);
    w.U16(2);
    w.U32(GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_TEXCOORD);
    w.Bytes("LodAdd", 6);
    w.Zeros(42 + 2);
    ASSERT_EQ(h.size(), 76u);
    SMeshAniHeader inPlace;
    std::memcpy(&inPlace, h.data(), sizeof inPlace);
    EXPECT_EQ(inPlace.fDuration, 2.5f);
    EXPECT_EQ(inPlace.dwMeshID, 0x01020304u);
    EXPECT_EQ(inPlace.wExchangeAttribID, 2);
    EXPECT_TRUE(inPlace.IsLeftHandCoordSystem() && inPlace.IsFrameShareTexCoord());
    EXPECT_EQ(std::memcmp(inPlace.byReserved, "LodAdd", 6), 0);
    SMeshAniHeader read;
    ASSERT_TRUE(read.Read(h.data(), h.size()));
    EXPECT_EQ(std::memcmp(&read, &inPlace, sizeof read), 0) << "the reader and the record agree";
    std::vector<BYTE> written;
    read.Write(written);
    EXPECT_EQ(written, h);

    std::vector<BYTE> m;
    kestu::ByteWriter mw(m);
    mw.FixedString("skin.png", GMA_TEXNAME_SIZE);
    for (int i = 0; i < 17; ++i) mw.F32(float(i) / 4);
    mw.U32(3); // clamp
    mw.U32(1);
    mw.U16(7);  // faces
    mw.U32(42); // texture id
    ASSERT_EQ(m.size(), 210u);
    SMaterialInitHeaderEx ex;
    std::memcpy(&ex, m.data(), sizeof ex);
    EXPECT_STREQ(ex.szTexture, "skin.png");
    EXPECT_EQ(ex.Material.Power, 4.0f);
    EXPECT_EQ(ex.dwAddressU, 3u);
    EXPECT_EQ(ex.wNumFaces, 7);
    EXPECT_EQ(DWORD{ex.dwTextureID}, 42u);
    EXPECT_EQ(ex.GetSize(), 210u + 42);
    SMaterialInitHeader old;
    std::memcpy(&old, m.data(), sizeof old);
    EXPECT_EQ(old.wNumFaces, 7);
    EXPECT_EQ(old.GetOldSize(), 206u + 42);
    SMaterialInitHeaderEx fromOld;
    fromOld = old;
    EXPECT_EQ(DWORD{fromOld.dwTextureID}, GMA_NO_TEXTURE);
    EXPECT_EQ(std::memcmp(&fromOld, m.data(), 206), 0);
}
