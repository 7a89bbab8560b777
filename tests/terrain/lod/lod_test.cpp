// The shared index lists: counts, codes, coverage and winding of every list,
// the table's lifetime, remapping, and the distance table.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "kestu_distlod.h"
#include "kestu_terrain.h"

namespace {

struct Tri {
    int a, b, c;
};

// The triangles a list draws, strips and fans expanded the device's way;
// degenerate strip joints dropped.
std::vector<Tri> Triangles(const CTerrainIndexList* list)
{
    std::vector<Tri> out;
    const WORD* ix = list->GetIndices();
    for (int p = 0; p < list->GetPrimitiveCount(); ++p) {
        Tri t{};
        switch (list->GetType()) {
        case D3DPT_TRIANGLELIST: t = {ix[3 * p], ix[3 * p + 1], ix[3 * p + 2]}; break;
        case D3DPT_TRIANGLEFAN: t = {ix[0], ix[p + 1], ix[p + 2]}; break;
        case D3DPT_TRIANGLESTRIP:
            t = p % 2 ? Tri{ix[p + 1], ix[p], ix[p + 2]} : Tri{ix[p], ix[p + 1], ix[p + 2]};
            break;
        default: ADD_FAILURE() << "type " << list->GetType();
        }
        if (t.a != t.b && t.b != t.c && t.a != t.c) out.push_back(t);
    }
    return out;
}

// Twice the signed area in grid units, x = column, z = row: negative means
// clockwise seen from above, the winding the device keeps.
int Area2(const Tri& t)
{
    const int ax = t.a % 5, az = t.a / 5, bx = t.b % 5, bz = t.b / 5, cx = t.c % 5, cz = t.c / 5;
    return (bx - ax) * (cz - az) - (cx - ax) * (bz - az);
}

// Every triangle clockwise, and the block's 16 cells covered exactly once:
// 8 x 8 sample points per cell each fall in exactly one triangle.
void ExpectCoversBlock(const CTerrainIndexList* list, const char* what)
{
    ASSERT_NE(list, nullptr) << what;
    const std::vector<Tri> tris = Triangles(list);
    int area = 0;
    for (const Tri& t : tris) {
        EXPECT_LT(Area2(t), 0) << what << " triangle " << t.a << " " << t.b << " " << t.c;
        area -= Area2(t);
    }
    EXPECT_EQ(area, 32) << what;
    for (int sz = 0; sz < 32; ++sz) {
        for (int sx = 0; sx < 32; ++sx) {
            const float x = (sx + 0.37f) / 8.0f, z = (sz + 0.61f) / 8.0f;
            int hits = 0;
            for (const Tri& t : tris) {
                auto side = [&](int p, int q) {
                    return (float(q % 5 - p % 5)) * (z - p / 5) - (x - p % 5) * float(q / 5 - p / 5);
                };
                if (side(t.a, t.b) <= 0 && side(t.b, t.c) <= 0 && side(t.c, t.a) <= 0) ++hits;
            }
            if (hits != 1) {
                ADD_FAILURE() << what << ": point " << x << "," << z << " covered " << hits << " times";
                return;
            }
        }
    }
}

// The vertices along one side of the block, in order.
std::set<int> EdgeVertices(const CTerrainIndexList* list, int side)
{
    static const int kEdge[4][5] = {{20, 21, 22, 23, 24}, {0, 1, 2, 3, 4}, {0, 5, 10, 15, 20}, {4, 9, 14, 19, 24}};
    std::set<int> out;
    for (const Tri& t : Triangles(list))
        for (int v : {t.a, t.b, t.c})
            for (int e : kEdge[side])
                if (v == e) out.insert(v);
    return out;
}

class LodTable : public ::testing::Test {
protected:
    void SetUp() override { CTerrainLODIndexTable::AddRef(); }
    void TearDown() override { CTerrainLODIndexTable::Release(); }
};

} // namespace

TEST_F(LodTable, FixedListsHaveTheirCounts)
{
    const CTerrainIndexList* l2 = CTerrainLODIndexTable::GetLevel2();
    ASSERT_NE(l2, nullptr);
    EXPECT_EQ(l2->GetType(), D3DPT_TRIANGLEFAN);
    EXPECT_EQ(std::vector<WORD>(l2->GetIndices(), l2->GetIndices() + 4), std::vector<WORD>({0, 20, 24, 4}));
    const CTerrainIndexList* l1 = CTerrainLODIndexTable::GetLevel1(15);
    EXPECT_EQ(l1->GetIndexCount(), 6);
    EXPECT_EQ(l1->GetPrimitiveCount(), 4);
    EXPECT_EQ(std::vector<WORD>(l1->GetIndices(), l1->GetIndices() + 6), std::vector<WORD>({12, 0, 20, 24, 4, 0}));
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel1(0)->GetPrimitiveCount(), 8);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0Strip()->GetIndexCount(), 46);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0Strip()->GetPrimitiveCount(), 44);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0(0)->GetIndexCount(), 96);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0(0)->GetPrimitiveCount(), 32);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0(15)->GetIndexCount(), 72);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0(15)->GetPrimitiveCount(), 24);
    const DWORD* plain = CTerrainLODIndexTable::GetLevel0Plain();
    EXPECT_EQ(std::vector<DWORD>(plain, plain + 6), std::vector<DWORD>({0, 5, 6, 0, 6, 1}));
    EXPECT_EQ(std::vector<DWORD>(plain + 90, plain + 96), std::vector<DWORD>({18, 23, 24, 18, 24, 19}));
}

TEST_F(LodTable, EveryListCoversTheBlockClockwise)
{
    ExpectCoversBlock(CTerrainLODIndexTable::GetLevel2(), "level 2");
    ExpectCoversBlock(CTerrainLODIndexTable::GetLevel0Strip(), "strip");
    for (DWORD code = 0; code < 16; ++code) {
        const std::string c = std::to_string(code);
        ExpectCoversBlock(CTerrainLODIndexTable::GetLevel1(code), ("level 1 code " + c).c_str());
        ExpectCoversBlock(CTerrainLODIndexTable::GetLevel0(code), ("level 0 code " + c).c_str());
    }
}

TEST_F(LodTable, ExactlyTheEightyOneValidWedgeCodesHaveLists)
{
    int valid = 0;
    for (DWORD code = 0; code < 256; ++code) {
        BYTE d[4] = {9, 9, 9, 9};
        const int ok = CTerrainLODIndexTable::DecodeNeighborLODCode(BYTE(code), &d[0], &d[1], &d[2], &d[3]);
        const CTerrainIndexList* wedge = CTerrainLODIndexTable::GetLevel0Wedge(code);
        EXPECT_EQ(ok != 0, wedge != nullptr) << code;
        if (!wedge) continue;
        ++valid;
        ExpectCoversBlock(wedge, ("wedge " + std::to_string(code)).c_str());
        // Each side keeps just the vertices a neighbour that many levels coarser has.
        for (int side = 0; side < 4; ++side) {
            const size_t expected = d[side] == 0 ? 5 : d[side] == 1 ? 3 : 2;
            EXPECT_EQ(EdgeVertices(wedge, side).size(), expected) << code << " side " << side;
        }
        for (int unused : {6, 8, 16, 18})
            for (const Tri& t : Triangles(wedge)) EXPECT_TRUE(t.a != unused && t.b != unused && t.c != unused);
    }
    EXPECT_EQ(valid, 81);
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0Wedge(16), nullptr);
    const CTerrainIndexList* all = CTerrainLODIndexTable::GetLevel0Wedge(255);
    EXPECT_EQ(std::vector<WORD>(all->GetIndices(), all->GetIndices() + 12),
              std::vector<WORD>({12, 20, 24, 12, 4, 0, 12, 0, 20, 12, 24, 4}));
    BYTE d[4] = {7, 7, 7, 7};
    EXPECT_EQ(CTerrainLODIndexTable::DecodeNeighborLODCode(0x21, &d[0], &d[1], &d[2], &d[3]), 0);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], 7); // stops at the first invalid side
}

TEST_F(LodTable, CoarserNeighboursDropTheirMissingEdgeVertices)
{
    for (DWORD code = 0; code < 16; ++code) {
        for (int side = 0; side < 4; ++side) {
            const bool coarser = (code >> side) & 1;
            EXPECT_EQ(EdgeVertices(CTerrainLODIndexTable::GetLevel0(code), side).size(), coarser ? 3u : 5u);
            EXPECT_EQ(EdgeVertices(CTerrainLODIndexTable::GetLevel1(code), side).size(), coarser ? 2u : 3u);
        }
    }
}

TEST_F(LodTable, PatternChoiceFollowsTheNeighbourLevels)
{
    const struct {
        BYTE level;
        std::array<BYTE, 4> k;
        const CTerrainIndexList* expected;
    } cases[] = {
        {2, {0, 0, 0, 0}, CTerrainLODIndexTable::GetLevel2()},
        {1, {2, 0, 2, 1}, CTerrainLODIndexTable::GetLevel1(5)},
        {0, {1, 0, 0, 1}, CTerrainLODIndexTable::GetLevel0(9)},
        {0, {0, 0, 0, 0}, CTerrainLODIndexTable::GetLevel0(0)},
        {0, {2, 1, 0, 0}, CTerrainLODIndexTable::GetLevel0Wedge(0x13)},
    };
    for (const auto& c : cases) EXPECT_EQ(CTerrainLODIndexTable::ChoosePattern(c.level, c.k.data()), c.expected);
}

TEST(LodTableLife, BuiltByTheFirstUserAndFreedByTheLast)
{
    ASSERT_FALSE(CTerrainLODIndexTable::IsBuilt());
    {
        CTerrain a;
        EXPECT_TRUE(CTerrainLODIndexTable::IsBuilt());
        const CTerrainIndexList* first = CTerrainLODIndexTable::GetLevel2();
        CTerrain b;
        EXPECT_EQ(CTerrainLODIndexTable::GetLevel2(), first); // not built again
        EXPECT_EQ(CTerrainLODIndexTable::GetUserCount(), 2);
    }
    EXPECT_FALSE(CTerrainLODIndexTable::IsBuilt());
    EXPECT_EQ(CTerrainLODIndexTable::GetLevel0Strip(), nullptr);
    CTerrain c;
    EXPECT_TRUE(CTerrainLODIndexTable::IsBuilt());
    EXPECT_NE(CTerrainLODIndexTable::GetLevel0Strip(), nullptr);
}

TEST(TerrainIndexList, RemapsAndReportsTheVertexRange)
{
    const WORD indices[] = {0, 24, 12};
    CTerrainIndexList list(D3DPT_TRIANGLELIST, 3, 1, indices);
    WORD remap[25];
    for (int i = 0; i < 25; ++i) remap[i] = WORD(1000 + 7 * i);
    WORD out[4] = {};
    WORD* cursor = out;
    WORD span = 0;
    EXPECT_EQ(list.WriteRemapped(&span, &cursor, remap), 1000);
    EXPECT_EQ(cursor, out + 3);
    EXPECT_EQ(span, 7 * 24 + 1);
    EXPECT_EQ(out[1], 1000 + 7 * 24);

    CTerrainIndexList empty;
    cursor = out;
    EXPECT_EQ(empty.WriteRemapped(&span, &cursor, remap), 65535);
    EXPECT_EQ(span, 2);
    EXPECT_EQ(cursor, out);

    const CTerrainIndexList* parts[2] = {&list, &list};
    CTerrainIndexList joined(2, parts);
    EXPECT_EQ(joined.GetIndexCount(), 6);
    EXPECT_EQ(joined.GetPrimitiveCount(), 2);
    std::vector<WORD> big(1023, 1);
    CTerrainIndexList large(D3DPT_TRIANGLELIST, 1023, 341, big.data());
    const CTerrainIndexList* tooMany[2] = {&large, &list};
    EXPECT_FALSE(joined.Concatenate(2, tooMany));
    EXPECT_EQ(joined.GetIndexCount(), 0);
}

TEST(DistLOD, ThresholdsAreSquaredAndStrict)
{
    SGfxDistLOD lod;
    EXPECT_EQ(lod.GetLevel(5.0f), 0);
    const float d[3] = {10.0f, 20.0f, 40.0f};
    lod.Set(d, 3, 0);
    EXPECT_FLOAT_EQ(lod.GetRefQ(1), 400.0f);
    EXPECT_FLOAT_EQ(lod.GetRef(2), 40.0f);
    EXPECT_FLOAT_EQ(lod.GetRefQ(3), 0.0f);
    EXPECT_EQ(lod.GetLevel(5.0f), 0);
    EXPECT_EQ(lod.GetLevel(10.0f), 1);
    EXPECT_EQ(lod.GetLevel(39.0f), 2);
    EXPECT_EQ(lod.GetLevel(40.0f), 3);
    lod.Set(d, 3, 2);
    EXPECT_EQ(lod.GetLevel(1.0f), 2);
    lod.Set(d, 3, 3);
    EXPECT_EQ(lod.GetLevel(1.0f), 3);
    lod.SetRef(0, 3.0f);
    EXPECT_FLOAT_EQ(lod.GetRefQ(0), 9.0f);
    SGfxDistLOD copy;
    copy = lod;
    EXPECT_EQ(copy.GetMinLevel(), 3);
    EXPECT_EQ(sizeof(SGfxDistLOD), 66u);
}
