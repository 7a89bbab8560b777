// CDynamicTerrainBlock: vertex colours lit on the processor from the block's
// light source and the terrain's material.
#include "kestu_dynamicterrain.h"
#include "kestu_shaderlight.h"
#include "kestu_vertexlight.h"

namespace {

constexpr DWORD kWaterStride = sizeof(SDTVertexEx);

void AddLight(BYTE* vertices, DWORD stride, const D3DLIGHT8* light, const D3DMATERIAL8* material,
              const SFacesList* faces)
{
    auto* base = reinterpret_cast<SDTVertexEx*>(vertices);
    GfxCalcVertexLight(&base->diffuse, stride, &base->p, stride, &base->n, stride, 25, light, 1, material,
                       VERTEXLIGHT_ADD, nullptr, nullptr, faces);
}

} // namespace

void CDynamicTerrainBlock::SoftCalcLight()
{
    if (!IsHaveFlag(DTB_FLAG_NORMAL) || IsHaveFlag(DTB_FLAG_NODIFFUSE) || !m_pOwner || !m_bHasVertices) return;
    if (!m_pShaderLight || m_pShaderLight->GetLightsNum() == 0) return;
    const D3DMATERIAL8* material = m_pOwner->GetMaterial();
    const D3DLIGHT8* first = m_pShaderLight->GetLight(0);
    if (!first) return;
    auto* vertices = reinterpret_cast<SDTVertexEx*>(m_Vertices);
    const D3DXCOLOR ambient(first->Ambient.r, first->Ambient.g, first->Ambient.b, first->Ambient.a);
    CalcualateVertexGlobalAmbientLight(material, &vertices->diffuse, m_dwStride, 25, &ambient);

    const bool wave = m_dwNumWaterVer == 25;
    // The water takes the ground's colour and is lit, and keeps the alpha of its depth.
    DWORD waterAlpha[25] = {};
    if (wave)
        for (int v = 0; v < 25; ++v) {
            waterAlpha[v] = m_WaterVer[v].diffuse & 0xFF000000;
            m_WaterVer[v].diffuse = vertices[v].diffuse;
        }

    const CTerrainIndexList* full = CTerrainLODIndexTable::GetLevel0(0);
    SFacesList faces;
    faces.indices = full ? full->GetIndices() : nullptr;
    faces.format = D3DFMT_INDEX16;
    faces.count = full ? full->GetPrimitiveCount() : 0;

    if (first->Type == D3DLIGHT_POINT) {
        D3DLIGHT8 sun = *first;
        sun.Type = D3DLIGHT_DIRECTIONAL;
        D3DXVECTOR3 dir(-first->Position.x, -first->Position.y, -first->Position.z);
        D3DXVec3Normalize(&dir, &dir);
        sun.Direction = {dir.x, dir.y, dir.z};
        AddLight(m_Vertices, m_dwStride, &sun, material, &faces);
    }
    const DWORD count = m_pShaderLight->GetLightsNum();
    for (DWORD i = 1; i < count; ++i)
        if (const D3DLIGHT8* light = m_pShaderLight->GetLight(i))
            AddLight(m_Vertices, m_dwStride, light, material, &faces);
    if (!wave) return;
    for (DWORD i = 0; i < count; ++i)
        if (const D3DLIGHT8* light = m_pShaderLight->GetLight(i))
            AddLight(reinterpret_cast<BYTE*>(m_WaterVer), kWaterStride, light, material, &faces);
    for (int v = 0; v < 25; ++v) m_WaterVer[v].diffuse = waterAlpha[v] | (m_WaterVer[v].diffuse & 0x00FFFFFF);
}
