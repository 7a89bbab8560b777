// A texture manager without a library, the records a streamed terrain is
// built from, and ways to look into its tree.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "kestu.h"
#include "kestu_texture_mng.h"
#include "../../../tools/kestu-terrain/streamed_gen.h"

class DTTerrainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(textures.Build(nullptr, D3DPOOL_MANAGED, 0), S_OK);
        tex.pTextureMng = &textures;
    }

    HRESULT Build(CDynamicTerrain& t, int stride, float blockSize, DWORD poolSize = 16, const SDTLODCfg* lod = nullptr,
                  const SWaterWaveCfg* waves = nullptr, const SDTExternPoolCfg* pools = nullptr,
                  const SDTOutlyingCfg* ring = nullptr, BYTE* mapBytes = nullptr)
    {
        SDynamicTerrainInit init;
        init.dwBlockStride = DWORD(stride);
        init.fBlockWidth = init.fBlockHeight = blockSize;
        return t.Build(&init, &tex, pools, ring, waves, lod, mapBytes, poolSize, &sine);
    }

    static void ForEachLeaf(const CQuadtree* node, const std::function<void(const CQuadtree*)>& fn)
    {
        if (!node) return;
        if (node->IsLeaf()) {
            fn(node);
            return;
        }
        for (int c = 0; c < 4; ++c) ForEachLeaf(node->GetChild(ENUM_OU_CORNER(c)), fn);
    }
    // The map positions of the blocks in the tree.
    static std::set<std::pair<int, int>> Blocks(const CDynamicTerrain& t)
    {
        std::set<std::pair<int, int>> out;
        ForEachLeaf(t.GetTreeRoot(), [&](const CQuadtree* leaf) {
            const SMapBlockPos& p = static_cast<const CDynamicTerrainBlock*>(leaf)->GetMBPos();
            EXPECT_TRUE(out.emplace(p.x, p.y).second) << "a position held twice";
        });
        return out;
    }
    static int CountNodes(const CQuadtree* node)
    {
        if (!node || node->IsLeaf()) return 0;
        int n = 1;
        for (int c = 0; c < 4; ++c) n += CountNodes(node->GetChild(ENUM_OU_CORNER(c)));
        return n;
    }
    static std::set<std::pair<int, int>> Positions(const CDynamicTerrain& t, bool load)
    {
        std::set<std::pair<int, int>> out;
        const DWORD n = load ? t.GetNumLoadBlocks() : t.GetNumUnloadedBlocks();
        for (DWORD i = 0; i < n; ++i) {
            const SDTBlockInfo* info = load ? t.GetLoadBlockPos(i) : t.GetUnloadedBlockPos(i);
            out.emplace(info->Pos.x, info->Pos.y);
        }
        return out;
    }
    // Attaches a flat block at (x, z) at altitude a.
    static HRESULT Attach(CDynamicTerrain& t, int x, int z, float a = 0.0f, int maxGrow = 8,
                          STestBlockVisibleContext* test = nullptr, WORD flags = 0)
    {
        SDynamicTerrainBlockInitEx r;
        for (float& h : r.fAltitude) h = a;
        r.wFlags |= flags;
        return t.AttachBlock(x, z, &r, nullptr, maxGrow, test, nullptr, 0, nullptr, nullptr, 0xFFFFFFFF);
    }

    CTextureMng textures;
    SDTTextureResCfg tex;
    CTrigonometricfunctionTable sine;
};
