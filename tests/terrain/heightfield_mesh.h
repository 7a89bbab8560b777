// What a renderer of the heightfield tree draws: each enabled node fans
// triangles around its centre over the quarters whose child is off, splitting
// an edge where its edge vertex is on. The triangles come out as grid points;
// the heightfield tests and the benchmark share this walk.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "kestu_quadsquare.h"

namespace heightfield {

struct Point {
    int32_t x, z;
};

// emit(a, b, c) for every triangle of the tree below the node.
template <class Emit>
void Walk(const CQuadSquare& s, const SQuadCornerData& cd, Emit& emit)
{
    int open = 0;
    for (int i = 0; i < 4; ++i) {
        if (s.IsFlag(CQuadSquare::ChildFlag(i)) && s.GetChild(i)) {
            SQuadCornerData q;
            s.SetupCornerData(&q, cd, static_cast<unsigned char>(i));
            Walk(*s.GetChild(i), q, emit);
        } else {
            open |= 1 << i;
        }
    }
    if (open == 0) return;
    const int32_t half = int32_t(1) << cd.byLevel, whole = 2 * half, x = cd.nXOrg, z = cd.nZOrg;
    const Point p[9] = {
        {x + half, z + half}, {x + whole, z + half}, {x + whole, z},        {x + half, z},         {x, z},
        {x, z + half},        {x, z + whole},        {x + half, z + whole}, {x + whole, z + whole}};
    auto tri = [&](int a, int b, int c) { emit(p[a], p[b], p[c]); };
    // Edge k runs between two corner points; its middle is point 2k + 1 of the
    // ring 1..8, and the quarters beside it are k and k - 1 (mod 4).
    static constexpr int kEdge[4][3] = {{8, 1, 2}, {2, 3, 4}, {4, 5, 6}, {6, 7, 8}};
    static constexpr int kSideQuarter[4][2] = {{3, 0}, {0, 1}, {1, 2}, {2, 3}};
    for (int k = 0; k < 4; ++k) {
        const int* e = kEdge[k];
        if (!s.IsFlag(BYTE(1 << k))) {
            tri(0, e[0], e[2]);
            continue;
        }
        if (open & (1 << kSideQuarter[k][0])) tri(0, e[0], e[1]);
        if (open & (1 << kSideQuarter[k][1])) tri(0, e[1], e[2]);
    }
}

// A square field of (2^level * 2 + 1)^2 samples under a root of that level.
struct Field {
    int32_t samples = 0; // per row
    std::vector<WORD> heights;
    SQuadCornerData root;
    std::unique_ptr<CQuadSquare> tree;

    explicit Field(int level) : samples((2 << level) + 1), heights(size_t(samples) * size_t(samples), 0)
    {
        root.byLevel = BYTE(level);
    }
    // The root's corners from the field: no map sample reaches them.
    void TakeCorners()
    {
        const int32_t n = samples - 1;
        root.Verts[0].wHeight = At(n, 0);
        root.Verts[1].wHeight = At(0, 0);
        root.Verts[2].wHeight = At(0, n);
        root.Verts[3].wHeight = At(n, n);
    }
    WORD& At(int32_t x, int32_t z) { return heights[size_t(z) * size_t(samples) + size_t(x)]; }
    SQSHeightMapInfo Map() const
    {
        SQSHeightMapInfo hm;
        hm.pData = heights.data();
        hm.nXSize = hm.nZSize = hm.nRowWidth = samples;
        return hm;
    }
    // The tree over the heights, thinned at the threshold.
    void Build(float cullThreshold)
    {
        TakeCorners();
        tree = std::make_unique<CQuadSquare>(&root);
        tree->AddHeightMap(root, Map());
        tree->StaticCullData(root, cullThreshold);
    }
    template <class Emit>
    void Triangles(Emit& emit) const
    {
        Walk(*tree, root, emit);
    }
};

} // namespace heightfield
