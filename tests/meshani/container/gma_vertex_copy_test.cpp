// Vertex copies between the GMA vertex formats.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "gma_fixtures.h"
#include "kestu_gmatools.h"

using namespace gmatest;

namespace {

// Vertex i with every component distinct, as 36 bytes.
SGMAVertex Distinct(int i)
{
    SGMAVertex v;
    v.p = D3DXVECTOR3(float(i), float(i) + 0.25f, float(i) + 0.5f);
    v.n = D3DXVECTOR3(0.0f, 0.6f, 0.8f);
    v.diffuse = 0xFF000000u | DWORD(i);
    v.u = 0.1f * float(i);
    v.v = 1.0f - 0.1f * float(i);
    return v;
}

} // namespace

TEST(GmaVertexCopy, BetweenFormats)
{
    std::vector<SGMAVertex> src = {Distinct(1), Distinct(2)};
    // Narrow: position and diffuse only.
    std::vector<BYTE> narrow(2 * 16, 0xCD);
    ASSERT_EQ(Kestu_GMA_VertexCopy(narrow.data(), 0x42, src.data(), 0x152, 2), S_OK);
    float y;
    std::memcpy(&y, narrow.data() + 16 + 4, 4);
    EXPECT_EQ(y, 2.25f);
    EXPECT_EQ(U32At(narrow, 16 + 12), 0xFF000002u);
    // Back to whole records: what the narrow form lacks stays as it was.
    std::vector<SGMAVertex> wide(2, Distinct(9));
    ASSERT_EQ(Kestu_GMA_VertexCopy(wide.data(), 0x152, narrow.data(), 0x42, 2), S_OK);
    EXPECT_EQ(wide[1].p, src[1].p);
    EXPECT_EQ(wide[1].diffuse, src[1].diffuse);
    EXPECT_EQ(wide[1].n, Distinct(9).n);
    EXPECT_EQ(wide[1].u, Distinct(9).u);
    // Coordinates from the shared section.
    const SCoords2d coords[2] = {{0.5f, 0.75f}, {0.25f, 0.125f}};
    std::vector<BYTE> noTex(2 * 28);
    ASSERT_EQ(Kestu_GMA_VertexCopy(noTex.data(), 0x52, src.data(), 0x152, 2), S_OK);
    ASSERT_EQ(Kestu_GMA_VertexCopy_NoTexToTex(wide.data(), 0x152, noTex.data(), 0x52, coords, 2), S_OK);
    EXPECT_EQ(wide[1].n, src[1].n);
    EXPECT_EQ(wide[1].u, 0.25f);
    EXPECT_EQ(wide[1].v, 0.125f);
    EXPECT_EQ(Kestu_GMA_VertexCopy_NoTexToTex(wide.data(), 0x152, src.data(), 0x152, coords, 2), E_INVALIDARG);
    // Scaling and the full transform with a box.
    ASSERT_EQ(Kestu_GMA_VertexCopyScaling(wide.data(), 0x152, src.data(), 0x152, 2, 2.0f), S_OK);
    EXPECT_EQ(wide[0].p, D3DXVECTOR3(2.0f, 2.5f, 3.0f));
    EXPECT_EQ(wide[0].n, src[0].n);
    D3DXMATRIX turn;
    D3DXMatrixRotationX(&turn, -D3DX_PI / 2);
    SBoundBox box;
    box.Reset();
    ASSERT_EQ(Kestu_GMA_VertexCopyEx(wide.data(), 0x152, src.data(), 0x152, 2, TRUE, 2.0f, &turn, &box), S_OK);
    // -90 degrees about x: (x, y, z) becomes (x, z, -y).
    EXPECT_NEAR(wide[1].p.y, 5.0f, 1e-5f);
    EXPECT_NEAR(wide[1].p.z, -4.5f, 1e-5f);
    EXPECT_NEAR(wide[1].n.y, 0.8f, 1e-5f);
    EXPECT_NEAR(wide[1].n.z, -0.6f, 1e-5f);
    EXPECT_NEAR(box.min.z, -4.5f, 1e-5f);
    EXPECT_NEAR(box.max.x, 4.0f, 1e-5f);
    EXPECT_EQ(Kestu_GMA_VertexCopy(nullptr, 0x152, src.data(), 0x152, 1), E_INVALIDARG);
}
