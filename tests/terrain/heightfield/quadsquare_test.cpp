// The heightfield tree: sampling, merging height maps, static thinning, the
// height lookup, and refinement by view error with consistent counts and a
// crack-free surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <utility>

#include "heightfield_mesh.h"

// The records are byte-packed: a vertex is its height and value, corner data
// and nodes hold no padding.
static_assert(sizeof(SQSVertex) == 6);
static_assert(offsetof(SQuadCornerData, byChildIndex) == 2 * sizeof(void*));
static_assert(offsetof(SQuadCornerData, nXOrg) == 2 * sizeof(void*) + 2);
static_assert(offsetof(SQuadCornerData, Verts) == 2 * sizeof(void*) + 10);
static_assert(sizeof(SQuadCornerData) == 2 * sizeof(void*) + 10 + 4 * 6);
// Behind the table of the virtual destructor: children, vertices, errors,
// height range, flags and one byte of counts and bits.
static_assert(sizeof(CQuadSquare) == 5 * sizeof(void*) + 5 * 6 + 6 * 2 + 2 * 2 + 1 + 1);

namespace {

using heightfield::Field;
using heightfield::Point;

// Bumps of several sizes, deterministic.
void Bumpy(Field& f, unsigned seed)
{
    std::srand(seed);
    for (int32_t z = 0; z < f.samples; ++z)
        for (int32_t x = 0; x < f.samples; ++x)
            f.At(x, z) = WORD(1000 + 300 * std::sin(x * 0.11) * std::cos(z * 0.07) + 40 * std::sin(x * 0.9 + z * 0.4) +
                              (std::rand() % 9));
}

// fn(node, its corner data) for the node and everything below it.
template <class Fn>
void ForEachNode(const CQuadSquare& s, const SQuadCornerData& cd, Fn&& fn)
{
    fn(s, cd);
    for (int i = 0; i < 4; ++i)
        if (s.GetChild(i)) {
            SQuadCornerData q;
            s.SetupCornerData(&q, cd, static_cast<unsigned char>(i));
            ForEachNode(*s.GetChild(i), q, fn);
        }
}

// Every node's counts against the enabled children that touch its east and
// south vertices (its own and its neighbour's).
void CheckCounts(const CQuadSquare& tree, const SQuadCornerData& root, int& checked)
{
    ForEachNode(tree, root, [&](const CQuadSquare& s, const SQuadCornerData& cd) {
        int east = s.IsFlag(CQuadSquare::ChildFlag(0)) + s.IsFlag(CQuadSquare::ChildFlag(3));
        int south = s.IsFlag(CQuadSquare::ChildFlag(2)) + s.IsFlag(CQuadSquare::ChildFlag(3));
        if (const CQuadSquare* n = s.GetNeighbor(0, cd))
            east += n->IsFlag(CQuadSquare::ChildFlag(1)) + n->IsFlag(CQuadSquare::ChildFlag(2));
        if (const CQuadSquare* n = s.GetNeighbor(3, cd))
            south += n->IsFlag(CQuadSquare::ChildFlag(0)) + n->IsFlag(CQuadSquare::ChildFlag(1));
        EXPECT_EQ(s.GetEastCount(), east)
            << "node at " << int(cd.nXOrg) << "," << int(cd.nZOrg) << " level " << int(cd.byLevel);
        EXPECT_EQ(s.GetSouthCount(), south)
            << "node at " << int(cd.nXOrg) << "," << int(cd.nZOrg) << " level " << int(cd.byLevel);
        // An enabled child needs both of its edge vertices.
        for (int i = 0; i < 4; ++i)
            if (s.IsFlag(CQuadSquare::ChildFlag(i))) {
                EXPECT_TRUE(s.IsFlag(BYTE(1 << i)));
                EXPECT_TRUE(s.IsFlag(BYTE(1 << ((i + 1) & 3))));
            }
        ++checked;
    });
}

// Neighbours share the heights of the edge vertices between them; returns
// how many edges were compared.
int CheckSharedEdges(const CQuadSquare& tree, const SQuadCornerData& root)
{
    int shared = 0;
    ForEachNode(tree, root, [&](const CQuadSquare& s, const SQuadCornerData& cd) {
        if (const CQuadSquare* n = s.GetNeighbor(0, cd)) {
            EXPECT_EQ(s.GetVertex(1).wHeight, n->GetVertex(3).wHeight) << "east of " << cd.nXOrg << "," << cd.nZOrg;
            ++shared;
        }
        if (const CQuadSquare* n = s.GetNeighbor(3, cd)) {
            EXPECT_EQ(s.GetVertex(4).wHeight, n->GetVertex(2).wHeight) << "south of " << cd.nXOrg << "," << cd.nZOrg;
            ++shared;
        }
    });
    return shared;
}

struct Mesh {
    std::map<std::pair<int64_t, int64_t>, int> edges;
    double area = 0.0;
    int triangles = 0;

    static int64_t Key(const Point& p) { return (int64_t(p.x) << 32) | uint32_t(p.z); }
    void operator()(const Point& a, const Point& b, const Point& c)
    {
        ++triangles;
        area += std::fabs(double(b.x - a.x) * (c.z - a.z) - double(c.x - a.x) * (b.z - a.z)) * 0.5;
        for (auto [p, q] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}}) {
            const int64_t kp = Key(p), kq = Key(q);
            ++edges[kp < kq ? std::pair{kp, kq} : std::pair{kq, kp}];
        }
    }
};

// The surface covers the root once and every inner edge has a triangle on
// both sides: no crack, no T-junction, no overlap.
void CheckWatertight(const Field& f)
{
    Mesh mesh;
    f.Triangles(mesh);
    const int32_t size = f.samples - 1;
    EXPECT_DOUBLE_EQ(mesh.area, double(size) * size);
    int bad = 0;
    for (const auto& [edge, uses] : mesh.edges) {
        const int32_t ax = int32_t(edge.first >> 32), az = int32_t(uint32_t(edge.first));
        const int32_t bx = int32_t(edge.second >> 32), bz = int32_t(uint32_t(edge.second));
        const bool border = (ax == bx && (ax == 0 || ax == size)) || (az == bz && (az == 0 || az == size));
        if (uses != (border ? 1 : 2)) ++bad;
    }
    EXPECT_EQ(bad, 0) << "of " << mesh.edges.size() << " edges";
}

} // namespace

TEST(HeightfieldSample, BilinearInsideZeroOutside)
{
    const WORD data[3 * 4] = {10, 20, 30, 99, //
                              50, 60, 70, 99, //
                              90, 95, 99, 99};
    SQSHeightMapInfo hm;
    hm.pData = data;
    hm.nXOrigin = 8;
    hm.nZOrigin = -4;
    hm.nXSize = 3;
    hm.nZSize = 3;
    hm.nRowWidth = 4;
    hm.nScale = 1; // samples 2 apart
    EXPECT_EQ(hm.Sample(8, -4), 10.0f);
    EXPECT_EQ(hm.Sample(9, -4), 15.0f);
    EXPECT_EQ(hm.Sample(9, -3), (15.0f + 55.0f) * 0.5f);
    EXPECT_EQ(hm.Sample(11, -1), (60.0f + 70.0f + 95.0f + 99.0f) * 0.25f);
    // The last row and column, and everything outside, read 0.
    for (auto [x, z] : {std::pair{12, -4}, std::pair{8, 0}, std::pair{7, -4}, std::pair{8, -5}, std::pair{100, 100}})
        EXPECT_EQ(hm.Sample(x, z), 0.0f) << x << "," << z;
    hm.nScale = -1;
    EXPECT_EQ(hm.Sample(8, -4), 0.0f);
    // A row width below the row's samples reads nothing (not before the data).
    hm.nScale = 1;
    for (int32_t width : {-4, 0, 2}) {
        hm.nRowWidth = width;
        EXPECT_EQ(hm.Sample(11, -1), 0.0f) << width;
    }
}

TEST(Heightfield, CornerDataOfChildrenAtDeepLevels)
{
    SQuadCornerData root;
    root.byLevel = 9;
    root.nXOrg = -100;
    root.nZOrg = 40;
    for (int i = 0; i < 4; ++i) root.Verts[i].wHeight = WORD(100 * (i + 1));
    CQuadSquare tree(&root);
    EXPECT_EQ(static_cast<CQuadSquare*>(root.pSquare), &tree);
    for (int i = 0; i < 5; ++i) tree.SetVertexHeight(i, WORD(10 + i));
    const int32_t ox[4] = {412, -100, -100, 412}, oz[4] = {40, 40, 552, 552};
    // Corners: 0 (x+2h, z), 1 (x, z), 2 (x, z+2h), 3 (x+2h, z+2h); vertices 0 centre, 1 east, 2 north, 3 west, 4 south.
    const int corners[4][4] = {{100, 12, 10, 11}, {12, 200, 13, 10}, {10, 13, 300, 14}, {11, 10, 14, 400}};
    for (unsigned char i = 0; i < 4; ++i) {
        SQuadCornerData q;
        tree.SetupCornerData(&q, root, i);
        // Copies: the record is packed.
        EXPECT_EQ(static_cast<const SQuadCornerData*>(q.pParent), &root);
        EXPECT_EQ(static_cast<CQuadSquare*>(q.pSquare), nullptr);
        EXPECT_EQ(int(q.byLevel), 8);
        EXPECT_EQ(int(q.byChildIndex), int(i));
        EXPECT_EQ(int(q.nXOrg), ox[i]);
        EXPECT_EQ(int(q.nZOrg), oz[i]);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(int(q.Verts[k].wHeight), corners[i][k]) << int(i) << " " << k;
    }
    EXPECT_EQ(tree.CreateChild(2, root), S_OK);
    CQuadSquare* child = tree.GetChild(2);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(tree.CreateChild(2, root), E_FAIL);
    EXPECT_EQ(tree.GetChild(2), child);
    EXPECT_EQ(tree.CountNodes(), 2);
    // A new node starts at height 0 with its child errors measured from its corners.
    EXPECT_EQ(int(child->GetVertex(0).wHeight), 0);
    EXPECT_EQ(child->GetError(2 + 2), 300 / 4);
    EXPECT_EQ(child->GetMinHeight(), 10);
    EXPECT_EQ(child->GetMaxHeight(), 300);

    // Vertex values start as averages of the corners' in 32-bit sums, and a
    // recomputation of the errors resets them.
    SQuadCornerData cd;
    const DWORD values[4] = {8, 16, 0xFFFFFFFF, 4};
    for (int k = 0; k < 4; ++k) cd.Verts[k].dwValue = values[k];
    CQuadSquare node(&cd);
    const DWORD averaged[5] = {27 >> 2, 12 >> 1, 24 >> 1, 15 >> 1, 3 >> 1};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(DWORD(node.GetVertex(k).dwValue), averaged[k]) << k;
    node.RecomputeErrorAndColor(cd);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(DWORD(node.GetVertex(k).dwValue), 0xFFFFFFFFu) << k;

    // Child and vertex indices from callers count by their low two bits; an
    // empty path reaches nothing.
    unsigned char path[1] = {0};
    EXPECT_EQ(tree.EnableDescendant(0, path, root), nullptr);
    EXPECT_EQ(tree.GetFlags(), 0);
    tree.EnableChild(6, root);
    EXPECT_EQ(tree.GetFlags(), CQuadSquare::ChildFlag(2) | CQuadSquare::kWest | CQuadSquare::kSouth);
    EXPECT_EQ(tree.GetSouthCount(), 1);
    EXPECT_EQ(tree.GetChild(2), child);
    tree.EnableEdgeVertex(4, root, 1);
    EXPECT_TRUE(tree.IsFlag(CQuadSquare::kEast));
    EXPECT_EQ(tree.GetEastCount(), 1);
    SQuadCornerData q;
    tree.SetupCornerData(&q, root, 7);
    EXPECT_EQ(int(q.byChildIndex), 3);
}

TEST(Heightfield, HeightMapsMergeWhereTheyOverlap)
{
    Field f(3); // 17 x 17 samples
    Bumpy(f, 3);
    SQSHeightMapInfo away = f.Map();
    away.nXOrigin = 100; // beyond the root's far edge and its margin
    f.tree = std::make_unique<CQuadSquare>(&f.root);
    f.tree->AddHeightMap(f.root, away);
    EXPECT_EQ(f.tree->CountNodes(), 1);
    EXPECT_FALSE(f.tree->IsDirty());
    EXPECT_FALSE(f.tree->IsStatic());

    // An all-zero map makes nodes but marks none of them: ResetTree drops them.
    std::vector<WORD> zeros(f.heights.size(), 0);
    SQSHeightMapInfo flat = f.Map();
    flat.pData = zeros.data();
    f.tree->AddHeightMap(f.root, flat);
    EXPECT_GT(f.tree->CountNodes(), 1);
    EXPECT_FALSE(f.tree->IsStatic());
    EXPECT_FALSE(f.tree->IsDirty());
    f.tree->ResetTree();
    EXPECT_EQ(f.tree->CountNodes(), 1);
    // ResetTree leaves the root dirty for its next update: that alone is no data.
    f.tree->AddHeightMap(f.root, flat);
    EXPECT_FALSE(f.tree->IsStatic());
    f.tree->ResetTree();
    EXPECT_EQ(f.tree->CountNodes(), 1);

    f.TakeCorners();
    f.tree->AddHeightMap(f.root, f.Map());
    EXPECT_TRUE(f.tree->IsStatic());
    EXPECT_EQ(f.tree->CountNodes(), 1 + 4 + 16 + 64);
    // Before any thinning the tree holds every sample but the last row and column.
    for (int32_t z = 0; z < 16; ++z)
        for (int32_t x = 0; x < 16; ++x)
            ASSERT_EQ(f.tree->GetHeight(f.root, float(x), float(z)), float(f.At(x, z))) << x << "," << z;
}

TEST(Heightfield, TiledMapsMeetWithoutASeam)
{
    // Two maps share the column x = 16 of one field: the west map's last
    // column reads 0, so the shared samples are counted once.
    Field f(4);
    Bumpy(f, 7);
    f.TakeCorners();
    f.tree = std::make_unique<CQuadSquare>(&f.root);
    SQSHeightMapInfo west = f.Map(), east = f.Map();
    west.nXSize = east.nXSize = 17;
    east.pData = f.heights.data() + 16;
    east.nXOrigin = 16;
    f.tree->AddHeightMap(f.root, west);
    f.tree->AddHeightMap(f.root, east);
    for (int32_t z = 0; z < 32; ++z)
        for (int32_t x = 0; x < 32; ++x)
            ASSERT_EQ(f.tree->GetHeight(f.root, float(x), float(z)), float(f.At(x, z))) << x << "," << z;
    f.tree->StaticCullData(f.root, 1.0e6f);
    EXPECT_GT(CheckSharedEdges(*f.tree, f.root), 0);
}

TEST(Heightfield, DeepTreesPlaceTheirNodes)
{
    // A 33 x 33 map in the corner of a tree 1024 wide: ten levels down.
    Field f(9);
    SQSHeightMapInfo hm;
    std::vector<WORD> data(33 * 33);
    for (int32_t z = 0; z < 33; ++z)
        for (int32_t x = 0; x < 33; ++x) data[size_t(z * 33 + x)] = WORD(500 + 7 * x + 3 * z + (x * z) % 5);
    hm.pData = data.data();
    hm.nXOrigin = 256;
    hm.nZOrigin = 640;
    hm.nXSize = hm.nZSize = hm.nRowWidth = 33;
    f.tree = std::make_unique<CQuadSquare>(&f.root);
    f.tree->AddHeightMap(f.root, hm);
    for (int32_t z = 1; z < 31; ++z)
        for (int32_t x = 1; x < 31; ++x)
            ASSERT_EQ(f.tree->GetHeight(f.root, float(256 + x), float(640 + z)), float(data[size_t(z * 33 + x)]))
                << x << "," << z;
    f.tree->StaticCullData(f.root, 1000.0f);
    for (int32_t z = 1; z < 31; ++z)
        for (int32_t x = 1; x < 31; ++x)
            ASSERT_NEAR(f.tree->GetHeight(f.root, float(256 + x), float(640 + z)), float(data[size_t(z * 33 + x)]),
                        1.0f)
                << x << "," << z;
}

TEST(Heightfield, HeightOutsideTakesTheNearestEdge)
{
    Field f(2); // 9 x 9 samples, 8 wide
    for (int32_t z = 0; z < 9; ++z)
        for (int32_t x = 0; x < 9; ++x) f.At(x, z) = WORD(100 + 10 * x + z);
    f.TakeCorners();
    f.tree = std::make_unique<CQuadSquare>(&f.root);
    f.tree->AddHeightMap(f.root, f.Map());
    // West and north (before the origin) of the node: its own near edge.
    EXPECT_EQ(f.tree->GetHeight(f.root, -5.0f, 3.0f), float(f.At(0, 3)));
    EXPECT_EQ(f.tree->GetHeight(f.root, 2.0f, -7.0f), float(f.At(2, 0)));
    EXPECT_EQ(f.tree->GetHeight(f.root, -1.0f, -1.0f), float(f.At(0, 0)));
    // Beyond the node on both axes: its far corner.
    EXPECT_EQ(f.tree->GetHeight(f.root, 20.0f, 20.0f), float(f.At(8, 8)));
    EXPECT_EQ(f.tree->GetHeight(f.root, 7.5f, 3.0f), (float(f.At(7, 3)) + 0.0f) * 0.5f);
}

TEST(Heightfield, StaticCullingKeepsTheDataAndDropsFlatNodes)
{
    Field ramp(4); // a plane: every node is flat
    for (int32_t z = 0; z < ramp.samples; ++z)
        for (int32_t x = 0; x < ramp.samples; ++x) ramp.At(x, z) = WORD(200 + 4 * x + 2 * z);
    ramp.Build(8.0f);
    // The map's last row and column read 0, so only the nodes along them stay.
    EXPECT_LT(ramp.tree->CountNodes(), 1 + 4 + 16 + 64 + 256);
    for (int32_t z = 0; z < 31; ++z)
        for (int32_t x = 0; x < 31; ++x)
            ASSERT_EQ(ramp.tree->GetHeight(ramp.root, float(x), float(z)), float(ramp.At(x, z))) << x << "," << z;

    Field bumps(4);
    Bumpy(bumps, 5);
    bumps.Build(1.0e6f); // a huge threshold keeps every vertex
    const int all = bumps.tree->CountNodes();
    for (int32_t z = 0; z < 31; ++z)
        for (int32_t x = 0; x < 31; ++x)
            // An error below 1 truncates to 0: such a vertex moves by up to half a unit.
            ASSERT_NEAR(bumps.tree->GetHeight(bumps.root, float(x), float(z)), float(bumps.At(x, z)), 1.0f);
    bumps.tree->StaticCullData(bumps.root, 0.2f);
    EXPECT_LT(bumps.tree->CountNodes(), all);
    EXPECT_GT(CheckSharedEdges(*bumps.tree, bumps.root), 0);
    // Thinning moves no height by more than size / threshold at that level.
    for (int32_t z = 0; z < 31; ++z)
        for (int32_t x = 0; x < 31; ++x)
            EXPECT_NEAR(bumps.tree->GetHeight(bumps.root, float(x), float(z)), float(bumps.At(x, z)), 64.0f / 0.2f);
}

TEST(Heightfield, RefinementFollowsTheViewError)
{
    Field f(6); // 129 x 129
    Bumpy(f, 11);
    f.Build(0.05f);
    const D3DXVECTOR3 far(1.0e7f, 1.0e7f, 1.0e7f);
    f.tree->Update(f.root, &far, 10.0f);
    EXPECT_EQ(CQuadSquare::GetDetailThreshold(), 10.0f);
    EXPECT_EQ(f.tree->GetFlags(), 0);
    Mesh coarse;
    f.Triangles(coarse);
    EXPECT_EQ(coarse.triangles, 4);

    // The root's east vertex at (128, y, 64): on exactly when error x detail beats the distance.
    const float e = f.tree->GetError(0);
    ASSERT_GT(e, 0.0f);
    const float y = f.tree->GetVertex(1).wHeight;
    const float d = 300.0f;
    const D3DXVECTOR3 justOut(128.0f + d, y, 64.0f), justIn(128.0f + d * 0.5f, y, 64.0f);
    f.tree->Update(f.root, &justOut, d / e * 0.99f);
    EXPECT_FALSE(f.tree->IsFlag(CQuadSquare::kEast));
    f.tree->Update(f.root, &justIn, d / e * 0.99f);
    EXPECT_TRUE(f.tree->IsFlag(CQuadSquare::kEast));

    // Nearer viewers draw more triangles; far again, the tree falls back.
    int last = coarse.triangles;
    for (float distance : {2000.0f, 400.0f, 60.0f}) {
        const D3DXVECTOR3 eye(64.0f, 1300.0f, 64.0f - distance);
        f.tree->Update(f.root, &eye, 4.0f);
        Mesh m;
        f.Triangles(m);
        EXPECT_GT(m.triangles, last) << distance;
        last = m.triangles;
    }
    // Far again, everything switches off, on the tree's edges too.
    for (int i = 0; i < 8; ++i) f.tree->Update(f.root, &far, 4.0f);
    EXPECT_EQ(f.tree->GetFlags(), 0);
    Mesh back;
    f.Triangles(back);
    EXPECT_EQ(back.triangles, 4);
}

TEST(Heightfield, ChildrenGoOnByTheirBoxError)
{
    // A plane at 1000 with a hill in the quarter [64, 128] x [64, 128] of a tree
    // 128 wide; the map reaches past the tree so that no edge reads 0.
    constexpr int32_t n = 130;
    std::vector<WORD> heights(size_t(n) * n, 1000);
    for (int32_t z = 64; z <= 128; ++z)
        for (int32_t x = 64; x <= 128; ++x)
            heights[size_t(z * n + x)] =
                WORD(1000 + 400 * std::sin((x - 64) * 3.14159265 / 64) * std::sin((z - 64) * 3.14159265 / 64));
    SQuadCornerData root;
    root.byLevel = 6;
    for (SQSVertex& c : root.Verts) c.wHeight = 1000;
    CQuadSquare tree(&root);
    SQSHeightMapInfo hm;
    hm.pData = heights.data();
    hm.nXSize = hm.nZSize = hm.nRowWidth = n;
    tree.AddHeightMap(root, hm);
    tree.StaticCullData(root, 0.5f);
    const float e3 = tree.GetError(2 + 3);
    ASSERT_GT(e3, 0.0f);
    const CQuadSquare* hill = tree.GetChild(3);
    ASSERT_NE(hill, nullptr);
    // South-east of the hill's quarter (its far side), level with its
    // middle: 300 from its box, at least 364 from the other quarters'.
    const float d = 300.0f, mid = (float(hill->GetMinHeight()) + float(hill->GetMaxHeight())) * 0.5f;
    const D3DXVECTOR3 eye(128.0f + d, mid, 128.0f + d);
    tree.Update(root, &eye, d / e3 * 0.99f);
    EXPECT_FALSE(tree.IsFlag(CQuadSquare::ChildFlag(3)));
    tree.Update(root, &eye, d / e3 * 1.01f);
    EXPECT_TRUE(tree.IsFlag(CQuadSquare::ChildFlag(3)));
    EXPECT_EQ(tree.GetFlags() & (CQuadSquare::ChildFlag(0) | CQuadSquare::ChildFlag(1) | CQuadSquare::ChildFlag(2)), 0);
}

TEST(Heightfield, MovingViewerKeepsCountsAndSurfaceWhole)
{
    Field f(6);
    Bumpy(f, 2);
    f.Build(0.1f);
    const int staticNodes = f.tree->CountNodes();
    for (int step = 0; step < 24; ++step) {
        const float a = float(step) * 0.45f;
        const D3DXVECTOR3 eye(64.0f + 70.0f * std::cos(a), 1100.0f + 40.0f * step, 64.0f + 70.0f * std::sin(a));
        f.tree->Update(f.root, &eye, 6.0f);
        int checked = 0;
        CheckCounts(*f.tree, f.root, checked);
        ASSERT_FALSE(HasFailure()) << "step " << step;
        CheckWatertight(f);
        EXPECT_GT(CheckSharedEdges(*f.tree, f.root), 0);
        ASSERT_FALSE(HasFailure()) << "step " << step;
    }
    // Gone far away, the tree drops its dynamic nodes again.
    const D3DXVECTOR3 far(1.0e7f, 0.0f, 1.0e7f);
    for (int i = 0; i < 8; ++i) f.tree->Update(f.root, &far, 6.0f);
    int checked = 0;
    CheckCounts(*f.tree, f.root, checked);
    EXPECT_LE(f.tree->CountNodes(), staticNodes);
}

// Nodes the refinement makes lie between their corners' heights.
void CheckDynamicNodes(const CQuadSquare& tree, const SQuadCornerData& root, int& dynamic)
{
    ForEachNode(tree, root, [&](const CQuadSquare& s, const SQuadCornerData& cd) {
        if (!s.IsStatic()) {
            ++dynamic;
            int low = 65535, high = 0;
            for (const SQSVertex& c : cd.Verts) {
                low = std::min(low, int(c.wHeight));
                high = std::max(high, int(c.wHeight));
            }
            for (int i = 0; i < 5; ++i) {
                EXPECT_GE(int(s.GetVertex(i).wHeight), low) << i;
                EXPECT_LE(int(s.GetVertex(i).wHeight), high) << i;
            }
        }
    });
}

TEST(Heightfield, RefinementBelowTheDataStaysOnTheSurface)
{
    // Samples 4 apart (scale 2): Update refines below the data, between the samples.
    Field samples(2);
    for (int32_t z = 0; z < samples.samples; ++z)
        for (int32_t x = 0; x < samples.samples; ++x)
            samples.At(x, z) = WORD(3000 + 100 * x - 50 * z + 37 * ((x * z) % 3));
    SQuadCornerData root;
    root.byLevel = 4; // 32 wide
    root.Verts[0].wHeight = samples.At(8, 0);
    root.Verts[1].wHeight = samples.At(0, 0);
    root.Verts[2].wHeight = samples.At(0, 8);
    root.Verts[3].wHeight = samples.At(8, 8);
    CQuadSquare tree(&root);
    SQSHeightMapInfo hm = samples.Map();
    hm.nScale = 2;
    tree.AddHeightMap(root, hm);
    tree.StaticCullData(root, 1000.0f);
    const D3DXVECTOR3 eye(10.0f, 3000.0f, 10.0f);
    tree.Update(root, &eye, 50.0f);
    int dynamic = 0;
    CheckDynamicNodes(tree, root, dynamic);
    EXPECT_GT(dynamic, 4);
    int checked = 0;
    CheckCounts(tree, root, checked);
    EXPECT_GT(CheckSharedEdges(tree, root), 0);
}
