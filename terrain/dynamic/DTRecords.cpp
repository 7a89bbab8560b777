// The streamed terrain's records: defaults, cross-kind assignment of block
// records, map positions and the wave configuration.
#include <cmath>

#include "kestu_dtrecords.h"
#include "terrain/dynamic/DTMapCell.h"

namespace {

void ZeroInfos(SDTVertexInfo* infos)
{
    for (int v = 0; v < 25; ++v) infos[v] = SDTVertexInfo{0, 0.0f, 0.0f};
}

void UpNormals(D3DXVECTOR3* normals)
{
    for (int v = 0; v < 25; ++v) normals[v] = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
}

// Everything of the plain record but the flags.
void CopyKeepingFlags(SDynamicTerrainBlockInit& to, const SDynamicTerrainBlockInit& from)
{
    to.wTexID = from.wTexID;
    for (int v = 0; v < 25; ++v) {
        to.fAltitude[v] = from.fAltitude[v];
        to.VerInfo[v] = from.VerInfo[v];
    }
    to.fExternAltitude = from.fExternAltitude;
}

} // namespace

SDynamicTerrainBlockInit::SDynamicTerrainBlockInit() : fExternAltitude(0.0f)
{
    ModifyFlag(0, DTB_FLAG_NORMAL | DTB_FLAG_NODIFFUSE);
    ZeroInfos(VerInfo);
}

SDynamicTerrainBlockInit& SDynamicTerrainBlockInit::operator=(const SDynamicTerrainBlockInitEx& other)
{
    CopyKeepingFlags(*this, other);
    return *this;
}

SDynamicTerrainBlockInitEx::SDynamicTerrainBlockInitEx()
{
    ModifyFlag(DTB_FLAG_NORMAL, DTB_FLAG_NODIFFUSE);
    UpNormals(Normal);
}

SDynamicTerrainBlockInitEx& SDynamicTerrainBlockInitEx::operator=(const SDynamicTerrainBlockInit& other)
{
    CopyKeepingFlags(*this, other);
    return *this;
}

SDynamicTerrainBlockInit_NoDiffuse::SDynamicTerrainBlockInit_NoDiffuse() : fExternAltitude(0.0f)
{
    ModifyFlag(DTB_FLAG_NODIFFUSE, DTB_FLAG_NORMAL);
}

SDynamicTerrainBlockInitEx_NoDiffuse::SDynamicTerrainBlockInitEx_NoDiffuse()
{
    ModifyFlag(DTB_FLAG_NORMAL | DTB_FLAG_NODIFFUSE, 0);
    UpNormals(Normal);
}

SMapBlockPos::SMapBlockPos(float px, float pz, float width, float height)
    : x(FloorToCell(px / width)), y(FloorToCell(pz / height))
{
}

SDynamicTerrainInit::SDynamicTerrainInit()
    : dwMode(1), dwBlockStride(1), fBlockWidth(4.0f), fBlockHeight(4.0f), Material{}, dwReserved{}
{
    Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    Material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    Material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
}

BYTE SWaterWaveCfg::FindMaxWaterID() const
{
    BYTE highest = 0;
    for (const SWaterWaveEntry& e : Entries)
        if (e.byID > highest) highest = e.byID;
    return highest;
}
