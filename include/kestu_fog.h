// SFogPara: the client's fog settings and how they become the device's fog
// states, vertex fog or table (pixel) fog as the device's caps allow.
#pragma once
#include <d3d8.h>

#include "kestu_export.h"

struct KESTU_API SFogPara {
    int32_t nMode = 0;  // 0 vertex fog, 1 table fog, -1 no fog
    BOOL bRangeFog = 1; // range-based vertex fog where the device has it
    DWORD dwFormula = D3DFOG_LINEAR;
    DWORD dwColor = 0x808080;
    float fStartFactor = 0.8f; // linear fog starts at the far distance times this
    float fEndFactor = 1.0f;
    float fDensity = 0.02f; // the exponential formulas
    // Read once from the device; clear bCapsRead to read them again.
    BOOL bCapsRead = 0;
    BOOL bTableFogCaps = 0;
    BOOL bVertexFogCaps = 0;
    BOOL bWFogCaps = 0;
    BOOL bRangeFogCaps = 0;

    // E_FAIL without a device.
    HRESULT CheckGraphic(IDirect3DDevice8* device);
    // Sets the fog states for the far distance; a mode the device cannot do
    // falls back to the other one and stays so in the record.
    HRESULT ApplyFog(IDirect3DDevice8* device, float farDistance);
};
