// The streamed terrain's records: layouts the client builds by hand, defaults,
// cross-kind assignment, map positions, and the block water's wave state,
// depth alpha and texture-coordinate sets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "kestu.h"

namespace {

template <class T>
const BYTE* Bytes(const T& record)
{
    return reinterpret_cast<const BYTE*>(&record);
}

template <class T>
DWORD U32At(const T& record, size_t offset)
{
    DWORD v;
    std::memcpy(&v, Bytes(record) + offset, 4);
    return v;
}

template <class T>
float F32At(const T& record, size_t offset)
{
    float v;
    std::memcpy(&v, Bytes(record) + offset, 4);
    return v;
}

} // namespace

TEST(DTRecords, BlockRecordsSitWhereTheClientWritesThem)
{
    SDynamicTerrainBlockInitEx ex;
    ex.wFlags = 0x0109;
    ex.wTexID = 0xBEEF;
    ex.fAltitude[24] = 7.5f;
    ex.VerInfo[24].diffuse = 0x11223344;
    ex.VerInfo[24].tv = 0.25f;
    ex.fExternAltitude = 3.0f;
    ex.Normal[24] = D3DXVECTOR3(0.5f, 0.25f, 0.125f);
    EXPECT_EQ(U32At(ex, 0), 0xBEEF0109u);
    EXPECT_EQ(F32At(ex, 4 + 24 * 4), 7.5f);
    EXPECT_EQ(U32At(ex, 104 + 24 * 12), 0x11223344u);
    EXPECT_EQ(F32At(ex, 104 + 24 * 12 + 8), 0.25f);
    EXPECT_EQ(F32At(ex, 404), 3.0f);
    EXPECT_EQ(F32At(ex, 408 + 24 * 12 + 8), 0.125f);

    SDynamicTerrainBlockInitEx_NoDiffuse nd;
    nd.TexInfo[1].tu = 0.75f;
    nd.fExternAltitude = 2.0f;
    nd.Normal[0] = D3DXVECTOR3(1, 2, 3);
    EXPECT_EQ(F32At(nd, 104 + 8), 0.75f);
    EXPECT_EQ(F32At(nd, 304), 2.0f);
    EXPECT_EQ(F32At(nd, 308 + 4), 2.0f);

    SDTBWaterInit water;
    EXPECT_EQ(F32At(water, 0), 1.0f);
    EXPECT_EQ(F32At(water, 4), 99.0f);
    EXPECT_EQ(U32At(water, 8), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(water, 12), 0u);
    EXPECT_EQ(U32At(water, 16), 0u);
    EXPECT_EQ(U32At(water, 20), 0xFFu);

    SDynamicTerrainInit init;
    EXPECT_EQ(U32At(init, 0), 1u);
    EXPECT_EQ(U32At(init, 4), 1u);
    EXPECT_EQ(F32At(init, 8), 4.0f);
    EXPECT_EQ(F32At(init, 16), 1.0f);      // diffuse r
    EXPECT_EQ(F32At(init, 16 + 48), 0.0f); // emissive r
    for (size_t off = 84; off < 272; off += 4) EXPECT_EQ(U32At(init, off), 0u) << off;
}

TEST(DTRecords, DefaultsByKind)
{
    SDynamicTerrainBlockInit plain;
    EXPECT_EQ(plain.wFlags, 0);
    for (const SDTVertexInfo& info : plain.VerInfo) {
        EXPECT_EQ(info.diffuse, 0u) << "a default record's vertices are black, not white";
        EXPECT_EQ(info.tu, 0.0f);
    }
    SDynamicTerrainBlockInitEx ex;
    EXPECT_EQ(ex.wFlags, DTB_FLAG_NORMAL);
    EXPECT_EQ(ex.Normal[12].y, 1.0f);
    SDynamicTerrainBlockInit_NoDiffuse nd;
    EXPECT_EQ(nd.wFlags, DTB_FLAG_NODIFFUSE);
    SDynamicTerrainBlockInitEx_NoDiffuse ndx;
    EXPECT_EQ(ndx.wFlags, DTB_FLAG_NODIFFUSE | DTB_FLAG_NORMAL);
    EXPECT_EQ(ndx.Normal[3].y, 1.0f);

    SDTVertex v;
    EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(SDTVertex::FVF, 0x142u);
    EXPECT_EQ(SDTVertexEx::FVF, 0x152u);
    EXPECT_EQ(SDTVertexNoDiffuse::FVF, 0x102u);
    EXPECT_EQ(SDTVertexExNoDiffuse::FVF, 0x112u);

    SDTOutlyingCfg far;
    EXPECT_EQ(far.bEnable, 1);
    EXPECT_EQ(far.fAltitudeScale, 0.005f);
    EXPECT_EQ(far.nRatio, 2);
    EXPECT_EQ(far.dwIBLength, 8192u);
    SDTLODCfg lod;
    EXPECT_EQ(lod.fLODDist, 32.0f);
    EXPECT_EQ(lod.fLODAlt, 1.0f);
    SDTTextureResCfg tex;
    EXPECT_EQ(tex.dwTextureStage, 0u);
    EXPECT_EQ(tex.dwLightmapStage, 1u);
}

TEST(DTRecords, CrossKindAssignmentKeepsTheDestinationsFlags)
{
    SDynamicTerrainBlockInitEx ex;
    ex.wTexID = 9;
    ex.fAltitude[5] = 4.0f;
    ex.VerInfo[5].diffuse = 0xFF00FF00;
    ex.fExternAltitude = 6.0f;
    ex.Normal[5] = D3DXVECTOR3(1, 0, 0);

    SDynamicTerrainBlockInit plain;
    plain.wFlags = DTB_FLAG_HIDE;
    plain = ex;
    EXPECT_EQ(plain.wFlags, DTB_FLAG_HIDE) << "flag 0x08 does not travel with the data";
    EXPECT_EQ(plain.wTexID, 9);
    EXPECT_EQ(plain.fAltitude[5], 4.0f);
    EXPECT_EQ(plain.VerInfo[5].diffuse, 0xFF00FF00u);
    EXPECT_EQ(plain.fExternAltitude, 6.0f);

    SDynamicTerrainBlockInitEx back;
    back.wFlags = DTB_FLAG_NORMAL | DTB_FLAG_FULLDETAIL;
    plain.fAltitude[0] = 2.0f;
    back = plain;
    EXPECT_EQ(back.wFlags, DTB_FLAG_NORMAL | DTB_FLAG_FULLDETAIL);
    EXPECT_EQ(back.Normal[5].y, 1.0f) << "the destination's normals stay";
    EXPECT_EQ(back.fAltitude[0], 2.0f);

    SDynamicTerrainBlockInitEx same;
    same = ex;
    EXPECT_EQ(std::memcmp(&same, &ex, sizeof ex), 0);

    SDynamicTerrainBlockInitHeader head;
    head.ModifyFlag(DTB_FLAG_NORMAL | DTB_FLAG_HIDE, DTB_FLAG_HIDE);
    EXPECT_EQ(head.wFlags, DTB_FLAG_NORMAL);
    EXPECT_TRUE(head.IsHaveFlag(DTB_FLAG_NORMAL | DTB_FLAG_WATER));
    EXPECT_FALSE(head.IsHaveFlag(DTB_FLAG_WATER));
}

TEST(DTRecords, MapPositionsFloorAndInitValidity)
{
    const SMapBlockPos a(-0.5f, 3.9f, 1.0f, 1.0f);
    EXPECT_EQ(a.x, -1);
    EXPECT_EQ(a.y, 3);
    const SDTBlockInfo info(7, -8.0f, 8.0f, 4.0f, 4.0f);
    EXPECT_EQ(info.Pos.x, -2);
    EXPECT_EQ(info.Pos.y, 2);
    EXPECT_EQ(info.dwTexID, 7u);
    SDTBlockInfo b;
    b.Init(3, 4, 5);
    b.Reset();
    EXPECT_EQ(b.Pos.x, 0);
    EXPECT_EQ(b.dwTexID, 0xFFFFFFFFu);

    SDynamicTerrainInit init;
    EXPECT_TRUE(init.IsValid());
    init.dwMode = 2;
    EXPECT_FALSE(init.IsValid());
}

TEST(DTWaves, WaveConfigurationAndState)
{
    SWaterWaveCfg cfg;
    EXPECT_EQ(cfg.FindMaxWaterID(), 0);
    SWaterWaveEntry e;
    e.byID = 3;
    cfg.Entries.push_back(e);
    e.byID = 7;
    cfg.Entries.push_back(e);
    EXPECT_EQ(cfg.FindMaxWaterID(), 7);

    SWaterWave wave;
    wave.fXLength = 0.0f;
    wave.fZLength = 10.0f;
    wave.fXFrequency = 3.0f;
    wave.fZFrequency = 5.0f;
    const SWaveWaterPara p(2.5f, &wave);
    EXPECT_EQ(p.fWaveNumX, 0.0f) << "a zero length leaves the x term constant";
    EXPECT_FLOAT_EQ(p.fWaveNumZ, 5.0f / 10.0f * 6.2831855f);
    EXPECT_FLOAT_EQ(p.fPhaseX, float(std::fmod(7.5, 6.2831854820251465)));
    EXPECT_FLOAT_EQ(p.fPhaseZ, float(std::fmod(12.5, 6.2831854820251465)));
    EXPECT_EQ(p.fAmpX, wave.fXAmplitude);
    const SWaveWaterPara d;
    EXPECT_EQ(d.fAmpX, 1.0f);
    EXPECT_EQ(d.fAmpZ, 0.5f);
}

TEST(DTWaves, DepthAlpha)
{
    const struct {
        float depth, full;
        DWORD alpha;
    } cases[] = {
        {0.0f, 1.0f, 100}, {-3.0f, 1.0f, 100}, {1.0f, 1.0f, 255},    {5.0f, 1.0f, 255},
        {0.5f, 1.0f, 227}, {0.3f, 0.0f, 255},  {0.0f, 0.0005f, 255}, {0.9f, 1.0f, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CalcWaterVertexAlpha(0x80123456, c.depth, c.full), (c.alpha << 24) | 0x123456u)
            << c.depth << " of " << c.full;
    EXPECT_EQ(CalcWaterVertexAlpha(0x00ABCDEF, std::nanf(""), 1.0f) >> 24, 255u);
}

TEST(DTWaves, SubTileSetsTileOneTextureOverTwoByTwoBlocks)
{
    float u = -1, v = -1;
    GetSubTileUV(&u, &v, 1, 24, 1); // set 5
    EXPECT_EQ(u, 0.5f);
    EXPECT_EQ(v, 0.0f);
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 5; ++r) {
            GetSubTileUV(&u, &v, 0, r * 5 + c, 0);
            EXPECT_EQ(u, 0.125f * c);
            EXPECT_EQ(v, 1.0f - 0.125f * r);
        }
    // Neighbouring quadrants meet: the high-x edge of quadrant 0 is the low-x
    // edge of quadrant 1, in every orientation.
    for (int o = 0; o < 4; ++o)
        for (int r = 0; r < 5; ++r) {
            float u0, v0, u1, v1;
            GetSubTileUV(&u0, &v0, o, r * 5 + 4, 0);
            GetSubTileUV(&u1, &v1, o, r * 5, 1);
            EXPECT_EQ(u0, u1) << o;
            EXPECT_EQ(v0, v1) << o;
        }
    // Every value is a multiple of 1/8.
    for (int o = 0; o < 4; ++o)
        for (int q = 0; q < 4; ++q)
            for (int i = 0; i < 25; ++i) {
                GetSubTileUV(&u, &v, o, i, q);
                EXPECT_EQ(u * 8.0f, std::round(u * 8.0f));
                EXPECT_EQ(v * 8.0f, std::round(v * 8.0f));
            }
}
