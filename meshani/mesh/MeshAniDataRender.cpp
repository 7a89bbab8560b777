// Drawing a GMA mesh's frame with its current container.
#include <dxerr8.h>

#include "core/device/DeviceState.h"
#include "kestu_log.h"
#include "kestu_meshanidata.h"
#include "kestu_texture_list.h"

HRESULT CMeshAniData::Bind(DWORD frame, const D3DXMATRIX* matrix, CMeshAttribute*& attribute, WORD index)
{
    attribute = nullptr;
    CAniMeshContainer* c = m_pCurrContainer;
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    if (!c || !m_pDevice || c->GetNumFrames() == 0 || !fa || index >= fa->GetNumAttributes()) return E_FAIL;
    attribute = fa->GetAttribute(index);
    if (!attribute || !attribute->IsBuilt()) return E_FAIL;
    CMeshFrame* mf = c->GetMeshFrame(frame);
    if (!mf || !mf->IsBuilt()) return S_FALSE; // a frame without vertices draws nothing
    if (matrix) m_pDevice->SetTransform(D3DTS_WORLD, matrix);
    if (c->IsTexCoordSkipped()) {
        // The caller has set a vertex shader that reads the coordinates from stream 1.
        m_pDevice->SetStreamSource(1, c->GetSharedTexCoordVB(), GMA_TEXCOORD_SIZE);
    } else {
        m_pDevice->SetVertexShader(c->GetVertexFVF());
        m_pDevice->SetStreamSource(1, nullptr, 0);
    }
    if (mf->IsSystemVerticesData()) {
        m_pDevice->SetStreamSource(0, nullptr, 0);
        m_pDevice->SetIndices(nullptr, 0);
        return S_OK;
    }
    if (!mf->GetVB() || !attribute->GetIB()) return S_FALSE; // lost with the device: nothing to draw until restored
    m_pDevice->SetStreamSource(0, mf->GetVB(), c->GetVertexStride());
    m_pDevice->SetIndices(attribute->GetIB(), 0);
    return S_OK;
}

HRESULT CMeshAniData::DrawPrimitives(DWORD frame, CMeshAttribute* attribute)
{
    CAniMeshContainer* c = m_pCurrContainer;
    CMeshFrame* mf = c->GetMeshFrame(frame);
    HRESULT hr = S_OK;
    for (const SPrimitiveInfo& p : attribute->GetPrimitiveInfoList()->aList) {
        if (p.dwPrimitiveCount == 0) continue;
        if (mf->IsSystemVerticesData())
            hr = m_pDevice->DrawIndexedPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(p.dwPrimitiveType), p.dwMinIndex,
                                                   p.dwNumVertices, p.dwPrimitiveCount,
                                                   attribute->GetCurrentIndices().data() + p.dwStartIndex,
                                                   D3DFMT_INDEX16, mf->GetVertices(), c->GetVertexStride());
        else
            hr = m_pDevice->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(p.dwPrimitiveType), p.dwMinIndex,
                                                 p.dwNumVertices, p.dwStartIndex, p.dwPrimitiveCount);
        if (FAILED(hr)) return hr;
    }
    return hr;
}

HRESULT CMeshAniData::DrawSubset(WORD index, DWORD frame, const D3DXMATRIX* matrix, const D3DCOLOR* colour)
{
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    if (!m_pCurrContainer || m_pCurrContainer->GetNumFrames() == 0 || !fa || index >= fa->GetNumAttributes())
        return E_FAIL;
    IDirect3DTexture8* texture = m_pTexList ? m_pTexList->GetD3DTexture(fa->GetTextureID(index)) : nullptr;
    if (!texture) return S_FALSE;
    CMeshAttribute* attribute = nullptr;
    HRESULT hr = Bind(frame, matrix, attribute, index);
    if (hr != S_OK) return hr;
    m_pDevice->SetMaterial(attribute->GetD3DMaterial());
    hr = m_pDevice->SetTexture(0, texture);
    if (FAILED(hr)) return hr;
    kestu::StateScope saved(m_pDevice);
    if (colour) {
        saved.Stage(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        saved.Stage(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        saved.Stage(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
        saved.Stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        saved.Stage(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        saved.Stage(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
        saved.Stage(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        saved.Render(D3DRS_TEXTUREFACTOR, *colour);
    }
    const SMaterialInitHeaderEx* m = attribute->GetMaterialInfo();
    saved.Stage(0, D3DTSS_ADDRESSU, m->dwAddressU);
    saved.Stage(0, D3DTSS_ADDRESSV, m->dwAddressV);
    return DrawPrimitives(frame, attribute);
}

HRESULT CMeshAniData::DrawSubsetRough(WORD index, DWORD frame, const D3DXMATRIX* matrix, BOOL withTexture)
{
    CMeshAttribute* attribute = nullptr;
    const HRESULT hr = Bind(frame, matrix, attribute, index);
    if (hr != S_OK) return hr;
    if (withTexture)
        m_pDevice->SetTexture(0, m_pTexList ? m_pTexList->GetD3DTexture(attribute->GetTextureID()) : nullptr);
    return DrawPrimitives(frame, attribute);
}

HRESULT CMeshAniData::DrawSubsetWithExTex(WORD index, DWORD frame, IDirect3DBaseTexture8* texture,
                                          const D3DXMATRIX* matrix)
{
    CMeshAttribute* attribute = nullptr;
    const HRESULT hr = Bind(frame, matrix, attribute, index);
    if (hr != S_OK) return hr;
    m_pDevice->SetTexture(0, texture);
    return DrawPrimitives(frame, attribute);
}

HRESULT CMeshAniData::DrawSubsetForceColor(WORD index, DWORD frame, D3DCOLOR colour, const D3DXMATRIX* matrix)
{
    CMeshAttribute* attribute = nullptr;
    const HRESULT hr = Bind(frame, matrix, attribute, index);
    if (hr != S_OK) return hr;
    kestu::StateScope saved(m_pDevice);
    saved.Stage(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    saved.Stage(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    saved.Stage(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    saved.Stage(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    saved.Render(D3DRS_TEXTUREFACTOR, colour);
    return DrawPrimitives(frame, attribute);
}

HRESULT CMeshAniData::DrawSubsetEnvMap(WORD index, DWORD frame)
{
    CMeshAttribute* attribute = nullptr;
    const HRESULT hr = Bind(frame, nullptr, attribute, index);
    return hr == S_OK ? DrawPrimitives(frame, attribute) : hr;
}

HRESULT CMeshAniData::RenderLoop(DWORD frame, const char* subset, const char* render,
                                 const std::function<HRESULT(WORD)>& draw)
{
    const CFrameAttribute* fa = GetFrameAttribute(frame);
    if (!fa) return E_FAIL;
    for (WORD k = 0; k < fa->GetNumAttributes(); ++k) {
        const HRESULT hr = draw(k);
        if (FAILED(hr)) {
            KestuSaveLog(KESTU_LOG_ERROR, "Failed to call %s's %s(%d) in CMeshAniData::%s hr=%d(%s) \n", GetName(),
                         subset, int(k), render, static_cast<int>(hr), DXGetErrorString8A(hr));
            return hr;
        }
    }
    return S_OK;
}

HRESULT CMeshAniData::Render(DWORD frame, const D3DXMATRIX* matrix)
{
    return RenderLoop(frame, "DrawSubset", "Render()!", [&](WORD k) { return DrawSubset(k, frame, matrix, nullptr); });
}

HRESULT CMeshAniData::Render(DWORD frame, const D3DXMATRIX* matrix, BOOL skipEnvMap, BOOL skipExchange, BOOL useColour,
                             D3DCOLOR colour)
{
    return RenderLoop(frame, "DrawSubset", "Render()!", [&](WORD k) -> HRESULT {
        if ((skipEnvMap && k == m_Header.wEnvMapAttribID) || (skipExchange && k == m_Header.wExchangeAttribID))
            return S_FALSE;
        const bool coloured = useColour && k == m_Header.wIndicatedColorAttribID;
        return DrawSubset(k, frame, matrix, coloured ? &colour : nullptr);
    });
}

HRESULT CMeshAniData::RenderRough(DWORD frame, const D3DXMATRIX* matrix, BOOL withTexture)
{
    return RenderLoop(frame, "DrawSubsetRough", "RenderRough!",
                      [&](WORD k) { return DrawSubsetRough(k, frame, matrix, withTexture); });
}

HRESULT CMeshAniData::RenderForceColor(DWORD frame, D3DCOLOR colour, const D3DXMATRIX* matrix)
{
    return RenderLoop(frame, "DrawSubsetForceColor", "Render()!",
                      [&](WORD k) { return DrawSubsetForceColor(k, frame, colour, matrix); });
}
