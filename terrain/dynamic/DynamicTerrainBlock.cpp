// CDynamicTerrainBlock: building from the client's record, water, release,
// detachment records and taking over another block's data.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "kestu_dynamicterrain.h"
#include "terrain/TerrainTextures.h"
#include "terrain/dynamic/DTMapCell.h"

namespace {

struct Format {
    DWORD fvf;
    DWORD stride;
};

Format FormatOf(WORD flags)
{
    const bool normals = flags & DTB_FLAG_NORMAL, noDiffuse = flags & DTB_FLAG_NODIFFUSE;
    if (noDiffuse) return normals ? Format{SDTVertexExNoDiffuse::FVF, 32} : Format{SDTVertexNoDiffuse::FVF, 20};
    return normals ? Format{SDTVertexEx::FVF, 36} : Format{SDTVertex::FVF, 24};
}

// The record's per-vertex attributes into vertices of the block's format.
template <class Vertex, class Info>
void CopyAttributes(BYTE* vertices, const Info* infos, const D3DXVECTOR3* normals)
{
    for (int v = 0; v < 25; ++v) {
        auto* out = reinterpret_cast<Vertex*>(vertices + v * sizeof(Vertex));
        if constexpr (requires { out->n; }) out->n = normals[v];
        if constexpr (requires { out->diffuse; }) out->diffuse = infos[v].diffuse;
        out->tu = infos[v].tu;
        out->tv = infos[v].tv;
    }
}

} // namespace

CDynamicTerrainBlock::CDynamicTerrainBlock()
    : m_Vertices{}, m_bHasVertices(0), m_dwFVF(0), m_dwStride(0), m_fMaxAltDiff(0.0f), m_pTexture(nullptr),
      m_pLightMap(nullptr), m_pLightMapTM(nullptr), m_pOwner(nullptr), m_pPattern(nullptr), m_dwNumWaterVer(0),
      m_fWaterAltitude(99.0f), m_wFlags(0), m_byLOD(0), m_byWaterID(0), m_nMBIndex(0), m_dwSceneID(0xFFFFFFFF),
      m_pShaderLight(nullptr), m_pShaderContext(nullptr)
{
}

CDynamicTerrainBlock::~CDynamicTerrainBlock() = default;

HRESULT CDynamicTerrainBlock::InitVer()
{
    const Format f = FormatOf(m_wFlags);
    m_dwFVF = f.fvf;
    m_dwStride = f.stride;
    std::memset(m_Vertices, 0, sizeof m_Vertices);
    m_bHasVertices = 1;
    return S_OK;
}

void CDynamicTerrainBlock::SafeDestoryVer() { m_bHasVertices = 0; }

void CDynamicTerrainBlock::ResetLinks()
{
    m_pPattern = nullptr;
    CleanUp();
    m_Sphere.Reset();
}

void CDynamicTerrainBlock::Build(CDynamicTerrain* owner, int column, int row,
                                 const SDynamicTerrainBlockInitHeader* data, int windowWidth, BOOL queryTexture,
                                 CTextureMng* textures, float width, float height, const SDTBWaterInit* water,
                                 CShaderLight* light, BOOL softLight, CTexture* lightMap,
                                 const D3DXMATRIX* lightMapTransform, DWORD sceneId)
{
    m_dwSceneID = sceneId;
    m_MBPos = SMapBlockPos(column, row);
    m_wFlags = data->wFlags;
    m_pShaderLight = light;
    m_nMBIndex = MapBlockIndex(column, row, windowWidth);
    m_byLOD = 0;
    m_pOwner = owner;
    InitVer();
    ResetLinks();

    const float x0 = float(column) * width, z0 = float(row) * height;
    const KESTURECT2 rect(x0, z0 + height, x0 + width, z0);
    // Each grid line as a fraction of the map, so that neighbours share their
    // edge vertices exactly.
    m_fMaxAltDiff = -1.0f;
    float low = data->fAltitude[0], high = low;
    for (int v = 0; v < 25; ++v) {
        auto* p = reinterpret_cast<D3DXVECTOR3*>(GetVerBase(v));
        p->x = (float(column) + float(v % 5) * 0.25f) * width;
        p->y = data->fAltitude[v];
        p->z = (float(row) + float(v / 5) * 0.25f) * height;
        m_fMaxAltDiff = std::max(m_fMaxAltDiff, std::fabs(data->fAltitude[0] - data->fAltitude[v]));
        low = std::min(low, p->y);
        high = std::max(high, p->y);
    }

    float externAltitude;
    const bool normals = data->IsHaveFlag(DTB_FLAG_NORMAL);
    if (!data->IsHaveFlag(DTB_FLAG_NODIFFUSE)) {
        const auto* rec = static_cast<const SDynamicTerrainBlockInit*>(data);
        externAltitude = rec->fExternAltitude;
        if (normals)
            CopyAttributes<SDTVertexEx>(m_Vertices, rec->VerInfo,
                                        static_cast<const SDynamicTerrainBlockInitEx*>(data)->Normal);
        else
            CopyAttributes<SDTVertex>(m_Vertices, rec->VerInfo, nullptr);
    } else {
        const auto* rec = static_cast<const SDynamicTerrainBlockInit_NoDiffuse*>(data);
        externAltitude = rec->fExternAltitude;
        if (normals)
            CopyAttributes<SDTVertexExNoDiffuse>(
                m_Vertices, rec->TexInfo, static_cast<const SDynamicTerrainBlockInitEx_NoDiffuse*>(data)->Normal);
        else
            CopyAttributes<SDTVertexNoDiffuse>(m_Vertices, rec->TexInfo, nullptr);
    }

    m_pTexture =
        queryTexture ? TerrainQueryTexture(textures, data->wTexID) : TerrainTextureItem(textures, data->wTexID);
    m_pLightMap = lightMap;
    m_pLightMapTM = lightMapTransform;

    if (water && water->fAltitude > externAltitude) externAltitude = water->fAltitude;
    FillExternAltitude(data->fAltitude, externAltitude);
    SetRect(&rect);
    // The sphere holds every vertex and the extern altitude, so that the
    // frustum never cuts away a steep block it can see.
    low = std::min(low, externAltitude);
    high = std::max(high, externAltitude);
    const float halfRise = (high - low) * 0.5f;
    m_Sphere.center = D3DXVECTOR3(m_vCenter.x, low + halfRise, m_vCenter.z);
    m_Sphere.SetRadius(std::sqrt(m_Sphere.radiusSq + halfRise * halfRise));

    BuildWater(water);
    if (softLight && light && normals && !data->IsHaveFlag(DTB_FLAG_NODIFFUSE)) SoftCalcLight();
}

void CDynamicTerrainBlock::BuildWater(const SDTBWaterInit* water)
{
    if (!water) {
        ModifyFlag(0, DTB_FLAG_WATER | DTB_FLAG_WAVEWATER);
        m_byWaterID = 0xFF;
        return;
    }
    ModifyFlag(DTB_FLAG_WATER, 0);
    m_byWaterID = water->byWaterID;
    m_fWaterAltitude = water->fAltitude;
    int orientation = water->nTexOrientation;
    if (orientation < 0) orientation = 0;
    if (orientation > 3) orientation %= 4;
    const int quadrant = (m_MBPos.x & 1) ? ((m_MBPos.y & 1) ? 2 : 1) : ((m_MBPos.y & 1) ? 3 : 0);

    static constexpr int kFlatCorners[4] = {0, 20, 24, 4};
    const bool wave = water->dwWave != 0;
    ModifyFlag(wave ? DTB_FLAG_WAVEWATER : 0, wave ? 0 : DTB_FLAG_WAVEWATER);
    const DWORD count = wave ? 25 : 4;
    if (m_dwNumWaterVer != count) {
        for (SDTVertexEx& w : m_WaterVer) w = SDTVertexEx();
        m_dwNumWaterVer = count;
    }
    for (DWORD i = 0; i < count; ++i) {
        const int v = wave ? int(i) : kFlatCorners[i];
        const auto* ground = reinterpret_cast<const D3DXVECTOR3*>(GetVerBase(v));
        SDTVertexEx& w = m_WaterVer[i];
        w.p = D3DXVECTOR3(ground->x, water->fAltitude, ground->z);
        w.n = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        w.diffuse = CalcWaterVertexAlpha(water->dwColor, water->fAltitude - ground->y, water->fFullDepth);
        GetSubTileUV(&w.tu, &w.tv, orientation, v, quadrant);
    }
}

void CDynamicTerrainBlock::Release(CTextureMng* textures)
{
    ResetLinks();
    if (textures && m_pTexture) TerrainReleaseTexture(textures, TerrainTextureID(m_pTexture));
    m_pTexture = nullptr;
    m_pLightMap = nullptr;
    m_pLightMapTM = nullptr;
    m_pOwner = nullptr;
    m_pShaderLight = nullptr;
    m_pShaderContext = nullptr;
    m_byLOD = 0;
    m_dwSceneID = 0xFFFFFFFF;
    SafeDestoryVer();
}

int CDynamicTerrainBlock::TestValidLightMap()
{
    if (m_dwSceneID == 0xFFFFFFFF || !m_pLightMap || !m_pLightMapTM) return 0;
    if (!m_pOwner) return 1;
    const CTexture* lightmap = m_pLightMap;
    const D3DXMATRIX* matrix = m_pLightMapTM;
    if (m_pOwner->IsValidScene(m_dwSceneID, lightmap, matrix)) {
        m_pLightMap = const_cast<CTexture*>(lightmap);
        m_pLightMapTM = matrix;
        return 1;
    }
    m_pLightMap = nullptr;
    m_pLightMapTM = nullptr;
    return 0;
}

void CDynamicTerrainBlock::OnDetach(void* context)
{
    auto* connect = static_cast<SDTBlockDetachConnect*>(context);
    if (!connect || !connect->pPool || !connect->pList) return;
    SDTBlockInfo* info = connect->pPool->Alloc(0);
    if (!info) return;
    info->Init(GetTextureID(), m_MBPos.x, m_MBPos.y);
    if (connect->pList->InsertPointerGrow(info, 0) == 0xFFFFFFFF) connect->pPool->Free(info, 0);
}

void CDynamicTerrainBlock::UpdateData(const CQuadtree* source)
{
    if (!source->IsLeaf()) return;
    const auto* other = dynamic_cast<const CDynamicTerrainBlock*>(source);
    if (!other) return;
    CQuadtree::UpdateData(source);
    m_fMaxAltDiff = other->m_fMaxAltDiff;
    m_wFlags = other->m_wFlags;
    m_byWaterID = other->m_byWaterID;
    m_pTexture = other->m_pTexture;
    m_pLightMap = other->m_pLightMap;
    m_pLightMapTM = other->m_pLightMapTM;
    // The whole vertex grid in the source's format, and its water.
    m_bHasVertices = other->m_bHasVertices;
    m_dwFVF = other->m_dwFVF;
    m_dwStride = other->m_dwStride;
    std::memcpy(m_Vertices, other->m_Vertices, sizeof m_Vertices);
    m_dwNumWaterVer = other->m_dwNumWaterVer;
    m_fWaterAltitude = other->m_fWaterAltitude;
    std::copy(std::begin(other->m_WaterVer), std::end(other->m_WaterVer), std::begin(m_WaterVer));
    m_pPattern = nullptr;
}

IDirect3DBaseTexture8* CDynamicTerrainBlock::GetD3DTexture() const { return TerrainTextureOf(m_pTexture); }

DWORD CDynamicTerrainBlock::GetTextureID() const { return TerrainTextureID(m_pTexture); }

IDirect3DBaseTexture8* CDynamicTerrainBlock::GetLightMapD3DTexture() const { return TerrainTextureOf(m_pLightMap); }

DWORD CDynamicTerrainBlock::GetLightMapTextureID() const { return TerrainTextureID(m_pLightMap); }

void CDynamicTerrainBlock::UpdateMBIndex(int windowWidth)
{
    m_nMBIndex = MapBlockIndex(m_MBPos.x, m_MBPos.y, windowWidth);
}

void CDynamicTerrainBlock::SetWaterVertexDiffuse(DWORD colour)
{
    for (DWORD i = 0; i < m_dwNumWaterVer; ++i) m_WaterVer[i].diffuse = colour;
}

// ---- moving ----

namespace {

// Whole blocks of a move: down for negative moves, to the nearest otherwise.
int WholeBlocks(float f) { return f < 0.0f ? FloorToCell(f) : FloorToCell(f + 0.5f); }

} // namespace

void CDynamicTerrainBlock::ShiftOwnData(float dx, float dy, float dz, const void* connect)
{
    if (m_bHasVertices) {
        for (int v = 0; v < 25; ++v) {
            auto* p = reinterpret_cast<D3DXVECTOR3*>(GetVerBase(v));
            p->x += dx;
            p->y += dy;
            p->z += dz;
        }
    }
    for (DWORD i = 0; i < m_dwNumWaterVer; ++i) m_WaterVer[i].p += D3DXVECTOR3(dx, dy, dz);
    const auto* move = static_cast<const SDTBMoveConnect*>(connect);
    if (!move) return;
    m_MBPos.x = AddCells(m_MBPos.x, WholeBlocks(dx / m_Rect.GetWidth()));
    m_MBPos.y = AddCells(m_MBPos.y, WholeBlocks(dz / m_Rect.GetHeight()));
    UpdateMBIndex(int(move->dwStride));
}

void CDynamicTerrainBlock::Move(const D3DXVECTOR3* delta, void* connect)
{
    Move(delta->x, delta->y, delta->z, connect);
}

void CDynamicTerrainBlock::Move(float dx, float dy, float dz, void* connect)
{
    CQuadtree::Move(dx, dy, dz, connect);
    ShiftOwnData(dx, dy, dz, connect);
}

void CDynamicTerrainBlock::Move2D(float dx, float dz, void* connect)
{
    CQuadtree::Move2D(dx, dz, connect);
    ShiftOwnData(dx, 0.0f, dz, connect);
}

void CDynamicTerrainBlock::MoveAltitude(float dy, void* connect)
{
    CQuadtree::MoveAltitude(dy, connect);
    ShiftOwnData(0.0f, dy, 0.0f, nullptr);
}
