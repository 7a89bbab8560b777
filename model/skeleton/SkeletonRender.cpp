// Building and drawing a skeleton's skins, and the vertex-shader constants
// of the skinning render paths.
#include <algorithm>
#include <cstring>
#include <functional>

#include "kestu_meshdatamng.h"
#include "kestu_skeleton.h"

namespace Kestu {

namespace {

void Put(float* c, int reg, float x, float y, float z, float w)
{
    c[4 * reg] = x;
    c[4 * reg + 1] = y;
    c[4 * reg + 2] = z;
    c[4 * reg + 3] = w;
}

// Four rows of the transposed matrix from register reg on.
void PutTransposed(float* c, int reg, const D3DXMATRIX& m, int rows)
{
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    for (int r = 0; r < rows; ++r) Put(c, reg + r, t.m[r][0], t.m[r][1], t.m[r][2], t.m[r][3]);
}

void PutRows(float* c, int reg, const D3DXMATRIX& m, int rows)
{
    for (int r = 0; r < rows; ++r) Put(c, reg + r, m.m[r][0], m.m[r][1], m.m[r][2], m.m[r][3]);
}

// The registers of path 128 that hold its light counts (as integer words),
// below the palette at c32 and above the lights it uploads (c15 to c28).
constexpr int kPath128CountRegister = 30;
constexpr int kPath128MostLights = 7;

} // namespace

long CSkeleton::Build(IDirect3DDevice8* device)
{
    if (m_pBones)
        for (auto& [id, bone] : *m_pBones) bone->Build(device);
    for (auto& [id, skin] : m_skins) {
        if (m_pMeshMng) skin->SetTexturePath(m_pMeshMng->GetTexturePath());
        skin->Build(device);
    }
    return 0;
}

long CSkeleton::DrawSkins(IDirect3DDevice8* device, const std::function<void(CSkAniSkin*)>& draw)
{
    const int path = CMeshDataMng::m_nSkeletonRenderPath;
    if (path != KESTU_SKLPATH_SOFTWARE) {
        // Shader mode and the pixel shader draw this skeleton on path 2.
        if (m_bShaderMode || m_bUsePs) CMeshDataMng::m_nSkeletonRenderPath = KESTU_SKLPATH_VS;
        SetVSRenderPass(device);
    }
    for (auto& [id, skin] : m_skins) {
        CMeshDataBase* mesh = skin->GetMeshData();
        if (mesh) mesh->SetPointLightNum(static_cast<DWORD>(m_nLightNum));
        draw(skin);
        if (m_pMeshMng && mesh) m_pMeshMng->ReleaseBuffer(mesh->GetMeshID(), m_dwCurAction, m_dwCurFrame);
    }
    CMeshDataMng::m_nSkeletonRenderPath = path;
    return 0;
}

long CSkeleton::Render(IDirect3DDevice8* device)
{
    return DrawSkins(device, [device](CSkAniSkin* skin) { skin->Render(device); });
}

long CSkeleton::RenderRough(IDirect3DDevice8* device, int mode)
{
    DrawSkins(device, [device, mode](CSkAniSkin* skin) { skin->RenderRough(device, mode); });
    return E_FAIL;
}

long CSkeleton::RenderForceColor(IDirect3DDevice8*, D3DXMATRIX*, D3DXCOLOR)
{
    for (auto& [id, skin] : m_skins)
        if (CMeshDataBase* mesh = skin->GetMeshData(); m_pMeshMng && mesh)
            m_pMeshMng->ReleaseBuffer(mesh->GetMeshID(), m_dwCurAction, m_dwCurFrame);
    return 0;
}

long CSkeleton::SetVSRenderPass(IDirect3DDevice8* device)
{
    const int path = CMeshDataMng::m_nSkeletonRenderPath;
    if (path == KESTU_SKLPATH_SOFTWARE) return 0;
    float* c = m_pMeshMng ? m_pMeshMng->GetVsConstantBuffer() : nullptr;
    if (!c || !device) return E_FAIL;
    const int registers = static_cast<int>(m_pMeshMng->GetVsConstantRegisters());
    D3DXMATRIX w, v, p;
    device->GetTransform(D3DTS_WORLD, &w);
    device->GetTransform(D3DTS_VIEW, &v);
    device->GetTransform(D3DTS_PROJECTION, &p);
    const D3DXMATRIX vp = v * p;
    const D3DXMATRIX wvp = w * vp;

    if (path == KESTU_SKLPATH_VS) {
        Put(c, 0, 0, 1, 0, 0);
        PutTransposed(c, 1, wvp, 4);
        return 0;
    }
    D3DXMATRIX inverseWorld;
    if (!D3DXMatrixInverse(&inverseWorld, nullptr, &w)) D3DXMatrixIdentity(&inverseWorld);
    const float ambient[4] = {float((m_dwAmbient >> 16) & 0xFF) / 256.0f, float((m_dwAmbient >> 8) & 0xFF) / 256.0f,
                              float(m_dwAmbient & 0xFF) / 256.0f, float((m_dwAmbient >> 24) & 0xFF) / 256.0f};
    Put(c, 0, 1, 1, 2, 0);
    Put(c, 5, ambient[0], ambient[1], ambient[2], ambient[3]);
    PutTransposed(c, 6, w, 3);
    PutRows(c, 9, inverseWorld, 3);

    if (path == KESTU_SKLPATH_MATERIAL || path == KESTU_SKLPATH_MATERIAL_WIDE) {
        PutTransposed(c, 1, vp, 4);
        D3DXMATRIX inverseView;
        if (!D3DXMatrixInverse(&inverseView, nullptr, &v)) D3DXMatrixIdentity(&inverseView);
        Put(c, 12, inverseView._41, inverseView._42, inverseView._43, 1);
        if (path == KESTU_SKLPATH_MATERIAL) {
            Put(c, 15, m_fDirLight[0], m_fDirLight[1], m_fDirLight[2], 0);
            Put(c, 16, m_fDirLight[3], m_fDirLight[4], m_fDirLight[5], ambient[3]);
            return 0;
        }
        // The device's enabled lights: directional ones first, then point lights.
        int directional = 0, points = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (DWORD i = 0; i < 8 && directional + points < kPath128MostLights; ++i) {
                BOOL enabled = FALSE;
                D3DLIGHT8 light{};
                if (FAILED(device->GetLightEnable(i, &enabled)) || !enabled || FAILED(device->GetLight(i, &light)))
                    continue;
                const int slot = 15 + 2 * (directional + points);
                if (pass == 0 && light.Type == D3DLIGHT_DIRECTIONAL) {
                    D3DXVECTOR3 d(light.Direction.x, light.Direction.y, light.Direction.z);
                    D3DXVec3Normalize(&d, &d);
                    Put(c, slot, light.Diffuse.r, light.Diffuse.g, light.Diffuse.b, 0);
                    Put(c, slot + 1, -d.x, -d.y, -d.z, 0);
                    ++directional;
                } else if (pass == 1 && light.Type == D3DLIGHT_POINT) {
                    Put(c, slot, light.Diffuse.r, light.Diffuse.g, light.Diffuse.b, light.Range);
                    Put(c, slot + 1, -light.Position.x, -light.Position.y, -light.Position.z, 0);
                    ++points;
                }
            }
        }
        // The counts and register bases as integer words, where the floats of
        // c0 and c1 and the palette leave them alone.
        const DWORD words[8] = {DWORD(directional), 15, 2, 0, DWORD(points), DWORD(15 + 2 * directional), 2, 0};
        if (kPath128CountRegister + 2 <= registers) {
            std::memcpy(c + 4 * kPath128CountRegister, words, sizeof words);
            device->SetVertexShaderConstant(kPath128CountRegister, c + 4 * kPath128CountRegister, 2);
        }
        return 0;
    }

    // Paths 4 to 32. Only the point-light shaders take world positions.
    const bool pointShader = (path == KESTU_SKLPATH_VS_POINTLIGHTS || path == KESTU_SKLPATH_VS_PS_POINTLIGHTS) &&
                             (m_nLightNum == 1 || m_nLightNum == 2);
    PutTransposed(c, 1, pointShader ? vp : wvp, 4);
    if (path == KESTU_SKLPATH_VS_PS || path == KESTU_SKLPATH_VS_PS_POINTLIGHTS)
        device->SetPixelShaderConstant(0, ambient, 1);
    Put(c, 12, m_fDirLight[0], m_fDirLight[1], m_fDirLight[2], 0);
    Put(c, 13, m_fDirLight[3], m_fDirLight[4], m_fDirLight[5], 0);
    if (path == KESTU_SKLPATH_VS_POINTLIGHTS || path == KESTU_SKLPATH_VS_PS_POINTLIGHTS) {
        for (int i = 0; i < std::min(m_nLightNum, 2); ++i) {
            Put(c, 14 + 2 * i, m_fPointColour[i][0], m_fPointColour[i][1], m_fPointColour[i][2], m_fPointRange[i]);
            Put(c, 15 + 2 * i, m_fPointPos[i][0], m_fPointPos[i][1], m_fPointPos[i][2], 0);
        }
    }
    return 0;
}

} // namespace Kestu
