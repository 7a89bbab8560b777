#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "kestu_intersect.h"
#include "kestu_log.h"

namespace {

const D3DXVECTOR3 kA(0, 0, 0), kB(2, 0, 0), kC(0, 0, 2);

TEST(PointInTriangle, Classifies)
{
    const struct {
        D3DXVECTOR3 p;
        int expected;
    } cases[] = {
        {{0.5f, 0, 0.5f}, -1}, {{1, 0, 0}, 0}, {{3, 0, 0}, 1}, {{2, 0, 2}, 1}, {{1, 0, 1}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GfxPointInTriangle(&c.p, &kA, &kB, &kC, 0.001f), c.expected) << c.p.x << "," << c.p.z;
    D3DXVECTOR3 p(1, 1, 1), same(0, 0, 0);
    EXPECT_EQ(GfxPointInTriangle(&p, &same, &same, &same, 0.001f), 0);
}

TEST(LineIntersect, TriangleAndFace)
{
    D3DXVECTOR3 origin(0.5f, 1, 0.5f), down(0, -2, 0), shortDown(0, -0.5f, 0);
    float t = -1;
    D3DXVECTOR3 hit;
    EXPECT_EQ(GfxLineIntersectTriangle(&t, &hit, &origin, &down, nullptr, &kA, &kB, &kC, nullptr, D3DCULL_NONE, 0.001f),
              1);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_EQ(hit, D3DXVECTOR3(0.5f, 0, 0.5f));

    t = -1;
    EXPECT_EQ(
        GfxLineIntersectTriangle(&t, &hit, &origin, &shortDown, nullptr, &kA, &kB, &kC, nullptr, D3DCULL_NONE, 0.001f),
        0);
    EXPECT_FLOAT_EQ(t, -1); // rejected by the box test before t is written
    EXPECT_EQ(GfxLineIntersectFace(&t, &hit, &origin, &shortDown, &kA, &kB, &kC, nullptr, D3DCULL_NONE), 0);
    EXPECT_FLOAT_EQ(t, 2.0f);

    // (b - a) x (c - b) points down here, so the counter-clockwise cull drops it.
    EXPECT_EQ(GfxLineIntersectTriangle(nullptr, nullptr, &origin, &down, nullptr, &kA, &kB, &kC, nullptr, D3DCULL_CCW,
                                       0.001f),
              0);
    EXPECT_EQ(
        GfxLineIntersectTriangle(nullptr, nullptr, &origin, &down, nullptr, &kA, &kB, &kC, nullptr, D3DCULL_CW, 0.001f),
        1);

    D3DXVECTOR3 farOrigin(5, 1, 5);
    EXPECT_EQ(GfxLineIntersectFace(nullptr, nullptr, &farOrigin, &down, &kA, &kB, &kC, nullptr, D3DCULL_NONE), 1);
    EXPECT_EQ(GfxLineIntersectTriangle(nullptr, nullptr, &farOrigin, &down, nullptr, &kA, &kB, &kC, nullptr,
                                       D3DCULL_NONE, 0.001f),
              0);
}

TEST(LineIntersect, TriListNearAndFar)
{
    // Three stacked horizontal triangles at y = 0, -1, -2 (16-bit indices).
    std::vector<D3DXVECTOR3> v;
    std::vector<WORD> idx;
    for (int i = 0; i < 3; ++i) {
        float y = -static_cast<float>(i);
        WORD base = static_cast<WORD>(v.size());
        v.push_back(D3DXVECTOR3(0, y, 0));
        v.push_back(D3DXVECTOR3(2, y, 0));
        v.push_back(D3DXVECTOR3(0, y, 2));
        idx.insert(idx.end(), {base, WORD(base + 1), WORD(base + 2)});
    }
    SFacesList faces;
    faces.indices = idx.data();
    faces.format = D3DFMT_INDEX16;
    faces.count = 3;
    D3DXVECTOR3 origin(0.5f, 1, 0.5f), dir(0, -4, 0);
    DWORD nearFace = 99, farFace = 99;
    float nearT = 0, farT = 0;
    EXPECT_EQ(GfxLineIntersectTriList(&nearFace, &nearT, &farFace, &farT, &origin, &dir, v.data(), sizeof(D3DXVECTOR3),
                                      &faces, D3DCULL_NONE, 0.001f),
              1);
    EXPECT_EQ(nearFace, 0u);
    EXPECT_EQ(farFace, 2u);
    EXPECT_FLOAT_EQ(nearT, 0.25f);
    EXPECT_FLOAT_EQ(farT, 0.75f);

    EXPECT_EQ(GfxLineIntersectTriList(nullptr, nullptr, nullptr, nullptr, &origin, &dir, v.data(), sizeof(D3DXVECTOR3),
                                      &faces, D3DCULL_NONE, 0.001f),
              1);

    D3DXVECTOR3 missOrigin(10, 1, 10);
    EXPECT_EQ(GfxLineIntersectTriList(&nearFace, &nearT, nullptr, nullptr, &missOrigin, &dir, v.data(),
                                      sizeof(D3DXVECTOR3), &faces, D3DCULL_NONE, 0.001f),
              0);
    EXPECT_EQ(nearT, FLT_MAX);
}

TEST(LineClip, Rect)
{
    KESTURECT2 r;
    r.left = 0;
    r.top = 10;
    r.right = 10;
    r.bottom = 0;
    float x0 = -5, y0 = 5, x1 = 5, y1 = 5;
    EXPECT_EQ(GfxLineClipByRect(r, x0, y0, x1, y1), 1);
    EXPECT_FLOAT_EQ(x0, 0);
    EXPECT_FLOAT_EQ(y0, 5);
    EXPECT_FLOAT_EQ(x1, 5);
    EXPECT_FLOAT_EQ(y1, 5);

    x0 = -5;
    y0 = -5;
    x1 = -1;
    y1 = 20;
    EXPECT_EQ(GfxLineClipByRect(r, x0, y0, x1, y1), 0);

    x0 = -5;
    y0 = 5;
    x1 = 5;
    y1 = 15;
    EXPECT_EQ(GfxLineClipByRect(r, x0, y0, x1, y1), 1);
    EXPECT_FLOAT_EQ(x0, 0);
    EXPECT_FLOAT_EQ(y0, 10);
    EXPECT_FLOAT_EQ(x1, 0);
    EXPECT_FLOAT_EQ(y1, 10);
}

TEST(LineClip, Box)
{
    SBoundBox box;
    box.min = D3DXVECTOR3(0, 0, 0);
    box.max = D3DXVECTOR3(1, 1, 1);
    D3DXVECTOR3 p0(-1, 0.5f, 0.5f), p1(2, 0.5f, 0.5f);
    EXPECT_EQ(GfxLineClipByBox(box, p0, p1), 1);
    EXPECT_EQ(p0, D3DXVECTOR3(0, 0.5f, 0.5f));
    EXPECT_EQ(p1, D3DXVECTOR3(1, 0.5f, 0.5f));

    D3DXVECTOR3 q0(-1, 5, 0.5f), q1(2, 5, 0.5f);
    EXPECT_EQ(GfxLineClipByBox(box, q0, q1), 0);
    D3DXVECTOR3 c0(-1, -1, 0.5f), c1(0.2f, 3, 0.5f); // misses the corner region
    EXPECT_EQ(GfxLineClipByBox(box, c0, c1), 0);
}

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

TEST(VertexNormals, RejectsBadArguments)
{
    D3DXVECTOR3 pos[3] = {}, nrm[3] = {{7, 7, 7}, {7, 7, 7}, {7, 7, 7}};
    DWORD idx[3] = {0, 1, 2};
    SFacesList faces;
    faces.indices = idx;
    faces.count = 1;
    faces.format = static_cast<D3DFORMAT>(100);
    EXPECT_EQ(GfxCalcVerNormalByFaces(nrm, 12, pos, 12, &faces, 0, 0.001f, 1.0f), KESTUERR_INVALIDPARAM);
    faces.format = D3DFMT_INDEX32;
    EXPECT_EQ(GfxCalcVerNormalByFaces(nrm, 12, pos, 12, &faces, 0, 0.001f, -0.1f), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(GfxCalcVerNormalByFaces(nrm, 12, pos, 12, &faces, 0, 0.001f, 3.2f), KESTUERR_INVALIDPARAM);
    faces.count = 0;
    EXPECT_EQ(GfxCalcVerNormalByFaces(nrm, 12, pos, 12, &faces, 0, 0.001f, 1.0f), 0);
    EXPECT_EQ(nrm[0], D3DXVECTOR3(7, 7, 7));
}

TEST(VertexNormals, SharedEdgeSumsOrWelds)
{
    // Two triangles in y = 0 sharing the edge 1-2.
    D3DXVECTOR3 pos[4] = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {1, 0, 1}};
    WORD idx[6] = {0, 1, 2, 2, 1, 3};
    SFacesList faces;
    faces.indices = idx;
    faces.format = D3DFMT_INDEX16;
    faces.count = 2;
    D3DXVECTOR3 n[4];
    ASSERT_EQ(GfxCalcVerNormalByFaces(n, sizeof(D3DXVECTOR3), pos, sizeof(D3DXVECTOR3), &faces, 0, 0.001f, 1.0f), 0);
    EXPECT_NEAR(Length(n[0]), 1, 1e-5f);
    EXPECT_NEAR(Length(n[1]), 2, 1e-5f);
    EXPECT_NEAR(Length(n[2]), 2, 1e-5f);
    EXPECT_NEAR(Length(n[3]), 1, 1e-5f);
    ASSERT_EQ(GfxCalcVerNormalByFaces(n, sizeof(D3DXVECTOR3), pos, sizeof(D3DXVECTOR3), &faces, 1, 0.001f, 1.0f), 0);
    for (const D3DXVECTOR3& v : n) {
        EXPECT_NEAR(Length(v), 1, 1e-5f);
        EXPECT_NEAR(std::fabs(v.y), 1, 1e-5f);
    }
}

// A cube with 24 vertices (four per face) and 12 triangles.
struct Cube {
    D3DXVECTOR3 pos[24];
    DWORD idx[36];
    Cube()
    {
        const int axes[6][3] = {{0, 1, 2}, {0, 1, 2}, {1, 2, 0}, {1, 2, 0}, {2, 0, 1}, {2, 0, 1}};
        for (int f = 0; f < 6; ++f) {
            const float side = (f % 2) ? 1.0f : -1.0f;
            const int* ax = axes[f];
            const float uv[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (int k = 0; k < 4; ++k) {
                float c[3];
                c[ax[2]] = side;
                c[ax[0]] = uv[k][0];
                c[ax[1]] = uv[k][1];
                pos[f * 4 + k] = D3DXVECTOR3(c[0], c[1], c[2]);
            }
            DWORD b = f * 4;
            const DWORD tri[6] = {b, b + 1, b + 2, b, b + 2, b + 3};
            for (int k = 0; k < 6; ++k) idx[f * 6 + k] = tri[k];
        }
    }
};

TEST(VertexNormals, CubeWeldingByAngle)
{
    Cube cube;
    SFacesList faces;
    faces.indices = cube.idx;
    faces.format = D3DFMT_INDEX32;
    faces.count = 12;
    D3DXVECTOR3 n[24];
    const DWORD s = sizeof(D3DXVECTOR3);
    ASSERT_EQ(GfxCalcVerNormalByFaces(n, s, cube.pos, s, &faces, 0, 0.001f, 1.5f), 0);
    // The diagonal vertices (0 and 2 of each face) belong to both triangles.
    EXPECT_NEAR(Length(n[0]), 2, 1e-5f);
    EXPECT_NEAR(Length(n[1]), 1, 1e-5f);

    ASSERT_EQ(GfxCalcVerNormalByFaces(n, s, cube.pos, s, &faces, 1, 0.001f, 1.5f), 0);
    for (int i = 0; i < 24; ++i) {
        EXPECT_NEAR(Length(n[i]), 1, 1e-5f);
        // Each normal keeps to one axis: its face's.
        float big = std::fmax(std::fabs(n[i].x), std::fmax(std::fabs(n[i].y), std::fabs(n[i].z)));
        EXPECT_NEAR(big, 1, 1e-5f) << i;
    }

    ASSERT_EQ(GfxCalcVerNormalByFaces(n, s, cube.pos, s, &faces, 1, 0.001f, 1.6f), 0);
    const float d = 1.0f / std::sqrt(3.0f);
    for (int i = 0; i < 24; ++i) {
        EXPECT_NEAR(std::fabs(n[i].x), d, 1e-4f) << i;
        EXPECT_NEAR(std::fabs(n[i].y), d, 1e-4f) << i;
        EXPECT_NEAR(std::fabs(n[i].z), d, 1e-4f) << i;
    }
}

} // namespace
