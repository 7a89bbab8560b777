// CDynamicTerrain: the water of the visible blocks: its waves over time,
// its colour, and its draws.
#include <vector>

#include "kestu_dynamicterrain.h"
#include "kestu_shader.h"
#include "terrain/dynamic/DTIdentity.h"

namespace {

// The view and projection that a shader context is given in the water draws.
D3DXMATRIX g_DTWaterView;
D3DXMATRIX g_DTWaterProj;

// Calls fn on every visible block, the map's first, then those beyond it.
template <class Fn>
void ForEachVisible(CPointerArray& local, CPointerArray& outside, Fn fn)
{
    for (CPointerArray* list : {&local, &outside})
        for (DWORD i = 0; i < list->GetCount(); ++i)
            if (auto* block = static_cast<CDynamicTerrainBlock*>(list->GetData()[i])) fn(block);
}

} // namespace

void CDynamicTerrain::FrameMoveWater(float time, BYTE id)
{
    if (!GetNumVisibleBlocks()) return;
    const SWaterWave* wave = GetWaterWave(id);
    if (!wave) return;
    const SWaveWaterPara para(time, wave);
    ForEachVisible(m_LocalVisible, m_ExternVisible, [&](CDynamicTerrainBlock* block) {
        if (block->GetWaterID() == id) block->FrameMoveWater(&para, m_pSine);
    });
}

void CDynamicTerrain::FrameMoveAllWater(float time)
{
    if (!GetNumVisibleBlocks() || !m_pWaves || !m_byNumWaves) return;
    SWaveWaterPara paras[255];
    for (DWORD i = 0; i < m_byNumWaves; ++i) paras[i].Update(time, &m_pWaves[i]);
    ForEachVisible(m_LocalVisible, m_ExternVisible, [&](CDynamicTerrainBlock* block) {
        if (!block->IsHaveWater()) return;
        const DWORD index = m_bShareWave ? 0 : block->GetWaterID();
        if (index < m_byNumWaves) block->FrameMoveWater(&paras[index], m_pSine);
    });
}

void CDynamicTerrain::SetAllWaterVertexDiffuse(DWORD colour)
{
    ForEachVisible(m_LocalVisible, m_ExternVisible, [&](CDynamicTerrainBlock* block) {
        if (block->IsHaveWater()) block->SetWaterVertexDiffuse(colour);
    });
}

HRESULT CDynamicTerrain::DrawWater(IDirect3DDevice8* device, const D3DXMATRIX* world, IShaderBase* shader, bool anyId,
                                   BYTE id)
{
    if (!device) return S_FALSE;
    const D3DXMATRIX* w = world ? world : &g_DTIdentity;
    const HRESULT hr = device->SetTransform(D3DTS_WORLD, w);
    if (FAILED(hr)) return hr;
    if (shader) {
        device->GetTransform(D3DTS_VIEW, &g_DTWaterView);
        device->GetTransform(D3DTS_PROJECTION, &g_DTWaterProj);
    }
    auto drawList = [&](CPointerArray& list, bool needParent) {
        if (!list.GetCount()) return;
        device->SetVertexShader(SDTVertexEx::FVF);
        for (DWORD i = 0; i < list.GetCount(); ++i) {
            auto* block = static_cast<CDynamicTerrainBlock*>(list.GetData()[i]);
            if (!block || (needParent && !block->GetParent())) continue;
            if (!anyId && block->GetWaterID() != id) continue;
            if (shader && block->GetShaderContext())
                ApplyShader(device, shader, block->GetShaderContext(), &g_DTWaterView, &g_DTWaterProj, w);
            block->RenderWater(device);
        }
    };
    drawList(m_LocalVisible, false);
    drawList(m_ExternVisible, true);
    return S_OK;
}

HRESULT CDynamicTerrain::RenderWater(IDirect3DDevice8* device, BYTE id, const D3DXMATRIX* world, IShaderBase* shader)
{
    return DrawWater(device, world, shader, false, id);
}

HRESULT CDynamicTerrain::RenderAllWater(IDirect3DDevice8* device, const D3DXMATRIX* world, IShaderBase* shader)
{
    return DrawWater(device, world, shader, true, 0);
}
