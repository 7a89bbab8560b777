// The attribute-map and LOD converters on small generated meshes.
#include <gtest/gtest.h>

#include <algorithm>

#include "gma_fixtures.h"
#include "kestu_gmaconvert.h"

using namespace gmatest;

namespace {

// One frame, one material, left-handed, with the given vertices and faces.
CGmaFile Single(const std::vector<SGMAVertex>& vertices, const std::vector<SMeshFaceInit>& faces)
{
    CGmaFile f;
    f.header.wMinorVersion = 4;
    f.header.fDuration = 1.0f;
    f.header.SetLeftHandCoordSystem(TRUE);
    SGmaFrame fr;
    fr.vertices = vertices;
    fr.materials = {Material("a.png", 1, faces)};
    fr.wNumMaterials = 1;
    f.frames.push_back(fr);
    return f;
}

std::vector<SGMAVertex> TetraVertices()
{
    // Unequal edges so that the collapse costs differ.
    return {Vertex(0, 0, 0, 0, 0), Vertex(2, 0, 0, 1, 0), Vertex(0, 1, 0, 0, 1), Vertex(0, 0, 3, 1, 1)};
}

// Outward winding of the tetrahedron's four faces; each vertex normal points away from the centre.
std::vector<SMeshFaceInit> TetraFaces() { return {{{0, 2, 1}}, {{0, 1, 3}}, {{0, 3, 2}}, {{1, 2, 3}}}; }

CGmaFile Tetra()
{
    std::vector<SGMAVertex> v = TetraVertices();
    const D3DXVECTOR3 centre(0.5f, 0.25f, 0.75f);
    for (SGMAVertex& w : v) {
        D3DXVECTOR3 d = w.p - centre;
        D3DXVec3Normalize(&w.n, &d);
    }
    return Single(v, TetraFaces());
}

} // namespace

class GmaConvert : public TempDir {};

TEST_F(GmaConvert, AttributeMapDuplicatesSharedVertices)
{
    // Two materials share the vertices 1 and 2 of a quad.
    std::vector<SGMAVertex> v = {Vertex(0, 0, 0, 0, 0), Vertex(1, 0, 0, 1, 0), Vertex(0, 1, 0, 0, 1),
                                 Vertex(1, 1, 0, 1, 1), Vertex(5, 5, 5, 0, 0)};
    CGmaFile f = Single(v, {{{0, 2, 1}}});
    f.frames[0].materials.push_back(Material("b.png", 2, {{{1, 2, 3}}}));
    f.frames[0].wNumMaterials = 2;
    const std::string src = Save("src.gma", f), dst = Path("dst.gma");
    CGMAAtrributeMapConverter c;
    ASSERT_TRUE(c.Build(src.c_str(), dst.c_str()));
    EXPECT_EQ(c.GetNumNewVertices(0), 6u); // 1 and 2 twice, the unused vertex gone
    ASSERT_EQ(c.SaveConvertedFile(), 1);
    CGmaFile r;
    ASSERT_EQ(r.Load(dst.c_str()), S_OK);
    ASSERT_EQ(r.frames[0].vertices.size(), 6u);
    const auto& m0 = r.frames[0].materials[0].faces[0].wIndex;
    const auto& m1 = r.frames[0].materials[1].faces[0].wIndex;
    EXPECT_EQ(std::vector<WORD>(m0, m0 + 3), (std::vector<WORD>{0, 1, 2}));
    EXPECT_EQ(std::vector<WORD>(m1, m1 + 3), (std::vector<WORD>{3, 4, 5}));
    // First-use order: material 0 uses 0, 2, 1; material 1 uses 1, 2, 3.
    const int from[6] = {0, 2, 1, 1, 2, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.frames[0].vertices[i].p, v[from[i]].p) << i;
}

TEST_F(GmaConvert, AttributeMapKeepsUnsharedMeshesAndRebuildsEveryFrame)
{
    Grid g;
    g.frames = 3;
    CGmaFile f = g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_MATERIALS | GMA_FLAG_FRAME_BOUNDBOX);
    const std::string src = Save("src.gma", f), dst = Path("dst.gma");
    CGMAAtrributeMapConverter c;
    ASSERT_TRUE(c.Build(src.c_str(), dst.c_str()));
    ASSERT_EQ(c.SaveConvertedFile(), 1);
    CGmaFile r;
    ASSERT_EQ(r.Load(dst.c_str()), S_OK);
    EXPECT_EQ(r.frames[2].vertices.size(), size_t(g.Vertices()));
    EXPECT_EQ(r.boundBoxes.size(), 3u);
    // Every face still draws the same corners in every frame.
    for (size_t k = 0; k < 2; ++k)
        for (size_t n = 0; n < f.sharedMaterials[k].faces.size(); ++n)
            for (int c3 = 0; c3 < 3; ++c3)
                for (int fr : {0, 2})
                    EXPECT_EQ(r.frames[fr].vertices[r.sharedMaterials[k].faces[n].wIndex[c3]].p,
                              f.frames[fr].vertices[f.sharedMaterials[k].faces[n].wIndex[c3]].p);
}

TEST_F(GmaConvert, AttributeMapRefusesWhatItCannotConvert)
{
    Grid g;
    CGMAAtrributeMapConverter c;
    struct Case {
        DWORD flags;
    } cases[] = {{GMA_FLAG_LEFT_HAND | GMA_FLAG_NORMAL_SKIPPED}, {0}, {GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_TEXCOORD}};
    for (const Case& k : cases) {
        const std::string src = Save("src.gma", g.File(1, 4, k.flags)), dst = Path("dst.gma");
        EXPECT_FALSE(c.Build(src.c_str(), dst.c_str())) << k.flags;
        EXPECT_FALSE(std::filesystem::exists(dst));
    }
    EXPECT_FALSE(c.Build(Path("missing.gma").c_str(), Path("dst.gma").c_str()));
    CGmaFile bad = g.File();
    bad.frames[1].materials[0].faces[0].wIndex[0] = 999; // beyond the frame's vertices
    EXPECT_FALSE(c.Build(Save("bad.gma", bad).c_str(), Path("dst.gma").c_str()));
}

TEST_F(GmaConvert, LodOfAFlatSquareCollapsesNothing)
{
    CGmaFile f = Single({Vertex(0, 0, 0, 0, 0), Vertex(1, 0, 0, 1, 0), Vertex(0, 1, 0, 0, 1), Vertex(1, 1, 0, 1, 1)},
                        {{{0, 2, 1}}, {{1, 2, 3}}});
    const std::string src = Save("sq.gma", f), dst = Path("sq_lod.gma");
    CGmaFile r;
    ASSERT_TRUE(ConvertLod(src, dst, r));
    ASSERT_EQ(r.lod.size(), 1u);
    EXPECT_EQ(r.lod[0].aCollapsible, std::vector<WORD>{0});
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_EQ(r.lod[0].aVertices[i].dwOrder, i);
        EXPECT_EQ(r.lod[0].aVertices[i].dwCollapseTarget, GMA_NO_TARGET);
        EXPECT_EQ(r.frames[0].vertices[i].p, f.frames[0].vertices[i].p);
    }
    EXPECT_EQ(std::memcmp(r.header.byReserved, "LodAdd", 6), 0);
    // Everything else of the source's header stays.
    EXPECT_EQ(DWORD{r.header.dwFlags}, DWORD{f.header.dwFlags});
    EXPECT_EQ(r.header.fDuration, f.header.fDuration);
}

// The first vertex to collapse ends last in the range, its two faces last in
// the index list, and the full-detail faces are the source's faces.
TEST_F(GmaConvert, LodOfATetrahedron)
{
    const CGmaFile f = Tetra();
    const std::string src = Save("t.gma", f), dst = Path("t_lod.gma");
    CGmaFile r;
    ASSERT_TRUE(ConvertLod(src, dst, r));
    const SMeshFrameLodInfo& lod = r.lod[0];
    // A closed tetrahedron collapses until one vertex is left without neighbours.
    EXPECT_EQ(lod.aCollapsible, std::vector<WORD>{3});
    EXPECT_EQ(lod.aVertices[3].dwNumFacesRemoved, 2u);
    EXPECT_EQ(lod.aVertices[2].dwNumFacesRemoved, 2u);
    EXPECT_EQ(lod.aVertices[1].dwNumFacesRemoved, 0u);
    EXPECT_EQ(lod.aVertices[0].dwCollapseTarget, GMA_NO_TARGET);
    for (DWORD i = 1; i < 4; ++i)
        EXPECT_LT(lod.aVertices[i].dwCollapseTarget, i); // into a vertex that goes later or stays
    // The vertices are the source's, moved; each face, mapped back, is a source face.
    const std::vector<SGMAVertex>& out = r.frames[0].vertices;
    std::vector<std::vector<D3DXVECTOR3>> want, got;
    for (const SMeshFaceInit& face : f.frames[0].materials[0].faces)
        want.push_back({f.frames[0].vertices[face.wIndex[0]].p, f.frames[0].vertices[face.wIndex[1]].p,
                        f.frames[0].vertices[face.wIndex[2]].p});
    for (const SMeshFaceInit& face : r.frames[0].materials[0].faces)
        got.push_back({out[face.wIndex[0]].p, out[face.wIndex[1]].p, out[face.wIndex[2]].p});
    for (const auto& face : got) EXPECT_NE(std::find(want.begin(), want.end(), face), want.end());
    // The last vertex's two removed faces are the last two and contain it.
    for (size_t n = 2; n < 4; ++n) {
        const WORD* idx = r.frames[0].materials[0].faces[n].wIndex;
        EXPECT_TRUE(idx[0] == 3 || idx[1] == 3 || idx[2] == 3) << n;
    }
    // Collapsing v into u costs area(face opposite u) x height(u)^2 / (weight v + weight u)
    // = 3 x volume x height(u) / (weights): lowest for (0, 0, 3) into (0, 0, 0), 3 x 0.857 / 13.5.
    EXPECT_EQ(out[3].p, D3DXVECTOR3(0, 0, 3));
    EXPECT_EQ(out[lod.aVertices[3].dwCollapseTarget].p, D3DXVECTOR3(0, 0, 0));
}

TEST_F(GmaConvert, LodConverterRefusals)
{
    CGMALodConverter c;
    Grid g;
    EXPECT_EQ(c.Build(Save("n.gma", g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_NORMAL_SKIPPED)).c_str(), nullptr),
              GMALOD_NORMAL_SKIPPED);
    EXPECT_EQ(c.Build(Save("r.gma", g.File(1, 4, 0)).c_str(), nullptr), GMALOD_NOT_LEFT_HANDED);
    EXPECT_EQ(c.Build(Save("s.gma", g.File(1, 4, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_TEXCOORD)).c_str(), nullptr),
              GMALOD_SHARED_TEXCOORD);
    EXPECT_EQ(c.Build(Path("missing.gma").c_str(), nullptr), GMALOD_CANNOT_READ);
    // Overlapping material ranges cannot be ordered per material.
    CGmaFile overlap = Tetra();
    overlap.frames[0].materials.push_back(Material("b.png", 2, {{{1, 2, 3}}}));
    overlap.frames[0].wNumMaterials = 2;
    ASSERT_EQ(c.Build(Save("o.gma", overlap).c_str(), Path("o_lod.gma").c_str()), GMALOD_OK);
    EXPECT_EQ(c.LodConvert(), 0);
    EXPECT_EQ(c.SaveConvertedFile(), 0);
    CGmaFile none = Tetra();
    none.frames.clear();
    ASSERT_EQ(c.Build(Save("e.gma", none).c_str(), nullptr), GMALOD_OK);
    EXPECT_EQ(c.LodConvert(), 0);
}

// An old 1.3 source reads with its 206-byte blocks; shared materials convert
// once and every frame moves its vertices the same way.
TEST_F(GmaConvert, LodOfAnOldSharedMaterialGrid)
{
    Grid g;
    g.cols = 6;
    g.rows = 4;
    g.frames = 2;
    const CGmaFile f = g.File(1, 3, GMA_FLAG_LEFT_HAND | GMA_FLAG_SHARE_MATERIALS);
    const std::string src = Save("g.gma", f), dst = Path("g_lod.gma");
    CGmaFile r;
    ASSERT_TRUE(ConvertLod(src, dst, r));
    EXPECT_EQ(r.header.wMinorVersion, 3);
    ASSERT_EQ(r.lod.size(), 1u);
    ASSERT_EQ(r.lod[0].aCollapsible.size(), 2u);
    // A flat open grid keeps its border; the inner vertices may go.
    EXPECT_GT(r.lod[0].aCollapsible[0], 0);
    EXPECT_LE(r.lod[0].aCollapsible[0], (g.HalfCols() - 1) * (g.rows - 1));
    // Frame 1 moved its vertices as frame 0 did.
    for (size_t i = 0; i < r.frames[0].vertices.size(); ++i) {
        const D3DXVECTOR3& p0 = r.frames[0].vertices[i].p;
        const D3DXVECTOR3& p1 = r.frames[1].vertices[i].p;
        EXPECT_EQ(p0.x, p1.x);
        EXPECT_EQ(p0.y, p1.y);
    }
    // Converting again replaces the records instead of adding more.
    ASSERT_TRUE(ConvertLod(dst, dst, r));
    EXPECT_EQ(r.lod.size(), 1u);
    EXPECT_TRUE(r.trailing.empty());
}
