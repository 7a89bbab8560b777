// One far-ring block: its indices into the ring's grid, its own corners,
// its visible-list slot and its moves.
#include <gtest/gtest.h>

#include "kestu.h"

TEST(DTOutlyingBlock, LocalIndicesExternCornersAndRelease)
{
    CDynamicTerrain owner; // not built: far blocks of 8 x 8, no far map
    CDTOutlyingBlock local;
    local.BuildLocal(&owner, 2, 3);
    EXPECT_TRUE(local.IsLocal());
    EXPECT_EQ(local.GetRect()->left, 16.0f);
    EXPECT_EQ(local.GetRect()->top, 32.0f);
    // One grid vertex per far cell corner: w = far stride + 1.
    const WORD w = WORD(owner.GetOutlyingBlockStride() + 1), a = WORD(3 * w + 2), b = WORD(4 * w + 2);
    const WORD want[6] = {a, b, WORD(b + 1), a, WORD(b + 1), WORD(a + 1)};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(local.GetIndices()[i], want[i]) << i;

    SDTOutlyingBlockInit corners;
    const float altitudes[4] = {1.0f, 2.0f, 3.0f, 4.0f};
    std::copy(altitudes, altitudes + 4, corners.fAltitude);
    CDTOutlyingBlock ext;
    ext.BuildExtern(&owner, -1, 0, &corners);
    EXPECT_FALSE(ext.IsLocal());
    EXPECT_EQ(*ext.GetVer(0), D3DXVECTOR3(-8.0f, 1.0f, 0.0f));
    EXPECT_EQ(*ext.GetVer(1), D3DXVECTOR3(-8.0f, 2.0f, 8.0f));
    EXPECT_EQ(*ext.GetVer(2), D3DXVECTOR3(0.0f, 3.0f, 8.0f));
    EXPECT_EQ(*ext.GetVer(3), D3DXVECTOR3(0.0f, 4.0f, 0.0f));
    EXPECT_EQ(ext.GetFVF(), DWORD(D3DFVF_XYZ));
    EXPECT_EQ(ext.GetVertexStride(), 12u);
    for (int i = 0; i < 4; ++i) {
        D3DXVECTOR3 d = *ext.GetVer(i) - ext.GetSphere()->center;
        EXPECT_LE(D3DXVec3Length(&d), ext.GetSphere()->radius + 1e-4f);
    }

    const D3DXVECTOR3 by(1.0f, 2.0f, 3.0f);
    ext.Move(&by, nullptr);
    EXPECT_EQ(*ext.GetVer(2), D3DXVECTOR3(1.0f, 5.0f, 11.0f));
    ext.Move2D(-1.0f, -3.0f, nullptr);
    ext.MoveAltitude(-2.0f, nullptr);
    EXPECT_EQ(*ext.GetVer(0), D3DXVECTOR3(-8.0f, 1.0f, 0.0f));
    EXPECT_EQ(ext.GetRect()->left, -8.0f);

    local.UpdateData(&ext);
    EXPECT_EQ(*local.GetVer(3), D3DXVECTOR3(0.0f, 4.0f, 0.0f));
    ext.Release();
    EXPECT_TRUE(ext.IsLocal());
    EXPECT_EQ(ext.GetListIndex(), CDTOutlyingBlock::kNotListed);
    EXPECT_EQ(*ext.GetVer(1), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

TEST(DTOutlyingBlock, SelectionHonoursTheNearLimitAndDetachFreesOnlyItsOwnSlot)
{
    CDynamicTerrain owner;
    CDTOutlyingBlock a, b, c;
    a.BuildLocal(&owner, 0, 0); // centre (4, 4)
    b.BuildLocal(&owner, 1, 0); // centre (12, 4)
    SDTOutlyingBlockInit corners;
    c.BuildExtern(&owner, 5, 5, &corners);
    CPointerArray local, ext;
    local.Build(16, 0, 16, 16, 0);
    ext.Build(16, 0, 16, 16, 0);
    SDTOutlyingVisibleTestInfo info;
    info.pLocal = &local;
    info.pExtern = &ext;
    info.fEyeX = 0.0f;
    info.fEyeZ = 4.0f;
    info.fNearSq = 16.0f; // a's centre lies exactly at the near limit
    info.bDistTest = 1;
    a.OnSelect(&info, 0);
    b.OnSelect(&info, 0);
    c.OnSelect(&info, 0);
    c.OnSelect(nullptr, 0);
    EXPECT_EQ(local.GetCount(), 2u) << "a block exactly at the near limit is still listed";
    EXPECT_EQ(a.GetListIndex(), 0u);
    EXPECT_EQ(b.GetListIndex(), 1u);
    EXPECT_EQ(ext.GetCount(), 1u);
    info.fNearSq = 16.5f;
    CPointerArray again;
    again.Build(16, 0, 16, 16, 0);
    info.pLocal = &again;
    a.OnSelect(&info, 0);
    EXPECT_EQ(again.GetCount(), 0u) << "a block nearer than the limit is skipped";

    SDTOutlyingDetachInfo detach;
    detach.pLocal = &local;
    detach.pExtern = &ext;
    local.RemovePointer(DWORD(0));
    local.InsertPointer(&b, 1); // a's slot now holds b
    a.OnDetach(&detach);
    EXPECT_EQ(a.GetListIndex(), CDTOutlyingBlock::kNotListed);
    EXPECT_EQ(local.GetPointer(0), &b) << "another block's slot is left alone";
    c.OnDetach(&detach);
    EXPECT_EQ(ext.GetPointer(0), nullptr);
    c.OnDetach(nullptr);
    EXPECT_EQ(c.GetListIndex(), CDTOutlyingBlock::kNotListed);
}
