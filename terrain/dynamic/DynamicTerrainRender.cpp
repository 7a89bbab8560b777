// CDynamicTerrain: drawing the visible blocks (textured, light-mapped, with
// or without a vertex shader, or as bare geometry), the far ring, the choice
// of stitching lists, the software lighting pass and the shift of the whole
// terrain by whole blocks.
#include "core/device/DeviceState.h"
#include "kestu_dynamicterrain.h"
#include "kestu_shader.h"
#include "terrain/dynamic/DTIdentity.h"

namespace {

// The view and projection that a shader context is given, shared by every terrain.
D3DXMATRIX g_DTRenderView;
D3DXMATRIX g_DTRenderProj;

constexpr DWORD kNoTexture = 0xFFFFFFFF;

CDynamicTerrainBlock* BlockAt(const CPointerArray& list, DWORD i)
{
    return static_cast<CDynamicTerrainBlock*>(list.GetData()[i]);
}

CDynamicTerrainBlock* FirstBlock(const CPointerArray& list)
{
    for (DWORD i = 0; i < list.GetCount(); ++i)
        if (CDynamicTerrainBlock* block = BlockAt(list, i)) return block;
    return nullptr;
}

} // namespace

const D3DXMATRIX g_DTIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

void CDynamicTerrain::ApplyShader(IDirect3DDevice8* device, IShaderBase* shader, IShaderContext* context,
                                  const D3DXMATRIX* view, const D3DXMATRIX* projection, const D3DXMATRIX* world)
{
    // The transforms go in first: SetDeviceShader uploads the constants.
    context->SetTransform(D3DTS_VIEW, view);
    context->SetTransform(D3DTS_PROJECTION, projection);
    context->SetTransform(D3DTS_WORLD, world);
    shader->SetDeviceShader(device, context);
}

HRESULT CDynamicTerrain::PrimeList(IDirect3DDevice8* device, CDynamicTerrainBlock* first, IShaderBase* shader,
                                   const D3DXMATRIX* world, bool testLightmap, DWORD* lastTexture)
{
    if (IDirect3DBaseTexture8* texture = first->GetD3DTexture())
        if (SUCCEEDED(device->SetTexture(m_dwTextureStage, texture))) *lastTexture = first->GetTextureID();
    bool programmable = false;
    if (shader && first->GetShaderContext()) {
        ApplyShader(device, shader, first->GetShaderContext(), &g_DTRenderView, &g_DTRenderProj, world);
        programmable = shader->GetVertexShader() != 0;
    }
    if (m_bEnableLightmap && m_bBlockBaseLightmapTM && (!testLightmap || first->TestValidLightMap())) {
        if (const D3DXMATRIX* m = first->GetLightMapTransMatrix()) {
            const HRESULT hr =
                device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + m_dwLightmapStage), m);
            if (FAILED(hr)) return hr;
        }
        if (IDirect3DBaseTexture8* lightmap = first->GetLightMapD3DTexture()) {
            const HRESULT hr = device->SetTexture(m_dwLightmapStage, lightmap);
            if (FAILED(hr)) return hr;
        }
    }
    // A vertex shader made current above stays: the vertex format would replace it.
    if (!programmable) device->SetVertexShader(first->GetFVF());
    return S_OK;
}

HRESULT CDynamicTerrain::Render(IDirect3DDevice8* device, const D3DXMATRIX* world, IShaderBase* shader)
{
    if (!device) return S_FALSE;
    const auto lightmapStage = static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + m_dwLightmapStage);
    // The blocks' lightmap matrices go into the lightmap stage's texture
    // transform; the scope puts it back on every way out.
    kestu::StateScope scope(device);
    if (m_bEnableLightmap && m_bBlockBaseLightmapTM) scope.KeepTransform(lightmapStage);
    const D3DXMATRIX* w = world ? world : &g_DTIdentity;
    HRESULT hr = device->SetTransform(D3DTS_WORLD, w);
    if (FAILED(hr)) return hr;
    if (shader) {
        device->GetTransform(D3DTS_VIEW, &g_DTRenderView);
        device->GetTransform(D3DTS_PROJECTION, &g_DTRenderProj);
    }

    DWORD lastTexture = kNoTexture;
    auto switchTexture = [&](CDynamicTerrainBlock* block, bool rememberAlways) {
        const DWORD id = block->GetTextureID();
        IDirect3DBaseTexture8* texture = block->GetD3DTexture();
        if (id == lastTexture || !texture) return;
        if (SUCCEEDED(device->SetTexture(m_dwTextureStage, texture)) || rememberAlways) lastTexture = id;
    };

    if (CDynamicTerrainBlock* first = FirstBlock(m_LocalVisible)) {
        hr = PrimeList(device, first, shader, w, false, &lastTexture);
        if (FAILED(hr)) return hr;
        for (DWORD i = 0; i < m_LocalVisible.GetCount(); ++i) {
            CDynamicTerrainBlock* block = BlockAt(m_LocalVisible, i);
            if (!block) continue;
            switchTexture(block, false);
            block->Render(device);
        }
    }
    if (CDynamicTerrainBlock* first = FirstBlock(m_ExternVisible)) {
        hr = PrimeList(device, first, shader, w, true, &lastTexture);
        if (FAILED(hr)) return hr;
        DWORD lastScene = 0xFFFFFFFF;
        for (DWORD i = 0; i < m_ExternVisible.GetCount(); ++i) {
            CDynamicTerrainBlock* block = BlockAt(m_ExternVisible, i);
            if (!block) continue;
            const DWORD scene = block->GetSceneID();
            if (shader && scene != lastScene) {
                if (IShaderContext* context = block->GetShaderContext())
                    ApplyShader(device, shader, context, &g_DTRenderView, &g_DTRenderProj, w);
                if (!m_bEnableLightmap) lastScene = scene;
            }
            switchTexture(block, true);
            if (m_bEnableLightmap && scene != lastScene) {
                if (block->TestValidLightMap()) {
                    if (m_bBlockBaseLightmapTM)
                        if (const D3DXMATRIX* m = block->GetLightMapTransMatrix())
                            device->SetTransform(lightmapStage, m);
                    if (IDirect3DBaseTexture8* lightmap = block->GetLightMapD3DTexture())
                        device->SetTexture(m_dwLightmapStage, lightmap);
                }
                lastScene = scene;
            }
            block->Render(device);
        }
    }

    device->SetTransform(D3DTS_WORLD, &g_DTIdentity);
    return S_OK;
}

HRESULT CDynamicTerrain::RenderRough(IDirect3DDevice8* device, const D3DXMATRIX* world)
{
    if (!device) return S_FALSE;
    const HRESULT hr = device->SetTransform(D3DTS_WORLD, world ? world : &g_DTIdentity);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < m_LocalVisible.GetCount(); ++i)
        if (CDynamicTerrainBlock* block = BlockAt(m_LocalVisible, i)) block->Render(device);
    for (DWORD i = 0; i < m_ExternVisible.GetCount(); ++i) {
        CDynamicTerrainBlock* block = BlockAt(m_ExternVisible, i);
        if (block && block->GetParent()) block->Render(device);
    }
    return S_OK;
}

HRESULT CDynamicTerrain::RenderOutlying(IDirect3DDevice8* device, const D3DXMATRIX* world)
{
    if (!m_bOutlying) return S_FALSE;
    if (!device) return E_FAIL;
    HRESULT hr = device->SetTransform(D3DTS_WORLD, world ? world : &g_DTIdentity);
    if (FAILED(hr)) return hr;
    if (!m_Batches.empty() && !m_IBs.empty() && m_pOutlyingVB) {
        device->SetVertexShader(D3DFVF_XYZ);
        hr = device->SetStreamSource(0, m_pOutlyingVB, sizeof(D3DXVECTOR3));
        if (FAILED(hr)) return hr;
        for (const SOutlyingBatch& batch : m_Batches) {
            if (batch.wBuffer >= m_IBs.size()) continue;
            hr = device->SetIndices(m_IBs[batch.wBuffer], 0);
            if (FAILED(hr)) return hr;
            hr = device->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(batch.dwType), batch.wMinIndex,
                                              batch.wNumVertices, batch.wStartIndex, batch.wPrimitiveCount);
            if (FAILED(hr)) return hr;
        }
    }
    if (m_ExternVisibleOutlying.GetCount()) {
        device->SetVertexShader(D3DFVF_XYZ);
        for (DWORD i = 0; i < m_ExternVisibleOutlying.GetCount(); ++i)
            if (auto* block = static_cast<CDTOutlyingBlock*>(m_ExternVisibleOutlying.GetPointer(i)))
                block->Render(device);
    }
    return hr;
}

const CTerrainIndexList* CDynamicTerrain::SelectStitchIndexBuffer(BYTE level, BYTE n0, BYTE n1, BYTE n2, BYTE n3)
{
    const BYTE neighbours[4] = {n0, n1, n2, n3};
    return CTerrainLODIndexTable::ChoosePattern(level > 2 ? 0 : level, neighbours);
}

const CTerrainIndexList* CDynamicTerrain::SelectStitchIndexBufferByCode(BYTE level, DWORD code)
{
    if (level == 2) return CTerrainLODIndexTable::GetLevel2();
    if (level == 1) return CTerrainLODIndexTable::GetLevel1(code & 15);
    return CTerrainLODIndexTable::GetLevel0(code & 15);
}

void CDynamicTerrain::SoftCalcLight(const SBoundCircle* circle)
{
    if (!m_pRoot) return;
    SDTVisibleTestInfo info;
    info.dwPassKind = DT_PASS_SOFTLIGHT;
    if (circle)
        m_pRoot->SelectSubTreeByCircle(circle, nullptr, &info);
    else
        m_pRoot->SelectAll(&info);
}

HRESULT CDynamicTerrain::SwitchTerrainSmoothly(int dx, int dz, int newStride, BYTE* bytes, float dy)
{
    if (!m_bBuilt || (dx == 0 && dz == 0)) return E_FAIL;
    if (newStride > 0) {
        if (DWORD(newStride) > 32768) return E_INVALIDARG;
        // The visibility bytes are the client's array for the new map.
        m_nStride = newStride;
        m_nMapBlocks = newStride * newStride;
        m_pMapBytes = bytes;
    }
    SDTBMoveConnect blocks, ring;
    blocks.dwStride = DWORD(m_nStride);
    ring.dwStride = DWORD(m_nOutlyingStride);
    const float bx = float(dx) * m_fBlockWidth, bz = float(dz) * m_fBlockHeight;
    const float ox = float(dx) * m_fOutlyingWidth, oz = float(dz) * m_fOutlyingHeight;
    const bool vertical = dy > 0.001f || dy < -0.001f;
    if (m_pRoot) {
        if (vertical)
            m_pRoot->Move(bx, dy, bz, &blocks);
        else
            m_pRoot->Move2D(bx, bz, &blocks);
    }
    if (m_pOutlyingRoot) {
        if (vertical)
            m_pOutlyingRoot->Move(ox, dy, oz, &ring);
        else
            m_pOutlyingRoot->Move2D(ox, oz, &ring);
    }
    return S_OK;
}
