// SFogPara: reading the fog caps and setting the fog states.
#include <bit>
#include <cstdint>

#include "kestu_fog.h"

HRESULT SFogPara::CheckGraphic(IDirect3DDevice8* device)
{
    if (!device) return E_FAIL;
    D3DCAPS8 caps{};
    device->GetDeviceCaps(&caps);
    const DWORD raster = caps.RasterCaps;
    bTableFogCaps = (raster & D3DPRASTERCAPS_FOGTABLE) && (raster & (D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_ZFOG));
    bVertexFogCaps = (raster & D3DPRASTERCAPS_FOGVERTEX) ? 1 : 0;
    bWFogCaps = (raster & D3DPRASTERCAPS_WFOG) ? 1 : 0;
    bRangeFogCaps = (raster & D3DPRASTERCAPS_FOGRANGE) ? 1 : 0;
    bCapsRead = 1;
    return S_OK;
}

HRESULT SFogPara::ApplyFog(IDirect3DDevice8* device, float farDistance)
{
    // Without a device there are neither caps nor states to set.
    if (!device) return E_FAIL;
    if (!bCapsRead) CheckGraphic(device);
    if (nMode == -1 || (!bTableFogCaps && !bVertexFogCaps)) {
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        return S_OK;
    }
    const float start = farDistance * fStartFactor;
    const float end = farDistance * fEndFactor;
    HRESULT hr = device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    if (FAILED(hr)) return hr;
    hr = device->SetRenderState(D3DRS_FOGCOLOR, dwColor);
    if (FAILED(hr)) return hr;
    if (nMode == 1 && !bTableFogCaps) nMode = 0;
    if (nMode == 0 && !bVertexFogCaps) nMode = 1;
    if (nMode != 0 && nMode != 1) return S_OK;

    const D3DRENDERSTATETYPE formulaState = nMode == 0 ? D3DRS_FOGVERTEXMODE : D3DRS_FOGTABLEMODE;
    if (dwFormula == D3DFOG_LINEAR) {
        hr = device->SetRenderState(formulaState, D3DFOG_LINEAR);
        if (SUCCEEDED(hr)) hr = device->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(start));
        if (SUCCEEDED(hr)) hr = device->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(end));
    } else {
        hr = device->SetRenderState(formulaState, dwFormula);
        if (SUCCEEDED(hr)) hr = device->SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(fDensity));
    }
    if (FAILED(hr)) return hr;
    if (nMode == 0) device->SetRenderState(D3DRS_RANGEFOGENABLE, (bRangeFog && bRangeFogCaps) ? TRUE : FALSE);
    return S_OK;
}
