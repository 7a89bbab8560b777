// One streamed block: its build by record kind, the level pass, water and
// waves, software light, detachment records, taking over another block's
// data and moves.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kestu.h"

namespace {

class DTBlock : public ::testing::Test {
protected:
    // A block record whose altitudes rise by `slope` per vertex column.
    static SDynamicTerrainBlockInitEx Record(float base = 2.0f, float slope = 0.0f)
    {
        SDynamicTerrainBlockInitEx r;
        r.wTexID = 12;
        for (int v = 0; v < 25; ++v) {
            r.fAltitude[v] = base + slope * float(v % 5);
            r.VerInfo[v] = SDTVertexInfo{0xFF000000u | DWORD(v), 0.1f * v, 0.2f};
            r.Normal[v] = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        }
        return r;
    }

    void Build(CDynamicTerrainBlock& b, int column, int row, const SDynamicTerrainBlockInitHeader* r,
               const SDTBWaterInit* water = nullptr, CShaderLight* light = nullptr)
    {
        b.Build(&owner, column, row, r, 16, FALSE, nullptr, 4.0f, 4.0f, water, light, light != nullptr, nullptr,
                nullptr, 0xFFFFFFFF);
    }

    // The level a block chooses at squared distance d, with the pass of the
    // terrain: D0 = 16, D1 = 64, D2 = 144 and altitude thresholds alt, alt / 2.
    BYTE LevelAt(CDynamicTerrainBlock& b, float d, float alt, BOOL lod = TRUE)
    {
        CPointerArray in, out;
        const D3DXVECTOR3 eye(b.GetCenter()->x, b.GetCenter()->y + std::sqrt(d), b.GetCenter()->z);
        SDTVisibleTestInfo info;
        info.pInside = &in;
        info.pOutside = &out;
        info.pEye = &eye;
        info.bLOD = lod;
        info.nStride = 16;
        info.fD0 = 16.0f;
        info.fD1 = 64.0f;
        info.fD2 = 144.0f;
        info.fT1 = alt;
        info.fT2 = alt * 0.5f;
        b.FrameMove(&info);
        return b.GetLODLevel();
    }

    CDynamicTerrain owner;
};

} // namespace

TEST_F(DTBlock, BuildLaysTheGridAndCopiesTheRecordByItsKind)
{
    SDynamicTerrainBlockInitEx ex = Record(2.0f, 0.5f);
    ex.fAltitude[12] = -1.0f;
    ex.fExternAltitude = 9.0f;
    ex.Normal[7] = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    CDynamicTerrainBlock b;
    Build(b, 3, -2, &ex);
    EXPECT_EQ(b.GetFVF(), 0x152u);
    EXPECT_EQ(b.GetVertexStride(), 36u);
    EXPECT_EQ(b.GetMBIndex(), -2 * 16 + 3);
    EXPECT_EQ(b.GetRect()->left, 12.0f);
    EXPECT_EQ(b.GetRect()->bottom, -8.0f);
    EXPECT_EQ(b.GetRect()->top, -4.0f);
    const SDTVertexEx* v = b.GetVerNormal(7);
    EXPECT_EQ(v->p, D3DXVECTOR3(14.0f, 3.0f, -7.0f));
    EXPECT_EQ(v->n, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(v->diffuse, 0xFF000007u);
    EXPECT_FLOAT_EQ(v->tu, 0.7f);
    EXPECT_EQ(b.GetMaxAltitudeDiff(), 3.0f);
    // The extern altitude floors the corners and the centre.
    EXPECT_EQ(b.GetCenter()->y, 9.0f);
    EXPECT_EQ(b.GetCorner(OU_CORNER_LEFTBOTTOM)->y, 9.0f);
    // The bounding sphere holds every vertex and the extern altitude.
    const SBoundSphere* s = b.GetSphere();
    for (int i = 0; i < 25; ++i) {
        D3DXVECTOR3 d = b.GetVerNormal(i)->p - s->center;
        EXPECT_LE(D3DXVec3Length(&d), s->radius + 1e-4f) << i;
    }
    EXPECT_LE(std::fabs(9.0f - s->center.y), s->radius);

    const struct {
        WORD flags;
        DWORD fvf, stride;
    } kinds[] = {{0, 0x142, 24},
                 {DTB_FLAG_NORMAL, 0x152, 36},
                 {DTB_FLAG_NODIFFUSE, 0x102, 20},
                 {DTB_FLAG_NORMAL | DTB_FLAG_NODIFFUSE, 0x112, 32}};
    SDynamicTerrainBlockInit plain;
    SDynamicTerrainBlockInit_NoDiffuse nd;
    SDynamicTerrainBlockInitEx_NoDiffuse ndx;
    for (int i = 0; i < 25; ++i) {
        plain.fAltitude[i] = nd.fAltitude[i] = ndx.fAltitude[i] = float(i);
        plain.VerInfo[i].tv = nd.TexInfo[i].tv = ndx.TexInfo[i].tv = 0.5f;
        ndx.Normal[i] = D3DXVECTOR3(0, 0, 1);
    }
    plain.fExternAltitude = nd.fExternAltitude = ndx.fExternAltitude = 30.0f;
    const SDynamicTerrainBlockInitHeader* records[] = {&plain, &ex, &nd, &ndx};
    for (int k = 0; k < 4; ++k) {
        CDynamicTerrainBlock kb;
        Build(kb, 0, 0, records[k]);
        EXPECT_EQ(kb.GetFVF(), kinds[k].fvf);
        EXPECT_EQ(kb.GetVertexStride(), kinds[k].stride);
        if (k != 1) {
            EXPECT_EQ(kb.GetCenter()->y, 30.0f) << "the extern altitude is read at its kind's place";
        }
    }
    CDynamicTerrainBlock last;
    Build(last, 0, 0, &ndx);
    EXPECT_EQ(last.GetVerNormalNoDiffuse(3)->n, D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(last.GetVerNormalNoDiffuse(3)->tv, 0.5f);
    EXPECT_EQ(last.GetVerNormalNoDiffuse(3)->p.y, 3.0f);
}

TEST_F(DTBlock, LevelsByDistanceAndFlatness)
{
    CDynamicTerrainBlock flat, bumpy, hill;
    const SDynamicTerrainBlockInitEx f = Record(), b = Record(0.0f, 0.3f), h = Record(0.0f, 2.0f);
    Build(flat, 0, 0, &f);
    Build(bumpy, 0, 0, &b); // range 1.2
    Build(hill, 0, 0, &h);  // range 8
    const struct {
        CDynamicTerrainBlock* block;
        float alt;
        float d;
        BYTE level;
    } cases[] = {
        // No altitude thresholds: the distance rings alone, bounds inclusive.
        {&hill, 0.0f, 16.0f, 0},
        {&hill, 0.0f, 16.5f, 1},
        {&hill, 0.0f, 64.0f, 1},
        {&hill, 0.0f, 65.0f, 2},
        {&flat, -1.0f, 1.0f, 0},
        // A flat block is never at full detail: 1 near the eye, 2 beyond the
        // first ring, as the flatness cap gives it.
        {&flat, 2.0f, 4.0f, 1},
        {&flat, 2.0f, 40.0f, 2},
        {&flat, 2.0f, 100.0f, 2},
        {&flat, 2.0f, 200.0f, 2},
        // Range between alt / 2 and alt: capped at 1.
        {&bumpy, 2.0f, 4.0f, 1},
        {&bumpy, 2.0f, 40.0f, 1},
        {&bumpy, 2.0f, 100.0f, 1},
        {&bumpy, 2.0f, 200.0f, 2},
        // Range above alt: full detail inside the first two rings.
        {&hill, 2.0f, 4.0f, 0},
        {&hill, 2.0f, 40.0f, 0},
        {&hill, 2.0f, 100.0f, 1},
        {&hill, 2.0f, 200.0f, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LevelAt(*c.block, c.d, c.alt), c.level) << "d " << c.d << " alt " << c.alt;
        EXPECT_EQ(c.block->GetPattern(), nullptr) << "chosen at the next draw";
    }
    EXPECT_EQ(LevelAt(hill, 200.0f, 0.0f), 2);
    EXPECT_EQ(LevelAt(hill, 1.0f, 0.0f, FALSE), 2) << "without level choice the level stays";
    EXPECT_EQ(hill.GetPattern(), CTerrainLODIndexTable::GetLevel0Strip());
    SDynamicTerrainBlockInitEx full = Record();
    full.wFlags |= DTB_FLAG_FULLDETAIL;
    CDynamicTerrainBlock always;
    Build(always, 0, 0, &full);
    EXPECT_EQ(LevelAt(always, 1000.0f, 0.0f), 0);
    EXPECT_EQ(always.GetPattern()->GetIndexCount(), 46);
}

TEST_F(DTBlock, TheLevelPassListsBlocksOnAndOffTheMap)
{
    BYTE flags[16 * 16] = {};
    CPointerArray in, out;
    const D3DXVECTOR3 eye(0, 0, 0);
    SDTVisibleTestInfo info;
    info.pInside = &in;
    info.pOutside = &out;
    info.pEye = &eye;
    info.pVisFlags = flags;
    info.nStride = 16;
    const SDynamicTerrainBlockInitEx r = Record();
    CDynamicTerrainBlock on, off, beyond;
    Build(on, 3, 2, &r);
    Build(off, -1, 2, &r);
    Build(beyond, 16, 0, &r);
    for (CDynamicTerrainBlock* b : {&on, &off, &beyond}) b->FrameMove(&info);
    EXPECT_EQ(in.GetCount(), 1u);
    EXPECT_EQ(in.GetPointer(0), &on);
    EXPECT_EQ(out.GetCount(), 2u);
    int set = 0;
    for (BYTE f : flags) set += f;
    EXPECT_EQ(set, 1);
    EXPECT_EQ(flags[2 * 16 + 3], 1);

    // Hidden blocks are not selected at all.
    SDynamicTerrainBlockInitEx hidden = Record();
    hidden.wFlags |= DTB_FLAG_HIDE;
    CDynamicTerrainBlock h;
    Build(h, 1, 1, &hidden);
    h.OnSelect(&info, 1);
    EXPECT_EQ(in.GetCount(), 1u);
}

TEST_F(DTBlock, WaterByDepthOrientationAndWaves)
{
    const SDynamicTerrainBlockInitEx r = Record(2.0f, 0.25f); // 2.0 .. 3.0 along x
    SDTBWaterInit water;
    water.fAltitude = 2.5f;
    water.fFullDepth = 1.0f;
    water.dwColor = 0x10203040;
    water.nTexOrientation = 7;
    water.byWaterID = 4;
    CDynamicTerrainBlock flat;
    Build(flat, 1, 0, &r, &water); // quadrant 1
    EXPECT_TRUE(flat.IsHaveWater());
    EXPECT_FALSE(flat.IsWaveWater());
    EXPECT_EQ(flat.GetWaterID(), 4);
    ASSERT_EQ(flat.GetNumWaterVer(), 4u);
    // Terrain vertices 0, 20, 24, 4 in that order.
    EXPECT_EQ(flat.GetWaterVer(2)->p, D3DXVECTOR3(8.0f, 2.5f, 4.0f));
    EXPECT_EQ(flat.GetWaterVer(0)->diffuse, 0xE3203040u) << "0.5 deep: alpha 227";
    EXPECT_EQ(flat.GetWaterVer(3)->diffuse >> 24, 100u) << "dry at the high-x edge";
    float u, v;
    GetSubTileUV(&u, &v, 3, 24, 1);
    EXPECT_EQ(flat.GetWaterVer(2)->tu, u) << "orientation 7 uses orientation 3";
    EXPECT_EQ(flat.GetWaterVer(2)->tv, v);
    EXPECT_EQ(flat.GetCorner(OU_CORNER_LEFTBOTTOM)->y, 2.5f) << "the water raises the extern altitude";

    water.nTexOrientation = -2;
    water.dwWave = 1;
    CDynamicTerrainBlock wave;
    Build(wave, 0, 1, &r, &water); // quadrant 3
    EXPECT_TRUE(wave.IsWaveWater());
    ASSERT_EQ(wave.GetNumWaterVer(), 25u);
    GetSubTileUV(&u, &v, 0, 13, 3);
    EXPECT_EQ(wave.GetWaterVer(13)->tu, u) << "orientation -2 uses orientation 0";

    SWaterWave w;
    CTrigonometricfunctionTable sine;
    for (float t : {0.0f, 0.7f, 3.1f}) {
        const SWaveWaterPara para(t, &w);
        wave.FrameMoveWater(&para, &sine);
        for (DWORD i = 0; i < 25; ++i) {
            const SDTVertexEx* wv = wave.GetWaterVer(i);
            const float want = 2.5f + para.fAmpX * std::sin(para.fWaveNumX * wv->p.x + para.fPhaseX) +
                               para.fAmpZ * std::sin(para.fWaveNumZ * wv->p.z + para.fPhaseZ);
            EXPECT_NEAR(wv->p.y, want, 1e-5f) << t << " " << i;
        }
        flat.FrameMoveWater(&para, nullptr);
        EXPECT_EQ(flat.GetWaterVer(1)->p.y, 2.5f) << "flat water does not move";
    }
    wave.SetWaterVertexDiffuse(0x12345678);
    EXPECT_EQ(wave.GetWaterVer(24)->diffuse, 0x12345678u);

    // Rebuilt without water, the flags go; Release keeps the water arrays.
    Build(wave, 0, 1, &r);
    EXPECT_FALSE(wave.IsHaveWater());
    EXPECT_EQ(wave.GetWaterID(), 0xFF);
}

TEST_F(DTBlock, DetachRecordsTakingOverAndRelease)
{
    CDTBlockInfoPool pool;
    CPointerArray list;
    SDTBlockDetachConnect connect;
    connect.pPool = &pool;
    connect.pList = &list;
    const SDynamicTerrainBlockInitEx r = Record();
    CDynamicTerrainBlock b;
    Build(b, -3, 5, &r);
    b.OnDetach(&connect);
    b.OnDetach(nullptr);
    ASSERT_EQ(list.GetCount(), 1u);
    const auto* info = static_cast<SDTBlockInfo*>(list.GetPointer(0));
    EXPECT_EQ(info->Pos.x, -3);
    EXPECT_EQ(info->Pos.y, 5);
    EXPECT_EQ(info->dwTexID, 0xFFFFFFFFu) << "no texture";
    pool.Free(static_cast<SDTBlockInfo*>(list.GetPointer(0)));

    // Taking over: every vertex in the source's format, and its water.
    SDynamicTerrainBlockInit_NoDiffuse other;
    for (int i = 0; i < 25; ++i) {
        other.fAltitude[i] = 40.0f + i;
        other.TexInfo[i].tu = 0.04f * i;
    }
    SDTBWaterInit water;
    water.fAltitude = 50.0f;
    water.dwWave = 1;
    CDynamicTerrainBlock source;
    Build(source, -3, 5, &other, &water);
    b.UpdateData(&source);
    EXPECT_EQ(b.GetFVF(), 0x102u);
    EXPECT_EQ(b.GetVertexStride(), 20u);
    for (DWORD i = 0; i < 25; ++i) {
        EXPECT_EQ(b.GetVerNoDiffuse(i)->p.y, 40.0f + i);
        EXPECT_EQ(b.GetVerNoDiffuse(i)->tu, 0.04f * i);
    }
    EXPECT_EQ(b.GetNumWaterVer(), 25u);
    EXPECT_TRUE(b.IsWaveWater());
    EXPECT_EQ(b.GetCenter()->y, source.GetCenter()->y);

    b.Release(nullptr);
    EXPECT_EQ(b.GetVerBase(0), nullptr);
    EXPECT_EQ(b.GetOwner(), nullptr);
    EXPECT_EQ(b.GetSceneID(), 0xFFFFFFFFu);
    EXPECT_EQ(b.GetMBPos().x, -3) << "the map position stays";
    EXPECT_TRUE(b.IsWaveWater()) << "flags and water stay for the next build";
    EXPECT_EQ(b.Render(nullptr), S_FALSE) << "nothing to draw";
}

TEST_F(DTBlock, MovesShiftVerticesWaterAndMapPosition)
{
    const SDynamicTerrainBlockInitEx r = Record();
    SDTBWaterInit water;
    water.fAltitude = 3.0f;
    CDynamicTerrainBlock b;
    Build(b, 2, 2, &r, &water);
    SDTBMoveConnect connect;
    connect.dwStride = 32;
    b.Move2D(-4.0f, 8.0f, &connect);
    EXPECT_EQ(b.GetMBPos().x, 1);
    EXPECT_EQ(b.GetMBPos().y, 4);
    EXPECT_EQ(b.GetMBIndex(), 4 * 32 + 1);
    EXPECT_EQ(b.GetVerNormal(0)->p, D3DXVECTOR3(4.0f, 2.0f, 16.0f));
    EXPECT_EQ(b.GetWaterVer(0)->p, D3DXVECTOR3(4.0f, 3.0f, 16.0f));
    EXPECT_EQ(b.GetRect()->left, 4.0f);
    const D3DXVECTOR3 up(-1.0f, 1.5f, 6.0f); // a quarter block down, one and a half up
    b.Move(&up, &connect);
    EXPECT_EQ(b.GetMBPos().x, 0) << "partial moves down round down";
    EXPECT_EQ(b.GetMBPos().y, 6) << "partial moves up round to the nearest";
    EXPECT_EQ(b.GetVerNormal(0)->p, D3DXVECTOR3(3.0f, 3.5f, 22.0f));
    b.MoveAltitude(-0.5f, &connect);
    EXPECT_EQ(b.GetMBPos().y, 6);
    EXPECT_EQ(b.GetVerNormal(24)->p.y, 3.0f);
    EXPECT_EQ(b.GetWaterAltitude(), 3.0f) << "the stored water altitude stays";
}

TEST_F(DTBlock, SoftwareLightFromTheLightSourceAndTheMaterial)
{
    SDynamicTerrainBlockInitEx r = Record();
    SDTBWaterInit water;
    water.fAltitude = 2.5f;
    water.dwWave = 1;
    CShaderLight light;
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    sun.Ambient = {0.25f, 0.25f, 0.25f, 1.0f};
    sun.Direction = {0.0f, -1.0f, 0.0f};
    light.AddLight(&sun);
    CDynamicTerrainBlock b;
    Build(b, 0, 0, &r, &water, &light);
    const DWORD ambientOnly = b.GetVerNormal(6)->diffuse;
    EXPECT_EQ(ambientOnly & 0xFF, 0x40u) << "a directional light 0 gives its ambient only";
    EXPECT_EQ(b.GetWaterVer(6)->diffuse >> 24, CalcWaterVertexAlpha(0, 0.5f, 1.0f) >> 24)
        << "the water keeps the alpha of its depth";

    // A point light 0 shines as a sun from its position's direction.
    D3DLIGHT8 point{};
    point.Type = D3DLIGHT_POINT;
    point.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    point.Ambient = {0.25f, 0.25f, 0.25f, 1.0f};
    point.Position = {0.0f, 100.0f, 0.0f};
    point.Range = 1.0f;
    point.Attenuation0 = 1.0f;
    light.SetLight(0, &point);
    b.SoftCalcLight();
    EXPECT_GT(b.GetVerNormal(6)->diffuse & 0xFF, 0xF0u) << "lit from straight above, whatever the range";

    // Blocks without normals, or with no diffuse colour, are not lit.
    SDynamicTerrainBlockInit plain;
    plain.VerInfo[0].diffuse = 0x01020304;
    CDynamicTerrainBlock p;
    Build(p, 0, 0, &plain, nullptr, &light);
    EXPECT_EQ(p.GetVer(0)->diffuse, 0x01020304u);
}
